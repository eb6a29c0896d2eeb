// The bytecode interpreter's entry points used by the rest of the machine.
#pragma once

#include "swf/avm1/vm.h"

namespace swf::avm1 {

// Calls a script function. `super_holder` is the prototype the method was found on (for `super`).
Value call_script(Vm& vm, FunctionObject* fn, const Value& self, const Value* args, int argc,
                  Object* super_holder);
// The clip the running code targets (tellTarget and function calls change it); null when no
// script runs.
Object* current_target(Vm& vm);
// Marks what the running code holds (its stack frames, scopes, registers).
void trace_exec_states(Vm& vm, Tracer& t);

}  // namespace swf::avm1
