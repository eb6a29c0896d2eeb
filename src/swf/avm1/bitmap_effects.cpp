// Gradient noise for BitmapData.perlinNoise and the scattered pixel order of pixelDissolve.
//
// The noise is classic gradient noise on a 256-cell lattice, one gradient table per colour
// channel drawn from the minimal standard generator, summed over octaves of doubling frequency and
// halving weight. Stitching rounds the frequencies to whole cells per tile and folds the lattice
// back at the tile's edge, so that the image repeats without a seam.
#include "swf/avm1/bitmap_effects.h"

#include <algorithm>
#include <cmath>
#include <iterator>

namespace swf::avm1 {

namespace {

constexpr int kCells = 256;
constexpr int kCellMask = kCells - 1;
// Added to lattice coordinates so that points a little left of or above the origin still land
// on non-negative cells.
constexpr int kLatticeShift = 4096;
// Octaves past this weigh less than a millionth of a colour step.
constexpr int kMaxOctaves = 32;

// Park and Miller's minimal standard generator, stepped without 64-bit products.
constexpr int32_t kRandomModulus = 2147483647;
int32_t next_random(int32_t s) {
    constexpr int32_t a = 16807, q = 127773, r = 2836;
    int32_t v = a * (s % q) - r * (s / q);
    if (v <= 0) v += kRandomModulus;
    return v;
}

// Seeds outside 1 .. modulus-1 are folded into it: 0 acts as 1, -1 as 2.
int32_t first_random_state(int32_t seed) {
    int64_t s = seed;
    if (s <= 0) s = -(s % (kRandomModulus - 1)) + 1;
    if (s > kRandomModulus - 1) s = kRandomModulus - 1;
    return int32_t(s);
}

// Where the lattice folds back while stitching, per axis; doubled each octave.
struct Fold {
    int64_t width = 0, height = 0, wrap_x = 0, wrap_y = 0;
};

class GradientNoise {
public:
    explicit GradientNoise(int32_t seed) {
        int32_t s = first_random_state(seed);
        for (int k = 0; k < 4; ++k)
            for (int i = 0; i < kCells; ++i) {
                lattice_[i] = i;
                double* g = gradient_[k][i];
                for (int j = 0; j < 2; ++j) {
                    s = next_random(s);
                    g[j] = double(s % (2 * kCells) - kCells) / kCells;
                }
                const double len = std::sqrt(g[0] * g[0] + g[1] * g[1]);
                if (len > 0) g[0] /= len, g[1] /= len;
            }
        for (int i = kCells - 1; i > 0; --i) {
            s = next_random(s);
            std::swap(lattice_[i], lattice_[s % kCells]);
        }
        // The tables repeat past their end, so that a cell and its neighbour need no wrapping.
        for (int i = 0; i < kCells + 2; ++i) {
            lattice_[kCells + i] = lattice_[i];
            for (int k = 0; k < 4; ++k)
                for (int j = 0; j < 2; ++j) gradient_[k][kCells + i][j] = gradient_[k][i][j];
        }
    }

