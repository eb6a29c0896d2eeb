// Player: loading, ticking and the render walk over display lists (masks, blend layers).
#include "swf/player.h"

#include <algorithm>
#include <filesystem>
#include <cmath>
#include <cstring>

#include "swf/avm1/runtime.h"
#include "swf/avm1/sound.h"
#include "swf/filter.h"
#include "swf/focus.h"
#include "swf/render.h"
#include "swf/sandbox.h"
#include "swf/sound/mixer.h"
#include "swf/sound/movie_audio.h"
#include "swf/text.h"

namespace swf {

// ---------------------------------------------------------------------------------------------
// Render walk
// ---------------------------------------------------------------------------------------------
namespace {

// Keeps of `into` only what `by` covers as well: the less covered of the two at each pixel, so
// that a clip both masks were already cut by is not counted twice at its edges.
void narrow_mask(Mask& into, const Mask& by) {
    const size_t n = std::min(into.data.size(), by.data.size());
    uint8_t* d = into.data.data();
    const uint8_t* b = by.data.data();
    for (size_t i = 0; i < n; ++i) d[i] = std::min(d[i], b[i]);
}

// The script object of a placed sprite or button.
const avm1::ClipObject* script_clip(const Instance& inst) {
    avm1::Object* o = inst.clip ? inst.clip->object : nullptr;
    return avm1::is_display_object(o) ? static_cast<const avm1::ClipObject*>(o) : nullptr;
}

// A clip that a script made another clip's mask draws only as that mask.
bool is_script_mask(const avm1::ClipObject* c) { return c && c->mask_of && avm1::clip_alive(c->mask_of); }

// Every mode but Normal (and none given) needs the instance drawn apart first, to combine it
// with what is under it as a whole.
bool draws_in_layer(const Instance& inst) { return BlendMode(inst.blend) > BlendMode::Normal; }

// Alpha and erase change the alpha of the layer they are drawn into; straight onto the stage
// they have nothing to act on and draw nothing.
bool acts_on_layer_alpha(const Instance& inst) {
    return BlendMode(inst.blend) == BlendMode::Alpha || BlendMode(inst.blend) == BlendMode::Erase;
}

}  // namespace

struct Player::RenderState {
    RenderContext ctx;
    FontProvider* fonts = nullptr;
    std::vector<std::unique_ptr<Mask>> free_masks;
    std::vector<std::unique_ptr<std::vector<uint32_t>>> free_layers;
    std::vector<std::unique_ptr<std::vector<uint32_t>>> free_filter_layers;  // canvas plus margins
    FilterImage filter_image;
    double screen_x = 1, screen_y = 1;  // stage pixels -> target pixels: filter sizes follow it
    uint64_t filter_budget = 0;  // what filters may still spend this frame
    size_t filter_area_in_use = 0;  // pixels of the filter pictures being drawn into
    ShapeData morph_scratch;
    int layers = 0;  // how many blend layers the current drawing goes into
    bool caret_on = false;  // the focused field's caret is in the shown half of its blink

    std::unique_ptr<Mask> take_mask() {
        std::unique_ptr<Mask> m;
        if (!free_masks.empty()) {
            m = std::move(free_masks.back());
            free_masks.pop_back();
        } else {
            m = std::make_unique<Mask>();
        }
        m->width = ctx.canvas.width;
        m->height = ctx.canvas.height;
        m->data.assign(size_t(m->width) * m->height, 0);
        return m;
    }

