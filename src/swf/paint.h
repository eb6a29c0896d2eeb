// Stage 4 of the rasteriser: fill painters that receive coverage rows and composite source-over
// into a premultiplied BGRA canvas, through an optional 8-bit clip mask.
#pragma once

#include <climits>
#include <cstdint>
#include <memory>
#include <vector>

#include "swf/character.h"
#include "swf/raster.h"
#include "swf/types.h"

namespace swf {

// A caller-owned pixel buffer, premultiplied BGRA (0xAARRGGBB words), top-down.
// The box of pixels drawn into so far (right/bottom exclusive; empty while x0 >= x1).
struct DirtyBox {
    int x0 = INT32_MAX, y0 = INT32_MAX, x1 = INT32_MIN, y1 = INT32_MIN;
    bool empty() const { return x0 >= x1 || y0 >= y1; }
    void add(int ax0, int ay0, int ax1, int ay1) {
        x0 = x0 < ax0 ? x0 : ax0, y0 = y0 < ay0 ? y0 : ay0;
        x1 = x1 > ax1 ? x1 : ax1, y1 = y1 > ay1 ? y1 : ay1;
    }
};

struct Canvas {
    uint32_t* pixels = nullptr;
    int width = 0, height = 0;
    int stride = 0;  // in pixels
    DirtyBox* dirty = nullptr;  // when set, painters widen it by what they draw
    uint32_t* row(int y) const { return pixels + ptrdiff_t(y) * stride; }
};

// A coverage mask the size of the canvas (masks and clip layers).
struct Mask {
    std::vector<uint8_t> data;
    int width = 0, height = 0;
    const uint8_t* row(int y) const { return data.data() + ptrdiff_t(y) * width; }
};

class Painter : public SpanSink {
public:
    Painter(const Canvas& c, const Mask* clip) : canvas_(c), clip_(clip) {}
    void row(int y, int x0, int x1, const uint8_t* coverage) override;

protected:
    // Writes n premultiplied source colours for pixels (x0..x0+n-1, y). Each colour depends on its
    // pixel alone, never on where the run starts, so a row may be shaded in any split.
    virtual void shade(int y, int x0, int n, uint32_t* out) = 0;
    // True when every shaded pixel is the same opaque colour `solid_` (fast path).
    bool opaque_solid_ = false;
    uint32_t solid_ = 0;
    // Shades the row and puts it over the canvas (by default: shade(), then source-over).
    virtual void paint_row(int y, int x0, int n, const uint8_t* cov, uint32_t* dst);

private:
    Canvas canvas_;
    const Mask* clip_;
    std::vector<uint32_t> src_;
    std::vector<uint8_t> cov_;
};

class SolidPainter : public Painter {
public:
    SolidPainter(const Canvas& c, const Mask* clip, uint32_t premultiplied);

protected:
    void shade(int y, int x0, int n, uint32_t* out) override;
};

// A gradient's 256-entry colour table (premultiplied, colour transform applied) with the ends
// repeated: colours[j] holds entry j - 1 clamped to 0..255, so that entry -1 and 256 exist and any
// entry can be blended with its right-hand neighbour. The four-pixel sampler reads `wide`: entry j
// ready for that blend in one 16-byte load, its channels as colour * 256 + 128 in the first four
// 16-bit lanes and the step to colours[j + 1] in the last four.
struct GradientRamp {
    alignas(16) uint32_t colours[258];
    alignas(16) uint16_t wide[257][8];
    bool opaque = false;  // every entry has alpha 255
};

void build_gradient_lut(const Gradient& g, const CxForm& cx, uint32_t out[256]);
void build_gradient_ramp(const Gradient& g, const CxForm& cx, GradientRamp& out);

// Gradient ramps remembered by content, so that shapes drawn every frame do not rebuild them.
class GradientCache {
public:
    const GradientRamp& get(const Gradient& g, const CxForm& cx);

private:
    struct Entry {
        Gradient g;
        CxForm cx;
        GradientRamp ramp;
    };
    void index(uint64_t hash, uint32_t entry);

    std::vector<std::unique_ptr<Entry>> entries_;
    std::vector<uint64_t> entry_hash_;
    // Open addressing over entries_ (index + 1, 0 for empty), at most half full: one probe or
    // two find a ramp, where a node-based map costs a few cache misses per shape.
    std::vector<uint32_t> slots_;
};

class GradientPainter : public Painter {
public:
    // `to_device` maps the gradient square to device pixels.
    GradientPainter(const Canvas& c, const Mask* clip, const FillStyle& fill, const Matrix& to_device,
                    const CxForm& cx, GradientCache* cache = nullptr);
    bool valid() const { return valid_; }

protected:
    void shade(int y, int x0, int n, uint32_t* out) override;
    void paint_row(int y, int x0, int n, const uint8_t* cov, uint32_t* dst) override;

private:
    int32_t* position_buffer(int n);
    void positions(int y, int x0, int n, int32_t* pos);
    int64_t linear_start(int y, int x0) const;
    void linear_positions(int y, int x0, int n, int32_t* pos);
    void radial_positions(int y, int x0, int n, int32_t* pos);
    void focal_positions(int y, int x0, int n, int32_t* pos);

    std::unique_ptr<GradientRamp> own_;  // when there is no cache
    const GradientRamp* ramp_ = nullptr;
    std::vector<int32_t> pos_;
    Matrix inv_;  // device -> gradient square
    FillType type_;
    SpreadMode spread_;
    double focal_;
    int64_t linear_step_ = 0;  // per pixel, in 16.16 table positions
    // Radial distances are taken in float from this device column, near the gradient's centre,
    // so that the float sums stay small wherever the shape lies on the canvas.
    int anchor_x_ = 0;
    bool valid_ = true;
};

class BitmapPainter : public Painter {
public:
    // `to_device` maps texels to device pixels.
    BitmapPainter(const Canvas& c, const Mask* clip, const BitmapDef& bmp, const Matrix& to_device,
                  bool repeat, bool smooth, const CxForm& cx);
    bool valid() const { return valid_; }

protected:
    void shade(int y, int x0, int n, uint32_t* out) override;

private:
    const BitmapDef& bmp_;
    Matrix inv_;
    bool repeat_, smooth_, valid_ = true;
    CxForm cx_;
    bool cx_identity_;
};

// Writes coverage into a mask, intersected with an outer mask when there is one.
class MaskPainter : public SpanSink {
public:
    MaskPainter(Mask& m, const Mask* outer) : mask_(m), outer_(outer) {}
    void row(int y, int x0, int x1, const uint8_t* coverage) override;

private:
    Mask& mask_;
    const Mask* outer_;
};

uint32_t apply_cxform_premultiplied(uint32_t px, const CxForm& cx);

}  // namespace swf
