// Filter image operations on premultiplied BGRA. Shadows, glows and bevels work from the blurred
// alpha plane of the source; the blur filter blurs all four planes.
#include "swf/filter.h"

#include <algorithm>
#include <cmath>

namespace swf {

namespace {

inline uint32_t mul255(uint32_t a, uint32_t b) { return (a * b + 127) / 255; }

// Pixels reached by one pass of a box `size` wide, to either side.
int box_reach(double size) {
    if (size <= 1) return 0;
    return int(std::ceil(std::min(size, kMaxBlur) / 2 - 0.5));
}

// Quality 0 asks for no blur at all.
int passes_of(const Filter& f) { return std::clamp(f.passes, 0, kMaxPasses); }

// ---------------------------------------------------------------------------------------------
// Box blur
// ---------------------------------------------------------------------------------------------
// Each pass keeps the whole part of its average (rounding down), so that a blur thins what it
// spreads a little and its faint far reach falls to nothing, while flat areas keep their value.
struct BoxWeights {
    int full = 0;         // taps -full..full weigh `w_full`
    uint32_t w_full = 0;
    uint32_t w_end = 0;   // the partly covered taps at +-(full + 1)
    uint32_t total = 1;   // of all the taps
    uint8_t average(uint32_t sum, uint32_t ends) const {
        return uint8_t(std::min<uint32_t>((sum * w_full + ends * w_end) / total, 255));
    }
};

BoxWeights box_weights(double size) {
    size = std::min(size, kMaxBlur);
    const double half = size / 2;
    BoxWeights b;
    b.full = int(std::floor(half - 0.5));
    const double end = half - (b.full + 0.5);
    b.w_full = 4096;
    b.w_end = uint32_t(std::lround(4096 * end));
    b.total = uint32_t(2 * b.full + 1) * b.w_full + 2 * b.w_end;
    return b;
}

// One horizontal pass over a row of n samples. `padded` holds the row between clear borders as
// wide as the box reaches, so the running sum needs no bounds checks.
void box_row(uint8_t* line, int n, const BoxWeights& b, std::vector<uint8_t>& padded) {
    const int pad = b.full + 1;
    padded.assign(size_t(n) + 2 * size_t(pad) + 1, 0);
    std::copy_n(line, n, padded.data() + pad);
    const uint8_t* in = padded.data() + pad;
    uint32_t sum = 0;
    for (int k = -b.full; k <= b.full; ++k) sum += in[k];
    for (int i = 0; i < n; ++i) {
        const uint32_t ends = in[i - pad] + in[i + pad];
        line[i] = b.average(sum, ends);
        sum += in[i + pad];
        sum -= in[i - b.full];
    }
}

// One vertical pass, a whole row at a time with a running sum per column, so that memory is
// read along rows rather than down columns.
void box_columns(uint8_t* plane, int w, int h, const BoxWeights& b, std::vector<uint8_t>& copy,
                 std::vector<uint32_t>& sums) {
    copy.assign(plane, plane + size_t(w) * h);
    sums.assign(size_t(w), 0);
    auto row = [&](int y) -> const uint8_t* { return y >= 0 && y < h ? copy.data() + size_t(y) * w : nullptr; };
    for (int k = -b.full; k <= b.full; ++k)
        if (const uint8_t* r = row(k))
            for (int x = 0; x < w; ++x) sums[x] += r[x];
    for (int y = 0; y < h; ++y) {
        const uint8_t* above = row(y - b.full - 1);
        const uint8_t* below = row(y + b.full + 1);
        uint8_t* out = plane + size_t(y) * w;
        for (int x = 0; x < w; ++x) {
            const uint32_t ends = (above ? above[x] : 0) + (below ? below[x] : 0);
            out[x] = b.average(sums[x], ends);
        }
        if (below)
            for (int x = 0; x < w; ++x) sums[x] += below[x];
        if (const uint8_t* leaving = row(y - b.full))
            for (int x = 0; x < w; ++x) sums[x] -= leaving[x];
    }
}

}  // namespace

void blur_plane(uint8_t* plane, int width, int height, double size_x, double size_y, int passes) {
    if (width <= 0 || height <= 0 || passes <= 0) return;
    passes = std::min(passes, kMaxPasses);
    if (size_x > 1) {
        const BoxWeights b = box_weights(size_x);
        std::vector<uint8_t> padded;
        for (int p = 0; p < passes; ++p)
            for (int y = 0; y < height; ++y) box_row(plane + ptrdiff_t(y) * width, width, b, padded);
    }
    if (size_y > 1) {
        const BoxWeights b = box_weights(size_y);
        std::vector<uint8_t> copy;
        std::vector<uint32_t> sums;
        for (int p = 0; p < passes; ++p) box_columns(plane, width, height, b, copy, sums);
    }
}

Matrix on_whole_pixels(const Rect& bounds, const Matrix& m) {
    double x = 0, y = 0;
    bool first = true;
    for (double bx : {double(bounds.xmin), double(bounds.xmax)})
        for (double by : {double(bounds.ymin), double(bounds.ymax)}) {
            // The corner in 1/256 pixels, as the rasteriser sees it.
            const double cx = std::round(m.apply_x(bx, by) * 256) / 256, cy = std::round(m.apply_y(bx, by) * 256) / 256;
            x = first ? cx : std::min(x, cx);
            y = first ? cy : std::min(y, cy);
            first = false;
        }
    if (!std::isfinite(x) || !std::isfinite(y) || std::fabs(x) > 1e9 || std::fabs(y) > 1e9) return m;
    Matrix out = m;
    out.tx += std::floor(x + 0.5) - x;
    out.ty += std::floor(y + 0.5) - y;
    return out;
}

FilterList scale_filters(const FilterList& list, double sx, double sy) {
    FilterList out = list;
    for (Filter& f : out) {
        f.blur_x = std::min(f.blur_x * sx, kMaxBlur);
        f.blur_y = std::min(f.blur_y * sy, kMaxBlur);
        // The offset keeps its direction on the stage: scale its two components apart.
        const double dx = std::cos(f.angle) * f.distance * sx, dy = std::sin(f.angle) * f.distance * sy;
        f.distance = std::hypot(dx, dy);
        f.angle = std::atan2(dy, dx);
    }
    return out;
}

int filter_margin_limit(int width, int height) {
    return std::clamp(std::max(width, height) / 2, kMinFilterMargin, kMaxFilterMargin);
}

uint64_t filter_work_per_frame(int width, int height) {
    // A few full-area blurs of the best quality, and never less than a small stage's worth.
    return std::max<uint64_t>(uint64_t(1) << 24, uint64_t(std::max(width, 0)) * uint64_t(std::max(height, 0)) * 128);
}

FilterMargin filter_margin(const FilterList& list, int limit) {
    limit = std::clamp(limit, 0, kMaxFilterMargin);
    FilterMargin m;
    for (const Filter& f : list) {
        int rx = box_reach(f.blur_x) * passes_of(f), ry = box_reach(f.blur_y) * passes_of(f);
        int dx = 0, dy = 0;
        switch (f.type) {
        case FilterType::DropShadow:
        case FilterType::Bevel:
        case FilterType::GradientBevel:
        case FilterType::GradientGlow: {
            const double d = std::clamp(f.distance, -double(kMaxFilterMargin), double(kMaxFilterMargin));
            dx = int(std::ceil(std::fabs(std::cos(f.angle) * d)));
            dy = int(std::ceil(std::fabs(std::sin(f.angle) * d)));
            break;
        }
        case FilterType::Convolution:
            rx = f.matrix_x / 2;
            ry = f.matrix_y / 2;
            break;
        case FilterType::ColorMatrix: rx = ry = 0; break;
        default: break;
        }
        // Inner effects draw only inside the source, but they need the clear pixels around it.
        m.left = std::min(limit, m.left + rx + dx);
        m.right = std::min(limit, m.right + rx + dx);
        m.top = std::min(limit, m.top + ry + dy);
        m.bottom = std::min(limit, m.bottom + ry + dy);
    }
    return m;
}

namespace {

std::vector<uint8_t> alpha_plane(const FilterImage& img) {
    std::vector<uint8_t> a(img.pixels.size());
    for (size_t i = 0; i < a.size(); ++i) a[i] = uint8_t(img.pixels[i] >> 24);
    return a;
}

// `p` moved by (dx, dy); what comes in from outside is `fill`.
std::vector<uint8_t> shifted(const std::vector<uint8_t>& p, int w, int h, int dx, int dy, uint8_t fill) {
    if (dx == 0 && dy == 0) return p;
    std::vector<uint8_t> out(p.size(), fill);
    for (int y = 0; y < h; ++y) {
        const int sy = y - dy;
        if (sy < 0 || sy >= h) continue;
        const int x0 = std::max(0, dx), x1 = std::min(w, w + dx);
        if (x0 < x1) std::copy_n(p.data() + ptrdiff_t(sy) * w + (x0 - dx), x1 - x0, out.data() + ptrdiff_t(y) * w + x0);
    }
    return out;
}

void offset_of(const Filter& f, int& dx, int& dy) {
    const double d = std::clamp(f.distance, -double(kMaxFilterMargin), double(kMaxFilterMargin));
    dx = int(std::lround(std::cos(f.angle) * d));
    dy = int(std::lround(std::sin(f.angle) * d));
}

void strengthen(std::vector<uint8_t>& p, double strength) {
    if (strength == 1) return;
    const uint32_t s = uint32_t(std::clamp(strength, 0.0, 255.0) * 256);
    for (uint8_t& v : p) v = uint8_t(std::min<uint32_t>(255, (v * s + 128) >> 8));
}

// src over dst, both premultiplied.
inline uint32_t over(uint32_t src, uint32_t dst) {
    const uint32_t ia = 255 - (src >> 24);
    if (ia == 255) return dst;
    if (ia == 0) return src;
    uint32_t out = 0;
    for (int sh = 0; sh < 32; sh += 8)
        out |= std::min<uint32_t>(255, ((src >> sh) & 255) + mul255((dst >> sh) & 255, ia)) << sh;
    return out;
}

inline uint32_t scale(uint32_t px, uint32_t k) {
    if (k == 255) return px;
    if (k == 0) return 0;
    uint32_t out = 0;
    for (int sh = 0; sh < 32; sh += 8) out |= mul255((px >> sh) & 255, k) << sh;
    return out;
}

// Effect e laid on the source inside its alpha only: the result keeps the source's alpha.
inline uint32_t atop(uint32_t e, uint32_t src) {
    const uint32_t sa = src >> 24;
    const uint32_t a = scale(e, sa), b = scale(src, 255 - (e >> 24));
    uint32_t out = 0;
    for (int sh = 0; sh < 32; sh += 8) out |= std::min<uint32_t>(255, ((a >> sh) & 255) + ((b >> sh) & 255)) << sh;
    return out;
}

// Puts an effect layer (premultiplied colour per pixel, from `effect`) together with the source
// the way shadows and glows do: outer effects go behind the source or replace it (knockout), inner
// ones lie on top of it, inside its alpha.
template <typename Effect>
void combine(FilterImage& img, const Filter& f, Effect effect) {
    const bool inner = f.inner;
    for (size_t i = 0; i < img.pixels.size(); ++i) {
        const uint32_t src = img.pixels[i], sa = src >> 24;
        // Most pixels are clear of the effect, or covered by an opaque source in front of it.
        if (!inner && !f.on_top && !f.knockout && f.composite_source && sa == 255) continue;
        const uint32_t e = effect(i);
        if (e == 0 && !f.knockout && f.composite_source) continue;
        if (inner) {
            img.pixels[i] = f.knockout || !f.composite_source ? scale(e, sa) : atop(e, src);
        } else if (f.on_top) {  // a gradient glow of the full kind: on top, inside and out
            img.pixels[i] = f.knockout || !f.composite_source ? e : over(e, src);
        } else if (f.knockout) {
            img.pixels[i] = scale(e, 255 - sa);
        } else {
            img.pixels[i] = f.composite_source ? over(src, e) : e;
        }
    }
}

// What shadows and glows are coloured from: the source's alpha (inverted for inner effects, so
// that the clear outside casts onto the inside), blurred, moved and strengthened.
std::vector<uint8_t> effect_alpha(const Filter& f, const FilterImage& img, bool offset) {
    const int w = img.width, h = img.height;
    std::vector<uint8_t> a = alpha_plane(img);
    if (f.inner)
        for (uint8_t& v : a) v = uint8_t(255 - v);
    blur_plane(a.data(), w, h, f.blur_x, f.blur_y, passes_of(f));
    int dx = 0, dy = 0;
    if (offset) offset_of(f, dx, dy);
    a = shifted(a, w, h, dx, dy, f.inner ? 255 : 0);
    strengthen(a, f.strength);
    return a;
}

void shadow_or_glow(const Filter& f, FilterImage& img) {
    const std::vector<uint8_t> a = effect_alpha(f, img, f.type == FilterType::DropShadow);
    const uint32_t color = premultiply(f.color);
    combine(img, f, [&](size_t i) { return scale(color, a[i]); });
}

// The colour a gradient glow or bevel gives each 0..255 position, premultiplied.
std::vector<uint32_t> gradient_table(const Filter& f) {
    std::vector<uint32_t> lut(256, 0);
    const size_t n = std::min(f.gradient_colors.size(), f.gradient_ratios.size());
    if (n == 0) return lut;
    for (int i = 0; i < 256; ++i) {
        size_t k = 0;
        while (k < n && f.gradient_ratios[k] < i) ++k;
        RGBA c;
        if (k == 0)
            c = f.gradient_colors[0];
        else if (k == n)
            c = f.gradient_colors[n - 1];
        else {
            const int r0 = f.gradient_ratios[k - 1], r1 = f.gradient_ratios[k];
            c = RGBA::lerp(f.gradient_colors[k - 1], f.gradient_colors[k], r1 > r0 ? double(i - r0) / (r1 - r0) : 1.0);
        }
        lut[i] = premultiply(c);
    }
    return lut;
}

void gradient_glow(const Filter& f, FilterImage& img) {
    const std::vector<uint8_t> a = effect_alpha(f, img, true);
    const std::vector<uint32_t> lut = gradient_table(f);
    combine(img, f, [&](size_t i) { return lut[a[i]]; });
}

// Bevels light the source from `angle`: the blurred alpha seen from behind the light minus the one
// seen from in front of it gives the shadow side; the other way round, the lit side.
void bevel(const Filter& f, FilterImage& img) {
    const int w = img.width, h = img.height;
    std::vector<uint8_t> a = alpha_plane(img);
    blur_plane(a.data(), w, h, f.blur_x, f.blur_y, passes_of(f));
    int dx = 0, dy = 0;
    offset_of(f, dx, dy);
    const std::vector<uint8_t> behind = shifted(a, w, h, dx, dy, 0), ahead = shifted(a, w, h, -dx, -dy, 0);
    const uint32_t s = uint32_t(std::clamp(f.strength, 0.0, 255.0) * 256);
    const bool gradient = f.type == FilterType::GradientBevel;
    const std::vector<uint32_t> lut = gradient ? gradient_table(f) : std::vector<uint32_t>();
    const uint32_t shadow = premultiply(f.color), light = premultiply(f.highlight);
    for (size_t i = 0; i < img.pixels.size(); ++i) {
        const int diff = int(behind[i]) - int(ahead[i]);
        const uint32_t amount = std::min<uint32_t>(255, (uint32_t(std::abs(diff)) * s + 128) >> 8);
        uint32_t e;
        if (gradient) {
            const int signed_amount = diff >= 0 ? int(amount) : -int(amount);
            e = lut[std::clamp(128 + signed_amount / 2, 0, 255)];
        } else {
            e = amount == 0 ? 0 : scale(diff > 0 ? shadow : light, amount);
        }
        // Inner bevels stay inside the source; outer ones lie behind it; full ones lie on top.
        const uint32_t src = img.pixels[i], sa = src >> 24;
        if (f.knockout)
            img.pixels[i] = f.inner ? scale(e, sa) : f.on_top ? e : scale(e, 255 - sa);
        else if (f.inner)
            img.pixels[i] = atop(e, src);
        else if (f.on_top)
            img.pixels[i] = over(e, src);
        else
            img.pixels[i] = over(src, e);
    }
}

// A channel worked out in floating point, back in 0..255 (overflowing sums and NaN included).
inline uint8_t to_channel(float v) {
    if (!(v > 0)) return 0;
    return v < 255 ? uint8_t(std::lround(v)) : 255;
}

inline RGBA unpremultiply(uint32_t px) {
    const uint32_t a = px >> 24;
    if (a == 0) return {0, 0, 0, 0};
    auto u = [a](uint32_t c) { return uint8_t(std::min<uint32_t>(255, (c * 255 + a / 2) / a)); };
    return {u((px >> 16) & 255), u((px >> 8) & 255), u(px & 255), uint8_t(a)};
}

void color_matrix(const Filter& f, FilterImage& img) {
    const float* m = f.cm;
    for (uint32_t& px : img.pixels) {
        const RGBA c = unpremultiply(px);
        const float in[4] = {float(c.r), float(c.g), float(c.b), float(c.a)};
        uint8_t out[4];
        for (int r = 0; r < 4; ++r) {
            const float* row = m + 5 * r;
            const float v = row[0] * in[0] + row[1] * in[1] + row[2] * in[2] + row[3] * in[3] + row[4];
            out[r] = to_channel(v);
        }
        px = premultiply(RGBA{out[0], out[1], out[2], out[3]});
    }
}

void convolution(const Filter& f, FilterImage& img) {
    const int mx = f.matrix_x, my = f.matrix_y, w = img.width, h = img.height;
    if (mx <= 0 || my <= 0 || f.kernel.size() < size_t(mx) * my) return;
    const float div = f.divisor == 0 || !std::isfinite(f.divisor) ? 1.0f : f.divisor;
    std::vector<RGBA> src(img.pixels.size());
    for (size_t i = 0; i < src.size(); ++i) src[i] = unpremultiply(img.pixels[i]);
    const int ox = mx / 2, oy = my / 2;
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            float acc[4] = {0, 0, 0, 0};
            for (int j = 0; j < my; ++j) {
                for (int i = 0; i < mx; ++i) {
                    int sx = x + i - ox, sy = y + j - oy;
                    RGBA c;
                    if (sx >= 0 && sx < w && sy >= 0 && sy < h) {
                        c = src[size_t(sy) * w + sx];
                    } else if (f.clamp) {
                        c = src[size_t(std::clamp(sy, 0, h - 1)) * w + std::clamp(sx, 0, w - 1)];
                    } else {
                        c = f.color;
                    }
                    const float k = f.kernel[size_t(j) * mx + i];
                    acc[0] += k * c.r, acc[1] += k * c.g, acc[2] += k * c.b, acc[3] += k * c.a;
                }
            }
            auto out = [&](float v) { return to_channel(v / div + f.bias); };
            const RGBA own = src[size_t(y) * w + x];
            RGBA c{out(acc[0]), out(acc[1]), out(acc[2]), f.preserve_alpha ? own.a : out(acc[3])};
            img.pixels[size_t(y) * w + x] = premultiply(c);
        }
    }
}

