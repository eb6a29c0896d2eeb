// Static text and text fields drawn from embedded glyphs or device fonts.
#pragma once

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "swf/character.h"
#include "swf/font_provider.h"
#include "swf/render.h"

namespace swf {

void draw_text(RenderContext& ctx, const TextDef& text, const Matrix& m, const CxForm& cx);

// A text field's text laid out as it is drawn, in the field's twips. Characters are counted in
// the text as shown: code points of the field's text with markup left out, a line break one.
struct FieldGlyph {
    const std::vector<Segment>* outline = nullptr;
    double x = 0;      // pen position from the line's left edge
    int advance = 0;   // font units, kerning included
    RGBA color;
    size_t index = 0;  // the character it draws
};
struct FieldLine {
    std::vector<FieldGlyph> glyphs;
    size_t begin = 0;  // the line's first character; it runs up to the next line's first
    double left = 0;   // where the line starts, alignment applied
    double width = 0;  // to the end of its last glyph
};
struct FieldLayout {
    std::vector<FieldLine> lines;  // at least one
    size_t length = 0;             // characters shown
    double scale = 0;              // font units to twips
    double ascent = 0, descent = 0, line_height = 0;  // whole twips
    double top = 0;                // the first line's top edge
    bool drawable = false;         // a font to draw with was found
    std::vector<std::shared_ptr<const DeviceGlyph>> pinned;  // the device glyphs lines point into

    double advance(const FieldGlyph& g) const { return std::floor(g.advance * scale); }
    double baseline(size_t line) const { return top + ascent + double(line) * line_height; }
    // The x of a caret standing before character `index` on `line` (past its end: after its
    // last glyph).
    double caret_x(size_t line, size_t index) const;
};
FieldLayout lay_out_edit_text(const EditTextDef& field, const Movie& movie, FontProvider* fonts);

// What a focused field shows over its text, in shown-text characters: [begin, end) selected
// (white letters on black) and the caret before character `caret`.
struct FieldMarks {
    size_t begin = 0, end = 0;
    size_t caret = 0;
    bool show_caret = false;
};
void draw_edit_text(RenderContext& ctx, const EditTextDef& field, const Matrix& m, const CxForm& cx,
                    FontProvider* fonts, const FieldMarks* marks = nullptr);

// Decodes SWF text to code points: UTF-8 for SWF6+, otherwise (or when not valid UTF-8) bytes are
// taken one per character.
std::u32string decode_text(const std::string& s, int version);

}  // namespace swf
