// Damaged movies: a small movie with one tag of most kinds (shapes, a font and text, a sprite,
// a sound, actions, labels) is cut at every byte and has every tag length stretched to the
// largest value its header form allows. Each variant either loads or is refused, and what
// loads plays, takes input and draws without a crash.
#include <gtest/gtest.h>
#include <lzma.h>

#include "swf/player.h"
#include "swf_writer.h"

namespace {

std::vector<uint8_t> EveryKindOfTag() {
    swftest::Movie m(60, 40);
    m.background(10, 20, 30);
    m.shape_rgba(1, 255, 0, 0, 255, swftest::Movie::rect_records(0, 0, 400, 400));
    m.tag(10, swftest::box_font(2, "Box", "abc", 256, 800, 200));  // DefineFont2 as DefineFont's neighbour
    m.begin_sprite(3, 2);
    m.place(1, 1, 20, 20);
    m.show_frame();
    m.move(1, 60, 20);
    m.show_frame();
    m.end_sprite();
    m.define_sound(4, 3, 1, true, false, 64, std::vector<uint8_t>(128, 7));
    m.label("start");
    m.place(3, 1);
    m.place(1, 2, 100, 100);
    m.start_sound(4);
    // DoAction: push "a", trace, stop.
    m.tag(12, {0x96, 0x03, 0x00, 0x00, 'a', 0x00, 0x26, 0x07, 0x00});
    m.show_frame();
    m.remove(2);
    m.show_frame();
    return m.fws();
}

// Loads, plays a few frames with some input, draws; returns whether it loaded.
bool PlayAWhile(const std::vector<uint8_t>& bytes) {
    swf::Player p;
    p.set_trace_handler([](const std::string&) {});
    p.set_error_handler([](const std::string&) {});
    if (!p.load(bytes.data(), bytes.size()).ok()) return false;
    std::vector<uint32_t> px(64 * 48);
    for (int i = 0; i < 4; ++i) {
        p.mouse_move(10 + i, 10);
        p.advance();
        p.render({px.data(), 64, 48, 64 * 4, swf::PixelFormat::BgraPremultiplied});
    }
    int16_t sound[256];
    p.mix_audio(sound, 128);
    return true;
}

// Where each tag's header starts in a FWS file with the usual 5-bit-wide frame rectangle.
std::vector<size_t> TagStarts(const std::vector<uint8_t>& f) {
    const size_t rect_bits = 5 + 4 * (f[8] >> 3);
    size_t at = 8 + (rect_bits + 7) / 8 + 4;
    std::vector<size_t> starts;
    while (at + 2 <= f.size()) {
        starts.push_back(at);
        const unsigned head = f[at] | f[at + 1] << 8;
        size_t len = head & 0x3F;
        at += 2;
        if (len == 0x3F) {
            if (at + 4 > f.size()) break;
            len = f[at] | f[at + 1] << 8 | f[at + 2] << 16 | size_t(f[at + 3]) << 24;
            at += 4;
        }
        at += len;
    }
    return starts;
}

}  // namespace

TEST(DamagedMovies, EveryCutLoadsOrIsRefusedAndPlaysSafely) {
    const std::vector<uint8_t> whole = EveryKindOfTag();
    ASSERT_TRUE(PlayAWhile(whole));
    int loaded = 0;
    for (size_t cut = 0; cut < whole.size(); ++cut) {
        std::vector<uint8_t> part(whole.begin(), whole.begin() + ptrdiff_t(cut));
        loaded += PlayAWhile(part);
    }
    EXPECT_GT(loaded, int(whole.size()) / 2);  // a cut movie still shows what arrived
}

