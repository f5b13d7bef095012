#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace tarnix {

// The settings file holds 22 values in a fixed order, separated by any white space: integers,
// read as "%d" reads them, and words, runs of characters other than white space.
inline constexpr int kSettingsValueCount = 22;

using SettingsValue = std::variant<std::int32_t, std::string>;

struct SettingsValues {
  std::vector<SettingsValue> values;  // the values read, in file order
  // Why reading stopped before the last value: the text ended, or an integer was not there.
  // Empty when all 22 were read.
  std::string stoppedBecause;
};

// Reads the values of a settings file's text, up to the first one that cannot be read.
SettingsValues parseSettings(std::string_view text);

// True when value `number` (1 to 22) is a word rather than an integer.
bool settingsValueIsWord(int number);

}  // namespace tarnix
