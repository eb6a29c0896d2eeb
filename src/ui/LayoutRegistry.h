// Window layouts, third layer: the class and property registry that turns a parsed layout
// into live components.
//
// Classes are registered by name with a factory; properties by (class, dotted name) with a
// typed setter. A property registered for a class applies to every class derived from it in
// C++ (TControl's Left serves every control), and a registration for a derived class wins
// over one for its base. Setters read their value through TLayoutContext, whose helpers
// check the value's kind and throw TLayoutError naming file, line and property.
//
//   RegisterControlClass<TLabel>(registry, L"TLabel");    // Layout.h: factory + placement
//   registry.Property<TControl>(L"Left", [](TControl& c, const TLayoutValue& v, TLayoutContext& ctx) {
//       c.SetLeft(ctx.Int(v));
//   });
//
// There are no static initialisers: each library has an explicit Register...Classes function
// that the program calls on the registry it loads with.
#pragma once
#include "ui/Color.h"
#include "ui/LayoutParser.h"
#include <functional>
#include <initializer_list>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <typeindex>
#include <utility>
#include <vector>

namespace ui {

class TComponent;
class TLayoutContext;

using TLayoutSetter = std::function<void(TComponent&, const TLayoutValue&, TLayoutContext&)>;
// Makes a component of a registered class. `owner` is the layout's root (it owns and frees
// every component); `parent` is the component of the enclosing object (the root for
// top-level objects). The factory places the new component in its parent: a control gets
// the parent window, a menu item is added to its menu.
using TLayoutFactory = std::function<TComponent*(TComponent& owner, TComponent& parent, TLayoutContext& ctx)>;

template <typename E>
using TLayoutNames = std::initializer_list<std::pair<std::wstring_view, E>>;

// State of one load: the file name, the line and property being applied (for errors), the
// components by name, and the references waiting for the fix-up pass.
class TLayoutContext {
public:
    TLayoutContext(TComponent& root, std::wstring fileName) : FRoot(root), FFileName(std::move(fileName)) {}
    TLayoutContext(const TLayoutContext&) = delete;
    TLayoutContext& operator=(const TLayoutContext&) = delete;

    TComponent& Root() const { return FRoot; }
    const std::wstring& FileName() const { return FFileName; }

    // Throws TLayoutError at the current line and property.
    [[noreturn]] void Fail(const std::wstring& message) const;
    [[noreturn]] void FailValue(const TLayoutValue& v, const wchar_t* expected) const; // "expected an integer, found a set"

    // Value readers: each checks the kind (and range) and fails otherwise.
    int Int(const TLayoutValue& v) const;                           // 32-bit signed
    int Int(const TLayoutValue& v, int min, int max) const;         // and within [min, max]
    bool Bool(const TLayoutValue& v) const;                         // True / False
    std::wstring String(const TLayoutValue& v) const;
    const std::wstring& Identifier(const TLayoutValue& v) const;
    TColor Color(const TLayoutValue& v) const;                      // clXxx name or number
    std::vector<std::wstring> Strings(const TLayoutValue& v) const; // a list of strings

    template <typename E>
    E Enum(const TLayoutValue& v, TLayoutNames<E> names) const {
        const std::wstring& id = Identifier(v);
        for (const auto& [name, value] : names)
            if (SameName(name, id)) return value;
        FailUnknownValue(id);
    }
    // A set of names; each member's value is a bit mask that is OR-ed in.
    template <typename E>
    unsigned Set(const TLayoutValue& v, TLayoutNames<E> names) const {
        if (v.Kind != TLayoutValueKind::Set) FailValue(v, L"a set");
        unsigned bits = 0;
        for (const TLayoutValue& item : v.Items) {
            bits |= static_cast<unsigned>(Enum<E>(item, names));
        }
        return bits;
    }

    // A component reference by name, resolved after every component of the layout exists.
    // `assign` receives the component; a name that is missing or of the wrong class fails.
    template <typename T>
    void Reference(const TLayoutValue& v, std::function<void(T&)> assign) {
        const std::wstring& name = Identifier(v);
        AddFixup(name, [assign = std::move(assign)](TComponent& c) {
            T* t = dynamic_cast<T*>(&c);
            if (t) assign(*t);
            return t != nullptr;
        });
    }

