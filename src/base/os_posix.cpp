// Native system services: POSIX files, $TMPDIR, and a Windows-1252 ANSI code page, so that
// native tools and tests see packages as a Western-European Windows does.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "base/os.h"
#include "base/errors.h"

namespace scr::sys {

void File::close() {
    if (handle_ != kInvalid) ::close(int(handle_));
    handle_ = kInvalid;
}

File File::OpenRead(const std::string& path) {
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) throw EFOpenError(path);
    struct stat st {};
    if (::fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
        ::close(fd);
        throw EFOpenError(path);
    }
    return File(fd);
}

File File::Create(const std::string& path) {
    int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) throw EFCreateError(path);
    return File(fd);
}

int64_t File::read(void* buffer, int64_t count) {
    if (handle_ == kInvalid || count <= 0) return 0;
    int64_t done = 0;
    auto* out = static_cast<char*>(buffer);
    while (done < count) {
        ssize_t n = ::read(int(handle_), out + done, size_t(count - done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += n;
    }
    return done;
}

int64_t File::write(const void* buffer, int64_t count) {
    if (handle_ == kInvalid || count <= 0) return 0;
    int64_t done = 0;
    auto* in = static_cast<const char*>(buffer);
    while (done < count) {
        ssize_t n = ::write(int(handle_), in + done, size_t(count - done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += n;
    }
    return done;
}

int64_t File::seek(int64_t offset, SeekOrigin origin) {
    if (handle_ == kInvalid) return -1;
    int whence = origin == SeekOrigin::Begin ? SEEK_SET : origin == SeekOrigin::Current ? SEEK_CUR : SEEK_END;
    off_t r = ::lseek(int(handle_), off_t(offset), whence);
    return r < 0 ? -1 : int64_t(r);
}

int64_t File::position() const {
    if (handle_ == kInvalid) return 0;
    off_t r = ::lseek(int(handle_), 0, SEEK_CUR);
    return r < 0 ? 0 : int64_t(r);
}

int64_t File::size() const {
    struct stat st {};
    if (handle_ == kInvalid || ::fstat(int(handle_), &st) != 0) return 0;
    return int64_t(st.st_size);
}

bool RemoveFile(const std::string& path) { return ::unlink(path.c_str()) == 0; }

std::string TempDirectory() {
    const char* env = std::getenv("TMPDIR");
    std::string dir = env && *env ? env : "/tmp";
    if (dir.back() != '/') dir += '/';
    return dir;
}

char PathSeparator() { return '/'; }

namespace {

// Windows-1252 bytes 0x80..0x9F; the five bytes Windows leaves undefined map to the C1
// control of the same value, as the system's own table does.
constexpr char16_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

char32_t AnsiToCodePoint(uint8_t b) { return b >= 0x80 && b < 0xA0 ? kCp1252High[b - 0x80] : b; }

char CodePointToAnsi(char32_t cp) {
    if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) return char(cp);
    for (int i = 0; i < 32; ++i)
        if (kCp1252High[i] == cp) return char(0x80 + i);
    return '?';
}

void AppendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += char(cp);
    } else if (cp < 0x800) {
        out += char(0xC0 | (cp >> 6));
        out += char(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += char(0xE0 | (cp >> 12));
        out += char(0x80 | ((cp >> 6) & 0x3F));
        out += char(0x80 | (cp & 0x3F));
    } else {
        out += char(0xF0 | (cp >> 18));
        out += char(0x80 | ((cp >> 12) & 0x3F));
        out += char(0x80 | ((cp >> 6) & 0x3F));
        out += char(0x80 | (cp & 0x3F));
    }
}

}  // namespace

std::string AnsiToUtf8(std::string_view ansi) {
    std::string out;
    out.reserve(ansi.size());
    for (char c : ansi) AppendUtf8(out, AnsiToCodePoint(uint8_t(c)));
    return out;
}

std::string Utf8ToAnsi(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    std::size_t i = 0;
    const std::size_t n = utf8.size();
    while (i < n) {
        const uint8_t b = uint8_t(utf8[i]);
        int extra = b < 0x80 ? 0 : (b & 0xE0) == 0xC0 ? 1 : (b & 0xF0) == 0xE0 ? 2 : (b & 0xF8) == 0xF0 ? 3 : -1;
        if (extra < 0 || i + std::size_t(extra) >= n) {
            // A stray continuation byte, an invalid lead byte or a sequence cut off at the end.
            out += '?';
            ++i;
            continue;
        }
        char32_t cp = extra == 0 ? b : extra == 1 ? (b & 0x1F) : extra == 2 ? (b & 0x0F) : (b & 0x07);
        bool ok = true;
        for (int k = 1; k <= extra; ++k) {
            const uint8_t c = uint8_t(utf8[i + std::size_t(k)]);
            if ((c & 0xC0) != 0x80) {
                ok = false;
                break;
            }
            cp = (cp << 6) | (c & 0x3F);
        }
        static constexpr char32_t kMin[4] = {0, 0x80, 0x800, 0x10000};
        if (!ok || cp < kMin[extra] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
            out += '?';
            ++i;
            continue;
        }
        out += CodePointToAnsi(cp);
        i += std::size_t(extra) + 1;
    }
    return out;
}

std::string Utf16ToAnsi(std::u16string_view utf16) {
    std::string out;
    out.reserve(utf16.size());
    for (std::size_t i = 0; i < utf16.size(); ++i) {
        const char16_t u = utf16[i];
        if (u >= 0xD800 && u <= 0xDBFF && i + 1 < utf16.size() && utf16[i + 1] >= 0xDC00 && utf16[i + 1] <= 0xDFFF) {
            ++i;  // a character beyond the basic plane: never in the code page
            out += '?';
        } else if (u >= 0xD800 && u <= 0xDFFF) {
            out += '?';
        } else {
            out += CodePointToAnsi(u);
        }
    }
    return out;
}

bool IsDBCSLeadByte(uint8_t) { return false; }

int ScreenPixelsPerInch() { return 96; }

}  // namespace scr::sys
