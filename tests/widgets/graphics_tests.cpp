// Colour arithmetic, colour schemes, frame painters and the small helpers of the kit.
// Painting is checked pixel by pixel in a 32-bit DIB; system colours are read from the
// running system rather than written down.
#include "widgets/WkGraphics.h"
#include "widgets/WkKit.h"
#include <gtest/gtest.h>
#include <string>

using namespace wk;
using ui::Rect;

namespace {

COLORREF Rgb(TColor c) { return ui::ColorToRGB(c); }
constexpr COLORREF kPaper = RGB(1, 2, 3); // a colour no painter uses

struct Surface {
    explicit Surface(int w = 16, int h = 16) : dib(w, h) { dib.Fill(kPaper); }
    COLORREF At(int x, int y) const { return dib.Pixel(x, y); }
    // Number of pixels that differ from the paper.
    int Painted() const {
        int n = 0;
        for (int y = 0; y < dib.Height(); ++y)
            for (int x = 0; x < dib.Width(); ++x) n += At(x, y) != kPaper;
        return n;
    }
    ui::DibSurface dib;
};

std::string Hex(COLORREF c) {
    char buf[16];
    snprintf(buf, sizeof buf, "(%d,%d,%d)", GetRValue(c), GetGValue(c), GetBValue(c));
    return buf;
}
#define EXPECT_PIXEL(s, x, y, c) EXPECT_EQ(Hex((s).At(x, y)), Hex(c)) << "at (" << (x) << ", " << (y) << ")"

} // namespace

// ---- Colour arithmetic ------------------------------------------------------------------

TEST(HslConversion, WorkedExamplesAndRounding) {
    EXPECT_EQ(HslFromColor(RGB(255, 0, 0)), (THsl{0, 240, 120}));
    EXPECT_EQ(HslFromColor(ui::clWhite), (THsl{0, 0, 240}));
    EXPECT_EQ(HslFromColor(ui::clBlack), (THsl{0, 0, 0}));
    THsl grey = HslFromColor(RGB(128, 128, 128));
    EXPECT_EQ(grey.Hue, 0);
    EXPECT_EQ(grey.Saturation, 0);
    EXPECT_EQ(grey.Luminance, 120);
    // A system colour is looked up first.
    EXPECT_EQ(HslFromColor(ui::clBtnShadow), HslFromColor(Rgb(ui::clBtnShadow)));
}

TEST(HslConversion, ColorFromHslDividesHueBy239) {
    EXPECT_EQ(ColorFromHsl(0, 0, 120), RGB(128, 128, 128));
    for (int hue : {0, 40, 80, 160, 239})
        EXPECT_EQ(ColorFromHsl(hue, 240, 240), RGB(255, 255, 255)) << hue;
    EXPECT_EQ(ColorFromHsl(80, 240, 120), RGB(0, 255, 2)); // not pure green
    EXPECT_EQ(ColorFromHsl(0, 240, 120), RGB(255, 0, 0));
    EXPECT_EQ(ColorFromHsl(239, 240, 120), ColorFromHsl(0, 240, 120));
    EXPECT_EQ(ColorFromHsl(0, 0, 0), RGB(0, 0, 0));
}

TEST(Luminance, LightenDarkenAndShift) {
    EXPECT_EQ(LightenColor(RGB(128, 128, 128), 100), RGB(234, 234, 234));
    // Luminance 200 + 100 goes to 255, past the scale: white.
    TColor light = ColorFromHsl(100, 120, 200);
    ASSERT_EQ(HslFromColor(light).Luminance, 200);
    EXPECT_EQ(LightenColor(light, 100), RGB(255, 255, 255));
    EXPECT_EQ(DarkenColor(RGB(100, 50, 20), 250), RGB(0, 0, 0));
    EXPECT_EQ(HslFromColor(DarkenColor(RGB(128, 128, 128), 20)).Luminance, 100);
    // 0 keeps a system colour a system colour; others convert.
    EXPECT_EQ(ShiftColorLuminance(ui::clBtnShadow, 0), ui::clBtnShadow);
    EXPECT_EQ(ShiftColorLuminance(ui::clBtnFace, -30), DarkenColor(ui::clBtnFace, 30));
    EXPECT_EQ(ShiftColorLuminance(ui::clBtnFace, 30), LightenColor(ui::clBtnFace, 30));
    EXPECT_EQ(ShiftColorLuminance(RGB(90, 90, 90), -1000), RGB(0, 0, 0)); // clamped, not wrapped
}

