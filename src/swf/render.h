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

// A shape's fills and strokes as edge lists for one matrix, in drawing order. Fills keep their
// pieces in the shape's own units as well, so that the shape moved elsewhere (the same matrix but
// for its translation) is placed again without flattening anything.
struct ShapeOutlines {
    // A point of a fill's outline in shape units, and how the outline reaches it. A Control point
    // is a curve's, flattened in device pixels together with the point after it (for curves too
    // close to straight to be split in shape units).
    struct LocalPoint {
        enum Kind : uint8_t { Move, Line, Control };
        double x, y;
        Kind kind;
    };
    struct Pass {
        uint16_t group = 0;  // index into the shape's style groups
        uint16_t style = 0;  // 1-based fill style, or line style when `stroke`
        bool stroke = false;
        std::vector<LocalPoint> points;  // fills only
        EdgeList edges;
        CoverageRows coverage;  // what the edges gave last time they were filled
    };
    std::vector<Pass> passes;
    double tx = 0, ty = 0;  // the translation the edges are placed for
    int draws_here = 0;     // how many draws in a row were at that translation
    size_t bytes() const;
};

// Outlines of the shapes drawn so far, by shape and matrix less its translation: most of a movie
// is drawn again unchanged frame after frame, or only moved, and then skips flattening. A shape is
// kept the second time it is drawn with the same scale and rotation, so that shapes seen once
// cost no copies; its coverage is kept once it is drawn twice in the same place. An entry keeps a
// copy of the shape it was made from and serves only while the shape drawn still equals it, so a
// shape object that changes or is replaced at the same address is simply flattened again. The
// least recently used entries go when the outlines outgrow kBudget.
class OutlineCache {
public:
    static constexpr size_t kBudget = size_t(16) << 20;

    // The outlines of `shape` under `m`. Valid until the next call.
    ShapeOutlines& get(const ShapeData& shape, const Matrix& m);
    void clear();
    // Whether outlines just returned by get() are kept and were drawn in the same place before,
    // so that their coverage is worth keeping; grew() counts what the outlines last returned grew
    // by after get().
    bool settled(const ShapeOutlines& outlines) const { return &outlines != &uncached_ && outlines.draws_here > 1; }
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
    static uint64_t hash_of(const ShapeData* shape, const Matrix& m);  // of the shape and m less translation
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
    std::vector<ShapeOutlines::LocalPoint> glyph_points;  // scratch for glyph outlines

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
