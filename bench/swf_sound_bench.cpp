// Figures for the sound mixer, printed, never asserted:
//  - mixing cost: 32 MP3 event sounds and one stream at once, as a share of one core (the MP3s
//    are encoded here with Debian's `lame`; without it the event sounds are uncompressed);
//  - audio/video drift after 10 minutes of a streaming movie, with a host whose frame timer runs
//    late as the Windows one does (15.6 ms granularity) and catches up as the control does;
//  - start latency from a StartSound frame to the first sample at the device, estimated from
//    the output buffer.
// Usage: swf_sound_bench [--minutes M]   (10 by default)
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <numbers>
#include <string>
#include <vector>

#include "swf/player.h"
#include "swf/sound/mixer.h"
#include "swf_writer.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kRate = 44100;
constexpr int kDeviceBufferMs = 80;  // what the Windows output keeps queued
constexpr int kDevicePeriodMs = 10;  // how often the device asks for more

std::vector<int16_t> chirp(int rate, double seconds) {
    std::vector<int16_t> out(size_t(rate * seconds));
    double phase = 0;
    for (size_t i = 0; i < out.size(); ++i) {
        phase += 2 * std::numbers::pi * (300 + 900.0 * double(i) / double(out.size())) / rate;
        out[i] = int16_t(12000 * std::sin(phase));
    }
    return out;
}

std::vector<uint8_t> le16(const std::vector<int16_t>& s) {
    std::vector<uint8_t> out;
    for (int16_t v : s) out.push_back(uint8_t(v)), out.push_back(uint8_t(uint16_t(v) >> 8));
    return out;
}

// One second of a chirp at 44.1 kHz mono, 128 kbit/s MP3 through `lame`; empty without it.
std::vector<uint8_t> encode_mp3(const std::vector<int16_t>& samples) {
    const std::string wav = "/tmp/plumora-sound-bench.wav", mp3 = "/tmp/plumora-sound-bench.mp3";
    std::vector<uint8_t> data = le16(samples);
    std::ofstream f(wav, std::ios::binary);
    auto put32 = [&](uint32_t v) { f.write(reinterpret_cast<const char*>(&v), 4); };
    auto put16 = [&](uint16_t v) { f.write(reinterpret_cast<const char*>(&v), 2); };
    f.write("RIFF", 4), put32(uint32_t(36 + data.size())), f.write("WAVEfmt ", 8), put32(16), put16(1), put16(1);
    put32(kRate), put32(kRate * 2), put16(2), put16(16), f.write("data", 4), put32(uint32_t(data.size()));
    f.write(reinterpret_cast<const char*>(data.data()), std::streamsize(data.size()));
    f.close();
    if (std::system(("lame --quiet -b 128 " + wav + " " + mp3 + " 2>/dev/null").c_str()) != 0) return {};
    std::ifstream in(mp3, std::ios::binary);
    std::vector<uint8_t> out{std::istreambuf_iterator<char>(in), {}};
    std::remove(wav.c_str()), std::remove(mp3.c_str());
    return out;
}

void mixing_cost() {
    const std::vector<int16_t> signal = chirp(kRate, 1.0);
    const std::vector<uint8_t> mp3 = encode_mp3(signal);
    swf::SoundDef def;
    def.rate_code = 3;
    def.sixteen_bit = true;
    def.sample_count = uint32_t(signal.size());
    if (mp3.empty()) {
        def.format = 3;
        def.data = le16(signal);
    } else {
        def.format = 2;
        def.data = {0, 0};  // SeekSamples
        def.data.insert(def.data.end(), mp3.begin(), mp3.end());
    }
    swf::sound::Mixer mixer;
    swf::StreamHead head;
    head.format = 3;
    head.rate_code = 2;
    head.sixteen_bit = true;
    head.samples_per_frame = 22050 / 24;
    const std::vector<uint8_t> block = le16(std::vector<int16_t>(22050 / 24, 1000));

    const auto decode_start = Clock::now();
    for (int i = 0; i < 32; ++i) mixer.play_from(def, 0.01 * i, 1000);
    const double decode_ms = std::chrono::duration<double, std::milli>(Clock::now() - decode_start).count();

    // Ten seconds of output in device periods, a stream block every frame (24 a second).
    const int seconds = 10, period = kRate * kDevicePeriodMs / 1000;
    std::vector<int16_t> out(size_t(period) * 2);
    double mixed = 0, next_frame = 0;
    const auto start = Clock::now();
    for (int done = 0; done < seconds * kRate; done += period) {
        while (next_frame <= done) {
            mixer.stream_block(1, head, block.data(), block.size(), 0);
            next_frame += double(kRate) / 24;
        }
        mixer.render(out.data(), size_t(period));
        mixed += period;
    }
    const double ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    std::printf("mixing: 32 %s event sounds + 1 stream, %zu voices: %.2f%% of one core (%.0f ms for %d s); "
                "decoding the sound once: %.1f ms\n",
                mp3.empty() ? "uncompressed (no lame)" : "MP3", mixer.voice_count(), 100 * ms / (mixed * 1000 / kRate),
                ms, seconds, decode_ms);
}

