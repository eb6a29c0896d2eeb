// flash.geom: Point, Rectangle, Matrix, ColorTransform and Transform (SWF8+; `flash` is hidden
// from older movies), and MovieClip.transform.
//
// Point, Rectangle and Matrix keep their fields as ordinary properties that scripts may set to
// anything: a constructor given some arguments stores exactly those (new Matrix(1) has b…ty
// undefined), given none the neutral value. Their methods read the fields as numbers.
// ColorTransform keeps eight native numbers behind getters on its prototype (writes are
// converted to numbers: "abc" reads back NaN). Transform reads and writes the matrix and colour
// transform of the clip it was made for; matrices in pixels, colour multipliers as fractions.
#include <algorithm>
#include <cmath>
#include <initializer_list>
#include <string>

#include "swf/avm1/builtins.h"
#include "swf/avm1/clip.h"
#include "swf/avm1/convert.h"
#include "swf/avm1/native_data.h"
#include "swf/avm1/runtime.h"

namespace swf::avm1 {

namespace {

// ---------------------------------------------------------------------------------------------
// Shared
// ---------------------------------------------------------------------------------------------
double num(Vm& vm, const Value& o, const char* name) { return vm.to_number(vm.get(o, vm.intern(name))); }

void put(Vm& vm, const Value& o, const char* name, const Value& v) {
    if (Object* obj = o.object()) vm.set(obj, vm.intern(name), v);
}

// A flash.geom class as installed (found even where `flash` is hidden from the movie).
Value geom_class(Vm& vm, const char* name) {
    Property* f = vm.global->find_own(vm.intern("flash"), true);
    if (!f || !f->value.is_object() || (f->flags & Accessor)) return Value();
    Property* g = f->value.o->find_own(vm.intern("geom"), true);
    if (!g || !g->value.is_object() || (g->flags & Accessor)) return Value();
    Property* c = g->value.o->find_own(vm.intern(name), true);
    return c && !(c->flags & Accessor) ? c->value : Value();
}

Value make(Vm& vm, const char* cls, std::initializer_list<Value> args) {
    return vm.construct(geom_class(vm, cls), args.begin(), int(args.size()));
}

// "(x=1, y=2)" from the named fields, each as its string.
Value describe(Vm& vm, const Value& self, std::initializer_list<std::pair<const char*, const char*>> fields) {
    std::string out = "(";
    bool first = true;
    for (auto& [label, name] : fields) {
        if (!first) out += ", ";
        first = false;
        Str* s = vm.to_string(vm.get(self, vm.intern(name)));
        if (vm.throwing) return Value();
        out += std::string(label) + "=" + s->text;
    }
    return vm.str(out + ")");
}

// ---------------------------------------------------------------------------------------------
// Point
// ---------------------------------------------------------------------------------------------
Value point_ctor(Vm& vm, Value self, const Args& args) {
    if (args.size() == 0) {
        put(vm, self, "x", 0.0);
        put(vm, self, "y", 0.0);
    } else {
        put(vm, self, "x", args[0]);
        put(vm, self, "y", args[1]);
    }
    return Value();
}

Value point_length(Vm& vm, Value self, const Args&) { return std::hypot(num(vm, self, "x"), num(vm, self, "y")); }

Value point_add(Vm& vm, Value self, const Args& args) {
    return make(vm, "Point", {num(vm, self, "x") + num(vm, args[0], "x"), num(vm, self, "y") + num(vm, args[0], "y")});
}

Value point_subtract(Vm& vm, Value self, const Args& args) {
    return make(vm, "Point", {num(vm, self, "x") - num(vm, args[0], "x"), num(vm, self, "y") - num(vm, args[0], "y")});
}

Value point_clone(Vm& vm, Value self, const Args&) {
    return make(vm, "Point", {vm.get(self, vm.names.x), vm.get(self, vm.names.y)});
}

Value point_equals(Vm& vm, Value self, const Args& args) {
    Object* other = args[0].object();
    if (!other || !vm.instance_of(other, geom_class(vm, "Point").object())) return false;
    return num(vm, self, "x") == num(vm, args[0], "x") && num(vm, self, "y") == num(vm, args[0], "y");
}

Value point_normalize(Vm& vm, Value self, const Args& args) {
    const double x = num(vm, self, "x"), y = num(vm, self, "y");
    const double len = std::hypot(x, y);
    if (len > 0) {
        const double k = vm.to_number(args[0]) / len;
        put(vm, self, "x", x * k);
        put(vm, self, "y", y * k);
    }
    return Value();
}

Value point_offset(Vm& vm, Value self, const Args& args) {
    put(vm, self, "x", num(vm, self, "x") + vm.to_number(args[0]));
    put(vm, self, "y", num(vm, self, "y") + vm.to_number(args[1]));
    return Value();
}

Value point_to_string(Vm& vm, Value self, const Args&) { return describe(vm, self, {{"x", "x"}, {"y", "y"}}); }

Value point_distance(Vm& vm, Value, const Args& args) {
    return std::hypot(num(vm, args[0], "x") - num(vm, args[1], "x"), num(vm, args[0], "y") - num(vm, args[1], "y"));
}

// interpolate(p1, p2, f): p2 at f = 0, p1 at f = 1.
Value point_interpolate(Vm& vm, Value, const Args& args) {
    const double f = vm.to_number(args[2]);
    const double x1 = num(vm, args[0], "x"), y1 = num(vm, args[0], "y");
    const double x2 = num(vm, args[1], "x"), y2 = num(vm, args[1], "y");
    return make(vm, "Point", {x2 + f * (x1 - x2), y2 + f * (y1 - y2)});
}

Value point_polar(Vm& vm, Value, const Args& args) {
    const double len = vm.to_number(args[0]), angle = vm.to_number(args[1]);
    return make(vm, "Point", {len * std::cos(angle), len * std::sin(angle)});
}

// ---------------------------------------------------------------------------------------------
// Rectangle
// ---------------------------------------------------------------------------------------------
struct Box {
    double x, y, w, h;
};

Box box_of(Vm& vm, const Value& r) {
    return {num(vm, r, "x"), num(vm, r, "y"), num(vm, r, "width"), num(vm, r, "height")};
}

Value make_rect(Vm& vm, const Box& b) { return make(vm, "Rectangle", {b.x, b.y, b.w, b.h}); }

bool box_empty(const Box& b) { return !(b.w > 0) || !(b.h > 0); }

Value rect_ctor(Vm& vm, Value self, const Args& args) {
    const char* names[] = {"x", "y", "width", "height"};
    for (int i = 0; i < 4; ++i) put(vm, self, names[i], args.size() == 0 ? Value(0.0) : args[i]);
    return Value();
}

Value rect_to_string(Vm& vm, Value self, const Args&) {
    return describe(vm, self, {{"x", "x"}, {"y", "y"}, {"w", "width"}, {"h", "height"}});
}

Value rect_clone(Vm& vm, Value self, const Args&) {
    return make(vm, "Rectangle", {vm.get(self, vm.names.x), vm.get(self, vm.names.y), vm.get(self, vm.intern("width")),
                                  vm.get(self, vm.intern("height"))});
}

Value rect_get_left(Vm& vm, Value self, const Args&) { return vm.get(self, vm.names.x); }
Value rect_get_top(Vm& vm, Value self, const Args&) { return vm.get(self, vm.names.y); }
Value rect_get_right(Vm& vm, Value self, const Args&) { return num(vm, self, "x") + num(vm, self, "width"); }
Value rect_get_bottom(Vm& vm, Value self, const Args&) { return num(vm, self, "y") + num(vm, self, "height"); }

// Moving an edge keeps the opposite one.
void move_left(Vm& vm, const Value& self, double v) {
    put(vm, self, "width", num(vm, self, "width") + num(vm, self, "x") - v);
    put(vm, self, "x", v);
}
void move_top(Vm& vm, const Value& self, double v) {
    put(vm, self, "height", num(vm, self, "height") + num(vm, self, "y") - v);
    put(vm, self, "y", v);
}
Value rect_set_left(Vm& vm, Value self, const Args& args) {
    move_left(vm, self, vm.to_number(args[0]));
    return Value();
}
Value rect_set_top(Vm& vm, Value self, const Args& args) {
    move_top(vm, self, vm.to_number(args[0]));
    return Value();
}
Value rect_set_right(Vm& vm, Value self, const Args& args) {
    put(vm, self, "width", vm.to_number(args[0]) - num(vm, self, "x"));
    return Value();
}
Value rect_set_bottom(Vm& vm, Value self, const Args& args) {
    put(vm, self, "height", vm.to_number(args[0]) - num(vm, self, "y"));
    return Value();
}

Value rect_get_top_left(Vm& vm, Value self, const Args&) {
    return make(vm, "Point", {vm.get(self, vm.names.x), vm.get(self, vm.names.y)});
}
Value rect_set_top_left(Vm& vm, Value self, const Args& args) {
    move_left(vm, self, num(vm, args[0], "x"));
    move_top(vm, self, num(vm, args[0], "y"));
    return Value();
}
Value rect_set_bottom_right(Vm& vm, Value self, const Args& args) {
    put(vm, self, "width", num(vm, args[0], "x") - num(vm, self, "x"));
    put(vm, self, "height", num(vm, args[0], "y") - num(vm, self, "y"));
    return Value();
}
Value rect_get_bottom_right(Vm& vm, Value self, const Args&) {
    const Box b = box_of(vm, self);
    return make(vm, "Point", {b.x + b.w, b.y + b.h});
}
Value rect_get_size(Vm& vm, Value self, const Args&) {
    return make(vm, "Point", {vm.get(self, vm.intern("width")), vm.get(self, vm.intern("height"))});
}
Value rect_set_size(Vm& vm, Value self, const Args& args) {
    put(vm, self, "width", vm.get(args[0], vm.names.x));
    put(vm, self, "height", vm.get(args[0], vm.names.y));
    return Value();
}

bool box_contains(const Box& b, double x, double y) { return x >= b.x && x < b.x + b.w && y >= b.y && y < b.y + b.h; }

Value rect_contains(Vm& vm, Value self, const Args& args) {
    return box_contains(box_of(vm, self), vm.to_number(args[0]), vm.to_number(args[1]));
}
Value rect_contains_point(Vm& vm, Value self, const Args& args) {
    return box_contains(box_of(vm, self), num(vm, args[0], "x"), num(vm, args[0], "y"));
}
Value rect_contains_rectangle(Vm& vm, Value self, const Args& args) {
    const Box a = box_of(vm, self), b = box_of(vm, args[0]);
    return b.x >= a.x && b.y >= a.y && b.x + b.w <= a.x + a.w && b.y + b.h <= a.y + a.h;
}
Value rect_equals(Vm& vm, Value self, const Args& args) {
    Object* other = args[0].object();
    if (!other || !vm.instance_of(other, geom_class(vm, "Rectangle").object())) return false;
    const Box a = box_of(vm, self), b = box_of(vm, args[0]);
    return a.x == b.x && a.y == b.y && a.w == b.w && a.h == b.h;
}

void inflate(Vm& vm, const Value& self, double dx, double dy) {
    const Box b = box_of(vm, self);
    put(vm, self, "x", b.x - dx);
    put(vm, self, "y", b.y - dy);
    put(vm, self, "width", b.w + 2 * dx);
    put(vm, self, "height", b.h + 2 * dy);
}
Value rect_inflate(Vm& vm, Value self, const Args& args) {
    inflate(vm, self, vm.to_number(args[0]), vm.to_number(args[1]));
    return Value();
}
Value rect_inflate_point(Vm& vm, Value self, const Args& args) {
    inflate(vm, self, num(vm, args[0], "x"), num(vm, args[0], "y"));
    return Value();
}

Value rect_intersection(Vm& vm, Value self, const Args& args) {
    const Box a = box_of(vm, self), b = box_of(vm, args[0]);
    const double x0 = std::max(a.x, b.x), y0 = std::max(a.y, b.y);
    const double x1 = std::min(a.x + a.w, b.x + b.w), y1 = std::min(a.y + a.h, b.y + b.h);
    if (!(x1 > x0) || !(y1 > y0)) return make_rect(vm, {0, 0, 0, 0});
    return make_rect(vm, {x0, y0, x1 - x0, y1 - y0});
}
Value rect_intersects(Vm& vm, Value self, const Args& args) {
    const Box a = box_of(vm, self), b = box_of(vm, args[0]);
    return std::min(a.x + a.w, b.x + b.w) > std::max(a.x, b.x) && std::min(a.y + a.h, b.y + b.h) > std::max(a.y, b.y);
}
Value rect_union(Vm& vm, Value self, const Args& args) {
    const Box a = box_of(vm, self), b = box_of(vm, args[0]);
    if (box_empty(a)) return make_rect(vm, b);
    if (box_empty(b)) return make_rect(vm, a);
    const double x0 = std::min(a.x, b.x), y0 = std::min(a.y, b.y);
    const double x1 = std::max(a.x + a.w, b.x + b.w), y1 = std::max(a.y + a.h, b.y + b.h);
    return make_rect(vm, {x0, y0, x1 - x0, y1 - y0});
}
Value rect_is_empty(Vm& vm, Value self, const Args&) { return box_empty(box_of(vm, self)); }
Value rect_set_empty(Vm& vm, Value self, const Args&) {
    for (const char* n : {"x", "y", "width", "height"}) put(vm, self, n, 0.0);
    return Value();
}
Value rect_offset(Vm& vm, Value self, const Args& args) {
    put(vm, self, "x", num(vm, self, "x") + vm.to_number(args[0]));
    put(vm, self, "y", num(vm, self, "y") + vm.to_number(args[1]));
    return Value();
}
Value rect_offset_point(Vm& vm, Value self, const Args& args) {
    put(vm, self, "x", num(vm, self, "x") + num(vm, args[0], "x"));
    put(vm, self, "y", num(vm, self, "y") + num(vm, args[0], "y"));
    return Value();
}

// ---------------------------------------------------------------------------------------------
// Matrix
// ---------------------------------------------------------------------------------------------
const char* const kMatrixFields[] = {"a", "b", "c", "d", "tx", "ty"};

Matrix matrix_of(Vm& vm, const Value& m) {
    return {num(vm, m, "a"), num(vm, m, "b"), num(vm, m, "c"), num(vm, m, "d"), num(vm, m, "tx"), num(vm, m, "ty")};
}

void store_matrix(Vm& vm, const Value& self, const Matrix& m) {
    const double v[] = {m.a, m.b, m.c, m.d, m.tx, m.ty};
    for (int i = 0; i < 6; ++i) put(vm, self, kMatrixFields[i], v[i]);
}

Value matrix_ctor(Vm& vm, Value self, const Args& args) {
    if (args.size() == 0) {
        store_matrix(vm, self, Matrix{});
        return Value();
    }
    for (int i = 0; i < 6; ++i) put(vm, self, kMatrixFields[i], args[i]);
    return Value();
}

Value matrix_to_string(Vm& vm, Value self, const Args&) {
    return describe(vm, self, {{"a", "a"}, {"b", "b"}, {"c", "c"}, {"d", "d"}, {"tx", "tx"}, {"ty", "ty"}});
}

Value matrix_clone(Vm& vm, Value self, const Args&) {
    Value v[6];
    for (int i = 0; i < 6; ++i) v[i] = vm.get(self, vm.intern(kMatrixFields[i]));
    return vm.construct(geom_class(vm, "Matrix"), v, 6);
}

Value matrix_identity(Vm& vm, Value self, const Args&) {
    store_matrix(vm, self, Matrix{});
    return Value();
}

// this then m.
Matrix then(const Matrix& t, const Matrix& m) { return m * t; }

Value matrix_concat(Vm& vm, Value self, const Args& args) {
    if (!args[0].is_object()) return Value();
    store_matrix(vm, self, then(matrix_of(vm, self), matrix_of(vm, args[0])));
    return Value();
}

Value matrix_invert(Vm& vm, Value self, const Args&) {
    const Matrix m = matrix_of(vm, self);
    const double det = m.a * m.d - m.b * m.c;
    Matrix r;
    r.a = m.d / det;
    r.b = -m.b / det;
    r.c = -m.c / det;
    r.d = m.a / det;
    r.tx = -(r.a * m.tx + r.c * m.ty);
    r.ty = -(r.b * m.tx + r.d * m.ty);
    store_matrix(vm, self, r);
    return Value();
}

Value matrix_rotate(Vm& vm, Value self, const Args& args) {
    const double q = vm.to_number(args[0]);
    const double c = std::cos(q), s = std::sin(q);
    store_matrix(vm, self, then(matrix_of(vm, self), Matrix{c, s, -s, c, 0, 0}));
    return Value();
}

Value matrix_scale(Vm& vm, Value self, const Args& args) {
    const double sx = vm.to_number(args[0]), sy = vm.to_number(args[1]);
    Matrix m = matrix_of(vm, self);
    m.a *= sx, m.c *= sx, m.tx *= sx;
    m.b *= sy, m.d *= sy, m.ty *= sy;
    store_matrix(vm, self, m);
    return Value();
}

Value matrix_translate(Vm& vm, Value self, const Args& args) {
    put(vm, self, "tx", num(vm, self, "tx") + vm.to_number(args[0]));
    put(vm, self, "ty", num(vm, self, "ty") + vm.to_number(args[1]));
    return Value();
}

double or_zero(Vm& vm, const Value& v) { return v.is_undefined() ? 0.0 : vm.to_number(v); }

// createBox(sx, sy, rotation, tx, ty): a missing rotation makes the matrix NaN; missing
// translations are 0.
void create_box(Vm& vm, const Value& self, double sx, double sy, double q, double tx, double ty) {
    const double c = std::cos(q), s = std::sin(q);
    store_matrix(vm, self, Matrix{sx * c, sy * s, -sx * s, sy * c, tx, ty});
}

Value matrix_create_box(Vm& vm, Value self, const Args& args) {
    create_box(vm, self, vm.to_number(args[0]), vm.to_number(args[1]), vm.to_number(args[2]), or_zero(vm, args[3]),
               or_zero(vm, args[4]));
    return Value();
}

// The box a gradient's -819.2…819.2 square is mapped onto; rotation defaults to 0.
Value matrix_create_gradient_box(Vm& vm, Value self, const Args& args) {
    const double w = vm.to_number(args[0]), h = vm.to_number(args[1]);
    create_box(vm, self, w / 1638.4, h / 1638.4, or_zero(vm, args[2]), or_zero(vm, args[3]) + w / 2,
               or_zero(vm, args[4]) + h / 2);
    return Value();
}

Value matrix_transform_point(Vm& vm, Value self, const Args& args) {
    const Matrix m = matrix_of(vm, self);
    const double x = num(vm, args[0], "x"), y = num(vm, args[0], "y");
    return make(vm, "Point", {m.a * x + m.c * y + m.tx, m.b * x + m.d * y + m.ty});
}

Value matrix_delta_transform_point(Vm& vm, Value self, const Args& args) {
    const Matrix m = matrix_of(vm, self);
    const double x = num(vm, args[0], "x"), y = num(vm, args[0], "y");
    return make(vm, "Point", {m.a * x + m.c * y, m.b * x + m.d * y});
}

// ---------------------------------------------------------------------------------------------
// ColorTransform
// ---------------------------------------------------------------------------------------------
class ColorTransformData final : public NativeData {
public:
    // red, green, blue, alpha multipliers, then the offsets in the same order.
    double v[8] = {1, 1, 1, 1, 0, 0, 0, 0};
};

const char* const kColorFields[] = {"redMultiplier", "greenMultiplier", "blueMultiplier", "alphaMultiplier",
                                    "redOffset",     "greenOffset",     "blueOffset",     "alphaOffset"};

Value ct_ctor(Vm& vm, Value self, const Args& args) {
    ColorTransformData* d = native_attach<ColorTransformData>(vm, self);
    if (!d) return Value();
    for (int i = 0; i < 8 && i < args.size(); ++i) d->v[i] = vm.to_number(args[i]);
    return Value();
}

template <int I>
Value ct_get(Vm&, Value self, const Args&) {
    ColorTransformData* d = native_of<ColorTransformData>(self);
    return d ? Value(d->v[I]) : Value();
}

template <int I>
Value ct_set(Vm& vm, Value self, const Args& args) {
    if (ColorTransformData* d = native_of<ColorTransformData>(self)) d->v[I] = vm.to_number(args[0]);
    return Value();
}

Value ct_get_rgb(Vm&, Value self, const Args&) {
    ColorTransformData* d = native_of<ColorTransformData>(self);
    if (!d) return Value();
    return double((to_int32(d->v[4]) << 16) | (to_int32(d->v[5]) << 8) | to_int32(d->v[6]));
}

Value ct_set_rgb(Vm& vm, Value self, const Args& args) {
    ColorTransformData* d = native_of<ColorTransformData>(self);
    if (!d) return Value();
    const int32_t rgb = vm.to_int32(args[0]);
    d->v[0] = d->v[1] = d->v[2] = 0;
    d->v[4] = (rgb >> 16) & 0xFF;
    d->v[5] = (rgb >> 8) & 0xFF;
    d->v[6] = rgb & 0xFF;
    return Value();
}

// this then second: offsets of `second` are scaled by this one's multipliers.
Value ct_concat(Vm&, Value self, const Args& args) {
    ColorTransformData* d = native_of<ColorTransformData>(self);
    ColorTransformData* s = native_of<ColorTransformData>(args[0]);
    if (!d || !s) return Value();
    for (int i = 0; i < 4; ++i) {
        d->v[4 + i] += s->v[4 + i] * d->v[i];
        d->v[i] *= s->v[i];
    }
    return Value();
}

Value ct_to_string(Vm& vm, Value self, const Args&) {
    ColorTransformData* d = native_of<ColorTransformData>(self);
    if (!d) return Value();
    std::string out = "(";
    for (int i = 0; i < 8; ++i) {
        if (i) out += ", ";
        out += std::string(kColorFields[i]) + "=" + vm.number_string(d->v[i])->text;
    }
    return vm.str(out + ")");
}

Value make_color_transform(Vm& vm, const CxForm& cx) {
    return make(vm, "ColorTransform", {cx.rm / 256.0, cx.gm / 256.0, cx.bm / 256.0, cx.am / 256.0, double(cx.ra),
                                       double(cx.ga), double(cx.ba), double(cx.aa)});
}

int32_t to_short(double v) { return std::isfinite(v) ? int16_t(uint16_t(uint32_t(to_int32(v)))) : 0; }

// ---------------------------------------------------------------------------------------------
// Transform
// ---------------------------------------------------------------------------------------------
class TransformData final : public NativeData {
public:
    Object* clip = nullptr;
    void trace(Tracer& t) override {
        Object::trace(t);
        t.mark(clip);
    }
};

ClipObject* transform_clip(const Value& self) {
    TransformData* d = native_of<TransformData>(self);
    if (!d || !d->clip || !is_display_object(d->clip)) return nullptr;
    auto* c = static_cast<ClipObject*>(d->clip);
    return c->alive() ? c : nullptr;
}

Value transform_ctor(Vm& vm, Value self, const Args& args) {
    TransformData* d = native_attach<TransformData>(vm, self);
    if (d && args[0].is_object() && is_display_object(args[0].o)) d->clip = args[0].o;
    return Value();
}

Value pixels_matrix(Vm& vm, const Matrix& m) {
    return make(vm, "Matrix", {m.a, m.b, m.c, m.d, m.tx / 20, m.ty / 20});
}

Value transform_get_matrix(Vm& vm, Value self, const Args&) {
    ClipObject* c = transform_clip(self);
    if (!c) return Value();
    return pixels_matrix(vm, c->inst ? c->inst->matrix : Matrix{});
}

Value transform_set_matrix(Vm& vm, Value self, const Args& args) {
    ClipObject* c = transform_clip(self);
    if (!c || !c->inst || !args[0].is_object()) return Value();
    Matrix m = matrix_of(vm, args[0]);
    if (!std::isfinite(m.a + m.b + m.c + m.d + m.tx + m.ty)) return Value();
    m.tx = std::trunc(m.tx * 20);
    m.ty = std::trunc(m.ty * 20);
    c->inst->matrix = m;
    c->inst->scripted = true;
    return Value();
}

Value transform_get_concatenated_matrix(Vm& vm, Value self, const Args&) {
    ClipObject* c = transform_clip(self);
    if (!c) return Value();
    return pixels_matrix(vm, vm.runtime ? vm.runtime->to_stage(c) : (c->inst ? c->inst->matrix : Matrix{}));
}

Value transform_get_color(Vm& vm, Value self, const Args&) {
    ClipObject* c = transform_clip(self);
    if (!c) return Value();
    return make_color_transform(vm, c->inst ? c->inst->cxform : CxForm{});
}

Value transform_set_color(Vm&, Value self, const Args& args) {
    ClipObject* c = transform_clip(self);
    ColorTransformData* d = native_of<ColorTransformData>(args[0]);
    if (!c || !c->inst || !d) return Value();
    CxForm& cx = c->inst->cxform;
    c->inst->scripted = true;
    cx.rm = to_short(d->v[0] * 256);
    cx.gm = to_short(d->v[1] * 256);
    cx.bm = to_short(d->v[2] * 256);
    cx.am = to_short(d->v[3] * 256);
    cx.ra = to_short(d->v[4]);
    cx.ga = to_short(d->v[5]);
    cx.ba = to_short(d->v[6]);
    cx.aa = to_short(d->v[7]);
    return Value();
}

Value transform_get_concatenated_color(Vm& vm, Value self, const Args&) {
    ClipObject* c = transform_clip(self);
    if (!c) return Value();
    CxForm total;
    for (ClipObject* o = c; o && o->inst;) {
        total = o->inst->cxform * total;
        Clip* parent = o->parent;
        o = parent && is_display_object(parent->object) ? static_cast<ClipObject*>(parent->object) : nullptr;
    }
    return make_color_transform(vm, total);
}

// The clip's bounds on the stage, in whole pixels.
Value transform_get_pixel_bounds(Vm& vm, Value self, const Args&) {
    ClipObject* c = transform_clip(self);
    if (!c) return Value();
    Rect r;
    if (!c->inst || !instance_bounds(*c->inst, r)) return make_rect(vm, {0, 0, 0, 0});
    // instance_bounds is in the instance's own space; take it to the stage through the parent.
    Matrix parent_to_stage;
    if (vm.runtime) {
        Matrix inv;
        const Matrix stage = vm.runtime->to_stage(c);
        if (c->inst->matrix.invert(inv)) parent_to_stage = stage * inv;
    }
    const Matrix m = parent_to_stage * c->inst->matrix;
    double x0 = 1e300, y0 = 1e300, x1 = -1e300, y1 = -1e300;
    for (double px : {double(r.xmin), double(r.xmax)})
        for (double py : {double(r.ymin), double(r.ymax)}) {
            const double x = m.apply_x(px, py), y = m.apply_y(px, py);
            x0 = std::min(x0, x), x1 = std::max(x1, x);
            y0 = std::min(y0, y), y1 = std::max(y1, y);
        }
    x0 = std::floor(x0 / 20), y0 = std::floor(y0 / 20), x1 = std::ceil(x1 / 20), y1 = std::ceil(y1 / 20);
    return make_rect(vm, {x0, y0, x1 - x0, y1 - y0});
}

// MovieClip.transform: a new Transform each time; assigning one copies its clip's matrix and
// colour transform.
Value clip_get_transform(Vm& vm, Value self, const Args&) {
    if (!self.is_object() || !is_display_object(self.o)) return Value();
    Value arg = self;
    return vm.construct(geom_class(vm, "Transform"), &arg, 1);
}

Value clip_set_transform(Vm& vm, Value self, const Args& args) {
    ClipObject* from = transform_clip(args[0]);
    if (!from || !from->inst || !self.is_object() || !is_display_object(self.o)) return Value();
    auto* to = static_cast<ClipObject*>(self.o);
    if (!to->alive() || !to->inst) return Value();
    to->inst->matrix = from->inst->matrix;
    to->inst->cxform = from->inst->cxform;
    to->inst->scripted = true;
    return Value();
}

}  // namespace

void install_geom(Vm& vm) {
    Object* geom = flash_package(vm, "geom");

    Object* point = vm.new_object();
    FunctionObject* point_ctor_fn = vm.make_class("", point_ctor, point);
    vm.define(geom, "Point", point_ctor_fn, 0);
    define_accessor(vm, point, "length", point_length, nullptr, 0);
    vm.define_method(point, "add", point_add, 0);
    vm.define_method(point, "subtract", point_subtract, 0);
    vm.define_method(point, "equals", point_equals, 0);
    vm.define_method(point, "normalize", point_normalize, 0);
    vm.define_method(point, "offset", point_offset, 0);
    vm.define_method(point, "clone", point_clone, 0);
    vm.define_method(point, "toString", point_to_string, 0);
    vm.define_method(point_ctor_fn, "distance", point_distance, 0);
    vm.define_method(point_ctor_fn, "interpolate", point_interpolate, 0);
    vm.define_method(point_ctor_fn, "polar", point_polar, 0);

    Object* rect = vm.new_object();
    vm.define(geom, "Rectangle", vm.make_class("", rect_ctor, rect), 0);
    define_accessor(vm, rect, "left", rect_get_left, rect_set_left, 0);
    define_accessor(vm, rect, "top", rect_get_top, rect_set_top, 0);
    define_accessor(vm, rect, "right", rect_get_right, rect_set_right, 0);
    define_accessor(vm, rect, "bottom", rect_get_bottom, rect_set_bottom, 0);
    define_accessor(vm, rect, "topLeft", rect_get_top_left, rect_set_top_left, 0);
    define_accessor(vm, rect, "bottomRight", rect_get_bottom_right, rect_set_bottom_right, 0);
    define_accessor(vm, rect, "size", rect_get_size, rect_set_size, 0);
    vm.define_method(rect, "clone", rect_clone, 0);
    vm.define_method(rect, "contains", rect_contains, 0);
    vm.define_method(rect, "containsPoint", rect_contains_point, 0);
    vm.define_method(rect, "containsRectangle", rect_contains_rectangle, 0);
    vm.define_method(rect, "equals", rect_equals, 0);
    vm.define_method(rect, "inflate", rect_inflate, 0);
    vm.define_method(rect, "inflatePoint", rect_inflate_point, 0);
    vm.define_method(rect, "intersection", rect_intersection, 0);
    vm.define_method(rect, "intersects", rect_intersects, 0);
    vm.define_method(rect, "isEmpty", rect_is_empty, 0);
    vm.define_method(rect, "offset", rect_offset, 0);
    vm.define_method(rect, "offsetPoint", rect_offset_point, 0);
    vm.define_method(rect, "setEmpty", rect_set_empty, 0);
    vm.define_method(rect, "union", rect_union, 0);
    vm.define_method(rect, "toString", rect_to_string, 0);

    Object* matrix = vm.new_object();
    vm.define(geom, "Matrix", vm.make_class("", matrix_ctor, matrix), 0);
    vm.define_method(matrix, "clone", matrix_clone, 0);
    vm.define_method(matrix, "concat", matrix_concat, 0);
    vm.define_method(matrix, "createBox", matrix_create_box, 0);
    vm.define_method(matrix, "createGradientBox", matrix_create_gradient_box, 0);
    vm.define_method(matrix, "deltaTransformPoint", matrix_delta_transform_point, 0);
    vm.define_method(matrix, "identity", matrix_identity, 0);
    vm.define_method(matrix, "invert", matrix_invert, 0);
    vm.define_method(matrix, "rotate", matrix_rotate, 0);
    vm.define_method(matrix, "scale", matrix_scale, 0);
    vm.define_method(matrix, "transformPoint", matrix_transform_point, 0);
    vm.define_method(matrix, "translate", matrix_translate, 0);
    vm.define_method(matrix, "toString", matrix_to_string, 0);

    // Listed by for..in in this order, newest first.
    Object* ct = vm.new_object();
    vm.define(geom, "ColorTransform", vm.make_class("", ct_ctor, ct), 0);
    define_accessor(vm, ct, "alphaMultiplier", ct_get<3>, ct_set<3>, 0);
    define_accessor(vm, ct, "redMultiplier", ct_get<0>, ct_set<0>, 0);
    define_accessor(vm, ct, "greenMultiplier", ct_get<1>, ct_set<1>, 0);
    define_accessor(vm, ct, "blueMultiplier", ct_get<2>, ct_set<2>, 0);
    define_accessor(vm, ct, "alphaOffset", ct_get<7>, ct_set<7>, 0);
    define_accessor(vm, ct, "redOffset", ct_get<4>, ct_set<4>, 0);
    define_accessor(vm, ct, "greenOffset", ct_get<5>, ct_set<5>, 0);
    define_accessor(vm, ct, "blueOffset", ct_get<6>, ct_set<6>, 0);
    define_accessor(vm, ct, "rgb", ct_get_rgb, ct_set_rgb, 0);
    vm.define_method(ct, "concat", ct_concat, 0);
    vm.define_method(ct, "toString", ct_to_string, 0);

    Object* transform = vm.new_object();
    vm.define(geom, "Transform", vm.make_class("", transform_ctor, transform), 0);
    define_accessor(vm, transform, "matrix", transform_get_matrix, transform_set_matrix, 0);
    define_accessor(vm, transform, "concatenatedMatrix", transform_get_concatenated_matrix, nullptr, 0);
    define_accessor(vm, transform, "colorTransform", transform_get_color, transform_set_color, 0);
    define_accessor(vm, transform, "concatenatedColorTransform", transform_get_concatenated_color, nullptr, 0);
    define_accessor(vm, transform, "pixelBounds", transform_get_pixel_bounds, nullptr, 0);

    if (vm.movieclip_proto && !vm.movieclip_proto->find_own(vm.intern("transform"), true))
        define_accessor(vm, vm.movieclip_proto, "transform", clip_get_transform, clip_set_transform,
                        DontEnum | HideBelow8);
}

}  // namespace swf::avm1
