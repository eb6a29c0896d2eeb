#include "swf/paint.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace swf {

namespace {

inline uint32_t div255(uint32_t v) { return (v + 128 + ((v + 128) >> 8)) >> 8; }

// src-over of one premultiplied pixel with coverage 0..255.
inline uint32_t blend(uint32_t dst, uint32_t src, uint32_t cov) {
    if (cov != 255) {
        uint32_t rb = (src & 0x00FF00FF) * cov;
        uint32_t ag = ((src >> 8) & 0x00FF00FF) * cov;
        rb = ((rb + 0x00800080 + ((rb >> 8) & 0x00FF00FF)) >> 8) & 0x00FF00FF;
        ag = ((ag + 0x00800080 + ((ag >> 8) & 0x00FF00FF)) >> 8) & 0x00FF00FF;
        src = rb | (ag << 8);
    }
    uint32_t inv = 255 - (src >> 24);
    if (inv == 0) return src;
    uint32_t rb = (dst & 0x00FF00FF) * inv;
    uint32_t ag = ((dst >> 8) & 0x00FF00FF) * inv;
    rb = ((rb + 0x00800080 + ((rb >> 8) & 0x00FF00FF)) >> 8) & 0x00FF00FF;
    ag = ((ag + 0x00800080 + ((ag >> 8) & 0x00FF00FF)) >> 8) & 0x00FF00FF;
    return src + (rb | (ag << 8));
}

inline double srgb_to_linear(double c) {
    return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}
inline double linear_to_srgb(double c) {
    return c <= 0.0031308 ? c * 12.92 : 1.055 * std::pow(c, 1 / 2.4) - 0.055;
}

}  // namespace

uint32_t apply_cxform_premultiplied(uint32_t px, const CxForm& cx) {
    uint32_t a = px >> 24;
    RGBA c;
    if (a == 0) {
        c = {0, 0, 0, 0};
    } else {
        c.a = uint8_t(a);
        c.r = uint8_t(std::min<uint32_t>(255, (((px >> 16) & 255) * 255 + a / 2) / a));
        c.g = uint8_t(std::min<uint32_t>(255, (((px >> 8) & 255) * 255 + a / 2) / a));
        c.b = uint8_t(std::min<uint32_t>(255, ((px & 255) * 255 + a / 2) / a));
    }
    return premultiply(cx.apply(c));
}

// ---------------------------------------------------------------------------------------------
// Painter: coverage x mask, then src-over
// ---------------------------------------------------------------------------------------------
void Painter::row(int y, int x0, int x1, const uint8_t* coverage) {
    const int n = x1 - x0;
    const uint8_t* cov = coverage;
    if (clip_) {
        cov_.resize(n);
        const uint8_t* m = clip_->row(y) + x0;
        bool any = false;
        for (int i = 0; i < n; ++i) {
            cov_[i] = uint8_t(div255(uint32_t(coverage[i]) * m[i]));
            any |= cov_[i] != 0;
        }
        if (!any) return;
        cov = cov_.data();
    }
    uint32_t* dst = canvas_.row(y) + x0;
    if (canvas_.dirty) canvas_.dirty->add(x0, y, x1, y + 1);
#if defined(__GNUC__)
    // Shapes arrive row by row: fetch the canvas a few rows ahead, the next rows' spans are
    // mostly above or below this one.
    if (y + 3 < canvas_.height) {
        const uint32_t* ahead = canvas_.row(y + 3) + x0;
        for (int i = 0; i < n; i += 16) __builtin_prefetch(ahead + i, 1);
        __builtin_prefetch(ahead + n - 1, 1);
    }
#endif
    if (opaque_solid_) {
        for (int i = 0; i < n; ++i) {
            if (cov[i] == 255)
                dst[i] = solid_;
            else if (cov[i])
                dst[i] = blend(dst[i], solid_, cov[i]);
        }
        return;
    }
    src_.resize(n);
    if (opaque_shade_) {
        // Fully covered runs are shaded straight into the canvas; only edge pixels blend.
        for (int i = 0; i < n;) {
            int j = i;
            if (cov[i] == 255) {
                while (j < n && cov[j] == 255) ++j;
                shade(y, x0 + i, j - i, dst + i);
            } else {
                while (j < n && cov[j] != 255) ++j;
                shade(y, x0 + i, j - i, src_.data());
                for (int k = i; k < j; ++k)
                    if (cov[k]) dst[k] = blend(dst[k], src_[k - i], cov[k]);
            }
            i = j;
        }
        return;
    }
    shade(y, x0, n, src_.data());
    for (int i = 0; i < n; ++i) {
        const uint32_t c = cov[i], s = src_[i];
        if (c == 255 && s >= 0xFF000000u)
            dst[i] = s;
        else if (c)
            dst[i] = blend(dst[i], s, c);
    }
}

