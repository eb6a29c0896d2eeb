// The widget kit's shared enumerations: every widget's stored properties use these types.
// Plain enums inside namespace wk so the short value names (fsFlat, sdLeft, gdSquareBox ...)
// read as they do in the window layouts without clashing with ui::TFontStyle's fsBold etc.
#pragma once
#include <functional>

namespace ui { class TComponent; }

namespace wk {

// Frame styles, in stored order (0..11).
enum TFrameStyleEx : unsigned char {
    fsNone, fsFlat, fsGroove, fsBump, fsLowered, fsButtonDown, fsRaised, fsButtonUp,
    fsStatus, fsPopup, fsFlatBold, fsFlatRounded
};
// The styles the plain frame painters understand: fsNone .. fsFlatBold. fsFlatRounded is
// drawn only by PaintInnerOuterFrames; the other painters treat it as fsNone.
using TFrameStyle = TFrameStyleEx;
constexpr TFrameStyleEx kLastFrameStyle = fsFlatBold;

// Sides of a rectangle. Each value is its own bit so that a set is just the OR of its members
// ([sdLeft, sdTop] == sdLeft | sdTop == 3), which is also how a set is stored.
enum TSide : unsigned char { sdLeft = 1, sdTop = 2, sdRight = 4, sdBottom = 8 };
using TSides = unsigned;
constexpr TSides kNoSides = 0;
constexpr TSides kAllSides = sdLeft | sdTop | sdRight | sdBottom;
constexpr bool HasSide(TSides sides, TSide side) { return (sides & side) != 0; }

enum TWkGradientColorStyle : unsigned char { gcsSystem, gcsMSOffice, gcsCustom };
enum TWkVisualStyle : unsigned char { vsClassic, vsWinXP, vsGradient };

// Ten gradient directions, in stored order. Start colour at the top/left (outer edge for the
// centred and box directions), stop colour at the bottom/right (centre).
enum TGradientDirection : unsigned char {
    gdDiagonalUp, gdDiagonalDown, gdHorizontalEnd, gdHorizontalCenter, gdHorizontalBox,
    gdVerticalEnd, gdVerticalCenter, gdVerticalBox, gdSquareBox, gdBigSquareBox
};

enum TAlignmentVertical : unsigned char { avTop, avCenter, avBottom };
enum TTextStyle : unsigned char { tsNormal, tsRaised, tsRecessed, tsShadow };
enum TOrientation : unsigned char { orHorizontal, orVertical };
enum TFramingPreference : unsigned char { fpCustomFraming, fpXPThemes };
enum TWkGroupBarGradientPath : unsigned char { gpTopToBottom, gpBottomToTop };
enum TWkHotTrackColorType : unsigned char { htctComplement, htctActual };

// Colour scheme of the desktop's visual theme; selects the gcsMSOffice colours.
enum XpColorScheme : unsigned char { xcsNormal, xcsHomestead, xcsMetallic };

// Asked before a position changes (the splitter); clearing AllowChange vetoes the move.
using TPositionChangingEvent = std::function<void(ui::TComponent* Sender, int NewPos, bool& AllowChange)>;

} // namespace wk
