// Status bar and panes: the main window's bar (gradient, glyph, caption position, size grip
// and when it shows), the divider of a second pane, a caption change repainting the pane,
// the grip zone and what a press and a drag there do, caption placement, clipping and the
// disabled look, the fill beside the glyph, automatic width, blinking and the shared blink
// list, proportional panes, glyph cells, the names layouts store and the bar's automatic
// style after loading.
#include "widgets/WkStatusBar.h"
#include "ui/Application.h"
#include "ui/Form.h"
#include "ui/ImageList.h"
#include "ui/Layout.h"
#include "widgets/WkBlink.h"
#include "widgets/WkColors.h"
#include "widgets/WkKit.h"
#include "widgets/WkPanel.h"
#include <gtest/gtest.h>
#include <algorithm>
#include <cstdlib>
#include <memory>
#include <vector>

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

// Text is smoothed: these tell its strokes' colours from the blends at their edges.
bool IsRed(COLORREF c) { return GetRValue(c) >= 200 && GetGValue(c) <= 150 && GetBValue(c) <= 150; }
bool IsWhite(COLORREF c) { return GetRValue(c) >= 250 && GetGValue(c) >= 250 && GetBValue(c) >= 250; }

// Columns of `dib` within rows [top, bottom) holding a pixel that `match`es.
template <typename Match>
std::vector<int> ColumnsWith(const ui::DibSurface& dib, Match match, int top, int bottom) {
    std::vector<int> columns;
    for (int x = 0; x < dib.Width(); ++x)
        for (int y = top; y < bottom; ++y)
            if (match(dib.Pixel(x, y))) {
                columns.push_back(x);
                break;
            }
    return columns;
}

// Records the system commands a window receives and keeps them from running (a sizing loop
// would wait for the mouse).
class SysCommandRecorder {
public:
    explicit SysCommandRecorder(HWND wnd) : FWnd(wnd) {
        SetPropW(wnd, kProp, this);
        FOld = reinterpret_cast<WNDPROC>(SetWindowLongPtrW(wnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Proc)));
    }
    ~SysCommandRecorder() {
        SetWindowLongPtrW(FWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(FOld));
        RemovePropW(FWnd, kProp);
    }
    SysCommandRecorder(const SysCommandRecorder&) = delete;
    SysCommandRecorder& operator=(const SysCommandRecorder&) = delete;
    std::vector<WPARAM> Commands;

private:
    static constexpr const wchar_t* kProp = L"PlumoraTestSysCommand";
    static LRESULT CALLBACK Proc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
        auto* self = static_cast<SysCommandRecorder*>(GetPropW(wnd, kProp));
        if (msg == WM_SYSCOMMAND) {
            self->Commands.push_back(wParam);
            return 0;
        }
        return CallWindowProcW(self->FOld, wnd, msg, wParam, lParam);
    }
    HWND FWnd;
    WNDPROC FOld = nullptr;
};

// Mouse input as the hardware would give it, at a screen point.
void SendMouse(DWORD flags) {
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dwFlags = flags;
    SendInput(1, &input, sizeof input);
}

// The steps of a drag, run from a timer while the form's own sizing loop owns the thread.
struct DragScript {
    POINT To{};
    int Step = 0;
};
DragScript* gDrag = nullptr;

void CALLBACK DragTimer(HWND, UINT, UINT_PTR id, DWORD) {
    if (!gDrag) return;
    switch (gDrag->Step++) {
    case 0: SetCursorPos(gDrag->To.x, gDrag->To.y); break;
    case 1: SendMouse(MOUSEEVENTF_MOVE); break; // a move at the new place, in case the first was merged
    default:
        SendMouse(MOUSEEVENTF_LEFTUP);
        KillTimer(nullptr, id);
        break;
    }
}

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

