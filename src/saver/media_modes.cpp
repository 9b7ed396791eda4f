// The background sound and the Flash and presentation modes of the saver window: the Flash
// control hosted on the window and driven by its dispatch ids, and the presentation application
// driven through automation by name.
#include "package/items.h"
#include "saver/saver_form.h"

namespace scr {

namespace {

// The Flash control's class and the members the saver uses, by their fixed dispatch ids.
constexpr const char* kFlashClass = "{D27CDB6E-AE6D-11CF-96B8-444553540000}";
constexpr int32_t kMovie = 102, kTotalFrames = 124, kCurrentFrame = 128, kPlay = 112, kStop = 113;

constexpr const char* kPresentationApp = "PowerPoint.Application";
// MsoTriState and the presentation's constants.
constexpr int32_t msoTrue = -1, msoFalse = 0, ppShowTypeSpeaker = 1, ppSoundNone = 0;

}  // namespace

// ---------------------------------------------------------------- the background sound

void TfrmScrn::StartSound() {
    // One random track, repeated for the whole run (Random(0) is 0).
    if (Settings->SoundRandom == 3) SndIndex = random_.next(Settings->SndCount());
    PlayNextSound();
}

void TfrmScrn::PlayNextSound() {
    if (Settings->SndCount() == 0 || Settings->lMute) return;
    if (SndIndex > Settings->SndCount() - 1) SndIndex = 0;
    if (Settings->SoundRandom == 2) SndIndex = random_.next(Settings->SndCount());
    mpSaver->SetFileName(JoinPath(item_dir_, Settings->SndFileName(SndIndex)));
    try {
        mpSaver->Open();
        mpSaver->Play();
    } catch (...) {
        // A track that cannot be opened or played reports nothing: the music ends quietly.
    }
    // The next command reports its completion too: the stop of mpSaverNotify.
    mpSaver->SetNotify(true);
    if (Settings->SoundRandom != 3) ++SndIndex;
}

void TfrmScrn::mpSaverNotify() {
    // A report that comes while a track plays (the previous stop's own) changes nothing.
    if (mpSaver->Mode() == TMPModes::mpPlaying) return;
    try {
        mpSaver->Stop();
    } catch (...) {
        // Errors of playback are dropped.
    }
    mpSaver->SetNotify(false);
    PlayNextSound();
}

void TfrmScrn::StopSound() {
    if (!mpSaver) return;
    try {
        mpSaver->SetNotify(false);
        if (mpSaver->Mode() == TMPModes::mpPlaying) mpSaver->Stop();
    } catch (...) {
        // The device is closed next in any case.
    }
    mpSaver->Close();
}

// ---------------------------------------------------------------- Flash

void TfrmScrn::CreateFlashControl() {
    try {
        swf = backend().NewActiveXControl(window(), kFlashClass, window().ClientRect());
    } catch (const EOleException&) {
        // Not installed (no current system has it): photographs must still show, so the window
        // goes on without it; a Flash package then shows black and still ends on input.
        swf.reset();
    }
}

void TfrmScrn::HideFlashControl() {
    swf_visible_ = false;
    if (swf) swf->SetVisible(false);
}

void TfrmScrn::PlayNextFlash() {
    if (Settings->FlashCount() == 0) return;
    TimerFlash.SetEnabled(false);
    if (FlashIndex > Settings->FlashCount() - 1) FlashIndex = 0;
    if (!swf) return;
    AutomationObject& flash = swf->Dispatch();
    flash.CallById(kStop);
    flash.PutById(kMovie, JoinPath(item_dir_, Settings->FlashFileName(FlashIndex)));
    try {
        flash.CallById(kPlay);
    } catch (...) {
        // A movie that does not play is passed over: the timer's next check moves on.
    }
    ++FlashIndex;
    TimerFlash.SetEnabled(true);
}

void TfrmScrn::TimerFlashTimer() {
    if (!swf) return;
    AutomationObject& flash = swf->Dispatch();
    const int32_t total = VariantToInt(flash.GetById(kTotalFrames));
    // At the last frame (a movie of one frame is there at once): the next movie.
    if (VariantToInt(flash.CallById(kCurrentFrame)) >= total - 1) PlayNextFlash();
}

// ---------------------------------------------------------------- the presentation

void TfrmScrn::StartPresentation() {
    if (Settings->FlashCount() == 0) return;
    if (FlashIndex > Settings->FlashCount() - 1) FlashIndex = 0;
    try {
        ppta = backend().ConnectAutomation(kPresentationApp, ConnectKind::RunningOrNew);
        const auto presentations = VariantToObject(ppta->Get("Presentations"));
        // Read-only, as an untitled copy, without a document window.
        pptp = VariantToObject(presentations->Call(
            "Open", {JoinPath(item_dir_, Settings->FlashFileName(FlashIndex)), msoTrue, msoTrue, msoFalse}));
        ShowSettingsRef = VariantToObject(pptp->Get("SlideShowSettings"));
        ShowSettingsRef->Put("LoopUntilStopped", msoTrue);
        ShowSettingsRef->Put("ShowType", ppShowTypeSpeaker);
        if (Settings->lMute) {
            const auto slides = VariantToObject(pptp->Get("Slides"));
            const int32_t count = VariantToInt(slides->Get("Count"));
            for (int32_t i = 1; i <= count; ++i) {
                const auto slide = VariantToObject(slides->Call("Item", {i}));
                const auto transition = VariantToObject(slide->Get("SlideShowTransition"));
                VariantToObject(transition->Get("SoundEffect"))->Put("Type", ppSoundNone);
            }
        }
        ShowSettingsRef->Call("Run");  // the show's window comes back; it is not kept
        ShowWindowRef = VariantToObject(pptp->Get("SlideShowWindow"));
    } catch (const Exception& e) {
        // No application, a file it cannot open, a member that fails: the user reads why, and
        // the run goes on (the first input ends it).
        application().ShowMessage(e.what());
    }
    ++FlashIndex;
}

void TfrmScrn::ReleasePresentation() {
    ShowWindowRef.reset();
    ShowSettingsRef.reset();
    pptp.reset();
    ppta.reset();
}

void TfrmScrn::QuitPresentation() {
    try {
        // The show's objects go first, so the application can end cleanly; it is asked again
        // for when the run never reached it.
        std::shared_ptr<AutomationObject> app = ppta;
        ShowWindowRef.reset();
        ShowSettingsRef.reset();
        pptp.reset();
        ppta.reset();
        if (!app) app = backend().ConnectAutomation(kPresentationApp, ConnectKind::RunningOrNew);
        app->Call("Quit");
    } catch (...) {
        // Quitting errors are dropped: the window closes regardless.
    }
}

}  // namespace scr
