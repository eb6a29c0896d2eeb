// MovieClip drawing methods, bounds and hit tests.
#include "swf/avm1/clip.h"

namespace swf::avm1 {

void install_movieclip_geometry(Vm& vm, Object* mc) {}

}  // namespace swf::avm1
