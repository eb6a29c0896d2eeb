// TWinControl and TCustomControl.
//
// [1] window classes and the framework window procedure
// [2] life, window handle
// [3] children
// [4] alignment and anchors
// [5] focus and tab order
// [6] painting
// [7] the dispatcher
// [8] mouse routing to windowless children
#include "ui/Application.h"
#include "ui/Control.h"
#include "ui/Form.h"
#include <windowsx.h>
#include <algorithm>
#include <map>

namespace ui {

// =============================================================================================
// [1] Window classes and the framework window procedure
// =============================================================================================

LRESULT CALLBACK FrameworkWindowProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam);

namespace {

constexpr wchar_t kControlProp[] = L"Plumora.Control";

struct WindowClassEntry {
    std::wstring Name;
    UINT Style = 0;
    WNDPROC BaseProc = nullptr;
};

// Registered window classes of this process, by name and by atom. Window classes are
// process-wide by nature; this only remembers what was registered and how.
std::map<std::wstring, WindowClassEntry>& ClassesByName() {
    static std::map<std::wstring, WindowClassEntry> classes;
    return classes;
}
std::map<ATOM, WNDPROC>& BaseProcsByAtom() {
    static std::map<ATOM, WNDPROC> procs;
    return procs;
}

// The control whose CreateWindowExW is running: the first message of the new window binds
// the window to it (WM_GETMINMAXINFO comes before WM_NCCREATE for top-level windows, and a
// wrapped platform control may use lpCreateParams itself, so the create parameter is no use).
thread_local TWinControl* gCreatingControl = nullptr;

std::wstring Hex(UINT v) {
    wchar_t buf[16];
    wsprintfW(buf, L"%X", v);
    return buf;
}

// Registers (once) the class the parameters ask for and returns its name and the wrapped
// platform procedure, if any.
const WindowClassEntry& RegisterWindowClass(TCreateParams& params) {
    auto& classes = ClassesByName();
    std::wstring name = params.WinClassName;
    auto it = classes.find(name);
    // The same name with another class style (a widget that did not override ClassName but
    // changed the style) gets a name of its own instead of silently sharing the first style.
    if (it != classes.end() && params.BaseClassName.empty() && it->second.Style != params.ClassStyle) {
        name += L"#" + Hex(params.ClassStyle);
        it = classes.find(name);
    }
    params.WinClassName = name;
    if (it != classes.end()) return it->second;

    HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    WindowClassEntry entry;
    entry.Name = name;
    if (!params.BaseClassName.empty()) {
        // Superclass the platform control: same class data, our procedure in front of theirs.
        if (!GetClassInfoExW(nullptr, params.BaseClassName.c_str(), &wc) &&
            !GetClassInfoExW(instance, params.BaseClassName.c_str(), &wc))
            throw Exception(L"Unknown window class " + params.BaseClassName);
        wc.cbSize = sizeof(wc);
        entry.BaseProc = wc.lpfnWndProc;
        wc.style &= ~CS_GLOBALCLASS;
        entry.Style = wc.style;
    } else {
        wc.style = params.ClassStyle;
        wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        wc.hbrBackground = nullptr;   // everything is painted in WM_PAINT
        entry.Style = params.ClassStyle;
    }
    wc.lpfnWndProc = FrameworkWindowProc;
    wc.hInstance = instance;
    wc.lpszClassName = name.c_str();
    ATOM atom = RegisterClassExW(&wc);
    if (!atom) throw Exception(L"Cannot register window class " + name);
    BaseProcsByAtom()[atom] = entry.BaseProc;
    return classes.emplace(name, entry).first->second;
}

// Default processing for a window that is not (or no longer) bound to a control.
LRESULT UnboundDefault(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    ATOM atom = static_cast<ATOM>(GetClassWord(wnd, GCW_ATOM));
    auto& procs = BaseProcsByAtom();
    auto it = procs.find(atom);
    if (it != procs.end() && it->second) return CallWindowProcW(it->second, wnd, msg, wParam, lParam);
    return DefWindowProcW(wnd, msg, wParam, lParam);
}

// BeginPaint/EndPaint as a pair that always closes, even when painting throws; an
// unfinished WM_PAINT would come back forever.
class PaintScope {
public:
    explicit PaintScope(HWND wnd) : FWnd(wnd), FDc(BeginPaint(wnd, &FPs)) {}
    ~PaintScope() { EndPaint(FWnd, &FPs); }
    PaintScope(const PaintScope&) = delete;
    PaintScope& operator=(const PaintScope&) = delete;
    HDC Dc() const { return FDc; }
    Rect Update() const { return FPs.rcPaint; }

private:
    HWND FWnd;
    PAINTSTRUCT FPs{};
    HDC FDc;
};

} // namespace

