// Window layouts, first two layers: the lexer and the parser.
// A layout is UTF-8 text holding one tree of objects:
//
//   object FrmDoc: TFrmDoc
//     Caption = '游戏说明'
//     Font.Height = -12
//     object WkPanel1: TWkPanel
//       Align = alBottom
//       Anchors = [akTop, akRight]
//     end
//   end
//
// Values are integers (decimal or $hex, optionally negative), strings ('...' with '' for a
// quote, #NNN character codes, '+' joining pieces over several lines), identifiers (enum
// values, True/False, component references, handler names), sets [a, b] and lists ( ... ).
// The parser keeps every line number so the instantiation layer can name the line at fault.
// It knows nothing of classes or properties and has no Windows dependency.
#pragma once
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace ui {

// A malformed layout. what() reads "FrmDoc.layout, line 12, property 'Align': unknown value
// 'alMiddle'"; the parts stay available for callers that want them separately.
class TLayoutError : public std::runtime_error {
public:
    TLayoutError(std::wstring fileName, int line, std::wstring property, std::wstring message);
    const std::wstring& FileName() const { return FFileName; }
    int Line() const { return FLine; }
    const std::wstring& Property() const { return FProperty; }
    const std::wstring& Message() const { return FMessage; }
    // The full text as UTF-16, for message boxes.
    std::wstring Text() const;

private:
    std::wstring FFileName;
    int FLine;
    std::wstring FProperty;
    std::wstring FMessage;
};

enum class TLayoutValueKind { Integer, String, Identifier, Set, List };

struct TLayoutValue {
    TLayoutValueKind Kind = TLayoutValueKind::Integer;
    std::int64_t Int = 0;
    std::wstring Text;                  // a string's characters or an identifier's name
    std::vector<TLayoutValue> Items;    // a set's identifiers or a list's values
    int Line = 0;
};

// Name of a value kind for error messages ("an integer", "a set" ...).
const wchar_t* DescribeValueKind(TLayoutValueKind kind);

struct TLayoutProperty {
    std::wstring Name;                  // dotted names stay whole: "Font.Name"
    TLayoutValue Value;
    int Line = 0;
};

struct TLayoutObject {
    std::wstring Name;
    std::wstring ClassName;
    int Line = 0;
    std::vector<TLayoutProperty> Properties; // in file order
    std::vector<TLayoutObject> Children;     // in file order (creation and z-order)
};

// Parses a whole layout. Throws TLayoutError naming fileName and the line on any fault,
// including invalid UTF-8, and on text after the root object's `end`.
TLayoutObject ParseLayout(const std::wstring& fileName, std::string_view utf8Text);

// Case-insensitive comparison of ASCII names (layout identifiers).
bool SameName(std::wstring_view a, std::wstring_view b);

// UTF-8/UTF-16 conversion for messages; invalid UTF-8 bytes become U+FFFD.
std::string ToUtf8(std::wstring_view text);
std::wstring FromUtf8(std::string_view text);

} // namespace ui
