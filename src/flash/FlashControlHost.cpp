#include "flash/FlashControlHost.h"

#include "flash/FlashPlayback.h"
#include "ui/Application.h"

#include <olectl.h>

#include <atomic>
#include <cwchar>

namespace flash {

namespace {

// A BSTR owned for the length of a call.
class TBstr {
public:
    explicit TBstr(const std::wstring& text) : FText(SysAllocStringLen(text.data(), UINT(text.size()))) {}
    ~TBstr() { SysFreeString(FText); }
    TBstr(const TBstr&) = delete;
    TBstr& operator=(const TBstr&) = delete;
    BSTR Get() const { return FText; }

private:
    BSTR FText;
};

std::wstring TakeBstr(BSTR& text) {
    std::wstring result = text ? std::wstring(text, SysStringLen(text)) : std::wstring();
    SysFreeString(text);
    text = nullptr;
    return result;
}


std::wstring CodeText(HRESULT hr) {
    wchar_t code[32];
    swprintf(code, 32, L"0x%08lX", static_cast<unsigned long>(hr));
    return code;
}

// What went wrong in a failed call, in the control's own words where it gave any.
std::wstring ErrorText(HRESULT hr, EXCEPINFO& info) {
    std::wstring text;
    if (hr == DISP_E_EXCEPTION) {
        if (info.pfnDeferredFillIn) info.pfnDeferredFillIn(&info);
        text = TakeBstr(info.bstrDescription);
        TakeBstr(info.bstrSource);
        TakeBstr(info.bstrHelpFile);
        if (text.empty() && FAILED(info.scode)) hr = info.scode;
    }
    if (text.empty()) {
        TComRef<IErrorInfo> error;
        if (GetErrorInfo(0, error.Put()) == S_OK && error) {
            BSTR description = nullptr;
            if (SUCCEEDED(error->GetDescription(&description))) text = TakeBstr(description);
        }
    }
    if (text.empty()) text = ui::SystemErrorText(DWORD(hr), L"OLE error " + CodeText(hr));
    return text;
}

[[noreturn]] void Fail(HRESULT hr) {
    EXCEPINFO none{};
    throw EOleError(ErrorText(hr, none));
}

// The part every small COM object here shares: its reference count.
class TRefCounted {
protected:
    virtual ~TRefCounted() = default;
    ULONG AddRefImpl() { return ++FRefs; }
    ULONG ReleaseImpl() {
        const ULONG left = --FRefs;
        if (left == 0) delete this;
        return left;
    }

private:
    std::atomic<ULONG> FRefs{1};
};

// An IDispatch called only by dispatch id: no type information, no names.
class TIdDispatch : public IDispatch {
public:
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
        if (count) *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** out) override {
        if (out) *out = nullptr;
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
};

// The control's stored state, read by the control through IPersistPropertyBag::Load.
class TPropertyBag final : public IPropertyBag, private TRefCounted {
public:
    explicit TPropertyBag(const TFlashControlState& state) : FState(state) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (!out) return E_POINTER;
        *out = (iid == IID_IUnknown || iid == IID_IPropertyBag) ? static_cast<IPropertyBag*>(this) : nullptr;
        if (!*out) return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return AddRefImpl(); }
    ULONG STDMETHODCALLTYPE Release() override { return ReleaseImpl(); }

