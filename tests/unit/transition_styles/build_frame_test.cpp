#include <gtest/gtest.h>

#include <cstring>
#include <utility>
#include <vector>

#include "transition/blit.h"
#include "transition/frame.h"
#include "transition/region_builders.h"
#include "transition/styles.h"
#include "test_util.h"

namespace scr {
namespace {

struct Frame {
    Bitmap old_bmp, new_bmp, screen;
    std::vector<Rect> invalidated;
    int before = 0, after = 0;
    int progress = 0;

    Frame(int w, int h) : old_bmp(test::Pattern(w, h, 1)), new_bmp(test::Pattern(w, h, 2)), screen(w, h) {}

    // Builds one frame; with_observer adds an OnBeforeNewFrame handler, which makes the
    // engine copy the old picture ahead instead of fusing the copy into the drawing.
    void build(int style, int p, unsigned seed = 9, bool with_observer = false, int step = 4) {
        test::SeededRandom random(seed);
        FrameContext ctx;
        ctx.old_bitmap = &old_bmp;
        ctx.new_bitmap = &new_bmp;
        ctx.screen = &screen;
        ctx.style = style;
        ctx.progress = p;
        ctx.step = step;
        ctx.random = &random;
        ctx.invalidate_area = [this](const Rect& r) { invalidated.push_back(r); };
        if (with_observer) ctx.before_new_frame = [this] { ++before; };
        ctx.after_new_frame = [this] { ++after; };
        screen.fill(0x123456);  // stale content must never show through
        BuildFrame(ctx);
        progress = ctx.progress;
    }
};

constexpr int kW = 61, kH = 37;  // odd sizes: padded rows, uneven halves

TEST(BuildFrame, WorkedMeasures) {
    const FrameMeasures a = ComputeMeasures(200, 100, 50, 4);
    EXPECT_EQ(a.x, 100);
    EXPECT_EQ(a.y, 50);
    EXPECT_EQ(a.step_len, 9);
    const FrameMeasures b = ComputeMeasures(100, 200, 50, 4);
    EXPECT_EQ(b.y, 100);
    EXPECT_EQ(b.x, 50);

    struct Case {
        int style;
        CopyPass last;
    };
    const Case cases[] = {
        {5, {{0, 0, 100, 100}, {0, 0, 100, 100}}},
        {53, {{50, 25, 150, 75}, {50, 25, 150, 75}}},
        {51, {{-100, -50, 300, 150}, {50, 25, 150, 75}}},
        {20, {{0, 50, 200, 150}, {0, 0, 200, 100}}},
        {26, {{0, -50, 200, 150}, {0, 25, 200, 75}}},
    };
    for (const Case& c : cases) EXPECT_EQ(RectanglePasses(c.style, 200, 100, a).back(), c.last) << c.style;
    // Fold width: X div 2 early, W div 10 in the middle, (W - X) div 2 near the end.
    EXPECT_EQ(RectanglePasses(14, 200, 100, ComputeMeasures(200, 100, 10, 4)).front().d, (Rect{20, 0, 30, 100}));
    EXPECT_EQ(RectanglePasses(14, 200, 100, a).front().d, (Rect{100, 0, 120, 100}));
    EXPECT_EQ(RectanglePasses(14, 200, 100, ComputeMeasures(200, 100, 90, 4)).front().d, (Rect{180, 0, 190, 100}));
}

TEST(BuildFrame, RectangleStyleDrawsItsBoxAndInvalidatesIt) {
    Frame f(200, 100);
    f.build(53, 50);
    ASSERT_EQ(f.invalidated, (std::vector<Rect>{{50, 25, 150, 75}}));
    for (int y = 0; y < 100; ++y)
        for (int x = 0; x < 200; ++x) {
            const bool inside = x >= 50 && x < 150 && y >= 25 && y < 75;
            ASSERT_EQ(0, std::memcmp(f.screen.pixel(x, y), (inside ? f.new_bmp : f.old_bmp).pixel(x, y), 3));
        }
    EXPECT_EQ(f.after, 1);
}

TEST(BuildFrame, MultiPassStylesInvalidateEveryPassInOrder) {
    Frame f(200, 100);
    f.build(12, 50);
    EXPECT_EQ(f.invalidated, (std::vector<Rect>{{0, 0, 51, 100}, {149, 0, 200, 100}}));
    f.invalidated.clear();
    f.build(55, 0);  // earlier passes run even at progress 0
    EXPECT_EQ(f.invalidated, (std::vector<Rect>{{0, 0, 1, 1}, {0, 99, 1, 100}, {199, 99, 200, 100}, {199, 0, 200, 1}}));
    EXPECT_EQ(0, std::memcmp(f.screen.pixel(0, 0), f.new_bmp.pixel(0, 0), 3));
    EXPECT_EQ(0, std::memcmp(f.screen.pixel(199, 0), f.old_bmp.pixel(199, 0), 3));  // the last pass is not drawn
}

TEST(BuildFrame, EndsShowNewAndStartsShowOld) {
    for (int style = 1; style <= 127; ++style) {
        Frame f(kW, kH);
        f.build(style, 100);
        EXPECT_TRUE(f.screen.same_pixels(f.new_bmp)) << "style " << style << " at 100";
        if (IsMultiPassStyle(style)) continue;
        f.build(style, 0);
        EXPECT_TRUE(f.screen.same_pixels(f.old_bmp)) << "style " << style << " at 0";
    }
}

// The frame drawn the straightforward way: the old picture, then the style's copies or its
// clip region drawn over it with the plain helpers.
Bitmap Reference(const Frame& f, int style, int p, unsigned seed) {
    Bitmap out = f.old_bmp.clone();
    const int w = out.width(), h = out.height();
    const FrameMeasures m = ComputeMeasures(w, h, p, 4);
    if (KindOfStyle(style) == StyleKind::Rectangle) {
        auto passes = RectanglePasses(style, w, h, m);
        if (p == 0) passes.pop_back();
        for (const CopyPass& c : passes) {
            if (c.flip_left_right || c.flip_top_bottom)
                MirrorBlt(out, c.d, f.new_bmp, c.flip_left_right, c.flip_top_bottom, c.s);
            else
                CopyRect(out, c.d, f.new_bmp, c.s);
        }
    } else {
        test::SeededRandom random(seed);
        const auto region = StyleRegion(style, w, h, m, random);
        if (region && p > 0) DrawThroughRegion(out, f.new_bmp, *region);
    }
    return out;
}

TEST(BuildFrame, OnePassFramesEqualTheStraightforwardDrawing) {
    for (int style = 1; style <= 127; ++style) {
        const StyleKind kind = KindOfStyle(style);
        for (int p : {0, 3, 27, 50, 77, 99}) {
            Frame fused(kW, kH), copied(kW, kH);
            fused.build(style, p, 5);
            copied.build(style, p, 5, true);
            ASSERT_TRUE(fused.screen.same_pixels(copied.screen)) << "style " << style << " at " << p;
            ASSERT_EQ(fused.invalidated, copied.invalidated);
            EXPECT_EQ(copied.before, 1);
            if (kind == StyleKind::Rectangle || kind == StyleKind::Region) {
                ASSERT_TRUE(fused.screen.same_pixels(Reference(fused, style, p, 5))) << "style " << style << " at " << p;
            }
        }
    }
}

// Frames too large for the cache are streamed out row by row instead of being written in
// place; both ways must give the same pixels and invalidations, including at the ends of a show
// and with rows that do not start on a 16-byte boundary.
TEST(BuildFrame, StreamedFramesEqualCachedFrames) {
    struct Size {
        int w, h;
    };
    for (const Size size : {Size{61, 37}, Size{97, 23}, Size{5, 9}}) {
        for (int style = 1; style <= 127; ++style) {
            for (int p : {0, 1, 27, 50, 77, 100}) {
                Frame cached(size.w, size.h), streamed(size.w, size.h);
                for (auto [frame, writes] : {std::pair{&cached, FrameWrites::Cached}, std::pair{&streamed, FrameWrites::Streamed}}) {
                    Frame* f = frame;  // a plain pointer: lambdas cannot capture structured bindings everywhere
                    test::SeededRandom random(7);
                    FrameContext ctx;
                    ctx.old_bitmap = &f->old_bmp;
                    ctx.new_bitmap = &f->new_bmp;
                    ctx.screen = &f->screen;
                    ctx.style = style;
                    ctx.progress = p;
                    ctx.random = &random;
                    ctx.invalidate_area = [f](const Rect& r) { f->invalidated.push_back(r); };
                    f->screen.fill(0x123456);
                    BuildFrame(ctx, writes);
                }
                ASSERT_TRUE(streamed.screen.same_pixels(cached.screen))
                    << size.w << "x" << size.h << " style " << style << " at " << p;
                ASSERT_EQ(streamed.invalidated, cached.invalidated) << "style " << style << " at " << p;
            }
        }
    }
}

TEST(BuildFrame, RegionAndPixelStylesInvalidateTheWholePicture) {
    for (int style : {58, 85, 99, 110, 117, 118, 120, 127}) {
        Frame f(kW, kH);
        f.build(style, 40);
        EXPECT_EQ(f.invalidated, (std::vector<Rect>{{0, 0, kW, kH}})) << style;
    }
}

TEST(BuildFrame, RegionStylesShowOnlyOldOrNewPixels) {
    for (int style = 58; style <= 127; ++style) {
        if (KindOfStyle(style) != StyleKind::Region) continue;
        for (int p : {13, 50, 88}) {
            Frame f(kW, kH);
            f.build(style, p, unsigned(style));
            int from_new = 0;
            for (int y = 0; y < kH; ++y)
                for (int x = 0; x < kW; ++x) {
                    const bool is_new = !std::memcmp(f.screen.pixel(x, y), f.new_bmp.pixel(x, y), 3);
                    const bool is_old = !std::memcmp(f.screen.pixel(x, y), f.old_bmp.pixel(x, y), 3);
                    ASSERT_TRUE(is_new || is_old) << style << " at " << x << "," << y;
                    from_new += is_new;
                }
            // Curved wipes start slowly; late in the show every style reveals something.
            if (p == 88) {
                EXPECT_GT(from_new, 0) << style;
            }
        }
    }
}

TEST(BuildFrame, CrossFadeAndRotationsInBetween) {
    Frame f(kW, kH);
    f.build(118, 30);
    Bitmap want(kW, kH);
    BlendIntoPortable(want, f.old_bmp, f.new_bmp, 30);
    EXPECT_TRUE(f.screen.same_pixels(want));
    // A quarter turn about a corner outside the picture leaves the old picture at 0; at an
    // eighth of a turn about (W, H), pixel (W - 10, H - 1) takes source pixel (W - 6, H - 8).
    f.build(119, 0);
    EXPECT_TRUE(f.screen.same_pixels(f.old_bmp));
    f.build(122, 50);
    EXPECT_EQ(0, std::memcmp(f.screen.pixel(kW - 10, kH - 1), f.new_bmp.pixel(kW - 6, kH - 8), 3));
    EXPECT_EQ(0, std::memcmp(f.screen.pixel(0, 0), f.old_bmp.pixel(0, 0), 3));
}

TEST(BuildFrame, DissolveWithoutSquaresLeavesTheFrameUnchanged) {
    Frame f(kW, kH);
    test::HighRandom high;  // Random(100) is always 99, never below p
    FrameContext ctx;
    ctx.old_bitmap = &f.old_bmp;
    ctx.new_bitmap = &f.new_bmp;
    ctx.screen = &f.screen;
    ctx.style = 127;
    ctx.progress = 60;
    ctx.random = &high;
    BuildFrame(ctx);
    EXPECT_TRUE(f.screen.same_pixels(f.old_bmp));
    EXPECT_GT(high.calls, 0);
}

TEST(BuildFrame, StyleZeroAndStylesAboveTheTable) {
    Frame f(kW, kH);
    f.build(0, 20);  // no handler: the new picture at once, progress jumps to 100
    EXPECT_TRUE(f.screen.same_pixels(f.new_bmp));
    EXPECT_EQ(f.progress, 100);
    EXPECT_EQ(f.invalidated, (std::vector<Rect>{{0, 0, kW, kH}}));

    Bitmap seen_picture;
    FrameContext ctx;
    ctx.old_bitmap = &f.old_bmp;
    ctx.new_bitmap = &f.new_bmp;
    ctx.screen = &f.screen;
    ctx.style = 0;
    ctx.progress = 20;
    ctx.custom_draw = [&](const Bitmap& picture, Bitmap& screen) {
        EXPECT_TRUE(screen.same_pixels(f.old_bmp));  // the handler draws over the old picture
        seen_picture = picture.clone();
        screen.pixel(0, 0)[0] ^= 0xff;
    };
    BuildFrame(ctx);
    EXPECT_EQ(ctx.progress, 20);
    EXPECT_TRUE(seen_picture.same_pixels(f.new_bmp));
    EXPECT_EQ(f.screen.pixel(0, 0)[0], uint8_t(f.old_bmp.pixel(0, 0)[0] ^ 0xff));

    f.invalidated.clear();
    f.after = 0;
    f.build(200, 50, 9, true);
    EXPECT_TRUE(f.screen.same_pixels(f.old_bmp));
    EXPECT_TRUE(f.invalidated.empty());
    EXPECT_EQ(f.before, 1);
    EXPECT_EQ(f.after, 0);
}

TEST(BuildFrame, TinyAndEmptyPicturesStayInsideTheirBitmaps) {
    for (auto [w, h] : {std::pair{0, 0}, std::pair{1, 1}, std::pair{2, 1}, std::pair{1, 3}, std::pair{7, 2}}) {
        for (int style = 0; style <= 127; ++style) {
            for (int p : {0, 1, 50, 100}) {
                Frame f(w, h);
                f.build(style, p);
                if (p == 100) {
                    ASSERT_TRUE(f.screen.same_pixels(f.new_bmp)) << w << "x" << h << " style " << style;
                }
            }
        }
    }
}

TEST(BuildFrame, MismatchedSizesDrawNothing) {
    Frame f(kW, kH);
    Bitmap small(kW - 1, kH);
    FrameContext ctx;
    ctx.old_bitmap = &small;
    ctx.new_bitmap = &f.new_bmp;
    ctx.screen = &f.screen;
    ctx.style = 51;
    ctx.progress = 50;
    f.screen.fill(0x010203);
    BuildFrame(ctx);
    EXPECT_EQ(f.screen.pixel(3, 3)[0], 0x01);
}

}  // namespace
}  // namespace scr
