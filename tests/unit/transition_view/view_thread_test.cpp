// Shows run by the animation thread: every frame and event on the main thread, the priority,
// Stop and Manual from either side, failures and destruction while the thread runs.
#include <memory>
#include <stdexcept>

#include "view_fixture.h"

namespace scr::test {
namespace {

class ThreadedViewTest : public ViewTest {
protected:
    void SetUp() override {
        ViewTest::SetUp();
        view.SetThreaded(true);
        view.SetStyle(5);
        Show(Pattern(64, 40, 1));
        LogEvents();
        log.clear();
    }
};

TEST_F(ThreadedViewTest, FramesRunOnTheMainThreadAndTheShowCompletes) {
    view.SetThreadPriority(TThreadPriority::tpHigher);
    bool all_on_main = true;
    view.OnAfterNewFrame = [&](TCustomTransitionView&, const Bitmap&, Bitmap&) { all_on_main &= host.is_main_thread(); };
    view.OnComplete = [&](TCustomTransitionView&) {
        all_on_main &= host.is_main_thread();
        log.push_back("complete");
    };
    view.Start();
    EXPECT_TRUE(view.Busy());
    ASSERT_TRUE(host.run_until([&] { return !view.Busy(); }));
    EXPECT_TRUE(all_on_main);
    std::vector<int> expected;
    for (int p = 4; p <= 100; p += 4) expected.push_back(p);
    EXPECT_EQ(ProgressLog(), expected);
    EXPECT_EQ(Count("complete"), 1);
    EXPECT_EQ(host.last_priority(), TThreadPriority::tpHigher);
    // The steps take no virtual time, so the thread sleeps the whole Delay after each but the last.
    EXPECT_EQ(host.count(HostCall::Sleep), 24);
    EXPECT_EQ(host.tick_count(), 24u * 40u);
    EXPECT_TRUE(view.ScreenBitmap().same_pixels(NewPicture()));
}

TEST_F(ThreadedViewTest, StopFromTheMainThreadWaitsForTheThread) {
    view.Start();
    ASSERT_TRUE(host.run_until([&] { return view.Progress() >= 20; }));
    view.Stop();
    EXPECT_FALSE(view.Busy());
    const std::size_t events = log.size();
    host.run_until([] { return false; }, std::chrono::milliseconds(50));
    EXPECT_EQ(log.size(), events);
    EXPECT_EQ(Count("complete"), 0);
}

TEST_F(ThreadedViewTest, StopFromAFrameOfTheThread) {
    view.OnProgress = [&](TCustomTransitionView& v) {
        log.push_back("progress " + std::to_string(v.Progress()));
        if (v.Progress() == 40) v.Stop();
    };
    view.Start();
    ASSERT_TRUE(host.run_until([&] { return !view.Busy(); }));
    host.run_until([] { return false; }, std::chrono::milliseconds(50));
    EXPECT_EQ(ProgressLog().back(), 40);
    EXPECT_EQ(Count("complete"), 0);
}

TEST_F(ThreadedViewTest, ManualPausesAndResumesTheThread) {
    view.OnProgress = [&](TCustomTransitionView& v) {
        log.push_back("progress " + std::to_string(v.Progress()));
        if (v.Progress() == 20) view.SetManual(true);
    };
    view.Start();
    ASSERT_TRUE(host.run_until([&] { return view.Manual(); }));
    EXPECT_TRUE(view.Busy());
    view.SetManual(false);  // at once, while the paused thread may still be winding down
    ASSERT_TRUE(host.run_until([&] { return !view.Busy(); }));
    std::vector<int> expected;
    for (int p = 4; p <= 100; p += 4) expected.push_back(p);
    EXPECT_EQ(ProgressLog(), expected);
    EXPECT_EQ(Count("complete"), 1);
}

TEST_F(ThreadedViewTest, FailedFrameEndsTheShowWithoutCompleting) {
    view.OnProgress = [&](TCustomTransitionView& v) {
        if (v.Progress() == 12) throw std::runtime_error("handler failed");
    };
    view.Start();
    ASSERT_TRUE(host.run_until([&] { return !view.Busy(); }));
    EXPECT_EQ(view.Progress(), 12);
    EXPECT_EQ(Count("complete"), 0);
}

TEST_F(ThreadedViewTest, DestroyedWhileTheThreadRuns) {
    int completes = 0;
    {
        auto vc = std::make_unique<TransitionControl>(host.app, host.window());
        TTransitionView* v = &vc->View();
        TViewPicture p;
        p.SetGraphic(Pattern(64, 40, 2));
        v->SetPicture(&p);
        v->OnComplete = [&](TCustomTransitionView&) { ++completes; };
        v->Start();
        ASSERT_TRUE(host.run_until([&] { return v->Progress() >= 8; }));
    }
    EXPECT_EQ(completes, 0);
}

TEST_F(ViewTest, ThreadedShowStartedInsideAnInlineShowRunsAlone) {
    Show(Pattern(64, 40, 1));
    view.SetStyle(5);
    LogEvents();
    host.at(100, [&] {
        view.Stop();
        view.SetThreaded(true);
        Show(Pattern(64, 40, 2));
        log.clear();
        view.Start();
    });
    view.Start();  // the in-line loop must leave the newer show to its thread
    ASSERT_TRUE(host.run_until([&] { return !view.Busy(); }));
    std::vector<int> expected;
    for (int p = 0; p <= 100; p += 4) expected.push_back(p);  // Prepare's frame goes back to 0
    EXPECT_EQ(ProgressLog(), expected);
    EXPECT_EQ(Count("complete"), 1);
}

TEST_F(ThreadedViewTest, ReverseShowCompletesAtZero) {
    view.SetReverse(true);
    view.Start();
    ASSERT_TRUE(host.run_until([&] { return !view.Busy(); }));
    EXPECT_EQ(ProgressLog().front(), 100);
    EXPECT_EQ(ProgressLog().back(), 0);
    EXPECT_EQ(Count("complete"), 1);
}

}  // namespace
}  // namespace scr::test
