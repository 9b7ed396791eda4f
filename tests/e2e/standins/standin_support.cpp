#include "standin_support.h"

#include <ocidl.h>
#include <oleidl.h>

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <iterator>

namespace standin {

Variant Variant::Int(LONG value) {
    Variant v;
    v->vt = VT_I4;
    v->lVal = value;
    return v;
}

Variant Variant::Short(SHORT value) {
    Variant v;
    v->vt = VT_I2;
    v->iVal = value;
    return v;
}

Variant Variant::Float(float value) {
    Variant v;
    v->vt = VT_R4;
    v->fltVal = value;
    return v;
}

Variant Variant::String(std::wstring_view text) {
    Variant v;
    v->vt = VT_BSTR;
    v->bstrVal = SysAllocStringLen(text.data(), UINT(text.size()));
    return v;
}

Variant Variant::Object(IDispatch* object) {
    Variant v;
    v->vt = VT_DISPATCH;
    v->pdispVal = object;
    return v;
}

Variant Variant::Missing() {
    Variant v;
    v->vt = VT_ERROR;
    v->scode = DISP_E_PARAMNOTFOUND;
    return v;
}

std::string Utf8(std::wstring_view text) {
    if (text.empty()) return {};
    const int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), int(text.size()), nullptr, 0, nullptr, nullptr);
    std::string out(size_t(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), int(text.size()), out.data(), n, nullptr, nullptr);
    return out;
}

std::wstring Wide(std::string_view utf8) {
    if (utf8.empty()) return {};
    const int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), int(utf8.size()), nullptr, 0);
    std::wstring out(size_t(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), int(utf8.size()), out.data(), n);
    return out;
}

bool AppendLine(const std::wstring& path, std::string_view line) {
    Handle file(CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                            nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    std::string text(line);
    text += '\n';
    DWORD written = 0;
    return WriteFile(file.get(), text.data(), DWORD(text.size()), &written, nullptr) && written == text.size();
}

std::wstring EnvironmentValue(const wchar_t* name) {
    std::wstring value(256, L'\0');
    for (;;) {
        const DWORD n = GetEnvironmentVariableW(name, value.data(), DWORD(value.size()));
        if (n == 0) return {};
        if (n < value.size()) {
            value.resize(n);
            return value;
        }
        value.resize(n);  // n counts the terminator when the buffer was too small
    }
}

void PumpMessages(DWORD ms) {
    const ULONGLONG until = GetTickCount64() + ms;
    for (ULONGLONG now = GetTickCount64(); now < until; now = GetTickCount64()) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, DWORD(until - now), QS_ALLINPUT);
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
}

std::wstring ModuleFolder(HMODULE module) {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = GetModuleFileNameW(module, path.data(), DWORD(path.size()));
        if (n == 0) return {};
        if (n < path.size()) {
            path.resize(n);
            break;
        }
        path.resize(path.size() * 2);
    }
    return path.substr(0, path.find_last_of(L"\\/") + 1);
}

std::optional<std::string> ReadSmallFile(const std::wstring& path, size_t max_bytes, std::string& error) {
    Handle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        const DWORD code = GetLastError();
        error = Quoted(path) + ": cannot open (error " + std::to_string(code) + ")";
        return std::nullopt;
    }
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file.get(), &size)) {
        error = Quoted(path) + ": cannot read its size";
        return std::nullopt;
    }
    if (size.QuadPart > LONGLONG(max_bytes)) {
        error = Quoted(path) + ": larger than " + std::to_string(max_bytes) + " bytes";
        return std::nullopt;
    }
    std::string text(size_t(size.QuadPart), '\0');
    DWORD got = 0;
    const bool read = text.empty() || (ReadFile(file.get(), text.data(), DWORD(text.size()), &got, nullptr) &&
                                       got == text.size());
    if (!read) {
        error = Quoted(path) + ": cannot read";
        return std::nullopt;
    }
    return text;
}

namespace {

std::string_view Trim(std::string_view s) {
    const auto first = s.find_first_not_of(" \t\r");
    if (first == std::string_view::npos) return {};
    const auto last = s.find_last_not_of(" \t\r");
    return s.substr(first, last - first + 1);
}

}  // namespace

