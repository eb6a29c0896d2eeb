// Loading: header and decompression, the guarded tag walk, and the control tags that build
// timelines (PlaceObject 1/2/3, RemoveObject 1/2, ShowFrame, FrameLabel, actions).
#include "swf/movie.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string_view>

#include "swf/codec.h"
#include "swf/parse.h"
#include "swf/reader.h"
#include "swf/tags.h"

namespace swf {

namespace {
// A side of the header's frame rectangle, in twips, that can be a stage's: 1 to 8192 pixels.
bool usable_side(int32_t twips) { return twips / 20 > 0 && twips / 20 <= 8192; }
}  // namespace

int Movie::stage_width() const { return usable_side(frame_size.width()) ? frame_size.width() / 20 : 550; }

int Movie::stage_height() const { return usable_side(frame_size.height()) ? frame_size.height() / 20 : 400; }

bool Movie::frame_size_usable() const { return usable_side(frame_size.width()) && usable_side(frame_size.height()); }

double SoundDef::duration_ms() const { return std::round(sample_count * 1000.0 / sample_rate()); }

namespace {

// ---------------------------------------------------------------------------------------------
// Control tags
// ---------------------------------------------------------------------------------------------
// Blur sizes and distances are 16.16 in the file; anything past what the player draws is clamped
// here so that the image code can trust them.
double blur_size(Reader& r) { return std::clamp(r.fixed16(), 0.0, kMaxBlur); }

void read_shadow_flags(Filter& f, uint8_t flags, bool four_bit_passes) {
    f.inner = flags & 0x80;
    f.knockout = flags & 0x40;
    f.composite_source = flags & 0x20;
    if (four_bit_passes) f.on_top = flags & 0x10;
    f.passes = flags & (four_bit_passes ? 0x0F : 0x1F);
}

// One filter body. Returns false (reader failed) when the body is cut short or unknown.
bool read_filter(Reader& r, Filter& f) {
    const uint8_t id = r.u8();
    if (id > 7) {
        r.fail();
        return false;
    }
    f.type = FilterType(id);
    switch (f.type) {
    case FilterType::DropShadow:
        f.color = r.rgba();
        f.blur_x = blur_size(r), f.blur_y = blur_size(r);
        f.angle = r.fixed16(), f.distance = r.fixed16();
        f.strength = r.fixed8();
        read_shadow_flags(f, r.u8(), false);
        break;
    case FilterType::Blur: {
        f.blur_x = blur_size(r), f.blur_y = blur_size(r);
        f.passes = r.u8() >> 3;
        break;
    }
    case FilterType::Glow:
        f.color = r.rgba();
        f.blur_x = blur_size(r), f.blur_y = blur_size(r);
        f.strength = r.fixed8();
        read_shadow_flags(f, r.u8(), false);
        break;
    case FilterType::Bevel:
        // Files put the lit colour first, whatever the published layout says.
        f.highlight = r.rgba();
        f.color = r.rgba();
        f.blur_x = blur_size(r), f.blur_y = blur_size(r);
        f.angle = r.fixed16(), f.distance = r.fixed16();
        f.strength = r.fixed8();
        read_shadow_flags(f, r.u8(), true);
        break;
    case FilterType::GradientGlow:
    case FilterType::GradientBevel: {
        const unsigned n = r.u8();
        if (size_t(n) * 5 > r.remaining()) {
            r.fail();
            return false;
        }
        for (unsigned i = 0; i < n; ++i) f.gradient_colors.push_back(r.rgba());
        for (unsigned i = 0; i < n; ++i) f.gradient_ratios.push_back(r.u8());
        f.blur_x = blur_size(r), f.blur_y = blur_size(r);
        f.angle = r.fixed16(), f.distance = r.fixed16();
        f.strength = r.fixed8();
        read_shadow_flags(f, r.u8(), true);
        break;
    }
    case FilterType::Convolution: {
        f.matrix_x = r.u8(), f.matrix_y = r.u8();
        f.divisor = r.f32(), f.bias = r.f32();
        const size_t cells = size_t(f.matrix_x) * f.matrix_y;
        if (cells * 4 > r.remaining()) {
            r.fail();
            return false;
        }
        f.kernel.resize(cells);
        for (float& k : f.kernel) k = r.f32();
        f.color = r.rgba();
        const uint8_t flags = r.u8();
        f.clamp = flags & 0x02;
        f.preserve_alpha = flags & 0x01;
        break;
    }
    case FilterType::ColorMatrix:
        for (float& v : f.cm) v = r.f32();
        break;
    }
    return !r.failed();
}

// A FILTERLIST: the filters read in full, or null for an empty list. A cut-short list keeps the
// filters before the cut and leaves the reader failed.
FilterListPtr read_filters(Reader& r) {
    const unsigned n = r.u8();
    auto list = std::make_shared<FilterList>();
    for (unsigned i = 0; i < n && !r.failed(); ++i) {
        Filter f;
        if (!read_filter(r, f)) break;
        if (list->size() < kMaxFilters) list->push_back(std::move(f));  // the rest is read past
    }
    if (list->empty()) return nullptr;
    return list;
}

DisplayOp parse_place1(Reader& r) {
    DisplayOp op;
    op.flags = PlaceHasCharacter | PlaceHasMatrix;
    op.character = r.u16();
    op.depth = r.u16();
    op.matrix = r.matrix();
    if (r.remaining() > 0) {
        op.cxform = r.cxform(false);
        op.flags |= PlaceHasCxform;
    }
    return op;
}

// CLIPACTIONS: the event handlers of a placed sprite. Flags are 16 bits in SWF5 files and 32
// from SWF6; they are kept in the 32-bit layout. A record cut short ends the list.
std::shared_ptr<const std::vector<ClipAction>> read_clip_actions(Reader& r, int version) {
    auto list = std::make_shared<std::vector<ClipAction>>();
    r.u16();  // reserved
    if (version >= 6) r.u32(); else r.u16();  // all events, repeated in each record
    while (!r.failed() && r.remaining() > 0) {
        const uint32_t events = version >= 6 ? r.u32() : r.u16();
        if (events == 0 || r.failed()) break;
        uint32_t size = r.u32();
        if (r.failed() || size > r.remaining()) break;
        ClipAction a;
        a.events = events;
        if (events & 0x20000) {
            if (size < 1) break;
            a.key = r.u8();
            --size;
        }
        a.bytes.assign(r.cursor(), r.cursor() + size);
        r.skip(size);
        list->push_back(std::move(a));
        if (list->size() > 1024) break;
    }
    return list;
}

DisplayOp parse_place23(Reader& r, bool three, int version) {
    DisplayOp op;
    uint8_t f1 = r.u8();
    uint8_t f2 = three ? r.u8() : 0;
    op.depth = r.u16();
    op.flags = f1 & 0x7F;
    if (three && (f2 & 0x08)) r.str();  // class name, AS3 only
    if (f1 & 0x02) op.character = r.u16();
    if (f1 & 0x04) op.matrix = r.matrix();
    if (f1 & 0x08) op.cxform = r.cxform(true);
    if (f1 & 0x10) op.ratio = r.u16();
    if (f1 & 0x20) op.name = r.str();
    if (f1 & 0x40) op.clip_depth = r.u16();
    if (three) {
        if (f2 & 0x01) {
            op.filters = read_filters(r);
            op.flags |= PlaceHasFilters;
        }
        if (f2 & 0x02) {
            op.blend = r.u8();
            op.flags |= PlaceHasBlend;
        }
        if (f2 & 0x04) {
            op.cache_as_bitmap = r.u8() != 0;
            op.flags |= PlaceHasCache;
        }
        if (f2 & 0x20) {
            op.visible = r.u8() != 0;
            op.flags |= PlaceHasVisible;
        }
        if (f2 & 0x40) {
            // Drawn opaque whatever the alpha says; a clear colour means none.
            const RGBA c = r.rgba();
            op.background = c.a ? 0xFF000000u | uint32_t(c.r) << 16 | uint32_t(c.g) << 8 | c.b : 0;
            op.flags |= PlaceHasBackground;
        }
    }
    if ((f1 & 0x80) && !r.failed()) op.clip_actions = read_clip_actions(r, version);
    return op;
}

// ---------------------------------------------------------------------------------------------
// Buttons
// ---------------------------------------------------------------------------------------------
std::unique_ptr<ButtonDef> parse_button(Reader& r, bool two) {
    auto b = std::make_unique<ButtonDef>();
    b->id = r.u16();
    if (two) {
        b->track_as_menu = r.u8() & 1;
        r.u16();  // action offset
    }
    while (!r.failed() && r.remaining() > 0) {
        uint8_t flags = r.u8();
        if (flags == 0) break;
        ButtonRecord rec;
        rec.states = flags & 0x0F;
        rec.character = r.u16();
        rec.depth = r.u16();
        rec.matrix = r.matrix();
        if (two) rec.cxform = r.cxform(true);
        if (flags & 0x10) rec.filters = read_filters(r);
        if (flags & 0x20) rec.blend = r.u8();
        if (r.failed()) break;
        b->records.push_back(rec);
        if (b->records.size() > 4096) break;
    }
    if (r.failed()) return b;
    if (!two) {
        // One action list, run on release.
        b->actions.push_back({0x08, std::vector<uint8_t>(r.cursor(), r.cursor() + r.remaining())});
        return b;
    }
    while (r.remaining() >= 4 && b->actions.size() < 256) {
        const uint16_t size = r.u16();
        const uint16_t cond = r.u16();
        size_t len = size ? std::min<size_t>(size >= 4 ? size - 4 : 0, r.remaining()) : r.remaining();
        b->actions.push_back({cond, std::vector<uint8_t>(r.cursor(), r.cursor() + len)});
        r.skip(len);
        if (size == 0) break;
    }
    return b;
}

// ---------------------------------------------------------------------------------------------
// Sounds
// ---------------------------------------------------------------------------------------------
// A frame starting more sounds than this is damaged or hostile; the rest are dropped.
constexpr size_t kMaxSoundStarts = 256;

// SOUNDINFO. An envelope cut short keeps the points before the cut.
SoundInfo read_sound_info(Reader& r) {
    SoundInfo info;
    const uint8_t flags = r.u8();
    info.sync_stop = flags & 0x20;
    info.no_multiple = flags & 0x10;
    if (flags & 0x01) info.in_point = r.u32();
    if (flags & 0x02) info.out_point = r.u32();
    if (flags & 0x04) info.loops = r.u16();
    if (flags & 0x08) {
        const unsigned n = r.u8();
        for (unsigned i = 0; i < n && r.remaining() >= 8; ++i) {
            EnvelopePoint p;
            p.pos44 = r.u32();
            p.left = r.u16();
            p.right = r.u16();
            info.envelope.push_back(p);
        }
    }
    return info;
}

// SoundStreamHead and SoundStreamHead2 share a layout: the playback hints come first and are
// skipped, the stream's own format follows.
StreamHead read_stream_head(Reader& r) {
    StreamHead h;
    r.u8();  // playback rate, size and type
    const uint8_t f = r.u8();
    h.format = f >> 4;
    h.rate_code = (f >> 2) & 3;
    h.sixteen_bit = f & 2;
    h.stereo = f & 1;
    h.samples_per_frame = r.u16();
    if (h.format == 2 && r.remaining() >= 2) h.latency_seek = int16_t(r.u16());
    return h;
}

// DefineButtonSound: a sound and its SOUNDINFO for each of four transitions, given to the button
// defined earlier with that id.
void read_button_sounds(Reader& r, Movie& movie) {
    const uint16_t id = r.u16();
    auto it = movie.dictionary.find(id);
    if (it == movie.dictionary.end() || it->second->kind != CharKind::Button) return;
    // Buttons are shared const once defined; their sounds arrive in a later tag.
    auto* button = const_cast<ButtonDef*>(static_cast<const ButtonDef*>(it->second.get()));
    for (ButtonSound& slot : button->sounds) {
        if (r.remaining() < 2) break;
        ButtonSound s;
        s.sound = r.u16();
        if (s.sound) s.info = read_sound_info(r);
        if (r.failed()) break;
        slot = std::move(s);
    }
}

// ---------------------------------------------------------------------------------------------
// The tag walk, shared by the root and sprites
// ---------------------------------------------------------------------------------------------
struct Loader {
    Movie& movie;
    JpegState jpeg;

