// Window layouts: lexer and parser. See LayoutParser.h for the text format.
//
// [SECTION] Errors and text helpers
// [SECTION] Lexer
// [SECTION] Parser
#include "ui/LayoutParser.h"
#include <limits>
#include <optional>

namespace ui {

// ---------------------------------------------------------------------------------------------
// [SECTION] Errors and text helpers
// ---------------------------------------------------------------------------------------------

namespace {

std::wstring ComposeError(const std::wstring& file, int line, const std::wstring& property,
                          const std::wstring& message) {
    std::wstring text = file;
    if (line > 0) text += L", line " + std::to_wstring(line);
    if (!property.empty()) text += L", property '" + property + L"'";
    return text + L": " + message;
}

// Decodes one UTF-8 sequence at text[i]; returns the code point and advances i, or nothing
// for an invalid, overlong, surrogate or truncated sequence.
std::optional<char32_t> DecodeUtf8(std::string_view text, size_t& i) {
    auto byte = [&](size_t k) { return static_cast<unsigned char>(text[k]); };
    unsigned char b0 = byte(i);
    if (b0 < 0x80) { ++i; return b0; }
    int extra;
    char32_t cp, min;
    if ((b0 & 0xE0) == 0xC0) { extra = 1; cp = b0 & 0x1F; min = 0x80; }
    else if ((b0 & 0xF0) == 0xE0) { extra = 2; cp = b0 & 0x0F; min = 0x800; }
    else if ((b0 & 0xF8) == 0xF0) { extra = 3; cp = b0 & 0x07; min = 0x10000; }
    else return std::nullopt;
    if (i + extra >= text.size()) return std::nullopt;
    for (int k = 1; k <= extra; ++k) {
        unsigned char b = byte(i + k);
        if ((b & 0xC0) != 0x80) return std::nullopt;
        cp = (cp << 6) | (b & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return std::nullopt;
    i += extra + 1;
    return cp;
}

void AppendUtf16(std::wstring& out, char32_t cp) {
    if (cp >= 0x10000) {
        cp -= 0x10000;
        out += static_cast<wchar_t>(0xD800 + (cp >> 10));
        out += static_cast<wchar_t>(0xDC00 + (cp & 0x3FF));
    } else {
        out += static_cast<wchar_t>(cp);
    }
}

} // namespace

TLayoutError::TLayoutError(std::wstring fileName, int line, std::wstring property, std::wstring message)
    : std::runtime_error(ToUtf8(ComposeError(fileName, line, property, message))),
      FFileName(std::move(fileName)), FLine(line), FProperty(std::move(property)), FMessage(std::move(message)) {}

std::wstring TLayoutError::Text() const { return ComposeError(FFileName, FLine, FProperty, FMessage); }

const wchar_t* DescribeValueKind(TLayoutValueKind kind) {
    switch (kind) {
    case TLayoutValueKind::Integer: return L"an integer";
    case TLayoutValueKind::String: return L"a string";
    case TLayoutValueKind::Identifier: return L"an identifier";
    case TLayoutValueKind::Set: return L"a set";
    case TLayoutValueKind::List: return L"a list";
    }
    return L"a value";
}

bool SameName(std::wstring_view a, std::wstring_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        wchar_t x = a[i], y = b[i];
        if (x >= L'A' && x <= L'Z') x += 32;
        if (y >= L'A' && y <= L'Z') y += 32;
        if (x != y) return false;
    }
    return true;
}

std::wstring FromUtf8(std::string_view text) {
    std::wstring out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        if (auto cp = DecodeUtf8(text, i)) AppendUtf16(out, *cp);
        else { out += L'\xFFFD'; ++i; }
    }
    return out;
}

std::string ToUtf8(std::wstring_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        char32_t cp = static_cast<char16_t>(text[i]);
        if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF)
            cp = 0x10000 + ((cp - 0xD800) << 10) + (static_cast<char16_t>(text[++i]) - 0xDC00);
        else if (cp >= 0xD800 && cp <= 0xDFFF)
            cp = 0xFFFD; // a lone surrogate has no UTF-8 form
        if (cp < 0x80) out += static_cast<char>(cp);
        else if (cp < 0x800) { out += static_cast<char>(0xC0 | (cp >> 6)); out += static_cast<char>(0x80 | (cp & 0x3F)); }
        else if (cp < 0x10000) {
            out += static_cast<char>(0xE0 | (cp >> 12));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (cp >> 18));
            out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        }
    }
    return out;
}

