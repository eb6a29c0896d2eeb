#include "flash/ShockwaveFlash.h"
#include "ui/Application.h"
#include "ui/Form.h"
#include "ui/Layout.h"
#include "test_movies.h"

#include <windows.h>

#include <gtest/gtest.h>
#include <string>
#include <vector>

using namespace flash;

namespace {

// A movie of 100 x 50 pixels at 20 frames per second, 4 frames, a red stage on blue.
std::vector<uint8_t> SmallMovie() { return flash_test::StageMovie(100, 50, 4, 20, RGB(0, 0, 255), RGB(255, 0, 0)); }

} // namespace

TEST(ShockwaveFlash, ReactivationNeedsAParentAndKeepsTheMovie) {
    flash_test::TempMovie movie(SmallMovie());
    ui::TForm* form = ui::NewForm<ui::TForm>(nullptr);
    form->SetBounds(0, 0, 400, 300);
    auto* player = new TShockwaveFlash(form);
    try {
        player->Reactivate();
        ADD_FAILURE() << "reactivated without a parent";
    } catch (const EOleError& e) {
        EXPECT_EQ(e.Message(), L"OLE control activation failed");
    }

    player->SetParent(form);
    player->SetBounds(10, 10, 200, 100);
    player->LoadMovie(0, movie.Path());
    player->Play();
    player->Reactivate();
    HWND wnd = player->HandleIfAllocated();
    ASSERT_NE(wnd, nullptr);
    EXPECT_TRUE(player->TimerRunning());
    EXPECT_EQ(player->TimerInterval(), 50u);

    // WM_TIMER steps the timeline; the movie and its frame survive a re-activation at new bounds.
    SendMessageW(wnd, WM_TIMER, 1, 0);
    SendMessageW(wnd, WM_TIMER, 1, 0);
    EXPECT_EQ(player->Playback().CurrentFrame(), 2);
    player->SetBounds(0, 0, 300, 150);
    player->Reactivate();
    EXPECT_EQ(player->HandleIfAllocated(), wnd); // not re-created
    EXPECT_EQ(player->Playback().CurrentFrame(), 2);
    EXPECT_EQ(player->Playback().MoviePath(), movie.Path());
    RECT r;
    GetClientRect(wnd, &r);
    EXPECT_EQ(r.right, 300);
    EXPECT_EQ(r.bottom, 150);

    // Hidden controls stay hidden through re-activation.
    player->SetVisible(false);
    player->Reactivate();
    EXPECT_FALSE(GetWindowLongW(wnd, GWL_STYLE) & WS_VISIBLE);

    // A failed load leaves movie, frame and timer as they were.
    EXPECT_THROW(player->LoadMovie(0, movie.Path() + L".missing"), EOleError);
    EXPECT_EQ(player->Playback().CurrentFrame(), 2);
    EXPECT_TRUE(player->TimerRunning());
    delete form;
}

TEST(ShockwaveFlash, LayoutStoresTheStartingState) {
    ui::TClassRegistry registry;
    ui::RegisterFrameworkClasses(registry);
    RegisterFlashClasses(registry);
    ui::TForm* form = ui::NewForm<ui::TForm>(nullptr);
    ui::LoadLayoutText(*form, L"Player.layout",
                       "object Form1: TForm\n"
                       "  object ShockwaveFlash1: TShockwaveFlash\n"
                       "    Left = 1\n    Top = 1\n    Width = 459\n    Height = 382\n"
                       "    Align = alClient\n    Quality = 'Low'\n    ScaleMode = 3\n    WMode = 'Window'\n"
                       "  end\n"
                       "end\n",
                       registry);
    auto* player = dynamic_cast<TShockwaveFlash*>(form->FindComponent(L"ShockwaveFlash1"));
    ASSERT_NE(player, nullptr);
    EXPECT_EQ(player->Parent(), form);
    EXPECT_EQ(player->ScaleMode(), smNoScale);
    EXPECT_FALSE(player->Playback().HighQuality());
    EXPECT_EQ(player->WMode(), L"Window");
    EXPECT_FALSE(player->Playback().HasMovie());
    delete form;
}

