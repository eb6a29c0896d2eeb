// TFrameClock: wakes a window when the next frame of a movie is due. A thread of its own waits
// on a waitable timer (high-resolution where the system has one) for the deadlines
// start + n × period and posts the window a message at each; the window runs the frames due
// by the clock when it gets it, so the rate holds on average even where a wake comes late.
// A message still waiting in the queue is not posted again: a busy window gets one, not a pile.
#pragma once

#include <windows.h>

#include "ui/KernelHandle.h"

#include <atomic>
#include <thread>

namespace flash {

// The performance counter in milliseconds: the time frames are due by.
double ClockNowMs();

class TFrameClock {
public:
    // Starts posting `message` to `window` every `periodMs` milliseconds.
    TFrameClock(HWND window, UINT message, double periodMs);
    // Stops the thread; no message is posted after this returns.
    ~TFrameClock();
    TFrameClock(const TFrameClock&) = delete;
    TFrameClock& operator=(const TFrameClock&) = delete;

    // The window has taken the last message; the next deadline may post again.
    void Handled() { FPosted = false; }
    bool Running() const { return FTimer.Valid(); }

private:
    void Run();

    HWND FWindow;
    UINT FMessage;
    double FPeriod;
    ui::KernelHandle FStop;
    ui::KernelHandle FTimer;
    std::atomic<bool> FPosted{false};
    std::thread FThread;
};

} // namespace flash
