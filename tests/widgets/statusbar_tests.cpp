// Status bar and panes: the main window's bar (gradient, glyph, caption position, size grip
// and when it shows), the divider of a second pane, a caption change repainting the pane,
// the grip zone reaching the bar, blinking and the shared blink list, proportional panes,
// glyph cells and the names layouts store.
#include "widgets/WkStatusBar.h"
#include "ui/Form.h"
#include "ui/ImageList.h"
#include "ui/Layout.h"
#include "widgets/WkBlink.h"
#include "widgets/WkColors.h"
#include "widgets/WkKit.h"
#include "widgets/WkPanel.h"
#include <gtest/gtest.h>
#include <cstdlib>
#include <memory>

using namespace wk;

namespace {

constexpr COLORREF kImageColor = RGB(200, 0, 0);

void FillImages(ui::TImageList& list, int count) {
    ui::DibSurface strip(16 * count, 16);
    strip.Fill(kImageColor);
    ui::BitmapOwner copy(CreateCompatibleBitmap(strip.Dc(), 16 * count, 16));
    {
        ui::MemoryDcOwner dc(CreateCompatibleDC(strip.Dc()));
        ui::SelectGuard select(dc, copy);
        BitBlt(dc, 0, 0, 16 * count, 16, strip.Dc(), 0, 0, SRCCOPY);
    }
    list.AddStrip(copy);
}

bool Near(COLORREF a, COLORREF b, int tolerance) {
    return std::abs(GetRValue(a) - GetRValue(b)) <= tolerance && std::abs(GetGValue(a) - GetGValue(b)) <= tolerance &&
           std::abs(GetBValue(a) - GetBValue(b)) <= tolerance;
}

bool IsDark(COLORREF c) { return GetRValue(c) + GetGValue(c) + GetBValue(c) < 200; }

// The main window: a sizeable form with the status bar at the bottom holding one glyph pane.
class StatusBarTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetKitSettings(true, xcsNormal);
        form = std::make_unique<ui::TForm>();
        form->SetBounds(50, 50, 720, 520);
        images = new ui::TImageList(form.get());
        FillImages(*images, 3);
        bar = new TWkStatusBar(form.get());
        bar->SetParent(form.get());
        bar->SetGradientColorStyle(gcsCustom);
        bar->SetVisualStyle(vsGradient);
        pane = new TWkGlyphStatus(form.get());
        pane->SetParent(bar);
        pane->SetAlign(ui::alClient);
        pane->SetCaption(L"Ready");
        pane->SetImages(images);
        pane->SetImageIndex(2);
    }

    std::unique_ptr<ui::DibSurface> Render() {
        auto dib = std::make_unique<ui::DibSurface>(bar->Width(), bar->Height());
        bar->PaintTo(dib->Dc(), ui::Rect{0, 0, bar->Width(), bar->Height()});
        return dib;
    }

    std::unique_ptr<ui::TForm> form;
    ui::TImageList* images = nullptr;
    TWkStatusBar* bar = nullptr;
    TWkGlyphStatus* pane = nullptr;
};

