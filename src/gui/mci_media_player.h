// What every backend's media player does alike: Open closes the open device first, each command
// takes its notify default, and the device's completion notices are matched and passed to
// OnNotify here. A backend supplies the device commands and feeds in its notices in the order
// the system queued them, together with the fences it queues when a device closes.
//
// Matching notices. A notice is stale, and dropped, when it was queued before the last close
// (a fence is still on its way) or names a device other than the open one; a notice naming
// device 0 counts as the open device's, because Wine's MP3 device reports that way.
// Re-asking. Wine's MP3 device may still say "playing" for a moment after reporting the end
// of a play. A handler that ignores notices while the device plays would then stall a
// playlist, so a successful notice that answers a Play while the mode says playing is held
// back and the mode asked again every kReaskInterval ms, for kReaskLimit ms at most, before the
// notice is raised. Every other notice (a stop's own report, a superseded or aborted play, a
// failure) is raised at once. A held notice is dropped when the player gets its next command:
// that command has overtaken the play the notice was about.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "gui/application.h"
#include "gui/media_player.h"

namespace scr {

// The device type to open a file with: "waveaudio", "mpegvideo" or "sequencer", or "" to let the
// system choose. The file's first bytes decide when they are recognised; otherwise its extension.
std::string MciDeviceType(std::string_view file_name, std::string_view head);

class MciMediaPlayer : public MediaPlayer {
public:
    static constexpr uint32_t kReaskInterval = 20;
    static constexpr uint32_t kReaskLimit = 1000;

    // What became of the notices so far, for diagnostics and the end-to-end probe.
    struct Stats {
        int raised = 0;             // passed to OnNotify
        int stale = 0;              // dropped as coming from a closed device
        int held = 0;               // successful ends that came while the mode said playing
        int held_dropped = 0;       // of those, overtaken by a command before being raised
        uint32_t longest_hold = 0;  // ms the longest raised one waited for the mode to change
    };

    explicit MciMediaPlayer(Application& app) : app_(app) {}
    ~MciMediaPlayer() override;

    // Open consumes the notify setting (default off), as do Stop and Close (whose report is never
    // wanted: it could only come from a closed device); Play's default is on. Play and Stop
    // without an open device throw EMCIDeviceError.
    void Open() final;
    void Play() final;
    void Stop() final;
    void Close() final;
    TMPModes Mode() final;

    const Stats& stats() const { return stats_; }

protected:
    // --- The device commands, implemented by the backend ---
    // Opens a device for the file and returns its number, never 0. Throws EMCIDeviceError.
    virtual uint32_t DeviceOpen(const std::string& file_name, bool notify) = 0;
    virtual void DevicePlay(uint32_t device, bool notify) = 0;
    virtual void DeviceStop(uint32_t device, bool notify) = 0;
    // Never throws.
    virtual void DeviceClose(uint32_t device) = 0;
    virtual TMPModes DeviceMode(uint32_t device) = 0;
    // Queues a fence behind everything the system has queued so far; its arrival is reported
    // through FencePassed from the loop.
    virtual void PostFence() = 0;

    // --- The backend's notices, from the loop ---
    // device: as the notice names it (0 allowed).
    void Notice(uint32_t device, TMPNotifyValues value);
    void FencePassed();

    // A backend's destructor calls this (the base's destructor cannot reach DeviceClose).
    void CloseDevice();

private:
    enum class Reporter { None, Open, Play, Stop };

    uint32_t RequireDevice() const;
    bool StillPlaying();
    void DropHeld();
    void CheckHeld();
    void Raise(TMPNotifyValues value);

    Application& app_;
    uint32_t device_ = 0;
    int fences_ = 0;                      // fences queued and not yet passed
    Reporter reporter_ = Reporter::None;  // the last command that asked for a report
    TimerId held_timer_ = 0;              // re-asking the mode for a held successful notice
    uint32_t held_since_ = 0;
    Stats stats_;
};

}  // namespace scr
