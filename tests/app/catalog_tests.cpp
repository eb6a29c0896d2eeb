#include "app/FrmFlashGame.h"
#include "app/GameCatalog.h"
#include "flash/MovieLoader.h"
#include "ui/FilePath.h"

#include <windows.h>

#include <algorithm>
#include <gtest/gtest.h>
#include <string>
#include <vector>

using namespace app;

namespace {

// A fresh install folder under %TEMP% with a FlashFiles sub-folder, removed afterwards.
class InstallFolder {
public:
    InstallFolder() {
        wchar_t temp[MAX_PATH];
        GetTempPathW(MAX_PATH, temp);
        FRoot = std::wstring(temp) + L"plumora-catalog-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                std::to_wstring(GetTickCount()) + L"\\";
        CreateDirectoryW(FRoot.c_str(), nullptr);
    }
    ~InstallFolder() { RemoveTree(FRoot); }
    const std::wstring& Dir() const { return FRoot; }
    std::wstring Flash() const { return FRoot + L"FlashFiles\\"; }
    void MakeFlashFiles() const { CreateDirectoryW(Flash().c_str(), nullptr); }
    void AddFile(const std::wstring& name, DWORD attributes = FILE_ATTRIBUTE_NORMAL) const {
        HANDLE h = CreateFileW((Flash() + name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, attributes, nullptr);
        ASSERT_NE(h, INVALID_HANDLE_VALUE) << "cannot create test file";
        CloseHandle(h);
    }

private:
    static void RemoveTree(const std::wstring& dir) {
        WIN32_FIND_DATAW f;
        HANDLE h = FindFirstFileW(ui::ExtendedLengthPath(dir + L"*").c_str(), &f);
        if (h != INVALID_HANDLE_VALUE) {
            do {
                std::wstring name = f.cFileName;
                if (name == L"." || name == L"..") continue;
                std::wstring path = dir + name;
                SetFileAttributesW(ui::ExtendedLengthPath(path).c_str(), FILE_ATTRIBUTE_NORMAL);
                if (f.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                    RemoveTree(path + L"\\");
                else
                    DeleteFileW(ui::ExtendedLengthPath(path).c_str());
            } while (FindNextFileW(h, &f));
            FindClose(h);
        }
        RemoveDirectoryW(ui::ExtendedLengthPath(dir).c_str());
    }
    std::wstring FRoot;
};

std::vector<std::wstring> Texts(const std::vector<TGameEntry>& games) {
    std::vector<std::wstring> t;
    for (const auto& g : games) t.push_back(g.Text);
    return t;
}

const TGameEntry* Find(const std::vector<TGameEntry>& games, const std::wstring& text) {
    auto it = std::find_if(games.begin(), games.end(), [&](const TGameEntry& g) { return g.Text == text; });
    return it == games.end() ? nullptr : &*it;
}

} // namespace

TEST(AppDir, KeepsTheDirectoryPartWithExactlyOneTrailingBackslash) {
    EXPECT_EQ(ComputeAppDir(L"C:\\Games\\Plumora\\Plumora.exe"), L"C:\\Games\\Plumora\\");
    EXPECT_EQ(ComputeAppDir(L"C:\\Plumora.exe"), L"C:\\");
    EXPECT_EQ(ComputeAppDir(L"C:Plumora.exe"), L"C:\\");
    EXPECT_EQ(ComputeAppDir(L"\\\\server\\share\\Plumora.exe"), L"\\\\server\\share\\");
    EXPECT_EQ(ComputeAppDir(L"C:\\游戏 ☕\\Plumora.exe"), L"C:\\游戏 ☕\\");
    EXPECT_EQ(ComputeAppDir(L"Plumora.exe"), L"\\");
    std::wstring here = CurrentAppDir();
    ASSERT_FALSE(here.empty());
    EXPECT_EQ(here.back(), L'\\');
    EXPECT_NE(here.substr(here.size() - 2), L"\\\\");
}

TEST(GameNames, DropOnlyTheLastExtensionAndPointAtTheTxtBeside) {
    EXPECT_EQ(GameNameOf(L"Tank.SWF"), L"Tank");
    EXPECT_EQ(GameNameOf(L"Space.Invaders.swf"), L"Space.Invaders");
    EXPECT_EQ(GameNameOf(L".swf"), L"");
    EXPECT_EQ(GameNameOf(L"NoExtension"), L"NoExtension");
    EXPECT_EQ(GameNameOf(L"dir.v2\\Tank"), L"dir.v2\\Tank"); // a dot before a separator is no extension

    TNodeData d = MakeNodeData(L"C:\\P\\", L"a.b.swf");
    EXPECT_EQ(d.SwfFile, L"C:\\P\\FlashFiles\\a.b.swf");
    EXPECT_EQ(d.DocFile, L"C:\\P\\DocFiles\\a.b.txt");
    EXPECT_EQ(MakeNodeData(L"C:\\P\\", L".swf").DocFile, L"C:\\P\\DocFiles\\.txt");
    EXPECT_EQ(MakeNodeData(L"C:\\P\\", L"Tank.SWF").DocFile, L"C:\\P\\DocFiles\\Tank.txt");

    EXPECT_TRUE(HasSwfExtension(L"Tank.SwF"));
    EXPECT_TRUE(HasSwfExtension(L".swf"));
    EXPECT_FALSE(HasSwfExtension(L"Tank.swfx"));
    EXPECT_FALSE(HasSwfExtension(L"Tank.sw"));
    EXPECT_FALSE(HasSwfExtension(L"swf"));
}

TEST(FindGames, ListsEveryKindOfMatchingEntryWithItsPaths) {
    InstallFolder install;
    install.MakeFlashFiles();
    install.AddFile(L"Tank.SWF");
    install.AddFile(L"a.b.swf");
    install.AddFile(L".swf");
    install.AddFile(L"Hidden.swf", FILE_ATTRIBUTE_HIDDEN);
    install.AddFile(L"System.swf", FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_READONLY);
    install.AddFile(L"Crème brûlée ☕.swf"); // not representable in GBK
    install.AddFile(L"readme.txt");
    install.AddFile(L"Other.swfx");
    ASSERT_TRUE(CreateDirectoryW((install.Flash() + L"x.swf").c_str(), nullptr));

    auto games = FindGames(install.Dir());
    auto texts = Texts(games);
    std::vector<std::wstring> sorted = texts;
    std::sort(sorted.begin(), sorted.end());
    EXPECT_EQ(sorted, (std::vector<std::wstring>{L"", L"Crème brûlée ☕", L"Hidden", L"System", L"Tank", L"a.b", L"x"}));

    const TGameEntry* tank = Find(games, L"Tank");
    ASSERT_NE(tank, nullptr);
    EXPECT_EQ(tank->Data.SwfFile, install.Dir() + L"FlashFiles\\Tank.SWF");
    EXPECT_EQ(tank->Data.DocFile, install.Dir() + L"DocFiles\\Tank.txt");

    const TGameEntry* creme = Find(games, L"Crème brûlée ☕");
    ASSERT_NE(creme, nullptr);
    EXPECT_EQ(creme->Data.DocFile, install.Dir() + L"DocFiles\\Crème brûlée ☕.txt");
    EXPECT_NE(GetFileAttributesW(creme->Data.SwfFile.c_str()), INVALID_FILE_ATTRIBUTES); // the path really reaches it

    const TGameEntry* dir = Find(games, L"x");
    ASSERT_NE(dir, nullptr);
    EXPECT_TRUE(GetFileAttributesW(dir->Data.SwfFile.c_str()) & FILE_ATTRIBUTE_DIRECTORY);
}

TEST(FindGames, KeepsTheDirectorySearchOrder) {
    InstallFolder install;
    install.MakeFlashFiles();
    for (const wchar_t* name : {L"zeta.swf", L"Alpha.swf", L"mid.swf", L"Beta.swf", L"_first.swf"}) install.AddFile(name);

    std::vector<std::wstring> searchOrder;
    WIN32_FIND_DATAW f;
    HANDLE h = FindFirstFileW((install.Flash() + L"*.swf").c_str(), &f);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    do searchOrder.push_back(GameNameOf(f.cFileName));
    while (FindNextFileW(h, &f));
    FindClose(h);

    EXPECT_EQ(Texts(FindGames(install.Dir())), searchOrder);
}

TEST(FindGames, MissingOrEmptyFolderGivesNoGames) {
    InstallFolder install;
    EXPECT_TRUE(FindGames(install.Dir()).empty()); // no FlashFiles at all
    install.MakeFlashFiles();
    EXPECT_TRUE(FindGames(install.Dir()).empty());
    EXPECT_TRUE(FindGames(L"Q:\\does\\not\\exist\\").empty());
}

TEST(FindGames, AFlashFilesThatIsAFileGivesNoGames) {
    InstallFolder install;
    HANDLE h = CreateFileW((install.Dir() + L"FlashFiles").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    CloseHandle(h);
    EXPECT_TRUE(FindGames(install.Dir()).empty());
}

// Paths past the old limit of MAX_PATH characters reach the file functions with the prefix that
// lifts it; the path a user sees stays as it was.
TEST(LongPaths, GetThePrefixFromTheLimitOnAndShortOnesStayAsTheyAre) {
    const std::wstring tail(300, L'x');
    EXPECT_EQ(ui::ExtendedLengthPath(L"C:\\games\\a.swf"), L"C:\\games\\a.swf");
    EXPECT_EQ(ui::ExtendedLengthPath(L"C:\\a\\..\\b/" + tail), L"\\\\?\\C:\\b\\" + tail);
    EXPECT_EQ(ui::ExtendedLengthPath(L"\\\\server\\share\\" + tail), L"\\\\?\\UNC\\server\\share\\" + tail);
    EXPECT_EQ(ui::ExtendedLengthPath(L"\\\\?\\C:\\" + tail), L"\\\\?\\C:\\" + tail);
    EXPECT_EQ(ui::ExtendedLengthPath(L"relative\\" + tail), L"relative\\" + tail);
}

TEST(LongPaths, AnInstallFolderDeeperThanTheOldLimitListsStartsAndReadsItsGames) {
    InstallFolder install;
    std::wstring dir = install.Dir();
    while (dir.size() < 300) {
        dir += std::wstring(40, L'd') + L"\\";
        ASSERT_TRUE(CreateDirectoryW(ui::ExtendedLengthPath(dir).c_str(), nullptr));
    }
    ASSERT_TRUE(CreateDirectoryW(ui::ExtendedLengthPath(dir + L"FlashFiles").c_str(), nullptr));
    // A one-frame movie: header, empty frame rectangle, 12 fps, 1 frame, ShowFrame, End.
    const char movie[] = {'F', 'W', 'S', 6, 17, 0, 0, 0, 0, 0, 12, 1, 0, 0x40, 0, 0, 0};
    HANDLE h = CreateFileW(ui::ExtendedLengthPath(dir + L"FlashFiles\\Deep.swf").c_str(), GENERIC_WRITE, 0, nullptr,
                           CREATE_NEW, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    WriteFile(h, movie, sizeof movie, &written, nullptr);
    CloseHandle(h);

    const auto games = FindGames(dir);
    ASSERT_EQ(Texts(games), std::vector<std::wstring>{L"Deep"});
    EXPECT_EQ(games[0].Data.SwfFile, dir + L"FlashFiles\\Deep.swf");
    EXPECT_TRUE(RegularFileExists(games[0].Data.SwfFile));
    EXPECT_EQ(flash::MovieFileSize(games[0].Data.SwfFile), sizeof movie);
    EXPECT_EQ(flash::ReadMovieFile(games[0].Data.SwfFile).size(), sizeof movie);
    EXPECT_NE(flash::ParseMovie(flash::ReadMovieFile(games[0].Data.SwfFile)), nullptr);
    DeleteFileW(ui::ExtendedLengthPath(dir + L"FlashFiles\\Deep.swf").c_str());
}
