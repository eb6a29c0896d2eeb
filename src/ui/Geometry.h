// Point and Rect: the one geometry type of the framework and the widget kit.
// A Rect is (left, top, right, bottom) with the right and bottom edges excluded, laid out
// exactly like a Win32 RECT so it converts at no cost. Mutating helpers change the rect in
// place; the [[nodiscard]] twins return a changed copy.
#pragma once
#include <windows.h>
#include <algorithm>
#include <cstddef>
#include <vector>

namespace ui {

enum class TOrientationAxis { Horizontal, Vertical };

struct Point {
    int x = 0;
    int y = 0;

    constexpr Point() = default;
    constexpr Point(int x_, int y_) : x(x_), y(y_) {}
    Point(const POINT& p) : x(p.x), y(p.y) {}
    operator POINT() const { return POINT{x, y}; }

    [[nodiscard]] constexpr Point Offset(int dx, int dy) const { return {x + dx, y + dy}; }
    // The coordinate along / across an axis: orientation-generic layout code reads these.
    [[nodiscard]] constexpr int Primary(TOrientationAxis a) const { return a == TOrientationAxis::Horizontal ? x : y; }
    [[nodiscard]] constexpr int Secondary(TOrientationAxis a) const { return a == TOrientationAxis::Horizontal ? y : x; }
    constexpr bool operator==(const Point&) const = default;
};

struct Size {
    int cx = 0;
    int cy = 0;
    constexpr bool operator==(const Size&) const = default;
};

struct Rect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    constexpr Rect() = default;
    constexpr Rect(int l, int t, int r, int b) : left(l), top(t), right(r), bottom(b) {}
    Rect(const RECT& r) : left(r.left), top(r.top), right(r.right), bottom(r.bottom) {}
    // From a position and a size, as window layouts give bounds.
    [[nodiscard]] static constexpr Rect FromXYWH(int x, int y, int w, int h) { return {x, y, x + w, y + h}; }

    operator RECT() const { return RECT{left, top, right, bottom}; }
    RECT* AsRECT() { return reinterpret_cast<RECT*>(this); }
    const RECT* AsRECT() const { return reinterpret_cast<const RECT*>(this); }

    constexpr int Width() const { return right - left; }
    constexpr int Height() const { return bottom - top; }
    constexpr Size GetSize() const { return {Width(), Height()}; }
    constexpr Point TopLeft() const { return {left, top}; }
    constexpr Point BottomRight() const { return {right, bottom}; }
    constexpr bool IsEmpty() const { return right <= left || bottom <= top; }
    constexpr bool Contains(Point p) const { return p.x >= left && p.x < right && p.y >= top && p.y < bottom; }
    constexpr bool operator==(const Rect&) const = default;

    // Shrinks by the given amounts (negative values grow).
    constexpr void Inset(int dx, int dy) { Inset(dx, dy, dx, dy); }
    constexpr void Inset(int l, int t, int r, int b) { left += l; top += t; right -= r; bottom -= b; }
    [[nodiscard]] constexpr Rect Insetted(int dx, int dy) const { Rect c = *this; c.Inset(dx, dy); return c; }
    [[nodiscard]] constexpr Rect Insetted(int l, int t, int r, int b) const { Rect c = *this; c.Inset(l, t, r, b); return c; }
    constexpr void Inflate(int dx, int dy) { Inset(-dx, -dy); }
    [[nodiscard]] constexpr Rect Inflated(int dx, int dy) const { return Insetted(-dx, -dy); }

    constexpr void Offset(int dx, int dy) { left += dx; right += dx; top += dy; bottom += dy; }
    [[nodiscard]] constexpr Rect Offsetted(int dx, int dy) const { Rect c = *this; c.Offset(dx, dy); return c; }
    // Moves the rect so its top-left corner lands at p, keeping its size.
    [[nodiscard]] constexpr Rect MovedTo(Point p) const { return FromXYWH(p.x, p.y, Width(), Height()); }

