// Stand-ins while the built-in classes are being written.
#include "swf/avm1/builtins.h"
namespace swf::avm1 {
__attribute__((weak)) void install_globals(Vm&) {}
__attribute__((weak)) void install_string(Vm&) {}
__attribute__((weak)) void install_number(Vm&) {}
__attribute__((weak)) void install_math(Vm&) {}
__attribute__((weak)) void install_array(Vm&) {}
__attribute__((weak)) void install_date(Vm&) {}
}
