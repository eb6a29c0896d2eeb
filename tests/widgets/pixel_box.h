// Where a colour landed in a rendered control: the box around every pixel of exactly that
// colour. Text-style tests compare the boxes of the text and of its copies.
#pragma once
#include "ui/Gdi.h"
#include "ui/Geometry.h"
#include <algorithm>
#include <climits>

// Empty when the colour is nowhere.
inline ui::Rect BoxOf(const ui::DibSurface& dib, COLORREF color) {
    ui::Rect box{INT_MAX, INT_MAX, INT_MIN, INT_MIN};
    for (int y = 0; y < dib.Height(); ++y)
        for (int x = 0; x < dib.Width(); ++x)
            if (dib.Pixel(x, y) == color) {
                box.left = std::min(box.left, x);
                box.top = std::min(box.top, y);
                box.right = std::max(box.right, x + 1);
                box.bottom = std::max(box.bottom, y + 1);
            }
    return box.left == INT_MAX ? ui::Rect{} : box;
}
