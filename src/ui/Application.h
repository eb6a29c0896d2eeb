// TApplication: the one process-wide application object. Title, the message loop (shared by
// Run, ShowModal and ProcessMessages), the standard error box for exceptions that escape event
// handlers, hints, queued calls, the cursor table and the start-up routines of the kit.
#pragma once
#include "ui/Form.h"
#include "ui/Hint.h"
#include <deque>
#include <map>
#include <memory>

namespace ui {

class TApplication : public TComponent {
public:
    TApplication();
    ~TApplication() override;
    std::wstring ClassName() const override { return L"TApplication"; }

    // Runs the registered start-up routines and initialises the common controls, once.
    // Creating the first window does it too if the program did not call it.
    void Initialize();

    // Creates a form owned by the application; the first one becomes the main form.
    template <typename T, typename... Args>
    T* CreateForm(Args&&... args) {
        T* form = NewForm<T>(this, std::forward<Args>(args)...);
        if (!FMainForm) FMainForm = form;
        return form;
    }
    TForm* MainForm() const { return FMainForm; }
    void SetMainForm(TForm* form) { FMainForm = form; }

    const std::wstring& Title() const { return FTitle; }
    void SetTitle(const std::wstring& value) { FTitle = value; }

    // --- message loop -------------------------------------------------------------------------
    // Shows the main form (unless hidden on purpose) and processes messages until Terminate
    // or WM_QUIT; the main form closing terminates.
    void Run();
    // Processes every message waiting now, then returns.
    void ProcessMessages();
    // Processes one message, waiting for one when the queue is empty.
    void HandleMessage();
    // Ends Run (and any modal loop) by posting WM_QUIT.
    void Terminate();
    bool Terminated() const { return FTerminated; }
    // Brackets a message loop (Run, ShowModal). WM_QUIT counts only while a loop runs; when
    // the outermost loop ends, Terminated is clear again for whatever runs next.
    void BeginLoop() { ++FLoopDepth; }
    void EndLoop();

    // --- errors -------------------------------------------------------------------------------
    // Shows the standard error box: caption Title, error icon, one OK button, text
    // ErrorBoxText(message). When OnException is set, it is called instead.
    void HandleException(const std::exception& e);
    std::function<void(const std::exception& e)> OnException;

    // --- hints --------------------------------------------------------------------------------
    int HintPause = 500;          // ms the pointer rests before a hint shows
    int HintHidePause = 2500;     // ms a hint stays
    bool ShowHint = true;         // hints at all
    THintController& Hints() { return *FHints; }
    void CancelHint() { FHints->Cancel(); }

    // --- utilities ----------------------------------------------------------------------------
    // Runs `call` later on the GUI thread from whichever message loop is running (also inside
    // modal loops, menus and message boxes). Exceptions go to HandleException.
    void QueueCall(std::function<void()> call);
    // A hidden message-only window owned by the application (queued calls, timers).
    HWND Handle();
    // The cursor for a TCursor: stock cursors, or those registered here (not destroyed here).
    HCURSOR CursorHandle(TCursor cursor) const;
    void SetCursorHandle(TCursor cursor, HCURSOR handle) { FCursors[cursor] = handle; }

    // The control under the pointer changed (the framework's mouse routing calls this).
    void MouseOverControl(TControl* control);
    // A control is being destroyed: forget every reference to it.
    void ControlDestroying(TControl* control);
    void Notification(TComponent* component, TOperation operation) override;

    // Deletes the form from the message loop, after the handler that asked for it returned
    // (a form closed with caFree). Nothing happens if it is destroyed before.
    void ReleaseForm(TForm* form);

private:
    bool ProcessMessage(MSG& msg);   // false: the queue was empty
    bool IsKeyMessage(const MSG& msg);
    static LRESULT CALLBACK UtilityWndProc(HWND, UINT, WPARAM, LPARAM);

    std::wstring FTitle;
    TForm* FMainForm = nullptr;
    bool FTerminated = false;
    bool FInitialized = false;
    bool FOleReady = false;  // OleInitialize succeeded and is undone at the end
    int FLoopDepth = 0;
    HWND FHandle = nullptr;
    std::deque<std::function<void()>> FQueuedCalls;
    std::map<TCursor, HCURSOR> FCursors;
    std::unique_ptr<THintController> FHints;
    std::vector<TForm*> FPendingRelease;
};

// The application object (made on first use).
TApplication& Application();
// The application object if it exists now (nullptr before its creation and after its end).
TApplication* CurrentApplication();

// Registers a routine that runs once before the first window is created (the kit's colour
// settings, for instance). Routines registered after initialisation run at once.
void RegisterInitRoutine(std::function<void()> routine);

// The text of the error box for a message: the message with "." appended when its last
// character sorts after "." (an empty message stays empty).
std::wstring ErrorBoxText(const std::wstring& message);
// The system's text for an error code (a Win32 error or an HRESULT), without the trailing line
// break and full stop; `fallback` (or "error N") when the system has none.
std::wstring SystemErrorText(DWORD code, const std::wstring& fallback = {});

// A UTF-16 message box; `owner` may be null.
int MessageBox(HWND owner, const std::wstring& text, const std::wstring& caption, UINT flags);
int MessageBox(TWinControl* owner, const std::wstring& text, const std::wstring& caption, UINT flags);

// Runs `body`; an exception escaping it goes to the application's error box. Every event
// handler the framework calls from a window message runs under this guard.
template <typename F>
void GuardedCall(F&& body) {
    try {
        body();
    } catch (const std::exception& e) {
        Application().HandleException(e);
    } catch (...) {
        Application().HandleException(Exception(L"Unknown error"));
    }
}

} // namespace ui