std::vector<Setting> ParseSettings(std::string_view text, const std::vector<std::string_view>& known,
                                   std::string& error) {
    error.clear();
    if (text.find('\0') != std::string_view::npos) {
        error = "not a text file (it contains a NUL byte)";
        return {};
    }
    if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
    std::vector<Setting> out;
    int number = 0;
    while (!text.empty()) {
        const auto end = text.find('\n');
        const std::string_view raw = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        ++number;
        const std::string_view line = Trim(raw);
        if (line.empty() || line[0] == '#') continue;
        Setting s;
        s.line = number;
        const auto eq = line.find('=');
        s.key = std::string(Trim(line.substr(0, eq)));
        if (eq != std::string_view::npos) {
            s.value = std::string(Trim(line.substr(eq + 1)));
            s.has_value = true;
        }
        bool is_known = false;
        for (auto k : known) is_known = is_known || k == s.key;
        if (is_known) {
            out.push_back(std::move(s));
        } else if (error.empty()) {
            error = "line " + std::to_string(number) + ": unknown key " + Quoted(Wide(s.key));
        }
    }
    return out;
}

std::vector<Setting> ReadSettings(const std::wstring& path, const std::vector<std::string_view>& known,
                                  std::string& error) {
    constexpr size_t kMaxBytes = 64 * 1024;  // settings files are a few lines; anything bigger is a mistake
    auto text = ReadSmallFile(path, kMaxBytes, error);
    if (!text) return {};
    auto settings = ParseSettings(*text, known, error);
    if (!error.empty()) error = Quoted(path) + ": " + error;
    return settings;
}

std::string ValueError(const Setting& s, std::string_view expected) {
    return "line " + std::to_string(s.line) + ": " + s.key + "=" + Quoted(Wide(s.value)) + " is not " +
           std::string(expected);
}

std::optional<long long> ParseInteger(std::string_view text, long long min, long long max) {
    long long value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || value < min || value > max) return std::nullopt;
    return value;
}

std::optional<double> ParseNumber(std::string_view text, double min, double max) {
    // from_chars for doubles is missing from this toolchain's library; strtod on a bounded copy.
    if (text.empty() || text.size() > 32 || text.find_first_not_of("0123456789.+-eE") != std::string_view::npos)
        return std::nullopt;
    const std::string copy(text);
    char* end = nullptr;
    const double value = std::strtod(copy.c_str(), &end);
    if (end != copy.c_str() + copy.size() || !std::isfinite(value) || value < min || value > max) return std::nullopt;
    return value;
}

std::optional<COLORREF> ParseColor(std::string_view rrggbb) {
    if (rrggbb.size() != 6) return std::nullopt;
    unsigned value = 0;
    const auto [end, ec] = std::from_chars(rrggbb.data(), rrggbb.data() + 6, value, 16);
    if (ec != std::errc() || end != rrggbb.data() + 6) return std::nullopt;
    return RGB((value >> 16) & 0xFF, (value >> 8) & 0xFF, value & 0xFF);
}

std::optional<HRESULT> ParseFailureCode(std::string_view text) {
    unsigned long long value = 0;
    const bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
    const std::string_view digits = hex ? text.substr(2) : text;
    const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), value, hex ? 16 : 10);
    if (digits.empty() || ec != std::errc() || end != digits.data() + digits.size() || value > 0xFFFFFFFFull ||
        !(value & 0x80000000ull))
        return std::nullopt;
    return HRESULT(unsigned(value));
}

std::string Quoted(std::wstring_view text) {
    std::string out = "\"";
    for (char c : Utf8(text)) {
        const auto u = static_cast<unsigned char>(c);
        if (c == '"') {
            out += "\\\"";
        } else if (u < 0x20 || u == 0x7F) {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X", u);
            out += hex;
        } else {
            out += c;
        }
    }
    return out + "\"";
}

std::string VarTypeName(VARTYPE vt) {
    static const char* const kBase[] = {
        "VT_EMPTY", "VT_NULL",    "VT_I2",   "VT_I4",      "VT_R4",   "VT_R8",   "VT_CY",  "VT_DATE",
        "VT_BSTR",  "VT_DISPATCH", "VT_ERROR", "VT_BOOL",   "VT_VARIANT", "VT_UNKNOWN", "VT_DECIMAL", nullptr,
        "VT_I1",    "VT_UI1",     "VT_UI2",  "VT_UI4",     "VT_I8",   "VT_UI8",  "VT_INT", "VT_UINT"};
    std::string out;
    if (vt & VT_BYREF) out += "VT_BYREF|";
    if (vt & VT_ARRAY) out += "VT_ARRAY|";
    const VARTYPE base = vt & VT_TYPEMASK;
    if (base < std::size(kBase) && kBase[base]) return out + kBase[base];
    char hex[16];
    std::snprintf(hex, sizeof hex, "VT_0x%04X", unsigned(base));
    return out + hex;
}