TEST_F(StatusBarTest, GripZoneIsTheRightmostTwelvePixelsAndAPressThereSizesTheForm) {
    form->Show();
    bar->Invalidate();
    bar->Update(); // the grip's allowance is recomputed at every paint
    ASSERT_TRUE(bar->SizeGripActive());
    const int w = bar->Width();
    EXPECT_EQ(bar->ControlAtPos({w - 13, 9}), pane);
    EXPECT_EQ(bar->ControlAtPos({w - 12, 9}), nullptr);
    EXPECT_EQ(bar->ControlAtPos({w - 1, 9}), nullptr);

    // A press at w - 13 is the pane's; at w - 12 the bar starts sizing the form from its
    // bottom-right corner and the press goes no further.
    int panePresses = 0, barPresses = 0;
    pane->OnMouseDown = [&](ui::TObject*, ui::TMouseButton, ui::TShiftState, int, int) { ++panePresses; };
    bar->OnMouseDown = [&](ui::TObject*, ui::TMouseButton, ui::TShiftState, int, int) { ++barPresses; };
    {
        SysCommandRecorder recorder(form->Handle());
        SendMessageW(bar->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(w - 13, 9));
        SendMessageW(bar->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(w - 13, 9));
        EXPECT_TRUE(recorder.Commands.empty());
        EXPECT_EQ(panePresses, 1);
        SendMessageW(bar->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(w - 12, 9));
        EXPECT_EQ(recorder.Commands, std::vector<WPARAM>{61448});
        EXPECT_EQ(barPresses, 0);
        EXPECT_EQ(GetCapture(), nullptr);
        SendMessageW(bar->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(w - 12, 9));
    }

    // Without the grip the zone is the pane's again.
    bar->SetShowSizeGrip(false);
    EXPECT_EQ(bar->ControlAtPos({w - 5, 9}), pane);
    form->Hide();
}

TEST_F(StatusBarTest, DraggingTheGripResizesTheFormFromItsBottomRightCorner) {
    form->Show();
    bar->Invalidate();
    bar->Update();
    ASSERT_TRUE(bar->SizeGripActive());
    RECT before{};
    GetWindowRect(form->Handle(), &before);
    POINT start{bar->Width() - 5, 9};
    ClientToScreen(bar->Handle(), &start);
    DragScript drag{{start.x + 40, start.y + 30}};
    gDrag = &drag;
    SetCursorPos(start.x, start.y);
    ui::Application().ProcessMessages();
    SetTimer(nullptr, 0, 30, DragTimer);
    SendMouse(MOUSEEVENTF_LEFTDOWN);
    // The press reaches the bar, whose sizing loop runs the timer's steps until the release.
    for (int i = 0; i < 100 && drag.Step < 3; ++i) {
        ui::Application().ProcessMessages();
        Sleep(10);
    }
    gDrag = nullptr;
    ASSERT_GE(drag.Step, 3);
    RECT after{};
    GetWindowRect(form->Handle(), &after);
    EXPECT_EQ(after.left, before.left);
    EXPECT_EQ(after.top, before.top);
    EXPECT_EQ(after.right, before.right + 40);
    EXPECT_EQ(after.bottom, before.bottom + 30);
    form->Hide();
}

