// Sound: the script side of event sounds. A Sound made with a clip (or a path) controls that
// clip's volume and channel mix, shared with every other Sound made for the same clip; one made
// without controls the movie's. The target is kept as a path and looked up again at every call
// (relative to the running code's target), so a Sound whose clip was removed or renamed reads
// undefined and ignores writes until a clip of that path exists again, and then sees that
// clip's own settings.
//
// Numbers: setVolume and setPan truncate to 32 bits the way the machine converts doubles to
// integers (NaN and anything out of range become -2^31), a missing argument counting as 0.
// setTransform wraps the own ll, lr, rl, rr properties of its argument to 32 bits (NaN is 0)
// and leaves the others as they were.
#include <chrono>
#include <cmath>

#include "swf/avm1/builtins.h"
#include "swf/avm1/clip.h"
#include "swf/avm1/convert.h"
#include "swf/avm1/interpreter.h"
#include "swf/avm1/runtime.h"
#include "swf/avm1/sound.h"

namespace swf::avm1 {

int32_t SoundTransform::pan() const {
    const int64_t v = ll != 100 ? 100 - std::llabs(ll) : std::llabs(rr) - 100;
    return int32_t(uint32_t(uint64_t(v)));
}

void SoundTransform::set_pan(int32_t p) {
    // Wrapping arithmetic, as the original's 32-bit sums.
    if (p >= 0) {
        ll = int32_t(uint32_t(100) - uint32_t(p));
        rr = 100;
    } else {
        ll = 100;
        rr = int32_t(uint32_t(100) + uint32_t(p));
    }
    lr = rl = 0;
}

void SoundState::trace(Tracer& t) {
    NativeData::trace(t);
    t.mark_str(owner);
}

void SoundHub::trace(Tracer& t) {
    NativeData::trace(t);
    for (Object* o : playing) t.mark(o);
}

SoundHub* sound_hub(Vm& vm) {
    for (const Value& v : vm.roots)
        if (auto* hub = dynamic_cast<SoundHub*>(v.object())) return hub;
    return nullptr;
}

ClipObject* sound_owner(Vm& vm, const SoundState& s) {
    if (!s.owner) return nullptr;
    Object* base = current_target(vm);
    if (!base || !clip_alive(base)) base = clip_level(vm, 0);
    if (!base) return nullptr;
    Object* o = resolve_clip_path(vm, base, s.owner->text, nullptr);
    if (!o || !is_display_object(o) || !clip_alive(o)) return nullptr;
    return static_cast<ClipObject*>(o);
}

SoundTransform* sound_transform(Vm& vm, const SoundState& s) {
    if (!s.owner) {
        SoundHub* hub = sound_hub(vm);
        return hub ? &hub->global : nullptr;
    }
    ClipObject* c = sound_owner(vm, s);
    return c ? &c->sound : nullptr;
}

namespace {

// Double to int32 the way the original's volume calls convert: truncation, with NaN and values
// out of range giving -2^31.
int32_t saturate_int32(double v) {
    if (std::isnan(v) || v >= 2147483648.0 || v <= -2147483649.0) return INT32_MIN;
    return int32_t(v);
}

SoundState* state_of(const Value& self) { return native_of<SoundState>(self); }

// Sound's methods all start here: the state and its transform, or null when either is missing.
SoundTransform* transform_of(Vm& vm, const Value& self) {
    SoundState* s = state_of(self);
    return s ? sound_transform(vm, *s) : nullptr;
}

Value sound_ctor(Vm& vm, Value self, const Args& args) {
    SoundState* s = native_attach<SoundState>(vm, self);
    if (!s) return Value();
    if (args.size() >= 1 && !args[0].is_nullish()) {
        // Clips give their path; anything else its string (its toString runs once, here).
        Str* path = vm.to_string(args[0]);
        if (vm.throwing) return Value();
        s->owner = path;
    }
    return Value();
}

Value sound_get_volume(Vm& vm, Value self, const Args&) {
    SoundTransform* t = transform_of(vm, self);
    return t ? Value(double(t->volume)) : Value();
}

Value sound_set_volume(Vm& vm, Value self, const Args& args) {
    SoundTransform* t = transform_of(vm, self);
    if (!t) return Value();
    const int32_t v = args.size() ? saturate_int32(vm.to_number(args[0])) : 0;
    if (vm.throwing) return Value();
    if ((t = transform_of(vm, self))) t->volume = v;
    return Value();
}

Value sound_get_pan(Vm& vm, Value self, const Args&) {
    SoundTransform* t = transform_of(vm, self);
    return t ? Value(double(t->pan())) : Value();
}

Value sound_set_pan(Vm& vm, Value self, const Args& args) {
    SoundTransform* t = transform_of(vm, self);
    if (!t) return Value();
    const int32_t p = args.size() ? saturate_int32(vm.to_number(args[0])) : 0;
    if (vm.throwing) return Value();
    if ((t = transform_of(vm, self))) t->set_pan(p);
    return Value();
}

Value sound_get_transform(Vm& vm, Value self, const Args&) {
    SoundTransform* t = transform_of(vm, self);
    if (!t) return Value();
    const SoundTransform copy = *t;
    Object* o = vm.new_object();
    vm.set(o, vm.intern("ll"), double(copy.ll));
    vm.set(o, vm.intern("lr"), double(copy.lr));
    vm.set(o, vm.intern("rl"), double(copy.rl));
    vm.set(o, vm.intern("rr"), double(copy.rr));
    return o;
}

Value sound_set_transform(Vm& vm, Value self, const Args& args) {
    Object* from = args[0].object();
    if (!from || !transform_of(vm, self)) return Value();
    const struct {
        const char* name;
        int32_t SoundTransform::*field;
    } fields[] = {{"ll", &SoundTransform::ll}, {"lr", &SoundTransform::lr},
                  {"rl", &SoundTransform::rl}, {"rr", &SoundTransform::rr}};
    for (const auto& f : fields) {
        Str* key = vm.intern(f.name);
        if (!from->find_own(key, vm.case_sensitive())) continue;
        const double v = vm.to_number(vm.get(from, key));
        if (vm.throwing) return Value();
        // Looked up again: the getter or valueOf may have moved the clip.
        if (SoundTransform* t = transform_of(vm, self)) t->*f.field = to_int32(v);
    }
    return Value();
}

// The exported DefineSound called `name`, looked up in the movie of the Sound's clip (the root
// movie for a movie-wide Sound).
const SoundDef* find_exported_sound(Vm& vm, const SoundState& s, const std::string& name, uint16_t& id) {
    Object* o = s.owner ? sound_owner(vm, s) : clip_level(vm, 0);
    auto* c = o && is_display_object(o) ? static_cast<ClipObject*>(o) : nullptr;
    Clip* clip = c ? (c->clip ? c->clip : (c->inst ? c->inst->parent : nullptr)) : nullptr;
    if (!clip) return nullptr;
    const Movie& movie = clip->movie();
    const bool cs = vm.case_sensitive();
    for (const auto& [export_name, cid] : movie.exports) {
        if (cs ? export_name != name : fold_case(export_name) != fold_case(name)) continue;
        const Character* ch = movie.find(cid);
        if (!ch || ch->kind != CharKind::Sound) continue;
        id = cid;
        return static_cast<const SoundDef*>(ch);
    }
    return nullptr;
}

Value sound_attach(Vm& vm, Value self, const Args& args) {
    SoundState* s = state_of(self);
    if (!s || args.size() < 1) return Value();
    const std::string name = vm.to_std_string(args[0]);
    if (vm.throwing) return Value();
    uint16_t id = 0;
    if (const SoundDef* def = find_exported_sound(vm, *s, name, id)) {
        s->def = def;
        s->sound_id = id;
        s->position_ms = 0;
    }
    return Value();
}

// The serial of the clip whose transform a Sound's voices follow (0: the movie's).
uint64_t owner_serial(Vm& vm, const SoundState& s) {
    ClipObject* c = s.owner ? sound_owner(vm, s) : nullptr;
    return c && c->clip ? c->clip->serial() : 0;
}

void set_playing(Vm& vm, Object* sound, SoundState& s, bool on) {
    s.playing = on;
    SoundHub* hub = sound_hub(vm);
    if (!hub) return;
    auto& list = hub->playing;
    std::erase(list, sound);
    if (on) list.push_back(sound);
}

Value sound_start(Vm& vm, Value self, const Args& args) {
    SoundState* s = state_of(self);
    if (!s || !s->def) return Value();
    double offset = args.size() >= 1 ? vm.to_number(args[0]) : 0;
    double loops = args.size() >= 2 ? vm.to_number(args[1]) : 1;
    if (vm.throwing) return Value();
    s->start_offset = std::isfinite(offset) && offset > 0 ? offset : 0;
    s->loops = std::isfinite(loops) && loops >= 1 ? int(std::min(loops, 32767.0)) : 1;
    set_playing(vm, self.o, *s, true);
    SoundHub* hub = sound_hub(vm);
    if (hub && hub->output) s->voice = hub->output->start(*s->def, s->start_offset, s->loops, owner_serial(vm, *s));
    return Value();
}

// stop(name) stops every playing Sound of that exported sound; stop() every Sound of the same
// clip, or with the movie-wide Sound every sound at all.
Value sound_stop(Vm& vm, Value self, const Args& args) {
    SoundState* s = state_of(self);
    SoundHub* hub = sound_hub(vm);
    if (!s || !hub) return Value();
    uint16_t id = 0;
    const SoundDef* def = nullptr;
    const bool by_name = args.size() > 0 && !args[0].is_undefined();
    if (by_name) {
        const std::string name = vm.to_std_string(args[0]);
        if (vm.throwing || !(def = find_exported_sound(vm, *s, name, id))) return Value();
    } else if (!s->owner) {
        ++hub->stop_all;
    }
    ClipObject* owner = s->owner ? sound_owner(vm, *s) : nullptr;
    if (!by_name && s->owner && !owner) return Value();
    if (hub->output) {
        if (def)
            hub->output->stop_sound(*def);
        else if (owner)
            hub->output->stop_owner(owner->clip ? owner->clip->serial() : 0);
        else
            hub->output->stop_all();
    }
    std::vector<Object*> list = hub->playing;
    for (Object* o : list) {
        SoundState* other = native_of<SoundState>(Value(o));
        if (!other) continue;
        const bool match = by_name ? other->sound_id == id : !owner || sound_owner(vm, *other) == owner;
        if (match) set_playing(vm, o, *other, false);
    }
    return Value();
}

// The handler runs as an event between frames would: an exception it throws ends up in the log.
void sound_complete(Vm& vm, Object* sound) {
    const Value fn = vm.get(sound, vm.intern("onSoundComplete"));
    if (!fn.is_object() || fn.o->kind != ObjKind::Function) return;
    vm.started = std::chrono::steady_clock::now();
    vm.call(fn, Value(sound), nullptr, 0);
    if (vm.throwing) {
        vm.host.trace("Warning: Uncaught exception, " + vm.trace_string(vm.exception));
        vm.throwing = false;
        vm.exception = Value();
    }
    vm.aborting = false;
}

}  // namespace

void stop_all_sounds(Vm& vm) {
    SoundHub* hub = sound_hub(vm);
    if (!hub) return;
    std::vector<Object*> list = hub->playing;
    for (Object* o : list)
        if (SoundState* s = native_of<SoundState>(Value(o))) set_playing(vm, o, *s, false);
    if (hub->output) hub->output->stop_all();
}

bool update_sounds(Vm& vm) {
    SoundHub* hub = sound_hub(vm);
    if (!hub || !hub->output) return false;
    std::vector<Object*> ended;
    for (Object* o : hub->playing) {
        SoundState* s = native_of<SoundState>(Value(o));
        if (!s) continue;
        double ms = 0;
        if (hub->output->position(s->voice, ms)) {
            s->position_ms = ms;
        } else {
            ended.push_back(o);
        }
    }
    if (ended.empty()) return false;
    // The handlers may start, stop or drop any Sound, so each is taken off the list first and
    // no collection runs until they are done.
    vm.new_tick();
    ++vm.native_depth;
    for (Object* o : ended) {
        SoundState* s = native_of<SoundState>(Value(o));
        if (!s || !s->playing) continue;
        if (s->def) s->position_ms = s->def->duration_ms();
        set_playing(vm, o, *s, false);
    }
    for (Object* o : ended) sound_complete(vm, o);
    --vm.native_depth;
    return true;
}

namespace {

// Duration and position exist once a sound is attached and the Sound's clip is there.
Value sound_get_duration(Vm& vm, Value self, const Args&) {
    SoundState* s = state_of(self);
    if (!s || !s->def || (s->owner && !sound_owner(vm, *s))) return Value();
    return s->def->duration_ms();
}

Value sound_get_position(Vm& vm, Value self, const Args&) {
    SoundState* s = state_of(self);
    if (!s || !s->def || (s->owner && !sound_owner(vm, *s))) return Value();
    return std::round(s->position_ms);
}

// `duration` and `position` are read through the prototype; a write puts a plain property on
// the object itself, which hides them until it is deleted.
Value shadow_setter(Vm& vm, Value self, const Args& args, const char* name) {
    if (Object* o = self.object()) o->put(vm.intern(name), args[0], 0, vm.case_sensitive());
    return Value();
}
Value sound_set_duration_prop(Vm& vm, Value self, const Args& args) {
    return shadow_setter(vm, self, args, "duration");
}
Value sound_set_position_prop(Vm& vm, Value self, const Args& args) {
    return shadow_setter(vm, self, args, "position");
}

Value sound_load(Vm& vm, Value self, const Args& args) {
    SoundState* s = state_of(self);
    if (!s || args.size() < 1) return Value();
    s->load_url = vm.to_std_string(args[0]);
    s->streaming = vm.to_boolean(args[1]);
    if (Runtime* rt = vm.runtime) rt->load_sound(self.object(), s->load_url);
    return Value();
}

// The loaded file's size for both (it arrives whole); undefined for a Sound that never loaded.
Value sound_bytes(Vm&, Value self, const Args&) {
    SoundState* s = state_of(self);
    return s && s->bytes_total >= 0 ? Value(s->bytes_total) : Value();
}

// Present on the prototype from SWF6 on, without an effect on embedded sounds.
Value sound_ignore(Vm&, Value, const Args&) { return Value(); }

}  // namespace

void install_sound(Vm& vm) {
    auto* hub = vm.heap.make<SoundHub>();
    vm.roots.push_back(Value(static_cast<Object*>(hub)));

    Object* proto = vm.new_object();
    vm.make_class("Sound", sound_ctor, proto);
    constexpr uint16_t kMethod = DontEnum | DontDelete | ReadOnly;
    constexpr uint16_t kLater = kMethod | HideFrom5;
    const struct {
        const char* name;
        NativeFn fn;
        uint16_t flags;
    } methods[] = {
        {"getPan", sound_get_pan, kMethod},
        {"getTransform", sound_get_transform, kMethod},
        {"getVolume", sound_get_volume, kMethod},
        {"setPan", sound_set_pan, kMethod},
        {"setTransform", sound_set_transform, kMethod},
        {"setVolume", sound_set_volume, kMethod},
        {"stop", sound_stop, kMethod},
        {"attachSound", sound_attach, kMethod},
        {"start", sound_start, kMethod},
        {"getDuration", sound_get_duration, kLater},
        {"setDuration", sound_ignore, kLater},
        {"getPosition", sound_get_position, kLater},
        {"setPosition", sound_ignore, kLater},
        {"loadSound", sound_load, kLater},
        {"getBytesLoaded", sound_bytes, kLater},
        {"getBytesTotal", sound_bytes, kLater},
    };
    for (const auto& m : methods) vm.define_method(proto, m.name, m.fn, m.flags);
    define_accessor(vm, proto, "duration", sound_get_duration, sound_set_duration_prop, DontEnum | DontDelete | HideFrom5);
    define_accessor(vm, proto, "position", sound_get_position, sound_set_position_prop, DontEnum | DontDelete | HideFrom5);
}

}  // namespace swf::avm1
