// Text fields as scripts see them: formatted text (runs of TextFormat), the HTML subset that
// htmlText reads and writes, line layout for the measuring properties, and the state each field
// instance keeps (EditState, drawn by the player as the instance's EditTextDef).
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "swf/avm1/clip.h"

namespace swf::avm1 {

enum class TextAlign : uint8_t { Left, Right, Center, Justify };

// A TextFormat: every member may be unset, which scripts read as null. The character members
// come first, the paragraph members (which hold for whole paragraphs in a field) after.
struct TextFormat {
    std::optional<std::string> font;
    std::optional<double> size;
    std::optional<double> color;
    std::optional<bool> bold, italic, underline;
    std::optional<std::string> url, target;
    std::optional<bool> kerning;
    std::optional<double> letter_spacing;

    std::optional<TextAlign> align;
    std::optional<double> left_margin, right_margin, indent, block_indent, leading;
    std::optional<std::vector<double>> tab_stops;
    std::optional<bool> bullet;
    std::optional<std::string> display;

    bool operator==(const TextFormat&) const = default;
    // Takes every member `o` sets.
    void merge(const TextFormat& o);
    // Unsets every member whose value differs from `o`'s.
    void intersect(const TextFormat& o);
    bool same_characters(const TextFormat& o) const;
    bool same_font(const TextFormat& o) const;  // face, size, colour, spacing and kerning
    TextFormat paragraph_part() const;
    void clear_paragraph_part();
};

// The format a field starts from when nothing else says: 12-point Times New Roman, black.
TextFormat default_field_format();

// Text with a full TextFormat for every character, kept as runs. Paragraphs end at '\r' (which
// belongs to the paragraph it ends); all characters of a paragraph share its paragraph members.
class FieldText {
public:
    struct Run {
        size_t length;
        TextFormat format;
    };

    const std::u16string& text() const { return text_; }
    size_t size() const { return text_.size(); }
    bool empty() const { return text_.empty(); }
    const std::vector<Run>& runs() const { return runs_; }

    // The format of character `i`; past the end, that of the last character.
    TextFormat format_at(size_t i) const;
    // The members all characters of [begin, end) agree on.
    TextFormat common_format(size_t begin, size_t end) const;
    // Replaces [begin, end) by `s` in format `f`.
    void replace(size_t begin, size_t end, std::u16string_view s, const TextFormat& f);
    void append(std::u16string_view s, const TextFormat& f) { replace(size(), size(), s, f); }
    // Sets the members `f` sets on [begin, end); paragraph members on whole paragraphs.
    void apply(size_t begin, size_t end, const TextFormat& f);
    void clear();
    // Gives every character of each paragraph the paragraph members of its first character.
    void unify_paragraphs();
    // The paragraph holding character `i`: [begin, end) including its '\r'.
    void paragraph_at(size_t i, size_t& begin, size_t& end) const;

private:
    size_t split(size_t at);  // index of the run starting at `at`
    void merge_runs();

    std::u16string text_;
    std::vector<Run> runs_;
};

// The HTML subset of htmlText.
struct HtmlOptions {
    bool multiline = false;
    bool condense_white = false;
    int version = 8;  // <font kerning> and letterSpacing count from SWF8
};
FieldText parse_html(std::u16string_view html, const TextFormat& base, const HtmlOptions& options);
std::u16string write_html(const FieldText& text);
// Plain text as fields take it: every '\n' is a break ('\r'), so "\r\n" is two.
std::u16string field_newlines(std::u16string_view s);

enum class AutoSize : uint8_t { None, Left, Center, Right };

// A text field's state: the definition it was placed from (as drawn), its formatted text and
// the properties scripts set.
struct EditState final : EditTextDef {
    const Movie* movie = nullptr;
    int version = 8;
    FieldText content;
    TextFormat new_format;  // what text set from now on gets
    std::array<int, 4> layout_twips{};  // the definition's margins, indent and leading
    AutoSize auto_size_mode = AutoSize::None;
    bool html_text = false;  // the `html` property (the drawn `html` says how `text` is written)
    bool selectable = true, editable = false, background_on = false, condense_white = false;
    bool mouse_wheel = true;
    uint32_t background_rgb = 0xFFFFFF, border_rgb = 0;
    std::optional<double> max_chars;
    std::optional<std::string> restrict_chars;
    std::string anti_alias_type = "normal", grid_fit_type = "pixel";
    double sharpness = 0, thickness = 0;
    int scroll = 1, hscroll = 0;
    std::u16string initial_text;  // the definition's, for a variable that starts unset
    bool initial_html = false;
    bool focused = false;
    // The selected range and the caret; -1 until something selects.
    int selection_begin = -1, selection_end = -1, selection_caret = -1;
};

// Line layout of a field's text, in twips.
struct TextLine {
    size_t begin = 0, end = 0;  // characters, '\r' included
    double width = 0;           // of the laid characters, trailing spaces included
    double ascent = 0, descent = 0, leading = 0;
    double x = 0, y = 0;        // left edge and top of the line box
};
struct TextLayout {
    std::vector<TextLine> lines;
    double width = 0, height = 0;  // textWidth/textHeight in twips
};
TextLayout layout_field(const EditState& field);

// The field state of a text field object, made on first use; null for anything else.
EditState* field_state(Vm& vm, Object* o);
// After a script changed the field: redraw data, autoSize bounds and the bound variable.
void field_changed(Vm& vm, ClipObject* field, EditState& state, bool text_changed);

// Selection's focus for the player: the object holding it (null for none), and moving it as
// Selection.setFocus does, listeners told (false when `to` cannot take it).
Object* focused_object(Vm& vm);
bool set_focused_object(Vm& vm, Object* to);

// The TextFormat class (textformat.cpp).
void install_textformat(Vm& vm);
Object* make_text_format(Vm& vm, const TextFormat& f);
// A TextFormat script object's members; unset for anything else.
TextFormat text_format_of(Vm& vm, const Value& v);

}  // namespace swf::avm1
