// Definitions read from the file: the dictionary's characters and the timelines of the root movie
// and of sprites. All of it is immutable after loading; playback state lives in display.h.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "swf/filter.h"
#include "swf/types.h"

namespace swf {

// ---------------------------------------------------------------------------------------------
// Styles and shapes
// ---------------------------------------------------------------------------------------------
enum class FillType : uint8_t { Solid, Linear, Radial, Focal, Bitmap };

// How a gradient goes on past its ends, by the two bits the file stores (3 reads as Pad).
enum class SpreadMode : uint8_t { Pad = 0, Reflect = 1, Repeat = 2 };
// How colours mix between stops. The two values past LinearRgb are reserved and mix as Rgb.
enum class InterpolationMode : uint8_t { Rgb = 0, LinearRgb = 1 };

struct Gradient {
    SpreadMode spread = SpreadMode::Pad;
    InterpolationMode interpolation = InterpolationMode::Rgb;
    uint8_t count = 0;
    uint8_t ratio[16] = {};
    RGBA color[16];
    double focal = 0;  // -1..1, focal gradients only
    bool operator==(const Gradient&) const = default;
};

struct BitmapDef;

struct FillStyle {
    FillType type = FillType::Solid;
    RGBA color;
    Matrix matrix;  // gradient square or texels -> shape twips
    Gradient gradient;
    uint16_t bitmap_id = 0;
    std::shared_ptr<const BitmapDef> image;  // a script's bitmap, used instead of bitmap_id when set
    bool repeat = true;
    bool smooth = true;
    bool operator==(const FillStyle&) const = default;
};

enum class Cap : uint8_t { Round = 0, None = 1, Square = 2 };
enum class Join : uint8_t { Round = 0, Bevel = 1, Miter = 2 };

struct LineStyle {
    uint16_t width = 0;  // twips; 0 = hairline
    RGBA color;
    Cap start_cap = Cap::Round, end_cap = Cap::Round;
    Join join = Join::Round;
    double miter_limit = 3;
    bool has_fill = false;
    bool no_hscale = false, no_vscale = false, no_close = false;
    FillStyle fill;
    bool operator==(const LineStyle&) const = default;
};

// One edge in shape twips. A curve is quadratic with control point (cx, cy).
struct Segment {
    int32_t x0 = 0, y0 = 0, cx = 0, cy = 0, x1 = 0, y1 = 0;
    uint16_t fill0 = 0, fill1 = 0, line = 0;  // 1-based indices into the group's styles
    bool curve = false;
    bool move = false;  // a MoveTo or style change came right before this edge
    bool operator==(const Segment&) const = default;
};

// Styles replaced by a NewStyles record start a new group, drawn after the previous one.
struct StyleGroup {
    std::vector<FillStyle> fills;
    std::vector<LineStyle> lines;
    std::vector<Segment> segments;
    bool operator==(const StyleGroup&) const = default;
};

struct ShapeData {
    Rect bounds;
    std::vector<StyleGroup> groups;
    bool nonzero = false;  // DefineShape4 UsesFillWindingRule
    bool operator==(const ShapeData&) const = default;
};

// ---------------------------------------------------------------------------------------------
// Timelines
// ---------------------------------------------------------------------------------------------
enum PlaceFlags : uint16_t {
    PlaceMove = 0x01,
    PlaceHasCharacter = 0x02,
    PlaceHasMatrix = 0x04,
    PlaceHasCxform = 0x08,
    PlaceHasRatio = 0x10,
    PlaceHasName = 0x20,
    PlaceHasClipDepth = 0x40,
    PlaceHasBlend = 0x100,
    PlaceHasVisible = 0x200,
    PlaceHasFilters = 0x400,
    PlaceHasCache = 0x800,
    PlaceHasBackground = 0x1000,
};

// How a placed object combines with what is under it, by its number in PlaceObject3 and button
// records. Placements keep the byte as read: numbers past HardLight draw as Layer does.
enum class BlendMode : uint8_t {
    Unset = 0,  // none given: draws as Normal
    Normal = 1,
    Layer = 2,
    Multiply = 3,
    Screen = 4,
    Lighten = 5,
    Darken = 6,
    Difference = 7,
    Add = 8,
    Subtract = 9,
    Invert = 10,
    Alpha = 11,
    Erase = 12,
    Overlay = 13,
    HardLight = 14,
};

// Event handlers of a placed sprite (PlaceObject2/3 clip actions).
struct ClipAction {
    uint32_t events = 0;  // event flags, as in the file's SWF6+ layout
    uint8_t key = 0;      // keyPress: the key code
    std::vector<uint8_t> bytes;
};

struct DisplayOp {
    enum Kind : uint8_t { Place, Remove } kind = Place;
    uint16_t flags = 0;
    uint16_t depth = 0;
    uint16_t character = 0;
    uint16_t ratio = 0;
    uint16_t clip_depth = 0;
    uint8_t blend = 0;  // a BlendMode
    bool visible = true;
    Matrix matrix;
    CxForm cxform;
    std::string name;
    FilterListPtr filters;  // null: none
    bool cache_as_bitmap = false;
    uint32_t background = 0;  // opaque background, 0xFFRRGGBB; 0: none
    std::shared_ptr<const std::vector<ClipAction>> clip_actions;  // null: none
};

// Action bytes for a later script engine: kept per frame, in file order.
struct ActionBlock {
    std::vector<uint8_t> bytes;
    uint16_t init_sprite = 0;  // DoInitAction target, 0 for DoAction
    uint32_t after_ops = 0;    // how many of the frame's display ops come before it in the file
};


// One point of an event sound's volume envelope: from `pos44` (44.1 kHz samples into the sound)
// the left and right output levels, 0..32768, reached by straight lines between points.
struct EnvelopePoint {
    uint32_t pos44 = 0;
    uint16_t left = 32768, right = 32768;
};

// How a timeline or a button plays an event sound (SOUNDINFO). Points are in 44.1 kHz samples
// whatever the sound's own rate.
struct SoundInfo {
    bool sync_stop = false;    // stop the sound's voices instead of starting one
    bool no_multiple = false;  // start nothing while the sound plays already
    uint32_t in_point = 0;     // where playing starts
    uint32_t out_point = 0;    // where it ends; 0: at the end of the sound
    uint16_t loops = 1;        // 0 counts as 1
    std::vector<EnvelopePoint> envelope;
};

// StartSound (by id) or StartSound2 (by linkage name) in a frame.
struct SoundStart {
    uint16_t sound = 0;
    std::string class_name;  // StartSound2 only
    SoundInfo info;
    uint32_t after_ops = 0;  // how many of the frame's display ops come before it in the file
};

// SoundStreamHead/2: how the timeline's SoundStreamBlock payloads are stored.
struct StreamHead {
    uint8_t format = 0;  // as SoundDef::format
    uint8_t rate_code = 0;
    bool sixteen_bit = false;
    bool stereo = false;
    uint16_t samples_per_frame = 0;
    int16_t latency_seek = 0;  // MP3 only
};

struct Frame {
    std::vector<DisplayOp> ops;
    std::vector<ActionBlock> actions;
    std::string label;
    std::vector<SoundStart> sounds;
    std::vector<uint8_t> stream_block;  // this frame's SoundStreamBlock payload; empty: none
};

struct Timeline {
    std::vector<Frame> frames;  // at least one after loading
    std::map<std::string, int> labels;  // label -> 0-based frame
    std::optional<StreamHead> stream;  // the first SoundStreamHead/2 of the timeline
    // False when the tags stopped without an End tag or the last frame had no ShowFrame. Such a
    // timeline counts as still loading, so the playhead holds on its last frame instead of
    // wrapping to the first.
    bool complete = true;
};

// ---------------------------------------------------------------------------------------------
// Characters
// ---------------------------------------------------------------------------------------------
enum class CharKind : uint8_t { Shape, Morph, Sprite, Bitmap, Font, Text, EditText, Button, Sound };

struct Character {
    explicit Character(CharKind k) : kind(k) {}
    virtual ~Character() = default;
    CharKind kind;
    uint16_t id = 0;
};

struct ShapeDef : Character {
    ShapeDef() : Character(CharKind::Shape) {}
    ShapeData shape;
};

struct MorphDef : Character {
    MorphDef() : Character(CharKind::Morph) {}
    ShapeData start, end;  // same groups, styles and segments, paired one to one
};

struct SpriteDef : Character {
    SpriteDef() : Character(CharKind::Sprite) {}
    Timeline timeline;
};

// An event sound (DefineSound): its header as stored and the encoded samples, for Sound
// objects (duration) and the mixer.
struct SoundDef : Character {
    SoundDef() : Character(CharKind::Sound) {}
    uint8_t format = 0;     // 0 raw, 1 ADPCM, 2 MP3, 3 raw little-endian, 4-6 Nellymoser, 11 Speex
    uint8_t rate_code = 0;  // 0 5.5 kHz, 1 11 kHz, 2 22 kHz, 3 44 kHz
    bool sixteen_bit = false;
    bool stereo = false;
    uint32_t sample_count = 0;  // per channel
    std::vector<uint8_t> data;
    double sample_rate() const {
        static const double rates[4] = {5512.5, 11025, 22050, 44100};
        return rates[rate_code & 3];
    }
    // Length in whole milliseconds, rounded.
    double duration_ms() const;
};

struct BitmapDef : Character {
    BitmapDef() : Character(CharKind::Bitmap) {}
    int width = 0, height = 0;
    std::vector<uint32_t> pixels;  // premultiplied BGRA, top-down
};

struct Glyph {
    std::vector<Segment> segments;  // in font units, all with fill1 = 1
    int advance = 0;
};

struct FontDef : Character {
    FontDef() : Character(CharKind::Font) {}
    std::string name;
    bool bold = false, italic = false, has_layout = false;
    double units_per_em = 1024;  // 20480 for DefineFont3
    int ascent = 0, descent = 0, leading = 0;
    std::vector<Glyph> glyphs;
    std::vector<uint16_t> codes;
    std::unordered_map<uint32_t, int> kerning;  // (code1 << 16 | code2) -> adjust

