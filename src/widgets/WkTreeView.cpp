#include "widgets/WkTreeView.h"
#include "ui/Application.h"
#include "ui/ImageList.h"
#include "ui/Menu.h"
#include "ui/Layout.h"
#include <windowsx.h>
#include <algorithm>
#include <cstdint>
#include <cstring>

namespace wk {

using ui::Rect;
using ui::TColor;

// =============================================================================================
// TTreeNode
// =============================================================================================

TWkCustomTreeView& TTreeNode::TreeView() const { return FOwner->Owner(); }

int TTreeNode::Level() const {
    int level = 0;
    for (const TTreeNode* p = FParent; p; p = p->FParent) ++level;
    return level;
}

int TTreeNode::Index() const {
    const auto& siblings = FOwner->SiblingsOf(FParent);
    for (size_t i = 0; i < siblings.size(); ++i)
        if (siblings[i].get() == this) return static_cast<int>(i);
    return -1;
}

void TTreeNode::UpdateItem(UINT mask) {
    if (!FItem) return;
    TVITEMW item{};
    item.mask = mask | TVIF_HANDLE;
    item.hItem = FItem;
    item.pszText = const_cast<wchar_t*>(FText.c_str());
    item.iImage = FImageIndex;
    item.iSelectedImage = FSelectedIndex;
    if (mask & TVIF_STATE) {
        item.stateMask = TVIS_STATEIMAGEMASK;
        item.state = INDEXTOSTATEIMAGEMASK(std::max(0, FStateIndex));
    }
    SendMessageW(TreeView().HandleIfAllocated(), TVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&item));
}

void TTreeNode::SetText(const std::wstring& value) {
    if (FText == value) return;
    FText = value;
    UpdateItem(TVIF_TEXT);
}

void TTreeNode::SetImageIndex(int value) {
    if (FImageIndex == value) return;
    FImageIndex = value;
    UpdateItem(TVIF_IMAGE);
}

void TTreeNode::SetSelectedIndex(int value) {
    if (FSelectedIndex == value) return;
    FSelectedIndex = value;
    UpdateItem(TVIF_SELECTEDIMAGE);
}

void TTreeNode::SetStateIndex(int value) {
    if (FStateIndex == value) return;
    FStateIndex = value;
    UpdateItem(TVIF_STATE);
}

bool TTreeNode::Expanded() const {
    if (!FItem) return FExpanded;
    const auto state = SendMessageW(TreeView().HandleIfAllocated(), TVM_GETITEMSTATE,
                                    reinterpret_cast<WPARAM>(FItem), TVIS_EXPANDED);
    return (state & TVIS_EXPANDED) != 0;
}

void TTreeNode::Expand(bool recursive) {
    FExpanded = true;
    if (FItem)
        SendMessageW(TreeView().HandleIfAllocated(), TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(FItem));
    if (recursive)
        for (auto& child : FChildren) child->Expand(true);
}

void TTreeNode::Collapse(bool recursive) {
    FExpanded = false;
    if (FItem)
        SendMessageW(TreeView().HandleIfAllocated(), TVM_EXPAND, TVE_COLLAPSE, reinterpret_cast<LPARAM>(FItem));
    if (recursive)
        for (auto& child : FChildren) child->Collapse(true);
}

bool TTreeNode::Selected() const { return TreeView().Selected() == this; }

void TTreeNode::SetSelected(bool value) {
    if (value)
        TreeView().SetSelected(this);
    else if (Selected())
        TreeView().SetSelected(nullptr);
}

Rect TTreeNode::DisplayRect(bool textOnly) const {
    if (!FItem) return {};
    // TVM_GETITEMRECT takes the item in the RECT it fills.
    RECT r{};
    static_assert(sizeof(RECT) >= sizeof(HTREEITEM));
    std::memcpy(&r, &FItem, sizeof FItem);
    if (!SendMessageW(TreeView().HandleIfAllocated(), TVM_GETITEMRECT, textOnly, reinterpret_cast<LPARAM>(&r)))
        return {};
    return r;
}

// =============================================================================================
// TTreeNodes
// =============================================================================================

TTreeNode* TTreeNodes::Insert(TTreeNode* parent, bool first, const std::wstring& text, void* data) {
    auto& siblings = SiblingsOf(parent);
    std::unique_ptr<TTreeNode> node(new TTreeNode(*this, parent));
    node->FText = text;
    node->FData = data;
    TTreeNode* raw = node.get();
    siblings.insert(first ? siblings.begin() : siblings.end(), std::move(node));
    FTree.InsertItem(*raw, first);
    return raw;
}

