// The EOleException that a call raises, as a value, so that tables of failing calls compare
// their messages and result codes in one line.
#pragma once

#include <functional>
#include <string>

#include "gui/automation.h"

namespace scr::test {

struct Raised {
    std::string message;  // "(nothing raised)" when the call returned
    int32_t result = 0;
};

inline Raised RaisedBy(const std::function<void()>& call) {
    try {
        call();
    } catch (const EOleException& e) {
        return {e.what(), e.Result()};
    }
    return {"(nothing raised)", 0};
}

}  // namespace scr::test
