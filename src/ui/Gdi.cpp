#include "ui/Gdi.h"
#include <atomic>

namespace ui {

namespace {
std::atomic<long> liveHandles{0};
}

long GdiLiveHandleCount() { return liveHandles.load(); }

namespace detail {
void CountHandle(int delta) { liveHandles += delta; }
} // namespace detail

OffscreenBitmap::OffscreenBitmap(HDC reference, int width, int height)
    : FDc(CreateCompatibleDC(reference)),
      FBitmap(CreateCompatibleBitmap(reference, width > 0 ? width : 1, height > 0 ? height : 1)) {
    if (FDc && FBitmap) FOldBitmap = SelectObject(FDc, FBitmap);
}

DibSurface::DibSurface(int width, int height) : FWidth(width), FHeight(height) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height; // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    FBitmap.Reset(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    FBits = static_cast<DWORD*>(bits);
    FDc.Reset(CreateCompatibleDC(nullptr));
    if (FDc && FBitmap) FOldBitmap = SelectObject(FDc, FBitmap);
}

COLORREF DibSurface::Pixel(int x, int y) const {
    if (!FBits || x < 0 || y < 0 || x >= FWidth || y >= FHeight) return CLR_INVALID;
    GdiFlush();
    DWORD v = FBits[y * FWidth + x];
    return RGB((v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF);
}

void DibSurface::Fill(COLORREF color) {
    if (!FBits) return;
    GdiFlush();
    DWORD v = (GetRValue(color) << 16) | (GetGValue(color) << 8) | GetBValue(color);
    for (int i = 0; i < FWidth * FHeight; ++i) FBits[i] = v;
}

} // namespace ui
