#include "swf/reader.h"

#include <cstring>

namespace swf {

Reader Reader::sub(size_t n) {
    align();
    if (n > remaining()) {
        failed_ = true;
        n = remaining();
    }
    Reader r(data_ + pos_, n);
    pos_ += n;
    return r;
}

Reader Reader::slice(size_t from, size_t n) const {
    if (from > size_) from = size_;
    if (n > size_ - from) n = size_ - from;
    return Reader(data_ + from, n);
}

void Reader::seek(size_t p) {
    align();
    if (p > size_) {
        failed_ = true;
        p = size_;
    }
    pos_ = p;
}

void Reader::skip(size_t n) {
    align();
    if (n > remaining()) {
        failed_ = true;
        pos_ = size_;
    } else {
        pos_ += n;
    }
}

uint8_t Reader::u8() {
    bits_left_ = 0;
    if (pos_ >= size_) {
        failed_ = true;
        return 0;
    }
    return data_[pos_++];
}

uint16_t Reader::u16() {
    bits_left_ = 0;
    if (remaining() < 2) {
        failed_ = true;
        pos_ = size_;
        return 0;
    }
    uint16_t v = uint16_t(data_[pos_] | data_[pos_ + 1] << 8);
    pos_ += 2;
    return v;
}

uint32_t Reader::u32() {
    bits_left_ = 0;
    if (remaining() < 4) {
        failed_ = true;
        pos_ = size_;
        return 0;
    }
    const uint8_t* p = data_ + pos_;
    pos_ += 4;
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

float Reader::f32() {
    uint32_t v = u32();
    float f;
    std::memcpy(&f, &v, 4);
    return f;
}

double Reader::f64() {
    uint64_t lo = u32(), hi = u32();
    uint64_t v = lo | hi << 32;
    double d;
    std::memcpy(&d, &v, 8);
    return d;
}

uint32_t Reader::encoded_u32() {
    uint32_t v = 0;
    for (int i = 0; i < 5; ++i) {
        uint8_t b = u8();
        v |= uint32_t(b & 0x7F) << (7 * i);
        if (!(b & 0x80)) break;
    }
    return v;
}

std::string Reader::str() {
    bits_left_ = 0;
    size_t start = pos_ < size_ ? pos_ : size_;
    const void* z = std::memchr(data_ + start, 0, size_ - start);
    if (!z) {
        pos_ = size_;
        return std::string(reinterpret_cast<const char*>(data_ + start), size_ - start);
    }
    size_t end = static_cast<const uint8_t*>(z) - data_;
    pos_ = end + 1;
    return std::string(reinterpret_cast<const char*>(data_ + start), end - start);
}

uint32_t Reader::ub(unsigned n) {
    if (n == 0) return 0;
    if (n > 32) {
        failed_ = true;
        return 0;
    }
    uint64_t v = 0;
    while (n > 0) {
        if (bits_left_ == 0) {
            if (pos_ >= size_) {
                failed_ = true;
                return 0;
            }
            bit_buf_ = data_[pos_++];
            bits_left_ = 8;
        }
        unsigned take = n < bits_left_ ? n : bits_left_;
        uint32_t bits = (bit_buf_ >> (bits_left_ - take)) & ((1u << take) - 1);
        v = (v << take) | bits;
        bits_left_ -= take;
        n -= take;
    }
    return uint32_t(v);
}

int32_t Reader::sb(unsigned n) {
    if (n == 0) return 0;
    uint32_t v = ub(n);
    if (n < 32 && (v & (1u << (n - 1)))) v |= ~0u << n;
    return int32_t(v);
}

Rect Reader::rect() {
    align();
    unsigned n = ub(5);
    Rect r;
    r.xmin = sb(n);
    r.xmax = sb(n);
    r.ymin = sb(n);
    r.ymax = sb(n);
    align();
    return r;
}

Matrix Reader::matrix() {
    align();
    Matrix m;
    if (ub(1)) {
        unsigned n = ub(5);
        m.a = fb(n);
        m.d = fb(n);
    }
    if (ub(1)) {
        unsigned n = ub(5);
        m.b = fb(n);
        m.c = fb(n);
    }
    unsigned n = ub(5);
    m.tx = sb(n);
    m.ty = sb(n);
    align();
    return m;
}

CxForm Reader::cxform(bool with_alpha) {
    align();
    CxForm c;
    bool has_add = ub(1), has_mult = ub(1);
    unsigned n = ub(4);
    if (has_mult) {
        c.rm = sb(n);
        c.gm = sb(n);
        c.bm = sb(n);
        if (with_alpha) c.am = sb(n);
    }
    if (has_add) {
        c.ra = sb(n);
        c.ga = sb(n);
        c.ba = sb(n);
        if (with_alpha) c.aa = sb(n);
    }
    align();
    return c;
}

RGBA Reader::rgb() {
    RGBA c;
    c.r = u8();
    c.g = u8();
    c.b = u8();
    return c;
}

RGBA Reader::rgba() {
    RGBA c = rgb();
    c.a = u8();
    return c;
}

RGBA Reader::argb() {
    RGBA c;
    c.a = u8();
    c.r = u8();
    c.g = u8();
    c.b = u8();
    return c;
}

}  // namespace swf