std::string VariantText(const VARIANT& v) {
    const VARTYPE vt = v.vt;
    const std::string name = VarTypeName(vt);
    if (vt & VT_ARRAY) return name;
    if ((vt & VT_BYREF) && !v.byref) return name + ":null";
    const VARTYPE base = vt & VT_TYPEMASK;
    if (base == VT_EMPTY || base == VT_NULL) return name;
    if (base == VT_VARIANT) {  // only as VT_BYREF|VT_VARIANT: show what it points at
        return (vt & VT_BYREF) ? "VT_BYREF|" + VariantText(*v.pvarVal) : name;
    }
    if (base == VT_DISPATCH || base == VT_UNKNOWN) {
        const void* p = (vt & VT_BYREF) ? static_cast<void*>(*v.ppunkVal) : static_cast<void*>(v.punkVal);
        return p ? name : name + ":null";
    }
    if (base == VT_BSTR) return name + ":" + Quoted((vt & VT_BYREF) ? *v.pbstrVal : v.bstrVal);
    if (base == VT_ERROR) {
        char hex[16];
        std::snprintf(hex, sizeof hex, "0x%08lX", (unsigned long)((vt & VT_BYREF) ? *v.pscode : v.scode));
        return name + ":" + hex;
    }
    // Everything else through the system's own conversion to text, in the invariant locale.
    VARIANT text;
    VariantInit(&text);
    std::string out = name;
    if (SUCCEEDED(VariantChangeTypeEx(&text, const_cast<VARIANT*>(&v), LOCALE_INVARIANT, 0, VT_BSTR)))
        out += ":" + Utf8(std::wstring_view(text.bstrVal, SysStringLen(text.bstrVal)));
    VariantClear(&text);
    return out;
}

std::string InvokeFlagsText(WORD flags) {
    static const std::pair<WORD, const char*> kFlags[] = {{DISPATCH_METHOD, "METHOD"},
                                                          {DISPATCH_PROPERTYGET, "PROPERTYGET"},
                                                          {DISPATCH_PROPERTYPUT, "PROPERTYPUT"},
                                                          {DISPATCH_PROPERTYPUTREF, "PROPERTYPUTREF"}};
    std::string out;
    WORD rest = flags;
    for (auto [bit, name] : kFlags) {
        if (!(flags & bit)) continue;
        out += (out.empty() ? "" : "|") + std::string(name);
        rest &= WORD(~bit);
    }
    if (rest || out.empty()) {
        char hex[16];
        std::snprintf(hex, sizeof hex, "0x%X", unsigned(rest));
        out += (out.empty() ? "" : "|") + std::string(hex);
    }
    return out;
}

std::string HresultName(HRESULT hr) {
    static const std::pair<HRESULT, const char*> kNames[] = {
        {S_OK, "S_OK"},
        {S_FALSE, "S_FALSE"},
        {E_FAIL, "E_FAIL"},
        {E_NOTIMPL, "E_NOTIMPL"},
        {E_NOINTERFACE, "E_NOINTERFACE"},
        {E_POINTER, "E_POINTER"},
        {E_INVALIDARG, "E_INVALIDARG"},
        {E_UNEXPECTED, "E_UNEXPECTED"},
        {E_OUTOFMEMORY, "E_OUTOFMEMORY"},
        {DISP_E_UNKNOWNINTERFACE, "DISP_E_UNKNOWNINTERFACE"},
        {DISP_E_MEMBERNOTFOUND, "DISP_E_MEMBERNOTFOUND"},
        {DISP_E_PARAMNOTFOUND, "DISP_E_PARAMNOTFOUND"},
        {DISP_E_TYPEMISMATCH, "DISP_E_TYPEMISMATCH"},
        {DISP_E_UNKNOWNNAME, "DISP_E_UNKNOWNNAME"},
        {DISP_E_NONAMEDARGS, "DISP_E_NONAMEDARGS"},
        {DISP_E_BADVARTYPE, "DISP_E_BADVARTYPE"},
        {DISP_E_EXCEPTION, "DISP_E_EXCEPTION"},
        {DISP_E_OVERFLOW, "DISP_E_OVERFLOW"},
        {DISP_E_BADINDEX, "DISP_E_BADINDEX"},
        {DISP_E_BADPARAMCOUNT, "DISP_E_BADPARAMCOUNT"},
        {DISP_E_PARAMNOTOPTIONAL, "DISP_E_PARAMNOTOPTIONAL"},
        {CLASS_E_NOAGGREGATION, "CLASS_E_NOAGGREGATION"},
        {CLASS_E_CLASSNOTAVAILABLE, "CLASS_E_CLASSNOTAVAILABLE"},
        {CO_E_SERVER_STOPPING, "CO_E_SERVER_STOPPING"},
        {OLE_E_ADVISENOTSUPPORTED, "OLE_E_ADVISENOTSUPPORTED"},
        {OLE_E_NOT_INPLACEACTIVE, "OLE_E_NOT_INPLACEACTIVE"},
        {OLE_S_USEREG, "OLE_S_USEREG"},
        {OLEOBJ_E_NOVERBS, "OLEOBJ_E_NOVERBS"},
        {DV_E_DVASPECT, "DV_E_DVASPECT"},
        {MK_E_UNAVAILABLE, "MK_E_UNAVAILABLE"},
    };
    for (auto [code, name] : kNames)
        if (code == hr) return name;
    char hex[16];
    std::snprintf(hex, sizeof hex, "0x%08lX", (unsigned long)hr);
    return hex;
}

