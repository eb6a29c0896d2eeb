// flash.display.BitmapData (SWF8+), and the MovieClip methods that show one: attachBitmap and
// beginBitmapFill.
//
// Pixels are kept as the renderer wants them, premultiplied 0xAARRGGBB words in a BitmapDef that
// shapes on the display list share, so what scripts change shows on the next frame. Scripts see
// unmultiplied colours: a colour with partial alpha loses precision on the way in (rounded) and
// on the way out (truncated), just as in the original player, and every pixel operation below
// works on the unmultiplied values and stores the result premultiplied again.
//
// The methods report bad calls with negative numbers instead of undefined: -1 for a disposed
// bitmap or too few arguments, -2, -3… for the first, second… argument that is not usable.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "swf/avm1/bitmap_effects.h"
#include "swf/avm1/builtins.h"
#include "swf/avm1/clip.h"
#include "swf/avm1/convert.h"
#include "swf/avm1/native_data.h"
#include "swf/avm1/runtime.h"
#include "swf/avm1/script_filter.h"
#include "swf/filter.h"

namespace swf::avm1 {

namespace {

// ---------------------------------------------------------------------------------------------
// Pixels
// ---------------------------------------------------------------------------------------------
uint32_t premultiply_argb(uint32_t c) {
    const uint32_t a = c >> 24;
    if (a == 255) return c;
    if (a == 0) return 0;
    const uint32_t r = (((c >> 16) & 255) * a + 127) / 255, g = (((c >> 8) & 255) * a + 127) / 255,
                   b = ((c & 255) * a + 127) / 255;
    return a << 24 | r << 16 | g << 8 | b;
}

uint32_t unmultiply_argb(uint32_t c) {
    const uint32_t a = c >> 24;
    if (a == 255 || a == 0) return c;
    // Nearest, halves going down (a stored 147 at alpha 170 reads 220, not 221).
    auto un = [a](uint32_t v) { return std::min<uint32_t>(255, (v * 255 + (a - 1) / 2) / a); };
    return a << 24 | un((c >> 16) & 255) << 16 | un((c >> 8) & 255) << 8 | un(c & 255);
}

class BitmapState final : public NativeData {
public:
    std::shared_ptr<BitmapDef> bits;  // null once disposed
    bool transparent = true;

