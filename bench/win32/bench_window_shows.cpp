// Every transition style through the real window, as the saver's /s shows it: a full-screen
// popup over the primary screen, black, topmost, with the picture show control as its windowless
// control, centred and stretched, in-line. Each frame is one SetProgress of a Manual show (step 4:
// the 25 frames from 4 to 100), timed with QueryPerformanceCounter from the call until GdiFlush
// has returned and the loop has gone idle once, as the show's loop does between frames (Wine
// hands the window's pixels to the X server when the thread goes idle).
//
//   Show/<style>      every frame of every show: mean_ms, max_ms, over_10ms (frames above
//                     the 10 ms goal, a quarter of the 40 ms between frames), frames; the means
//                     of the frame's parts:
//                       build_ms   the frame built by the engine and its areas invalidated
//                                  (InvalidateRect included), up to OnAfterNewFrame
//                       update_ms  from there to the start of the paint (UpdateWindow, BeginPaint)
//                       paint_ms   the paint: the copy into the paint buffer and the window's
//                                  Present (SetDIBitsToDevice)
//                       end_paint_ms  the rest of the paint message (EndPaint)
//                       flush_ms   GdiFlush and the idle pass of the loop
//                     best_*: each frame (by its progress) as the fastest of the shows, which
//                     leaves out the time the machine's other work took: best_mean_ms,
//                     best_max_ms, best_over_10ms and the means of the parts;
//                     engine_ms / engine_max_ms: the same frames built by the engine alone (no
//                     window, no invalidation), the fastest of the shows; area_mpx (megapixels
//                     painted per frame), rects (areas invalidated per frame), start_ms (the
//                     show's start: the old picture's snapshot, the new one drawn, frame 0).
//                     The benchmark's time is the manual time of the 25 frames of one show.
//   Present/<w>/<h>   the window's Present of a w x h part outside a paint: present_ms is the
//                     call (the rows made 32-bit and SetDIBitsToDevice), flush_ms GdiFlush and
//                     the idle pass.
//   Invalidate        InvalidateRect and ValidateRect of one pixel: calls per second
//                     counts the window system's requests that a frame makes several of.
//   PresentGdi24/<w>/<h>, PresentGdi32/<w>/<h>  SetDIBitsToDevice called directly on the
//                     window from the 24-bit rows (GDI converts them) and from 32-bit rows (the
//                     window surface's own format under Wine: a copy), for comparison.
//
// Flags besides Google Benchmark's: --shows=N (shows per style, default 5).
// Run it with scripts/bench-window.sh: it needs an X display of 1920x1080 at 24 bits.
#include <windows.h>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "gui/transition_control.h"
#include "gui/win32/present_bitmap.h"
#include "gui/win32/win32_backend.h"
#include "patterns.h"
#include "transition/frame.h"

namespace {

using namespace scr;

constexpr int kStep = 4;
constexpr double kGoalMs = 10.0;

int64_t Now() {
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return t.QuadPart;
}

double Ms(int64_t ticks) {
    static const double per_ms = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return double(f.QuadPart) / 1000.0;
    }();
    return double(ticks) / per_ms;
}

// A control above the show control that draws nothing: its paint, which follows the show
// control's, marks the moment the frame's pixels have been presented.
class PaintMark : public Control {
public:
    void Paint(const Rect&) override { painted = Now(); }
    int64_t painted = 0;
};

// The saver's window and control, made once: a window maps and settles slowly under Wine.
class Harness : public WindowListener {
public:
    Harness() {
        app = backend.CreateApplication();
        const TextSize screen = backend.services().PrimaryScreenSize();
        width = screen.cx;
        height = screen.cy;
        window = backend.NewWindow(*app, WindowParams::Popup({0, 0, width, height}, 0x000000));
        window->SetListener(this);
        control = std::make_unique<TransitionControl>(*app, *window);
        control->SetAlign(Control::Align::Client);
        window->AddControl(mark);
        mark.SetAlign(Control::Align::Client);
        TTransitionView& v = view();
        v.SetCenter(true);
        v.SetStretch(true);
        v.SetThreaded(false);
        v.SetRandomSource(&random);
        for (int i = 0; i < 2; ++i) {
            graphics[i] = std::make_shared<TBitmapGraphic>(test::PatternBitmap(width, height, i + 1));
            pictures[i].SetGraphic(graphics[i]);
        }
        window->SetTopmost();
        window->SetVisible(true);
        Settle();
        // The first picture arrives through a whole show, as the saver's first slide does.
        v.SetDelay(0);
        ShowNext(5);
        Settle();
        v.SetManual(true);
        v.OnAfterNewFrame = [this](TCustomTransitionView&, const Bitmap&, Bitmap&) { frame_built = Now(); };
    }
    ~Harness() override { window->SetListener(nullptr); }