TEST(ColorMixing, WeightsSimilarityAndOpposites) {
    EXPECT_EQ(MixColors(RGB(200, 100, 0), RGB(0, 50, 255), 255), RGB(200, 100, 0));
    EXPECT_EQ(MixColors(RGB(200, 100, 0), RGB(0, 50, 255), 0), RGB(0, 50, 255));
    // 40/255 of black over (192,192,192): 192 * 215/255 = 161.88 -> 162.
    EXPECT_EQ(MixColors(ui::clBlack, RGB(192, 192, 192), 40), RGB(162, 162, 162));

    // Hue difference of exactly 20 (red vs orange) is not similar; 19 is.
    ASSERT_EQ(HueOfColor(RGB(255, 128, 0)), 20);
    ASSERT_EQ(HueOfColor(RGB(255, 121, 0)), 19);
    EXPECT_FALSE(ColorsAreSimilar(RGB(255, 0, 0), RGB(255, 128, 0)));
    EXPECT_TRUE(ColorsAreSimilar(RGB(255, 0, 0), RGB(255, 121, 0)));
    // Luminance difference of exactly 60 is not similar; 59 is.
    ASSERT_EQ(HslFromColor(RGB(64, 64, 64)).Luminance, 60);
    ASSERT_EQ(HslFromColor(RGB(63, 63, 63)).Luminance, 59);
    EXPECT_FALSE(ColorsAreSimilar(ui::clBlack, RGB(64, 64, 64)));
    EXPECT_TRUE(ColorsAreSimilar(ui::clBlack, RGB(63, 63, 63)));

    EXPECT_EQ(OppositeHueColor(RGB(255, 0, 0), 120), ColorFromHsl(120, 240, 120));
    EXPECT_EQ(OppositeHueColor(RGB(0, 0, 255), 60), ColorFromHsl(40, 240, 60));
}

// ---- Schemes ----------------------------------------------------------------------------

namespace {
// Restores the kit's process-wide settings after a test changed them.
struct KitSettingsScope {
    KitSettingsScope() : full(KitFullColor()), scheme(KitColorScheme()) {}
    ~KitSettingsScope() { SetKitSettings(full, scheme); }
    bool full;
    XpColorScheme scheme;
};

struct RegistryScope {
    static constexpr const wchar_t* kKey = L"Software\\Microsoft\\Windows\\CurrentVersion\\ThemeManager";
    ~RegistryScope() { RegDeleteKeyW(HKEY_CURRENT_USER, kKey); }
    void Set(const wchar_t* value) {
        HKEY key;
        ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, kKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr), 0);
        RegSetValueExW(key, L"ColorName", 0, REG_SZ, reinterpret_cast<const BYTE*>(value),
                       DWORD((wcslen(value) + 1) * sizeof(wchar_t)));
        RegCloseKey(key);
    }
    void SetNumber(DWORD v) {
        HKEY key;
        ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, kKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr), 0);
        RegSetValueExW(key, L"ColorName", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&v), sizeof v);
        RegCloseKey(key);
    }
};
} // namespace

TEST(ColorSchemes, DetectedFromRegistryCaseInsensitively) {
    RegistryScope reg;
    RegDeleteKeyW(HKEY_CURRENT_USER, RegistryScope::kKey);
    EXPECT_EQ(DetectXpColorScheme(), xcsNormal); // no key
    reg.Set(L"HomeStead");
    EXPECT_EQ(DetectXpColorScheme(), xcsHomestead);
    reg.Set(L"metallic");
    EXPECT_EQ(DetectXpColorScheme(), xcsMetallic);
    reg.Set(L"NormalColor");
    EXPECT_EQ(DetectXpColorScheme(), xcsNormal);
    reg.Set(L"");
    EXPECT_EQ(DetectXpColorScheme(), xcsNormal);
    reg.SetNumber(2); // wrong type
    EXPECT_EQ(DetectXpColorScheme(), xcsNormal);
}

