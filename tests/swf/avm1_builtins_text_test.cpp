// The String, Number, Boolean and Math built-ins and the global conversion functions, called the
// way scripts call them (methods looked up on the value, primitives boxed for `this`). Expected
// results are what trace() prints, taken from recorded Flash Player output where there is some.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "swf/avm1/convert.h"
#include "swf/avm1/vm.h"

namespace {

using namespace swf::avm1;

class RecordingHost : public Host {
public:
    void trace(const std::string& line) override { lines.push_back(line); }
    void error(const std::string&) override {}
    void get_url(const std::string&, const std::string&, int) override {}
    double timer_ms() override { return 0; }
    ClipObject* level(int) override { return nullptr; }
    std::vector<std::string> lines;
};

// An argument in a case table.
struct Arg {
    enum Kind { Num, Text, Undef, Null, Bool } kind;
    double n = 0;
    const char* s = nullptr;
};
Arg N(double n) { return {Arg::Num, n}; }
Arg S(const char* s) { return {Arg::Text, 0, s}; }
Arg B(bool b) { return {Arg::Bool, b ? 1.0 : 0.0}; }
const Arg U{Arg::Undef}, Null{Arg::Null};

struct Machine {
    explicit Machine(int version) : vm(host, version) {}

    Value value(const Arg& a) {
        switch (a.kind) {
        case Arg::Num: return a.n;
        case Arg::Text: return vm.str(a.s);
        case Arg::Undef: return Value();
        case Arg::Null: return Value::null();
        case Arg::Bool: return a.n != 0;
        }
        return Value();
    }
    // obj.name(args), with `this` boxed as the interpreter boxes it.
    Value call(const Value& obj, const char* name, const std::vector<Value>& args) {
        Value fn = vm.get(obj, vm.intern(name));
        Value self = obj.is_object() ? obj : Value(vm.to_object(obj));
        return vm.call(fn, self, args.data(), int(args.size()));
    }
    Value call(const Value& obj, const char* name, const std::vector<Arg>& args) {
        std::vector<Value> values;
        for (const Arg& a : args) values.push_back(value(a));
        return call(obj, name, values);
    }
    Value global(const char* name) { return vm.get(vm.global, vm.intern(name)); }
    Value construct(const char* ctor, const std::vector<Value>& args) {
        return vm.construct(global(ctor), args.data(), int(args.size()));
    }
    // What trace() prints, as UTF-16 so halves of surrogate pairs can be written down.
    std::u16string printed(const Value& v) { return utf8_to_utf16(vm.trace_string(v)); }

    // An object whose valueOf traces "valueOf <n>" and returns n.
    Value noisy(double n) {
        Object* o = vm.new_object();
        FunctionObject* f = vm.define_method(o, "valueOf", [](Vm& vm, Value, const Args& args) {
            vm.host.trace("valueOf " + vm.to_std_string(args.callee->native_data));
            return args.callee->native_data;
        });
        f->native_data = n;
        return o;
    }
    // An object whose valueOf throws "boom".
    Value thrower() {
        Object* o = vm.new_object();
        vm.define_method(o, "valueOf", [](Vm& vm, Value, const Args&) {
            vm.throwing = true;
            vm.exception = vm.str("boom");
            return Value();
        });
        return o;
    }

