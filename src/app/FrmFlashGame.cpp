#include "app/FrmFlashGame.h"
#include "app/FrmDoc.h"
#include "app/FrmHelp.h"
#include "flash/ShockwaveFlash.h"
#include "ui/Application.h"
#include "ui/FilePath.h"
#include "ui/Layout.h"
#include "ui/Menu.h"
#include "widgets/WkButton.h"
#include "widgets/WkLabel.h"
#include "widgets/WkMemo.h"
#include "widgets/WkPanel.h"
#include "widgets/WkSplitter.h"
#include "widgets/WkStatusBar.h"
#include "widgets/WkToolButton.h"
#include "widgets/WkTreeView.h"

namespace app {

std::wstring AppDir;


bool RegularFileExists(const std::wstring& path) {
    DWORD attributes = GetFileAttributesW(ui::ExtendedLengthPath(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

void SetProgramFont(ui::TForm& form) {
    ui::TFont font = form.Font();
    font.Name = L"宋体";
    font.SetSize(9);
    form.SetFont(font);
}

void RegisterProgramClasses() {
    static bool registered = false;
    if (registered) return;
    registered = true;
    ui::TClassRegistry& registry = ui::DefaultClassRegistry();
    wk::RegisterWkPanelClasses(registry);
    wk::RegisterWkSplitterClasses(registry);
    wk::RegisterWkStatusBarClasses(registry);
    wk::RegisterWkToolButtonClasses(registry);
    wk::RegisterWkButtonClasses(registry);
    wk::RegisterWkTreeViewClasses(registry);
    wk::RegisterWkMemoClasses(registry);
    wk::RegisterWkLabelClasses(registry);
    flash::RegisterFlashClasses(registry);
}

template <typename T>
T* TFrmFlashGame::Find(const wchar_t* name) {
    T* component = dynamic_cast<T*>(FindComponent(name));
    if (!component) throw ui::Exception(std::wstring(L"The main window's layout has no ") + name);
    return component;
}

TFrmFlashGame::TFrmFlashGame(ui::TComponent* owner) : ui::TForm(owner) {
    ShowMessageBox = [this](const std::wstring& text, const std::wstring& caption, UINT flags) {
        // Owned by whichever window is active, as the boxes of a dialog-free program are.
        HWND active = GetActiveWindow();
        return ui::MessageBox(active ? active : Handle(), text, caption, flags);
    };
    RegisterHandler(L"FormCreate", ui::TNotifyEvent([this](ui::TObject* s) { FormCreate(s); }));
    RegisterHandler(L"FormActivate", ui::TNotifyEvent([this](ui::TObject* s) { FormActivate(s); }));
    RegisterHandler(L"WkSplitter1Change", ui::TNotifyEvent([this](ui::TObject* s) { WkSplitter1Change(s); }));
    RegisterHandler(L"BtnFitClick", ui::TNotifyEvent([this](ui::TObject* s) { BtnFitClick(s); }));
    RegisterHandler(L"BtnRealSizeClick", ui::TNotifyEvent([this](ui::TObject* s) { BtnRealSizeClick(s); }));
    RegisterHandler(L"BtnHelpClick", ui::TNotifyEvent([this](ui::TObject* s) { BtnHelpClick(s); }));
    RegisterHandler(L"WkTreeView1DblClick", ui::TNotifyEvent([this](ui::TObject* s) { WkTreeView1DblClick(s); }));
    RegisterHandler(L"M_DocClick", ui::TNotifyEvent([this](ui::TObject* s) { M_DocClick(s); }));
    RegisterHandler(L"WkTreeView1MouseDown",
                    ui::TMouseEvent([this](ui::TObject* s, ui::TMouseButton b, ui::TShiftState sh, int x, int y) {
                        WkTreeView1MouseDown(s, b, sh, x, y);
                    }));
    ui::LoadLayout(*this, L"TFRMFLASHGAME");
    WkTreeView1 = Find<wk::TWkTreeView>(L"WkTreeView1");
    WkGlyphStatus1 = Find<wk::TWkGlyphStatus>(L"WkGlyphStatus1");
    WkSplitter1 = Find<wk::TWkSplitter>(L"WkSplitter1");
    ShockwaveFlash1 = Find<flash::TShockwaveFlash>(L"ShockwaveFlash1");
    PopupMenu1 = Find<ui::TPopupMenu>(L"PopupMenu1");
    ShockwaveFlash1->OnLoaded = [this](bool loaded, const std::wstring& error) { ShockwaveFlash1Loaded(loaded, error); };
}

// --- creation and activation -------------------------------------------------------------------

void TFrmFlashGame::FormCreate(ui::TObject*) {
    FFirstActivate = true;
    AppDir = CurrentAppDir();
    ui::Application().SetTitle(kProgramTitle);
    SetCaption(ui::Application().Title());
    SetProgramFont(*this);
    BuildGameCatalog();
}

void TFrmFlashGame::FormActivate(ui::TObject*) {
    // Only the first activation maximises: a window the user restores stays restored.
    if (!FFirstActivate) return;
    SetWindowState(ui::wsMaximized);
    FFirstActivate = false;
}

// --- the catalog ---------------------------------------------------------------------------------

void TFrmFlashGame::BuildGameCatalog() {
    wk::TTreeNodes& items = WkTreeView1->Items();
    items.Clear();
    FClickedNode = nullptr;
    TNodeData& rootData = FNodeRecords.emplace_back();
    wk::TTreeNode* root = items.AddFirst(nullptr, kCatalogRootText, &rootData);
    root->SetImageIndex(0);
    root->SetSelectedIndex(0);
    for (const TGameEntry& game : FindGames(AppDir)) {
        TNodeData& data = FNodeRecords.emplace_back(game.Data);
        wk::TTreeNode* node = root->HasChildren() ? items.AddChild(root, game.Text, &data)
                                                  : items.AddChildFirst(root, game.Text, &data);
        node->SetImageIndex(1);
        node->SetSelectedIndex(1);
    }
    root->Expand(false);
}

TNodeData* TFrmFlashGame::NodeData(wk::TTreeNode* node) const {
    return node ? static_cast<TNodeData*>(node->Data()) : nullptr;
}

// --- the tree: remembering the node, starting games ------------------------------------------

void TFrmFlashGame::WkTreeView1MouseDown(ui::TObject*, ui::TMouseButton button, ui::TShiftState, int x, int y) {
    if (button != ui::mbLeft && button != ui::mbRight) return;   // the middle button keeps the node
    FClickedNode = WkTreeView1->GetNodeAt(x, y);
    if (!FClickedNode || button != ui::mbRight) return;
    WkTreeView1->SetSelected(FClickedNode);
    if (FClickedNode->Level() == 0) return;                       // the root has no menu
    ui::Point screen = WkTreeView1->ClientToScreen({x, y});
    PopupMenu1->Popup(screen.x, screen.y);
}

void TFrmFlashGame::WkTreeView1DblClick(ui::TObject*) {
    if (!FClickedNode || FClickedNode->Level() == 0) return;
    const std::wstring path = NodeData(FClickedNode)->SwfFile;
    if (!RegularFileExists(path)) {
        ShowMessageBox(path + L"\r\n" + L"文件丢失", L"提示", MB_OK | MB_ICONINFORMATION);
        return;
    }
    try {
        ShockwaveFlash1->PutPropertyById(flash::DISPID_BACKGROUNDCOLOR, 0);
        ShockwaveFlash1->PutPropertyById(flash::DISPID_ALIGNMODE, 0);
        ShockwaveFlash1->PutPropertyById(flash::DISPID_SCALEMODE, flash::smShowAll);
        // What the status pane said before this start (not "正在载入" of a load this cancels).
        const std::wstring before = ShockwaveFlash1->Loading() ? FCaptionBeforeLoad : WkGlyphStatus1->Caption();
        ShockwaveFlash1->LoadMovie(0, path);
        ShockwaveFlash1->Play();
        if (ShockwaveFlash1->Loading()) {
            // A large movie loads in the background; ShockwaveFlash1Loaded finishes the start.
            FLoadingGame = FClickedNode->Text();
            FLoadingPath = path;
            FCaptionBeforeLoad = before;
            WkGlyphStatus1->SetCaption(kLoadingGamePrefix + FLoadingGame);
            return;
        }
        GameStarted(FClickedNode->Text());
    } catch (...) {
        // Every kind of failure while starting ends here; what the steps before it did stays,
        // but a load it cancelled no longer shows as loading.
        if (!ShockwaveFlash1->Loading() && WkGlyphStatus1->Caption().rfind(kLoadingGamePrefix, 0) == 0)
            WkGlyphStatus1->SetCaption(FCaptionBeforeLoad);
        ShowMessageBox(path + L"\r\n" + L"文件无法打开", L"错误", MB_OK | MB_ICONERROR);
    }
}

void TFrmFlashGame::GameStarted(const std::wstring& name) {
    const bool runs = !ShockwaveFlash1->ShowsActionScript3Notice();
    WkGlyphStatus1->SetCaption((runs ? kCurrentGamePrefix : kActionScript3GamePrefix) + name);
    ShockwaveFlash1->SetFocus();
    // The tree finishes its own handling of the double click after this handler and takes
    // the focus back: hand it to the player again once that is over.
    if (HWND player = ShockwaveFlash1->PlayerWindow()) {
        ui::Application().QueueCall([player] {
            if (IsWindow(player) && IsWindowVisible(player) && GetFocus() != player) ::SetFocus(player);
        });
    }
}

void TFrmFlashGame::ShockwaveFlash1Loaded(bool loaded, const std::wstring&) {
    if (loaded) {
        GameStarted(FLoadingGame);
        return;
    }
    // The same box as a start that fails at once; the status pane goes back to what it said.
    WkGlyphStatus1->SetCaption(FCaptionBeforeLoad);
    ShowMessageBox(FLoadingPath + L"\r\n" + L"文件无法打开", L"错误", MB_OK | MB_ICONERROR);
}

void TFrmFlashGame::M_DocClick(ui::TObject*) {
    if (!FClickedNode || FClickedNode->Level() == 0) return;
    ShowGameDoc(NodeData(FClickedNode)->DocFile);
}

// --- banner buttons and the splitter -----------------------------------------------------------

void TFrmFlashGame::BtnFitClick(ui::TObject*) { ShockwaveFlash1->PutPropertyById(flash::DISPID_SCALEMODE, flash::smShowAll); }

void TFrmFlashGame::BtnRealSizeClick(ui::TObject*) { ShockwaveFlash1->PutPropertyById(flash::DISPID_SCALEMODE, flash::smNoScale); }

void TFrmFlashGame::BtnHelpClick(ui::TObject*) { ShowHelpDialog(); }

void TFrmFlashGame::WkSplitter1Change(ui::TObject*) {
    // The player is activated again at its new bounds; its movie stays loaded. While the
    // layout is still being read the splitter already lays out its panes, before the player
    // exists: there is nothing to activate yet.
    if (!ShockwaveFlash1) return;
    ShockwaveFlash1->Reactivate();
}

} // namespace app
