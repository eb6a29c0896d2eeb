// A stand-in for the installed Flash ActiveX control: an apartment-threaded in-process COM
// server whose objects act as much of the control as a host uses, and write one log line for
// every call that matters to the host's tests. The tests read that log (and the object count
// and the control's window) through the DLL's own exports.
#include "TestFlashControl.h"

#include <ole2.h>
#include <ocidl.h>
#include <oleauto.h>
#include <olectl.h>

#include <cwchar>
#include <cwctype>
#include <new>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

using flash_test::kFlashControlClsid;
using flash_test::kFlashDispatchIid;
using flash_test::kFlashEventsIid;
using flash_test::kTestControlClsid;
using flash_test::kTestControlColour;

namespace {

HINSTANCE gModule = nullptr;

constexpr wchar_t kWindowClass[] = L"PlumoraTestFlashControl";

// The members of the default interface the host may call, by dispid.
constexpr DISPID kDispidPlay = 112;
constexpr DISPID kDispidStop = 113;
constexpr DISPID kDispidScaleMode = 120;
constexpr DISPID kDispidAlignMode = 121;
constexpr DISPID kDispidBackgroundColor = 123;
constexpr DISPID kDispidLoadMovie = 142;

struct TMember {
    const wchar_t* Name;
    DISPID Id;
};
constexpr TMember kMembers[] = {
    {L"LoadMovie", kDispidLoadMovie}, {L"Play", kDispidPlay},
    {L"Stop", kDispidStop},           {L"ScaleMode", kDispidScaleMode},
    {L"AlignMode", kDispidAlignMode}, {L"BackgroundColor", kDispidBackgroundColor},
};

// ---------------------------------------------------------------------------------------------
// Small owners

// Holds an exclusive SRW lock while it lives. (An SRW lock rather than std::mutex keeps the
// DLL free of the threads runtime.)
class TLockGuard {
public:
    explicit TLockGuard(SRWLOCK& lock) : FLock(lock) { AcquireSRWLockExclusive(&FLock); }
    ~TLockGuard() { ReleaseSRWLockExclusive(&FLock); }
    TLockGuard(const TLockGuard&) = delete;
    TLockGuard& operator=(const TLockGuard&) = delete;

private:
    SRWLOCK& FLock;
};

// One reference to a COM object.
template <typename T>
class TComPtr {
public:
    TComPtr() = default;
    TComPtr(T* p) : FPtr(p) {
        if (FPtr) FPtr->AddRef();
    }
    TComPtr(const TComPtr& other) : TComPtr(other.FPtr) {}
    TComPtr(TComPtr&& other) noexcept : FPtr(std::exchange(other.FPtr, nullptr)) {}
    ~TComPtr() { Reset(); }
    TComPtr& operator=(TComPtr other) noexcept {
        std::swap(FPtr, other.FPtr);
        return *this;
    }
    void Reset() {
        if (T* p = std::exchange(FPtr, nullptr)) p->Release();
    }
    // For calls that hand back a reference already counted for us.
    T** Out() {
        Reset();
        return &FPtr;
    }
    T* Get() const { return FPtr; }
    T* operator->() const { return FPtr; }
    explicit operator bool() const { return FPtr != nullptr; }

private:
    T* FPtr = nullptr;
};

template <typename T>
TComPtr<T> QueryAs(IUnknown* object, REFIID iid) {
    TComPtr<T> result;
    if (object) object->QueryInterface(iid, reinterpret_cast<void**>(result.Out()));
    return result;
}

class TVariant {
public:
    TVariant() { VariantInit(&FValue); }
    ~TVariant() { VariantClear(&FValue); }
    TVariant(const TVariant&) = delete;
    TVariant& operator=(const TVariant&) = delete;
    VARIANT* Get() { return &FValue; }
    const VARIANT& operator*() const { return FValue; }

private:
    VARIANT FValue;
};

class TRegKey {
public:
    TRegKey() = default;
    ~TRegKey() {
        if (FKey) RegCloseKey(FKey);
    }
    TRegKey(const TRegKey&) = delete;
    TRegKey& operator=(const TRegKey&) = delete;
    HKEY* Out() { return &FKey; }
    HKEY Get() const { return FKey; }

private:
    HKEY FKey = nullptr;
};

class TBrush {
public:
    explicit TBrush(COLORREF colour) : FBrush(CreateSolidBrush(colour)) {}
    ~TBrush() {
        if (FBrush) DeleteObject(FBrush);
    }
    TBrush(const TBrush&) = delete;
    TBrush& operator=(const TBrush&) = delete;
    HBRUSH Get() const { return FBrush; }

private:
    HBRUSH FBrush;
};

class TPaint {
public:
    explicit TPaint(HWND window) : FWindow(window), FDc(BeginPaint(window, &FPaint)) {}
    ~TPaint() { EndPaint(FWindow, &FPaint); }
    TPaint(const TPaint&) = delete;
    TPaint& operator=(const TPaint&) = delete;
    HDC Dc() const { return FDc; }

private:
    HWND FWindow;
    PAINTSTRUCT FPaint{};
    HDC FDc;
};

// ---------------------------------------------------------------------------------------------
// The log and the live objects, shared by every apartment that loads the control.

class TTestControl;

SRWLOCK gStateLock = SRWLOCK_INIT;
std::wstring gLog;
std::wstring gLogSnapshot;
std::vector<TTestControl*> gLiveControls; // in creation order

void Log(std::wstring_view line) {
    TLockGuard lock(gStateLock);
    gLog.append(line);
    gLog.push_back(L'\n');
}

std::wstring RectText(const RECT* rect) {
    if (!rect) return L"null";
    return std::to_wstring(rect->left) + L',' + std::to_wstring(rect->top) + L',' +
           std::to_wstring(rect->right) + L',' + std::to_wstring(rect->bottom);
}

std::wstring HresultText(HRESULT hr) {
    wchar_t text[16];
    swprintf(text, 16, L"0x%08lx", static_cast<unsigned long>(hr));
    return text;
}

std::wstring Lowered(std::wstring_view text) {
    std::wstring lowered(text);
    for (wchar_t& c : lowered) c = static_cast<wchar_t>(std::towlower(c));
    return lowered;
}

std::wstring_view BstrView(BSTR text) {
    return text ? std::wstring_view(text, SysStringLen(text)) : std::wstring_view();
}

// Arguments for an event, given first to last and kept last first, as DISPPARAMS wants them.
class TEventArgs {
public:
    TEventArgs() = default;
    ~TEventArgs() {
        for (VARIANT& value : FValues) VariantClear(&value);
    }
    TEventArgs(const TEventArgs&) = delete;
    TEventArgs& operator=(const TEventArgs&) = delete;

