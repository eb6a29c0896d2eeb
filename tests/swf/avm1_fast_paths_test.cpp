// The machine's shortcuts must give what the general rules give: strings grown by appends in
// a shared buffer, whole-number remainders, calls that make no activation object, and variable
// and method lookups done in one walk of the prototype chain.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "avm1_test_util.h"

namespace {

using namespace avm1test;

constexpr uint16_t kRegistersOnly = SuppressThis | SuppressArguments | SuppressSuper;

// for (r = 0; r < n; r++) { body }  with r a top-level register.
Asm count_loop(int reg, int n, const Asm& body, const std::string& tag) {
    Asm code;
    code.push({0}).store(reg).op(a::Pop);
    code.label(tag + "top").push({R(reg), n}).op(a::Less2).op(a::Not).if_true(tag + "done");
    code.append(body);
    code.push({R(reg)}).op(a::Increment).store(reg).op(a::Pop).jump(tag + "top").label(tag + "done");
    return code;
}

TEST(Avm1FastPaths, StringsGrownByAppendsReadBackWhole) {
    // s = ""; for (i = 0; i < 400; i++) { s += "ab" + i; if (i == 150) t = s; }
    // then appends to the older t, to s itself and through StringAdd must leave each string whole.
    Asm body;
    body.push({R(1), "ab", R(2)}).op(a::Add2).op(a::Add2).store(1).op(a::Pop);
    body.push({R(2), 150}).op(a::Equals2).op(a::Not).if_true("keep");
    body.push({"t", R(1)}).op(a::SetVariable).label("keep");
    Asm code;
    code.push({""}).store(1).op(a::Pop);
    code.append(count_loop(2, 400, body, "l"));
    code.push({"s", R(1)}).op(a::SetVariable);
    code.push({"u"}).get("t").push({"-older"}).op(a::Add2).op(a::SetVariable);
    code.push({"s2", R(1), R(1)}).op(a::Add2).op(a::SetVariable);
    code.push({"s3", R(1), "!"}).op(a::StringAdd).op(a::SetVariable);
    code.get("t").push({"length"}).op(a::GetMember).trace();
    code.get("s").push({"length"}).op(a::GetMember).trace();
    code.get("u").push({"length"}).op(a::GetMember).trace();
    code.get("s2").push({"length"}).op(a::GetMember).trace();
    code.push({"s2"}).op(a::GetVariable).push({"s"}).op(a::GetVariable).get("s").op(a::Add2).op(a::Equals2).trace();
    code.get("s3").push({"s"}).op(a::GetVariable).push({"!"}).op(a::Add2).op(a::Equals2).trace();
    // The grown string as a property name and as text handed to a built-in.
    code.push({"o", 0}).op(a::InitObject).op(a::SetVariable);
    code.get("o").get("s").push({1}).op(a::SetMember);
    code.get("o").get("s").op(a::GetMember).trace();
    code.push({1, 398, 2}).get("s").push({"substr"}).op(a::CallMethod).trace();

    std::string s, t;
    for (int i = 0; i < 400; ++i) {
        s += "ab" + std::to_string(i);
        if (i == 150) t = s;
    }
    EXPECT_EQ(traced(8, code), (Lines{std::to_string(t.size()), std::to_string(s.size()),
                                      std::to_string(t.size() + 6), std::to_string(2 * s.size()), "true", "true",
                                      "1", s.substr(398, 1)}));
}

TEST(Avm1FastPaths, WholeNumberRemaindersMatchFmod) {
    // 1 / x tells -0 from 0.
    struct Row {
        double a, b;
    } rows[] = {{7, 3}, {-7, 3}, {7, -3}, {-6, 3}, {6, -3}, {-0.0, 5}, {9e12, 7}, {-9e12, 7},
                {5.5, 2}, {7, 0}, {-2147483648.0, -1}, {9007199254740993.0, 10}, {1e300, 3}};
    for (const Row& r : rows) {
        const Asm code = Asm().push({r.a, r.b}).op(a::Modulo).store(1).trace().push({1, R(1)}).op(a::Divide).trace();
        const double want = std::fmod(r.a, r.b);
        const Lines got = traced(8, code);
        ASSERT_EQ(got.size(), 2u);
        Lines expect = traced(8, Asm().push({want}).store(1).trace().push({1, R(1)}).op(a::Divide).trace());
        EXPECT_EQ(got, expect) << r.a << " % " << r.b;
    }
}

TEST(Avm1FastPaths, CallsWithoutActivationKeepNameRules) {
    // function f(a in r1) { x = a; return this + "|" + arguments; } with this and arguments
    // suppressed: no local names, so the call makes no activation object.
    Asm f;
    f.push({"x", R(1)}).op(a::SetVariable);
    f.get("this").push({"|"}).op(a::Add2).get("arguments").op(a::Add2).op(a::Return);
    // function g(a in r1) { var y = a; return y; }: declares a local, which must stay local.
    Asm g;
    g.push({"y", R(1)}).op(a::DefineLocal).get("y").op(a::Return);
    // function h() { return function() { return typeof k; }; } then k is set on the timeline.
    Asm inner;
    inner.get("k").op(a::TypeOf).op(a::Return);
    Asm h;
    h.function2("", 1, kRegistersOnly, {}, inner).op(a::Return);
    Asm code;
    code.function2("f", 2, kRegistersOnly, {{1, "a"}}, f);
    code.function2("g", 2, kRegistersOnly, {{1, "a"}}, g);
    code.function2("h", 1, kRegistersOnly, {}, h);
    code.push({7, 1, "f"}).op(a::CallFunction).trace();
    code.get("x").trace();
    code.push({8, 1, "g"}).op(a::CallFunction).trace();
    code.get("y").op(a::TypeOf).trace();
    code.push({0, "h"}).op(a::CallFunction).store(1).op(a::Pop);
    code.set("k", P(1));
    code.push({0, R(1), Undef}).op(a::CallMethod).trace();
    EXPECT_EQ(traced(8, code), (Lines{"_level0|undefined", "7", "8", "undefined", "number"}));
}

TEST(Avm1FastPaths, OneWalkLookupsDeferToGettersAndClips) {
    Asm getter;
    getter.trace(P("got")).push({42}).op(a::Return);
    Asm method;
    method.push({"m:"}).get("this").push({"tag"}).op(a::GetMember).op(a::Add2).op(a::Return);
    Asm code;
    // A getter on the timeline reached by a plain variable name.
    code.push({Null}).function("", {}, getter).push({"answer", 3}).get("_root").push({"addProperty"});
    code.op(a::CallMethod).op(a::Pop);
    code.get("answer").trace();
    // A method on a prototype two levels up, called on an instance: `this` is the instance.
    code.new_object("base").new_object("mid").new_object("obj");
    code.get("base").push({"m"}).function("", {}, method).op(a::SetMember);
    code.get("mid").push({"__proto__"}).get("base").op(a::SetMember);
    code.get("obj").push({"__proto__"}).get("mid").op(a::SetMember);
    code.set_member("obj", "tag", P("inst"));
    code.push({0}).get("obj").push({"m"}).op(a::CallMethod).trace();
    // A method handed out by a getter.
    Asm hand;
    hand.get("base").push({"m"}).op(a::GetMember).op(a::Return);
    code.push({Null}).function("", {}, hand).push({"viaGetter", 3}).get("obj").push({"addProperty"});
    code.op(a::CallMethod).op(a::Pop);
    code.push({0}).get("obj").push({"viaGetter"}).op(a::CallMethod).trace();
    // A clip's display property and a child clip by name win over the chain.
    code.push({"_x"}).op(a::GetVariable).trace();
    code.push({"kid"}).op(a::GetVariable).op(a::TypeOf).trace();
    TestMovie m(8);
    m.sprite(2, 1).frame().end_sprite();
    m.place(2, 1, "kid").action(code).frame();
    Playing run(m.bytes());
    EXPECT_EQ(run.lines, (Lines{"got", "42", "m:inst", "m:inst", "0", "movieclip"}));
}

}  // namespace