TTreeNode* TTreeNodes::AddFirst(TTreeNode* sibling, const std::wstring& text, void* data) {
    return Insert(sibling ? sibling->FParent : nullptr, true, text, data);
}

TTreeNode* TTreeNodes::Add(TTreeNode* sibling, const std::wstring& text, void* data) {
    return Insert(sibling ? sibling->FParent : nullptr, false, text, data);
}

TTreeNode* TTreeNodes::AddChildFirst(TTreeNode* parent, const std::wstring& text, void* data) {
    return Insert(parent, true, text, data);
}

TTreeNode* TTreeNodes::AddChild(TTreeNode* parent, const std::wstring& text, void* data) {
    return Insert(parent, false, text, data);
}

namespace {
bool Contains(const TTreeNode* ancestor, const TTreeNode* node) {
    for (const TTreeNode* p = node; p; p = p->Parent())
        if (p == ancestor) return true;
    return false;
}
} // namespace

void TTreeNodes::Delete(TTreeNode* node) {
    if (!node) return;
    FTree.ForgetNode(node);
    if (node->FItem)
        SendMessageW(FTree.HandleIfAllocated(), TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(node->FItem));
    auto& siblings = SiblingsOf(node->FParent);
    std::erase_if(siblings, [node](const std::unique_ptr<TTreeNode>& n) { return n.get() == node; });
}

void TTreeNodes::Clear() {
    FTree.FPendingSelection = nullptr;
    FTree.FRightClickNode = nullptr;
    if (FTree.HandleAllocated())
        SendMessageW(FTree.HandleIfAllocated(), TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(TVI_ROOT));
    FRoots.clear();
}

namespace {
// Walks the nodes in display order; `visit` returns true to stop.
template <typename F>
bool Walk(TTreeNode* node, F& visit) {
    if (visit(node)) return true;
    for (int i = 0; i < node->Count(); ++i)
        if (Walk(node->Item(i), visit)) return true;
    return false;
}
} // namespace

int TTreeNodes::Count() const {
    int n = 0;
    auto count = [&n](TTreeNode*) { ++n; return false; };
    for (const auto& root : FRoots) Walk(root.get(), count);
    return n;
}

TTreeNode* TTreeNodes::Item(int index) const {
    TTreeNode* found = nullptr;
    auto pick = [&](TTreeNode* node) {
        if (index-- == 0) found = node;
        return found != nullptr;
    };
    for (const auto& root : FRoots)
        if (Walk(root.get(), pick)) break;
    return found;
}

// =============================================================================================
// TWkCustomTreeView: the window and its items
// =============================================================================================

TWkCustomTreeView::TWkCustomTreeView(ui::TComponent* owner) : TWkFramedControl(owner) {
    SetBounds(0, 0, 121, 97);
}

TWkCustomTreeView::~TWkCustomTreeView() {
    if (FImages) FImages->RemoveFreeNotification(this);
    if (FPopupMenu) FPopupMenu->RemoveFreeNotification(this);
    // The control's items point at the nodes: the window goes before they do.
    DestroyHandle();
}

void TWkCustomTreeView::CreateParams(ui::TCreateParams& params) {
    TWkFramedControl::CreateParams(params);
    params.WinClassName = L"PlumoraWkTreeView";
    params.BaseClassName = WC_TREEVIEWW;
    if (FShowLines) params.Style |= TVS_HASLINES;
    if (FShowButtons) params.Style |= TVS_HASBUTTONS;
    if (FShowRoot) params.Style |= TVS_LINESATROOT;
    if (!FReadOnly) params.Style |= TVS_EDITLABELS;
    if (!FHideSelection) params.Style |= TVS_SHOWSELALWAYS;
    if (FRowSelect) params.Style |= TVS_FULLROWSELECT;
    if (FHotTrack) params.Style |= TVS_TRACKSELECT;
    if (!FToolTips) params.Style |= TVS_NOTOOLTIPS;
    if (FAutoExpand) params.Style |= TVS_SINGLEEXPAND;
}

void TWkCustomTreeView::CreateWnd() {
    ApplyImages();
    if (FIndent >= 0) SendMessageW(HandleIfAllocated(), TVM_SETINDENT, FIndent, 0);
    ApplyBackground();
    InsertItems(FItems.FRoots, TVI_ROOT);
    TTreeNode* selection = std::exchange(FPendingSelection, nullptr);
    if (selection) SetSelected(selection);
}

