// The system clipboard behind the player's text fields: text with Windows line breaks both
// ways, and a field in the control copying, pasting and taking a character outside the basic
// plane from two WM_CHAR halves.
#include "flash/Clipboard.h"
#include "flash/ShockwaveFlash.h"
#include "ui/Application.h"
#include "ui/Form.h"
#include "test_movies.h"

#include <windows.h>

#include <gtest/gtest.h>
#include <cwchar>
#include <string>
#include <vector>

using namespace flash;

namespace {

// What CF_UNICODETEXT holds, read without the player's helpers.
std::wstring RawClipboardText(HWND owner) {
    std::wstring text;
    if (!OpenClipboard(owner)) return text;
    if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
        if (auto* p = static_cast<const wchar_t*>(GlobalLock(data))) {
            text = p;
            GlobalUnlock(data);
        }
    }
    CloseClipboard();
    return text;
}

// An input field (DefineEditText 5, device font, 150 x 40 px at the stage's corner) holding
// "hello", on a 200 x 100 stage.
std::vector<uint8_t> FieldMovie() {
    std::vector<uint8_t> field;
    flash_test::Put16(field, 5);
    flash_test::Append(field, flash_test::SwfRect(150 * 20, 40 * 20));
    field.push_back(0x80); // initial text
    field.push_back(0x00);
    field.push_back(0);    // no variable
    for (char c : std::string("hello")) field.push_back(uint8_t(c));
    field.push_back(0);
    std::vector<uint8_t> extra = flash_test::Tag(37, field);
    flash_test::Append(extra, flash_test::Tag(26, {0x06, 3, 0, 5, 0, 0})); // at depth 3
    return flash_test::StageMovie(200, 100, 1, 12, RGB(255, 255, 255), RGB(255, 255, 255), 1, 1, extra);
}

class ClipboardWindow : public ::testing::Test {
protected:
    void SetUp() override {
        ui::Application().Initialize();
        form = ui::NewForm<ui::TForm>(nullptr);
        form->SetBounds(0, 0, 400, 300);
        player = new TShockwaveFlash(form);
        player->SetParent(form);
        player->SetBounds(0, 0, 200, 100);
        player->LoadMovie(0, movie.Path());
        form->Show();
        player->Reactivate();
        wnd = player->Handle();
        player->Playback().RenderFrame(200, 100); // client pixels are stage pixels
    }
    void TearDown() override { delete form; }

    void Key(WPARAM vk, bool ctrl = false) {
        if (ctrl) SendMessageW(wnd, WM_KEYDOWN, VK_CONTROL, 1);
        SendMessageW(wnd, WM_KEYDOWN, vk, 1);
        SendMessageW(wnd, WM_KEYUP, vk, 1 | (1u << 30) | (1u << 31));
        if (ctrl) SendMessageW(wnd, WM_KEYUP, VK_CONTROL, 1 | (1u << 30) | (1u << 31));
    }
    // The field's whole text, by way of the clipboard.
    std::wstring FieldText() {
        Key('A', true);
        Key('C', true);
        return RawClipboardText(wnd);
    }

    flash_test::TempMovie movie{FieldMovie()};
    ui::TForm* form = nullptr;
    TShockwaveFlash* player = nullptr;
    HWND wnd = nullptr;
};

} // namespace

TEST_F(ClipboardWindow, TextGoesOutWithWindowsLineBreaksAndComesBackWithout) {
    ASSERT_TRUE(WriteClipboardText(wnd, u"one\ntwo"));
    EXPECT_EQ(RawClipboardText(wnd), L"one\r\ntwo");
    EXPECT_EQ(ReadClipboardText(wnd), u"one\ntwo");
    // Text another program put there, lone '\r' and all.
    ASSERT_TRUE(WriteClipboardText(wnd, u""));
    EXPECT_EQ(ReadClipboardText(wnd), u"");
    EXPECT_EQ(FromClipboardLineBreaks(L"a\r\nb\rc", 6), u"a\nb\rc");
}

TEST_F(ClipboardWindow, TheControlsFieldsCopyAndPasteThroughTheSystemClipboard) {
    SendMessageW(wnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(20, 10));
    SendMessageW(wnd, WM_LBUTTONUP, 0, MAKELPARAM(20, 10));
    EXPECT_EQ(FieldText(), L"hello");

    ASSERT_TRUE(WriteClipboardText(wnd, u"pasted"));
    Key('A', true);
    Key('V', true);
    EXPECT_EQ(FieldText(), L"pasted");

    // The two halves of a surrogate pair, as an input method sends them, type one character.
    Key(VK_END);
    SendMessageW(wnd, WM_CHAR, 0xD83D, 1);
    SendMessageW(wnd, WM_CHAR, 0xDE00, 1);
    SendMessageW(wnd, WM_CHAR, 0xDE00, 1); // a second half alone types nothing
    EXPECT_EQ(FieldText(), L"pasted\xD83D\xDE00");

    // The composition window goes to the caret, at the end of the text on the first line.
    RECT caret;
    ASSERT_TRUE(player->Playback().CaretRect(caret));
    EXPECT_GT(caret.left, 2);
    EXPECT_LT(caret.top, 20);
}
