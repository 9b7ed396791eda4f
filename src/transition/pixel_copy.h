// Byte copies tuned for the short spans of clip regions: a region of thin strips is drawn as
// hundreds of copies of a few pixels per row, where a library call per copy would dominate.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace scr {

inline void copy_bytes(uint8_t* d, const uint8_t* s, std::size_t n) {
    if (n >= 64) {
        std::memcpy(d, s, n);
    } else if (n >= 16) {
        // Whole 16-byte blocks, then one more ending exactly at the end (overlapping).
        for (std::size_t i = 0; i + 16 <= n; i += 16) std::memcpy(d + i, s + i, 16);
        std::memcpy(d + n - 16, s + n - 16, 16);
    } else if (n >= 8) {
        uint64_t a, b;
        std::memcpy(&a, s, 8);
        std::memcpy(&b, s + n - 8, 8);
        std::memcpy(d, &a, 8);
        std::memcpy(d + n - 8, &b, 8);
    } else if (n >= 4) {
        uint32_t a, b;
        std::memcpy(&a, s, 4);
        std::memcpy(&b, s + n - 4, 4);
        std::memcpy(d, &a, 4);
        std::memcpy(d + n - 4, &b, 4);
    } else if (n > 0) {
        d[0] = s[0];
        d[n / 2] = s[n / 2];
        d[n - 1] = s[n - 1];
    }
}

}  // namespace scr
