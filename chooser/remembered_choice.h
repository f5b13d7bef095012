#pragma once

#include <string>
#include <vector>

#include "platform/toolkit/memory.h"

namespace tarnix {

// The queues a user chose to monitor: a queue manager and one to five of its queues, in the
// order the monitor shows them.
struct Choice {
  std::string manager;
  std::vector<std::string> queues;
  friend bool operator==(const Choice&, const Choice&) = default;
};

// The last choice made, as the memory keeps it; no manager when none was kept.
Choice recallChoice(const tk::Memory& memory);
// False, with the reason, when the memory could not keep it.
bool rememberChoice(tk::Memory& memory, const Choice& choice, std::string& why);

}  // namespace tarnix
