// The engine's face to the host: load a movie, advance frames, render into a caller's buffer with
// the control's scale and align modes. No platform types: the host passes a plain pixel buffer.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "swf/display.h"
#include "swf/font_provider.h"
#include "swf/movie.h"
#include "swf/text_editing.h"
#include "swf/types.h"

namespace swf {

namespace avm1 {
class Object;
class Runtime;
struct FileDialogRequest;
struct ChosenFile;
}

namespace sound {
class Mixer;
class MovieAudio;
}

enum class ScaleMode : int { ShowAll = 0, NoBorder = 1, ExactFit = 2, NoScale = 3 };

enum AlignBits : int { AlignLeft = 1, AlignRight = 2, AlignTop = 4, AlignBottom = 8 };

enum class PixelFormat : uint8_t {
    BgraPremultiplied,  // Windows DIB order; what the host blits
    RgbaStraight,       // for writing image files
};

struct RenderTarget {
    void* pixels = nullptr;
    int width = 0, height = 0;
    int stride = 0;  // bytes per row
    PixelFormat format = PixelFormat::BgraPremultiplied;
};

enum class Quality : uint8_t { Low, High };  // Low: no anti-aliasing

class Player {
public:
    Player();
    ~Player();

    Result<bool> load(const uint8_t* data, size_t size);
    // A movie parsed already (on another thread, say), given as bytes would be.
    void load(std::shared_ptr<const Movie> movie);
    Result<bool> load_file(const std::string& path);
    bool loaded() const { return root_ != nullptr; }
    const Movie* movie() const { return movie_.get(); }

    // Host settings (the control's ScaleMode, AlignMode and BackgroundColor properties).
    void set_scale_mode(int mode) { scale_mode_ = ScaleMode(mode >= 0 && mode <= 3 ? mode : 0); }
    void set_align_mode(int bits) { align_ = bits; }
    void set_background_color(int32_t rgb) { host_background_ = rgb; }  // -1: the movie's own
    void set_quality(Quality q) { quality_ = q; }
    void set_font_provider(FontProvider* p) { fonts_ = p ? p : &fallback_fonts_; }
    // Where the movie's trace() lines, script errors and getURL/fscommand requests go. Set them
    // before loading.
    void set_trace_handler(std::function<void(const std::string&)> f) { on_trace_ = std::move(f); }
    void set_error_handler(std::function<void(const std::string&)> f) { on_error_ = std::move(f); }
    void set_url_handler(std::function<void(const std::string& url, const std::string& target)> f) {
        on_url_ = std::move(f);
    }
    void set_log_actions(bool on) { log_actions_ = on; }
    // The longest a script may run before it is stopped, in seconds, for the movies loaded from
    // now on (a movie's own ScriptLimits count only when shorter); 0 keeps the usual limit.
    void set_script_time_limit(double seconds) { script_time_limit_ = seconds; }
    // Answers the movie's file dialogs (FileReference browse/download): true with the picked
    // files, false for a cancel. Unset, every dialog is cancelled.
    using FileDialogHandler = std::function<bool(const avm1::FileDialogRequest&, std::vector<avm1::ChosenFile>&)>;
    void set_file_dialog_handler(FileDialogHandler f) { on_files_ = std::move(f); }
    // Where movies keep their saves (SharedObject), an absolute folder outside the program's;
    // empty keeps them for the run only. The movie's address names its saves: load_file uses the
    // path, load() the address given here.
    void set_shared_object_dir(std::string dir) { shared_dir_ = std::move(dir); }
    void set_movie_address(std::string url) { address_ = std::move(url); }
    // The movie asked to close (fscommand "quit").
    bool quit_requested() const;
    avm1::Runtime* scripts() { return script_.get(); }
    const avm1::Runtime* scripts() const { return script_.get(); }

    int stage_width() const { return movie_ ? movie_->stage_width() : 0; }
    int stage_height() const { return movie_ ? movie_->stage_height() : 0; }
    // Frames per second, clamped to a range a timer can follow.
    double frame_rate() const;
    int current_frame() const { return root_ ? root_->current_frame() : -1; }
    int frame_count() const { return root_ ? root_->frame_count() : 0; }

    // The host's Play: a movie whose own script stopped its main timeline stays stopped. The
    // host's Stop also silences the movie until the next Play.
    void play();
    void stop();
    void goto_frame(int frame) { if (root_) root_->goto_frame(frame); }
    // One frame of the root timeline and every clip in it, scripts included.
    void advance();
    Clip* root() { return root_.get(); }
    // Whether the root timeline's playhead moves (a stopped movie may still animate its clips).
    bool playing() const { return root_ && root_->playing(); }

    // Draws the current frame into the target, scaled and aligned as set.
    void render(const RenderTarget& target);
    // Whether a render now could come out different from the last one: the timelines placed,
    // moved or removed something, a script or built-in ran, or a focused field's caret blinked.
    // True before the first render. The target's size and the host's settings (scale, align,
    // quality, colour) are the host's to track.
    bool picture_changed() const { return !rendered_ || scene_signature() != rendered_scene_; }

