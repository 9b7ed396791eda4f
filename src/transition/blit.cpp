#include "transition/blit.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "transition/pixel_copy.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace scr {

namespace {

int64_t floor_div(int64_t num, int64_t den) {  // den > 0
    int64_t q = num / den;
    if (num % den != 0 && num < 0) --q;
    return q;
}

// One axis of a scaled copy: the destination positions [lo, lo + src.size()) written and the
// source index each takes. See StretchPlan for the rules.
struct AxisMap {
    int lo = 0;
    std::vector<int> src;
};

AxisMap map_axis(int dst_size, int d0, int dl_signed, int src_size, int s0, int sl, bool keep_last) {
    AxisMap m;
    if (sl <= 0 || dl_signed == 0 || dst_size <= 0 || src_size <= 0) return m;
    const int64_t dl = std::llabs(int64_t(dl_signed));
    const int dir = dl_signed > 0 ? 1 : -1;
    // Destination steps i whose position d0 + dir * i lies inside the target.
    int64_t i_lo, i_hi;
    if (dir > 0) {
        i_lo = std::max<int64_t>(0, -int64_t(d0));
        i_hi = std::min<int64_t>(dl, int64_t(dst_size) - d0);
    } else {
        i_lo = std::max<int64_t>(0, int64_t(d0) - dst_size + 1);
        i_hi = std::min<int64_t>(dl, int64_t(d0) + 1);
    }
    if (i_lo >= i_hi) return m;
    // Source indices j inside the source bitmap.
    const int64_t j_lo = std::max<int64_t>(0, -int64_t(s0));
    const int64_t j_hi = std::min<int64_t>(sl, int64_t(src_size) - s0) - 1;
    if (j_lo > j_hi) return m;

    std::vector<int> by_step(std::size_t(i_hi - i_lo), -1);
    for (int64_t i = i_lo; i < i_hi; ++i) {
        int64_t j;
        if (dl >= sl) {
            j = floor_div((2 * i + 1) * sl - 1, 2 * dl);
            if (j < j_lo || j > j_hi) continue;
        } else {
            // The source pixels landing on step i are first .. last.
            const int64_t first = floor_div(2 * i * sl - dl, 2 * dl) + 1;
            const int64_t last = floor_div(2 * (i + 1) * sl - dl, 2 * dl);
            const int64_t a = std::max(first, j_lo), b = std::min(last, j_hi);
            if (a > b) continue;
            j = keep_last ? b : a;
            // The platform shrinks a run of columns into a single unmirrored column to the last
            // but one.
            if (keep_last && dl == 1 && dir > 0) {
                j = std::min(std::max<int64_t>(sl - 2, 0), j_hi);
                if (j < j_lo) continue;
            }
        }
        by_step[std::size_t(i - i_lo)] = int(s0 + j);
    }
    // The written steps are one run; turn them into positions from left to right.
    std::size_t a = 0, b = by_step.size();
    while (a < b && by_step[a] < 0) ++a;
    while (b > a && by_step[b - 1] < 0) --b;
    if (a == b) return m;
    m.src.assign(by_step.begin() + std::ptrdiff_t(a), by_step.begin() + std::ptrdiff_t(b));
    if (dir > 0) {
        m.lo = int(d0 + i_lo + int64_t(a));
    } else {
        std::reverse(m.src.begin(), m.src.end());
        m.lo = int(d0 - (i_lo + int64_t(b) - 1));
    }
    return m;
}

}  // namespace

