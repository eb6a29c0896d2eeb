// The kit's memo: the platform's multi-line EDIT control with the kit's frame painted over its
// border, a background that follows its state (disabled, focused, read-only, normal, in that
// order), Enter acting as Tab on request, mouse-wheel scrolling by whole lines and reports of
// the caret's line and column and of the clipboard state.
//
// Lines are the text's logical lines, split at line breaks (CR LF, or a lone LF or CR), not the
// rows the control wraps them into.
#pragma once
#include "ui/Gdi.h"
#include "widgets/WkFramedControl.h"
#include <functional>
#include <string>
#include <vector>

namespace ui { class TClassRegistry; }

namespace wk {

enum TScrollStyle : unsigned char { ssNone, ssHorizontal, ssVertical, ssBoth };
inline constexpr ui::TEnumName<TScrollStyle> kScrollStyleNames[] = {
    {L"ssNone", ssNone}, {L"ssHorizontal", ssHorizontal}, {L"ssVertical", ssVertical}, {L"ssBoth", ssBoth}};
constexpr const auto& EnumNames(TScrollStyle) { return kScrollStyleNames; }

class TWkMemo;

// The memo's text as a list of lines; every change goes straight to the memo.
class TMemoLines {
public:
    explicit TMemoLines(TWkMemo& memo) : FMemo(memo) {}
    TMemoLines(const TMemoLines&) = delete;
    TMemoLines& operator=(const TMemoLines&) = delete;

    int Count() const;
    std::wstring operator[](int index) const;
    void Add(const std::wstring& line);
    void Clear();
    // All lines, each followed by CR LF (as the memo keeps them).
    std::wstring Text() const;
    void SetText(const std::wstring& text);
    void Assign(const std::vector<std::wstring>& lines);
    std::vector<std::wstring> ToVector() const;
    // Reads a text file: UTF-8 or UTF-16 with a byte-order mark, otherwise 8-bit text in the
    // system code page. Throws ui::Exception naming the file when it cannot be read.
    // Reads a text file (its encoding recognised as DecodeTextFile does). With `maxBytes`, a
    // longer file shows only its first whole lines within that many bytes; returns false then.
    bool LoadFromFile(const std::wstring& path, std::size_t maxBytes = SIZE_MAX);

private:
    TWkMemo& FMemo;
};

using TLineColChangeEvent = std::function<void(ui::TObject* sender, int line, int column)>;
using TClipboardChangeEvent = std::function<void(ui::TObject* sender, bool hasSelection, bool hasText)>;

class TWkMemo : public TWkFramedControl {
public:
    explicit TWkMemo(ui::TComponent* owner = nullptr);
    std::wstring ClassName() const override { return L"TWkMemo"; }

    TMemoLines& Lines() { return FLines; }

    bool ReadOnly() const { return FReadOnly; }
    void SetReadOnly(bool value);
    ui::TColor ReadOnlyColor() const { return FReadOnlyColor; }
    void SetReadOnlyColor(ui::TColor value);
    bool ReadOnlyColorOnFocus() const { return FReadOnlyColorOnFocus; }
    void SetReadOnlyColorOnFocus(bool value);
    TScrollStyle ScrollBars() const { return FScrollBars; }
    void SetScrollBars(TScrollStyle value);
    // Long lines wrap at the right edge (no horizontal scrolling) while WordWrap is on.
    bool WordWrap() const { return FWordWrap; }
    void SetWordWrap(bool value);
    bool TabOnEnter() const { return FTabOnEnter; }
    void SetTabOnEnter(bool value) { FTabOnEnter = value; }

    // The caret's line and column, both counted from 1.
    virtual int CaretLine();
    virtual int CaretColumn();
    virtual void SetCaretLine(int line);
    virtual void SetCaretColumn(int column);

    TLineColChangeEvent OnLineColChange;
    TClipboardChangeEvent OnClipboardChange;
    // When set, the wheel is left to the framework instead of scrolling the memo by lines.
    std::function<void(ui::TObject* sender, int delta)> OnMouseWheel;

protected:
    // The framed control's settings, then the two read-only ones.
    void ApplyFrameController(const TWkFrameController& controller) override;
    ui::TColor StateColor() const override;
    void BackgroundChanged() override;
    void CreateParams(ui::TCreateParams& params) override;
    void CreateWnd() override;
    bool HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    bool KeyPress(wchar_t& ch) override;
    void TextChanged() override;

private:
    LRESULT ControlColor(HDC dc);
    bool HandleWheel(WPARAM wParam, LRESULT& result);
    // Lets the framework and the control handle a key or mouse-button message first, then
    // raises the reports that message calls for.
    bool ReportAfter(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result);
    bool WantsReports() const;
    // OnLineColChange, then OnClipboardChange (each only when assigned).
    void ReportPosition();
    void ReportClipboardState();
    void ReportCaret();
    void ReportClipboard();

    TMemoLines FLines{*this};
    bool FReadOnly = false;
    ui::TColor FReadOnlyColor = ui::clInfoBk;
    bool FReadOnlyColorOnFocus = false;
    TScrollStyle FScrollBars = ssNone;
    bool FWordWrap = true;
    bool FTabOnEnter = false;
    ui::BrushOwner FBackgroundBrush;  // handed to the control for its background
    std::wstring FSavedText;          // the text across a re-created window
    int FWheelRemainder = 0;          // wheel delta below one notch, kept for the next
    bool FLeftPressed = false;        // a left press on the memo may still end in a click
    bool FPassingOn = false;          // ReportAfter is handing its message to the dispatcher
};

// Splits text into lines at CR LF, LF or CR; a final line break ends the last line.
std::vector<std::wstring> SplitLines(const std::wstring& text);
// Decodes a text file's bytes: UTF-8 / UTF-16 LE / UTF-16 BE by byte-order mark, else UTF-8
// when the bytes are well-formed UTF-8 with at least one non-ASCII character, else the system
// code page.
std::wstring DecodeTextFile(const std::string& bytes);
// Scroll commands for a wheel turned by `notches` (positive: up) with the lines-per-notch
// setting: one line per line, or one page per notch with WHEEL_PAGESCROLL.
struct TWheelScroll {
    int Command;   // SB_LINEUP, SB_LINEDOWN, SB_PAGEUP, SB_PAGEDOWN
    int Count;
};
TWheelScroll MemoWheelScroll(int notches, UINT linesPerNotch);

void RegisterWkMemoClasses(ui::TClassRegistry& registry);

} // namespace wk
