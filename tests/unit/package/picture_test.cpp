// Picture items and the JPEG graphic: headers read with the item, pixels decoded on first draw.
#include <gtest/gtest.h>

#include <algorithm>

#include "base/bytes.h"
#include "jpeg_maker.h"
#include "package/errors.h"
#include "package/graphics.h"
#include "package/jpeg.h"
#include "stream_builder.h"

namespace scr {
namespace {

using test::Bytes;
using test::JpegKind;
using test::MakeJpeg;

std::unique_ptr<TImage> ReadImage(const std::vector<uint8_t>& bytes, MemoryStream* keep = nullptr) {
    MemoryStream s = MemoryStream::View(bytes);
    MemoryStream& use = keep ? *keep : s;
    auto object = LoadComponentStream(use);
    auto* image = dynamic_cast<TImage*>(object.get());
    if (!image) throw std::runtime_error("not an image");
    object.release();
    return std::unique_ptr<TImage>(image);
}

TEST(PictureItem, ByteLayoutOfAPackagePicture) {
    const auto jpeg = MakeJpeg(4, 3);
    const auto item = test::PictureItem(jpeg);
    // "TPF0", 06 "TImage", 00, then the entries; the binary count is S + 15.
    const std::string start(item.begin(), item.begin() + 12);
    EXPECT_EQ(start, std::string("TPF0\x06TImage\x00", 12));
    const std::string marker = "\x0CPicture.Data\x0A";
    const auto at = std::search(item.begin(), item.end(), marker.begin(), marker.end()) - item.begin();
    const uint32_t count = LoadLE32(&item[std::size_t(at) + 14]);
    EXPECT_EQ(count, jpeg.size() + 15);
    EXPECT_EQ(item[item.size() - 1], 0);
    EXPECT_EQ(item[item.size() - 2], 0);
}

TEST(PictureItem, ReadsTheHeadersOfEachKind) {
    struct Case {
        JpegKind kind;
        int w, h;
        bool grayscale, progressive;
    };
    const Case cases[] = {
        {JpegKind::Baseline, 37, 21, false, false},
        {JpegKind::Progressive, 16, 40, false, true},
        {JpegKind::Grayscale, 9, 9, true, false},
        {JpegKind::Cmyk, 8, 5, false, false},
    };
    for (const auto& c : cases) {
        Bytes b;
        b.append(test::PictureItem(MakeJpeg(c.w, c.h, c.kind))).text("trailing");
        MemoryStream s = MemoryStream::View(b.v);
        auto image = ReadImage(b.v, &s);
        EXPECT_EQ(s.Position(), int64_t(b.v.size()) - 8);  // just after the final 00 00
        EXPECT_EQ(image->Width, 105);
        auto* jpeg = dynamic_cast<TJPEGImage*>(image->Picture.Graphic());
        ASSERT_NE(jpeg, nullptr);
        EXPECT_EQ(jpeg->Width(), c.w);
        EXPECT_EQ(jpeg->Height(), c.h);
        EXPECT_EQ(jpeg->Grayscale(), c.grayscale);
        EXPECT_EQ(jpeg->Progressive(), c.progressive);
        EXPECT_FALSE(jpeg->Decoded());  // only the compressed bytes until first drawn
        const Bitmap& pixels = jpeg->Pixels();
        EXPECT_EQ(pixels.width(), c.w);
        EXPECT_EQ(pixels.height(), c.h);
        EXPECT_TRUE(jpeg->Decoded());
    }
}

TEST(PictureItem, DecodedPixelsFollowThePicture) {
    // Red rises to the right, green downwards, blue stays 64 (B, G, R order in the bitmap).
    for (JpegKind kind : {JpegKind::Baseline, JpegKind::Progressive}) {
        const Bitmap b = DecodeJpeg(MakeJpeg(64, 64, kind, 100));
        const uint8_t* top_left = b.pixel(0, 0);
        const uint8_t* bottom_right = b.pixel(63, 63);
        EXPECT_NEAR(top_left[0], 64, 6);
        EXPECT_NEAR(top_left[2], 0, 6);
        EXPECT_NEAR(bottom_right[1], 255, 6);
        EXPECT_NEAR(bottom_right[2], 255, 6);
    }
    const Bitmap g = DecodeJpeg(MakeJpeg(32, 8, JpegKind::Grayscale, 100));
    const uint8_t* p = g.pixel(31, 4);
    EXPECT_EQ(p[0], p[1]);
    EXPECT_EQ(p[1], p[2]);
    EXPECT_NEAR(p[0], 255, 6);
}

TEST(PictureItem, GraphicClassNameMustMatchExactly) {
    for (const char* name : {"tjpegimage", "TJPEGIMAGE", "TBitmap", "TJPEGImageX"}) {
        auto image = ReadImage(test::PictureItem(MakeJpeg(2, 2), name));
        EXPECT_EQ(image->Picture.Graphic(), nullptr) << name;
    }
}

TEST(PictureItem, EmptyJpegGivesAnEmptyGraphic) {
    Bytes b;
    b.header("TImage").prop("Picture.Data").binary(test::PicturePayload({})).end().end();
    ASSERT_EQ(b.v[b.v.size() - 2 - 15 - 4 - 1], TagBinary);
    auto image = ReadImage(b.v);
    auto* jpeg = dynamic_cast<TJPEGImage*>(image->Picture.Graphic());
    ASSERT_NE(jpeg, nullptr);
    EXPECT_TRUE(jpeg->Empty());
    EXPECT_EQ(jpeg->Width(), 0);
    EXPECT_TRUE(jpeg->Pixels().empty());
}

std::string ImageError(const std::vector<uint8_t>& bytes) {
    try {
        ReadImage(bytes);
    } catch (const std::exception& e) {
        return e.what();
    }
    return "(no error)";
}

TEST(PictureItem, Failures) {
    const auto jpeg = MakeJpeg(8, 8);
    // Cut in the middle of the JPEG bytes.
    auto item = test::PictureItem(jpeg);
    item.resize(item.size() - jpeg.size() / 2);
    EXPECT_EQ(ImageError(item), "Error reading TImage.Picture.Data: Stream read error");

    // The payload claims more JPEG bytes than it holds.
    Bytes payload;
    payload.sstr("TJPEGImage").u32(uint32_t(jpeg.size() + 1)).append(jpeg);
    Bytes b;
    b.header("TImage").prop("Picture.Data").binary(payload.v).end().end();
    EXPECT_EQ(ImageError(b.v), "Error reading TImage.Picture.Data: Stream read error");

    // Not a JPEG at all: the decoder's message number.
    const std::vector<uint8_t> junk = {'n', 'o', 't', 'j', 'p', 'e', 'g'};
    const std::string junk_error = ImageError(test::PictureItem(junk));
    EXPECT_EQ(junk_error.rfind("Error reading TImage.Picture.Data: JPEG error #", 0), 0u) << junk_error;
    try {
        ReadJpegInfo(junk);
        FAIL();
    } catch (const EJPEG& e) {
        EXPECT_NE(dynamic_cast<const EInvalidGraphic*>(&e), nullptr);
        EXPECT_EQ(std::string(e.what()).rfind("JPEG error #", 0), 0u);
    }

    // The defined property must be binary.
    Bytes wrong;
    wrong.header("TImage").prop("Picture.Data").str("x").end().end();
    EXPECT_EQ(ImageError(wrong.v), "Error reading TImage.Picture.Data: Invalid property value");

    // A first four bytes that differ from the signature in any position.
    for (int i = 0; i < 4; ++i) {
        auto bad = test::PictureItem(jpeg);
        bad[std::size_t(i)] ^= 0x20;
        EXPECT_EQ(ImageError(bad), "Invalid stream format");
    }
}

TEST(PictureItem, AbsurdDimensionsFailCleanlyWhenDrawn) {
    // A valid header whose frame promises 65000 x 65000 pixels; the scan data is missing.
    auto jpeg = MakeJpeg(8, 8);
    for (std::size_t i = 0; i + 8 < jpeg.size(); ++i) {
        if (jpeg[i] == 0xFF && jpeg[i + 1] == 0xC0) {  // start of frame: length, precision, height, width
            jpeg[i + 5] = 0xFD, jpeg[i + 6] = 0xE8, jpeg[i + 7] = 0xFD, jpeg[i + 8] = 0xE8;
            break;
        }
    }
    TJPEGImage image;
    image.LoadFromBytes(SharedBytes::Copy(jpeg));
    EXPECT_EQ(image.Width(), 65000);
    EXPECT_THROW(image.Pixels(), EInvalidGraphic);
    EXPECT_THROW(DecodeJpeg(jpeg), EInvalidGraphic);
}

TEST(PictureItem, PictureAssignAndTakeOver) {
    auto image = ReadImage(test::PictureItem(MakeJpeg(3, 2)));
    int changes = 0;
    TPicture copy;
    copy.OnChange = [&] { ++changes; };
    copy.Assign(image->Picture);
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(copy.Width(), 3);
    std::unique_ptr<TGraphic> taken = image->Picture.TakeGraphic();
    image.reset();  // the graphic outlives the component it came with
    EXPECT_EQ(taken->Pixels().width(), 3);
}

}  // namespace
}  // namespace scr
