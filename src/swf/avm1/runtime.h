// The script side of a playing movie: it hears the timelines (ClipEvents), gives every clip its
// object, queues and runs the frame scripts and clip events in the original order, and keeps
// intervals. The player owns one per movie.
#pragma once

#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <utility>

#include "swf/avm1/clip.h"
#include "swf/avm1/vm.h"
#include "swf/display.h"
#include "swf/movie.h"

namespace swf::avm1 {

// Clip event flags of PlaceObject clip actions.
enum ClipEvent : uint32_t {
    EvLoad = 0x1, EvEnterFrame = 0x2, EvUnload = 0x4, EvMouseMove = 0x8, EvMouseDown = 0x10,
    EvMouseUp = 0x20, EvKeyDown = 0x40, EvKeyUp = 0x80, EvData = 0x100, EvInitialize = 0x200,
    EvPress = 0x400, EvRelease = 0x800, EvReleaseOutside = 0x1000, EvRollOver = 0x2000,
    EvRollOut = 0x4000, EvDragOver = 0x8000, EvDragOut = 0x10000, EvKeyPress = 0x20000,
    EvConstruct = 0x40000,
};

struct RuntimeOutput {
    std::function<void(const std::string&)> trace;
    std::function<void(const std::string&)> error;
    // getURL and fscommand ("FSCommand:" urls), after the runtime's own handling.
    std::function<void(const std::string& url, const std::string& target)> get_url;
    // FileReference's dialogs (Host::choose_files); unset: every dialog is cancelled.
    std::function<bool(const FileDialogRequest&, std::vector<ChosenFile>&)> choose_files;
};

// setInterval, clearInterval, setTimeout, clearTimeout, updateAfterEvent (timer_builtins.cpp).
void install_runtime_globals(Vm& vm);

class Runtime final : public ClipEvents, public Host {
public:
    Runtime(const Movie& movie, World& world, RuntimeOutput out, std::string url);
    ~Runtime() override;

    Vm vm;

    // The root's object and its first frame's scripts.
    void start(Clip& root);
    // One frame: intervals, enterFrame events, every playhead newest clip first, the queue.
    void tick();
    bool quit_requested() const { return quit_; }
    double frame_ms() const { return frame_ms_; }

    // Host
    void trace(const std::string& line) override;
    void error(const std::string& message) override;
    void get_url(const std::string& url, const std::string& target, int method) override;
    double timer_ms() override { return clock_ms_; }
    ClipObject* level(int n) override;
    bool choose_files(const FileDialogRequest& request, std::vector<ChosenFile>& out) override;

    // Work a built-in leaves for after the running scripts (a dialog's answer): `fn` is called
    // with `self` and `args` once this frame's queue has run.
    void defer(Value self, NativeFn fn, std::vector<Value> args);

    int level_of(ClipObject* c) const;
    // Movies loaded into the levels above 0 (loadMovieNum), drawn over the root in level order.
    const std::map<int, std::unique_ptr<Clip>>& levels() const { return levels_; }
    // A movie loaded into level 0 replaces everything; the host takes it between frames (its
    // address then names the movie's folder and saves) and starts it afresh.
    struct RootReplacement {
        std::shared_ptr<const Movie> movie;
        std::string path;
    };
    std::optional<RootReplacement> take_root_replacement() { return std::exchange(root_replacement_, std::nullopt); }
    const std::string& url() const { return url_; }
    size_t movie_bytes() const { return movie_.declared_length; }
    int movie_version() const { return movie_.version; }
    bool movie_uses_network() const { return movie_.use_network; }
    void set_mouse(double x, double y) { mouse_x_ = x, mouse_y_ = y; }  // stage twips
    int stage_width() const { return movie_.stage_width(); }    // pixels
    int stage_height() const { return movie_.stage_height(); }

