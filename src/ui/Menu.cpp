#include "ui/Menu.h"
#include "ui/Application.h"
#include "ui/Form.h"
#include "ui/Layout.h"
#include <algorithm>

namespace ui {

// ---------------------------------------------------------------------------------------------
// TMenuItem
// ---------------------------------------------------------------------------------------------

TMenuItem::TMenuItem(TComponent* owner) : TComponent(owner) {}

TMenuItem::~TMenuItem() {
    if (FParent) FParent->Remove(this);
    for (TMenuItem* item : FItems) item->FParent = nullptr;
}

void TMenuItem::Add(TMenuItem* item) {
    if (!item || item == this) return;
    if (item->FParent) item->FParent->Remove(item);
    item->FParent = this;
    FItems.push_back(item);
}

void TMenuItem::Remove(TMenuItem* item) {
    auto it = std::find(FItems.begin(), FItems.end(), item);
    if (it == FItems.end()) return;
    FItems.erase(it);
    item->FParent = nullptr;
}

void TMenuItem::Click() {
    if (OnClick) OnClick(this);
}

// ---------------------------------------------------------------------------------------------
// Building the Win32 menu
// ---------------------------------------------------------------------------------------------

namespace {

void AppendItems(HMENU menu, const TMenuItem& parent, std::vector<TMenuItem*>& commands) {
    for (int i = 0; i < parent.Count(); ++i) {
        TMenuItem* item = parent.Item(i);
        if (!item->Visible()) continue;
        if (item->IsSeparator()) {
            AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
            continue;
        }
        UINT flags = MF_STRING | (item->Enabled() ? MF_ENABLED : MF_GRAYED) | (item->Checked() ? MF_CHECKED : MF_UNCHECKED);
        if (item->Count() > 0) {
            MenuOwner sub(CreatePopupMenu());
            AppendItems(sub, *item, commands);
            // Once appended, the submenu belongs to `menu` and is destroyed with it.
            if (AppendMenuW(menu, flags | MF_POPUP, reinterpret_cast<UINT_PTR>(sub.Get()), item->Caption().c_str()))
                (void)sub.Release();
        } else {
            commands.push_back(item);
            AppendMenuW(menu, flags, commands.size(), item->Caption().c_str());
        }
    }
}

UINT TrackWithSystem(HMENU menu, int x, int y, HWND owner) {
    // TPM_RETURNCMD: the choice is returned here instead of being posted as WM_COMMAND, so
    // the item's handler runs before Popup returns. TPM_NONOTIFY keeps the owner window out
    // of it entirely.
    return static_cast<UINT>(TrackPopupMenu(menu, TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RIGHTBUTTON | TPM_RETURNCMD | TPM_NONOTIFY,
                                            x, y, 0, owner, nullptr));
}

} // namespace

MenuOwner BuildPopupMenu(const TMenuItem& root, std::vector<TMenuItem*>& commands) {
    MenuOwner menu(CreatePopupMenu());
    if (!menu) throw Exception(L"cannot create a popup menu");
    AppendItems(menu, root, commands);
    return menu;
}

// ---------------------------------------------------------------------------------------------
// TPopupMenu
// ---------------------------------------------------------------------------------------------

TPopupMenu::TPopupMenu(TComponent* owner) : TComponent(owner), FItems(std::make_unique<TMenuItem>(nullptr)) {}

TPopupMenu::~TPopupMenu() = default;

HWND TPopupMenu::OwnerWindow() const {
    // TrackPopupMenu needs a window of this thread to own the menu: the form that owns the
    // menu, else the main form, else the application's hidden window.
    for (TComponent* c = Owner(); c; c = c->Owner())
        if (auto* form = dynamic_cast<TForm*>(c)) return form->Handle();
    if (TForm* main = Application().MainForm()) return main->Handle();
    return Application().Handle();
}

TMenuItem* TPopupMenu::Popup(int screenX, int screenY) {
    if (OnPopup) OnPopup(this);
    std::vector<TMenuItem*> commands;
    MenuOwner menu = BuildPopupMenu(*FItems, commands);
    HWND owner = OwnerWindow();
    UINT chosen = FTracker ? FTracker(menu, screenX, screenY, owner) : TrackWithSystem(menu, screenX, screenY, owner);
    menu.Reset();
    if (chosen == 0 || chosen > commands.size()) return nullptr;
    TMenuItem* item = commands[chosen - 1];
    item->Click();
    return item;
}

// ---------------------------------------------------------------------------------------------
// Layout registration
// ---------------------------------------------------------------------------------------------

// Menu.h declares the enumeration; its names live with the one registration that reads them.
static constexpr TEnumName<TMenuAutoFlag> kMenuAutoFlagNames[] = {{L"maAutomatic", maAutomatic}, {L"maManual", maManual}, {L"maParent", maParent}};
static constexpr const auto& EnumNames(TMenuAutoFlag) { return kMenuAutoFlagNames; }

void RegisterMenuClasses(TClassRegistry& registry) {
    using C = TLayoutContext&;
    RegisterComponentClass<TPopupMenu, TComponent>(registry, L"TPopupMenu");
    // A menu item goes into the menu (or item) it is nested in.
    registry.Class<TMenuItem, TComponent>(L"TMenuItem", [](TComponent& owner, TComponent& parent, C ctx) -> TComponent* {
        TMenuItem* into = nullptr;
        if (auto* menu = dynamic_cast<TPopupMenu*>(&parent)) into = &menu->Items();
        else into = dynamic_cast<TMenuItem*>(&parent);
        if (!into) ctx.Fail(L"a menu item belongs inside a menu or another menu item");
        auto* item = new TMenuItem(&owner);
        into->Add(item);
        return item;
    });
    registry.Property(L"AutoHotkeys", &TPopupMenu::SetAutoHotkeys);
    registry.Property(L"OnPopup", &TPopupMenu::OnPopup);
    for (const wchar_t* name : {L"Alignment", L"AutoPopup", L"TrackButton", L"MenuAnimation"})
        registry.Ignored<TPopupMenu>(name);

    registry.Property(L"Caption", &TMenuItem::SetCaption);
    registry.Property(L"Enabled", &TMenuItem::SetEnabled);
    registry.Property(L"Visible", &TMenuItem::SetVisible);
    registry.Property(L"Checked", &TMenuItem::SetChecked);
    registry.Property(L"OnClick", &TMenuItem::OnClick);
    for (const wchar_t* name : {L"ImageIndex", L"ShortCut", L"Hint", L"GroupIndex", L"RadioItem"})
        registry.Ignored<TMenuItem>(name);
}

} // namespace ui
