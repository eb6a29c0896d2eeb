#include "swf/raster.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cmath>
#include <cstring>

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
    const double scale = std::fabs(cross) / (std::sqrt(ddx * ddx + ddy * ddy) * std::fabs(p2 - p0));
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
    sorted_ = sorted_ && (edges_.empty() || edges_.back().y0 <= e.y0);
    edges_.push_back(e);
    xmin_ = std::min({xmin_, a.x, b.x});
    xmax_ = std::max({xmax_, a.x, b.x});
    ymin_ = std::min(ymin_, e.y0);
    ymax_ = std::max(ymax_, e.y1);
}

void EdgeList::sort_by_top() {
    if (sorted_) return;
    std::sort(edges_.begin(), edges_.end(), [](const Edge& a, const Edge& b) { return a.y0 < b.y0; });
    sorted_ = true;
}

// ---------------------------------------------------------------------------------------------
// Stage 3: coverage
// ---------------------------------------------------------------------------------------------
namespace {
// memset for the runs of a row, mostly a few dozen bytes: inline stores beat a library call.
inline void fill_run(uint8_t* p, uint8_t v, size_t n) {
    const uint64_t eight = 0x0101010101010101ull * v;
    for (; n >= 8; n -= 8, p += 8) std::memcpy(p, &eight, 8);
    for (; n; --n) *p++ = v;
}

inline void floor_divmod(int64_t num, int64_t den, int64_t& q, int64_t& r) {
    if (num >= INT32_MIN && num <= INT32_MAX && den <= INT32_MAX) {
        // The usual sizes: a 32-bit division is several times quicker, with the same result.
        q = int32_t(num) / int32_t(den);
        r = int32_t(num) % int32_t(den);
    } else {
        q = num / den;
        r = num % den;
    }
    if (r < 0) {
        q -= 1;
        r += den;
    }
}
}  // namespace

// Stage 3d: turns the row's marked cells into coverage bytes in `out`, clearing cells and marks
// for the next row. Columns between two marked cells take the running sum, written as one run.
// [lo, hi] holds the lowest and highest marked cell; on return [lo, hi) is the covered range with
// no zero at either end, and false means nothing is covered.
bool Rasterizer::resolve_row(Cell* cells, uint64_t* marks, uint8_t* out, const RowGeometry& g, int32_t full,
                             int shift, int& lo, int& hi) {
    auto to_byte = [full, shift](int32_t c) {
        c = std::clamp(c, 0, full);
        return uint8_t((c * 255 + full / 2) >> shift);
    };
    int32_t run = 0;
    int pos = lo;  // next column to write
    for (int w = lo >> 6; w <= hi >> 6; ++w) {
        for (uint64_t bits = marks[w]; bits; bits &= bits - 1) {
            const int t = w * 64 + lowest_bit(bits);
            const int gap_end = std::min(t, g.width);
            if (gap_end > pos) {
                fill_run(out + pos, to_byte(run), size_t(gap_end - pos));
                pos = gap_end;
            }
            if (t < g.width) {
                out[t] = to_byte(run + cells[t].cover);
                pos = t + 1;
            }
            run += cells[t].carry;
            cells[t] = {0, 0};
        }
        marks[w] = 0;
    }
    hi = pos;
    while (lo < hi && out[lo] == 0) ++lo;
    while (hi > lo && out[hi - 1] == 0) --hi;
    return lo < hi;
}

// One sub-scanline down an edge. The carry is as likely as not: without a branch there is
// nothing to mispredict.
inline void Rasterizer::advance(Active& a) {
    const int64_t rem = a.rem + a.r;
    const int64_t carry = rem >= a.dy;
    a.x += a.q + carry;
    a.rem = rem - (a.dy & -carry);
}

