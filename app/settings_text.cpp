#include "app/settings_text.h"

#include <cctype>
#include <charconv>

namespace tarnix {
namespace {

bool isSpace(char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; }
bool isDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

SettingsValues parseSettings(std::string_view text) {
  SettingsValues result;
  std::size_t at = 0;
  for (const SettingsEntry& entry : settingsTable()) {
    while (at < text.size() && isSpace(text[at])) ++at;
    if (at == text.size()) {
      result.stoppedBecause = "the file ends before it";
      return result;
    }
    if (entry.kind == SettingsKind::Word) {
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