std::string GuidText(REFGUID g) {
    char text[40];
    std::snprintf(text, sizeof text, "{%08lX-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}", (unsigned long)g.Data1,
                  g.Data2, g.Data3, g.Data4[0], g.Data4[1], g.Data4[2], g.Data4[3], g.Data4[4], g.Data4[5], g.Data4[6],
                  g.Data4[7]);
    return text;
}

std::string InterfaceName(REFIID iid) {
    // The interfaces an OLE container or Wine's OLE functions ask a control for.
    static const std::pair<const IID*, const char*> kNames[] = {
        {&IID_IUnknown, "IUnknown"},
        {&IID_IDispatch, "IDispatch"},
        {&IID_IClassFactory, "IClassFactory"},
        {&IID_IOleObject, "IOleObject"},
        {&IID_IOleWindow, "IOleWindow"},
        {&IID_IOleInPlaceObject, "IOleInPlaceObject"},
        {&IID_IOleInPlaceObjectWindowless, "IOleInPlaceObjectWindowless"},
        {&IID_IOleInPlaceActiveObject, "IOleInPlaceActiveObject"},
        {&IID_IPersist, "IPersist"},
        {&IID_IPersistStreamInit, "IPersistStreamInit"},
        {&IID_IPersistStorage, "IPersistStorage"},
        {&IID_IPersistPropertyBag, "IPersistPropertyBag"},
        {&IID_IRunnableObject, "IRunnableObject"},
        {&IID_IOleCache, "IOleCache"},
        {&IID_IOleCache2, "IOleCache2"},
        {&IID_IOleControl, "IOleControl"},
        {&IID_IViewObject, "IViewObject"},
        {&IID_IViewObject2, "IViewObject2"},
        {&IID_IDataObject, "IDataObject"},
        {&IID_IQuickActivate, "IQuickActivate"},
        {&IID_IProvideClassInfo, "IProvideClassInfo"},
        {&IID_IProvideClassInfo2, "IProvideClassInfo2"},
        {&IID_IConnectionPointContainer, "IConnectionPointContainer"},
        {&IID_IObjectWithSite, "IObjectWithSite"},
        {&IID_IMarshal, "IMarshal"},
        {&IID_IExternalConnection, "IExternalConnection"},
        {&IID_IStdMarshalInfo, "IStdMarshalInfo"},
        {&IID_IClientSecurity, "IClientSecurity"},
    };
    for (auto [id, name] : kNames)
        if (IsEqualIID(*id, iid)) return name;
    return GuidText(iid);
}

std::string RectText(const RECT* r) {
    if (!r) return "null";
    return std::to_string(r->left) + "," + std::to_string(r->top) + "," + std::to_string(r->right) + "," +
           std::to_string(r->bottom);
}

std::string ColorText(COLORREF c) {
    char text[8];
    std::snprintf(text, sizeof text, "%02X%02X%02X", GetRValue(c), GetGValue(c), GetBValue(c));
    return text;
}

std::string NumberText(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%g", value);
    return text;
}

bool EqualNoCase(std::wstring_view a, std::wstring_view b) {
    // Ordinal, case-insensitive: what GetIDsOfNames of a type-library server does with names.
    return CompareStringOrdinal(a.data(), int(a.size()), b.data(), int(b.size()), TRUE) == CSTR_EQUAL;
}

}  // namespace standin
