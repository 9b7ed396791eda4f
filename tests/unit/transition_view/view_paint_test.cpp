// Where the control puts its frame (Center, Stretch, StretchFine), what it invalidates, what it
// paints (background modes, only the invalidated part) and what a show starts from.
#include <thread>

#include "transition/blit.h"
#include "view_fixture.h"

namespace scr::test {
namespace {

constexpr uint32_t kBlue = 0xFF0000, kRed = 0x0000FF;

struct Placement {
    const char* name;
    int client_w, client_h, pic_w, pic_h;
    bool center, stretch, fine;
    Rect frame;  // where the picture shows, client coordinates (may reach outside)
};

const Placement kPlacements[] = {
    {"top-left", 300, 300, 100, 50, false, false, false, {0, 0, 100, 50}},
    {"centred", 300, 300, 100, 50, true, false, false, {100, 125, 200, 175}},
    // (300 - 401) div 2 truncates towards zero: -50, not -51.
    {"centred, larger than the client", 300, 300, 401, 201, true, false, false, {-50, 49, 351, 250}},
    {"stretched", 300, 300, 100, 50, false, true, false, {0, 0, 300, 300}},
    {"stretched fine", 300, 300, 400, 200, false, true, true, {0, 75, 300, 225}},
    {"stretched fine, small picture", 300, 200, 100, 100, true, true, true, {50, 0, 250, 200}},
};

class PlacementTest : public ViewTest, public ::testing::WithParamInterface<Placement> {};

TEST_P(PlacementTest, FrameShowsWhereItShould) {
    const Placement& c = GetParam();
    view.SetAutoSize(false);
    view.SetBounds(0, 0, c.client_w, c.client_h);
    view.SetColor(kBlue);
    view.SetCenter(c.center);
    view.SetStretch(c.stretch);
    view.SetStretchFine(c.fine);
    Show(Solid(c.pic_w, c.pic_h, kRed));
    view.SetStep(100);
    view.Start();
    PaintAll();
    if (!c.stretch) {
        EXPECT_EQ(view.PicRect(), c.frame);
    }
    for (int y = 0; y < c.client_h; ++y)
        for (int x = 0; x < c.client_w; ++x)
            ASSERT_EQ(ColorAt(host.surface(), x, y), c.frame.contains(x, y) ? kRed : kBlue) << x << "," << y;
}

INSTANTIATE_TEST_SUITE_P(Geometry, PlacementTest, ::testing::ValuesIn(kPlacements),
                         [](const auto& info) {
                             std::string n = info.param.name;
                             for (char& ch : n)
                                 if (!isalnum(uint8_t(ch))) ch = '_';
                             return n;
                         });

TEST_F(ViewTest, InvalidatedAreaFollowsPlacement) {
    // A 200 x 100 picture, style 5 at progress 50 changes (0, 0, 100, 100) of the picture.
    const struct {
        bool center, stretch, fine;
        Rect parent;
    } cases[] = {
        {false, false, false, {10, 20, 110, 120}},
        {true, false, false, {110, 120, 210, 220}},
        {false, true, false, {10, 20, 210, 320}},
        {false, true, true, {10, 70, 210, 270}},
    };
    for (const auto& c : cases) {
        TransitionControl vc(host.app, host.window());
        TTransitionView& v = vc.View();
        v.SetThreaded(false);
        v.SetAutoSize(false);
        v.SetBounds(10, 20, 400, 300);
        v.SetCenter(c.center);
        v.SetStretch(c.stretch);
        v.SetStretchFine(c.fine);
        TViewPicture p;
        p.SetGraphic(Pattern(200, 100, 1));
        v.SetPicture(&p);
        v.SetStyle(5);
        v.SetManual(true);
        v.Start();
        host.clear_calls();
        v.SetProgress(50);
        const auto calls = host.calls();
        ASSERT_EQ(calls.front().kind, HostCall::Invalidate);
        EXPECT_EQ(calls.front().rect, c.parent) << c.center << c.stretch << c.fine;
        EXPECT_EQ(host.count(HostCall::Invalidate), 1);
    }
}

// The expected client image, composed naively: colour, background, frame.
Bitmap Compose(const TTransitionView& v, TBackgroundMode mode, const Bitmap* bg, const Rect& frame) {
    Bitmap out(v.ClientWidth(), v.ClientHeight());
    out.fill(v.Color());
    const Rect client = v.ClientRect();
    if (bg) {
        if (mode == TBackgroundMode::bmTiled) TileDraw(out, client, *bg);
        if (mode == TBackgroundMode::bmStretched) CopyRect(out, client, *bg, {0, 0, bg->width(), bg->height()});
        if (mode == TBackgroundMode::bmCentered)
            DrawAt(out, (client.width() - bg->width()) / 2, (client.height() - bg->height()) / 2, *bg);
    }
    const Bitmap& s = v.ScreenBitmap();
    if (!s.empty()) CopyRect(out, frame, s, {0, 0, s.width(), s.height()});
    return out;
}

TEST_F(ViewTest, BackgroundModesAroundTheFrame) {
    auto bg = Pattern(30, 20, 9);
    const TBackgroundMode modes[] = {TBackgroundMode::bmNone, TBackgroundMode::bmTiled, TBackgroundMode::bmStretched,
                                     TBackgroundMode::bmCentered};
    view.SetAutoSize(false);
    view.SetBounds(0, 0, 310, 290);
    view.SetColor(kBlue);
    TViewPicture bgp;
    bgp.SetGraphic(bg);
    view.SetBgPicture(&bgp);
    for (bool with_frame : {false, true}) {
        if (with_frame) {
            view.SetCenter(true);
            Show(Pattern(120, 70, 4));
            view.SetStep(100);
            view.Start();
        }
        for (auto mode : modes) {
            view.SetBgMode(mode);
            PaintAll();
            const Rect frame = view.PicRect();
            EXPECT_TRUE(Crop(host.surface(), view.ClientRect()).same_pixels(Compose(view, mode, &bg->bitmap(), frame)))
                << int(mode) << " frame " << with_frame;
        }
    }
}

TEST_F(ViewTest, SettersInvalidateOnlyWhenSomethingShows) {
    view.SetAutoSize(false);
    auto invalidates = [&](auto change) {
        host.clear_calls();
        change();
        return host.count(HostCall::Invalidate) > 0;
    };
    EXPECT_FALSE(invalidates([&] { view.SetStretch(true); }));  // nothing shown yet
    EXPECT_FALSE(invalidates([&] { view.SetBgMode(TBackgroundMode::bmCentered); }));  // no background
    TViewPicture bgp;
    bgp.SetGraphic(Pattern(10, 10, 1));
    EXPECT_TRUE(invalidates([&] { view.SetBgPicture(&bgp); }));
    EXPECT_TRUE(invalidates([&] { view.SetBgMode(TBackgroundMode::bmTiled); }));
    EXPECT_FALSE(invalidates([&] { view.SetBgMode(TBackgroundMode::bmTiled); }));  // unchanged
    Show(Pattern(40, 30, 2));
    EXPECT_FALSE(invalidates([&] { view.SetCenter(true); }));  // picture but empty ScreenBitmap
    view.SetStep(100);
    view.Start();
    EXPECT_TRUE(invalidates([&] { view.SetStretch(false); }));
    EXPECT_TRUE(invalidates([&] { view.SetStretchFine(true); }));
    EXPECT_TRUE(invalidates([&] { view.SetCenter(false); }));
    EXPECT_TRUE(invalidates([&] { view.SetBounds(0, 0, 200, 100); }));
}

TEST_F(ViewTest, PartialPaintsShowWhatAFullPaintShows) {
    const struct {
        bool center, stretch, fine;
    } cases[] = {{false, false, false}, {true, false, false}, {false, true, false}, {true, true, true}};
    TViewPicture bgp;
    bgp.SetGraphic(Pattern(17, 13, 5));
    for (const auto& c : cases) {
        TestHost h(320, 300);
        TransitionControl vc(h.app, h.window());
        TTransitionView& v = vc.View();
        v.SetThreaded(false);
        v.SetAutoSize(false);
        v.SetBounds(5, 7, 310, 290);
        v.SetBgPicture(&bgp);
        v.SetCenter(c.center);
        v.SetStretch(c.stretch);
        v.SetStretchFine(c.fine);
        TViewPicture p;
        p.SetGraphic(Pattern(200, 90, 6));
        v.SetPicture(&p);
        v.SetStyle(5);
        v.SetManual(true);
        v.Invalidate();
        v.Update();
        v.Start();
        // A scaled snapshot of the old image differs from what was painted, and the show only
        // repaints what changes: repaint once so that the window shows the whole first frame.
        v.SetProgress(5);
        v.Invalidate();
        v.Update();
        for (int progress : {10, 37, 64, 99}) {
            h.clear_calls();
            v.SetProgress(uint8_t(progress));
            for (const auto& call : h.calls()) {
                if (call.kind == HostCall::Present) {
                    EXPECT_LT(call.rect.width(), 310) << "paints only what changed";
                }
            }
            const Bitmap partial = h.surface().clone();
            const Bitmap buffer = v.PaintBuffer().clone();
            v.Invalidate();
            v.Update();
            EXPECT_TRUE(partial.same_pixels(h.surface())) << progress << " " << c.center << c.stretch << c.fine;
            EXPECT_TRUE(buffer.same_pixels(v.PaintBuffer()));
        }
    }
}

TEST_F(ViewTest, ShowStartsFromThePaintedArea) {
    const struct {
        bool center, stretch, fine;
    } cases[] = {{false, false, false}, {true, false, false}, {false, true, false}, {false, true, true}};
    TViewPicture bgp;
    bgp.SetGraphic(Pattern(23, 19, 3));
    view.SetBgPicture(&bgp);
    view.SetAutoSize(false);
    view.SetBounds(0, 0, 300, 200);
    for (const auto& c : cases) {
        view.SetCenter(c.center);
        view.SetStretch(c.stretch);
        view.SetStretchFine(c.fine);
        Show(Pattern(100, 80, 4));
        view.Clear();
        PaintAll();
        const Bitmap painted = host.surface().clone();
        Bitmap start;
        view.OnBeforeNewFrame = [&](TCustomTransitionView&, const Bitmap&, Bitmap& screen) { start = screen.clone(); };
        view.SetManual(true);
        view.Start();
        view.SetProgress(10);
        Rect source = view.PicRect();
        if (c.stretch) source = c.fine ? FitRect(view.PicRect(), view.ClientRect()) : view.ClientRect();
        Bitmap expected(100, 80);
        CopyRect(expected, {0, 0, 100, 80}, painted, source);
        EXPECT_TRUE(start.same_pixels(expected)) << c.center << c.stretch << c.fine;
        view.Stop();
        view.SetManual(false);
        view.OnBeforeNewFrame = nullptr;
    }
}

TEST_F(ViewTest, NeverPaintedAreaStartsBlack) {
    Show(Pattern(50, 40, 4));
    view.SetCenter(true);
    Bitmap start;
    view.OnBeforeNewFrame = [&](TCustomTransitionView&, const Bitmap&, Bitmap& screen) { start = screen.clone(); };
    view.SetManual(true);
    view.Start();
    view.SetProgress(10);
    Bitmap black(50, 40);
    EXPECT_TRUE(start.same_pixels(black));
}

TEST_F(ViewTest, PaintOnlyOnTheMainThread) {
    view.SetColor(kRed);
    host.invalidate_rect(view.BoundsRect());
    std::thread([&] { view.on_paint(view.ClientRect()); }).join();
    EXPECT_EQ(host.count(HostCall::Present), 0);
    view.on_paint(view.ClientRect());
    EXPECT_EQ(host.count(HostCall::Present), 1);
    EXPECT_EQ(ColorAt(host.surface(), 99, 99), kRed);
}

}  // namespace
}  // namespace scr::test
