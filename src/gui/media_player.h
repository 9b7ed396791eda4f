// The media player: one device of the platform's multimedia interface (MCI) at a time, played
// asynchronously, with its completions reported on the main thread through OnNotify. Made by
// the backend (Backend::NewMediaPlayer); the headless player scripts completions on the
// application's virtual clock.
#pragma once

#include <functional>
#include <string>

#include "base/errors.h"

namespace scr {

// A device could not be opened or a command failed; the message is the system's text.
class EMCIDeviceError : public Exception {
public:
    using Exception::Exception;
};

enum class TMPModes { mpNotReady, mpStopped, mpPlaying, mpRecording, mpSeeking, mpPaused, mpOpen };
enum class TMPNotifyValues { nvSuccessful, nvSuperseded, nvAborted, nvFailure };

class MediaPlayer {
public:
    virtual ~MediaPlayer() = default;

    // The file that the next Open uses (ANSI code page).
    void SetFileName(std::string file_name) { file_name_ = std::move(file_name); }
    const std::string& FileName() const { return file_name_; }

    // Whether the next command (and only the next) reports its completion through OnNotify.
    // Without a setting since the last command, Play reports and the other commands do not.
    void SetNotify(bool notify) {
        notify_ = notify;
        notify_set_ = true;
    }

    // Opens a device for FileName, closing the open one first; the device type is chosen from
    // the file (WAV, MP3, MIDI at least). Throws EMCIDeviceError.
    virtual void Open() = 0;
    // Starts playing from the current position and returns at once. Throws EMCIDeviceError.
    virtual void Play() = 0;
    // Stops the device and returns when it has stopped. Throws EMCIDeviceError.
    virtual void Stop() = 0;
    // Closes the device; nothing when none is open.
    virtual void Close() = 0;
    // The open device's mode; mpNotReady when none is open.
    virtual TMPModes Mode() = 0;

    // Called on the main thread when a command that was to report completes (or fails,
    // is superseded or aborted); the value says which.
    std::function<void(TMPNotifyValues)> OnNotify;

protected:
    // Whether the command about to be issued reports its completion; consumes the setting.
    bool TakeNotify(bool command_default) {
        const bool n = notify_set_ ? notify_ : command_default;
        notify_set_ = false;
        return n;
    }

private:
    std::string file_name_;
    bool notify_ = false;
    bool notify_set_ = false;
};

}  // namespace scr