TEST(DamagedMovies, EveryTagLengthAtItsLargestIsSurvived) {
    const std::vector<uint8_t> whole = EveryKindOfTag();
    const std::vector<size_t> starts = TagStarts(whole);
    ASSERT_GT(starts.size(), 10u);
    for (size_t at : starts) {
        std::vector<uint8_t> f = whole;
        if ((f[at] & 0x3F) == 0x3F) {
            f[at + 2] = f[at + 3] = f[at + 4] = f[at + 5] = 0xFF;  // 4 GiB
        } else {
            f[at] |= 0x3E;  // 62 bytes: into the tags after it
        }
        PlayAWhile(f);
        if (f.size() > 4) {
            f[4] = f[5] = f[6] = f[7] = 0xFF;  // the file's own length too
            PlayAWhile(f);
        }
    }
}

// Sizes a file claims but does not have: a bitmap of 65535 x 65535 from a few bytes, and
// compressed data that would inflate past every limit (deflate or LZMA), are refused or cut, never
// allocated whole.
TEST(DamagedMovies, ClaimedSizesAreNotTakenOnTrust) {
    for (int format : {3, 5}) {
        swftest::Movie m(60, 40);
        std::vector<uint8_t> bits = {1, 0, uint8_t(format), 0xFF, 0xFF, 0xFF, 0xFF};
        if (format == 3) bits.push_back(0);  // colour table size
        std::vector<uint8_t> z(64);
        uLongf zlen = z.size();
        const std::vector<uint8_t> few(16, 0x55);
        compress(z.data(), &zlen, few.data(), uLong(few.size()));
        bits.insert(bits.end(), z.begin(), z.begin() + ptrdiff_t(zlen));
        m.tag(format == 3 ? 20 : 36, bits, true);
        // A shape filled with the bitmap, so drawing asks for it.
        m.place(1, 1);
        m.show_frame();
        PlayAWhile(m.fws());
    }
    // A compressed movie whose data inflates to far more than its header says: a few MiB of
    // zeros after a valid header, and a header claiming 4 GiB.
    swftest::Movie small(60, 40);
    small.show_frame();
    std::vector<uint8_t> plain = small.fws(false);
    plain.resize(plain.size() + (8u << 20), 0);
    uLongf zlen = compressBound(uLong(plain.size() - 8));
    std::vector<uint8_t> bomb(8 + zlen);
    std::copy(plain.begin(), plain.begin() + 8, bomb.begin());
    bomb[0] = 'C';
    bomb[4] = bomb[5] = bomb[6] = bomb[7] = 0xFF;
    compress(bomb.data() + 8, &zlen, plain.data() + 8, uLong(plain.size() - 8));
    bomb.resize(8 + zlen);
    EXPECT_TRUE(PlayAWhile(bomb));

    // The same as LZMA: the five property bytes, then the raw stream with its end marker.
    lzma_options_lzma opt;
    ASSERT_FALSE(lzma_lzma_preset(&opt, 1));
    lzma_filter filters[2] = {{LZMA_FILTER_LZMA1, &opt}, {LZMA_VLI_UNKNOWN, nullptr}};
    lzma_stream zs = LZMA_STREAM_INIT;
    ASSERT_EQ(lzma_raw_encoder(&zs, filters), LZMA_OK);
    std::vector<uint8_t> packed(1 << 20);
    zs.next_in = plain.data() + 8, zs.avail_in = plain.size() - 8;
    zs.next_out = packed.data(), zs.avail_out = packed.size();
    ASSERT_EQ(lzma_code(&zs, LZMA_FINISH), LZMA_STREAM_END);
    packed.resize(packed.size() - zs.avail_out);
    lzma_end(&zs);
    std::vector<uint8_t> lzma_bomb = {'Z', 'W', 'S', 13, 0xFF, 0xFF, 0xFF, 0xFF};
    for (int i = 0; i < 4; ++i) lzma_bomb.push_back(uint8_t(packed.size() >> (8 * i)));
    lzma_bomb.push_back(uint8_t((opt.pb * 5 + opt.lp) * 9 + opt.lc));
    for (int i = 0; i < 4; ++i) lzma_bomb.push_back(uint8_t(opt.dict_size >> (8 * i)));
    lzma_bomb.insert(lzma_bomb.end(), packed.begin(), packed.end());
    EXPECT_TRUE(PlayAWhile(lzma_bomb));
}
