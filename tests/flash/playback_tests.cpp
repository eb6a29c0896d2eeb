#include "flash/FlashPlayback.h"
#include "test_movies.h"
#include "ui/Gdi.h"

#include <windows.h>

#include <cstdint>
#include <fstream>
#include <gtest/gtest.h>
#include <string>
#include <vector>

using namespace flash;
using flash_test::StageMovie;

namespace {

// A temporary folder, removed with its files.
class TempDir {
public:
    TempDir() {
        wchar_t temp[MAX_PATH];
        GetTempPathW(MAX_PATH, temp);
        FPath = std::wstring(temp) + L"plumora-flash-" + std::to_wstring(GetCurrentProcessId()) + L"\\";
        CreateDirectoryW(FPath.c_str(), nullptr);
    }
    ~TempDir() {
        for (const auto& f : FFiles) DeleteFileW(f.c_str());
        RemoveDirectoryW((FPath + L"sub.swf").c_str());
        RemoveDirectoryW(FPath.c_str());
    }
    std::wstring Write(const std::wstring& name, const std::vector<uint8_t>& data) {
        std::wstring path = FPath + name;
        HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        DWORD written = 0;
        if (h != INVALID_HANDLE_VALUE) {
            WriteFile(h, data.data(), DWORD(data.size()), &written, nullptr);
            CloseHandle(h);
        }
        FFiles.push_back(path);
        return path;
    }
    const std::wstring& Path() const { return FPath; }

private:
    std::wstring FPath;
    std::vector<std::wstring> FFiles;
};

const COLORREF kRed = RGB(255, 0, 0);
const COLORREF kBlue = RGB(0, 0, 255);

std::wstring ErrorOf(TFlashPlayback& p, int layer, const std::wstring& url) {
    try {
        p.LoadMovie(layer, url);
    } catch (const EOleError& e) {
        EXPECT_GT(std::string(e.what()).size(), 10u); // the UTF-8 twin for what()-only catchers
        return e.Message();
    }
    return L"";
}

} // namespace

TEST(FlashPlayback, PropertyPutsByDispatchId) {
    TFlashPlayback p;
    p.PutPropertyById(DISPID_SCALEMODE, smNoScale);
    p.PutPropertyById(DISPID_ALIGNMODE, amLeft | amTop);
    p.PutPropertyById(DISPID_BACKGROUNDCOLOR, 0);
    EXPECT_EQ(p.ScaleMode(), smNoScale);
    EXPECT_EQ(p.AlignMode(), amLeft | amTop);
    EXPECT_EQ(p.BackgroundColor(), 0);
    EXPECT_EQ(p.SurroundColor(), RGB(0, 0, 0));
    EXPECT_EQ(p.StageColor(), RGB(255, 255, 255)); // the host colour never reaches the stage

    // Out-of-range values fall back quietly, as the control's own setters do.
    p.PutPropertyById(DISPID_SCALEMODE, 7);
    EXPECT_EQ(p.ScaleMode(), smShowAll);
    p.PutPropertyById(DISPID_BACKGROUNDCOLOR, -5);
    EXPECT_EQ(p.BackgroundColor(), -1);
    EXPECT_EQ(p.SurroundColor(), RGB(255, 255, 255)); // no movie, no host colour: white
    p.PutPropertyById(DISPID_BACKGROUNDCOLOR, 0x12345678);
    EXPECT_EQ(p.SurroundColor(), RGB(0x34, 0x56, 0x78));

    for (int id : {0, 119, 122, 124, -1}) {
        try {
            p.PutPropertyById(id, 0);
            ADD_FAILURE() << "dispatch id " << id << " was accepted";
        } catch (const EOleError& e) {
            EXPECT_NE(e.Message().find(std::to_wstring(id)), std::wstring::npos);
        }
    }
}

