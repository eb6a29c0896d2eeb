// flash.filters: BitmapFilter and its nine kinds, and MovieClip.filters.
//
// A filter object's settings live in a hidden native part; its properties are getter/setter
// pairs on the class prototype, so an object that has not been through a filter constructor
// reads undefined, and a second constructor call (super() twice) converts its arguments but
// changes nothing. Setters clamp and convert the way the original does:
//   colours keep the low 24 bits of the 32-bit value; alphas are clamped to 0..1 and kept in
//   8 bits (truncated; gradient alphas rounded), NaN counting as 1; blurs and strengths are
//   clamped to 0..255, quality to 0..15 (truncated); angles are degrees kept modulo 360;
//   type and mode accept only their exact names, else "full" and "wrap".
// Gradient colours, alphas and ratios are 16 slots each plus a count: setting colours sets the
// count, setting ratios can only lower it, and setting alphas fills every counted slot (missing
// entries count as 1). Slots past the count keep what they held.
// MovieClip.filters reads copies of the clip's list and replaces the list from an array of
// filter objects; displacement maps are kept by scripts only (the renderer has none).
#include <algorithm>
#include <cmath>
#include <functional>

#include "swf/avm1/builtins.h"
#include "swf/avm1/clip.h"
#include "swf/avm1/convert.h"
#include "swf/avm1/native_data.h"
#include "swf/avm1/script_filter.h"
#include "swf/filter.h"