    // --- used by the loader ---
    void SetPosition(int line, std::wstring property) { FLine = line; FProperty = std::move(property); }
    void AddComponent(const std::wstring& name, TComponent& component);
    // A component of this layout, or one the root owned before loading, by name.
    TComponent* FindComponent(std::wstring_view name) const;
    // Runs every deferred reference; the first unresolved one fails at its own line.
    void ResolveReferences();

private:
    [[noreturn]] void FailUnknownValue(const std::wstring& id) const;
    void AddFixup(const std::wstring& name, std::function<bool(TComponent&)> apply);

    struct Fixup {
        int Line;
        std::wstring Property;
        std::wstring Name;
        std::function<bool(TComponent&)> Apply;
    };

    TComponent& FRoot;
    std::wstring FFileName;
    int FLine = 0;
    std::wstring FProperty;
    std::vector<std::pair<std::wstring, TComponent*>> FComponents;
    std::vector<Fixup> FFixups;
};

class TClassRegistry {
public:
    TClassRegistry() = default;
    // Lookups cache pointers into the property table: moving keeps them valid (map nodes stay
    // where they are), copying would not.
    TClassRegistry(const TClassRegistry&) = delete;
    TClassRegistry& operator=(const TClassRegistry&) = delete;
    TClassRegistry(TClassRegistry&&) = default;
    TClassRegistry& operator=(TClassRegistry&&) = default;

    // A class the layouts may create, with its own factory.
    template <typename T>
    void Class(std::wstring name, TLayoutFactory factory) {
        std::wstring key = Key(name); // before `name` is moved from
        FClasses[key] = ClassEntry{std::move(name), std::move(factory)};
    }

    // A property of T and of every class derived from T.
    template <typename T, typename F>
    void Property(std::wstring name, F setter) {
        PropertyEntry e;
        e.Type = typeid(T);
        e.Matches = [](TComponent& c) { return dynamic_cast<T*>(&c) != nullptr; };
        e.ThrowPointer = [] { throw static_cast<T*>(nullptr); };
        e.CatchesPointer = [](void (*thrower)()) {
            try { thrower(); } catch (T*) { return true; } catch (...) { return false; }
            return false;
        };
        e.Setter = [setter = std::move(setter)](TComponent& c, const TLayoutValue& v, TLayoutContext& ctx) {
            setter(dynamic_cast<T&>(c), v, ctx);
        };
        AddProperty(std::move(name), std::move(e));
    }

    // A stored name that is read and ignored (obsolete or irrelevant properties).
    template <typename T>
    void Ignored(std::wstring name) {
        Property<T>(std::move(name), [](T&, const TLayoutValue&, TLayoutContext&) {});
    }

    const TLayoutFactory* FindClass(std::wstring_view name) const;
    // The most derived registration of `name` that applies to `component`, or nullptr.
    const TLayoutSetter* FindProperty(TComponent& component, std::wstring_view name) const;

private:
    struct ClassEntry {
        std::wstring Name;
        TLayoutFactory Factory;
    };
    struct PropertyEntry {
        std::type_index Type = typeid(void);
        bool (*Matches)(TComponent&) = nullptr;
        // Together these tell whether one entry's class derives from another's without an
        // instance: a T* thrown is caught by a handler for U* exactly when T derives from U.
        void (*ThrowPointer)() = nullptr;
        bool (*CatchesPointer)(void (*)()) = nullptr;
        TLayoutSetter Setter;
    };
    static std::wstring Key(std::wstring_view name);
    void AddProperty(std::wstring name, PropertyEntry entry);

    std::map<std::wstring, ClassEntry> FClasses;
    std::map<std::wstring, std::vector<PropertyEntry>> FProperties;
    // Which entry serves (component class, name): the derivation test throws, so it is made
    // once per pair. Cleared whenever a property is registered.
    mutable std::map<std::pair<std::type_index, std::wstring>, const TLayoutSetter*> FResolved;
};

} // namespace ui
