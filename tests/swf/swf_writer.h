// A small SWF writer for building test movies in code.
#pragma once

#include <zlib.h>

#include <cstdint>
#include <string>
#include <vector>

namespace swftest {

class Bits {
public:
    std::vector<uint8_t> bytes;

    void ub(uint32_t v, int n) {
        for (int i = n - 1; i >= 0; --i) {
            if (used_ == 0) bytes.push_back(0);
            if ((v >> i) & 1) bytes.back() |= uint8_t(0x80 >> used_);
            used_ = (used_ + 1) & 7;
        }
    }
    void sb(int32_t v, int n) { ub(uint32_t(v) & (n == 32 ? 0xFFFFFFFFu : ((1u << n) - 1)), n); }
    void align() { used_ = 0; }
    void u8(uint8_t v) {
        align();
        bytes.push_back(v);
    }
    void u16(uint16_t v) {
        u8(uint8_t(v));
        u8(uint8_t(v >> 8));
    }
    void u32(uint32_t v) {
        u16(uint16_t(v));
        u16(uint16_t(v >> 16));
    }
    void str(const std::string& s) {
        align();
        bytes.insert(bytes.end(), s.begin(), s.end());
        bytes.push_back(0);
    }
    void append(const std::vector<uint8_t>& b) {
        align();
        bytes.insert(bytes.end(), b.begin(), b.end());
    }
    void rect(int x0, int x1, int y0, int y1) {
        align();
        ub(31, 5);
        sb(x0, 31), sb(x1, 31), sb(y0, 31), sb(y1, 31);
        align();
    }
    // Translation only.
    void matrix(int tx = 0, int ty = 0) {
        align();
        ub(0, 1);
        ub(0, 1);
        ub(20, 5);
        sb(tx, 20);
        sb(ty, 20);
        align();
    }
    void matrix_scale(double sx, double sy, int tx, int ty) {
        align();
        ub(1, 1);
        ub(31, 5);
        sb(int32_t(sx * 65536), 31);
        sb(int32_t(sy * 65536), 31);
        ub(0, 1);
        ub(20, 5);
        sb(tx, 20);
        sb(ty, 20);
        align();
    }

private:
    int used_ = 0;
};

// Shape records in a continuous bit stream (1 fill bit, 1 line bit unless told).
class ShapeRecords {
public:
    explicit ShapeRecords(int fill_bits = 1, int line_bits = 1) : fb_(fill_bits), lb_(line_bits) {
        b.ub(uint32_t(fill_bits), 4);
        b.ub(uint32_t(line_bits), 4);
    }
    // A style-change record with MoveTo; -1 leaves a style unchanged.
    void style(int x, int y, int fill0 = -1, int fill1 = -1, int line = -1) {
        b.ub(0, 1);  // non-edge
        b.ub(0, 1);  // NewStyles
        b.ub(line >= 0, 1);
        b.ub(fill1 >= 0, 1);
        b.ub(fill0 >= 0, 1);
        b.ub(1, 1);  // MoveTo
        b.ub(20, 5);
        b.sb(x, 20);
        b.sb(y, 20);
        if (fill0 >= 0) b.ub(uint32_t(fill0), fb_);
        if (fill1 >= 0) b.ub(uint32_t(fill1), fb_);
        if (line >= 0) b.ub(uint32_t(line), lb_);
    }
    void line(int dx, int dy) {
        b.ub(1, 1);
        b.ub(1, 1);
        b.ub(15, 4);  // 17-bit deltas
        b.ub(1, 1);
        b.sb(dx, 17);
        b.sb(dy, 17);
    }
    void curve(int cdx, int cdy, int adx, int ady) {
        b.ub(1, 1);
        b.ub(0, 1);
        b.ub(15, 4);
        b.sb(cdx, 17), b.sb(cdy, 17), b.sb(adx, 17), b.sb(ady, 17);
    }
    std::vector<uint8_t> end() {
        b.ub(0, 6);
        b.align();
        return b.bytes;
    }
    Bits b;

private:
    int fb_, lb_;
};

// A font glyph: a box `width` units wide standing a full em (1024 units) on the baseline, filled
// by fill style 1 on its right side.
inline std::vector<uint8_t> box_glyph(int width) {
    ShapeRecords s(1, 0);
    s.style(0, -1024, -1, 1);
    s.line(width, 0);
    s.line(0, 1024);
    s.line(-width, 0);
    s.line(0, -1024);
    return s.end();
}

// A DefineFont2 body (1024 units to the em, with layout, narrow codes and offsets) named
// `name`, whose glyphs for `codes` (ascending) are box_glyph(256), each advancing `advance`.
struct KernPair {
    char a, b;
    int16_t amount;
};
inline std::vector<uint8_t> box_font(uint16_t id, const std::string& name, const std::string& codes, uint16_t advance,
                                     uint16_t ascent, uint16_t descent, const std::vector<KernPair>& kerning = {}) {
    Bits b;
    b.u16(id);
    b.u8(0x80);
    b.u8(0);
    b.u8(uint8_t(name.size()));
    b.append(std::vector<uint8_t>(name.begin(), name.end()));
    const size_t n = codes.size();
    b.u16(uint16_t(n));
    const std::vector<uint8_t> glyph = box_glyph(256);
    const size_t table = 2 * (n + 1);
    for (size_t i = 0; i <= n; ++i) b.u16(uint16_t(table + i * glyph.size()));
    for (size_t i = 0; i < n; ++i) b.append(glyph);
    for (char c : codes) b.u8(uint8_t(c));
    b.u16(ascent), b.u16(descent), b.u16(0);  // leading 0
    for (size_t i = 0; i < n; ++i) b.u16(advance);
    for (size_t i = 0; i < n; ++i) b.rect(0, 256, -1024, 0);
    b.u16(uint16_t(kerning.size()));
    for (const KernPair& k : kerning) b.u8(uint8_t(k.a)), b.u8(uint8_t(k.b)), b.u16(uint16_t(k.amount));
    return b.bytes;
}

// SOUNDINFO: negative in, out and loops are left out.
struct SoundInfo {
    bool stop = false, no_multiple = false;
    int64_t in = -1, out = -1;
    int loops = -1;
    struct Point {
        uint32_t pos44;
        uint16_t left, right;
    };
    std::vector<Point> envelope;