void TWkCustomTreeView::ForgetNode(TTreeNode* node) {
    if (Contains(node, FPendingSelection)) FPendingSelection = nullptr;
    // A menu handler may delete the very node its menu is about.
    if (Contains(node, FRightClickNode)) FRightClickNode = nullptr;
}

void TWkCustomTreeView::ForgetItems(std::vector<std::unique_ptr<TTreeNode>>& nodes) {
    for (auto& node : nodes) {
        if (node->FItem) node->FExpanded = node->Expanded();
        ForgetItems(node->FChildren);
        node->FItem = nullptr;
    }
}

void TWkCustomTreeView::InsertItems(std::vector<std::unique_ptr<TTreeNode>>& nodes, HTREEITEM parent) {
    for (auto& node : nodes) {
        InsertItem(*node, false);
        InsertItems(node->FChildren, node->FItem);
        // Expanding needs the children in place: a childless item does not take the state.
        if (node->FExpanded)
            SendMessageW(HandleIfAllocated(), TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(node->FItem));
    }
}

void TWkCustomTreeView::InsertItem(TTreeNode& node, bool first) {
    HWND wnd = HandleIfAllocated();
    if (!wnd) return;
    TTreeNode* parent = node.FParent;
    if (parent && !parent->FItem) return; // comes in with its parent
    TVINSERTSTRUCTW ins{};
    ins.hParent = parent ? parent->FItem : TVI_ROOT;
    ins.hInsertAfter = first ? TVI_FIRST : TVI_LAST;
    ins.item.mask = TVIF_TEXT | TVIF_PARAM | TVIF_IMAGE | TVIF_SELECTEDIMAGE;
    ins.item.pszText = const_cast<wchar_t*>(node.FText.c_str());
    ins.item.iImage = node.FImageIndex;
    ins.item.iSelectedImage = node.FSelectedIndex;
    ins.item.lParam = reinterpret_cast<LPARAM>(&node);
    if (node.FStateIndex >= 0) {
        ins.item.mask |= TVIF_STATE;
        ins.item.stateMask = TVIS_STATEIMAGEMASK;
        ins.item.state = INDEXTOSTATEIMAGEMASK(node.FStateIndex);
    }
    node.FItem = reinterpret_cast<HTREEITEM>(SendMessageW(wnd, TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&ins)));
    // A parent expanded while it had no children could not take the state; now it can.
    if (parent && parent->FExpanded && parent->Count() == 1)
        SendMessageW(wnd, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(parent->FItem));
}

TTreeNode* TWkCustomTreeView::NodeFromItem(HTREEITEM item) const {
    if (!item || !HandleAllocated()) return nullptr;
    TVITEMW tv{};
    tv.mask = TVIF_HANDLE | TVIF_PARAM;
    tv.hItem = item;
    if (!SendMessageW(HandleIfAllocated(), TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&tv))) return nullptr;
    return reinterpret_cast<TTreeNode*>(tv.lParam);
}

TTreeNode* TWkCustomTreeView::GetNodeAt(int x, int y) {
    if (!HandleAllocated()) return nullptr;
    TVHITTESTINFO hit{};
    hit.pt = POINT{x, y};
    SendMessageW(HandleIfAllocated(), TVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit));
    // Anywhere on the row counts: indent, button, icon, label and the space right of it.
    // Below the last row the control reports TVHT_NOWHERE, outside TVHT_ABOVE/BELOW/...
    constexpr UINT kOnRow = TVHT_ONITEM | TVHT_ONITEMINDENT | TVHT_ONITEMBUTTON | TVHT_ONITEMRIGHT;
    if (!hit.hItem || !(hit.flags & kOnRow)) return nullptr;
    return NodeFromItem(hit.hItem);
}

TTreeNode* TWkCustomTreeView::Selected() const {
    if (!HandleAllocated()) return FPendingSelection;
    auto item = reinterpret_cast<HTREEITEM>(SendMessageW(HandleIfAllocated(), TVM_GETNEXTITEM, TVGN_CARET, 0));
    return NodeFromItem(item);
}

void TWkCustomTreeView::SetSelected(TTreeNode* node) {
    if (!HandleAllocated()) {
        FPendingSelection = node;
        return;
    }
    SendMessageW(HandleIfAllocated(), TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(node ? node->FItem : nullptr));
}

// =============================================================================================
// Platform control properties
// =============================================================================================

