#include "base/os.h"
#include "scrpack.h"

namespace scrpack {

namespace {

#ifdef _WIN32
constexpr bool kNativeIsAnsi = true;
#else
constexpr bool kNativeIsAnsi = false;
#endif

bool is_separator(char c) { return c == '/' || (kNativeIsAnsi && c == '\\'); }

}  // namespace

std::string Utf8ToAnsiExact(std::string_view utf8, std::string_view what) {
    std::string ansi = scr::sys::Utf8ToAnsi(utf8);
    // The conversion puts '?' for what it cannot map; the way back shows whether it did.
    if (scr::sys::AnsiToUtf8(ansi) != utf8)
        throw UsageError(std::string(what) + " holds characters that the ANSI code page cannot store, "
                         "or is not valid UTF-8: " + std::string(utf8));
    return ansi;
}

std::string ArgToAnsi(std::string_view arg, std::string_view what) {
    if (kNativeIsAnsi) return std::string(arg);
    return Utf8ToAnsiExact(arg, what);
}

std::string Utf8ToNativePath(std::string_view utf8) {
    if (kNativeIsAnsi) return Utf8ToAnsiExact(utf8, "path");
    return std::string(utf8);
}

std::size_t BaseNameStart(std::string_view native_path) {
    std::size_t cut = 0;
    for (std::size_t i = 0; i < native_path.size(); ++i) {
        // A double-byte character's trail byte may look like a backslash; step over it.
        if (kNativeIsAnsi && scr::sys::IsDBCSLeadByte(uint8_t(native_path[i]))) {
            ++i;
            continue;
        }
        if (is_separator(native_path[i]) || (kNativeIsAnsi && native_path[i] == ':')) cut = i + 1;
    }
    return cut;
}

std::string StoredBaseName(std::string_view native_path, bool exact) {
    std::string_view base = native_path.substr(BaseNameStart(native_path));
    if (kNativeIsAnsi) return std::string(base);
    return exact ? Utf8ToAnsiExact(base, "file name") : scr::sys::Utf8ToAnsi(base);
}

std::string AnsiToNativeName(std::string_view ansi) {
    if (kNativeIsAnsi) return std::string(ansi);
    return scr::sys::AnsiToUtf8(ansi);
}

std::string JoinNative(std::string_view dir, std::string_view name) {
    std::string out(dir);
    if (!out.empty() && !is_separator(out.back())) out += scr::sys::PathSeparator();
    out += name;
    return out;
}

bool IsAbsoluteNative(std::string_view path) {
    if (path.empty()) return false;
    if (is_separator(path[0])) return true;
    return kNativeIsAnsi && path.size() >= 2 && path[1] == ':';
}

}  // namespace scrpack
