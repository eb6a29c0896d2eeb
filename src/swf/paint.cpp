#include "swf/paint.h"

#include <algorithm>
#include <cmath>

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
    shade(y, x0, n, src_.data());
    for (int i = 0; i < n; ++i)
        if (cov[i]) dst[i] = blend(dst[i], src_[i], cov[i]);
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
GradientPainter::GradientPainter(const Canvas& c, const Mask* clip, const FillStyle& fill,
                                 const Matrix& to_device, const CxForm& cx)
    : Painter(c, clip), type_(fill.type), spread_(fill.gradient.spread), focal_(fill.gradient.focal) {
    valid_ = to_device.invert(inv_);
    const Gradient& g = fill.gradient;
    if (g.count == 0) {
        valid_ = false;
        return;
    }
    const bool linear_rgb = g.interpolation == 1;
    for (int i = 0; i < kLutSize; ++i) {
        double ratio = i * 255.0 / (kLutSize - 1);
        RGBA col;
        if (ratio <= g.ratio[0]) {
            col = g.color[0];
        } else if (ratio >= g.ratio[g.count - 1]) {
            col = g.color[g.count - 1];
        } else {
            int k = 1;
            while (k < g.count - 1 && ratio > g.ratio[k]) ++k;
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
        lut_[i] = premultiply(cx.apply(col));
    }
}

int GradientPainter::index_for(double t) const {
    switch (spread_) {
    case 1: {  // reflect
        t = std::fabs(t);
        double f = std::fmod(t, 2.0);
        t = f > 1 ? 2 - f : f;
        break;
    }
    case 2: t = t - std::floor(t); break;  // repeat
    default: break;
    }
    int i = int(t * (kLutSize - 1) + 0.5);
    return std::clamp(i, 0, kLutSize - 1);
}

void GradientPainter::shade(int y, int x0, int n, uint32_t* out) {
    const double py = y + 0.5;
    double gx = inv_.a * (x0 + 0.5) + inv_.c * py + inv_.tx;
    double gy = inv_.b * (x0 + 0.5) + inv_.d * py + inv_.ty;
    const double dx = inv_.a, dy = inv_.b;
    switch (type_) {
    case FillType::Linear:
        for (int i = 0; i < n; ++i, gx += dx) out[i] = lut_[index_for((gx + 16384.0) / 32768.0)];
        break;
    case FillType::Radial:
        for (int i = 0; i < n; ++i, gx += dx, gy += dy)
            out[i] = lut_[index_for(std::sqrt(gx * gx + gy * gy) / 16384.0)];
        break;
    default: {
        // Focal: t is how far along the ray from the focal point F to the unit circle we are.
        const double fx = focal_ * 16384.0, R2 = 16384.0 * 16384.0;
        const double a = fx * fx - R2;
        for (int i = 0; i < n; ++i, gx += dx, gy += dy) {
            double ddx = gx - fx, ddy = gy;
            double b = 2 * fx * ddx, c = ddx * ddx + ddy * ddy;
            double disc = std::max(0.0, b * b - 4 * a * c);
            double t = a != 0 ? (-b - std::sqrt(disc)) / (2 * a) : 0;
            out[i] = lut_[index_for(t)];
        }
    }
    }
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
