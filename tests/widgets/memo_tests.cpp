// Memo: the description dialog's read-only memo stays white (as painted by the control),
// the state colours' order, lines in and out (also from 8-bit and byte-order-marked files),
// wrapping instead of horizontal scrolling, no editing while read-only, the painted frame,
// the wheel, and the caret and clipboard reports raised by real clicks, keys and text
// changes. Windows are real (run under Xvfb).
#include "widgets/WkMemo.h"
#include "ui/Application.h"
#include "ui/Form.h"
#include "ui/Gdi.h"
#include "ui/Layout.h"
#include "widgets/WkKit.h"
#include <gtest/gtest.h>
#include <cstdio>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

using namespace wk;

namespace {

WPARAM Wheel(int delta) { return MAKEWPARAM(0, static_cast<WORD>(static_cast<short>(delta))); }

class MemoTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetKitSettings(true, xcsNormal);
        form = std::make_unique<ui::TForm>();
        form->SetBounds(100, 100, 360, 380);
        memo = new TWkMemo(form.get());
        memo->SetParent(form.get());
        memo->SetBounds(0, 0, 330, 320);
    }

    // The description dialog's settings, in the layout's order.
    void ConfigureAsDescription() {
        memo->SetReadOnly(true);
        memo->SetColor(ui::clWhite);
        memo->SetReadOnlyColor(ui::clWhite);
        memo->SetScrollBars(ssVertical);
        memo->SetFrameVisible(true);
        memo->SetFrameColor(12083273);
    }

    // The control paints its client area into a DIB the way it paints on screen.
    COLORREF ClientPixelAsPainted(int x, int y) {
        const ui::Rect client = memo->ClientRect();
        ui::DibSurface dib(client.Width(), client.Height());
        dib.Fill(RGB(1, 2, 3));
        SendMessageW(memo->Handle(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dib.Dc()), PRF_CLIENT | PRF_ERASEBKGND);
        return dib.Pixel(x, y);
    }

    std::wstring WindowText() {
        std::wstring text(static_cast<size_t>(GetWindowTextLengthW(memo->Handle())) + 1, L'\0');
        text.resize(static_cast<size_t>(GetWindowTextW(memo->Handle(), text.data(), static_cast<int>(text.size()))));
        return text;
    }

    std::unique_ptr<ui::TForm> form;
    TWkMemo* memo = nullptr;
};

TEST_F(MemoTest, ReadOnlyDescriptionMemoIsPaintedWhiteNotInTheDialogGrey) {
    ConfigureAsDescription();
    form->Show();
    memo->Lines().SetText(L"第一行\r\n第二行");
    EXPECT_EQ(memo->Color(), ui::clWhite);
    EXPECT_EQ(ClientPixelAsPainted(memo->ClientWidth() - 30, memo->ClientHeight() - 5), RGB(255, 255, 255));

    // Focused it stays white too: FocusColor followed Color when Color was set.
    memo->SetFocus();
    EXPECT_EQ(memo->Color(), ui::clWhite);
    EXPECT_EQ(ClientPixelAsPainted(memo->ClientWidth() - 30, memo->ClientHeight() - 5), RGB(255, 255, 255));

    // The default read-only colour is the info background, and the control shows it.
    memo->SetReadOnlyColor(ui::clInfoBk);
    SetFocus(form->Handle());
    EXPECT_EQ(ClientPixelAsPainted(memo->ClientWidth() - 30, memo->ClientHeight() - 5), GetSysColor(COLOR_INFOBK));
}

TEST_F(MemoTest, BackgroundPrecedenceIsDisabledThenFocusedThenReadOnlyThenNormal) {
    form->Show();
    SetFocus(form->Handle()); // the form focused its first control
    memo->SetColor(RGB(250, 250, 250));
    memo->SetFocusColor(RGB(1, 1, 100));
    memo->SetReadOnlyColor(RGB(2, 100, 2));
    memo->SetDisabledColor(RGB(100, 2, 2));
    EXPECT_EQ(memo->Color(), RGB(250, 250, 250));
    memo->SetReadOnly(true);
    EXPECT_EQ(memo->Color(), RGB(2, 100, 2));
    memo->SetFocus();
    EXPECT_EQ(memo->Color(), RGB(1, 1, 100));
    memo->SetReadOnlyColorOnFocus(true);
    EXPECT_EQ(memo->Color(), RGB(2, 100, 2));
    memo->SetEnabled(false);
    EXPECT_EQ(memo->Color(), RGB(100, 2, 2));
    memo->SetEnabled(true);
    memo->SetReadOnly(false);
    SetFocus(form->Handle());
    EXPECT_EQ(memo->Color(), RGB(250, 250, 250));
}

