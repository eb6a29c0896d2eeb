// The windowless half of the Flash player control: the control's properties, loading a movie
// through the built-in SWF engine, stepping its timeline and painting the current frame into a
// device context at any client size. TShockwaveFlash puts a window, a timer and the layout
// properties around it; tests drive it directly.
//
// Movies are passive here: the engine gets no file, network or process access from the host,
// so a movie cannot write files or start programs.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "flash/AudioOutput.h"
#include "flash/WindowsFontProvider.h"
#include "swf/player.h"
#include "ui/Geometry.h"

namespace flash {

// A failed call on the player control. what() is UTF-8; Message() the same text in UTF-16.
class EOleError : public std::runtime_error {
public:
    explicit EOleError(const std::wstring& message);
    const std::wstring& Message() const { return FMessage; }

private:
    std::wstring FMessage;
};

// Dispatch ids of the control's properties that the program sets.
enum TFlashDispId : int {
    DISPID_SCALEMODE = 120,
    DISPID_ALIGNMODE = 121,
    DISPID_BACKGROUNDCOLOR = 123,
};

// ScaleMode values: 0 fits the whole stage ("最合适"), 3 shows it at its own size ("实际大小").
enum TFlashScaleMode : int { smShowAll = 0, smNoBorder = 1, smExactFit = 2, smNoScale = 3 };

// AlignMode bits; 0 centres the stage.
enum TFlashAlignBits : int { amLeft = 1, amRight = 2, amTop = 4, amBottom = 8 };

// What the player pane shows for an ActionScript 3 movie.
inline constexpr const wchar_t* kActionScript3Notice = L"此游戏使用 ActionScript 3，需要安装 Flash 播放器控件才能运行。";

// The largest movie file the player reads (the engine's own inflate limit).
inline constexpr std::uint64_t kMaxMovieFileSize = 256ull << 20;

class TFlashPlayback {
public:
    TFlashPlayback();
    ~TFlashPlayback();
    TFlashPlayback(const TFlashPlayback&) = delete;
    TFlashPlayback& operator=(const TFlashPlayback&) = delete;

    // --- the control's interface -------------------------------------------------------------
    // A 32-bit property put by dispatch id; an id the control does not have raises EOleError.
    void PutPropertyById(int dispid, int value);
    int ScaleMode() const { return FScaleMode; }
    int AlignMode() const { return FAlignMode; }
    // 0xRRGGBB (red in the high byte, as the control has it), or -1 for the movie's own colour.
    int BackgroundColor() const { return FBackgroundColor; }
    // Anti-aliased drawing ("High", the default) or not ("Low").
    bool HighQuality() const { return FHighQuality; }
    void SetHighQuality(bool value);

    // Loads the movie at a full local path (UTF-16, any characters) into layer 0 and shows its
    // first frame. A missing, unreadable or malformed file raises EOleError with the reason;
    // the movie shown before stays then.
    void LoadMovie(int layer, const std::wstring& url);
    // The second half of LoadMovie, for a movie read and parsed elsewhere (TMovieLoad): it
    // replaces the current one, as read from `url`.
    void StartLoaded(std::shared_ptr<const swf::Movie> movie, const std::wstring& url);
    // Starts (or resumes) the loaded movie's timeline; without a movie it does nothing.
    void Play();
    // Halts the main timeline (nested clips keep running); Play resumes it.
    void Stop();
    // The main timeline is running (a movie's own stop action halts it).
    bool Playing() const;
    bool HasMovie() const { return FPlayer.loaded(); }
    // The movie is ActionScript 3, which this player cannot run: it shows kActionScript3Notice
    // on the movie's background instead, and its timeline does not move.
    bool NeedsActionScript3() const { return HasMovie() && FPlayer.movie()->needs_actionscript3(); }
    const std::wstring& MoviePath() const { return FMoviePath; }
    // The movie lets the player show its full context menu (a script may hide it).
    bool ShowMenu() const;

