#include "swf/paint.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>

// The span loops use SSE2 throughout: every x86-64 processor has it, and the 32-bit build asks
// for it (every processor a supported Windows runs on has it too), so there is no scalar variant
// to keep in step and leave untested.
#include <emmintrin.h>

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
namespace {

// The end of the run of full coverage (255) starting at i, or of the run of anything else:
// most of a shape's row is one long full run.
inline int end_of_full(const uint8_t* cov, int i, int n) {
    const __m128i full = _mm_set1_epi8(char(0xFF));
    for (; i + 16 <= n; i += 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(cov + i));
        const uint32_t not_full = ~uint32_t(_mm_movemask_epi8(_mm_cmpeq_epi8(v, full))) & 0xFFFF;
        if (not_full) return i + lowest_bit(not_full);
    }
    while (i < n && cov[i] == 255) ++i;
    return i;
}
inline int end_of_partial(const uint8_t* cov, int i, int n) {
    const __m128i full = _mm_set1_epi8(char(0xFF));
    for (; i + 16 <= n; i += 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(cov + i));
        const uint32_t is_full = uint32_t(_mm_movemask_epi8(_mm_cmpeq_epi8(v, full)));
        if (is_full) return i + lowest_bit(is_full);
    }
    while (i < n && cov[i] != 255) ++i;
    return i;
}

// One opaque colour over the canvas: full coverage replaces what is there.
void solid_over(uint32_t colour, const uint8_t* cov, int n, uint32_t* dst) {
    for (int i = 0; i < n;) {
        if (cov[i] == 255) {
            const int end = end_of_full(cov, i, n);
            std::fill(dst + i, dst + end, colour);
            i = end;
        } else {
            if (cov[i]) dst[i] = blend(dst[i], colour, cov[i]);
            ++i;
        }
    }
}

// x * m / 255 in 16-bit lanes, rounded as blend() rounds.
inline __m128i mul_255(__m128i x, __m128i m) {
    const __m128i t = _mm_mullo_epi16(x, m);
    return _mm_srli_epi16(_mm_add_epi16(_mm_add_epi16(t, _mm_set1_epi16(128)), _mm_srli_epi16(t, 8)), 8);
}

// Four opaque source pixels over four canvas pixels with coverages c4 (one byte each, lowest
// first): exactly blend(dst, src, c) for each. Each channel is src * c + dst * (255 - c), both
// scaled to at most c and 255 - c, so the sum never passes 255.
inline __m128i over_opaque4(__m128i dst, __m128i src, uint32_t c4) {
    const __m128i zero = _mm_setzero_si128();
    __m128i c = _mm_cvtsi32_si128(int(c4));
    c = _mm_unpacklo_epi8(c, c);
    c = _mm_unpacklo_epi16(c, c);  // each coverage in all four bytes of its pixel
    const __m128i c_lo = _mm_unpacklo_epi8(c, zero), c_hi = _mm_unpackhi_epi8(c, zero);
    const __m128i full = _mm_set1_epi16(255);
    const __m128i lo = _mm_add_epi16(mul_255(_mm_unpacklo_epi8(src, zero), c_lo),
                                     mul_255(_mm_unpacklo_epi8(dst, zero), _mm_sub_epi16(full, c_lo)));
    const __m128i hi = _mm_add_epi16(mul_255(_mm_unpackhi_epi8(src, zero), c_hi),
                                     mul_255(_mm_unpackhi_epi8(dst, zero), _mm_sub_epi16(full, c_hi)));
    return _mm_packus_epi16(lo, hi);
}

// Four premultiplied source pixels over four canvas pixels with coverages c4: exactly blend() for
// each. The source is scaled by its coverage, the canvas by what the scaled source leaves of it.
inline __m128i over4(__m128i dst, __m128i src, uint32_t c4) {
    const __m128i zero = _mm_setzero_si128(), full = _mm_set1_epi16(255);
    __m128i c = _mm_cvtsi32_si128(int(c4));
    c = _mm_unpacklo_epi8(c, c);
    c = _mm_unpacklo_epi16(c, c);
    auto half = [&](__m128i s, __m128i d, __m128i ch) {
        s = mul_255(s, ch);
        const __m128i alpha = _mm_shufflehi_epi16(_mm_shufflelo_epi16(s, 0xFF), 0xFF);
        return _mm_add_epi16(s, mul_255(d, _mm_sub_epi16(full, alpha)));
    };
    return _mm_packus_epi16(
        half(_mm_unpacklo_epi8(src, zero), _mm_unpacklo_epi8(dst, zero), _mm_unpacklo_epi8(c, zero)),
        half(_mm_unpackhi_epi8(src, zero), _mm_unpackhi_epi8(dst, zero), _mm_unpackhi_epi8(c, zero)));
}

