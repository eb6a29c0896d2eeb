#include "ui/Jpeg.h"
#include <csetjmp>
#include <cstdio> // jpeglib.h needs FILE and size_t declared first
#include <cstring>
#include <string>

extern "C" {
#include <jpeglib.h>
}

namespace ui {

namespace {

// libjpeg reports a fatal error by calling error_exit, which must not return. Throwing a C++
// exception through libjpeg's C frames is not safe (they carry no unwind tables), so we
// longjmp back to DecodeInto. Only plain C data lives between setjmp and the longjmp; the
// output vector belongs to the caller and is reached through a pointer that never changes.
struct ErrorManager {
    jpeg_error_mgr Base;
    std::jmp_buf Jump;
    char Message[JMSG_LENGTH_MAX];
};

void OnErrorExit(j_common_ptr info) {
    auto* err = reinterpret_cast<ErrorManager*>(info->err);
    (*info->err->format_message)(info, err->Message);
    std::longjmp(err->Jump, 1);
}

// libjpeg only warns about corrupt data (a truncated file is padded with grey and decoding
// "succeeds"). A damaged resource is an error for us, so the first warning ends decoding too.
void OnEmitMessage(j_common_ptr info, int level) {
    if (level < 0) OnErrorExit(info);
}

bool DecodeInto(const unsigned char* data, unsigned long size, TJpegPixels* out, char* message) {
    jpeg_decompress_struct cinfo;
    ErrorManager err;
    cinfo.err = jpeg_std_error(&err.Base);
    err.Base.error_exit = OnErrorExit;
    err.Base.emit_message = OnEmitMessage;
    err.Message[0] = '\0';
    if (setjmp(err.Jump)) {
        std::strcpy(message, err.Message);
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, data, size);
    jpeg_read_header(&cinfo, TRUE);
    // libjpeg-turbo writes B, G, R directly: the byte order of a DIB.
    cinfo.out_color_space = JCS_EXT_BGR;
    jpeg_calc_output_dimensions(&cinfo);
    if (cinfo.output_width == 0 || cinfo.output_height == 0 || cinfo.output_width > static_cast<JDIMENSION>(kMaxJpegDimension) ||
        cinfo.output_height > static_cast<JDIMENSION>(kMaxJpegDimension)) {
        std::strcpy(message, "picture size out of range");
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    const std::size_t stride = (static_cast<std::size_t>(cinfo.output_width) * 3 + 3) & ~std::size_t{3};
    if (stride * cinfo.output_height > kMaxJpegBytes) {
        std::strcpy(message, "picture too large");
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    out->Width = static_cast<int>(cinfo.output_width);
    out->Height = static_cast<int>(cinfo.output_height);
    out->Stride = static_cast<int>(stride);
    out->Bits.assign(stride * cinfo.output_height, 0);
    jpeg_start_decompress(&cinfo);
    while (cinfo.output_scanline < cinfo.output_height) {
        JSAMPROW row = out->Bits.data() + stride * cinfo.output_scanline;
        jpeg_read_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    return true;
}

} // namespace

TJpegPixels DecodeJpegPixels(const void* data, std::size_t size) {
    if (!data || size == 0) throw TJpegError("bad JPEG data: empty");
    if (size > kMaxJpegBytes) throw TJpegError("bad JPEG data: too large");
    TJpegPixels pixels;
    char message[JMSG_LENGTH_MAX] = {};
    if (!DecodeInto(static_cast<const unsigned char*>(data), static_cast<unsigned long>(size), &pixels, message))
        throw TJpegError(std::string("bad JPEG data: ") + message);
    return pixels;
}

TJpegBitmap DecodeJpeg(const void* data, std::size_t size) {
    TJpegPixels pixels = DecodeJpegPixels(data, size);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = pixels.Width;
    info.bmiHeader.biHeight = -pixels.Height; // top-down, like the decoded rows
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    TJpegBitmap result;
    result.Bitmap.Reset(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!result.Bitmap || !bits) throw TJpegError("cannot create a bitmap for the JPEG picture");
    std::memcpy(bits, pixels.Bits.data(), pixels.Bits.size());
    result.Dimensions = {pixels.Width, pixels.Height};
    return result;
}

} // namespace ui
