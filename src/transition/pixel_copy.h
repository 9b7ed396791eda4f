// Byte copies tuned for the short spans of clip regions: a region of thin strips is drawn as
// hundreds of copies of a few pixels per row, where a library call per copy would dominate.
// And the row output of whole frames: a frame much larger than the cache is best written with
// stores that go around it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "base/bitmap.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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

// Whether this build has stores that bypass the cache; without them a streamed frame is
// written like a cached one.
#if defined(__SSE2__)
inline constexpr bool kCanStream = true;
#else
inline constexpr bool kCanStream = false;
#endif

// copy_bytes for long runs whose destination will not be read again soon: the aligned middle
// goes out with non-temporal stores, so the destination lines are neither read from memory
// first nor left evicting the sources from the cache. Call stream_fence() before anyone else
// may read what was written.
inline void stream_bytes(uint8_t* d, const uint8_t* s, std::size_t n) {
#if defined(__SSE2__)
    if (n >= 128) {
        const std::size_t head = (16 - (reinterpret_cast<uintptr_t>(d) & 15)) & 15;
        copy_bytes(d, s, head);
        d += head;
        s += head;
        n -= head;
        std::size_t i = 0;
        for (; i + 64 <= n; i += 64) {
            const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i));
            const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i + 16));
            const __m128i c = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i + 32));
            const __m128i e = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i + 48));
            _mm_stream_si128(reinterpret_cast<__m128i*>(d + i), a);
            _mm_stream_si128(reinterpret_cast<__m128i*>(d + i + 16), b);
            _mm_stream_si128(reinterpret_cast<__m128i*>(d + i + 32), c);
            _mm_stream_si128(reinterpret_cast<__m128i*>(d + i + 48), e);
        }
        for (; i + 16 <= n; i += 16)
            _mm_stream_si128(reinterpret_cast<__m128i*>(d + i),
                             _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i)));
        copy_bytes(d + i, s + i, n - i);
        return;
    }
#endif
    copy_bytes(d, s, n);
}

inline void stream_fence() {
#if defined(__SSE2__)
    _mm_sfence();
#endif
}

// Where the rows of a frame are put together, strictly top to bottom. Cached: in the bitmap
// itself. Streamed: in one of two row buffers small enough to stay in the first-level cache,
// each finished row then going out with stream_bytes. Either way previous() is the row above
// as assembled with row(), to copy repeated rows from (not valid after copy_row).
class RowOutput {
public:
    RowOutput(Bitmap& dst, bool streamed)
        : dst_(dst), streamed_(streamed && kCanStream), row_bytes_(std::size_t(dst.width()) * 3) {
        if (streamed_) buffer_.resize(row_bytes_ * 2 + 16);
    }
    RowOutput(const RowOutput&) = delete;
    RowOutput& operator=(const RowOutput&) = delete;
    ~RowOutput() {
        if (streamed_) stream_fence();
    }

    bool streamed() const { return streamed_; }
    uint8_t* row(int y) { return streamed_ ? buffer_.data() + std::size_t(y & 1) * row_bytes_ : dst_.row(y); }
    const uint8_t* previous(int y) { return row(y - 1); }
    void done(int y) {
        if (streamed_) stream_bytes(dst_.row(y), row(y), row_bytes_);
    }
    // Row y taken whole from src (same width): no need to assemble it first.
    void copy_row(int y, const uint8_t* src) {
        if (streamed_)
            stream_bytes(dst_.row(y), src, row_bytes_);
        else
            std::memcpy(dst_.row(y), src, row_bytes_);
    }

private:
    Bitmap& dst_;
    bool streamed_;
    std::size_t row_bytes_;
    std::vector<uint8_t> buffer_;
};

}  // namespace scr
