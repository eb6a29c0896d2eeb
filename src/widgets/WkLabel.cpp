#include "widgets/WkLabel.h"
#include "ui/Application.h"
#include "ui/Layout.h"
#include "widgets/WkBlink.h"
#include "widgets/WkColors.h"
#include "widgets/WkFrames.h"
#include "widgets/WkGraphics.h"
#include "widgets/WkPanel.h"
#include "widgets/WkShellLink.h"
#include <algorithm>
#include <cmath>
#include <numbers>

namespace wk {

using ui::Rect;
using ui::TColor;

// =============================================================================================
// [1] Helpers
// =============================================================================================

int NormalizeAngle(int degrees) { return ((degrees % 360) + 360) % 360; }

// =============================================================================================
// [3] TWkLabel: properties
// =============================================================================================

TWkLabel::TWkLabel(ui::TComponent* owner) : ui::TLabel(owner) {
    SetColor(ui::clBtnFace);
    SetParentColor(true);
    FNormalTextColor = FPaintTextColor = Font().Color;
    // The blink list talks to window handles and a label has none: a receiver stands for it.
    FBlink = std::make_unique<TWkBlinkReceiver>([this](UINT msg, WPARAM w, LPARAM l) { return Perform(msg, w, l); });
}

TWkLabel::~TWkLabel() = default;

void TWkLabel::SwitchToTrueTypeFont() {
    if (IsTrueTypeFont(Font())) return;
    ui::TFont font = Font();
    font.Name = L"Verdana";
    SetFont(font);
}

void TWkLabel::SetAngle(int value) {
    value = NormalizeAngle(value);
    if (FAngle == value) return;
    FAngle = value;
    if (!IsLoading() && FAngle != 0) SwitchToTrueTypeFont();
    // The rotation switches without going through SetRotation, which would put the angle
    // just set back to 0.
    if (FAngle != 0 && FRotation == roNone) FRotation = roFlat;
    AdjustBounds();
    Repaint();
}

void TWkLabel::SetRotation(TRotation value) {
    if (FRotation == value) return;
    FRotation = value;
    if (!IsLoading() && value != roNone) SwitchToTrueTypeFont();
    if (value == roNone || value == roFlat) FAngle = 0;
    if (value == roFlat) FCenterPoint = cpCenter;
    AdjustBounds();
    Invalidate();
}

void TWkLabel::SetCenterPoint(TCenterPoint value) { SetAndInvalidate(FCenterPoint, value); }

void TWkLabel::SetBlinking(bool value) {
    if (FBlinking == value) return;
    FBlinking = value;
    // Switched on, the colour changes at the timer's next phase; off, at once.
    if (!value) {
        FPaintTextColor = FNormalTextColor;
        Repaint();
    }
}

void TWkLabel::SetBlinkColor(TColor value) { SetAndInvalidate(FBlinkColor, value); }

std::uint16_t TWkLabel::BlinkIntervalOn() const {
    const TWkBlinkingControlsList* list = BlinkingControls();
    return list ? list->IntervalOn() : TWkBlinkingControlsList::kDefaultInterval;
}

void TWkLabel::SetBlinkIntervalOn(std::uint16_t ms) {
    if (TWkBlinkingControlsList* list = BlinkingControls()) list->SetIntervalOn(ms);
}

std::uint16_t TWkLabel::BlinkIntervalOff() const {
    const TWkBlinkingControlsList* list = BlinkingControls();
    return list ? list->IntervalOff() : TWkBlinkingControlsList::kDefaultInterval;
}

void TWkLabel::SetBlinkIntervalOff(std::uint16_t ms) {
    if (TWkBlinkingControlsList* list = BlinkingControls()) list->SetIntervalOff(ms);
}

void TWkLabel::SetBlinkPhase(bool on) {
    FPaintTextColor = on ? FBlinkColor : FNormalTextColor;
    Repaint();
}

bool TWkLabel::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    if (msg == CM_BLINKQUERY) {
        result = FBlinking ? 1 : 0;
        return true;
    }
    if (msg == CM_BLINKSTATE) {
        if (FBlinking) SetBlinkPhase(wParam != 0);
        result = 0;
        return true;
    }
    return ui::TLabel::HandleMessage(msg, wParam, lParam, result);
}

