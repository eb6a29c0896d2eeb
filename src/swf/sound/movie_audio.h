// A playing movie's side of the mixer: the sound starts of the frames its timelines enter, the
// stream block of every frame they show, its buttons' transition sounds and its Sound objects.
// Every voice belongs to a clip (by serial) and plays under that clip's sound transform, its
// parents' and the movie's, refreshed once a frame.
#pragma once

#include <cstdint>
#include <unordered_map>

#include "swf/avm1/sound.h"
#include "swf/display.h"
#include "swf/sound/mixer.h"

namespace swf::sound {

class MovieAudio final : public FrameSounds, public avm1::SoundOutput {
public:
    MovieAudio(Mixer& mixer, World& world) : mixer_(mixer), world_(world) {}

    // FrameSounds
    void start_sound(Clip& clip, const SoundStart& start) override;

    // avm1::SoundOutput
    uint32_t start(const SoundDef& def, double offset, int loops, uint64_t owner) override;
    void stop_sound(const SoundDef& def) override { mixer_.stop_sound(def); }
    void stop_owner(uint64_t owner) override { mixer_.stop_owner(owner); }
    void stop_all() override { mixer_.stop_all(); }
    bool position(uint32_t voice, double& ms) override { return voice && mixer_.position(voice, ms); }

    // A button of `movie` changed state by `transition` (a DefineButton2 condition bit); the
    // four transitions DefineButtonSound covers play their sound.
    void button_transition(const ButtonDef& def, const Movie& movie, uint16_t transition, uint64_t owner);

    // After each frame: streams follow their timelines' playheads, voices their clips' current
    // transforms. `global` is the movie-wide transform (null: unchanged).
    void frame_shown(const avm1::SoundTransform* global);

private:
    // Where a streaming timeline was when its stream was last fed.
    struct StreamPlayhead {
        int frame = -1;
        bool active = false;  // a block was fed and the stream not stopped since
    };

    void follow_streams();
    void refresh_levels();
    Levels clip_levels(uint64_t serial) const;

    Mixer& mixer_;
    World& world_;
    std::unordered_map<uint64_t, StreamPlayhead> streams_;  // by clip serial
};

// The mixer's gains for a script's sound transform.
Levels levels_of(const avm1::SoundTransform& t);

}  // namespace swf::sound
