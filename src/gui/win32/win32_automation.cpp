#include "gui/win32/win32_automation.h"

#include <cstdio>
#include <vector>

#include "gui/win32/win32_backend.h"

namespace scr {

namespace {

std::string TrimmedRight(std::string text) {
    while (!text.empty() && static_cast<unsigned char>(text.back()) <= ' ') text.pop_back();
    return text;
}

// One VARIANT owned by the caller: cleared (its string freed, its reference released) on
// every path.
struct OwnedVariant {
    VARIANT v;
    OwnedVariant() { VariantInit(&v); }
    ~OwnedVariant() { VariantClear(&v); }
    OwnedVariant(const OwnedVariant&) = delete;
    OwnedVariant& operator=(const OwnedVariant&) = delete;
};
// An array of them is an array of VARIANTs, as DISPPARAMS wants.
static_assert(sizeof(OwnedVariant) == sizeof(VARIANT));

// The server's error record; its strings are ours to free.
struct ExceptionInfo {
    EXCEPINFO e{};
    ExceptionInfo() = default;
    ~ExceptionInfo() {
        SysFreeString(e.bstrSource);
        SysFreeString(e.bstrDescription);
        SysFreeString(e.bstrHelpFile);
    }
    ExceptionInfo(const ExceptionInfo&) = delete;
    ExceptionInfo& operator=(const ExceptionInfo&) = delete;

    // The error the server raised (Invoke answered DISP_E_EXCEPTION): its description, else the
    // system's text for its code.
    [[noreturn]] void Raise(HRESULT hr) {
        // A server may leave the record to be filled only when someone asks.
        if (e.pfnDeferredFillIn != nullptr) {
            auto fill = e.pfnDeferredFillIn;
            e.pfnDeferredFillIn = nullptr;
            fill(&e);
        }
        const HRESULT code = FAILED(e.scode) ? e.scode : hr;
        const UINT n = e.bstrDescription != nullptr ? SysStringLen(e.bstrDescription) : 0;
        const std::string description = TrimmedRight(WideToAnsi(e.bstrDescription, n));
        throw EOleException(description.empty() ? OleErrorText(code) : description, code);
    }
};

BSTR NewBstr(const std::string& ansi) {
    const std::wstring wide = AnsiToWide(ansi);
    BSTR b = SysAllocStringLen(wide.data(), UINT(wide.size()));
    if (b == nullptr) throw EOleException(OleErrorText(E_OUTOFMEMORY), E_OUTOFMEMORY);
    return b;
}

// out must be empty (VT_EMPTY); what it receives is owned by it.
void ToVariant(const Variant& in, VARIANT& out) {
    if (const auto* i = std::get_if<int32_t>(&in)) {
        out.vt = VT_I4;
        out.lVal = *i;
    } else if (const auto* b = std::get_if<bool>(&in)) {
        out.vt = VT_BOOL;
        out.boolVal = *b ? VARIANT_TRUE : VARIANT_FALSE;
    } else if (const auto* d = std::get_if<double>(&in)) {
        out.vt = VT_R8;
        out.dblVal = *d;
    } else if (const auto* s = std::get_if<std::string>(&in)) {
        out.bstrVal = NewBstr(*s);
        out.vt = VT_BSTR;
    } else if (const auto* o = std::get_if<std::shared_ptr<AutomationObject>>(&in)) {
        IDispatch* dispatch = nullptr;
        if (*o) {
            // Only objects of this backend have an interface to pass.
            const auto* win32 = dynamic_cast<const Win32Dispatch*>(o->get());
            if (win32 == nullptr) throw EOleException(OleErrorText(DISP_E_TYPEMISMATCH), DISP_E_TYPEMISMATCH);
            dispatch = win32->Interface();
            dispatch->AddRef();
        }
        out.vt = VT_DISPATCH;
        out.pdispVal = dispatch;
    }
}

// v is not changed; the system's conversions merely take it by a plain pointer.
Variant FromVariant(VARIANT& v) {
    if (v.vt & VT_BYREF) {
        OwnedVariant value;
        OleCheck(VariantCopyInd(&value.v, &v));
        return FromVariant(value.v);
    }
    switch (v.vt) {
    case VT_EMPTY:
    case VT_NULL:
        return {};
    case VT_BOOL:
        return v.boolVal != VARIANT_FALSE;
    case VT_I4:
        return int32_t(v.lVal);
    case VT_I1:
    case VT_UI1:
    case VT_I2:
    case VT_UI2:
    case VT_UI4:
    case VT_INT:
    case VT_UINT:
    case VT_I8:
    case VT_UI8: {
        // The system's conversion, with its overflow error for values beyond 32 bits.
        OwnedVariant i;
        OleCheck(VariantChangeType(&i.v, &v, 0, VT_I4));
        return int32_t(i.v.lVal);
    }
    case VT_R8:
        return v.dblVal;
    case VT_R4:
    case VT_CY:
    case VT_DATE:
    case VT_DECIMAL: {
        OwnedVariant d;
        OleCheck(VariantChangeType(&d.v, &v, 0, VT_R8));
        return d.v.dblVal;
    }
    case VT_BSTR:
        return WideToAnsi(v.bstrVal, v.bstrVal != nullptr ? SysStringLen(v.bstrVal) : 0);
    case VT_DISPATCH:
        if (v.pdispVal == nullptr) return std::shared_ptr<AutomationObject>();
        return std::shared_ptr<AutomationObject>(
            std::make_shared<Win32Dispatch>(ComPtr<IDispatch>::Share(v.pdispVal)));
    case VT_UNKNOWN: {
        if (v.punkVal == nullptr) return std::shared_ptr<AutomationObject>();
        ComPtr<IDispatch> dispatch;
        OleCheck(v.punkVal->QueryInterface(IID_IDispatch, dispatch.PutVoid()));
        return std::shared_ptr<AutomationObject>(std::make_shared<Win32Dispatch>(std::move(dispatch)));
    }
    default:
        throw EOleException(OleErrorText(DISP_E_TYPEMISMATCH), DISP_E_TYPEMISMATCH);
    }
}

}  // namespace

std::wstring AnsiToWide(const std::string& ansi) {
    if (ansi.empty()) return {};
    const int n = MultiByteToWideChar(CP_ACP, 0, ansi.data(), int(ansi.size()), nullptr, 0);
    std::wstring wide(size_t(n), L'\0');
    MultiByteToWideChar(CP_ACP, 0, ansi.data(), int(ansi.size()), wide.data(), n);
    return wide;
}

std::string WideToAnsi(const wchar_t* wide, size_t length) {
    if (wide == nullptr || length == 0) return {};
    const int n = WideCharToMultiByte(CP_ACP, 0, wide, int(length), nullptr, 0, nullptr, nullptr);
    std::string ansi(size_t(n), '\0');
    WideCharToMultiByte(CP_ACP, 0, wide, int(length), ansi.data(), n, nullptr, nullptr);
    return ansi;
}

std::string OleErrorText(HRESULT hr) {
    char buffer[512];
    const DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, DWORD(hr), 0,
                                   buffer, sizeof buffer, nullptr);
    std::string text = TrimmedRight(std::string(buffer, n));
    if (text.empty()) {
        std::snprintf(buffer, sizeof buffer, "OLE error 0x%08X", unsigned(hr));
        text = buffer;
    }
    return text;
}

