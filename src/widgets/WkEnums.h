// The widget kit's shared enumerations: every widget's stored properties use these types.
// Plain enums inside namespace wk so the short value names (fsFlat, sdLeft, gdSquareBox ...)
// read as they do in the window layouts without clashing with ui::TFontStyle's fsBold etc.
// Each enumeration a layout stores has its names table beside it (ui/EnumNames.h).
#pragma once
#include "ui/EnumNames.h"
#include <functional>

namespace ui { class TComponent; }

namespace wk {

// Frame styles, in stored order (0..11).
enum TFrameStyleEx : unsigned char {
    fsNone, fsFlat, fsGroove, fsBump, fsLowered, fsButtonDown, fsRaised, fsButtonUp,
    fsStatus, fsPopup, fsFlatBold, fsFlatRounded
};
inline constexpr ui::TEnumName<TFrameStyleEx> kFrameStyleValueNames[] = {
    {L"fsNone", fsNone}, {L"fsFlat", fsFlat}, {L"fsGroove", fsGroove}, {L"fsBump", fsBump},
    {L"fsLowered", fsLowered}, {L"fsButtonDown", fsButtonDown}, {L"fsRaised", fsRaised},
    {L"fsButtonUp", fsButtonUp}, {L"fsStatus", fsStatus}, {L"fsPopup", fsPopup},
    {L"fsFlatBold", fsFlatBold}, {L"fsFlatRounded", fsFlatRounded},
};
constexpr const auto& EnumNames(TFrameStyleEx) { return kFrameStyleValueNames; }
// The styles the plain frame painters understand: fsNone .. fsFlatBold. fsFlatRounded is
// drawn only by PaintInnerOuterFrames; the other painters treat it as fsNone.
using TFrameStyle = TFrameStyleEx;
constexpr TFrameStyleEx kLastFrameStyle = fsFlatBold;

// Sides of a rectangle. Each value is its own bit so that a set is just the OR of its members
// ([sdLeft, sdTop] == sdLeft | sdTop == 3), which is also how a set is stored.
enum TSide : unsigned char { sdLeft = 1, sdTop = 2, sdRight = 4, sdBottom = 8 };
inline constexpr ui::TEnumName<TSide> kSideValueNames[] = {
    {L"sdLeft", sdLeft}, {L"sdTop", sdTop}, {L"sdRight", sdRight}, {L"sdBottom", sdBottom},
};
constexpr const auto& EnumNames(TSide) { return kSideValueNames; }
using TSides = unsigned;
constexpr TSides kNoSides = 0;
constexpr TSides kAllSides = sdLeft | sdTop | sdRight | sdBottom;
constexpr bool HasSide(TSides sides, TSide side) { return (sides & side) != 0; }

enum TWkGradientColorStyle : unsigned char { gcsSystem, gcsMSOffice, gcsCustom };
inline constexpr ui::TEnumName<TWkGradientColorStyle> kGradientColorStyleValueNames[] = {
    {L"gcsSystem", gcsSystem}, {L"gcsMSOffice", gcsMSOffice}, {L"gcsCustom", gcsCustom},
};
constexpr const auto& EnumNames(TWkGradientColorStyle) { return kGradientColorStyleValueNames; }
enum TWkVisualStyle : unsigned char { vsClassic, vsWinXP, vsGradient };
inline constexpr ui::TEnumName<TWkVisualStyle> kVisualStyleValueNames[] = {
    {L"vsClassic", vsClassic}, {L"vsWinXP", vsWinXP}, {L"vsGradient", vsGradient},
};
constexpr const auto& EnumNames(TWkVisualStyle) { return kVisualStyleValueNames; }

// Ten gradient directions, in stored order. Start colour at the top/left (outer edge for the
// centred and box directions), stop colour at the bottom/right (centre).
enum TGradientDirection : unsigned char {
    gdDiagonalUp, gdDiagonalDown, gdHorizontalEnd, gdHorizontalCenter, gdHorizontalBox,
    gdVerticalEnd, gdVerticalCenter, gdVerticalBox, gdSquareBox, gdBigSquareBox
};
inline constexpr ui::TEnumName<TGradientDirection> kGradientDirectionValueNames[] = {
    {L"gdDiagonalUp", gdDiagonalUp}, {L"gdDiagonalDown", gdDiagonalDown},
    {L"gdHorizontalEnd", gdHorizontalEnd}, {L"gdHorizontalCenter", gdHorizontalCenter},
    {L"gdHorizontalBox", gdHorizontalBox}, {L"gdVerticalEnd", gdVerticalEnd},
    {L"gdVerticalCenter", gdVerticalCenter}, {L"gdVerticalBox", gdVerticalBox},
    {L"gdSquareBox", gdSquareBox}, {L"gdBigSquareBox", gdBigSquareBox},
};
constexpr const auto& EnumNames(TGradientDirection) { return kGradientDirectionValueNames; }

enum TAlignmentVertical : unsigned char { avTop, avCenter, avBottom };
inline constexpr ui::TEnumName<TAlignmentVertical> kAlignmentVerticalValueNames[] = {
    {L"avTop", avTop}, {L"avCenter", avCenter}, {L"avBottom", avBottom},
};
constexpr const auto& EnumNames(TAlignmentVertical) { return kAlignmentVerticalValueNames; }
enum TTextStyle : unsigned char { tsNormal, tsRaised, tsRecessed, tsShadow };
inline constexpr ui::TEnumName<TTextStyle> kTextStyleValueNames[] = {
    {L"tsNormal", tsNormal}, {L"tsRaised", tsRaised}, {L"tsRecessed", tsRecessed}, {L"tsShadow", tsShadow},
};
constexpr const auto& EnumNames(TTextStyle) { return kTextStyleValueNames; }
enum TOrientation : unsigned char { orHorizontal, orVertical };
inline constexpr ui::TEnumName<TOrientation> kOrientationValueNames[] = {
    {L"orHorizontal", orHorizontal}, {L"orVertical", orVertical},
};
constexpr const auto& EnumNames(TOrientation) { return kOrientationValueNames; }
enum TFramingPreference : unsigned char { fpCustomFraming, fpXPThemes };
inline constexpr ui::TEnumName<TFramingPreference> kFramingPreferenceValueNames[] = {
    {L"fpCustomFraming", fpCustomFraming}, {L"fpXPThemes", fpXPThemes},
};
constexpr const auto& EnumNames(TFramingPreference) { return kFramingPreferenceValueNames; }
enum TWkGroupBarGradientPath : unsigned char { gpTopToBottom, gpBottomToTop };
inline constexpr ui::TEnumName<TWkGroupBarGradientPath> kGroupBarGradientPathValueNames[] = {
    {L"gpTopToBottom", gpTopToBottom}, {L"gpBottomToTop", gpBottomToTop},
};
constexpr const auto& EnumNames(TWkGroupBarGradientPath) { return kGroupBarGradientPathValueNames; }
enum TWkHotTrackColorType : unsigned char { htctComplement, htctActual };
inline constexpr ui::TEnumName<TWkHotTrackColorType> kHotTrackColorTypeValueNames[] = {
    {L"htctComplement", htctComplement}, {L"htctActual", htctActual},
};
constexpr const auto& EnumNames(TWkHotTrackColorType) { return kHotTrackColorTypeValueNames; }

// Colour scheme of the desktop's visual theme; selects the gcsMSOffice colours.
enum XpColorScheme : unsigned char { xcsNormal, xcsHomestead, xcsMetallic };

// Asked before a position changes (the splitter); clearing AllowChange vetoes the move.
using TPositionChangingEvent = std::function<void(ui::TComponent* Sender, int NewPos, bool& AllowChange)>;

} // namespace wk
