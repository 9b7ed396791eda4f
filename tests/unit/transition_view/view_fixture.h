// Shared set-up of the picture show control's tests: a headless application and a parent window
// of 400 x 300 pixels, one control on it running in-line, and pictures made of patterns that no
// style can fake.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "gui/headless/headless_application.h"
#include "patterns.h"
#include "gui/headless/headless_window.h"
#include "gui/transition_control.h"
#include "transition/transition_view.h"

namespace scr::test {

inline std::shared_ptr<TBitmapGraphic> Pattern(int w, int h, int seed) {
    return std::make_shared<TBitmapGraphic>(PatternBitmap(w, h, seed));
}

inline std::shared_ptr<TBitmapGraphic> Solid(int w, int h, uint32_t colorref) {
    Bitmap b(w, h);
    b.fill(colorref);
    return std::make_shared<TBitmapGraphic>(std::move(b));
}

inline Bitmap Crop(const Bitmap& src, const Rect& r) {
    Bitmap out(r.width(), r.height());
    CopyBitmapRect(out, 0, 0, src, r);
    return out;
}

inline uint32_t ColorAt(const Bitmap& b, int x, int y) {
    const uint8_t* p = b.pixel(x, y);
    return uint32_t(p[0]) << 16 | uint32_t(p[1]) << 8 | p[2];
}

using HostCall = HeadlessCall;

// The application and one visible window of the given client size, under the names the tests
// use for what the control sees of them.
struct TestHost {
    TestHost(int width, int height)
        : window_(app, WindowParams::Popup({0, 0, width, height}, 0)) {
        window_.SetVisible(true);
        app.ProcessMessages();
        app.clear_calls();
    }
    HeadlessWindow& window() { return window_; }
    const Bitmap& surface() const { return window_.surface(); }
    Rect pending_invalid() const { return window_.pending_invalid(); }
    void invalidate_rect(const Rect& r) { window_.Invalidate(r, false); }
    std::vector<HeadlessCall> calls() const { return app.calls(); }
    int count(HeadlessCall::Kind kind) const { return app.count(kind); }
    void clear_calls() { app.clear_calls(); }
    uint32_t tick_count() { return app.TickCount(); }
    void advance(uint32_t ms) { app.Advance(ms); }
    void at(uint32_t tick, std::function<void()> fn) { app.At(tick, std::move(fn)); }
    bool run_until(const std::function<bool()>& done, std::chrono::milliseconds limit = std::chrono::seconds(20)) {
        return app.RunUntil(done, limit);
    }
    bool is_main_thread() { return app.IsMainThread(); }
    TThreadPriority last_priority() const { return app.last_priority(); }

    HeadlessApplication app{"C:\\tests\\view.exe"};

private:
    HeadlessWindow window_;
};

class ViewTest : public ::testing::Test {
protected:
    void SetUp() override { view.SetThreaded(false); }

    void Show(std::shared_ptr<const TViewGraphic> g) {
        TViewPicture p;
        p.SetGraphic(std::move(g));
        view.SetPicture(&p);
    }
    // Repaints the whole control now, as a WM_PAINT for all of it would.
    void PaintAll() {
        view.Invalidate();
        view.Update();
    }
    const Bitmap& NewPicture() const { return static_cast<const TBitmapGraphic&>(*view.Picture().Graphic()).bitmap(); }

    // Logs the control's events as "progress N", "complete", "before", "after", "change".
    void LogEvents() {
        view.OnProgress = [this](TCustomTransitionView& v) { log.push_back("progress " + std::to_string(v.Progress())); };
        view.OnComplete = [this](TCustomTransitionView&) { log.push_back("complete"); };
        view.OnBeforeNewFrame = [this](TCustomTransitionView&, const Bitmap&, Bitmap&) { log.push_back("before"); };
        view.OnAfterNewFrame = [this](TCustomTransitionView&, const Bitmap&, Bitmap&) { log.push_back("after"); };
        view.OnChange = [this](TCustomTransitionView&) { log.push_back("change"); };
    }
    std::vector<int> ProgressLog() const {
        std::vector<int> out;
        for (const auto& e : log)
            if (e.rfind("progress ", 0) == 0) out.push_back(std::stoi(e.substr(9)));
        return out;
    }
    int Count(const std::string& event) const { return int(std::count(log.begin(), log.end(), event)); }

    TestHost host{400, 300};
    TransitionControl control{host.app, host.window()};
    TTransitionView& view = control.View();
    std::vector<std::string> log;
};

}  // namespace scr::test
