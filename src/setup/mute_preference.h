// The one stored preference: the mute switch, key "mute" of section "Setup" in "CONTROL.INI"
// beside the executable. The setup dialog writes it; the saver window reads it with the
// package's own setting as the default.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "gui/services.h"

namespace scr {

// JoinPath of the executable's directory and "CONTROL.INI".
std::string PreferencePath(std::string_view exe_path);

// A stored integer as the profile functions' readers take it: optional sign and decimal digits,
// or "0x"/"0X" and hexadecimal digits, blanks around it ignored; nothing for anything else.
std::optional<int32_t> ParseStoredInteger(std::string_view text);

// The stored switch: a number other than 0 is on, 0 is off; absent or not a number gives
// default_value.
bool ReadMutePreference(Services& services, std::string_view exe_path, bool default_value);

// Stores "1" or "0"; false when the file cannot be written.
bool WriteMutePreference(Services& services, std::string_view exe_path, bool mute);

}  // namespace scr