LRESULT CALLBACK FrameworkWindowProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    auto* control = static_cast<TWinControl*>(GetPropW(wnd, kControlProp));
    if (!control && gCreatingControl) {
        control = std::exchange(gCreatingControl, nullptr);
        control->AttachHandle(wnd);
    }
    if (!control) return UnboundDefault(wnd, msg, wParam, lParam);
    // No exception may unwind through the system's frames: handlers' errors end here, in the
    // application's error box, and the message loop goes on.
    try {
        return control->WndProc(msg, wParam, lParam);
    } catch (const std::exception& e) {
        Application().HandleException(e);
    } catch (...) {
        Application().HandleException(Exception(L"Unknown error"));
    }
    return 0;
}

// =============================================================================================
// [2] Life, window handle
// =============================================================================================

TWinControl::TWinControl(TComponent* owner) : TControl(owner) {
    SetControlStyle(ControlStyle() | csAcceptsControls);
}

TWinControl::~TWinControl() {
    SetDestroying();
    // Owned components first (usually the children), while this object is still a window.
    DestroyComponents();
    // Children owned elsewhere are only let go.
    while (!FControls.empty()) FControls.back()->SetParent(nullptr);
    if (FHandle) {
        // Unbind first: the window's last messages go to the class's own processing.
        HWND wnd = std::exchange(FHandle, nullptr);
        RemovePropW(wnd, kControlProp);
        DestroyWindow(wnd);
    }
    if (Parent()) {
        Parent()->RemoveControl(this);
        FParent = nullptr;
    }
}

TWinControl* TWinControl::FindControl(HWND wnd) {
    return wnd ? static_cast<TWinControl*>(GetPropW(wnd, kControlProp)) : nullptr;
}

TWinControl* TWinControl::FindControlOrAncestor(HWND wnd) {
    for (; wnd; wnd = GetParent(wnd))
        if (TWinControl* c = FindControl(wnd)) return c;
    return nullptr;
}

HWND TWinControl::Handle() {
    if (!FHandle) CreateHandle();
    return FHandle;
}

void TWinControl::AttachHandle(HWND wnd) {
    FHandle = wnd;
    SetPropW(wnd, kControlProp, this);
}

void TWinControl::CreateParams(TCreateParams& params) {
    params.WinClassName = L"Plumora." + ClassName();
    params.Caption = FCaption;
    params.Style = WS_CHILD | WS_CLIPCHILDREN | WS_CLIPSIBLINGS;
    if (Visible()) params.Style |= WS_VISIBLE;
    if (!Enabled()) params.Style |= WS_DISABLED;
    params.ClassStyle = CS_DBLCLKS | CS_HREDRAW | CS_VREDRAW;
    params.X = Left();
    params.Y = Top();
    params.Width = Width();
    params.Height = Height();
    params.WndParent = Parent() ? Parent()->FHandle : nullptr;
}

void TWinControl::CreateHandle() {
    if (FHandle) return;
    if (Parent()) {
        Parent()->HandleNeeded();   // creates ours too, as one of its children
        if (FHandle) return;
    }
    Application().Initialize();
    TCreateParams params;
    CreateParams(params);
    if ((params.Style & WS_CHILD) && !params.WndParent) throw Exception(L"Control '" + Name() + L"' has no parent window");
    const WindowClassEntry& cls = RegisterWindowClass(params);
    FBaseProc = cls.BaseProc;
    if (FBaseProc) {
        // Platform controls track the mouse themselves (a tree view runs its own drag loop).
        SetControlStyle(ControlStyle() & ~csCaptureMouse);
        SetDoubleBuffered(false);
    }
    TWinControl* previous = std::exchange(gCreatingControl, this);
    HWND wnd = CreateWindowExW(params.ExStyle, params.WinClassName.c_str(), params.Caption.c_str(), params.Style,
                               params.X, params.Y, params.Width, params.Height, params.WndParent, nullptr,
                               GetModuleHandleW(nullptr), nullptr);
    gCreatingControl = previous;
    if (!wnd) throw Exception(L"Cannot create the window of '" + Name() + L"' (" + params.WinClassName + L")");
    if (!FHandle) AttachHandle(wnd);

    // The system may have chosen or clamped the bounds (default position, minimum size).
    FInSetWindowPos = true;
    FBounds = WindowBoundsNow();
    FInSetWindowPos = false;
    // Later windows above earlier siblings, as windowless children paint (the system puts a
    // new child window at the bottom).
    if (Parent()) SetWindowPos(FHandle, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_NOOWNERZORDER);
    if (FBaseProc) SendMessageW(FHandle, WM_SETFONT, reinterpret_cast<WPARAM>(FontHandle()), FALSE);
    CreateWnd();
    for (TControl* c : std::vector<TControl*>(FControls))
        if (c->IsWindowed()) static_cast<TWinControl*>(c)->CreateHandle();
    ReAlign();
}

void TWinControl::DestroyHandle() {
    if (!FHandle) return;
    DestroyWnd();
    // WM_NCDESTROY clears FHandle here and in every child window's control.
    DestroyWindow(FHandle);
    FHandle = nullptr;
    FFontHandle.Reset();
}

