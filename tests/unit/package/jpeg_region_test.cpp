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

// Draws source at (x, y) of a tw x th target with draw(target) and expects the target of the long
// way: the whole picture decoded, then copied.
template <class Draw>
void ExpectAsWholeDecode(const Bitmap& full, int tw, int th, int x, int y, const Rect& source, Draw&& draw) {
    Bitmap got(tw, th), want(tw, th);
    got.fill(kUntouched);
    want.fill(kUntouched);
    draw(got);
    CopyBitmapRect(want, x, y, full, source);
    ASSERT_TRUE(got.same_pixels(want)) << source.left << "," << source.top << " .. " << source.right << ","
                                       << source.bottom << " to " << x << "," << y << " of " << tw << "x" << th;
}

void ExpectAreaAsWholeDecode(const Picture& p, const Bitmap& full, int tw, int th, int x, int y, const Rect& s) {
    SCOPED_TRACE(p.name);
    ExpectAsWholeDecode(full, tw, th, x, y, s, [&](Bitmap& t) { DecodeJpegArea(p.jpeg, s, t, x, y); });
}

TEST(JpegRegion, EveryWindowMatchesTheWholeDecode) {
    std::mt19937 e(20240607);
    auto pick = [&e](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(e); };
    for (const Picture& p : Pictures()) {
        const Bitmap full = DecodeJpeg(p.jpeg);
        const int w = full.width(), h = full.height();
        // Windows starting and ending on each column and row of two block-grid cells (16 pixels
        // in the usual grids), so that every position against crop and skip boundaries is met.
        for (int edge = 0; edge <= 33; ++edge)
            for (int len : {1, 2, 15, 16, 17}) {
                ExpectAreaAsWholeDecode(p, full, w, 3, 0, 0, {edge, h / 2, edge + len, h / 2 + 3});
                ExpectAreaAsWholeDecode(p, full, w, 3, 0, 0, {w - edge - len, h / 3, w - edge, h / 3 + 3});
                ExpectAreaAsWholeDecode(p, full, 5, h, 0, 0, {w / 2, edge, w / 2 + 5, edge + len});
                ExpectAreaAsWholeDecode(p, full, 5, h, 0, 0, {w / 3, h - edge - len, w / 3 + 5, h - edge});
            }
        // Sources reaching past the picture, targets smaller or larger than it, placed anywhere.
        for (int trial = 0; trial < 60; ++trial) {
            const int l = pick(-8, w), t = pick(-8, h), tw = pick(1, w + 10), th = pick(1, h + 10);
            const Rect source{l, t, l + pick(0, w + 8), t + pick(0, h + 8)};
            ExpectAreaAsWholeDecode(p, full, tw, th, pick(-w, tw), pick(-h, th), source);
        }
        ExpectAreaAsWholeDecode(p, full, w, h, 0, 0, {0, 0, w, h});
    }
}

TEST(JpegRegion, TheGraphicDrawsWithoutKeepingPixels) {
    const auto jpeg = test::MakeSceneJpeg({.width = 70, .height = 50});
    TJPEGImage image, empty;
    image.LoadFromBytes(SharedBytes::Copy(jpeg));
    const Bitmap full = DecodeJpeg(jpeg);
    const Rect s{9, 5, 61, 40};
    ExpectAsWholeDecode(full, 40, 30, -3, 2, s, [&](Bitmap& t) { image.DrawRegion(t, -3, 2, s); });
    EXPECT_FALSE(image.Decoded());
    image.Pixels();  // once decoded, the kept pixels serve
    ExpectAsWholeDecode(full, 40, 30, -3, 2, s, [&](Bitmap& t) { image.DrawRegion(t, -3, 2, s); });
    ExpectAsWholeDecode(Bitmap(), 40, 30, 0, 0, s, [&](Bitmap& t) { empty.DrawRegion(t, 0, 0, s); });
}

TEST(JpegRegion, BadPicturesFailAsTheWholeDecodeFails) {
    Bitmap target(16, 16);
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
    auto error_of = [](auto&& decode) -> std::string {
        try {
            decode();
        } catch (const EJPEG& e) {
            return e.what();
        }
        return "";
    };
    for (JpegKind kind : {JpegKind::Baseline, JpegKind::Progressive}) {
        const auto whole = test::MakeSceneJpeg({.width = 64, .height = 64, .kind = kind});
        for (int tenths = 3; tenths <= 9; ++tenths) {
            const Picture p{"cut short", {whole.begin(), whole.begin() + std::ptrdiff_t(whole.size() * tenths / 10)}};
            Bitmap full;
            const std::string error = error_of([&] { full = DecodeJpeg(p.jpeg); });
            if (error.empty())
                ExpectAreaAsWholeDecode(p, full, 30, 40, 0, 0, {20, 17, 50, 64});
            else
                EXPECT_EQ(error_of([&] { DecodeJpegArea(p.jpeg, {20, 17, 50, 64}, target, 0, 0); }), error);
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
