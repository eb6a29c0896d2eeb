// The stand-in Flash control the host tests rely on, driven by hand: created through the
// registry, its IDispatch members and events, and the refusals the host's error paths need.
#include "test_control/TestFlashControl.h"

#include <ole2.h>
#include <ocidl.h>
#include <olectl.h>

#include <gtest/gtest.h>
#include <string>
#include <vector>

using namespace flash_test;

namespace {

// Records the events it hears as "dispid:arguments last first".
class RecordingSink final : public IDispatch {
public:
    std::vector<std::wstring> Heard;

    STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
        *out = IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch) ? this : nullptr;
        return *out ? S_OK : E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return 2; }
    STDMETHODIMP_(ULONG) Release() override { return 1; }
    STDMETHODIMP GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*, EXCEPINFO*,
                        UINT*) override {
        std::wstring line = std::to_wstring(id) + L':';
        for (UINT i = 0; i < params->cArgs; ++i) {
            const VARIANT& v = params->rgvarg[i];
            line += v.vt == VT_BSTR ? L'"' + std::wstring(v.bstrVal) + L"\" "
                                    : std::to_wstring(v.lVal) + L' ';
        }
        Heard.push_back(line);
        return id == 150 ? DISP_E_MEMBERNOTFOUND : S_OK;
    }
};

class TestControlTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(SUCCEEDED(OleInitialize(nullptr)));
        ASSERT_TRUE(Api.Load());
        ObjectsBefore = Api.Objects();
        Register();
        ASSERT_EQ(CoCreateInstance(kTestControlClsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                                   reinterpret_cast<void**>(&Control)), S_OK);
        Api.ClearLog();
    }
    void TearDown() override {
        if (Control) Control->Release();
        EXPECT_EQ(Api.Objects(), ObjectsBefore);
        OleUninitialize();
    }
    // Left registered afterwards: other tests in this program create the control too.
    static void Register() {
        using Entry = HRESULT(WINAPI*)();
        auto entry = reinterpret_cast<Entry>(reinterpret_cast<void (*)()>(
            GetProcAddress(GetModuleHandleW(kTestControlDll), "DllRegisterServer")));
        ASSERT_EQ(entry(), S_OK);
    }
    HRESULT Call(const wchar_t* name, WORD flags, std::vector<VARIANT> argsLastFirst, bool named,
                 EXCEPINFO* exception = nullptr) {
        DISPID id = 0, put = DISPID_PROPERTYPUT;
        auto* names = const_cast<LPOLESTR>(name);
        EXPECT_EQ(Control->GetIDsOfNames(IID_NULL, &names, 1, 0, &id), S_OK) << name;
        DISPPARAMS params{argsLastFirst.data(), named ? &put : nullptr, UINT(argsLastFirst.size()),
                          named ? 1u : 0u};
        return Control->Invoke(id, IID_NULL, 0, flags, &params, nullptr, exception, nullptr);
    }
    static VARIANT Int(LONG n) { VARIANT v{}; v.vt = VT_I4; v.lVal = n; return v; }
    static VARIANT Text(BSTR s) { VARIANT v{}; v.vt = VT_BSTR; v.bstrVal = s; return v; }

    TestControlApi Api;
    IDispatch* Control = nullptr;
    int ObjectsBefore = 0;
};

TEST_F(TestControlTest, PropertyPutsNeedTheNamedArgumentAndNamesIgnoreCase) {
    auto* unknown = const_cast<LPOLESTR>(L"Rewind");
    DISPID id = 0;
    EXPECT_EQ(Control->GetIDsOfNames(IID_NULL, &unknown, 1, 0, &id), DISP_E_UNKNOWNNAME);
    EXPECT_EQ(Call(L"scalemode", DISPATCH_PROPERTYPUT, {Int(2)}, true), S_OK);
    EXPECT_EQ(Call(L"BackgroundColor", DISPATCH_PROPERTYPUT, {Int(0x123456)}, false), DISP_E_PARAMNOTFOUND);
    EXPECT_EQ(Call(L"Play", DISPATCH_METHOD, {}, false), S_OK);
    EXPECT_STREQ(Api.Log(), L"put 120=2\nput 123 without named argument\nPlay\n");
}

TEST_F(TestControlTest, LoadMovieRaisesTheStartEventsOrFailsWithAnException) {
    IConnectionPointContainer* container = nullptr;
    IConnectionPoint* point = nullptr;
    ASSERT_EQ(Control->QueryInterface(IID_IConnectionPointContainer,
                                      reinterpret_cast<void**>(&container)), S_OK);
    ASSERT_EQ(container->FindConnectionPoint(kFlashEventsIid, &point), S_OK);
    container->Release();
    RecordingSink sink;
    DWORD cookie = 0;
    ASSERT_EQ(point->Advise(&sink, &cookie), S_OK);

    BSTR url = SysAllocString(L"C:\\movies\\a.swf"), bad = SysAllocString(L"C:\\FAIL.swf");
    EXPECT_EQ(Call(L"LoadMovie", DISPATCH_METHOD, {Text(url), Int(0)}, false), S_OK);
    EXPECT_EQ(sink.Heard, (std::vector<std::wstring>{L"-609:4 ", L"1958:100 ", L"150:\"\" \"quit\" ",
                                                      L"197:\"<invoke name=\"ready\"/>\" "}));
    EXCEPINFO exception{};
    EXPECT_EQ(Call(L"LoadMovie", DISPATCH_METHOD, {Text(bad), Int(0)}, false, &exception), DISP_E_EXCEPTION);
    EXPECT_EQ(exception.wCode, 1001);
    EXPECT_STREQ(exception.bstrDescription, L"The movie could not be opened.");
    SysFreeString(exception.bstrSource);
    SysFreeString(exception.bstrDescription);
    SysFreeString(url);
    SysFreeString(bad);

    EXPECT_EQ(point->Unadvise(cookie), S_OK);
    EXPECT_EQ(point->Unadvise(cookie), CONNECT_E_NOCONNECTION);
    point->Release();
    EXPECT_STREQ(Api.Log(), L"Advise\nLoadMovie 0 C:\\movies\\a.swf\nevent OnReadyStateChange 0x00000000\n"
                            L"event OnProgress 0x00000000\nevent FSCommand 0x80020003\n"
                            L"event FlashCall 0x00000000\nLoadMovie 0 C:\\FAIL.swf\nUnadvise\n"
                            L"Unadvise unknown cookie\n");
}

TEST_F(TestControlTest, InPlaceActivationWithoutASiteIsRefused) {
    IOleObject* object = nullptr;
    ASSERT_EQ(Control->QueryInterface(IID_IOleObject, reinterpret_cast<void**>(&object)), S_OK);
    RECT rect{1, 2, 30, 40};
    EXPECT_EQ(object->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, nullptr, 0, GetDesktopWindow(), &rect),
              E_FAIL);
    object->Release();
    EXPECT_EQ(Api.Window(), nullptr);
    EXPECT_STREQ(Api.Log(), L"DoVerb -5 1,2,30,40 refused\n");
}

} // namespace
