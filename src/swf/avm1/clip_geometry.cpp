// MovieClip drawing methods, bounds and hit tests.
//
// The drawing methods build a shape in the clip's own twips (Clip::drawing) as the commands come
// in, so that bounds, hit tests and the renderer all see the same edges. Each fill starts a style
// group of its own, which keeps later fills over earlier lines; lines keep going into the group
// of the last fill. An open fill is always shown closed: a closing edge back to where its outline
// started is added after every edge and taken back by the next command.
#include <algorithm>
#include <cmath>
#include <memory>

#include "swf/avm1/clip.h"
#include "swf/avm1/convert.h"
#include "swf/avm1/runtime.h"
#include "swf/render.h"

namespace swf::avm1 {

namespace {

constexpr double kPi = 3.14159265358979323846;
// What an empty clip reports for every side of its bounds (0x7FFFFFF twips).
constexpr double kEmptyBounds = 134217727 / 20.0;

ClipObject* live_clip(const Value& v) {
    if (!v.is_object() || !is_display_object(v.o)) return nullptr;
    auto* c = static_cast<ClipObject*>(v.o);
    return c->alive() ? c : nullptr;
}

// ---------------------------------------------------------------------------------------------
// Bounds
// ---------------------------------------------------------------------------------------------
struct Box {
    double x0 = 0, y0 = 0, x1 = 0, y1 = 0;
    bool any = false;
    void add(double x, double y) {
        if (!any) {
            x0 = x1 = x, y0 = y1 = y;
            any = true;
            return;
        }
        x0 = std::min(x0, x), x1 = std::max(x1, x);
        y0 = std::min(y0, y), y1 = std::max(y1, y);
    }
    void add(const Rect& r, const Matrix& m) {
        const double xs[2] = {double(r.xmin), double(r.xmax)}, ys[2] = {double(r.ymin), double(r.ymax)};
        for (double x : xs)
            for (double y : ys) add(m.apply_x(x, y), m.apply_y(x, y));
    }
    // Whole twips, as the player keeps bounds.
    Rect rect() const {
        auto tw = [](double v) { return int32_t(std::lround(std::clamp(v, -2147483647.0, 2147483647.0))); };
        return {tw(x0), tw(x1), tw(y0), tw(y1)};
    }
};

// The box of a quadratic curve: its ends and, where it turns back, its extreme point.
void add_segment(Box& b, const Segment& s, double grow) {
    auto put = [&](double x, double y) {
        b.add(x - grow, y - grow);
        b.add(x + grow, y + grow);
    };
    put(s.x0, s.y0);
    put(s.x1, s.y1);
    if (!s.curve) return;
    auto extreme = [](double p0, double p1, double p2, double& t) {
        const double den = p0 - 2 * p1 + p2;
        if (den == 0) return false;
        t = (p0 - p1) / den;
        return t > 0 && t < 1;
    };
    auto at = [](double p0, double p1, double p2, double t) {
        const double u = 1 - t;
        return u * u * p0 + 2 * u * t * p1 + t * t * p2;
    };
    double t;
    if (extreme(s.x0, s.cx, s.x1, t)) put(at(s.x0, s.cx, s.x1, t), at(s.y0, s.cy, s.y1, t));
    if (extreme(s.y0, s.cy, s.y1, t)) put(at(s.x0, s.cx, s.x1, t), at(s.y0, s.cy, s.y1, t));
}

// The box of a shape's edges; strokes widen it by half their width.
bool shape_box(const ShapeData& shape, Rect& out, bool strokes) {
    Box b;
    for (const StyleGroup& g : shape.groups)
        for (const Segment& s : g.segments) {
            double grow = 0;
            if (strokes && s.line && s.line <= g.lines.size()) grow = g.lines[s.line - 1].width / 2.0;
            add_segment(b, s, grow);
        }
    if (!b.any) return false;
    out = b.rect();
    return true;
}

// The shape the drawing methods build, with where the commands left the pen and the styles,
// and the boxes of its edges so far, with and without strokes. Every Clip::drawing is one.
struct Drawing : ShapeData {
    int32_t pen_x = 0, pen_y = 0;
    bool filling = false;              // the last group's fill is open
    int32_t start_x = 0, start_y = 0;  // where the open fill's current outline began
    bool outline = false;              // that outline has edges
    bool closing = false;              // the last segment closes the outline until the next command
    bool has_line = false;
    LineStyle line;
    uint16_t line_index = 0;  // of `line` in the last group, 0 until it has one
    Box inked, edges;         // of the edges for good, strokes included or not
};

// Shapes from the file carry bounds with their strokes; without them the edges are measured.
bool defined_shape_box(const ShapeData& shape, Rect& out, bool strokes) {
    if (!strokes) return shape_box(shape, out, false);
    out = shape.bounds;
    return true;
}

bool clip_box(const Clip& clip, Rect& out, bool strokes, int nesting);

bool instance_box(const Instance& inst, Rect& out, bool strokes, int nesting) {
    if (!inst.character || nesting >= kMaxNesting) return false;
    switch (inst.character->kind) {
    case CharKind::Shape: return defined_shape_box(static_cast<const ShapeDef&>(*inst.character).shape, out, strokes);
    case CharKind::Morph:  // the player keeps a morph's first bounds whatever its ratio
        out = static_cast<const MorphDef&>(*inst.character).start.bounds;
        return true;
    case CharKind::Text: out = static_cast<const TextDef&>(*inst.character).bounds; return true;
    case CharKind::EditText:
        out = inst.edit ? inst.edit->bounds : static_cast<const EditTextDef&>(*inst.character).bounds;
        return true;
    case CharKind::Sprite:
    case CharKind::Button: return inst.clip && clip_box(*inst.clip, out, strokes, nesting + 1);
    default: return false;
    }
}

bool clip_box(const Clip& clip, Rect& out, bool strokes, int nesting) {
    Box b;
    Rect r;
    if (clip.drawing) {
        const auto& d = static_cast<const Drawing&>(*clip.drawing);
        if (d.edges.any) b.add(strokes ? d.bounds : d.edges.rect(), Matrix{});
    }
    for (const auto& [depth, child] : clip.display_list()) {
        if (child.clip_depth) continue;  // clip layers cut, they do not show
        if (instance_box(child, r, strokes, nesting)) b.add(r, child.matrix);
    }
    if (!b.any) return false;
    out = b.rect();
    return true;
}

// A clip's box in another clip's twips: its own box's corners carried over, boxed again.
bool box_in(ClipObject* c, ClipObject* space, Rect& out, bool strokes) {
    Rect local;
    if (!clip_local_bounds(c, local, strokes)) return false;
    if (space == c) {
        out = local;
        return true;
    }
    Matrix to_space;
    if (!clip_to_stage(space).invert(to_space)) return false;
    Box b;
    b.add(local, to_space * clip_to_stage(c));
    out = b.rect();
    return true;
}

bool stage_box(ClipObject* c, Box& out) {
    Rect local;
    if (!clip_local_bounds(c, local, true)) return false;
    out = Box{};
    out.add(local, clip_to_stage(c));
    return true;
}

// A clip named by a method argument: the clip itself or a target path from `base`, slashes,
// dots and colons alike.
ClipObject* target_clip(Vm& vm, ClipObject* base, const Value& v) {
    if (v.is_object() && is_display_object(v.o)) return live_clip(v);
    std::string path = vm.to_string(v)->text;
    if (path.empty()) return nullptr;
    std::replace(path.begin(), path.end(), ':', '/');
    Object* found = resolve_clip_path(vm, base, path, nullptr);
    return found && is_display_object(found) ? live_clip(Value(found)) : nullptr;
}

Value bounds_object(Vm& vm, ClipObject* c, const Args& args, bool strokes) {
    ClipObject* space = c;
    if (args.size() > 0) space = target_clip(vm, c, args[0]);
    if (!space) return Value();
    Object* o = vm.new_object();
    Rect r;
    const bool any = box_in(c, space, r, strokes);
    auto put = [&](const char* name, int32_t twips) {
        vm.set(o, vm.intern(name), any ? Value(twips / 20.0) : Value(kEmptyBounds));
    };
    put("xMin", r.xmin);
    put("xMax", r.xmax);
    put("yMin", r.ymin);
    put("yMax", r.ymax);
    return o;
}

Value mc_get_bounds(Vm& vm, Value self, const Args& args) {
    ClipObject* c = live_clip(self);
    return c ? bounds_object(vm, c, args, true) : Value();
}

Value mc_get_rect(Vm& vm, Value self, const Args& args) {
    ClipObject* c = live_clip(self);
    return c ? bounds_object(vm, c, args, false) : Value();
}

// ---------------------------------------------------------------------------------------------
// Hit tests
// ---------------------------------------------------------------------------------------------
// Crossings of a ray from (px, py) towards +x with the edges of one fill, counted by direction.
// Curves are cut where they turn in y, so that every piece crosses a row at most once; a piece
// counts the rows from its lower end up to, not including, its upper one.
struct Crossings {
    double px, py;
    int winding = 0, count = 0;

