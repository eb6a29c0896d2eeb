#include "swf/sound/movie_audio.h"

#include "swf/avm1/clip.h"

namespace swf::sound {

namespace {

// A sound of the movie by id or, for StartSound2, by the name it was exported under.
const SoundDef* find_sound(const Movie& movie, uint16_t id, const std::string& name) {
    if (!name.empty()) {
        auto it = movie.exports.find(name);
        if (it == movie.exports.end()) return nullptr;
        id = it->second;
    }
    const Character* c = movie.find(id);
    return c && c->kind == CharKind::Sound ? static_cast<const SoundDef*>(c) : nullptr;
}

// The DefineButtonSound slot of a transition (DefineButton2 condition bits), or -1.
int button_sound_slot(uint16_t transition) {
    switch (transition) {
    case 0x2: return int(ButtonSoundSlot::OverToIdle);
    case 0x1: return int(ButtonSoundSlot::IdleToOver);
    case 0x4: return int(ButtonSoundSlot::OverToDown);
    case 0x8: return int(ButtonSoundSlot::DownToOver);
    default: return -1;
    }
}

}  // namespace

Levels levels_of(const avm1::SoundTransform& t) {
    return Levels::from_percent(t.volume, t.ll, t.lr, t.rl, t.rr);
}

void MovieAudio::start_sound(Clip& clip, const SoundStart& start) {
    if (const SoundDef* def = find_sound(clip.movie(), start.sound, start.class_name))
        mixer_.play(*def, start.info, clip.serial());
}

uint32_t MovieAudio::start(const SoundDef& def, double offset, int loops, uint64_t owner) {
    return mixer_.play_from(def, offset, loops, owner);
}

void MovieAudio::button_transition(const ButtonDef& def, const Movie& movie, uint16_t transition, uint64_t owner) {
    const int slot = button_sound_slot(transition);
    if (slot < 0 || !def.sounds[slot].sound) return;
    if (const SoundDef* sound = find_sound(movie, def.sounds[slot].sound, {}))
        mixer_.play(*sound, def.sounds[slot].info, owner);
}

void MovieAudio::frame_shown(const avm1::SoundTransform* global) {
    follow_streams();
    if (global) mixer_.set_global_levels(levels_of(*global));
    refresh_levels();
}

// Each timeline with a stream gives the block of the frame it shows now. A playhead that moved
// on by one continues the stream; one that jumped (a goto, or the loop back to the start)
// restarts it at the new frame's block; a stopped or removed timeline stops it.
void MovieAudio::follow_streams() {
    for (const auto& [serial, clip] : world_.clips) {
        const Timeline* tl = clip->timeline();
        if (!tl || !tl->stream || clip->removed()) continue;
        StreamPlayhead& ph = streams_[serial];
        const int frame = clip->current_frame();
        if (!clip->playing()) {
            if (ph.active) mixer_.stream_stop(serial);
            ph = {frame, false};
            continue;
        }
        if (frame == ph.frame || frame < 0 || frame >= int(tl->frames.size())) continue;
        if (ph.active && frame != ph.frame + 1) mixer_.stream_jump(serial);
        ph.frame = frame;
        const std::vector<uint8_t>& block = tl->frames[size_t(frame)].stream_block;
        if (block.empty()) continue;
        mixer_.stream_block(serial, *tl->stream, block.data(), block.size(), serial);
        ph.active = true;
    }
    for (auto it = streams_.begin(); it != streams_.end();) {
        auto c = world_.clips.find(it->first);
        if (c != world_.clips.end() && !c->second->removed()) {
            ++it;
            continue;
        }
        if (it->second.active) mixer_.stream_stop(it->first);
        it = streams_.erase(it);
    }
}

// A voice's clip may have gone; its levels then stay as they were last.
void MovieAudio::refresh_levels() {
    for (uint64_t owner : mixer_.owners())
        if (world_.clips.count(owner)) mixer_.set_levels(owner, clip_levels(owner));
}

// The clip's transform, then each parent's in turn.
Levels MovieAudio::clip_levels(uint64_t serial) const {
    Levels out;
    auto it = world_.clips.find(serial);
    const Clip* c = it == world_.clips.end() ? nullptr : it->second;
    for (int n = 0; c && n <= kMaxNesting; ++n, c = c->parent()) {
        avm1::Object* o = c->object;
        if (!avm1::is_display_object(o)) continue;
        out = levels_of(static_cast<const avm1::ClipObject*>(o)->sound).after(out);
    }
    return out;
}

}  // namespace swf::sound