TEST(ColorSchemes, ClassicColoursWithoutThemes) {
    if (VisualThemesActive()) GTEST_SKIP() << "the themed column applies on this desktop";
    KitSettingsScope keep;
    SetKitSettings(true, xcsHomestead);
    // gcsMSOffice falls back to the system colours when themes are off, whatever the scheme.
    TSelectionColors office = ToolButtonSelectionColors(gcsMSOffice);
    TSelectionColors system = ToolButtonSelectionColors(gcsSystem);
    EXPECT_EQ(office.Frame, system.Frame);
    EXPECT_EQ(office.Start, system.Start);
    EXPECT_EQ(office.Stop, system.Stop);
    EXPECT_NE(system.Start, system.Stop);
    EXPECT_EQ(StatusBarGradientColors(gcsMSOffice).Start, StatusBarGradientColors(gcsSystem).Start);

    // On a 256-colour screen the selection is flat.
    SetKitSettings(false, xcsNormal);
    TSelectionColors flat = ToolButtonSelectionColors(gcsSystem);
    EXPECT_EQ(flat.Start, flat.Stop);
}

// ---- Rings ------------------------------------------------------------------------------

TEST(FrameSides, CornerOwnershipInsetsAndNone) {
    {
        Surface s;
        ui::TCanvas c(s.dib.Dc());
        Rect inner = PaintFrameSides(c, Rect{2, 3, 12, 13}, RGB(255, 0, 0), RGB(0, 0, 255), kAllSides);
        EXPECT_EQ(inner, (Rect{3, 4, 11, 12}));
        EXPECT_PIXEL(s, 2, 3, RGB(255, 0, 0));   // top-left: upper-left colour
        EXPECT_PIXEL(s, 11, 3, RGB(0, 0, 255));  // top-right and bottom-left: lower-right colour
        EXPECT_PIXEL(s, 2, 12, RGB(0, 0, 255));
        EXPECT_PIXEL(s, 11, 12, RGB(0, 0, 255));
        EXPECT_PIXEL(s, 12, 13, kPaper);         // right/bottom edges excluded
        EXPECT_PIXEL(s, 3, 4, kPaper);
        EXPECT_EQ(s.Painted(), 2 * 10 + 2 * 8);
    }
    {
        Surface s;
        ui::TCanvas c(s.dib.Dc());
        Rect inner = PaintFrameSides(c, Rect{2, 3, 12, 13}, RGB(255, 0, 0), RGB(0, 0, 255), sdRight);
        EXPECT_EQ(inner, (Rect{2, 3, 11, 13}));
        for (int y = 3; y < 13; ++y) EXPECT_PIXEL(s, 11, y, RGB(0, 0, 255));
        EXPECT_EQ(s.Painted(), 10);
    }
    {
        // clNone draws nothing on its sides but still insets them.
        Surface s;
        ui::TCanvas c(s.dib.Dc());
        Rect inner = PaintFrameSides(c, Rect{0, 0, 8, 8}, ui::clNone, RGB(0, 255, 0), sdLeft | sdTop | sdBottom);
        EXPECT_EQ(inner, (Rect{1, 1, 8, 7}));
        EXPECT_PIXEL(s, 0, 0, kPaper);
        EXPECT_PIXEL(s, 0, 7, RGB(0, 255, 0));
        EXPECT_EQ(s.Painted(), 8);
    }
}

