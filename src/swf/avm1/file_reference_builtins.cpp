// flash.net.FileReference and FileReferenceList: a file the user picks in a dialog, and the
// listeners told what happened (onSelect, onCancel, then for downloads onOpen, onProgress,
// onComplete or onIOError). The dialog is the host's (Host::choose_files); it is shown once the
// calling scripts have run, so browse() and download() only check their arguments and answer
// whether a dialog will open. This player makes no network transfers: a download whose file was
// picked fails to open its URL, as it would offline.
#include <cctype>
#include <string>
#include <vector>

#include "swf/avm1/builtins.h"
#include "swf/avm1/native_data.h"
#include "swf/avm1/runtime.h"

namespace swf::avm1 {

namespace {

class FileState final : public NativeData {
public:
    bool chosen = false;
    bool pending = false;  // a dialog is waiting to be shown
    bool list = false;     // FileReferenceList
    ChosenFile file;
    FileDialogRequest request;
    std::string url;  // download: where from
};

FileState* state_of(const Value& self) { return native_of<FileState>(self); }

Value broadcaster_method(Vm& vm, const char* name) {
    return vm.get(vm.get(vm.global, vm.intern("AsBroadcaster")), vm.intern(name));
}

void give_listeners(Vm& vm, Object* o) { vm.define(o, "_listeners", vm.new_array(), DontEnum); }

void broadcast(Vm& vm, const Value& self, const char* event, std::initializer_list<Value> extra = {}) {
    std::vector<Value> args{vm.intern(event), self};
    args.insert(args.end(), extra.begin(), extra.end());
    vm.call(vm.get(self, vm.names.broadcastMessage), self, args.data(), int(args.size()));
}

// One of a filter's own string properties: 1 read (empty or not), 0 absent or its getter threw,
// -1 converting it to a string threw (the exception goes on to the caller).
int filter_field(Vm& vm, Object* filter, const char* name, std::string& out) {
    Str* key = vm.intern(name);
    if (!filter->find_own(key, vm.case_sensitive())) return 0;
    Value v = vm.get(filter, key);
    if (vm.throwing) {
        vm.throwing = false;
        vm.exception = Value();
        return 0;
    }
    Str* s = vm.to_string(v);
    if (vm.throwing) return -1;
    out = s->text;
    return 1;
}

// browse()'s type list: nothing, or a non-empty array of objects with their own non-empty
// description and extension (macType optional). 1 valid, 0 not, -1 a conversion threw.
int read_filters(Vm& vm, const Args& args, std::vector<FileDialogRequest::Filter>& out) {
    if (args.size() == 0) return 1;
    Object* list = args[0].object();
    if (!list || list->kind != ObjKind::Array) return 0;
    const double n = vm.to_number(vm.get(list, vm.names.length));
    if (!(n >= 1)) return 0;
    for (double i = 0; i < n && i < 1e5; ++i) {
        Object* f = vm.get(list, vm.key(vm.number_string(i))).object();
        if (!f) return 0;
        FileDialogRequest::Filter filter;
        int r = filter_field(vm, f, "description", filter.description);
        if (r <= 0) return r;
        r = filter_field(vm, f, "extension", filter.extensions);
        if (r <= 0) return r;
        if (filter.description.empty() || filter.extensions.empty()) return 0;
        if (filter_field(vm, f, "macType", filter.mac_type) < 0) return -1;
        out.push_back(std::move(filter));
    }
    return 1;
}

std::string extension_of(const std::string& name) {
    const size_t dot = name.rfind('.');
    return dot == std::string::npos ? std::string() : name.substr(dot);
}

Object* new_date(Vm& vm, double ms) {
    Value t = ms;
    return vm.construct(vm.get(vm.global, vm.intern("Date")), &t, 1).object();
}

// ---------------------------------------------------------------------------------------------
// The dialog and what follows it, run after the scripts that asked for it.
// ---------------------------------------------------------------------------------------------
Value make_file_reference(Vm& vm, const ChosenFile& file);

void transfer(Vm& vm, const Value& self, FileState& s) {
    vm.host.trace("Error opening URL '" + s.url + "'");
    broadcast(vm, self, "onIOError");
}

Value show_dialog(Vm& vm, Value self, const Args&) {
    FileState* s = state_of(self);
    if (!s || !s->pending) return Value();
    s->pending = false;
    std::vector<ChosenFile> files;
    if (!vm.host.choose_files(s->request, files) || files.empty()) {
        broadcast(vm, self, "onCancel");
        return Value();
    }
    if (s->list) {
        ArrayObject* list = vm.new_array();
        for (const ChosenFile& f : files) list->items.push_back(make_file_reference(vm, f));
        vm.set(self.object(), vm.intern("fileList"), Value(static_cast<Object*>(list)));
        broadcast(vm, self, "onSelect");
        return Value();
    }
    s->chosen = true;
    s->file = files.front();
    broadcast(vm, self, "onSelect");
    if (s->request.save) transfer(vm, self, *s);
    return Value();
}

bool open_dialog(Vm& vm, const Value& self, FileState& s) {
    if (s.pending || !vm.runtime) return false;
    s.pending = true;
    vm.runtime->defer(self, show_dialog, {});
    return true;
}

// ---------------------------------------------------------------------------------------------
// FileReference
// ---------------------------------------------------------------------------------------------
Value fr_ctor(Vm& vm, Value self, const Args&) {
    Object* o = self.object();
    if (!o) return Value();
    native_attach<FileState>(vm, self);
    give_listeners(vm, o);
    return Value();
}

Value make_file_reference(Vm& vm, const ChosenFile& file) {
    Object* net = flash_package(vm, "net");
    Value made = vm.construct(vm.get(net, vm.intern("FileReference")), nullptr, 0);
    if (FileState* s = state_of(made)) {
        s->chosen = true;
        s->file = file;
    }
    return made;
}

Value fr_browse(Vm& vm, Value self, const Args& args) {
    FileState* s = state_of(self);
    if (!s) return Value();
    std::vector<FileDialogRequest::Filter> filters;
    const int r = read_filters(vm, args, filters);
    if (r < 0) return Value();
    if (r == 0) return false;
    s->request = FileDialogRequest{};
    s->request.filters = std::move(filters);
    s->request.multiple = s->list;
    return open_dialog(vm, self, *s);
}

// An address with a scheme; the rest is the host's to judge when it fetches.
bool plausible_url(const std::string& url) {
    const size_t colon = url.find("://");
    if (colon == std::string::npos || colon == 0) return false;
    for (size_t i = 0; i < colon; ++i)
        if (!std::isalnum(static_cast<unsigned char>(url[i])) && url[i] != '+' && url[i] != '-' && url[i] != '.')
            return false;
    return true;
}

// download(url[, defaultFileName])
Value fr_download(Vm& vm, Value self, const Args& args) {
    FileState* s = state_of(self);
    if (!s) return Value();
    if (args.size() < 1) return false;
    const std::string url = vm.to_std_string(args[0]);
    if (!plausible_url(url)) return false;
    s->request = FileDialogRequest{};
    s->request.save = true;
    if (args.size() > 1 && !args[1].is_undefined()) s->request.default_name = vm.to_std_string(args[1]);
    s->url = url;
    return open_dialog(vm, self, *s);
}

Value fr_cancel(Vm&, Value self, const Args&) {
    if (FileState* s = state_of(self)) s->pending = false;
    return Value();
}

// The picked file's facts; undefined until one is picked (sizes and dates only for opened files).
Value fr_name(Vm& vm, Value self, const Args&) {
    FileState* s = state_of(self);
    if (!s || !s->chosen) return Value();
    return vm.str(s->file.name);
}

Value fr_type(Vm& vm, Value self, const Args&) {
    FileState* s = state_of(self);
    if (!s || !s->chosen) return Value();
    const std::string ext = extension_of(s->file.name);
    return ext.empty() ? Value() : Value(vm.str(ext));
}

Value fr_size(Vm&, Value self, const Args&) {
    FileState* s = state_of(self);
    if (!s || !s->chosen || s->request.save) return Value();
    return s->file.size;
}

Value fr_creation_date(Vm& vm, Value self, const Args&) {
    FileState* s = state_of(self);
    if (!s || !s->chosen || s->request.save || s->file.created_ms == 0) return Value();
    return new_date(vm, s->file.created_ms);
}

Value fr_modification_date(Vm& vm, Value self, const Args&) {
    FileState* s = state_of(self);
    if (!s || !s->chosen || s->request.save || s->file.modified_ms == 0) return Value();
    return new_date(vm, s->file.modified_ms);
}

// Only Mac files have a creator.
Value fr_creator(Vm&, Value, const Args&) { return Value(); }

// ---------------------------------------------------------------------------------------------
// FileReferenceList
// ---------------------------------------------------------------------------------------------
Value frl_ctor(Vm& vm, Value self, const Args&) {
    Object* o = self.object();
    if (!o) return Value();
    if (FileState* s = native_attach<FileState>(vm, self)) s->list = true;
    give_listeners(vm, o);
    return Value();
}

void add_broadcaster_methods(Vm& vm, Object* proto) {
    for (const char* name : {"addListener", "removeListener", "broadcastMessage"})
        vm.define(proto, name, broadcaster_method(vm, name));
}

}  // namespace

void install_file_reference(Vm& vm) {
    Object* net = flash_package(vm, "net");

    Object* fr = vm.new_object();
    vm.define(net, "FileReference", vm.new_native(fr_ctor, fr), 0);
    add_broadcaster_methods(vm, fr);
    vm.define_method(fr, "browse", fr_browse);
    vm.define_method(fr, "download", fr_download);
    vm.define_method(fr, "cancel", fr_cancel);
    define_accessor(vm, fr, "name", fr_name, nullptr);
    define_accessor(vm, fr, "type", fr_type, nullptr);
    define_accessor(vm, fr, "size", fr_size, nullptr);
    define_accessor(vm, fr, "creator", fr_creator, nullptr);
    define_accessor(vm, fr, "creationDate", fr_creation_date, nullptr);
    define_accessor(vm, fr, "modificationDate", fr_modification_date, nullptr);

    Object* frl = vm.new_object();
    vm.define(net, "FileReferenceList", vm.new_native(frl_ctor, frl), 0);
    add_broadcaster_methods(vm, frl);
    vm.define_method(frl, "browse", fr_browse);
}

}  // namespace swf::avm1
