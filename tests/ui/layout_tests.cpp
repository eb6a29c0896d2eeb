#include "ui/Image.h"
#include "ui/ImageList.h"
#include "ui/Label.h"
#include "ui/Layout.h"
#include "ui/Menu.h"
#include <gtest/gtest.h>
#include <cstdint>
#include <memory>
#include <stdexcept>

using namespace ui;

namespace {

// A container class for layouts under test, and a control with a component reference.
class TBox : public TCustomControl {
public:
    explicit TBox(TComponent* owner) : TCustomControl(owner) { SetControlStyle(ControlStyle() | csAcceptsControls); }
    std::wstring ClassName() const override { return L"TBox"; }
};

class TGlyphButton : public TGraphicControl {
public:
    using TGraphicControl::TGraphicControl;
    std::wstring ClassName() const override { return L"TGlyphButton"; }
    TImageList* Images = nullptr;
    TPopupMenu* Menu = nullptr;
    std::vector<std::wstring> Words;
    std::vector<int> Numbers;
};

class TTestForm : public TForm {
public:
    explicit TTestForm(TComponent* owner = nullptr) : TForm(owner) {
        RegisterHandler(L"ButtonClick", TNotifyEvent([this](TObject* s) { Log.push_back(L"click"); Sender = s; }));
        RegisterHandler(L"PanelMouseDown", TMouseEvent([this](TObject*, TMouseButton, TShiftState, int x, int y) {
            Log.push_back(L"down " + std::to_wstring(x) + L"," + std::to_wstring(y));
        }));
        RegisterHandler(L"FormCreate", TNotifyEvent([this](TObject*) { Log.push_back(L"create"); }));
    }
    std::vector<std::wstring> Log;
    TObject* Sender = nullptr;
};

TClassRegistry TestRegistry() {
    TClassRegistry r;
    RegisterFrameworkClasses(r);
    RegisterControlClass<TBox, TWinControl>(r, L"TBox");
    RegisterControlClass<TGlyphButton, TControl>(r, L"TGlyphButton");
    r.Property<TGlyphButton>(L"Images", [](TGlyphButton& b, const TLayoutValue& v, TLayoutContext& ctx) {
        ctx.Reference<TImageList>(v, [&b](TImageList& l) { b.Images = &l; });
    });
    r.Property<TGlyphButton>(L"PopupMenu", [](TGlyphButton& b, const TLayoutValue& v, TLayoutContext& ctx) {
        ctx.Reference<TPopupMenu>(v, [&b](TPopupMenu& m) { b.Menu = &m; });
    });
    r.Property<TGlyphButton>(L"Items.Strings", [](TGlyphButton& b, const TLayoutValue& v, TLayoutContext& ctx) {
        b.Words = ctx.Strings(v);
    });
    r.Property<TGlyphButton>(L"Numbers", [](TGlyphButton& b, const TLayoutValue& v, TLayoutContext& ctx) {
        if (v.Kind != TLayoutValueKind::List) ctx.FailValue(v, L"a list");
        for (const TLayoutValue& item : v.Items) b.Numbers.push_back(ctx.Int(item));
    });
    return r;
}

template <typename T>
T* Find(TComponent& root, const wchar_t* name) {
    return dynamic_cast<T*>(root.FindComponent(name));
}

// Loads `text` into a fresh form and returns the error text ("" when it loaded).
std::wstring LoadError(const std::string& text) {
    static TClassRegistry registry = TestRegistry();
    TTestForm form;
    try {
        LoadLayoutText(form, L"Dlg.layout", text, registry);
    } catch (const TLayoutError& e) {
        return e.Text();
    }
    return L"";
}

const char* const kDialog = R"(object Dlg: TTestForm
  Caption = '测试'
  ClientWidth = 300
  ClientHeight = 200
  Font.Name = 'Tahoma'
  Font.Height = -11
  Color = clBtnFace
  OnCreate = FormCreate
  object Top1: TBox
    Width = 280
    Height = 40
    Align = alTop
    Color = $00FF8000
    OnMouseDown = PanelMouseDown
    object Btn: TGlyphButton
      Left = 250
      Top = 10
      Width = 20
      Height = 20
      Anchors = [akTop, akRight]
      Images = Icons
      PopupMenu = Menu1
      Hint = 'go'
      ShowHint = True
      OnClick = ButtonClick
      Items.Strings = (
        'one'
        'two')
      Numbers = (1, -2, 3)
    end
    object Lbl: TLabel
      Left = 8
      Top = 12
      Caption = 'Hello'
      Font.Style = [fsBold]
    end
  end
  object Bottom1: TBox
    Height = 30
    Align = alBottom
  end
  object Client1: TBox
    Align = alClient
    Constraints.MinWidth = 10
  end
  object Icons: TImageList
    Width = 8
    Height = 8
  end
  object Menu1: TPopupMenu
    AutoHotkeys = maManual
    object M_A: TMenuItem
      Caption = 'A'
      OnClick = ButtonClick
    end
    object M_Sub: TMenuItem
      Caption = 'Sub'
      object M_B: TMenuItem
        Caption = 'B'
      end
    end
  end
end
)";

} // namespace

