#include "monitor/connect_advice.h"

namespace tarnix {
namespace {

std::string whatToDo(const std::string& name, kx::ReasonCode reason) {
  const std::string quoted = name.empty() ? "NAME" : name;
  switch (reason) {
    case kx::reason::kQueueManagerNotAvailable:
      return "Start it with 'kxadmin start " + quoted + "'; 'kxadmin list' shows whether it " +
             "runs, and for one kept in PostgreSQL whether its database can be reached.";
    case kx::reason::kQueueManagerNameError:
      return "'kxadmin list' shows the queue managers there are; 'kxadmin create " + quoted +
             "' makes a new one.";
    case kx::reason::kNoDefaultQueueManager:
      return "Name the queue manager, or mark a default with 'kxadmin default NAME'.";
    case kx::reason::kStoreDamaged:
      return "'kxadmin check " + quoted + "' says what is wrong with its store.";
    case kx::reason::kStoreBusy:
      return "Another program holds its store; try again when it is done.";
    case kx::reason::kStoreIoError:
      return "Check the data directory (KX_DATA_DIR) and its free space.";
    default:
      return "'kxadmin list' shows the queue managers and whether they run.";
  }
}

}  // namespace

std::string connectAdvice(std::string_view managerName, kx::ReasonCode reason) {
  const std::string name(managerName);
  const std::string which = name.empty() ? "the default queue manager" : "queue manager " + name;
  return "tarnix: cannot connect to " + which + ": reason " + std::to_string(reason) + ", " +
         kx::describeReason(reason) + ". " + whatToDo(name, reason);
}

}  // namespace tarnix
