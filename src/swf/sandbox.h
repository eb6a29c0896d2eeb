// What a movie may ask of the machine it runs on. Movies are untrusted: they may open web and
// mail addresses in the user's browser, read files from their own folder and below, and nothing
// else. Every refusal carries a message for the player's error channel.
#pragma once

#include <filesystem>
#include <string>

namespace swf {

struct SandboxAnswer {
    bool allowed = false;
    std::string value;    // allowed: the address or absolute file path to use
    std::string refusal;  // refused: why, in a sentence for the error channel
};

// getURL: only http:, https: and mailto: addresses go to the desktop shell, and only in answer
// to the user (`user_action`: a press or key is being handled now).
SandboxAnswer check_open_url(const std::string& url, bool user_action);

// loadMovie, loadVariables, LoadVars/XML.load, MovieClipLoader: `request` relative to the folder
// of the movie (`movie_dir`, absolute) or a file: URL inside it. Network addresses, absolute
// paths elsewhere and anything that climbs out of the folder are refused.
SandboxAnswer check_load_path(const std::string& movie_dir, const std::string& request);

// File names are UTF-8 throughout; on Windows a narrow path would be read in the ANSI code page.
inline std::filesystem::path path_from_utf8(const std::string& utf8) {
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}
inline std::string utf8_of(const std::filesystem::path& path) {
    const std::u8string s = path.u8string();
    return std::string(s.begin(), s.end());
}

}  // namespace swf
