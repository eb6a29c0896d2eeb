// The mixer's voices, how each one reads its next frame (event sounds: range, loops, envelope;
// streams: the queue and what it owes), the fades, and the sum with saturation.
#include "swf/sound/mixer.h"

#include <algorithm>
#include <cmath>

namespace swf::sound {

// ---------------------------------------------------------------------------------------------
// Levels and formats
// ---------------------------------------------------------------------------------------------
Levels Levels::after(const Levels& inner) const {
    Levels out;
    out.ll = inner.ll * ll + inner.lr * rl;
    out.lr = inner.ll * lr + inner.lr * rr;
    out.rl = inner.rl * ll + inner.rr * rl;
    out.rr = inner.rl * lr + inner.rr * rr;
    return out;
}

Levels Levels::from_percent(double volume, double ll, double lr, double rl, double rr) {
    const double g = volume / 10000.0;
    return {float(ll * g), float(lr * g), float(rl * g), float(rr * g)};
}

Format format_of(const SoundDef& def) {
    return {Codec(def.format), def.rate_code, def.sixteen_bit, def.stereo};
}

Format format_of(const StreamHead& head) {
    return {Codec(head.format), head.rate_code, head.sixteen_bit, head.stereo};
}

// ---------------------------------------------------------------------------------------------
// Voices
// ---------------------------------------------------------------------------------------------
struct Mixer::Voice {
    VoiceId id = 0;
    uint64_t owner = 0;
    const SoundDef* sound = nullptr;  // which sound, for SyncStop and NoMultiple; never read
    bool stopped = false;  // fading out; no longer playing as far as anyone asks
    bool done = false;     // to be removed
    int fade_out = kRampFrames;
    int fade_in = 0;  // frames of the fade-in still to play

    // An event sound: `pos` runs through [begin, end) of the 44.1 kHz samples, `loops` times.
    std::shared_ptr<const Pcm> pcm;
    size_t pos = 0, begin = 0, end = 0;
    int loops_left = 1;
    std::vector<EnvelopePoint> envelope;
    uint64_t env_pos = 0;  // 44.1 kHz samples from the sound's start, counting on across loops
    size_t env_next = 0;   // the first envelope point after env_pos

    // A stream: 44.1 kHz samples queued by the player, played from `read`.
    bool stream = false;
    int channels = 1;
    std::vector<int16_t> queue;
    size_t read = 0;
    int64_t owed = 0;  // frames played as silence while the queue was empty
    size_t lead = 0;        // the silence it started with: what it keeps in hand when in step
    size_t last_block = 0;  // frames of the block given last

    size_t queued_frames() const { return (queue.size() - read) / size_t(channels); }
};

namespace {

using Voice = Mixer::Voice;

// The next frame of an event sound, as left and right input; false once the last loop ended.
bool next_event_frame(Voice& v, float& l, float& r) {
    if (v.pos >= v.end) {
        if (v.loops_left <= 1) return false;
        --v.loops_left;
        v.pos = v.begin;
    }
    const size_t ch = size_t(v.pcm->channels);
    const int16_t* s = v.pcm->samples.data() + v.pos * ch;
    l = s[0];
    r = ch == 2 ? s[1] : s[0];
    ++v.pos;
    return true;
}

// The next frame of a stream. An empty queue plays silence and remembers the debt, so that the
// stream stays in time with its timeline; a stopped stream ends there instead.
bool next_stream_frame(Voice& v, float& l, float& r) {
    if (v.queued_frames() == 0) {
        if (v.stopped) return false;
        ++v.owed;
        l = r = 0;
        return true;
    }
    const int16_t* s = v.queue.data() + v.read;
    l = s[0];
    r = v.channels == 2 ? s[1] : s[0];
    v.read += size_t(v.channels);
    return true;
}

// The envelope's left and right gains at the voice's position: straight lines between points,
// the first and last levels held before and after them.
void envelope_gains(Voice& v, float& gl, float& gr) {
    const std::vector<EnvelopePoint>& e = v.envelope;
    while (v.env_next < e.size() && e[v.env_next].pos44 <= v.env_pos) ++v.env_next;
    if (v.env_next == 0 || v.env_next == e.size()) {
        const EnvelopePoint& p = e[v.env_next == 0 ? 0 : e.size() - 1];
        gl = p.left / 32768.0f;
        gr = p.right / 32768.0f;
        return;
    }
    const EnvelopePoint& a = e[v.env_next - 1];
    const EnvelopePoint& b = e[v.env_next];
    const float t = float(v.env_pos - a.pos44) / float(b.pos44 - a.pos44);
    gl = (a.left + (float(b.left) - a.left) * t) / 32768.0f;
    gr = (a.right + (float(b.right) - a.right) * t) / 32768.0f;
}

// Fades the last frames of what a stream has queued down to silence (the sound before a jump).
void fade_queue_tail(Voice& v) {
    const size_t n = std::min<size_t>(kRampFrames, v.queued_frames());
    const size_t ch = size_t(v.channels);
    int16_t* tail = v.queue.data() + v.queue.size() - n * ch;
    for (size_t q = 0; q < n; ++q)
        for (size_t c = 0; c < ch; ++c) tail[q * ch + c] = int16_t(tail[q * ch + c] * float(n - 1 - q) / float(n));
}

// How many output frames a codec's output may run ahead or behind its blocks: what one of its
// packets holds (an MP3 frame may straddle two blocks).
size_t codec_granularity(const Format& f) {
    size_t samples = 0;
    switch (f.codec) {
    case Codec::Mp3: samples = f.rate() >= 32000 ? 1152 : 576; break;
    case Codec::Nelly16k:
    case Codec::Nelly8k:
    case Codec::Nelly: samples = 256; break;
    case Codec::Speex: samples = 320; break;
    default: return 0;
    }
    return samples * kOutputRate / size_t(f.rate());
}

void stop(Voice& v) {
    if (v.stopped) return;
    v.stopped = true;
    v.fade_out = kRampFrames;
}

}  // namespace

// What the player keeps per stream: the decoder with its state between blocks, the rate
// conversion, and the fade-in still owed to the next samples.
struct Mixer::Feed {
    StreamHead head;
    std::unique_ptr<StreamDecoder> decoder;
    Resampler resampler;
    VoiceId voice = 0;
    int fade_in = 0;