    TEventArgs& Int(LONG number) {
        VARIANT& value = Prepend();
        value.vt = VT_I4;
        value.lVal = number;
        return *this;
    }
    TEventArgs& Text(const wchar_t* text) {
        VARIANT& value = Prepend();
        value.vt = VT_BSTR;
        value.bstrVal = SysAllocString(text);
        return *this;
    }
    DISPPARAMS Params() {
        return DISPPARAMS{FValues.data(), nullptr, static_cast<UINT>(FValues.size()), 0};
    }

private:
    VARIANT& Prepend() {
        VARIANT value;
        VariantInit(&value);
        return *FValues.insert(FValues.begin(), value);
    }

    std::vector<VARIANT> FValues;
};

LRESULT CALLBACK ControlWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Registered on first use and, if the DLL is ever freed, unregistered then (Windows leaves a
// DLL's classes behind otherwise, pointing into unmapped code).
bool gClassRegistered = false;

bool EnsureWindowClass() {
    if (gClassRegistered) return true;
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = ControlWindowProc;
    wc.hInstance = gModule;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.lpszClassName = kWindowClass;
    gClassRegistered = RegisterClassExW(&wc) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
    return gClassRegistered;
}

// ---------------------------------------------------------------------------------------------
// The control object

class TTestControl final : public IOleObject,
                           public IOleInPlaceObject,
                           public IOleInPlaceActiveObject,
                           public IDispatch,
                           public IPersistPropertyBag,
                           public IPersistStreamInit,
                           public IConnectionPointContainer {
public:
    explicit TTestControl(const CLSID& classId) : FClassId(classId), FEvents(*this) {
        TLockGuard lock(gStateLock);
        gLiveControls.push_back(this);
    }

    ~TTestControl() {
        DestroyControlWindow();
        TLockGuard lock(gStateLock);
        std::erase(gLiveControls, this);
    }

    TTestControl(const TTestControl&) = delete;
    TTestControl& operator=(const TTestControl&) = delete;

    HWND Window() const { return FWindow; }
    void WindowGone() { FWindow = nullptr; }

    // IUnknown
    STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
        if (!out) return E_POINTER;
        *out = Interface(iid);
        if (!*out) return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ++FRefs; }
    STDMETHODIMP_(ULONG) Release() override {
        ULONG refs = --FRefs;
        if (refs == 0) delete this;
        return refs;
    }

    // IOleObject
    STDMETHODIMP SetClientSite(IOleClientSite* site) override {
        Log(site ? L"SetClientSite" : L"SetClientSite null");
        FSite = site;
        return S_OK;
    }
    STDMETHODIMP GetClientSite(IOleClientSite** site) override {
        if (!site) return E_POINTER;
        *site = FSite.Get();
        if (*site) (*site)->AddRef();
        return S_OK;
    }
    STDMETHODIMP SetHostNames(LPCOLESTR, LPCOLESTR) override { return S_OK; }
    STDMETHODIMP Close(DWORD) override {
        Log(L"Close");
        Deactivate();
        return S_OK;
    }
    STDMETHODIMP SetMoniker(DWORD, IMoniker*) override { return E_NOTIMPL; }
    STDMETHODIMP GetMoniker(DWORD, DWORD, IMoniker**) override { return E_NOTIMPL; }
    STDMETHODIMP InitFromData(IDataObject*, BOOL, DWORD) override { return E_NOTIMPL; }
    STDMETHODIMP GetClipboardData(DWORD, IDataObject**) override { return E_NOTIMPL; }
    STDMETHODIMP DoVerb(LONG verb, LPMSG, IOleClientSite* activeSite, LONG, HWND parent,
                        LPCRECT rect) override {
        if (!ActivatesInPlace(verb)) {
            Log(L"DoVerb " + std::to_wstring(verb));
            return E_NOTIMPL;
        }
        std::wstring line = L"DoVerb " + std::to_wstring(verb) + L' ' + RectText(rect);
        if (FInPlaceSite) {
            Log(line);
            return MoveActiveWindow(parent, rect);
        }
        TComPtr<IOleInPlaceSite> site =
            QueryAs<IOleInPlaceSite>(FSite ? FSite.Get() : activeSite, IID_IOleInPlaceSite);
        if (!site || site->CanInPlaceActivate() != S_OK || SiteRefuses(site.Get())) {
            Log(line + L" refused");
            return E_FAIL;
        }
        Log(line);
        return ActivateInPlace(site, parent, rect);
    }
    STDMETHODIMP EnumVerbs(IEnumOLEVERB**) override { return E_NOTIMPL; }
    STDMETHODIMP Update() override { return S_OK; }
    STDMETHODIMP IsUpToDate() override { return S_OK; }
    STDMETHODIMP GetUserClassID(CLSID* classId) override { return GetClassID(classId); }
    STDMETHODIMP GetUserType(DWORD, LPOLESTR*) override { return E_NOTIMPL; }
    STDMETHODIMP SetExtent(DWORD aspect, SIZEL* size) override {
        if (!size) return E_POINTER;
        if (aspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
        FExtent = *size;
        return S_OK;
    }
    STDMETHODIMP GetExtent(DWORD aspect, SIZEL* size) override {
        if (!size) return E_POINTER;
        if (aspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
        *size = FExtent;
        return S_OK;
    }
    STDMETHODIMP Advise(IAdviseSink*, DWORD*) override { return E_NOTIMPL; }
    STDMETHODIMP Unadvise(DWORD) override { return E_NOTIMPL; }
    STDMETHODIMP EnumAdvise(IEnumSTATDATA**) override { return E_NOTIMPL; }
    STDMETHODIMP GetMiscStatus(DWORD, DWORD* status) override {
        if (!status) return E_POINTER;
        *status = OLEMISC_ACTIVATEWHENVISIBLE | OLEMISC_SETCLIENTSITEFIRST | OLEMISC_INSIDEOUT |
                  OLEMISC_RECOMPOSEONRESIZE;
        return S_OK;
    }
    STDMETHODIMP SetColorScheme(LOGPALETTE*) override { return E_NOTIMPL; }

    // IOleWindow, through both in-place interfaces
    STDMETHODIMP GetWindow(HWND* window) override {
        if (!window) return E_POINTER;
        *window = FWindow;
        return FWindow ? S_OK : E_FAIL;
    }
    STDMETHODIMP ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }

    // IOleInPlaceObject
    STDMETHODIMP InPlaceDeactivate() override {
        Log(L"InPlaceDeactivate");
        Deactivate();
        return S_OK;
    }
    STDMETHODIMP UIDeactivate() override { return S_OK; }
    STDMETHODIMP SetObjectRects(LPCRECT position, LPCRECT) override {
        if (!position) return E_POINTER;
        Log(L"SetObjectRects " + RectText(position));
        if (FWindow) MoveTo(*position);
        return S_OK;
    }
    STDMETHODIMP ReactivateAndUndo() override { return E_NOTIMPL; }

    // IOleInPlaceActiveObject: keys are left to the host's own accelerators.
    STDMETHODIMP TranslateAccelerator(LPMSG) override { return S_FALSE; }
    STDMETHODIMP OnFrameWindowActivate(BOOL) override { return S_OK; }
    STDMETHODIMP OnDocWindowActivate(BOOL) override { return S_OK; }
    STDMETHODIMP ResizeBorder(LPCRECT, IOleInPlaceUIWindow*, BOOL) override { return S_OK; }
    STDMETHODIMP EnableModeless(BOOL) override { return S_OK; }

    // IDispatch
    STDMETHODIMP GetTypeInfoCount(UINT* count) override {
        if (!count) return E_POINTER;
        *count = 0;
        return S_OK;
    }
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override {
        if (!names || !ids) return E_POINTER;
        if (count == 0) return S_OK;
        // Only the member's own name is known; named arguments never are.
        for (UINT i = 0; i < count; ++i) ids[i] = DISPID_UNKNOWN;
        for (const TMember& member : kMembers) {
            if (names[0] && _wcsicmp(names[0], member.Name) == 0) ids[0] = member.Id;
        }
        return ids[0] != DISPID_UNKNOWN && count == 1 ? S_OK : DISP_E_UNKNOWNNAME;
    }
    STDMETHODIMP Invoke(DISPID id, REFIID iid, LCID, WORD flags, DISPPARAMS* params,
                        VARIANT* result, EXCEPINFO* exception, UINT* argError) override {
        if (!IsEqualIID(iid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
        if (!params) return E_POINTER;
        UINT ignoredArgError = 0;
        if (!argError) argError = &ignoredArgError;
        if (IsProperty(id) && (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)))
            return PutProperty(id, *params, *argError);
        if (flags & DISPATCH_METHOD) {
            switch (id) {
            case kDispidLoadMovie:
                return LoadMovie(*params, exception, *argError);
            case kDispidPlay:
                Log(L"Play");
                return S_OK;
            case kDispidStop:
                Log(L"Stop");
                return S_OK;
            }
        }
        if (IsProperty(id) && (flags & DISPATCH_PROPERTYGET)) return GetProperty(id, result);
        return DISP_E_MEMBERNOTFOUND;
    }

    // IPersist, through both persistence interfaces
    STDMETHODIMP GetClassID(CLSID* classId) override {
        if (!classId) return E_POINTER;
        *classId = FClassId;
        return S_OK;
    }

    // IPersistPropertyBag and IPersistStreamInit
    STDMETHODIMP InitNew() override {
        Log(L"InitNew");
        return S_OK;
    }
    STDMETHODIMP Load(IPropertyBag* bag, IErrorLog* errors) override {
        if (!bag) return E_POINTER;
        std::wstring line = L"Load";
        for (const wchar_t* name : {L"Quality", L"Scale", L"WMode"}) {
            TVariant value;
            value.Get()->vt = VT_BSTR;
            if (FAILED(bag->Read(name, value.Get(), errors))) continue;
            if ((*value).vt != VT_BSTR && FAILED(VariantChangeType(value.Get(), value.Get(), 0, VT_BSTR)))
                continue;
            line.append(L" ").append(name).append(L"=").append(BstrView((*value).bstrVal));
        }
        Log(line);
        return S_OK;
    }
    STDMETHODIMP Save(IPropertyBag*, BOOL, BOOL) override { return E_NOTIMPL; }

    // IPersistStreamInit
    STDMETHODIMP IsDirty() override { return S_FALSE; }
    STDMETHODIMP Load(LPSTREAM) override { return E_NOTIMPL; }
    STDMETHODIMP Save(LPSTREAM, BOOL) override { return E_NOTIMPL; }
    STDMETHODIMP GetSizeMax(ULARGE_INTEGER*) override { return E_NOTIMPL; }

    // IConnectionPointContainer
    STDMETHODIMP EnumConnectionPoints(IEnumConnectionPoints**) override { return E_NOTIMPL; }
    STDMETHODIMP FindConnectionPoint(REFIID iid, IConnectionPoint** point) override {
        if (!point) return E_POINTER;
        *point = nullptr;
        if (!IsEqualIID(iid, kFlashEventsIid)) return CONNECT_E_NOCONNECTION;
        *point = &FEvents;
        FEvents.AddRef();
        return S_OK;
    }

private:
    // The events connection point. It lives inside the control and counts its references
    // there, so a host holding only the point keeps the control alive.
    class TEventPoint final : public IConnectionPoint {
    public:
        explicit TEventPoint(TTestControl& owner) : FOwner(owner) {}

        STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
            if (!out) return E_POINTER;
            *out = nullptr;
            if (!IsEqualIID(iid, IID_IUnknown) && !IsEqualIID(iid, IID_IConnectionPoint))
                return E_NOINTERFACE;
            *out = static_cast<IConnectionPoint*>(this);
            AddRef();
            return S_OK;
        }
        STDMETHODIMP_(ULONG) AddRef() override { return FOwner.AddRef(); }
        STDMETHODIMP_(ULONG) Release() override { return FOwner.Release(); }

        STDMETHODIMP GetConnectionInterface(IID* iid) override {
            if (!iid) return E_POINTER;
            *iid = kFlashEventsIid;
            return S_OK;
        }
        STDMETHODIMP GetConnectionPointContainer(IConnectionPointContainer** container) override {
            if (!container) return E_POINTER;
            *container = &FOwner;
            FOwner.AddRef();
            return S_OK;
        }
        STDMETHODIMP Advise(IUnknown* sink, DWORD* cookie) override {
            if (!sink || !cookie) return E_POINTER;
            *cookie = 0;
            TComPtr<IDispatch> dispatch = QueryAs<IDispatch>(sink, IID_IDispatch);
            if (!dispatch) {
                Log(L"Advise refused");
                return CONNECT_E_CANNOTCONNECT;
            }
            Log(L"Advise");
            *cookie = FNextCookie++;
            FSinks.push_back({*cookie, dispatch});
            return S_OK;
        }
        STDMETHODIMP Unadvise(DWORD cookie) override {
            auto advised = [cookie](const TSink& sink) { return sink.Cookie == cookie; };
            if (std::erase_if(FSinks, advised) == 0) {
                Log(L"Unadvise unknown cookie");
                return CONNECT_E_NOCONNECTION;
            }
            Log(L"Unadvise");
            return S_OK;
        }
        STDMETHODIMP EnumConnections(IEnumConnections**) override { return E_NOTIMPL; }

        // Calls every advised sink with the event, logging what each one answered.
        void Raise(const wchar_t* name, DISPID id, TEventArgs& args) {
            // A copy: a sink may unadvise, or advise another, while it handles the event.
            std::vector<TSink> sinks = FSinks;
            if (sinks.empty()) Log(std::wstring(L"event ") + name + L" unheard");
            for (TSink& sink : sinks) {
                DISPPARAMS params = args.Params();
                TVariant result;
                EXCEPINFO exception{};
                UINT argError = 0;
                HRESULT hr = sink.Sink->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD,
                                               &params, result.Get(), &exception, &argError);
                SysFreeString(exception.bstrSource);
                SysFreeString(exception.bstrDescription);
                SysFreeString(exception.bstrHelpFile);
                Log(std::wstring(L"event ") + name + L' ' + HresultText(hr));
            }
        }

    private:
        struct TSink {
            DWORD Cookie;
            TComPtr<IDispatch> Sink;
        };

        TTestControl& FOwner;
        std::vector<TSink> FSinks;
        DWORD FNextCookie = 1;
    };

    void* Interface(REFIID iid) {
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IOleObject))
            return static_cast<IOleObject*>(this);
        if (IsEqualIID(iid, IID_IOleWindow) || IsEqualIID(iid, IID_IOleInPlaceObject))
            return static_cast<IOleInPlaceObject*>(this);
        if (IsEqualIID(iid, IID_IOleInPlaceActiveObject))
            return static_cast<IOleInPlaceActiveObject*>(this);
        if (IsEqualIID(iid, IID_IDispatch) || IsEqualIID(iid, kFlashDispatchIid))
            return static_cast<IDispatch*>(this);
        if (IsEqualIID(iid, IID_IPersist) || IsEqualIID(iid, IID_IPersistPropertyBag))
            return static_cast<IPersistPropertyBag*>(this);
        if (IsEqualIID(iid, IID_IPersistStreamInit)) return static_cast<IPersistStreamInit*>(this);
        if (IsEqualIID(iid, IID_IConnectionPointContainer))
            return static_cast<IConnectionPointContainer*>(this);
        return nullptr;
    }

    static bool ActivatesInPlace(LONG verb) {
        return verb == OLEIVERB_INPLACEACTIVATE || verb == OLEIVERB_SHOW ||
               verb == OLEIVERB_UIACTIVATE || verb == OLEIVERB_PRIMARY;
    }

    // The failure test's hook: a site whose window is titled "refuse activation" is turned down.
    static bool SiteRefuses(IOleInPlaceSite* site) {
        HWND window = nullptr;
        if (FAILED(site->GetWindow(&window)) || !window) return false;
        wchar_t title[64] = {};
        GetWindowTextW(window, title, 64);
        return std::wcscmp(title, L"refuse activation") == 0;
    }

    HRESULT ActivateInPlace(const TComPtr<IOleInPlaceSite>& site, HWND parent, LPCRECT rect) {
        HRESULT hr = site->OnInPlaceActivate();
        if (FAILED(hr)) return hr;
        FInPlaceSite = site;

        TComPtr<IOleInPlaceFrame> frame;
        TComPtr<IOleInPlaceUIWindow> document;
        RECT position{}, clip{};
        OLEINPLACEFRAMEINFO frameInfo{};
        frameInfo.cb = sizeof(frameInfo);
        site->GetWindowContext(frame.Out(), document.Out(), &position, &clip, &frameInfo);
        if (!rect) rect = &position;
        if (!parent) site->GetWindow(&parent);

        if (!CreateControlWindow(parent, *rect)) {
            Deactivate();
            return E_FAIL;
        }
        return S_OK;
    }

    HRESULT MoveActiveWindow(HWND parent, LPCRECT rect) {
        if (!FWindow) {
            // The window went with its parent; the host wants the control shown again.
            RECT position{};
            if (!parent) FInPlaceSite->GetWindow(&parent);
            return CreateControlWindow(parent, rect ? *rect : position) ? S_OK : E_FAIL;
        }
        if (parent && GetParent(FWindow) != parent) SetParent(FWindow, parent);
        if (rect) MoveTo(*rect);
        return S_OK;
    }

    bool CreateControlWindow(HWND parent, const RECT& rect) {
        if (!EnsureWindowClass()) return false;
        FWindow = CreateWindowExW(0, kWindowClass, L"",
                                  WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_TABSTOP, rect.left,
                                  rect.top, rect.right - rect.left, rect.bottom - rect.top, parent,
                                  nullptr, gModule, this);
        return FWindow != nullptr;
    }

    void MoveTo(const RECT& rect) {
        MoveWindow(FWindow, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, TRUE);
    }

    void DestroyControlWindow() {
        if (FWindow) DestroyWindow(FWindow); // WM_NCDESTROY clears FWindow
        FWindow = nullptr;
    }

    void Deactivate() {
        if (!FInPlaceSite) return;
        DestroyControlWindow();
        TComPtr<IOleInPlaceSite> site = std::move(FInPlaceSite);
        site->OnInPlaceDeactivate();
    }

    static bool IsProperty(DISPID id) {
        return id == kDispidScaleMode || id == kDispidAlignMode || id == kDispidBackgroundColor;
    }

    LONG& Property(DISPID id) {
        if (id == kDispidScaleMode) return FScaleMode;
        if (id == kDispidAlignMode) return FAlignMode;
        return FBackgroundColor;
    }

    HRESULT PutProperty(DISPID id, const DISPPARAMS& params, UINT& argError) {
        std::wstring line = L"put " + std::to_wstring(id);
        if (params.cNamedArgs != 1 || !params.rgdispidNamedArgs ||
            params.rgdispidNamedArgs[0] != DISPID_PROPERTYPUT) {
            Log(line + L" without named argument");
            return DISP_E_PARAMNOTFOUND;
        }
        if (params.cArgs != 1) {
            Log(line + L" with " + std::to_wstring(params.cArgs) + L" arguments");
            return DISP_E_BADPARAMCOUNT;
        }
        TVariant value;
        if (FAILED(VariantChangeType(value.Get(), &params.rgvarg[0], 0, VT_I4))) {
            Log(line + L" not a number");
            argError = 0;
            return DISP_E_TYPEMISMATCH;
        }
        Property(id) = (*value).lVal;
        Log(line + L'=' + std::to_wstring((*value).lVal));
        return S_OK;
    }

    HRESULT GetProperty(DISPID id, VARIANT* result) {
        Log(L"get " + std::to_wstring(id));
        if (result) {
            VariantInit(result);
            result->vt = VT_I4;
            result->lVal = Property(id);
        }
        return S_OK;
    }

    // LoadMovie(layer, url); DISPPARAMS holds the arguments last first.
    HRESULT LoadMovie(const DISPPARAMS& params, EXCEPINFO* exception, UINT& argError) {
        if (params.cNamedArgs != 0) {
            Log(L"LoadMovie with named arguments");
            return DISP_E_NONAMEDARGS;
        }
        if (params.cArgs != 2) {
            Log(L"LoadMovie with " + std::to_wstring(params.cArgs) + L" arguments");
            return DISP_E_BADPARAMCOUNT;
        }
        TVariant layer;
        if (FAILED(VariantChangeType(layer.Get(), &params.rgvarg[1], 0, VT_I4))) {
            Log(L"LoadMovie layer not a number");
            argError = 1;
            return DISP_E_TYPEMISMATCH;
        }
        if (params.rgvarg[0].vt != VT_BSTR) {
            Log(L"LoadMovie url not a string");
            argError = 0;
            return DISP_E_TYPEMISMATCH;
        }
        std::wstring_view url = BstrView(params.rgvarg[0].bstrVal);
        Log(L"LoadMovie " + std::to_wstring((*layer).lVal) + L' ' + std::wstring(url));
        if (Lowered(url).find(L"fail") != std::wstring::npos) {
            if (exception) {
                *exception = EXCEPINFO{};
                exception->wCode = 1001;
                exception->bstrSource = SysAllocString(L"Test Flash control");
                exception->bstrDescription = SysAllocString(L"The movie could not be opened.");
            }
            return DISP_E_EXCEPTION;
        }
        RaiseLoadEvents();
        return S_OK;
    }

    // What the real control tells its host while a movie it loaded starts.
    void RaiseLoadEvents() {
        // A sink may drop the host's last reference to us while it handles an event.
        TComPtr<IDispatch> keepAlive(static_cast<IDispatch*>(this));
        TEventArgs readyState, progress, command, call;
        FEvents.Raise(L"OnReadyStateChange", DISPID_READYSTATECHANGE, readyState.Int(4));
        FEvents.Raise(L"OnProgress", 0x7A6, progress.Int(100));
        FEvents.Raise(L"FSCommand", 150, command.Text(L"quit").Text(L""));
        FEvents.Raise(L"FlashCall", 197, call.Text(L"<invoke name=\"ready\"/>"));
    }

    ULONG FRefs = 1;
    CLSID FClassId;
    TEventPoint FEvents;
    TComPtr<IOleClientSite> FSite;
    TComPtr<IOleInPlaceSite> FInPlaceSite; // set while active in place
    HWND FWindow = nullptr;
    SIZEL FExtent{2540, 2540}; // one inch, in HIMETRIC
    LONG FScaleMode = 0;
    LONG FAlignMode = 0;
    LONG FBackgroundColor = -1;
};