// Stages 3a-3c, row by row. Everything the inner loops touch is held in locals, so that stores
// into the buffers do not make the compiler reload counters it cannot prove unaliased.
// kClampX is false when the edges lie inside the clip horizontally, so crossings need no clamp.
template <bool kAntialias, bool kClampX>
void Rasterizer::scan(const std::vector<Edge>& edge_list, FillRule rule, int row0, int row1, const RowGeometry& g,
                      SpanSink& sink) {
    constexpr int subs = kAntialias ? kSubsamples : 1;
    constexpr int32_t sub_step = kOne / subs;
    constexpr int32_t full = kOne * subs;
    constexpr int shift = kSubpixelBits + (kAntialias ? kSubsampleBits : 0);
    constexpr int32_t kFrac = kOne - 1;
    const Edge* const edges = edge_list.data();
    const size_t edge_count = edge_list.size();
    Active* const act = active_.data();
    Crossing* const crossings = crossings_.data();
    Cell* const cells = cells_.data();
    uint64_t* const marks = marks_.data();
    const int px0 = g.px0, width = g.width;
    size_t count = 0, next = 0;
    int lo = INT_MAX, hi = INT_MIN;  // lowest and highest cell marked in this row

    // Where an active edge crosses the sample line. Rounding the crossing up makes
    // "centre >= crossing" exact for whole sample points.
    auto crossing_x = [&g](const Active& a) {
        const int64_t x = a.x + (a.rem > 0 ? 1 : 0);
        return int32_t(kClampX ? std::clamp<int64_t>(x, g.xlo, g.xhi) : x);
    };

    // Stage 3c: adds the span [xa, xb) of one sample line to the row's cells. Anti-aliased, its
    // exact length goes to the pixels it starts and ends in and a full pixel to the running sum in
    // between; aliased, a pixel is in when its centre i + 0.5 lies in the span.
    auto add_span = [&](int32_t xa, int32_t xb) {
        int ia, ib;
        int32_t fa, fb;  // how far into its pixel each end lies
        if (kAntialias) {
            ia = (xa >> kSubpixelBits) - px0, fa = xa & kFrac;
            ib = (xb >> kSubpixelBits) - px0, fb = xb & kFrac;
        } else {
            ia = ((xa - kOne / 2 + kFrac) >> kSubpixelBits) - px0, fa = 0;
            ib = ((xb - kOne / 2 + kFrac) >> kSubpixelBits) - px0, fb = 0;
        }
        // Crossings lie within the clip and the edge list's box, so both ends fall in
        // [0, width]; the clamps only guard the buffers.
        ia = std::clamp(ia, 0, width);
        ib = std::clamp(ib, 0, width);
        if (!kAntialias && ia >= ib) return;  // no pixel centre inside
        if (ia == ib) {
            cells[ia].cover += xb - xa;
        } else {
            cells[ia].cover += kOne - fa;
            cells[ia].carry += kOne;
            cells[ib].cover += fb - kOne;
            cells[ib].carry -= kOne;
            marks[size_t(ib) >> 6] |= uint64_t(1) << (ib & 63);
        }
        marks[size_t(ia) >> 6] |= uint64_t(1) << (ia & 63);
        lo = std::min(lo, ia);
        hi = std::max(hi, ib);
    };

    // Stage 3a: drops the edges that end above the sample line, advances the rest by one
    // sub-scanline and takes on the edges that start at or above it.
    auto step_edges = [&](int32_t sy) {
        size_t keep = 0;
        for (size_t i = 0; i < count; ++i) {
            Active& a = act[i];
            if (a.y1 <= sy) continue;
            advance(a);
            if (keep != i) act[keep] = a;
            ++keep;
        }
        while (next < edge_count && edges[next].y0 <= sy) {
            const Edge& e = edges[next++];
            if (e.y1 <= sy) continue;
            Active& a = act[keep++];
            a.dy = int64_t(e.y1) - e.y0;
            const int64_t dx = int64_t(e.x1) - e.x0;
            floor_divmod(int64_t(sy - e.y0) * dx, a.dy, a.x, a.rem);
            a.x += e.x0;
            floor_divmod(int64_t(sub_step) * dx, a.dy, a.q, a.r);
            a.y1 = e.y1;
            a.dir = e.dir;
        }
        count = keep;
    };

    // Stage 3b: the inside spans of one sample line. Two crossings (every sample line of a
    // simple outline) always bound an inside span under either fill rule; more are sorted and
    // walked with the winding number.
    auto add_sample_line = [&]() {
        if (count == 2) {
            const int32_t a = crossing_x(act[0]), b = crossing_x(act[1]);
            if (a < b)
                add_span(a, b);
            else if (b < a)
                add_span(b, a);
        } else if (count > 2) {
            for (size_t i = 0; i < count; ++i) {
                const Crossing k{crossing_x(act[i]), act[i].dir};
                // Few crossings, mostly in last line's order: insertion sort beats std::sort.
                size_t j = i;
                while (j > 0 && crossings[j - 1].x > k.x) {
                    crossings[j] = crossings[j - 1];
                    --j;
                }
                crossings[j] = k;
            }
            int winding = 0;
            for (size_t i = 0; i + 1 < count; ++i) {
                winding += crossings[i].dir;
                const bool inside = rule == FillRule::NonZero ? winding != 0 : (winding & 1) != 0;
                if (inside && crossings[i].x < crossings[i + 1].x) add_span(crossings[i].x, crossings[i + 1].x);
            }
        }
    };

    uint8_t* const out = out_.data();
    for (int y = row0; y < row1; ++y) {
        const int32_t first_line = y * kOne + sub_step / 2;
        step_edges(first_line);
        // Most rows of most shapes are crossed by the same two edges on every sample line.
        const int32_t last_line = first_line + (subs - 1) * sub_step;
        if (kAntialias && count == 2 && act[0].y1 > last_line && act[1].y1 > last_line &&
            (next >= edge_count || edges[next].y0 > last_line)) {
            int row_lo, row_hi;
            if (two_edge_row(act, cells, g, out, row_lo, row_hi)) sink.row(y, px0 + row_lo, px0 + row_hi, out + row_lo);
            continue;
        }
        add_sample_line();
        for (int s = 1; s < subs; ++s) {
            step_edges(first_line + s * sub_step);
            add_sample_line();
        }
        if (lo > hi) {
            if (count == 0 && next >= edge_count) break;
            continue;
        }
        if (resolve_row(cells, marks, out, g, full, shift, lo, hi)) sink.row(y, px0 + lo, px0 + hi, out + lo);
        lo = INT_MAX;
        hi = INT_MIN;
    }
}

