// XMLNode, XML and LoadVars.
//
// A node's tree state (type, name, value, parent, children) is native and reached through getters
// on XMLNode.prototype, so subclasses and replaced prototypes keep working. `attributes` is a
// plain object; the parser fills it last attribute first so that for..in (newest first) and
// toString list attributes in document order. `childNodes` is one array per node, rewritten in
// place whenever the children change (entries a script pushed into it are dropped then).
//
// The parser is lenient the way the original one is: comments are dropped, CDATA becomes text,
// entities other than the five named ones and character references stay as written, and the
// first problem ends the parse with a negative `status`, keeping what was built so far.
//
// load()/sendAndLoad() read a file from the movie's folder (Runtime::load_text); its text reaches
// onData the next frame, and nothing is ever sent.
#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "swf/avm1/builtins.h"
#include "swf/avm1/runtime.h"
#include "swf/avm1/convert.h"
#include "swf/avm1/native_data.h"
#include "swf/avm1/vm.h"

namespace swf::avm1 {

namespace {

constexpr int kElement = 1, kText = 3;

// Parse results kept in XML.status.
enum XmlStatus {
    XmlOk = 0,
    XmlCdataOpen = -2,
    XmlDeclOpen = -3,
    XmlDoctypeOpen = -4,
    XmlCommentOpen = -5,
    XmlMalformed = -6,
    XmlAttributeOpen = -8,
    XmlUnclosed = -9,
    XmlUnopened = -10,
};

class XmlNode final : public NativeData {
public:
    Object* self = nullptr;  // the script object
    int type = kElement;
    Str* name = nullptr;   // elements; null for text and for a document
    Str* value = nullptr;  // text
    XmlNode* parent = nullptr;
    std::vector<XmlNode*> children;
    Object* attributes = nullptr;
    ArrayObject* child_array = nullptr;  // made when first asked for

