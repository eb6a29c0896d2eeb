#include "swf/sound/resample.h"

#include <algorithm>
#include <cmath>

namespace swf::sound {

namespace {

// Catmull-Rom through b (t = 0) and c (t = 1), with a and d the neighbours outside.
int16_t cubic(double a, double b, double c, double d, double t) {
    const double v = b + 0.5 * t * (c - a + t * (2 * a - 5 * b + 4 * c - d + t * (3 * (b - c) + d - a)));
    return int16_t(std::clamp(std::lround(v), -32768L, 32767L));
}

}  // namespace

Resampler::Resampler(int rate, int channels) : channels_(channels == 2 ? 2 : 1) {
    // Twice the rate is a whole number for every rate a movie can give, 5512.5 Hz included.
    const uint64_t twice = rate == 5512 ? 11025 : uint64_t(std::clamp(rate, 1, kOutputRate)) * 2;
    step_ = (twice << 31) / kOutputRate;
}

void Resampler::push(const int16_t* in, size_t frames, std::vector<int16_t>& out) {
    if (frames == 0) return;
    const size_t ch = size_t(channels_);
    if (passthrough()) {
        out.insert(out.end(), in, in + frames * ch);
        return;
    }
    if (!primed_) {
        // The first frame stands in for the one before it.
        held_.assign(in, in + ch);
        pos_ = uint64_t(1) << 32;
        primed_ = true;
    }
    held_.insert(held_.end(), in, in + frames * ch);
    const size_t available = held_.size() / ch;
    if (available > 2) emit(available - 2, out);
}

void Resampler::finish(std::vector<int16_t>& out) {
    if (!primed_ || passthrough()) {
        reset();
        return;
    }
    const size_t ch = size_t(channels_);
    const size_t end = held_.size() / ch;
    for (int k = 0; k < 2; ++k) held_.insert(held_.end(), held_.end() - ptrdiff_t(ch), held_.end());
    emit(end, out);
    reset();
}

void Resampler::reset() {
    held_.clear();
    pos_ = 0;
    primed_ = false;
}

// Output frames at every position before input frame `limit`, then the input no longer needed
// is dropped (one frame before the position stays, for the next interpolation).
void Resampler::emit(size_t limit, std::vector<int16_t>& out) {
    const size_t ch = size_t(channels_);
    const int16_t* h = held_.data();
    while ((pos_ >> 32) < limit) {
        const size_t i = size_t(pos_ >> 32);
        const double t = double(pos_ & 0xFFFFFFFFu) * (1.0 / 4294967296.0);
        for (size_t c = 0; c < ch; ++c)
            out.push_back(cubic(h[(i - 1) * ch + c], h[i * ch + c], h[(i + 1) * ch + c], h[(i + 2) * ch + c], t));
        pos_ += step_;
    }
    const size_t drop = size_t(pos_ >> 32) - 1;
    if (drop == 0) return;
    const size_t samples = std::min(drop * ch, held_.size());
    held_.erase(held_.begin(), held_.begin() + ptrdiff_t(samples));
    pos_ -= uint64_t(samples / ch) << 32;
}

}  // namespace swf::sound
