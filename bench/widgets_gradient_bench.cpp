// Times FillGradient on a full-HD rectangle against the naive way of painting the same
// gradient straight onto the target (one FillRect per row, or per ring for the box).
// Prints milliseconds per fill and the ratio measured in the same run.
#include "widgets/WkGradient.h"
#include "ui/Canvas.h"
#include "ui/Gdi.h"
#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

constexpr int kWidth = 1920, kHeight = 1080;

double NowMs() {
    static LARGE_INTEGER frequency = [] { LARGE_INTEGER f; QueryPerformanceFrequency(&f); return f; }();
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return 1000.0 * double(t.QuadPart) / double(frequency.QuadPart);
}

// Median of several timed runs after one warm-up.
double TimeMs(const std::function<void()>& work, int runs = 15) {
    work();
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        const double t0 = NowMs();
        work();
        GdiFlush();
        times.push_back(NowMs() - t0);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

int Lerp(int from, int to, int i, int n) { return from + (to - from) * i / std::max(n, 1); }

COLORREF LerpColor(COLORREF a, COLORREF b, int i, int n) {
    return RGB(Lerp(GetRValue(a), GetRValue(b), i, n), Lerp(GetGValue(a), GetGValue(b), i, n),
               Lerp(GetBValue(a), GetBValue(b), i, n));
}

// One brush and one FillRect per row, straight onto the target.
void NaiveRows(HDC dc, COLORREF start, COLORREF stop) {
    for (int y = 0; y < kHeight; ++y) {
        ui::BrushOwner brush(CreateSolidBrush(LerpColor(start, stop, y, kHeight - 1)));
        RECT row{0, y, kWidth, y + 1};
        FillRect(dc, &row, brush);
    }
}

// One brush and one FillRect per nested ring, outermost first, each filling its whole rect.
void NaiveRings(HDC dc, COLORREF start, COLORREF stop) {
    const int rings = std::min(kWidth, kHeight) / 2;
    for (int i = 0; i < rings; ++i) {
        ui::BrushOwner brush(CreateSolidBrush(LerpColor(start, stop, i, rings - 1)));
        RECT r{i, i, kWidth - i, kHeight - i};
        FillRect(dc, &r, brush);
    }
}

} // namespace

int main() {
    ui::DibSurface target(kWidth, kHeight);
    if (!target.Dc()) {
        std::printf("cannot create a %dx%d surface\n", kWidth, kHeight);
        return 1;
    }
    const COLORREF start = RGB(227, 239, 255), stop = RGB(153, 187, 234); // a panel's two bands
    const ui::Rect all{0, 0, kWidth, kHeight};

    const double rowsFill = TimeMs([&] {
        ui::TCanvas canvas(target.Dc());
        wk::FillGradient(canvas, all, wk::gdHorizontalEnd, start, stop);
    });
    const double rowsNaive = TimeMs([&] { NaiveRows(target.Dc(), start, stop); });
    const double boxFill = TimeMs([&] {
        ui::TCanvas canvas(target.Dc());
        wk::FillGradient(canvas, all, wk::gdSquareBox, start, stop);
    });
    const double boxNaive = TimeMs([&] { NaiveRings(target.Dc(), start, stop); });

    // What the off-screen surface alone costs: a fresh 32-bit bitmap of the full size, cleared.
    const double surfaceOnly = TimeMs([&] {
        ui::DibSurface scratch(kWidth, kHeight);
        RECT r{0, 0, kWidth, kHeight};
        FillRect(scratch.Dc(), &r, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    });
    // A typical widget: a 400 x 30 status bar.
    const ui::Rect bar{0, 0, 400, 30};
    const double barFill = TimeMs([&] {
        ui::TCanvas canvas(target.Dc());
        wk::FillGradient(canvas, bar, wk::gdHorizontalEnd, start, stop);
    }, 200);
    const double barNaive = TimeMs([&] {
        for (int y = 0; y < 30; ++y) {
            ui::BrushOwner brush(CreateSolidBrush(LerpColor(start, stop, y, 29)));
            RECT row{0, y, 400, y + 1};
            FillRect(target.Dc(), &row, brush);
        }
    }, 200);

    std::printf("%dx%d, median of 15 runs\n", kWidth, kHeight);
    std::printf("gdHorizontalEnd: FillGradient %.2f ms, naive FillRect per row %.2f ms, ratio naive/FillGradient %.2f\n",
                rowsFill, rowsNaive, rowsNaive / rowsFill);
    std::printf("gdSquareBox:     FillGradient %.2f ms, naive FillRect per ring %.2f ms, ratio naive/FillGradient %.2f\n",
                boxFill, boxNaive, boxNaive / boxFill);
    std::printf("off-screen %dx%d surface alone (allocate + clear): %.2f ms\n", kWidth, kHeight, surfaceOnly);
    std::printf("400x30 gdHorizontalEnd: FillGradient %.3f ms, naive %.3f ms, ratio naive/FillGradient %.2f\n",
                barFill, barNaive, barNaive / barFill);
    return 0;
}
