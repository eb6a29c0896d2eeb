// The kit's labels. TWkLabel is a windowless label with 3-D text styles, a frame of the kit's
// frame styles with a border band, a text margin, rotated text (a straight line at any angle
// or characters laid along an arc), blinking in a second colour, a colour change while the
// pointer is over it and captions shortened with an ellipsis. TWkURLLabel turns it into a
// link: underlined text in the highlight colour, a hand pointer, and a click that hands its
// URL to the desktop shell and then shows the label in the visited colour.
//
// Only web and mail links are opened: a target that is not an http:, https: or mailto:
// address (a file, a program, a script URL) is refused, whatever the layout says. A bare
// "www." host is opened as an http:// address. The rules are in WkShellLink.h.
#pragma once
#include "ui/Label.h"
#include "widgets/WkPanel.h"
#include "widgets/WkBlink.h"
#include "widgets/WkEnums.h"
#include "widgets/WkTextEffect.h"
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace ui { class TClassRegistry; }

namespace wk {

enum TRotation : unsigned char { roNone, roFlat, roCurve };
enum TCenterPoint : unsigned char {
    cpUpperLeft, cpUpperCenter, cpUpperRight, cpLeftCenter, cpCenter, cpRightCenter,
    cpLowerLeft, cpLowerCenter, cpLowerRight
};
enum TWkCondenseCaption : unsigned char { ccNone, ccAtEnd, ccWithinPath };

// The hand pointer of the link labels, registered with the application under this number.
constexpr ui::TCursor crWkHandPoint = 26000;

class TWkLabel : public ui::TLabel {
public:
    explicit TWkLabel(ui::TComponent* owner = nullptr);
    ~TWkLabel() override;
    std::wstring ClassName() const override { return L"TWkLabel"; }

    // Stored modulo 360, negative values counted back from 360.
    int Angle() const { return FAngle; }
    void SetAngle(int value);
    TRotation Rotation() const { return FRotation; }
    void SetRotation(TRotation value);
    TCenterPoint CenterPoint() const { return FCenterPoint; }
    void SetCenterPoint(TCenterPoint value);

    bool Blinking() const { return FBlinking; }
    void SetBlinking(bool value);
    ui::TColor BlinkColor() const { return FBlinkColor; }
    void SetBlinkColor(ui::TColor value);
    // The process-wide blink timer's values: shared by every blinking control.
    std::uint16_t BlinkIntervalOn() const;
    void SetBlinkIntervalOn(std::uint16_t ms);
    std::uint16_t BlinkIntervalOff() const;
    void SetBlinkIntervalOff(std::uint16_t ms);

    TFrameStyleEx BorderOuter() const { return FFrame.BorderOuter; }
    void SetBorderOuter(TFrameStyleEx value);
    TFrameStyleEx BorderInner() const { return FFrame.BorderInner; }
    void SetBorderInner(TFrameStyleEx value);
    TSides BorderSides() const { return FFrame.BorderSides; }
    void SetBorderSides(TSides value);
    int BorderWidth() const { return FFrame.BorderWidth; }
    void SetBorderWidth(int value);
    int BevelWidth() const { return FFrame.BevelWidth; }
    void SetBevelWidth(int value);
    ui::TColor BorderColor() const { return FFrame.BorderColor; }
    void SetBorderColor(ui::TColor value);
    ui::TColor BorderHighlight() const { return FFrame.BorderHighlight; }
    void SetBorderHighlight(ui::TColor value);
    ui::TColor BorderShadow() const { return FFrame.BorderShadow; }
    void SetBorderShadow(ui::TColor value);
    ui::TColor FlatColor() const { return FFrame.FlatColor; }
    void SetFlatColor(ui::TColor value);
    int FlatColorAdjustment() const { return FFrame.FlatColorAdjustment; }
    void SetFlatColorAdjustment(int value);
    TWkFrameController* FrameController() const { return FFrameLink.Controller(); }
    void SetFrameController(TWkFrameController* value) { FFrameLink.SetController(value); }
    TWkFrameControllerNotifications FrameControllerNotifications() const { return FFrameLink.Notifications(); }
    void SetFrameControllerNotifications(TWkFrameControllerNotifications value) { FFrameLink.SetNotifications(value); }

    // Anything but ccNone switches AutoSize off.
    TWkCondenseCaption CondenseCaption() const { return FCondenseCaption; }
    void SetCondenseCaption(TWkCondenseCaption value);
    bool FlyByEnabled() const { return FFlyByEnabled; }
    void SetFlyByEnabled(bool value);
    ui::TColor FlyByColor() const { return FFlyByColor; }
    void SetFlyByColor(ui::TColor value) { FFlyByColor = value; }
    TTextStyle TextStyle() const { return FTextStyle; }
    void SetTextStyle(TTextStyle value);
    bool LightTextStyle() const { return FLightTextStyle; }
    void SetLightTextStyle(bool value);
    ui::TColor HighlightColor() const { return FHighlightColor; }
    void SetHighlightColor(ui::TColor value);
    ui::TColor ShadowColor() const { return FShadowColor; }
    void SetShadowColor(ui::TColor value);
    int ShadowDepth() const { return FShadowDepth; }
    void SetShadowDepth(int value);
    int TextMargin() const { return FTextMargin; }
    void SetTextMargin(int value);

