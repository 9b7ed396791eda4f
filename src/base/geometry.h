// Integer geometry of the transition engine: points, rectangles with right and bottom
// exclusive, and the platform's MulDiv rounding.
#pragma once

#include <algorithm>
#include <cstdint>

namespace scr {

struct Point {
    int x = 0;
    int y = 0;
    friend bool operator==(const Point&, const Point&) = default;
};

// (left, top, right, bottom); right and bottom are exclusive. Inverted rectangles are empty.
struct Rect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    int width() const { return right - left; }
    int height() const { return bottom - top; }
    bool empty() const { return right <= left || bottom <= top; }
    bool contains(int x, int y) const { return x >= left && x < right && y >= top && y < bottom; }

    // The common part as a new value (empty rectangles come back as (0,0,0,0)).
    Rect intersected(const Rect& o) const {
        Rect r{std::max(left, o.left), std::max(top, o.top), std::min(right, o.right), std::min(bottom, o.bottom)};
        return r.empty() ? Rect{} : r;
    }
    // Changes this rectangle to its common part with o.
    void intersect_with(const Rect& o) { *this = intersected(o); }
    Rect translated(int dx, int dy) const { return {left + dx, top + dy, right + dx, bottom + dy}; }

    friend bool operator==(const Rect&, const Rect&) = default;
};

// a * b / c with a 64-bit intermediate, rounded to nearest with halves away from zero.
// Like the platform's routine, a zero divisor gives -1.
inline int MulDiv(int a, int b, int c) {
    if (c == 0) return -1;
    int64_t num = int64_t(a) * int64_t(b);
    int64_t den = c;
    if (den < 0) {
        num = -num;
        den = -den;
    }
    int64_t q = num >= 0 ? (num + den / 2) / den : -((-num + den / 2) / den);
    if (q > INT32_MAX || q < INT32_MIN) return -1;
    return int(q);
}

// A font's height for a size in points at ppi pixels per inch: minus the character height in
// pixels, -MulDiv(points, ppi, 72) (written with the sign inside, so that no result overflows).
inline int FontHeightFromPoints(int points, int ppi) { return MulDiv(points, -ppi, 72); }
// The size in points of a font height at ppi pixels per inch, -MulDiv(height, 72, ppi).
inline int FontPointsFromHeight(int height, int ppi) { return MulDiv(height, -72, ppi); }

}  // namespace scr
