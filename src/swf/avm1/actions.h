// Every action code the machine knows, listed once: (code, name, first file version).
#pragma once

#include <cstdint>

namespace swf::avm1 {

#define SWF_ENUMERATE_ACTIONS(X)                                                                  \
    X(0x00, End, 1) X(0x04, NextFrame, 1) X(0x05, PreviousFrame, 1) X(0x06, Play, 1)              \
    X(0x07, Stop, 1) X(0x08, ToggleQuality, 1) X(0x09, StopSounds, 2) X(0x0A, Add, 4)             \
    X(0x0B, Subtract, 4) X(0x0C, Multiply, 4) X(0x0D, Divide, 4) X(0x0E, Equals, 4)               \
    X(0x0F, Less, 4) X(0x10, And, 4) X(0x11, Or, 4) X(0x12, Not, 4) X(0x13, StringEquals, 4)      \
    X(0x14, StringLength, 4) X(0x15, StringExtract, 4) X(0x17, Pop, 4) X(0x18, ToInteger, 4)      \
    X(0x1C, GetVariable, 4) X(0x1D, SetVariable, 4) X(0x20, SetTarget2, 4) X(0x21, StringAdd, 4)  \
    X(0x22, GetProperty, 4) X(0x23, SetProperty, 4) X(0x24, CloneSprite, 4)                       \
    X(0x25, RemoveSprite, 4) X(0x26, Trace, 4) X(0x27, StartDrag, 4) X(0x28, EndDrag, 4)          \
    X(0x29, StringLess, 4) X(0x2A, Throw, 7) X(0x2B, CastOp, 7) X(0x2C, ImplementsOp, 7)          \
    X(0x2D, FSCommand2, 7) X(0x30, RandomNumber, 4) X(0x31, MBStringLength, 4)                   \
    X(0x32, CharToAscii, 4) X(0x33, AsciiToChar, 4) X(0x34, GetTime, 4)                           \
    X(0x35, MBStringExtract, 4) X(0x36, MBCharToAscii, 4) X(0x37, MBAsciiToChar, 4)               \
    X(0x3A, Delete, 5) X(0x3B, Delete2, 5) X(0x3C, DefineLocal, 5) X(0x3D, CallFunction, 5)       \
    X(0x3E, Return, 5) X(0x3F, Modulo, 5) X(0x40, NewObject, 5) X(0x41, DefineLocal2, 5)          \
    X(0x42, InitArray, 5) X(0x43, InitObject, 5) X(0x44, TypeOf, 5) X(0x45, TargetPath, 5)        \
    X(0x46, Enumerate, 5) X(0x47, Add2, 5) X(0x48, Less2, 5) X(0x49, Equals2, 5)                  \
    X(0x4A, ToNumber, 5) X(0x4B, ToString, 5) X(0x4C, PushDuplicate, 5) X(0x4D, StackSwap, 5)     \
    X(0x4E, GetMember, 5) X(0x4F, SetMember, 5) X(0x50, Increment, 5) X(0x51, Decrement, 5)       \
    X(0x52, CallMethod, 5) X(0x53, NewMethod, 5) X(0x54, InstanceOf, 6) X(0x55, Enumerate2, 6)    \
    X(0x60, BitAnd, 5) X(0x61, BitOr, 5) X(0x62, BitXor, 5) X(0x63, BitLShift, 5)                 \
    X(0x64, BitRShift, 5) X(0x65, BitURShift, 5) X(0x66, StrictEquals, 6) X(0x67, Greater, 6)     \
    X(0x68, StringGreater, 6) X(0x69, Extends, 7) X(0x81, GotoFrame, 1) X(0x83, GetURL, 1)        \
    X(0x87, StoreRegister, 5) X(0x88, ConstantPool, 5) X(0x89, StrictMode, 7)                     \
    X(0x8A, WaitForFrame, 3) X(0x8B, SetTarget, 3) X(0x8C, GoToLabel, 3)                          \
    X(0x8D, WaitForFrame2, 4) X(0x8E, DefineFunction2, 7) X(0x8F, Try, 7) X(0x94, With, 5)        \
    X(0x96, Push, 4) X(0x99, Jump, 4) X(0x9A, GetURL2, 4) X(0x9B, DefineFunction, 5)              \
    X(0x9D, If, 4) X(0x9E, Call, 4) X(0x9F, GotoFrame2, 4)

// Runs of actions that compilers emit together, fused when a block is decoded (no file holds
// these codes). The fused instruction replaces the first action of its run and does the work of
// the whole run; the others stay where they are, so a branch into the middle of a run still
// finds its own action.
#define SWF_ENUMERATE_FUSED(X)                                                                    \
    X(0xF0, SetRegister)      /* StoreRegister r, Pop                               a: r       */ \
    X(0xF1, CompareNotIf)     /* Less2|Greater|Equals2|StrictEquals, Not, If   a: target, b: op */ \
    X(0xF2, IncRegister)      /* Push r, Increment, StoreRegister q, Pop            a: r, b: q */ \
    X(0xF3, DecRegister)      /* Push r, Decrement, StoreRegister q, Pop            a: r, b: q */ \
    X(0xF4, PushGetMember)    /* Push …, GetMember                                  as Push    */ \
    X(0xF5, PushAdd2)         /* Push …, Add2                                       as Push    */ \
    X(0xF6, PushCallFunction) /* Push …, CallFunction                               as Push    */ \
    X(0xF7, PushCallMethod)   /* Push …, CallMethod                                 as Push    */

enum class Op : uint8_t {
#define SWF_ACTION_ENUM(code, name, version) name = code,
    SWF_ENUMERATE_ACTIONS(SWF_ACTION_ENUM)
#undef SWF_ACTION_ENUM
#define SWF_FUSED_ENUM(code, name) name = code,
    SWF_ENUMERATE_FUSED(SWF_FUSED_ENUM)
#undef SWF_FUSED_ENUM
};

}  // namespace swf::avm1
