// The seam between the picture show control and the transition styles: everything one frame
// of a show reads and writes. The control fills a FrameContext and calls BuildFrame for every
// frame; BuildFrame never sleeps and keeps no state between frames.
#pragma once

#include <functional>

#include "base/bitmap.h"
#include "base/geometry.h"

namespace scr {

// Uniform integers for the random styles: next(n) is uniform over 0..n-1, and 0 for n <= 0.
class RandomSource {
public:
    virtual ~RandomSource() = default;
    virtual int next(int n) = 0;
};

struct FrameContext {
    const Bitmap* old_bitmap = nullptr;  // what the user saw when the show began (W x H)
    const Bitmap* new_bitmap = nullptr;  // the new picture (W x H)
    Bitmap* screen = nullptr;            // ScreenBitmap, W x H, rebuilt by every frame
    int style = 0;                       // 0..255; above 127 nothing is drawn
    int progress = 0;                    // 0..100; style 0 without a handler sets it to 100
    int step = 4;                        // the control's Step, for StepLen
    RandomSource* random = nullptr;      // required by the random styles

    // InvalidateArea of the control, in ScreenBitmap coordinates.
    std::function<void(const Rect&)> invalidate_area;
    // Events; an empty function is an unassigned handler.
    std::function<void()> before_new_frame;
    std::function<void()> after_new_frame;
    // OnCustomDraw(Picture = NewBitmap, Screen = ScreenBitmap) for style 0.
    std::function<void(const Bitmap& picture, Bitmap& screen)> custom_draw;
};

// One frame, from the copy of the old picture through the final drawing to the invalidation and
// OnAfterNewFrame. The synchronous repaint that follows is the control's business.
void BuildFrame(FrameContext& ctx);

// How BuildFrame writes the screen bitmap: Auto streams frames too large to share the cache with
// the two pictures (stores that go around the cache), Cached and Streamed force one way. The
// pixels are the same every way.
enum class FrameWrites { Auto, Cached, Streamed };
void BuildFrame(FrameContext& ctx, FrameWrites writes);

}  // namespace scr
