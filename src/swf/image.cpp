// Small PNG and GIF decoders for image data found inside DefineBitsJPEG2/3 tags. Only what those
// tags carry: one still image. Everything is bounds-checked; pixels come out premultiplied.
#include <algorithm>
#include <cstring>
#include <string>

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
// PNG: the chunks are read, the header checked, the image data inflated, its rows unfiltered
// and their samples turned into pixels. Only a missing or unusable header fails; image data
// that is short or damaged shows what it holds and leaves the rest transparent.
// ---------------------------------------------------------------------------------------------
namespace {

enum class PngColour : uint8_t { Grey = 0, Rgb = 2, Indexed = 3, GreyAlpha = 4, RgbAlpha = 6 };

// The chunks the decoder uses, as read.
struct PngChunks {
    bool has_header = false;
    uint32_t width = 0, height = 0;
    uint8_t depth = 0, colour = 0, interlace = 0;
    uint8_t palette_rgb[256][3] = {};
    uint8_t palette_alpha[256];
    // The one colour a grey or RGB image makes transparent, as raw samples; -1: none.
    int key_grey = -1, key_r = -1, key_g = -1, key_b = -1;
    std::vector<uint8_t> idat;
};

// The header, checked.
struct PngLayout {
    uint32_t width = 0, height = 0;
    int depth = 0, channels = 0;
    PngColour colour = PngColour::Grey;
    bool interlaced = false;
    size_t filter_stride = 1;  // bytes per pixel as the row filters see it (at least 1)
    size_t row_bytes(uint32_t pixels) const { return (size_t(pixels) * channels * depth + 7) / 8; }
};

// A sub-image in the image data: the whole image, or one of Adam7's seven passes.
struct PngPass {
    uint32_t x0, y0, dx, dy, width, height;
};

// Chunks are taken in file order up to IEND or the first one that does not fit, so a tRNS is
// read for the colour type of the header before it. Checksums are not checked.
Result<PngChunks> read_png_chunks(const uint8_t* data, size_t size) {
    if (size < 8) return Error{"PNG: shorter than its signature"};
    PngChunks c;
    std::fill(c.palette_alpha, c.palette_alpha + 256, 255);
    size_t pos = 8;
    while (pos + 12 <= size) {
        const uint32_t len = be32(data + pos);
        const uint8_t* type = data + pos + 4;
        const uint8_t* body = data + pos + 8;
        if (len > size - pos - 12) break;
        if (!std::memcmp(type, "IHDR", 4) && len >= 13) {
            c.has_header = true;
            c.width = be32(body);
            c.height = be32(body + 4);
            c.depth = body[8];
            c.colour = body[9];
            c.interlace = body[12];
        } else if (!std::memcmp(type, "PLTE", 4)) {
            for (uint32_t i = 0; i < len / 3 && i < 256; ++i) std::memcpy(c.palette_rgb[i], body + 3 * i, 3);
        } else if (!std::memcmp(type, "tRNS", 4)) {
            if (c.colour == uint8_t(PngColour::Indexed))
                for (uint32_t i = 0; i < len && i < 256; ++i) c.palette_alpha[i] = body[i];
            else if (c.colour == uint8_t(PngColour::Grey) && len >= 2)
                c.key_grey = body[0] << 8 | body[1];
            else if (c.colour == uint8_t(PngColour::Rgb) && len >= 6)
                c.key_r = body[0] << 8 | body[1], c.key_g = body[2] << 8 | body[3], c.key_b = body[4] << 8 | body[5];
        } else if (!std::memcmp(type, "IDAT", 4)) {
            c.idat.insert(c.idat.end(), body, body + len);
        } else if (!std::memcmp(type, "IEND", 4)) {
            break;
        }
        pos += 12 + size_t(len);
    }
    return c;
}

Result<PngLayout> check_png_header(const PngChunks& c) {
    if (!c.has_header) return Error{"PNG: no IHDR chunk"};
    if (c.width == 0 || c.height == 0) return Error{"PNG: empty image"};
    if (c.width > uint32_t(kMaxBitmapSide) || c.height > uint32_t(kMaxBitmapSide) ||
        size_t(c.width) * c.height > kMaxBitmapPixels)
        return Error{"PNG: image too large"};
    PngLayout l;
    l.width = c.width, l.height = c.height, l.depth = c.depth;
    l.colour = PngColour(c.colour);
    l.interlaced = c.interlace != 0;
    switch (l.colour) {
    case PngColour::Grey:
    case PngColour::Indexed: l.channels = 1; break;
    case PngColour::GreyAlpha: l.channels = 2; break;
    case PngColour::Rgb: l.channels = 3; break;
    case PngColour::RgbAlpha: l.channels = 4; break;
    default: return Error{"PNG: unknown colour type " + std::to_string(c.colour)};
    }
    if (l.depth != 1 && l.depth != 2 && l.depth != 4 && l.depth != 8 && l.depth != 16)
        return Error{"PNG: unsupported bit depth " + std::to_string(l.depth)};
    l.filter_stride = std::max<size_t>(1, size_t(l.channels) * l.depth / 8);
    return l;
}

// The sub-images in the order the image data holds them; Adam7 passes that an image too small
// has no pixels for are left out.
std::vector<PngPass> png_passes(const PngLayout& l) {
    if (!l.interlaced) return {{0, 0, 1, 1, l.width, l.height}};
    static const uint32_t adam7[7][4] = {{0, 0, 8, 8}, {4, 0, 8, 8}, {0, 4, 4, 8}, {2, 0, 4, 4},
                                         {0, 2, 2, 4}, {1, 0, 2, 2}, {0, 1, 1, 2}};
    std::vector<PngPass> passes;
    for (const auto& [x0, y0, dx, dy] : adam7) {
        if (l.width <= x0 || l.height <= y0) continue;
        passes.push_back({x0, y0, dx, dy, (l.width + dx - 1 - x0) / dx, (l.height + dy - 1 - y0) / dy});
    }
    return passes;
}

// Each row of a sub-image is a filter byte and the row's bytes. Damaged or short data keeps what
// was decoded.
std::vector<uint8_t> inflate_png_data(const PngChunks& c, const PngLayout& l, const std::vector<PngPass>& passes) {
    size_t expected = 0;
    for (const PngPass& p : passes) expected += (l.row_bytes(p.width) + 1) * p.height;
    return inflate_zlib(c.idat.data(), c.idat.size(), expected, expected).bytes;
}

// Undoes the row filters in place, each row against the one above it in its sub-image, and cuts
// `raw` after the last whole row. An unknown filter leaves its row as stored.
void unfilter_png_rows(std::vector<uint8_t>& raw, const PngLayout& l, const std::vector<PngPass>& passes) {
    const size_t bpp = l.filter_stride;
    size_t at = 0;
    for (const PngPass& p : passes) {
        const size_t rb = l.row_bytes(p.width);
        const uint8_t* prev = nullptr;  // the row above: none for a sub-image's first
        for (uint32_t y = 0; y < p.height; ++y) {
            if (at + 1 + rb > raw.size()) {
                raw.resize(at);
                return;
            }
            const uint8_t filter = raw[at];
            uint8_t* cur = raw.data() + at + 1;
            for (size_t i = 0; i < rb; ++i) {
                const int a = i >= bpp ? cur[i - bpp] : 0, b = prev ? prev[i] : 0;
                const int c = prev && i >= bpp ? prev[i - bpp] : 0;
                switch (filter) {
                case 1: cur[i] = uint8_t(cur[i] + a); break;                   // Sub
                case 2: cur[i] = uint8_t(cur[i] + b); break;                   // Up
                case 3: cur[i] = uint8_t(cur[i] + ((a + b) >> 1)); break;      // Average
                case 4: cur[i] = uint8_t(cur[i] + paeth(a, b, c)); break;      // Paeth
                default: break;
                }
            }
            prev = cur;
            at += 1 + rb;
        }
    }
}

// Turns the unfiltered rows into premultiplied pixels at their places in the image; the pixels
// of rows the data stops short of stay transparent.
void png_to_pixels(const std::vector<uint8_t>& rows, const PngChunks& c, const PngLayout& l,
                   const std::vector<PngPass>& passes, BitmapDef& out) {
    uint32_t palette[256];
    for (int i = 0; i < 256; ++i)
        palette[i] = premul(c.palette_alpha[i], c.palette_rgb[i][0], c.palette_rgb[i][1], c.palette_rgb[i][2]);
    const int depth = l.depth, channels = l.channels;
    out.width = int(l.width);
    out.height = int(l.height);
    out.pixels.assign(size_t(l.width) * l.height, 0);
    size_t at = 0;
    for (const PngPass& p : passes) {
        const size_t rb = l.row_bytes(p.width);
        for (uint32_t y = 0; y < p.height; ++y) {
            if (at + 1 + rb > rows.size()) return;
            const uint8_t* cur = rows.data() + at + 1;
            at += 1 + rb;
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
            const uint32_t oy = p.y0 + y * p.dy;
            for (uint32_t x = 0; x < p.width; ++x) {
                uint32_t px;
                switch (l.colour) {
                case PngColour::Grey: {
                    int g = sample(x, 0);
                    uint32_t v = to8(g);
                    px = premul(g == c.key_grey ? 0 : 255, v, v, v);
                    break;
                }
                case PngColour::Rgb: {
                    int r = sample(x, 0), g = sample(x, 1), b = sample(x, 2);
                    bool clear = r == c.key_r && g == c.key_g && b == c.key_b;
                    px = premul(clear ? 0 : 255, to8(r), to8(g), to8(b));
                    break;
                }
                case PngColour::Indexed: px = palette[sample(x, 0) & 255]; break;
                case PngColour::GreyAlpha: {
                    uint32_t v = to8(sample(x, 0));
                    px = premul(to8(sample(x, 1)), v, v, v);
                    break;
                }
                default: px = premul(to8(sample(x, 3)), to8(sample(x, 0)), to8(sample(x, 1)), to8(sample(x, 2)));
                }
                out.pixels[size_t(oy) * l.width + p.x0 + x * p.dx] = px;
            }
        }
    }
}

}  // namespace

Result<bool> decode_png(const uint8_t* data, size_t size, BitmapDef& out) {
    Result<PngChunks> chunks = read_png_chunks(data, size);
    if (!chunks) return chunks.error();
    Result<PngLayout> layout = check_png_header(*chunks);
    if (!layout) return layout.error();
    const std::vector<PngPass> passes = png_passes(*layout);
    std::vector<uint8_t> rows = inflate_png_data(*chunks, *layout, passes);
    unfilter_png_rows(rows, *layout, passes);
    png_to_pixels(rows, *chunks, *layout, passes, out);
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