// ---------------------------------------------------------------------------------------------
// Solid
// ---------------------------------------------------------------------------------------------
SolidPainter::SolidPainter(const Canvas& c, const Mask* clip, uint32_t premultiplied) : Painter(c, clip) {
    solid_ = premultiplied;
    opaque_solid_ = (premultiplied >> 24) == 255;
}

void SolidPainter::shade(int, int, int n, uint32_t* out) { std::fill(out, out + n, solid_); }

// ---------------------------------------------------------------------------------------------
// Gradients
// ---------------------------------------------------------------------------------------------
void build_gradient_lut(const Gradient& g, const CxForm& cx, uint32_t out[256]) {
    const bool linear_rgb = g.interpolation == 1;
    const bool plain = cx.identity();
    for (int i = 0; i < 256; ++i) {
        const double ratio = i;
        // The first stop at or past this position ends the piece it lies in; stops are taken in
        // file order even when their ratios are not.
        int k = 0;
        while (k < g.count && ratio > g.ratio[k]) ++k;
        RGBA col;
        if (k == 0) {
            col = g.color[0];
        } else if (k == g.count) {
            col = g.color[g.count - 1];
        } else {
            double r0 = g.ratio[k - 1], r1 = g.ratio[k];
            double t = r1 > r0 ? (ratio - r0) / (r1 - r0) : 1.0;
            RGBA p = g.color[k - 1], q = g.color[k];
            if (linear_rgb) {
                auto mix = [t](uint8_t a, uint8_t b) {
                    double v = srgb_to_linear(a / 255.0) * (1 - t) + srgb_to_linear(b / 255.0) * t;
                    return uint8_t(std::clamp(linear_to_srgb(v) * 255.0 + 0.5, 0.0, 255.0));
                };
                col = {mix(p.r, q.r), mix(p.g, q.g), mix(p.b, q.b),
                       uint8_t(std::clamp(p.a + (q.a - p.a) * t + 0.5, 0.0, 255.0))};
            } else {
                col = RGBA::lerp(p, q, t);
            }
        }
        out[i] = premultiply(plain ? col : cx.apply(col));
    }
}

namespace {
inline uint64_t widen(uint32_t c) {
    uint64_t v = c;
    v = (v | v << 16) & 0x0000FFFF0000FFFFull;
    return (v | v << 8) & 0x00FF00FF00FF00FFull;
}
inline uint32_t narrow(uint64_t v) {
    v = (v | v >> 8) & 0x0000FFFF0000FFFFull;
    return uint32_t(v | v >> 16);
}
}  // namespace

void build_wide_gradient(const Gradient& g, const CxForm& cx, uint64_t wide[258]) {
    uint32_t lut[256];
    build_gradient_lut(g, cx, lut);
    for (int i = 0; i < 256; ++i) wide[i + 1] = widen(lut[i]);
    wide[0] = wide[1];
    wide[257] = wide[256];
}