TEST_F(MemoTest, LinesAreTheTextsLogicalLinesWithCrLfInTheControl) {
    memo->Lines().SetText(L"one\ntwo\r\nthree\rfour\r\n");
    form->Show();
    EXPECT_EQ(memo->Lines().Count(), 4);
    EXPECT_EQ(memo->Lines()[2], L"three");
    EXPECT_EQ(WindowText(), L"one\r\ntwo\r\nthree\r\nfour");
    EXPECT_EQ(memo->Lines().Text(), L"one\r\ntwo\r\nthree\r\nfour\r\n");
    memo->Lines().Add(L"five");
    EXPECT_EQ(memo->Lines().ToVector(), (std::vector<std::wstring>{L"one", L"two", L"three", L"four", L"five"}));
    memo->Lines().Clear();
    EXPECT_EQ(memo->Lines().Count(), 0);

    EXPECT_EQ(SplitLines(L""), std::vector<std::wstring>{});
    EXPECT_EQ(SplitLines(L"a\r\n\r\nb"), (std::vector<std::wstring>{L"a", L"", L"b"}));
}

TEST_F(MemoTest, DescriptionFilesAreReadByTheirMarkAsWellFormedUtf8OrInTheSystemCodePage) {
    // "坦克大战" in GBK, then the same in UTF-8 and UTF-16 with their marks.
    const std::string gbk = "\xCC\xB9\xBF\xCB\xB4\xF3\xD5\xBD\r\nline 2";
    const std::string utf8 = "\xEF\xBB\xBF\xE5\x9D\xA6\xE5\x85\x8B\xE5\xA4\xA7\xE6\x88\x98\r\nline 2";
    const std::string utf16("\xFF\xFE\x66\x57\x4B\x51\x27\x59\x18\x62\x0D\x00\x0A\x00\x32\x00", 16);
    if (GetACP() == 936) {
        EXPECT_EQ(DecodeTextFile(gbk), L"坦克大战\r\nline 2");
    }
    EXPECT_EQ(DecodeTextFile(utf8), L"坦克大战\r\nline 2");
    EXPECT_EQ(DecodeTextFile(utf16), L"坦克大战\r\n2");
    // UTF-8 without the mark is recognised by its form; code page text, even the short kind
    // that looks nearly like UTF-8 ("联通"), is not taken for it.
    EXPECT_EQ(DecodeTextFile(utf8.substr(3)), L"坦克大战\r\nline 2");
    if (GetACP() == 936) {
        EXPECT_EQ(DecodeTextFile("\xC1\xAA\xCD\xA8"), L"联通");
        EXPECT_EQ(DecodeTextFile(gbk + "\r\n" + gbk), L"坦克大战\r\nline 2\r\n坦克大战\r\nline 2");
    }

    wchar_t dir[MAX_PATH];
    GetTempPathW(MAX_PATH, dir);
    const std::wstring path = std::wstring(dir) + L"wkmemo_说明.txt";
    {
        std::ofstream out(path.c_str(), std::ios::binary);
        out << utf8;
    }
    memo->Lines().LoadFromFile(path);
    EXPECT_EQ(memo->Lines().ToVector(), (std::vector<std::wstring>{L"坦克大战", L"line 2"}));
    DeleteFileW(path.c_str());
    EXPECT_THROW(memo->Lines().LoadFromFile(path), ui::Exception);
}

