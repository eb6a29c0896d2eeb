// Bounded little-endian byte and bit reader. Every read past the end returns 0 and sets a sticky
// error flag; callers check failed() once after a structure instead of after every field.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "swf/types.h"

namespace swf {

class Reader {
public:
    Reader() = default;
    Reader(const uint8_t* data, size_t size) : data_(data), size_(size) {}

    bool failed() const { return failed_; }
    size_t pos() const { return pos_; }
    size_t size() const { return size_; }
    size_t remaining() const { return pos_ < size_ ? size_ - pos_ : 0; }
    const uint8_t* data() const { return data_; }
    const uint8_t* cursor() const { return data_ + (pos_ < size_ ? pos_ : size_); }
    void fail() { failed_ = true; }

    // A sub-reader over the next n bytes (clamped); this reader skips past them.
    Reader sub(size_t n);
    // A reader over [from, from+n) of the same data, clamped.
    Reader slice(size_t from, size_t n) const;
    void seek(size_t p);
    void skip(size_t n);

    uint8_t u8();
    uint16_t u16();
    uint32_t u32();
    int16_t s16() { return int16_t(u16()); }
    int32_t s32() { return int32_t(u32()); }
    float f32();
    double f64();
    double fixed8() { return s16() / 256.0; }
    double fixed16() { return s32() / 65536.0; }
    uint32_t encoded_u32();
    std::string str();  // bytes up to a 0 byte (consumed); without terminator, to the end

    // Bit fields, most significant bit first. Byte reads drop the rest of the current byte.
    uint32_t ub(unsigned n);
    int32_t sb(unsigned n);
    double fb(unsigned n) { return sb(n) / 65536.0; }
    void align() { bits_left_ = 0; }

    // Compound structures.
    Rect rect();
    Matrix matrix();
    CxForm cxform(bool with_alpha);
    RGBA rgb();
    RGBA rgba();
    RGBA argb();

private:
    const uint8_t* data_ = nullptr;
    size_t size_ = 0;
    size_t pos_ = 0;
    uint32_t bit_buf_ = 0;
    unsigned bits_left_ = 0;
    bool failed_ = false;
};

}  // namespace swf