TEST(FlashPlayback, BadFilesRaiseAClearErrorAndKeepTheCurrentMovie) {
    TempDir dir;
    std::wstring good = dir.Write(L"good.swf", StageMovie(100, 50, 3, 10, kBlue, kRed));
    std::wstring text = dir.Write(L"Broken.swf", {'n', 'o', 't', ' ', 'a', ' ', 'm', 'o', 'v', 'i', 'e'});
    std::wstring empty = dir.Write(L"empty.swf", {});
    std::vector<uint8_t> cut = StageMovie(100, 50, 3, 10, kBlue, kRed);
    cut.resize(5);
    std::wstring truncated = dir.Write(L"cut.swf", cut);
    CreateDirectoryW((dir.Path() + L"sub.swf").c_str(), nullptr);

    TFlashPlayback p;
    p.LoadMovie(0, good);
    p.Play();
    p.Tick();
    ASSERT_EQ(p.CurrentFrame(), 1);

    EXPECT_NE(ErrorOf(p, 0, dir.Path() + L"missing.swf").find(L"Cannot open the movie file"), std::wstring::npos);
    EXPECT_NE(ErrorOf(p, 0, dir.Path() + L"sub.swf").find(L"Cannot open the movie file"), std::wstring::npos);
    for (const auto& bad : {text, empty, truncated})
        EXPECT_NE(ErrorOf(p, 0, bad).find(L"Not a readable Flash movie"), std::wstring::npos);
    EXPECT_NE(ErrorOf(p, 0, L"http://example.org/game.swf").find(L"Not a local file path"), std::wstring::npos);
    EXPECT_NE(ErrorOf(p, 0, L"").find(L"Not a local file path"), std::wstring::npos);
    EXPECT_FALSE(ErrorOf(p, 1, good).empty());

    EXPECT_EQ(p.MoviePath(), good);
    EXPECT_EQ(p.CurrentFrame(), 1);
}

TEST(FlashPlayback, LoadsFromAnyUnicodePathAndAdvancesOneFramePerTick) {
    TempDir dir;
    std::wstring path = dir.Write(L"Crème brûlée ☕ 游戏.swf", StageMovie(100, 50, 3, 25, kBlue, kRed));
    TFlashPlayback p;
    EXPECT_FALSE(p.Tick()); // nothing loaded: nothing to advance
    EXPECT_EQ(p.FrameInterval(), 0u);

    p.LoadMovie(0, path);
    EXPECT_TRUE(p.HasMovie());
    EXPECT_EQ(p.FrameInterval(), 40u); // 25 frames per second
    EXPECT_EQ(p.FrameCount(), 3);
    EXPECT_EQ(p.CurrentFrame(), 0);
    p.Play();
    EXPECT_TRUE(p.Playing());
    std::vector<int> frames;
    for (int i = 0; i < 4; ++i) {
        EXPECT_TRUE(p.Tick());
        frames.push_back(p.CurrentFrame());
    }
    EXPECT_EQ(frames, (std::vector<int>{1, 2, 0, 1})); // loops at the end
}

