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

struct RenderContext {
    Canvas canvas;
    const Movie* movie = nullptr;
    bool antialias = true;
    const Mask* clip = nullptr;  // active clip mask, or null
    Mask* mask_target = nullptr;  // when set, drawing writes coverage here instead of colour
    Rasterizer raster;
    EdgeList edges;
    GradientCache gradients;

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
