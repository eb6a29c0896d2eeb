// A loaded movie: header facts, the character dictionary and the root timeline.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "swf/character.h"
#include "swf/types.h"

namespace swf {

struct Movie {
    char signature = 'F';  // F, C or Z
    int version = 0;
    uint32_t declared_length = 0;
    Rect frame_size;  // twips
    double frame_rate = 12;  // frames per second as stored
    int header_frame_count = 0;
    std::optional<RGBA> background;
    bool actionscript3 = false;  // FileAttributes: the movie's scripts are ActionScript 3
    bool abc_code = false;       // it holds ActionScript 3 code (DoABC tags)

    // Code this player cannot run: marked ActionScript 3 and holding its code. (Unmarked
    // movies with such code play without it, as the original player did; marked ones without
    // code are only pictures.)
    bool needs_actionscript3() const { return actionscript3 && abc_code; }
    bool use_network = false;  // FileAttributes UseNetwork: a local file may reach the network, not other files
    int max_recursion = 0;   // ScriptLimits; 0 = the player's default
    int script_timeout = 0;  // seconds
    bool truncated = false;  // data ended before the End tag or inside a tag
    std::unordered_map<uint16_t, std::shared_ptr<const Character>> dictionary;
    std::unordered_map<std::string, uint16_t> exports;
    Timeline timeline;
    // What the loader found wrong and worked around (cut-short tags, unknown tags, limits
    // reached, a cut-short file), for the player's error channel: at most kMaxWarnings about
    // tags, then one about the file as a whole.
    static constexpr size_t kMaxWarnings = 64;
    std::vector<std::string> warnings;

    const Character* find(uint16_t id) const {
        auto it = dictionary.find(id);
        return it == dictionary.end() ? nullptr : it->second.get();
    }
    // Stage size in whole pixels. A side of the header's rectangle outside 1..8192 pixels is
    // taken as 550 (wide) or 400 (high); with either side so, the stage starts at the origin
    // rather than at the rectangle's corner (frame_size_usable() false).
    int stage_width() const;
    int stage_height() const;
    bool frame_size_usable() const;
};

Result<std::shared_ptr<const Movie>> load_movie(const uint8_t* data, size_t size);
Result<std::shared_ptr<const Movie>> load_movie_file(const std::string& path);

}  // namespace swf
