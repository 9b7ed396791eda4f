#include "saver/run_mode.h"

namespace scr {

uint8_t RunMode = kScreenSaver;

}  // namespace scr
