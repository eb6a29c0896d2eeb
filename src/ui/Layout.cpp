// Loading window layouts: the instantiation walk over the parsed tree.
#include "ui/Layout.h"
#include "ui/Form.h"
#include <utility>

namespace ui {

namespace {

class Loader {
public:
    Loader(TComponent& root, const std::wstring& fileName, const TClassRegistry& registry)
        : FRoot(root), FCtx(root, fileName), FRegistry(registry) {}
    Loader(const Loader&) = delete;
    Loader& operator=(const Loader&) = delete;

    // After a failure the controls made so far must not stay with alignment switched off.
    ~Loader() {
        for (TWinControl* w : FAlignDisabled) {
            if (!w) continue;
            try {
                w->EnableAlign();
            } catch (...) {
            }
        }
    }

    void Run(const TLayoutObject& tree) {
        FCtx.SetPosition(tree.Line, L"");
        // The root keeps a name it already has; otherwise it takes the layout's. Another
        // component of its owner may hold that name (two dialogs of one class at once): the
        // name is only a label, so the root then stays unnamed rather than failing.
        if (FRoot.Name().empty()) {
            try {
                FRoot.SetName(tree.Name);
            } catch (const Exception&) {
            }
        }
        FCtx.AddComponent(tree.Name, FRoot);
        Begin(FRoot, tree.Line);
        ApplyProperties(FRoot, tree);
        for (const TLayoutObject& child : tree.Children) CreateObject(child, FRoot);

        FCtx.ResolveReferences();

        for (const auto& [c, line] : FCreated) {
            FCtx.SetPosition(line, L"");
            Guarded([c = c] { c->Loaded(); });
        }
        // Alignment last, parents before children: each window lays out its children inside
        // the bounds its own parent has just given it.
        for (TWinControl*& entry : FAlignDisabled) {
            TWinControl* w = std::exchange(entry, nullptr);
            w->EnableAlign();
            w->ReAlign();
        }
        FAlignDisabled.clear();
    }

private:
    // Runs `step`; a failure that is not already a layout error gets the current position.
    template <typename F>
    void Guarded(F step) {
        try {
            step();
        } catch (const TLayoutError&) {
            throw;
        } catch (const std::exception& e) {
            FCtx.Fail(ExceptionMessage(e));
        }
    }

    void Begin(TComponent& c, int line) {
        c.BeginLoading();
        FCreated.emplace_back(&c, line);
        // Every stored bound would otherwise re-align the parent at once; one pass at the end
        // does it with all values in place.
        if (auto* w = dynamic_cast<TWinControl*>(&c)) {
            w->DisableAlign();
            FAlignDisabled.push_back(w);
        }
    }

    void CreateObject(const TLayoutObject& obj, TComponent& parent) {
        FCtx.SetPosition(obj.Line, L"");
        const TLayoutFactory* factory = FRegistry.FindClass(obj.ClassName);
        if (!factory) FCtx.Fail(L"unknown class '" + obj.ClassName + L"' of object '" + obj.Name + L"'");
        TComponent* c = nullptr;
        Guarded([&] { c = (*factory)(FRoot, parent, FCtx); });
        FCtx.SetPosition(obj.Line, L"");
        try {
            c->SetName(obj.Name);
        } catch (const Exception&) {
            FCtx.Fail(L"duplicate component name '" + obj.Name + L"'");
        }
        FCtx.AddComponent(obj.Name, *c);
        Begin(*c, obj.Line);
        ApplyProperties(*c, obj);
        for (const TLayoutObject& child : obj.Children) CreateObject(child, *c);
    }

    void ApplyProperties(TComponent& c, const TLayoutObject& obj) {
        for (const TLayoutProperty& prop : obj.Properties) {
            FCtx.SetPosition(prop.Line, prop.Name);
            const TLayoutSetter* setter = FRegistry.FindProperty(c, prop.Name);
            if (!setter) FCtx.Fail(L"unknown property of class " + c.ClassName());
            // A setter's own failure (a missing picture resource, say) gets the position.
            Guarded([&] { (*setter)(c, prop.Value, FCtx); });
        }
    }

