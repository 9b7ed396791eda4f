// The headless media player: one scripted device at a time, whose plays end (or fail) on the
// application's virtual clock. The device behaves as MCI's do: a play that is stopped, closed or
// replaced before its end reports aborted (superseded when the new command asks for a report
// itself), and notices are posted to the loop like the system's messages.
#include <algorithm>
#include <memory>
#include <stdexcept>

#include "gui/headless/headless_backend.h"
#include "gui/headless/headless_media.h"
#include "gui/mci_media_player.h"

namespace scr {

const HeadlessTrack* HeadlessMedia::Find(const std::string& file_name) const {
    if (const auto it = tracks.find(file_name); it != tracks.end()) return &it->second;
    const auto cut = file_name.find_last_of("\\/:");
    if (cut != std::string::npos) {
        if (const auto it = tracks.find(file_name.substr(cut + 1)); it != tracks.end()) return &it->second;
    }
    return other_files ? &*other_files : nullptr;
}

namespace {

constexpr const char* kFileNotFound = "Cannot find the specified file. Make sure the path and filename are correct.";

class HeadlessMediaPlayer : public MciMediaPlayer {
public:
    HeadlessMediaPlayer(HeadlessApplication& app, const HeadlessMedia& script, std::vector<std::string>& log)
        : MciMediaPlayer(app), app_(app), script_(script), log_(log) {}
    ~HeadlessMediaPlayer() override { CloseDevice(); }

private:
    struct Device {
        uint32_t id = 0;
        HeadlessTrack track;
        uint32_t position = 0;  // where the running play started, or where the device stopped
        bool playing = false;   // a play was started and not stopped since (it may have ended)
        bool fails = false;     // the running play ends in failure
        bool notify = false;    // the running play's report is still due
        uint32_t started = 0;   // ticks of the running play's start and end
        uint32_t ends = 0;
    };

    void Log(const std::string& command, bool notify) { log_.push_back("mci " + command + (notify ? " notify" : "")); }

    void PostNotice(TMPNotifyValues value) {
        const uint32_t id = device_.track.notices_without_id ? 0 : device_.id;
        app_.Post([this, alive = std::weak_ptr<char>(alive_), id, value] {
            if (!alive.expired()) Notice(id, value);
        });
    }

    // Ends the running play, if any: the position stays where it got to, and a report still due
    // is posted with `value`.
    void Halt(TMPNotifyValues value) {
        if (!device_.playing) return;
        const uint32_t now = app_.TickCount();
        const uint32_t last = device_.fails ? device_.ends - device_.started : device_.track.length_ms - device_.position;
        device_.position += std::min(now - device_.started, last);
        device_.playing = false;
        ++serial_;  // the scheduled end no longer applies
        if (device_.notify) PostNotice(value);
        device_.notify = false;
    }

    uint32_t DeviceOpen(const std::string& file_name, bool notify) override {
        Log("open " + file_name, notify);
        const HeadlessTrack* track = script_.Find(file_name);
        if (track == nullptr) throw EMCIDeviceError(kFileNotFound);
        if (!track->open_error.empty()) throw EMCIDeviceError(track->open_error);
        device_ = Device{next_id_++, *track};
        if (notify) PostNotice(TMPNotifyValues::nvSuccessful);
        return device_.id;
    }

    void DevicePlay(uint32_t, bool notify) override {
        Log("play", notify);
        if (!device_.track.play_error.empty()) throw EMCIDeviceError(device_.track.play_error);
        Halt(notify ? TMPNotifyValues::nvSuperseded : TMPNotifyValues::nvAborted);
        const uint32_t remaining = device_.track.length_ms - std::min(device_.position, device_.track.length_ms);
        const auto& fail_after = device_.track.fail_after_ms;
        device_.fails = fail_after && *fail_after < remaining;
        device_.playing = true;
        device_.notify = notify;
        device_.started = app_.TickCount();
        device_.ends = device_.started + (device_.fails ? *fail_after : remaining);
        app_.At(device_.ends, [this, alive = std::weak_ptr<char>(alive_), serial = serial_] {
            if (alive.expired() || serial != serial_ || !device_.notify) return;
            device_.notify = false;
            PostNotice(device_.fails ? TMPNotifyValues::nvFailure : TMPNotifyValues::nvSuccessful);
        });
    }

    void DeviceStop(uint32_t, bool notify) override {
        Log("stop", notify);
        Halt(notify ? TMPNotifyValues::nvSuperseded : TMPNotifyValues::nvAborted);
        if (notify) PostNotice(TMPNotifyValues::nvSuccessful);
    }

    void DeviceClose(uint32_t) override {
        Log("close", false);
        Halt(TMPNotifyValues::nvAborted);
        device_ = Device{};
    }

    TMPModes DeviceMode(uint32_t) override {
        if (!device_.playing) return TMPModes::mpStopped;
        const uint32_t now = app_.TickCount();
        if (now < device_.ends) return TMPModes::mpPlaying;
        const bool lingers = !device_.fails && now - device_.ends < device_.track.playing_after_end_ms;
        return lingers ? TMPModes::mpPlaying : TMPModes::mpStopped;
    }

    void PostFence() override {
        app_.Post([this, alive = std::weak_ptr<char>(alive_)] {
            if (!alive.expired()) FencePassed();
        });
    }

    HeadlessApplication& app_;
    const HeadlessMedia& script_;
    std::vector<std::string>& log_;
    Device device_;
    uint32_t next_id_ = 1;
    uint32_t serial_ = 0;
    // Posted notices and scheduled ends of a destroyed player find this gone.
    std::shared_ptr<char> alive_ = std::make_shared<char>();
};

}  // namespace

std::unique_ptr<MediaPlayer> HeadlessBackend::NewMediaPlayer(Application& app) {
    auto* headless = dynamic_cast<HeadlessApplication*>(&app);
    if (headless == nullptr) throw std::logic_error("a headless media player needs the headless application");
    return std::make_unique<HeadlessMediaPlayer>(*headless, media, log);
}

}  // namespace scr
