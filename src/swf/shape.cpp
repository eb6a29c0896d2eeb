// Shape, morph shape and glyph records: styles and edges read into style groups of segments.
#include <algorithm>

#include "swf/parse.h"

namespace swf {

namespace {

// ---------------------------------------------------------------------------------------------
// Styles
// ---------------------------------------------------------------------------------------------
// Returns false on an unknown fill type: the bit stream after it cannot be trusted.
bool read_gradient(Reader& r, int ver, bool alpha, Gradient& g, Gradient* end) {
    uint8_t head = r.u8();
    const uint8_t spread = (head >> 6) & 3;
    g.spread = spread == 3 ? SpreadMode::Pad : SpreadMode(spread);
    g.interpolation = InterpolationMode((head >> 4) & 3);
    g.count = head & 0x0F;
    if (end) *end = g;
    for (int i = 0; i < g.count; ++i) {
        g.ratio[i] = r.u8();
        g.color[i] = alpha ? r.rgba() : r.rgb();
        if (end) {
            end->ratio[i] = r.u8();
            end->color[i] = r.rgba();
        }
    }
    (void)ver;
    return !r.failed();
}

bool read_fill(Reader& r, int ver, FillStyle& f, FillStyle* end) {
    const bool morph = end != nullptr;
    const bool alpha = ver >= 3 || morph;
    uint8_t type = r.u8();
    switch (type) {
    case 0x00:
        f.type = FillType::Solid;
        f.color = alpha ? r.rgba() : r.rgb();
        if (morph) {
            *end = f;
            end->color = r.rgba();
        }
        return !r.failed();
    case 0x10:
    case 0x12:
    case 0x13:
        f.type = type == 0x10 ? FillType::Linear : type == 0x12 ? FillType::Radial : FillType::Focal;
        f.matrix = r.matrix();
        if (morph) {
            *end = f;
            end->matrix = r.matrix();
        }
        if (!read_gradient(r, ver, alpha, f.gradient, morph ? &end->gradient : nullptr)) return false;
        if (type == 0x13) {
            f.gradient.focal = std::clamp(r.fixed8(), -1.0, 1.0);
            if (morph) end->gradient.focal = std::clamp(r.fixed8(), -1.0, 1.0);
        }
        return !r.failed();
    case 0x40:
    case 0x41:
    case 0x42:
    case 0x43:
        f.type = FillType::Bitmap;
        f.bitmap_id = r.u16();
        f.matrix = r.matrix();
        f.repeat = !(type & 1);
        f.smooth = !(type & 2);
        if (morph) {
            *end = f;
            end->matrix = r.matrix();
        }
        return !r.failed();
    default: return false;
    }
}

unsigned read_count(Reader& r, bool extended) {
    unsigned n = r.u8();
    if (n == 0xFF && extended) n = r.u16();
    return n;
}

bool read_fills(Reader& r, int ver, std::vector<FillStyle>& fills, std::vector<FillStyle>* ends) {
    unsigned n = read_count(r, ver >= 2 || ends);
    for (unsigned i = 0; i < n; ++i) {
        FillStyle f, e;
        if (!read_fill(r, ver, f, ends ? &e : nullptr)) return false;
        fills.push_back(f);
        if (ends) ends->push_back(e);
    }
    return true;
}

bool read_lines(Reader& r, int ver, bool line2, std::vector<LineStyle>& lines, std::vector<LineStyle>* ends) {
    unsigned n = read_count(r, ver >= 2 || ends);
    const bool alpha = ver >= 3 || ends;
    for (unsigned i = 0; i < n && !r.failed(); ++i) {
        LineStyle l, e;
        l.width = r.u16();
        if (ends) e.width = r.u16();
        if (line2) {
            l.start_cap = Cap(std::min<uint32_t>(r.ub(2), 2));
            l.join = Join(std::min<uint32_t>(r.ub(2), 2));
            l.has_fill = r.ub(1);
            l.no_hscale = r.ub(1);
            l.no_vscale = r.ub(1);
            r.ub(1);  // pixel hinting
            r.ub(5);
            l.no_close = r.ub(1);
            l.end_cap = Cap(std::min<uint32_t>(r.ub(2), 2));
            if (l.join == Join::Miter) l.miter_limit = r.u16() / 256.0;
            if (l.has_fill) {
                if (!read_fill(r, ver, l.fill, ends ? &e.fill : nullptr)) return false;
                l.color = l.fill.color;
                e.color = e.fill.color;
            } else {
                l.color = r.rgba();
                if (ends) e.color = r.rgba();
            }
        } else {
            l.color = alpha ? r.rgba() : r.rgb();
            if (ends) e.color = r.rgba();
        }
        if (ends) {
            uint16_t w = e.width;
            RGBA c = e.color;
            FillStyle ef = e.fill;
            e = l;
            e.width = w;
            e.color = c;
            e.fill = ef;
            ends->push_back(e);
        }
        lines.push_back(l);
    }
    return !r.failed();
}

// ---------------------------------------------------------------------------------------------
// Shape records
// ---------------------------------------------------------------------------------------------
struct RecordReader {
    Reader& r;
    int ver;
    bool line2;
    bool glyph = false;
    std::vector<StyleGroup>* groups = nullptr;  // null: segments go to `flat`
    std::vector<Segment> flat{};

