// TextField.StyleSheet (version 7 and later): a set of named styles, each a plain object of
// camel-cased CSS properties ("font-size" is fontSize), filled by setStyle or parseCSS, and the
// conversion of one style to a TextFormat (transform).
//
// The styles live in a hidden `_css` object on the instance, so getStyleNames lists them in the
// order for..in would. getStyle and setStyle copy the style object, so later changes to either
// side do not leak into the other.
//
// transform reads each property leniently, as the original does: a falsy value (undefined,
// null, false, 0, "") is ignored; numbers are read like parseInt from the value's string form
// ("12px" is 12, "1.9" is 1); sizes must come out positive and margins are clamped at 0, while
// leading and letter spacing keep their sign (letter spacing even keeps NaN). Keywords match
// exactly, except text-align which ignores case; kerning takes the string "true" or a non-zero
// number. The result always has display "block" and kerning false unless the style says
// otherwise.
#include <algorithm>
#include <cctype>
#include <cmath>

#include "swf/avm1/builtins.h"
#include "swf/avm1/convert.h"
#include "swf/avm1/textfield.h"
#include "swf/avm1/vm.h"

namespace swf::avm1 {

namespace {

Object* style_table(Vm& vm, const Value& self, bool create) {
    Object* o = self.object();
    if (!o) return nullptr;
    Str* key = vm.intern("_css");
    Value t = vm.get(o, key);
    if (t.is_object()) return t.o;
    if (!create) return nullptr;
    Object* table = vm.new_object();
    o->put(key, table, DontEnum, vm.case_sensitive());
    return table;
}

Object* copy_style(Vm& vm, Object* src) {
    Object* copy = vm.new_object();
    for (Str* k : vm.enumerate(src)) vm.set(copy, k, vm.get(src, k));
    return copy;
}

// Stores a copy of `style` under `name`; anything but an object removes the name.
void put_style(Vm& vm, Object* table, Str* name, const Value& style) {
    if (Object* s = style.object()) {
        vm.set(table, name, copy_style(vm, s));
    } else {
        table->remove(name, vm.case_sensitive());
    }
}

Value ss_ctor(Vm& vm, Value self, const Args&) {
    if (Object* o = self.object()) o->put(vm.intern("_css"), vm.new_object(), DontEnum, vm.case_sensitive());
    return Value();
}

Value ss_get_style(Vm& vm, Value self, const Args& args) {
    Object* table = style_table(vm, self, false);
    if (!table) return Value::null();
    Value s = vm.get(table, vm.key(args[0]));
    return s.is_object() ? Value(copy_style(vm, s.o)) : Value::null();
}

Value ss_set_style(Vm& vm, Value self, const Args& args) {
    if (Object* table = style_table(vm, self, true)) put_style(vm, table, vm.key(args[0]), args[1]);
    return Value();
}

Value ss_get_style_names(Vm& vm, Value self, const Args&) {
    ArrayObject* names = vm.new_array();
    if (Object* table = style_table(vm, self, false))
        for (Str* k : vm.enumerate(table)) names->items.push_back(Value(k));
    return names;
}

Value ss_clear(Vm& vm, Value self, const Args&) {
    if (Object* o = self.object()) o->put(vm.intern("_css"), vm.new_object(), DontEnum, vm.case_sensitive());
    return Value();
}

// ---------------------------------------------------------------------------------------------
// CSS text
// ---------------------------------------------------------------------------------------------
bool css_space(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f'; }

std::string trim(std::string_view s) {
    size_t b = 0, e = s.size();
    while (b < e && css_space(s[b])) ++b;
    while (e > b && css_space(s[e - 1])) --e;
    return std::string(s.substr(b, e - b));
}

}  // namespace

// "font-size" → "fontSize".
std::string css_property_name(std::string_view css) {
    std::string out;
    bool upper = false;
    for (char c : css) {
        if (c == '-') {
            upper = true;
            continue;
        }
        out += upper ? char(std::toupper(static_cast<unsigned char>(c))) : c;
        upper = false;
    }
    return out;
}

// Rules in source order, each selector with its declarations (camel-cased names, trimmed
// values). Comments are dropped. False for text that is not a list of `selectors { decls }`.
bool parse_css(std::string_view text, std::vector<std::pair<std::string, std::vector<std::pair<std::string, std::string>>>>& rules) {
    std::string src;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '/' && i + 1 < text.size() && text[i + 1] == '*') {
            size_t end = text.find("*/", i + 2);
            if (end == std::string_view::npos) return false;
            i = end + 1;
            src += ' ';
            continue;
        }
        src += text[i];
    }
    size_t pos = 0;
    while (true) {
        size_t open = src.find('{', pos);
        if (open == std::string::npos) return trim(std::string_view(src).substr(pos)).empty();
        size_t close = src.find('}', open);
        if (close == std::string::npos) return false;
        std::string selectors = std::string(src.substr(pos, open - pos));
        if (selectors.find('}') != std::string::npos) return false;
        std::vector<std::pair<std::string, std::string>> decls;
        std::string_view body = std::string_view(src).substr(open + 1, close - open - 1);
        if (body.find('{') != std::string_view::npos) return false;
        size_t d = 0;
        while (d < body.size()) {
            size_t semi = body.find(';', d);
            std::string_view decl = body.substr(d, semi == std::string_view::npos ? std::string_view::npos : semi - d);
            d = semi == std::string_view::npos ? body.size() : semi + 1;
            if (trim(decl).empty()) continue;
            size_t colon = decl.find(':');
            if (colon == std::string_view::npos) return false;
            std::string name = trim(decl.substr(0, colon));
            if (name.empty()) return false;
            decls.emplace_back(css_property_name(name), trim(decl.substr(colon + 1)));
        }
        size_t s = 0;
        while (s <= selectors.size()) {
            size_t comma = selectors.find(',', s);
            if (comma == std::string::npos) comma = selectors.size();
            std::string sel = trim(std::string_view(selectors).substr(s, comma - s));
            if (sel.empty()) return false;
            rules.emplace_back(sel, decls);
            s = comma + 1;
        }
        pos = close + 1;
    }
}

