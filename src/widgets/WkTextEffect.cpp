#include "widgets/WkTextEffect.h"

namespace wk {

void PaintTextEffect(const TTextEffect& effect, bool enabled, ui::TColor textColor, const TTextCopyPainter& copy) {
    if (!enabled) {
        copy({1, 1}, ui::clBtnHighlight);
        copy({0, 0}, ui::clBtnShadow);
        return;
    }
    switch (effect.Style) {
    case tsRaised:
        // Lit from the top left: the shadow below-right, the highlight above-left.
        if (!effect.Light) copy({1, 1}, effect.ShadowColor);
        copy({-1, -1}, effect.HighlightColor);
        break;
    case tsRecessed:
        copy({1, 1}, effect.HighlightColor);
        if (!effect.Light) copy({-1, -1}, effect.ShadowColor);
        break;
    case tsShadow: copy(effect.ShadowOffset, effect.ShadowColor); break;
    case tsNormal: break;
    }
    copy(effect.TextOffset, textColor);
}

} // namespace wk
