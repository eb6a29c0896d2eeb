#include "flash/FrameChanges.h"

#include <algorithm>
#include <cstring>

namespace flash {

std::vector<ui::Rect> ChangedRegions(const std::uint32_t* before, const std::uint32_t* after, int width, int height) {
    std::vector<ui::Rect> bands;
    if (width <= 0 || height <= 0) return bands;
    const size_t rowBytes = size_t(width) * sizeof(std::uint32_t);
    ui::Rect band{};
    bool open = false;
    int lastChanged = -1;
    for (int y = 0; y < height; ++y) {
        const std::uint32_t* a = before + size_t(y) * width;
        const std::uint32_t* b = after + size_t(y) * width;
        if (std::memcmp(a, b, rowBytes) == 0) {
            if (open && y - lastChanged > kChangedBandGap) {
                bands.push_back(band);
                open = false;
            }
            continue;
        }
        int left = 0, right = width;
        while (a[left] == b[left]) ++left;
        while (a[right - 1] == b[right - 1]) --right;
        band = open ? band.United({left, y, right, y + 1}) : ui::Rect{left, y, right, y + 1};
        open = true;
        lastChanged = y;
    }
    if (open) bands.push_back(band);
    if (bands.size() > kMaxChangedRegions) {
        ui::Rect all;
        for (const ui::Rect& r : bands) all = all.United(r);
        bands.assign(1, all);
    }
    return bands;
}

} // namespace flash