    explicit Feed(const StreamHead& h)
        : head(h), decoder(make_stream_decoder(format_of(h))),
          resampler(format_of(h).rate(), format_of(h).channels()) {}
};

Mixer::Mixer() = default;
Mixer::~Mixer() = default;

// ---------------------------------------------------------------------------------------------
// Event sounds
// ---------------------------------------------------------------------------------------------
// The sound at 44.1 kHz, decoded on first use. A sound that fails to decode is remembered as
// empty, so that its reason is reported once.
std::shared_ptr<const Pcm> Mixer::decoded(const SoundDef& def) {
    if (auto it = cache_.find(&def); it != cache_.end()) return it->second;
    auto out = std::make_shared<Pcm>();
    out->rate = kOutputRate;
    auto pcm = decode_sound(format_of(def), def.data.data(), def.data.size(), def.sample_count);
    if (!pcm) {
        if (on_error_) on_error_("sound " + std::to_string(def.id) + ": " + pcm.error().reason);
    } else {
        const Pcm& in = pcm.value();
        out->channels = in.channels == 2 ? 2 : 1;
        const size_t frames = std::min(in.frames(), size_t(double(kMaxEventFrames) * in.rate / kOutputRate));
        Resampler rs(in.rate, out->channels);
        rs.push(in.samples.data(), frames, out->samples);
        rs.finish(out->samples);
    }
    cache_.emplace(&def, out);
    return out;
}

// Event voices playing or fading. When the limit is near, fading ones go at once: without
// rendering they would never leave.
size_t Mixer::event_voices() {
    auto events = [&] { return size_t(std::count_if(voices_.begin(), voices_.end(), [](const auto& v) { return !v->stream; })); };
    if (events() < kMaxVoices) return events();
    std::erase_if(voices_, [](const auto& v) { return v->stopped && !v->stream; });
    return events();
}

VoiceId Mixer::add_voice(std::unique_ptr<Voice> v) {
    std::lock_guard lock(mutex_);
    if (event_voices() >= kMaxVoices) return 0;
    v->id = next_id_++;
    if (next_id_ == 0) next_id_ = 1;
    const VoiceId id = v->id;
    voices_.push_back(std::move(v));
    return id;
}

VoiceId Mixer::play(const SoundDef& def, const SoundInfo& info, uint64_t owner) {
    if (info.sync_stop) {
        stop_sound(def);
        return 0;
    }
    if (info.no_multiple && sound_playing(def)) return 0;
    std::shared_ptr<const Pcm> pcm = decoded(def);
    const size_t frames = pcm->frames();
    auto v = std::make_unique<Voice>();
    v->begin = std::min<size_t>(info.in_point, frames);
    v->end = info.out_point ? std::min<size_t>(info.out_point, frames) : frames;
    if (v->begin >= v->end) return 0;
    v->pcm = std::move(pcm);
    v->sound = &def;
    v->owner = owner;
    v->pos = v->begin;
    v->loops_left = std::max<int>(1, info.loops);
    v->envelope = info.envelope;
    v->env_pos = v->begin;
    // Starting inside the sound would start on a step.
    if (v->begin > 0) v->fade_in = kRampFrames;
    return add_voice(std::move(v));
}

VoiceId Mixer::play_from(const SoundDef& def, double offset_seconds, int loops, uint64_t owner) {
    SoundInfo info;
    const double at = std::isfinite(offset_seconds) && offset_seconds > 0 ? offset_seconds * kOutputRate : 0;
    info.in_point = uint32_t(std::min(at, 4294967295.0));
    info.loops = uint16_t(std::clamp(loops, 1, 65535));
    return play(def, info, owner);
}

void Mixer::stop_voice(VoiceId id) {
    std::lock_guard lock(mutex_);
    for (auto& v : voices_)
        if (v->id == id) stop(*v);
}

void Mixer::stop_sound(const SoundDef& def) {
    std::lock_guard lock(mutex_);
    for (auto& v : voices_)
        if (v->sound == &def) stop(*v);
}

void Mixer::stop_owner(uint64_t owner) {
    std::lock_guard lock(mutex_);
    for (auto& v : voices_)
        if (v->owner == owner && !v->stream) stop(*v);
}

void Mixer::stop_all() {
    std::lock_guard lock(mutex_);
    for (auto& v : voices_) stop(*v);
}

bool Mixer::position(VoiceId id, double& ms) const {
    std::lock_guard lock(mutex_);
    for (const auto& v : voices_) {
        if (v->id != id) continue;
        if (v->stopped || v->done || v->stream) return false;
        ms = double(v->pos) * 1000.0 / kOutputRate;
        return true;
    }
    return false;
}

bool Mixer::sound_playing(const SoundDef& def) const {
    std::lock_guard lock(mutex_);
    return std::any_of(voices_.begin(), voices_.end(),
                       [&](const auto& v) { return v->sound == &def && !v->stopped && !v->done; });
}

// ---------------------------------------------------------------------------------------------
// Streams
// ---------------------------------------------------------------------------------------------
void Mixer::stream_block(uint64_t key, const StreamHead& head, const uint8_t* data, size_t size, uint64_t owner) {
    std::unique_ptr<Feed>& feed = feeds_[key];
    if (!feed || feed->head.format != head.format || feed->head.rate_code != head.rate_code ||
        feed->head.stereo != head.stereo || feed->head.sixteen_bit != head.sixteen_bit) {
        feed = std::make_unique<Feed>(head);
        if (!feed->decoder && on_error_) on_error_("stream sound codec " + std::to_string(head.format) + " is not supported");
    }
    if (!feed->decoder) return;
    const Format format = format_of(head);
    Pcm pcm;
    pcm.channels = format.channels();
    pcm.rate = format.rate();
    feed->decoder->decode_block(data, size, pcm);
    std::vector<int16_t> out;
    feed->resampler.push(pcm.samples.data(), pcm.frames(), out);
    const size_t ch = size_t(feed->resampler.channels());
    for (size_t f = 0; f < out.size() / ch && feed->fade_in > 0; ++f, --feed->fade_in)
        for (size_t c = 0; c < ch; ++c)
            out[f * ch + c] = int16_t(out[f * ch + c] * float(kRampFrames - feed->fade_in) / kRampFrames);

    std::lock_guard lock(mutex_);
    Voice* v = nullptr;
    for (auto& each : voices_)
        if (each->id == feed->voice && each->stream && !each->stopped) v = each.get();
    if (!v) {
        auto fresh = std::make_unique<Voice>();
        fresh->stream = true;
        fresh->channels = int(ch);
        fresh->owner = owner;
        // The lead: silence ahead of the first block.
        fresh->lead = kStreamLead + codec_granularity(format_of(head)) + extra_lead_;
        fresh->queue.assign(fresh->lead * ch, 0);
        fresh->id = next_id_++;
        if (next_id_ == 0) next_id_ = 1;
        feed->voice = fresh->id;
        v = fresh.get();
        voices_.push_back(std::move(fresh));
    }
    // What was played as silence while waiting is skipped: those samples are late.
    const size_t frames = out.size() / ch;
    const size_t skip = std::min<size_t>(frames, size_t(v->owed));
    v->owed -= int64_t(skip);
    if (v->read > 65536 && v->read * 2 > v->queue.size()) {
        v->queue.erase(v->queue.begin(), v->queue.begin() + ptrdiff_t(v->read));
        v->read = 0;
    }
    v->queue.insert(v->queue.end(), out.begin() + ptrdiff_t(skip * ch), out.end());
    v->last_block = frames;
    if (v->queued_frames() > kMaxStreamQueue) v->read = v->queue.size() - kMaxStreamQueue * ch;
}

void Mixer::stream_jump(uint64_t key) {
    auto it = feeds_.find(key);
    if (it == feeds_.end()) return;
    Feed& feed = *it->second;
    if (feed.decoder) feed.decoder->reset();
    feed.resampler.reset();
    feed.fade_in = kRampFrames;
    std::lock_guard lock(mutex_);
    for (auto& v : voices_)
        if (v->id == feed.voice && !v->stopped) fade_queue_tail(*v);
}

void Mixer::stream_stop(uint64_t key) {
    auto it = feeds_.find(key);
    if (it == feeds_.end()) return;
    const VoiceId id = it->second->voice;
    feeds_.erase(it);
    std::lock_guard lock(mutex_);
    for (auto& v : voices_)
        if (v->id == id) {
            // What is queued goes too: the stream stops where it plays now.
            v->queue.resize(std::min(v->queue.size(), v->read + size_t(kRampFrames * v->channels)));
            stop(*v);
        }
}

int64_t Mixer::stream_lag() const {
    std::lock_guard lock(mutex_);
    bool any = false;
    int64_t lag = 0;
    for (const auto& v : voices_) {
        if (!v->stream || v->stopped) continue;
        const int64_t own = v->owed - int64_t(v->queued_frames());
        lag = any ? std::max(lag, own) : own;
        any = true;
    }
    return lag;
}

int64_t Mixer::stream_behind() const {
    std::lock_guard lock(mutex_);
    int64_t behind = 0;
    for (const auto& v : voices_) {
        if (!v->stream || v->stopped) continue;
        behind = std::max(behind, int64_t(v->lead + v->last_block) - int64_t(v->queued_frames()) + v->owed);
    }
    return behind;
}

// ---------------------------------------------------------------------------------------------
// Levels and output
// ---------------------------------------------------------------------------------------------
void Mixer::set_levels(uint64_t owner, const Levels& levels) {
    std::lock_guard lock(mutex_);
    if (levels == Levels{})
        levels_.erase(owner);
    else
        levels_[owner] = levels;
}

void Mixer::set_global_levels(const Levels& levels) {
    std::lock_guard lock(mutex_);
    global_ = levels;
}

std::vector<uint64_t> Mixer::owners() const {
    std::lock_guard lock(mutex_);
    std::vector<uint64_t> out;
    for (const auto& v : voices_)
        if (v->owner && std::find(out.begin(), out.end(), v->owner) == out.end()) out.push_back(v->owner);
    return out;
}

void Mixer::set_muted(bool muted) {
    std::lock_guard lock(mutex_);
    muted_ = muted;
}

void Mixer::reset() {
    {
        std::lock_guard lock(mutex_);
        voices_.clear();
        levels_.clear();
        global_ = {};
    }
    cache_.clear();
    feeds_.clear();
}

size_t Mixer::voice_count() const {
    std::lock_guard lock(mutex_);
    return voices_.size();
}

Levels Mixer::levels_for(uint64_t owner) const {
    auto it = levels_.find(owner);
    return it == levels_.end() ? global_ : global_.after(it->second);
}

void Mixer::mix_voice(Voice& v, const Levels& lv, float* acc, size_t frames) {
    for (size_t i = 0; i < frames; ++i) {
        float l = 0, r = 0;
        if (!(v.stream ? next_stream_frame(v, l, r) : next_event_frame(v, l, r))) {
            v.done = true;
            return;
        }
        float out_l = l * lv.ll + r * lv.rl;
        float out_r = l * lv.lr + r * lv.rr;
        if (!v.envelope.empty()) {
            float gl, gr;
            envelope_gains(v, gl, gr);
            out_l *= gl;
            out_r *= gr;
            ++v.env_pos;
        }
        float g = 1;
        if (v.fade_in > 0) g = float(kRampFrames - v.fade_in--) / kRampFrames;
        if (v.stopped) g *= float(v.fade_out--) / kRampFrames;
        acc[2 * i] += out_l * g;
        acc[2 * i + 1] += out_r * g;
        if (v.stopped && v.fade_out <= 0) {
            v.done = true;
            return;
        }
    }
}

void Mixer::render(int16_t* out, size_t frames) {
    std::lock_guard lock(mutex_);
    acc_.assign(frames * 2, 0.0f);
    for (auto& v : voices_)
        if (!v->done) mix_voice(*v, levels_for(v->owner), acc_.data(), frames);
    std::erase_if(voices_, [](const auto& v) { return v->done; });
    for (size_t i = 0; i < frames * 2; ++i) {
        // Sums past full scale hold there instead of wrapping round.
        const float s = muted_ ? 0.0f : std::clamp(acc_[i], -32768.0f, 32767.0f);
        out[i] = int16_t(std::lrint(s));
    }
    rendered_ += frames;
}

}  // namespace swf::sound