    int width() const { return bits ? bits->width : 0; }
    int height() const { return bits ? bits->height : 0; }
    bool inside(int x, int y) const { return bits && x >= 0 && y >= 0 && x < bits->width && y < bits->height; }
    // Unmultiplied colour of a pixel known to be inside.
    uint32_t get(int x, int y) const {
        const uint32_t p = bits->pixels[size_t(y) * bits->width + x];
        return transparent ? unmultiply_argb(p) : p;
    }
    void set(int x, int y, uint32_t argb) {
        if (!transparent) argb |= 0xFF000000u;
        bits->pixels[size_t(y) * bits->width + x] = premultiply_argb(argb);
    }
    void fill(uint32_t argb) {
        if (!transparent) argb |= 0xFF000000u;
        std::fill(bits->pixels.begin(), bits->pixels.end(), premultiply_argb(argb));
    }
};

BitmapState* state_of(const Value& v) { return native_of<BitmapState>(v); }

// The bitmap behind `self`, or null when it is not one or was disposed.
BitmapState* live(const Value& self) {
    BitmapState* s = state_of(self);
    return s && s->bits ? s : nullptr;
}

Value bitmap_class(Vm& vm) {
    Object* display = flash_package(vm, "display");
    Property* p = display->find_own(vm.intern("BitmapData"), true);
    return p && !(p->flags & Accessor) ? p->value : Value();
}

Value geom_class(Vm& vm, const char* name) {
    Object* geom = flash_package(vm, "geom");
    Property* p = geom->find_own(vm.intern(name), true);
    return p && !(p->flags & Accessor) ? p->value : Value();
}

int max_side(Vm& vm) { return vm.version >= 10 ? 8191 : 2880; }

bool size_allowed(Vm& vm, int w, int h) {
    if (w <= 0 || h <= 0) return false;
    const int limit = max_side(vm);
    if (w > limit || h > limit) return false;
    return vm.version < 10 || int64_t(w) * h < (int64_t(1) << 24);
}

// A new BitmapData object made through the class (so scripts' prototype changes apply).
BitmapState* make_bitmap(Vm& vm, int w, int h, bool transparent, Value& out) {
    Value args[4] = {double(w), double(h), transparent, 0.0};
    out = vm.construct(bitmap_class(vm), args, 4);
    BitmapState* s = live(out);
    return s;
}

// ---------------------------------------------------------------------------------------------
// Argument readers
// ---------------------------------------------------------------------------------------------
int32_t int_arg(Vm& vm, const Value& v) { return vm.to_int32(v); }

struct IRect {
    int x = 0, y = 0, w = 0, h = 0;
};

// A rectangle given as any object with x, y, width and height.
bool rect_arg(Vm& vm, const Value& v, IRect& out) {
    Object* o = v.object();
    if (!o) return false;
    const char* names[] = {"x", "y", "width", "height"};
    int r[4];
    for (int i = 0; i < 4; ++i) {
        Value f = vm.get(o, vm.intern(names[i]));
        if (f.is_undefined()) return false;
        r[i] = vm.to_int32(f);
    }
    out = {r[0], r[1], r[2], r[3]};
    return true;
}

bool point_arg(Vm& vm, const Value& v, int& x, int& y) {
    Object* o = v.object();
    if (!o) return false;
    Value px = vm.get(o, vm.names.x), py = vm.get(o, vm.names.y);
    if (px.is_undefined() || py.is_undefined()) return false;
    x = vm.to_int32(px);
    y = vm.to_int32(py);
    return true;
}

// A point read leniently: missing coordinates count as 0.
void loose_point(Vm& vm, const Value& v, int& x, int& y) {
    x = y = 0;
    if (Object* o = v.object()) {
        x = vm.to_int32(vm.get(o, vm.names.x));
        y = vm.to_int32(vm.get(o, vm.names.y));
    }
}

// Clips a copy of `r` from a source of size sw x sh to (dx, dy) in a destination dw x dh. Leaves
// the source origin in r.x/r.y and the destination origin in dx/dy.
bool clip_copy(IRect& r, int& dx, int& dy, int sw, int sh, int dw, int dh) {
    if (r.x < 0) r.w += r.x, dx -= r.x, r.x = 0;
    if (r.y < 0) r.h += r.y, dy -= r.y, r.y = 0;
    if (dx < 0) r.w += dx, r.x -= dx, dx = 0;
    if (dy < 0) r.h += dy, r.y -= dy, dy = 0;
    r.w = std::min({r.w, sw - r.x, dw - dx});
    r.h = std::min({r.h, sh - r.y, dh - dy});
    return r.w > 0 && r.h > 0;
}

Value make_rect(Vm& vm, double x, double y, double w, double h) {
    Value args[4] = {x, y, w, h};
    return vm.construct(geom_class(vm, "Rectangle"), args, 4);
}

// ---------------------------------------------------------------------------------------------
// Constructor and properties
// ---------------------------------------------------------------------------------------------
Value bd_ctor(Vm& vm, Value self, const Args& args) {
    auto reject = [&]() {
        if (args.constructing) vm.reject_construction = true;
        return Value();
    };
    if (args.size() < 2) return reject();
    const int w = int_arg(vm, args[0]), h = int_arg(vm, args[1]);
    if (!size_allowed(vm, w, h)) return reject();
    BitmapState* s = native_attach<BitmapState>(vm, self);
    if (!s) return reject();
    s->transparent = args.size() > 2 ? vm.to_boolean(args[2]) : true;
    const uint32_t fill = args.size() > 3 ? uint32_t(int_arg(vm, args[3])) : 0xFFFFFFFFu;
    s->bits = std::make_shared<BitmapDef>();
    s->bits->width = w;
    s->bits->height = h;
    s->bits->pixels.assign(size_t(w) * h, 0);
    s->fill(fill);
    vm.heap.note_external(size_t(w) * h * 4);
    return Value();
}

Value bd_width(Vm&, Value self, const Args&) {
    BitmapState* s = live(self);
    return s ? s->width() : -1;
}
Value bd_height(Vm&, Value self, const Args&) {
    BitmapState* s = live(self);
    return s ? s->height() : -1;
}
Value bd_transparent(Vm&, Value self, const Args&) {
    BitmapState* s = live(self);
    return s ? Value(s->transparent) : Value(-1);
}
Value bd_rectangle(Vm& vm, Value self, const Args&) {
    BitmapState* s = live(self);
    if (!s) return -1;
    return make_rect(vm, 0, 0, s->width(), s->height());
}

// ---------------------------------------------------------------------------------------------
// Single pixels
// ---------------------------------------------------------------------------------------------
Value bd_get_pixel(Vm& vm, Value self, const Args& args) {
    BitmapState* s = live(self);
    if (!s || args.size() < 2) return -1;
    const int x = int_arg(vm, args[0]), y = int_arg(vm, args[1]);
    if (!s->inside(x, y)) return 0;
    return double(s->get(x, y) & 0xFFFFFF);
}

Value bd_get_pixel32(Vm& vm, Value self, const Args& args) {
    BitmapState* s = live(self);
    if (!s || args.size() < 2) return -1;
    const int x = int_arg(vm, args[0]), y = int_arg(vm, args[1]);
    if (!s->inside(x, y)) return 0;
    return double(int32_t(s->get(x, y)));
}

Value bd_set_pixel(Vm& vm, Value self, const Args& args) {
    BitmapState* s = live(self);
    if (!s || args.size() < 3) return -1;
    const int x = int_arg(vm, args[0]), y = int_arg(vm, args[1]);
    const uint32_t c = uint32_t(int_arg(vm, args[2]));
    if (s->inside(x, y)) s->set(x, y, (s->get(x, y) & 0xFF000000u) | (c & 0xFFFFFF));
    return 0;
}

Value bd_set_pixel32(Vm& vm, Value self, const Args& args) {
    BitmapState* s = live(self);
    if (!s || args.size() < 3) return -1;
    const int x = int_arg(vm, args[0]), y = int_arg(vm, args[1]);
    const uint32_t c = uint32_t(int_arg(vm, args[2]));
    if (s->inside(x, y)) s->set(x, y, c);
    return 0;
}

// ---------------------------------------------------------------------------------------------
// Whole-bitmap operations
// ---------------------------------------------------------------------------------------------
Value bd_dispose(Vm&, Value self, const Args&) {
    BitmapState* s = live(self);
    if (!s) return -1;
    // Shapes that show it keep their own reference; emptied, they draw nothing.
    s->bits->width = s->bits->height = 0;
    s->bits->pixels.clear();
    s->bits->pixels.shrink_to_fit();
    s->bits.reset();
    return Value();
}

Value bd_clone(Vm& vm, Value self, const Args&) {
    BitmapState* s = live(self);
    if (!s) return -1;
    Value out;
    BitmapState* c = make_bitmap(vm, s->width(), s->height(), s->transparent, out);
    if (!c) return Value();
    c->bits->pixels = s->bits->pixels;
    return out;
}

Value bd_fill_rect(Vm& vm, Value self, const Args& args) {
    BitmapState* s = live(self);
    if (!s || args.size() < 2) return -1;
    IRect r;
    if (!rect_arg(vm, args[0], r)) return -2;
    const uint32_t c = uint32_t(int_arg(vm, args[1]));
    const int x0 = std::max(r.x, 0), y0 = std::max(r.y, 0);
    const int x1 = std::min(r.x + r.w, s->width()), y1 = std::min(r.y + r.h, s->height());
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x) s->set(x, y, c);
    return Value();
}

// The leading (source, sourceRect, destPoint) of the copying methods: 0, or the error code of
// the first argument that is no use.
struct CopySource {
    BitmapState* dest = nullptr;
    BitmapState* src = nullptr;
    IRect rect;
    int dx = 0, dy = 0;
};

// The methods that read from a source bitmap: this one, live, with at least `needed` arguments
// (-1 otherwise), then the source, its rectangle and the destination point.
int copy_source(Vm& vm, const Value& self, const Args& args, int needed, CopySource& out) {
    out.dest = live(self);
    if (!out.dest || args.size() < needed) return -1;
    out.src = state_of(args[0]);
    if (!out.src) return -2;
    if (!out.src->bits) return -3;
    if (!rect_arg(vm, args[1], out.rect)) return -4;
    loose_point(vm, args[2], out.dx, out.dy);
    return 0;
}

// copyPixels(source, sourceRect, destPoint [, alphaBitmap, alphaPoint, mergeAlpha])
Value bd_copy_pixels(Vm& vm, Value self, const Args& args) {
    CopySource source;
    if (const int error = copy_source(vm, self, args, 3, source)) return error;
    BitmapState *d = source.dest, *src = source.src;
    IRect r = source.rect;
    int dx = source.dx, dy = source.dy;
    BitmapState* alpha = args.size() > 3 ? live(args[3]) : nullptr;
    int ax = 0, ay = 0;
    if (alpha) loose_point(vm, args[4], ax, ay);
    const bool merge = args.size() > 5 && vm.to_boolean(args[5]);
    const int ox = r.x, oy = r.y;
    if (!clip_copy(r, dx, dy, src->width(), src->height(), d->width(), d->height())) return Value();
    // Read everything first: source and destination may be the same bitmap.
    std::vector<uint32_t> block(size_t(r.w) * r.h);
    for (int y = 0; y < r.h; ++y)
        for (int x = 0; x < r.w; ++x) {
            uint32_t c = src->get(r.x + x, r.y + y);
            if (!src->transparent) c |= 0xFF000000u;
            if (alpha) {
                const int px = ax + r.x + x - ox, py = ay + r.y + y - oy;
                const uint32_t m = alpha->inside(px, py) ? alpha->get(px, py) >> 24 : 0;
                c = (c & 0xFFFFFF) | (((c >> 24) * m / 255) << 24);
            }
            block[size_t(y) * r.w + x] = c;
        }
    for (int y = 0; y < r.h; ++y)
        for (int x = 0; x < r.w; ++x) {
            uint32_t c = block[size_t(y) * r.w + x];
            if (merge || (alpha && !d->transparent)) {
                // Source over destination, in unmultiplied terms.
                const uint32_t under = d->get(dx + x, dy + y);
                const double sa = (c >> 24) / 255.0, da = (under >> 24) / 255.0;
                const double oa = sa + da * (1 - sa);
                uint32_t out = 0;
                if (oa > 0) {
                    for (int shift = 0; shift <= 16; shift += 8) {
                        const double sc = (c >> shift) & 255, dc = (under >> shift) & 255;
                        const double v = (sc * sa + dc * da * (1 - sa)) / oa;
                        out |= uint32_t(std::clamp(std::lround(v), 0L, 255L)) << shift;
                    }
                    out |= uint32_t(std::lround(oa * 255)) << 24;
                }
                c = out;
            }
            d->set(dx + x, dy + y, c);
        }
    return Value();
}

// Channel bits as scripts give them: 1 red, 2 green, 4 blue, 8 alpha.
int channel_shift(int channel) {
    switch (channel) {
    case 1: return 16;
    case 2: return 8;
    case 4: return 0;
    case 8: return 24;
    }
    return -1;
}

Value bd_copy_channel(Vm& vm, Value self, const Args& args) {
    CopySource source;
    if (const int error = copy_source(vm, self, args, 5, source)) return error;
    BitmapState *d = source.dest, *src = source.src;
    IRect r = source.rect;
    int dx = source.dx, dy = source.dy;
    const int from = channel_shift(int_arg(vm, args[3])), to = channel_shift(int_arg(vm, args[4]));
    // An unknown destination changes nothing; an unknown source copies zeros.
    if (to < 0) return -1;
    if (!clip_copy(r, dx, dy, src->width(), src->height(), d->width(), d->height())) return -1;
    std::vector<uint32_t> block(size_t(r.w) * r.h);
    for (int y = 0; y < r.h; ++y)
        for (int x = 0; x < r.w; ++x) block[size_t(y) * r.w + x] = src->get(r.x + x, r.y + y);
    for (int y = 0; y < r.h; ++y)
        for (int x = 0; x < r.w; ++x) {
            const uint32_t v = from < 0 ? 0 : (block[size_t(y) * r.w + x] >> from) & 255;
            const uint32_t c = d->get(dx + x, dy + y);
            d->set(dx + x, dy + y, (c & ~(0xFFu << to)) | v << to);
        }
    return -1;
}

Value bd_color_transform(Vm& vm, Value self, const Args& args) {
    BitmapState* s = live(self);
    if (!s || args.size() < 2) return -1;
    IRect r;
    if (!rect_arg(vm, args[0], r)) return -2;
    Object* ct = args[1].object();
    if (!ct || !vm.instance_of(ct, geom_class(vm, "ColorTransform").object())) return -3;
    const char* names[] = {"redMultiplier", "greenMultiplier", "blueMultiplier", "alphaMultiplier",
                           "redOffset",     "greenOffset",     "blueOffset",     "alphaOffset"};
    double v[8];
    for (int i = 0; i < 8; ++i) v[i] = vm.to_number(vm.get(ct, vm.intern(names[i])));
    const int x0 = std::max(r.x, 0), y0 = std::max(r.y, 0);
    const int x1 = std::min(r.x + r.w, s->width()), y1 = std::min(r.y + r.h, s->height());
    const int shifts[4] = {16, 8, 0, 24};
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x) {
            const uint32_t c = s->get(x, y);
            uint32_t out = 0;
            for (int i = 0; i < 4; ++i) {
                const double ch = (c >> shifts[i]) & 255;
                double n = ch * v[i] + v[4 + i];
                if (!(n > 0)) n = 0;
                out |= uint32_t(std::min(255.0, std::floor(n))) << shifts[i];
            }
            s->set(x, y, out);
        }
    return -1;
}

