#include "app/settings_text.h"

#include <array>
#include <cctype>
#include <charconv>

namespace tarnix {
namespace {

bool isSpace(char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; }
bool isDigit(char c) { return c >= '0' && c <= '9'; }

// Values 8, 10, 11, 21 and 22 are words; the others integers.
constexpr std::array<bool, kSettingsValueCount> kIsWord = {
    false, false, false, false, false, false, false, true,  false, true, true,
    false, false, false, false, false, false, false, false, false, true, true};

}  // namespace

bool settingsValueIsWord(int number) {
  return number >= 1 && number <= kSettingsValueCount && kIsWord[number - 1];
}

SettingsValues parseSettings(std::string_view text) {
  SettingsValues result;
  std::size_t at = 0;
  for (int number = 1; number <= kSettingsValueCount; ++number) {
    while (at < text.size() && isSpace(text[at])) ++at;
    if (at == text.size()) {
      result.stoppedBecause = "the file ends before it";
      return result;
    }
    if (settingsValueIsWord(number)) {
      const std::size_t start = at;
      while (at < text.size() && !isSpace(text[at])) ++at;
      result.values.emplace_back(std::string(text.substr(start, at - start)));
      continue;
    }
    // An optional sign and digits; whatever follows the digits is left for the next value.
    std::size_t end = at;
    if (text[end] == '+' || text[end] == '-') ++end;
    const std::size_t digits = end;
    while (end < text.size() && isDigit(text[end])) ++end;
    std::int32_t value = 0;
    const char* first = text.data() + (text[at] == '+' ? at + 1 : at);
    if (end == digits || std::from_chars(first, text.data() + end, value).ec != std::errc()) {
      result.stoppedBecause =
          end == digits ? "it is not a whole number" : "it is not a whole number of 32 bits";
      return result;
    }
    result.values.emplace_back(value);
    at = end;
  }
  return result;
}

}  // namespace tarnix