void TWkLabel::FrameChanged() {
    AdjustBounds();
    Invalidate();
}

void TWkLabel::SetBorderOuter(TFrameStyleEx value) { if (StoreIfChanged(FFrame.BorderOuter, value)) FrameChanged(); }
void TWkLabel::SetBorderInner(TFrameStyleEx value) { if (StoreIfChanged(FFrame.BorderInner, value)) FrameChanged(); }
void TWkLabel::SetBorderSides(TSides value) { if (StoreIfChanged(FFrame.BorderSides, value)) FrameChanged(); }
void TWkLabel::SetBorderWidth(int value) { if (StoreIfChanged(FFrame.BorderWidth, value)) FrameChanged(); }
void TWkLabel::SetBevelWidth(int value) { if (StoreIfChanged(FFrame.BevelWidth, value)) FrameChanged(); }
void TWkLabel::SetTextMargin(int value) { if (StoreIfChanged(FTextMargin, value)) FrameChanged(); }
void TWkLabel::SetShadowDepth(int value) { if (StoreIfChanged(FShadowDepth, value)) FrameChanged(); }
void TWkLabel::SetTextStyle(TTextStyle value) { if (StoreIfChanged(FTextStyle, value)) FrameChanged(); }
void TWkLabel::SetBorderColor(TColor value) { SetAndInvalidate(FFrame.BorderColor, value); }
void TWkLabel::SetBorderHighlight(TColor value) { SetAndInvalidate(FFrame.BorderHighlight, value); }
void TWkLabel::SetBorderShadow(TColor value) { SetAndInvalidate(FFrame.BorderShadow, value); }
void TWkLabel::SetFlatColor(TColor value) { SetAndInvalidate(FFrame.FlatColor, value); }
void TWkLabel::SetFlatColorAdjustment(int value) { SetAndInvalidate(FFrame.FlatColorAdjustment, value); }
void TWkLabel::SetLightTextStyle(bool value) { SetAndInvalidate(FLightTextStyle, value); }
void TWkLabel::SetHighlightColor(TColor value) { SetAndInvalidate(FHighlightColor, value); }
void TWkLabel::SetShadowColor(TColor value) { SetAndInvalidate(FShadowColor, value); }

void TWkLabel::ApplyFrameController(const TWkFrameController& fc) { ApplyFrameSettings(*this, FFrameLink, fc); }

void TWkLabel::SetCondenseCaption(TWkCondenseCaption value) {
    if (FCondenseCaption == value) return;
    FCondenseCaption = value;
    // A shortened caption needs a width of its own to be shortened to.
    if (value != ccNone) SetAutoSize(false);
    Invalidate();
}

void TWkLabel::SetFlyByEnabled(bool value) {
    if (FFlyByEnabled == value) return;
    FFlyByEnabled = value;
    if (!value && FFlyByActive) EndFlyBy();
}

void TWkLabel::SetAutoSize(bool value) {
    WithKitSizing([&] { ui::TLabel::SetAutoSize(value); });
}

void TWkLabel::SetWordWrap(bool value) {
    WithKitSizing([&] { ui::TLabel::SetWordWrap(value); });
}

void TWkLabel::MouseEnter() {
    if (FFlyByEnabled && !FFlyByActive) {
        FFlyByActive = true;
        FFlyBySavedColor = Font().Color;
        FFlyBySavedParentFont = ParentFont();
        ui::TFont font = Font();
        font.Color = FFlyByColor;
        SetFont(font);
    }
    ui::TLabel::MouseEnter();
}

