#include "widgets/WkBlink.h"
#include "ui/MessageWindow.h"
#include <algorithm>
#include <memory>

namespace wk {

namespace {

constexpr const wchar_t* kTimerWindowClass = L"PlumoraWkBlinkTimer";
constexpr UINT_PTR kTimerId = 1;

std::unique_ptr<TWkBlinkingControlsList> gList;

} // namespace

TWkBlinkingControlsList::TWkBlinkingControlsList() {
    // Its WM_TIMER arrives on this thread.
    FTimerWindow = ui::CreateMessageWindow(kTimerWindowClass, &TimerWndProc, this);
    ArmTimer(FIntervalOff);
}

TWkBlinkingControlsList::~TWkBlinkingControlsList() {
    if (FTimerWindow) {
        KillTimer(FTimerWindow, kTimerId);
        SetWindowLongPtrW(FTimerWindow, GWLP_USERDATA, 0);
        DestroyWindow(FTimerWindow);
    }
}

void TWkBlinkingControlsList::Add(HWND control) {
    if (!control || Contains(control)) return;
    FControls.push_back(control);
}

void TWkBlinkingControlsList::Remove(HWND control) {
    auto it = std::find(FControls.begin(), FControls.end(), control);
    if (it != FControls.end()) FControls.erase(it);
}

bool TWkBlinkingControlsList::Contains(HWND control) const {
    return std::find(FControls.begin(), FControls.end(), control) != FControls.end();
}

void TWkBlinkingControlsList::ArmTimer(UINT interval) {
    FTimerInterval = interval;
    // SetTimer with the same id replaces the running timer and restarts its period.
    // An interval of 0 would be raised to the system minimum (10 ms), which is what we want.
    if (FTimerWindow) SetTimer(FTimerWindow, kTimerId, interval, nullptr);
}

void TWkBlinkingControlsList::Tick() {
    if (FBlinkState == 1) {
        FBlinkState = 0;
        ArmTimer(FIntervalOff);
    } else {
        FBlinkState = 1;
        ArmTimer(FIntervalOn);
    }
    // A control may unregister (or be destroyed) while it handles the message: walk a copy.
    const std::vector<HWND> controls = FControls;
    FTicking = true;
    for (HWND control : controls) {
        if (!IsWindow(control) || !Contains(control)) continue;
        if (SendMessageW(control, CM_BLINKQUERY, 0, 0) == 1 && Contains(control))
            SendMessageW(control, CM_BLINKSTATE, static_cast<WPARAM>(FBlinkState), 0);
    }
    FTicking = false;
    if (FReleaseAfterTick && gList.get() == this) gList.reset(); // nothing touches *this after
}

LRESULT CALLBACK TWkBlinkingControlsList::TimerWndProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_TIMER && wParam == kTimerId) {
        auto* list = reinterpret_cast<TWkBlinkingControlsList*>(GetWindowLongPtrW(wnd, GWLP_USERDATA));
        if (list) list->Tick();
        return 0;
    }
    return DefWindowProcW(wnd, msg, wParam, lParam);
}

TWkBlinkingControlsList* BlinkingControls() { return gList.get(); }

TWkBlinkingControlsList& RegisterBlinkingControl(HWND control) {
    if (!gList) gList = std::make_unique<TWkBlinkingControlsList>();
    gList->FReleaseAfterTick = false;
    gList->Add(control);
    return *gList;
}

void UnregisterBlinkingControl(HWND control) {
    if (!gList) return;
    gList->Remove(control);
    // The last one out frees the list and its timer; the next pane starts afresh at 500/500.
    if (gList->Count() > 0) return;
    if (gList->FTicking)
        gList->FReleaseAfterTick = true;
    else
        gList.reset();
}

// ---------------------------------------------------------------------------------------------
// TWkBlinkReceiver
// ---------------------------------------------------------------------------------------------

TWkBlinkReceiver::TWkBlinkReceiver(THandler handler) : FHandler(std::move(handler)) {
    FWindow = ui::CreateMessageWindow(L"PlumoraWkBlinkReceiver", &WndProc, this);
    if (FWindow) RegisterBlinkingControl(FWindow);  // the first one makes the list
}

TWkBlinkReceiver::~TWkBlinkReceiver() {
    if (!FWindow) return;
    UnregisterBlinkingControl(FWindow);  // the last one frees it
    SetWindowLongPtrW(FWindow, GWLP_USERDATA, 0);
    DestroyWindow(FWindow);
}

LRESULT CALLBACK TWkBlinkReceiver::WndProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<TWkBlinkReceiver*>(GetWindowLongPtrW(wnd, GWLP_USERDATA));
    if (self && (msg == CM_BLINKQUERY || msg == CM_BLINKSTATE)) return self->FHandler(msg, wParam, lParam);
    return DefWindowProcW(wnd, msg, wParam, lParam);
}

} // namespace wk
