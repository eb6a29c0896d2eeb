// The framework's layout registrations: the stored properties every control and form has,
// their events, and the framework's own classes.
#include "ui/Form.h"
#include "ui/Image.h"
#include "ui/ImageList.h"
#include "ui/Label.h"
#include "ui/Layout.h"
#include "ui/Menu.h"

namespace ui {

namespace {

using V = const TLayoutValue&;
using C = TLayoutContext&;

const TLayoutNames<TAlign> kAlignNames = {
    {L"alNone", alNone}, {L"alTop", alTop}, {L"alBottom", alBottom},
    {L"alLeft", alLeft}, {L"alRight", alRight}, {L"alClient", alClient},
};
const TLayoutNames<TAnchorKind> kAnchorNames = {
    {L"akLeft", akLeft}, {L"akTop", akTop}, {L"akRight", akRight}, {L"akBottom", akBottom},
};
const TLayoutNames<TFontStyle> kFontStyleNames = {
    {L"fsBold", fsBold}, {L"fsItalic", fsItalic}, {L"fsUnderline", fsUnderline}, {L"fsStrikeOut", fsStrikeOut},
};
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
const TLayoutNames<TPosition> kPositionNames = {
    {L"poDesigned", poDesigned}, {L"poDefault", poDefault}, {L"poDefaultPosOnly", poDefaultPosOnly},
    {L"poDefaultSizeOnly", poDefaultSizeOnly}, {L"poScreenCenter", poScreenCenter},
    {L"poDesktopCenter", poDesktopCenter}, {L"poMainFormCenter", poMainFormCenter},
    {L"poOwnerFormCenter", poOwnerFormCenter},
};
const TLayoutNames<TFormBorderStyle> kBorderStyleNames = {
    {L"bsNone", bsNone}, {L"bsSingle", bsSingle}, {L"bsSizeable", bsSizeable},
    {L"bsDialog", bsDialog}, {L"bsToolWindow", bsToolWindow}, {L"bsSizeToolWin", bsSizeToolWin},
};
const TLayoutNames<TBorderIcon> kBorderIconNames = {
    {L"biSystemMenu", biSystemMenu}, {L"biMinimize", biMinimize}, {L"biMaximize", biMaximize}, {L"biHelp", biHelp},
};
const TLayoutNames<TWindowState> kWindowStateNames = {
    {L"wsNormal", wsNormal}, {L"wsMinimized", wsMinimized}, {L"wsMaximized", wsMaximized},
};

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
    r.Property<TControl>(L"Left", [](TControl& c, V v, C ctx) { c.SetLeft(ctx.Int(v)); });
    r.Property<TControl>(L"Top", [](TControl& c, V v, C ctx) { c.SetTop(ctx.Int(v)); });
    r.Property<TControl>(L"Width", [](TControl& c, V v, C ctx) { c.SetWidth(ctx.Int(v, 0, 32767)); });
    r.Property<TControl>(L"Height", [](TControl& c, V v, C ctx) { c.SetHeight(ctx.Int(v, 0, 32767)); });
    r.Property<TControl>(L"Align", [](TControl& c, V v, C ctx) { c.SetAlign(ctx.Enum(v, kAlignNames)); });
    r.Property<TControl>(L"Anchors", [](TControl& c, V v, C ctx) { c.SetAnchors(ctx.Set(v, kAnchorNames)); });
    r.Property<TControl>(L"Constraints.MinWidth", [](TControl& c, V v, C ctx) {
        EditConstraints(c, [&](TSizeConstraints& k) { k.MinWidth = ctx.Int(v, 0, 32767); });
    });
    r.Property<TControl>(L"Constraints.MinHeight", [](TControl& c, V v, C ctx) {
        EditConstraints(c, [&](TSizeConstraints& k) { k.MinHeight = ctx.Int(v, 0, 32767); });
    });
    r.Property<TControl>(L"Constraints.MaxWidth", [](TControl& c, V v, C ctx) {
        EditConstraints(c, [&](TSizeConstraints& k) { k.MaxWidth = ctx.Int(v, 0, 32767); });
    });
    r.Property<TControl>(L"Constraints.MaxHeight", [](TControl& c, V v, C ctx) {
        EditConstraints(c, [&](TSizeConstraints& k) { k.MaxHeight = ctx.Int(v, 0, 32767); });
    });
    r.Property<TControl>(L"Visible", [](TControl& c, V v, C ctx) { c.SetVisible(ctx.Bool(v)); });
    r.Property<TControl>(L"Enabled", [](TControl& c, V v, C ctx) { c.SetEnabled(ctx.Bool(v)); });
    r.Property<TControl>(L"Color", [](TControl& c, V v, C ctx) { c.SetColor(ctx.Color(v)); });
    r.Property<TControl>(L"ParentColor", [](TControl& c, V v, C ctx) { c.SetParentColor(ctx.Bool(v)); });
    r.Property<TControl>(L"ParentFont", [](TControl& c, V v, C ctx) { c.SetParentFont(ctx.Bool(v)); });
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
        EditFont(c, [&](TFont& f) { f.Style = ctx.Set(v, kFontStyleNames); });
    });
    r.Property<TControl>(L"Font.Charset", [](TControl& c, V v, C ctx) {
        EditFont(c, [&](TFont& f) {
            f.Charset = static_cast<BYTE>(v.Kind == TLayoutValueKind::Integer ? ctx.Int(v, 0, 255) : ctx.Enum(v, kCharsetNames));
        });
    });
    // Font.Pitch only matters when the face is missing; the system's choice is good enough.
    r.Ignored<TControl>(L"Font.Pitch");
    r.Property<TControl>(L"Caption", [](TControl& c, V v, C ctx) { c.SetCaption(ctx.String(v)); });
    r.Property<TControl>(L"Hint", [](TControl& c, V v, C ctx) { c.SetHint(ctx.String(v)); });
    r.Property<TControl>(L"ShowHint", [](TControl& c, V v, C ctx) { c.SetShowHint(ctx.Bool(v)); });
    r.Property<TControl>(L"ParentShowHint", [](TControl& c, V v, C ctx) { c.SetParentShowHint(ctx.Bool(v)); });
    r.Property<TControl>(L"Cursor", [](TControl& c, V v, C ctx) {
        c.SetCursor(v.Kind == TLayoutValueKind::Integer ? ctx.Int(v) : ctx.Enum(v, kCursorNames));
    });
    r.Property<TControl>(L"Tag", [](TControl& c, V v, C ctx) { c.Tag = ctx.Int(v); });
    // Values a designer stores for its own use (positions before anchoring, the design-time
    // parent size): the framework recomputes them.
    for (const wchar_t* name : {L"DesignSize", L"ExplicitLeft", L"ExplicitTop", L"ExplicitWidth", L"ExplicitHeight"})
        r.Ignored<TControl>(name);

    r.Property<TControl>(L"OnClick", [](TControl& c, V v, C ctx) { c.OnClick = LayoutNotifyHandler(v, ctx); });
    r.Property<TControl>(L"OnDblClick", [](TControl& c, V v, C ctx) { c.OnDblClick = LayoutNotifyHandler(v, ctx); });
    r.Property<TControl>(L"OnMouseDown", [](TControl& c, V v, C ctx) { c.OnMouseDown = LayoutMouseHandler(v, ctx); });
    r.Property<TControl>(L"OnMouseUp", [](TControl& c, V v, C ctx) { c.OnMouseUp = LayoutMouseHandler(v, ctx); });
    r.Property<TControl>(L"OnMouseMove", [](TControl& c, V v, C ctx) { c.OnMouseMove = LayoutMouseMoveHandler(v, ctx); });
    r.Property<TControl>(L"OnMouseEnter", [](TControl& c, V v, C ctx) { c.OnMouseEnter = LayoutNotifyHandler(v, ctx); });
    r.Property<TControl>(L"OnMouseLeave", [](TControl& c, V v, C ctx) { c.OnMouseLeave = LayoutNotifyHandler(v, ctx); });
    r.Property<TControl>(L"OnResize", [](TControl& c, V v, C ctx) { c.OnResize = LayoutNotifyHandler(v, ctx); });
}

