// The settings file's reader: any text gives at most 22 values of the kinds their places call
// for, words without white space, and a reason whenever it stops short.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <variant>

#include "app/settings_text.h"
#include "fuzz/require.h"

using tarnix::fuzz::require;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const tarnix::SettingsValues read = tarnix::parseSettings(text);
  require(read.values.size() <= tarnix::kSettingsValueCount);
  require((read.values.size() == tarnix::kSettingsValueCount) == read.stoppedBecause.empty());
  int number = 0;
  for (const tarnix::SettingsValue& value : read.values) {
    ++number;
    const auto* word = std::get_if<std::string>(&value);
    const bool wordPlace = tarnix::settingsTable()[number - 1].kind == tarnix::SettingsKind::Word;
    require((word != nullptr) == wordPlace);
    if (word == nullptr) continue;
    require(!word->empty() && word->size() <= size);
    for (char c : *word) require(c != ' ' && c != '\t' && c != '\n' && c != '\r');
  }
  return 0;
}
