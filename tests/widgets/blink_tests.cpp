// The blink list: phase sequence and timer intervals (driven tick by tick), the two control
// messages, and the list's life from the first blinking control to the last.
#include "widgets/WkBlink.h"
#include <gtest/gtest.h>
#include <utility>
#include <vector>

using namespace wk;

namespace {

struct Received {
    HWND window;
    UINT message;
    WPARAM wParam;
};
std::vector<Received> gReceived;

// GWLP_USERDATA: 1 = answers "blinking now" to CM_BLINKQUERY; 2 = unregisters itself when asked.
LRESULT CALLBACK PaneProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == CM_BLINKQUERY || msg == CM_BLINKSTATE) {
        gReceived.push_back({wnd, msg, wParam});
        const LONG_PTR mode = GetWindowLongPtrW(wnd, GWLP_USERDATA);
        if (msg == CM_BLINKQUERY && mode == 2) {
            UnregisterBlinkingControl(wnd);
            return 0;
        }
        return msg == CM_BLINKQUERY ? (mode == 1 ? 1 : 0) : 0;
    }
    return DefWindowProcW(wnd, msg, wParam, lParam);
}

HWND MakePane(LONG_PTR mode) {
    static ATOM atom = [] {
        WNDCLASSW wc{};
        wc.lpfnWndProc = PaneProc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"WkTestBlinkPane";
        return RegisterClassW(&wc);
    }();
    (void)atom;
    HWND w = CreateWindowExW(0, L"WkTestBlinkPane", L"", 0, 0, 0, 10, 10, HWND_MESSAGE, nullptr,
                             GetModuleHandleW(nullptr), nullptr);
    SetWindowLongPtrW(w, GWLP_USERDATA, mode);
    return w;
}

struct Panes {
    ~Panes() {
        for (HWND w : windows) {
            UnregisterBlinkingControl(w);
            DestroyWindow(w);
        }
    }
    HWND Add(LONG_PTR mode) { windows.push_back(MakePane(mode)); return windows.back(); }
    std::vector<HWND> windows;
};

} // namespace

TEST(Blinking, PhasesAlternateWithTheirOwnIntervals) {
    for (auto [on, off] : {std::pair{500, 500}, {200, 800}}) {
        TWkBlinkingControlsList list;
        // Starts in the blink phase, the timer running at the normal phase's length.
        EXPECT_EQ(list.BlinkState(), 1);
        EXPECT_EQ(list.TimerInterval(), 500u);
        list.SetIntervalOn(std::uint16_t(on));
        list.SetIntervalOff(std::uint16_t(off));
        EXPECT_EQ(list.TimerInterval(), 500u); // changes wait for the next phase change

        // Each tick starts a phase that lasts as long as the timer is then set to.
        int blinkTime = 0, normalTime = 0;
        for (int i = 0; i < 6; ++i) {
            list.Tick();
            EXPECT_EQ(list.BlinkState(), i % 2 == 0 ? 0 : 1) << i;
            (list.BlinkState() ? blinkTime : normalTime) += int(list.TimerInterval());
        }
        EXPECT_EQ(blinkTime, 3 * on);
        EXPECT_EQ(normalTime, 3 * off);
    }
}

TEST(Blinking, OnlyBlinkingControlsAreToldThePhase) {
    Panes panes;
    HWND blinking = panes.Add(1), steady = panes.Add(0);
    TWkBlinkingControlsList& list = RegisterBlinkingControl(blinking);
    RegisterBlinkingControl(steady);
    RegisterBlinkingControl(blinking); // registering twice does not send twice
    ASSERT_EQ(list.Count(), 2);
    gReceived.clear();
    list.Tick();
    list.Tick();
    const std::vector<std::pair<HWND, UINT>> order = {{blinking, CM_BLINKQUERY}, {blinking, CM_BLINKSTATE},
                                                      {steady, CM_BLINKQUERY},   {blinking, CM_BLINKQUERY},
                                                      {blinking, CM_BLINKSTATE}, {steady, CM_BLINKQUERY}};
    ASSERT_EQ(gReceived.size(), order.size());
    for (size_t i = 0; i < order.size(); ++i) {
        EXPECT_EQ(gReceived[i].window, order[i].first) << i;
        EXPECT_EQ(gReceived[i].message, order[i].second) << i;
    }
    EXPECT_EQ(gReceived[1].wParam, 0u);
    EXPECT_EQ(gReceived[4].wParam, 1u);
}

TEST(Blinking, ListLivesFromFirstToLastControl) {
    Panes panes;
    HWND a = panes.Add(0), b = panes.Add(0);
    ASSERT_EQ(BlinkingControls(), nullptr);
    TWkBlinkingControlsList& first = RegisterBlinkingControl(a);
    EXPECT_EQ(&RegisterBlinkingControl(b), &first);
    first.SetIntervalOn(100);
    UnregisterBlinkingControl(a);
    ASSERT_NE(BlinkingControls(), nullptr);
    EXPECT_EQ(BlinkingControls()->Count(), 1);
    EXPECT_TRUE(BlinkingControls()->Contains(b));
    UnregisterBlinkingControl(b);
    EXPECT_EQ(BlinkingControls(), nullptr);
    UnregisterBlinkingControl(b); // harmless without a list
    // A new list starts again with the default intervals.
    TWkBlinkingControlsList& second = RegisterBlinkingControl(a);
    EXPECT_EQ(second.IntervalOn(), 500);
    EXPECT_EQ(second.IntervalOff(), 500);
    EXPECT_EQ(second.BlinkState(), 1);
}

TEST(Blinking, ControlsMayLeaveDuringATick) {
    Panes panes;
    HWND leaving = panes.Add(2), blinking = panes.Add(1);
    RegisterBlinkingControl(leaving);
    TWkBlinkingControlsList& list = RegisterBlinkingControl(blinking);
    HWND gone = panes.Add(1);
    list.Add(gone);
    DestroyWindow(gone); // destroyed without unregistering
    gReceived.clear();
    list.Tick();
    EXPECT_FALSE(list.Contains(leaving));
    ASSERT_EQ(gReceived.size(), 3u);
    EXPECT_EQ(gReceived[2].window, blinking);
    EXPECT_EQ(gReceived[2].message, UINT(CM_BLINKSTATE));
    list.Remove(gone);
}

TEST(Blinking, TheLastControlLeavingDuringATickFreesTheListAfterIt) {
    Panes panes;
    HWND leaving = panes.Add(2);
    TWkBlinkingControlsList& list = RegisterBlinkingControl(leaving);
    list.Tick(); // the control unregisters itself from inside the tick
    EXPECT_EQ(BlinkingControls(), nullptr);
}

TEST(Blinking, TheWindowTimerFiresOnThisThread) {
    TWkBlinkingControlsList list;
    list.SetIntervalOff(20);
    list.Tick(); // re-arms at 20 ms, phase 0
    ASSERT_EQ(list.BlinkState(), 0);
    const DWORD deadline = GetTickCount() + 3000;
    MSG msg;
    while (list.BlinkState() == 0 && GetTickCount() < deadline) {
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
        Sleep(5);
    }
    EXPECT_EQ(list.BlinkState(), 1);
}
