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
#include "widgets/WkSplitter.h"
#include <climits>
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

// ---- [2] Drag outline -------------------------------------------------------------------

void TWkSplitter::DrawDragOutline(int position) {
    HWND wnd = HandleIfAllocated();
    if (FRealTimeDrag || !wnd) return;
    // The bar's rectangle moved to `position`, in screen coordinates.
    const auto a = MoveAxis(FOrientation);
    const int start = LeadingBorderSize() + position;
    Rect outline = Rect::FromAxes(a, start, start + FBarSize.PrimarySize(a), FBarSize.SecondaryStart(a),
                                  FBarSize.SecondaryEnd(a));
    POINT origin = outline.TopLeft();
    ::ClientToScreen(wnd, &origin);
    outline = outline.MovedTo(origin);
    // PATINVERT on the screen: drawing the same outline again restores what was there, so
    // the outline can cross other windows without anyone repainting.
    ui::WindowDc screen(nullptr);
    ui::BrushOwner brush(CreatePatternBrush(FDragPatternBitmap));
    ui::SelectGuard select(screen, brush);
    PatBlt(screen, outline.left, outline.top, outline.Width(), outline.Height(), PATINVERT);
}

void TWkSplitter::ShowOutline(int position) {
    if (FRealTimeDrag || FOutlineShown) return;
    DrawDragOutline(position);
    FOutlineShown = true;
    FOutlinePosition = position;
}

void TWkSplitter::HideOutline() {
    if (!FOutlineShown) return;
    DrawDragOutline(FOutlinePosition);
    FOutlineShown = false;
}

// ---- [3] Mouse, keys and the end of a drag ----------------------------------------------

void TWkSplitter::MouseDown(ui::TMouseButton button, ui::TShiftState shift, int x, int y) {
    TWkCustomPanel::MouseDown(button, shift, x, y);
    const Point p{x, y};
    const bool onHotSpot = FHotSpotVisible && FHotSpotRect.Contains(p);
    if (!FBarSize.Contains(p) || button != ui::mbLeft || !(onHotSpot || !FLockBar) || FBarDragging) return;
    HWND wnd = Handle();
    // Escape must reach us while the outline is up.
    if (!FRealTimeDrag) ::SetFocus(wnd);
    ::SetCapture(wnd);
    FDragEnd = TDragEnd::Cancel;
    FBarDragging = true;
    FHotSpotPressed = onHotSpot;
    FDragAnchor = p.Primary(MoveAxis(FOrientation)) - AxisSize() / 2;
    FDragStartPosition = FPosition;
    ShowOutline(FPosition);
    FDragPosition = FPosition;
}

void TWkSplitter::MouseMove(ui::TShiftState shift, int x, int y) {
    TWkCustomPanel::MouseMove(shift, x, y);
    if ((FHotSpotPressed && FLockBar) || !FBarDragging) return;
    // The start position moved by the distance the mouse travelled.
    int q = Point{x, y}.Primary(MoveAxis(FOrientation)) + FDragStartPosition - AxisSize() / 2 - FDragAnchor;
    ConstrainPosition(q);
    if (OnChanging) {
        bool allow = true;
        OnChanging(this, q, allow);
        if (!allow) return;
    }
    if (q != FDragPosition) {
        // A press that moved the bar is no click, and a dragged bar is no longer collapsed.
        FHotSpot = {};
        FHotSpotPressed = false;
        HideOutline();
        ShowOutline(q);
        if (FRealTimeDrag) {
            SetPosition(q);
            FPreferredFixedSize = FFixedPane == fpUpperLeft ? q : AxisSize() - q;
        }
    }
    FDragPosition = q;
}

void TWkSplitter::MouseUp(ui::TMouseButton button, ui::TShiftState shift, int x, int y) {
    TWkCustomPanel::MouseUp(button, shift, x, y);
    if (!((FBarDragging && button == ui::mbLeft) || FHotSpotPressed)) return;
    FReleasePoint = {x, y};
    ReleaseDrag(TDragEnd::Commit);
}

bool TWkSplitter::KeyDown(WORD key, ui::TShiftState shift) {
    const bool handled = TWkCustomPanel::KeyDown(key, shift);
    if (key != VK_ESCAPE || !FBarDragging) return handled;
    ReleaseDrag(TDragEnd::Cancel);
    return true;
}

LRESULT TWkSplitter::DialogCode() {
    // While dragging, Escape is ours: it must not close a dialog or reach a Cancel button.
    return FBarDragging ? DLGC_WANTALLKEYS : TWkCustomPanel::DialogCode();
}

void TWkSplitter::ReleaseDrag(TDragEnd how) {
    FDragEnd = how;
    HWND wnd = HandleIfAllocated();
    // ReleaseCapture sends WM_CAPTURECHANGED, whose handler ends the drag. The direct call
    // covers a drag whose capture was never ours (it then finds nothing left to do).
    if (wnd && ::GetCapture() == wnd) ::ReleaseCapture();
    EndDrag();
}

