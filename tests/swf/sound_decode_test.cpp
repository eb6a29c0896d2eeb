// Sound decoders on signals made here: sines encoded by small encoders in this file (ADPCM,
// Nellymoser), by libspeex's encoder, and by lame at build time (MP3). Each must keep the sine's
// pitch and level, come out at the right length, and survive damaged data.
#include <gtest/gtest.h>
#include <speex/speex.h>

#include <cmath>
#include <cstring>
#include <random>

#include "swf/sound/decode.h"
#include "swf/sound/nellymoser.h"

#ifdef PLUMORA_MP3_FIXTURES
#include "mp3_fixtures.h"
#endif

namespace {

using namespace swf::sound;
using swf::Result;

const double kPi = std::acos(-1.0);

std::vector<int16_t> sine(size_t frames, double freq, int rate, double amplitude = 12000) {
    std::vector<int16_t> s(frames);
    for (size_t i = 0; i < frames; ++i) s[i] = int16_t(std::lround(amplitude * std::sin(2 * kPi * freq * double(i) / rate)));
    return s;
}

std::vector<int16_t> interleave(const std::vector<int16_t>& left, const std::vector<int16_t>& right) {
    std::vector<int16_t> out;
    for (size_t i = 0; i < left.size(); ++i) out.insert(out.end(), {left[i], right[i]});
    return out;
}

// One channel of a signal, frames [from, size).
std::vector<double> channel(const Pcm& pcm, int c, size_t from = 0) {
    std::vector<double> out;
    for (size_t i = from; i < pcm.frames(); ++i) out.push_back(pcm.samples[i * size_t(pcm.channels) + size_t(c)]);
    return out;
}

// Frequency from the count of upward zero crossings.
double frequency(const std::vector<double>& s, int rate) {
    int first = -1, last = -1, crossings = 0;
    for (size_t i = 1; i < s.size(); ++i)
        if (s[i - 1] < 0 && s[i] >= 0) {
            if (first < 0) first = int(i);
            last = int(i);
            ++crossings;
        }
    return crossings > 1 ? (crossings - 1) * double(rate) / (last - first) : 0;
}

double rms(const std::vector<double>& s) {
    double sum = 0;
    for (double v : s) sum += v * v;
    return s.empty() ? 0 : std::sqrt(sum / double(s.size()));
}

// Signal-to-error ratio in dB of `got` against `want`.
double snr(const std::vector<double>& want, const std::vector<double>& got) {
    std::vector<double> error(std::min(want.size(), got.size()));
    for (size_t i = 0; i < error.size(); ++i) error[i] = got[i] - want[i];
    return 20 * std::log10(rms(want) / std::max(rms(error), 1e-9));
}

std::vector<double> as_doubles(const std::vector<int16_t>& s, size_t from, size_t to) {
    return std::vector<double>(s.begin() + ptrdiff_t(from), s.begin() + ptrdiff_t(to));
}

Pcm decoded(const Result<Pcm>& r) {
    EXPECT_TRUE(r.ok()) << (r.ok() ? "" : r.error().reason);
    return r.ok() ? r.value() : Pcm{};
}

Pcm stream(StreamDecoder& decoder, const std::vector<std::vector<uint8_t>>& blocks, const Format& f) {
    Pcm out;
    out.channels = f.channels();
    out.rate = f.rate();
    for (const auto& b : blocks) decoder.decode_block(b.data(), b.size(), out);
    return out;
}

// ---------------------------------------------------------------------------------------------
// ADPCM
// ---------------------------------------------------------------------------------------------
const int16_t kSteps[89] = {7, 8, 9, 10, 11, 12, 13, 14, 16, 17, 19, 21, 23, 25, 28, 31, 34, 37, 41, 45, 50, 55, 60, 66, 73, 80, 88, 97, 107, 118, 130, 143, 157, 173, 190, 209, 230, 253, 279, 307, 337, 371, 408, 449, 494, 544, 598, 658, 724, 796, 876, 963, 1060, 1166, 1282, 1411, 1552, 1707, 1878, 2066, 2272, 2499, 2749, 3024, 3327, 3660, 4026, 4428, 4871, 5358, 5894, 6484, 7132, 7845, 8630, 9493, 10442, 11487, 12635, 13899, 15289, 16818, 18500, 20350, 22385, 24623, 27086, 29794, 32767};

struct MsbWriter {
    std::vector<uint8_t> bytes;
    int used = 0;
    void put(uint32_t v, int n) {
        for (int i = n - 1; i >= 0; --i) {
            if (used == 0) bytes.push_back(0);
            if (v >> i & 1) bytes.back() |= uint8_t(0x80 >> used);
            used = (used + 1) & 7;
        }
    }
};

// Encodes with a greedy search: each code is the one whose decoded value lands nearest. The
// encoder's decoder step is written from the format description, independently of adpcm.cpp.
std::vector<uint8_t> encode_adpcm(const std::vector<int16_t>& pcm, int channels, int bits) {
    static const std::vector<std::vector<int>> shifts = {
        {-1, 2}, {-1, -1, 2, 4}, {-1, -1, -1, -1, 2, 4, 6, 8}, {-1, -1, -1, -1, -1, -1, -1, -1, 1, 2, 4, 6, 8, 10, 13, 16}};
    auto step = [&](int& sample, int& index, uint32_t code) {
        const int s = kSteps[index], top = 1 << (bits - 1);
        int diff = s >> (bits - 1);
        for (int b = bits - 2, part = s; b >= 0; --b, part >>= 1)
            if (code >> b & 1) diff += part;
        sample = std::clamp(code & uint32_t(top) ? sample - diff : sample + diff, -32768, 32767);
        index = std::clamp(index + shifts[size_t(bits - 2)][code & uint32_t(top - 1)], 0, 88);
    };
    MsbWriter w;
    w.put(uint32_t(bits - 2), 2);
    int sample[2] = {}, index[2] = {};
    const size_t frames = pcm.size() / size_t(channels);
    for (size_t i = 0; i < frames; ++i)
        for (int c = 0; c < channels; ++c) {
            const int want = pcm[i * size_t(channels) + size_t(c)];
            if (i % 4096 == 0) {
                sample[c] = want;
                w.put(uint32_t(want) & 0xFFFF, 16);
                w.put(uint32_t(index[c]), 6);
                continue;
            }
            uint32_t best = 0;
            for (uint32_t code = 0, best_error = UINT32_MAX; code < (1u << bits); ++code) {
                int s = sample[c], x = index[c];
                step(s, x, code);
                if (uint32_t(std::abs(s - want)) < best_error) best_error = uint32_t(std::abs(s - want)), best = code;
            }
            step(sample[c], index[c], best);
            w.put(best, bits);
        }
    return w.bytes;
}

Format adpcm_format(bool stereo) { return Format{Codec::Adpcm, 2, true, stereo}; }

TEST(SoundAdpcm, HandMadePacketFollowsTheStepRules) {
    // 4-bit mono: first sample 1000, index 0 (step 7); codes 7, 8, 15.
    MsbWriter w;
    w.put(2, 2);
    w.put(1000, 16);
    w.put(0, 6);
    for (uint32_t code : {7u, 8u, 15u}) w.put(code, 4);
    Pcm pcm = decoded(decode_sound(adpcm_format(false), w.bytes.data(), w.bytes.size(), 4));
    // 7: +(0 + 7 + 3 + 1), index 8 (step 16); 8: -(16 >> 3), index 7 (step 14);
    // 15: -(1 + 14 + 7 + 3), index 15.
    EXPECT_EQ(pcm.samples, (std::vector<int16_t>{1000, 1011, 1009, 984}));

    // 2-bit: the sum clamps at the sample range and the index at the table's end. Index 63
    // rises by 2 a code to 88; then a negative code takes (32767 >> 1) + 32767.
    MsbWriter top;
    top.put(0, 2);
    top.put(32767, 16);
    top.put(63, 6);
    for (int i = 0; i < 14; ++i) top.put(1, 2);
    top.put(3, 2);
    pcm = decoded(decode_sound(adpcm_format(false), top.bytes.data(), top.bytes.size(), 16));
    ASSERT_EQ(pcm.samples.size(), 16u);
    EXPECT_EQ(pcm.samples[14], 32767);
    EXPECT_EQ(pcm.samples[15], 32767 - (32767 / 2 + 32767));
}

TEST(SoundAdpcm, SinesSurviveEveryCodeSizeInMonoAndStereo) {
    const size_t n = 10000;  // three packets, the last one short
    const auto left = sine(n, 440, 22050), right = sine(n, 1000, 22050, 6000);
    double last_snr = 0;
    for (int bits = 2; bits <= 5; ++bits) {
        SCOPED_TRACE(bits);
        const auto mono = encode_adpcm(left, 1, bits);
        Pcm pcm = decoded(decode_sound(adpcm_format(false), mono.data(), mono.size(), n));
        ASSERT_EQ(pcm.frames(), n);
        EXPECT_EQ(pcm.rate, 22050);
        const double quality = snr(as_doubles(left, 0, n), channel(pcm, 0));
        EXPECT_GT(quality, 6.0 * bits - 4);  // roughly 6 dB a bit
        EXPECT_GT(quality, last_snr);
        last_snr = quality;

        const auto both = encode_adpcm(interleave(left, right), 2, bits);
        pcm = decoded(decode_sound(adpcm_format(true), both.data(), both.size(), n));
        ASSERT_EQ(pcm.frames(), n);
        EXPECT_NEAR(frequency(channel(pcm, 0), 22050), 440, 4);
        EXPECT_NEAR(frequency(channel(pcm, 1), 22050), 1000, 8);
        EXPECT_GT(snr(as_doubles(right, 0, n), channel(pcm, 1)), 6.0 * bits - 4);
    }
}

TEST(SoundAdpcm, StreamBlocksEachStartTheirOwnPackets) {
    const auto a = sine(1000, 440, 22050), b = sine(1500, 700, 22050);
    const std::vector<std::vector<uint8_t>> blocks = {encode_adpcm(a, 1, 4), encode_adpcm(b, 1, 3)};
    auto decoder = make_stream_decoder(adpcm_format(false));
    ASSERT_TRUE(decoder);
    Pcm pcm = stream(*decoder, blocks, adpcm_format(false));
    ASSERT_GE(pcm.frames(), 2500u);
    Pcm first = decoded(decode_sound(adpcm_format(false), blocks[0].data(), blocks[0].size(), 0));
    EXPECT_TRUE(std::equal(first.samples.begin(), first.samples.end(), pcm.samples.begin()));
    EXPECT_EQ(pcm.samples[first.samples.size()], b[0]);  // the second block's own first sample
}

// ---------------------------------------------------------------------------------------------
// MP3
// ---------------------------------------------------------------------------------------------
// Encoder delay (576) plus the decoder's filter bank delay (529): what a movie's SeekSamples
// says to drop for lame's output.
constexpr int kLameDelay = 1105;

std::vector<uint8_t> with_seek(int16_t seek, const uint8_t* mp3, size_t size, uint16_t samples = 0) {
    std::vector<uint8_t> out;
    if (samples) out.insert(out.end(), {uint8_t(samples), uint8_t(samples >> 8)});
    out.insert(out.end(), {uint8_t(seek), uint8_t(uint16_t(seek) >> 8)});
    out.insert(out.end(), mp3, mp3 + size);
    return out;
}

// MPEG-1 layer III frames of silence at 44.1 kHz, 128 kbit/s (417 bytes): a header and zeroed
// side information, so every granule decodes to zeros.
std::vector<uint8_t> silent_frames(int count, bool stereo) {
    std::vector<uint8_t> out;
    for (int i = 0; i < count; ++i) {
        std::vector<uint8_t> frame(417, 0);
        frame[0] = 0xFF, frame[1] = 0xFB, frame[2] = 0x90, frame[3] = stereo ? 0x00 : 0xC0;
        out.insert(out.end(), frame.begin(), frame.end());
    }
    return out;
}

const Format kMp3Mono{Codec::Mp3, 3, true, false};
const Format kMp3Stereo{Codec::Mp3, 3, true, true};

TEST(SoundMp3, HandMadeSilentFramesDecodeToTheirLength) {
    const auto frames = silent_frames(6, false);
    Pcm pcm = decoded(decode_sound(kMp3Mono, with_seek(0, frames.data(), frames.size()).data(), frames.size() + 2, 0));
    EXPECT_EQ(pcm.channels, 1);
    EXPECT_EQ(pcm.rate, 44100);
    EXPECT_EQ(pcm.frames(), 6u * 1152);
    EXPECT_TRUE(std::all_of(pcm.samples.begin(), pcm.samples.end(), [](int16_t s) { return s == 0; }));

    // SeekSamples drops from the start, SampleCount cuts the end; a stereo movie flag does not
    // turn mono frames into stereo.
    const auto data = with_seek(100, frames.data(), frames.size());
    pcm = decoded(decode_sound(kMp3Stereo, data.data(), data.size(), 3000));
    EXPECT_EQ(pcm.channels, 1);
    EXPECT_EQ(pcm.frames(), 3000u);

    const auto two = silent_frames(3, true);
    pcm = decoded(decode_sound(kMp3Stereo, with_seek(0, two.data(), two.size()).data(), two.size() + 2, 0));
    EXPECT_EQ(pcm.channels, 2);
    EXPECT_EQ(pcm.frames(), 3u * 1152);
}

TEST(SoundMp3, StreamBlocksMayCutFramesAnywhere) {
    const auto frames = silent_frames(5, true);
    std::vector<std::vector<uint8_t>> blocks;
    for (size_t at = 0; at < frames.size(); at += 300)
        blocks.push_back(with_seek(0, frames.data() + at, std::min<size_t>(300, frames.size() - at), 1152));
    auto decoder = make_stream_decoder(kMp3Stereo);
    ASSERT_TRUE(decoder);
    Pcm pcm = stream(*decoder, blocks, kMp3Stereo);
    EXPECT_EQ(pcm.frames(), 5u * 1152);
    // A jump starts over: SeekSamples of the first block after it applies again.
    decoder->reset();
    blocks[0][2] = 100;
    pcm = stream(*decoder, blocks, kMp3Stereo);
    EXPECT_EQ(pcm.frames(), 5u * 1152 - 100);
}

#ifdef PLUMORA_MP3_FIXTURES
struct Mp3Case {
    const uint8_t* data;
    size_t size;
    uint32_t frames;
    int rate;
    std::vector<double> freqs;
};

TEST(SoundMp3, SinesFromAnEncoderKeepLengthPitchAndPhase) {
    const Mp3Case cases[] = {{k_mono22k, sizeof k_mono22k, k_mono22k_frames, 22050, {440}},
                             {k_stereo44k, sizeof k_stereo44k, k_stereo44k_frames, 44100, {440, 1000}},
                             {k_mono11k, sizeof k_mono11k, k_mono11k_frames, 11025, {300}}};
    for (const Mp3Case& c : cases) {
        SCOPED_TRACE(c.rate);
        const auto data = with_seek(kLameDelay, c.data, c.size);
        const Format f{Codec::Mp3, uint8_t(c.rate == 44100 ? 3 : c.rate == 22050 ? 2 : 1), true, c.freqs.size() == 2};
        Pcm pcm = decoded(decode_sound(f, data.data(), data.size(), c.frames));
        EXPECT_EQ(pcm.rate, c.rate);
        ASSERT_EQ(pcm.channels, int(c.freqs.size()));
        ASSERT_EQ(pcm.frames(), c.frames);
        for (size_t ch = 0; ch < c.freqs.size(); ++ch) {
            // Delays cut right, the decoded sine lines up with the original.
            const auto want = sine(c.frames, c.freqs[ch], c.rate);
            const auto got = channel(pcm, int(ch));
            EXPECT_NEAR(frequency(got, c.rate), c.freqs[ch], c.freqs[ch] * 0.01);
            EXPECT_GT(snr(as_doubles(want, 1000, c.frames), std::vector<double>(got.begin() + 1000, got.end())), 15);
        }
    }
}

TEST(SoundMp3, StreamDecodesLikeTheWholeSound) {
    const Format f{Codec::Mp3, 2, true, false};
    const auto whole = with_seek(kLameDelay, k_mono22k, sizeof k_mono22k);
    Pcm event = decoded(decode_sound(f, whole.data(), whole.size(), 0));
    std::vector<std::vector<uint8_t>> blocks;
    for (size_t at = 0; at < sizeof k_mono22k; at += 157)
        blocks.push_back(with_seek(at ? 0 : kLameDelay, k_mono22k + at, std::min<size_t>(157, sizeof k_mono22k - at), 1));
    auto decoder = make_stream_decoder(f);
    Pcm streamed = stream(*decoder, blocks, f);
    EXPECT_EQ(streamed.samples, event.samples);

    // A stream's blocks come out at the rate and channels its header gives, whatever the
    // frames say: here 22 kHz mono frames under a 44 kHz stereo header.
    auto wider = make_stream_decoder(kMp3Stereo);
    Pcm converted = stream(*wider, blocks, kMp3Stereo);
    EXPECT_NEAR(double(converted.frames()), 2.0 * double(event.frames()), 2 * 576);
    const auto right = channel(converted, 1, 4000);
    EXPECT_NEAR(frequency(std::vector<double>(right.begin(), right.begin() + 16000), 44100), 440, 5);
}
#endif

// ---------------------------------------------------------------------------------------------
// Nellymoser
// ---------------------------------------------------------------------------------------------
namespace nelly = swf::sound::nellymoser;

// A plain encoder: sine-windowed MDCT, band energies from the two transforms of a block,
// coefficients rounded to the nearest level the allocation allows.
std::vector<uint8_t> encode_nellymoser(const std::vector<int16_t>& pcm) {
    const int n = nelly::kCoefficients;
    auto sample = [&](long i) { return i >= 0 && size_t(i) < pcm.size() ? double(pcm[size_t(i)]) : 0.0; };
    std::vector<double> basis(size_t(2 * n * n));  // window times cosine, by input and coefficient
    for (int i = 0; i < 2 * n; ++i)
        for (int k = 0; k < n; ++k)
            basis[size_t(i * n + k)] = std::sin(kPi * (i + 0.5) / 256) * std::cos(kPi / 128 * (i + 64.5) * (k + 0.5));
    std::vector<uint8_t> out;
    for (size_t block = 0; block * nelly::kBlockSamples < pcm.size(); ++block) {
        double coefficients[2][128];
        for (int half = 0; half < 2; ++half) {
            const long start = long(block * 2 + size_t(half) - 1) * n;
            for (int k = 0; k < n; ++k) {
                double sum = 0;
                for (int i = 0; i < 2 * n; ++i) sum += sample(start + i) * basis[size_t(i * n + k)];
                coefficients[half][k] = sum / (n / 2);
            }
        }
        uint8_t bytes[64] = {};
        int pos = 0;
        auto put = [&](uint32_t v, int bits) {
            for (int i = 0; i < bits; ++i, ++pos)
                if (v >> i & 1) bytes[pos >> 3] |= uint8_t(1 << (pos & 7));
        };
        // Band energies wanted, raised where a later band could not be reached in one step.
        double targets[nelly::kBands];
        for (int band = 0, first = 0; band < nelly::kBands; first += nelly::kBandWidths[band++]) {
            double power = 0;
            for (int i = first; i < first + nelly::kBandWidths[band]; ++i)
                power += coefficients[0][i] * coefficients[0][i] + coefficients[1][i] * coefficients[1][i];
            targets[band] = 2048 * std::log2(std::max(std::sqrt(power / (2 * nelly::kBandWidths[band])), 0.125) * 8);
        }
        for (int band = nelly::kBands - 2; band >= 0; --band)
            targets[band] = std::max(targets[band], targets[band + 1] - nelly::kEnergySteps[31]);
        int32_t energies[124];
        int32_t energy = 0;
        for (int band = 0, first = 0; band < nelly::kBands; first += nelly::kBandWidths[band++]) {
            auto nearest = [&](auto& table, int count, int32_t base) {
                int best = 0;
                for (int i = 1; i < count; ++i)
                    if (std::abs(base + table[i] - targets[band]) < std::abs(base + table[best] - targets[band])) best = i;
                return best;
            };
            const int pick = band ? nearest(nelly::kEnergySteps, 32, energy) : nearest(nelly::kFirstEnergies, 64, 0);
            energy = band ? energy + nelly::kEnergySteps[pick] : nelly::kFirstEnergies[pick];
            put(uint32_t(pick), band ? 5 : 6);
            for (int i = first; i < first + nelly::kBandWidths[band]; ++i) energies[i] = energy;
        }
        int bits[124];
        nelly::allocate_bits(energies, bits);
        for (int half = 0; half < 2; ++half) {
            pos = nelly::kHeaderBits + half * nelly::kTransformBits;
            for (int i = 0; i < 124; ++i) {
                if (!bits[i]) continue;
                const double v = coefficients[half][i] / nelly::band_amplitude(energies[i]);
                const float* levels = nelly::kLevels + (1 << bits[i]) - 1;
                int best = 0;
                for (int q = 1; q < 1 << bits[i]; ++q)
                    if (std::abs(levels[q] - v) < std::abs(levels[best] - v)) best = q;
                put(uint32_t(best), bits[i]);
            }
        }
        out.insert(out.end(), bytes, bytes + 64);
    }
    return out;
}

TEST(SoundNellymoser, BitAllocationSpendsTheBudgetOnTheLoudBands) {
    std::mt19937 rng(3);
    for (int trial = 0; trial < 200; ++trial) {
        SCOPED_TRACE(trial);
        int32_t energies[124];
        int32_t e = int32_t(3134 + rng() % 28000);
        for (int i = 0; i < 124; ++i) {
            if (i && rng() % 4 == 0) e = std::clamp(e + int32_t(rng() % 6000) - 3000, 0, 40000);
            energies[i] = e;
        }
        int bits[124];
        nelly::allocate_bits(energies, bits);
        int total = 0, last = 0;
        for (int i = 0; i < 124; ++i) {
            ASSERT_GE(bits[i], 0);
            ASSERT_LE(bits[i], 6);
            total += bits[i];
            if (bits[i]) last = i;
        }
        ASSERT_LE(total, nelly::kTransformBits);
        EXPECT_GE(total, nelly::kTransformBits - 8);
        // Louder coefficients get at least as many bits, up to where an excess was cut off.
        for (int i = 0; i < last; ++i)
            for (int j = 0; j < last; ++j)
                if (energies[i] > energies[j] + 2048) {
                    ASSERT_GE(bits[i], bits[j]) << i << " " << j;
                }
    }
}

TEST(SoundNellymoser, SineKeepsPitchAndLevel) {
    const auto input = sine(40 * 256, 1000, 16000, 8000);
    const auto data = encode_nellymoser(input);
    const Format f{Codec::Nelly16k, 0, true, false};
    Pcm pcm = decoded(decode_sound(f, data.data(), data.size(), 0));
    EXPECT_EQ(pcm.rate, 16000);
    ASSERT_EQ(pcm.frames(), input.size());
    // Output lags the input by half a transform.
    const auto got = channel(pcm, 0, 512);
    const auto want = as_doubles(input, 512 - 128, input.size() - 128);
    EXPECT_NEAR(frequency(got, 16000), 1000, 10);
    EXPECT_NEAR(rms(got) / rms(want), 1.0, 0.05);
    EXPECT_GT(snr(want, got), 20);
}

TEST(SoundNellymoser, StreamKeepsTheOverlapAcrossBlocks) {
    const auto data = encode_nellymoser(sine(8 * 256, 440, 8000, 8000));
    const Format f{Codec::Nelly8k, 0, true, true};  // the stereo flag copies the mono channel
    Pcm whole = decoded(decode_sound(f, data.data(), data.size(), 0));
    EXPECT_EQ(whole.channels, 1);
    auto decoder = make_stream_decoder(f);
    ASSERT_TRUE(decoder);
    std::vector<std::vector<uint8_t>> blocks;
    for (size_t at = 0; at < data.size(); at += 128) blocks.emplace_back(data.begin() + ptrdiff_t(at), data.begin() + ptrdiff_t(at + 128));
    Pcm streamed = stream(*decoder, blocks, f);
    ASSERT_EQ(streamed.frames(), whole.frames());
    for (size_t i = 0; i < whole.frames(); ++i) {
        ASSERT_EQ(streamed.samples[2 * i], whole.samples[i]) << i;
        ASSERT_EQ(streamed.samples[2 * i + 1], whole.samples[i]) << i;
    }
}

// ---------------------------------------------------------------------------------------------
// Speex
// ---------------------------------------------------------------------------------------------
// Wideband frames from libspeex's encoder: one packet each (ended by a terminator and padded to
// a byte), or all in one packet.
std::vector<uint8_t> encode_speex(const std::vector<int16_t>& pcm, bool packet_per_frame) {
    void* state = speex_encoder_init(speex_lib_get_mode(SPEEX_MODEID_WB));
    int quality = 8;
    speex_encoder_ctl(state, SPEEX_SET_QUALITY, &quality);
    SpeexBits bits;
    speex_bits_init(&bits);
    std::vector<uint8_t> out;
    char buffer[4096];
    for (size_t at = 0; at + 320 <= pcm.size(); at += 320) {
        std::vector<spx_int16_t> frame(pcm.begin() + ptrdiff_t(at), pcm.begin() + ptrdiff_t(at + 320));
        speex_encode_int(state, frame.data(), &bits);
        if (packet_per_frame) {
            speex_bits_insert_terminator(&bits);
            const int n = speex_bits_write(&bits, buffer, sizeof buffer);
            out.insert(out.end(), buffer, buffer + n);
            speex_bits_reset(&bits);
        }
    }
    if (!packet_per_frame) {
        const int n = speex_bits_write(&bits, buffer, sizeof buffer);
        out.insert(out.end(), buffer, buffer + n);
    }
    speex_bits_destroy(&bits);
    speex_encoder_destroy(state);
    return out;
}

TEST(SoundSpeex, FramesOfEitherPackingKeepPitch) {
    const auto input = sine(30 * 320, 500, 16000, 8000);
    const Format f{Codec::Speex, 0, true, false};
    for (bool per_frame : {true, false}) {
        SCOPED_TRACE(per_frame);
        const auto data = encode_speex(std::vector<int16_t>(input.begin(), input.begin() + (per_frame ? 30 : 8) * 320), per_frame);
        Pcm pcm = decoded(decode_sound(f, data.data(), data.size(), 0));
        EXPECT_EQ(pcm.rate, 16000);
        ASSERT_EQ(pcm.frames(), (per_frame ? 30u : 8u) * 320);
        const auto got = channel(pcm, 0, 640);
        EXPECT_NEAR(frequency(got, 16000), 500, 10);
        EXPECT_GT(rms(got), 8000 / std::sqrt(2.0) * 0.5);
    }
}

// ---------------------------------------------------------------------------------------------
// Damaged data, every codec
// ---------------------------------------------------------------------------------------------
TEST(SoundDecode, CutDataKeepsThePrefixAndGarbageIsHarmless) {
    const auto tone = sine(6000, 440, 16000);
    struct Case {
        Format format;
        std::vector<uint8_t> data;
    };
    std::vector<Case> cases = {{adpcm_format(false), encode_adpcm(tone, 1, 3)},
                               {Format{Codec::Nelly16k, 0, true, false}, encode_nellymoser(tone)},
                               {Format{Codec::Speex, 0, true, false}, encode_speex(tone, true)},
                               {kMp3Mono, with_seek(0, silent_frames(4, false).data(), 4 * 417)}};
#ifdef PLUMORA_MP3_FIXTURES
    cases.push_back({Format{Codec::Mp3, 2, true, false}, with_seek(0, k_mono22k, sizeof k_mono22k)});
#endif
    for (const Case& c : cases) {
        SCOPED_TRACE(int(c.format.codec));
        Pcm full = decoded(decode_sound(c.format, c.data.data(), c.data.size(), 0));
        for (size_t cut : {size_t(0), size_t(1), c.data.size() / 2 + 3, c.data.size() - 1}) {
            Result<Pcm> part = decode_sound(c.format, c.data.data(), cut, 0);
            if (!part.ok()) continue;
            ASSERT_LE(part->samples.size(), full.samples.size());
            EXPECT_TRUE(std::equal(part->samples.begin(), part->samples.end(), full.samples.begin())) << cut;
            if (cut > c.data.size() / 2) {
                EXPECT_GE(part->samples.size(), full.samples.size() / 3) << cut;
            }
        }
        std::mt19937 rng(11);
        for (int trial = 0; trial < 20; ++trial) {
            auto junk = c.data;
            for (int i = 0; i < 40; ++i) junk[rng() % junk.size()] = uint8_t(rng());
            Result<Pcm> r = decode_sound(c.format, junk.data(), junk.size(), 0);
            if (r.ok()) {
                EXPECT_LE(r->samples.size(), full.samples.size() * 2 + 4096);
            }
            auto decoder = make_stream_decoder(c.format);
            ASSERT_TRUE(decoder);
            Pcm out;
            decoder->decode_block(junk.data(), junk.size(), out);
            decoder->decode_block(junk.data(), junk.size() / 2, out);
        }
    }
}

}  // namespace
