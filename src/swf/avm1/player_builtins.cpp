// Classes for the player's surroundings: the context menu (ContextMenu, ContextMenuItem), the
// devices this player has none of (Camera, Microphone, the Video object they would show on),
// printing (PrintJob: no printer, so every job is refused as if the user cancelled),
// Accessibility (no screen reader), flash.text.TextRenderer, and useHandCursor.
#include "swf/avm1/builtins.h"
#include "swf/avm1/native_data.h"

namespace swf::avm1 {

namespace {

Value answer_nothing(Vm&, Value, const Args&) { return Value(); }
Value answer_false(Vm&, Value, const Args&) { return false; }
Value answer_null(Vm&, Value, const Args&) { return Value::null(); }
Value answer_empty_array(Vm& vm, Value, const Args&) { return vm.new_array(); }

// ---------------------------------------------------------------------------------------------
// ContextMenu
// ---------------------------------------------------------------------------------------------
constexpr const char* kBuiltInItems[] = {"print", "forward_back", "rewind", "loop", "play", "quality", "zoom", "save"};

// new ContextMenuItem(caption, onSelect, separatorBefore, enabled, visible)
Value cmi_ctor(Vm& vm, Value self, const Args& args) {
    Object* o = self.object();
    if (!o) return Value();
    auto flag = [&](int i, bool fallback) { return args[i].is_undefined() ? fallback : vm.to_boolean(args[i]); };
    vm.set(o, vm.intern("caption"), args[0]);
    vm.set(o, vm.intern("onSelect"), args[1]);
    vm.set(o, vm.intern("separatorBefore"), flag(2, false));
    vm.set(o, vm.intern("enabled"), flag(3, true));
    vm.set(o, vm.intern("visible"), flag(4, true));
    return Value();
}

Value cmi_copy(Vm& vm, Value self, const Args&) {
    Object* o = self.object();
    if (!o) return Value();
    Value args[5];
    const char* names[5] = {"caption", "onSelect", "separatorBefore", "enabled", "visible"};
    for (int i = 0; i < 5; ++i) args[i] = vm.get(o, vm.intern(names[i]));
    return vm.construct(vm.get(vm.global, vm.intern("ContextMenuItem")), args, 5);
}

Object* new_builtin_items(Vm& vm, bool on) {
    Object* items = vm.new_object();
    for (const char* name : kBuiltInItems) vm.set(items, vm.intern(name), on);
    return items;
}

// new ContextMenu(onSelect)
Value cm_ctor(Vm& vm, Value self, const Args& args) {
    Object* o = self.object();
    if (!o) return Value();
    vm.set(o, vm.intern("onSelect"), args[0]);
    vm.set(o, vm.intern("customItems"), vm.new_array());
    vm.set(o, vm.intern("builtInItems"), new_builtin_items(vm, true));
    return Value();
}

Value cm_hide_builtin_items(Vm& vm, Value self, const Args&) {
    Object* o = self.object();
    if (!o) return Value();
    Value items = vm.get(o, vm.intern("builtInItems"));
    if (Object* b = items.object())
        for (const char* name : kBuiltInItems) vm.set(b, vm.intern(name), false);
    return Value();
}

// A new menu with the same callback, flags and copies of the custom items.
Value cm_copy(Vm& vm, Value self, const Args&) {
    Object* o = self.object();
    if (!o) return Value();
    Value callback = vm.get(o, vm.intern("onSelect"));
    Value copy = vm.construct(vm.get(vm.global, vm.intern("ContextMenu")), &callback, 1);
    Object* c = copy.object();
    if (!c) return copy;
    Object* from = vm.get(o, vm.intern("builtInItems")).object();
    Object* to = vm.get(c, vm.intern("builtInItems")).object();
    if (from && to)
        for (const char* name : kBuiltInItems) vm.set(to, vm.intern(name), vm.get(from, vm.intern(name)));
    Value items = vm.get(o, vm.intern("customItems"));
    Object* out = vm.get(c, vm.intern("customItems")).object();
    const double n = items.is_object() ? vm.to_number(vm.get(items, vm.names.length)) : 0;
    for (double i = 0; out && i < n && i < 1e5 && !vm.throwing; ++i) {
        Value item = vm.get(items, vm.key(vm.number_string(i)));
        Value dup = vm.call_method(item, vm.intern("copy"), {});
        vm.call_method(out, vm.intern("push"), {dup});
    }
    return copy;
}

void install_context_menu(Vm& vm) {
    Object* item_proto = vm.new_object();
    vm.make_class("ContextMenuItem", cmi_ctor, item_proto);
    vm.define_method(item_proto, "copy", cmi_copy);

    Object* proto = vm.new_object();
    vm.make_class("ContextMenu", cm_ctor, proto);
    vm.define_method(proto, "hideBuiltInItems", cm_hide_builtin_items);
    vm.define_method(proto, "copy", cm_copy);
}

// ---------------------------------------------------------------------------------------------
// Devices, printing, accessibility, text rendering
// ---------------------------------------------------------------------------------------------
Value no_ctor(Vm&, Value, const Args&) { return Value(); }

void install_devices(Vm& vm) {
    // No capture devices: get() finds none and the name lists are empty.
    for (const char* name : {"Camera", "Microphone"}) {
        Object* proto = vm.new_object();
        FunctionObject* ctor = vm.make_class(name, no_ctor, proto);
        vm.define_method(ctor, "get", answer_null);
        define_accessor(vm, ctor, "names", answer_empty_array, nullptr);
    }

    Object* video = vm.new_object();
    vm.make_class("Video", no_ctor, video);
    // Nothing can be attached (no cameras or streams play here), so nothing is shown to clear.
    vm.define_method(video, "attachVideo", answer_nothing);
    vm.define_method(video, "clear", answer_nothing);

    Object* print = vm.new_object();
    vm.make_class("PrintJob", no_ctor, print);
    vm.define_method(print, "start", answer_false);
    vm.define_method(print, "addPage", answer_false);
    vm.define_method(print, "send", answer_nothing);
    vm.define_method(print, "orphan", answer_nothing);

    Object* accessibility = vm.new_object();
    vm.define(vm.global, "Accessibility", accessibility);
    vm.define_method(accessibility, "isActive", answer_false);
    vm.define_method(accessibility, "sendEvent", answer_nothing);
    vm.define_method(accessibility, "updateProperties", answer_nothing);
}

Value tr_set_table(Vm&, Value, const Args&) { return Value(); }

void install_text_renderer(Vm& vm) {
    Object* text = flash_package(vm, "text");
    Object* proto = vm.new_object();
    FunctionObject* renderer = vm.new_native(no_ctor, proto);
    vm.define(text, "TextRenderer", renderer, 0);
    vm.define(renderer, "maxLevel", 4.0, DontEnum);
    vm.define(renderer, "displayMode", vm.intern("default"), DontEnum);
    // Tables for the advanced anti-aliasing this player draws without: accepted and unused.
    vm.define_method(renderer, "setAdvancedAntialiasingTable", tr_set_table);
}

}  // namespace

void install_player_classes(Vm& vm) {
    install_context_menu(vm);
    install_devices(vm);
    install_text_renderer(vm);
    // Buttons and clips with handlers show the hand unless a script turns it off.
    vm.define(vm.movieclip_proto, "useHandCursor", true, DontEnum);
    vm.define(vm.button_proto, "useHandCursor", true, DontEnum);
    // Both are enabled by default; a button's for-in lists the flag, a clip's does not.
    vm.define(vm.movieclip_proto, "enabled", true, DontEnum);
    vm.define(vm.button_proto, "enabled", true, 0);
}

}  // namespace swf::avm1
