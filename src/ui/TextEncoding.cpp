#include "ui/TextEncoding.h"

namespace ui {

bool IsWellFormedUtf8(const char* data, std::size_t size) {
    const auto* b = reinterpret_cast<const unsigned char*>(data);
    for (std::size_t i = 0; i < size;) {
        const unsigned c = b[i];
        if (c < 0x80) {
            ++i;
            continue;
        }
        // The lead byte gives the length and the range its first continuation byte must be in
        // (which rules out over-long forms, surrogates and code points past U+10FFFF).
        std::size_t length = 0;
        unsigned low = 0x80, high = 0xBF;
        if (c >= 0xC2 && c <= 0xDF) length = 2;
        else if (c == 0xE0) length = 3, low = 0xA0;
        else if (c >= 0xE1 && c <= 0xEC) length = 3;
        else if (c == 0xED) length = 3, high = 0x9F;
        else if (c >= 0xEE && c <= 0xEF) length = 3;
        else if (c == 0xF0) length = 4, low = 0x90;
        else if (c >= 0xF1 && c <= 0xF3) length = 4;
        else if (c == 0xF4) length = 4, high = 0x8F;
        else return false;
        if (size - i < length) return false;
        if (b[i + 1] < low || b[i + 1] > high) return false;
        for (std::size_t k = 2; k < length; ++k)
            if (b[i + k] < 0x80 || b[i + k] > 0xBF) return false;
        i += length;
    }
    return true;
}

TTextFormat DetectTextFormat(const char* data, std::size_t size) {
    const auto* b = reinterpret_cast<const unsigned char*>(data);
    if (size >= 3 && b[0] == 0xEF && b[1] == 0xBB && b[2] == 0xBF) return {TTextEncoding::Utf8, 3};
    if (size >= 2 && b[0] == 0xFF && b[1] == 0xFE) return {TTextEncoding::Utf16Le, 2};
    if (size >= 2 && b[0] == 0xFE && b[1] == 0xFF) return {TTextEncoding::Utf16Be, 2};
    // Text in the system code page (GBK) is almost never also well-formed UTF-8, so UTF-8 needs
    // no mark once it has a character beyond ASCII.
    bool wide = false;
    for (std::size_t i = 0; i < size && !wide; ++i) wide = b[i] >= 0x80;
    if (wide && IsWellFormedUtf8(data, size)) return {TTextEncoding::Utf8, 0};
    return {TTextEncoding::CodePage, 0};
}

std::wstring DecodeUtf16(const char* data, std::size_t size, bool bigEndian) {
    const auto* b = reinterpret_cast<const unsigned char*>(data);
    std::wstring out;
    out.reserve(size / 2);
    for (std::size_t i = 0; i + 1 < size; i += 2)
        out.push_back(static_cast<wchar_t>(bigEndian ? (b[i] << 8 | b[i + 1]) : (b[i + 1] << 8 | b[i])));
    return out;
}

}  // namespace ui