LRESULT CALLBACK ControlWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_NCCREATE: {
        auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
        break;
    }
    case WM_NCDESTROY:
        // The host may destroy the parent, and with it this window, while the object lives on.
        if (auto* control = reinterpret_cast<TTestControl*>(GetWindowLongPtrW(window, GWLP_USERDATA)))
            control->WindowGone();
        break;
    case WM_PAINT: {
        TPaint paint(window);
        RECT client;
        GetClientRect(window, &client);
        TBrush brush(kTestControlColour);
        FillRect(paint.Dc(), &client, brush.Get());
        return 0;
    }
    case WM_ERASEBKGND:
        return 1;
    case WM_SETFOCUS:
        Log(L"focus");
        return 0;
    case WM_GETDLGCODE:
        return DLGC_WANTALLKEYS;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

// ---------------------------------------------------------------------------------------------
// Class factories and registration

// One for each class id served; static, so its reference count is only for show.
class TClassFactory final : public IClassFactory {
public:
    explicit TClassFactory(const CLSID& classId) : FClassId(classId) {}

    STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (!IsEqualIID(iid, IID_IUnknown) && !IsEqualIID(iid, IID_IClassFactory))
            return E_NOINTERFACE;
        *out = static_cast<IClassFactory*>(this);
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return 2; }
    STDMETHODIMP_(ULONG) Release() override { return 1; }

    STDMETHODIMP CreateInstance(IUnknown* outer, REFIID iid, void** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (outer) return CLASS_E_NOAGGREGATION;
        auto* control = new (std::nothrow) TTestControl(FClassId);
        if (!control) return E_OUTOFMEMORY;
        HRESULT hr = control->QueryInterface(iid, out);
        control->Release();
        return hr;
    }
    STDMETHODIMP LockServer(BOOL) override { return S_OK; }

