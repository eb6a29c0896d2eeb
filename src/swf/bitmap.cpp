// Bitmap tags: JPEG (with shared tables, the doubled-marker quirk and a zlib alpha plane),
// lossless 8/15/24/32-bit, and PNG or GIF data inside the JPEG tags.
#include <algorithm>
#include <csetjmp>
#include <cstddef>
#include <cstdio>
#include <cstring>

// jpeglib.h needs size_t and FILE declared first.
#include <jpeglib.h>

#include "swf/codec.h"
#include "swf/parse.h"
#include "swf/tags.h"

namespace swf {

namespace {

bool size_ok(size_t w, size_t h) {
    return w > 0 && h > 0 && w <= size_t(kMaxBitmapSide) && h <= size_t(kMaxBitmapSide) &&
           w * h <= kMaxBitmapPixels;
}

inline uint32_t pack(uint32_t a, uint32_t r, uint32_t g, uint32_t b) { return a << 24 | r << 16 | g << 8 | b; }

// ---------------------------------------------------------------------------------------------
// JPEG through libjpeg, errors turned into a longjmp back to us instead of exit()
// ---------------------------------------------------------------------------------------------
struct JpegError {
    jpeg_error_mgr mgr;
    std::jmp_buf jump;
};

void jpeg_fail(j_common_ptr cinfo) {
    auto* err = reinterpret_cast<JpegError*>(cinfo->err);
    std::longjmp(err->jump, 1);
}
void jpeg_quiet(j_common_ptr, int) {}

// Removes the markers older writers left between the tables and the image: an EOI SOI pair
// (FF D9 FF D8) anywhere, and the bogus pair some files start with.
std::vector<uint8_t> clean_jpeg(const uint8_t* tables, size_t tables_size, const uint8_t* data, size_t size) {
    std::vector<uint8_t> out;
    auto append = [&out](const uint8_t* p, size_t n) {
        if (n >= 4 && p[0] == 0xFF && p[1] == 0xD9 && p[2] == 0xFF && p[3] == 0xD8) {
            p += 4;
            n -= 4;
            out.push_back(0xFF);
            out.push_back(0xD8);
        }
        out.insert(out.end(), p, p + n);
    };
    if (tables && tables_size > 4) append(tables, tables_size);
    append(data, size);
    // Drop every inner EOI+SOI so the result is one stream with all tables in front.
    std::vector<uint8_t> merged;
    merged.reserve(out.size());
    for (size_t i = 0; i < out.size(); ++i) {
        if (i > 0 && i + 3 < out.size() && out[i] == 0xFF && out[i + 1] == 0xD9 && out[i + 2] == 0xFF &&
            out[i + 3] == 0xD8) {
            i += 3;
            continue;
        }
        merged.push_back(out[i]);
    }
    return merged;
}

}  // namespace

bool decode_jpeg(const uint8_t* tables, size_t tables_size, const uint8_t* data, size_t size, BitmapDef& out) {
    std::vector<uint8_t> stream = clean_jpeg(tables, tables_size, data, size);
    if (stream.size() < 4) return false;
    jpeg_decompress_struct cinfo;
    JpegError err;
    cinfo.err = jpeg_std_error(&err.mgr);
    err.mgr.error_exit = jpeg_fail;
    err.mgr.emit_message = jpeg_quiet;
    // Everything the longjmp may skip over is declared before setjmp.
    std::vector<uint8_t> row;
    volatile bool started = false;
    if (setjmp(err.jump)) {
        jpeg_destroy_decompress(&cinfo);
        // A stream that breaks part way still shows the rows decoded so far.
        return started && !out.pixels.empty();
    }
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, stream.data(), static_cast<unsigned long>(stream.size()));
    int rc = jpeg_read_header(&cinfo, TRUE);
    if (rc != JPEG_HEADER_OK || !size_ok(cinfo.image_width, cinfo.image_height)) {
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    cinfo.out_color_space = JCS_RGB;
    jpeg_start_decompress(&cinfo);
    out.width = int(cinfo.output_width);
    out.height = int(cinfo.output_height);
    out.pixels.assign(size_t(out.width) * out.height, 0xFF000000u);
    started = true;
    row.resize(size_t(out.width) * cinfo.output_components);
    while (cinfo.output_scanline < cinfo.output_height) {
        JSAMPROW rp = row.data();
        unsigned y = cinfo.output_scanline;
        if (jpeg_read_scanlines(&cinfo, &rp, 1) != 1) break;
        uint32_t* dst = out.pixels.data() + size_t(y) * out.width;
        for (int x = 0; x < out.width; ++x) {
            const uint8_t* p = row.data() + size_t(x) * cinfo.output_components;
            dst[x] = cinfo.output_components >= 3 ? pack(255, p[0], p[1], p[2]) : pack(255, p[0], p[0], p[0]);
        }
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    return true;
}

std::unique_ptr<BitmapDef> parse_bits(Reader& r, int code, const JpegState& jpeg) {
    const TagCode tag = TagCode(code);
    // JPEG3 and JPEG4 carry an alpha plane after the image.
    const bool with_alpha = tag == TagCode::DefineBitsJPEG3 || tag == TagCode::DefineBitsJPEG4;
    auto bmp = std::make_unique<BitmapDef>();
    bmp->id = r.u16();
    size_t image_size = r.remaining();
    if (with_alpha) {
        image_size = r.u32();
        if (tag == TagCode::DefineBitsJPEG4) r.u16();  // deblocking
        if (image_size > r.remaining()) image_size = r.remaining();
    }
    const uint8_t* img = r.cursor();
    const uint8_t* alpha = img + image_size;
    size_t alpha_size = r.remaining() - image_size;

    bool ok = false;
    bool is_jpeg = true;
    if (image_size >= 8 && std::memcmp(img, "\x89PNG\r\n\x1a\n", 8) == 0) {
        ok = decode_png(img, image_size, *bmp).ok();
        is_jpeg = false;
    } else if (image_size >= 6 && std::memcmp(img, "GIF89a", 6) == 0) {
        ok = decode_gif(img, image_size, *bmp);
        is_jpeg = false;
    } else if (tag == TagCode::DefineBits) {  // its tables come in JPEGTables
        ok = decode_jpeg(jpeg.tables.data(), jpeg.tables.size(), img, image_size, *bmp);
    } else {
        ok = decode_jpeg(nullptr, 0, img, image_size, *bmp);
    }
    if (!ok) return nullptr;
    if (is_jpeg && with_alpha && alpha_size > 0) {
        const size_t n = size_t(bmp->width) * bmp->height;
        Decoded a = inflate_zlib(alpha, alpha_size, n, n);
        // Short alpha data: the missing part stays opaque.
        for (size_t i = 0; i < a.bytes.size() && i < n; ++i) {
            uint32_t p = bmp->pixels[i], al = a.bytes[i];
            // Colour is premultiplied by the writer; keep every channel within alpha.
            uint32_t rr = std::min<uint32_t>((p >> 16) & 255, al), gg = std::min<uint32_t>((p >> 8) & 255, al),
                     bb = std::min<uint32_t>(p & 255, al);
            bmp->pixels[i] = pack(al, rr, gg, bb);
        }
    }
    return bmp;
}

// ---------------------------------------------------------------------------------------------
// Lossless
// ---------------------------------------------------------------------------------------------
std::unique_ptr<BitmapDef> parse_lossless(Reader& r, int version) {
    auto bmp = std::make_unique<BitmapDef>();
    bmp->id = r.u16();
    uint8_t format = r.u8();
    size_t w = r.u16(), h = r.u16();
    size_t table = format == 3 ? size_t(r.u8()) + 1 : 0;
    if (r.failed() || !size_ok(w, h)) return nullptr;
    const bool alpha = version == 2;
    size_t row_bytes, expected;
    switch (format) {
    case 3: row_bytes = (w + 3) & ~size_t(3); break;
    case 4: row_bytes = (w * 2 + 3) & ~size_t(3); break;
    case 5: row_bytes = w * 4; break;
    default: return nullptr;
    }
    const size_t table_bytes = table * (alpha ? 4 : 3);
    expected = table_bytes + row_bytes * h;
    Decoded d = inflate_zlib(r.cursor(), r.remaining(), expected, expected);
    const std::vector<uint8_t>& z = d.bytes;
    bmp->width = int(w);
    bmp->height = int(h);
    bmp->pixels.assign(w * h, 0);  // short data: transparent black
    std::vector<uint32_t> palette(256, 0);
    if (format == 3) {
        for (size_t i = 0; i < table && (i + 1) * (alpha ? 4 : 3) <= z.size(); ++i) {
            const uint8_t* p = z.data() + i * (alpha ? 4 : 3);
            if (alpha) {
                uint32_t a = p[3];
                palette[i] = pack(a, std::min<uint32_t>(p[0], a), std::min<uint32_t>(p[1], a), std::min<uint32_t>(p[2], a));
            } else {
                palette[i] = pack(255, p[0], p[1], p[2]);
            }
        }
    }
    for (size_t y = 0; y < h; ++y) {
        size_t row = table_bytes + y * row_bytes;
        uint32_t* dst = bmp->pixels.data() + y * w;
        for (size_t x = 0; x < w; ++x) {
            switch (format) {
            case 3: {
                size_t at = row + x;
                if (at < z.size()) {
                    uint8_t idx = z[at];
                    dst[x] = idx < table ? palette[idx] : 0;
                }
                break;
            }
            case 4: {
                size_t at = row + x * 2;
                if (at + 1 < z.size()) {
                    uint32_t v = uint32_t(z[at]) << 8 | z[at + 1];
                    uint32_t rr = (v >> 10) & 31, gg = (v >> 5) & 31, bb = v & 31;
                    dst[x] = pack(255, rr << 3 | rr >> 2, gg << 3 | gg >> 2, bb << 3 | bb >> 2);
                }
                break;
            }
            case 5: {
                size_t at = row + x * 4;
                if (at + 3 < z.size()) {
                    const uint8_t* p = z.data() + at;
                    if (alpha) {
                        uint32_t a = p[0];
                        dst[x] = pack(a, std::min<uint32_t>(p[1], a), std::min<uint32_t>(p[2], a), std::min<uint32_t>(p[3], a));
                    } else {
                        dst[x] = pack(255, p[1], p[2], p[3]);
                    }
                }
                break;
            }
            }
        }
    }
    return bmp;
}

}  // namespace swf
