#pragma once

#include <cstdint>
#include <string>

#include "platform/messaging/message_id.h"

namespace kx {

// The putting program's name as a message records it: at most kPutApplWidth characters.
const std::string& putApplicationName();

// "YYYYMMDD" and "HHMMSSTH" (UTC, TH = hundredths) of a time in milliseconds since the epoch.
std::string putDateOf(std::int64_t epochMs);
std::string putTimeOf(std::int64_t epochMs);

// Makes message ids unique across queue managers, processes and restarts: 16 random bytes drawn
// when the source is made, around a counter seeded from the clock, so one connection's ids also
// sort together and land next to each other in the id index.
class MessageIdSource {
 public:
  MessageIdSource();
  MessageId24 next();

 private:
  MessageId24::Bytes prefix_{};
  std::uint64_t counter_ = 0;
};

}  // namespace kx
