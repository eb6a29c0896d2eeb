// The stand-in for the installed Flash player control in window tests: loads
// PlumoraFlashTestControl.dll (built beside flash_tests.exe), registers it under its test class
// id in the test prefix, and reads back what the host did to it, one call per line.
#pragma once

#include "../flash/test_control/TestFlashControl.h"

#include <string>
#include <vector>

namespace testsupport {

class TInstalledControl {
public:
    // Looks for the DLL beside the test program, then in the flash tests' folder beside it.
    bool Install() {
        if (FReady) return true;
        wchar_t exe[MAX_PATH];
        const DWORD n = GetModuleFileNameW(nullptr, exe, MAX_PATH);
        std::wstring dir(exe, n);
        dir.resize(dir.find_last_of(L"\\/") + 1);
        for (const std::wstring& path : {dir + flash_test::kTestControlDll, dir + L"..\\flash\\" + flash_test::kTestControlDll}) {
            if (!FApi.Load(path.c_str())) continue;
            using RegisterFn = HRESULT(WINAPI*)();
            auto reg = reinterpret_cast<RegisterFn>(
                reinterpret_cast<void (*)()>(GetProcAddress(GetModuleHandleW(path.c_str()), "DllRegisterServer")));
            FReady = reg && SUCCEEDED(reg());
            return FReady;
        }
        return false;
    }
    // The calls logged since the last Clear, without their line ends.
    std::vector<std::wstring> Calls() const {
        std::vector<std::wstring> lines;
        std::wstring all = FApi.Log();
        size_t start = 0;
        for (size_t end; (end = all.find(L'\n', start)) != std::wstring::npos; start = end + 1)
            lines.push_back(all.substr(start, end - start));
        return lines;
    }
    void Clear() const { FApi.ClearLog(); }
    HWND Window() const { return FApi.Window(); }
    int Objects() const { return FApi.Objects(); }

private:
    flash_test::TestControlApi FApi;
    bool FReady = false;
};

// "DoVerb -5 L,T,R,B" and the like: a call with the four numbers of a rectangle.
inline std::wstring CallWithRect(const std::wstring& call, const RECT& r) {
    return call + L" " + std::to_wstring(r.left) + L"," + std::to_wstring(r.top) + L"," + std::to_wstring(r.right) + L"," +
           std::to_wstring(r.bottom);
}

// A movie marked ActionScript 3 with code: 400 x 300 pixels, 12 fps, one frame.
inline std::string ActionScript3MovieBytes() {
    const unsigned char movie[] = {
        'F', 'W', 'S', 9, 43, 0, 0, 0,                           // signature, version, file length
        0x78, 0x00, 0x03, 0xE8, 0x00, 0x00, 0x0B, 0xB8, 0x00,    // frame rectangle
        0x00, 0x0C, 0x01, 0x00,                                  // 12 fps, 1 frame
        0x44, 0x11, 0x08, 0x00, 0x00, 0x00,                      // FileAttributes: ActionScript 3
        0x8A, 0x14, 1, 0, 0, 0, 'm', 0, 0x10, 0, 0x2E, 0,        // DoABC
        0x40, 0x00, 0x00, 0x00};                                 // ShowFrame, End
    return std::string(reinterpret_cast<const char*>(movie), sizeof(movie));
}

} // namespace testsupport
