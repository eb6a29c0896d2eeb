// The three window layouts the executable carries, loaded through the program's class
// registry. For each one: every object of the file exists with its class, in its enclosing
// object, and every property of the file has a setter of that class; then a table of the
// settings the windows depend on is checked on the built form, including values the layout
// leaves to defaults or that follow from others (a bottom-aligned status bar, a focus colour
// that followed the memo's colour, which handler each event runs).
#include "flash/ShockwaveFlash.h"
#include "ui/Form.h"
#include "ui/Image.h"
#include "ui/ImageList.h"
#include "ui/Label.h"
#include "ui/Layout.h"
#include "ui/Menu.h"
#include "widgets/WkButton.h"
#include "widgets/WkLabel.h"
#include "widgets/WkMemo.h"
#include "widgets/WkPanel.h"
#include "widgets/WkSplitter.h"
#include "widgets/WkStatusBar.h"
#include "widgets/WkToolButton.h"
#include "widgets/WkTreeView.h"

#include <gtest/gtest.h>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <type_traits>
#include <vector>

namespace {

using namespace wk;
using ui::Rect;
using ui::TComponent;
using ui::TControl;

// A form answering every handler name the layouts use; each handler records its name.
class TLayoutHost : public ui::TForm {
public:
    explicit TLayoutHost(TComponent* owner = nullptr) : ui::TForm(owner) {
        for (const wchar_t* name : {L"FormCreate", L"FormActivate", L"BtnFitClick", L"BtnRealSizeClick", L"BtnHelpClick",
                                    L"WkSplitter1Change", L"WkTreeView1DblClick", L"M_DocClick"})
            RegisterHandler(name, ui::TNotifyEvent([this, name](ui::TObject*) { LastHandler = name; }));
        RegisterHandler(L"WkTreeView1MouseDown", ui::TMouseEvent([this](ui::TObject*, ui::TMouseButton, ui::TShiftState, int, int) {
                            LastHandler = L"WkTreeView1MouseDown";
                        }));
    }
    std::wstring LastHandler;
};

ui::TClassRegistry ProgramRegistry() {
    ui::TClassRegistry r;
    ui::RegisterFrameworkClasses(r);
    RegisterWkPanelClasses(r);
    RegisterWkSplitterClasses(r);
    RegisterWkStatusBarClasses(r);
    RegisterWkToolButtonClasses(r);
    RegisterWkTreeViewClasses(r);
    RegisterWkMemoClasses(r);
    RegisterWkButtonClasses(r);
    RegisterWkLabelClasses(r);
    flash::RegisterFlashClasses(r);
    return r;
}

// ---- Values as text, so one table holds every type ---------------------------------------

std::wstring Show(bool v) { return v ? L"True" : L"False"; }
std::wstring Show(const std::wstring& v) { return v; }
std::wstring Show(const wchar_t* v) { return v; }
std::wstring Show(const Rect& r) {
    return L"(" + std::to_wstring(r.left) + L", " + std::to_wstring(r.top) + L", " + std::to_wstring(r.right) + L", " +
           std::to_wstring(r.bottom) + L")";
}
// A reference shows the name of what it refers to.
std::wstring Show(const TComponent* c) { return c ? c->Name() : L"nil"; }
template <typename T>
    requires(std::is_integral_v<T> || std::is_enum_v<T>)
std::wstring Show(T v) {
    return std::to_wstring(static_cast<long long>(v));
}

struct TExpectation {
    const wchar_t* Object;  // nullptr: the form
    const wchar_t* Property;
    // The value as text, or nothing when the component is not of the expected class.
    std::function<std::optional<std::wstring>(TComponent&)> Read;
    std::wstring Expected;
};

template <typename T, typename Get, typename V>
TExpectation Expect(const wchar_t* object, const wchar_t* property, Get get, const V& expected) {
    auto read = [get](TComponent& c) -> std::optional<std::wstring> {
        auto* t = dynamic_cast<T*>(&c);
        if (!t) return std::nullopt;
        return Show(std::invoke(get, *t));
    };
    return {object, property, std::move(read), Show(expected)};
}

// Runs a notify event of the component and names the form handler it reached.
template <typename T, typename E>
auto Fires(E T::*event) {
    return [event](T& t) -> std::wstring {
        auto* host = dynamic_cast<TLayoutHost*>(t.Owner() ? t.Owner() : &t);
        if (!host || !(t.*event)) return L"(no handler)";
        host->LastHandler.clear();
        if constexpr (std::is_same_v<E, ui::TMouseEvent>)
            (t.*event)(&t, ui::mbLeft, 0, 1, 1);
        else
            (t.*event)(&t);
        return host->LastHandler;
    };
}

struct TLayoutCase {
    const wchar_t* Resource;
    std::vector<TExpectation> Expectations;
};

// ---- The tables --------------------------------------------------------------------------

const std::vector<TLayoutCase>& LayoutCases() {
    using F = ui::TForm;
    using ui::TImage;
    static const std::vector<TLayoutCase> cases = {
        {L"TFRMFLASHGAME",
         {
             Expect<F>(nullptr, L"Width", &F::Width, 720),
             Expect<F>(nullptr, L"Height", &F::Height, 520),
             Expect<F>(nullptr, L"Constraints.MinWidth", [](F& f) { return f.Constraints().MinWidth; }, 720),
             Expect<F>(nullptr, L"Constraints.MinHeight", [](F& f) { return f.Constraints().MinHeight; }, 520),
             Expect<F>(nullptr, L"Position", &F::Position, ui::poScreenCenter),
             Expect<F>(nullptr, L"OnCreate", Fires(&F::OnCreate), L"FormCreate"),
             Expect<F>(nullptr, L"OnActivate", Fires(&F::OnActivate), L"FormActivate"),
             // The banner: no frame, the button face, children across its whole client area.
             Expect<TWkPanel>(L"WkPanel1", L"Align", &TControl::Align, ui::alTop),
             Expect<TWkPanel>(L"WkPanel1", L"Height", &TControl::Height, 75),
             Expect<TWkPanel>(L"WkPanel1", L"BorderOuter", &TWkCustomPanel::BorderOuter, fsNone),
             Expect<TWkPanel>(L"WkPanel1", L"BorderInner", &TWkCustomPanel::BorderInner, fsNone),
             Expect<TWkPanel>(L"WkPanel1", L"Color", &TControl::Color, ui::clBtnFace),
             Expect<TWkPanel>(L"WkPanel1", L"ContentRect", &TWkCustomPanel::ContentRect, Rect(0, 0, 712, 75)),
             Expect<TImage>(L"Image1", L"Picture.Width", [](TImage& i) { return i.Picture().Width(); }, 490),
             Expect<TImage>(L"Image1", L"Align", &TControl::Align, ui::alLeft),
             Expect<TImage>(L"Image2", L"Picture.Height", [](TImage& i) { return i.Picture().Height(); }, 75),
             Expect<TImage>(L"Image2", L"Stretch", &TImage::Stretch, true),
             // The three tool buttons.
             Expect<TWkToolButton>(L"BtnFit", L"Hint", &TControl::Hint, L"最合适"),
             Expect<TWkToolButton>(L"BtnFit", L"Images", &TWkToolButton::Images, L"ImageList1"),
             Expect<TWkToolButton>(L"BtnFit", L"ImageIndex", &TWkToolButton::ImageIndex, 3),
             Expect<TWkToolButton>(L"BtnFit", L"VisualStyle", &TWkToolButton::VisualStyle, vsGradient),
             Expect<TWkToolButton>(L"BtnFit", L"GradientColorStyle", &TWkToolButton::GradientColorStyle, gcsMSOffice),
             Expect<TWkToolButton>(L"BtnFit", L"SelectionColorStart", &TWkToolButton::SelectionColorStart, 10839119),
             Expect<TWkToolButton>(L"BtnFit", L"SelectionFrameColor", &TWkToolButton::SelectionFrameColor, 9718842),
             Expect<TWkToolButton>(L"BtnFit", L"OnClick", Fires(&TControl::OnClick), L"BtnFitClick"),
             Expect<TWkToolButton>(L"BtnRealSize", L"Hint", &TControl::Hint, L"实际大小"),
             Expect<TWkToolButton>(L"BtnRealSize", L"ImageIndex", &TWkToolButton::ImageIndex, 4),
             Expect<TWkToolButton>(L"BtnRealSize", L"OnClick", Fires(&TControl::OnClick), L"BtnRealSizeClick"),
             Expect<TWkToolButton>(L"BtnHelp", L"Bounds", &TControl::BoundsRect, Rect::FromXYWH(671, 45, 30, 30)),
             Expect<TWkToolButton>(L"BtnHelp", L"Anchors", &TControl::Anchors, ui::akTop | ui::akRight),
             Expect<TWkToolButton>(L"BtnHelp", L"Hint", &TControl::Hint, L"帮助"),
             Expect<TWkToolButton>(L"BtnHelp", L"Images", &TWkToolButton::Images, L"ImageList2"),
             Expect<TWkToolButton>(L"BtnHelp", L"ImageIndex", &TWkToolButton::ImageIndex, 0),
             Expect<TWkToolButton>(L"BtnHelp", L"OnClick", Fires(&TControl::OnClick), L"BtnHelpClick"),
             // The two links, in the highlight colour once loaded.
             Expect<TWkURLLabel>(L"WkURLLabel1", L"URL", &TWkURLLabel::URL, L"https://plumora.example.org/"),
             Expect<TWkURLLabel>(L"WkURLLabel1", L"Caption", &TControl::Caption, L"Homepage: https://plumora.example.org/"),
             Expect<TWkURLLabel>(L"WkURLLabel1", L"PaintTextColor", &TWkLabel::PaintTextColor, ui::clHighlight),
             Expect<TWkURLLabel>(L"WkURLLabel1", L"Font.Name", [](TControl& c) { return c.Font().Name; }, L"Tahoma"),
             Expect<TWkURLLabel>(L"WkURLLabel1", L"Transparent", &ui::TLabel::Transparent, true),
             Expect<TWkURLLabel>(L"WkURLLabel2", L"URL", &TWkURLLabel::URL, L"mailto:games@plumora.example.org"),
             Expect<TWkURLLabel>(L"WkURLLabel2", L"PaintTextColor", &TWkLabel::PaintTextColor, ui::clHighlight),
             // The status bar: bottom-aligned by default, gradient, one glyph pane.
             Expect<TWkStatusBar>(L"WkStatusBar1", L"Align", &TControl::Align, ui::alBottom),
             Expect<TWkStatusBar>(L"WkStatusBar1", L"Height", &TControl::Height, 19),
             Expect<TWkStatusBar>(L"WkStatusBar1", L"AutoStyle", &TWkStatusBar::AutoStyle, true),
             Expect<TWkStatusBar>(L"WkStatusBar1", L"VisualStyle", &TWkCustomPanel::VisualStyle, vsGradient),
             Expect<TWkStatusBar>(L"WkStatusBar1", L"GradientColorStyle", &TWkCustomPanel::GradientColorStyle, gcsCustom),
             Expect<TWkStatusBar>(L"WkStatusBar1", L"BorderOuter", &TWkCustomPanel::BorderOuter, fsNone),
             Expect<TWkGlyphStatus>(L"WkGlyphStatus1", L"Caption", &TControl::Caption,
                                    L"准备 - 鼠标双击列表中游戏或鼠标右键菜单开始游戏......"),
             Expect<TWkGlyphStatus>(L"WkGlyphStatus1", L"Images", &TWkCustomGlyphStatus::Images, L"ImageList1"),
             Expect<TWkGlyphStatus>(L"WkGlyphStatus1", L"ImageIndex", &TWkCustomGlyphStatus::ImageIndex, 2),
             Expect<TWkGlyphStatus>(L"WkGlyphStatus1", L"Align", &TControl::Align, ui::alClient),
             // The splitter between tree and player.
             Expect<TWkSplitter>(L"WkSplitter1", L"Position", &TWkSplitter::Position, 236),
             Expect<TWkSplitter>(L"WkSplitter1", L"Percent", &TWkSplitter::Percent, 33),
             Expect<TWkSplitter>(L"WkSplitter1", L"SplitterWidth", &TWkSplitter::SplitterWidth, 7),
             Expect<TWkSplitter>(L"WkSplitter1", L"HotSpotVisible", &TWkSplitter::HotSpotVisible, true),
             Expect<TWkSplitter>(L"WkSplitter1", L"BorderWidth", &ui::TWinControl::BorderWidth, 4),
             Expect<TWkSplitter>(L"WkSplitter1", L"Color", &TControl::Color, ui::clWhite),
             // The bar runs down the splitter inside its border band, however high the form's
             // client area comes out under the system's window metrics.
             Expect<TWkSplitter>(L"WkSplitter1", L"BarSize (bottom as inset)", [](TWkSplitter& s) {
                 const Rect bar = s.BarSize();
                 return Rect(bar.left, bar.top, bar.right, s.Height() - bar.bottom);
             }, Rect(240, 4, 247, 4)),
             Expect<TWkSplitter>(L"WkSplitter1", L"UpperLeft.BorderInner", [](TWkSplitter& s) { return s.UpperLeft().BorderInner(); }, fsFlat),
             Expect<TWkSplitter>(L"WkSplitter1", L"UpperLeft.FlatColor", [](TWkSplitter& s) { return s.UpperLeft().FlatColor(); }, 9718842),
             Expect<TWkSplitter>(L"WkSplitter1", L"LowerRight.BorderInner", [](TWkSplitter& s) { return s.LowerRight().BorderInner(); }, fsFlat),
             Expect<TWkSplitter>(L"WkSplitter1", L"LowerRight.FlatColor", [](TWkSplitter& s) { return s.LowerRight().FlatColor(); }, 9718842),
             Expect<TWkSplitter>(L"WkSplitter1", L"UpperLeftControls", [](TWkSplitter& s) { return s.UpperLeftPane()->Controls().at(0); }, L"WkTreeView1"),
             Expect<TWkSplitter>(L"WkSplitter1", L"LowerRightControls", [](TWkSplitter& s) { return s.LowerRightPane()->Controls().at(0); }, L"ShockwaveFlash1"),
             Expect<TWkSplitter>(L"WkSplitter1", L"OnChange", Fires(&TWkSplitter::OnChange), L"WkSplitter1Change"),
             // The game tree.
             Expect<TWkTreeView>(L"WkTreeView1", L"Images", &TWkTreeView::Images, L"ImageList1"),
             Expect<TWkTreeView>(L"WkTreeView1", L"Indent", &TWkTreeView::Indent, 19),
             Expect<TWkTreeView>(L"WkTreeView1", L"ReadOnly", &TWkTreeView::ReadOnly, true),
             Expect<TWkTreeView>(L"WkTreeView1", L"FrameStyle", &TWkFramedControl::FrameStyle, fsNone),
             Expect<TWkTreeView>(L"WkTreeView1", L"FrameVisible", &TWkFramedControl::FrameVisible, true),
             Expect<TWkTreeView>(L"WkTreeView1", L"Color", &TControl::Color, ui::clWindow),
             Expect<TWkTreeView>(L"WkTreeView1", L"SelectionPen.Color", [](TWkTreeView& t) { return t.SelectionPen().Color; }, ui::clBtnShadow),
             Expect<TWkTreeView>(L"WkTreeView1", L"OnMouseDown", Fires(&TControl::OnMouseDown), L"WkTreeView1MouseDown"),
             Expect<TWkTreeView>(L"WkTreeView1", L"OnDblClick", Fires(&TControl::OnDblClick), L"WkTreeView1DblClick"),
             // The player's starting state.
             Expect<flash::TShockwaveFlash>(L"ShockwaveFlash1", L"ScaleMode", &flash::TShockwaveFlash::ScaleMode, flash::smShowAll),
             Expect<flash::TShockwaveFlash>(L"ShockwaveFlash1", L"Quality", &flash::TShockwaveFlash::Quality, L"High"),
             Expect<flash::TShockwaveFlash>(L"ShockwaveFlash1", L"WMode", &flash::TShockwaveFlash::WMode, L"Window"),
             Expect<flash::TShockwaveFlash>(L"ShockwaveFlash1", L"Align", &TControl::Align, ui::alClient),
             // Image lists and the tree's menu.
             Expect<ui::TImageList>(L"ImageList1", L"Width", &ui::TImageList::Width, 16),
             Expect<ui::TImageList>(L"ImageList1", L"Bitmap (images)", &ui::TImageList::Count, 5),
             Expect<ui::TImageList>(L"ImageList1", L"Masked", &ui::TImageList::Masked, true),
             Expect<ui::TImageList>(L"ImageList2", L"Width", &ui::TImageList::Width, 26),
             Expect<ui::TImageList>(L"ImageList2", L"Bitmap (images)", &ui::TImageList::Count, 1),
             Expect<ui::TPopupMenu>(L"PopupMenu1", L"AutoHotkeys", &ui::TPopupMenu::AutoHotkeys, ui::maManual),
             Expect<ui::TMenuItem>(L"M_Play", L"Caption", &ui::TMenuItem::Caption, L"开始游戏"),
             Expect<ui::TMenuItem>(L"M_Play", L"OnClick", Fires(&ui::TMenuItem::OnClick), L"WkTreeView1DblClick"),
             Expect<ui::TMenuItem>(L"N2", L"IsSeparator", &ui::TMenuItem::IsSeparator, true),
             Expect<ui::TMenuItem>(L"M_Doc", L"Caption", &ui::TMenuItem::Caption, L"游戏说明"),
             Expect<ui::TMenuItem>(L"M_Doc", L"OnClick", Fires(&ui::TMenuItem::OnClick), L"M_DocClick"),
         }},
        {L"TFRMDOC",
         {
             Expect<F>(nullptr, L"Caption", &TControl::Caption, L"游戏说明"),
             Expect<F>(nullptr, L"BorderStyle", &F::BorderStyle, ui::bsDialog),
             Expect<F>(nullptr, L"Position", &F::Position, ui::poScreenCenter),
             Expect<F>(nullptr, L"BorderWidth", &ui::TWinControl::BorderWidth, 6),
             // The memo: white in every state but disabled; the focus colour followed Color.
             Expect<TWkMemo>(L"WkMemo1", L"Align", &TControl::Align, ui::alClient),
             Expect<TWkMemo>(L"WkMemo1", L"ReadOnly", &TWkMemo::ReadOnly, true),
             Expect<TWkMemo>(L"WkMemo1", L"Color", &TControl::Color, ui::clWhite),
             Expect<TWkMemo>(L"WkMemo1", L"ReadOnlyColor", &TWkMemo::ReadOnlyColor, ui::clWhite),
             Expect<TWkMemo>(L"WkMemo1", L"FocusColor", &TWkFramedControl::FocusColor, ui::clWhite),
             Expect<TWkMemo>(L"WkMemo1", L"ScrollBars", &TWkMemo::ScrollBars, ssVertical),
             Expect<TWkMemo>(L"WkMemo1", L"FrameVisible", &TWkFramedControl::FrameVisible, true),
             Expect<TWkMemo>(L"WkMemo1", L"FrameColor", &TWkFramedControl::FrameColor, 12083273),
             Expect<TWkPanel>(L"WkPanel1", L"Align", &TControl::Align, ui::alBottom),
             Expect<TWkPanel>(L"WkPanel1", L"Height", &TControl::Height, 34),
             Expect<TWkPanel>(L"WkPanel1", L"BorderOuter", &TWkCustomPanel::BorderOuter, fsNone),
             Expect<TWkButton>(L"WkButton1", L"Caption", &TControl::Caption, L"确定(&O)"),
             Expect<TWkButton>(L"WkButton1", L"Default", &TWkButton::Default, true),
             Expect<TWkButton>(L"WkButton1", L"ModalResult", &TWkButton::ModalResult, 1),
             Expect<TWkButton>(L"WkButton1", L"HotTrack", &TWkButton::HotTrack, true),
             Expect<TWkButton>(L"WkButton1", L"Bounds", &TControl::BoundsRect, Rect::FromXYWH(246, 9, 75, 23)),
         }},
        {L"TFRMHELP",
         {
             Expect<F>(nullptr, L"Caption", &TControl::Caption, L"帮助"),
             Expect<F>(nullptr, L"BorderStyle", &F::BorderStyle, ui::bsDialog),
             // Not centred: it opens where the layout puts it.
             Expect<F>(nullptr, L"Position", &F::Position, ui::poDesigned),
             Expect<F>(nullptr, L"Left", &TControl::Left, 276),
             Expect<F>(nullptr, L"Top", &TControl::Top, 222),
             Expect<F>(nullptr, L"Font.Name", [](TControl& c) { return c.Font().Name; }, L"宋体"),
             Expect<F>(nullptr, L"Font.Height", [](TControl& c) { return c.Font().Height; }, -12),
             // The white panel with a one-pixel status ring; its picture sits at (24, 24).
             Expect<TWkPanel>(L"WkPanel1", L"BorderOuter", &TWkCustomPanel::BorderOuter, fsStatus),
             Expect<TWkPanel>(L"WkPanel1", L"Color", &TControl::Color, ui::clWhite),
             Expect<TWkPanel>(L"WkPanel1", L"Align", &TControl::Align, ui::alTop),
             Expect<TWkPanel>(L"WkPanel1", L"Height", &TControl::Height, 277),
             Expect<TImage>(L"Image1", L"Bounds", &TControl::BoundsRect, Rect::FromXYWH(24, 24, 214, 108)),
             Expect<TImage>(L"Image1", L"AutoSize", &TImage::AutoSize, true),
             Expect<ui::TLabel>(L"Label2", L"Caption", &TControl::Caption, L"● 如何玩游戏："),
             Expect<ui::TLabel>(L"Label2", L"Font.Name", [](TControl& c) { return c.Font().Name; }, L"宋体"),
             Expect<ui::TLabel>(L"Label6", L"Caption", &TControl::Caption,
                                L"把自己喜欢的flash游戏（后缀是.swf）保存到软件安装路径下的FlashFiles目录中。"),
             Expect<TWkButton>(L"WkButton1", L"Default", &TWkButton::Default, true),
             Expect<TWkButton>(L"WkButton1", L"ModalResult", &TWkButton::ModalResult, 1),
             Expect<TWkButton>(L"WkButton1", L"Bounds", &TControl::BoundsRect, Rect::FromXYWH(390, 289, 75, 23)),
         }},
    };
    return cases;
}

// ---- The walk over the file --------------------------------------------------------------

// Whether `component` sits in `enclosing` as the layout nests it: a control somewhere inside
// it (the splitter's children land in its panes), a menu item in its menu or item.
bool SitsIn(TComponent& component, TComponent& enclosing) {
    if (auto* control = dynamic_cast<TControl*>(&component)) {
        for (TControl* p = control->Parent(); p; p = p->Parent())
            if (p == &enclosing) return true;
        return false;
    }
    if (auto* item = dynamic_cast<ui::TMenuItem*>(&component)) {
        if (auto* menu = dynamic_cast<ui::TPopupMenu*>(&enclosing)) return item->Parent() == &menu->Items();
        return item->Parent() == &enclosing;
    }
    return true; // a non-visual component is placed nowhere
}

// Checks every object below `obj` and its properties; returns how many objects there were.
int CheckObjects(const ui::TLayoutObject& obj, TComponent& enclosing, ui::TForm& form, const ui::TClassRegistry& registry) {
    int count = 0;
    for (const ui::TLayoutObject& child : obj.Children) {
        SCOPED_TRACE(ui::ToUtf8(child.Name) + " (line " + std::to_string(child.Line) + ")");
        ++count;
        TComponent* c = form.FindComponent(child.Name);
        if (!c) {
            ADD_FAILURE() << "not created";
            continue;
        }
        EXPECT_EQ(c->ClassName(), child.ClassName);
        EXPECT_TRUE(SitsIn(*c, enclosing)) << "not inside " << ui::ToUtf8(obj.Name);
        for (const ui::TLayoutProperty& prop : child.Properties)
            EXPECT_NE(registry.FindProperty(*c, prop.Name), nullptr) << ui::ToUtf8(prop.Name) << " has no setter";
        count += CheckObjects(child, *c, form, registry);
    }
    return count;
}

TEST(WindowLayouts, EveryObjectIsBuiltAndTheSettingsThatMatterHold) {
    const ui::TClassRegistry registry = ProgramRegistry();
    for (const TLayoutCase& layout : LayoutCases()) {
        SCOPED_TRACE(ui::ToUtf8(layout.Resource));
        const ui::TLayoutObject tree = ui::ParseLayout(layout.Resource, ui::RcDataResource(layout.Resource));
        std::unique_ptr<TLayoutHost> form(ui::NewForm<TLayoutHost>(nullptr));
        ASSERT_NO_THROW(ui::LoadLayout(*form, layout.Resource, registry));

        for (const ui::TLayoutProperty& prop : tree.Properties)
            EXPECT_NE(registry.FindProperty(*form, prop.Name), nullptr) << ui::ToUtf8(prop.Name) << " has no setter";
        const int objects = CheckObjects(tree, *form, *form, registry);
        EXPECT_EQ(form->ComponentCount(), objects) << "the form owns components the layout does not name";

        for (const TExpectation& e : layout.Expectations) {
            const std::string where = ui::ToUtf8(e.Object ? e.Object : L"(form)") + "." + ui::ToUtf8(e.Property);
            TComponent* c = e.Object ? form->FindComponent(e.Object) : form.get();
            if (!c) {
                ADD_FAILURE() << where << ": no such component";
                continue;
            }
            const std::optional<std::wstring> actual = e.Read(*c);
            if (!actual) {
                ADD_FAILURE() << where << ": of class " << ui::ToUtf8(c->ClassName());
                continue;
            }
            EXPECT_EQ(ui::ToUtf8(*actual), ui::ToUtf8(e.Expected)) << where;
        }
    }
}

} // namespace