// The stage (a red rectangle filling a 100 x 50 movie) in a 300 x 100 client on black.
TEST(FlashPlayback, StagePlacementFollowsScaleAndAlignModes) {
    TempDir dir;
    std::wstring path = dir.Write(L"stage.swf", StageMovie(100, 50, 1, 12, kBlue, kRed));
    TFlashPlayback p;
    p.LoadMovie(0, path);
    p.PutPropertyById(DISPID_BACKGROUNDCOLOR, 0);

    struct Case { int scale, align; ui::Rect stage; };
    const Case cases[] = {
        {smShowAll, 0, {50, 0, 250, 100}},
        {smShowAll, amLeft, {0, 0, 200, 100}},
        {smShowAll, amRight | amBottom, {100, 0, 300, 100}},
        {smNoScale, 0, {100, 25, 200, 75}},
        {smNoScale, amRight | amTop, {200, 0, 300, 50}},
        {smNoScale, amLeft | amBottom, {0, 50, 100, 100}},
        {smExactFit, amRight, {0, 0, 300, 100}},
        {smNoBorder, 0, {0, -25, 300, 125}},
    };
    long handles = ui::GdiLiveHandleCount();
    for (const Case& c : cases) {
        p.PutPropertyById(DISPID_SCALEMODE, c.scale);
        p.PutPropertyById(DISPID_ALIGNMODE, c.align);
        SCOPED_TRACE("scale " + std::to_string(c.scale) + " align " + std::to_string(c.align));
        EXPECT_EQ(p.StageRect(300, 100), c.stage);

        // The painted picture agrees with the computed placement, on both sides of each edge.
        ui::DibSurface dib(300, 100);
        dib.Fill(RGB(0, 255, 0));
        p.Paint(dib.Dc(), 300, 100, {0, 0, 300, 100});
        ui::Rect s = c.stage.Intersected({0, 0, 300, 100});
        int midY = (s.top + s.bottom) / 2, midX = (s.left + s.right) / 2;
        EXPECT_EQ(dib.Pixel(s.left, midY), kRed);
        EXPECT_EQ(dib.Pixel(s.right - 1, midY), kRed);
        EXPECT_EQ(dib.Pixel(midX, s.top), kRed);
        EXPECT_EQ(dib.Pixel(midX, s.bottom - 1), kRed);
        if (s.left > 0) {
            EXPECT_EQ(dib.Pixel(s.left - 1, midY), RGB(0, 0, 0));
        }
        if (s.right < 300) {
            EXPECT_EQ(dib.Pixel(s.right, midY), RGB(0, 0, 0));
        }
        if (s.top > 0) {
            EXPECT_EQ(dib.Pixel(midX, s.top - 1), RGB(0, 0, 0));
        }
        if (s.bottom < 100) {
            EXPECT_EQ(dib.Pixel(midX, s.bottom), RGB(0, 0, 0));
        }
    }
    EXPECT_EQ(ui::GdiLiveHandleCount(), handles);
}

// The host colour fills only the area around the stage; the stage shows the movie's colour, or
// white when it declares none, so dark ink on a light stage stays visible on a black pane.
TEST(FlashPlayback, HostColourFillsOnlyTheSurroundOfTheStage) {
    TempDir dir;
    // A 100 x 50 stage with a 20 x 10 black rectangle in its top-left corner.
    std::wstring declared = dir.Write(L"bg.swf", StageMovie(100, 50, 1, 12, kBlue, RGB(0, 0, 0), 20, 10));
    std::wstring undeclared = dir.Write(L"nobg.swf", StageMovie(100, 50, 1, 12, CLR_NONE, RGB(0, 0, 0), 20, 10));
    TFlashPlayback p;
    ui::DibSurface dib(300, 100);
    p.PutPropertyById(DISPID_BACKGROUNDCOLOR, 0x00FF00); // 0xRRGGBB: green
    p.Paint(dib.Dc(), 300, 100, {0, 0, 300, 100});
    EXPECT_EQ(dib.Pixel(150, 50), RGB(0, 255, 0)); // no movie: all surround

    // Show all: the stage is 200 x 100 at x 50..250, pillarboxed.
    p.LoadMovie(0, undeclared);
    p.Paint(dib.Dc(), 300, 100, {0, 0, 300, 100});
    EXPECT_EQ(dib.Pixel(49, 50), RGB(0, 255, 0));
    EXPECT_EQ(dib.Pixel(50, 50), RGB(255, 255, 255));
    EXPECT_EQ(dib.Pixel(249, 99), RGB(255, 255, 255));
    EXPECT_EQ(dib.Pixel(250, 50), RGB(0, 255, 0));
    EXPECT_EQ(dib.Pixel(60, 5), RGB(0, 0, 0)); // the movie's ink on its white stage

    // Black host colour (what the program sets before each load) at the stage's own size.
    p.LoadMovie(0, declared);
    p.PutPropertyById(DISPID_BACKGROUNDCOLOR, 0);
    p.PutPropertyById(DISPID_SCALEMODE, smNoScale);
    p.Paint(dib.Dc(), 300, 100, {0, 0, 300, 100}); // stage at 100..200 x 25..75
    EXPECT_EQ(dib.Pixel(99, 50), RGB(0, 0, 0));
    EXPECT_EQ(dib.Pixel(150, 24), RGB(0, 0, 0));
    EXPECT_EQ(dib.Pixel(150, 50), kBlue);
    EXPECT_EQ(dib.Pixel(199, 74), kBlue);
    EXPECT_EQ(dib.Pixel(200, 50), RGB(0, 0, 0));

    // -1: the movie's colour everywhere.
    p.PutPropertyById(DISPID_BACKGROUNDCOLOR, -1);
    p.Paint(dib.Dc(), 300, 100, {0, 0, 300, 100});
    EXPECT_EQ(dib.Pixel(0, 0), kBlue);
    EXPECT_EQ(dib.Pixel(150, 50), kBlue);
}

