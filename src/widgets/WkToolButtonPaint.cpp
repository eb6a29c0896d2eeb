// TWkToolButton: painting. Paint runs the steps in order: face (gradient, themed or classic),
// the opaque fill, the classic looks' latched dither, the drop-down arrow part, then the
// image and the caption in the rectangles ComputeContentRects lays out.
#include "widgets/WkFrames.h"
#include "widgets/WkGradient.h"
#include "widgets/WkGraphics.h"
#include "widgets/WkThemeParts.h"
#include "widgets/WkToolButton.h"
#include <map>
#include <utility>

namespace wk {

using ui::Rect;
using ui::TCanvas;

namespace {

// More colour pairs than this in one process would mean colours computed on the fly; the
// cache then starts again rather than grow without end.
constexpr std::size_t kMaxCachedPatterns = 32;

// The 8 x 8 latched dither for one colour pair: `odd` where x + y is odd, `even` elsewhere.
// Built once per pair and kept for the life of the process.
HBITMAP LatchedPattern(COLORREF odd, COLORREF even) {
    static std::map<std::pair<COLORREF, COLORREF>, ui::BitmapOwner> cache;
    const auto key = std::pair{odd, even};
    if (auto found = cache.find(key); found != cache.end()) return found->second;
    if (cache.size() >= kMaxCachedPatterns) cache.clear();
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), 8, -8, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    ui::BitmapOwner pattern(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!pattern) return nullptr;
    auto* pixels = static_cast<DWORD*>(bits);
    auto toDib = [](COLORREF c) { return DWORD(GetRValue(c)) << 16 | DWORD(GetGValue(c)) << 8 | GetBValue(c); };
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) pixels[y * 8 + x] = toDib((x + y) % 2 ? odd : even);
    return cache.emplace(key, std::move(pattern)).first->second;
}

} // namespace

void TWkToolButton::Paint(TCanvas& canvas, const Rect&) {
    if (!Enabled()) {
        FFaceState = fstDisabled;
        FTracking = false;
    } else if (FFaceState == fstDisabled) {
        FFaceState = (FDown && FGroupIndex != 0) ? fstLatched : fstUp;
    }
    Rect r = ClientRect();
    PaintFace(canvas, r);
    if (!FTransparent) {
        canvas.SetBrush(Color());
        canvas.FillRect(r);
    }
    if (FVisualStyle != vsGradient && (FVisualStyle == vsClassic || !VisualThemesActive()) &&
        FFaceState == fstLatched && (!FFlat || !FMouseInside))
        PaintLatchedDither(canvas, r);
    if (FToolStyle == tsDropDown) PaintArrowPart(canvas);
    Rect imageRect, captionRect;
    ComputeContentRects(canvas, imageRect, captionRect);
    PaintImage(canvas, imageRect);
    PaintCaption(canvas, captionRect);
}

void TWkToolButton::PaintFace(TCanvas& canvas, Rect& rect) {
    if (FVisualStyle == vsGradient) PaintGradientFace(canvas, rect);
    else if (IsThemed()) PaintThemedFace(canvas, rect);
    else PaintClassicFace(canvas, rect);
}

TSelectionColors TWkToolButton::FaceColors() const {
    if (FGradientColorStyle == gcsCustom) return {FSelectionFrameColor, FSelectionColorStart, FSelectionColorStop};
    return ToolButtonSelectionColors(FGradientColorStyle);
}

void TWkToolButton::PaintGradientFace(TCanvas& canvas, Rect& rect) {
    const bool hot = FMouseInside && FFaceState != fstDisabled;
    const bool designing = IsDesigning();
    if (!PressedOrLatched() && !hot && !designing) return; // idle: only the image shows
    const TSelectionColors c = FaceColors();
    rect = designing ? PaintCornerMarks(canvas, rect.Insetted(1, 1), c.Frame, 4) : OutlineRect(canvas, rect, c.Frame);
    TColor top = c.Start, bottom = c.Stop;
    switch (FFaceState) {
    case fstUp:
    case fstDisabled:
        if (!hot) return; // designing: corner marks only
        break;
    case fstPressed:
    case fstArrowPressed: top = c.Stop; bottom = c.Start; break;
    case fstLatched:
        if (!FMouseInside) {
            top = DarkenColor(c.Stop, 40);
            bottom = c.Start;
        } else if (FDown) {
            top = c.Stop;
            bottom = c.Start;
        }
        break;
    }
    FillGradient(canvas, rect, gdHorizontalEnd, top, bottom);
}

