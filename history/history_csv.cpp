#include "history/history_csv.h"

#include <cstdio>
#include <ctime>

namespace tarnix {

std::string isoUtc(TimeMs at) {
  TimeMs seconds = at / 1000;
  TimeMs millis = at % 1000;
  if (millis < 0) {
    millis += 1000;
    --seconds;
  }
  const auto whole = static_cast<std::time_t>(seconds);
  std::tm utc{};
  gmtime_r(&whole, &utc);
  char text[80];
  std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%03dZ", utc.tm_year + 1900,
                utc.tm_mon + 1, utc.tm_mday, utc.tm_hour, utc.tm_min, utc.tm_sec,
                static_cast<int>(millis));
  return text;
}

std::string historyCsv(std::span<const DepthPoint> points) {
  std::string text = kHistoryCsvHeader;
  text.reserve(text.size() + points.size() * 40);
  for (const DepthPoint& p : points) {
    text += isoUtc(p.at);
    text += ',';
    if (p.depth) text += std::to_string(*p.depth);
    text += ',';
    if (p.depth && p.maxDepth) text += std::to_string(*p.maxDepth);
    text += '\n';
  }
  return text;
}

}  // namespace tarnix