// A row whose four sample lines all cross the same two edges (already at the first line, and
// advanced here for the other three). Its spans go into the cells as usual, but the cells can
// only lie between the leftmost and rightmost span start and between the leftmost and
// rightmost span end, so those two stretches are resolved column by column without marks, and
// the columns between them are covered by every non-empty span alike.
bool Rasterizer::two_edge_row(Active* act, Cell* cells, const RowGeometry& g, uint8_t* out, int& lo, int& hi) {
    constexpr int32_t full = kOne * kSubsamples;
    constexpr int shift = kSubpixelBits + kSubsampleBits;
    constexpr int32_t kFrac = kOne - 1;
    auto crossing_x = [&g](const Active& a) {  // as in scan()
        const int64_t x = a.x + (a.rem > 0 ? 1 : 0);
        return int32_t(g.clamp_x ? std::clamp<int64_t>(x, g.xlo, g.xhi) : x);
    };
    int spans = 0;
    int a_lo = INT_MAX, a_hi = INT_MIN, b_lo = INT_MAX, b_hi = INT_MIN;
    for (int s = 0; s < kSubsamples; ++s) {
        if (s) advance(act[0]), advance(act[1]);
        const int32_t c0 = crossing_x(act[0]), c1 = crossing_x(act[1]);
        if (c0 == c1) continue;  // an empty span adds nothing
        const int32_t xa = std::min(c0, c1), xb = std::max(c0, c1);
        const int ia = std::clamp((xa >> kSubpixelBits) - g.px0, 0, g.width);
        const int ib = std::clamp((xb >> kSubpixelBits) - g.px0, 0, g.width);
        if (ia == ib) {
            cells[ia].cover += xb - xa;
        } else {
            cells[ia].cover += kOne - (xa & kFrac);
            cells[ia].carry += kOne;
            cells[ib].cover += (xb & kFrac) - kOne;
            cells[ib].carry -= kOne;
        }
        ++spans;
        a_lo = std::min(a_lo, ia), a_hi = std::max(a_hi, ia);
        b_lo = std::min(b_lo, ib), b_hi = std::max(b_hi, ib);
    }
    if (spans == 0) return false;
    auto to_byte = [](int32_t c) { return uint8_t(((c < 0 ? 0 : c > full ? full : c) * 255 + full / 2) >> shift); };
    int32_t run = 0;
    // Resolves columns [from, to] of the cells into out (those below the width), clearing them.
    auto stretch = [&](int from, int to) {
        for (int t = from; t <= to; ++t) {
            if (t < g.width) out[t] = to_byte(run + cells[t].cover);
            run += cells[t].carry;
            cells[t] = {0, 0};
        }
    };
    if (a_hi + 1 < b_lo) {
        stretch(a_lo, a_hi);
        fill_run(out + a_hi + 1, to_byte(run), size_t(b_lo - a_hi - 1));
        stretch(b_lo, b_hi);
    } else {
        stretch(a_lo, b_hi);
    }
    lo = a_lo, hi = std::min(b_hi + 1, g.width);
    while (lo < hi && out[lo] == 0) ++lo;
    while (hi > lo && out[hi - 1] == 0) --hi;
    return lo < hi;
}

