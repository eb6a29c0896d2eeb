// Shape drawing: fill regions from the fillStyle0/fillStyle1 sides of edges, strokes turned into
// outline polygons, and the choice of fill painter per style.
#include "swf/render.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "swf/movie.h"

namespace swf {

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kCoordLimit = double(1 << 26);  // keep 24.8 device coordinates far from overflow

// std::lround (halves away from zero) for values clamped to +-kCoordLimit, without the library
// call: truncation and the fraction left are both exact.
inline int32_t round_fix(double v) {
    if (v != v) return 0;  // as lround's out-of-range result comes out once narrowed
    int32_t i = int32_t(v);
    const double f = v - double(i);
    i += (f >= 0.5) - (f <= -0.5);
    return i;
}

FixPoint to_fix(const Matrix& m, double x, double y) {
    double dx = std::clamp(m.apply_x(x, y) * kOne, -kCoordLimit, kCoordLimit);
    double dy = std::clamp(m.apply_y(x, y) * kOne, -kCoordLimit, kCoordLimit);
    return {round_fix(dx), round_fix(dy)};
}

// ---------------------------------------------------------------------------------------------
// Painter selection
// ---------------------------------------------------------------------------------------------
struct PainterSlot {
    std::unique_ptr<SpanSink> sink;
};

std::unique_ptr<SpanSink> make_painter(RenderContext& ctx, const FillStyle& fill, const Matrix& m,
                                       const CxForm& cx) {
    if (ctx.mask_target) return std::make_unique<MaskPainter>(*ctx.mask_target, ctx.clip);
    switch (fill.type) {
    case FillType::Solid: {
        uint32_t c = premultiply(cx.apply(fill.color));
        if ((c >> 24) == 0) return nullptr;
        return std::make_unique<SolidPainter>(ctx.canvas, ctx.clip, c);
    }
    case FillType::Linear:
    case FillType::Radial:
    case FillType::Focal: {
        auto p = std::make_unique<GradientPainter>(ctx.canvas, ctx.clip, fill, m * fill.matrix, cx, &ctx.gradients);
        if (!p->valid()) return nullptr;
        return p;
    }
    case FillType::Bitmap: {
        const BitmapDef* found = fill.image.get();
        if (!found) {
            const Character* ch = ctx.movie ? ctx.movie->find(fill.bitmap_id) : nullptr;
            if (!ch || ch->kind != CharKind::Bitmap) return nullptr;  // undefined bitmap: draw nothing
            found = static_cast<const BitmapDef*>(ch);
        }
        if (found->width <= 0 || found->height <= 0) return nullptr;  // a disposed script bitmap
        const auto& bmp = *found;
        // Bitmap matrices are in twips per texel; the shape matrix already maps twips to pixels.
        auto p = std::make_unique<BitmapPainter>(ctx.canvas, ctx.clip, bmp, m * fill.matrix, fill.repeat,
                                                 fill.smooth, cx);
        if (!p->valid()) return nullptr;
        return p;
    }
    }
    return nullptr;
}

// ---------------------------------------------------------------------------------------------
// Stroker: each piece (segment body, join, cap) becomes its own polygon, all wound the same way,
// and the union is filled non-zero.
// ---------------------------------------------------------------------------------------------
struct DPoint {
    double x, y;
};

class Stroker {
public:
    Stroker(EdgeList& out, double half_width) : out_(out), hw_(half_width) {}
    // Strokes points given in other units: `to_device` takes them to 24.8 device units and
    // `px_per_unit` is its largest scale in device pixels, for sizing round parts.
    Stroker(EdgeList& out, double half_width, const Matrix& to_device, double px_per_unit)
        : out_(out), hw_(half_width), xf_(to_device), px_per_unit_(px_per_unit / kOne), transformed_(true) {}

