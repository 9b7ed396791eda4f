// The entry's sequence on the headless backend: what each mode calls, in which order, and that
// every failure ends silently with status 0.
#include "app/entry.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <stdexcept>

#include "saver/run_mode.h"
#include "gui/headless/headless_backend.h"

namespace scr {
namespace {

using Log = std::vector<std::string>;

class EntryTest : public ::testing::Test {
protected:
    void SetUp() override { RunMode = kScreenSaver; }
    void TearDown() override { RunMode = kScreenSaver; }

    int Run(const std::string& args) {
        script.command_line = "\"C:\\savers\\Example.scr\" " + args;
        return ProgramEntry(backend, [this](const std::string& path) -> std::optional<Bitmap> {
            backend.log.push_back("read " + path);
            if (read_error) throw std::runtime_error(read_error);
            if (!picture_present) return std::nullopt;
            return Bitmap(40, 30);
        }, create_form);
    }

    HeadlessBackend backend;
    HeadlessServices& script = backend.script();
    const char* read_error = nullptr;
    bool picture_present = true;
    MainFormFactory create_form;  // none: modes 2 and 3 end after initialising
};

TEST_F(EntryTest, ChangePasswordCallsTheSystemLibraryWithoutSemaphore) {
    EXPECT_EQ(Run("/a 5678"), 0);
    EXPECT_EQ(RunMode, kChangePassword);
    EXPECT_EQ(backend.log, Log{"password C:\\WINDOWS\\SYSTEM\\MPR.DLL SCRSAVE 5678"});
}

TEST_F(EntryTest, ChangePasswordKeepsATrailingBackslash) {
    script.system_directory = "C:\\";
    Run("-A 1");
    EXPECT_EQ(backend.log, Log{"password C:\\MPR.DLL SCRSAVE 1"});
}

TEST_F(EntryTest, BadOrMissingHandleEndsBeforeAnythingIsCalled) {
    for (const char* args : {"/a", "/a abc", "/p", "/p abc", "/p 12x"}) {
        backend.log.clear();
        EXPECT_EQ(Run(args), 0) << args;
        for (const auto& entry : backend.log) {
            EXPECT_EQ(entry.rfind("password", 0), std::string::npos) << args;
            EXPECT_EQ(entry.rfind("visible", 0), std::string::npos) << args;
            EXPECT_EQ(entry.rfind("canvas", 0), std::string::npos) << args;
        }
    }
}

TEST_F(EntryTest, SecondInstanceEndsBeforeTheApplicationExists) {
    script.semaphore_exists = true;
    for (const char* args : {"/p 5678", "/c", "/s", ""}) {
        backend.log.clear();
        EXPECT_EQ(Run(args), 0);
        EXPECT_EQ(backend.log, (Log{"semaphore Example.scrSemaphore", "semaphore closed"})) << args;
    }
}

TEST_F(EntryTest, SemaphoreThatCannotBeCreatedLetsTheRunGoOn) {
    script.semaphore_fails = true;
    script.semaphore_exists = true;
    Run("/s");
    EXPECT_EQ(backend.log, (Log{"semaphore Example.scrSemaphore", "app created", "app initialized", "messages",
                                 "app freed"}));
}

TEST_F(EntryTest, PreviewWaitsDrawsOnceOneLargerAndEndsWhenHidden) {
    script.visible = {false, false, true, true, true, false};
    EXPECT_EQ(Run("/p 5678"), 0);
    EXPECT_EQ(RunMode, kPreview);
    // Every test of the parent that fails is followed by the pending messages and a sleep of
    // at most 50 ms that a message ends early.
    const Log expected{
        "semaphore Example.scrSemaphore", "app created", "app initialized", "messages",
        "hidden 5678", "messages", "wait 50", "hidden 5678", "messages", "wait 50", "visible 5678",
        "read C:\\savers\\Example.scr", "canvas 5678",
        // (100,200)-(252,312): 152 x 112, drawn over 153 x 113.
        "draw 40x30 at 0,0-153,113", "canvas released",
        "visible 5678", "messages", "wait 50", "visible 5678", "messages", "wait 50", "hidden 5678",
        "app freed", "semaphore closed",
    };
    EXPECT_EQ(backend.log, expected);
}

TEST_F(EntryTest, PreviewOfAWindowThatIsGoneBeforeItShowsEnds) {
    script.visible = {false};
    script.window_exists = false;
    EXPECT_EQ(Run("/p 5678"), 0);
    for (const auto& entry : backend.log) EXPECT_EQ(entry.rfind("read", 0), std::string::npos);
    EXPECT_EQ(backend.log.back(), "semaphore closed");
}

TEST_F(EntryTest, UnreadablePackageEndsThePreviewSilently) {
    read_error = "Invalid stream format";
    script.visible = {true};
    EXPECT_EQ(Run("/p 5678"), 0);
    const Log tail(backend.log.end() - 3, backend.log.end());
    EXPECT_EQ(tail, (Log{"read C:\\savers\\Example.scr", "app freed", "semaphore closed"}));
}

TEST_F(EntryTest, PictureWithoutGraphicDrawsNothingButStillWaits) {
    picture_present = false;
    script.visible = {true, true, false};
    Run("/p 5678");
    for (const auto& entry : backend.log) EXPECT_EQ(entry.rfind("draw", 0), std::string::npos);
    EXPECT_EQ(backend.log.back(), "semaphore closed");
    EXPECT_NE(std::find(backend.log.begin(), backend.log.end(), "canvas released"), backend.log.end());
}

TEST_F(EntryTest, ConfigureAndSaverModesEndAfterInitialising) {
    for (const char* args : {"", "/c:5678", "/s"}) {
        backend.log.clear();
        EXPECT_EQ(Run(args), 0);
        EXPECT_EQ(backend.log, (Log{"semaphore Example.scrSemaphore", "app created", "app initialized", "messages",
                                     "app freed", "semaphore closed"}))
            << args;
    }
}

}  // namespace
}  // namespace scr