    HRESULT STDMETHODCALLTYPE Read(LPCOLESTR name, VARIANT* value, IErrorLog*) override {
        if (!name || !value) return E_POINTER;
        const std::wstring* text = nullptr;
        if (_wcsicmp(name, L"Quality") == 0) text = &FState.Quality;
        else if (_wcsicmp(name, L"Scale") == 0) text = &FState.Scale;
        else if (_wcsicmp(name, L"WMode") == 0) text = &FState.WMode;
        if (!text || text->empty()) return E_INVALIDARG;  // "not in the bag"
        const VARTYPE wanted = V_VT(value);
        VariantInit(value);
        V_VT(value) = VT_BSTR;
        V_BSTR(value) = SysAllocStringLen(text->data(), UINT(text->size()));
        if (!V_BSTR(value)) return E_OUTOFMEMORY;
        if (wanted != VT_EMPTY && wanted != VT_BSTR) {
            const HRESULT hr = VariantChangeType(value, value, 0, wanted);
            if (FAILED(hr)) VariantClear(value);
            return hr;
        }
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Write(LPCOLESTR, VARIANT*) override { return E_NOTIMPL; }

private:
    TFlashControlState FState;
};

} // namespace

// ---------------------------------------------------------------------------------------------
// The container side: client site, in-place site and frame, and the ambient properties.
// ---------------------------------------------------------------------------------------------
class TFlashControlHost::TSite final : public IOleClientSite,
                                       public IOleInPlaceSite,
                                       public IOleInPlaceFrame,
                                       public TIdDispatch,
                                       private TRefCounted {
public:
    void Place(HWND parent, const ui::Rect& bounds) {
        FParent = parent;
        FBounds = bounds;
    }

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (iid == IID_IUnknown || iid == IID_IOleClientSite) *out = static_cast<IOleClientSite*>(this);
        else if (iid == IID_IOleInPlaceSite || iid == IID_IOleWindow) *out = static_cast<IOleInPlaceSite*>(this);
        else if (iid == IID_IOleInPlaceFrame || iid == IID_IOleInPlaceUIWindow) *out = static_cast<IOleInPlaceFrame*>(this);
        else if (iid == IID_IDispatch) *out = static_cast<IDispatch*>(this);
        if (!*out) return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return AddRefImpl(); }
    ULONG STDMETHODCALLTYPE Release() override { return ReleaseImpl(); }

    // IOleClientSite: the control lives in no document; there is nothing to save.
    HRESULT STDMETHODCALLTYPE SaveObject() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetMoniker(DWORD, DWORD, IMoniker** out) override {
        if (out) *out = nullptr;
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetContainer(IOleContainer** out) override {
        if (out) *out = nullptr;
        return E_NOINTERFACE;
    }
    HRESULT STDMETHODCALLTYPE ShowObject() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnShowWindow(BOOL) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE RequestNewObjectLayout() override { return E_NOTIMPL; }

    // IOleWindow (shared by the in-place site and the frame): the parent pane.
    HRESULT STDMETHODCALLTYPE GetWindow(HWND* out) override {
        if (!out) return E_POINTER;
        *out = FParent;
        return FParent ? S_OK : E_FAIL;
    }
    HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }

    // IOleInPlaceSite
    HRESULT STDMETHODCALLTYPE CanInPlaceActivate() override { return FParent ? S_OK : S_FALSE; }
    HRESULT STDMETHODCALLTYPE OnInPlaceActivate() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnUIActivate() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** document, LPRECT position,
                                               LPRECT clip, LPOLEINPLACEFRAMEINFO info) override {
        if (!frame || !document || !position || !clip || !info) return E_POINTER;
        *frame = static_cast<IOleInPlaceFrame*>(this);
        AddRef();
        *document = nullptr;  // no document window between the frame and the control
        *position = FBounds;
        *clip = FBounds;
        info->fMDIApp = FALSE;
        info->hwndFrame = FParent ? GetAncestor(FParent, GA_ROOT) : nullptr;
        info->haccel = nullptr;
        info->cAccelEntries = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Scroll(SIZE) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE OnUIDeactivate(BOOL) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnInPlaceDeactivate() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE DiscardUndoState() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE DeactivateAndUndo() override { return E_NOTIMPL; }
    // The pane decides the control's size; a control's own wish is not followed.
    HRESULT STDMETHODCALLTYPE OnPosRectChange(LPCRECT) override { return S_OK; }

    // IOleInPlaceUIWindow and IOleInPlaceFrame: no menus, toolbars or status line to share.
    HRESULT STDMETHODCALLTYPE GetBorder(LPRECT) override { return INPLACE_E_NOTOOLSPACE; }
    HRESULT STDMETHODCALLTYPE RequestBorderSpace(LPCBORDERWIDTHS) override { return INPLACE_E_NOTOOLSPACE; }
    HRESULT STDMETHODCALLTYPE SetBorderSpace(LPCBORDERWIDTHS) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE SetActiveObject(IOleInPlaceActiveObject*, LPCOLESTR) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE InsertMenus(HMENU, LPOLEMENUGROUPWIDTHS) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetMenu(HMENU, HOLEMENU, HWND) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE RemoveMenus(HMENU) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetStatusText(LPCOLESTR) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE EnableModeless(BOOL) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE TranslateAccelerator(LPMSG, WORD) override { return S_FALSE; }

    // IDispatch: the ambient properties a control asks its container for.
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS*, VARIANT* result, EXCEPINFO*,
                                     UINT*) override {
        if (!(flags & DISPATCH_PROPERTYGET) || !result) return DISP_E_MEMBERNOTFOUND;
        VariantInit(result);
        switch (id) {
        case DISPID_AMBIENT_USERMODE:  // running, not being designed
            V_VT(result) = VT_BOOL;
            V_BOOL(result) = VARIANT_TRUE;
            return S_OK;
        case DISPID_AMBIENT_UIDEAD:
        case DISPID_AMBIENT_SHOWHATCHING:
        case DISPID_AMBIENT_SHOWGRABHANDLES:
        case DISPID_AMBIENT_MESSAGEREFLECT:
        case DISPID_AMBIENT_DISPLAYASDEFAULT:
            V_VT(result) = VT_BOOL;
            V_BOOL(result) = VARIANT_FALSE;
            return S_OK;
        default: return DISP_E_MEMBERNOTFOUND;
        }
    }

