// The kit's tree view: the platform tree-view control (WC_TREEVIEWW) with node objects that
// outlive the window, plus the kit's additions: a frame painted over the non-client border,
// background colours that follow focus and the enabled state, an outline of the selected
// node while the tree is unfocused, node context menus from the mouse and the keyboard,
// mouse-wheel scrolling by whole lines and select-on-expand.
//
// The nodes are ours (TTreeNode), the control only mirrors them: each node knows its
// HTREEITEM while the window exists, and the control's items carry the node in lParam. A node
// can be made, filled and expanded before the window exists; the window picks everything up
// when it is created, and hands expansion and selection back when it is destroyed, so the
// nodes survive a re-created window.
#pragma once
#include "widgets/WkFramedControl.h"
#include <commctrl.h>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace ui {
class TClassRegistry;
class TImageList;
class TPopupMenu;
} // namespace ui

namespace wk {

class TWkCustomTreeView;
class TTreeNodes;

class TTreeNode {
public:
    TTreeNode(const TTreeNode&) = delete;
    TTreeNode& operator=(const TTreeNode&) = delete;

    const std::wstring& Text() const { return FText; }
    void SetText(const std::wstring& value);
    void* Data() const { return FData; }
    void SetData(void* value) { FData = value; }
    // 0 for a top-level node, parent's level + 1 below.
    int Level() const;
    int ImageIndex() const { return FImageIndex; }
    void SetImageIndex(int value);
    int SelectedIndex() const { return FSelectedIndex; }
    void SetSelectedIndex(int value);
    int StateIndex() const { return FStateIndex; }
    void SetStateIndex(int value);

    TTreeNode* Parent() const { return FParent; }
    int Count() const { return static_cast<int>(FChildren.size()); }
    bool HasChildren() const { return !FChildren.empty(); }
    TTreeNode* Item(int index) const { return FChildren.at(index).get(); }
    TTreeNode* GetFirstChild() const { return FChildren.empty() ? nullptr : FChildren.front().get(); }
    TTreeNode* GetLastChild() const { return FChildren.empty() ? nullptr : FChildren.back().get(); }
    // Position among its siblings.
    int Index() const;

    bool Expanded() const;
    void Expand(bool recursive);
    void Collapse(bool recursive);
    bool Selected() const;
    void SetSelected(bool value);
    // The row's rectangle in client coordinates (textOnly: the label only); empty while the
    // node is not shown or the window does not exist.
    ui::Rect DisplayRect(bool textOnly) const;
    HTREEITEM ItemId() const { return FItem; }
    TTreeNodes& Owner() const { return *FOwner; }
    TWkCustomTreeView& TreeView() const;

private:
    friend class TTreeNodes;
    friend class TWkCustomTreeView;
    TTreeNode(TTreeNodes& owner, TTreeNode* parent) : FOwner(&owner), FParent(parent) {}
    void UpdateItem(UINT mask);

    TTreeNodes* FOwner;
    TTreeNode* FParent;
    std::vector<std::unique_ptr<TTreeNode>> FChildren;
    std::wstring FText;
    void* FData = nullptr;
    int FImageIndex = -1;
    int FSelectedIndex = -1;
    int FStateIndex = -1;
    bool FExpanded = false;     // the state to restore when the window is (re)created
    HTREEITEM FItem = nullptr;  // the control's item while the window exists
};

// The nodes of one tree. The nodes are owned here; the data pointers are not.
class TTreeNodes {
public:
    explicit TTreeNodes(TWkCustomTreeView& tree) : FTree(tree) {}
    TTreeNodes(const TTreeNodes&) = delete;
    TTreeNodes& operator=(const TTreeNodes&) = delete;

    void Clear();
    // A node at the level of `sibling` (top level when sibling is nullptr), placed first / last
    // among those siblings.
    TTreeNode* AddFirst(TTreeNode* sibling, const std::wstring& text, void* data = nullptr);
    TTreeNode* Add(TTreeNode* sibling, const std::wstring& text, void* data = nullptr);
    // A node under `parent` (top level when nullptr), placed first / last among its children.
    TTreeNode* AddChildFirst(TTreeNode* parent, const std::wstring& text, void* data = nullptr);
    TTreeNode* AddChild(TTreeNode* parent, const std::wstring& text, void* data = nullptr);
    // Removes the node and its descendants (their data pointers are left alone).
    void Delete(TTreeNode* node);

