#include "app/GameCatalog.h"

#include "ui/FilePath.h"
#include "ui/KernelHandle.h"

#include <windows.h>

#include <utility>

namespace app {

namespace {

bool IsPathSeparator(wchar_t c) { return c == L'\\' || c == L'/' || c == L':'; }

// Index of the dot that starts the last extension, or npos when the name has none.
size_t ExtensionStart(const std::wstring& name) {
    for (size_t i = name.size(); i > 0; --i) {
        wchar_t c = name[i - 1];
        if (c == L'.') return i - 1;
        if (IsPathSeparator(c)) break;
    }
    return std::wstring::npos;
}

} // namespace

std::wstring ComputeAppDir(const std::wstring& exePath) {
    size_t cut = 0;
    for (size_t i = exePath.size(); i > 0; --i) {
        wchar_t c = exePath[i - 1];
        if (c == L'\\' || c == L':') { cut = i; break; }
    }
    std::wstring dir = exePath.substr(0, cut);
    if (dir.empty() || dir.back() != L'\\') dir += L'\\';
    return dir;
}

std::wstring CurrentAppDir() {
    // GetModuleFileNameW truncates silently when the buffer is short (it returns the buffer
    // size and, on XP, leaves the string unterminated), so grow until the result fits.
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        DWORD n = GetModuleFileNameW(nullptr, path.data(), DWORD(path.size()));
        if (n == 0) return ComputeAppDir(L"");
        if (n < path.size()) { path.resize(n); break; }
        if (path.size() >= 32768) { path.resize(n); break; }
        path.resize(path.size() * 2);
    }
    return ComputeAppDir(path);
}

std::wstring GameNameOf(const std::wstring& fileName) {
    size_t dot = ExtensionStart(fileName);
    return dot == std::wstring::npos ? fileName : fileName.substr(0, dot);
}

std::wstring ChangeFileExt(const std::wstring& fileName, const std::wstring& ext) {
    return GameNameOf(fileName) + ext;
}

TNodeData MakeNodeData(const std::wstring& appDir, const std::wstring& entryName) {
    return {appDir + L"FlashFiles\\" + entryName, appDir + L"DocFiles\\" + ChangeFileExt(entryName, L".txt")};
}

bool HasSwfExtension(const std::wstring& fileName) {
    size_t dot = ExtensionStart(fileName);
    if (dot == std::wstring::npos || fileName.size() - dot != 4) return false;
    return CompareStringOrdinal(fileName.c_str() + dot, 4, L".swf", 4, TRUE) == CSTR_EQUAL;
}

std::vector<TGameEntry> FindGames(const std::wstring& appDir) {
    std::vector<TGameEntry> games;
    std::wstring pattern = appDir + L"FlashFiles\\*.swf";
    WIN32_FIND_DATAW found{};
    // FindExInfoBasic skips the short-name lookup we have no use for; FindExSearchNameMatch
    // lists every kind of entry (hidden, system, directories), as an all-attributes search does.
    ui::FindHandle search(FindFirstFileExW(ui::ExtendedLengthPath(pattern).c_str(), FindExInfoBasic, &found, FindExSearchNameMatch,
                                       nullptr, 0));
    if (!search.Valid()) return games; // missing or unreadable folder, or nothing matched
    do {
        std::wstring name = found.cFileName;
        if (!HasSwfExtension(name)) continue;
        games.push_back({GameNameOf(name), MakeNodeData(appDir, name)});
    } while (FindNextFileW(search.Get(), &found));
    return games;
}

} // namespace app
