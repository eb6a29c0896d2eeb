// Rate conversion to the mixer's 44.1 kHz: cubic (Catmull-Rom) interpolation between the input
// samples, fed block by block so that a stream's blocks join without a seam. Positions are
// 32.32 fixed point, so the output length and values do not depend on the floating-point unit.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace swf::sound {

constexpr int kOutputRate = 44100;

class Resampler {
public:
    // `rate` as the decoders give it; 5512 stands for the movie rate 5512.5 Hz (44100 / 8).
    Resampler(int rate, int channels);

    // Appends to `out` the output frames the input so far determines. The last two input frames
    // wait for the next block (interpolation looks two frames ahead).
    void push(const int16_t* in, size_t frames, std::vector<int16_t>& out);
    // The input has ended: the rest of the output, the last frame held past the end. A sound of
    // n frames at rate r gives ceil(n * 44100 / r) frames in all.
    void finish(std::vector<int16_t>& out);
    // The next block does not follow the last one: forget what was held back.
    void reset();

    int channels() const { return channels_; }

private:
    bool passthrough() const { return step_ == uint64_t(1) << 32; }
    void emit(size_t available, std::vector<int16_t>& out);

    int channels_;
    uint64_t step_;  // input frames per output frame, 32.32
    uint64_t pos_ = 0;  // the next output frame's position in held_, 32.32
    bool primed_ = false;
    std::vector<int16_t> held_;  // input frames from one before pos_ on
};

}  // namespace swf::sound