void TWkToolButton::PaintThemedFace(TCanvas& canvas, const Rect& rect) {
    using namespace theme;
    const bool active = PressedOrLatched() || FFaceState == fstArrowPressed ||
                        (FMouseInside && FFaceState != fstDisabled) || IsDesigning();
    HWND window = Parent() ? Parent()->Handle() : nullptr;
    if (!FFlat) {
        int state = PBS_NORMAL;
        if (!Enabled()) state = PBS_DISABLED;
        else if (PressedOrLatched()) state = PBS_PRESSED;
        else if ((FMouseInside && FFaceState != fstDisabled) || IsDesigning()) state = PBS_HOT;
        canvas.Realize();
        DrawThemePart(window, L"button", BP_PUSHBUTTON, state, canvas.Handle(), ClientRect());
        return;
    }
    Rect face = rect;
    const bool split = IsSplit();
    if (split) face.right -= kToolButtonArrowWidth;
    int state = TS_NORMAL;
    if (active) {
        if (FFaceState == fstPressed) state = TS_PRESSED;
        else if (FFaceState == fstLatched) state = FMouseInside ? TS_HOTCHECKED : TS_CHECKED;
        else if (FFaceState == fstArrowPressed && !split) state = TS_PRESSED;
        else state = TS_HOT;
    }
    canvas.Realize();
    DrawThemePart(window, L"toolbar", split ? TP_SPLITBUTTON : TP_BUTTON, state, canvas.Handle(), face);
}

void TWkToolButton::PaintClassicFace(TCanvas& canvas, Rect& rect) {
    if (!IsFlatLook()) {
        rect = PaintFrameStyle(canvas, rect, PressedOrLatched() ? fsLowered : fsButtonUp);
        return;
    }
    if (PressedOrLatched()) rect = PaintFrameStyle(canvas, rect, fsStatus);
    else if ((FMouseInside && FFaceState != fstDisabled) || IsDesigning()) rect = PaintFrameStyle(canvas, rect, fsPopup);
}

void TWkToolButton::PaintLatchedDither(TCanvas& canvas, const Rect& rect) {
    // Checkerboard: B where x + y is odd, F where it is even.
    const COLORREF b = ui::ColorToRGB(FTransparent ? ui::clBtnFace : Color());
    const COLORREF f = ui::ColorToRGB(FTransparent ? ui::clBtnHighlight : LightenColor(Color(), 20));
    HBITMAP pattern = LatchedPattern(b, f);
    if (!pattern) return;
    canvas.SetBrushBitmap(pattern);
    canvas.FillRect(rect);
    canvas.SetBrushBitmap(nullptr);
}

void TWkToolButton::PaintArrowPart(TCanvas& canvas) {
    const bool split = IsSplit();
    const bool themed = IsThemed();
    int x = Width() - kToolButtonArrowWidth;
    if (themed && split) {
        using namespace theme;
        int state = TS_NORMAL;
        if (!Enabled()) state = TS_DISABLED;
        else if (FFaceState == fstPressed || FFaceState == fstArrowPressed) state = TS_PRESSED;
        else if ((FMouseInside && FFaceState != fstDisabled) || IsDesigning()) state = TS_HOT;
        const Rect strip{Width() - kToolButtonArrowWidth, 0, Width(), Height()};
        DrawThemePart(Parent() ? Parent()->Handle() : nullptr, L"toolbar", TP_SPLITBUTTONDROPDOWN, state,
                      canvas.Handle(), strip);
        return;
    }
    if (!themed) {
        if (FFaceState == fstArrowPressed) {
            Rect p = ClientRect();
            if (split) {
                const int w = FVisualStyle == vsGradient ? 15 : 14;
                p = Rect{Width() - w, 0, Width(), Height()};
            }
            if (FVisualStyle == vsGradient) {
                // The pressed arrow always takes the scheme colours, even for gcsCustom.
                const TSelectionColors c = ToolButtonSelectionColors(FGradientColorStyle);
                FillGradient(canvas, OutlineRect(canvas, p, c.Frame), gdHorizontalEnd, c.Stop, c.Start);
            } else {
                PaintFrameStyle(canvas, p, fsStatus);
            }
        } else if (Enabled() && (!IsFlatLook() || FMouseInside)) {
            if (FVisualStyle != vsGradient && FFaceState == fstPressed) ++x;
            if (split) {
                if (FVisualStyle == vsGradient) {
                    canvas.SetPen(ToolButtonSelectionColors(FGradientColorStyle).Frame);
                    canvas.MoveTo(x - 1, 0);
                    canvas.LineTo(x - 1, Height());
                } else if (FFaceState != fstPressed) {
                    canvas.SetPen(ui::clBtnHighlight);
                    canvas.MoveTo(x, 0);
                    canvas.LineTo(x, Height());
                    canvas.SetPen(ui::clBtnShadow);
                    canvas.MoveTo(x - 1, 0);
                    canvas.LineTo(x - 1, Height());
                }
            }
        }
    }
    int ax = Width() - 8;
    int ay = Height() / 2 + 2;
    if (FVisualStyle != vsGradient && (FFaceState == fstPressed || FFaceState == fstArrowPressed)) {
        ++ax;
        ++ay;
    }
    const TColor arrow = Enabled() ? ui::clWindowText : ui::clBtnShadow;
    canvas.SetPen(arrow);
    canvas.SetBrush(arrow);
    canvas.Polygon({{ax, ay}, {ax - 2, ay - 2}, {ax + 2, ay - 2}});
}

