#pragma once

#include <string_view>

namespace tarnix {

// The decimal number at the start of `text`: blanks skipped, then an optional sign, digits with
// an optional decimal point, and an optional exponent. Reading stops at the first character that
// does not fit; text with no number gives 0. Only plain decimals count: no hex, infinity or NaN.
double leadingDecimal(std::string_view text);

}  // namespace tarnix
