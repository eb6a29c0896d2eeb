// The framework's layout registrations: the stored properties every control and form has,
// their events, and the framework's own classes.
#include "ui/Form.h"
#include "ui/Image.h"
#include "ui/ImageList.h"
#include "ui/Label.h"
#include "ui/Layout.h"
#include "ui/Menu.h"

namespace ui {

// Names of the enumerations Form.h and Canvas.h declare, found by the registry like those
// declared beside their enumeration.
static constexpr TEnumName<TFontStyle> kFontStyleNames[] = {
    {L"fsBold", fsBold}, {L"fsItalic", fsItalic}, {L"fsUnderline", fsUnderline}, {L"fsStrikeOut", fsStrikeOut},
};
static constexpr const auto& EnumNames(TFontStyle) { return kFontStyleNames; }
static constexpr TEnumName<TPosition> kPositionNames[] = {
    {L"poDesigned", poDesigned}, {L"poDefault", poDefault}, {L"poDefaultPosOnly", poDefaultPosOnly},
    {L"poDefaultSizeOnly", poDefaultSizeOnly}, {L"poScreenCenter", poScreenCenter},
    {L"poDesktopCenter", poDesktopCenter}, {L"poMainFormCenter", poMainFormCenter},
    {L"poOwnerFormCenter", poOwnerFormCenter},
};
static constexpr const auto& EnumNames(TPosition) { return kPositionNames; }
static constexpr TEnumName<TFormBorderStyle> kBorderStyleNames[] = {
    {L"bsNone", bsNone}, {L"bsSingle", bsSingle}, {L"bsSizeable", bsSizeable},
    {L"bsDialog", bsDialog}, {L"bsToolWindow", bsToolWindow}, {L"bsSizeToolWin", bsSizeToolWin},
};
static constexpr const auto& EnumNames(TFormBorderStyle) { return kBorderStyleNames; }
static constexpr TEnumName<TBorderIcon> kBorderIconNames[] = {
    {L"biSystemMenu", biSystemMenu}, {L"biMinimize", biMinimize}, {L"biMaximize", biMaximize}, {L"biHelp", biHelp},
};
static constexpr const auto& EnumNames(TBorderIcon) { return kBorderIconNames; }
static constexpr TEnumName<TWindowState> kWindowStateNames[] = {
    {L"wsNormal", wsNormal}, {L"wsMinimized", wsMinimized}, {L"wsMaximized", wsMaximized},
};
static constexpr const auto& EnumNames(TWindowState) { return kWindowStateNames; }

namespace {

using V = const TLayoutValue&;
using C = TLayoutContext&;

// Charsets and cursors are plain numbers with names for the common ones; a layout may store
// either.
const TLayoutNames<int> kCharsetNames = {
    {L"ANSI_CHARSET", ANSI_CHARSET}, {L"DEFAULT_CHARSET", DEFAULT_CHARSET}, {L"SYMBOL_CHARSET", SYMBOL_CHARSET},
    {L"GB2312_CHARSET", GB2312_CHARSET}, {L"CHINESEBIG5_CHARSET", CHINESEBIG5_CHARSET},
    {L"SHIFTJIS_CHARSET", SHIFTJIS_CHARSET}, {L"OEM_CHARSET", OEM_CHARSET},
};
const TLayoutNames<TCursor> kCursorNames = {
    {L"crDefault", crDefault}, {L"crNone", crNone}, {L"crArrow", crArrow}, {L"crCross", crCross},
    {L"crIBeam", crIBeam}, {L"crSizeNESW", crSizeNESW}, {L"crSizeNS", crSizeNS}, {L"crSizeNWSE", crSizeNWSE},
    {L"crSizeWE", crSizeWE}, {L"crUpArrow", crUpArrow}, {L"crHourGlass", crHourGlass}, {L"crNo", crNo},
    {L"crAppStart", crAppStart}, {L"crHelp", crHelp}, {L"crHandPoint", crHandPoint}, {L"crSizeAll", crSizeAll},
};
constexpr IntRange kSize{0, 32767};

// Font.* and Constraints.* change one field of a value the control holds as a whole.
template <typename F>
void EditFont(TControl& c, F edit) {
    TFont font = c.Font();
    edit(font);
    c.SetFont(font);
}
template <typename F>
void EditConstraints(TControl& c, F edit) {
    TSizeConstraints k = c.Constraints();
    edit(k);
    c.SetConstraints(k);
}

void RegisterControlProperties(TClassRegistry& r) {
    r.Declare<TControl, TComponent>();
    r.Property(L"Left", &TControl::SetLeft);
    r.Property(L"Top", &TControl::SetTop);
    r.Property(L"Width", &TControl::SetWidth, kSize);
    r.Property(L"Height", &TControl::SetHeight, kSize);
    r.Property(L"Align", &TControl::SetAlign);
    r.Property(L"Anchors", &TControl::SetAnchors, SetOf<TAnchorKind>);
    r.Property<TControl>(L"Constraints.MinWidth", [](TControl& c, V v, C ctx) {
        EditConstraints(c, [&](TSizeConstraints& k) { k.MinWidth = kSize(v, ctx); });
    });
    r.Property<TControl>(L"Constraints.MinHeight", [](TControl& c, V v, C ctx) {
        EditConstraints(c, [&](TSizeConstraints& k) { k.MinHeight = kSize(v, ctx); });
    });
    r.Property<TControl>(L"Constraints.MaxWidth", [](TControl& c, V v, C ctx) {
        EditConstraints(c, [&](TSizeConstraints& k) { k.MaxWidth = kSize(v, ctx); });
    });
    r.Property<TControl>(L"Constraints.MaxHeight", [](TControl& c, V v, C ctx) {
        EditConstraints(c, [&](TSizeConstraints& k) { k.MaxHeight = kSize(v, ctx); });
    });
    r.Property(L"Visible", &TControl::SetVisible);
    r.Property(L"Enabled", &TControl::SetEnabled);
    r.Property(L"Color", &TControl::SetColor);
    r.Property(L"ParentColor", &TControl::SetParentColor);
    r.Property(L"ParentFont", &TControl::SetParentFont);
    r.Property<TControl>(L"Font.Name", [](TControl& c, V v, C ctx) {
        EditFont(c, [&](TFont& f) { f.Name = ctx.String(v); });
    });
    r.Property<TControl>(L"Font.Height", [](TControl& c, V v, C ctx) {
        EditFont(c, [&](TFont& f) { f.Height = ctx.Int(v, -1000, 1000); });
    });
    r.Property<TControl>(L"Font.Size", [](TControl& c, V v, C ctx) {
        EditFont(c, [&](TFont& f) { f.SetSize(ctx.Int(v, 1, 750)); });
    });
    r.Property<TControl>(L"Font.Color", [](TControl& c, V v, C ctx) {
        EditFont(c, [&](TFont& f) { f.Color = ctx.Color(v); });
    });
    r.Property<TControl>(L"Font.Style", [](TControl& c, V v, C ctx) {
        EditFont(c, [&](TFont& f) { f.Style = ctx.Set<TFontStyle>(v); });
    });
    r.Property<TControl>(L"Font.Charset", [](TControl& c, V v, C ctx) {
        EditFont(c, [&](TFont& f) {
            f.Charset = static_cast<BYTE>(v.Kind == TLayoutValueKind::Integer ? ctx.Int(v, 0, 255) : ctx.Enum(v, kCharsetNames));
        });
    });
    // Font.Pitch only matters when the face is missing; the system's choice is good enough.
    r.Ignored<TControl>(L"Font.Pitch");
    r.Property(L"Caption", &TControl::SetCaption);
    r.Property(L"Hint", &TControl::SetHint);
    r.Property(L"ShowHint", &TControl::SetShowHint);
    r.Property(L"ParentShowHint", &TControl::SetParentShowHint);
    r.Property<TControl>(L"Cursor", [](TControl& c, V v, C ctx) {
        c.SetCursor(v.Kind == TLayoutValueKind::Integer ? ctx.Int(v) : ctx.Enum(v, kCursorNames));
    });
    r.Property(L"Tag", &TControl::Tag);
    // Values a designer stores for its own use (positions before anchoring, the design-time
    // parent size): the framework recomputes them.
    for (const wchar_t* name : {L"DesignSize", L"ExplicitLeft", L"ExplicitTop", L"ExplicitWidth", L"ExplicitHeight"})
        r.Ignored<TControl>(name);

    r.Property(L"OnClick", &TControl::OnClick);
    r.Property(L"OnDblClick", &TControl::OnDblClick);
    r.Property(L"OnMouseDown", &TControl::OnMouseDown);
    r.Property(L"OnMouseUp", &TControl::OnMouseUp);
    r.Property(L"OnMouseMove", &TControl::OnMouseMove);
    r.Property(L"OnMouseEnter", &TControl::OnMouseEnter);
    r.Property(L"OnMouseLeave", &TControl::OnMouseLeave);
    r.Property(L"OnResize", &TControl::OnResize);
}

void RegisterWinControlProperties(TClassRegistry& r) {
    r.Declare<TWinControl, TControl>();
    r.Property(L"TabOrder", &TWinControl::SetTabOrder, IntRange{-1, 32767});
    r.Property(L"TabStop", &TWinControl::SetTabStop);
    r.Property(L"BorderWidth", &TWinControl::SetBorderWidth, IntRange{0, 1000});
    r.Property(L"OnKeyDown", &TWinControl::OnKeyDown);
    r.Property(L"OnKeyUp", &TWinControl::OnKeyUp);
    r.Property(L"OnKeyPress", &TWinControl::OnKeyPress);
    r.Property(L"OnEnter", &TWinControl::OnEnter);
    r.Property(L"OnExit", &TWinControl::OnExit);
}

void RegisterFormProperties(TClassRegistry& r) {
    r.Declare<TForm, TWinControl>();
    r.Property(L"ClientWidth", &TForm::SetClientWidth, kSize);
    r.Property(L"ClientHeight", &TForm::SetClientHeight, kSize);
    r.Property(L"Position", &TForm::SetPosition);
    r.Property(L"BorderStyle", &TForm::SetBorderStyle);
    r.Property(L"BorderIcons", &TForm::SetBorderIcons, SetOf<TBorderIcon>);
    r.Property(L"WindowState", &TForm::SetWindowState);
    r.Property(L"OnCreate", &TForm::OnCreate);
    r.Property(L"OnActivate", &TForm::OnActivate);
    r.Property(L"OnDeactivate", &TForm::OnDeactivate);
    r.Property(L"OnShow", &TForm::OnShow);
    r.Property(L"OnHide", &TForm::OnHide);
    r.Property(L"OnClose", &TForm::OnClose);
    // Stored by designers for scaling and old streaming behaviour; layouts here are at 96 dpi
    // and forms are not rescaled.
    for (const wchar_t* name : {L"PixelsPerInch", L"TextHeight", L"OldCreateOrder", L"Scaled"})
        r.Ignored<TForm>(name);
}

} // namespace

void RegisterFrameworkClasses(TClassRegistry& registry) {
    RegisterControlProperties(registry);
    RegisterWinControlProperties(registry);
    RegisterFormProperties(registry);
    RegisterImageListClasses(registry);
    RegisterMenuClasses(registry);
    RegisterImageClasses(registry);
    RegisterLabelClasses(registry);
}

} // namespace ui
