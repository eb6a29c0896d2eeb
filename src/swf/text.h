// Static text and text fields drawn from embedded glyphs or device fonts.
#pragma once

#include "swf/character.h"
#include "swf/font_provider.h"
#include "swf/render.h"

namespace swf {

void draw_text(RenderContext& ctx, const TextDef& text, const Matrix& m, const CxForm& cx);
void draw_edit_text(RenderContext& ctx, const EditTextDef& field, const Matrix& m, const CxForm& cx,
                    FontProvider* fonts);

// Decodes SWF text to code points: UTF-8 for SWF6+, otherwise (or when not valid UTF-8) bytes are
// taken one per character.
std::u32string decode_text(const std::string& s, int version);

}  // namespace swf
