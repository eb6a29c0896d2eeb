// Where two frames of the same size differ, as a few rectangles: the player window repaints and
// blits only those, so a movie that stands still costs no drawing at all, and a small moving
// object costs its own box and not the whole pane.
#pragma once

#include "ui/Geometry.h"

#include <cstdint>
#include <vector>

namespace flash {

// Rows that changed are gathered into bands; a band ends after kChangedBandGap unchanged rows,
// and each band becomes one rectangle spanning its changed columns. More than
// kMaxChangedRegions bands are merged into their bounding box. Empty when nothing changed.
inline constexpr int kChangedBandGap = 16;
inline constexpr size_t kMaxChangedRegions = 8;

std::vector<ui::Rect> ChangedRegions(const std::uint32_t* before, const std::uint32_t* after, int width, int height);

} // namespace flash
