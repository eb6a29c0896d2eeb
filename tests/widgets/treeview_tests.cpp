// Tree view: nodes mirrored into the platform control (order, levels, data, images, text the
// system code page cannot hold), the node under a point, the mouse events the game tree
// relies on, expansion, nodes surviving a re-created window, context menus from the mouse and
// the keyboard, reflected notifications that are not the control's own, AutoSelect and
// AutoExpand, system colour changes, the painted frame and the wheel. Windows are real (run
// under Xvfb).
#include "../common/pointer.h"
#include "widgets/WkTreeView.h"
#include "ui/Application.h"
#include "ui/Form.h"
#include "ui/ImageList.h"
#include "ui/Layout.h"
#include "ui/Menu.h"
#include "widgets/WkKit.h"
#include <gtest/gtest.h>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

using namespace wk;

namespace {

WPARAM Wheel(int delta) { return MAKEWPARAM(0, static_cast<WORD>(static_cast<short>(delta))); }

struct TPress {
    ui::TMouseButton Button;
    ui::TShiftState Shift;
    int X, Y;
};

class TreeViewTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetKitSettings(true, xcsNormal);
        form = std::make_unique<ui::TForm>();
        form->SetBounds(100, 100, 300, 300);
        tree = new TWkTreeView(form.get());
        tree->SetParent(form.get());
        tree->SetBounds(10, 10, 200, 200);
    }

    // What the control itself holds for a node.
    TVITEMW ControlItem(TTreeNode* node, wchar_t* text = nullptr, int capacity = 0) {
        TVITEMW item{};
        item.mask = TVIF_HANDLE | TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_PARAM;
        item.hItem = node->ItemId();
        item.pszText = text;
        item.cchTextMax = capacity;
        SendMessageW(tree->Handle(), TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item));
        return item;
    }

    // The game catalog's shape: a root with games under it.
    TTreeNode* BuildCatalog(int games) {
        TTreeNode* root = tree->Items().AddFirst(nullptr, L"^_^ 所有游戏 ^_^", &rootData);
        root->SetImageIndex(0);
        root->SetSelectedIndex(0);
        for (int i = 0; i < games; ++i) {
            TTreeNode* game = i == 0 ? tree->Items().AddChildFirst(root, L"Game" + std::to_wstring(i), &gameData)
                                     : tree->Items().AddChild(root, L"Game" + std::to_wstring(i), &gameData);
            game->SetImageIndex(1);
            game->SetSelectedIndex(1);
        }
        root->Expand(false);
        return root;
    }

    // A menu for the tree that records where it was opened instead of tracking.
    ui::TPopupMenu* RecordingMenu(std::vector<ui::Point>& shownAt) {
        auto* menu = new ui::TPopupMenu(form.get());
        menu->SetTracker([&shownAt](HMENU, int x, int y, HWND) { shownAt.push_back({x, y}); return 0u; });
        return menu;
    }

    // The header the control puts on its own notifications.
    NMHDR Header(UINT code) {
        HWND wnd = tree->Handle();
        return NMHDR{wnd, static_cast<UINT_PTR>(GetWindowLongPtrW(wnd, GWLP_ID)), code};
    }

    // A notification the way the control sends it: to the parent, which reflects it.
    LRESULT Notify(NMHDR& header) {
        return SendMessageW(form->Handle(), WM_NOTIFY, header.idFrom, reinterpret_cast<LPARAM>(&header));
    }

    void PointAt(TTreeNode* node) {
        const ui::Rect label = node->DisplayRect(true);
        const ui::Point p = tree->ClientToScreen({label.left + 2, label.top + 2});
        testsupport::MovePointerTo(p.x, p.y);
    }

    void DoubleClick(TTreeNode* node) {
        const ui::Rect label = node->DisplayRect(true);
        SendMessageW(tree->Handle(), WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(label.left + 3, label.top + 2));
    }

    COLORREF Background() { return static_cast<COLORREF>(SendMessageW(tree->Handle(), TVM_GETBKCOLOR, 0, 0)); }

    std::unique_ptr<ui::TForm> form;
    TWkTreeView* tree = nullptr;
    int rootData = 0, gameData = 0;
};

