#include "app/main_forms.h"

#include <chrono>

#include "base/os.h"
#include "saver/run_mode.h"
#include "saver/saver_form.h"
#include "setup/setup_form.h"
#include "transition/transition_view.h"

namespace scr {

namespace {

// One generator for every random choice of the run, seeded from the clock once.
RandomSource& ProgramRandom() {
    static SeededRandom random(uint32_t(std::chrono::system_clock::now().time_since_epoch().count()));
    return random;
}

}  // namespace

std::unique_ptr<TForm> CreateMainForm(Backend& backend, Application& app, uint8_t run_mode) {
    if (run_mode == kScreenSaver) return CreateForm<TfrmScrn>(backend, app, ProgramRandom());
    if (run_mode == kConfigure) return CreateForm<TfrmSetup>(backend, app, sys::ScreenPixelsPerInch());
    return nullptr;
}

}  // namespace scr
