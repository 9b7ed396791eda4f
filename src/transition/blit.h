// Pixel operations on 24-bit bitmaps: plain and scaled copies with the platform's blit rules,
// copies through a clip region, the blend and the rotation of the pixel styles, and the two
// layout helpers of painting.
#pragma once

#include <cstdint>
#include <vector>

#include "base/bitmap.h"
#include "base/geometry.h"
#include "transition/region.h"

namespace scr {

// One scaled copy worked out in advance: which destination pixels it writes and, for each, the
// source pixel it takes. The rules are the platform's nearest-neighbour blit in COLORONCOLOR
// mode:
//  - per axis, with source length s and destination length d: when enlarging (d >= s)
//    destination pixel i takes source pixel ceil((2i + 1) s / 2d) - 1 (the pixel under its
//    centre, halves going left); when shrinking, source pixel j lands on destination pixel
//    ceil((2j + 1) d / 2s) - 1 and, of the pixels landing together, the last column but the
//    first row wins (except that columns shrunk into one unmirrored column give the last but
//    one);
//  - a negative destination extent mirrors: pixel i lands on start - i, so the copy covers
//    start + extent + 1 .. start;
//  - a source reaching outside its bitmap is cut to it, and the destination shrinks in
//    proportion; destination pixels reaching outside the target bitmap are skipped;
//  - a zero or negative source extent, or a zero destination extent, copies nothing.
class StretchPlan {
public:
    StretchPlan(int dst_width, int dst_height, int dx, int dy, int dw, int dh, int src_width, int src_height, int sx,
                int sy, int sw, int sh);

    bool empty() const { return dest_.empty(); }
    // The destination pixels written: every pixel of this rectangle, nothing else.
    const Rect& dest() const { return dest_; }
    // Whether every destination row takes a source row unscaled and unmirrored (a plain copy).
    bool plain_columns() const { return plain_columns_; }
    int source_row(int y) const { return rows_[std::size_t(y - dest_.top)]; }
    // Writes dest().left .. dest().right of one destination row from source row sy.
    void draw_row(uint8_t* dst_row, const Bitmap& src, int sy) const;
    // The same one pixel at a time, kept for checking draw_row's faster forms against.
    void draw_row_per_pixel(uint8_t* dst_row, const Bitmap& src, int sy) const;

private:
    Rect dest_;
    bool plain_columns_ = false;
    int plain_src_x_ = 0;
    std::vector<int> rows_;         // source row per destination row
    std::vector<uint32_t> cols_;    // source byte offset per destination column
};

// StretchBlt(dst, dx, dy, dw, dh, src, sx, sy, sw, sh) with the rules of StretchPlan.
void StretchCopy(Bitmap& dst, int dx, int dy, int dw, int dh, const Bitmap& src, int sx, int sy, int sw, int sh);
// The same with rectangles: S of src scaled into D of dst (a D of negative width or height
// mirrors, as its extents say).
void CopyRect(Bitmap& dst, const Rect& d, const Bitmap& src, const Rect& s);
// Draws src unscaled with its top-left corner at (x, y), clipped to dst.
void DrawAt(Bitmap& dst, int x, int y, const Bitmap& src);
// Fills the part of r inside dst with one colour given as 0x00BBGGRR (the COLORREF layout).
void FillSolid(Bitmap& dst, const Rect& r, uint32_t colorref);

// The scaled copy that draws S of a src_width x src_height source mirrored into D: the source
// rectangle is first cut to the bitmap; a left-right flip makes the destination run from
// D.right + 1 to D.left - 1, a top-bottom flip from D.bottom + 1 to D.top - 1 (so the copy
// reaches two pixels past D's right or bottom).
struct MirroredCopy {
    Rect dest;    // extents negative along the flipped axes
    Rect source;
};
MirroredCopy MirrorRects(const Rect& d, const Rect& s, int src_width, int src_height, bool flip_left_right,
                         bool flip_top_bottom);
// Draws S of src mirrored into D of dst, as MirrorRects gives it.
void MirrorBlt(Bitmap& dst, const Rect& d, const Bitmap& src, bool flip_left_right, bool flip_top_bottom, Rect s);

// Draws src at (0, 0) into dst through the region (both clipped to dst).
void DrawThroughRegion(Bitmap& dst, const Bitmap& src, const Region& region);
// dst = inside the region src, elsewhere base; all three the same size. One pass: every pixel
// is written once. Streamed writes go around the cache (see RowOutput); the pixels are the same.
void ComposeThroughRegion(Bitmap& dst, const Bitmap& base, const Bitmap& src, const Region& region,
                          bool streamed = false);

// target = target * (100 - p) div 100 + source * p div 100 for every byte of the source's size
// (each term divided separately).
void BlendBitmaps(Bitmap& target, const Bitmap& source, int p);
// The same formula with the old picture read from base: out = base blended with source.
// Streamed writes go around the cache (see RowOutput); the pixels are the same.
void BlendInto(Bitmap& out, const Bitmap& base, const Bitmap& source, int p, bool streamed = false);
// The portable form of BlendInto, kept for checking the vectorised one against.
void BlendIntoPortable(Bitmap& out, const Bitmap& base, const Bitmap& source, int p);

// For every target pixel over the source's size, takes the source pixel the angle turns onto
// it about the pivot (coordinates rounded to nearest, ties to even); target pixels that map
// outside the target keep their value.
void RotateBitmap(Bitmap& target, const Bitmap& source, int pivot_x, int pivot_y, double angle);
// The same, with pixels that keep their value read from base instead (out may not be base).
void RotateInto(Bitmap& out, const Bitmap& base, const Bitmap& source, int pivot_x, int pivot_y, double angle);

// The largest rectangle of the picture's aspect ratio, centred in the box.
Rect FitRect(const Rect& picture, const Rect& box);
// Draws the graphic repeatedly from the rectangle's top-left corner, one extra row and column
// past the rectangle; the bitmap clips.
void TileDraw(Bitmap& canvas, const Rect& r, const Bitmap& graphic);

}  // namespace scr
