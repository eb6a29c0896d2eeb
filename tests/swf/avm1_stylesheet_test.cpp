// TextField.StyleSheet: reading CSS text, keeping styles as copies, and turning a style into a
// TextFormat with the original player's lenient value parsing.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "swf/avm1/builtins.h"
#include "swf/avm1/textfield.h"
#include "swf/avm1/vm.h"

namespace {

using namespace swf::avm1;

class QuietHost : public Host {
public:
    void trace(const std::string&) override {}
    void error(const std::string&) override {}
    void get_url(const std::string&, const std::string&, int) override {}
    double timer_ms() override { return 0; }
    ClipObject* level(int) override { return nullptr; }
};

struct Machine {
    explicit Machine(int version) : vm(host, version) {}
    Value style_sheet_class() {
        return vm.get(vm.get(vm.global, vm.intern("TextField")), vm.intern("StyleSheet"));
    }
    Value call(const Value& obj, const char* name, std::vector<Value> args) {
        return vm.call(vm.get(obj, vm.intern(name)), obj, args.data(), int(args.size()));
    }
    std::string show(const Value& v) { return vm.trace_string(v); }
    QuietHost host;
    Vm vm;
};

TEST(Avm1StyleSheet, TransformReadsValuesLikeThePlayer) {
    Machine m(8);
    const Value Null = Value::null();
    struct Case {
        const char* property;
        Value value;
        const char* member;  // of the resulting TextFormat
        const char* want;
    } cases[] = {
        {"color", m.vm.str("#faFAfa"), "color", "16448250"},
        {"color", m.vm.str("#456"), "color", "null"},
        {"color", m.vm.str(" #faFAfa"), "color", "null"},
        {"color", 0xFF0000, "color", "null"},
        {"display", m.vm.str("inline"), "display", "inline"},
        {"display", m.vm.str("Inline"), "display", "block"},
        {"display", Null, "display", "block"},
        {"fontFamily", m.vm.str("  Font1  ,   Font2 ,, Font3 "), "font", "Font1  ,Font2 ,Font3 "},
        {"fontFamily", m.vm.str("sans-serif, mono"), "font", "_sans,_typewriter"},
        {"fontFamily", 0.0, "font", "null"},
        {"fontFamily", true, "font", "true"},
        {"fontSize", m.vm.str(" 42px"), "size", "42"},
        {"fontSize", 1.9, "size", "1"},
        {"fontSize", 0.5, "size", "null"},
        {"fontSize", m.vm.str("-10"), "size", "null"},
        {"fontSize", m.vm.str("prefix 10"), "size", "null"},
        {"fontStyle", m.vm.str("italic"), "italic", "true"},
        {"fontStyle", m.vm.str("Italic"), "italic", "null"},
        {"fontWeight", m.vm.str("normal"), "bold", "false"},
        {"kerning", m.vm.str("true"), "kerning", "true"},
        {"kerning", true, "kerning", "false"},
        {"kerning", m.vm.str("1"), "kerning", "true"},
        {"kerning", -1.1, "kerning", "true"},
        {"kerning", 0.9, "kerning", "false"},
        {"leading", m.vm.str(" -10 "), "leading", "-10"},
        {"leading", m.vm.str("x"), "leading", "0"},
        {"leading", 0.0, "leading", "null"},
        {"letterSpacing", m.vm.str("x"), "letterSpacing", "NaN"},
        {"letterSpacing", -1.9, "letterSpacing", "-1"},
        {"marginLeft", -255.0, "leftMargin", "0"},
        {"marginRight", m.vm.str("10suffix"), "rightMargin", "10"},
        {"textAlign", m.vm.str("CenTeR"), "align", "center"},
        {"textAlign", m.vm.str(" center"), "align", "null"},
        {"textDecoration", m.vm.str("underline"), "underline", "true"},
        {"textDecoration", m.vm.str("Underline"), "underline", "null"},
        {"textIndent", m.vm.str("-5"), "indent", "-5"},
    };
    for (const Case& c : cases) {
        Object* style = m.vm.new_object();
        m.vm.set(style, m.vm.intern(c.property), c.value);
        Value tf = make_text_format(m.vm, style_to_text_format(m.vm, style));
        EXPECT_EQ(m.show(m.vm.get(tf, m.vm.intern(c.member))), c.want)
            << c.property << " = " << m.show(c.value);
    }
}

TEST(Avm1StyleSheet, ParsesRulesAndRejectsBrokenText) {
    struct Case {
        const char* css;
        bool ok;
        const char* want;  // selector{name=value;...} per rule
    } cases[] = {
        {"p { font-size: 12px; color:#FF0000 }", true, "p{fontSize=12px;color=#FF0000;}"},
        {"/* note */ .a, h1 {text-align : center;;}", true, ".a{textAlign=center;}h1{textAlign=center;}"},
        {"a {}", true, "a{}"},
        {"", true, ""},
        {"p { color: red", false, ""},
        {"p { color }", false, ""},
        {"p { a: b } junk", false, ""},
        {", p { a: b }", false, ""},
        {"p { a: b /* open", false, ""},
    };
    for (const Case& c : cases) {
        std::vector<std::pair<std::string, std::vector<std::pair<std::string, std::string>>>> rules;
        const bool ok = parse_css(c.css, rules);
        EXPECT_EQ(ok, c.ok) << c.css;
        if (!ok || !c.ok) continue;
        std::string got;
        for (const auto& [sel, decls] : rules) {
            got += sel + "{";
            for (const auto& [n, v] : decls) got += n + "=" + v + ";";
            got += "}";
        }
        EXPECT_EQ(got, c.want) << c.css;
    }
}

TEST(Avm1StyleSheet, StylesAreKeptAsCopies) {
    Machine m(8);
    Value sheet = m.vm.construct(m.style_sheet_class(), nullptr, 0);
    ASSERT_TRUE(sheet.is_object());
    Object* style = m.vm.new_object();
    m.vm.set(style, m.vm.intern("color"), m.vm.str("#FF0000"));
    m.call(sheet, "setStyle", {m.vm.str(".red"), style});
    // Changing the caller's object afterwards does not reach the sheet, nor does changing what
    // getStyle handed out.
    m.vm.set(style, m.vm.intern("color"), m.vm.str("#00FF00"));
    Value got = m.call(sheet, "getStyle", {m.vm.str(".red")});
    EXPECT_EQ(m.show(m.vm.get(got, m.vm.intern("color"))), "#FF0000");
    m.vm.set(got.o, m.vm.intern("color"), m.vm.str("#0000FF"));
    got = m.call(sheet, "getStyle", {m.vm.str(".red")});
    EXPECT_EQ(m.show(m.vm.get(got, m.vm.intern("color"))), "#FF0000");

    EXPECT_EQ(m.show(m.call(sheet, "parseCSS", {m.vm.str("p{font-weight:bold}")})), "true");
    EXPECT_EQ(m.show(m.call(sheet, "parseCSS", {m.vm.str("p{")})), "false");
    EXPECT_EQ(m.show(m.vm.get(m.call(sheet, "getStyleNames", {}), m.vm.intern("length"))), "2");
    m.call(sheet, "setStyle", {m.vm.str(".red"), Value::null()});
    EXPECT_EQ(m.show(m.call(sheet, "getStyle", {m.vm.str(".red")})), "null");
    m.call(sheet, "clear", {});
    EXPECT_EQ(m.show(m.vm.get(m.call(sheet, "getStyleNames", {}), m.vm.intern("length"))), "0");
}

TEST(Avm1StyleSheet, ClassIsHiddenBeforeVersion7) {
    EXPECT_TRUE(Machine(6).style_sheet_class().is_undefined());
    Machine m(7);
    EXPECT_EQ(m.show(m.vm.type_of(m.style_sheet_class())), "function");
}

}  // namespace