void TWkCustomTreeView::ApplyStyle(DWORD bit, bool on) {
    if (!HandleAllocated()) return;
    HWND wnd = HandleIfAllocated();
    const DWORD style = static_cast<DWORD>(GetWindowLongPtrW(wnd, GWL_STYLE));
    const DWORD wanted = on ? (style | bit) : (style & ~bit);
    if (wanted == style) return;
    // The tree control reads its style again on WM_STYLECHANGED, which this sends.
    SetWindowLongPtrW(wnd, GWL_STYLE, wanted);
    ::InvalidateRect(wnd, nullptr, TRUE);
}

void TWkCustomTreeView::ApplyImages() {
    if (!HandleAllocated()) return;
    HIMAGELIST list = FImages ? FImages->Handle() : nullptr;
    SendMessageW(HandleIfAllocated(), TVM_SETIMAGELIST, TVSIL_NORMAL, reinterpret_cast<LPARAM>(list));
}

void TWkCustomTreeView::ApplyBackground() {
    if (!HandleAllocated()) return;
    SendMessageW(HandleIfAllocated(), TVM_SETBKCOLOR, 0, static_cast<LPARAM>(ui::ColorToRGB(Color())));
}

void TWkCustomTreeView::SetImages(ui::TImageList* value) {
    if (FImages == value) return;
    if (FImages) FImages->RemoveFreeNotification(this);
    FImages = value;
    if (FImages) FImages->FreeNotification(this);
    ApplyImages();
}

void TWkCustomTreeView::Notification(ui::TComponent* component, ui::TOperation operation) {
    TWkFramedControl::Notification(component, operation);
    if (operation == ui::opRemove && component == FImages) {
        FImages = nullptr;
        ApplyImages();
    }
    if (operation == ui::opRemove && component == FPopupMenu) FPopupMenu = nullptr;
}

void TWkCustomTreeView::SetPopupMenu(ui::TPopupMenu* value) {
    if (FPopupMenu == value) return;
    if (FPopupMenu) FPopupMenu->RemoveFreeNotification(this);
    FPopupMenu = value;
    if (FPopupMenu) FPopupMenu->FreeNotification(this);
}

int TWkCustomTreeView::Indent() const {
    if (HandleAllocated()) return static_cast<int>(SendMessageW(HandleIfAllocated(), TVM_GETINDENT, 0, 0));
    return FIndent;
}

void TWkCustomTreeView::SetIndent(int value) {
    if (FIndent == value) return;
    FIndent = value;
    if (HandleAllocated() && value >= 0) SendMessageW(HandleIfAllocated(), TVM_SETINDENT, value, 0);
}

// Each flag is a window style of the tree; two of them are the style's opposite.
void TWkCustomTreeView::SetReadOnly(bool value) { if (StoreIfChanged(FReadOnly, value)) ApplyStyle(TVS_EDITLABELS, !value); }
void TWkCustomTreeView::SetHideSelection(bool value) {
    if (StoreIfChanged(FHideSelection, value)) ApplyStyle(TVS_SHOWSELALWAYS, !value);
}
void TWkCustomTreeView::SetShowButtons(bool value) { if (StoreIfChanged(FShowButtons, value)) ApplyStyle(TVS_HASBUTTONS, value); }
void TWkCustomTreeView::SetShowLines(bool value) { if (StoreIfChanged(FShowLines, value)) ApplyStyle(TVS_HASLINES, value); }
void TWkCustomTreeView::SetShowRoot(bool value) { if (StoreIfChanged(FShowRoot, value)) ApplyStyle(TVS_LINESATROOT, value); }
void TWkCustomTreeView::SetRowSelect(bool value) { if (StoreIfChanged(FRowSelect, value)) ApplyStyle(TVS_FULLROWSELECT, value); }
void TWkCustomTreeView::SetHotTrack(bool value) { if (StoreIfChanged(FHotTrack, value)) ApplyStyle(TVS_TRACKSELECT, value); }

void TWkCustomTreeView::SetToolTips(bool value) {
    if (FToolTips == value) return;
    FToolTips = value;
    // The control makes its tool-tip window only at creation.
    if (HandleAllocated()) RecreateWnd();
}

void TWkCustomTreeView::SetAutoExpand(bool value) {
    if (FAutoExpand == value) return;
    FAutoExpand = value;
    ApplyStyle(TVS_SINGLEEXPAND, value);
    if (value) SetAutoSelect(false);
}

// =============================================================================================
// Messages
// =============================================================================================

