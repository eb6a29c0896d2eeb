// Decompressors over zlib and liblzma with a hard cap on output size. A truncated or corrupt
// stream keeps what was decoded; `complete` tells whether the stream ended properly.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace swf {

constexpr size_t kMaxInflate = 256u << 20;  // no movie or bitmap may inflate past 256 MiB

struct Decoded {
    std::vector<uint8_t> bytes;
    bool complete = false;
};

// zlib stream (RFC 1950). `expected` is a size hint only; output stops at `cap`.
Decoded inflate_zlib(const uint8_t* data, size_t size, size_t expected, size_t cap = kMaxInflate);
// Raw LZMA1 data with 5 property bytes in front, as stored in ZWS files.
Decoded inflate_lzma(const uint8_t* props_and_data, size_t size, size_t expected,
                     size_t cap = kMaxInflate);

}  // namespace swf
