#include "app/settings_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <iostream>
#include <optional>
#include <span>
#include <string>

#include "app/settings_text.h"
#include "platform/runtime/file_kind.h"

namespace tarnix {
namespace {

constexpr const char* kFileName = "tarnix.ini";

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
  if (!S_ISREG(status.st_mode)) return skipped(std::string("is ") + rt::fileKindOf(status.st_mode));
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

void readSettingsFile(MonitorPresets& presets) {
  // Without the file the defaults stand, silently; a file that is not read says why.
  if (const std::optional<std::string> text = settingsText()) applySettings(*text, presets);
}

void applySettings(std::string_view text, MonitorPresets& presets) {
  const SettingsValues read = parseSettings(text);
  const std::span<const SettingsEntry> table = settingsTable();
  for (std::size_t i = 0; i < read.values.size(); ++i) {
    const SettingsEntry& entry = table[i];
    if (const auto refused = entry.apply(read.values[i], presets)) {
      std::cerr << kFileName << ": value " << entry.position << " (" << entry.name
                << ") is longer than " << refused->capacity << " characters and was refused; the "
                << entry.name << " stays \"" << refused->kept << "\"\n";
    }
  }
  if (!read.stoppedBecause.empty()) {
    const auto next = read.values.size() + 1;
    std::cerr << kFileName << ": value " << next << " could not be read: " << read.stoppedBecause
              << "; values " << next << " to " << kSettingsValueCount << " keep their defaults\n";
  }
}

}  // namespace tarnix
