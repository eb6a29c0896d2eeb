// libFuzzer entry point for the description decoder's own part (src/ui/TextEncoding.cpp): the
// format it finds must be one the bytes allow, its UTF-8 rule must agree with a decoder written
// from the definition here, and UTF-16 must give one unit per byte pair.
#include <cstddef>
#include <cstdint>

#include "ui/TextEncoding.h"

namespace {

// UTF-8 by the definition: lead bits give the length, continuation bytes are 10xxxxxx, and the
// code point is neither over-long, nor a surrogate, nor past U+10FFFF.
bool WellFormedByDefinition(const uint8_t* b, size_t n) {
    for (size_t i = 0; i < n;) {
        const uint32_t c = b[i];
        size_t length;
        uint32_t cp, least;
        if (c < 0x80) length = 1, cp = c, least = 0;
        else if ((c & 0xE0) == 0xC0) length = 2, cp = c & 0x1F, least = 0x80;
        else if ((c & 0xF0) == 0xE0) length = 3, cp = c & 0x0F, least = 0x800;
        else if ((c & 0xF8) == 0xF0) length = 4, cp = c & 0x07, least = 0x10000;
        else return false;
        if (n - i < length) return false;
        for (size_t k = 1; k < length; ++k) {
            if ((b[i + k] & 0xC0) != 0x80) return false;
            cp = cp << 6 | (b[i + k] & 0x3F);
        }
        if (cp < least || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
        i += length;
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const char* bytes = reinterpret_cast<const char*>(data);
    if (ui::IsWellFormedUtf8(bytes, size) != WellFormedByDefinition(data, size)) __builtin_trap();
    const ui::TTextFormat format = ui::DetectTextFormat(bytes, size);
    if (format.MarkBytes > size) __builtin_trap();
    const size_t rest = size - format.MarkBytes;
    switch (format.Encoding) {
    case ui::TTextEncoding::Utf8:
        if (format.MarkBytes == 0 && !WellFormedByDefinition(data, size)) __builtin_trap();
        break;
    case ui::TTextEncoding::Utf16Le:
    case ui::TTextEncoding::Utf16Be:
        if (ui::DecodeUtf16(bytes + format.MarkBytes, rest, format.Encoding == ui::TTextEncoding::Utf16Be).size() !=
            rest / 2)
            __builtin_trap();
        break;
    case ui::TTextEncoding::CodePage: break;
    }
    return 0;
}
