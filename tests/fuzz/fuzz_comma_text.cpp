// Comma text: parsing never fails, and formatting what was parsed parses back to the same list.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "package/commatext.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const scr::StringList list = scr::ParseCommaText(text);
    if (scr::ParseCommaText(scr::FormatCommaText(list)) != list) __builtin_trap();
    return 0;
}
