// Comma text: a list of strings stored as one text. Items are separated by commas; an item in
// double quotes keeps commas and blanks, a doubled quote inside standing for one quote.
// Characters are stepped in the ANSI code page, so a double-byte character counts as one.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace scr {

using StringList = std::vector<std::string>;

StringList ParseCommaText(std::string_view text);
std::string FormatCommaText(const StringList& items);

}  // namespace scr
