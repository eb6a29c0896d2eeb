// Formatted text: TextFormat values, runs of them over a field's characters, the HTML subset of
// htmlText in both directions, and the TextFormat class scripts construct.
#include <algorithm>
#include <cmath>

#include "swf/avm1/convert.h"
#include "swf/avm1/textfield.h"
#include "swf/avm1/vm.h"

namespace swf::avm1 {

// ---------------------------------------------------------------------------------------------
// TextFormat values
// ---------------------------------------------------------------------------------------------
namespace {

// Every member of TextFormat, for the operations that treat them alike.
template <typename F>
void each_member(TextFormat& a, const TextFormat& b, F&& f) {
    f(a.font, b.font), f(a.size, b.size), f(a.color, b.color), f(a.bold, b.bold), f(a.italic, b.italic);
    f(a.underline, b.underline), f(a.url, b.url), f(a.target, b.target), f(a.kerning, b.kerning);
    f(a.letter_spacing, b.letter_spacing), f(a.align, b.align), f(a.left_margin, b.left_margin);
    f(a.right_margin, b.right_margin), f(a.indent, b.indent), f(a.block_indent, b.block_indent);
    f(a.leading, b.leading), f(a.tab_stops, b.tab_stops), f(a.bullet, b.bullet), f(a.display, b.display);
}

}  // namespace

void TextFormat::merge(const TextFormat& o) {
    each_member(*this, o, [](auto& mine, const auto& theirs) {
        if (theirs) mine = theirs;
    });
}

void TextFormat::intersect(const TextFormat& o) {
    each_member(*this, o, [](auto& mine, const auto& theirs) {
        if (mine != theirs) mine.reset();
    });
}

bool TextFormat::same_font(const TextFormat& o) const {
    return font == o.font && size == o.size && color == o.color && letter_spacing == o.letter_spacing &&
           kerning == o.kerning;
}

bool TextFormat::same_characters(const TextFormat& o) const {
    return same_font(o) && bold == o.bold && italic == o.italic && underline == o.underline && url == o.url &&
           target == o.target;
}

TextFormat TextFormat::paragraph_part() const {
    TextFormat p;
    p.align = align, p.left_margin = left_margin, p.right_margin = right_margin, p.indent = indent;
    p.block_indent = block_indent, p.leading = leading, p.tab_stops = tab_stops, p.bullet = bullet;
    p.display = display;
    return p;
}

void TextFormat::clear_paragraph_part() {
    align.reset(), left_margin.reset(), right_margin.reset(), indent.reset(), block_indent.reset();
    leading.reset(), tab_stops.reset(), bullet.reset(), display.reset();
}

TextFormat default_field_format() {
    TextFormat f;
    f.font = "Times New Roman";
    f.size = 12;
    f.color = 0;
    f.bold = f.italic = f.underline = false;
    f.url = f.target = "";
    f.kerning = false;
    f.letter_spacing = 0;
    f.align = TextAlign::Left;
    f.left_margin = f.right_margin = f.indent = f.block_indent = f.leading = 0;
    f.tab_stops = std::vector<double>{};
    f.bullet = false;
    f.display = "block";
    return f;
}

// ---------------------------------------------------------------------------------------------
// FieldText
// ---------------------------------------------------------------------------------------------
TextFormat FieldText::format_at(size_t i) const {
    if (runs_.empty()) return {};
    size_t pos = 0;
    for (const Run& r : runs_) {
        if (i < pos + r.length) return r.format;
        pos += r.length;
    }
    return runs_.back().format;
}

TextFormat FieldText::common_format(size_t begin, size_t end) const {
    end = std::min(end, size());
    if (begin >= end) return {};
    std::optional<TextFormat> out;
    size_t pos = 0;
    for (const Run& r : runs_) {
        const size_t rb = pos, re = pos + r.length;
        pos = re;
        if (re <= begin || rb >= end) continue;
        if (!out)
            out = r.format;
        else
            out->intersect(r.format);
    }
    return out ? *out : TextFormat{};
}

size_t FieldText::split(size_t at) {
    size_t pos = 0;
    for (size_t i = 0; i < runs_.size(); ++i) {
        if (pos == at) return i;
        if (at < pos + runs_[i].length) {
            Run tail{pos + runs_[i].length - at, runs_[i].format};
            runs_[i].length = at - pos;
            runs_.insert(runs_.begin() + ptrdiff_t(i) + 1, std::move(tail));
            return i + 1;
        }
        pos += runs_[i].length;
    }
    return runs_.size();
}

void FieldText::merge_runs() {
    std::vector<Run> out;
    for (Run& r : runs_) {
        if (r.length == 0) continue;
        if (!out.empty() && out.back().format == r.format)
            out.back().length += r.length;
        else
            out.push_back(std::move(r));
    }
    runs_ = std::move(out);
}

void FieldText::replace(size_t begin, size_t end, std::u16string_view s, const TextFormat& f) {
    end = std::min(end, size());
    begin = std::min(begin, end);
    const size_t first = split(begin);
    const size_t last = split(end);
    runs_.erase(runs_.begin() + ptrdiff_t(first), runs_.begin() + ptrdiff_t(last));
    if (!s.empty()) runs_.insert(runs_.begin() + ptrdiff_t(first), Run{s.size(), f});
    text_.replace(begin, end - begin, s);
    merge_runs();
}

void FieldText::paragraph_at(size_t i, size_t& begin, size_t& end) const {
    begin = i;
    while (begin > 0 && text_[begin - 1] != u'\r') --begin;
    end = i;
    while (end < text_.size() && text_[end] != u'\r') ++end;
    if (end < text_.size()) ++end;
}

void FieldText::apply(size_t begin, size_t end, const TextFormat& f) {
    end = std::min(end, size());
    if (begin >= end) return;
    TextFormat chars = f;
    chars.clear_paragraph_part();
    const TextFormat para = f.paragraph_part();
    auto set_range = [this](size_t b, size_t e, const TextFormat& part) {
        const size_t first = split(b), last = split(e);
        for (size_t i = first; i < last; ++i) runs_[i].format.merge(part);
    };
    set_range(begin, end, chars);
    if (!(para == TextFormat{})) {
        size_t pb, pe, unused;
        paragraph_at(begin, pb, unused);
        paragraph_at(end - 1, unused, pe);
        set_range(pb, pe, para);
    }
    merge_runs();
}

void FieldText::clear() {
    text_.clear();
    runs_.clear();
}

void FieldText::unify_paragraphs() {
    size_t b = 0;
    while (b < text_.size()) {
        size_t pb, pe;
        paragraph_at(b, pb, pe);
        const TextFormat para = format_at(pb).paragraph_part();
        const size_t first = split(pb), last = split(pe);
        for (size_t i = first; i < last; ++i) runs_[i].format.merge(para);
        b = pe;
    }
    merge_runs();
}

std::u16string field_newlines(std::u16string_view s) {
    std::u16string out;
    out.reserve(s.size());
    for (char16_t c : s) out.push_back(c == u'\n' ? u'\r' : c);
    return out;
}

// ---------------------------------------------------------------------------------------------
// Reading HTML
// ---------------------------------------------------------------------------------------------
namespace {

std::string lower_ascii(std::u16string_view s) {
    std::string out;
    for (char16_t c : s) out.push_back(c < 128 ? char(std::tolower(int(c))) : '?');
    return out;
}

bool is_space(char16_t c) { return c == u' ' || c == u'\n' || c == u'\r' || c == u'\t'; }

struct Tag {
    std::string name;  // lower case
    bool closing = false, self_closing = false;
    std::vector<std::pair<std::string, std::u16string>> attributes;  // names lower case

