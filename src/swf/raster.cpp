#include "swf/raster.h"

#include <algorithm>
#include <cstdlib>
#include <cmath>

namespace swf {

// ---------------------------------------------------------------------------------------------
// Stage 1: flatten
// ---------------------------------------------------------------------------------------------
namespace {
constexpr int64_t kFlatTolerance = kOne / 8;  // an eighth of a pixel


int64_t isqrt(int64_t v) {
    if (v <= 0) return 0;
    int64_t r = 0, bit = int64_t(1) << 62;
    while (bit > v) bit >>= 2;
    while (bit) {
        if (v >= r + bit) {
            v -= r + bit;
            r = (r >> 1) + bit;
        } else {
            r >>= 1;
        }
        bit >>= 2;
    }
    return r;
}
}  // namespace

int PathBuilder::curve_steps(FixPoint a, FixPoint c, FixPoint b) {
    // Chord error of n uniform pieces is |a - 2c + b| / (4 n^2).
    int64_t dx = int64_t(a.x) - 2 * int64_t(c.x) + b.x;
    int64_t dy = int64_t(a.y) - 2 * int64_t(c.y) + b.y;
    int64_t dd = std::max(std::llabs(dx), std::llabs(dy));
    int64_t q = (dd + 4 * kFlatTolerance - 1) / (4 * kFlatTolerance);
    int64_t n = isqrt(q);
    if (n * n < q) ++n;
    return int(std::clamp<int64_t>(n, 1, kMaxCurveSteps));
}

namespace {
// Approximate arc-length-like integral of the parabola y = x^2 and its inverse; the curve is split
// where this integral advances evenly, which puts more points where it bends hardest.
double parabola_integral(double x) {
    constexpr double d = 0.67;
    return x / (1 - d + std::sqrt(std::sqrt(d * d * d * d + 0.25 * x * x)));
}
double parabola_integral_inverse(double x) {
    constexpr double b = 0.39;
    return x * (1 - b + std::sqrt(b * b + 0.25 * x * x));
}
}  // namespace

int flatten_quad(double x0, double y0, double cx, double cy, double x1, double y1, double tolerance,
                 double* ts, int max_steps) {
    // Map the curve onto a segment of the standard parabola.
    const double ddx = 2 * cx - x0 - x1, ddy = 2 * cy - y0 - y1;
    const double cross = (x1 - x0) * ddy - (y1 - y0) * ddx;
    const double u0 = (cx - x0) * ddx + (cy - y0) * ddy;
    const double u2 = (x1 - cx) * ddx + (y1 - cy) * ddy;
    if (std::fabs(cross) < 1e-9 || !std::isfinite(cross)) return 0;
    const double p0 = u0 / cross, p2 = u2 / cross;
    const double scale = std::fabs(cross) / (std::hypot(ddx, ddy) * std::fabs(p2 - p0));
    if (!std::isfinite(scale) || !std::isfinite(p0) || !std::isfinite(p2) || p0 == p2) return 0;
    const double a0 = parabola_integral(p0), a2 = parabola_integral(p2);
    const double sqrt_tol = std::sqrt(tolerance), sqrt_scale = std::sqrt(scale);
    double val;
    if ((p0 < 0) == (p2 < 0)) {
        val = std::fabs(a2 - a0) * sqrt_scale;
    } else {
        // The segment passes the parabola's vertex: bound by the sharpest point.
        const double xmin = sqrt_tol / sqrt_scale;
        val = sqrt_tol * std::fabs(a2 - a0) / parabola_integral(xmin);
    }
    if (!std::isfinite(val)) return 0;
    const int n = int(std::clamp(std::ceil(0.5 * val / sqrt_tol), 1.0, double(max_steps)));
    const double v0 = parabola_integral_inverse(a0), v2 = parabola_integral_inverse(a2);
    for (int i = 1; i < n; ++i) {
        const double v = parabola_integral_inverse(a0 + (a2 - a0) * i / n);
        ts[i - 1] = std::clamp((v - v0) / (v2 - v0), 0.0, 1.0);
    }
    return n;
}

void PathBuilder::quad_to(FixPoint c, FixPoint p) {
    const FixPoint a = pen_;
    double ts[kMaxCurveSteps];
    int n = flatten_quad(a.x, a.y, c.x, c.y, p.x, p.y, kCurveTolerance * kOne, ts, kMaxCurveSteps);
    if (n == 0) {
        // Straight or degenerate: uniform steps still follow a control point off the line.
        n = curve_steps(a, c, p);
        for (int i = 1; i < n; ++i) ts[i - 1] = double(i) / n;
    }
    for (int i = 1; i < n; ++i) {
        const double t = ts[i - 1], u = 1 - t;
        const double x = u * u * a.x + 2 * u * t * c.x + t * t * p.x;
        const double y = u * u * a.y + 2 * u * t * c.y + t * t * p.y;
        line_to({int32_t(std::lround(x)), int32_t(std::lround(y))});
    }
    line_to(p);
}

// ---------------------------------------------------------------------------------------------
// Stage 2: edge list
// ---------------------------------------------------------------------------------------------
void EdgeList::add(FixPoint a, FixPoint b) {
    if (a.y == b.y) return;  // horizontal edges never cross a sample line
    Edge e;
    if (a.y < b.y) {
        e = {a.x, a.y, b.x, b.y, 1};
    } else {
        e = {b.x, b.y, a.x, a.y, -1};
    }
    edges_.push_back(e);
    xmin_ = std::min({xmin_, a.x, b.x});
    xmax_ = std::max({xmax_, a.x, b.x});
    ymin_ = std::min(ymin_, e.y0);
    ymax_ = std::max(ymax_, e.y1);
}

// ---------------------------------------------------------------------------------------------
// Stage 3: coverage
// ---------------------------------------------------------------------------------------------
namespace {
inline void floor_divmod(int64_t num, int64_t den, int64_t& q, int64_t& r) {
    q = num / den;
    r = num % den;
    if (r < 0) {
        q -= 1;
        r += den;
    }
}
}  // namespace

void Rasterizer::fill(EdgeList& list, FillRule rule, const ClipBox& clip, bool antialias, SpanSink& sink) {
    if (list.empty() || clip.x1 <= clip.x0 || clip.y1 <= clip.y0) return;
    auto& edges = list.edges();
    std::sort(edges.begin(), edges.end(), [](const Edge& a, const Edge& b) { return a.y0 < b.y0; });

    const int row0 = std::max(clip.y0, list.ymin() >> kSubpixelBits);
    const int row1 = std::min(clip.y1, ((list.ymax() + kOne - 1) >> kSubpixelBits) + 1);
    if (row0 >= row1) return;
    const int px0 = std::max(clip.x0, list.xmin() >> kSubpixelBits);
    const int px1 = std::min(clip.x1, (list.xmax() >> kSubpixelBits) + 1);
    if (px0 >= px1) return;
    const int32_t xlo = clip.x0 * kOne, xhi = clip.x1 * kOne;

    const int subs = antialias ? kSubsamples : 1;
    const int32_t sub_step = kOne / subs;
    const int width = px1 - px0;
    cover_.assign(width + 2, 0);
    delta_.assign(width + 2, 0);
    out_.resize(width + 2);
    active_.clear();

    size_t next = 0;
    for (int y = row0; y < row1; ++y) {
        int touched_lo = INT32_MAX, touched_hi = INT32_MIN;
        for (int s = 0; s < subs; ++s) {
            const int32_t sy = y * kOne + s * sub_step + sub_step / 2;  // sample line
            // Drop finished edges, advance the rest, pick up new ones.
            size_t keep = 0;
            for (size_t i = 0; i < active_.size(); ++i) {
                Active& a = active_[i];
                if (a.y1 <= sy) continue;
                a.x += a.q;
                a.rem += a.r;
                if (a.rem >= a.dy) {
                    a.x += 1;
                    a.rem -= a.dy;
                }
                active_[keep++] = a;
            }
            active_.resize(keep);
            while (next < edges.size() && edges[next].y0 <= sy) {
                const Edge& e = edges[next++];
                if (e.y1 <= sy) continue;
                Active a;
                a.dy = int64_t(e.y1) - e.y0;
                const int64_t dx = int64_t(e.x1) - e.x0;
                floor_divmod(int64_t(sy - e.y0) * dx, a.dy, a.x, a.rem);
                a.x += e.x0;
                floor_divmod(int64_t(sub_step) * dx, a.dy, a.q, a.r);
                a.y1 = e.y1;
                a.dir = e.dir;
                active_.push_back(a);
            }
            if (active_.empty()) continue;

            crossings_.clear();
            for (const Active& a : active_) {
                // Rounding the crossing up makes "centre >= crossing" exact for whole sample points.
                int64_t x = a.x + (a.rem > 0 ? 1 : 0);
                crossings_.push_back({int32_t(std::clamp<int64_t>(x, xlo, xhi)), a.dir});
            }
            // Few crossings per line: insertion sort beats std::sort here.
            for (size_t i = 1; i < crossings_.size(); ++i) {
                Crossing c = crossings_[i];
                size_t j = i;
                while (j > 0 && crossings_[j - 1].x > c.x) {
                    crossings_[j] = crossings_[j - 1];
                    --j;
                }
                crossings_[j] = c;
            }

            int winding = 0;
            for (size_t i = 0; i + 1 < crossings_.size(); ++i) {
                winding += crossings_[i].dir;
                bool inside = rule == FillRule::NonZero ? winding != 0 : (winding & 1) != 0;
                if (!inside) continue;
                int32_t xa = crossings_[i].x, xb = crossings_[i + 1].x;
                if (xa >= xb) continue;
                int ia, ib;
                if (antialias) {
                    ia = (xa >> kSubpixelBits) - px0;
                    ib = (xb >> kSubpixelBits) - px0;
                    ia = std::clamp(ia, 0, width);
                    ib = std::clamp(ib, 0, width);
                    if (ia == ib) {
                        cover_[ia] += xb - xa;
                    } else {
                        cover_[ia] += kOne - (xa & (kOne - 1));
                        delta_[ia + 1] += kOne;
                        delta_[ib] -= kOne;
                        cover_[ib] += xb & (kOne - 1);
                    }
                    touched_lo = std::min(touched_lo, ia);
                    touched_hi = std::max(touched_hi, ib + 1);
                } else {
                    // Pixel i is in when its centre i + 0.5 lies in [xa, xb).
                    ia = ((xa - kOne / 2 + kOne - 1) >> kSubpixelBits) - px0;
                    ib = ((xb - kOne / 2 + kOne - 1) >> kSubpixelBits) - px0;
                    ia = std::clamp(ia, 0, width);
                    ib = std::clamp(ib, 0, width);
                    if (ia >= ib) continue;
                    delta_[ia] += kOne;
                    delta_[ib] -= kOne;
                    touched_lo = std::min(touched_lo, ia);
                    touched_hi = std::max(touched_hi, ib + 1);
                }
            }
        }
        if (touched_lo > touched_hi) {
            if (active_.empty() && next >= edges.size()) break;
            continue;
        }
        touched_hi = std::min(touched_hi, width);
        // Resolve the row: running sum of full-pixel deltas plus partial cover.
        const int32_t full = kOne * subs;
        const int shift = kSubpixelBits + (antialias ? kSubsampleBits : 0);
        int32_t* __restrict cov = cover_.data();
        int32_t* __restrict del = delta_.data();
        uint8_t* __restrict out = out_.data();
        int32_t run = 0;
        for (int i = touched_lo; i < touched_hi; ++i) {
            run += del[i];
            const int32_t c = std::clamp(run + cov[i], 0, full);
            out[i] = uint8_t((c * 255 + full / 2) >> shift);
        }
        std::fill(del + touched_lo, del + touched_hi + 1, 0);
        std::fill(cov + touched_lo, cov + touched_hi + 1, 0);
        int lo = touched_lo, hi = touched_hi;
        while (lo < hi && out[lo] == 0) ++lo;
        while (hi > lo && out[hi - 1] == 0) --hi;
        if (lo < hi) sink.row(y, px0 + lo, px0 + hi, out_.data() + lo);
    }
}

}  // namespace swf
