#pragma once

#include <compare>
#include <cstdint>
#include <optional>
#include <string>

namespace tarnix {

// A moment as milliseconds since 1970-01-01 00:00 UTC.
using TimeMs = std::int64_t;

inline constexpr TimeMs kSecondMs = 1000;
inline constexpr TimeMs kMinuteMs = 60 * kSecondMs;
inline constexpr TimeMs kHourMs = 60 * kMinuteMs;
// How long the history keeps a point, and how long a point keeps its own tick before the
// points of its minute are thinned to one.
inline constexpr TimeMs kKeptForMs = 24 * kHourMs;
inline constexpr TimeMs kFullDetailForMs = kHourMs;

// One tick of one queue: its depth and maximum depth, or a gap when the tick could not read the
// depth (an outage, "N/A", "Err").
struct DepthPoint {
  TimeMs at = 0;
  std::optional<std::int32_t> depth;
  std::optional<std::int32_t> maxDepth;

  bool gap() const { return !depth.has_value(); }
  friend bool operator==(const DepthPoint&, const DepthPoint&) = default;
};

// Whose history: a queue of a queue manager, by the names the monitor was given.
struct SeriesKey {
  std::string manager;
  std::string queue;
  friend auto operator<=>(const SeriesKey&, const SeriesKey&) = default;
};

}  // namespace tarnix
