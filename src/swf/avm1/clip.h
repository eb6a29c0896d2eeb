// Movie clips, buttons and text fields as scripts see them: the object that stands for a display
// instance, its display properties, paths, and the timeline control the actions use.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <unordered_map>

#include "swf/avm1/sound.h"
#include "swf/avm1/vm.h"
#include "swf/display.h"

namespace swf::avm1 {

class Runtime;

// The object of a sprite, button, root or text field. It outlives the instance: once removed it
// keeps its name and path and acts dead (reads give undefined, writes are dropped).
class ClipObject : public Object {
public:
    ClipObject(Object* proto, ObjKind kind) : Object(proto, kind) {}
    Clip* clip = nullptr;      // sprites, buttons, roots
    Instance* inst = nullptr;  // the placed instance (null for a root)
    Clip* parent = nullptr;    // the clip whose list holds inst
    Runtime* runtime = nullptr;
    std::string dead_path;     // what the path was when it was removed
    bool unloading = false;    // removed, its unload event still to run: it keeps its path
    // Display properties as last set, so that reading back gives what was written.
    bool have_scale = false;
    Matrix scale_for;
    double xscale = 100, yscale = 100, rotation = 0;
    std::shared_ptr<const std::vector<ClipAction>> clip_actions;  // onClipEvent handlers
    Object* mask_of = nullptr;  // setMask: the clip this one masks
    Object* masked_by = nullptr;
    Matrix root_matrix;  // a root's own transform (placed clips keep theirs on `inst`)
    CxForm root_cxform;  // likewise its colour, visibility and name
    bool root_visible = true;
    std::string root_name;
    bool static_text_moved = false;  // a duplicate took this clip's static text (TextSnapshot)
    SoundTransform sound;  // shared by the Sound objects made for this clip
    // find_child's index of a long child list: each name (case-folded where names ignore case)
    // and the lowest depth holding it, as of the list's names_version().
    struct ChildIndex {
        const Clip* clip = nullptr;
        uint64_t version = 0;
        bool folded = false;
        std::unordered_map<std::string, int> depths;
    };
    std::unique_ptr<ChildIndex> child_index;

    bool alive() const { return clip || inst; }
    bool get_virtual(Vm& vm, Str* name, Value& out) override;
    bool set_virtual(Vm& vm, Str* name, const Value& v) override;
    bool has_virtual(Vm& vm, Str* name) override;
    bool hooked(Vm& vm, Str* name) override;
    void list_virtual(Vm& vm, std::vector<Str*>& out) override;
    void trace(Tracer& t) override;
    void detach(Vm& vm);
};

enum class ClipControl { Play, Stop, Next, Prev };

// Display property indices (GetProperty/SetProperty and the `_x`… names).
enum ClipProp {
    PropX, PropY, PropXScale, PropYScale, PropCurrentFrame, PropTotalFrames, PropAlpha, PropVisible,
    PropWidth, PropHeight, PropRotation, PropTarget, PropFramesLoaded, PropName, PropDropTarget,
    PropUrl, PropHighQuality, PropFocusRect, PropSoundBufTime, PropQuality, PropXMouse, PropYMouse,
    PropCount
};
// The index of a `_name` property (case-insensitive), or -1.
int clip_prop_index(const std::string& name);

bool is_display_object(Object* o);
bool clip_alive(Object* o);
// The live clip for a clip's object: itself, or for a removed one the clip now at its path.
Object* clip_now(Vm& vm, Object* o);
std::string display_path(Vm& vm, Object* o, bool slash);
Object* clip_root(Vm& vm, Object* clip);
Object* clip_parent(Object* clip);
Object* clip_level(Vm& vm, int n);
// A clip from a slash or dot path, relative to `base`; `lookup` resolves a first name that is
// not a path step (a variable holding a clip).
// "_levelN" or "_flashN": sets the level it names (negative names none).
bool level_name(Vm& vm, const std::string& name, int& level);
Object* resolve_clip_path(Vm& vm, Object* base, const std::string& path, const std::function<Value(Str*)>& lookup);
// The named child of a clip (instance names follow the version's case rule).
Object* find_child(Vm& vm, ClipObject* clip, Str* name);

void clip_goto(Vm& vm, Object* clip, int frame, bool play);  // frame 0-based
bool clip_goto_label(Vm& vm, Object* clip, const std::string& label, bool play, int bias);
void clip_control(Vm& vm, Object* clip, ClipControl what);
void clip_call_frame(Vm& vm, Object* clip, const Value& frame, const std::function<Object*(const std::string&)>& resolve);
void clip_load(Vm& vm, Object* clip, const std::string& url, int flags);
Value clip_get_property(Vm& vm, Object* clip, int index);
void clip_set_property(Vm& vm, Object* clip, int index, const Value& v);
Object* clip_duplicate(Vm& vm, Object* clip, Str* name, double depth, Object* init);
void clip_remove(Vm& vm, Object* clip);
void clip_start_drag(Vm& vm, Object* clip, bool lock, bool constrain, double x1, double y1, double x2, double y2);
void clip_stop_drag(Vm& vm);
uint32_t random_below(Vm& vm, uint32_t n);

void install_movieclip(Vm& vm);
// Drawing methods, getBounds/getRect, hitTest (clip_geometry.cpp).
void install_movieclip_geometry(Vm& vm, Object* movieclip_proto);
// Starts a drawing fill on a clip (beginBitmapFill); false when `clip` is not a live clip.
bool clip_begin_fill(const Value& clip, const FillStyle& fill);
// blendMode, cacheAsBitmap, opaqueBackground (clip_display.cpp).
void install_movieclip_display(Vm& vm, Object* movieclip_proto);
// A clip's transform in its parent (a root's own one for roots), and from its twips to the
// stage's, roots' transforms included.
Matrix clip_matrix(Object* clip);
Matrix clip_to_stage(Object* clip);
// Whether a stage point (twips) falls on what a clip shows (its script mask too), on a display
// list or on one instance placed by `to_stage` (own twips -> stage twips). Hidden parts count.
bool stage_point_hits(ClipObject* c, double sx, double sy);
bool stage_point_hits(const Clip& clip, const Matrix& to_stage, double sx, double sy);
bool stage_point_hits(const Instance& inst, const Matrix& to_stage, double sx, double sy);
// Bounds of what a clip shows in its own twips, strokes included or not. False when empty.
bool clip_local_bounds(Object* clip, Rect& out, bool strokes);
// TextField members and TextFormat (textfield.cpp).
void install_textfield(Vm& vm, Object* textfield_proto);
// A text field placed on a timeline or made by script: its variable binding and first text.
void text_field_placed(Vm& vm, ClipObject* field);  // MovieClip, Button, TextField prototypes and their methods
// A text field's _width/_height (its own box, not a scale); false for other properties.
bool text_field_get_property(Vm& vm, ClipObject* field, int index, Value& out);
bool text_field_set_property(Vm& vm, ClipObject* field, int index, const Value& v);
// A variable of `clip` is being set: fields bound to it show the new value.
void text_variable_set(Vm& vm, Object* clip, Str* name, const Value& v);
// A clip was hidden: the focus leaves it if it held it (textfield.cpp, with Selection).
void focus_visibility_changed(Vm& vm);

}  // namespace swf::avm1
