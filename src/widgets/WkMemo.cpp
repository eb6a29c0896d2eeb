#include "widgets/WkMemo.h"
#include "ui/Application.h"
#include "ui/FilePath.h"
#include "ui/KernelHandle.h"
#include "ui/TextEncoding.h"
#include "ui/Form.h"
#include "ui/Layout.h"
#include <windowsx.h>
#include <algorithm>
#include <cstdlib>

namespace wk {

using ui::TColor;

namespace {
// Posted to a new window: the first reports wait until its creation has finished.
constexpr UINT WM_WK_REPORT_CARET = WM_APP + 0x2A1;

std::wstring Decode(UINT codePage, const char* data, size_t size) {
    if (size == 0) return {};
    const int n = MultiByteToWideChar(codePage, 0, data, static_cast<int>(size), nullptr, 0);
    std::wstring out(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(codePage, 0, data, static_cast<int>(size), out.data(), n);
    return out;
}
} // namespace

// =============================================================================================
// Text helpers
// =============================================================================================

std::vector<std::wstring> SplitLines(const std::wstring& text) {
    std::vector<std::wstring> lines;
    size_t start = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != L'\r' && text[i] != L'\n') continue;
        lines.push_back(text.substr(start, i - start));
        if (text[i] == L'\r' && i + 1 < text.size() && text[i + 1] == L'\n') ++i;
        start = i + 1;
    }
    if (start < text.size()) lines.push_back(text.substr(start));
    return lines;
}

std::wstring DecodeTextFile(const std::string& bytes) {
    const ui::TTextFormat format = ui::DetectTextFormat(bytes.data(), bytes.size());
    const char* text = bytes.data() + format.MarkBytes;
    const size_t size = bytes.size() - format.MarkBytes;
    switch (format.Encoding) {
    case ui::TTextEncoding::Utf16Le: return ui::DecodeUtf16(text, size, false);
    case ui::TTextEncoding::Utf16Be: return ui::DecodeUtf16(text, size, true);
    case ui::TTextEncoding::Utf8: return Decode(CP_UTF8, text, size);
    case ui::TTextEncoding::CodePage: break;
    }
    return Decode(CP_ACP, text, size);
}

TWheelScroll MemoWheelScroll(int notches, UINT linesPerNotch) {
    if (linesPerNotch == WHEEL_PAGESCROLL) return {notches > 0 ? SB_PAGEUP : SB_PAGEDOWN, std::abs(notches)};
    return {notches > 0 ? SB_LINEUP : SB_LINEDOWN, std::abs(notches) * static_cast<int>(linesPerNotch)};
}

// =============================================================================================
// TMemoLines
// =============================================================================================

std::vector<std::wstring> TMemoLines::ToVector() const { return SplitLines(FMemo.Text()); }
int TMemoLines::Count() const { return static_cast<int>(ToVector().size()); }
std::wstring TMemoLines::operator[](int index) const { return ToVector().at(static_cast<size_t>(index)); }

std::wstring TMemoLines::Text() const {
    std::wstring text;
    for (const std::wstring& line : ToVector()) text += line + L"\r\n";
    return text;
}

void TMemoLines::SetText(const std::wstring& text) { Assign(SplitLines(text)); }

void TMemoLines::Assign(const std::vector<std::wstring>& lines) {
    // The edit control breaks lines only at CR LF; the last line gets no break of its own,
    // so no empty line appears below the text.
    std::wstring text;
    for (size_t i = 0; i < lines.size(); ++i) {
        if (i) text += L"\r\n";
        text += lines[i];
    }
    FMemo.SetText(text);
}

void TMemoLines::Add(const std::wstring& line) {
    auto lines = ToVector();
    lines.push_back(line);
    Assign(lines);
}

void TMemoLines::Clear() { FMemo.SetText(L""); }