TEST_F(MemoTest, LongLinesWrapWithAVerticalBarAndNoHorizontalScrolling) {
    ConfigureAsDescription();
    form->Show();
    const DWORD style = static_cast<DWORD>(GetWindowLongPtrW(memo->Handle(), GWL_STYLE));
    EXPECT_TRUE(style & WS_VSCROLL);
    EXPECT_FALSE(style & WS_HSCROLL);
    EXPECT_FALSE(style & ES_AUTOHSCROLL);
    EXPECT_TRUE(style & ES_MULTILINE);

    std::wstring longLine;
    for (int i = 0; i < 40; ++i) longLine += L"很长的一行说明文字 ";
    memo->Lines().SetText(longLine);
    EXPECT_EQ(memo->Lines().Count(), 1);
    EXPECT_GT(SendMessageW(memo->Handle(), EM_GETLINECOUNT, 0, 0), 3); // shown on several rows

    // Switching wrapping off re-creates the window with its text.
    memo->SetWordWrap(false);
    EXPECT_TRUE(GetWindowLongPtrW(memo->Handle(), GWL_STYLE) & ES_AUTOHSCROLL);
    EXPECT_EQ(SendMessageW(memo->Handle(), EM_GETLINECOUNT, 0, 0), 1);
    EXPECT_EQ(memo->Lines()[0], longLine);
}

TEST_F(MemoTest, ReadOnlyMemoTakesNoTypingAndNoPaste) {
    memo->SetReadOnly(true);
    form->Show();
    memo->Lines().SetText(L"fixed");
    SendMessageW(memo->Handle(), WM_CHAR, L'x', 0);
    SendMessageW(memo->Handle(), WM_CHAR, VK_BACK, 0);
    SendMessageW(memo->Handle(), EM_SETSEL, 0, -1);
    SendMessageW(memo->Handle(), WM_CLEAR, 0, 0);
    EXPECT_EQ(WindowText(), L"fixed");

    memo->SetReadOnly(false);
    SendMessageW(memo->Handle(), EM_SETSEL, 5, 5);
    SendMessageW(memo->Handle(), WM_CHAR, L'x', 0);
    EXPECT_EQ(WindowText(), L"fixedx");
}

TEST_F(MemoTest, FrameIsARingInTheFrameColourWithTheMemoColourInside) {
    ConfigureAsDescription();
    memo->SetBounds(0, 0, 30, 20);
    ui::DibSurface dib(30, 20);
    dib.Fill(RGB(1, 2, 3));
    {
        ui::TCanvas canvas(dib.Dc());
        memo->PaintNonClient(canvas);
    }
    const COLORREF frame = 12083273;
    for (auto [x, y] : {std::pair{0, 0}, {29, 0}, {0, 19}, {29, 19}, {15, 0}, {0, 10}})
        EXPECT_EQ(dib.Pixel(x, y), frame) << x << "," << y;
    for (auto [x, y] : {std::pair{1, 1}, {28, 18}, {15, 1}, {1, 10}})
        EXPECT_EQ(dib.Pixel(x, y), RGB(255, 255, 255)) << x << "," << y;
    EXPECT_EQ(dib.Pixel(2, 2), RGB(1, 2, 3));

    // With hot tracking and the focus, the hot style and colour apply.
    memo->SetFrameHotTrack(true);
    memo->SetFrameHotColor(RGB(0, 0, 255));
    form->Show();
    memo->SetFocus();
    {
        ui::TCanvas canvas(dib.Dc());
        memo->PaintNonClient(canvas);
    }
    EXPECT_EQ(dib.Pixel(0, 0), RGB(0, 0, 255));
    EXPECT_EQ(dib.Pixel(1, 1), RGB(0, 0, 255)); // fsFlatBold: two rings
}

TEST_F(MemoTest, FrameIsOnTheShownWindowAfterTheControlPaintedItsBorder) {
    ConfigureAsDescription();
    form->Show();
    RedrawWindow(memo->Handle(), nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_UPDATENOW);
    COLORREF corner, inner, bottom, innerBottom;
    {
        ui::WindowDc dc(memo->Handle(), ui::WindowDc::WholeWindow);
        corner = GetPixel(dc, 0, 0);
        inner = GetPixel(dc, 1, 1);
        bottom = GetPixel(dc, 10, memo->Height() - 1);
        innerBottom = GetPixel(dc, 10, memo->Height() - 2);
    }
    EXPECT_EQ(corner, COLORREF(12083273));
    EXPECT_EQ(bottom, COLORREF(12083273));
    EXPECT_EQ(inner, RGB(255, 255, 255));
    EXPECT_EQ(innerBottom, RGB(255, 255, 255));
}

