// The package tool: builds a saver from a stub program and content, shows what the saver's
// readers find in a package, and writes a package's items out. Each command takes its
// arguments without the program name and returns the exit status.
#pragma once

#include <ostream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace scrpack {

enum ExitCode : int { kExitOk = 0, kExitBadPackage = 1, kExitUsage = 2 };

// A command line or manifest that cannot be understood (exit status 2).
class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// An input file that cannot be used (exit status 1). Unlike the package layer's messages,
// which are ANSI text, the message is native text (it holds native paths).
class InputError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

using Args = std::vector<std::string>;

int Main(const Args& args, std::ostream& out, std::ostream& err);
int BuildCommand(const Args& args, std::ostream& out, std::ostream& err);
int InfoCommand(const Args& args, std::ostream& out, std::ostream& err);
int ExtractCommand(const Args& args, std::ostream& out, std::ostream& err);

// --- Text and file names ---------------------------------------------------------------------
// Packages hold text in the ANSI code page; command lines and file names are native text
// (UTF-8 on POSIX systems, the ANSI code page on Windows); manifests are UTF-8.

// UTF-8 to ANSI; UsageError naming `what` when a character has no ANSI form.
std::string Utf8ToAnsiExact(std::string_view utf8, std::string_view what);
// A command-line argument as ANSI text.
std::string ArgToAnsi(std::string_view arg, std::string_view what);
// A UTF-8 path from a manifest as a native path.
std::string Utf8ToNativePath(std::string_view utf8);
// Where the last component of a native path starts.
std::size_t BaseNameStart(std::string_view native_path);
// The last component of a native path, as ANSI text; when not exact, characters that the
// code page lacks become '?', else they are a UsageError.
std::string StoredBaseName(std::string_view native_path, bool exact);
// An ANSI item name as a native file name.
std::string AnsiToNativeName(std::string_view ansi);
// dir + separator + name.
std::string JoinNative(std::string_view dir, std::string_view name);
bool IsAbsoluteNative(std::string_view path);

}  // namespace scrpack
