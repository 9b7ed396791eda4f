// The Win32 backend's window, application clock and the picture show control together: shows
// run through a real window end on the new picture exactly, in-line and from the animation
// thread, and timers and posts from other threads reach the loop.
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <thread>

#include "capture.h"
#include "patterns.h"
#include "gui/transition_control.h"
#include "gui/win32/win32_application.h"
#include "gui/win32/win32_backend.h"

namespace scr {
namespace {

std::shared_ptr<TBitmapGraphic> Pattern(int w, int h, int seed) {
    return std::make_shared<TBitmapGraphic>(test::PatternBitmap(w, h, seed));
}

constexpr int kW = 160, kH = 120;

class Win32WindowTest : public test::ShownWindowTest {
protected:
    Win32WindowTest() : ShownWindowTest(kW, kH) {}
    void SetUp() override {
        ShownWindowTest::SetUp();
        if (IsSkipped()) return;
        control = std::make_unique<TransitionControl>(*app, *window);
        control->SetAlign(Control::Align::Client);
        view().SetCenter(true);
        view().SetStretch(true);
        Settle();
    }
    TTransitionView& view() { return control->View(); }
    void ShowPicture(const std::shared_ptr<TBitmapGraphic>& g, int style) {
        TViewPicture p;
        p.SetGraphic(g);
        view().SetPicture(&p);
        view().SetStyle(TShowStyle(style));
        view().Start();
    }

    std::unique_ptr<TransitionControl> control;
};

TEST_F(Win32WindowTest, InlineShowsEndOnTheNewPictureExactly) {
    const std::shared_ptr<TBitmapGraphic> pictures[2] = {Pattern(kW, kH, 1), Pattern(kW, kH, 2)};
    view().SetThreaded(false);
    view().SetDelay(10);
    ShowPicture(pictures[0], 5);
    int next = 1;
    for (int style : {1, 52, 100, 117, 127}) {
        ShowPicture(pictures[next], style);
        Settle();
        EXPECT_TRUE(Shot().same_pixels(pictures[next]->bitmap())) << "style " << style;
        next ^= 1;
    }
}

TEST_F(Win32WindowTest, ThreadedShowRunsItsFramesThroughTheLoop) {
    const auto a = Pattern(kW, kH, 3), b = Pattern(kW, kH, 4);
    view().SetThreaded(false);
    ShowPicture(a, 5);
    view().SetThreaded(true);
    view().SetDelay(5);
    int frames_on_main = 0, frames = 0;
    view().OnProgress = [&](TCustomTransitionView&) {
        ++frames;
        frames_on_main += app->IsMainThread();
    };
    ShowPicture(b, 30);
    const DWORD start = GetTickCount();
    while (view().Busy() && GetTickCount() - start < 10000) {
        app->ProcessMessages();
        app->WaitMessage(20);
    }
    ASSERT_FALSE(view().Busy());
    Settle();
    EXPECT_GE(frames, 25);  // step 4 from 0 to 100, and the reset to 0 when the show begins
    EXPECT_EQ(frames_on_main, frames);
    EXPECT_TRUE(Shot().same_pixels(b->bitmap()));
}

TEST_F(Win32WindowTest, TimersAndWorkerPostsReachTheLoopUntilTerminated) {
    int ticks = 0;
    TimerId timer = 0;
    timer = app->SetTimer(20, [&] {
        if (++ticks == 3) app->KillTimer(timer);
    });
    std::atomic<bool> posted{false};
    std::thread worker([&] {
        Sleep(150);
        app->Post([&] {
            posted = true;
            app->Terminate();
        });
    });
    app->Run();
    worker.join();
    EXPECT_TRUE(app->Terminated());
    EXPECT_TRUE(posted);
    EXPECT_EQ(ticks, 3);
}

}  // namespace
}  // namespace scr