    TTransitionView& view() { return control->View(); }
    const Bitmap& Picture(int i) const { return graphics[i]->bitmap(); }

    // Starts a show of the other picture; in-line shows run to their end here.
    void ShowNext(int style) {
        view().SetStyle(TShowStyle(style));
        view().SetPicture(&pictures[next]);
        next ^= 1;
        view().Start();
    }
    // The index of the last show's new picture; its old picture is the other one.
    int Current() const { return next ^ 1; }

    void Settle() {
        for (int i = 0; i < 20; ++i) {
            app->ProcessMessages();
            Sleep(10);
        }
    }

    void HandlePaint(const Rect& update) override {
        paint_began = Now();
        painted_area = update;
    }

    Win32Backend backend;
    std::unique_ptr<Application> app;
    std::unique_ptr<Window> window;
    std::unique_ptr<TransitionControl> control;
    PaintMark mark;  // after control: painted after it, removed before it
    SeededRandom random{12345};
    std::shared_ptr<TBitmapGraphic> graphics[2];
    TViewPicture pictures[2];
    int next = 0;
    int width = 0, height = 0;
    int64_t frame_built = 0, paint_began = 0;
    Rect painted_area;
};

Harness* harness = nullptr;

struct Sum {
    double total = 0, max = 0;
    int64_t count = 0;
    void Add(double v) {
        total += v;
        max = std::max(max, v);
        ++count;
    }
    double Mean() const { return count ? total / double(count) : 0.0; }
};

constexpr int kFrames = 100 / kStep;

// The time of each frame of a show and of its parts, kept for each frame as the fastest of the
// shows: the machine's other work only ever adds to a frame's time.
struct FrameTimes {
    double total = 1e30, build = 0, update = 0, paint = 0, end_paint = 0, flush = 0;
};

// The frames of one show built by the engine alone, on bitmaps of their own, with the areas
// it invalidates counted.
void EngineOnly(int style, const Bitmap& old_picture, const Bitmap& new_picture, std::vector<double>& best, Sum& rects) {
    Bitmap screen(old_picture.width(), old_picture.height());
    SeededRandom random(12345);
    int count = 0;
    FrameContext ctx;
    ctx.old_bitmap = &old_picture;
    ctx.new_bitmap = &new_picture;
    ctx.screen = &screen;
    ctx.style = style;
    ctx.step = kStep;
    ctx.random = &random;
    ctx.invalidate_area = [&count](const Rect&) { ++count; };
    for (int i = 0; i <= kFrames; ++i) {
        ctx.progress = i * kStep;
        count = 0;
        const int64_t t0 = Now();
        BuildFrame(ctx);
        const int64_t t1 = Now();
        if (i == 0) continue;  // frame 0 belongs to the start
        best[i - 1] = std::min(best[i - 1], Ms(t1 - t0));
        rects.Add(count);
    }
}

