// The script of the headless media player (HeadlessBackend::media): what each file does when it
// is opened and played, read at every Open. Completions happen on the application's virtual
// clock, so a whole playlist runs in a test. Every command the player gets is appended to the backend's log:
//   "mci open <file name>"  "mci play"  "mci stop"  "mci close"
// with " notify" appended when the command asks for a report ("mci play notify").
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>

namespace scr {

struct HeadlessTrack {
    uint32_t length_ms = 1000;
    // Not empty: Open fails with this message.
    std::string open_error;
    // Not empty: Play fails at once with this message.
    std::string play_error;
    // Set: a play stops this many ms after it started and reports nvFailure (unless the track
    // ends before).
    std::optional<uint32_t> fail_after_ms;
    // The mode still says playing this long after a play's successful end has been reported.
    uint32_t playing_after_end_ms = 0;
    // The device's notices name device 0 instead of the device's number.
    bool notices_without_id = false;
};

struct HeadlessMedia {
    // By the whole file name, else by its last path component ("a.wav" for "C:\tmp\a.wav").
    std::map<std::string, HeadlessTrack> tracks;
    // For files found in neither way; without it their Open fails as for a missing file.
    std::optional<HeadlessTrack> other_files;

    // nullptr when the file is not scripted.
    const HeadlessTrack* Find(const std::string& file_name) const;
};

}  // namespace scr
