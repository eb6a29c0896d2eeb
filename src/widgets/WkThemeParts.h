// Drawing with the desktop's visual theme: one part of a theme class into a rectangle.
// uxtheme.dll is loaded on demand; every call quietly draws nothing (and answers false) where
// no theme service exists, so callers test VisualThemesActive() first and fall back to the
// classic drawing themselves.
#pragma once
#include "ui/Geometry.h"
#include <windows.h>
#include <string>

namespace wk {

// Part and state numbers of the theme classes the kit draws (from the platform's vssym32.h,
// repeated here so that no theme header is needed to build).
namespace theme {
constexpr int TP_BUTTON = 1, TP_SPLITBUTTON = 3, TP_SPLITBUTTONDROPDOWN = 4;
constexpr int TS_NORMAL = 1, TS_HOT = 2, TS_PRESSED = 3, TS_DISABLED = 4, TS_CHECKED = 5, TS_HOTCHECKED = 6;
constexpr int BP_PUSHBUTTON = 1;
constexpr int PBS_NORMAL = 1, PBS_HOT = 2, PBS_PRESSED = 3, PBS_DISABLED = 4, PBS_DEFAULTED = 5;
constexpr int SP_PANE = 1, SP_GRIPPERPANE = 2, SP_GRIPPER = 3;
} // namespace theme

// Whether the platform has a theme service at all (whatever the desktop's settings are).
bool ThemeServiceAvailable();
// Whether the desktop runs a visual theme and lets this program use it.
bool ThemeActiveForProgram();
// Draws part/state of theme class `themeClass` ("toolbar", "button", "status") into rect.
// `window` picks the theme (any window of the program will do; nullptr is accepted).
bool DrawThemePart(HWND window, const wchar_t* themeClass, int part, int state, HDC dc, const ui::Rect& rect);
// Whether the part has transparent areas through which the parent must show.
bool ThemePartIsPartlyTransparent(HWND window, const wchar_t* themeClass, int part, int state);
// Draws the status bar's background (part 0 of "status") into rect.
bool DrawThemeStatusBackground(HWND window, HDC dc, const ui::Rect& rect);
// Single-line themed text, vertically centred in rect.
bool DrawThemeTextLine(HWND window, const wchar_t* themeClass, int part, int state, HDC dc,
                       const std::wstring& text, const ui::Rect& rect, DWORD format);

} // namespace wk
