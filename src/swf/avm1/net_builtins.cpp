// Network-facing classes: NetConnection and NetStream (the object model; no media streams play
// here yet), MovieClipLoader (a broadcaster whose loads go through the clip loader), XMLSocket
// and LocalConnection.
#include <string>

#include "swf/avm1/builtins.h"
#include "swf/avm1/runtime.h"
#include "swf/avm1/clip.h"
#include "swf/avm1/native_data.h"

namespace swf::avm1 {

namespace {

Value answer_nothing(Vm&, Value, const Args&) { return Value(); }

Value broadcaster_method(Vm& vm, const char* name) {
    return vm.get(vm.get(vm.global, vm.intern("AsBroadcaster")), vm.intern(name));
}

Object* status_info(Vm& vm, const char* level, const char* code) {
    Object* info = vm.new_object();
    vm.set(info, vm.intern("code"), vm.intern(code));
    vm.set(info, vm.intern("level"), vm.intern(level));
    return info;
}

// ---------------------------------------------------------------------------------------------
// NetConnection
// ---------------------------------------------------------------------------------------------
// connect(null) opens a local connection at once; connect(url) starts a remoting connection,
// which makes no call until it is used or closed.
class Connection final : public NativeData {
public:
    enum State { Closed, Local, Remote } state = Closed;
    std::string uri;
};

Value nc_ctor(Vm& vm, Value self, const Args&) {
    native_attach<Connection>(vm, self);
    return Value();
}

void nc_status(Vm& vm, const Value& self, const char* code) {
    vm.call_method(self, vm.intern("onStatus"), {status_info(vm, "status", code)});
}

// Closing a remoting connection also tells onStatus with no event: the request it had pending
// is dropped.
void nc_close_state(Vm& vm, const Value& self, Connection& c) {
    const Connection::State was = c.state;
    c.state = Connection::Closed;
    if (was == Connection::Closed) return;
    nc_status(vm, self, "NetConnection.Connect.Closed");
    if (was == Connection::Remote) vm.call_method(self, vm.intern("onStatus"), {});
}

Value nc_connect(Vm& vm, Value self, const Args& args) {
    Connection* c = native_of<Connection>(self);
    if (!c || args.size() < 1) return Value();
    nc_close_state(vm, self, *c);
    if (args[0].is_null()) {
        c->state = Connection::Local;
        c->uri = "null";
        nc_status(vm, self, "NetConnection.Connect.Success");
        return true;
    }
    const std::string uri = vm.to_std_string(args[0]);
    c->uri = uri;
    if (uri.compare(0, 7, "http://") == 0 || uri.compare(0, 8, "https://") == 0) {
        c->state = Connection::Remote;
        return true;
    }
    // Streaming servers (rtmp and the like) cannot be reached from this player.
    vm.call_method(self, vm.intern("onStatus"), {status_info(vm, "error", "NetConnection.Connect.Failed")});
    return false;
}

Value nc_close(Vm& vm, Value self, const Args&) {
    if (Connection* c = native_of<Connection>(self)) nc_close_state(vm, self, *c);
    return Value();
}

Value nc_is_connected(Vm&, Value self, const Args&) {
    Connection* c = native_of<Connection>(self);
    if (!c) return Value();
    return c->state == Connection::Local;
}

Value nc_uri(Vm& vm, Value self, const Args&) {
    Connection* c = native_of<Connection>(self);
    if (!c || c->uri.empty()) return Value();
    return vm.str(c->uri);
}

// ---------------------------------------------------------------------------------------------
// NetStream
// ---------------------------------------------------------------------------------------------
class Stream final : public NativeData {
public:
    double buffer_time = 0.1;
    bool paused = false;
};

Value ns_ctor(Vm& vm, Value self, const Args&) {
    native_attach<Stream>(vm, self);
    return Value();
}

Value ns_set_buffer_time(Vm& vm, Value self, const Args& args) {
    if (Stream* s = native_of<Stream>(self); s && args.size() > 0) {
        const double t = vm.to_number(args[0]);
        s->buffer_time = t == t && t > 0 ? t : 0;
    }
    return Value();
}

Value ns_buffer_time(Vm&, Value self, const Args&) {
    Stream* s = native_of<Stream>(self);
    return s ? Value(s->buffer_time) : Value();
}

// Nothing plays yet: no time passes and nothing is loaded or buffered.
Value ns_zero(Vm&, Value self, const Args&) { return native_of<Stream>(self) ? Value(0.0) : Value(); }

Value ns_pause(Vm& vm, Value self, const Args& args) {
    if (Stream* s = native_of<Stream>(self)) s->paused = args.size() > 0 ? vm.to_boolean(args[0]) : !s->paused;
    return Value();
}

// ---------------------------------------------------------------------------------------------
// MovieClipLoader
// ---------------------------------------------------------------------------------------------
// Its listeners start with the loader itself, so handlers defined on it are called too.
Value mcl_ctor(Vm& vm, Value self, const Args&) {
    Object* o = self.object();
    if (!o) return Value();
    ArrayObject* listeners = vm.new_array();
    listeners->items.push_back(o);
    vm.define(o, "_listeners", listeners, DontEnum);
    return Value();
}

Object* mcl_target(Vm& vm, const Value& target) {
    if (Object* o = target.object(); o && is_display_object(o)) return o;
    if (target.is_nullish()) return nullptr;
    Object* base = vm.host.level(0);
    if (!base) return nullptr;
    if (target.is_number()) return clip_level(vm, int(vm.to_number(target)));
    return resolve_clip_path(vm, base, vm.to_std_string(target), [](Str*) { return Value(); });
}

// loadClip(url, target): false for a target that is neither a clip nor a path to one.
Value mcl_load_clip(Vm& vm, Value self, const Args& args) {
    if (args.size() < 2) return false;
    Object* target = mcl_target(vm, args[1]);
    if (!target) return false;
    if (!vm.runtime) return false;
    vm.runtime->load_into(target, vm.to_std_string(args[0]), 0x40, self.object());
    return true;
}

Value mcl_unload_clip(Vm& vm, Value, const Args& args) {
    Object* target = args.size() > 0 ? mcl_target(vm, args[0]) : nullptr;
    if (!target) return false;
    clip_load(vm, target, std::string(), 0x40);
    return true;
}

Value mcl_get_progress(Vm& vm, Value, const Args& args) {
    Object* target = args.size() > 0 ? mcl_target(vm, args[0]) : nullptr;
    if (!target) return Value();
    Object* out = vm.new_object();
    vm.set(out, vm.intern("bytesLoaded"), vm.call_method(target, vm.intern("getBytesLoaded"), {}));
    vm.set(out, vm.intern("bytesTotal"), vm.call_method(target, vm.intern("getBytesTotal"), {}));
    return out;
}

// ---------------------------------------------------------------------------------------------
// XMLSocket
// ---------------------------------------------------------------------------------------------
Value xs_ctor(Vm&, Value, const Args&) { return Value(); }

// No sockets are opened by this player: the attempt fails at once.
Value xs_connect(Vm&, Value, const Args&) { return false; }

// The default onData: the text as an XML document for onXML.
Value xs_on_data(Vm& vm, Value self, const Args& args) {
    Value src = args[0];
    Value doc = vm.construct(vm.get(vm.global, vm.intern("XML")), &src, 1);
    vm.call_method(self, vm.intern("onXML"), {doc});
    return Value();
}

// ---------------------------------------------------------------------------------------------
// LocalConnection
// ---------------------------------------------------------------------------------------------
Value lc_ctor(Vm&, Value, const Args&) { return Value(); }

Value lc_domain(Vm& vm, Value, const Args&) { return vm.intern("localhost"); }

}  // namespace

void install_net(Vm& vm) {
    Object* nc = vm.new_object();
    vm.make_class("NetConnection", nc_ctor, nc);
    vm.define_method(nc, "connect", nc_connect);
    vm.define_method(nc, "close", nc_close);
    vm.define_method(nc, "call", answer_nothing);
    vm.define_method(nc, "addHeader", answer_nothing);
    define_accessor(vm, nc, "isConnected", nc_is_connected, nullptr);
    define_accessor(vm, nc, "uri", nc_uri, nullptr);

    Object* ns = vm.new_object();
    vm.make_class("NetStream", ns_ctor, ns);
    vm.define_method(ns, "setBufferTime", ns_set_buffer_time);
    vm.define_method(ns, "pause", ns_pause);
    vm.define_method(ns, "close", answer_nothing);
    define_accessor(vm, ns, "bufferTime", ns_buffer_time, nullptr);
    for (const char* name : {"time", "bytesLoaded", "bytesTotal", "bufferLength", "currentFps", "liveDelay"})
        define_accessor(vm, ns, name, ns_zero, nullptr);

    Object* mcl = vm.new_object();
    vm.make_class("MovieClipLoader", mcl_ctor, mcl);
    for (const char* name : {"addListener", "removeListener", "broadcastMessage"})
        vm.define(mcl, name, broadcaster_method(vm, name));
    vm.define_method(mcl, "loadClip", mcl_load_clip);
    vm.define_method(mcl, "unloadClip", mcl_unload_clip);
    vm.define_method(mcl, "getProgress", mcl_get_progress);

    Object* xs = vm.new_object();
    vm.make_class("XMLSocket", xs_ctor, xs);
    vm.define_method(xs, "connect", xs_connect);
    vm.define_method(xs, "send", answer_nothing);
    vm.define_method(xs, "close", answer_nothing);
    vm.define_method(xs, "onData", xs_on_data);

    Object* lc = vm.new_object();
    vm.make_class("LocalConnection", lc_ctor, lc);
    vm.define_method(lc, "domain", lc_domain);
}

}  // namespace swf::avm1