StretchPlan::StretchPlan(int dst_width, int dst_height, int dx, int dy, int dw, int dh, int src_width, int src_height,
                         int sx, int sy, int sw, int sh) {
    AxisMap cols = map_axis(dst_width, dx, dw, src_width, sx, sw, true);
    if (cols.src.empty()) return;
    AxisMap rows = map_axis(dst_height, dy, dh, src_height, sy, sh, false);
    if (rows.src.empty()) return;
    dest_ = {cols.lo, rows.lo, cols.lo + int(cols.src.size()), rows.lo + int(rows.src.size())};
    rows_ = std::move(rows.src);
    plain_columns_ = true;
    for (std::size_t k = 1; k < cols.src.size() && plain_columns_; ++k)
        plain_columns_ = cols.src[k] == cols.src[0] + int(k);
    plain_src_x_ = cols.src[0];
    if (!plain_columns_) {
        cols_.resize(cols.src.size());
        for (std::size_t k = 0; k < cols.src.size(); ++k) cols_[k] = uint32_t(cols.src[k]) * 3;
    }
}

void StretchPlan::draw_row_per_pixel(uint8_t* dst_row, const Bitmap& src, int sy) const {
    uint8_t* d = dst_row + std::size_t(dest_.left) * 3;
    const uint8_t* s = src.row(sy);
    for (std::size_t i = 0; i < std::size_t(dest_.width()); ++i) {
        const uint8_t* p = plain_columns_ ? s + (std::size_t(plain_src_x_) + i) * 3 : s + cols_[i];
        d[i * 3] = p[0];
        d[i * 3 + 1] = p[1];
        d[i * 3 + 2] = p[2];
    }
}

void StretchPlan::draw_row(uint8_t* dst_row, const Bitmap& src, int sy) const {
    uint8_t* d = dst_row + std::size_t(dest_.left) * 3;
    const uint8_t* s = src.row(sy);
    const std::size_t n = std::size_t(dest_.width());
    if (plain_columns_) {
        std::memcpy(d, s + std::size_t(plain_src_x_) * 3, n * 3);
        return;
    }
    // Four-byte moves write one byte of the next pixel, which the next move rewrites; the last
    // pixel, and a source row with nothing after it, go byte by byte.
    const bool can_overread = sy + 1 < src.height() || src.stride() > std::size_t(src.width()) * 3;
    std::size_t i = 0;
    if (can_overread) {
        if constexpr (std::endian::native == std::endian::little) {
            // Two pixels per eight-byte store (its last two bytes belong to the next pixel).
            for (; i + 2 < n; i += 2) {
                uint32_t a, b;
                std::memcpy(&a, s + cols_[i], 4);
                std::memcpy(&b, s + cols_[i + 1], 4);
                const uint64_t v = uint64_t(a & 0xffffffu) | (uint64_t(b) << 24);
                std::memcpy(d + i * 3, &v, 8);
            }
        }
        for (; i + 1 < n; ++i) {
            uint32_t v;
            std::memcpy(&v, s + cols_[i], 4);
            std::memcpy(d + i * 3, &v, 4);
        }
    }
    for (; i < n; ++i) {
        const uint8_t* p = s + cols_[i];
        d[i * 3] = p[0];
        d[i * 3 + 1] = p[1];
        d[i * 3 + 2] = p[2];
    }
}

void StretchCopy(Bitmap& dst, int dx, int dy, int dw, int dh, const Bitmap& src, int sx, int sy, int sw, int sh) {
    if (dst.empty() || src.empty()) return;
    const StretchPlan plan(dst.width(), dst.height(), dx, dy, dw, dh, src.width(), src.height(), sx, sy, sw, sh);
    if (plan.empty()) return;
    const Rect& r = plan.dest();
    const std::size_t bytes = std::size_t(r.width()) * 3;
    for (int y = r.top; y < r.bottom; ++y) {
        const int sy_row = plan.source_row(y);
        // A scaled row repeated from the row above is copied from there.
        if (y > r.top && !plan.plain_columns() && plan.source_row(y - 1) == sy_row && &dst != &src)
            std::memcpy(dst.row(y) + std::size_t(r.left) * 3, dst.row(y - 1) + std::size_t(r.left) * 3, bytes);
        else
            plan.draw_row(dst.row(y), src, sy_row);
    }
}