void RegisterWinControlProperties(TClassRegistry& r) {
    r.Property<TWinControl>(L"TabOrder", [](TWinControl& c, V v, C ctx) { c.SetTabOrder(ctx.Int(v, -1, 32767)); });
    r.Property<TWinControl>(L"TabStop", [](TWinControl& c, V v, C ctx) { c.SetTabStop(ctx.Bool(v)); });
    r.Property<TWinControl>(L"BorderWidth", [](TWinControl& c, V v, C ctx) { c.SetBorderWidth(ctx.Int(v, 0, 1000)); });
    r.Property<TWinControl>(L"OnKeyDown", [](TWinControl& c, V v, C ctx) { c.OnKeyDown = LayoutKeyHandler(v, ctx); });
    r.Property<TWinControl>(L"OnKeyUp", [](TWinControl& c, V v, C ctx) { c.OnKeyUp = LayoutKeyHandler(v, ctx); });
    r.Property<TWinControl>(L"OnKeyPress", [](TWinControl& c, V v, C ctx) { c.OnKeyPress = LayoutKeyPressHandler(v, ctx); });
    r.Property<TWinControl>(L"OnEnter", [](TWinControl& c, V v, C ctx) { c.OnEnter = LayoutNotifyHandler(v, ctx); });
    r.Property<TWinControl>(L"OnExit", [](TWinControl& c, V v, C ctx) { c.OnExit = LayoutNotifyHandler(v, ctx); });
}

