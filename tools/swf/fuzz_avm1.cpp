// libFuzzer entry point for the script machine: the input bytes become the action blocks of a
// small movie and the movie is played for a few frames with a short script time limit.
//
// Input: [version] [options] [split 1] [split 2] then the action bytes, cut in three by the two
// split bytes (as fractions of what is left):
//   frame 2: DoAction (first part), and a sprite placed with clip-event handlers (third part)
//   frame 3: DoAction (second part)
//   frame 4: the sprite removed (its unload handlers run)
// Frame 1 holds no scripts, so the time limit can be lowered before any code runs. The root loops,
// so the frame scripts run more than once. Options: bit 0 adds a ScriptLimits tag whose recursion
// depth comes from the next bits (bit 7: the largest the tag can ask for); bit 1 gives the sprite
// two frames of its own with the second part as its frame script.
#include <cstdint>
#include <vector>

#include "swf/avm1/runtime.h"
#include "swf/player.h"

namespace {

struct Writer {
    std::vector<uint8_t> b;
    void u8(uint32_t v) { b.push_back(uint8_t(v)); }
    void u16(uint32_t v) { u8(v), u8(v >> 8); }
    void u32(uint32_t v) { u16(v), u16(v >> 16); }
    void bytes(const uint8_t* p, size_t n) { b.insert(b.end(), p, p + n); }
    void str(const char* s) {
        while (*s) u8(uint8_t(*s++));
        u8(0);
    }
    void tag(int code, const std::vector<uint8_t>& body) {
        u16(uint32_t(code) << 6 | 63);  // always the long form
        u32(uint32_t(body.size()));
        b.insert(b.end(), body.begin(), body.end());
    }
};

struct Part {
    const uint8_t* p;
    size_t n;
};

std::vector<uint8_t> movie(int version, uint8_t options, Part first, Part second, Part events) {
    Writer body;
    // Stage 0..2000 twips: a RECT with 12-bit fields, then 12 fps and 4 frames.
    {
        uint64_t bits = 12;  // nbits (5 bits), then four 12-bit values
        for (uint32_t v : {0u, 2000u, 0u, 2000u}) bits = bits << 12 | v;
        const int total = 5 + 4 * 12;  // 53 bits in 7 bytes
        bits <<= 56 - total;
        for (int i = 6; i >= 0; --i) body.u8(uint32_t(bits >> (8 * i)));
        body.u16(12 << 8);
        body.u16(4);
    }
    if (options & 1) {
        Writer limits;
        limits.u16(options & 0x80 ? 65535 : 1 + (options >> 1 & 0x3F) * 8);
        limits.u16(1);
        body.tag(65, limits.b);
    }
    // The sprite, exported so that scripts can attach it by name.
    {
        Writer sprite;
        sprite.u16(1);
        const bool own_frames = options & 2;
        sprite.u16(own_frames ? 2 : 1);
        if (own_frames) {
            Writer w;
            w.bytes(second.p, second.n);
            sprite.tag(12, w.b);
        }
        sprite.tag(1, {});
        if (own_frames) sprite.tag(1, {});
        sprite.tag(0, {});
        body.tag(39, sprite.b);
        Writer exports;
        exports.u16(1);
        exports.u16(1);
        exports.str("clip");
        body.tag(56, exports.b);
    }
    body.tag(1, {});  // frame 1
    {
        Writer w;
        w.bytes(first.p, first.n);
        body.tag(12, w.b);
    }
    {
        // PlaceObject2: character 1 at depth 1, named "c", with clip actions.
        Writer place;
        place.u8(0x02 | 0x20 | 0x80);
        place.u16(1);
        place.u16(1);
        place.str("c");
        const bool wide = version >= 6;
        const uint32_t all = wide ? 0x1 | 0x2 | 0x4 | 0x100 | 0x200 | 0x40000 : 0x1 | 0x2 | 0x4 | 0x100;
        place.u16(0);
        wide ? place.u32(all) : place.u16(all);
        wide ? place.u32(all) : place.u16(all);
        place.u32(uint32_t(events.n));
        place.bytes(events.p, events.n);
        wide ? place.u32(0) : place.u16(0);
        body.tag(26, place.b);
    }
    body.tag(1, {});  // frame 2
    {
        Writer w;
        w.bytes(second.p, second.n);
        body.tag(12, w.b);
    }
    body.tag(1, {});  // frame 3
    {
        Writer remove;
        remove.u16(1);
        body.tag(28, remove.b);
    }
    body.tag(1, {});  // frame 4
    body.tag(0, {});
    Writer file;
    file.u8('F'), file.u8('W'), file.u8('S'), file.u8(uint32_t(version));
    file.u32(uint32_t(body.b.size() + 8));
    file.bytes(body.b.data(), body.b.size());
    return file.b;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 4 || size > 65536) return 0;
    const int version = 5 + data[0] % 6;  // SWF5..10
    const uint8_t options = data[1];
    const uint8_t* code = data + 4;
    const size_t rest = size - 4;
    const size_t n1 = rest * data[2] / 255;
    const size_t n2 = (rest - n1) * data[3] / 255;
    const std::vector<uint8_t> swf =
        movie(version, options, {code, n1}, {code + n1, n2}, {code + n1 + n2, rest - n1 - n2});

    swf::Player player;
    if (!player.load(swf.data(), swf.size()).ok() || !player.scripts()) return 0;
    player.scripts()->vm.timeout_seconds = 0.05;
    for (int frame = 0; frame < 6; ++frame) player.advance();
    std::vector<uint32_t> pixels(32 * 24);
    player.render({pixels.data(), 32, 24, 32 * 4, swf::PixelFormat::BgraPremultiplied});
    return 0;
}
