// Frame painters. Every frame is single-pixel lines of the canvas pen and a few pixels; the
// rings are the building block (PaintFrameSides) and the styles are tables over them.
#include "widgets/WkFrames.h"
#include "widgets/WkGradient.h"
#include "widgets/WkKit.h"
#include "widgets/WkThemeParts.h"

namespace wk {

using ui::Rect;
using ui::TCanvas;

namespace {

// Lines of non-positive length draw nothing (GDI would draw them backwards).
void HLine(TCanvas& canvas, int y, int x0, int x1) {
    if (x1 <= x0) return;
    canvas.MoveTo(x0, y);
    canvas.LineTo(x1, y);
}

void VLine(TCanvas& canvas, int x, int y0, int y1) {
    if (y1 <= y0) return;
    canvas.MoveTo(x, y0);
    canvas.LineTo(x, y1);
}

// A single pixel, only inside the frame's rectangle: on a rectangle too small for the frame
// the corner positions fall outside it, and a frame never paints beyond its rectangle.
void FramePixel(TCanvas& canvas, const Rect& bounds, int x, int y, TColor color) {
    if (color == ui::clNone || !bounds.Contains({x, y})) return;
    canvas.SetPixelColor(x, y, color);
}

Rect InsetSides(const Rect& r, TSides sides, int n) {
    return r.Insetted(HasSide(sides, sdLeft) ? n : 0, HasSide(sides, sdTop) ? n : 0, HasSide(sides, sdRight) ? n : 0,
                      HasSide(sides, sdBottom) ? n : 0);
}

// Two-pixel etched frame (groove and bump): a ring in upperLeft with a ring in lowerRight one
// pixel inside and to the right-below of it, and eight corner pixels that make the open ends
// of a partial frame look cut square.
Rect PaintEtchedFrame(TCanvas& canvas, const Rect& r, TColor upperLeft, TColor lowerRight, TSides sides) {
    const bool left = HasSide(sides, sdLeft), top = HasSide(sides, sdTop);
    const bool right = HasSide(sides, sdRight), bottom = HasSide(sides, sdBottom);
    const int l = r.left, t = r.top, rr = r.right, b = r.bottom;
    if (right) FramePixel(canvas, r, rr - 1, t, lowerRight);
    if (top && !right) FramePixel(canvas, r, rr - 1, t, upperLeft);
    if (bottom) FramePixel(canvas, r, l, b - 1, lowerRight);
    if (left && !bottom) FramePixel(canvas, r, l, b - 1, upperLeft);
    if (top && !left) FramePixel(canvas, r, l, t + 1, lowerRight);
    if (left && !top) FramePixel(canvas, r, l + 1, t, lowerRight);
    if (bottom && !right) FramePixel(canvas, r, rr - 1, b - 2, upperLeft);
    if (right && !bottom) FramePixel(canvas, r, rr - 2, b - 1, upperLeft);
    PaintFrameSides(canvas, Rect{l + 1, t + 1, rr, b}, lowerRight, lowerRight, sides);
    PaintFrameSides(canvas, Rect{l, t, rr - 1, b - 1}, upperLeft, upperLeft, sides);
    return InsetSides(r, sides, 2);
}

struct TFrameColors {
    TColor UpperLeft;
    TColor LowerRight;
};

// Colours of the one-ring and etched styles.
TFrameColors StyleColors(TFrameStyle style) {
    switch (style) {
    case fsFlat: return {ui::cl3DDkShadow, ui::cl3DDkShadow};
    case fsGroove: return {ui::clBtnShadow, ui::clBtnHighlight};
    case fsBump: return {ui::clBtnHighlight, ui::clBtnShadow};
    case fsStatus: return {ui::clBtnShadow, ui::clBtnHighlight};
    case fsPopup: return {ui::clBtnHighlight, ui::clBtnShadow};
    case fsFlatBold: return {ui::clBtnShadow, ui::clBtnShadow};
    default: return {ui::clNone, ui::clNone};
    }
}

// Two rings, outer then inner, one pixel each.
Rect PaintTwoRings(TCanvas& canvas, const Rect& r, TFrameColors outer, TFrameColors inner, TSides sides) {
    Rect inside = PaintBevel(canvas, r, outer.UpperLeft, outer.LowerRight, sides, 1);
    return PaintBevel(canvas, inside, inner.UpperLeft, inner.LowerRight, sides, 1);
}

} // namespace

// ---- Rings ------------------------------------------------------------------------------

Rect PaintFrameSides(TCanvas& canvas, const Rect& rect, TColor upperLeft, TColor lowerRight, TSides sides) {
    const Rect& r = rect;
    // A zero-width or zero-height rectangle shows nothing: its sides would otherwise come out
    // as lines along the collapsed edge.
    if (r.IsEmpty()) return InsetSides(rect, sides, 1);
    if (upperLeft != ui::clNone) {
        canvas.SetPen(upperLeft, 1);
        if (HasSide(sides, sdLeft)) VLine(canvas, r.left, r.top, r.bottom);
        if (HasSide(sides, sdTop)) HLine(canvas, r.top, r.left, r.right);
    }
    if (lowerRight != ui::clNone) {
        canvas.SetPen(lowerRight, 1);
        if (HasSide(sides, sdRight)) VLine(canvas, r.right - 1, r.top, r.bottom);
        if (HasSide(sides, sdBottom)) HLine(canvas, r.bottom - 1, r.left, r.right);
    }
    return InsetSides(rect, sides, 1);
}

Rect PaintBevel(TCanvas& canvas, const Rect& rect, TColor upperLeft, TColor lowerRight, TSides sides, int width) {
    Rect r = rect;
    for (int i = 0; i < width; ++i) r = PaintFrameSides(canvas, r, upperLeft, lowerRight, sides);
    return r;
}

Rect Paint3DBorder(TCanvas& canvas, const Rect& rect, bool lowered, TSides sides) {
    if (lowered)
        return PaintTwoRings(canvas, rect, {ui::clBtnShadow, ui::clBtnHighlight}, {ui::cl3DDkShadow, ui::cl3DLight},
                             sides);
    return PaintTwoRings(canvas, rect, {ui::cl3DLight, ui::cl3DDkShadow}, {ui::clBtnHighlight, ui::clBtnShadow}, sides);
}

Rect PaintButtonBorder(TCanvas& canvas, const Rect& rect, bool down, TSides sides) {
    if (down)
        return PaintTwoRings(canvas, rect, {ui::clBtnText, ui::clBtnText}, {ui::clBtnShadow, ui::clBtnShadow}, sides);
    return PaintTwoRings(canvas, rect, {ui::clBtnHighlight, ui::cl3DDkShadow}, {ui::cl3DLight, ui::clBtnShadow}, sides);
}

Rect PaintTintedButtonBorder(TCanvas& canvas, const Rect& rect, TColor baseColor, bool down, TSides sides) {
    const TColor d100 = DarkenColor(baseColor, 100), d50 = DarkenColor(baseColor, 50);
    if (down) return PaintTwoRings(canvas, rect, {d100, d100}, {d50, d50}, sides);
    return PaintTwoRings(canvas, rect, {LightenColor(baseColor, 100), d100}, {LightenColor(baseColor, 40), d50}, sides);
}

// ---- Styles -----------------------------------------------------------------------------

Rect PaintFrameStyle(TCanvas& canvas, const Rect& rect, TFrameStyle style, TSides sides) {
    const TFrameColors c = StyleColors(style);
    switch (style) {
    case fsFlat:
    case fsStatus:
    case fsPopup: return PaintFrameSides(canvas, rect, c.UpperLeft, c.LowerRight, sides);
    case fsFlatBold: return PaintBevel(canvas, rect, c.UpperLeft, c.LowerRight, sides, 2);
    case fsLowered:
    case fsRaised: return Paint3DBorder(canvas, rect, style == fsLowered, sides);
    case fsButtonDown:
    case fsButtonUp: return PaintButtonBorder(canvas, rect, style == fsButtonDown, sides);
    case fsGroove:
    case fsBump: return PaintEtchedFrame(canvas, rect, c.UpperLeft, c.LowerRight, sides);
    default: return rect; // fsNone (and fsFlatRounded, which only PaintInnerOuterFrames draws)
    }
}

Rect PaintTintedFrameStyle(TCanvas& canvas, const Rect& rect, TColor baseColor, TFrameStyle style, TSides sides) {
    auto D = [baseColor](std::uint8_t n) { return DarkenColor(baseColor, n); };
    auto L = [baseColor](std::uint8_t n) { return LightenColor(baseColor, n); };
    switch (style) {
    case fsFlat: return PaintFrameSides(canvas, rect, D(50), D(50), sides);
    case fsGroove: return PaintEtchedFrame(canvas, rect, D(50), L(100), sides);
    case fsBump: return PaintEtchedFrame(canvas, rect, L(100), D(50), sides);
    case fsLowered: return PaintTwoRings(canvas, rect, {D(50), L(100)}, {D(100), L(50)}, sides);
    case fsRaised: return PaintTwoRings(canvas, rect, {L(50), D(100)}, {L(100), D(50)}, sides);
    case fsButtonDown:
    case fsButtonUp: return PaintTintedButtonBorder(canvas, rect, baseColor, style == fsButtonDown, sides);
    case fsStatus: return PaintFrameSides(canvas, rect, D(50), L(100), sides);
    case fsPopup: return PaintFrameSides(canvas, rect, L(100), D(50), sides);
    case fsFlatBold: return PaintTwoRings(canvas, rect, {D(50), D(50)}, {D(50), D(50)}, sides);
    default: return rect;
    }
}

// ---- Outlines ---------------------------------------------------------------------------

Rect OutlineRect(TCanvas& canvas, const Rect& rect, TColor color) {
    return PaintFrameSides(canvas, rect, color, color, kAllSides);
}

Rect PaintCornerMarks(TCanvas& canvas, const Rect& rect, TColor color, int armLength) {
    const int n = armLength, l = rect.left, t = rect.top, r1 = rect.right - 1, b1 = rect.bottom - 1;
    if (color != ui::clNone && n > 0 && !rect.IsEmpty()) {
        canvas.SetPen(color, 1);
        HLine(canvas, t, l, l + n);           // top-left
        VLine(canvas, l, t, t + n);
        HLine(canvas, t, r1 - n + 1, r1 + 1); // top-right
        VLine(canvas, r1, t, t + n);
        HLine(canvas, b1, r1 - n + 1, r1 + 1); // bottom-right
        VLine(canvas, r1, b1 - n + 1, b1 + 1);
        HLine(canvas, b1, l, l + n);          // bottom-left
        VLine(canvas, l, b1 - n + 1, b1 + 1);
    }
    return rect.Insetted(1, 1);
}

Rect PaintDottedFocusFrame(TCanvas& canvas, const Rect& rect) {
    const Rect& r = rect;
    for (int y = r.top + 1; y < r.bottom; y += 2) {
        FramePixel(canvas, r, r.left, y, ui::clBlack);
        FramePixel(canvas, r, r.right - 1, y, ui::clBlack);
    }
    for (int x = r.left + 1; x < r.right; x += 2) {
        FramePixel(canvas, r, x, r.top, ui::clBlack);
        FramePixel(canvas, r, x, r.bottom - 1, ui::clBlack);
    }
    return rect.Insetted(1, 1);
}

Rect PaintRoundedFlatFrame(TCanvas& canvas, const Rect& rect, TColor color, TSides sides) {
    const bool left = HasSide(sides, sdLeft), top = HasSide(sides, sdTop);
    const bool right = HasSide(sides, sdRight), bottom = HasSide(sides, sdBottom);
    const Rect& r = rect;
    const Rect inner = InsetSides(rect, sides, 2);
    if (color != ui::clNone && !r.IsEmpty()) {
        canvas.SetPen(color, 1);
        // The lines stop two pixels short of a chosen neighbouring side, leaving the outermost
        // corner pixel unpainted: that gap is the cut corner.
        if (left) VLine(canvas, r.left, inner.top, inner.bottom);
        if (top) HLine(canvas, r.top, inner.left, inner.right);
        if (right) VLine(canvas, r.right - 1, inner.top, inner.bottom);
        if (bottom) HLine(canvas, r.bottom - 1, inner.left, inner.right);
        if (left && top) FramePixel(canvas, r, r.left + 1, r.top + 1, color);
        if (top && right) FramePixel(canvas, r, r.right - 2, r.top + 1, color);
        if (right && bottom) FramePixel(canvas, r, r.right - 2, r.bottom - 2, color);
        if (left && bottom) FramePixel(canvas, r, r.left + 1, r.bottom - 2, color);
    }
    return inner;
}

// ---- Composite frames -------------------------------------------------------------------

int FrameStyleWidth(TFrameStyleEx style, int bevelWidth) {
    switch (style) {
    case fsNone: return 0;
    case fsFlat: return 1;
    case fsStatus:
    case fsPopup: return bevelWidth;
    default: return 2;
    }
}

Rect TFrameSettings::InsideFrames(const Rect& rect) const { return InsetSides(rect, BorderSides, FramesWidth()); }

Rect PaintInnerOuterFrames(TCanvas& canvas, const Rect& rect, const TFrameSettings& frame, TColor color,
                           TColor parentColor, bool transparent) {
    const TFrameStyleEx outerStyle = frame.BorderOuter, innerStyle = frame.BorderInner;
    const TSides sides = frame.BorderSides;
    const int borderWidth = frame.BorderWidth, bevelWidth = frame.BevelWidth;
    const TColor borderColor = frame.BorderColor, borderHighlight = frame.BorderHighlight;
    const TColor borderShadow = frame.BorderShadow;
    const TColor fc = ShiftColorLuminance(frame.FlatColor, frame.FlatColorAdjustment);
    Rect r = rect;

    // Outer frame.
    switch (outerStyle) {
    case fsFlat: r = PaintBevel(canvas, r, fc, fc, sides, 1); break;
    case fsFlatBold: r = PaintBevel(canvas, r, fc, fc, sides, 2); break;
    case fsFlatRounded: {
        const bool banded = borderWidth > 0 || innerStyle != fsNone;
        if (!transparent) {
            // The cut corners show the parent's colour; the ring inside joins the frame to
            // the border band, or to the face when there is none.
            Rect inside = PaintBevel(canvas, r, parentColor, parentColor, sides, 1);
            const TColor ring = banded ? borderColor : color;
            PaintBevel(canvas, inside, ring, ring, sides, 1);
        } else if (banded) {
            PaintBevel(canvas, r.Insetted(1, 1), borderColor, borderColor, sides, 1);
        }
        r = PaintRoundedFlatFrame(canvas, r, fc, sides);
        break;
    }
    case fsStatus: r = PaintBevel(canvas, r, borderShadow, borderHighlight, sides, bevelWidth); break;
    case fsPopup: r = PaintBevel(canvas, r, borderHighlight, borderShadow, sides, bevelWidth); break;
    default: r = PaintFrameStyle(canvas, r, outerStyle, sides); break;
    }

    // Border band.
    if (borderWidth > 0) r = PaintBevel(canvas, r, borderColor, borderColor, sides, borderWidth);

    // Inner frame.
    switch (innerStyle) {
    case fsFlat: r = PaintBevel(canvas, r, fc, fc, sides, 1); break;
    case fsFlatBold: r = PaintBevel(canvas, r, fc, fc, sides, 2); break;
    case fsFlatRounded: {
        Rect inside = PaintBevel(canvas, r, borderColor, borderColor, sides, 1);
        if (!transparent) PaintBevel(canvas, inside, color, color, sides, 1);
        r = PaintRoundedFlatFrame(canvas, r, fc, sides);
        break;
    }
    case fsStatus: r = PaintBevel(canvas, r, borderShadow, borderHighlight, sides, bevelWidth); break;
    case fsPopup: r = PaintBevel(canvas, r, borderHighlight, borderShadow, sides, bevelWidth); break;
    default: r = PaintFrameStyle(canvas, r, innerStyle, sides); break;
    }
    return r;
}

void PaintNonClientFrame(TCanvas& canvas, int width, int height, TSides sides, TColor frameColor, TColor controlColor,
                         TFrameStyle style) {
    const Rect r{0, 0, width, height};
    // Erase the whole two-pixel non-client border first.
    PaintBevel(canvas, r, controlColor, controlColor, kAllSides, 2);
    if (style == fsFlat)
        PaintFrameSides(canvas, r, frameColor, frameColor, sides);
    else if (style == fsFlatBold)
        PaintBevel(canvas, r, frameColor, frameColor, sides, 2);
    else if (controlColor == ui::clWindow)
        PaintFrameStyle(canvas, r, style, sides);
    else
        PaintTintedFrameStyle(canvas, r, controlColor, style, sides);
}

// ---- Gradient backdrops -----------------------------------------------------------------

namespace {

// The explorer-bar background through the theme service (part and state 0: the bar's own
// background). False when the service or the theme class is not there, so the caller can fall
// back.
bool DrawExplorerBarBackground(HDC dc, const Rect& rect) { return DrawThemePart(nullptr, L"EXPLORERBAR", 0, 0, dc, rect); }

} // namespace

void PaintGroupBarBackdrop(TCanvas& canvas, const Rect& rect, TWkVisualStyle visualStyle,
                           TWkGradientColorStyle colorStyle, TColor customStart, TColor customStop,
                           TWkGroupBarGradientPath path) {
    if (visualStyle == vsWinXP && VisualThemesActive()) {
        if (DrawExplorerBarBackground(canvas.Handle(), rect)) return;
    }
    if (visualStyle == vsClassic || !KitFullColor()) return;
    TGradientColors c = colorStyle == gcsCustom ? TGradientColors{customStart, customStop}
                                                : GroupBarGradientColors(colorStyle);
    if (path == gpBottomToTop) std::swap(c.Start, c.Stop);
    FillGradient(canvas, rect, gdHorizontalEnd, c.Start, c.Stop);
}

void PaintGradientRing(TCanvas& canvas, const Rect& rect, TGradientDirection direction, TColor start, TColor stop) {
    if (!KitFullColor()) return;
    HDC dc = canvas.Handle();
    // Keep the caller's clip region (a paint's update region, say) and put it back afterwards
    // instead of leaving the canvas with no clipping at all.
    ui::RegionOwner saved(CreateRectRgn(0, 0, 0, 0));
    const bool hadClip = saved && GetClipRgn(dc, saved) == 1;
    const Rect inner = rect.Insetted(2, 2);
    if (!inner.IsEmpty()) ExcludeClipRect(dc, inner.left, inner.top, inner.right, inner.bottom);
    FillGradient(canvas, rect, direction, start, stop);
    SelectClipRgn(dc, hadClip ? saved.Get() : nullptr);
}

} // namespace wk
