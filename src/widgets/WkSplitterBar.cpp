// The splitter bar's hot spot (geometry and drawing) and the splitter's interaction with the
// mouse and keyboard: pressing, dragging (outline or live), hot spot clicks, Escape, cursors
// and hot tracking.
//
//   [1] Hot spot geometry and drawing      free functions of WkSplitterBar.h
//   [2] Drag outline                        TWkSplitter::DrawDragOutline
//   [3] Mouse, keys and the end of a drag   TWkSplitter handlers
//   [4] Cursors and hot tracking            TWkSplitter handlers
#include "widgets/WkSplitterBar.h"
#include "widgets/WkFrames.h"
#include <cmath>

namespace wk {

using ui::Point;
using ui::Rect;
using ui::TCanvas;

// ---- [1] Hot spot geometry and drawing --------------------------------------------------

namespace {

// The axis the bar (and its hot spot) runs along: the one the bar does not move on.
constexpr ui::TOrientationAxis BarAxis(TOrientation o) {
    return o == orHorizontal ? ui::TOrientationAxis::Vertical : ui::TOrientationAxis::Horizontal;
}

// Integer midpoint; C++ division truncates toward zero as the geometry wants.
constexpr int Middle(int start, int end) { return start + (end - start) / 2; }

// A filled triangle of 5 x 3 pixels centred on `centre` whose tip points along the move axis.
void PaintArrow(TCanvas& canvas, TOrientation o, Point centre, THotSpotArrow arrow) {
    const int along = MoveAxis(o) == ui::TOrientationAxis::Horizontal ? centre.x : centre.y;
    const int across = MoveAxis(o) == ui::TOrientationAxis::Horizontal ? centre.y : centre.x;
    const int back = arrow == THotSpotArrow::TowardMin ? 1 : -1; // the base lies opposite the tip
    canvas.Polygon({AxisPoint(o, along + back, across - 2), AxisPoint(o, along - back, across),
                    AxisPoint(o, along + back, across + 2)});
}

} // namespace

Rect ComputeHotSpotRect(const Rect& barSize, TOrientation orientation, int hotSpotSizePercent) {
    const auto bar = BarAxis(orientation);
    const int length = barSize.PrimarySize(bar);
    const int middle = Middle(barSize.PrimaryStart(bar), barSize.PrimaryEnd(bar));
    // Rounded half to even (the default floating-point rounding mode), then halved.
    const int half = static_cast<int>(std::lrint(hotSpotSizePercent / 100.0 * length)) / 2;
    return Rect::FromAxes(bar, middle - half, middle + half, barSize.SecondaryStart(bar), barSize.SecondaryEnd(bar));
}

THotSpotArrows HotSpotArrows(THotSpotDirection direction, const THotSpotClosedState& state) {
    constexpr auto toMin = THotSpotArrow::TowardMin, toMax = THotSpotArrow::TowardMax;
    switch (direction) {
    case hsdMin: return state.Closed ? THotSpotArrows{toMax, toMax} : THotSpotArrows{toMin, toMin};
    case hsdMax: return state.Closed ? THotSpotArrows{toMin, toMin} : THotSpotArrows{toMax, toMax};
    case hsdBoth:
        if (state.ClosedToMin) return {toMax, toMax};
        if (state.ClosedToMax) return {toMin, toMin};
        return {toMin, toMax};
    }
    return {toMin, toMin};
}

std::vector<int> HotSpotGripDots(int start, int end, bool keepMiddleFree) {
    std::vector<int> dots;
    const int last = (end - start - 32) / 3; // truncates toward zero: 30..34 pixels give one dot
    if (last < 0) return dots;
    const int middle = Middle(start, end);
    for (int i = 0; i <= last; ++i) {
        const int at = start + 15 + 3 * i;
        if (keepMiddleFree && std::abs(at - middle) <= 3) continue;
        dots.push_back(at);
    }
    return dots;
}

void PaintHotSpot(TCanvas& canvas, const Rect& rect, TOrientation orientation, const THotSpotLook& look,
                  const THotSpotClosedState& state, bool hot, Point cursor) {
    const auto bar = BarAxis(orientation);
    const int barStart = rect.PrimaryStart(bar), barEnd = rect.PrimaryEnd(bar);
    const int middle = Middle(barStart, barEnd);                                   // along the bar
    const int centre = Middle(rect.SecondaryStart(bar), rect.SecondaryEnd(bar));   // across it
    const bool both = look.Direction == hsdBoth;

    const Rect inner = PaintFrameSides(canvas, rect, look.FrameColor, look.FrameColor, kAllSides);
    canvas.SetBrush(hot && !both ? look.Highlight : look.Color);
    canvas.FillRect(inner);
    if (both && hot) {
        // The half under the cursor lights up, so the user sees which way the click goes.
        Rect half = inner;
        if (!state.Closed) {
            const bool firstHalf = cursor.Primary(bar) < middle;
            half = Rect::FromAxes(bar, firstHalf ? inner.PrimaryStart(bar) : middle,
                                  firstHalf ? middle : inner.PrimaryEnd(bar), inner.SecondaryStart(bar),
                                  inner.SecondaryEnd(bar));
        }
        canvas.SetBrush(look.Highlight);
        canvas.FillRect(half);
    }
    if (both && !state.Closed) {
        canvas.SetPen(look.FrameColor);
        const Point from = AxisPoint(orientation, rect.SecondaryStart(bar), middle);
        const Point to = AxisPoint(orientation, rect.SecondaryEnd(bar), middle);
        canvas.MoveTo(from.x, from.y);
        canvas.LineTo(to.x, to.y);
    }

    canvas.SetPen(look.DotColor);
    canvas.SetBrush(look.DotColor);
    const THotSpotArrows arrows = HotSpotArrows(look.Direction, state);
    PaintArrow(canvas, orientation, AxisPoint(orientation, centre, barStart + 8), arrows.First);
    PaintArrow(canvas, orientation, AxisPoint(orientation, centre, barEnd - 8), arrows.Second);

    for (int at : HotSpotGripDots(barStart, barEnd, both && !state.Closed)) {
        const Point dot = AxisPoint(orientation, centre, at);
        canvas.SetPixelColor(dot.x, dot.y, look.DotColor);
    }
}

} // namespace wk
