#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <variant>

#include "monitor/monitor_presets.h"

namespace tarnix {

// The settings file holds 22 values in a fixed order, separated by any white space.
inline constexpr int kSettingsValueCount = 22;

// How a value is written and read.
enum class SettingsKind {
  Number,  // an integer, read as "%d" reads it
  Flag,    // an integer that is on when it is not 0
  Word,    // a run of characters other than white space
};

// A value as read: an integer (numbers and flags) or a word.
using SettingsValue = std::variant<std::int32_t, std::string>;

// A word refused whole because its field holds fewer characters; the field keeps what it held.
struct SettingsRefusal {
  std::size_t capacity;
  std::string kept;
};

// One value of the file: where it stands, how it is written, what it is called in the error
// lines and the README, and what it sets.
struct SettingsEntry {
  int position;  // 1 to 22
  SettingsKind kind;
  std::string_view name;
  // Applies a value read for this entry, as the window's initialisation would have set it.
  std::optional<SettingsRefusal> (*apply)(const SettingsValue& value, MonitorPresets& presets);
};

// The 22 values, in file order.
std::span<const SettingsEntry> settingsTable();

// The name of a kind, as the README's table writes it.
std::string_view kindName(SettingsKind kind);

}  // namespace tarnix