// ---------------------------------------------------------------------------------------------
// [SECTION] Lexer
// ---------------------------------------------------------------------------------------------

namespace {

enum class TokenKind { Identifier, Integer, String, Symbol, EndOfText };

struct Token {
    TokenKind Kind = TokenKind::EndOfText;
    std::wstring Text;       // identifier name, string characters, or the symbol
    std::uint64_t Magnitude = 0;
    int Line = 1;
};

constexpr bool IsIdentStart(wchar_t c) { return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z') || c == L'_'; }
constexpr bool IsDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }
constexpr bool IsIdentChar(wchar_t c) { return IsIdentStart(c) || IsDigit(c) || c == L'.'; }
constexpr int HexValue(wchar_t c) {
    return IsDigit(c) ? c - L'0' : (c >= L'a' && c <= L'f') ? c - L'a' + 10 : (c >= L'A' && c <= L'F') ? c - L'A' + 10 : -1;
}

class Lexer {
public:
    Lexer(const std::wstring& fileName, std::string_view utf8) : FFile(fileName) { Decode(utf8); }

    Token Next() {
        SkipBlanks();
        Token t;
        t.Line = FLine;
        if (FPos >= FText.size()) return t;
        wchar_t c = FText[FPos];
        if (IsIdentStart(c)) {
            t.Kind = TokenKind::Identifier;
            while (FPos < FText.size() && IsIdentChar(FText[FPos])) t.Text += FText[FPos++];
            if (t.Text.back() == L'.' || t.Text.find(L"..") != std::wstring::npos)
                Fail(L"malformed name '" + t.Text + L"'");
        } else if (IsDigit(c) || c == L'$') {
            t.Kind = TokenKind::Integer;
            t.Magnitude = ReadNumber();
        } else if (c == L'\'' || c == L'#') {
            t.Kind = TokenKind::String;
            t.Text = ReadString();
        } else if (std::wstring_view(L"=:[](),+-").find(c) != std::wstring_view::npos) {
            t.Kind = TokenKind::Symbol;
            t.Text = c;
            ++FPos;
        } else {
            Fail(std::wstring(L"unexpected character '") + c + L"'");
        }
        return t;
    }

    [[noreturn]] void Fail(const std::wstring& message, int line = 0) const {
        throw TLayoutError(FFile, line ? line : FLine, L"", message);
    }

private:
    // The whole text is decoded up front so that a bad byte is reported with its line even
    // when it sits inside a comment.
    void Decode(std::string_view utf8) {
        if (utf8.substr(0, 3) == "\xEF\xBB\xBF") utf8.remove_prefix(3);
        int line = 1;
        FText.reserve(utf8.size());
        for (size_t i = 0; i < utf8.size();) {
            if (utf8[i] == '\n') ++line;
            if (auto cp = DecodeUtf8(utf8, i)) AppendUtf16(FText, *cp);
            else Fail(L"the text is not valid UTF-8", line);
        }
    }

    void SkipBlanks() {
        while (FPos < FText.size()) {
            wchar_t c = FText[FPos];
            if (c == L'\n') { ++FLine; ++FPos; }
            else if (c == L' ' || c == L'\t' || c == L'\r') ++FPos;
            else if (c == L'/' && FPos + 1 < FText.size() && FText[FPos + 1] == L'/') {
                while (FPos < FText.size() && FText[FPos] != L'\n') ++FPos;
            } else break;
        }
    }

    std::uint64_t ReadNumber() {
        bool hex = FText[FPos] == L'$';
        if (hex) ++FPos;
        const std::uint64_t base = hex ? 16 : 10;
        std::uint64_t value = 0;
        int digits = 0;
        while (FPos < FText.size()) {
            int d = hex ? HexValue(FText[FPos]) : (IsDigit(FText[FPos]) ? FText[FPos] - L'0' : -1);
            if (d < 0) break;
            if (value > (std::numeric_limits<std::uint64_t>::max() - d) / base) Fail(L"number too large");
            value = value * base + d;
            ++digits;
            ++FPos;
        }
        if (digits == 0) Fail(L"'$' without hexadecimal digits");
        if (FPos < FText.size() && (IsIdentChar(FText[FPos]))) Fail(std::wstring(L"unexpected character '") + FText[FPos] + L"' in a number");
        return value;
    }

