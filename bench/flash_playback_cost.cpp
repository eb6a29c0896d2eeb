// What a playing movie costs while nobody touches it, and whether the frame rate holds.
//
// 1. CPU: the player control fills a 1027 x 677 window (the maximised program's pane) and plays
//    a stopped one-frame movie, then a 24 fps animation (a square crossing the stage), each for
//    a few seconds of the message loop. Printed as % of one core (this process only; the X
//    server's share under Wine is not counted).
// 2. Pace: 24, 25 and 30 fps movies run for the same time; the frames the control ran against
//    the frames the movie's rate asks for. For comparison, the same count for WM_TIMER at the
//    rounded interval, which is how frames were paced before.
//
// Usage: flash_playback_cost [seconds]   (10 by default)
#include <windows.h>

#include "bench_clock.h"

#include <cstdio>
#include <cstdlib>
#include <vector>

#include "flash/ShockwaveFlash.h"
#include "test_movies.h"
#include "ui/Application.h"
#include "ui/Form.h"

namespace {

const int kWidth = 1027, kHeight = 677;

double CpuMs() {
    FILETIME created, ended, kernel, user;
    GetProcessTimes(GetCurrentProcess(), &created, &ended, &kernel, &user);
    auto ms = [](FILETIME f) { return double((ULONGLONG(f.dwHighDateTime) << 32) | f.dwLowDateTime) / 10000.0; };
    return ms(kernel) + ms(user);
}

void PumpFor(double ms) {
    const double end = NowMs() + ms;
    while (NowMs() < end) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        const double left = end - NowMs();
        if (left > 0) MsgWaitForMultipleObjects(0, nullptr, FALSE, DWORD(left) + 1, QS_ALLINPUT);
    }
}

struct Stage {
    ui::TForm* form = nullptr;
    flash::TShockwaveFlash* player = nullptr;
    Stage() {
        form = ui::NewForm<ui::TForm>(nullptr);
        form->SetBounds(0, 0, kWidth + 20, kHeight + 40);
        player = new flash::TShockwaveFlash(form);
        player->SetParent(form);
        player->SetBounds(0, 0, kWidth, kHeight);
        form->Show();
    }
    ~Stage() { delete form; }
    void Play(const std::wstring& path) {
        player->PutPropertyById(flash::DISPID_BACKGROUNDCOLOR, 0);
        player->LoadMovie(0, path);
        player->Play();
        player->Reactivate();
    }
};

double CpuShare(Stage& stage, const std::wstring& path, double ms) {
    stage.Play(path);
    PumpFor(500);  // settles: the first frames and paints
    const double cpu0 = CpuMs(), t0 = NowMs();
    PumpFor(ms);
    return 100.0 * (CpuMs() - cpu0) / (NowMs() - t0);
}

// WM_TIMER ticks counted in `ms` at the given interval, as the old pacing ran frames.
int TimerTicks(unsigned interval, double ms) {
    int ticks = 0;
    HWND wnd = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
    SetTimer(wnd, 1, interval, nullptr);
    const double end = NowMs() + ms;
    while (NowMs() < end) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_TIMER && msg.hwnd == wnd) ++ticks;
            else DispatchMessageW(&msg);
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    }
    DestroyWindow(wnd);
    return ticks;
}

}  // namespace

int main(int argc, char** argv) {
    const double seconds = argc > 1 ? std::max(1.0, std::atof(argv[1])) : 10.0;
    ui::Application().Initialize();
    Stage stage;

    flash_test::TempMovie still(flash_test::StageMovie(400, 300, 1, 12, RGB(0, 0, 64), RGB(255, 200, 0), 40, 40),
                                L" still.swf");
    flash_test::TempMovie moving(flash_test::MovingSquare(120, 24), L" moving.swf");
    std::printf("CPU, %d x %d, %.0f s each (%% of one core)\n", kWidth, kHeight, seconds);
    const double cpu0 = CpuMs(), t0 = NowMs();
    PumpFor(seconds * 1000);
    std::printf("  no movie                 %6.2f %%\n", 100.0 * (CpuMs() - cpu0) / (NowMs() - t0));
    std::printf("  stopped one-frame movie  %6.2f %%\n", CpuShare(stage, still.Path(), seconds * 1000));
    std::printf("  24 fps animation         %6.2f %%\n", CpuShare(stage, moving.Path(), seconds * 1000));

    {
        stage.Play(still.Path());
        flash::TFlashPlayback& pb = stage.player->Playback();
        double t = NowMs();
        for (int i = 0; i < 100; ++i) pb.RenderFrame(kWidth, kHeight);
        const double render = (NowMs() - t) / 100;
        t = NowMs();
        for (int i = 0; i < 100; ++i) pb.Tick();
        const double tick = (NowMs() - t) / 100;
        t = NowMs();
        for (int i = 0; i < 100; ++i) {
            pb.Tick();
            pb.RenderChanges(kWidth, kHeight);
        }
        const double changes = (NowMs() - t) / 100;
        std::printf("  one still frame: render %.2f ms, timeline step %.3f ms, step + redraw of the unchanged frame %.3f ms\n", render,
                    tick, changes);
    }
    std::printf("Pace over %.0f s: frames run / frames due\n", seconds);
    for (uint8_t fps : {24, 25, 30}) {
        flash_test::TempMovie paced(flash_test::MovingSquare(2000, fps), L" paced.swf");
        stage.Play(paced.Path());
        const double t0 = NowMs();
        const int f0 = stage.player->Playback().CurrentFrame();
        PumpFor(seconds * 1000);
        const int run = stage.player->Playback().CurrentFrame() - f0;
        const double due = (NowMs() - t0) * fps / 1000.0;
        const unsigned interval = unsigned(1000.0 / fps + 0.5);
        const int ticks = TimerTicks(interval, seconds * 1000);
        std::printf("  %2d fps  frame clock %5d / %6.1f (%.3f)   WM_TIMER %u ms %5d / %6.1f (%.3f)\n", fps, run, due,
                    run / due, interval, ticks, seconds * fps, ticks / (seconds * fps));
    }
    return 0;
}