private:
    HWND FParent = nullptr;
    ui::Rect FBounds{};
};

// The control's events arrive here and are left unhandled.
class TFlashControlHost::TEventSink final : public TIdDispatch, private TRefCounted {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (!out) return E_POINTER;
        *out = (iid == IID_IUnknown || iid == IID_IDispatch || iid == kFlashControlEventsId) ? static_cast<IDispatch*>(this)
                                                                                              : nullptr;
        if (!*out) return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return AddRefImpl(); }
    ULONG STDMETHODCALLTYPE Release() override { return ReleaseImpl(); }
    // OnReadyStateChange, OnProgress, FSCommand, FlashCall and any other: received, nothing to do.
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT* result, EXCEPINFO*, UINT*) override {
        if (result) VariantInit(result);
        return S_OK;
    }
};

// ---------------------------------------------------------------------------------------------
// Creation and closing
// ---------------------------------------------------------------------------------------------
std::unique_ptr<TFlashControlHost> TFlashControlHost::Create(const CLSID& classId, const TFlashControlState& state) {
    TComRef<IOleObject> object;
    if (FAILED(CoCreateInstance(classId, nullptr, CLSCTX_INPROC_SERVER, IID_IOleObject, object.PutVoid())) || !object)
        return nullptr;
    std::unique_ptr<TFlashControlHost> host(new TFlashControlHost);
    host->FObject = std::move(object);
    host->FSite = new TSite;
    host->FDispatch = host->FObject.As<IDispatch>(IID_IDispatch);
    if (!host->FDispatch) throw EOleError(L"The Flash player control has no dispatch interface");

    HRESULT hr = host->FObject->SetClientSite(host->FSite);
    if (FAILED(hr)) Fail(hr);
    if (auto bag = host->FObject.As<IPersistPropertyBag>(IID_IPersistPropertyBag)) {
        TComRef<TPropertyBag> stored(new TPropertyBag(state));
        hr = bag->Load(stored.Get(), nullptr);
    } else if (auto stream = host->FObject.As<IPersistStreamInit>(IID_IPersistStreamInit)) {
        hr = stream->InitNew();
    }
    if (FAILED(hr)) Fail(hr);
    if (auto points = host->FObject.As<IConnectionPointContainer>(IID_IConnectionPointContainer)) {
        if (SUCCEEDED(points->FindConnectionPoint(kFlashControlEventsId, host->FEvents.Put())) && host->FEvents) {
            TComRef<TEventSink> sink(new TEventSink);
            if (FAILED(host->FEvents->Advise(sink.Get(), &host->FEventsCookie))) host->FEvents.Reset();
        }
    }
    return host;
}

