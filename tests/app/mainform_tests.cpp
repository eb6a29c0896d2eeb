// The main window as the program builds it from its layout: start-up, catalog in the tree,
// remembering the pressed node, starting games and the two message boxes, the maximise-once
// rule, the minimum size, the scale buttons and the two dialogs.
#include "app/FrmDoc.h"
#include "app/FrmFlashGame.h"
#include "flash/ShockwaveFlash.h"
#include "ui/Application.h"
#include "ui/Menu.h"
#include "widgets/WkSplitter.h"
#include "widgets/WkStatusBar.h"
#include "widgets/WkTreeView.h"
#include "../common/installed_control.h"
#include <gtest/gtest.h>
#include <filesystem>
#include <fstream>
#include <memory>

using namespace app;

namespace {

// A movie the player can read: an uncompressed header with an empty frame.
void WriteMinimalSwf(const std::wstring& path) {
    // 400 x 300 pixels, 12 fps, one empty frame.
    const unsigned char movie[] = {0x46, 0x57, 0x53, 0x06, 0x19, 0x00, 0x00, 0x00, 0x78, 0x00, 0x03, 0xE8, 0x00,
                                   0x00, 0x0B, 0xB8, 0x00, 0x00, 0x0C, 0x01, 0x00, 0x40, 0x00, 0x00, 0x00};
    std::ofstream(std::filesystem::path(path), std::ios::binary).write(reinterpret_cast<const char*>(movie), sizeof(movie));
}

void WriteBytes(const std::wstring& path, const std::string& bytes) {
    std::ofstream(std::filesystem::path(path), std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

BOOL CALLBACK FindMultiLineEdit(HWND window, LPARAM found) {
    if (!(GetWindowLongW(window, GWL_STYLE) & ES_MULTILINE)) return TRUE;
    *reinterpret_cast<HWND*>(found) = window;
    return FALSE;
}

struct Box {
    std::wstring text, caption;
    UINT flags;
};

// Lays out an install folder beside the test program: the catalog reads FlashFiles there.
class MainWindow : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        RegisterProgramClasses();
        ui::Application().Initialize();
        std::wstring dir = CurrentAppDir();
        CreateDirectoryW((dir + L"FlashFiles").c_str(), nullptr);
        CreateDirectoryW((dir + L"DocFiles").c_str(), nullptr);
        WriteMinimalSwf(dir + L"FlashFiles\\Tank.swf");
        WriteMinimalSwf(dir + L"FlashFiles\\Ball.swf");
        WriteBytes(dir + L"FlashFiles\\Broken.swf", "not a movie");
        // ActionScript 3 games; the test control refuses movies with "fail" in their path.
        WriteBytes(dir + L"FlashFiles\\Rocket.swf", testsupport::ActionScript3MovieBytes());
        WriteBytes(dir + L"FlashFiles\\Rocket fail.swf", testsupport::ActionScript3MovieBytes());
        WriteBytes(dir + L"DocFiles\\Tank.txt", "\xCC\xB9\xBF\xCB\r\n\xB5\xDA\xB6\xFE\xD0\xD0"); // 坦克 / 第二行 in GBK
    }

    void SetUp() override {
        form.reset(ui::NewForm<TFrmFlashGame>(nullptr));
        form->ShowMessageBox = [this](const std::wstring& t, const std::wstring& c, UINT f) {
            boxes.push_back({t, c, f});
            return IDOK;
        };
    }
    void TearDown() override { form.reset(); }

    wk::TTreeNode* Game(const std::wstring& name) {
        wk::TTreeNode* root = form->WkTreeView1->Items().GetFirstNode();
        for (int i = 0; i < root->Count(); ++i)
            if (root->Item(i)->Text() == name) return root->Item(i);
        return nullptr;
    }
    // Presses a mouse button over a node's row, as the tree reports it.
    void Press(ui::TMouseButton button, wk::TTreeNode* node) {
        ui::Rect row = node->DisplayRect(true);
        form->WkTreeView1MouseDown(form->WkTreeView1, button, 0, row.left + 2, row.top + 2);
    }

    std::unique_ptr<TFrmFlashGame> form;
    std::vector<Box> boxes;
};

} // namespace

