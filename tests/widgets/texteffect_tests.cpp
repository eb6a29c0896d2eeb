// The text styles' copies: which go where, in which colour and in which order (later copies
// cover earlier ones, so the text itself must come last), and the engraved disabled look.
#include "widgets/WkTextEffect.h"
#include <gtest/gtest.h>
#include <utility>
#include <vector>

using namespace wk;

namespace {

using Copies = std::vector<std::pair<ui::Point, ui::TColor>>;

Copies Painted(const TTextEffect& effect, bool enabled) {
    Copies copies;
    PaintTextEffect(effect, enabled, 0x0000FF, [&](ui::Point offset, ui::TColor color) { copies.emplace_back(offset, color); });
    return copies;
}

TEST(TextEffect, CopiesGoBehindTheTextAndDisabledTextIsEngraved) {
    constexpr ui::TColor text = 0x0000FF, light = 0x00FF00, dark = 0xFF0000;
    TTextEffect effect{tsRaised, false, light, dark, {3, 3}, {-1, 0}};
    EXPECT_EQ(Painted(effect, true), (Copies{{{1, 1}, dark}, {{-1, -1}, light}, {{-1, 0}, text}}));
    effect.Light = true;
    EXPECT_EQ(Painted(effect, true), (Copies{{{-1, -1}, light}, {{-1, 0}, text}}));

    effect.Style = tsRecessed;
    EXPECT_EQ(Painted(effect, true), (Copies{{{1, 1}, light}, {{-1, 0}, text}}));
    effect.Light = false;
    EXPECT_EQ(Painted(effect, true), (Copies{{{1, 1}, light}, {{-1, -1}, dark}, {{-1, 0}, text}}));

    effect.Style = tsShadow;
    EXPECT_EQ(Painted(effect, true), (Copies{{{3, 3}, dark}, {{-1, 0}, text}}));
    effect.Style = tsNormal;
    EXPECT_EQ(Painted(effect, true), (Copies{{{-1, 0}, text}}));

    // Disabled: the style, its colours and the offsets play no part.
    for (TTextStyle style : {tsNormal, tsRaised, tsRecessed, tsShadow}) {
        effect.Style = style;
        EXPECT_EQ(Painted(effect, false), (Copies{{{1, 1}, ui::clBtnHighlight}, {{0, 0}, ui::clBtnShadow}})) << style;
    }
}

} // namespace
