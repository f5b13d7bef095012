#include "app/settings_file.h"

#include <array>
#include <cstdio>
#include <iostream>
#include <memory>
#include <optional>
#include <string>

#include "app/settings_text.h"

namespace tarnix {
namespace {

constexpr const char* kFileName = "tarnix.ini";

std::int32_t asInt(const SettingsValue& value) { return std::get<std::int32_t>(value); }
const std::string& asWord(const SettingsValue& value) { return std::get<std::string>(value); }

// A name longer than its field is refused whole; the field keeps what it held.
template <std::size_t N>
void assignName(BoundedText<N>& field, const std::string& word, int number, const char* what) {
  if (field.assign(word)) return;
  std::cerr << kFileName << ": value " << number << " (" << what << ") is longer than " << N
            << " characters and was refused; the " << what << " stays \"" << field.view() << "\"\n";
}

// Applies value `number` as the window's initialisation would have set it.
void apply(int number, const SettingsValue& value, const MonitorDialog::Presets& presets) {
  tk::Window& w = presets.controls;
  GenerateOptions& o = presets.options;
  auto flag = [&](std::int32_t& field) {
    if (asInt(value) != 0) field = 1;
  };
  switch (number) {
    case 1:
      // The box is checked by default and the window already topmost: only on counts.
      if (asInt(value) != 0) w.setChecked(ctl::kStayOnTop, true);
      break;
    case 2:
      w.setUnsigned(ctl::kWarningPercent, static_cast<std::uint32_t>(asInt(value)));
      break;
    case 3: {
      // Showing the rate runs its change handler, which sets the period from the box; a
      // negative rate shows as a large unsigned number, so the period is set from the value.
      w.setUnsigned(ctl::kRefreshRate, static_cast<std::uint32_t>(asInt(value)));
      const auto periodMs =
          static_cast<std::int32_t>(static_cast<std::uint32_t>(asInt(value)) * 1000u);
      if (presets.process.refreshIntervalMs != periodMs) {
        presets.process.refreshIntervalMs = periodMs;
        w.startTimer(static_cast<std::uint32_t>(periodMs));
      }
      break;
    }
    case 4:
      w.setChecked(ctl::kConfirmDelete, asInt(value) != 0);
      break;
    case 5:
      o.messageCount = static_cast<std::uint32_t>(asInt(value));
      break;
    case 6:
      o.sleepMs = static_cast<std::uint32_t>(asInt(value));
      break;
    case 7:
      flag(o.randomSleep);
      break;
    case 8:
      o.source = asWord(value).front();
      break;
    case 9:
      o.randomLength = static_cast<std::uint32_t>(asInt(value));
      break;
    case 10:
      assignName(o.sourceQueueName, asWord(value), number, "source queue name");
      break;
    case 11:
      assignName(o.sourceFileName, asWord(value), number, "source file name");
      break;
    case 12:
      flag(o.correlIdOption);
      break;
    case 13:
      flag(o.persistentOption);
      break;
    case 14:
      flag(o.reportCoa);
      break;
    case 15:
      flag(o.reportCod);
      break;
    case 16:
      flag(o.reportException);
      break;
    case 17:
      flag(o.reportExpiration);
      break;
    case 18:
      flag(o.reportPan);
      break;
    case 19:
      flag(o.reportNan);
      break;
    case 20:
      o.expiryTenths = static_cast<std::uint32_t>(asInt(value));
      break;
    case 21:
      assignName(o.replyToQueueName, asWord(value), number, "reply-to queue name");
      break;
    case 22:
      assignName(o.replyToQmgrName, asWord(value), number, "reply-to queue manager name");
      break;
    default:
      break;
  }
}

// The whole text of the settings file, or nothing when it cannot be opened or read (a directory
// of that name opens but gives a read error).
std::optional<std::string> settingsText() {
  const std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(kFileName, "r"),
                                                             &std::fclose);
  if (!file) return std::nullopt;
  std::string text;
  std::array<char, 4096> chunk{};
  while (const std::size_t got = std::fread(chunk.data(), 1, chunk.size(), file.get())) {
    text.append(chunk.data(), got);
  }
  if (std::ferror(file.get()) != 0) return std::nullopt;
  return text;
}

}  // namespace

void readSettingsFile(const MonitorDialog::Presets& presets) {
  // Without a readable file the defaults stand, silently.
  if (const std::optional<std::string> text = settingsText()) applySettings(*text, presets);
}

void applySettings(std::string_view text, const MonitorDialog::Presets& presets) {
  const SettingsValues read = parseSettings(text);
  int number = 0;
  for (const SettingsValue& value : read.values) apply(++number, value, presets);
  if (!read.stoppedBecause.empty()) {
    const int next = number + 1;
    std::cerr << kFileName << ": value " << next << " could not be read: " << read.stoppedBecause
              << "; values " << next << " to " << kSettingsValueCount << " keep their defaults\n";
  }
}

}  // namespace tarnix
