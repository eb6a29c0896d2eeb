// TShockwaveFlash: the Flash player control the main window shows games in. The windows talk
// to it as they would to the Shockwave Flash ActiveX control: property puts by dispatch id
// (ScaleMode 120, AlignMode 121, BackgroundColor 123), LoadMovie(layer, url), Play() and the
// re-activation step after every splitter change.
//
// Two players sit behind it, chosen at every LoadMovie: the built-in SWF engine
// (TFlashPlayback) for every movie it can play, and the Flash player ActiveX control installed
// on the system (TFlashControlHost) for movies that need ActionScript 3, when it is registered.
// Without that control an ActionScript 3 movie shows a notice saying so. While the installed
// control plays, its own window sits in the parent pane at the control's bounds and this
// control's window is hidden; the property values are kept for both players.
//
// The built-in player is a child window: a timer on the GUI thread at the movie's frame rate
// steps the timeline and invalidates; WM_PAINT renders the frame at the client size (the engine
// scales and aligns into a buffer of that size) and blits it.
//
// Input: mouse and keyboard messages of the window go to the movie in client pixels; the
// window holds the mouse capture while the movie has something pressed, shows the pointer the
// movie asks for, and takes every key (Tab and the arrows too) while it has the focus. System
// keys (Alt+F4, menu keys) are left to the window. Characters from an input method arrive as
// WM_CHAR like typed ones; its composition window is kept at the text field's caret. The
// fields' clipboard is the system's.
//
// WM_CONTEXTMENU (a right-click, Shift+F10 or the menu key) opens the player's own menu:
// play/pause, restart, quality and the about box (PlayerMenu.h).
#pragma once

#include "flash/FlashControlHost.h"
#include "flash/FlashPlayback.h"
#include "flash/FrameClock.h"
#include "flash/MovieLoader.h"
#include "flash/PlayerMenu.h"
#include "ui/Control.h"
#include "ui/LayoutRegistry.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace flash {

// Files from this size load on a worker thread (about a tenth of a second of reading and
// parsing here); smaller ones load at once, as the start of a game expects.
inline constexpr std::uint64_t kBackgroundLoadBytes = 8u << 20;
// What the pane shows while a movie loads, before the percentage.
inline constexpr const wchar_t* kLoadingText = L"正在载入游戏…";

class TShockwaveFlash : public ui::TCustomControl {
public:
    explicit TShockwaveFlash(ui::TComponent* owner = nullptr);
    ~TShockwaveFlash() override;
    std::wstring ClassName() const override { return L"TShockwaveFlash"; }

    // --- the control's interface -------------------------------------------------------------
    // Property put by dispatch id; an unknown id raises EOleError. Repaints when it changes.
    void PutPropertyById(int dispid, int value);
    int ScaleMode() const { return FPlayback.ScaleMode(); }
    void SetScaleMode(int value) { PutPropertyById(DISPID_SCALEMODE, value); }
    int AlignMode() const { return FPlayback.AlignMode(); }
    void SetAlignMode(int value) { PutPropertyById(DISPID_ALIGNMODE, value); }
    int BackgroundColor() const { return FPlayback.BackgroundColor(); }
    void SetBackgroundColor(int value) { PutPropertyById(DISPID_BACKGROUNDCOLOR, value); }

    // Loads a movie from a full local path (any characters) and shows its first frame; a file
    // that cannot be read or is no Flash movie raises EOleError and the old movie stays. An
    // ActionScript 3 movie goes to the installed control when there is one (its errors raise
    // EOleError with the control's text); otherwise the built-in player shows the notice.
    void LoadMovie(int layer, const std::wstring& url);
    // A file of kBackgroundLoadBytes or more is read and parsed on a worker thread instead: the
    // call returns at once, Loading() is true, the pane shows the progress after half a second,
    // and OnLoaded says how it ended (with the error text that LoadMovie would have raised). A
    // new LoadMovie or the end of the control cancels a load still running.
    // Starts the loaded movie (once it has loaded, when it is still loading).
    void Play();
    bool Loading() const { return FLoad != nullptr; }
    const std::wstring& LoadingPath() const;
    std::function<void(bool loaded, const std::wstring& error)> OnLoaded;
    // The size from which files load in the background (tests lower it).
    void SetBackgroundLoadBytes(std::uint64_t bytes) { FBackgroundLoadBytes = bytes; }
    // The step the main window runs after every splitter change: the player's window is made
    // if it is missing, put at the control's current bounds in its pane, shown or hidden as
    // Visible says, and repainted at the new size. The movie is neither reloaded nor restarted.
    // For the installed control this is its in-place activation again. Raises EOleError "OLE
    // control activation failed" when the control has no parent window or will not activate.
    void Reactivate();