TEST_F(TreeViewTest, NodesBuiltBeforeTheWindowAreMirroredInOrderWithLevelsDataAndImages) {
    TTreeNode* root = BuildCatalog(3);
    TTreeNode* first = tree->Items().AddChildFirst(root, L"Zeroth", &gameData);
    TTreeNode* second = tree->Items().Add(nullptr, L"Second root");
    tree->Items().AddFirst(root, L"First root");

    tree->HandleNeeded();
    ASSERT_EQ(tree->Items().Count(), 7);
    const std::vector<std::wstring> expected = {L"First root", L"^_^ 所有游戏 ^_^", L"Zeroth", L"Game0",
                                                L"Game1", L"Game2", L"Second root"};
    for (int i = 0; i < 7; ++i) EXPECT_EQ(tree->Items().Item(i)->Text(), expected[i]) << i;

    EXPECT_EQ(root->Level(), 0);
    EXPECT_EQ(first->Level(), 1);
    EXPECT_EQ(second->Level(), 0);
    EXPECT_EQ(first->Data(), &gameData);
    EXPECT_EQ(root->Data(), &rootData);

    // The control's own items: same order under the root, same images, node in lParam.
    HWND wnd = tree->Handle();
    auto firstChild = reinterpret_cast<HTREEITEM>(
        SendMessageW(wnd, TVM_GETNEXTITEM, TVGN_CHILD, reinterpret_cast<LPARAM>(root->ItemId())));
    EXPECT_EQ(tree->NodeFromItem(firstChild), first);
    TVITEMW game = ControlItem(root->Item(1));
    EXPECT_EQ(game.iImage, 1);
    EXPECT_EQ(game.iSelectedImage, 1);
    EXPECT_EQ(ControlItem(root).iImage, 0);
    EXPECT_EQ(SendMessageW(wnd, TVM_GETCOUNT, 0, 0), 7);

    // Changes after the window exists reach the control too.
    root->Item(1)->SetImageIndex(2);
    EXPECT_EQ(ControlItem(root->Item(1)).iImage, 2);
}

TEST_F(TreeViewTest, TextOutsideTheSystemCodePageSurvivesTheRoundTrip) {
    // U+1E01 and U+1F600 have no GBK encoding; U+00E9 and the CJK text have one.
    const std::wstring text = L"游戏 \u1E01 caf\u00E9 \U0001F600";
    TTreeNode* node = tree->Items().AddChild(nullptr, text);
    tree->HandleNeeded();
    wchar_t buffer[64] = {};
    ControlItem(node, buffer, 64);
    EXPECT_EQ(std::wstring(buffer), text);
    node->SetText(L"\u0444\u1E01");
    ControlItem(node, buffer, 64);
    EXPECT_EQ(std::wstring(buffer), L"\u0444\u1E01");
}

TEST_F(TreeViewTest, NodeAtAPointCoversTheWholeRowAndNothingBelowTheLastRow) {
    TTreeNode* root = BuildCatalog(2);
    form->Show();
    const ui::Rect row = root->Item(1)->DisplayRect(false);
    const ui::Rect label = root->Item(1)->DisplayRect(true);
    ASSERT_FALSE(row.IsEmpty());
    const int y = (row.top + row.bottom) / 2;
    EXPECT_EQ(tree->GetNodeAt(label.left + 2, y), root->Item(1));       // on the label
    EXPECT_EQ(tree->GetNodeAt(1, y), root->Item(1));                    // in the indent
    EXPECT_EQ(tree->GetNodeAt(tree->ClientWidth() - 2, y), root->Item(1)); // right of the label
    EXPECT_EQ(tree->GetNodeAt(label.left + 2, root->DisplayRect(true).top + 1), root);
    EXPECT_EQ(tree->GetNodeAt(label.left + 2, row.bottom + 1), nullptr); // below the last row
    EXPECT_EQ(tree->GetNodeAt(label.left + 2, tree->ClientHeight() - 2), nullptr);
    EXPECT_EQ(tree->GetNodeAt(-5, y), nullptr);                          // outside
}

TEST_F(TreeViewTest, PressesReachOnMouseDownFirstWithTheirButtonAndPoint) {
    TTreeNode* root = BuildCatalog(2);
    form->Show();
    std::vector<TPress> presses;
    std::vector<std::wstring> log;
    tree->OnMouseDown = [&](ui::TObject*, ui::TMouseButton b, ui::TShiftState s, int x, int y) {
        presses.push_back({b, s, x, y});
        log.push_back(L"down");
        // What the game tree does on a right press: select the node under the pointer.
        if (b == ui::mbRight)
            if (TTreeNode* node = tree->GetNodeAt(x, y)) tree->SetSelected(node);
    };
    tree->OnDblClick = [&](ui::TObject*) { log.push_back(L"dblclick"); };

    const ui::Rect game = root->Item(1)->DisplayRect(true);
    const int x = game.left + 3, y = game.top + 2;
    SendMessageW(tree->Handle(), WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(x, y));
    SendMessageW(tree->Handle(), WM_MBUTTONDOWN, MK_MBUTTON | MK_SHIFT, MAKELPARAM(x + 1, y + 1));
    ASSERT_EQ(presses.size(), 2u);
    EXPECT_EQ(presses[0].Button, ui::mbRight);
    EXPECT_EQ(presses[0].X, x);
    EXPECT_EQ(presses[0].Y, y);
    EXPECT_EQ(presses[1].Button, ui::mbMiddle);
    EXPECT_EQ(presses[1].X, x + 1);
    EXPECT_EQ(presses[1].Y, y + 1);
    EXPECT_TRUE(presses[1].Shift & ui::ssShift);
    EXPECT_EQ(tree->Selected(), root->Item(1)); // the right press selected the game

    // A double click: the double-click event, then the press with ssDouble, once each.
    log.clear();
    presses.clear();
    SendMessageW(tree->Handle(), WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(x, y));
    EXPECT_EQ(log, (std::vector<std::wstring>{L"dblclick", L"down"}));
    ASSERT_EQ(presses.size(), 1u);
    EXPECT_TRUE(presses[0].Shift & ui::ssDouble);
}

