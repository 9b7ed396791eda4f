// Partial decoding of the JPEG graphic and the slide geometry that uses it: whatever part of a
// picture is decoded, wherever it lands, the pixels are those of the whole decode copied there.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "jpeg_maker.h"
#include "package/errors.h"
#include "package/jpeg.h"

namespace scr {
namespace {

using test::Chroma;
using test::JpegKind;

constexpr uint32_t kUntouched = 0x5A3C1E;  // what the target holds where nothing is drawn

struct Picture {
    std::string name;
    std::vector<uint8_t> jpeg;
};

std::vector<Picture> Pictures() {
    auto scene = [](int w, int h, JpegKind kind, Chroma chroma, int restart_rows = 0) {
        return test::MakeSceneJpeg(
            {.width = w, .height = h, .kind = kind, .chroma = chroma, .restart_rows = restart_rows});
    };
    return {
        {"baseline 4:2:0", scene(97, 61, JpegKind::Baseline, Chroma::k420)},
        {"baseline 4:2:2", scene(83, 45, JpegKind::Baseline, Chroma::k422)},
        {"baseline 4:4:0", scene(41, 70, JpegKind::Baseline, Chroma::k440)},
        {"baseline 4:4:4", scene(50, 33, JpegKind::Baseline, Chroma::k444)},
        {"baseline 4:1:1", scene(101, 27, JpegKind::Baseline, Chroma::k411)},
        {"progressive 4:2:0", scene(97, 61, JpegKind::Progressive, Chroma::k420)},
        {"progressive 4:2:2", scene(66, 40, JpegKind::Progressive, Chroma::k422)},
        {"progressive 4:4:4", scene(35, 50, JpegKind::Progressive, Chroma::k444)},
        {"grayscale", scene(45, 29, JpegKind::Grayscale, Chroma::k444)},
        {"restart markers", scene(120, 90, JpegKind::Baseline, Chroma::k420, 1)},
        {"one pixel", scene(1, 1, JpegKind::Baseline, Chroma::k420)},
        {"odd and small", scene(17, 9, JpegKind::Progressive, Chroma::k420)},
        {"cmyk", test::MakeJpeg(37, 23, JpegKind::Cmyk)},
    };
}

// The target after drawing source at (x, y) the long way: the whole picture, then a copy.
Bitmap Expected(const Bitmap& full, int tw, int th, int x, int y, const Rect& source) {
    Bitmap want(tw, th);
    want.fill(kUntouched);
    CopyBitmapRect(want, x, y, full, source);
    return want;
}

std::string Describe(const std::string& name, int tw, int th, int x, int y, const Rect& s) {
    return name + ": " + std::to_string(s.left) + "," + std::to_string(s.top) + " .. " + std::to_string(s.right) + "," +
           std::to_string(s.bottom) + " to " + std::to_string(x) + "," + std::to_string(y) + " of " +
           std::to_string(tw) + "x" + std::to_string(th);
}

void ExpectSameAsWholeDecode(const Picture& p, const Bitmap& full, int tw, int th, int x, int y, const Rect& source) {
    Bitmap got(tw, th);
    got.fill(kUntouched);
    DecodeJpegArea(p.jpeg, source, got, x, y);
    ASSERT_TRUE(got.same_pixels(Expected(full, tw, th, x, y, source))) << Describe(p.name, tw, th, x, y, source);
}

TEST(JpegRegion, EveryAlignmentOfTheWindowMatchesTheWholeDecode) {
    // Windows starting and ending on each column and row of two block-grid cells (16 pixels in
    // the usual grids), so that every position against the crop and skip boundaries is met.
    for (const Picture& p : Pictures()) {
        const Bitmap full = DecodeJpeg(p.jpeg);
        const int w = full.width(), h = full.height();
        for (int edge = 0; edge <= 33 && edge < w; ++edge)
            for (int len : {1, 2, 15, 16, 17}) {
                ExpectSameAsWholeDecode(p, full, w, 3, 0, 0, {edge, h / 2, edge + len, h / 2 + 3});
                ExpectSameAsWholeDecode(p, full, w, 3, 0, 0, {w - edge - len, h / 3, w - edge, h / 3 + 3});
            }
        for (int edge = 0; edge <= 33 && edge < h; ++edge)
            for (int len : {1, 2, 15, 16, 17}) {
                ExpectSameAsWholeDecode(p, full, 5, h, 0, 0, {w / 2, edge, w / 2 + 5, edge + len});
                ExpectSameAsWholeDecode(p, full, 5, h, 0, 0, {w / 3, h - edge - len, w / 3 + 5, h - edge});
            }
    }
}

TEST(JpegRegion, RandomWindowsAndTargetsMatchTheWholeDecode) {
    std::mt19937 e(20240607);
    for (const Picture& p : Pictures()) {
        const Bitmap full = DecodeJpeg(p.jpeg);
        const int w = full.width(), h = full.height();
        for (int trial = 0; trial < 60; ++trial) {
            auto pick = [&e](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(e); };
            // Sources reaching past the picture and targets smaller or larger than it, placed
            // anywhere, inside or partly outside.
            const int l = pick(-8, w), t = pick(-8, h);
            const Rect source{l, t, l + pick(0, w + 8), t + pick(0, h + 8)};
            const int tw = pick(1, w + 10), th = pick(1, h + 10);
            ExpectSameAsWholeDecode(p, full, tw, th, pick(-w, tw), pick(-h, th), source);
        }
        // The whole picture is the plain decode.
        ExpectSameAsWholeDecode(p, full, w, h, 0, 0, {0, 0, w, h});
    }
}

TEST(JpegRegion, TheGraphicDrawsWithoutKeepingPixels) {
    const auto jpeg = test::MakeSceneJpeg({.width = 70, .height = 50});
    TJPEGImage image;
    image.LoadFromBytes(SharedBytes::Copy(jpeg));
    const Bitmap full = DecodeJpeg(jpeg);
    const Rect source{9, 5, 61, 40};
    Bitmap got(40, 30);
    got.fill(kUntouched);
    image.DrawRegion(got, -3, 2, source);
    EXPECT_FALSE(image.Decoded());
    EXPECT_TRUE(got.same_pixels(Expected(full, 40, 30, -3, 2, source)));
    // Once decoded, the kept pixels serve.
    image.Pixels();
    got.fill(kUntouched);
    image.DrawRegion(got, -3, 2, source);
    EXPECT_TRUE(got.same_pixels(Expected(full, 40, 30, -3, 2, source)));
    // An empty graphic draws nothing.
    TJPEGImage empty;
    got.fill(kUntouched);
    empty.DrawRegion(got, 0, 0, source);
    EXPECT_TRUE(got.same_pixels(Expected(Bitmap(), 40, 30, 0, 0, source)));
}

TEST(JpegRegion, BadPicturesFailAsTheWholeDecodeFails) {
    Bitmap target(16, 16);
    // Not a JPEG: the decoder's error.
    const std::vector<uint8_t> junk = {0xFF, 0xD8, 'n', 'o', 't', ' ', 'j', 'p', 'e', 'g'};
    EXPECT_THROW(DecodeJpegArea(junk, {0, 0, 8, 8}, target, 0, 0), EJPEG);
    // A frame too large to decode whole is refused for any part of it too.
    auto huge = test::MakeJpeg(8, 8);
    for (std::size_t i = 0; i + 8 < huge.size(); ++i)
        if (huge[i] == 0xFF && huge[i + 1] == 0xC0) {
            huge[i + 5] = 0xFD, huge[i + 6] = 0xE8, huge[i + 7] = 0xFD, huge[i + 8] = 0xE8;
            break;
        }
    EXPECT_THROW(DecodeJpegArea(huge, {0, 0, 8, 8}, target, 0, 0), EInvalidGraphic);
    // Cut short: the decoder makes up the missing rows the same way either way, or both fail
    // alike (a progressive picture cut inside a later scan's tables).
    for (JpegKind kind : {JpegKind::Baseline, JpegKind::Progressive}) {
        const auto whole = test::MakeSceneJpeg({.width = 64, .height = 64, .kind = kind});
        for (int tenths = 3; tenths <= 9; ++tenths) {
            const auto end = whole.begin() + std::ptrdiff_t(whole.size() * tenths / 10);
            const Picture p{"cut short", std::vector<uint8_t>(whole.begin(), end)};
            std::string full_error;
            Bitmap full;
            try {
                full = DecodeJpeg(p.jpeg);
            } catch (const EJPEG& e) {
                full_error = e.what();
            }
            if (full_error.empty()) {
                ExpectSameAsWholeDecode(p, full, 30, 40, 0, 0, {20, 17, 50, 64});
                continue;
            }
            try {
                DecodeJpegArea(p.jpeg, {20, 17, 50, 64}, target, 0, 0);
                ADD_FAILURE() << "no error for a picture cut at " << tenths << " tenths";
            } catch (const EJPEG& e) {
                EXPECT_EQ(e.what(), full_error);
            }
        }
    }
}

TEST(SlidePlacement, CentresAndCutsEvenly) {
    struct Case {
        int w, h, sw, sh;
        Rect source;
        Point dest;
    };
    const Case cases[] = {
        {1920, 1080, 1920, 1080, {0, 0, 1920, 1080}, {0, 0}},          // exactly the screen
        {1921, 1081, 1920, 1080, {0, 0, 1920, 1080}, {0, 0}},          // one over: -1 div 2 is 0
        {1919, 1079, 1920, 1080, {0, 0, 1919, 1079}, {0, 0}},          // one under: 1 div 2 is 0
        {1923, 1085, 1920, 1080, {1, 2, 1921, 1082}, {0, 0}},          // odd differences, cut evenly
        {1917, 1075, 1920, 1080, {0, 0, 1917, 1075}, {1, 2}},
        {6000, 4000, 1920, 1080, {2040, 1460, 3960, 2540}, {0, 0}},    // much larger
        {640, 4000, 1920, 1080, {0, 1460, 640, 2540}, {640, 0}},       // larger one way only
        {0, 0, 1920, 1080, {}, {}},                                    // nothing shows
    };
    for (const Case& c : cases) {
        const SlidePlacement got = PlaceOnSlide(c.w, c.h, c.sw, c.sh);
        EXPECT_EQ(got.source, c.source) << c.w << "x" << c.h;
        EXPECT_EQ(got.dest, c.dest) << c.w << "x" << c.h;
    }
}

TEST(SlidePlacement, PartialDecodeComposesTheSlideOfTheWholePicture) {
    // The slide as the saver defines it: the whole picture copied at the centring offset.
    struct Size {
        int w, h;
    };
    for (const Size pic : {Size{90, 50}, Size{61, 37}, Size{64, 41}, Size{33, 80}, Size{20, 12}}) {
        const auto jpeg = test::MakeSceneJpeg({.width = pic.w, .height = pic.h, .kind = JpegKind::Progressive});
        const Bitmap full = DecodeJpeg(jpeg);
        for (const Size screen : {Size{64, 40}, Size{63, 41}, Size{61, 37}, Size{60, 36}, Size{100, 100}}) {
            const SlidePlacement place = PlaceOnSlide(pic.w, pic.h, screen.w, screen.h);
            Bitmap slide(screen.w, screen.h);
            if (!place.source.empty()) DecodeJpegArea(jpeg, place.source, slide, place.dest.x, place.dest.y);
            Bitmap want(screen.w, screen.h);
            CopyBitmapRect(want, (screen.w - pic.w) / 2, (screen.h - pic.h) / 2, full, {0, 0, pic.w, pic.h});
            EXPECT_TRUE(slide.same_pixels(want)) << pic.w << "x" << pic.h << " on " << screen.w << "x" << screen.h;
        }
    }
}

}  // namespace
}  // namespace scr
