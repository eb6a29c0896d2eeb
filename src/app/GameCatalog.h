// The game catalog's pure part: where the program lives, what a game is called, where its
// description is, and which games the FlashFiles folder holds. UTF-16 throughout, so that a
// game whose file name lies outside the system code page is listed and started like any other.
// Filling the tree widget from this list is the main window's job.
#pragma once

#include <string>
#include <vector>

namespace app {

// The record attached to every catalog node: full path of the movie and of its description.
// The root node carries one with both fields empty.
struct TNodeData {
    std::wstring SwfFile;
    std::wstring DocFile;
};

// One game found in FlashFiles: the node text and its record.
struct TGameEntry {
    std::wstring Text;
    TNodeData Data;
};

// Text of the catalog's single root node.
inline constexpr const wchar_t* kCatalogRootText = L"^_^ 所有游戏 ^_^";

// The directory part of an executable path, up to and including the last backslash or drive
// colon, with a backslash appended when it does not end in one:
// "C:\Games\Plumora.exe" -> "C:\Games\", "C:\Plumora.exe" -> "C:\", "C:Plumora.exe" -> "C:\".
std::wstring ComputeAppDir(const std::wstring& exePath);

// The running executable's directory in the form above (long paths included).
std::wstring CurrentAppDir();

// A file name without its last extension (the part from the last "." after the last path
// separator): "Space.Invaders.swf" -> "Space.Invaders", ".swf" -> "", "Tank" -> "Tank".
std::wstring GameNameOf(const std::wstring& fileName);

// The file name with its last extension replaced by `ext` (which includes the dot).
std::wstring ChangeFileExt(const std::wstring& fileName, const std::wstring& ext);

// The record for a FlashFiles entry: appDir + "FlashFiles\" + name, and
// appDir + "DocFiles\" + name with ".txt" in place of its extension.
TNodeData MakeNodeData(const std::wstring& appDir, const std::wstring& entryName);

// True when the name's real extension is ".swf", in any letter case.
bool HasSwfExtension(const std::wstring& fileName);

// Every entry of appDir + "FlashFiles\" matching "*.swf", in the order the directory search
// returns them. Hidden and system files and sub-directories are listed too (a directory is
// reported as missing when started). A missing or unreadable folder gives an empty list.
// Entries whose real extension is not ".swf" are dropped: Windows also matches the pattern
// against 8.3 short names, so "*.swf" would otherwise find "Game.swfx" (short name GAME~1.SWF).
std::vector<TGameEntry> FindGames(const std::wstring& appDir);

} // namespace app
