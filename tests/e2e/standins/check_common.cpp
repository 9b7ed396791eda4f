#include "check_common.h"

#include <cstdio>

using namespace standin;

namespace check {

namespace {
int g_failures = 0;
}

std::wstring g_work, g_standins;

void Fail(const std::string& what) {
    std::printf("    FAIL: %s\n", what.c_str());
    std::fflush(stdout);
    ++g_failures;
}

int Failures() { return g_failures; }

void Note(const std::string& text) {
    std::printf("    %s\n", text.c_str());
    std::fflush(stdout);
}

void ExpectEq(const std::string& what, const std::string& got, const std::string& want) {
    if (got != want) Fail(what + ":\n          expected: " + want + "\n          got:      " + got);
}

void ExpectEq(const std::string& what, long long got, long long want) {
    if (got != want) Fail(what + ": expected " + std::to_string(want) + ", got " + std::to_string(got));
}

void ExpectHr(const std::string& what, HRESULT got, HRESULT want) {
    if (got != want) Fail(what + ": expected " + HresultName(want) + ", got " + HresultName(got));
}

std::wstring WorkFile(std::wstring_view name) { return g_work + L"\\" + std::wstring(name); }

std::string Expand(std::string_view text) { return Utf8(Expand(Wide(text))); }

std::wstring Expand(std::wstring_view text) {
    std::wstring out(text);
    for (size_t at = out.find(L"%WORK%"); at != std::wstring::npos; at = out.find(L"%WORK%", at + g_work.size()))
        out.replace(at, 6, g_work);
    return out;
}

bool WriteText(const std::wstring& path, std::string_view text) {
    Handle file(CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                            nullptr));
    DWORD written = 0;
    const bool ok = file && WriteFile(file.get(), text.data(), DWORD(text.size()), &written, nullptr) &&
                    written == text.size();
    if (!ok) Fail("cannot write " + Utf8(path));
    return ok;
}

std::vector<std::string> LogLines(const std::wstring& path) {
    std::string error;
    const auto text = ReadSmallFile(path, 16 << 20, error);
    std::vector<std::string> lines;
    if (!text) return lines;
    size_t start = 0;
    while (start < text->size()) {
        size_t end = text->find('\n', start);
        if (end == std::string::npos) end = text->size();
        std::string line = text->substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(std::move(line));
        start = end + 1;
    }
    return lines;
}

std::string LastLine(const std::wstring& path, size_t back) {
    const auto lines = LogLines(path);
    return lines.size() > back ? lines[lines.size() - 1 - back] : std::string();
}

bool Contains(const std::vector<std::string>& lines, std::string_view line) {
    for (const auto& l : lines)
        if (l == line) return true;
    return false;
}

void ExpectScreenColor(const std::string& name, POINT point, COLORREF color) {
    PumpMessages(300);  // let the windows paint and reach the X server first
    const std::wstring go = WorkFile(Wide(name) + L".go");
    DeleteFileW(go.c_str());
    AppendLine(WorkFile(L"report.txt"), "expect-color " + name + " " + std::to_string(point.x) + " " +
                                            std::to_string(point.y) + " " + ColorText(color));
    for (int waited = 0; GetFileAttributesW(go.c_str()) == INVALID_FILE_ATTRIBUTES; waited += 50) {
        if (waited >= 30000) return Fail("the script never compared the screen for " + name);
        PumpMessages(50);
    }
}

Variant MakeArg(const Arg& a) {
    switch (a.vt) {
    case VT_I2:
        return Variant::Short(SHORT(a.number));
    case VT_BSTR:
        return Variant::String(Expand(a.text ? a.text : L""));
    case VT_ERROR:
        return Variant::Missing();
    case VT_DISPATCH:
        return Variant::Object(nullptr);
    case VT_BOOL: {
        Variant v;
        v->vt = VT_BOOL;
        v->boolVal = a.number ? VARIANT_TRUE : VARIANT_FALSE;
        return v;
    }
    default:
        return Variant::Int(a.number);
    }
}

DISPID IdOf(IDispatch* object, const wchar_t* name) {
    DISPID id = DISPID_UNKNOWN;
    auto* names = const_cast<LPOLESTR>(name);
    const HRESULT hr = object->GetIDsOfNames(IID_NULL, &names, 1, LOCALE_USER_DEFAULT, &id);
    if (FAILED(hr)) Fail("GetIDsOfNames " + Utf8(name) + " -> " + HresultName(hr));
    return id;
}

Result Invoke(IDispatch* object, DISPID id, WORD flags, std::vector<Variant> args, const std::vector<DISPID>& named) {
    // rgvarg holds the named arguments first, then the positional ones from last to first.
    const size_t positional = args.size() - named.size();
    std::vector<VARIANT> rgvarg;
    for (size_t k = 0; k < named.size(); ++k) rgvarg.push_back(*args[positional + k]);
    for (size_t k = positional; k-- > 0;) rgvarg.push_back(*args[k]);
    std::vector<DISPID> ids = named;
    DISPPARAMS params{rgvarg.data(), ids.data(), UINT(rgvarg.size()), UINT(ids.size())};
    Result r;
    EXCEPINFO excep{};
    r.hr = object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, &*r.value, &excep, &r.arg_error);
    auto text = [](BSTR b) { return b ? std::wstring(b, SysStringLen(b)) : std::wstring(); };
    r.description = text(excep.bstrDescription);
    r.source = text(excep.bstrSource);
    SysFreeString(excep.bstrDescription);
    SysFreeString(excep.bstrSource);
    SysFreeString(excep.bstrHelpFile);
    r.scode = excep.scode;
    return r;
}

Result Get(IDispatch* object, const wchar_t* name) {
    return Invoke(object, IdOf(object, name), DISPATCH_PROPERTYGET, {});
}

Result Put(IDispatch* object, const wchar_t* name, Variant value) {
    return Invoke(object, IdOf(object, name), DISPATCH_PROPERTYPUT, Args(std::move(value)), {DISPID_PROPERTYPUT});
}

Result Method(IDispatch* object, const wchar_t* name, std::vector<Variant> args) {
    return Invoke(object, IdOf(object, name), DISPATCH_METHOD, std::move(args));
}

ComPtr<IDispatch> ObjectOf(const Result& r) {
    ComPtr<IDispatch> out;
    if (SUCCEEDED(r.hr) && r.value->vt == VT_DISPATCH) out = r.value->pdispVal;
    return out;
}

void RunCase(IDispatch* object, const Case& c, const std::wstring& log) {
    std::vector<Variant> args;
    for (const Arg& a : c.args) args.push_back(MakeArg(a));
    const DISPID id = c.member ? IdOf(object, c.member) : c.id;
    const Result r = Invoke(object, id, c.flags, std::move(args), c.named);
    ExpectHr(c.what, r.hr, c.want);
    if (!c.log.empty()) ExpectEq(std::string(c.what) + ": log line", LastLine(log), Expand(c.log));
}

}  // namespace check