void TWinControl::RecreateWnd() {
    if (!FHandle) return;
    bool wasVisible = FHandle && IsWindowVisible(FHandle);
    DestroyHandle();
    CreateHandle();
    if (wasVisible && !(GetWindowLongW(FHandle, GWL_STYLE) & WS_VISIBLE)) ApplyVisible();
}

LRESULT TWinControl::DefaultHandler(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (!FHandle) return 0;
    if (FBaseProc) return CallWindowProcW(FBaseProc, FHandle, msg, wParam, lParam);
    return DefWindowProcW(FHandle, msg, wParam, lParam);
}

HFONT TWinControl::FontHandle() {
    if (!FFontHandle) {
        LOGFONTW lf = Font().ToLogFont();
        FFontHandle.Reset(CreateFontIndirectW(&lf));
    }
    return FFontHandle;
}

std::wstring TWinControl::Caption() const {
    // A platform control (an edit) changes its text itself.
    if (FHandle && FBaseProc) {
        int n = GetWindowTextLengthW(FHandle);
        std::wstring text(static_cast<size_t>(n) + 1, L'\0');
        n = GetWindowTextW(FHandle, text.data(), n + 1);
        text.resize(static_cast<size_t>(std::max(n, 0)));
        return text;
    }
    return FCaption;
}

bool TWinControl::Showing() const {
    if (!Parent()) return Visible() && FHandle && IsWindowVisible(FHandle);
    return TControl::Showing();
}

void TWinControl::ApplyVisible() {
    if (FHandle && Parent()) ShowWindow(FHandle, Visible() ? SW_SHOWNOACTIVATE : SW_HIDE);
}

// ---------------------------------------------------------------------------------------------
// Bounds of the window
// ---------------------------------------------------------------------------------------------