const uint64_t* GradientCache::get(const Gradient& g, const CxForm& cx) {
    auto same = [&](const Entry& e) {
        if (e.g.count != g.count || e.g.spread != g.spread || e.g.interpolation != g.interpolation) return false;
        if (std::memcmp(&e.cx, &cx, sizeof cx) != 0) return false;
        for (int i = 0; i < g.count; ++i)
            if (e.g.ratio[i] != g.ratio[i] || !(e.g.color[i] == g.color[i])) return false;
        return true;
    };
    // FNV-1a over what decides the table.
    uint64_t h = 1469598103934665603ull;
    auto mix = [&h](uint32_t v) { h = (h ^ v) * 1099511628211ull; };
    mix(g.count | g.spread << 8 | g.interpolation << 16);
    for (int i = 0; i < g.count; ++i)
        mix(uint32_t(g.ratio[i]) << 24 ^ (g.color[i].r | g.color[i].g << 8 | g.color[i].b << 16) ^ uint32_t(g.color[i].a) << 20);
    const int32_t* c = &cx.rm;
    for (int i = 0; i < 8; ++i) mix(uint32_t(c[i]));
    auto range = index_.equal_range(h);
    for (auto it = range.first; it != range.second; ++it)
        if (same(entries_[it->second])) return entries_[it->second].wide + 1;
    constexpr size_t kEntries = 4096;
    if (entries_.size() < kEntries) {
        entries_.emplace_back();
        next_ = entries_.size() - 1;
    } else {
        // Full: start over rather than track ages; tables are cheap to rebuild once.
        entries_.clear();
        index_.clear();
        entries_.emplace_back();
        next_ = 0;
    }
    Entry& e = entries_[next_];
    e.g = g;
    e.cx = cx;
    build_wide_gradient(g, cx, e.wide);
    index_.emplace(h, next_);
    return e.wide + 1;
}

GradientPainter::GradientPainter(const Canvas& c, const Mask* clip, const FillStyle& fill,
                                 const Matrix& to_device, const CxForm& cx, GradientCache* cache)
    : Painter(c, clip), type_(fill.type), spread_(fill.gradient.spread), focal_(fill.gradient.focal) {
    valid_ = to_device.invert(inv_);
    const Gradient& g = fill.gradient;
    if (g.count == 0) {
        valid_ = false;
        return;
    }
    if (cache)
        wide_ = cache->get(g, cx);
    else
        build_wide_gradient(g, cx, own_);
    opaque_shade_ = true;
    for (int i = 0; i < 256 && opaque_shade_; ++i) opaque_shade_ = (wide_[i] >> 48) == 255;
}

namespace {

// Positions are 16.16 fixed point in table entries (256 is the gradient's end). The spread folds
// a position into [0, 256); the colour is then blended between the two nearest entries, each entry
// standing for the middle of its 1/256 of the gradient.
constexpr int64_t kTableEnd = int64_t(256) << 16;

// `wide` has entries -1 and 256 repeating the ends, so a folded position needs no range checks;
// its 16-bit lanes let one multiply weigh all four channels.
inline uint32_t sample_table(const uint64_t* wide, int32_t p) {
    p -= 1 << 15;
    const int32_t i = p >> 16;  // -1 .. 255
    const uint64_t f = uint32_t(p >> 8) & 255;
    const uint64_t acc = wide[i] * (256 - f) + wide[i + 1] * f + 0x0080008000800080ull;
    return narrow((acc >> 8) & 0x00FF00FF00FF00FFull);
}

struct PadSpread {
    static int32_t fold(int64_t p) { return int32_t(p < 0 ? 0 : p >= kTableEnd ? kTableEnd - 1 : p); }
};
struct ReflectSpread {
    static int32_t fold(int64_t p) {
        // Mirrored exactly about the end, so the way back matches the way out.
        p &= 2 * kTableEnd - 1;
        return int32_t(p > kTableEnd ? 2 * kTableEnd - p : p);
    }
};
struct RepeatSpread {
    static int32_t fold(int64_t p) { return int32_t(p & (kTableEnd - 1)); }
};

#if defined(__SSE2__)
// Two neighbouring entries are one 16-byte load of eight 16-bit lanes; one multiply weighs both.
void sample_row(const uint64_t* lut, const int32_t* pos, int n, uint32_t* out) {
    const __m128i round = _mm_set1_epi16(128);
    for (int i = 0; i < n; ++i) {
        const int32_t p = pos[i] - (1 << 15);
        const int32_t k = p >> 16;
        const int f = (p >> 8) & 255;
        const __m128i pair = _mm_loadu_si128(reinterpret_cast<const __m128i*>(lut + k));
        const __m128i weights = _mm_unpacklo_epi64(_mm_set1_epi16(short(256 - f)), _mm_set1_epi16(short(f)));
        const __m128i prod = _mm_mullo_epi16(pair, weights);
        const __m128i sum = _mm_add_epi16(_mm_add_epi16(prod, _mm_srli_si128(prod, 8)), round);
        out[i] = uint32_t(_mm_cvtsi128_si32(_mm_packus_epi16(_mm_srli_epi16(sum, 8), sum)));
    }
}
#else
void sample_row(const uint64_t* lut, const int32_t* pos, int n, uint32_t* out) {
    for (int i = 0; i < n; ++i) out[i] = sample_table(lut, pos[i]);
}
#endif

template <typename Spread>
void linear_positions(int64_t t, int64_t dt, int n, int32_t* pos) {
    for (int i = 0; i < n; ++i, t += dt) pos[i] = Spread::fold(t);
}

// Distances from the centre, in table positions; kept in float (and clamped to the int32 range)
// so that the loop vectorises.
void radial_distances(float gx, float gy, float dx, float dy, int n, int32_t* pos) {
    constexpr float k = 65536.0f * 256.0f / 16384.0f, limit = 2147483520.0f;
    for (int i = 0; i < n; ++i) {
        const float fx = gx + dx * float(i), fy = gy + dy * float(i);
        pos[i] = int32_t(std::min(std::sqrt(fx * fx + fy * fy) * k, limit));
    }
}

template <typename Spread>
void fold_row(int n, int32_t* pos) {
    for (int i = 0; i < n; ++i) pos[i] = Spread::fold(pos[i]);
}

}  // namespace

