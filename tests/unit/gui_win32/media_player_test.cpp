// The MCI player against the system's devices: a WAV made here, under a name that does not say
// what it is, is opened by its content and played, and its completion comes through the loop.
// Without a sound device (no PulseAudio) the wave device reports a failure instead of the end.
#include <windows.h>

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "capture.h"
#include "gui/win32/win32_backend.h"

namespace scr {
namespace {

// A 16-bit mono PCM WAV file of a sine tone.
void WriteTone(const std::string& path, int hz, int ms) {
    constexpr uint32_t kRate = 22050;
    const uint32_t samples = kRate * uint32_t(ms) / 1000;
    std::vector<int16_t> pcm(samples);
    for (uint32_t i = 0; i < samples; ++i) pcm[i] = int16_t(8000 * std::sin(2 * 3.14159265358979 * hz * i / kRate));
    const uint32_t data_bytes = samples * 2;
    std::string wav;
    const auto u32 = [&](uint32_t v) { wav.append(reinterpret_cast<const char*>(&v), 4); };
    const auto u16 = [&](uint16_t v) { wav.append(reinterpret_cast<const char*>(&v), 2); };
    wav += "RIFF";
    u32(36 + data_bytes);
    wav += "WAVEfmt ";
    u32(16);
    u16(1);  // PCM
    u16(1);  // mono
    u32(kRate);
    u32(kRate * 2);
    u16(2);
    u16(16);
    wav += "data";
    u32(data_bytes);
    wav.append(reinterpret_cast<const char*>(pcm.data()), data_bytes);
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    WriteFile(file, wav.data(), DWORD(wav.size()), &written, nullptr);
    CloseHandle(file);
    ASSERT_EQ(written, wav.size());
}

class Win32MediaPlayerTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!test::HaveDisplay()) GTEST_SKIP() << "no X display (DISPLAY is unset); the e2e runner runs this test on its own";
        char dir[MAX_PATH];
        GetTempPathA(MAX_PATH, dir);
        const std::string stem = std::string(dir) + "media_test_" + std::to_string(GetCurrentProcessId());
        for (const char* name : {"_a.bin", "_b.bin"}) {
            files.push_back(stem + name);
            WriteTone(files.back(), 440, 300);
        }
        app = backend.CreateApplication();
        player = backend.NewMediaPlayer(*app);
        player->OnNotify = [this](TMPNotifyValues v) { seen.push_back(v); };
    }
    void TearDown() override {
        player.reset();
        for (const auto& f : files) DeleteFileA(f.c_str());
    }
    // Runs the loop until done() holds or ms have passed; returns done().
    bool Pump(const std::function<bool()>& done, DWORD ms) {
        const DWORD start = GetTickCount();
        while (!done() && GetTickCount() - start < ms) {
            app->ProcessMessages();
            if (!done()) app->WaitMessage(10);
        }
        return done();
    }
    void Open(const std::string& file) {
        player->SetFileName(file);
        player->Open();
    }

    Win32Backend backend;
    std::unique_ptr<Application> app;
    std::unique_ptr<MediaPlayer> player;
    std::vector<std::string> files;
    std::vector<TMPNotifyValues> seen;
};

TEST_F(Win32MediaPlayerTest, PlayReportsItsEndThroughTheLoop) {
    Open(files[0]);
    EXPECT_EQ(player->Mode(), TMPModes::mpStopped);
    const DWORD start = GetTickCount();
    player->Play();
    EXPECT_TRUE(seen.empty());  // only the loop delivers notices
    ASSERT_TRUE(Pump([&] { return !seen.empty(); }, 5000));
    const DWORD elapsed = GetTickCount() - start;
    ASSERT_EQ(seen.size(), 1u);
    if (seen[0] == TMPNotifyValues::nvSuccessful)
        EXPECT_GE(elapsed, 250u) << "a 300 ms tone ended early";
    else
        EXPECT_EQ(seen[0], TMPNotifyValues::nvFailure);
    EXPECT_NE(player->Mode(), TMPModes::mpPlaying);
}

TEST_F(Win32MediaPlayerTest, StopReportsOnlyWhenAsked) {
    Open(files[0]);
    player->SetNotify(false);
    player->Play();
    player->Stop();
    player->Play();
    player->SetNotify(true);
    player->Stop();
    EXPECT_EQ(player->Mode(), TMPModes::mpStopped);
    // The reporting stop's own notice, perhaps after the second play's superseded or failed one.
    ASSERT_TRUE(Pump([&] { return !seen.empty() && seen.back() == TMPNotifyValues::nvSuccessful; }, 3000));
    Pump([] { return false; }, 200);
    EXPECT_LE(seen.size(), 2u);
}

TEST_F(Win32MediaPlayerTest, ErrorsCarryTheSystemsText) {
    const auto error_of = [](const std::function<void()>& fn) -> std::string {
        try {
            fn();
        } catch (const EMCIDeviceError& e) {
            return e.what();
        }
        return {};
    };
    const std::string missing = error_of([&] { Open(files[0] + ".missing.wav"); });
    EXPECT_FALSE(missing.empty());
    EXPECT_EQ(player->Mode(), TMPModes::mpNotReady);
    EXPECT_EQ(error_of([&] { player->Play(); }), "No device is open");
}

TEST_F(Win32MediaPlayerTest, OpenAndDestructionCloseTheDeviceAndFreeItsFile) {
    Open(files[0]);
    player->Play();
    Open(files[1]);  // closes the first device
    EXPECT_TRUE(DeleteFileA(files[0].c_str())) << GetLastError();
    player->Play();
    player.reset();
    EXPECT_TRUE(DeleteFileA(files[1].c_str())) << GetLastError();
    // Notices still queued for the destroyed player go nowhere.
    app->ProcessMessages();
    EXPECT_TRUE(seen.empty());
}

// Wine's wave driver returns into its own code after posting a play's notice: unloading it with
// the last wave device's close in that moment crashed the process. The driver stays loaded.
TEST_F(Win32MediaPlayerTest, DriverStaysLoadedAfterItsLastDeviceCloses) {
    Open(files[0]);
    player->Close();
    EXPECT_NE(GetModuleHandleA("mciwave.dll"), nullptr);
}

}  // namespace
}  // namespace scr