Rect TWinControl::WindowBoundsNow() const {
    RECT r;
    GetWindowRect(FHandle, &r);
    HWND parent = GetParent(FHandle);
    if (parent && (GetWindowLongW(FHandle, GWL_STYLE) & WS_CHILD)) MapWindowPoints(HWND_DESKTOP, parent, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

void TWinControl::ApplyBounds(const Rect& r) {
    if (r == FBounds) return;
    Rect old = FBounds;
    FBounds = r;
    if (FHandle) {
        FInSetWindowPos = true;
        SetWindowPos(FHandle, nullptr, r.left, r.top, r.Width(), r.Height(), SWP_NOZORDER | SWP_NOACTIVATE);
        FInSetWindowPos = false;
        // A top-level window may have been held to its minimum tracking size.
        if (!IsIconic(FHandle) && !IsZoomed(FHandle)) FBounds = WindowBoundsNow();
    }
    if (old.GetSize() != FBounds.GetSize()) {
        ReAlign();
        Resize();
    }
}

void TWinControl::OnWindowPosChanged() {
    if (FInSetWindowPos || !FHandle) return;
    // A minimised window keeps the bounds it will be restored to; its children stay laid out.
    if (!Parent() && IsIconic(FHandle)) return;
    Rect now = WindowBoundsNow();
    if (now == FBounds) return;
    Rect old = FBounds;
    FBounds = now;
    if (old.GetSize() != now.GetSize()) {
        ReAlign();
        Resize();
    }
}

// The client area inside the window rect, for a window that does not exist yet: what
// AdjustWindowRectEx says the frame of these styles takes.
Rect TWinControl::FrameInsets() const {
    TCreateParams params;
    const_cast<TWinControl*>(this)->CreateParams(params);
    RECT r{0, 0, 0, 0};
    AdjustWindowRectEx(&r, params.Style, FALSE, params.ExStyle);
    return Rect{-r.left, -r.top, r.right, r.bottom};
}

Rect TWinControl::ClientRect() const {
    if (FHandle) {
        RECT r;
        GetClientRect(FHandle, &r);
        return r;
    }
    Rect f = FrameInsets();
    return Rect{0, 0, std::max(0, Width() - f.left - f.right), std::max(0, Height() - f.top - f.bottom)};
}

Point TWinControl::ClientOrigin() const {
    if (FHandle) {
        POINT p{0, 0};
        MapWindowPoints(FHandle, Parent() ? Parent()->FHandle : HWND_DESKTOP, &p, 1);
        return p;
    }
    Rect f = FrameInsets();
    return FBounds.TopLeft().Offset(f.left, f.top);
}

void TWinControl::GetMinMaxInfo(MINMAXINFO& info) {
    const TSizeConstraints& c = Constraints();
    if (c.MinWidth > 0) info.ptMinTrackSize.x = c.MinWidth;
    if (c.MinHeight > 0) info.ptMinTrackSize.y = c.MinHeight;
    if (c.MaxWidth > 0) info.ptMaxTrackSize.x = c.MaxWidth;
    if (c.MaxHeight > 0) info.ptMaxTrackSize.y = c.MaxHeight;
}

// =============================================================================================
// [3] Children
// =============================================================================================

void TWinControl::InsertControl(TControl* c) {
    FControls.push_back(c);
    c->FParent = this;
    if (c->IsWindowed()) {
        auto* w = static_cast<TWinControl*>(c);
        int windowed = 0;
        for (TControl* x : FControls) windowed += x->IsWindowed() && x != c ? 1 : 0;
        w->FTabOrder = windowed;
    }
    if (c->FParentFont) c->TakeParentFont(Font());
    if (c->FParentColor) c->TakeParentColor(Color());
    if (c->FParentShowHint) c->TakeParentShowHint(ShowHint());
    if (c->IsWindowed() && FHandle) {
        auto* w = static_cast<TWinControl*>(c);
        if (w->FHandle) {
            ::SetParent(w->FHandle, FHandle);
            SetWindowPos(w->FHandle, HWND_TOP, w->Left(), w->Top(), 0, 0, SWP_NOSIZE | SWP_NOACTIVATE);
        } else {
            w->CreateHandle();
        }
    }
    c->RememberAnchorOrigin();
    if (c->Align() != alNone && c->Visible()) ReAlign();
    else if (!c->IsWindowed() && c->Visible()) InvalidateRect(c->BoundsRect());
}

void TWinControl::RemoveControl(TControl* c) {
    auto it = std::find(FControls.begin(), FControls.end(), c);
    if (it == FControls.end()) return;
    FControls.erase(it);
    c->FParent = nullptr;
    if (FHoverControl == c) FHoverControl = nullptr;
    if (FCaptureControl == c) SetCaptureControl(nullptr);
    if (c->IsWindowed()) {
        // Close the gap in the tab order.
        int order = 0;
        std::vector<TWinControl*> siblings;
        for (TControl* x : FControls)
            if (x->IsWindowed()) siblings.push_back(static_cast<TWinControl*>(x));
        std::stable_sort(siblings.begin(), siblings.end(), [](auto* a, auto* b) { return a->FTabOrder < b->FTabOrder; });
        for (TWinControl* w : siblings) w->FTabOrder = order++;
    }
    if (IsDestroying()) return;
    if (TForm* form = GetParentForm(this)) form->ForgetControl(c);
    if (c->Align() != alNone && c->Visible()) ReAlign();
    else if (!c->IsWindowed() && c->Visible()) InvalidateRect(c->BoundsRect());
}

bool TWinControl::ContainsControl(const TControl* control) const {
    for (const TControl* c = control; c; c = c->Parent())
        if (c == this) return true;
    return false;
}

TControl* TWinControl::ControlAtPos(Point p, bool allowDisabled, bool includeWindowed) const {
    auto accepts = [&](const TControl* c) {
        return c->Visible() && (allowDisabled || c->Enabled()) && c->BoundsRect().Contains(p) &&
               c->HitTest(p.Offset(-c->Left(), -c->Top()));
    };
    // Child windows lie above every windowless child.
    if (includeWindowed)
        for (auto it = FControls.rbegin(); it != FControls.rend(); ++it)
            if ((*it)->IsWindowed() && accepts(*it)) return *it;
    for (auto it = FControls.rbegin(); it != FControls.rend(); ++it)
        if (!(*it)->IsWindowed() && accepts(*it)) return *it;
    return nullptr;
}

// =============================================================================================
// [4] Alignment and anchors
// =============================================================================================

void TWinControl::SetBorderWidth(int value) {
    value = std::max(0, value);
    if (value == FBorderWidth) return;
    FBorderWidth = value;
    ReAlign();
    Invalidate();
}

void TWinControl::AdjustClientRect(Rect& rect) const { rect.Inset(FBorderWidth, FBorderWidth); }

Rect TWinControl::AlignRect() const {
    Rect r = ClientRect();
    AdjustClientRect(r);
    return r;
}

void TWinControl::ReAlign() {
    if (FAlignDisabled > 0 || IsLoading() || IsDestroying() || FAligning) {
        FAlignPending = true;
        return;
    }
    FAligning = true;
    struct Reset { bool& flag; ~Reset() { flag = false; } } reset{FAligning};
    // A request made while aligning (a child's Resize handler re-aligning us) is carried out
    // after the pass; a few passes settle any sane layout.
    for (int pass = 0; pass < 3; ++pass) {
        FAlignPending = false;
        Rect r = AlignRect();
        AlignControls(r);
        if (!FAlignPending) break;
    }
    FAlignPending = false;
}

void TWinControl::EnableAlign() {
    if (FAlignDisabled > 0 && --FAlignDisabled == 0 && FAlignPending) ReAlign();
}

void TWinControl::Loaded() {
    TControl::Loaded();
    ReAlign();
}

void TWinControl::AlignControls(Rect& rect) {
    AlignByKind(rect);
    ApplyAnchors(rect);
}

std::vector<TDockPlacement> DockRects(Rect client, const std::vector<TDockRequest>& requests) {
    std::vector<TDockPlacement> placed;
    placed.reserve(requests.size());
    for (TDockSide side : {TDockSide::Top, TDockSide::Bottom, TDockSide::Left, TDockSide::Right, TDockSide::Fill}) {
        std::vector<std::size_t> order;
        for (std::size_t i = 0; i < requests.size(); ++i)
            if (requests[i].Side == side) order.push_back(i);
        std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
            const Rect &ra = requests[a].Bounds, &rb = requests[b].Bounds;
            switch (side) {
            case TDockSide::Top: return ra.top < rb.top;
            case TDockSide::Bottom: return ra.bottom > rb.bottom;
            case TDockSide::Left: return ra.left < rb.left;
            case TDockSide::Right: return ra.right > rb.right;
            default: return false;
            }
        });
        for (std::size_t i : order) {
            const Size own = requests[i].Own;
            Rect strip;
            // The carving keeps the remainder right side out; the strip then gets back the
            // thickness the child asked for.
            switch (side) {
            case TDockSide::Top:
                strip = client.TakeFromTop(own.cy);
                strip.bottom = strip.top + own.cy;
                break;
            case TDockSide::Bottom:
                strip = client.TakeFromBottom(own.cy);
                strip.top = strip.bottom - own.cy;
                break;
            case TDockSide::Left:
                strip = client.TakeFromLeft(own.cx);
                strip.right = strip.left + own.cx;
                break;
            case TDockSide::Right:
                strip = client.TakeFromRight(own.cx);
                strip.left = strip.right - own.cx;
                break;
            case TDockSide::Fill:
                strip = Rect{client.left, client.top, std::max(client.left, client.right), std::max(client.top, client.bottom)};
                break;
            }
            placed.push_back({i, strip});
        }
    }
    return placed;
}

