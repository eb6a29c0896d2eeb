// TCanvas: drawing on a device context with a current pen, brush and font.
// The canvas borrows the DC; the GDI objects it creates for its pen, brush and font are its
// own and are deselected and deleted when the canvas dies or the attributes change.
#pragma once
#include "ui/Color.h"
#include "ui/Gdi.h"
#include "ui/Geometry.h"
#include <string>
#include <vector>

namespace ui {

enum TFontStyle : unsigned { fsBold = 1, fsItalic = 2, fsUnderline = 4, fsStrikeOut = 8 };
using TFontStyles = unsigned;

// A font description: what a control stores and hands to its canvas.
struct TFont {
    std::wstring Name = L"MS Sans Serif";
    int Height = -11;         // pixels; negative = character height (as LOGFONT)
    TFontStyles Style = 0;
    TColor Color = clWindowText;
    BYTE Charset = DEFAULT_CHARSET;

    // Point size at the screen's resolution (96 dpi in layouts): Size 9 = Height -12.
    int Size() const;
    void SetSize(int points);
    LOGFONTW ToLogFont() const;
    bool operator==(const TFont&) const = default;
};

enum class TPenStyle { Solid, Dash, Dot, DashDot, DashDotDot, Clear, InsideFrame };
enum class TBrushStyle { Solid, Clear };

class TCanvas {
public:
    explicit TCanvas(HDC dc);
    ~TCanvas();
    TCanvas(const TCanvas&) = delete;
    TCanvas& operator=(const TCanvas&) = delete;

    HDC Handle() const { return FDc; }

    // Current attributes; the GDI objects are made when something is next drawn.
    void SetPen(TColor color, int width = 1, TPenStyle style = TPenStyle::Solid);
    void SetPenMode(int rop2) { SetROP2(FDc, rop2); }
    void SetBrush(TColor color, TBrushStyle style = TBrushStyle::Solid);
    void SetBrushBitmap(HBITMAP pattern); // a pattern brush; nullptr returns to the solid colour
    void SetFont(const TFont& font);
    TColor PenColor() const { return FPenColor; }
    TColor BrushColor() const { return FBrushColor; }
    const TFont& Font() const { return FFont; }

    void FillRect(const Rect& r);                 // with the brush
    void FrameRect(const Rect& r);                // 1-pixel frame with the brush, as FrameRect
    void Rectangle(const Rect& r);                // pen outline, brush inside
    void MoveTo(int x, int y);
    void LineTo(int x, int y);                    // end point excluded, as GDI
    void Polyline(const std::vector<Point>& points);
    void Polygon(const std::vector<Point>& points);
    COLORREF Pixel(int x, int y) const { return GetPixel(FDc, x, y); }
    void SetPixelColor(int x, int y, TColor c) { SetPixelV(FDc, x, y, ColorToRGB(c)); }

    // Text with the font; transparent background unless the brush is solid and opaque is asked.
    void TextOut(int x, int y, const std::wstring& text);
    void TextRect(const Rect& r, int x, int y, const std::wstring& text); // clipped to r
    int DrawText(const std::wstring& text, Rect& r, UINT format);
    Size TextExtent(const std::wstring& text);
    int TextWidth(const std::wstring& text) { return TextExtent(text).cx; }
    int TextHeight(const std::wstring& text) { return TextExtent(text).cy; }
    void SetTextBackgroundTransparent(bool transparent) { SetBkMode(FDc, transparent ? TRANSPARENT : OPAQUE); }

    // Pushes the current attributes into the DC; raw GDI calls on Handle() use them after this.
    void Realize() { RealizePen(); RealizeBrush(); RealizeFont(); }

private:
    void RealizePen();
    void RealizeBrush();
    void RealizeFont();

    HDC FDc;
    int FSavedState = 0;
    TColor FPenColor = clBlack;
    int FPenWidth = 1;
    TPenStyle FPenStyle = TPenStyle::Solid;
    TColor FBrushColor = clWhite;
    TBrushStyle FBrushStyle = TBrushStyle::Solid;
    HBITMAP FBrushPattern = nullptr;
    TFont FFont;
    PenOwner FPen;
    BrushOwner FBrush;
    FontOwner FFontHandle;
    bool FPenDirty = true, FBrushDirty = true, FFontDirty = true;
};

} // namespace ui
