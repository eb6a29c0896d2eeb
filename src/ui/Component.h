// TObject and TComponent: the root of every framework object.
// A component has a name and an owner. The owner destroys what it owns (last created first)
// and tells its components when one of them goes away (Notification), so references between
// components (a button's image list, a menu) can be dropped before they dangle.
// Also here: the exception type of the framework and the common event signatures.
#pragma once
#include <windows.h>
#include <exception>
#include <functional>
#include <string>
#include <vector>

namespace ui {

class TObject {
public:
    TObject() = default;
    TObject(const TObject&) = delete;
    TObject& operator=(const TObject&) = delete;
    virtual ~TObject() = default;
};

// A failure with a message meant for the user. The text is UTF-16; what() gives it as UTF-8.
class Exception : public std::exception {
public:
    explicit Exception(std::wstring message);
    const std::wstring& Message() const { return FMessage; }
    const char* what() const noexcept override { return FUtf8.c_str(); }

private:
    std::wstring FMessage;
    std::string FUtf8;
};

// The message of any exception as UTF-16 (ui::Exception's own text; otherwise what() read as
// UTF-8, or in the system code page when it is not valid UTF-8).
std::wstring ExceptionMessage(const std::exception& e);

using TNotifyEvent = std::function<void(TObject* sender)>;

enum TOperation { opInsert, opRemove };

enum TComponentStateFlag : unsigned { csLoading = 1, csDestroying = 2 };
using TComponentState = unsigned;

class TComponent : public TObject {
public:
    explicit TComponent(TComponent* owner = nullptr);
    ~TComponent() override;

    // The class name as window layouts spell it ("TForm", "TWkPanel").
    virtual std::wstring ClassName() const { return L"TComponent"; }

    const std::wstring& Name() const { return FName; }
    // Names are unique among the owner's components (compared without regard to case);
    // a duplicate throws ui::Exception.
    void SetName(const std::wstring& name);
    TComponent* Owner() const { return FOwner; }

    const std::vector<TComponent*>& Components() const { return FComponents; }
    int ComponentCount() const { return static_cast<int>(FComponents.size()); }
    // A directly owned component by name, case-insensitive; nullptr when none.
    TComponent* FindComponent(const std::wstring& name) const;
    // Destroys every owned component, last created first.
    void DestroyComponents();

    // Moves the component to another owner (nullptr: nobody owns it).
    void ChangeOwner(TComponent* newOwner);

    // Asks `other` to tell this component (Notification opRemove) when it is destroyed,
    // even when the two have different owners. Either side's destruction ends the link.
    void FreeNotification(TComponent* other);
    void RemoveFreeNotification(TComponent* other);

    TComponentState ComponentState() const { return FState; }
    bool IsLoading() const { return (FState & csLoading) != 0; }
    bool IsDestroying() const { return (FState & csDestroying) != 0; }
    // The layout reader marks a component as loading while it sets its stored properties,
    // then calls Loaded() on every component it made.
    void BeginLoading() { FState |= csLoading; }
    virtual void Loaded();

    // Runs once the most derived constructor has finished (called by the form factories
    // NewForm/TApplication::CreateForm); TForm fires OnCreate here.
    virtual void AfterConstruction() {}

    // Told when a component owned by the same owner, or one this asked FreeNotification of,
    // is inserted or removed. Called while the removed component is being destroyed:
    // compare pointers only.
    virtual void Notification(TComponent* component, TOperation operation);

protected:
    void SetDestroying() { FState |= csDestroying; }

private:
    void InsertComponent(TComponent* c);
    void RemoveComponent(TComponent* c);

    std::wstring FName;
    TComponent* FOwner = nullptr;
    std::vector<TComponent*> FComponents;
    std::vector<TComponent*> FFreeNotifies;
    TComponentState FState = 0;
};

// Case-insensitive comparison of identifiers (component names, handler names).
bool SameText(const std::wstring& a, const std::wstring& b);

} // namespace ui
