#include "platform/toolkit/window.h"

#include <limits>
#include <string>

#include "platform/toolkit/number_text.h"

namespace tk {
namespace {

// Enough for any text a number reads from; longer text is never a number the types can hold
// unless it is padded with blanks, so read it whole.
constexpr std::size_t kWholeText = std::numeric_limits<std::size_t>::max();

}  // namespace

void Window::setSigned(int id, std::int32_t value) { setText(id, std::to_string(value)); }

void Window::setUnsigned(int id, std::uint32_t value) { setText(id, std::to_string(value)); }

std::int32_t Window::readSigned(int id) const {
  return parseSigned(text(id, kWholeText)).value_or(0);
}

std::uint32_t Window::readUnsigned(int id) const {
  return parseUnsigned(text(id, kWholeText)).value_or(0);
}

}  // namespace tk
