#include "ui/Label.h"
#include "ui/Layout.h"

namespace ui {

TLabel::TLabel(TComponent* owner) : TGraphicControl(owner) {
    SetBounds(Left(), Top(), 65, 17);
}

void TLabel::SetAutoSize(bool value) {
    if (value == FAutoSize) return;
    FAutoSize = value;
    AdjustSize();
}

void TLabel::SetWordWrap(bool value) {
    if (value == FWordWrap) return;
    FWordWrap = value;
    AdjustSize();
    Invalidate();
}

void TLabel::SetTransparent(bool value) {
    if (value == FTransparent) return;
    FTransparent = value;
    Invalidate();
}

void TLabel::SetAlignment(TAlignment value) {
    if (value == FAlignment) return;
    FAlignment = value;
    Invalidate();
}

void TLabel::SetLayout(TTextLayout value) {
    if (value == FLayout) return;
    FLayout = value;
    Invalidate();
}

void TLabel::SetShowAccelChar(bool value) {
    if (value == FShowAccelChar) return;
    FShowAccelChar = value;
    AdjustSize();
    Invalidate();
}

void TLabel::Loaded() {
    TGraphicControl::Loaded();
    AdjustSize();
}

void TLabel::TextChanged() {
    AdjustSize();
    TGraphicControl::TextChanged();
}

void TLabel::FontChanged() {
    AdjustSize();
    TGraphicControl::FontChanged();
}

UINT TLabel::DrawTextFlags() const {
    UINT flags = DT_EXPANDTABS;
    if (FWordWrap) flags |= DT_WORDBREAK;
    if (!FShowAccelChar) flags |= DT_NOPREFIX;
    if (FAlignment == taRightJustify) flags |= DT_RIGHT;
    else if (FAlignment == taCenter) flags |= DT_CENTER;
    return flags;
}

Size TLabel::TextSize() const {
    // Measured on a memory DC (screen-compatible) in the label's font; an empty caption still
    // has the height of one line.
    MemoryDcOwner dc(CreateCompatibleDC(nullptr));
    TCanvas canvas(dc);
    canvas.SetFont(Font());
    std::wstring text = Caption();
    if (text.empty()) text = L" ";
    Rect r{0, 0, FWordWrap ? std::max(Width(), 1) : 0, 0};
    canvas.DrawText(text, r, DrawTextFlags() | DT_CALCRECT);
    return {r.Width(), r.Height()};
}

void TLabel::AdjustSize() {
    if (!FAutoSize || IsLoading()) return;
    Size s = TextSize();
    int left = Left();
    if (!FWordWrap) {
        if (FAlignment == taRightJustify) left = Left() + Width() - s.cx;
        else if (FAlignment == taCenter) left = Left() + (Width() - s.cx) / 2;
    } else {
        s.cx = Width();
    }
    SetBounds(left, Top(), s.cx, s.cy);
}

void TLabel::Paint(TCanvas& canvas, const Rect& update) {
    Rect client = ClientRect();
    if (!FTransparent) {
        canvas.SetBrush(Color());
        canvas.FillRect(client);
    }
    Rect text = client;
    if (FLayout != tlTop) {
        Rect measure{0, 0, client.Width(), 0};
        canvas.SetFont(Font());
        canvas.DrawText(Caption(), measure, DrawTextFlags() | DT_CALCRECT);
        int dy = client.Height() - measure.Height();
        text.Offset(0, FLayout == tlCenter ? dy / 2 : dy);
    }
    canvas.SetTextBackgroundTransparent(true);
    TFont font = Font();
    if (Enabled()) {
        canvas.SetFont(font);
        canvas.DrawText(Caption(), text, DrawTextFlags());
        return;
    }
    // Engraved: a highlight copy one pixel down and right, the shadow copy on top.
    font.Color = clBtnHighlight;
    canvas.SetFont(font);
    Rect lower = text.Offsetted(1, 1);
    canvas.DrawText(Caption(), lower, DrawTextFlags());
    font.Color = clBtnShadow;
    canvas.SetFont(font);
    canvas.DrawText(Caption(), text, DrawTextFlags());
}

// Label.h declares the enumeration; its names live with the one registration that reads them.
static constexpr TEnumName<TTextLayout> kTextLayoutNames[] = {{L"tlTop", tlTop}, {L"tlCenter", tlCenter}, {L"tlBottom", tlBottom}};
static constexpr const auto& EnumNames(TTextLayout) { return kTextLayoutNames; }

void RegisterLabelClasses(TClassRegistry& registry) {
    RegisterControlClass<TLabel, TControl>(registry, L"TLabel");
    registry.Property(L"AutoSize", &TLabel::SetAutoSize);
    registry.Property(L"WordWrap", &TLabel::SetWordWrap);
    registry.Property(L"Transparent", &TLabel::SetTransparent);
    registry.Property(L"ShowAccelChar", &TLabel::SetShowAccelChar);
    registry.Property(L"Alignment", &TLabel::SetAlignment);
    registry.Property(L"Layout", &TLabel::SetLayout);
}

} // namespace ui
