#include "swf/display.h"

#include <algorithm>
#include <cmath>

namespace swf {

namespace {

// Widens `acc` by the box around `r` mapped through `m`.
void add_box(Rect& acc, bool& any, const Rect& r, const Matrix& m) {
    const double xs[2] = {double(r.xmin), double(r.xmax)}, ys[2] = {double(r.ymin), double(r.ymax)};
    for (double x : xs)
        for (double y : ys) {
            const auto px = int32_t(std::lround(std::clamp(m.apply_x(x, y), -1e9, 1e9)));
            const auto py = int32_t(std::lround(std::clamp(m.apply_y(x, y), -1e9, 1e9)));
            if (!any) acc = {px, px, py, py};
            any = true;
            acc.xmin = std::min(acc.xmin, px), acc.xmax = std::max(acc.xmax, px);
            acc.ymin = std::min(acc.ymin, py), acc.ymax = std::max(acc.ymax, py);
        }
}

bool bounds_at(const Instance& inst, Rect& out, int nesting) {
    if (!inst.character || nesting >= kMaxNesting) return false;
    bool any = false;
    const Matrix identity;
    switch (inst.character->kind) {
    case CharKind::Shape: add_box(out, any, static_cast<const ShapeDef&>(*inst.character).shape.bounds, identity); break;
    case CharKind::Morph: add_box(out, any, static_cast<const MorphDef&>(*inst.character).start.bounds, identity); break;
    case CharKind::Text: add_box(out, any, static_cast<const TextDef&>(*inst.character).bounds, identity); break;
    case CharKind::EditText:
        add_box(out, any, inst.edit ? inst.edit->bounds : static_cast<const EditTextDef&>(*inst.character).bounds, identity);
        break;
    case CharKind::Sprite:
    case CharKind::Button:
        if (!inst.clip) break;
        // What scripts drew (an empty drawing has all-zero bounds).
        if (inst.clip->drawing && inst.clip->drawing->bounds != Rect{}) add_box(out, any, inst.clip->drawing->bounds, identity);
        for (const auto& [depth, child] : inst.clip->display_list()) {
            Rect r;
            if (child.clip_depth == 0 && bounds_at(child, r, nesting + 1)) add_box(out, any, r, child.matrix);
        }
        break;
    default: break;
    }
    return any;
}

}  // namespace

bool instance_bounds(const Instance& inst, Rect& out) { return bounds_at(inst, out, 0); }

Clip::Clip(const Movie& movie, const Timeline* timeline, int nesting, World* world, Instance* owner)
    : movie_(movie), timeline_(timeline), nesting_(nesting), world_(world), owner_(owner) {
    if (!world_) {
        own_world_ = std::make_unique<World>();
        world_ = own_world_.get();
    }
    serial_ = world_->next_serial++;
    world_->clips.emplace(serial_, this);
}

Clip::~Clip() {
    removed_ = true;
    while (!list_.empty()) erase(std::prev(list_.end()));  // children give their places back first
    world_->clips.erase(serial_);
    if (!own_world_) ++world_->budget;
}

namespace {

// Depths from here up are the scripts' (their depth 0); the timeline's lie below.
constexpr int kScriptDepths = 16384;

// What createEmptyMovieClip places: a sprite of one empty frame.
const SpriteDef& empty_sprite() {
    static const SpriteDef def = [] {
        SpriteDef d;
        d.timeline.frames.emplace_back();
        return d;
    }();
    return def;
}

}  // namespace

Instance Clip::make_instance(uint16_t depth, const Placement& p) {
    Instance inst;
    static_cast<Placement&>(inst) = p;
    inst.depth = depth;
    inst.character = movie_.find(p.character_id);
    inst.slot_character = p.character_id;
    inst.slot_ratio = p.ratio;
    inst.fresh = true;
    inst.parent = this;
    inst.serial = world_->next_serial++;
    return inst;
}

namespace {

// What a fresh PlaceObject of a character records.
Placement placement_of(const DisplayOp& op) {
    Placement p;
    p.character_id = op.character;
    p.matrix = op.matrix;
    p.cxform = op.cxform;
    p.ratio = op.ratio;
    p.clip_depth = op.clip_depth;
    p.blend = op.blend;
    p.visible = op.visible;
    p.name = op.name;
    p.named = (op.flags & PlaceHasName) != 0;
    p.filters = op.filters;
    p.cache_as_bitmap = op.cache_as_bitmap;
    p.background = op.background;
    p.clip_actions = op.clip_actions;
    return p;
}

// What a PlaceObject that moves an instance may change, as its flags. The name, the clip depth
// and the clip events stay as first placed, whatever the move carries.
constexpr uint16_t kMovable = PlaceHasCharacter | PlaceHasMatrix | PlaceHasCxform | PlaceHasRatio | PlaceHasBlend |
                              PlaceHasVisible | PlaceHasFilters | PlaceHasCache | PlaceHasBackground;

// What a rewind gives back to an instance it keeps: it is the same character at the same ratio
// already, and a script may have moved it since.
constexpr uint16_t kRestored = kMovable & ~(PlaceHasCharacter | PlaceHasRatio);

// The one rule for a move, whether it lands on a live instance or on a rewind's working list:
// the movable fields in `fields` are copied from `from`. A transform a script took over
// (`keep_transform`) stays the script's.
void merge_placement(Placement& to, const Placement& from, uint16_t fields, bool keep_transform = false) {
    fields &= kMovable;
    if (keep_transform) fields &= ~(PlaceHasMatrix | PlaceHasCxform);
    if (fields & PlaceHasCharacter) to.character_id = from.character_id;
    if (fields & PlaceHasMatrix) to.matrix = from.matrix;
    if (fields & PlaceHasCxform) to.cxform = from.cxform;
    if (fields & PlaceHasRatio) to.ratio = from.ratio;
    if (fields & PlaceHasBlend) to.blend = from.blend;
    if (fields & PlaceHasVisible) to.visible = from.visible;
    if (fields & PlaceHasFilters) to.filters = from.filters;
    if (fields & PlaceHasCache) to.cache_as_bitmap = from.cache_as_bitmap;
    if (fields & PlaceHasBackground) to.background = from.background;
}

}  // namespace

// Puts an instance in the list, gives sprites and buttons their own timeline, tells the script
// side, then starts the child on its first frame. Null when the scripts the placement ran
// (initialize and construct events) removed the new instance or put another at its depth.
Instance* Clip::insert(int depth, Instance&& fresh) {
    auto [pos, ok] = list_.insert_or_assign(depth, std::move(fresh));
    ++names_version_;
    Instance& inst = pos->second;
    inst.parent = this;
    // Unnamed timeline instances are called "instanceN", counted over the movie's unnamed
    // instances. An empty name that the tag or a script gave stays empty.
    const Character* ch = inst.character;
    if (inst.name.empty() && !inst.named && !inst.dynamic && ch &&
        (ch->kind == CharKind::Sprite || ch->kind == CharKind::Button || ch->kind == CharKind::EditText))
        inst.name = "instance" + std::to_string(++world_->instances_made);
    if (ch && nesting_ + 1 < kMaxNesting && world_->budget > 0) {
        if (ch->kind == CharKind::Sprite) {
            const auto& sprite = static_cast<const SpriteDef&>(*ch);
            inst.clip = std::make_unique<Clip>(movie_, &sprite.timeline, nesting_ + 1, world_, &inst);
            --world_->budget;
        } else if (ch->kind == CharKind::Button) {
            inst.clip = std::make_unique<Clip>(movie_, nullptr, nesting_ + 1, world_, &inst);
            --world_->budget;
        }
    }
    const uint64_t serial = inst.serial;
    if (world_->events) world_->events->placed(*this, inst);
    auto it = list_.find(depth);
    if (it == list_.end() || it->second.serial != serial) return nullptr;
    start_child(it->second);
    return &it->second;
}

void Clip::erase(std::map<int, Instance>::iterator it) {
    if (world_->events) world_->events->removing(*this, it->second);
    if (it->second.clip) it->second.clip->removed_ = true;
    list_.erase(it);
    ++names_version_;
}

void Clip::start_child(Instance& inst) {
    if (!inst.clip) return;
    if (inst.character->kind == CharKind::Sprite)
        inst.clip->goto_frame(0);
    else
        inst.clip->set_button_state(static_cast<const ButtonDef&>(*inst.character), 1);
}

void Clip::apply_op(const DisplayOp& op) {
    auto it = list_.find(op.depth);
    if (op.kind == DisplayOp::Remove) {
        if (it != list_.end() && !it->second.dynamic) erase(it);
        return;
    }
    const bool move = op.flags & PlaceMove, has_char = op.flags & PlaceHasCharacter;
    if (!move && has_char) {
        if (it != list_.end()) return;  // depth taken: the first placement stays
        insert(op.depth, make_instance(op.depth, placement_of(op)));
        return;
    }
    if (!move || it == list_.end() || it->second.dynamic) return;
    Instance* inst = &it->second;
    if (has_char && op.character != inst->character_id) {
        // Replace: a new character at the depth keeps the old instance's transform unless given.
        // The tag's naming and the clip events belonged to the old one's placement.
        Placement p = *inst;
        p.character_id = op.character;
        p.named = false;
        p.clip_actions = nullptr;
        const int depth = op.depth;
        erase(it);
        inst = insert(depth, make_instance(uint16_t(depth), p));
        if (!inst) return;
    }
    merge_placement(*inst, placement_of(op), op.flags, inst->scripted);
    if (op.flags & PlaceHasRatio) inst->slot_ratio = op.ratio;
}

void Clip::enter_frame(int frame) { current_ = frame; }

// The frame's tags in file order: display ops with the action blocks between them. Init actions
// go first, ahead of everything else of the frame.
void Clip::apply_frame(int frame, bool run_actions) {
    const Frame& f = timeline_->frames[frame];
    ClipEvents* ev = world_->events;
    if (ev)
        for (const ActionBlock& b : f.actions)
            if (b.init_sprite) ev->actions(*this, b);
    FrameSounds* sounds = run_actions ? world_->sounds : nullptr;
    size_t next = 0, next_sound = 0;
    for (size_t i = 0; i <= f.ops.size(); ++i) {
        while (ev && run_actions && next < f.actions.size() && f.actions[next].after_ops <= i) {
            if (!f.actions[next].init_sprite) ev->actions(*this, f.actions[next]);
            ++next;
        }
        while (sounds && next_sound < f.sounds.size() && f.sounds[next_sound].after_ops <= i)
            sounds->start_sound(*this, f.sounds[next_sound++]);
        if (i == f.ops.size() || removed_) break;
        apply_op(f.ops[i]);
    }
}

// Backward jump: work out the depths as they stand at `frame`, then keep every instance that
// has the same character and ratio there (its own playhead survives) and rebuild the rest.
// Only the timeline's depths are rebuilt, whoever placed what is there now; instances at
// script depths stay, even ones the timeline placed.
void Clip::rewind_to(int frame) {
    std::map<int, Placement> target;
    for (int f = 0; f <= frame; ++f) {
        for (const DisplayOp& op : timeline_->frames[f].ops) {
            if (op.kind == DisplayOp::Remove) {
                target.erase(op.depth);
                continue;
            }
            const bool move = op.flags & PlaceMove, has_char = op.flags & PlaceHasCharacter;
            auto it = target.find(op.depth);
            if (!move && has_char) {
                if (it != target.end()) continue;
                target.emplace(op.depth, placement_of(op));
                continue;
            }
            if (!move || it == target.end()) continue;
            merge_placement(it->second, placement_of(op), op.flags);
        }
    }
    for (auto it = list_.begin(); it != list_.end();) {
        if (it->first >= kScriptDepths) {
            ++it;
            continue;
        }
        auto t = target.find(it->first);
        if (t == target.end() || t->second.character_id != it->second.slot_character ||
            t->second.ratio != it->second.slot_ratio) {
            auto next = std::next(it);
            erase(it);
            it = next;
        } else {
            ++it;
        }
    }
    for (auto& [depth, p] : target) {
        auto it = list_.find(depth);
        if (it != list_.end()) {
            Instance& inst = it->second;
            if (inst.dynamic || depth >= kScriptDepths) continue;
            merge_placement(inst, p, kRestored, inst.scripted);
            continue;
        }
        insert(depth, make_instance(uint16_t(depth), p));
        if (removed_) return;
    }
}

void Clip::goto_frame(int frame, bool run_actions) {
    if (!timeline_) return;
    const int count = int(timeline_->frames.size());
    if (frame < 0) frame = 0;
    if (frame >= count) frame = count - 1;
    if (frame == current_) return;
    if (frame > current_) {
        const int from = current_;
        current_ = frame;
        for (int f = from + 1; f <= frame && !removed_; ++f) apply_frame(f, f == frame && run_actions);
    } else {
        current_ = frame;
        rewind_to(frame);
        // The frame's scripts run again, and its sounds start again, after the list is rebuilt.
        if (world_->events && !removed_ && run_actions)
            for (const ActionBlock& b : timeline_->frames[frame].actions) world_->events->actions(*this, b);
        if (world_->sounds && !removed_ && run_actions)
            for (const SoundStart& s : timeline_->frames[frame].sounds) world_->sounds->start_sound(*this, s);
    }
    enter_frame(frame);
}

bool Clip::goto_label(const std::string& label) {
    if (!timeline_) return false;
    auto it = timeline_->labels.find(label);
    if (it == timeline_->labels.end()) return false;
    goto_frame(it->second);
    return true;
}

void Clip::advance_playhead() {
    for (auto& [depth, inst] : list_) inst.fresh = false;
    if (timeline_ && playing_) {
        const int count = int(timeline_->frames.size());
        if (current_ + 1 < count)
            goto_frame(current_ + 1);
        else if (count > 1 && timeline_->complete)
            goto_frame(0);
    }
}

void Clip::tick() {
    advance_playhead();
    for (auto& [depth, inst] : list_) {
        if (inst.clip && !inst.fresh) inst.clip->tick();
    }
}

Instance* Clip::place_dynamic(int depth, uint16_t character, const std::string& name, const Matrix& m,
                              const CxForm& cx, std::shared_ptr<const std::vector<ClipAction>> clip_actions) {
    Placement p;
    p.clip_actions = std::move(clip_actions);
    p.character_id = character;
    p.matrix = m;
    p.cxform = cx;
    p.name = name;
    if (!movie_.find(character)) return nullptr;
    if (auto it = list_.find(depth); it != list_.end()) erase(it);
    Instance inst = make_instance(0, p);
    inst.depth = depth;
    inst.dynamic = true;
    return insert(depth, std::move(inst));
}

Instance* Clip::place_empty(int depth, const std::string& name) {
    if (auto it = list_.find(depth); it != list_.end()) erase(it);
    Instance inst = make_instance(0, Placement{});
    inst.depth = depth;
    inst.dynamic = true;
    inst.name = name;
    inst.character = &empty_sprite();
    return insert(depth, std::move(inst));
}

Instance* Clip::place_text_field(int depth, const std::string& name, std::shared_ptr<EditTextDef> def) {
    if (auto it = list_.find(depth); it != list_.end()) erase(it);
    Instance inst = make_instance(0, Placement{});
    inst.depth = depth;
    inst.dynamic = true;
    inst.name = name;
    inst.character = def.get();
    inst.edit = std::move(def);
    return insert(depth, std::move(inst));
}

Instance* Clip::place_made(int depth, std::shared_ptr<const Character> def) {
    if (auto it = list_.find(depth); it != list_.end()) erase(it);
    Instance inst = make_instance(0, Placement{});
    inst.depth = depth;
    inst.dynamic = true;
    inst.character = def.get();
    inst.made = std::move(def);
    return insert(depth, std::move(inst));
}

void Clip::remove_depth(int depth) {
    if (auto it = list_.find(depth); it != list_.end()) erase(it);
}

void Clip::swap_depths(int from, int to) {
    if (from == to) return;
    auto a = list_.extract(from);
    if (a.empty()) return;
    ++names_version_;
    auto b = list_.extract(to);
    a.key() = to;
    a.mapped().depth = to;
    a.mapped().dynamic = true;
    if (!b.empty()) {
        b.key() = from;
        b.mapped().depth = from;
        b.mapped().dynamic = true;
        std::swap(a.mapped().slot_character, b.mapped().slot_character);
        std::swap(a.mapped().slot_ratio, b.mapped().slot_ratio);
        list_.insert(std::move(b));
    }
    list_.insert(std::move(a));
}

void Clip::set_button_state(const ButtonDef& def, uint8_t state_mask) {
    while (!list_.empty()) erase(std::prev(list_.end()));
    for (const ButtonRecord& rec : def.records) {
        if (!(rec.states & state_mask)) continue;
        Placement p;
        p.character_id = rec.character;
        p.matrix = rec.matrix;
        p.cxform = rec.cxform;
        p.blend = rec.blend;
        p.filters = rec.filters;
        if (list_.count(rec.depth)) continue;
        insert(rec.depth, make_instance(rec.depth, p));
    }
    current_ = 0;
}

}  // namespace swf