TEST(FrameSides, BevelAndTwoRingBorders) {
    Surface s;
    ui::TCanvas c(s.dib.Dc());
    EXPECT_EQ(PaintBevel(c, Rect{1, 1, 9, 9}, ui::clBlack, ui::clBlack, kAllSides, 0), (Rect{1, 1, 9, 9}));
    EXPECT_EQ(s.Painted(), 0);
    EXPECT_EQ(PaintBevel(c, Rect{0, 0, 16, 16}, RGB(9, 9, 9), RGB(9, 9, 9), sdTop | sdBottom, 3), (Rect{0, 3, 16, 13}));
    EXPECT_PIXEL(s, 5, 2, RGB(9, 9, 9));
    EXPECT_PIXEL(s, 5, 13, RGB(9, 9, 9));
    EXPECT_PIXEL(s, 5, 3, kPaper);

    Surface raised;
    ui::TCanvas rc(raised.dib.Dc());
    EXPECT_EQ(PaintFrameStyle(rc, Rect{0, 0, 10, 10}, fsRaised), (Rect{2, 2, 8, 8}));
    EXPECT_PIXEL(raised, 0, 0, Rgb(ui::cl3DLight));
    EXPECT_PIXEL(raised, 9, 9, Rgb(ui::cl3DDkShadow));
    EXPECT_PIXEL(raised, 1, 1, Rgb(ui::clBtnHighlight));
    EXPECT_PIXEL(raised, 8, 8, Rgb(ui::clBtnShadow));
}

// ---- Styles -----------------------------------------------------------------------------

TEST(FrameStyles, EtchedFrameCornerPixels) {
    const COLORREF shadow = Rgb(ui::clBtnShadow), light = Rgb(ui::clBtnHighlight);
    {
        Surface s;
        ui::TCanvas c(s.dib.Dc());
        EXPECT_EQ(PaintFrameStyle(c, Rect{0, 0, 10, 10}, fsGroove), (Rect{2, 2, 8, 8}));
        EXPECT_PIXEL(s, 0, 0, shadow);
        EXPECT_PIXEL(s, 9, 0, light); // set by the corner rule, no ring reaches it
        EXPECT_PIXEL(s, 0, 9, light);
        EXPECT_PIXEL(s, 1, 1, light);
        EXPECT_PIXEL(s, 8, 1, shadow); // the outer ring's right side is drawn last
        EXPECT_PIXEL(s, 8, 8, shadow);
        EXPECT_PIXEL(s, 9, 9, light);
        EXPECT_PIXEL(s, 2, 2, kPaper);
    }
    {
        // Top and left only: the open ends are closed in the outer colour.
        Surface s;
        ui::TCanvas c(s.dib.Dc());
        EXPECT_EQ(PaintFrameStyle(c, Rect{0, 0, 10, 10}, fsGroove, sdLeft | sdTop), (Rect{2, 2, 10, 10}));
        EXPECT_PIXEL(s, 9, 0, shadow);
        EXPECT_PIXEL(s, 0, 9, shadow);
        EXPECT_PIXEL(s, 9, 1, light);
        EXPECT_PIXEL(s, 1, 9, light);
        EXPECT_PIXEL(s, 9, 9, kPaper);
    }
    {
        // Right only: (r-2, b-1) closes the bottom end of the inner line.
        Surface s;
        ui::TCanvas c(s.dib.Dc());
        EXPECT_EQ(PaintFrameStyle(c, Rect{0, 0, 10, 10}, fsGroove, sdRight), (Rect{0, 0, 8, 10}));
        EXPECT_PIXEL(s, 9, 0, light);
        EXPECT_PIXEL(s, 8, 9, shadow);
        EXPECT_PIXEL(s, 8, 0, shadow);
        EXPECT_PIXEL(s, 9, 9, light);
        EXPECT_EQ(s.Painted(), 20);
    }
}

