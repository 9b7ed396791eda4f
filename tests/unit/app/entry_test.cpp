// The entry's sequence against a recording platform: what each mode calls, in which order,
// and that every failure ends silently with status 0.
#include "app/entry.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <stdexcept>

#include "app/run_mode.h"
#include "gui/headless/application_headless.h"

namespace scr {
namespace {

using Log = std::vector<std::string>;

class RecordingApplication : public HeadlessApplication {
public:
    RecordingApplication(Log& log, std::function<void()> on_process)
        : HeadlessApplication("C:\\savers\\Example.scr"), log_(log), on_process_(std::move(on_process)) {}
    ~RecordingApplication() override { log_.push_back("app freed"); }
    void Initialize() override { log_.push_back("app initialized"); }
    void ProcessMessages() override {
        log_.push_back("messages");
        if (on_process_) on_process_();
    }

private:
    Log& log_;
    std::function<void()> on_process_;
};

class RecordingHandle : public SystemHandle {
public:
    explicit RecordingHandle(Log& log) : log_(log) {}
    ~RecordingHandle() override { log_.push_back("semaphore closed"); }

private:
    Log& log_;
};

class RecordingCanvas : public WindowCanvas {
public:
    explicit RecordingCanvas(Log& log) : log_(log) {}
    ~RecordingCanvas() override { log_.push_back("canvas released"); }
    void StretchDraw(const Rect& d, const Bitmap& p) override {
        log_.push_back("draw " + std::to_string(p.width()) + "x" + std::to_string(p.height()) + " at " +
                       std::to_string(d.left) + "," + std::to_string(d.top) + "-" + std::to_string(d.right) + "," +
                       std::to_string(d.bottom));
    }

private:
    Log& log_;
};

class FakePlatform : public ProgramPlatform {
public:
    std::string command_line;
    std::string system_directory = "C:\\WINDOWS\\SYSTEM";
    bool semaphore_exists = false;
    bool semaphore_fails = false;
    // Visibility answers, consumed one per test of the parent (the last one repeats).
    std::deque<bool> visible{true};
    bool window_exists = true;
    Rect rect{100, 200, 252, 312};
    Log log;

    std::string CommandLine() override { return command_line; }
    std::string ModulePath() override { return "C:\\savers\\Example.scr"; }
    std::string SystemDirectory() override { return system_directory; }
    void CallPasswordChange(const std::string& lib, const std::string& key, WindowHandle w) override {
        log.push_back("password " + lib + " " + key + " " + std::to_string(w));
    }
    SemaphoreResult CreateInstanceSemaphore(const std::string& name) override {
        log.push_back("semaphore " + name);
        SemaphoreResult r;
        if (!semaphore_fails) r.handle = std::make_unique<RecordingHandle>(log);
        r.already_exists = semaphore_exists;
        return r;
    }
    std::unique_ptr<Application> CreateApplication() override {
        log.push_back("app created");
        return std::make_unique<RecordingApplication>(log, nullptr);
    }
    bool WindowExists(WindowHandle) override { return window_exists; }
    bool WindowVisible(WindowHandle w) override {
        const bool v = visible.front();
        if (visible.size() > 1) visible.pop_front();
        log.push_back(std::string(v ? "visible " : "hidden ") + std::to_string(w));
        return v;
    }
    Rect WindowRectangle(WindowHandle) override { return rect; }
    std::unique_ptr<WindowCanvas> CanvasOnWindow(WindowHandle w) override {
        log.push_back("canvas " + std::to_string(w));
        return std::make_unique<RecordingCanvas>(log);
    }
};

class EntryTest : public ::testing::Test {
protected:
    void SetUp() override { RunMode = kScreenSaver; }
    void TearDown() override { RunMode = kScreenSaver; }

    int Run(const std::string& args) {
        platform.command_line = "\"C:\\savers\\Example.scr\" " + args;
        return ProgramEntry(platform, [this](const std::string& path) -> std::optional<Bitmap> {
            platform.log.push_back("read " + path);
            if (read_error) throw std::runtime_error(read_error);
            if (!picture_present) return std::nullopt;
            return Bitmap(40, 30);
        });
    }

