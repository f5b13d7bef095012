#include "platform/toolkit/control_groups.h"

namespace tk {

std::vector<std::size_t> groupMembers(std::span<const ControlTemplate> controls,
                                      std::size_t index) {
  std::size_t first = index;
  while (first > 0 && !controls[first].has(attr::kGroupStart)) --first;
  std::vector<std::size_t> members{first};
  for (std::size_t i = first + 1; i < controls.size() && !controls[i].has(attr::kGroupStart); ++i) {
    members.push_back(i);
  }
  return members;
}

}  // namespace tk