    void warn(const char* what, int code) {
        if (movie.warnings.size() < Movie::kMaxWarnings) {
            char buf[128];
            std::snprintf(buf, sizeof buf, "%s in tag %d (%s)", what, code, tag_name(uint16_t(code)));
            movie.warnings.push_back(buf);
        }
    }
    // The same warning for the same tag code is given once per movie.
    void warn_once(const char* what, int code) {
        char buf[128];
        std::snprintf(buf, sizeof buf, "%s in tag %d (%s)", what, code, tag_name(uint16_t(code)));
        if (std::find(movie.warnings.begin(), movie.warnings.end(), buf) == movie.warnings.end()) warn(what, code);
    }

    void define(std::unique_ptr<Character> c) {
        if (!c) return;
        // Duplicate ids: the first definition stays.
        const uint16_t id = c->id;
        movie.dictionary.emplace(id, std::shared_ptr<const Character>(std::move(c)));
    }

    // Walks tags until End or the end of r. Returns false when the data ran out early.
    bool walk(Reader& r, Timeline& tl, bool in_sprite) {
        Frame current;
        bool ended = false, clean = true;
        while (r.remaining() >= 2) {
            uint16_t v = r.u16();
            uint16_t code = v >> 6;
            size_t len = v & 0x3F;
            if (len == 0x3F) len = r.u32();
            if (r.failed()) {
                clean = false;
                break;
            }
            if (len > r.remaining()) {
                warn("length past end of data", code);
                clean = false;
                len = r.remaining();
            }
            Reader body = r.sub(len);
            if (code == uint16_t(TagCode::End)) {
                ended = true;
                break;
            }
            if (code == uint16_t(TagCode::ShowFrame)) {
                if (tl.frames.size() < kMaxFrames) tl.frames.push_back(std::move(current));
                else if (tl.frames.size() == kMaxFrames) warn_once("frames past the limit are dropped", code);
                current = Frame{};
                continue;
            }
            if (std::string_view(tag_name(code)) == "Unknown") warn_once("unknown tag skipped", code);
            handle(code, body, tl, current, in_sprite);
            if (body.failed()) warn("tag data cut short", code);
            if (!clean) break;
        }
        // Tags after the last ShowFrame make one more frame, but a frame never closed by a
        // ShowFrame leaves the timeline unfinished, the same as a missing End tag.
        bool open_frame = false;
        if (!current.ops.empty() || !current.actions.empty() || !current.label.empty() ||
            !current.sounds.empty() || !current.stream_block.empty() || tl.frames.empty()) {
            open_frame = !tl.frames.empty();
            tl.frames.push_back(std::move(current));
        }
        tl.complete = ended && clean && !open_frame;
        return ended && clean;
    }

