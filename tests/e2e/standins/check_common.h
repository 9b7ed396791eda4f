// The self-check's tools: failure counting, files in the work folder, screen colour checks done
// by the driving script, and IDispatch calls with their outcome.
#pragma once

#include "standin_support.h"

#include <wrl/client.h>

#include <string>
#include <string_view>
#include <vector>

namespace check {

using Microsoft::WRL::ComPtr;
using standin::Variant;

// --- Reporting ------------------------------------------------------------------------------
void Fail(const std::string& what);
int Failures();
void Note(const std::string& text);
void ExpectEq(const std::string& what, const std::string& got, const std::string& want);
void ExpectEq(const std::string& what, long long got, long long want);
void ExpectHr(const std::string& what, HRESULT got, HRESULT want);

// --- Files ----------------------------------------------------------------------------------
// The work folder (no trailing backslash) and the folder of the registered stand-ins.
extern std::wstring g_work, g_standins;
std::wstring WorkFile(std::wstring_view name);
// Replaces %WORK% with the work folder.
std::string Expand(std::string_view text);
std::wstring Expand(std::wstring_view text);
bool WriteText(const std::wstring& path, std::string_view text);
// A log's lines without their line ends; empty when it does not exist.
std::vector<std::string> LogLines(const std::wstring& path);
// The line `back` lines before the last one, or "" when there is none.
std::string LastLine(const std::wstring& path, size_t back = 0);
bool Contains(const std::vector<std::string>& lines, std::string_view line);

// --- Screen ---------------------------------------------------------------------------------
using standin::PumpMessages;
// Asks the driving script to compare the screen at `point` with `color` ("expect-color NAME X Y
// RRGGBB" in report.txt) and waits, handling messages so windows keep painting, until it has
// (it creates NAME.go).
void ExpectScreenColor(const std::string& name, POINT point, COLORREF color);

// --- Automation calls -----------------------------------------------------------------------
// An argument as a table writes it: VT_I4, VT_I2, VT_BOOL (number), VT_BSTR (text, %WORK%
// expanded), VT_ERROR (the "missing" placeholder), VT_DISPATCH (a null object).
struct Arg {
    VARTYPE vt;
    LONG number = 0;
    const wchar_t* text = nullptr;
};
Variant MakeArg(const Arg& a);

struct Result {
    HRESULT hr = E_FAIL;
    Variant value;
    std::wstring description, source;  // from EXCEPINFO
    HRESULT scode = S_OK;
    UINT arg_error = UINT(-1);
};

DISPID IdOf(IDispatch* object, const wchar_t* name);
// `args` in call order; the last named.size() of them are passed as named arguments with
// those DISPIDs.
Result Invoke(IDispatch* object, DISPID id, WORD flags, std::vector<Variant> args,
              const std::vector<DISPID>& named = {});
Result Get(IDispatch* object, const wchar_t* name);
Result Put(IDispatch* object, const wchar_t* name, Variant value);
Result Method(IDispatch* object, const wchar_t* name, std::vector<Variant> args = {});
ComPtr<IDispatch> ObjectOf(const Result& r);

template <class... V>
std::vector<Variant> Args(V&&... values) {
    std::vector<Variant> out;
    (out.push_back(std::move(values)), ...);
    return out;
}

// One call with a wrong or right way of calling, what it must return and the line it must
// leave last in the log ("" when not checked; %WORK% expanded).
struct Case {
    const char* what;
    const wchar_t* member;  // looked up by name; null: `id` is used as it is
    DISPID id;
    WORD flags;
    std::vector<Arg> args;
    std::vector<DISPID> named;
    HRESULT want;
    std::string log;
};
void RunCase(IDispatch* object, const Case& c, const std::wstring& log);

}  // namespace check