namespace {

Value ss_parse_css(Vm& vm, Value self, const Args& args) {
    std::vector<std::pair<std::string, std::vector<std::pair<std::string, std::string>>>> rules;
    if (!parse_css(vm.to_std_string(args[0]), rules)) return false;
    Object* table = style_table(vm, self, true);
    if (!table) return false;
    for (const auto& [selector, decls] : rules) {
        // A selector named again adds to (and overrides within) its earlier style.
        Str* key = vm.intern(selector);
        Value existing = vm.get(table, key);
        Object* style = existing.is_object() ? existing.o : vm.new_object();
        for (const auto& [name, value] : decls) vm.set(style, vm.intern(name), Value(vm.str(value)));
        vm.set(table, key, style);
    }
    return true;
}

// ---------------------------------------------------------------------------------------------
// transform
// ---------------------------------------------------------------------------------------------
bool hex_colour(const std::string& s, double& out) {
    if (s.size() != 7 || s[0] != '#') return false;
    uint32_t v = 0;
    for (size_t i = 1; i < 7; ++i) {
        const char c = s[i];
        int d = c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
        if (d < 0) return false;
        v = v * 16 + uint32_t(d);
    }
    out = double(v);
    return true;
}

// Comma-separated faces: leading blanks of each dropped, empty entries skipped, the generic
// CSS families mapped to the player's device fonts.
std::string font_list(const std::string& s) {
    std::string out;
    size_t b = 0;
    while (b <= s.size()) {
        size_t e = s.find(',', b);
        if (e == std::string::npos) e = s.size();
        size_t start = b;
        while (start < e && css_space(s[start])) ++start;
        std::string face = s.substr(start, e - start);
        if (face == "mono") face = "_typewriter";
        else if (face == "sans-serif") face = "_sans";
        else if (face == "serif") face = "_serif";
        if (!face.empty()) {
            if (!out.empty()) out += ',';
            out += face;
        }
        b = e + 1;
    }
    return out;
}

}  // namespace