void Show(benchmark::State& state, int style) {
    Harness& h = *harness;
    TTransitionView& view = h.view();
    view.SetStep(kStep);
    Sum frame, build, update, paint, end_paint, flush, area, start, rects;
    int over = 0;
    std::vector<FrameTimes> best(kFrames);
    std::vector<double> engine(kFrames, 1e30);
    for (auto _ : state) {
        const int64_t s0 = Now();
        h.ShowNext(style);  // Manual: the snapshot, the new picture drawn and frame 0, no more
        GdiFlush();
        h.app->ProcessMessages();
        start.Add(Ms(Now() - s0));
        double show_ms = 0;
        for (int i = 0; i < kFrames; ++i) {
            h.frame_built = h.paint_began = h.mark.painted = 0;
            h.painted_area = {};
            const int64_t t0 = Now();
            view.SetProgress(uint8_t((i + 1) * kStep));
            const int64_t t1 = Now();
            GdiFlush();
            h.app->ProcessMessages();
            const int64_t t2 = Now();
            // Every frame ends in OnAfterNewFrame; a frame that invalidated nothing is not painted.
            const int64_t built = h.frame_built ? h.frame_built : t1;
            const int64_t paint_began = h.paint_began ? h.paint_began : t1;
            const int64_t presented = h.mark.painted ? h.mark.painted : t1;
            const FrameTimes t{Ms(t2 - t0),           Ms(built - t0),      Ms(paint_began - built),
                               Ms(presented - paint_began), Ms(t1 - presented), Ms(t2 - t1)};
            show_ms += t.total;
            frame.Add(t.total);
            if (t.total > kGoalMs) ++over;
            build.Add(t.build);
            update.Add(t.update);
            paint.Add(t.paint);
            end_paint.Add(t.end_paint);
            flush.Add(t.flush);
            area.Add(double(h.painted_area.width()) * h.painted_area.height() / 1e6);
            if (t.total < best[i].total) best[i] = t;
        }
        view.Stop();
        state.SetIterationTime(show_ms / 1000.0);
        // The engine alone on this show's pictures, outside the manual time.
        const int shown = h.Current();
        EngineOnly(style, h.Picture(shown ^ 1), h.Picture(shown), engine, rects);
    }

    Sum best_total, best_build, best_update, best_paint, best_end_paint, best_flush, best_engine;
    int best_over = 0;
    for (int i = 0; i < kFrames; ++i) {
        best_total.Add(best[i].total);
        best_build.Add(best[i].build);
        best_update.Add(best[i].update);
        best_paint.Add(best[i].paint);
        best_end_paint.Add(best[i].end_paint);
        best_flush.Add(best[i].flush);
        best_engine.Add(engine[i]);
        if (best[i].total > kGoalMs) ++best_over;
    }
    state.counters["frames"] = double(frame.count);
    state.counters["mean_ms"] = frame.Mean();
    state.counters["max_ms"] = frame.max;
    state.counters["over_10ms"] = over;
    state.counters["build_ms"] = build.Mean();
    state.counters["update_ms"] = update.Mean();
    state.counters["paint_ms"] = paint.Mean();
    state.counters["end_paint_ms"] = end_paint.Mean();
    state.counters["flush_ms"] = flush.Mean();
    state.counters["best_mean_ms"] = best_total.Mean();
    state.counters["best_max_ms"] = best_total.max;
    state.counters["best_over_10ms"] = best_over;
    state.counters["best_build_ms"] = best_build.Mean();
    state.counters["best_build_max_ms"] = best_build.max;
    state.counters["best_update_ms"] = best_update.Mean();
    state.counters["best_paint_ms"] = best_paint.Mean();
    state.counters["best_paint_max_ms"] = best_paint.max;
    state.counters["best_end_paint_ms"] = best_end_paint.Mean();
    state.counters["best_flush_ms"] = best_flush.Mean();
    state.counters["best_flush_max_ms"] = best_flush.max;
    state.counters["engine_ms"] = best_engine.Mean();
    state.counters["engine_max_ms"] = best_engine.max;
    state.counters["area_mpx"] = area.Mean();
    state.counters["rects"] = rects.Mean();
    state.counters["start_ms"] = start.Mean();
}

// Times present() and then the flush that follows it (GdiFlush and the loop's idle pass).
template <class F>
void TimePresents(benchmark::State& state, F&& present) {
    Harness& hs = *harness;
    Sum presented, flushed;
    for (auto _ : state) {
        const int64_t t0 = Now();
        present();
        const int64_t t1 = Now();
        GdiFlush();
        hs.app->ProcessMessages();
        const int64_t t2 = Now();
        presented.Add(Ms(t1 - t0));
        flushed.Add(Ms(t2 - t1));
        state.SetIterationTime(Ms(t2 - t0) / 1000.0);
    }
    state.counters["present_ms"] = presented.Mean();
    state.counters["present_max_ms"] = presented.max;
    state.counters["flush_ms"] = flushed.Mean();
    state.counters["flush_max_ms"] = flushed.max;
}

void Present(benchmark::State& state, int w, int h) {
    Harness& hs = *harness;
    const Bitmap& picture = hs.Picture(hs.Current());
    TimePresents(state, [&] { hs.window->Present({0, 0, w, h}, picture, 0, 0); });
}