inline bool all_opaque(__m128i src) {
    const __m128i alpha = _mm_set1_epi32(int32_t(0xFF000000u));
    return _mm_movemask_epi8(_mm_cmpeq_epi32(_mm_and_si128(src, alpha), alpha)) == 0xFFFF;
}

// Premultiplied colours over the canvas.
void over_row(const uint32_t* src, const uint8_t* cov, int n, uint32_t* dst) {
    int i = 0;
    for (; i + 4 <= n; i += 4) {
        uint32_t c4;
        std::memcpy(&c4, cov + i, 4);
        if (!c4) continue;
        const __m128i s = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + i));
        __m128i* d = reinterpret_cast<__m128i*>(dst + i);
        _mm_storeu_si128(d, c4 == 0xFFFFFFFFu && all_opaque(s) ? s : over4(_mm_loadu_si128(d), s, c4));
    }
    for (; i < n; ++i) {
        const uint32_t c = cov[i], s = src[i];
        if (c == 255 && s >= 0xFF000000u)
            dst[i] = s;
        else if (c)
            dst[i] = blend(dst[i], s, c);
    }
}

}  // namespace

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
    if (opaque_solid_) return solid_over(solid_, cov, n, dst);
    paint_row(y, x0, n, cov, dst);
}


void Painter::paint_row(int y, int x0, int n, const uint8_t* cov, uint32_t* dst) {
    if (src_.size() < size_t(n)) src_.resize(n);
    shade(y, x0, n, src_.data());
    over_row(src_.data(), cov, n, dst);
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
// A linear-light ramp works on whole 8-bit light levels: each stop's channels are taken to light
// (cut down to a whole level), blended there and cut down again, then encoded back. Translucent
// entries are weighted by their alpha once more, through the encoding curve: a channel ends up
// as colour * a * a / encode(a) rather than colour * a, so that they look fainter than the same
// colours blended as stored.
static uint32_t linear_light_entry(RGBA p, RGBA q, double t, const CxForm& cx, bool plain) {
    auto level = [](uint8_t c) { return std::floor(srgb_to_linear(c / 255.0) * 255.0); };
    auto mix = [&](uint8_t a, uint8_t b) {
        const double light = std::floor(level(a) + (level(b) - level(a)) * t);
        return uint8_t(std::clamp(linear_to_srgb(light / 255.0) * 255.0 + 0.5, 0.0, 255.0));
    };
    RGBA col = {mix(p.r, q.r), mix(p.g, q.g), mix(p.b, q.b), RGBA::lerp(p, q, t).a};
    if (!plain) col = cx.apply(col);
    const uint32_t pre = premultiply(col);
    if (col.a == 0 || col.a == 255) return pre;
    const double alpha = col.a / 255.0, weight = alpha / linear_to_srgb(alpha);
    uint32_t out = pre & 0xFF000000u;
    for (int shift = 0; shift < 24; shift += 8)
        out |= uint32_t(std::lround(double(pre >> shift & 255) * weight)) << shift;
    return out;
}

void build_gradient_lut(const Gradient& g, const CxForm& cx, uint32_t out[256]) {
    const bool linear_rgb = g.interpolation == InterpolationMode::LinearRgb;
    const bool plain = cx.identity();
    for (int i = 0; i < 256; ++i) {
        const double ratio = i;
        // The first stop at or past this position ends the piece it lies in; stops are taken in
        // file order even when their ratios are not.
        int k = 0;
        while (k < g.count && ratio > g.ratio[k]) ++k;
        // Before the first stop and past the last the end colours hold (t 0 of a piece that
        // starts and ends there).
        const int from = k == 0 ? 0 : k == g.count ? g.count - 1 : k - 1;
        const int to = k == g.count ? g.count - 1 : k;
        double t = 0;
        if (from != to) {
            const double r0 = g.ratio[from], r1 = g.ratio[to];
            t = r1 > r0 ? (ratio - r0) / (r1 - r0) : 1.0;
        }
        const RGBA p = g.color[from], q = g.color[to];
        if (linear_rgb) {
            out[i] = linear_light_entry(p, q, t, cx, plain);
        } else {
            const RGBA col = RGBA::lerp(p, q, t);
            out[i] = premultiply(plain ? col : cx.apply(col));
        }
    }
}

void build_gradient_ramp(const Gradient& g, const CxForm& cx, GradientRamp& out) {
    uint32_t lut[256];
    build_gradient_lut(g, cx, lut);
    out.opaque = true;
    for (int j = 0; j < 258; ++j) {
        out.colours[j] = lut[std::clamp(j - 1, 0, 255)];
        out.opaque &= (out.colours[j] >> 24) == 255;
    }
    for (int j = 0; j < 257; ++j) {
        for (int lane = 0; lane < 4; ++lane) {
            const uint32_t c = out.colours[j] >> (8 * lane) & 255, next = out.colours[j + 1] >> (8 * lane) & 255;
            out.wide[j][lane] = uint16_t(c * 256 + 128);
            out.wide[j][lane + 4] = uint16_t(next - c);
        }
    }
}

const GradientRamp& GradientCache::get(const Gradient& g, const CxForm& cx) {
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
    mix(g.count | uint32_t(g.spread) << 8 | uint32_t(g.interpolation) << 16);
    for (int i = 0; i < g.count; ++i)
        mix(uint32_t(g.ratio[i]) << 24 ^ (g.color[i].r | g.color[i].g << 8 | g.color[i].b << 16) ^ uint32_t(g.color[i].a) << 20);
    const int32_t* c = &cx.rm;
    for (int i = 0; i < 8; ++i) mix(uint32_t(c[i]));
    const size_t mask = slots_.size() - 1;
    for (size_t i = h & mask; !slots_.empty() && slots_[i]; i = (i + 1) & mask) {
        const uint32_t e = slots_[i] - 1;
        if (entry_hash_[e] == h && same(*entries_[e])) return entries_[e]->ramp;
    }
    constexpr size_t kEntries = 2048;  // about 11 MB of ramps at the most
    if (entries_.size() >= kEntries) {
        // Full: start over rather than track ages; ramps are cheap to rebuild once.
        entries_.clear();
        entry_hash_.clear();
        std::fill(slots_.begin(), slots_.end(), 0u);
    }
    auto e = std::make_unique<Entry>();
    e->g = g;
    e->cx = cx;
    build_gradient_ramp(g, cx, e->ramp);
    entries_.push_back(std::move(e));
    entry_hash_.push_back(h);
    if (slots_.size() < 2 * entries_.size()) {
        size_t size = 64;
        while (size < 4 * entries_.size()) size *= 2;  // a power of two, for the mask
        slots_.assign(size, 0u);
        for (size_t i = 0; i < entries_.size(); ++i) index(entry_hash_[i], uint32_t(i));
    } else {
        index(h, uint32_t(entries_.size() - 1));
    }
    return entries_.back()->ramp;
}

void GradientCache::index(uint64_t hash, uint32_t entry) {
    const size_t mask = slots_.size() - 1;
    size_t i = hash & mask;
    while (slots_[i]) i = (i + 1) & mask;
    slots_[i] = entry + 1;
}

namespace {
// std::floor for values already clamped to well inside the int64 range, without a library call.
inline int64_t floor_to_int(double v) {
    const int64_t i = int64_t(v);
    return i - (double(i) > v ? 1 : 0);
}
// Gradient square units to 16.16 table positions along a linear gradient.
constexpr double kLinearScale = 256.0 / 32768.0 * 65536.0;
}  // namespace

GradientPainter::GradientPainter(const Canvas& c, const Mask* clip, const FillStyle& fill,
                                 const Matrix& to_device, const CxForm& cx, GradientCache* cache)
    : Painter(c, clip), type_(fill.type), spread_(fill.gradient.spread), focal_(fill.gradient.focal) {
    valid_ = to_device.invert(inv_);
    const Gradient& g = fill.gradient;
    if (g.count == 0) {
        valid_ = false;
        return;
    }
    if (cache) {
        ramp_ = &cache->get(g, cx);
    } else {
        own_ = std::make_unique<GradientRamp>();
        build_gradient_ramp(g, cx, *own_);
        ramp_ = own_.get();
    }
#if defined(__GNUC__)
    // The rows sample the table all over: fetch it while the rasteriser sets out.
    for (size_t i = 0; i < sizeof ramp_->wide; i += 64) __builtin_prefetch(reinterpret_cast<const char*>(ramp_->wide) + i);
#endif
    // Per-pixel steps are the same for every row: worked out once here.
    linear_step_ = floor_to_int(std::clamp(inv_.a * kLinearScale, -1e12, 1e12));
    anchor_x_ = to_device.tx == to_device.tx ? int(std::clamp(to_device.tx, -1e6, 1e6)) : 0;
}

namespace {

// Positions are 16.16 fixed point in table entries (256 is the gradient's end). The spread folds
// a position into [0, 256]; the colour is then blended between the two nearest entries, each entry
// standing for the middle of its 1/256 of the gradient.
constexpr int64_t kTableEnd = int64_t(256) << 16;

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

// Stage "sample": the colour at each folded position. Half an entry back from the position, the
// whole part picks the entry (entry -1 is colours[0]) and the next byte is the fraction f towards
// its right-hand neighbour. Each channel is colour * 256 + 128 + (next - colour) * f, worked modulo
// 2^16: that equals colour * (256 - f) + next * f + 128, whose top byte is the blended channel.
inline uint32_t sample_one(const uint32_t* colours, int32_t p) {
    const uint32_t q = uint32_t(p) + (1 << 15);
    const uint32_t c = colours[q >> 16], next = colours[(q >> 16) + 1];
    const uint32_t f = q >> 8 & 255;
    uint32_t out = 0;
    for (int lane = 0; lane < 32; lane += 8) {
        const uint32_t v = c >> lane & 255, w = next >> lane & 255;
        out |= uint32_t(uint16_t(v * 256 + 128 + (w - v) * f) >> 8) << lane;
    }
    return out;
}

// Four colours from four positions, two pixels to a register: the wide entries of both give their
// colours in one half and their steps in the other, for one multiply by the fractions.
inline __m128i sample_four(const GradientRamp& ramp, __m128i pos) {
    const __m128i q = _mm_add_epi32(pos, _mm_set1_epi32(1 << 15));
    alignas(16) int32_t k[4];
    _mm_store_si128(reinterpret_cast<__m128i*>(k), _mm_srli_epi32(q, 16));
    __m128i f = _mm_and_si128(_mm_srli_epi32(q, 8), _mm_set1_epi32(255));
    f = _mm_packs_epi32(f, f);     // f0 f1 f2 f3 f0 f1 f2 f3
    f = _mm_unpacklo_epi16(f, f);  // f0 f0 f1 f1 f2 f2 f3 f3
    const __m128i f01 = _mm_unpacklo_epi32(f, f), f23 = _mm_unpackhi_epi32(f, f);
    auto pair = [&](int a, int b, __m128i fab) {
        const __m128i wa = _mm_load_si128(reinterpret_cast<const __m128i*>(ramp.wide[a]));
        const __m128i wb = _mm_load_si128(reinterpret_cast<const __m128i*>(ramp.wide[b]));
        const __m128i base = _mm_unpacklo_epi64(wa, wb), step = _mm_unpackhi_epi64(wa, wb);
        return _mm_srli_epi16(_mm_add_epi16(base, _mm_mullo_epi16(step, fab)), 8);
    };
    return _mm_packus_epi16(pair(k[0], k[1], f01), pair(k[2], k[3], f23));
}
inline __m128i sample_four(const GradientRamp& ramp, const int32_t* pos) {
    return sample_four(ramp, _mm_loadu_si128(reinterpret_cast<const __m128i*>(pos)));
}

// The spreads on four positions at once, as PadSpread, ReflectSpread and RepeatSpread fold one.
// Pad takes positions that fit 32 bits.
inline __m128i pad_four(__m128i p) {
    const __m128i last = _mm_set1_epi32(int32_t(kTableEnd - 1));
    p = _mm_andnot_si128(_mm_cmplt_epi32(p, _mm_setzero_si128()), p);
    const __m128i past = _mm_cmpgt_epi32(p, last);
    return _mm_or_si128(_mm_andnot_si128(past, p), _mm_and_si128(past, last));
}
inline __m128i reflect_four(__m128i p) {
    p = _mm_and_si128(p, _mm_set1_epi32(int32_t(2 * kTableEnd - 1)));
    const __m128i past = _mm_cmpgt_epi32(p, _mm_set1_epi32(int32_t(kTableEnd)));
    return _mm_or_si128(_mm_andnot_si128(past, p),
                        _mm_and_si128(past, _mm_sub_epi32(_mm_set1_epi32(int32_t(2 * kTableEnd)), p)));
}
inline __m128i repeat_four(__m128i p) { return _mm_and_si128(p, _mm_set1_epi32(int32_t(kTableEnd - 1))); }

// Sources of positions, four pixels at a time, for gradient_over():
// positions worked out beforehand,
struct StoredPositions {
    const int32_t* pos;
    __m128i next() {
        const __m128i p = _mm_loadu_si128(reinterpret_cast<const __m128i*>(pos));
        pos += 4;
        return p;
    }
    __m128i last() { return next(); }
};
// linear ones stepped in 32 bits (what the spread keeps of them is exact: see step_wrapped and
// step_padded), where Inside stands for padded positions known to lie inside the table but for
// those past the end of the run, which last() clamps,
enum class LinearFold { Pad, Reflect, Repeat, Inside };
template <LinearFold kFold>
struct LinearPositions {
    __m128i p, step;
    LinearPositions(int64_t t, int64_t dt) {
        const uint32_t p0 = uint32_t(t), d = uint32_t(dt);
        p = _mm_setr_epi32(int32_t(p0), int32_t(p0 + d), int32_t(p0 + 2 * d), int32_t(p0 + 3 * d));
        step = _mm_set1_epi32(int32_t(4 * d));
    }
    __m128i next() {
        const __m128i folded = kFold == LinearFold::Reflect ? reflect_four(p)
                               : kFold == LinearFold::Repeat ? repeat_four(p)
                               : kFold == LinearFold::Inside ? p
                                                             : pad_four(p);
        p = _mm_add_epi32(p, step);
        return folded;
    }
    __m128i last() { return kFold == LinearFold::Inside ? pad_four(p) : next(); }
};
// and radial distances, with the same float operations as radial_positions().
template <SpreadMode kSpread>
struct RadialPositions {
    __m128 gx, gy, dx, dy, index;
    __m128 next_index() { const __m128 i = index; index = _mm_add_ps(index, _mm_set1_ps(4)); return i; }
    __m128i next() {
        constexpr float k = 65536.0f * 256.0f / 16384.0f, limit = 2147483520.0f;
        const __m128 i = next_index();
        const __m128 fx = _mm_add_ps(gx, _mm_mul_ps(dx, i)), fy = _mm_add_ps(gy, _mm_mul_ps(dy, i));
        const __m128 d = _mm_mul_ps(_mm_sqrt_ps(_mm_add_ps(_mm_mul_ps(fx, fx), _mm_mul_ps(fy, fy))), _mm_set1_ps(k));
        if (kSpread == SpreadMode::Reflect) return reflect_four(_mm_cvttps_epi32(_mm_min_ps(_mm_set1_ps(limit), d)));
        if (kSpread == SpreadMode::Repeat) return repeat_four(_mm_cvttps_epi32(_mm_min_ps(_mm_set1_ps(limit), d)));
        // Pad in float: min(last, d) keeps a NaN d and max(d, 0) turns it into 0, as folding
        // INT32_MIN would; truncation commutes with clamping to whole numbers.
        return _mm_cvttps_epi32(_mm_max_ps(_mm_min_ps(_mm_set1_ps(float(kTableEnd - 1)), d), _mm_setzero_ps()));
    }
    __m128i last() { return next(); }
};

// Samples n colours from `positions` straight over the canvas, four at a time, the partly covered
// ones (all of them, for a translucent ramp) blended as they go. The last block works on a copy,
// so nothing past n is touched.
template <class Positions>
void gradient_over(const GradientRamp& ramp, Positions positions, int n, const uint8_t* cov, uint32_t* dst) {
    const bool opaque = ramp.opaque;
    int i = 0;
    for (; i + 4 <= n; i += 4) {
        uint32_t c4;
        std::memcpy(&c4, cov + i, 4);
        const __m128i s = sample_four(ramp, positions.next());
        __m128i* d = reinterpret_cast<__m128i*>(dst + i);
        if (opaque)
            _mm_storeu_si128(d, c4 == 0xFFFFFFFFu ? s : over_opaque4(_mm_loadu_si128(d), s, c4));
        else if (c4)
            _mm_storeu_si128(d, over4(_mm_loadu_si128(d), s, c4));
    }
    if (i < n) {
        const int left = n - i;  // 1..3: copied by hand, a memcpy call would cost more than the pixels
        uint32_t c4 = 0;
        alignas(16) uint32_t d[4] = {};
        for (int k = 0; k < left; ++k) c4 |= uint32_t(cov[i + k]) << (8 * k), d[k] = dst[i + k];
        const __m128i s = sample_four(ramp, positions.last());
        const __m128i under = _mm_load_si128(reinterpret_cast<__m128i*>(d));
        _mm_store_si128(reinterpret_cast<__m128i*>(d), opaque ? over_opaque4(under, s, c4) : over4(under, s, c4));
        for (int k = 0; k < left; ++k) dst[i + k] = d[k];
    }
}

// `pos` must hold valid positions up to the next multiple of four past n.
void sample_row(const GradientRamp& ramp, const int32_t* pos, int n, uint32_t* out) {
    int i = 0;
    for (; i + 4 <= n; i += 4)
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), sample_four(ramp, pos + i));
    if (i < n) {
        alignas(16) uint32_t last[4];
        _mm_store_si128(reinterpret_cast<__m128i*>(last), sample_four(ramp, pos + i));
        for (int k = 0; i + k < n; ++k) out[i + k] = last[k];
    }
}