bool TWkCustomTreeView::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    switch (msg) {
    case WM_LBUTTONDOWN: case WM_RBUTTONDOWN: case WM_MBUTTONDOWN:
    case WM_LBUTTONDBLCLK: case WM_RBUTTONDBLCLK: case WM_MBUTTONDBLCLK:
        return HandlePress(msg, wParam, lParam, result);
    case WM_RBUTTONUP:
        return HandleRightRelease(wParam, lParam, result);
    case WM_MOUSEWHEEL:
        return HandleWheel(wParam, result);
    case WM_PAINT: {
        result = DefaultHandler(msg, wParam, lParam);
        if (!FHideSelection && !Focused()) {
            ui::WindowDc dc(HandleIfAllocated());
            ui::TCanvas canvas(dc);
            PaintSelectionOutline(canvas);
        }
        return true;
    }
    case WM_SYSCOLORCHANGE:
        result = DefaultHandler(msg, wParam, lParam); // the control's own line and text colours
        HandleSysColorChange();
        return true;
    case WM_DESTROY:
        // The window goes, the nodes stay: keep what the user changed in the control. Done
        // here rather than in DestroyWnd, which a parent's destruction does not call.
        FPendingSelection = Selected();
        ForgetItems(FItems.FRoots);
        return false;
    case WM_CONTEXTMENU:
        result = 0;
        return HandleContextMenu(lParam);
    case ui::CN_NOTIFY:
        result = 0;
        if (const NMHDR* header = OwnNotification(wParam, lParam)) return HandleNotify(*header, result);
        return true; // not one of the control's own: nothing of it is read
    default:
        return false;
    }
}

bool TWkCustomTreeView::HandlePress(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    ui::TMouseButton button = ui::mbLeft;
    int vk = VK_LBUTTON;
    if (msg == WM_RBUTTONDOWN || msg == WM_RBUTTONDBLCLK) { button = ui::mbRight; vk = VK_RBUTTON; }
    if (msg == WM_MBUTTONDOWN || msg == WM_MBUTTONDBLCLK) { button = ui::mbMiddle; vk = VK_MBUTTON; }
    const bool isDouble = msg == WM_LBUTTONDBLCLK || msg == WM_RBUTTONDBLCLK || msg == WM_MBUTTONDBLCLK;
    ui::TShiftState shift = ui::MouseShiftState(wParam);
    const int x = GET_X_LPARAM(lParam), y = GET_Y_LPARAM(lParam);

    // A new right click: a release the control's drag detection swallowed may have left the
    // previous click's flag behind.
    if (button == ui::mbRight) FMenuHandled = false;

    // The events run before the control's own press handling, so a handler can select the
    // node and pop a menu up on a right press.
    if (isDouble) {
        shift |= ui::ssDouble;
        if (button == ui::mbLeft) ui::GuardedCall([&] { DblClick(); });
    }
    ui::GuardedCall([&] { MouseDown(button, shift, x, y); });
    if (!HandleAllocated()) { result = 0; return true; }

    // A handler that ran a modal loop (a popup menu) has seen the button come up already.
    // The control's press handling would then track a press that is over, until the next
    // mouse message, and raise its right-click notification late: skip it.
    if (!isDouble && GetKeyState(vk) >= 0) {
        result = 0;
        return true;
    }
    result = DefaultHandler(msg, wParam, lParam);
    return true;
}

bool TWkCustomTreeView::HandleRightRelease(WPARAM wParam, LPARAM lParam, LRESULT& result) {
    if (FInRightRelease) return false; // the dispatcher's own handling, entered below
    // The release's default handling sends the platform's WM_CONTEXTMENU, which MenuHandled
    // must still turn away: the flag goes only once the whole release has been handled.
    {
        struct ReleaseScope {
            bool& inRelease;
            explicit ReleaseScope(bool& flag) : inRelease(flag) { inRelease = true; }
            ~ReleaseScope() { inRelease = false; }
        } scope(FInRightRelease);
        result = WndProc(WM_RBUTTONUP, wParam, lParam);
    }
    FMenuHandled = false;
    return true;
}

int WheelScrollTarget(int position, int notches, UINT linesPerNotch, int page, int maxPos) {
    long long step = linesPerNotch == WHEEL_PAGESCROLL ? std::max(1, page) : static_cast<long long>(linesPerNotch);
    long long target = position - static_cast<long long>(notches) * step;
    target = std::clamp<long long>(target, 0, std::max(0, maxPos));
    return static_cast<int>(target);
}