    int glyph_for(uint16_t code) const;
};

struct GlyphRun {
    uint16_t font = 0;
    RGBA color;
    int height = 0;  // twips
    int y = 0;
    std::vector<std::pair<int, int>> glyphs;  // (index, x) in twips
};

struct TextDef : Character {
    TextDef() : Character(CharKind::Text) {}
    Rect bounds;
    Matrix matrix;
    std::vector<GlyphRun> runs;
};

struct EditTextDef : Character {
    EditTextDef() : Character(CharKind::EditText) {}
    Rect bounds;
    uint16_t font = 0;
    int height = 240;
    RGBA color{0, 0, 0, 255};
    bool has_color = false, word_wrap = false, multiline = false, password = false;
    bool border = false, html = false, use_outlines = false, auto_size = false;
    int align = 0, left_margin = 0, right_margin = 0, indent = 0, leading = 0;
    bool read_only = false, no_select = false;
    int max_length = -1;  // -1: no limit given
    // The box behind the text: a file's border flag gives a white one in a black frame; scripts
    // may change either and their colours.
    bool background = false;
    RGBA background_color{255, 255, 255, 255}, border_color{0, 0, 0, 255};
    std::string variable, text;
};

struct ButtonRecord {
    uint8_t states = 0;  // 1 up, 2 over, 4 down, 8 hit test
    uint16_t character = 0;
    uint16_t depth = 0;
    Matrix matrix;
    CxForm cxform;
    uint8_t blend = 0;  // a BlendMode
    FilterListPtr filters;
};

struct ButtonAction {
    uint16_t conditions = 0;  // transition bits, key code in bits 9-15
    std::vector<uint8_t> bytes;
};

// DefineButtonSound's slots, in file order.
enum class ButtonSoundSlot : uint8_t { OverToIdle, IdleToOver, OverToDown, DownToOver };

struct ButtonSound {
    uint16_t sound = 0;  // 0: silent
    SoundInfo info;
};

struct ButtonDef : Character {
    ButtonDef() : Character(CharKind::Button) {}
    std::vector<ButtonRecord> records;
    std::vector<ButtonAction> actions;
    bool track_as_menu = false;
    ButtonSound sounds[4];  // by ButtonSoundSlot
};

}  // namespace swf
