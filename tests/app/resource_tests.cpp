// The program's resources as the executable carries them: cursors with their hot points, the
// icon, the image-list strips and the JPEG pictures. The window layouts have their own tests
// (window_layout_tests.cpp).
#include "ui/Gdi.h"
#include "ui/Jpeg.h"
#include "ui/Layout.h"

#include <windows.h>

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

HMODULE Exe() { return GetModuleHandleW(nullptr); }

struct CursorFacts {
    POINT hot{-1, -1};
    SIZE size{0, 0};
    bool monochrome = false;
};

CursorFacts ReadCursor(const wchar_t* name) {
    CursorFacts f;
    HCURSOR cursor = LoadCursorW(Exe(), name); // shared resource handle: not destroyed
    if (!cursor) return f;
    ICONINFO info{};
    if (!GetIconInfo(cursor, &info)) return f;
    f.hot = {LONG(info.xHotspot), LONG(info.yHotspot)};
    BITMAP mask{};
    GetObjectW(info.hbmMask, sizeof mask, &mask);
    // A monochrome cursor has no colour bitmap; its mask holds AND over XOR, twice as high.
    f.monochrome = info.hbmColor == nullptr;
    f.size = {mask.bmWidth, f.monochrome ? mask.bmHeight / 2 : mask.bmHeight};
    if (info.hbmMask) DeleteObject(info.hbmMask);
    if (info.hbmColor) DeleteObject(info.hbmColor);
    return f;
}

} // namespace

TEST(Resources, CursorsAreMonochrome32x32WithTheirHotPoints) {
    struct Case { const wchar_t* name; POINT hot; };
    const Case cases[] = {
        {L"WKSPLIT_HORZ", {8, 8}},        {L"WKSPLIT_VERT", {8, 8}},
        {L"WKSPLIT_HORZHOTSPOT", {0, 0}}, {L"WKSPLIT_VERTHOTSPOT", {0, 0}},
        {L"WKCOMMON_HANDCURSOR", {5, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.name, c.name + wcslen(c.name)));
        CursorFacts f = ReadCursor(c.name);
        EXPECT_EQ(f.hot.x, c.hot.x);
        EXPECT_EQ(f.hot.y, c.hot.y);
        EXPECT_EQ(f.size.cx, 32);
        EXPECT_EQ(f.size.cy, 32);
        EXPECT_TRUE(f.monochrome);
    }
}

TEST(Resources, IconBitmapsAndPicturesHaveTheirSizes) {
    HICON icon = static_cast<HICON>(LoadImageW(Exe(), L"MAINICON", IMAGE_ICON, 32, 32, LR_SHARED));
    ASSERT_NE(icon, nullptr);
    ICONINFO info{};
    ASSERT_TRUE(GetIconInfo(icon, &info));
    BITMAP colour{};
    GetObjectW(info.hbmColor, sizeof colour, &colour);
    EXPECT_EQ(colour.bmWidth, 32);
    DeleteObject(info.hbmMask);
    DeleteObject(info.hbmColor);

    struct Strip { const wchar_t* name; int w, h; };
    for (const Strip& s : {Strip{L"IMAGELIST1", 80, 16}, Strip{L"IMAGELIST2", 26, 26}}) {
        ui::BitmapOwner bmp(static_cast<HBITMAP>(LoadImageW(Exe(), s.name, IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
        ASSERT_TRUE(bmp);
        DIBSECTION dib{};
        GetObjectW(bmp, sizeof dib, &dib);
        EXPECT_EQ(dib.dsBm.bmWidth, s.w);
        EXPECT_EQ(dib.dsBm.bmHeight, s.h);
        EXPECT_EQ(dib.dsBm.bmBitsPixel, 24);
        // The top-left pixel is background: the mask colour, magenta.
        const auto* row0 = static_cast<const uint8_t*>(dib.dsBm.bmBits) + size_t(s.h - 1) * dib.dsBm.bmWidthBytes;
        EXPECT_EQ(RGB(row0[2], row0[1], row0[0]), RGB(255, 0, 255));
    }

    struct Picture { const wchar_t* name; int w, h; };
    for (const Picture& p : {Picture{L"BANNER_LEFT", 490, 75}, Picture{L"BANNER_STRETCH", 4, 75},
                             Picture{L"HELP_PICTURE", 214, 108}}) {
        std::string_view data = ui::RcDataResource(p.name);
        ui::TJpegPixels pixels = ui::DecodeJpegPixels(data.data(), data.size());
        EXPECT_EQ(pixels.Width, p.w);
        EXPECT_EQ(pixels.Height, p.h);
    }
}
