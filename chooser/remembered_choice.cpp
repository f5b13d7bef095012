#include "chooser/remembered_choice.h"

namespace tarnix {
namespace {

constexpr const char* kManagerKey = "chooser/manager";
constexpr const char* kQueuesKey = "chooser/queues";

}  // namespace

Choice recallChoice(const tk::Memory& memory) {
  Choice choice;
  const std::vector<std::string> manager = memory.recall(kManagerKey);
  if (manager.size() != 1) return choice;  // nothing kept, or not what this program keeps
  choice.manager = manager.front();
  choice.queues = memory.recall(kQueuesKey);
  return choice;
}

bool rememberChoice(tk::Memory& memory, const Choice& choice, std::string& why) {
  return memory.remember(kManagerKey, {choice.manager}, why) &&
         memory.remember(kQueuesKey, choice.queues, why);
}

}  // namespace tarnix
