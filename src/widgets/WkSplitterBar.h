// The splitter bar's hot spot: its rectangle, its drawing and the arrow each end shows.
// These are free functions of plain values so that the geometry and the pixels can be
// checked without a window; TWkSplitter (WkSplitter.h) calls them after every layout and on
// every hot-tracking change. The splitter's mouse, key and cursor handling that works on
// this hot spot lives in WkSplitterBar.cpp as well.
#pragma once
#include "ui/Canvas.h"
#include "ui/Geometry.h"
#include "widgets/WkEnums.h"
#include <vector>

namespace wk {

using ui::TColor;

enum TFixedPane : unsigned char { fpUpperLeft, fpLowerRight };
inline constexpr ui::TEnumName<TFixedPane> kFixedPaneNames[] = {{L"fpUpperLeft", fpUpperLeft}, {L"fpLowerRight", fpLowerRight}};
constexpr const auto& EnumNames(TFixedPane) { return kFixedPaneNames; }
enum TSelectedPane : unsigned char { spUpperLeft, spLowerRight };
inline constexpr ui::TEnumName<TSelectedPane> kSelectedPaneNames[] = {{L"spUpperLeft", spUpperLeft}, {L"spLowerRight", spLowerRight}};
constexpr const auto& EnumNames(TSelectedPane) { return kSelectedPaneNames; }
enum TSplitterStyle : unsigned char { ssStandard, ssGroove, ssBump, ssGroupBar };
inline constexpr ui::TEnumName<TSplitterStyle> kSplitterStyleNames[] = {
    {L"ssStandard", ssStandard}, {L"ssGroove", ssGroove}, {L"ssBump", ssBump}, {L"ssGroupBar", ssGroupBar}};
constexpr const auto& EnumNames(TSplitterStyle) { return kSplitterStyleNames; }
enum THotSpotDirection : unsigned char { hsdMin, hsdMax, hsdBoth };
inline constexpr ui::TEnumName<THotSpotDirection> kHotSpotDirectionNames[] = {{L"hsdMin", hsdMin}, {L"hsdMax", hsdMax}, {L"hsdBoth", hsdBoth}};
constexpr const auto& EnumNames(THotSpotDirection) { return kHotSpotDirectionNames; }

// The axis the bar moves along: x for panes side by side (orHorizontal), y for orVertical.
// The bar itself, and so the hot spot, runs along the other axis.
constexpr ui::TOrientationAxis MoveAxis(TOrientation o) {
    return o == orHorizontal ? ui::TOrientationAxis::Horizontal : ui::TOrientationAxis::Vertical;
}
// A point given by its coordinate along the move axis and across it.
constexpr ui::Point AxisPoint(TOrientation o, int along, int across) {
    return o == orHorizontal ? ui::Point{along, across} : ui::Point{across, along};
}

// The hot spot: HotSpotSizePercent of the bar's length, centred on the bar, as thick as it.
ui::Rect ComputeHotSpotRect(const ui::Rect& barSize, TOrientation orientation, int hotSpotSizePercent);

enum class THotSpotArrow : unsigned char { TowardMin, TowardMax };
struct THotSpotArrows {
    THotSpotArrow First;   // at the start of the hot spot
    THotSpotArrow Second;  // at its end
    bool operator==(const THotSpotArrows&) const = default;
};

// The collapsed state the arrows and the divider depend on.
struct THotSpotClosedState {
    bool Closed = false;
    bool ClosedToMin = false;
    bool ClosedToMax = false;
};

// Which way each arrow points: always the way the bar moves on the next click.
THotSpotArrows HotSpotArrows(THotSpotDirection direction, const THotSpotClosedState& state);

struct THotSpotLook {
    TColor Color = ui::clBtnFace;          // fill
    TColor Highlight = ui::clWindow;       // fill under the mouse
    TColor FrameColor = ui::clBtnShadow;   // frame and hsdBoth divider
    TColor DotColor = ui::clHighlight;     // grip dots and arrows
    THotSpotDirection Direction = hsdMin;
};

// Draws the hot spot in rect, normal or highlighted (hot). cursor is the mouse position in
// the same coordinates; with hsdBoth it picks the highlighted half.
void PaintHotSpot(ui::TCanvas& canvas, const ui::Rect& rect, TOrientation orientation, const THotSpotLook& look,
                  const THotSpotClosedState& state, bool hot, ui::Point cursor);

// Positions (along the bar) of the grip dots of a hot spot of the given extent, in order.
// Dots start 15 pixels into the hot spot, 3 apart; hsdBoth leaves the middle free for the
// divider while it is open.
std::vector<int> HotSpotGripDots(int start, int end, bool keepMiddleFree);

} // namespace wk
