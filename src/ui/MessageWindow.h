// Hidden message-only windows: never shown, no owner, their messages (timers, posted calls)
// dispatched on the thread that made them.
#pragma once
#include <windows.h>

namespace ui {

// Makes one of class `className` (registered with `proc` on first use) and stores `data` in
// its GWLP_USERDATA once it exists; the messages of its creation reach `proc` without it.
// Null when the system refuses.
HWND CreateMessageWindow(const wchar_t* className, WNDPROC proc, void* data = nullptr);

}  // namespace ui
