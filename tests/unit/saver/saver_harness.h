// Whole saver runs on the headless backend: a real package file built with the package writer
// is the program's own file, the saver window runs on the virtual clock from activation to
// destruction, and the tests read the window's surface, the backend's log and the files.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "gui/headless/headless_backend.h"
#include "jpeg_maker.h"
#include "package/writer.h"
#include "saver/run_mode.h"
#include "saver/saver_form.h"
#include "transition/transition_view.h"

namespace scr::test {

// Colours that a JPEG keeps far apart, as 0x00BBGGRR.
inline constexpr uint32_t kRed = 0x0000F0, kGreen = 0x00F000, kBlue = 0xF00000, kWhite = 0xF0F0F0;

inline std::vector<uint8_t> SolidJpeg(int w, int h, uint32_t colorref) {
    std::vector<uint8_t> rgb(std::size_t(w) * h * 3);
    for (std::size_t i = 0; i < rgb.size(); i += 3) {
        rgb[i] = uint8_t(colorref);
        rgb[i + 1] = uint8_t(colorref >> 8);
        rgb[i + 2] = uint8_t(colorref >> 16);
    }
    return EncodeRgbJpeg(rgb, w, h, 95);
}

// The colour of a pixel, 0x00BBGGRR.
inline uint32_t PixelAt(const Bitmap& b, int x, int y) {
    const uint8_t* p = b.pixel(x, y);
    return uint32_t(p[0]) << 16 | uint32_t(p[1]) << 8 | p[2];
}

// The nearest of the test colours (and black), so JPEG's small errors do not matter.
inline uint32_t Classify(uint32_t c) {
    const uint32_t candidates[] = {0, kRed, kGreen, kBlue, kWhite};
    uint32_t best = 0;
    int best_d = 1 << 30;
    for (uint32_t k : candidates) {
        int d = 0;
        for (int s = 0; s < 24; s += 8) d += std::abs(int((c >> s) & 0xFF) - int((k >> s) & 0xFF));
        if (d < best_d) best_d = d, best = k;
    }
    return best;
}

// The program's generator, recording every choice and whether a transition was running then
// (the saver's own choices come between two transitions).
class RecordingRandom : public RandomSource {
public:
    struct Call {
        int n, value;
        bool between_shows;
    };
    RecordingRandom(uint32_t seed, const bool& between_shows) : random_(seed), between_shows_(between_shows) {}
    int next(int n) override {
        const int v = random_.next(n);
        if (recording) calls.push_back({n, v, between_shows_});
        return v;
    }
    std::vector<Call> calls;
    bool recording = true;

private:
    SeededRandom random_;
    const bool& between_shows_;
};

class SaverHarness : public ::testing::Test {
protected:
    struct Slide {
        int style = 0;
        uint32_t centre = 0;     // the classified colour in the middle of the finished frame
        bool caption = false;    // the caption's colour at the bottom centre
        uint32_t start = 0;      // tick of the first frame
        uint32_t end = 0;        // tick of the end of the transition
    };

    void SetUp() override { Reset(); }
    void TearDown() override { Clear(); }

