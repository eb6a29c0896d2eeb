// TFrmFlashGame: the main window. Banner with the scale and help buttons and two link labels,
// the game tree and the player on either side of the splitter, the status bar below.
// The window is built from its layout ("TFRMFLASHGAME"); this class holds the handlers the
// layout binds by name, the game catalog, and the remembered tree node every tree action
// works on.
#pragma once
#include "app/GameCatalog.h"
#include "ui/Form.h"
#include <deque>
#include <functional>

namespace ui { class TPopupMenu; }
namespace wk { class TWkTreeView; class TTreeNode; class TWkGlyphStatus; class TWkSplitter; }
namespace flash { class TShockwaveFlash; }

namespace app {

// The application directory: the executable's directory ending in a backslash. Set once by
// the main window's creation handler; the catalog reads it.
extern std::wstring AppDir;

// Text of the status pane after a successful start, before the game's name.
inline constexpr const wchar_t* kCurrentGamePrefix = L"当前游戏：";
// The status bar for a game the built-in player cannot run (an ActionScript 3 movie).
inline constexpr const wchar_t* kActionScript3GamePrefix = L"无法运行（此游戏使用 ActionScript 3）：";
// The status bar while a large game loads in the background.
inline constexpr const wchar_t* kLoadingGamePrefix = L"正在载入：";
inline constexpr const wchar_t* kProgramTitle = L"Plumora Version 1.0.1";

class TFrmFlashGame : public ui::TForm {
public:
    explicit TFrmFlashGame(ui::TComponent* owner);
    std::wstring ClassName() const override { return L"TFrmFlashGame"; }

    // Clears the tree and lists every game of FlashFiles under the root node.
    void BuildGameCatalog();

    wk::TTreeNode* ClickedNode() const { return FClickedNode; }
    bool FirstActivatePending() const { return FFirstActivate; }

    // The controls the handlers use, as the layout made them.
    wk::TWkTreeView* WkTreeView1 = nullptr;
    wk::TWkGlyphStatus* WkGlyphStatus1 = nullptr;
    wk::TWkSplitter* WkSplitter1 = nullptr;
    flash::TShockwaveFlash* ShockwaveFlash1 = nullptr;
    ui::TPopupMenu* PopupMenu1 = nullptr;

    // How the window shows its message boxes; tests replace it to read the texts.
    std::function<int(const std::wstring& text, const std::wstring& caption, UINT flags)> ShowMessageBox;

    // --- handlers bound by the layout ---
    void FormCreate(ui::TObject* sender);
    void FormActivate(ui::TObject* sender);
    void WkSplitter1Change(ui::TObject* sender);
    void BtnFitClick(ui::TObject* sender);
    void BtnRealSizeClick(ui::TObject* sender);
    void BtnHelpClick(ui::TObject* sender);
    void WkTreeView1MouseDown(ui::TObject* sender, ui::TMouseButton button, ui::TShiftState shift, int x, int y);
    void WkTreeView1DblClick(ui::TObject* sender);
    void M_DocClick(ui::TObject* sender);
    // A background load of a started game ended (the player's OnLoaded).
    void ShockwaveFlash1Loaded(bool loaded, const std::wstring& error);

private:
    // The end of a successful start: the status pane names the game, the player has the keyboard.
    void GameStarted(const std::wstring& name);
    template <typename T> T* Find(const wchar_t* name);
    TNodeData* NodeData(wk::TTreeNode* node) const;

    bool FFirstActivate = false;
    wk::TTreeNode* FClickedNode = nullptr;
    // The records attached to the nodes; they live as long as the window (the whole run).
    std::deque<TNodeData> FNodeRecords;
    // The game loading in the background, and the status caption from before its start.
    std::wstring FLoadingGame, FLoadingPath, FCaptionBeforeLoad;
};

// Whether a regular file (not a directory) exists at the path.
bool RegularFileExists(const std::wstring& path);

// Sets a window's font to "宋体" at 9 points, which every control that takes its parent's
// font follows; every window of the program does this when it is created.
void SetProgramFont(ui::TForm& form);

// Registers the program's widget and player classes with the layout reader (once).
void RegisterProgramClasses();

} // namespace app