    void handle(uint16_t code, Reader& body, Timeline& tl, Frame& frame, bool in_sprite) {
        const int ver = movie.version;
        switch (TagCode(code)) {
        case TagCode::PlaceObject: frame.ops.push_back(parse_place1(body)); break;
        case TagCode::PlaceObject2: frame.ops.push_back(parse_place23(body, false, ver)); break;
        case TagCode::PlaceObject3: frame.ops.push_back(parse_place23(body, true, ver)); break;
        case TagCode::RemoveObject:
        case TagCode::RemoveObject2: {
            DisplayOp op;
            op.kind = DisplayOp::Remove;
            if (TagCode(code) == TagCode::RemoveObject) op.character = body.u16();
            op.depth = body.u16();
            if (!body.failed()) frame.ops.push_back(op);
            break;
        }
        case TagCode::FrameLabel: {
            frame.label = body.str();
            int index = int(tl.frames.size());
            tl.labels.emplace(frame.label, index);
            break;
        }
        case TagCode::DoAction:
            frame.actions.push_back({std::vector<uint8_t>(body.data(), body.data() + body.size()), 0,
                                     uint32_t(frame.ops.size())});
            break;
        case TagCode::DoInitAction: {
            uint16_t sprite = body.u16();
            if (in_sprite) break;  // only the root timeline may hold them
            frame.actions.push_back({std::vector<uint8_t>(body.cursor(), body.cursor() + body.remaining()),
                                     uint16_t(sprite ? sprite : 0xFFFF), uint32_t(frame.ops.size())});
            break;
        }
        case TagCode::StartSound:
        case TagCode::StartSound2: {
            SoundStart start;
            if (TagCode(code) == TagCode::StartSound)
                start.sound = body.u16();
            else
                start.class_name = body.str();
            start.info = read_sound_info(body);
            start.after_ops = uint32_t(frame.ops.size());
            if (!body.failed() && frame.sounds.size() < kMaxSoundStarts) frame.sounds.push_back(std::move(start));
            break;
        }
        case TagCode::SoundStreamHead:
        case TagCode::SoundStreamHead2: {
            const StreamHead head = read_stream_head(body);
            if (!body.failed() && !tl.stream) tl.stream = head;
            break;
        }
        case TagCode::SoundStreamBlock:
            // One block per frame; a second one in the same frame replaces the first.
            frame.stream_block.assign(body.data(), body.data() + body.size());
            break;
        default:
            if (in_sprite) return;  // only control tags are valid inside a sprite
            define_tag(code, body, ver);
        }
    }

