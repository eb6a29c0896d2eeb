// Hints: a tool-tip that shows a control's Hint when the pointer rests over it.
// One controller per application. The mouse routing tells it which control is under the
// pointer; after HintPause it shows a tracking tool-tip below the pointer, hides it after
// HintHidePause, and cancels on a press, a key or when the pointer moves to another control.
#pragma once
#include "ui/Control.h"

namespace ui {

class TApplication;

// Whether a control's hint is shown: its own ShowHint, or its parent's when ParentShowHint
// (the value is copied down the tree), and the hint text is not empty.
bool ControlShowsHint(const TControl* control);

class THintController {
public:
    explicit THintController(TApplication& app);
    ~THintController();
    THintController(const THintController&) = delete;
    THintController& operator=(const THintController&) = delete;

    // The pointer is now over `control` (nullptr: over nothing of ours).
    void PointerOver(TControl* control);
    // The pointer left `window`: forget the hint of the window or of its windowless children.
    void PointerLeftWindow(TWinControl* window);
    // Hides the hint and forgets the waiting one (a press, a key, the control went away).
    void Cancel();
    void ControlDestroying(TControl* control);

    TControl* HintControl() const { return FControl; }
    bool Showing() const { return FShowing; }
    // The text shown now (empty when no hint shows).
    const std::wstring& ShownText() const { return FShownText; }
    HWND ToolTipHandle() const { return FToolTip; }

private:
    static void CALLBACK TimerProc(HWND, UINT, UINT_PTR, DWORD);
    void StartTimer(int ms);
    void StopTimer();
    void OnTimer();
    void ShowNow();
    void HideNow();
    void EnsureToolTip();

    TApplication& FApp;
    TControl* FControl = nullptr;
    HWND FToolTip = nullptr;
    UINT_PTR FTimer = 0;
    bool FShowing = false;
    std::wstring FShownText;
};

} // namespace ui