    // Input from the host (input_player.cpp). Positions are pixels of the last render target
    // (the stage's scale and align undone here); keys are Windows virtual-key codes and `ch` a
    // typed character (UTF-16 unit, 0 for none). Each call runs what the movie does in answer
    // (button states and actions, clip events and handlers, Key/Mouse listeners) at once.
    void mouse_move(double x, double y);
    void mouse_down(double x, double y);
    void mouse_up(double x, double y);
    void mouse_leave();  // the pointer left the player's window (no button held)
    void mouse_wheel(int delta);
    void key_down(int vk, int ch);
    void key_up(int vk);
    void char_typed(uint32_t ch);  // a character (a code point) for the focused text field
    // The clipboard text fields cut, copy and paste through (Ctrl+X/C/V), line breaks as '\n';
    // without one the player keeps its own.
    void set_clipboard(TextClipboard::Reader read, TextClipboard::Writer write) {
        clipboard_.connect(std::move(read), std::move(write));
    }
    // The caret of the focused input field in pixels of the last render target (for placing an
    // input method's composition window); false when no field has one.
    bool caret_rect(Rect& pixels);
    enum class Cursor : uint8_t { Arrow, Hand, IBeam, Hidden };
    // How the pointer should look at its last position.
    Cursor cursor() const;
    // Whether the host should hold the mouse capture: a button or clip was pressed and not yet
    // released, so that a release outside the window still arrives.
    bool wants_capture() const;

    // Twips -> target pixel matrix for a target of this size.
    Matrix stage_matrix(int width, int height) const;

    // Sound. The host's audio thread takes 44.1 kHz interleaved stereo frames from mix_audio()
    // while this thread runs the movie; the host stops pulling before the player goes away.
    void mix_audio(int16_t* out, size_t frames);
    sound::Mixer& audio() { return *mixer_; }
    // Seconds of sound mixed so far (the audio thread's clock).
    double audio_clock() const;
    // Stream sync: how many frames the timeline should run, on top of the one it is due, to
    // catch up with a streaming sound that has played past the frames shown. The host runs
    // them without drawing in between. 0 when in step or when no stream plays.
    int stream_frames_due() const;
    void set_muted(bool muted);

private:
    void start(std::shared_ptr<const Movie> movie);

    void stop_movie();
    // A number for everything the timelines and scripts decide about the picture.
    uint64_t scene_signature() const;
    // After a frame: streams, sound transforms and the Sound objects' positions and ends.
    void frame_audio();
    // A button changed state (input_player.cpp): its transition sound, if it has one.
    void button_sound(const ButtonDef& def, uint16_t transition, Clip* button);
    void update_mute();

    std::shared_ptr<const Movie> movie_;
    std::unique_ptr<World> world_;
    std::unique_ptr<avm1::Runtime> script_;
    std::unique_ptr<Clip> root_;
    std::string path_, address_, shared_dir_;
    double script_time_limit_ = 0;
    bool log_actions_ = false;
    std::function<void(const std::string&)> on_trace_, on_error_;
    std::function<void(const std::string&, const std::string&)> on_url_;
    FileDialogHandler on_files_;
    ScaleMode scale_mode_ = ScaleMode::ShowAll;
    int align_ = 0;
    int32_t host_background_ = -1;
    Quality quality_ = Quality::High;
    BoxFontProvider fallback_fonts_;
    FontProvider* fonts_ = &fallback_fonts_;
    std::vector<uint32_t> scratch_;
    struct RenderState;
    std::unique_ptr<RenderState> state_;
    // Pointer and key tracking (input_player.cpp), made on first input for the movie playing.
    struct InputState;
    std::shared_ptr<InputState> input_;
    InputState& input();
    // Keyboard focus (focus.cpp): Tab, the focused button's keys, the focus rectangle. It drives
    // the pointer's button states through the two functions below (input_player.cpp).
    class KeyboardFocus;
    std::unique_ptr<KeyboardFocus> focus_;
    // Hands the "over" state to `to` (null: none): the one holding it rolls out, `to` rolls over.
    // With `now` their scripts run at once; otherwise they wait in the script queue.
    void hover_button(avm1::Object* to, bool now);
    void click_button(avm1::Object* o);  // pressed and released, as by the pointer
    bool caret_blink_on() const;  // the focused field's caret shows in this half of its blink
    TextClipboard clipboard_;
    int view_width_ = 0, view_height_ = 0;  // the last render target; 0 until the first render
    uint64_t rendered_scene_ = 0;  // scene_signature() at the last render
    bool rendered_ = false;
    std::unique_ptr<sound::Mixer> mixer_;  // lives as long as the player: the host's thread reads it
    std::unique_ptr<sound::MovieAudio> movie_audio_;  // the movie playing now
    bool muted_ = false, host_stopped_ = false;
};

}  // namespace swf