TEST_F(MemoTest, CaretLineAndColumnCountFromOneAndMovesAreReported) {
    form->Show();
    memo->Lines().SetText(L"ab\r\ncdef\r\ng");
    std::vector<std::pair<int, int>> reports;
    memo->OnLineColChange = [&](ui::TObject*, int line, int column) { reports.push_back({line, column}); };
    SendMessageW(memo->Handle(), EM_SETSEL, 0, 0);
    EXPECT_EQ(memo->CaretLine(), 1);
    EXPECT_EQ(memo->CaretColumn(), 1);
    memo->SetCaretLine(2);
    memo->SetCaretColumn(4);
    EXPECT_EQ(memo->CaretLine(), 2);
    EXPECT_EQ(memo->CaretColumn(), 4);
    memo->SetCaretColumn(6); // past the line's end + 1: no move, no report
    EXPECT_EQ(memo->CaretColumn(), 4);
    memo->SetCaretLine(9);   // no such line
    EXPECT_EQ(memo->CaretLine(), 2);
    EXPECT_EQ(reports, (std::vector<std::pair<int, int>>{{2, 1}, {2, 4}}));
}

TEST_F(MemoTest, ReportsFollowClicksKeysAndTextChangesButNotAPress) {
    form->Show();
    memo->Lines().SetText(L"ab\r\ncdef\r\ng");
    memo->SetFocus();
    ui::Application().ProcessMessages();
    std::vector<std::wstring> reports;
    memo->OnLineColChange = [&](ui::TObject*, int line, int column) {
        reports.push_back(L"at " + std::to_wstring(line) + L"," + std::to_wstring(column));
    };
    memo->OnClipboardChange = [&](ui::TObject*, bool hasSelection, bool) {
        reports.push_back(hasSelection ? L"clipboard, selection" : L"clipboard");
    };
    HWND wnd = memo->Handle();
    using Reports = std::vector<std::wstring>;

    // A click between "d" and "e" of line 2: nothing at the press; at the release the new
    // place, then the clipboard for the click and again for the release.
    const LRESULT e = SendMessageW(wnd, EM_POSFROMCHAR, 6, 0); // "ab\r\ncd|ef"
    const LPARAM at = MAKELPARAM(LOWORD(e), HIWORD(e) + 2);
    SendMessageW(wnd, WM_LBUTTONDOWN, MK_LBUTTON, at);
    ui::Application().ProcessMessages();
    EXPECT_EQ(reports, Reports{});
    SendMessageW(wnd, WM_LBUTTONUP, 0, at);
    EXPECT_EQ(reports, (Reports{L"at 2,3", L"clipboard", L"clipboard"}));

    // Keys: the position after the control moved the caret, at the key's press and release.
    reports.clear();
    SendMessageW(wnd, WM_KEYDOWN, VK_RIGHT, 0x014D0001);
    EXPECT_EQ(reports, (Reports{L"at 2,4", L"clipboard"}));
    SendMessageW(wnd, WM_KEYUP, VK_RIGHT, static_cast<LPARAM>(0xC14D0001));
    EXPECT_EQ(reports, (Reports{L"at 2,4", L"clipboard", L"at 2,4", L"clipboard"}));

    // A selection shows in the clipboard report.
    reports.clear();
    SendMessageW(wnd, EM_SETSEL, 4, 6);
    SendMessageW(wnd, WM_KEYUP, VK_SHIFT, static_cast<LPARAM>(0xC02A0001));
    ASSERT_EQ(reports.size(), 2u);
    EXPECT_EQ(reports[1], L"clipboard, selection");

    // Text changes: typed, and set from outside (the control tells of neither the same way).
    reports.clear();
    SendMessageW(wnd, EM_SETSEL, 11, 11); // after "g"
    SendMessageW(wnd, WM_CHAR, L'h', 0);
    EXPECT_EQ(reports, (Reports{L"at 3,3", L"clipboard"}));
    reports.clear();
    memo->Lines().SetText(L"new");
    EXPECT_EQ(reports, (Reports{L"at 1,1", L"clipboard"}));

    // Only a release that ends a click on the memo reports the position.
    reports.clear();
    SendMessageW(wnd, WM_LBUTTONUP, 0, at);
    EXPECT_EQ(reports, Reports{L"clipboard"});
}