void CopyRect(Bitmap& dst, const Rect& d, const Bitmap& src, const Rect& s) {
    StretchCopy(dst, d.left, d.top, d.right - d.left, d.bottom - d.top, src, s.left, s.top, s.right - s.left,
                s.bottom - s.top);
}

void DrawAt(Bitmap& dst, int x, int y, const Bitmap& src) {
    CopyBitmapRect(dst, x, y, src, {0, 0, src.width(), src.height()});
}

void FillSolid(Bitmap& dst, const Rect& r, uint32_t colorref) {
    const Rect c = r.intersected({0, 0, dst.width(), dst.height()});
    if (c.empty()) return;
    const uint8_t px[3] = {uint8_t(colorref >> 16), uint8_t(colorref >> 8), uint8_t(colorref)};
    // One row pixel by pixel, the others copied from it.
    uint8_t* first = dst.pixel(c.left, c.top);
    for (int x = 0; x < c.width(); ++x) std::memcpy(first + 3 * x, px, 3);
    for (int y = c.top + 1; y < c.bottom; ++y) std::memcpy(dst.pixel(c.left, y), first, std::size_t(c.width()) * 3);
}

MirroredCopy MirrorRects(const Rect& d, const Rect& s, int src_width, int src_height, bool flip_left_right,
                         bool flip_top_bottom) {
    MirroredCopy m{d, s.intersected({0, 0, src_width, src_height})};
    if (flip_left_right) {
        m.dest.left = d.right + 1;
        m.dest.right = d.left - 1;
    }
    if (flip_top_bottom) {
        m.dest.top = d.bottom + 1;
        m.dest.bottom = d.top - 1;
    }
    return m;
}

void MirrorBlt(Bitmap& dst, const Rect& d, const Bitmap& src, bool flip_left_right, bool flip_top_bottom, Rect s) {
    const MirroredCopy m = MirrorRects(d, s, src.width(), src.height(), flip_left_right, flip_top_bottom);
    CopyRect(dst, m.dest, src, m.source);
}

void DrawThroughRegion(Bitmap& dst, const Bitmap& src, const Region& region) {
    const int w = std::min(dst.width(), src.width());
    const int h = std::min(dst.height(), src.height());
    for (const Region::Band& band : region.bands()) {
        const int top = std::max(band.top, 0), bottom = std::min(band.bottom, h);
        if (top >= bottom) continue;
        const auto spans = region.spans(band);
        for (int y = top; y < bottom; ++y) {
            uint8_t* d = dst.row(y);
            const uint8_t* s = src.row(y);
            for (const Span& sp : spans) {
                const int l = std::max(sp.left, 0), r = std::min(sp.right, w);
                if (l < r) copy_bytes(d + std::size_t(l) * 3, s + std::size_t(l) * 3, std::size_t(r - l) * 3);
            }
        }
    }
}