    // One string token: quoted runs and #NNN codes written next to each other.
    std::wstring ReadString() {
        std::wstring out;
        while (FPos < FText.size()) {
            if (FText[FPos] == L'\'') {
                ++FPos;
                for (;;) {
                    if (FPos >= FText.size() || FText[FPos] == L'\n' || FText[FPos] == L'\r') Fail(L"unterminated string");
                    wchar_t c = FText[FPos++];
                    if (c == L'\'') {
                        if (FPos < FText.size() && FText[FPos] == L'\'') { out += L'\''; ++FPos; continue; }
                        break;
                    }
                    out += c;
                }
            } else if (FText[FPos] == L'#') {
                ++FPos;
                if (FPos >= FText.size() || !(IsDigit(FText[FPos]) || FText[FPos] == L'$')) Fail(L"'#' without a character code");
                std::uint64_t code = ReadNumber();
                if (code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) Fail(L"character code out of range");
                AppendUtf16(out, static_cast<char32_t>(code));
            } else {
                break;
            }
        }
        return out;
    }

    std::wstring FFile;
    std::wstring FText;
    size_t FPos = 0;
    int FLine = 1;
};

// ---------------------------------------------------------------------------------------------
// [SECTION] Parser
// ---------------------------------------------------------------------------------------------

// Layouts come from our own resources, but the parser still refuses runaway nesting rather
// than exhausting the stack on a damaged file.
constexpr int kMaxDepth = 64;

class Parser {
public:
    Parser(const std::wstring& fileName, std::string_view utf8) : FFileName(fileName), FLex(fileName, utf8) { Advance(); }

    TLayoutObject ParseRoot() {
        if (!IsKeyword(L"object")) FLex.Fail(L"a layout starts with 'object'", FTok.Line);
        TLayoutObject root = ParseObject(0);
        if (FTok.Kind != TokenKind::EndOfText) FLex.Fail(L"text after the final 'end'", FTok.Line);
        return root;
    }

private:
    void Advance() { FTok = FLex.Next(); }
    bool IsKeyword(std::wstring_view word) const { return FTok.Kind == TokenKind::Identifier && SameName(FTok.Text, word); }
    bool IsSymbol(wchar_t c) const { return FTok.Kind == TokenKind::Symbol && FTok.Text[0] == c; }

    std::wstring Describe(const Token& t) const {
        switch (t.Kind) {
        case TokenKind::Identifier: return L"'" + t.Text + L"'";
        case TokenKind::Integer: return L"a number";
        case TokenKind::String: return L"a string";
        case TokenKind::Symbol: return L"'" + t.Text + L"'";
        case TokenKind::EndOfText: return L"the end of the text";
        }
        return L"?";
    }

    void Expect(wchar_t symbol, const wchar_t* where) {
        if (!IsSymbol(symbol))
            FLex.Fail(std::wstring(L"expected '") + symbol + L"' " + where + L", found " + Describe(FTok), FTok.Line);
        Advance();
    }

    std::wstring ExpectName(const wchar_t* what) {
        if (FTok.Kind != TokenKind::Identifier || FTok.Text.find(L'.') != std::wstring::npos)
            FLex.Fail(std::wstring(L"expected ") + what + L", found " + Describe(FTok), FTok.Line);
        std::wstring name = FTok.Text;
        Advance();
        return name;
    }

