#include "gui/mci_media_player.h"

#include <algorithm>

namespace scr {

namespace {

bool HasTag(std::string_view head, std::size_t at, std::string_view tag) {
    return head.size() >= at + tag.size() && head.substr(at, tag.size()) == tag;
}

// An MPEG audio frame header: eleven sync bits, then any layer but the reserved 00 (which
// ADTS AAC streams use, and the MP3 device cannot play).
bool IsMpegAudioFrame(std::string_view head) {
    if (head.size() < 2) return false;
    const auto b0 = static_cast<uint8_t>(head[0]), b1 = static_cast<uint8_t>(head[1]);
    return b0 == 0xFF && (b1 & 0xE0) == 0xE0 && (b1 & 0x06) != 0;
}

std::string LowerExtension(std::string_view file_name) {
    const auto dot = file_name.find_last_of('.');
    const auto sep = file_name.find_last_of("\\/:");
    if (dot == std::string_view::npos || (sep != std::string_view::npos && dot < sep)) return {};
    std::string ext(file_name.substr(dot + 1));
    std::transform(ext.begin(), ext.end(), ext.begin(), [](char c) { return c >= 'A' && c <= 'Z' ? char(c + 32) : c; });
    return ext;
}

}  // namespace

std::string MciDeviceType(std::string_view file_name, std::string_view head) {
    if (HasTag(head, 0, "RIFF") && HasTag(head, 8, "WAVE")) return "waveaudio";
    if (HasTag(head, 0, "MThd") || (HasTag(head, 0, "RIFF") && HasTag(head, 8, "RMID"))) return "sequencer";
    if (HasTag(head, 0, "ID3") || IsMpegAudioFrame(head)) return "mpegvideo";
    const std::string ext = LowerExtension(file_name);
    if (ext == "wav") return "waveaudio";
    if (ext == "mp3" || ext == "mp2" || ext == "mpa") return "mpegvideo";
    if (ext == "mid" || ext == "midi" || ext == "rmi") return "sequencer";
    return {};
}

MciMediaPlayer::~MciMediaPlayer() { app_.KillTimer(held_timer_); }

uint32_t MciMediaPlayer::RequireDevice() const {
    if (device_ == 0) throw EMCIDeviceError("No device is open");
    return device_;
}

void MciMediaPlayer::Open() {
    const bool notify = TakeNotify(false);
    DropHeld();
    CloseDevice();
    device_ = DeviceOpen(FileName(), notify);
    reporter_ = notify ? Reporter::Open : Reporter::None;
}

void MciMediaPlayer::Play() {
    const bool notify = TakeNotify(true);
    DropHeld();
    DevicePlay(RequireDevice(), notify);
    if (notify) reporter_ = Reporter::Play;
}

void MciMediaPlayer::Stop() {
    const bool notify = TakeNotify(false);
    DropHeld();
    DeviceStop(RequireDevice(), notify);
    if (notify) reporter_ = Reporter::Stop;
}

void MciMediaPlayer::Close() {
    TakeNotify(false);
    DropHeld();
    CloseDevice();
}

TMPModes MciMediaPlayer::Mode() { return device_ == 0 ? TMPModes::mpNotReady : DeviceMode(device_); }

void MciMediaPlayer::CloseDevice() {
    if (device_ == 0) return;
    DeviceClose(device_);
    device_ = 0;
    reporter_ = Reporter::None;
    ++fences_;
    PostFence();
}

void MciMediaPlayer::FencePassed() {
    if (fences_ > 0) --fences_;
}

void MciMediaPlayer::Notice(uint32_t device, TMPNotifyValues value) {
    if (fences_ > 0 || device_ == 0 || (device != 0 && device != device_)) {
        ++stats_.stale;
        return;
    }
    // A newer notice replaces a held one: the device has moved on.
    DropHeld();
    if (value == TMPNotifyValues::nvSuccessful && reporter_ == Reporter::Play && StillPlaying()) {
        ++stats_.held;
        held_since_ = app_.TickCount();
        held_timer_ = app_.SetTimer(kReaskInterval, [this] { CheckHeld(); });
        return;
    }
    Raise(value);
}

void MciMediaPlayer::DropHeld() {
    if (held_timer_ == 0) return;
    app_.KillTimer(held_timer_);
    held_timer_ = 0;
    ++stats_.held_dropped;
}

bool MciMediaPlayer::StillPlaying() {
    try {
        return DeviceMode(device_) == TMPModes::mpPlaying;
    } catch (const EMCIDeviceError&) {
        // A device that cannot say its mode is not known to be playing: the notice is raised.
        return false;
    }
}

void MciMediaPlayer::CheckHeld() {
    const uint32_t waited = app_.TickCount() - held_since_;
    if (StillPlaying() && waited < kReaskLimit) return;
    app_.KillTimer(held_timer_);
    held_timer_ = 0;
    stats_.longest_hold = std::max(stats_.longest_hold, waited);
    Raise(TMPNotifyValues::nvSuccessful);
}

void MciMediaPlayer::Raise(TMPNotifyValues value) {
    ++stats_.raised;
    app_.Guard([&] {
        if (OnNotify) OnNotify(value);
    });
}

}  // namespace scr