    // Input from the host (input.cpp). Codes are Windows virtual-key codes, `ascii` the character
    // typed (0 for none), positions stage twips. Each call updates what Key and Mouse report,
    // runs the clips' keyDown/keyUp/mouseDown/mouseUp/mouseMove events and onMouse… handlers,
    // tells the Key or Mouse listeners, then runs what those queued.
    void key_down(int code, int ascii);
    void key_up(int code, int ascii);
    void mouse_move(double x, double y);
    void mouse_down(double x, double y);
    void mouse_up(double x, double y);
    void mouse_wheel(int delta);
    // Scripts the player's pointer and key tracking starts (input.cpp): a button's condition
    // actions (run on `clip`, the button's parent timeline) and a button's or clip's event
    // (onClipEvent handlers for `event`, then the `handler` function), queued as the timeline
    // queues them; run_input() runs them and whatever they queued before returning.
    void queue_actions(Object* clip, const std::vector<uint8_t>& bytes);
    void queue_event(Object* clip, uint32_t event, const char* handler);
    void run_input();
    // The player's keyboard focus: told of every focus Selection sets, the same one again
    // included, before the objects hear of it; and naming the button or clip that hears
    // onKeyDown/onKeyUp ahead of the clips and the Key listeners (null: none).
    std::function<void(Object* from, Object* to)> focus_moved;
    std::function<Object*()> key_focus;
    // The clip startDrag holds, if any: move_drag() takes it to the pointer (set_mouse) within
    // its bounds. `drop_target` is the path of what it was last dropped over, for _droptarget.
    ClipObject* dragging() const { return dragging_; }
    void move_drag();
    Object* drop_clip = nullptr;
    std::string drop_target;
    struct InputState {
        bool down[256] = {};
        bool toggled[256] = {};
        int last_code = 0, last_ascii = 0;
        bool button = false;
        bool cursor_hidden = false;  // Mouse.hide()
    };
    InputState input;
    // What Stage reports and the movie asked for; the host applies them.
    struct StageState {
        std::string scale_mode = "showAll";
        int align = 0;  // AlignBits of player.h
        bool show_menu = true;
        bool full_screen = false;
    };
    StageState stage;
    // The player-wide settings scripts read and write through any clip.
    struct Settings {
        int quality = 2;  // 0 LOW, 1 MEDIUM, 2 HIGH, 3 BEST
        bool focus_rect = true;
        int32_t sound_buf_time = 5;
    };
    Settings settings;

    // Local shared objects (shared_object.cpp): saved under this folder, one file per movie and
    // name; empty keeps them in memory for this run only. Written by flush() and when the movie
    // is unloaded.
    std::string shared_object_dir;
    std::unordered_map<std::string, Object*> shared_objects;  // by name and path, for getLocal
    void save_shared_objects();
    void mouse_in(ClipObject* c, double& x, double& y);
    Matrix to_stage(ClipObject* c);  // local twips -> stage twips
    void call_frame(Clip& clip, int frame);
    // loadMovie, loadVariables, unloadMovie (empty url) into a clip; flags as GetURL2's (0x80:
    // variables). `loader` is the MovieClipLoader to tell how it went, if any.
    void load_into(Object* clip, const std::string& url, int flags, Object* loader = nullptr);
    // LoadVars/XML load: the file is read from the movie's folder; next frame `target.onData` gets
    // its text, or undefined when it could not be read. False when the request was refused.
    bool load_text(Object* target, const std::string& url);
    // The folder the movie was opened from (absolute): loads read files there and below only.
    // Empty for a movie given as bytes, which loads nothing.
    std::string movie_dir;
    // Set by a press, release or key (and what the host's buttons run in answer) until the next
    // frame or pointer move: getURL may open an address only then.
    bool user_action = false;
    Object* duplicate(ClipObject* c, const std::string& name, int depth, Object* init);
    Object* attach(ClipObject* parent, const std::string& id, const std::string& name, int depth, Object* init);
    Object* create_empty(ClipObject* parent, const std::string& name, int depth);
    Object* create_text_field(ClipObject* parent, const std::string& name, int depth, double x, double y, double w, double h);
    void start_drag(ClipObject* c, bool lock, bool constrain, double x1, double y1, double x2, double y2);
    void stop_drag();