namespace {

TDockSide DockSideOf(TAlign align) {
    switch (align) {
    case alTop: return TDockSide::Top;
    case alBottom: return TDockSide::Bottom;
    case alLeft: return TDockSide::Left;
    case alRight: return TDockSide::Right;
    default: return TDockSide::Fill;
    }
}

} // namespace

// The visible aligned children dock within `rect` by DockRects' rules (creation order breaks
// ties), each asking for its own constrained size. All requests are read before the first
// child moves: a child whose Resize handler changes a sibling asks for another pass.
void TWinControl::AlignByKind(Rect& rect) {
    std::vector<TControl*> docked;
    std::vector<TDockRequest> requests;
    for (TControl* c : FControls) {
        if (c->Align() == alNone || !c->Visible()) continue;
        docked.push_back(c);
        requests.push_back({DockSideOf(c->Align()), c->BoundsRect(), c->ConstrainedSize(c->BoundsRect().GetSize())});
    }
    for (const TDockPlacement& p : DockRects(rect, requests)) docked[p.Request]->SetAlignedBounds(p.Bounds);
}

// Anchored controls keep the distances measured when their bounds were last chosen: to the
// right/bottom edge (akRight/akBottom), to both edges (stretching), or, with neither edge of an
// axis, their centre at the same fraction of the parent's size.
void TWinControl::ApplyAnchors(const Rect&) {
    Size now = ClientRect().GetSize();
    for (TControl* c : FControls) {
        if (c->Align() != alNone || !c->FAnchorOriginValid || c->Anchors() == kDefaultAnchors) continue;
        const Rect& b0 = c->FAnchorBounds;
        const Size& p0 = c->FAnchorParentSize;
        auto axis = [](int start, int end, int size0, int size, bool lead, bool trail, int& outStart, int& outEnd) {
            int delta = size - size0;
            outStart = start;
            outEnd = end;
            if (lead && trail) {
                outEnd = end + delta;
            } else if (trail) {
                outStart += delta;
                outEnd += delta;
            } else if (!lead) {
                int half = (end - start) / 2;
                int centre = size0 > 0 ? MulDiv(start + half, size, size0) : start + half;
                outStart = centre - half;
                outEnd = outStart + (end - start);
            }
        };
        Rect r;
        axis(b0.left, b0.right, p0.cx, now.cx, c->Anchors() & akLeft, c->Anchors() & akRight, r.left, r.right);
        axis(b0.top, b0.bottom, p0.cy, now.cy, c->Anchors() & akTop, c->Anchors() & akBottom, r.top, r.bottom);
        c->SetAlignedBounds(r);
    }
}

// =============================================================================================
// [5] Focus and tab order
// =============================================================================================

bool TWinControl::Focused() const { return FHandle && GetFocus() == FHandle; }

bool TWinControl::CanFocus() const {
    for (const TControl* c = this; c; c = c->Parent())
        if (!c->Visible() || !c->Enabled()) return false;
    return true;
}

void TWinControl::SetFocus() {
    TForm* form = GetParentForm(this);
    if (form && form != this) {
        // Remembered for when the form is shown or activated again.
        form->FActiveControl = this;
        if (!form->Showing() || !CanFocus()) return;
    } else if (!CanFocus()) {
        return;
    }
    ::SetFocus(Handle());
}