void RegisterFormProperties(TClassRegistry& r) {
    r.Property<TForm>(L"ClientWidth", [](TForm& f, V v, C ctx) { f.SetClientWidth(ctx.Int(v, 0, 32767)); });
    r.Property<TForm>(L"ClientHeight", [](TForm& f, V v, C ctx) { f.SetClientHeight(ctx.Int(v, 0, 32767)); });
    r.Property<TForm>(L"Position", [](TForm& f, V v, C ctx) { f.SetPosition(ctx.Enum(v, kPositionNames)); });
    r.Property<TForm>(L"BorderStyle", [](TForm& f, V v, C ctx) { f.SetBorderStyle(ctx.Enum(v, kBorderStyleNames)); });
    r.Property<TForm>(L"BorderIcons", [](TForm& f, V v, C ctx) { f.SetBorderIcons(ctx.Set(v, kBorderIconNames)); });
    r.Property<TForm>(L"WindowState", [](TForm& f, V v, C ctx) { f.SetWindowState(ctx.Enum(v, kWindowStateNames)); });
    r.Property<TForm>(L"OnCreate", [](TForm& f, V v, C ctx) { f.OnCreate = LayoutNotifyHandler(v, ctx); });
    r.Property<TForm>(L"OnActivate", [](TForm& f, V v, C ctx) { f.OnActivate = LayoutNotifyHandler(v, ctx); });
    r.Property<TForm>(L"OnDeactivate", [](TForm& f, V v, C ctx) { f.OnDeactivate = LayoutNotifyHandler(v, ctx); });
    r.Property<TForm>(L"OnShow", [](TForm& f, V v, C ctx) { f.OnShow = LayoutNotifyHandler(v, ctx); });
    r.Property<TForm>(L"OnHide", [](TForm& f, V v, C ctx) { f.OnHide = LayoutNotifyHandler(v, ctx); });
    r.Property<TForm>(L"OnClose", [](TForm& f, V v, C ctx) { f.OnClose = LayoutCloseHandler(v, ctx); });
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
