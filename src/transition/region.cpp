#include "transition/region.h"

#include <algorithm>
#include <climits>
#include <cstdlib>

namespace scr {

namespace {

// Walks the x boundaries of two span lists in order and keeps the parts where op(inA, inB)
// holds. Touching pieces come out merged, so the result satisfies invariant 3.
template <class Op>
void merge_spans(const Span* a, std::size_t na, const Span* b, std::size_t nb, Op op, std::vector<Span>& out) {
    out.clear();
    // Shortcuts for a missing side and for one span covering all of the other side, the
    // common cases when rows and columns of strips are combined.
    if (nb == 0 || na == 0) {
        const bool keep = nb == 0 ? op(true, false) : op(false, true);
        if (keep) out.assign(nb == 0 ? a : b, (nb == 0 ? a : b) + (nb == 0 ? na : nb));
        return;
    }
    const bool a_covers = na == 1 && a[0].left <= b[0].left && a[0].right >= b[nb - 1].right;
    const bool b_covers = nb == 1 && b[0].left <= a[0].left && b[0].right >= a[na - 1].right;
    if ((a_covers || b_covers) && op(true, true) && op(true, false) == op(false, true)) {
        // Union keeps the covering span, intersection the covered spans.
        const bool keep_cover = op(true, false);
        const Span* keep = (a_covers == keep_cover) ? a : b;
        const std::size_t n = (a_covers == keep_cover) ? na : nb;
        out.assign(keep, keep + n);
        return;
    }
    std::size_t i = 0, j = 0;
    bool in_a = false, in_b = false, cur = false;
    int start = 0;
    for (;;) {
        const int xa = i < na ? (in_a ? a[i].right : a[i].left) : INT_MAX;
        const int xb = j < nb ? (in_b ? b[j].right : b[j].left) : INT_MAX;
        const int x = std::min(xa, xb);
        if (x == INT_MAX) break;
        if (xa == x) {
            if (in_a) ++i;
            in_a = !in_a;
        }
        if (xb == x) {
            if (in_b) ++j;
            in_b = !in_b;
        }
        const bool v = op(in_a, in_b);
        if (v != cur) {
            if (v)
                start = x;
            else
                out.push_back({start, x});
            cur = v;
        }
    }
}

template <class Op>
Region combine(const Region& ra, const Region& rb, Op op) {
    const auto A = ra.bands();
    const auto B = rb.bands();
    RegionBuilder builder;
    builder.reserve(A.size() + B.size(), ra.span_count() + rb.span_count());
    std::vector<Span> spans;
    std::size_t ia = 0, ib = 0;
    int y = INT_MIN;
    while (ia < A.size() || ib < B.size()) {
        const int atop = ia < A.size() ? std::max(A[ia].top, y) : INT_MAX;
        const int btop = ib < B.size() ? std::max(B[ib].top, y) : INT_MAX;
        const int top = std::min(atop, btop);
        const bool a_on = atop == top && ia < A.size();
        const bool b_on = btop == top && ib < B.size();
        int bottom = INT_MAX;
        if (ia < A.size()) bottom = std::min(bottom, a_on ? A[ia].bottom : atop);
        if (ib < B.size()) bottom = std::min(bottom, b_on ? B[ib].bottom : btop);
        const Span* sa = a_on ? ra.spans(A[ia]).data() : nullptr;
        const Span* sb = b_on ? rb.spans(B[ib]).data() : nullptr;
        merge_spans(sa, a_on ? A[ia].count : 0, sb, b_on ? B[ib].count : 0, op, spans);
        builder.add_band(top, bottom, spans.data(), spans.size());
        y = bottom;
        if (ia < A.size() && A[ia].bottom <= y) ++ia;
        if (ib < B.size() && B[ib].bottom <= y) ++ib;
    }
    return builder.take();
}

// Coordinates are kept well inside int so that sums of two never overflow.
constexpr int kCoordLimit = 1 << 29;
int clamp_coord(int v) { return std::clamp(v, -kCoordLimit, kCoordLimit); }


}  // namespace

void RegionBuilder::add_band(int top, int bottom, const Span* spans, std::size_t count) {
    if (count == 0 || top >= bottom) return;
    auto& bands = region_.bands_;
    auto& all = region_.spans_;
    if (!bands.empty()) {
        Region::Band& last = bands.back();
        if (last.bottom == top && last.count == count &&
            std::equal(spans, spans + count, all.begin() + last.first)) {
            last.bottom = bottom;
            return;
        }
    }
    bands.push_back({top, bottom, uint32_t(all.size()), uint32_t(count)});
    all.insert(all.end(), spans, spans + count);
}

Region Region::from_rect(const Rect& r) {
    RegionBuilder b;
    const Span s{clamp_coord(r.left), clamp_coord(r.right)};
    if (s.left < s.right) b.add_band(clamp_coord(r.top), clamp_coord(r.bottom), &s, 1);
    return b.take();
}

Region Region::from_rects(std::vector<Rect> rects) {
    std::erase_if(rects, [](const Rect& r) { return r.empty(); });
    for (Rect& r : rects) r = {clamp_coord(r.left), clamp_coord(r.top), clamp_coord(r.right), clamp_coord(r.bottom)};
    std::erase_if(rects, [](const Rect& r) { return r.empty(); });
    if (rects.empty()) return {};
    int ymin = INT_MAX, ymax = INT_MIN;
    for (const Rect& r : rects) {
        ymin = std::min(ymin, r.top);
        ymax = std::max(ymax, r.bottom);
    }
    std::vector<int> ys;
    // Pictures are a few thousand rows high: over such a range, counting beats sorting.
    const int64_t range = int64_t(ymax) - ymin + 1;
    if (range <= int64_t(rects.size()) * 8 + 4096) {
        std::vector<uint32_t> count(std::size_t(range) + 1, 0);
        std::vector<char> boundary(std::size_t(range), 0);
        for (const Rect& r : rects) {
            ++count[std::size_t(r.top - ymin) + 1];
            boundary[std::size_t(r.top - ymin)] = 1;
            boundary[std::size_t(r.bottom - ymin)] = 1;
        }
        for (std::size_t k = 1; k < count.size(); ++k) count[k] += count[k - 1];
        std::vector<Rect> sorted(rects.size());
        for (const Rect& r : rects) sorted[count[std::size_t(r.top - ymin)]++] = r;
        rects.swap(sorted);
        for (std::size_t k = 0; k < boundary.size(); ++k)
            if (boundary[k]) ys.push_back(ymin + int(k));
    } else {
        std::sort(rects.begin(), rects.end(), [](const Rect& a, const Rect& b) { return a.top < b.top; });
        ys.reserve(rects.size() * 2);
        for (const Rect& r : rects) {
            ys.push_back(r.top);
            ys.push_back(r.bottom);
        }
        std::sort(ys.begin(), ys.end());
        ys.erase(std::unique(ys.begin(), ys.end()), ys.end());
    }

    // The rectangles crossing the current interval, kept sorted by left edge so that each
    // interval's spans come from one merging pass.
    struct Active {
        int left, right, bottom;
    };
    std::vector<Active> active;
    std::vector<Span> spans;
    RegionBuilder builder;
    std::size_t next = 0;
    for (std::size_t yi = 0; yi + 1 < ys.size(); ++yi) {
        const int y0 = ys[yi], y1 = ys[yi + 1];
        std::erase_if(active, [y0](const Active& a) { return a.bottom <= y0; });
        for (; next < rects.size() && rects[next].top == y0; ++next) {
            const Rect& r = rects[next];
            auto at = std::upper_bound(active.begin(), active.end(), r.left,
                                       [](int left, const Active& a) { return left < a.left; });
            active.insert(at, {r.left, r.right, r.bottom});
        }
        if (active.empty()) continue;
        spans.clear();
        Span cur{active[0].left, active[0].right};
        for (std::size_t k = 1; k < active.size(); ++k) {
            if (active[k].left <= cur.right) {
                cur.right = std::max(cur.right, active[k].right);
            } else {
                spans.push_back(cur);
                cur = {active[k].left, active[k].right};
            }
        }
        spans.push_back(cur);
        builder.add_band(y0, y1, spans.data(), spans.size());
    }
    return builder.take();
}

Region Region::round_rect(int left, int top, int right, int bottom, int ellipse_width, int ellipse_height) {
    left = clamp_coord(left);
    top = clamp_coord(top);
    right = clamp_coord(right);
    bottom = clamp_coord(bottom);
    if (left > right) std::swap(left, right);
    if (top > bottom) std::swap(top, bottom);
    // The platform leaves out the right column and the bottom row of the box.
    --right;
    --bottom;
    const int ew = std::min(right - left, std::abs(clamp_coord(ellipse_width)));
    const int eh = std::min(bottom - top, std::abs(clamp_coord(ellipse_height)));
    // The plain rectangle, like any rectangle region, is put in order first (a box of width
    // or height 0 becomes one column or row to the left or above).
    if (ew < 2 || eh < 2)
        return from_rect({std::min(left, right), std::min(top, bottom), std::max(left, right), std::max(top, bottom)});

    // Corner rows from a midpoint ellipse walk over an ew x eh box: row k of the lower half of
    // the ellipse (k from eh/2) keeps [left + inset, right - inset). Rows the walk never
    // reaches (a very flat or very narrow ellipse) stay empty.
    constexpr int kUnreached = -1;
    std::vector<int> inset(std::size_t(eh), kUnreached);
    inset[std::size_t(eh / 2)] = 0;
    const int64_t a = ew - 1, b = eh - 1;
    const int64_t asq = 8 * a * a, bsq = 8 * b * b;
    int64_t dx = 4 * b * b * (1 - a);
    int64_t dy = 4 * a * a * (1 + (b % 2));
    int64_t err = dx + dy + a * a * (b % 2);
    int x = 0, y = eh / 2;
    while (x <= ew / 2) {
        const int64_t e2 = 2 * err;
        if (e2 >= dx) {
            ++x;
            dx += bsq;
            err += dx;
        }
        if (e2 <= dy) {
            ++y;
            dy += asq;
            err += dy;
            if (y < eh) inset[std::size_t(y)] = x;
        }
    }

    RegionBuilder builder;
    auto add_row = [&](int row_top, int row_bottom, int in) {
        if (in == kUnreached) return;
        const Span s{left + in, right - in};
        if (s.left < s.right) builder.add_band(row_top, row_bottom, &s, 1);
    };
    const int half = eh / 2;
    for (int i = 0; i < half; ++i) add_row(top + i, top + i + 1, inset[std::size_t(b - i)]);
    add_row(top + half, bottom - eh + half + 1, 0);
    for (int i = half + 1; i < eh; ++i) add_row(bottom - eh + i, bottom - eh + i + 1, inset[std::size_t(i)]);
    return builder.take();
}

void PolygonUnion::add(std::span<const Point> points) {
    const std::size_t n = points.size();
    if (n < 2) return;
    const uint32_t id = polygons_++;
    for (std::size_t i = 0; i < n; ++i) {
        Point p = points[i], q = points[(i + 1) % n];
        p = {clamp_coord(p.x), clamp_coord(p.y)};
        q = {clamp_coord(q.x), clamp_coord(q.y)};
        if (p.y == q.y) continue;  // horizontal edges cross no row
        const int dir = p.y < q.y ? 1 : -1;
        if (dir < 0) std::swap(p, q);
        const int64_t dx = int64_t(q.x) - p.x, dy = int64_t(q.y) - p.y;
        int64_t step_q = dx / dy, step_r = dx % dy;
        if (step_r < 0) {
            --step_q;
            step_r += dy;
        }
        edges_.push_back({p.y, q.y, dir, id, p.x, dy, 0, 0, step_q, step_r, p.x});
    }
}

Region PolygonUnion::take() {
    std::vector<Edge> edges = std::move(edges_);
    std::vector<int> wind(polygons_, 0);
    edges_.clear();
    polygons_ = 0;
    std::sort(edges.begin(), edges.end(), [](const Edge& a, const Edge& b) { return a.top < b.top; });

    // The edges crossing the current row, kept in column order: from one row to the next they
    // barely move, so an insertion sort puts them back in order in about one pass.
    std::vector<Edge*> active;
    std::vector<Span> spans;
    RegionBuilder builder;
    // A band per row and a span per two crossings at the most: reserving that (capped) spares
    // the regrowth of large buffers on every frame.
    int64_t crossings = 0, bottom = INT_MIN;
    for (const Edge& e : edges) {
        crossings += int64_t(e.bottom) - e.top;
        bottom = std::max<int64_t>(bottom, e.bottom);
    }
    constexpr int64_t kReserveCap = 1 << 16;
    if (!edges.empty())
        builder.reserve(std::size_t(std::min(bottom - edges.front().top, kReserveCap)),
                        std::size_t(std::min(crossings / 2, kReserveCap)));
    std::size_t next = 0;
    int y = edges.empty() ? 0 : edges.front().top;
    while (next < edges.size() || !active.empty()) {
        if (active.empty()) y = std::max(y, edges[next].top);  // no row in between has pixels
        std::erase_if(active, [y](const Edge* e) { return e->bottom <= y; });
        for (Edge* e : active) e->next_row();
        for (; next < edges.size() && edges[next].top == y; ++next) active.push_back(&edges[next]);
        for (std::size_t i = 1; i < active.size(); ++i)
            for (std::size_t j = i; j > 0 && active[j]->x < active[j - 1]->x; --j) std::swap(active[j], active[j - 1]);

        // A column is inside when some polygon's winding number is nonzero after all crossings
        // at or left of it; crossings at one column count together, whatever their order.
        spans.clear();
        int inside = 0, start = 0;
        for (std::size_t i = 0; i < active.size();) {
            const int x = active[i]->x;
            const bool was_inside = inside > 0;
            for (; i < active.size() && active[i]->x == x; ++i) {
                int& w = wind[active[i]->polygon];
                inside -= w != 0;
                w += active[i]->dir;
                inside += w != 0;
            }
            if (!was_inside && inside > 0)
                start = x;
            else if (was_inside && inside == 0)
                spans.push_back({start, x});
        }
        builder.add_band(y, y + 1, spans.data(), spans.size());
        ++y;
    }
    return builder.take();
}

Region Region::polygon(std::span<const Point> points) {
    PolygonUnion u;
    u.add(points);
    return u.take();
}

Region Region::united(const Region& other) const {
    if (other.empty()) return *this;
    if (empty()) return other;
    return combine(*this, other, [](bool a, bool b) { return a || b; });
}

Region Region::intersected(const Region& other) const {
    if (empty() || other.empty()) return {};
    return combine(*this, other, [](bool a, bool b) { return a && b; });
}

Region Region::xored(const Region& other) const {
    if (other.empty()) return *this;
    if (empty()) return other;
    return combine(*this, other, [](bool a, bool b) { return a != b; });
}

Region Region::subtracted(const Region& other) const {
    if (empty() || other.empty()) return *this;
    return combine(*this, other, [](bool a, bool b) { return a && !b; });
}

Rect Region::bounds() const {
    if (bands_.empty()) return {};
    Rect r{INT_MAX, bands_.front().top, INT_MIN, bands_.back().bottom};
    for (const Band& b : bands_) {
        r.left = std::min(r.left, spans_[b.first].left);
        r.right = std::max(r.right, spans_[b.first + b.count - 1].right);
    }
    return r;
}

bool Region::contains(int x, int y) const {
    auto it = std::upper_bound(bands_.begin(), bands_.end(), y, [](int v, const Band& b) { return v < b.bottom; });
    if (it == bands_.end() || y < it->top) return false;
    const auto s = spans(*it);
    auto sp = std::upper_bound(s.begin(), s.end(), x, [](int v, const Span& sp) { return v < sp.right; });
    return sp != s.end() && x >= sp->left;
}

std::vector<Rect> Region::rects() const {
    std::vector<Rect> out;
    out.reserve(spans_.size());
    for (const Band& b : bands_)
        for (const Span& s : spans(b)) out.push_back({s.left, b.top, s.right, b.bottom});
    return out;
}

bool Region::invariants_hold() const {
    std::size_t expected_first = 0;
    for (std::size_t i = 0; i < bands_.size(); ++i) {
        const Band& b = bands_[i];
        if (b.top >= b.bottom || b.count == 0) return false;
        if (b.first != expected_first || std::size_t(b.first) + b.count > spans_.size()) return false;
        expected_first += b.count;
        for (uint32_t k = 0; k < b.count; ++k) {
            const Span& s = spans_[b.first + k];
            if (s.left >= s.right) return false;
            if (k > 0 && spans_[b.first + k - 1].right >= s.left) return false;
        }
        if (i > 0) {
            const Band& p = bands_[i - 1];
            if (p.bottom > b.top) return false;
            if (p.bottom == b.top && p.count == b.count &&
                std::equal(spans_.begin() + p.first, spans_.begin() + p.first + p.count, spans_.begin() + b.first))
                return false;
        }
    }
    return expected_first == spans_.size();
}

bool operator==(const Region& a, const Region& b) {
    if (a.bands_.size() != b.bands_.size() || a.spans_ != b.spans_) return false;
    for (std::size_t i = 0; i < a.bands_.size(); ++i) {
        const auto& x = a.bands_[i];
        const auto& y = b.bands_[i];
        if (x.top != y.top || x.bottom != y.bottom || x.count != y.count) return false;
    }
    return true;
}

}  // namespace scr