void ComposeThroughRegion(Bitmap& dst, const Bitmap& base, const Bitmap& src, const Region& region, bool streamed) {
    if (&base == &dst) {
        DrawThroughRegion(dst, src, region);
        return;
    }
    const int w = dst.width(), h = dst.height();
    const std::size_t row_bytes = std::size_t(w) * 3;
    RowOutput out(dst, streamed);
    const auto bands = region.bands();
    std::size_t bi = 0;
#if defined(__SSE2__)
    // A band of narrow strips would be hundreds of copies of a few bytes per row; from spans
    // shorter than a cache line on average, one byte mask per band and a select of every byte
    // of its rows is cheaper.
    std::vector<uint8_t> mask;
    std::size_t mask_band = SIZE_MAX;
#endif
    for (int y = 0; y < h; ++y) {
        while (bi < bands.size() && bands[bi].bottom <= y) ++bi;
        if (bi == bands.size() || bands[bi].top > y) {
            out.copy_row(y, base.row(y));
            continue;
        }
        const auto spans = region.spans(bands[bi]);
        const uint8_t* b = base.row(y);
        const uint8_t* s = src.row(y);
        // A row the region covers whole needs no assembling.
        if (spans.front().left <= 0 && spans.front().right >= w) {
            out.copy_row(y, s);
            continue;
        }
        uint8_t* d = out.row(y);
#if defined(__SSE2__)
        if (spans.size() * 64 > row_bytes) {
            if (mask_band != bi) {
                mask.assign(row_bytes, 0);
                for (const Span& sp : spans) {
                    const std::size_t l = std::size_t(std::clamp(sp.left, 0, w)) * 3;
                    const std::size_t r = std::size_t(std::clamp(sp.right, 0, w)) * 3;
                    if (l < r) std::memset(mask.data() + l, 0xff, r - l);
                }
                mask_band = bi;
            }
            const uint8_t* m = mask.data();
            std::size_t i = 0;
            for (; i + 16 <= row_bytes; i += 16) {
                const __m128i vm = _mm_loadu_si128(reinterpret_cast<const __m128i*>(m + i));
                const __m128i vs = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i));
                const __m128i vb = _mm_loadu_si128(reinterpret_cast<const __m128i*>(b + i));
                _mm_storeu_si128(reinterpret_cast<__m128i*>(d + i),
                                 _mm_or_si128(_mm_and_si128(vm, vs), _mm_andnot_si128(vm, vb)));
            }
            for (; i < row_bytes; ++i) d[i] = m[i] ? s[i] : b[i];
            out.done(y);
            continue;
        }
#endif
        std::size_t pos = 0;  // in bytes; everything before it is written
        for (const Span& sp : spans) {
            if (sp.right <= 0) continue;
            if (sp.left >= w) break;
            const std::size_t l = std::size_t(std::max(sp.left, 0)) * 3;
            const std::size_t r = std::size_t(std::min(sp.right, w)) * 3;
            copy_bytes(d + pos, b + pos, l - pos);
            copy_bytes(d + l, s + l, r - l);
            pos = r;
        }
        copy_bytes(d + pos, b + pos, row_bytes - pos);
        out.done(y);
    }
}

void BlendIntoPortable(Bitmap& out, const Bitmap& base, const Bitmap& source, int p) {
    p = std::clamp(p, 0, 100);
    const int w = std::min({out.width(), base.width(), source.width()});
    const int h = std::min({out.height(), base.height(), source.height()});
    for (int y = 0; y < h; ++y) {
        uint8_t* o = out.row(y);
        const uint8_t* a = base.row(y);
        const uint8_t* b = source.row(y);
        for (int i = 0; i < w * 3; ++i) o[i] = uint8_t(a[i] * (100 - p) / 100 + b[i] * p / 100);
    }
}