void TWkLabel::EndFlyBy() {
    FFlyByActive = false;
    ui::TFont font = Font();
    font.Color = FFlyBySavedColor;
    SetFont(font);
    // Setting the font cut the label loose from its parent's; a label that followed it
    // goes on following it.
    if (FFlyBySavedParentFont) SetParentFont(true);
}

void TWkLabel::MouseLeave() {
    if (FFlyByEnabled && FFlyByActive) EndFlyBy();
    ui::TLabel::MouseLeave();
}

// The framework label's own handlers size it to the bare text, keeping its centre or right
// edge by that size; a kit label then grew by its frames from the wrong place and a centred
// one crept right at every change. Its handlers are skipped here: the kit sizes alone.

void TWkLabel::WithKitSizing(const std::function<void()>& frameworkChange) {
    const Rect before = BoundsRect();
    frameworkChange();
    if (AutoSize() && !IsLoading() && BoundsRect() != before) SetBoundsRect(before);
    AdjustBounds();
}

void TWkLabel::SetShowAccelChar(bool value) {
    WithKitSizing([&] { ui::TLabel::SetShowAccelChar(value); });
}

void TWkLabel::TextChanged() {
    ui::TGraphicControl::TextChanged(); // invalidates
    AdjustBounds();
    Repaint();
}

void TWkLabel::FontChanged() {
    ui::TGraphicControl::FontChanged(); // invalidates
    if (IsLoading()) return;
    if (!FBlinking) FNormalTextColor = FPaintTextColor = Font().Color;
    if (FAngle != 0 && !IsTrueTypeFont(Font())) FAngle = 0;
    AdjustBounds();
}

void TWkLabel::Loaded() {
    ui::TGraphicControl::Loaded(); // the framework label's sizing is replaced by AdjustBounds
    if (FRotation == roNone && FAngle != 0) FRotation = roFlat;
    if (FRotation != roNone) SwitchToTrueTypeFont();
    FNormalTextColor = FPaintTextColor = Font().Color;
    AdjustBounds();
}

// =============================================================================================
// [4] Sizing
// =============================================================================================

Rect TWkLabel::ShrinkByFrames(const Rect& rect, bool withBand) const {
    Rect r = rect;
    if (withBand) r.Inset(FFrame.BorderWidth, FFrame.BorderWidth);
    return FFrame.InsideFrames(r);
}

ui::Size TWkLabel::GrowByFrames(ui::Size text) const {
    int w = text.cx, h = text.cy;
    const int frames = FFrame.FramesWidth() + FFrame.BorderWidth;
    const TSides sides = FFrame.BorderSides;
    w += (HasSide(sides, sdLeft) ? frames : 0) + (HasSide(sides, sdRight) ? frames : 0);
    h += (HasSide(sides, sdTop) ? frames : 0) + (HasSide(sides, sdBottom) ? frames : 0);
    // The painted text stands TextMargin inside the frames on every side: without room for
    // it an auto-sized label would cut its own caption off.
    w += 2 * FTextMargin;
    h += 2 * FTextMargin;
    if (FTextStyle == tsShadow && FRotation == roNone) {
        w += FShadowDepth;
        h += FShadowDepth;
    }
    if (FRotation == roFlat && FAngle != 0 && FAngle != 180) {
        if (FTextStyle == tsShadow) {
            w += FShadowDepth / 2;
            h += FShadowDepth / 2;
        }
        double beta = (FAngle % 90) + ((FAngle == 90 || FAngle == 270) ? 90 : 0);
        beta *= std::numbers::pi / 180.0;
        const double c = std::cos(beta), s = std::sin(beta);
        const int turnedW = static_cast<int>(std::lround(w * c + h * s));
        const int turnedH = static_cast<int>(std::lround(w * s + h * c));
        w = turnedW;
        h = turnedH;
    }
    return {w, h};
}

