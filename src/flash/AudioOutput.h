// Plays a movie's mixed sound on a thread of its own through the system's audio service: WASAPI
// in shared mode, or waveOut where WASAPI cannot open. Without a device (none installed, or
// held by another program) the thread stays silent and looks again every few seconds; when the
// device goes away while playing it does the same. The source is never blocked by the device.
#pragma once

#include <windows.h>

#include "ui/KernelHandle.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

namespace flash {

class TAudioOutput {
public:
    // Fills `frames` frames of 44.1 kHz interleaved 16-bit stereo; called on the output thread.
    using TSource = std::function<void(std::int16_t* out, std::size_t frames)>;
    // Told once each time the output falls silent for want of a device, and why (UTF-8).
    using TReport = std::function<void(const std::string& message)>;

    static constexpr int kRate = 44100;
    static constexpr int kBufferMs = 80;  // what the device holds ahead of the ear

    TAudioOutput(TSource source, TReport report);
    ~TAudioOutput();
    TAudioOutput(const TAudioOutput&) = delete;
    TAudioOutput& operator=(const TAudioOutput&) = delete;

    // Starts the output thread (again after Stop); does nothing while it runs.
    void Start();
    // Closes the device and ends the thread; the source is not called after this returns.
    void Stop();
    bool Running() const { return FThread.joinable(); }

    enum class TDevice { None, Wasapi, WaveOut };
    // What the thread plays through now.
    TDevice Device() const { return FDevice.load(); }

private:
    void Run();
    // Each plays until Stop or until the device fails; false when it could not open at all.
    bool PlayWasapi();
    bool PlayWaveOut();
    // Waits on the stop event; true when Stop was asked.
    bool StopAsked(DWORD ms) const { return WaitForSingleObject(FStopEvent.Get(), ms) == WAIT_OBJECT_0; }

    TSource FSource;
    TReport FReport;
    ui::KernelHandle FStopEvent;
    std::thread FThread;
    std::atomic<TDevice> FDevice{TDevice::None};
};

} // namespace flash