    void stroke(const std::vector<DPoint>& pts, bool closed, const LineStyle& ls) {
        if (pts.size() < 2) {
            if (pts.size() == 1 && ls.start_cap == Cap::Round) circle(pts[0]);
            return;
        }
        const size_t n = pts.size();
        // Where the line bends only slightly (the pieces of a curve), neighbouring bodies meet
        // at the point where their inner sides cross: separate rectangles would poke their
        // corners past that side, where the smooth line has none.
        inner_.assign(n, Inner{});
        for (size_t i = 1; i + 1 < n; ++i) inner_[i] = inner_corner(pts[i - 1], pts[i], pts[i + 1]);
        if (closed && n > 2) inner_[0] = inner_[n - 1] = inner_corner(pts[n - 2], pts[0], pts[1]);
        for (size_t i = 0; i + 1 < n; ++i)
            body(pts[i], pts[i + 1], ls, i == 0 && !closed, i + 2 == n && !closed, inner_[i], inner_[i + 1]);
        for (size_t i = 1; i + 1 < n; ++i) join(pts[i - 1], pts[i], pts[i + 1], ls.join, ls.miter_limit);
        if (closed) {
            if (ls.no_close) {
                cap(pts[0], pts[1], ls.start_cap);
                cap(pts[n - 1], pts[n - 2], ls.end_cap);
            } else {
                join(pts[n - 2], pts[0], pts[1], ls.join, ls.miter_limit);
            }
        } else {
            cap(pts[0], pts[1], ls.start_cap);
            cap(pts[n - 1], pts[n - 2], ls.end_cap);
        }
    }

private:
    // The shared inner corner at a point of slight bend, and which side of the line it is on
    // (+1 the side of the body's +normal, -1 the other, 0 none).
    struct Inner {
        DPoint at{0, 0};
        int side = 0;
    };

    EdgeList& out_;
    double hw_;
    std::vector<Inner> inner_;
    Matrix xf_;
    double px_per_unit_ = 1.0 / kOne;
    bool transformed_ = false;
    std::vector<DPoint> dev_;

    void polygon(const DPoint* p, size_t n) {
        if (transformed_) {
            dev_.resize(n);
            for (size_t i = 0; i < n; ++i) dev_[i] = {xf_.apply_x(p[i].x, p[i].y), xf_.apply_y(p[i].x, p[i].y)};
            p = dev_.data();
        }
        double area = 0;
        for (size_t i = 0; i < n; ++i) {
            const DPoint& a = p[i];
            const DPoint& b = p[(i + 1) % n];
            area += a.x * b.y - b.x * a.y;
        }
        auto fix = [](const DPoint& d) {
            return FixPoint{int32_t(std::lround(std::clamp(d.x, -kCoordLimit, kCoordLimit))),
                            int32_t(std::lround(std::clamp(d.y, -kCoordLimit, kCoordLimit)))};
        };
        for (size_t i = 0; i < n; ++i) {
            FixPoint a = fix(p[i]), b = fix(p[(i + 1) % n]);
            if (area >= 0)
                out_.add(a, b);
            else
                out_.add(b, a);
        }
    }

    // Bends up to about 30 degrees share their inner corner; sharper corners keep the full
    // rectangles, whose inner corners belong to the stroke of a real corner.
    Inner inner_corner(DPoint a, DPoint p, DPoint b) const {
        double d1x = p.x - a.x, d1y = p.y - a.y, d2x = b.x - p.x, d2y = b.y - p.y;
        const double l1 = std::hypot(d1x, d1y), l2 = std::hypot(d2x, d2y);
        if (l1 == 0 || l2 == 0) return {};
        d1x /= l1, d1y /= l1, d2x /= l2, d2y /= l2;
        const double cross = d1x * d2y - d1y * d2x, dot = d1x * d2x + d1y * d2y;
        if (dot < 0.866 || std::fabs(cross) < 1e-9) return {};
        // The inner side is the one the line turns towards: +normal for a positive cross.
        const int side = cross > 0 ? 1 : -1;
        const double cos_half = std::sqrt((1 + dot) / 2), tan_half = std::sqrt((1 - dot) / 2) / cos_half;
        if (hw_ * tan_half * 2 > std::min(l1, l2)) return {};  // pieces too short to meet inside
        double bx = -d1y - d2y, by = d1x + d2x;  // sum of the two +normals (unnormalised)
        const double bl = std::hypot(bx, by);
        const double len = side * hw_ / cos_half;
        return {{p.x + bx / bl * len, p.y + by / bl * len}, side};
    }

    void body(DPoint a, DPoint b, const LineStyle& ls, bool first, bool last, const Inner& at_a,
              const Inner& at_b) {
        double dx = b.x - a.x, dy = b.y - a.y;
        double len = std::sqrt(dx * dx + dy * dy);
        if (len == 0) return;
        double ux = dx / len, uy = dy / len;
        double nx = -uy * hw_, ny = ux * hw_;
        // Square caps lengthen the end segments.
        if (first && ls.start_cap == Cap::Square) a = {a.x - ux * hw_, a.y - uy * hw_};
        if (last && ls.end_cap == Cap::Square) b = {b.x + ux * hw_, b.y + uy * hw_};
        DPoint q[4] = {{a.x + nx, a.y + ny}, {b.x + nx, b.y + ny}, {b.x - nx, b.y - ny}, {a.x - nx, a.y - ny}};
        if (at_a.side) q[at_a.side > 0 ? 0 : 3] = at_a.at;
        if (at_b.side) q[at_b.side > 0 ? 1 : 2] = at_b.at;
        polygon(q, 4);
    }