// A movie of `frames` frames at 24 fps streaming 5.5 kHz 8-bit mono sound, one block a frame.
std::vector<uint8_t> streaming_movie(int frames) {
    swftest::Movie m(64, 48);
    m.frame_rate(24);
    // 5512.5 samples a second: blocks of 229 and 230 samples, as authoring tools write them.
    const double per_frame = 5512.5 / 24;
    m.stream_head(3, 0, false, false, uint16_t(std::lround(per_frame)));
    for (int f = 0; f < frames; ++f) {
        std::vector<uint8_t> block;
        for (long i = std::lround(f * per_frame); i < std::lround((f + 1) * per_frame); ++i)
            block.push_back(uint8_t(128 + 60 * std::sin(2 * std::numbers::pi * double(i) / 25.0)));
        m.stream_block(block);
        m.show_frame();
    }
    return m.fws();
}

// The host: a frame timer asking for 42 ms but ticking on 15.625 ms boundaries (every 46.9 ms),
// catching up as the control does (at most 8 extra frames a tick), and a device taking sound
// every 10 ms. Drift is how far the frames shown are from the sound heard at the end.
void drift(int minutes) {
    const int frames = minutes * 60 * 24;
    const std::vector<uint8_t> bytes = streaming_movie(frames + 24);
    swf::Player player;
    if (!player.load(bytes.data(), bytes.size()).ok()) {
        std::printf("drift: the test movie did not load\n");
        return;
    }
    player.audio().set_stream_lead(size_t(kRate) * kDeviceBufferMs / 1000);
    const double tick_ms = std::ceil(1000.0 / 24 / 15.625) * 15.625;
    std::vector<int16_t> out(size_t(kRate) * kDevicePeriodMs / 1000 * 2);
    double now = 0, next_tick = 0, pulled_ms = 0, worst = 0;
    int shown = 1, extra = 0;
    const double end_ms = minutes * 60000.0;
    while (now < end_ms) {
        if (now >= next_tick) {
            player.advance();
            ++shown;
            for (int behind = std::min(player.stream_frames_due(), 8); behind > 0; --behind) {
                player.advance();
                ++shown, ++extra;
            }
            next_tick += tick_ms;
        }
        // The device keeps its buffer full: sound pulled runs kDeviceBufferMs ahead of `now`.
        while (pulled_ms < now + kDeviceBufferMs) {
            player.mix_audio(out.data(), out.size() / 2);
            pulled_ms += kDevicePeriodMs;
        }
        const double heard_ms = pulled_ms - kDeviceBufferMs;
        worst = std::max(worst, std::fabs(shown * 1000.0 / 24 - heard_ms));
        now += 1;
    }
    const double heard_ms = pulled_ms - kDeviceBufferMs;
    std::printf("drift: after %d min with a timer ticking every %.1f ms (not 41.7): frames %d (%d run to catch up), "
                "picture - sound %.1f ms at the end, worst %.1f ms\n",
                minutes, tick_ms, shown, extra, shown * 1000.0 / 24 - heard_ms, worst);
}

}  // namespace

int main(int argc, char** argv) {
    int minutes = 10;
    for (int i = 1; i + 1 < argc; ++i)
        if (std::strcmp(argv[i], "--minutes") == 0) minutes = std::max(1, std::atoi(argv[i + 1]));
    mixing_cost();
    drift(minutes);
    std::printf("start latency: a sound started in a frame is mixed in the device's next period and heard after "
                "the buffer: %d ms + up to %d ms\n",
                kDeviceBufferMs, kDevicePeriodMs);
    return 0;
}
