// Input latency of the player control: from the mouse message to the changed frame on screen.
//
// A movie whose whole stage is a button, red while up and blue while pressed, fills a window.
// The program presses and releases it through SendInput, the path a user's click takes (the
// system's input queue, the control's message handlers, the player, the paint, the screen), and
// reads the screen under the pointer after every message it dispatches until the press shows.
// It prints the median and worst times over the presses, counted from the WM_LBUTTONDOWN
// (or, for a quick second press, WM_LBUTTONDBLCLK) leaving the queue and from the SendInput call.
//
// Usage: flash_input_latency [presses]   (100 by default)
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "flash/ShockwaveFlash.h"
#include "test_movies.h"
#include "ui/Application.h"
#include "ui/Form.h"

namespace {

const COLORREF kUp = RGB(255, 0, 0), kDown = RGB(0, 0, 255);
const int kWidth = 640, kHeight = 480;

double Now() {
    static LARGE_INTEGER freq = [] { LARGE_INTEGER f; QueryPerformanceFrequency(&f); return f; }();
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return double(t.QuadPart) * 1000.0 / double(freq.QuadPart);
}

void SendButton(DWORD flags) {
    INPUT in = {};
    in.type = INPUT_MOUSE;
    in.mi.dwFlags = flags;
    SendInput(1, &in, sizeof in);
}

// Dispatches messages until the screen at `at` shows `colour` or `limit_ms` pass. Returns when
// it showed (ms on the Now() clock, or a negative value on time-out) and records when a
// WM_LBUTTONDOWN left the queue.
double PumpUntil(POINT at, COLORREF colour, double limit_ms, double* pressed_at) {
    HDC screen = GetDC(nullptr);
    const double start = Now();
    double shown = -1;
    while (Now() - start < limit_ms) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if ((msg.message == WM_LBUTTONDOWN || msg.message == WM_LBUTTONDBLCLK) && pressed_at) *pressed_at = Now();
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        if ((GetPixel(screen, at.x, at.y) & 0xFFFFFF) == colour) {
            shown = Now();
            break;
        }
        Sleep(0);
    }
    ReleaseDC(nullptr, screen);
    return shown;
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

}  // namespace

int main(int argc, char** argv) {
    const int presses = argc > 1 ? std::max(1, std::atoi(argv[1])) : 100;
    flash_test::TempMovie movie{flash_test::StageMovie(kWidth, kHeight, 1, 24, RGB(255, 255, 255), kUp, 0, 0,
                                                       flash_test::PressColourButtonTags(kWidth, kHeight, kDown))};
    ui::Application().Initialize();
    ui::TForm* form = ui::NewForm<ui::TForm>(nullptr);
    form->SetBounds(0, 0, kWidth + 40, kHeight + 60);
    auto* player = new flash::TShockwaveFlash(form);
    player->SetParent(form);
    player->SetBounds(10, 10, kWidth, kHeight);
    player->LoadMovie(0, movie.Path());
    player->Play();
    form->Show();
    player->Reactivate();
    HWND wnd = player->Handle();
    SetForegroundWindow(GetAncestor(wnd, GA_ROOT));

    POINT centre = {kWidth / 2, kHeight / 2};
    ClientToScreen(wnd, &centre);
    SetCursorPos(centre.x, centre.y);
    if (PumpUntil(centre, kUp, 5000, nullptr) < 0) {
        std::fprintf(stderr, "flash_input_latency: the movie never showed on screen\n");
        return 1;
    }

    std::vector<double> from_message, from_send;
    int lost = 0;
    for (int i = 0; i < presses; ++i) {
        double pressed_at = -1;
        const double sent = Now();
        SendButton(MOUSEEVENTF_LEFTDOWN);
        const double shown = PumpUntil(centre, kDown, 1000, &pressed_at);
        SendButton(MOUSEEVENTF_LEFTUP);
        PumpUntil(centre, kUp, 1000, nullptr);
        if (shown < 0 || pressed_at < 0) {
            ++lost;
            continue;
        }
        from_message.push_back(shown - pressed_at);
        from_send.push_back(shown - sent);
        PumpUntil(centre, CLR_INVALID, 20, nullptr);  // no colour matches: lets the frame timer run a little
    }
    delete form;
    if (from_message.empty()) {
        std::fprintf(stderr, "flash_input_latency: no press reached the screen (%d lost)\n", lost);
        return 1;
    }
    std::printf("presses            %zu (%d lost)\n", from_message.size(), lost);
    std::printf("message -> screen  median %.2f ms, worst %.2f ms\n", Median(from_message),
                *std::max_element(from_message.begin(), from_message.end()));
    std::printf("SendInput -> screen median %.2f ms, worst %.2f ms\n", Median(from_send),
                *std::max_element(from_send.begin(), from_send.end()));
    return 0;
}