void blur_image(const Filter& f, FilterImage& img) {
    const int w = img.width, h = img.height;
    std::vector<uint8_t> plane(img.pixels.size());
    for (int sh = 0; sh < 32; sh += 8) {
        for (size_t i = 0; i < plane.size(); ++i) plane[i] = uint8_t(img.pixels[i] >> sh);
        blur_plane(plane.data(), w, h, f.blur_x, f.blur_y, passes_of(f));
        const uint32_t keep = ~(255u << sh);
        for (size_t i = 0; i < plane.size(); ++i) img.pixels[i] = (img.pixels[i] & keep) | uint32_t(plane[i]) << sh;
    }
    // Channels blurred apart may round above their alpha; premultiplied colour must not.
    for (uint32_t& px : img.pixels) {
        const uint32_t a = px >> 24;
        uint32_t out = a << 24;
        for (int sh = 0; sh < 24; sh += 8) out |= std::min((px >> sh) & 255, a) << sh;
        px = out;
    }
}

}  // namespace

uint32_t scale_premultiplied(uint32_t px, uint32_t k) { return scale(px, k); }

uint32_t cxform_picture_pixel(uint32_t px, const CxForm& cx) {
    const RGBA c = unpremultiply(px);
    // v * m / 256 + add, to the nearest (halves away from zero), within 0..255.
    auto f = [](int v, int m, int add) {
        const int64_t t = int64_t(v) * m;
        const int64_t q = (t >= 0 ? t + 128 : t - 128) / 256 + add;
        return uint8_t(std::clamp<int64_t>(q, 0, 255));
    };
    return premultiply(RGBA{f(c.r, cx.rm, cx.ra), f(c.g, cx.gm, cx.ga), f(c.b, cx.bm, cx.ba), f(c.a, cx.am, cx.aa)});
}