    // Intervals and timeouts on the player's clock.
    int add_timer(Value fn, Value self, Str* method, double ms, std::vector<Value> args, bool repeat);
    void clear_timer(int id);

    // ClipEvents
    void placed(Clip& parent, Instance& inst) override;
    void removing(Clip& parent, Instance& inst) override;
    void actions(Clip& clip, const ActionBlock& block) override;

private:
    struct Task {
        enum Kind : uint8_t { Actions, Event, Handler } kind;
        Object* clip;
        std::shared_ptr<const Code> code;
        uint32_t event = 0;
        Str* handler = nullptr;
    };
    struct Timer {
        int id;
        Value fn, self;
        Str* method;
        double interval, due;
        std::vector<Value> args;
        bool repeat;
    };

    ClipObject* make_object(Clip* clip, Instance* inst, Clip& parent);
    void init_instance(ClipObject* obj, Instance& inst, Object* init);
    void run_queue();
    void run_clip_events(ClipObject* obj, uint32_t event);
    void fire_handler(Object* obj, Str* name);
    void run_timers();
    void mark_roots(Tracer& t);
    std::shared_ptr<const Code> code_for(const std::vector<uint8_t>& bytes);
    void queue_unload(Clip& parent, Instance& inst);
    // input.cpp
    void mouse_event(uint32_t event, const char* handler);
    void broadcast_input(const char* object, Str* name, const Value* args, int argc);

    const Movie& movie_;
    World& world_;
    RuntimeOutput out_;
    std::string url_;
    Clip* root_ = nullptr;
    ClipObject* root_object_ = nullptr;
    std::deque<Task> queue_;
    std::unordered_set<const ActionBlock*> init_done_;
    std::vector<Timer> timers_;
    struct Deferred {
        Value self;
        NativeFn fn;
        std::vector<Value> args;
    };
    std::vector<Deferred> deferred_;
    std::vector<Deferred> next_frame_;  // loads finishing at the start of the next frame
    void run_deferred();
    // The bytes of a file the movie asked for, read from its folder; false (the reason sent to
    // the error channel) when refused or unreadable.
    bool read_local(const std::string& url, std::string& bytes, std::string* path = nullptr);
    void load_level(int level, const std::string& url, int flags);
    // A loaded movie's loader warnings, to the error channel with the address it came from.
    void report_warnings(const std::string& url, const Movie& movie);

public:
    // Sound.loadSound: an MP3 file beside the movie, decoded whole; the Sound gets it and its
    // onLoad(success) with the next frame, and starts if it was asked to stream.
    void load_sound(Object* sound, const std::string& url);

private:
    static Value finish_clip_vars(Vm& vm, Value self, const Args& args);
    static Value finish_movie(Vm& vm, Value self, const Args& args);
    static Value finish_level(Vm& vm, Value self, const Args& args);
    static Value finish_sound(Vm& vm, Value self, const Args& args);
    void unload_level(int level);
    std::vector<std::shared_ptr<const Movie>> loaded_movies_;  // what loadMovie brought in, kept for the run
    std::map<int, std::unique_ptr<Clip>> levels_;  // after loaded_movies_: the clips go first
    std::vector<std::unique_ptr<SoundDef>> loaded_sounds_;  // what Sound.loadSound brought in
    std::optional<RootReplacement> root_replacement_;
    int next_timer_ = 1;
    double clock_ms_ = 0, frame_ms_ = 1000.0 / 12;
    double mouse_x_ = 0, mouse_y_ = 0;
    bool quit_ = false;
    Object* pending_init_ = nullptr;  // attachMovie's init object for the clip being placed
    ClipObject* dragging_ = nullptr;
    struct DragState {
        bool lock = false, constrain = false;
        double x1 = 0, y1 = 0, x2 = 0, y2 = 0;  // parent pixels
        double dx = 0, dy = 0;  // pointer minus the clip's position when the drag started, twips
    } drag_;
    Object* current_ = nullptr;  // the clip whose task runs
    std::unordered_map<const void*, std::shared_ptr<const Code>> codes_;
};

}  // namespace swf::avm1