TEST(FrameStyles, NoneFlatTintedAndEmptyRects) {
    Surface s;
    ui::TCanvas c(s.dib.Dc());
    EXPECT_EQ(PaintFrameStyle(c, Rect{1, 1, 9, 9}, fsNone), (Rect{1, 1, 9, 9}));
    EXPECT_EQ(PaintTintedFrameStyle(c, Rect{1, 1, 9, 9}, RGB(0, 128, 255), fsNone), (Rect{1, 1, 9, 9}));
    EXPECT_EQ(s.Painted(), 0);

    // Zero-width and zero-height rectangles draw nothing visible, whatever the style.
    for (int style = fsNone; style <= fsFlatBold; ++style) {
        PaintFrameStyle(c, Rect{5, 5, 5, 12}, TFrameStyle(style));
        PaintFrameStyle(c, Rect{5, 5, 12, 5}, TFrameStyle(style));
        PaintTintedFrameStyle(c, Rect{5, 5, 5, 12}, RGB(0, 128, 255), TFrameStyle(style));
        PaintRoundedFlatFrame(c, Rect{5, 5, 12, 5}, ui::clBlack);
    }
    EXPECT_EQ(s.Painted(), 0);

    const TColor base = RGB(0, 128, 255);
    Surface t;
    ui::TCanvas tc(t.dib.Dc());
    PaintTintedFrameStyle(tc, Rect{0, 0, 16, 16}, base, fsRaised);
    EXPECT_PIXEL(t, 0, 0, LightenColor(base, 50));
    EXPECT_PIXEL(t, 15, 15, DarkenColor(base, 100));
    EXPECT_PIXEL(t, 1, 1, LightenColor(base, 100));
    EXPECT_PIXEL(t, 14, 14, DarkenColor(base, 50));
}

TEST(FrameStyles, RoundedFlatFrameCutsCorners) {
    Surface s;
    ui::TCanvas c(s.dib.Dc());
    EXPECT_EQ(PaintRoundedFlatFrame(c, Rect{0, 0, 10, 8}, RGB(0, 0, 0)), (Rect{2, 2, 8, 6}));
    for (auto [x, y] : {std::pair{0, 0}, {9, 0}, {0, 7}, {9, 7}}) EXPECT_PIXEL(s, x, y, kPaper);
    for (auto [x, y] : {std::pair{1, 1}, {8, 1}, {8, 6}, {1, 6}}) EXPECT_PIXEL(s, x, y, RGB(0, 0, 0));
    EXPECT_PIXEL(s, 0, 1, kPaper); // the side lines start two pixels in
    EXPECT_PIXEL(s, 0, 2, RGB(0, 0, 0));
    EXPECT_PIXEL(s, 2, 0, RGB(0, 0, 0));
    EXPECT_PIXEL(s, 1, 0, kPaper);
    // Left side only: a full-height line, no corner pixels.
    Surface l;
    ui::TCanvas lc(l.dib.Dc());
    EXPECT_EQ(PaintRoundedFlatFrame(lc, Rect{0, 0, 10, 8}, RGB(0, 0, 0), sdLeft), (Rect{2, 0, 10, 8}));
    EXPECT_EQ(l.Painted(), 8);
}

TEST(FrameStyles, OutlinesCornerMarksAndFocusDots) {
    Surface s;
    ui::TCanvas c(s.dib.Dc());
    EXPECT_EQ(PaintCornerMarks(c, Rect{0, 0, 12, 10}, RGB(0, 0, 0), 4), (Rect{1, 1, 11, 9}));
    // Each corner: 4 + 4 pixels sharing one.
    EXPECT_EQ(s.Painted(), 4 * 7);
    EXPECT_PIXEL(s, 3, 0, RGB(0, 0, 0));
    EXPECT_PIXEL(s, 4, 0, kPaper);
    EXPECT_PIXEL(s, 11, 3, RGB(0, 0, 0));
    EXPECT_PIXEL(s, 11, 6, RGB(0, 0, 0));
    EXPECT_PIXEL(s, 11, 5, kPaper);
    EXPECT_PIXEL(s, 8, 9, RGB(0, 0, 0));

    Surface f;
    ui::TCanvas fc(f.dib.Dc());
    EXPECT_EQ(PaintDottedFocusFrame(fc, Rect{0, 0, 6, 6}), (Rect{1, 1, 5, 5}));
    EXPECT_PIXEL(f, 0, 0, kPaper);
    EXPECT_PIXEL(f, 1, 0, RGB(0, 0, 0));
    EXPECT_PIXEL(f, 0, 1, RGB(0, 0, 0));
    EXPECT_PIXEL(f, 2, 0, kPaper);
    EXPECT_PIXEL(f, 5, 3, RGB(0, 0, 0));
    EXPECT_PIXEL(f, 3, 5, RGB(0, 0, 0));
}