// compare(other): 0 when equal, a bitmap of the differences otherwise, or a negative code.
Value bd_compare(Vm& vm, Value self, const Args& args) {
    BitmapState* a = live(self);
    if (!a || args.size() < 1) return -1;
    BitmapState* b = live(args[0]);
    if (!b) return -2;
    if (a->width() != b->width()) return -3;
    if (a->height() != b->height()) return -4;
    const int w = a->width(), h = a->height();
    std::vector<uint32_t> diff(size_t(w) * h);
    bool any = false;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const uint32_t p = a->get(x, y), q = b->get(x, y);
            uint32_t out = 0;
            if ((p & 0xFFFFFF) != (q & 0xFFFFFF)) {
                // Colour differences per channel, wrapped to a byte, fully opaque.
                out = 0xFF000000u;
                for (int shift = 0; shift <= 16; shift += 8)
                    out |= uint32_t(((p >> shift) & 255) - ((q >> shift) & 255)) % 256 << shift;
            } else if ((p >> 24) != (q >> 24)) {
                out = (uint32_t(((p >> 24) - (q >> 24)) % 256) << 24) | 0xFFFFFF;
            } else {
                continue;
            }
            diff[size_t(y) * w + x] = out;
            any = true;
        }
    if (!any) return 0;
    Value result;
    BitmapState* c = make_bitmap(vm, w, h, true, result);
    if (!c) return Value();
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) c->set(x, y, diff[size_t(y) * w + x]);
    return result;
}