    void define_tag(uint16_t code, Reader& body, int ver) {
        switch (TagCode(code)) {
        case TagCode::SetBackgroundColor:
            if (!movie.background) movie.background = body.rgb();
            break;
        case TagCode::FileAttributes: {
            const uint32_t flags = body.u32();
            movie.actionscript3 = flags & 0x08;
            movie.use_network = flags & 0x01;
            break;
        }
        case TagCode::DoABCDefine:
        case TagCode::DoABC: movie.abc_code = true; break;
        case TagCode::ScriptLimits:
            movie.max_recursion = body.u16();
            movie.script_timeout = body.u16();
            break;
        case TagCode::DefineShape: define(parse_shape(body, 1)); break;
        case TagCode::DefineShape2: define(parse_shape(body, 2)); break;
        case TagCode::DefineShape3: define(parse_shape(body, 3)); break;
        case TagCode::DefineShape4: define(parse_shape(body, 4)); break;
        case TagCode::DefineMorphShape: define(parse_morph(body, 1)); break;
        case TagCode::DefineMorphShape2: define(parse_morph(body, 2)); break;
        case TagCode::JPEGTables: jpeg.tables.assign(body.data(), body.data() + body.size()); break;
        case TagCode::DefineBits:
        case TagCode::DefineBitsJPEG2:
        case TagCode::DefineBitsJPEG3:
        case TagCode::DefineBitsJPEG4: define(parse_bits(body, code, jpeg)); break;
        case TagCode::DefineBitsLossless: define(parse_lossless(body, 1)); break;
        case TagCode::DefineBitsLossless2: define(parse_lossless(body, 2)); break;
        case TagCode::DefineFont: define(parse_font1(body)); break;
        case TagCode::DefineFont2: define(parse_font23(body, 2)); break;
        case TagCode::DefineFont3: define(parse_font23(body, 3)); break;
        case TagCode::DefineFontInfo:
        case TagCode::DefineFontInfo2: {
            uint16_t id = uint16_t(body.data() && body.size() >= 2 ? body.data()[0] | body.data()[1] << 8 : 0);
            auto it = movie.dictionary.find(id);
            if (it != movie.dictionary.end() && it->second->kind == CharKind::Font) {
                // Fonts are shared const once defined; FontInfo arrives right after its font.
                auto* font = const_cast<FontDef*>(static_cast<const FontDef*>(it->second.get()));
                parse_font_info(body, *font, TagCode(code) == TagCode::DefineFontInfo2 ? 2 : 1);
            }
            break;
        }
        case TagCode::DefineText: define(parse_text(body, 1)); break;
        case TagCode::DefineText2: define(parse_text(body, 2)); break;
        case TagCode::DefineEditText: define(parse_edit_text(body)); break;
        case TagCode::DefineButton: define(parse_button(body, false)); break;
        case TagCode::DefineButton2: define(parse_button(body, true)); break;
        case TagCode::DefineSprite: {
            auto s = std::make_unique<SpriteDef>();
            s->id = body.u16();
            body.u16();  // frame count: the ShowFrame tags decide
            walk(body, s->timeline, true);
            define(std::move(s));
            break;
        }
        case TagCode::DefineSound: {
            auto snd = std::make_unique<SoundDef>();
            snd->id = body.u16();
            const uint8_t flags = body.u8();
            snd->format = flags >> 4;
            snd->rate_code = (flags >> 2) & 3;
            snd->sixteen_bit = flags & 2;
            snd->stereo = flags & 1;
            snd->sample_count = body.u32();
            if (body.failed()) break;
            snd->data.assign(body.cursor(), body.cursor() + body.remaining());
            define(std::move(snd));
            break;
        }
        case TagCode::DefineButtonSound: read_button_sounds(body, movie); break;
        case TagCode::ExportAssets: {
            unsigned n = body.u16();
            for (unsigned i = 0; i < n && !body.failed(); ++i) {
                uint16_t id = body.u16();
                std::string name = body.str();
                if (!body.failed()) movie.exports.emplace(name, id);
            }
            break;
        }
        default: break;  // video, hints, AS3 and unknown codes are skipped by length
        }
        (void)ver;
    }
};

}  // namespace

Result<std::shared_ptr<const Movie>> load_movie(const uint8_t* data, size_t size) {
    if (!data || size < 8) return Error{"file too short for a SWF header"};
    char sig = char(data[0]);
    if ((sig != 'F' && sig != 'C' && sig != 'Z') || data[1] != 'W' || data[2] != 'S')
        return Error{"not a SWF file (bad signature)"};
    auto movie = std::make_shared<Movie>();
    movie->signature = sig;
    movie->version = data[3];
    movie->declared_length = uint32_t(data[4]) | uint32_t(data[5]) << 8 | uint32_t(data[6]) << 16 |
                             uint32_t(data[7]) << 24;
    size_t hint = movie->declared_length > 8 ? movie->declared_length - 8 : 0;

    Decoded body;
    const uint8_t* bytes = data + 8;
    size_t nbytes = size - 8;
    if (sig == 'C') {
        body = inflate_zlib(data + 8, size - 8, hint);
        if (body.bytes.empty()) return Error{"compressed movie data is corrupt"};
        if (!body.complete) movie->truncated = true;
        bytes = body.bytes.data();
        nbytes = body.bytes.size();
    } else if (sig == 'Z') {
        if (size < 17) return Error{"file too short for an LZMA header"};
        body = inflate_lzma(data + 12, size - 12, hint);
        if (body.bytes.empty()) return Error{"LZMA movie data is corrupt"};
        if (!body.complete) movie->truncated = true;
        bytes = body.bytes.data();
        nbytes = body.bytes.size();
    }

    // The player reads no further than the header's length says, even when the file goes on.
    if (hint > 0 && hint < nbytes) nbytes = hint;

    Reader r(bytes, nbytes);
    movie->frame_size = r.rect();
    uint16_t rate = r.u16();
    movie->frame_rate = rate / 256.0;
    movie->header_frame_count = r.u16();
    if (r.failed()) return Error{"movie header is cut short"};

    Loader loader{*movie, {}};
    if (!loader.walk(r, movie->timeline, false)) movie->truncated = true;
    if (sig != 'F' && !body.complete && body.bytes.size() >= kMaxInflate)
        movie->warnings.push_back("the movie inflates past the 256 MiB limit: the rest is dropped");
    else if (movie->truncated)
        movie->warnings.push_back("the file ends before the movie does: what is missing is not shown");
    return std::shared_ptr<const Movie>(std::move(movie));
}

Result<std::shared_ptr<const Movie>> load_movie_file(const std::string& path) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return Error{"cannot open " + path};
    std::vector<uint8_t> data;
    uint8_t buf[65536];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) {
        data.insert(data.end(), buf, buf + n);
        if (data.size() > kMaxInflate) {
            std::fclose(f);
            return Error{"file is too large"};
        }
    }
    std::fclose(f);
    return load_movie(data.data(), data.size());
}

}  // namespace swf