TEST(LayoutRegistry, DerivedRegistrationWinsInEitherOrder) {
    for (bool baseFirst : {true, false}) {
        TClassRegistry r;
        r.Declare<TControl, TComponent>();
        r.Declare<TLabel, TControl>();
        std::wstring ran;
        auto base = [&ran](TControl&, const TLayoutValue&, TLayoutContext&) { ran = L"control"; };
        auto derived = [&ran](TLabel&, const TLayoutValue&, TLayoutContext&) { ran = L"label"; };
        if (baseFirst) { r.Property<TControl>(L"Caption", base); r.Property<TLabel>(L"Caption", derived); }
        else { r.Property<TLabel>(L"Caption", derived); r.Property<TControl>(L"Caption", base); }
        TLabel label;
        TImage image;
        TImageList list;
        TTestForm root;
        TLayoutContext ctx(root, L"x");
        TLayoutValue v;
        (*r.FindProperty(label, L"caption"))(label, v, ctx);
        EXPECT_EQ(ran, L"label") << baseFirst;
        (*r.FindProperty(image, L"Caption"))(image, v, ctx);
        EXPECT_EQ(ran, L"control") << baseFirst;
        EXPECT_EQ(r.FindProperty(list, L"Caption"), nullptr); // not a control
    }
}

