#pragma once

#include <string>
#include <string_view>

namespace tk {

class Dialog;
class Memory;

// The application-level operations of the window toolkit.
class Toolkit {
 public:
  virtual ~Toolkit() = default;

  // Runs `dialog` modally as a top-level window (no parent) and gives its end result. Closing it
  // (close box or Escape) ends the run with kIdCancel.
  virtual int runModal(Dialog& dialog) = 0;
  // A message box owned by no window; a null caption means the application's name.
  virtual int messageBox(std::string_view text, const char* caption, int style) = 0;
  // The application's name: the caption of boxes that give none.
  virtual std::string applicationName() const = 0;

  // What is remembered for the user between runs.
  virtual Memory& memory() = 0;

  // Desktop notifications: false, with the reason, when the desktop offers no notification
  // service.
  virtual bool startNotifications(std::string& why) = 0;
  // Shows a note on the desktop without waiting for it; a note that cannot be shown is lost.
  virtual void notify(std::string_view summary, std::string_view body) = 0;
};

}  // namespace tk
