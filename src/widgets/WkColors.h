// Colour arithmetic in hue/saturation/luminance space and the kit's colour schemes.
// Hue, saturation and luminance are on the 0..240 scale of the Windows colour dialog;
// luminance may go up to 255 after LightenColor and ColorFromHsl accepts that.
// All arithmetic turns system colours into RGB first.
#pragma once
#include "ui/Color.h"
#include "widgets/WkEnums.h"
#include <cstdint>

namespace wk {

using ui::TColor;

struct THsl {
    int Hue = 0;         // 0..240
    int Saturation = 0;  // 0..240
    int Luminance = 0;   // 0..240 (0..255 accepted by ColorFromHsl)
    bool operator==(const THsl&) const = default;
};

THsl HslFromColor(TColor color);
TColor ColorFromHsl(int hue, int saturation, int luminance);
int HueOfColor(TColor color);
// Luminance lowered by amount, not below 0 / raised by amount, not above 255.
TColor DarkenColor(TColor color, std::uint8_t amount);
TColor LightenColor(TColor color, std::uint8_t amount);
// delta < 0 darkens, delta > 0 lightens; 0 returns the colour itself (system colours stay so).
TColor ShiftColorLuminance(TColor color, int delta);
// Per channel round(w*c1 + (1-w)*c2), w = weight / 255.
TColor MixColors(TColor color1, TColor color2, std::uint8_t weight);
// Hues differ by less than 20 and luminances by less than 60.
bool ColorsAreSimilar(TColor color1, TColor color2);
// The hue 120 steps round the circle, full saturation, the given luminance.
TColor OppositeHueColor(TColor color, std::uint8_t luminance);

// Seven colours per desktop colour scheme, indexed [XpColorScheme][slot]:
// 0 tool-button selection frame, 1/2 selection start/stop, 3 light band, 4 dark band,
// 5/6 group bar start/stop.
extern const TColor ThemeSchemeColors[3][7];

// Reads the desktop colour scheme from the registry; any failure gives xcsNormal.
XpColorScheme DetectXpColorScheme();
// The screen has more than 256 colours.
bool ScreenHasFullColor();
// Whether the platform's visual themes apply to this program now (asked at every call).
// False without a theme service, and false while the program runs with the classic common
// controls (no themed-controls request in its resources), as the platform itself does.
bool VisualThemesActive();

struct TSelectionColors {
    TColor Frame = ui::clNone;
    TColor Start = ui::clNone;
    TColor Stop = ui::clNone;
};
struct TGradientColors {
    TColor Start = ui::clNone;
    TColor Stop = ui::clNone;
};
struct TStatusBarColors {
    TColor Start = ui::clNone;
    TColor Stop = ui::clNone;
    TColor Divider = ui::clNone;
};

// Scheme colours for gcsSystem / gcsMSOffice (gcsCustom callers use their own colours; these
// answer gcsCustom like gcsSystem). The scheme table applies to gcsMSOffice with active themes.
TSelectionColors ToolButtonSelectionColors(TWkGradientColorStyle style);
TGradientColors PanelGradientColors(TWkGradientColorStyle style);
TStatusBarColors StatusBarGradientColors(TWkGradientColorStyle style);
TGradientColors GroupBarGradientColors(TWkGradientColorStyle style);

} // namespace wk