void TWinControl::SetTabOrder(int value) {
    if (!Parent()) {
        FTabOrder = value;
        return;
    }
    std::vector<TWinControl*> siblings;
    for (TControl* x : Parent()->FControls)
        if (x->IsWindowed() && x != this) siblings.push_back(static_cast<TWinControl*>(x));
    std::stable_sort(siblings.begin(), siblings.end(), [](auto* a, auto* b) { return a->FTabOrder < b->FTabOrder; });
    value = std::clamp(value, 0, static_cast<int>(siblings.size()));
    siblings.insert(siblings.begin() + value, this);
    int order = 0;
    for (TWinControl* w : siblings) w->FTabOrder = order++;
}

void TWinControl::AddTabOrderList(std::vector<TWinControl*>& list) const {
    std::vector<TWinControl*> children;
    for (TControl* c : FControls)
        if (c->IsWindowed()) children.push_back(static_cast<TWinControl*>(c));
    std::stable_sort(children.begin(), children.end(), [](auto* a, auto* b) { return a->FTabOrder < b->FTabOrder; });
    for (TWinControl* c : children) {
        if (c->CanFocus()) list.push_back(c);
        c->AddTabOrderList(list);
    }
}

std::vector<TWinControl*> TWinControl::TabOrderList() const {
    std::vector<TWinControl*> list;
    AddTabOrderList(list);
    return list;
}

TWinControl* TWinControl::FindNextControl(TWinControl* current, bool forward, bool checkTabStop) const {
    std::vector<TWinControl*> list = TabOrderList();
    int n = static_cast<int>(list.size());
    if (n == 0) return nullptr;
    auto it = std::find(list.begin(), list.end(), current);
    int start = it != list.end() ? static_cast<int>(it - list.begin()) : (forward ? -1 : n);
    int i = start;
    for (int step = 0; step < n; ++step) {
        i = forward ? (i + 1) % n : (i - 1 + n) % n;
        TWinControl* c = list[static_cast<size_t>(i)];
        if (!checkTabStop || c->TabStop()) return c;
    }
    return nullptr;
}

void TWinControl::SelectNext(TWinControl* current, bool forward, bool checkTabStop) {
    if (TWinControl* next = FindNextControl(current, forward, checkTabStop)) next->SetFocus();
}

void TWinControl::FocusChanged(bool focused) {
    if (focused) {
        if (OnEnter) OnEnter(this);
    } else {
        if (OnExit) OnExit(this);
    }
}

bool TWinControl::KeyDown(WORD key, TShiftState shift) {
    if (OnKeyDown) OnKeyDown(this, key, shift);
    return key == 0;
}

bool TWinControl::KeyUp(WORD key, TShiftState shift) {
    if (OnKeyUp) OnKeyUp(this, key, shift);
    return key == 0;
}

bool TWinControl::KeyPress(wchar_t& ch) {
    if (OnKeyPress) OnKeyPress(this, ch);
    return ch == 0;
}

// =============================================================================================
// [6] Painting
// =============================================================================================

void TWinControl::Invalidate() {
    if (FHandle) ::InvalidateRect(FHandle, nullptr, FALSE);
}

void TWinControl::InvalidateRect(const Rect& r) {
    if (FHandle && !r.IsEmpty()) ::InvalidateRect(FHandle, r.AsRECT(), FALSE);
}

void TWinControl::Update() {
    if (FHandle) UpdateWindow(FHandle);
}

void TWinControl::Paint(TCanvas& canvas, const Rect& update) {
    canvas.SetBrush(Color());
    canvas.FillRect(update);
}

void TWinControl::PaintTo(HDC dc, const Rect& update) {
    {
        DcStateGuard state(dc);
        IntersectClipRect(dc, update.left, update.top, update.right, update.bottom);
        TCanvas canvas(dc);
        canvas.SetFont(Font());
        Paint(canvas, update);
    }
    PaintControls(dc, update);
}

// Windowless children, in creation order, each in its own coordinates and clipped to itself.
void TWinControl::PaintControls(HDC dc, const Rect& update) {
    for (TControl* c : FControls) {
        if (c->IsWindowed() || !c->Visible()) continue;
        Rect part = c->BoundsRect().Intersected(update);
        if (part.IsEmpty()) continue;
        DcStateGuard state(dc);
        OffsetViewportOrgEx(dc, c->Left(), c->Top(), nullptr);
        c->PaintTo(dc, part.Offsetted(-c->Left(), -c->Top()));
    }
}

void TWinControl::OnPaintMessage() {
    PaintScope paint(FHandle);
    Rect update = paint.Update();
    if (update.IsEmpty()) return;
    if (FDoubleBuffered) {
        // Paint the update rect off screen and copy it in one blit: no flicker.
        OffscreenBitmap buffer(paint.Dc(), update.Width(), update.Height());
        if (buffer) {
            SetViewportOrgEx(buffer.Dc(), -update.left, -update.top, nullptr);
            PaintTo(buffer.Dc(), update);
            SetViewportOrgEx(buffer.Dc(), 0, 0, nullptr);
            BitBlt(paint.Dc(), update.left, update.top, update.Width(), update.Height(), buffer.Dc(), 0, 0, SRCCOPY);
            return;
        }
    }
    PaintTo(paint.Dc(), update);
}

