// Move-only owners for GDI and USER handles, and a guard that restores a DC's selection.
// An owner deletes its handle when it dies; a plain handle (HPEN, HDC ...) is a borrowed one.
// Every owner takes part in a live-handle count so tests can check that painting leaks nothing.
#pragma once
#include <windows.h>
#include <commctrl.h>
#include <utility>

namespace ui {

// Number of handles currently held by owners of this file (all kinds together).
long GdiLiveHandleCount();

namespace detail {
void CountHandle(int delta);

template <typename H, typename Traits>
class HandleOwner {
public:
    HandleOwner() = default;
    explicit HandleOwner(H h) : FHandle(h) { if (FHandle) CountHandle(+1); }
    HandleOwner(const HandleOwner&) = delete;
    HandleOwner& operator=(const HandleOwner&) = delete;
    HandleOwner(HandleOwner&& o) noexcept : FHandle(std::exchange(o.FHandle, nullptr)) {}
    HandleOwner& operator=(HandleOwner&& o) noexcept {
        if (this != &o) Reset(std::exchange(o.FHandle, nullptr), false);
        return *this;
    }
    ~HandleOwner() { Reset(); }

    H Get() const { return FHandle; }
    operator H() const { return FHandle; }
    explicit operator bool() const { return FHandle != nullptr; }

    // Takes ownership of h (the old handle is destroyed).
    void Reset(H h = nullptr) { Reset(h, true); }
    // Gives the handle up without destroying it.
    [[nodiscard]] H Release() { if (FHandle) CountHandle(-1); return std::exchange(FHandle, nullptr); }

private:
    void Reset(H h, bool count) {
        if (FHandle) { Traits::Destroy(FHandle); CountHandle(-1); }
        FHandle = h;
        if (FHandle && count) CountHandle(+1);
    }
    H FHandle = nullptr;
};

struct GdiObjectTraits { static void Destroy(HGDIOBJ h) { DeleteObject(h); } };
struct DcTraits { static void Destroy(HDC h) { DeleteDC(h); } };
struct IconTraits { static void Destroy(HICON h) { DestroyIcon(h); } };
struct CursorTraits { static void Destroy(HCURSOR h) { DestroyCursor(h); } };
struct MenuTraits { static void Destroy(HMENU h) { DestroyMenu(h); } };
struct ImageListTraits { static void Destroy(HIMAGELIST h) { ImageList_Destroy(h); } };
} // namespace detail

using PenOwner = detail::HandleOwner<HPEN, detail::GdiObjectTraits>;
using BrushOwner = detail::HandleOwner<HBRUSH, detail::GdiObjectTraits>;
using FontOwner = detail::HandleOwner<HFONT, detail::GdiObjectTraits>;
using BitmapOwner = detail::HandleOwner<HBITMAP, detail::GdiObjectTraits>;
using RegionOwner = detail::HandleOwner<HRGN, detail::GdiObjectTraits>;
using PaletteOwner = detail::HandleOwner<HPALETTE, detail::GdiObjectTraits>;
using MemoryDcOwner = detail::HandleOwner<HDC, detail::DcTraits>;   // from CreateCompatibleDC
using IconOwner = detail::HandleOwner<HICON, detail::IconTraits>;
using CursorOwner = detail::HandleOwner<HCURSOR, detail::CursorTraits>; // created cursors only, not LoadCursor
using MenuOwner = detail::HandleOwner<HMENU, detail::MenuTraits>;
using ImageListOwner = detail::HandleOwner<HIMAGELIST, detail::ImageListTraits>;

// Selects an object into a DC and puts the previous one back when the guard dies.
class SelectGuard {
public:
    SelectGuard(HDC dc, HGDIOBJ obj) : FDc(dc), FOld(obj ? SelectObject(dc, obj) : nullptr) {}
    SelectGuard(const SelectGuard&) = delete;
    SelectGuard& operator=(const SelectGuard&) = delete;
    ~SelectGuard() { if (FOld) SelectObject(FDc, FOld); }

private:
    HDC FDc;
    HGDIOBJ FOld;
};

// Saves the whole DC state (selections, clip, modes) and restores it when the guard dies.
class DcStateGuard {
public:
    explicit DcStateGuard(HDC dc) : FDc(dc), FSaved(SaveDC(dc)) {}
    DcStateGuard(const DcStateGuard&) = delete;
    DcStateGuard& operator=(const DcStateGuard&) = delete;
    ~DcStateGuard() { if (FSaved) RestoreDC(FDc, FSaved); }

private:
    HDC FDc;
    int FSaved;
};

// A window's DC from GetDC (the client area) or GetWindowDC (the whole window, frame
// included), released on scope exit.
class WindowDc {
public:
    enum TArea { Client, WholeWindow };
    explicit WindowDc(HWND wnd, TArea area = Client) : FWnd(wnd), FDc(area == Client ? GetDC(wnd) : GetWindowDC(wnd)) {
        if (FDc) detail::CountHandle(+1);
    }
    WindowDc(const WindowDc&) = delete;
    WindowDc& operator=(const WindowDc&) = delete;
    ~WindowDc() { if (FDc) { ReleaseDC(FWnd, FDc); detail::CountHandle(-1); } }
    HDC Get() const { return FDc; }
    operator HDC() const { return FDc; }

private:
    HWND FWnd;
    HDC FDc;
};

// A memory DC with a selected bitmap of the given size, compatible with `reference`:
// the off-screen surface of double-buffered painting and of gradient building.
class OffscreenBitmap {
public:
    OffscreenBitmap(HDC reference, int width, int height);
    HDC Dc() const { return FDc; }
    HBITMAP Bitmap() const { return FBitmap; }
    explicit operator bool() const { return FDc && FBitmap; }

private:
    MemoryDcOwner FDc;
    BitmapOwner FBitmap;
    HGDIOBJ FOldBitmap = nullptr;
public:
    ~OffscreenBitmap() { if (FOldBitmap) SelectObject(FDc, FOldBitmap); }
    OffscreenBitmap(const OffscreenBitmap&) = delete;
    OffscreenBitmap& operator=(const OffscreenBitmap&) = delete;
};

// A 32-bit top-down DIB section selected into its own memory DC, with direct pixel access:
// pixels are 0x00RRGGBB per DWORD. Tests paint into one and read exact pixels.
class DibSurface {
public:
    DibSurface(int width, int height);
    ~DibSurface() { if (FOldBitmap) SelectObject(FDc, FOldBitmap); }
    DibSurface(const DibSurface&) = delete;
    DibSurface& operator=(const DibSurface&) = delete;

    HDC Dc() const { return FDc; }
    int Width() const { return FWidth; }
    int Height() const { return FHeight; }
    DWORD* Bits() const { return FBits; }
    // The pixel as a COLORREF (0x00BBGGRR), or CLR_INVALID outside the surface.
    COLORREF Pixel(int x, int y) const;
    void Fill(COLORREF color);

private:
    int FWidth, FHeight;
    DWORD* FBits = nullptr;
    MemoryDcOwner FDc;
    BitmapOwner FBitmap;
    HGDIOBJ FOldBitmap = nullptr;
};

} // namespace ui