private:
    CLSID FClassId;
};

TClassFactory gTestControlFactory(kTestControlClsid);
TClassFactory gFlashControlFactory(kFlashControlClsid);

std::wstring ModulePath() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        DWORD length = GetModuleFileNameW(gModule, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) return {};
        if (length < path.size()) {
            path.resize(length);
            return path;
        }
        path.resize(path.size() * 2);
    }
}

std::wstring ClassKeyPath(const CLSID& classId) {
    wchar_t text[40];
    StringFromGUID2(classId, text, 40);
    return std::wstring(L"CLSID\\") + text;
}

LSTATUS SetString(HKEY key, const wchar_t* name, const std::wstring& value) {
    return RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                          static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
}

HRESULT RegisterServer(const CLSID& classId) {
    std::wstring path = ModulePath();
    if (path.empty()) return E_FAIL;
    TRegKey classKey, serverKey;
    LSTATUS status = RegCreateKeyExW(HKEY_CLASSES_ROOT, ClassKeyPath(classId).c_str(), 0, nullptr,
                                     0, KEY_WRITE, nullptr, classKey.Out(), nullptr);
    if (status == ERROR_SUCCESS) status = SetString(classKey.Get(), nullptr, L"Plumora test Flash control");
    if (status == ERROR_SUCCESS)
        status = RegCreateKeyExW(classKey.Get(), L"InprocServer32", 0, nullptr, 0, KEY_WRITE,
                                 nullptr, serverKey.Out(), nullptr);
    if (status == ERROR_SUCCESS) status = SetString(serverKey.Get(), nullptr, path);
    if (status == ERROR_SUCCESS) status = SetString(serverKey.Get(), L"ThreadingModel", L"Apartment");
    return HRESULT_FROM_WIN32(status);
}

