#include "gui/headless/headless_application.h"

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <thread>

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

namespace scr {
namespace {

// One clock for everything: periodic timers, scripted events and waits all meet on it.
TEST(HeadlessClock, TimersAndScriptedEventsRunInTimeOrderOnOneClock) {
    HeadlessApplication app("x.scr");
    std::vector<std::string> seen;
    auto stamp = [&](const std::string& what) { seen.push_back(what + "@" + std::to_string(app.TickCount())); };
    TimerId slow = 0;
    const TimerId fast = app.SetTimer(300, [&] { stamp("fast"); });
    slow = app.SetTimer(500, [&] {
        stamp("slow");
        app.KillTimer(slow);  // a timer may end itself from its own handler
    });
    app.At(450, [&] { stamp("input"); });
    app.At(1000, [&] {
        stamp("end");
        app.KillTimer(fast);
        app.Terminate();
    });
    app.Run();
    EXPECT_EQ(seen, (std::vector<std::string>{"fast@300", "input@450", "slow@500", "fast@600", "fast@900", "end@1000"}));
    EXPECT_EQ(app.active_timers(), 0);
    EXPECT_TRUE(app.reports().empty());
}

TEST(HeadlessClock, WaitMessageEndsAtTheNextEventOrAtOnceForAPost) {
    HeadlessApplication app("x.scr");
    app.WaitMessage(40);
    EXPECT_EQ(app.TickCount(), 40u);
    app.At(55, [] {});
    app.WaitMessage(40);  // the event at 55 ends the wait early
    EXPECT_EQ(app.TickCount(), 55u);
    app.Post([] {});
    app.WaitMessage(40);  // something is queued already
    EXPECT_EQ(app.TickCount(), 55u);
    EXPECT_EQ(app.count(HeadlessCall::WaitMessage), 3);
}

TEST(HeadlessClock, TerminateLetsWhatIsQueuedRunFirst) {
    HeadlessApplication app("x.scr");
    std::vector<int> order;
    app.Post([&] {
        app.Terminate();
        app.Post([&] { order.push_back(2); });
    });
    app.Post([&] { order.push_back(1); });
    app.Run();
    EXPECT_TRUE(app.Terminated());
    EXPECT_EQ(order, (std::vector<int>{1, 2}));
}

TEST(HeadlessThreads, PostsAndSynchronisedCallsFromAWorkerReachTheLoop) {
    HeadlessApplication app("x.scr");
    bool worker_ran_on_main = false;
    int posted_seen = 0;
    std::thread worker([&] {
        app.Sleep(25);
        app.Synchronize([&] { worker_ran_on_main = app.IsMainThread(); });
        app.Post([&] {
            ++posted_seen;
            app.Terminate();
        });
    });
    // Nothing is scheduled on the main thread: the loop waits for the worker rather than throw.
    app.Run();
    worker.join();
    EXPECT_TRUE(worker_ran_on_main);
    EXPECT_EQ(posted_seen, 1);
    EXPECT_EQ(app.count(HeadlessCall::Synchronize), 1);
    EXPECT_GE(app.TickCount(), 25u);
}

TEST(HeadlessThreads, AnExceptionInASynchronisedCallGoesBackToTheWorker) {
    HeadlessApplication app("x.scr");
    std::string caught;
    std::atomic<bool> returned{false};
    std::thread worker([&] {
        try {
            app.Synchronize([] { throw std::runtime_error("frame failed"); });
        } catch (const std::exception& e) {
            caught = e.what();
        }
        returned = true;
    });
    app.WaitSynchronized([&] { return returned.load(); });
    worker.join();
    EXPECT_EQ(caught, "frame failed");
}

}  // namespace
}  // namespace scr
