// Every tag code the engine knows, listed once. The table generates the TagCode enum and the
// trace names; movie.cpp dispatches on the enum.
#pragma once

#include <cstdint>

namespace swf {

#define SWF_ENUMERATE_TAGS(X)                 \
    X(0, End)                                 \
    X(1, ShowFrame)                           \
    X(2, DefineShape)                         \
    X(4, PlaceObject)                         \
    X(5, RemoveObject)                        \
    X(6, DefineBits)                          \
    X(7, DefineButton)                        \
    X(8, JPEGTables)                          \
    X(9, SetBackgroundColor)                  \
    X(10, DefineFont)                         \
    X(11, DefineText)                         \
    X(12, DoAction)                           \
    X(13, DefineFontInfo)                     \
    X(14, DefineSound)                        \
    X(15, StartSound)                         \
    X(17, DefineButtonSound)                  \
    X(18, SoundStreamHead)                    \
    X(19, SoundStreamBlock)                   \
    X(20, DefineBitsLossless)                 \
    X(21, DefineBitsJPEG2)                    \
    X(22, DefineShape2)                       \
    X(23, DefineButtonCxform)                 \
    X(24, Protect)                            \
    X(26, PlaceObject2)                       \
    X(28, RemoveObject2)                      \
    X(32, DefineShape3)                       \
    X(33, DefineText2)                        \
    X(34, DefineButton2)                      \
    X(35, DefineBitsJPEG3)                    \
    X(36, DefineBitsLossless2)                \
    X(37, DefineEditText)                     \
    X(39, DefineSprite)                       \
    X(43, FrameLabel)                         \
    X(45, SoundStreamHead2)                   \
    X(46, DefineMorphShape)                   \
    X(48, DefineFont2)                        \
    X(56, ExportAssets)                       \
    X(57, ImportAssets)                       \
    X(58, EnableDebugger)                     \
    X(59, DoInitAction)                       \
    X(60, DefineVideoStream)                  \
    X(61, VideoFrame)                         \
    X(62, DefineFontInfo2)                    \
    X(64, EnableDebugger2)                    \
    X(65, ScriptLimits)                       \
    X(66, SetTabIndex)                        \
    X(69, FileAttributes)                     \
    X(70, PlaceObject3)                       \
    X(71, ImportAssets2)                      \
    X(72, DoABCDefine)                        \
    X(73, DefineFontAlignZones)               \
    X(74, CSMTextSettings)                    \
    X(75, DefineFont3)                        \
    X(76, SymbolClass)                        \
    X(77, Metadata)                           \
    X(78, DefineScalingGrid)                  \
    X(82, DoABC)                              \
    X(83, DefineShape4)                       \
    X(84, DefineMorphShape2)                  \
    X(86, DefineSceneAndFrameLabelData)       \
    X(87, DefineBinaryData)                   \
    X(88, DefineFontName)                     \
    X(89, StartSound2)                        \
    X(90, DefineBitsJPEG4)                    \
    X(91, DefineFont4)                        \
    X(93, EnableTelemetry)

enum class TagCode : uint16_t {
#define SWF_TAG_ENUM(code, name) name = code,
    SWF_ENUMERATE_TAGS(SWF_TAG_ENUM)
#undef SWF_TAG_ENUM
};

inline const char* tag_name(uint16_t code) {
    switch (code) {
#define SWF_TAG_NAME(code, name) \
    case code:                   \
        return #name;
        SWF_ENUMERATE_TAGS(SWF_TAG_NAME)
#undef SWF_TAG_NAME
    }
    return "Unknown";
}

}  // namespace swf
