#include "app/settings_table.h"

#include <array>

namespace tarnix {
namespace {

using Applied = std::optional<SettingsRefusal>;

std::int32_t asInt(const SettingsValue& value) { return std::get<std::int32_t>(value); }
bool isOn(const SettingsValue& value) { return asInt(value) != 0; }
const std::string& asWord(const SettingsValue& value) { return std::get<std::string>(value); }

// A number of the generator's options, stored as read.
template <std::uint32_t GenerateOptions::*Field>
Applied number(const SettingsValue& value, MonitorPresets& presets) {
  presets.generateOptions().*Field = static_cast<std::uint32_t>(asInt(value));
  return std::nullopt;
}

// A flag of the generator's options: on sets it, off leaves its default.
template <std::int32_t GenerateOptions::*Field>
Applied flag(const SettingsValue& value, MonitorPresets& presets) {
  if (isOn(value)) presets.generateOptions().*Field = 1;
  return std::nullopt;
}

// A name of the generator's options, copied whole or refused whole.
template <auto Field>
Applied name(const SettingsValue& value, MonitorPresets& presets) {
  auto& field = presets.generateOptions().*Field;
  if (field.assign(asWord(value))) return std::nullopt;
  return SettingsRefusal{field.kCapacity, field.str()};
}

Applied stayOnTop(const SettingsValue& value, MonitorPresets& presets) {
  // The box is ticked by default and the window already topmost: only on counts.
  if (isOn(value)) presets.keepOnTop();
  return std::nullopt;
}

Applied warningPercent(const SettingsValue& value, MonitorPresets& presets) {
  presets.warningPercent(static_cast<std::uint32_t>(asInt(value)));
  return std::nullopt;
}

Applied refreshRate(const SettingsValue& value, MonitorPresets& presets) {
  presets.refreshRate(asInt(value));
  return std::nullopt;
}

Applied confirmDelete(const SettingsValue& value, MonitorPresets& presets) {
  presets.confirmDelete(isOn(value));
  return std::nullopt;
}

// Any first character is stored; the options dialog shows one it does not know as random.
Applied source(const SettingsValue& value, MonitorPresets& presets) {
  presets.generateOptions().source = asWord(value).front();
  return std::nullopt;
}

using Kind = SettingsKind;
using O = GenerateOptions;
constexpr std::array<SettingsEntry, kSettingsValueCount> kTable{{
    {1, Kind::Flag, "Stay on Top", stayOnTop},
    {2, Kind::Number, "% Warning", warningPercent},
    {3, Kind::Number, "Refresh rate in seconds", refreshRate},
    {4, Kind::Flag, "Confirm Del", confirmDelete},
    {5, Kind::Number, "message count", number<&O::messageCount>},
    {6, Kind::Number, "sleep in milliseconds", number<&O::sleepMs>},
    {7, Kind::Flag, "random sleep", flag<&O::randomSleep>},
    {8, Kind::Word, "source: b, q or f", source},
    {9, Kind::Number, "random length in bytes", number<&O::randomLength>},
    {10, Kind::Word, "source queue name", name<&O::sourceQueueName>},
    {11, Kind::Word, "source file name", name<&O::sourceFileName>},
    {12, Kind::Flag, "correlation id", flag<&O::correlIdOption>},
    {13, Kind::Flag, "persistence", flag<&O::persistentOption>},
    {14, Kind::Flag, "COA report", flag<&O::reportCoa>},
    {15, Kind::Flag, "COD report", flag<&O::reportCod>},
    {16, Kind::Flag, "exception report", flag<&O::reportException>},
    {17, Kind::Flag, "expiration report", flag<&O::reportExpiration>},
    {18, Kind::Flag, "PAN report", flag<&O::reportPan>},
    {19, Kind::Flag, "NAN report", flag<&O::reportNan>},
    {20, Kind::Number, "expiry in tenths of a second", number<&O::expiryTenths>},
    {21, Kind::Word, "reply-to queue name", name<&O::replyToQueueName>},
    {22, Kind::Word, "reply-to queue manager name", name<&O::replyToQmgrName>},
}};

constexpr bool inFileOrder() {
  for (std::size_t i = 0; i < kTable.size(); ++i) {
    if (kTable[i].position != static_cast<int>(i) + 1) return false;
  }
  return true;
}
static_assert(inFileOrder(), "each value stands at its own position");

}  // namespace

std::span<const SettingsEntry> settingsTable() { return kTable; }

std::string_view kindName(SettingsKind kind) {
  switch (kind) {
    case SettingsKind::Number:
      return "number";
    case SettingsKind::Flag:
      return "flag";
    case SettingsKind::Word:
      return "word";
  }
  return {};
}

}  // namespace tarnix
