#include "ui/Canvas.h"
#include <cmath>

namespace ui {

namespace {
constexpr int kLayoutDpi = 96;

int PenStyleToGdi(TPenStyle s) {
    switch (s) {
    case TPenStyle::Dash: return PS_DASH;
    case TPenStyle::Dot: return PS_DOT;
    case TPenStyle::DashDot: return PS_DASHDOT;
    case TPenStyle::DashDotDot: return PS_DASHDOTDOT;
    case TPenStyle::Clear: return PS_NULL;
    case TPenStyle::InsideFrame: return PS_INSIDEFRAME;
    default: return PS_SOLID;
    }
}
} // namespace

int TFont::Size() const {
    // Rounded as MulDiv does, so Height -12 reads back as 9 points.
    return MulDiv(-Height, 72, kLayoutDpi);
}

void TFont::SetSize(int points) { Height = -MulDiv(points, kLayoutDpi, 72); }

LOGFONTW TFont::ToLogFont() const {
    LOGFONTW lf{};
    lf.lfHeight = Height;
    lf.lfWeight = (Style & fsBold) ? FW_BOLD : FW_NORMAL;
    lf.lfItalic = (Style & fsItalic) ? TRUE : FALSE;
    lf.lfUnderline = (Style & fsUnderline) ? TRUE : FALSE;
    lf.lfStrikeOut = (Style & fsStrikeOut) ? TRUE : FALSE;
    lf.lfCharSet = Charset;
    lf.lfOutPrecision = OUT_DEFAULT_PRECIS;
    lf.lfClipPrecision = CLIP_DEFAULT_PRECIS;
    lf.lfQuality = DEFAULT_QUALITY;
    lf.lfPitchAndFamily = DEFAULT_PITCH;
    lstrcpynW(lf.lfFaceName, Name.c_str(), LF_FACESIZE);
    return lf;
}

TCanvas::TCanvas(HDC dc) : FDc(dc), FSavedState(SaveDC(dc)) {}

TCanvas::~TCanvas() {
    // Put the DC back as it came before our pen, brush and font owners delete their objects.
    if (FSavedState) RestoreDC(FDc, FSavedState);
}

void TCanvas::SetPen(TColor color, int width, TPenStyle style) {
    if (color == FPenColor && width == FPenWidth && style == FPenStyle && FPen) return;
    FPenColor = color;
    FPenWidth = width;
    FPenStyle = style;
    FPenDirty = true;
}

void TCanvas::SetBrush(TColor color, TBrushStyle style) {
    if (color == FBrushColor && style == FBrushStyle && !FBrushPattern && FBrush) return;
    FBrushColor = color;
    FBrushStyle = style;
    FBrushPattern = nullptr;
    FBrushDirty = true;
}

void TCanvas::SetBrushBitmap(HBITMAP pattern) {
    FBrushPattern = pattern;
    FBrushDirty = true;
}

void TCanvas::SetFont(const TFont& font) {
    if (font == FFont && FFontHandle) return;
    FFont = font;
    FFontDirty = true;
}

void TCanvas::RealizePen() {
    if (!FPenDirty) return;
    PenOwner pen(CreatePen(PenStyleToGdi(FPenStyle), FPenWidth, ColorToRGB(FPenColor)));
    SelectObject(FDc, pen);
    FPen = std::move(pen);
    FPenDirty = false;
}

void TCanvas::RealizeBrush() {
    if (!FBrushDirty) return;
    BrushOwner brush;
    if (FBrushPattern)
        brush.Reset(CreatePatternBrush(FBrushPattern));
    else if (FBrushStyle == TBrushStyle::Clear || FBrushColor == clNone)
        brush.Reset(nullptr);
    else
        brush.Reset(CreateSolidBrush(ColorToRGB(FBrushColor)));
    SelectObject(FDc, brush ? static_cast<HGDIOBJ>(brush.Get()) : GetStockObject(NULL_BRUSH));
    FBrush = std::move(brush);
    SetBkColor(FDc, ColorToRGB(FBrushColor == clNone ? clWhite : FBrushColor));
    FBrushDirty = false;
}

void TCanvas::RealizeFont() {
    if (!FFontDirty) return;
    LOGFONTW lf = FFont.ToLogFont();
    FontOwner font(CreateFontIndirectW(&lf));
    SelectObject(FDc, font);
    FFontHandle = std::move(font);
    SetTextColor(FDc, ColorToRGB(FFont.Color));
    FFontDirty = false;
}

void TCanvas::FillRect(const Rect& r) {
    RealizeBrush();
    if (FBrush) ::FillRect(FDc, r.AsRECT(), FBrush);
}

void TCanvas::FrameRect(const Rect& r) {
    RealizeBrush();
    if (FBrush) ::FrameRect(FDc, r.AsRECT(), FBrush);
}

void TCanvas::Rectangle(const Rect& r) {
    RealizePen();
    RealizeBrush();
    ::Rectangle(FDc, r.left, r.top, r.right, r.bottom);
}

void TCanvas::MoveTo(int x, int y) { MoveToEx(FDc, x, y, nullptr); }

void TCanvas::LineTo(int x, int y) {
    RealizePen();
    ::LineTo(FDc, x, y);
}

void TCanvas::Polyline(const std::vector<Point>& points) {
    if (points.empty()) return;
    RealizePen();
    ::Polyline(FDc, reinterpret_cast<const POINT*>(points.data()), static_cast<int>(points.size()));
}

void TCanvas::Polygon(const std::vector<Point>& points) {
    if (points.empty()) return;
    RealizePen();
    RealizeBrush();
    ::Polygon(FDc, reinterpret_cast<const POINT*>(points.data()), static_cast<int>(points.size()));
}

void TCanvas::TextOut(int x, int y, const std::wstring& text) {
    RealizeFont();
    RealizeBrush();
    ::TextOutW(FDc, x, y, text.c_str(), static_cast<int>(text.size()));
}

void TCanvas::TextRect(const Rect& r, int x, int y, const std::wstring& text) {
    RealizeFont();
    RealizeBrush();
    UINT options = ETO_CLIPPED | (GetBkMode(FDc) == OPAQUE ? ETO_OPAQUE : 0);
    ::ExtTextOutW(FDc, x, y, options, r.AsRECT(), text.c_str(), static_cast<UINT>(text.size()), nullptr);
}

int TCanvas::DrawText(const std::wstring& text, Rect& r, UINT format) {
    RealizeFont();
    return ::DrawTextW(FDc, text.c_str(), static_cast<int>(text.size()), r.AsRECT(), format);
}

Size TCanvas::TextExtent(const std::wstring& text) {
    RealizeFont();
    SIZE s{};
    ::GetTextExtentPoint32W(FDc, text.c_str(), static_cast<int>(text.size()), &s);
    return {s.cx, s.cy};
}

} // namespace ui
