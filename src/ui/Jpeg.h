// JPEG pictures: decoding through libjpeg into a 24-bit DIB section.
// Damaged data (bad markers, truncated files, unsupported colour spaces, absurd sizes)
// raises TJpegError with libjpeg's own reason; it never crashes and never shows a half
// decoded picture.
#pragma once
#include "ui/Gdi.h"
#include "ui/Geometry.h"
#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <vector>

namespace ui {

class TJpegError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Decoded pixels: rows top to bottom, 3 bytes per pixel in B, G, R order, each row padded to
// a multiple of 4 bytes (the layout of a 24-bit DIB row).
struct TJpegPixels {
    int Width = 0;
    int Height = 0;
    int Stride = 0;
    std::vector<std::uint8_t> Bits;
};

// Largest picture we agree to decode; anything bigger is treated as damaged data.
constexpr int kMaxJpegDimension = 16384;
constexpr std::size_t kMaxJpegBytes = 256u * 1024 * 1024;

TJpegPixels DecodeJpegPixels(const void* data, std::size_t size);

// A decoded picture as a top-down 24-bit DIB section, ready to BitBlt/StretchBlt.
struct TJpegBitmap {
    BitmapOwner Bitmap;
    Size Dimensions;
};
TJpegBitmap DecodeJpeg(const void* data, std::size_t size);

} // namespace ui