    void circle(DPoint c) {
        // Enough sides that the polygon stays within 1/128 px of the true circle.
        const double r_px = hw_ * px_per_unit_;
        const double ratio = std::clamp(1 - (1.0 / 128) / std::max(r_px, 1e-3), -1.0, 1.0);
        int steps = std::clamp(int(std::ceil(kPi / std::acos(ratio))), 8, 256);
        std::vector<DPoint> q(steps);
        for (int i = 0; i < steps; ++i) {
            double t = 2 * kPi * i / steps;
            q[i] = {c.x + std::cos(t) * hw_, c.y + std::sin(t) * hw_};
        }
        polygon(q.data(), q.size());
    }

    void cap(DPoint end, DPoint prev, Cap c) {
        if (c == Cap::Round) circle(end);
        // Square caps were added to the body; None adds nothing.
    }

    void join(DPoint a, DPoint p, DPoint b, Join j, double limit) {
        if (j == Join::Round) {
            circle(p);
            return;
        }
        double d1x = p.x - a.x, d1y = p.y - a.y, d2x = b.x - p.x, d2y = b.y - p.y;
        double l1 = std::hypot(d1x, d1y), l2 = std::hypot(d2x, d2y);
        if (l1 == 0 || l2 == 0) return;
        d1x /= l1, d1y /= l1, d2x /= l2, d2y /= l2;
        double cross = d1x * d2y - d1y * d2x;
        if (std::fabs(cross) < 1e-9) return;
        // Outer side of the turn.
        double s = cross > 0 ? -1 : 1;
        DPoint o1{p.x - d1y * hw_ * s, p.y + d1x * hw_ * s};
        DPoint o2{p.x - d2y * hw_ * s, p.y + d2x * hw_ * s};
        if (j == Join::Miter) {
            // A miter reaches hw / cos_half past the corner. Longer than `limit` half widths, it
            // is cut square to the bisector rather than bevelled, at limit * sqrt(2) times the
            // bevel's distance (hw * cos_half): a right angle with limit 1 keeps its full miter.
            const double cos_half = std::sqrt(std::max(0.0, (1 + d1x * d2x + d1y * d2y) / 2));
            const double mx = o1.x + o2.x - 2 * p.x, my = o1.y + o2.y - 2 * p.y;
            const double ml = std::hypot(mx, my);
            if (cos_half > 1e-6 && ml > 0) {
                const double ux = mx / ml, uy = my / ml;
                if (1 / cos_half <= limit) {
                    const double len = hw_ / cos_half;
                    DPoint m{p.x + ux * len, p.y + uy * len};
                    DPoint q[4] = {p, o1, m, o2};
                    polygon(q, 4);
                    return;
                }
                // The miter's sides run on from o1 along d1 and into o2 along d2, moving away
                // from the corner by sin_half per unit of length.
                const double sin_half = d1x * ux + d1y * uy;
                const double reach = (limit * std::sqrt(2.0) - 1) * hw_ * cos_half;
                if (sin_half > 1e-9 && reach > 0) {
                    const double run = reach / sin_half;
                    DPoint q[5] = {p, o1, {o1.x + d1x * run, o1.y + d1y * run}, {o2.x - d2x * run, o2.y - d2y * run}, o2};
                    polygon(q, 5);
                    return;
                }
            }
        }
        DPoint q[3] = {p, o1, o2};
        polygon(q, 3);
    }
};

// Curves are split in the shape's own units (twips, or glyph units for text) so that a shape
// breaks into the same pieces wherever it is drawn; under strong magnification the pieces are
// kept within half a device pixel instead.
constexpr double kLocalCurveTolerance = 2.0;
constexpr double kMaxDeviceCurveError = 0.5;

double local_tolerance(const Matrix& m) {
    const double scale = std::sqrt(std::fabs(m.determinant()));
    return scale > 0 ? std::min(kLocalCurveTolerance, kMaxDeviceCurveError / scale) : kLocalCurveTolerance;
}

// Parameters where the curve of `s` is split, or 0 when it is straight or degenerate.
int split_curve(const Segment& s, double tolerance, double* ts) {
    // A curve whose chord already lies within the tolerance is drawn as that chord: its farthest
    // point from the chord is half the control point's distance from it.
    // Whole twips: the sum of squares is exact, and its square root as well rounded as hypot's.
    const double cx = double(s.x1) - s.x0, cy = double(s.y1) - s.y0;
    const double chord = std::sqrt(cx * cx + cy * cy);
    const double bend = std::fabs(double(s.cx - s.x0) * (s.y1 - s.y0) - double(s.cy - s.y0) * (s.x1 - s.x0));
    if (chord > 0 && bend / (2 * chord) <= tolerance) return 1;
    return flatten_quad(s.x0, s.y0, s.cx, s.cy, s.x1, s.y1, tolerance, ts, kMaxCurveSteps);
}

// Flattens a run of connected segments into device points (24.8 units as doubles).
void flatten_run(const Matrix& m, const std::vector<const Segment*>& run, std::vector<DPoint>& out,
                 double tolerance) {
    out.clear();
    auto dev = [&m](double x, double y) { return DPoint{m.apply_x(x, y) * kOne, m.apply_y(x, y) * kOne}; };
    out.push_back(dev(run[0]->x0, run[0]->y0));
    for (const Segment* s : run) {
        if (s->curve) {
            DPoint p0 = dev(s->x0, s->y0), pc = dev(s->cx, s->cy), p1 = dev(s->x1, s->y1);
            double ts[kMaxCurveSteps];
            int n = split_curve(*s, tolerance, ts);
            if (n == 0) {
                FixPoint a = to_fix(m, s->x0, s->y0), c = to_fix(m, s->cx, s->cy), b = to_fix(m, s->x1, s->y1);
                n = PathBuilder::curve_steps(a, c, b);
                for (int i = 1; i < n; ++i) ts[i - 1] = double(i) / n;
            }
            for (int i = 1; i < n; ++i) {
                double t = ts[i - 1], u = 1 - t;
                out.push_back({u * u * p0.x + 2 * u * t * pc.x + t * t * p1.x,
                               u * u * p0.y + 2 * u * t * pc.y + t * t * p1.y});
            }
        }
        out.push_back(dev(s->x1, s->y1));
    }
    // Drop repeated points so joins see real directions.
    size_t k = 1;
    for (size_t i = 1; i < out.size(); ++i)
        if (std::fabs(out[i].x - out[k - 1].x) > 0.5 || std::fabs(out[i].y - out[k - 1].y) > 0.5) out[k++] = out[i];
    out.resize(k);
}

// True when the matrix scales evenly in every direction (rotation and mirroring allowed).
bool conformal(const Matrix& m) {
    const double sx = std::hypot(m.a, m.b), sy = std::hypot(m.c, m.d);
    const double skew = std::fabs(m.a * m.c + m.b * m.d);
    return std::fabs(sx - sy) <= 0.01 * std::max(sx, sy) && skew <= 0.01 * sx * sy;
}

// The least a unit length in any direction is stretched by the matrix (its smaller singular value).
double least_stretch(const Matrix& m) {
    const double sum = m.a * m.a + m.b * m.b + m.c * m.c + m.d * m.d;
    const double det = m.determinant();
    const double gap = std::sqrt(std::max(0.0, sum * sum - 4 * det * det));
    return std::sqrt(std::max(0.0, (sum - gap) / 2));
}

double stroke_scale(const Matrix& m) {
    return (std::sqrt(m.a * m.a + m.b * m.b) + std::sqrt(m.c * m.c + m.d * m.d)) / 2;
}

void fill_with(RenderContext& ctx, FillRule rule, SpanSink* sink) {
    if (sink && !ctx.edges.empty()) ctx.raster.fill(ctx.edges, rule, ctx.box(), ctx.antialias, *sink);
    ctx.edges.clear();
}

using LocalPoint = ShapeOutlines::LocalPoint;

// The pieces of one edge in shape units, appended to `out` as a subpath. They are made from the
// curve's own parameters and walked backwards when reversed, so both sides of a shared edge get
// exactly the same pieces.
void add_local_segment(const Segment& s, bool reversed, double tolerance, std::vector<LocalPoint>& out) {
    const double x0 = s.x0, y0 = s.y0, x1 = s.x1, y1 = s.y1;
    double ts[kMaxCurveSteps];
    const int n = s.curve ? split_curve(s, tolerance, ts) : 1;
    if (s.curve && n == 0) {
        out.push_back({reversed ? x1 : x0, reversed ? y1 : y0, LocalPoint::Move});
        out.push_back({double(s.cx), double(s.cy), LocalPoint::Control});
        out.push_back({reversed ? x0 : x1, reversed ? y0 : y1, LocalPoint::Line});
        return;
    }
    auto point = [&](int i, LocalPoint::Kind kind) {
        if (i == 0) return LocalPoint{x0, y0, kind};
        if (i == n) return LocalPoint{x1, y1, kind};
        const double t = ts[i - 1], u = 1 - t;
        return LocalPoint{u * u * x0 + 2 * u * t * s.cx + t * t * x1, u * u * y0 + 2 * u * t * s.cy + t * t * y1, kind};
    };
    if (reversed) {
        out.push_back(point(n, LocalPoint::Move));
        for (int i = n - 1; i >= 0; --i) out.push_back(point(i, LocalPoint::Line));
    } else {
        out.push_back(point(0, LocalPoint::Move));
        for (int i = 1; i <= n; ++i) out.push_back(point(i, LocalPoint::Line));
    }
}

// Places local points with the matrix: device edges in 24.8.
void edges_from_points(const Matrix& m, const std::vector<LocalPoint>& points, EdgeList& out) {
    PathBuilder pb(out);
    for (size_t i = 0; i < points.size(); ++i) {
        const LocalPoint& p = points[i];
        const FixPoint f = to_fix(m, p.x, p.y);
        if (p.kind == LocalPoint::Move) {
            pb.move_to(f);
        } else if (p.kind == LocalPoint::Line) {
            pb.line_to(f);
        } else if (i + 1 < points.size()) {
            ++i;
            pb.quad_to(f, to_fix(m, points[i].x, points[i].y));
        }
    }
}

// The outline of the strokes of line style k of the group, to be filled non-zero.
void stroke_edges(const StyleGroup& g, size_t k, const Matrix& m, EdgeList& out) {
    const double scale = stroke_scale(m);
    const LineStyle& ls = g.lines[k - 1];
    double width_px = ls.width * scale;
    const bool fixed_width = ls.no_hscale || ls.no_vscale;
    if (fixed_width) width_px = ls.width / 20.0;
    // Scaled unevenly or skewed, a stroke is outlined in the shape's own units and then
    // transformed, so that it stretches with the shape; hairlines stay one pixel wide. A
    // non-scaling stroke keeps its width where the shape is squeezed most and stretches from
    // there.
    const double least = least_stretch(m);
    const double local_width = fixed_width ? (least > 0 ? width_px / least : 0) : ls.width;
    const bool local = width_px >= 1.0 && !conformal(m) && local_width > 0;
    width_px = std::max(width_px, 1.0);  // hairlines and thin strokes draw one pixel wide
    const double px_per_unit = std::max(std::hypot(m.a, m.b), std::hypot(m.c, m.d));
    Stroker st = local ? Stroker(out, local_width / 2.0, Matrix{m.a * kOne, m.b * kOne, m.c * kOne, m.d * kOne, m.tx * kOne, m.ty * kOne}, px_per_unit)
                       : Stroker(out, width_px * kOne / 2);
    const Matrix flat_m = local ? Matrix{1.0 / kOne, 0, 0, 1.0 / kOne, 0, 0} : m;
    const double tolerance = local ? kLocalCurveTolerance : local_tolerance(m);
    std::vector<const Segment*> run;
    std::vector<DPoint> pts;
    const Segment* prev = nullptr;
    auto flush = [&] {
        if (run.empty()) return;
        flatten_run(flat_m, run, pts, tolerance);
        bool closed = run.size() > 1 && run.front()->x0 == run.back()->x1 && run.front()->y0 == run.back()->y1;
        if (closed && pts.size() > 1 && std::fabs(pts.front().x - pts.back().x) <= 0.5 &&
            std::fabs(pts.front().y - pts.back().y) <= 0.5)
            pts.pop_back();
        if (closed) pts.push_back(pts.front());
        st.stroke(pts, closed, ls);
        run.clear();
    };
    for (const Segment& s : g.segments) {
        if (s.line != k) continue;
        bool connected = prev && prev + 1 == &s && prev->x1 == s.x0 && prev->y1 == s.y0;
        if (!connected) flush();
        run.push_back(&s);
        prev = &s;
    }
    flush();
}

// Fill k of the group is the region with k on one side of its edges and not on the other.
void fill_points(const StyleGroup& g, size_t k, double tolerance, std::vector<LocalPoint>& out) {
    for (const Segment& s : g.segments) {
        if (s.fill1 == k && s.fill0 != k)
            add_local_segment(s, false, tolerance, out);
        else if (s.fill0 == k && s.fill1 != k)
            add_local_segment(s, true, tolerance, out);
    }
}

// Makes the edges of every pass for `m`, whose scale and rotation the fills' points were made for.
void place_outlines(const ShapeData& shape, const Matrix& m, ShapeOutlines& out) {
    for (ShapeOutlines::Pass& p : out.passes) {
        p.edges.clear();
        p.coverage.forget();
        if (p.stroke)
            stroke_edges(shape.groups[p.group], p.style, m, p.edges);
        else
            edges_from_points(m, p.points, p.edges);
    }
    out.tx = m.tx, out.ty = m.ty;
    out.draws_here = 0;
}

// Every group's fills, then its strokes, in the order they are drawn. Passes already in `out`
// are written over, so that outlines made again and again reuse their buffers.
void build_outlines(const ShapeData& shape, const Matrix& m, ShapeOutlines& out) {
    const double tolerance = local_tolerance(m);
    size_t used = 0;
    for (size_t gi = 0; gi < shape.groups.size(); ++gi) {
        const StyleGroup& g = shape.groups[gi];
        auto add_pass = [&](size_t k, bool stroke) {
            if (used == out.passes.size()) out.passes.emplace_back();
            ShapeOutlines::Pass& p = out.passes[used++];
            p.group = uint16_t(gi), p.style = uint16_t(k), p.stroke = stroke;
            p.points.clear();
            if (!stroke) fill_points(g, k, tolerance, p.points);
        };
        for (size_t k = 1; k <= g.fills.size(); ++k) add_pass(k, false);
        for (size_t k = 1; k <= g.lines.size(); ++k) add_pass(k, true);
    }
    out.passes.resize(used);
    place_outlines(shape, m, out);
}

size_t shape_bytes(const ShapeData& s) {
    size_t n = sizeof(ShapeData) + s.groups.capacity() * sizeof(StyleGroup);
    for (const StyleGroup& g : s.groups)
        n += g.fills.capacity() * sizeof(FillStyle) + g.lines.capacity() * sizeof(LineStyle) +
             g.segments.capacity() * sizeof(Segment);
    return n;
}

}  // namespace

