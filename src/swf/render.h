// Drawing definitions onto a canvas: shapes (fills then strokes per style group), morph shapes at a
// ratio, glyph outlines. Everything takes a twips -> device pixel matrix and a colour transform.
#pragma once

#include <memory>
#include <vector>

#include "swf/character.h"
#include "swf/paint.h"
#include "swf/raster.h"

namespace swf {

struct Movie;

// A shape's fills and strokes flattened into edge lists for one matrix, in drawing order.
struct ShapeOutlines {
    struct Pass {
        uint16_t group = 0;  // index into the shape's style groups
        uint16_t style = 0;  // 1-based fill style, or line style when `stroke`
        bool stroke = false;
        EdgeList edges;
        CoverageRows coverage;  // what the edges gave last time they were filled
    };
    std::vector<Pass> passes;
    size_t bytes() const;
};

// Outlines of the shapes drawn so far, by shape and matrix: most of a movie is drawn again
// unchanged frame after frame, and then skips flattening. A shape is kept the second time it is
// drawn with the same matrix, so that shapes on the move cost no copies. An entry keeps a copy of
// the shape it was made from and serves only while the shape drawn still equals it, so a shape
// object that changes or is replaced at the same address is simply flattened again. The least
// recently used entries go when the outlines outgrow kBudget.
class OutlineCache {
public:
    using Builder = void (*)(const ShapeData&, const Matrix&, ShapeOutlines&);
    static constexpr size_t kBudget = size_t(16) << 20;

    // The outlines of `shape` under `m`, made by `build` unless kept from before. Valid until the
    // next call.
    ShapeOutlines& get(const ShapeData& shape, const Matrix& m, Builder build);
    void clear();
    // Whether outlines just returned by get() are kept, and worth adding coverage to; grew()
    // counts what those last returned grew by.
    bool keeps(const ShapeOutlines& outlines) const { return &outlines != &uncached_; }
    void grew(size_t by);
    size_t bytes() const { return bytes_; }
    size_t size() const { return entries_.size(); }

private:
    struct Entry {
        const ShapeData* key = nullptr;
        Matrix m;
        uint64_t hash = 0;
        ShapeData shape;  // as it was when the outlines were made
        ShapeOutlines outlines;
        size_t bytes = 0;
        uint64_t last_use = 0;
    };
    // Open addressing over entries_ by hash, at most half full; entry is an index + 1 (0: empty).
    struct Slot {
        uint64_t hash = 0;
        uint32_t entry = 0;
    };
    static uint64_t hash_of(const ShapeData* shape, const Matrix& m);
    Entry* find(uint64_t hash, const ShapeData* shape, const Matrix& m);
    void index(uint64_t hash, uint32_t entry);
    void reindex();
    void evict_for(const Entry* keep);

    std::vector<std::unique_ptr<Entry>> entries_;
    std::vector<Slot> slots_;
    bool seen_before(uint64_t hash);

    // Hashes of shapes and matrices drawn once (open addressing, 0 empty), emptied when half full.
    std::vector<uint64_t> seen_;
    size_t seen_count_ = 0;
    ShapeOutlines uncached_;  // outlines drawn once or too big to keep
    Entry* last_ = nullptr;   // what get() returned last, when kept
    size_t bytes_ = 0;
    uint64_t clock_ = 0;
};

struct RenderContext {
    Canvas canvas;
    const Movie* movie = nullptr;
    bool antialias = true;
    const Mask* clip = nullptr;  // active clip mask, or null
    Mask* mask_target = nullptr;  // when set, drawing writes coverage here instead of colour
    Rasterizer raster;
    EdgeList edges;
    GradientCache gradients;
    OutlineCache outlines;

    ClipBox box() const { return {0, 0, canvas.width, canvas.height}; }
};

// Placements compose with their translation kept in whole twips (1/20 device pixel): the offset
// a scaled parent gives its children lands on the twip grid, not between it.
Matrix snap_to_twips(Matrix m);

void draw_shape(RenderContext& ctx, const ShapeData& shape, const Matrix& m, const CxForm& cx);
// Morph shapes: interpolated at ratio/65535 into `scratch`, then drawn.
void interpolate_morph(const MorphDef& def, uint16_t ratio, ShapeData& out);
// Glyph outlines (fill1 = 1 everywhere), filled even-odd in one colour.
void draw_glyph(RenderContext& ctx, const std::vector<Segment>& glyph, const Matrix& m, RGBA color,
                const CxForm& cx);
// A solid axis-aligned rectangle in local twips (text field borders and backgrounds).
void draw_rect(RenderContext& ctx, const Rect& r, const Matrix& m, RGBA fill, const CxForm& cx);

}  // namespace swf
