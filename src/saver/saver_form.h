// TfrmScrn: the one window of screen-saver mode. On its first activation it reads the package's
// settings, copies the sound and Flash items to the temporary directory, applies the stored mute
// preference, starts the display mode that the settings' Ver names and becomes a black,
// topmost window over the whole primary screen with the cursor hidden. It owns the show's
// controls and timers, decides which input ends the run (asking for the password where the
// system wants it) and tears everything down in a fixed order.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "gui/automation.h"
#include "gui/form.h"
#include "gui/media_player.h"
#include "gui/timer.h"
#include "gui/transition_control.h"
#include "package/settings.h"
#include "transition/frame.h"

namespace scr {

class TImage;

// The window's private messages.
inline constexpr uint32_t WM_SAVER_START = 0x0400 + 1;
inline constexpr uint32_t WM_SAVER_STOP = 0x0400 + 2;
inline constexpr uint32_t WM_SAVER_INPUT = 0x0400 + 0x1234;

// The window messages an input hook reports that can end a Flash or presentation run.
inline constexpr uint32_t kWmMouseMove = 0x0200, kWmMButtonUp = 0x0208, kWmKeyUp = 0x0101;

class TfrmScrn : public TForm {
public:
    // The design of the form as stored: no border, centred, 195 x 126, the button face.
    static FormDesign Design();

    // random is the program's one generator (pictures, styles, sounds).
    TfrmScrn(Backend& backend, Application& app, RandomSource& random);
    ~TfrmScrn() override;

    // --- Components ---
    std::unique_ptr<TransitionControl> PShow;
    // The Flash control over the client area; empty when it cannot be created (not installed):
    // the window then works without it.
    std::unique_ptr<ActiveXControl> swf;
    // The background sound's player, invisible.
    std::unique_ptr<MediaPlayer> mpSaver;
    TTimer TimerFlash;
    // The presentation application, and the running show's objects (kept until the end).
    std::shared_ptr<AutomationObject> ppta, pptp, ShowSettingsRef, ShowWindowRef;

    // --- Working state ---
    bool CaptionToggle = false;
    int32_t PicIndex = 0;
    int32_t SndIndex = 0;
    int32_t FlashIndex = 0;
    std::unique_ptr<TTimer> SlideTimer;
    int32_t LastMouseX = 0;
    int32_t LastMouseY = 0;
    bool SlideshowStarted = false;
    std::unique_ptr<TSSFileLocations> Settings;
    bool FirstActivation = true;

    // Mouse moves still to be ignored after a close request. (The program has one saver window,
    // so the state that is module-wide there lives here.)
    int32_t MouseMoveIgnore = 0;
    Point HookCursorPos;

    // --- Handlers ---
    void FormCreate();
    void FormShow();
    void FormActivate();
    void FormClose(TCloseAction& action);
    void FormDestroy();
    void FormKeyDown(uint16_t& key, ShiftState shift);
    void FormMouseDown(MouseButton button, ShiftState shift, int x, int y);
    void FormMouseMove(ShiftState shift, int x, int y);
    void AppIdle(bool& done);

    // --- The slideshow ---
    void NextPicture();
    // The slide for the picture of image: black, screen-sized, the picture centred at its own
    // size (cut evenly when larger), the caption on every other slide.
    Bitmap ComposeSlide(TImage& image);

    // --- Ending the run ---
    void RequestClose();
    void InstallInputHook();
    void JournalHookProc(const InputEvent& event);

    // --- Sound, Flash and presentation ---
    void StartSound();
    void PlayNextSound();
    void mpSaverNotify();
    // Stops and closes the player, so that no extracted track is held open when it is deleted.
    void StopSound();
    void PlayNextFlash();
    void TimerFlashTimer();
    void HideFlashControl();
    void StartPresentation();
    void QuitPresentation();

    // The items' directory (the temporary directory unless a test says otherwise).
    void SetItemDirectory(std::string dir) { item_dir_ = std::move(dir); }
    const std::string& ItemDirectory() const { return item_dir_; }

private:
    void WMSaverStart();
    void WMSaverStop();
    void WMSaverInput();
    // Steps 1 to 9 of the first activation: false when the trailer could not be read.
    bool SetUpFromPackage();
    void CloseWindow() { Close(); }
    void CreateFlashControl();
    void ReleasePresentation();
    // The cursor and the screen-saver flag as the set-up left them, put back on every road
    // out of the run, also when the window is destroyed without being closed.
    void RestoreSystemState();

    RandomSource& random_;
    std::unique_ptr<InputHook> hook_;
    std::string item_dir_;
    bool running_flag_on_ = false;
    bool swf_visible_ = true;
    int cursor_hides_ = 0;  // hides by this window not yet undone
};

}  // namespace scr
