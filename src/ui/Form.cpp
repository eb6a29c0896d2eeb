// TForm: top-level windows, dialog keys, modal showing, named handlers.
#include "ui/Form.h"
#include "ui/Application.h"
#include <algorithm>

namespace ui {

namespace {

template <typename F>
void Register(std::map<std::wstring, F>& table, const std::wstring& name, F handler) {
    std::wstring key = name;
    CharUpperBuffW(key.data(), static_cast<DWORD>(key.size()));
    table[key] = std::move(handler);
}

template <typename F>
const F* Find(const std::map<std::wstring, F>& table, const std::wstring& name) {
    std::wstring key = name;
    CharUpperBuffW(key.data(), static_cast<DWORD>(key.size()));
    auto it = table.find(key);
    return it == table.end() ? nullptr : &it->second;
}

wchar_t UpperChar(wchar_t ch) {
    wchar_t buf[2] = {ch, 0};
    CharUpperBuffW(buf, 1);
    return buf[0];
}

// Windows of this thread that a modal form disables while it runs.
struct DisabledWindows {
    HWND Except;
    std::vector<HWND> List;
};

BOOL CALLBACK DisableTaskWindow(HWND wnd, LPARAM param) {
    auto* d = reinterpret_cast<DisabledWindows*>(param);
    if (wnd != d->Except && IsWindowVisible(wnd) && IsWindowEnabled(wnd)) {
        d->List.push_back(wnd);
        EnableWindow(wnd, FALSE);
    }
    return TRUE;
}

} // namespace

// ---------------------------------------------------------------------------------------------
// Free helpers
// ---------------------------------------------------------------------------------------------

TForm* GetParentForm(const TControl* control) {
    if (!control) return nullptr;
    while (control->Parent()) control = control->Parent();
    return dynamic_cast<TForm*>(const_cast<TControl*>(control));
}

bool IsAccel(wchar_t ch, const std::wstring& caption) {
    for (size_t i = 0; i + 1 < caption.size(); ++i) {
        if (caption[i] != L'&') continue;
        if (caption[i + 1] == L'&') {   // "&&" is a literal ampersand
            ++i;
            continue;
        }
        return UpperChar(caption[i + 1]) == UpperChar(ch);
    }
    return false;
}

// ---------------------------------------------------------------------------------------------
// Life
// ---------------------------------------------------------------------------------------------

TForm::TForm(TComponent* owner) : TWinControl(owner) {
    SetVisible(false);
    SetParentColor(false);
    SetParentFont(false);
    SetBounds(0, 0, 320, 240);
}

TForm::~TForm() {
    if (FModal) FModalResult = mrCancel;
    if (OnDestroy) GuardedCall([&] { OnDestroy(this); });
}

void TForm::AfterConstruction() { DoCreate(); }

void TForm::DoCreate() {
    // An error in the creation handler is shown; the window opens with what was built.
    if (OnCreate) GuardedCall([&] { OnCreate(this); });
}

// ---------------------------------------------------------------------------------------------
// Window
// ---------------------------------------------------------------------------------------------

void TForm::CreateParams(TCreateParams& params) {
    TWinControl::CreateParams(params);
    params.ClassStyle = CS_DBLCLKS;
    params.Style = WS_CLIPCHILDREN | WS_CLIPSIBLINGS;
    params.ExStyle = 0;
    if (!Enabled()) params.Style |= WS_DISABLED;
    bool tool = false;
    switch (FBorderStyle) {
    case bsNone: params.Style |= WS_POPUP; break;
    case bsSingle: params.Style |= WS_CAPTION; break;
    case bsSizeable: params.Style |= WS_CAPTION | WS_THICKFRAME; break;
    case bsDialog:
        params.Style |= WS_POPUP | WS_CAPTION | DS_MODALFRAME;
        params.ExStyle |= WS_EX_DLGMODALFRAME | WS_EX_WINDOWEDGE;
        tool = true;   // no minimise or maximise box on a dialog
        break;
    case bsToolWindow:
        params.Style |= WS_CAPTION;
        params.ExStyle |= WS_EX_TOOLWINDOW;
        tool = true;
        break;
    case bsSizeToolWin:
        params.Style |= WS_CAPTION | WS_THICKFRAME;
        params.ExStyle |= WS_EX_TOOLWINDOW;
        tool = true;
        break;
    }
    if (FBorderStyle != bsNone && (FBorderIcons & biSystemMenu)) {
        params.Style |= WS_SYSMENU;
        if (!tool && (FBorderIcons & biMinimize)) params.Style |= WS_MINIMIZEBOX;
        if (!tool && (FBorderIcons & biMaximize)) params.Style |= WS_MAXIMIZEBOX;
    }
    // Every other form is owned by the main window: it stays above it and has no task-bar
    // button of its own.
    params.WndParent = nullptr;
    if (TApplication* app = CurrentApplication())
        if (TForm* main = app->MainForm(); main && main != this && main->HandleAllocated()) params.WndParent = main->HandleIfAllocated();
    switch (FPosition) {
    case poDefault:
        params.X = params.Y = params.Width = params.Height = CW_USEDEFAULT;
        break;
    case poDefaultPosOnly:
        params.X = params.Y = CW_USEDEFAULT;
        break;
    case poDefaultSizeOnly:
        params.Width = params.Height = CW_USEDEFAULT;
        break;
    default:
        break;
    }
}

void TForm::CreateWnd() {
    if (FBorderWidth > 0) SetWindowPos(FHandle, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
}

void TForm::ApplyStyles() {
    if (!FHandle) return;
    TCreateParams params;
    CreateParams(params);
    constexpr DWORD kKept = WS_VISIBLE | WS_MAXIMIZE | WS_MINIMIZE | WS_DISABLED;
    DWORD style = (static_cast<DWORD>(GetWindowLongW(FHandle, GWL_STYLE)) & kKept) | (params.Style & ~kKept);
    SetWindowLongW(FHandle, GWL_STYLE, static_cast<LONG>(style));
    SetWindowLongW(FHandle, GWL_EXSTYLE, static_cast<LONG>(params.ExStyle));
    SetWindowPos(FHandle, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
    ReAlign();
}

void TForm::SetBorderStyle(TFormBorderStyle value) {
    if (value == FBorderStyle) return;
    FBorderStyle = value;
    ApplyStyles();
}

void TForm::SetBorderIcons(TBorderIcons value) {
    if (value == FBorderIcons) return;
    FBorderIcons = value;
    ApplyStyles();
}

void TForm::SetBorderWidth(int value) {
    value = std::max(0, value);
    if (value == FBorderWidth) return;
    FBorderWidth = value;
    // The margin is non-client: the frame is recalculated (WM_NCCALCSIZE), the client shrinks.
    if (FHandle) SetWindowPos(FHandle, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
    ReAlign();
    Invalidate();
}

bool TForm::NcCalcSize(WPARAM wParam, LPARAM lParam, LRESULT& result) {
    if (FBorderWidth <= 0) return false;
    result = DefaultHandler(WM_NCCALCSIZE, wParam, lParam);
    RECT* client = wParam ? &reinterpret_cast<NCCALCSIZE_PARAMS*>(lParam)->rgrc[0] : reinterpret_cast<RECT*>(lParam);
    InflateRect(client, -FBorderWidth, -FBorderWidth);
    if (client->right < client->left) client->right = client->left;
    if (client->bottom < client->top) client->bottom = client->top;
    return true;
}

bool TForm::NcPaint(HRGN region) {
    if (FBorderWidth <= 0) return false;
    DefaultHandler(WM_NCPAINT, reinterpret_cast<WPARAM>(region), 0);
    // The margin between the frame and the client area, in the form's colour.
    RECT window, client;
    GetWindowRect(FHandle, &window);
    GetClientRect(FHandle, &client);
    MapWindowPoints(FHandle, HWND_DESKTOP, reinterpret_cast<POINT*>(&client), 2);
    Rect inner = Rect(client).Offsetted(-window.left, -window.top);
    Rect band = inner.Inflated(FBorderWidth, FBorderWidth);
    WindowDc dc(FHandle, WindowDc::WholeWindow);
    if (!dc) return true;
    DcStateGuard state(dc);
    ExcludeClipRect(dc, inner.left, inner.top, inner.right, inner.bottom);
    BrushOwner brush(CreateSolidBrush(ColorToRGB(Color())));
    FillRect(dc, band.AsRECT(), brush);
    return true;
}

Size TForm::FrameSize() const {
    if (FHandle) {
        RECT w, c;
        GetWindowRect(FHandle, &w);
        GetClientRect(FHandle, &c);
        return Size{(w.right - w.left) - c.right, (w.bottom - w.top) - c.bottom};
    }
    Rect f = FrameInsets();
    return Size{f.left + f.right + 2 * FBorderWidth, f.top + f.bottom + 2 * FBorderWidth};
}

Rect TForm::ClientRect() const {
    if (FHandle) return TWinControl::ClientRect();
    Size f = FrameSize();
    return Rect{0, 0, std::max(0, Width() - f.cx), std::max(0, Height() - f.cy)};
}

void TForm::SetClientSize(int width, int height) {
    Size f = FrameSize();
    SetBounds(Left(), Top(), width + f.cx, height + f.cy);
}

TWindowState TForm::WindowState() const {
    if (FHandle && IsWindowVisible(FHandle)) {
        if (IsZoomed(FHandle)) return wsMaximized;
        if (IsIconic(FHandle)) return wsMinimized;
        return wsNormal;
    }
    return FWindowState;
}

void TForm::SetWindowState(TWindowState value) {
    FWindowState = value;
    if (!FHandle || !IsWindowVisible(FHandle)) return;
    ShowWindow(FHandle, value == wsMaximized ? SW_MAXIMIZE : value == wsMinimized ? SW_MINIMIZE : SW_RESTORE);
}

bool TForm::Active() const { return FHandle && GetActiveWindow() == FHandle; }

void TForm::GetMinMaxInfo(MINMAXINFO& info) { TWinControl::GetMinMaxInfo(info); }

// ---------------------------------------------------------------------------------------------
// Showing and closing
// ---------------------------------------------------------------------------------------------

void TForm::PlaceOnFirstShow() {
    HWND reference = FHandle;
    TForm* over = nullptr;
    TApplication* app = CurrentApplication();
    TForm* main = app ? app->MainForm() : nullptr;
    if (FPosition == poOwnerFormCenter) over = dynamic_cast<TForm*>(Owner());
    if ((FPosition == poMainFormCenter || FPosition == poOwnerFormCenter) && !over) over = main;
    if (over == this || (over && !over->HandleAllocated())) over = nullptr;
    Rect area;
    switch (FPosition) {
    case poScreenCenter:
    case poMainFormCenter:
    case poOwnerFormCenter: {
        if (over) {
            area = over->BoundsRect();
            break;
        }
        if (main && main != this && main->HandleAllocated()) reference = main->HandleIfAllocated();
        MONITORINFO mi{};
        mi.cbSize = sizeof(mi);
        GetMonitorInfoW(MonitorFromWindow(reference, MONITOR_DEFAULTTONEAREST), &mi);
        area = mi.rcWork;
        break;
    }
    case poDesktopCenter:
        area = Rect::FromXYWH(GetSystemMetrics(SM_XVIRTUALSCREEN), GetSystemMetrics(SM_YVIRTUALSCREEN),
                              GetSystemMetrics(SM_CXVIRTUALSCREEN), GetSystemMetrics(SM_CYVIRTUALSCREEN));
        break;
    default:
        return;
    }
    int left = area.left + (area.Width() - Width()) / 2;
    int top = area.top + (area.Height() - Height()) / 2;
    if (!over) {
        // A window larger than the work area keeps its caption on screen.
        left = std::max(left, area.left);
        top = std::max(top, area.top);
    }
    SetBounds(left, top, Width(), Height());
}

void TForm::Loaded() {
    TWinControl::Loaded();
    // A layout that stores Visible = True shows the form once everything is in place.
    if (Visible()) ApplyVisible();
}

void TForm::ApplyVisible() {
    if (IsLoading()) return;
    if (Visible()) {
        HandleNeeded();
        if (!FShownOnce) {
            FShownOnce = true;
            PlaceOnFirstShow();
        }
        if (OnShow) OnShow(this);
        int cmd = FWindowState == wsMaximized ? SW_SHOWMAXIMIZED : FWindowState == wsMinimized ? SW_SHOWMINIMIZED : SW_SHOWNORMAL;
        ShowWindow(FHandle, cmd);
    } else {
        if (OnHide) OnHide(this);
        if (FHandle) ShowWindow(FHandle, SW_HIDE);
    }
}

void TForm::Show() {
    SetVisible(true);
    if (FHandle) SetForegroundWindow(FHandle);
}

bool TForm::CloseQuery() {
    bool canClose = true;
    if (OnCloseQuery) OnCloseQuery(this, canClose);
    return canClose;
}

void TForm::DoClose(TCloseAction& action) {
    if (OnClose) OnClose(this, action);
}

void TForm::Close() {
    if (FModal) {
        FModalResult = mrCancel;
        return;
    }
    if (!CloseQuery()) return;
    TCloseAction action = caHide;
    DoClose(action);
    if (action == caNone) return;
    TApplication* app = CurrentApplication();
    if (app && app->MainForm() == this) {
        app->Terminate();
        return;
    }
    switch (action) {
    case caHide: Hide(); break;
    case caMinimize: SetWindowState(wsMinimized); break;
    case caFree: Release(); break;
    default: break;
    }
}

void TForm::Release() {
    Hide();
    Application().ReleaseForm(this);
}

bool TForm::CloseRequested() {
    Close();
    return true;
}

TModalResult TForm::ShowModal() {
    if (FModal || Visible()) throw Exception(L"Cannot make a visible window modal");
    TApplication& app = Application();
    app.CancelHint();
    HWND activeBefore = GetActiveWindow();
    HandleNeeded();
    // Owned by the window that was active, so the dialog stays above it.
    if (activeBefore && activeBefore != FHandle && GetAncestor(activeBefore, GA_ROOT) == activeBefore)
        SetWindowLongPtrW(FHandle, GWLP_HWNDPARENT, reinterpret_cast<LONG_PTR>(activeBefore));

    DisabledWindows disabled{FHandle, {}};
    EnumThreadWindows(GetCurrentThreadId(), DisableTaskWindow, reinterpret_cast<LPARAM>(&disabled));
    FModal = true;
    FModalResult = mrNone;
    app.BeginLoop();
    // Undone on every way out, exceptions included.
    struct Restore {
        TForm& form;
        DisabledWindows& disabled;
        HWND activeBefore;
        ~Restore() {
            Application().EndLoop();
            // Enable the other windows before hiding the dialog, or the system activates a
            // window of another program instead of the dialog's owner.
            for (HWND w : disabled.List)
                if (IsWindow(w)) EnableWindow(w, TRUE);
            form.FModal = false;
            if (form.HandleAllocated()) {
                GuardedCall([&] { form.Hide(); });   // OnHide must not throw out of here
                if (activeBefore && IsWindow(activeBefore)) SetActiveWindow(activeBefore);
            }
        }
    } restore{*this, disabled, activeBefore};

    Show();
    while (FModalResult == mrNone) {
        app.HandleMessage();
        if (app.Terminated()) {
            FModalResult = mrCancel;
        } else if (FModalResult != mrNone) {
            // The close may be refused: the loop goes on.
            TCloseAction action = caHide;
            if (!CloseQuery()) {
                FModalResult = mrNone;
            } else {
                DoClose(action);
                if (action == caNone) FModalResult = mrNone;
            }
        }
    }
    return FModalResult;
}

// ---------------------------------------------------------------------------------------------
// Focus and activation
// ---------------------------------------------------------------------------------------------

void TForm::SetActiveControl(TWinControl* control) {
    if (control && !ContainsControl(control)) return;
    FActiveControl = control;
    if (control && Active() && control->CanFocus()) ::SetFocus(control->Handle());
}

void TForm::SelectFirst() {
    if (TWinControl* first = FindNextControl(nullptr, true, true)) first->SetFocus();
}

void TForm::Activated(bool active) {
    if (active) {
        // Give the focus back to the control that had it, else to the first tab stop.
        if (FActiveControl && FActiveControl->CanFocus()) ::SetFocus(FActiveControl->Handle());
        else SelectFirst();
        if (OnActivate) OnActivate(this);
    } else {
        if (TApplication* app = CurrentApplication()) app->CancelHint();
        if (OnDeactivate) OnDeactivate(this);
    }
}

void TForm::FocusControlChanged(TWinControl* control) {
    FActiveControl = control;
    BroadcastActiveControl(this, control);
}

void TForm::BroadcastActiveControl(TWinControl* parent, TWinControl* focused) {
    for (TControl* c : std::vector<TControl*>(parent->Controls())) {
        c->ActiveControlChanged(focused);
        if (c->IsWindowed()) BroadcastActiveControl(static_cast<TWinControl*>(c), focused);
    }
}

void TForm::ForgetControl(TControl* control) {
    if (FActiveControl && control->IsWindowed() && static_cast<TWinControl*>(control)->ContainsControl(FActiveControl))
        FActiveControl = nullptr;
}

// ---------------------------------------------------------------------------------------------
// Keyboard
// ---------------------------------------------------------------------------------------------

bool TForm::PreProcessKey(const MSG& msg) {
    switch (msg.message) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN: {
        WORD key = static_cast<WORD>(msg.wParam);
        LRESULT want = 0;
        switch (key) {
        case VK_TAB: want = DLGC_WANTTAB; break;
        case VK_RETURN: case VK_EXECUTE: case VK_ESCAPE: case VK_CANCEL: want = DLGC_WANTALLKEYS; break;
        default: return false;
        }
        // The focused window keeps the key when it asks for it (a multi-line edit, Enter).
        if (SendMessageW(msg.hwnd, WM_GETDLGCODE, 0, 0) & want) return false;
        return DialogKey(key, KeyboardShiftState());
    }
    case WM_CHAR: {
        wchar_t ch = static_cast<wchar_t>(msg.wParam);
        if (ch < L' ') return false;
        if (SendMessageW(msg.hwnd, WM_GETDLGCODE, 0, 0) & DLGC_WANTCHARS) return false;
        return DialogChar(ch);
    }
    case WM_SYSCHAR:
        return DialogChar(static_cast<wchar_t>(msg.wParam));
    default:
        return false;
    }
}

bool TForm::DialogKey(WORD key, TShiftState shift) {
    if (key == VK_TAB && !(shift & (ssCtrl | ssAlt))) {
        SelectNext(FActiveControl, !(shift & ssShift), true);
        return true;
    }
    bool done = false;
    BroadcastDialogKey(this, key, shift, done);
    return done;
}

void TForm::BroadcastDialogKey(TWinControl* parent, WORD key, TShiftState shift, bool& done) {
    for (TControl* c : std::vector<TControl*>(parent->Controls())) {
        if (done) return;
        if (!c->Visible() || !c->Enabled()) continue;
        if (c->DialogKey(key, shift)) {
            done = true;
            return;
        }
        if (c->IsWindowed()) BroadcastDialogKey(static_cast<TWinControl*>(c), key, shift, done);
    }
}

bool TForm::DialogChar(wchar_t ch) {
    bool done = false;
    BroadcastDialogChar(this, ch, done);
    return done;
}

void TForm::BroadcastDialogChar(TWinControl* parent, wchar_t ch, bool& done) {
    for (TControl* c : std::vector<TControl*>(parent->Controls())) {
        if (done) return;
        if (!c->Visible() || !c->Enabled()) continue;
        if (c->DialogChar(ch)) {
            done = true;
            return;
        }
        if (c->IsWindowed()) BroadcastDialogChar(static_cast<TWinControl*>(c), ch, done);
    }
}

// ---------------------------------------------------------------------------------------------
// Named handlers
// ---------------------------------------------------------------------------------------------

void TForm::RegisterHandler(const std::wstring& name, TNotifyEvent handler) { Register(FNotifyHandlers, name, std::move(handler)); }
void TForm::RegisterHandler(const std::wstring& name, TMouseEvent handler) { Register(FMouseHandlers, name, std::move(handler)); }
void TForm::RegisterHandler(const std::wstring& name, TMouseMoveEvent handler) { Register(FMouseMoveHandlers, name, std::move(handler)); }
void TForm::RegisterHandler(const std::wstring& name, TKeyEvent handler) { Register(FKeyHandlers, name, std::move(handler)); }
void TForm::RegisterHandler(const std::wstring& name, TKeyPressEvent handler) { Register(FKeyPressHandlers, name, std::move(handler)); }
void TForm::RegisterHandler(const std::wstring& name, TCloseEvent handler) { Register(FCloseHandlers, name, std::move(handler)); }

const TNotifyEvent* TForm::FindNotifyHandler(const std::wstring& name) const { return Find(FNotifyHandlers, name); }
const TMouseEvent* TForm::FindMouseHandler(const std::wstring& name) const { return Find(FMouseHandlers, name); }
const TMouseMoveEvent* TForm::FindMouseMoveHandler(const std::wstring& name) const { return Find(FMouseMoveHandlers, name); }
const TKeyEvent* TForm::FindKeyHandler(const std::wstring& name) const { return Find(FKeyHandlers, name); }
const TKeyPressEvent* TForm::FindKeyPressHandler(const std::wstring& name) const { return Find(FKeyPressHandlers, name); }
const TCloseEvent* TForm::FindCloseHandler(const std::wstring& name) const { return Find(FCloseHandlers, name); }

} // namespace ui
