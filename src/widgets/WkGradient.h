// Gradient fills and bitmap painting. A gradient is built band by band in an off-screen
// bitmap and copied to the target once, so it never flickers.
#pragma once
#include "ui/Canvas.h"
#include "ui/Color.h"
#include "ui/Geometry.h"
#include "widgets/WkEnums.h"
#include <cstdint>

namespace wk {

using ui::TColor;

// Paints the gradient into rect. bandSize is the minimum number of pixel rows/columns/steps
// one flat band spans (1 everywhere in the program). An empty rect paints nothing.
void FillGradient(ui::TCanvas& canvas, const ui::Rect& rect, TGradientDirection direction, TColor start,
                  TColor stop, std::uint8_t bandSize = 1);

// Stretches the source part of bitmap to the size of dest and draws it at the canvas origin
// (only dest's width and height are used), leaving out every pixel of the transparent colour.
void DrawBitmapTransparent(ui::TCanvas& canvas, const ui::Rect& dest, HBITMAP bitmap, const ui::Rect& source,
                           TColor transparentColor);

// Paints the control's parent (background and content) into dc so that the control shows
// what lies behind it. invalidateParent additionally invalidates a parent that is a plain
// child window (never a top-level form); custom-drawn parents should pass false.
void PaintParentBackground(HWND control, HDC dc, bool invalidateParent = false);

// Extends the filled fw x fh block at the top-left of the DC's bitmap to tw x th by doubling
// copies, first across, then down.
void TileBitmap(HDC dc, int filledWidth, int filledHeight, int totalWidth, int totalHeight);
// Completes a bitmap whose upper-left quarter is painted by mirroring it down and across.
void MirrorTileBitmap(HDC dc, int width, int height);

} // namespace wk