TEST_F(StatusBarTest, CaptionIsPlacedByItsAlignmentAndCutAtTheContentEdge) {
    // An opaque pane with a known fill on a classic bar, no glyph: content (2, 2, w - 2, 17).
    bar->SetVisualStyle(vsClassic);
    bar->SetShowSizeGrip(false);
    pane->SetImages(nullptr);
    pane->SetTransparent(false);
    const COLORREF fill = RGB(230, 230, 200);
    pane->SetFillColor(fill);
    ui::TFont font = pane->Font();
    font.Color = RGB(255, 0, 0);
    pane->SetFont(font);
    pane->SetCaption(L"IIII");
    const int glyphSide = 2; // GlyphOffset still narrows the caption area without a glyph
    const int right = bar->Width() - 2;

    auto columns = [&] { return ColumnsWith(*Render(), IsRed, 2, 17); };
    auto left = columns();
    ASSERT_FALSE(left.empty());
    // x = Q.left + CaptionOffset + 1; an "I" keeps within two pixels of its reference.
    EXPECT_GE(left.front(), 2 + glyphSide + 3);
    EXPECT_LE(left.front(), 2 + glyphSide + 5);

    // Right-aligned the text ends at x = Q.right - CaptionOffset - 1 (exclusive).
    pane->SetAlignment(ui::taRightJustify);
    auto atRight = columns();
    ASSERT_FALSE(atRight.empty());
    EXPECT_LE(atRight.back(), right - 4);
    EXPECT_GE(atRight.back(), right - 6);

    pane->SetAlignment(ui::taCenter);
    auto centred = columns();
    ASSERT_FALSE(centred.empty());
    const int middle = (centred.front() + centred.back()) / 2;
    EXPECT_LE(std::abs(middle - (2 + glyphSide + (right - 2 - glyphSide) / 2)), 2);

    // Too long a caption is cut at the content's right edge, with no ellipsis: the strokes
    // of the last letters reach up to it at full height.
    pane->SetAlignment(ui::taLeftJustify);
    pane->SetCaption(std::wstring(400, L'I'));
    auto dib = Render();
    for (int y = 0; y < 19; ++y)
        for (int x = right; x < bar->Width(); ++x) ASSERT_FALSE(IsRed(dib->Pixel(x, y))) << x << "," << y;
    int tallColumns = 0;
    for (int x = right - 8; x < right; ++x) {
        int height = 0;
        for (int y = 2; y < 17; ++y) height += IsRed(dib->Pixel(x, y));
        tallColumns += height >= 6;
    }
    EXPECT_GE(tallColumns, 1);
    EXPECT_EQ(dib->Pixel(right - 1, 2), fill); // the fill up to the edge

    // Disabled: engraved in the button colours, never in the font colour.
    pane->SetCaption(L"IIII");
    pane->SetEnabled(false);
    auto disabled = Render();
    EXPECT_TRUE(ColumnsWith(*disabled, IsRed, 0, 19).empty());
    const COLORREF shadowColor = ui::ColorToRGB(ui::clBtnShadow);
    ASSERT_TRUE(IsWhite(ui::ColorToRGB(ui::clBtnHighlight)));
    auto nearShadow = [&](COLORREF c) {
        return std::abs(GetRValue(c) - GetRValue(shadowColor)) <= 24 && std::abs(GetGValue(c) - GetGValue(shadowColor)) <= 24 &&
               std::abs(GetBValue(c) - GetBValue(shadowColor)) <= 24;
    };
    auto shadow = ColumnsWith(*disabled, nearShadow, 3, 17);
    auto light = ColumnsWith(*disabled, IsWhite, 3, 17);
    ASSERT_FALSE(shadow.empty());
    ASSERT_FALSE(light.empty());
    // The highlight copy lies one pixel right of the shadow copy (smoothing blurs the edge).
    EXPECT_GT(light.back(), shadow.back());
    EXPECT_LE(light.back(), shadow.back() + 2);
}

TEST_F(StatusBarTest, FillColourCoversOnlyWhatLiesLeftOfTheCaption) {
    // Classic bar, opaque pane in grey with a green fill: frame-only content (2, 2, w - 2, 17).
    bar->SetVisualStyle(vsClassic);
    bar->SetShowSizeGrip(false);
    pane->SetTransparent(false);
    pane->SetColor(RGB(128, 128, 128));
    pane->SetFillColor(RGB(0, 160, 0));
    pane->SetCaption(L"");
    const int w = bar->Width();
    // Left glyph at (4, 2): columns 2 and 3 lie left of it and of the caption.
    auto dib = Render();
    EXPECT_EQ(dib->Pixel(2, 10), RGB(0, 160, 0));
    EXPECT_EQ(dib->Pixel(3, 10), RGB(0, 160, 0));
    EXPECT_EQ(dib->Pixel(4, 10), kImageColor);
    EXPECT_EQ(dib->Pixel(30, 10), RGB(0, 160, 0)); // the caption's own background

    // Right glyph at w - 20: the caption area starts at the content's left, so nothing lies
    // left of it; beside the glyph the pane's colour shows.
    pane->SetGlyphAlignment(gaRight);
    auto right = Render();
    EXPECT_EQ(right->Pixel(w - 20, 10), kImageColor);
    EXPECT_EQ(right->Pixel(w - 21, 10), RGB(0, 160, 0)); // caption area up to the glyph
    EXPECT_EQ(right->Pixel(w - 3, 10), RGB(128, 128, 128));
    EXPECT_EQ(right->Pixel(2, 10), RGB(0, 160, 0));
}

