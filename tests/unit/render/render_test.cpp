// The frame renderer end to end: its pictures go in and come out unchanged, the frames it
// writes are the engine's, and its exit codes tell bad pictures from bad usage.
#include <gtest/gtest.h>

#include <algorithm>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "image_io.h"
#include "patterns.h"
#include "base/bitmap.h"

namespace fs = std::filesystem;
using scr::Bitmap;

namespace {

class RenderTool : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() /
               ("render_test_" + std::to_string(::getpid()) + "_" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }

    std::string Path(const std::string& name) const { return (dir_ / name).string(); }

    // Runs the renderer with the given arguments and returns its exit status.
    int Run(const std::string& args) const {
        std::string cmd = std::string(RENDER_EXE) + " " + args + " >/dev/null 2>&1";
        int rc = std::system(cmd.c_str());
        return WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
    }

    fs::path dir_;
};

TEST_F(RenderTool, PngRoundTripKeepsEveryPixelOfOddWidths) {
    for (int w : {1, 3, 37}) {
        Bitmap original = scr::test::PatternBitmap(w, 5, w);
        scr::render::WritePng(Path("p.png"), original);
        Bitmap back = scr::render::ReadImage(Path("p.png"));
        EXPECT_TRUE(back.same_pixels(original)) << "width " << w;
    }
}

TEST_F(RenderTool, FramesAtTheEndsShowTheOldAndTheNewPicture) {
    Bitmap old_pic = scr::test::PatternBitmap(48, 32, 1), new_pic = scr::test::PatternBitmap(48, 32, 2);
    scr::render::WritePng(Path("old.png"), old_pic);
    scr::render::WritePng(Path("new.png"), new_pic);
    struct Case { int style, progress; const Bitmap* expected; } cases[] = {
        {5, 0, &old_pic}, {5, 100, &new_pic}, {118, 0, &old_pic}, {118, 100, &new_pic},
        {127, 100, &new_pic}, {70, 0, &old_pic},
    };
    for (const Case& c : cases) {
        ASSERT_EQ(Run("frame --old " + Path("old.png") + " --new " + Path("new.png") + " --style " +
                      std::to_string(c.style) + " --progress " + std::to_string(c.progress) +
                      " --out " + Path("f.png")),
                  0);
        EXPECT_TRUE(scr::render::ReadImage(Path("f.png")).same_pixels(*c.expected))
            << "style " << c.style << " progress " << c.progress;
    }
}

TEST_F(RenderTool, SlidesCentreThePictureOnBlackAndCutItEvenly) {
    const struct {
        int w, h, sw, sh;
    } cases[] = {{10, 6, 20, 10}, {20, 10, 20, 10}, {21, 10, 20, 10}, {9, 5, 20, 10}, {40, 3, 20, 10}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.w) + "x" + std::to_string(c.h) + " on " + std::to_string(c.sw) + "x" + std::to_string(c.sh));
        const Bitmap picture = scr::test::PatternBitmap(c.w, c.h, 3);
        scr::render::WritePng(Path("p.png"), picture);
        ASSERT_EQ(Run("slide --picture " + Path("p.png") + " --screen " + std::to_string(c.sw) + "x" +
                      std::to_string(c.sh) + " --out " + Path("s.png")),
                  0);
        const Bitmap slide = scr::render::ReadImage(Path("s.png"));
        ASSERT_EQ(slide.width(), c.sw);
        // (sw - w) div 2 truncates toward zero: one pixel too wide loses the rightmost column.
        const int left = (c.sw - c.w) / 2, top = (c.sh - c.h) / 2;
        for (int y = 0; y < c.sh; ++y)
            for (int x = 0; x < c.sw; ++x) {
                const int px = x - left, py = y - top;
                const bool inside = px >= 0 && px < c.w && py >= 0 && py < c.h;
                const uint8_t* got = slide.pixel(x, y);
                const uint8_t black[3] = {0, 0, 0};
                const uint8_t* want = inside ? picture.pixel(px, py) : black;
                ASSERT_TRUE(std::equal(got, got + 3, want)) << x << "," << y;
            }
    }
    EXPECT_EQ(Run("slide --picture " + Path("p.png") + " --screen 20by10 --out " + Path("s.png")), 2);
}

TEST_F(RenderTool, ExitCodesSeparateBadPicturesFromBadUsage) {
    scr::render::WritePng(Path("a.png"), scr::test::PatternBitmap(16, 16, 1));
    scr::render::WritePng(Path("b.png"), scr::test::PatternBitmap(16, 17, 2));
    std::FILE* junk = std::fopen(Path("junk.png").c_str(), "wb");
    ASSERT_NE(junk, nullptr);
    std::fputs("not a picture", junk);
    std::fclose(junk);
    const std::string a = Path("a.png"), out = " --out " + Path("o.png");
    struct Case { std::string args; int status; } cases[] = {
        {"frame --old " + a + " --new " + Path("b.png") + " --style 5 --progress 50" + out, 1},
        {"frame --old " + a + " --new " + Path("junk.png") + " --style 5 --progress 50" + out, 1},
        {"frame --old " + a + " --new " + Path("missing.png") + " --style 5 --progress 50" + out, 1},
        {"frame --old " + a + " --new " + a + " --style 5 --progress 101" + out, 2},
        {"frame --old " + a + " --new " + a + " --progress 50" + out, 2},
        {"paint --old " + a, 2},
        {"--help", 0},
    };
    for (const Case& c : cases) EXPECT_EQ(Run(c.args), c.status) << c.args;
}

}  // namespace