TEST_F(MainWindow, CreationSetsTitleFontDirectoryAndCatalog) {
    EXPECT_EQ(ui::Application().Title(), L"Plumora Version 1.0.1");
    EXPECT_EQ(form->Caption(), L"Plumora Version 1.0.1");
    EXPECT_EQ(form->Font().Name, L"宋体");
    EXPECT_EQ(form->Font().Height, -12);
    EXPECT_EQ(AppDir, CurrentAppDir());
    ASSERT_FALSE(AppDir.empty());
    EXPECT_EQ(AppDir.back(), L'\\');
    EXPECT_TRUE(form->FirstActivatePending());

    wk::TTreeNode* root = form->WkTreeView1->Items().GetFirstNode();
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(root->Text(), L"^_^ 所有游戏 ^_^");
    EXPECT_EQ(root->ImageIndex(), 0);
    EXPECT_EQ(root->Count(), 5);
    wk::TTreeNode* tank = Game(L"Tank");
    ASSERT_NE(tank, nullptr);
    EXPECT_EQ(tank->ImageIndex(), 1);
    EXPECT_EQ(tank->SelectedIndex(), 1);
    auto* data = static_cast<TNodeData*>(tank->Data());
    EXPECT_EQ(data->SwfFile, AppDir + L"FlashFiles\\Tank.swf");
    EXPECT_EQ(data->DocFile, AppDir + L"DocFiles\\Tank.txt");
    // The children stand in the directory search's order.
    std::vector<TGameEntry> found = FindGames(AppDir);
    for (int i = 0; i < root->Count(); ++i) EXPECT_EQ(root->Item(i)->Text(), found[i].Text);
}

TEST_F(MainWindow, PressesRememberTheNodeUnderThePointer) {
    form->Show();
    wk::TTreeNode* tank = Game(L"Tank");
    Press(ui::mbLeft, tank);
    EXPECT_EQ(form->ClickedNode(), tank);
    // The middle button keeps what was remembered.
    form->WkTreeView1MouseDown(form->WkTreeView1, ui::mbMiddle, 0, 1, 1000);
    EXPECT_EQ(form->ClickedNode(), tank);
    // A press below the last row forgets it; a double-click then starts nothing.
    form->WkTreeView1MouseDown(form->WkTreeView1, ui::mbLeft, 0, 5, form->WkTreeView1->ClientHeight() - 2);
    EXPECT_EQ(form->ClickedNode(), nullptr);
    form->WkTreeView1DblClick(form->WkTreeView1);
    EXPECT_TRUE(boxes.empty());
    EXPECT_FALSE(form->ShockwaveFlash1->Playback().HasMovie());
}

TEST_F(MainWindow, RightPressSelectsAndShowsTheMenuOnlyForGames) {
    form->Show();
    int menus = 0;
    form->PopupMenu1->SetTracker([&](HMENU, int, int, HWND) { ++menus; return 0u; });
    wk::TTreeNode* root = form->WkTreeView1->Items().GetFirstNode();
    Press(ui::mbRight, root);
    EXPECT_EQ(form->WkTreeView1->Selected(), root);
    EXPECT_EQ(menus, 0);
    wk::TTreeNode* ball = Game(L"Ball");
    Press(ui::mbRight, ball);
    EXPECT_EQ(form->WkTreeView1->Selected(), ball);
    EXPECT_EQ(menus, 1);
}

TEST_F(MainWindow, MenuStartsTheRightPressedGameWhateverIsSelected) {
    form->Show();
    form->WkTreeView1->SetSelected(Game(L"Ball"));
    // The menu's first command is "开始游戏".
    form->PopupMenu1->SetTracker([](HMENU, int, int, HWND) { return 1u; });
    Press(ui::mbRight, Game(L"Tank"));
    EXPECT_TRUE(boxes.empty());
    EXPECT_EQ(form->ShockwaveFlash1->Playback().MoviePath(), AppDir + L"FlashFiles\\Tank.swf");
    EXPECT_EQ(form->WkGlyphStatus1->Caption(), L"当前游戏：Tank");
}

