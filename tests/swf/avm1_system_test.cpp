// The player-facing built-ins: XML and LoadVars, flash.geom, Color, Key/Mouse/Stage fed through
// the runtime's input calls, SharedObject files, and ExternalInterface's text helpers. Scripts'
// view is reached through the machine (get/call/construct as the interpreter does them) on a
// movie that holds one sprite instance named "mc"; expected results are what the original
// player printed in recorded runs where there are some.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "avm1_test_util.h"
#include "swf/avm1/clip.h"

namespace {

using namespace swf::avm1;
using avm1test::Playing;
using avm1test::TestMovie;

using avm1test::Script;

// A native function that appends "<name>(<first argument>)" to the script's log variable.
Value record_call(Vm& vm, Value, const Args& args) {
    Object* log = vm.get(vm.global, vm.intern("log")).object();
    if (log && log->kind == ObjKind::Array) {
        std::string entry = vm.to_std_string(args.callee->native_data);
        if (args.size() > 0) entry += "(" + vm.trace_string(args[0]) + ")";
        static_cast<ArrayObject*>(log)->items.push_back(vm.str(entry));
    }
    return Value();
}

Value recorder(Script& s, const char* name) {
    FunctionObject* f = s.vm.new_native(record_call);
    f->native_data = s.vm.str(name);
    return f;
}

std::string log_of(Script& s) { return s.text(s.global("log")); }

// ---------------------------------------------------------------------------------------------
// XML
// ---------------------------------------------------------------------------------------------
TEST(Avm1SystemXml, ParsesAndWritesBack) {
    struct Case {
        const char* source;
        bool ignore_white;
        const char* written;
        int status;
    } cases[] = {
        {"<a></a><b x=\"1\" y='2'>t</b>", false, "<a /><b x=\"1\" y=\"2\">t</b>", 0},
        {"<test><!-- c -->text</test>", false, "<test>text</test>", 0},
        {"<t><![CDATA[<raw> & ]]>x</t>", false, "<t>&lt;raw&gt; &amp; x</t>", 0},
        {"<r>  <f> in </f>   </r>", true, "<r><f> in </f></r>", 0},
        {"<r>  <f> in </f>   </r>", false, "<r>  <f> in </f>   </r>", 0},
        {"<d>A &amp; &#39; &#x41; &thing; &&amp;</d>", false, "<d>A &amp; &apos; A &amp;thing; &amp;&amp;</d>", 0},
        {"<?xml version='1.0'?><a/>", false, "<?xml version='1.0'?><a />", 0},
        {"<a><b></a>", false, "<a><b /></a>", -9},
        {"</a>", false, "", -10},
        {"<a x=\"1></a>", false, "", -8},
        {"<a><!-- open", false, "<a />", -5},
        {"<a><![CDATA[ open", false, "<a />", -2},
        {"<a", false, "", -6},
    };
    for (const Case& c : cases) {
        Script s;
        Value xml = s.global("XML");
        s.set(s.get(xml, "prototype"), "ignoreWhite", c.ignore_white);
        Value doc = s.make("XML", {s.s(c.source)});
        EXPECT_EQ(s.text(s.call(doc, "toString")), c.written) << c.source;
        EXPECT_EQ(s.text(s.get(doc, "status")), std::to_string(c.status)) << c.source;
    }
}

TEST(Avm1SystemXml, NodesReportTheirPlaceInTheTree) {
    Script s;
    Value doc = s.make("XML", {s.s("<a x=\"1\" y=\"2\"><b/>text</a>")});
    Value a = s.get(doc, "firstChild");
    Value b = s.get(a, "firstChild");
    Value t = s.get(a, "lastChild");
    struct Case {
        Value node;
        const char* prop;
        const char* expected;
    } cases[] = {
        {doc, "nodeType", "1"},   {doc, "nodeName", "null"}, {doc, "parentNode", "null"},
        {a, "nodeName", "a"},     {a, "nodeValue", "null"},  {t, "nodeType", "3"},
        {t, "nodeValue", "text"}, {t, "nodeName", "null"},   {b, "previousSibling", "null"},
        {t, "nextSibling", "null"}, {b, "firstChild", "null"}, {a, "childNodes", "<b />,text"},
    };
    for (const Case& c : cases) EXPECT_EQ(s.text(s.get(c.node, c.prop)), c.expected) << c.prop;
    EXPECT_EQ(s.get(b, "nextSibling").object(), t.object());
    EXPECT_EQ(s.get(t, "parentNode").object(), a.object());
    // Attributes list in document order.
    std::vector<std::string> names;
    for (Str* n : s.vm.enumerate(s.get(a, "attributes").object())) names.push_back(n->text);
    EXPECT_EQ(names, (std::vector<std::string>{"x", "y"}));
    // nodeName ignores undefined, takes anything else as a string.
    s.set(a, "nodeName", Value());
    EXPECT_EQ(s.text(s.get(a, "nodeName")), "a");
    s.set(a, "nodeName", 5.0);
    EXPECT_EQ(s.text(s.get(a, "nodeName")), "5");
}

TEST(Avm1SystemXml, EditingKeepsOneParentAndRewritesChildNodes) {
    Script s;
    Value doc = s.make("XML", {s.s("<a><b/></a><c/>")});
    Value a = s.get(doc, "firstChild");
    Value b = s.get(a, "firstChild");
    Value c = s.get(doc, "lastChild");
    Value list = s.get(doc, "childNodes");
    s.call(list, "push", {s.s("extra")});

    s.call(doc, "appendChild", {b});  // moves b out of a
    EXPECT_EQ(s.text(doc), "<a /><c /><b />");
    EXPECT_EQ(s.text(list), "<a />,<c />,<b />");  // the same array, rewritten

    s.call(b, "appendChild", {doc});  // a node cannot go under itself
    s.call(doc, "insertBefore", {c, a});  // already a child here: refused
    EXPECT_EQ(s.text(doc), "<a /><c /><b />");

    s.call(a, "insertBefore", {b, s.get(a, "firstChild")});  // no such child of a: refused
    s.call(a, "appendChild", {b});
    s.call(c, "removeNode");
    EXPECT_EQ(s.text(doc), "<a><b /></a>");
    EXPECT_EQ(s.text(s.get(c, "parentNode")), "null");

    Value text = s.call(doc, "createTextNode", {s.s("\"q\" & 'a'")});
    s.call(a, "insertBefore", {text, b});
    EXPECT_EQ(s.text(doc), "<a>&quot;q&quot; &amp; &apos;a&apos;<b /></a>");

    Value shallow = s.call(a, "cloneNode", {false});
    Value deep = s.call(a, "cloneNode", {true});
    EXPECT_EQ(s.text(shallow), "<a />");
    EXPECT_EQ(s.text(deep), "<a>&quot;q&quot; &amp; &apos;a&apos;<b /></a>");
    EXPECT_EQ(s.text(s.get(deep, "parentNode")), "null");
}

TEST(Avm1SystemXml, NamespacesComeFromXmlnsAttributesUpTheTree) {
    Script s;
    Value doc =
        s.make("XML", {s.s("<p:a xmlns:p='urn:p' xmlns='urn:d'><b xmlnsq='urn:q'/><p:c xmlns:r='urn:r'/></p:a>")});
    Value a = s.get(doc, "firstChild");
    Value b = s.get(a, "firstChild");
    Value c = s.get(a, "lastChild");
    struct Case {
        Value node;
        const char* prop;
        const char* expected;
    } cases[] = {
        {a, "prefix", "p"},   {a, "localName", "a"},           {a, "namespaceURI", "urn:p"},
        {b, "prefix", ""},    {b, "namespaceURI", "urn:q"},    {c, "localName", "c"},
        {c, "namespaceURI", "urn:p"}, {doc, "prefix", "null"}, {doc, "namespaceURI", "null"},
    };
    for (const Case& k : cases) EXPECT_EQ(s.text(s.get(k.node, k.prop)), k.expected) << k.prop;
    EXPECT_EQ(s.text(s.call(c, "getNamespaceForPrefix", {s.s("p")})), "urn:p");
    EXPECT_EQ(s.text(s.call(c, "getPrefixForNamespace", {s.s("urn:r")})), "r");
    EXPECT_EQ(s.text(s.call(b, "getPrefixForNamespace", {s.s("urn:d")})), "");
    EXPECT_EQ(s.text(s.call(b, "getNamespaceForPrefix", {s.s("r")})), "null");
}

TEST(Avm1SystemXml, DocumentExtras) {
    Script s;
    Value doc = s.make("XML", {s.s("<!DOCTYPE x><a id='one'><b id='two'/></a>")});
    EXPECT_EQ(s.text(s.get(doc, "docTypeDecl")), "<!DOCTYPE x>");
    Value ids = s.get(doc, "idMap");
    EXPECT_EQ(s.get(ids, "two").object(), s.get(s.get(doc, "firstChild"), "firstChild").object());
    s.call(doc, "parseXML", {s.s("<c id='three'/>")});  // the map keeps earlier ids
    EXPECT_TRUE(s.get(ids, "one").is_object());
    EXPECT_TRUE(s.get(ids, "three").is_object());
    // No loading here: the object stays as it was.
    EXPECT_EQ(s.text(s.call(doc, "load", {s.s("x.xml")})), "false");
    EXPECT_EQ(s.text(s.call(doc, "getBytesTotal")), "undefined");
    // Nodes made later take XMLNode.prototype as it is then.
    Value custom = s.vm.new_object(s.get(s.global("XMLNode"), "prototype").object());
    s.set(custom, "mark", 7.0);
    s.set(s.global("XMLNode"), "prototype", custom);
    Value made = s.call(doc, "createElement", {s.s("n")});
    EXPECT_EQ(s.text(s.get(made, "mark")), "7");
    EXPECT_EQ(s.text(s.get(made, "nodeName")), "n");
}

// Native state lives on whatever plain object the constructor is given, as super() calls it.
TEST(Avm1SystemXml, ConstructorsCalledOnAScriptObjectGiveItTheirState) {
    Script s;
    struct Case {
        const char* ctor;
        std::vector<Value> args;
        const char* expected;
    } cases[] = {
        {"XML", {s.s("<a>b</a>")}, "<a>b</a>"},
        {"XMLNode", {3.0, s.s("t&")}, "t&amp;"},
        {"flash.geom.ColorTransform", {},
         "(redMultiplier=1, greenMultiplier=1, blueMultiplier=1, alphaMultiplier=1, redOffset=0, greenOffset=0, "
         "blueOffset=0, alphaOffset=0)"},
    };
    for (const Case& c : cases) {
        Value ctor = s.global(c.ctor);
        Object* sub_proto = s.vm.new_object(s.get(ctor, "prototype").object());
        Value obj = s.vm.new_object(sub_proto);
        s.vm.call(ctor, obj, c.args.data(), int(c.args.size()));
        EXPECT_EQ(s.text(obj), c.expected) << c.ctor;
    }
    // An object already holding one kind of state does not take another.
    Value node = s.make("XMLNode", {1.0, s.s("n")});
    s.vm.call(s.global("flash.geom.ColorTransform"), node, nullptr, 0);
    EXPECT_EQ(s.text(s.get(node, "redMultiplier")), "undefined");
    EXPECT_EQ(s.text(node), "<n />");
    // Getters asked of a plain object answer nothing.
    Value plain = s.vm.new_object(s.get(s.global("XMLNode"), "prototype").object());
    EXPECT_EQ(s.text(s.get(plain, "firstChild")), "undefined");
    EXPECT_EQ(s.text(s.call(plain, "toString")), "[object Object]");
}

TEST(Avm1SystemXml, LoadVarsEncodesAndDecodes) {
    Script s;
    Value lv = s.make("LoadVars");
    s.set(lv, "a b", s.s("1&2"));
    s.set(lv, "n", 5.0);
    EXPECT_EQ(s.text(s.call(lv, "toString")), "n=5&a%20b=1%262");
    Value in = s.make("LoadVars");
    s.call(in, "decode", {s.s("x=1+2%21&empty=&flag")});
    EXPECT_EQ(s.text(s.get(in, "x")), "1 2!");
    EXPECT_EQ(s.text(s.get(in, "empty")), "");
    EXPECT_EQ(s.text(s.get(in, "flag")), "");
    EXPECT_EQ(s.text(s.call(in, "sendAndLoad", {s.s("u"), in})), "false");
}

// ---------------------------------------------------------------------------------------------
// flash.geom
// ---------------------------------------------------------------------------------------------
TEST(Avm1SystemGeom, HiddenBeforeSwf8) {
    Script old(7), now(8);
    EXPECT_TRUE(old.global("flash").is_undefined());
    EXPECT_TRUE(old.get(old.clip(), "transform").is_undefined());
    EXPECT_TRUE(now.global("flash.geom.Matrix").is_object());
}

TEST(Avm1SystemGeom, MatrixOperations) {
    Script s;
    auto matrix = [&](std::vector<double> v) {
        std::vector<Value> args(v.begin(), v.end());
        return s.make("flash.geom.Matrix", args);
    };
    struct Case {
        std::vector<double> start;
        const char* method;
        std::vector<double> args;
        const char* expected;
    } cases[] = {
        {{}, "scale", {3, 5}, "(a=3, b=0, c=0, d=5, tx=0, ty=0)"},
        {{1, 2, 3, 4, 5, 6}, "scale", {13, 17}, "(a=13, b=34, c=39, d=68, tx=65, ty=102)"},
        {{2, 0, 0, 2, 100, 100}, "translate", {7, 11}, "(a=2, b=0, c=0, d=2, tx=107, ty=111)"},
        {{2, 3, 5, 7, 9, 11}, "invert", {}, "(a=-7, b=3, c=5, d=-2, tx=8, ty=-5)"},
        {{1, 2, 3, 4, 5, 6}, "rotate", {0}, "(a=1, b=2, c=3, d=4, tx=5, ty=6)"},
        {{}, "createBox", {2, 3, 0}, "(a=2, b=0, c=0, d=3, tx=0, ty=0)"},
        {{}, "createBox", {2, 3}, "(a=NaN, b=NaN, c=NaN, d=NaN, tx=0, ty=0)"},
        {{}, "createGradientBox", {200, 300}, "(a=0.1220703125, b=0, c=0, d=0.18310546875, tx=100, ty=150)"},
        {{1, 2, 3, 4, 5, 6}, "identity", {}, "(a=1, b=0, c=0, d=1, tx=0, ty=0)"},
    };
    for (const Case& c : cases) {
        Value m = matrix(c.start);
        std::vector<Value> args(c.args.begin(), c.args.end());
        s.call(m, c.method, args);
        EXPECT_EQ(s.text(m), c.expected) << c.method;
    }
    EXPECT_EQ(s.text(s.make("flash.geom.Matrix", {1.0, 2.0})), "(a=1, b=2, c=undefined, d=undefined, tx=undefined, ty=undefined)");
    Value m = matrix({11, 13, 17, 19, 23, 29});
    s.call(m, "concat", {matrix({3, 0, 0, 5, 0, 0})});
    EXPECT_EQ(s.text(m), "(a=33, b=65, c=51, d=95, tx=69, ty=145)");
    Value p = s.make("flash.geom.Point", {1.0, 1.0});
    EXPECT_EQ(s.text(s.call(matrix({2, 3, 5, 7, 11, 13}), "transformPoint", {p})), "(x=18, y=23)");
    EXPECT_EQ(s.text(s.call(matrix({2, 3, 5, 7, 11, 13}), "deltaTransformPoint", {p})), "(x=7, y=10)");
}

TEST(Avm1SystemGeom, PointAndRectangle) {
    Script s;
    Value p = s.make("flash.geom.Point", {3.0, 4.0});
    EXPECT_EQ(s.text(s.get(p, "length")), "5");
    EXPECT_EQ(s.text(s.make("flash.geom.Point")), "(x=0, y=0)");
    EXPECT_EQ(s.text(s.call(p, "add", {s.make("flash.geom.Point", {1.0, 1.0})})), "(x=4, y=5)");
    EXPECT_EQ(s.text(s.call(s.global("flash.geom.Point"), "interpolate",
                            {p, s.make("flash.geom.Point", {1.0, 2.0}), 0.5})),
              "(x=2, y=3)");
    Value r = s.make("flash.geom.Rectangle", {0.0, 0.0, 10.0, 10.0});
    Value q = s.make("flash.geom.Rectangle", {5.0, 5.0, 10.0, 10.0});
    struct Case {
        const char* method;
        Value arg;
        const char* expected;
    } cases[] = {
        {"intersection", q, "(x=5, y=5, w=5, h=5)"},
        {"union", q, "(x=0, y=0, w=15, h=15)"},
        {"intersects", q, "true"},
        {"containsRectangle", q, "false"},
        {"intersection", s.make("flash.geom.Rectangle", {20.0, 20.0, 1.0, 1.0}), "(x=0, y=0, w=0, h=0)"},
        {"union", s.make("flash.geom.Rectangle"), "(x=0, y=0, w=10, h=10)"},
    };
    for (const Case& c : cases) EXPECT_EQ(s.text(s.call(r, c.method, {c.arg})), c.expected) << c.method;
    s.set(r, "left", 4.0);  // moving an edge keeps the other
    EXPECT_EQ(s.text(r), "(x=4, y=0, w=6, h=10)");
    EXPECT_EQ(s.text(s.get(r, "bottomRight")), "(x=10, y=10)");
    EXPECT_EQ(s.text(s.call(r, "contains", {9.0, 9.0})), "true");
    EXPECT_EQ(s.text(s.call(r, "contains", {10.0, 9.0})), "false");
}

TEST(Avm1SystemGeom, ColorTransformKeepsNumbers) {
    Script s;
    std::vector<Value> args{1.0, 1.0, 1.0, 1.0, 255.0, 25.0, 0.0, 0.0};
    Value ct = s.make("flash.geom.ColorTransform", args);
    EXPECT_EQ(s.text(s.get(ct, "rgb")), "16718080");
    s.set(ct, "rgb", 0x203040);
    EXPECT_EQ(s.text(ct),
              "(redMultiplier=0, greenMultiplier=0, blueMultiplier=0, alphaMultiplier=1, redOffset=32, "
              "greenOffset=48, blueOffset=64, alphaOffset=0)");
    s.set(ct, "redMultiplier", s.s("x"));
    EXPECT_EQ(s.text(s.get(ct, "redMultiplier")), "NaN");
    Value a = s.make("flash.geom.ColorTransform", {0.5, 0.5, 0.5, 0.5, 10.0, 20.0, 30.0, 40.0});
    Value b = s.make("flash.geom.ColorTransform", {0.5, 0.5, 0.5, 0.5, 50.0, 60.0, 70.0, 80.0});
    s.call(a, "concat", {b});
    EXPECT_EQ(s.text(a),
              "(redMultiplier=0.25, greenMultiplier=0.25, blueMultiplier=0.25, alphaMultiplier=0.25, "
              "redOffset=35, greenOffset=50, blueOffset=65, alphaOffset=80)");
    // The prototype's members list newest first, as the original's do.
    std::vector<std::string> names;
    for (Str* n : s.vm.enumerate(s.get(s.global("flash.geom.ColorTransform"), "prototype").object()))
        names.push_back(n->text);
    EXPECT_EQ(names.front(), "toString");
    EXPECT_EQ(names.back(), "alphaMultiplier");
}

TEST(Avm1SystemGeom, TransformReadsAndWritesTheClip) {
    Script s;
    Value t = s.get(s.clip(), "transform");
    Value m = s.make("flash.geom.Matrix", {2.0, 0.0, 0.0, 3.0, 10.5, -4.0});
    s.set(t, "matrix", m);
    swf::Instance* inst = static_cast<ClipObject*>(s.clip().o)->inst;
    EXPECT_EQ(inst->matrix.a, 2);
    EXPECT_EQ(inst->matrix.tx, 210);
    EXPECT_EQ(inst->matrix.ty, -80);
    EXPECT_EQ(s.text(s.get(t, "matrix")), "(a=2, b=0, c=0, d=3, tx=10.5, ty=-4)");
    s.set(t, "colorTransform", s.make("flash.geom.ColorTransform", {0.5, 1.0, 1.0, 1.0, 100.0, 0.0, 0.0, 0.0}));
    EXPECT_EQ(inst->cxform.rm, 128);
    EXPECT_EQ(inst->cxform.ra, 100);
    EXPECT_EQ(s.text(s.get(s.get(t, "colorTransform"), "redOffset")), "100");
}

// ---------------------------------------------------------------------------------------------
// Color
// ---------------------------------------------------------------------------------------------
TEST(Avm1SystemColor, TransformValuesWrapTo16Bits) {
    struct Case {
        const char* field;
        Value in;
        const char* out;
    };
    Script s;
    const Case cases[] = {
        {"ra", 50.0, "50"},      {"ra", 12800.0, "-12800"},  {"ga", -99999.0, "2401.171875"},
        {"aa", 1.0, "0.78125"},  {"rb", 65546.0, "10"},      {"gb", -32832.0, "32704"},
        {"ba", s.s("0x64"), "100"}, {"ra", s.s("NaN"), "0"}, {"rb", true, "1"},
        {"gb", s.s("Infinity"), "0"},
    };
    Value color = s.make("Color", {s.clip()});
    for (const Case& c : cases) {
        Value t = s.vm.new_object();
        s.set(t, c.field, c.in);
        s.call(color, "setTransform", {t});
        EXPECT_EQ(s.text(s.get(s.call(color, "getTransform"), c.field)), c.out) << c.field;
    }
    // Only own fields count.
    s.set(s.get(s.global("Object"), "prototype"), "bb", 77.0);
    s.call(color, "setTransform", {s.vm.new_object()});
    EXPECT_NE(s.text(s.get(s.call(color, "getTransform"), "bb")), "77");
}

TEST(Avm1SystemColor, RgbAndTargets) {
    Script s;
    Value color = s.make("Color", {s.s("mc")});  // a path works as well as the clip
    s.call(color, "setRGB", {double(0xFF0066)});
    EXPECT_EQ(s.text(s.call(color, "getRGB")), std::to_string(0xFF0066));
    Value t = s.call(color, "getTransform");
    EXPECT_EQ(s.text(s.get(t, "ra")), "0");
    EXPECT_EQ(s.text(s.get(t, "aa")), "100");
    // Negative offsets come back ORed together as signed numbers.
    Value neg = s.vm.new_object();
    s.set(neg, "rb", -50.0);
    s.set(neg, "gb", -25.0);
    s.set(neg, "bb", 25.0);
    s.call(color, "setTransform", {neg});
    EXPECT_EQ(s.text(s.call(color, "getRGB")), "-6375");
    for (Value target : {Value(), s.s(""), Value(4.0)}) {
        Value bad = s.make("Color", {target});
        s.call(bad, "setRGB", {1.0});
        EXPECT_EQ(s.text(s.call(bad, "getRGB")), "undefined");
    }
}

// ---------------------------------------------------------------------------------------------
// Key, Mouse, Stage
// ---------------------------------------------------------------------------------------------
TEST(Avm1SystemInput, KeysReachKeyAndItsListeners) {
    Script s;
    s.vm.define(s.vm.global, "log", s.vm.new_array());
    Value listener = s.vm.new_object();
    s.set(listener, "onKeyDown", recorder(s, "down"));
    s.set(listener, "onKeyUp", recorder(s, "up"));
    Value key = s.global("Key");
    s.call(key, "addListener", {listener});

    s.runtime().key_down(37, 0);
    EXPECT_EQ(s.text(s.call(key, "isDown", {37.0})), "true");
    EXPECT_EQ(s.text(s.call(key, "getCode")), "37");
    s.runtime().key_down(65, 'a');
    EXPECT_EQ(s.text(s.call(key, "getAscii")), "97");
    s.runtime().key_up(37, 0);
    EXPECT_EQ(s.text(s.call(key, "isDown", {37.0})), "false");
    EXPECT_EQ(s.text(s.call(key, "isDown", {65.0})), "true");
    EXPECT_EQ(log_of(s), "down,down,up");
    // A lock key toggles on each press, not on repeats or releases.
    s.runtime().key_down(20, 0);
    s.runtime().key_down(20, 0);
    s.runtime().key_up(20, 0);
    EXPECT_EQ(s.text(s.call(key, "isToggled", {20.0})), "true");
    s.runtime().key_down(20, 0);
    EXPECT_EQ(s.text(s.call(key, "isToggled", {20.0})), "false");
    EXPECT_EQ(s.text(s.call(key, "isDown", {999.0})), "false");
    EXPECT_EQ(s.text(s.get(key, "addListener")), s.text(s.get(s.global("AsBroadcaster"), "addListener")));
}

TEST(Avm1SystemInput, MouseReachesClipsThenListeners) {
    Script s;
    s.vm.define(s.vm.global, "log", s.vm.new_array());
    s.set(s.clip(), "onMouseDown", recorder(s, "clip"));
    Value listener = s.vm.new_object();
    s.set(listener, "onMouseDown", recorder(s, "listener"));
    s.set(listener, "onMouseWheel", recorder(s, "wheel"));
    s.call(s.global("Mouse"), "addListener", {listener});
    s.runtime().mouse_down(200, 400);
    s.runtime().mouse_up(200, 400);
    s.runtime().mouse_wheel(-3);
    EXPECT_EQ(log_of(s), "clip,listener,wheel(-3)");
    EXPECT_EQ(s.text(s.get(s.runtime().level(0), "_xmouse")), "10");
    // hide/show answer whether the pointer was visible before.
    Value mouse = s.global("Mouse");
    EXPECT_EQ(s.text(s.call(mouse, "hide")), "1");
    EXPECT_EQ(s.text(s.call(mouse, "hide")), "0");
    EXPECT_TRUE(s.runtime().input.cursor_hidden);
    EXPECT_EQ(s.text(s.call(mouse, "show")), "0");
}

TEST(Avm1SystemInput, StageSettings) {
    Script s;
    Value stage = s.global("Stage");
    EXPECT_EQ(s.text(s.get(stage, "width")), "100");
    struct Case {
        const char* prop;
        const char* set;
        const char* read;
    } cases[] = {
        {"align", "lt", "TL"},           {"align", "BR", "BR"},     {"align", "TBx", "T"},
        {"align", "", ""},               {"scaleMode", "NOSCALE", "noScale"},
        {"scaleMode", "bogus", "noScale"}, {"displayState", "FULLSCREEN", "fullScreen"},
        {"displayState", "A", "fullScreen"}, {"displayState", "normal", "normal"},
    };
    for (const Case& c : cases) {
        s.set(stage, c.prop, s.s(c.set));
        EXPECT_EQ(s.text(s.get(stage, c.prop)), c.read) << c.prop << " = " << c.set;
    }
    EXPECT_EQ(s.runtime().stage.scale_mode, "noScale");
    // Changing the display state tells the listeners.
    s.vm.define(s.vm.global, "log", s.vm.new_array());
    Value listener = s.vm.new_object();
    s.set(listener, "onFullScreen", recorder(s, "full"));
    s.call(stage, "addListener", {listener});
    s.set(stage, "displayState", s.s("fullScreen"));
    s.set(stage, "displayState", s.s("fullScreen"));
    s.set(stage, "displayState", s.s("normal"));
    EXPECT_EQ(log_of(s), "full(true),full(false)");
}

// ---------------------------------------------------------------------------------------------
// SharedObject
// ---------------------------------------------------------------------------------------------
class Avm1SystemSharedObject : public ::testing::Test {
protected:
    void SetUp() override {
        dir = std::filesystem::temp_directory_path() /
              ("plumora_so_test_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "_" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(dir);
    }
    void TearDown() override { std::filesystem::remove_all(dir); }
    std::vector<std::filesystem::path> files() {
        std::vector<std::filesystem::path> out;
        if (std::filesystem::exists(dir))
            for (auto& e : std::filesystem::directory_iterator(dir)) out.push_back(e.path());
        return out;
    }
    std::filesystem::path dir;
};

TEST_F(Avm1SystemSharedObject, DataSurvivesTheMovie) {
    {
        Script s;
        s.runtime().shared_object_dir = dir.string();
        Value so = s.call(s.global("SharedObject"), "getLocal", {s.s("save")});
        EXPECT_EQ(s.call(s.global("SharedObject"), "getLocal", {s.s("save")}).object(), so.object());
        Value data = s.get(so, "data");
        s.set(data, "level", 7.0);
        s.set(data, "name", s.s("Ann"));
        Value list = s.vm.new_array();
        s.call(list, "push", {1.0, Value::null(), true});
        s.set(data, "list", list);
        s.set(data, "again", list);  // a second reference to the same array
        s.set(data, "f", s.global("Object"));  // functions are not saved
        EXPECT_TRUE(files().empty());  // nothing written before flush or unload
    }
    ASSERT_EQ(files().size(), 1u);
    Script s;
    s.runtime().shared_object_dir = dir.string();
    Value data = s.get(s.call(s.global("SharedObject"), "getLocal", {s.s("save")}), "data");
    EXPECT_EQ(s.text(s.get(data, "level")), "7");
    EXPECT_EQ(s.text(s.get(data, "name")), "Ann");
    EXPECT_EQ(s.text(s.get(data, "list")), "1,null,true");
    EXPECT_EQ(s.get(data, "again").object(), s.get(data, "list").object());
    EXPECT_TRUE(s.get(data, "f").is_undefined());
    // Another name is another file.
    Value other = s.call(s.global("SharedObject"), "getLocal", {s.s("other")});
    EXPECT_TRUE(s.vm.enumerate(s.get(other, "data").object()).empty());
}

TEST_F(Avm1SystemSharedObject, FlushWritesClearDeletes) {
    Script s;
    s.runtime().shared_object_dir = dir.string();
    Value so = s.call(s.global("SharedObject"), "getLocal", {s.s("a")});
    s.set(s.get(so, "data"), "x", 1.0);
    EXPECT_EQ(s.text(s.call(so, "flush")), "true");
    EXPECT_EQ(files().size(), 1u);
    EXPECT_GT(s.vm.to_number(s.call(so, "getSize")), 0);
    s.call(so, "clear");
    EXPECT_TRUE(files().empty());
    EXPECT_TRUE(s.get(s.get(so, "data"), "x").is_undefined());
}

TEST_F(Avm1SystemSharedObject, DamagedFilesReadAsEmpty) {
    {
        Script s;
        s.runtime().shared_object_dir = dir.string();
        Value so = s.call(s.global("SharedObject"), "getLocal", {s.s("d")});
        s.set(s.get(so, "data"), "score", 12345.0);
        s.call(so, "flush");
    }
    ASSERT_EQ(files().size(), 1u);
    const auto path = files()[0];
    std::string bytes;
    {
        std::ifstream f(path, std::ios::binary);
        bytes.assign(std::istreambuf_iterator<char>(f), {});
    }
    // Each damage: a flipped payload byte, a cut file, a wrong length, garbage.
    std::vector<std::string> damaged = {bytes, bytes.substr(0, bytes.size() - 3), bytes, "PLSO\x01garbage"};
    damaged[0][bytes.size() - 2] ^= 0x40;
    damaged[2][5] = char(damaged[2][5] + 1);
    for (const std::string& d : damaged) {
        {
            std::ofstream f(path, std::ios::binary | std::ios::trunc);
            f.write(d.data(), std::streamsize(d.size()));
        }
        Script s;
        s.runtime().shared_object_dir = dir.string();
        Value data = s.get(s.call(s.global("SharedObject"), "getLocal", {s.s("d")}), "data");
        EXPECT_TRUE(data.is_object());
        EXPECT_TRUE(s.vm.enumerate(data.object()).empty());
    }
}

TEST_F(Avm1SystemSharedObject, LimitsAndNames) {
    Script s;
    s.runtime().shared_object_dir = dir.string();
    Value so_class = s.global("SharedObject");
    for (const char* bad : {"", "a b", "x:y", "q?", "a%"})
        EXPECT_TRUE(s.call(so_class, "getLocal", {s.s(bad)}).is_null()) << bad;
    // 100 KB across the movie's objects: the second flush would pass it.
    Value first = s.call(so_class, "getLocal", {s.s("one")});
    Value second = s.call(so_class, "getLocal", {s.s("two")});
    s.set(s.get(first, "data"), "blob", s.vm.str(std::string(60 * 1024, 'x')));
    s.set(s.get(second, "data"), "blob", s.vm.str(std::string(60 * 1024, 'y')));
    EXPECT_EQ(s.text(s.call(first, "flush")), "false");
    s.set(s.get(second, "data"), "blob", s.s("small"));
    EXPECT_EQ(s.text(s.call(first, "flush")), "true");
    // Without a folder, saves stay in memory and still succeed.
    Script memory;
    Value so = memory.call(memory.global("SharedObject"), "getLocal", {memory.s("m")});
    EXPECT_EQ(memory.text(memory.call(so, "flush")), "true");
    EXPECT_EQ(files().size(), 1u);
    // A relative folder would resolve beside the program: treated as none.
    const auto relative = std::filesystem::path("plumora_so_relative_test");
    std::filesystem::remove_all(relative);
    {
        Script rel;
        rel.runtime().shared_object_dir = relative.string();
        Value r = rel.call(rel.global("SharedObject"), "getLocal", {rel.s("r")});
        rel.set(rel.get(r, "data"), "x", 1.0);
        EXPECT_EQ(rel.text(rel.call(r, "flush")), "true");
    }
    EXPECT_FALSE(std::filesystem::exists(relative));
}

// ---------------------------------------------------------------------------------------------
// System, ExternalInterface
// ---------------------------------------------------------------------------------------------
TEST(Avm1SystemMisc, ExternalInterfaceTextHelpers) {
    Script s;
    Value ei = s.global("flash.external.ExternalInterface");
    EXPECT_EQ(s.text(s.get(ei, "available")), "false");
    EXPECT_EQ(s.text(s.call(ei, "call", {s.s("f")})), "null");
    struct Case {
        const char* method;
        Value in;
        const char* out;
    } cases[] = {
        {"_escapeXML", s.s("<a href='x'>&</a>"), "&lt;a href=&apos;x&apos;&gt;&amp;&lt;/a&gt;"},
        {"_escapeXML", s.s(""), "null"},
        {"_unescapeXML", s.s("a&amp;gt;&#x20;&LT;&quot;"), "a&gt;&#x20;&LT;\""},
        {"_toXML", s.s(""), "<string>null</string>"},
        {"_toXML", 4.0, "<number>4</number>"},
        {"_toXML", Value(), "<undefined/>"},
        {"_toXML", s.global("Object"), "<null/>"},
        {"_arrayToXML", s.s("ab"),
         "<array><property id=\"0\"><undefined/></property><property id=\"1\"><undefined/></property></array>"},
        {"_argumentsToXML", s.s("abc"), "<arguments><undefined/><undefined/></arguments>"},
    };
    for (const Case& c : cases) EXPECT_EQ(s.text(s.call(ei, c.method, {c.in})), c.out) << c.method;
    EXPECT_EQ(s.text(s.call(ei, "_escapeXML")), "null");
}

TEST(Avm1SystemMisc, SystemObjects) {
    Script s;
    Value caps = s.global("System.capabilities");
    for (const char* name : {"version", "os", "screenResolutionX", "hasAudio", "serverString"})
        EXPECT_FALSE(s.get(caps, name).is_undefined()) << name;
    EXPECT_EQ(s.text(s.get(s.global("System.security"), "sandboxType")), "localWithFile");
    EXPECT_TRUE(s.get(s.global("System.IME"), "addListener").is_object());
    Script old(7);
    EXPECT_EQ(old.text(old.get(old.global("flash.external.ExternalInterface"), "call")), "undefined");
}

}  // namespace
