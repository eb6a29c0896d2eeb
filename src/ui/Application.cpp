// TApplication: message loop, error box, queued calls, cursors, start-up routines.
#include "ui/Application.h"
#include "ui/MessageWindow.h"

#include <string_view>

#include <ole2.h>
#include <commctrl.h>
#include <algorithm>

namespace ui {

namespace {

constexpr UINT kQueuedCallMessage = WM_APP + 1;
constexpr wchar_t kUtilityClass[] = L"Plumora.Application";

TApplication* gApplication = nullptr;

struct InitRoutines {
    std::vector<std::function<void()>> List;
    bool Done = false;
};
InitRoutines& Routines() {
    static InitRoutines routines;
    return routines;
}

std::wstring ExeBaseName() {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring name = path;
    size_t slash = name.find_last_of(L"\\/:");
    if (slash != std::wstring::npos) name.erase(0, slash + 1);
    size_t dot = name.find_last_of(L'.');
    if (dot != std::wstring::npos && dot > 0) name.erase(dot);
    return name;
}

} // namespace

TApplication& Application() {
    static TApplication app;
    return app;
}

TApplication* CurrentApplication() { return gApplication; }

void RegisterInitRoutine(std::function<void()> routine) {
    InitRoutines& r = Routines();
    if (r.Done) routine();
    else r.List.push_back(std::move(routine));
}

std::wstring ErrorBoxText(const std::wstring& message) {
    // The last character's code is compared with '.' (0x2E): "x!" stays, "abc" gets the dot.
    // A sentence already ended the Chinese way ("。", or a full-width "．！？") gets none.
    if (message.empty() || std::wstring_view(L"。．！？").find(message.back()) != std::wstring_view::npos)
        return message;
    if (message.back() > L'.') return message + L".";
    return message;
}

std::wstring SystemErrorText(DWORD code, const std::wstring& fallback) {
    wchar_t* buffer = nullptr;
    const DWORD n = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                   nullptr, code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    std::wstring text = n && buffer ? std::wstring(buffer, n) : std::wstring();
    if (buffer) LocalFree(buffer);
    while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r' || text.back() == L' ' || text.back() == L'.'))
        text.pop_back();
    if (text.empty()) text = fallback.empty() ? L"error " + std::to_wstring(code) : fallback;
    return text;
}

int MessageBox(HWND owner, const std::wstring& text, const std::wstring& caption, UINT flags) {
    return ::MessageBoxW(owner, text.c_str(), caption.c_str(), flags);
}

int MessageBox(TWinControl* owner, const std::wstring& text, const std::wstring& caption, UINT flags) {
    HWND wnd = owner ? GetAncestor(owner->Handle(), GA_ROOT) : nullptr;
    return ::MessageBoxW(wnd, text.c_str(), caption.c_str(), flags);
}

// ---------------------------------------------------------------------------------------------
// Life
// ---------------------------------------------------------------------------------------------

TApplication::TApplication() : FTitle(ExeBaseName()), FHints(std::make_unique<THintController>(*this)) {
    gApplication = this;
}

TApplication::~TApplication() {
    // Forms owned by the application go first, while the application still answers.
    DestroyComponents();
    FHints.reset();
    if (FHandle) DestroyWindow(FHandle);
    if (FOleReady) OleUninitialize();
    gApplication = nullptr;
}

void TApplication::Initialize() {
    if (FInitialized) return;
    FInitialized = true;
    // OLE in the GUI thread's apartment, where an installed ActiveX control may be hosted.
    FOleReady = SUCCEEDED(OleInitialize(nullptr));
    INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&icc);
    InitRoutines& r = Routines();
    r.Done = true;
    for (auto& routine : std::exchange(r.List, {})) routine();
}

HWND TApplication::Handle() {
    // A message-only window: never shown, but any message loop dispatches to it.
    if (!FHandle) FHandle = CreateMessageWindow(kUtilityClass, UtilityWndProc);
    return FHandle;
}

LRESULT CALLBACK TApplication::UtilityWndProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == kQueuedCallMessage && gApplication) {
        TApplication& app = *gApplication;
        // One call per message, so a call that opens a modal loop does not hold the others.
        if (!app.FQueuedCalls.empty()) {
            std::function<void()> call = std::move(app.FQueuedCalls.front());
            app.FQueuedCalls.pop_front();
            GuardedCall(call);
        }
        return 0;
    }
    return DefWindowProcW(wnd, msg, wParam, lParam);
}

void TApplication::QueueCall(std::function<void()> call) {
    FQueuedCalls.push_back(std::move(call));
    PostMessageW(Handle(), kQueuedCallMessage, 0, 0);
}

