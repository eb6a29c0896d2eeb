#include "ui/FilePath.h"

#include <windows.h>

namespace ui {

std::wstring ExtendedLengthPath(const std::wstring& path) {
    if (path.size() < MAX_PATH - 12 || path.rfind(L"\\\\?\\", 0) == 0) return path;
    const bool drive = path.size() >= 3 && path[1] == L':' && (path[2] == L'\\' || path[2] == L'/');
    const bool share = (path[0] == L'\\' || path[0] == L'/') && (path[1] == L'\\' || path[1] == L'/');
    if (!drive && !share) return path;
    // The prefix turns off the system's own clean-up ("/" to "\", "." and ".." steps), so the
    // path is made full first.
    DWORD n = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);  // the size, its end included
    if (n == 0) return path;
    std::wstring full(n, L'\0');
    n = GetFullPathNameW(path.c_str(), DWORD(full.size()), full.data(), nullptr);
    if (n == 0 || n >= full.size()) return path;
    full.resize(n);
    if (full.rfind(L"\\\\", 0) == 0) return L"\\\\?\\UNC\\" + full.substr(2);
    return L"\\\\?\\" + full;
}

}  // namespace ui