// Reflect and repeat only keep the low 25 bits of a position, so stepping in wrapping 32-bit
// arithmetic gives the same folded positions as 64-bit.
template <typename Spread>
void step_wrapped(int64_t t, int64_t dt, int n, int32_t* pos) {
    uint32_t p = uint32_t(t);
    const uint32_t d = uint32_t(dt);
    for (int i = 0; i < n; ++i, p += d) pos[i] = Spread::fold(p);
}

// Number of leading pixels of t, t + dt, ... (n of them) that are below `limit`.
int count_below(int64_t t, int64_t dt, int n, int64_t limit) {
    if (t >= limit) return 0;
    if (dt <= 0) return n;
    const int64_t num = limit - t + dt - 1;
    // Usually both fit 32 bits, and a 32-bit division is several times quicker.
    const int64_t q = num <= INT32_MAX && dt <= INT32_MAX ? int32_t(num) / int32_t(dt) : num / dt;
    return int(std::min<int64_t>(n, q));
}

// Pad: the pixels before and past the square take the end positions, and in between the positions
// stay inside the table, where 32-bit steps are exact.
struct PadSplit {
    int head = 0, tail = 0;  // pixels clamped at the start and at the end of the row
    int32_t head_pos = 0, tail_pos = 0;
};

PadSplit pad_split(int64_t t, int64_t dt, int n) {
    const int64_t last = kTableEnd - 1;
    const int64_t end = t + (n - 1) * dt;
    PadSplit s;
    if (std::min(t, end) >= 0 && std::max(t, end) <= last) return s;  // the usual case: no divisions
    if (dt >= 0) {
        s.head = count_below(t, dt, n, 0);
        s.tail = n - s.head - count_below(t + s.head * dt, dt, n - s.head, kTableEnd);
        s.head_pos = 0, s.tail_pos = int32_t(last);
    } else {
        s.head = count_below(-t, -dt, n, -last);  // pixels with t >= kTableEnd
        s.tail = n - s.head - count_below(-(t + s.head * dt), -dt, n - s.head, 1);
        s.head_pos = int32_t(last), s.tail_pos = 0;
    }
    return s;
}