// ---- Composite frames -------------------------------------------------------------------

TEST(InnerOuterFrames, PanelAndHelpPanelDefaults) {
    {
        // The help dialog's panel: outer fsStatus, inner fsNone, bevel 1, no border band.
        Surface s;
        ui::TCanvas c(s.dib.Dc());
        const TFrameSettings frame{.BorderOuter = fsStatus, .FlatColorAdjustment = 0};
        Rect r = PaintInnerOuterFrames(c, Rect{0, 0, 10, 10}, frame, ui::clBtnFace, ui::clBtnFace, false);
        EXPECT_EQ(r, (Rect{1, 1, 9, 9}));
        EXPECT_PIXEL(s, 0, 5, Rgb(ui::clBtnShadow));
        EXPECT_PIXEL(s, 5, 0, Rgb(ui::clBtnShadow));
        EXPECT_PIXEL(s, 9, 5, Rgb(ui::clBtnHighlight));
        EXPECT_PIXEL(s, 5, 9, Rgb(ui::clBtnHighlight));
        EXPECT_EQ(s.Painted(), 36);
    }
    {
        // Rounded outer frame with a border band: parent colour in the cut corners, the border
        // colour in the band and the flat colour (shifted) on the frame itself.
        Surface s;
        ui::TCanvas c(s.dib.Dc());
        const TColor parent = RGB(10, 20, 30), border = RGB(200, 0, 0), flat = RGB(100, 100, 100);
        const TFrameSettings frame{.BorderOuter = fsFlatRounded, .BorderWidth = 2, .BorderColor = border,
                                   .BorderHighlight = ui::clWhite, .BorderShadow = ui::clBlack, .FlatColor = flat,
                                   .FlatColorAdjustment = -20};
        Rect r = PaintInnerOuterFrames(c, Rect{0, 0, 12, 12}, frame, RGB(0, 90, 0), parent, false);
        EXPECT_EQ(r, (Rect{4, 4, 8, 8}));
        EXPECT_PIXEL(s, 0, 0, parent);
        EXPECT_PIXEL(s, 1, 1, ShiftColorLuminance(flat, -20));
        EXPECT_PIXEL(s, 0, 5, ShiftColorLuminance(flat, -20));
        EXPECT_PIXEL(s, 2, 5, border);
        EXPECT_PIXEL(s, 3, 5, border);
        EXPECT_PIXEL(s, 4, 5, kPaper);
    }
}

// Children are laid out inside FrameSettings().InsideFrames: every pair of styles must
// paint exactly that wide, or children would cover the frame or leave a gap beside it.
TEST(InnerOuterFrames, PaintedFramesAreAsWideAsTheLayoutInset) {
    Surface s(40, 40);
    ui::TCanvas c(s.dib.Dc());
    const Rect bounds{0, 0, 40, 40};
    for (int outer = fsNone; outer <= fsFlatRounded; ++outer)
        for (int inner = fsNone; inner <= fsFlatRounded; ++inner)
            for (TSides sides : {kAllSides, TSides(sdLeft | sdBottom), TSides(sdTop)})
                for (int bevel : {1, 3})
                    for (int band : {0, 2}) {
                        const TFrameSettings frame{.BorderOuter = TFrameStyleEx(outer), .BorderInner = TFrameStyleEx(inner),
                                                   .BorderSides = sides, .BorderWidth = band, .BevelWidth = bevel};
                        const Rect bandless = frame.InsideFrames(bounds);
                        const Rect expected{bandless.left + (HasSide(sides, sdLeft) ? band : 0),
                                            bandless.top + (HasSide(sides, sdTop) ? band : 0),
                                            bandless.right - (HasSide(sides, sdRight) ? band : 0),
                                            bandless.bottom - (HasSide(sides, sdBottom) ? band : 0)};
                        EXPECT_EQ(PaintInnerOuterFrames(c, bounds, frame, ui::clBtnFace, ui::clWindow, false), expected)
                            << outer << " " << inner << " sides " << sides << " bevel " << bevel << " band " << band;
                    }
}

