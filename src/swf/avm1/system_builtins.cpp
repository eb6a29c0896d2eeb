// The player-facing objects: Key, Mouse, Stage, System (capabilities, security, IME) and
// flash.external.ExternalInterface, which reports no container (available is false, call()
// gives null) but keeps its XML/JS conversion helpers.
//
// Key, Mouse and Stage are broadcasters made by AsBroadcaster.initialize, so their
// addListener is the very function AsBroadcaster has. What they report comes from
// Runtime::input and Runtime::stage, which the host feeds (input.cpp); a machine without a
// runtime reports nothing pressed and the movie's defaults.
#include <cmath>
#include <string>

#include "swf/avm1/builtins.h"
#include "swf/avm1/convert.h"
#include "swf/avm1/native_data.h"
#include "swf/avm1/runtime.h"
#include "swf/player.h"

namespace swf::avm1 {

namespace {

constexpr uint16_t kConstant = DontEnum | DontDelete | ReadOnly;

// What the capabilities report: a Windows stand-alone player of the last AVM1 generation with
// a single-digit major version (some movies read the version one character at a time).
constexpr const char* kPlayerVersion = "WIN 9,0,280,0";
constexpr int kScreenWidth = 1920, kScreenHeight = 1080;

void make_broadcaster(Vm& vm, Object* o) {
    Value bc = vm.get(vm.global, vm.intern("AsBroadcaster"));
    vm.call_method(bc, vm.intern("initialize"), {o});
}

// ---------------------------------------------------------------------------------------------
// Key
// ---------------------------------------------------------------------------------------------
int key_code_arg(Vm& vm, const Args& args) {
    if (args.size() < 1) return -1;
    double d = vm.to_number(args[0]);
    if (!(d >= 0 && d < 256)) return -1;
    return int(d);
}

Value key_is_down(Vm& vm, Value, const Args& args) {
    int code = key_code_arg(vm, args);
    return code >= 0 && vm.runtime && vm.runtime->input.down[code];
}

Value key_is_toggled(Vm& vm, Value, const Args& args) {
    int code = key_code_arg(vm, args);
    return code >= 0 && vm.runtime && vm.runtime->input.toggled[code];
}

Value key_get_code(Vm& vm, Value, const Args&) { return double(vm.runtime ? vm.runtime->input.last_code : 0); }
Value key_get_ascii(Vm& vm, Value, const Args&) { return double(vm.runtime ? vm.runtime->input.last_ascii : 0); }
Value key_is_accessible(Vm&, Value, const Args&) { return true; }

void install_key(Vm& vm) {
    Object* key = vm.new_object();
    vm.define(vm.global, "Key", key);
    make_broadcaster(vm, key);
    static const struct {
        const char* name;
        int code;
    } kCodes[] = {
        {"ALT", 18},  {"BACKSPACE", 8}, {"CAPSLOCK", 20}, {"CONTROL", 17}, {"DELETEKEY", 46},
        {"DOWN", 40}, {"END", 35},      {"ENTER", 13},    {"ESCAPE", 27},  {"HOME", 36},
        {"INSERT", 45}, {"LEFT", 37},   {"PGDN", 34},     {"PGUP", 33},    {"RIGHT", 39},
        {"SHIFT", 16}, {"SPACE", 32},   {"TAB", 9},       {"UP", 38},
    };
    for (const auto& c : kCodes) vm.define(key, c.name, double(c.code), kConstant);
    vm.define_method(key, "isDown", key_is_down, kConstant);
    vm.define_method(key, "isToggled", key_is_toggled, kConstant);
    vm.define_method(key, "getCode", key_get_code, kConstant);
    vm.define_method(key, "getAscii", key_get_ascii, kConstant);
    vm.define_method(key, "isAccessible", key_is_accessible, kConstant | HideBelow8);
}

// ---------------------------------------------------------------------------------------------
// Mouse
// ---------------------------------------------------------------------------------------------
// show() and hide() answer 1 when the pointer was visible before the call, else 0.
Value set_cursor(Vm& vm, bool hidden) {
    if (!vm.runtime) return 1.0;
    const bool was_visible = !vm.runtime->input.cursor_hidden;
    vm.runtime->input.cursor_hidden = hidden;
    return was_visible ? 1.0 : 0.0;
}
Value mouse_show(Vm& vm, Value, const Args&) { return set_cursor(vm, false); }
Value mouse_hide(Vm& vm, Value, const Args&) { return set_cursor(vm, true); }

void install_mouse(Vm& vm) {
    Object* mouse = vm.new_object();
    vm.define(vm.global, "Mouse", mouse);
    make_broadcaster(vm, mouse);
    vm.define_method(mouse, "show", mouse_show, kConstant);
    vm.define_method(mouse, "hide", mouse_hide, kConstant);
}

// ---------------------------------------------------------------------------------------------
// Stage
// ---------------------------------------------------------------------------------------------
Runtime::StageState* stage_state(Vm& vm) { return vm.runtime ? &vm.runtime->stage : nullptr; }

Value stage_width(Vm& vm, Value, const Args&) { return double(vm.runtime ? vm.runtime->stage_width() : 0); }
Value stage_height(Vm& vm, Value, const Args&) { return double(vm.runtime ? vm.runtime->stage_height() : 0); }

Value stage_get_scale_mode(Vm& vm, Value, const Args&) {
    Runtime::StageState* s = stage_state(vm);
    return vm.str(s ? s->scale_mode : "showAll");
}

Value stage_set_scale_mode(Vm& vm, Value, const Args& args) {
    Runtime::StageState* s = stage_state(vm);
    if (!s || args.size() < 1) return Value();
    const std::string want = fold_case(vm.to_string(args[0])->text);
    for (const char* mode : {"showAll", "noBorder", "exactFit", "noScale"})
        if (want == fold_case(mode)) s->scale_mode = mode;
    return Value();
}

// align: any mix of T, B, L, R (either case); read back as T or B, then L or R.
Value stage_get_align(Vm& vm, Value, const Args&) {
    Runtime::StageState* s = stage_state(vm);
    const int a = s ? s->align : 0;
    std::string out;
    if (a & AlignTop)
        out += 'T';
    else if (a & AlignBottom)
        out += 'B';
    if (a & AlignLeft)
        out += 'L';
    else if (a & AlignRight)
        out += 'R';
    return vm.str(out);
}

Value stage_set_align(Vm& vm, Value, const Args& args) {
    Runtime::StageState* s = stage_state(vm);
    if (!s || args.size() < 1) return Value();
    int bits = 0;
    for (char c : vm.to_string(args[0])->text) {
        switch (c) {
        case 't': case 'T': bits |= AlignTop; break;
        case 'b': case 'B': bits |= AlignBottom; break;
        case 'l': case 'L': bits |= AlignLeft; break;
        case 'r': case 'R': bits |= AlignRight; break;
        default: break;
        }
    }
    s->align = bits;
    return Value();
}

Value stage_get_show_menu(Vm& vm, Value, const Args&) {
    Runtime::StageState* s = stage_state(vm);
    return s ? s->show_menu : true;
}

Value stage_set_show_menu(Vm& vm, Value, const Args& args) {
    if (Runtime::StageState* s = stage_state(vm); s && args.size() > 0) s->show_menu = vm.to_boolean(args[0]);
    return Value();
}

Value stage_get_display_state(Vm& vm, Value, const Args&) {
    Runtime::StageState* s = stage_state(vm);
    return vm.intern(s && s->full_screen ? "fullScreen" : "normal");
}

// "fullScreen" or "normal" in any case; a change tells the listeners onFullScreen(isFull).
Value stage_set_display_state(Vm& vm, Value self, const Args& args) {
    Runtime::StageState* s = stage_state(vm);
    if (!s || args.size() < 1) return Value();
    const std::string want = fold_case(vm.to_string(args[0])->text);
    bool full;
    if (want == "fullscreen")
        full = true;
    else if (want == "normal")
        full = false;
    else
        return Value();
    if (full == s->full_screen) return Value();
    s->full_screen = full;
    vm.call_method(self, vm.names.broadcastMessage, {vm.intern("onFullScreen"), full});
    return Value();
}

void install_stage(Vm& vm) {
    Object* stage = vm.new_object();
    vm.define(vm.global, "Stage", stage);
    make_broadcaster(vm, stage);
    define_accessor(vm, stage, "width", stage_width, nullptr, DontEnum | DontDelete);
    define_accessor(vm, stage, "height", stage_height, nullptr, DontEnum | DontDelete);
    define_accessor(vm, stage, "scaleMode", stage_get_scale_mode, stage_set_scale_mode, DontEnum | DontDelete);
    define_accessor(vm, stage, "align", stage_get_align, stage_set_align, DontEnum | DontDelete);
    define_accessor(vm, stage, "showMenu", stage_get_show_menu, stage_set_show_menu, DontEnum | DontDelete);
    define_accessor(vm, stage, "displayState", stage_get_display_state, stage_set_display_state,
                    DontEnum | DontDelete | HideBelow8);
}

// ---------------------------------------------------------------------------------------------
// System
// ---------------------------------------------------------------------------------------------
Value answer_nothing(Vm&, Value, const Args&) { return Value(); }
Value answer_false(Vm&, Value, const Args&) { return false; }
Value answer_true(Vm&, Value, const Args&) { return true; }

Value ime_conversion_mode(Vm& vm, Value, const Args&) { return vm.intern("UNKNOWN"); }

// A local movie may read local files or reach the network, as its FileAttributes ask.
Value security_sandbox_type(Vm& vm, Value, const Args&) {
    const bool network = vm.runtime && vm.runtime->movie_uses_network();
    return vm.intern(network ? "localWithNetwork" : "localWithFile");
}

void install_system_object(Vm& vm, Object* system) {
    Object* caps = vm.new_object();
    vm.define(system, "capabilities", caps, DontEnum);
    auto flag = [](bool b) { return b ? "t" : "f"; };
    struct Cap {
        const char* name;
        const char* server_key;
        Value value;
    };
    const std::string version = kPlayerVersion;
    const Cap caps_list[] = {
        {"avHardwareDisable", "AVD", true},
        {"hasAccessibility", "ACC", true},
        {"hasAudio", "A", true},
        {"hasAudioEncoder", "AE", false},
        {"hasEmbeddedVideo", "EV", true},
        {"hasIME", "IME", false},
        {"hasMP3", "MP3", true},
        {"hasPrinting", "PR", false},
        {"hasScreenBroadcast", "SB", false},
        {"hasScreenPlayback", "SP", false},
        {"hasStreamingAudio", "SA", true},
        {"hasStreamingVideo", "SV", false},
        {"hasTLS", "TLS", true},
        {"hasVideoEncoder", "VE", false},
        {"isDebugger", "DEB", false},
        {"localFileReadDisable", "LFD", false},
        {"windowlessDisable", "WD", false},
    };
    std::string server;
    for (const Cap& c : caps_list) {
        vm.define(caps, c.name, c.value, 0);
        server += std::string(server.empty() ? "" : "&") + c.server_key + "=" + flag(c.value.b);
    }
    vm.define(caps, "language", vm.intern("en"), 0);
    vm.define(caps, "manufacturer", vm.intern("Adobe Windows"), 0);
    vm.define(caps, "os", vm.intern("Windows XP"), 0);
    vm.define(caps, "playerType", vm.intern("StandAlone"), 0);
    vm.define(caps, "pixelAspectRatio", 1.0, 0);
    vm.define(caps, "screenColor", vm.intern("color"), 0);
    vm.define(caps, "screenDPI", 72.0, 0);
    vm.define(caps, "screenResolutionX", double(kScreenWidth), 0);
    vm.define(caps, "screenResolutionY", double(kScreenHeight), 0);
    vm.define(caps, "version", vm.intern(version), 0);
    server += "&V=" + escape(version) + "&M=" + escape("Adobe Windows") + "&R=" + std::to_string(kScreenWidth) +
              "x" + std::to_string(kScreenHeight) + "&DP=72&COL=color&AR=1.0&OS=" + escape("Windows XP") +
              "&L=en&PT=StandAlone";
    vm.define(caps, "serverString", vm.str(server), 0);

    Object* security = vm.new_object();
    vm.define(system, "security", security, DontEnum);
    vm.define_method(security, "allowDomain", answer_nothing);
    vm.define_method(security, "allowInsecureDomain", answer_nothing);
    vm.define_method(security, "loadPolicyFile", answer_nothing);
    define_accessor(vm, security, "sandboxType", security_sandbox_type, nullptr);

    Object* ime = vm.new_object();
    vm.define(system, "IME", ime, DontEnum);
    make_broadcaster(vm, ime);
    static const char* kModes[][2] = {
        {"ALPHANUMERIC_FULL", "ALPHANUMERIC_FULL"}, {"ALPHANUMERIC_HALF", "ALPHANUMERIC_HALF"},
        {"CHINESE", "CHINESE"}, {"JAPANESE_HIRAGANA", "JAPANESE_HIRAGANA"},
        {"JAPANESE_KATAKANA_FULL", "JAPANESE_KATAKANA_FULL"}, {"JAPANESE_KATAKANA_HALF", "JAPANESE_KATAKANA_HALF"},
        {"KOREAN", "KOREAN"}, {"UNKNOWN", "UNKNOWN"},
    };
    for (auto& m : kModes) vm.define(ime, m[0], vm.intern(m[1]), kConstant);
    vm.define_method(ime, "getEnabled", answer_false);
    vm.define_method(ime, "setEnabled", answer_false);
    vm.define_method(ime, "getConversionMode", ime_conversion_mode);
    vm.define_method(ime, "setConversionMode", answer_false);
    vm.define_method(ime, "setCompositionString", answer_false);
    vm.define_method(ime, "doConversion", answer_false);

    vm.define_method(system, "setClipboard", answer_true);
    vm.define_method(system, "showSettings", answer_nothing);
    vm.define(system, "exactSettings", vm.version >= 7, DontEnum);
    vm.define(system, "useCodepage", false, DontEnum);
}

// ---------------------------------------------------------------------------------------------
// ExternalInterface
// ---------------------------------------------------------------------------------------------
std::string escape_xml_text(std::string_view s) { return xml_escape(s); }

// The five entities, exactly as written (no character references), in one pass.
std::string unescape_xml_text(std::string_view s) {
    static const struct {
        std::string_view entity;
        char c;
    } kEntities[] = {{"&amp;", '&'}, {"&quot;", '"'}, {"&apos;", '\''}, {"&lt;", '<'}, {"&gt;", '>'}};
    std::string out;
    for (size_t i = 0; i < s.size();) {
        bool matched = false;
        if (s[i] == '&') {
            for (const auto& e : kEntities) {
                if (s.substr(i, e.entity.size()) == e.entity) {
                    out += e.c;
                    i += e.entity.size();
                    matched = true;
                    break;
                }
            }
        }
        if (!matched) out += s[i++];
    }
    return out;
}

// _escapeXML / _unescapeXML: null for no argument or an empty string.
Value ei_escape_xml(Vm& vm, Value, const Args& args) {
    if (args.size() < 1) return Value::null();
    Str* s = vm.to_string(args[0]);
    if (s->text.empty()) return Value::null();
    return vm.str(escape_xml_text(s->text));
}

Value ei_unescape_xml(Vm& vm, Value, const Args& args) {
    if (args.size() < 1) return Value::null();
    Str* s = vm.to_string(args[0]);
    if (s->text.empty()) return Value::null();
    return vm.str(unescape_xml_text(s->text));
}

std::string to_xml(Vm& vm, const Value& v, int depth);

double length_of(Vm& vm, const Value& v) {
    if (v.is_nullish()) return 0;
    return vm.to_number(vm.get(v, vm.names.length));
}

std::string array_to_xml(Vm& vm, const Value& a, int depth) {
    std::string out = "<array>";
    const double n = length_of(vm, a);
    for (double i = 0; i < n && i < 1e6 && !vm.throwing; ++i) {
        Str* key = vm.number_string(i);
        out += "<property id=\"" + key->text + "\">" + to_xml(vm, vm.get(a, vm.key(key)), depth + 1) + "</property>";
    }
    return out + "</array>";
}

std::string arguments_to_xml(Vm& vm, const Value& a, int depth) {
    std::string out = "<arguments>";
    const double n = length_of(vm, a);
    for (double i = 1; i < n && i < 1e6 && !vm.throwing; ++i)
        out += to_xml(vm, vm.get(a, vm.key(vm.number_string(i))), depth + 1);
    return out + "</arguments>";
}

std::string object_to_xml(Vm& vm, const Value& o, int depth) {
    std::string out = "<object>";
    if (Object* obj = o.object()) {
        for (Str* key : vm.enumerate(obj)) {
            if (vm.throwing) break;
            out += "<property id=\"" + key->text + "\">" + to_xml(vm, vm.get(obj, key), depth + 1) + "</property>";
        }
    }
    return out + "</object>";
}

std::string to_xml(Vm& vm, const Value& v, int depth) {
    if (depth > 64) return "<null/>";
    switch (v.type) {
    case Type::Undefined: return "<undefined/>";
    case Type::Null: return "<null/>";
    case Type::Bool: return v.b ? "<true/>" : "<false/>";
    case Type::Number: return "<number>" + vm.to_string(v)->text + "</number>";
    case Type::String: {
        // An empty string escapes to null, which then reads "null".
        return "<string>" + (v.s->text.empty() ? std::string("null") : escape_xml_text(v.s->text)) + "</string>";
    }
    case Type::Object:
        if (v.o->kind == ObjKind::Function) return "<null/>";
        if (v.o->kind == ObjKind::Array) return array_to_xml(vm, v, depth);
        return object_to_xml(vm, v, depth);
    }
    return "<null/>";
}

Value ei_to_xml(Vm& vm, Value, const Args& args) { return vm.str(to_xml(vm, args[0], 0)); }
Value ei_array_to_xml(Vm& vm, Value, const Args& args) { return vm.str(array_to_xml(vm, args[0], 0)); }
Value ei_arguments_to_xml(Vm& vm, Value, const Args& args) { return vm.str(arguments_to_xml(vm, args[0], 0)); }
Value ei_object_to_xml(Vm& vm, Value, const Args& args) { return vm.str(object_to_xml(vm, args[0], 0)); }

std::string js_quote(std::string_view s) {
    std::string out;
    for (char c : s) {
        switch (c) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default: out += c;
        }
    }
    return out;
}

std::string to_js(Vm& vm, const Value& v, int depth) {
    if (depth > 64) return "null";
    switch (v.type) {
    case Type::Undefined: return "undefined";
    case Type::Null: return "null";
    case Type::Bool: return v.b ? "true" : "false";
    case Type::Number: return vm.to_string(v)->text;
    case Type::String: return "\"" + js_quote(v.s->text) + "\"";
    case Type::Object: {
        if (v.o->kind == ObjKind::Function) return "null";
        if (v.o->kind == ObjKind::Array) {
            std::string out = "[";
            const double n = length_of(vm, v);
            for (double i = 0; i < n && i < 1e6; ++i) {
                if (i > 0) out += ',';
                out += to_js(vm, vm.get(v, vm.key(vm.number_string(i))), depth + 1);
            }
            return out + "]";
        }
        std::string out = "({";
        bool first = true;
        for (Str* key : vm.enumerate(v.o)) {
            if (!first) out += ',';
            first = false;
            out += key->text + ":" + to_js(vm, vm.get(v.o, key), depth + 1);
        }
        return out + "})";
    }
    }
    return "null";
}

Value ei_to_js(Vm& vm, Value, const Args& args) { return vm.str(to_js(vm, args[0], 0)); }
Value ei_js_quote(Vm& vm, Value, const Args& args) { return vm.str(js_quote(vm.to_string(args[0])->text)); }

// The reverse: an XMLNode of the forms above back to a value, read through the node's own
// properties so that any node-like object works.
Value to_as(Vm& vm, const Value& node, int depth);

Value child_nodes_to_array(Vm& vm, const Value& node, bool named, int depth) {
    Value children = vm.get(node, vm.intern("childNodes"));
    const double n = length_of(vm, children);
    Object* out = named ? vm.new_object() : static_cast<Object*>(vm.new_array());
    for (double i = 0; i < n && i < 1e6; ++i) {
        Value child = vm.get(children, vm.key(vm.number_string(i)));
        if (named) {
            Value attrs = vm.get(child, vm.intern("attributes"));
            Str* id = vm.key(vm.get(attrs, vm.intern("id")));
            vm.set(out, id, to_as(vm, vm.get(child, vm.intern("firstChild")), depth + 1));
        } else {
            static_cast<ArrayObject*>(out)->items.push_back(to_as(vm, child, depth + 1));
        }
    }
    return out;
}

Value to_as(Vm& vm, const Value& node, int depth) {
    if (!node.is_object() || depth > 64) return Value();
    const std::string name = vm.to_string(vm.get(node, vm.intern("nodeName")))->text;
    auto text = [&] {
        Value first = vm.get(node, vm.intern("firstChild"));
        Value v = first.is_object() ? vm.get(first, vm.intern("nodeValue")) : Value();
        return v.is_nullish() ? std::string() : vm.to_string(v)->text;
    };
    if (name == "number") return string_to_number(text(), 7);
    if (name == "string") return vm.str(unescape_xml_text(text()));
    if (name == "true") return true;
    if (name == "false") return false;
    if (name == "null") return Value::null();
    if (name == "array") {
        Value children = vm.get(node, vm.intern("childNodes"));
        ArrayObject* out = vm.new_array();
        const double n = length_of(vm, children);
        for (double i = 0; i < n && i < 1e6; ++i) {
            Value prop = vm.get(children, vm.key(vm.number_string(i)));
            out->items.push_back(to_as(vm, vm.get(prop, vm.intern("firstChild")), depth + 1));
        }
        return out;
    }
    if (name == "object") return child_nodes_to_array(vm, node, true, depth);
    if (name == "arguments") return child_nodes_to_array(vm, node, false, depth);
    return Value();
}

Value ei_to_as(Vm& vm, Value, const Args& args) { return to_as(vm, args[0], 0); }
Value ei_array_to_as(Vm& vm, Value, const Args& args) {
    Value children = vm.get(args[0], vm.intern("childNodes"));
    ArrayObject* out = vm.new_array();
    const double n = length_of(vm, children);
    for (double i = 0; i < n && i < 1e6; ++i) {
        Value prop = vm.get(children, vm.key(vm.number_string(i)));
        out->items.push_back(to_as(vm, vm.get(prop, vm.intern("firstChild")), 1));
    }
    return out;
}
Value ei_object_to_as(Vm& vm, Value, const Args& args) { return child_nodes_to_array(vm, args[0], true, 0); }
Value ei_arguments_to_as(Vm& vm, Value, const Args& args) { return child_nodes_to_array(vm, args[0], false, 0); }

Value ei_call(Vm&, Value, const Args&) { return Value::null(); }
Value ei_ctor(Vm&, Value, const Args&) { return Value(); }

void install_external_interface(Vm& vm) {
    Object* external = flash_package(vm, "external");
    Object* proto = vm.new_object();
    FunctionObject* ei = vm.new_native(ei_ctor, proto);
    vm.define(external, "ExternalInterface", ei, 0);
    constexpr uint16_t kHidden = DontEnum | HideBelow8;
    vm.define(ei, "available", false, kHidden | ReadOnly);
    vm.define_method(ei, "addCallback", answer_false, kHidden);
    vm.define_method(ei, "call", ei_call, DontEnum);
    vm.define_method(ei, "_escapeXML", ei_escape_xml, kHidden);
    vm.define_method(ei, "_unescapeXML", ei_unescape_xml, kHidden);
    vm.define_method(ei, "_toXML", ei_to_xml, kHidden);
    vm.define_method(ei, "_arrayToXML", ei_array_to_xml, kHidden);
    vm.define_method(ei, "_argumentsToXML", ei_arguments_to_xml, kHidden);
    vm.define_method(ei, "_objectToXML", ei_object_to_xml, kHidden);
    vm.define_method(ei, "_toJS", ei_to_js, kHidden);
    vm.define_method(ei, "_arrayToJS", ei_to_js, kHidden);
    vm.define_method(ei, "_objectToJS", ei_to_js, kHidden);
    vm.define_method(ei, "_jsQuoteString", ei_js_quote, kHidden);
    vm.define_method(ei, "_toAS", ei_to_as, kHidden);
    vm.define_method(ei, "_arrayToAS", ei_array_to_as, kHidden);
    vm.define_method(ei, "_objectToAS", ei_object_to_as, kHidden);
    vm.define_method(ei, "_argumentsToAS", ei_arguments_to_as, kHidden);
    vm.define_method(ei, "_callIn", answer_nothing, kHidden);
    vm.define_method(ei, "_callOut", answer_nothing, kHidden);
    vm.define_method(ei, "_evalJS", answer_nothing, kHidden);
    vm.define_method(ei, "_initJS", answer_nothing, kHidden);
    vm.define_method(ei, "_objectID", answer_nothing, kHidden);
}

}  // namespace

void install_system(Vm& vm) {
    install_key(vm);
    install_mouse(vm);
    install_stage(vm);
    Object* system = vm.new_object();
    vm.define(vm.global, "System", system);
    install_system_object(vm, system);
    install_external_interface(vm);
}

}  // namespace swf::avm1