    // The framework label's sizing switches, sized by the kit's rules (frames included).
    void SetAutoSize(bool value);
    void SetWordWrap(bool value);
    void SetShowAccelChar(bool value);

    // The colour the text is painted in now (the font colour, or BlinkColor while blinking).
    ui::TColor PaintTextColor() const { return FPaintTextColor; }
    // Takes the controller's settings (when its frame is visible), each only when it is in
    // FrameControllerNotifications: frame style as BorderOuter, sides, frame colour as
    // FlatColor, Color with the bevel colours derived from it, and ParentColor.
    virtual void ApplyFrameController(const TWkFrameController& controller);
    // The blink timer's phase reached the label (true: the blink colour).
    virtual void SetBlinkPhase(bool on);
    // The rectangle inside the frames (and the border band when asked).
    ui::Rect ShrinkByFrames(const ui::Rect& rect, bool withBand) const;
    // The size a caption box needs with the frames, text margin, shadow and rotation around it.
    ui::Size GrowByFrames(ui::Size text) const;
    // Sizes the label to its caption when AutoSize is on.
    void AdjustBounds();

    void Loaded() override;

protected:
    // Answers the blink timer's messages (CM_BLINKQUERY, CM_BLINKSTATE).
    bool HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    void Paint(ui::TCanvas& canvas, const ui::Rect& update) override;
    void TextChanged() override;
    void FontChanged() override;
    void MouseEnter() override;
    void MouseLeave() override;

private:
    UINT TextFlags() const;
    // The text style's copies, tsShadow's shadow ShadowDepth down and right.
    TTextEffect TextEffect() const;
    ui::Rect PlaceTextVertically(ui::TCanvas& canvas, ui::Rect rect, UINT flags) const;
    void PaintStraightText(ui::TCanvas& canvas);
    void PaintAngledText(ui::TCanvas& canvas);
    void PaintCurvedText(ui::TCanvas& canvas);
    void SwitchToTrueTypeFont();
    // Runs a framework label setter, then sizes from the bounds it started with.
    void WithKitSizing(const std::function<void()>& frameworkChange);
    void EndFlyBy();
    void FrameChanged();

    int FAngle = 0;
    TRotation FRotation = roNone;
    TCenterPoint FCenterPoint = cpCenter;
    bool FBlinking = false;
    ui::TColor FBlinkColor = ui::clHighlight;
    TFrameSettings FFrame;
    TWkCondenseCaption FCondenseCaption = ccNone;
    bool FFlyByEnabled = false;
    ui::TColor FFlyByColor = ui::clHighlight;
    ui::TColor FFlyBySavedColor = ui::clNone;
    bool FFlyByActive = false;
    bool FFlyBySavedParentFont = false;
    TTextStyle FTextStyle = tsNormal;
    bool FLightTextStyle = false;
    ui::TColor FHighlightColor = ui::clBtnHighlight;
    ui::TColor FShadowColor = ui::clBtnShadow;
    int FShadowDepth = 2;
    int FTextMargin = 0;
    ui::TColor FNormalTextColor = ui::clWindowText;
    ui::TColor FPaintTextColor = ui::clWindowText;
    std::unique_ptr<TWkBlinkReceiver> FBlink;  // stands for the label in the blink timer's list
    TWkFrameControllerLink FFrameLink{*this, [this](const TWkFrameController& fc) { ApplyFrameController(fc); }};
};

class TWkURLLabel : public TWkLabel {
public:
    explicit TWkURLLabel(ui::TComponent* owner = nullptr);
    std::wstring ClassName() const override { return L"TWkURLLabel"; }

    const std::wstring& URL() const { return FURL; }
    void SetURL(const std::wstring& value) { FURL = value; }
    bool Visited() const { return FVisited; }
    void SetVisited(bool value);
    ui::TColor UnvisitedColor() const { return FUnvisitedColor; }
    void SetUnvisitedColor(ui::TColor value);
    ui::TColor VisitedColor() const { return FVisitedColor; }
    void SetVisitedColor(ui::TColor value);

    // OnClick first, then the link is opened.
    void Click() override;
    // Hands a checked target to the shell; replaceable (tests record instead of opening).
    // Returns whether the shell opened it.
    std::function<bool(const std::wstring& target)> ShellOpen;

protected:
    virtual void ApplyLinkColor();

private:
    std::wstring FURL;
    bool FVisited = false;
    ui::TColor FUnvisitedColor = ui::clHighlight;
    ui::TColor FVisitedColor = 0x800080;
};

// The link labels' hand pointer: the system's own hand, or, on systems without one, the
// WKCOMMON_HANDCURSOR cursor among `resources`.
HCURSOR LinkHandCursor(HMODULE resources);

// Stored angle for a value: modulo 360, negative values counted back from 360.
int NormalizeAngle(int degrees);

void RegisterWkLabelClasses(ui::TClassRegistry& registry);

} // namespace wk
