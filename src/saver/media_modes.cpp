// The background sound and the Flash and presentation modes of the saver window. The media
// player, the Flash control and the presentation automation join here as the framework layer
// gets them; until then the window runs every mode without them.
#include "saver/saver_form.h"

namespace scr {

void TfrmScrn::StartSound() {}

void TfrmScrn::StopSound() {}

void TfrmScrn::PlayNextFlash() {}

void TfrmScrn::HideFlashControl() {}

void TfrmScrn::StartPresentation() {}

void TfrmScrn::QuitPresentation() {}

}  // namespace scr
