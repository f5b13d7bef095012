#pragma once

#include <cstdint>

#include "generator/bounded_text.h"

namespace tarnix {

inline constexpr std::size_t kQueueNameCapacity = 48;
inline constexpr std::size_t kFileNameCapacity = 499;

// What a generator run puts: how many messages, how fast, with which content and descriptor
// options. One record lives in the monitor window; the options dialog edits it and the Gen
// button turns it into the request of one run.
struct GenerateOptions {
  std::uint32_t messageCount = 0;
  std::uint32_t sleepMs = 0;
  std::int32_t randomSleep = 0;  // pause a random time below sleepMs instead of sleepMs
  char source = 'b';             // 'b' random digits, 'q' another queue's messages, 'f' a file
  std::uint32_t randomLength = 1024;
  BoundedText<kQueueNameCapacity> sourceQueueName;
  BoundedText<kFileNameCapacity> sourceFileName;
  std::int32_t correlIdOption = 0;  // a correlation id taken from the clock
  std::int32_t persistentOption = 0;
  std::int32_t preserveMsgId = 0;     // copies keep the source message's id
  std::int32_t preserveCorrelId = 0;  // copies keep the source correlation id
  std::uint32_t expiryTenths = 0;     // 0 leaves the expiry alone
  BoundedText<kQueueNameCapacity> replyToQueueName;
  BoundedText<kQueueNameCapacity> replyToQmgrName;
  std::int32_t reportCoa = 0;
  std::int32_t reportCod = 0;
  std::int32_t reportException = 0;
  std::int32_t reportExpiration = 0;
  std::int32_t reportPan = 0;
  std::int32_t reportNan = 0;
  std::uint32_t reportOptions = 0;  // composed from the flags, kinds and choices on confirmation
  std::int32_t coaKind = 0;         // 0 none, 1 with data, 2 with full data; -1 no selection
  std::int32_t codKind = 0;
  std::int32_t exceptionKind = 0;
  std::int32_t expirationKind = 0;
  std::int32_t discardChoice = 0;   // 0 dead-letter queue, 1 discard
  std::int32_t msgIdChoice = 0;     // 0 new message id, 1 pass it
  std::int32_t correlIdChoice = 0;  // 0 copy message id to correl id, 1 pass correl id

  friend bool operator==(const GenerateOptions&, const GenerateOptions&) = default;
};

}  // namespace tarnix