TEST(InnerOuterFrames, NonClientFrameErasesThenFrames) {
    Surface s(12, 12);
    ui::TCanvas c(s.dib.Dc());
    PaintNonClientFrame(c, 12, 12, sdLeft | sdTop, RGB(0, 0, 200), RGB(50, 60, 70), fsFlat);
    EXPECT_PIXEL(s, 0, 5, RGB(0, 0, 200));
    EXPECT_PIXEL(s, 11, 5, RGB(50, 60, 70)); // erased, not framed
    EXPECT_PIXEL(s, 1, 5, RGB(50, 60, 70));
    EXPECT_PIXEL(s, 2, 5, kPaper);
}

TEST(GradientRing, OnlyTheTwoPixelBandAndTheCallersClipSurvives) {
    KitSettingsScope keep;
    SetKitSettings(true, xcsNormal);
    Surface s(12, 12);
    HDC dc = s.dib.Dc();
    // The caller clips to the left 10 columns.
    ui::RegionOwner clip(CreateRectRgn(0, 0, 10, 12));
    SelectClipRgn(dc, clip);
    {
        ui::TCanvas c(dc);
        PaintGradientRing(c, Rect{0, 0, 12, 12}, gdHorizontalEnd, RGB(255, 0, 0), RGB(255, 0, 0));
    }
    EXPECT_PIXEL(s, 0, 0, RGB(255, 0, 0));
    EXPECT_PIXEL(s, 1, 6, RGB(255, 0, 0));
    EXPECT_PIXEL(s, 2, 2, kPaper);
    EXPECT_PIXEL(s, 9, 9, kPaper);
    EXPECT_PIXEL(s, 11, 0, kPaper); // outside the caller's clip
    // The caller's clip is still in force afterwards.
    ui::BrushOwner brush(CreateSolidBrush(RGB(0, 255, 0)));
    RECT all{0, 0, 12, 12};
    FillRect(dc, &all, brush);
    EXPECT_PIXEL(s, 11, 5, kPaper);
    EXPECT_PIXEL(s, 5, 5, RGB(0, 255, 0));
    SelectClipRgn(dc, nullptr);

    // Not on a palette screen.
    SetKitSettings(false, xcsNormal);
    Surface p(12, 12);
    ui::TCanvas pc(p.dib.Dc());
    PaintGradientRing(pc, Rect{0, 0, 12, 12}, gdHorizontalEnd, RGB(255, 0, 0), RGB(0, 0, 255));
    EXPECT_EQ(p.Painted(), 0);
}

TEST(GradientRing, GroupBarBackdropFollowsStyleAndPath) {
    KitSettingsScope keep;
    SetKitSettings(true, xcsNormal);
    const TColor a = RGB(250, 0, 0), b = RGB(0, 0, 250);
    Surface classic(6, 6);
    {
        ui::TCanvas c(classic.dib.Dc());
        PaintGroupBarBackdrop(c, Rect{0, 0, 6, 6}, vsClassic, gcsCustom, a, b, gpTopToBottom);
    }
    EXPECT_EQ(classic.Painted(), 0);

    Surface down(6, 6), up(6, 6);
    {
        ui::TCanvas c(down.dib.Dc());
        PaintGroupBarBackdrop(c, Rect{0, 0, 6, 6}, vsGradient, gcsCustom, a, b, gpTopToBottom);
        ui::TCanvas u(up.dib.Dc());
        PaintGroupBarBackdrop(u, Rect{0, 0, 6, 6}, vsGradient, gcsCustom, a, b, gpBottomToTop);
    }
    EXPECT_PIXEL(down, 3, 5, b); // stop at the bottom
    EXPECT_GT(GetRValue(down.At(3, 0)), 200);
    EXPECT_PIXEL(up, 3, 5, a);   // colours exchanged: start at the bottom
    EXPECT_GT(GetBValue(up.At(3, 0)), 200);

    // The system scheme's colours when not custom; nothing on a palette screen.
    Surface sys(4, 4);
    {
        ui::TCanvas c(sys.dib.Dc());
        PaintGroupBarBackdrop(c, Rect{0, 0, 4, 4}, vsGradient, gcsSystem, a, b, gpTopToBottom);
    }
    if (!VisualThemesActive()) {
        EXPECT_PIXEL(sys, 0, 3, Rgb(GroupBarGradientColors(gcsSystem).Stop));
    }
    SetKitSettings(false, xcsNormal);
    Surface palette(4, 4);
    {
        ui::TCanvas c(palette.dib.Dc());
        PaintGroupBarBackdrop(c, Rect{0, 0, 4, 4}, vsGradient, gcsCustom, a, b, gpTopToBottom);
    }
    EXPECT_EQ(palette.Painted(), 0);
}

