#include "ui/Label.h"
#include <gtest/gtest.h>

using namespace ui;

namespace {

Size MeasureText(const TFont& font, const std::wstring& text) {
    MemoryDcOwner dc(CreateCompatibleDC(nullptr));
    LOGFONTW lf = font.ToLogFont();
    FontOwner handle(CreateFontIndirectW(&lf));
    SelectGuard select(dc, handle);
    SIZE s{};
    GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &s);
    return {s.cx, s.cy};
}

int CountPixels(const DibSurface& dib, COLORREF c) {
    int n = 0;
    for (int y = 0; y < dib.Height(); ++y)
        for (int x = 0; x < dib.Width(); ++x) n += dib.Pixel(x, y) == c;
    return n;
}

} // namespace

TEST(Label, AutoSizeFollowsTextAndFontKeepingTheAlignedEdge) {
    TLabel label;
    label.SetBounds(100, 10, 5, 5);
    label.SetCaption(L"Hello");
    EXPECT_EQ(label.BoundsRect().GetSize(), MeasureText(label.Font(), L"Hello"));
    EXPECT_EQ(label.Left(), 100);

    TFont big = label.Font();
    big.Height = -24;
    label.SetFont(big);
    EXPECT_EQ(label.BoundsRect().GetSize(), MeasureText(big, L"Hello"));

    // "&" marks the accelerator and takes no room unless ShowAccelChar is off.
    label.SetCaption(L"&Hello");
    EXPECT_EQ(label.Width(), MeasureText(big, L"Hello").cx);
    label.SetShowAccelChar(false);
    EXPECT_EQ(label.Width(), MeasureText(big, L"&Hello").cx);

    label.SetAlignment(taRightJustify);
    const int right = label.BoundsRect().right;
    label.SetCaption(L"Hi");
    EXPECT_EQ(label.BoundsRect().right, right);
    EXPECT_EQ(label.Width(), MeasureText(big, L"Hi").cx);

    // WordWrap keeps the width and grows the height to the wrapped lines.
    label.SetAlignment(taLeftJustify);
    const int wrapWidth = MeasureText(big, L"wide words w").cx; // no room for another word
    label.SetWidth(wrapWidth);
    label.SetWordWrap(true);
    label.SetCaption(L"wide words wide words wide");
    EXPECT_EQ(label.Width(), wrapWidth);
    EXPECT_EQ(label.Height(), 3 * MeasureText(big, L"w").cy);

    label.SetAutoSize(false);
    label.SetCaption(L"A much longer caption");
    EXPECT_EQ(label.Width(), wrapWidth);
}

TEST(Label, FillsWithItsColourUnlessTransparentAndEngravesWhenDisabled) {
    TLabel label;
    label.SetCaption(L"WWWW");
    TFont font = label.Font();
    font.Color = RGB(0, 0, 0);
    font.Height = -20;
    label.SetFont(font);
    label.SetColor(RGB(10, 20, 30));
    const COLORREF back = RGB(0, 200, 0);
    DibSurface dib(label.Width() + 2, label.Height() + 2);
    const long handles = GdiLiveHandleCount();

    dib.Fill(back);
    label.PaintTo(dib.Dc(), label.ClientRect());
    EXPECT_EQ(dib.Pixel(0, 0), RGB(10, 20, 30));
    EXPECT_GT(CountPixels(dib, RGB(0, 0, 0)), 10);

    label.SetTransparent(true);
    dib.Fill(back);
    label.PaintTo(dib.Dc(), label.ClientRect());
    EXPECT_EQ(dib.Pixel(0, 0), back);
    EXPECT_EQ(CountPixels(dib, RGB(10, 20, 30)), 0);

    label.SetEnabled(false);
    dib.Fill(back);
    label.PaintTo(dib.Dc(), label.ClientRect());
    EXPECT_EQ(CountPixels(dib, RGB(0, 0, 0)), 0);
    EXPECT_GT(CountPixels(dib, ColorToRGB(clBtnShadow)), 10);
    EXPECT_GT(CountPixels(dib, ColorToRGB(clBtnHighlight)), 5);
    EXPECT_EQ(GdiLiveHandleCount(), handles);
}
