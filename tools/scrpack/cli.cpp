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
        // Messages of the package layer are ANSI text.
        err << "scrpack: " << scr::sys::AnsiToUtf8(e.what()) << '\n';
        return kExitBadPackage;
    }
}

}  // namespace scrpack
