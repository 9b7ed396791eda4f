// Reading a package's settings and one picture item must not depend on how many pictures the
// package holds: the readers seek to absolute offsets and never scan. Packages of 10 and of
// 1,000 pictures are built once with the writer; each iteration opens the file anew, as the
// saver's readers do.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "jpeg_maker.h"

#include "package/items.h"
#include "package/settings.h"
#include "package/writer.h"

namespace {

namespace fs = std::filesystem;

// The package of n pictures, built on first use and removed at exit.
const std::string& package_of(int n) {
    static const fs::path dir = fs::temp_directory_path() / ("bench-package-" + std::to_string(std::random_device{}()));
    static std::map<int, std::string> built;
    static struct Cleanup {
        ~Cleanup() { fs::remove_all(dir); }
    } cleanup;
    auto it = built.find(n);
    if (it != built.end()) return it->second;
    fs::create_directories(dir);
    const std::string jpeg_path = (dir / "picture.jpg").string(), stub_path = (dir / "stub.scr").string();
    if (!fs::exists(jpeg_path)) {
        std::vector<uint8_t> jpeg = scr::test::MakeJpeg(640, 480);
        std::ofstream(jpeg_path, std::ios::binary).write(reinterpret_cast<const char*>(jpeg.data()), std::streamsize(jpeg.size()));
        std::ofstream(stub_path, std::ios::binary) << std::string(200000, 'M');
    }
    scr::PackageInput input;
    input.stub_path = stub_path;
    for (int i = 0; i < n; ++i) input.pictures.push_back({jpeg_path, "picture" + std::to_string(i) + ".jpg"});
    scr::TSSFileLocations settings;
    settings.Ver = "photo";
    settings.Interval = 5000;
    const std::string out = (dir / ("package-" + std::to_string(n) + ".scr")).string();
    scr::build_package(input, settings, out);
    return built[n] = out;
}

// The saver window's read: trailer fields 1 and 2, then the settings stream.
void BM_ReadSettings(benchmark::State& state) {
    const std::string& path = package_of(int(state.range(0)));
    state.counters["package_MiB"] = double(fs::file_size(path)) / (1 << 20);
    for (auto _ : state) {
        scr::FileStream f = scr::FileStream::OpenRead(path);
        scr::LocateSettingsFromTrailer(f);
        scr::TSSFileLocations settings;
        scr::LoadComponentStream(f, settings);
        benchmark::DoNotOptimize(settings.PicCount());
    }
}

// One slideshow step's read: the last picture item, whose headers are parsed when read.
void BM_ReadLastPictureItem(benchmark::State& state) {
    const std::string& path = package_of(int(state.range(0)));
    scr::FileStream f = scr::FileStream::OpenRead(path);
    scr::LocateSettingsFromTrailer(f);
    scr::TSSFileLocations settings;
    scr::LoadComponentStream(f, settings);
    const int last = settings.PicCount() - 1;
    for (auto _ : state) {
        std::unique_ptr<scr::TImage> image = scr::ReadPictureItem(path, settings, last);
        benchmark::DoNotOptimize(image->Picture.Width());
    }
}

// Both, as the saver does when it starts: settings, then its first picture.
void BM_ReadSettingsAndOnePicture(benchmark::State& state) {
    const std::string& path = package_of(int(state.range(0)));
    for (auto _ : state) {
        scr::TSSFileLocations settings;
        {
            scr::FileStream f = scr::FileStream::OpenRead(path);
            scr::LocateSettingsFromTrailer(f);
            scr::LoadComponentStream(f, settings);
        }
        std::unique_ptr<scr::TImage> image = scr::ReadPictureItem(path, settings, settings.PicCount() / 2);
        benchmark::DoNotOptimize(image->Picture.Width());
    }
}

BENCHMARK(BM_ReadSettings)->Arg(10)->Arg(100)->Arg(1000);
BENCHMARK(BM_ReadLastPictureItem)->Arg(10)->Arg(1000);
BENCHMARK(BM_ReadSettingsAndOnePicture)->Arg(10)->Arg(1000);

}  // namespace

BENCHMARK_MAIN();