TEST_F(StatusBarTest, AutoSizeFitsThePaneAtOnceToCaptionFontAndGlyph) {
    pane->SetAlign(ui::alNone);
    pane->SetBounds(0, 0, 300, 19);
    pane->SetAutoSize(true); // the switch alone sizes it
    const int withGlyph = pane->Width();
    {
        // Caption width + 2 BorderWidth + CaptionOffset + 6, + GlyphOffset + glyph width.
        ui::WindowDc screen(nullptr);
        ui::TCanvas canvas(screen);
        canvas.SetFont(pane->Font());
        ui::Rect r{0, 0, 0, 0};
        canvas.DrawText(L"Ready", r, DT_CALCRECT | DT_NOPREFIX | DT_EXPANDTABS);
        EXPECT_EQ(withGlyph, r.Width() + 2 + 2 + 6 + 2 + 16);
    }
    pane->SetImageIndex(-1); // no image: the glyph's width goes
    EXPECT_EQ(pane->Width(), withGlyph - 16);
    pane->SetImageIndex(2);
    EXPECT_EQ(pane->Width(), withGlyph);
    pane->SetImages(nullptr);
    EXPECT_EQ(pane->Width(), withGlyph - 16);
    pane->SetImages(images);
    pane->SetShowGlyph(false);
    EXPECT_EQ(pane->Width(), withGlyph - 16);
    pane->SetShowGlyph(true);

    ui::TFont font = pane->Font();
    font.Height = -24;
    pane->SetFont(font);
    EXPECT_GT(pane->Width(), withGlyph + 10);
    // A font the pane takes from its bar counts too.
    pane->SetParentFont(true);
    EXPECT_EQ(pane->Width(), withGlyph);
    font.Height = -20;
    bar->SetFont(font);
    EXPECT_GT(pane->Width(), withGlyph + 5);

    pane->SetCaption(L"");
    EXPECT_EQ(pane->Width(), 40); // DefaultWidth
}

TEST_F(StatusBarTest, PaneFollowsChangesOfItsImageListAtOnce) {
    form->Show();
    pane->SetAlign(ui::alNone);
    pane->SetBounds(0, 0, 300, 19);
    pane->SetAutoSize(true);
    const int width16 = pane->Width();
    UpdateWindow(bar->Handle());
    RECT dirty{};
    ASSERT_FALSE(GetUpdateRect(bar->Handle(), &dirty, FALSE));

    // New pictures: painted at once (nothing left waiting for a paint message).
    int paints = 0;
    bar->OnPaint = [&](ui::TObject*) { ++paints; };
    FillImages(*images, 1);
    EXPECT_GE(paints, 1);
    EXPECT_FALSE(GetUpdateRect(bar->Handle(), &dirty, FALSE));

    // Wider images: a wider glyph and a wider pane.
    images->SetWidth(24);
    EXPECT_EQ(pane->Width(), width16 + 8);

    // A freed list is forgotten: no glyph, no room for it.
    delete images;
    images = nullptr;
    EXPECT_EQ(pane->Images(), nullptr);
    EXPECT_EQ(pane->Width(), width16 - 16);
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

TEST(StatusBarLayout, AutoStyleRestoresTheBarsLookAfterLoadingUnlessAFrameWasSet) {
    ui::TClassRegistry registry;
    ui::RegisterFrameworkClasses(registry);
    RegisterWkPanelClasses(registry);
    RegisterWkStatusBarClasses(registry);
    ui::TForm form;
    ui::LoadLayoutText(form, L"Bars.layout", R"(object Form: TForm
  Width = 400
  Height = 300
  object Automatic: TWkStatusBar
    Top = 0
    Width = 392
    Height = 30
    Align = alTop
    BorderWidth = 4
  end
  object Framed: TWkStatusBar
    Top = 100
    Width = 392
    Height = 30
    Align = alTop
    BorderOuter = fsRaised
  end
end
)",
                        registry);
    auto* automatic = dynamic_cast<TWkStatusBar*>(form.FindComponent(L"Automatic"));
    ASSERT_NE(automatic, nullptr);
    EXPECT_TRUE(automatic->AutoStyle());
    EXPECT_EQ(automatic->Align(), ui::alBottom);
    EXPECT_EQ(automatic->Height(), 19);
    EXPECT_EQ(automatic->BorderWidth(), 0);

    auto* framed = dynamic_cast<TWkStatusBar*>(form.FindComponent(L"Framed"));
    ASSERT_NE(framed, nullptr);
    EXPECT_FALSE(framed->AutoStyle());
    EXPECT_EQ(framed->Align(), ui::alTop);
    EXPECT_EQ(framed->Height(), 30);
    EXPECT_EQ(framed->BorderOuter(), fsRaised);
}

} // namespace
