// Internal: per-tag parsers shared by movie.cpp. Each takes a reader bounded to the tag body and
// returns a definition, or nullptr when the tag is unusable.
#pragma once

#include <memory>
#include <vector>

#include "swf/character.h"
#include "swf/reader.h"

namespace swf {

// Limits on what a file may make us allocate or nest.
constexpr int kMaxBitmapSide = 8191;
constexpr size_t kMaxBitmapPixels = 32u << 20;
constexpr size_t kMaxFrames = 1u << 20;
constexpr size_t kMaxShapeRecords = 1u << 22;

// version 1..4 for DefineShape..DefineShape4
std::unique_ptr<ShapeDef> parse_shape(Reader& r, int version);
std::unique_ptr<MorphDef> parse_morph(Reader& r, int version);
// Shape records with only the bit counts in front (glyphs). Adds segments with fill1 = 1.
void parse_glyph(Reader r, std::vector<Segment>& out);

struct JpegState {
    std::vector<uint8_t> tables;
};
std::unique_ptr<BitmapDef> parse_bits(Reader& r, int code, const JpegState& jpeg);
std::unique_ptr<BitmapDef> parse_lossless(Reader& r, int version);

std::unique_ptr<FontDef> parse_font1(Reader& r);
std::unique_ptr<FontDef> parse_font23(Reader& r, int version);
void parse_font_info(Reader& r, FontDef& font, int version);
std::unique_ptr<TextDef> parse_text(Reader& r, int version);
std::unique_ptr<EditTextDef> parse_edit_text(Reader& r);

// Image decoders over complete in-memory files; pixels come back premultiplied BGRA.
bool decode_jpeg(const uint8_t* tables, size_t tables_size, const uint8_t* data, size_t size,
                 BitmapDef& out);
// A PNG fails with a short reason when it has no usable header; short or damaged image data
// still decodes, the rest of the image transparent.
Result<bool> decode_png(const uint8_t* data, size_t size, BitmapDef& out);
bool decode_gif(const uint8_t* data, size_t size, BitmapDef& out);

}  // namespace swf