// An ActionScript 3 movie cannot run here: the pane shows the notice on the movie's background
// and the timeline stays. Marked ActionScript 3 without code, a movie is only a picture and plays.
TEST(FlashPlayback, ActionScript3MoviesShowTheNoticeInstead) {
    using flash_test::Tag;
    std::vector<uint8_t> as3 = Tag(69, {0x08, 0, 0, 0});  // FileAttributes: ActionScript 3
    flash_test::Append(as3, Tag(82, {1, 0, 0, 0, 'm', 0, 0x10, 0, 0x2E, 0}));  // DoABC
    flash_test::TempMovie coded(StageMovie(200, 100, 3, 12, RGB(255, 255, 204), kRed, 0, 0, as3));
    TFlashPlayback p;
    p.LoadMovie(0, coded.Path());
    p.Play();
    ASSERT_TRUE(p.NeedsActionScript3());
    EXPECT_FALSE(p.Tick());
    p.RenderFrame(400, 100);
    const auto& px = p.Pixels();
    EXPECT_EQ(px[0], 0xFFFFCCu);  // the movie's background, not the red shape or black
    EXPECT_EQ(px[px.size() - 1], 0xFFFFCCu);
    int ink = 0, ink_outside_middle = 0;
    for (int y = 0; y < 100; ++y)
        for (int x = 0; x < 400; ++x)
            if ((px[size_t(y) * 400 + x] & 0xFFFFFF) != 0xFFFFCC) (y >= 30 && y < 70 ? ink : ink_outside_middle)++;
    EXPECT_GT(ink, 200);  // the notice, centred
    EXPECT_EQ(ink_outside_middle, 0);

    flash_test::TempMovie picture(StageMovie(200, 100, 3, 12, RGB(255, 255, 204), kRed, 0, 0, Tag(69, {0x08, 0, 0, 0})));
    p.LoadMovie(0, picture.Path());
    p.Play();
    EXPECT_FALSE(p.NeedsActionScript3());
    EXPECT_TRUE(p.Tick());
}

// A damaged movie still plays, and what the loader worked around reaches the error channel.
TEST(FlashPlayback, LoaderWarningsReachTheErrorHandler) {
    std::vector<uint8_t> bytes = StageMovie(100, 50, 2, 12, kBlue, kRed);
    bytes.resize(bytes.size() - 6);  // the last ShowFrame and End tag cut off
    flash_test::TempMovie cut(bytes);
    TFlashPlayback p;
    std::vector<std::string> errors;
    p.SetErrorHandler([&](const std::string& e) { errors.push_back(e); });
    p.LoadMovie(0, cut.Path());
    EXPECT_TRUE(p.HasMovie());
    ASSERT_FALSE(errors.empty());
    EXPECT_NE(errors.back().find("the file ends before the movie does"), std::string::npos);
}
