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

namespace avm1 {
class Object;
}

class Clip;
struct World;

// What a placement puts at a depth: the fields of a PlaceObject, a button record or a script's
// placement. The timeline works these out when it rebuilds a list; an instance carries them.
struct Placement {
    uint16_t character_id = 0;
    Matrix matrix;
    CxForm cxform;
    uint16_t ratio = 0;
    uint16_t clip_depth = 0;
    uint8_t blend = 0;  // a BlendMode, as read
    bool visible = true;
    std::string name;
    bool named = false;  // its PlaceObject carried a name, even an empty one
    FilterListPtr filters;  // null for the usual unfiltered instance
    bool cache_as_bitmap = false;
    uint32_t background = 0;  // opaque background behind the instance's bounds, 0xFFRRGGBB; 0: none
    std::shared_ptr<const std::vector<ClipAction>> clip_actions;
};

// A placement on a running timeline, with its playback and script state.
struct Instance : Placement {
    int32_t depth = 0;  // as in the file: scripts' depth 0 is 16384
    const Character* character = nullptr;
    bool fresh = false;  // created during the current tick: its clip starts next tick
    // A script's scrollRect (own twips): only this part shows, moved so its corner is the origin.
    bool scrolled = false;
    Rect scroll_rect;
    std::unique_ptr<Clip> clip;  // sprites and buttons
    // Scripting: the object scripts see (text fields; sprites and buttons keep theirs on the
    // clip), whether scripts placed or moved it (the timeline then leaves it alone), and the
    // text field's state once a script changed it.
    avm1::Object* object = nullptr;
    bool dynamic = false;
    // What the timeline put at this depth, for rewinds to compare with. swapDepths leaves it
    // with the depth, so a clip swapped into a depth stands in for what was placed there.
    uint16_t slot_character = 0;
    uint16_t slot_ratio = 0;
    // A script set its position, scale, rotation or colour: the timeline's moves leave its
    // matrix and colour transform alone from then on.
    bool scripted = false;
    std::shared_ptr<EditTextDef> edit;
    std::shared_ptr<const Character> made;  // a character made by script (attachBitmap), kept here
    Clip* parent = nullptr;
    uint64_t serial = 0;  // creation order, across the whole movie
};

// The instance's bounds in its own twips: its definition's, or for sprites and buttons the union
// of what they hold now. False when there is nothing to bound.
bool instance_bounds(const Instance& inst, Rect& out);

// What the script side hears from the timelines, in the order the tags are applied.
class ClipEvents {
public:
    virtual ~ClipEvents() = default;
    // A new instance is in its parent's list (before a sprite's first frame is applied).
    virtual void placed(Clip& parent, Instance& inst) {}
    // An instance is about to leave its parent's list.
    virtual void removing(Clip& parent, Instance& inst) {}
    // An action block of a frame being entered: DoAction, or DoInitAction (init_sprite != 0).
    virtual void actions(Clip& clip, const ActionBlock& block) {}
};

// What the sound mixer hears from the timelines: the sound starts of a frame being entered
// (the frame a jump lands on, not the ones it passes), in the order of its tags.
class FrameSounds {
public:
    virtual ~FrameSounds() = default;
    virtual void start_sound(Clip& clip, const SoundStart& start) = 0;
};

constexpr int kMaxNesting = 64;
// How many sprite and button instances one movie may have alive at once: a file whose sprites
// place themselves (or each other) more than once would otherwise grow without bound.
constexpr size_t kMaxClips = 50000;

// What every clip of one movie shares: the count of clips it may still create, the script
// side's ear, and every live clip by creation order (scripts and playheads run newest first).
struct World {
    size_t budget = kMaxClips;
    ClipEvents* events = nullptr;
    FrameSounds* sounds = nullptr;
    uint64_t next_serial = 1;
    uint64_t instances_made = 0;
    std::map<uint64_t, Clip*> clips;
};