    TLayoutObject ParseObject(int depth) {
        if (depth >= kMaxDepth) FLex.Fail(L"objects nested too deeply", FTok.Line);
        TLayoutObject obj;
        obj.Line = FTok.Line;
        Advance(); // 'object'
        obj.Name = ExpectName(L"an object name");
        Expect(L':', L"after the object name");
        obj.ClassName = ExpectName(L"a class name");
        for (;;) {
            if (IsKeyword(L"end")) { Advance(); return obj; }
            if (IsKeyword(L"object")) { obj.Children.push_back(ParseObject(depth + 1)); continue; }
            if (FTok.Kind == TokenKind::EndOfText) FLex.Fail(L"missing 'end' of object '" + obj.Name + L"'", FTok.Line);
            if (FTok.Kind != TokenKind::Identifier)
                FLex.Fail(L"expected a property name, 'object' or 'end', found " + Describe(FTok), FTok.Line);
            TLayoutProperty prop;
            prop.Name = FTok.Text;
            prop.Line = FTok.Line;
            Advance();
            if (!IsSymbol(L'='))
                throw TLayoutError(FileName(), FTok.Line, prop.Name, L"expected '=', found " + Describe(FTok));
            Advance();
            prop.Value = ParseValue(prop.Name, depth);
            obj.Properties.push_back(std::move(prop));
        }
    }

    TLayoutValue ParseValue(const std::wstring& property, int depth) {
        if (depth >= kMaxDepth) FLex.Fail(L"values nested too deeply", FTok.Line);
        TLayoutValue v;
        v.Line = FTok.Line;
        auto fail = [&](const std::wstring& message) { throw TLayoutError(FileName(), FTok.Line, property, message); };
        if (IsSymbol(L'-') || FTok.Kind == TokenKind::Integer) {
            bool negative = IsSymbol(L'-');
            if (negative) {
                Advance();
                if (FTok.Kind != TokenKind::Integer) fail(L"expected a number after '-'");
            }
            const std::uint64_t limit = static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max()) + (negative ? 1 : 0);
            if (FTok.Magnitude > limit) fail(L"number out of range");
            v.Kind = TLayoutValueKind::Integer;
            v.Int = negative ? static_cast<std::int64_t>(0 - FTok.Magnitude) : static_cast<std::int64_t>(FTok.Magnitude);
            Advance();
        } else if (FTok.Kind == TokenKind::String) {
            v.Kind = TLayoutValueKind::String;
            v.Text = FTok.Text;
            Advance();
            while (IsSymbol(L'+')) { // long strings are split over lines: 'abc' + 'def'
                Advance();
                if (FTok.Kind != TokenKind::String) fail(L"expected a string after '+'");
                v.Text += FTok.Text;
                Advance();
            }
        } else if (FTok.Kind == TokenKind::Identifier) {
            if (IsKeyword(L"object") || IsKeyword(L"end")) fail(L"missing value");
            v.Kind = TLayoutValueKind::Identifier;
            v.Text = FTok.Text;
            Advance();
        } else if (IsSymbol(L'[')) {
            v.Kind = TLayoutValueKind::Set;
            Advance();
            while (!IsSymbol(L']')) {
                if (!v.Items.empty()) {
                    if (!IsSymbol(L',')) fail(L"expected ',' or ']' in a set, found " + Describe(FTok));
                    Advance();
                }
                if (FTok.Kind != TokenKind::Identifier) fail(L"a set holds names only, found " + Describe(FTok));
                TLayoutValue item;
                item.Kind = TLayoutValueKind::Identifier;
                item.Text = FTok.Text;
                item.Line = FTok.Line;
                v.Items.push_back(std::move(item));
                Advance();
            }
            Advance();
        } else if (IsSymbol(L'(')) {
            v.Kind = TLayoutValueKind::List;
            Advance();
            while (!IsSymbol(L')')) {
                if (FTok.Kind == TokenKind::EndOfText || IsKeyword(L"end") || IsKeyword(L"object")) fail(L"missing ')'");
                v.Items.push_back(ParseValue(property, depth + 1));
                if (IsSymbol(L',')) Advance(); // items may be separated by commas or just by blanks
            }
            Advance();
        } else {
            fail(L"expected a value, found " + Describe(FTok));
        }
        return v;
    }

    const std::wstring& FileName() const { return FFileName; }

    std::wstring FFileName;
    Lexer FLex;
    Token FTok;
};

} // namespace

TLayoutObject ParseLayout(const std::wstring& fileName, std::string_view utf8Text) {
    Parser parser(fileName, utf8Text);
    return parser.ParseRoot();
}

} // namespace ui