Matrix snap_to_twips(Matrix m) {
    constexpr double kTwipsPerPixel = 20;
    m.tx = std::round(m.tx * kTwipsPerPixel) / kTwipsPerPixel;
    m.ty = std::round(m.ty * kTwipsPerPixel) / kTwipsPerPixel;
    return m;
}

size_t ShapeOutlines::bytes() const {
    size_t n = passes.capacity() * sizeof(Pass);
    for (const Pass& p : passes) n += p.edges.bytes() + p.points.capacity() * sizeof(LocalPoint) + p.coverage.bytes();
    return n;
}

uint64_t OutlineCache::hash_of(const ShapeData* shape, const Matrix& m) {
    uint64_t h = uint64_t(reinterpret_cast<uintptr_t>(shape)) * 0x9E3779B97F4A7C15ull;
    for (double v : {m.a, m.b, m.c, m.d}) {
        uint64_t bits;
        std::memcpy(&bits, &v, sizeof bits);
        h = (h ^ bits) * 0xFF51AFD7ED558CCDull;
        h ^= h >> 32;
    }
    return h;
}

OutlineCache::Entry* OutlineCache::find(uint64_t hash, const ShapeData* shape, const Matrix& m) {
    if (slots_.empty()) return nullptr;
    const size_t mask = slots_.size() - 1;
    for (size_t i = hash & mask;; i = (i + 1) & mask) {
        const Slot& slot = slots_[i];
        if (!slot.entry) return nullptr;
        if (slot.hash != hash) continue;
        Entry* e = entries_[slot.entry - 1].get();
        if (e->key == shape && e->m.a == m.a && e->m.b == m.b && e->m.c == m.c && e->m.d == m.d) return e;
    }
}

