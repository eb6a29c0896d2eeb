#include "flash/FrameClock.h"

#include <cmath>
#include <utility>

#ifndef CREATE_WAITABLE_TIMER_HIGH_RESOLUTION
#define CREATE_WAITABLE_TIMER_HIGH_RESOLUTION 0x00000002
#endif

namespace flash {

double ClockNowMs() {
    static const double perMs = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return double(f.QuadPart) / 1000.0;
    }();
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return double(now.QuadPart) / perMs;
}

TFrameClock::TFrameClock(HWND window, UINT message, double periodMs)
    : FWindow(window), FMessage(message), FPeriod(periodMs) {
    FStop.Reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    FTimer.Reset(CreateWaitableTimerExW(nullptr, nullptr, CREATE_WAITABLE_TIMER_HIGH_RESOLUTION, TIMER_ALL_ACCESS));
    if (!FTimer) FTimer.Reset(CreateWaitableTimerW(nullptr, FALSE, nullptr));
    if (!FStop || !FTimer || FPeriod <= 0) {
        FTimer.Reset();
        return;
    }
    FThread = std::thread([this] { Run(); });
}

TFrameClock::~TFrameClock() {
    if (FThread.joinable()) {
        SetEvent(FStop.Get());
        FThread.join();
    }
}

void TFrameClock::Run() {
    const double start = ClockNowMs();
    const HANDLE waits[2] = {FStop.Get(), FTimer.Get()};
    for (long long n = 1;; ++n) {
        // The next deadline still ahead: a late wake skips the ones already past.
        const double now = ClockNowMs();
        if (start + double(n) * FPeriod < now) n = (long long)((now - start) / FPeriod) + 1;
        LARGE_INTEGER due;
        due.QuadPart = -(long long)std::ceil((start + double(n) * FPeriod - now) * 10000.0);  // relative, 100 ns
        if (!SetWaitableTimer(FTimer.Get(), &due, 0, nullptr, nullptr, FALSE)) return;
        if (WaitForMultipleObjects(2, waits, FALSE, INFINITE) != WAIT_OBJECT_0 + 1) return;
        if (!FPosted.exchange(true) && !PostMessageW(FWindow, FMessage, 0, 0)) FPosted = false;
    }
}

} // namespace flash
