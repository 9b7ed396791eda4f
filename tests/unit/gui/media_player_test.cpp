// The media player on the headless backend: the notify defaults, completions on the virtual
// clock, failures, the matching of notices to devices and the re-asking of the mode, which
// MciMediaPlayer implements once for both backends; and a playlist run the way the saver runs it.
#include "gui/mci_media_player.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "gui/headless/headless_backend.h"

namespace scr {
namespace {

using V = TMPNotifyValues;
using M = TMPModes;

// A track whose mode still says playing for `lingers` ms after its end.
HeadlessTrack Track(uint32_t length_ms, uint32_t lingers = 0) {
    HeadlessTrack t;
    t.length_ms = length_ms;
    t.playing_after_end_ms = lingers;
    return t;
}

TEST(MciDeviceType, ContentFirstThenExtension) {
    using namespace std::string_literals;
    const struct {
        const char* file;
        std::string head;
        const char* type;
    } cases[] = {
        {"a.wav", "RIFF\x24\0\0\0WAVEfmt "s, "waveaudio"},
        {"song.mp3", "RIFF\x24\0\0\0WAVEfmt "s, "waveaudio"},  // the content wins
        {"x.dat", "ID3\x04\0\0"s, "mpegvideo"},
        {"x", "\xFF\xFB\x90\x00"s, "mpegvideo"},  // an MPEG-1 layer III frame
        {"x.aac", "\xFF\xF1\x50\x80"s, ""},       // ADTS: the reserved layer
        {"tune.bin", "MThd\0\0\0\x06"s, "sequencer"},
        {"tune", "RIFF\x24\0\0\0RMIDdata"s, "sequencer"},
        {"movie.avi", "RIFF\x24\0\0\0AVI LIST"s, ""},
        {"C:\\Music\\A.MP3", "", "mpegvideo"},
        {"short.wav", "RIF", "waveaudio"},  // too short to tell: the extension decides
        {"x.Wav", "", "waveaudio"},
        {"x.mp2", "", "mpegvideo"},
        {"x.mid", "", "sequencer"},
        {"x.MIDI", "", "sequencer"},
        {"x.rmi", "", "sequencer"},
        {"C:\\dir.wav\\file", "", ""},  // a dot in a folder's name is no extension
        {"noext", "", ""},
        {"x.ogg", "OggS\0\x02"s, ""},
    };
    for (const auto& c : cases) EXPECT_EQ(MciDeviceType(c.file, c.head), c.type) << c.file;
}

class MediaPlayerTest : public ::testing::Test {
protected:
    struct Seen {
        V value;
        uint32_t tick;
        M mode;
        bool operator==(const Seen&) const = default;
    };
    // A command at a tick of the virtual clock.
    struct Step {
        uint32_t tick;
        std::function<void(MediaPlayer&)> run;
    };

    void SetUp() override {
        backend.media.tracks["a.wav"] = Track(1000);
        NewPlayer();
        player->SetFileName("C:\\tmp\\a.wav");
    }
    // Replaces the player by a new one that records its notices in `seen`.
    void NewPlayer() {
        player = backend.NewMediaPlayer(app);
        player->OnNotify = [this](V v) { seen.push_back({v, app.TickCount(), player->Mode()}); };
    }

    // Runs the loop until the clock reaches `tick` and what is queued then has been handled.
    void RunTo(uint32_t tick) {
        bool reached = false;
        app.At(tick, [&] { reached = true; });
        app.RunWhile([&] { return !reached || app.pending() > 0; });
    }
    // Runs the steps, their ticks counted from now, for `until` ms; returns the notices raised
    // meanwhile, their ticks counted the same way.
    std::vector<Seen> Run(const std::vector<Step>& steps, uint32_t until) {
        seen.clear();
        const uint32_t t0 = app.TickCount();
        for (const Step& s : steps) app.At(t0 + s.tick, [this, run = s.run] { run(*player); });
        RunTo(t0 + until);
        std::vector<Seen> result = seen;
        for (Seen& r : result) r.tick -= t0;
        return result;
    }
    std::vector<std::string> MciLog() const {
        std::vector<std::string> lines;
        for (const auto& line : backend.log)
            if (line.rfind("mci ", 0) == 0) lines.push_back(line);
        return lines;
    }
    const MciMediaPlayer::Stats& stats() const { return dynamic_cast<const MciMediaPlayer&>(*player).stats(); }

