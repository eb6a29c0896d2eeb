// Device fonts for the SWF engine from the system's own glyph outlines. Text fields that name a
// font without embedding its outlines ("_sans", "Arial", ...) get their letters from GDI: one
// HFONT per face and style at a 1024-pixel em, each glyph's native outline turned into the
// engine's edge list once and kept.
#pragma once

#include <windows.h>

#include <cstddef>
#include <map>
#include <memory>
#include <string>
#include <tuple>
#include <unordered_map>

#include "swf/font_provider.h"
#include "ui/Gdi.h"

namespace flash {

class WindowsFontProvider : public swf::FontProvider {
public:
    // Glyphs kept per face and style before that face's cache starts over.
    static constexpr std::size_t kMaxGlyphsPerFace = 4096;
    // Distinct face names a movie may open; names past this share GDI's default face.
    static constexpr std::size_t kMaxFaces = 64;

    WindowsFontProvider();
    ~WindowsFontProvider() override;
    WindowsFontProvider(const WindowsFontProvider&) = delete;
    WindowsFontProvider& operator=(const WindowsFontProvider&) = delete;

    std::shared_ptr<const swf::DeviceGlyph> glyph(const std::string& face, bool bold, bool italic, char32_t ch) override;
    void metrics(const std::string& face, int& ascent, int& descent) override;

    // The GDI face name a movie's font name resolves to ("_sans" -> "Arial"); empty lets GDI pick.
    static std::wstring ResolveFaceName(const std::string& utf8Face);

private:
    // Glyphs are shared with the layouts that use them, so starting the cache over frees only
    // what no layout holds.
    using GlyphMap = std::unordered_map<char32_t, std::shared_ptr<const swf::DeviceGlyph>>;
    struct Face {
        ui::FontOwner Font;
        GlyphMap Glyphs;
        bool HasMetrics = false;
        int Ascent = 905, Descent = 212;
    };
    using FaceKey = std::tuple<std::wstring, bool, bool>;

    Face* FaceFor(const std::string& face, bool bold, bool italic);
    std::shared_ptr<const swf::DeviceGlyph> ReadGlyph(Face& face, char32_t ch);

    ui::MemoryDcOwner FDc;
    std::map<FaceKey, std::unique_ptr<Face>> FFaces;
};

} // namespace flash
