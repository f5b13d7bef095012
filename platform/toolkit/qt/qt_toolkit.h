#pragma once

#include <memory>
#include <string>

#include "platform/toolkit/toolkit.h"

class QApplication;

namespace tk {

// The real toolkit: owns the application object (one per process) in the Fusion style.
class QtToolkit : public Toolkit {
 public:
  // `argc` must outlive the toolkit, as the application object keeps it.
  QtToolkit(int& argc, char** argv);
  ~QtToolkit() override;
  QtToolkit(const QtToolkit&) = delete;
  QtToolkit& operator=(const QtToolkit&) = delete;

  int runModal(Dialog& dialog) override;
  int messageBox(std::string_view text, const char* caption, int style) override;
  // The application's name, by default the executable's name.
  std::string applicationName() const override;

 private:
  std::unique_ptr<QApplication> application_;
};

}  // namespace tk
