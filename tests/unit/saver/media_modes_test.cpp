// The saver's background sound, Flash movies and presentation on the headless backend: the
// playlist orders, mute, failing tracks, the Flash sequence by dispatch id, the presentation's
// calls in order with their arguments, and the roads without the outside components.
#include <algorithm>
#include <filesystem>

#include "gui/headless/headless_automation.h"
#include "saver_harness.h"

namespace scr::test {
namespace {

class MediaTest : public SaverHarness {
protected:
    // The names of the tracks opened, in order.
    std::vector<std::string> Opened() const {
        std::vector<std::string> names;
        for (const auto& e : const_cast<MediaTest*>(this)->backend().log)
            if (e.rfind("mci open ", 0) == 0) names.push_back(std::filesystem::path(e.substr(9)).filename().string());
        return names;
    }
    std::vector<std::string> LogFrom(const std::string& prefix) {
        std::vector<std::string> lines;
        for (const auto& e : backend().log)
            if (e.rfind(prefix, 0) == 0) lines.push_back(e);
        return lines;
    }
    void Sounds(int n, uint32_t length_ms = 500) {
        for (int i = 0; i < n; ++i) {
            const std::string name = "t" + std::to_string(i) + ".wav";
            AddSound(name);
            HeadlessTrack track;
            track.length_ms = length_ms;
            backend().media.tracks[name] = track;
        }
    }
    HeadlessFlash& Flash() {
        HeadlessFlash& f = backend().com.FlashControl();
        backend().com.Alias("{D27CDB6E-AE6D-11CF-96B8-444553540000}", "ShockwaveFlash.ShockwaveFlash");
        return f;
    }
};

// ---------------------------------------------------------------- sound

TEST_F(MediaTest, SoundOrdersFollowSoundRandom) {
    const struct {
        int sound_random;
        const char* kind;  // "list", "each", "one"
    } rows[] = {{0, "list"}, {1, "list"}, {7, "list"}, {2, "each"}, {3, "one"}};
    for (const auto& r : rows) {
        SCOPED_TRACE(r.sound_random);
        Reset();
        Sounds(4);
        settings.SoundRandom = r.sound_random;
        BuildPackage();  // no pictures: the generator serves the sound alone
        Start(77);
        RunFor(10 * 500 + 200);
        const auto opened = Opened();
        ASSERT_GE(opened.size(), 9u);
        std::vector<int> draws;
        for (const auto& c : random->calls)
            if (c.n == 4) draws.push_back(c.value);
        for (std::size_t i = 0; i < 9; ++i) {
            std::string want;
            if (std::string(r.kind) == "list") want = "t" + std::to_string(i % 4) + ".wav";
            if (std::string(r.kind) == "each") want = "t" + std::to_string(draws.at(i)) + ".wav";
            if (std::string(r.kind) == "one") want = "t" + std::to_string(draws.at(0)) + ".wav";
            EXPECT_EQ(opened[i], want) << "track " << i;
        }
        if (std::string(r.kind) == "one") {
            EXPECT_EQ(draws.size(), 1u);
        }
    }
}

TEST_F(MediaTest, OneTrackIsPlayedAgainAndAgainWhateverTheOrder) {
    for (int sound_random : {0, 2, 3}) {
        Reset();
        Sounds(1);
        settings.SoundRandom = sound_random;
        BuildPackage();
        Start();
        RunFor(3 * 500 + 200);
        EXPECT_EQ(Opened(), (std::vector<std::string>(Opened().size(), "t0.wav"))) << sound_random;
        EXPECT_GE(Opened().size(), 3u);
    }
}

TEST_F(MediaTest, TheStopReportsAndPlaysWhileATrackPlaysChangeNothing) {
    Sounds(2, 1000);
    BuildPackage();
    Start();
    RunFor(1500);  // the second track plays
    const std::size_t before = backend().log.size();
    form->mpSaverNotify();  // a notice while playing, as the previous stop's own
    EXPECT_EQ(backend().log.size(), before + 0) << "a notice while playing did something";
    // The sequence of one change of track: the stop reports, the next open does not.
    const auto mci = LogFrom("mci ");
    const std::vector<std::string> expected{"mci open " + ItemDir() + "t0.wav", "mci play notify", "mci stop notify",
                                            "mci close", "mci open " + ItemDir() + "t1.wav", "mci play notify"};
    ASSERT_GE(mci.size(), expected.size());
    EXPECT_EQ(std::vector<std::string>(mci.begin(), mci.begin() + 6), expected);
}

TEST_F(MediaTest, MuteFromThePackageOrTheStoredPreferenceOpensNothing) {
    const struct {
        bool package;
        const char* stored;
        bool plays;
    } rows[] = {{true, nullptr, false}, {false, "[Setup]\r\nmute=1\r\n", false}, {true, "[Setup]\r\nmute=0\r\n", true},
                {false, nullptr, true}};
    for (const auto& r : rows) {
        SCOPED_TRACE(::testing::Message() << r.package << " " << (r.stored ? r.stored : "-"));
        Reset();
        Sounds(2);
        settings.lMute = r.package;
        BuildPackage();
        if (r.stored) script().ini_files[Path("CONTROL.INI")] = r.stored;
        Start();
        RunFor(2000);
        EXPECT_EQ(!Opened().empty(), r.plays);
    }
}

TEST_F(MediaTest, ATrackThatCannotBeOpenedOrPlayedEndsTheMusicQuietly) {
    for (const char* fault : {"open", "play"}) {
        SCOPED_TRACE(fault);
        Reset();
        Sounds(3);
        backend().media.tracks["t1.wav"].open_error = std::string(fault) == "open" ? "The file is damaged" : "";
        backend().media.tracks["t1.wav"].play_error = std::string(fault) == "play" ? "No device" : "";
        AddPicture(kRed);
        BuildPackage();
        Start();
        RunFor(8000);
        EXPECT_EQ(Opened(), (std::vector<std::string>{"t0.wav", "t1.wav"}));
        EXPECT_TRUE(app->reports().empty());
        EXPECT_FALSE(slides.empty());  // the show goes on
    }
}

TEST_F(MediaTest, ThePlayerIsClosedBeforeTheExtractedTracksAreDeleted) {
    Sounds(1, 60000);
    AddPicture(kRed);
    BuildPackage();
    Start();
    RunFor(500);
    ASSERT_TRUE(std::filesystem::exists(ItemDir() + "t0.wav"));
    window().InjectKeyDown(0x41);
    ASSERT_TRUE(RunToEnd());
    Destroy();
    const auto mci = LogFrom("mci ");
    ASSERT_FALSE(mci.empty());
    EXPECT_EQ(mci.back(), "mci close");
    EXPECT_FALSE(std::filesystem::exists(ItemDir() + "t0.wav"));
}

// ---------------------------------------------------------------- Flash

TEST_F(MediaTest, MoviesPlayInListOrderEachToItsLastFrameThenFromTheFirst) {
    AddFlash("a.swf");
    AddFlash("b.swf");
    Sounds(1);
    settings.Ver = "flash";
    BuildPackage();
    Flash().AddMovie(ItemDir() + "a.swf", 3, 2.0).AddMovie(ItemDir() + "b.swf", 5, 2.0);
    Start();
    RunFor(12500);
    std::vector<std::string> movies;
    for (const auto& e : LogFrom("activex Movie put "))
        movies.push_back(std::filesystem::path(e.substr(19, e.size() - 20)).filename().string());
    // a: 3 frames at 2 a second, last frame at 1 s, seen by the 1-second check after it;
    // b: 5 frames, last at 2 s. Then a again.
    ASSERT_GE(movies.size(), 4u);
    EXPECT_EQ(std::vector<std::string>(movies.begin(), movies.begin() + 4),
              (std::vector<std::string>{"a.swf", "b.swf", "a.swf", "b.swf"}));
    EXPECT_TRUE(Opened().empty());  // no music in Flash mode
    // Every movie is stopped before the next is loaded, and played after.
    const auto calls = LogFrom("activex ");
    for (std::size_t i = 0; i < calls.size(); ++i) {
        if (calls[i].rfind("activex Movie put", 0) != 0) continue;
        ASSERT_GT(i, 0u);
        EXPECT_EQ(calls[i - 1], "activex Stop call");
        ASSERT_LT(i + 1, calls.size());
        EXPECT_EQ(calls[i + 1], "activex Play call");
    }
}

TEST_F(MediaTest, AOneFrameMovieIsReloadedEverySecondAndAFailingPlayMovesOn) {
    AddFlash("one.swf");
    AddFlash("bad.swf");
    settings.Ver = "flash";
    BuildPackage();
    Flash().AddMovie(ItemDir() + "one.swf", 1).AddMovie(ItemDir() + "bad.swf", 1, 12, true);
    Start();
    RunFor(4500);
    const auto loads = LogFrom("activex Movie put ");
    // At the set-up, then at 1 s, 2 s, 3 s, 4 s.
    EXPECT_EQ(loads.size(), 5u);
    EXPECT_TRUE(app->reports().empty());
}

TEST_F(MediaTest, WithoutTheFlashControlPhotosShowAndFlashShowsBlackAndEndsOnInput) {
    AddPicture(kGreen);
    BuildPackage();
    Start();  // no control scripted: it is not installed
    RunFor(2000);
    ASSERT_FALSE(slides.empty());
    EXPECT_EQ(slides[0].centre, kGreen);
    EXPECT_FALSE(form->swf);

    Reset();
    AddFlash("a.swf");
    settings.Ver = "flash";
    BuildPackage();
    Start();
    RunFor(2000);
    EXPECT_EQ(PixelAt(window().surface(), 80, 60), 0u);
    script().FireHookEvent({0x101, {}, false});
    EXPECT_TRUE(RunToEnd());
}

// ---------------------------------------------------------------- the presentation

// A presentation application of three slides, as the headless backend scripts it; with
// open_failure its Open fails with that description.
ScriptedObject& ScriptPresentation(HeadlessBackend& backend, const char* open_failure = nullptr) {
    ScriptedObject& app = backend.com.Server("PowerPoint.Application");
    ScriptedObject& presentations = app.Object("Presentations");
    ScriptedObject& show = presentations.MethodObject("Open", "Presentation");
    if (open_failure) presentations.Fail("Open", open_failure);
    show.Object("SlideShowSettings").Property("LoopUntilStopped", 0).Property("ShowType", 2).MethodObject("Run", "SlideShowWindow");
    show.Object("SlideShowWindow");
    show.Object("Slides").ReadOnly("Count", 3).MethodObject("Item", "Slide").Object("SlideShowTransition").Object("SoundEffect").Property("Type", 2);
    app.Method("Quit");
    return app;
}

TEST_F(MediaTest, PresentationCallsInOrderWithTheirArgumentsUnmutedAndMuted) {
    for (bool mute : {false, true}) {
        SCOPED_TRACE(mute);
        Reset();
        AddFlash("talk.ppt");
        AddFlash("second.ppt");
        Sounds(1, 60000);
        settings.Ver = "powerpoint";
        settings.lMute = mute;
        BuildPackage();
        ScriptPresentation(backend());
        Start();
        RunFor(500);
        std::vector<std::string> expected{
            "automation start PowerPoint.Application",
            "automation PowerPoint.Application.Presentations get",
            "automation Presentations.Open call (\"" + ItemDir() + "talk.ppt\", -1, -1, 0)",
            "automation Presentation.SlideShowSettings get",
            "automation SlideShowSettings.LoopUntilStopped put -1",
            "automation SlideShowSettings.ShowType put 1",
        };
        if (mute) {
            expected.push_back("automation Presentation.Slides get");
            expected.push_back("automation Slides.Count get");
            for (int i = 1; i <= 3; ++i) {
                expected.push_back("automation Slides.Item call (" + std::to_string(i) + ")");
                expected.push_back("automation Slide.SlideShowTransition get");
                expected.push_back("automation SlideShowTransition.SoundEffect get");
                expected.push_back("automation SoundEffect.Type put 0");
            }
        }
        expected.push_back("automation SlideShowSettings.Run call");
        expected.push_back("automation Presentation.SlideShowWindow get");
        EXPECT_EQ(LogFrom("automation "), expected);
        EXPECT_EQ(Opened().empty(), mute);  // the music plays beside the show unless muted
        EXPECT_EQ(window().State(), WindowState::Minimized);

        // Input anywhere ends the run without a password check, after quitting the show.
        script().FireHookEvent({0x201, {1, 1}, true});
        EXPECT_TRUE(RunToEnd());
        EXPECT_EQ(LogFrom("automation ").back(), "automation PowerPoint.Application.Quit call");
        Destroy();
        EXPECT_EQ(backend().com.live_objects(), 0);
    }
}

TEST_F(MediaTest, AFailingOpenIsShownInAMessageAndTheRunGoesOnUntilInput) {
    AddFlash("talk.ppt");
    settings.Ver = "powerpoint";
    BuildPackage();
    ScriptPresentation(backend(), "The file is not a presentation");
    Start();
    RunFor(3000);
    EXPECT_EQ(app->messages(), (std::vector<std::string>{"The file is not a presentation"}));
    EXPECT_FALSE(app->Terminated());
    script().FireHookEvent({0x101, {}, false});
    EXPECT_TRUE(RunToEnd());
    Destroy();
    EXPECT_EQ(backend().com.live_objects(), 0);
}

TEST_F(MediaTest, WithoutThePresentationApplicationTheMessageSaysWhyAndQuittingIsQuiet) {
    AddFlash("talk.ppt");
    settings.Ver = "powerpoint";
    BuildPackage();
    Start();
    RunFor(1000);
    ASSERT_EQ(app->messages().size(), 1u);
    EXPECT_EQ(app->messages()[0], HeadlessOleErrorText(kOleInvalidClassString));
    script().FireHookEvent({0x101, {}, false});
    EXPECT_TRUE(RunToEnd());
    EXPECT_TRUE(app->reports().empty());
}

}  // namespace
}  // namespace scr::test
