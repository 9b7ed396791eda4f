// The Win32 media player over MCI's command messages. Its notices (MM_MCINOTIFY) and the fences of
// closed devices go to a message-only window of the player's own on the main thread, so the one
// loop dispatches them in the order they were queued, also while a transition pumps messages.
#include <windows.h>
#include <mmsystem.h>

#include <stdexcept>

#include "base/os.h"
#include "gui/mci_media_player.h"
#include "gui/win32/win32_backend.h"

namespace scr {

namespace {

constexpr UINT kFence = WM_APP + 1;

void Check(MCIERROR error) {
    if (error == 0) return;
    char text[256];
    if (!mciGetErrorStringA(error, text, sizeof text)) throw EMCIDeviceError("MCI error " + std::to_string(error));
    throw EMCIDeviceError(text);
}

TMPNotifyValues NotifyValue(WPARAM flags) {
    switch (flags) {
        case MCI_NOTIFY_SUCCESSFUL: return TMPNotifyValues::nvSuccessful;
        case MCI_NOTIFY_SUPERSEDED: return TMPNotifyValues::nvSuperseded;
        case MCI_NOTIFY_ABORTED: return TMPNotifyValues::nvAborted;
        default: return TMPNotifyValues::nvFailure;
    }
}

// The first bytes of a file, to tell its kind by content; empty when it cannot be read (the
// extension decides then, and the open reports what is wrong).
std::string FileHead(const std::string& file_name) {
    try {
        sys::File file = sys::File::OpenRead(file_name);
        std::string head(12, '\0');
        head.resize(size_t(std::max<int64_t>(0, file.read(head.data(), int64_t(head.size())))));
        return head;
    } catch (const EFOpenError&) {
        return {};
    }
}

// Keeps the driver of an open device loaded for the life of the process. Wine's wave driver
// posts a play's notice from a thread of its own and only then returns from the driver's code:
// a close that unloads the driver (the last device of its type) in that moment crashes the
// process, executing unloaded code (seen under load about once in forty WAV endings).
void PinDriver(MCIDEVICEID device) {
    char type[64] = "";
    MCI_SYSINFO_PARMSA info{};
    info.lpstrReturn = type;
    info.dwRetSize = sizeof type;
    if (mciSendCommandA(device, MCI_SYSINFO, MCI_SYSINFO_INSTALLNAME, reinterpret_cast<DWORD_PTR>(&info)) != 0) return;
    char driver[MAX_PATH] = "";
    DWORD size = sizeof driver;
    if (RegGetValueA(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows NT\\CurrentVersion\\MCI32", type,
                     RRF_RT_REG_SZ, nullptr, driver, &size) != ERROR_SUCCESS)
        return;
    HMODULE module = nullptr;
    GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_PIN, driver, &module);
}

class Win32MediaPlayer : public MciMediaPlayer {
public:
    explicit Win32MediaPlayer(Application& app) : MciMediaPlayer(app) {
        // The system's class for message-only windows; its procedure is replaced below.
        window_ = CreateWindowExA(0, "Message", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
        if (window_ == nullptr) throw std::runtime_error("The media player's window cannot be created");
        SetWindowLongPtrA(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
        SetWindowLongPtrA(window_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&WindowProc));
    }
    // Closes the device (the file it holds open is then free) and drops what is still queued.
    ~Win32MediaPlayer() override {
        CloseDevice();
        DestroyWindow(window_);
    }
    Win32MediaPlayer(const Win32MediaPlayer&) = delete;
    Win32MediaPlayer& operator=(const Win32MediaPlayer&) = delete;

private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
        auto* self = reinterpret_cast<Win32MediaPlayer*>(GetWindowLongPtrA(window, GWLP_USERDATA));
        if (self != nullptr) {
            if (message == MM_MCINOTIFY) {
                self->Notice(uint32_t(lparam), NotifyValue(wparam));
                return 0;
            }
            if (message == kFence) {
                self->FencePassed();
                return 0;
            }
        }
        return DefWindowProcA(window, message, wparam, lparam);
    }

    DWORD_PTR Callback() const { return reinterpret_cast<DWORD_PTR>(window_); }
    static DWORD NotifyFlag(bool notify) { return notify ? MCI_NOTIFY : 0; }

    uint32_t DeviceOpen(const std::string& file_name, bool notify) override {
        const std::string type = MciDeviceType(file_name, FileHead(file_name));
        MCI_OPEN_PARMSA open{};
        open.dwCallback = Callback();
        open.lpstrElementName = file_name.c_str();
        DWORD flags = MCI_OPEN_ELEMENT | MCI_WAIT | NotifyFlag(notify);
        if (!type.empty()) {
            open.lpstrDeviceType = type.c_str();
            flags |= MCI_OPEN_TYPE;
        }
        Check(mciSendCommandA(0, MCI_OPEN, flags, reinterpret_cast<DWORD_PTR>(&open)));
        PinDriver(open.wDeviceID);
        return open.wDeviceID;
    }

    void DevicePlay(uint32_t device, bool notify) override {
        MCI_PLAY_PARMS play{};
        play.dwCallback = Callback();
        Check(mciSendCommandA(device, MCI_PLAY, NotifyFlag(notify), reinterpret_cast<DWORD_PTR>(&play)));
    }

    void DeviceStop(uint32_t device, bool notify) override {
        MCI_GENERIC_PARMS stop{};
        stop.dwCallback = Callback();
        Check(mciSendCommandA(device, MCI_STOP, MCI_WAIT | NotifyFlag(notify), reinterpret_cast<DWORD_PTR>(&stop)));
    }

    void DeviceClose(uint32_t device) override {
        MCI_GENERIC_PARMS close{};
        mciSendCommandA(device, MCI_CLOSE, MCI_WAIT, reinterpret_cast<DWORD_PTR>(&close));
    }

    TMPModes DeviceMode(uint32_t device) override {
        MCI_STATUS_PARMS status{};
        status.dwItem = MCI_STATUS_MODE;
        Check(mciSendCommandA(device, MCI_STATUS, MCI_STATUS_ITEM | MCI_WAIT, reinterpret_cast<DWORD_PTR>(&status)));
        switch (status.dwReturn) {
            case MCI_MODE_STOP: return TMPModes::mpStopped;
            case MCI_MODE_PLAY: return TMPModes::mpPlaying;
            case MCI_MODE_RECORD: return TMPModes::mpRecording;
            case MCI_MODE_SEEK: return TMPModes::mpSeeking;
            case MCI_MODE_PAUSE: return TMPModes::mpPaused;
            case MCI_MODE_OPEN: return TMPModes::mpOpen;
            default: return TMPModes::mpNotReady;
        }
    }

    // Behind the notices MCI has posted so far: they come from the same thread's queue in order.
    void PostFence() override { PostMessageA(window_, kFence, 0, 0); }

    HWND window_ = nullptr;
};

}  // namespace

std::unique_ptr<MediaPlayer> Win32Backend::NewMediaPlayer(Application& app) {
    return std::make_unique<Win32MediaPlayer>(app);
}

}  // namespace scr
