// Late binding through IDispatch on Win32, and the conversions and error texts that the
// automation client and the ActiveX host share.
#pragma once

#include <oaidl.h>
#include <windows.h>

#include <string>

#include "gui/automation.h"
#include "gui/win32/com_ptr.h"

namespace scr {

// ANSI code page to UTF-16 and back.
std::wstring AnsiToWide(const std::string& ansi);
std::string WideToAnsi(const wchar_t* wide, size_t length);

// The text for a failure code: the system's message (trimmed), else "OLE error 0x%08X".
std::string OleErrorText(HRESULT hr);
// Throws EOleException with OleErrorText when hr is a failure.
void OleCheck(HRESULT hr);

// The class named by a ProgID, or by a CLSID written "{...}". Throws EOleException.
CLSID ClassIdOf(const std::string& class_name_or_clsid);

// An automation object reached through its IDispatch: every member is looked up by name with
// GetIDsOfNames (or taken by its fixed id) and invoked as a type-library server expects.
class Win32Dispatch final : public AutomationObject {
public:
    explicit Win32Dispatch(ComPtr<IDispatch> dispatch) : dispatch_(std::move(dispatch)) {}

    Variant Get(const std::string& name, const std::vector<Variant>& args = {}) override;
    void Put(const std::string& name, const Variant& value) override;
    Variant Call(const std::string& name, const std::vector<Variant>& args = {}) override;
    Variant GetById(int32_t dispid) override;
    void PutById(int32_t dispid, const Variant& value) override;
    Variant CallById(int32_t dispid, const std::vector<Variant>& args = {}) override;

    IDispatch* Interface() const { return dispatch_.Get(); }

private:
    DISPID IdOf(const std::string& name);
    Variant Invoke(DISPID id, WORD flags, const std::vector<Variant>& args);

    ComPtr<IDispatch> dispatch_;
};

}  // namespace scr
