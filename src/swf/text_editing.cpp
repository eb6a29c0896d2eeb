// Text field editing: caret positions from the drawn layout, moving and selecting, typing,
// deleting and the clipboard.
#include "swf/text_editing.h"

#include <algorithm>
#include <cmath>

#include "swf/avm1/convert.h"
#include "swf/avm1/textfield.h"
#include "swf/movie.h"
#include "swf/text.h"

namespace swf {

using avm1::EditState;

namespace {

// Windows virtual keys the editing answers.
enum Vk : int {
    VkBack = 8, VkEnd = 35, VkHome = 36, VkLeft = 37, VkUp = 38, VkRight = 39, VkDown = 40,
    VkInsert = 45, VkDelete = 46, VkA = 65, VkC = 67, VkV = 86, VkX = 88,
};

bool high_surrogate(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool low_surrogate(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

// The code point starting at `i` and how many units it takes.
char32_t code_point_at(std::u16string_view t, size_t i, size_t& units) {
    units = 1;
    if (high_surrogate(t[i]) && i + 1 < t.size() && low_surrogate(t[i + 1])) {
        units = 2;
        return 0x10000 + ((char32_t(t[i]) - 0xD800) << 10) + (char32_t(t[i + 1]) - 0xDC00);
    }
    return t[i];
}

void append_code_point(std::u16string& out, char32_t c) {
    if (c < 0x10000) {
        out.push_back(char16_t(c));
        return;
    }
    c -= 0x10000;
    out.push_back(char16_t(0xD800 + (c >> 10)));
    out.push_back(char16_t(0xDC00 + (c & 0x3FF)));
}

// The caret positions either side of `i`, stepping over surrogate pairs whole.
size_t next_stop(std::u16string_view t, size_t i) {
    if (i >= t.size()) return t.size();
    return i + (high_surrogate(t[i]) && i + 1 < t.size() && low_surrogate(t[i + 1]) ? 2 : 1);
}
size_t previous_stop(std::u16string_view t, size_t i) {
    if (i == 0) return 0;
    return i - (i >= 2 && low_surrogate(t[i - 1]) && high_surrogate(t[i - 2]) ? 2 : 1);
}

enum class LetterKind : uint8_t { Space, Word, Punctuation, Break };

LetterKind kind_of(char16_t c) {
    if (c == u'\r' || c == u'\n') return LetterKind::Break;
    if (c == u' ' || c == u'\t' || c == 0xA0 || c == 0x3000) return LetterKind::Space;
    if (c >= 0x80 || (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || c == u'_')
        return LetterKind::Word;
    return LetterKind::Punctuation;
}

// How many characters `c` makes in the text as drawn: one, or below SWF6, whose text is drawn
// byte by byte, its UTF-8 bytes.
size_t shown_length(const EditState& f, char32_t c) {
    if (!f.movie || f.movie->version >= 6) return 1;
    return c < 0x80 ? 1 : c < 0x800 ? 2 : c < 0x10000 ? 3 : 4;
}

// Where character position `pos` of the field's text is in the text as drawn.
size_t shown_index(const EditState& f, size_t pos) {
    std::u16string_view t = f.content.text();
    size_t shown = 0;
    for (size_t i = 0, units = 1; i < pos && i < t.size(); i += units) shown += shown_length(f, code_point_at(t, i, units));
    return shown;
}

// Replaces the selection by `typed` with the field's restrict and maxChars applied; the caret
// goes after it. Typed text takes the format of the character before it.
EditResult insert(EditState& f, std::u16string_view typed) {
    std::u16string in;
    const std::u16string rule = f.restrict_chars ? avm1::utf8_to_utf16(*f.restrict_chars) : std::u16string();
    for (size_t i = 0, units = 1; i < typed.size(); i += units) {
        const char32_t c = code_point_at(typed, i, units);
        if (!f.restrict_chars || restrict_allows(rule, c)) in.append(typed.substr(i, units));
    }
    const TextSelection sel = selection_of(f);
    const size_t n = f.content.size(), b = sel.begin(), e = sel.end();
    if (f.max_chars && *f.max_chars > 0) {
        const double room = std::ceil(*f.max_chars - double(n - (e - b)));
        size_t keep = room > 0 ? size_t(std::min(room, double(in.size()))) : 0;
        if (keep > 0 && keep < in.size() && high_surrogate(in[keep - 1])) --keep;
        in.resize(keep);
    }
    if (in.empty()) return EditResult::None;
    const avm1::TextFormat format = n ? f.content.format_at(b ? b - 1 : 0) : f.new_format;
    f.content.replace(b, e, in, format);
    const size_t caret = b + in.size();
    select_range(f, {caret, caret});
    return EditResult::Changed;
}

// Deletes the selection, or when there is none the character (or word) before or after the caret.
EditResult erase(EditState& f, bool forward, bool by_word) {
    if (!f.editable) return EditResult::None;
    const TextSelection sel = selection_of(f);
    std::u16string_view t = f.content.text();
    size_t b = sel.begin(), e = sel.end();
    if (b == e) {
        if (forward)
            e = by_word ? next_word(t, e) : next_stop(t, e);
        else
            b = by_word ? previous_word(t, b) : previous_stop(t, b);
    }
    if (b == e) return EditResult::None;
    f.content.replace(b, e, u"", f.content.format_at(b));
    select_range(f, {b, b});
    return EditResult::Changed;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Clipboard
// ---------------------------------------------------------------------------------------------
void TextClipboard::connect(Reader read, Writer write) {
    read_ = std::move(read);
    write_ = std::move(write);
}

std::u16string TextClipboard::read() const { return read_ ? read_() : own_; }

void TextClipboard::write(const std::u16string& text) {
    if (write_)
        write_(text);
    else
        own_ = text;
}

bool copy_selection(const EditState& f, TextClipboard& clipboard) {
    if (f.password || !f.selectable) return false;
    const TextSelection sel = selection_of(f);
    if (sel.empty()) return false;
    std::u16string text = f.content.text().substr(sel.begin(), sel.end() - sel.begin());
    std::replace(text.begin(), text.end(), u'\r', u'\n');
    clipboard.write(text);
    return true;
}

EditResult cut_selection(EditState& f, TextClipboard& clipboard) {
    if (!f.editable || !copy_selection(f, clipboard)) return EditResult::None;
    return erase(f, false, false);
}

EditResult paste_text(EditState& f, std::u16string_view text) {
    if (!f.editable) return EditResult::None;
    std::u16string in;
    for (size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        if (c == u'\r' || c == u'\n') {
            if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') ++i;
            if (f.multiline) in.push_back(u'\r');
        } else if (c >= 32 || c == u'\t') {
            in.push_back(c);
        }
    }
    return insert(f, in);
}

// ---------------------------------------------------------------------------------------------
// Caret positions
// ---------------------------------------------------------------------------------------------
size_t CaretMap::line_of(size_t pos) const {
    size_t line = 0;
    while (line + 1 < lines.size() && lines[line + 1].stops.front().pos <= pos) ++line;
    return line;
}

double CaretMap::x_of(size_t pos) const {
    const Line& l = lines[line_of(pos)];
    double x = l.stops.front().x;
    for (const Stop& s : l.stops)
        if (s.pos <= pos) x = s.x;
    return x;
}

size_t CaretMap::nearest(size_t line, double x) const {
    const Line& l = lines[std::min(line, lines.size() - 1)];
    const Stop* best = &l.stops.front();
    for (const Stop& s : l.stops)
        if (std::abs(s.x - x) < std::abs(best->x - x)) best = &s;
    return best->pos;
}

size_t CaretMap::hit(double x, double y) const {
    size_t line = 0;
    while (line + 1 < lines.size() && y >= lines[line].bottom) ++line;
    return nearest(line, x);
}

CaretMap caret_map(const EditState& f, FontProvider* fonts) {
    CaretMap map;
    std::u16string_view text = f.content.text();
    if (!f.movie) {
        map.lines.resize(1);
        map.lines[0].bottom = f.bounds.height();
        for (size_t p = 0;; p = next_stop(text, p)) {
            map.lines[0].stops.push_back({p, 0});
            if (p >= text.size()) break;
        }
        return map;
    }
    const FieldLayout layout = lay_out_edit_text(f, *f.movie, fonts);
    map.lines.resize(layout.lines.size());
    for (size_t i = 0; i < layout.lines.size(); ++i) {
        map.lines[i].top = layout.baseline(i) - layout.ascent;
        map.lines[i].bottom = map.lines[i].top + layout.line_height;
    }
    // Each position goes on the line holding its character as drawn.
    size_t shown = 0, line = 0;
    for (size_t p = 0, units = 1;; p += units) {
        const size_t k = std::min(shown, layout.length);
        while (line + 1 < layout.lines.size() && layout.lines[line + 1].begin <= k) ++line;
        map.lines[line].stops.push_back({p, layout.caret_x(line, k)});
        if (p >= text.size()) break;
        shown += shown_length(f, code_point_at(text, p, units));
    }
    map.lines.erase(std::remove_if(map.lines.begin(), map.lines.end(),
                                   [](const CaretMap::Line& l) { return l.stops.empty(); }),
                    map.lines.end());
    return map;
}

// ---------------------------------------------------------------------------------------------
// Selection and words
// ---------------------------------------------------------------------------------------------
TextSelection selection_of(const EditState& f) {
    const size_t n = f.content.size();
    if (f.selection_begin < 0 || f.selection_end < f.selection_begin) return {n, n};
    const size_t b = std::min(size_t(f.selection_begin), n), e = std::min(size_t(f.selection_end), n);
    const size_t caret = f.selection_caret >= 0 ? std::min(size_t(f.selection_caret), n) : e;
    return caret == b ? TextSelection{e, b} : TextSelection{b, e};
}

void select_range(EditState& f, TextSelection s) {
    f.selection_begin = int(s.begin());
    f.selection_end = int(s.end());
    f.selection_caret = int(s.caret);
}

bool restrict_allows(std::u16string_view rule, char32_t c) {
    bool allowed = false, excluding = false;
    for (size_t i = 0; i < rule.size(); ++i) {
        char16_t lo = rule[i];
        if (lo == u'^') {
            excluding = !excluding;
            if (i == 0) allowed = true;  // a rule opening with ^ lets in everything else
            continue;
        }
        if (lo == u'\\' && i + 1 < rule.size()) lo = rule[++i];
        char16_t hi = lo;
        if (i + 2 < rule.size() && rule[i + 1] == u'-') {
            hi = rule[i + 2];
            if (hi == u'\\' && i + 3 < rule.size()) ++i, hi = rule[i + 2];
            i += 2;
        }
        if (c >= lo && c <= hi) allowed = !excluding;
    }
    return allowed;
}

size_t next_word(std::u16string_view t, size_t i) {
    if (i >= t.size()) return t.size();
    const LetterKind k = kind_of(t[i]);
    if (k == LetterKind::Break) return i + 1;
    if (k != LetterKind::Space)
        while (i < t.size() && kind_of(t[i]) == k) ++i;
    while (i < t.size() && kind_of(t[i]) == LetterKind::Space) ++i;
    return i;
}

size_t previous_word(std::u16string_view t, size_t i) {
    i = std::min(i, t.size());
    while (i > 0 && kind_of(t[i - 1]) == LetterKind::Space) --i;
    if (i == 0) return 0;
    const LetterKind k = kind_of(t[i - 1]);
    if (k == LetterKind::Break) return i - 1;
    while (i > 0 && kind_of(t[i - 1]) == k) --i;
    return i;
}

TextSelection word_at(std::u16string_view t, size_t at) {
    at = std::min(at, t.size());
    // Past the end of a line the word is the one the line ends with.
    if (at == t.size() || kind_of(t[at]) == LetterKind::Break) {
        if (at == 0 || kind_of(t[at - 1]) == LetterKind::Break) return {at, at};
        --at;
    }
    const LetterKind k = kind_of(t[at]);
    size_t b = at, e = at + 1;
    while (b > 0 && kind_of(t[b - 1]) == k) --b;
    while (e < t.size() && kind_of(t[e]) == k) ++e;
    return {b, e};
}

// ---------------------------------------------------------------------------------------------
// The editor
// ---------------------------------------------------------------------------------------------
EditResult TextEditor::type(EditState& f, char32_t ch) {
    if (!f.editable) return EditResult::None;
    goal_x_ = -1;
    if (ch == 8) return erase(f, false, false);
    if (ch == 13) return f.multiline ? insert(f, u"\r") : EditResult::None;
    // Control characters (Ctrl+letters arrive as 1-26, Ctrl+Backspace as 127) type nothing.
    if (ch < 32 || ch == 127 || ch > 0x10FFFF || (ch >= 0xD800 && ch <= 0xDFFF)) return EditResult::None;
    std::u16string s;
    append_code_point(s, ch);
    return insert(f, s);
}

bool is_editing_key(int vk) {
    switch (vk) {
    case VkBack: case VkEnd: case VkHome: case VkLeft: case VkUp: case VkRight: case VkDown:
    case VkInsert: case VkDelete: case VkA: case VkC: case VkV: case VkX: return true;
    default: return false;
    }
}

EditResult TextEditor::move_to(EditState& f, size_t to, bool extend) {
    const TextSelection sel = selection_of(f);
    const TextSelection next{extend && f.selectable ? sel.anchor : to, to};
    if (f.selection_begin >= 0 && next.anchor == sel.anchor && next.caret == sel.caret) return EditResult::None;
    select_range(f, next);
    return EditResult::Moved;
}

EditResult TextEditor::key(EditState& f, const CaretMap& map, int vk, KeyModifiers mods, TextClipboard& clipboard) {
    std::u16string_view t = f.content.text();
    const TextSelection sel = selection_of(f);
    if (vk != VkUp && vk != VkDown) goal_x_ = -1;
    switch (vk) {
    case VkLeft:
        // A selection collapses to its start; otherwise a character or a word to the left.
        if (!sel.empty() && !mods.shift && !mods.ctrl) return move_to(f, sel.begin(), false);
        return move_to(f, mods.ctrl ? previous_word(t, sel.caret) : previous_stop(t, sel.caret), mods.shift);
    case VkRight:
        if (!sel.empty() && !mods.shift && !mods.ctrl) return move_to(f, sel.end(), false);
        return move_to(f, mods.ctrl ? next_word(t, sel.caret) : next_stop(t, sel.caret), mods.shift);
    case VkHome:
        return move_to(f, mods.ctrl ? 0 : map.lines[map.line_of(sel.caret)].stops.front().pos, mods.shift);
    case VkEnd:
        return move_to(f, mods.ctrl ? t.size() : map.lines[map.line_of(sel.caret)].stops.back().pos, mods.shift);
    case VkUp:
    case VkDown: {
        const size_t line = map.line_of(sel.caret);
        const bool up = vk == VkUp;
        if (up ? line == 0 : line + 1 >= map.lines.size()) return move_to(f, sel.caret, mods.shift);
        if (goal_x_ < 0) goal_x_ = map.x_of(sel.caret);
        return move_to(f, map.nearest(up ? line - 1 : line + 1, goal_x_), mods.shift);
    }
    case VkBack:
        // Ctrl+Backspace types no character: the word before the caret goes from here.
        return mods.ctrl ? erase(f, false, true) : EditResult::None;
    case VkDelete:
        if (mods.shift) return cut_selection(f, clipboard);
        return erase(f, true, mods.ctrl);
    case VkInsert:
        if (mods.ctrl) copy_selection(f, clipboard);
        if (mods.shift) return paste_text(f, clipboard.read());
        return EditResult::None;
    default: break;
    }
    if (!mods.ctrl) return EditResult::None;
    switch (vk) {
    case VkA:
        if (!f.selectable) return EditResult::None;
        select_range(f, {0, t.size()});
        return EditResult::Moved;
    case VkC: copy_selection(f, clipboard); return EditResult::None;
    case VkX: return cut_selection(f, clipboard);
    case VkV: return paste_text(f, clipboard.read());
    default: return EditResult::None;
    }
}

EditResult TextEditor::press(EditState& f, const CaretMap& map, double x, double y, bool extend, bool double_click) {
    goal_x_ = -1;
    by_words_ = false;
    const size_t at = map.hit(x, y);
    if (double_click && f.selectable) {
        word_ = word_at(f.content.text(), at);
        by_words_ = true;
        select_range(f, word_);
        return EditResult::Moved;
    }
    const bool had_selection = f.selection_begin >= 0;
    return move_to(f, at, extend && had_selection);
}

EditResult TextEditor::drag(EditState& f, const CaretMap& map, double x, double y) {
    const size_t at = map.hit(x, y);
    if (!by_words_ || !f.selectable) return move_to(f, at, true);
    // After a double click the selection grows by whole words, keeping the first word.
    const TextSelection w = word_at(f.content.text(), at);
    const TextSelection next = w.begin() < word_.begin() ? TextSelection{word_.end(), w.begin()}
                                                         : TextSelection{word_.begin(), std::max(w.end(), word_.end())};
    const TextSelection sel = selection_of(f);
    if (next.anchor == sel.anchor && next.caret == sel.caret) return EditResult::None;
    select_range(f, next);
    return EditResult::Moved;
}

// ---------------------------------------------------------------------------------------------
// Drawing
// ---------------------------------------------------------------------------------------------
bool field_marks(const EditTextDef& def, bool caret_on, FieldMarks& out) {
    const auto* f = dynamic_cast<const EditState*>(&def);
    if (!f || !f->focused) return false;
    if (!f->editable && (!f->selectable || f->selection_begin < 0)) return false;
    const TextSelection sel = selection_of(*f);
    out.begin = shown_index(*f, sel.begin());
    out.end = shown_index(*f, sel.end());
    out.caret = shown_index(*f, sel.caret);
    out.show_caret = caret_on && f->editable && sel.empty();
    return true;
}

}  // namespace swf