void OutlineCache::index(uint64_t hash, uint32_t entry) {
    const size_t mask = slots_.size() - 1;
    size_t i = hash & mask;
    while (slots_[i].entry) i = (i + 1) & mask;
    slots_[i] = {hash, entry + 1};
}

// Sizes the table to a power of two at least four times the entries and fills it again.
void OutlineCache::reindex() {
    size_t size = 64;
    while (size < 4 * entries_.size()) size *= 2;
    slots_.assign(size, Slot{});
    for (size_t i = 0; i < entries_.size(); ++i) index(entries_[i]->hash, uint32_t(i));
}

ShapeOutlines& OutlineCache::get(const ShapeData& shape, const Matrix& m) {
    ++clock_;
    const uint64_t hash = hash_of(&shape, m);
    Entry* e = find(hash, &shape, m);
    last_ = nullptr;
    if (e && e->shape == shape) {
        ShapeOutlines& o = e->outlines;
        if (o.tx != m.tx || o.ty != m.ty) {  // moved: placed again
            place_outlines(shape, m, o);
            const size_t bytes = o.bytes() + shape_bytes(shape);
            bytes_ = bytes_ - e->bytes + bytes;
            e->bytes = bytes;
        }
        ++o.draws_here;
        e->last_use = clock_;
        last_ = e;
        return o;
    }
    if (!e && !seen_before(hash)) {
        build_outlines(shape, m, uncached_);
        return uncached_;
    }
    ShapeOutlines made;
    build_outlines(shape, m, made);
    made.draws_here = 1;
    const size_t bytes = made.bytes() + shape_bytes(shape);
    if (bytes > kBudget / 4) {
        uncached_ = std::move(made);
        return uncached_;
    }
    if (!e) {  // a new entry; otherwise the shape changed under the same address and is replaced
        entries_.push_back(std::make_unique<Entry>());
        e = entries_.back().get();
        e->key = &shape, e->hash = hash;
        if (slots_.size() < 2 * entries_.size())
            reindex();
        else
            index(hash, uint32_t(entries_.size() - 1));
    }
    bytes_ = bytes_ - e->bytes + bytes;
    e->m = m;
    e->shape = shape;
    e->outlines = std::move(made);
    e->bytes = bytes;
    e->last_use = clock_;
    if (bytes_ > kBudget) evict_for(e);
    last_ = e;
    return e->outlines;
}

