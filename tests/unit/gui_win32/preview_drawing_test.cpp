// The preview draws the first picture of a package into a window of this process; what lands
// on the window is read back and compared with the same stretch worked out here from the
// natively decoded picture. The filter (HALFTONE) is not modelled pixel for pixel: each
// pixel must lie within the colours of the source pixels that its footprint touches.
// The package headers come before windows.h, whose macros clash with their names.
#include "app/entry.h"
#include "app/preview_picture.h"
#include "package/jpeg.h"
#include "package/settings.h"
#include "package/writer.h"

#include <windows.h>

#include <cstdio>
#include "capture.h"
#include "jpeg_maker.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <vector>

#include "gui/win32/win32_backend.h"

namespace scr {
namespace {

// A test picture with smooth gradients and four sharp-edged blocks, so that a misplaced or
// unscaled drawing differs clearly from the expected one.
std::vector<uint8_t> TestPictureRgb(int w, int h) {
    std::vector<uint8_t> rgb(std::size_t(w) * h * 3);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            uint8_t* p = &rgb[(std::size_t(y) * w + x) * 3];
            p[0] = uint8_t(255 * x / (w - 1));
            p[1] = uint8_t(255 * y / (h - 1));
            p[2] = 128;
            const bool right = x >= w / 2, bottom = y >= h / 2;
            if (std::abs(x - w / 4 - (right ? w / 2 : 0)) < w / 10 && std::abs(y - h / 4 - (bottom ? h / 2 : 0)) < h / 10) {
                p[0] = right ? 255 : 0;
                p[1] = bottom ? 255 : 0;
                p[2] = right == bottom ? 255 : 0;
            }
        }
    }
    return rgb;
}

std::string TempPath(const std::string& name) {
    char dir[MAX_PATH];
    GetTempPathA(MAX_PATH, dir);
    return std::string(dir) + "gui_win32_test_" + std::to_string(GetCurrentProcessId()) + "_" + name;
}

void WriteFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

// A package: a small stub standing for the program image, then the picture and the settings.
std::string MakePackage(const std::vector<uint8_t>& jpeg, const std::string& tag) {
    const std::string stub = TempPath(tag + "_stub.exe"), picture = TempPath(tag + ".jpg");
    WriteFile(stub, std::vector<uint8_t>(3000, 0x90));
    WriteFile(picture, jpeg);
    PackageInput input;
    input.stub_path = stub;
    input.pictures.push_back({picture, "picture.jpg"});
    TSSFileLocations settings;
    settings.Ver = "photo";
    const std::string out = TempPath(tag + ".scr");
    build_package(input, settings, out);
    DeleteFileA(stub.c_str());
    DeleteFileA(picture.c_str());
    return out;
}

class PreviewWindow {
public:
    PreviewWindow(int w, int h) {
        window_ = CreateWindowExA(WS_EX_TOPMOST, "STATIC", "", WS_POPUP | WS_VISIBLE, 40, 40, w, h, nullptr, nullptr,
                                  nullptr, nullptr);
        Pump();
    }
    ~PreviewWindow() {
        if (window_) DestroyWindow(window_);
    }
    HWND get() const { return window_; }

    static void Pump() {
        for (int i = 0; i < 20; ++i) {
            MSG msg;
            while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
            Sleep(10);
        }
    }

    Bitmap Capture(int w, int h) const { return test::CaptureWindow(window_, w, h); }

private:
    HWND window_ = nullptr;
};

struct Mismatch {
    int count = 0;
    int first_x = -1, first_y = -1;
    double mean_error = 0;  // against a bilinear reference, over the whole window
};

