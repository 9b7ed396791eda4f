// Clip regions as y-x banded rectangles.
//
// Invariants (checked by invariants_hold()):
//  1. Every band has top < bottom and at least one span.
//  2. Bands are sorted from top to bottom and never overlap: bands[i].bottom <= bands[i+1].top.
//  3. Within a band the spans are sorted, each has left < right, and two spans neither overlap
//     nor touch: spans[j].right < spans[j+1].left.
//  4. Two bands that touch (bands[i].bottom == bands[i+1].top) have different span lists; equal
//     ones would have been one band.
//  5. The bands' span ranges follow each other in the span array, which holds nothing else.
// Together these make the form canonical: two regions cover the same pixels exactly when their
// bands and spans are equal. Drawing through a region is then one run of row copies per band.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <span>
#include <vector>

#include "base/geometry.h"

namespace scr {

struct Span {
    int left = 0;
    int right = 0;  // exclusive
    friend bool operator==(const Span&, const Span&) = default;
};

class Region {
public:
    struct Band {
        int top = 0;
        int bottom = 0;  // exclusive
        uint32_t first = 0;
        uint32_t count = 0;
    };

    Region() = default;  // covers nothing

    static Region from_rect(const Rect& r);
    // The union of any number of rectangles (empty and inverted ones add nothing).
    static Region from_rects(std::vector<Rect> rects);
    // The platform's rounded rectangle: coordinates swapped into order, right and bottom edge
    // left out, corner ellipses capped to the box and a plain rectangle when either is under 2.
    static Region round_rect(int left, int top, int right, int bottom, int ellipse_width, int ellipse_height);
    // A polygon filled by the winding rule: pixel (x, y) is inside when the point (x, y), its
    // top-left corner, is; points on left and top edges count, on right and bottom edges not.
    static Region polygon(std::span<const Point> points);

    Region united(const Region& other) const;
    Region intersected(const Region& other) const;
    Region xored(const Region& other) const;
    // The pixels of this region that are not in other.
    Region subtracted(const Region& other) const;

    bool empty() const { return bands_.empty(); }
    Rect bounds() const;
    bool contains(int x, int y) const;
    std::size_t band_count() const { return bands_.size(); }
    std::size_t span_count() const { return spans_.size(); }

    std::span<const Band> bands() const { return bands_; }
    std::span<const Span> spans(const Band& b) const { return {spans_.data() + b.first, b.count}; }
    // One rectangle per band span, top to bottom, left to right.
    std::vector<Rect> rects() const;

    bool invariants_hold() const;
    friend bool operator==(const Region& a, const Region& b);

private:
    friend class RegionBuilder;
    std::vector<Band> bands_;
    std::vector<Span> spans_;
};

// Appends bands in top-to-bottom order, merging a band into the previous one when it continues
// it with the same spans. Spans given must already satisfy invariant 3.
class RegionBuilder {
public:
    void add_band(int top, int bottom, const Span* spans, std::size_t count);
    void reserve(std::size_t bands, std::size_t spans) {
        region_.bands_.reserve(bands);
        region_.spans_.reserve(spans);
    }
    Region take() { return std::move(region_); }

private:
    Region region_;
};

// The union of any number of polygons, each filled by the winding rule exactly as
// Region::polygon fills it alone, built in one scanline pass over all their edges: a grid of a
// hundred triangles costs one walk down the rows instead of a hundred regions and their unions.
class PolygonUnion {
public:
    // Adds the closed polygon points[0], ..., points[n - 1], points[0].
    void add(std::span<const Point> points);
    void add(std::initializer_list<Point> points) { add(std::span<const Point>(points.begin(), points.size())); }
    // The union of everything added; the polygons are used up.
    Region take();

private:
    // A non-horizontal edge, walked down its rows top <= y < bottom without a division per row:
    // (y - top) * dx = q * dy + r with 0 <= r < dy, so its first column at or right of the edge
    // is x0 + q + (r > 0).
    struct Edge {
        int top, bottom;
        int dir;  // +1 where the polygon runs downwards, -1 upwards
        uint32_t polygon;
        int64_t x0, dy, q, r, step_q, step_r;
        int x;  // the column on the current row
        void next_row() {
            q += step_q;
            r += step_r;
            if (r >= dy) {
                ++q;
                r -= dy;
            }
            x = int(x0 + q + (r > 0 ? 1 : 0));
        }
    };
    std::vector<Edge> edges_;
    uint32_t polygons_ = 0;
};

}  // namespace scr
