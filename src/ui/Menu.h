// TPopupMenu and TMenuItem: non-visual components describing a context menu.
// The Win32 menu exists only while the menu is open: Popup builds an HMENU from the items,
// tracks it with TPM_RETURNCMD (so the choice comes back synchronously instead of as a
// WM_COMMAND to some window) and then calls the chosen item's OnClick.
#pragma once
#include "ui/Component.h"
#include "ui/Gdi.h"
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace ui {

class TClassRegistry;

class TMenuItem : public TComponent {
public:
    explicit TMenuItem(TComponent* owner = nullptr);
    ~TMenuItem() override;
    std::wstring ClassName() const override { return L"TMenuItem"; }

    const std::wstring& Caption() const { return FCaption; }
    void SetCaption(const std::wstring& caption) { FCaption = caption; }
    // A caption of "-" makes the item a separator line.
    bool IsSeparator() const { return FCaption == L"-"; }
    bool Enabled() const { return FEnabled; }
    void SetEnabled(bool enabled) { FEnabled = enabled; }
    bool Visible() const { return FVisible; }
    void SetVisible(bool visible) { FVisible = visible; }
    bool Checked() const { return FChecked; }
    void SetChecked(bool checked) { FChecked = checked; }

    // Sub-items, in menu order. The menu does not own them (their owner does); an item that
    // is destroyed leaves its parent's list by itself.
    void Add(TMenuItem* item);
    void Remove(TMenuItem* item);
    int Count() const { return static_cast<int>(FItems.size()); }
    TMenuItem* Item(int index) const { return FItems.at(index); }
    TMenuItem* Parent() const { return FParent; }

    // What choosing the item does: runs OnClick with the item as sender.
    virtual void Click();

    TNotifyEvent OnClick;

private:
    std::wstring FCaption;
    bool FEnabled = true;
    bool FVisible = true;
    bool FChecked = false;
    TMenuItem* FParent = nullptr;
    std::vector<TMenuItem*> FItems;
};

enum TMenuAutoFlag { maAutomatic, maManual, maParent };

class TPopupMenu : public TComponent {
public:
    // Shows `menu` at a screen point for `owner` and returns the chosen command id, 0 for none.
    using TTracker = std::function<UINT(HMENU menu, int screenX, int screenY, HWND owner)>;

    explicit TPopupMenu(TComponent* owner = nullptr);
    ~TPopupMenu() override;
    std::wstring ClassName() const override { return L"TPopupMenu"; }

    TMenuItem& Items() { return *FItems; }
    // Stored and honoured as "captions are shown as written": accelerator letters are never
    // added automatically.
    TMenuAutoFlag AutoHotkeys() const { return FAutoHotkeys; }
    void SetAutoHotkeys(TMenuAutoFlag value) { FAutoHotkeys = value; }

    // Opens the menu at a screen point, waits for the choice and runs the chosen item's
    // OnClick. Returns the chosen item, or nullptr when the menu was dismissed.
    TMenuItem* Popup(int screenX, int screenY);

    // Replaces TrackPopupMenu (tests choose an item without a mouse); nullptr restores it.
    void SetTracker(TTracker tracker) { FTracker = std::move(tracker); }

    TNotifyEvent OnPopup;

private:
    HWND OwnerWindow() const;

    std::unique_ptr<TMenuItem> FItems;
    TMenuAutoFlag FAutoHotkeys = maAutomatic;
    TTracker FTracker;
};

// Builds the Win32 menu for `root`'s visible items. Command ids are 1 + the item's index in
// `commands`, which receives the items that can be chosen.
MenuOwner BuildPopupMenu(const TMenuItem& root, std::vector<TMenuItem*>& commands);

void RegisterMenuClasses(TClassRegistry& registry);

} // namespace ui
