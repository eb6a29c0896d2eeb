// The rasteriser's sparse row coverage against a plain reference: every sample line's crossings
// found directly from the edges, sorted, filled by rule and added up pixel by pixel.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "swf/raster.h"

namespace {

struct Image : swf::SpanSink {
    int w, h;
    std::vector<int> cov;
    Image(int w_, int h_) : w(w_), h(h_), cov(size_t(w_) * h_, 0) {}
    void row(int y, int x0, int x1, const uint8_t* c) override {
        ASSERT_TRUE(y >= 0 && y < h && x0 >= 0 && x1 <= w && x0 < x1) << y << " " << x0 << " " << x1;
        for (int x = x0; x < x1; ++x) {
            EXPECT_EQ(cov[y * w + x], 0) << "pixel delivered twice";
            cov[y * w + x] = c[x - x0];
        }
    }
};

int64_t floor_div(int64_t a, int64_t b) { return a / b - ((a % b) < 0 ? 1 : 0); }

// Coverage the slow way, from the same sampling rules: four sample lines per row (one when
// aliased), crossings rounded up to the next 1/256 pixel and clamped to the clip.
std::vector<int> reference(const std::vector<swf::Edge>& edges, swf::FillRule rule, const swf::ClipBox& clip,
                           bool aa, int w, int h) {
    std::vector<int> sum(size_t(w) * h, 0);
    const int subs = aa ? swf::kSubsamples : 1, step = swf::kOne / subs;
    for (int y = clip.y0; y < clip.y1; ++y) {
        for (int s = 0; s < subs; ++s) {
            const int64_t sy = int64_t(y) * swf::kOne + s * step + step / 2;
            std::vector<std::pair<int64_t, int>> xs;
            for (const swf::Edge& e : edges) {
                if (e.y0 > sy || e.y1 <= sy) continue;
                const int64_t num = (sy - e.y0) * (int64_t(e.x1) - e.x0), den = int64_t(e.y1) - e.y0;
                const int64_t x = e.x0 + floor_div(num, den) + (num % den != 0 ? 1 : 0);
                xs.push_back({std::clamp<int64_t>(x, int64_t(clip.x0) * swf::kOne, int64_t(clip.x1) * swf::kOne), e.dir});
            }
            std::stable_sort(xs.begin(), xs.end(), [](auto& a, auto& b) { return a.first < b.first; });
            int winding = 0;
            for (size_t i = 0; i + 1 < xs.size(); ++i) {
                winding += xs[i].second;
                const bool in = rule == swf::FillRule::NonZero ? winding != 0 : (winding & 1) != 0;
                if (!in) continue;
                for (int x = clip.x0; x < clip.x1; ++x) {
                    const int64_t l = int64_t(x) * swf::kOne, r = l + swf::kOne;
                    if (aa) {
                        sum[y * w + x] += int(std::max<int64_t>(0, std::min(r, xs[i + 1].first) - std::max(l, xs[i].first)));
                    } else if (l + swf::kOne / 2 >= xs[i].first && l + swf::kOne / 2 < xs[i + 1].first) {
                        sum[y * w + x] += swf::kOne;
                    }
                }
            }
        }
    }
    const int full = swf::kOne * subs, shift = aa ? swf::kSubpixelBits + swf::kSubsampleBits : swf::kSubpixelBits;
    for (int& v : sum) v = (std::min(v, full) * 255 + full / 2) >> shift;
    return sum;
}

}  // namespace

TEST(Rasterizer, SparseRowsMatchTheDirectSum) {
    // Random outlines (several loops, crossing themselves, pixel-aligned and not, partly outside
    // the clip), both fill rules, anti-aliased and aliased; the rasteriser is reused throughout
    // so that leftovers from one fill would show in the next.
    std::mt19937 rng(1234);
    auto pick = [&rng](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    swf::Rasterizer r;
    for (int round = 0; round < 300; ++round) {
        const int w = pick(1, 70), h = pick(1, 40);
        swf::EdgeList list;
        swf::PathBuilder pb(list);
        const int loops = pick(1, 3);
        for (int l = 0; l < loops; ++l) {
            auto point = [&] {
                swf::FixPoint p{pick(-8 * swf::kOne, (w + 8) * swf::kOne), pick(-8 * swf::kOne, (h + 8) * swf::kOne)};
                if (pick(0, 3) == 0) p.x &= ~(swf::kOne - 1);
                if (pick(0, 3) == 0) p.y &= ~(swf::kOne - 1);
                return p;
            };
            pb.move_to(point());
            for (int k = pick(2, 7); k > 0; --k) pb.line_to(point());
            pb.close();
        }
        swf::ClipBox clip{pick(0, w / 2), pick(0, h / 2), w, h};
        if (pick(0, 2) == 0) clip.x1 = pick(clip.x0 + 1, w), clip.y1 = pick(clip.y0 + 1, h);
        const auto rule = pick(0, 1) ? swf::FillRule::NonZero : swf::FillRule::EvenOdd;
        const bool aa = pick(0, 3) != 0;
        const std::vector<swf::Edge> edges = list.edges();
        Image img(w, h);
        r.fill(list, rule, clip, aa, img);
        const std::vector<int> want = reference(edges, rule, clip, aa, w, h);
        for (int i = 0; i < w * h; ++i)
            ASSERT_EQ(img.cov[i], want[i]) << "round " << round << " pixel " << i % w << "," << i / w;
    }
}

TEST(Rasterizer, RowsReachTheClipEdgesAndHolesStayEmpty) {
    swf::Rasterizer r;
    const int k = swf::kOne;
    // A shape wider than the clip: every row is covered right up to the clip's last column.
    {
        swf::EdgeList e;
        swf::PathBuilder pb(e);
        pb.move_to({-5 * k, 1 * k});
        pb.line_to({30 * k, 1 * k});
        pb.line_to({30 * k, 3 * k});
        pb.line_to({-5 * k, 3 * k});
        pb.close();
        Image img(16, 4);
        r.fill(e, swf::FillRule::NonZero, {2, 0, 16, 4}, true, img);
        for (int x = 0; x < 16; ++x) {
            EXPECT_EQ(img.cov[1 * 16 + x], x >= 2 ? 255 : 0) << x;
            EXPECT_EQ(img.cov[0 * 16 + x], 0);
        }
    }
    // Two squares side by side on one row with a gap between them: the gap stays 0 and both
    // interiors are full.
    {
        swf::EdgeList e;
        swf::PathBuilder pb(e);
        for (int x0 : {1, 9}) {
            pb.move_to({x0 * k + k / 2, 0});
            pb.line_to({(x0 + 4) * k + k / 2, 0});
            pb.line_to({(x0 + 4) * k + k / 2, 2 * k});
            pb.line_to({x0 * k + k / 2, 2 * k});
            pb.close();
        }
        Image img(16, 2);
        r.fill(e, swf::FillRule::EvenOdd, {0, 0, 16, 2}, true, img);
        const int expected[16] = {0, 128, 255, 255, 255, 128, 0, 0, 0, 128, 255, 255, 255, 128, 0, 0};
        for (int x = 0; x < 16; ++x) EXPECT_NEAR(img.cov[16 + x], expected[x], 1) << x;
    }
}
