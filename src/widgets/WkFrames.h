// Frame painters: each draws a frame on the chosen sides of a rectangle with one-pixel lines
// of the canvas pen and returns the rectangle left inside the frame, where the caller paints
// its content. Sides not in the set are neither drawn nor inset. clNone suppresses drawing in
// that colour but never the inset.
#pragma once
#include "ui/Canvas.h"
#include "ui/Geometry.h"
#include "widgets/WkColors.h"
#include "widgets/WkEnums.h"

namespace wk {

// One ring: left and top in upperLeft, then right and bottom in lowerRight (so the top-right
// and bottom-left corner pixels take lowerRight). Inset 1 per chosen side.
ui::Rect PaintFrameSides(ui::TCanvas& canvas, const ui::Rect& rect, TColor upperLeft, TColor lowerRight,
                         TSides sides = kAllSides);
// `width` nested rings; inset by width per chosen side (unchanged when width <= 0).
ui::Rect PaintBevel(ui::TCanvas& canvas, const ui::Rect& rect, TColor upperLeft, TColor lowerRight,
                    TSides sides, int width);
// Two-ring 3-D raised or lowered border; inset 2.
ui::Rect Paint3DBorder(ui::TCanvas& canvas, const ui::Rect& rect, bool lowered, TSides sides = kAllSides);
// Two-ring button up or down border; inset 2.
ui::Rect PaintButtonBorder(ui::TCanvas& canvas, const ui::Rect& rect, bool down, TSides sides = kAllSides);
// Button border in shades of baseColor; inset 2.
ui::Rect PaintTintedButtonBorder(ui::TCanvas& canvas, const ui::Rect& rect, TColor baseColor, bool down,
                                 TSides sides = kAllSides);
// A frame style in system colours / in shades of baseColor.
ui::Rect PaintFrameStyle(ui::TCanvas& canvas, const ui::Rect& rect, TFrameStyle style, TSides sides = kAllSides);
ui::Rect PaintTintedFrameStyle(ui::TCanvas& canvas, const ui::Rect& rect, TColor baseColor, TFrameStyle style,
                               TSides sides = kAllSides);
// One-pixel outline on all four sides; inset 1.
ui::Rect OutlineRect(ui::TCanvas& canvas, const ui::Rect& rect, TColor color);
// Only the four corners of an outline, each with two arms of armLength pixels; inset 1.
ui::Rect PaintCornerMarks(ui::TCanvas& canvas, const ui::Rect& rect, TColor color, int armLength);
// Dotted black outline (every other pixel); inset 1.
ui::Rect PaintDottedFocusFrame(ui::TCanvas& canvas, const ui::Rect& rect);
// One-pixel frame whose outermost corner pixels stay unpainted; inset 2 per chosen side.
ui::Rect PaintRoundedFlatFrame(ui::TCanvas& canvas, const ui::Rect& rect, TColor color, TSides sides = kAllSides);

// Width a frame style takes on one side (the layout inset): fsStatus and fsPopup are
// bevelWidth wide, fsFlat 1, fsNone 0, every other style 2.
int FrameStyleWidth(TFrameStyleEx style, int bevelWidth);

// The border of a panel or a label: an outer frame, a band of BorderColor BorderWidth wide and
// an inner frame, on BorderSides. FlatColor (shifted by FlatColorAdjustment) draws the flat
// styles; BorderShadow and BorderHighlight draw fsStatus and fsPopup, BevelWidth rings wide.
struct TFrameSettings {
    TFrameStyleEx BorderOuter = fsNone;
    TFrameStyleEx BorderInner = fsNone;
    TSides BorderSides = kAllSides;
    int BorderWidth = 0;
    int BevelWidth = 1;
    TColor BorderColor = ui::clBtnFace;
    TColor BorderHighlight = ui::clBtnHighlight;
    TColor BorderShadow = ui::clBtnShadow;
    TColor FlatColor = ui::clBtnShadow;
    int FlatColorAdjustment = 30;

    // Both frames' width on one chosen side, the band not counted.
    int FramesWidth() const { return FrameStyleWidth(BorderOuter, BevelWidth) + FrameStyleWidth(BorderInner, BevelWidth); }
    // `rect` less both frames on the chosen sides.
    ui::Rect InsideFrames(const ui::Rect& rect) const;
    bool operator==(const TFrameSettings&) const = default;
};

// The panel and label border: outer frame, band, inner frame. `color` is the face the
// fsFlatRounded rings join, `parentColor` shows in their cut corners unless `transparent`.
// Returns the content rect.
ui::Rect PaintInnerOuterFrames(ui::TCanvas& canvas, const ui::Rect& rect, const TFrameSettings& frame, TColor color,
                               TColor parentColor, bool transparent);

// Themed (vsWinXP with active themes) or gradient background of a bar; nothing for classic.
void PaintGroupBarBackdrop(ui::TCanvas& canvas, const ui::Rect& rect, TWkVisualStyle visualStyle,
                           TWkGradientColorStyle colorStyle, TColor customStart, TColor customStop,
                           TWkGroupBarGradientPath path);
// The frame of a control's non-client border on (0, 0, width, height).
void PaintNonClientFrame(ui::TCanvas& canvas, int width, int height, TSides sides, TColor frameColor,
                         TColor controlColor, TFrameStyle style);
// A gradient confined to the 2-pixel band along the rectangle's edge (full-colour screens only).
void PaintGradientRing(ui::TCanvas& canvas, const ui::Rect& rect, TGradientDirection direction, TColor start,
                       TColor stop);

} // namespace wk
