#pragma once

#include <memory>
#include <string>

#include "platform/toolkit/qt/qt_memory.h"
#include "platform/toolkit/toolkit.h"

class QApplication;

namespace tk {

// The real toolkit: owns the application object (one per process) in the Fusion style.
class QtToolkit : public Toolkit {
 public:
  // The application object sees the program's name only: the command line is the program's own,
  // and no option in it is taken by the toolkit.
  explicit QtToolkit(std::string programName);
  ~QtToolkit() override;
  QtToolkit(const QtToolkit&) = delete;
  QtToolkit& operator=(const QtToolkit&) = delete;

  // Whether the window system the application object would use can be reached; false, with a
  // line that says why, where making the application object would abort the program.
  static bool displayReachable(std::string& why);

  int runModal(Dialog& dialog) override;
  int messageBox(std::string_view text, const char* caption, int style) override;
  // The application's name, by default the executable's name.
  std::string applicationName() const override;
  Memory& memory() override { return memory_; }
  // Through the freedesktop notification service on the session bus.
  bool startNotifications(std::string& why) override;
  void notify(std::string_view summary, std::string_view body) override;

 private:
  std::string programName_;
  int argc_ = 1;
  char* argv_[2] = {nullptr, nullptr};
  std::unique_ptr<QApplication> application_;
  QtMemory memory_;
  bool notifying_ = false;
};

}  // namespace tk
