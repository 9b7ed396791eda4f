// The process-wide start mode, set once by the program entry and read by the whole program
// (the saver window's password check acts only in screen-saver mode).
#pragma once

#include <cstdint>

namespace scr {

inline constexpr uint8_t kChangePassword = 0;
inline constexpr uint8_t kPreview = 1;
inline constexpr uint8_t kConfigure = 2;
inline constexpr uint8_t kScreenSaver = 3;

// Statically kScreenSaver: a first argument that selects nothing runs the screen saver.
extern uint8_t RunMode;

}  // namespace scr