TEST(Avm1FastPaths, FusedRunsActAsTheirParts) {
    Asm code;
    // StoreRegister + Pop: a branch to the Pop alone pops without storing.
    code.push({9}).store(1).op(a::Pop).push({R(1)}).trace();
    code.push({"keep", "drop"}).jump("mid").push({7}).store(1).label("mid").op(a::Pop).trace();
    code.push({R(1)}).trace();
    // Compare + Not + If, with NaN and undefined operands and every comparison fused.
    auto branch = [&code](std::initializer_list<P> operands, uint8_t compare, const std::string& tag) {
        code.push(operands).op(compare).op(a::Not).if_true(tag).trace(P("T")).jump(tag + "e");
        code.label(tag).trace(P("F")).label(tag + "e");
    };
    branch({Undef, 1}, a::Less2, "a");
    branch({1, 2}, a::Less2, "b");
    branch({3, 2}, a::Greater, "c");
    branch({"1", 1}, a::Equals2, "d");
    branch({"1", 1}, a::StrictEquals, "e");
    // Push register + Increment/Decrement + StoreRegister + Pop, on a string and on undefined.
    code.push({"5"}).store(2).op(a::Pop);
    code.push({R(2)}).op(a::Increment).store(2).op(a::Pop).push({R(2)}).trace();
    code.push({R(3)}).op(a::Decrement).store(3).op(a::Pop).push({R(3)}).trace();
    // The machine's own codes inside a file are unknown actions there, skipped with their data.
    code.raw({0xF0, 0x01, 0x00, 0x05, 0xF1, 0x00, 0x00}).trace(P("after"));
    EXPECT_EQ(traced(8, code), (Lines{"9", "keep", "9", "F", "T", "T", "T", "F", "6", "NaN", "after"}));
}
