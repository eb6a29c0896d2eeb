// The bounded reader and the loader facing broken input: truncation, lying lengths, bad
// signatures, compressed containers.
#include <gtest/gtest.h>

#include "swf/movie.h"
#include "swf/reader.h"
#include "swf_writer.h"

using swftest::Bits;

TEST(Reader, ReadsPastTheEndAsZeroAndStaysFailed) {
    const uint8_t data[] = {0x34, 0x12, 0xFF};
    swf::Reader r(data, sizeof data);
    EXPECT_EQ(r.u16(), 0x1234);
    EXPECT_FALSE(r.failed());
    EXPECT_EQ(r.u16(), 0);  // only one byte left
    EXPECT_TRUE(r.failed());
    EXPECT_EQ(r.u8(), 0);
    EXPECT_EQ(r.ub(7), 0u);
    EXPECT_TRUE(r.failed());
}

TEST(Reader, BitFieldsAreSignExtendedAndRealigned) {
    Bits b;
    b.sb(-3, 5);
    b.ub(5, 3);
    b.u8(0x7F);  // byte read drops nothing here: the first byte is full
    b.ub(1, 1);
    b.u8(0x42);  // drops the 7 unused bits
    swf::Reader r(b.bytes.data(), b.bytes.size());
    EXPECT_EQ(r.sb(5), -3);
    EXPECT_EQ(r.ub(3), 5u);
    EXPECT_EQ(r.u8(), 0x7F);
    EXPECT_EQ(r.ub(1), 1u);
    EXPECT_EQ(r.u8(), 0x42);
    EXPECT_FALSE(r.failed());
    // Zero-width fields read 0 without touching the data; too-wide ones fail.
    EXPECT_EQ(r.sb(0), 0);
    EXPECT_EQ(r.ub(33), 0u);
    EXPECT_TRUE(r.failed());
}

TEST(Reader, CompoundValues) {
    const uint8_t enc[] = {0xE5, 0x8E, 0x26};
    swf::Reader r(enc, sizeof enc);
    EXPECT_EQ(r.encoded_u32(), 624485u);

    Bits b;
    b.matrix_scale(2.0, 0.5, -40, 60);
    swf::Reader m(b.bytes.data(), b.bytes.size());
    swf::Matrix mx = m.matrix();
    EXPECT_DOUBLE_EQ(mx.a, 2.0);
    EXPECT_DOUBLE_EQ(mx.d, 0.5);
    EXPECT_DOUBLE_EQ(mx.tx, -40);
    EXPECT_DOUBLE_EQ(mx.ty, 60);

    const uint8_t noterm[] = {'a', 'b'};
    swf::Reader s(noterm, 2);
    EXPECT_EQ(s.str(), "ab");
    EXPECT_EQ(s.remaining(), 0u);
}

namespace {

swftest::Movie square_movie() {
    swftest::Movie m(100, 100);
    m.background(0, 0, 255);
    m.shape_rgba(1, 255, 0, 0, 255, swftest::Movie::rect_records(200, 200, 1000, 1000));
    m.place(1, 1);
    m.show_frame();
    return m;
}

}  // namespace

TEST(Loader, ContainersAndHeader) {
    auto m = square_movie();
    for (const auto& bytes : {m.fws(), m.cws()}) {
        auto movie = swf::load_movie(bytes.data(), bytes.size());
        ASSERT_TRUE(movie.ok()) << movie.error().reason;
        EXPECT_EQ((*movie)->stage_width(), 100);
        EXPECT_EQ((*movie)->timeline.frames.size(), 1u);
        EXPECT_NE((*movie)->find(1), nullptr);
        EXPECT_FALSE((*movie)->truncated);
        ASSERT_TRUE((*movie)->background.has_value());
        EXPECT_EQ((*movie)->background->b, 255);
    }
}

