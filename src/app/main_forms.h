// The program's main forms by mode, with the program's one random generator.
#pragma once

#include <memory>

#include "gui/backend.h"
#include "gui/form.h"

namespace scr {

// The setup dialog for mode 2, the saver window for mode 3, nothing for the other modes.
std::unique_ptr<TForm> CreateMainForm(Backend& backend, Application& app, uint8_t run_mode);

}  // namespace scr
