#include "automation.h"

#include <new>

namespace standin {

const Member* Interface::Find(DISPID id) const {
    for (const Member& m : members)
        if (m.id == id) return &m;
    return nullptr;
}

void FillExcepInfo(EXCEPINFO* excep, const wchar_t* source, const std::wstring& description, HRESULT scode) {
    if (!excep) return;
    *excep = EXCEPINFO{};
    excep->bstrSource = SysAllocString(source);
    excep->bstrDescription = SysAllocStringLen(description.data(), UINT(description.size()));
    excep->scode = scode;
}

namespace {

// The arguments as they came, in call order: positional ones first (rgvarg holds them last to
// first), then the named ones with their DISPIDs.
std::string RawArguments(const DISPPARAMS& p) {
    std::string out;
    const UINT positional = p.cArgs - p.cNamedArgs;
    for (UINT k = 0; k < positional; ++k)
        out += " #" + std::to_string(k + 1) + "=" + VariantText(p.rgvarg[p.cArgs - 1 - k]);
    for (UINT k = 0; k < p.cNamedArgs; ++k)
        out += " [" + std::to_string(p.rgdispidNamedArgs[k]) + "]=" + VariantText(p.rgvarg[k]);
    return out;
}

bool IsMissing(const VARIANT& v) { return v.vt == VT_ERROR && v.scode == DISP_E_PARAMNOTFOUND; }

HRESULT Convert(const VARIANT& in, VARTYPE type, Variant& out) {
    if (type == VT_VARIANT) return VariantCopyInd(&*out, const_cast<VARIANT*>(&in));
    return VariantChangeType(&*out, const_cast<VARIANT*>(&in), 0, type);
}

struct Matched {
    Access access = kGet;
    std::vector<Variant> args;
    std::string text;              // the arguments for the log line
    UINT arg_error = UINT(-1);     // the rgvarg index a refusal is about
};

HRESULT MatchPut(const Member& m, WORD flags, const DISPPARAMS& p, Matched& out) {
    // PROPERTYPUTREF alone assigns an object reference: no member takes one.
    if (!(flags & DISPATCH_PROPERTYPUT) || !(m.access & kPut)) return DISP_E_MEMBERNOTFOUND;
    out.access = kPut;
    if (p.cNamedArgs == 0 || p.rgdispidNamedArgs[0] != DISPID_PROPERTYPUT) {
        out.arg_error = 0;
        return DISP_E_PARAMNOTFOUND;
    }
    if (p.cArgs != 1 || p.cNamedArgs != 1) return DISP_E_BADPARAMCOUNT;
    out.text = " value=" + VariantText(p.rgvarg[0]);
    Variant value;
    if (FAILED(Convert(p.rgvarg[0], m.value_type, value))) {
        out.arg_error = 0;
        return DISP_E_TYPEMISMATCH;
    }
    out.args.push_back(std::move(value));
    return S_OK;
}

HRESULT MatchMethod(const Member& m, const DISPPARAMS& p, Matched& out) {
    const std::vector<Param>& params = m.params;
    if (p.cArgs > params.size()) return DISP_E_BADPARAMCOUNT;
    // Each declared parameter's argument and its index in rgvarg.
    std::vector<const VARIANT*> slot(params.size(), nullptr);
    std::vector<UINT> index(params.size(), 0);
    const UINT positional = p.cArgs - p.cNamedArgs;
    for (UINT k = 0; k < positional; ++k) {
        index[k] = p.cArgs - 1 - k;
        slot[k] = &p.rgvarg[index[k]];
    }
    for (UINT k = 0; k < p.cNamedArgs; ++k) {
        const DISPID d = p.rgdispidNamedArgs[k];
        if (d < 0 || UINT(d) >= params.size() || slot[size_t(d)]) {
            out.arg_error = k;
            return DISP_E_PARAMNOTFOUND;
        }
        slot[size_t(d)] = &p.rgvarg[k];
        index[size_t(d)] = k;
    }
    out.text.clear();
    for (size_t k = 0; k < params.size(); ++k)
        out.text += " " + Utf8(params[k].name) + "=" + (slot[k] ? VariantText(*slot[k]) : std::string("missing"));
    for (size_t k = 0; k < params.size(); ++k) {
        Variant v;
        if (!slot[k] || IsMissing(*slot[k])) {
            // Left off the end of a positional list: too few arguments. Passed as missing, or
            // skipped among named ones: a required one was omitted.
            if (!params[k].optional) return slot[k] || p.cNamedArgs ? DISP_E_PARAMNOTOPTIONAL : DISP_E_BADPARAMCOUNT;
            v = Variant::Int(params[k].default_value);
        } else if (FAILED(Convert(*slot[k], params[k].type, v))) {
            out.arg_error = index[k];
            return DISP_E_TYPEMISMATCH;
        }
        out.args.push_back(std::move(v));
    }
    return S_OK;
}

HRESULT Match(const Member& m, WORD flags, const DISPPARAMS& p, Matched& out) {
    out.text = RawArguments(p);
    if (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) return MatchPut(m, flags, p, out);
    // METHOD|PROPERTYGET (how many clients read) suits both a method and a property.
    if ((flags & DISPATCH_METHOD) && (m.access & kMethod)) {
        out.access = kMethod;
        return MatchMethod(m, p, out);
    }
    if (!(flags & DISPATCH_PROPERTYGET) || !(m.access & kGet)) return DISP_E_MEMBERNOTFOUND;
    out.access = kGet;
    if (p.cNamedArgs) return DISP_E_NONAMEDARGS;
    if (p.cArgs) return DISP_E_BADPARAMCOUNT;
    return S_OK;
}

}  // namespace

HRESULT GetIdsOfNames(const Interface& i, REFIID riid, LPOLESTR* names, UINT count, DISPID* ids, const LogLine& log) {
    std::string line = std::string(i.log_name) + ".GetIDsOfNames";
    if (!names || !ids || count == 0) {
        log(line + " -> E_INVALIDARG");
        return E_INVALIDARG;
    }
    for (UINT k = 0; k < count; ++k) line += (k ? "," : " ") + (names[k] ? Quoted(names[k]) : std::string("null"));
    if (!IsEqualIID(riid, IID_NULL)) {
        log(line + " -> DISP_E_UNKNOWNINTERFACE");
        return DISP_E_UNKNOWNINTERFACE;
    }
    const Member* member = nullptr;
    for (const Member& m : i.members)
        if (names[0] && EqualNoCase(names[0], m.name)) member = &m;
    HRESULT hr = S_OK;
    ids[0] = member ? member->id : DISPID_UNKNOWN;
    // Further names are the member's parameters; a parameter's DISPID is its position.
    for (UINT k = 1; k < count; ++k) {
        ids[k] = DISPID_UNKNOWN;
        if (!member) continue;
        for (size_t n = 0; n < member->params.size(); ++n)
            if (names[k] && EqualNoCase(names[k], member->params[n].name)) ids[k] = DISPID(n);
    }
    for (UINT k = 0; k < count; ++k)
        if (ids[k] == DISPID_UNKNOWN) hr = DISP_E_UNKNOWNNAME;
    line += " -> " + HresultName(hr);
    for (UINT k = 0; k < count; ++k) line += (k ? "," : " ") + std::to_string(ids[k]);
    log(line);
    return hr;
}

HRESULT Invoke(const Interface& i, DISPID id, REFIID riid, WORD flags, DISPPARAMS* params, VARIANT* result,
               EXCEPINFO* excep, UINT* arg_error, const Perform& perform, const LogLine& log) {
    const Member* m = i.Find(id);
    std::string line = std::string(i.log_name) + "." + (m ? Utf8(m->name) : "#" + std::to_string(id)) + " " +
                       InvokeFlagsText(flags);
    auto finish = [&](HRESULT hr, const std::string& tail) {
        log(line + " -> " + HresultName(hr) + tail);
        return hr;
    };
    if (!IsEqualIID(riid, IID_NULL)) return finish(DISP_E_UNKNOWNINTERFACE, "");
    if (!params || (params->cArgs && !params->rgvarg) || params->cNamedArgs > params->cArgs ||
        (params->cNamedArgs && !params->rgdispidNamedArgs))
        return finish(E_INVALIDARG, "");
    if (!m) {
        line += RawArguments(*params);
        return finish(DISP_E_MEMBERNOTFOUND, "");
    }

    Matched matched;
    HRESULT hr = Match(*m, flags, *params, matched);
    line += matched.text;
    if (FAILED(hr)) {
        if (arg_error && matched.arg_error != UINT(-1)) *arg_error = matched.arg_error;
        return finish(hr, "");
    }

    Call call{*m, matched.access, std::move(matched.args), Variant(), std::wstring()};
    try {
        hr = perform(call);
    } catch (const std::bad_alloc&) {
        hr = E_OUTOFMEMORY;
    } catch (...) {
        hr = E_UNEXPECTED;
    }
    if (FAILED(hr) && !call.error.empty()) {
        FillExcepInfo(excep, i.source, call.error, hr);
        return finish(DISP_E_EXCEPTION, " scode=" + HresultName(hr) + " " + Quoted(call.error));
    }
    if (FAILED(hr)) return finish(hr, "");
    const std::string shown = call.result->vt == VT_EMPTY ? "" : " " + VariantText(*call.result);
    if (result) *result = call.result.Release();
    return finish(hr, shown);
}

}  // namespace standin
