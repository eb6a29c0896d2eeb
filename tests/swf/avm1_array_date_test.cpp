// Array and Date as scripts reach them: through _global, the prototypes and Vm::call. Rows
// marked "rec" are what Flash Player printed for the same calls (local times in Kathmandu,
// +05:45, the zone the recordings were made in).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <ctime>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "swf/avm1/vm.h"

namespace {

using namespace swf::avm1;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

struct NullHost : Host {
    void trace(const std::string&) override {}
    void error(const std::string&) override {}
    void get_url(const std::string&, const std::string&, int) override {}
    double timer_ms() override { return 0; }
    ClipObject* level(int) override { return nullptr; }
};

// A table literal: a number, a string or undefined (U).
struct V {
    int kind = 2;  // 0 number, 1 string, 2 undefined
    double n = 0;
    const char* s = nullptr;
    V() = default;
    V(double x) : kind(0), n(x) {}
    V(int x) : kind(0), n(x) {}
    V(const char* x) : kind(1), s(x) {}
};
const V U;
using Vs = std::vector<V>;
using Values = std::vector<Value>;

struct Machine {
    explicit Machine(int version = 8) : vm(host, version) {}
    NullHost host;
    Vm vm;

    Values values(const Vs& vs) {
        Values out;
        for (const V& v : vs) out.push_back(v.kind == 0 ? Value(v.n) : v.kind == 1 ? Value(vm.str(v.s)) : Value());
        return out;
    }
    Value global(const char* name) { return vm.get(vm.global, vm.intern(name)); }
    Value array(const Vs& items) {
        ArrayObject* a = vm.new_array();
        a->items = values(items);
        return a;
    }
    Values& items(const Value& a) { return static_cast<ArrayObject*>(a.o)->items; }
    Value call_on(Object* holder, const Value& self, const char* method, const Values& args) {
        return vm.call(vm.get(holder, vm.intern(method)), self, args.data(), int(args.size()));
    }
    Value call(const Value& self, const char* method, const Values& args) {
        return call_on(self.o, self, method, args);
    }
    Value call(const Value& self, const char* method, const Vs& args) { return call(self, method, values(args)); }
    std::string text(const Value& v) { return vm.trace_string(v); }
};

// =============================================================================================
// Array
// =============================================================================================

TEST(Avm1Array, ListMethodsAnswerAndChangeTheList) {
    struct Case { const char* method; Vs start; Vs args; const char* result; const char* after; };
    const Vs abcde = {"a", "b", "c", "d", "e"};
    const Case cases[] = {
        {"push", {}, {1, 2}, "2", "1,2"},           {"pop", {}, {}, "undefined", ""},
        {"shift", {1, 2, 3}, {}, "1", "2,3"},       {"unshift", {1, 2, 3}, {42, 43, 44}, "6", "42,43,44,1,2,3"},
        {"reverse", {1, 2, 3}, {}, "3,2,1", "3,2,1"}, {"concat", {"a"}, {"b", 1}, "a,b,1", "a"},
        {"join", {1, U, 3}, {" - "}, "1 - undefined - 3", "1,undefined,3"},
        {"join", {1, 2}, {U}, "1,2", "1,2"},
        // rec
        {"splice", abcde, {}, "undefined", "a,b,c,d,e"},     {"splice", abcde, {U}, "undefined", "a,b,c,d,e"},
        {"splice", abcde, {2}, "c,d,e", "a,b"},              {"splice", abcde, {6}, "", "a,b,c,d,e"},
        {"splice", abcde, {2, U}, "undefined", "a,b,c,d,e"}, {"splice", abcde, {2, -2}, "undefined", "a,b,c,d,e"},
        {"splice", abcde, {1, 2, "x", "y", "z"}, "b,c", "a,x,y,z,d,e"},
        {"splice", {"a", "b"}, {-9, 0, "c"}, "", "c,a,b"},
        {"slice", abcde, {0, -3}, "a,b", "a,b,c,d,e"},       {"slice", abcde, {-2, 4}, "d", "a,b,c,d,e"},
        {"slice", abcde, {3, 2}, "", "a,b,c,d,e"},           {"slice", abcde, {1, U}, "b,c,d,e", "a,b,c,d,e"},
    };
    for (const Case& c : cases) {
        Machine m;
        Value a = m.array(c.start);
        EXPECT_EQ(m.text(m.call(a, c.method, c.args)), c.result) << c.method;
        EXPECT_EQ(m.text(a), c.after) << c.method;
    }
    Machine m;
    Value ab = m.array({"a", "b"}), nested = m.array({"x"});
    m.items(nested).push_back(m.array({"y", "z"}));
    EXPECT_EQ(m.text(m.call(m.array(abcde), "splice", Values{Value::null()})), "a,b,c,d,e");  // rec: null is 0
    EXPECT_EQ(m.items(m.call(ab, "concat", Values{ab, nested})).size(), 6u);  // flattened one level
    m.call(ab, "splice", Values{0.0, 0.0, nested});                            // not flattened
    EXPECT_EQ(m.items(ab).size(), 3u);
    Machine m6(6);
    EXPECT_EQ(m6.text(m6.array({U, 1})), ",1");
    m.items(ab).insert(m.items(ab).end(), {ab, ab});
    EXPECT_EQ(m.text(ab), "x,y,z,a,b,,");  // holds itself, twice
    // The constructor: one number is a length, anything else elements; with or without new.
    const std::pair<Vs, const char*> forms[] = {
        {{2.9}, "undefined,undefined"}, {{-1}, ""}, {{"3"}, "3"}, {{1, 2}, "1,2"}};
    for (auto& [args, joined] : forms) {
        Values v = m.values(args);
        Value made = m.vm.construct(m.global("Array"), v.data(), int(v.size()));
        Value called = m.vm.call(m.global("Array"), Value(), v.data(), int(v.size()));
        EXPECT_EQ(m.text(made) + "|" + m.text(called), std::string(joined) + "|" + joined);
        EXPECT_EQ(made.o->proto, m.vm.array_proto);
    }
}

TEST(Avm1Array, SortFlagsChooseOrderAndResult) {
    struct Case { Vs items; Vs args; const char* result; const char* after; };
    const Case cases[] = {
        {{10, 9, 1, 100}, {}, "1,10,100,9", "1,10,100,9"},  // as strings
        {{3, kNaN, 1, "x", 2}, {16}, "1,2,3,NaN,x", "1,2,3,NaN,x"},  // NaN last, in order
        {{10, 9, 1, 100}, {16 | 2}, "100,10,9,1", "100,10,9,1"},
        {{"b", "A", "B", "a"}, {1}, "A,a,b,B", "A,a,b,B"},      // ties keep their order...
        {{"b", "A", "B", "a"}, {1 | 2}, "b,B,A,a", "b,B,A,a"},  // ...descending too
        {{30, 4, 100}, {8 | 16}, "1,0,2", "30,4,100"},
        {{"b", "a", "B"}, {4 | 1}, "0", "b,a,B"},
        {{10, 9, 1}, {U, 16}, "1,9,10", "1,9,10"},
    };
    for (const Case& c : cases) {
        Machine m;
        Value a = m.array(c.items);
        EXPECT_EQ(m.text(m.call(a, "sort", c.args)), c.result);
        EXPECT_EQ(m.text(a), c.after);
    }
    // UTF-16 order: U+1F600 (D83D DE00) sorts below U+FF21; long shared prefixes, NULs.
    Machine m;
    Value a = m.array({"\xEF\xBC\xA1", "\xF0\x9F\x98\x80", "z", "abcdefghij", "abcdefghi", "abcdefgh", ""});
    m.items(a).push_back(m.vm.str(std::string("abc\0d", 5)));
    m.call(a, "sort", Vs{});
    EXPECT_EQ(m.text(m.call(a, "join", Vs{"|"})),
              std::string("|abc") + '\0' + "d|abcdefgh|abcdefghi|abcdefghij|z|\xF0\x9F\x98\x80|\xEF\xBC\xA1");
    EXPECT_EQ(m.text(m.vm.get(m.global("Array"), m.vm.intern("RETURNINDEXEDARRAY"))), "8");
}

Value by_tens(Vm& vm, Value, const Args& a) {
    return std::floor(vm.to_number(a[0]) / 10) - std::floor(vm.to_number(a[1]) / 10);
}
Value coin(Vm&, Value, const Args&) {
    static std::mt19937 rng(7);
    return double(int(rng() % 3) - 1);
}
Value throws_late(Vm& vm, Value self, const Args& a) {
    static int calls = 0;
    if (++calls % 50 == 0) vm.throwing = true;
    return by_tens(vm, self, a);
}

TEST(Avm1Array, SortWithAComparatorIsStableAndSafe) {
    const std::pair<Vs, const char*> cases[] = {{{}, "3,1,15,11,19,12"}, {{2}, "15,11,19,12,3,1"},
                                                {{8}, "2,4,0,1,3,5"},     {{4}, "0"}};
    for (auto& [flags, result] : cases) {
        Machine m;
        Value a = m.array({15, 11, 3, 19, 1, 12});
        Values args = m.values(flags);
        args.insert(args.begin(), m.vm.new_native(by_tens));
        EXPECT_EQ(m.text(m.call(a, "sort", args)), result);
    }
    // Lying comparators give some order of the same elements; a throw leaves the list alone.
    for (NativeFn cmp : {coin, throws_late}) {
        Machine m;
        Vs items;
        for (int i = 0; i < 500; ++i) items.push_back((i * 37) % 500);
        Value a = m.array(items);
        Value r = m.call(a, "sort", Values{m.vm.new_native(cmp)});
        std::vector<double> got;
        for (const Value& v : m.items(a)) got.push_back(v.n);
        if (cmp == throws_late) {
            EXPECT_TRUE(r.is_undefined() && m.vm.throwing && got[1] == 37);
        }
        std::sort(got.begin(), got.end());
        for (int i = 0; i < 500; ++i) ASSERT_EQ(got[i], i);
    }
}

TEST(Avm1Array, SortOnOrdersByNamedFields) {
    Machine m;
    Str* name = m.vm.intern("name");
    Value fields = m.array({"age", "name"});
    const std::pair<Values, const char*> cases[] = {  // names afterwards, or what sortOn answered
        {{name}, "Al,al,bob,cy"},           {{name, 2.0}, "cy,bob,al,Al"},
        {{m.vm.str("age")}, "al,bob,cy,Al"},  // "100" < "30" < "9"
        {{m.vm.str("age"), 16.0}, "Al,bob,cy,al"}, {{fields, m.array({16, 2})}, "Al,cy,bob,al"},
        {{m.vm.str("age"), 20.0}, "0"},     {{m.vm.str("age"), 24.0}, "1,0,2,3"},
        {{m.vm.str("none")}, "bob,Al,cy,al"},
    };
    for (auto& [args, result] : cases) {
        Value a = m.array({});
        const std::pair<const char*, int> people[] = {{"bob", 30}, {"Al", 9}, {"cy", 30}, {"al", 100}};
        for (auto [n, age] : people) {
            Object* o = m.vm.new_object();
            m.vm.set(o, name, m.vm.str(n));
            m.vm.set(o, m.vm.intern("age"), double(age));
            m.items(a).push_back(o);
        }
        Value r = m.call(a, "sortOn", args);
        std::string names;
        for (const Value& v : m.items(a)) names += (names.empty() ? "" : ",") + m.text(m.vm.get(v, name));
        EXPECT_EQ(r.is_object() && r.o == a.o ? names : m.text(r), result);
    }
}

TEST(Avm1Array, MethodsWorkOnOtherObjectsThroughLengthAndOwnIndices) {
    Machine m;
    auto prop = [&](Object* o, const char* name) { return m.text(m.vm.get(o, m.vm.intern(name))); };
    Object* o = m.vm.new_object();
    EXPECT_EQ(m.text(m.call_on(m.vm.array_proto, o, "push", m.values({"a", "b", "c"}))), "3");
    EXPECT_EQ(prop(o, "0") + prop(o, "2") + prop(o, "length"), "ac3");
    EXPECT_EQ(m.text(m.call_on(m.vm.array_proto, o, "pop", {})), "c");
    EXPECT_EQ(m.text(m.call_on(m.vm.array_proto, o, "shift", {})), "a");
    EXPECT_EQ(prop(o, "0") + prop(o, "length"), "b1");
    EXPECT_FALSE(o->find_own(m.vm.intern("1"), true));
    Object* p = m.vm.new_object();  // rec: {length: 3, __proto__: ["a", "b", "c"]}
    m.vm.set(p, m.vm.names.length, 3.0);
    p->proto = m.array({"a", "b", "c"}).o;
    EXPECT_EQ(m.text(m.call_on(m.vm.array_proto, p, "join", {})), "undefined,undefined,undefined");

    // A length of millions over two properties: the elements come from the property list (no
    // name made per index), and a cut removes only what is there.
    Object* big = m.vm.new_object();
    m.vm.set(big, m.vm.names.length, 1999999.0);
    m.vm.set(big, m.vm.intern("0"), m.vm.str("a"));
    m.vm.set(big, m.vm.intern("5"), m.vm.str("b"));
    const size_t cells = m.vm.heap.cell_count();
    EXPECT_EQ(m.text(m.call_on(m.vm.array_proto, big, "push", m.values({"c"}))), "2000000");
    EXPECT_LT(m.vm.heap.cell_count(), cells + 100);
    EXPECT_EQ(prop(big, "0") + prop(big, "5") + prop(big, "1999999"), "abc");
    m.call_on(m.vm.array_proto, big, "splice", m.values({3}));
    EXPECT_EQ(prop(big, "length") + prop(big, "0") + prop(big, "5") + prop(big, "1999999"), "3aundefinedundefined");
}

// =============================================================================================
// Date
// =============================================================================================

void set_tz(const char* tz) {  // nullptr removes TZ
#ifdef _WIN32
    _putenv_s("TZ", tz ? tz : "");
    _tzset();
#else
    if (tz) setenv("TZ", tz, 1);
    else unsetenv("TZ");
    tzset();
#endif
}

class Avm1Date : public ::testing::Test {
protected:
    void SetUp() override {
        if (const char* old = std::getenv("TZ")) old_tz_ = old;
        had_tz_ = std::getenv("TZ") != nullptr;
#ifdef _WIN32
        set_tz("NPT-5:45");
#else
        set_tz("Asia/Kathmandu");
#endif
    }
    void TearDown() override { set_tz(had_tz_ ? old_tz_.c_str() : nullptr); }
    Value date(const Vs& args) {
        Values a = m.values(args);
        return m.vm.construct(m.global("Date"), a.data(), int(a.size()));
    }
    std::string time(const Value& d) { return m.text(m.call(d, "getTime", Vs{})); }
    Machine m;
    bool had_tz_ = false;
    std::string old_tz_;
};

TEST_F(Avm1Date, ConstructorAndUtcReadTheirArguments) {
    struct Case { Vs args; const char* time; const char* utc; };  // rec
    const Case cases[] = {
        {{5.5}, "5.5", "undefined"},  // one argument: kept unclipped
        {{8.64e15 + 1}, "8.64e+15", "undefined"},
        {{1, 2}, "-2172375900000", "-2172355200000"},
        {{0, 0, 0, 0, 0, 0, 0}, "-2209095900000", "-2209075200000"},
        {{7002.5, 13.5, 32.5, 24.5, 60.5, 60.5, 1000.5}, "158831522161000", "158831542861000"},
        {{kNaN, 0, 0}, "-6.77681005680783e+19", "-6.77681005680576e+19"},
        {{0, kNaN}, "NaN", "NaN"},
        {{0, 0, -kInf}, "-Infinity", "-Infinity"},
    };
    for (const Case& c : cases) {
        Value d = date(c.args);
        ASSERT_TRUE(d.is_object() && d.o->kind == ObjKind::Date);
        EXPECT_EQ(time(d), c.time);
        EXPECT_EQ(m.text(m.call(m.global("Date"), "UTC", c.args)), c.utc);
    }
    EXPECT_EQ(m.text(date({1, 2, 3, 4, 5, 6})), "Sun Mar 3 04:05:06 GMT+0545 1901");  // rec
    EXPECT_EQ(m.text(date({kNaN})), "Invalid Date");
    EXPECT_NEAR(m.vm.to_number(date({})), double(std::time(nullptr)) * 1000, 60000);
    Value text = m.vm.call(m.global("Date"), Value(), nullptr, 0);  // Date() is now as text
    EXPECT_TRUE(text.is_string() && text.s->text.find("GMT+0545") != std::string::npos);
}

TEST_F(Avm1Date, GettersSplitLocalAndUtcTime) {
    const char* getters[] = {"getFullYear", "getYear", "getMonth", "getDate", "getDay", "getHours", "getMinutes",
                             "getSeconds", "getMilliseconds", "getTimezoneOffset", "getUTCFullYear", "getUTCYear",
                             "getUTCMonth", "getUTCDate", "getUTCDay", "getUTCHours", "getUTCMinutes",
                             "getUTCSeconds", "getUTCMilliseconds"};
    const std::pair<double, const char*> cases[] = {  // rec
        {1594844387653, "2020 120 6 16 4 2 4 47 653 -345 2020 120 6 15 3 20 19 47 653"},
        {-500, "1970 70 0 1 4 5 44 59 500 -345 1969 69 11 31 3 23 59 59 500"},
        {kNaN, "NaN NaN NaN NaN NaN NaN NaN NaN NaN NaN NaN NaN NaN NaN NaN NaN NaN NaN NaN"},
    };
    for (auto& [t, fields] : cases) {
        Value d = date({t});
        std::string got;
        for (const char* g : getters) got += (got.empty() ? "" : " ") + m.text(m.call(d, g, Vs{}));
        EXPECT_EQ(got, fields);
    }
    Object* plain = m.vm.new_object();  // only dates answer
    plain->primitive = 1000.0;
    for (const char* name : {"getTime", "getUTCHours", "setTime", "setMinutes"})
        EXPECT_TRUE(m.call_on(m.vm.date_proto, plain, name, m.values({5})).is_undefined()) << name;
    EXPECT_EQ(plain->primitive.n, 1000.0);
}

TEST_F(Avm1Date, SettersRecomposeAndClip) {
    struct Case { double base; const char* method; Vs args; const char* result; };  // rec
    const double b = 1594844387653;  // Thu Jul 16 02:04:47.653 2020 local, 20:19:47.653 Jul 15 UTC
    const Case cases[] = {
        {b, "setFullYear", {}, "NaN"},  // the first part is undefined when left out
        {b, "setFullYear", {123456789}, "NaN"},  // past the clip range
        {b, "setFullYear", {2000, 11, 31}, "978207587653"},
        {b, "setMonth", {}, "1579119587653"},  // a missing or NaN month is January
        {b, "setMonth", {kNaN, 0}, "1577737187653"},
        {b, "setMonth", {kInf}, "NaN"},
        {b, "setHours", {24.5, 60.5, 60.5, 1000.5}, "1594926961000"},
        {b, "setHours", {0, kNaN}, "NaN"},
        {b, "setMinutes", {kNaN}, "-127254174732347"},  // int arguments: NaN is -2^31
        {b, "setMinutes", {0, 0, kInf}, "1592696616352"},
        {8.64e15 + 1, "setMinutes", {23}, "8.63999999868e+15"},
        {kInf, "setMonth", {11}, "NaN"},
        {b, "setYear", {0}, "-2192067612347"},  // 1900 added to 0..99 only
        {b, "setYear", {0, 0, 0}, "-2209088412347"},
        {b, "setUTCFullYear", {2000, 11, 31}, "978293987653"},
        {b, "setUTCMonth", {kNaN}, "1579119587653"},
        {b, "setUTCMinutes", {kNaN, 0}, "-127254175679347"},
        {-8.64e15, "setUTCMilliseconds", {23}, "-8.63999999999998e+15"},
        {b, "setTime", {5.5}, "5"},
        {b, "setTime", {8.64e15 + 1}, "NaN"},
    };
    for (const Case& c : cases) {
        Value d = date({c.base});
        EXPECT_EQ(m.text(m.call(d, c.method, c.args)), c.result) << c.method << " on " << c.base;
        EXPECT_EQ(time(d), c.result);
    }
}

}  // namespace