void TWkLabel::AdjustBounds() {
    if (!AutoSize() || IsLoading()) return;
    Rect r = ShrinkByFrames(ClientRect(), true);
    r = r.MovedTo({0, 0});
    ui::MemoryDcOwner dc(CreateCompatibleDC(nullptr));
    ui::TCanvas canvas(dc);
    canvas.SetFont(Font());
    std::wstring text = Caption();
    if (text.empty()) text = L" ";
    UINT flags = DT_CALCRECT | DT_EXPANDTABS;
    if (WordWrap()) flags |= DT_WORDBREAK;
    if (!ShowAccelChar()) flags |= DT_NOPREFIX;
    if (!WordWrap()) r.right = r.left;
    canvas.DrawText(text, r, flags);
    const ui::Size size = GrowByFrames({r.Width(), r.Height()});
    int left = Left();
    if (Alignment() == ui::taRightJustify) left = Left() + Width() - size.cx;
    SetBounds(left, Top(), size.cx, size.cy);
}

// =============================================================================================
// [5] Painting
// =============================================================================================

void TWkLabel::Paint(ui::TCanvas& canvas, const Rect& update) {
    const TColor parentColor = Parent() ? Parent()->Color() : Color();
    const Rect inside = PaintInnerOuterFrames(canvas, ClientRect(), FFrame, Color(), parentColor, Transparent());
    if (!Transparent()) {
        canvas.SetBrush(Color());
        canvas.FillRect(inside);
    }
    canvas.SetTextBackgroundTransparent(true);
    if (FRotation == roCurve)
        PaintCurvedText(canvas);
    else if (FRotation == roFlat)
        PaintAngledText(canvas);
    else
        PaintStraightText(canvas);
}

UINT TWkLabel::TextFlags() const {
    UINT flags = DT_EXPANDTABS;
    if (Alignment() == ui::taRightJustify) flags |= DT_RIGHT;
    else if (Alignment() == ui::taCenter) flags |= DT_CENTER;
    if (WordWrap()) flags |= DT_WORDBREAK;
    if (!ShowAccelChar()) flags |= DT_NOPREFIX;
    if (FCondenseCaption == ccAtEnd) flags |= DT_END_ELLIPSIS;
    if (FCondenseCaption == ccWithinPath) flags |= DT_PATH_ELLIPSIS;
    return flags;
}

Rect TWkLabel::PlaceTextVertically(ui::TCanvas& canvas, Rect rect, UINT flags) const {
    if (Layout() != ui::tlTop) {
        Rect measure = rect;
        canvas.DrawText(Caption(), measure, flags | DT_CALCRECT);
        const int free = rect.Height() - measure.Height();
        rect.Offset(0, Layout() == ui::tlBottom ? free : free / 2);
    }
    if (FTextStyle == tsShadow) {
        // Keep the shadow copy inside the label.
        if (Alignment() == ui::taRightJustify) rect.Offset(-FShadowDepth, 0);
        if (Layout() == ui::tlBottom) rect.Offset(0, -FShadowDepth);
    }
    return rect;
}

void TWkLabel::PaintStraightText(ui::TCanvas& canvas) {
    Rect t = ShrinkByFrames(ClientRect(), true);
    t.Inset(FTextMargin, FTextMargin);
    const UINT flags = TextFlags();
    const std::wstring text = Caption();
    ui::TFont font = Font();
    PaintTextEffect(TextEffect(), Enabled(), FPaintTextColor, [&](ui::Point offset, TColor color) {
        font.Color = color;
        canvas.SetFont(font);
        Rect r = PlaceTextVertically(canvas, t, flags);
        r.Offset(offset.x, offset.y);
        canvas.DrawText(text, r, flags);
    });
}

TTextEffect TWkLabel::TextEffect() const {
    return {FTextStyle, FLightTextStyle, FHighlightColor, FShadowColor, {FShadowDepth, FShadowDepth}, {}};
}

namespace {
int Half(int v) { return v / 2; } // truncates toward zero
} // namespace