TEST_F(StatusBarTest, MainWindowBar) {
    form->Show();
    ASSERT_EQ(bar->Height(), 19);
    ASSERT_EQ(bar->Width(), form->ClientWidth());
    ASSERT_EQ(pane->BoundsRect(), (ui::Rect{0, 0, bar->Width(), 19}));
    auto dib = Render();
    const int w = bar->Width();

    // No frame, no divider: clBtnFace at the top row to white at the bottom row.
    EXPECT_EQ(dib->Pixel(2, 18), RGB(255, 255, 255));
    EXPECT_TRUE(Near(dib->Pixel(2, 0), ui::ColorToRGB(ui::clBtnFace), 4));
    EXPECT_EQ(dib->Pixel(0, 5), dib->Pixel(2, 5));
    // Each row is one colour from the caption to the grip: nothing else is drawn on the bar.
    for (int y = 0; y < 19; ++y)
        for (int x = 100; x < w - 20; ++x)
            ASSERT_EQ(dib->Pixel(x, y), dib->Pixel(2, y)) << x << "," << y;

    // The glyph at (4, 2), 16 x 16.
    EXPECT_EQ(dib->Pixel(4, 2), kImageColor);
    EXPECT_EQ(dib->Pixel(19, 17), kImageColor);
    EXPECT_NE(dib->Pixel(3, 2), kImageColor);
    EXPECT_NE(dib->Pixel(20, 10), kImageColor);

    // The caption starts at x = 23: text pixels from there, none between glyph and text.
    bool textBefore = false, text = false;
    for (int y = 2; y < 17; ++y) {
        for (int x = 20; x < 23; ++x) textBefore |= IsDark(dib->Pixel(x, y));
        for (int x = 23; x < 32; ++x) text |= IsDark(dib->Pixel(x, y));
    }
    EXPECT_FALSE(textBefore);
    EXPECT_TRUE(text);

    // The size grip over the pane: light dots (clWindow) with dark ones up-left of them.
    const COLORREF light = ui::ColorToRGB(ui::clWindow);
    const COLORREF dark = ui::ColorToRGB(DarkenColor(ui::clBtnFace, 40));
    const int b = 18;
    for (auto [dx, dy] : {std::pair{5, 12}, {5, 8}, {5, 4}, {9, 8}, {9, 4}, {13, 4}}) {
        EXPECT_EQ(dib->Pixel(w - dx + 1, b - dy + 1), light) << dx << "," << dy;
        EXPECT_EQ(dib->Pixel(w - dx - 1, b - dy - 1), dark) << dx << "," << dy;
    }

    // Maximised, the grip goes away. (Maximised through the window itself: the form's
    // SetWindowState after an earlier form's window was destroyed trips an X error under Wine.)
    ShowWindow(form->Handle(), SW_MAXIMIZE);
    auto maximised = Render();
    const int mw = bar->Width();
    EXPECT_GT(mw, w);
    EXPECT_NE(maximised->Pixel(mw - 6, b - 13), dark);
    EXPECT_EQ(maximised->Pixel(mw - 6, b - 13), maximised->Pixel(mw - 30, b - 13));
    ShowWindow(form->Handle(), SW_RESTORE);
    form->Hide();
}

TEST_F(StatusBarTest, SecondPaneDrawsDivider) {
    pane->SetAlign(ui::alLeft);
    pane->SetWidth(100);
    auto* second = new TWkCustomStatusPane(form.get());
    second->SetParent(bar);
    second->SetBounds(100, 0, 200, 19);
    bar->SetShowSizeGrip(false);
    bar->SetBounds(0, 0, 400, 19);
    auto dib = Render();
    const COLORREF divider = ui::ColorToRGB(StatusBarGradientColors(gcsCustom).Divider);
    // x = left + BorderWidth, from top + 2 to bottom - 2 (BorderWidth 1, ends left out).
    EXPECT_EQ(dib->Pixel(101, 2), divider);
    EXPECT_EQ(dib->Pixel(101, 16), divider);
    EXPECT_NE(dib->Pixel(101, 1), divider);
    EXPECT_NE(dib->Pixel(101, 17), divider);
    EXPECT_NE(dib->Pixel(1, 8), divider); // the leftmost pane has none
}

TEST_F(StatusBarTest, NewCaptionRepaintsThePane) {
    form->Show();
    HWND wnd = bar->Handle();
    UpdateWindow(wnd);
    RECT dirty{};
    ASSERT_FALSE(GetUpdateRect(wnd, &dirty, FALSE));
    pane->SetCaption(L"Ready"); // the same text: nothing to do
    EXPECT_FALSE(GetUpdateRect(wnd, &dirty, FALSE));
    pane->SetCaption(L"当前游戏：Tank");
    ASSERT_TRUE(GetUpdateRect(wnd, &dirty, FALSE));
    EXPECT_EQ(ui::Rect(dirty).Intersected(pane->BoundsRect()), pane->BoundsRect());
    form->Hide();
}

