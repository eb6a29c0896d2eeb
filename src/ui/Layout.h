// Loading window layouts: parse, create the components through the class registry, apply the
// stored values in file order, resolve component references, call Loaded() and align.
//
//   ui::LoadLayout(*this, L"TFRMDOC");              // from the executable's RCDATA
//   ui::LoadLayoutText(form, L"Test.layout", text);   // from text (tests)
//
// The root object's properties apply to `root` itself; every nested object becomes a
// component owned by `root`, placed in the component of its enclosing object (a control's
// parent window, a menu item's menu). Any fault throws TLayoutError naming the layout, the
// line and the property.
#pragma once
#include "ui/Component.h"
#include "ui/Control.h"
#include "ui/Form.h"
#include "ui/LayoutRegistry.h"
#include <string>
#include <string_view>
#include <type_traits>

namespace ui {

// The registry LoadLayout uses unless told otherwise. It holds the framework's classes from
// the start; the widget kit and the application add theirs at start-up (RegisterKitClasses).
TClassRegistry& DefaultClassRegistry();

// The framework's own classes and the properties common to all controls and forms.
void RegisterFrameworkClasses(TClassRegistry& registry);

void LoadLayoutText(TComponent& root, const std::wstring& fileNameForErrors, std::string_view utf8Text,
                    const TClassRegistry& registry = DefaultClassRegistry());
void LoadLayout(TComponent& root, const std::wstring& resourceName,
                const TClassRegistry& registry = DefaultClassRegistry());

// The bytes of an RCDATA resource of the executable; they stay mapped for the life of the
// process. Throws ui::Exception naming the resource when there is none.
std::string_view RcDataResource(const std::wstring& name);

// --- event properties ---
// The root form's handler of the value's name, of the event's type (TForm::RegisterHandler).
// Fails naming the handler when there is none, or when the root is not a form.
TNotifyEvent LayoutNotifyHandler(const TLayoutValue& v, TLayoutContext& ctx);
TMouseEvent LayoutMouseHandler(const TLayoutValue& v, TLayoutContext& ctx);
TMouseMoveEvent LayoutMouseMoveHandler(const TLayoutValue& v, TLayoutContext& ctx);
TKeyEvent LayoutKeyHandler(const TLayoutValue& v, TLayoutContext& ctx);
TKeyPressEvent LayoutKeyPressHandler(const TLayoutValue& v, TLayoutContext& ctx);
TCloseEvent LayoutCloseHandler(const TLayoutValue& v, TLayoutContext& ctx);

// Event fields registered by member (registry.Property(L"OnClick", &TControl::OnClick)) read
// the handler of their type.
template <>
struct TLayoutReader<TNotifyEvent> {
    static TNotifyEvent Read(const TLayoutValue& v, TLayoutContext& ctx) { return LayoutNotifyHandler(v, ctx); }
};
template <>
struct TLayoutReader<TMouseEvent> {
    static TMouseEvent Read(const TLayoutValue& v, TLayoutContext& ctx) { return LayoutMouseHandler(v, ctx); }
};
template <>
struct TLayoutReader<TMouseMoveEvent> {
    static TMouseMoveEvent Read(const TLayoutValue& v, TLayoutContext& ctx) { return LayoutMouseMoveHandler(v, ctx); }
};
template <>
struct TLayoutReader<TKeyEvent> {
    static TKeyEvent Read(const TLayoutValue& v, TLayoutContext& ctx) { return LayoutKeyHandler(v, ctx); }
};
template <>
struct TLayoutReader<TKeyPressEvent> {
    static TKeyPressEvent Read(const TLayoutValue& v, TLayoutContext& ctx) { return LayoutKeyPressHandler(v, ctx); }
};
template <>
struct TLayoutReader<TCloseEvent> {
    static TCloseEvent Read(const TLayoutValue& v, TLayoutContext& ctx) { return LayoutCloseHandler(v, ctx); }
};

// --- shared value readers ---
// taLeftJustify, taRightJustify or taCenter: the text alignment several classes store.
TAlignment LayoutAlignment(const TLayoutValue& v, TLayoutContext& ctx);

// --- factories for registrations ---
// `Base` is the declared class T derives from (TClassRegistry::Declare). Left out, it is the
// framework class T derives from, which is right only when no declared class lies between.
template <typename T>
using TFrameworkBaseOf = std::conditional_t<std::is_base_of_v<TWinControl, T>, TWinControl,
                                            std::conditional_t<std::is_base_of_v<TControl, T>, TControl, TComponent>>;

// A non-visual component: owned by the root, not placed anywhere.
template <typename T, typename Base = TComponent>
void RegisterComponentClass(TClassRegistry& registry, std::wstring name) {
    registry.Class<T, Base>(std::move(name), [](TComponent& owner, TComponent&, TLayoutContext&) -> TComponent* {
        return new T(&owner);
    });
}

// Puts a control made by a layout into the window of its enclosing object; fails when that
// object is not a windowed control.
void PlaceControl(TControl& control, TComponent& parent, TLayoutContext& ctx);

// A control: owned by the root, child of the enclosing windowed control.
template <typename T, typename Base = TFrameworkBaseOf<T>>
void RegisterControlClass(TClassRegistry& registry, std::wstring name) {
    registry.Class<T, Base>(std::move(name), [](TComponent& owner, TComponent& parent, TLayoutContext& ctx) -> TComponent* {
        T* control = new T(&owner);
        PlaceControl(*control, parent, ctx);
        return control;
    });
}

} // namespace ui
