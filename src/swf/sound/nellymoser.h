// Nellymoser (codecs 4, 5 and 6): a mono speech codec in 64-byte blocks of 256 samples.
//
// A block holds two transforms of 128 frequency coefficients (one per 128 output samples) that
// share one header: 23 band energies on a log2 scale in 1/2048 steps (the first from a table of
// 64 starting values, the others as one of 32 steps from the band before), 6 + 22 x 5 = 116 bits.
// The bits for each coefficient (0-6, 198 per transform) follow from the energies alone, so they
// are not stored. Each transform's 198 bits pick one of 2^n levels (in units of the band's
// energy) for a coefficient given n bits; one given no bits is sent as noise at the band's
// energy. The transforms are inverse MDCTs of 256 points with a sine window, overlapped by half.
// All bit fields are read from the least significant bit of each byte up.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace swf::sound::nellymoser {

constexpr int kBands = 23;
constexpr int kBlockBytes = 64;
constexpr int kBlockSamples = 256;
constexpr int kCoefficients = 128;  // per transform; the top 4 are never sent
constexpr int kSentCoefficients = 124;
constexpr int kHeaderBits = 116;
constexpr int kTransformBits = 198;

extern const uint8_t kBandWidths[kBands];  // coefficients per band, 124 in all
extern const uint16_t kFirstEnergies[64];
extern const int16_t kEnergySteps[32];
// The levels for n bits start at index 2^n - 1 (n = 1 to 6); index 0 is unused.
extern const float kLevels[127];

// Which coefficients get how many bits, from each coefficient's band energy. Encoder and decoder
// must agree on it bit for bit, so it runs in integers.
void allocate_bits(const int32_t energies[kSentCoefficients], int bits[kSentCoefficients]);

// Amplitude of a band for a log2 energy (1/2048 steps), in 16-bit sample units.
float band_amplitude(int32_t energy);

class Decoder {
public:
    Decoder();
    // Decodes every whole block of `data`; a partial block at the end is dropped.
    void decode(const uint8_t* data, size_t size, std::vector<int16_t>& out);
    void reset();

private:
    void decode_block(const uint8_t* block, std::vector<int16_t>& out);
    void synthesize(const float coefficients[kCoefficients], std::vector<int16_t>& out);

    std::vector<float> cosines_;             // the half transform's 128 x 128 cosines
    float window_[2 * kCoefficients] = {};   // sine window
    float overlap_[kCoefficients] = {};      // windowed second half of the last transform
    uint32_t noise_ = 1;                     // signs for coefficients sent without bits
};

}  // namespace swf::sound::nellymoser