    const std::u16string* attribute(std::string_view n) const {
        for (auto& [k, v] : attributes)
            if (k == n) return &v;
        return nullptr;
    }
};

std::u16string decode_entities(std::u16string_view s) {
    std::u16string out;
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] != u'&') {
            out.push_back(s[i]);
            continue;
        }
        const size_t semi = s.find(u';', i);
        if (semi == std::u16string_view::npos || semi - i > 10) {
            out.push_back(s[i]);
            continue;
        }
        const std::string name = lower_ascii(s.substr(i + 1, semi - i - 1));
        char32_t c = 0;
        if (name == "lt") c = '<';
        else if (name == "gt") c = '>';
        else if (name == "amp") c = '&';
        else if (name == "quot") c = '"';
        else if (name == "apos") c = '\'';
        else if (name == "nbsp") c = 0xA0;
        else if (name.size() > 1 && name[0] == '#') {
            const bool hex = name[1] == 'x';
            const std::string digits = name.substr(hex ? 2 : 1);
            if (!digits.empty() && digits.find_first_not_of(hex ? "0123456789abcdef" : "0123456789") == std::string::npos)
                c = char32_t(std::strtoul(digits.c_str(), nullptr, hex ? 16 : 10) & 0xFFFF);
        }
        if (!c) {
            out.push_back(s[i]);
            continue;
        }
        out.push_back(char16_t(c));
        i = semi;
    }
    return out;
}