void composite_over(uint32_t* dst, const uint32_t* src, int n) {
    for (int i = 0; i < n; ++i) {
        const uint32_t s = src[i];
        if (s == 0) continue;
        dst[i] = (s >> 24) == 255 ? s : over(s, dst[i]);
    }
}

void apply_filter(const Filter& f, FilterImage& img) {
    if (img.width <= 0 || img.height <= 0) return;
    switch (f.type) {
    case FilterType::Blur: blur_image(f, img); break;
    case FilterType::DropShadow:
    case FilterType::Glow: shadow_or_glow(f, img); break;
    case FilterType::GradientGlow: gradient_glow(f, img); break;
    case FilterType::Bevel:
    case FilterType::GradientBevel: bevel(f, img); break;
    case FilterType::Convolution: convolution(f, img); break;
    case FilterType::ColorMatrix: color_matrix(f, img); break;
    }
}

namespace {

uint64_t work_of(const Filter& f, const FilterImage& img) {
    const uint64_t pixels = uint64_t(img.width) * uint64_t(img.height);
    switch (f.type) {
    case FilterType::Blur: return pixels * (1 + 8 * uint64_t(passes_of(f)));  // 4 planes, 2 directions
    case FilterType::Convolution: return pixels * (1 + uint64_t(f.matrix_x) * uint64_t(f.matrix_y));
    case FilterType::ColorMatrix: return pixels;
    default: return pixels * (4 + 2 * uint64_t(passes_of(f)));
    }
}

}  // namespace

void apply_filters(const FilterList& list, FilterImage& img, uint64_t& budget) {
    for (const Filter& f : list) {
        const uint64_t work = work_of(f, img);
        if (work > budget) {
            budget = 0;
            return;
        }
        budget -= work;
        apply_filter(f, img);
    }
}

}  // namespace swf