TextFormat style_to_text_format(Vm& vm, const Value& style) {
    TextFormat f;
    f.display = "block";
    f.kerning = false;
    // Only truthy values count; the rest of the reading works on the string form.
    Value v;
    auto read = [&](const char* name, std::string& out) {
        v = vm.get(style, vm.intern(name));
        if (!vm.to_boolean(v)) return false;
        out = vm.to_std_string(v);
        return true;
    };
    auto number = [](const std::string& s) { return parse_int(s, false, 0); };
    std::string s;
    if (read("color", s)) {
        double c;
        if (hex_colour(s, c)) f.color = c;
    }
    if (read("display", s)) f.display = s == "inline" || s == "none" ? s : "block";
    if (read("fontFamily", s)) f.font = font_list(s);
    if (read("fontSize", s)) {
        const double d = number(s);
        if (d > 0) f.size = d;
    }
    if (read("fontStyle", s)) {
        if (s == "normal") f.italic = false;
        else if (s == "italic") f.italic = true;
    }
    if (read("fontWeight", s)) {
        if (s == "normal") f.bold = false;
        else if (s == "bold") f.bold = true;
    }
    if (read("kerning", s)) {
        const double d = number(s);
        // Only the string "true" counts as a word; the boolean true reads as a failed number.
        f.kerning = (v.is_string() && s == "true") || (!std::isnan(d) && d != 0);
    }
    if (read("leading", s)) {
        const double d = number(s);
        f.leading = std::isnan(d) ? 0 : d;
    }
    if (read("letterSpacing", s)) f.letter_spacing = number(s);
    if (read("marginLeft", s)) {
        const double d = number(s);
        f.left_margin = std::isnan(d) ? 0 : std::max(0.0, d);
    }
    if (read("marginRight", s)) {
        const double d = number(s);
        f.right_margin = std::isnan(d) ? 0 : std::max(0.0, d);
    }
    if (read("textAlign", s)) {
        const std::string a = to_lower(s);
        if (a == "left") f.align = TextAlign::Left;
        else if (a == "center") f.align = TextAlign::Center;
        else if (a == "right") f.align = TextAlign::Right;
        else if (a == "justify") f.align = TextAlign::Justify;
    }
    if (read("textDecoration", s)) {
        if (s == "none") f.underline = false;
        else if (s == "underline") f.underline = true;
    }
    if (read("textIndent", s)) {
        const double d = number(s);
        f.indent = std::isnan(d) ? 0 : d;
    }
    return f;
}

namespace {

Value ss_transform(Vm& vm, Value, const Args& args) {
    const Value style = args[0];
    if (style.is_undefined() || style.is_null()) return Value::null();
    TextFormat f = style_to_text_format(vm, style);
    if (vm.throwing) return Value();
    return make_text_format(vm, f);
}

// Nothing is fetched from the network here: the call reports that no load started.
Value ss_load(Vm&, Value, const Args&) { return false; }

}  // namespace

void install_stylesheet(Vm& vm) {
    Value tf = vm.get(vm.global, vm.intern("TextField"));
    if (!tf.is_object()) return;
    Object* proto = vm.new_object();
    FunctionObject* ctor = vm.make_class("", ss_ctor, proto);
    // Version 6 movies (and older) do not see the class.
    vm.define(tf.o, "StyleSheet", ctor, DontEnum | HideFrom5 | HideFrom6);
    vm.define_method(proto, "getStyle", ss_get_style);
    vm.define_method(proto, "setStyle", ss_set_style);
    vm.define_method(proto, "getStyleNames", ss_get_style_names);
    vm.define_method(proto, "clear", ss_clear);
    vm.define_method(proto, "parseCSS", ss_parse_css);
    vm.define_method(proto, "transform", ss_transform);
    vm.define_method(proto, "load", ss_load);
}

}  // namespace swf::avm1