Value bd_flood_fill(Vm& vm, Value self, const Args& args) {
    BitmapState* s = live(self);
    if (!s || args.size() < 3) return -1;
    const int x = int_arg(vm, args[0]), y = int_arg(vm, args[1]);
    uint32_t color = uint32_t(int_arg(vm, args[2]));
    if (!s->transparent) color |= 0xFF000000u;
    if (!s->inside(x, y)) return 0;
    const uint32_t* px = s->bits->pixels.data();
    const int w = s->width(), h = s->height();
    const uint32_t target = px[size_t(y) * w + x];
    const uint32_t stored = premultiply_argb(color);
    if (target == stored) return 0;
    std::vector<std::pair<int, int>> todo{{x, y}};
    std::vector<uint32_t>& p = s->bits->pixels;
    while (!todo.empty()) {
        auto [cx, cy] = todo.back();
        todo.pop_back();
        if (cx < 0 || cy < 0 || cx >= w || cy >= h || p[size_t(cy) * w + cx] != target) continue;
        p[size_t(cy) * w + cx] = stored;
        todo.push_back({cx + 1, cy});
        todo.push_back({cx - 1, cy});
        todo.push_back({cx, cy + 1});
        todo.push_back({cx, cy - 1});
    }
    return 1;
}

// getColorBoundsRect(mask, color [, findColor]): the box of pixels whose masked colour equals
// (or, with findColor false, differs from) the colour.
Value bd_get_color_bounds_rect(Vm& vm, Value self, const Args& args) {
    BitmapState* s = live(self);
    if (!s || args.size() < 2) return -1;
    const uint32_t mask = uint32_t(int_arg(vm, args[0])), color = uint32_t(int_arg(vm, args[1]));
    const bool find = args.size() > 2 ? vm.to_boolean(args[2]) : true;
    int x0 = s->width(), y0 = s->height(), x1 = -1, y1 = -1;
    for (int y = 0; y < s->height(); ++y)
        for (int x = 0; x < s->width(); ++x) {
            // The stored (premultiplied) colour is what is compared. Opaque bitmaps leave alpha
            // out, and compare against the colour as given rather than masked.
            const uint32_t p = s->bits->pixels[size_t(y) * s->width() + x];
            const bool match = s->transparent ? (p & mask) == (color & mask)
                                              : (p & mask & 0xFFFFFF) == (color & 0xFFFFFF);
            if (match != find) continue;
            x0 = std::min(x0, x), y0 = std::min(y0, y);
            x1 = std::max(x1, x), y1 = std::max(y1, y);
        }
    if (x1 < 0) return make_rect(vm, 0, 0, 0, 0);
    return make_rect(vm, x0, y0, x1 - x0 + 1, y1 - y0 + 1);
}