// The tag between '<' and '>' (exclusive).
Tag parse_tag(std::u16string_view body) {
    Tag t;
    size_t i = 0;
    if (i < body.size() && body[i] == u'/') {
        t.closing = true;
        ++i;
    }
    while (i < body.size() && is_space(body[i])) ++i;
    const size_t name_start = i;
    while (i < body.size() && !is_space(body[i]) && body[i] != u'/' && body[i] != u'=') ++i;
    t.name = lower_ascii(body.substr(name_start, i - name_start));
    while (i < body.size()) {
        while (i < body.size() && (is_space(body[i]) || body[i] == u'/')) {
            if (body[i] == u'/') t.self_closing = true;
            ++i;
        }
        const size_t ks = i;
        while (i < body.size() && !is_space(body[i]) && body[i] != u'=' && body[i] != u'/') ++i;
        if (i == ks) {
            ++i;
            continue;
        }
        t.self_closing = false;
        std::string key = lower_ascii(body.substr(ks, i - ks));
        while (i < body.size() && is_space(body[i])) ++i;
        std::u16string value;
        if (i < body.size() && body[i] == u'=') {
            ++i;
            while (i < body.size() && is_space(body[i])) ++i;
            if (i < body.size() && (body[i] == u'"' || body[i] == u'\'')) {
                const char16_t q = body[i++];
                const size_t vs = i;
                while (i < body.size() && body[i] != q) ++i;
                value = body.substr(vs, i - vs);
                if (i < body.size()) ++i;
            } else {
                const size_t vs = i;
                while (i < body.size() && !is_space(body[i])) ++i;
                value = body.substr(vs, i - vs);
            }
        }
        t.attributes.emplace_back(std::move(key), decode_entities(value));
    }
    return t;
}

// "#rrggbb" (or "rrggbb"), or nothing.
std::optional<double> html_color(const std::u16string& v) {
    std::string s = lower_ascii(v);
    if (!s.empty() && s[0] == '#') s.erase(0, 1);
    if (s.empty() || s.size() > 8 || s.find_first_not_of("0123456789abcdef") != std::string::npos) return std::nullopt;
    return double(std::strtoul(s.c_str(), nullptr, 16) & 0xFFFFFF);
}

std::optional<double> html_number(const std::u16string& v) {
    const std::string s = utf16_to_utf8(v);
    char* end = nullptr;
    const double d = std::strtod(s.c_str(), &end);
    if (end == s.c_str()) return std::nullopt;
    return d;
}

std::optional<TextAlign> align_from(std::string_view s) {
    if (s == "left") return TextAlign::Left;
    if (s == "right") return TextAlign::Right;
    if (s == "center") return TextAlign::Center;
    if (s == "justify") return TextAlign::Justify;
    return std::nullopt;
}

class HtmlReader {
public:
    HtmlReader(const TextFormat& base, const HtmlOptions& o) : options_(o) { stack_.push_back({"", base}); }

    FieldText run(std::u16string_view html) {
        size_t i = 0;
        while (i < html.size()) {
            if (html[i] == u'<') {
                if (html.substr(i, 4) == u"<!--") {
                    const size_t end = html.find(u"-->", i + 4);
                    i = end == std::u16string_view::npos ? html.size() : end + 3;
                    continue;
                }
                const size_t end = html.find(u'>', i);
                if (end == std::u16string_view::npos) break;
                tag(parse_tag(html.substr(i + 1, end - i - 1)));
                i = end + 1;
                continue;
            }
            const size_t end = std::min(html.find(u'<', i), html.size());
            text(html.substr(i, end - i));
            i = end;
        }
        out_.unify_paragraphs();
        return std::move(out_);
    }

private:
    struct Level {
        std::string tag;
        TextFormat format;
    };

    const TextFormat& current() const { return stack_.back().format; }
    bool at_paragraph_start() const { return out_.empty() || out_.text().back() == u'\r'; }
    void newline() { out_.append(u"\r", current()); }

    // Text between tags. Whitespace alone is dropped, except that SWF8 condenses it like any
    // other: with condenseWhite a run of whitespace is one space, which SWF8 also drops at the
    // start of a paragraph and after another space.
    void text(std::u16string_view raw) {
        const bool across = options_.condense_white && options_.version >= 8;
        bool blank = true;
        for (char16_t c : raw) blank = blank && is_space(c);
        if (blank && !across) return;
        std::u16string s = decode_entities(raw);
        if (options_.condense_white) {
            std::u16string c;
            for (char16_t ch : s) {
                if (!is_space(ch)) {
                    c.push_back(ch);
                    continue;
                }
                if (!c.empty() ? c.back() == u' ' : across && (at_paragraph_start() || out_.text().back() == u' '))
                    continue;
                c.push_back(u' ');
            }
            s = std::move(c);
        } else {
            s = field_newlines(s);
        }
        out_.append(s, current());
    }

