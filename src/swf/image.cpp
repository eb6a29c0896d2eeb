// Small PNG and GIF decoders for image data found inside DefineBitsJPEG2/3 tags. Only what those
// tags carry: one still image. Everything is bounds-checked; pixels come out premultiplied.
#include <algorithm>
#include <cstring>

#include "swf/codec.h"
#include "swf/parse.h"

namespace swf {

namespace {

uint32_t be32(const uint8_t* p) { return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3]; }

uint32_t premul(uint32_t a, uint32_t r, uint32_t g, uint32_t b) {
    if (a != 255) {
        r = (r * a + 127) / 255;
        g = (g * a + 127) / 255;
        b = (b * a + 127) / 255;
    }
    return a << 24 | r << 16 | g << 8 | b;
}

uint8_t paeth(int a, int b, int c) {
    int p = a + b - c, pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
    return uint8_t(pa <= pb && pa <= pc ? a : pb <= pc ? b : c);
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// PNG
// ---------------------------------------------------------------------------------------------
bool decode_png(const uint8_t* data, size_t size, BitmapDef& out) {
    if (size < 8) return false;
    size_t pos = 8;
    uint32_t w = 0, h = 0;
    int depth = 0, color = 0, interlace = 0;
    std::vector<uint8_t> idat;
    uint32_t palette[256];
    std::fill(palette, palette + 256, 0xFF000000u);
    int trns_gray = -1, trns_r = -1, trns_g = -1, trns_b = -1;
    uint8_t pal_rgb[256][3] = {};
    uint8_t pal_a[256];
    std::fill(pal_a, pal_a + 256, 255);
    while (pos + 12 <= size) {
        uint32_t len = be32(data + pos);
        const uint8_t* type = data + pos + 4;
        const uint8_t* body = data + pos + 8;
        if (len > size - pos - 12) break;
        if (!std::memcmp(type, "IHDR", 4) && len >= 13) {
            w = be32(body);
            h = be32(body + 4);
            depth = body[8];
            color = body[9];
            interlace = body[12];
        } else if (!std::memcmp(type, "PLTE", 4)) {
            for (uint32_t i = 0; i < len / 3 && i < 256; ++i) std::memcpy(pal_rgb[i], body + 3 * i, 3);
        } else if (!std::memcmp(type, "tRNS", 4)) {
            if (color == 3)
                for (uint32_t i = 0; i < len && i < 256; ++i) pal_a[i] = body[i];
            else if (color == 0 && len >= 2)
                trns_gray = body[0] << 8 | body[1];
            else if (color == 2 && len >= 6)
                trns_r = body[0] << 8 | body[1], trns_g = body[2] << 8 | body[3], trns_b = body[4] << 8 | body[5];
        } else if (!std::memcmp(type, "IDAT", 4)) {
            idat.insert(idat.end(), body, body + len);
        } else if (!std::memcmp(type, "IEND", 4)) {
            break;
        }
        pos += 12 + size_t(len);
    }
    if (w == 0 || h == 0 || w > uint32_t(kMaxBitmapSide) || h > uint32_t(kMaxBitmapSide) ||
        size_t(w) * h > kMaxBitmapPixels)
        return false;
    int channels;
    switch (color) {
    case 0: channels = 1; break;
    case 2: channels = 3; break;
    case 3: channels = 1; break;
    case 4: channels = 2; break;
    case 6: channels = 4; break;
    default: return false;
    }
    if (depth != 1 && depth != 2 && depth != 4 && depth != 8 && depth != 16) return false;
    for (int i = 0; i < 256; ++i) palette[i] = premul(pal_a[i], pal_rgb[i][0], pal_rgb[i][1], pal_rgb[i][2]);
    const size_t bpp = std::max<size_t>(1, size_t(channels) * depth / 8);  // bytes per pixel for filters
    auto row_bytes = [&](uint32_t width) { return (size_t(width) * channels * depth + 7) / 8; };
    size_t expected = 0;
    // Adam7 passes: x0, y0, dx, dy.
    static const int passes[7][4] = {{0, 0, 8, 8}, {4, 0, 8, 8}, {0, 4, 4, 8}, {2, 0, 4, 4},
                                     {0, 2, 2, 4}, {1, 0, 2, 2}, {0, 1, 1, 2}};
    const int npass = interlace ? 7 : 1;
    for (int p = 0; p < npass; ++p) {
        const int* ps = interlace ? passes[p] : nullptr;
        uint32_t pw = ps ? (w + ps[2] - 1 - ps[0]) / ps[2] : w;
        uint32_t ph = ps ? (h + ps[3] - 1 - ps[1]) / ps[3] : h;
        if (ps && (w <= uint32_t(ps[0]) || h <= uint32_t(ps[1]))) continue;
        expected += (row_bytes(pw) + 1) * ph;
    }
    Decoded z = inflate_zlib(idat.data(), idat.size(), expected, expected);
    std::vector<uint8_t>& raw = z.bytes;
    out.width = int(w);
    out.height = int(h);
    out.pixels.assign(size_t(w) * h, 0);
    size_t at = 0;
    std::vector<uint8_t> prev, cur;
    for (int p = 0; p < npass; ++p) {
        const int* ps = interlace ? passes[p] : nullptr;
        if (ps && (w <= uint32_t(ps[0]) || h <= uint32_t(ps[1]))) continue;
        uint32_t pw = ps ? (w + ps[2] - 1 - ps[0]) / ps[2] : w;
        uint32_t ph = ps ? (h + ps[3] - 1 - ps[1]) / ps[3] : h;
        const size_t rb = row_bytes(pw);
        prev.assign(rb, 0);
        cur.assign(rb, 0);
        for (uint32_t y = 0; y < ph; ++y) {
            if (at + 1 + rb > raw.size()) return true;  // short data: the rest stays transparent
            uint8_t filter = raw[at];
            std::memcpy(cur.data(), raw.data() + at + 1, rb);
            at += 1 + rb;
            for (size_t i = 0; i < rb; ++i) {
                int a = i >= bpp ? cur[i - bpp] : 0, b = prev[i], c = i >= bpp ? prev[i - bpp] : 0;
                switch (filter) {
                case 1: cur[i] = uint8_t(cur[i] + a); break;
                case 2: cur[i] = uint8_t(cur[i] + b); break;
                case 3: cur[i] = uint8_t(cur[i] + ((a + b) >> 1)); break;
                case 4: cur[i] = uint8_t(cur[i] + paeth(a, b, c)); break;
                default: break;
                }
            }
            auto sample = [&](uint32_t x, int ch) -> int {
                size_t bit = (size_t(x) * channels + ch) * depth;
                if (depth == 16) return cur[bit / 8] << 8 | cur[bit / 8 + 1];
                if (depth == 8) return cur[bit / 8];
                int shift = 8 - depth - int(bit % 8);
                return (cur[bit / 8] >> shift) & ((1 << depth) - 1);
            };
            auto to8 = [&](int v) -> uint32_t {
                if (depth == 16) return uint32_t(v >> 8);
                if (depth == 8) return uint32_t(v);
                return uint32_t(v * 255 / ((1 << depth) - 1));
            };
            uint32_t oy = ps ? ps[1] + y * ps[3] : y;
            for (uint32_t x = 0; x < pw; ++x) {
                uint32_t ox = ps ? ps[0] + x * ps[2] : x;
                uint32_t px;
                switch (color) {
                case 0: {
                    int g = sample(x, 0);
                    uint32_t v = to8(g);
                    px = premul(g == trns_gray ? 0 : 255, v, v, v);
                    break;
                }
                case 2: {
                    int r = sample(x, 0), g = sample(x, 1), b = sample(x, 2);
                    bool clear = r == trns_r && g == trns_g && b == trns_b;
                    px = premul(clear ? 0 : 255, to8(r), to8(g), to8(b));
                    break;
                }
                case 3: px = palette[sample(x, 0) & 255]; break;
                case 4: {
                    uint32_t v = to8(sample(x, 0));
                    px = premul(to8(sample(x, 1)), v, v, v);
                    break;
                }
                default: px = premul(to8(sample(x, 3)), to8(sample(x, 0)), to8(sample(x, 1)), to8(sample(x, 2)));
                }
                out.pixels[size_t(oy) * w + ox] = px;
            }
            std::swap(prev, cur);
        }
    }
    return true;
}

// ---------------------------------------------------------------------------------------------
// GIF (first image only)
// ---------------------------------------------------------------------------------------------
bool decode_gif(const uint8_t* data, size_t size, BitmapDef& out) {
    Reader r(data, size);
    r.skip(6);
    size_t w = r.u16(), h = r.u16();
    uint8_t flags = r.u8();
    uint8_t bg = r.u8();
    r.u8();
    (void)bg;
    if (r.failed() || w == 0 || h == 0 || w > size_t(kMaxBitmapSide) || h > size_t(kMaxBitmapSide) ||
        w * h > kMaxBitmapPixels)
        return false;
    uint32_t global[256] = {}, local[256];
    int global_size = 0;
    if (flags & 0x80) {
        global_size = 2 << (flags & 7);
        for (int i = 0; i < global_size; ++i) {
            RGBA c = r.rgb();
            global[i] = premul(255, c.r, c.g, c.b);
        }
    }
    int transparent = -1;
    out.width = int(w);
    out.height = int(h);
    out.pixels.assign(w * h, 0);
    while (!r.failed() && r.remaining() > 0) {
        uint8_t block = r.u8();
        if (block == 0x3B) break;
        if (block == 0x21) {
            uint8_t label = r.u8();
            while (true) {
                uint8_t n = r.u8();
                if (n == 0 || r.failed()) break;
                if (label == 0xF9 && n >= 4) {
                    uint8_t f = r.u8();
                    r.u16();
                    uint8_t t = r.u8();
                    if (f & 1) transparent = t;
                    r.skip(n - 4);
                } else {
                    r.skip(n);
                }
            }
            continue;
        }
        if (block != 0x2C) return false;
        size_t ix = r.u16(), iy = r.u16(), iw = r.u16(), ih = r.u16();
        uint8_t iflags = r.u8();
        const uint32_t* table = global;
        int table_size = global_size;
        if (iflags & 0x80) {
            table_size = 2 << (iflags & 7);
            for (int i = 0; i < table_size; ++i) {
                RGBA c = r.rgb();
                local[i] = premul(255, c.r, c.g, c.b);
            }
            table = local;
        }
        const bool interlaced = iflags & 0x40;
        int min_code = r.u8();
        if (min_code < 2 || min_code > 11) return false;
        // The frame's own size comes from the file and is not bounded by the screen's: a few
        // bytes could otherwise ask for 4 GiB of indices. Hold it to the limit of a whole bitmap.
        const size_t count = iw * ih;
        if (count > kMaxBitmapPixels) return false;
        std::vector<uint8_t> lzw;
        while (true) {
            uint8_t n = r.u8();
            if (n == 0 || r.failed()) break;
            const uint8_t* p = r.cursor();
            size_t take = std::min<size_t>(n, r.remaining());
            lzw.insert(lzw.end(), p, p + take);
            r.skip(n);
        }
        // LZW: prefix/suffix tables of 4096 codes.
        std::vector<uint16_t> prefix(4096);
        std::vector<uint8_t> suffix(4096), stack(4097);
        std::vector<uint8_t> indices;
        indices.reserve(std::min(count, w * h));  // what lands on the screen, mostly
        const int clear = 1 << min_code, eoi = clear + 1;
        int code_size = min_code + 1, next = eoi + 1, old = -1;
        uint8_t first = 0;
        size_t bitpos = 0;
        for (int i = 0; i < clear; ++i) suffix[i] = uint8_t(i);
        while (indices.size() < count) {
            if ((bitpos + code_size + 7) / 8 > lzw.size()) break;
            int code = 0;
            for (int b = 0; b < code_size; ++b, ++bitpos) code |= ((lzw[bitpos / 8] >> (bitpos % 8)) & 1) << b;
            if (code == clear) {
                code_size = min_code + 1;
                next = eoi + 1;
                old = -1;
                continue;
            }
            if (code == eoi) break;
            if (old < 0) {
                if (code >= clear) break;
                indices.push_back(uint8_t(code));
                first = uint8_t(code);
                old = code;
                continue;
            }
            int in = code, sp = 0;
            if (code >= next) {
                if (code > next) break;
                stack[sp++] = first;
                code = old;
            }
            while (code >= clear && sp < 4096) {
                stack[sp++] = suffix[code];
                code = prefix[code];
            }
            first = suffix[code];
            stack[sp++] = first;
            while (sp > 0 && indices.size() < count) indices.push_back(stack[--sp]);
            if (next < 4096) {
                prefix[next] = uint16_t(old);
                suffix[next] = first;
                ++next;
                if (next == (1 << code_size) && code_size < 12) ++code_size;
            }
            old = in;
        }
        // Place rows, de-interlacing if needed.
        std::vector<size_t> rows;
        if (interlaced) {
            for (size_t y = 0; y < ih; y += 8) rows.push_back(y);
            for (size_t y = 4; y < ih; y += 8) rows.push_back(y);
            for (size_t y = 2; y < ih; y += 4) rows.push_back(y);
            for (size_t y = 1; y < ih; y += 2) rows.push_back(y);
        } else {
            for (size_t y = 0; y < ih; ++y) rows.push_back(y);
        }
        for (size_t k = 0; k < indices.size(); ++k) {
            size_t sy = rows[k / iw], sx = k % iw;
            size_t x = ix + sx, y = iy + sy;
            if (x >= w || y >= h) continue;
            int idx = indices[k];
            out.pixels[y * w + x] = (idx == transparent || idx >= table_size) ? 0 : table[idx];
        }
        return true;
    }
    return true;
}

}  // namespace swf