void BlendInto(Bitmap& out, const Bitmap& base, const Bitmap& source, int p, bool streamed) {
#if defined(__SSE2__)
    p = std::clamp(p, 0, 100);
    const int w = std::min({out.width(), base.width(), source.width()});
    const int h = std::min({out.height(), base.height(), source.height()});
    const __m128i wa = _mm_set1_epi16(int16_t(100 - p));
    const __m128i wb = _mm_set1_epi16(int16_t(p));
    // v div 100 for v <= 25500 is (v * 5243) >> 19: 5243 * 100 = 2^19 + 12, too little to
    // lift any quotient.
    const __m128i k = _mm_set1_epi16(5243);
    const __m128i zero = _mm_setzero_si128();
    const std::size_t n = std::size_t(w) * 3;
    for (int y = 0; y < h; ++y) {
        uint8_t* o = out.row(y);
        const uint8_t* a = base.row(y);
        const uint8_t* b = source.row(y);
        std::size_t i = 0;
        // Non-temporal stores need an aligned target: the bytes before it go one by one.
        if (streamed)
            for (; i < n && (reinterpret_cast<uintptr_t>(o + i) & 15) != 0; ++i)
                o[i] = uint8_t(a[i] * (100 - p) / 100 + b[i] * p / 100);
        for (; i + 16 <= n; i += 16) {
            const __m128i va = _mm_loadu_si128(reinterpret_cast<const __m128i*>(a + i));
            const __m128i vb = _mm_loadu_si128(reinterpret_cast<const __m128i*>(b + i));
            auto part = [&](__m128i x, __m128i weight) {
                return _mm_srli_epi16(_mm_mulhi_epu16(_mm_mullo_epi16(x, weight), k), 3);
            };
            const __m128i lo = _mm_add_epi16(part(_mm_unpacklo_epi8(va, zero), wa), part(_mm_unpacklo_epi8(vb, zero), wb));
            const __m128i hi = _mm_add_epi16(part(_mm_unpackhi_epi8(va, zero), wa), part(_mm_unpackhi_epi8(vb, zero), wb));
            const __m128i v = _mm_packus_epi16(lo, hi);
            if (streamed)
                _mm_stream_si128(reinterpret_cast<__m128i*>(o + i), v);
            else
                _mm_storeu_si128(reinterpret_cast<__m128i*>(o + i), v);
        }
        for (; i < n; ++i) o[i] = uint8_t(a[i] * (100 - p) / 100 + b[i] * p / 100);
    }
    if (streamed) _mm_sfence();
#else
    (void)streamed;
    BlendIntoPortable(out, base, source, p);
#endif
}

void BlendBitmaps(Bitmap& target, const Bitmap& source, int p) { BlendInto(target, target, source, p); }

namespace {

// Rounds to nearest, ties to even (the default rounding of the floating-point unit).
[[maybe_unused]] inline int round_even(double v) {
#if defined(__SSE2__)
    return _mm_cvtsd_si32(_mm_set_sd(v));
#else
    return int(std::nearbyint(v));
#endif
}

}  // namespace

