// Late-bound automation (IDispatch) and hosted ActiveX controls, as the program drives the Flash
// control and the presentation application: every member is found by name (or by a fixed
// dispatch id) and invoked the way a type-library server expects: property reads with
// DISPATCH_PROPERTYGET (or with DISPATCH_METHOD), writes with DISPATCH_PROPERTYPUT and the named
// argument DISPID_PROPERTYPUT, calls with DISPATCH_METHOD. Made by the backend
// (Backend::NewActiveXControl, Backend::ConnectAutomation); the headless backend's objects
// record every call and answer from a script.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <variant>
#include <vector>

#include "base/errors.h"
#include "base/geometry.h"

namespace scr {

class AutomationObject;

// A failed call: the server's own description when it gave one (EXCEPINFO), else the system's
// message for the result code.
class EOleException : public Exception {
public:
    EOleException(const std::string& message, int32_t result) : Exception(message), result_(result) {}
    int32_t Result() const { return result_; }

private:
    int32_t result_;
};

// Result codes that the portable layer raises itself (the system's values, as HRESULTs).
inline constexpr int32_t kOleFail = int32_t(0x80004005);          // E_FAIL
inline constexpr int32_t kOlePointer = int32_t(0x80004003);       // E_POINTER
inline constexpr int32_t kOleTypeMismatch = int32_t(0x80020005);  // DISP_E_TYPEMISMATCH
inline constexpr int32_t kOleOverflow = int32_t(0x8002000A);      // DISP_E_OVERFLOW

// A value passed to or returned by a member: nothing, a 32-bit integer (VT_I4), a Boolean
// (VT_BOOL), a double, a string (ANSI code page here, a BSTR on the wire) or an object.
using Variant = std::variant<std::monostate, int32_t, bool, double, std::string, std::shared_ptr<AutomationObject>>;

// The integer in v, converted the way the server would (VT_I4, VT_BOOL true as -1, a double
// rounded half to even); throws EOleException("Type mismatch") for the rest, and
// EOleException("Out of present range") for a double beyond 32 bits.
int32_t VariantToInt(const Variant& v);
// The object in v; throws EOleException when v holds none ("Type mismatch") or holds an empty
// reference.
std::shared_ptr<AutomationObject> VariantToObject(const Variant& v);

class AutomationObject {
public:
    virtual ~AutomationObject() = default;

    // Reads a property (args: its index, if any). Throws EOleException.
    virtual Variant Get(const std::string& name, const std::vector<Variant>& args = {}) = 0;
    // Writes a property. Throws EOleException.
    virtual void Put(const std::string& name, const Variant& value) = 0;
    // Calls a method with positional arguments. Throws EOleException.
    virtual Variant Call(const std::string& name, const std::vector<Variant>& args = {}) = 0;

    // The same by dispatch id, for members whose ids are fixed by the control's interface.
    virtual Variant GetById(int32_t dispid) = 0;
    virtual void PutById(int32_t dispid, const Variant& value) = 0;
    virtual Variant CallById(int32_t dispid, const std::vector<Variant>& args = {}) = 0;
};

// An ActiveX control hosted in place on a window: created from its class, initialised as new,
// activated over a rectangle of the window's client area and kept there; destroyed (and every
// reference released) with the object.
class ActiveXControl {
public:
    virtual ~ActiveXControl() = default;
    // The control's automation interface.
    virtual AutomationObject& Dispatch() = 0;
    // Moves the control's in-place rectangle (client coordinates of its window).
    virtual void SetBounds(const Rect& bounds) = 0;
    virtual void SetVisible(bool visible) = 0;
    // Gives the keyboard focus to the control's window, as to a form's first control: keys
    // then go to the control, not to the window that hosts it.
    virtual void SetFocus() = 0;
};

// How ConnectAutomation finds its server.
enum class ConnectKind {
    RunningOrNew,  // attach to a running instance (GetActiveObject), else start one
    New,           // always start one
};

}  // namespace scr
