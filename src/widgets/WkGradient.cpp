// Gradient fills and bitmap painting.
//
// Index:
//   [colour steps]  16.16 fixed-point channels and the band quota
//   [row fill]      rows / columns for the End and Center directions
//   [box fill]      nested rectangles for the Box directions (one quarter, then mirrored)
//   [diagonal fill] strips parallel to a diagonal
//   [FillGradient]  building the off-screen bitmap and drawing it
//   [bitmaps]       TileBitmap, MirrorTileBitmap, DrawBitmapTransparent, PaintParentBackground
#include "widgets/WkGradient.h"
#include "ui/Gdi.h"
#include <cmath>
#include <algorithm>
#include <cstdlib>
#include <utility>
#include <vector>

namespace wk {

using ui::Point;
using ui::Rect;
using ui::TCanvas;

namespace {

// ==== [colour steps] ======================================================================

// A colour with each channel in 16.16 fixed point, so that many small steps add up exactly.
struct TFixedColor {
    int R = 0, G = 0, B = 0;

    static TFixedColor From(COLORREF c) { return {GetRValue(c) << 16, GetGValue(c) << 16, GetBValue(c) << 16}; }
    // The integer part of each running channel. Channels never go negative: every run moves
    // from one valid colour toward another and the step is truncated toward zero.
    COLORREF Rgb() const { return RGB(R >> 16, G >> 16, B >> 16); }
    // (to - from) / steps per channel, truncated toward zero; 0 when there are no steps.
    static TFixedColor Step(const TFixedColor& from, const TFixedColor& to, int steps) {
        if (steps <= 0) return {};
        return {(to.R - from.R) / steps, (to.G - from.G) / steps, (to.B - from.B) / steps};
    }
    TFixedColor& operator+=(const TFixedColor& d) { R += d.R; G += d.G; B += d.B; return *this; }
};

// How many steps past the first one a band must take before a colour change may close it.
// Small band sizes give size - 1; larger ones a quota derived from the 256 colour levels.
int BandQuota(int bandSize, bool boxFill) {
    int quota = bandSize <= 8 ? bandSize - 1 : (boxFill ? 256 : 255) / bandSize + 1 - 1;
    return quota < 0 ? 0 : quota;
}

void FillSolid(HDC dc, const Rect& r, COLORREF color) {
    if (r.IsEmpty()) return;
    // One brush per band, deleted as soon as the band is painted.
    ui::BrushOwner brush(CreateSolidBrush(color));
    if (brush) FillRect(dc, r.AsRECT(), brush);
}

// ==== [row fill] ==========================================================================

// Paints the run of lines [upper, end) stacked along `axis` (Vertical: rows, top to bottom;
// Horizontal: columns, left to right), each `strip` pixels long. `first` lands on the last line of the run (end - 1) and each
// line above it is one step closer to `target`; the line at `upper` is one step short of it.
void LineFill(HDC dc, ui::TOrientationAxis axis, int upper, int end, COLORREF first, COLORREF target, int strip,
              int quota) {
    TFixedColor color = TFixedColor::From(first);
    const TFixedColor step = TFixedColor::Step(color, TFixedColor::From(target), end - upper);
    int line = end;
    while (line >= upper) {
        const COLORREF band = color.Rgb();
        const int bandEnd = line;
        int taken = 0;
        do {
            --line;
            color += step;
            ++taken;
        } while (line >= upper && (taken <= quota || color.Rgb() == band));
        // Lines [line, bandEnd) take the band colour (a line above `upper` is off the run).
        const int from = line < upper ? upper : line;
        FillSolid(dc, Rect::FromAxes(axis, from, bandEnd, 0, strip), band);
    }
}

// ==== [box fill] ==========================================================================

// Nested rectangles in the upper-left quarter, from `stop` in the core around the centre to
// `start` at the outer edges. insetX/insetY enlarge the stop-coloured core.
void BoxFill(HDC dc, int width, int height, int insetX, int insetY, COLORREF start, COLORREF stop, int quota) {
    if (start == stop || width < 5 || height <= 4) {
        FillSolid(dc, Rect{0, 0, width + 1, height + 1}, start);
        return;
    }
    const int hw = (width - 1) >> 1, hh = (height - 1) >> 1; // the centre pixel of the quarter
    const int x0 = hw - insetX, y0 = hh - insetY;
    const int steps = std::max(x0, y0) + 1;
    TFixedColor color = TFixedColor::From(stop);
    const TFixedColor colorStep = TFixedColor::Step(color, TFixedColor::From(start), steps);
    int cx = x0 << 16, cy = y0 << 16;
    const int dx = (x0 << 16) / steps, dy = (y0 << 16) / steps;

    // `fence` is the corner of what is painted so far; nothing yet, so it sits past the centre.
    Point fence{hw + 1, hh + 1};
    auto gone = [&] { return (cx < 0 || dx == 0) && (cy < 0 || dy == 0); };
    for (int k = 0; k <= steps + 1;) {
        const COLORREF band = color.Rgb();
        // The band covers steps k .. (last); its outer corner is the corner of its last step.
        Point corner;
        int taken = 0;
        for (;;) {
            corner = {cx >> 16, cy >> 16};
            cx -= dx;
            cy -= dy;
            color += colorStep;
            ++taken;
            ++k;
            if (gone() || k > steps + 1) break;
            if (taken > quota && color.Rgb() != band) break;
        }
        corner = {std::max(corner.x, 0), std::max(corner.y, 0)};
        // The new rows above the fence, then the new columns to its left, both to the centre.
        FillSolid(dc, Rect{corner.x, corner.y, hw + 1, fence.y}, band);
        FillSolid(dc, Rect{corner.x, fence.y, fence.x, hh + 1}, band);
        fence = corner;
        if (gone()) break;
    }
}

// ==== [diagonal fill] =====================================================================

void FillPolygon(HDC dc, std::vector<POINT> points, COLORREF color, bool mirror, int width) {
    if (mirror)
        for (POINT& p : points) p.x = width - p.x;
    ui::BrushOwner brush(CreateSolidBrush(color));
    if (!brush) return;
    ui::SelectGuard select(dc, brush);
    Polygon(dc, points.data(), static_cast<int>(points.size()));
}

// Strips parallel to the diagonal from the top-left to the bottom-right corner, swept from
// the bottom-left corner (colour `first`) to the top-right one (`second`). `mirror` flips it
// left to right: swept from the bottom-right corner to the top-left one.
void DiagonalFill(HDC dc, int width, int height, COLORREF first, COLORREF second, int quota, bool mirror) {
    const int diagonal = static_cast<int>(std::sqrt(double(width) * width + double(height) * height)) + 1;
    const int half = std::max(diagonal / 2, 1);
    TFixedColor color = TFixedColor::From(first);
    const TFixedColor colorStep = TFixedColor::Step(color, TFixedColor::From(second), diagonal);
    const int dx = (width << 16) / half, dy = (height << 16) / half;
    const int w = width, h = height;

    // Both halves step along the diagonal the same way, one band of at least `quota` steps
    // (longer while the colour stays the same) at a time; only the band's polygon differs.
    // (x, y) is where the band ends, (xBefore, yBefore) where it began; `last` closes a half.
    using PolygonAt = std::vector<POINT> (*)(int x, int y, int xBefore, int yBefore, int w, int h);
    auto sweep = [&](PolygonAt band, PolygonAt last) {
        int x = 0, y = h << 16;
        for (;;) {
            const COLORREF bandColor = color.Rgb();
            const int xBefore = x >> 16, yBefore = y >> 16;
            int taken = 0;
            do {
                x += dx;
                y -= dy;
                color += colorStep;
                ++taken;
            } while (y >= 0 && (taken <= quota || color.Rgb() == bandColor));
            if (y < 0) {
                FillPolygon(dc, last(x >> 16, y >> 16, xBefore, yBefore, w, h), bandColor, mirror, w);
                return;
            }
            FillPolygon(dc, band(x >> 16, y >> 16, xBefore, yBefore, w, h), bandColor, mirror, w);
        }
    };
    // First half: lines from the left side (0, Y) to the bottom edge (X, h), Y rising from h
    // to 0 while X runs from 0 to w; it ends on the diagonal.
    sweep([](int x, int y, int xb, int yb, int, int h) -> std::vector<POINT> { return {{0, y}, {0, yb}, {xb, h}, {x, h}}; },
          [](int, int, int xb, int yb, int w, int h) -> std::vector<POINT> { return {{0, 0}, {0, yb}, {xb, h}, {w, h}}; });
    // Second half: lines from the top edge (X, 0) to the right side (w, Y), from the diagonal
    // to the top-right corner; the colour goes on from where the first half stopped.
    sweep([](int x, int y, int xb, int yb, int w, int) -> std::vector<POINT> { return {{x, 0}, {xb, 0}, {w, yb}, {w, y}}; },
          [](int, int, int xb, int yb, int w, int) -> std::vector<POINT> { return {{w, 0}, {xb, 0}, {w, yb}}; });
}

} // namespace

// ==== [FillGradient] ======================================================================

void FillGradient(TCanvas& canvas, const Rect& rect, TGradientDirection direction, TColor start, TColor stop,
                  std::uint8_t bandSize) {
    const COLORREF s = ui::ColorToRGB(start), e = ui::ColorToRGB(stop);
    const int w = std::abs(rect.Width()), h = std::abs(rect.Height());
    if (w == 0 || h == 0) return;

    // A 32-bit surface of its own: the gradient's colours never depend on the target's depth
    // (a memory DC that still holds its 1x1 monochrome bitmap would give a monochrome one).
    ui::DibSurface surface(w, h);
    if (!surface.Dc() || !surface.Bits()) return;
    HDC dc = surface.Dc();
    SelectObject(dc, GetStockObject(NULL_PEN)); // polygons are filled without an outline
    SetROP2(dc, R2_COPYPEN);

    constexpr int kStrip = 8;
    const int lineQuota = BandQuota(bandSize, false), boxQuota = BandQuota(bandSize, true);
    const auto rows = ui::TOrientationAxis::Vertical, columns = ui::TOrientationAxis::Horizontal;
    switch (direction) {
    case gdHorizontalEnd:
    case gdHorizontalCenter:
    case gdVerticalEnd:
    case gdVerticalCenter: {
        // Rows (horizontal bands) or columns: one strip of kStrip pixels, then tiled.
        const bool byRows = direction == gdHorizontalEnd || direction == gdHorizontalCenter;
        const auto axis = byRows ? rows : columns;
        const int extent = byRows ? h : w;
        if (direction == gdHorizontalEnd || direction == gdVerticalEnd) {
            LineFill(dc, axis, 0, extent, e, s, kStrip, lineQuota);
        } else {
            const int m = extent / 2;
            LineFill(dc, axis, 0, m + 1, e, s, kStrip, lineQuota);
            LineFill(dc, axis, m + 1, extent, s, e, kStrip, lineQuota);
        }
        if (byRows)
            TileBitmap(dc, kStrip, h, w, h);
        else
            TileBitmap(dc, w, kStrip, w, h);
        break;
    }
    case gdHorizontalBox:
    case gdVerticalBox:
    case gdSquareBox:
    case gdBigSquareBox: {
        const int insetX = (direction == gdHorizontalBox || direction == gdBigSquareBox) ? w >> 2 : 0;
        const int insetY = (direction == gdVerticalBox || direction == gdBigSquareBox) ? h >> 2 : 0;
        // Every box direction starts from a flat start colour, so no pixel is left undefined.
        FillSolid(dc, Rect{0, 0, w, h}, s);
        BoxFill(dc, w, h, insetX, insetY, s, e, boxQuota);
        MirrorTileBitmap(dc, w, h);
        break;
    }
    case gdDiagonalUp:
    case gdDiagonalDown:
        if (s == e)
            FillSolid(dc, Rect{0, 0, w, h}, s);
        else if (direction == gdDiagonalUp)
            DiagonalFill(dc, w, h, s, e, lineQuota, false);
        else
            DiagonalFill(dc, w, h, e, s, lineQuota, true);
        break;
    }
    GdiFlush();
    BitBlt(canvas.Handle(), rect.left, rect.top, w, h, dc, 0, 0, SRCCOPY);
}

// ==== [bitmaps] ===========================================================================

void TileBitmap(HDC dc, int filledWidth, int filledHeight, int totalWidth, int totalHeight) {
    if (filledWidth <= 0 || filledHeight <= 0) return; // nothing to replicate
    int fw = filledWidth;
    while (fw < totalWidth) {
        const int w = std::min(fw, totalWidth - fw);
        BitBlt(dc, fw, 0, w, filledHeight, dc, 0, 0, SRCCOPY);
        fw += w;
    }
    int fh = filledHeight;
    while (fh < totalHeight) {
        const int h = std::min(fh, totalHeight - fh);
        BitBlt(dc, 0, fh, totalWidth, h, dc, 0, 0, SRCCOPY);
        fh += h;
    }
}

void MirrorTileBitmap(HDC dc, int width, int height) {
    if (width <= 0 || height <= 0) return;
    const int halfW = width >> 1, halfH = height / 2;
    // The painted quarter runs to the centre column/row inclusive; the mirrored copies cover
    // exactly the remaining halfW columns and halfH rows, so odd and even sizes both close.
    const int quarterW = width - halfW;
    // StretchBlt with a negative destination extent mirrors, and the destination then covers
    // the pixels origin, origin - 1, ..., origin + extent + 1: the origin is the last row or
    // column itself, not the edge past it.
    if (halfH > 0) StretchBlt(dc, 0, height - 1, quarterW, -halfH, dc, 0, 0, quarterW, halfH, SRCCOPY);
    if (halfW > 0) StretchBlt(dc, width - 1, 0, -halfW, height, dc, 0, 0, halfW, height, SRCCOPY);
}

void DrawBitmapTransparent(TCanvas& canvas, const Rect& dest, HBITMAP bitmap, const Rect& source,
                           TColor transparentColor) {
    const int w = dest.Width(), h = dest.Height();
    if (w <= 0 || h <= 0 || !bitmap) return;
    HDC target = canvas.Handle();

    // The source part stretched to the destination size.
    ui::MemoryDcOwner sourceDc(CreateCompatibleDC(target));
    ui::MemoryDcOwner colorDc(CreateCompatibleDC(target));
    ui::MemoryDcOwner maskDc(CreateCompatibleDC(target));
    ui::BitmapOwner colorBitmap(CreateCompatibleBitmap(target, w, h));
    ui::BitmapOwner maskBitmap(CreateBitmap(w, h, 1, 1, nullptr));
    if (!sourceDc || !colorDc || !maskDc || !colorBitmap || !maskBitmap) return;
    ui::SelectGuard selectSource(sourceDc, bitmap);
    ui::SelectGuard selectColor(colorDc, colorBitmap);
    ui::SelectGuard selectMask(maskDc, maskBitmap);
    SetStretchBltMode(colorDc, COLORONCOLOR);
    StretchBlt(colorDc, 0, 0, w, h, sourceDc, source.left, source.top, source.Width(), source.Height(), SRCCOPY);

    // Colour -> monochrome turns pixels of the background colour into 1, all others into 0.
    SetBkColor(colorDc, ui::ColorToRGB(transparentColor));
    BitBlt(maskDc, 0, 0, w, h, colorDc, 0, 0, SRCCOPY);

    // Monochrome -> colour turns 0 into the text colour and 1 into the background colour:
    // with black text on white the mask becomes black (opaque) / white (transparent).
    SetTextColor(colorDc, RGB(0, 0, 0));
    SetBkColor(colorDc, RGB(255, 255, 255));
    BitBlt(colorDc, 0, 0, w, h, maskDc, 0, 0, 0x00220326); // DSna: clear the transparent pixels
    const COLORREF oldText = SetTextColor(target, RGB(0, 0, 0));
    const COLORREF oldBack = SetBkColor(target, RGB(255, 255, 255));
    // The image already has the destination size, so both blits copy it 1:1 (stretching its
    // (0, 0, source size) part again would scale twice whenever the sizes differ).
    BitBlt(target, 0, 0, w, h, maskDc, 0, 0, SRCAND);    // hole where the image is opaque
    BitBlt(target, 0, 0, w, h, colorDc, 0, 0, SRCPAINT); // the image into the hole
    SetTextColor(target, oldText);
    SetBkColor(target, oldBack);
}

void PaintParentBackground(HWND control, HDC dc, bool invalidateParent) {
    if (!control || !dc) return;
    // GetParent would answer the owner for a top-level window: only a child has a parent.
    if (!(GetWindowLongPtrW(control, GWL_STYLE) & WS_CHILD)) return;
    HWND parent = GetAncestor(control, GA_PARENT);
    if (!parent) return;

    RECT bounds{};
    GetWindowRect(control, &bounds);
    MapWindowPoints(HWND_DESKTOP, parent, reinterpret_cast<POINT*>(&bounds), 2);
    RECT client{};
    GetClientRect(parent, &client);
    {
        ui::DcStateGuard state(dc);
        POINT origin{};
        GetViewportOrgEx(dc, &origin);
        SetViewportOrgEx(dc, origin.x - bounds.left, origin.y - bounds.top, nullptr);
        IntersectClipRect(dc, 0, 0, client.right, client.bottom);
        SendMessageW(parent, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
        // Our framework's windows (and the common controls) paint into a given DC on
        // WM_PRINTCLIENT; a bare WM_PAINT with a DC is not honoured by every window class.
        SendMessageW(parent, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
    }
    // A top-level form repaints itself properly; a plain child parent is asked to, so its
    // own picture catches up with what the control just showed.
    if (invalidateParent && (GetWindowLongPtrW(parent, GWL_STYLE) & WS_CHILD)) InvalidateRect(parent, nullptr, TRUE);
}

} // namespace wk
