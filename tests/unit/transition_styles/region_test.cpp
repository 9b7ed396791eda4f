#include <gtest/gtest.h>

#include <random>
#include <set>
#include <utility>
#include <vector>

#include "transition/region.h"
#include "transition/region_builders.h"
#include "transition/styles.h"
#include "test_util.h"

namespace scr {
namespace {

using Pixels = std::set<std::pair<int, int>>;

Pixels PixelsOf(const Region& r) {
    Pixels out;
    for (const Rect& q : r.rects())
        for (int y = q.top; y < q.bottom; ++y)
            for (int x = q.left; x < q.right; ++x) out.insert({x, y});
    return out;
}

Pixels PixelsOfRects(const std::vector<Rect>& rects) {
    Pixels out;
    for (const Rect& q : rects)
        for (int y = q.top; y < q.bottom; ++y)
            for (int x = q.left; x < q.right; ++x) out.insert({x, y});
    return out;
}

// Rows as "left..right" strings per row, for the rasterisation facts below.
std::vector<std::pair<int, int>> RowSpans(const Region& r, int top, int bottom) {
    std::vector<std::pair<int, int>> rows;
    for (int y = top; y < bottom; ++y) {
        int l = 1 << 20, rr = -(1 << 20);
        for (int x = -100; x < 200; ++x)
            if (r.contains(x, y)) {
                l = std::min(l, x);
                rr = std::max(rr, x + 1);
            }
        rows.push_back(l <= rr ? std::make_pair(l, rr) : std::make_pair(0, 0));
    }
    return rows;
}

std::vector<Rect> RandomRects(std::mt19937& e, int count) {
    std::uniform_int_distribution<int> c(-5, 30);
    std::vector<Rect> rects;
    for (int i = 0; i < count; ++i) rects.push_back({c(e), c(e), c(e), c(e)});  // some inverted: empty
    return rects;
}

TEST(Region, OperationsMatchPixelSetsAndKeepInvariants) {
    std::mt19937 e(7);
    for (int trial = 0; trial < 300; ++trial) {
        const std::vector<Rect> ra = RandomRects(e, trial % 9), rb = RandomRects(e, (trial / 3) % 7);
        const Region a = Region::from_rects(ra), b = Region::from_rects(rb);
        const Pixels pa = PixelsOfRects(ra), pb = PixelsOfRects(rb);
        ASSERT_TRUE(a.invariants_hold());
        ASSERT_EQ(PixelsOf(a), pa);

        Pixels uni = pa, inter, x, diff;
        uni.insert(pb.begin(), pb.end());
        for (const auto& p : pa) (pb.count(p) ? inter : diff).insert(p);
        for (const auto& p : uni)
            if (pa.count(p) != pb.count(p)) x.insert(p);

        const Region u = a.united(b), i = a.intersected(b), xo = a.xored(b), d = a.subtracted(b);
        ASSERT_TRUE(u.invariants_hold() && i.invariants_hold() && xo.invariants_hold() && d.invariants_hold())
            << "trial " << trial;
        EXPECT_EQ(PixelsOf(u), uni);
        EXPECT_EQ(PixelsOf(i), inter);
        EXPECT_EQ(PixelsOf(xo), x);
        EXPECT_EQ(PixelsOf(d), diff);
        // The form is canonical: the same pixels reached another way give the same region.
        EXPECT_TRUE(u == Region::from_rects([&] {
            auto all = ra;
            all.insert(all.end(), rb.begin(), rb.end());
            return all;
        }()));
        EXPECT_TRUE(xo.xored(b) == a);
        for (const auto& p : uni) EXPECT_EQ(u.contains(p.first, p.second), true);
    }
}

TEST(Region, RoundRectFollowsThePlatform) {
    // Measured from the platform: the right column and bottom row are left out, corner rows
    // are cut by the ellipse walk.
    const Region r = Region::round_rect(0, 0, 10, 8, 4, 4);
    EXPECT_EQ(RowSpans(r, -1, 8), (std::vector<std::pair<int, int>>{
                                      {0, 0}, {1, 8}, {0, 9}, {0, 9}, {0, 9}, {0, 9}, {0, 9}, {1, 8}, {0, 0}}));
    EXPECT_TRUE(r.invariants_hold());

    struct Case {
        int l, t, r, b, ew, eh;
        Rect expected;  // a plain rectangle
    };
    const Case plain[] = {
        {0, 0, 5, 20, 2, 2, {0, 0, 4, 19}},      // ellipse 2 x 2 leaves no visible rounding
        {5, 20, 0, 0, 1, 1, {0, 0, 4, 19}},      // under 2: the rectangle, coordinates swapped
        {0, 0, 10, 10, 1, 40, {0, 0, 9, 9}},     // one size under 2 is enough
        {39, 22, 39, 27, 40, 52, {38, 22, 39, 26}},  // zero width: the column left of it
    };
    for (const Case& c : plain) {
        const Region got = Region::round_rect(c.l, c.t, c.r, c.b, c.ew, c.eh);
        EXPECT_TRUE(got == Region::from_rect(c.expected)) << c.l << "," << c.t << "," << c.r << "," << c.b;
    }
    // Inverted coordinates give the same region as ordered ones.
    EXPECT_TRUE(Region::round_rect(30, 25, 2, 3, 12, 9) == Region::round_rect(2, 3, 30, 25, 12, 9));
    // A tall narrow ellipse: rows the walk never reaches stay empty (measured: -20 and 28 empty).
    const Region tall = Region::round_rect(-10, 30, -5, -20, 23, 60);
    EXPECT_FALSE(tall.contains(-8, -20));
    EXPECT_FALSE(tall.contains(-8, 28));
    EXPECT_TRUE(tall.contains(-9, -18));
    EXPECT_FALSE(tall.contains(-10, -18));
    EXPECT_TRUE(tall.contains(-10, 0));
    EXPECT_FALSE(tall.contains(-6, 0));
}

TEST(Region, PolygonUsesTopLeftCornersAndWinding) {
    // Hypotenuse from (6, 0) to (0, 4): x = 6 - 1.5 y; a pixel is in when its corner is.
    const Region t = TriangleRegion({0, 0}, {6, 0}, {0, 4});
    EXPECT_EQ(RowSpans(t, 0, 5), (std::vector<std::pair<int, int>>{{0, 6}, {0, 5}, {0, 3}, {0, 2}, {0, 0}}));
    // The mirror image is not the pixel mirror: left edges count, right edges do not.
    const Region m = TriangleRegion({6, 0}, {0, 0}, {6, 4});
    EXPECT_EQ(RowSpans(m, 0, 5), (std::vector<std::pair<int, int>>{{0, 6}, {2, 6}, {3, 6}, {5, 6}, {0, 0}}));
    // An axis-aligned square covers exactly [l, r) x [t, b).
    const Point sq[] = {{2, 3}, {9, 3}, {9, 8}, {2, 8}};
    EXPECT_TRUE(Region::polygon(sq) == Region::from_rect({2, 3, 9, 8}));
    // Winding: a square traced twice in the same direction is still filled, and a bow tie
    // fills both lobes.
    const Point twice[] = {{0, 0}, {4, 0}, {4, 4}, {0, 4}, {0, 0}, {4, 0}, {4, 4}, {0, 4}};
    EXPECT_TRUE(Region::polygon(twice) == Region::from_rect({0, 0, 4, 4}));
    // Degenerate polygons cover nothing.
    const Point line[] = {{0, 0}, {10, 0}, {5, 0}};
    EXPECT_TRUE(Region::polygon(line).empty());
}

TEST(Region, PolygonsKeepInvariantsWithRandomPoints) {
    std::mt19937 e(11);
    std::uniform_int_distribution<int> c(-40, 80);
    for (int trial = 0; trial < 200; ++trial) {
        std::vector<Point> pts(3 + trial % 5);
        for (Point& p : pts) p = {c(e), c(e)};
        const Region r = Region::polygon(pts);
        ASSERT_TRUE(r.invariants_hold());
        const Region rr = Region::round_rect(c(e), c(e), c(e), c(e), c(e), c(e));
        ASSERT_TRUE(rr.invariants_hold());
        ASSERT_TRUE(r.united(rr).invariants_hold());
        ASSERT_TRUE(r.xored(rr).invariants_hold());
    }
}

// Pixel (x, y) of a polygon by its definition, without any scanline: the winding number of its
// top-left corner, where an edge crossing row y counts for the columns from the first one at or
// right of it (so left and top edges are in, right and bottom edges out).
bool WindingInside(const std::vector<Point>& pts, int x, int y) {
    int wind = 0;
    for (std::size_t i = 0; i < pts.size(); ++i) {
        Point p = pts[i], q = pts[(i + 1) % pts.size()];
        if (p.y == q.y) continue;
        const int dir = p.y < q.y ? 1 : -1;
        if (dir < 0) std::swap(p, q);
        if (y < p.y || y >= q.y) continue;
        const int64_t num = int64_t(y - p.y) * (q.x - p.x), den = q.y - p.y;
        const int64_t ceil = num / den + (num % den > 0 ? 1 : 0);
        if (p.x + ceil <= x) wind += dir;
    }
    return wind != 0;
}

TEST(PolygonUnion, EqualsEachPolygonsPixelsAndTheirPairwiseUnion) {
    std::mt19937 e(23);
    std::uniform_int_distribution<int> c(-20, 60);
    for (int trial = 0; trial < 150; ++trial) {
        // Any mix of orientations, self-crossing and degenerate polygons.
        std::vector<std::vector<Point>> polygons(1 + trial % 6);
        for (auto& poly : polygons) {
            poly.resize(std::size_t(3 + e() % 5));
            for (Point& p : poly) p = {c(e), trial % 5 == 0 ? c(e) / 8 * 8 : c(e)};
        }
        PolygonUnion one_pass;
        Region pairwise;
        Pixels expected;
        for (const auto& poly : polygons) {
            one_pass.add(poly);
            pairwise = pairwise.united(Region::polygon(poly));
            for (int y = -21; y < 62; ++y)
                for (int x = -21; x < 62; ++x)
                    if (WindingInside(poly, x, y)) expected.insert({x, y});
        }
        const Region got = one_pass.take();
        ASSERT_TRUE(got.invariants_hold()) << "trial " << trial;
        ASSERT_EQ(PixelsOf(got), expected) << "trial " << trial;
        ASSERT_TRUE(got == pairwise) << "trial " << trial;
        EXPECT_TRUE(one_pass.take().empty());  // used up
    }
}

// The grid of growing triangles, united one triangle after the other as its definition reads.
Region PairwiseTriangleGrid(int w, int h, int progress) {
    const FrameMeasures m = ComputeMeasures(w, h, progress, 4);
    const int a = m.x / 5, c = MulDiv(a, h, w);
    Region out;
    for (int i = 0; i <= 9; ++i)
        for (int j = 0; j <= 9; ++j) {
            const int x = (i * w) / 10, y = (j * h) / 10;
            out = out.united(TriangleRegion({x, y}, {x + a, y}, {x, y + c}));
        }
    return out;
}

TEST(PolygonUnion, TriangleGridStyleEqualsItsPairwiseUnion) {
    struct Size {
        int w, h;
    };
    test::HighRandom unused;
    for (const Size size : {Size{1920, 1080}, Size{61, 37}, Size{37, 61}, Size{800, 600}, Size{9, 3}}) {
        for (int p : {0, 1, 13, 49, 50, 51, 77, 99, 100}) {
            const auto got = StyleRegion(117, size.w, size.h, ComputeMeasures(size.w, size.h, p, 4), unused);
            ASSERT_TRUE(got.has_value());
            ASSERT_TRUE(got->invariants_hold()) << size.w << "x" << size.h << " at " << p;
            ASSERT_TRUE(*got == PairwiseTriangleGrid(size.w, size.h, p)) << size.w << "x" << size.h << " at " << p;
        }
    }
    EXPECT_EQ(unused.calls, 0);
}

TEST(RegionBuilders, StripRegionPieces) {
    EXPECT_FALSE(StripRegion(10, 10, 100, 50, 0, 0, 0).has_value());
    // First half, kind 2: rows 0..5, 10..15, ... from the left, 30 pixels long.
    const Region a = *StripRegion(30, 0, 100, 20, 0, 2, 0);
    EXPECT_TRUE(a == Region::from_rects({{0, 0, 30, 5}, {0, 10, 30, 15}, {0, 20, 30, 25}}));
    // Within Band of the far edge the strips snap to full length.
    const Region snapped = *StripRegion(95, 0, 100, 20, 9, 1, 0);
    EXPECT_TRUE(snapped == Region::from_rects({{0, 0, 100, 5}, {0, 10, 100, 15}, {0, 20, 100, 25}}));
    // Second half, kind 1: the first rows whole and the gaps growing from the right.
    const Region b = *StripRegion(140, 0, 100, 20, 0, 1, 0);
    EXPECT_TRUE(b == Region::from_rects({{0, 0, 100, 5}, {60, 5, 100, 10}, {0, 10, 100, 15}, {60, 15, 100, 20}}));
    EXPECT_TRUE(b.invariants_hold());
}

TEST(RegionBuilders, DissolveCellAndDraws) {
    EXPECT_EQ(DissolveCell(100, 100, 50), 7);
    EXPECT_EQ(DissolveCell(10, 10, 0), 1);
    // One draw per grid point; with every draw at 99 nothing is added at p < 100.
    test::HighRandom high;
    EXPECT_FALSE(DissolveRegion(100, 100, 50, high).has_value());
    EXPECT_EQ(high.calls, 15 * 15);  // x, y = 0, 7, ..., 98
}

TEST(RegionBuilders, RandomBuildersKeepInvariants) {
    test::SeededRandom random(3);
    for (int p = 0; p <= 100; p += 7) {
        const int x = p * 3, y = p * 2;
        for (int k = 1; k <= 4; ++k) {
            auto r = RaggedRegion(x, y, 300, 200, k, 5 - k, random);
            ASSERT_TRUE(r && r->invariants_hold());
            EXPECT_TRUE(r->bounds().left >= -300 / 7 && r->bounds().right <= 300 + 300 / 7);
        }
        for (int k = 1; k <= 2; ++k) {
            auto s = ScatterRegion(x, y, 300, 200, k, 3 - k, random);
            ASSERT_TRUE(s && s->invariants_hold());
        }
        auto d = DissolveRegion(300, 200, p, random);
        if (d) {
            ASSERT_TRUE(d->invariants_hold());
        }
    }
    // At full length the ragged rows cover the whole picture.
    auto full = RaggedRegion(300, 0, 300, 200, 1, 0, random);
    EXPECT_TRUE(full->intersected(Region::from_rect({0, 0, 300, 200})) == Region::from_rect({0, 0, 300, 200}));
}

}  // namespace
}  // namespace scr