    // Noise of one channel's table at (vx, vy) in lattice units, about -0.7 .. 0.7.
    double at(int table, double vx, double vy, const Fold* fold) const {
        const double tx = vx + kLatticeShift, ty = vy + kLatticeShift;
        const int64_t ix = int64_t(tx), iy = int64_t(ty);  // towards zero
        const double rx0 = tx - double(ix), ry0 = ty - double(iy);
        const double rx1 = rx0 - 1, ry1 = ry0 - 1;
        int64_t bx0 = ix, bx1 = ix + 1, by0 = iy, by1 = iy + 1;
        if (fold) {
            if (bx0 >= fold->wrap_x) bx0 -= fold->width;
            if (bx1 >= fold->wrap_x) bx1 -= fold->width;
            if (by0 >= fold->wrap_y) by0 -= fold->height;
            if (by1 >= fold->wrap_y) by1 -= fold->height;
        }
        const int i = lattice_[bx0 & kCellMask], j = lattice_[bx1 & kCellMask];
        const int cy0 = int(by0 & kCellMask), cy1 = int(by1 & kCellMask);
        const double(*g)[2] = gradient_[table];
        auto dot = [&](int cell, double rx, double ry) { return rx * g[cell][0] + ry * g[cell][1]; };
        const double sx = rx0 * rx0 * (3 - 2 * rx0), sy = ry0 * ry0 * (3 - 2 * ry0);
        const double u0 = dot(lattice_[i + cy0], rx0, ry0), v0 = dot(lattice_[j + cy0], rx1, ry0);
        const double a = u0 + sx * (v0 - u0);
        const double u1 = dot(lattice_[i + cy1], rx0, ry1), v1 = dot(lattice_[j + cy1], rx1, ry1);
        const double b = u1 + sx * (v1 - u1);
        return a + sy * (b - a);
    }

private:
    int lattice_[2 * kCells + 2];
    double gradient_[4][2 * kCells + 2][2];
};

// Frequencies and folds for one call.
struct NoiseLayout {
    double freq_x = 0, freq_y = 0;
    bool stitch = false;
    Fold fold;
};

NoiseLayout layout_for(const PerlinOptions& o, int width, int height) {
    NoiseLayout l;
    l.freq_x = o.base_x != 0 && std::isfinite(o.base_x) ? 1 / o.base_x : 0;
    l.freq_y = o.base_y != 0 && std::isfinite(o.base_y) ? 1 / o.base_y : 0;
    if (!o.stitch) return l;
    // A whole number of cells across the tile: the nearer (by ratio) of the two around it.
    auto whole = [](double f, double size) {
        if (f == 0) return f;
        const double lo = std::floor(size * f) / size, hi = std::ceil(size * f) / size;
        return f / lo < hi / f ? lo : hi;  // lo may be 0: the division is infinite then
    };
    l.freq_x = whole(l.freq_x, width);
    l.freq_y = whole(l.freq_y, height);
    l.stitch = true;
    l.fold.width = int64_t(width * l.freq_x + 0.5);
    l.fold.height = int64_t(height * l.freq_y + 0.5);
    l.fold.wrap_x = kLatticeShift + l.fold.width;
    l.fold.wrap_y = kLatticeShift + l.fold.height;
    return l;
}

// One channel at pixel (x, y), as a 0..255 value.
int channel_value(const GradientNoise& noise, int table, const NoiseLayout& l, const PerlinOptions& o, int octaves,
                  double x, double y) {
    Fold fold = l.fold;
    double sum = 0, scale = 1;
    for (int k = 0; k < octaves; ++k) {
        double ox = 0, oy = 0;
        if (size_t(k) < o.offsets.size()) ox = o.offsets[k].first, oy = o.offsets[k].second;
        const double vx = (x + ox) * l.freq_x * scale, vy = (y + oy) * l.freq_y * scale;
        if (!(std::fabs(vx) < 1e15 && std::fabs(vy) < 1e15)) break;
        const double n = noise.at(table, vx, vy, l.stitch ? &fold : nullptr);
        sum += (o.fractal ? n : std::fabs(n)) / scale;
        scale *= 2;
        if (l.stitch) {
            fold.width *= 2;
            fold.height *= 2;
            fold.wrap_x = 2 * fold.wrap_x - kLatticeShift;
            fold.wrap_y = 2 * fold.wrap_y - kLatticeShift;
        }
    }
    // Fractal sums are signed and centred on mid-grey; the steps round before the halving.
    const long steps = std::lround(sum * 255);
    const long v = o.fractal ? (steps + 255) / 2 : steps;
    return int(std::clamp(v, 0L, 255L));
}

// Galois feedback masks giving a full round of 2^n - 1 states, for n bits.
constexpr uint32_t kDissolveTaps[] = {
    0,        0x1,      0x3,      0x6,      0xC,       0x14,      0x30,      0x60,      0xB8,
    0x110,    0x240,    0x500,    0x829,    0x100D,    0x2015,    0x6000,    0xD008,    0x12000,
    0x20400,  0x40023,  0x90000,  0x140000, 0x300000,  0x420000,  0xE10000,  0x1200000, 0x2000023,
};

int bits_for(int n) {
    int b = 0;
    while (b < 30 && (1 << b) < n) ++b;
    return b;
}

}  // namespace

void perlin_noise(uint32_t* pixels, int width, int height, bool transparent, const PerlinOptions& o) {
    if (width <= 0 || height <= 0) return;
    const GradientNoise noise(o.seed);
    const NoiseLayout l = layout_for(o, width, height);
    const int octaves = std::clamp(o.octaves, 0, kMaxOctaves);
    const bool alpha = transparent && (o.channels & 8);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            // Each channel asked for takes the next table, grey counting as one.
            int table = 0;
            int c[3] = {0, 0, 0};
            if (o.gray) {
                c[0] = c[1] = c[2] = channel_value(noise, table++, l, o, octaves, x, y);
            } else {
                for (int k = 0; k < 3; ++k)
                    if (o.channels & (1 << k)) c[k] = channel_value(noise, table++, l, o, octaves, x, y);
            }
            uint32_t a = 255;
            if (alpha) {
                a = uint32_t(channel_value(noise, table, l, o, octaves, x, y));
                // The colour goes in as already multiplied by the alpha, so it lightens what lies
                // underneath; it cannot exceed the alpha.
                for (int& v : c) v = std::min(v, int(a));
            }
            pixels[size_t(y) * width + x] = a << 24 | uint32_t(c[0]) << 16 | uint32_t(c[1]) << 8 | uint32_t(c[2]);
        }
}

int32_t dissolve_pixels(int width, int height, int32_t seed, int64_t count,
                        const std::function<void(int, int)>& visit) {
    if (width <= 0 || height <= 0) return seed;
    // A place in the round is a pixel's bits, x low and y high; a feedback shift register walks
    // every non-zero place once, and place 0 (the top-left pixel) is put at the round's start.
    const int xbits = bits_for(width), bits = xbits + bits_for(height);
    if (bits >= int(std::size(kDissolveTaps))) return seed;
    const uint32_t places = uint32_t(1) << bits, taps = kDissolveTaps[bits];
    const uint32_t xmask = (uint32_t(1) << xbits) - 1;
    auto following = [&](uint32_t s) -> uint32_t {
        if (bits == 0) return 0;
        if (s == 0) return 1;
        const uint32_t n = s & 1 ? (s >> 1) ^ taps : s >> 1;
        return n == 1 ? 0 : n;  // back at the start: the round is over
    };
    uint32_t s = uint32_t(seed) & (places - 1);
    int64_t left = std::min(count, int64_t(width) * height);
    for (uint32_t step = 0; step < places && left > 0; ++step) {
        const int x = int(s & xmask), y = int(s >> xbits);
        if (s == 0) {
            visit(0, 0);
        } else if (x < width && y < height) {
            visit(x, y);
            --left;
        }
        s = following(s);
    }
    return int32_t(s);
}

}  // namespace swf::avm1
