// The stand-in Flash ActiveX control the host tests load (PlumoraFlashTestControl.dll, built
// next to flash_tests.exe): its class ids, the colour its window paints, and its own exported
// functions for reading what the host did to it.
#pragma once

#include <windows.h>

namespace flash_test {

inline constexpr wchar_t kTestControlDll[] = L"PlumoraFlashTestControl.dll";

// The class id only the test control answers to: {B3F1C2D4-7A65-4E38-9C1D-5E2F7A8B9C01}.
inline constexpr CLSID kTestControlClsid = {
    0xB3F1C2D4, 0x7A65, 0x4E38, {0x9C, 0x1D, 0x5E, 0x2F, 0x7A, 0x8B, 0x9C, 0x01}};
// The installed Flash control's class id, which the test control also serves:
// {D27CDB6E-AE6D-11CF-96B8-444553540000}.
inline constexpr CLSID kFlashControlClsid = {
    0xD27CDB6E, 0xAE6D, 0x11CF, {0x96, 0xB8, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};
// The Flash control's default (dual) interface; the test control answers it with its IDispatch.
inline constexpr IID kFlashDispatchIid = {
    0xD27CDB6C, 0xAE6D, 0x11CF, {0x96, 0xB8, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};
// The Flash control's events dispinterface, the one connection point the test control has.
inline constexpr IID kFlashEventsIid = {
    0xD27CDB6D, 0xAE6D, 0x11CF, {0x96, 0xB8, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};

// Every pixel of the control's window is painted this colour.
inline constexpr COLORREF kTestControlColour = RGB(0x12, 0x9A, 0x56);

// Exported by the DLL besides the COM server entry points.
// Every line logged so far, each ending in '\n'; the buffer is the DLL's and stays valid until
// the next call into it.
inline constexpr char kTestControlLogExport[] = "TestControlLog";
using TestControlLogFn = const wchar_t*(WINAPI*)();
inline constexpr char kTestControlClearLogExport[] = "TestControlClearLog";
using TestControlClearLogFn = void(WINAPI*)();
// The window of the most recently created control object still alive, or null.
inline constexpr char kTestControlWindowExport[] = "TestControlWindow";
using TestControlWindowFn = HWND(WINAPI*)();
// How many control objects are alive.
inline constexpr char kTestControlObjectsExport[] = "TestControlObjects";
using TestControlObjectsFn = int(WINAPI*)();

// The four functions above, looked up in the loaded DLL. Loading it here keeps it loaded for
// the process: the control never lets COM unload it either, so its log survives its objects.
struct TestControlApi {
    TestControlLogFn Log = nullptr;
    TestControlClearLogFn ClearLog = nullptr;
    TestControlWindowFn Window = nullptr;
    TestControlObjectsFn Objects = nullptr;

    // `path` may be the bare file name when the DLL sits beside the test program.
    bool Load(const wchar_t* path = kTestControlDll) {
        HMODULE module = LoadLibraryW(path);
        if (!module) return false;
        Log = Find<TestControlLogFn>(module, kTestControlLogExport);
        ClearLog = Find<TestControlClearLogFn>(module, kTestControlClearLogExport);
        Window = Find<TestControlWindowFn>(module, kTestControlWindowExport);
        Objects = Find<TestControlObjectsFn>(module, kTestControlObjectsExport);
        return Log && ClearLog && Window && Objects;
    }

private:
    template <typename Fn>
    static Fn Find(HMODULE module, const char* name) {
        // Through a plain function pointer type, which GCC accepts casting to any other.
        return reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
    }
};

} // namespace flash_test