// Each pixel of the window must lie within the colours of the source pixels under its
// footprint (widened by one pixel for the filter's reach), plus `slack`.
Mismatch Compare(const Bitmap& shot, const Bitmap& source, int dest_w, int dest_h, int slack) {
    Mismatch m;
    double total = 0;
    for (int y = 0; y < shot.height(); ++y) {
        const int sy0 = std::max(0, y * source.height() / dest_h - 1);
        const int sy1 = std::min(source.height() - 1, ((y + 1) * source.height() + dest_h - 1) / dest_h);
        for (int x = 0; x < shot.width(); ++x) {
            const int sx0 = std::max(0, x * source.width() / dest_w - 1);
            const int sx1 = std::min(source.width() - 1, ((x + 1) * source.width() + dest_w - 1) / dest_w);
            const uint8_t* got = shot.pixel(x, y);
            const double fx = std::clamp((x + 0.5) * source.width() / dest_w - 0.5, 0.0, source.width() - 1.0);
            const double fy = std::clamp((y + 0.5) * source.height() / dest_h - 0.5, 0.0, source.height() - 1.0);
            const int bx = std::min(int(fx), source.width() - 2), by = std::min(int(fy), source.height() - 2);
            for (int c = 0; c < 3; ++c) {
                int lo = 255, hi = 0;
                for (int sy = sy0; sy <= sy1; ++sy) {
                    for (int sx = sx0; sx <= sx1; ++sx) {
                        lo = std::min<int>(lo, source.pixel(sx, sy)[c]);
                        hi = std::max<int>(hi, source.pixel(sx, sy)[c]);
                    }
                }
                if (got[c] < lo - slack || got[c] > hi + slack) {
                    if (m.count++ == 0) {
                        m.first_x = x;
                        m.first_y = y;
                    }
                }
                const double ax = fx - bx, ay = fy - by;
                const double bilinear =
                    (1 - ay) * ((1 - ax) * source.pixel(bx, by)[c] + ax * source.pixel(bx + 1, by)[c]) +
                    ay * ((1 - ax) * source.pixel(bx, by + 1)[c] + ax * source.pixel(bx + 1, by + 1)[c]);
                total += std::abs(bilinear - got[c]);
            }
        }
    }
    m.mean_error = total / (3.0 * shot.width() * shot.height());
    return m;
}

TEST(PreviewDrawing, FirstPictureCoversTheWindowStretched) {
    if (!test::HaveDisplay()) GTEST_SKIP() << "no X display (DISPLAY is unset); the e2e runner runs this test on its own";
    const struct {
        int picture_w, picture_h, window_w, window_h;
    } cases[] = {
        {80, 60, 152, 112},    // enlarged, as a small photograph in the display settings
        {400, 300, 152, 112},  // shrunk, as a camera picture
        {97, 131, 200, 90},    // odd sizes (padded rows), shape changed
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.picture_w << "x" << c.picture_h << " into " << c.window_w << "x"
                                          << c.window_h);
        const auto jpeg = scr::test::EncodeRgbJpeg(TestPictureRgb(c.picture_w, c.picture_h), c.picture_w, c.picture_h);
        const std::string package = MakePackage(jpeg, std::to_string(c.picture_w));
        const Bitmap source = DecodeJpeg(jpeg);

        PreviewWindow window(c.window_w, c.window_h);
        ASSERT_NE(window.get(), nullptr);
        Win32Services platform;
        DrawPreview(platform, reinterpret_cast<WindowHandle>(window.get()), package, ReadPreviewPicture);
        const Bitmap shot = window.Capture(c.window_w, c.window_h);
        DeleteFileA(package.c_str());

        // Drawn over one more pixel than the window in each direction.
        const Mismatch m = Compare(shot, source, c.window_w + 1, c.window_h + 1, 6);
        EXPECT_EQ(m.count, 0) << "first at " << m.first_x << "," << m.first_y;
        EXPECT_LT(m.mean_error, 6.0);
    }
}

TEST(PreviewDrawing, PackageWithoutPictureDrawsNothing) {
    if (!test::HaveDisplay()) GTEST_SKIP() << "no X display (DISPLAY is unset); the e2e runner runs this test on its own";
    // The program's own stub, with no package appended: its last bytes are no trailer.
    const std::string bare = TempPath("bare.exe");
    WriteFile(bare, std::vector<uint8_t>(5000, 0x41));
    PreviewWindow window(60, 40);
    Win32Services platform;
    EXPECT_ANY_THROW(DrawPreview(platform, reinterpret_cast<WindowHandle>(window.get()), bare, ReadPreviewPicture));
    DeleteFileA(bare.c_str());
}

}  // namespace
}  // namespace scr
