// Sound through the player: the sound tags as loaded, StartSound as frames are entered, stream
// sound in step with its timeline across a thousand frames, jumps and stops of a streaming
// timeline, clip transforms, button transition sounds, Sound objects reaching their end, and
// swfrun's WAV file.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#ifndef _WIN32
#include <unistd.h>
#endif

#include "avm1_test_util.h"
#include "swf/avm1/sound.h"
#include "swf/sound/mixer.h"

namespace {

using namespace avm1test;
using swf::Player;
using swf::sound::kRampFrames;
using swf::sound::kStreamLead;

constexpr double kPi = 3.14159265358979323846;

std::vector<uint8_t> le16(const std::vector<int16_t>& samples) {
    std::vector<uint8_t> out;
    for (int16_t s : samples) out.push_back(uint8_t(s)), out.push_back(uint8_t(uint16_t(s) >> 8));
    return out;
}

constexpr uint8_t kStopSounds = 0x09;

swftest::SoundInfo stopping() {
    swftest::SoundInfo info;
    info.stop = true;
    return info;
}

swftest::SoundInfo once() {
    swftest::SoundInfo info;
    info.no_multiple = true;
    return info;
}

// Sound 1: one second of a constant level at 11 kHz (44100 frames once converted).
void define_level_sound(swftest::Movie& m, int16_t level = 8000, uint16_t id = 1) {
    m.define_sound(id, 3, 1, true, false, 11025, le16(std::vector<int16_t>(11025, level)));
}

// Mixes after each frame what the frame lasts at `fps`, fractions carried (as swfrun does).
class FrameMixer {
public:
    explicit FrameMixer(double fps) : fps_(fps) {}
    std::vector<int16_t> frame(Player& p) {
        ++frames_;
        const auto due = uint64_t(std::floor(double(frames_) * 44100 / fps_));
        std::vector<int16_t> out(size_t(due - mixed_) * 2);
        p.mix_audio(out.data(), out.size() / 2);
        mixed_ = due;
        return out;
    }
    uint64_t mixed() const { return mixed_; }

private:
    double fps_;
    uint64_t frames_ = 0, mixed_ = 0;
};

// A button (id 3) over a 40-px square shape (id 10) in every state.
void define_square_button(swftest::Movie& m) {
    m.shape_rgba(10, 255, 0, 0, 255, swftest::Movie::rect_records(0, 0, 800, 800));
    swftest::Bits b;
    b.u16(3);
    b.u8(0);
    b.u16(0);  // no actions
    b.u8(0x0F);
    b.u16(10);
    b.u16(1);
    b.matrix(0, 0);
    b.u8(0);  // colour transform without terms
    b.u8(0);
    m.tag(34, b.bytes, true);
}

// DefineButtonSound for button 3: sound 1 on idle -> over, sound 2 on over -> down.
void define_button_sounds(swftest::Movie& m, const std::vector<uint8_t>& over_info) {
    swftest::Bits b;
    b.u16(3);
    b.u16(0);  // over -> idle: silent
    b.u16(1);
    b.append(over_info);
    b.u16(2);
    b.append(swftest::SoundInfo{}.bytes());
    b.u16(0);
    m.tag(17, b.bytes);
}

// ---------------------------------------------------------------------------------------------
TEST(SoundTimeline, SoundTagsLoadIntoFramesTimelinesAndButtons) {
    swftest::Movie m;
    define_level_sound(m);
    define_square_button(m);
    swftest::SoundInfo info;
    info.no_multiple = true;
    info.in = 10, info.out = 900, info.loops = 3;
    info.envelope = {{0, 100, 200}, {4410, 32768, 0}};
    define_button_sounds(m, info.bytes());
    m.begin_sprite(2, 2);
    m.stream_head(3, 2, true, true, 1837);
    m.stream_block({1, 2, 3, 4});
    m.show_frame();
    m.stream_block({5, 6});
    m.show_frame();
    m.end_sprite();
    m.place(2, 1);
    m.start_sound(1, info.bytes());
    swftest::Bits by_name;
    by_name.str("beep");
    by_name.append(stopping().bytes());
    m.tag(89, by_name.bytes);
    m.show_frame();
    m.start_sound(1);  // a frame holding only a sound still counts
    m.show_frame();
    const std::vector<uint8_t> bytes = m.fws();
    auto loaded = swf::load_movie(bytes.data(), bytes.size());
    ASSERT_TRUE(loaded.ok());
    const swf::Movie& movie = *loaded.value();

    ASSERT_EQ(movie.timeline.frames.size(), 2u);
    const auto& starts = movie.timeline.frames[0].sounds;
    ASSERT_EQ(starts.size(), 2u);
    const swf::SoundInfo& i = starts[0].info;
    EXPECT_EQ(starts[0].sound, 1);
    EXPECT_EQ(starts[0].after_ops, 1u);  // after the PlaceObject
    EXPECT_TRUE(i.no_multiple && !i.sync_stop);
    EXPECT_TRUE(i.in_point == 10 && i.out_point == 900 && i.loops == 3);
    ASSERT_EQ(i.envelope.size(), 2u);
    EXPECT_TRUE(i.envelope[1].pos44 == 4410 && i.envelope[1].left == 32768 && i.envelope[0].right == 200);
    EXPECT_EQ(starts[1].class_name, "beep");
    EXPECT_TRUE(starts[1].info.sync_stop);
    EXPECT_EQ(movie.timeline.frames[1].sounds.size(), 1u);

    const auto* sprite = static_cast<const swf::SpriteDef*>(movie.find(2));
    ASSERT_TRUE(sprite && sprite->timeline.stream);
    const swf::StreamHead& head = *sprite->timeline.stream;
    EXPECT_TRUE(head.format == 3 && head.rate_code == 2 && head.stereo && head.samples_per_frame == 1837);
    EXPECT_EQ(sprite->timeline.frames[1].stream_block, (std::vector<uint8_t>{5, 6}));
    EXPECT_FALSE(movie.timeline.stream);

    const auto* button = static_cast<const swf::ButtonDef*>(movie.find(3));
    ASSERT_TRUE(button);
    EXPECT_EQ(button->sounds[int(swf::ButtonSoundSlot::OverToIdle)].sound, 0);
    EXPECT_EQ(button->sounds[int(swf::ButtonSoundSlot::IdleToOver)].sound, 1);
    EXPECT_EQ(button->sounds[int(swf::ButtonSoundSlot::IdleToOver)].info.loops, 3);
    EXPECT_EQ(button->sounds[int(swf::ButtonSoundSlot::OverToDown)].sound, 2);
    EXPECT_EQ(button->sounds[int(swf::ButtonSoundSlot::DownToOver)].sound, 0);
}

// Frames: 0 nothing, 1 starts sound 1, 2 starts it again unless playing, 3 stops it, 4 runs
// stopAllSounds after starting it.
std::vector<uint8_t> start_stop_movie() {
    TestMovie t;
    define_level_sound(t.m);
    t.frame();
    t.m.start_sound(1);
    t.frame();
    t.m.start_sound(1, once().bytes());
    t.frame();
    t.m.start_sound(1, stopping().bytes());
    t.frame();
    t.m.start_sound(1);
    t.action(Asm().op(kStopSounds).op(a::Stop));
    t.frame();
    return t.bytes();
}

TEST(SoundTimeline, FramesStartAndStopTheirSoundsWhenEntered) {
    Playing run(start_stop_movie());
    Player& p = run.player;
    EXPECT_EQ(p.audio().voice_count(), 0u);
    run.advance();
    EXPECT_EQ(p.audio().voice_count(), 1u);
    std::vector<int16_t> out(200);
    p.mix_audio(out.data(), 100);
    EXPECT_EQ(out[0], 8000);
    run.advance();
    EXPECT_EQ(p.audio().voice_count(), 1u);  // SyncNoMultiple
    run.advance();
    p.mix_audio(out.data(), 100);
    EXPECT_LT(out[198], 8000 * 40 / kRampFrames);  // SyncStop: fading out
    EXPECT_EQ(p.audio().voice_count(), 1u);
    p.mix_audio(out.data(), 100);
    EXPECT_EQ(p.audio().voice_count(), 0u);
    run.advance();  // the frame's start, then its script's stopAllSounds: it only fades
    p.mix_audio(out.data(), 100);
    EXPECT_EQ(out[0], 8000);
    EXPECT_LT(out[198], 8000 * 40 / kRampFrames);
    p.mix_audio(out.data(), 100);
    EXPECT_EQ(p.audio().voice_count(), 0u);

    // A jump plays the sounds of the frame it lands on, not of the frames it passes.
    Playing jump(start_stop_movie());
    jump.player.root()->goto_frame(2);
    EXPECT_EQ(jump.player.audio().voice_count(), 1u);  // frame 2's own start
    jump.player.root()->goto_frame(0);
    jump.player.root()->goto_frame(2);
    EXPECT_EQ(jump.player.audio().voice_count(), 1u);  // not twice: SyncNoMultiple
    jump.player.root()->goto_frame(3);
    std::vector<int16_t> scratch(400);
    jump.player.mix_audio(scratch.data(), 200);
    EXPECT_EQ(jump.player.audio().voice_count(), 0u);
    jump.player.root()->goto_frame(1);  // backwards: the frame's start runs again
    EXPECT_EQ(jump.player.audio().voice_count(), 1u);
}

TEST(SoundTimeline, SoundTransformsOfTheClipAndTheMovieScaleItsSounds) {
    TestMovie t;
    define_level_sound(t.m);
    t.sprite(2, 1);
    t.m.start_sound(1);
    t.frame().end_sprite();
    t.place(2, 1, "mc");
    t.action(Asm().get("mc").construct("Sound", 1).assign("s").push({P(50)}).call_method("s", "setVolume", 1).op(a::Pop));
    t.frame();
    t.action(Asm().construct("Sound").assign("g").push({P(50)}).call_method("g", "setVolume", 1).op(a::Pop).op(a::Stop));
    t.frame();
    Playing run(t.bytes());
    std::vector<int16_t> out(20);
    run.player.mix_audio(out.data(), 10);
    EXPECT_EQ(out[0], 4000);
    run.advance();
    run.player.mix_audio(out.data(), 10);
    EXPECT_EQ(out[0], 2000);
    // The host's Stop silences it until Play.
    run.player.stop();
    run.player.mix_audio(out.data(), 10);
    EXPECT_EQ(out[0], 0);
    run.player.play();
    run.player.mix_audio(out.data(), 10);
    EXPECT_EQ(out[0], 2000);
}

// A stream of a 441 Hz sine at 11 kHz over `frames` frames at 24 fps: each frame's block holds
// the samples up to where the frame ends, so blocks are 459 or 460 samples long.
std::vector<uint8_t> sine_stream_movie(int frames, double amp) {
    swftest::Movie m;
    m.frame_rate(24);
    m.stream_head(3, 1, true, false, 459);
    for (int k = 0; k < frames; ++k) {
        const auto from = size_t(std::floor(k * 11025.0 / 24)), to = size_t(std::floor((k + 1) * 11025.0 / 24));
        std::vector<int16_t> block;
        for (size_t i = from; i < to; ++i) block.push_back(int16_t(std::lround(amp * std::sin(2 * kPi * 441 * double(i) / 11025))));
        m.stream_block(le16(block));
        m.show_frame();
    }
    return m.fws();
}

TEST(SoundTimeline, StreamStaysInStepWithItsTimelineOverAThousandFrames) {
    const double amp = 12000;
    Playing run(sine_stream_movie(1000, amp));
    Player& p = run.player;
    FrameMixer mixer(24);
    std::vector<int16_t> out = mixer.frame(p);
    int64_t least = 0, most = -1'000'000;
    for (int k = 1; k < 1000; ++k) {
        run.advance();
        EXPECT_EQ(p.current_frame(), k);
        EXPECT_EQ(p.stream_frames_due(), 0);
        out = mixer.frame(p);
        const int64_t lag = p.audio().stream_lag();
        least = std::min(least, lag), most = std::max(most, lag);
    }
    // Always a little ahead of what it plays, never starved, never piling up.
    EXPECT_LE(most, -int64_t(kStreamLead) + 16);
    EXPECT_GE(least, -int64_t(kStreamLead) - 16);
    // The last frame still plays the sine at the phase of its time, kStreamLead late.
    const uint64_t start = mixer.mixed() - out.size() / 2;
    double worst = 0;
    for (size_t i = 0; i < out.size() / 2; ++i) {
        const double t = double(start + i) - double(kStreamLead);
        worst = std::max(worst, std::abs(out[2 * i] - amp * std::sin(2 * kPi * 441 * t / 44100)));
    }
    EXPECT_LT(worst, 0.01 * amp);
    EXPECT_EQ(mixer.mixed(), 1000u * 44100 / 24);
}

// A frame timer that runs late (every 46.9 ms, not 41.7, as a coarse system timer does) while
// the device takes sound on its own clock: the host runs the frames the stream asks for, and
// the stream neither falls silent nor drifts from its frames.
TEST(SoundTimeline, AStreamAheadOfALateTimerPullsTheFramesAlong) {
    Player p;
    const std::vector<uint8_t> movie = sine_stream_movie(1200, 12000);
    p.audio().set_stream_lead(2 * 441);  // the device takes 10 ms at a time: two of them in hand
    ASSERT_TRUE(p.load(movie.data(), movie.size()).ok());
    std::vector<int16_t> period(441 * 2);
    const double tick_ms = 46.875;
    double pulled_ms = 0;
    int quiet = 0, periods = 0, shown = 1;
    for (int tick = 1; tick * tick_ms < 40000; ++tick) {
        p.advance();
        ++shown;
        for (int behind = std::min(p.stream_frames_due(), 8); behind > 0; --behind) p.advance(), ++shown;
        for (; pulled_ms < tick * tick_ms; pulled_ms += 10) {
            p.mix_audio(period.data(), 441);
            ++periods;
            int peak = 0;
            for (int16_t v : period) peak = std::max(peak, std::abs(int(v)));
            quiet += peak < 6000;
        }
    }
    EXPECT_GT(periods, 3900);
    EXPECT_LT(quiet, 3);  // the lead at the start
    EXPECT_NEAR(shown * 1000.0 / 24, pulled_ms, 2 * 1000.0 / 24);
}

TEST(SoundTimeline, JumpsRestartTheStreamAndStopsEndIt) {
    // At 44.1 kHz, 12 fps: frame k's block is 3675 samples at the level 1000 * (k + 1). Frame
    // 3 jumps to frame 7; frame 9 stops.
    TestMovie t;
    t.m.stream_head(3, 3, true, false, 3675);
    for (int k = 0; k < 10; ++k) {
        t.m.stream_block(le16(std::vector<int16_t>(3675, int16_t(1000 * (k + 1)))));
        if (k == 3) t.action(Asm().goto_frame(7).op(a::Play));
        if (k == 9) t.action(Asm().op(a::Stop));
        t.frame();
    }
    Playing run(t.bytes());
    Player& p = run.player;
    FrameMixer mixer(12);
    std::vector<int16_t> out = mixer.frame(p);
    EXPECT_EQ(out[2 * (kStreamLead + 10)], 1000);
    run.advance(2);  // frames 1, 2
    out = mixer.frame(p), out = mixer.frame(p);
    EXPECT_EQ(out[2 * (kStreamLead + 10)], 3000);
    run.advance();  // frame 3 jumps to 7
    EXPECT_EQ(p.current_frame(), 7);
    out = mixer.frame(p);
    // The end of frame 2's block, faded out, then frame 7's faded in; frame 3 never sounds.
    EXPECT_EQ(out[0], 3000);
    EXPECT_EQ(out[2 * (kStreamLead - 1)], 0);
    EXPECT_EQ(out[2 * kStreamLead], 0);
    EXPECT_EQ(out[2 * (kStreamLead + kRampFrames)], 8000);
    EXPECT_LE(std::count(out.begin(), out.end(), int16_t(4000)), 2);  // once as the fade passes it
    for (size_t i = 1; i < out.size() / 2; ++i) EXPECT_LE(std::abs(out[2 * i] - out[2 * i - 2]), 8000 / kRampFrames + 1);
    run.advance(2);  // frames 8, 9: 9 stops the timeline and its stream
    out = mixer.frame(p);
    EXPECT_EQ(p.current_frame(), 9);
    EXPECT_EQ(out[0], 8000);  // what was playing fades out; frame 8's block never sounds
    EXPECT_EQ(out[2 * (kRampFrames + 1)], 0);
    EXPECT_EQ(out.back(), 0);
    EXPECT_EQ(p.audio().voice_count(), 0u);
}

TEST(SoundTimeline, ButtonTransitionsPlayTheirSounds) {
    TestMovie t;
    define_level_sound(t.m, 8000, 1);
    define_level_sound(t.m, 3000, 2);
    define_square_button(t.m);
    define_button_sounds(t.m, swftest::SoundInfo{}.bytes());
    t.place(3, 1, "b");
    t.frame();
    Playing run(t.bytes());
    Player& p = run.player;
    std::vector<int16_t> out(20);
    p.mouse_move(20, 20);  // idle -> over: sound 1
    p.mix_audio(out.data(), 10);
    EXPECT_EQ(out[0], 8000);
    p.mouse_down(20, 20);  // over -> down: sound 2 as well
    p.mix_audio(out.data(), 10);
    EXPECT_EQ(out[0], 11000);
    p.mouse_up(20, 20);  // down -> over: silent
    p.mouse_move(80, 80);  // over -> idle: silent
    EXPECT_EQ(p.audio().voice_count(), 2u);
}

TEST(SoundTimeline, SoundObjectsMoveOnAndHearTheirEnd) {
    TestMovie t;
    t.m.define_sound(1, 3, 1, true, false, 2205, le16(std::vector<int16_t>(2205, 5000)));  // 200 ms
    t.export_symbol(1, "beep");
    t.action(Asm()
                 .construct("Sound")
                 .assign("s")
                 .push({P("beep")})
                 .call_method("s", "attachSound", 1)
                 .op(a::Pop)
                 .function("done", {}, Asm().trace(P("complete")))
                 .get("s")
                 .push({P("onSoundComplete")})
                 .get("done")
                 .op(a::SetMember)
                 .call_method("s", "start")
                 .op(a::Pop));
    t.frame();
    Playing run(t.bytes());
    Player& p = run.player;
    auto* state = swf::avm1::native_of<swf::avm1::SoundState>(run.vm().get(p.scripts()->level(0), run.vm().intern("s")));
    ASSERT_NE(state, nullptr);
    FrameMixer mixer(12);
    mixer.frame(p);
    run.advance();
    EXPECT_NEAR(state->position_ms, 3675 / 44.1, 0.01);
    mixer.frame(p);
    run.advance();
    mixer.frame(p);  // the last 1470 frames and the end
    EXPECT_TRUE(run.lines.empty());
    run.advance();
    EXPECT_EQ(run.lines, Lines{"complete"});
    EXPECT_FALSE(state->playing);
    EXPECT_EQ(state->position_ms, 200);
    run.advance();
    EXPECT_EQ(run.lines.size(), 1u);
}

#ifndef _WIN32
TEST(SoundTimeline, SwfrunWritesTheFramesSoundAsAWavFile) {
    namespace fs = std::filesystem;
    const fs::path dir = fs::temp_directory_path() / ("plumora-wav-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    swftest::Movie m;
    m.frame_rate(24);
    define_level_sound(m);
    m.start_sound(1);
    m.show_frame();
    const std::vector<uint8_t> movie = m.fws();
    std::ofstream(dir / "movie.swf", std::ios::binary).write(reinterpret_cast<const char*>(movie.data()), std::streamsize(movie.size()));

    auto run = [&](const char* name) {
        const std::string cmd = std::string(PLUMORA_SWFRUN) + " --frames 10 --wav " + (dir / name).string() + " " +
                                (dir / "movie.swf").string();
        EXPECT_EQ(std::system(cmd.c_str()), 0) << cmd;
        std::ifstream in(dir / name, std::ios::binary);
        return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
    };
    const std::vector<uint8_t> wav = run("a.wav");
    auto u32 = [&](size_t at) { return uint32_t(wav[at] | wav[at + 1] << 8 | wav[at + 2] << 16 | uint32_t(wav[at + 3]) << 24); };
    auto u16 = [&](size_t at) { return uint16_t(wav[at] | wav[at + 1] << 8); };
    ASSERT_GE(wav.size(), 44u);
    EXPECT_EQ(std::string(wav.begin(), wav.begin() + 4), "RIFF");
    EXPECT_EQ(std::string(wav.begin() + 8, wav.begin() + 16), "WAVEfmt ");
    EXPECT_EQ(u16(20), 1);  // PCM
    EXPECT_EQ(u16(22), 2);
    EXPECT_EQ(u32(24), 44100u);
    EXPECT_EQ(u16(34), 16);
    EXPECT_EQ(std::string(wav.begin() + 36, wav.begin() + 40), "data");
    const uint32_t frames = 10 * 44100 / 24;  // 18375: the half frames carried
    EXPECT_EQ(u32(40), frames * 4);
    EXPECT_EQ(wav.size(), 44 + frames * 4);
    EXPECT_EQ(u32(4), wav.size() - 8);
    EXPECT_EQ(int16_t(u16(44)), 8000);
    EXPECT_EQ(run("b.wav"), wav);  // the same every time
    fs::remove_all(dir);
}
#endif

}  // namespace