void step_padded(int64_t t, int64_t dt, int n, int32_t* pos) {
    const PadSplit s = pad_split(t, dt, n);
    std::fill(pos, pos + s.head, s.head_pos);
    uint32_t p = uint32_t(t + s.head * dt);
    const uint32_t d = uint32_t(dt);
    for (int i = s.head; i < n - s.tail; ++i, p += d) pos[i] = int32_t(p);
    std::fill(pos + n - s.tail, pos + n, s.tail_pos);
}

}  // namespace

// Position along the gradient in 1/65536 of a table entry: the row's start at column 0, then
// exact integer steps, so a pixel's position does not depend on where its run begins.
int64_t GradientPainter::linear_start(int y, int x0) const {
    const double origin = inv_.c * (y + 0.5) + inv_.tx + inv_.a * 0.5;
    return floor_to_int(std::clamp((origin + 16384.0) * kLinearScale, -1e15, 1e15)) + int64_t(x0) * linear_step_;
}

void GradientPainter::linear_positions(int y, int x0, int n, int32_t* pos) {
    const int64_t dt = linear_step_, t = linear_start(y, x0);
    if (spread_ == SpreadMode::Reflect)
        step_wrapped<ReflectSpread>(t, dt, n, pos);
    else if (spread_ == SpreadMode::Repeat)
        step_wrapped<RepeatSpread>(t, dt, n, pos);
    else
        step_padded(t, dt, n, pos);
}