void TWkSplitter::EndDrag() {
    if (!FBarDragging && !FHotSpotPressed) return;
    // Anything but a release of the button (Escape, another window taking the capture)
    // cancels: the bar stays where it was.
    const TDragEnd how = std::exchange(FDragEnd, TDragEnd::Cancel);
    FBarDragging = false;
    HideOutline();
    if (how == TDragEnd::Cancel) {
        FHotSpotPressed = false;
        if (!FRealTimeDrag) RememberFixedSize(FPosition);
        return;
    }
    if (!FRealTimeDrag) {
        SetPosition(FDragPosition);
        RememberFixedSize(FDragPosition);
    }
    if (FHotSpotPressed) {
        FHotSpotPressed = false;
        if (FHotSpotRect.Contains(FReleasePoint)) HotSpotClicked(FReleasePoint);
    }
}

void TWkSplitter::HotSpotClicked(Point at) {
    const THotSpotClosedState before = FHotSpot;
    const int positionBefore = FHotSpotPosition;
    FHotSpot.Closed = !FHotSpot.Closed;
    if (FHotSpot.Closed) {
        FHotSpotPosition = FPosition;
        const auto bar = BarAxis(FOrientation);
        const bool firstHalf = at.Primary(bar) < Middle(FHotSpotRect.PrimaryStart(bar), FHotSpotRect.PrimaryEnd(bar));
        if (FHotSpotDirection == hsdMin || (FHotSpotDirection == hsdBoth && firstHalf)) {
            FHotSpot.ClosedToMin = true;
            SetPosition(0);
        } else {
            FHotSpot.ClosedToMax = true;
            SetPosition(INT_MAX); // the limit turns it into the largest allowed position
        }
    } else {
        FHotSpot.ClosedToMin = FHotSpot.ClosedToMax = false;
        SetPosition(FHotSpotPosition);
        RememberFixedSize(FPosition);
    }
    if (FChangeRefused) {
        // OnChanging kept the bar where it was, so the pane is neither collapsed nor
        // restored: the state (and the arrows) must say so too.
        FHotSpot = before;
        FHotSpotPosition = positionBefore;
        return;
    }
    DrawSplitterBar();
    if (OnHotSpotClick) OnHotSpotClick(this);
}

// ---- [4] Cursors and hot tracking -------------------------------------------------------

Point TWkSplitter::CursorInClient() const {
    POINT p{};
    GetCursorPos(&p);
    if (HWND wnd = HandleIfAllocated()) ::ScreenToClient(wnd, &p);
    return p;
}

void TWkSplitter::PaintHotSpotOn(TCanvas& canvas, bool hot, Point cursor) {
    const THotSpotLook look{FHotSpotColor, FHotSpotHighlight, FHotSpotFrameColor, FHotSpotDotColor, FHotSpotDirection};
    PaintHotSpot(canvas, FHotSpotRect, FOrientation, look, FHotSpot, hot, cursor);
    FHotSpotShownNormal = !hot;
}

void TWkSplitter::DrawHotSpot(bool hot, Point cursor) {
    HWND wnd = HandleIfAllocated();
    if (!wnd || !FHotSpotVisible) return;
    ui::WindowDc dc(wnd);
    TCanvas canvas(dc);
    PaintHotSpotOn(canvas, hot, cursor);
}

void TWkSplitter::TrackHotSpot(Point cursor, bool leaving) {
    if (FHotSpotRect.Contains(cursor)) {
        // With hsdBoth the lit half follows the cursor, so it is redrawn on every move.
        if (FHotSpotShownNormal || (FHotSpotDirection == hsdBoth && !leaving)) DrawHotSpot(true, cursor);
        FHotSpotShownNormal = false;
    } else {
        if (!FHotSpotShownNormal) DrawHotSpot(false, cursor);
        FHotSpotShownNormal = true;
    }
}

bool TWkSplitter::SetBarCursor() {
    const Point p = CursorInClient();
    if (FHotSpotVisible) TrackHotSpot(p, false);
    if (!FBarSize.Contains(p) || FLockBar) return false;
    const bool onHotSpot = FHotSpotVisible && FHotSpotRect.Contains(p);
    const bool vertical = FOrientation == orVertical;
    ::SetCursor(onHotSpot ? (vertical ? FCursorVertHotSpot : FCursorHorzHotSpot) : (vertical ? FCursorVert : FCursorHorz));
    return true;
}

void TWkSplitter::MouseLeave() {
    TWkCustomPanel::MouseLeave();
    if (FHotSpotVisible) TrackHotSpot(CursorInClient(), true);
}

bool TWkSplitter::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    switch (msg) {
    case WM_SETCURSOR:
        // Over our client area or a pane's bare surface (the panes are HTTRANSPARENT).
        if (LOWORD(lParam) == HTCLIENT && SetBarCursor()) {
            result = TRUE;
            return true;
        }
        break;
    case WM_CAPTURECHANGED:
        // The one place a drag ends: a release, Escape, or another window taking the mouse.
        EndDrag();
        break; // the framework keeps its own capture bookkeeping too
    case WM_SHOWWINDOW:
        if (wParam)
            for (TWkSplitterPane* pane : FPanes)
                if (pane) pane->Invalidate();
        break;
    }
    return TWkCustomPanel::HandleMessage(msg, wParam, lParam, result);
}

} // namespace wk