namespace swf::avm1 {

namespace {

constexpr double kPi = 3.141592653589793;
// Degrees become the display list's radians with this shorter pi (read back with the true one, a
// set angle of 45 reads 44.9999999772279).
constexpr double kShortPi = 3.141592652;

enum class Kind : uint8_t {
    Bevel, Blur, ColorMatrix, Convolution, DisplacementMap, DropShadow, Glow, GradientBevel, GradientGlow, Count
};

enum class P : uint8_t {
    Distance, Angle, Color, Alpha, HighlightColor, HighlightAlpha, BlurX, BlurY, Strength, Quality,
    Type, Knockout, Inner, HideObject, Colors, Alphas, Ratios, ColorMatrix, MatrixX, MatrixY, Kernel,
    Divisor, Bias, PreserveAlpha, Clamp, MapBitmap, MapPoint, ComponentX, ComponentY, ScaleX, ScaleY,
    Mode,
};

struct PropDef {
    const char* name;
    P id;
};

struct ClassDef {
    const char* name;
    std::vector<PropDef> props;  // constructor order
    const char* listed;  // the order the prototype defines them in (for..in lists it reversed)
};

// Shadow colour and alpha of a bevel are the Color/Alpha slots.
const ClassDef& class_def(Kind k) {
    static const ClassDef defs[] = {
        {"BevelFilter",
         {{"distance", P::Distance}, {"angle", P::Angle}, {"highlightColor", P::HighlightColor},
          {"highlightAlpha", P::HighlightAlpha}, {"shadowColor", P::Color}, {"shadowAlpha", P::Alpha},
          {"blurX", P::BlurX}, {"blurY", P::BlurY}, {"strength", P::Strength}, {"quality", P::Quality},
          {"type", P::Type}, {"knockout", P::Knockout}},
         "distance,angle,highlightColor,highlightAlpha,shadowColor,shadowAlpha,quality,strength,knockout,blurX,blurY,type"},
        {"BlurFilter", {{"blurX", P::BlurX}, {"blurY", P::BlurY}, {"quality", P::Quality}},
         "blurX,blurY,quality"},
        {"ColorMatrixFilter", {{"matrix", P::ColorMatrix}},
         "matrix"},
        {"ConvolutionFilter",
         {{"matrixX", P::MatrixX}, {"matrixY", P::MatrixY}, {"matrix", P::Kernel}, {"divisor", P::Divisor},
          {"bias", P::Bias}, {"preserveAlpha", P::PreserveAlpha}, {"clamp", P::Clamp}, {"color", P::Color},
          {"alpha", P::Alpha}},
         "matrixX,matrixY,matrix,divisor,bias,preserveAlpha,clamp,color,alpha"},
        {"DisplacementMapFilter",
         {{"mapBitmap", P::MapBitmap}, {"mapPoint", P::MapPoint}, {"componentX", P::ComponentX},
          {"componentY", P::ComponentY}, {"scaleX", P::ScaleX}, {"scaleY", P::ScaleY}, {"mode", P::Mode},
          {"color", P::Color}, {"alpha", P::Alpha}},
         "mapBitmap,mapPoint,componentX,componentY,scaleX,scaleY,mode,color,alpha"},
        {"DropShadowFilter",
         {{"distance", P::Distance}, {"angle", P::Angle}, {"color", P::Color}, {"alpha", P::Alpha},
          {"blurX", P::BlurX}, {"blurY", P::BlurY}, {"strength", P::Strength}, {"quality", P::Quality},
          {"inner", P::Inner}, {"knockout", P::Knockout}, {"hideObject", P::HideObject}},
         "distance,angle,color,alpha,quality,inner,knockout,blurX,blurY,strength,hideObject"},
        {"GlowFilter",
         {{"color", P::Color}, {"alpha", P::Alpha}, {"blurX", P::BlurX}, {"blurY", P::BlurY},
          {"strength", P::Strength}, {"quality", P::Quality}, {"inner", P::Inner}, {"knockout", P::Knockout}},
         "color,alpha,quality,inner,knockout,blurX,blurY,strength"},
        {"GradientBevelFilter",
         {{"distance", P::Distance}, {"angle", P::Angle}, {"colors", P::Colors}, {"alphas", P::Alphas},
          {"ratios", P::Ratios}, {"blurX", P::BlurX}, {"blurY", P::BlurY}, {"strength", P::Strength},
          {"quality", P::Quality}, {"type", P::Type}, {"knockout", P::Knockout}},
         "distance,angle,colors,alphas,ratios,blurX,blurY,quality,strength,knockout,type"},
        {"GradientGlowFilter",
         {{"distance", P::Distance}, {"angle", P::Angle}, {"colors", P::Colors}, {"alphas", P::Alphas},
          {"ratios", P::Ratios}, {"blurX", P::BlurX}, {"blurY", P::BlurY}, {"strength", P::Strength},
          {"quality", P::Quality}, {"type", P::Type}, {"knockout", P::Knockout}},
         "distance,angle,colors,alphas,ratios,blurX,blurY,quality,strength,knockout,type"},
    };
    return defs[size_t(k)];
}

enum BevelType : uint8_t { TypeInner, TypeOuter, TypeFull };
enum MapMode : uint8_t { ModeWrap, ModeClamp, ModeIgnore, ModeColor };

constexpr int kGradientSlots = 16;

// Everything a filter object holds, copied whole by clone().
struct Settings {
    Kind kind = Kind::Blur;
    double distance = 4, angle = 45, blur_x = 4, blur_y = 4, strength = 1;
    int quality = 1;
    uint32_t color = 0, highlight = 0xFFFFFF;
    uint8_t alpha = 255, highlight_alpha = 255;
    uint8_t type = TypeInner;
    bool knockout = false, inner = false, hide_object = false;
    // Gradient kinds.
    int count = 0;
    uint32_t colors[kGradientSlots] = {};
    uint8_t alphas[kGradientSlots] = {};
    uint8_t ratios[kGradientSlots] = {};
    // Colour matrix (20) or convolution kernel.
    std::vector<double> matrix;
    int matrix_x = 0, matrix_y = 0;
    double divisor = 1, bias = 0;
    bool preserve_alpha = true, clamp = true;
    // Displacement map.
    Value map_bitmap;
    int32_t map_x = 0, map_y = 0;
    int32_t component_x = 0, component_y = 0;
    double scale_x = 0, scale_y = 0;
    uint8_t mode = ModeWrap;
};

class FilterState final : public NativeData {
public:
    Settings v;
    void trace(Tracer& t) override {
        NativeData::trace(t);
        t.mark(v.map_bitmap);
    }
};

FilterState* make_state(Vm& vm, Kind k) {
    auto* state = vm.heap.make<FilterState>();
    Settings* s = &state->v;
    s->kind = k;
    switch (k) {
    case Kind::ColorMatrix:
        s->matrix.assign(20, 0.0);
        s->matrix[0] = s->matrix[6] = s->matrix[12] = s->matrix[18] = 1;
        break;
    case Kind::Glow:
        s->color = 0xFF0000;
        s->blur_x = s->blur_y = 6;
        s->strength = 2;
        break;
    case Kind::Convolution:
    case Kind::DisplacementMap: s->alpha = 0; break;
    default: break;
    }
    return state;
}

// The prototypes of the nine classes, for objects made by clone() and MovieClip.filters.
class FilterClasses final : public NativeData {
public:
    Object* protos[size_t(Kind::Count)] = {};
    void trace(Tracer& t) override {
        NativeData::trace(t);
        for (Object* p : protos) t.mark(p);
    }
};

FilterClasses* filter_classes(Vm& vm) {
    for (const Value& v : vm.roots)
        if (auto* c = dynamic_cast<FilterClasses*>(v.object())) return c;
    return nullptr;
}

Value wrap_state(Vm& vm, FilterState* s) {
    FilterClasses* classes = filter_classes(vm);
    Object* o = vm.new_object(classes ? classes->protos[size_t(s->v.kind)] : vm.object_proto);
    o->primitive = Value(static_cast<Object*>(s));
    return o;
}

FilterState* copy_state(Vm& vm, const FilterState& from) {
    auto* s = vm.heap.make<FilterState>();
    s->v = from.v;
    return s;
}

// ---------------------------------------------------------------------------------------------
// Conversions
// ---------------------------------------------------------------------------------------------
double clamp_or(double v, double lo, double hi, double nan) { return std::isnan(v) ? nan : std::clamp(v, lo, hi); }

uint32_t to_color(double v) { return uint32_t(to_int32(v)) & 0xFFFFFF; }

uint8_t alpha_byte(double a, bool round) {
    a = clamp_or(a, 0, 1, 1) * 255;
    return uint8_t(round ? std::floor(a + 0.5) : a);
}

int32_t trunc_int(double v) {
    if (std::isnan(v) || v >= 2147483648.0 || v <= -2147483649.0) return INT32_MIN;
    return int32_t(v);
}

// A number from an array entry: null and undefined are NaN, not 0.
double entry_number(Vm& vm, const Value& v) { return v.is_nullish() ? NAN : vm.to_number(v); }

// The `length` of any value (strings count their characters; numbers have none).
int length_of(Vm& vm, const Value& v) {
    if (v.is_string()) return int(vm.to_number(vm.get(v, vm.names.length)));
    if (!v.is_object()) return 0;
    double n = vm.to_number(vm.get(v, vm.names.length));
    return std::isfinite(n) && n > 0 ? int(std::min(n, 1e6)) : 0;
}

Value entry(Vm& vm, const Value& v, int i) {
    if (!v.is_object()) return Value();
    return vm.get(v, vm.key(Value(double(i))));
}

Value make_array(Vm& vm, int n, const std::function<double(int)>& at) {
    ArrayObject* a = vm.new_array();
    for (int i = 0; i < n; ++i) a->items.push_back(Value(at(i)));
    return a;
}

void pad_kernel(Settings& s) {
    const size_t cells = size_t(s.matrix_x) * size_t(s.matrix_y);
    if (s.matrix.size() < cells) s.matrix.resize(cells, 0.0);
}

Value geom_point(Vm& vm, double x, double y) {
    Object* geom = flash_package(vm, "geom");
    Value ctor = vm.get(geom, vm.intern("Point"));
    Value args[2] = {x, y};
    return vm.construct(ctor, args, 2);
}

Value bitmapdata_class(Vm& vm) {
    Object* display = flash_package(vm, "display");
    return vm.get(display, vm.intern("BitmapData"));
}

// ---------------------------------------------------------------------------------------------
// Reading and writing one property
// ---------------------------------------------------------------------------------------------
Value get_prop(Vm& vm, const Settings& s, P p) {
    switch (p) {
    case P::Distance: return s.distance;
    case P::Angle: return s.angle;
    case P::Color: return double(s.color);
    case P::Alpha: return s.alpha / 255.0;
    case P::HighlightColor: return double(s.highlight);
    case P::HighlightAlpha: return s.highlight_alpha / 255.0;
    case P::BlurX: return s.blur_x;
    case P::BlurY: return s.blur_y;
    case P::Strength: return s.strength;
    case P::Quality: return double(s.quality);
    case P::Type:
        return vm.intern(s.type == TypeInner ? "inner" : s.type == TypeOuter ? "outer" : "full");
    case P::Knockout: return s.knockout;
    case P::Inner: return s.inner;
    case P::HideObject: return s.hide_object;
    case P::Colors: return make_array(vm, s.count, [&](int i) { return double(s.colors[i]); });
    case P::Alphas: return make_array(vm, s.count, [&](int i) { return s.alphas[i] / 255.0; });
    case P::Ratios: return make_array(vm, s.count, [&](int i) { return double(s.ratios[i]); });
    case P::ColorMatrix:
    case P::Kernel: return make_array(vm, int(s.matrix.size()), [&](int i) { return s.matrix[i]; });
    case P::MatrixX: return double(s.matrix_x);
    case P::MatrixY: return double(s.matrix_y);
    case P::Divisor: return s.divisor;
    case P::Bias: return s.bias;
    case P::PreserveAlpha: return s.preserve_alpha;
    case P::Clamp: return s.clamp;
    case P::MapBitmap: return s.map_bitmap;
    case P::MapPoint: return geom_point(vm, s.map_x, s.map_y);
    case P::ComponentX: return double(s.component_x);
    case P::ComponentY: return double(s.component_y);
    case P::ScaleX: return s.scale_x;
    case P::ScaleY: return s.scale_y;
    case P::Mode: {
        static const char* const names[] = {"wrap", "clamp", "ignore", "color"};
        return vm.intern(names[s.mode]);
    }
    }
    return Value();
}

// mapPoint reads x and y whatever happens: a conversion that throws counts as NaN and the first
// exception is passed on once both are read. A point missing either coordinate is (0, 0).
void set_map_point(Vm& vm, Settings& s, const Value& v) {
    if (!v.is_object()) {
        s.map_x = s.map_y = 0;
        return;
    }
    bool threw = false;
    Value first;
    auto read = [&](Str* name, bool& missing) {
        Value raw = vm.get(v, name);
        double n = NAN;
        if (!vm.throwing) n = vm.to_number(raw);
        if (vm.throwing) {
            if (!threw) first = vm.exception;
            threw = true;
            vm.throwing = false;
            vm.exception = Value();
            n = NAN;
        }
        missing = raw.is_undefined();
        return n;
    };
    bool mx = false, my = false;
    const double x = read(vm.names.x, mx), y = read(vm.names.y, my);
    if (mx || my) {
        s.map_x = s.map_y = 0;
    } else {
        s.map_x = trunc_int(x);
        s.map_y = trunc_int(y);
    }
    if (threw) {
        vm.throwing = true;
        vm.exception = first;
    }
}

// Converts `v` for property `p` and stores it. Returns false when a conversion threw.
bool set_prop(Vm& vm, Settings& s, P p, const Value& v) {
    auto number = [&](double& out) {
        out = vm.to_number(v);
        return !vm.throwing;
    };
    double n = 0;
    switch (p) {
    case P::Distance:
        if (!number(n)) return false;
        s.distance = n;
        break;
    case P::Angle:
        if (!number(n)) return false;
        s.angle = std::fmod(n, 360.0);
        break;
    case P::Color:
        if (!number(n)) return false;
        s.color = to_color(n);
        break;
    case P::Alpha:
        if (!number(n)) return false;
        s.alpha = alpha_byte(n, false);
        break;
    case P::HighlightColor:
        if (!number(n)) return false;
        s.highlight = to_color(n);
        break;
    case P::HighlightAlpha:
        if (!number(n)) return false;
        s.highlight_alpha = alpha_byte(n, false);
        break;
    case P::BlurX:
    case P::BlurY:
        if (!number(n)) return false;
        (p == P::BlurX ? s.blur_x : s.blur_y) = clamp_or(n, 0, 255, 0);
        break;
    case P::Strength:
        if (!number(n)) return false;
        s.strength = clamp_or(n, 0, 255, 0);
        break;
    case P::Quality:
        if (!number(n)) return false;
        s.quality = std::clamp(to_int32(n), 0, 15);
        break;
    case P::Type: {
        Str* t = vm.to_string(v);
        if (vm.throwing) return false;
        s.type = t->text == "inner" ? TypeInner : t->text == "outer" ? TypeOuter : TypeFull;
        break;
    }
    case P::Knockout: s.knockout = vm.to_boolean(v); break;
    case P::Inner: s.inner = vm.to_boolean(v); break;
    case P::HideObject: s.hide_object = vm.to_boolean(v); break;
    case P::Colors: {
        if (v.is_nullish()) break;
        const int count = std::min(length_of(vm, v), kGradientSlots);
        for (int i = 0; i < count; ++i) {
            Value e = entry(vm, v, i);
            const double c = e.is_nullish() ? 0 : vm.to_number(e);
            if (vm.throwing) return false;
            s.colors[i] = to_color(c);
        }
        s.count = count;
        break;
    }
    case P::Alphas: {
        if (v.is_nullish()) break;
        for (int i = 0; i < s.count; ++i) {
            const double a = entry_number(vm, entry(vm, v, i));
            if (vm.throwing) return false;
            s.alphas[i] = alpha_byte(a, true);
        }
        break;
    }
    case P::Ratios: {
        if (v.is_nullish()) break;
        const int count = std::min(s.count, length_of(vm, v));
        for (int i = 0; i < count; ++i) {
            const double r = entry_number(vm, entry(vm, v, i));
            if (vm.throwing) return false;
            s.ratios[i] = uint8_t(clamp_or(r, 0, 255, 0));
        }
        s.count = count;
        break;
    }
    case P::ColorMatrix: {
        if (v.is_nullish()) break;
        for (int i = 0; i < 20; ++i) {
            const double e = entry_number(vm, entry(vm, v, i));
            if (vm.throwing) return false;
            s.matrix[i] = e;
        }
        break;
    }
    case P::Kernel: {
        if (v.is_nullish()) break;
        const int count = length_of(vm, v);
        std::vector<double> m(count);
        for (int i = 0; i < count; ++i) {
            m[i] = entry_number(vm, entry(vm, v, i));
            if (vm.throwing) return false;
        }
        s.matrix = std::move(m);
        pad_kernel(s);
        break;
    }
    case P::MatrixX:
    case P::MatrixY:
        if (!number(n)) return false;
        (p == P::MatrixX ? s.matrix_x : s.matrix_y) = std::clamp(to_int32(n), 0, 15);
        pad_kernel(s);
        break;
    case P::Divisor:
        if (!number(n)) return false;
        s.divisor = n;
        break;
    case P::Bias:
        if (!number(n)) return false;
        s.bias = n;
        break;
    case P::PreserveAlpha: s.preserve_alpha = vm.to_boolean(v); break;
    case P::Clamp: s.clamp = vm.to_boolean(v); break;
    case P::MapBitmap:
        if (v.is_object() && vm.instance_of(v.o, bitmapdata_class(vm).object())) s.map_bitmap = v;
        break;
    case P::MapPoint:
        set_map_point(vm, s, v);
        return !vm.throwing;
    case P::ComponentX:
    case P::ComponentY:
        if (!number(n)) return false;
        (p == P::ComponentX ? s.component_x : s.component_y) = to_int32(n);
        break;
    case P::ScaleX:
    case P::ScaleY:
        if (!number(n)) return false;
        (p == P::ScaleX ? s.scale_x : s.scale_y) = clamp_or(n, -65535, 65535, 0);
        break;
    case P::Mode: {
        Str* t = vm.to_string(v);
        if (vm.throwing) return false;
        const std::string& m = t->text;
        s.mode = m == "clamp" ? ModeClamp : m == "ignore" ? ModeIgnore : m == "color" ? ModeColor : ModeWrap;
        break;
    }
    }
    return true;
}

// ---------------------------------------------------------------------------------------------
// Natives
// ---------------------------------------------------------------------------------------------
FilterState* state_of(const Value& self) { return native_of<FilterState>(self); }

// Accessor natives carry (kind << 8 | property) in native_data.
P prop_of(const Args& args) { return P(int(args.callee->native_data.n) & 0xFF); }
Kind kind_of(const Args& args) { return Kind(int(args.callee->native_data.n) >> 8); }

Value prop_get(Vm& vm, Value self, const Args& args) {
    FilterState* s = state_of(self);
    if (!s || s->v.kind != kind_of(args)) return Value();
    return get_prop(vm, s->v, prop_of(args));
}

Value prop_set(Vm& vm, Value self, const Args& args) {
    FilterState* s = state_of(self);
    if (!s || s->v.kind != kind_of(args)) return Value();
    set_prop(vm, s->v, prop_of(args), args[0]);
    return Value();
}

Value filter_ctor(Vm& vm, Value self, const Args& args) {
    const Kind k = kind_of(args);
    FilterState* s = make_state(vm, k);
    const auto& props = class_def(k).props;
    for (size_t i = 0; i < props.size(); ++i) {
        const bool given = int(i) < args.size();
        // A convolution or displacement colour brings its alpha along, given or not.
        const bool paired = props[i].id == P::Alpha && i > 0 && props[i - 1].id == P::Color &&
                            (k == Kind::Convolution || k == Kind::DisplacementMap) && int(i) - 1 < args.size();
        if (!given && !paired) break;
        if (!set_prop(vm, s->v, props[i].id, args[int(i)])) return Value();
    }
    // A second construction of the same object leaves the first one's settings.
    Object* o = self.object();
    if (o && o->kind == ObjKind::Plain && o->primitive.is_undefined()) o->primitive = Value(static_cast<Object*>(s));
    return Value();
}

Value bitmap_filter_ctor(Vm&, Value, const Args&) { return Value(); }

Value filter_clone(Vm& vm, Value self, const Args&) {
    FilterState* s = state_of(self);
    if (!s) return Value();
    return wrap_state(vm, copy_state(vm, *s));
}

// ---------------------------------------------------------------------------------------------
// The display side
// ---------------------------------------------------------------------------------------------
RGBA rgba_of(uint32_t rgb, uint8_t a) { return RGBA{uint8_t(rgb >> 16), uint8_t(rgb >> 8), uint8_t(rgb), a}; }
uint32_t rgb_of(RGBA c) { return uint32_t(c.r) << 16 | uint32_t(c.g) << 8 | c.b; }

void type_to_flags(uint8_t type, Filter& f) {
    f.inner = type == TypeInner;
    f.on_top = type == TypeFull;
}

// The renderer's form of a script filter; false for kinds it does not draw.
bool to_display(const Settings& s, Filter& f) {
    f.blur_x = s.blur_x, f.blur_y = s.blur_y;
    f.passes = s.quality;
    f.strength = s.strength;
    f.distance = s.distance;
    f.angle = s.angle * kShortPi / 180;
    f.knockout = s.knockout;
    f.color = rgba_of(s.color, s.alpha);
    switch (s.kind) {
    case Kind::Blur: f.type = FilterType::Blur; break;
    case Kind::DropShadow:
    case Kind::Glow:
        f.type = s.kind == Kind::Glow ? FilterType::Glow : FilterType::DropShadow;
        f.inner = s.inner;
        f.composite_source = !s.hide_object;
        break;
    case Kind::Bevel:
        f.type = FilterType::Bevel;
        f.highlight = rgba_of(s.highlight, s.highlight_alpha);
        type_to_flags(s.type, f);
        break;
    case Kind::GradientBevel:
    case Kind::GradientGlow:
        f.type = s.kind == Kind::GradientBevel ? FilterType::GradientBevel : FilterType::GradientGlow;
        type_to_flags(s.type, f);
        for (int i = 0; i < s.count; ++i) {
            f.gradient_colors.push_back(rgba_of(s.colors[i], s.alphas[i]));
            f.gradient_ratios.push_back(s.ratios[i]);
        }
        break;
    case Kind::ColorMatrix:
        f.type = FilterType::ColorMatrix;
        for (int i = 0; i < 20; ++i) f.cm[i] = float(s.matrix[i]);
        break;
    case Kind::Convolution:
        f.type = FilterType::Convolution;
        f.matrix_x = s.matrix_x, f.matrix_y = s.matrix_y;
        f.divisor = float(s.divisor), f.bias = float(s.bias);
        for (size_t i = 0; i < size_t(s.matrix_x) * s.matrix_y && i < s.matrix.size(); ++i)
            f.kernel.push_back(float(s.matrix[i]));
        f.preserve_alpha = s.preserve_alpha;
        f.clamp = s.clamp;
        break;
    default: return false;
    }
    return true;
}

FilterState* from_display(Vm& vm, const Filter& f) {
    Kind k = Kind::Blur;
    switch (f.type) {
    case FilterType::DropShadow: k = Kind::DropShadow; break;
    case FilterType::Blur: k = Kind::Blur; break;
    case FilterType::Glow: k = Kind::Glow; break;
    case FilterType::Bevel: k = Kind::Bevel; break;
    case FilterType::GradientGlow: k = Kind::GradientGlow; break;
    case FilterType::Convolution: k = Kind::Convolution; break;
    case FilterType::ColorMatrix: k = Kind::ColorMatrix; break;
    case FilterType::GradientBevel: k = Kind::GradientBevel; break;
    }
    FilterState* state = make_state(vm, k);
    Settings* s = &state->v;
    s->blur_x = f.blur_x, s->blur_y = f.blur_y;
    s->quality = std::clamp(f.passes, 0, 15);
    s->strength = f.strength;
    s->distance = f.distance;
    s->angle = std::fmod(f.angle * 180 / kPi, 360.0);
    s->knockout = f.knockout;
    s->color = rgb_of(f.color);
    s->alpha = f.color.a;
    s->inner = f.inner;
    s->hide_object = !f.composite_source;
    s->type = f.on_top ? TypeFull : f.inner ? TypeInner : TypeOuter;
    switch (k) {
    case Kind::Bevel:
        s->highlight = rgb_of(f.highlight);
        s->highlight_alpha = f.highlight.a;
        break;
    case Kind::GradientBevel:
    case Kind::GradientGlow:
        s->count = int(std::min({f.gradient_colors.size(), f.gradient_ratios.size(), size_t(kGradientSlots)}));
        for (int i = 0; i < s->count; ++i) {
            s->colors[i] = rgb_of(f.gradient_colors[i]);
            s->alphas[i] = f.gradient_colors[i].a;
            s->ratios[i] = f.gradient_ratios[i];
        }
        break;
    case Kind::ColorMatrix:
        for (int i = 0; i < 20; ++i) s->matrix[i] = f.cm[i];
        break;
    case Kind::Convolution:
        s->matrix_x = f.matrix_x, s->matrix_y = f.matrix_y;
        s->matrix.assign(f.kernel.begin(), f.kernel.end());
        s->divisor = f.divisor, s->bias = f.bias;
        s->preserve_alpha = f.preserve_alpha;
        s->clamp = f.clamp;
        s->alpha = f.color.a;
        break;
    default: break;
    }
    return state;
}

Instance* placed_instance(const Value& self) {
    Object* o = self.object();
    if (!o || !is_display_object(o)) return nullptr;
    auto* c = static_cast<ClipObject*>(o);
    return c->alive() ? c->inst : nullptr;
}

Value clip_get_filters(Vm& vm, Value self, const Args&) {
    Object* o = self.object();
    if (!o || !is_display_object(o) || !static_cast<ClipObject*>(o)->alive()) return Value();
    ArrayObject* out = vm.new_array();
    if (Instance* inst = placed_instance(self); inst && inst->filters)
        for (const Filter& f : *inst->filters) out->items.push_back(wrap_state(vm, from_display(vm, f)));
    return out;
}

Value clip_set_filters(Vm& vm, Value self, const Args& args) {
    Instance* inst = placed_instance(self);
    if (!inst) return Value();
    auto list = std::make_shared<FilterList>();
    const int n = length_of(vm, args[0]);
    for (int i = 0; i < n && list->size() < kMaxFilters; ++i) {
        Value e = entry(vm, args[0], i);
        if (vm.throwing) return Value();
        Filter f;
        if (FilterState* s = state_of(e); s && to_display(s->v, f)) list->push_back(std::move(f));
    }
    if ((inst = placed_instance(self))) inst->filters = list->empty() ? nullptr : FilterListPtr(std::move(list));
    return Value();
}

}  // namespace

bool script_filter(const Value& v, Filter& out) {
    FilterState* s = state_of(v);
    return s && to_display(s->v, out);
}

void install_filters(Vm& vm) {
    auto* classes = vm.heap.make<FilterClasses>();
    vm.roots.push_back(Value(static_cast<Object*>(classes)));
    Object* package = flash_package(vm, "filters");

    Object* base_proto = vm.new_object();
    FunctionObject* base = vm.make_class("", bitmap_filter_ctor, base_proto);
    vm.define(package, "BitmapFilter", base, 0);
    vm.define_method(base_proto, "clone", [](Vm&, Value, const Args&) { return Value(); });

    for (int k = 0; k < int(Kind::Count); ++k) {
        const ClassDef& def = class_def(Kind(k));
        Object* proto = vm.new_object(base_proto);
        classes->protos[k] = proto;
        FunctionObject* ctor = vm.make_class("", filter_ctor, proto);
        ctor->native_data = Value(double(k << 8));
        vm.define(package, def.name, ctor, 0);
        std::vector<std::pair<std::string, AccessorPair*>> pairs;
        for (size_t i = 0; i < def.props.size(); ++i) {
            const PropDef& p = def.props[i];
            AccessorPair* pair = vm.heap.make<AccessorPair>();
            FunctionObject* get = vm.new_native(prop_get);
            FunctionObject* set = vm.new_native(prop_set);
            get->native_data = set->native_data = Value(double(k << 8 | int(p.id)));
            pair->getter = get;
            pair->setter = set;
            pairs.emplace_back(p.name, pair);
            // ConvolutionFilter's natives are family 1109, a getter and a setter per property.
            if (Kind(k) == Kind::Convolution) {
                register_native(vm, 1109, int32_t(2 * i + 1), get);
                register_native(vm, 1109, int32_t(2 * i + 2), set);
            }
        }
        // Enumerable, in the original's order, clone last.
        const std::string listed = def.listed;
        for (size_t start = 0; start < listed.size();) {
            size_t comma = std::min(listed.find(',', start), listed.size());
            const std::string name = listed.substr(start, comma - start);
            start = comma + 1;
            for (auto& [n, pair] : pairs) {
                if (n != name) continue;
                Value v;
                v.type = Type::Object;
                v.o = reinterpret_cast<Object*>(pair);
                proto->put(vm.intern(name), v, Accessor, true);
            }
        }
        vm.define_method(proto, "clone", filter_clone, 0);
    }

    define_accessor(vm, vm.movieclip_proto, "filters", clip_get_filters, clip_set_filters, DontEnum | HideBelow8);
}

}  // namespace swf::avm1
