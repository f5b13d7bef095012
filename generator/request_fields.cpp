#include "generator/request_fields.h"

#include <algorithm>

#include "generator/request_text.h"

namespace tarnix {
namespace {

constexpr bool inPositionOrder() {
  for (std::size_t i = 0; i < kRequestFields.size(); ++i) {
    if (static_cast<std::size_t>(kRequestFields[i].field) != i) return false;
  }
  return true;
}
static_assert(inPositionOrder(), "each field stands at its own position");

}  // namespace

RequestFields::RequestFields(std::string_view request) : fields_(splitRequest(request)) {
  fields_.resize(std::max(fields_.size(), kRequestFieldCount));
}

const std::string& RequestFields::text(RequestField field) const {
  return fields_[static_cast<std::size_t>(field)];
}

std::int32_t RequestFields::number(RequestField field) const {
  const std::string& digits = text(field);
  std::size_t at = 0;
  const bool negative = !digits.empty() && digits[0] == '-';
  if (!digits.empty() && (digits[0] == '-' || digits[0] == '+')) at = 1;
  std::int64_t value = 0;
  for (; at < digits.size() && digits[at] >= '0' && digits[at] <= '9'; ++at) {
    value = std::min<std::int64_t>(value * 10 + (digits[at] - '0'), std::int64_t{1} << 31);
  }
  value = negative ? -value : std::min<std::int64_t>(value, INT32_MAX);
  return static_cast<std::int32_t>(value);
}

}  // namespace tarnix
