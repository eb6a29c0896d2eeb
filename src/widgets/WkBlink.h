// The process-wide list of blinking controls: one window timer drives the blink phase of all
// status panes and labels. Controls are identified by their window handle and are told the
// new phase through two control messages.
#pragma once
#include <windows.h>
#include <cstdint>
#include <functional>
#include <vector>

namespace wk {

// The control answers 1 when it is blinking now, else 0.
constexpr UINT CM_BLINKQUERY = 0xB3E8;
// WParam carries the new phase: 1 = blink colour, 0 = normal colour.
constexpr UINT CM_BLINKSTATE = 0xB3E9;

class TWkBlinkingControlsList {
public:
    static constexpr std::uint16_t kDefaultInterval = 500;

    // Creates the timer (a hidden message-only window on this thread), running at IntervalOff.
    TWkBlinkingControlsList();
    ~TWkBlinkingControlsList();
    TWkBlinkingControlsList(const TWkBlinkingControlsList&) = delete;
    TWkBlinkingControlsList& operator=(const TWkBlinkingControlsList&) = delete;

    void Add(HWND control);     // appended once; a second Add of the same handle is ignored
    void Remove(HWND control);  // looks the handle up and deletes that entry
    int Count() const { return static_cast<int>(FControls.size()); }
    bool Contains(HWND control) const;

    std::uint8_t BlinkState() const { return FBlinkState; }
    std::uint16_t IntervalOff() const { return FIntervalOff; }
    std::uint16_t IntervalOn() const { return FIntervalOn; }
    // New intervals take effect at the next phase change.
    void SetIntervalOff(std::uint16_t ms) { FIntervalOff = ms; }
    void SetIntervalOn(std::uint16_t ms) { FIntervalOn = ms; }
    // The interval the timer runs at now.
    UINT TimerInterval() const { return FTimerInterval; }

    // One firing of the timer: flips the phase, re-arms the timer for the new phase's length
    // and tells every registered control that is blinking now.
    void Tick();

private:
    friend void UnregisterBlinkingControl(HWND control);
    friend TWkBlinkingControlsList& RegisterBlinkingControl(HWND control);
    static LRESULT CALLBACK TimerWndProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam);
    void ArmTimer(UINT interval);

    std::vector<HWND> FControls;
    HWND FTimerWindow = nullptr;
    UINT FTimerInterval = 0;
    std::uint16_t FIntervalOff = kDefaultInterval;
    std::uint16_t FIntervalOn = kDefaultInterval;
    std::uint8_t FBlinkState = 1;
    bool FTicking = false;
    // The last control left while the list was telling controls the phase: the process-wide
    // instance is freed when that tick is over, not under its own feet.
    bool FReleaseAfterTick = false;
};

// The single instance, or nullptr while no blinking-capable control exists.
TWkBlinkingControlsList* BlinkingControls();
// Called by a status pane or label when its window is created: makes the list on first use.
TWkBlinkingControlsList& RegisterBlinkingControl(HWND control);
// Called when such a control is destroyed: frees the list when it leaves it empty.
void UnregisterBlinkingControl(HWND control);

// Stands for a control in the list: a message-only window that joins it when made, leaves it
// when destroyed, and hands the two blink messages to `handler` (the control's Perform).
class TWkBlinkReceiver {
public:
    using THandler = std::function<LRESULT(UINT msg, WPARAM wParam, LPARAM lParam)>;
    explicit TWkBlinkReceiver(THandler handler);
    ~TWkBlinkReceiver();
    TWkBlinkReceiver(const TWkBlinkReceiver&) = delete;
    TWkBlinkReceiver& operator=(const TWkBlinkReceiver&) = delete;
    HWND Handle() const { return FWindow; }

private:
    static LRESULT CALLBACK WndProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam);
    THandler FHandler;
    HWND FWindow = nullptr;
};

} // namespace wk
