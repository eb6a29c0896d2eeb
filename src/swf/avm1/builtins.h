// Installers for the built-in classes and functions, one per file, called in this order when the
// machine starts. Each defines its constructors and prototypes on vm.global.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace swf::avm1 {

class Vm;

void install_object(Vm& vm);     // Object, Function, AsBroadcaster, ASSetPropFlags   (object_builtins.cpp)
void install_globals(Vm& vm);    // parseInt, parseFloat, isNaN, isFinite, escape, unescape, NaN, Infinity (global_builtins.cpp)
void install_string(Vm& vm);     // String                                             (string_builtins.cpp)
void install_number(Vm& vm);     // Number, Boolean                                    (number_builtins.cpp)
void install_math(Vm& vm);       // Math                                               (math_builtins.cpp)
void install_array(Vm& vm);      // Array                                              (array_builtins.cpp)
void install_date(Vm& vm);       // Date                                               (date_builtins.cpp)
void install_error(Vm& vm);      // Error                                              (object_builtins.cpp)
void install_system(Vm& vm);     // Key, Mouse, Stage, System, flash.external.ExternalInterface (system_builtins.cpp)
void install_color(Vm& vm);      // Color                                              (color_builtins.cpp)
void install_geom(Vm& vm);       // flash.geom.*, MovieClip.transform                  (geom_builtins.cpp)
void install_shared_object(Vm& vm);  // SharedObject                                   (shared_object.cpp)
void install_xml(Vm& vm);        // XMLNode, XML, LoadVars                             (xml_builtins.cpp)
void install_sound(Vm& vm);      // Sound                                              (sound_builtins.cpp)
void install_filters(Vm& vm);    // flash.filters.*, MovieClip.filters                 (filter_builtins.cpp)
void install_natives(Vm& vm);    // ASnative, ASSetNative, ASSetNativeAccessor (native_builtins.cpp); runs last
void install_bitmapdata(Vm& vm);  // flash.display.BitmapData, MovieClip.attachBitmap/beginBitmapFill (bitmapdata_builtins.cpp)
void install_textsnapshot(Vm& vm);  // TextSnapshot, MovieClip.getTextSnapshot        (textsnapshot_builtins.cpp)
void install_net(Vm& vm);        // NetConnection, NetStream, MovieClipLoader, XMLSocket, LocalConnection (net_builtins.cpp)
void install_file_reference(Vm& vm);  // flash.net.FileReference, FileReferenceList    (file_reference_builtins.cpp)
void install_player_classes(Vm& vm);  // ContextMenu(Item), Camera, Microphone, Video, PrintJob, Accessibility, TextRenderer (player_builtins.cpp)
void install_stylesheet(Vm& vm);  // TextField.StyleSheet                            (stylesheet_builtins.cpp)

// The CSS side of TextField.StyleSheet (stylesheet_builtins.cpp). parse_css gives each selector
// with its declarations (camel-cased names, trimmed values), or false for malformed text;
// style_to_text_format is StyleSheet.transform for a style object.
std::string css_property_name(std::string_view css);
bool parse_css(std::string_view text,
               std::vector<std::pair<std::string, std::vector<std::pair<std::string, std::string>>>>& rules);
struct TextFormat;
struct Value;
TextFormat style_to_text_format(Vm& vm, const Value& style);

// Makes a native reachable as ASnative(category, index) (native_builtins.cpp).
void register_native(Vm& vm, int32_t category, int32_t index, class FunctionObject* fn);

}  // namespace swf::avm1
