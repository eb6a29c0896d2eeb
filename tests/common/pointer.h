// Moving the mouse pointer in window tests. Under Wine the new position can take a moment to
// be reported by GetCursorPos (and so to reach WM_SETCURSOR and hit tests), and on a busy machine
// a late pointer event from an earlier move can still put it back. Wait until the position has
// held for a few checks, moving it again if it strays, without processing messages, since the
// tests send their own.
#pragma once
#include <windows.h>

namespace testsupport {

inline void MovePointerTo(int screenX, int screenY) {
    SetCursorPos(screenX, screenY);
    int held = 0;
    for (int i = 0; i < 600 && held < 4; ++i) {
        Sleep(5);
        POINT now{};
        if (GetCursorPos(&now) && now.x == screenX && now.y == screenY) {
            ++held;
        } else {
            // It strayed after getting there, or has not come for a while: move it again.
            if (held > 0 || i % 50 == 49) SetCursorPos(screenX, screenY);
            held = 0;
        }
    }
}

} // namespace testsupport