    void open(const std::string& name, const TextFormat& f) {
        TextFormat next = current();
        next.merge(f);
        stack_.push_back({name, std::move(next)});
    }

    // A closing tag ends the innermost element only: </b> inside <b><i> is ignored.
    bool close(const std::string& name) {
        if (stack_.size() < 2 || stack_.back().tag != name) return false;
        stack_.pop_back();
        return true;
    }

    bool is_open(const std::string& name) const {
        for (size_t i = 1; i < stack_.size(); ++i)
            if (stack_[i].tag == name) return true;
        return false;
    }

    void tag(const Tag& t) {
        const std::string& n = t.name;
        if (t.closing) {
            if (n == "p") {
                // However <p> nest, one paragraph end follows the first close.
                if (!in_paragraph_) {
                    close("p");
                    return;
                }
                in_paragraph_ = false;
                if (options_.multiline) {
                    // The break has the characters' format the text started with, or that of
                    // the last <font> closed, whatever is open around it.
                    TextFormat f = last_font_ ? *last_font_ : stack_.front().format;
                    f.clear_paragraph_part();
                    f.merge(current().paragraph_part());
                    out_.append(u"\r", f);
                }
                close("p");
            } else if (n == "li") {
                if (!is_open("li")) return;
                if (options_.multiline) newline();
                close("li");
            } else {
                if (n == "font" && stack_.back().tag == "font") {
                    last_font_ = stack_.back().format;
                    last_font_->clear_paragraph_part();
                }
                close(n);
            }
            return;
        }
        TextFormat f;
        if (n == "br" || n == "sbr") {
            if (options_.multiline) newline();
            return;
        }
        if (n == "b") {
            f.bold = true;
        } else if (n == "i") {
            f.italic = true;
        } else if (n == "u") {
            f.underline = true;
        } else if (n == "font") {
            if (auto* v = t.attribute("face")) f.font = utf16_to_utf8(*v);
            if (auto* v = t.attribute("size")) {
                // Whole points from the leading digits, relative after a sign, 1 to 127.
                size_t k = 0;
                const bool relative = !v->empty() && ((*v)[0] == u'+' || (*v)[0] == u'-');
                const bool minus = relative && (*v)[0] == u'-';
                if (relative) ++k;
                double n = 0;
                size_t digits = 0;
                for (; k < v->size() && (*v)[k] >= u'0' && (*v)[k] <= u'9' && digits < 9; ++k, ++digits)
                    n = n * 10 + ((*v)[k] - u'0');
                if (digits) {
                    if (minus) n = -n;
                    if (relative) n += std::trunc(current().size.value_or(12));
                    f.size = std::clamp(n, 1.0, 127.0);
                }
            }
            if (auto* v = t.attribute("color"))
                if (auto c = html_color(*v)) f.color = c;
            if (options_.version >= 8) {
                if (auto* v = t.attribute("letterspacing"))
                    if (auto d = html_number(*v)) f.letter_spacing = *d;
                if (auto* v = t.attribute("kerning"))
                    if (auto d = html_number(*v)) f.kerning = *d != 0;
            }
        } else if (n == "a") {
            if (auto* v = t.attribute("href")) f.url = utf16_to_utf8(*v);
            if (auto* v = t.attribute("target")) f.target = utf16_to_utf8(*v);
        } else if (n == "p") {
            in_paragraph_ = true;
            if (auto* v = t.attribute("align"))
                if (auto a = align_from(lower_ascii(*v))) f.align = a;
        } else if (n == "li") {
            if (options_.multiline && !at_paragraph_start()) newline();
            f.bullet = true;
        } else if (n == "textformat") {
            auto number = [&](const char* key, std::optional<double>& into) {
                if (auto* v = t.attribute(key))
                    if (auto d = html_number(*v)) into = *d;
            };
            number("leftmargin", f.left_margin);
            number("rightmargin", f.right_margin);
            number("indent", f.indent);
            number("blockindent", f.block_indent);
            number("leading", f.leading);
            if (auto* v = t.attribute("tabstops")) {
                std::vector<double> stops;
                const std::string s = utf16_to_utf8(*v);
                size_t p = 0;
                while (p < s.size()) {
                    size_t q = s.find(',', p);
                    if (q == std::string::npos) q = s.size();
                    stops.push_back(std::atof(s.substr(p, q - p).c_str()));
                    p = q + 1;
                }
                f.tab_stops = std::move(stops);
            }
        } else if (n == "span" || n == "img") {
            // style sheets and images are not drawn; their text stays
        } else {
            return;
        }
        if (t.self_closing) return;
        open(n, f);
    }

