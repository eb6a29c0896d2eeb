// The player's context menu: what a right-click (or Shift+F10, or the menu key) on the player
// offers. The items are worked out from the player's state as plain data, so they can be
// checked without opening a menu; BuildPlayerMenu turns them into a Win32 popup menu.
#pragma once

#include "ui/Gdi.h"

#include <windows.h>

#include <string>
#include <vector>

namespace flash {

// Command ids of the menu items (what TrackPopupMenu returns with TPM_RETURNCMD).
enum TPlayerMenuCommand : UINT {
    cmPlayPause = 1, // "暂停" while playing, "播放" while stopped
    cmRestart,       // back to frame 1, scripts fresh
    cmQualityHigh,
    cmQualityMedium,
    cmQualityLow,
    cmAbout,
};

// The drawing quality as the menu offers it; High and Medium both draw anti-aliased.
enum class TPlayerMenuQuality { High, Medium, Low };

struct TPlayerMenuState {
    bool hasMovie = false;
    bool playing = false;
    TPlayerMenuQuality quality = TPlayerMenuQuality::High;
    bool showMenu = true; // false: the movie hid the menu, only "关于" stays
};

struct TPlayerMenuItem {
    UINT id = 0; // 0 for a separator or a submenu
    std::wstring caption; // empty for a separator
    bool enabled = true;
    bool checked = false;
    bool radio = false; // one of a group: the check shows as a bullet
    std::vector<TPlayerMenuItem> items; // a submenu's items
    bool IsSeparator() const { return caption.empty(); }
};

std::vector<TPlayerMenuItem> PlayerMenuItems(const TPlayerMenuState& state);

// The Win32 popup menu for these items (submenus included, destroyed with it).
ui::MenuOwner BuildPlayerMenu(const std::vector<TPlayerMenuItem>& items);

// The "关于" box text: the player's name and the program's version from its version resource
// (without one, as in test programs, just the name).
std::wstring PlayerAboutText();

} // namespace flash