    // A fresh backend, package input and settings: table-driven tests start each row here.
    void Reset() {
        Clear();
        backend_ = std::make_unique<HeadlessBackend>();
        input = PackageInput{};
        settings = TSSFileLocations{};
        slides.clear();
        awaiting_start_ = true;
        RunMode = kScreenSaver;
        dir_ = std::filesystem::temp_directory_path() /
               ("saver_test_" + std::to_string(::getpid()) + "_" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(dir_);
        std::filesystem::create_directories(dir_ / "items");
        script().screen_size = {160, 120};
        settings.Ver = "photo";
        settings.Interval = 1000;
        settings.Text = "Caption";
        settings.TextFont.Color = kWhite;
    }
    void Clear() {
        form.reset();
        app.reset();
        RunMode = kScreenSaver;
        if (!dir_.empty()) std::filesystem::remove_all(dir_);
    }

    HeadlessBackend& backend() { return *backend_; }
    HeadlessServices& script() { return backend_->script(); }
    std::string Path(const std::string& name) const { return (dir_ / name).string(); }
    // Ends in the system's own separator, as the temporary directory does.
    std::string ItemDir() const { return (dir_ / "items" / "").string(); }

    void WriteFile(const std::string& path, const std::vector<uint8_t>& bytes) {
        std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    }
    // Pictures of the given colours (64 x 48 unless a size is given), then the extra items.
    void AddPicture(uint32_t colorref, int w = 64, int h = 48) {
        const std::string path = Path("picture" + std::to_string(input.pictures.size()) + ".jpg");
        WriteFile(path, SolidJpeg(w, h, colorref));
        input.pictures.push_back({path, "picture" + std::to_string(input.pictures.size()) + ".jpg"});
    }
    void AddSound(const std::string& name, std::size_t bytes = 100) {
        WriteFile(Path("src_" + name), std::vector<uint8_t>(bytes, 0x52));
        input.sounds.push_back({Path("src_" + name), name});
    }
    void AddFlash(const std::string& name, std::size_t bytes = 100) {
        WriteFile(Path("src_" + name), std::vector<uint8_t>(bytes, 0x46));
        input.flash.push_back({Path("src_" + name), name});
    }
    // Writes the package as the program's own file.
    void BuildPackage() {
        WriteFile(Path("stub.exe"), std::vector<uint8_t>(2000, 0x90));
        input.stub_path = Path("stub.exe");
        build_package(input, settings, Path("Saver.scr"));
        script().module_path = Path("Saver.scr");
    }

    // Makes the application and the saver window and shows it, as the program entry does.
    void Start(uint32_t seed = 7) {
        random = std::make_unique<RecordingRandom>(seed, awaiting_start_);
        app = std::unique_ptr<HeadlessApplication>(static_cast<HeadlessApplication*>(backend_->CreateApplication().release()));
        form = CreateForm<TfrmScrn>(*backend_, *app, *random);
        form->SetItemDirectory(ItemDir());
        form->SetMainForm(true);
        TTransitionView& view = form->PShow->View();
        view.OnProgress = [this](TCustomTransitionView& v) {
            if (awaiting_start_ && v.Progress() > 0) {
                slides.push_back({});
                slides.back().start = app->TickCount();
                awaiting_start_ = false;
            }
        };
        view.OnComplete = [this](TCustomTransitionView& v) {
            if (slides.empty() || awaiting_start_) slides.push_back({});
            Slide& s = slides.back();
            const Bitmap& frame = v.ScreenBitmap();
            s.style = form->PShow->View().Style();
            s.centre = Classify(PixelAt(frame, frame.width() / 2, frame.height() / 2));
            s.caption = Classify(PixelAt(frame, frame.width() / 2, frame.height() - 1)) == kWhite;
            s.end = app->TickCount();
            awaiting_start_ = true;
        };
        form->Show();
    }
    // Runs the loop until the clock reaches `until` (absolute) or the program ends.
    void RunUntilTick(uint32_t until) {
        app->At(until, [] {});
        app->RunWhile([&] { return app->TickCount() < until; });
    }
    void RunFor(uint32_t ms) { RunUntilTick(app->TickCount() + ms); }
    // Runs until the main form has closed (the loop ends), at most `limit` ms of virtual time.
    bool RunToEnd(uint32_t limit = 60000) {
        const uint32_t until = app->TickCount() + limit;
        app->At(until, [] {});
        app->RunWhile([&] { return app->TickCount() < until; });
        return app->Terminated();
    }
    // Destroys the window as the program entry does after the loop.
    void Destroy() {
        form.reset();
        app->ProcessMessages();
    }
    HeadlessWindow& window() { return static_cast<HeadlessWindow&>(form->window()); }
    int LogCount(const std::string& prefix) const {
        int n = 0;
        for (const auto& e : backend_->log) n += e.rfind(prefix, 0) == 0;
        return n;
    }

    PackageInput input;
    TSSFileLocations settings;
    std::unique_ptr<RecordingRandom> random;
    std::unique_ptr<HeadlessApplication> app;
    std::unique_ptr<TfrmScrn> form;  // after app: destroyed first
    std::vector<Slide> slides;

private:
    std::unique_ptr<HeadlessBackend> backend_;
    std::filesystem::path dir_;
    bool awaiting_start_ = true;
};

}  // namespace scr::test