// GDI's own ways, called directly on the window, for comparison with the window's Present:
// SetDIBitsToDevice straight from the 24-bit rows (GDI converts them), and from rows already
// 32-bit (a copy: the least any presentation costs).
void PresentGdi(benchmark::State& state, int w, int h, int bits) {
    Harness& hs = *harness;
    const Bitmap& picture = hs.Picture(hs.Current());
    std::vector<uint32_t> pixels;
    if (bits == 32) {
        pixels.resize(std::size_t(w) * std::size_t(h));
        for (int y = 0; y < h; ++y) ExpandRow24To32(picture.row(y), pixels.data() + std::size_t(y) * w, w);
    }
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = bits == 32 ? w : picture.width();
    info.bmiHeader.biHeight = -h;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = WORD(bits);
    info.bmiHeader.biCompression = BI_RGB;
    const void* rows = bits == 32 ? static_cast<const void*>(pixels.data()) : picture.data();
    const HWND hwnd = reinterpret_cast<HWND>(hs.window->Handle());
    TimePresents(state, [&] {
        HDC dc = GetDC(hwnd);
        SetDIBitsToDevice(dc, 0, 0, DWORD(w), DWORD(h), 0, 0, 0, UINT(h), rows, &info, DIB_RGB_COLORS);
        ReleaseDC(hwnd, dc);
    });
}

// One request to the window system that does no drawing, as a frame makes several (its
// invalidations, the paint's start and end, the loop's look for messages): under Wine each is
// a round trip to the wineserver process.
void Invalidate(benchmark::State& state) {
    Harness& hs = *harness;
    const HWND hwnd = reinterpret_cast<HWND>(hs.window->Handle());
    const RECT pixel{0, 0, 1, 1};
    for (auto _ : state) {
        InvalidateRect(hwnd, &pixel, FALSE);
        ValidateRect(hwnd, &pixel);
    }
    state.counters["calls"] = benchmark::Counter(double(state.iterations()) * 2, benchmark::Counter::kIsRate);
}

void RegisterAll(int shows) {
    const int w = harness->width, h = harness->height;
    for (const auto& part : {std::pair{w, h}, std::pair{w / 10, h}, std::pair{w, h / 10}})
        benchmark::RegisterBenchmark(("Present/" + std::to_string(part.first) + "/" + std::to_string(part.second)).c_str(),
                                     Present, part.first, part.second)
            ->UseManualTime()
            ->Unit(benchmark::kMillisecond);
    const std::string dims = "/" + std::to_string(w) + "/" + std::to_string(h);
    for (int bits : {24, 32})
        benchmark::RegisterBenchmark(("PresentGdi" + std::to_string(bits) + dims).c_str(), PresentGdi, w, h, bits)
            ->UseManualTime()
            ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("Invalidate", Invalidate)->Unit(benchmark::kMicrosecond);
    for (int style = 1; style <= 127; ++style)
        benchmark::RegisterBenchmark(("Show/" + std::to_string(style)).c_str(), Show, style)
            ->UseManualTime()
            ->Iterations(shows)
            ->Unit(benchmark::kMillisecond);
}

}  // namespace

int main(int argc, char** argv) {
    int shows = 5;
    std::vector<char*> args;
    for (int i = 0; i < argc; ++i) {
        if (i > 0 && std::strncmp(argv[i], "--shows=", 8) == 0) {
            shows = std::max(1, std::atoi(argv[i] + 8));
            continue;
        }
        args.push_back(argv[i]);
    }
    int count = int(args.size());
    args.push_back(nullptr);
    benchmark::Initialize(&count, args.data());
    if (benchmark::ReportUnrecognizedArguments(count, args.data())) return 1;
    if (GetEnvironmentVariableA("DISPLAY", nullptr, 0) == 0) {
        std::fprintf(stderr, "bench_window_shows needs a display (run it with scripts/bench-window.sh)\n");
        return 1;
    }
    Harness h;
    harness = &h;
    benchmark::AddCustomContext("screen", std::to_string(h.width) + "x" + std::to_string(h.height));
    benchmark::AddCustomContext("shows_per_style", std::to_string(shows));
    RegisterAll(shows);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    harness = nullptr;
    return 0;
}
