// The control's state machine run in-line through the headless host: the property rules, the
// course of a show, Stop, Manual, Reverse, Clear and which events fire.
#include <algorithm>
#include <stdexcept>

#include "view_fixture.h"

namespace scr::test {
namespace {

std::vector<int> Range(int from, int to, int step) {
    std::vector<int> v;
    for (int p = from; step > 0 ? p <= to : p >= to; p += step) v.push_back(p);
    return v;
}

TEST_F(ViewTest, DefaultsAndSetterRules) {
    TransitionControl fresh_control(host.app, host.window());
    TTransitionView& fresh = fresh_control.View();
    EXPECT_EQ(fresh.Style(), 51);
    EXPECT_EQ(fresh.Step(), 4);
    EXPECT_EQ(fresh.Delay(), 40);
    EXPECT_EQ(fresh.BgMode(), TBackgroundMode::bmTiled);
    EXPECT_TRUE(fresh.AutoSize());
    EXPECT_TRUE(fresh.Threaded());
    EXPECT_EQ(fresh.ThreadPriority(), TThreadPriority::tpNormal);
    EXPECT_FALSE(fresh.Center() || fresh.Stretch() || fresh.StretchFine() || fresh.Reverse() || fresh.Manual() || fresh.Busy());
    EXPECT_EQ(fresh.Progress(), 0);
    EXPECT_EQ(fresh.BoundsRect(), (Rect{0, 0, 100, 100}));
    EXPECT_EQ(fresh.on_erase_background(), 1);

    const struct {
        uint16_t given, stored;
    } steps[] = {{0, 1}, {1, 1}, {37, 37}, {100, 100}, {101, 100}, {250, 100}, {65535, 100}};
    for (const auto& s : steps) {
        fresh.SetStep(s.given);
        EXPECT_EQ(fresh.Step(), s.stored) << s.given;
    }
}

TEST_F(ViewTest, StartIgnoredWithoutPictureOrWhileBusy) {
    LogEvents();
    view.Start();
    EXPECT_FALSE(view.Busy());
    EXPECT_TRUE(log.empty());
    Show(Solid(0, 0, 0));  // an empty graphic is no picture
    log.clear();
    view.Start();
    EXPECT_FALSE(view.Busy());
    EXPECT_TRUE(log.empty());

    Show(Pattern(60, 40, 1));
    view.SetManual(true);
    view.Start();
    ASSERT_TRUE(view.Busy());
    view.SetProgress(30);
    log.clear();
    view.Start();
    EXPECT_EQ(view.Progress(), 30);
    EXPECT_TRUE(log.empty());
}

TEST_F(ViewTest, ProgressRules) {
    Show(Pattern(60, 40, 1));
    LogEvents();
    view.SetProgress(50);  // idle: ignored
    EXPECT_EQ(view.Progress(), 0);
    EXPECT_TRUE(ProgressLog().empty());

    view.SetManual(true);
    view.Start();
    const struct {
        uint8_t given, shown;
        bool frame;
    } cases[] = {{150, 100, true}, {255, 100, false}, {100, 100, false}, {20, 20, true}, {20, 20, false}};
    for (const auto& c : cases) {
        const std::size_t before = ProgressLog().size();
        view.SetProgress(c.given);
        EXPECT_EQ(view.Progress(), c.shown) << int(c.given);
        EXPECT_EQ(ProgressLog().size(), before + (c.frame ? 1 : 0)) << int(c.given);
    }
}

TEST_F(ViewTest, ForwardShowRunsItsFramesAtItsPaceAndCompletes) {
    Show(Pattern(80, 50, 2));
    view.SetStyle(5);
    LogEvents();
    log.clear();
    view.Start();

    EXPECT_FALSE(view.Busy());
    EXPECT_EQ(ProgressLog(), Range(4, 100, 4));
    EXPECT_EQ(Count("complete"), 1);
    EXPECT_EQ(log.back(), "complete");
    EXPECT_TRUE(view.ScreenBitmap().same_pixels(NewPicture()));
    // 25 steps and 24 waits of more than Delay each (the wait ends once 41 ms have passed).
    EXPECT_EQ(host.tick_count(), 24u * 41u);
    EXPECT_EQ(host.count(HostCall::Present), 25);
}

TEST_F(ViewTest, StepsOfOneFrameInOrder) {
    Show(Pattern(80, 50, 2));
    view.SetStyle(5);
    view.SetManual(true);
    view.Start();
    std::vector<std::string> order;
    view.OnBeforeNewFrame = [&](TCustomTransitionView&, const Bitmap&, Bitmap& screen) {
        // The frame starts from the old picture.
        EXPECT_TRUE(screen.same_pixels(Crop(host.surface(), {0, 0, 80, 50})));
        order.push_back("before");
    };
    view.OnAfterNewFrame = [&](TCustomTransitionView&, const Bitmap&, Bitmap&) {
        order.push_back(host.pending_invalid().empty() ? "after (nothing invalid)" : "after");
    };
    view.OnProgress = [&](TCustomTransitionView&) {
        order.push_back(host.pending_invalid().empty() ? "progress (painted)" : "progress");
    };
    view.SetProgress(50);
    EXPECT_EQ(order, (std::vector<std::string>{"before", "after", "progress (painted)"}));
}

TEST_F(ViewTest, StepOfHundredEndsAfterOneFrame) {
    Show(Pattern(80, 50, 2));
    view.SetStep(100);
    LogEvents();
    log.clear();
    view.Start();
    EXPECT_EQ(ProgressLog(), (std::vector<int>{100}));
    EXPECT_EQ(Count("complete"), 1);
    EXPECT_EQ(host.tick_count(), 0u);
}

TEST_F(ViewTest, ReverseShowStartsOnTheNewPictureAndEndsOnTheOld) {
    Show(Pattern(80, 50, 3));
    view.SetStyle(5);
    view.SetReverse(true);
    PaintAll();
    const Bitmap old_image = Crop(host.surface(), {0, 0, 80, 50});
    LogEvents();
    log.clear();
    bool first = true;
    view.OnAfterNewFrame = [&](TCustomTransitionView&, const Bitmap& picture, Bitmap& screen) {
        if (first) {
            EXPECT_TRUE(screen.same_pixels(picture));  // Prepare's frame at 100
        }
        first = false;
    };
    view.Start();
    EXPECT_EQ(ProgressLog(), Range(100, 0, -4));
    EXPECT_EQ(log.back(), "complete");
    EXPECT_TRUE(view.ScreenBitmap().same_pixels(old_image));
    EXPECT_EQ(view.Progress(), 0);
}

TEST_F(ViewTest, StopLeavesTheLastFrameAndFiresNoComplete) {
    Show(Pattern(80, 50, 4));
    view.SetStyle(5);
    LogEvents();
    Bitmap at_stop;
    host.at(200, [&] {
        view.Stop();
        at_stop = view.ScreenBitmap().clone();
        view.Stop();  // a second Stop does nothing
    });
    log.clear();
    view.Start();
    EXPECT_FALSE(view.Busy());
    EXPECT_EQ(Count("complete"), 0);
    EXPECT_EQ(ProgressLog(), Range(4, 20, 4));  // steps at 0, 41, 82, 123, 164 ms
    EXPECT_TRUE(view.ScreenBitmap().same_pixels(at_stop));
    EXPECT_FALSE(view.ScreenBitmap().same_pixels(NewPicture()));

    const std::size_t events = log.size();
    view.Stop();  // idle: nothing
    EXPECT_EQ(log.size(), events);
}

TEST_F(ViewTest, ManualTakesOverAndHandsBack) {
    Show(Pattern(80, 50, 5));
    view.SetStyle(5);
    LogEvents();
    host.at(100, [&] { view.SetManual(true); });
    log.clear();
    view.Start();
    EXPECT_TRUE(view.Busy());
    EXPECT_EQ(ProgressLog(), Range(4, 12, 4));
    EXPECT_EQ(Count("complete"), 0);

    view.SetProgress(60);
    EXPECT_EQ(ProgressLog().back(), 60);
    log.clear();
    view.SetManual(false);  // resumes from 60, in-line
    EXPECT_EQ(ProgressLog(), Range(64, 100, 4));
    EXPECT_EQ(Count("complete"), 1);
    EXPECT_FALSE(view.Busy());
}

TEST_F(ViewTest, ManualWhileIdleResetsProgressWithoutAFrame) {
    Show(Pattern(80, 50, 5));
    view.SetStep(100);
    view.Start();
    ASSERT_EQ(view.Progress(), 100);
    LogEvents();
    const struct {
        bool reverse;
        int progress;
    } cases[] = {{false, 0}, {true, 100}};
    for (const auto& c : cases) {
        view.SetReverse(c.reverse);
        view.SetManual(true);
        EXPECT_EQ(view.Progress(), c.progress);
        view.SetManual(false);
    }
    EXPECT_TRUE(log.empty());
}

TEST_F(ViewTest, NextShowStartsFromWhatWasPainted) {
    Show(Pattern(80, 50, 6));
    view.SetStep(100);
    view.Start();
    ASSERT_TRUE(view.ScreenBitmap().same_pixels(NewPicture()));
    Show(Pattern(80, 50, 7));
    view.SetStep(50);
    view.SetStyle(5);
    Bitmap first_old;
    view.OnBeforeNewFrame = [&](TCustomTransitionView&, const Bitmap&, Bitmap& screen) {
        if (first_old.empty()) first_old = screen.clone();
    };
    view.Start();
    // Progress went from 100 back to 0 in Prepare: a frame of the old picture, all invalidated.
    EXPECT_TRUE(first_old.same_pixels(static_cast<const TBitmapGraphic&>(*Pattern(80, 50, 6)).bitmap()));
}

TEST_F(ViewTest, BackwardsProgressInvalidatesTheWholePicture) {
    Show(Pattern(80, 50, 8));
    view.SetStyle(5);
    view.SetManual(true);
    view.Start();
    view.SetProgress(60);
    host.clear_calls();
    view.SetProgress(30);
    const auto calls = host.calls();
    ASSERT_FALSE(calls.empty());
    EXPECT_EQ(calls.front().kind, HostCall::Invalidate);
    EXPECT_EQ(calls.front().rect, (Rect{0, 0, 80, 50}));
}

TEST_F(ViewTest, ClearOnlyWhenIdleAndShowing) {
    Show(Pattern(80, 50, 9));
    view.SetManual(true);
    view.Start();
    view.SetProgress(40);
    view.Clear();
    EXPECT_FALSE(view.ScreenBitmap().empty());

    view.SetManual(false);
    ASSERT_FALSE(view.Busy());
    host.clear_calls();
    view.Clear();
    EXPECT_TRUE(view.ScreenBitmap().empty());
    EXPECT_EQ(host.pending_invalid(), view.BoundsRect());
    view.Update();
    EXPECT_EQ(ColorAt(host.surface(), 40, 25), view.Color());
}

TEST_F(ViewTest, StyleZero) {
    Show(Pattern(80, 50, 10));
    view.SetStyle(0);
    LogEvents();
    log.clear();
    view.Start();  // no handler: the first frame shows the picture and ends the show
    EXPECT_EQ(ProgressLog(), (std::vector<int>{100}));
    EXPECT_EQ(view.Progress(), 100);
    EXPECT_EQ(Count("complete"), 1);
    EXPECT_TRUE(view.ScreenBitmap().same_pixels(NewPicture()));

    int drawn = 0;
    view.OnCustomDraw = [&](TCustomTransitionView& v, const Bitmap& picture, Bitmap& screen) {
        EXPECT_TRUE(picture.same_pixels(NewPicture()));
        screen.fill(0x00FF00);
        ++drawn;
        EXPECT_EQ(&v, &view);
    };
    view.SetManual(true);
    view.Start();
    view.SetProgress(50);
    EXPECT_EQ(view.Progress(), 50);
    EXPECT_EQ(ColorAt(view.ScreenBitmap(), 5, 5), 0x00FF00u);
    EXPECT_EQ(drawn, 1);
}

TEST_F(ViewTest, StyleAboveRangeDrawsAndInvalidatesNothing) {
    Show(Pattern(80, 50, 11));
    PaintAll();
    const Bitmap old_image = Crop(host.surface(), {0, 0, 80, 50});
    view.SetStyle(200);
    view.SetManual(true);
    view.Start();
    host.clear_calls();
    view.SetProgress(50);
    EXPECT_EQ(host.count(HostCall::Invalidate), 0);
    EXPECT_TRUE(view.ScreenBitmap().same_pixels(old_image));
}

TEST_F(ViewTest, PictureChangeFiresOnChangeAndAutoSizes) {
    LogEvents();
    view.SetBounds(10, 20, 100, 100);
    Show(Pattern(64, 48, 1));
    EXPECT_EQ(Count("change"), 1);
    EXPECT_EQ(view.BoundsRect(), (Rect{10, 20, 74, 68}));

    view.SetAutoSize(false);
    Show(Pattern(30, 30, 1));
    EXPECT_EQ(view.BoundsRect(), (Rect{10, 20, 74, 68}));
    view.SetAutoSize(true);
    EXPECT_EQ(view.BoundsRect(), (Rect{10, 20, 40, 50}));

    view.SetAlign(TAlign::alClient);
    view.SetBounds(0, 0, 400, 300);
    Show(Pattern(64, 48, 1));
    EXPECT_EQ(view.BoundsRect(), (Rect{0, 0, 400, 300}));
    view.SetPicture(nullptr);
    EXPECT_FALSE(view.Picture().HasGraphic());
    EXPECT_EQ(Count("change"), 4);
}

TEST_F(ViewTest, FailedStartReleasesTheShow) {
    struct Broken : TViewGraphic {
        int Width() const override { return 20; }
        int Height() const override { return 20; }
        void Draw(Bitmap&, int, int) const override { throw std::runtime_error("corrupt picture"); }
    };
    Show(std::make_shared<Broken>());
    EXPECT_THROW(view.Start(), std::runtime_error);
    EXPECT_FALSE(view.Busy());
    Show(Pattern(20, 20, 1));
    view.SetStep(100);
    view.Start();
    EXPECT_EQ(view.Progress(), 100);
    EXPECT_FALSE(view.Busy());
}

TEST_F(ViewTest, StopOnTheLastFrameFiresNoComplete) {
    Show(Pattern(40, 40, 1));
    view.SetStep(50);
    LogEvents();
    view.OnProgress = [&](TCustomTransitionView& v) {
        if (v.Progress() == 100) v.Stop();
    };
    view.Start();
    EXPECT_EQ(Count("complete"), 0);
    EXPECT_FALSE(view.Busy());
}

TEST_F(ViewTest, StopAndStartFromAFrameHandler) {
    Show(Pattern(40, 40, 1));
    view.SetStyle(5);
    view.SetStep(25);
    int completes = 0, restarted = 0;
    view.OnComplete = [&](TCustomTransitionView&) { ++completes; };
    view.OnAfterNewFrame = [&](TCustomTransitionView& v, const Bitmap&, Bitmap&) {
        if (v.Progress() == 50 && restarted++ == 0) {
            v.Stop();
            Show(Pattern(40, 40, 2));
            v.Start();  // runs the whole second show in-line
        }
    };
    view.Start();
    EXPECT_EQ(completes, 1);
    EXPECT_FALSE(view.Busy());
    EXPECT_TRUE(view.ScreenBitmap().same_pixels(static_cast<const TBitmapGraphic&>(*Pattern(40, 40, 2)).bitmap()));
}

TEST_F(ViewTest, DelayPacesFramesWithTheHostClock) {
    Show(Pattern(40, 40, 1));
    view.SetStep(25);
    view.SetDelay(100);
    std::vector<uint32_t> ticks;
    view.OnProgress = [&](TCustomTransitionView&) { ticks.push_back(host.tick_count()); };
    host.advance(5000);
    view.Start();
    EXPECT_EQ(ticks, (std::vector<uint32_t>{5000, 5101, 5202, 5303}));
}

TEST_F(ViewTest, MouseNotificationsFireTheirEvents) {
    int entered = 0, left = 0;
    view.on_mouse_enter();  // no handlers: nothing happens
    view.OnMouseEnter = [&](TCustomTransitionView& v) { entered += &v == &view; };
    view.OnMouseLeave = [&](TCustomTransitionView& v) { left += &v == &view; };
    view.on_mouse_enter();
    view.on_mouse_leave();
    view.on_mouse_leave();
    EXPECT_EQ(entered, 1);
    EXPECT_EQ(left, 2);
}

}  // namespace
}  // namespace scr::test
