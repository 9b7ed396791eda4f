#include "transition/styles.h"

#include <algorithm>

#include "transition/blit.h"
#include "transition/region_builders.h"

namespace scr {

FrameMeasures ComputeMeasures(int w, int h, int progress, int step) {
    FrameMeasures m;
    m.progress = progress;
    if (w >= h) {
        m.x = MulDiv(w, progress, 100);
        m.y = MulDiv(m.x, h, w);
        m.step_len = MulDiv(w, step, 90);
    } else {
        m.y = MulDiv(h, progress, 100);
        m.x = MulDiv(m.y, w, h);
        m.step_len = MulDiv(h, step, 90);
    }
    return m;
}

StyleKind KindOfStyle(int style) {
    if (style == 0) return StyleKind::Custom;
    if (style >= 1 && style <= 57) return StyleKind::Rectangle;
    if ((style >= 58 && style <= 117) || (style >= 123 && style <= 127)) return StyleKind::Region;
    if (style == 118) return StyleKind::Blend;
    if (style >= 119 && style <= 122) return StyleKind::Rotate;
    return StyleKind::None;
}

bool IsMultiPassStyle(int style) {
    return (style >= 12 && style <= 17) || (style >= 29 && style <= 34) || (style >= 54 && style <= 57);
}

namespace {

// A pass of the styles 1..17 along one axis: destination and source as (from, to) on the
// axis of length l, with p the revealed extent; the other axis is always whole.
struct AxisPass {
    int d0, d1, s0, s1;
    bool mirror = false;
};

// The fold width of the page-fold styles.
int FoldWidth(int l, int p) {
    if (p < l / 5) return p / 2;
    if (p + l / 5 > l) return (l - p) / 2;
    return l / 10;
}

std::vector<AxisPass> AxisPasses(int k, int l, int p) {
    switch (k) {
    case 1: return {{l - p, l, 0, l}};
    case 2: return {{0, p, 0, l}};
    case 3: return {{l - p, 2 * l - p, 0, l}};
    case 4: return {{p - l, p, 0, l}};
    case 5: return {{0, p, 0, p}};
    case 6: return {{l - p, l, l - p, l}};
    case 7: return {{0, 2 * l - p, 0, p}};
    case 8: return {{p - l, l, l - p, l}};
    case 9: return {{p - l, 2 * l - p, (l - p) / 2, (l + p) / 2}};
    case 10: return {{(l - p) / 2, (l + p) / 2, 0, l}};
    case 11: return {{(l - p) / 2, (l + p) / 2, (l - p) / 2, (l + p) / 2}};
    case 12: return {{0, p / 2 + 1, 0, p / 2 + 1}, {l - p / 2 - 1, l, l - p / 2 - 1, l}};
    case 13: return {{0, p / 2 + 1, 0, l / 2 + 1}, {l - p / 2 - 1, l, l / 2, l}};
    case 14: {
        const int b = FoldWidth(l, p);
        return {{p, p + b, p + b, p + 2 * b, true}, {0, p, 0, p}};
    }
    case 15: {
        const int b = FoldWidth(l, p);
        return {{l - p - b, l - p, l - p - 2 * b, l - p - b, true}, {l - p, l, l - p, l}};
    }
    case 16: return {{0, p, 0, p}, {p, l, p, p + l / 20}};
    case 17: return {{l - p, l, l - p, l}, {0, l - p, l - p - l / 20, l - p}};
    default: return {};
    }
}

std::vector<CopyPass> FourPasses(int style, int W, int H, int X, int Y) {
    auto same = [](Rect r) { return CopyPass{r, r}; };
    switch (style) {
    case 54:
        return {same({0, 0, W, Y / 2}), same({0, H - Y / 2, W, H}), same({0, 0, X / 2, H}), same({W - X / 2, 0, W, H})};
    case 55:
        return {same({0, 0, X / 2 + 1, Y / 2 + 1}), same({0, H - Y / 2 - 1, X / 2 + 1, H}),
                same({W - X / 2 - 1, H - Y / 2 - 1, W, H}), same({W - X / 2 - 1, 0, W, Y / 2 + 1})};
    case 56:
        return {{{0, 0, X / 2 + 1, Y / 2 + 1}, {0, 0, W / 2 + 1, H / 2 + 1}},
                {{0, H - Y / 2, X / 2 + 1, H}, {0, H / 2 + 1, W / 2 + 1, H}},
                {{W - X / 2, H - Y / 2, W, H}, {W / 2 + 1, H / 2 + 1, W, H}},
                {{W - X / 2, 0, W, Y / 2 + 1}, {W / 2 + 1, 0, W, H / 2 + 1}}};
    case 57:
        return {{{(X - W) / 2, 0, X / 2 + 1, H / 2 + 1}, {0, 0, W / 2 + 1, H / 2 + 1}},
                {{W / 2 - 1, (Y - H) / 2, W, Y / 2 + 1}, {W / 2 - 1, 0, W, H / 2 + 1}},
                {{W - X / 2, H / 2 - 1, W + (W - X) / 2, H}, {W / 2 + 1, H / 2 - 1, W, H}},
                {{0, H - Y / 2, W / 2 + 1, H + (H - Y) / 2}, {0, H / 2 + 1, W / 2 + 1, H}}};
    default: return {};
    }
}

}  // namespace

std::vector<CopyPass> RectanglePasses(int style, int W, int H, const FrameMeasures& m) {
    const int X = m.x, Y = m.y;
    std::vector<CopyPass> out;
    if (style >= 1 && style <= 17) {
        for (const AxisPass& a : AxisPasses(style, W, X))
            out.push_back({{a.d0, 0, a.d1, H}, {a.s0, 0, a.s1, H}, a.mirror, false});
        return out;
    }
    if (style >= 18 && style <= 34) {
        for (const AxisPass& a : AxisPasses(style - 17, H, Y))
            out.push_back({{0, a.d0, W, a.d1}, {0, a.s0, W, a.s1}, false, a.mirror});
        return out;
    }
    const Rect whole{0, 0, W, H};
    const Rect box{(W - X) / 2, (H - Y) / 2, (W + X) / 2, (H + Y) / 2};
    switch (style) {
    case 35: return {{{W - X, H - Y, W, H}, whole}};
    case 36: return {{{W - X, 0, W, Y}, whole}};
    case 37: return {{{0, 0, X, Y}, whole}};
    case 38: return {{{0, H - Y, X, H}, whole}};
    case 39: return {{{W - X, H - Y, 2 * W - X, 2 * H - Y}, whole}};
    case 40: return {{{W - X, Y - H, 2 * W - X, Y}, whole}};
    case 41: return {{{X - W, Y - H, X, Y}, whole}};
    case 42: return {{{X - W, H - Y, X, 2 * H - Y}, whole}};
    case 43: return {{{0, 0, X, Y}, {0, 0, X, Y}}};
    case 44: return {{{0, H - Y, X, H}, {0, H - Y, X, H}}};
    case 45: return {{{W - X, H - Y, W, H}, {W - X, H - Y, W, H}}};
    case 46: return {{{W - X, 0, W, Y}, {W - X, 0, W, Y}}};
    case 47: return {{{0, 0, 2 * W - X, 2 * H - Y}, {0, 0, X, Y}}};
    case 48: return {{{0, Y - H, 2 * W - X, H}, {0, H - Y, X, H}}};
    case 49: return {{{X - W, Y - H, W, H}, {W - X, H - Y, W, H}}};
    case 50: return {{{X - W, 0, W, 2 * H - Y}, {W - X, 0, W, Y}}};
    case 51: return {{{X - W, Y - H, 2 * W - X, 2 * H - Y}, box}};
    case 52: return {{box, whole}};
    case 53: return {{box, box}};
    default: return FourPasses(style, W, H, X, Y);
    }
}

std::optional<Region> StyleRegion(int style, int W, int H, const FrameMeasures& m, RandomSource& random) {
    const int X = m.x, Y = m.y, L = m.step_len;
    auto rr = [](int l, int t, int r, int b, int ew, int eh) { return Region::round_rect(l, t, r, b, ew, eh); };
    switch (style) {
    case 58: return rr(-2 * W, -5, 2 * X, H + 5, 2 * W, 2 * W);
    case 59: return rr(W - 2 * X, -5, 3 * W, H + 5, 2 * W, 2 * W);
    case 60: return StripRegion(2 * X, 0, W, H, L, 1, 0);
    case 61: return StripRegion(2 * X, 0, W, H, L, 2, 0);
    case 62: return StripRegion(2 * X, 0, W, H, L, 4, 0);
    case 63: return StripRegion(2 * X, 0, W, H, L, 5, 0);
    case 64: return StripRegion(X, 0, W, H, 0, 3, 0);
    case 65: return RaggedRegion(X, 0, W, H, 1, 0, random);
    case 66: return RaggedRegion(X, 0, W, H, 2, 0, random);
    case 67: return RaggedRegion(X, 0, W, H, 3, 0, random);
    case 68: return RaggedRegion(X, 0, W, H, 4, 0, random);
    case 69: return rr(-5, -2 * H, W + 5, 2 * Y, 2 * H, 2 * H);
    case 70: return rr(-5, H - 2 * Y, W + 5, 3 * H, 2 * H, 2 * H);
    case 71: return StripRegion(0, 2 * Y, W, H, L, 0, 1);
    case 72: return StripRegion(0, 2 * Y, W, H, L, 0, 2);
    case 73: return StripRegion(0, 2 * Y, W, H, L, 0, 4);
    case 74: return StripRegion(0, 2 * Y, W, H, L, 0, 5);
    case 75: return StripRegion(0, Y, W, H, 0, 0, 3);
    case 76: return RaggedRegion(0, Y, W, H, 0, 1, random);
    case 77: return RaggedRegion(0, Y, W, H, 0, 2, random);
    case 78: return RaggedRegion(0, Y, W, H, 0, 3, random);
    case 79: return RaggedRegion(0, Y, W, H, 0, 4, random);
    case 80: return rr(-2 * W, -2 * H, 2 * X, 2 * Y, 2 * W, 2 * H);
    case 81: return rr(W - 2 * X, -2 * H, 3 * W, 2 * Y, 2 * W, 2 * H);
    case 82: return rr(-2 * W, H - 2 * Y, 2 * X, 3 * H, 2 * W, 2 * H);
    case 83: return rr(W - 2 * X, H - 2 * Y, 3 * W, 3 * H, 2 * H, 2 * H);
    case 84: return rr(W / 2 - X, H / 2 - Y, W / 2 + X, H / 2 + Y, (9 * X) / 5, (9 * Y) / 5);
    case 85:
        return Region::from_rect({0, 0, W, H})
            .xored(rr(X - W / 2, Y - H / 2, (3 * W) / 2 - X, (3 * H) / 2 - Y, (9 * (W - X)) / 5, (9 * (H - Y)) / 5));
    case 86: return StripRegion(2 * X, 2 * Y, W, H, L, 1, 1);
    case 87: return StripRegion(2 * X, 2 * Y, W, H, L, 1, 2);
    case 88: return StripRegion(2 * X, 2 * Y, W, H, L, 2, 1);
    case 89: return StripRegion(2 * X, 2 * Y, W, H, L, 2, 2);
    case 90: return StripRegion(2 * X, 2 * Y, W, H, L, 4, 4);
    case 91: return StripRegion(2 * X, 2 * Y, W, H, L, 4, 5);
    case 92: return StripRegion(2 * X, 2 * Y, W, H, L, 5, 4);
    case 93: return StripRegion(2 * X, 2 * Y, W, H, L, 5, 5);
    case 94: return StripRegion(X, Y, W, H, L, 1, 3);
    case 95: return StripRegion(X, Y, W, H, L, 2, 3);
    case 96: return StripRegion(X, Y, W, H, L, 3, 1);
    case 97: return StripRegion(X, Y, W, H, L, 3, 2);
    case 98: return StripRegion(X, Y, W, H, 0, 3, 3);
    case 99: {
        auto a = StripRegion(2 * X, 2 * Y, W, H, L, 1, 1);
        auto b = StripRegion(2 * X, 2 * Y, W, H, L, 2, 2);
        return a->intersected(*b);
    }
    case 100: return RaggedRegion(X, Y, W, H, 1, 1, random);
    case 101: return RaggedRegion(X, Y, W, H, 1, 2, random);
    case 102: return RaggedRegion(X, Y, W, H, 2, 1, random);
    case 103: return RaggedRegion(X, Y, W, H, 2, 2, random);
    case 104: return RaggedRegion(X, Y, W, H, 1, 3, random);
    case 105: return RaggedRegion(X, Y, W, H, 2, 3, random);
    case 106: return RaggedRegion(X, Y, W, H, 3, 1, random);
    case 107: return RaggedRegion(X, Y, W, H, 3, 2, random);
    case 108: return RaggedRegion(X, Y, W, H, 3, 3, random);
    case 109: return RaggedRegion(X, Y, W, H, 4, 4, random);
    case 110: return TriangleRegion({0, 0}, {2 * X, 0}, {0, 2 * Y});
    case 111: return TriangleRegion({W, 0}, {W - 2 * X, 0}, {W, 2 * Y});
    case 112: return TriangleRegion({0, H}, {2 * X, H}, {0, H - 2 * Y});
    case 113: return TriangleRegion({W, H}, {W - 2 * X, H}, {W, H - 2 * Y});
    case 114:
    case 115:
    case 116:
    case 117: {
        // Unions of triangles, built in one pass over all their edges.
        PolygonUnion u;
        auto tri = [&u](Point a, Point b, Point c) { u.add({a, b, c}); };
        if (style == 114) {
            tri({0, H}, {0, 0}, {X, H});
            tri({W, H}, {W, 0}, {W - X, 0});
        } else if (style == 115) {
            tri({W, 0}, {0, 0}, {W, Y});
            tri({W, H}, {0, H}, {0, H - Y});
        } else if (style == 116) {
            const Point c{W / 2, H / 2};
            tri(c, {0, H}, {0, H - Y});
            tri({0, 0}, {X, 0}, c);
            tri({W - X, H}, c, {W, H});
            tri(c, {W, 0}, {W, Y});
        } else {
            const int a = X / 5, c = MulDiv(a, H, W);
            for (int i = 0; i <= 9; ++i)
                for (int j = 0; j <= 9; ++j) {
                    const int x = (i * W) / 10, y = (j * H) / 10;
                    tri({x, y}, {x + a, y}, {x, y + c});
                }
        }
        return u.take();
    }
    case 123: return ScatterRegion(X, Y, W, H, 1, 0, random);
    case 124: return ScatterRegion(X, Y, W, H, 2, 0, random);
    case 125: return ScatterRegion(X, Y, W, H, 0, 1, random);
    case 126: return ScatterRegion(X, Y, W, H, 0, 2, random);
    case 127: return DissolveRegion(W, H, m.progress, random);
    default: return std::nullopt;
    }
}

}  // namespace scr
