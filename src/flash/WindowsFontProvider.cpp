#include "flash/WindowsFontProvider.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#ifndef GGO_UNHINTED
#define GGO_UNHINTED 0x0100
#endif

namespace flash {

namespace {

constexpr int kEm = 1024;

struct Pt {
    double x = 0, y = 0;
};

Pt ToPt(const POINTFX& p) {
    // FIXED: signed integer part plus a 16-bit fraction. GDI is y-up from the baseline; the
    // engine wants y down.
    const double x = double(p.x.value) + double(p.x.fract) / 65536.0;
    const double y = double(p.y.value) + double(p.y.fract) / 65536.0;
    return {x, -y};
}

Pt Mid(Pt a, Pt b) { return {(a.x + b.x) / 2, (a.y + b.y) / 2}; }

int32_t Round(double v) { return int32_t(std::lround(std::clamp(v, -1.0e6, 1.0e6))); }

// Collects one glyph's edges; every contour is closed back to its start.
class OutlineBuilder {
public:
    explicit OutlineBuilder(std::vector<swf::Segment>& out) : FOut(out) {}

    void Start(Pt p) {
        Close();
        FStart = FCur = p;
        FFirst = true;
        FOpen = true;
    }
    void Line(Pt to) { Add(to, to, false); }
    void Quad(Pt c, Pt to) { Add(c, to, true); }
    // A cubic as two quadratics, one per half.
    void Cubic(Pt c1, Pt c2, Pt to) {
        const Pt p0 = FCur;
        const Pt a = Mid(p0, c1), b = Mid(c1, c2), c = Mid(c2, to);
        const Pt ab = Mid(a, b), bc = Mid(b, c), m = Mid(ab, bc);
        QuadFromCubic(p0, a, ab, m);
        QuadFromCubic(m, bc, c, to);
    }
    void Close() {
        if (FOpen && (Round(FCur.x) != Round(FStart.x) || Round(FCur.y) != Round(FStart.y))) Line(FStart);
        FOpen = false;
    }

private:
    void QuadFromCubic(Pt p0, Pt c1, Pt c2, Pt p3) {
        const Pt c{(3 * (c1.x + c2.x) - (p0.x + p3.x)) / 4, (3 * (c1.y + c2.y) - (p0.y + p3.y)) / 4};
        Quad(c, p3);
    }
    void Add(Pt c, Pt to, bool curve) {
        swf::Segment s;
        s.x0 = Round(FCur.x), s.y0 = Round(FCur.y);
        s.x1 = Round(to.x), s.y1 = Round(to.y);
        if (curve) {
            s.cx = Round(c.x), s.cy = Round(c.y);
        } else {
            s.cx = (s.x0 + s.x1) / 2, s.cy = (s.y0 + s.y1) / 2;
        }
        s.curve = curve;
        s.fill1 = 1;
        s.move = FFirst;
        FFirst = false;
        FCur = to;
        if (s.x0 == s.x1 && s.y0 == s.y1 && (!curve || (s.cx == s.x0 && s.cy == s.y0))) return;
        FOut.push_back(s);
    }

    std::vector<swf::Segment>& FOut;
    Pt FStart, FCur;
    bool FFirst = false, FOpen = false;
};

// Walks a GGO_NATIVE buffer (polygon headers, each followed by its curve records) with every
// read checked against the buffer's end.
bool ParseNativeOutline(const std::vector<BYTE>& buf, std::vector<swf::Segment>& out) {
    OutlineBuilder b(out);
    size_t pos = 0;
    while (pos + sizeof(TTPOLYGONHEADER) <= buf.size()) {
        TTPOLYGONHEADER h;
        std::memcpy(&h, buf.data() + pos, sizeof h);
        if (h.dwType != TT_POLYGON_TYPE || h.cb < sizeof h || h.cb > buf.size() - pos) return false;
        const size_t end = pos + h.cb;
        b.Start(ToPt(h.pfxStart));
        size_t c = pos + sizeof h;
        while (c + 2 * sizeof(WORD) <= end) {
            WORD type, count;
            std::memcpy(&type, buf.data() + c, sizeof type);
            std::memcpy(&count, buf.data() + c + sizeof(WORD), sizeof count);
            const size_t pointsAt = c + 2 * sizeof(WORD);
            if (size_t(count) * sizeof(POINTFX) > end - pointsAt) return false;
            std::vector<Pt> p(count);
            for (size_t i = 0; i < count; ++i) {
                POINTFX fx;
                std::memcpy(&fx, buf.data() + pointsAt + i * sizeof(POINTFX), sizeof fx);
                p[i] = ToPt(fx);
            }
            if (type == TT_PRIM_LINE) {
                for (const Pt& q : p) b.Line(q);
            } else if (type == TT_PRIM_QSPLINE) {
                // Between two off-curve points lies an implied on-curve point at their middle;
                // the record's last point is on the curve.
                for (size_t i = 0; i + 1 < p.size(); ++i) b.Quad(p[i], i + 2 == p.size() ? p[i + 1] : Mid(p[i], p[i + 1]));
                if (p.size() == 1) b.Line(p[0]);
            } else if (type == TT_PRIM_CSPLINE) {
                size_t i = 0;
                for (; i + 2 < p.size(); i += 3) b.Cubic(p[i], p[i + 1], p[i + 2]);
                for (; i < p.size(); ++i) b.Line(p[i]);
            } else {
                return false;
            }
            c = pointsAt + size_t(count) * sizeof(POINTFX);
        }
        b.Close();
        pos = end;
    }
    return true;
}

} // namespace

WindowsFontProvider::WindowsFontProvider() : FDc(CreateCompatibleDC(nullptr)) {}

WindowsFontProvider::~WindowsFontProvider() = default;

std::wstring WindowsFontProvider::ResolveFaceName(const std::string& utf8Face) {
    if (utf8Face == "_sans") return L"Arial";
    if (utf8Face == "_serif") return L"Times New Roman";
    if (utf8Face == "_typewriter") return L"Courier New";
    if (utf8Face.empty() || utf8Face.size() > 4 * LF_FACESIZE) return {};
    const int n = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8Face.data(), int(utf8Face.size()), nullptr, 0);
    if (n <= 0) return {};
    std::wstring w(size_t(n), L'\0');
    MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8Face.data(), int(utf8Face.size()), w.data(), n);
    // A name cut at a NUL or past LF_FACESIZE is what LOGFONTW can hold anyway.
    w.resize(std::min({w.size(), size_t(LF_FACESIZE - 1), w.find(L'\0')}));
    return w;
}

