// Window layouts, third layer: the class and property registry that turns a parsed layout
// into live components.
//
// Classes are registered by name with a factory and the registered class they derive from;
// properties by (class, dotted name) with a setter. A property registered for a class applies
// to every class derived from it in C++ (TControl's Left serves every control), and a
// registration for a derived class wins over one for its base: the declared bases say which
// is which. Values are read through TLayoutContext, whose readers check the value's kind and
// throw TLayoutError naming file, line and property.
//
//   RegisterControlClass<TLabel, TControl>(registry, L"TLabel");   // Layout.h: factory + placement
//   registry.Property(L"Left", &TControl::SetLeft);                   // reads an integer
//   registry.Property(L"Width", &TControl::SetWidth, IntRange(0, 32767));
//   registry.Property(L"Anchors", &TControl::SetAnchors, SetOf<TAnchorKind>);
//   registry.Property(L"OnClick", &TControl::OnClick);               // a field: assigned
//   registry.Property<TControl>(L"Cursor", [](TControl& c, const TLayoutValue& v, TLayoutContext& ctx) {
//       ...                                                           // a setter with logic of its own
//   });
//
// The value's kind follows from the setter's parameter type (TLayoutReader below): int, bool,
// std::wstring, TColor, other integer types within their range, an enumeration with names
// (EnumNames.h), a list of strings, a pointer to a component (a reference by name, resolved
// after loading), an event handler (Layout.h). TColor is std::uint32_t, which sets are too:
// a set names its members' enumeration with SetOf.
//
// There are no static initialisers: each library has an explicit Register...Classes function
// that the program calls on the registry it loads with.
#pragma once
#include "ui/Color.h"
#include "ui/EnumNames.h"
#include "ui/LayoutParser.h"
#include <functional>
#include <initializer_list>
#include <limits>
#include <map>
#include <memory>
#include <string>
#include <stdexcept>
#include <string_view>
#include <type_traits>
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
        return FindName<E>(v, names);
    }
    // By the names declared beside the enumeration.
    template <NamedEnum E>
    E Enum(const TLayoutValue& v) const {
        return FindName<E>(v, EnumNames(E{}));
    }
    // A set of names; each member's value is a bit mask that is OR-ed in.
    template <typename E>
    unsigned Set(const TLayoutValue& v, TLayoutNames<E> names) const {
        return CollectSet<E>(v, names);
    }
    template <NamedEnum E>
    unsigned Set(const TLayoutValue& v) const {
        return CollectSet<E>(v, EnumNames(E{}));
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
    template <typename E, typename Names>
    E FindName(const TLayoutValue& v, const Names& names) const {
        const std::wstring& id = Identifier(v);
        for (const auto& [name, value] : names)
            if (SameName(name, id)) return value;
        FailUnknownValue(id);
    }
    template <typename E, typename Names>
    unsigned CollectSet(const TLayoutValue& v, const Names& names) const {
        if (v.Kind != TLayoutValueKind::Set) FailValue(v, L"a set");
        unsigned bits = 0;
        for (const TLayoutValue& item : v.Items) bits |= static_cast<unsigned>(FindName<E>(item, names));
        return bits;
    }
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

// ---------------------------------------------------------------------------------------------
// Reading a setter's parameter type
// ---------------------------------------------------------------------------------------------

template <typename A>
inline constexpr bool kNoLayoutReader = false;

// How a value of type A is read. Specialise it for a type of your own; a type with no reader
// stops the build at its registration.
template <typename A>
struct TLayoutReader {
    static_assert(kNoLayoutReader<A>, "no layout reader for this parameter type: pass one to Property");
};
template <>
struct TLayoutReader<int> {
    static int Read(const TLayoutValue& v, TLayoutContext& ctx) { return ctx.Int(v); }
};
template <>
struct TLayoutReader<bool> {
    static bool Read(const TLayoutValue& v, TLayoutContext& ctx) { return ctx.Bool(v); }
};
template <>
struct TLayoutReader<std::wstring> {
    static std::wstring Read(const TLayoutValue& v, TLayoutContext& ctx) { return ctx.String(v); }
};
template <>
struct TLayoutReader<TColor> {
    static TColor Read(const TLayoutValue& v, TLayoutContext& ctx) { return ctx.Color(v); }
};
template <>
struct TLayoutReader<std::vector<std::wstring>> {
    static std::vector<std::wstring> Read(const TLayoutValue& v, TLayoutContext& ctx) { return ctx.Strings(v); }
};
// Narrower integers (a 16-bit interval, a byte) take the range of their type.
template <typename A>
    requires(std::is_integral_v<A> && sizeof(A) < sizeof(int))
struct TLayoutReader<A> {
    static A Read(const TLayoutValue& v, TLayoutContext& ctx) {
        return static_cast<A>(ctx.Int(v, std::numeric_limits<A>::min(), std::numeric_limits<A>::max()));
    }
};
template <NamedEnum E>
struct TLayoutReader<E> {
    static E Read(const TLayoutValue& v, TLayoutContext& ctx) { return ctx.Enum<E>(v); }
};

// Readers for Property's optional last argument, where the parameter type does not say it all.
struct IntRange {
    int Min;
    int Max;
    int operator()(const TLayoutValue& v, TLayoutContext& ctx) const { return ctx.Int(v, Min, Max); }
};
template <NamedEnum E>
struct TSetReader {
    unsigned operator()(const TLayoutValue& v, TLayoutContext& ctx) const { return ctx.Set<E>(v); }
};
// A set of E's names, OR-ed into a bit mask.
template <NamedEnum E>
inline constexpr TSetReader<E> SetOf{};

namespace layout_detail {

// The class and value type of a setter member function or of a field.
template <typename P>
struct TMember;
template <typename C, typename R, typename A>
struct TMember<R (C::*)(A)> {
    using Class = C;
    using Value = std::remove_cvref_t<A>;
    static void Apply(C& c, R (C::*set)(A), Value value) { (c.*set)(std::move(value)); }
};
template <typename C, typename R, typename A>
struct TMember<R (C::*)(A) noexcept> : TMember<R (C::*)(A)> {};
template <typename C, typename M>
    requires(!std::is_function_v<M>)
struct TMember<M C::*> {
    using Class = C;
    using Value = M;
    static void Apply(C& c, M C::*field, Value value) { c.*field = std::move(value); }
};

struct TDeduced {};

template <typename A>
concept ComponentPointer = std::is_pointer_v<A> && std::is_class_v<std::remove_pointer_t<A>> &&
                           std::is_base_of_v<TComponent, std::remove_pointer_t<A>>;

} // namespace layout_detail

// ---------------------------------------------------------------------------------------------
// Registry
// ---------------------------------------------------------------------------------------------

class TClassRegistry {
public:
    // Knows TComponent, the root every declared class derives from.
    TClassRegistry();
    // Lookups cache pointers into the property table: moving keeps them valid (map nodes stay
    // where they are), copying would not.
    TClassRegistry(const TClassRegistry&) = delete;
    TClassRegistry& operator=(const TClassRegistry&) = delete;
    TClassRegistry(TClassRegistry&&) = default;
    TClassRegistry& operator=(TClassRegistry&&) = default;

    // A C++ class that has properties, and the declared class it derives from: the nearest one,
    // or a property of both would have no order. Declaring again with the same base does
    // nothing; a base that is not declared, or another base than before, is a programming
    // error (std::logic_error).
    template <typename T, typename Base>
    void Declare() {
        static_assert(std::is_base_of_v<Base, T> && !std::is_same_v<Base, T>, "Base must be a base class of T");
        AddType(typeid(T), typeid(Base));
    }

    // A class the layouts may create, with its own factory.
    template <typename T, typename Base>
    void Class(std::wstring name, TLayoutFactory factory) {
        Declare<T, Base>();
        std::wstring key = Key(name); // before `name` is moved from
        FClasses[key] = ClassEntry{std::move(name), std::move(factory)};
    }

    // A property of T (declared) and of every class derived from T, set by
    //  - a callable taking (T&, const TLayoutValue&, TLayoutContext&), for setters with logic;
    //  - a setter member function or a field of T or of a base of T, reading the value by its
    //    type, or by `read` (IntRange, SetOf, or a function of (value, context)) when given.
    template <typename T, typename F, typename Read = layout_detail::TDeduced>
    void Property(std::wstring name, F setter, Read read = {}) {
        if constexpr (std::is_member_pointer_v<F>) {
            static_assert(std::is_base_of_v<typename layout_detail::TMember<F>::Class, T>,
                          "the setter must be a member of T or of a base of T");
            AddProperty<T>(std::move(name), Bind<T>(setter, std::move(read)));
        } else {
            static_assert(std::is_same_v<Read, layout_detail::TDeduced>, "a callable setter reads its own value");
            AddProperty<T>(std::move(name), std::move(setter));
        }
    }
    // The same for the class the setter or field belongs to.
    template <typename P, typename Read = layout_detail::TDeduced>
        requires std::is_member_pointer_v<P>
    void Property(std::wstring name, P member, Read read = {}) {
        Property<typename layout_detail::TMember<P>::Class>(std::move(name), member, std::move(read));
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
        TLayoutSetter Setter;
    };

    template <typename T, typename P, typename Read>
    static auto Bind(P member, Read read) {
        using M = layout_detail::TMember<P>;
        using A = typename M::Value;
        return [member, read = std::move(read)](T& t, const TLayoutValue& v, TLayoutContext& ctx) {
            if constexpr (!std::is_same_v<Read, layout_detail::TDeduced>) {
                M::Apply(t, member, read(v, ctx));
            } else if constexpr (layout_detail::ComponentPointer<A>) {
                using Target = std::remove_pointer_t<A>;
                ctx.Reference<Target>(v, [&t, member](Target& target) { M::Apply(t, member, &target); });
            } else {
                M::Apply(t, member, TLayoutReader<A>::Read(v, ctx));
            }
        };
    }

    template <typename T, typename F>
    void AddProperty(std::wstring name, F setter) {
        PropertyEntry e;
        e.Type = typeid(T);
        e.Matches = [](TComponent& c) { return dynamic_cast<T*>(&c) != nullptr; };
        e.Setter = [setter = std::move(setter)](TComponent& c, const TLayoutValue& v, TLayoutContext& ctx) {
            setter(dynamic_cast<T&>(c), v, ctx);
        };
        AddEntry(std::move(name), std::move(e));
    }

    static std::wstring Key(std::wstring_view name);
    void AddType(std::type_index type, std::type_index base);
    void AddEntry(std::wstring name, PropertyEntry entry);
    // Whether `type` is `ancestor` or derives from it, by the declared bases.
    bool DerivesFrom(std::type_index type, std::type_index ancestor) const;

    std::map<std::wstring, ClassEntry> FClasses;
    std::map<std::type_index, std::type_index> FBases; // TComponent's base is void
    std::map<std::wstring, std::vector<PropertyEntry>> FProperties;
    // Which entry serves (component class, name), made once per pair. Cleared whenever a
    // property is registered.
    mutable std::map<std::pair<std::type_index, std::wstring>, const TLayoutSetter*> FResolved;
};

} // namespace ui