// The generator the player's noise uses: Park and Miller's minimal standard.
struct ParkMiller {
    int64_t seed;
    explicit ParkMiller(int32_t s) {
        // Seeds below 1 are moved up past 0 (0 acts as 1, -1 as 2).
        seed = s > 0 ? int64_t(s) : 1 - int64_t(s);
        seed %= 2147483647;
        if (seed == 0) seed = 1;
    }
    int32_t next() {
        seed = seed * 16807 % 2147483647;
        return int32_t(seed);
    }
};

// noise(seed [, low, high, channels, grayScale])
Value bd_noise(Vm& vm, Value self, const Args& args) {
    BitmapState* s = live(self);
    if (!s || args.size() < 1) return -1;
    ParkMiller rng(int_arg(vm, args[0]));
    const int low = args.size() > 1 ? std::clamp(int_arg(vm, args[1]), 0, 255) : 0;
    const int high = args.size() > 2 ? std::clamp(int_arg(vm, args[2]), 0, 255) : 255;
    const int channels = args.size() > 3 ? int_arg(vm, args[3]) : 7;
    const bool gray = args.size() > 4 && vm.to_boolean(args[4]);
    const int range = high - low + 1;
    auto draw = [&]() -> uint32_t { return range > 0 ? uint32_t(low + rng.next() % range) : uint32_t(low); };
    for (int y = 0; y < s->height(); ++y)
        for (int x = 0; x < s->width(); ++x) {
            uint32_t c = 0;
            if (gray) {
                const uint32_t v = draw();
                c = v << 16 | v << 8 | v;
            } else {
                if (channels & 1) c |= draw() << 16;
                if (channels & 2) c |= draw() << 8;
                if (channels & 4) c |= draw();
            }
            if ((channels & 8) && s->transparent) {
                // Stored straight away with a truncating multiply, not the rounding one of setPixel32.
                const uint32_t a = draw();
                auto mul = [a](uint32_t v) { return (v * a + 128) >> 8; };
                s->bits->pixels[size_t(y) * s->width() + x] =
                    a << 24 | mul((c >> 16) & 255) << 16 | mul((c >> 8) & 255) << 8 | mul(c & 255);
            } else {
                s->set(x, y, c | 0xFF000000u);
            }
        }
    return 0;
}

// perlinNoise(baseX, baseY, numOctaves, randomSeed, stitch, fractalNoise [, channelOptions,
// grayScale, offsets])
Value bd_perlin_noise(Vm& vm, Value self, const Args& args) {
    BitmapState* s = live(self);
    if (!s || args.size() < 6) return -1;
    PerlinOptions o;
    o.base_x = vm.to_number(args[0]);
    o.base_y = vm.to_number(args[1]);
    o.octaves = int_arg(vm, args[2]);
    o.seed = int_arg(vm, args[3]);
    o.stitch = vm.to_boolean(args[4]);
    o.fractal = vm.to_boolean(args[5]);
    o.channels = args.size() > 6 && !args[6].is_undefined() ? int_arg(vm, args[6]) : 7;
    o.gray = args.size() > 7 && vm.to_boolean(args[7]);
    if (args.size() > 8 && args[8].is_object()) {
        // One point per octave; the rest have none.
        const double n = vm.to_number(vm.get(args[8], vm.names.length));
        const int count = std::isfinite(n) && n > 0 ? int(std::min(n, 64.0)) : 0;
        for (int i = 0; i < count && i < o.octaves; ++i) {
            Value p = vm.get(args[8], vm.key(Value(double(i))));
            double x = 0, y = 0;
            if (p.is_object()) {
                x = vm.to_number(vm.get(p, vm.names.x));
                y = vm.to_number(vm.get(p, vm.names.y));
            }
            o.offsets.emplace_back(x, y);
        }
    }
    if (!live(self)) return -1;  // a getter above may have disposed it
    perlin_noise(s->bits->pixels.data(), s->width(), s->height(), s->transparent, o);
    return Value();
}

