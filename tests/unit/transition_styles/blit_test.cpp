#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "transition/blit.h"
#include "transition/pixel_copy.h"
#include "test_util.h"

namespace scr {
namespace {

// A source whose pixel (x, y) holds x and y, so a copy shows where each pixel came from.
Bitmap Coordinates(int w, int h) {
    Bitmap b(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            b.pixel(x, y)[0] = uint8_t(x);
            b.pixel(x, y)[1] = uint8_t(y);
            b.pixel(x, y)[2] = 0;
        }
    return b;
}

// One destination row as source columns ("-" where the copy did not write).
std::string RowSources(const Bitmap& d, int y) {
    std::string s;
    for (int x = 0; x < d.width(); ++x) {
        const uint8_t* p = d.pixel(x, y);
        s += p[2] == 0xff ? std::string("-") : std::to_string(p[0]);
        if (x + 1 < d.width()) s += ' ';
    }
    return s;
}
std::string ColumnSources(const Bitmap& d, int x) {
    std::string s;
    for (int y = 0; y < d.height(); ++y) {
        const uint8_t* p = d.pixel(x, y);
        s += p[2] == 0xff ? std::string("-") : std::to_string(p[1]);
        if (y + 1 < d.height()) s += ' ';
    }
    return s;
}

TEST(StretchCopy, MapsLikeThePlatform) {
    // Expected rows measured from the platform's StretchBlt in COLORONCOLOR mode.
    struct Case {
        int sw, dw, sx, sww, dx, dww;
        const char* row;
    };
    const Case cases[] = {
        {4, 10, 0, 4, 0, 10, "0 0 0 1 1 2 2 2 3 3"},             // enlarging: pixel centres, halves left
        {10, 4, 0, 10, 0, 4, "2 4 7 9"},                         // shrinking columns: last of each run
        {7, 12, 0, 7, 2, 5, "- - 0 2 3 5 6 - - - - -"},
        {7, 12, 0, 7, 2, 9, "- - 0 1 1 2 3 4 5 5 6 -"},
        {4, 12, 0, 4, 10, -5, "- - - - - - 3 2 1 1 0 -"},       // mirrored: start+extent+1 .. start
        {4, 12, 0, 4, 10, -7, "- - - - 3 3 2 1 1 0 0 -"},
        {7, 12, 0, 7, 10, -3, "- - - - - - - - 6 4 1 -"},
        {6, 16, 3, 6, 0, 12, "3 3 4 4 5 5 - - - - - - - - - -"},     // source cut at the right
        {6, 16, -2, 6, 0, 12, "- - - - 0 0 1 1 2 2 3 3 - - - -"},    // and at the left
        {6, 16, 3, 6, 0, 3, "4 5 - - - - - - - - - - - - - -"},      // shrinking a cut source
        {6, 16, 0, 6, -3, 12, "1 2 2 3 3 4 4 5 5 - - - - - - -"},    // destination cut at the left
        {6, 16, 0, 6, -3, 4, "5 - - - - - - - - - - - - - - -"},
        {6, 3, 0, 6, 0, 1, "4 - -"},                                 // into one column: last but one
        {9, 4, 0, 9, 2, -1, "- - 8 -"},                              // unless mirrored
        {6, 3, 0, 6, 0, 0, "- - -"},                                 // nothing for zero extents
        {6, 3, 0, 0, 0, 3, "- - -"},
    };
    for (const Case& c : cases) {
        const Bitmap src = Coordinates(c.sw, 1);
        Bitmap dst(c.dw, 1);
        dst.fill(0x0000ff);  // red byte 0xff marks "not written"
        StretchCopy(dst, c.dx, 0, c.dww, 1, src, c.sx, 0, c.sww, 1);
        EXPECT_EQ(RowSources(dst, 0), c.row) << c.sw << "->" << c.dww << " at " << c.dx;
    }
    // Rows: shrinking keeps the first row of each run; enlarging and mirroring as for columns.
    struct RowCase {
        int sh, dh, sy, shh, dy, dhh;
        const char* column;
    };
    const RowCase rows[] = {
        {10, 4, 0, 10, 0, 4, "0 3 5 8"},
        {6, 16, -1, 6, 0, 3, "0 1 3 - - - - - - - - - - - - -"},  // a cut source: first rows inside
        {6, 16, 3, 6, 0, 3, "3 5 - - - - - - - - - - - - - -"},
        {7, 12, 0, 7, 10, -9, "- - 6 5 5 4 3 2 1 1 0 -"},
    };
    for (const RowCase& c : rows) {
        const Bitmap src = Coordinates(1, c.sh);
        Bitmap dst(1, c.dh);
        dst.fill(0x0000ff);
        StretchCopy(dst, 0, c.dy, 1, c.dhh, src, 0, c.sy, 1, c.shh);
        EXPECT_EQ(ColumnSources(dst, 0), c.column) << c.sh << "->" << c.dhh;
    }
}

TEST(StretchCopy, TwoDimensionalCopyIsTheProductOfItsAxes) {
    const Bitmap src = test::Pattern(37, 23, 5);
    Bitmap dst(50, 40);
    StretchCopy(dst, -7, 3, 61, 30, src, 2, 1, 33, 20);
    Bitmap row_probe(50, 1), col_probe(1, 40);
    const Bitmap xs = Coordinates(37, 1), ys = Coordinates(1, 23);
    row_probe.fill(0x0000ff);
    col_probe.fill(0x0000ff);
    StretchCopy(row_probe, -7, 0, 61, 1, xs, 2, 0, 33, 1);
    StretchCopy(col_probe, 0, 3, 1, 30, ys, 0, 1, 1, 20);
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 50; ++x) {
            if (row_probe.pixel(x, 0)[2] == 0xff || col_probe.pixel(0, y)[2] == 0xff) continue;
            const uint8_t* want = src.pixel(row_probe.pixel(x, 0)[0], col_probe.pixel(0, y)[1]);
            ASSERT_EQ(0, std::memcmp(dst.pixel(x, y), want, 3)) << x << "," << y;
        }
}

TEST(StretchCopy, WritesExactlyItsPlannedRectangle) {
    std::mt19937 e(17);
    std::uniform_int_distribution<int> size(1, 23), pos(-30, 30), ext(-40, 40);
    for (int trial = 0; trial < 400; ++trial) {
        const Bitmap src = test::Pattern(size(e), size(e), unsigned(trial));
        Bitmap dst(size(e), size(e));
        dst.fill(0x0000ff);
        const int dx = pos(e), dy = pos(e), dw = ext(e), dh = ext(e), sx = pos(e), sy = pos(e), sw = ext(e), sh = ext(e);
        const StretchPlan plan(dst.width(), dst.height(), dx, dy, dw, dh, src.width(), src.height(), sx, sy, sw, sh);
        StretchCopy(dst, dx, dy, dw, dh, src, sx, sy, sw, sh);
        const Rect inside = plan.dest().intersected({0, 0, dst.width(), dst.height()});
        ASSERT_EQ(inside, plan.dest());
        for (int y = 0; y < dst.height(); ++y)
            for (int x = 0; x < dst.width(); ++x)
                if (!plan.dest().contains(x, y)) {
                    ASSERT_EQ(dst.pixel(x, y)[2], 0xff) << trial;
                }
    }
}

TEST(MirrorBlt, ReachesTwoPixelsPastTheFlippedEdge) {
    const Bitmap src = Coordinates(8, 1);
    Bitmap dst(12, 1);
    dst.fill(0x0000ff);
    // D = (2, 0, 5, 1) flipped becomes start 6, extent -5: pixels 2..6 from source 1..3.
    MirrorBlt(dst, {2, 0, 5, 1}, src, true, false, {1, 0, 4, 1});
    EXPECT_EQ(RowSources(dst, 0), "- - 3 3 2 1 1 - - - - -");
    // The source is cut to the bitmap before anything else.
    dst.fill(0x0000ff);
    MirrorBlt(dst, {2, 0, 5, 1}, src, true, false, {6, 0, 12, 1});
    EXPECT_EQ(RowSources(dst, 0), "- - 7 7 6 6 6 - - - - -");
}

TEST(BlendBitmaps, VectorisedFormulaEqualsPortable) {
    const Bitmap a = test::Pattern(67, 9, 1), b = test::Pattern(67, 9, 2);
    for (int p = 0; p <= 100; ++p) {
        Bitmap fast(67, 9), streamed(67, 9), slow(67, 9);
        BlendInto(fast, a, b, p);
        BlendInto(streamed, a, b, p, true);  // rows start at every alignment (stride 204)
        BlendIntoPortable(slow, a, b, p);
        ASSERT_TRUE(fast.same_pixels(slow)) << p;
        ASSERT_TRUE(streamed.same_pixels(slow)) << p;
        // Spot check of the formula, each term divided on its own.
        const int t = a.pixel(5, 3)[1], s = b.pixel(5, 3)[1];
        ASSERT_EQ(fast.pixel(5, 3)[1], t * (100 - p) / 100 + s * p / 100);
    }
    Bitmap t = a.clone();
    BlendBitmaps(t, b, 0);
    EXPECT_TRUE(t.same_pixels(a));
    BlendBitmaps(t, b, 100);
    EXPECT_TRUE(t.same_pixels(b));
}

// draw_row takes shortcuts (one copy for plain columns, pairs of pixels per eight-byte store
// otherwise); each must write what the per-pixel form writes, and nothing outside the planned
// columns, including on the last row where nothing may be read past the row's end.
TEST(StretchPlan, DrawRowEqualsPerPixelForm) {
    struct Case {
        int dx, dw, sx, sw;
    };
    const Case cases[] = {
        {0, 90, 0, 30},    // three times as wide: runs of three
        {0, 75, 0, 30},    // runs of two and three
        {5, 59, 3, 20},    // uneven runs, offset
        {-40, 200, 0, 40}, // enlarged past both edges
        {0, 45, 0, 30},    // runs of one and two: too short for runs
        {89, -90, 0, 30},  // mirrored enlargement
        {0, 30, 0, 60},    // halved
        {0, 50, 0, 80},    // shrunk unevenly
        {10, 40, 10, 40},  // plain copy
        {0, 90, 29, 1},    // one source pixel across the row
    };
    const int w = 90, h = 3;
    for (int src_w : {60, 61}) {  // with and without row padding
        const Bitmap src = test::Pattern(src_w, h, 5);
        for (const Case& c : cases) {
            const StretchPlan plan(w, h, c.dx, 0, c.dw, h, src_w, h, c.sx, 0, c.sw, h);
            ASSERT_FALSE(plan.empty());
            for (int sy = 0; sy < h; ++sy) {
                Bitmap fast = test::Pattern(w, 1, 9), slow = test::Pattern(w, 1, 9);
                plan.draw_row(fast.row(0), src, sy);
                plan.draw_row_per_pixel(slow.row(0), src, sy);
                ASSERT_TRUE(fast.same_pixels(slow)) << "case " << c.dx << "," << c.dw << " from " << c.sx << ","
                                                    << c.sw << " width " << src_w << " row " << sy;
            }
        }
    }
}

TEST(StreamBytes, CopiesExactlyTheRangeAtAnyAlignment) {
    std::vector<uint8_t> src(600), dst(600);
    for (std::size_t i = 0; i < src.size(); ++i) src[i] = uint8_t(i * 7 + 3);
    for (std::size_t n : {0u, 1u, 15u, 127u, 128u, 129u, 191u, 256u, 300u, 513u})
        for (std::size_t d_off : {0u, 1u, 8u, 15u})
            for (std::size_t s_off : {0u, 3u, 16u}) {
                std::fill(dst.begin(), dst.end(), uint8_t(0xee));
                stream_bytes(dst.data() + 32 + d_off, src.data() + s_off, n);
                stream_fence();
                for (std::size_t i = 0; i < dst.size(); ++i) {
                    const bool inside = i >= 32 + d_off && i < 32 + d_off + n;
                    const uint8_t want = inside ? src[i - 32 - d_off + s_off] : uint8_t(0xee);
                    ASSERT_EQ(dst[i], want) << "n " << n << " offsets " << d_off << "/" << s_off << " at " << i;
                }
            }
}

TEST(ComposeThroughRegion, StreamedEqualsDrawingOverTheBase) {
    const int w = 70, h = 12;
    const Bitmap base = test::Pattern(w, h, 3), src = test::Pattern(w, h, 4);
    const Region regions[] = {
        Region(),
        Region::from_rect({-5, -5, w + 5, h + 5}),  // every row whole
        Region::from_rects({{-3, 1, 4, 3}, {10, 2, 11, 9}, {60, 0, 90, 12}, {0, 5, w, 6}, {20, 7, 50, 8}}),
        Region::round_rect(-10, 2, 40, 30, 20, 20),
    };
    for (std::size_t k = 0; k < std::size(regions); ++k) {
        Bitmap want = base.clone();
        DrawThroughRegion(want, src, regions[k]);
        for (bool streamed : {false, true}) {
            Bitmap out(w, h);
            out.fill(0x010203);
            ComposeThroughRegion(out, base, src, regions[k], streamed);
            EXPECT_TRUE(out.same_pixels(want)) << "region " << k << (streamed ? " streamed" : " cached");
        }
    }
}

TEST(RotateBitmap, MatchesThePerPixelFormula) {
    const Bitmap src = test::Pattern(41, 29, 3);
    {
        Bitmap t = test::Pattern(41, 29, 4);
        RotateBitmap(t, src, -1, -1, 0.0);
        EXPECT_TRUE(t.same_pixels(src));
    }
    for (double angle : {0.3, 1.0, -0.7, 1.5707963267948966}) {
        const Bitmap before = test::Pattern(41, 29, 4);
        Bitmap t = before.clone();
        const int px = 41, py = -1;
        RotateBitmap(t, src, px, py, angle);
        const double s = std::sin(angle), c = std::cos(angle);
        for (int y = 0; y < 29; ++y)
            for (int x = 0; x < 41; ++x) {
                const int sx = px + int(std::nearbyint((x - px) * c - (y - py) * s));
                const int sy = py + int(std::nearbyint((x - px) * s + (y - py) * c));
                const bool inside = sx >= 0 && sx < 41 && sy >= 0 && sy < 29;
                const uint8_t* want = inside ? src.pixel(sx, sy) : before.pixel(x, y);
                ASSERT_EQ(0, std::memcmp(t.pixel(x, y), want, 3)) << angle << " at " << x << "," << y;
            }
    }
    // A smaller target than the source is only written where it exists.
    Bitmap small(10, 10);
    RotateBitmap(small, src, 0, 0, 0.0);
    EXPECT_EQ(0, std::memcmp(small.pixel(9, 9), src.pixel(9, 9), 3));
}

TEST(FitRect, CentresTheLargestRectangleOfTheAspect) {
    struct Case {
        Rect picture, box, expected;
    };
    const Case cases[] = {
        {{0, 0, 400, 200}, {0, 0, 300, 300}, {0, 75, 300, 225}},
        {{0, 0, 100, 100}, {0, 0, 300, 200}, {50, 0, 250, 200}},
        {{10, 10, 20, 30}, {100, 50, 140, 90}, {110, 50, 130, 90}},  // enlarges, keeps the box offset
        {{0, 0, 3, 3}, {0, 0, 7, 7}, {0, 0, 7, 7}},
        {{0, 0, 0, 5}, {0, 0, 8, 6}, {4, 3, 4, 3}},  // no area: nothing, centred
    };
    for (const Case& c : cases) EXPECT_EQ(FitRect(c.picture, c.box), c.expected);
}

TEST(TileDraw, RepeatsFromTheCornerAndClips) {
    Bitmap tile(3, 2);
    tile.fill(0x0000ff);
    tile.pixel(0, 0)[0] = 7;
    Bitmap canvas(10, 5);
    TileDraw(canvas, {1, 1, 10, 5}, tile);
    EXPECT_EQ(canvas.pixel(1, 1)[0], 7);
    EXPECT_EQ(canvas.pixel(4, 3)[0], 7);
    EXPECT_EQ(canvas.pixel(7, 1)[0], 7);
    EXPECT_EQ(canvas.pixel(0, 0)[2], 0);     // outside the rectangle's corner: untouched
    EXPECT_EQ(canvas.pixel(9, 4)[2], 0xff);  // the extra column reaches the edge
}

TEST(FillSolid, FillsExactlyTheClippedRectangle) {
    const Rect cases[] = {{2, 1, 5, 4}, {-3, -2, 4, 2}, {6, 3, 20, 9}, {3, 3, 3, 5}, {5, 2, 1, 4}, {-9, -9, 99, 99}};
    for (const Rect& r : cases) {
        Bitmap b = test::Pattern(7, 5, 3);
        const Bitmap before = b.clone();
        FillSolid(b, r, 0x00112233);
        for (int y = 0; y < 5; ++y)
            for (int x = 0; x < 7; ++x) {
                const uint8_t* p = b.pixel(x, y);
                if (r.contains(x, y)) {
                    ASSERT_TRUE(p[0] == 0x11 && p[1] == 0x22 && p[2] == 0x33) << x << "," << y;
                } else {
                    ASSERT_EQ(0, std::memcmp(p, before.pixel(x, y), 3)) << x << "," << y;
                }
            }
    }
}

}  // namespace
}  // namespace scr