TEST_F(MemoTest, EnterMovesTheFocusOnInsteadOfBreakingTheLineWhenAsked) {
    auto* next = new TWkMemo(form.get());
    next->SetParent(form.get());
    next->SetBounds(0, 330, 100, 20);
    memo->SetTabOnEnter(true);
    form->Show();
    memo->SetFocus();
    memo->Lines().SetText(L"text");
    SendMessageW(memo->Handle(), WM_CHAR, L'\r', 0);
    EXPECT_EQ(WindowText(), L"text");
    EXPECT_EQ(GetFocus(), next->Handle());

    memo->SetTabOnEnter(false);
    memo->SetFocus();
    SendMessageW(memo->Handle(), EM_SETSEL, 4, 4);
    SendMessageW(memo->Handle(), WM_CHAR, L'\r', 0);
    EXPECT_EQ(WindowText(), L"text\r\n");
    EXPECT_EQ(GetFocus(), memo->Handle());
}

TEST_F(MemoTest, WheelScrollsWholeNotchesOfLines) {
    form->Show();
    std::wstring text;
    for (int i = 0; i < 100; ++i) text += L"line " + std::to_wstring(i) + L"\r\n";
    memo->Lines().SetText(text);
    HWND wnd = memo->Handle();
    UINT lines = 0;
    SystemParametersInfoW(SPI_GETWHEELSCROLLLINES, 0, &lines, 0);
    auto first = [&] { return static_cast<UINT>(SendMessageW(wnd, EM_GETFIRSTVISIBLELINE, 0, 0)); };
    EXPECT_EQ(SendMessageW(wnd, WM_MOUSEWHEEL, Wheel(-WHEEL_DELTA), 0), 0);
    EXPECT_EQ(first(), lines);
    SendMessageW(wnd, WM_MOUSEWHEEL, Wheel(-40), 0);
    SendMessageW(wnd, WM_MOUSEWHEEL, Wheel(-40), 0);
    EXPECT_EQ(first(), lines);
    SendMessageW(wnd, WM_MOUSEWHEEL, Wheel(-40), 0);
    EXPECT_EQ(first(), 2 * lines);

    const TWheelScroll page = MemoWheelScroll(-2, WHEEL_PAGESCROLL);
    EXPECT_EQ(page.Command, SB_PAGEDOWN);
    EXPECT_EQ(page.Count, 2);
}

TEST(MemoLayout, DescriptionMemoLoadedFromItsLayoutIsWhiteReadOnlyAndFramed) {
    SetKitSettings(true, xcsNormal);
    ui::TClassRegistry registry;
    ui::RegisterFrameworkClasses(registry);
    RegisterWkMemoClasses(registry);
    ui::TForm form;
    ui::LoadLayoutText(form, L"Doc.layout", R"(object FrmDoc: TForm
  ClientWidth = 330
  ClientHeight = 354
  object WkMemo1: TWkMemo
    Left = 0
    Top = 0
    Width = 330
    Height = 320
    Align = alClient
    ReadOnly = True
    Color = clWhite
    ReadOnlyColor = clWhite
    ScrollBars = ssVertical
    FrameVisible = True
    FrameColor = 12083273
    TabOrder = 0
  end
end
)", registry);
    auto* memo = dynamic_cast<TWkMemo*>(form.FindComponent(L"WkMemo1"));
    ASSERT_NE(memo, nullptr);
    // FocusColor followed Color while it still equalled the normal colour: white everywhere.
    EXPECT_EQ(memo->FocusColor(), ui::clWhite);
    EXPECT_EQ(memo->Color(), ui::clWhite);
    EXPECT_TRUE(memo->ReadOnly());
    EXPECT_EQ(memo->FrameColor(), 12083273u);
    form.Show();
    memo->SetFocus();
    EXPECT_EQ(memo->Color(), ui::clWhite);
    memo->SetEnabled(false);
    EXPECT_EQ(memo->Color(), ui::clBtnFace);
    const DWORD style = static_cast<DWORD>(GetWindowLongPtrW(memo->Handle(), GWL_STYLE));
    EXPECT_TRUE(style & ES_READONLY);
    EXPECT_TRUE(style & WS_VSCROLL);
}

} // namespace