TEST_F(TreeViewTest, ExpandOpensOneLevelAndNodesSurviveARecreatedWindow) {
    TTreeNode* root = tree->Items().AddChild(nullptr, L"root");
    TTreeNode* child = tree->Items().AddChild(root, L"child");
    TTreeNode* grandchild = tree->Items().AddChild(child, L"grandchild");
    root->Expand(false); // before the window exists
    tree->SetSelected(child);
    tree->HandleNeeded();
    EXPECT_TRUE(root->Expanded());
    EXPECT_FALSE(child->Expanded());
    EXPECT_EQ(tree->Selected(), child);

    // An empty node expanded first takes the state once its first child arrives.
    TTreeNode* later = tree->Items().AddChild(nullptr, L"later");
    later->Expand(false);
    tree->Items().AddChild(later, L"late child");
    EXPECT_TRUE(later->Expanded());

    child->Expand(true);
    EXPECT_TRUE(child->Expanded());
    root->Collapse(false); // the control moves the selection up to the collapsed node
    TTreeNode* selected = tree->Selected();
    ASSERT_EQ(selected, root);
    tree->SetToolTips(false); // the control makes its tool tips only at creation: re-created
    EXPECT_EQ(SendMessageW(tree->Handle(), TVM_GETCOUNT, 0, 0), 5);
    EXPECT_FALSE(root->Expanded());
    EXPECT_TRUE(child->Expanded());
    EXPECT_EQ(tree->Selected(), selected);
    EXPECT_EQ(tree->NodeFromItem(grandchild->ItemId()), grandchild);

    tree->Items().Clear();
    EXPECT_EQ(tree->Items().Count(), 0);
    EXPECT_EQ(SendMessageW(tree->Handle(), TVM_GETCOUNT, 0, 0), 0);
    EXPECT_EQ(tree->Selected(), nullptr);
}