void RotateInto(Bitmap& out, const Bitmap& base, const Bitmap& source, int pivot_x, int pivot_y, double angle) {
    // Only pixels that exist in every bitmap are read or written, whatever the sizes.
    const int w = std::min({out.width(), base.width(), source.width()});
    const int h = std::min({out.height(), base.height(), source.height()});
    if (w <= 0 || h <= 0) return;
    const long double al = angle;
    const double sn = double(std::sin(al)), cs = double(std::cos(al));
    // Per column the products (x - pivot) * cos and * sin, exactly as the per-pixel formula
    // computes them, so that the row loop only adds the row's terms.
    std::vector<double> col(std::size_t(w) * 2);
    for (int x = 0; x < w; ++x) {
        col[std::size_t(x) * 2] = double(x - pivot_x) * cs;
        col[std::size_t(x) * 2 + 1] = double(x - pivot_x) * sn;
    }
    const unsigned limit_x = unsigned(w), limit_y = unsigned(h);
    const uint8_t* src0 = source.data();
    const std::size_t src_stride = source.stride();
    // Blocks of the target keep the rotated source reads within a few cache lines and pages;
    // row by row, a steep angle would touch a new source row at every pixel.
    constexpr int kBlockW = 64, kBlockH = 32;
    for (int y0 = 0; y0 < h; y0 += kBlockH) {
        const int y1 = std::min(h, y0 + kBlockH);
        for (int x0 = 0; x0 < w; x0 += kBlockW) {
            const int x1 = std::min(w, x0 + kBlockW);
            // A block whose corners all map more than a pixel beyond one side of the source
            // maps wholly outside it (the mapping is affine): it keeps the base pixels.
            double umin = 1e300, umax = -1e300, vmin = 1e300, vmax = -1e300;
            for (int cy : {y0, y1 - 1})
                for (int cx : {x0, x1 - 1}) {
                    const double u = pivot_x + (double(cx - pivot_x) * cs - double(cy - pivot_y) * sn);
                    const double v = pivot_y + (double(cx - pivot_x) * sn + double(cy - pivot_y) * cs);
                    umin = std::min(umin, u);
                    umax = std::max(umax, u);
                    vmin = std::min(vmin, v);
                    vmax = std::max(vmax, v);
                }
            if (umax < -1.0 || vmax < -1.0 || umin > double(w) + 1.0 || vmin > double(h) + 1.0) {
                if (&out != &base)
                    for (int y = y0; y < y1; ++y)
                        std::memcpy(out.row(y) + std::size_t(x0) * 3, base.row(y) + std::size_t(x0) * 3,
                                    std::size_t(x1 - x0) * 3);
                continue;
            }
            for (int y = y0; y < y1; ++y) {
                const double dy = double(y - pivot_y);
                const double ds = dy * sn, dc = dy * cs;
                uint8_t* o = out.row(y);
                const uint8_t* b = base.row(y);
#if defined(__SSE2__)
                const __m128d add = _mm_set_pd(dc, -ds);
                for (int x = x0; x < x1; ++x) {
                    const __m128d v = _mm_add_pd(_mm_loadu_pd(&col[std::size_t(x) * 2]), add);
                    const __m128i r = _mm_cvtpd_epi32(v);
#if defined(__x86_64__)
                    const int64_t both = _mm_cvtsi128_si64(r);
                    const int sx = pivot_x + int32_t(uint32_t(both));
                    const int sy = pivot_y + int32_t(uint32_t(uint64_t(both) >> 32));
#else
                    const int sx = pivot_x + _mm_cvtsi128_si32(r);
                    const int sy = pivot_y + _mm_cvtsi128_si32(_mm_shuffle_epi32(r, 1));
#endif
#else
                for (int x = x0; x < x1; ++x) {
                    const int sx = pivot_x + round_even(col[std::size_t(x) * 2] - ds);
                    const int sy = pivot_y + round_even(col[std::size_t(x) * 2 + 1] + dc);
#endif
                    const uint8_t* p = (unsigned(sx) < limit_x && unsigned(sy) < limit_y)
                                           ? src0 + std::size_t(sy) * src_stride + std::size_t(sx) * 3
                                           : b + x * 3;
                    uint16_t lo;
                    std::memcpy(&lo, p, 2);
                    const uint8_t hi = p[2];
                    std::memcpy(o + x * 3, &lo, 2);
                    o[x * 3 + 2] = hi;
                }
            }
        }
    }
}

void RotateBitmap(Bitmap& target, const Bitmap& source, int pivot_x, int pivot_y, double angle) {
    RotateInto(target, target, source, pivot_x, pivot_y, angle);
}

Rect FitRect(const Rect& picture, const Rect& box) {
    const int pw = picture.width(), ph = picture.height();
    const int bw = box.width(), bh = box.height();
    // A picture without area has no aspect ratio: it fits as nothing, centred in the box.
    if (pw <= 0 || ph <= 0) {
        const int cx = box.left + bw / 2, cy = box.top + bh / 2;
        return {cx, cy, cx, cy};
    }
    int w, h;
    if (double(bh) / double(ph) > double(bw) / double(pw)) {
        w = bw;
        h = MulDiv(ph, bw, pw);
    } else {
        w = MulDiv(pw, bh, ph);
        h = bh;
    }
    const int left = box.left + (bw - w) / 2, top = box.top + (bh - h) / 2;
    return {left, top, left + w, top + h};
}

void TileDraw(Bitmap& canvas, const Rect& r, const Bitmap& graphic) {
    if (graphic.empty()) return;
    const int gw = graphic.width(), gh = graphic.height();
    const int rows = (r.bottom - r.top) / gh, cols = (r.right - r.left) / gw;
    for (int i = 0; i <= rows; ++i)
        for (int j = 0; j <= cols; ++j) DrawAt(canvas, r.left + gw * j, r.top + gh * i, graphic);
}

}  // namespace scr
