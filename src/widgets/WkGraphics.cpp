// Font, window, version and monitor helpers of the kit.
#include "widgets/WkGraphics.h"

namespace wk {

using ui::Rect;

// ---- Window helpers ---------------------------------------------------------------------

namespace {
constexpr const wchar_t* kTransparentProp = L"Plumora.Wk.Transparent";

void RedrawFrameIfVisible(HWND window, const RECT* rect) {
    if (!window || !IsWindow(window)) return;
    RECT clip{};
    int kind;
    {
        // The window DC is released before redrawing, also when GetClipBox fails.
        ui::WindowDc dc(window);
        if (!dc.Get()) return;
        kind = GetClipBox(dc, &clip);
    }
    if (kind == ERROR || kind == NULLREGION) return;
    RedrawWindow(window, rect, nullptr, RDW_FRAME | RDW_INVALIDATE);
}
} // namespace

void RefreshWindowFrame(HWND window, const Rect& rect) { RedrawFrameIfVisible(window, rect.AsRECT()); }

void RefreshWindowFrame(HWND window) { RedrawFrameIfVisible(window, nullptr); }

void MarkWindowTransparent(HWND window, bool transparent) {
    if (!window) return;
    if (transparent)
        SetPropW(window, kTransparentProp, reinterpret_cast<HANDLE>(1));
    else
        RemovePropW(window, kTransparentProp);
}

bool IsWindowMarkedTransparent(HWND window) { return window && GetPropW(window, kTransparentProp) != nullptr; }

void RepaintTransparentChildren(HWND container) {
    if (!container) return;
    for (HWND child = GetWindow(container, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        if (IsWindowMarkedTransparent(child)) InvalidateRect(child, nullptr, TRUE);
}

// ---- Fonts ------------------------------------------------------------------------------

ui::FontOwner CreateRotatedFont(const ui::TFont& font, int angle) {
    LOGFONTW lf = font.ToLogFont();
    lf.lfWidth = 0;
    lf.lfEscapement = angle * 10; // tenths of a degree
    lf.lfOrientation = 0;
    lf.lfWeight = (font.Style & ui::fsBold) ? FW_BOLD : FW_NORMAL;
    lf.lfOutPrecision = OUT_DEFAULT_PRECIS;
    lf.lfClipPrecision = CLIP_DEFAULT_PRECIS;
    lf.lfQuality = DEFAULT_QUALITY;
    // ui::TFont carries no pitch, which is the default pitch.
    lf.lfPitchAndFamily = DEFAULT_PITCH;
    return ui::FontOwner(CreateFontIndirectW(&lf));
}

bool IsTrueTypeFont(const ui::TFont& font) {
    LOGFONTW lf = font.ToLogFont();
    ui::FontOwner handle(CreateFontIndirectW(&lf));
    if (!handle) return false;
    ui::WindowDc screen(nullptr);
    if (!screen.Get()) return false;
    TEXTMETRICW tm{};
    BOOL ok;
    {
        ui::SelectGuard select(screen, handle);
        ok = GetTextMetricsW(screen, &tm);
    }
    return ok && (tm.tmPitchAndFamily & TMPF_TRUETYPE) != 0;
}

// ---- System -----------------------------------------------------------------------------

bool IsWindowsVersion(int version) {
    // GetVersionEx is deprecated (and lies to unmanifested programs on newer systems), but it
    // is exactly the information asked for here and RtlGetVersion is not needed for the
    // old versions this tells apart.
    OSVERSIONINFOW info{};
    info.dwOSVersionInfoSize = sizeof(info);
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    if (!GetVersionExW(&info)) return false;
#pragma GCC diagnostic pop
    const bool is9x = info.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS;
    const bool isNt = info.dwPlatformId == VER_PLATFORM_WIN32_NT;
    const DWORD major = info.dwMajorVersion, minor = info.dwMinorVersion;
    switch (version) {
    case wvWin95: return is9x && major <= 4 && minor == 0;
    case wvWinNT4: return isNt && major <= 4;
    case wvWin98: return is9x && minor == 10;
    case wvWinMe: return is9x && minor == 90;
    case wvWin2000: return isNt && major == 5 && minor == 0;
    case wvWinXP: return isNt && major == 5 && minor == 1;
    case wvWin2003: return isNt && major == 5 && minor == 2;
    default: return false;
    }
}

Rect CenteredRect(const Rect& rect, int width, int height) {
    // C++ division truncates toward zero, as wanted for negative coordinates too.
    const int left = (rect.left + rect.right - width) / 2;
    const int top = (rect.top + rect.bottom - height) / 2;
    return Rect{left, top, left + width, top + height};
}

// ---- Monitors ---------------------------------------------------------------------------

HMONITOR MonitorAtPoint(ui::Point screenPoint) { return MonitorFromPoint(screenPoint, MONITOR_DEFAULTTONEAREST); }

HMONITOR MonitorOfWindow(HWND window) { return MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST); }

namespace {
bool MonitorRects(HMONITOR monitor, Rect& bounds, Rect& work) {
    MONITORINFO info{};
    info.cbSize = sizeof(info);
    if (!monitor || !GetMonitorInfoW(monitor, &info)) {
        // No monitor information: the primary screen's work area stands for everything.
        RECT area{};
        SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
        work = area;
        bounds = Rect{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
        return false;
    }
    bounds = info.rcMonitor;
    work = info.rcWork;
    return true;
}
} // namespace

Rect MonitorBounds(HMONITOR monitor) {
    Rect bounds, work;
    MonitorRects(monitor, bounds, work);
    return bounds;
}

Rect MonitorWorkArea(HMONITOR monitor) {
    Rect bounds, work;
    MonitorRects(monitor, bounds, work);
    return work;
}

Rect WorkAreaAtPoint(ui::Point screenPoint) { return MonitorWorkArea(MonitorAtPoint(screenPoint)); }

Rect WorkAreaOfWindow(HWND window) { return MonitorWorkArea(MonitorOfWindow(window)); }

int ActiveWorkAreaWidth() {
    HWND active = GetActiveWindow();
    HMONITOR monitor = active ? MonitorOfWindow(active) : MonitorFromPoint({0, 0}, MONITOR_DEFAULTTOPRIMARY);
    return MonitorWorkArea(monitor).Width();
}

} // namespace wk