    void draw_clip(const Clip& clip, const Matrix& m, const CxForm& cx, int nesting);
    void draw_instance(const Instance& inst, const Matrix& m, const CxForm& cx, int nesting);
    void draw_blended(const Instance& inst, const Matrix& m, const CxForm& cx, int nesting);
    void draw_filtered(const Instance& inst, const Matrix& m, const CxForm& cx, int nesting);
    std::unique_ptr<Mask> script_mask(const avm1::ClipObject* masked, const Matrix& m, int nesting);
    std::unique_ptr<Mask> window_mask(const Rect& window, const Matrix& m);
};

// The coverage of a scroll window (`window` drawn with `m`), cut by the mask already in force.
std::unique_ptr<Mask> Player::RenderState::window_mask(const Rect& window, const Matrix& m) {
    auto out = take_mask();
    Mask* const saved_target = ctx.mask_target;
    const Mask* const saved_clip = ctx.clip;
    ctx.mask_target = out.get();
    ctx.clip = nullptr;
    draw_rect(ctx, window, m, RGBA{255, 255, 255, 255}, CxForm{});
    ctx.mask_target = saved_target;
    ctx.clip = saved_clip;
    if (saved_clip) narrow_mask(*out, *saved_clip);
    return out;
}

// The coverage of the clip a script set as `masked`'s mask, placed for `masked` drawn with `m`,
// and cut by the mask already in force. Null when there is none to apply.
std::unique_ptr<Mask> Player::RenderState::script_mask(const avm1::ClipObject* masked, const Matrix& m, int nesting) {
    auto* mask = static_cast<avm1::ClipObject*>(masked->masked_by);
    if (!avm1::clip_alive(mask) || !mask->inst || mask == masked) return nullptr;
    Matrix from_stage;
    if (!avm1::clip_to_stage(const_cast<avm1::ClipObject*>(masked)).invert(from_stage)) return nullptr;
    const Matrix mm = snap_to_twips(m * from_stage * avm1::clip_to_stage(mask));
    auto out = take_mask();
    Mask* const saved_target = ctx.mask_target;
    const Mask* const saved_clip = ctx.clip;
    ctx.mask_target = out.get();
    ctx.clip = nullptr;
    draw_instance(*mask->inst, mm, CxForm{}, nesting);
    ctx.mask_target = saved_target;
    ctx.clip = saved_clip;
    if (saved_clip) narrow_mask(*out, *saved_clip);
    return out;
}

void Player::RenderState::draw_instance(const Instance& inst, const Matrix& m, const CxForm& cx, int nesting) {
    if (!inst.character) return;
    switch (inst.character->kind) {
    case CharKind::Shape: draw_shape(ctx, static_cast<const ShapeDef&>(*inst.character).shape, m, cx); break;
    case CharKind::Morph:
        interpolate_morph(static_cast<const MorphDef&>(*inst.character), inst.ratio, morph_scratch);
        draw_shape(ctx, morph_scratch, m, cx);
        break;
    case CharKind::Text: draw_text(ctx, static_cast<const TextDef&>(*inst.character), m, cx); break;
    case CharKind::EditText: {
        // The focused field shows its selection and caret.
        FieldMarks marks;
        const bool marked = inst.edit && field_marks(*inst.edit, caret_on, marks);
        draw_edit_text(ctx, inst.edit ? *inst.edit : static_cast<const EditTextDef&>(*inst.character), m, cx, fonts,
                       marked ? &marks : nullptr);
        break;
    }
    case CharKind::Sprite:
    case CharKind::Button:
        if (!inst.clip || nesting >= kMaxNesting) break;
        if (inst.clip->drawing) draw_shape(ctx, *inst.clip->drawing, m, cx);
        draw_clip(*inst.clip, m, cx, nesting + 1);
        break;
    default: break;
    }
}

void Player::RenderState::draw_clip(const Clip& clip, const Matrix& m, const CxForm& cx, int nesting) {
    // Each clip layer limits its own depth range, whatever other layers of this list do: ranges
    // may nest or overlap, and a depth inside several ranges is cut by all of them. Every layer is
    // drawn cut by the clip this whole list is under (masks inside masked sprites), never by its
    // siblings, so that a range reaching past a sibling's keeps all of its own shape.
    const Mask* const outer = ctx.clip;
    // Bitmap fills and fonts are found in the dictionary of the movie the clip comes from (a
    // loaded movie has its own).
    const Movie* const outer_movie = ctx.movie;
    ctx.movie = &clip.movie();
    struct ActiveMask {
        int until;
        std::unique_ptr<Mask> mask;
    };
    std::vector<ActiveMask> masks;
    std::unique_ptr<Mask> intersection;  // of the active masks, when there are several
    bool changed = false;
    auto release = [&](std::unique_ptr<Mask>& mask) {
        if (mask) free_masks.push_back(std::move(mask));
    };
    for (const auto& [depth, inst] : clip.display_list()) {
        for (size_t i = masks.size(); i-- > 0;) {
            if (depth <= masks[i].until) continue;
            release(masks[i].mask);
            masks.erase(masks.begin() + ptrdiff_t(i));
            changed = true;
        }
        Matrix im = snap_to_twips(m * inst.matrix);
        const CxForm icx = cx * inst.cxform;
        if (inst.clip_depth) {
            // A mask, drawn or not: its fills limit the depths above it, up to clip_depth.
            auto mask = take_mask();
            Mask* saved = ctx.mask_target;
            ctx.mask_target = mask.get();
            ctx.clip = outer;
            draw_instance(inst, im, icx, nesting);
            ctx.mask_target = saved;
            masks.push_back({inst.clip_depth, std::move(mask)});
            changed = true;
            continue;
        }
        const avm1::ClipObject* object = script_clip(inst);
        if (is_script_mask(object)) continue;
        if (!inst.visible) continue;
        if (changed) {
            changed = false;
            release(intersection);
            if (masks.empty()) {
                ctx.clip = outer;
            } else if (masks.size() == 1) {
                ctx.clip = masks[0].mask.get();
            } else {
                intersection = take_mask();
                intersection->data = masks[0].mask->data;
                for (size_t i = 1; i < masks.size(); ++i) narrow_mask(*intersection, *masks[i].mask);
                ctx.clip = intersection.get();
            }
        }
        // A scroll window is what a bitmap-cached object's picture holds; without one, its bounds.
        const Rect window = inst.scrolled ? Rect{0, inst.scroll_rect.width(), 0, inst.scroll_rect.height()} : Rect{};
        const bool cached = (inst.filters || inst.cache_as_bitmap) && !ctx.mask_target;
        Rect bounds;
        if (cached && (inst.scrolled || instance_bounds(inst, bounds)))
            im = on_whole_pixels(inst.scrolled ? window : bounds, im);
        std::unique_ptr<Mask> by_script, by_window;
        const Mask* const list_clip = ctx.clip;
        if (object && object->masked_by && !ctx.mask_target) {
            by_script = script_mask(object, im, nesting);
            if (by_script) ctx.clip = by_script.get();
        }
        if (inst.scrolled && !ctx.mask_target) {
            by_window = window_mask(window, im);
            ctx.clip = by_window.get();
        }
        if (inst.background && !ctx.mask_target && (inst.scrolled || instance_bounds(inst, bounds))) {
            const uint32_t c = inst.background;
            const RGBA fill{uint8_t(c >> 16), uint8_t(c >> 8), uint8_t(c), 255};
            draw_rect(ctx, inst.scrolled ? window : bounds, im, fill, icx);
        }
        // The content moves so that the window's corner is at the origin.
        if (inst.scrolled) im = im * Matrix{1, 0, 0, 1, -double(inst.scroll_rect.xmin), -double(inst.scroll_rect.ymin)};
        // A cached picture differs from drawing straight onto the canvas only where filters work on
        // it or its colour transform acts on the children as one.
        if (cached && (inst.filters || !icx.identity()))
            draw_filtered(inst, im, icx, nesting);
        else if (draws_in_layer(inst) && !ctx.mask_target)
            draw_blended(inst, im, icx, nesting);
        else
            draw_instance(inst, im, icx, nesting);
        if (by_script || by_window) {
            ctx.clip = list_clip;
            release(by_script);
            release(by_window);
        }
    }
    for (ActiveMask& a : masks) release(a.mask);
    release(intersection);
    ctx.clip = outer;
    ctx.movie = outer_movie;
}

namespace {

// Per-channel blend of premultiplied source s over destination d (both 0..255).
inline uint32_t blend_channel(BlendMode mode, uint32_t s, uint32_t d, uint32_t sa, uint32_t da) {
    switch (mode) {
    case BlendMode::Multiply: return (s * d + 127) / 255 + (s * (255 - da) + 127) / 255 + (d * (255 - sa) + 127) / 255;
    case BlendMode::Screen: return s + d - (s * d + 127) / 255;
    case BlendMode::Lighten:
        return std::max(s * da, d * sa) / 255 + (s * (255 - da) + 127) / 255 + (d * (255 - sa) + 127) / 255;
    case BlendMode::Darken:
        return std::min(s * da, d * sa) / 255 + (s * (255 - da) + 127) / 255 + (d * (255 - sa) + 127) / 255;
    case BlendMode::Difference: return s + d - 2 * std::min(s * da, d * sa) / 255;
    case BlendMode::Add: return std::min<uint32_t>(255, s + d);
    case BlendMode::Subtract: return d > s ? d - s : 0;
    case BlendMode::Overlay:  // multiply or screen, chosen by the backdrop
    case BlendMode::HardLight: {  // the same, chosen by the source
        const bool low = mode == BlendMode::Overlay ? 2 * d <= da : 2 * s <= sa;
        const uint32_t both = low ? 2 * s * d : sa * da - std::min(sa * da, 2 * (da - std::min(d, da)) * (sa - std::min(s, sa)));
        return (both + s * (255 - da) + d * (255 - sa) + 127) / 255;
    }
    default: return s + (d * (255 - sa) + 127) / 255;
    }
}

// One row of a blend layer onto the canvas; the mode is a template argument so that its choice
// is made once per row rather than per channel.
template <BlendMode mode>
void composite(uint32_t* dst, const uint32_t* src, int n) {
    for (int x = 0; x < n; ++x) {
        uint32_t s = src[x];
        if (s == 0) continue;
        uint32_t d = dst[x];
        uint32_t sa = s >> 24, da = d >> 24;
        if (mode == BlendMode::Invert) {
            uint32_t out = 0;
            for (int sh = 0; sh < 24; sh += 8) {
                uint32_t dc = (d >> sh) & 255;
                out |= (((da - std::min(dc, da)) * sa + dc * (255 - sa) + 127) / 255) << sh;
            }
            dst[x] = out | (da << 24);
            continue;
        }
        if (mode == BlendMode::Alpha || mode == BlendMode::Erase) {  // they change the destination's alpha
            uint32_t keep = mode == BlendMode::Alpha ? sa : 255 - sa;
            uint32_t out = 0;
            for (int sh = 0; sh < 32; sh += 8) out |= ((((d >> sh) & 255) * keep + 127) / 255) << sh;
            dst[x] = out;
            continue;
        }
        uint32_t out = 0;
        for (int sh = 0; sh < 24; sh += 8) {
            uint32_t v = blend_channel(mode, (s >> sh) & 255, (d >> sh) & 255, sa, da);
            out |= std::min<uint32_t>(v, 255) << sh;
        }
        uint32_t a = mode == BlendMode::Add || mode == BlendMode::Subtract
                         ? std::min<uint32_t>(255, sa + da - (sa * da + 127) / 255)
                         : sa + (da * (255 - sa) + 127) / 255;
        dst[x] = out | std::min<uint32_t>(a, 255) << 24;
    }
}

// Layer, and numbers past the named modes, combine as Normal.
void composite_row(BlendMode mode, uint32_t* dst, const uint32_t* src, int n) {
    switch (mode) {
    case BlendMode::Multiply: return composite<BlendMode::Multiply>(dst, src, n);
    case BlendMode::Screen: return composite<BlendMode::Screen>(dst, src, n);
    case BlendMode::Lighten: return composite<BlendMode::Lighten>(dst, src, n);
    case BlendMode::Darken: return composite<BlendMode::Darken>(dst, src, n);
    case BlendMode::Difference: return composite<BlendMode::Difference>(dst, src, n);
    case BlendMode::Add: return composite<BlendMode::Add>(dst, src, n);
    case BlendMode::Subtract: return composite<BlendMode::Subtract>(dst, src, n);
    case BlendMode::Invert: return composite<BlendMode::Invert>(dst, src, n);
    case BlendMode::Alpha: return composite<BlendMode::Alpha>(dst, src, n);
    case BlendMode::Erase: return composite<BlendMode::Erase>(dst, src, n);
    case BlendMode::Overlay: return composite<BlendMode::Overlay>(dst, src, n);
    case BlendMode::HardLight: return composite<BlendMode::HardLight>(dst, src, n);
    default: return composite<BlendMode::Normal>(dst, src, n);
    }
}

// A pixel buffer from a pool of spare ones, or a new empty one.
std::unique_ptr<std::vector<uint32_t>> take_buffer(std::vector<std::unique_ptr<std::vector<uint32_t>>>& pool) {
    if (pool.empty()) return std::make_unique<std::vector<uint32_t>>();
    std::unique_ptr<std::vector<uint32_t>> buffer = std::move(pool.back());
    pool.pop_back();
    return buffer;
}

}  // namespace

// Non-normal blend modes: draw the instance into a transparent layer, then combine.
void Player::RenderState::draw_blended(const Instance& inst, const Matrix& m, const CxForm& cx, int nesting) {
    if (acts_on_layer_alpha(inst) && layers == 0) return;
    const int w = ctx.canvas.width, h = ctx.canvas.height;
    // Layers come from a pool and are kept clear outside what was drawn into them last.
    std::unique_ptr<std::vector<uint32_t>> buffer = take_buffer(free_layers);
    if (buffer->size() != size_t(w) * h) buffer->assign(size_t(w) * h, 0);
    std::vector<uint32_t>& layer = *buffer;
    Canvas saved = ctx.canvas;
    DirtyBox drawn;
    ctx.canvas = Canvas{layer.data(), w, h, w, &drawn};
    ++layers;
    draw_instance(inst, m, cx, nesting);
    --layers;
    ctx.canvas = saved;
    struct Recycle {
        RenderState& rs;
        std::unique_ptr<std::vector<uint32_t>>& buf;
        const DirtyBox& box;
        int w;
        ~Recycle() {
            if (!box.empty())
                for (int y = box.y0; y < box.y1; ++y)
                    std::fill(buf->begin() + ptrdiff_t(y) * w + box.x0, buf->begin() + ptrdiff_t(y) * w + box.x1, 0u);
            rs.free_layers.push_back(std::move(buf));
        }
    } recycle{*this, buffer, drawn, w};
    if (drawn.empty()) return;
    if (saved.dirty) saved.dirty->add(drawn.x0, drawn.y0, drawn.x1, drawn.y1);
    for (int y = drawn.y0; y < drawn.y1; ++y)
        composite_row(BlendMode(inst.blend), saved.row(y) + drawn.x0, layer.data() + size_t(y) * w + drawn.x0,
                      drawn.x1 - drawn.x0);
}

// Filtered and bitmap-cached instances are drawn into a picture that reaches past the canvas by
// what the filters can spread in from outside it, filtered there, colour-transformed (the transform
// acts on the finished picture, glows and shadows included, and on the children as one) and then
// combined like a blend layer, through the mask.
void Player::RenderState::draw_filtered(const Instance& inst, const Matrix& m, const CxForm& cx, int nesting) {
    if (acts_on_layer_alpha(inst) && layers == 0) return;
    static const FilterList kNone;
    // Filter sizes are in stage pixels; a stage shown larger blurs and offsets further.
    FilterList scaled;
    const FilterList* list = inst.filters ? inst.filters.get() : &kNone;
    if (!list->empty() && (screen_x != 1 || screen_y != 1)) {
        scaled = scale_filters(*list, screen_x, screen_y);
        list = &scaled;
    }
    const FilterMargin fm = filter_margin(*list, filter_margin_limit(ctx.canvas.width, ctx.canvas.height));
    const int w = ctx.canvas.width + fm.left + fm.right, h = ctx.canvas.height + fm.top + fm.bottom;
    // Filtered objects inside filtered objects each hold a picture while the inner ones draw;
    // past the area limit the inner ones draw unfiltered.
    const size_t area = size_t(w) * size_t(h);
    if (filter_area_in_use + area > kMaxFilterArea) {
        draw_instance(inst, m, cx, nesting);
        return;
    }
    std::unique_ptr<std::vector<uint32_t>> buffer = take_buffer(free_filter_layers);
    // Clear everywhere, so a larger buffer serves any smaller size: objects with different
    // margins share buffers without clearing them again.
    if (buffer->size() < size_t(w) * h) buffer->assign(size_t(w) * h, 0);
    const Canvas saved = ctx.canvas;
    const Mask* saved_clip = ctx.clip;
    DirtyBox drawn;
    ctx.canvas = Canvas{buffer->data(), w, h, w, &drawn};
    ctx.clip = nullptr;  // the mask cuts the filtered picture, not the source
    Matrix shifted = m;
    shifted.tx += fm.left;
    shifted.ty += fm.top;
    ++layers;
    filter_area_in_use += area;
    draw_instance(inst, shifted, CxForm{}, nesting);
    filter_area_in_use -= area;
    --layers;
    ctx.canvas = saved;
    ctx.clip = saved_clip;
    if (drawn.empty()) {
        free_filter_layers.push_back(std::move(buffer));
        return;
    }
    // Only the drawn box and what the filters spread it into is worked on.
    const int x0 = std::max(0, drawn.x0 - fm.left), y0 = std::max(0, drawn.y0 - fm.top);
    const int x1 = std::min(w, drawn.x1 + fm.right), y1 = std::min(h, drawn.y1 + fm.bottom);
    FilterImage& img = filter_image;
    img.width = x1 - x0, img.height = y1 - y0;
    img.pixels.resize(size_t(img.width) * img.height);
    for (int y = y0; y < y1; ++y) {
        uint32_t* src = buffer->data() + size_t(y) * w;
        std::copy(src + x0, src + x1, img.row(y - y0));
        if (y >= drawn.y0 && y < drawn.y1) std::fill(src + drawn.x0, src + drawn.x1, 0u);
    }
    free_filter_layers.push_back(std::move(buffer));
    apply_filters(*list, img, filter_budget);
    if (!cx.identity())
        for (uint32_t& px : img.pixels) px = cxform_picture_pixel(px, cx);
    // Back to canvas coordinates, cut to the canvas.
    const int cx0 = std::max(0, x0 - fm.left), cy0 = std::max(0, y0 - fm.top);
    const int cx1 = std::min(saved.width, x1 - fm.left), cy1 = std::min(saved.height, y1 - fm.top);
    if (cx0 >= cx1 || cy0 >= cy1) return;
    if (saved.dirty) saved.dirty->add(cx0, cy0, cx1, cy1);
    std::vector<uint32_t> masked;
    for (int y = cy0; y < cy1; ++y) {
        const uint32_t* src = img.row(y + fm.top - y0) + (cx0 + fm.left - x0);
        if (saved_clip) {
            masked.assign(src, src + (cx1 - cx0));
            const uint8_t* cov = saved_clip->row(y) + cx0;
            for (int x = 0; x < cx1 - cx0; ++x) masked[x] = scale_premultiplied(masked[x], cov[x]);
            src = masked.data();
        }
        if (draws_in_layer(inst))
            composite_row(BlendMode(inst.blend), saved.row(y) + cx0, src, cx1 - cx0);
        else
            composite_over(saved.row(y) + cx0, src, cx1 - cx0);
    }
}

// ---------------------------------------------------------------------------------------------
// Player
// ---------------------------------------------------------------------------------------------
Player::Player() : state_(std::make_unique<RenderState>()), mixer_(std::make_unique<sound::Mixer>()) {}
Player::~Player() { stop_movie(); }

// The clips go first (their objects live on the script side's heap), then the scripts.
void Player::stop_movie() {
    focus_.reset();
    input_.reset();
    if (world_) {
        world_->events = nullptr;
        world_->sounds = nullptr;
    }
    root_.reset();
    script_.reset();
    world_.reset();
    movie_audio_.reset();
}

bool Player::quit_requested() const { return script_ && script_->quit_requested(); }

Result<bool> Player::load(const uint8_t* data, size_t size) {
    auto m = load_movie(data, size);
    if (!m) return m.error();
    path_.clear();
    start(m.value());
    return true;
}

void Player::load(std::shared_ptr<const Movie> movie) {
    path_.clear();
    start(std::move(movie));
}

Result<bool> Player::load_file(const std::string& path) {
    auto m = load_movie_file(path);
    if (!m) return m.error();
    path_ = path;
    start(m.value());
    return true;
}

namespace {
// The absolute folder holding a movie file; empty for a movie given as bytes.
std::string folder_of(const std::string& path) {
    if (path.empty()) return {};
    std::error_code ec;
    std::filesystem::path full = std::filesystem::absolute(path_from_utf8(path), ec);
    if (ec) return {};
    return utf8_of(full.lexically_normal().parent_path());
}
}  // namespace

// A new movie starts on its first frame, with nothing kept from drawing the one before.
void Player::start(std::shared_ptr<const Movie> movie) {
    stop_movie();
    // A new movie ends every sound of the last one.
    mixer_->reset();
    mixer_->set_error_handler(on_error_);
    host_stopped_ = false;
    update_mute();
    movie_ = std::move(movie);
    rendered_ = false;
    state_ = std::make_unique<RenderState>();
    world_ = std::make_unique<World>();
    movie_audio_ = std::make_unique<sound::MovieAudio>(*mixer_, *world_);
    avm1::RuntimeOutput out{on_trace_, on_error_, on_url_, on_files_};
    script_ = std::make_unique<avm1::Runtime>(*movie_, *world_, std::move(out), path_.empty() ? address_ : path_);
    script_->vm.log_actions = log_actions_;
    if (script_time_limit_ > 0) script_->vm.timeout_seconds = std::min(script_->vm.timeout_seconds, script_time_limit_);
    script_->shared_object_dir = shared_dir_;
    // A movie given as bytes with a local address (the control's) reads beside that address.
    script_->movie_dir = folder_of(path_.empty() ? address_ : path_);
    if (avm1::SoundHub* hub = avm1::sound_hub(script_->vm)) hub->output = movie_audio_.get();
    world_->events = script_.get();
    world_->sounds = movie_audio_.get();
    if (on_error_)
        for (const std::string& warning : movie_->warnings) on_error_(warning);
    root_ = std::make_unique<Clip>(*movie_, &movie_->timeline, 0, world_.get());
    focus_ = std::make_unique<KeyboardFocus>(*this);
    script_->start(*root_);
    frame_audio();
}

double Player::frame_rate() const {
    double r = movie_ ? movie_->frame_rate : 12;
    return std::clamp(r, 1.0, 120.0);
}

void Player::advance() {
    if (!script_) return;
    script_->tick();
    if (auto next = script_->take_root_replacement()) {
        path_ = next->path;
        start(std::move(next->movie));
        return;
    }
    frame_audio();
}

void Player::play() {
    if (root_ && !root_->held()) root_->play();
    host_stopped_ = false;
    update_mute();
}

void Player::stop() {
    if (root_) root_->stop();
    host_stopped_ = true;
    update_mute();
}

// ---------------------------------------------------------------------------------------------
// Sound
// ---------------------------------------------------------------------------------------------
void Player::frame_audio() {
    if (!script_ || !movie_audio_) return;
    avm1::SoundHub* hub = avm1::sound_hub(script_->vm);
    movie_audio_->frame_shown(hub ? &hub->global : nullptr);
    // onSoundComplete handlers run between frames, like input; what they queue runs now too.
    if (avm1::update_sounds(script_->vm)) script_->run_input();
}

void Player::button_sound(const ButtonDef& def, uint16_t transition, Clip* button) {
    if (movie_audio_ && button) movie_audio_->button_transition(def, button->movie(), transition, button->serial());
}

void Player::mix_audio(int16_t* out, size_t frames) { mixer_->render(out, frames); }

double Player::audio_clock() const { return mixer_->clock(); }

int Player::stream_frames_due() const {
    // Once the sound is a quarter of a frame ahead, frames enough to be level with it again:
    // the picture may then lead the sound by less than a frame, but the stream never waits
    // for a frame while its lead runs out.
    const double per_frame = sound::kOutputRate / frame_rate();
    const double behind = double(mixer_->stream_behind());
    if (behind < per_frame / 4) return 0;
    return int(std::min(std::ceil(behind / per_frame), 1000.0));
}

void Player::set_muted(bool muted) {
    muted_ = muted;
    update_mute();
}

void Player::update_mute() { mixer_->set_muted(muted_ || host_stopped_); }

namespace {

// Where the stage lands in a target of width x height: its scale and its top-left corner in
// target pixels, under the scale and align modes.
struct StagePlacement {
    double sx = 1, sy = 1, ox = 0, oy = 0;
};

StagePlacement place_stage(ScaleMode mode, int align, double W, double H, int width, int height) {
    StagePlacement p;
    switch (mode) {
    case ScaleMode::ShowAll: p.sx = p.sy = std::min(width / W, height / H); break;
    case ScaleMode::NoBorder: p.sx = p.sy = std::max(width / W, height / H); break;
    case ScaleMode::ExactFit:
        p.sx = width / W;
        p.sy = height / H;
        break;
    case ScaleMode::NoScale: break;
    }
    p.ox = (width - W * p.sx) / 2, p.oy = (height - H * p.sy) / 2;
    if (mode != ScaleMode::ExactFit) {
        if (align & AlignLeft)
            p.ox = 0;
        else if (align & AlignRight)
            p.ox = width - W * p.sx;
        if (align & AlignTop)
            p.oy = 0;
        else if (align & AlignBottom)
            p.oy = height - H * p.sy;
    } else {
        p.ox = p.oy = 0;
    }
    return p;
}

}  // namespace

Matrix Player::stage_matrix(int width, int height) const {
    if (!movie_) return {};
    const StagePlacement p = place_stage(scale_mode_, align_, stage_width(), stage_height(), width, height);
    const Rect& fs = movie_->frame_size;
    const bool usable = movie_->frame_size_usable();
    const double xmin = usable ? fs.xmin : 0, ymin = usable ? fs.ymin : 0;
    return {p.sx / 20, 0, 0, p.sy / 20, -xmin / 20 * p.sx + p.ox, -ymin / 20 * p.sy + p.oy};
}

namespace {

// FNV-style folding with a final shift, so that nearby values spread.
struct SceneHash {
    uint64_t h = 0xCBF29CE484222325ull;
    void add(uint64_t v) {
        h = (h ^ v) * 0x100000001B3ull;
        h ^= h >> 29;
    }
    void add(double v) {
        uint64_t bits;
        std::memcpy(&bits, &v, sizeof bits);
        add(bits);
    }
    void add(const void* p) { add(uint64_t(uintptr_t(p))); }
};

// Everything the timelines set on the instances a render draws, as far down as it draws. What
// scripts change beyond that is caught by the machine's run count.
void hash_clip(SceneHash& h, const Clip& clip, bool caret_on, int nesting) {
    h.add(clip.drawing.get());
    for (const auto& [depth, inst] : clip.display_list()) {
        h.add(uint64_t(uint32_t(depth)));
        h.add(inst.serial);
        h.add(inst.character);
        for (double v : {inst.matrix.a, inst.matrix.b, inst.matrix.c, inst.matrix.d, inst.matrix.tx, inst.matrix.ty})
            h.add(v);
        const CxForm& cx = inst.cxform;
        h.add(uint64_t(uint32_t(cx.rm)) << 32 | uint32_t(cx.gm));
        h.add(uint64_t(uint32_t(cx.bm)) << 32 | uint32_t(cx.am));
        h.add(uint64_t(uint32_t(cx.ra)) << 32 | uint32_t(cx.ga));
        h.add(uint64_t(uint32_t(cx.ba)) << 32 | uint32_t(cx.aa));
        h.add(uint64_t(inst.ratio) | uint64_t(inst.clip_depth) << 16 | uint64_t(inst.blend) << 32 |
              uint64_t(inst.visible) << 40 | uint64_t(inst.cache_as_bitmap) << 41 | uint64_t(inst.scrolled) << 42);
        h.add(inst.filters.get());
        h.add(uint64_t(inst.background));
        if (inst.scrolled)
            for (int32_t v : {inst.scroll_rect.xmin, inst.scroll_rect.xmax, inst.scroll_rect.ymin, inst.scroll_rect.ymax})
                h.add(uint64_t(uint32_t(v)));
        FieldMarks marks;
        if (inst.edit && field_marks(*inst.edit, caret_on, marks)) h.add(uint64_t(marks.show_caret));
        if (inst.clip && nesting < kMaxNesting) hash_clip(h, *inst.clip, caret_on, nesting + 1);
    }
}

}  // namespace

uint64_t Player::scene_signature() const {
    SceneHash h;
    h.add(movie_.get());
    if (!root_ || !script_) return h.h;
    h.add(script_->vm.runs);
    const bool caret_on = caret_blink_on();
    hash_clip(h, *root_, caret_on, 0);
    for (const auto& [n, level] : script_->levels()) {
        h.add(uint64_t(uint32_t(n)));
        hash_clip(h, *level, caret_on, 0);
    }
    return h.h;
}

void Player::render(const RenderTarget& target) {
    if (!target.pixels || target.width <= 0 || target.height <= 0) return;
    const int w = target.width, h = target.height;
    view_width_ = w, view_height_ = h;
    const bool direct = target.format == PixelFormat::BgraPremultiplied && target.stride >= w * 4 &&
                        target.stride % 4 == 0;
    Canvas canvas;
    if (direct) {
        canvas = {static_cast<uint32_t*>(target.pixels), w, h, target.stride / 4};
    } else {
        scratch_.assign(size_t(w) * h, 0);
        canvas = {scratch_.data(), w, h, w};
    }
    // The stage shows the movie's own colour (white if it declares none). The host colour, when
    // set, fills only the area around the stage (letterbox bands, the surround of an unscaled
    // stage); without it the movie's colour fills everything. The movie draws unclipped on top.
    RGBA stage_bg{255, 255, 255, 255};
    if (movie_ && movie_->background) stage_bg = *movie_->background;
    const uint32_t stage_p = premultiply(stage_bg);
    uint32_t surround_p = stage_p;
    if (host_background_ >= 0)
        surround_p = premultiply({uint8_t(host_background_ >> 16), uint8_t(host_background_ >> 8),
                                  uint8_t(host_background_), 255});
    int sx0 = 0, sy0 = 0, sx1 = w, sy1 = h;  // the stage rectangle, clipped to the target
    if (surround_p != stage_p) {
        sx0 = sy0 = sx1 = sy1 = 0;
        if (movie_) {
            const double W = stage_width(), H = stage_height();
            const StagePlacement p = place_stage(scale_mode_, align_, W, H, w, h);
            auto px = [](double v, int hi) { return int(std::clamp(std::lround(v), 0L, long(hi))); };
            sx0 = px(p.ox, w), sx1 = px(p.ox + W * p.sx, w);
            sy0 = px(p.oy, h), sy1 = px(p.oy + H * p.sy, h);
        }
    }
    for (int y = 0; y < h; ++y) {
        uint32_t* row = canvas.row(y);
        if (y < sy0 || y >= sy1 || sx0 >= sx1) {
            std::fill(row, row + w, surround_p);
            continue;
        }
        std::fill(row, row + sx0, surround_p);
        std::fill(row + sx0, row + sx1, stage_p);
        std::fill(row + sx1, row + w, surround_p);
    }

    if (root_) {
        RenderState& rs = *state_;
        rs.ctx.canvas = canvas;
        rs.ctx.movie = movie_.get();
        rs.ctx.antialias = quality_ == Quality::High;
        rs.ctx.clip = nullptr;
        rs.ctx.mask_target = nullptr;
        rs.fonts = fonts_;
        rs.layers = 0;
        rs.caret_on = caret_blink_on();
        const Matrix stage = stage_matrix(w, h);
        rs.screen_x = stage.a * 20, rs.screen_y = stage.d * 20;
        rs.filter_budget = filter_work_per_frame(w, h);
        auto draw_level = [&](const Clip& level) {
            const Matrix m = stage * avm1::clip_matrix(level.object);
            if (level.drawing) draw_shape(rs.ctx, *level.drawing, m, CxForm{});
            rs.draw_clip(level, m, CxForm{}, 0);
        };
        draw_level(*root_);
        for (const auto& [n, level] : script_->levels()) draw_level(*level);
        if (focus_) focus_->draw(canvas, stage);
    }
    rendered_scene_ = scene_signature();
    rendered_ = true;

    if (direct) return;
    for (int y = 0; y < h; ++y) {
        const uint32_t* src = canvas.row(y);
        uint8_t* dst = static_cast<uint8_t*>(target.pixels) + ptrdiff_t(y) * target.stride;
        for (int x = 0; x < w; ++x) {
            uint32_t p = src[x];
            uint32_t a = p >> 24, r = (p >> 16) & 255, g = (p >> 8) & 255, b = p & 255;
            if (target.format == PixelFormat::RgbaStraight) {
                if (a && a < 255) {
                    r = std::min<uint32_t>(255, (r * 255 + a / 2) / a);
                    g = std::min<uint32_t>(255, (g * 255 + a / 2) / a);
                    b = std::min<uint32_t>(255, (b * 255 + a / 2) / a);
                }
                dst[4 * x] = uint8_t(r), dst[4 * x + 1] = uint8_t(g), dst[4 * x + 2] = uint8_t(b);
            } else {
                dst[4 * x] = uint8_t(b), dst[4 * x + 1] = uint8_t(g), dst[4 * x + 2] = uint8_t(r);
            }
            dst[4 * x + 3] = uint8_t(a);
        }
    }
}

}  // namespace swf
