#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/toolkit/memory.h"

namespace tk {

// Remembered lists in the user's configuration folder: tarnix/tarnix.ini under $XDG_CONFIG_HOME,
// else ~/.config, written through QSettings.
class QtMemory : public Memory {
 public:
  std::vector<std::string> recall(std::string_view key) const override;
  bool remember(std::string_view key, const std::vector<std::string>& values,
                std::string& why) override;
};

}  // namespace tk