TEST_F(StatusBarTest, GripZoneBelongsToTheBar) {
    form->Show();
    bar->Invalidate();
    bar->Update(); // the grip's allowance is recomputed at every paint
    ASSERT_TRUE(bar->SizeGripActive());
    const int w = bar->Width();
    EXPECT_EQ(bar->ControlAtPos({w - 20, 9}), pane);
    EXPECT_EQ(bar->ControlAtPos({w - 5, 9}), nullptr);
    bar->SetShowSizeGrip(false);
    EXPECT_EQ(bar->ControlAtPos({w - 5, 9}), pane);
    form->Hide();
}

TEST_F(StatusBarTest, PanesScaleWithTheBar) {
    pane->SetAlign(ui::alNone);
    bar->SetAlign(ui::alNone);
    bar->SetBounds(0, 0, 400, 19);
    pane->SetBounds(0, 0, 100, 19);
    auto* second = new TWkCustomStatusPane(form.get());
    second->SetParent(bar);
    second->SetBounds(100, 0, 300, 19);
    bar->SetAutoScalePanes(true);
    bar->SetBounds(0, 0, 480, 19);
    EXPECT_EQ(pane->Width(), 120);
    EXPECT_EQ(second->Width(), 360);
    bar->SetAutoScalePanes(false);
    bar->SetBounds(0, 0, 400, 19);
    EXPECT_EQ(pane->Width(), 120);
}

TEST_F(StatusBarTest, SimpleStatusHidesPanes) {
    bar->SetSimpleStatus(true);
    EXPECT_FALSE(pane->Visible());
    bar->SetSimpleStatus(false);
    EXPECT_TRUE(pane->Visible());
}

TEST(StatusPane, BlinkListLivesFromFirstPaneToLast) {
    ASSERT_EQ(BlinkingControls(), nullptr);
    auto first = std::make_unique<TWkGlyphStatus>();
    TWkBlinkingControlsList* list = BlinkingControls();
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->Count(), 1);
    auto second = std::make_unique<TWkCustomStatusPane>();
    EXPECT_EQ(BlinkingControls(), list);
    EXPECT_EQ(list->Count(), 2);
    // The intervals are shared by every pane.
    second->SetBlinkIntervalOn(200);
    EXPECT_EQ(first->BlinkIntervalOn(), 200);

    // Blinking: phase 0 shows the font colour, phase 1 the blink colour; stopping restores it.
    ui::TFont font = first->Font();
    font.Color = ui::clRed;
    first->SetFont(font);
    first->SetBlinking(true);
    list->Tick(); // phase 1 -> 0
    EXPECT_EQ(first->DisplayedCaptionColor(), ui::clRed);
    list->Tick(); // phase 0 -> 1
    EXPECT_EQ(first->DisplayedCaptionColor(), ui::clHighlight);
    EXPECT_EQ(second->DisplayedCaptionColor(), second->Font().Color); // not blinking
    first->SetBlinking(false);
    EXPECT_EQ(first->DisplayedCaptionColor(), ui::clRed);

    first.reset();
    EXPECT_EQ(BlinkingControls(), list);
    EXPECT_EQ(list->Count(), 1);
    second.reset();
    EXPECT_EQ(BlinkingControls(), nullptr);
}

