// Names of enumeration values as window layouts spell them, declared once beside each
// enumeration:
//
//   enum TAlign { alNone, alTop, ... };
//   inline constexpr TEnumName<TAlign> kAlignNames[] = {{L"alNone", alNone}, {L"alTop", alTop}, ...};
//   constexpr const auto& EnumNames(TAlign) { return kAlignNames; }
//
// The layout registry finds EnumNames by argument-dependent lookup, so a setter taking TAlign
// reads one of these names with nothing written at its registration.
#pragma once
#include <string_view>
#include <type_traits>

namespace ui {

template <typename E>
struct TEnumName {
    std::wstring_view Name;
    E Value;
};

// An enumeration with a names table in reach of argument-dependent lookup.
template <typename E>
concept NamedEnum = std::is_enum_v<E> && requires(E e) {
    { EnumNames(e) };
};

} // namespace ui
