#include "swf/codec.h"

#include <lzma.h>
#include <zlib.h>

#include <algorithm>

namespace swf {

namespace {

size_t first_chunk(size_t expected, size_t cap) {
    // Trust the hint only up to a modest size; grow as data actually arrives.
    return std::clamp<size_t>(expected, 4096, std::min<size_t>(cap, 16u << 20));
}

}  // namespace

Decoded inflate_zlib(const uint8_t* data, size_t size, size_t expected, size_t cap) {
    Decoded out;
    z_stream zs{};
    if (inflateInit(&zs) != Z_OK) return out;
    out.bytes.resize(first_chunk(expected, cap));
    size_t have = 0;
    size_t fed = 0;
    int rc = Z_OK;
    while (true) {
        if (have == out.bytes.size()) {
            if (out.bytes.size() >= cap) break;
            out.bytes.resize(std::min(cap, out.bytes.size() * 2));
        }
        // zlib counts in uInt: feed and drain in pieces small enough for 32-bit builds.
        size_t in_now = std::min<size_t>(size - fed, 1u << 30);
        zs.next_in = const_cast<Bytef*>(data + fed);
        zs.avail_in = uInt(in_now);
        size_t out_now = std::min<size_t>(out.bytes.size() - have, 1u << 30);
        zs.next_out = out.bytes.data() + have;
        zs.avail_out = uInt(out_now);
        rc = inflate(&zs, Z_NO_FLUSH);
        fed += in_now - zs.avail_in;
        have += out_now - zs.avail_out;
        if (rc == Z_STREAM_END) {
            out.complete = true;
            break;
        }
        if (rc != Z_OK && rc != Z_BUF_ERROR) break;
        if (rc == Z_BUF_ERROR && zs.avail_out != 0) break;  // input ran out
        if (fed == size && zs.avail_out != 0) break;
    }
    inflateEnd(&zs);
    out.bytes.resize(have);
    return out;
}

Decoded inflate_lzma(const uint8_t* data, size_t size, size_t expected, size_t cap) {
    Decoded out;
    if (size < 5) return out;
    lzma_options_lzma opt{};
    lzma_filter filters[2];
    filters[0].id = LZMA_FILTER_LZMA1;
    filters[0].options = &opt;
    filters[1].id = LZMA_VLI_UNKNOWN;
    filters[1].options = nullptr;
    // Decode the 5 property bytes: (pb*5+lp)*9+lc, then the dictionary size.
    unsigned p = data[0];
    if (p >= 9 * 5 * 5) return out;
    opt.lc = p % 9;
    p /= 9;
    opt.lp = p % 5;
    opt.pb = p / 5;
    opt.dict_size = uint32_t(data[1]) | uint32_t(data[2]) << 8 | uint32_t(data[3]) << 16 |
                    uint32_t(data[4]) << 24;
    if (opt.dict_size < 4096) opt.dict_size = 4096;
    if (opt.dict_size > (1u << 28)) opt.dict_size = 1u << 28;
    lzma_stream zs = LZMA_STREAM_INIT;
    if (lzma_raw_decoder(&zs, filters) != LZMA_OK) return out;
    out.bytes.resize(first_chunk(expected, cap));
    zs.next_in = data + 5;
    zs.avail_in = size - 5;
    size_t have = 0;
    while (true) {
        if (have == out.bytes.size()) {
            if (out.bytes.size() >= cap) break;
            out.bytes.resize(std::min(cap, out.bytes.size() * 2));
        }
        zs.next_out = out.bytes.data() + have;
        zs.avail_out = out.bytes.size() - have;
        size_t before = zs.avail_out;
        lzma_ret rc = lzma_code(&zs, zs.avail_in ? LZMA_RUN : LZMA_FINISH);
        have += before - zs.avail_out;
        if (rc == LZMA_STREAM_END) {
            out.complete = true;
            break;
        }
        if (rc != LZMA_OK) break;
        // Without an end marker the stream simply stops: the declared length is reached.
        if (expected && have >= expected) {
            out.complete = true;
            break;
        }
        if (zs.avail_in == 0 && zs.avail_out != 0) break;
    }
    lzma_end(&zs);
    out.bytes.resize(have);
    return out;
}

}  // namespace swf