// Distances from the centre in table positions, in float; clamped to the int32 range (NaN from a
// degenerate matrix stays NaN and converts to INT32_MIN, which every spread folds like any other
// position). Blocks of four are written whole, up to three positions past n: callers leave room.
void GradientPainter::radial_positions(int y, int x0, int n, int32_t* pos) {
    constexpr float k = 65536.0f * 256.0f / 16384.0f, limit = 2147483520.0f;
    // Each pixel's float sums start from the anchor column: the same operations whatever x0 is.
    const double py = y + 0.5, ax = anchor_x_ + 0.5;
    const float gx = float(inv_.a * ax + inv_.c * py + inv_.tx), gy = float(inv_.b * ax + inv_.d * py + inv_.ty);
    const float dx = float(inv_.a), dy = float(inv_.b), first = float(x0 - anchor_x_);
    const __m128 vgx = _mm_set1_ps(gx), vgy = _mm_set1_ps(gy), vdx = _mm_set1_ps(dx), vdy = _mm_set1_ps(dy);
    const __m128 vk = _mm_set1_ps(k), vlimit = _mm_set1_ps(limit), four = _mm_set1_ps(4);
    // Pad in float: min(last, d) keeps a NaN d and max(d, 0) turns it into 0, as folding
    // INT32_MIN would; truncation commutes with clamping to whole numbers.
    const __m128 vlast = _mm_set1_ps(float(kTableEnd - 1)), zero = _mm_setzero_ps();
    const __m128i mirror_mask = _mm_set1_epi32(int32_t(2 * kTableEnd - 1)), repeat_mask = _mm_set1_epi32(int32_t(kTableEnd - 1));
    const __m128i end = _mm_set1_epi32(int32_t(kTableEnd)), twice_end = _mm_set1_epi32(int32_t(2 * kTableEnd));
    __m128 index = _mm_add_ps(_mm_set1_ps(first), _mm_setr_ps(0, 1, 2, 3));
    for (int i = 0; i < n; i += 4, index = _mm_add_ps(index, four)) {
        const __m128 fx = _mm_add_ps(vgx, _mm_mul_ps(vdx, index)), fy = _mm_add_ps(vgy, _mm_mul_ps(vdy, index));
        const __m128 d = _mm_mul_ps(_mm_sqrt_ps(_mm_add_ps(_mm_mul_ps(fx, fx), _mm_mul_ps(fy, fy))), vk);
        __m128i p;
        if (spread_ == SpreadMode::Reflect) {
            p = _mm_and_si128(_mm_cvttps_epi32(_mm_min_ps(vlimit, d)), mirror_mask);
            const __m128i past = _mm_cmpgt_epi32(p, end);
            p = _mm_or_si128(_mm_andnot_si128(past, p), _mm_and_si128(past, _mm_sub_epi32(twice_end, p)));
        } else if (spread_ == SpreadMode::Repeat) {
            p = _mm_and_si128(_mm_cvttps_epi32(_mm_min_ps(vlimit, d)), repeat_mask);
        } else {
            p = _mm_cvttps_epi32(_mm_max_ps(_mm_min_ps(vlast, d), zero));
        }
        _mm_storeu_si128(reinterpret_cast<__m128i*>(pos + i), p);
    }
}

