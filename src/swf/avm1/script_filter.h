// The renderer's form of a flash.filters object made by a script (filter_builtins.cpp), for the
// built-ins that apply filters themselves (BitmapData.applyFilter).
#pragma once

#include "swf/avm1/value.h"
#include "swf/filter.h"

namespace swf::avm1 {

// False when `v` is not a filter object or is of a kind the renderer does not draw
// (DisplacementMapFilter).
bool script_filter(const Value& v, Filter& out);

}  // namespace swf::avm1