    // --- which player plays ------------------------------------------------------------------
    // The class of the installed control tried for ActionScript 3 movies (tests use their own);
    // takes effect at the next LoadMovie that needs it.
    void SetControlClassId(const CLSID& classId) { FControlClassId = classId; }
    // The installed control plays the current movie.
    bool Hosted() const { return FHosted != nullptr; }
    TFlashControlHost* HostedControl() { return FHosted.get(); }
    // The current movie needs ActionScript 3 and no installed control plays it: the pane shows
    // the notice instead of the game.
    bool ShowsActionScript3Notice() const { return !FHosted && FPlayback.NeedsActionScript3(); }
    // The window the game plays in, which takes the keyboard: the installed control's while it
    // plays, otherwise this control's own (null before it exists).
    HWND PlayerWindow() const;

    // Stored state from the window layout: "High"/"Best"/"Medium" draw anti-aliased,
    // "Low"/"AutoLow" do not; the window mode is kept but only "Window" is supported.
    const std::wstring& Quality() const { return FQuality; }
    void SetQuality(const std::wstring& value);
    const std::wstring& WMode() const { return FWMode; }
    void SetWMode(const std::wstring& value) { FWMode = value; }

    // --- context menu ------------------------------------------------------------------------
    // The state the menu shows, and what choosing one of its commands (TPlayerMenuCommand)
    // does. cmAbout shows a modal message box.
    TPlayerMenuState MenuState() const;
    void MenuCommand(UINT command);
    // Opens the menu at a screen point (or under the control's top-left corner for (-1, -1),
    // as keyboard requests come) and runs the choice.
    void ShowContextMenu(int screenX, int screenY);

    // The engine side, for tests and diagnostics.
    TFlashPlayback& Playback() { return FPlayback; }
    // One frame step, as the frame clock runs it, with the changed parts repainted.
    void TimerTick();
    // Whether the frame clock is running, and its period rounded to milliseconds.
    bool TimerRunning() const { return FTimerInterval != 0; }
    unsigned TimerInterval() const { return FTimerInterval; }

protected:
    void CreateWnd() override;
    void DestroyWnd() override;
    void Paint(ui::TCanvas& canvas, const ui::Rect& update) override;
    bool HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    LRESULT DialogCode() override;
    bool SetCursorFor(ui::Point client) override;
    void ApplyVisible() override;
    void FocusChanged(bool focused) override;
    void MouseDown(ui::TMouseButton button, ui::TShiftState shift, int x, int y) override;
    void Resize() override;

private:
    // Starts, restarts or stops the frame clock for the current movie's rate.
    void UpdateTimer();
    void StopFrameClock();
    // The frame clock fired: runs the frames due by now and sets it for the next one.
    void FrameDue();
    // Renders what the movie changed and repaints just those parts of the window.
    void ShowChanges();
    // After the player has a new movie (loaded here or in the background): the installed
    // control for ActionScript 3, the frame clock, a repaint.
    void MovieLoaded(int layer, const std::wstring& url);
    void LoadFinished();
    void PaintLoading(ui::TCanvas& canvas);
    // Plays the movie in the installed control, making and activating the control first when
    // needed. False when no such control is registered.
    bool LoadInstalledControl(int layer, const std::wstring& url);
    // Back to the built-in player: the installed control is closed and this window shown.
    void EndInstalledControl();
    void ActivateInstalledControl();
    // Passes one mouse or keyboard message to the movie; false for messages it does not take.
    bool HandleInput(UINT msg, WPARAM wParam, LPARAM lParam);
    // After input: the capture follows what the movie wants, and the new frame is shown.
    void AfterInput();
    // One UTF-16 unit of WM_CHAR: a surrogate pair reaches the movie as one character.
    void CharUnit(wchar_t unit);
    // Puts the input method's composition window at the focused field's caret.
    void PlaceCompositionWindow();

    TFlashPlayback FPlayback;
    std::wstring FQuality = L"High";
    std::wstring FWMode = L"Window";
    unsigned FTimerInterval = 0;  // rounded period while the clock runs, else 0
    double FFramePeriod = 0;      // milliseconds per frame while the clock runs
    double FClockStart = 0;       // when frame 0 was due (performance counter, ms)
    long long FFramesRun = 0;     // frames run since then
    std::unique_ptr<TFrameClock> FFrameClock;  // wakes the window while a movie plays
    std::unique_ptr<TMovieLoad> FLoad;          // a movie loading in the background
    bool FPlayAfterLoad = false;
    std::uint64_t FBackgroundLoadBytes = kBackgroundLoadBytes;
    wchar_t FHighSurrogate = 0;  // the first half of a pair, until the second arrives
    CLSID FControlClassId = kFlashControlClassId;
    std::unique_ptr<TFlashControlHost> FHosted;  // while the installed control plays
};

// Adds TShockwaveFlash and its stored properties (Quality, WMode, ScaleMode, AlignMode,
// BackgroundColor) to a layout class registry.
void RegisterFlashClasses(ui::TClassRegistry& registry);

} // namespace flash
