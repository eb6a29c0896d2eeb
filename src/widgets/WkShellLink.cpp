#include "widgets/WkShellLink.h"
#include "ui/KernelHandle.h"
#include <windows.h>
#include <shellapi.h>
#include <cwctype>

namespace wk {

namespace {

bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t' || c == L'\r' || c == L'\n' || c == 0x3000; }

std::wstring Trimmed(const std::wstring& s) {
    size_t b = 0, e = s.size();
    while (b < e && IsBlank(s[b])) ++b;
    while (e > b && IsBlank(s[e - 1])) --e;
    return s.substr(b, e - b);
}

bool StartsWithNoCase(std::wstring_view s, std::wstring_view prefix) {
    if (s.size() < prefix.size()) return false;
    for (size_t i = 0; i < prefix.size(); ++i)
        if (towlower(s[i]) != prefix[i]) return false;
    return true;
}

// The system's "Open with" choice for .htm files, run from the system folder by its full
// path so that no program of the same name elsewhere on the search path can stand in.
void OfferHtmOpenAs() {
    wchar_t system[MAX_PATH];
    const UINT n = GetSystemDirectoryW(system, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return;
    const std::wstring exe = std::wstring(system) + L"\\rundll32.exe";
    std::wstring command = L"\"" + exe + L"\" shell32.dll,OpenAs_RunDLL *.htm";
    STARTUPINFOW si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESHOWWINDOW;
    si.wShowWindow = SW_SHOWNORMAL;
    PROCESS_INFORMATION pi{};
    if (CreateProcessW(exe.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
        ui::KernelHandle thread(pi.hThread), process(pi.hProcess);  // not waited for
    }
}

bool EndsWithHtm(const std::wstring& target) {
    const size_t dot = target.rfind(L'.');
    if (dot == std::wstring::npos) return false;
    std::wstring ext = target.substr(dot);
    for (wchar_t& c : ext) c = static_cast<wchar_t>(towupper(c));
    return ext == L".HTM";
}

} // namespace

std::wstring LinkTarget(const std::wstring& url, const std::wstring& caption) {
    std::wstring target = Trimmed(url);
    if (target.empty()) target = Trimmed(caption);
    // A bare web host ("www.example.org") is what people write for a homepage; the shell
    // would take it for a file name.
    if (StartsWithNoCase(target, L"www.")) target.insert(0, L"http://");
    return target;
}

bool IsSafeLinkTarget(std::wstring_view target) {
    // A handler registered as `program %1` without quotes would split an address at white
    // space into extra arguments, and a quote could end a quoted %1 early: refuse both, with
    // control characters. Real addresses carry such characters percent-encoded.
    for (wchar_t c : target)
        if (c < 0x20 || c == 0x7F || c == L'"' || IsBlank(c)) return false;
    size_t rest = 0;
    if (StartsWithNoCase(target, L"http://")) rest = 7;
    else if (StartsWithNoCase(target, L"https://")) rest = 8;
    else if (StartsWithNoCase(target, L"mailto:")) rest = 7;
    else return false;
    return target.size() > rest;
}

bool OpenLinkWithShell(const std::wstring& target) {
    if (!IsSafeLinkTarget(target)) return false;
    SHELLEXECUTEINFOW info{};
    info.cbSize = sizeof info;
    // No error boxes from the shell; wait for a DDE conversation to finish before returning.
    info.fMask = SEE_MASK_FLAG_NO_UI | SEE_MASK_FLAG_DDEWAIT;
    info.lpVerb = L"open";
    info.lpFile = target.c_str();
    info.nShow = SW_SHOWNORMAL;
    if (ShellExecuteExW(&info)) return true;
    if (EndsWithHtm(target)) OfferHtmOpenAs();
    return false;
}

} // namespace wk