    std::vector<uint8_t> bytes() const {
        Bits b;
        b.u8(uint8_t((stop ? 0x20 : 0) | (no_multiple ? 0x10 : 0) | (envelope.empty() ? 0 : 0x08) |
                     (loops >= 0 ? 0x04 : 0) | (out >= 0 ? 0x02 : 0) | (in >= 0 ? 0x01 : 0)));
        if (in >= 0) b.u32(uint32_t(in));
        if (out >= 0) b.u32(uint32_t(out));
        if (loops >= 0) b.u16(uint16_t(loops));
        if (!envelope.empty()) {
            b.u8(uint8_t(envelope.size()));
            for (const Point& p : envelope) b.u32(p.pos44), b.u16(p.left), b.u16(p.right);
        }
        return b.bytes;
    }
};

class Movie {
public:
    Movie(int width_px = 100, int height_px = 100, int version = 8) : version_(version) {
        body_.rect(0, width_px * 20, 0, height_px * 20);
        body_.u16(12 << 8);  // 12 fps
        frames_at_ = body_.bytes.size();
        body_.u16(1);
    }
    void tag(int code, const std::vector<uint8_t>& data, bool long_form = false) {
        Bits& t = target();
        if (data.size() < 63 && !long_form) {
            t.u16(uint16_t(code << 6 | data.size()));
        } else {
            t.u16(uint16_t(code << 6 | 63));
            t.u32(uint32_t(data.size()));
        }
        t.append(data);
    }
    void background(uint8_t r, uint8_t g, uint8_t b) { tag(9, {r, g, b}); }
    // Frames per second, stored as 8.8 fixed point.
    void frame_rate(double fps) {
        const auto v = uint16_t(fps * 256 + 0.5);
        body_.bytes[frames_at_ - 2] = uint8_t(v);
        body_.bytes[frames_at_ - 1] = uint8_t(v >> 8);
    }
    void show_frame() { tag(1, {}); }