// ---- Helpers ----------------------------------------------------------------------------

TEST(Helpers, CenteredRectTruncatesTowardZero) {
    EXPECT_EQ(CenteredRect(Rect{0, 0, 10, 10}, 4, 4), (Rect{3, 3, 7, 7}));
    EXPECT_EQ(CenteredRect(Rect{0, 0, 10, 9}, 3, 4), (Rect{3, 2, 6, 6}));
    // (-9 + 0 - 2) / 2 = -5.5 -> -5 (toward zero, not -6).
    EXPECT_EQ(CenteredRect(Rect{-9, -9, 0, 0}, 2, 2), (Rect{-5, -5, -3, -3}));
    // Larger than the rect: it sticks out evenly.
    EXPECT_EQ(CenteredRect(Rect{0, 0, 4, 4}, 8, 8), (Rect{-2, -2, 6, 6}));
}

TEST(Helpers, RotatedFontKeepsTheFontAndTurnsIt) {
    ui::TFont font;
    font.Name = L"Tahoma";
    font.Height = -13;
    font.Style = ui::fsBold | ui::fsItalic;
    ui::FontOwner rotated = CreateRotatedFont(font, 90);
    ASSERT_TRUE(rotated);
    LOGFONTW lf{};
    ASSERT_EQ(GetObjectW(rotated, sizeof lf, &lf), int(sizeof lf));
    EXPECT_EQ(lf.lfEscapement, 900);
    EXPECT_EQ(lf.lfOrientation, 0);
    EXPECT_EQ(lf.lfWeight, FW_BOLD);
    EXPECT_TRUE(lf.lfItalic);
    EXPECT_EQ(lf.lfHeight, -13);
    EXPECT_EQ(std::wstring(lf.lfFaceName), L"Tahoma");

    EXPECT_TRUE(IsTrueTypeFont(font));
}

TEST(Helpers, RepaintTransparentChildrenInvalidatesMarkedOnly) {
    HWND parent = CreateWindowExW(0, L"STATIC", L"", WS_POPUP | WS_VISIBLE, 0, 0, 100, 100, nullptr, nullptr,
                                  nullptr, nullptr);
    ASSERT_TRUE(parent);
    HWND kids[3];
    for (int i = 0; i < 3; ++i)
        kids[i] = CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE, i * 30, 0, 20, 20, parent, nullptr,
                                  nullptr, nullptr);
    MarkWindowTransparent(kids[0], true);
    MarkWindowTransparent(kids[2], true);
    MarkWindowTransparent(kids[2], false);
    for (HWND k : kids) ValidateRect(k, nullptr);
    RepaintTransparentChildren(parent);
    EXPECT_TRUE(GetUpdateRect(kids[0], nullptr, FALSE));
    EXPECT_FALSE(GetUpdateRect(kids[1], nullptr, FALSE));
    EXPECT_FALSE(GetUpdateRect(kids[2], nullptr, FALSE));
    DestroyWindow(parent);
}