WindowsFontProvider::Face* WindowsFontProvider::FaceFor(const std::string& face, bool bold, bool italic) {
    if (!FDc) return nullptr;
    FaceKey key{ResolveFaceName(face), bold, italic};
    auto it = FFaces.find(key);
    if (it == FFaces.end() && FFaces.size() >= kMaxFaces) {
        std::get<0>(key).clear();
        it = FFaces.find(key);
    }
    if (it != FFaces.end()) return it->second.get();

    LOGFONTW lf{};
    lf.lfHeight = -kEm;
    lf.lfWeight = bold ? FW_BOLD : FW_NORMAL;
    lf.lfItalic = italic ? TRUE : FALSE;
    lf.lfCharSet = DEFAULT_CHARSET;
    lf.lfOutPrecision = OUT_OUTLINE_PRECIS;
    lf.lfClipPrecision = CLIP_DEFAULT_PRECIS;
    lf.lfQuality = DEFAULT_QUALITY;
    lf.lfPitchAndFamily = DEFAULT_PITCH | FF_DONTCARE;
    const std::wstring& name = std::get<0>(key);
    std::copy(name.begin(), name.end(), lf.lfFaceName);
    auto f = std::make_unique<Face>();
    f->Font.Reset(CreateFontIndirectW(&lf));
    if (!f->Font) return nullptr;
    return FFaces.emplace(std::move(key), std::move(f)).first->second.get();
}

std::shared_ptr<const swf::DeviceGlyph> WindowsFontProvider::ReadGlyph(Face& face, char32_t ch) {
    // Control characters draw nothing; a lone surrogate is no character, and GDI takes no
    // UTF-16 pair here, so characters past the BMP go to the engine's fallback.
    if (ch < 0x20 || (ch >= 0xD800 && ch <= 0xDFFF) || ch > 0xFFFF) return nullptr;
    ui::SelectGuard select(FDc, face.Font);
    const WCHAR wc = WCHAR(ch);
    WORD index = 0;
    if (GetGlyphIndicesW(FDc, &wc, 1, &index, GGI_MARK_NONEXISTING_GLYPHS) == GDI_ERROR || index == 0xFFFF) return nullptr;

    const MAT2 identity{{0, 1}, {0, 0}, {0, 0}, {0, 1}};
    GLYPHMETRICS gm{};
    UINT format = GGO_NATIVE | GGO_UNHINTED;
    DWORD size = GetGlyphOutlineW(FDc, wc, format, &gm, 0, nullptr, &identity);
    if (size == GDI_ERROR) {
        format = GGO_NATIVE;
        size = GetGlyphOutlineW(FDc, wc, format, &gm, 0, nullptr, &identity);
    }
    if (size == GDI_ERROR || size > (1u << 24)) return nullptr;
    auto g = std::make_shared<swf::DeviceGlyph>();
    g->advance = std::max<int>(0, gm.gmCellIncX);
    if (size == 0) return g;  // a blank glyph such as the space
    std::vector<BYTE> buf(size);
    if (GetGlyphOutlineW(FDc, wc, format, &gm, size, buf.data(), &identity) == GDI_ERROR) return nullptr;
    if (!ParseNativeOutline(buf, g->outline)) g->outline.clear();
    return g;
}

std::shared_ptr<const swf::DeviceGlyph> WindowsFontProvider::glyph(const std::string& face, bool bold, bool italic,
                                                                   char32_t ch) {
    Face* f = FaceFor(face, bold, italic);
    if (!f) return nullptr;
    if (auto it = f->Glyphs.find(ch); it != f->Glyphs.end()) return it->second;
    if (f->Glyphs.size() >= kMaxGlyphsPerFace) f->Glyphs.clear();
    // Characters the face cannot draw are remembered too (as null), so they are asked once.
    return f->Glyphs.emplace(ch, ReadGlyph(*f, ch)).first->second;
}

void WindowsFontProvider::metrics(const std::string& face, int& ascent, int& descent) {
    ascent = 905;
    descent = 212;
    Face* f = FaceFor(face, false, false);
    if (!f) return;
    if (!f->HasMetrics) {
        f->HasMetrics = true;
        ui::SelectGuard select(FDc, f->Font);
        TEXTMETRICW tm{};
        if (GetTextMetricsW(FDc, &tm)) {
            // The font was asked for a 1024-pixel em; scale by the em it really got.
            const LONG em = tm.tmHeight - tm.tmInternalLeading;
            const double k = em > 0 ? double(kEm) / double(em) : 1.0;
            f->Ascent = int(std::lround(tm.tmAscent * k));
            f->Descent = int(std::lround(tm.tmDescent * k));
        }
    }
    ascent = f->Ascent;
    descent = f->Descent;
}

} // namespace flash
