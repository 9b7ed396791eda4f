// Preparing camera pictures for a saver. A 24-megapixel baseline JPEG (6000x4000, photo-like:
// smooth colour fields with sensor-like noise) is prepared for a 1920x1080 screen; the goal is
// at most the time of its full decode, which is measured beside it (BM_FullDecode24MP) and
// reported as the counter "x_full_decode". BM_Pack50Photos builds a whole saver from 50 such
// photos with the default number of jobs and reports the saver's size against the originals'.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "jpeg_maker.h"

#include "base/os.h"
#include "jpeg_codec.h"
#include "prepare.h"
#include "scrpack.h"

namespace {

namespace fs = std::filesystem;
namespace im = scr::imaging;

const std::vector<uint8_t>& photo_24mp() {
    static const std::vector<uint8_t> jpeg = [] {
        const int w = 6000, h = 4000;
        std::vector<uint8_t> rgb(std::size_t(w) * h * 3);
        uint32_t seed = 12345;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                seed = seed * 1664525u + 1013904223u;
                const int noise = int(seed >> 28) - 8;
                uint8_t* p = &rgb[(std::size_t(y) * w + x) * 3];
                const int r = 128 + int(100 * std::sin(x / 700.0) * std::cos(y / 500.0));
                const int g = 110 + int(90 * std::sin((x + y) / 900.0));
                const int b = 90 + int(80 * std::cos(x / 300.0 + y / 1100.0));
                p[0] = uint8_t(std::clamp(r + noise, 0, 255));
                p[1] = uint8_t(std::clamp(g + noise, 0, 255));
                p[2] = uint8_t(std::clamp(b + noise, 0, 255));
            }
        return scr::test::EncodeRgbJpeg(rgb, w, h, 92);
    }();
    return jpeg;
}

double seconds_of(auto&& f) {
    const auto start = std::chrono::steady_clock::now();
    f();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void BM_FullDecode24MP(benchmark::State& state) {
    const std::vector<uint8_t>& jpeg = photo_24mp();
    state.counters["file_MiB"] = double(jpeg.size()) / (1 << 20);
    for (auto _ : state) benchmark::DoNotOptimize(im::DecodeJpeg(jpeg).rgb.data());
}

// Prepared for the default screen box: reduced decode, Lanczos-3 to 1620x1080, encode.
void BM_Prepare24MPFor1080p(benchmark::State& state) {
    const std::vector<uint8_t>& jpeg = photo_24mp();
    double decode = 1e9;
    for (int i = 0; i < 3; ++i) decode = std::min(decode, seconds_of([&] { im::DecodeJpeg(jpeg); }));
    double prepare = 0;
    int64_t n = 0;
    for (auto _ : state) {
        state.PauseTiming();
        std::vector<uint8_t> file = jpeg;
        state.ResumeTiming();
        prepare += seconds_of([&] { benchmark::DoNotOptimize(im::PreparePicture(std::move(file), {}).jpeg.data()); });
        ++n;
    }
    state.counters["x_full_decode"] = prepare / double(n) / decode;
}

void BM_Pack50Photos(benchmark::State& state) {
    const fs::path dir = fs::temp_directory_path() / ("bench-pictures-" + std::to_string(std::random_device{}()));
    fs::create_directories(dir / "photos");
    const std::vector<uint8_t>& jpeg = photo_24mp();
    for (int i = 0; i < 50; ++i) {
        scr::sys::File f = scr::sys::File::Create((dir / "photos" / ("photo" + std::to_string(100 + i) + ".jpg")).string());
        f.write(jpeg.data(), int64_t(jpeg.size()));
    }
    scr::sys::File::Create((dir / "stub.scr").string()).write(std::string(200000, 'M').data(), 200000);
    const std::string out = (dir / "out.scr").string();
    for (auto _ : state) {
        std::ostringstream o, e;
        const int status = scrpack::Main({"build", "-s", (dir / "stub.scr").string(), "-o", out, (dir / "photos").string()}, o, e);
        if (status != 0) state.SkipWithError(e.str().c_str());
    }
    state.counters["jobs"] = double(std::max(1u, std::thread::hardware_concurrency()));
    state.counters["originals_MiB"] = 50.0 * double(jpeg.size()) / (1 << 20);
    state.counters["saver_MiB"] = double(fs::file_size(out)) / (1 << 20);
    fs::remove_all(dir);
}

BENCHMARK(BM_FullDecode24MP)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Prepare24MPFor1080p)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Pack50Photos)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace

BENCHMARK_MAIN();