void TWkLabel::PaintAngledText(ui::TCanvas& canvas) {
    Rect t = ShrinkByFrames(ClientRect(), true);
    t.Inset(FTextMargin, FTextMargin);
    const std::wstring text = Caption();
    canvas.SetFont(Font());
    const int th = canvas.TextHeight(L"Pp");
    const int w = canvas.TextWidth(text);
    const double theta = FAngle * std::numbers::pi / 180.0 + std::numbers::pi / 2.0;
    const double q = th / 4.0;
    const int e = FTextStyle == tsShadow ? Half(FShadowDepth) : 0;
    const int hh = th + e, g = w + e;
    const bool centred = Alignment() == ui::taCenter, right = Alignment() == ui::taRightJustify;
    int x = Width() / 2, y = Height() / 2;
    const int dx = static_cast<int>(std::lround(std::cos(theta) * q));
    UINT align = TA_CENTER | TA_BASELINE;
    switch (FAngle) {
    case 0:
        if (right) x = t.right - w - 2 * e;
        else if (!centred) x = t.left + e;
        y -= Half(hh);
        align = centred ? (TA_CENTER | TA_TOP) : (TA_LEFT | TA_TOP);
        break;
    case 90:
        x -= dx;
        y = centred ? t.bottom - Half(t.bottom - g) : right ? t.top + e + g : t.bottom - e;
        align = TA_LEFT | TA_BASELINE;
        break;
    case 180:
        x = centred ? t.right - Half(t.right - g) : right ? t.left + g : t.right - e;
        y -= hh / 4;
        align = TA_LEFT | TA_BASELINE;
        break;
    case 270:
        x -= dx;
        y = centred ? Half(t.bottom - g) : right ? t.bottom - g - e : t.top + e;
        align = TA_LEFT | TA_BASELINE;
        break;
    default:
        x -= dx;
        y += static_cast<int>(std::lround(std::sin(theta) * q));
        break;
    }

    HDC dc = canvas.Handle();
    ui::FontOwner rotated = CreateRotatedFont(Font(), FAngle);
    ui::DcStateGuard state(dc);
    SelectObject(dc, rotated);
    SetTextAlign(dc, align);
    SetBkMode(dc, TRANSPARENT);
    // Turned text splits the shadow's offset: half of it down-right for the shadow, the
    // text as much up-left (e is 0 for the other styles).
    TTextEffect effect = TextEffect();
    effect.ShadowOffset = {e, e};
    effect.TextOffset = {-e, -e};
    PaintTextEffect(effect, Enabled(), FPaintTextColor, [&](ui::Point offset, TColor color) {
        SetTextColor(dc, ui::ColorToRGB(color));
        const Rect clip = t.Offsetted(offset.x, offset.y);
        ExtTextOutW(dc, x + offset.x, y + offset.y, ETO_CLIPPED, clip.AsRECT(), text.c_str(),
                    static_cast<UINT>(text.size()), nullptr);
    });
}

void TWkLabel::PaintCurvedText(ui::TCanvas& canvas) {
    const int W = Width(), H = Height(), B = FFrame.BorderWidth;
    static constexpr int kX[] = {0, 1, 2, 0, 1, 2, 0, 1, 2}; // 0 left, 1 centre, 2 right
    static constexpr int kY[] = {0, 0, 0, 1, 1, 1, 2, 2, 2}; // 0 top, 1 middle, 2 bottom
    const int col = kX[FCenterPoint], row = kY[FCenterPoint];
    const ui::Point m{col == 0 ? B : col == 1 ? W / 2 : W - B, row == 0 ? B : row == 1 ? H / 2 : H - B};
    const int rx = col == 1 ? W / 2 - 2 * B : W - 2 * B;
    const int ry = row == 1 ? H / 2 - 2 * B : H - 2 * B;
    // The step along the arc divides by the radius: a label too small for any arc shows no
    // text rather than dividing by zero.
    if (rx <= 0 || ry <= 0) return;

    HDC dc = canvas.Handle();
    canvas.SetFont(Font());
    const int th = canvas.TextHeight(L"Yy");
    const int step = canvas.TextWidth(L"w") + 2;
    ui::DcStateGuard state(dc);
    SetTextAlign(dc, TA_CENTER | TA_BASELINE);
    SetBkMode(dc, TRANSPARENT);
    double alpha = FAngle * std::numbers::pi / 180.0;
    const TTextEffect effect = TextEffect();
    for (wchar_t ch : Caption()) {
        const int x = m.x - static_cast<int>(std::lround(std::sin(alpha) * (rx - th)));
        const int y = m.y - static_cast<int>(std::lround(std::cos(alpha) * (ry - th)));
        LOGFONTW lf = Font().ToLogFont();
        lf.lfEscapement = static_cast<LONG>(std::lround(alpha * 1800.0 / std::numbers::pi));
        ui::FontOwner turned(CreateFontIndirectW(&lf));
        SelectObject(dc, turned);
        PaintTextEffect(effect, Enabled(), FPaintTextColor, [&](ui::Point offset, TColor color) {
            SetTextColor(dc, ui::ColorToRGB(color));
            TextOutW(dc, x + offset.x, y + offset.y, &ch, 1);
        });
        SelectObject(dc, GetStockObject(SYSTEM_FONT)); // the turned font dies at the loop's end
        alpha -= static_cast<double>(step) / rx;
    }
}

