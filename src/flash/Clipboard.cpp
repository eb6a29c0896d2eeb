#include "flash/Clipboard.h"

#include <cstring>
#include <cwchar>

namespace flash {

namespace {

// The clipboard open for the owner's window while this lives. Another program may hold it for
// a moment: a few short waits before giving up.
class TOpenClipboard {
public:
    explicit TOpenClipboard(HWND owner) {
        for (int attempt = 0; attempt < 5 && !FOpen; ++attempt) {
            FOpen = OpenClipboard(owner) != FALSE;
            if (!FOpen) Sleep(10);
        }
    }
    ~TOpenClipboard() {
        if (FOpen) CloseClipboard();
    }
    TOpenClipboard(const TOpenClipboard&) = delete;
    TOpenClipboard& operator=(const TOpenClipboard&) = delete;
    explicit operator bool() const { return FOpen; }

private:
    bool FOpen = false;
};

// Movable global memory, freed unless handed on (the clipboard owns what SetClipboardData took).
class TGlobalMemory {
public:
    explicit TGlobalMemory(size_t bytes) : FHandle(GlobalAlloc(GMEM_MOVEABLE, bytes)) {}
    ~TGlobalMemory() {
        if (FHandle) GlobalFree(FHandle);
    }
    TGlobalMemory(const TGlobalMemory&) = delete;
    TGlobalMemory& operator=(const TGlobalMemory&) = delete;
    HGLOBAL Get() const { return FHandle; }
    HGLOBAL Release() {
        HGLOBAL h = FHandle;
        FHandle = nullptr;
        return h;
    }

private:
    HGLOBAL FHandle;
};

// A global memory block locked while this lives.
template <typename T>
class TGlobalLock {
public:
    explicit TGlobalLock(HGLOBAL handle) : FHandle(handle), FData(static_cast<T*>(GlobalLock(handle))) {}
    ~TGlobalLock() {
        if (FData) GlobalUnlock(FHandle);
    }
    TGlobalLock(const TGlobalLock&) = delete;
    TGlobalLock& operator=(const TGlobalLock&) = delete;
    T* Get() const { return FData; }

private:
    HGLOBAL FHandle;
    T* FData;
};

} // namespace

std::wstring ToClipboardLineBreaks(const std::u16string& text) {
    std::wstring out;
    out.reserve(text.size());
    for (char16_t c : text) {
        if (c == u'\n') out.push_back(L'\r');
        out.push_back(wchar_t(c));
    }
    return out;
}

std::u16string FromClipboardLineBreaks(const wchar_t* text, size_t length) {
    std::u16string out;
    out.reserve(length);
    for (size_t i = 0; i < length; ++i) {
        if (text[i] == L'\r' && i + 1 < length && text[i + 1] == L'\n') continue;
        out.push_back(char16_t(text[i]));
    }
    return out;
}

std::u16string ReadClipboardText(HWND owner) {
    TOpenClipboard open(owner);
    if (!open) return {};
    HANDLE data = GetClipboardData(CF_UNICODETEXT);
    if (!data) return {};
    TGlobalLock<const wchar_t> lock(data);
    if (!lock.Get()) return {};
    // The text ends at its terminator, or at the block's end when a program left that out.
    const size_t length = wcsnlen(lock.Get(), GlobalSize(data) / sizeof(wchar_t));
    return FromClipboardLineBreaks(lock.Get(), length);
}

bool WriteClipboardText(HWND owner, const std::u16string& text) {
    const std::wstring data = ToClipboardLineBreaks(text);
    TGlobalMemory memory((data.size() + 1) * sizeof(wchar_t));
    if (!memory.Get()) return false;
    {
        TGlobalLock<wchar_t> lock(memory.Get());
        if (!lock.Get()) return false;
        std::memcpy(lock.Get(), data.c_str(), (data.size() + 1) * sizeof(wchar_t));
    }
    TOpenClipboard open(owner);
    if (!open || !EmptyClipboard()) return false;
    if (!SetClipboardData(CF_UNICODETEXT, memory.Get())) return false;
    memory.Release();
    return true;
}

} // namespace flash
