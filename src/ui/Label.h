// TLabel: a windowless control showing a caption in its font. By default it sizes itself to
// its text and fills its rectangle with its colour (its parent's, by ParentColor); a disabled
// label draws its text engraved.
#pragma once
#include "ui/Control.h"

namespace ui {

class TClassRegistry;

enum TTextLayout { tlTop, tlCenter, tlBottom };

class TLabel : public TGraphicControl {
public:
    explicit TLabel(TComponent* owner = nullptr);
    std::wstring ClassName() const override { return L"TLabel"; }

    // AutoSize: the label takes its text's size (one line per line break; with WordWrap the
    // width stays and the height follows the wrapped text). A right-justified label keeps its
    // right edge, a centred one its centre.
    bool AutoSize() const { return FAutoSize; }
    void SetAutoSize(bool value);
    bool WordWrap() const { return FWordWrap; }
    void SetWordWrap(bool value);
    // Transparent: only the text is drawn; the parent shows through.
    bool Transparent() const { return FTransparent; }
    void SetTransparent(bool value);
    TAlignment Alignment() const { return FAlignment; }
    void SetAlignment(TAlignment value);
    TTextLayout Layout() const { return FLayout; }
    void SetLayout(TTextLayout value);
    // ShowAccelChar: "&O" shows an underlined O; otherwise '&' is shown as it is.
    bool ShowAccelChar() const { return FShowAccelChar; }
    void SetShowAccelChar(bool value);

    // The size the text needs in the label's font (the text's own width unless WordWrap).
    Size TextSize() const;
    void Loaded() override;

protected:
    void Paint(TCanvas& canvas, const Rect& update) override;
    void TextChanged() override;
    void FontChanged() override;

private:
    UINT DrawTextFlags() const;
    void AdjustSize();

    bool FAutoSize = true;
    bool FWordWrap = false;
    bool FTransparent = false;
    TAlignment FAlignment = taLeftJustify;
    TTextLayout FLayout = tlTop;
    bool FShowAccelChar = true;
};

void RegisterLabelClasses(TClassRegistry& registry);

} // namespace ui