    // All nodes, in display order (each node before its children).
    int Count() const;
    TTreeNode* Item(int index) const;
    TTreeNode* GetFirstNode() const { return FRoots.empty() ? nullptr : FRoots.front().get(); }
    int TopLevelCount() const { return static_cast<int>(FRoots.size()); }
    TTreeNode* TopLevelItem(int index) const { return FRoots.at(index).get(); }
    TWkCustomTreeView& Owner() const { return FTree; }

private:
    friend class TTreeNode;
    friend class TWkCustomTreeView;
    TTreeNode* Insert(TTreeNode* parent, bool first, const std::wstring& text, void* data);
    std::vector<std::unique_ptr<TTreeNode>>& SiblingsOf(TTreeNode* parent) {
        return parent ? parent->FChildren : FRoots;
    }

    TWkCustomTreeView& FTree;
    std::vector<std::unique_ptr<TTreeNode>> FRoots;
};

enum TSortType : unsigned char { stNone };
inline constexpr ui::TEnumName<TSortType> kSortTypeNames[] = {{L"stNone", stNone}};
constexpr const auto& EnumNames(TSortType) { return kSortTypeNames; }

// The pen of the unfocused selection outline.
struct TWkPen {
    ui::TColor Color = ui::clBtnShadow;
    int Width = 1;
    ui::TPenStyle Style = ui::TPenStyle::Solid;
    bool operator==(const TWkPen&) const = default;
};

// Asked before a node's context menu opens: may move the point (client coordinates) or
// replace the menu (nullptr: no menu). `node` is nullptr for a menu of the tree itself.
using TNodeContextMenuEvent =
    std::function<void(ui::TObject* sender, TTreeNode* node, ui::Point& pos, ui::TPopupMenu*& menu)>;

class TWkCustomTreeView : public TWkFramedControl {
public:
    explicit TWkCustomTreeView(ui::TComponent* owner = nullptr);
    ~TWkCustomTreeView() override;
    std::wstring ClassName() const override { return L"TWkCustomTreeView"; }

    TTreeNodes& Items() { return FItems; }
    const TTreeNodes& Items() const { return FItems; }
    // The node whose row contains the client point; nullptr below the last row or outside.
    TTreeNode* GetNodeAt(int x, int y);
    TTreeNode* Selected() const;
    void SetSelected(TTreeNode* node);
    // The node a control item stands for (nullptr for none).
    TTreeNode* NodeFromItem(HTREEITEM item) const;

    // --- platform control properties -------------------------------------------------------
    ui::TImageList* Images() const { return FImages; }
    void SetImages(ui::TImageList* value);
    int Indent() const;
    void SetIndent(int value);
    bool ReadOnly() const { return FReadOnly; }
    void SetReadOnly(bool value);
    TSortType SortType() const { return stNone; }
    bool HideSelection() const { return FHideSelection; }
    void SetHideSelection(bool value);
    bool ShowButtons() const { return FShowButtons; }
    void SetShowButtons(bool value);
    bool ShowLines() const { return FShowLines; }
    void SetShowLines(bool value);
    bool ShowRoot() const { return FShowRoot; }
    void SetShowRoot(bool value);
    bool RowSelect() const { return FRowSelect; }
    void SetRowSelect(bool value);
    bool HotTrack() const { return FHotTrack; }
    void SetHotTrack(bool value);
    bool ToolTips() const { return FToolTips; }
    void SetToolTips(bool value);
    // Selecting a node expands it and collapses the other branches (TVS_SINGLEEXPAND).
    // Turning it on turns AutoSelect off: the two would fight over the selection.
    bool AutoExpand() const { return FAutoExpand; }
    void SetAutoExpand(bool value);
    // A right click on a node selects it before its context menu opens.
    bool RightClickSelect() const { return FRightClickSelect; }
    void SetRightClickSelect(bool value) { FRightClickSelect = value; }

