// What the stand-ins and their check share: a line log that a test can read while it grows,
// small key=value text files, and the names of variant types, invoke flags, HRESULTs and
// interface IDs as the logs write them.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace standin {

// Owns a kernel handle (file, process); INVALID_HANDLE_VALUE and null both mean none.
class Handle {
public:
    Handle() = default;
    explicit Handle(HANDLE h) : h_(h == INVALID_HANDLE_VALUE ? nullptr : h) {}
    Handle(Handle&& o) noexcept : h_(o.h_) { o.h_ = nullptr; }
    Handle& operator=(Handle&& o) noexcept {
        if (this != &o) {
            Reset();
            h_ = o.h_;
            o.h_ = nullptr;
        }
        return *this;
    }
    ~Handle() { Reset(); }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;

    HANDLE get() const { return h_; }
    explicit operator bool() const { return h_ != nullptr; }
    void Reset() {
        if (h_) CloseHandle(h_);
        h_ = nullptr;
    }

private:
    HANDLE h_ = nullptr;
};

// Owns a VARIANT: cleared on destruction, moved rather than copied.
class Variant {
public:
    Variant() { VariantInit(&v_); }
    Variant(Variant&& o) noexcept : v_(o.v_) { VariantInit(&o.v_); }
    Variant& operator=(Variant&& o) noexcept {
        if (this != &o) {
            VariantClear(&v_);
            v_ = o.v_;
            VariantInit(&o.v_);
        }
        return *this;
    }
    ~Variant() { VariantClear(&v_); }
    Variant(const Variant&) = delete;
    Variant& operator=(const Variant&) = delete;

    static Variant Int(LONG value);
    static Variant Short(SHORT value);
    static Variant Float(float value);
    static Variant String(std::wstring_view text);
    // Takes over the reference the caller holds.
    static Variant Object(IDispatch* object);
    // The placeholder of an omitted optional argument.
    static Variant Missing();

    VARIANT& operator*() { return v_; }
    const VARIANT& operator*() const { return v_; }
    VARIANT* operator->() { return &v_; }
    const VARIANT* operator->() const { return &v_; }
    // Hands the VARIANT to the caller, leaving this one empty.
    VARIANT Release() {
        VARIANT out = v_;
        VariantInit(&v_);
        return out;
    }

private:
    VARIANT v_;
};

// Owns a BSTR.
class Bstr {
public:
    Bstr() = default;
    explicit Bstr(std::wstring_view text) : s_(SysAllocStringLen(text.data(), UINT(text.size()))) {}
    Bstr(Bstr&& o) noexcept : s_(o.s_) { o.s_ = nullptr; }
    ~Bstr() { SysFreeString(s_); }
    Bstr(const Bstr&) = delete;
    Bstr& operator=(const Bstr&) = delete;

    BSTR get() const { return s_; }
    BSTR* out() {
        SysFreeString(s_);
        s_ = nullptr;
        return &s_;
    }
    std::wstring str() const { return s_ ? std::wstring(s_, SysStringLen(s_)) : std::wstring(); }

private:
    BSTR s_ = nullptr;
};

std::string Utf8(std::wstring_view text);
std::wstring Wide(std::string_view utf8);

// Appends `line` and a '\n' to the file, creating it. One write on a handle opened for
// appending and closed again: a reader sees whole lines at once, another writer's lines are
// never cut, and the test may delete the file between calls. False when it cannot be written.
bool AppendLine(const std::wstring& path, std::string_view line);

// A variable of the process environment as it is now. (getenv reads the C runtime's copy,
// which misses SetEnvironmentVariable calls made after start-up.) Empty when unset.
std::wstring EnvironmentValue(const wchar_t* name);

// Handles this thread's messages for `ms` milliseconds, so that its windows stay alive.
void PumpMessages(DWORD ms);

// The folder of a loaded module (null: the program), with a trailing backslash.
std::wstring ModuleFolder(HMODULE module);

// Reads a whole file of at most max_bytes. On failure returns nullopt and says why in `error`.
std::optional<std::string> ReadSmallFile(const std::wstring& path, size_t max_bytes, std::string& error);

// One line of a key=value file. A line without '=' is a flag: its value is empty and
// has_value is false.
struct Setting {
    int line = 0;
    std::string key, value;
    bool has_value = false;
};

// Splits text into settings: lines "key=value" or "flag"; blank lines and lines starting with
// '#' are skipped; a leading UTF-8 byte-order mark and CR line ends are allowed; spaces around
// keys and values are dropped. Returns the lines whose key is one of `known`. `error` is left
// empty, or says what is wrong with the first bad line ("line 3: unknown key \"frame\"": that
// line is left out) or with the whole text (then nothing is returned).
std::vector<Setting> ParseSettings(std::string_view text, const std::vector<std::string_view>& known,
                                   std::string& error);
// ReadSmallFile then ParseSettings; the error names the file.
std::vector<Setting> ReadSettings(const std::wstring& path, const std::vector<std::string_view>& known,
                                  std::string& error);
// "line 2: frames=\"abc\" is not <expected>"
std::string ValueError(const Setting& s, std::string_view expected);

// Strict value parsers: the whole text must be the value, within the range given.
std::optional<long long> ParseInteger(std::string_view text, long long min, long long max);
std::optional<double> ParseNumber(std::string_view text, double min, double max);
std::optional<COLORREF> ParseColor(std::string_view rrggbb);
// "0x80070002" (or decimal); only failure codes (the top bit set) are accepted.
std::optional<HRESULT> ParseFailureCode(std::string_view text);

// How the logs write things.
std::string Quoted(std::wstring_view text);      // "text", with \" and \xHH for controls
std::string VariantText(const VARIANT& v);       // VT_I4:-1, VT_BSTR:"a", VT_BYREF|VT_I2:3, VT_EMPTY
std::string VarTypeName(VARTYPE vt);             // VT_I4, VT_BYREF|VT_BOOL, VT_0x0048
std::string InvokeFlagsText(WORD flags);         // METHOD|PROPERTYGET
std::string HresultName(HRESULT hr);             // S_OK, DISP_E_EXCEPTION, 0x80070002
std::string InterfaceName(REFIID iid);           // IOleObject, or the GUID in braces
std::string GuidText(REFGUID guid);              // {D27CDB6E-AE6D-11CF-96B8-444553540000}
std::string RectText(const RECT* r);             // 0,0,1024,768 or null
std::string ColorText(COLORREF c);               // RRGGBB
std::string NumberText(double value);            // 2, 0.5, 12.25 (%g)

bool EqualNoCase(std::wstring_view a, std::wstring_view b);

}  // namespace standin