void GradientPainter::focal_positions(int y, int x0, int n, int32_t* pos) {
    // t is how far along the ray from the focal point F to the unit circle we are.
    const double fx = focal_ * 16384.0, R2 = 16384.0 * 16384.0;
    const double a = fx * fx - R2;
    const double py = y + 0.5, row_x = inv_.c * py + inv_.tx, row_y = inv_.d * py + inv_.ty;
    for (int i = 0; i < n; ++i) {
        const double px = x0 + i + 0.5, gx = inv_.a * px + row_x, gy = inv_.b * px + row_y;
        double ddx = gx - fx, ddy = gy;
        double b = 2 * fx * ddx, c = ddx * ddx + ddy * ddy;
        double disc = std::max(0.0, b * b - 4 * a * c);
        double t = a != 0 ? (-b - std::sqrt(disc)) / (2 * a) : 0;
        const int64_t p = int64_t(std::floor(std::clamp(t * 256 * 65536, -1e15, 1e15)));
        pos[i] = spread_ == SpreadMode::Reflect ? ReflectSpread::fold(p)
                 : spread_ == SpreadMode::Repeat ? RepeatSpread::fold(p)
                                                 : PadSpread::fold(p);
    }
}

void GradientPainter::positions(int y, int x0, int n, int32_t* pos) {
    if (type_ == FillType::Linear)
        linear_positions(y, x0, n, pos);
    else if (type_ == FillType::Radial)
        radial_positions(y, x0, n, pos);
    else
        focal_positions(y, x0, n, pos);
}