    HeadlessBackend backend;
    std::unique_ptr<Application> app_owner = backend.CreateApplication();
    HeadlessApplication& app = static_cast<HeadlessApplication&>(*app_owner);
    std::unique_ptr<MediaPlayer> player;
    std::vector<Seen> seen;
};

// Commands issued together, with no message handled between them.
std::function<void(MediaPlayer&)> Seq(std::vector<std::function<void(MediaPlayer&)>> commands) {
    return [commands](MediaPlayer& p) {
        for (const auto& c : commands) c(p);
    };
}

auto Notify(bool on) {
    return [on](MediaPlayer& p) { p.SetNotify(on); };
}
void Open(MediaPlayer& p) { p.Open(); }
void Play(MediaPlayer& p) { p.Play(); }
void Stop(MediaPlayer& p) { p.Stop(); }

TEST_F(MediaPlayerTest, NotifyRulesAndCompletionsOnTheClock) {
    const struct {
        const char* name;
        std::vector<Step> steps;
        std::vector<Seen> seen;
        std::vector<std::string> log;
    } cases[] = {
        {"Play reports its end by default", {{0, Open}, {0, Play}},
         {{V::nvSuccessful, 1000, M::mpStopped}}, {"mci open C:\\tmp\\a.wav", "mci play notify"}},
        {"SetNotify(false) withdraws the report", {{0, Open}, {0, Notify(false)}, {0, Play}}, {},
         {"mci open C:\\tmp\\a.wav", "mci play"}},
        {"the setting holds for one command; Play resumes where Stop left",
         {{0, Open}, {0, Notify(false)}, {0, Play}, {400, Stop}, {500, Play}},
         {{V::nvSuccessful, 1100, M::mpStopped}}, {"mci open C:\\tmp\\a.wav", "mci play", "mci stop", "mci play notify"}},
        {"SetNotify(true) makes Stop report; the play it ends is superseded",
         {{0, Open}, {0, Play}, {400, Notify(true)}, {400, Stop}},
         {{V::nvSuperseded, 400, M::mpStopped}, {V::nvSuccessful, 400, M::mpStopped}},
         {"mci open C:\\tmp\\a.wav", "mci play notify", "mci stop notify"}},
        {"Stop without a report aborts the play's", {{0, Open}, {0, Play}, {400, Stop}},
         {{V::nvAborted, 400, M::mpStopped}}, {"mci open C:\\tmp\\a.wav", "mci play notify", "mci stop"}},
        {"a new play that reports supersedes the running one",
         {{0, Open}, {0, Play}, {400, Play}},
         {{V::nvSuperseded, 400, M::mpPlaying}, {V::nvSuccessful, 1000, M::mpStopped}},
         {"mci open C:\\tmp\\a.wav", "mci play notify", "mci play notify"}},
        {"Open that reports does so at once", {{0, Notify(true)}, {0, Open}},
         {{V::nvSuccessful, 0, M::mpStopped}}, {"mci open C:\\tmp\\a.wav notify"}},
        {"Play at the end of the track ends at once",
         {{0, Open}, {0, Play}, {1200, Play}},
         {{V::nvSuccessful, 1000, M::mpStopped}, {V::nvSuccessful, 1200, M::mpStopped}},
         {"mci open C:\\tmp\\a.wav", "mci play notify", "mci play notify"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        backend.log.clear();
        EXPECT_EQ(Run(c.steps, 3000), c.seen);
        EXPECT_EQ(MciLog(), c.log);
        player->Close();
        RunTo(app.TickCount() + 1);
    }
}

TEST_F(MediaPlayerTest, NoticesComeThroughTheLoopNotFromTheCommand) {
    player->Open();
    player->SetNotify(true);
    player->Stop();
    EXPECT_TRUE(seen.empty());
    app.ProcessMessages();
    EXPECT_EQ(seen, (std::vector<Seen>{{V::nvSuccessful, 0, M::mpStopped}}));
}

TEST_F(MediaPlayerTest, FailuresAreClearErrorsOrFailureNotices) {
    backend.media.tracks["bad.mp3"].open_error = "The driver cannot recognize the specified command parameter.";
    backend.media.tracks["mute.wav"].play_error = "The specified device is not open or is not recognized by MCI.";
    HeadlessTrack breaks = Track(1000, 500);  // lingering follows successful ends only
    breaks.fail_after_ms = 250;
    backend.media.tracks["breaks.wav"] = breaks;

    const auto error_of = [](const std::function<void()>& fn) -> std::string {
        try {
            fn();
        } catch (const EMCIDeviceError& e) {
            return e.what();
        }
        return "(none)";
    };
    player->SetFileName("bad.mp3");
    EXPECT_EQ(error_of([&] { player->Open(); }), "The driver cannot recognize the specified command parameter.");
    EXPECT_EQ(player->Mode(), M::mpNotReady);
    EXPECT_EQ(error_of([&] { player->Play(); }), "No device is open");
    EXPECT_EQ(error_of([&] { player->Stop(); }), "No device is open");
    player->SetFileName("C:\\nowhere\\missing.wav");
    EXPECT_EQ(error_of([&] { player->Open(); }),
              "Cannot find the specified file. Make sure the path and filename are correct.");

    player->SetFileName("mute.wav");
    player->Open();
    EXPECT_EQ(error_of([&] { player->Play(); }), "The specified device is not open or is not recognized by MCI.");
    EXPECT_EQ(player->Mode(), M::mpStopped);
    RunTo(2000);
    EXPECT_TRUE(seen.empty());

    player->SetFileName("breaks.wav");
    player->Open();
    player->Play();
    RunTo(4000);
    EXPECT_EQ(seen, (std::vector<Seen>{{V::nvFailure, 2250, M::mpStopped}}));
    // Play and Stop without a device never reach one.
    EXPECT_EQ(MciLog(), (std::vector<std::string>{"mci open bad.mp3", "mci open C:\\nowhere\\missing.wav",
                                                  "mci open mute.wav", "mci play notify", "mci close",
                                                  "mci open breaks.wav", "mci play notify"}));
}

TEST_F(MediaPlayerTest, SuccessfulEndWhileStillPlayingIsRaisedOnceTheModeSaysStopped) {
    const struct {
        uint32_t lingers;
        Seen seen;
        int held;
    } cases[] = {
        {0, {V::nvSuccessful, 1000, M::mpStopped}, 0},
        {10, {V::nvSuccessful, 1000 + MciMediaPlayer::kReaskInterval, M::mpStopped}, 1},  // the first re-ask comes one interval later
        {300, {V::nvSuccessful, 1300, M::mpStopped}, 1},
        // Past the limit the notice is raised anyway; a handler then at least sees it.
        {5000, {V::nvSuccessful, 1000 + MciMediaPlayer::kReaskLimit, M::mpPlaying}, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.lingers);
        HeadlessTrack t = Track(1000, c.lingers);
        t.notices_without_id = true;
        backend.media.tracks["b.mp3"] = t;
        NewPlayer();
        player->SetFileName("b.mp3");
        EXPECT_EQ(Run({{0, Seq({Open, Play})}}, 7000), std::vector<Seen>{c.seen});
        EXPECT_EQ(stats().held, c.held);
        EXPECT_EQ(app.active_timers(), 0);
    }
}

TEST_F(MediaPlayerTest, OnlyAPlaysSuccessfulEndIsHeld) {
    backend.media.tracks["a.wav"] = Track(1000, 5000);
    const struct {
        const char* name;
        std::vector<Step> steps;
        std::vector<Seen> seen;
    } cases[] = {
        {"a stop's own report, handled while the next play runs",
         {{0, Open}, {0, Notify(false)}, {0, Play}, {400, Seq({Notify(true), Stop, Notify(false), Play})}},
         {{V::nvSuccessful, 400, M::mpPlaying}}},
        {"a superseded play", {{0, Open}, {0, Play}, {400, Seq({Notify(true), Play})}, {500, Stop}},
         {{V::nvSuperseded, 400, M::mpPlaying}, {V::nvAborted, 500, M::mpStopped}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Run(c.steps, 600), c.seen);
        EXPECT_EQ(stats().held, 0);
        player->Close();
    }
}

TEST_F(MediaPlayerTest, HeldNoticeIsDroppedByTheNextCommand) {
    backend.media.tracks["a.wav"] = Track(1000, 500);
    const struct {
        const char* name;
        std::function<void(MediaPlayer&)> command;
        std::vector<Seen> seen;
    } cases[] = {
        {"Stop", Stop, {}},
        {"Close", [](MediaPlayer& p) { p.Close(); }, {}},
        {"Open", Open, {}},
        // Play at the end ends at once, and its own end is held until the mode changes.
        {"Play", Play, {{V::nvSuccessful, 1600, M::mpStopped}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Run({{0, Seq({Open, Play})}, {1100, c.command}}, 3000), c.seen);
        EXPECT_EQ(app.active_timers(), 0);
        player->Close();
    }
    EXPECT_EQ(stats().held_dropped, 4);
}

TEST_F(MediaPlayerTest, NoticesOfClosedDevicesAreDroppedAndDeviceZeroIsTheOpenOne) {
    HeadlessTrack mp3 = Track(1500);
    mp3.notices_without_id = true;  // as Wine's MP3 device reports
    backend.media.tracks["b.mp3"] = mp3;
    const auto open = [](const char* file) {
        return [file](MediaPlayer& p) {
            p.SetFileName(file);
            p.Open();
        };
    };
    const struct {
        const char* name;
        std::vector<Step> steps;
        std::vector<Seen> seen;
        int stale;
    } cases[] = {
        {"a play aborted by the next Open", {{0, open("a.wav")}, {0, Play}, {500, Seq({open("b.mp3"), Play})}},
         {{V::nvSuccessful, 2000, M::mpStopped}}, 1},
        {"a superseded play and the stop's own report before the next Open, named device 0",
         {{0, open("b.mp3")}, {0, Play}, {1200, Seq({Notify(true), Stop, open("a.wav"), Play})}},
         {{V::nvSuccessful, 2200, M::mpStopped}}, 2},
        {"a device 0 report of the open device", {{0, open("b.mp3")}, {0, Play}}, {{V::nvSuccessful, 1500, M::mpStopped}}, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        NewPlayer();
        EXPECT_EQ(Run(c.steps, 4000), c.seen);
        EXPECT_EQ(stats().stale, c.stale);
    }
}

TEST_F(MediaPlayerTest, DestroyingThePlayerClosesTheDeviceAndSilencesItsNotices) {
    player->Open();
    player->Play();
    player->SetNotify(true);
    player->Stop();  // its report is queued
    player->Play();
    player.reset();
    RunTo(3000);
    EXPECT_TRUE(seen.empty());
    EXPECT_EQ(MciLog().back(), "mci close");
}

// The saver's playlist: on every notice ignored while playing, otherwise stop (reporting, as
// the last command asked), withdraw the report, open and play the next track, ask for a report.
TEST_F(MediaPlayerTest, PlaylistNeverStallsOnDevicesThatLingerAndReportAsZero) {
    HeadlessTrack mp3 = Track(1500, 60);
    mp3.notices_without_id = true;
    backend.media.tracks["b.mp3"] = mp3;
    const std::vector<std::string> files = {"a.wav", "b.mp3"};
    std::size_t index = 0;
    std::vector<std::pair<uint32_t, std::string>> started;
    const auto play_next = [&] {
        player->SetFileName(files[index % files.size()]);
        player->Open();
        player->Play();
        player->SetNotify(true);
        started.push_back({app.TickCount(), player->FileName()});
        ++index;
    };
    player->OnNotify = [&](V) {
        if (player->Mode() == M::mpPlaying) return;
        player->Stop();
        player->SetNotify(false);
        play_next();
    };
    play_next();
    RunTo(10000);
    const std::vector<std::pair<uint32_t, std::string>> expected = {
        {0, "a.wav"}, {1000, "b.mp3"}, {2560, "a.wav"}, {3560, "b.mp3"}, {5120, "a.wav"}, {6120, "b.mp3"}, {7680, "a.wav"},
        {8680, "b.mp3"}};
    EXPECT_EQ(started, expected);
    const std::vector<std::string> log = MciLog();
    const std::vector<std::string> change(log.begin() + 2, log.begin() + 6);
    EXPECT_EQ(change, (std::vector<std::string>{"mci stop notify", "mci close", "mci open b.mp3", "mci play notify"}));
    // Each stop's report came from the device closed right after it.
    EXPECT_EQ(stats().stale, 7);
    EXPECT_EQ(stats().held, 3);  // the ends of b.mp3 at 2500, 5060 and 7620
}

}  // namespace
}  // namespace scr
