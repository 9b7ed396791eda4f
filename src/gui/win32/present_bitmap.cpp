#include "gui/win32/present_bitmap.h"

#include <algorithm>
#include <cstring>

#if defined(__x86_64__) || defined(__i386__)
#include <tmmintrin.h>
#define SCR_HAVE_SSSE3_PATH 1
#endif

namespace scr {

void ExpandRow24To32Portable(const uint8_t* src, uint32_t* dst, int count) {
    int x = 0;
    // Four pixels are three little-endian words.
    for (; x + 4 <= count; x += 4, src += 12, dst += 4) {
        uint32_t a, b, c;
        std::memcpy(&a, src, 4);
        std::memcpy(&b, src + 4, 4);
        std::memcpy(&c, src + 8, 4);
        dst[0] = a & 0xFFFFFFu;
        dst[1] = (a >> 24) | ((b & 0xFFFFu) << 8);
        dst[2] = (b >> 16) | ((c & 0xFFu) << 16);
        dst[3] = c >> 8;
    }
    for (; x < count; ++x, src += 3) *dst++ = uint32_t(src[0]) | uint32_t(src[1]) << 8 | uint32_t(src[2]) << 16;
}

#if defined(SCR_HAVE_SSSE3_PATH)
namespace {

__attribute__((target("ssse3"))) void ExpandSsse3(const uint8_t* src, uint32_t* dst, int count) {
    // Sixteen pixels are three 16-byte blocks; each quarter of them is spread to four words.
    const __m128i spread = _mm_setr_epi8(0, 1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11, -1);
    int x = 0;
    for (; x + 16 <= count; x += 16, src += 48, dst += 16) {
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + 16));
        const __m128i c = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + 32));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst), _mm_shuffle_epi8(a, spread));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + 4), _mm_shuffle_epi8(_mm_alignr_epi8(b, a, 12), spread));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + 8), _mm_shuffle_epi8(_mm_alignr_epi8(c, b, 8), spread));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + 12), _mm_shuffle_epi8(_mm_srli_si128(c, 4), spread));
    }
    ExpandRow24To32Portable(src, dst, count - x);
}

bool HaveSsse3() {
    static const bool have = [] {
        __builtin_cpu_init();
        return __builtin_cpu_supports("ssse3") != 0;
    }();
    return have;
}

}  // namespace
#endif

bool ExpandRow24To32Ssse3(const uint8_t* src, uint32_t* dst, int count) {
#if defined(SCR_HAVE_SSSE3_PATH)
    if (!HaveSsse3()) return false;
    ExpandSsse3(src, dst, count);
    return true;
#else
    (void)src, (void)dst, (void)count;
    return false;
#endif
}

void ExpandRow24To32(const uint8_t* src, uint32_t* dst, int count) {
    if (!ExpandRow24To32Ssse3(src, dst, count)) ExpandRow24To32Portable(src, dst, count);
}

bool PresentBitmap(HDC dc, const Rect& dest, const Bitmap& image, int src_x, int src_y, std::vector<uint32_t>& strip,
                   std::size_t strip_bytes) {
    const int w = dest.width(), h = dest.height();
    if (w <= 0 || h <= 0 || image.empty()) return false;
    SCR_ASSERT(src_x >= 0 && src_y >= 0 && src_x + w <= image.width() && src_y + h <= image.height());
    const int strip_rows = int(std::clamp<std::size_t>(strip_bytes / (std::size_t(w) * 4), 1, std::size_t(h)));
    if (strip.size() < std::size_t(w) * std::size_t(strip_rows)) strip.resize(std::size_t(w) * std::size_t(strip_rows));
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = w;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    bool drawn = true;
    for (int y = 0; y < h; y += strip_rows) {
        const int rows = std::min(strip_rows, h - y);
        for (int r = 0; r < rows; ++r)
            ExpandRow24To32(image.pixel(src_x, src_y + y + r), strip.data() + std::size_t(r) * std::size_t(w), w);
        info.bmiHeader.biHeight = -rows;  // top-down
        if (SetDIBitsToDevice(dc, dest.left, dest.top + y, DWORD(w), DWORD(rows), 0, 0, 0, UINT(rows), strip.data(), &info,
                              DIB_RGB_COLORS) == 0)
            drawn = false;
    }
    return drawn;
}

}  // namespace scr
