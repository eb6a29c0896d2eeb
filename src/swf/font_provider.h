// Device fonts: text fields without embedded outlines ask the host for glyphs by face name.
// The Windows host answers with system glyph outlines; the built-in provider draws simple block
// letters so headless runs and tests still see where text goes.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "swf/character.h"

namespace swf {

struct DeviceGlyph {
    std::vector<Segment> outline;  // em square of 1024 units, baseline at y = 0, y down
    int advance = 0;               // same units
};

class FontProvider {
public:
    virtual ~FontProvider() = default;
    // `face` is the name the movie asked for ("_sans", "_serif", "_typewriter" or a family).
    // Returns null for a character the face cannot draw. The caller shares the glyph: it stays
    // whole for as long as the caller holds it, whatever the provider's cache does meanwhile.
    virtual std::shared_ptr<const DeviceGlyph> glyph(const std::string& face, bool bold, bool italic, char32_t ch) = 0;
    // Ascent and descent of the face in 1024-unit ems.
    virtual void metrics(const std::string& face, int& ascent, int& descent) {
        ascent = 905;
        descent = 212;
    }
};

// Block-letter fallback: a filled box per visible character, half an em wide.
class BoxFontProvider : public FontProvider {
public:
    std::shared_ptr<const DeviceGlyph> glyph(const std::string& face, bool bold, bool italic, char32_t ch) override;

private:
    std::shared_ptr<const DeviceGlyph> box_, space_;
};

}  // namespace swf
