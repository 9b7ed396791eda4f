// IDispatch by table, as strict as a server whose dispatch goes through a type library: a
// member is found by name (case-insensitive) or DISPID, the invoke flags must fit what the
// member is, a put needs the named argument DISPID_PROPERTYPUT, the argument count must fit,
// and each argument is converted to its declared type with VariantChangeType. Every call is
// written to the log as one line:
//   <Object>.<Member> <FLAGS> [<arguments>] -> <HRESULT> [<result> | "<error description>"]
// Arguments appear as Name=VT_xx:value in declared order once they are matched to the
// parameters (Name=missing for an omitted optional one), as value=VT_xx:value for a put, and
// in call order as #1=..., [dispid]=... (named) when the call is refused before that.
#pragma once

#include "standin_support.h"

#include <functional>
#include <string>
#include <vector>

namespace standin {

enum Access : unsigned { kGet = 1, kPut = 2, kMethod = 4 };

struct Param {
    const wchar_t* name;
    VARTYPE type;  // what the argument is converted to; VT_VARIANT takes it as it comes
    bool optional = false;
    LONG default_value = 0;  // the VT_I4 value an omitted optional argument gets
};

struct Member {
    const wchar_t* name;
    DISPID id;
    unsigned access;                 // kGet, kPut, kMethod, combined
    VARTYPE value_type = VT_EMPTY;   // the type a put converts its value to
    std::vector<Param> params = {};  // a method's parameters in declared order
};

struct Interface {
    const char* log_name;   // the object's name in log lines
    const wchar_t* source;  // the EXCEPINFO source of the errors it raises
    std::vector<Member> members;

    const Member* Find(DISPID id) const;
};

// A call as the object's implementation sees it: flags, names, count and types already checked.
struct Call {
    const Member& member;
    Access access;                // the one chosen from the flags
    std::vector<Variant> args;    // a method's, one per declared parameter; a put's value
    Variant result;               // what a get or method returns
    std::wstring error;           // with a failure HRESULT: raised as DISP_E_EXCEPTION with this text
};

using Perform = std::function<HRESULT(Call&)>;
using LogLine = std::function<void(const std::string&)>;

HRESULT GetIdsOfNames(const Interface& i, REFIID riid, LPOLESTR* names, UINT count, DISPID* ids, const LogLine& log);

HRESULT Invoke(const Interface& i, DISPID id, REFIID riid, WORD flags, DISPPARAMS* params, VARIANT* result,
               EXCEPINFO* excep, UINT* arg_error, const Perform& perform, const LogLine& log);

// Fills an EXCEPINFO (when there is one) the way the stand-ins raise errors.
void FillExcepInfo(EXCEPINFO* excep, const wchar_t* source, const std::wstring& description, HRESULT scode);

}  // namespace standin
