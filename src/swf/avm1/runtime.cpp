// The order of a frame, as the original player runs it:
//   1. every clip, newest first: its enterFrame event (onClipEvent(enterFrame), onEnterFrame) is
//      queued, then its playhead moves on; the tags of the frames entered are applied in file
//      order: DoInitAction runs at once, DoAction, load and unload events are queued, and a new
//      sprite's initialize/construct events and class constructor run at once; children placed
//      by a frame start once the frame's own tags are applied;
//   2. the queue runs first in, first out (scripts may queue more);
//   3. the frame is drawn.
#include "swf/avm1/runtime.h"

#include <algorithm>
#include <cmath>
#include <fstream>

#include "swf/avm1/convert.h"
#include "swf/avm1/sound.h"
#include "swf/sandbox.h"
#include "swf/sound/decode.h"

namespace swf::avm1 {

namespace {
// Each script call is a native call too: deeper than this would risk the thread's stack.
constexpr int kMaxNativeCallDepth = 1000;
// A frame whose scripts keep queueing more (a goto on every run) stops here.
constexpr size_t kMaxTasksPerFrame = 200000;
}  // namespace

Runtime::Runtime(const Movie& movie, World& world, RuntimeOutput out, std::string url)
    : vm(*this, movie.version), movie_(movie), world_(world), out_(std::move(out)), url_(std::move(url)) {
    vm.runtime = this;
    vm.mark_host_roots = [this](Tracer& t) { mark_roots(t); };
    // A movie may ask for deeper calls, up to what the native stack holds.
    if (movie.max_recursion > 0) vm.max_depth = std::min(movie.max_recursion, kMaxNativeCallDepth);
    if (movie.script_timeout > 0) vm.timeout_seconds = movie.script_timeout;
    frame_ms_ = 1000.0 / std::clamp(movie.frame_rate > 0 ? movie.frame_rate : 12.0, 0.01, 1000.0);
    install_runtime_globals(vm);
}

Runtime::~Runtime() {
    save_shared_objects();
    world_.events = nullptr;
}

// ---------------------------------------------------------------------------------------------
// Host
// ---------------------------------------------------------------------------------------------
void Runtime::trace(const std::string& line) {
    if (out_.trace) out_.trace(line);
}

void Runtime::error(const std::string& message) {
    if (out_.error) out_.error(message);
}

namespace {
// "_level3" -> 3; -1 for any other target.
int level_number(const std::string& target) {
    if (target.size() < 7 || fold_case(target.substr(0, 6)) != "_level") return -1;
    int n = 0;
    for (size_t i = 6; i < target.size(); ++i) {
        if (target[i] < '0' || target[i] > '9' || n > 100000) return -1;
        n = n * 10 + (target[i] - '0');
    }
    return n;
}
}  // namespace

// fscommand goes to the host as it is (the host decides; nothing is run here). A level target
// loads into that level; anything else is an address for the desktop shell, which gets only what
// the sandbox allows.
void Runtime::get_url(const std::string& url, const std::string& target, int method) {
    if (url.size() >= 10 && fold_case(url.substr(0, 10)) == "fscommand:") {
        if (fold_case(url.substr(10)) == "quit") quit_ = true;
        if (out_.get_url) out_.get_url(url, target);
        return;
    }
    if (int n = level_number(target); n >= 0) {
        load_level(n, url, method);
        return;
    }
    SandboxAnswer answer = check_open_url(url, user_action);
    if (!answer.allowed) {
        error(answer.refusal);
        return;
    }
    if (out_.get_url) out_.get_url(answer.value, target);
}

ClipObject* Runtime::level(int n) {
    if (n == 0) return root_object_;
    auto it = levels_.find(n);
    return it == levels_.end() ? nullptr : static_cast<ClipObject*>(it->second->object);
}

int Runtime::level_of(ClipObject* c) const {
    for (const auto& [n, clip] : levels_)
        if (clip->object == c) return n;
    return 0;
}

bool Runtime::choose_files(const FileDialogRequest& request, std::vector<ChosenFile>& out) {
    return out_.choose_files && out_.choose_files(request, out);
}

void Runtime::defer(Value self, NativeFn fn, std::vector<Value> args) {
    deferred_.push_back({self, fn, std::move(args)});
}

void Runtime::run_deferred() {
    for (int round = 0; round < 16 && !deferred_.empty(); ++round) {
        std::vector<Deferred> now = std::move(deferred_);
        deferred_.clear();
        for (Deferred& d : now) {
            vm.new_tick();
            vm.started = std::chrono::steady_clock::now();
            Args args{d.args.data(), int(d.args.size())};
            ++vm.native_depth;
            ++vm.runs;
            d.fn(vm, d.self, args);
            --vm.native_depth;
            vm.throwing = false;
            vm.exception = Value();
            vm.aborting = false;
            run_queue();
        }
    }
}

// ---------------------------------------------------------------------------------------------
// Objects for display instances
// ---------------------------------------------------------------------------------------------
ClipObject* Runtime::make_object(Clip* clip, Instance* inst, Clip& parent) {
    ObjKind kind = ObjKind::Clip;
    Object* proto = vm.movieclip_proto;
    if (inst && inst->character && inst->character->kind == CharKind::Button) {
        kind = ObjKind::Button;
        proto = vm.button_proto;
    } else if (inst && inst->character && inst->character->kind == CharKind::EditText) {
        kind = ObjKind::TextField;
        proto = vm.textfield_proto;
    }
    ClipObject* o = vm.heap.make<ClipObject>(proto, kind);
    o->clip = clip;
    o->inst = inst;
    o->parent = inst ? &parent : nullptr;
    o->runtime = this;
    if (inst) o->clip_actions = inst->clip_actions;
    if (clip)
        clip->object = o;
    else if (inst)
        inst->object = o;
    return o;
}

void Runtime::start(Clip& root) {
    root_ = &root;
    root_object_ = make_object(&root, nullptr, root);
    vm.new_tick();
    root.goto_frame(0);
    run_queue();
    run_deferred();
    vm.maybe_collect();
}

void Runtime::placed(Clip& parent, Instance& inst) {
    if (!inst.character) return;
    const CharKind kind = inst.character->kind;
    if (kind != CharKind::Sprite && kind != CharKind::Button && kind != CharKind::EditText) return;
    ClipObject* obj = make_object(inst.clip.get(), &inst, parent);
    if (kind == CharKind::EditText) {
        text_field_placed(vm, obj);
        return;
    }
    Object* init = pending_init_;
    pending_init_ = nullptr;
    init_instance(obj, inst, init);
}

// A new sprite: its class, the init object's properties, initialize and construct events and the
// class constructor run now; its load event is queued.
void Runtime::init_instance(ClipObject* obj, Instance& inst, Object* init) {
    Value ctor;
    for (const auto& [name, id] : movie_.exports) {
        if (id != inst.character_id) continue;
        auto it = vm.registered_classes.find(vm.case_sensitive() ? name : fold_case(name));
        if (it != vm.registered_classes.end() && it->second.is_object()) {
            ctor = it->second;
            Value proto = vm.get(ctor, vm.names.prototype);
            if (proto.is_object()) obj->proto = proto.o;
        }
        break;
    }
    if (init) {
        // The init object's fields are copied oldest first.
        std::vector<Str*> names = vm.enumerate(init);
        for (auto it = names.rbegin(); it != names.rend(); ++it) vm.set(obj, *it, vm.get(init, *it));
    }
    run_clip_events(obj, EvInitialize);
    run_clip_events(obj, EvConstruct);
    if (ctor.is_object()) {
        // As for `new`: the instance names its class in own, hidden properties.
        obj->put(vm.names.__constructor__, ctor, DontEnum, true);
        if (vm.version <= 6) obj->put(vm.names.constructor, ctor, DontEnum, true);
        vm.started = std::chrono::steady_clock::now();
        Value self = obj;
        if (vm.depth == 0) vm.started = std::chrono::steady_clock::now();
        vm.call(ctor, self, nullptr, 0);
        if (vm.throwing) {
            vm.throwing = false;
            vm.exception = Value();
        }
        if (vm.depth == 0) vm.aborting = false;
    }
    queue_.push_back({Task::Event, obj, nullptr, EvLoad, vm.names.onLoad});
}

// Children first, in depth order, then the instance itself; each object only once (a parent's
// removal reaches its children before their own removal does).
void Runtime::queue_unload(Clip& parent, Instance& inst) {
    Object* o = inst.clip ? inst.clip->object : inst.object;
    ClipObject* obj = is_display_object(o) ? static_cast<ClipObject*>(o) : nullptr;
    if (!obj || !obj->alive()) return;
    if (inst.clip)
        for (auto& [depth, child] : inst.clip->display_list()) queue_unload(*inst.clip, child);
    bool has_event = false;
    if (obj->clip_actions)
        for (const ClipAction& a : *obj->clip_actions) has_event |= (a.events & EvUnload) != 0;
    if (has_event || vm.find(obj, vm.names.onUnload)) {
        queue_.push_back({Task::Event, obj, nullptr, EvUnload, vm.names.onUnload});
        obj->unloading = true;
    }
    if (dragging_ == obj) dragging_ = nullptr;
    obj->detach(vm);
}

void Runtime::removing(Clip& parent, Instance& inst) { queue_unload(parent, inst); }

void Runtime::actions(Clip& clip, const ActionBlock& block) {
    if (block.init_sprite) {
        // Init actions run at once, before anything else of their frame: classes they register
        // are in place when the frame's clips are made.
        if (!init_done_.insert(&block).second) return;
        vm.run_block(code_for(block.bytes), root_object_);
        return;
    }
    if (!clip.object) return;
    queue_.push_back({Task::Actions, clip.object, code_for(block.bytes)});
}

std::shared_ptr<const Code> Runtime::code_for(const std::vector<uint8_t>& bytes) {
    auto it = codes_.find(&bytes);
    if (it != codes_.end()) return it->second;
    auto code = decode(bytes.data(), bytes.size(), movie_.version, vm.heap);
    vm.code_cache[&bytes] = code;
    if (code->malformed) error("A script block is damaged; it runs up to the damage.");
    codes_.emplace(&bytes, code);
    return code;
}

// ---------------------------------------------------------------------------------------------
// Running scripts
// ---------------------------------------------------------------------------------------------
void Runtime::run_clip_events(ClipObject* obj, uint32_t event) {
    if (!obj->clip_actions) return;
    auto actions = obj->clip_actions;  // the list may be replaced while a handler runs
    for (const ClipAction& a : *actions) {
        if (!(a.events & event)) continue;
        vm.run_block(code_for(a.bytes), obj);
    }
}

void Runtime::fire_handler(Object* obj, Str* name) {
    Value fn = vm.get(obj, name);
    if (!fn.is_object() || fn.o->kind != ObjKind::Function) return;
    const bool top = vm.depth == 0;
    if (top) vm.started = std::chrono::steady_clock::now();
    vm.call(fn, obj, nullptr, 0);
    if (vm.throwing) {
        trace("Warning: Uncaught exception, " + vm.trace_string(vm.exception));
        vm.throwing = false;
        vm.exception = Value();
    }
    if (top) vm.aborting = false;
}

void Runtime::run_queue() {
    size_t ran = 0;
    while (!queue_.empty()) {
        // Scripts that each queue more than they run would also grow the queue without bound.
        if (++ran > kMaxTasksPerFrame || queue_.size() > kMaxTasksPerFrame) {
            error("This frame's scripts kept starting more scripts; the rest were dropped.");
            queue_.clear();
            break;
        }
        Task t = queue_.front();
        queue_.pop_front();
        current_ = t.clip;
        ClipObject* obj = is_display_object(t.clip) ? static_cast<ClipObject*>(t.clip) : nullptr;
        switch (t.kind) {
        case Task::Actions:
            if (obj && obj->alive()) vm.run_block(t.code, obj);
            break;
        case Task::Event:
            if (!obj || (!obj->alive() && t.event != EvUnload)) break;
            run_clip_events(obj, t.event);
            if (t.handler) fire_handler(obj, t.handler);
            if (t.event == EvUnload) obj->unloading = false;
            break;
        case Task::Handler:
            if (obj && obj->alive() && t.handler) fire_handler(obj, t.handler);
            break;
        }
        current_ = nullptr;
    }
}

void Runtime::call_frame(Clip& clip, int frame) {
    const Timeline* tl = clip.timeline();
    if (!tl || frame < 0 || frame >= int(tl->frames.size()) || !clip.object) return;
    for (const ActionBlock& b : tl->frames[size_t(frame)].actions)
        if (!b.init_sprite) vm.run_block(code_for(b.bytes), clip.object);
}

void Runtime::tick() {
    vm.new_tick();
    user_action = false;
    clock_ms_ += frame_ms_;
    run_timers();
    // What the movie asked to load in an earlier frame arrives now, before this frame's events.
    if (!next_frame_.empty()) {
        std::vector<Deferred> loads = std::move(next_frame_);
        next_frame_.clear();
        loads.insert(loads.end(), std::make_move_iterator(deferred_.begin()), std::make_move_iterator(deferred_.end()));
        deferred_ = std::move(loads);
        run_deferred();
    }
    // Newest clip first: its enterFrame event is queued, then its playhead moves (queueing the
    // scripts and events of what that brings).
    std::vector<uint64_t> order;
    order.reserve(world_.clips.size());
    for (auto it = world_.clips.rbegin(); it != world_.clips.rend(); ++it) order.push_back(it->first);
    for (uint64_t serial : order) {
        auto it = world_.clips.find(serial);
        if (it == world_.clips.end() || it->second->removed()) continue;
        Clip* clip = it->second;
        Object* o = clip->object;
        if (is_display_object(o) && o->kind == ObjKind::Clip)
            queue_.push_back({Task::Event, o, nullptr, EvEnterFrame, vm.names.onEnterFrame});
        clip->advance_playhead();
    }
    run_queue();
    run_deferred();
    vm.maybe_collect();
}

// ---------------------------------------------------------------------------------------------
// Timers
// ---------------------------------------------------------------------------------------------
int Runtime::add_timer(Value fn, Value self, Str* method, double ms, std::vector<Value> args, bool repeat) {
    if (!(ms >= 0)) ms = 0;
    Timer t{next_timer_++, fn, self, method, ms, clock_ms_ + ms, std::move(args), repeat};
    timers_.push_back(std::move(t));
    return timers_.back().id;
}

void Runtime::clear_timer(int id) {
    timers_.erase(std::remove_if(timers_.begin(), timers_.end(), [id](const Timer& t) { return t.id == id; }),
                  timers_.end());
}

void Runtime::run_timers() {
    std::vector<int> due;
    for (const Timer& t : timers_)
        if (t.due <= clock_ms_) due.push_back(t.id);
    for (int id : due) {
        auto it = std::find_if(timers_.begin(), timers_.end(), [id](const Timer& t) { return t.id == id; });
        if (it == timers_.end()) continue;
        Timer t = *it;
        if (t.repeat)
            it->due = clock_ms_ + std::max(t.interval, 1.0);
        else
            timers_.erase(it);
        Value fn = t.method ? vm.get(t.self, t.method) : t.fn;
        vm.started = std::chrono::steady_clock::now();
        vm.call(fn, t.self, t.args.data(), int(t.args.size()));
        if (vm.throwing) {
            vm.throwing = false;
            vm.exception = Value();
        }
        vm.aborting = false;
        run_queue();
    }
}

// ---------------------------------------------------------------------------------------------
// Placing from scripts
// ---------------------------------------------------------------------------------------------
Object* Runtime::duplicate(ClipObject* c, const std::string& name, int depth, Object* init) {
    Instance* src = c->inst;
    Clip* parent = c->parent;
    if (!src || !parent || !src->character || src->character->kind != CharKind::Sprite) return nullptr;
    pending_init_ = init;
    auto drawing = c->clip ? c->clip->drawing : nullptr;
    // The copy may go to the source's own depth, which removes the source: keep what is copied.
    const Matrix matrix = src->matrix;
    const CxForm cxform = src->cxform;
    const bool visible = src->visible;
    const uint8_t blend = src->blend;
    const FilterListPtr filters = src->filters;
    const uint16_t character = src->character_id;
    const auto clip_actions = src->clip_actions;
    src = nullptr;  // placing may free it
    // A clip made by createEmptyMovieClip has no library character: its copy is another empty clip.
    Instance* inst = character == 0 ? parent->place_empty(depth, name)
                                    : parent->place_dynamic(depth, character, name, matrix, cxform, clip_actions);
    if (inst && character == 0) {
        inst->matrix = matrix;
        inst->cxform = cxform;
    }
    pending_init_ = nullptr;
    if (!inst) return nullptr;
    if (inst->clip) inst->clip->drawing = drawing;
    inst->visible = visible;
    inst->blend = blend;
    inst->filters = filters;
    // The copy takes the source's static text: the source's TextSnapshot is empty from now on.
    if (inst->clip && is_display_object(inst->clip->object)) {
        static_cast<ClipObject*>(inst->clip->object)->static_text_moved = c->static_text_moved;
        c->static_text_moved = true;
    }
    return inst->clip ? inst->clip->object : inst->object;
}

Object* Runtime::attach(ClipObject* parent, const std::string& id, const std::string& name, int depth, Object* init) {
    if (!parent || !parent->clip) return nullptr;
    uint16_t character = 0;
    for (const auto& [export_name, cid] : movie_.exports)
        if (vm.case_sensitive() ? export_name == id : fold_case(export_name) == fold_case(id)) character = cid;
    const Character* ch = movie_.find(character);
    if (!ch || (ch->kind != CharKind::Sprite && ch->kind != CharKind::Button)) return nullptr;
    pending_init_ = init;
    Instance* inst = parent->clip->place_dynamic(depth, character, name, Matrix{}, CxForm{});
    pending_init_ = nullptr;
    if (!inst) return nullptr;
    return inst->clip ? inst->clip->object : inst->object;
}

Object* Runtime::create_empty(ClipObject* parent, const std::string& name, int depth) {
    if (!parent || !parent->clip) return nullptr;
    Instance* inst = parent->clip->place_empty(depth, name);
    return inst && inst->clip ? inst->clip->object : nullptr;
}

Object* Runtime::create_text_field(ClipObject* parent, const std::string& name, int depth, double x, double y,
                                   double w, double h) {
    if (!parent || !parent->clip) return nullptr;
    auto def = std::make_shared<EditTextDef>();
    // Sizes in pixels up to a million; NaN (clamp lets it through) is no size.
    auto twips = [](double v) { return std::isnan(v) ? 0 : int32_t(std::clamp(v, 0.0, 1e6) * 20); };
    def->bounds = {0, twips(w), 0, twips(h)};
    def->height = 240;
    Instance* inst = parent->clip->place_text_field(depth, name, std::move(def));
    if (!inst) return nullptr;
    inst->matrix.tx = std::trunc(x * 20);
    inst->matrix.ty = std::trunc(y * 20);
    return inst->object;
}

// ---------------------------------------------------------------------------------------------
// Loading from the movie's folder
// ---------------------------------------------------------------------------------------------
namespace {
constexpr size_t kMaxLoadBytes = 64u << 20;

// A LoadVars or XML object's text arrived (a string) or could not be read (undefined).
Value finish_text(Vm& vm, Value self, const Args& args) {
    Object* o = self.object();
    if (!o) return Value();
    Value text = args[0];
    if (text.is_string()) {
        const double n = double(vm.to_string(text)->text.size());
        vm.set(o, vm.intern("_bytesLoaded"), n);
        vm.set(o, vm.intern("_bytesTotal"), n);
    }
    vm.call_method(self, vm.intern("onData"), {text});
    return Value();
}

// A MovieClipLoader's load failed: its listeners hear onLoadError(target, reason).
Value finish_load_error(Vm& vm, Value self, const Args& args) {
    vm.call_method(self, vm.names.broadcastMessage, {vm.intern("onLoadError"), args[0], args[1]});
    return Value();
}

// Text files may start with a UTF-8 byte order mark; it is not part of the text.
std::string without_bom(std::string bytes) {
    if (bytes.size() >= 3 && uint8_t(bytes[0]) == 0xEF && uint8_t(bytes[1]) == 0xBB && uint8_t(bytes[2]) == 0xBF)
        bytes.erase(0, 3);
    return bytes;
}
}  // namespace

bool Runtime::read_local(const std::string& url, std::string& bytes, std::string* path) {
    SandboxAnswer answer = check_load_path(movie_dir, url);
    if (!answer.allowed) {
        error(answer.refusal);
        return false;
    }
    if (path) *path = answer.value;
    std::ifstream in(path_from_utf8(answer.value), std::ios::binary);
    if (!in) {
        error("Loading \"" + url + "\" failed: the file could not be opened.");
        return false;
    }
    bytes.clear();
    char buf[65536];
    while (in.read(buf, sizeof buf) || in.gcount() > 0) {
        bytes.append(buf, size_t(in.gcount()));
        if (bytes.size() > kMaxLoadBytes) {
            error("Loading \"" + url + "\" failed: the file is too large.");
            return false;
        }
    }
    return true;
}

bool Runtime::load_text(Object* target, const std::string& url) {
    std::string bytes;
    Value text;
    if (read_local(url, bytes)) text = vm.str(without_bom(std::move(bytes)));
    // A refusal is told next frame too, as any failed load is.
    next_frame_.push_back({target, finish_text, {text}});
    return check_load_path(movie_dir, url).allowed;
}

// loadVariables: the pairs become the clip's variables, then its data event runs.
Value Runtime::finish_clip_vars(Vm& vm, Value self, const Args& args) {
    Object* o = self.object();
    Runtime* rt = vm.runtime;
    if (!o || !rt) return Value();
    Value proto = vm.get(vm.get(vm.global, vm.intern("LoadVars")), vm.names.prototype);
    Value decode = vm.get(proto, vm.intern("decode"));
    vm.call(decode, self, args.v, 1);
    vm.throwing = false;
    if (is_display_object(o)) rt->queue_.push_back({Task::Event, o, nullptr, EvData, vm.intern("onData")});
    return Value();
}

namespace {
// What unloading leaves of a clip: no children (their unload events queued) and a stopped
// timeline.
void empty_clip(Clip& clip) {
    std::vector<int> depths;
    for (auto& [depth, inst] : clip.display_list()) depths.push_back(depth);
    for (int d : depths) clip.remove_depth(d);
    clip.script_stop();
}
}  // namespace

void Runtime::load_into(Object* clip, const std::string& url, int flags, Object* loader) {
    if (!clip) return;
    if (url.empty()) {
        // unloadMovie: the clip keeps its place and properties but shows and runs nothing.
        auto* c = is_display_object(clip) ? static_cast<ClipObject*>(clip) : nullptr;
        if (!c || !c->clip || (flags & 0x80)) return;
        empty_clip(*c->clip);
        return;
    }
    std::string bytes;
    const bool read = read_local(url, bytes);
    if (flags & 0x80) {
        if (read) next_frame_.push_back({clip, finish_clip_vars, {vm.str(without_bom(std::move(bytes)))}});
        return;
    }
    if (!read) {
        if (loader) next_frame_.push_back({loader, finish_load_error, {clip, vm.intern("URLNotFound")}});
        return;
    }
    auto* c = is_display_object(clip) ? static_cast<ClipObject*>(clip) : nullptr;
    auto movie = load_movie(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    if (!movie || !c || !c->inst || !c->clip || c->inst->clip.get() != c->clip) {
        error(!movie ? "Loading \"" + url + "\" failed: " + movie.error().reason
                     : "Loading a movie into \"" + url + "\"'s target (a level or button) is not supported yet.");
        if (loader) next_frame_.push_back({loader, finish_load_error, {clip, vm.intern("LoadNeverCompleted")}});
        return;
    }
    report_warnings(url, *movie.value());
    loaded_movies_.push_back(movie.value());
    const double index = double(loaded_movies_.size() - 1), size = double(bytes.size());
    next_frame_.push_back({clip, finish_movie, {loader ? Value(loader) : Value(), index, size}});
}

// A movie loaded into a clip: the listeners hear onLoadStart, onLoadProgress and onLoadComplete,
// the clip's old content goes (its unload events run), the new movie starts in its place, and
// once its first frame's scripts ran, onLoadInit.
Value Runtime::finish_movie(Vm& vm, Value self, const Args& args) {
    Runtime* rt = vm.runtime;
    auto* c = is_display_object(self.object()) ? static_cast<ClipObject*>(self.object()) : nullptr;
    const size_t index = size_t(vm.to_number(args[1]));
    if (!rt || index >= rt->loaded_movies_.size()) return Value();
    Value loader = args[0];
    auto tell = [&](const char* event, std::initializer_list<Value> extra) {
        if (!loader.is_object()) return;
        std::vector<Value> call_args{vm.intern(event), self};
        call_args.insert(call_args.end(), extra.begin(), extra.end());
        Value fn = vm.get(loader, vm.names.broadcastMessage);
        vm.call(fn, loader, call_args.data(), int(call_args.size()));
        vm.throwing = false;
    };
    // The target may have been removed while the file was read.
    if (!c || !c->alive() || !c->inst || !c->clip || c->inst->clip.get() != c->clip) {
        tell("onLoadError", {vm.intern("LoadNeverCompleted")});
        return Value();
    }
    tell("onLoadStart", {});
    tell("onLoadProgress", {args[2], args[2]});
    tell("onLoadComplete", {0.0});
    if (!c->alive() || !c->inst || c->inst->clip.get() != c->clip) return Value();
    Instance* inst = c->inst;
    Clip* old = c->clip;
    const Movie& movie = *rt->loaded_movies_[index];
    auto fresh = std::make_unique<Clip>(movie, &movie.timeline, old->nesting(), &old->world(), inst);
    c->clip = fresh.get();
    fresh->object = c;
    old->object = nullptr;
    inst->clip = std::move(fresh);  // the old content goes here
    c->clip->goto_frame(0);
    rt->run_queue();
    tell("onLoadInit", {});
    return Value();
}

// loadMovieNum and loadVariablesNum. Variables go into the level's clip as into any clip. A movie
// arrives with the next frame: in level 0 it replaces everything (the host restarts with it), in
// a level above it replaces what the level held. unloadMovieNum empties a level above 0.
void Runtime::report_warnings(const std::string& url, const Movie& movie) {
    for (const std::string& warning : movie.warnings) error("\"" + url + "\": " + warning);
}

void Runtime::load_level(int n, const std::string& url, int flags) {
    if (flags & 0x80) {
        if (ClipObject* c = level(n)) load_into(c, url, 0xC0);
        return;
    }
    if (url.empty()) {
        if (n > 0 && levels_.count(n)) next_frame_.push_back({Value(), finish_level, {double(n), -1.0}});
        return;
    }
    std::string bytes, path;
    if (!read_local(url, bytes, &path)) return;
    auto movie = load_movie(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    if (!movie) {
        error("Loading \"" + url + "\" failed: " + movie.error().reason);
        return;
    }
    if (n == 0) {
        root_replacement_ = RootReplacement{movie.value(), path};  // the player reports it as it starts
        return;
    }
    report_warnings(url, *movie.value());
    loaded_movies_.push_back(movie.value());
    next_frame_.push_back({Value(), finish_level, {double(n), double(loaded_movies_.size() - 1)}});
}

// A level's new movie starts on its first frame; an index of -1 only empties the level.
Value Runtime::finish_level(Vm& vm, Value, const Args& args) {
    Runtime* rt = vm.runtime;
    if (!rt) return Value();
    const int n = int(vm.to_number(args[0]));
    const double index = vm.to_number(args[1]);
    rt->unload_level(n);
    if (!(index >= 0) || size_t(index) >= rt->loaded_movies_.size()) return Value();
    const Movie& movie = *rt->loaded_movies_[size_t(index)];
    auto clip = std::make_unique<Clip>(movie, &movie.timeline, 0, &rt->world_);
    Clip& level = *clip;
    rt->levels_[n] = std::move(clip);
    rt->make_object(&level, nullptr, level);
    level.goto_frame(0);
    rt->run_queue();
    return Value();
}

void Runtime::load_sound(Object* sound, const std::string& url) {
    std::string bytes;
    if (!read_local(url, bytes)) {
        next_frame_.push_back({sound, finish_sound, {false}});
        return;
    }
    auto def = sound::sound_from_mp3_file(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    if (!def) {
        error("Loading the sound \"" + url + "\" failed: " + def.error().reason);
        next_frame_.push_back({sound, finish_sound, {false}});
        return;
    }
    loaded_sounds_.push_back(std::move(def.value()));
    next_frame_.push_back({sound, finish_sound, {true, double(loaded_sounds_.size() - 1), double(bytes.size())}});
}

Value Runtime::finish_sound(Vm& vm, Value self, const Args& args) {
    Runtime* rt = vm.runtime;
    SoundState* s = native_of<SoundState>(self);
    if (!rt || !s) return Value();
    const bool ok = vm.to_boolean(args[0]);
    if (ok) {
        const size_t index = size_t(vm.to_number(args[1]));
        if (index >= rt->loaded_sounds_.size()) return Value();
        if (s->playing) vm.call_method(self, vm.intern("stop"), {});
        s->def = rt->loaded_sounds_[index].get();
        s->sound_id = 0;
        s->bytes_total = vm.to_number(args[2]);
        if (s->streaming) vm.call_method(self, vm.intern("start"), {});
    }
    vm.call_method(self, vm.intern("onLoad"), {Value(ok)});
    return Value();
}

// The level's clips unload (their events run) and its object reads as removed.
void Runtime::unload_level(int n) {
    auto it = levels_.find(n);
    if (it == levels_.end()) return;
    Clip& clip = *it->second;
    empty_clip(clip);
    run_queue();
    if (auto* o = static_cast<ClipObject*>(clip.object)) o->clip = nullptr;
    clip.object = nullptr;
    levels_.erase(n);
}

// ---------------------------------------------------------------------------------------------
// Mouse and dragging
// ---------------------------------------------------------------------------------------------
Matrix Runtime::to_stage(ClipObject* c) {
    Matrix m;
    for (int guard = 0; c && c->inst && guard < 256; ++guard) {
        m = c->inst->matrix * m;
        Clip* parent = c->parent;
        c = parent && is_display_object(parent->object) ? static_cast<ClipObject*>(parent->object) : nullptr;
    }
    return m;
}

// The pointer in the clip's pixels, on the grid scripts expect: the clip's offset on the stage
// snapped to whole pixels, the inverse's offset to whole twips and the point to the nearest twip.
// A clip scaled to nothing has no inverse; there the stage twips count as the clip's pixels.
void Runtime::mouse_in(ClipObject* c, double& x, double& y) {
    auto nearest = [](double v) { return std::floor(v + 0.5); };
    Matrix m = to_stage(c), inv;
    m.tx = nearest(m.tx / 20) * 20;
    m.ty = nearest(m.ty / 20) * 20;
    if (!m.invert(inv)) {
        x = nearest(mouse_x_ / 20) / 20;
        y = nearest(mouse_y_ / 20) / 20;
        return;
    }
    inv.tx = nearest(inv.tx);
    inv.ty = nearest(inv.ty);
    x = nearest(inv.apply_x(mouse_x_, mouse_y_)) / 20;
    y = nearest(inv.apply_y(mouse_x_, mouse_y_)) / 20;
}

void Runtime::start_drag(ClipObject* c, bool lock, bool constrain, double x1, double y1, double x2, double y2) {
    dragging_ = c;
    drag_ = DragState{lock, constrain, std::min(x1, x2), std::min(y1, y2), std::max(x1, x2), std::max(y1, y2)};
    if (!c || !c->inst || lock) return;
    // Unlocked, the clip keeps its offset from the pointer.
    Matrix inv;
    if (!clip_to_stage(clip_parent(c)).invert(inv)) return;
    drag_.dx = inv.apply_x(mouse_x_, mouse_y_) - c->inst->matrix.tx;
    drag_.dy = inv.apply_y(mouse_x_, mouse_y_) - c->inst->matrix.ty;
}

void Runtime::stop_drag() { dragging_ = nullptr; }

// ---------------------------------------------------------------------------------------------
// Collection roots
// ---------------------------------------------------------------------------------------------
void Runtime::mark_roots(Tracer& t) {
    t.mark(root_object_);
    for (auto& [serial, clip] : world_.clips) {
        t.mark(clip->object);
        for (auto& [depth, inst] : clip->display_list()) t.mark(inst.object);
    }
    for (Task& task : queue_) t.mark(task.clip);
    for (Timer& timer : timers_) {
        t.mark(timer.fn);
        t.mark(timer.self);
        t.mark_str(timer.method);
        for (Value& v : timer.args) t.mark(v);
    }
    for (auto* list : {&deferred_, &next_frame_}) {
        for (Deferred& d : *list) {
            t.mark(d.self);
            for (Value& v : d.args) t.mark(v);
        }
    }
    t.mark(dragging_);
    t.mark(drop_clip);
    t.mark(pending_init_);
    t.mark(current_);
}

}  // namespace swf::avm1