// =============================================================================================
// [6] TWkURLLabel
// =============================================================================================

HCURSOR LinkHandCursor(HMODULE resources) {
    if (HCURSOR hand = LoadCursorW(nullptr, IDC_HAND)) return hand;
    // Windows 95 and NT 4 have no hand of their own.
    return LoadCursorW(resources, L"WKCOMMON_HANDCURSOR");
}

namespace {
void RegisterHandCursor() {
    if (ui::Application().CursorHandle(crWkHandPoint)) return;
    ui::Application().SetCursorHandle(crWkHandPoint, LinkHandCursor(GetModuleHandleW(nullptr)));
}
} // namespace

TWkURLLabel::TWkURLLabel(ui::TComponent* owner) : TWkLabel(owner) {
    ui::TFont font = Font();
    font.Color = ui::clHighlight;
    font.Style = ui::fsUnderline;
    SetFont(font);
    RegisterHandCursor();
    SetCursor(crWkHandPoint);
}

void TWkURLLabel::ApplyLinkColor() {
    ui::TFont font = Font();
    font.Color = FVisited ? FVisitedColor : FUnvisitedColor;
    SetFont(font);
    Invalidate();
}

void TWkURLLabel::SetVisited(bool value) {
    if (FVisited == value) return;
    FVisited = value;
    ApplyLinkColor();
}

void TWkURLLabel::SetUnvisitedColor(TColor value) {
    if (FUnvisitedColor == value) return;
    FUnvisitedColor = value;
    ApplyLinkColor();
}

void TWkURLLabel::SetVisitedColor(TColor value) {
    if (FVisitedColor == value) return;
    FVisitedColor = value;
    ApplyLinkColor();
}

void TWkURLLabel::Click() {
    TWkLabel::Click();
    const std::wstring target = LinkTarget(FURL, Caption());
    // Only web and mail addresses leave the program; anything else does nothing, quietly,
    // like a link the shell could not open.
    if (target.empty() || !IsSafeLinkTarget(target)) return;
    const bool opened = ShellOpen ? ShellOpen(target) : OpenLinkWithShell(target);
    if (opened) SetVisited(true);
}

// =============================================================================================
// [7] Layout registration
// =============================================================================================