TEST(Layout, DialogLoadsControlsParentsBoundsAndValues) {
    TClassRegistry registry = TestRegistry();
    TTestForm form;
    LoadLayoutText(form, L"Dlg.layout", kDialog, registry);

    EXPECT_EQ(form.Name(), L"Dlg");
    EXPECT_EQ(form.Caption(), L"测试");
    EXPECT_EQ(form.ClientWidth(), 300);
    EXPECT_EQ(form.ClientHeight(), 200);
    auto* top = Find<TBox>(form, L"Top1");
    auto* bottom = Find<TBox>(form, L"Bottom1");
    auto* client = Find<TBox>(form, L"Client1");
    auto* btn = Find<TGlyphButton>(form, L"Btn");
    auto* lbl = Find<TLabel>(form, L"Lbl");
    ASSERT_TRUE(top && bottom && client && btn && lbl);
    EXPECT_EQ(top->Parent(), &form);
    EXPECT_EQ(btn->Parent(), top);
    EXPECT_EQ(lbl->Parent(), top);
    EXPECT_EQ(top->BoundsRect(), (Rect{0, 0, 300, 40}));
    EXPECT_EQ(bottom->BoundsRect(), (Rect{0, 170, 300, 200}));
    EXPECT_EQ(client->BoundsRect(), (Rect{0, 40, 300, 170}));
    // Stored at a design width of 280; aligned to 300, the right-anchored button moves along.
    EXPECT_EQ(btn->BoundsRect(), (Rect{270, 10, 290, 30}));
    EXPECT_EQ(btn->Anchors(), static_cast<TAnchors>(akTop | akRight));
    EXPECT_EQ(top->Color(), 0x00FF8000u);
    EXPECT_FALSE(top->ParentColor());
    EXPECT_EQ(client->Constraints().MinWidth, 10);
    EXPECT_EQ(btn->Hint(), L"go");
    EXPECT_TRUE(btn->ShowHint());
    EXPECT_EQ(btn->Words, (std::vector<std::wstring>{L"one", L"two"}));
    EXPECT_EQ(btn->Numbers, (std::vector<int>{1, -2, 3}));
    // Font.Style changes the style only: the rest is the font the label took from its parent.
    EXPECT_EQ(lbl->Font().Name, L"Tahoma");
    EXPECT_EQ(lbl->Font().Height, -11);
    EXPECT_EQ(lbl->Font().Style, static_cast<TFontStyles>(fsBold));
    EXPECT_FALSE(lbl->ParentFont());
    EXPECT_FALSE(lbl->IsLoading());

    // References written before their targets exist.
    EXPECT_EQ(btn->Images, Find<TImageList>(form, L"Icons"));
    EXPECT_EQ(btn->Menu, Find<TPopupMenu>(form, L"Menu1"));
    EXPECT_EQ(btn->Images->Width(), 8);
    ASSERT_EQ(btn->Menu->Items().Count(), 2);
    EXPECT_EQ(btn->Menu->Items().Item(1)->Item(0)->Name(), L"M_B");
    EXPECT_EQ(btn->Menu->AutoHotkeys(), maManual);
    // Non-visual components and menu items are all owned by the root.
    EXPECT_EQ(Find<TMenuItem>(form, L"M_B")->Owner(), &form);
}

TEST(Layout, EventsAreBoundToTheFormsHandlersByName) {
    TClassRegistry registry = TestRegistry();
    TTestForm form;
    LoadLayoutText(form, L"Dlg.layout", kDialog, registry);
    auto* btn = Find<TGlyphButton>(form, L"Btn");
    btn->Click();
    EXPECT_EQ(form.Sender, btn);
    Find<TMenuItem>(form, L"M_A")->Click();
    EXPECT_EQ(form.Sender, Find<TMenuItem>(form, L"M_A"));
    ASSERT_TRUE(Find<TBox>(form, L"Top1")->OnMouseDown);
    Find<TBox>(form, L"Top1")->OnMouseDown(nullptr, mbLeft, 0, 3, 4);
    ASSERT_TRUE(form.OnCreate);
    form.OnCreate(&form);
    EXPECT_EQ(form.Log, (std::vector<std::wstring>{L"click", L"click", L"down 3,4", L"create"}));
}

