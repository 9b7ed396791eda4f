// Plays sound files one after another through the framework's Win32 media player, in the loop of
// the real Win32Application, the way the saver's playlist does: a notice is ignored while the
// device plays; otherwise the device is stopped (reporting) and the next track opened and played
// with a report asked for. It prints one line per event (milliseconds since the start):
//   start MS INDEX FILE          a track was opened and started
//   notice MS VALUE MODE HELD    a notice reached OnNotify; HELD 1 when the player held it back
//                                because the device still said playing
//   error MS MESSAGE             Open or Play failed (the probe ends with status 2)
//   stats raised=N stale=N held=N held_dropped=N longest_hold=MS
// and ends after TRACKS tracks have played to their ends (status 0), or when no track has
// ended for TIMEOUT ms (status 1: the playlist stalled).
//   sound_probe [--tracks N] [--timeout MS] FILE...
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "gui/mci_media_player.h"
#include "gui/win32/win32_backend.h"

namespace {

const char* ValueName(scr::TMPNotifyValues v) {
    static const char* const kNames[] = {"successful", "superseded", "aborted", "failure"};
    return kNames[int(v)];
}

const char* ModeName(scr::TMPModes m) {
    static const char* const kNames[] = {"notready", "stopped", "playing", "recording", "seeking", "paused", "open"};
    return kNames[int(m)];
}

}  // namespace

int main(int argc, char** argv) {
    // Unbuffered: a runner that gives up on the probe still has every line so far.
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    int tracks = 4;
    DWORD timeout = 15000;
    std::vector<std::string> files;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--tracks") == 0 && i + 1 < argc)
            tracks = std::atoi(argv[++i]);
        else if (std::strcmp(argv[i], "--timeout") == 0 && i + 1 < argc)
            timeout = DWORD(std::atoi(argv[++i]));
        else
            files.push_back(argv[i]);
    }
    if (files.empty() || tracks < 1) {
        std::fprintf(stderr, "usage: sound_probe [--tracks N] [--timeout MS] FILE...\n");
        return 2;
    }

    scr::Win32Backend backend;
    std::unique_ptr<scr::Application> app = backend.CreateApplication();
    std::unique_ptr<scr::MediaPlayer> player = backend.NewMediaPlayer(*app);
    const auto& stats = dynamic_cast<scr::MciMediaPlayer&>(*player).stats();
    const DWORD t0 = GetTickCount();
    const auto now = [&] { return unsigned(GetTickCount() - t0); };

    int started = 0, ended = 0, status = 0, held_before = 0;
    DWORD last_end = GetTickCount();
    const auto play_next = [&] {
        const std::string& file = files[size_t(started) % files.size()];
        player->SetFileName(file);
        try {
            player->Open();
            player->Play();
        } catch (const scr::EMCIDeviceError& e) {
            std::printf("error %u %s\n", now(), e.what());
            status = 2;
            app->Terminate();
            return;
        }
        player->SetNotify(true);
        std::printf("start %u %d %s\n", now(), started, file.c_str());
        ++started;
    };
    player->OnNotify = [&](scr::TMPNotifyValues value) {
        const scr::TMPModes mode = player->Mode();
        std::printf("notice %u %s %s %d\n", now(), ValueName(value), ModeName(mode), stats.held > held_before ? 1 : 0);
        held_before = stats.held;
        if (mode == scr::TMPModes::mpPlaying) return;
        ++ended;
        last_end = GetTickCount();
        player->Stop();
        player->SetNotify(false);
        if (ended >= tracks) {
            app->Terminate();
            return;
        }
        play_next();
    };
    app->SetTimer(100, [&] {
        if (GetTickCount() - last_end < timeout) return;
        std::printf("stalled %u after %d tracks\n", now(), ended);
        status = 1;
        app->Terminate();
    });

    play_next();
    if (status == 0) app->Run();
    player->Close();
    std::printf("stats raised=%d stale=%d held=%d held_dropped=%d longest_hold=%u\n", stats.raised, stats.stale,
                stats.held, stats.held_dropped, unsigned(stats.longest_hold));
    return status;
}
