// Finding what changed between two frames, and repainting only that: a still movie changes
// nothing, a moving one changes its own box, and a partial paint puts exactly those pixels on
// the device.
#include "flash/FlashPlayback.h"
#include "flash/FrameChanges.h"
#include "test_movies.h"
#include "ui/Gdi.h"

#include <gtest/gtest.h>

using namespace flash;

namespace {

std::vector<ui::Rect> Diff(const std::vector<uint32_t>& a, const std::vector<uint32_t>& b, int w, int h) {
    return ChangedRegions(a.data(), b.data(), w, h);
}

} // namespace

TEST(FrameChanges, RegionsCoverExactlyTheChangedPixelsInFewRectangles) {
    const int w = 100, h = 200;
    std::vector<uint32_t> before(size_t(w) * h, 7), after = before;
    EXPECT_TRUE(Diff(before, after, w, h).empty());

    // One changed box comes back as itself, edges included.
    for (int y = 10; y < 20; ++y)
        for (int x = 30; x < 45; ++x) after[size_t(y) * w + x] = 9;
    after[size_t(0) * w + 99] = 1;  // the last pixel of the first row
    std::vector<ui::Rect> r = Diff(before, after, w, h);
    ASSERT_EQ(r.size(), 1u);  // rows 0 and 10 are within a band's gap of each other
    EXPECT_EQ(r[0], ui::Rect(30, 0, 100, 20));

    // Far apart: two bands, each as wide as its own changes.
    after = before;
    after[size_t(5) * w + 3] = 1;
    after[size_t(150) * w + 80] = 1;
    r = Diff(before, after, w, h);
    ASSERT_EQ(r.size(), 2u);
    EXPECT_EQ(r[0], ui::Rect(3, 5, 4, 6));
    EXPECT_EQ(r[1], ui::Rect(80, 150, 81, 151));

    // Too many bands: one bounding box.
    after = before;
    for (int band = 0; band < 10; ++band) after[size_t(band * 20) * w + band] = 1;
    r = Diff(before, after, w, h);
    ASSERT_EQ(r.size(), 1u);
    EXPECT_EQ(r[0], ui::Rect(0, 0, 10, 181));
}

TEST(FrameChanges, AStillMovieRendersNoChangesAndAPartialPaintBlitsOnlyItsRectangle) {
    flash_test::TempMovie movie(flash_test::StageMovie(100, 50, 3, 12, RGB(0, 0, 255), RGB(255, 0, 0), 20, 10));
    TFlashPlayback p;
    p.LoadMovie(0, movie.Path());
    p.Play();
    // The first render at a size is all new; the same picture again is no change.
    EXPECT_EQ(p.RenderChanges(200, 100), (std::vector<ui::Rect>{{0, 0, 200, 100}}));
    EXPECT_TRUE(p.Tick());
    EXPECT_TRUE(p.RenderChanges(200, 100).empty());
    EXPECT_TRUE(p.RenderChanges(200, 100).empty());  // nothing ran since: nothing rendered
    EXPECT_EQ(p.RenderChanges(300, 100), (std::vector<ui::Rect>{{0, 0, 300, 100}}));

    // Only the update rectangle reaches the device, at its own place.
    ui::DibSurface dib(300, 100);
    dib.Fill(RGB(0, 255, 0));
    p.Paint(dib.Dc(), 300, 100, {60, 10, 90, 70});
    EXPECT_EQ(dib.Pixel(60, 10), RGB(255, 0, 0));  // the red rectangle at the stage's corner: (50, 0)..(90, 20)
    EXPECT_EQ(dib.Pixel(89, 19), RGB(255, 0, 0));
    EXPECT_EQ(dib.Pixel(60, 50), RGB(0, 0, 255));  // the blue stage under it
    EXPECT_EQ(dib.Pixel(89, 69), RGB(0, 0, 255));
    EXPECT_EQ(dib.Pixel(59, 30), RGB(0, 255, 0));  // around the rectangle, untouched
    EXPECT_EQ(dib.Pixel(90, 30), RGB(0, 255, 0));
    EXPECT_EQ(dib.Pixel(60, 70), RGB(0, 255, 0));
    EXPECT_EQ(dib.Pixel(60, 9), RGB(0, 255, 0));
}
