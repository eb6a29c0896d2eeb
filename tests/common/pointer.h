// Moving the mouse pointer in window tests. Under Wine the new position can take a moment to
// be reported by GetCursorPos (and so to reach WM_SETCURSOR and hit tests); wait for it without
// processing messages, since the tests send their own.
#pragma once
#include <windows.h>

namespace testsupport {

inline void MovePointerTo(int screenX, int screenY) {
    SetCursorPos(screenX, screenY);
    POINT now{};
    for (int i = 0; i < 200 && (!GetCursorPos(&now) || now.x != screenX || now.y != screenY); ++i) Sleep(5);
}

} // namespace testsupport