    // --- timing ------------------------------------------------------------------------------
    // Milliseconds between frames at the movie's frame rate (the engine clamps odd rates).
    unsigned FrameInterval() const;
    // The same, unrounded: the pace the window keeps (24 fps is 41.67 ms, not 42).
    double FramePeriod() const;
    // One timer tick: advances the timeline one frame when playing. True when the picture
    // changed and the window should be repainted.
    bool Tick();
    // What the sound plays through (none until a movie was loaded, or without a device).
    TAudioOutput::TDevice AudioDevice() const { return FAudio.Device(); }
    int CurrentFrame() const { return FPlayer.current_frame(); }
    int FrameCount() const { return FPlayer.frame_count(); }

    // --- picture -----------------------------------------------------------------------------
    // Where the stage lies in a client area of the given size under the current ScaleMode and
    // AlignMode (may extend past the client area, e.g. with smNoScale on a small control).
    // Empty when no movie is loaded.
    ui::Rect StageRect(int clientWidth, int clientHeight) const;
    // The colour under the stage rectangle, as a COLORREF: the movie's own, otherwise white.
    COLORREF StageColor() const;
    // The colour of the client area outside the stage (letterbox bands, the surround of an
    // unscaled stage): the host BackgroundColor when set, otherwise the stage colour.
    COLORREF SurroundColor() const;
    // Paints the client area (0, 0, width, height) into dc, restricted to `update`. The frame is
    // rendered at the client size when something changed since the last paint, then blitted.
    void Paint(HDC dc, int clientWidth, int clientHeight, const ui::Rect& update);
    // The rendered frame, 0x00RRGGBB per pixel, top-down rows of FBufferWidth (for tests).
    const std::vector<std::uint32_t>& Pixels() const { return FPixels; }
    // Renders the current frame at this size now (Paint does this on its own when needed).
    void RenderFrame(int clientWidth, int clientHeight);
    // Renders the frame when something may have changed since the last render and returns where
    // it differs from the frame before: the rectangles the window must repaint (the whole area
    // after a change of size, nothing when the picture stands still).
    std::vector<ui::Rect> RenderChanges(int clientWidth, int clientHeight);

    // --- input ---------------------------------------------------------------------------
    // Pointer positions are client pixels of the painted area; keys are virtual-key codes and
    // `ch` the character the key types (0 for none). Each call runs what the movie does in
    // answer at once and marks the picture for repainting. Without a movie they do nothing.
    void MouseMove(int x, int y);
    void MouseDown(int x, int y);
    void MouseUp(int x, int y);
    void MouseLeave();
    void MouseWheel(int delta);
    void KeyDown(int vk, int ch);
    void KeyUp(int vk);
    void CharTyped(char32_t ch);  // a whole code point (the window pairs surrogates)
    // How the pointer should look over the movie, and whether the window should hold the mouse
    // capture (something was pressed and not yet released).
    swf::Player::Cursor Cursor() const;
    bool WantsCapture() const;
    // The clipboard the movie's text fields cut, copy and paste through; without one the
    // engine keeps its own.
    void SetClipboard(swf::TextClipboard::Reader read, swf::TextClipboard::Writer write);
    // The caret of the focused input field in client pixels, for an input method's window.
    bool CaretRect(RECT& r);
    // Where the movie's trace() lines go (tests and diagnostics); set it before loading.
    void SetTraceHandler(std::function<void(const std::string&)> handler);
    // Where the player's errors go: script errors, refused loads and what the loader worked
    // around in a damaged file. The debug output when none is set; set it before loading.
    void SetErrorHandler(std::function<void(const std::string&)> handler);

private:
    void RenderActionScript3Notice();
    void Invalidate() { FDirty = true; }

    // Declared before the player, which keeps a pointer to it, so it outlives the player.
    WindowsFontProvider FFonts;
    swf::Player FPlayer;
    // After the player: its thread stops before the player it mixes from goes away.
    TAudioOutput FAudio;
    std::wstring FMoviePath;
    int FScaleMode = smShowAll;
    int FAlignMode = 0;
    int FBackgroundColor = -1;
    bool FHighQuality = true;
    bool FDirty = true;
    int FBufferWidth = 0;
    int FBufferHeight = 0;
    std::vector<std::uint32_t> FPixels;
    std::vector<std::uint32_t> FShown;  // the frame before, kept to find what changed
};

} // namespace flash
