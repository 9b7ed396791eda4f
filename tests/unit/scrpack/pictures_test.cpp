// The package tool's picture work: pictures turned upright and fitted to the screen, the
// files that need nothing kept to the byte, other formats converted, hostile files refused
// with the library's own words, and whole builds with folders, orders and parallel jobs.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#ifdef SCR_HAVE_PNG
#include <png.h>
#endif
#ifdef SCR_HAVE_WEBP
#include <webp/encode.h>
#endif
#ifdef SCR_HAVE_HEIF
#include <libheif/heif.h>
#endif
#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#include <sanitizer/lsan_interface.h>
#define SCR_LEAK_CHECKS 1
#endif
#endif

#include "jpeg_maker.h"

#include "base/os.h"
#include "exif.h"
#include "formats.h"
#include "jpeg_codec.h"
#include "pictures.h"
#include "prepare.h"
#include "resample.h"
#include "scrpack.h"

namespace scr::imaging {
namespace {

using Bytes = std::vector<uint8_t>;

// --- Making pictures -------------------------------------------------------------------------

struct Rgb {
    int r, g, b;
};

// A picture of four flat quarters (red, green / blue, white), so that every turn and mirror
// puts different colours in the corners.
constexpr Rgb kQuarters[2][2] = {{{230, 20, 20}, {20, 230, 20}}, {{20, 20, 230}, {240, 240, 240}}};

Image Quarters(int w, int h) {
    Image img(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const Rgb c = kQuarters[y >= h / 2][x >= w / 2];
            uint8_t* p = img.row(y) + 3 * x;
            p[0] = uint8_t(c.r), p[1] = uint8_t(c.g), p[2] = uint8_t(c.b);
        }
    return img;
}

// The stored form of an upright picture under an EXIF orientation, straight from the
// orientation's definition: which side of the picture the stored first row and the stored
// first column show.
enum Side { Top, Bottom, Left, Right };
constexpr Side kFirstRow[9] = {Top, Top, Top, Bottom, Bottom, Left, Right, Right, Left};
constexpr Side kFirstColumn[9] = {Left, Left, Right, Right, Left, Top, Top, Bottom, Bottom};

Image StoredFor(const Image& upright, int o) {
    const int W = upright.width, H = upright.height;
    const bool across = kFirstRow[o] == Left || kFirstRow[o] == Right;  // stored rows run across columns
    Image stored(across ? H : W, across ? W : H);
    for (int r = 0; r < stored.height; ++r)
        for (int c = 0; c < stored.width; ++c) {
            int ux, uy;
            if (!across) {
                uy = kFirstRow[o] == Top ? r : H - 1 - r;
                ux = kFirstColumn[o] == Left ? c : W - 1 - c;
            } else {
                ux = kFirstRow[o] == Left ? r : W - 1 - r;
                uy = kFirstColumn[o] == Top ? c : H - 1 - c;
            }
            std::copy_n(upright.row(uy) + 3 * ux, 3, stored.row(r) + 3 * c);
        }
    return stored;
}

Bytes Jpeg(const Image& img, int quality = 95) { return scr::test::EncodeRgbJpeg(img.rgb, img.width, img.height, quality); }

void PutBe16(Bytes& b, unsigned v) { b.push_back(uint8_t(v >> 8)), b.push_back(uint8_t(v)); }
void PutBe32(Bytes& b, uint32_t v) { PutBe16(b, v >> 16), PutBe16(b, v & 0xFFFF); }

// A big-endian EXIF block: the orientation in the main directory, and the time taken in
// the EXIF directory when given.
Bytes ExifBlock(int orientation, const std::string& taken = {}) {
    Bytes t = {'M', 'M', 0, 42, 0, 0, 0, 8};
    const bool dated = !taken.empty();
    PutBe16(t, dated ? 2 : 1);
    PutBe16(t, 0x0112), PutBe16(t, 3), PutBe32(t, 1), PutBe16(t, unsigned(orientation)), PutBe16(t, 0);
    if (dated) PutBe16(t, 0x8769), PutBe16(t, 4), PutBe32(t, 1), PutBe32(t, 8 + 2 + 24 + 4);
    PutBe32(t, 0);
    if (dated) {
        PutBe16(t, 1);
        PutBe16(t, 0x9003), PutBe16(t, 2), PutBe32(t, 20), PutBe32(t, uint32_t(t.size() + 4 + 4));
        PutBe32(t, 0);
        t.insert(t.end(), taken.begin(), taken.end());
        t.push_back(0);
    }
    return t;
}

Bytes WithExifBlock(Bytes jpeg, const Bytes& tiff) {
    Bytes segment = {0xFF, 0xE1};
    PutBe16(segment, unsigned(2 + 6 + tiff.size()));
    segment.insert(segment.end(), {'E', 'x', 'i', 'f', 0, 0});
    segment.insert(segment.end(), tiff.begin(), tiff.end());
    jpeg.insert(jpeg.begin() + 2, segment.begin(), segment.end());
    return jpeg;
}

Bytes WithExif(Bytes jpeg, int orientation, const std::string& taken = {}) {
    return WithExifBlock(std::move(jpeg), ExifBlock(orientation, taken));
}

double MeanDifference(const Image& a, const Image& b) {
    EXPECT_EQ(a.size(), b.size());
    if (a.size() != b.size()) return 1e9;
    double sum = 0;
    for (std::size_t i = 0; i < a.rgb.size(); ++i) sum += std::abs(int(a.rgb[i]) - int(b.rgb[i]));
    return sum / double(a.rgb.size());
}

void ExpectColour(const Image& img, int x, int y, Rgb want, int tolerance, const std::string& what) {
    const uint8_t* p = img.row(y) + 3 * x;
    EXPECT_NEAR(p[0], want.r, tolerance) << what << " at " << x << "," << y;
    EXPECT_NEAR(p[1], want.g, tolerance) << what << " at " << x << "," << y;
    EXPECT_NEAR(p[2], want.b, tolerance) << what << " at " << x << "," << y;
}

// --- Orientation, fitting, keeping -------------------------------------------------------------

// Every orientation gives the upright picture, losslessly where the size allows (64x48 is
// whole 16-pixel blocks) and mostly through a new encoding where it does not (61x45); the
// result carries no orientation that a viewer would apply again.
TEST(Prepare, EveryOrientationComesOutUpright) {
    for (const Size size : {Size{64, 48}, Size{61, 45}}) {
        const Image upright = Quarters(size.width, size.height);
        for (int o = 1; o <= 8; ++o) {
            const std::string what = std::to_string(size.width) + "x" + std::to_string(size.height) + " orientation " +
                                     std::to_string(o);
            const Bytes file = WithExif(Jpeg(StoredFor(upright, o)), o);
            const PreparedPicture p = PreparePicture(file, {});
            EXPECT_EQ(p.orientation, o) << what;
            EXPECT_EQ(p.size, size) << what;
            // A mirror about the main diagonal moves no partial block to the far side: it is
            // lossless at any size.
            const Preparation expected = o == 1 ? Preparation::Kept
                                         : size.width % 16 == 0 || o == 5 ? Preparation::Transformed
                                                                          : Preparation::Encoded;
            EXPECT_EQ(p.how, expected) << what;
            EXPECT_EQ(ReadJpegExif(p.jpeg).orientation, 1) << what;
            const Image out = DecodeJpeg(p.jpeg);
            ASSERT_EQ(out.size(), size) << what;
            // The same pixels as decoding the file and turning it.
            EXPECT_LT(MeanDifference(out, Orient(DecodeJpeg(file), o)), 3.0) << what;
            // And the quarters where they belong.
            for (int qy = 0; qy < 2; ++qy)
                for (int qx = 0; qx < 2; ++qx)
                    ExpectColour(out, size.width / 4 + qx * size.width / 2, size.height / 4 + qy * size.height / 2,
                                 kQuarters[qy][qx], 24, what);
        }
    }
}

TEST(Prepare, FitBoxArithmetic) {
    struct Case {
        Size picture, box, fitted;
    };
    const Case cases[] = {
        {{6000, 4000}, {1920, 1080}, {1620, 1080}},  // landscape, the height touches
        {{4000, 6000}, {1920, 1080}, {720, 1080}},   // portrait
        {{3840, 2160}, {1920, 1080}, {1920, 1080}},  // the box's own shape
        {{1920, 1080}, {1920, 1080}, {1920, 1080}},  // exact fit
        {{1921, 1080}, {1920, 1080}, {1920, 1079}},  // one pixel over in width
        {{1920, 1081}, {1920, 1080}, {1918, 1080}},  // one pixel over in height
        {{100, 50}, {1920, 1080}, {100, 50}},        // small pictures are never enlarged
        {{1, 1}, {1920, 1080}, {1, 1}},
        {{30000, 1}, {1920, 1080}, {1920, 1}},       // never below one pixel
        {{1, 30000}, {1920, 1080}, {1, 1080}},
        {{5000, 5000}, {1, 1}, {1, 1}},
        {{4000, 3000}, {1080, 1920}, {1080, 810}},   // a portrait screen
    };
    for (const Case& c : cases) {
        const Size f = FitInside(c.picture, c.box);
        EXPECT_EQ(f, c.fitted) << c.picture.width << "x" << c.picture.height << " in " << c.box.width << "x"
                               << c.box.height << " gave " << f.width << "x" << f.height;
    }
}

TEST(Prepare, KeepsToTheByteWhatNeedsNothingAndNeverEnlarges) {
    const Bytes small = WithExif(scr::test::MakeJpeg(100, 50), 1, "2020:01:02 03:04:05");
    const Bytes large = scr::test::MakeJpeg(3000, 1000, scr::test::JpegKind::Progressive);
    struct Case {
        const char* what;
        const Bytes& file;
        PrepareOptions options;
        Preparation how;
        Size size;
    };
    const Case cases[] = {
        {"small, default box", small, {}, Preparation::Kept, {100, 50}},
        {"small, tiny box", small, {Size{50, 50}, 92}, Preparation::Encoded, {50, 25}},
        {"large, default box", large, {}, Preparation::Encoded, {1920, 640}},
        {"large, no box", large, {std::nullopt, 92}, Preparation::Kept, {3000, 1000}},
        {"large, box its size", large, {Size{3000, 1000}, 92}, Preparation::Kept, {3000, 1000}},
    };
    for (const Case& c : cases) {
        const PreparedPicture p = PreparePicture(c.file, c.options);
        EXPECT_EQ(p.how, c.how) << c.what;
        EXPECT_EQ(p.size, c.size) << c.what;
        if (c.how == Preparation::Kept) EXPECT_EQ(p.jpeg, c.file) << c.what;
        else EXPECT_EQ(ReadJpegHeader(p.jpeg).size, c.size) << c.what;
    }
    // The quality asked for is the quality used.
    EXPECT_LT(PreparePicture(large, {Size{800, 800}, 30}).jpeg.size(), PreparePicture(large, {Size{800, 800}, 95}).jpeg.size());
}

// Reduced decoding stays at or above the target, at the smallest such scale.
TEST(Prepare, DctScaleIsTheSmallestAtOrAboveTheTarget) {
    EXPECT_EQ(DctScaleFor({6000, 4000}, {1620, 1080}), 3);
    EXPECT_EQ(DctScaleFor({1920, 1080}, {1920, 1080}), 8);
    EXPECT_EQ(DctScaleFor({1000, 1000}, {125, 125}), 1);
    EXPECT_EQ(DctScaleFor({1000, 1000}, {126, 126}), 2);
    EXPECT_EQ(DctScaleFor({1001, 10}, {126, 2}), 1);  // 1001/8 rounds up to 126
    EXPECT_EQ(DctScaleFor({1001, 10}, {127, 2}), 2);
}

// --- Other formats ---------------------------------------------------------------------------

// Left half opaque red, right half fully transparent white: the right must come out black.
[[maybe_unused]] std::vector<uint8_t> HalfTransparent(int w, int h) {
    std::vector<uint8_t> rgba(std::size_t(w) * h * 4);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            uint8_t* p = &rgba[(std::size_t(y) * w + x) * 4];
            const bool left = x < w / 2;
            p[0] = left ? 220 : 255, p[1] = left ? 30 : 255, p[2] = left ? 30 : 255, p[3] = left ? 255 : 0;
        }
    return rgba;
}

Bytes MakePng(int w, int h) {
#ifdef SCR_HAVE_PNG
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = png_uint_32(w);
    image.height = png_uint_32(h);
    image.format = PNG_FORMAT_RGBA;
    const std::vector<uint8_t> rgba = HalfTransparent(w, h);
    png_alloc_size_t size = 0;
    EXPECT_TRUE(png_image_write_to_memory(&image, nullptr, &size, 0, rgba.data(), 0, nullptr));
    Bytes out(size);
    EXPECT_TRUE(png_image_write_to_memory(&image, out.data(), &size, 0, rgba.data(), 0, nullptr));
    return out;
#else
    // Enough of a PNG to be recognised: the signature and the header chunk.
    Bytes out = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n', 0, 0, 0, 13, 'I', 'H', 'D', 'R'};
    PutBe32(out, uint32_t(w)), PutBe32(out, uint32_t(h));
    out.insert(out.end(), {8, 6, 0, 0, 0, 0, 0, 0, 0});
    return out;
#endif
}

Bytes MakeWebp(int w, int h) {
#ifdef SCR_HAVE_WEBP
    const std::vector<uint8_t> rgba = HalfTransparent(w, h);
    uint8_t* data = nullptr;
    const std::size_t size = WebPEncodeLosslessRGBA(rgba.data(), w, h, w * 4, &data);
    Bytes out(data, data + size);
    WebPFree(data);
    return out;
#else
    Bytes out = {'R', 'I', 'F', 'F', 30, 0, 0, 0, 'W', 'E', 'B', 'P', 'V', 'P', '8', 'L'};
    out.resize(44);
    (void)w, (void)h;
    return out;
#endif
}

Bytes MakeHeic(int w, int h) {
#ifdef SCR_HAVE_HEIF
#ifdef SCR_LEAK_CHECKS
    // The HEVC encoder keeps a few buffers for the life of the process.
    __lsan::ScopedDisabler encoder_buffers;
#endif
    heif_context* ctx = heif_context_alloc();
    heif_encoder* encoder = nullptr;
    if (heif_context_get_encoder_for_format(ctx, heif_compression_HEVC, &encoder).code != heif_error_Ok) {
        heif_context_free(ctx);
        return {};
    }
    heif_encoder_set_lossy_quality(encoder, 90);
    heif_image* image = nullptr;
    heif_image_create(w, h, heif_colorspace_RGB, heif_chroma_interleaved_RGBA, &image);
    heif_image_add_plane(image, heif_channel_interleaved, w, h, 8);
    int stride = 0;
    uint8_t* plane = heif_image_get_plane(image, heif_channel_interleaved, &stride);
    const std::vector<uint8_t> rgba = HalfTransparent(w, h);
    for (int y = 0; y < h; ++y) std::copy_n(&rgba[std::size_t(y) * w * 4], w * 4, plane + std::size_t(y) * stride);
    heif_context_encode_image(ctx, image, encoder, nullptr, nullptr);
    heif_writer writer{};
    writer.writer_api_version = 1;
    writer.write = [](heif_context*, const void* data, size_t size, void* user) {
        auto* out = static_cast<Bytes*>(user);
        out->insert(out->end(), static_cast<const uint8_t*>(data), static_cast<const uint8_t*>(data) + size);
        return heif_error{heif_error_Ok, heif_suberror_Unspecified, "ok"};
    };
    Bytes out;
    heif_context_write(ctx, &writer, &out);
    heif_image_release(image);
    heif_encoder_release(encoder);
    heif_context_free(ctx);
    return out;
#else
    Bytes out = {0, 0, 0, 24, 'f', 't', 'y', 'p', 'h', 'e', 'i', 'c', 0, 0, 0, 0, 'm', 'i', 'f', '1', 'h', 'e', 'i', 'c'};
    (void)w, (void)h;
    return out;
#endif
}

// PNG, WebP and HEIC pictures become JPEGs of the fitted size with transparency on black;
// a build without a format's library names the format instead.
TEST(Prepare, OtherFormatsAreConvertedOrNamed) {
    struct Case {
        Format format;
        Bytes (*make)(int, int);
        int tolerance;
    };
    const Case cases[] = {{Format::Png, MakePng, 12}, {Format::Webp, MakeWebp, 12}, {Format::Heif, MakeHeic, 40}};
    for (const Case& c : cases) {
        const std::string name(FormatName(c.format));
        for (const Size size : {Size{64, 48}, Size{2400, 600}}) {
            const Bytes file = c.make(size.width, size.height);
            if (file.empty()) {
                ADD_FAILURE() << name << ": the library could not make a test file";
                continue;
            }
            ASSERT_EQ(SniffFormat(file), c.format) << name;
            if (!CanRead(c.format)) {
                try {
                    PreparePicture(file, {});
                    ADD_FAILURE() << name << " accepted by a build that cannot read it";
                } catch (const PictureError& e) {
                    EXPECT_NE(std::string(e.what()).find(name + " picture, which this build of scrpack cannot read"),
                              std::string::npos) << e.what();
                }
                continue;
            }
            const PreparedPicture p = PreparePicture(file, {});
            EXPECT_EQ(p.format, c.format);
            EXPECT_EQ(p.how, Preparation::Encoded);
            const Size want = FitInside(size, {1920, 1080});
            const Image out = DecodeJpeg(p.jpeg);
            ASSERT_EQ(out.size(), want) << name;
            ExpectColour(out, want.width / 4, want.height / 2, {220, 30, 30}, c.tolerance, name + " opaque half");
            ExpectColour(out, want.width * 3 / 4, want.height / 2, {0, 0, 0}, c.tolerance, name + " transparent half");
        }
    }
}

// --- Bad input -------------------------------------------------------------------------------

Bytes WithJpegSize(Bytes jpeg, int w, int h) {
    for (std::size_t i = 2; i + 9 < jpeg.size(); ++i)
        if (jpeg[i] == 0xFF && (jpeg[i + 1] == 0xC0 || jpeg[i + 1] == 0xC2)) {
            jpeg[i + 5] = uint8_t(h >> 8), jpeg[i + 6] = uint8_t(h), jpeg[i + 7] = uint8_t(w >> 8), jpeg[i + 8] = uint8_t(w);
            break;
        }
    return jpeg;
}

// A HEIF file whose one picture is a grid of tiles; the grid's data states its canvas.
Bytes HeifGrid(uint32_t w, uint32_t h) {
    auto box = [](std::string_view type, const Bytes& payload) {
        Bytes b;
        PutBe32(b, uint32_t(8 + payload.size()));
        b.insert(b.end(), type.begin(), type.end());
        b.insert(b.end(), payload.begin(), payload.end());
        return b;
    };
    auto cat = [](std::initializer_list<Bytes> parts) {
        Bytes out;
        for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
        return out;
    };
    Bytes grid = {0, 1, 0, 0};  // version, 32-bit sizes, one row, one column
    PutBe32(grid, w), PutBe32(grid, h);
    const Bytes infe = box("infe", {2, 0, 0, 0, 0, 1, 0, 0, 'g', 'r', 'i', 'd', 0});
    const Bytes iloc = box("iloc", {1, 0, 0, 0, 0x44, 0x00, 0, 1, 0, 1, 0, 1, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 12});
    const Bytes meta = box("meta", cat({{0, 0, 0, 0}, box("pitm", {0, 0, 0, 0, 0, 1}),
                                        box("iinf", cat({{0, 0, 0, 0, 0, 1}, infe})), iloc, box("idat", grid)}));
    return cat({box("ftyp", {'h', 'e', 'i', 'c', 0, 0, 0, 0, 'm', 'i', 'f', '1'}), meta});
}

TEST(Prepare, BadFilesAreRefusedInTheLibrarysWords) {
    const Bytes jpeg = scr::test::MakeJpeg(64, 64);
    Bytes huge_png = MakePng(8, 8);
    huge_png[16] = 0, huge_png[17] = 1, huge_png[18] = 0x86, huge_png[19] = 0xA0;  // width 100000
    struct Case {
        const char* what;
        Bytes file;
        const char* message;
    };
    const Case cases[] = {
        {"truncated JPEG", Bytes(jpeg.begin(), jpeg.begin() + std::ptrdiff_t(jpeg.size() * 2 / 3)), "Premature end of JPEG file"},
        {"JPEG without its frame", Bytes(jpeg.begin(), jpeg.begin() + 20), "JPEG"},
        {"JPEG of 40000x100", WithJpegSize(jpeg, 40000, 100), "more than scrpack takes"},
        {"JPEG of 20000x20000", WithJpegSize(jpeg, 20000, 20000), "250 megapixels"},
        {"JPEG of width 0", WithJpegSize(jpeg, 0, 100), "Empty JPEG image"},
        {"PNG of width 100000", huge_png, CanRead(Format::Png) ? "more than scrpack takes" : "cannot read"},
        {"PNG signature alone", Bytes{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'}, "PNG"},
        {"GIF", Bytes{'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0}, "a GIF picture, which this build of scrpack cannot read"},
        {"HEIF grid of 20000x20000", HeifGrid(20000, 20000), CanRead(Format::Heif) ? "declares 20000x20000 pixels" : "cannot read"},
        {"text", Bytes{'h', 'e', 'l', 'l', 'o'}, "not a picture in a format scrpack knows"},
        {"empty", Bytes{}, "not a picture"},
    };
    for (const Case& c : cases) {
        try {
            PreparePicture(c.file, {});
            ADD_FAILURE() << c.what << " accepted";
        } catch (const PictureError& e) {
            EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos) << c.what << ": " << e.what();
        }
    }
}

// The EXIF reader on well-formed and hostile blocks: what it can read, and defaults for the rest.
TEST(Exif, ReadsWhatIsThereAndNothingOutsideTheBlock) {
    auto le = [](std::initializer_list<uint8_t> b) { return Bytes(b); };
    const Bytes dated = ExifBlock(6, "2024:07:01 12:00:00");
    Bytes loop = ExifBlock(3);
    loop[loop.size() - 4 + 3] = 8;  // the next directory is this one again
    Bytes beyond = ExifBlock(5);
    beyond[7] = 200;  // the main directory past the end
    Bytes many = ExifBlock(5);
    many[8] = 0xFF, many[9] = 0xFF;  // 65535 entries
    Bytes date_outside = ExifBlock(2, "2024:07:01 12:00:00");
    date_outside[date_outside.size() - 28] = 0xF0;  // the date's offset far past the end
    Bytes prefixed = {'E', 'x', 'i', 'f', 0, 0};
    prefixed.insert(prefixed.end(), dated.begin(), dated.end());
    struct Case {
        const char* what;
        Bytes block;
        int orientation;
        const char* taken;
    };
    const Case cases[] = {
        {"big-endian, dated", dated, 6, "2024:07:01 12:00:00"},
        {"with the Exif prefix", prefixed, 6, "2024:07:01 12:00:00"},
        {"little-endian", le({'I', 'I', 42, 0, 8, 0, 0, 0, 1, 0, 0x12, 0x01, 3, 0, 1, 0, 0, 0, 8, 0, 0, 0, 0, 0, 0, 0}), 8, ""},
        {"orientation 9", ExifBlock(9), 1, ""},
        {"directory loop", loop, 3, ""},
        {"directory beyond the end", beyond, 1, ""},
        {"too many entries", many, 1, ""},
        {"date beyond the end", date_outside, 2, ""},
        {"truncated", Bytes(dated.begin(), dated.begin() + 20), 1, ""},
        {"not TIFF", le({'X', 'X', 42, 0, 8, 0, 0, 0}), 1, ""},
        {"empty", {}, 1, ""},
    };
    for (const Case& c : cases) {
        const ExifData e = ParseExif(c.block);
        EXPECT_EQ(e.orientation, c.orientation) << c.what;
        EXPECT_EQ(e.date_time_original, c.taken) << c.what;
    }
    EXPECT_EQ(HeifDerivedCanvas(HeifGrid(4096, 3072)), (Size{4096, 3072}));
    EXPECT_EQ(ExifTimeToSeconds("2024:07:01 12:00:00"), 1719835200);
    EXPECT_EQ(ExifTimeToSeconds("1970:01:01 00:00:00"), 0);
    EXPECT_EQ(ExifTimeToSeconds("    :  :     :  :  "), std::nullopt);
    // Resetting the orientation touches the tag's two bytes and nothing else.
    const Bytes tagged = WithExif(scr::test::MakeJpeg(16, 16), 7);
    Bytes reset = tagged;
    ResetJpegOrientation(reset);
    EXPECT_EQ(ReadJpegExif(reset).orientation, 1);
    std::size_t changed = 0;
    for (std::size_t i = 0; i < tagged.size(); ++i) changed += tagged[i] != reset[i];
    EXPECT_EQ(changed, 1u);

    // Overlapping directories where the first reset uncovers a turned entry (a fuzzer find):
    // the thumbnail directory at 8 shares bytes with the main one at 12, and resetting its
    // out-of-range value sets the main entry's count to nonzero, revealing orientation 6.
    const Bytes overlap = {'M', 'M', 0, 42, 0, 0, 0, 12, 0, 1, 0x01, 0x12, 0, 3, 0x01, 0x12, 0, 3, 0, 0, 0, 0,
                           0, 6, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                           0, 0, 0, 0, 0, 0, 0, 0, 0, 8};
    for (const bool prefixed_block : {false, true}) {
        Bytes block = overlap;
        if (prefixed_block) block.insert(block.begin(), {'E', 'x', 'i', 'f', 0, 0});
        Bytes jpeg = WithExifBlock(scr::test::MakeJpeg(16, 16), block);
        ResetJpegOrientation(jpeg);
        EXPECT_EQ(ReadJpegExif(jpeg).orientation, 1) << (prefixed_block ? "prefixed twice" : "overlapping");
    }
    // The offsets count from the start of the span given, prefix or not.
    EXPECT_EQ(ParseExif(ExifBlock(3)).orientation_offsets, std::vector<std::size_t>{18});
    EXPECT_EQ(ParseExif(prefixed).orientation_offsets, std::vector<std::size_t>{24});
}

}  // namespace
}  // namespace scr::imaging

// --- Whole builds ----------------------------------------------------------------------------

namespace scrpack {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;

class BuildPicturesTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("scrpack-pictures-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
                                           "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
        write("stub.scr", Bytes(1000, 'M'));
    }
    void TearDown() override { fs::remove_all(dir_); }

    std::string path(const std::string& name) const { return JoinNative(dir_.string(), name); }
    std::string write(const std::string& name, const Bytes& bytes) {
        scr::sys::File f = scr::sys::File::Create(path(name));
        f.write(bytes.data(), int64_t(bytes.size()));
        return path(name);
    }
    Bytes read(const std::string& name) const { return ReadFile(path(name), uint64_t(1) << 30); }

    struct Outcome {
        int status;
        std::string out, err;
    };
    Outcome run(Args args) {
        std::ostringstream out, err;
        const int status = Main(args, out, err);
        return {status, out.str(), err.str()};
    }
    Outcome build(Args more) {
        Args args = {"build", "-s", path("stub.scr"), "-o", path("out.scr")};
        args.insert(args.end(), more.begin(), more.end());
        return run(args);
    }
    std::string picture_names() {
        const std::string json = run({"info", "--json", path("out.scr")}).out;
        const std::string key = "\"PicFileNamesCommaList\": \"";
        const std::size_t at = json.find(key);
        return at == std::string::npos ? "" : json.substr(at + key.size(), json.find('"', at + key.size()) - at - key.size());
    }

    fs::path dir_;
};

using scr::imaging::Image;

Bytes Photo(int w, int h, int orientation, const std::string& taken) {
    return scr::imaging::WithExif(scr::test::MakeJpeg(w, h), orientation, taken);
}

TEST_F(BuildPicturesTest, FoldersAndTheThreeOrders) {
    fs::create_directories(dir_ / "album");
    write("album/c.jpg", Photo(40, 30, 1, "2021:05:05 10:00:00"));
    write("album/A.jpg", Photo(40, 30, 1, "2023:05:05 10:00:00"));
    write("album/b.jpg", scr::test::MakeJpeg(40, 30));  // no EXIF: its file time counts
    write("album/notes.txt", Bytes(10, 'x'));
    fs::last_write_time(dir_ / "album" / "b.jpg",
                        std::chrono::file_clock::from_sys(std::chrono::sys_seconds{std::chrono::sys_days{std::chrono::year{2022} / 1 / 1}}));
    struct Case {
        Args args;
        const char* names;
    };
    const Case cases[] = {
        {{path("album")}, "A.jpg,b.jpg,c.jpg"},
        {{"--order", "name", path("album/c.jpg"), path("album/b.jpg"), path("album/A.jpg")}, "A.jpg,b.jpg,c.jpg"},
        {{"--order=date", path("album")}, "c.jpg,b.jpg,A.jpg"},
        {{"--order", "as-given", path("album/b.jpg"), path("album/c.jpg"), path("album/A.jpg")}, "b.jpg,c.jpg,A.jpg"},
    };
    for (const Case& c : cases) {
        const Outcome r = build(c.args);
        ASSERT_EQ(r.status, kExitOk) << r.err;
        EXPECT_EQ(picture_names(), c.names) << c.args[0];
    }
    EXPECT_EQ(build({"--order", "size", path("album")}).status, kExitUsage);
}

// The saver's bytes depend on the pictures alone, not on how many are prepared at once; a
// picture that needs nothing is stored to the byte.
TEST_F(BuildPicturesTest, ParallelJobsMakeTheSameSaver) {
    Args pictures;
    for (int i = 0; i < 7; ++i) {
        const std::string name = "p" + std::to_string(i) + ".jpg";
        write(name, Photo(300 + 37 * i, 200 + 11 * i, 1 + i, ""));
        pictures.push_back(path(name));
    }
    const Bytes kept = scr::test::MakeJpeg(50, 40);
    write("kept.jpg", kept);
    pictures.push_back(path("kept.jpg"));
    Args one = pictures, four = pictures;
    one.insert(one.begin(), {"--fit", "200x150", "-j", "1"});
    four.insert(four.begin(), {"--fit", "200x150", "--jobs=4"});
    ASSERT_EQ(build(one).status, kExitOk);
    const Bytes by_one = read("out.scr");
    const Outcome r = build(four);
    ASSERT_EQ(r.status, kExitOk) << r.err;
    EXPECT_EQ(read("out.scr"), by_one);
    EXPECT_NE(r.out.find("1 kept as they were"), std::string::npos) << r.out;
    ASSERT_EQ(run({"extract", path("out.scr"), path("x")}).status, kExitOk);
    EXPECT_EQ(read("x" + std::string(1, scr::sys::PathSeparator()) + "picture-008.jpg"), kept);
}

TEST_F(BuildPicturesTest, AnUnreadablePictureIsNamedAndNothingIsWritten) {
    const Bytes good = scr::test::MakeJpeg(64, 64);
    write("good.jpg", good);
    write("cut.jpg", Bytes(good.begin(), good.begin() + std::ptrdiff_t(good.size() / 2)));
    const Outcome r = build({path("good.jpg"), path("cut.jpg")});
    EXPECT_EQ(r.status, kExitBadPackage);
    EXPECT_NE(r.err.find("cut.jpg: Premature end of JPEG file"), std::string::npos) << r.err;
    EXPECT_FALSE(fs::exists(path("out.scr")));
    EXPECT_FALSE(fs::exists(path("out.scr.part")));
    for (const char* bad : {"0x0", "10", "axb", "40000x10", "none2"})
        EXPECT_EQ(build({"--fit", bad, path("good.jpg")}).status, kExitUsage) << bad;
    EXPECT_EQ(build({"--quality", "101", path("good.jpg")}).status, kExitUsage);
    EXPECT_EQ(build({"-j", "0", path("good.jpg")}).status, kExitUsage);
}

TEST_F(BuildPicturesTest, SoundsThatAreNotWavMp3OrMidiAreNamed) {
    write("a.jpg", scr::test::MakeJpeg(8, 8));
    struct Case {
        const char* name;
        Bytes head;
        bool warned;
    };
    const Case cases[] = {
        {"tune.ogg", {'O', 'g', 'g', 'S', 0, 2, 0, 0}, true},
        {"tagged.mp3", {'I', 'D', '3', 4, 0, 0, 0, 0}, false},
        {"bare.mp3", {0xFF, 0xFB, 0x90, 0x64, 0, 0}, false},
        {"wave.wav", {'R', 'I', 'F', 'F', 4, 0, 0, 0, 'W', 'A', 'V', 'E'}, false},
        {"song.mid", {'M', 'T', 'h', 'd', 0, 0, 0, 6}, false},
        {"renamed.mp3", {'f', 'L', 'a', 'C', 0, 0, 0, 34}, true},
    };
    for (const Case& c : cases) {
        write(c.name, c.head);
        const Outcome r = build({path("a.jpg"), "--sound", path(c.name)});
        ASSERT_EQ(r.status, kExitOk) << r.err;
        EXPECT_EQ(r.err.find(std::string(c.name) + " is not a WAV, MP3 or MIDI sound") != std::string::npos, c.warned)
            << c.name << ": " << r.err;
    }
}

TEST_F(BuildPicturesTest, InfoTellsWhichPicturesFitTheScreen) {
    write("wide.jpg", scr::test::MakeJpeg(300, 100));
    write("tall.jpg", scr::test::MakeJpeg(100, 300));
    ASSERT_EQ(build({"--fit", "none", path("wide.jpg"), path("tall.jpg")}).status, kExitOk);
    const Outcome text = run({"info", "--screen", "200x200", path("out.scr")});
    EXPECT_NE(text.out.find("TJPEGImage 300x100, larger than 200x200 (cut)"), std::string::npos) << text.out;
    EXPECT_NE(text.out.find("TJPEGImage 100x300, larger than 200x200 (cut)"), std::string::npos) << text.out;
    const Outcome json = run({"info", "--json", "--screen=300x300", path("out.scr")});
    EXPECT_NE(json.out.find("\"width\": 300,\n      \"height\": 100,\n      \"grayscale\": false,\n"
                            "      \"progressive\": false,\n      \"fits_screen\": true"),
              std::string::npos) << json.out;
    EXPECT_NE(json.out.find("\"screen\": {\n    \"width\": 300,\n    \"height\": 300\n  }"), std::string::npos);
    EXPECT_NE(run({"info", path("out.scr")}).out.find("300x100, fits 1920x1080"), std::string::npos);
    EXPECT_EQ(run({"info", "--screen", "wide", path("out.scr")}).status, kExitUsage);
}

}  // namespace
}  // namespace scrpack