// Removes the class only when it names this DLL: under the real control's id the key may
// belong to the real control.
HRESULT UnregisterServer(const CLSID& classId) {
    std::wstring classPath = ClassKeyPath(classId);
    wchar_t server[MAX_PATH * 2] = {};
    DWORD size = sizeof(server) - sizeof(wchar_t);
    LSTATUS status = RegGetValueW(HKEY_CLASSES_ROOT, (classPath + L"\\InprocServer32").c_str(),
                                  nullptr, RRF_RT_REG_SZ, nullptr, server, &size);
    if (status == ERROR_FILE_NOT_FOUND) return S_OK;
    if (status != ERROR_SUCCESS) return HRESULT_FROM_WIN32(status);
    if (_wcsicmp(server, ModulePath().c_str()) != 0) return S_OK;
    // Not inside HRESULT_FROM_WIN32: it is a macro that evaluates its argument twice.
    status = RegDeleteTreeW(HKEY_CLASSES_ROOT, classPath.c_str());
    return HRESULT_FROM_WIN32(status);
}

} // namespace

// ---------------------------------------------------------------------------------------------
// Exports

extern "C" BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID reserved) {
    if (reason == DLL_PROCESS_ATTACH) {
        gModule = module;
        DisableThreadLibraryCalls(module);
    } else if (reason == DLL_PROCESS_DETACH && !reserved && gClassRegistered) {
        UnregisterClassW(kWindowClass, gModule);
    }
    return TRUE;
}

