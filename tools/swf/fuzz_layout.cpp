// libFuzzer entry point for the window-layout reader: arbitrary bytes parsed as a layout. A
// malformed layout must end in TLayoutError (any other exception escapes and is reported); the
// UTF-8 helpers must give back what they were given for text that came out of FromUtf8.
#include <cstdint>
#include <string>
#include <string_view>

#include "ui/LayoutParser.h"

namespace {

// Walks the tree so that every kept string and line number is read at least once.
size_t visit(const ui::TLayoutValue& value) {
    size_t n = value.Text.size() + size_t(value.Line);
    for (const ui::TLayoutValue& item : value.Items) n += visit(item);
    return n;
}

size_t visit(const ui::TLayoutObject& object) {
    if (object.Line < 1) __builtin_trap();
    size_t n = object.Name.size() + object.ClassName.size();
    for (const ui::TLayoutProperty& p : object.Properties) {
        if (p.Line < object.Line) __builtin_trap();
        n += p.Name.size() + visit(p.Value);
    }
    for (const ui::TLayoutObject& child : object.Children) {
        if (child.Line <= object.Line) __builtin_trap();
        n += visit(child);
    }
    return n;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const std::wstring wide = ui::FromUtf8(text);
    if (ui::FromUtf8(ui::ToUtf8(wide)) != wide) __builtin_trap();
    try {
        const ui::TLayoutObject root = ui::ParseLayout(L"fuzz.layout", text);
        volatile size_t sink = visit(root);
        (void)sink;
    } catch (const ui::TLayoutError& e) {
        if (e.Text().empty()) __builtin_trap();
    }
    return 0;
}
