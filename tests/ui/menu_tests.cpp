#include "ui/Geometry.h"
#include "ui/Menu.h"
#include <gtest/gtest.h>
#include <memory>

using namespace ui;

namespace {

struct MenuFixture {
    TComponent owner; // owns the items, as a form does
    TPopupMenu menu{&owner};
    std::vector<std::wstring> clicked;

    TMenuItem* Add(TMenuItem& into, const std::wstring& caption) {
        auto* item = new TMenuItem(&owner);
        item->SetCaption(caption);
        item->OnClick = [this, caption](TObject*) { clicked.push_back(caption); };
        into.Add(item);
        return item;
    }
};

struct SeenItem {
    bool separator = false;
    bool grayed = false;
    bool popup = false;
    UINT id = 0;
    std::wstring text;
};

std::vector<SeenItem> ReadMenu(HMENU menu) {
    std::vector<SeenItem> items;
    for (int i = 0; i < GetMenuItemCount(menu); ++i) {
        wchar_t text[64] = {};
        MENUITEMINFOW info{};
        info.cbSize = sizeof info;
        info.fMask = MIIM_FTYPE | MIIM_STATE | MIIM_ID | MIIM_SUBMENU | MIIM_STRING;
        info.dwTypeData = text;
        info.cch = 63;
        GetMenuItemInfoW(menu, i, TRUE, &info);
        items.push_back({(info.fType & MFT_SEPARATOR) != 0, (info.fState & MFS_GRAYED) != 0, info.hSubMenu != nullptr,
                         info.wID, text});
    }
    return items;
}

} // namespace

TEST(PopupMenu, ChoosingAnItemRunsItsHandlerOnly) {
    MenuFixture f;
    f.Add(f.menu.Items(), L"开始游戏");
    f.Add(f.menu.Items(), L"-");
    TMenuItem* doc = f.Add(f.menu.Items(), L"游戏说明");
    f.Add(f.menu.Items(), L"hidden")->SetVisible(false);
    f.Add(f.menu.Items(), L"off")->SetEnabled(false);

    std::vector<SeenItem> seen;
    Point at;
    f.menu.SetTracker([&](HMENU m, int x, int y, HWND owner) -> UINT {
        seen = ReadMenu(m);
        at = {x, y};
        EXPECT_TRUE(IsWindow(owner));
        return seen.at(2).id; // "游戏说明"
    });
    const long handles = GdiLiveHandleCount();
    EXPECT_EQ(f.menu.Popup(40, 50), doc);
    EXPECT_EQ(GdiLiveHandleCount(), handles); // the menu was destroyed after tracking
    EXPECT_EQ(at, (Point{40, 50}));
    EXPECT_EQ(f.clicked, (std::vector<std::wstring>{L"游戏说明"}));
    ASSERT_EQ(seen.size(), 4u); // the hidden item is left out
    EXPECT_EQ(seen[0].text, L"开始游戏");
    EXPECT_TRUE(seen[1].separator);
    EXPECT_EQ(seen[3].text, L"off");
    EXPECT_TRUE(seen[3].grayed);
    EXPECT_FALSE(seen[0].grayed);

    // Dismissing the menu, or an id that is not a command (a separator's 0), runs nothing.
    for (UINT answer : {0u, seen[1].id, 999u}) {
        f.menu.SetTracker([answer](HMENU, int, int, HWND) { return answer; });
        EXPECT_EQ(f.menu.Popup(0, 0), nullptr);
    }
    EXPECT_EQ(f.clicked.size(), 1u);
}

TEST(PopupMenu, SubmenusAreBuiltAndTheirItemsChosen) {
    MenuFixture f;
    TMenuItem* sub = f.Add(f.menu.Items(), L"More");
    f.Add(*sub, L"x");
    TMenuItem* y = f.Add(*sub, L"y");
    f.menu.SetTracker([](HMENU m, int, int, HWND) -> UINT {
        std::vector<SeenItem> top = ReadMenu(m);
        EXPECT_TRUE(top.at(0).popup);
        return ReadMenu(GetSubMenu(m, 0)).at(1).id;
    });
    EXPECT_EQ(f.menu.Popup(0, 0), y);
    EXPECT_EQ(f.clicked, (std::vector<std::wstring>{L"y"}));
}

TEST(MenuItem, DestroyedItemsLeaveTheirMenuInEitherOrder) {
    MenuFixture f;
    TMenuItem* a = f.Add(f.menu.Items(), L"a");
    TMenuItem* b = f.Add(f.menu.Items(), L"b");
    TMenuItem* child = f.Add(*b, L"c");
    delete a;
    ASSERT_EQ(f.menu.Items().Count(), 1);
    EXPECT_EQ(f.menu.Items().Item(0), b);
    delete b; // the child outlives its parent item
    EXPECT_EQ(child->Parent(), nullptr);
    EXPECT_EQ(f.menu.Items().Count(), 0);
    // Moving an item to another parent takes it out of the first.
    TMenuItem* d = f.Add(f.menu.Items(), L"d");
    child->Add(d);
    EXPECT_EQ(f.menu.Items().Count(), 0);
    EXPECT_EQ(d->Parent(), child);
}
