// Nellymoser block decoder; the format is summarised in nellymoser.h.
//
// The format was never published. Its tables and the exact arithmetic of the bit
// allocation below are taken from the one public description of it, the MIT-licensed
// Nellymoser code of the FFmpeg project, which carries this notice:
//
//   Copyright (c) 2007 a840bda5870ba11f19698ff6eb9581dfb0f95fa5,
//                      539459aeb7d425140b62a3ec7dbf6dc8e408a306, and
//                      520e17cd55896441042b14df2566a6eb610ed444
//   Copyright (c) 2007 Loic Minier <lool at dooz.org>
//                      Benjamin Larsson
//
//   Permission is hereby granted, free of charge, to any person obtaining a copy of this
//   software and associated documentation files (the "Software"), to deal in the Software
//   without restriction, including without limitation the rights to use, copy, modify, merge,
//   publish, distribute, sublicense, and/or sell copies of the Software, and to permit persons
//   to whom the Software is furnished to do so, subject to the following conditions:
//
//   The above copyright notice and this permission notice shall be included in all copies or
//   substantial portions of the Software.
//
//   THE SOFTWARE IS PROVIDED "AS IS", WITHOUT WARRANTY OF ANY KIND, EXPRESS OR IMPLIED,
//   INCLUDING BUT NOT LIMITED TO THE WARRANTIES OF MERCHANTABILITY, FITNESS FOR A PARTICULAR
//   PURPOSE AND NONINFRINGEMENT. IN NO EVENT SHALL THE AUTHORS OR COPYRIGHT HOLDERS BE LIABLE
//   FOR ANY CLAIM, DAMAGES OR OTHER LIABILITY, WHETHER IN AN ACTION OF CONTRACT, TORT OR
//   OTHERWISE, ARISING FROM, OUT OF OR IN CONNECTION WITH THE SOFTWARE OR THE USE OR OTHER
//   DEALINGS IN THE SOFTWARE.
#include "swf/sound/nellymoser.h"

#include <algorithm>
#include <cmath>

namespace swf::sound::nellymoser {

// ---------------------------------------------------------------------------------------------
// Tables of the format
// ---------------------------------------------------------------------------------------------
const uint8_t kBandWidths[kBands] = {2, 2, 2, 2, 2, 2, 2, 2, 2, 3, 3, 4, 4, 5, 6, 6, 7, 8, 9, 10, 12, 14, 15};

const uint16_t kFirstEnergies[64] = {
    3134,  5342,  6870,  7792,  8569,  9185,  9744,  10191, 10631, 11061, 11434, 11770, 12116,
    12513, 12925, 13300, 13674, 14027, 14352, 14716, 15117, 15477, 15824, 16157, 16513, 16804,
    17090, 17401, 17679, 17948, 18238, 18520, 18764, 19078, 19381, 19640, 19921, 20205, 20500,
    20813, 21162, 21465, 21794, 22137, 22453, 22756, 23067, 23350, 23636, 23926, 24227, 24521,
    24819, 25107, 25414, 25730, 26120, 26497, 26895, 27344, 27877, 28463, 29426, 31355};

const int16_t kEnergySteps[32] = {
    -11725, -9420, -7910, -6801, -5948, -5233, -4599, -4039, -3507, -3030, -2596,
    -2170,  -1774, -1383, -1016, -660,  -329,  -1,    337,   696,   1085,  1512,
    1962,   2433,  2968,  3569,  4314,  5279,  6622,  8154,  10076, 12975};

const float kLevels[127] = {
    0.0f,
    // 1 bit
    -0.847256f, 0.722471f,
    // 2 bits
    -1.524748f, -0.453148f, 0.375361f, 1.471790f,
    // 3 bits
    -1.982258f, -1.192938f, -0.582937f, -0.069378f, 0.390957f, 0.906920f, 1.486274f, 2.221541f,
    // 4 bits
    -2.388787f, -1.806754f, -1.410542f, -1.077361f, -0.799501f, -0.555811f, -0.333402f, -0.132449f,
    0.056802f, 0.254877f, 0.477355f, 0.738685f, 1.044306f, 1.395446f, 1.809875f, 2.391876f,
    // 5 bits
    -2.389383f, -1.988468f, -1.751404f, -1.564312f, -1.392213f, -1.216465f, -1.046950f, -0.890510f,
    -0.764558f, -0.645458f, -0.525928f, -0.405955f, -0.302972f, -0.209690f, -0.123987f, -0.047923f,
    0.025773f, 0.100134f, 0.173718f, 0.258554f, 0.352290f, 0.456988f, 0.576775f, 0.700316f,
    0.842552f, 1.009388f, 1.182135f, 1.353456f, 1.532082f, 1.733262f, 1.972235f, 2.397814f,
    // 6 bits
    -2.575631f, -2.057332f, -1.898492f, -1.772781f, -1.666260f, -1.574218f, -1.499332f, -1.431664f,
    -1.365228f, -1.300099f, -1.228093f, -1.158858f, -1.092125f, -1.013574f, -0.920285f, -0.828705f,
    -0.737489f, -0.644776f, -0.559094f, -0.485714f, -0.411032f, -0.345970f, -0.285116f, -0.234162f,
    -0.187058f, -0.144250f, -0.110717f, -0.073968f, -0.036561f, -0.007329f, 0.020361f, 0.047904f,
    0.075197f, 0.098100f, 0.122039f, 0.145900f, 0.169435f, 0.197046f, 0.225243f, 0.255687f,
    0.287010f, 0.319710f, 0.352583f, 0.388907f, 0.433492f, 0.476946f, 0.520482f, 0.564453f,
    0.612204f, 0.668593f, 0.734165f, 0.803216f, 0.878404f, 0.956621f, 1.039707f, 1.129377f,
    1.221116f, 1.308028f, 1.402480f, 1.505682f, 1.622773f, 1.772496f, 1.943088f, 2.290393f};

// ---------------------------------------------------------------------------------------------
// Bit allocation
// ---------------------------------------------------------------------------------------------
// Coefficient i gets round((e[i] - offset) / 2^s) bits, clipped to 0..6, with the energies e
// scaled to 15 significant bits and the offset searched for so that the total comes to 198 (or
// as near as the search gets; an excess is taken off the highest coefficients). The integer
// steps below (16-bit energies, the 4228 / 2^19 = 1/124 estimates, an offset that the counting
// sees as 16 bits) are part of the format: any other rounding moves bits between coefficients.
namespace {

constexpr int kMaxBits = 6;

int floor_log2(int64_t v) {
    int n = 0;
    while (v > 1) v >>= 1, ++n;
    return n;
}

// v * 2^shift for either sign of shift, the right shift rounding down.
int64_t shift_by(int64_t v, int shift) { return shift >= 0 ? v * (int64_t(1) << shift) : v >> -shift; }

// x / 2^shift rounded to nearest, halves up; shift >= 1.
int64_t round_shift(int64_t x, int shift) { return ((x >> (shift - 1)) + 1) >> 1; }

// Scales v to 31 significant bits: returns the left shift applied (31 for zero).
int normalize(int64_t& v) {
    if (v == 0) return 31;
    const int shift = 30 - floor_log2(v < 0 ? -v : v);
    v = shift_by(v, shift);
    return shift;
}

struct Allocator {
    int16_t scaled[kSentCoefficients];
    int precision;  // bits per step of `scaled`