bool TWkCustomTreeView::HandleWheel(WPARAM wParam, LRESULT& result) {
    result = 0;
    HWND wnd = HandleIfAllocated();
    SCROLLINFO si{};
    si.cbSize = sizeof si;
    si.fMask = SIF_ALL;
    const bool hasBar = (GetWindowLongPtrW(wnd, GWL_STYLE) & WS_VSCROLL) && GetScrollInfo(wnd, SB_VERT, &si);
    if (!hasBar) {
        FWheelRemainder = 0;
        return true; // nothing to scroll: the wheel is swallowed
    }
    // Whole notches only; a fine-grained wheel's smaller steps add up to the next notch.
    FWheelRemainder += GET_WHEEL_DELTA_WPARAM(wParam);
    const int notches = FWheelRemainder / WHEEL_DELTA;
    FWheelRemainder -= notches * WHEEL_DELTA;
    if (notches == 0) return true;
    UINT lines = 3;
    SystemParametersInfoW(SPI_GETWHEELSCROLLLINES, 0, &lines, 0);
    const int maxPos = si.nMax - std::max(0, static_cast<int>(si.nPage) - 1);
    const int target = WheelScrollTarget(si.nPos, notches, lines, static_cast<int>(si.nPage), maxPos);
    SendMessageW(wnd, WM_VSCROLL, MAKEWPARAM(SB_THUMBPOSITION, target), 0);
    SetScrollPos(wnd, SB_VERT, target, TRUE);
    return true;
}

// The background went to the control as RGB, so a system colour must be handed over again,
// and the frame is painted in it too. The normal colour is left as it is: Color may be
// FocusColor or DisabledColor just now, and neither may become the normal colour.
void TWkCustomTreeView::HandleSysColorChange() {
    if (!ui::IsSystemColor(Color())) return;
    ApplyBackground();
    Invalidate();
    if (FrameVisible() && !UsesThemedFrame()) RepaintFrame();
}

// =============================================================================================
// Notifications of the control
// =============================================================================================

namespace {

// Whether [address, address + size) is committed memory of this process that can be read.
bool ReadableMemory(LPARAM address, size_t size) {
    auto at = static_cast<uintptr_t>(address);
    const uintptr_t end = at + size;
    if (at == 0 || end < at) return false;
    constexpr DWORD kReadable = PAGE_READONLY | PAGE_READWRITE | PAGE_WRITECOPY | PAGE_EXECUTE_READ |
                                PAGE_EXECUTE_READWRITE | PAGE_EXECUTE_WRITECOPY;
    while (at < end) {
        MEMORY_BASIC_INFORMATION info{};
        if (!VirtualQuery(reinterpret_cast<const void*>(at), &info, sizeof info)) return false;
        if (info.State != MEM_COMMIT || !(info.Protect & kReadable) || (info.Protect & PAGE_GUARD)) return false;
        at = reinterpret_cast<uintptr_t>(info.BaseAddress) + info.RegionSize;
    }
    return true;
}

// How much a notification of this code carries behind its header.
size_t NotificationSize(UINT code) {
    switch (code) {
    case TVN_ITEMEXPANDINGW:
    case TVN_ITEMEXPANDEDW:
        return sizeof(NMTREEVIEWW);
    default:
        return sizeof(NMHDR);
    }
}

constexpr UINT kExpandActionMask = TVE_COLLAPSE | TVE_EXPAND;

} // namespace

// CN_NOTIFY is an ordinary message number: any thread or process can send it to this window
// with any LPARAM, and an address from elsewhere means nothing here. The parent reflects the
// control's WM_NOTIFY with the header's address and the control's id in WPARAM. Accept only an
// aligned header in our own readable memory that names this window and that id, followed by
// as much readable memory as its code's structure needs.
const NMHDR* TWkCustomTreeView::OwnNotification(WPARAM wParam, LPARAM lParam) const {
    HWND wnd = HandleIfAllocated();
    if (!wnd || static_cast<uintptr_t>(lParam) % alignof(NMHDR) != 0) return nullptr;
    if (!ReadableMemory(lParam, sizeof(NMHDR))) return nullptr;
    const auto* header = reinterpret_cast<const NMHDR*>(lParam);
    const auto id = static_cast<UINT_PTR>(GetWindowLongPtrW(wnd, GWLP_ID));
    if (header->hwndFrom != wnd || header->idFrom != id || wParam != id) return nullptr;
    if (!ReadableMemory(lParam, NotificationSize(header->code))) return nullptr;
    return header;
}

