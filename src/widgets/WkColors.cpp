#include "widgets/WkColors.h"
#include "ui/Gdi.h"
#include "widgets/WkKit.h"
#include "widgets/WkThemeParts.h"
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cwctype>
#include <string>
#include <shlwapi.h> // DLLVERSIONINFO only; DllGetVersion is looked up at run time

namespace wk {

namespace {

constexpr double kHslScale = 240.0;

// Round to nearest with ties to even (the default floating-point rounding mode).
int RoundEven(double v) { return static_cast<int>(std::nearbyint(v)); }

TColor RgbColor(int r, int g, int b) { return static_cast<TColor>(RGB(r, g, b)); }

} // namespace

// ---- Hue / saturation / luminance -------------------------------------------------------

THsl HslFromColor(TColor color) {
    COLORREF rgb = ui::ColorToRGB(color);
    double r = GetRValue(rgb) / 255.0, g = GetGValue(rgb) / 255.0, b = GetBValue(rgb) / 255.0;
    double mx = std::max({r, g, b}), mn = std::min({r, g, b});
    double l = (mx + mn) / 2;
    double h = 0, s = 0;
    if (mx != mn) {
        double d = mx - mn;
        s = l < 0.5 ? d / (mx + mn) : d / (2 - mx - mn);
        if (r == mx)
            h = (g - b) / d;
        else if (g == mx)
            h = (b - r) / d + 2;
        else
            h = (r - g) / d + 4;
        h /= 6;
        if (h < 0) h += 1;
    }
    return {RoundEven(h * kHslScale), RoundEven(s * kHslScale), RoundEven(l * kHslScale)};
}

TColor ColorFromHsl(int hue, int saturation, int luminance) {
    double l = luminance / kHslScale, s = saturation / kHslScale;
    double m2 = l >= 0.5 ? l + s - l * s : l * (s + 1);
    if (m2 <= 0) return ui::clBlack;
    // The hue is divided by 239, not 240: hue 239 lands on 6.0 and wraps to red like hue 0,
    // and hue 80 gives (0, 255, 2) rather than pure green. Kept so colours match exactly.
    double h6 = hue / 239.0 * 6;
    int sextant = static_cast<int>(h6);
    double frac = h6 - sextant;
    double m1 = 2 * l - m2;
    double rise = m1 + (m2 - m1) * frac;
    double fall = m2 - (m2 - m1) * frac;
    double r, g, b;
    switch (sextant) {
    case 1: r = fall; g = m2; b = m1; break;
    case 2: r = m1; g = m2; b = rise; break;
    case 3: r = m1; g = fall; b = m2; break;
    case 4: r = rise; g = m1; b = m2; break;
    case 5: r = m2; g = m1; b = fall; break;
    default: r = m2; g = rise; b = m1; break;
    }
    // Luminances above 240 push channels past 1.0: they saturate at 255.
    auto channel = [](double v) { return RoundEven(std::clamp(v, 0.0, 1.0) * 255); };
    return RgbColor(channel(r), channel(g), channel(b));
}

int HueOfColor(TColor color) { return HslFromColor(color).Hue; }

TColor DarkenColor(TColor color, std::uint8_t amount) {
    THsl hsl = HslFromColor(color);
    return ColorFromHsl(hsl.Hue, hsl.Saturation, std::max(hsl.Luminance - amount, 0));
}

TColor LightenColor(TColor color, std::uint8_t amount) {
    THsl hsl = HslFromColor(color);
    // Up to 255, beyond the 240 scale: ColorFromHsl saturates the channels.
    return ColorFromHsl(hsl.Hue, hsl.Saturation, std::min(hsl.Luminance + amount, 255));
}

TColor ShiftColorLuminance(TColor color, int delta) {
    if (delta < 0) return DarkenColor(color, static_cast<std::uint8_t>(std::min(-delta, 255)));
    if (delta > 0) return LightenColor(color, static_cast<std::uint8_t>(std::min(delta, 255)));
    return color;
}

TColor MixColors(TColor color1, TColor color2, std::uint8_t weight) {
    COLORREF c1 = ui::ColorToRGB(color1), c2 = ui::ColorToRGB(color2);
    double w = weight / 255.0;
    auto mix = [w](int a, int b) { return RoundEven(w * a + (1 - w) * b); };
    return RgbColor(mix(GetRValue(c1), GetRValue(c2)), mix(GetGValue(c1), GetGValue(c2)),
                    mix(GetBValue(c1), GetBValue(c2)));
}

bool ColorsAreSimilar(TColor color1, TColor color2) {
    THsl a = HslFromColor(color1), b = HslFromColor(color2);
    return std::abs(a.Hue - b.Hue) < 20 && std::abs(a.Luminance - b.Luminance) < 60;
}

TColor OppositeHueColor(TColor color, std::uint8_t luminance) {
    int hue = HueOfColor(color);
    return ColorFromHsl(hue < 120 ? hue + 120 : hue - 120, 240, luminance);
}

// ---- Desktop colour scheme and screen ---------------------------------------------------

const TColor ThemeSchemeColors[3][7] = {
    // xcsNormal
    {RGB(0, 0, 128), RGB(255, 238, 194), RGB(255, 217, 160), RGB(227, 239, 255), RGB(153, 187, 234),
     RGB(123, 162, 231), RGB(99, 117, 214)},
    // xcsHomestead
    {RGB(63, 93, 56), RGB(255, 238, 194), RGB(255, 217, 160), RGB(255, 255, 237), RGB(184, 199, 146),
     RGB(204, 217, 173), RGB(165, 189, 132)},
    // xcsMetallic
    {RGB(75, 75, 111), RGB(255, 238, 194), RGB(255, 217, 160), RGB(249, 249, 255), RGB(189, 188, 208),
     RGB(196, 200, 212), RGB(177, 179, 200)},
};

namespace {

// An open registry key, closed on every path.
class RegKeyOwner {
public:
    RegKeyOwner() = default;
    RegKeyOwner(const RegKeyOwner&) = delete;
    RegKeyOwner& operator=(const RegKeyOwner&) = delete;
    ~RegKeyOwner() { if (FKey) RegCloseKey(FKey); }
    HKEY* Put() { return &FKey; }
    HKEY Get() const { return FKey; }

private:
    HKEY FKey = nullptr;
};

// A REG_SZ value, or an empty string when it is missing, of another type or unreadable.
std::wstring ReadRegistryString(HKEY root, const wchar_t* subKey, const wchar_t* name) {
    RegKeyOwner key;
    if (RegOpenKeyExW(root, subKey, 0, KEY_QUERY_VALUE, key.Put()) != ERROR_SUCCESS) return {};
    DWORD type = 0, bytes = 0;
    if (RegQueryValueExW(key.Get(), name, nullptr, &type, nullptr, &bytes) != ERROR_SUCCESS) return {};
    if ((type != REG_SZ && type != REG_EXPAND_SZ) || bytes == 0 || bytes > 4096) return {};
    // The stored data need not end in a NUL: allocate one character more and size by bytes.
    std::wstring value(bytes / sizeof(wchar_t) + 1, L'\0');
    if (RegQueryValueExW(key.Get(), name, nullptr, &type, reinterpret_cast<BYTE*>(value.data()), &bytes) !=
        ERROR_SUCCESS)
        return {};
    value.resize(std::min<size_t>(bytes / sizeof(wchar_t), value.size()));
    value.resize(wcsnlen(value.c_str(), value.size()));
    return value;
}

} // namespace

XpColorScheme DetectXpColorScheme() {
    // The theme manager keeps the scheme as an INI-style section: the section is a sub-key.
    std::wstring name = ReadRegistryString(HKEY_CURRENT_USER,
                                           L"Software\\Microsoft\\Windows\\CurrentVersion\\ThemeManager",
                                           L"ColorName");
    for (wchar_t& ch : name) ch = static_cast<wchar_t>(std::towupper(ch));
    if (name == L"HOMESTEAD") return xcsHomestead;
    if (name == L"METALLIC") return xcsMetallic;
    return xcsNormal;
}

bool ScreenHasFullColor() {
    ui::WindowDc screen(nullptr);
    if (!screen.Get()) return true;
    // NUMCOLORS is -1 on devices with more than 256 colours (no palette).
    return GetDeviceCaps(screen, NUMCOLORS) == -1;
}

namespace {

// Version 6 of the common controls is what actually draws themed; a program without the
// themed-controls request in its resources gets version 5 and looks classic on any desktop.
bool ThemedCommonControlsLoaded() {
    HMODULE comctl = GetModuleHandleW(L"comctl32.dll");
    if (!comctl) return false;
    auto getVersion = reinterpret_cast<HRESULT(CALLBACK*)(DLLVERSIONINFO*)>(
        reinterpret_cast<void*>(GetProcAddress(comctl, "DllGetVersion")));
    if (!getVersion) return false;
    DLLVERSIONINFO info{};
    info.cbSize = sizeof(info);
    return SUCCEEDED(getVersion(&info)) && info.dwMajorVersion >= 6;
}

} // namespace

bool VisualThemesActive() {
    return ThemeActiveForProgram() && ThemedCommonControlsLoaded();
}

// ---- Scheme colours ---------------------------------------------------------------------

namespace {
bool UseSchemeTable(TWkGradientColorStyle style) { return style == gcsMSOffice && VisualThemesActive(); }
const TColor* SchemeSlots() { return ThemeSchemeColors[std::min<int>(KitColorScheme(), xcsMetallic)]; }
} // namespace

TSelectionColors ToolButtonSelectionColors(TWkGradientColorStyle style) {
    TSelectionColors c;
    if (UseSchemeTable(style)) {
        const TColor* slot = SchemeSlots();
        c = {slot[0], slot[1], slot[2]};
    } else {
        c.Frame = ui::clHighlight;
        c.Stop = MixColors(ui::clHighlight, ui::clWindow, 77);
        c.Start = LightenColor(c.Stop, 20);
    }
    // On a palette screen a gradient would dither: the selection is flat.
    if (!KitFullColor()) c.Start = c.Stop;
    return c;
}

TGradientColors PanelGradientColors(TWkGradientColorStyle style) {
    if (UseSchemeTable(style)) return {SchemeSlots()[3], SchemeSlots()[4]};
    return {ui::clWindow, DarkenColor(ui::clBtnFace, 10)};
}

TStatusBarColors StatusBarGradientColors(TWkGradientColorStyle style) {
    if (UseSchemeTable(style)) return {SchemeSlots()[4], SchemeSlots()[3], SchemeSlots()[4]};
    return {DarkenColor(ui::clBtnFace, 20), ui::clWindow, DarkenColor(ui::clBtnFace, 40)};
}

TGradientColors GroupBarGradientColors(TWkGradientColorStyle style) {
    if (UseSchemeTable(style)) return {SchemeSlots()[5], SchemeSlots()[6]};
    return {MixColors(ui::clBlack, ui::clBtnFace, 40), MixColors(ui::clBlack, ui::clBtnFace, 80)};
}

} // namespace wk
