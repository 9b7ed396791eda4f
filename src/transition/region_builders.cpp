#include "transition/region_builders.h"

#include <algorithm>
#include <vector>

namespace scr {

namespace {

// Pieces of one builder. Each direction's pieces are united on their own (few distinct rows
// or columns each) and the directions then combined, which keeps building linear in the size
// of the result.
struct Pieces {
    std::vector<Rect> rows, cols;
    bool any = false;
    void row(int l, int t, int r, int b) {
        rows.push_back({l, t, r, b});
        any = true;
    }
    void col(int l, int t, int r, int b) {
        cols.push_back({l, t, r, b});
        any = true;
    }
    std::optional<Region> result() {
        if (!any) return std::nullopt;
        Region a = Region::from_rects(std::move(rows));
        Region b = Region::from_rects(std::move(cols));
        return a.united(b);
    }
};

}  // namespace

std::optional<Region> StripRegion(int h_len, int v_len, int w, int h, int band, int h_kind, int v_kind) {
    Pieces p;
    if (h_kind != 0) {
        int len = h_len;
        for (int y0 = len > w ? 5 : 0; y0 < h + 5; y0 += 10) {
            if (len > w) {
                p.row(0, y0 - 5, w, y0);
                if (h_kind == 1 || h_kind == 4) p.row(2 * w - len, y0, w, y0 + 5);
                if (h_kind == 2 || h_kind == 5) p.row(0, y0, len - w, y0 + 5);
            } else {
                if (len + band > w) len = w;
                if (h_kind == 1 || h_kind == 5) p.row(w - len, y0, w, y0 + 5);
                if (h_kind == 2 || h_kind == 4) p.row(0, y0, len, y0 + 5);
                if (h_kind == 3) {
                    p.row(w - len, y0, w, y0 + 5);
                    p.row(0, y0 + 5, len, y0 + 10);
                }
            }
        }
    }
    if (v_kind != 0) {
        int len = v_len;
        for (int x0 = len > h ? 5 : 0; x0 < w + 5; x0 += 10) {
            if (len > h) {
                p.col(x0 - 5, 0, x0, h);
                if (v_kind == 1 || v_kind == 4) p.col(x0, 2 * h - len, x0 + 5, h);
                if (v_kind == 2 || v_kind == 5) p.col(x0, 0, x0 + 5, len - h);
            } else {
                if (len + band > h) len = h;
                if (v_kind == 1 || v_kind == 5) p.col(x0, h - len, x0 + 5, h);
                if (v_kind == 2 || v_kind == 4) p.col(x0, 0, x0 + 5, len);
                if (v_kind == 3) {
                    p.col(x0, h - len, x0 + 5, h);
                    p.col(x0 + 5, 0, x0 + 10, len);
                }
            }
        }
    }
    return p.result();
}

std::optional<Region> RaggedRegion(int h_len, int v_len, int w, int h, int h_kind, int v_kind, RandomSource& random) {
    Pieces p;
    // Kinds 1 and 2 draw two numbers per row, kinds 3 and 4 four, in the order they are used.
    if (h_kind != 0) {
        const int c = h_len < w ? w / 7 : 0;
        const int extra = h % 5;
        for (int y = 0; y < h; y += 5) {
            const int bottom = y + 5 + extra;
            const int r1 = random.next(c), r2 = random.next(c);
            switch (h_kind) {
            case 1: p.row(r1 + (w - h_len) - r2, y, w, bottom); break;
            case 2: p.row(0, y, r1 + h_len - r2, bottom); break;
            case 3: {
                const int r3 = random.next(c), r4 = random.next(c);
                p.row((r1 + (w - h_len) - r2) / 2, y, w / 2, bottom);
                p.row(w / 2, y, (r3 + (w + h_len) - r4) / 2, bottom);
                break;
            }
            case 4: {
                const int r3 = random.next(c), r4 = random.next(c);
                p.row(w - (r1 + h_len - r2) / 2, y, w, bottom);
                p.row(0, y, (r3 + h_len - r4) / 2, bottom);
                break;
            }
            default: break;
            }
        }
    }
    if (v_kind != 0) {
        const int c = v_len < h ? h / 7 : 0;
        const int extra = w % 5;
        for (int x = 0; x < w; x += 5) {
            const int right = x + 5 + extra;
            const int r1 = random.next(c), r2 = random.next(c);
            switch (v_kind) {
            case 1: p.col(x, r1 + (h - v_len) - r2, right, h); break;
            case 2: p.col(x, 0, right, r1 + v_len - r2); break;
            case 3: {
                const int r3 = random.next(c), r4 = random.next(c);
                p.col(x, (r1 + (h - v_len) - r2) / 2, right, h / 2);
                p.col(x, h / 2, right, (r3 + (h + v_len) - r4) / 2);
                break;
            }
            case 4: {
                const int r3 = random.next(c), r4 = random.next(c);
                p.col(x, h - (r1 + v_len - r2) / 2, right, h);
                p.col(x, 0, right, (r3 + v_len - r4) / 2);
                break;
            }
            default: break;
            }
        }
    }
    return p.result();
}

std::optional<Region> ScatterRegion(int h_len, int v_len, int w, int h, int h_kind, int v_kind, RandomSource& random) {
    Pieces p;
    // A block i cells beyond the edge appears when Random(i) <= (1 if t >= i else 0).
    auto block = [&random](int i, int t) { return random.next(i) <= (t >= i ? 1 : 0); };
    if (h_kind != 0) {
        const int e = h_len < w ? w / 10 : 0;
        const int f = std::max(e / 20, 2);
        const int n = e / f, t = (3 * e / f) / 4;
        for (int y = 0; y < h; y += f / 2) {
            if (h_kind == 1) {
                p.row(w - h_len, y, w, y + f);
                for (int i = n; i >= 1; --i) {
                    const int x = w - h_len - i * f;
                    if (block(i, t)) p.row(x, y, x + f, y + f);
                }
            } else {
                p.row(0, y, h_len, y + f);
                for (int i = n; i >= 1; --i) {
                    const int x = h_len + i * f;
                    if (block(i, t)) p.row(x - f, y, x, y + f);
                }
            }
        }
    }
    if (v_kind != 0) {
        const int e = v_len < h ? h / 10 : 0;
        const int f = std::max(e / 20, 2);
        const int n = e / f, t = (3 * e / f) / 4;
        for (int x = 0; x < w; x += f / 2) {
            if (v_kind == 1) {
                p.col(x, h - v_len, x + f, h);
                for (int i = n; i >= 1; --i) {
                    const int y = h - v_len - i * f;
                    if (block(i, t)) p.col(x, y, x + f, y + f);
                }
            } else {
                p.col(x, 0, x + f, v_len);
                for (int i = n; i >= 1; --i) {
                    const int y = v_len + i * f;
                    if (block(i, t)) p.col(x, y - f, x + f, y);
                }
            }
        }
    }
    return p.result();
}

int DissolveCell(int w, int h, int p) { return std::max(std::min(w, h) / 50 + p / 10, 1); }

std::optional<Region> DissolveRegion(int w, int h, int p, RandomSource& random) {
    const int d = DissolveCell(w, h, p);
    Pieces pieces;
    for (int x = 0; x < w; x += d)
        for (int y = 0; y < h; y += d)
            if (random.next(100) < p) pieces.row(x - d, y - d, x + d, y + d);
    return pieces.result();
}

Region TriangleRegion(Point a, Point b, Point c) {
    const Point pts[4] = {a, b, c, a};
    return Region::polygon(pts);
}

}  // namespace scr
