// libFuzzer entry point for the bitmap decoders: arbitrary bytes decoded as JPEG (whole, or split
// into a tables part and an image part as DefineBits keeps them), PNG, GIF, a lossless bitmap tag
// body, or a whole JPEG-family tag body with its alpha plane.
//
// Input: [mode] [split] then the data.
//   mode % 8: 0 JPEG, 1 JPEG with tables (the first split/255 of the data), 2 PNG, 3 GIF,
//             4 DefineBitsLossless, 5 DefineBitsLossless2, 6 DefineBitsJPEG3 tag body,
//             7 DefineBits tag body with the tables part as the movie's JPEGTables
// A decoded picture must have as many pixels as its size says, a size within the limits, and
// every colour channel within its alpha (the renderer relies on premultiplied pixels).
#include <cstdint>

#include "swf/parse.h"

namespace {

void check(const swf::BitmapDef& bmp) {
    if (bmp.width <= 0 || bmp.height <= 0 || bmp.width > swf::kMaxBitmapSide || bmp.height > swf::kMaxBitmapSide)
        __builtin_trap();
    if (bmp.pixels.size() != size_t(bmp.width) * size_t(bmp.height)) __builtin_trap();
    for (uint32_t p : bmp.pixels) {
        const uint32_t a = p >> 24;
        if ((p >> 16 & 255) > a || (p >> 8 & 255) > a || (p & 255) > a) __builtin_trap();
    }
}

void check(const std::unique_ptr<swf::BitmapDef>& bmp) {
    if (bmp) check(*bmp);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2 || size > 262144) return 0;
    const uint8_t mode = data[0] % 8;
    const uint8_t split = data[1];
    data += 2, size -= 2;
    const size_t head = size * split / 255;

    swf::BitmapDef out;
    swf::Reader r(data, size);
    switch (mode) {
    case 0:
        if (swf::decode_jpeg(nullptr, 0, data, size, out)) check(out);
        break;
    case 1:
        if (swf::decode_jpeg(data, head, data + head, size - head, out)) check(out);
        break;
    case 2:
        if (swf::decode_png(data, size, out)) check(out);
        break;
    case 3:
        if (swf::decode_gif(data, size, out)) check(out);
        break;
    case 4:
    case 5:
        check(swf::parse_lossless(r, mode - 3));
        break;
    case 6:
        check(swf::parse_bits(r, 35, {}));
        break;
    default: {
        swf::JpegState tables{{data, data + head}};
        swf::Reader image(data + head, size - head);
        check(swf::parse_bits(image, 6, tables));
    }
    }
    return 0;
}