    void read(unsigned fill_bits, unsigned line_bits) {
        int32_t x = 0, y = 0;
        uint16_t fill0 = 0, fill1 = 0, line = 0;
        bool move = true;
        size_t count = 0;
        while (!r.failed() && count++ < kMaxShapeRecords) {
            if (r.ub(1) == 0) {
                unsigned flags = r.ub(5);
                if (flags == 0 || r.failed()) break;
                if (flags & 0x01) {
                    unsigned n = r.ub(5);
                    x = r.sb(n);
                    y = r.sb(n);
                }
                uint32_t f0 = 0, f1 = 0, ln = 0;
                if (flags & 0x02) f0 = r.ub(fill_bits);
                if (flags & 0x04) f1 = r.ub(fill_bits);
                if (flags & 0x08) ln = r.ub(line_bits);
                if ((flags & 0x10) && groups && !glyph) {
                    StyleGroup g;
                    if (!read_fills(r, ver, g.fills, nullptr) || !read_lines(r, ver, line2, g.lines, nullptr))
                        break;
                    fill_bits = r.ub(4);
                    line_bits = r.ub(4);
                    groups->push_back(std::move(g));
                    fill0 = fill1 = line = 0;
                }
                if (groups && !groups->empty()) {
                    const StyleGroup& g = groups->back();
                    auto pick = [](uint32_t v, size_t n) { return uint16_t(v <= n ? v : 0); };
                    if (flags & 0x02) fill0 = pick(f0, g.fills.size());
                    if (flags & 0x04) fill1 = pick(f1, g.fills.size());
                    if (flags & 0x08) line = pick(ln, g.lines.size());
                } else {
                    if (flags & 0x02) fill0 = uint16_t(f0);
                    if (flags & 0x04) fill1 = uint16_t(f1);
                    if (flags & 0x08) line = uint16_t(ln);
                }
                move = true;
                continue;
            }
            Segment s;
            s.x0 = x;
            s.y0 = y;
            if (r.ub(1)) {  // straight
                unsigned n = r.ub(4) + 2;
                int32_t dx = 0, dy = 0;
                if (r.ub(1)) {
                    dx = r.sb(n);
                    dy = r.sb(n);
                } else if (r.ub(1)) {
                    dy = r.sb(n);
                } else {
                    dx = r.sb(n);
                }
                s.x1 = x + dx;
                s.y1 = y + dy;
                s.cx = x + dx / 2;  // a straight edge morphs with a curve as if bent at its middle
                s.cy = y + dy / 2;
            } else {
                unsigned n = r.ub(4) + 2;
                int32_t cdx = r.sb(n), cdy = r.sb(n), adx = r.sb(n), ady = r.sb(n);
                s.cx = x + cdx;
                s.cy = y + cdy;
                s.x1 = s.cx + adx;
                s.y1 = s.cy + ady;
                s.curve = true;
            }
            if (r.failed()) break;
            x = s.x1;
            y = s.y1;
            s.move = move;
            move = false;
            if (glyph) {
                s.fill1 = 1;
            } else {
                s.fill0 = fill0;
                s.fill1 = fill1;
                s.line = line;
            }
            if (groups && !groups->empty())
                groups->back().segments.push_back(s);
            else
                flat.push_back(s);
        }
    }
};

}  // namespace

std::unique_ptr<ShapeDef> parse_shape(Reader& r, int version) {
    auto def = std::make_unique<ShapeDef>();
    def->id = r.u16();
    def->shape.bounds = r.rect();
    if (version == 4) {
        r.rect();  // edge bounds
        uint8_t flags = r.u8();
        def->shape.nonzero = flags & 0x04;
    }
    StyleGroup first;
    // An unknown fill style loses the bit stream: keep the shape with what was read.
    if (!read_fills(r, version, first.fills, nullptr) ||
        !read_lines(r, version, version == 4, first.lines, nullptr)) {
        def->shape.groups.push_back(std::move(first));
        return r.failed() && def->id == 0 ? nullptr : std::move(def);
    }
    def->shape.groups.push_back(std::move(first));
    unsigned fill_bits = r.ub(4), line_bits = r.ub(4);
    RecordReader rr{r, version, version == 4};
    rr.groups = &def->shape.groups;
    rr.read(fill_bits, line_bits);
    return def;
}

std::unique_ptr<MorphDef> parse_morph(Reader& r, int version) {
    auto def = std::make_unique<MorphDef>();
    def->id = r.u16();
    def->start.bounds = r.rect();
    def->end.bounds = r.rect();
    if (version == 2) {
        r.rect();
        r.rect();
        r.u8();
    }
    uint32_t offset = r.u32();
    size_t end_pos = r.pos() + offset;
    StyleGroup sg, eg;
    if (!read_fills(r, 3, sg.fills, &eg.fills) || !read_lines(r, 3, version == 2, sg.lines, &eg.lines))
        return nullptr;
    def->start.groups.push_back(std::move(sg));
    unsigned fill_bits = r.ub(4), line_bits = r.ub(4);
    RecordReader start{r, 3, version == 2};
    start.groups = &def->start.groups;
    start.read(fill_bits, line_bits);

    Reader er = r.slice(end_pos, r.size() - std::min(end_pos, r.size()));
    unsigned efb = er.ub(4), elb = er.ub(4);
    RecordReader endr{er, 3, version == 2};
    endr.read(efb, elb);

    // Pair edges one to one; a short end list leaves the rest of the start shape unmoved.
    eg.segments = def->start.groups[0].segments;
    for (size_t i = 0; i < eg.segments.size() && i < endr.flat.size(); ++i) {
        Segment& e = eg.segments[i];
        const Segment& src = endr.flat[i];
        e.x0 = src.x0;
        e.y0 = src.y0;
        e.cx = src.cx;
        e.cy = src.cy;
        e.x1 = src.x1;
        e.y1 = src.y1;
        e.curve = src.curve;
    }
    for (size_t i = 0; i < eg.segments.size() && i < endr.flat.size(); ++i)
        if (eg.segments[i].curve) def->start.groups[0].segments[i].curve = true;
    for (size_t i = 0; i < eg.segments.size(); ++i)
        if (def->start.groups[0].segments[i].curve) eg.segments[i].curve = true;
    // Morphs have a single style group; later NewStyles records are not allowed in them.
    def->start.groups.resize(1);
    def->end.groups.push_back(std::move(eg));
    return def;
}

void parse_glyph(Reader r, std::vector<Segment>& out) {
    unsigned fill_bits = r.ub(4), line_bits = r.ub(4);
    RecordReader rr{r, 1, false};
    rr.glyph = true;
    rr.read(fill_bits, line_bits);
    out = std::move(rr.flat);
}

}  // namespace swf
