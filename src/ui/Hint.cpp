// Hints through one tracking tool-tip owned by the application.
#include "ui/Hint.h"
#include "ui/Application.h"
#include <commctrl.h>

namespace ui {

namespace {
constexpr UINT_PTR kHintTimer = 0x4854;   // on the application's utility window
constexpr UINT_PTR kToolId = 1;

TOOLINFOW ToolInfo(HWND owner) {
    TOOLINFOW ti{};
    // The version-5 size: comctl32 without a manifest rejects the larger structure.
    ti.cbSize = TTTOOLINFOW_V2_SIZE;
    ti.uFlags = TTF_TRACK | TTF_ABSOLUTE;
    ti.hwnd = owner;
    ti.uId = kToolId;
    return ti;
}
} // namespace

bool ControlShowsHint(const TControl* control) { return control && control->ShowHint() && !control->Hint().empty(); }

THintController::THintController(TApplication& app) : FApp(app) {}

THintController::~THintController() {
    StopTimer();
    if (FToolTip) DestroyWindow(FToolTip);
}

void THintController::PointerOver(TControl* control) {
    if (control == FControl) return;
    Cancel();
    FControl = control;
    if (FApp.ShowHint && ControlShowsHint(control)) StartTimer(FApp.HintPause);
}

void THintController::PointerLeftWindow(TWinControl* window) {
    if (!FControl) return;
    // Only the window's own hint: the pointer may already be over a child window whose
    // first move arrived before this window's leave notice.
    if (FControl == window || (!FControl->IsWindowed() && FControl->Parent() == window)) {
        Cancel();
        FControl = nullptr;
    }
}

void THintController::Cancel() {
    StopTimer();
    HideNow();
}

void THintController::ControlDestroying(TControl* control) {
    if (control != FControl) return;
    Cancel();
    FControl = nullptr;
}

void THintController::StartTimer(int ms) {
    StopTimer();
    FTimer = SetTimer(FApp.Handle(), kHintTimer, static_cast<UINT>(std::max(ms, 1)), TimerProc);
}

void THintController::StopTimer() {
    if (!FTimer) return;
    KillTimer(FApp.Handle(), kHintTimer);
    FTimer = 0;
}

void CALLBACK THintController::TimerProc(HWND, UINT, UINT_PTR, DWORD) {
    if (TApplication* app = CurrentApplication()) GuardedCall([&] { app->Hints().OnTimer(); });
}

void THintController::OnTimer() {
    StopTimer();
    if (FShowing) {
        HideNow();   // HintHidePause is over
        return;
    }
    if (!FControl || !FApp.ShowHint || !ControlShowsHint(FControl) || !FControl->Showing()) return;
    ShowNow();
    StartTimer(FApp.HintHidePause);
}

void THintController::EnsureToolTip() {
    if (FToolTip) return;
    FApp.Initialize();
    FToolTip = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP,
                               CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr,
                               GetModuleHandleW(nullptr), nullptr);
    if (!FToolTip) return;
    TOOLINFOW ti = ToolInfo(FApp.Handle());
    ti.lpszText = const_cast<wchar_t*>(L"");
    SendMessageW(FToolTip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&ti));
    // Long hints wrap instead of running off the screen.
    SendMessageW(FToolTip, TTM_SETMAXTIPWIDTH, 0, 400);
}

void THintController::ShowNow() {
    EnsureToolTip();
    if (!FToolTip) return;
    FShownText = FControl->Hint();
    TOOLINFOW ti = ToolInfo(FApp.Handle());
    ti.lpszText = const_cast<wchar_t*>(FShownText.c_str());
    SendMessageW(FToolTip, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&ti));
    // Below the pointer, clear of the cursor picture.
    POINT pt;
    GetCursorPos(&pt);
    int below = GetSystemMetrics(SM_CYCURSOR) * 2 / 3;
    SendMessageW(FToolTip, TTM_TRACKPOSITION, 0, MAKELPARAM(pt.x, pt.y + below));
    SendMessageW(FToolTip, TTM_TRACKACTIVATE, TRUE, reinterpret_cast<LPARAM>(&ti));
    FShowing = true;
}

void THintController::HideNow() {
    if (!FShowing) return;
    FShowing = false;
    FShownText.clear();
    if (!FToolTip) return;
    TOOLINFOW ti = ToolInfo(FApp.Handle());
    SendMessageW(FToolTip, TTM_TRACKACTIVATE, FALSE, reinterpret_cast<LPARAM>(&ti));
}

} // namespace ui