TEST_F(MainWindow, StartingAGameLoadsItResetsTheScaleAndFocusesThePlayer) {
    form->Show();
    form->BtnRealSizeClick(nullptr);
    EXPECT_EQ(form->ShockwaveFlash1->ScaleMode(), 3);
    Press(ui::mbLeft, Game(L"Ball"));
    form->WkTreeView1DblClick(form->WkTreeView1);
    EXPECT_TRUE(boxes.empty());
    EXPECT_EQ(form->ShockwaveFlash1->ScaleMode(), 0);
    EXPECT_EQ(form->ShockwaveFlash1->AlignMode(), 0);
    EXPECT_EQ(form->ShockwaveFlash1->BackgroundColor(), 0);
    EXPECT_EQ(form->WkGlyphStatus1->Caption(), L"当前游戏：Ball");
    EXPECT_EQ(GetFocus(), form->ShockwaveFlash1->Handle());
}

// The same start from a real double click on the tree's window: the tree's own handling of the
// click runs after the start and must not take the focus back.
TEST_F(MainWindow, ADoubleClickedGameEndsWithTheKeyboardInThePlayer) {
    form->Show();
    HWND tree = form->WkTreeView1->Handle();
    ui::Rect row = Game(L"Tank")->DisplayRect(true);
    const LPARAM at = MAKELPARAM(row.left + 2, row.top + 2);
    SetFocus(tree);
    SendMessageW(tree, WM_LBUTTONDOWN, MK_LBUTTON, at);
    SendMessageW(tree, WM_LBUTTONUP, 0, at);
    SendMessageW(tree, WM_LBUTTONDBLCLK, MK_LBUTTON, at);
    SendMessageW(tree, WM_LBUTTONUP, 0, at);
    ui::Application().ProcessMessages();
    EXPECT_TRUE(boxes.empty());
    EXPECT_EQ(form->ShockwaveFlash1->Playback().MoviePath(), AppDir + L"FlashFiles\\Tank.swf");
    EXPECT_EQ(GetFocus(), form->ShockwaveFlash1->Handle());
}

TEST_F(MainWindow, MissingAndUnreadableMoviesAreReportedInTheirBoxes) {
    form->Show();
    std::wstring before = form->WkGlyphStatus1->Caption();
    // A file deleted after the start is "missing".
    std::wstring gone = AppDir + L"FlashFiles\\Gone.swf";
    WriteMinimalSwf(gone);
    form->BuildGameCatalog();
    DeleteFileW(gone.c_str());
    Press(ui::mbLeft, Game(L"Gone"));
    form->WkTreeView1DblClick(form->WkTreeView1);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, gone + L"\r\n文件丢失");
    EXPECT_EQ(boxes[0].caption, L"提示");
    EXPECT_EQ(boxes[0].flags, UINT(MB_OK | MB_ICONINFORMATION));

    Press(ui::mbLeft, Game(L"Broken"));
    form->WkTreeView1DblClick(form->WkTreeView1);
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[1].text, AppDir + L"FlashFiles\\Broken.swf\r\n文件无法打开");
    EXPECT_EQ(boxes[1].caption, L"错误");
    EXPECT_EQ(boxes[1].flags, UINT(MB_OK | MB_ICONERROR));
    EXPECT_EQ(form->WkGlyphStatus1->Caption(), before);
}

TEST_F(MainWindow, DoubleClickOnTheRootStartsNothing) {
    form->Show();
    Press(ui::mbLeft, form->WkTreeView1->Items().GetFirstNode());
    form->WkTreeView1DblClick(form->WkTreeView1);
    EXPECT_TRUE(boxes.empty());
    EXPECT_FALSE(form->ShockwaveFlash1->Playback().HasMovie());
}

TEST_F(MainWindow, MaximisesOnTheFirstActivationOnly) {
    form->Show();
    ui::Application().ProcessMessages();
    EXPECT_EQ(form->WindowState(), ui::wsMaximized);
    form->SetWindowState(ui::wsNormal);
    form->FormActivate(form.get());
    EXPECT_EQ(form->WindowState(), ui::wsNormal);
}

TEST_F(MainWindow, CannotShrinkBelowItsDesignSize) {
    form->Show();
    form->SetWindowState(ui::wsNormal);
    MoveWindow(form->Handle(), 0, 0, 300, 200, TRUE);
    RECT r;
    GetWindowRect(form->Handle(), &r);
    EXPECT_EQ(r.right - r.left, 720);
    EXPECT_EQ(r.bottom - r.top, 520);
}