// pixelDissolve(source, sourceRect, destPoint [, randomSeed, numPixels, fillColor]): the seed
// that carries the dissolve on. From another bitmap, pixels are copied as they are; a bitmap
// dissolving itself has its pixels in sourceRect painted fillColor instead, and destPoint is not
// used.
Value bd_pixel_dissolve(Vm& vm, Value self, const Args& args) {
    CopySource source;
    if (const int error = copy_source(vm, self, args, 3, source)) return error;
    BitmapState *d = source.dest, *src = source.src;
    IRect r = source.rect;
    int dx = source.dx, dy = source.dy;
    const int32_t seed = args.size() > 3 ? int_arg(vm, args[3]) : 0;
    const bool in_place = src == d;
    if (in_place) dx = r.x, dy = r.y;
    if (!clip_copy(r, dx, dy, src->width(), src->height(), d->width(), d->height())) return seed;
    // By default a thirtieth of the area.
    int64_t count = int64_t(r.w) * r.h / 30;
    if (args.size() > 4 && !args[4].is_undefined()) count = std::max(0, int_arg(vm, args[4]));
    const uint32_t fill = args.size() > 5 ? uint32_t(int_arg(vm, args[5])) : 0;
    std::vector<uint32_t>& to = d->bits->pixels;
    const int dw = d->width();
    return dissolve_pixels(r.w, r.h, seed, count, [&](int x, int y) {
        if (in_place) {
            d->set(r.x + x, r.y + y, fill);
        } else if (d->transparent) {
            to[size_t(dy + y) * dw + dx + x] = src->bits->pixels[size_t(r.y + y) * src->width() + r.x + x];
        } else {
            d->set(dx + x, dy + y, src->get(r.x + x, r.y + y));
        }
    });
}

// How far a filter spreads a rectangle: what applyFilter changes around its destination point.
IRect filter_rect(const IRect& r, const Filter& f) {
    const FilterMargin m = filter_margin(FilterList{f});
    return {r.x - m.left, r.y - m.top, r.w + m.left + m.right, r.h + m.top + m.bottom};
}

// generateFilterRect(sourceRect, filter)
Value bd_generate_filter_rect(Vm& vm, Value self, const Args& args) {
    BitmapState* s = live(self);
    if (!s || args.size() < 2) return -1;
    IRect r;
    if (!rect_arg(vm, args[0], r)) return -2;
    Filter f;
    if (!script_filter(args[1], f)) return -3;
    const IRect out = filter_rect(r, f);
    return make_rect(vm, out.x, out.y, out.w, out.h);
}

// applyFilter(source, sourceRect, destPoint, filter): 0, or a negative code. The filter sees only
// the source rectangle, clear around it; its result, spread as generateFilterRect says, replaces
// the destination's pixels.
Value bd_apply_filter(Vm& vm, Value self, const Args& args) {
    CopySource source;
    if (const int error = copy_source(vm, self, args, 4, source)) return error;
    BitmapState* d = source.dest;
    Filter f;
    if (!script_filter(args[3], f)) return -5;
    BitmapState* src = source.src;
    IRect r = source.rect;
    // The part of the rectangle inside the source, moving the destination with it.
    const int x0 = std::max(r.x, 0), y0 = std::max(r.y, 0);
    const int x1 = int(std::min<int64_t>(int64_t(r.x) + r.w, src->width()));
    const int y1 = int(std::min<int64_t>(int64_t(r.y) + r.h, src->height()));
    if (x1 <= x0 || y1 <= y0) return 0;
    const int dx = source.dx + (x0 - r.x), dy = source.dy + (y0 - r.y);
    r = {x0, y0, x1 - x0, y1 - y0};
    const IRect spread = filter_rect(r, f);
    FilterImage img;
    img.width = spread.w;
    img.height = spread.h;
    img.pixels.assign(size_t(img.width) * img.height, 0);
    const int ix = r.x - spread.x, iy = r.y - spread.y;
    for (int y = 0; y < r.h; ++y)
        std::copy_n(src->bits->pixels.data() + size_t(r.y + y) * src->width() + r.x, r.w, img.row(iy + y) + ix);
    apply_filter(f, img);
    const int ox = dx - ix, oy = dy - iy;  // where the image's corner lands
    for (int y = std::max(0, -oy); y < img.height && oy + y < d->height(); ++y)
        for (int x = std::max(0, -ox); x < img.width && ox + x < d->width(); ++x) {
            const uint32_t p = img.row(y)[x];
            if (d->transparent)
                d->bits->pixels[size_t(oy + y) * d->width() + ox + x] = p;
            else
                d->set(ox + x, oy + y, unmultiply_argb(p));
        }
    return 0;
}

Value bd_scroll(Vm& vm, Value self, const Args& args) {
    BitmapState* s = live(self);
    if (!s || args.size() < 2) return -1;
    const int dx = int_arg(vm, args[0]), dy = int_arg(vm, args[1]);
    const int w = s->width(), h = s->height();
    std::vector<uint32_t> old = s->bits->pixels;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const int sx = x - dx, sy = y - dy;
            if (sx >= 0 && sy >= 0 && sx < w && sy < h) s->bits->pixels[size_t(y) * w + x] = old[size_t(sy) * w + sx];
        }
    return 0;
}

// A threshold operation; anything unknown acts as "<".
bool compare_op(const std::string& op, uint32_t a, uint32_t b) {
    if (op == "<=") return a <= b;
    if (op == ">") return a > b;
    if (op == ">=") return a >= b;
    if (op == "==") return a == b;
    if (op == "!=") return a != b;
    return a < b;
}

