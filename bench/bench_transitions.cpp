// The costs of the transition engine at 1920x1080 and 3840x2160, each to be read against the
// memcpy of one frame measured in the same run:
//   Memcpy/<w>/<h>            one memcpy of a w x h x 3 frame, cycling through >= 64 MB of buffers
//   BuildFrame/<style>/<w>/<h> one frame of every style at progress 50 (random styles seeded)
//   Paint/<w>/<h>             a paint of the whole client; PaintPart/<w>/<h> of a tenth of it
//   Show/<style>/<w>/<h>      a whole show with the control's defaults, painted, as the saver runs it
// The headless window keeps no surface here: presenting pixels is the window system's work.
#include <benchmark/benchmark.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "transition/frame.h"
#include "gui/headless/headless_application.h"
#include "gui/headless/headless_window.h"
#include "gui/transition_control.h"
#include "transition/transition_view.h"

namespace {

using namespace scr;

constexpr int kSizes[][2] = {{1920, 1080}, {3840, 2160}};

// A picture with detail everywhere, so that no copy can be skipped as uniform.
Bitmap MakePicture(int w, int h, uint32_t seed) {
    Bitmap b(w, h);
    SeededRandom random(seed);
    for (int y = 0; y < h; ++y) {
        uint8_t* row = b.row(y);
        for (int x = 0; x < w; ++x) {
            row[3 * x] = uint8_t(x + seed * 40);
            row[3 * x + 1] = uint8_t(y + (x >> 3));
            row[3 * x + 2] = uint8_t(random.next(256));
        }
    }
    return b;
}

void Memcpy(benchmark::State& state, int w, int h) {
    const std::size_t bytes = std::size_t(w) * h * 3;
    const std::size_t count = std::max<std::size_t>(2, ((std::size_t(64) << 20) + 2 * bytes - 1) / (2 * bytes));
    std::vector<std::unique_ptr<uint8_t[]>> src, dst;
    for (std::size_t i = 0; i < count; ++i) {
        src.emplace_back(new uint8_t[bytes]);
        dst.emplace_back(new uint8_t[bytes]);
        std::memset(src.back().get(), int(i), bytes);
        std::memset(dst.back().get(), 0, bytes);
    }
    std::size_t i = 0;
    for (auto _ : state) {
        std::memcpy(dst[i].get(), src[i].get(), bytes);
        benchmark::DoNotOptimize(dst[i].get());
        benchmark::ClobberMemory();
        i = (i + 1) % count;
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(bytes));
}

void BuildOneFrame(benchmark::State& state, int style, int w, int h) {
    const Bitmap old_picture = MakePicture(w, h, 1), new_picture = MakePicture(w, h, 2);
    Bitmap screen(w, h);
    SeededRandom random(12345);
    FrameContext ctx;
    ctx.old_bitmap = &old_picture;
    ctx.new_bitmap = &new_picture;
    ctx.screen = &screen;
    ctx.style = style;
    ctx.step = 4;
    ctx.random = &random;
    ctx.invalidate_area = [](const Rect&) {};
    for (auto _ : state) {
        ctx.progress = 50;
        BuildFrame(ctx);
        benchmark::DoNotOptimize(screen.data());
        benchmark::ClobberMemory();
    }
}

// A control as the saver sets it up: filling its parent, centred and stretched, in-line.
struct SaverLikeView {
    SaverLikeView(int w, int h)
        : window(app, WindowParams::Popup({0, 0, w, h}, 0)), control(app, window) {
        window.SetVisible(true);
        window.set_keep_surface(false);
        app.set_recording(false);
        view.SetThreaded(false);
        view.SetAlign(TAlign::alClient);
        view.SetBounds(0, 0, w, h);
        view.SetCenter(true);
        view.SetStretch(true);
        view.SetRandomSource(&random);
        pictures[0].SetGraphic(std::make_shared<TBitmapGraphic>(MakePicture(w, h, 1)));
        pictures[1].SetGraphic(std::make_shared<TBitmapGraphic>(MakePicture(w, h, 2)));
    }
    void ShowNext(int style, int step) {
        view.SetStyle(TShowStyle(style));
        view.SetStep(uint16_t(step));
        view.SetPicture(&pictures[next]);
        next ^= 1;
        view.Start();
    }
    HeadlessApplication app{"bench"};
    HeadlessWindow window;
    TransitionControl control;
    TTransitionView& view = control.View();
    SeededRandom random{12345};
    TViewPicture pictures[2];
    int next = 0;
};

void Paint(benchmark::State& state, int w, int h, bool part) {
    SaverLikeView s(w, h);
    s.ShowNext(5, 100);
    const Rect area = part ? Rect{w / 3, 0, w / 3 + w / 10, h} : s.view.BoundsRect();
    for (auto _ : state) {
        s.window.Invalidate(area, false);
        s.view.Update();
        benchmark::DoNotOptimize(s.view.PaintBuffer().data());
        benchmark::ClobberMemory();
    }
}

void Show(benchmark::State& state, int style, int w, int h) {
    SaverLikeView s(w, h);
    s.ShowNext(5, 100);
    for (auto _ : state) s.ShowNext(style, 4);
    state.counters["frames"] = benchmark::Counter(26);
}

int RegisterAll() {
    for (const auto& size : kSizes) {
        const int w = size[0], h = size[1];
        const std::string dims = "/" + std::to_string(w) + "/" + std::to_string(h);
        benchmark::RegisterBenchmark(("Memcpy" + dims).c_str(), Memcpy, w, h)->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("Paint" + dims).c_str(), Paint, w, h, false)->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("PaintPart" + dims).c_str(), Paint, w, h, true)->Unit(benchmark::kMillisecond);
        for (int style = 1; style <= 127; ++style)
            benchmark::RegisterBenchmark(("BuildFrame/" + std::to_string(style) + dims).c_str(), BuildOneFrame, style, w, h)
                ->Unit(benchmark::kMillisecond);
        for (int style : {5, 51, 58, 99, 118, 119, 127})
            benchmark::RegisterBenchmark(("Show/" + std::to_string(style) + dims).c_str(), Show, style, w, h)
                ->Unit(benchmark::kMillisecond);
    }
    return 0;
}

const int registered = RegisterAll();

}  // namespace

BENCHMARK_MAIN();
