// Time from LoadMovie to the first frame on screen for movies of 1, 20 and 200 MB (a stage with
// one shape and a large binary-data tag, compressed as most movies are), median of three.
//
// 1. The player alone, on the caller's thread: the time the work itself takes.
// 2. The player control in a window, as the program uses it: movies from 8 MiB load on a worker
//    thread. Meanwhile another thread posts a message to the window every 5 ms; the longest wait
//    until the window handled one is its message latency while loading. For comparison the same
//    with every load on the window's thread, as before.
//
// Usage: flash_load_time
#include <windows.h>

#include "bench_clock.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <thread>
#include <vector>

#include <zlib.h>

#include "flash/FlashPlayback.h"
#include "flash/ShockwaveFlash.h"
#include "test_movies.h"
#include "ui/Application.h"
#include "ui/Form.h"

namespace {

// A CWS movie of about `megabytes` uncompressed: the stage and a DefineBinaryData tag of
// pseudo-random bytes (compressible only a little, like packed game assets).
std::vector<uint8_t> BigMovie(int megabytes) {
    std::vector<uint8_t> data(size_t(megabytes) << 20);
    uint32_t x = 12345;
    for (size_t i = 0; i < data.size(); ++i) {
        x = x * 1103515245u + 12345u;
        data[i] = uint8_t((x >> 16) & 0x3F);
    }
    std::vector<uint8_t> tag = {1, 0, 0, 0, 0, 0};  // character 1, reserved
    tag.insert(tag.end(), data.begin(), data.end());
    std::vector<uint8_t> plain = flash_test::StageMovie(400, 300, 1, 24, RGB(0, 0, 64), RGB(255, 200, 0), 40, 40,
                                                        flash_test::Tag(87, tag));
    // Compress the body after the 8-byte header.
    uLongf size = compressBound(uLong(plain.size() - 8));
    std::vector<uint8_t> out(8 + size);
    std::copy(plain.begin(), plain.begin() + 8, out.begin());
    out[0] = 'C';
    compress2(out.data() + 8, &size, plain.data() + 8, uLong(plain.size() - 8), 6);
    out.resize(8 + size);
    return out;
}

// Posts the time to a window every 5 ms from its own thread; the window's side notes how long
// each one waited.
class LatencyProbe {
public:
    LatencyProbe() {
        WNDCLASSW wc{};
        wc.lpfnWndProc = WndProc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"PlumoraLatencyProbe";
        RegisterClassW(&wc);
        FWindow = CreateWindowExW(0, wc.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
        SetWindowLongPtrW(FWindow, GWLP_USERDATA, LONG_PTR(this));
        FThread = std::thread([this] {
            while (!FStop) {
                // The time of posting rides with the message, in tenths of a millisecond.
                PostMessageW(FWindow, WM_APP, WPARAM((NowMs() - FStart) * 10), 0);
                Sleep(5);
            }
        });
    }
    ~LatencyProbe() {
        FStop = true;
        FThread.join();
        DestroyWindow(FWindow);
    }
    void Reset() { FWorst = 0; }
    double Worst() const { return FWorst; }

private:
    static LRESULT CALLBACK WndProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
        auto* self = reinterpret_cast<LatencyProbe*>(GetWindowLongPtrW(wnd, GWLP_USERDATA));
        if (msg != WM_APP || !self) return DefWindowProcW(wnd, msg, wp, lp);
        self->FWorst = std::max(self->FWorst, NowMs() - self->FStart - double(wp) / 10);
        return 0;
    }
    HWND FWindow = nullptr;
    const double FStart = NowMs();
    double FWorst = 0;  // the window's thread only
    std::atomic<bool> FStop{false};
    std::thread FThread;
};

void Pump() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
}

// LoadMovie through the control until its first frame is painted; the time and the worst
// message latency meanwhile.
void LoadInWindow(flash::TShockwaveFlash& player, const std::wstring& path, LatencyProbe& probe, double& ms,
                  double& worst) {
    for (int i = 0; i < 20; ++i) Pump();
    probe.Reset();
    const double t = NowMs();
    player.LoadMovie(0, path);
    while (player.Loading()) Pump();
    player.Play();
    UpdateWindow(player.Handle());
    ms = NowMs() - t;
    for (int i = 0; i < 4; ++i) Pump();  // the probe's message of the last stretch
    worst = probe.Worst();
}

}  // namespace

int main() {
    std::printf("movie      file     LoadMovie + first frame (median of 3)\n");
    for (int mb : {1, 20, 200}) {
        flash_test::TempMovie movie(BigMovie(mb), L" big.swf");
        std::vector<double> times;
        for (int run = 0; run < 3; ++run) {
            flash::TFlashPlayback p;
            const double t = NowMs();
            p.LoadMovie(0, movie.Path());
            p.Play();
            p.RenderFrame(1027, 677);
            times.push_back(NowMs() - t);
        }
        std::sort(times.begin(), times.end());
        WIN32_FILE_ATTRIBUTE_DATA info{};
        GetFileAttributesExW(movie.Path().c_str(), GetFileExInfoStandard, &info);
        std::printf("%4d MB  %6.1f MB   %8.1f ms\n", mb, info.nFileSizeLow / 1048576.0, times[1]);
    }

    ui::Application().Initialize();
    ui::TForm* form = ui::NewForm<ui::TForm>(nullptr);
    form->SetBounds(0, 0, 1047, 717);
    auto* player = new flash::TShockwaveFlash(form);
    player->SetParent(form);
    player->SetBounds(0, 0, 1027, 677);
    form->Show();
    LatencyProbe probe;
    std::printf("\nIn the window (median of 3)      background from 8 MiB       all on the window's thread\n");
    std::printf("movie     first frame   worst message wait    first frame   worst message wait\n");
    for (int mb : {1, 20, 200}) {
        flash_test::TempMovie movie(BigMovie(mb), L" big.swf");
        double ms[2][3], worst[2][3];
        for (int mode = 0; mode < 2; ++mode) {
            player->SetBackgroundLoadBytes(mode == 0 ? 8u << 20 : ~0ull);
            for (int run = 0; run < 3; ++run) LoadInWindow(*player, movie.Path(), probe, ms[mode][run], worst[mode][run]);
            std::sort(ms[mode], ms[mode] + 3);
            std::sort(worst[mode], worst[mode] + 3);
        }
        std::printf("%4d MB   %8.1f ms   %8.1f ms         %8.1f ms   %8.1f ms\n", mb, ms[0][1], worst[0][1], ms[1][1],
                    worst[1][1]);
    }
    delete form;
    return 0;
}