    FakePlatform platform;
    const char* read_error = nullptr;
    bool picture_present = true;
};

TEST_F(EntryTest, ChangePasswordCallsTheSystemLibraryWithoutSemaphore) {
    EXPECT_EQ(Run("/a 5678"), 0);
    EXPECT_EQ(RunMode, kChangePassword);
    EXPECT_EQ(platform.log, Log{"password C:\\WINDOWS\\SYSTEM\\MPR.DLL SCRSAVE 5678"});
}

TEST_F(EntryTest, ChangePasswordKeepsATrailingBackslash) {
    platform.system_directory = "C:\\";
    Run("-A 1");
    EXPECT_EQ(platform.log, Log{"password C:\\MPR.DLL SCRSAVE 1"});
}

TEST_F(EntryTest, BadOrMissingHandleEndsBeforeAnythingIsCalled) {
    for (const char* args : {"/a", "/a abc", "/p", "/p abc", "/p 12x"}) {
        platform.log.clear();
        EXPECT_EQ(Run(args), 0) << args;
        for (const auto& entry : platform.log) {
            EXPECT_EQ(entry.rfind("password", 0), std::string::npos) << args;
            EXPECT_EQ(entry.rfind("visible", 0), std::string::npos) << args;
            EXPECT_EQ(entry.rfind("canvas", 0), std::string::npos) << args;
        }
    }
}

TEST_F(EntryTest, SecondInstanceEndsBeforeTheApplicationExists) {
    platform.semaphore_exists = true;
    for (const char* args : {"/p 5678", "/c", "/s", ""}) {
        platform.log.clear();
        EXPECT_EQ(Run(args), 0);
        EXPECT_EQ(platform.log, (Log{"semaphore Example.scrSemaphore", "semaphore closed"})) << args;
    }
}

TEST_F(EntryTest, SemaphoreThatCannotBeCreatedLetsTheRunGoOn) {
    platform.semaphore_fails = true;
    platform.semaphore_exists = true;
    Run("/s");
    EXPECT_EQ(platform.log, (Log{"semaphore Example.scrSemaphore", "app created", "app initialized", "messages",
                                 "app freed"}));
}

TEST_F(EntryTest, PreviewWaitsDrawsOnceOneLargerAndEndsWhenHidden) {
    platform.visible = {false, false, true, true, true, false};
    EXPECT_EQ(Run("/p 5678"), 0);
    EXPECT_EQ(RunMode, kPreview);
    const Log expected{
        "semaphore Example.scrSemaphore", "app created", "app initialized", "messages",
        "hidden 5678", "messages", "hidden 5678", "messages", "visible 5678",
        "read C:\\savers\\Example.scr", "canvas 5678",
        // (100,200)-(252,312): 152 x 112, drawn over 153 x 113.
        "draw 40x30 at 0,0-153,113", "canvas released",
        "visible 5678", "messages", "visible 5678", "messages", "hidden 5678",
        "app freed", "semaphore closed",
    };
    EXPECT_EQ(platform.log, expected);
}

TEST_F(EntryTest, PreviewOfAWindowThatIsGoneBeforeItShowsEnds) {
    platform.visible = {false};
    platform.window_exists = false;
    EXPECT_EQ(Run("/p 5678"), 0);
    for (const auto& entry : platform.log) EXPECT_EQ(entry.rfind("read", 0), std::string::npos);
    EXPECT_EQ(platform.log.back(), "semaphore closed");
}

TEST_F(EntryTest, UnreadablePackageEndsThePreviewSilently) {
    read_error = "Invalid stream format";
    platform.visible = {true};
    EXPECT_EQ(Run("/p 5678"), 0);
    const Log tail(platform.log.end() - 3, platform.log.end());
    EXPECT_EQ(tail, (Log{"read C:\\savers\\Example.scr", "app freed", "semaphore closed"}));
}

TEST_F(EntryTest, PictureWithoutGraphicDrawsNothingButStillWaits) {
    picture_present = false;
    platform.visible = {true, true, false};
    Run("/p 5678");
    for (const auto& entry : platform.log) EXPECT_EQ(entry.rfind("draw", 0), std::string::npos);
    EXPECT_EQ(platform.log.back(), "semaphore closed");
    EXPECT_NE(std::find(platform.log.begin(), platform.log.end(), "canvas released"), platform.log.end());
}

TEST_F(EntryTest, ConfigureAndSaverModesEndAfterInitialising) {
    for (const char* args : {"", "/c:5678", "/s"}) {
        platform.log.clear();
        EXPECT_EQ(Run(args), 0);
        EXPECT_EQ(platform.log, (Log{"semaphore Example.scrSemaphore", "app created", "app initialized", "messages",
                                     "app freed", "semaphore closed"}))
            << args;
    }
}

}  // namespace
}  // namespace scr