TEST_F(MainWindow, ToolButtonsFollowTheRightEdgeAndTheTreeKeepsItsWidth) {
    form->Show();
    form->SetWindowState(ui::wsNormal);
    MoveWindow(form->Handle(), 0, 0, 1000, 600, TRUE);
    int right = form->ClientWidth();
    auto* fit = dynamic_cast<ui::TControl*>(form->FindComponent(L"BtnFit"));
    auto* help = dynamic_cast<ui::TControl*>(form->FindComponent(L"BtnHelp"));
    EXPECT_EQ(right - (fit->Left() + fit->Width()), 69);
    EXPECT_EQ(right - (help->Left() + help->Width()), 11);
    EXPECT_EQ(help->Top(), 45);
    EXPECT_EQ(form->WkSplitter1->Position(), 236);
}

// With the Flash control installed (the test control, under its own class id), an ActionScript
// 3 game plays in it: the start, the scale buttons and the splitter reach it as these calls.
TEST_F(MainWindow, AnActionScript3GamePlaysInTheInstalledControl) {
    testsupport::TInstalledControl control;
    ASSERT_TRUE(control.Install());
    form->ShockwaveFlash1->SetControlClassId(flash_test::kTestControlClsid);
    form->Show();
    control.Clear();
    Press(ui::mbLeft, Game(L"Rocket"));
    form->WkTreeView1DblClick(form->WkTreeView1);
    ui::Application().ProcessMessages();
    const std::wstring path = AppDir + L"FlashFiles\\Rocket.swf";
    const std::vector<std::wstring> events = {L"event OnReadyStateChange 0x00000000", L"event OnProgress 0x00000000",
                                              L"event FSCommand 0x00000000", L"event FlashCall 0x00000000"};
    std::vector<std::wstring> start = {L"SetClientSite", L"Load Quality=High Scale=ShowAll WMode=Window", L"Advise",
                                       testsupport::CallWithRect(L"DoVerb -5", form->ShockwaveFlash1->BoundsRect()),
                                       L"put 123=0", L"put 121=0", L"put 120=0", L"LoadMovie 0 " + path};
    start.insert(start.end(), events.begin(), events.end());
    start.insert(start.end(), {L"Play", L"focus"});
    EXPECT_TRUE(boxes.empty());
    EXPECT_EQ(control.Calls(), start);
    EXPECT_EQ(form->WkGlyphStatus1->Caption(), L"当前游戏：Rocket");
    EXPECT_EQ(GetFocus(), control.Window());
    EXPECT_EQ(GetParent(control.Window()), form->ShockwaveFlash1->Parent()->Handle());

    control.Clear();
    form->BtnRealSizeClick(nullptr);
    form->BtnFitClick(nullptr);
    EXPECT_EQ(control.Calls(), (std::vector<std::wstring>{L"put 120=3", L"put 120=0"}));

    control.Clear();
    form->WkSplitter1->SetPosition(form->WkSplitter1->Position() + 40);
    const ui::Rect moved = form->ShockwaveFlash1->BoundsRect();
    ASSERT_FALSE(control.Calls().empty());
    EXPECT_EQ(control.Calls().back(), testsupport::CallWithRect(L"SetObjectRects", moved));
    EXPECT_EQ(control.Calls().front(), testsupport::CallWithRect(L"DoVerb -5", moved));
    RECT at;
    GetWindowRect(control.Window(), &at);
    EXPECT_EQ(at.right - at.left, moved.Width());

    // Starting it again goes to the same control; a refused movie gives the start-failure box.
    control.Clear();
    form->WkTreeView1DblClick(form->WkTreeView1);
    std::vector<std::wstring> again = {L"put 123=0", L"put 121=0", L"put 120=0", L"LoadMovie 0 " + path};
    again.insert(again.end(), events.begin(), events.end());
    again.push_back(L"Play");
    std::vector<std::wstring> calls = control.Calls();
    if (!calls.empty() && calls.back() == L"focus") calls.pop_back();  // focus may stay put
    EXPECT_EQ(calls, again);
    Press(ui::mbLeft, Game(L"Rocket fail"));
    form->WkTreeView1DblClick(form->WkTreeView1);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, AppDir + L"FlashFiles\\Rocket fail.swf\r\n文件无法打开");
    EXPECT_EQ(boxes[0].caption, L"错误");
    EXPECT_EQ(form->WkGlyphStatus1->Caption(), L"当前游戏：Rocket");
    form.reset();
    EXPECT_EQ(control.Objects(), 0);
}

