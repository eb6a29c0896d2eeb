// Kit initialisation: the two process-wide settings, computed once before any window exists
// so that painting never touches the registry or the screen capabilities.
#pragma once
#include "widgets/WkEnums.h"

namespace wk {

// Computes the settings; later calls do nothing. The accessors call it on first use too.
void InitializeKit();
// The screen has more than 256 colours (read once, never re-read).
bool KitFullColor();
// The desktop colour scheme behind gcsMSOffice.
XpColorScheme KitColorScheme();
// Reads the colour scheme again (a panel calls this on WM_THEMECHANGED).
void RedetectKitColorScheme();
// Replaces both settings (tests, and hosts that know better than the registry).
void SetKitSettings(bool fullColor, XpColorScheme scheme);

} // namespace wk
