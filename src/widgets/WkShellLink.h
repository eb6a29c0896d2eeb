// Link targets: which text a link label's click opens, and whether it may leave the program
// at all. Only web and mail addresses go to the desktop shell; a file, a program or a script
// URL is refused whatever the layout says, and so is any address a registered handler's
// command line could split or break out of.
#pragma once
#include <string>
#include <string_view>

namespace wk {

// The target a link label opens: its URL when that is not blank, else its caption, without
// surrounding white space; a target starting with "www." gets "http://" in front.
std::wstring LinkTarget(const std::wstring& url, const std::wstring& caption);
// Whether a target may go to the shell: an http:// or https:// address or a mailto: address
// (scheme in any letter case), with no white space, control characters or quotes that a
// registered handler's command line could split or break out of.
bool IsSafeLinkTarget(std::wstring_view target);
// Opens a safe target with the shell's "open" verb; when the shell cannot and the target
// ends in ".htm", offers the system's choice of program for .htm files.
bool OpenLinkWithShell(const std::wstring& target);

} // namespace wk