// threshold(source, rect, point, operation, threshold [, color, mask, copySource]): the number
// of pixels that passed.
Value bd_threshold(Vm& vm, Value self, const Args& args) {
    CopySource source;
    if (const int error = copy_source(vm, self, args, 5, source)) return error;
    BitmapState *d = source.dest, *src = source.src;
    IRect r = source.rect;
    int dx = source.dx, dy = source.dy;
    const std::string op = vm.to_std_string(args[3]);
    const uint32_t threshold = uint32_t(int_arg(vm, args[4]));
    const uint32_t color = args.size() > 5 ? uint32_t(int_arg(vm, args[5])) : 0;
    const uint32_t mask = args.size() > 6 ? uint32_t(int_arg(vm, args[6])) : 0xFFFFFFFFu;
    const bool copy_source = args.size() > 7 && vm.to_boolean(args[7]);
    if (!clip_copy(r, dx, dy, src->width(), src->height(), d->width(), d->height())) return 0;
    // The test reads the source as stored, premultiplied.
    std::vector<uint32_t> block(size_t(r.w) * r.h);
    for (int y = 0; y < r.h; ++y)
        for (int x = 0; x < r.w; ++x) block[size_t(y) * r.w + x] = src->bits->pixels[size_t(r.y + y) * src->width() + r.x + x];
    const uint32_t painted = premultiply_argb(color);  // alpha kept, even in an opaque bitmap
    int count = 0;
    for (int y = 0; y < r.h; ++y)
        for (int x = 0; x < r.w; ++x) {
            const uint32_t c = block[size_t(y) * r.w + x];
            if (compare_op(op, c & mask, threshold & mask)) {
                d->bits->pixels[size_t(dy + y) * d->width() + dx + x] = painted;
                ++count;
            } else if (copy_source) {
                // Copied as stored, alpha and all, even into an opaque bitmap.
                d->bits->pixels[size_t(dy + y) * d->width() + dx + x] = c;
            }
        }
    return count;
}

// hitTest(firstPoint, firstAlphaThreshold, secondObject [, secondBitmapPoint, secondAlphaThreshold])
Value bd_hit_test(Vm& vm, Value self, const Args& args) {
    BitmapState* s = live(self);
    if (!s || args.size() < 3) return -1;
    int fx, fy;
    if (!point_arg(vm, args[0], fx, fy)) return -2;
    // Thresholds compare as signed numbers: a negative one lets even alpha 0 through.
    const int first_threshold = int_arg(vm, args[1]);
    auto opaque_at = [](BitmapState* b, int x, int y, int threshold) {
        return b->inside(x, y) && (b->transparent ? int(b->get(x, y) >> 24) > threshold : true);
    };
    Object* second = args[2].object();
    if (BitmapState* other = state_of(args[2])) {
        if (!other->bits) return -3;
        int sx = 0, sy = 0;
        if (args.size() > 3 && !point_arg(vm, args[3], sx, sy)) return -4;
        const int second_threshold = args.size() > 4 ? int_arg(vm, args[4]) : 1;
        // Where the two overlap, in this bitmap's coordinates.
        const int ox = sx - fx, oy = sy - fy;
        const int x0 = std::max(0, ox), y0 = std::max(0, oy);
        const int x1 = std::min(s->width(), ox + other->width()), y1 = std::min(s->height(), oy + other->height());
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x)
                if (opaque_at(s, x, y, first_threshold) && opaque_at(other, x - ox, y - oy, second_threshold))
                    return true;
        return false;
    }
    if (second && vm.instance_of(second, geom_class(vm, "Rectangle").object())) {
        IRect r;
        if (!rect_arg(vm, args[2], r)) return -3;
        const int x0 = std::max(0, r.x - fx), y0 = std::max(0, r.y - fy);
        const int x1 = std::min(s->width(), r.x - fx + r.w), y1 = std::min(s->height(), r.y - fy + r.h);
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x)
                if (opaque_at(s, x, y, first_threshold)) return true;
        return false;
    }
    int px, py;
    if (!point_arg(vm, args[2], px, py)) return -3;
    return opaque_at(s, px - fx, py - fy, first_threshold);
}

// loadBitmap(linkageName): a new bitmap holding an exported bitmap character of the movie.
Value bd_load_bitmap(Vm& vm, Value, const Args& args) {
    if (args.size() < 1) return Value();
    const std::string name = vm.to_std_string(args[0]);
    ClipObject* root = vm.host.level(0);
    if (!root || !root->clip) return Value();
    const Movie& movie = root->clip->movie();
    const BitmapDef* def = nullptr;
    for (auto& [export_name, id] : movie.exports) {
        if (export_name != name) continue;
        const Character* ch = movie.find(id);
        if (ch && ch->kind == CharKind::Bitmap) def = static_cast<const BitmapDef*>(ch);
    }
    if (!def || def->width <= 0 || def->height <= 0) return Value();
    Value out;
    BitmapState* s = make_bitmap(vm, def->width, def->height, true, out);
    if (!s) return Value();
    s->bits->pixels = def->pixels;
    return out;
}

// ---------------------------------------------------------------------------------------------
// MovieClip
// ---------------------------------------------------------------------------------------------
ClipObject* live_clip(const Value& self) {
    if (!self.is_object() || !is_display_object(self.o)) return nullptr;
    auto* c = static_cast<ClipObject*>(self.o);
    return c->clip && !c->clip->removed() ? c : nullptr;
}

