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

// Appends the half-open spans of a winding-rule polygon as one-row rectangles (rows with equal
// spans merged), for building unions of many polygons in one pass.
void AppendPolygonRects(std::span<const Point> points, std::vector<Rect>& out);

}  // namespace scr