    void trace(Tracer& t) override {
        Object::trace(t);
        t.mark(self);
        t.mark_str(name);
        t.mark_str(value);
        t.mark(parent);
        for (XmlNode* c : children) t.mark(c);
        t.mark(attributes);
        t.mark(child_array);
    }
    size_t cell_size() const override { return sizeof(XmlNode) + children.capacity() * sizeof(void*); }
};

XmlNode* node_of(const Value& v) { return native_of<XmlNode>(v); }

Value node_value(XmlNode* n) { return n ? Value(n->self) : Value::null(); }

void sync_child_array(XmlNode* n) {
    if (!n->child_array) return;
    auto& items = n->child_array->items;
    items.clear();
    for (XmlNode* c : n->children) items.push_back(c->self);
}

// Gives `self` (a fresh plain object) its node state.
XmlNode* init_node(Vm& vm, const Value& self, int type) {
    XmlNode* n = native_attach<XmlNode>(vm, self);
    if (!n) return nullptr;
    n->self = self.o;
    n->type = type;
    if (!n->attributes) n->attributes = vm.new_object();
    return n;
}

// A node made by the parser or createElement: its prototype is whatever XMLNode.prototype is now.
XmlNode* make_node(Vm& vm, int type) {
    Object* proto = vm.object_proto;
    Value ctor = vm.get(vm.global, vm.intern("XMLNode"));
    if (ctor.is_object()) {
        Value p = vm.get(ctor, vm.names.prototype);
        if (p.is_object()) proto = p.o;
    }
    Object* o = vm.new_object(proto);
    return init_node(vm, o, type);
}

int index_in_parent(XmlNode* n) {
    if (!n->parent) return -1;
    auto& list = n->parent->children;
    auto it = std::find(list.begin(), list.end(), n);
    return it == list.end() ? -1 : int(it - list.begin());
}

void detach(XmlNode* n) {
    XmlNode* p = n->parent;
    if (!p) return;
    auto& list = p->children;
    list.erase(std::remove(list.begin(), list.end(), n), list.end());
    n->parent = nullptr;
    sync_child_array(p);
}

// True when `a` is `n` or one of its ancestors.
bool is_self_or_ancestor(XmlNode* a, XmlNode* n) {
    for (int guard = 0; n && guard < 100000; ++guard, n = n->parent)
        if (n == a) return true;
    return false;
}

void insert_child(XmlNode* parent, XmlNode* child, size_t at) {
    detach(child);
    at = std::min(at, parent->children.size());
    parent->children.insert(parent->children.begin() + long(at), child);
    child->parent = parent;
    sync_child_array(parent);
}

// ---------------------------------------------------------------------------------------------
// Text
// ---------------------------------------------------------------------------------------------
std::string escape_xml(std::string_view s) { return xml_escape(s); }

void append_utf8(std::string& out, uint32_t cp) {
    if (cp < 0x80) {
        out += char(cp);
    } else if (cp < 0x800) {
        out += char(0xC0 | (cp >> 6));
        out += char(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += char(0xE0 | (cp >> 12));
        out += char(0x80 | ((cp >> 6) & 0x3F));
        out += char(0x80 | (cp & 0x3F));
    } else {
        out += char(0xF0 | (cp >> 18));
        out += char(0x80 | ((cp >> 12) & 0x3F));
        out += char(0x80 | ((cp >> 6) & 0x3F));
        out += char(0x80 | (cp & 0x3F));
    }
}

// The five named entities and &#N; / &#xN; references; anything else is kept as written.
std::string unescape_xml(std::string_view s) {
    std::string out;
    out.reserve(s.size());
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] != '&') {
            out += s[i];
            continue;
        }
        size_t semi = s.find(';', i + 1);
        if (semi == std::string_view::npos || semi - i > 12) {
            out += '&';
            continue;
        }
        std::string_view ent = s.substr(i + 1, semi - i - 1);
        static const std::pair<std::string_view, const char*> kNamed[] = {
            {"lt", "<"}, {"gt", ">"}, {"amp", "&"}, {"quot", "\""}, {"apos", "'"}};
        const char* named = nullptr;
        for (const auto& [entity, text] : kNamed)
            if (ent == entity) named = text;
        if (named) {
            out += named;
            i = semi;
            continue;
        }
        if (ent.size() >= 2 && ent[0] == '#') {
            const bool hex = ent[1] == 'x' || ent[1] == 'X';
            std::string_view digits = ent.substr(hex ? 2 : 1);
            uint32_t cp = 0;
            bool ok = !digits.empty();
            for (char c : digits) {
                int d = -1;
                if (c >= '0' && c <= '9')
                    d = c - '0';
                else if (hex && c >= 'a' && c <= 'f')
                    d = c - 'a' + 10;
                else if (hex && c >= 'A' && c <= 'F')
                    d = c - 'A' + 10;
                if (d < 0 || cp > 0x10FFFF) {
                    ok = false;
                    break;
                }
                cp = cp * (hex ? 16 : 10) + uint32_t(d);
            }
            if (ok && cp > 0 && cp <= 0x10FFFF) {
                append_utf8(out, cp);
                i = semi;
                continue;
            }
        }
        out += '&';
    }
    return out;
}

