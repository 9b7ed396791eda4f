// SCR_ASSERT: a check of the program's own invariants (never of input, which gets an error).
// On in debug builds and wherever SCR_ASSERTIONS is defined (the sanitizer build), so bounds
// and preconditions are checked under ASan although every build is optimised.
#pragma once

#include <cstdio>
#include <cstdlib>

namespace scr {

[[noreturn]] inline void AssertionFailed(const char* condition, const char* file, int line) {
    std::fprintf(stderr, "%s:%d: assertion failed: %s\n", file, line, condition);
    std::abort();
}

}  // namespace scr

#if defined(SCR_ASSERTIONS) || !defined(NDEBUG)
#define SCR_ASSERTIONS_ON 1
#define SCR_ASSERT(condition) ((condition) ? static_cast<void>(0) : ::scr::AssertionFailed(#condition, __FILE__, __LINE__))
#else
#define SCR_ASSERTIONS_ON 0
#define SCR_ASSERT(condition) static_cast<void>(0)
#endif
