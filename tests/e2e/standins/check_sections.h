// The self-check's parts, one for each stand-in.
#pragma once

namespace check {

void CheckFlash();
// After OleUninitialize: the Flash stand-in was unloaded with nothing left alive.
void CheckFlashUnloaded();
void CheckPresentation();
void CheckPassword();

}  // namespace check