// A large game loads in the background: the status pane says it is loading, the start ends when
// it has loaded; a bad one gives the usual box and the old caption; a new start cancels a load.
TEST_F(MainWindow, LargeGamesLoadInTheBackground) {
    form->Show();
    form->ShockwaveFlash1->SetBackgroundLoadBytes(1);  // every file counts as large
    auto waitForLoad = [&] {
        // Up to 30 s: a busy machine (the fuzz build runs beside the tests) can be slow to start threads.
        for (int i = 0; i < 3000 && form->ShockwaveFlash1->Loading(); ++i) {
            ui::Application().ProcessMessages();
            Sleep(10);
        }
        ui::Application().ProcessMessages();
    };
    Press(ui::mbLeft, Game(L"Ball"));
    form->WkTreeView1DblClick(form->WkTreeView1);
    EXPECT_TRUE(form->ShockwaveFlash1->Loading());
    EXPECT_EQ(form->WkGlyphStatus1->Caption(), L"正在载入：Ball");
    waitForLoad();
    ASSERT_FALSE(form->ShockwaveFlash1->Loading());
    EXPECT_TRUE(boxes.empty());
    EXPECT_EQ(form->WkGlyphStatus1->Caption(), L"当前游戏：Ball");
    EXPECT_EQ(form->ShockwaveFlash1->Playback().MoviePath(), AppDir + L"FlashFiles\\Ball.swf");
    EXPECT_TRUE(form->ShockwaveFlash1->Playback().Playing());
    EXPECT_EQ(GetFocus(), form->ShockwaveFlash1->Handle());

    Press(ui::mbLeft, Game(L"Broken"));
    form->WkTreeView1DblClick(form->WkTreeView1);
    waitForLoad();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, AppDir + L"FlashFiles\\Broken.swf\r\n文件无法打开");
    EXPECT_EQ(form->WkGlyphStatus1->Caption(), L"当前游戏：Ball");
    EXPECT_EQ(form->ShockwaveFlash1->Playback().MoviePath(), AppDir + L"FlashFiles\\Ball.swf");

    // Starting Tank while Ball loads: only Tank arrives.
    Press(ui::mbLeft, Game(L"Ball"));
    form->WkTreeView1DblClick(form->WkTreeView1);
    Press(ui::mbLeft, Game(L"Tank"));
    form->WkTreeView1DblClick(form->WkTreeView1);
    EXPECT_EQ(form->ShockwaveFlash1->LoadingPath(), AppDir + L"FlashFiles\\Tank.swf");
    waitForLoad();
    EXPECT_EQ(boxes.size(), 1u);
    EXPECT_EQ(form->WkGlyphStatus1->Caption(), L"当前游戏：Tank");
    EXPECT_EQ(form->ShockwaveFlash1->Playback().MoviePath(), AppDir + L"FlashFiles\\Tank.swf");
}

// Without the control, an ActionScript 3 game shows the notice and the status bar says so; the
// next game starts as before.
TEST_F(MainWindow, WithoutTheControlAnActionScript3GameShowsTheNotice) {
    form->ShockwaveFlash1->SetControlClassId(CLSID{0x0F0E0D0C, 0x0B0A, 0x0908, {7, 6, 5, 4, 3, 2, 1, 0}});
    form->Show();
    Press(ui::mbLeft, Game(L"Rocket"));
    form->WkTreeView1DblClick(form->WkTreeView1);
    EXPECT_TRUE(boxes.empty());
    EXPECT_EQ(form->WkGlyphStatus1->Caption(), std::wstring(kActionScript3GamePrefix) + L"Rocket");
    EXPECT_EQ(form->WkGlyphStatus1->Caption(), L"无法运行（此游戏使用 ActionScript 3）：Rocket");
    EXPECT_TRUE(form->ShockwaveFlash1->ShowsActionScript3Notice());

    // The notice in the middle of the pane on the movie's background (white), nothing else.
    const int w = form->ShockwaveFlash1->ClientWidth(), h = form->ShockwaveFlash1->ClientHeight();
    flash::TFlashPlayback& playback = form->ShockwaveFlash1->Playback();
    playback.RenderFrame(w, h);
    int middle = 0, elsewhere = 0;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            if ((playback.Pixels()[size_t(y) * w + x] & 0xFFFFFF) != 0xFFFFFF) (std::abs(y - h / 2) < 20 ? middle : elsewhere)++;
    EXPECT_GT(middle, 300);
    EXPECT_EQ(elsewhere, 0);

    Press(ui::mbLeft, Game(L"Ball"));
    form->WkTreeView1DblClick(form->WkTreeView1);
    EXPECT_EQ(form->WkGlyphStatus1->Caption(), L"当前游戏：Ball");
    EXPECT_FALSE(form->ShockwaveFlash1->ShowsActionScript3Notice());
}