TEST(Layout, EveryFaultNamesFileLineAndProperty) {
    auto in = [](const std::string& body) { return "object Dlg: TTestForm\n" + body + "end\n"; };
    EXPECT_EQ(LoadError(in("  object X: TNoSuchClass\n  end\n")),
              L"Dlg.layout, line 2: unknown class 'TNoSuchClass' of object 'X'");
    EXPECT_EQ(LoadError(in("  object L: TLabel\n    Colour = clRed\n  end\n")),
              L"Dlg.layout, line 3, property 'Colour': unknown property of class TLabel");
    EXPECT_EQ(LoadError(in("  object B: TBox\n    Align = alMiddle\n  end\n")),
              L"Dlg.layout, line 3, property 'Align': unknown value 'alMiddle'");
    EXPECT_EQ(LoadError(in("  Left = 'ten'\n")), L"Dlg.layout, line 2, property 'Left': expected an integer, found a string");
    EXPECT_EQ(LoadError(in("  Caption = Hello\n")), L"Dlg.layout, line 2, property 'Caption': expected a string, found an identifier");
    EXPECT_EQ(LoadError(in("  object B: TBox\n    Anchors = akTop\n  end\n")),
              L"Dlg.layout, line 3, property 'Anchors': expected a set, found an identifier");
    EXPECT_EQ(LoadError(in("  Width = 99999\n")), L"Dlg.layout, line 2, property 'Width': value 99999 out of range 0..32767");
    EXPECT_EQ(LoadError(in("  object G: TGlyphButton\n    Images = Nowhere\n  end\n")),
              L"Dlg.layout, line 3, property 'Images': unresolved component reference 'Nowhere'");
    EXPECT_EQ(LoadError(in("  object G: TGlyphButton\n    Images = Menu1\n  end\n  object Menu1: TPopupMenu\n  end\n")),
              L"Dlg.layout, line 3, property 'Images': component 'Menu1' is of the wrong class");
    EXPECT_EQ(LoadError(in("  OnCreate = NoSuchHandler\n")),
              L"Dlg.layout, line 2, property 'OnCreate': unknown event handler 'NoSuchHandler'");
    // A handler of another event type does not fit.
    EXPECT_EQ(LoadError(in("  object B: TBox\n    OnClick = PanelMouseDown\n  end\n")),
              L"Dlg.layout, line 3, property 'OnClick': unknown event handler 'PanelMouseDown'");
    EXPECT_EQ(LoadError(in("  object L: TLabel\n    object L2: TLabel\n    end\n  end\n")),
              L"Dlg.layout, line 3: 'L' cannot hold controls");
    EXPECT_EQ(LoadError(in("  object B: TBox\n  end\n  object b: TBox\n  end\n")),
              L"Dlg.layout, line 4: duplicate component name 'b'");
    EXPECT_EQ(LoadError(in("  object M: TMenuItem\n  end\n")),
              L"Dlg.layout, line 2: a menu item belongs inside a menu or another menu item");
    EXPECT_EQ(LoadError(in("  object I: TImage\n    Picture.Resource = 'NO_SUCH_PICTURE'\n  end\n")),
              L"Dlg.layout, line 3, property 'Picture.Resource': resource 'NO_SUCH_PICTURE' not found");
    EXPECT_EQ(LoadError(in("  object I: TImageList\n    Bitmap.Resource = 'NO_SUCH_BITMAP'\n  end\n")),
              L"Dlg.layout, line 3, property 'Bitmap.Resource': bitmap resource 'NO_SUCH_BITMAP' not found");
}

namespace {

enum TKnobShape { ksRound, ksSquare };
constexpr TEnumName<TKnobShape> kKnobShapeNames[] = {{L"ksRound", ksRound}, {L"ksSquare", ksSquare}};
constexpr const auto& EnumNames(TKnobShape) { return kKnobShapeNames; }

// A control whose stored values are all bound by member: one setter or field per kind.
class TKnob : public TGraphicControl {
public:
    using TGraphicControl::TGraphicControl;
    std::wstring ClassName() const override { return L"TKnob"; }
    void SetTurns(int v) { Turns = v; }
    void SetDetents(std::uint16_t v) { Detents = v; }
    void SetLabelText(const std::wstring& v) { LabelText = v; }
    void SetRim(TColor v) { Rim = v; }
    void SetShape(TKnobShape v) { Shape = v; }
    void SetMarks(TAnchors v) { Marks = v; }
    void SetScale(TImageList* v) { Scale = v; }
    int Turns = 0;
    std::uint16_t Detents = 0;
    std::wstring LabelText;
    TColor Rim = 0;
    TKnobShape Shape = ksRound;
    TAnchors Marks = 0;
    TImageList* Scale = nullptr;
    TNotifyEvent OnTurn;
};

TClassRegistry KnobRegistry() {
    TClassRegistry r = TestRegistry();
    RegisterControlClass<TKnob, TControl>(r, L"TKnob");
    r.Property(L"Turns", &TKnob::SetTurns);
    r.Property(L"Detents", &TKnob::SetDetents);
    r.Property(L"LabelText", &TKnob::SetLabelText);
    r.Property(L"Rim", &TKnob::SetRim);
    r.Property(L"Shape", &TKnob::SetShape);
    r.Property(L"Marks", &TKnob::SetMarks, SetOf<TAnchorKind>);
    r.Property(L"Scale", &TKnob::SetScale);
    r.Property(L"OnTurn", &TKnob::OnTurn);
    // A registration for the knob itself wins over TControl's.
    r.Property<TKnob>(L"Tag", &TKnob::SetTurns, IntRange{0, 9});
    return r;
}

std::wstring LoadKnob(const std::string& body, TTestForm& form) {
    static TClassRegistry registry = KnobRegistry();
    try {
        LoadLayoutText(form, L"Dlg.layout", "object Dlg: TTestForm\n  object K: TKnob\n" + body + "  end\n  object Icons: TImageList\n  end\nend\n",
                       registry);
    } catch (const TLayoutError& e) {
        return e.Text();
    }
    return L"";
}

} // namespace