void GradientPainter::shade(int y, int x0, int n, uint32_t* out) {
    const double py = y + 0.5;
    const double gx0 = inv_.a * (x0 + 0.5) + inv_.c * py + inv_.tx;
    const double gy0 = inv_.b * (x0 + 0.5) + inv_.d * py + inv_.ty;
    if (pos_.size() < size_t(n)) pos_.resize(n);
    int32_t* pos = pos_.data();
    switch (type_) {
    case FillType::Linear: {
        // Position along the gradient in 1/65536 of a table entry, stepped exactly per pixel.
        const double scale = 256.0 / 32768.0 * 65536.0;
        const int64_t t = int64_t(std::floor(std::clamp((gx0 + 16384.0) * scale, -1e15, 1e15)));
        const int64_t dt = int64_t(std::floor(std::clamp(inv_.a * scale, -1e12, 1e12)));
        if (spread_ == 1)
            linear_positions<ReflectSpread>(t, dt, n, pos);
        else if (spread_ == 2)
            linear_positions<RepeatSpread>(t, dt, n, pos);
        else
            linear_positions<PadSpread>(t, dt, n, pos);
        break;
    }
    case FillType::Radial: {
        radial_distances(float(gx0), float(gy0), float(inv_.a), float(inv_.b), n, pos);
        if (spread_ == 1)
            fold_row<ReflectSpread>(n, pos);
        else if (spread_ == 2)
            fold_row<RepeatSpread>(n, pos);
        else
            fold_row<PadSpread>(n, pos);
        break;
    }
    default: {
        // Focal: t is how far along the ray from the focal point F to the unit circle we are.
        const double fx = focal_ * 16384.0, R2 = 16384.0 * 16384.0;
        const double a = fx * fx - R2;
        double gx = gx0, gy = gy0;
        for (int i = 0; i < n; ++i, gx += inv_.a, gy += inv_.b) {
            double ddx = gx - fx, ddy = gy;
            double b = 2 * fx * ddx, c = ddx * ddx + ddy * ddy;
            double disc = std::max(0.0, b * b - 4 * a * c);
            double t = a != 0 ? (-b - std::sqrt(disc)) / (2 * a) : 0;
            const int64_t p = int64_t(std::floor(std::clamp(t * 256 * 65536, -1e15, 1e15)));
            pos[i] = spread_ == 1 ? ReflectSpread::fold(p) : spread_ == 2 ? RepeatSpread::fold(p) : PadSpread::fold(p);
        }
    }
    }
    sample_row(wide_, pos, n, out);
}

