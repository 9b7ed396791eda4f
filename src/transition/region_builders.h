// The clip regions of the region styles. Each builder unites its pieces; one that adds no
// piece at all returns no region (std::nullopt), and the caller then draws nothing.
#pragma once

#include <optional>

#include "transition/frame.h"
#include "base/geometry.h"
#include "transition/region.h"

namespace scr {

// Rows of 5 pixels revealed from the side edges (hKind) and columns from the top and bottom
// (vKind), kinds 0..5; band snaps a strip within that many pixels of full length.
std::optional<Region> StripRegion(int h_len, int v_len, int w, int h, int band, int h_kind, int v_kind);
// Rows (hKind 1..4) or columns (vKind 1..4) 5 pixels apart with randomly jittered ends.
std::optional<Region> RaggedRegion(int h_len, int v_len, int w, int h, int h_kind, int v_kind, RandomSource& random);
// A wipe (kind 1 or 2) whose edge is frayed by randomly placed blocks.
std::optional<Region> ScatterRegion(int h_len, int v_len, int w, int h, int h_kind, int v_kind, RandomSource& random);
// Random overlapping squares on a grid, each present with probability p percent.
std::optional<Region> DissolveRegion(int w, int h, int p, RandomSource& random);
// The winding-rule polygon (a, b, c, a).
Region TriangleRegion(Point a, Point b, Point c);
// The cell size DissolveRegion uses for a w x h picture at p percent.
int DissolveCell(int w, int h, int p);

}  // namespace scr
