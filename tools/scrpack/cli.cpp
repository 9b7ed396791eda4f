#include "package/errors.h"
#include "base/os.h"
#include "scrpack.h"

namespace scrpack {

namespace {

const char kHelp[] = R"(Usage: scrpack COMMAND [ARGUMENT...]

Builds and inspects screen savers that carry their pictures, sounds and
settings appended to the program.

Commands:
  build    write a saver from a stub program, pictures, sounds and settings
  info     show what the saver's readers find in a saver
  extract  write a saver's pictures, sounds and Flash items out as files

"scrpack COMMAND --help" describes each command.
Exit status: 0 success, 1 a bad package or input file, 2 bad usage.
)";

// Whether text is well-formed UTF-8.
bool is_utf8(std::string_view s) {
    for (std::size_t i = 0; i < s.size();) {
        const uint8_t b = uint8_t(s[i]);
        const std::size_t n = b < 0x80 ? 1 : (b & 0xE0) == 0xC0 ? 2 : (b & 0xF0) == 0xE0 ? 3 : (b & 0xF8) == 0xF0 ? 4 : 0;
        if (n == 0 || (n == 2 && b < 0xC2) || i + n > s.size()) return false;
        for (std::size_t k = 1; k < n; ++k)
            if ((uint8_t(s[i + k]) & 0xC0) != 0x80) return false;
        i += n;
    }
    return true;
}

// Messages of the package layer are ANSI text, but those that name an input file hold its
// native path, which on systems other than Windows is UTF-8; such a message is already
// what the terminal wants.
std::string message_text(std::string_view message) {
#ifndef _WIN32
    if (is_utf8(message)) return std::string(message);
#endif
    return scr::sys::AnsiToUtf8(message);
}

}  // namespace

int Main(const Args& args, std::ostream& out, std::ostream& err) {
    if (args.empty()) {
        err << kHelp;
        return kExitUsage;
    }
    const std::string& command = args[0];
    if (command == "-h" || command == "--help" || command == "help") {
        out << kHelp;
        return kExitOk;
    }
    const Args rest(args.begin() + 1, args.end());
    try {
        if (command == "build") return BuildCommand(rest, out, err);
        if (command == "info") return InfoCommand(rest, out, err);
        if (command == "extract") return ExtractCommand(rest, out, err);
        throw UsageError("unknown command \"" + command + "\"");
    } catch (const UsageError& e) {
        err << "scrpack: " << e.what() << "\nTry \"scrpack " << (command.empty() || command[0] == '-' ? "" : command + " ")
            << "--help\".\n";
        return kExitUsage;
    } catch (const InputError& e) {
        err << "scrpack: " << e.what() << '\n';
        return kExitBadPackage;
    } catch (const std::bad_alloc&) {
        err << "scrpack: out of memory\n";
        return kExitBadPackage;
    } catch (const std::exception& e) {
        err << "scrpack: " << message_text(e.what()) << '\n';
        return kExitBadPackage;
    }
}

}  // namespace scrpack
