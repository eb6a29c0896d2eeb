// TWkAction: a command that several controls share. Its caption, hint, enabled, visible and
// checked states and its image index show on every control linked to it, and a click on any
// of them runs its OnExecute.
//
// TWkActionLink ties one control to one action. When a property of the action changes, the
// link copies the new value into the control only while the control still shows the action's
// old value: a control whose property was set by other means keeps it. The buttons derive
// their links from it and add Down and ImageIndex.
//
// Also here: TWkLifetime, which lets code that calls out to a handler find out whether the
// handler destroyed the object.
#pragma once
#include "ui/Control.h"
#include <memory>
#include <string>
#include <vector>

namespace ui { class TClassRegistry; }

namespace wk {

class TWkActionLink;

// ---- Lifetime -------------------------------------------------------------------------------

// Owned by an object whose handlers may destroy it (a click handler closing its panel, a menu
// command deleting its button). Take a watch before calling out; Alive() afterwards says
// whether the object may still be touched.
class TWkLifetime {
public:
    class TWatch {
    public:
        bool Alive() const { return *FAlive; }

    private:
        friend class TWkLifetime;
        explicit TWatch(std::shared_ptr<const bool> alive) : FAlive(std::move(alive)) {}
        std::shared_ptr<const bool> FAlive;
    };

    TWkLifetime() = default;
    ~TWkLifetime() { *FAlive = false; }
    TWkLifetime(const TWkLifetime&) = delete;
    TWkLifetime& operator=(const TWkLifetime&) = delete;

    TWatch Watch() const { return TWatch(FAlive); }

private:
    std::shared_ptr<bool> FAlive = std::make_shared<bool>(true);
};

// ---- Action ---------------------------------------------------------------------------------

class TWkAction : public ui::TComponent {
public:
    explicit TWkAction(ui::TComponent* owner = nullptr);
    ~TWkAction() override;
    std::wstring ClassName() const override { return L"TWkAction"; }

    const std::wstring& Caption() const { return FCaption; }
    void SetCaption(const std::wstring& value);
    const std::wstring& Hint() const { return FHint; }
    void SetHint(const std::wstring& value);
    bool Enabled() const { return FEnabled; }
    void SetEnabled(bool value);
    bool Visible() const { return FVisible; }
    void SetVisible(bool value);
    bool Checked() const { return FChecked; }
    void SetChecked(bool value);
    int ImageIndex() const { return FImageIndex; }
    void SetImageIndex(int value);

    // Runs the command; the sender is the action.
    ui::TNotifyEvent OnExecute;
    // Fires OnExecute; false when there is none.
    bool Execute();

private:
    friend class TWkActionLink;
    // Tells every link about a new value before the action stores it, so that each link can
    // still compare its control with the old one.
    template <typename T, typename Tell>
    void Change(T& field, const T& value, Tell tell);

    std::wstring FCaption;
    std::wstring FHint;
    bool FEnabled = true;
    bool FVisible = true;
    bool FChecked = false;
    int FImageIndex = -1;
    std::vector<TWkActionLink*> FLinks;
};

// ---- Link -----------------------------------------------------------------------------------

class TWkActionLink {
public:
    explicit TWkActionLink(ui::TControl& client) : FClient(client) {}
    virtual ~TWkActionLink() { SetAction(nullptr); }
    TWkActionLink(const TWkActionLink&) = delete;
    TWkActionLink& operator=(const TWkActionLink&) = delete;

    TWkAction* Action() const { return FAction; }
    // Leaves the old action's notifications and joins the new one's.
    void SetAction(TWkAction* action);

protected:
    friend class TWkAction;
    // A property of the action is about to become `value`. The base class carries caption,
    // hint, enabled and visible states to the control while they are linked.
    virtual void CaptionChanging(const std::wstring& value);
    virtual void HintChanging(const std::wstring& value);
    virtual void EnabledChanging(bool value);
    virtual void VisibleChanging(bool value);
    virtual void CheckedChanging(bool) {}
    virtual void ImageIndexChanging(int) {}

    ui::TControl& FClient;
    TWkAction* FAction = nullptr;
};

// What every control takes from an action it is given (or that changes as a whole): caption,
// hint, enabled and visible states. With `checkDefaults` (the action is still being read from
// a layout) only properties still at their defaults are filled.
void ApplyActionDefaults(ui::TControl& control, const TWkAction& action, bool checkDefaults);
// Copies a control's caption, hint, enabled and visible states into an action.
void CopyControlToAction(const ui::TControl& control, TWkAction& action);

// The click of a control that may have an action: its own OnClick when it has one, otherwise
// the action's command. The handler is copied before it runs because it may destroy the
// control, and with it OnClick.
void RunControlClick(ui::TControl& control, TWkAction* action);

// Registers TWkAction and its stored properties.
void RegisterWkActionClasses(ui::TClassRegistry& registry);

} // namespace wk