    HtmlOptions options_;
    std::vector<Level> stack_;
    std::optional<TextFormat> last_font_;
    bool in_paragraph_ = false;
    FieldText out_;
};

}  // namespace

FieldText parse_html(std::u16string_view html, const TextFormat& base, const HtmlOptions& options) {
    return HtmlReader(base, options).run(html);
}

// ---------------------------------------------------------------------------------------------
// Writing HTML
// ---------------------------------------------------------------------------------------------
namespace {

void put(std::u16string& out, std::string_view ascii) {
    for (char c : ascii) out.push_back(char16_t(uint8_t(c)));
}

void put_escaped(std::u16string& out, std::u16string_view s) {
    for (char16_t c : s) {
        switch (c) {
        case u'<': put(out, "&lt;"); break;
        case u'>': put(out, "&gt;"); break;
        case u'&': put(out, "&amp;"); break;
        case u'"': put(out, "&quot;"); break;
        case u'\'': put(out, "&apos;"); break;
        default: out.push_back(c);
        }
    }
}

void put_attribute(std::u16string& out, std::string_view name, const std::string& utf8) {
    out.push_back(u' ');
    put(out, name);
    put(out, "=\"");
    put_escaped(out, utf8_to_utf16(utf8));
    out.push_back(u'"');
}

std::string color_text(double c) {
    static const char* hex = "0123456789ABCDEF";
    const uint32_t v = to_uint32(c) & 0xFFFFFF;
    std::string s = "#";
    for (int shift = 20; shift >= 0; shift -= 4) s.push_back(hex[(v >> shift) & 0xF]);
    return s;
}

const char* align_name(TextAlign a) {
    switch (a) {
    case TextAlign::Right: return "RIGHT";
    case TextAlign::Center: return "CENTER";
    case TextAlign::Justify: return "JUSTIFY";
    default: return "LEFT";
    }
}

// The <FONT> attributes of `f` that differ from `outer` (all of them when there is no outer).
void put_font_attributes(std::u16string& out, const TextFormat& f, const TextFormat* outer) {
    if (!outer || f.font != outer->font) put_attribute(out, "FACE", f.font.value_or(""));
    if (!outer || f.size != outer->size) put_attribute(out, "SIZE", number_to_string(f.size.value_or(0)));
    if (!outer || f.color != outer->color) put_attribute(out, "COLOR", color_text(f.color.value_or(0)));
    if (!outer || f.letter_spacing != outer->letter_spacing)
        put_attribute(out, "LETTERSPACING", number_to_string(f.letter_spacing.value_or(0)));
    if (!outer || f.kerning != outer->kerning) put_attribute(out, "KERNING", f.kerning.value_or(false) ? "1" : "0");
}

void write_paragraph(std::u16string& out, const FieldText& text, size_t begin, size_t end) {
    // The runs of this paragraph; its '\r' takes part with no text of its own.
    struct Piece {
        std::u16string_view chars;
        const TextFormat* format;
    };
    std::vector<Piece> pieces;
    size_t pos = 0;
    for (const FieldText::Run& r : text.runs()) {
        const size_t rb = pos, re = pos + r.length;
        pos = re;
        if (re <= begin || rb >= end) continue;
        const size_t b = std::max(rb, begin), e = std::min(re, end);
        std::u16string_view chars(text.text().data() + b, e - b);
        if (!chars.empty() && chars.back() == u'\r') chars.remove_suffix(1);
        pieces.push_back({chars, &r.format});
    }
    if (pieces.empty()) return;
    const TextFormat& para = *pieces.front().format;

    std::u16string tf;
    auto margin = [&](std::string_view name, const std::optional<double>& v) {
        if (v && *v != 0) put_attribute(tf, name, number_to_string(*v));
    };
    margin("LEFTMARGIN", para.left_margin);
    margin("RIGHTMARGIN", para.right_margin);
    margin("INDENT", para.indent);
    margin("BLOCKINDENT", para.block_indent);
    margin("LEADING", para.leading);
    if (para.tab_stops && !para.tab_stops->empty()) {
        std::string stops;
        for (double d : *para.tab_stops) stops += (stops.empty() ? "" : ",") + number_to_string(d);
        put_attribute(tf, "TABSTOPS", stops);
    }
    if (!tf.empty()) {
        put(out, "<TEXTFORMAT");
        out += tf;
        out.push_back(u'>');
    }
    const bool bullet = para.bullet.value_or(false);
    if (bullet) {
        put(out, "<LI>");
    } else {
        put(out, "<P ALIGN=\"");
        put(out, align_name(para.align.value_or(TextAlign::Left)));
        put(out, "\">");
    }

    std::vector<const TextFormat*> fonts;  // open <FONT> levels, outermost first
    for (const Piece& p : pieces) {
        const TextFormat& f = *p.format;
        if (fonts.empty()) {
            put(out, "<FONT");
            put_font_attributes(out, f, nullptr);
            out.push_back(u'>');
            fonts.push_back(&f);
        } else if (!fonts.back()->same_font(f)) {
            // Back out to an enclosing level with exactly this font, else open one inside.
            size_t match = fonts.size();
            for (size_t i = fonts.size(); i-- > 0;)
                if (fonts[i]->same_font(f)) {
                    match = i;
                    break;
                }
            if (match < fonts.size()) {
                while (fonts.size() > match + 1) {
                    put(out, "</FONT>");
                    fonts.pop_back();
                }
            } else {
                put(out, "<FONT");
                put_font_attributes(out, f, fonts.back());
                out.push_back(u'>');
                fonts.push_back(&f);
            }
        }
        const bool link = f.url && !f.url->empty();
        if (link) {
            put(out, "<A");
            put_attribute(out, "HREF", *f.url);
            put_attribute(out, "TARGET", f.target.value_or(""));
            out.push_back(u'>');
        }
        if (f.bold.value_or(false)) put(out, "<B>");
        if (f.italic.value_or(false)) put(out, "<I>");
        if (f.underline.value_or(false)) put(out, "<U>");
        put_escaped(out, p.chars);
        if (f.underline.value_or(false)) put(out, "</U>");
        if (f.italic.value_or(false)) put(out, "</I>");
        if (f.bold.value_or(false)) put(out, "</B>");
        if (link) put(out, "</A>");
    }
    for (size_t i = 0; i < fonts.size(); ++i) put(out, "</FONT>");
    put(out, bullet ? "</LI>" : "</P>");
    if (!tf.empty()) put(out, "</TEXTFORMAT>");
}

}  // namespace

