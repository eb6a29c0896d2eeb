#include "flash/PlayerMenu.h"
#include "flash/ShockwaveFlash.h"
#include "ui/Application.h"
#include "ui/Form.h"
#include "test_movies.h"

#include <windows.h>

#include <gtest/gtest.h>
#include <string>
#include <vector>

using namespace flash;

namespace {

std::vector<std::wstring> Captions(const std::vector<TPlayerMenuItem>& items) {
    std::vector<std::wstring> out;
    for (const TPlayerMenuItem& item : items) out.push_back(item.IsSeparator() ? L"-" : item.caption);
    return out;
}

// Frame 1 runs `Stage.showMenu = false`.
std::vector<uint8_t> HideMenuAction() {
    std::vector<uint8_t> code = {0x96, 7, 0, 0x00, 'S', 't', 'a', 'g', 'e', 0}; // Push "Stage"
    code.push_back(0x1C);                                                     // GetVariable
    const std::vector<uint8_t> push = {0x00, 's', 'h', 'o', 'w', 'M', 'e', 'n', 'u', 0, 0x05, 0};
    code.push_back(0x96); // Push "showMenu", false
    flash_test::Put16(code, int(push.size()));
    flash_test::Append(code, push);
    code.push_back(0x4F); // SetMember
    code.push_back(0x00);
    return flash_test::Tag(12, code);
}

} // namespace

TEST(PlayerMenu, ItemsFollowThePlayerState) {
    TPlayerMenuState state;
    state.hasMovie = true;
    state.playing = true;
    auto items = PlayerMenuItems(state);
    EXPECT_EQ(Captions(items), (std::vector<std::wstring>{L"暂停", L"重新开始", L"画质", L"-", L"关于"}));
    EXPECT_EQ(items[0].id, cmPlayPause);
    EXPECT_TRUE(items[0].enabled && items[1].enabled);
    EXPECT_EQ(Captions(items[2].items), (std::vector<std::wstring>{L"高", L"中", L"低"}));
    EXPECT_TRUE(items[2].items[0].checked);
    EXPECT_FALSE(items[2].items[1].checked || items[2].items[2].checked);

    state.playing = false;
    state.quality = TPlayerMenuQuality::Low;
    items = PlayerMenuItems(state);
    EXPECT_EQ(items[0].caption, L"播放");
    EXPECT_TRUE(items[2].items[2].checked);
    EXPECT_FALSE(items[2].items[0].checked);

    // Without a movie there is nothing to play or restart.
    state.hasMovie = false;
    items = PlayerMenuItems(state);
    EXPECT_FALSE(items[0].enabled || items[1].enabled);
    EXPECT_TRUE(items[2].enabled && items[4].enabled);

    // A movie that hides the menu leaves only the about box.
    state.hasMovie = true;
    state.showMenu = false;
    items = PlayerMenuItems(state);
    ASSERT_EQ(Captions(items), std::vector<std::wstring>{L"关于"});
    EXPECT_EQ(items[0].id, cmAbout);

    // The Win32 menu carries the same items: ids, states, radio checks, the submenu.
    state.showMenu = true;
    state.quality = TPlayerMenuQuality::Medium;
    ui::MenuOwner menu = BuildPlayerMenu(PlayerMenuItems(state));
    ASSERT_TRUE(menu);
    ASSERT_EQ(GetMenuItemCount(menu), 5);
    wchar_t text[32] = {};
    GetMenuStringW(menu, cmPlayPause, text, 32, MF_BYCOMMAND);
    EXPECT_STREQ(text, L"播放");
    EXPECT_EQ(GetMenuState(menu, 3, MF_BYPOSITION) & MF_SEPARATOR, UINT(MF_SEPARATOR));
    HMENU quality = GetSubMenu(menu, 2);
    ASSERT_NE(quality, nullptr);
    EXPECT_EQ(GetMenuItemCount(quality), 3);
    EXPECT_TRUE(GetMenuState(menu, cmQualityMedium, MF_BYCOMMAND) & MF_CHECKED);
    EXPECT_FALSE(GetMenuState(menu, cmQualityHigh, MF_BYCOMMAND) & MF_CHECKED);
    MENUITEMINFOW info{};
    info.cbSize = sizeof(info);
    info.fMask = MIIM_FTYPE;
    GetMenuItemInfoW(menu, cmQualityLow, FALSE, &info);
    EXPECT_TRUE(info.fType & MFT_RADIOCHECK);
}

TEST(PlayerMenu, CommandsReachThePlayer) {
    ui::Application().Initialize();
    flash_test::TempMovie movie(flash_test::StageMovie(100, 50, 4, 20, RGB(0, 0, 255), RGB(255, 0, 0)), L".swf");
    flash_test::TempMovie hiding(flash_test::StageMovie(100, 50, 4, 20, RGB(0, 0, 255), RGB(255, 0, 0), 0, 0, HideMenuAction()),
                                 L"-hidden.swf");
    ui::TForm* form = ui::NewForm<ui::TForm>(nullptr);
    form->SetBounds(0, 0, 400, 300);
    auto* player = new TShockwaveFlash(form);
    player->SetParent(form);
    player->SetBounds(10, 10, 200, 100);
    EXPECT_FALSE(player->MenuState().hasMovie);
    player->LoadMovie(0, movie.Path());
    player->Play();
    player->Reactivate();
    ASSERT_TRUE(player->MenuState().playing);
    const int firstFrame = player->Playback().CurrentFrame();

    // Pause holds the main timeline; play resumes it.
    player->MenuCommand(cmPlayPause);
    EXPECT_FALSE(player->Playback().Playing());
    EXPECT_FALSE(player->MenuState().playing);
    player->TimerTick();
    EXPECT_EQ(player->Playback().CurrentFrame(), firstFrame);
    player->MenuCommand(cmPlayPause);
    EXPECT_TRUE(player->Playback().Playing());
    player->TimerTick();
    player->TimerTick();
    EXPECT_NE(player->Playback().CurrentFrame(), firstFrame);

    // Restart goes back to the first frame and plays, from a stopped movie too.
    player->MenuCommand(cmPlayPause);
    player->MenuCommand(cmRestart);
    EXPECT_EQ(player->Playback().CurrentFrame(), firstFrame);
    EXPECT_TRUE(player->Playback().Playing());
    EXPECT_EQ(player->Playback().MoviePath(), movie.Path());

    // Quality: medium still draws anti-aliased; low does not.
    player->MenuCommand(cmQualityLow);
    EXPECT_FALSE(player->Playback().HighQuality());
    EXPECT_EQ(player->MenuState().quality, TPlayerMenuQuality::Low);
    player->MenuCommand(cmQualityMedium);
    EXPECT_TRUE(player->Playback().HighQuality());
    EXPECT_EQ(player->MenuState().quality, TPlayerMenuQuality::Medium);
    player->MenuCommand(cmQualityHigh);
    EXPECT_EQ(player->MenuState().quality, TPlayerMenuQuality::High);

    // A movie's script can hide the menu.
    EXPECT_TRUE(player->MenuState().showMenu);
    player->LoadMovie(0, hiding.Path());
    player->Play();
    player->TimerTick();
    EXPECT_FALSE(player->MenuState().showMenu);
    delete form;
}