class Clip {
public:
    // A timeline instance. `timeline` may be null for a button's fixed state list. A root clip
    // made without a world keeps one of its own.
    Clip(const Movie& movie, const Timeline* timeline, int nesting, World* world = nullptr,
         Instance* owner = nullptr);
    ~Clip();
    Clip(const Clip&) = delete;
    Clip& operator=(const Clip&) = delete;

    int current_frame() const { return current_; }  // 0-based, -1 before the first
    int frame_count() const { return timeline_ ? int(timeline_->frames.size()) : 1; }
    bool playing() const { return playing_; }
    void play() { playing_ = true; }
    void stop() { playing_ = false; }
    // Play and stop from the movie's own scripts: a stop there holds against the host's Play.
    void script_play() { playing_ = true, held_ = false; }
    void script_stop() { playing_ = false, held_ = true; }
    bool held() const { return held_; }
    const std::map<int, Instance>& display_list() const { return list_; }
    std::map<int, Instance>& display_list() { return list_; }
    const Timeline* timeline() const { return timeline_; }
    const Movie& movie() const { return movie_; }
    World& world() { return *world_; }
    uint64_t serial() const { return serial_; }
    Instance* owner() const { return owner_; }  // null for a root
    Clip* parent() const { return owner_ ? owner_->parent : nullptr; }
    int nesting() const { return nesting_; }
    bool removed() const { return removed_; }
    // Changes whenever an instance joins, leaves or changes depth in the list, or is renamed
    // (names_changed()), so that lookups by name may keep an index.
    uint64_t names_version() const { return names_version_; }
    void names_changed() { ++names_version_; }

    // Scripting.
    avm1::Object* object = nullptr;
    std::shared_ptr<ShapeData> drawing;  // what the drawing methods drew, under the children
    bool enabled = true;

    // Moves the playhead to `frame` (0-based), replaying from the start for backward jumps.
    // A jump past the last frame lands there without queueing that frame's scripts
    // (`run_actions` false).
    void goto_frame(int frame, bool run_actions = true);
    bool goto_label(const std::string& label);
    // One tick: advance this playhead if playing (looping at the end), then the children's.
    void tick();
    // Only this playhead (the player moves every clip in creation order).
    void advance_playhead();
    // Script placement: a new instance at `depth` (its occupant removed first). Null when the
    // character is unknown or the clip budget is spent.
    Instance* place_dynamic(int depth, uint16_t character, const std::string& name, const Matrix& m,
                            const CxForm& cx,
                            std::shared_ptr<const std::vector<ClipAction>> clip_actions = nullptr);
    // An empty sprite (createEmptyMovieClip) or a text field made by script.
    Instance* place_empty(int depth, const std::string& name);
    Instance* place_text_field(int depth, const std::string& name, std::shared_ptr<EditTextDef> def);
    // A character that is not in the movie's dictionary (a script's bitmap shown as a shape).
    Instance* place_made(int depth, std::shared_ptr<const Character> def);
    void remove_depth(int depth);
    // Moves the instance at `from` to `to`, swapping with any occupant.
    void swap_depths(int from, int to);
    // Builds a button's display list from the records for `state_mask` (1 up, 2 over, 4 down).
    void set_button_state(const ButtonDef& def, uint8_t state_mask);

private:
    void apply_frame(int frame, bool run_actions = true);
    void apply_op(const DisplayOp& op);
    Instance* insert(int depth, Instance&& inst);
    void erase(std::map<int, Instance>::iterator it);
    void start_child(Instance& inst);
    void rewind_to(int frame);
    Instance make_instance(uint16_t depth, const Placement& p);
    void enter_frame(int frame);

    const Movie& movie_;
    const Timeline* timeline_;
    int nesting_;
    std::unique_ptr<World> own_world_;  // a root made alone; outlives list_ below
    World* world_;
    Instance* owner_;
    uint64_t serial_ = 0;
    int current_ = -1;
    bool playing_ = true;
    bool removed_ = false;
    bool held_ = false;
    uint64_t names_version_ = 0;
    std::map<int, Instance> list_;
};

}  // namespace swf