TEST_F(TreeViewTest, ContextMenusOpenAtTheNodeAndCanBeMovedOrDropped) {
    TTreeNode* root = BuildCatalog(2);
    form->Show();
    auto* menu = new ui::TPopupMenu(form.get());
    std::vector<ui::Point> shownAt;
    menu->SetTracker([&](HMENU, int x, int y, HWND) { shownAt.push_back({x, y}); return 0u; });
    tree->SetPopupMenu(menu);
    std::vector<TTreeNode*> asked;
    bool drop = false;
    tree->OnNodeContextMenu = [&](ui::TObject*, TTreeNode* node, ui::Point& pos, ui::TPopupMenu*& m) {
        asked.push_back(node);
        if (drop) m = nullptr;
    };

    // The menu key: the selected node's menu at the middle of its label.
    tree->SetSelected(root->Item(1));
    SendMessageW(tree->Handle(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(tree->Handle()), MAKELPARAM(-1, -1));
    const ui::Rect label = root->Item(1)->DisplayRect(true);
    ASSERT_EQ(shownAt.size(), 1u);
    EXPECT_EQ(shownAt[0], tree->ClientToScreen({(label.left + label.right) / 2, (label.top + label.bottom) / 2}));
    EXPECT_EQ(asked, std::vector<TTreeNode*>{root->Item(1)});

    // A right click: the node under the pointer, at the pointer.
    const ui::Rect rootLabel = root->DisplayRect(true);
    const ui::Point pointer = tree->ClientToScreen({rootLabel.left + 2, rootLabel.top + 2});
    testsupport::MovePointerTo(pointer.x, pointer.y);
    NMHDR click{tree->Handle(), 0, static_cast<UINT>(NM_RCLICK)};
    EXPECT_EQ(SendMessageW(form->Handle(), WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&click)), 1);
    ASSERT_EQ(shownAt.size(), 2u);
    EXPECT_EQ(shownAt[1], pointer);
    EXPECT_EQ(asked.back(), root);

    // The handler removes the menu: nothing opens.
    drop = true;
    SendMessageW(tree->Handle(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(tree->Handle()), MAKELPARAM(-1, -1));
    EXPECT_EQ(shownAt.size(), 2u);
    EXPECT_EQ(asked.size(), 3u);
}

TEST_F(TreeViewTest, PositionedMenuRequestsAreLeftToARightClickThatHadANode) {
    TTreeNode* root = BuildCatalog(2);
    form->Show();
    std::vector<ui::Point> shownAt;
    tree->SetPopupMenu(RecordingMenu(shownAt));
    std::vector<TTreeNode*> asked;
    std::vector<ui::Point> askedAt;
    tree->OnNodeContextMenu = [&](ui::TObject*, TTreeNode* node, ui::Point& pos, ui::TPopupMenu*&) {
        asked.push_back(node);
        askedAt.push_back(pos);
    };
    HWND wnd = tree->Handle();
    const ui::Point below = tree->ClientToScreen({5, tree->ClientHeight() - 5});
    auto contextMenuAt = [&](ui::Point screen) {
        SendMessageW(wnd, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(wnd), MAKELPARAM(screen.x, screen.y));
    };

    // A selected node is the node to act on: the platform's request is ignored.
    tree->SetSelected(root->Item(0));
    contextMenuAt(below);
    EXPECT_TRUE(shownAt.empty());
    EXPECT_TRUE(asked.empty());

    // Without one the tree's own menu opens there, asked with no node and the client point.
    tree->SetSelected(nullptr);
    contextMenuAt(below);
    ASSERT_EQ(shownAt.size(), 1u);
    EXPECT_EQ(shownAt[0], below);
    EXPECT_EQ(asked, std::vector<TTreeNode*>{nullptr});
    EXPECT_EQ(askedAt[0], tree->ScreenToClient(below));
    SendMessageW(wnd, WM_RBUTTONUP, 0, MAKELPARAM(5, tree->ClientHeight() - 5)); // ends that click

    // A right click on a node opens its menu; the requests of the same click that follow, the
    // one the release itself makes included, open nothing more.
    shownAt.clear();
    asked.clear();
    PointAt(root->Item(1));
    NMHDR click = Header(NM_RCLICK);
    EXPECT_EQ(Notify(click), 1);
    ASSERT_EQ(asked, std::vector<TTreeNode*>{root->Item(1)});
    contextMenuAt(below);
    const ui::Rect label = root->Item(1)->DisplayRect(true);
    SendMessageW(wnd, WM_RBUTTONUP, 0, MAKELPARAM(label.left + 2, label.top + 2));
    EXPECT_EQ(shownAt.size(), 1u);
    EXPECT_EQ(asked.size(), 1u);

    // The click is over: the next release's request is a new one and opens the tree's menu.
    SendMessageW(wnd, WM_RBUTTONUP, 0, MAKELPARAM(5, tree->ClientHeight() - 5));
    EXPECT_EQ(shownAt.size(), 2u);
    EXPECT_EQ(asked.back(), nullptr);
}

TEST_F(TreeViewTest, MenuKeysOpenTheMenuOnceAndAreConsumed) {
    TTreeNode* root = BuildCatalog(2);
    form->Show();
    std::vector<ui::Point> shownAt;
    tree->SetPopupMenu(RecordingMenu(shownAt));
    std::vector<TTreeNode*> asked;
    tree->OnNodeContextMenu = [&](ui::TObject*, TTreeNode* node, ui::Point&, ui::TPopupMenu*&) { asked.push_back(node); };
    HWND wnd = tree->Handle();
    BYTE keys[256] = {};
    GetKeyboardState(keys);
    auto withShift = [&](bool down) {
        BYTE state[256];
        std::memcpy(state, keys, sizeof state);
        state[VK_SHIFT] = down ? 0x80 : 0;
        SetKeyboardState(state);
    };

    // The menu key, down and up: one menu, at the middle of the selected node's label.
    tree->SetSelected(root->Item(1));
    EXPECT_EQ(SendMessageW(wnd, WM_KEYDOWN, VK_APPS, 0), 0);
    EXPECT_EQ(SendMessageW(wnd, WM_KEYUP, VK_APPS, 0xC0000001), 0);
    const ui::Rect label = root->Item(1)->DisplayRect(true);
    ASSERT_EQ(shownAt.size(), 1u);
    EXPECT_EQ(shownAt[0], tree->ClientToScreen({(label.left + label.right) / 2, (label.top + label.bottom) / 2}));
    EXPECT_EQ(asked, std::vector<TTreeNode*>{root->Item(1)});

    // Shift+F10 likewise; with Shift held the menu key is not a menu key.
    withShift(true);
    SendMessageW(wnd, WM_SYSKEYDOWN, VK_F10, 0);
    SendMessageW(wnd, WM_SYSKEYUP, VK_F10, 0xC0000001);
    EXPECT_EQ(shownAt.size(), 2u);
    SendMessageW(wnd, WM_KEYDOWN, VK_APPS, 0);
    SendMessageW(wnd, WM_KEYUP, VK_APPS, 0xC0000001);
    withShift(false);
    EXPECT_EQ(shownAt.size(), 2u);

    // No node to act on: the tree's own menu at its top-left corner, without asking.
    tree->SetSelected(nullptr);
    SendMessageW(wnd, WM_KEYDOWN, VK_APPS, 0);
    ASSERT_EQ(shownAt.size(), 3u);
    EXPECT_EQ(shownAt[2], tree->ClientToScreen({0, 0}));
    EXPECT_EQ(asked.size(), 2u);
    SetKeyboardState(keys);
}

TEST_F(TreeViewTest, RightClickSelectMakesTheClickedNodeTheOneActedOn) {
    TTreeNode* root = BuildCatalog(3);
    form->Show();
    std::vector<ui::Point> shownAt;
    tree->SetPopupMenu(RecordingMenu(shownAt));
    TTreeNode* selectedInHandler = nullptr;
    TTreeNode* actedOnInHandler = nullptr;
    TTreeNode* actedOnAfterDelete = nullptr;
    bool deleteNode = false;
    tree->OnNodeContextMenu = [&](ui::TObject*, TTreeNode* node, ui::Point&, ui::TPopupMenu*&) {
        selectedInHandler = tree->Selected();
        actedOnInHandler = tree->NodeToActOn();
        if (!deleteNode) return;
        tree->Items().Delete(node);
        actedOnAfterDelete = tree->NodeToActOn();
    };

    // Off: the menu is about the clicked node, the selection stays.
    tree->SetSelected(root->Item(0));
    PointAt(root->Item(1));
    NMHDR click = Header(NM_RCLICK);
    Notify(click);
    EXPECT_EQ(selectedInHandler, root->Item(0));
    EXPECT_EQ(tree->Selected(), root->Item(0));

    // On: the clicked node is selected before its menu opens and is the node acted on.
    tree->SetRightClickSelect(true);
    Notify(click);
    EXPECT_EQ(selectedInHandler, root->Item(1));
    EXPECT_EQ(actedOnInHandler, root->Item(1));
    EXPECT_EQ(tree->Selected(), root->Item(1));

    // A click beside the rows acts on the selection without moving it.
    const ui::Point below = tree->ClientToScreen({5, tree->ClientHeight() - 5});
    testsupport::MovePointerTo(below.x, below.y);
    Notify(click);
    EXPECT_EQ(actedOnInHandler, root->Item(1));

    // A handler that deletes the node leaves nothing behind that points at it.
    deleteNode = true;
    TTreeNode* doomed = root->Item(2);
    PointAt(doomed);
    Notify(click);
    EXPECT_EQ(root->Count(), 2);
    EXPECT_NE(actedOnAfterDelete, doomed);
}

TEST_F(TreeViewTest, ReflectedNotificationsThatAreNotTheControlsOwnAreIgnored) {
    TTreeNode* root = BuildCatalog(2);
    form->Show();
    std::vector<ui::Point> shownAt;
    tree->SetPopupMenu(RecordingMenu(shownAt));
    int asked = 0;
    tree->OnNodeContextMenu = [&](ui::TObject*, TTreeNode*, ui::Point&, ui::TPopupMenu*&) { ++asked; };
    tree->SetAutoSelect(true);
    tree->SetSelected(root->Item(0));
    PointAt(root->Item(1));
    HWND wnd = tree->Handle();

    // Junk addresses sent straight to the tree, as any process can: nothing is read.
    alignas(NMHDR) unsigned char bytes[sizeof(NMHDR) + 1] = {};
    for (LPARAM junk : {LPARAM(0), LPARAM(1), LPARAM(0x10), LPARAM(-1), LPARAM(0x7FF000000000),
                        reinterpret_cast<LPARAM>(bytes + 1)})
        EXPECT_EQ(SendMessageW(wnd, ui::CN_NOTIFY, 0, junk), 0) << std::hex << junk;

    // Readable, but not from this control: another window, another id.
    NMHDR other = Header(NM_RCLICK);
    other.hwndFrom = form->Handle();
    SendMessageW(wnd, ui::CN_NOTIFY, 0, reinterpret_cast<LPARAM>(&other));
    NMHDR wrongId = Header(NM_RCLICK);
    wrongId.idFrom += 77;
    Notify(wrongId);
    EXPECT_TRUE(shownAt.empty());
    EXPECT_EQ(asked, 0);

    // A header at the very end of readable memory whose code promises a whole NMTREEVIEW.
    const SYSTEM_INFO info = [] { SYSTEM_INFO i{}; GetSystemInfo(&i); return i; }();
    auto* pages = static_cast<unsigned char*>(
        VirtualAlloc(nullptr, 2 * info.dwPageSize, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
    ASSERT_NE(pages, nullptr);
    DWORD old = 0;
    VirtualProtect(pages + info.dwPageSize, info.dwPageSize, PAGE_NOACCESS, &old);
    auto* cut = reinterpret_cast<NMHDR*>(pages + info.dwPageSize - sizeof(NMHDR));
    *cut = Header(TVN_ITEMEXPANDEDW);
    Notify(*cut);
    VirtualFree(pages, 0, MEM_RELEASE);

    // A whole one from this control whose item is junk: the item is looked up, not trusted.
    NMTREEVIEWW expanded{};
    expanded.hdr = Header(TVN_ITEMEXPANDEDW);
    expanded.action = TVE_EXPAND;
    expanded.itemNew.hItem = reinterpret_cast<HTREEITEM>(LPARAM(0x10));
    expanded.itemNew.lParam = 0x10;
    Notify(expanded.hdr);
    EXPECT_EQ(tree->Selected(), root->Item(0));

    // The control's own still work.
    NMHDR click = Header(NM_RCLICK);
    EXPECT_EQ(Notify(click), 1);
    EXPECT_EQ(asked, 1);
}

TEST_F(TreeViewTest, AutoSelectSelectsNodesExpandedOrCollapsedThroughTheTree) {
    TTreeNode* first = tree->Items().AddChild(nullptr, L"first");
    tree->Items().AddChild(first, L"first child");
    TTreeNode* second = tree->Items().AddChild(nullptr, L"second");
    tree->Items().AddChild(second, L"second child");
    form->Show();
    tree->SetSelected(second);

    // Without it a double click toggles the branch and leaves the selection alone.
    DoubleClick(first);
    ASSERT_TRUE(first->Expanded());
    EXPECT_EQ(tree->Selected(), second);
    DoubleClick(first);
    ASSERT_FALSE(first->Expanded());
    EXPECT_EQ(tree->Selected(), second);

    // With it the node is selected, expanding and collapsing alike.
    tree->SetAutoSelect(true);
    DoubleClick(first);
    EXPECT_TRUE(first->Expanded());
    EXPECT_EQ(tree->Selected(), first);
    tree->SetSelected(second);
    DoubleClick(first);
    EXPECT_FALSE(first->Expanded());
    EXPECT_EQ(tree->Selected(), first);
}

TEST_F(TreeViewTest, AutoExpandAndAutoSelectTurnEachOtherOff) {
    auto singleExpand = [&] { return (GetWindowLongPtrW(tree->Handle(), GWL_STYLE) & TVS_SINGLEEXPAND) != 0; };
    tree->SetAutoExpand(true); // before the window: taken at creation
    tree->HandleNeeded();
    EXPECT_TRUE(singleExpand());

    tree->SetAutoSelect(true);
    EXPECT_FALSE(tree->AutoExpand());
    EXPECT_FALSE(singleExpand());

    tree->SetAutoExpand(true);
    EXPECT_FALSE(tree->AutoSelect());
    EXPECT_TRUE(singleExpand());
}

TEST_F(TreeViewTest, SystemColourChangeHandsASystemBackgroundOverAgain) {
    form->Show();
    tree->Items().AddChild(nullptr, L"node");
    HWND wnd = tree->Handle();
    auto stale = [&] { SendMessageW(wnd, TVM_SETBKCOLOR, 0, RGB(1, 2, 3)); };

    // clWindow went to the control as RGB: a change of the system colours hands it over again.
    stale();
    SendMessageW(wnd, WM_SYSCOLORCHANGE, 0, 0);
    EXPECT_EQ(Background(), GetSysColor(COLOR_WINDOW));

    // A focus colour from the system is handed over too, and does not become the normal one.
    tree->SetFocusColor(ui::clBtnFace);
    tree->SetFocus();
    ASSERT_EQ(tree->Color(), ui::clBtnFace);
    stale();
    SendMessageW(wnd, WM_SYSCOLORCHANGE, 0, 0);
    EXPECT_EQ(Background(), GetSysColor(COLOR_BTNFACE));
    SetFocus(form->Handle());
    EXPECT_EQ(tree->Color(), ui::clWindow);
    EXPECT_EQ(tree->FocusColor(), ui::clBtnFace);

    // An RGB colour does not depend on the system colours: nothing to repeat.
    tree->SetColor(RGB(250, 250, 200));
    stale();
    SendMessageW(wnd, WM_SYSCOLORCHANGE, 0, 0);
    EXPECT_EQ(Background(), RGB(1, 2, 3));
}

TEST_F(TreeViewTest, FrameIsPaintedOverTheBorderInTheTreeColour) {
    tree->SetBounds(0, 0, 20, 16);
    tree->SetFrameVisible(true);
    const COLORREF window = GetSysColor(COLOR_WINDOW);
    ui::DibSurface dib(20, 16);

    // The game tree: fsNone leaves only the erased border, in the tree's colour.
    tree->SetFrameStyle(fsNone);
    dib.Fill(RGB(1, 2, 3));
    {
        ui::TCanvas canvas(dib.Dc());
        tree->PaintNonClient(canvas);
    }
    for (auto [x, y] : {std::pair{0, 0}, {1, 1}, {19, 15}, {18, 14}, {10, 0}, {0, 8}})
        EXPECT_EQ(dib.Pixel(x, y), window) << x << "," << y;
    EXPECT_EQ(dib.Pixel(2, 2), RGB(1, 2, 3)); // the client area is not touched

    // fsFlat: one ring in the frame colour over the erased border.
    tree->SetFrameStyle(fsFlat);
    tree->SetFrameColor(RGB(200, 10, 10));
    {
        ui::TCanvas canvas(dib.Dc());
        tree->PaintNonClient(canvas);
    }
    EXPECT_EQ(dib.Pixel(0, 0), RGB(200, 10, 10));
    EXPECT_EQ(dib.Pixel(19, 15), RGB(200, 10, 10));
    EXPECT_EQ(dib.Pixel(1, 1), window);

    // No frame at all while FrameVisible is off.
    dib.Fill(RGB(1, 2, 3));
    tree->SetFrameVisible(false);
    {
        ui::TCanvas canvas(dib.Dc());
        tree->PaintNonClient(canvas);
    }
    EXPECT_EQ(dib.Pixel(0, 0), RGB(1, 2, 3));
}

TEST_F(TreeViewTest, UnfocusedSelectionIsOutlinedOnlyWhenSelectionsStayVisible) {
    TTreeNode* root = BuildCatalog(2);
    form->Show();
    SetFocus(form->Handle());
    tree->SetSelected(root->Item(0));
    tree->SetSelectionPen({RGB(0, 160, 0), 1, ui::TPenStyle::Solid});
    const ui::Rect label = root->Item(0)->DisplayRect(true);
    auto outlined = [&] {
        ui::DibSurface dib(tree->ClientWidth(), tree->ClientHeight());
        dib.Fill(RGB(1, 2, 3));
        {
            ui::TCanvas canvas(dib.Dc());
            tree->PaintSelectionOutline(canvas);
        }
        return dib.Pixel(label.left, label.top) == RGB(0, 160, 0) &&
               dib.Pixel(label.right - 1, label.bottom - 1) == RGB(0, 160, 0) &&
               dib.Pixel((label.left + label.right) / 2, (label.top + label.bottom) / 2) == RGB(1, 2, 3);
    };
    EXPECT_FALSE(outlined()); // the game tree hides its selection while unfocused
    tree->SetHideSelection(false);
    EXPECT_TRUE(outlined());
    tree->SetFocus();
    EXPECT_FALSE(outlined()); // focused, the control shows the selection itself
}

TEST_F(TreeViewTest, BackgroundFollowsFocusAndEnabledState) {
    form->Show();
    tree->Items().AddChild(nullptr, L"node");
    auto background = [&] { return static_cast<COLORREF>(SendMessageW(tree->Handle(), TVM_GETBKCOLOR, 0, 0)); };

    // FocusColor left at the normal colour follows Color.
    tree->SetColor(RGB(250, 250, 200));
    EXPECT_EQ(tree->FocusColor(), RGB(250, 250, 200));
    EXPECT_EQ(background(), RGB(250, 250, 200));

    tree->SetFocusColor(RGB(200, 250, 250));
    tree->SetFocus();
    EXPECT_EQ(background(), RGB(200, 250, 250));
    SetFocus(form->Handle());
    EXPECT_EQ(background(), RGB(250, 250, 200));

    tree->SetDisabledColor(RGB(100, 100, 100));
    tree->SetEnabled(false);
    EXPECT_EQ(background(), RGB(100, 100, 100));
    tree->SetEnabled(true);
    EXPECT_EQ(background(), RGB(250, 250, 200));
    EXPECT_EQ(tree->Color(), RGB(250, 250, 200)); // own colour changes do not move the normal one
}

TEST_F(TreeViewTest, WheelScrollsWholeLinesPerNotchAndIsSwallowedWithoutAScrollBar) {
    form->Show();
    for (int i = 0; i < 60; ++i) tree->Items().AddChild(nullptr, L"row " + std::to_wstring(i));
    HWND wnd = tree->Handle();
    UINT lines = 0;
    SystemParametersInfoW(SPI_GETWHEELSCROLLLINES, 0, &lines, 0);
    ASSERT_GT(lines, 0u);
    ASSERT_LT(lines, 20u);
    auto firstVisible = [&] {
        auto item = reinterpret_cast<HTREEITEM>(SendMessageW(wnd, TVM_GETNEXTITEM, TVGN_FIRSTVISIBLE, 0));
        for (int i = 0; i < tree->Items().Count(); ++i)
            if (tree->Items().Item(i)->ItemId() == item) return i;
        return -1;
    };
    EXPECT_EQ(SendMessageW(wnd, WM_MOUSEWHEEL, Wheel(-WHEEL_DELTA), 0), 0);
    EXPECT_EQ(firstVisible(), static_cast<int>(lines));
    // Half notches add up: nothing after the first, one notch after the second.
    SendMessageW(wnd, WM_MOUSEWHEEL, Wheel(-WHEEL_DELTA / 2), 0);
    EXPECT_EQ(firstVisible(), static_cast<int>(lines));
    SendMessageW(wnd, WM_MOUSEWHEEL, Wheel(-WHEEL_DELTA / 2), 0);
    EXPECT_EQ(firstVisible(), 2 * static_cast<int>(lines));
    // Up past the top stops at the first row.
    SendMessageW(wnd, WM_MOUSEWHEEL, Wheel(5 * WHEEL_DELTA), 0);
    EXPECT_EQ(firstVisible(), 0);

    tree->Items().Clear();
    tree->Items().AddChild(nullptr, L"alone");
    EXPECT_EQ(SendMessageW(wnd, WM_MOUSEWHEEL, Wheel(-WHEEL_DELTA), 0), 0);
    EXPECT_EQ(firstVisible(), 0);

    EXPECT_EQ(WheelScrollTarget(10, 1, WHEEL_PAGESCROLL, 7, 50), 3);
    EXPECT_EQ(WheelScrollTarget(48, -1, 3, 7, 50), 50);
}

TEST(TreeViewLayout, GameTreeSettingsLoadFromTheWindowLayout) {
    SetKitSettings(true, xcsNormal);
    ui::TClassRegistry registry;
    ui::RegisterFrameworkClasses(registry);
    RegisterWkTreeViewClasses(registry);
    ui::TForm form;
    int downs = 0, doubles = 0;
    form.RegisterHandler(L"WkTreeView1MouseDown", ui::TMouseEvent([&](ui::TObject*, ui::TMouseButton, ui::TShiftState, int, int) { ++downs; }));
    form.RegisterHandler(L"WkTreeView1DblClick", ui::TNotifyEvent([&](ui::TObject*) { ++doubles; }));
    ui::LoadLayoutText(form, L"Tree.layout", R"(object Frm: TForm
  object WkTreeView1: TWkTreeView
    Left = 1
    Top = 1
    Width = 234
    Height = 382
    Align = alClient
    Images = ImageList1
    Indent = 19
    ReadOnly = True
    FrameStyle = fsNone
    FrameVisible = True
    SelectionPen.Color = clBtnShadow
    OnMouseDown = WkTreeView1MouseDown
    OnDblClick = WkTreeView1DblClick
  end
  object ImageList1: TImageList
    Width = 16
    Height = 16
  end
end
)", registry);
    auto* tree = dynamic_cast<TWkTreeView*>(form.FindComponent(L"WkTreeView1"));
    ASSERT_NE(tree, nullptr);
    EXPECT_EQ(tree->Images(), form.FindComponent(L"ImageList1"));
    EXPECT_TRUE(tree->ReadOnly());
    EXPECT_TRUE(tree->FrameVisible());
    EXPECT_EQ(tree->FrameStyle(), fsNone);
    EXPECT_EQ(tree->Color(), ui::clWindow);
    EXPECT_EQ(tree->Indent(), 19);
    const DWORD style = static_cast<DWORD>(GetWindowLongPtrW(tree->Handle(), GWL_STYLE));
    EXPECT_FALSE(style & TVS_EDITLABELS);
    EXPECT_TRUE(style & TVS_LINESATROOT);
    EXPECT_EQ(SendMessageW(tree->Handle(), TVM_GETINDENT, 0, 0), 19);
    EXPECT_EQ(reinterpret_cast<HIMAGELIST>(SendMessageW(tree->Handle(), TVM_GETIMAGELIST, TVSIL_NORMAL, 0)),
              tree->Images()->Handle());
    SendMessageW(tree->Handle(), WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(5, 5));
    EXPECT_EQ(doubles, 1);
    EXPECT_EQ(downs, 1);
}

} // namespace
