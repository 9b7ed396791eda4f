#include "saver/saver_form.h"

#include <algorithm>
#include <cstdlib>

#include "package/errors.h"
#include "package/items.h"
#include "package/stream.h"
#include "saver/run_mode.h"
#include "setup/mute_preference.h"

namespace scr {

FormDesign TfrmScrn::Design() {
    FormDesign d;
    d.border_style = TBorderStyle::bsNone;
    d.position = TPosition::poScreenCenter;
    d.client_width = 195;
    d.client_height = 126;
    d.color = clBtnFace;
    d.key_preview = true;
    return d;
}

TfrmScrn::TfrmScrn(Backend& backend, Application& app, RandomSource& random)
    : TForm(backend, app, Design()), TimerFlash(app), random_(random), item_dir_(GetTempDir()) {
    // The components as the form's description creates them.
    PShow = std::make_unique<TransitionControl>(app, window());
    PShow->SetAlign(Control::Align::Client);
    TTransitionView& view = PShow->View();
    view.SetCenter(true);
    view.SetStretch(true);
    view.SetThreaded(false);
    view.SetRandomSource(&random_);
    PShow->OnMouseMove = [this](ShiftState shift, int x, int y) { FormMouseMove(shift, x, y); };
    mpSaver = backend.NewMediaPlayer(app);
    mpSaver->OnNotify = [this](TMPNotifyValues) { mpSaverNotify(); };
    CreateFlashControl();
    TimerFlash.SetEnabled(false);
    TimerFlash.SetOnTimer([this] { TimerFlashTimer(); });
    OnResize = [this] {
        if (swf) swf->SetBounds(window().ClientRect());
    };

    OnCreate = [this] { FormCreate(); };
    OnShow = [this] { FormShow(); };
    OnActivate = [this] { FormActivate(); };
    OnClose = [this](TCloseAction& action) { FormClose(action); };
    OnDestroy = [this] { FormDestroy(); };
    OnKeyDown = [this](uint16_t& key, ShiftState shift) { FormKeyDown(key, shift); };
    OnMouseDown = [this](MouseButton b, ShiftState shift, int x, int y) { FormMouseDown(b, shift, x, y); };
    OnMouseMove = [this](ShiftState shift, int x, int y) { FormMouseMove(shift, x, y); };
    SetMessageHandler(WM_SAVER_START, [this](uintptr_t, intptr_t) { WMSaverStart(); });
    SetMessageHandler(WM_SAVER_STOP, [this](uintptr_t, intptr_t) { WMSaverStop(); });
    SetMessageHandler(WM_SAVER_INPUT, [this](uintptr_t, intptr_t) { WMSaverInput(); });
}

TfrmScrn::~TfrmScrn() {
    DoDestroy();
    RestoreSystemState();
    // Every reference to the control and the presentation goes before the application (and
    // with it the apartment) does.
    ReleasePresentation();
    swf.reset();
    mpSaver.reset();
    // Idle calls must not reach a window that is gone.
    if (application().HasIdleHandler()) application().SetOnIdle(nullptr);
}

// ---------------------------------------------------------------- life cycle

void TfrmScrn::FormCreate() {
    FirstActivation = true;
    SlideTimer = std::make_unique<TTimer>(application());
    SlideTimer->SetEnabled(false);
    PicIndex = SndIndex = FlashIndex = 0;
    Settings = std::make_unique<TSSFileLocations>();
    CaptionToggle = false;
}

void TfrmScrn::FormShow() {
    // The saver has no task-bar button.
    application().HideApplicationWindow();
}

bool TfrmScrn::SetUpFromPackage() {
    FileStream file = FileStream::OpenRead(application().ExeName());
    // Trailer fields 1 and 2 in sequence; a file too short for them ends the set-up quietly,
    // and the next activation tries again.
    int32_t settings_offset = 0;
    try {
        const int64_t size = file.Size();
        if (size < kTrailerSize || file.Seek(size - kTrailerSize, SeekOrigin::Begin) < 0) return false;
        ReadTrailerField(file);  // field 1: converted, not used here
        settings_offset = ReadTrailerField(file);
    } catch (const EReadError&) {
        return false;
    }

    try {
        if (file.Seek(settings_offset, SeekOrigin::Begin) < 0) file.Seek(0, SeekOrigin::End);
        LoadComponentStream(file, *Settings);
        // The timer stays disabled; the slideshow arms it itself.
        SlideTimer->SetInterval(uint32_t(std::max<int32_t>(Settings->Interval, 0)));
        SlideTimer->SetOnTimer([this] { NextPicture(); });
    } catch (...) {
        // The run cannot go on without settings: the loop ends once what is queued has run.
        application().Terminate();
    }

    ExtractItems(file, *Settings, item_dir_);
    Settings->lMute = ReadMutePreference(services(), application().ExeName(), Settings->lMute);

    // Exact, case-sensitive names; anything else starts no mode at all.
    if (Settings->Ver == "flash") {
        InstallInputHook();
        PShow->SetVisible(false);
        PlayNextFlash();
    }
    if (Settings->Ver == "powerpoint") {
        SetBounds(9999, -9999, Width(), Height());
        SetWindowState(WindowState::Minimized);
        InstallInputHook();
        StartSound();
        StartPresentation();
    }
    if (Settings->Ver == "photo") {
        HideFlashControl();
        StartSound();
    }
    return true;
}

void TfrmScrn::FormActivate() {
    if (!FirstActivation) return;
    if (!SetUpFromPackage()) return;

    FirstActivation = false;
    SetColor(clBlack);
    const TextSize screen = services().PrimaryScreenSize();
    // A minimised window keeps these as the bounds it gets back when restored.
    SetBounds(0, 0, screen.cx, screen.cy);
    LastMouseX = LastMouseY = -1;
    application().SetOnIdle([this](bool& done) { AppIdle(done); });
    window().SetTopmost();
    services().SetScreenSaverRunning(true);
    running_flag_on_ = true;
    services().ShowCursor(false);
    ++cursor_hides_;
    window().SetVisible(true);
    // The control on top is the window's first control: it gets the keyboard, as its own
    // window does the mouse, and the window sees neither (the hook does).
    if (swf && swf_visible_) swf->SetFocus();
}

void TfrmScrn::AppIdle(bool& /*done*/) {
    // Posting at every idle moment would keep the loop from ever waiting: a core busy for the
    // whole run. Once the start message has been acted on there is nothing more to post.
    if (!SlideshowStarted) PostPrivate(WM_SAVER_START);
}

void TfrmScrn::WMSaverStart() {
    if (SlideshowStarted) return;
    SlideshowStarted = true;
    NextPicture();
}

void TfrmScrn::WMSaverStop() {
    SlideTimer->SetEnabled(false);
    RequestClose();
}

void TfrmScrn::WMSaverInput() {
    if (Settings->Ver == "powerpoint") QuitPresentation();
    CloseWindow();
}

void TfrmScrn::FormClose(TCloseAction& /*action*/) {
    services().SetScreenSaverRunning(false);
    running_flag_on_ = false;
    application().SetOnIdle(nullptr);
    services().ReleaseCapture();
    services().ShowCursor(true);
    if (cursor_hides_ > 0) --cursor_hides_;
}

void TfrmScrn::RestoreSystemState() {
    // The roads that skip FormClose (the terminate request after a settings failure, a
    // window destroyed some other way) must not leave the system thinking a saver runs, nor
    // the pointer hidden.
    if (running_flag_on_) {
        services().SetScreenSaverRunning(false);
        running_flag_on_ = false;
    }
    for (; cursor_hides_ > 0; --cursor_hides_) services().ShowCursor(true);
}

void TfrmScrn::FormDestroy() {
    StopSound();
    if (Settings) {
        DeleteExtractedItems(*Settings, item_dir_);
        Settings.reset();
    }
}

// ---------------------------------------------------------------- input

void TfrmScrn::FormKeyDown(uint16_t& /*key*/, ShiftState /*shift*/) { RequestClose(); }

void TfrmScrn::FormMouseDown(MouseButton /*button*/, ShiftState /*shift*/, int /*x*/, int /*y*/) { RequestClose(); }

void TfrmScrn::FormMouseMove(ShiftState /*shift*/, int x, int y) {
    if (MouseMoveIgnore > 0) {
        --MouseMoveIgnore;
        return;
    }
    if (LastMouseX == -1 && LastMouseY == -1) {
        // The first move after the set-up only records where the pointer is.
        LastMouseX = x;
        LastMouseY = y;
        return;
    }
    // Both distances at least 3: pure horizontal or vertical moves never end the run, and
    // small moves add up against the recorded position.
    if (std::abs(x - LastMouseX) >= 3 && std::abs(y - LastMouseY) >= 3) {
        LastMouseX = x;
        LastMouseY = y;
        RequestClose();
    }
}

void TfrmScrn::InstallInputHook() {
    hook_ = services().InstallInputHook([this](const InputEvent& e) { JournalHookProc(e); });
    HookCursorPos = services().CursorPos();
}

void TfrmScrn::JournalHookProc(const InputEvent& event) {
    const uint32_t m = event.message;
    // Key releases, and the mouse from moves to the middle button's release (the presses,
    // releases and double clicks of the left and right buttons, the middle press and release).
    if (m != kWmKeyUp && (m < kWmMouseMove || m > kWmMButtonUp)) return;
    if (m == kWmMouseMove) {
        const Point at = event.has_position ? event.position : services().CursorPos();
        if (at == HookCursorPos) return;
    }
    // The hook removes itself at the first event that counts: at most one message is posted.
    hook_.reset();
    PostPrivate(WM_SAVER_INPUT);
}

void TfrmScrn::RequestClose() {
    if (RunMode != kScreenSaver) {
        CloseWindow();
        return;
    }
    MouseMoveIgnore = 5;
    bool pass = false;
    const RegistryDword use_password = services().ReadUserDword("Control Panel\\Desktop", "ScreenSaveUsePassword");
    if (use_password.status == RegistryDword::Status::KeyMissing) {
        pass = true;
    } else {
        services().ShowCursor(true);
        try {
            // A missing value or one that is not a 32-bit integer value lets the user out.
            if (use_password.status != RegistryDword::Status::Ok || use_password.value == 0) {
                pass = true;
            } else {
                const std::string library = SystemLibraryPath(services().SystemDirectory(), "PASSWORD.CPL");
                pass = services().VerifyScreenSavePassword(library, Handle()) != PasswordCheck::Refused;
            }
        } catch (...) {
            pass = true;
        }
        services().ShowCursor(false);
    }
    if (pass) CloseWindow();
}

}  // namespace scr