bool TMemoLines::LoadFromFile(const std::wstring& path, std::size_t maxBytes) {
    ui::KernelHandle file(CreateFileW(ui::ExtendedLengthPath(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                      nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) throw ui::Exception(path + L"\r\n" + ui::SystemErrorText(GetLastError()));
    std::string bytes;
    char buffer[64 * 1024];
    DWORD got = 0;
    DWORD error = 0;
    bool whole = true;
    for (;;) {
        if (!ReadFile(file.Get(), buffer, sizeof buffer, &got, nullptr)) { error = GetLastError(); break; }
        if (got == 0) break;
        if (bytes.size() + got > maxBytes) {
            bytes.append(buffer, maxBytes - bytes.size());
            whole = false;
            break;
        }
        bytes.append(buffer, got);
    }
    file.Reset();
    if (error) throw ui::Exception(path + L"\r\n" + ui::SystemErrorText(error));
    if (whole) {
        SetText(DecodeTextFile(bytes));
        return true;
    }
    // The cut may fall inside a character: the part line after the last line break goes. A
    // line feed byte is never part of another character in UTF-8 or the code page, so 8-bit
    // text is cut there before it is decoded; UTF-16 is cut once decoded.
    const ui::TTextEncoding encoding = ui::DetectTextFormat(bytes.data(), bytes.size()).Encoding;
    const bool utf16 = encoding == ui::TTextEncoding::Utf16Le || encoding == ui::TTextEncoding::Utf16Be;
    if (utf16)
        bytes.resize(bytes.size() & ~std::size_t(1));  // whole UTF-16 units
    else
        bytes.resize(bytes.find_last_of('\n') == std::string::npos ? 0 : bytes.find_last_of('\n') + 1);
    std::wstring text = DecodeTextFile(bytes);
    const std::size_t lastBreak = text.find_last_of(L'\n');
    text.resize(lastBreak == std::wstring::npos ? 0 : lastBreak + 1);
    SetText(text);
    return false;
}

// =============================================================================================
// TWkMemo
// =============================================================================================

TWkMemo::TWkMemo(ui::TComponent* owner) : TWkFramedControl(owner) { SetBounds(0, 0, 185, 89); }

void TWkMemo::CreateParams(ui::TCreateParams& params) {
    TWkFramedControl::CreateParams(params);
    params.WinClassName = L"PlumoraWkMemo";
    params.BaseClassName = L"EDIT";
    params.Style |= ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN | ES_NOHIDESEL;
    if (FReadOnly) params.Style |= ES_READONLY;
    // Without ES_AUTOHSCROLL the control wraps long lines at its right edge.
    if (!FWordWrap) params.Style |= ES_AUTOHSCROLL;
    if (FScrollBars == ssVertical || FScrollBars == ssBoth) params.Style |= WS_VSCROLL;
    if (FScrollBars == ssHorizontal || FScrollBars == ssBoth) params.Style |= WS_HSCROLL;
}

void TWkMemo::CreateWnd() {
    // A re-created window starts from the text it had; the stored caption may be older than
    // what the user typed.
    if (!FSavedText.empty()) SetWindowTextW(HandleIfAllocated(), FSavedText.c_str());
    FSavedText.clear();
    // The control's default limit (32 767 characters) is too small for a long description.
    SendMessageW(HandleIfAllocated(), EM_LIMITTEXT, 0, 0);
    if (WantsReports()) PostMessageW(HandleIfAllocated(), WM_WK_REPORT_CARET, 0, 0);
}

TColor TWkMemo::StateColor() const {
    if (!Enabled()) return DisabledColor();
    if (HasFocus()) return FReadOnly && FReadOnlyColorOnFocus ? FReadOnlyColor : FocusColor();
    if (FReadOnly) return FReadOnlyColor;
    return NormalColor();
}

void TWkMemo::BackgroundChanged() {
    FBackgroundBrush.Reset();
    if (HandleAllocated()) ::InvalidateRect(HandleIfAllocated(), nullptr, TRUE);
}

LRESULT TWkMemo::ControlColor(HDC dc) {
    // A read-only or disabled edit asks with WM_CTLCOLORSTATIC and would get the dialog's
    // grey from the default handling: answering both keeps the memo's own colour.
    if (!FBackgroundBrush) FBackgroundBrush.Reset(CreateSolidBrush(ui::ColorToRGB(Color())));
    SetTextColor(dc, ui::ColorToRGB(Enabled() ? Font().Color : ui::clGrayText));
    SetBkColor(dc, ui::ColorToRGB(Color()));
    return reinterpret_cast<LRESULT>(FBackgroundBrush.Get());
}

void TWkMemo::SetReadOnly(bool value) {
    if (FReadOnly == value) return;
    FReadOnly = value;
    if (HandleAllocated()) SendMessageW(HandleIfAllocated(), EM_SETREADONLY, value, 0);
    UpdateColors();
}

void TWkMemo::SetReadOnlyColor(TColor value) {
    if (FReadOnlyColor == value) return;
    FReadOnlyColor = value;
    if (FReadOnly) UpdateColors();
}

void TWkMemo::SetReadOnlyColorOnFocus(bool value) {
    if (FReadOnlyColorOnFocus == value) return;
    FReadOnlyColorOnFocus = value;
    if (FReadOnly && HasFocus()) UpdateColors();
}

void TWkMemo::ApplyFrameController(const TWkFrameController& fc) {
    if (TakesFromController(fcpReadOnlyColor)) SetReadOnlyColor(fc.ReadOnlyColor());
    if (TakesFromController(fcpReadOnlyColorOnFocus)) SetReadOnlyColorOnFocus(fc.ReadOnlyColorOnFocus());
    TWkFramedControl::ApplyFrameController(fc);
}

void TWkMemo::SetScrollBars(TScrollStyle value) {
    if (FScrollBars == value) return;
    FScrollBars = value;
    RecreateWnd();
}

void TWkMemo::SetWordWrap(bool value) {
    if (FWordWrap == value) return;
    FWordWrap = value;
    // An edit control cannot switch wrapping on or off once made.
    RecreateWnd();
}

// ---- Messages ---------------------------------------------------------------------------

bool TWkMemo::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    switch (msg) {
    case ui::CN_CTLCOLOREDIT:
    case ui::CN_CTLCOLORSTATIC:
        result = ControlColor(reinterpret_cast<HDC>(wParam));
        return true;
    case WM_MOUSEWHEEL:
        return HandleWheel(wParam, result);
    case WM_DESTROY:
        FSavedText = Text();
        return false;
    case WM_KEYDOWN: case WM_KEYUP: case WM_SYSKEYDOWN: case WM_SYSKEYUP:
    case WM_LBUTTONDOWN: case WM_LBUTTONDBLCLK:
    case WM_LBUTTONUP: case WM_RBUTTONUP: case WM_MBUTTONUP:
        return ReportAfter(msg, wParam, lParam, result);
    case ui::CN_COMMAND:
        if (HIWORD(wParam) == EN_CHANGE) ReportPosition();
        return false;
    case WM_WK_REPORT_CARET:
        ReportPosition();
        result = 0;
        return true;
    default:
        return false;
    }
}

void TWkMemo::TextChanged() {
    TWkFramedControl::TextChanged();
    // A multi-line edit control sends no EN_CHANGE for text set from outside.
    if (HandleAllocated()) ReportPosition();
}

// The caret moves and the selection changes while the control handles a key or a button:
// the reports follow its handling, never precede it. A press alone reports nothing; the
// release that ends a click reports like a click, then like any release.
bool TWkMemo::ReportAfter(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    if (FPassingOn) {
        FPassingOn = false; // this is the message passed on below: the dispatcher takes it
        return false;
    }
    if (msg == WM_LBUTTONDOWN || msg == WM_LBUTTONDBLCLK) {
        // The second press of a double click starts no click of its own.
        FLeftPressed = msg == WM_LBUTTONDOWN;
        return false;
    }
    const bool endsClick = msg == WM_LBUTTONUP && FLeftPressed &&
                           ClientRect().Contains({GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
    if (msg == WM_LBUTTONUP) FLeftPressed = false;
    if (!WantsReports()) return false;
    FPassingOn = true;
    result = WndProc(msg, wParam, lParam);
    FPassingOn = false;
    switch (msg) {
    case WM_LBUTTONUP: case WM_RBUTTONUP: case WM_MBUTTONUP:
        if (endsClick) ReportPosition();
        ReportClipboardState();
        break;
    default: ReportPosition(); break;
    }
    return true;
}

bool TWkMemo::WantsReports() const { return OnLineColChange || OnClipboardChange; }

void TWkMemo::ReportPosition() {
    ui::GuardedCall([&] {
        ReportCaret();
        ReportClipboard();
    });
}

void TWkMemo::ReportClipboardState() {
    ui::GuardedCall([&] { ReportClipboard(); });
}

bool TWkMemo::KeyPress(wchar_t& ch) {
    if (FTabOnEnter && ch == L'\r') {
        // Enter moves on like Tab and puts no line break into the text.
        if (ui::TForm* form = ui::GetParentForm(this)) form->SelectNext(this, (GetKeyState(VK_SHIFT) & 0x8000) == 0);
        return true;
    }
    return TWkFramedControl::KeyPress(ch);
}

bool TWkMemo::HandleWheel(WPARAM wParam, LRESULT& result) {
    if (OnMouseWheel) return false;
    result = 0;
    // Whole notches only; a fine-grained wheel's smaller steps add up to the next notch
    // instead of being dropped one by one.
    FWheelRemainder += GET_WHEEL_DELTA_WPARAM(wParam);
    const int notches = FWheelRemainder / WHEEL_DELTA;
    FWheelRemainder -= notches * WHEEL_DELTA;
    if (notches == 0) return true;
    UINT lines = 3;
    SystemParametersInfoW(SPI_GETWHEELSCROLLLINES, 0, &lines, 0);
    const TWheelScroll scroll = MemoWheelScroll(notches, lines);
    for (int i = 0; i < scroll.Count; ++i)
        if (!SendMessageW(HandleIfAllocated(), EM_SCROLL, scroll.Command, 0)) break;
    return true;
}

// ---- Caret position ---------------------------------------------------------------------

namespace {
struct TSelection {
    DWORD Start = 0;
    DWORD End = 0;
};
TSelection GetSelection(HWND wnd) {
    TSelection s;
    SendMessageW(wnd, EM_GETSEL, reinterpret_cast<WPARAM>(&s.Start), reinterpret_cast<LPARAM>(&s.End));
    return s;
}
} // namespace

int TWkMemo::CaretLine() {
    HWND wnd = Handle();
    const TSelection sel = GetSelection(wnd);
    int index = static_cast<int>(sel.Start);
    if (sel.Start != sel.End && HasFocus()) {
        // With a selection the caret is at either end: ask for the character under it.
        POINT caret{};
        GetCaretPos(&caret);
        const auto hit = SendMessageW(wnd, EM_CHARFROMPOS, 0, MAKELPARAM(caret.x, caret.y));
        if (hit == -1) return 1;
        return HIWORD(hit) + 1;
    }
    return static_cast<int>(SendMessageW(wnd, EM_LINEFROMCHAR, index, 0)) + 1;
}

int TWkMemo::CaretColumn() {
    HWND wnd = Handle();
    const TSelection sel = GetSelection(wnd);
    int index = static_cast<int>(sel.End);
    if (sel.Start != sel.End && HasFocus()) {
        POINT caret{};
        GetCaretPos(&caret);
        const auto hit = SendMessageW(wnd, EM_CHARFROMPOS, 0, MAKELPARAM(caret.x, caret.y));
        if (hit == -1) return 1;
        index = LOWORD(hit);
    } else if (sel.Start == sel.End) {
        index = static_cast<int>(sel.Start);
    }
    const auto line = SendMessageW(wnd, EM_LINEFROMCHAR, index, 0);
    const auto lineStart = SendMessageW(wnd, EM_LINEINDEX, line, 0);
    return index - static_cast<int>(lineStart) + 1;
}

void TWkMemo::SetCaretLine(int line) {
    HWND wnd = Handle();
    const auto start = SendMessageW(wnd, EM_LINEINDEX, line - 1, 0);
    if (line < 1 || start < 0) return;
    SendMessageW(wnd, EM_SETSEL, start, start);
    if (CaretLine() != line) return;
    const auto first = SendMessageW(wnd, EM_GETFIRSTVISIBLELINE, 0, 0);
    SendMessageW(wnd, EM_LINESCROLL, 0, (line - 1) - first);
    ReportCaret();
}

void TWkMemo::SetCaretColumn(int column) {
    HWND wnd = Handle();
    const auto lineStart = SendMessageW(wnd, EM_LINEINDEX, CaretLine() - 1, 0);
    const auto length = SendMessageW(wnd, EM_LINELENGTH, lineStart, 0);
    if (column < 1 || column > length + 1) return;
    SendMessageW(wnd, EM_SETSEL, lineStart + column - 1, lineStart + column - 1);
    ReportCaret();
}

void TWkMemo::ReportCaret() {
    if (OnLineColChange && HandleAllocated()) OnLineColChange(this, CaretLine(), CaretColumn());
}

void TWkMemo::ReportClipboard() {
    if (!OnClipboardChange || !HandleAllocated()) return;
    const TSelection sel = GetSelection(HandleIfAllocated());
    const bool hasText = IsClipboardFormatAvailable(CF_UNICODETEXT) || IsClipboardFormatAvailable(CF_TEXT);
    OnClipboardChange(this, sel.Start != sel.End, hasText);
}

// =============================================================================================
// Layout registration
// =============================================================================================

void RegisterWkMemoClasses(ui::TClassRegistry& registry) {
    using ui::TLayoutContext;
    using ui::TLayoutValue;
    using M = TWkMemo;
    RegisterWkFramedControlProperties(registry);
    ui::RegisterControlClass<TWkMemo, TWkFramedControl>(registry, L"TWkMemo");
    registry.Property<M>(L"ReadOnly", &M::SetReadOnly);
    registry.Property<M>(L"ReadOnlyColor", &M::SetReadOnlyColor);
    registry.Property<M>(L"ReadOnlyColorOnFocus", &M::SetReadOnlyColorOnFocus);
    registry.Property<M>(L"ScrollBars", &M::SetScrollBars);
    registry.Property<M>(L"WordWrap", &M::SetWordWrap);
    registry.Property<M>(L"TabOnEnter", &M::SetTabOnEnter);
    registry.Property<M>(L"Lines.Strings", [](M& m, const TLayoutValue& v, TLayoutContext& c) { m.Lines().Assign(c.Strings(v)); });
}

} // namespace wk