// ---------------------------------------------------------------------------------------------
// Bitmaps
// ---------------------------------------------------------------------------------------------
BitmapPainter::BitmapPainter(const Canvas& c, const Mask* clip, const BitmapDef& bmp, const Matrix& to_device,
                             bool repeat, bool smooth, const CxForm& cx)
    : Painter(c, clip), bmp_(bmp), repeat_(repeat), smooth_(smooth), cx_(cx), cx_identity_(cx.identity()) {
    valid_ = to_device.invert(inv_) && bmp.width > 0 && bmp.height > 0 &&
             bmp.pixels.size() >= size_t(bmp.width) * bmp.height;
}

void BitmapPainter::shade(int y, int x0, int n, uint32_t* out) {
    const int w = bmp_.width, h = bmp_.height;
    const uint32_t* px = bmp_.pixels.data();
    // Texel coordinates in 16.16 fixed point, stepped per pixel.
    const double py = y + 0.5;
    double u = inv_.a * (x0 + 0.5) + inv_.c * py + inv_.tx;
    double v = inv_.b * (x0 + 0.5) + inv_.d * py + inv_.ty;
    auto fix = [](double d) { return int64_t(std::clamp(d, -1e12, 1e12) * 65536.0); };
    int64_t fu = fix(u), fv = fix(v), du = fix(inv_.a), dv = fix(inv_.b);
    auto wrap = [this](int64_t t, int size) -> int {
        if (repeat_) {
            int64_t m = t % size;
            return int(m < 0 ? m + size : m);
        }
        return int(std::clamp<int64_t>(t, 0, size - 1));
    };
    for (int i = 0; i < n; ++i, fu += du, fv += dv) {
        uint32_t c;
        if (smooth_) {
            int64_t su = fu - 32768, sv = fv - 32768;  // sample between texel centres
            int64_t iu = su >> 16, iv = sv >> 16;
            uint32_t wu = uint32_t((su >> 8) & 255), wv = uint32_t((sv >> 8) & 255);
            int xa = wrap(iu, w), xb = wrap(iu + 1, w), ya = wrap(iv, h), yb = wrap(iv + 1, h);
            uint32_t p00 = px[ya * w + xa], p10 = px[ya * w + xb], p01 = px[yb * w + xa], p11 = px[yb * w + xb];
            c = 0;
            for (int sh = 0; sh < 32; sh += 8) {
                uint32_t a0 = (p00 >> sh) & 255, a1 = (p10 >> sh) & 255, b0 = (p01 >> sh) & 255,
                         b1 = (p11 >> sh) & 255;
                uint32_t top = a0 * (256 - wu) + a1 * wu, bot = b0 * (256 - wu) + b1 * wu;
                uint32_t val = (top * (256 - wv) + bot * wv + 32768) >> 16;
                c |= std::min<uint32_t>(val, 255) << sh;
            }
        } else {
            c = px[wrap(fv >> 16, h) * w + wrap(fu >> 16, w)];
        }
        out[i] = cx_identity_ ? c : apply_cxform_premultiplied(c, cx_);
    }
}

// ---------------------------------------------------------------------------------------------
// Masks
// ---------------------------------------------------------------------------------------------
void MaskPainter::row(int y, int x0, int x1, const uint8_t* coverage) {
    uint8_t* m = mask_.data.data() + ptrdiff_t(y) * mask_.width + x0;
    const uint8_t* o = outer_ ? outer_->row(y) + x0 : nullptr;
    for (int i = 0; i < x1 - x0; ++i) {
        uint32_t c = coverage[i];
        if (o) c = div255(c * o[i]);
        // Union of the mask's own shapes: coverage adds up to full.
        m[i] = uint8_t(std::min<uint32_t>(255, m[i] + div255(c * (255 - m[i])) + 0));
    }
}

}  // namespace swf