    // DefineShape3 with one solid fill (RGBA) and the given records (fill/line bits 1).
    void shape_rgba(uint16_t id, uint8_t r, uint8_t g, uint8_t b_, uint8_t a, const std::vector<uint8_t>& recs,
                    int bounds = 2000) {
        Bits b;
        b.u16(id);
        b.rect(0, bounds, 0, bounds);
        b.u8(1);  // one fill
        b.u8(0x00);
        b.u8(r), b.u8(g), b.u8(b_), b.u8(a);
        b.u8(0);  // no lines
        b.append(recs);
        tag(32, b.bytes);
    }
    // An axis-aligned rectangle in twips, filled with fill style 1 on its right-hand side.
    static std::vector<uint8_t> rect_records(int x, int y, int w, int h) {
        ShapeRecords s;
        s.style(x, y, -1, 1);
        s.line(w, 0);
        s.line(0, h);
        s.line(-w, 0);
        s.line(0, -h);
        return s.end();
    }
    void place(uint16_t id, uint16_t depth, int tx = 0, int ty = 0, int clip_depth = 0, int ratio = -1) {
        Bits b;
        b.u8(uint8_t(0x02 | 0x04 | (clip_depth ? 0x40 : 0) | (ratio >= 0 ? 0x10 : 0)));
        b.u16(depth);
        b.u16(id);
        b.matrix(tx, ty);
        if (ratio >= 0) b.u16(uint16_t(ratio));
        if (clip_depth) b.u16(uint16_t(clip_depth));
        tag(26, b.bytes);
    }
    void move(uint16_t depth, int tx, int ty) {
        Bits b;
        b.u8(0x01 | 0x04);
        b.u16(depth);
        b.matrix(tx, ty);
        tag(26, b.bytes);
    }
    void remove(uint16_t depth) {
        Bits b;
        b.u16(depth);
        tag(28, b.bytes);
    }
    void label(const std::string& name) {
        Bits b;
        b.str(name);
        tag(43, b.bytes);
    }
    // Sounds. `format` 0 or 3 with 16-bit samples is what tests build; `rate_code` 0..3 is
    // 5.5, 11, 22 or 44 kHz.
    void define_sound(uint16_t id, int format, int rate_code, bool sixteen, bool stereo, uint32_t samples,
                      const std::vector<uint8_t>& data) {
        Bits b;
        b.u16(id);
        b.u8(uint8_t(format << 4 | rate_code << 2 | (sixteen ? 2 : 0) | (stereo ? 1 : 0)));
        b.u32(samples);
        b.append(data);
        tag(14, b.bytes, true);
    }
    void start_sound(uint16_t id, const std::vector<uint8_t>& info = {0}) {
        Bits b;
        b.u16(id);
        b.append(info);
        tag(15, b.bytes);
    }
    void stream_head(int format, int rate_code, bool sixteen, bool stereo, uint16_t samples_per_frame) {
        Bits b;
        b.u8(uint8_t(rate_code << 2 | (sixteen ? 2 : 0) | (stereo ? 1 : 0)));
        b.u8(uint8_t(format << 4 | rate_code << 2 | (sixteen ? 2 : 0) | (stereo ? 1 : 0)));
        b.u16(samples_per_frame);
        tag(45, b.bytes);
    }
    void stream_block(const std::vector<uint8_t>& data) { tag(19, data, true); }

    // Tags written between begin_sprite and end_sprite go into the sprite.
    void begin_sprite(uint16_t id, uint16_t frames) {
        sprite_ = Bits{};
        in_sprite_ = true;
        sprite_id_ = id;
        sprite_frames_ = frames;
    }
    // Without the End tag the sprite's tags just run out, as in some damaged files.
    void end_sprite(bool with_end = true) {
        if (with_end) tag(0, {});
        in_sprite_ = false;
        Bits b;
        b.u16(sprite_id_);
        b.u16(sprite_frames_);
        b.append(sprite_.bytes);
        tag(39, b.bytes);
    }

    std::vector<uint8_t> fws(bool with_end = true) {
        Bits copy = body_;
        if (with_end) {
            copy.u16(0);
        }
        std::vector<uint8_t> out = {'F', 'W', 'S', uint8_t(version_)};
        uint32_t len = uint32_t(copy.bytes.size() + 8);
        for (int i = 0; i < 4; ++i) out.push_back(uint8_t(len >> (8 * i)));
        out.insert(out.end(), copy.bytes.begin(), copy.bytes.end());
        return out;
    }
    std::vector<uint8_t> cws() {
        std::vector<uint8_t> plain = fws();
        uLongf zlen = compressBound(uLong(plain.size() - 8));
        std::vector<uint8_t> z(zlen);
        compress(z.data(), &zlen, plain.data() + 8, uLong(plain.size() - 8));
        std::vector<uint8_t> out(plain.begin(), plain.begin() + 8);
        out[0] = 'C';
        out.insert(out.end(), z.begin(), z.begin() + zlen);
        return out;
    }

private:
    Bits& target() { return in_sprite_ ? sprite_ : body_; }
    Bits body_, sprite_;
    bool in_sprite_ = false;
    uint16_t sprite_id_ = 0, sprite_frames_ = 0;
    int version_;
    size_t frames_at_ = 0;
};

}  // namespace swftest
