// The mixer on its own: rate conversion to 44.1 kHz, the lengths loops and in and out points
// give, envelopes, transforms, fades at cuts, saturation and its limits. SyncStop and
// SyncNoMultiple are tried through frames in sound_timeline_test.cpp.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <vector>

#include "swf/sound/mixer.h"

namespace {

using swf::SoundDef;
using swf::SoundInfo;
using swf::sound::kRampFrames;
using swf::sound::Levels;
using swf::sound::Mixer;

constexpr double kPi = 3.14159265358979323846;

// A raw little-endian 16-bit sound of `samples` (interleaved when stereo).
SoundDef raw_sound(int rate_code, const std::vector<int16_t>& samples, bool stereo = false) {
    SoundDef d;
    d.id = 1;
    d.format = 3;
    d.rate_code = uint8_t(rate_code);
    d.sixteen_bit = true;
    d.stereo = stereo;
    d.sample_count = uint32_t(samples.size() / (stereo ? 2 : 1));
    for (int16_t s : samples) d.data.push_back(uint8_t(s)), d.data.push_back(uint8_t(uint16_t(s) >> 8));
    return d;
}

SoundDef dc_sound(int16_t level, size_t n, int rate_code = 1) { return raw_sound(rate_code, std::vector<int16_t>(n, level)); }

std::vector<int16_t> sine(double rate, double freq, size_t n, double amp, double phase = 0.5) {
    std::vector<int16_t> out(n);
    for (size_t i = 0; i < n; ++i) out[i] = int16_t(std::lround(amp * std::sin(2 * kPi * freq * double(i) / rate + phase)));
    return out;
}

std::vector<int16_t> render(Mixer& m, size_t frames) {
    std::vector<int16_t> out(frames * 2);
    m.render(out.data(), frames);
    return out;
}

// How many frames the voices play: rendered until none is left.
size_t played_frames(Mixer& m) {
    size_t n = 0;
    while (m.voice_count() && n < 10'000'000) {
        render(m, 1);
        ++n;
    }
    return n - 1;  // the last render only found the end
}

// ---------------------------------------------------------------------------------------------
TEST(SoundMixer, EveryRateComesOutAt44kWithItsPitchAndLength) {
    struct Case {
        int rate_code;
        double rate;
        double tolerance;  // of the amplitude: the lower the rate, the coarser the curve
    } cases[] = {{0, 5512.5, 0.03}, {1, 11025, 0.01}, {2, 22050, 0.005}, {3, 44100, 0.001}};
    for (const Case& c : cases) {
        const size_t n = 2205;
        const double amp = 16000, freq = 441;
        SoundDef def = raw_sound(c.rate_code, sine(c.rate, freq, n, amp));
        Mixer m;
        ASSERT_NE(m.play(def, SoundInfo{}), 0u);
        const size_t want = size_t(std::ceil(double(n) * 44100 / c.rate));
        const std::vector<int16_t> out = render(m, want);
        EXPECT_EQ(m.voice_count(), 1u) << "rate " << c.rate << ": ended early";
        // Between the first and last few frames, the 44.1 kHz signal is the same sine.
        double worst = 0;
        for (size_t t = 16; t + 16 < want; ++t) {
            const double ideal = amp * std::sin(2 * kPi * freq * double(t) / 44100 + 0.5);
            worst = std::max(worst, std::abs(out[2 * t] - ideal));
            EXPECT_EQ(out[2 * t], out[2 * t + 1]);  // mono plays on both sides
        }
        EXPECT_LT(worst, c.tolerance * amp) << "rate " << c.rate;
        render(m, 1);
        EXPECT_EQ(m.voice_count(), 0u) << "rate " << c.rate << ": longer than " << want;
    }
}

TEST(SoundMixer, LoopsAndInAndOutPointsSetTheLength) {
    SoundDef def = dc_sound(1000, 1000);  // 11 kHz: 4000 frames at 44.1 kHz
    struct Case {
        int64_t in, out;
        int loops;
        size_t frames;
    } cases[] = {
        {0, 0, 1, 4000},      {0, 0, 3, 12000},       {1000, 3000, 1, 2000},
        {1000, 3000, 2, 4000}, {0, 99999, 1, 4000},   {0, 0, 0, 4000},  // no loops count as one
        {500, 0, 2, 7000},
    };
    for (const Case& c : cases) {
        Mixer m;
        SoundInfo info;
        info.in_point = uint32_t(c.in);
        info.out_point = uint32_t(c.out);
        info.loops = uint16_t(c.loops);
        ASSERT_NE(m.play(def, info), 0u);
        EXPECT_EQ(played_frames(m), c.frames) << c.in << ".." << c.out << " x" << c.loops;
    }
    // A range that is empty, or starts past the end, plays nothing.
    Mixer m;
    SoundInfo past;
    past.in_point = 5000;
    EXPECT_EQ(m.play(def, past), 0u);
    SoundInfo backwards;
    backwards.in_point = 300, backwards.out_point = 200;
    EXPECT_EQ(m.play(def, backwards), 0u);
    // Sound.start's offset works as an in point for every loop.
    ASSERT_NE(m.play_from(def, 0.05, 2), 0u);  // 2205 frames in: 1795 left, twice
    EXPECT_EQ(played_frames(m), 2u * 1795);
}

TEST(SoundMixer, EnvelopeScalesEachSideFromTheSoundsStart) {
    SoundDef def = dc_sound(16000, 11025);  // one second
    SoundInfo info;
    info.envelope = {{0, 32768, 0}, {44100, 0, 32768}};
    Mixer m;
    m.play(def, info);
    std::vector<int16_t> out = render(m, 44100);
    EXPECT_NEAR(out[0], 16000, 2);
    EXPECT_NEAR(out[1], 0, 2);
    EXPECT_NEAR(out[2 * 22050], 8000, 2);
    EXPECT_NEAR(out[2 * 22050 + 1], 8000, 2);
    EXPECT_NEAR(out[2 * 44099], 0, 2);
    EXPECT_NEAR(out[2 * 44099 + 1], 16000, 2);

    // Started halfway in, it is halfway along the envelope (after the fade-in).
    Mixer half;
    info.in_point = 22050;
    half.play(def, info);
    out = render(half, 1000);
    EXPECT_NEAR(out[2 * 500], 16000 * (1 - 22550.0 / 44100), 2);  // 500 frames further on
    EXPECT_NEAR(out[2 * 500 + 1], 16000 * 22550.0 / 44100, 2);
    // Past the last point the last levels hold; before the first, the first.
    Mixer late;
    info.in_point = 0;
    info.envelope = {{1000, 16384, 16384}, {2000, 32768, 32768}};
    late.play(def, info);
    out = render(late, 3000);
    EXPECT_NEAR(out[2 * 10], 8000, 2);
    EXPECT_NEAR(out[2 * 1500], 12000, 2);
    EXPECT_NEAR(out[2 * 2900], 16000, 2);
}

TEST(SoundMixer, SumsPastFullScaleSaturate) {
    SoundDef up = dc_sound(30000, 1000), down = dc_sound(-30000, 1000);
    up.id = 1, down.id = 2;
    Mixer m;
    m.play(up, SoundInfo{});
    m.play(up, SoundInfo{});
    std::vector<int16_t> out = render(m, 100);
    EXPECT_EQ(out[0], 32767);
    EXPECT_EQ(out[199], 32767);
    Mixer n;
    n.play(down, SoundInfo{});
    n.play(down, SoundInfo{});
    n.play(up, SoundInfo{});
    EXPECT_EQ(render(n, 10)[0], -30000);
    n.play(down, SoundInfo{});
    EXPECT_EQ(render(n, 10)[0], -32768);
}

TEST(SoundMixer, TransformsOfTheClipAndTheMovieMultiply) {
    // A stereo sound: left +8000, right -4000.
    std::vector<int16_t> lr;
    for (int i = 0; i < 1000; ++i) lr.push_back(8000), lr.push_back(-4000);
    SoundDef def = raw_sound(1, lr, true);
    struct Case {
        double volume, ll, lr, rl, rr;
        int16_t left, right;
    } cases[] = {
        {100, 100, 0, 0, 100, 8000, -4000},
        {50, 100, 0, 0, 100, 4000, -2000},
        {100, 0, 0, 0, 100, 0, -4000},      // setPan(100)
        {100, 0, 100, 100, 0, -4000, 8000},  // sides swapped
        {100, 50, 50, 50, 50, 2000, 2000},   // both to both: mono
        {-100, 100, 0, 0, 100, -8000, 4000},
    };
    for (const Case& c : cases) {
        Mixer m;
        m.play(def, SoundInfo{}, 7);
        m.set_levels(7, Levels::from_percent(c.volume, c.ll, c.lr, c.rl, c.rr));
        std::vector<int16_t> out = render(m, 10);
        EXPECT_EQ(out[0], c.left) << c.volume << " " << c.ll << " " << c.lr;
        EXPECT_EQ(out[1], c.right) << c.volume << " " << c.ll << " " << c.lr;
    }
    // The clip's transform, then its parent's (here the swap), then the movie's.
    Mixer m;
    m.play(def, SoundInfo{}, 7);
    const Levels clip = Levels::from_percent(50, 100, 0, 0, 100);
    const Levels parent = Levels::from_percent(100, 0, 100, 100, 0);
    m.set_levels(7, parent.after(clip));
    m.set_global_levels(Levels::from_percent(50, 100, 0, 0, 100));
    std::vector<int16_t> out = render(m, 10);
    EXPECT_EQ(out[0], -1000);
    EXPECT_EQ(out[1], 2000);
    // Muted, the output is silent and the sound goes on.
    m.set_muted(true);
    out = render(m, 500);
    EXPECT_EQ(std::count(out.begin(), out.end(), 0), 1000);
    m.set_muted(false);
    EXPECT_EQ(played_frames(m), 4000u - 510);
}

TEST(SoundMixer, StopsAndStartsInsideASoundFadeInsteadOfStepping) {
    SoundDef def = dc_sound(20000, 11025);
    Mixer m;
    const auto id = m.play(def, SoundInfo{});
    EXPECT_EQ(render(m, 100)[0], 20000);  // its own start is no cut
    m.stop_voice(id);
    std::vector<int16_t> out = render(m, kRampFrames + 10);
    for (int i = 1; i < kRampFrames + 10; ++i) {
        EXPECT_LE(out[2 * i], out[2 * i - 2]);
        EXPECT_LE(std::abs(out[2 * i] - out[2 * i - 2]), 20000 / kRampFrames + 1);
    }
    EXPECT_EQ(out[2 * kRampFrames], 0);
    EXPECT_EQ(m.voice_count(), 0u);

    m.play_from(def, 0.5, 1);
    out = render(m, kRampFrames + 10);
    EXPECT_EQ(out[0], 0);
    for (int i = 1; i < kRampFrames; ++i) EXPECT_LE(std::abs(out[2 * i] - out[2 * i - 2]), 20000 / kRampFrames + 1);
    EXPECT_EQ(out[2 * (kRampFrames + 5)], 20000);
    double ms = 0;
    ASSERT_TRUE(m.position(m.play_from(def, 0.25, 1), ms));
    EXPECT_NEAR(ms, 250, 0.1);
}

TEST(SoundMixer, WhatNobodyRendersStaysBounded) {
    SoundDef def = dc_sound(100, 11025);
    Mixer m;
    size_t started = 0;
    for (int i = 0; i < 40; ++i) started += m.play(def, SoundInfo{}) != 0;
    EXPECT_EQ(started, swf::sound::kMaxVoices);
    // Stopped voices make room even before they could fade.
    m.stop_all();
    EXPECT_NE(m.play(def, SoundInfo{}), 0u);
    EXPECT_EQ(m.voice_count(), 1u);
    for (size_t i = 1; i < swf::sound::kMaxVoices; ++i) m.play(def, SoundInfo{});
    EXPECT_EQ(m.voice_count(), swf::sound::kMaxVoices);

    // A stream fed for a minute keeps its newest seconds.
    swf::StreamHead head;
    head.format = 3, head.rate_code = 3, head.sixteen_bit = true;
    const std::vector<uint8_t> block(3675 * 2, 0);
    for (int i = 0; i < 12 * 60; ++i) m.stream_block(9, head, block.data(), block.size(), 0);
    EXPECT_EQ(m.stream_lag(), -int64_t(swf::sound::kMaxStreamQueue));
}

}  // namespace
