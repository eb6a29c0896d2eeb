// libFuzzer entry point: loads arbitrary bytes as a movie, then plays and draws a few frames into a
// small picture so that shapes, bitmaps, fonts and text are decoded and rasterised too. The last
// frame is drawn again, and at another size, so that kept outlines and coverage are handed again
// and remade.
#include <cstdint>
#include <vector>

#include "swf/player.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    swf::Player player;
    // Frame 1's scripts run inside load(): a short limit keeps an endless one from timing out
    // the fuzzer.
    player.set_script_time_limit(0.05);
    if (!player.load(data, size).ok()) return 0;
    std::vector<uint32_t> pixels(64 * 48);
    player.set_quality(size & 1 ? swf::Quality::High : swf::Quality::Low);
    for (int frame = 0; frame < 3; ++frame) {
        player.render({pixels.data(), 64, 48, 64 * 4, swf::PixelFormat::BgraPremultiplied});
        player.advance();
    }
    for (int again = 0; again < 3; ++again)
        player.render({pixels.data(), 64, 48, 64 * 4, swf::PixelFormat::BgraPremultiplied});
    player.render({pixels.data(), 32, 24, 32 * 4, swf::PixelFormat::BgraPremultiplied});
    return 0;
}
