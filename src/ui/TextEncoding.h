// How the bytes of a text file are read: by its byte-order mark, as UTF-8 when they are
// well-formed UTF-8 with a non-ASCII character, else in the system code page. Plain C++ (no
// system calls), so that it is fuzzed on its own; the code page itself is the caller's.
#pragma once

#include <cstddef>
#include <string>

namespace ui {

enum class TTextEncoding { CodePage, Utf8, Utf16Le, Utf16Be };

struct TTextFormat {
    TTextEncoding Encoding = TTextEncoding::CodePage;
    std::size_t MarkBytes = 0;  // the byte-order mark to skip
};

TTextFormat DetectTextFormat(const char* data, std::size_t size);

// Well-formed UTF-8: no stray continuation bytes, no over-long forms, no surrogates, nothing
// past U+10FFFF, and no sequence cut short at the end.
bool IsWellFormedUtf8(const char* data, std::size_t size);

// UTF-16 code units from the bytes, in the given order; an odd last byte is left out.
std::wstring DecodeUtf16(const char* data, std::size_t size, bool bigEndian);

}  // namespace ui
