#include "flash/PlayerMenu.h"

#include <cstring>

namespace flash {

std::vector<TPlayerMenuItem> PlayerMenuItems(const TPlayerMenuState& state) {
    std::vector<TPlayerMenuItem> items;
    if (state.showMenu) {
        items.push_back({cmPlayPause, state.playing ? L"暂停" : L"播放", state.hasMovie, false, false, {}});
        items.push_back({cmRestart, L"重新开始", state.hasMovie, false, false, {}});
        TPlayerMenuItem quality{0, L"画质", true, false, false, {}};
        quality.items.push_back({cmQualityHigh, L"高", true, state.quality == TPlayerMenuQuality::High, true, {}});
        quality.items.push_back({cmQualityMedium, L"中", true, state.quality == TPlayerMenuQuality::Medium, true, {}});
        quality.items.push_back({cmQualityLow, L"低", true, state.quality == TPlayerMenuQuality::Low, true, {}});
        items.push_back(std::move(quality));
        items.push_back({});
    }
    items.push_back({cmAbout, L"关于", true, false, false, {}});
    return items;
}

namespace {

// Appends the items to `menu`; a submenu, once appended, belongs to its parent menu.
void AppendItems(HMENU menu, const std::vector<TPlayerMenuItem>& items) {
    for (const TPlayerMenuItem& item : items) {
        MENUITEMINFOW info{};
        info.cbSize = sizeof(info);
        if (item.IsSeparator()) {
            info.fMask = MIIM_FTYPE;
            info.fType = MFT_SEPARATOR;
            InsertMenuItemW(menu, GetMenuItemCount(menu), TRUE, &info);
            continue;
        }
        std::wstring caption = item.caption;
        info.fMask = MIIM_FTYPE | MIIM_STRING | MIIM_STATE | MIIM_ID;
        info.fType = MFT_STRING;
        info.dwTypeData = caption.data();
        info.wID = item.id;
        info.fState = (item.enabled ? MFS_ENABLED : MFS_DISABLED) | (item.checked ? MFS_CHECKED : MFS_UNCHECKED);
        ui::MenuOwner sub;
        if (!item.items.empty()) {
            sub.Reset(CreatePopupMenu());
            if (!sub) continue;
            AppendItems(sub, item.items);
            info.fMask |= MIIM_SUBMENU;
            info.hSubMenu = sub;
        } else if (item.radio) {
            info.fType |= MFT_RADIOCHECK;
        }
        if (InsertMenuItemW(menu, GetMenuItemCount(menu), TRUE, &info) && sub) (void)sub.Release();
    }
}

} // namespace

ui::MenuOwner BuildPlayerMenu(const std::vector<TPlayerMenuItem>& items) {
    ui::MenuOwner menu(CreatePopupMenu());
    if (menu) AppendItems(menu, items);
    return menu;
}

std::wstring PlayerAboutText() {
    std::wstring text = L"Plumora Flash 播放器";
    HRSRC res = FindResourceW(nullptr, MAKEINTRESOURCEW(VS_VERSION_INFO), MAKEINTRESOURCEW(16) /* RT_VERSION */);
    HGLOBAL loaded = res ? LoadResource(nullptr, res) : nullptr;
    const auto* data = loaded ? static_cast<const BYTE*>(LockResource(loaded)) : nullptr;
    const DWORD size = res ? SizeofResource(nullptr, res) : 0;
    // The fixed part of the version block starts with its signature on a 4-byte boundary.
    for (DWORD at = 0; data && at + sizeof(VS_FIXEDFILEINFO) <= size; at += 4) {
        VS_FIXEDFILEINFO info;
        std::memcpy(&info, data + at, sizeof(info));
        if (info.dwSignature != 0xFEEF04BD) continue;
        text += L"\n版本 " + std::to_wstring(HIWORD(info.dwProductVersionMS)) + L"." +
                std::to_wstring(LOWORD(info.dwProductVersionMS)) + L"." + std::to_wstring(HIWORD(info.dwProductVersionLS));
        break;
    }
    return text;
}

} // namespace flash