TEST_F(StatusBarTest, BitmapGlyphDrawsItsCellWithoutLeaking) {
    // A 32 x 16 bitmap of two cells: red, then green for the disabled look; the bottom-left
    // pixel's colour (magenta) is transparent.
    ui::DibSurface cells(32, 16);
    cells.Fill(RGB(255, 0, 0));
    for (int y = 0; y < 16; ++y)
        for (int x = 16; x < 32; ++x) SetPixelV(cells.Dc(), x, y, RGB(0, 255, 0));
    SetPixelV(cells.Dc(), 0, 15, RGB(255, 0, 255));
    SetPixelV(cells.Dc(), 5, 5, RGB(255, 0, 255));
    ui::BitmapOwner glyph(CreateCompatibleBitmap(cells.Dc(), 32, 16));
    {
        ui::MemoryDcOwner dc(CreateCompatibleDC(cells.Dc()));
        ui::SelectGuard select(dc, glyph);
        BitBlt(dc, 0, 0, 32, 16, cells.Dc(), 0, 0, SRCCOPY);
    }
    pane->SetImages(nullptr);
    pane->SetGlyph(std::move(glyph));
    EXPECT_EQ(pane->NumGlyphs(), 2);
    bar->SetShowSizeGrip(false);
    const long handlesBefore = ui::GdiLiveHandleCount();
    {
        auto dib = Render();
        EXPECT_EQ(dib->Pixel(4, 2), RGB(255, 0, 0));
        EXPECT_EQ(dib->Pixel(19, 16), RGB(255, 0, 0));
        EXPECT_EQ(dib->Pixel(4 + 5, 2 + 5), dib->Pixel(2, 7)); // transparent: the bar shows
        pane->SetEnabled(false);
        auto disabled = Render();
        EXPECT_EQ(disabled->Pixel(4, 2), RGB(0, 255, 0));
    }
    EXPECT_EQ(ui::GdiLiveHandleCount(), handlesBefore);
}

TEST(StatusPane, GlyphCellsFollowTheBitmap) {
    TWkGlyphStatus pane;
    auto bitmap = [](int w, int h) {
        ui::WindowDc screen(nullptr);
        return ui::BitmapOwner(CreateCompatibleBitmap(screen, w, h));
    };
    pane.SetGlyph(bitmap(64, 16));
    EXPECT_EQ(pane.NumGlyphs(), 4);
    pane.SetGlyph(bitmap(80, 16)); // 5 cells is too many: one
    EXPECT_EQ(pane.NumGlyphs(), 1);
    pane.SetNumGlyphs(2);
    pane.SetGlyph(bitmap(50, 16)); // not whole cells: kept
    EXPECT_EQ(pane.NumGlyphs(), 2);
}

TEST(StatusBarLayout, MainWindowBarIsRead) {
    ui::TClassRegistry registry;
    ui::RegisterFrameworkClasses(registry);
    RegisterWkPanelClasses(registry);
    RegisterWkStatusBarClasses(registry);
    ui::TForm form;
    ui::LoadLayoutText(form, L"StatusBar.layout", R"(object Form: TForm
  Width = 720
  Height = 520
  object ImageList1: TImageList
    Width = 16
    Height = 16
  end
  object WkStatusBar1: TWkStatusBar
    Left = 0
    Top = 467
    Width = 712
    Height = 19
    BorderInner = fsNone
    BorderOuter = fsNone
    BorderSides = [sdLeft, sdTop, sdRight, sdBottom]
    BorderWidth = 0
    GradientColorStyle = gcsCustom
    VisualStyle = vsGradient
    TabOrder = 1
    object WkGlyphStatus1: TWkGlyphStatus
      Left = 0
      Top = 0
      Width = 712
      Height = 19
      Align = alClient
      Caption = '准备 - 鼠标双击列表中游戏或鼠标右键菜单开始游戏......'
      Images = ImageList1
      ImageIndex = 2
    end
  end
end
)",
                        registry);
    auto* bar = dynamic_cast<TWkStatusBar*>(form.FindComponent(L"WkStatusBar1"));
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(bar->Align(), ui::alBottom);
    EXPECT_TRUE(bar->AutoStyle());
    EXPECT_EQ(bar->VisualStyle(), vsGradient);
    EXPECT_EQ(bar->GradientColorStyle(), gcsCustom);
    auto* pane = dynamic_cast<TWkGlyphStatus*>(form.FindComponent(L"WkGlyphStatus1"));
    ASSERT_NE(pane, nullptr);
    EXPECT_EQ(pane->Parent(), bar);
    EXPECT_EQ(pane->Images(), form.FindComponent(L"ImageList1"));
    EXPECT_EQ(pane->ImageIndex(), 2);
    EXPECT_EQ(pane->Caption(), L"准备 - 鼠标双击列表中游戏或鼠标右键菜单开始游戏......");
}

} // namespace
