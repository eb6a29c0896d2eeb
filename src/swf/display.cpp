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
    case CharKind::EditText: add_box(out, any, static_cast<const EditTextDef&>(*inst.character).bounds, identity); break;
    case CharKind::Sprite:
    case CharKind::Button:
        if (!inst.clip) break;
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

Clip::Clip(const Movie& movie, const Timeline* timeline, int nesting, const FrameHook* hook, size_t* budget)
    : movie_(movie), timeline_(timeline), nesting_(nesting), hook_(hook), budget_(budget ? budget : &own_budget_) {}

Clip::~Clip() {
    list_.clear();  // children give their places back while the count is still here
    if (budget_ != &own_budget_) ++*budget_;
}

Instance Clip::make_instance(uint16_t depth, const Placement& p) {
    Instance inst;
    inst.depth = depth;
    inst.character_id = p.character;
    inst.character = movie_.find(p.character);
    inst.matrix = p.matrix;
    inst.cxform = p.cxform;
    inst.ratio = p.ratio;
    inst.clip_depth = p.clip_depth;
    inst.blend = p.blend;
    inst.visible = p.visible;
    inst.name = p.name;
    inst.filters = p.filters;
    inst.cache_as_bitmap = p.cache_as_bitmap;
    inst.fresh = true;
    if (inst.character && nesting_ + 1 < kMaxNesting && *budget_ > 0) {
        if (inst.character->kind == CharKind::Sprite) {
            const auto& sprite = static_cast<const SpriteDef&>(*inst.character);
            inst.clip = std::make_unique<Clip>(movie_, &sprite.timeline, nesting_ + 1, hook_, budget_);
            --*budget_;
        } else if (inst.character->kind == CharKind::Button) {
            inst.clip = std::make_unique<Clip>(movie_, nullptr, nesting_ + 1, hook_, budget_);
            --*budget_;
        }
    }
    return inst;
}

// Called after the instance is in the list, so the child can find its place.
// What a fresh placement of a character records from its PlaceObject.
Clip::Placement Clip::placement_of(const DisplayOp& op) {
    Clip::Placement p;
    p.character = op.character;
    p.matrix = op.matrix;
    p.cxform = op.cxform;
    p.ratio = op.ratio;
    p.clip_depth = op.clip_depth;
    p.blend = op.blend;
    p.visible = op.visible;
    p.name = op.name;
    p.filters = op.filters;
    p.cache_as_bitmap = op.cache_as_bitmap;
    return p;
}

static void start_child(Instance& inst) {
    if (!inst.clip) return;
    if (inst.character->kind == CharKind::Sprite)
        inst.clip->goto_frame(0);
    else
        inst.clip->set_button_state(static_cast<const ButtonDef&>(*inst.character), 1);
}

void Clip::apply_op(const DisplayOp& op) {
    if (op.kind == DisplayOp::Remove) {
        list_.erase(op.depth);
        return;
    }
    auto it = list_.find(op.depth);
    const bool move = op.flags & PlaceMove, has_char = op.flags & PlaceHasCharacter;
    if (!move && has_char) {
        if (it != list_.end()) return;  // depth taken: the first placement stays
        auto [pos, ok] = list_.emplace(op.depth, make_instance(op.depth, placement_of(op)));
        start_child(pos->second);
        return;
    }
    if (!move || it == list_.end()) return;
    Instance& inst = it->second;
    if (has_char && op.character != inst.character_id) {
        // Replace: a new character at the depth keeps the old instance's transform unless given.
        Placement p;
        p.character = op.character;
        p.matrix = inst.matrix;
        p.cxform = inst.cxform;
        p.ratio = inst.ratio;
        p.clip_depth = inst.clip_depth;
        p.blend = inst.blend;
        p.visible = inst.visible;
        p.name = inst.name;
        p.filters = inst.filters;
        p.cache_as_bitmap = inst.cache_as_bitmap;
        Instance fresh = make_instance(op.depth, p);
        inst = std::move(fresh);
        start_child(inst);
    }
    if (op.flags & PlaceHasMatrix) inst.matrix = op.matrix;
    if (op.flags & PlaceHasCxform) inst.cxform = op.cxform;
    if (op.flags & PlaceHasRatio) inst.ratio = op.ratio;
    if (op.flags & PlaceHasBlend) inst.blend = op.blend;
    if (op.flags & PlaceHasVisible) inst.visible = op.visible;
    if (op.flags & PlaceHasFilters) inst.filters = op.filters;
    if (op.flags & PlaceHasCache) inst.cache_as_bitmap = op.cache_as_bitmap;
}

