#pragma once

#include <cstdint>

namespace kx {

// Bits of GetOptions::options.
namespace getopt {
inline constexpr std::int32_t kBrowseFirst = 0x10;
inline constexpr std::int32_t kBrowseNext = 0x20;
inline constexpr std::int32_t kAcceptTruncated = 0x40;
inline constexpr std::int32_t kUnderCursor = 0x100;
inline constexpr std::int32_t kFailIfQuiescing = 0x2000;
inline constexpr std::int32_t kConvert = 0x4000;
// A take that empties the queue for the operator rather than delivers the message to a program:
// it makes no delivery report.
inline constexpr std::int32_t kEmptying = 0x40000000;
}  // namespace getopt

// Open options of IkxQueue::openWith.
namespace openopt {
inline constexpr std::int32_t kInputAsDefined = 8193;  // input, failing while quiescing
inline constexpr std::int32_t kOutput = 16;
}  // namespace openopt

// The options word of one get. No option waits: a get with nothing to take fails at once.
struct GetOptions {
  std::int32_t options = 0;
};

}  // namespace kx