    TComponent& FRoot;
    TLayoutContext FCtx;
    const TClassRegistry& FRegistry;
    std::vector<std::pair<TComponent*, int>> FCreated; // with the line of each object
    std::vector<TWinControl*> FAlignDisabled;
};

// The name errors give for a layout resource: its root object's name plus ".layout", which
// is the source file's name in resources/ ("FrmDoc.layout" for TFRMDOC).
std::wstring LayoutFileName(const std::wstring& resourceName, std::string_view text) {
    size_t pos = 0;
    while (pos < text.size()) {
        size_t end = text.find('\n', pos);
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = text.substr(pos, end - pos);
        pos = end + 1;
        size_t first = line.find_first_not_of(" \t\r\xEF\xBB\xBF");
        if (first == std::string_view::npos || line.substr(first, 2) == "//") continue;
        line.remove_prefix(first);
        if (line.substr(0, 7) != "object ") break;
        line.remove_prefix(7);
        size_t colon = line.find(':');
        std::string_view name = line.substr(0, colon);
        while (!name.empty() && (name.back() == ' ' || name.back() == '\t')) name.remove_suffix(1);
        while (!name.empty() && (name.front() == ' ' || name.front() == '\t')) name.remove_prefix(1);
        if (colon == std::string_view::npos || name.empty()) break;
        return FromUtf8(name) + L".layout";
    }
    return resourceName;
}

} // namespace

namespace {

template <typename E>
E FindHandler(const TLayoutValue& v, TLayoutContext& ctx, const E* (TForm::*find)(const std::wstring&) const) {
    const std::wstring& name = ctx.Identifier(v);
    auto* form = dynamic_cast<TForm*>(&ctx.Root());
    if (!form) ctx.Fail(L"event handlers need a form as the layout's root");
    const E* handler = (form->*find)(name);
    if (!handler) ctx.Fail(L"unknown event handler '" + name + L"'");
    return *handler;
}

} // namespace

TAlignment LayoutAlignment(const TLayoutValue& v, TLayoutContext& ctx) {
    return ctx.Enum<TAlignment>(v);
}

TNotifyEvent LayoutNotifyHandler(const TLayoutValue& v, TLayoutContext& ctx) { return FindHandler(v, ctx, &TForm::FindNotifyHandler); }
TMouseEvent LayoutMouseHandler(const TLayoutValue& v, TLayoutContext& ctx) { return FindHandler(v, ctx, &TForm::FindMouseHandler); }
TMouseMoveEvent LayoutMouseMoveHandler(const TLayoutValue& v, TLayoutContext& ctx) { return FindHandler(v, ctx, &TForm::FindMouseMoveHandler); }
TKeyEvent LayoutKeyHandler(const TLayoutValue& v, TLayoutContext& ctx) { return FindHandler(v, ctx, &TForm::FindKeyHandler); }
TKeyPressEvent LayoutKeyPressHandler(const TLayoutValue& v, TLayoutContext& ctx) { return FindHandler(v, ctx, &TForm::FindKeyPressHandler); }
TCloseEvent LayoutCloseHandler(const TLayoutValue& v, TLayoutContext& ctx) { return FindHandler(v, ctx, &TForm::FindCloseHandler); }

TClassRegistry& DefaultClassRegistry() {
    static TClassRegistry registry = [] {
        TClassRegistry r;
        RegisterFrameworkClasses(r);
        return r;
    }();
    return registry;
}

void LoadLayoutText(TComponent& root, const std::wstring& fileNameForErrors, std::string_view utf8Text,
                    const TClassRegistry& registry) {
    TLayoutObject tree = ParseLayout(fileNameForErrors, utf8Text);
    Loader(root, fileNameForErrors, registry).Run(tree);
}

void LoadLayout(TComponent& root, const std::wstring& resourceName, const TClassRegistry& registry) {
    std::string_view text = RcDataResource(resourceName);
    LoadLayoutText(root, LayoutFileName(resourceName, text), text, registry);
}

std::string_view RcDataResource(const std::wstring& name) {
    HMODULE module = GetModuleHandleW(nullptr);
    HRSRC info = FindResourceW(module, name.c_str(), RT_RCDATA);
    HGLOBAL data = info ? LoadResource(module, info) : nullptr;
    const void* bytes = data ? LockResource(data) : nullptr;
    if (!bytes) throw Exception(L"resource '" + name + L"' not found");
    // Resources of the executable stay mapped until the process ends; nothing to free.
    return {static_cast<const char*>(bytes), SizeofResource(module, info)};
}

void PlaceControl(TControl& control, TComponent& parent, TLayoutContext& ctx) {
    auto* window = dynamic_cast<TWinControl*>(&parent);
    if (!window || !(window->ControlStyle() & csAcceptsControls))
        ctx.Fail(L"'" + parent.Name() + L"' cannot hold controls");
    control.SetParent(window);
}

} // namespace ui
