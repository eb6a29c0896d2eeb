// The sound mixer: every voice that plays, summed into 44.1 kHz stereo 16-bit frames for the
// host's audio device.
//
// Event sounds are decoded and brought to 44.1 kHz once per DefineSound and shared by all their
// voices, so in and out points, envelopes and positions are plain sample counts. A stream voice
// belongs to one timeline instance and is fed a block per frame shown. It starts a little
// behind its timeline (kStreamLead, plus what the codec may hold back from block to block) so
// that blocks of slightly uneven length play without gaps, and it keeps count of what it played
// against what it was given, so that a timeline running late loses the late part of the sound
// instead of the sound falling behind for good.
//
// Threads: everything but render() and clock() is called from the player's thread; render()
// comes from the audio thread. A mutex guards the voices; decoding and rate conversion happen
// before it is taken.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

#include "swf/character.h"
#include "swf/sound/decode.h"
#include "swf/sound/resample.h"

namespace swf::sound {

// A voice's gains from its two input channels to the two outputs:
// left = in_left * ll + in_right * rl, right = in_left * lr + in_right * rr.
struct Levels {
    float ll = 1, lr = 0, rl = 0, rr = 1;

    // These gains applied after `inner`.
    Levels after(const Levels& inner) const;
    // A script's transform: volume and the four weights, all in percent.
    static Levels from_percent(double volume, double ll, double lr, double rl, double rr);
    bool operator==(const Levels&) const = default;
};

// How long starts cut into a sound and stops take to fade: 3 ms.
constexpr int kRampFrames = 132;
// How far a stream of uncompressed or ADPCM samples plays behind its timeline: 5.8 ms.
constexpr size_t kStreamLead = 256;
// Event sounds playing at once, as many as the original player allows; more do not start.
constexpr size_t kMaxVoices = 32;
// Bounds for what a movie can make the mixer hold when nobody takes the sound (a host without
// an audio device): a stream keeps its newest 5 seconds, an event sound its first 10 minutes.
constexpr size_t kMaxStreamQueue = 5 * 44100;
constexpr size_t kMaxEventFrames = 600 * 44100;

using VoiceId = uint32_t;

// The decoder's format for a DefineSound or a SoundStreamHead.
Format format_of(const SoundDef& def);
Format format_of(const StreamHead& head);

class Mixer {
public:
    Mixer();
    ~Mixer();
    Mixer(const Mixer&) = delete;
    Mixer& operator=(const Mixer&) = delete;

    // --- Event sounds -----------------------------------------------------------------------
    // Plays `def` as a timeline or button asks. `owner` names whose levels apply (0: only the
    // movie's). Returns the voice, or 0 when none starts: SyncStop (which stops the sound's
    // voices instead), SyncNoMultiple while it plays, an empty range or a sound that does not
    // decode.
    VoiceId play(const SoundDef& def, const SoundInfo& info, uint64_t owner = 0);
    // Sound.start: from `offset_seconds` in, `loops` times, each loop from the offset.
    VoiceId play_from(const SoundDef& def, double offset_seconds, int loops, uint64_t owner = 0);
    // Stops fade out over kRampFrames and leave at once as far as position() is concerned.
    void stop_voice(VoiceId id);
    void stop_sound(const SoundDef& def);
    void stop_owner(uint64_t owner);  // the owner's event sounds; streams end with their timeline
    void stop_all();                  // event sounds and whatever streams have queued
    // Milliseconds from the sound's start to where the voice plays now (within the current
    // loop). False once the voice finished or was stopped.
    bool position(VoiceId id, double& ms) const;
    bool sound_playing(const SoundDef& def) const;

    // --- Streams, one per timeline instance `key` ---------------------------------------------
    // The block of the frame just shown. The stream starts with its first block.
    void stream_block(uint64_t key, const StreamHead& head, const uint8_t* data, size_t size, uint64_t owner);
    // The timeline jumped: the next block does not follow. What is queued plays out, fading at
    // its end, and the next block fades in.
    void stream_jump(uint64_t key);
    void stream_stop(uint64_t key);
    // How many output frames the stream furthest behind has played past what it was given
    // (negative: the most any stream has in hand). 0 with no stream.
    int64_t stream_lag() const;
    // Right after a frame's blocks were given: how many output frames the stream furthest behind
    // has played past being in step (its lead and that block still in hand). 0 with no stream
    // or when none is behind.
    int64_t stream_behind() const;
    // Extra lead for new streams, for a host whose device takes sound in uneven bursts.
    void set_stream_lead(size_t frames) { extra_lead_ = frames; }

    // --- Levels and output ------------------------------------------------------------------
    void set_levels(uint64_t owner, const Levels& levels);
    void set_global_levels(const Levels& levels);
    // The owners of the voices playing (for the player to refresh their levels each frame).
    std::vector<uint64_t> owners() const;
    // Muted, voices go on and the output is silence.
    void set_muted(bool muted);
    // A new movie: every voice ends at once and decoded sounds are forgotten.
    void reset();
    // Reasons sounds could not be decoded, once per sound.
    void set_error_handler(std::function<void(const std::string&)> f) { on_error_ = std::move(f); }

    // --- Audio thread -----------------------------------------------------------------------
    // Interleaved stereo frames; the voices move on by `frames`.
    void render(int16_t* out, size_t frames);
    // Seconds of sound rendered since the mixer was made.
    double clock() const { return double(rendered_.load()) / kOutputRate; }

    // Voices alive, fading ones included (for tests and diagnostics).
    size_t voice_count() const;

    struct Voice;  // one playing sound (mixer.cpp)

private:
    struct Feed;

    std::shared_ptr<const Pcm> decoded(const SoundDef& def);
    VoiceId add_voice(std::unique_ptr<Voice> v);
    size_t event_voices();
    void mix_voice(Voice& v, const Levels& levels, float* acc, size_t frames);
    Levels levels_for(uint64_t owner) const;

    // Player thread only.
    std::unordered_map<const SoundDef*, std::shared_ptr<const Pcm>> cache_;
    std::unordered_map<uint64_t, std::unique_ptr<Feed>> feeds_;
    std::function<void(const std::string&)> on_error_;
    size_t extra_lead_ = 0;

    // Shared with the audio thread, under mutex_.
    mutable std::mutex mutex_;
    std::vector<std::unique_ptr<Voice>> voices_;
    std::unordered_map<uint64_t, Levels> levels_;
    Levels global_;
    std::vector<float> acc_;
    VoiceId next_id_ = 1;
    bool muted_ = false;
    std::atomic<uint64_t> rendered_{0};
};

}  // namespace swf::sound
