// The rasteriser, in four named stages, all in integer 24.8 fixed point device pixels so that
// every platform produces the same pixels:
//   1. flatten   PathBuilder turns lines and quadratic curves into straight edges;
//   2. edge list EdgeList keeps them oriented top to bottom with their winding direction;
//   3. coverage  rasterize() walks sub-scanlines, applies the fill rule and accumulates exact
//                horizontal coverage per pixel (or point samples at pixel centres, aliased);
//   4. span fill the coverage row goes to a SpanSink (the fill painters in paint.h).
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace swf {

// Index of the lowest set bit of a non-zero word (the scans over coverage and mark bits use it).
inline int lowest_bit(uint64_t v) {
#if defined(__GNUC__)
    return __builtin_ctzll(v);
#else
    int n = 0;
    while (!(v & 1)) v >>= 1, ++n;
    return n;
#endif
}

constexpr int kSubpixelBits = 8;
constexpr int32_t kOne = 1 << kSubpixelBits;  // one device pixel in 24.8

struct FixPoint {
    int32_t x = 0, y = 0;
    bool operator==(const FixPoint&) const = default;
};

struct Edge {
    int32_t x0, y0, x1, y1;  // y0 < y1
    int32_t dir;             // +1 downwards in the source path, -1 upwards
};

// Stage 2: the edge list, with its bounding box.
class EdgeList {
public:
    void add(FixPoint a, FixPoint b);
    void clear() {
        edges_.clear();
        ymin_ = xmin_ = INT32_MAX;
        ymax_ = xmax_ = INT32_MIN;
        sorted_ = true;
    }
    // Orders the edges by their top, as the coverage stage takes them; a list kept between
    // frames is sorted once.
    void sort_by_top();
    bool empty() const { return edges_.empty(); }
    const std::vector<Edge>& edges() const { return edges_; }
    int32_t xmin() const { return xmin_; }
    int32_t xmax() const { return xmax_; }
    int32_t ymin() const { return ymin_; }
    int32_t ymax() const { return ymax_; }
    size_t bytes() const { return edges_.capacity() * sizeof(Edge); }

private:
    std::vector<Edge> edges_;
    int32_t xmin_ = INT32_MAX, xmax_ = INT32_MIN, ymin_ = INT32_MAX, ymax_ = INT32_MIN;
    bool sorted_ = true;
};

// Stage 1: flattening. Points are 24.8 device coordinates.
class PathBuilder {
public:
    explicit PathBuilder(EdgeList& out) : out_(out) {}
    // Starts a subpath without closing the previous one (fill edges arrive one by one).
    void move_to(FixPoint p) { start_ = pen_ = p; }
    void line_to(FixPoint p) {
        out_.add(pen_, p);
        pen_ = p;
    }
    void quad_to(FixPoint c, FixPoint p);
    // Adds the closing edge back to the subpath start (for outlines built by the stroker).
    void close() {
        if (!(pen_ == start_)) out_.add(pen_, start_);
        pen_ = start_;
    }
    FixPoint pen() const { return pen_; }

    // Splits a quadratic into straight pieces no further than `tolerance` (24.8) from the curve.
    static int curve_steps(FixPoint a, FixPoint c, FixPoint b);

private:
    EdgeList& out_;
    FixPoint start_, pen_;
};

// Curves are split into straight pieces within this distance (device pixels) of the true curve.
constexpr double kCurveTolerance = 0.1;
constexpr int kMaxCurveSteps = 1024;

// Splits the quadratic (x0,y0) (cx,cy) (x1,y1) for `tolerance` (in the units of the coordinates
// given) into n pieces and writes the n-1 inner parameters to `ts`. Returns n, or 0 when the curve
// is degenerate (straight or a point) and should be split uniformly instead.
int flatten_quad(double x0, double y0, double cx, double cy, double x1, double y1, double tolerance,
                 double* ts, int max_steps);

enum class FillRule : uint8_t { EvenOdd, NonZero };

// Stage 4 interface: one call per pixel row with coverage 0..255 for x in [x0, x1).
class SpanSink {
public:
    virtual ~SpanSink() = default;
    virtual void row(int y, int x0, int x1, const uint8_t* coverage) = 0;
};

struct ClipBox {
    int x0 = 0, y0 = 0, x1 = 0, y1 = 0;  // device pixels, right/bottom exclusive
};

// Stage 3: scanline coverage. Anti-aliased uses kSubsamples sub-scanlines per row with exact
// horizontal coverage; aliased samples each pixel at its centre.
constexpr int kSubsampleBits = 2;
constexpr int kSubsamples = 1 << kSubsampleBits;

class Rasterizer {
public:
    void fill(EdgeList& edges, FillRule rule, const ClipBox& clip, bool antialias, SpanSink& sink);

private:
    // Exact edge stepping: x + rem/dy is the true crossing at the current sample line.
    struct Active {
        int64_t x, rem, dy;
        int64_t q, r;  // per sub-scanline: x += q, rem += r, carrying at dy
        int32_t y1;
        int32_t dir;
    };
    struct Crossing {
        int32_t x;
        int32_t dir;
    };
    // A row's coverage is kept sparse, in the cells that spans start or end in: a pixel's
    // coverage is the running sum of the carries of the cells left of it plus its own cell's
    // cover. A span [xa, xb) changes only the cells of xa and xb, and every pixel between two
    // marked cells has the same coverage, so interior runs cost nothing until they are written.
    struct Cell {
        int32_t cover;
        int32_t carry;
    };
    struct RowGeometry {
        int px0 = 0, width = 0;  // first pixel column of the buffers, and how many columns
        int32_t xlo = 0, xhi = 0;  // clip edges in 24.8
        bool clamp_x = false;      // whether edges reach past the clip's sides
    };

    template <bool kAntialias, bool kClampX>
    void scan(const std::vector<Edge>& edges, FillRule rule, int row0, int row1, const RowGeometry& g,
              SpanSink& sink);
    static void advance(Active& a);
    static bool two_edge_row(Active* act, Cell* cells, const RowGeometry& g, uint8_t* out, int& lo, int& hi);
    static bool resolve_row(Cell* cells, uint64_t* marks, uint8_t* out, const RowGeometry& g, int32_t full,
                            int shift, int& lo, int& hi);

    // Buffers kept between fills so that shapes allocate nothing once they have grown.
    std::vector<Active> active_;  // room for every edge
    std::vector<Crossing> crossings_;
    std::vector<Cell> cells_;      // one per pixel column of the row, and one past the end
    std::vector<uint64_t> marks_;  // one bit per cell that this row changed, cleared by each row
    std::vector<uint8_t> out_;
};

// The rows one fill handed to its sink, kept so that the same edges under the same clip can be
// handed again without the coverage stage. A row is kept as the bytes before its first fully
// covered pixel, the length of that full run, and the bytes after it: for the usual outline a few
// bytes at either end.
class CoverageRows {
public:
    // Rasterizer::fill() through `sink`, keeping what it hands on.
    void record(Rasterizer& raster, EdgeList& edges, FillRule rule, const ClipBox& clip, bool antialias,
                SpanSink& sink);
    bool recorded_for(FillRule rule, const ClipBox& clip, bool antialias) const {
        return recorded_ && rule == rule_ && antialias == antialias_ && clip.x0 == clip_.x0 && clip.y0 == clip_.y0 &&
               clip.x1 == clip_.x1 && clip.y1 == clip_.y1;
    }
    void replay(SpanSink& sink);
    void forget() { recorded_ = false; }
    size_t bytes() const { return rows_.capacity() * sizeof(Row) + bytes_.capacity(); }

private:
    struct Row {
        int32_t y, x0, x1;
        uint32_t offset;  // of its kept bytes in bytes_
        int32_t head, full;  // bytes before the full run, and the run's length
    };
    class Recorder;

    std::vector<Row> rows_;
    std::vector<uint8_t> bytes_;
    std::vector<uint8_t> line_;  // a row spelled out again for the sink
    FillRule rule_ = FillRule::EvenOdd;
    ClipBox clip_;
    bool antialias_ = false, recorded_ = false;
};

}  // namespace swf
