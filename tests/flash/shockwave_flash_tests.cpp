#include "flash/ShockwaveFlash.h"
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

class TempMovie {
public:
    explicit TempMovie(const std::vector<uint8_t>& data) {
        wchar_t temp[MAX_PATH];
        GetTempPathW(MAX_PATH, temp);
        FPath = std::wstring(temp) + L"plumora-sf-" + std::to_wstring(GetCurrentProcessId()) + L" ☕.swf";
        HANDLE h = CreateFileW(FPath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        DWORD n = 0;
        WriteFile(h, data.data(), DWORD(data.size()), &n, nullptr);
        CloseHandle(h);
    }
    ~TempMovie() { DeleteFileW(FPath.c_str()); }
    const std::wstring& Path() const { return FPath; }

private:
    std::wstring FPath;
};

} // namespace

TEST(ShockwaveFlash, ReactivationNeedsAParentAndKeepsTheMovie) {
    TempMovie movie(SmallMovie());
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