bool is_space(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

bool all_space(std::string_view s) {
    for (char c : s)
        if (!is_space(c)) return false;
    return true;
}

// ---------------------------------------------------------------------------------------------
// Parsing
// ---------------------------------------------------------------------------------------------
class Parser {
public:
    Parser(Vm& vm, XmlNode* doc, std::string_view text, bool ignore_white, Object* id_map)
        : vm_(vm), doc_(doc), s_(text), ignore_white_(ignore_white), id_map_(id_map) {}

    int run() {
        std::vector<XmlNode*> open{doc_};
        while (pos_ < s_.size()) {
            if (s_[pos_] != '<') {
                size_t end = s_.find('<', pos_);
                if (end == std::string_view::npos) end = s_.size();
                add_text(open.back(), unescape_xml(s_.substr(pos_, end - pos_)));
                pos_ = end;
                continue;
            }
            std::string_view rest = s_.substr(pos_);
            if (rest.starts_with("<?")) {
                size_t end = s_.find("?>", pos_ + 2);
                if (end == std::string_view::npos) return XmlDeclOpen;
                xml_decl += std::string(s_.substr(pos_, end + 2 - pos_));
                pos_ = end + 2;
            } else if (rest.starts_with("<!--")) {
                size_t end = s_.find("-->", pos_ + 4);
                if (end == std::string_view::npos) return XmlCommentOpen;
                pos_ = end + 3;
            } else if (rest.starts_with("<![CDATA[")) {
                size_t end = s_.find("]]>", pos_ + 9);
                if (end == std::string_view::npos) return XmlCdataOpen;
                add_text(open.back(), std::string(s_.substr(pos_ + 9, end - pos_ - 9)));
                pos_ = end + 3;
            } else if (rest.starts_with("<!")) {
                size_t end = s_.find('>', pos_ + 2);
                if (end == std::string_view::npos) return XmlDoctypeOpen;
                doctype = std::string(s_.substr(pos_, end + 1 - pos_));
                have_doctype = true;
                pos_ = end + 1;
            } else if (rest.starts_with("</")) {
                size_t end = s_.find('>', pos_ + 2);
                if (end == std::string_view::npos) return XmlMalformed;
                std::string_view name = s_.substr(pos_ + 2, end - pos_ - 2);
                while (!name.empty() && is_space(name.back())) name.remove_suffix(1);
                pos_ = end + 1;
                if (open.size() == 1) return XmlUnopened;
                if (open.back()->name->text != name) return XmlUnclosed;
                open.pop_back();
            } else {
                XmlNode* element = nullptr;
                bool empty = false;
                int status = start_tag(open.back(), element, empty);
                if (status != XmlOk) return status;
                if (!empty) open.push_back(element);
            }
        }
        return open.size() == 1 ? XmlOk : XmlUnclosed;
    }

    std::string xml_decl, doctype;
    bool have_doctype = false;

private:
    void add_text(XmlNode* parent, std::string text) {
        if (text.empty() || (ignore_white_ && all_space(text))) return;
        XmlNode* t = make_node(vm_, kText);
        t->value = vm_.str(std::move(text));
        append(parent, t);
    }

    void append(XmlNode* parent, XmlNode* child) {
        parent->children.push_back(child);
        child->parent = parent;
    }

    // `<name attr="v" ...>` or `.../>`, with pos_ at the '<'.
    int start_tag(XmlNode* parent, XmlNode*& element, bool& empty) {
        size_t i = pos_ + 1;
        size_t name_start = i;
        while (i < s_.size() && !is_space(s_[i]) && s_[i] != '>' && s_[i] != '/') ++i;
        if (i >= s_.size() || i == name_start) return XmlMalformed;
        std::string_view name = s_.substr(name_start, i - name_start);
        std::vector<std::pair<std::string, std::string>> attrs;
        for (;;) {
            while (i < s_.size() && is_space(s_[i])) ++i;
            if (i >= s_.size()) return XmlMalformed;
            if (s_[i] == '>') {
                ++i;
                break;
            }
            if (s_[i] == '/') {
                if (i + 1 >= s_.size() || s_[i + 1] != '>') return XmlMalformed;
                empty = true;
                i += 2;
                break;
            }
            size_t an = i;
            while (i < s_.size() && !is_space(s_[i]) && s_[i] != '=' && s_[i] != '>' && s_[i] != '/') ++i;
            std::string_view attr = s_.substr(an, i - an);
            while (i < s_.size() && is_space(s_[i])) ++i;
            if (attr.empty() || i >= s_.size() || s_[i] != '=') return XmlMalformed;
            ++i;
            while (i < s_.size() && is_space(s_[i])) ++i;
            if (i >= s_.size() || (s_[i] != '"' && s_[i] != '\'')) return XmlMalformed;
            const char quote = s_[i++];
            size_t close = s_.find(quote, i);
            if (close == std::string_view::npos) return XmlAttributeOpen;
            attrs.emplace_back(std::string(attr), unescape_xml(s_.substr(i, close - i)));
            i = close + 1;
        }
        pos_ = i;
        element = make_node(vm_, kElement);
        element->name = vm_.str(std::string(name));
        // Last attribute first: listing newest first then gives document order.
        for (auto it = attrs.rbegin(); it != attrs.rend(); ++it)
            element->attributes->put(vm_.intern(it->first), vm_.str(it->second), 0, vm_.case_sensitive());
        if (id_map_) {
            for (auto& [k, v] : attrs)
                if (k == "id") {
                    vm_.set(id_map_, vm_.intern(v), element->self);
                    break;
                }
        }
        append(parent, element);
        return XmlOk;
    }

    Vm& vm_;
    XmlNode* doc_;
    std::string_view s_;
    bool ignore_white_;
    Object* id_map_;
    size_t pos_ = 0;
};

// Replaces the children of `doc` with what `text` holds.
void parse_into(Vm& vm, XmlNode* doc, std::string_view text) {
    while (!doc->children.empty()) detach(doc->children.back());
    Object* self = doc->self;
    const bool ignore_white = vm.to_boolean(vm.get(self, vm.intern("ignoreWhite")));
    Object* id_map = nullptr;
    if (vm.version >= 8) id_map = vm.get(self, vm.intern("idMap")).object();
    Parser p(vm, doc, text, ignore_white, id_map);
    const int status = p.run();
    sync_child_array(doc);
    if (!p.xml_decl.empty()) vm.set(self, vm.intern("xmlDecl"), vm.str(p.xml_decl));
    if (p.have_doctype) vm.set(self, vm.intern("docTypeDecl"), vm.str(p.doctype));
    vm.set(self, vm.intern("status"), double(status));
}

// ---------------------------------------------------------------------------------------------
// Writing
// ---------------------------------------------------------------------------------------------
// Returns false when a script's toString threw while attributes were written.
bool write_node(Vm& vm, XmlNode* n, std::string& out, int depth) {
    if (depth > 2000) return true;
    if (n->type != kElement) {
        if (n->value) out += escape_xml(n->value->text);
        return true;
    }
    if (!n->name) {
        if (!n->parent) {
            // A document: its declarations first.
            for (const char* key : {"xmlDecl", "docTypeDecl"}) {
                Value v = vm.get(n->self, vm.intern(key));
                if (v.is_nullish()) continue;
                Str* s = vm.to_string(v);
                if (vm.throwing) return false;
                out += s->text;
            }
        }
        for (XmlNode* c : n->children)
            if (!write_node(vm, c, out, depth + 1)) return false;
        return true;
    }
    out += '<';
    out += n->name->text;
    if (n->attributes) {
        for (Str* key : vm.enumerate(n->attributes)) {
            Str* v = vm.to_string(vm.get(n->attributes, key));
            if (vm.throwing) return false;
            out += ' ';
            out += key->text;
            out += "=\"";
            out += escape_xml(v->text);
            out += '"';
        }
    }
    if (n->children.empty()) {
        out += " />";
        return true;
    }
    out += '>';
    for (XmlNode* c : n->children)
        if (!write_node(vm, c, out, depth + 1)) return false;
    out += "</";
    out += n->name->text;
    out += '>';
    return true;
}

XmlNode* clone_node(Vm& vm, XmlNode* src, bool deep, Object* proto, int depth) {
    Object* o = vm.new_object(proto);
    XmlNode* n = init_node(vm, o, src->type);
    n->name = src->name;
    n->value = src->value;
    if (src->attributes)
        for (const Property& p : src->attributes->properties())
            if (!(p.flags & Accessor)) n->attributes->put(p.name, p.value, p.flags, true);
    if (deep && depth < 2000) {
        for (XmlNode* c : src->children) {
            XmlNode* copy = clone_node(vm, c, true, c->self->proto, depth + 1);
            n->children.push_back(copy);
            copy->parent = n;
        }
    }
    return n;
}

// ---------------------------------------------------------------------------------------------
// Namespaces: `xmlns` attributes of a node and its ancestors, nearest first, in document order.
// ---------------------------------------------------------------------------------------------
// The prefix an `xmlns…` attribute declares ("" for xmlns, xmlns: and xmlnsfoo alike).
bool namespace_attribute(const std::string& name, std::string& prefix) {
    if (name.size() < 5 || name.compare(0, 5, "xmlns") != 0) return false;
    prefix = name.size() > 5 && name[5] == ':' ? name.substr(6) : std::string();
    return true;
}

// Finds the first declaration on the way up for which `match(prefix, uri)` holds.
template <typename F>
bool find_namespace(Vm& vm, XmlNode* n, F match, std::string& prefix, Str*& uri) {
    for (int guard = 0; n && guard < 100000; ++guard, n = n->parent) {
        if (n->type != kElement || !n->attributes) continue;
        for (Str* key : vm.enumerate(n->attributes)) {
            if (!namespace_attribute(key->text, prefix)) continue;
            Value v = vm.get(n->attributes, key);
            Str* s = vm.to_string(v);
            if (match(prefix, s)) {
                uri = s;
                return true;
            }
        }
    }
    return false;
}

std::string name_prefix(const std::string& name) {
    size_t colon = name.find(':');
    return colon == std::string::npos ? std::string() : name.substr(0, colon);
}

// ---------------------------------------------------------------------------------------------
// XMLNode
// ---------------------------------------------------------------------------------------------
Value xmlnode_ctor(Vm& vm, Value self, const Args& args) {
    double t = vm.to_number(args[0]);
    const int type = std::isnan(t) ? kElement : int(t);
    XmlNode* n = init_node(vm, self, type);
    if (!n) return Value();
    if (args.size() > 1 && !args[1].is_nullish()) {
        Str* s = vm.to_string(args[1]);
        if (type == kElement)
            n->name = s;
        else
            n->value = s;
    }
    return Value();
}

Value get_node_type(Vm&, Value self, const Args&) {
    XmlNode* n = node_of(self);
    return n ? Value(double(n->type)) : Value();
}

Value get_node_name(Vm&, Value self, const Args&) {
    XmlNode* n = node_of(self);
    if (!n) return Value();
    return n->type == kElement && n->name ? Value(n->name) : Value::null();
}

Value set_node_name(Vm& vm, Value self, const Args& args) {
    XmlNode* n = node_of(self);
    if (!n || args[0].is_undefined()) return Value();
    n->name = args[0].is_null() ? nullptr : vm.to_string(args[0]);
    return Value();
}

Value get_node_value(Vm&, Value self, const Args&) {
    XmlNode* n = node_of(self);
    if (!n) return Value();
    return n->type != kElement && n->value ? Value(n->value) : Value::null();
}

Value set_node_value(Vm& vm, Value self, const Args& args) {
    XmlNode* n = node_of(self);
    if (!n || args[0].is_undefined()) return Value();
    n->value = args[0].is_null() ? nullptr : vm.to_string(args[0]);
    return Value();
}

Value get_first_child(Vm&, Value self, const Args&) {
    XmlNode* n = node_of(self);
    if (!n) return Value();
    return node_value(n->children.empty() ? nullptr : n->children.front());
}

Value get_last_child(Vm&, Value self, const Args&) {
    XmlNode* n = node_of(self);
    if (!n) return Value();
    return node_value(n->children.empty() ? nullptr : n->children.back());
}

Value get_sibling(XmlNode* n, int step) {
    if (!n) return Value();
    int i = index_in_parent(n);
    if (i < 0) return Value::null();
    int j = i + step;
    auto& list = n->parent->children;
    return node_value(j >= 0 && j < int(list.size()) ? list[size_t(j)] : nullptr);
}

Value get_next_sibling(Vm&, Value self, const Args&) { return get_sibling(node_of(self), 1); }
Value get_previous_sibling(Vm&, Value self, const Args&) { return get_sibling(node_of(self), -1); }

Value get_parent_node(Vm&, Value self, const Args&) {
    XmlNode* n = node_of(self);
    return n ? node_value(n->parent) : Value();
}

Value get_child_nodes(Vm& vm, Value self, const Args&) {
    XmlNode* n = node_of(self);
    if (!n) return Value();
    if (!n->child_array) {
        n->child_array = vm.new_array();
        sync_child_array(n);
    }
    return n->child_array;
}

Value get_attributes(Vm&, Value self, const Args&) {
    XmlNode* n = node_of(self);
    return n && n->attributes ? Value(n->attributes) : Value();
}

Value set_attributes(Vm&, Value self, const Args& args) {
    XmlNode* n = node_of(self);
    if (n && args[0].is_object()) n->attributes = args[0].o;
    return Value();
}

Value get_prefix(Vm& vm, Value self, const Args&) {
    XmlNode* n = node_of(self);
    if (!n) return Value();
    if (n->type != kElement || !n->name) return Value::null();
    return vm.str(name_prefix(n->name->text));
}

Value get_local_name(Vm& vm, Value self, const Args&) {
    XmlNode* n = node_of(self);
    if (!n) return Value();
    if (n->type != kElement || !n->name) return Value::null();
    size_t colon = n->name->text.find(':');
    return colon == std::string::npos ? Value(n->name) : Value(vm.str(n->name->text.substr(colon + 1)));
}

Value get_namespace_uri(Vm& vm, Value self, const Args&) {
    XmlNode* n = node_of(self);
    if (!n) return Value();
    if (n->type != kElement || !n->name) return Value::null();
    const std::string wanted = name_prefix(n->name->text);
    std::string prefix;
    Str* uri = nullptr;
    if (find_namespace(vm, n, [&](const std::string& p, Str*) { return p == wanted; }, prefix, uri)) return uri;
    return Value::null();
}

Value xmlnode_get_namespace_for_prefix(Vm& vm, Value self, const Args& args) {
    XmlNode* n = node_of(self);
    if (!n || args.size() < 1) return Value::null();
    const std::string wanted = vm.to_string(args[0])->text;
    std::string prefix;
    Str* uri = nullptr;
    if (find_namespace(vm, n, [&](const std::string& p, Str*) { return p == wanted; }, prefix, uri)) return uri;
    return Value::null();
}

Value xmlnode_get_prefix_for_namespace(Vm& vm, Value self, const Args& args) {
    XmlNode* n = node_of(self);
    if (!n || args.size() < 1) return Value::null();
    Str* wanted = vm.to_string(args[0]);
    std::string prefix;
    Str* uri = nullptr;
    if (find_namespace(vm, n, [&](const std::string&, Str* u) { return u->text == wanted->text; }, prefix, uri))
        return vm.str(prefix);
    return Value::null();
}

Value xmlnode_append_child(Vm&, Value self, const Args& args) {
    XmlNode* n = node_of(self);
    XmlNode* child = node_of(args[0]);
    if (!n || !child || is_self_or_ancestor(child, n)) return Value();
    insert_child(n, child, n->children.size() + 1);
    return Value();
}

Value xmlnode_insert_before(Vm&, Value self, const Args& args) {
    XmlNode* n = node_of(self);
    XmlNode* child = node_of(args[0]);
    XmlNode* before = node_of(args[1]);
    if (!n || !child || !before || before->parent != n || child->parent == n || is_self_or_ancestor(child, n))
        return Value();
    insert_child(n, child, size_t(index_in_parent(before)));
    return Value();
}

Value xmlnode_remove_node(Vm&, Value self, const Args&) {
    if (XmlNode* n = node_of(self)) detach(n);
    return Value();
}

Value xmlnode_has_child_nodes(Vm&, Value self, const Args&) {
    XmlNode* n = node_of(self);
    return n ? Value(!n->children.empty()) : Value();
}

Value xmlnode_clone_node(Vm& vm, Value self, const Args& args) {
    XmlNode* n = node_of(self);
    if (!n) return Value();
    return clone_node(vm, n, vm.to_boolean(args[0]), self.o->proto, 0)->self;
}

Value xmlnode_to_string(Vm& vm, Value self, const Args&) {
    XmlNode* n = node_of(self);
    if (!n) return vm.intern("[object Object]");
    std::string out;
    if (!write_node(vm, n, out, 0)) return Value();
    return vm.str(std::move(out));
}

// ---------------------------------------------------------------------------------------------
// XML
// ---------------------------------------------------------------------------------------------
Value xml_ctor(Vm& vm, Value self, const Args& args) {
    XmlNode* n = init_node(vm, self, kElement);
    if (!n) return Value();
    if (vm.version >= 8) vm.define(self.o, "idMap", vm.new_object(), DontEnum);
    if (args.size() > 0 && !args[0].is_undefined()) {
        Str* text = vm.to_string(args[0]);
        if (vm.throwing) return Value();
        parse_into(vm, n, text->text);
    }
    return Value();
}

Value xml_parse(Vm& vm, Value self, const Args& args) {
    XmlNode* n = node_of(self);
    if (!n) return Value();
    Str* text = vm.to_string(args[0]);
    if (vm.throwing) return Value();
    parse_into(vm, n, text->text);
    return Value();
}

Value xml_create_element(Vm& vm, Value, const Args& args) {
    XmlNode* n = make_node(vm, kElement);
    n->name = vm.to_string(args[0]);
    return n->self;
}

Value xml_create_text_node(Vm& vm, Value, const Args& args) {
    XmlNode* n = make_node(vm, kText);
    n->value = vm.to_string(args[0]);
    return n->self;
}

// send: nothing leaves the machine.
Value answer_false(Vm&, Value, const Args&) { return false; }

// load(url): `loaded` is false until onData hears how it went; false for no address or one the
// sandbox refused.
Value load(Vm& vm, Value self, const Args& args) {
    Object* o = self.object();
    if (!o || args.size() < 1 || !vm.runtime) return false;
    vm.set(o, vm.intern("loaded"), false);
    return vm.runtime->load_text(o, vm.to_std_string(args[0]));
}

// sendAndLoad(url, target): the answer goes to `target`; this object's variables stay here.
Value send_and_load(Vm& vm, Value self, const Args& args) {
    Object* target = args.size() >= 2 ? args[1].object() : nullptr;
    if (!target || !vm.runtime) return false;
    vm.set(target, vm.intern("loaded"), false);
    return vm.runtime->load_text(target, vm.to_std_string(args[0]));
}
Value answer_nothing(Vm&, Value, const Args&) { return Value(); }

Value get_bytes_loaded(Vm& vm, Value self, const Args&) { return vm.get(self, vm.intern("_bytesLoaded")); }
Value get_bytes_total(Vm& vm, Value self, const Args&) { return vm.get(self, vm.intern("_bytesTotal")); }

// The default onData: text arrived (or did not) — parse it and tell onLoad.
Value xml_on_data(Vm& vm, Value self, const Args& args) {
    if (args[0].is_undefined()) {
        vm.call_method(self, vm.intern("onLoad"), {false});
        return Value();
    }
    vm.call_method(self, vm.intern("parseXML"), {args[0]});
    vm.set(self.object(), vm.intern("loaded"), true);
    vm.call_method(self, vm.intern("onLoad"), {true});
    return Value();
}

// ---------------------------------------------------------------------------------------------
// LoadVars
// ---------------------------------------------------------------------------------------------
Value loadvars_ctor(Vm&, Value, const Args&) { return Value(); }

Value loadvars_to_string(Vm& vm, Value self, const Args&) {
    Object* o = self.object();
    if (!o) return Value();
    std::string out;
    for (Str* key : vm.enumerate(o)) {
        Value v = vm.get(o, key);
        Str* s = vm.to_string(v);
        if (vm.throwing) return Value();
        if (!out.empty()) out += '&';
        out += escape(key->text);
        out += '=';
        out += escape(s->text);
    }
    return vm.str(std::move(out));
}

// decode("a=1&b=2"): each pair becomes a string property.
Value loadvars_decode(Vm& vm, Value self, const Args& args) {
    Object* o = self.object();
    if (!o || args.size() < 1) return Value();
    const std::string text = vm.to_string(args[0])->text;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find('&', start);
        if (end == std::string::npos) end = text.size();
        std::string_view pair(text.data() + start, end - start);
        if (!pair.empty()) {
            size_t eq = pair.find('=');
            std::string key = unescape(pair.substr(0, eq));
            std::string value = eq == std::string_view::npos ? std::string() : unescape(pair.substr(eq + 1));
            if (!key.empty()) vm.set(o, vm.intern(key), vm.str(std::move(value)));
        }
        start = end + 1;
    }
    return Value();
}

