// The window model on the headless backend: paints reach the controls they touch, bottom to top;
// mouse input goes to the control under the pointer (or the one pressed) and otherwise to the
// window's owner; client-aligned controls follow the window; messages to a window that is gone
// are dropped.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "gui/headless/headless_application.h"
#include "gui/headless/headless_window.h"

namespace scr {
namespace {

using Log = std::vector<std::string>;

std::string Str(const Rect& r) {
    return std::to_string(r.left) + "," + std::to_string(r.top) + "-" + std::to_string(r.right) + "," +
           std::to_string(r.bottom);
}

// A control that fills what it paints with its colour and logs every event.
class SolidControl : public Control {
public:
    SolidControl(std::string name, uint32_t color, Log& log) : name_(std::move(name)), color_(color), log_(log) {}
    void Paint(const Rect& update) override {
        log_.push_back(name_ + " paint " + Str(update));
        Bitmap b(update.width(), update.height());
        b.fill(color_);
        Bitmap whole(ClientRect().width(), ClientRect().height());
        CopyBitmapRect(whole, update.left, update.top, b, {0, 0, b.width(), b.height()});
        Present(update, whole);
    }
    void Resized() override { log_.push_back(name_ + " resized " + Str(BoundsRect())); }
    void MouseEnter() override { log_.push_back(name_ + " enter"); }
    void MouseLeave() override { log_.push_back(name_ + " leave"); }
    void MouseMove(ShiftState, int x, int y) override { log_.push_back(name_ + " move " + std::to_string(x) + "," + std::to_string(y)); }
    void MouseDown(MouseButton, ShiftState, int x, int y) override { log_.push_back(name_ + " down " + std::to_string(x) + "," + std::to_string(y)); }
    void MouseUp(MouseButton, ShiftState, int x, int y) override { log_.push_back(name_ + " up " + std::to_string(x) + "," + std::to_string(y)); }

private:
    std::string name_;
    uint32_t color_;
    Log& log_;
};

class OwnerLog : public WindowListener {
public:
    explicit OwnerLog(Log& log) : log_(log) {}
    void HandleMouseMove(ShiftState, int x, int y) override { log_.push_back("window move " + std::to_string(x) + "," + std::to_string(y)); }
    void HandleMouseDown(MouseButton, ShiftState, int x, int y) override { log_.push_back("window down " + std::to_string(x) + "," + std::to_string(y)); }
    void HandleKeyDown(uint16_t key, ShiftState) override { log_.push_back("window key " + std::to_string(key)); }
    void HandleActivate(bool active) override { log_.push_back(active ? "window active" : "window inactive"); }
    void HandleClose() override { log_.push_back("window close"); }
    bool HandleMessage(uint32_t m, uintptr_t w, intptr_t l) override {
        log_.push_back("message " + std::to_string(m) + " " + std::to_string(w) + " " + std::to_string(l));
        return true;
    }
    void HandleDestroy() override { log_.push_back("window destroy"); }

private:
    Log& log_;
};

uint32_t ColorAt(const Bitmap& b, int x, int y) {
    const uint8_t* p = b.pixel(x, y);
    return uint32_t(p[0]) << 16 | uint32_t(p[1]) << 8 | p[2];
}

class WindowTest : public ::testing::Test {
protected:
    WindowTest() : window(app, WindowParams::Popup({0, 0, 200, 100}, 0x808080)) {
        window.SetListener(&owner);
        window.AddControl(lower);
        window.AddControl(upper);
        lower.SetBounds({10, 10, 110, 60});
        upper.SetBounds({50, 30, 150, 90});
        window.SetVisible(true);
        app.ProcessMessages();
        log.clear();
    }
    HeadlessApplication app{"x.scr"};
    Log log;
    OwnerLog owner{log};
    HeadlessWindow window;
    SolidControl lower{"lower", 0x0000ff, log}, upper{"upper", 0x00ff00, log};
};

TEST_F(WindowTest, PaintsReachTheControlsTheyTouchBottomToTopOverTheErasedBackground) {
    EXPECT_EQ(ColorAt(window.surface(), 5, 5), 0x808080u);     // background only
    EXPECT_EQ(ColorAt(window.surface(), 20, 20), 0x0000ffu);   // lower only
    EXPECT_EQ(ColorAt(window.surface(), 60, 40), 0x00ff00u);   // both: the upper wins
    EXPECT_EQ(ColorAt(window.surface(), 140, 80), 0x00ff00u);  // upper only

    window.Invalidate({0, 0, 30, 30}, false);
    app.ProcessMessages();
    EXPECT_EQ(log, (Log{"lower paint 0,0-20,20"}));  // clipped to the control, its coordinates

    log.clear();
    upper.SetVisible(false);  // the area it leaves is erased and painted again without it
    app.ProcessMessages();
    EXPECT_EQ(ColorAt(window.surface(), 60, 40), 0x0000ffu);
    EXPECT_EQ(ColorAt(window.surface(), 140, 80), 0x808080u);
    for (const auto& e : log) EXPECT_EQ(e.rfind("upper", 0), std::string::npos) << e;
}

TEST_F(WindowTest, MouseGoesToTheControlUnderThePointerWithEnterAndLeave) {
    window.InjectMouseMove(5, 5);
    window.InjectMouseMove(20, 20);
    window.InjectMouseMove(60, 40);
    window.InjectMouseDown(MouseButton::Left, 5, 95);
    window.InjectMouseMove(199, 0);
    app.ProcessMessages();
    EXPECT_EQ(log, (Log{"window move 5,5", "lower enter", "lower move 10,10", "lower leave", "upper enter",
                        "upper move 10,10", "upper leave", "window down 5,95", "window move 199,0"}));
}

TEST_F(WindowTest, APressedControlKeepsTheMovesAndTheReleaseUntilTheButtonGoesUp) {
    window.InjectMouseDown(MouseButton::Left, 20, 20);
    window.InjectMouseMove(180, 5);
    window.InjectMouseUp(MouseButton::Left, 180, 5);
    window.InjectMouseMove(181, 5);
    app.ProcessMessages();
    EXPECT_EQ(log, (Log{"lower enter", "lower down 10,10", "lower leave", "lower move 170,-5", "lower up 170,-5",
                        "window move 181,5"}));
}

TEST_F(WindowTest, ClientAlignedControlsFollowTheWindow) {
    lower.SetAlign(Control::Align::Client);
    EXPECT_EQ(lower.BoundsRect(), (Rect{0, 0, 200, 100}));
    window.SetClientSize(320, 240);
    EXPECT_EQ(lower.BoundsRect(), (Rect{0, 0, 320, 240}));
    EXPECT_EQ(window.surface().width(), 320);
    EXPECT_EQ(log.back(), "lower resized 0,0-320,240");
}

TEST_F(WindowTest, KeysCloseActivationAndPrivateMessagesReachTheOwner) {
    window.InjectKeyDown(0x41);
    window.PostPrivate(0x401, 7, -1);
    window.Close();
    window.InjectActivate(false);
    app.ProcessMessages();
    EXPECT_EQ(log, (Log{"window key 65", "message 1025 7 -1", "window close", "window inactive"}));
}

TEST(HeadlessWindowLife, MessagesToAWindowThatIsGoneAreDropped) {
    HeadlessApplication app("x.scr");
    Log log;
    OwnerLog owner(log);
    auto w = std::make_unique<HeadlessWindow>(app, WindowParams::Popup({0, 0, 10, 10}, 0));
    w->SetListener(&owner);
    w->PostPrivate(0x402, 0, 0);
    w->InjectKeyDown(13);
    w.reset();
    app.ProcessMessages();
    EXPECT_EQ(log, (Log{"window destroy"}));
}

TEST(HeadlessWindowLife, ShowingATopLevelWindowActivatesItAndHidingGivesItUp) {
    HeadlessApplication app("x.scr");
    Log log;
    OwnerLog owner(log);
    HeadlessWindow w(app, WindowParams::Framed("Setup []", {100, 100, 411, 384}, 0));
    w.SetListener(&owner);
    EXPECT_EQ(w.ClientRect(), (Rect{0, 0, 305, 259}));  // the frame takes the caption and borders
    w.SetVisible(true);
    app.ProcessMessages();
    w.SetVisible(false);
    app.ProcessMessages();
    EXPECT_EQ(log, (Log{"window active", "window inactive"}));
}

}  // namespace
}  // namespace scr
