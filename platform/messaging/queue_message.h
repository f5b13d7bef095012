#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "platform/messaging/message_id.h"

namespace kx {

struct MessageFill;

// Message types and put-application types with a meaning of their own.
namespace msgtype {
inline constexpr std::int32_t kRequest = 1;
inline constexpr std::int32_t kReply = 2;
inline constexpr std::int32_t kReport = 4;
inline constexpr std::int32_t kDatagram = 8;
}  // namespace msgtype
inline constexpr std::int32_t kExpiryUnlimited = -1;
inline constexpr std::int32_t kPutApplTypeThisPlatform = 6;
inline constexpr std::int32_t kPutApplTypeQueueManager = 7;  // a message the queue manager made
inline constexpr std::int32_t kCcsidUtf8 = 1208;

// The format name of a message whose data is text, as the generator's file source and kxadmin's
// put --text and --file give it; the monitor's "Format" box shows it.
inline constexpr const char* kFormatString = "KXSTR   ";

// The largest message body a queue manager takes; a longer one fails the put with
// kMessageTooBig.
inline constexpr std::size_t kMaxMessageLength = 100u << 20;

// Widths of the descriptor's text fields; a longer text fails the put with kFieldTooLong.
inline constexpr std::size_t kFormatWidth = 8;
inline constexpr std::size_t kNameWidth = 48;
inline constexpr std::size_t kPutApplWidth = 28;
inline constexpr std::size_t kPutDateWidth = 8;
inline constexpr std::size_t kPutTimeWidth = 8;

// A message: the descriptor fields, read and set directly, and the data.
//
// A new message receives a message whole, whatever its length. After setBufferSize(n) the receive
// buffer is fixed at n bytes: a longer message fails the get with kTruncatedMessageFailed and stays
// on the queue, unless the get accepts truncation (0x40).
class QueueMessage {
 public:
  std::int32_t msgType = msgtype::kDatagram;
  std::int32_t expiry =
      kExpiryUnlimited;  // tenths of a second; on a received message, what is left
  std::int32_t feedback = 0;
  std::int32_t ccsid = kCcsidUtf8;
  std::string format = "        ";  // 8 characters, blank-padded
  std::int32_t priority = 0;
  std::int32_t persistent = 0;  // non-zero: persistent
  std::int32_t report = 0;
  std::int32_t backoutCount = 0;
  std::string replyToQ;
  std::string replyQmgr;
  std::string putAppl;
  std::int32_t putApplType = 0;
  std::string putDate;  // "YYYYMMDD"
  std::string putTime;  // "HHMMSSTH", UTC
  MessageId24 msgId;
  MessageId24 correlId;

  // Not a descriptor field: asks a put to store putAppl, putApplType, putDate and putTime as the
  // message gives them (moving messages between queue managers) instead of its own put context.
  bool keepPutContext = false;

  // Replaces the data with a copy of `length` bytes.
  void setData(const void* bytes, std::size_t length);
  // Fixes the receive buffer at `size` bytes; a received message keeps at most that many.
  void setBufferSize(std::size_t size);
  // The number of data bytes the message holds.
  std::size_t dataLength() const { return data_.size(); }
  // The length of the message as it stood on the queue; larger than dataLength() after a get
  // that accepted truncation.
  std::size_t totalLength() const { return totalLength_; }
  std::span<const std::uint8_t> data() const { return data_; }
  std::optional<std::size_t> bufferSize() const { return bufferSize_; }

 private:
  friend struct MessageFill;  // the store fills a received message in place, reusing the buffer

  std::vector<std::uint8_t> data_;
  std::size_t totalLength_ = 0;
  std::optional<std::size_t> bufferSize_;
};

}  // namespace kx