TEST(LayoutRegistry, MemberBindingsReadTheValueTheirParameterTypeNames) {
    TTestForm form;
    ASSERT_EQ(LoadKnob("    Turns = -3\n    Detents = 65535\n    LabelText = 'vol'\n    Rim = clRed\n"
                       "    Shape = ksSquare\n    Marks = [akLeft, akBottom]\n    Scale = Icons\n    OnTurn = ButtonClick\n",
                       form),
              L"");
    auto* k = Find<TKnob>(form, L"K");
    ASSERT_TRUE(k);
    EXPECT_EQ(k->Turns, -3);
    EXPECT_EQ(k->Detents, 65535);
    EXPECT_EQ(k->LabelText, L"vol");
    EXPECT_EQ(k->Rim, clRed);
    EXPECT_EQ(k->Shape, ksSquare);
    EXPECT_EQ(k->Marks, static_cast<TAnchors>(akLeft | akBottom));
    EXPECT_EQ(k->Scale, Find<TImageList>(form, L"Icons"));
    ASSERT_TRUE(k->OnTurn);
    k->OnTurn(k);
    EXPECT_EQ(form.Sender, k);

    const auto error = [](const std::string& line) {
        TTestForm f;
        return LoadKnob("    " + line + "\n", f);
    };
    EXPECT_EQ(error("Detents = 65536"), L"Dlg.layout, line 3, property 'Detents': value 65536 out of range 0..65535");
    EXPECT_EQ(error("Shape = ksOval"), L"Dlg.layout, line 3, property 'Shape': unknown value 'ksOval'");
    EXPECT_EQ(error("Marks = akLeft"), L"Dlg.layout, line 3, property 'Marks': expected a set, found an identifier");
    EXPECT_EQ(error("Rim = 'red'"), L"Dlg.layout, line 3, property 'Rim': expected a colour, found a string");
    EXPECT_EQ(error("Scale = Dlg"), L"Dlg.layout, line 3, property 'Scale': component 'Dlg' is of the wrong class");
    EXPECT_EQ(error("OnTurn = PanelMouseDown"), L"Dlg.layout, line 3, property 'OnTurn': unknown event handler 'PanelMouseDown'");
    EXPECT_EQ(error("Tag = 10"), L"Dlg.layout, line 3, property 'Tag': value 10 out of range 0..9");
}

TEST(LayoutRegistry, ClassesMustBeDeclaredWithTheirBaseBeforeTheirProperties) {
    TClassRegistry r;
    // A property of a class the registry cannot place among its bases.
    EXPECT_THROW(r.Property(L"Left", &TControl::SetLeft), std::logic_error);
    // A base that is not declared yet.
    EXPECT_THROW((r.Declare<TLabel, TControl>()), std::logic_error);
    r.Declare<TControl, TComponent>();
    r.Declare<TLabel, TControl>();
    r.Declare<TLabel, TControl>(); // again, the same: nothing happens
    EXPECT_THROW((r.Declare<TLabel, TComponent>()), std::logic_error);

    // A declared base that skips a class with the same property cannot be ordered.
    r.Declare<TKnob, TComponent>();
    r.Property(L"Turns", &TKnob::SetTurns);
    r.Property<TControl>(L"Turns", [](TControl&, const TLayoutValue&, TLayoutContext&) {});
    TKnob knob;
    EXPECT_THROW(r.FindProperty(knob, L"Turns"), std::logic_error);
}
