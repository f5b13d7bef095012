#include "monitor/connect_advice.h"

namespace tarnix {
namespace {

std::string whatToDo(const std::string& name, kx::ReasonCode reason) {
  const std::string quoted = name.empty() ? "NAME" : name;
  switch (reason) {
    case kx::reason::kQueueManagerNotAvailable:
      return "Start it with 'kxadmin start " + quoted + "'; 'kxadmin list' shows whether it runs.";
    case kx::reason::kDatabaseUnreachable:
      return "Check that its database server runs and that this machine reaches it with the "
             "connection string in " +
             quoted + ".postgres; the monitor needs no restart once it does.";
    case kx::reason::kQueueManagerGone:
      return "Its tables were dropped from the database: 'kxadmin delete --force " + quoted +
             "' forgets it, and 'kxadmin create " + quoted + " --postgres ...' makes it anew.";
    case kx::reason::kDatabaseNoAccess:
      return "Grant the database role of its connection string the use of schema kx_" + quoted +
             " and of its tables, or name a role that has them.";
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

std::string connectAdvice(std::string_view managerName, kx::ReasonCode reason,
                          std::string_view problem) {
  const std::string name(managerName);
  const std::string which = name.empty() ? "the default queue manager" : "queue manager " + name;
  std::string said;
  if (!problem.empty()) said = " (" + std::string(problem) + ")";
  return "tarnix: cannot connect to " + which + ": reason " + std::to_string(reason) + ", " +
         kx::describeReason(reason) + said + ". " + whatToDo(name, reason);
}

}  // namespace tarnix
