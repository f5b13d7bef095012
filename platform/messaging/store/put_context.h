#pragma once

#include <cstdint>
#include <string>

#include "platform/messaging/message_id.h"
#include "platform/messaging/store/internal.h"

namespace kx {

// A message's store id: the queue id in the high bits, the queue's sequence in the low bits. It
// is unique within a store, names a browse cursor's position and is embedded in assigned ids.
inline constexpr int kSequenceBits = 40;
inline constexpr std::int64_t kMaxQueueId = (std::int64_t{1} << (63 - kSequenceBits)) - 1;
inline constexpr std::int64_t kMaxSequence = (std::int64_t{1} << kSequenceBits) - 1;

// The putting program's name as a message records it: at most kPutApplWidth characters.
const std::string& putApplicationName();

// "YYYYMMDD" and "HHMMSSTH" (UTC, TH = hundredths) of a time in milliseconds since the epoch.
std::string putDateOf(std::int64_t epochMs);
std::string putTimeOf(std::int64_t epochMs);

// Makes message ids unique across queue managers, processes and restarts: 16 random bytes drawn
// when the source is made, around the message's store id (unique within its store). The store id
// in bytes 8 to 15 lets a get by an assigned id find its message without an index.
class MessageIdSource {
 public:
  MessageIdSource();
  MessageId24 assign(std::int64_t storeId) const;

 private:
  MessageId24::Bytes prefix_{};
};

// The store id an assigned message id carries (0 if it cannot be one).
std::int64_t storeIdIn(const MessageId24& id);
// The message's store id, and its parts.
constexpr std::int64_t storeIdOf(std::int64_t queueId, std::int64_t seq) {
  return (queueId << kSequenceBits) | seq;
}
constexpr std::int64_t queueIdIn(std::int64_t storeId) { return storeId >> kSequenceBits; }
constexpr std::int64_t sequenceIn(std::int64_t storeId) { return storeId & kMaxSequence; }

}  // namespace kx