std::u16string write_html(const FieldText& text) {
    std::u16string out;
    size_t b = 0;
    const size_t n = text.size();
    while (b < n) {
        size_t pb, pe;
        text.paragraph_at(b, pb, pe);
        write_paragraph(out, text, pb, pe);
        b = pe;
    }
    return out;
}

// ---------------------------------------------------------------------------------------------
// The TextFormat class
// ---------------------------------------------------------------------------------------------
namespace {

// The members of a TextFormat object, hung on its `primitive` so subclasses calling super()
// get them too.
class TextFormatData final : public Object {
public:
    TextFormatData() : Object(nullptr, ObjKind::Other) {}
    TextFormat format;
};

TextFormatData* data_of(const Value& self) {
    Object* o = self.object();
    return o ? dynamic_cast<TextFormatData*>(o->primitive.object()) : nullptr;
}

TextFormatData* attach(Vm& vm, const Value& self) {
    Object* o = self.object();
    if (!o) return nullptr;
    if (auto* d = data_of(self)) return d;
    if (!o->primitive.is_undefined()) return nullptr;
    auto* d = vm.heap.make<TextFormatData>();
    o->primitive = Value(static_cast<Object*>(d));
    return d;
}

constexpr double kIntMin = -2147483648.0;

// Whole numbers as the setters store them: SWF8 rounds half to even, older movies truncate;
// anything outside 32 bits (NaN and infinities too) becomes the lowest int.
double whole(Vm& vm, double d) {
    d = vm.version >= 8 ? std::nearbyint(d) : std::trunc(d);
    return std::isfinite(d) && d >= kIntMin && d <= 2147483647.0 ? d : kIntMin;
}

double at_least_zero(Vm& vm, double d) {
    d = vm.version >= 8 ? std::nearbyint(d) : std::trunc(d);
    d = std::max(0.0, d);
    return d <= 2147483647.0 ? d : kIntMin;
}

std::optional<TextAlign> align_of(const std::string& s) { return align_from(fold_case(s)); }

Value align_value(Vm& vm, TextAlign a) {
    switch (a) {
    case TextAlign::Right: return vm.intern("right");
    case TextAlign::Center: return vm.intern("center");
    case TextAlign::Justify: return vm.intern("justify");
    default: return vm.intern("left");
    }
}

enum Member {
    MFont, MSize, MColor, MBold, MItalic, MUnderline, MUrl, MTarget, MAlign, MLeftMargin, MRightMargin,
    MIndent, MLeading, MBlockIndent, MTabStops, MBullet, MKerning, MLetterSpacing, MDisplay, MemberCount
};
constexpr const char* kMemberNames[MemberCount] = {
    "font", "size", "color", "bold", "italic", "underline", "url", "target", "align", "leftMargin",
    "rightMargin", "indent", "leading", "blockIndent", "tabStops", "bullet", "kerning", "letterSpacing",
    "display"};

Value number_or_null(const std::optional<double>& d) { return d ? Value(*d) : Value::null(); }
Value bool_or_null(const std::optional<bool>& b) { return b ? Value(*b) : Value::null(); }
Value string_or_null(Vm& vm, const std::optional<std::string>& s) { return s ? Value(vm.str(*s)) : Value::null(); }

Value get_member(Vm& vm, const TextFormat& f, int m) {
    switch (m) {
    case MFont: return string_or_null(vm, f.font);
    case MSize: return number_or_null(f.size);
    case MColor: return number_or_null(f.color);
    case MBold: return bool_or_null(f.bold);
    case MItalic: return bool_or_null(f.italic);
    case MUnderline: return bool_or_null(f.underline);
    case MUrl: return string_or_null(vm, f.url);
    case MTarget: return string_or_null(vm, f.target);
    case MAlign: return f.align ? align_value(vm, *f.align) : Value::null();
    case MLeftMargin: return number_or_null(f.left_margin);
    case MRightMargin: return number_or_null(f.right_margin);
    case MIndent: return number_or_null(f.indent);
    case MLeading: return number_or_null(f.leading);
    case MBlockIndent: return number_or_null(f.block_indent);
    case MTabStops: {
        if (!f.tab_stops) return Value::null();
        ArrayObject* a = vm.new_array();
        for (double d : *f.tab_stops) a->items.push_back(d);
        return a;
    }
    case MBullet: return bool_or_null(f.bullet);
    case MKerning: return bool_or_null(f.kerning);
    case MLetterSpacing: return number_or_null(f.letter_spacing);
    case MDisplay: return string_or_null(vm, f.display);
    default: return Value();
    }
}

void set_member(Vm& vm, TextFormat& f, int m, const Value& v) {
    const bool unset = v.is_nullish();
    auto number = [&](std::optional<double>& into, double (*conv)(Vm&, double)) {
        if (unset)
            into.reset();
        else
            into = conv(vm, vm.to_number(v));
    };
    auto boolean = [&](std::optional<bool>& into) {
        if (unset)
            into.reset();
        else
            into = vm.to_boolean(v);
    };
    auto string = [&](std::optional<std::string>& into) {
        if (unset)
            into.reset();
        else
            into = vm.to_string(v)->text;
    };
    switch (m) {
    case MFont: string(f.font); break;
    case MSize: number(f.size, whole); break;
    case MColor:
        if (unset)
            f.color.reset();
        else
            f.color = double(to_uint32(vm.to_number(v)));
        break;
    case MBold: boolean(f.bold); break;
    case MItalic: boolean(f.italic); break;
    case MUnderline: boolean(f.underline); break;
    case MUrl: string(f.url); break;
    case MTarget: string(f.target); break;
    case MAlign:
        // Only the four names change it; anything else (null too) leaves it.
        if (!unset)
            if (auto a = align_of(vm.to_string(v)->text)) f.align = a;
        break;
    case MLeftMargin: number(f.left_margin, at_least_zero); break;
    case MRightMargin: number(f.right_margin, at_least_zero); break;
    case MIndent: number(f.indent, [](Vm& vm, double d) { return vm.version >= 8 ? whole(vm, d) : at_least_zero(vm, d); }); break;
    case MLeading: number(f.leading, [](Vm& vm, double d) { return vm.version >= 8 ? whole(vm, d) : at_least_zero(vm, d); }); break;
    case MBlockIndent:
        number(f.block_indent, [](Vm& vm, double d) { return vm.version >= 8 ? whole(vm, d) : at_least_zero(vm, d); });
        break;
    case MTabStops: {
        Object* o = v.object();
        if (!o) {
            f.tab_stops.reset();
            break;
        }
        std::vector<double> stops;
        const double n = vm.to_number(vm.get(o, vm.names.length));
        for (int i = 0; i < n && i < 1000; ++i) {
            Value item = vm.get(o, vm.intern(std::to_string(i)));
            stops.push_back(whole(vm, vm.to_number(item)));
        }
        f.tab_stops = std::move(stops);
        break;
    }
    case MBullet: boolean(f.bullet); break;
    case MKerning: boolean(f.kerning); break;
    case MLetterSpacing: number(f.letter_spacing, [](Vm&, double d) { return d; }); break;
    case MDisplay: {
        const std::string s = unset ? std::string() : vm.to_string(v)->text;
        f.display = s == "inline" || s == "none" ? s : "block";
        break;
    }
    default: break;
    }
}

int member_of(const Args& args) {
    return args.callee && args.callee->native_data.is_number() ? int(args.callee->native_data.n) : -1;
}

Value tf_get(Vm& vm, Value self, const Args& args) {
    TextFormatData* d = data_of(self);
    return d ? get_member(vm, d->format, member_of(args)) : Value();
}

Value tf_set(Vm& vm, Value self, const Args& args) {
    if (TextFormatData* d = data_of(self)) set_member(vm, d->format, member_of(args), args[0]);
    return Value();
}

// new TextFormat(font, size, color, bold, italic, underline, url, target, align, leftMargin,
// rightMargin, indent, leading): numbers are cut to whole values, nothing is clamped.
Value tf_ctor(Vm& vm, Value self, const Args& args) {
    TextFormatData* d = attach(vm, self);
    if (!d) return Value();
    TextFormat& f = d->format;
    f = TextFormat{};
    f.display = "block";
    auto whole_arg = [&](int i) -> std::optional<double> {
        if (args[i].is_nullish()) return std::nullopt;
        const double n = std::trunc(vm.to_number(args[i]));
        return std::isfinite(n) && n >= kIntMin && n <= 2147483647.0 ? n : kIntMin;
    };
    auto bool_arg = [&](int i) -> std::optional<bool> {
        if (args[i].is_nullish()) return std::nullopt;
        return vm.to_boolean(args[i]);
    };
    auto string_arg = [&](int i) -> std::optional<std::string> {
        if (args[i].is_nullish()) return std::nullopt;
        return vm.to_string(args[i])->text;
    };
    f.font = string_arg(0);
    f.size = whole_arg(1);
    if (!args[2].is_nullish()) f.color = double(to_uint32(std::trunc(vm.to_number(args[2]))));
    f.bold = bool_arg(3);
    f.italic = bool_arg(4);
    f.underline = bool_arg(5);
    f.url = string_arg(6);
    f.target = string_arg(7);
    if (!args[8].is_nullish()) f.align = align_of(vm.to_string(args[8])->text);
    f.left_margin = whole_arg(9);
    f.right_margin = whole_arg(10);
    f.indent = whole_arg(11);
    f.leading = whole_arg(12);
    return Value();
}

}  // namespace