// A description of megabytes would freeze the window in the edit control: its beginning shows,
// whole lines only, and a note says the rest is left out. UTF-16 is cut on a whole character;
// UTF-8 without a mark is still recognised when the cut falls inside a character.
TEST(Dialogs, AHugeDescriptionShowsItsBeginningAndSaysSo) {
    RegisterProgramClasses();
    const std::wstring doc = CurrentAppDir() + L"DocFiles\\Huge.txt";
    std::string gbk, utf16 = "\xFF\xFE", utf8;
    for (int i = 0; i < 200000; ++i) gbk += "\xB5\xDA\xD2\xBB\xD0\xD0\r\n";  // 第一行
    for (int i = 0; i < 100000; ++i) utf16 += std::string("\x2C\x7B\x8C\x4E\x4C\x88\r\0\n\0", 10);  // 第二行
    for (int i = 0; i < 100000; ++i) utf8 += "\xE7\xAC\xAC\xE4\xB8\x89\xE8\xA1\x8C\r\n";  // 第三行
    const std::wstring lines[] = {L"第一行\r\n", L"第二行\r\n", L"第三行\r\n"};
    for (int which = 0; which < 3; ++which) {
        const std::string& bytes = which == 0 ? gbk : which == 1 ? utf16 : utf8;
        const std::wstring& line = lines[which];
        WriteBytes(doc, bytes);
        std::wstring text;
        ui::Application().QueueCall([&] {
            HWND dialog = GetActiveWindow();
            HWND edit = nullptr;
            EnumChildWindows(dialog, FindMultiLineEdit, reinterpret_cast<LPARAM>(&edit));
            text.resize(size_t(GetWindowTextLengthW(edit)) + 1);
            text.resize(size_t(GetWindowTextW(edit, text.data(), int(text.size()))));
            PostMessageW(dialog, WM_CLOSE, 0, 0);
        });
        ShowGameDoc(doc);
        ASSERT_GT(text.size(), kMaxDescriptionBytes / 4);
        EXPECT_LT(text.size(), kMaxDescriptionBytes);
        EXPECT_EQ(text.substr(0, line.size()), line);
        const std::wstring end = line + kDescriptionCutNote;
        ASSERT_GE(text.size(), end.size());
        EXPECT_EQ(text.substr(text.size() - end.size()), end);
    }
    DeleteFileW(doc.c_str());
}

TEST(Dialogs, DescriptionIsReadAfreshAndMissingFileGivesAnEmptyMemo) {
    RegisterProgramClasses();
    std::wstring dir = CurrentAppDir();
    std::wstring doc = dir + L"DocFiles\\Fresh.txt";
    WriteBytes(doc, "\xB5\xDA\xD2\xBB"); // 第一
    std::vector<std::wstring> seen;
    auto readAndClose = [&] {
        ui::Application().QueueCall([&] {
            HWND dialog = GetActiveWindow();
            wchar_t caption[64] = {};
            GetWindowTextW(dialog, caption, 64);
            // The memo is the dialog's multi-line edit window.
            HWND edit = nullptr;
            EnumChildWindows(dialog, FindMultiLineEdit, reinterpret_cast<LPARAM>(&edit));
            wchar_t text[256] = {};
            if (edit) GetWindowTextW(edit, text, 256);
            seen.push_back(std::wstring(caption) + L"|" + text);
            PostMessageW(dialog, WM_CLOSE, 0, 0);
        });
    };
    readAndClose();
    ShowGameDoc(doc);
    WriteBytes(doc, "\xB5\xDA\xB6\xFE"); // 第二
    readAndClose();
    ShowGameDoc(doc);
    readAndClose();
    ShowGameDoc(dir + L"DocFiles\\NoSuchGame.txt");
    ASSERT_EQ(seen.size(), 3u);
    EXPECT_EQ(seen[0], L"游戏说明|第一");
    EXPECT_EQ(seen[1], L"游戏说明|第二");
    EXPECT_EQ(seen[2], L"游戏说明|");
}
