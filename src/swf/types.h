// Basic value types of the SWF engine: errors, results, geometry in twips, colours and
// colour transforms. Everything here is plain data; nothing touches a platform API.
#pragma once

#include <algorithm>
#include <cstdint>
#include <string>
#include <utility>
#include <variant>

namespace swf {

// ---------------------------------------------------------------------------------------------
// Errors: a short one-line reason, carried by Result<T> and propagated by the caller.
// ---------------------------------------------------------------------------------------------
struct Error {
    std::string reason;
};

template <typename T>
class Result {
public:
    Result(T value) : v_(std::move(value)) {}
    Result(Error e) : v_(std::move(e)) {}
    bool ok() const { return v_.index() == 0; }
    explicit operator bool() const { return ok(); }
    T& value() { return std::get<0>(v_); }
    const T& value() const { return std::get<0>(v_); }
    T& operator*() { return value(); }
    T* operator->() { return &value(); }
    const Error& error() const { return std::get<1>(v_); }

private:
    std::variant<T, Error> v_;
};

// ---------------------------------------------------------------------------------------------
// Geometry
// ---------------------------------------------------------------------------------------------
struct Rect {
    int32_t xmin = 0, xmax = 0, ymin = 0, ymax = 0;
    int32_t width() const { return xmax - xmin; }
    int32_t height() const { return ymax - ymin; }
    bool operator==(const Rect&) const = default;
};

// x' = a*x + c*y + tx; y' = b*x + d*y + ty (SWF order: a=ScaleX, b=RotateSkew0, c=RotateSkew1).
struct Matrix {
    double a = 1, b = 0, c = 0, d = 1, tx = 0, ty = 0;
    bool operator==(const Matrix&) const = default;

    // this ∘ m: apply m first, then this.
    Matrix operator*(const Matrix& m) const {
        return {a * m.a + c * m.b, b * m.a + d * m.b, a * m.c + c * m.d, b * m.c + d * m.d,
                a * m.tx + c * m.ty + tx, b * m.tx + d * m.ty + ty};
    }
    double apply_x(double x, double y) const { return a * x + c * y + tx; }
    double apply_y(double x, double y) const { return b * x + d * y + ty; }
    double determinant() const { return a * d - b * c; }
    bool invert(Matrix& out) const {
        double det = determinant();
        if (det == 0 || det != det) return false;
        double id = 1.0 / det;
        out.a = d * id;
        out.b = -b * id;
        out.c = -c * id;
        out.d = a * id;
        out.tx = -(out.a * tx + out.c * ty);
        out.ty = -(out.b * tx + out.d * ty);
        return true;
    }
    static Matrix lerp(const Matrix& p, const Matrix& q, double t) {
        return {p.a + (q.a - p.a) * t,    p.b + (q.b - p.b) * t,    p.c + (q.c - p.c) * t,
                p.d + (q.d - p.d) * t,    p.tx + (q.tx - p.tx) * t, p.ty + (q.ty - p.ty) * t};
    }
};

// Straight (not premultiplied) colour as stored in the file.
struct RGBA {
    uint8_t r = 0, g = 0, b = 0, a = 255;
    bool operator==(const RGBA&) const = default;
    static RGBA lerp(RGBA p, RGBA q, double t) {
        auto l = [t](int x, int y) { return uint8_t(std::clamp(int(x + (y - x) * t), 0, 255)); };
        return {l(p.r, q.r), l(p.g, q.g), l(p.b, q.b), l(p.a, q.a)};
    }
};

// Colour transform, 8.8 multipliers and integer add terms, composed unclamped.
struct CxForm {
    int32_t rm = 256, gm = 256, bm = 256, am = 256;
    int32_t ra = 0, ga = 0, ba = 0, aa = 0;

    bool identity() const {
        return rm == 256 && gm == 256 && bm == 256 && am == 256 && ra == 0 && ga == 0 && ba == 0 &&
               aa == 0;
    }
    // this applied after child (child is inner).
    CxForm operator*(const CxForm& child) const {
        CxForm o;
        o.rm = child.rm * rm / 256;
        o.gm = child.gm * gm / 256;
        o.bm = child.bm * bm / 256;
        o.am = child.am * am / 256;
        o.ra = child.ra * rm / 256 + ra;
        o.ga = child.ga * gm / 256 + ga;
        o.ba = child.ba * bm / 256 + ba;
        o.aa = child.aa * am / 256 + aa;
        return o;
    }
    RGBA apply(RGBA c) const {
        auto f = [](int v, int m, int add) { return uint8_t(std::clamp(v * m / 256 + add, 0, 255)); };
        return {f(c.r, rm, ra), f(c.g, gm, ga), f(c.b, bm, ba), f(c.a, am, aa)};
    }
};

// Premultiplied pixel in memory order B,G,R,A (0xAARRGGBB as a little-endian word).
inline uint32_t premultiply(RGBA c) {
    uint32_t a = c.a;
    uint32_t r = (c.r * a + 127) / 255, g = (c.g * a + 127) / 255, b = (c.b * a + 127) / 255;
    return (a << 24) | (r << 16) | (g << 8) | b;
}

}  // namespace swf
