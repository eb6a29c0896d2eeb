#include "ui/LayoutRegistry.h"
#include "ui/Component.h"
#include <limits>
#include <stdexcept>
#include <string>

namespace ui {

// ---------------------------------------------------------------------------------------------
// Value readers
// ---------------------------------------------------------------------------------------------

namespace {

constexpr std::pair<std::wstring_view, TColor> kColorNames[] = {
    {L"clBlack", 0x000000}, {L"clMaroon", 0x000080}, {L"clGreen", 0x008000}, {L"clOlive", 0x008080},
    {L"clNavy", 0x800000}, {L"clPurple", 0x800080}, {L"clTeal", 0x808000}, {L"clGray", 0x808080},
    {L"clSilver", 0xC0C0C0}, {L"clRed", 0x0000FF}, {L"clLime", 0x00FF00}, {L"clYellow", 0x00FFFF},
    {L"clBlue", 0xFF0000}, {L"clFuchsia", 0xFF00FF}, {L"clAqua", 0xFFFF00}, {L"clWhite", 0xFFFFFF},
    {L"clNone", clNone}, {L"clDefault", clDefault},
    {L"clScrollBar", clScrollBar}, {L"clBackground", clBackground}, {L"clActiveCaption", clActiveCaption},
    {L"clInactiveCaption", clInactiveCaption}, {L"clMenu", clMenu}, {L"clWindow", clWindow},
    {L"clWindowFrame", clWindowFrame}, {L"clMenuText", clMenuText}, {L"clWindowText", clWindowText},
    {L"clCaptionText", clCaptionText}, {L"clActiveBorder", clActiveBorder}, {L"clInactiveBorder", clInactiveBorder},
    {L"clAppWorkSpace", clAppWorkSpace}, {L"clHighlight", clHighlight}, {L"clHighlightText", clHighlightText},
    {L"clBtnFace", clBtnFace}, {L"clBtnShadow", clBtnShadow}, {L"clGrayText", clGrayText},
    {L"clBtnText", clBtnText}, {L"clInactiveCaptionText", clInactiveCaptionText},
    {L"clBtnHighlight", clBtnHighlight}, {L"cl3DDkShadow", cl3DDkShadow}, {L"cl3DLight", cl3DLight},
    {L"clInfoText", clInfoText}, {L"clInfoBk", clInfoBk},
};

} // namespace

void TLayoutContext::Fail(const std::wstring& message) const { throw TLayoutError(FFileName, FLine, FProperty, message); }

void TLayoutContext::FailValue(const TLayoutValue& v, const wchar_t* expected) const {
    Fail(std::wstring(L"expected ") + expected + L", found " + DescribeValueKind(v.Kind));
}

void TLayoutContext::FailUnknownValue(const std::wstring& id) const { Fail(L"unknown value '" + id + L"'"); }

int TLayoutContext::Int(const TLayoutValue& v) const {
    return Int(v, std::numeric_limits<int>::min(), std::numeric_limits<int>::max());
}

int TLayoutContext::Int(const TLayoutValue& v, int min, int max) const {
    if (v.Kind != TLayoutValueKind::Integer) FailValue(v, L"an integer");
    if (v.Int < min || v.Int > max)
        Fail(L"value " + std::to_wstring(v.Int) + L" out of range " + std::to_wstring(min) + L".." + std::to_wstring(max));
    return static_cast<int>(v.Int);
}

bool TLayoutContext::Bool(const TLayoutValue& v) const {
    return Enum<bool>(v, {{L"True", true}, {L"False", false}});
}

std::wstring TLayoutContext::String(const TLayoutValue& v) const {
    if (v.Kind != TLayoutValueKind::String) FailValue(v, L"a string");
    return v.Text;
}

const std::wstring& TLayoutContext::Identifier(const TLayoutValue& v) const {
    if (v.Kind != TLayoutValueKind::Identifier) FailValue(v, L"a name");
    return v.Text;
}

TColor TLayoutContext::Color(const TLayoutValue& v) const {
    if (v.Kind == TLayoutValueKind::Integer) {
        // Colours are stored as signed 32-bit numbers: system colours are negative (-16777201
        // is clBtnFace), so both signed and unsigned spellings are accepted.
        if (v.Int < std::numeric_limits<std::int32_t>::min() || v.Int > std::numeric_limits<std::uint32_t>::max())
            Fail(L"colour value out of range");
        return static_cast<TColor>(static_cast<std::uint32_t>(v.Int));
    }
    if (v.Kind != TLayoutValueKind::Identifier) FailValue(v, L"a colour");
    for (const auto& [name, color] : kColorNames)
        if (SameName(name, v.Text)) return color;
    FailUnknownValue(v.Text);
}

std::vector<std::wstring> TLayoutContext::Strings(const TLayoutValue& v) const {
    if (v.Kind != TLayoutValueKind::List) FailValue(v, L"a list");
    std::vector<std::wstring> out;
    for (const TLayoutValue& item : v.Items) out.push_back(String(item));
    return out;
}

// ---------------------------------------------------------------------------------------------
// Components and fix-ups
// ---------------------------------------------------------------------------------------------

void TLayoutContext::AddComponent(const std::wstring& name, TComponent& component) {
    for (const auto& entry : FComponents)
        if (SameName(entry.first, name)) Fail(L"duplicate component name '" + name + L"'");
    FComponents.emplace_back(name, &component);
}

TComponent* TLayoutContext::FindComponent(std::wstring_view name) const {
    for (const auto& [n, c] : FComponents)
        if (SameName(n, name)) return c;
    // Components the root made itself before loading can be referred to as well.
    return FRoot.FindComponent(std::wstring(name));
}

void TLayoutContext::AddFixup(const std::wstring& name, std::function<bool(TComponent&)> apply) {
    FFixups.push_back({FLine, FProperty, name, std::move(apply)});
}

void TLayoutContext::ResolveReferences() {
    for (Fixup& f : FFixups) {
        SetPosition(f.Line, f.Property);
        TComponent* target = FindComponent(f.Name);
        if (!target) Fail(L"unresolved component reference '" + f.Name + L"'");
        if (!f.Apply(*target)) Fail(L"component '" + f.Name + L"' is of the wrong class");
    }
    FFixups.clear();
}

// ---------------------------------------------------------------------------------------------
// Registry
// ---------------------------------------------------------------------------------------------

std::wstring TClassRegistry::Key(std::wstring_view name) {
    std::wstring key(name);
    for (wchar_t& c : key)
        if (c >= L'A' && c <= L'Z') c += 32;
    return key;
}

const TLayoutFactory* TClassRegistry::FindClass(std::wstring_view name) const {
    auto it = FClasses.find(Key(name));
    return it == FClasses.end() ? nullptr : &it->second.Factory;
}

TClassRegistry::TClassRegistry() { FBases.emplace(typeid(TComponent), typeid(void)); }

void TClassRegistry::AddType(std::type_index type, std::type_index base) {
    if (!FBases.count(base))
        throw std::logic_error(std::string("layout registry: the base of ") + type.name() + " is not declared");
    auto [it, added] = FBases.emplace(type, base);
    if (!added && it->second != base)
        throw std::logic_error(std::string("layout registry: ") + type.name() + " declared with two bases");
}

bool TClassRegistry::DerivesFrom(std::type_index type, std::type_index ancestor) const {
    for (std::type_index t = type; t != typeid(void);) {
        if (t == ancestor) return true;
        auto it = FBases.find(t);
        if (it == FBases.end()) return false;
        t = it->second;
    }
    return false;
}

void TClassRegistry::AddEntry(std::wstring name, PropertyEntry entry) {
    // Without its place among the declared classes the entry could not be ordered against
    // the same name registered for a base or a derived class.
    if (!FBases.count(entry.Type))
        throw std::logic_error(std::string("layout registry: property of an undeclared class ") + entry.Type.name());
    FResolved.clear();
    auto& entries = FProperties[Key(name)];
    for (PropertyEntry& e : entries) {
        if (e.Type == entry.Type) { e = std::move(entry); return; } // registering again replaces
    }
    entries.push_back(std::move(entry));
}

const TLayoutSetter* TClassRegistry::FindProperty(TComponent& component, std::wstring_view name) const {
    std::wstring key = Key(name);
    auto cacheKey = std::make_pair(std::type_index(typeid(component)), key);
    if (auto cached = FResolved.find(cacheKey); cached != FResolved.end()) return cached->second;
    auto it = FProperties.find(key);
    if (it == FProperties.end()) return nullptr;
    const PropertyEntry* best = nullptr;
    for (const PropertyEntry& e : it->second) {
        if (!e.Matches(component)) continue;
        // Both classes are bases of the component's class, so with the bases declared right
        // one derives from the other; keep the more derived one.
        if (!best || DerivesFrom(e.Type, best->Type)) best = &e;
        else if (!DerivesFrom(best->Type, e.Type))
            throw std::logic_error("layout registry: " + ToUtf8(std::wstring(name)) + " of " + e.Type.name() +
                                   " and of " + best->Type.name() + ": declared bases miss a class between them");
    }
    const TLayoutSetter* setter = best ? &best->Setter : nullptr;
    FResolved.emplace(std::move(cacheKey), setter);
    return setter;
}

} // namespace ui
