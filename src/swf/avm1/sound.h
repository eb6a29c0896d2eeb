// What the Sound objects of a movie ask for, kept where the mixer reads it: the volume and
// channel mix of each clip (ClipObject::sound) and of the whole movie (SoundHub::global), and
// per Sound object the attached sound, whether it was started, from where and how often.
// Nothing here plays audio: Sounds start and stop voices through the hub's SoundOutput (the
// player's mixer), and after each frame update_sounds() takes their positions from it and calls
// onSoundComplete.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "swf/avm1/native_data.h"

namespace swf {
struct SoundDef;
}

namespace swf::avm1 {

class ClipObject;

// Volume and the four channel weights, in percent. Every Sound made for the same clip shares
// its clip's transform; Sounds made without a clip share the movie's.
struct SoundTransform {
    int32_t volume = 100;
    int32_t ll = 100, lr = 0, rl = 0, rr = 100;  // left to left, left to right, ...

    // The pan getPan reports: from the left weight unless that is at 100, else from the right.
    int32_t pan() const;
    // setPan: one side is turned down by the amount, the other kept at 100.
    void set_pan(int32_t p);
};

// Where Sound objects play: the player's mixer. `owner` is the serial of the clip whose
// transform applies (0: the movie's). Without one (a machine with no player) Sounds keep their
// state and nothing plays.
class SoundOutput {
public:
    virtual ~SoundOutput() = default;
    // Starts `def` `offset` seconds in, `loops` times; the voice, or 0 when nothing started.
    virtual uint32_t start(const SoundDef& def, double offset, int loops, uint64_t owner) = 0;
    virtual void stop_sound(const SoundDef& def) = 0;  // every voice of it, timelines' too
    virtual void stop_owner(uint64_t owner) = 0;
    virtual void stop_all() = 0;
    // Milliseconds into its sound a voice plays; false once it ended or was stopped.
    virtual bool position(uint32_t voice, double& ms) = 0;
};

// The state of one Sound object (its hidden native part).
class SoundState final : public NativeData {
public:
    Str* owner = nullptr;  // target path, resolved at each call; null: the movie's sound
    const SoundDef* def = nullptr;  // attached by attachSound
    uint16_t sound_id = 0;
    bool playing = false;      // start() called and not stopped since
    double start_offset = 0;   // seconds into the sound, from start()
    int loops = 1;
    double position_ms = 0;    // how far playback got; the mixer moves it
    uint32_t voice = 0;        // what the output plays for the last start()
    std::string load_url;      // loadSound's request
    bool streaming = false;    // loadSound's: play as soon as it arrived
    double bytes_total = -1;   // the loaded file's size; -1 until one arrived

    void trace(Tracer& t) override;
};

// One per machine: the movie-wide transform and the Sound objects that are playing.
class SoundHub final : public NativeData {
public:
    SoundTransform global;
    std::vector<Object*> playing;  // the Sound objects (scripts' own) with state->playing
    int stop_all = 0;  // counts stop() calls on movie-wide Sounds: timeline sounds end too
    SoundOutput* output = nullptr;

    void trace(Tracer& t) override;
};

SoundHub* sound_hub(Vm& vm);
// The clip a Sound object controls now (its path resolved from the running code's target), or
// null when it has none or the path leads nowhere.
ClipObject* sound_owner(Vm& vm, const SoundState& s);
// The transform a Sound object's volume calls change, or null when its clip is gone.
SoundTransform* sound_transform(Vm& vm, const SoundState& s);
// stopAllSounds: every sound stops and no Sound object plays any more.
void stop_all_sounds(Vm& vm);
// After a frame: playing Sounds take their positions from the output; those whose sound ended
// stop and get onSoundComplete. True when a handler ran (what it queued is still to run).
bool update_sounds(Vm& vm);

}  // namespace swf::avm1
