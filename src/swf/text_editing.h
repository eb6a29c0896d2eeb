// Editing a text field as a desktop text box edits: the caret and the selection moved by keys and
// the pointer, typing and deleting, and the clipboard, under the field's restrict, maxChars and
// line rules. It works on a field's state (avm1::EditState) and runs no scripts: the player tells
// the field's listeners what changed.
//
// Positions are indices into the field's UTF-16 text; the caret never stands inside a surrogate
// pair. Keys are Windows virtual-key codes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace swf {

class FontProvider;
struct EditTextDef;
struct FieldMarks;

namespace avm1 {
struct EditState;
}

// The clipboard fields cut, copy and paste through: the host's when it connects one, otherwise
// one kept here. Line breaks in its text are '\n'.
class TextClipboard {
public:
    using Reader = std::function<std::u16string()>;
    using Writer = std::function<void(const std::u16string&)>;

    void connect(Reader read, Writer write);
    std::u16string read() const;
    void write(const std::u16string& text);

private:
    Reader read_;
    Writer write_;
    std::u16string own_;
};

struct KeyModifiers {
    bool shift = false, ctrl = false;
};

// Where the caret may stand in a field as it is drawn: per line, the positions on it left to
// right with their x, in the field's twips.
struct CaretMap {
    struct Stop {
        size_t pos = 0;
        double x = 0;
    };
    struct Line {
        std::vector<Stop> stops;  // never empty
        double top = 0, bottom = 0;
    };
    std::vector<Line> lines;  // never empty

    size_t line_of(size_t pos) const;
    double x_of(size_t pos) const;
    // The position on `line` closest to `x`.
    size_t nearest(size_t line, double x) const;
    // The position closest to a point: on the line the point is level with (the first or last
    // when it is above or below them all).
    size_t hit(double x, double y) const;
};
CaretMap caret_map(const avm1::EditState& field, FontProvider* fonts);

// The selected range as the end it started from and the end that moves (the caret).
struct TextSelection {
    size_t anchor = 0, caret = 0;
    size_t begin() const { return anchor < caret ? anchor : caret; }
    size_t end() const { return anchor < caret ? caret : anchor; }
    bool empty() const { return anchor == caret; }
};
// A field with nothing placed yet has its caret after its text.
TextSelection selection_of(const avm1::EditState& field);
void select_range(avm1::EditState& field, TextSelection selection);

enum class EditResult : uint8_t { None, Moved, Changed };

// Clipboard commands. Password fields never give their text out, nor do fields that cannot be
// selected; pasting obeys the field's rules as typing does.
bool copy_selection(const avm1::EditState& field, TextClipboard& clipboard);
EditResult cut_selection(avm1::EditState& field, TextClipboard& clipboard);
// Replaces the selection by `text` as a user pastes it: line breaks become the field's in
// multiline fields and are dropped in others, characters restrict leaves out are dropped, and
// what would pass maxChars is cut off. Nothing left to put in changes nothing.
EditResult paste_text(avm1::EditState& field, std::u16string_view text);

// The editing state that lives between events: the column Up and Down aim for and the word a
// double click started from.
class TextEditor {
public:
    // A typed character: 8 deletes before the caret, 13 breaks the line in a multiline field,
    // other control characters do nothing.
    EditResult type(avm1::EditState& field, char32_t ch);
    // Arrows, Home and End (Shift extends the selection, Ctrl moves by words or to either end),
    // Delete, Ctrl+A, and the clipboard keys Ctrl+C/X/V, Ctrl+Insert, Shift+Insert and
    // Shift+Delete. Other keys do nothing.
    EditResult key(avm1::EditState& field, const CaretMap& map, int vk, KeyModifiers mods, TextClipboard& clipboard);
    // A press at (x, y) in the field's twips puts the caret there (Shift: extends the selection
    // to it); the second click of a double click selects the word there.
    EditResult press(avm1::EditState& field, const CaretMap& map, double x, double y, bool extend, bool double_click);
    // The pointer moved with the button held: the selection follows it, by words after a
    // double click.
    EditResult drag(avm1::EditState& field, const CaretMap& map, double x, double y);

private:
    EditResult move_to(avm1::EditState& field, size_t to, bool extend);

    double goal_x_ = -1;  // kept over Up and Down presses so a short line does not pull the caret left
    bool by_words_ = false;
    TextSelection word_;  // the double-clicked word
};

// Whether TextEditor::key does anything with a key (with some modifiers).
bool is_editing_key(int vk);

// Whether a field's restrict rule lets `c` in: ranges "a-z", "^" switching to characters left
// out, "\\" taking the next character as it is. An empty rule lets nothing in.
bool restrict_allows(std::u16string_view rule, char32_t c);
// Where Ctrl+Right and Ctrl+Left go: the start of the next word, the start of this or the
// previous one. A line break counts as a word of its own.
size_t next_word(std::u16string_view text, size_t from);
size_t previous_word(std::u16string_view text, size_t from);
// The run of word letters, spaces or punctuation holding position `at`.
TextSelection word_at(std::u16string_view text, size_t at);

// The selection highlight and caret a focused field shows, for drawing; false when it shows none.
bool field_marks(const EditTextDef& field, bool caret_on, FieldMarks& out);

}  // namespace swf