Value loadvars_on_data(Vm& vm, Value self, const Args& args) {
    if (args[0].is_undefined()) {
        vm.call_method(self, vm.intern("onLoad"), {false});
        return Value();
    }
    vm.call_method(self, vm.intern("decode"), {args[0]});
    vm.set(self.object(), vm.intern("loaded"), true);
    vm.call_method(self, vm.intern("onLoad"), {true});
    return Value();
}

}  // namespace

void install_xml(Vm& vm) {
    Object* node_proto = vm.new_object();
    vm.make_class("XMLNode", xmlnode_ctor, node_proto);
    define_accessor(vm, node_proto, "nodeType", get_node_type, nullptr);
    define_accessor(vm, node_proto, "nodeName", get_node_name, set_node_name);
    define_accessor(vm, node_proto, "nodeValue", get_node_value, set_node_value);
    define_accessor(vm, node_proto, "firstChild", get_first_child, nullptr);
    define_accessor(vm, node_proto, "lastChild", get_last_child, nullptr);
    define_accessor(vm, node_proto, "nextSibling", get_next_sibling, nullptr);
    define_accessor(vm, node_proto, "previousSibling", get_previous_sibling, nullptr);
    define_accessor(vm, node_proto, "parentNode", get_parent_node, nullptr);
    define_accessor(vm, node_proto, "childNodes", get_child_nodes, nullptr);
    define_accessor(vm, node_proto, "attributes", get_attributes, set_attributes);
    define_accessor(vm, node_proto, "prefix", get_prefix, nullptr, DontEnum | HideBelow8);
    define_accessor(vm, node_proto, "localName", get_local_name, nullptr, DontEnum | HideBelow8);
    define_accessor(vm, node_proto, "namespaceURI", get_namespace_uri, nullptr, DontEnum | HideBelow8);
    vm.define_method(node_proto, "appendChild", xmlnode_append_child);
    vm.define_method(node_proto, "cloneNode", xmlnode_clone_node);
    vm.define_method(node_proto, "hasChildNodes", xmlnode_has_child_nodes);
    vm.define_method(node_proto, "insertBefore", xmlnode_insert_before);
    vm.define_method(node_proto, "removeNode", xmlnode_remove_node);
    vm.define_method(node_proto, "toString", xmlnode_to_string);
    vm.define_method(node_proto, "getNamespaceForPrefix", xmlnode_get_namespace_for_prefix, DontEnum | HideBelow8);
    vm.define_method(node_proto, "getPrefixForNamespace", xmlnode_get_prefix_for_namespace, DontEnum | HideBelow8);

    Object* xml_proto = vm.new_object(node_proto);
    vm.make_class("XML", xml_ctor, xml_proto);
    vm.define_method(xml_proto, "createElement", xml_create_element);
    vm.define_method(xml_proto, "createTextNode", xml_create_text_node);
    vm.define_method(xml_proto, "parseXML", xml_parse);
    vm.define_method(xml_proto, "load", load);
    vm.define_method(xml_proto, "send", answer_false);
    vm.define_method(xml_proto, "sendAndLoad", send_and_load);
    vm.define_method(xml_proto, "addRequestHeader", answer_nothing);
    vm.define_method(xml_proto, "getBytesLoaded", get_bytes_loaded);
    vm.define_method(xml_proto, "getBytesTotal", get_bytes_total);
    vm.define_method(xml_proto, "onData", xml_on_data);
    vm.define_method(xml_proto, "onLoad", answer_nothing);
    vm.define(xml_proto, "contentType", vm.intern("application/x-www-form-urlencoded"));

    Object* lv_proto = vm.new_object();
    vm.make_class("LoadVars", loadvars_ctor, lv_proto);
    vm.define_method(lv_proto, "load", load);
    vm.define_method(lv_proto, "send", answer_false);
    vm.define_method(lv_proto, "sendAndLoad", send_and_load);
    vm.define_method(lv_proto, "addRequestHeader", answer_nothing);
    vm.define_method(lv_proto, "decode", loadvars_decode);
    vm.define_method(lv_proto, "toString", loadvars_to_string);
    vm.define_method(lv_proto, "getBytesLoaded", get_bytes_loaded);
    vm.define_method(lv_proto, "getBytesTotal", get_bytes_total);
    vm.define_method(lv_proto, "onData", loadvars_on_data);
    vm.define_method(lv_proto, "onLoad", answer_nothing);
    vm.define(lv_proto, "contentType", vm.intern("application/x-www-form-urlencoded"));
}

}  // namespace swf::avm1