bool TWkCustomTreeView::HandleNotify(const NMHDR& header, LRESULT& result) {
    switch (header.code) {
    case NM_RCLICK:
        return HandleRightClick(result);
    case TVN_ITEMEXPANDINGW:
        HandleExpanding(reinterpret_cast<const NMTREEVIEWW&>(header));
        result = 0; // let it happen
        return true;
    case TVN_ITEMEXPANDEDW:
        HandleExpanded(reinterpret_cast<const NMTREEVIEWW&>(header));
        result = 0;
        return true;
    default:
        return false;
    }
}

// The notification's item handle is looked up through the control, which knows its own items;
// its lParam is not trusted to be one of our nodes.
void TWkCustomTreeView::HandleExpanding(const NMTREEVIEWW& nm) {
    // With AutoSelect a node that collapses is selected first, so the selection never
    // disappears into the collapsed branch.
    if (!FAutoSelect || (nm.action & kExpandActionMask) != TVE_COLLAPSE) return;
    if (TTreeNode* node = NodeFromItem(nm.itemNew.hItem)) SetSelected(node);
}

void TWkCustomTreeView::HandleExpanded(const NMTREEVIEWW& nm) {
    TTreeNode* node = NodeFromItem(nm.itemNew.hItem);
    if (!node) return;
    node->FExpanded = node->Expanded();
    if (FAutoSelect && (nm.action & kExpandActionMask) == TVE_EXPAND) SetSelected(node);
}

// =============================================================================================
// Context menus
// =============================================================================================

TTreeNode* TWkCustomTreeView::NodeToActOn() const {
    if (FRightClickSelect && FRightClickNode) return FRightClickNode;
    return Selected();
}

bool TWkCustomTreeView::ShowNodeMenu(TTreeNode* node, ui::Point pos) {
    ui::TPopupMenu* menu = FPopupMenu;
    if (OnNodeContextMenu) OnNodeContextMenu(this, node, pos, menu);
    const bool replaced = menu != FPopupMenu;
    if (!menu) return replaced;
    // The control may hold the capture from the click; the menu needs the mouse.
    if (GetCapture() == HandleIfAllocated()) ReleaseCapture();
    const ui::Point screen = ClientToScreen(pos);
    menu->Popup(screen.x, screen.y);
    return replaced;
}

// The control's right click, after its own drag detection: the menu of the node under the
// pointer, or of the selected node when the click missed the rows.
bool TWkCustomTreeView::HandleRightClick(LRESULT& result) {
    POINT cursor{};
    GetCursorPos(&cursor);
    const ui::Point pos = ScreenToClient(cursor);
    TTreeNode* hit = GetNodeAt(pos.x, pos.y);
    TTreeNode* node = hit ? hit : Selected();
    if (!node) return false; // the control's WM_CONTEXTMENU offers the tree's own menu
    if (FRightClickSelect && hit) SetSelected(hit);
    FRightClickNode = node;
    ui::GuardedCall([&] { ShowNodeMenu(node, pos); });
    FRightClickNode = nullptr;
    FMenuHandled = true;
    result = 1; // handled: the control sends no WM_CONTEXTMENU of its own
    return true;
}

// The menu key or Shift+F10: the menu of the node to act on, at the middle of its label;
// without one the tree's own menu at its top-left corner.
void TWkCustomTreeView::ShowKeyboardMenu() {
    if (TTreeNode* node = NodeToActOn()) {
        const Rect label = node->DisplayRect(true);
        const ui::Point middle{(label.left + label.right) / 2, (label.top + label.bottom) / 2};
        bool replaced = false;
        ui::GuardedCall([&] { replaced = ShowNodeMenu(node, middle); });
        if (replaced) FMenuHandled = true;
    } else if (FPopupMenu) {
        const ui::Point origin = ClientToScreen({0, 0});
        ui::GuardedCall([&] { FPopupMenu->Popup(origin.x, origin.y); });
    }
}

bool TWkCustomTreeView::HandleContextMenu(LPARAM lParam) {
    const int x = GET_X_LPARAM(lParam), y = GET_Y_LPARAM(lParam);
    if (x == -1 && y == -1) {
        ShowKeyboardMenu();
        return true;
    }
    // With a position it is the platform's menu request for a right click. A click that had a
    // node to act on got its menu from the right-click notification already (MenuHandled),
    // and one beside the rows acts on the selected node: only a tree without such a node
    // offers its own menu here, with no node.
    if (FMenuHandled || NodeToActOn()) return true;
    const ui::Point pos = ScreenToClient({x, y});
    ui::GuardedCall([&] { ShowNodeMenu(nullptr, pos); });
    FMenuHandled = true; // the release that may follow asks again
    return true;
}

