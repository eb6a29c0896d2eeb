#include "widgets/WkKit.h"
#include "widgets/WkColors.h"

namespace wk {

namespace {
// The two process-wide settings of the kit. Everything runs on the GUI thread.
bool gInitialized = false;
bool gFullColor = true;
XpColorScheme gColorScheme = xcsNormal;
} // namespace

void InitializeKit() {
    if (gInitialized) return;
    gFullColor = ScreenHasFullColor();
    gColorScheme = DetectXpColorScheme();
    gInitialized = true;
}

bool KitFullColor() {
    InitializeKit();
    return gFullColor;
}

XpColorScheme KitColorScheme() {
    InitializeKit();
    return gColorScheme;
}

void RedetectKitColorScheme() {
    InitializeKit();
    gColorScheme = DetectXpColorScheme();
}

void SetKitSettings(bool fullColor, XpColorScheme scheme) {
    gInitialized = true;
    gFullColor = fullColor;
    gColorScheme = scheme;
}

} // namespace wk
