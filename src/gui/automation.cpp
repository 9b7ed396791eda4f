#include "gui/automation.h"

#include <cmath>

namespace scr {

namespace {

// The rounding of the system's variant conversion: to the nearest integer, halves to the even
// one (2.5 gives 2, 3.5 gives 4).
double RoundHalfEven(double d) {
    if (std::fabs(d - std::trunc(d)) == 0.5) return 2.0 * std::round(d / 2.0);
    return std::round(d);
}

}  // namespace

int32_t VariantToInt(const Variant& v) {
    if (const auto* i = std::get_if<int32_t>(&v)) return *i;
    if (const auto* b = std::get_if<bool>(&v)) return *b ? -1 : 0;
    if (const auto* d = std::get_if<double>(&v)) {
        const double r = RoundHalfEven(*d);
        // NaN fails both comparisons and lands here too.
        if (!(r >= -2147483648.0 && r <= 2147483647.0)) throw EOleException("Out of present range", kOleOverflow);
        return int32_t(r);
    }
    throw EOleException("Type mismatch", kOleTypeMismatch);
}

std::shared_ptr<AutomationObject> VariantToObject(const Variant& v) {
    const auto* object = std::get_if<std::shared_ptr<AutomationObject>>(&v);
    if (object == nullptr) throw EOleException("Type mismatch", kOleTypeMismatch);
    if (!*object) throw EOleException("The object reference is empty", kOlePointer);
    return *object;
}

}  // namespace scr