    void line(double x0, double y0, double x1, double y1) {
        if (y0 == y1) return;
        const bool up = y1 > y0;
        const double lo = up ? y0 : y1, hi = up ? y1 : y0;
        if (py < lo || py >= hi) return;
        const double x = x0 + (py - y0) / (y1 - y0) * (x1 - x0);
        if (x <= px) return;
        winding += up ? 1 : -1;
        ++count;
    }
    // A piece of a quadratic that is monotonic in y, between parameters t0 and t1.
    void monotonic(const Segment& s, double t0, double t1) {
        auto at = [](double p0, double p1, double p2, double t) {
            const double u = 1 - t;
            return u * u * p0 + 2 * u * t * p1 + t * t * p2;
        };
        const double ya = at(s.y0, s.cy, s.y1, t0), yb = at(s.y0, s.cy, s.y1, t1);
        if (ya == yb) return;
        const bool up = yb > ya;
        const double lo = up ? ya : yb, hi = up ? yb : ya;
        if (py < lo || py >= hi) return;
        // Solve y(t) = py: (y0 - 2cy + y1) t² + 2(cy - y0) t + (y0 - py) = 0, root in [t0, t1].
        const double a = s.y0 - 2.0 * s.cy + s.y1, b = 2.0 * (s.cy - s.y0), c = s.y0 - py;
        double t;
        if (std::fabs(a) < 1e-12) {
            t = -c / b;
        } else {
            const double disc = std::max(0.0, b * b - 4 * a * c), root = std::sqrt(disc);
            const double q = -0.5 * (b + (b < 0 ? -root : root));
            const double r1 = q / a, r2 = q != 0 ? c / q : r1;
            const double mid = (t0 + t1) / 2;
            t = std::fabs(r1 - mid) <= std::fabs(r2 - mid) ? r1 : r2;
        }
        t = std::clamp(t, t0, t1);
        if (at(s.x0, s.cx, s.x1, t) <= px) return;
        winding += up ? 1 : -1;
        ++count;
    }
    void segment(const Segment& s, bool reversed) {
        if (!s.curve) {
            if (reversed)
                line(s.x1, s.y1, s.x0, s.y0);
            else
                line(s.x0, s.y0, s.x1, s.y1);
            return;
        }
        const int before = winding;
        const double den = s.y0 - 2.0 * s.cy + s.y1;
        double turn = den != 0 ? (s.y0 - s.cy) / den : -1;
        if (turn > 0 && turn < 1) {
            monotonic(s, 0, turn);
            monotonic(s, turn, 1);
        } else {
            monotonic(s, 0, 1);
        }
        if (reversed) winding = before - (winding - before);
    }
};

double distance_to_line(double px, double py, double x0, double y0, double x1, double y1) {
    const double dx = x1 - x0, dy = y1 - y0, len2 = dx * dx + dy * dy;
    double t = len2 > 0 ? ((px - x0) * dx + (py - y0) * dy) / len2 : 0;
    t = std::clamp(t, 0.0, 1.0);
    return std::hypot(px - (x0 + t * dx), py - (y0 + t * dy));
}

double distance_to_segment(double px, double py, const Segment& s) {
    if (!s.curve) return distance_to_line(px, py, s.x0, s.y0, s.x1, s.y1);
    constexpr int kSteps = 16;
    double best = 1e300, x = s.x0, y = s.y0;
    for (int i = 1; i <= kSteps; ++i) {
        const double t = double(i) / kSteps, u = 1 - t;
        const double nx = u * u * s.x0 + 2 * u * t * s.cx + t * t * s.x1;
        const double ny = u * u * s.y0 + 2 * u * t * s.cy + t * t * s.y1;
        best = std::min(best, distance_to_line(px, py, x, y, nx, ny));
        x = nx, y = ny;
    }
    return best;
}

// Where a hit test stands: the point on the stage and in the local twips of what is tested,
// and the local to stage transform.
struct Probe {
    double x, y;    // local twips
    double sx, sy;  // stage twips
    Matrix to_stage;
    double stage_scale() const { return std::sqrt(std::fabs(to_stage.determinant())); }
};

bool shape_hit(const ShapeData& shape, const Probe& p) {
    for (const StyleGroup& g : shape.groups) {
        for (size_t k = 1; k <= g.fills.size(); ++k) {
            Crossings cr{p.x, p.y};
            for (const Segment& s : g.segments) {
                const bool right = s.fill1 == k, left = s.fill0 == k;
                if (right != left) cr.segment(s, left);
            }
            if (shape.nonzero ? cr.winding != 0 : (cr.count & 1) != 0) return true;
        }
        for (const Segment& s : g.segments) {
            if (!s.line || s.line > g.lines.size()) continue;
            const LineStyle& ls = g.lines[s.line - 1];
            const double scale = p.stage_scale(), one_pixel = scale > 0 ? 20 / scale : 20;
            double half = ls.width / 2.0;
            if ((ls.no_hscale || ls.no_vscale) && scale > 0) half /= scale;
            half = std::max(half, one_pixel / 2);
            if (distance_to_segment(p.x, p.y, s) <= half) return true;
        }
    }
    return false;
}

bool rect_hit(const Rect& r, const Probe& p) {
    return p.x >= r.xmin && p.x <= r.xmax && p.y >= r.ymin && p.y <= r.ymax;
}

// The box around a local rectangle on the stage.
bool stage_rect_hit(const Rect& r, const Probe& p) {
    Box b;
    b.add(r, p.to_stage);
    return p.sx >= b.x0 && p.sx <= b.x1 && p.sy >= b.y0 && p.sy <= b.y1;
}

// Static text is hit on its glyphs' outlines, filled even-odd as they are drawn; turned or
// skewed on the stage, anywhere in the box around it there (as observed).
bool text_hit(const TextDef& text, const Movie& movie, const Probe& p) {
    const Matrix m = p.to_stage * text.matrix;
    if (m.b != 0 || m.c != 0) return stage_rect_hit(text.bounds, p);
    if (!rect_hit(text.bounds, p)) return false;
    Matrix inv;
    if (!text.matrix.invert(inv)) return false;
    const double tx = inv.apply_x(p.x, p.y), ty = inv.apply_y(p.x, p.y);
    for (const GlyphRun& run : text.runs) {
        const Character* ch = movie.find(run.font);
        if (!ch || ch->kind != CharKind::Font) continue;
        const auto& font = static_cast<const FontDef&>(*ch);
        const double scale = run.height / font.units_per_em;
        if (scale <= 0) continue;
        for (auto [index, x] : run.glyphs) {
            if (index < 0 || size_t(index) >= font.glyphs.size()) continue;
            Crossings cr{(tx - x) / scale, (ty - run.y) / scale};
            for (const Segment& s : font.glyphs[index].segments) cr.segment(s, false);
            if (cr.count & 1) return true;
        }
    }
    return false;
}

bool clip_hit(const Clip& clip, const Probe& p, int nesting);

bool instance_hit(const Instance& inst, const Probe& p, int nesting) {
    if (!inst.character || nesting >= kMaxNesting) return false;
    switch (inst.character->kind) {
    case CharKind::Shape: {
        const ShapeData& shape = static_cast<const ShapeDef&>(*inst.character).shape;
        return rect_hit(shape.bounds, p) && shape_hit(shape, p);
    }
    case CharKind::Morph: {
        ShapeData shape;
        interpolate_morph(static_cast<const MorphDef&>(*inst.character), inst.ratio, shape);
        return shape_hit(shape, p);
    }
    case CharKind::Text: return inst.parent && text_hit(static_cast<const TextDef&>(*inst.character), inst.parent->movie(), p);
    case CharKind::EditText:
        return rect_hit(inst.edit ? inst.edit->bounds : static_cast<const EditTextDef&>(*inst.character).bounds, p);
    case CharKind::Sprite:
    case CharKind::Button: return inst.clip && clip_hit(*inst.clip, p, nesting + 1);
    default: return false;
    }
}

// The point in a child's twips.
bool probe_child(const Instance& child, const Probe& p, Probe& out) {
    Matrix inv;
    if (!child.matrix.invert(inv)) return false;
    out = {inv.apply_x(p.x, p.y), inv.apply_y(p.x, p.y), p.sx, p.sy, p.to_stage * child.matrix};
    return true;
}

// A clip's drawing and children, under their clip layers: what a clip layer covers holds the
// depths above it, up to its clip depth; the layer itself is never hit.
bool clip_hit(const Clip& clip, const Probe& p, int nesting) {
    if (clip.drawing && shape_hit(*clip.drawing, p)) return true;
    struct Layer {
        int until;
        bool covers;
    };
    std::vector<Layer> layers;
    for (const auto& [depth, child] : clip.display_list()) {
        layers.erase(std::remove_if(layers.begin(), layers.end(), [at = depth](const Layer& l) { return at > l.until; }),
                     layers.end());
        Probe q;
        if (child.clip_depth) {
            layers.push_back({child.clip_depth, probe_child(child, p, q) && instance_hit(child, q, nesting)});
            continue;
        }
        if (std::any_of(layers.begin(), layers.end(), [](const Layer& l) { return !l.covers; })) continue;
        if (probe_child(child, p, q) && instance_hit(child, q, nesting)) return true;
    }
    return false;
}

// A point on the stage against what a clip shows; a script mask on the clip must cover it too.
bool shape_hit_at(ClipObject* c, double sx, double sy) {
    if (ClipObject* mask = live_clip(Value(c->masked_by))) {
        if (mask != c && !shape_hit_at(mask, sx, sy)) return false;
    }
    const Matrix m = clip_to_stage(c);
    Matrix inv;
    if (!m.invert(inv)) return false;
    const Probe p{inv.apply_x(sx, sy), inv.apply_y(sx, sy), sx, sy, m};
    if (c->clip) return clip_hit(*c->clip, p, 0);
    return c->inst && instance_hit(*c->inst, p, 0);
}

Value mc_hit_test(Vm& vm, Value self, const Args& args) {
    ClipObject* c = live_clip(self);
    if (!c) return Value();
    if (args.size() >= 2) {
        const double x = vm.to_number(args[0]), y = vm.to_number(args[1]);
        const bool shape = args.size() >= 3 && vm.to_boolean(args[2]);
        if (std::isnan(x) || std::isnan(y)) return false;
        // The point is in the root's coordinates: a transformed root carries it.
        const Matrix root = clip_matrix(clip_root(vm, c));
        const double sx = root.apply_x(x * 20, y * 20), sy = root.apply_y(x * 20, y * 20);
        if (shape) return shape_hit_at(c, sx, sy);
        Box b;
        return stage_box(c, b) && sx >= b.x0 && sx <= b.x1 && sy >= b.y0 && sy <= b.y1;
    }
    if (args.size() == 1) {
        ClipObject* other = target_clip(vm, c, args[0]);
        Box a, b;
        if (!other || !stage_box(c, a) || !stage_box(other, b)) return false;
        return a.x0 <= b.x1 && b.x0 <= a.x1 && a.y0 <= b.y1 && b.y0 <= a.y1;
    }
    return false;
}

// ---------------------------------------------------------------------------------------------
// Drawing
// ---------------------------------------------------------------------------------------------

int32_t to_twips(double px) {
    if (std::isnan(px)) return 0;
    return int32_t(std::clamp(std::round(px * 20), -2147483647.0, 2147483647.0));
}

// The clip's drawing, ready to change: made on first use, and copied first when a duplicated
// clip still shares it.
Drawing& drawing_of(Clip& clip) {
    if (!clip.drawing) {
        clip.drawing = std::make_shared<Drawing>();
    } else if (clip.drawing.use_count() > 1) {
        clip.drawing = std::make_shared<Drawing>(static_cast<const Drawing&>(*clip.drawing));
    }
    auto& d = static_cast<Drawing&>(*clip.drawing);
    if (d.closing) {
        d.groups.back().segments.pop_back();
        d.closing = false;
    }
    return d;
}

Drawing* drawing_for(const Value& self) {
    ClipObject* c = live_clip(self);
    if (!c || !c->clip) return nullptr;
    return &drawing_of(*c->clip);
}

StyleGroup& last_group(Drawing& d) {
    if (d.groups.empty()) {
        d.groups.emplace_back();
        d.line_index = 0;
    }
    return d.groups.back();
}

uint16_t line_index(Drawing& d) {
    if (!d.has_line) return 0;
    StyleGroup& g = last_group(d);
    if (!d.line_index) {
        g.lines.push_back(d.line);
        d.line_index = uint16_t(g.lines.size());
    }
    return d.line_index;
}

void add_edge(Drawing& d, int32_t x, int32_t y, bool curve, int32_t cx, int32_t cy, bool stroked,
              bool provisional = false) {
    Segment s;
    s.x0 = d.pen_x, s.y0 = d.pen_y, s.x1 = x, s.y1 = y;
    s.curve = curve, s.cx = cx, s.cy = cy;
    s.line = stroked ? line_index(d) : 0;
    s.fill1 = d.filling ? 1 : 0;
    if (!s.line && !s.fill1) {  // nothing shows it: the pen only moves
        d.pen_x = x, d.pen_y = y;
        return;
    }
    last_group(d).segments.push_back(s);
    if (!provisional) {
        add_segment(d.inked, s, s.line ? d.line.width / 2.0 : 0);
        add_segment(d.edges, s, 0);
    }
    d.pen_x = x, d.pen_y = y;
    d.outline = d.outline || d.filling;
}

// Shows the open fill closed: an edge back to the outline's start, taken back by the next
// command.
void show_closed(Drawing& d) {
    if (!d.filling || !d.outline || (d.pen_x == d.start_x && d.pen_y == d.start_y)) return;
    const int32_t x = d.pen_x, y = d.pen_y;
    add_edge(d, d.start_x, d.start_y, false, 0, 0, true, true);
    d.pen_x = x, d.pen_y = y;
    d.closing = true;
}

// The shape's bounds as shown: its edges for good, and the edge closing the open fill.
void update_bounds(Drawing& d) {
    Box b = d.inked;
    if (d.closing) {
        const Segment& s = d.groups.back().segments.back();
        add_segment(b, s, s.line ? d.line.width / 2.0 : 0);
    }
    d.bounds = b.any ? b.rect() : Rect{};
}

// The open fill's outline closes with an edge back to its start, stroked like the others.
void close_outline(Drawing& d) {
    if (d.filling && d.outline && (d.pen_x != d.start_x || d.pen_y != d.start_y))
        add_edge(d, d.start_x, d.start_y, false, 0, 0, true);
    d.outline = false;
}

// Ends the open fill for good: its outline closes, and new edges go unfilled.
void end_fill(Drawing& d) {
    close_outline(d);
    d.filling = false;
}

void begin_fill(Drawing& d, const FillStyle& fill) {
    end_fill(d);
    d.groups.emplace_back();
    d.groups.back().fills.push_back(fill);
    d.line_index = 0;
    d.filling = true;
    d.outline = false;
    d.start_x = d.pen_x, d.start_y = d.pen_y;
}

RGBA color_of(Vm& vm, const Value& rgb, double alpha) {
    const uint32_t c = to_uint32(vm.to_number(rgb));
    if (std::isnan(alpha)) alpha = 0;
    alpha = std::clamp(alpha, 0.0, 100.0);
    return {uint8_t(c >> 16), uint8_t(c >> 8), uint8_t(c), uint8_t(alpha * 255 / 100)};
}

Value mc_begin_fill(Vm& vm, Value self, const Args& args) {
    Drawing* d = drawing_for(self);
    if (!d) return Value();
    if (args.size() == 0 || args[0].is_undefined()) {
        end_fill(*d);
    } else {
        FillStyle f;
        f.color = color_of(vm, args[0], args.size() > 1 ? vm.to_number(args[1]) : 100.0);
        begin_fill(*d, f);
    }
    update_bounds(*d);
    return Value();
}

// A number property of a matrix object; false when it is missing.
bool number_field(Vm& vm, Object* o, const char* name, double& out) {
    Value v = vm.get(o, vm.intern(name));
    if (v.is_undefined()) return false;
    out = vm.to_number(v);
    return !std::isnan(out);
}

// The gradient's square (±16384 twips) to the clip's twips, from a box {matrixType: "box", x, y,
// w, h, r}, a flash.geom.Matrix-like {a, b, c, d, tx, ty}, or the nine fields a…i of a 3×3
// matrix in pixels. The box is turned first and stretched after, as Flash's own box is.
bool gradient_matrix(Vm& vm, const Value& v, Matrix& out) {
    Object* o = v.object();
    if (!o) return false;
    Value type = vm.get(o, vm.intern("matrixType"));
    if (!type.is_undefined()) {
        if (vm.to_string(type)->text != "box") return false;
        double x, y, w, h, r;
        if (!number_field(vm, o, "x", x) || !number_field(vm, o, "y", y) || !number_field(vm, o, "w", w) ||
            !number_field(vm, o, "h", h) || !number_field(vm, o, "r", r))
            return false;
        const double sx = w / 1638.4, sy = h / 1638.4, cs = std::cos(r), sn = std::sin(r);
        out = {sx * cs, sy * sn, -sx * sn, sy * cs, (x + w / 2) * 20, (y + h / 2) * 20};
        return true;
    }
    double a, b, c, d, tx, ty;
    if (vm.has_property(o, vm.intern("tx"))) {
        if (!number_field(vm, o, "a", a) || !number_field(vm, o, "b", b) || !number_field(vm, o, "c", c) ||
            !number_field(vm, o, "d", d) || !number_field(vm, o, "tx", tx) || !number_field(vm, o, "ty", ty))
            return false;
    } else if (!number_field(vm, o, "a", a) || !number_field(vm, o, "b", b) || !number_field(vm, o, "d", c) ||
               !number_field(vm, o, "e", d) || !number_field(vm, o, "g", tx) || !number_field(vm, o, "h", ty)) {
        return false;
    }
    out = {a, b, c, d, tx * 20, ty * 20};
    return true;
}

// The items of an array argument, or false when it is not an object.
bool list_of(Vm& vm, const Value& v, std::vector<Value>& out) {
    Object* o = v.object();
    if (!o) return false;
    const double n = vm.to_number(vm.get(o, vm.names.length));
    if (!(n >= 0)) return false;
    const int count = int(std::min(n, 256.0));
    out.clear();
    for (int i = 0; i < count; ++i) out.push_back(vm.get(o, vm.intern(std::to_string(i))));
    return true;
}

// beginGradientFill(type, colors, alphas, ratios, matrix [, spread, interpolation, focal]).
// Undefined as the type leaves the clip without a fill; any other mistake (a type other than
// "linear" or "radial", lists of different lengths, a ratio outside 0…255, a matrix without its
// fields, too many arguments) leaves everything as it was.
Value mc_begin_gradient_fill(Vm& vm, Value self, const Args& args) {
    Drawing* d = drawing_for(self);
    if (!d) return Value();
    if (args.size() == 0 || args[0].is_undefined()) {
        end_fill(*d);
        update_bounds(*d);
        return Value();
    }
    if (args.size() < 5 || args.size() > 8 || !args[0].is_string()) return Value();
    const std::string& type = args[0].s->text;
    if (type != "linear" && type != "radial") return Value();
    std::vector<Value> colors, alphas, ratios;
    if (!list_of(vm, args[1], colors) || !list_of(vm, args[2], alphas) || !list_of(vm, args[3], ratios)) return Value();
    if (colors.size() != alphas.size() || colors.size() != ratios.size() || colors.empty()) return Value();
    FillStyle f;
    if (!gradient_matrix(vm, args[4], f.matrix)) return Value();
    f.type = type == "linear" ? FillType::Linear : FillType::Radial;
    Gradient& g = f.gradient;
    const size_t count = std::min<size_t>(colors.size(), 15);
    for (size_t i = 0; i < count; ++i) {
        double ratio = vm.to_number(ratios[i]);
        ratio = std::isnan(ratio) ? 0 : std::trunc(ratio);
        if (ratio < 0 || ratio > 255) return Value();
        g.ratio[i] = uint8_t(ratio);
        g.color[i] = color_of(vm, colors[i], vm.to_number(alphas[i]));
    }
    g.count = uint8_t(count);
    if (vm.version >= 8) {
        const std::string spread = args.size() > 5 ? vm.to_string(args[5])->text : std::string();
        g.spread = spread == "reflect"  ? SpreadMode::Reflect
                   : spread == "repeat" ? SpreadMode::Repeat
                                        : SpreadMode::Pad;
        g.interpolation = args.size() > 6 && vm.to_string(args[6])->text == "linearRGB" ? InterpolationMode::LinearRgb
                                                                                         : InterpolationMode::Rgb;
        if (args.size() > 7 && f.type == FillType::Radial) {
            // Kept in 8.8 fixed point, as a file stores it, and no nearer the edge than 0.98.
            const double focal = std::trunc(std::clamp(vm.to_number(args[7]), -1.0, 1.0) * 256) / 256;
            if (!std::isnan(focal) && focal != 0) {
                f.type = FillType::Focal;
                g.focal = std::clamp(focal, -0.98, 0.98);
            }
        }
    }
    begin_fill(*d, f);
    update_bounds(*d);
    return Value();
}

Value mc_end_fill(Vm& vm, Value self, const Args&) {
    Drawing* d = drawing_for(self);
    if (!d) return Value();
    end_fill(*d);
    update_bounds(*d);
    return Value();
}

// lineStyle(thickness, rgb, alpha [, pixelHinting, noScale, caps, joints, miterLimit]); no
// thickness: no lines.
Value mc_line_style(Vm& vm, Value self, const Args& args) {
    Drawing* d = drawing_for(self);
    if (!d) return Value();
    d->line_index = 0;
    if (args.size() == 0 || args[0].is_undefined()) {
        d->has_line = false;
        show_closed(*d);
        return Value();
    }
    LineStyle ls;
    double thickness = vm.to_number(args[0]);
    if (std::isnan(thickness)) thickness = 0;
    ls.width = uint16_t(std::lround(std::clamp(thickness, 0.0, 255.0) * 20));
    ls.color = color_of(vm, args[1], args.size() > 2 ? vm.to_number(args[2]) : 100.0);
    if (vm.version >= 8) {
        const std::string scale = args.size() > 4 ? vm.to_string(args[4])->text : std::string();
        ls.no_hscale = scale == "none" || scale == "horizontal";
        ls.no_vscale = scale == "none" || scale == "vertical";
        const std::string caps = args.size() > 5 ? vm.to_string(args[5])->text : std::string();
        ls.start_cap = ls.end_cap = caps == "none" ? Cap::None : caps == "square" ? Cap::Square : Cap::Round;
        const std::string joints = args.size() > 6 ? vm.to_string(args[6])->text : std::string();
        ls.join = joints == "miter" ? Join::Miter : joints == "bevel" ? Join::Bevel : Join::Round;
        if (args.size() > 7) {
            const double limit = vm.to_number(args[7]);
            ls.miter_limit = std::isnan(limit) ? 3 : std::clamp(limit, 1.0, 255.0);
        }
    }
    d->line = ls;
    d->has_line = true;
    show_closed(*d);
    return Value();
}

Value mc_move_to(Vm& vm, Value self, const Args& args) {
    Drawing* d = drawing_for(self);
    if (!d) return Value();
    const int32_t x = to_twips(vm.to_number(args[0])), y = to_twips(vm.to_number(args[1]));
    close_outline(*d);  // a fill's outline closes before the pen leaves it
    d->pen_x = d->start_x = x;
    d->pen_y = d->start_y = y;
    d->outline = false;
    update_bounds(*d);
    return Value();
}

Value mc_line_to(Vm& vm, Value self, const Args& args) {
    Drawing* d = drawing_for(self);
    if (!d) return Value();
    add_edge(*d, to_twips(vm.to_number(args[0])), to_twips(vm.to_number(args[1])), false, 0, 0, true);
    show_closed(*d);
    update_bounds(*d);
    return Value();
}

Value mc_curve_to(Vm& vm, Value self, const Args& args) {
    Drawing* d = drawing_for(self);
    if (!d || args.size() < 4) return Value();
    const int32_t cx = to_twips(vm.to_number(args[0])), cy = to_twips(vm.to_number(args[1]));
    add_edge(*d, to_twips(vm.to_number(args[2])), to_twips(vm.to_number(args[3])), true, cx, cy, true);
    show_closed(*d);
    update_bounds(*d);
    return Value();
}

Value mc_clear(Vm& vm, Value self, const Args&) {
    ClipObject* c = live_clip(self);
    if (c && c->clip) c->clip->drawing.reset();
    return Value();
}

}  // namespace

bool clip_begin_fill(const Value& clip, const FillStyle& fill) {
    Drawing* d = drawing_for(clip);
    if (!d) return false;
    begin_fill(*d, fill);
    update_bounds(*d);
    return true;
}

// ---------------------------------------------------------------------------------------------
// Shared with the display properties
// ---------------------------------------------------------------------------------------------
Matrix clip_matrix(Object* o) {
    if (!is_display_object(o)) return {};
    auto* c = static_cast<ClipObject*>(o);
    return c->inst ? c->inst->matrix : c->root_matrix;
}

bool stage_point_hits(ClipObject* c, double sx, double sy) { return c && c->alive() && shape_hit_at(c, sx, sy); }

bool stage_point_hits(const Clip& clip, const Matrix& to_stage, double sx, double sy) {
    Matrix inv;
    if (!to_stage.invert(inv)) return false;
    return clip_hit(clip, Probe{inv.apply_x(sx, sy), inv.apply_y(sx, sy), sx, sy, to_stage}, 0);
}

bool stage_point_hits(const Instance& inst, const Matrix& to_stage, double sx, double sy) {
    Matrix inv;
    if (!to_stage.invert(inv)) return false;
    return instance_hit(inst, Probe{inv.apply_x(sx, sy), inv.apply_y(sx, sy), sx, sy, to_stage}, 0);
}

Matrix clip_to_stage(Object* o) {
    Matrix m;
    ClipObject* c = is_display_object(o) ? static_cast<ClipObject*>(o) : nullptr;
    for (int guard = 0; c && c->alive() && guard < 256; ++guard) {
        m = clip_matrix(c) * m;
        if (!c->inst) break;
        Clip* parent = c->parent;
        c = parent && is_display_object(parent->object) ? static_cast<ClipObject*>(parent->object) : nullptr;
    }
    return m;
}

bool clip_local_bounds(Object* o, Rect& out, bool strokes) {
    if (!is_display_object(o)) return false;
    auto* c = static_cast<ClipObject*>(o);
    if (c->clip) return clip_box(*c->clip, out, strokes, 0);
    return c->inst && instance_box(*c->inst, out, strokes, 0);
}

void install_movieclip_geometry(Vm& vm, Object* mc) {
    struct M {
        const char* name;
        NativeFn fn;
    };
    const M methods[] = {
        {"getBounds", mc_get_bounds}, {"getRect", mc_get_rect}, {"hitTest", mc_hit_test},
        {"beginFill", mc_begin_fill}, {"beginGradientFill", mc_begin_gradient_fill}, {"endFill", mc_end_fill},
        {"lineStyle", mc_line_style}, {"moveTo", mc_move_to}, {"lineTo", mc_line_to},
        {"curveTo", mc_curve_to}, {"clear", mc_clear},
    };
    for (const M& m : methods) vm.define_method(mc, m.name, m.fn);
}

}  // namespace swf::avm1
