// Playback state: display lists of instances, one per timeline (the root and each sprite or
// button instance), and the playheads that move through their frames.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>

#include "swf/character.h"
#include "swf/movie.h"

namespace swf {

class Clip;

struct Instance {
    uint16_t depth = 0;
    uint16_t character_id = 0;
    const Character* character = nullptr;
    Matrix matrix;
    CxForm cxform;
    uint16_t ratio = 0;
    uint16_t clip_depth = 0;
    uint8_t blend = 0;
    bool visible = true;
    bool fresh = false;  // created during the current tick: its clip starts next tick
    std::string name;
    FilterListPtr filters;  // null for the usual unfiltered instance
    bool cache_as_bitmap = false;
    std::unique_ptr<Clip> clip;  // sprites and buttons
};

// The instance's bounds in its own twips: its definition's, or for sprites and buttons the union
// of what they hold now. False when there is nothing to bound.
bool instance_bounds(const Instance& inst, Rect& out);

// Called for every frame a clip enters, with that frame's action blocks (scripts hook in here).
using FrameHook = std::function<void(Clip& clip, int frame, const Frame& data)>;

constexpr int kMaxNesting = 64;
// How many sprite and button instances one movie may have alive at once: a file whose sprites
// place themselves (or each other) more than once would otherwise grow without bound.
constexpr size_t kMaxClips = 50000;

class Clip {
public:
    // A timeline instance. `timeline` may be null for a button's fixed state list. The root clip
    // (no `budget`) keeps the count of clips its tree may still create.
    Clip(const Movie& movie, const Timeline* timeline, int nesting, const FrameHook* hook,
         size_t* budget = nullptr);
    ~Clip();
    Clip(const Clip&) = delete;
    Clip& operator=(const Clip&) = delete;

    int current_frame() const { return current_; }  // 0-based, -1 before the first
    int frame_count() const { return timeline_ ? int(timeline_->frames.size()) : 1; }
    bool playing() const { return playing_; }
    void play() { playing_ = true; }
    void stop() { playing_ = false; }
    const std::map<int, Instance>& display_list() const { return list_; }
    const Timeline* timeline() const { return timeline_; }

    // Moves the playhead to `frame` (0-based), replaying from the start for backward jumps.
    void goto_frame(int frame);
    bool goto_label(const std::string& label);
    // One tick: advance this playhead if playing (looping at the end), then the children's.
    void tick();
    // Builds a button's display list from the records for `state_mask` (1 up, 2 over, 4 down).
    void set_button_state(const ButtonDef& def, uint8_t state_mask);

private:
    struct Placement {
        uint16_t character = 0;
        Matrix matrix;
        CxForm cxform;
        uint16_t ratio = 0, clip_depth = 0;
        uint8_t blend = 0;
        bool visible = true;
        std::string name;
        FilterListPtr filters;
        bool cache_as_bitmap = false;
    };

    void apply_frame(int frame);
    void apply_op(const DisplayOp& op);
    void rewind_to(int frame);
    Instance make_instance(uint16_t depth, const Placement& p);
    static Placement placement_of(const DisplayOp& op);
    void enter_frame(int frame);

    const Movie& movie_;
    const Timeline* timeline_;
    int nesting_;
    const FrameHook* hook_;
    size_t own_budget_ = kMaxClips;  // used by the root only; outlives list_ below
    size_t* budget_;
    int current_ = -1;
    bool playing_ = true;
    std::map<int, Instance> list_;
};

}  // namespace swf
