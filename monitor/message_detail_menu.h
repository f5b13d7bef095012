#pragma once

#include <string>

#include "monitor/message_browser.h"
#include "platform/toolkit/window.h"

namespace tarnix {

// The context menu of the message data: the shown message saved to a file, as one JSON line of
// the form kxadmin exports and imports or as its bare data bytes, or its data copied to the
// clipboard as text or as hex.
class MessageDetailMenu {
 public:
  // Adds the entries to the menu of the data box.
  MessageDetailMenu(tk::Window& window, const MessageBrowser& browser);
  // "Save message...": a file dialog, then the file in the chosen form.
  void saveMessage();
  // "Copy as text": the data as the text form shows them, up to the first zero byte.
  void copyAsText();
  // "Copy as hex": the data as the hex form shows them, without the last blank.
  void copyAsHex();

 private:
  // The message shown, or none, after a notice that says there is none to act on.
  const kx::QueueMessage* shownOrTell();
  // A notice of the menu: nothing to act on, or why a save failed.
  void tell(const std::string& text, int style);

  tk::Window& window_;
  const MessageBrowser& browser_;
};

}  // namespace tarnix