FillStyle bitmap_fill(std::shared_ptr<const BitmapDef> bits, const Matrix& texels_to_twips, bool repeat, bool smooth) {
    FillStyle f;
    f.type = FillType::Bitmap;
    f.matrix = texels_to_twips;
    f.repeat = repeat;
    f.smooth = smooth;
    f.image = std::move(bits);
    return f;
}

// attachBitmap(bitmap, depth [, pixelSnapping, smoothing]): a shape the size of the bitmap at
// `depth`, filled with it.
Value mc_attach_bitmap(Vm& vm, Value self, const Args& args) {
    ClipObject* c = live_clip(self);
    BitmapState* s = live(args[0]);
    if (!c || !s || args.size() < 2) return Value();
    const double depth = vm.to_number(args[1]);
    if (!std::isfinite(depth)) return Value();
    const bool smooth = args.size() > 3 && vm.to_boolean(args[3]);
    auto shape = std::make_shared<ShapeDef>();
    const int32_t w = s->width() * 20, h = s->height() * 20;
    shape->shape.bounds = Rect{0, w, 0, h};
    StyleGroup g;
    g.fills.push_back(bitmap_fill(s->bits, Matrix{20, 0, 0, 20, 0, 0}, false, smooth));
    const int32_t xs[5] = {0, w, w, 0, 0}, ys[5] = {0, 0, h, h, 0};
    for (int i = 0; i < 4; ++i) {
        Segment seg;
        seg.x0 = xs[i], seg.y0 = ys[i], seg.x1 = xs[i + 1], seg.y1 = ys[i + 1];
        seg.cx = seg.x1, seg.cy = seg.y1;
        seg.fill1 = 1;
        seg.move = i == 0;
        g.segments.push_back(seg);
    }
    shape->shape.groups.push_back(std::move(g));
    c->clip->place_made(16384 + int(depth), std::move(shape));
    return Value();
}

// beginBitmapFill(bitmap [, matrix, repeat, smoothing])
Value mc_begin_bitmap_fill(Vm& vm, Value self, const Args& args) {
    ClipObject* c = live_clip(self);
    BitmapState* s = live(args[0]);
    if (!c || !s) return Value();
    Matrix m;
    if (Object* o = args[1].object()) {
        const char* names[] = {"a", "b", "c", "d", "tx", "ty"};
        double v[6];
        for (int i = 0; i < 6; ++i) v[i] = vm.to_number(vm.get(o, vm.intern(names[i])));
        m = Matrix{v[0], v[1], v[2], v[3], v[4] * 20, v[5] * 20};
    }
    // Texels to twips: the matrix is in pixels.
    m = m * Matrix{20, 0, 0, 20, 0, 0};
    const bool repeat = args.size() > 2 ? vm.to_boolean(args[2]) : true;
    const bool smooth = args.size() > 3 && vm.to_boolean(args[3]);
    clip_begin_fill(self, bitmap_fill(s->bits, m, repeat, smooth));
    return Value();
}

}  // namespace

void install_bitmapdata(Vm& vm) {
    Object* display = flash_package(vm, "display");
    Object* proto = vm.new_object();
    FunctionObject* ctor = vm.make_class("", bd_ctor, proto);
    vm.define(display, "BitmapData", ctor, 0);
    define_accessor(vm, proto, "width", bd_width, nullptr, 0);
    define_accessor(vm, proto, "height", bd_height, nullptr, 0);
    define_accessor(vm, proto, "transparent", bd_transparent, nullptr, 0);
    define_accessor(vm, proto, "rectangle", bd_rectangle, nullptr, 0);
    vm.define_method(proto, "getPixel", bd_get_pixel);
    vm.define_method(proto, "getPixel32", bd_get_pixel32);
    vm.define_method(proto, "setPixel", bd_set_pixel);
    vm.define_method(proto, "setPixel32", bd_set_pixel32);
    vm.define_method(proto, "fillRect", bd_fill_rect);
    vm.define_method(proto, "clone", bd_clone);
    vm.define_method(proto, "dispose", bd_dispose);
    vm.define_method(proto, "copyPixels", bd_copy_pixels);
    vm.define_method(proto, "copyChannel", bd_copy_channel);
    vm.define_method(proto, "colorTransform", bd_color_transform);
    vm.define_method(proto, "compare", bd_compare);
    vm.define_method(proto, "floodFill", bd_flood_fill);
    vm.define_method(proto, "getColorBoundsRect", bd_get_color_bounds_rect);
    vm.define_method(proto, "hitTest", bd_hit_test);
    vm.define_method(proto, "noise", bd_noise);
    vm.define_method(proto, "perlinNoise", bd_perlin_noise);
    vm.define_method(proto, "pixelDissolve", bd_pixel_dissolve);
    vm.define_method(proto, "applyFilter", bd_apply_filter);
    vm.define_method(proto, "generateFilterRect", bd_generate_filter_rect);
    vm.define_method(proto, "scroll", bd_scroll);
    vm.define_method(proto, "threshold", bd_threshold);
    vm.define_method(ctor, "loadBitmap", bd_load_bitmap);

    if (vm.movieclip_proto) {
        vm.define_method(vm.movieclip_proto, "attachBitmap", mc_attach_bitmap, DontEnum | HideBelow8);
        vm.define_method(vm.movieclip_proto, "beginBitmapFill", mc_begin_bitmap_fill, DontEnum | HideBelow8);
    }
}

}  // namespace swf::avm1