extern "C" HRESULT WINAPI DllGetClassObject(REFCLSID classId, REFIID iid, void** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (IsEqualCLSID(classId, kTestControlClsid)) return gTestControlFactory.QueryInterface(iid, out);
    if (IsEqualCLSID(classId, kFlashControlClsid)) return gFlashControlFactory.QueryInterface(iid, out);
    return CLASS_E_CLASSNOTAVAILABLE;
}

// Never: the log has to outlive the objects whose calls it records.
extern "C" HRESULT WINAPI DllCanUnloadNow() {
    return S_FALSE;
}

extern "C" HRESULT WINAPI DllRegisterServer() {
    return RegisterServer(kTestControlClsid);
}

extern "C" HRESULT WINAPI DllUnregisterServer() {
    return UnregisterServer(kTestControlClsid);
}

// "regsvr32 /n /i:flash" installs this DLL as the real Flash control, for end-to-end runs in a
// Wine prefix of their own; any other command line means the test class id.
extern "C" HRESULT WINAPI DllInstall(BOOL install, LPCWSTR commandLine) {
    const CLSID& classId =
        commandLine && _wcsicmp(commandLine, L"flash") == 0 ? kFlashControlClsid : kTestControlClsid;
    return install ? RegisterServer(classId) : UnregisterServer(classId);
}

extern "C" const wchar_t* WINAPI TestControlLog() {
    // A copy, so that lines logged after this call leave the caller's text alone.
    TLockGuard lock(gStateLock);
    gLogSnapshot = gLog;
    return gLogSnapshot.c_str();
}

extern "C" void WINAPI TestControlClearLog() {
    TLockGuard lock(gStateLock);
    gLog.clear();
}

extern "C" HWND WINAPI TestControlWindow() {
    TLockGuard lock(gStateLock);
    return gLiveControls.empty() ? nullptr : gLiveControls.back()->Window();
}

extern "C" int WINAPI TestControlObjects() {
    TLockGuard lock(gStateLock);
    return static_cast<int>(gLiveControls.size());
}
