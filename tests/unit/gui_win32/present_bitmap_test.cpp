// Presenting 24-bit bitmaps as 32-bit rows: the row expansion on every path, at every length
// around its block sizes, and parts of a bitmap put on a real window through strips, read back
// pixel for pixel.
#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "capture.h"
#include "patterns.h"
#include "gui/win32/present_bitmap.h"
#include "gui/win32/win32_backend.h"

namespace scr {
namespace {

constexpr uint32_t kGuard = 0xA5A5A5A5u;

// Each pixel's expected word, straight from its three bytes.
std::vector<uint32_t> Expected(const uint8_t* row, int count) {
    std::vector<uint32_t> words;
    for (int x = 0; x < count; ++x)
        words.push_back(uint32_t(row[3 * x]) | uint32_t(row[3 * x + 1]) << 8 | uint32_t(row[3 * x + 2]) << 16);
    return words;
}

TEST(ExpandRow24To32, EveryPathGivesEachPixelItsWordAndWritesNothingBeyond) {
    using Expand = void (*)(const uint8_t*, uint32_t*, int);
    std::vector<std::pair<const char*, Expand>> paths = {{"portable", ExpandRow24To32Portable}, {"chosen", ExpandRow24To32}};
    uint8_t probe[3] = {};
    uint32_t probe_word = 0;
    if (ExpandRow24To32Ssse3(probe, &probe_word, 1))
        paths.emplace_back("ssse3", [](const uint8_t* s, uint32_t* d, int n) { ExpandRow24To32Ssse3(s, d, n); });
    for (const auto& [name, expand] : paths) {
        // Lengths around the blocks of 4 and 16 pixels; rows from an even and an odd address.
        for (int count = 0; count <= 70; ++count) {
            std::vector<uint8_t> bytes(std::size_t(count) * 3 + 1);
            for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = uint8_t(i * 37 + count * 11 + 1);
            for (int offset : {0, 1}) {
                const uint8_t* row = bytes.data() + offset;
                std::vector<uint32_t> out(std::size_t(count) + 2, kGuard);
                expand(row, out.data() + 1, count);
                EXPECT_EQ(std::vector<uint32_t>(out.begin() + 1, out.end() - 1), Expected(row, count))
                    << name << ", " << count << " pixels from offset " << offset;
                EXPECT_EQ(out.front(), kGuard) << name << ", " << count << " pixels";
                EXPECT_EQ(out.back(), kGuard) << name << ", " << count << " pixels";
            }
        }
    }
}

// An odd width, so that rows are padded and the blocks of pixels never come out even.
constexpr int kW = 157, kH = 93;

class PresentBitmapTest : public test::ShownWindowTest {
protected:
    PresentBitmapTest() : ShownWindowTest(kW, kH) {}
    void SetUp() override {
        ShownWindowTest::SetUp();
        if (!IsSkipped()) Settle();
    }
};

TEST_F(PresentBitmapTest, PartsLandExactlyThroughStripsOfEverySize) {
    const Bitmap image = test::PatternBitmap(211, 131, 5);
    const Rect dest{3, 5, 3 + 101, 5 + 77};
    const int src_x = 37, src_y = 41;
    // One row per strip, strips that do not divide the height, and the whole part at once.
    for (const std::size_t strip_bytes : {std::size_t(1), std::size_t(101) * 4 * 10 + 7, kPresentStripBytes}) {
        HDC dc = GetDC(hwnd());
        const RECT all{0, 0, kW, kH};
        FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
        std::vector<uint32_t> strip;
        EXPECT_TRUE(PresentBitmap(dc, dest, image, src_x, src_y, strip, strip_bytes));
        ReleaseDC(hwnd(), dc);
        GdiFlush();
        const Bitmap shot = Shot();
        int wrong = 0, touched = 0;
        for (int y = 0; y < kH; ++y)
            for (int x = 0; x < kW; ++x) {
                const uint8_t* got = shot.pixel(x, y);
                if (dest.contains(x, y)) {
                    const uint8_t* want = image.pixel(src_x + x - dest.left, src_y + y - dest.top);
                    wrong += got[0] != want[0] || got[1] != want[1] || got[2] != want[2];
                } else {
                    touched += got[0] != 0 || got[1] != 0 || got[2] != 0;
                }
            }
        EXPECT_EQ(wrong, 0) << "strips of " << strip_bytes << " bytes";
        EXPECT_EQ(touched, 0) << "strips of " << strip_bytes << " bytes";
    }
}

TEST_F(PresentBitmapTest, TheWindowsPresentShowsTheSamePart) {
    const Bitmap image = test::PatternBitmap(kW + 20, kH + 10, 9);
    const Rect dest{10, 0, kW, kH - 4};
    window->Present(dest, image, 20, 10);
    GdiFlush();
    const Bitmap shot = Shot();
    int wrong = 0;
    for (int y = dest.top; y < dest.bottom; ++y)
        for (int x = dest.left; x < dest.right; ++x) {
            const uint8_t* got = shot.pixel(x, y);
            const uint8_t* want = image.pixel(x - dest.left + 20, y - dest.top + 10);
            wrong += got[0] != want[0] || got[1] != want[1] || got[2] != want[2];
        }
    EXPECT_EQ(wrong, 0);
}

}  // namespace
}  // namespace scr
