// BuildFrame: one frame of a show. The frame is defined as "copy the old picture, then draw
// the style over it"; where nothing needs to see the intermediate state (no OnBeforeNewFrame
// handler, no custom drawing) both happen in one pass, each pixel written once from the old or
// the new picture. The pixels and the invalidation calls are the same either way.
#include <algorithm>
#include <cstring>
#include <numbers>
#include <random>

#include "transition/blit.h"
#include "transition/frame.h"
#include "transition/pixel_copy.h"
#include "transition/styles.h"

namespace scr {

namespace {

// Used only when the caller gave no random source to a random style.
class FallbackRandom final : public RandomSource {
public:
    int next(int n) override { return n <= 0 ? 0 : std::uniform_int_distribution<int>(0, n - 1)(engine_); }

private:
    std::mt19937 engine_{20240601u};
};

// Draws the scaled copies in order over base (which may be the screen itself).
void ComposePasses(Bitmap& screen, const Bitmap& base, const Bitmap& src, const std::vector<StretchPlan>& plans,
                   bool streamed) {
    const bool in_place = &base == &screen;
    // Drawn in place, every row must start from the old pixels already in it.
    RowOutput out(screen, streamed && !in_place);
    const int w = screen.width(), h = screen.height();
    const std::size_t row_bytes = std::size_t(w) * 3;
    std::vector<std::size_t> on_row;
    struct Range {
        int l, r;
    };
    std::vector<Range> ranges;
    for (int y = 0; y < h; ++y) {
        on_row.clear();
        for (std::size_t k = 0; k < plans.size(); ++k)
            if (!plans[k].empty() && y >= plans[k].dest().top && y < plans[k].dest().bottom) on_row.push_back(k);
        if (on_row.empty() && !in_place) {
            out.copy_row(y, base.row(y));
            continue;
        }
        uint8_t* d = out.row(y);
        if (!in_place) {
            // The old picture only where no copy lands on this row.
            ranges.clear();
            for (std::size_t k : on_row) ranges.push_back({plans[k].dest().left, plans[k].dest().right});
            std::sort(ranges.begin(), ranges.end(), [](const Range& a, const Range& b) { return a.l < b.l; });
            const uint8_t* b = base.row(y);
            int pos = 0;
            for (const Range& r : ranges) {
                if (r.l > pos) copy_bytes(d + std::size_t(pos) * 3, b + std::size_t(pos) * 3, std::size_t(r.l - pos) * 3);
                pos = std::max(pos, r.r);
            }
            if (pos < w) copy_bytes(d + std::size_t(pos) * 3, b + std::size_t(pos) * 3, row_bytes - std::size_t(pos) * 3);
        }
        for (std::size_t n = 0; n < on_row.size(); ++n) {
            const StretchPlan& plan = plans[on_row[n]];
            const Rect& r = plan.dest();
            const int sy = plan.source_row(y);
            // A scaled row that repeats the row above can be taken from there, unless a later
            // copy drew over that part of the row above.
            bool reuse = !plan.plain_columns() && y > r.top && plan.source_row(y - 1) == sy;
            for (std::size_t k = on_row[n] + 1; reuse && k < plans.size(); ++k) {
                const Rect& o = plans[k].dest();
                if (!plans[k].empty() && y - 1 >= o.top && y - 1 < o.bottom && o.left < r.right && r.left < o.right)
                    reuse = false;
            }
            if (reuse)
                std::memcpy(d + std::size_t(r.left) * 3, out.previous(y) + std::size_t(r.left) * 3,
                            std::size_t(r.width()) * 3);
            else
                plan.draw_row(d, src, sy);
        }
        out.done(y);
    }
}

void CopyWhole(Bitmap& dst, const Bitmap& src, bool streamed = false) {
    if (&dst == &src) return;
    RowOutput out(dst, streamed);
    for (int y = 0; y < dst.height(); ++y) out.copy_row(y, src.row(y));
}

// Beyond this many bytes a frame and the two pictures it is made of no longer share a
// last-level cache: reading the screen's lines in before overwriting them would only add
// memory traffic, so its rows are streamed out instead.
constexpr std::size_t kStreamedFrameBytes = std::size_t(8) << 20;

}  // namespace

void BuildFrame(FrameContext& ctx) { BuildFrame(ctx, FrameWrites::Auto); }

void BuildFrame(FrameContext& ctx, FrameWrites writes) {
    if (!ctx.old_bitmap || !ctx.new_bitmap || !ctx.screen) return;
    const Bitmap& old_bmp = *ctx.old_bitmap;
    const Bitmap& new_bmp = *ctx.new_bitmap;
    Bitmap& screen = *ctx.screen;
    const int W = new_bmp.width(), H = new_bmp.height();
    // The three pictures have the new picture's size during a show; anything else is a caller
    // error that must not become a read or write outside a bitmap.
    if (old_bmp.width() != W || old_bmp.height() != H || screen.width() != W || screen.height() != H) return;

    const int style = ctx.style;
    const StyleKind kind = KindOfStyle(style);

    // Step 1, copying the old picture, is only done ahead when someone may look at the frame
    // in between; otherwise it is fused into the drawing below.
    const bool copy_first = bool(ctx.before_new_frame) || kind == StyleKind::Custom || kind == StyleKind::None;
    if (copy_first) CopyWhole(screen, old_bmp);
    if (ctx.before_new_frame) ctx.before_new_frame();
    if (kind == StyleKind::None) return;
    const Bitmap& base = copy_first ? screen : old_bmp;
    bool streamed = writes == FrameWrites::Streamed ||
                    (writes == FrameWrites::Auto && kCanStream && screen.size_bytes() > kStreamedFrameBytes);

    const Rect whole{0, 0, W, H};
    Rect d = whole;
    const int p0 = std::clamp(ctx.progress, 0, 100);
    const FrameMeasures m = ComputeMeasures(W, H, p0, ctx.step);
    auto invalidate = [&ctx](const Rect& r) {
        if (ctx.invalidate_area) ctx.invalidate_area(r);
    };

    switch (kind) {
    case StyleKind::Custom:
        if (ctx.custom_draw) {
            ctx.custom_draw(new_bmp, screen);
        } else {
            CopyWhole(screen, new_bmp);
            ctx.progress = 100;
        }
        if (ctx.progress == 100) CopyWhole(screen, new_bmp);
        break;

    case StyleKind::Rectangle: {
        const std::vector<CopyPass> passes = RectanglePasses(style, W, H, m);
        std::vector<StretchPlan> plans;
        auto plan_of = [&](const CopyPass& c) {
            MirroredCopy m{c.d, c.s};
            if (c.flip_left_right || c.flip_top_bottom)
                m = MirrorRects(c.d, c.s, W, H, c.flip_left_right, c.flip_top_bottom);
            const Rect& t = m.dest;
            const Rect& s = m.source;
            return StretchPlan(W, H, t.left, t.top, t.right - t.left, t.bottom - t.top, W, H, s.left, s.top,
                               s.right - s.left, s.bottom - s.top);
        };
        for (std::size_t i = 0; i + 1 < passes.size(); ++i) {
            if (p0 != 100) plans.push_back(plan_of(passes[i]));
            invalidate(passes[i].d);
        }
        d = passes.back().d;
        if (p0 == 100) {
            CopyWhole(screen, new_bmp, streamed);
        } else {
            if (p0 != 0) plans.push_back(plan_of(passes.back()));
            // Scaled copies fetch pixel by pixel and are bound by that work. Written in place,
            // the screen lines are read in while it goes on; a streamed row only goes out once
            // it is whole, after the work, so frames mostly scaled measured slower streamed.
            if (writes == FrameWrites::Auto) {
                int64_t scaled = 0;
                for (const StretchPlan& plan : plans)
                    if (!plan.plain_columns()) scaled += int64_t(plan.dest().width()) * plan.dest().height();
                streamed = streamed && scaled * 2 <= int64_t(W) * H;
            }
            ComposePasses(screen, base, new_bmp, plans, streamed);
        }
        break;
    }

    case StyleKind::Region: {
        FallbackRandom fallback;
        RandomSource& random = ctx.random ? *ctx.random : static_cast<RandomSource&>(fallback);
        const std::optional<Region> region = StyleRegion(style, W, H, m, random);
        if (p0 == 100)
            CopyWhole(screen, new_bmp, streamed);
        else if (p0 != 0 && region)
            ComposeThroughRegion(screen, base, new_bmp, *region, streamed);
        else
            CopyWhole(screen, base, streamed);
        break;
    }

    case StyleKind::Blend:
        if (p0 == 100)
            CopyWhole(screen, new_bmp, streamed);
        else
            BlendInto(screen, base, new_bmp, p0, streamed);
        break;

    case StyleKind::Rotate: {
        if (p0 == 100) {
            CopyWhole(screen, new_bmp, streamed);
            break;
        }
        const double theta = double((100 - p0) * std::numbers::pi_v<long double> / 200);
        const int px = (style == 121 || style == 122) ? W : -1;
        const int py = (style == 120 || style == 122) ? H : -1;
        RotateInto(screen, base, new_bmp, px, py, theta);
        break;
    }

    case StyleKind::None: break;
    }

    invalidate(d);
    if (ctx.after_new_frame) ctx.after_new_frame();
}

}  // namespace scr
