// Text fields: their text, variables bound to them, and TextFormat.
#include "swf/avm1/clip.h"

namespace swf::avm1 {

void install_textfield(Vm& vm, Object* proto) {}

void text_field_placed(Vm& vm, ClipObject* field) {}

}  // namespace swf::avm1