namespace {

// A player control shown on a form at (10, 10, 210, 110), with a focusable neighbour that Tab
// would move to; the movie (200 x 100) has a button over its 40 x 20 top-left corner.
class PlayerWindow : public ::testing::Test {
protected:
    void SetUp() override {
        ui::Application().Initialize();
        form = ui::NewForm<ui::TForm>(nullptr);
        form->SetBounds(0, 0, 400, 300);
        neighbour = new ui::TCustomControl(form);
        neighbour->SetParent(form);
        neighbour->SetTabStop(true);
        neighbour->SetBounds(250, 10, 50, 50);
        player = new TShockwaveFlash(form);
        player->SetParent(form);
        player->SetBounds(10, 10, 200, 100);
        player->Playback().SetTraceHandler([this](const std::string& line) { traces.push_back(line); });
        player->LoadMovie(0, movie.Path());
        player->Play();
        form->Show();
        player->Reactivate();
        wnd = player->Handle();
    }
    void TearDown() override { delete form; }
    // Sends a mouse message with client coordinates, as the system does.
    void Mouse(UINT msg, int x, int y, WPARAM keys = 0) { SendMessageW(wnd, msg, keys, MAKELPARAM(x, y)); }

    flash_test::TempMovie movie{flash_test::StageMovie(200, 100, 1, 20, RGB(255, 255, 255), RGB(255, 0, 0), 40, 20,
                                           flash_test::TraceButtonTags("pressed"))};
    ui::TForm* form = nullptr;
    ui::TCustomControl* neighbour = nullptr;
    TShockwaveFlash* player = nullptr;
    HWND wnd = nullptr;
    std::vector<std::string> traces;
};

} // namespace

TEST_F(PlayerWindow, AClickReachesTheMovieAndGivesThePlayerTheFocus) {
    neighbour->SetFocus();
    ASSERT_NE(GetFocus(), wnd);
    Mouse(WM_MOUSEMOVE, 20, 10);
    Mouse(WM_LBUTTONDOWN, 20, 10, MK_LBUTTON);
    EXPECT_EQ(GetFocus(), wnd);
    EXPECT_EQ(GetCapture(), wnd); // held while the button is down, for a release outside
    EXPECT_TRUE(traces.empty());
    Mouse(WM_LBUTTONUP, 20, 10);
    EXPECT_EQ(GetCapture(), nullptr);
    EXPECT_EQ(traces, std::vector<std::string>{"pressed"});

    // A press off the button does nothing in the movie and takes no capture.
    Mouse(WM_MOUSEMOVE, 150, 80);
    Mouse(WM_LBUTTONDOWN, 150, 80, MK_LBUTTON);
    EXPECT_NE(GetCapture(), wnd);
    Mouse(WM_LBUTTONUP, 150, 80);
    EXPECT_EQ(traces.size(), 1u);
}

TEST_F(PlayerWindow, ThePlayerKeepsEveryKeyButSystemKeysReachTheWindow) {
    const LRESULT code = SendMessageW(wnd, WM_GETDLGCODE, 0, 0);
    EXPECT_TRUE(code & DLGC_WANTALLKEYS);
    EXPECT_TRUE(code & DLGC_WANTTAB);
    EXPECT_TRUE(code & DLGC_WANTARROWS);

    // Tab and the arrows go through the program's message loop and stay in the player.
    player->SetFocus();
    ASSERT_EQ(GetFocus(), wnd);
    for (WPARAM key : {WPARAM(VK_TAB), WPARAM(VK_LEFT), WPARAM(VK_DOWN)}) {
        PostMessageW(wnd, WM_KEYDOWN, key, 1);
        PostMessageW(wnd, WM_KEYUP, key, 1 | (1u << 30) | (1u << 31));
    }
    ui::Application().ProcessMessages();
    EXPECT_EQ(GetFocus(), wnd);

    // Alt+F4 in the player closes the window it sits in.
    int closes = 0;
    form->OnClose = [&](ui::TObject*, ui::TCloseAction& action) {
        ++closes;
        action = ui::caNone;
    };
    PostMessageW(wnd, WM_SYSKEYDOWN, VK_F4, 1 | (KF_ALTDOWN << 16));
    ui::Application().ProcessMessages();
    EXPECT_EQ(closes, 1);
}
