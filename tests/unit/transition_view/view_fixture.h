// Shared set-up of the picture show control's tests: a headless parent of 400 x 300 pixels, one
// control on it running in-line, and pictures made of patterns that no style can fake.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "transition/headless_host.h"
#include "transition/transition_view.h"

namespace scr::test {

inline std::shared_ptr<TBitmapGraphic> Pattern(int w, int h, int seed) {
    Bitmap b(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            uint8_t* p = b.pixel(x, y);
            p[0] = uint8_t(x * 7 + seed);
            p[1] = uint8_t(y * 5 + seed * 3);
            p[2] = uint8_t((x ^ y) + seed * 11);
        }
    return std::make_shared<TBitmapGraphic>(std::move(b));
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

class ViewTest : public ::testing::Test {
protected:
    void SetUp() override {
        host.attach(&view);
        view.SetThreaded(false);
    }

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

    HeadlessHost host{400, 300};
    TTransitionView view{host};
    std::vector<std::string> log;
};

}  // namespace scr::test