void TApplication::ReleaseForm(TForm* form) {
    if (std::find(FPendingRelease.begin(), FPendingRelease.end(), form) != FPendingRelease.end()) return;
    FPendingRelease.push_back(form);
    FreeNotification(form);
    QueueCall([this, form] {
        auto it = std::find(FPendingRelease.begin(), FPendingRelease.end(), form);
        if (it == FPendingRelease.end()) return;   // destroyed meanwhile
        FPendingRelease.erase(it);
        RemoveFreeNotification(form);
        delete form;
    });
}

void TApplication::Notification(TComponent* component, TOperation operation) {
    TComponent::Notification(component, operation);
    if (operation != opRemove) return;
    FPendingRelease.erase(std::remove(FPendingRelease.begin(), FPendingRelease.end(), component), FPendingRelease.end());
    if (component == FMainForm) FMainForm = nullptr;
}

void TApplication::MouseOverControl(TControl* control) { FHints->PointerOver(control); }

void TApplication::ControlDestroying(TControl* control) {
    if (FHints) FHints->ControlDestroying(control);
    if (control == FMainForm) FMainForm = nullptr;
}

// ---------------------------------------------------------------------------------------------
// Message loop
// ---------------------------------------------------------------------------------------------

bool TApplication::IsKeyMessage(const MSG& msg) {
    switch (msg.message) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
        FHints->Cancel();
        [[fallthrough]];
    case WM_CHAR:
    case WM_SYSCHAR:
        break;
    default:
        return false;
    }
    TWinControl* target = TWinControl::FindControlOrAncestor(msg.hwnd);
    TForm* form = GetParentForm(target);
    return form && form->PreProcessKey(msg);
}

bool TApplication::ProcessMessage(MSG& msg) {
    if (!PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) return false;
    if (msg.message == WM_QUIT) {
        // Outside every loop nobody is there to end (a main form closed by a test).
        if (FLoopDepth > 0) FTerminated = true;
        return true;
    }
    bool handled = false;
    GuardedCall([&] { handled = IsKeyMessage(msg); });
    if (!handled) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return true;
}

void TApplication::HandleMessage() {
    MSG msg;
    if (!ProcessMessage(msg)) WaitMessage();
}

void TApplication::ProcessMessages() {
    MSG msg;
    while (ProcessMessage(msg)) {
        if (msg.message == WM_QUIT) break;
    }
}

void TApplication::Run() {
    Initialize();
    BeginLoop();
    struct End { TApplication& app; ~End() { app.EndLoop(); } } end{*this};
    if (FMainForm && !FMainForm->Visible()) FMainForm->Show();
    while (!FTerminated) HandleMessage();
}

void TApplication::EndLoop() {
    // The outermost loop is over: leave the flag clear so that windows shown afterwards (by
    // tests, or the program's own shut-down code) can still run modal loops.
    if (FLoopDepth > 0 && --FLoopDepth == 0) FTerminated = false;
}

void TApplication::Terminate() { PostQuitMessage(0); }

// ---------------------------------------------------------------------------------------------
// Errors and cursors
// ---------------------------------------------------------------------------------------------

void TApplication::HandleException(const std::exception& e) {
    if (OnException) {
        OnException(e);
        return;
    }
    FHints->Cancel();
    std::wstring text = ErrorBoxText(ExceptionMessage(e));
    ::MessageBoxW(GetActiveWindow(), text.c_str(), FTitle.c_str(), MB_ICONERROR | MB_OK);
}

HCURSOR TApplication::CursorHandle(TCursor cursor) const {
    auto it = FCursors.find(cursor);
    if (it != FCursors.end()) return it->second;
    const wchar_t* id = nullptr;
    switch (cursor) {
    case crArrow: id = IDC_ARROW; break;
    case crCross: id = IDC_CROSS; break;
    case crIBeam: id = IDC_IBEAM; break;
    case crSizeNESW: id = IDC_SIZENESW; break;
    case crSizeNS: id = IDC_SIZENS; break;
    case crSizeNWSE: id = IDC_SIZENWSE; break;
    case crSizeWE: id = IDC_SIZEWE; break;
    case crUpArrow: id = IDC_UPARROW; break;
    case crHourGlass: id = IDC_WAIT; break;
    case crNo: id = IDC_NO; break;
    case crAppStart: id = IDC_APPSTARTING; break;
    case crHelp: id = IDC_HELP; break;
    case crHandPoint: id = IDC_HAND; break;
    case crSizeAll: id = IDC_SIZEALL; break;
    default: return nullptr;
    }
    return LoadCursorW(nullptr, id);
}

} // namespace ui
