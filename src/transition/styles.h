// The pieces of BuildFrame that tests and tools look at on their own: the per-frame measures
// and the scaled-copy passes of the rectangle styles.
#pragma once

#include <optional>
#include <vector>

#include "transition/frame.h"
#include "base/geometry.h"
#include "transition/region.h"

namespace scr {

// X and Y, the revealed extents, and StepLen, a little more than one frame's advance along
// the longer side.
struct FrameMeasures {
    int x = 0;
    int y = 0;
    int step_len = 0;
    int progress = 0;  // p, which the dissolve's cell and density follow
};
FrameMeasures ComputeMeasures(int w, int h, int progress, int step);

// One scaled copy of a rectangle style: S of the new picture into D of the frame, mirrored
// (MirrorBlt) when a flip is set.
struct CopyPass {
    Rect d;
    Rect s;
    bool flip_left_right = false;
    bool flip_top_bottom = false;
    friend bool operator==(const CopyPass&, const CopyPass&) = default;
};

enum class StyleKind { Custom, Rectangle, Region, Blend, Rotate, None };
StyleKind KindOfStyle(int style);
// Styles whose earlier passes are drawn at every progress (12..17, 29..34, 54..57).
bool IsMultiPassStyle(int style);
// The passes of rectangle style 1..57 in drawing order; the last one is D and S of the frame.
std::vector<CopyPass> RectanglePasses(int style, int w, int h, const FrameMeasures& m);
// The clip region of a region style (58..117, 123..127); std::nullopt when none was built.
std::optional<Region> StyleRegion(int style, int w, int h, const FrameMeasures& m, RandomSource& random);

}  // namespace scr
