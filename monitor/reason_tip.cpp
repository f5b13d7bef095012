#include "monitor/reason_tip.h"

namespace tarnix {

std::string explainShownReason(const tk::Window& window, int boxId, kx::ReasonCode reason,
                               std::string_view manager, std::string_view queue) {
  const std::string shown = window.text(boxId, 16);
  if (shown.find_first_not_of(' ') == std::string::npos) return {};
  return kx::explainReason(reason, manager, queue);
}

}  // namespace tarnix
