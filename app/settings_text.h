#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "app/settings_table.h"

namespace tarnix {

struct SettingsValues {
  std::vector<SettingsValue> values;  // the values read, in file order
  // Why reading stopped before the last value: the text ended, or an integer was not there.
  // Empty when all 22 were read.
  std::string stoppedBecause;
};

// Reads the values of a settings file's text, each of the kind its place in the table calls for,
// up to the first one that cannot be read.
SettingsValues parseSettings(std::string_view text);

}  // namespace tarnix