void RegisterWkLabelClasses(ui::TClassRegistry& registry) {
    using ui::TLayoutContext;
    using ui::TLayoutValue;
    using L = TWkLabel;
    using U = TWkURLLabel;
    ui::RegisterControlClass<TWkLabel, ui::TLabel>(registry, L"TWkLabel");
    ui::RegisterControlClass<TWkURLLabel, TWkLabel>(registry, L"TWkURLLabel");
    registry.Property<L>(L"AutoSize", &L::SetAutoSize);
    registry.Property<L>(L"WordWrap", &L::SetWordWrap);
    registry.Property<L>(L"ShowAccelChar", &L::SetShowAccelChar);
    registry.Property<L>(L"Angle", &L::SetAngle);
    registry.Property<L>(L"Rotation", [](L& l, const TLayoutValue& v, TLayoutContext& c) {
        l.SetRotation(c.Enum<TRotation>(v, {{L"roNone", roNone}, {L"roFlat", roFlat}, {L"roCurve", roCurve}}));
    });
    registry.Property<L>(L"CenterPoint", [](L& l, const TLayoutValue& v, TLayoutContext& c) {
        l.SetCenterPoint(c.Enum<TCenterPoint>(
            v, {{L"cpUpperLeft", cpUpperLeft}, {L"cpUpperCenter", cpUpperCenter}, {L"cpUpperRight", cpUpperRight},
                {L"cpLeftCenter", cpLeftCenter}, {L"cpCenter", cpCenter}, {L"cpRightCenter", cpRightCenter},
                {L"cpLowerLeft", cpLowerLeft}, {L"cpLowerCenter", cpLowerCenter}, {L"cpLowerRight", cpLowerRight}}));
    });
    registry.Property<L>(L"Blinking", &L::SetBlinking);
    registry.Property<L>(L"BlinkColor", &L::SetBlinkColor);
    registry.Property<L>(L"BlinkIntervalOn", &L::SetBlinkIntervalOn);
    registry.Property<L>(L"BlinkIntervalOff", &L::SetBlinkIntervalOff);
    registry.Property<L>(L"BorderOuter", &L::SetBorderOuter);
    registry.Property<L>(L"BorderInner", &L::SetBorderInner);
    registry.Property<L>(L"BorderSides", &L::SetBorderSides, ui::SetOf<TSide>);
    registry.Property<L>(L"BorderWidth", &L::SetBorderWidth, ui::IntRange{0, 0xFFFF});
    registry.Property<L>(L"BevelWidth", &L::SetBevelWidth, ui::IntRange{1, 0xFFFF});
    registry.Property<L>(L"BorderColor", &L::SetBorderColor);
    registry.Property<L>(L"BorderHighlight", &L::SetBorderHighlight);
    registry.Property<L>(L"BorderShadow", &L::SetBorderShadow);
    registry.Property<L>(L"FlatColor", &L::SetFlatColor);
    registry.Property<L>(L"FlatColorAdjustment", &L::SetFlatColorAdjustment);
    RegisterFrameControllerProperties<L>(registry);
    registry.Property<L>(L"CondenseCaption", [](L& l, const TLayoutValue& v, TLayoutContext& c) {
        l.SetCondenseCaption(c.Enum<TWkCondenseCaption>(v, {{L"ccNone", ccNone}, {L"ccAtEnd", ccAtEnd}, {L"ccWithinPath", ccWithinPath}}));
    });
    registry.Property<L>(L"FlyByEnabled", &L::SetFlyByEnabled);
    registry.Property<L>(L"FlyByColor", &L::SetFlyByColor);
    registry.Property<L>(L"TextStyle", &L::SetTextStyle);
    registry.Property<L>(L"LightTextStyle", &L::SetLightTextStyle);
    registry.Property<L>(L"HighlightColor", &L::SetHighlightColor);
    registry.Property<L>(L"ShadowColor", &L::SetShadowColor);
    registry.Property<L>(L"ShadowDepth", &L::SetShadowDepth, ui::IntRange{0, 1000});
    registry.Property<L>(L"TextMargin", &L::SetTextMargin, ui::IntRange{0, 1000});
    // An old set property, read and dropped.
    registry.Ignored<L>(L"FrameSides");

    registry.Property<U>(L"URL", &U::SetURL);
    registry.Property<U>(L"Visited", &U::SetVisited);
    registry.Property<U>(L"UnvisitedColor", &U::SetUnvisitedColor);
    registry.Property<U>(L"VisitedColor", &U::SetVisitedColor);
}

} // namespace wk
