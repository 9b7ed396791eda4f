// The command line as the screen-saver machinery passes it, and the decisions taken from it:
// the start mode, the window handle of modes 0 and 1, and the instance semaphore's name.
// Portable on purpose, so that every form of the switches is tested natively.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "saver/run_mode.h"
#include "package/errors.h"

namespace scr {

// Text that does not convert to a number: "'%s' is not a valid integer value".
class EConvertError : public Exception {
public:
    using Exception::Exception;
};

// Splits a command line into arguments the way the platform's start-up code does: blanks and
// control characters separate, double quotes group (and are dropped), nothing else is special.
// The first element is the program itself.
std::vector<std::string> SplitCommandLine(std::string_view command_line);

// Argument `index` of a split command line (0 is the program); the empty string when absent.
std::string ArgumentAt(const std::vector<std::string>& args, std::size_t index);

// Upper-cases the ASCII letters a-z only; other bytes (code-page letters included) stay.
std::string AsciiUpper(std::string_view text);

// The mode that the upper-cased first argument selects: kChangePassword for "/A", "-A", "A...",
// kPreview for "/P", "-P", "P...", kConfigure for "/C", "-C", "C..." and for the empty
// argument, otherwise `current` unchanged (the saver's static default).
uint8_t SelectRunMode(std::string_view first_upper, uint8_t current = kScreenSaver);

// Strict conversion of a window handle written in decimal (optional sign, digits only). Throws
// EConvertError for empty or non-numeric text and for values outside 32 bits. Values up to
// 2^32 - 1 are accepted because a handle may be printed unsigned; window handles carry 32
// significant bits, sign-extended on 64-bit Windows, and the result follows that rule.
std::intptr_t ParseWindowHandle(std::string_view text);

// The name of the instance semaphore: the file-name part of the module path + "Semaphore".
std::string InstanceSemaphoreName(std::string_view module_path);

}  // namespace scr