    RecordingHost host;
    Vm vm;
};

struct MethodCase {
    const char* receiver;
    const char* method;
    std::vector<Arg> args;
    std::u16string want;
};

void expect_methods(int version, const std::vector<MethodCase>& cases) {
    Machine m(version);
    for (const MethodCase& c : cases) {
        std::string args;
        for (const Arg& a : c.args) args += m.vm.trace_string(m.value(a)) + ",";
        EXPECT_EQ(m.printed(m.call(m.vm.str(c.receiver), c.method, c.args)), c.want)
            << "v" << version << " \"" << c.receiver << "\"." << c.method << "(" << args << ")";
    }
}

const char* const kEmoji = "foo\xF0\x9F\x98\x8B" "foo";          // foo😋foo
const char* const kFraktur = "HELLO\xF0\x9D\x94\x84" "hello";    // HELLO𝔄hello

TEST(Avm1StringBuiltins, CharactersAreUtf16UnitsAtToInt32Positions) {
    expect_methods(8, {
        {kEmoji, "charAt", {N(0)}, u"f"}, {kEmoji, "charAt", {N(3)}, u"\xD83D"}, {kEmoji, "charAt", {N(4)}, u"\xDE0B"},
        {kEmoji, "charAt", {N(5)}, u"f"}, {kEmoji, "charAt", {N(-100)}, u""}, {kEmoji, "charAt", {N(8)}, u""},
        {kEmoji, "charAt", {N(4294967297.0)}, u"o"}, {kEmoji, "charAt", {}, u"f"},
        {kEmoji, "charCodeAt", {N(3)}, u"55357"}, {kEmoji, "charCodeAt", {N(4)}, u"56843"},
        {kEmoji, "charCodeAt", {}, u"102"}, {kEmoji, "charCodeAt", {N(-1)}, u"NaN"},
        {kEmoji, "charCodeAt", {N(9)}, u"NaN"}, {kEmoji, "charCodeAt", {S("1")}, u"111"},
        {kEmoji, "charCodeAt", {U}, u"102"}, {kEmoji, "charCodeAt", {N(NAN)}, u"102"},
    });
    Machine m(8);
    EXPECT_EQ(m.printed(m.vm.get(m.vm.str(kFraktur), m.vm.intern("length"))), u"12");
}

TEST(Avm1StringBuiltins, SearchesStartAndStopLikeThePlayer) {
    const char* s = "aaatestFOOtestaaanull";
    expect_methods(8, {
        {s, "indexOf", {S("a"), N(13)}, u"14"}, {s, "indexOf", {S("test"), N(-1)}, u"3"},
        {s, "indexOf", {S("test"), N(4294967300.0)}, u"10"}, {s, "indexOf", {S("test"), Null}, u"3"},
        {s, "indexOf", {S("test"), U}, u"3"}, {s, "indexOf", {S(""), N(5)}, u"5"},
        {s, "indexOf", {S(""), N(100)}, u"-1"}, {s, "indexOf", {}, u"undefined"}, {s, "indexOf", {Null}, u"17"},
        {s, "indexOf", {U}, u"-1"}, {"hello undefined hi", "indexOf", {U}, u"6"},
        {s, "lastIndexOf", {S("a")}, u"16"}, {s, "lastIndexOf", {S("a"), N(13)}, u"2"},
        {s, "lastIndexOf", {S("test"), N(100)}, u"10"}, {s, "lastIndexOf", {S("test"), N(-1)}, u"-1"},
        {s, "lastIndexOf", {S("test"), N(4294967300.0)}, u"3"}, {s, "lastIndexOf", {S("test"), Null}, u"-1"},
        {s, "lastIndexOf", {S("test"), U}, u"10"}, {s, "lastIndexOf", {S("")}, u"21"},
        {s, "lastIndexOf", {S(""), N(0)}, u"0"}, {s, "lastIndexOf", {}, u"undefined"},
        {kEmoji, "indexOf", {S("\xF0\x9F\x98\x8B")}, u"3"}, {kEmoji, "lastIndexOf", {S("o")}, u"7"},
    });
    // Before SWF7 undefined converts to "", which is found at once.
    expect_methods(6, {{s, "indexOf", {U}, u"0"}, {"hello undefined hi", "lastIndexOf", {U}, u"18"}});
}

TEST(Avm1StringBuiltins, SliceSubstringAndSubstrPositions) {
    expect_methods(8, {
        {"Hello1234", "slice", {N(1), N(4)}, u"ell"}, {"Hello1234", "slice", {N(3), N(1)}, u""},
        {"Hello1234", "slice", {N(-3), N(-1)}, u"23"},
        {"Hello1234", "slice", {N(4294967296.0), N(4294967298.0)}, u"He"},
        {"Hello1234", "slice", {}, u"undefined"}, {"Hello1234", "slice", {Null, Null}, u""},
        {"Hello1234", "slice", {U, U}, u"Hello1234"},
        {kFraktur, "substring", {N(6), N(3)}, u"LO\xD835"}, {kFraktur, "substring", {N(-5)}, u"HELLO\U0001D504hello"},
        {kFraktur, "substring", {N(3), Null}, u"HEL"},
        {kFraktur, "substring", {N(4294967296.0), N(-4294967294.0)}, u"HE"},
        {kFraktur, "substring", {}, u"undefined"}, {kFraktur, "substring", {Null, U}, u"HELLO\U0001D504hello"},
        {kFraktur, "substr", {N(1), N(2)}, u"EL"}, {kFraktur, "substr", {N(-5)}, u"hello"},
        {kFraktur, "substr", {N(6), N(3)}, u"\xDD04he"}, {kFraktur, "substr", {N(3), U}, u"LO\U0001D504hello"},
        {kFraktur, "substr", {N(3), Null}, u""}, {kFraktur, "substr", {Null, N(4)}, u"HELL"},
        {kFraktur, "substr", {N(4294967296.0), N(-4294967294.0)}, u"HE"}, {kFraktur, "substr", {}, u"undefined"},
    });
}

// A negative count has the length added, and the piece must then end before the string does.
TEST(Avm1StringBuiltins, SubstrWithNegativeCount) {
    expect_methods(7, {
        {"hello world", "substr", {N(0), N(-1)}, u"hello worl"}, {"hello world", "substr", {N(0), N(-4)}, u"hello w"},
        {"hello world", "substr", {N(8), N(-4)}, u""}, {"hello world", "substr", {N(3), N(-3)}, u""},
        {"hello world", "substr", {N(3), N(-4)}, u"lo worl"}, {"hello world", "substr", {N(4), N(-5)}, u"o worl"},
        {"hello world", "substr", {U, N(-1)}, u"hello worl"}, {"abcd", "substr", {N(-5), N(-3)}, u"a"},
        {"abcd", "substr", {N(-5), N(-4)}, u""}, {"abcd", "substr", {N(-5), N(4)}, u"abcd"},
        {"abcd", "substr", {N(-3), N(-2)}, u"bc"}, {"abcd", "substr", {N(-3), N(-1)}, u""},
        {"abcd", "substr", {N(-1), N(-3)}, u""}, {"abcd", "substr", {N(1), N(4)}, u"bcd"},
        {"abcd", "substr", {N(-2), N(-3)}, u"c"}, {"abcd", "substr", {N(4), N(1)}, u""},
    });
}

TEST(Avm1StringBuiltins, SplitSeparatorsAndLimits) {
    const char* s = "A,,b,undefined0,c,";
    const struct {
        std::vector<Arg> args;
        int count;
        std::u16string joined;
    } cases[] = {
        {{S(",")}, 6, u"A,,b,undefined0,c,"}, {{S(","), N(2)}, 2, u"A,"}, {{S(","), N(0)}, 0, u""},
        {{S(","), N(-100)}, 0, u""}, {{S(","), U}, 6, u"A,,b,undefined0,c,"}, {{S(","), Null}, 0, u""},
        {{S("")}, 18, u"A,,,,,b,,,u,n,d,e,f,i,n,e,d,0,,,c,,"}, {{S(""), N(3)}, 3, u"A,,,,"},
        {{U}, 1, u"A,,b,undefined0,c,"}, {{U, N(0)}, 1, u"A,,b,undefined0,c,"}, {{}, 1, u"A,,b,undefined0,c,"},
        {{S("undefined")}, 2, u"A,,b,,0,c,"}, {{S(",c,")}, 2, u"A,,b,undefined0,"},
    };
    Machine m(8);
    for (const auto& c : cases) {
        Value parts = m.call(m.vm.str(s), "split", c.args);
        ASSERT_TRUE(parts.is_object() && parts.o->kind == ObjKind::Array);
        EXPECT_EQ(static_cast<ArrayObject*>(parts.o)->items.size(), size_t(c.count)) << c.args.size();
        EXPECT_EQ(m.printed(parts), c.joined);
    }
    Value units = m.call(m.vm.str("a\xF0\x9F\x98\x8B"), "split", std::vector<Arg>{S("")});
    EXPECT_EQ(m.printed(units), u"a,\xD83D,\xDE0B");
}

TEST(Avm1StringBuiltins, ConcatAndFromCharCode) {
    for (int version : {6, 7}) {
        Machine m(version);
        Value to_string_obj = m.vm.new_object();
        m.vm.define_method(to_string_obj.o, "toString",
                           [](Vm& vm, Value, const Args&) { return Value(vm.str("toString")); });
        Value r = m.call(m.vm.str("foo"), "concat",
                         std::vector<Value>{Value::null(), m.vm.str("foo"), Value(), 0, to_string_obj, true});
        EXPECT_EQ(m.printed(r), version == 6 ? u"foonullfoo0toStringtrue" : u"foonullfooundefined0toStringtrue");
    }
    Machine m(8);
    Value string = m.global("String");
    const struct {
        std::vector<Arg> codes;
        std::u16string want;
    } cases[] = {
        {{N(80)}, u"P"}, {{N(12345)}, u"\u3039"}, {{N(65616)}, u"P"}, {{N(-65456)}, u"P"}, {{N(0xD801)}, u"\xD801"},
        {{S("BAD")}, u""}, {{}, u""}, {{N(80), N(81), N(82)}, u"PQR"}, {{N(80), N(0), N(82)}, u"P"},
        {{N(0xD83D), N(0xDE0B)}, u"\U0001F60B"},
    };
    for (const auto& c : cases) EXPECT_EQ(m.printed(m.call(string, "fromCharCode", c.codes)), c.want);
}

TEST(Avm1StringBuiltins, StringObjectsAndConversion) {
    for (int version : {6, 7}) {
        Machine m(version);
        Value box = m.construct("String", {m.vm.str("h\xC3\xA9\xF0\x9F\x98\x8B")});
        ASSERT_TRUE(box.is_object());
        EXPECT_EQ(box.o->kind, ObjKind::String);
        EXPECT_EQ(m.printed(box.o->primitive), u"h\u00E9\U0001F60B");
        EXPECT_EQ(m.printed(m.vm.get(box, m.vm.intern("length"))), u"4");
        EXPECT_EQ(m.printed(m.call(box, "valueOf", std::vector<Arg>{})), u"h\u00E9\U0001F60B");
        EXPECT_EQ(m.printed(m.call(box, "charAt", {N(1)})), u"\u00E9");
        EXPECT_EQ(m.vm.type_of(m.call(box, "toString", std::vector<Arg>{}))->text, "string");
        EXPECT_EQ(m.printed(m.vm.get(m.construct("String", {}), m.vm.intern("length"))), u"0");

        Value string = m.global("String");
        Value undefined;
        EXPECT_EQ(m.printed(m.vm.call(string, Value(), &undefined, 1)), version == 6 ? u"" : u"undefined");
        Value n = 12.5;
        Value converted = m.vm.call(string, Value(), &n, 1);
        EXPECT_TRUE(converted.is_string());
        EXPECT_EQ(m.printed(converted), u"12.5");
        // Used on another object, a method reads it as a string.
        Value char_at = m.vm.get(m.vm.string_proto, m.vm.intern("charAt"));
        Value index = 2;
        EXPECT_EQ(m.printed(m.vm.call(char_at, m.vm.to_object(1234.0), &index, 1)), u"3");
    }
}

// ---------------------------------------------------------------------------------------------
// Number and Boolean
// ---------------------------------------------------------------------------------------------

TEST(Avm1NumberBuiltins, ConstantsAndToString) {
    Machine m(7);
    Value number = m.global("Number");
    const struct {
        const char* name;
        std::u16string want;
    } constants[] = {
        {"MAX_VALUE", u"1.79769313486231e+308"}, {"MIN_VALUE", u"4.94065645841247e-324"}, {"NaN", u"NaN"},
        {"POSITIVE_INFINITY", u"Infinity"}, {"NEGATIVE_INFINITY", u"-Infinity"},
    };
    for (const auto& c : constants) EXPECT_EQ(m.printed(m.vm.get(number, m.vm.intern(c.name))), c.want) << c.name;

    const struct {
        double n;
        std::vector<Arg> radix;
        std::u16string want;
    } cases[] = {
        {10, {N(2)}, u"1010"}, {6, {N(3)}, u"20"}, {6, {N(-2)}, u"6"}, {6, {N(0)}, u"6"}, {6, {N(37)}, u"6"},
        {-5, {N(2)}, u"-101"}, {-11, {N(16)}, u"-b"}, {16711680, {N(16)}, u"ff0000"}, {5.4e-6, {N(10)}, u"5.4e-6"},
        {5.4e-6, {}, u"5.4e-6"}, {255.9, {S("16")}, u"ff"}, {4123, {N(36)}, u"36j"}, {-123.1, {N(5)}, u"-443"},
        {-2147483647.9, {N(36)}, u"-zik0zj"}, {NAN, {N(10)}, u"NaN"}, {NAN, {N(37)}, u"NaN"},
        // NaN becomes -2147483648, whose digits the player wrote below '0'.
        {NAN, {N(2)}, u"-/0000000000000000000000000000000"}, {NAN, {N(16)}, u"-(0000000"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(m.printed(m.call(Value(c.n), "toString", c.radix)), c.want) << c.n;
        EXPECT_EQ(m.printed(m.call(m.construct("Number", {c.n}), "toString", c.radix)), c.want) << c.n;
    }
    // Not a number: nothing to print.
    Value to_string = m.vm.get(m.vm.number_proto, m.vm.intern("toString"));
    EXPECT_TRUE(m.vm.call(to_string, m.vm.new_object(), nullptr, 0).is_undefined());
}

TEST(Avm1NumberBuiltins, NumberConvertsOrBoxes) {
    const struct {
        int version;
        Arg arg;
        std::u16string want;
    } cases[] = {
        {6, U, u"0"}, {7, U, u"NaN"}, {6, Null, u"0"}, {7, Null, u"NaN"}, {7, S("3e2"), u"300"},
        {7, S("2p"), u"NaN"}, {7, S("077"), u"63"}, {7, S(" 077"), u"77"}, {5, B(true), u"1"},
    };
    for (const auto& c : cases) {
        Machine m(c.version);
        Value arg = m.value(c.arg), number = m.global("Number");
        Value converted = m.vm.call(number, Value(), &arg, 1);
        EXPECT_TRUE(converted.is_number());
        EXPECT_EQ(m.printed(converted), c.want) << "v" << c.version;
        Value box = m.construct("Number", {arg});
        ASSERT_TRUE(box.is_object());
        EXPECT_EQ(box.o->kind, ObjKind::Number);
        EXPECT_EQ(m.printed(m.call(box, "valueOf", std::vector<Arg>{})), c.want);
    }
    Machine m(7);
    EXPECT_EQ(m.printed(m.construct("Number", {}).o->primitive), u"0");
}

TEST(Avm1NumberBuiltins, BooleanConvertsOrBoxes) {
    for (int version : {5, 6, 7}) {
        Machine m(version);
        Value boolean = m.global("Boolean");
        EXPECT_TRUE(m.vm.call(boolean, Value(), nullptr, 0).is_undefined());
        Value zero = m.vm.str("0");
        Value converted = m.vm.call(boolean, Value(), &zero, 1);
        ASSERT_TRUE(converted.is_bool());
        EXPECT_EQ(converted.b, version >= 7) << "v" << version;  // "0" is false through ToNumber before SWF7

        Value empty = m.construct("Boolean", {});
        ASSERT_TRUE(empty.is_object());
        EXPECT_EQ(empty.o->kind, ObjKind::Boolean);
        EXPECT_EQ(m.printed(m.call(empty, "toString", std::vector<Arg>{})), u"false");
        Value yes = m.construct("Boolean", {1});
        EXPECT_EQ(m.printed(m.call(yes, "toString", std::vector<Arg>{})), u"true");
        Value value = m.call(yes, "valueOf", std::vector<Arg>{});
        EXPECT_TRUE(value.is_bool() && value.b);
        EXPECT_EQ(m.printed(m.call(Value(false), "toString", std::vector<Arg>{})), u"false");
    }
}

// ---------------------------------------------------------------------------------------------
// Math
// ---------------------------------------------------------------------------------------------

// A missing argument is NaN in every version; an explicit undefined or null is 0 before SWF7.
TEST(Avm1MathBuiltins, FunctionsAndTheirArguments) {
    const struct {
        int version;
        const char* fn;
        std::vector<Arg> args;
        std::u16string want;
    } cases[] = {
        {6, "abs", {}, u"NaN"}, {6, "abs", {Null}, u"0"}, {7, "abs", {Null}, u"NaN"}, {6, "abs", {B(true)}, u"1"},
        {6, "abs", {N(-1)}, u"1"}, {6, "sin", {N(-1)}, u"-0.841470984807897"}, {6, "cos", {U}, u"1"},
        {6, "tan", {N(1)}, u"1.5574077246549"}, {6, "exp", {N(-1)}, u"0.367879441171442"},
        {6, "log", {U}, u"-Infinity"}, {7, "log", {U}, u"NaN"}, {6, "sqrt", {N(2)}, u"1.4142135623731"},
        {6, "round", {N(-12.5)}, u"-12"}, {6, "round", {N(12.5)}, u"13"}, {6, "round", {N(-23.7)}, u"-24"},
        {6, "floor", {N(-12.5)}, u"-13"}, {6, "ceil", {N(-12.5)}, u"-12"},
        {6, "atan", {N(-INFINITY)}, u"-1.5707963267949"}, {6, "asin", {B(true)}, u"1.5707963267949"},
        {6, "acos", {N(-1)}, u"3.14159265358979"},
        {6, "atan2", {N(2)}, u"NaN"}, {6, "atan2", {N(2), Null}, u"1.5707963267949"}, {7, "atan2", {N(2), U}, u"NaN"},
        {6, "atan2", {U, N(2)}, u"0"}, {6, "pow", {B(true)}, u"1"}, {6, "pow", {B(false)}, u"NaN"},
        {6, "pow", {N(2), U}, u"1"}, {6, "pow", {Null, N(2)}, u"0"}, {6, "pow", {N(3), N(2), N(1)}, u"9"},
        {6, "min", {}, u"Infinity"}, {6, "max", {}, u"-Infinity"}, {6, "min", {N(-1)}, u"NaN"},
        {6, "max", {N(-1)}, u"NaN"},
        {6, "min", {N(2), U}, u"0"}, {7, "min", {N(2), U}, u"NaN"}, {6, "max", {U, N(2)}, u"2"},
        {8, "min", {S("10"), S("2")}, u"2"}, {8, "max", {S("2"), S("10")}, u"10"}, {8, "min", {N(1), S("a")}, u"NaN"},
        {8, "max", {N(NAN), N(1)}, u"NaN"}, {8, "min", {N(3), N(2), N(1)}, u"2"}, {8, "max", {N(1), N(2), N(3)}, u"2"},
    };
    for (const auto& c : cases) {
        Machine m(c.version);
        EXPECT_EQ(m.printed(m.call(m.global("Math"), c.fn, c.args)), c.want) << "v" << c.version << " " << c.fn;
    }
}

TEST(Avm1MathBuiltins, ConstantsPrintAsFlashDid) {
    Machine m(6);
    Value math = m.global("Math");
    EXPECT_EQ(m.printed(m.vm.get(math, m.vm.intern("PI"))), u"3.14159265358979");
    EXPECT_EQ(m.printed(m.vm.get(math, m.vm.intern("SQRT2"))), u"1.4142135623731");
    EXPECT_EQ(m.printed(m.vm.get(math, m.vm.intern("E"))), u"2.71828182845905");
    m.vm.set(math.o, m.vm.intern("PI"), 3.0);  // read-only
    EXPECT_EQ(m.printed(m.vm.get(math, m.vm.intern("PI"))), u"3.14159265358979");
}

// The first two arguments are converted in order whatever the function; a throwing valueOf stops
// the call before the next one.
TEST(Avm1MathBuiltins, ConvertsTwoArgumentsInOrder) {
    for (const char* fn : {"abs", "atan2", "min", "random"}) {
        Machine m(7);
        Value math = m.global("Math");
        m.call(math, fn, std::vector<Value>{m.noisy(3), m.noisy(2), m.noisy(1)});
        EXPECT_EQ(m.host.lines, (std::vector<std::string>{"valueOf 3", "valueOf 2"})) << fn;

        m.host.lines.clear();
        Value r = m.call(math, fn, std::vector<Value>{m.thrower(), m.noisy(2)});
        EXPECT_TRUE(m.vm.throwing) << fn;
        EXPECT_TRUE(r.is_undefined()) << fn;
        EXPECT_TRUE(m.host.lines.empty()) << fn;
        m.vm.throwing = false;
    }
}

TEST(Avm1MathBuiltins, RandomStaysInTheUnitInterval) {
    Machine m(6);
    Value math = m.global("Math");
    double sum = 0, lowest = 1, highest = 0;
    constexpr int kDraws = 4000;
    for (int i = 0; i < kDraws; ++i) {
        Value r = m.call(math, "random", std::vector<Arg>{});
        ASSERT_TRUE(r.is_number());
        ASSERT_GE(r.n, 0.0);
        ASSERT_LT(r.n, 1.0);
        sum += r.n;
        lowest = std::min(lowest, r.n);
        highest = std::max(highest, r.n);
    }
    EXPECT_NEAR(sum / kDraws, 0.5, 0.05);
    EXPECT_LT(lowest, 0.01);
    EXPECT_GT(highest, 0.99);
}

// ---------------------------------------------------------------------------------------------
// Global functions
// ---------------------------------------------------------------------------------------------

TEST(Avm1GlobalBuiltins, ConversionFunctions) {
    const struct {
        int version;
        const char* fn;
        std::vector<Arg> args;
        std::u16string want;
    } cases[] = {
        {8, "parseInt", {}, u"undefined"}, {8, "parseInt", {S("077"), U}, u"63"},
        {8, "parseInt", {S("ff"), S("16")}, u"255"}, {8, "parseInt", {N(-12.9)}, u"-12"},
        {8, "parseFloat", {}, u"undefined"}, {8, "parseFloat", {N(INFINITY)}, u"NaN"},
        {6, "isNaN", {U}, u"false"}, {7, "isNaN", {U}, u"true"}, {5, "isNaN", {}, u"true"},
        {5, "isFinite", {}, u"false"},
        {6, "isFinite", {Null}, u"true"}, {7, "isFinite", {Null}, u"false"}, {8, "escape", {}, u"undefined"},
        {8, "unescape", {}, u"undefined"}, {6, "escape", {U}, u""}, {7, "escape", {U}, u"undefined"},
    };
    for (const auto& c : cases) {
        Machine m(c.version);
        Value fn = m.global(c.fn);
        std::vector<Value> args;
        for (const Arg& a : c.args) args.push_back(m.value(a));
        EXPECT_EQ(m.printed(m.vm.call(fn, Value(), args.data(), int(args.size()))), c.want)
            << "v" << c.version << " " << c.fn;
    }
    Machine m(7);
    EXPECT_EQ(m.printed(m.global("NaN")), u"NaN");
    EXPECT_EQ(m.printed(m.global("Infinity")), u"Infinity");
}

}  // namespace