// Whether the hash was drawn before; remembers it if not.
bool OutlineCache::seen_before(uint64_t hash) {
    hash |= 1;  // never 0, which marks an empty slot
    if (seen_.empty() || seen_count_ >= seen_.size() / 2) {
        seen_.assign(8192, 0);
        seen_count_ = 0;
    }
    const size_t mask = seen_.size() - 1;
    size_t i = hash & mask;
    for (; seen_[i]; i = (i + 1) & mask)
        if (seen_[i] == hash) return true;
    seen_[i] = hash;
    ++seen_count_;
    return false;
}

void OutlineCache::grew(size_t by) {
    if (!last_) return;
    last_->bytes += by;
    bytes_ += by;
}

// Drops the least recently used entries until a quarter of the budget is free again.
void OutlineCache::evict_for(const Entry* keep) {
    std::vector<std::pair<uint64_t, Entry*>> order;
    order.reserve(entries_.size());
    for (const auto& e : entries_)
        if (e.get() != keep) order.push_back({e->last_use, e.get()});
    std::sort(order.begin(), order.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    for (const auto& [use, e] : order) {
        if (bytes_ <= kBudget / 4 * 3) break;
        bytes_ -= e->bytes;
        e->bytes = 0;
        e->key = nullptr;  // marked for removal
    }
    std::erase_if(entries_, [](const std::unique_ptr<Entry>& e) { return e->key == nullptr; });
    reindex();
}

void OutlineCache::clear() {
    last_ = nullptr;
    entries_.clear();
    slots_.clear();
    seen_.clear();
    seen_count_ = 0;
    uncached_.passes.clear();
    bytes_ = 0;
}

// Outlines kept and drawn in the same place again keep their coverage too: filled again under
// the same clip, they hand the same rows to the painter without the coverage stage.
void fill_pass(RenderContext& ctx, ShapeOutlines::Pass& pass, FillRule rule, bool settled, SpanSink& sink) {
    const ClipBox box = ctx.box();
    if (pass.edges.empty()) return;
    if (!settled) return ctx.raster.fill(pass.edges, rule, box, ctx.antialias, sink);
    if (pass.coverage.recorded_for(rule, box, ctx.antialias)) return pass.coverage.replay(sink);
    const size_t before = pass.coverage.bytes();
    pass.coverage.record(ctx.raster, pass.edges, rule, box, ctx.antialias, sink);
    ctx.outlines.grew(pass.coverage.bytes() - before);
}

void draw_shape(RenderContext& ctx, const ShapeData& shape, const Matrix& m, const CxForm& cx) {
    const FillRule rule = shape.nonzero ? FillRule::NonZero : FillRule::EvenOdd;
    ShapeOutlines& outlines = ctx.outlines.get(shape, m);
    const bool settled = ctx.outlines.settled(outlines);
    for (ShapeOutlines::Pass& pass : outlines.passes) {
        const StyleGroup& g = shape.groups[pass.group];
        std::unique_ptr<SpanSink> sink;
        if (!pass.stroke) {
            sink = make_painter(ctx, g.fills[pass.style - 1], m, cx);
        } else if (!ctx.mask_target) {  // masks are made of fills only
            const LineStyle& ls = g.lines[pass.style - 1];
            FillStyle solid;
            solid.color = ls.color;
            sink = make_painter(ctx, ls.has_fill ? ls.fill : solid, m, cx);
        }
        if (sink) fill_pass(ctx, pass, pass.stroke ? FillRule::NonZero : rule, settled, *sink);
    }
}

void draw_glyph(RenderContext& ctx, const std::vector<Segment>& glyph, const Matrix& m, RGBA color,
                const CxForm& cx) {
    const double tolerance = local_tolerance(m);
    std::vector<LocalPoint>& points = ctx.glyph_points;
    points.clear();
    for (const Segment& s : glyph) add_local_segment(s, false, tolerance, points);
    edges_from_points(m, points, ctx.edges);
    FillStyle f;
    f.color = color;
    auto sink = make_painter(ctx, f, m, cx);
    fill_with(ctx, FillRule::EvenOdd, sink.get());
}

void draw_rect(RenderContext& ctx, const Rect& r, const Matrix& m, RGBA color, const CxForm& cx) {
    PathBuilder pb(ctx.edges);
    FixPoint p[4] = {to_fix(m, r.xmin, r.ymin), to_fix(m, r.xmax, r.ymin), to_fix(m, r.xmax, r.ymax),
                     to_fix(m, r.xmin, r.ymax)};
    pb.move_to(p[0]);
    for (int i = 1; i < 4; ++i) pb.line_to(p[i]);
    pb.close();
    FillStyle f;
    f.color = color;
    auto sink = make_painter(ctx, f, m, cx);
    fill_with(ctx, FillRule::NonZero, sink.get());
}

// ---------------------------------------------------------------------------------------------
// Morphs
// ---------------------------------------------------------------------------------------------
void interpolate_morph(const MorphDef& def, uint16_t ratio, ShapeData& out) {
    const double t = ratio / 65535.0;
    out = def.start;
    if (def.end.groups.empty() || out.groups.empty()) return;
    StyleGroup& g = out.groups[0];
    const StyleGroup& e = def.end.groups[0];
    auto li = [t](int32_t a, int32_t b) { return int32_t(std::lround(a + (b - a) * t)); };
    for (size_t i = 0; i < g.segments.size() && i < e.segments.size(); ++i) {
        Segment& s = g.segments[i];
        const Segment& q = e.segments[i];
        s.x0 = li(s.x0, q.x0);
        s.y0 = li(s.y0, q.y0);
        s.cx = li(s.cx, q.cx);
        s.cy = li(s.cy, q.cy);
        s.x1 = li(s.x1, q.x1);
        s.y1 = li(s.y1, q.y1);
    }
    // Morph colours truncate rather than round, which is what recorded pictures show.
    auto lerp_color = [t](RGBA p, RGBA q) {
        auto l = [t](int a, int b) { return uint8_t(std::clamp(int(a + (b - a) * t), 0, 255)); };
        return RGBA{l(p.r, q.r), l(p.g, q.g), l(p.b, q.b), l(p.a, q.a)};
    };
    auto lerp_fill = [t, lerp_color](FillStyle& f, const FillStyle& q) {
        f.color = lerp_color(f.color, q.color);
        f.matrix = Matrix::lerp(f.matrix, q.matrix, t);
        for (int i = 0; i < f.gradient.count; ++i) {
            f.gradient.ratio[i] = uint8_t(std::lround(f.gradient.ratio[i] + (q.gradient.ratio[i] - f.gradient.ratio[i]) * t));
            f.gradient.color[i] = lerp_color(f.gradient.color[i], q.gradient.color[i]);
        }
        f.gradient.focal += (q.gradient.focal - f.gradient.focal) * t;
    };
    for (size_t i = 0; i < g.fills.size() && i < e.fills.size(); ++i) lerp_fill(g.fills[i], e.fills[i]);
    for (size_t i = 0; i < g.lines.size() && i < e.lines.size(); ++i) {
        LineStyle& l = g.lines[i];
        l.width = uint16_t(std::lround(l.width + (e.lines[i].width - l.width) * t));
        l.color = lerp_color(l.color, e.lines[i].color);
        if (l.has_fill) lerp_fill(l.fill, e.lines[i].fill);
    }
}

}  // namespace swf
