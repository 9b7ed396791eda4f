#include "setup/mute_preference.h"

#include <cstdint>

#include "package/items.h"

namespace scr {

namespace {
constexpr const char* kSection = "Setup";
constexpr const char* kKey = "mute";
}  // namespace

std::string PreferencePath(std::string_view exe_path) {
    // The directory is everything up to the last separator; the DBCS rule lives in JoinPath.
    const auto cut = exe_path.find_last_of("\\/");
    const std::string_view dir = cut == std::string_view::npos ? std::string_view(".") : exe_path.substr(0, cut + 1);
    return JoinPath(dir, "CONTROL.INI");
}

std::optional<int32_t> ParseStoredInteger(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        uint64_t value = 0;
        for (char c : text.substr(2)) {
            int digit;
            if (c >= '0' && c <= '9') digit = c - '0';
            else if (c >= 'a' && c <= 'f') digit = c - 'a' + 10;
            else if (c >= 'A' && c <= 'F') digit = c - 'A' + 10;
            else return std::nullopt;
            value = value * 16 + uint64_t(digit);
            if (value > 0xFFFFFFFFu) return std::nullopt;
        }
        // Eight hexadecimal digits fill 32 bits: 0xFFFFFFFF reads as -1.
        return int32_t(uint32_t(value));
    }
    bool negative = false;
    if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    if (text.empty()) return std::nullopt;
    int64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + (c - '0');
        if (value > int64_t(INT32_MAX) + 1) return std::nullopt;
    }
    if (negative) value = -value;
    if (value > INT32_MAX) return std::nullopt;
    return int32_t(value);
}

bool ReadMutePreference(Services& services, std::string_view exe_path, bool default_value) {
    const std::string text = services.ReadIniString(PreferencePath(exe_path), kSection, kKey, "");
    const auto value = ParseStoredInteger(text);
    return value ? *value != 0 : default_value;
}

bool WriteMutePreference(Services& services, std::string_view exe_path, bool mute) {
    return services.WriteIniString(PreferencePath(exe_path), kSection, kKey, mute ? "1" : "0");
}

}  // namespace scr
