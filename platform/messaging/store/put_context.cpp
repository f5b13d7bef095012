#include "platform/messaging/store/put_context.h"

#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <ctime>
#include <random>

#include "platform/messaging/queue_message.h"

namespace kx {
namespace {

std::tm utcOf(std::int64_t epochMs) {
  const auto seconds = static_cast<std::time_t>(epochMs / 1000);
  std::tm parts{};
  gmtime_r(&seconds, &parts);
  return parts;
}

std::uint64_t randomWord() {
  std::uint64_t word = 0;
  try {
    std::random_device device;
    word = (std::uint64_t{device()} << 32) ^ device();
  } catch (...) {
    // No entropy source: the clock and the process id still separate processes.
  }
  const auto ticks = std::chrono::high_resolution_clock::now().time_since_epoch().count();
  return word ^ static_cast<std::uint64_t>(ticks) ^ (std::uint64_t(::getpid()) << 40);
}

void putBigEndian(std::uint64_t value, std::uint8_t* out) {
  for (int i = 7; i >= 0; --i) {
    out[i] = static_cast<std::uint8_t>(value & 0xFF);
    value >>= 8;
  }
}

}  // namespace

const std::string& putApplicationName() {
  static const std::string name =
      std::string(program_invocation_short_name).substr(0, kPutApplWidth);
  return name;
}

std::string putDateOf(std::int64_t epochMs) {
  const std::tm parts = utcOf(epochMs);
  char text[40];
  std::snprintf(text, sizeof text, "%04d%02d%02d", (parts.tm_year + 1900) % 10000, parts.tm_mon + 1,
                parts.tm_mday);
  return text;
}

std::string putTimeOf(std::int64_t epochMs) {
  const std::tm parts = utcOf(epochMs);
  char text[48];
  std::snprintf(text, sizeof text, "%02d%02d%02d%02d", parts.tm_hour, parts.tm_min, parts.tm_sec,
                static_cast<int>((epochMs % 1000) / 10));
  return text;
}

MessageIdSource::MessageIdSource() {
  putBigEndian(randomWord(), &prefix_[0]);
  putBigEndian(randomWord(), &prefix_[16]);
}

MessageId24 MessageIdSource::assign(std::int64_t storeId) const {
  MessageId24::Bytes bytes = prefix_;
  putBigEndian(static_cast<std::uint64_t>(storeId), &bytes[8]);
  return MessageId24(bytes);
}

std::int64_t storeIdIn(const MessageId24& id) {
  std::uint64_t value = 0;
  for (int i = 8; i < 16; ++i) value = (value << 8) | id.bytes()[i];
  return value > static_cast<std::uint64_t>(INT64_MAX) ? 0 : static_cast<std::int64_t>(value);
}

}  // namespace kx
