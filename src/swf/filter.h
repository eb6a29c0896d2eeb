// Display-object filters: the list a placement carries, and the image operations that apply it to
// the object's rendered pixels (premultiplied BGRA, stage pixels, so sizes do not scale with the
// object). Platform-neutral; the render walk decides when an object needs them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "swf/types.h"

namespace swf {

enum class FilterType : uint8_t {
    DropShadow = 0,
    Blur = 1,
    Glow = 2,
    Bevel = 3,
    GradientGlow = 4,
    Convolution = 5,
    ColorMatrix = 6,
    GradientBevel = 7,
};

struct Filter {
    FilterType type = FilterType::Blur;
    RGBA color{0, 0, 0, 255};      // shadow, glow, or a bevel's shadow side
    RGBA highlight{255, 255, 255, 255};  // a bevel's lit side
    double blur_x = 0, blur_y = 0;  // box width in pixels
    double angle = 0, distance = 0;  // radians; pixels
    double strength = 1;
    int passes = 1;
    bool inner = false, knockout = false, composite_source = true, on_top = false;
    // Gradient glow and bevel: colours and their 0..255 positions.
    std::vector<RGBA> gradient_colors;
    std::vector<uint8_t> gradient_ratios;
    // Convolution.
    int matrix_x = 0, matrix_y = 0;
    float divisor = 1, bias = 0;
    std::vector<float> kernel;
    bool clamp = true, preserve_alpha = false;
    // Colour matrix: 4 rows of 5 (r, g, b, a, offset in 0..255 units).
    float cm[20] = {};
};

using FilterList = std::vector<Filter>;
// Shared between the placement record and every instance made from it.
using FilterListPtr = std::shared_ptr<const FilterList>;

// The filter limits the player honours: larger values in the file are clamped to these.
constexpr double kMaxBlur = 255;
constexpr int kMaxPasses = 15;
// How far (pixels) beyond the visible area content may still reach into it through a filter: at
// most half the larger side of the area, within these bounds. What lies further out reaches the
// area only as a faint haze.
constexpr int kMinFilterMargin = 64;
constexpr int kMaxFilterMargin = 512;
int filter_margin_limit(int width, int height);
// How many pixels of off-screen pictures filtered objects may hold at once. Filtered objects
// nested in each other each hold one, every level wider by its margin, while the inner ones draw.
constexpr size_t kMaxFilterArea = size_t(1) << 24;

// Filtered and bitmap-cached objects are drawn as a picture whose corner sits on a whole pixel:
// `m` (local twips -> device pixels) moved by the fraction that rounds the top-left corner of
// `bounds` (local twips) to the nearest whole pixel, halves upwards.
Matrix on_whole_pixels(const Rect& bounds, const Matrix& m);

// The list with sizes and distances for a stage drawn `sx` by `sy` times its size.
FilterList scale_filters(const FilterList& list, double sx, double sy);

// How far the filters can spread an image beyond what was drawn, per side.
struct FilterMargin {
    int left = 0, top = 0, right = 0, bottom = 0;
};
FilterMargin filter_margin(const FilterList& list, int limit = kMaxFilterMargin);

// A premultiplied BGRA image, `width` pixels per row.
struct FilterImage {
    std::vector<uint32_t> pixels;
    int width = 0, height = 0;
    uint32_t* row(int y) { return pixels.data() + ptrdiff_t(y) * width; }
    const uint32_t* row(int y) const { return pixels.data() + ptrdiff_t(y) * width; }
};

// Filter work is counted in pixel passes (one box pass over one plane of one pixel, or one
// pixel of a colour step). A frame spends at most this much for an area of this many pixels;
// filters past it are left out, so that a file stacking many large blurs still draws in bounded
// time.
uint64_t filter_work_per_frame(int width, int height);
// How many filters of a list are kept; real content uses a handful.
constexpr size_t kMaxFilters = 32;

// Applies the filters in order, while `budget` (pixel passes) lasts; each one applied is taken
// from it. The image must already hold the margin filter_margin() asks for around the drawn
// pixels; nothing is drawn outside it.
void apply_filters(const FilterList& list, FilterImage& image, uint64_t& budget);
void apply_filter(const Filter& f, FilterImage& image);

// A colour transform on one premultiplied pixel of a finished picture (a filtered or cached
// object), each channel rounded to the nearest value.
uint32_t cxform_picture_pixel(uint32_t px, const CxForm& cx);

// Every channel of a premultiplied pixel times k/255 (a mask's coverage, say).
uint32_t scale_premultiplied(uint32_t px, uint32_t k);
// n premultiplied pixels of `src` over `dst` (the normal blend mode).
void composite_over(uint32_t* dst, const uint32_t* src, int n);

// Box blur of one 8-bit plane: a box `size` pixels wide centred on each pixel (end pixels weighed
// by how much of them the box covers), `passes` times, horizontally then vertically.
void blur_plane(uint8_t* plane, int width, int height, double size_x, double size_y, int passes);

}  // namespace swf
