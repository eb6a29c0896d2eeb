// The system clipboard's text for the player's text fields (CF_UNICODETEXT). The player keeps
// line breaks as '\n'; the clipboard has them as "\r\n", as other programs expect.
#pragma once

#include <windows.h>

#include <string>

namespace flash {

// The clipboard's text, empty when it holds none or another program has it open.
std::u16string ReadClipboardText(HWND owner);
// Puts `text` on the clipboard in place of what it held; false when it could not.
bool WriteClipboardText(HWND owner, const std::u16string& text);

// The line-break forms either side uses.
std::wstring ToClipboardLineBreaks(const std::u16string& text);
std::u16string FromClipboardLineBreaks(const wchar_t* text, size_t length);

} // namespace flash
