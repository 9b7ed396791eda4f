#include "gui/headless/application_headless.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace scr {
namespace {

TEST(ExceptionReportText, FullStopWhenTheLastCharacterSortsAboveIt) {
    const struct {
        const char* message;
        const char* shown;
    } cases[] = {
        {"Disk full", "Disk full."},
        {"Disk full.", "Disk full."},
        {"Done!", "Done!"},        // "!" sorts below "."
        {"Value -", "Value -"},    // "-" sorts below "."
        {"Why?", "Why?."},         // "?" sorts above "."
        {"Size 12", "Size 12."},   // digits sort above "."
        {"path/", "path/."},       // "/" directly above "."
        {"caf\xe9", "caf\xe9."},   // code-page letters count as above
        {"", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(ExceptionReportText(c.message), c.shown) << c.message;
}

TEST(TitleFromExeName, FileNameWithoutExtension) {
    EXPECT_EQ(TitleFromExeName("C:\\Savers\\My Photos.scr"), "My Photos");
    EXPECT_EQ(TitleFromExeName("C:\\a.b\\saver"), "saver");
    EXPECT_EQ(TitleFromExeName("saver.v2.scr"), "saver.v2");
}

TEST(HeadlessApplication, ReportsCarryTheTitleAndTheStoppedMessage) {
    HeadlessApplication app("C:\\Savers\\Holiday.scr");
    app.Guard([] { throw std::runtime_error("Cannot open file x"); });
    app.SetTitle("Holiday pictures");
    app.Guard([] { throw 42; });
    ASSERT_EQ(app.reports().size(), 2u);
    EXPECT_EQ(app.reports()[0].title, "Holiday");
    EXPECT_EQ(app.reports()[0].text, "Cannot open file x.");
    EXPECT_EQ(app.reports()[1].title, "Holiday pictures");
    EXPECT_EQ(app.reports()[1].text, "Unknown error.");
}

TEST(HeadlessApplication, ProcessMessagesDrainsTheQueueIncludingNewPosts) {
    HeadlessApplication app("x.scr");
    std::vector<int> order;
    app.Post([&] {
        order.push_back(1);
        app.Post([&] { order.push_back(3); });
    });
    app.Post([&] { order.push_back(2); });
    app.ProcessMessages();
    EXPECT_EQ(order, (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(app.pending(), 0u);
}

TEST(HeadlessApplication, RunDispatchesAndIdlesUntilTerminated) {
    HeadlessApplication app("x.scr");
    int idle_calls = 0;
    std::vector<std::string> seen;
    app.SetOnIdle([&](bool& done) {
        ++idle_calls;
        // The first idle call keeps working (asks to be called again), the second posts the
        // message that closes the main form.
        if (idle_calls == 1) {
            done = false;
        } else {
            app.Post([&] { seen.push_back("close"); app.Terminate(); });
        }
    });
    app.Post([&] { seen.push_back("first"); });
    app.Post([] { throw std::runtime_error("handler failed"); });
    app.Run();
    EXPECT_TRUE(app.Terminated());
    EXPECT_EQ(seen, (std::vector<std::string>{"first", "close"}));
    EXPECT_EQ(idle_calls, 2);
    // The failing handler was reported and did not end the loop.
    ASSERT_EQ(app.reports().size(), 1u);
    EXPECT_EQ(app.reports()[0].text, "handler failed.");
}

TEST(HeadlessApplication, RunThatWouldWaitForEverThrows) {
    HeadlessApplication app("x.scr");
    EXPECT_THROW(app.Run(), std::logic_error);
}

TEST(HeadlessApplication, IdleHandlerErrorsAreReported) {
    HeadlessApplication app("x.scr");
    app.SetOnIdle([&](bool&) {
        app.Terminate();
        throw std::runtime_error("idle failed");
    });
    app.Run();
    ASSERT_EQ(app.reports().size(), 1u);
    EXPECT_EQ(app.reports()[0].text, "idle failed.");
}

}  // namespace
}  // namespace scr