void Clip::enter_frame(int frame) {
    current_ = frame;
    if (hook_ && *hook_ && timeline_) (*hook_)(*this, frame, timeline_->frames[frame]);
}

void Clip::apply_frame(int frame) {
    for (const DisplayOp& op : timeline_->frames[frame].ops) apply_op(op);
}

// Backward jump: work out the depths as they stand at `frame`, then keep every instance that
// has the same character and ratio there (its own playhead survives) and rebuild the rest.
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
            Placement& p = it->second;
            if (has_char) p.character = op.character;
            if (op.flags & PlaceHasMatrix) p.matrix = op.matrix;
            if (op.flags & PlaceHasCxform) p.cxform = op.cxform;
            if (op.flags & PlaceHasRatio) p.ratio = op.ratio;
            if (op.flags & PlaceHasBlend) p.blend = op.blend;
            if (op.flags & PlaceHasVisible) p.visible = op.visible;
            if (op.flags & PlaceHasFilters) p.filters = op.filters;
            if (op.flags & PlaceHasCache) p.cache_as_bitmap = op.cache_as_bitmap;
        }
    }
    for (auto it = list_.begin(); it != list_.end();) {
        auto t = target.find(it->first);
        if (t == target.end() || t->second.character != it->second.character_id ||
            t->second.ratio != it->second.ratio)
            it = list_.erase(it);
        else
            ++it;
    }
    for (auto& [depth, p] : target) {
        auto it = list_.find(depth);
        if (it != list_.end()) {
            Instance& inst = it->second;
            inst.matrix = p.matrix;
            inst.cxform = p.cxform;
            inst.blend = p.blend;
            inst.visible = p.visible;
            inst.filters = p.filters;
            inst.cache_as_bitmap = p.cache_as_bitmap;
            continue;
        }
        auto [pos, ok] = list_.emplace(depth, make_instance(uint16_t(depth), p));
        start_child(pos->second);
    }
}

void Clip::goto_frame(int frame) {
    if (!timeline_) return;
    const int count = int(timeline_->frames.size());
    if (frame < 0) frame = 0;
    if (frame >= count) frame = count - 1;
    if (frame == current_) return;
    if (frame > current_) {
        for (int f = current_ + 1; f <= frame; ++f) apply_frame(f);
    } else {
        rewind_to(frame);
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

void Clip::tick() {
    for (auto& [depth, inst] : list_) inst.fresh = false;
    if (timeline_ && playing_) {
        const int count = int(timeline_->frames.size());
        if (current_ + 1 < count)
            goto_frame(current_ + 1);
        else if (count > 1)
            goto_frame(0);
    }
    for (auto& [depth, inst] : list_) {
        if (inst.clip && !inst.fresh) inst.clip->tick();
    }
}

void Clip::set_button_state(const ButtonDef& def, uint8_t state_mask) {
    list_.clear();
    for (const ButtonRecord& rec : def.records) {
        if (!(rec.states & state_mask)) continue;
        Placement p;
        p.character = rec.character;
        p.matrix = rec.matrix;
        p.cxform = rec.cxform;
        p.blend = rec.blend;
        p.filters = rec.filters;
        if (list_.count(rec.depth)) continue;
        auto [pos, ok] = list_.emplace(rec.depth, make_instance(rec.depth, p));
        start_child(pos->second);
    }
    current_ = 0;
}

}  // namespace swf
