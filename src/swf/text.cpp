// Fonts, static text and text fields: reading DefineFont 1-3, DefineFontInfo, DefineText 1-2 and
// DefineEditText, and laying glyphs out for drawing.
#include "swf/text.h"

#include <algorithm>
#include <cmath>

#include "swf/movie.h"
#include "swf/parse.h"

namespace swf {

// ---------------------------------------------------------------------------------------------
// Reading
// ---------------------------------------------------------------------------------------------
int FontDef::glyph_for(uint16_t code) const {
    // Code tables are ascending in well-formed files; fall back to a scan when they are not.
    auto it = std::lower_bound(codes.begin(), codes.end(), code);
    if (it != codes.end() && *it == code) return int(it - codes.begin());
    for (size_t i = 0; i < codes.size(); ++i)
        if (codes[i] == code) return int(i);
    return -1;
}

std::unique_ptr<FontDef> parse_font1(Reader& r) {
    auto f = std::make_unique<FontDef>();
    f->id = r.u16();
    const size_t base = r.pos();
    const size_t table_end = r.size();
    uint16_t first = r.u16();
    size_t n = first / 2;
    if (r.failed()) return f;
    std::vector<size_t> offsets{first};
    for (size_t i = 1; i < n && !r.failed(); ++i) offsets.push_back(r.u16());
    // A table cut short by the end of the tag keeps only the glyphs whose offsets were read.
    if (r.failed()) offsets.pop_back();
    n = offsets.size();
    offsets.push_back(table_end - base);
    for (size_t i = 0; i < n; ++i) {
        size_t from = base + offsets[i], to = base + offsets[i + 1];
        Glyph g;
        if (to > from && to <= table_end) parse_glyph(r.slice(from, to - from), g.segments);
        f->glyphs.push_back(std::move(g));
    }
    return f;
}

void parse_font_info(Reader& r, FontDef& font, int version) {
    r.u16();
    unsigned len = r.u8();
    std::string name;
    for (unsigned i = 0; i < len; ++i) name.push_back(char(r.u8()));
    while (!name.empty() && name.back() == 0) name.pop_back();
    uint8_t flags = r.u8();
    if (version == 2) r.u8();  // language
    font.name = name;
    font.italic = flags & 0x04;
    font.bold = flags & 0x02;
    const bool wide = (flags & 0x01) || version == 2;
    font.codes.clear();
    for (size_t i = 0; i < font.glyphs.size() && r.remaining() > 0; ++i)
        font.codes.push_back(wide ? r.u16() : r.u8());
}

std::unique_ptr<FontDef> parse_font23(Reader& r, int version) {
    auto f = std::make_unique<FontDef>();
    f->id = r.u16();
    uint8_t flags = r.u8();
    r.u8();  // language
    unsigned len = r.u8();
    for (unsigned i = 0; i < len; ++i) f->name.push_back(char(r.u8()));
    while (!f->name.empty() && f->name.back() == 0) f->name.pop_back();
    f->has_layout = flags & 0x80;
    f->italic = flags & 0x02;
    f->bold = flags & 0x01;
    // The code table is as wide as the flag says, whichever of the two tags holds it.
    const bool wide_offsets = flags & 0x08, wide_codes = flags & 0x04;
    if (version == 3) f->units_per_em = 20480;
    size_t n = r.u16();
    const size_t base = r.pos();
    if (n > r.remaining() / (wide_offsets ? 4 : 2)) n = r.remaining() / (wide_offsets ? 4 : 2);
    std::vector<size_t> offsets;
    for (size_t i = 0; i < n; ++i) offsets.push_back(wide_offsets ? r.u32() : r.u16());
    size_t code_offset = r.remaining() > 0 ? (wide_offsets ? r.u32() : r.u16()) : r.size() - base;
    offsets.push_back(code_offset);
    for (size_t i = 0; i < n; ++i) {
        size_t from = base + offsets[i], to = base + offsets[i + 1];
        Glyph g;
        if (to > from && to <= r.size()) parse_glyph(r.slice(from, to - from), g.segments);
        f->glyphs.push_back(std::move(g));
    }
    if (n == 0) return f;
    r.seek(base + code_offset);
    for (size_t i = 0; i < n; ++i) f->codes.push_back(wide_codes ? r.u16() : r.u8());
    if (f->has_layout && !r.failed()) {
        f->ascent = r.u16();
        f->descent = r.u16();
        f->leading = r.s16();
        // Advances count as unsigned: a wide glyph moves the pen right, never back.
        for (size_t i = 0; i < n; ++i) f->glyphs[i].advance = r.u16();
        for (size_t i = 0; i < n && !r.failed(); ++i) r.rect();
        size_t kern = r.u16();
        for (size_t i = 0; i < kern && !r.failed(); ++i) {
            uint32_t a = wide_codes ? r.u16() : r.u8();
            uint32_t b = wide_codes ? r.u16() : r.u8();
            int adj = r.s16();
            f->kerning[a << 16 | b] = adj;
        }
    }
    return f;
}

std::unique_ptr<TextDef> parse_text(Reader& r, int version) {
    auto t = std::make_unique<TextDef>();
    t->id = r.u16();
    t->bounds = r.rect();
    t->matrix = r.matrix();
    unsigned glyph_bits = r.u8(), advance_bits = r.u8();
    GlyphRun state;
    int x = 0;
    while (!r.failed() && r.remaining() > 0) {
        uint8_t flags = r.u8();
        if (flags == 0) break;
        if (flags & 0x08) state.font = r.u16();
        if (flags & 0x04) state.color = version == 2 ? r.rgba() : r.rgb();
        if (flags & 0x01) x = r.s16();
        if (flags & 0x02) state.y = r.s16();
        if (flags & 0x08) state.height = r.u16();
        unsigned count = r.u8();
        GlyphRun run = state;
        for (unsigned i = 0; i < count && !r.failed(); ++i) {
            int index = int(r.ub(glyph_bits));
            int advance = r.sb(advance_bits);
            run.glyphs.push_back({index, x});
            // Hostile advances must not overflow; a few million twips is far off any stage.
            x = int(std::clamp<int64_t>(int64_t(x) + advance, -(1 << 28), 1 << 28));
        }
        r.align();
        if (r.failed()) break;
        t->runs.push_back(std::move(run));
    }
    return t;
}

std::unique_ptr<EditTextDef> parse_edit_text(Reader& r) {
    auto e = std::make_unique<EditTextDef>();
    e->id = r.u16();
    e->bounds = r.rect();
    uint8_t f1 = r.u8(), f2 = r.u8();
    e->word_wrap = f1 & 0x40;
    e->multiline = f1 & 0x20;
    e->password = f1 & 0x10;
    e->auto_size = f2 & 0x40;
    e->border = f2 & 0x08;
    e->html = f2 & 0x02;
    e->background = e->border;
    e->use_outlines = f2 & 0x01;
    e->read_only = f1 & 0x08;
    e->no_select = f2 & 0x10;
    if (f1 & 0x01) e->font = r.u16();
    if (f2 & 0x80) r.str();
    if (f1 & 0x01 || f2 & 0x80) e->height = r.u16();
    if (f1 & 0x04) {
        e->color = r.rgba();
        e->has_color = true;
    }
    if (f1 & 0x02) e->max_length = r.u16();
    if (f2 & 0x20) {
        e->align = r.u8();
        e->left_margin = r.u16();
        e->right_margin = r.u16();
        e->indent = r.u16();
        e->leading = r.s16();
    }
    e->variable = r.str();
    if (f1 & 0x80) e->text = r.str();
    return e;
}

// ---------------------------------------------------------------------------------------------
// Drawing
// ---------------------------------------------------------------------------------------------
namespace {

Matrix glyph_matrix(double x, double y, double scale) { return {scale, 0, 0, scale, x, y}; }

}  // namespace

void draw_text(RenderContext& ctx, const TextDef& text, const Matrix& m, const CxForm& cx) {
    if (!ctx.movie) return;
    const Matrix base = m * text.matrix;
    for (const GlyphRun& run : text.runs) {
        const Character* ch = ctx.movie->find(run.font);
        if (!ch || ch->kind != CharKind::Font) continue;
        const auto& font = static_cast<const FontDef&>(*ch);
        const double scale = run.height / font.units_per_em;
        for (auto [index, x] : run.glyphs) {
            if (index < 0 || size_t(index) >= font.glyphs.size()) continue;
            const Matrix gm = snap_to_twips(base * glyph_matrix(x, run.y, scale));
            draw_glyph(ctx, font.glyphs[index].segments, gm, run.color, cx);
        }
    }
}

std::u32string decode_text(const std::string& s, int version) {
    std::u32string out;
    if (version >= 6) {
        bool valid = true;
        for (size_t i = 0; i < s.size() && valid;) {
            uint8_t c = uint8_t(s[i]);
            int extra = c < 0x80 ? 0 : (c & 0xE0) == 0xC0 ? 1 : (c & 0xF0) == 0xE0 ? 2 : (c & 0xF8) == 0xF0 ? 3 : -1;
            if (extra < 0 || i + extra >= s.size() + (extra ? 0 : 1)) {
                valid = false;
                break;
            }
            char32_t cp = extra == 0 ? c : c & (0x3F >> extra);
            for (int k = 1; k <= extra; ++k) {
                uint8_t cc = uint8_t(s[i + k]);
                if ((cc & 0xC0) != 0x80) valid = false;
                cp = cp << 6 | (cc & 0x3F);
            }
            out.push_back(cp);
            i += extra + 1;
        }
        if (valid) return out;
        out.clear();
    }
    for (char c : s) out.push_back(char32_t(uint8_t(c)));
    return out;
}

namespace {

// What an HTML <font> sets for the characters inside it.
struct Format {
    bool kerning = false;  // apply the font's kerning pairs
    RGBA color;
};

// Text with the format of each character.
struct StyledText {
    std::u32string chars;
    std::vector<Format> formats;
    void push(char32_t c, const Format& f) {
        chars.push_back(c);
        formats.push_back(f);
    }
};

// The value of `name="..."` (or single-quoted) inside a lower-cased tag body, if present.
bool tag_attribute(const std::u32string& tag, const std::u32string& name, std::u32string& value) {
    for (size_t at = tag.find(name); at != std::u32string::npos; at = tag.find(name, at + 1)) {
        if (at > 0 && tag[at - 1] != U' ' && tag[at - 1] != U'\t') continue;
        size_t i = at + name.size();
        while (i < tag.size() && tag[i] == U' ') ++i;
        if (i >= tag.size() || tag[i] != U'=') continue;
        ++i;
        while (i < tag.size() && tag[i] == U' ') ++i;
        if (i >= tag.size() || (tag[i] != U'"' && tag[i] != U'\'')) continue;
        const size_t end = tag.find(tag[i], i + 1);
        if (end == std::u32string::npos) return false;
        value = tag.substr(i + 1, end - i - 1);
        return true;
    }
    return false;
}

// "#rrggbb" (the alpha kept from `base`), or false when the value is not that.
bool parse_color(const std::u32string& v, RGBA base, RGBA& out) {
    if (v.size() != 7 || v[0] != U'#') return false;
    uint32_t rgb = 0;
    for (size_t i = 1; i < 7; ++i) {
        const char32_t c = v[i];
        const int d = c >= U'0' && c <= U'9' ? int(c - U'0') : c >= U'a' && c <= U'f' ? int(c - U'a') + 10 : -1;
        if (d < 0) return false;
        rgb = rgb << 4 | uint32_t(d);
    }
    out = {uint8_t(rgb >> 16), uint8_t(rgb >> 8), uint8_t(rgb), base.a};
    return true;
}

// Minimal HTML: tags dropped, <br> and paragraph ends become line breaks, entities decoded. The
// colour and kerning attributes of <font> are kept per character, a closing </font> restoring
// the outer format. `base` is the field's own format.
StyledText parse_html(const std::u32string& in, const Format& base) {
    StyledText out;
    std::vector<Format> stack{base};
    for (size_t i = 0; i < in.size(); ++i) {
        const Format current = stack.back();
        if (in[i] == U'<') {
            size_t j = in.find(U'>', i);
            if (j == std::u32string::npos) break;
            std::u32string tag = in.substr(i + 1, j - i - 1);
            for (auto& c : tag) c = c < 128 ? char32_t(std::tolower(int(c))) : c;
            if (tag == U"br" || tag == U"br/" || tag == U"/p" || tag.rfind(U"/li", 0) == 0) out.push(U'\n', current);
            if (tag.rfind(U"font", 0) == 0 && (tag.size() == 4 || tag[4] == U' ')) {
                Format f = current;
                std::u32string v;
                if (tag_attribute(tag, U"kerning", v)) f.kerning = v == U"1" || v == U"true";
                if (tag_attribute(tag, U"color", v)) parse_color(v, base.color, f.color);
                stack.push_back(f);
            } else if (tag == U"/font" && stack.size() > 1) {
                stack.pop_back();
            }
            i = j;
        } else if (in[i] == U'&') {
            static const std::pair<const char32_t*, char32_t> ents[] = {
                {U"&lt;", U'<'}, {U"&gt;", U'>'}, {U"&amp;", U'&'}, {U"&quot;", U'"'}, {U"&apos;", U'\''}, {U"&nbsp;", 0xA0}};
            bool done = false;
            for (auto& [name, ch] : ents) {
                std::u32string n(name);
                if (in.compare(i, n.size(), n) == 0) {
                    out.push(ch, current);
                    i += n.size() - 1;
                    done = true;
                    break;
                }
            }
            if (!done) out.push(in[i], current);
        } else {
            out.push(in[i], current);
        }
    }
    while (!out.chars.empty() && out.chars.back() == U'\n') {
        out.chars.pop_back();
        out.formats.pop_back();
    }
    return out;
}

int kerning_of(const FontDef& font, char32_t a, char32_t b) {
    if (a > 0xFFFF || b > 0xFFFF || font.kerning.empty()) return 0;
    auto it = font.kerning.find(uint32_t(a) << 16 | uint32_t(b));
    return it == font.kerning.end() ? 0 : it->second;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Text field layout and drawing
// ---------------------------------------------------------------------------------------------
double FieldLayout::caret_x(size_t line, size_t index) const {
    const FieldLine& l = lines[line];
    for (const FieldGlyph& g : l.glyphs)
        if (g.index >= index) return l.left + g.x;
    return l.left + l.width;
}

FieldLayout lay_out_edit_text(const EditTextDef& field, const Movie& movie, FontProvider* fonts) {
    FieldLayout out;
    out.lines.emplace_back();
    StyledText styled;
    const std::u32string decoded = decode_text(field.text, movie.version);
    Format base;
    base.color = field.color;
    if (field.html) {
        styled = parse_html(decoded, base);
    } else {
        styled.chars = decoded;
        styled.formats.assign(decoded.size(), base);
    }
    std::u32string& text = styled.chars;
    if (field.password) std::fill(text.begin(), text.end(), U'*');
    out.length = text.size();

    const FontDef* font = nullptr;
    if (const Character* ch = movie.find(field.font); ch && ch->kind == CharKind::Font)
        font = static_cast<const FontDef*>(ch);
    const bool embedded = font && field.use_outlines && !font->glyphs.empty();
    const double gutter = 40;
    out.top = field.bounds.ymin + gutter;
    if (!embedded && !fonts) {
        // Nothing to draw with: lines of the field's height, for the caret.
        out.ascent = std::floor(field.height * 0.9);
        out.line_height = field.height + field.leading;
        return out;
    }
    out.drawable = true;
    const std::string face = font ? font->name : "_sans";
    const double em = embedded ? font->units_per_em : 1024.0;
    const double scale = field.height / em;
    out.scale = scale;
    int ascent = 0, descent = 0;
    if (embedded) {
        ascent = font->ascent;
        descent = font->descent;
        if (!font->has_layout) ascent = int(em * 0.9), descent = int(em * 0.2);
    } else {
        fonts->metrics(face, ascent, descent);
    }

    auto glyph_of = [&](char32_t c, FieldGlyph& g) -> bool {
        if (embedded) {
            int i = font->glyph_for(uint16_t(c));
            if (i < 0) return false;
            g.outline = &font->glyphs[i].segments;
            g.advance = font->has_layout ? font->glyphs[i].advance : int(em / 2);
            return true;
        }
        std::shared_ptr<const DeviceGlyph> dg = fonts->glyph(face, font && font->bold, font && font->italic, c);
        if (!dg) return false;
        g.outline = &dg->outline;
        g.advance = dg->advance;
        // The layout keeps what it points into, however many characters the field holds.
        if (out.pinned.empty() || out.pinned.back() != dg) out.pinned.push_back(std::move(dg));
        return true;
    };

    const double left = field.bounds.xmin + gutter + field.left_margin;
    const double right = field.bounds.xmax - gutter - field.right_margin;
    const double width = right - left;
    // The field lays its text out in whole twips: every advance, kerning adjustment and font
    // metric scaled to the text size is cut down to a whole twip before it moves the pen.
    auto twips = [scale](double font_units) { return std::floor(font_units * scale); };
    auto advance_of = [&out](const FieldGlyph& g) { return out.advance(g); };
    out.ascent = twips(ascent);
    out.descent = twips(descent);
    out.line_height = twips(ascent) + twips(descent) + field.leading;

    // Break into lines: explicit breaks always; wrapping at spaces when the field wraps.
    std::vector<FieldLine>& lines = out.lines;
    double pen = 0;
    size_t last_space = SIZE_MAX;
    char32_t previous = 0;  // the letter laid last on this line, if any
    for (size_t ci = 0; ci < text.size(); ++ci) {
        const char32_t c = text[ci];
        // A kerning pair lengthens the first letter's advance (spaces included) before that is
        // cut to whole twips.
        if (embedded && styled.formats[ci].kerning && previous && !lines.back().glyphs.empty()) {
            FieldGlyph& before = lines.back().glyphs.back();
            before.advance += kerning_of(*font, previous, c);
            pen = before.x + advance_of(before);
        }
        previous = 0;
        if (c == U'\r' || c == U'\n') {
            lines.emplace_back();
            lines.back().begin = ci + 1;
            pen = 0;
            last_space = SIZE_MAX;
            continue;
        }
        FieldGlyph g;
        g.color = styled.formats[ci].color;
        g.index = ci;
        if (!glyph_of(c, g)) continue;
        previous = c;
        g.x = pen;
        auto& line = lines.back().glyphs;
        if (field.word_wrap && pen + advance_of(g) > width && !line.empty()) {
            std::vector<FieldGlyph> carry;
            if (last_space != SIZE_MAX && last_space + 1 < line.size()) {
                carry.assign(line.begin() + last_space + 1, line.end());
                line.resize(last_space);
            }
            lines.emplace_back();
            lines.back().begin = carry.empty() ? ci : carry.front().index;
            double shift = carry.empty() ? 0 : carry.front().x;
            for (auto& k : carry) {
                k.x -= shift;
                lines.back().glyphs.push_back(k);
            }
            pen = carry.empty() ? 0 : carry.back().x + advance_of(carry.back());
            last_space = SIZE_MAX;
            g.x = pen;
        }
        if (c == U' ') last_space = lines.back().glyphs.size();
        lines.back().glyphs.push_back(g);
        pen += advance_of(g);
    }

    for (FieldLine& line : lines) {
        line.width = line.glyphs.empty() ? 0 : line.glyphs.back().x + advance_of(line.glyphs.back());
        line.left = left;
        if (field.align == 1) line.left = right - line.width;
        if (field.align == 2) line.left = left + std::floor((width - line.width) / 2);
    }
    return out;
}

namespace {

// From x0 to x1 over the letters of a line (its ascent and descent), in whole twips.
Rect line_span(const FieldLayout& layout, size_t line, double x0, double x1) {
    const double top = layout.baseline(line) - layout.ascent;
    auto twip = [](double v) { return int32_t(std::clamp(std::round(v), -1e9, 1e9)); };
    return Rect{twip(x0), twip(x1), twip(top), twip(top + layout.ascent + layout.descent)};
}

// The selection's highlight on each line it touches.
void draw_highlight(RenderContext& ctx, const FieldLayout& layout, const FieldMarks& marks, const Matrix& m,
                    const CxForm& cx) {
    if (marks.begin >= marks.end) return;
    for (size_t i = 0; i < layout.lines.size(); ++i) {
        const size_t line_end = i + 1 < layout.lines.size() ? layout.lines[i + 1].begin : layout.length;
        const size_t from = std::max(marks.begin, layout.lines[i].begin), to = std::min(marks.end, line_end);
        if (from >= to) continue;
        const Rect r = line_span(layout, i, layout.caret_x(i, from), layout.caret_x(i, to));
        draw_rect(ctx, r, m, RGBA{0, 0, 0, 255}, cx);
    }
}

// The caret: a bar one pixel wide on the line holding the character after it.
void draw_caret(RenderContext& ctx, const FieldLayout& layout, size_t caret, RGBA color, const Matrix& m,
                const CxForm& cx) {
    size_t line = 0;
    while (line + 1 < layout.lines.size() && layout.lines[line + 1].begin <= caret) ++line;
    const double x = std::round(layout.caret_x(line, caret));
    draw_rect(ctx, line_span(layout, line, x, x + 20), m, color, cx);
}

}  // namespace

void draw_edit_text(RenderContext& ctx, const EditTextDef& field, const Matrix& m, const CxForm& cx,
                    FontProvider* fonts, const FieldMarks* marks) {
    const Rect& b = field.bounds;
    constexpr int px = 20;
    if (field.background) {
        // Inside a frame the fill starts past the frame's top and left sides.
        const int inset = field.border ? px : 0;
        draw_rect(ctx, Rect{b.xmin + inset, b.xmax, b.ymin + inset, b.ymax}, m, field.background_color, cx);
    }
    if (field.border) {
        // A frame one pixel wide at any scale; its right and bottom sides lie just outside the
        // bounds, and the corner where they meet is left out. Unturned fields get it on whole
        // screen pixels; turned ones draw it in their own space, where it turns with them. A
        // shear too slight to move a corner by half a pixel leaves the field unturned.
        const RGBA& c = field.border_color;
        Rect r = b;
        int one = px;
        Matrix frame = m;
        const double slant = std::max(std::abs(m.b) * b.width(), std::abs(m.c) * b.height());
        if (slant < 0.5 && m.a > 0 && m.d > 0) {
            auto pixel = [](double v) { return int32_t(std::clamp(std::ceil(v - 0.5), -1e8, 1e8)); };  // halves go down
            r = Rect{pixel(m.apply_x(b.xmin, 0)), pixel(m.apply_x(b.xmax, 0)), pixel(m.apply_y(0, b.ymin)),
                     pixel(m.apply_y(0, b.ymax))};
            one = 1;
            frame = Matrix{};
        }
        draw_rect(ctx, Rect{r.xmin, r.xmax + one, r.ymin, r.ymin + one}, frame, c, cx);  // top
        draw_rect(ctx, Rect{r.xmin, r.xmin + one, r.ymin + one, r.ymax + one}, frame, c, cx);  // left
        draw_rect(ctx, Rect{r.xmin + one, r.xmax, r.ymax, r.ymax + one}, frame, c, cx);  // bottom
        draw_rect(ctx, Rect{r.xmax, r.xmax + one, r.ymin + one, r.ymax}, frame, c, cx);  // right
    }
    if (!ctx.movie || (field.text.empty() && !marks)) return;
    const FieldLayout layout = lay_out_edit_text(field, *ctx.movie, fonts);
    if (marks) draw_highlight(ctx, layout, *marks, m, cx);
    if (layout.drawable) {
        for (size_t i = 0; i < layout.lines.size(); ++i) {
            const FieldLine& line = layout.lines[i];
            const double baseline = layout.baseline(i);
            for (const FieldGlyph& g : line.glyphs) {
                if (!g.outline) continue;
                // Selected letters show white on the highlight.
                const bool selected = marks && g.index >= marks->begin && g.index < marks->end;
                const RGBA color = selected ? RGBA{255, 255, 255, g.color.a} : g.color;
                draw_glyph(ctx, *g.outline, m * glyph_matrix(line.left + g.x, baseline, layout.scale), color, cx);
            }
        }
    }
    if (marks && marks->show_caret) draw_caret(ctx, layout, marks->caret, field.color, m, cx);
}

// ---------------------------------------------------------------------------------------------
// Built-in device font
// ---------------------------------------------------------------------------------------------
std::shared_ptr<const DeviceGlyph> BoxFontProvider::glyph(const std::string&, bool, bool, char32_t ch) {
    if (!box_) {
        auto edge = [](int x0, int y0, int x1, int y1) {
            Segment s;
            s.x0 = x0, s.y0 = y0, s.x1 = x1, s.y1 = y1, s.cx = (x0 + x1) / 2, s.cy = (y0 + y1) / 2;
            s.fill1 = 1;
            return s;
        };
        auto box = std::make_shared<DeviceGlyph>();
        box->outline = {edge(64, -640, 448, -640), edge(448, -640, 448, 0), edge(448, 0, 64, 0), edge(64, 0, 64, -640)};
        box->advance = 512;
        auto space = std::make_shared<DeviceGlyph>();
        space->advance = 512;
        box_ = std::move(box);
        space_ = std::move(space);
    }
    if (ch == U' ' || ch == 0xA0 || ch == U'\t') return space_;
    return box_;
}

}  // namespace swf