void OleCheck(HRESULT hr) {
    if (FAILED(hr)) throw EOleException(OleErrorText(hr), hr);
}

CLSID ClassIdOf(const std::string& class_name_or_clsid) {
    std::wstring wide = AnsiToWide(class_name_or_clsid);
    CLSID clsid{};
    OleCheck(!wide.empty() && wide[0] == L'{' ? CLSIDFromString(wide.data(), &clsid)
                                              : CLSIDFromProgID(wide.c_str(), &clsid));
    return clsid;
}

DISPID Win32Dispatch::IdOf(const std::string& name) {
    std::wstring wide = AnsiToWide(name);
    LPOLESTR names[] = {wide.data()};
    DISPID id = DISPID_UNKNOWN;
    OleCheck(dispatch_->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id));
    return id;
}

Variant Win32Dispatch::Invoke(DISPID id, WORD flags, const std::vector<Variant>& args) {
    // The server reads the arguments last to first.
    std::vector<OwnedVariant> argv(args.size());
    for (size_t i = 0; i < args.size(); ++i) ToVariant(args[i], argv[args.size() - 1 - i].v);
    DISPID put_id = DISPID_PROPERTYPUT;
    DISPPARAMS params{};
    params.rgvarg = argv.empty() ? nullptr : &argv[0].v;
    params.cArgs = UINT(args.size());
    const bool put = (flags & DISPATCH_PROPERTYPUT) != 0;
    if (put) {
        // A put's value is the named argument DISPID_PROPERTYPUT, as type-library servers insist.
        params.rgdispidNamedArgs = &put_id;
        params.cNamedArgs = 1;
    }
    OwnedVariant result;
    ExceptionInfo error;
    UINT bad_argument = 0;
    const HRESULT hr = dispatch_->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, put ? nullptr : &result.v,
                                         &error.e, &bad_argument);
    if (hr == DISP_E_EXCEPTION) error.Raise(hr);
    OleCheck(hr);
    return FromVariant(result.v);
}

Variant Win32Dispatch::Get(const std::string& name, const std::vector<Variant>& args) {
    return Invoke(IdOf(name), DISPATCH_PROPERTYGET | DISPATCH_METHOD, args);
}

void Win32Dispatch::Put(const std::string& name, const Variant& value) { PutById(IdOf(name), value); }

Variant Win32Dispatch::Call(const std::string& name, const std::vector<Variant>& args) {
    return CallById(IdOf(name), args);
}

Variant Win32Dispatch::GetById(int32_t dispid) { return Invoke(dispid, DISPATCH_PROPERTYGET | DISPATCH_METHOD, {}); }

void Win32Dispatch::PutById(int32_t dispid, const Variant& value) { Invoke(dispid, DISPATCH_PROPERTYPUT, {value}); }

Variant Win32Dispatch::CallById(int32_t dispid, const std::vector<Variant>& args) {
    return Invoke(dispid, DISPATCH_METHOD, args);
}

std::shared_ptr<AutomationObject> Win32Backend::ConnectAutomation(const std::string& prog_id, ConnectKind kind) {
    const CLSID clsid = ClassIdOf(prog_id);
    ComPtr<IDispatch> dispatch;
    if (kind == ConnectKind::RunningOrNew) {
        // MK_E_UNAVAILABLE when none runs: then one is started below.
        ComPtr<IUnknown> running;
        if (SUCCEEDED(GetActiveObject(clsid, nullptr, running.Put())) && running) OleCheck(running.As(dispatch));
    }
    if (!dispatch)
        OleCheck(CoCreateInstance(clsid, nullptr, CLSCTX_LOCAL_SERVER | CLSCTX_INPROC_SERVER, IID_IDispatch,
                                  dispatch.PutVoid()));
    return std::make_shared<Win32Dispatch>(std::move(dispatch));
}

}  // namespace scr
