// The widget kit's shared drawing in one include: enumerations, colours and schemes, frame
// painters, plus the small font, window and monitor helpers below.
#pragma once
#include "ui/Canvas.h"
#include "ui/Gdi.h"
#include "ui/Geometry.h"
#include "widgets/WkColors.h"
#include "widgets/WkEnums.h"
#include "widgets/WkFrames.h"

namespace wk {

// ---- Window helpers ---------------------------------------------------------------------

// Asks the window to repaint its non-client frame (and the rect) when any of it is visible.
void RefreshWindowFrame(HWND window, const ui::Rect& rect);
void RefreshWindowFrame(HWND window); // the whole window

// A window-level "Transparent" mark: widgets whose Transparent property is True set it so
// that containers can find them without knowing their classes.
void MarkWindowTransparent(HWND window, bool transparent);
bool IsWindowMarkedTransparent(HWND window);
// Invalidates every direct child window of the container that is marked transparent,
// in child order (windowless children are covered by the container invalidating their area).
void RepaintTransparentChildren(HWND container);

// ---- Fonts ------------------------------------------------------------------------------

// A copy of the font turned by angle degrees (counter-clockwise); the caller owns it.
ui::FontOwner CreateRotatedFont(const ui::TFont& font, int angle);
bool IsTrueTypeFont(const ui::TFont& font);

// ---- System -----------------------------------------------------------------------------

enum TWindowsVersion : int {
    wvWin95 = 0, wvWinNT4 = 1, wvWin98 = 2, wvWinMe = 3, wvWin2000 = 4, wvWinXP = 5, wvWin2003 = 6
};
bool IsWindowsVersion(int version);

// A rect of the given size centred in rect (halves truncate toward zero).
ui::Rect CenteredRect(const ui::Rect& rect, int width, int height);

// ---- Monitors ---------------------------------------------------------------------------

HMONITOR MonitorAtPoint(ui::Point screenPoint);       // nearest monitor when none holds the point
HMONITOR MonitorOfWindow(HWND window);                // nearest monitor to the window
ui::Rect MonitorBounds(HMONITOR monitor);
ui::Rect MonitorWorkArea(HMONITOR monitor);
ui::Rect WorkAreaAtPoint(ui::Point screenPoint);
ui::Rect WorkAreaOfWindow(HWND window);
// Width of the work area of the monitor holding the active window (primary when none).
int ActiveWorkAreaWidth();

} // namespace wk
