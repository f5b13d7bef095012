#include "app/settings_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <iostream>
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

// 22 values take a few hundred bytes; a file far larger than that is not a settings file.
constexpr std::size_t kMaxSettingsBytes = std::size_t{64} * 1024;

// Closes a descriptor when the reading ends, however it ends.
struct Descriptor {
  explicit Descriptor(int value) : fd(value) {}
  ~Descriptor() {
    if (fd >= 0) ::close(fd);
  }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  int fd;
};

const char* kindOf(mode_t mode) {
  if (S_ISDIR(mode)) return "a directory";
  if (S_ISFIFO(mode)) return "a FIFO";
  if (S_ISCHR(mode) || S_ISBLK(mode)) return "a device";
  if (S_ISSOCK(mode)) return "a socket";
  return "not a regular file";
}

// Says in one line why the file was not read; every value then keeps its default.
std::nullopt_t skipped(const std::string& why) {
  std::cerr << kFileName << ": " << why << "; it was not read, and every value keeps its default\n";
  return std::nullopt;
}

// The whole text of the settings file; nothing, silently, when there is none. Only a regular file
// is read, and only up to kMaxSettingsBytes: it is opened without blocking, so that a FIFO of that
// name cannot hold up the window's start, and a device never feeds it without end.
std::optional<std::string> settingsText() {
  const Descriptor file(::open(kFileName, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
  if (file.fd < 0) {
    if (errno == ENOENT) return std::nullopt;
    return skipped(std::string("cannot be opened: ") + std::strerror(errno));
  }
  struct stat status {};
  if (::fstat(file.fd, &status) != 0) {
    return skipped(std::string("cannot be read: ") + std::strerror(errno));
  }
  if (!S_ISREG(status.st_mode)) return skipped(std::string("is ") + kindOf(status.st_mode));
  const std::string tooLarge =
      "is larger than " + std::to_string(kMaxSettingsBytes / 1024) + " KiB";
  if (static_cast<std::uint64_t>(status.st_size) > kMaxSettingsBytes) return skipped(tooLarge);
  // One byte past the limit tells a file that grew since it was looked at.
  std::string text(kMaxSettingsBytes + 1, '\0');
  std::size_t got = 0;
  while (got < text.size()) {
    const ssize_t n = ::read(file.fd, text.data() + got, text.size() - got);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return skipped(std::string("cannot be read: ") + std::strerror(errno));
    if (n == 0) break;
    got += static_cast<std::size_t>(n);
  }
  if (got > kMaxSettingsBytes) return skipped(tooLarge);
  text.resize(got);
  return text;
}

}  // namespace

void readSettingsFile(const MonitorDialog::Presets& presets) {
  // Without the file the defaults stand, silently; a file that is not read says why.
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