TFlashControlHost::~TFlashControlHost() { Close(); }

void TFlashControlHost::Close() {
    if (FEvents) {
        FEvents->Unadvise(FEventsCookie);
        FEvents.Reset();
    }
    if (FInPlace) {
        FInPlace->InPlaceDeactivate();
        FInPlace.Reset();
    }
    if (FObject) {
        FObject->Close(OLECLOSE_NOSAVE);
        FObject->SetClientSite(nullptr);
    }
    FDispatch.Reset();
    FObject.Reset();
    if (FSite) std::exchange(FSite, nullptr)->Release();
    FWindow = nullptr;
}

// ---------------------------------------------------------------------------------------------
// Activation and focus
// ---------------------------------------------------------------------------------------------
void TFlashControlHost::Activate(HWND parent, const ui::Rect& bounds, bool visible) {
    const bool wasActive = Active();
    FSite->Place(parent, bounds);
    RECT position = bounds;
    const HRESULT hr = FObject->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, FSite, 0, parent, &position);
    if (!FInPlace) FInPlace = FObject.As<IOleInPlaceObject>(IID_IOleInPlaceObject);
    if (FAILED(hr) || !FInPlace) {
        FInPlace.Reset();
        throw EOleError(L"OLE control activation failed");
    }
    // A control that was active already may keep its old place on DoVerb: tell it again.
    if (wasActive) FInPlace->SetObjectRects(&position, &position);
    if (!FWindow || !IsWindow(FWindow)) {
        FWindow = nullptr;
        FInPlace->GetWindow(&FWindow);
    }
    if (FWindow && bool(IsWindowVisible(FWindow)) != visible) ShowWindow(FWindow, visible ? SW_SHOWNA : SW_HIDE);
}

void TFlashControlHost::Focus() {
    if (FWindow && IsWindow(FWindow)) ::SetFocus(FWindow);
}

// ---------------------------------------------------------------------------------------------
// Properties and methods
// ---------------------------------------------------------------------------------------------
void TFlashControlHost::Invoke(DISPID id, WORD flags, VARIANT* args, UINT count, bool propertyPut) {
    DISPID named = DISPID_PROPERTYPUT;
    DISPPARAMS params{args, propertyPut ? &named : nullptr, count, propertyPut ? 1u : 0u};
    EXCEPINFO info{};
    UINT badArgument = 0;
    VARIANT result;
    VariantInit(&result);
    const HRESULT hr = FDispatch->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, propertyPut ? nullptr : &result,
                                         &info, &badArgument);
    VariantClear(&result);
    if (FAILED(hr)) throw EOleError(ErrorText(hr, info));
}

DISPID TFlashControlHost::IdOfName(const wchar_t* name) {
    LPOLESTR names[1] = {const_cast<LPOLESTR>(name)};
    DISPID id = DISPID_UNKNOWN;
    const HRESULT hr = FDispatch->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
    if (FAILED(hr)) {
        EXCEPINFO none{};
        throw EOleError(std::wstring(name) + L": " + ErrorText(hr, none));
    }
    return id;
}

void TFlashControlHost::PutPropertyById(int dispid, int value) {
    VARIANT arg;
    VariantInit(&arg);
    V_VT(&arg) = VT_I4;
    V_I4(&arg) = value;
    Invoke(dispid, DISPATCH_PROPERTYPUT, &arg, 1, true);
}

void TFlashControlHost::LoadMovie(int layer, const std::wstring& url) {
    const DISPID id = IdOfName(L"LoadMovie");
    TBstr text(url);
    VARIANT args[2];  // last argument first
    VariantInit(&args[0]);
    V_VT(&args[0]) = VT_BSTR;
    V_BSTR(&args[0]) = text.Get();
    VariantInit(&args[1]);
    V_VT(&args[1]) = VT_I4;
    V_I4(&args[1]) = layer;
    Invoke(id, DISPATCH_METHOD, args, 2, false);
}

void TFlashControlHost::Play() { Invoke(IdOfName(L"Play"), DISPATCH_METHOD, nullptr, 0, false); }

} // namespace flash
