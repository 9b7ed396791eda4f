#include "app/command_line.h"

#include <limits>

namespace scr {

namespace {

bool IsSeparator(char c) {
    const auto u = static_cast<unsigned char>(c);
    return u >= 1 && u <= ' ';
}

}  // namespace

std::vector<std::string> SplitCommandLine(std::string_view line) {
    std::vector<std::string> args;
    std::size_t i = 0;
    for (;;) {
        while (i < line.size() && IsSeparator(line[i])) ++i;
        // A NUL ends the line as it ends the C string the platform hands over.
        if (i >= line.size() || line[i] == '\0') break;
        std::string arg;
        bool quoted = false;
        for (; i < line.size() && line[i] != '\0'; ++i) {
            const char c = line[i];
            if (c == '"') {
                quoted = !quoted;
            } else if (!quoted && IsSeparator(c)) {
                break;
            } else {
                arg.push_back(c);
            }
        }
        args.push_back(std::move(arg));
    }
    return args;
}

std::string ArgumentAt(const std::vector<std::string>& args, std::size_t index) {
    return index < args.size() ? args[index] : std::string();
}

std::string AsciiUpper(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    return out;
}

uint8_t SelectRunMode(std::string_view arg, uint8_t current) {
    // Each test looks at "/X", "-X" or a leading "X"; the letters differ, so at most one matches.
    const auto selects = [arg](char letter) {
        if (arg.size() >= 2 && (arg[0] == '/' || arg[0] == '-') && arg[1] == letter) return true;
        return !arg.empty() && arg[0] == letter;
    };
    uint8_t mode = current;
    if (selects('A')) mode = kChangePassword;
    if (selects('P')) mode = kPreview;
    if (selects('C') || arg.empty()) mode = kConfigure;
    return mode;
}

std::intptr_t ParseWindowHandle(std::string_view text) {
    const auto invalid = [text] { return EConvertError("'" + std::string(text) + "' is not a valid integer value"); };
    std::size_t i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) {
        negative = text[i] == '-';
        ++i;
    }
    if (i == text.size()) throw invalid();
    int64_t value = 0;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        if (c < '0' || c > '9') throw invalid();
        value = value * 10 + (c - '0');
        if (value > int64_t(std::numeric_limits<uint32_t>::max()) + 1) {
            throw invalid();
        }
    }
    if (negative) value = -value;
    if (value < std::numeric_limits<int32_t>::min() || value > int64_t(std::numeric_limits<uint32_t>::max())) {
        throw invalid();
    }
    // Handles are 32-bit values, sign-extended to the pointer width.
    return static_cast<std::intptr_t>(static_cast<int32_t>(static_cast<uint32_t>(value)));
}

std::string InstanceSemaphoreName(std::string_view module_path) {
    const auto cut = module_path.find_last_of("\\/:");
    const std::string_view file = cut == std::string_view::npos ? module_path : module_path.substr(cut + 1);
    return std::string(file) + "Semaphore";
}

}  // namespace scr
