// System services that the portable libraries need: files, the temporary directory, the ANSI
// code page, the screen's resolution and file-name rules. One implementation per platform:
// win32/system_win32.cpp (the real one) and headless/system_posix.cpp (native builds, which
// behave like a Western-European Windows at 96 pixels per inch).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace scr::sys {

enum class SeekOrigin { Begin = 0, Current = 1, End = 2 };

// An open file; closed when the object goes away. Paths are in the ANSI code page.
class File {
public:
    // For reading, other processes may read but not write. Throws EFOpenError.
    static File OpenRead(const std::string& path);
    // Created or truncated, for writing, shared with nobody. Throws EFCreateError.
    static File Create(const std::string& path);

    File() = default;
    File(File&& other) noexcept : handle_(other.handle_) { other.handle_ = kInvalid; }
    File& operator=(File&& other) noexcept {
        if (this != &other) {
            close();
            handle_ = other.handle_;
            other.handle_ = kInvalid;
        }
        return *this;
    }
    File(const File&) = delete;
    File& operator=(const File&) = delete;
    ~File() { close(); }

    bool is_open() const { return handle_ != kInvalid; }
    void close();

    // Bytes actually read or written (0 at the end of the file or on error).
    int64_t read(void* buffer, int64_t count);
    int64_t write(const void* buffer, int64_t count);
    // The new position, or -1 when the target would be negative or the system refuses
    // (the position is then unchanged).
    int64_t seek(int64_t offset, SeekOrigin origin);
    int64_t position() const;
    int64_t size() const;

private:
    static constexpr intptr_t kInvalid = -1;
    explicit File(intptr_t handle) : handle_(handle) {}
    intptr_t handle_ = kInvalid;
};

// Deletes a file; false when it could not be deleted (missing, in use). Never throws. (Not
// named DeleteFile: windows.h makes that name a macro.)
bool RemoveFile(const std::string& path);

// The temporary-files directory, ending in the platform's path separator.
std::string TempDirectory();

// '\\' on Windows, '/' natively.
char PathSeparator();

// Conversions between the ANSI code page and Unicode; unmappable characters become '?'.
// Natively the ANSI code page is Windows-1252.
std::string AnsiToUtf8(std::string_view ansi);
std::string Utf8ToAnsi(std::string_view utf8);
std::string Utf16ToAnsi(std::u16string_view utf16);

// Whether a byte starts a double-byte character in the ANSI code page (never natively).
bool IsDBCSLeadByte(uint8_t byte);

// Vertical pixels per inch of the screen (96 where there is no screen).
int ScreenPixelsPerInch();

// Whether a byte may appear in a file name: not a control code (0..31) and none of <>:"/\|?*.
// The same set everywhere, so a package behaves alike on every platform.
inline bool IsFileNameChar(uint8_t byte) {
    if (byte < 32) return false;
    switch (byte) {
        case '<': case '>': case ':': case '"': case '/': case '\\': case '|': case '?': case '*':
            return false;
        default:
            return true;
    }
}

}  // namespace scr::sys