Object* make_text_format(Vm& vm, const TextFormat& f) {
    Value ctor = vm.get(vm.global, vm.intern("TextFormat"));
    Object* proto = ctor.is_object() ? vm.get(ctor, vm.names.prototype).object() : nullptr;
    Object* o = vm.new_object(proto ? proto : vm.object_proto);
    auto* d = vm.heap.make<TextFormatData>();
    d->format = f;
    o->primitive = Value(static_cast<Object*>(d));
    return o;
}

TextFormat text_format_of(Vm& vm, const Value& v) {
    TextFormatData* d = data_of(v);
    return d ? d->format : TextFormat{};
}

void install_textformat(Vm& vm) {
    Object* proto = vm.new_object();
    vm.make_class("TextFormat", tf_ctor, proto);
    // for..in lists the newest first: add them backwards so they list in the usual order.
    for (int m = MemberCount; m-- > 0;) {
        AccessorPair* pair = vm.heap.make<AccessorPair>();
        FunctionObject* get = vm.new_native(tf_get);
        FunctionObject* set = vm.new_native(tf_set);
        get->native_data = double(m);
        set->native_data = double(m);
        pair->getter = get;
        pair->setter = set;
        Value v;
        v.type = Type::Object;
        v.o = reinterpret_cast<Object*>(pair);
        proto->put(vm.intern(kMemberNames[m]), v, uint16_t(Accessor | (m == MDisplay ? HideBelow8 : 0)), true);
    }
}

}  // namespace swf::avm1
