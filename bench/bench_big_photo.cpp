// A 24-megapixel photograph (6000 x 4000, quality 90, 4:2:0) composed into a 1920 x 1080 slide
// the way the saver composes it, centred on black and cut evenly:
//   Slide/Crop/<kind>   PlaceOnSlide, then DrawRegion: only the part that shows is decoded
//   Slide/Full/<kind>   Pixels() of a fresh graphic (the whole decode), then the centred copy
// for a baseline and a progressive picture. Compare the two times of one kind from one run; the
// crop benchmark fails when its slide differs from the other's in any pixel.
// Counters: peak_MB, the most heap in use during one composition above what was in use before
// it (the slide included; libjpeg's own buffers included, as every allocation of the process is
// counted); budget_MB, two slides, which with the compressed picture (compressed_MB, held by
// the graphic before and after) is what a composition may use at most; within_budget, 1 or 0.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

#include "jpeg_maker.h"
#include "package/jpeg.h"

// Every allocation of the process goes through these counting wrappers of glibc's allocator, so
// that libjpeg's work memory counts as well as ours.
#if defined(__GLIBC__)
extern "C" {
void* __libc_malloc(size_t size);
void* __libc_calloc(size_t count, size_t size);
void* __libc_realloc(void* p, size_t size);
void* __libc_memalign(size_t alignment, size_t size);
void __libc_free(void* p);
}

namespace {
std::atomic<int64_t> g_live{0};
std::atomic<int64_t> g_peak{0};

void* Counted(void* p) {
    if (p) {
        const int64_t now = g_live += int64_t(malloc_usable_size(p));
        int64_t peak = g_peak.load();
        while (now > peak && !g_peak.compare_exchange_weak(peak, now)) {
        }
    }
    return p;
}
void Uncount(void* p) {
    if (p) g_live -= int64_t(malloc_usable_size(p));
}
}  // namespace

extern "C" {
void* malloc(size_t size) { return Counted(__libc_malloc(size)); }
void* calloc(size_t count, size_t size) { return Counted(__libc_calloc(count, size)); }
void* realloc(void* p, size_t size) {
    Uncount(p);
    void* q = __libc_realloc(p, size);
    if (!q && p && size > 0) {
        Counted(p);  // refused: the old block stays
        return nullptr;
    }
    return Counted(q);
}
void free(void* p) {
    Uncount(p);
    __libc_free(p);
}
void* memalign(size_t alignment, size_t size) { return Counted(__libc_memalign(alignment, size)); }
void* aligned_alloc(size_t alignment, size_t size) { return Counted(__libc_memalign(alignment, size)); }
int posix_memalign(void** out, size_t alignment, size_t size) {
    void* p = Counted(__libc_memalign(alignment, size));
    if (!p) return 12;  // ENOMEM
    *out = p;
    return 0;
}
}

namespace {
constexpr bool kCounting = true;
void ResetPeak() { g_peak = g_live.load(); }
int64_t Live() { return g_live.load(); }
int64_t Peak() { return g_peak.load(); }
}  // namespace
#else
namespace {
constexpr bool kCounting = false;
void ResetPeak() {}
int64_t Live() { return 0; }
int64_t Peak() { return 0; }
}  // namespace
#endif

namespace {

using namespace scr;

constexpr int kPhotoWidth = 6000, kPhotoHeight = 4000;
constexpr int kScreenWidth = 1920, kScreenHeight = 1080;

const std::vector<uint8_t>& Photo(test::JpegKind kind) {
    static std::map<test::JpegKind, std::vector<uint8_t>> made;
    auto it = made.find(kind);
    if (it == made.end())
        it = made.emplace(kind, test::MakeSceneJpeg({.width = kPhotoWidth,
                                                      .height = kPhotoHeight,
                                                      .kind = kind,
                                                      .chroma = test::Chroma::k420,
                                                      .quality = 90}))
                 .first;
    return it->second;
}

TJPEGImage LoadPhoto(test::JpegKind kind) {
    TJPEGImage image;
    image.LoadFromBytes(SharedBytes::Copy(Photo(kind)));
    return image;
}

Bitmap ComposeCropped(const TJPEGImage& image) {
    Bitmap slide(kScreenWidth, kScreenHeight);
    const SlidePlacement place = PlaceOnSlide(image.Width(), image.Height(), kScreenWidth, kScreenHeight);
    image.DrawRegion(slide, place.dest.x, place.dest.y, place.source);
    return slide;
}

Bitmap ComposeFromWholeDecode(TJPEGImage& image) {
    Bitmap slide(kScreenWidth, kScreenHeight);
    const Bitmap& pixels = image.Pixels();
    CopyBitmapRect(slide, (kScreenWidth - pixels.width()) / 2, (kScreenHeight - pixels.height()) / 2, pixels,
                   {0, 0, pixels.width(), pixels.height()});
    return slide;
}

void Report(benchmark::State& state, int64_t peak, std::size_t compressed) {
    const double mb = 1024.0 * 1024.0;
    const int64_t budget = 2 * int64_t(Bitmap::stride_for(kScreenWidth)) * kScreenHeight;
    state.counters["compressed_MB"] = double(compressed) / mb;
    if (!kCounting) return;
    state.counters["peak_MB"] = double(peak) / mb;
    state.counters["budget_MB"] = double(budget) / mb;
    state.counters["within_budget"] = peak <= budget ? 1 : 0;
}

// Times compose(graphic) and measures the heap it takes at its peak.
template <class Compose>
void Measure(benchmark::State& state, test::JpegKind kind, Compose compose) {
    const TJPEGImage image = LoadPhoto(kind);
    int64_t peak = 0;
    for (auto _ : state) {
        const int64_t before = Live();
        ResetPeak();
        Bitmap slide = compose(image);
        peak = std::max(peak, Peak() - before);
        benchmark::DoNotOptimize(slide.data());
    }
    Report(state, peak, image.Data().size());
}

void Crop(benchmark::State& state, test::JpegKind kind) {
    Measure(state, kind, ComposeCropped);
    // Both ways must give the same slide, or the comparison means nothing.
    TJPEGImage image = LoadPhoto(kind);
    if (!ComposeCropped(image).same_pixels(ComposeFromWholeDecode(image))) state.SkipWithError("slides differ");
}

void Full(benchmark::State& state, test::JpegKind kind) {
    Measure(state, kind, [](const TJPEGImage& loaded) {
        // A graphic not decoded yet, gone with its whole picture once the slide is made.
        const auto image = loaded.Clone();
        return ComposeFromWholeDecode(static_cast<TJPEGImage&>(*image));
    });
}

int RegisterAll() {
    const std::pair<const char*, test::JpegKind> kinds[] = {{"baseline", test::JpegKind::Baseline},
                                                            {"progressive", test::JpegKind::Progressive}};
    for (const auto& [name, kind] : kinds) {
        const std::string suffix = std::string("/") + name;
        benchmark::RegisterBenchmark(("Slide/Crop" + suffix).c_str(), Crop, kind)->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("Slide/Full" + suffix).c_str(), Full, kind)->Unit(benchmark::kMillisecond);
    }
    return 0;
}

const int registered = RegisterAll();

}  // namespace

BENCHMARK_MAIN();