// =============================================================================================
// [7] The dispatcher
// =============================================================================================

LRESULT TWinControl::Perform(UINT msg, WPARAM wParam, LPARAM lParam) { return WndProc(msg, wParam, lParam); }

namespace {
BOOL CALLBACK TellColourChange(HWND child, LPARAM) {
    SendMessageW(child, WM_SYSCOLORCHANGE, 0, 0);
    return TRUE;
}
} // namespace

LRESULT TWinControl::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    LRESULT result = 0;
    if (HandleMessage(msg, wParam, lParam, result)) return result;
    const bool own = !IsPlatformControl();
    switch (msg) {
    case WM_PAINT:
        if (own) { OnPaintMessage(); return 0; }
        break;
    case WM_PRINTCLIENT:
        if (own) { PaintTo(reinterpret_cast<HDC>(wParam), ClientRect()); return 0; }
        break;
    case WM_ERASEBKGND:
        if (own) return 1;   // WM_PAINT paints every pixel
        break;
    case WM_NCCALCSIZE:
        if (NcCalcSize(wParam, lParam, result)) return result;
        break;
    case WM_NCPAINT:
        if (NcPaint(reinterpret_cast<HRGN>(wParam))) return 0;
        break;
    case WM_WINDOWPOSCHANGED:
        result = DefaultHandler(msg, wParam, lParam);   // sends WM_SIZE / WM_MOVE
        OnWindowPosChanged();
        return result;
    case WM_GETMINMAXINFO:
        result = DefaultHandler(msg, wParam, lParam);
        GetMinMaxInfo(*reinterpret_cast<MINMAXINFO*>(lParam));
        return result;
    case WM_SYSCOLORCHANGE:
        // The system tells top-level windows only; every window inside hears it from here.
        result = DefaultHandler(msg, wParam, lParam);
        if (!(GetWindowLongW(FHandle, GWL_STYLE) & WS_CHILD)) EnumChildWindows(FHandle, TellColourChange, 0);
        return result;
    case WM_MOUSEMOVE:
    case WM_LBUTTONDOWN: case WM_LBUTTONUP: case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDOWN: case WM_RBUTTONUP: case WM_RBUTTONDBLCLK:
    case WM_MBUTTONDOWN: case WM_MBUTTONUP: case WM_MBUTTONDBLCLK:
        OnMouseMessage(msg, wParam, lParam);
        if (own) return 0;
        break;
    case WM_MOUSELEAVE:
        FTrackingLeave = false;
        // While the mouse is captured, moves keep coming; the hover follows them.
        if (GetCapture() != FHandle) SetHoverControl(nullptr);
        if (own) return 0;
        break;
    case WM_CAPTURECHANGED:
        OnCaptureChanged();
        break;
    case WM_CANCELMODE:
        if (FCaptureControl) SetCaptureControl(nullptr);
        break;
    case WM_SETCURSOR:
        if (reinterpret_cast<HWND>(wParam) == FHandle && LOWORD(lParam) == HTCLIENT) {
            POINT pt;
            GetCursorPos(&pt);
            ::ScreenToClient(FHandle, &pt);
            if (SetCursorFor(pt)) return TRUE;
        }
        break;
    case WM_SETFOCUS:
        result = DefaultHandler(msg, wParam, lParam);
        if (TForm* form = GetParentForm(this); form && form != this) form->FocusControlChanged(this);
        FocusChanged(true);
        return result;
    case WM_KILLFOCUS:
        result = DefaultHandler(msg, wParam, lParam);
        FocusChanged(false);
        return result;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
        if (KeyDown(static_cast<WORD>(wParam), KeyboardShiftState())) return 0;
        break;
    case WM_KEYUP:
    case WM_SYSKEYUP:
        if (KeyUp(static_cast<WORD>(wParam), KeyboardShiftState())) return 0;
        break;
    case WM_CHAR: {
        wchar_t ch = static_cast<wchar_t>(wParam);
        if (KeyPress(ch)) return 0;
        wParam = ch;
        break;
    }
    case WM_GETDLGCODE:
        if (own) return DialogCode();
        break;
    case WM_ACTIVATE:
        result = DefaultHandler(msg, wParam, lParam);   // focuses the window itself
        Activated(LOWORD(wParam) != WA_INACTIVE && !HIWORD(wParam));
        return result;
    case WM_CLOSE:
        if (CloseRequested()) return 0;
        break;
    case WM_COMMAND:
    case WM_NOTIFY:
    case WM_CTLCOLORMSGBOX: case WM_CTLCOLOREDIT: case WM_CTLCOLORLISTBOX: case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG: case WM_CTLCOLORSCROLLBAR: case WM_CTLCOLORSTATIC:
        if (ReflectToChild(msg, wParam, lParam, result)) return result;
        break;
    case WM_NCDESTROY: {
        result = DefaultHandler(msg, wParam, lParam);   // platform controls free their data here
        RemovePropW(FHandle, kControlProp);
        FHandle = nullptr;
        FTrackingLeave = false;
        FCaptureControl = nullptr;
        FHoverControl = nullptr;
        return result;
    }
    default:
        break;
    }
    return DefaultHandler(msg, wParam, lParam);
}