TEST(Loader, RejectsWhatIsNotAMovie) {
    const uint8_t junk[] = {'G', 'I', 'F', '8', '9', 'a', 0, 0, 0, 0};
    auto r = swf::load_movie(junk, sizeof junk);
    ASSERT_FALSE(r.ok());
    EXPECT_FALSE(r.error().reason.empty());
    EXPECT_EQ(r.error().reason.find('\n'), std::string::npos);
    EXPECT_FALSE(swf::load_movie(junk, 4).ok());
    EXPECT_FALSE(swf::load_movie(nullptr, 0).ok());
    // A compressed header with garbage after it.
    const uint8_t bad_zlib[] = {'C', 'W', 'S', 8, 100, 0, 0, 0, 1, 2, 3, 4, 5, 6};
    EXPECT_FALSE(swf::load_movie(bad_zlib, sizeof bad_zlib).ok());
    const uint8_t short_lzma[] = {'Z', 'W', 'S', 13, 100, 0, 0, 0, 1, 2};
    EXPECT_FALSE(swf::load_movie(short_lzma, sizeof short_lzma).ok());
}

TEST(Loader, TruncatedFilesKeepWhatWasRead) {
    auto full = square_movie().fws();
    // Every prefix must load or fail cleanly, never crash or over-read.
    for (size_t n = 0; n <= full.size(); ++n) {
        std::vector<uint8_t> part(full.begin(), full.begin() + n);
        auto r = swf::load_movie(part.data(), part.size());
        if (r.ok()) {
            EXPECT_GE((*r)->timeline.frames.size(), 1u);
        }
    }
    // A compressed file cut in half still yields its header and what inflated.
    auto cws = square_movie().cws();
    cws.resize(cws.size() / 2 + 8);
    auto r = swf::load_movie(cws.data(), cws.size());
    if (r.ok()) {
        EXPECT_TRUE((*r)->truncated);
    }
}

TEST(Loader, LyingLengthsAreClampedAndNeverTrusted) {
    swftest::Movie m(100, 100);
    m.shape_rgba(1, 255, 0, 0, 255, swftest::Movie::rect_records(0, 0, 400, 400));
    auto bytes = m.fws(false);
    // A tag claiming 1 GB of data right at the end.
    Bits t;
    t.u16(uint16_t(2 << 6 | 63));
    t.u32(0x40000000);
    t.u16(7);
    bytes.insert(bytes.end(), t.bytes.begin(), t.bytes.end());
    // The header claims a 4 GB file.
    bytes[4] = bytes[5] = bytes[6] = bytes[7] = 0xFF;
    auto r = swf::load_movie(bytes.data(), bytes.size());
    ASSERT_TRUE(r.ok());
    EXPECT_TRUE((*r)->truncated);
    EXPECT_NE((*r)->find(1), nullptr);

    // A shape whose fill count promises far more styles than the tag holds.
    Bits s;
    s.u16(5);
    s.rect(0, 100, 0, 100);
    s.u8(0xFF);
    s.u16(0xFFFF);
    s.u8(0);
    swftest::Movie m2(10, 10);
    m2.tag(32, s.bytes);
    m2.place(5, 1);
    m2.show_frame();
    auto b2 = m2.fws();
    auto r2 = swf::load_movie(b2.data(), b2.size());
    ASSERT_TRUE(r2.ok());
}

TEST(Loader, FramesComeFromShowFrameTags) {
    swftest::Movie m(50, 50);
    m.shape_rgba(1, 0, 255, 0, 255, swftest::Movie::rect_records(0, 0, 200, 200));
    m.place(1, 1);
    m.show_frame();
    m.label("second");
    m.show_frame();
    m.place(1, 2, 100, 100);  // tags after the last ShowFrame form one more frame
    auto bytes = m.fws();
    auto r = swf::load_movie(bytes.data(), bytes.size());
    ASSERT_TRUE(r.ok());
    EXPECT_EQ((*r)->timeline.frames.size(), 3u);
    EXPECT_EQ((*r)->timeline.labels.at("second"), 1);
}