    // --- the kit's additions ------------------------------------------------------------
    const TWkPen& SelectionPen() const { return FSelectionPen; }
    void SetSelectionPen(const TWkPen& value);
    // A node expanded or collapsed through the tree becomes the selected node. Turning it
    // on turns AutoExpand off.
    bool AutoSelect() const { return FAutoSelect; }
    void SetAutoSelect(bool value);
    // The node a context menu or the unfocused outline is about: the node of the right click
    // being handled (with RightClickSelect), else the selected node.
    TTreeNode* NodeToActOn() const;

    // The tree's own context menu, opened for a right click on a node (or the selected node)
    // and for the keyboard's menu keys.
    ui::TPopupMenu* PopupMenu() const { return FPopupMenu; }
    void SetPopupMenu(ui::TPopupMenu* value);
    TNodeContextMenuEvent OnNodeContextMenu;

    // Draws the unfocused selection outline over the painted client area, when one is due.
    void PaintSelectionOutline(ui::TCanvas& canvas);

    void Notification(ui::TComponent* component, ui::TOperation operation) override;

protected:
    void BackgroundChanged() override { ApplyBackground(); }
    void CreateParams(ui::TCreateParams& params) override;
    void CreateWnd() override;
    bool HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    bool KeyDown(WORD key, ui::TShiftState shift) override;
    bool KeyUp(WORD key, ui::TShiftState shift) override;

private:
    friend class TTreeNode;
    friend class TTreeNodes;

    bool HandlePress(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result);
    bool HandleWheel(WPARAM wParam, LRESULT& result);
    bool HandleRightRelease(WPARAM wParam, LPARAM lParam, LRESULT& result);
    void HandleSysColorChange();
    const NMHDR* OwnNotification(WPARAM wParam, LPARAM lParam) const;
    bool HandleNotify(const NMHDR& header, LRESULT& result);
    bool HandleRightClick(LRESULT& result);
    void HandleExpanding(const NMTREEVIEWW& nm);
    void HandleExpanded(const NMTREEVIEWW& nm);
    bool HandleContextMenu(LPARAM lParam);
    void ShowKeyboardMenu();
    // Asks OnNodeContextMenu and pops up what menu remains; true when the handler replaced
    // or removed the tree's own menu.
    bool ShowNodeMenu(TTreeNode* node, ui::Point pos);
    // A node is going away with its branch: forget every reference to it.
    void ForgetNode(TTreeNode* node);
    void InsertItem(TTreeNode& node, bool first);
    void InsertItems(std::vector<std::unique_ptr<TTreeNode>>& nodes, HTREEITEM parent);
    void ForgetItems(std::vector<std::unique_ptr<TTreeNode>>& nodes);
    void ApplyStyle(DWORD bit, bool on);
    void ApplyBackground();
    void ApplyImages();

    TTreeNodes FItems{*this};
    TTreeNode* FPendingSelection = nullptr;   // selection to restore when the window is made
    ui::TImageList* FImages = nullptr;
    ui::TPopupMenu* FPopupMenu = nullptr;
    int FIndent = -1;                         // -1: the platform's default
    bool FReadOnly = false;
    bool FHideSelection = true;
    bool FShowButtons = true;
    bool FShowLines = true;
    bool FShowRoot = true;
    bool FRowSelect = false;
    bool FHotTrack = false;
    bool FToolTips = true;
    bool FAutoExpand = false;
    bool FRightClickSelect = false;

    TWkPen FSelectionPen;
    bool FAutoSelect = false;
    TTreeNode* FRightClickNode = nullptr;     // the node of the right click being handled
    // A menu was already dealt with for the current right click: the platform's own
    // WM_CONTEXTMENU that follows (from the button's release) must not open another.
    bool FMenuHandled = false;
    bool FInRightRelease = false;

    int FWheelRemainder = 0;                  // wheel delta below one notch, kept for the next
};

class TWkTreeView : public TWkCustomTreeView {
public:
    using TWkCustomTreeView::TWkCustomTreeView;
    std::wstring ClassName() const override { return L"TWkTreeView"; }
};

// New scroll position after `notches` wheel notches (positive: toward the top) with the
// system's lines-per-notch setting; WHEEL_PAGESCROLL scrolls by `page`. Never below 0 nor
// past `maxPos`.
int WheelScrollTarget(int position, int notches, UINT linesPerNotch, int page, int maxPos);

void RegisterWkTreeViewClasses(ui::TClassRegistry& registry);

} // namespace wk
