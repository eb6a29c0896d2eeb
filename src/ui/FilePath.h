// Paths as the file functions take them.
#pragma once

#include <string>

namespace ui {

// A full path that opens whatever its length: from MAX_PATH - 12 characters on (the limit for
// a folder), the path is completed and given the "\\?\" prefix ("\\?\UNC\" for a share), which
// lifts the limit where the system allows it. Shorter paths, relative ones and ones already
// prefixed come back as they are. For the file functions only: show users the path itself.
std::wstring ExtendedLengthPath(const std::wstring& path);

}  // namespace ui
