// Windows system services: Win32 files with the sharing the readers rely on, the system's
// temporary directory and ANSI code page, and the screen's resolution.
#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "base/os.h"
#include "base/errors.h"

namespace scr::sys {

namespace {
HANDLE H(intptr_t h) { return reinterpret_cast<HANDLE>(h); }
}  // namespace

void File::close() {
    if (handle_ != kInvalid) CloseHandle(H(handle_));
    handle_ = kInvalid;
}

File File::OpenRead(const std::string& path) {
    // Others may read the file while we do, but nobody may change it under us.
    HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) throw EFOpenError(path);
    return File(reinterpret_cast<intptr_t>(h));
}

File File::Create(const std::string& path) {
    HANDLE h = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) throw EFCreateError(path);
    return File(reinterpret_cast<intptr_t>(h));
}

int64_t File::read(void* buffer, int64_t count) {
    if (handle_ == kInvalid || count <= 0) return 0;
    int64_t done = 0;
    auto* out = static_cast<char*>(buffer);
    while (done < count) {
        const DWORD chunk = DWORD(std::min<int64_t>(count - done, 1 << 30));
        DWORD got = 0;
        if (!ReadFile(H(handle_), out + done, chunk, &got, nullptr) || got == 0) break;
        done += got;
    }
    return done;
}

int64_t File::write(const void* buffer, int64_t count) {
    if (handle_ == kInvalid || count <= 0) return 0;
    int64_t done = 0;
    auto* in = static_cast<const char*>(buffer);
    while (done < count) {
        const DWORD chunk = DWORD(std::min<int64_t>(count - done, 1 << 30));
        DWORD put = 0;
        if (!WriteFile(H(handle_), in + done, chunk, &put, nullptr) || put == 0) break;
        done += put;
    }
    return done;
}

int64_t File::seek(int64_t offset, SeekOrigin origin) {
    if (handle_ == kInvalid) return -1;
    LARGE_INTEGER move, result;
    move.QuadPart = offset;
    const DWORD method = origin == SeekOrigin::Begin ? FILE_BEGIN : origin == SeekOrigin::Current ? FILE_CURRENT : FILE_END;
    if (!SetFilePointerEx(H(handle_), move, &result, method)) return -1;
    return result.QuadPart;
}

int64_t File::position() const {
    if (handle_ == kInvalid) return 0;
    LARGE_INTEGER zero, result;
    zero.QuadPart = 0;
    if (!SetFilePointerEx(H(handle_), zero, &result, FILE_CURRENT)) return 0;
    return result.QuadPart;
}

int64_t File::size() const {
    LARGE_INTEGER size;
    if (handle_ == kInvalid || !GetFileSizeEx(H(handle_), &size)) return 0;
    return size.QuadPart;
}

bool RemoveFile(const std::string& path) { return ::DeleteFileA(path.c_str()) != 0; }

std::string TempDirectory() {
    char buffer[255];
    const DWORD n = GetTempPathA(sizeof buffer, buffer);
    if (n == 0 || n >= sizeof buffer) return std::string();  // the path did not fit the buffer
    return std::string(buffer, n);
}

char PathSeparator() { return '\\'; }

namespace {

std::wstring ToWide(UINT codepage, std::string_view text) {
    if (text.empty()) return std::wstring();
    const int n = MultiByteToWideChar(codepage, 0, text.data(), int(text.size()), nullptr, 0);
    std::wstring wide(std::size_t(n > 0 ? n : 0), L'\0');
    if (n > 0) MultiByteToWideChar(codepage, 0, text.data(), int(text.size()), wide.data(), n);
    return wide;
}

std::string FromWide(UINT codepage, const wchar_t* text, std::size_t length) {
    if (length == 0) return std::string();
    const bool ansi = codepage == CP_ACP;
    // The default character is only allowed for code pages other than UTF-8.
    const int n = WideCharToMultiByte(codepage, 0, text, int(length), nullptr, 0, ansi ? "?" : nullptr, nullptr);
    std::string out(std::size_t(n > 0 ? n : 0), '\0');
    if (n > 0) WideCharToMultiByte(codepage, 0, text, int(length), out.data(), n, ansi ? "?" : nullptr, nullptr);
    return out;
}

}  // namespace

std::string AnsiToUtf8(std::string_view ansi) {
    const std::wstring wide = ToWide(CP_ACP, ansi);
    return FromWide(CP_UTF8, wide.data(), wide.size());
}

std::string Utf8ToAnsi(std::string_view utf8) {
    const std::wstring wide = ToWide(CP_UTF8, utf8);
    return FromWide(CP_ACP, wide.data(), wide.size());
}

std::string Utf16ToAnsi(std::u16string_view utf16) {
    return FromWide(CP_ACP, reinterpret_cast<const wchar_t*>(utf16.data()), utf16.size());
}

bool IsDBCSLeadByte(uint8_t byte) { return ::IsDBCSLeadByte(byte) != 0; }

int ScreenPixelsPerInch() {
    HDC dc = GetDC(nullptr);
    if (!dc) return 96;
    const int ppi = GetDeviceCaps(dc, LOGPIXELSY);
    ReleaseDC(nullptr, dc);
    return ppi > 0 ? ppi : 96;
}

}  // namespace scr::sys