    [[nodiscard]] constexpr Rect Intersected(const Rect& o) const {
        Rect r{std::max(left, o.left), std::max(top, o.top), std::min(right, o.right), std::min(bottom, o.bottom)};
        return r.IsEmpty() ? Rect{} : r;
    }
    [[nodiscard]] constexpr Rect United(const Rect& o) const {
        if (IsEmpty()) return o;
        if (o.IsEmpty()) return *this;
        return {std::min(left, o.left), std::min(top, o.top), std::max(right, o.right), std::max(bottom, o.bottom)};
    }

    // Carving helpers for alignment: cut a strip of n pixels off one side and return it.
    // The strip never exceeds what is left, so the remainder never turns inside out.
    constexpr Rect TakeFromTop(int n) { n = std::clamp(n, 0, std::max(0, Height())); Rect s{left, top, right, top + n}; top += n; return s; }
    constexpr Rect TakeFromBottom(int n) { n = std::clamp(n, 0, std::max(0, Height())); Rect s{left, bottom - n, right, bottom}; bottom -= n; return s; }
    constexpr Rect TakeFromLeft(int n) { n = std::clamp(n, 0, std::max(0, Width())); Rect s{left, top, left + n, bottom}; left += n; return s; }
    constexpr Rect TakeFromRight(int n) { n = std::clamp(n, 0, std::max(0, Width())); Rect s{right - n, top, right, bottom}; right -= n; return s; }

    // Orientation-generic access: the primary axis runs along a horizontal layout's x.
    constexpr int PrimaryStart(TOrientationAxis a) const { return a == TOrientationAxis::Horizontal ? left : top; }
    constexpr int PrimaryEnd(TOrientationAxis a) const { return a == TOrientationAxis::Horizontal ? right : bottom; }
    constexpr int SecondaryStart(TOrientationAxis a) const { return a == TOrientationAxis::Horizontal ? top : left; }
    constexpr int SecondaryEnd(TOrientationAxis a) const { return a == TOrientationAxis::Horizontal ? bottom : right; }
    constexpr int PrimarySize(TOrientationAxis a) const { return PrimaryEnd(a) - PrimaryStart(a); }
    constexpr int SecondarySize(TOrientationAxis a) const { return SecondaryEnd(a) - SecondaryStart(a); }
    // Builds a rect from primary/secondary extents.
    [[nodiscard]] static constexpr Rect FromAxes(TOrientationAxis a, int p0, int p1, int s0, int s1) {
        return a == TOrientationAxis::Horizontal ? Rect{p0, s0, p1, s1} : Rect{s0, p0, s1, p1};
    }
};

static_assert(sizeof(Rect) == sizeof(RECT) && sizeof(Point) == sizeof(POINT));

// Docking, the alignment pass's geometry. Each request names the side a child docks to, where
// the child is now and the size it asks for. Top, Bottom, Left, Right and then Fill requests
// are served in turn; a side's requests in the order of their position along that side (the
// outermost first), ties in request order. Each takes a strip of its own thickness off what
// is left (the strip keeps that thickness even past the space left, the remainder never turns
// inside out); a Fill request gets all that is left, overlapping any other Fill.
enum class TDockSide { Top, Bottom, Left, Right, Fill };

struct TDockRequest {
    TDockSide Side = TDockSide::Fill;
    Rect Bounds;
    Size Own;
};

struct TDockPlacement {
    std::size_t Request = 0;  // index into the requests
    Rect Bounds;
    bool operator==(const TDockPlacement&) const = default;
};

// The placements in the order they are made (defined with the window controls' alignment).
std::vector<TDockPlacement> DockRects(Rect client, const std::vector<TDockRequest>& requests);

} // namespace ui

#include <ostream>
namespace ui {
// Readable values in test failure messages.
inline std::ostream& operator<<(std::ostream& os, const Rect& r) {
    return os << "(" << r.left << ", " << r.top << ", " << r.right << ", " << r.bottom << ")";
}
inline std::ostream& operator<<(std::ostream& os, const Point& p) { return os << "(" << p.x << ", " << p.y << ")"; }
} // namespace ui
