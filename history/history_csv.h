#pragma once

#include <span>
#include <string>

#include "history/depth_point.h"

namespace tarnix {

// The header line of the points' CSV text.
inline constexpr const char* kHistoryCsvHeader = "time,depth,max_depth\n";

// A moment in ISO 8601, UTC, to the millisecond: "2026-12-08T02:49:00.250Z".
std::string isoUtc(TimeMs at);

// The points as CSV text: the header, then a line a point: its time, depth and maximum depth.
// A gap (a tick that could not read the depth) keeps its line with both numbers empty, so that
// a script sees where the monitor lost sight of the queue.
std::string historyCsv(std::span<const DepthPoint> points);

}  // namespace tarnix
