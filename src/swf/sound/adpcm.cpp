// SWF ADPCM: a 2-bit field gives the code size (2 to 5 bits), then packets of 4096 samples per
// channel. A packet opens with each channel's first sample (SB[16]) and step index (UB[6]);
// 4095 codes per channel follow, interleaved left/right for stereo. Every field is MSB first. The
// last packet is short: it ends where the data does.
#include <algorithm>

#include "swf/sound/codecs.h"

namespace swf::sound {
namespace {

constexpr int kPacketSamples = 4096;

const int16_t kStepSizes[89] = {
    7,     8,     9,     10,    11,    12,    13,    14,    16,    17,    19,    21,    23,
    25,    28,    31,    34,    37,    41,    45,    50,    55,    60,    66,    73,    80,
    88,    97,    107,   118,   130,   143,   157,   173,   190,   209,   230,   253,   279,
    307,   337,   371,   408,   449,   494,   544,   598,   658,   724,   796,   876,   963,
    1060,  1166,  1282,  1411,  1552,  1707,  1878,  2066,  2272,  2499,  2749,  3024,  3327,
    3660,  4026,  4428,  4871,  5358,  5894,  6484,  7132,  7845,  8630,  9493,  10442, 11487,
    12635, 13899, 15289, 16818, 18500, 20350, 22385, 24623, 27086, 29794, 32767};

// Step index change for each code magnitude (the code without its sign bit), by code size.
const int8_t kIndexShift2[2] = {-1, 2};
const int8_t kIndexShift3[4] = {-1, -1, 2, 4};
const int8_t kIndexShift4[8] = {-1, -1, -1, -1, 2, 4, 6, 8};
const int8_t kIndexShift5[16] = {-1, -1, -1, -1, -1, -1, -1, -1, 1, 2, 4, 6, 8, 10, 13, 16};

const int8_t* index_shifts(int bits) {
    switch (bits) {
    case 2: return kIndexShift2;
    case 3: return kIndexShift3;
    case 4: return kIndexShift4;
    default: return kIndexShift5;
    }
}

// MSB-first bit fields with an exact count of what is left, so the decoder can stop before a
// field that the data no longer holds.
class BitReader {
public:
    BitReader(const uint8_t* data, size_t size) : data_(data), bits_left_(size * 8) {}
    size_t bits_left() const { return bits_left_; }
    // Callers check bits_left() first; `n` is at most 16.
    uint32_t ub(int n) {
        uint32_t v = 0;
        for (int i = 0; i < n; ++i) {
            v = v << 1 | (data_[pos_ >> 3] >> (7 - (pos_ & 7)) & 1);
            ++pos_;
        }
        bits_left_ -= size_t(n);
        return v;
    }
    int32_t sb(int n) {
        const uint32_t v = ub(n);
        return v & (1u << (n - 1)) ? int32_t(v) - (int32_t(1) << n) : int32_t(v);
    }

private:
    const uint8_t* data_;
    size_t pos_ = 0;
    size_t bits_left_;
};

struct Channel {
    int sample = 0;
    int index = 0;

    // One code: the sign is the top bit; the magnitude bits add halving fractions of the step to
    // a base of step >> (bits - 1), which keeps a zero magnitude from standing still.
    int16_t decode(uint32_t code, int bits) {
        const int step = kStepSizes[index];
        const uint32_t sign = 1u << (bits - 1);
        int diff = step >> (bits - 1);
        for (int i = 0; i < bits - 1; ++i)
            if (code & (sign >> (i + 1))) diff += step >> i;
        sample = std::clamp(code & sign ? sample - diff : sample + diff, -32768, 32767);
        index = std::clamp(index + index_shifts(bits)[code & (sign - 1)], 0, 88);
        return int16_t(sample);
    }
};

}  // namespace

void decode_adpcm(const Format& format, const uint8_t* data, size_t size, std::vector<int16_t>& out) {
    if (!size) return;
    BitReader in(data, size);
    const int bits = int(in.ub(2)) + 2;
    const int channels = format.channels();
    const size_t header_bits = size_t(22 * channels);
    const size_t frame_bits = size_t(bits * channels);
    Channel state[2];
    while (in.bits_left() >= header_bits) {
        for (int c = 0; c < channels; ++c) {
            state[c].sample = in.sb(16);
            state[c].index = std::min(int(in.ub(6)), 88);
            out.push_back(int16_t(state[c].sample));
        }
        for (int i = 1; i < kPacketSamples && in.bits_left() >= frame_bits; ++i)
            for (int c = 0; c < channels; ++c) out.push_back(state[c].decode(in.ub(bits), bits));
    }
}

}  // namespace swf::sound
