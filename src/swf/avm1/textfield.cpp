// Text fields: the TextField prototype's properties and methods, variables bound to fields,
// measuring laid-out text, and Selection (focus and the selected range).
#include <algorithm>
#include <cmath>
#include <unordered_map>

#include "swf/avm1/convert.h"
#include "swf/avm1/runtime.h"
#include "swf/avm1/textfield.h"

namespace swf::avm1 {

namespace {

constexpr double kGutter = 40;  // twips between a field's edge and its text, on every side

std::u16string u16(std::string_view s) { return utf8_to_utf16(s); }
std::string u8(std::u16string_view s) { return utf16_to_utf8(s); }

ClipObject* field_object(const Value& self) {
    Object* o = self.object();
    if (!o || o->kind != ObjKind::TextField) return nullptr;
    auto* c = static_cast<ClipObject*>(o);
    return c->inst ? c : nullptr;
}

// Fields with a variable, per machine, so that assignments to variables reach them.
struct BoundField {
    std::weak_ptr<EditTextDef> state;
    ClipObject* field;
};
std::unordered_map<const Vm*, std::vector<BoundField>>& bound_fields() {
    thread_local std::unordered_map<const Vm*, std::vector<BoundField>> all;
    return all;
}

// ---------------------------------------------------------------------------------------------
// Fonts for measuring
// ---------------------------------------------------------------------------------------------
struct FontFace {
    const FontDef* font = nullptr;  // embedded outlines with layout, when the movie has them
    double em = 1024;
    double ascent = 905, descent = 212;
};

FontFace find_face(const Movie* movie, const TextFormat& f) {
    FontFace face;
    if (!movie || !f.font) return face;
    const std::string want = fold_case(*f.font);
    const FontDef* best = nullptr;
    int best_score = -1;
    for (const auto& [id, ch] : movie->dictionary) {
        if (!ch || ch->kind != CharKind::Font) continue;
        const auto* font = static_cast<const FontDef*>(ch.get());
        if (!font->has_layout || font->glyphs.empty() || fold_case(font->name) != want) continue;
        const int score = (font->bold == f.bold.value_or(false)) + (font->italic == f.italic.value_or(false));
        if (score > best_score) best = font, best_score = score;
    }
    if (best) {
        face.font = best;
        face.em = best->units_per_em;
        face.ascent = best->ascent;
        face.descent = best->descent;
    }
    return face;
}

double advance_units(const FontFace& face, char16_t c) {
    if (face.font) {
        const int i = face.font->glyph_for(c);
        return i >= 0 ? face.font->glyphs[size_t(i)].advance : 0;
    }
    return c == u' ' ? face.em / 4 : face.em / 2;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Layout
// ---------------------------------------------------------------------------------------------
TextLayout layout_field(const EditState& field) {
    TextLayout out;
    const FieldText& content = field.content;
    const std::u16string& text = content.text();
    const double field_width = field.bounds.width() - 2 * kGutter;

    // Faces of the runs, looked up once each.
    std::vector<FontFace> faces;
    std::vector<size_t> run_of(text.size() + 1);
    {
        size_t pos = 0, r = 0;
        for (const FieldText::Run& run : content.runs()) {
            faces.push_back(find_face(field.movie, run.format));
            for (size_t i = 0; i < run.length; ++i) run_of[pos + i] = r;
            pos += run.length;
            ++r;
        }
        run_of[text.size()] = r ? r - 1 : 0;
    }
    const TextFormat fallback = field.new_format;
    const FontFace fallback_face = faces.empty() ? find_face(field.movie, fallback) : FontFace{};
    auto format_of = [&](size_t i) -> const TextFormat& {
        return content.runs().empty() ? fallback : content.runs()[run_of[std::min(i, text.size())]].format;
    };
    auto face_of = [&](size_t i) -> const FontFace& {
        return faces.empty() ? fallback_face : faces[run_of[std::min(i, text.size())]];
    };
    auto scale_of = [&](size_t i) { return format_of(i).size.value_or(12) * 20 / face_of(i).em; };

    double y = kGutter;
    size_t p = 0;
    bool more = true;
    while (more) {
        // One paragraph: [p, pe) without its '\r'.
        size_t pe = p;
        while (pe < text.size() && text[pe] != u'\r') ++pe;
        const TextFormat& para = format_of(p);
        const double left = (para.left_margin.value_or(0) + para.block_indent.value_or(0)) * 20;
        const double right = para.right_margin.value_or(0) * 20;
        const double leading = para.leading.value_or(0) * 20;
        bool first_line = true;
        size_t b = p;
        do {
            TextLine line;
            line.begin = b;
            const double indent = first_line ? para.indent.value_or(0) * 20 : 0;
            const double room = field_width - left - right - indent;
            double x = 0;
            size_t i = b, last_space = SIZE_MAX;
            double width_at_space = 0;
            for (; i < pe; ++i) {
                const char16_t c = text[i];
                double adv = std::floor(advance_units(face_of(i), c) * scale_of(i));
                adv += format_of(i).letter_spacing.value_or(0) * 20;
                if (field.word_wrap && x + adv > room && i > b && c != u' ') {
                    if (last_space != SIZE_MAX) {
                        i = last_space + 1;
                        x = width_at_space;
                    }
                    break;
                }
                x += adv;
                if (c == u' ') {
                    last_space = i;
                    width_at_space = x;  // a wrapped line keeps its space
                }
            }
            line.end = i;
            line.width = x;
            // SWF8 lets trailing spaces hang past right and centred lines.
            const TextAlign align = para.align.value_or(TextAlign::Left);
            if (field.version >= 8 && (align == TextAlign::Right || align == TextAlign::Center)) {
                for (size_t k = line.end; k > line.begin && text[k - 1] == u' '; --k)
                    line.width -= std::floor(advance_units(face_of(k - 1), u' ') * scale_of(k - 1)) +
                                  format_of(k - 1).letter_spacing.value_or(0) * 20;
            }
            // Line height from the characters on it (an empty line takes its break's format).
            const size_t from = line.begin, to = std::max(line.end, line.begin + 1);
            for (size_t k = from; k < to; ++k) {
                const FontFace& face = face_of(k);
                const double s = scale_of(k);
                line.ascent = std::max(line.ascent, std::floor(face.ascent * s));
                line.descent = std::max(line.descent, std::floor(face.descent * s));
            }
            line.leading = leading;
            line.x = kGutter + left + indent;
            const double free = room - line.width;
            switch (para.align.value_or(TextAlign::Left)) {
            case TextAlign::Right: line.x += std::max(0.0, free); break;
            case TextAlign::Center: line.x += std::max(0.0, std::floor(free / 2)); break;
            default: break;
            }
            line.y = y;
            y += line.ascent + line.descent + line.leading;
            out.width = std::max(out.width, line.width + left + indent + right);
            out.lines.push_back(line);
            first_line = false;
            b = line.end;
        } while (b < pe);
        if (pe < text.size()) {
            out.lines.back().end = pe + 1;  // the '\r' belongs to the paragraph's last line
            p = pe + 1;
        } else {
            more = false;
        }
    }
    if (text.empty()) {
        out.lines.resize(1);
        out.width = out.height = 0;
        return out;
    }
    // The text is as tall as its last line's bottom, leading left out, but never less than the
    // first line with its leading.
    const TextLine& first = out.lines.front();
    const TextLine& last = out.lines.back();
    out.height = std::max(first.ascent + first.descent + first.leading, last.y - kGutter + last.ascent + last.descent);
    return out;
}

namespace {

// Visible lines from 1-based `scroll`: the last one that fits (at least `scroll` itself).
int bottom_scroll(const TextLayout& layout, const EditState& f, int scroll) {
    const double room = f.bounds.height() - 2 * kGutter;
    const int n = int(layout.lines.size());
    double h = 0;
    int last = scroll;
    for (int i = scroll; i <= n; ++i) {
        const TextLine& l = layout.lines[size_t(i - 1)];
        h += l.ascent + l.descent;
        if (h > room && i > scroll) break;
        last = i;
        h += l.leading;
    }
    return last;
}

int max_scroll(const TextLayout& layout, const EditState& f) {
    const double room = f.bounds.height() - 2 * kGutter;
    const int n = int(layout.lines.size());
    double h = 0;
    int first = n;
    for (int i = n; i >= 1; --i) {
        const TextLine& l = layout.lines[size_t(i - 1)];
        h += l.ascent + l.descent + (i < n ? l.leading : 0);
        if (h > room && i < n) break;
        first = i;
    }
    return std::max(1, first);
}

double max_hscroll(const TextLayout& layout, const EditState& f) {
    if (f.word_wrap) return 0;
    const double room = f.bounds.width() - 2 * kGutter;
    return std::max(0.0, std::floor((layout.width - room) / 20));
}

// ---------------------------------------------------------------------------------------------
// Field state
// ---------------------------------------------------------------------------------------------
TextFormat format_from_definition(const EditTextDef& def, const Movie* movie) {
    TextFormat f = default_field_format();
    if (const Character* ch = movie && def.font ? movie->find(def.font) : nullptr; ch && ch->kind == CharKind::Font) {
        const auto* font = static_cast<const FontDef*>(ch);
        f.font = font->name;
        // An HTML field's text says what is bold or italic, not its font.
        f.bold = font->bold && !def.html;
        f.italic = font->italic && !def.html;
    }
    f.size = def.height / 20.0;
    f.color = def.has_color ? double(uint32_t(def.color.r) << 16 | uint32_t(def.color.g) << 8 | def.color.b) : 0.0;
    f.align = def.align >= 0 && def.align <= 3 ? TextAlign(def.align) : TextAlign::Left;
    f.left_margin = std::trunc(def.left_margin / 20.0);
    f.right_margin = std::trunc(def.right_margin / 20.0);
    f.indent = std::trunc(int16_t(uint16_t(def.indent)) / 20.0);
    f.leading = std::trunc(int16_t(uint16_t(def.leading)) / 20.0);
    return f;
}

HtmlOptions html_options(const EditState& s) {
    HtmlOptions o;
    o.multiline = s.multiline;
    o.condense_white = s.condense_white;
    o.version = s.version;
    return o;
}

void set_plain(EditState& s, std::u16string_view text) {
    s.content.clear();
    s.content.append(field_newlines(text), s.new_format);
}

void set_html(EditState& s, std::u16string_view html) {
    s.content = parse_html(html, s.new_format, html_options(s));
}

std::shared_ptr<EditState> make_state(Vm& vm, ClipObject* c) {
    const EditTextDef* def = nullptr;
    const bool scripted = c->inst->edit != nullptr;  // createTextField gives its field one
    if (scripted)
        def = c->inst->edit.get();
    else if (c->inst->character && c->inst->character->kind == CharKind::EditText)
        def = static_cast<const EditTextDef*>(c->inst->character);
    auto s = std::make_shared<EditState>();
    if (def) static_cast<EditTextDef&>(*s) = *def;
    s->movie = c->parent ? &c->parent->movie() : nullptr;
    s->version = s->movie ? s->movie->version : vm.version;
    s->new_format = format_from_definition(*s, s->movie);
    s->layout_twips = {s->left_margin, s->right_margin, int16_t(uint16_t(s->indent)), int16_t(uint16_t(s->leading))};
    s->auto_size_mode = s->auto_size ? AutoSize::Left : AutoSize::None;
    s->selectable = !s->no_select;
    s->editable = !s->read_only && !scripted;  // fields made by script start dynamic
    s->background_on = s->border;
    s->html_text = s->html;
    if (s->max_length > 0) s->max_chars = s->max_length;
    s->initial_html = s->html;
    if (!s->text.empty()) {
        s->initial_text = u16(decode_file_string(s->text, s->version));
        if (s->html)
            set_html(*s, s->initial_text);
        else
            set_plain(*s, s->initial_text);
    }
    // An HTML field's alignment is its text's: with none, text set later starts on the left.
    if (s->html) s->new_format.align = s->content.empty() ? TextAlign::Left : s->content.format_at(0).align;
    c->inst->edit = s;
    c->inst->character = s.get();
    return s;
}

// Where a field's variable lives: the clip its path names (from the field's parent) and the name.
bool variable_place(Vm& vm, ClipObject* field, const std::string& variable, Object*& target, Str*& name) {
    if (variable.empty() || !field->parent) return false;
    Object* base = field->parent->object;
    size_t cut = variable.rfind(':');
    if (cut == std::string::npos) cut = variable.rfind('.');
    std::string path = cut == std::string::npos ? std::string() : variable.substr(0, cut);
    std::string last = cut == std::string::npos ? variable : variable.substr(cut + 1);
    if (last.empty()) return false;
    target = path.empty() ? base : resolve_clip_path(vm, base, path, nullptr);
    if (!target) return false;
    name = vm.intern(last);
    return true;
}

// What the field shows as its variable's value: HTML fields read it as HTML.
void show_value(EditState& s, const std::string& value) {
    if (s.html_text)
        set_html(s, u16(value));
    else
        set_plain(s, u16(value));
}

std::string field_source(const EditState& s) { return u8(s.html_text ? write_html(s.content) : s.content.text()); }

// The variable's value when the field last looked, kept on the field where the collector sees it.
Str* seen_name(Vm& vm) { return vm.intern("\x01variable"); }


// Shows `v` if the variable changed since the field last looked (the same object shows what it
// showed, whatever its toString says now).
void take_value(Vm& vm, ClipObject* field, EditState& s, const Value& v) {
    Property* seen = field->find_own(seen_name(vm), true);
    if (seen && strictly_equal(seen->value, v)) return;
    field->put(seen_name(vm), v, DontEnum, true);
    if (v.is_undefined()) return;
    show_value(s, vm.to_string(v)->text);
    field_changed(vm, field, s, false);
}

void refresh_from_variable(Vm& vm, ClipObject* field, EditState& s) {
    if (s.variable.empty()) return;
    Object* target;
    Str* name;
    if (!variable_place(vm, field, s.variable, target, name)) return;
    take_value(vm, field, s, vm.get(target, name));
}

// The field's text goes to its variable; what the variable then holds is what the field saw
// (a read-only variable keeps its value and the field its text).
void write_variable(Vm& vm, ClipObject* field, EditState& s) {
    if (s.variable.empty()) return;
    Object* target;
    Str* name;
    if (!variable_place(vm, field, s.variable, target, name)) return;
    vm.set(target, name, vm.str(field_source(s)));
    field->put(seen_name(vm), vm.get(target, name), DontEnum, true);
}

// A new variable: its value if it has one, else it gets the field's first text.
void attach_variable(Vm& vm, ClipObject* field, EditState& s, bool placing) {
    Object* target;
    Str* name;
    if (!variable_place(vm, field, s.variable, target, name)) return;
    Value v = vm.get(target, name);
    if (!v.is_undefined()) {
        field->remove(seen_name(vm), true);
        take_value(vm, field, s, v);
        return;
    }
    if (!placing) {
        if (s.initial_html)
            set_html(s, s.initial_text);
        else
            set_plain(s, s.initial_text);
    }
    if (s.initial_text.empty()) {
        field->put(seen_name(vm), Value(), DontEnum, true);
        return;
    }
    write_variable(vm, field, s);
}

void bind_field(Vm& vm, ClipObject* field, const std::shared_ptr<EditState>& s) {
    auto& list = bound_fields()[&vm];
    list.erase(std::remove_if(list.begin(), list.end(), [](const BoundField& b) { return b.state.expired(); }),
               list.end());
    list.push_back({s, field});
}

EditState* live_state(Vm& vm, ClipObject* field) {
    EditState* s = field_state(vm, field);
    if (s) refresh_from_variable(vm, field, *s);
    return s;
}

// Sizes an autoSize field around its text, keeping the side it is anchored to.
void fit_to_text(ClipObject* field, EditState& s) {
    if (s.auto_size_mode == AutoSize::None) return;
    const TextLayout layout = layout_field(s);
    const double w = std::ceil(layout.width) + 2 * kGutter, h = std::ceil(layout.height) + 2 * kGutter;
    if (!s.word_wrap) {
        const double old_w = s.bounds.width();
        double shift = 0;
        if (s.auto_size_mode == AutoSize::Right) shift = old_w - w;
        if (s.auto_size_mode == AutoSize::Center) shift = (old_w - w) / 2;
        s.bounds.xmin += int32_t(std::round(shift));
        s.bounds.xmax = s.bounds.xmin + int32_t(w);
    }
    s.bounds.ymax = s.bounds.ymin + int32_t(h);
}

// The drawing side reads the EditTextDef part: give it the text and the look scripts set.
void sync_drawing(EditState& s) {
    const FieldText& c = s.content;
    // Plain text when one format covers it all and the drawing needs nothing from the markup.
    bool uniform = c.runs().empty() || !c.runs()[0].format.kerning.value_or(false);
    for (size_t i = 1; i < c.runs().size(); ++i)
        uniform = uniform && c.runs()[i].format.same_characters(c.runs()[0].format);
    const TextFormat first = c.empty() ? s.new_format : c.format_at(0);
    if (uniform) {
        s.text = u8(c.text());
        for (char& ch : s.text)
            if (ch == '\r') ch = '\n';
        s.EditTextDef::html = false;
    } else {
        s.text = u8(write_html(c));
        s.EditTextDef::html = true;
    }
    const uint32_t rgb = to_uint32(first.color.value_or(0));
    s.color = RGBA{uint8_t(rgb >> 16), uint8_t(rgb >> 8), uint8_t(rgb), 255};
    s.has_color = true;
    s.height = int(std::lround(first.size.value_or(12) * 20));
    s.align = int(first.align.value_or(TextAlign::Left));
    // Scripts see whole pixels; the definition's own twips stay while they still agree.
    auto twips = [](const std::optional<double>& px, int original) {
        const double p = px.value_or(0);
        return std::trunc(original / 20.0) == p ? original : int(p * 20);
    };
    s.left_margin = twips(first.left_margin, s.layout_twips[0]);
    s.right_margin = twips(first.right_margin, s.layout_twips[1]);
    s.indent = twips(first.indent, s.layout_twips[2]);
    s.leading = twips(first.leading, s.layout_twips[3]);
    const FontFace face = find_face(s.movie, first);
    if (face.font) s.font = face.font->id;
    auto opaque = [](uint32_t c) { return RGBA{uint8_t(c >> 16), uint8_t(c >> 8), uint8_t(c), 255}; };
    s.EditTextDef::background = s.background_on;
    s.background_color = opaque(s.background_rgb);
    s.border_color = opaque(s.border_rgb);
}

}  // namespace

EditState* field_state(Vm& vm, Object* o) {
    if (!o || o->kind != ObjKind::TextField) return nullptr;
    auto* c = static_cast<ClipObject*>(o);
    if (!c->inst) return nullptr;
    if (auto* s = dynamic_cast<EditState*>(c->inst->edit.get())) return s;
    return make_state(vm, c).get();
}

void field_changed(Vm& vm, ClipObject* field, EditState& s, bool text_changed) {
    fit_to_text(field, s);
    if (s.scroll > 1) s.scroll = std::min(s.scroll, max_scroll(layout_field(s), s));
    if (text_changed) write_variable(vm, field, s);
    sync_drawing(s);
}

void text_field_placed(Vm& vm, ClipObject* field) {
    if (!field->inst) return;
    std::shared_ptr<EditState> s = make_state(vm, field);
    // Every field is a broadcaster that hears itself.
    ArrayObject* listeners = vm.new_array();
    listeners->items.push_back(Value(static_cast<Object*>(field)));
    field->put(vm.names._listeners, listeners, DontEnum, vm.case_sensitive());
    if (!s->variable.empty()) {
        bind_field(vm, field, s);
        attach_variable(vm, field, *s, true);
    }
    fit_to_text(field, *s);
    sync_drawing(*s);
}

void text_variable_set(Vm& vm, Object* clip, Str* name, const Value& v) {
    auto it = bound_fields().find(&vm);
    if (it == bound_fields().end() || it->second.empty()) return;
    const bool cs = vm.case_sensitive();
    for (size_t i = 0; i < it->second.size(); ++i) {
        auto state = it->second[i].state.lock();
        if (!state) continue;
        auto* s = static_cast<EditState*>(state.get());
        ClipObject* field = it->second[i].field;
        Object* target;
        Str* var;
        if (!variable_place(vm, field, s->variable, target, var) || target != clip) continue;
        if (cs ? var != name : var->folded != name->folded) continue;
        take_value(vm, field, *s, v);
    }
}

bool text_field_get_property(Vm& vm, ClipObject* field, int index, Value& out) {
    if (index != PropWidth && index != PropHeight && index != PropX && index != PropY) return false;
    EditState* s = field_state(vm, field);
    if (!s || !field->inst) return false;
    // A field's position counts its box's corner: a field drawn from (120, 140) twips is at 6, 7.
    if (index == PropX || index == PropY) {
        const Matrix& m = field->inst->matrix;
        out = (index == PropX ? m.tx + s->bounds.xmin : m.ty + s->bounds.ymin) / 20;
        return true;
    }
    const Matrix& m = field->inst->matrix;
    const Rect& r = s->bounds;
    const double xs[2] = {double(r.xmin), double(r.xmax)}, ys[2] = {double(r.ymin), double(r.ymax)};
    double x0 = 1e300, x1 = -1e300, y0 = 1e300, y1 = -1e300;
    // Corners land on whole twips.
    for (double x : xs)
        for (double y : ys) {
            const double px = std::round(m.apply_x(x, y)), py = std::round(m.apply_y(x, y));
            x0 = std::min(x0, px), x1 = std::max(x1, px);
            y0 = std::min(y0, py), y1 = std::max(y1, py);
        }
    out = (index == PropWidth ? x1 - x0 : y1 - y0) / 20;
    return true;
}

bool text_field_set_property(Vm& vm, ClipObject* field, int index, const Value& v) {
    if (index != PropWidth && index != PropHeight && index != PropX && index != PropY) return false;
    EditState* s = field_state(vm, field);
    if (!s) return false;
    if (index == PropX || index == PropY) {
        // As for clips, then less the box's corner.
        clip_set_property(vm, field, index, v);
        Matrix& m = field->inst->matrix;
        (index == PropX ? m.tx : m.ty) -= index == PropX ? s->bounds.xmin : s->bounds.ymin;
        return true;
    }
    const double n = vm.to_number(v);
    if (!std::isfinite(n)) return true;
    // A field's width and height set its own box, in its own units, whatever its scale.
    const double twips = std::max(0.0, std::round(n * 20));
    if (index == PropWidth)
        s->bounds.xmax = s->bounds.xmin + int32_t(std::min(twips, 1e8));
    else
        s->bounds.ymax = s->bounds.ymin + int32_t(std::min(twips, 1e8));
    field_changed(vm, field, *s, false);
    return true;
}

namespace {

// ---------------------------------------------------------------------------------------------
// TextField properties
// ---------------------------------------------------------------------------------------------
enum FieldProp {
    // In the order they are added: for..in lists the newest first.
    FGridFitType, FAntiAliasType, FThickness, FSharpness, FFilters, FScroll, FMaxScroll, FBorderColor,
    FBackgroundColor, FTextColor, FTabIndex, FAutoSize, FText, FType, FHtmlText, FVariable, FHScroll,
    FMaxHScroll, FMaxChars, FEmbedFonts, FHtml, FBorder, FBackground, FWordWrap, FPassword, FMultiline,
    FSelectable, FLength, FBottomScroll, FTextWidth, FTextHeight, FRestrict, FCondenseWhite,
    FMouseWheelEnabled, FStyleSheet, FieldPropCount
};
constexpr const char* kFieldPropNames[FieldPropCount] = {
    "gridFitType", "antiAliasType", "thickness", "sharpness", "filters", "scroll", "maxscroll",
    "borderColor", "backgroundColor", "textColor", "tabIndex", "autoSize", "text", "type", "htmlText",
    "variable", "hscroll", "maxhscroll", "maxChars", "embedFonts", "html", "border", "background",
    "wordWrap", "password", "multiline", "selectable", "length", "bottomScroll", "textWidth",
    "textHeight", "restrict", "condenseWhite", "mouseWheelEnabled", "styleSheet"};

// Members kept as hidden properties of the field object (script values the collector must see).
Str* hidden_name(Vm& vm, FieldProp p) {
    return vm.intern(p == FStyleSheet ? "\x01styleSheet" : p == FFilters ? "\x01filters" : "\x01tabIndex");
}

int prop_of(const Args& args) {
    return args.callee && args.callee->native_data.is_number() ? int(args.callee->native_data.n) : -1;
}

Value color_value(double c) { return double(to_uint32(c) & 0xFFFFFF); }

const char* auto_size_name(AutoSize a) {
    switch (a) {
    case AutoSize::Left: return "left";
    case AutoSize::Center: return "center";
    case AutoSize::Right: return "right";
    default: return "none";
    }
}

Value field_get(Vm& vm, Value self, const Args& args) {
    const int p = prop_of(args);
    ClipObject* field = field_object(self);
    EditState* s = field ? live_state(vm, field) : nullptr;
    if (!s) {
        // The newer members stay ordinary slots on anything but a field.
        return Value();
    }
    switch (p) {
    case FText: {
        std::string t = u8(s->content.text());
        return vm.str(std::move(t));
    }
    case FHtmlText: return vm.str(s->html_text ? u8(write_html(s->content)) : u8(s->content.text()));
    case FHtml: return s->html_text;
    case FLength: return double(s->content.size());
    case FVariable: return s->variable.empty() ? Value::null() : Value(vm.str(s->variable));
    case FTextColor: {
        const TextFormat f = s->content.empty() ? s->new_format : s->content.format_at(0);
        return color_value(f.color.value_or(0));
    }
    case FBackground: return s->background_on;
    case FBackgroundColor: return double(s->background_rgb);
    case FBorder: return s->border;
    case FBorderColor: return double(s->border_rgb);
    case FAutoSize: return vm.intern(auto_size_name(s->auto_size_mode));
    case FWordWrap: return s->word_wrap;
    case FMultiline: return s->multiline;
    case FSelectable: return s->selectable;
    case FPassword: return s->password;
    case FEmbedFonts: return s->use_outlines;
    case FCondenseWhite: return s->condense_white;
    case FMouseWheelEnabled: return s->mouse_wheel;
    case FType: return vm.intern(s->editable ? "input" : "dynamic");
    case FMaxChars: return s->max_chars ? Value(*s->max_chars) : Value::null();
    case FRestrict: return s->restrict_chars ? Value(vm.str(*s->restrict_chars)) : Value::null();
    case FTextWidth: return std::floor(layout_field(*s).width / 20);
    case FTextHeight: return std::floor(layout_field(*s).height / 20);
    case FScroll: return double(s->scroll);
    case FMaxScroll: return double(max_scroll(layout_field(*s), *s));
    case FBottomScroll: return double(bottom_scroll(layout_field(*s), *s, s->scroll));
    case FHScroll: return double(s->hscroll);
    case FMaxHScroll: return max_hscroll(layout_field(*s), *s);
    case FAntiAliasType: return vm.intern(s->anti_alias_type);
    case FGridFitType: return vm.intern(s->grid_fit_type);
    case FSharpness: return s->sharpness;
    case FThickness: return s->thickness;
    case FFilters: {
        ArrayObject* copy = vm.new_array();
        if (Object* a = vm.get(field, hidden_name(vm, FFilters)).object(); a && a->kind == ObjKind::Array)
            copy->items = static_cast<ArrayObject*>(a)->items;
        return copy;
    }
    case FTabIndex:
    case FStyleSheet: {
        Property* prop = field->find_own(hidden_name(vm, FieldProp(p)), true);
        return prop ? prop->value : Value();
    }
    default: return Value();
    }
}

bool is_newer_member(int p) {
    return p == FGridFitType || p == FAntiAliasType || p == FThickness || p == FSharpness || p == FFilters;
}

Value field_set(Vm& vm, Value self, const Args& args) {
    const int p = prop_of(args);
    const Value v = args[0];
    ClipObject* field = field_object(self);
    EditState* s = field ? live_state(vm, field) : nullptr;
    if (!s) {
        // Anything else that inherits these keeps what it is given of the newer members.
        if (Object* o = self.object(); o && is_newer_member(p)) o->put(vm.intern(kFieldPropNames[p]), v, 0, vm.case_sensitive());
        return Value();
    }
    bool text_changed = false;
    switch (p) {
    case FText:
        set_plain(*s, u16(vm.to_string(v)->text));
        text_changed = true;
        break;
    case FHtmlText:
        if (s->html_text)
            set_html(*s, u16(vm.to_string(v)->text));
        else
            set_plain(*s, u16(vm.to_string(v)->text));
        text_changed = true;
        break;
    case FHtml: s->html_text = vm.to_boolean(v); break;
    case FVariable: {
        s->variable = v.is_nullish() ? std::string() : vm.to_string(v)->text;
        if (!s->variable.empty()) {
            bind_field(vm, field, std::static_pointer_cast<EditState>(field->inst->edit));
            attach_variable(vm, field, *s, false);
        }
        break;
    }
    case FTextColor: {
        TextFormat f;
        f.color = double(to_uint32(vm.to_number(v)) & 0xFFFFFF);
        s->content.apply(0, s->content.size(), f);
        s->new_format.merge(f);
        break;
    }
    case FBackground: s->background_on = vm.to_boolean(v); break;
    case FBackgroundColor: s->background_rgb = to_uint32(vm.to_number(v)) & 0xFFFFFF; break;
    case FBorder: s->border = vm.to_boolean(v); break;
    case FBorderColor: s->border_rgb = to_uint32(vm.to_number(v)) & 0xFFFFFF; break;
    case FAutoSize: {
        AutoSize a = AutoSize::None;
        if (v.is_bool()) {
            a = v.b ? AutoSize::Left : AutoSize::None;
        } else {
            const std::string t = vm.to_string(v)->text;
            if (t == "left") a = AutoSize::Left;
            else if (t == "center") a = AutoSize::Center;
            else if (t == "right") a = AutoSize::Right;
        }
        s->auto_size_mode = a;
        break;
    }
    case FWordWrap: s->word_wrap = vm.to_boolean(v); break;
    case FMultiline: s->multiline = vm.to_boolean(v); break;
    case FSelectable: s->selectable = vm.to_boolean(v); break;
    case FPassword: s->password = vm.to_boolean(v); break;
    case FEmbedFonts: s->use_outlines = vm.to_boolean(v); break;
    case FCondenseWhite: s->condense_white = vm.to_boolean(v); break;
    case FMouseWheelEnabled: s->mouse_wheel = vm.to_boolean(v); break;
    case FType: {
        const std::string t = fold_case(vm.to_string(v)->text);
        if (t == "input") s->editable = true;
        else if (t == "dynamic") s->editable = false;
        break;
    }
    case FMaxChars: {
        const double n = vm.to_number(v);
        if (v.is_nullish() || !(n >= 1))
            s->max_chars.reset();
        else
            s->max_chars = double(to_int32(n));
        break;
    }
    case FRestrict:
        if (v.is_nullish())
            s->restrict_chars.reset();
        else
            s->restrict_chars = vm.to_string(v)->text;
        break;
    case FScroll: {
        const TextLayout layout = layout_field(*s);
        const int32_t index = int32_t(uint32_t(to_int32(vm.to_number(v))) - 1u);
        s->scroll = std::clamp(index, 0, max_scroll(layout, *s) - 1) + 1;
        break;
    }
    case FHScroll: {
        const TextLayout layout = layout_field(*s);
        s->hscroll = std::clamp(to_int32(vm.to_number(v)), 0, int(max_hscroll(layout, *s)));
        break;
    }
    case FAntiAliasType: {
        const std::string t = vm.to_string(v)->text;
        if (t == "normal" || t == "advanced") s->anti_alias_type = t;
        break;
    }
    case FGridFitType: {
        const std::string t = vm.to_string(v)->text;
        if (t == "none" || t == "pixel" || t == "subpixel") s->grid_fit_type = t;
        break;
    }
    case FSharpness: s->sharpness = std::clamp(vm.to_number(v), -400.0, 400.0); break;
    case FThickness: s->thickness = std::clamp(vm.to_number(v), -200.0, 200.0); break;
    case FFilters:
    case FTabIndex:
    case FStyleSheet: field->put(hidden_name(vm, FieldProp(p)), v, DontEnum, true); break;
    default: return Value();
    }
    field_changed(vm, field, *s, text_changed);
    return Value();
}

// ---------------------------------------------------------------------------------------------
// TextField methods
// ---------------------------------------------------------------------------------------------
// [begin, end) from optional arguments, within the text.
void range_of(Vm& vm, const EditState& s, const Args& args, int count, size_t& begin, size_t& end) {
    const size_t n = s.content.size();
    begin = 0, end = n;
    if (count >= 1) {
        const double b = vm.to_number(args[0]);
        begin = b > 0 ? size_t(std::min(b, double(n))) : 0;
        end = begin + 1;
    }
    if (count >= 2) {
        const double e = vm.to_number(args[1]);
        end = e > 0 ? size_t(std::min(e, double(n))) : 0;
    }
    end = std::min(end, n);
}

Value tf_get_text_format(Vm& vm, Value self, const Args& args) {
    ClipObject* field = field_object(self);
    EditState* s = field ? live_state(vm, field) : nullptr;
    if (!s) return Value();
    size_t begin, end;
    range_of(vm, *s, args, std::min(args.size(), 2), begin, end);
    if (s->content.empty()) return make_text_format(vm, s->new_format);
    if (begin >= end) {
        if (args.size() == 1) return make_text_format(vm, s->content.format_at(begin));
        return make_text_format(vm, TextFormat{});
    }
    return make_text_format(vm, s->content.common_format(begin, end));
}

Value tf_set_text_format(Vm& vm, Value self, const Args& args) {
    ClipObject* field = field_object(self);
    EditState* s = field ? live_state(vm, field) : nullptr;
    if (!s || args.size() < 1) return Value();
    const TextFormat f = text_format_of(vm, args[args.size() - 1]);
    size_t begin, end;
    range_of(vm, *s, args, std::min(args.size() - 1, 2), begin, end);
    s->content.apply(begin, end, f);
    field_changed(vm, field, *s, true);
    return Value();
}

Value tf_get_new_text_format(Vm& vm, Value self, const Args&) {
    ClipObject* field = field_object(self);
    EditState* s = field ? live_state(vm, field) : nullptr;
    return s ? Value(make_text_format(vm, s->new_format)) : Value();
}

Value tf_set_new_text_format(Vm& vm, Value self, const Args& args) {
    ClipObject* field = field_object(self);
    EditState* s = field ? live_state(vm, field) : nullptr;
    if (!s) return Value();
    s->new_format.merge(text_format_of(vm, args[0]));
    return Value();
}

Value tf_replace_text(Vm& vm, Value self, const Args& args) {
    ClipObject* field = field_object(self);
    EditState* s = field ? live_state(vm, field) : nullptr;
    if (!s || args.size() < 3) return Value();
    const double b = vm.to_number(args[0]), e = vm.to_number(args[1]);
    const size_t n = s->content.size();
    if (!(b >= 0) || !(e >= b)) return Value();
    const size_t begin = size_t(std::min(b, double(n))), end = size_t(std::min(e, double(n)));
    const TextFormat f = begin < n ? s->content.format_at(begin) : s->new_format;
    s->content.replace(begin, end, field_newlines(u16(vm.to_string(args[2])->text)), f);
    field_changed(vm, field, *s, true);
    return Value();
}

Value tf_replace_sel(Vm& vm, Value self, const Args& args) {
    ClipObject* field = field_object(self);
    EditState* s = field ? live_state(vm, field) : nullptr;
    if (!s || args.size() < 1) return Value();
    const size_t n = s->content.size();
    size_t begin = 0, end = 0;
    if (s->selection_begin >= 0) {
        begin = std::min(size_t(s->selection_begin), n);
        end = std::min(size_t(s->selection_end), n);
    } else if (s->focused) {
        end = n;  // a field given focus has all of its text selected
    }
    const std::u16string text = field_newlines(u16(vm.to_string(args[0])->text));
    s->content.replace(begin, end, text, s->new_format);
    s->selection_begin = s->selection_end = s->selection_caret = int(begin + text.size());
    field_changed(vm, field, *s, true);
    return Value();
}

Value tf_get_font_list(Vm& vm, Value, const Args&) {
    ArrayObject* a = vm.new_array();
    for (const char* name : {"_sans", "_serif", "_typewriter", "Arial", "Courier New", "Times New Roman"})
        a->items.push_back(vm.str(name));
    return a;
}

// ---------------------------------------------------------------------------------------------
// Selection
// ---------------------------------------------------------------------------------------------
class SelectionState final : public Object {
public:
    SelectionState() : Object(nullptr, ObjKind::Other) {}
    Value focus;  // the object with focus, or null
    std::string focus_path;  // its path when it got focus
    Object* selection = nullptr;  // the Selection object, whose listeners hear of changes
    void trace(Tracer& t) override {
        Object::trace(t);
        t.mark(focus);
        t.mark(selection);
    }
};

// Per machine; the state is also among the machine's roots.
std::unordered_map<const Vm*, SelectionState*>& selections() {
    thread_local std::unordered_map<const Vm*, SelectionState*> all;
    return all;
}

SelectionState* selection_of(const Args& args) {
    if (!args.callee) return nullptr;
    return dynamic_cast<SelectionState*>(args.callee->native_data.object());
}

bool shown_on_stage(Object* o) {
    for (int guard = 0; o && guard < 256; ++guard, o = clip_parent(o)) {
        if (!clip_alive(o)) return false;
        auto* c = static_cast<ClipObject*>(o);
        if (c->inst && !c->inst->visible) return false;
    }
    return true;
}

void move_focus(Vm& vm, SelectionState* sel, Object* to);

// The focused object; one that left the stage or was hidden loses focus first.
Object* focused(Vm& vm, SelectionState* sel) {
    if (!sel) return nullptr;
    Object* o = sel->focus.object();
    if (o && is_display_object(o) && !shown_on_stage(o)) {
        move_focus(vm, sel, nullptr);
        return nullptr;
    }
    return o;
}

bool focusable(Vm& vm, Object* o) {
    if (!is_display_object(o) || !clip_alive(o)) return false;
    if (!static_cast<ClipObject*>(o)->inst) return false;  // a movie's root never takes it
    if (o->kind == ObjKind::TextField || o->kind == ObjKind::Button) return true;
    if (vm.to_boolean(vm.get(o, vm.intern("focusEnabled")))) return true;
    for (const char* h : {"onPress", "onRelease", "onReleaseOutside", "onRollOver", "onRollOut", "onDragOver", "onDragOut"})
        if (vm.get(o, vm.intern(h)).is_object()) return true;
    return false;
}

void set_field_focus(Vm& vm, Object* o, bool on) {
    if (!o || o->kind != ObjKind::TextField) return;
    if (EditState* s = field_state(vm, o)) {
        s->focused = on;
        s->selection_begin = s->selection_end = s->selection_caret = -1;
    }
}

// Moves focus to `to` (null for none), telling the objects and Selection's listeners.
void move_focus(Vm& vm, SelectionState* sel, Object* to) {
    Object* from = sel->focus.object();
    set_field_focus(vm, from, false);
    set_field_focus(vm, to, true);
    // The player shows keyboard focus and moves button states before the objects hear of it,
    // even when the focus stays where it was.
    if (vm.runtime && vm.runtime->focus_moved) vm.runtime->focus_moved(from, to);
    if (from == to) return;
    sel->focus = to ? Value(to) : Value::null();
    // A removed object is told by the path it had.
    const Value old_v = !from ? Value::null() : clip_alive(from) ? Value(from) : Value(vm.str(sel->focus_path));
    const Value new_v = to ? Value(to) : Value::null();
    sel->focus_path = to ? display_path(vm, to, false) : std::string();
    if (from && clip_alive(from)) vm.call_method(from, vm.intern("onKillFocus"), {new_v});
    if (to) vm.call_method(to, vm.intern("onSetFocus"), {old_v});
    if (sel->selection)
        vm.call_method(sel->selection, vm.names.broadcastMessage, {vm.intern("onSetFocus"), old_v, new_v});
}

Value sel_get_focus(Vm& vm, Value, const Args& args) {
    Object* o = focused(vm, selection_of(args));
    if (!o) return Value::null();
    return vm.str(display_path(vm, o, false));
}

Value sel_set_focus(Vm& vm, Value, const Args& args) {
    SelectionState* sel = selection_of(args);
    if (!sel) return false;
    focused(vm, sel);
    const Value target = args[0];
    Object* to = nullptr;
    if (target.is_nullish()) {
        to = nullptr;
    } else if (target.is_string()) {
        to = resolve_clip_path(vm, nullptr, target.s->text, nullptr);
        if (!to && !target.s->text.empty()) to = nullptr;
    } else if (target.is_object()) {
        to = target.o;
    } else {
        return false;
    }
    if (to && !focusable(vm, to)) return false;
    move_focus(vm, sel, to);
    return true;
}

EditState* focused_field(Vm& vm, const Args& args) {
    Object* o = focused(vm, selection_of(args));
    return o && o->kind == ObjKind::TextField ? field_state(vm, o) : nullptr;
}

Value sel_get_begin(Vm& vm, Value, const Args& args) {
    EditState* s = focused_field(vm, args);
    return s ? double(s->selection_begin) : -1.0;
}

Value sel_get_end(Vm& vm, Value, const Args& args) {
    EditState* s = focused_field(vm, args);
    return s ? double(s->selection_end) : -1.0;
}

Value sel_get_caret(Vm& vm, Value, const Args& args) {
    EditState* s = focused_field(vm, args);
    return s ? double(s->selection_caret) : -1.0;
}

Value sel_set_selection(Vm& vm, Value, const Args& args) {
    EditState* s = focused_field(vm, args);
    if (!s || args.size() < 1) return Value();
    const double n = double(s->content.size());
    auto clamp = [&](const Value& v) {
        const double d = vm.to_number(v);
        return std::isnan(d) ? n : std::clamp(std::trunc(d), 0.0, n);
    };
    const int a = int(clamp(args[0])), b = int(clamp(args[1]));
    s->selection_begin = std::min(a, b);
    s->selection_end = std::max(a, b);
    s->selection_caret = b;
    return Value();
}

void install_selection(Vm& vm) {
    Object* selection = vm.new_object();
    auto* state = vm.heap.make<SelectionState>();
    state->focus = Value::null();
    state->selection = selection;
    vm.roots.push_back(Value(static_cast<Object*>(state)));
    selections()[&vm] = state;
    struct M {
        const char* name;
        NativeFn fn;
    };
    const M methods[] = {
        {"getFocus", sel_get_focus}, {"setFocus", sel_set_focus}, {"getBeginIndex", sel_get_begin},
        {"getEndIndex", sel_get_end}, {"getCaretIndex", sel_get_caret}, {"setSelection", sel_set_selection},
    };
    for (const M& m : methods) vm.define_method(selection, m.name, m.fn)->native_data = Value(static_cast<Object*>(state));
    vm.define(vm.global, "Selection", selection);
    Value bc = vm.get(vm.global, vm.intern("AsBroadcaster"));
    vm.call_method(bc, vm.intern("initialize"), {selection});
}

}  // namespace

void focus_visibility_changed(Vm& vm) {
    auto it = selections().find(&vm);
    if (it != selections().end()) focused(vm, it->second);
}

Object* focused_object(Vm& vm) {
    auto it = selections().find(&vm);
    return it != selections().end() ? focused(vm, it->second) : nullptr;
}

bool set_focused_object(Vm& vm, Object* to) {
    auto it = selections().find(&vm);
    if (it == selections().end() || (to && (!is_display_object(to) || !clip_alive(to)))) return false;
    focused(vm, it->second);
    move_focus(vm, it->second, to);
    return true;
}

void install_textfield(Vm& vm, Object* proto) {
    for (int p = 0; p < FieldPropCount; ++p) {
        AccessorPair* pair = vm.heap.make<AccessorPair>();
        FunctionObject* get = vm.new_native(field_get);
        FunctionObject* set = vm.new_native(field_set);
        get->native_data = double(p);
        set->native_data = double(p);
        pair->getter = get;
        pair->setter = set;
        Value v;
        v.type = Type::Object;
        v.o = reinterpret_cast<Object*>(pair);
        proto->put(vm.intern(kFieldPropNames[p]), v, Accessor, true);
    }
    struct M {
        const char* name;
        NativeFn fn;
        uint16_t flags;
    };
    const M methods[] = {
        {"replaceSel", tf_replace_sel, DontEnum}, {"getTextFormat", tf_get_text_format, DontEnum},
        {"setTextFormat", tf_set_text_format, DontEnum}, {"getNewTextFormat", tf_get_new_text_format, DontEnum},
        {"setNewTextFormat", tf_set_new_text_format, DontEnum},
        {"replaceText", tf_replace_text, DontEnum | HideBelow7},
    };
    for (const M& m : methods) vm.define_method(proto, m.name, m.fn, m.flags);
    Value bc = vm.get(vm.global, vm.intern("AsBroadcaster"));
    for (const char* n : {"addListener", "removeListener", "broadcastMessage"})
        vm.define(proto, n, vm.get(bc, vm.intern(n)), DontEnum);
    if (Object* ctor = vm.get(proto, vm.names.constructor).object()) vm.define_method(ctor, "getFontList", tf_get_font_list);
    install_textformat(vm);
    install_selection(vm);
}

}  // namespace swf::avm1
