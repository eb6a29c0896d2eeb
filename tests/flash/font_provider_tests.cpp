#include "flash/FlashPlayback.h"
#include "flash/WindowsFontProvider.h"
#include "test_movies.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

using flash::WindowsFontProvider;

namespace {

struct Box {
    int xmin = INT_MAX, ymin = INT_MAX, xmax = INT_MIN, ymax = INT_MIN;
};

Box Bounds(const swf::DeviceGlyph& g) {
    Box b;
    for (const auto& s : g.outline)
        for (auto [x, y] : {std::pair{s.x0, s.y0}, std::pair{s.x1, s.y1}}) {
            b.xmin = std::min(b.xmin, x), b.xmax = std::max(b.xmax, x);
            b.ymin = std::min(b.ymin, y), b.ymax = std::max(b.ymax, y);
        }
    return b;
}

int Contours(const swf::DeviceGlyph& g) {
    return int(std::count_if(g.outline.begin(), g.outline.end(), [](const swf::Segment& s) { return s.move; }));
}

// Every contour ends where it started, so even-odd filling sees closed shapes.
bool ContoursClosed(const swf::DeviceGlyph& g) {
    for (size_t i = 0; i < g.outline.size();) {
        size_t j = i + 1;
        while (j < g.outline.size() && !g.outline[j].move) ++j;
        const auto &first = g.outline[i], &last = g.outline[j - 1];
        if (first.x0 != last.x1 || first.y0 != last.y1) return false;
        for (size_t k = i + 1; k < j; ++k)
            if (g.outline[k].x0 != g.outline[k - 1].x1 || g.outline[k].y0 != g.outline[k - 1].y1) return false;
        i = j;
    }
    return true;
}

// A white 200 x 60 stage with one device-font text field ("_sans", 40 px, black) showing `text`.
std::vector<uint8_t> EditTextMovie(const std::string& text) {
    using namespace flash_test;
    std::vector<uint8_t> body = SwfRect(200 * 20, 60 * 20);
    Append(body, {0, 12, 1, 0});  // 12 fps, one frame
    Append(body, Tag(9, {255, 255, 255}));
    std::vector<uint8_t> font;
    Put16(font, 1);
    Append(font, {0, 0, 5, '_', 's', 'a', 'n', 's', 0, 0});  // no flags, no glyphs
    Append(body, Tag(48, font));
    std::vector<uint8_t> field;
    Put16(field, 2);
    Append(field, SwfRect(200 * 20, 60 * 20));
    Append(field, {0x80 | 0x04 | 0x01, 0x00});  // text, colour, font
    Put16(field, 1);
    Put16(field, 40 * 20);
    Append(field, {0, 0, 0, 255, 0});  // black, empty variable name
    field.insert(field.end(), text.begin(), text.end());
    field.push_back(0);
    Append(body, Tag(37, field));
    Append(body, Tag(26, {0x02, 1, 0, 2, 0}));  // PlaceObject2: character 2 at depth 1
    Append(body, Tag(1, {}));
    Append(body, Tag(0, {}));
    return FwsFile(8, body);
}

int DarkPixelsOfTextField(const std::string& text) {
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    const std::wstring path = std::wstring(temp) + L"plumora-device-font-" + std::to_wstring(GetCurrentProcessId()) + L".swf";
    const auto bytes = EditTextMovie(text);
    std::ofstream(path.c_str(), std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    flash::TFlashPlayback player;
    player.LoadMovie(0, path);
    DeleteFileW(path.c_str());
    player.RenderFrame(200, 60);
    return int(std::count_if(player.Pixels().begin(), player.Pixels().end(), [](uint32_t p) {
        return (p & 0xFF) < 96 && (p >> 8 & 0xFF) < 96 && (p >> 16 & 0xFF) < 96;
    }));
}

} // namespace

TEST(FontProviderTest, CapitalAFromSansSitsOnTheBaselineInsideTheEm) {
    WindowsFontProvider fonts;
    std::shared_ptr<const swf::DeviceGlyph> a = fonts.glyph("_sans", false, false, U'A');
    ASSERT_NE(a, nullptr);
    ASSERT_FALSE(a->outline.empty());
    EXPECT_GT(a->advance, 300);
    EXPECT_LT(a->advance, 1024);
    EXPECT_TRUE(ContoursClosed(*a));
    const Box b = Bounds(*a);
    // y down: the apex is well above the baseline, the feet on it.
    EXPECT_LT(b.ymin, -500);
    EXPECT_GE(b.ymin, -1024);
    EXPECT_NEAR(b.ymax, 0, 8);
    EXPECT_GE(b.xmin, -8);
    EXPECT_LE(b.xmax, 1024);
}

TEST(FontProviderTest, ContoursAndBlanks) {
    WindowsFontProvider fonts;
    std::shared_ptr<const swf::DeviceGlyph> space = fonts.glyph("_sans", false, false, U' ');
    ASSERT_NE(space, nullptr);
    EXPECT_TRUE(space->outline.empty());
    EXPECT_GT(space->advance, 0);

    std::shared_ptr<const swf::DeviceGlyph> o = fonts.glyph("_sans", false, false, U'o');
    ASSERT_NE(o, nullptr);
    EXPECT_EQ(Contours(*o), 2);
    EXPECT_TRUE(ContoursClosed(*o));
    EXPECT_TRUE(std::any_of(o->outline.begin(), o->outline.end(), [](const swf::Segment& s) { return s.curve; }));
}

TEST(FontProviderTest, GlyphsAreCachedPerFaceAndStyle) {
    WindowsFontProvider fonts;
    std::shared_ptr<const swf::DeviceGlyph> first = fonts.glyph("_sans", false, false, U'g');
    EXPECT_EQ(fonts.glyph("_sans", false, false, U'g'), first);
    EXPECT_NE(fonts.glyph("_sans", true, false, U'g'), first);
    EXPECT_NE(fonts.glyph("_serif", false, false, U'g'), first);

    std::shared_ptr<const swf::DeviceGlyph> regular = fonts.glyph("_sans", false, false, U'W');
    std::shared_ptr<const swf::DeviceGlyph> bold = fonts.glyph("_sans", true, false, U'W');
    ASSERT_TRUE(regular && bold);
    EXPECT_GE(bold->advance, regular->advance);
}

// The cache starts over once it is full, but a glyph someone holds stays whole; a field with
// more distinct characters than the cache keeps, each used twice, lays out and draws.
TEST(FontProviderTest, FilledCacheStartsOverWithoutFreeingHeldGlyphs) {
    WindowsFontProvider fonts;
    std::shared_ptr<const swf::DeviceGlyph> a = fonts.glyph("_sans", false, false, U'A');
    ASSERT_NE(a, nullptr);
    const swf::DeviceGlyph copy = *a;
    for (char32_t ch = 0x100; ch < 0x100 + 2 * WindowsFontProvider::kMaxGlyphsPerFace; ++ch) fonts.glyph("_sans", false, false, ch);
    EXPECT_EQ(a->advance, copy.advance);
    EXPECT_EQ(a->outline.size(), copy.outline.size());
    std::shared_ptr<const swf::DeviceGlyph> again = fonts.glyph("_sans", false, false, U'A');
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(again->advance, copy.advance);

    std::string cjk;
    for (char32_t ch = 0x4E00; ch < 0x4E00 + 10000; ++ch)
        for (int twice = 0; twice < 2; ++twice)
            cjk += {char(0xE0 | (ch >> 12)), char(0x80 | ((ch >> 6) & 0x3F)), char(0x80 | (ch & 0x3F))};
    EXPECT_GT(DarkPixelsOfTextField(cjk), 20);
}

TEST(FontProviderTest, OddFacesAndCharactersAreSafe) {
    WindowsFontProvider fonts;
    for (const std::string& face : {std::string("No Such Font Anywhere"), std::string(), std::string("\xff\xfe bad utf-8"),
                                    std::string("Arial\0tail", 10),
                                    std::string("a face name far longer than the thirty-one characters GDI keeps")}) {
        std::shared_ptr<const swf::DeviceGlyph> g = fonts.glyph(face, false, false, U'A');
        ASSERT_NE(g, nullptr) << face;
        EXPECT_GT(g->advance, 0);
    }
    EXPECT_EQ(WindowsFontProvider::ResolveFaceName("_typewriter"), L"Courier New");
    EXPECT_EQ(WindowsFontProvider::ResolveFaceName("\xe5\xae\x8b\xe4\xbd\x93"), L"\u5b8b\u4f53");

    for (char32_t ch : {char32_t(0), char32_t(U'\n'), char32_t(0xD800), char32_t(0x1F600), char32_t(0x10FFFF),
                        char32_t(0xFFFFFFFF), char32_t(0xE000), char32_t(0xFFFF)}) {
        std::shared_ptr<const swf::DeviceGlyph> g = fonts.glyph("_sans", false, false, ch);
        if (g) {
            EXPECT_TRUE(ContoursClosed(*g));
        }
    }
    EXPECT_EQ(fonts.glyph("_sans", false, false, 0x1F600), nullptr);
    for (int i = 0; i < int(WindowsFontProvider::kMaxFaces) + 10; ++i)
        EXPECT_NE(fonts.glyph("Face " + std::to_string(i), false, false, U'x'), nullptr);
}

TEST(FontProviderTest, MetricsAreInTheEm) {
    WindowsFontProvider fonts;
    int ascent = 0, descent = 0;
    fonts.metrics("_sans", ascent, descent);
    EXPECT_GT(ascent, 700);
    EXPECT_LT(ascent, 1100);
    EXPECT_GT(descent, 100);
    EXPECT_LT(descent, 400);
    fonts.metrics("\xff", ascent, descent);
    EXPECT_GT(ascent, 0);
}

// The player control draws device text with system letters: words leave ink, and a full stop
// stays a dot (the engine's block fallback would paint a box most of a line tall).
TEST(FontProviderTest, PlayerDrawsDeviceTextWithSystemGlyphs) {
    EXPECT_GT(DarkPixelsOfTextField("Hello"), 150);
    const int dot = DarkPixelsOfTextField(".");
    EXPECT_GT(dot, 0);
    EXPECT_LT(dot, 100);
}