// Position buffers have room for radial blocks of four past the row, and the positions there are
// kept valid for the sampler's last block.
int32_t* GradientPainter::position_buffer(int n) {
    if (pos_.size() < size_t(n) + 4) pos_.resize(size_t(n) + 4);
    return pos_.data();
}

void GradientPainter::shade(int y, int x0, int n, uint32_t* out) {
    int32_t* pos = position_buffer(n);
    positions(y, x0, n, pos);
    std::fill(pos + n, pos + n + 3, 0);
    sample_row(*ramp_, pos, n, out);
}

// Gradients are sampled straight over the canvas. Linear and radial positions are made in
// registers as they are sampled; the others go through the position buffer.
void GradientPainter::paint_row(int y, int x0, int n, const uint8_t* cov, uint32_t* dst) {
    const GradientRamp& colours = *ramp_;
    if (type_ == FillType::Linear) {
        const int64_t dt = linear_step_, t = linear_start(y, x0);
        constexpr int64_t kSafe = int64_t(1) << 29;  // pad steps in 32 bits without overflow
        if (spread_ == SpreadMode::Reflect)
            return gradient_over(colours, LinearPositions<LinearFold::Reflect>(t, dt), n, cov, dst);
        if (spread_ == SpreadMode::Repeat)
            return gradient_over(colours, LinearPositions<LinearFold::Repeat>(t, dt), n, cov, dst);
        // Padded and opaque: the clamped ends are one colour each, and in between no clamping is
        // needed.
        const PadSplit split = colours.opaque ? pad_split(t, dt, n) : PadSplit{};
        const int mid = n - split.head - split.tail;
        const int64_t from = t + int64_t(split.head) * dt, to = from + int64_t(mid + 3) * dt;
        if (std::max(std::llabs(from), std::llabs(to)) < kSafe) {
            if (!colours.opaque) return gradient_over(colours, LinearPositions<LinearFold::Pad>(t, dt), n, cov, dst);
            if (split.head) solid_over(sample_one(colours.colours, split.head_pos), cov, split.head, dst);
            if (mid > 0)
                gradient_over(colours, LinearPositions<LinearFold::Inside>(from, dt), mid, cov + split.head, dst + split.head);
            if (split.tail) {
                const int at = n - split.tail;
                solid_over(sample_one(colours.colours, split.tail_pos), cov + at, split.tail, dst + at);
            }
            return;
        }
    } else if (type_ == FillType::Radial) {
        const double py = y + 0.5, ax = anchor_x_ + 0.5;
        auto start = [&](auto positions) {
            positions.gx = _mm_set1_ps(float(inv_.a * ax + inv_.c * py + inv_.tx));
            positions.gy = _mm_set1_ps(float(inv_.b * ax + inv_.d * py + inv_.ty));
            positions.dx = _mm_set1_ps(float(inv_.a));
            positions.dy = _mm_set1_ps(float(inv_.b));
            positions.index = _mm_add_ps(_mm_set1_ps(float(x0 - anchor_x_)), _mm_setr_ps(0, 1, 2, 3));
            gradient_over(colours, positions, n, cov, dst);
        };
        if (spread_ == SpreadMode::Reflect) return start(RadialPositions<SpreadMode::Reflect>{});
        if (spread_ == SpreadMode::Repeat) return start(RadialPositions<SpreadMode::Repeat>{});
        return start(RadialPositions<SpreadMode::Pad>{});
    }
    int32_t* pos = position_buffer(n);
    positions(y, x0, n, pos);
    std::fill(pos + n, pos + n + 3, 0);
    gradient_over(colours, StoredPositions{pos}, n, cov, dst);
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