    int bits_at(int64_t offset, int i) const {
        return int(std::clamp<int64_t>(round_shift(scaled[i] - offset, precision), 0, kMaxBits));
    }
    int total_at(int64_t offset) const {
        const int16_t seen = int16_t(offset);
        int total = 0;
        for (int i = 0; i < kSentCoefficients; ++i) total += bits_at(seen, i);
        return total;
    }
};

}  // namespace

void allocate_bits(const int32_t energies[kSentCoefficients], int bits[kSentCoefficients]) {
    Allocator a;
    int32_t peak = 0;
    for (int i = 0; i < kSentCoefficients; ++i) peak = std::max(peak, energies[i]);
    // Scale so that the peak has 15 significant bits, then take 3/4.
    const int scale = peak ? 14 - floor_log2(peak) : 15;
    int64_t sum = 0;
    for (int i = 0; i < kSentCoefficients; ++i) {
        const int16_t s = int16_t(shift_by(energies[i], scale));
        a.scaled[i] = int16_t((3 * s) >> 2);
        sum += a.scaled[i];
    }
    a.precision = std::max(1, scale + 11);

    // First guess: the offset that leaves 198 bits on average.
    int64_t excess = sum - shift_by(kTransformBits, a.precision);
    const int excess_shift = normalize(excess);
    int64_t offset = shift_by((4228 * (excess >> 16)) >> 15, 12 - excess_shift);
    int total = a.total_at(offset);

    if (total != kTransformBits) {
        // Step by the offset change that the miss suggests until the total crosses 198 ...
        int64_t miss = total - kTransformBits;
        int miss_shift = 0;
        while (std::abs(miss) <= 16383) miss *= 2, ++miss_shift;
        const int64_t step = shift_by((miss * 4228) >> 15, a.precision - 4 - miss_shift);
        int64_t last_offset = offset;
        int last_total = total;
        int round = 1;
        for (; round < 20; ++round) {
            last_offset = offset;
            offset += step;
            last_total = total;
            total = a.total_at(offset);
            if ((total - kTransformBits) * (last_total - kTransformBits) <= 0) break;
        }
        // ... then halve the bracket, within 20 rounds in all.
        int64_t high = offset, low = last_offset;  // high: more than 198 bits
        int high_total = total, low_total = last_total;
        if (total <= kTransformBits) {
            std::swap(high, low);
            std::swap(high_total, low_total);
        }
        while (total != kTransformBits && round <= 19) {
            offset = (high + low) >> 1;
            total = a.total_at(offset);
            if (total > kTransformBits) {
                high = offset;
                high_total = total;
            } else {
                low = offset;
                low_total = total;
            }
            ++round;
        }
        if (std::abs(high_total - kTransformBits) < std::abs(low_total - kTransformBits)) {
            offset = high;
            total = high_total;
        } else {
            offset = low;
            total = low_total;
        }
    }

    for (int i = 0; i < kSentCoefficients; ++i) bits[i] = a.bits_at(offset, i);
    if (total > kTransformBits) {
        int used = 0, i = 0;
        while (used < kTransformBits) used += bits[i++];
        bits[i - 1] -= used - kTransformBits;
        std::fill(bits + i, bits + kSentCoefficients, 0);
    }
}

float band_amplitude(int32_t energy) {
    // Energies stay within about +-2^19 (155 octaves): keep the amplitude finite.
    return float(std::min(std::exp2(energy / 2048.0) / 8.0, 1e9));
}

// ---------------------------------------------------------------------------------------------
// Decoder
// ---------------------------------------------------------------------------------------------
namespace {

// Bit fields from the least significant bit of each byte up, within one 64-byte block.
class BlockBits {
public:
    BlockBits(const uint8_t* block, int start) : block_(block), pos_(start) {}
    uint32_t read(int n) {
        uint32_t v = 0;
        for (int i = 0; i < n && pos_ < kBlockBytes * 8; ++i, ++pos_)
            v |= uint32_t(block_[pos_ >> 3] >> (pos_ & 7) & 1) << i;
        return v;
    }

private:
    const uint8_t* block_;
    int pos_;
};

int16_t to_sample(float v) {
    if (!(v > -32768.0f)) return v != v ? 0 : -32768;
    if (v >= 32767.0f) return 32767;
    return int16_t(std::lrint(v));
}

}  // namespace

Decoder::Decoder() : cosines_(size_t(kCoefficients) * kCoefficients) {
    // The half of the inverse transform that overlaps neither neighbour: outputs 64..191 of
    // y[n] = sum_k c[k] cos(pi/128 (n + 64.5)(k + 0.5)); the other outputs mirror these.
    const double pi = std::acos(-1.0);
    for (int m = 0; m < kCoefficients; ++m)
        for (int k = 0; k < kCoefficients; ++k)
            cosines_[size_t(m) * kCoefficients + size_t(k)] = float(std::cos(pi / 128 * (m + 128.5) * (k + 0.5)));
    for (int n = 0; n < 2 * kCoefficients; ++n) window_[n] = float(std::sin(pi * (n + 0.5) / 256));
}

void Decoder::reset() {
    std::fill(std::begin(overlap_), std::end(overlap_), 0.0f);
    noise_ = 1;
}

void Decoder::decode(const uint8_t* data, size_t size, std::vector<int16_t>& out) {
    for (size_t at = 0; size - at >= size_t(kBlockBytes); at += kBlockBytes) decode_block(data + at, out);
}

void Decoder::decode_block(const uint8_t* block, std::vector<int16_t>& out) {
    int32_t energies[kSentCoefficients];
    float amplitudes[kSentCoefficients];
    BlockBits header(block, 0);
    int32_t energy = kFirstEnergies[header.read(6)];
    for (int band = 0, i = 0; band < kBands; ++band) {
        if (band) energy += kEnergySteps[header.read(5)];
        const float amplitude = band_amplitude(energy);
        for (int j = 0; j < kBandWidths[band]; ++j, ++i) {
            energies[i] = energy;
            amplitudes[i] = amplitude;
        }
    }
    int bits[kSentCoefficients];
    allocate_bits(energies, bits);

    for (int half = 0; half < 2; ++half) {
        BlockBits in(block, kHeaderBits + half * kTransformBits);
        float coefficients[kCoefficients] = {};
        for (int i = 0; i < kSentCoefficients; ++i) {
            if (bits[i]) {
                coefficients[i] = kLevels[(1 << bits[i]) - 1 + int(in.read(bits[i]))] * amplitudes[i];
            } else {
                // Not sent: noise of the band's energy, random sign.
                noise_ = noise_ * 1664525u + 1013904223u;
                coefficients[i] = (noise_ & 0x80000000u ? -0.70710678f : 0.70710678f) * amplitudes[i];
            }
        }
        synthesize(coefficients, out);
    }
}

void Decoder::synthesize(const float coefficients[kCoefficients], std::vector<int16_t>& out) {
    float middle[kCoefficients];
    for (int m = 0; m < kCoefficients; ++m) {
        const float* row = &cosines_[size_t(m) * kCoefficients];
        float sum = 0;
        for (int k = 0; k < kSentCoefficients; ++k) sum += coefficients[k] * row[k];
        middle[m] = sum;
    }
    // y[0..63] = -y[127..64] and y[192..255] = y[191..128].
    auto y = [&](int n) {
        if (n < 64) return -middle[63 - n];
        if (n >= 192) return middle[319 - n];
        return middle[n - 64];
    };
    for (int n = 0; n < kCoefficients; ++n) {
        out.push_back(to_sample(overlap_[n] + window_[n] * y(n)));
        overlap_[n] = window_[kCoefficients + n] * y(kCoefficients + n);
    }
}

}  // namespace swf::sound::nellymoser
