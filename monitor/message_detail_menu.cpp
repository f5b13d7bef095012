#include "monitor/message_detail_menu.h"

#include <fcntl.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstring>
#include <nlohmann/json.hpp>
#include <string_view>

#include "monitor/message_text.h"
#include "monitor/monitor_controls.h"
#include "platform/messaging/message_line.h"
#include "platform/toolkit/message_box.h"

namespace tarnix {
namespace {

constexpr const char* kMenuCaption = "Message Detail";
// The forms a message is saved in, in the order the file dialog offers them.
enum SaveForm { kJsonLine = 0, kDataBytes = 1 };

// Writes `bytes` to a file at `path`, made or emptied; gives "" or what went wrong.
std::string writeFile(const std::string& path, std::string_view bytes) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOCTTY, 0600);
  if (fd < 0) return std::strerror(errno);
  std::size_t at = 0;
  std::string problem;
  while (at < bytes.size() && problem.empty()) {
    const ssize_t wrote = ::write(fd, bytes.data() + at, bytes.size() - at);
    if (wrote < 0 && errno != EINTR) problem = std::strerror(errno);
    if (wrote > 0) at += static_cast<std::size_t>(wrote);
  }
  if (problem.empty() && ::fsync(fd) != 0) problem = std::strerror(errno);
  if (::close(fd) != 0 && problem.empty()) problem = std::strerror(errno);
  return problem;
}

}  // namespace

MessageDetailMenu::MessageDetailMenu(tk::Window& window, const MessageBrowser& browser)
    : window_(window), browser_(browser) {
  window_.addContextAction(ctl::kMessageData, ctl::kSaveMessage, "Save message...");
  window_.addContextAction(ctl::kMessageData, ctl::kCopyAsText, "Copy as text");
  window_.addContextAction(ctl::kMessageData, ctl::kCopyAsHex, "Copy as hex");
}

void MessageDetailMenu::saveMessage() {
  const kx::QueueMessage* message = shownOrTell();
  if (message == nullptr) return;
  static const std::array<std::string, 2> kForms = {"JSON line, as kxadmin imports it (*.jsonl)",
                                                    "Message data bytes (*)"};
  const auto choice = window_.chooseSaveFile(
      "Save message", message->msgId.toHex().substr(0, 16) + ".jsonl", kForms);
  if (!choice) return;
  std::string bytes;
  if (choice->form == kDataBytes) {
    const auto data = message->data();
    bytes.assign(reinterpret_cast<const char*>(data.data()), data.size());
  } else {
    try {
      bytes = kx::messageLine(*message) + "\n";
    } catch (const nlohmann::json::type_error&) {
      tell(
          "The message was not saved: a descriptor text of it is not UTF-8, which a JSON line "
          "cannot hold. Its data bytes can still be saved.",
          tk::mb::kIconError);
      return;
    }
  }
  if (const std::string problem = writeFile(choice->path, bytes); !problem.empty()) {
    tell("The message was not saved to " + choice->path + ": " + problem + ".", tk::mb::kIconError);
  }
}

void MessageDetailMenu::copyAsText() {
  if (const kx::QueueMessage* message = shownOrTell()) {
    window_.copyToClipboard(textBytes(message->data()));
  }
}

void MessageDetailMenu::copyAsHex() {
  if (const kx::QueueMessage* message = shownOrTell()) {
    std::string hex = hexBytes(message->data());
    if (!hex.empty()) hex.pop_back();  // the blank after the last byte
    window_.copyToClipboard(hex);
  }
}

const kx::QueueMessage* MessageDetailMenu::shownOrTell() {
  const auto& message = browser_.shownMessage();
  if (!message) tell("No message is shown: display one first.", tk::mb::kIconInformation);
  return message ? &*message : nullptr;
}

void MessageDetailMenu::tell(const std::string& text, int style) {
  window_.showNotice(text, kMenuCaption, style);
}

}  // namespace tarnix