// Notifications of child windows go back to the control that sent them (CN_BASE + msg).
bool TWinControl::ReflectToChild(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    // A WM_NOTIFY's header is read only when it comes from this thread, as our child windows'
    // do: another thread's or process's pointer means nothing here.
    if (msg == WM_NOTIFY && (!lParam || InSendMessage())) return false;
    HWND child = msg == WM_NOTIFY ? reinterpret_cast<NMHDR*>(lParam)->hwndFrom : reinterpret_cast<HWND>(lParam);
    if (!child || child == FHandle) return false;
    TWinControl* target = FindControl(child);
    if (!target) return false;
    LRESULT r = 0;
    if (!target->HandleMessage(CN_BASE + msg, wParam, lParam, r)) return false;
    result = r;
    return true;
}

bool TWinControl::SetCursorFor(Point client) {
    TControl* target = FCaptureControl ? FCaptureControl : ControlAtPos(client);
    TCursor cursor = target ? target->Cursor() : crDefault;
    if (cursor == crDefault) cursor = Cursor();
    if (cursor == crDefault) return false;
    if (cursor == crNone) {
        ::SetCursor(nullptr);
        return true;
    }
    HCURSOR h = Application().CursorHandle(cursor);
    if (!h) return false;
    ::SetCursor(h);
    return true;
}

// =============================================================================================
// [8] Mouse routing to windowless children
// =============================================================================================

void TWinControl::OnMouseMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    Point p{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    TShiftState shift = MouseShiftState(wParam);
    TControl::TMouseAction action = TControl::TMouseAction::Move;
    TMouseButton button = mbLeft;
    switch (msg) {
    case WM_LBUTTONDOWN: action = TMouseAction::Down; break;
    case WM_RBUTTONDOWN: action = TMouseAction::Down; button = mbRight; break;
    case WM_MBUTTONDOWN: action = TMouseAction::Down; button = mbMiddle; break;
    case WM_LBUTTONUP: action = TMouseAction::Up; break;
    case WM_RBUTTONUP: action = TMouseAction::Up; button = mbRight; break;
    case WM_MBUTTONUP: action = TMouseAction::Up; button = mbMiddle; break;
    case WM_LBUTTONDBLCLK: action = TMouseAction::DoubleClick; break;
    case WM_RBUTTONDBLCLK: action = TMouseAction::DoubleClick; button = mbRight; break;
    case WM_MBUTTONDBLCLK: action = TMouseAction::DoubleClick; button = mbMiddle; break;
    default: break;
    }
    if (action == TMouseAction::Move) {
        if (!FTrackingLeave && FHandle) {
            TRACKMOUSEEVENT tme{sizeof(tme), TME_LEAVE, FHandle, 0};
            FTrackingLeave = TrackMouseEvent(&tme) != FALSE;
        }
        // The hover is the control under the pointer, whoever holds the capture.
        TControl* over = nullptr;
        if (ClientRect().Contains(p)) {
            POINT screen = p;
            ::ClientToScreen(FHandle, &screen);
            if (WindowFromPoint(screen) == FHandle) over = ControlAtPos(p) ? ControlAtPos(p) : this;
        }
        SetHoverControl(over);
    }
    TControl* target = FCaptureControl ? FCaptureControl : ControlAtPos(p);
    if (!target) target = this;
    Point local = target == this ? p : p.Offset(-target->Left(), -target->Top());
    target->DeliverMouse(action, button, shift, local);
}

void TWinControl::SetHoverControl(TControl* control) {
    if (control == FHoverControl) return;
    TControl* old = std::exchange(FHoverControl, control);
    if (old) old->MouseLeave();
    if (control) control->MouseEnter();
    if (TApplication* app = CurrentApplication()) {
        if (control) app->MouseOverControl(control);
        else app->Hints().PointerLeftWindow(this);
    }
}

void TWinControl::SetCaptureControl(TControl* control) {
    if (control == FCaptureControl) return;
    TControl* old = std::exchange(FCaptureControl, control);
    if (control) {
        if (FHandle && GetCapture() != FHandle) ::SetCapture(FHandle);
    } else if (FHandle && GetCapture() == FHandle) {
        ::ReleaseCapture();   // WM_CAPTURECHANGED follows; old is no longer the holder then
    }
    if (old && old != control && !old->IsDestroying()) old->MouseCaptureLost();
}

void TWinControl::OnCaptureChanged() {
    if (TControl* old = std::exchange(FCaptureControl, nullptr)) old->MouseCaptureLost();
}

// =============================================================================================
// TCustomControl
// =============================================================================================

TCustomControl::TCustomControl(TComponent* owner) : TWinControl(owner) {}

} // namespace ui
