// The browser's rendering of message data and descriptor fields: any bytes give text of the
// promised shape, and no read strays past what it was given.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <span>
#include <string_view>

#include "fuzz/require.h"
#include "monitor/message_text.h"

namespace {

using tarnix::fuzz::require;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::span<const std::uint8_t> bytes(data, size);
  const std::string hex = tarnix::hexBytes(bytes);
  require(hex.size() == 3 * size);
  const std::string text = tarnix::textBytes(bytes);
  require(text.size() <= size && text.find('\0') == std::string::npos);
  const std::string time =
      tarnix::putTimeText(std::string_view(reinterpret_cast<const char*>(data), size));
  require(time.size() <= 11 && (size < 8 || time.size() == 11));
  std::int32_t type = 0;
  std::memcpy(&type, data, std::min(size, sizeof type));
  require(!tarnix::messageTypeLabel(type).empty());
  require(!tarnix::putApplTypeLabel(type).empty());
  return 0;
}