ui::Point TWkToolButton::ImageSize() const {
    if (ui::TImageList* images = EffectiveImages()) return {images->Width(), images->Height()};
    return {0, 0};
}

void TWkToolButton::ComputeContentRects(TCanvas& canvas, Rect& imageRect, Rect& captionRect) {
    Rect a = ClientRect();
    if (FToolStyle == tsDropDown) a.right -= kToolButtonArrowWidth;
    a.Inset(2, 2);
    const ui::Point image = ImageSize();
    const int w = image.x, h = image.y;
    if (!FShowCaption || Caption().empty()) {
        imageRect = CenteredRect(a, w, h);
        captionRect = Rect{};
    } else {
        Rect measure = a;
        switch (FLayout) {
        case blGlyphLeft: measure.left += w; break;
        case blGlyphRight: measure.right -= w; break;
        case blGlyphTop: measure.top += h; break;
        case blGlyphBottom: measure.bottom -= h; break;
        }
        canvas.SetFont(Font());
        canvas.DrawText(Caption(), measure, DT_CALCRECT | DT_WORDBREAK | DT_EXPANDTABS | DT_CENTER | DT_VCENTER);
        const int tw = measure.Width(), th = measure.Height();
        int ix = 0, iy = 0, cx = 0, cy = 0;
        switch (FLayout) {
        case blGlyphLeft:
            ix = a.left + (a.Width() - (w + 4 + tw)) / 2;
            iy = a.top + (a.Height() - h) / 2;
            cx = ix + w + 4;
            cy = a.top + (a.Height() - th) / 2;
            break;
        case blGlyphRight:
            ix = a.right - w - (a.Width() - (w + 4 + tw)) / 2;
            iy = a.top + (a.Height() - h) / 2;
            cx = ix - tw - 4;
            cy = a.top + (a.Height() - th) / 2;
            break;
        case blGlyphTop:
            ix = a.left + (a.Width() - w) / 2;
            iy = a.top + (a.Height() - (h + 4 + th)) / 2;
            cx = a.left + (a.Width() - tw) / 2;
            cy = iy + h + 4;
            break;
        case blGlyphBottom:
            ix = a.left + (a.Width() - w) / 2;
            iy = a.bottom - h - (a.Height() - (h + 4 + th)) / 2;
            cx = a.left + (a.Width() - tw) / 2;
            cy = iy - th - 4;
            break;
        }
        imageRect = Rect::FromXYWH(ix, iy, w, h);
        captionRect = Rect::FromXYWH(cx, cy, tw, th);
    }
    if (PressedLook() && FVisualStyle != vsGradient) {
        const int dy = IsThemed() ? 0 : 1;
        imageRect.Offset(1, dy);
        captionRect.Offset(1, dy);
    }
}

void TWkToolButton::PaintImage(TCanvas& canvas, const Rect& imageRect) {
    ui::TImageList* images = EffectiveImages();
    if (!images || FImageIndex == -1) return;
    const int x = imageRect.left, y = imageRect.top;
    if (PressedLook() && FDownIndex != -1) {
        images->Draw(canvas, x, y, FDownIndex, true);
        return;
    }
    const bool hotImage = FHotIndex != -1 && FMouseInside;
    if (FDisabledIndex == -1) {
        images->Draw(canvas, x, y, hotImage && Enabled() ? FHotIndex : FImageIndex, Enabled());
    } else {
        images->Draw(canvas, x, y, !Enabled() ? FDisabledIndex : hotImage ? FHotIndex : FImageIndex, true);
    }
}

void TWkToolButton::PaintCaption(TCanvas& canvas, const Rect& captionRect) {
    if (!FShowCaption) return;
    ui::TFont font = Font();
    if (!Enabled()) font.Color = ui::clBtnShadow;
    else if (FFaceState == fstPressed && FVisualStyle != vsGradient) font.Color = ui::clHighlightText;
    canvas.SetFont(font);
    canvas.SetBrush(Color(), ui::TBrushStyle::Clear);
    canvas.SetTextBackgroundTransparent(true);
    Rect r = captionRect;
    canvas.DrawText(Caption(), r, DT_WORDBREAK | DT_EXPANDTABS | DT_CENTER | DT_VCENTER);
    canvas.SetBrush(Color(), ui::TBrushStyle::Solid);
}

} // namespace wk