namespace {
bool IsMenuKey(WORD key, ui::TShiftState shift) {
    const ui::TShiftState modifiers = shift & (ui::ssShift | ui::ssCtrl | ui::ssAlt);
    return (key == VK_APPS && modifiers == 0) || (key == VK_F10 && modifiers == ui::ssShift);
}
} // namespace

bool TWkCustomTreeView::KeyDown(WORD key, ui::TShiftState shift) {
    if (TWkFramedControl::KeyDown(key, shift)) return true;
    if (!IsMenuKey(key, shift)) return false;
    ShowKeyboardMenu();
    return true;
}

bool TWkCustomTreeView::KeyUp(WORD key, ui::TShiftState shift) {
    if (TWkFramedControl::KeyUp(key, shift)) return true;
    // The release is ours too: its default handling would ask for the menu a second time.
    return IsMenuKey(key, shift);
}

// =============================================================================================
// Unfocused selection outline
// =============================================================================================

void TWkCustomTreeView::PaintSelectionOutline(ui::TCanvas& canvas) {
    if (FHideSelection || (HandleAllocated() && Focused())) return;
    TTreeNode* node = NodeToActOn();
    if (!node) return;
    const Rect label = node->DisplayRect(true);
    if (label.IsEmpty()) return;
    canvas.SetPen(FSelectionPen.Color, FSelectionPen.Width, FSelectionPen.Style);
    canvas.SetBrush(ui::clNone, ui::TBrushStyle::Clear);
    canvas.Rectangle(label);
    canvas.SetPen(FSelectionPen.Color, 1, ui::TPenStyle::Solid);
}

void TWkCustomTreeView::SetSelectionPen(const TWkPen& value) { SetAndInvalidate(FSelectionPen, value); }
void TWkCustomTreeView::SetAutoSelect(bool value) {
    if (FAutoSelect == value) return;
    FAutoSelect = value;
    if (value) SetAutoExpand(false);
}

// =============================================================================================
// Layout registration
// =============================================================================================

namespace {
using ui::TLayoutContext;
using ui::TLayoutValue;
using T = TWkCustomTreeView;

} // namespace

void RegisterWkTreeViewClasses(ui::TClassRegistry& registry) {
    RegisterWkFramedControlProperties(registry);
    registry.Declare<T, TWkFramedControl>();
    ui::RegisterControlClass<TWkTreeView, T>(registry, L"TWkTreeView");
    registry.Property<T>(L"Images", &T::SetImages);
    registry.Property<T>(L"Indent", &T::SetIndent, ui::IntRange{0, 32767});
    registry.Property<T>(L"ReadOnly", &T::SetReadOnly);
    // Only stNone exists: the name is checked and there is nothing to set.
    registry.Property<T>(L"SortType", [](T&, const TLayoutValue& v, TLayoutContext& c) { c.Enum<TSortType>(v); });
    registry.Property<T>(L"HideSelection", &T::SetHideSelection);
    registry.Property<T>(L"ShowButtons", &T::SetShowButtons);
    registry.Property<T>(L"ShowLines", &T::SetShowLines);
    registry.Property<T>(L"ShowRoot", &T::SetShowRoot);
    registry.Property<T>(L"RowSelect", &T::SetRowSelect);
    registry.Property<T>(L"HotTrack", &T::SetHotTrack);
    registry.Property<T>(L"ToolTips", &T::SetToolTips);
    registry.Property<T>(L"SelectionPen.Color", [](T& t, const TLayoutValue& v, TLayoutContext& c) {
        TWkPen pen = t.SelectionPen();
        pen.Color = c.Color(v);
        t.SetSelectionPen(pen);
    });
    registry.Property<T>(L"SelectionPen.Width", [](T& t, const TLayoutValue& v, TLayoutContext& c) {
        TWkPen pen = t.SelectionPen();
        pen.Width = c.Int(v, 0, 100);
        t.SetSelectionPen(pen);
    });
    registry.Property<T>(L"PopupMenu", &T::SetPopupMenu);
    registry.Property<T>(L"AutoSelect", &T::SetAutoSelect);
    registry.Property<T>(L"AutoExpand", &T::SetAutoExpand);
    registry.Property<T>(L"RightClickSelect", &T::SetRightClickSelect);
}

} // namespace wk