void Rasterizer::fill(EdgeList& list, FillRule rule, const ClipBox& clip, bool antialias, SpanSink& sink) {
    if (list.empty() || clip.x1 <= clip.x0 || clip.y1 <= clip.y0) return;
    list.sort_by_top();
    const auto& edges = list.edges();

    const int row0 = std::max(clip.y0, list.ymin() >> kSubpixelBits);
    const int row1 = std::min(clip.y1, ((list.ymax() + kOne - 1) >> kSubpixelBits) + 1);
    if (row0 >= row1) return;
    RowGeometry g;
    g.px0 = std::max(clip.x0, list.xmin() >> kSubpixelBits);
    const int px1 = std::min(clip.x1, (list.xmax() >> kSubpixelBits) + 1);
    if (g.px0 >= px1) return;
    g.width = px1 - g.px0;
    g.xlo = clip.x0 * kOne;
    g.xhi = clip.x1 * kOne;

    // Buffers keep their size between shapes and are left cleared by every row, so only a
    // shape wider than any before has them grown.
    if (cells_.size() < size_t(g.width) + 1) {
        cells_.assign(g.width + 1, Cell{0, 0});
        marks_.assign((g.width + 1 + 63) / 64, 0);
        out_.resize(g.width + 1);
    }
    if (active_.size() < edges.size()) {
        active_.resize(edges.size());
        crossings_.resize(edges.size());
    }
    g.clamp_x = list.xmin() < g.xlo || list.xmax() > g.xhi;
    const bool clamp_x = g.clamp_x;
    if (antialias)
        clamp_x ? scan<true, true>(edges, rule, row0, row1, g, sink) : scan<true, false>(edges, rule, row0, row1, g, sink);
    else
        clamp_x ? scan<false, true>(edges, rule, row0, row1, g, sink) : scan<false, false>(edges, rule, row0, row1, g, sink);
}

// ---------------------------------------------------------------------------------------------
// Kept coverage
// ---------------------------------------------------------------------------------------------
class CoverageRows::Recorder : public SpanSink {
public:
    Recorder(CoverageRows& out, SpanSink& sink) : out_(out), sink_(sink) {}
    void row(int y, int x0, int x1, const uint8_t* coverage) override {
        const int n = x1 - x0;
        int head = 0;
        while (head < n && coverage[head] != 255) ++head;
        int full = 0;
        for (uint64_t eight; head + full + 8 <= n; full += 8) {
            std::memcpy(&eight, coverage + head + full, 8);
            if (eight != ~uint64_t(0)) break;
        }
        while (head + full < n && coverage[head + full] == 255) ++full;
        out_.rows_.push_back({y, x0, x1, uint32_t(out_.bytes_.size()), head, full});
        out_.bytes_.insert(out_.bytes_.end(), coverage, coverage + head);
        out_.bytes_.insert(out_.bytes_.end(), coverage + head + full, coverage + n);
        sink_.row(y, x0, x1, coverage);
    }

private:
    CoverageRows& out_;
    SpanSink& sink_;
};

void CoverageRows::record(Rasterizer& raster, EdgeList& edges, FillRule rule, const ClipBox& clip, bool antialias,
                          SpanSink& sink) {
    rows_.clear();
    bytes_.clear();
    Recorder recorder(*this, sink);
    raster.fill(edges, rule, clip, antialias, recorder);
    rule_ = rule, clip_ = clip, antialias_ = antialias, recorded_ = true;
}

void CoverageRows::replay(SpanSink& sink) {
    for (const Row& r : rows_) {
        const int n = r.x1 - r.x0;
        if (line_.size() < size_t(n)) line_.resize(n);
        const uint8_t* kept = bytes_.data() + r.offset;
        std::copy_n(kept, r.head, line_.data());  // (kept may be null when no row has partial pixels)
        fill_run(line_.data() + r.head, 255, size_t(r.full));
        std::copy_n(kept + r.head, n - r.head - r.full, line_.data() + r.head + r.full);
        sink.row(r.y, r.x0, r.x1, line_.data());
    }
}

}  // namespace swf
