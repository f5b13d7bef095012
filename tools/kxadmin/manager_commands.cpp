#include "tools/kxadmin/manager_commands.h"

#include <cstdio>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "platform/messaging/names.h"
#include "platform/messaging/store_admin.h"
#include "tools/kxadmin/json_output.h"
#include "tools/kxadmin/report.h"

namespace kxadmin {
namespace {

namespace admin = kx::admin;

struct ManagerArgs {
  std::string manager;
  std::string postgres;  // a libpq connection string
  std::string queue;
  std::string deadLetter;  // create and alter-manager: the dead-letter queue's name
  bool purge = false;
  bool force = false;
  bool json = false;
};

int simple(const admin::Status& status, const std::string& done) {
  if (!status) return fail(status);
  std::cout << done << '\n';
  if (!status.message.empty()) std::cerr << "kxadmin: " << status.message << '\n';
  return rt::kExitNormal;
}

// Where the reports that cannot reach their reply-to queue go, and how many went nowhere. A
// store that names no dead-letter queue and has discarded nothing says nothing of it.
void printReportRouting(const admin::CheckReport& report) {
  if (!report.deadLetterQueue.empty()) {
    std::cout << "dead-letter queue: " << printable(report.deadLetterQueue) << '\n';
  }
  if (report.discardedReports > 0 || !report.deadLetterQueue.empty()) {
    std::cout << "discarded reports: " << report.discardedReports
              << (report.deadLetterQueue.empty() ? " (no dead-letter queue is named)" : "") << '\n';
  }
}

int check(const std::string& manager, bool json) {
  admin::CheckReport report;
  if (const admin::Status status = admin::checkQueueManager(manager, report); !status) {
    return fail(status);
  }
  const bool sound = report.problems.empty();
  // Each kind of store says what can be done about its own problems.
  const std::string& advice = report.advice;
  if (json) {
    nlohmann::json document = {{"queueManager", manager},
                               {"sound", sound},
                               {"localQueues", report.queues},
                               {"messages", report.messages},
                               {"problems", report.problems},
                               {"deadLetterQueue", report.deadLetterQueue.empty()
                                                       ? nlohmann::json()
                                                       : nlohmann::json(report.deadLetterQueue)},
                               {"discardedReports", report.discardedReports}};
    if (!sound) document["advice"] = advice;
    printJson(document);
    return sound ? rt::kExitNormal : rt::kExitFailure;
  }
  for (const auto& problem : report.problems) std::cout << problem << '\n';
  printReportRouting(report);
  if (sound) {
    std::cout << manager << ": ok (" << report.queues << " local queues, " << report.messages
              << " messages)\n";
    return rt::kExitNormal;
  }
  std::cout << manager << ": damaged (" << report.problems.size() << " problems); " << advice
            << '\n';
  return rt::kExitFailure;
}

int salvage(const std::string& manager) {
  admin::SalvageReport report;
  if (const admin::Status status = admin::salvageQueueManager(manager, report); !status) {
    return fail(status);
  }
  for (const auto& line : report.queues) std::cout << line << '\n';
  std::cout << "salvaged queue manager " << manager << " (stopped): " << report.copied
            << " messages copied";
  if (report.lost > 0) std::cout << ", " << report.lost << " could not be read";
  std::cout << "; the store as it was is kept as " << report.keptAs.string() << '\n';
  return rt::kExitNormal;
}

std::string stateOf(const admin::ManagerInfo& info) {
  return info.damaged                   ? "damaged"
         : info.gone                    ? "gone"
         : info.readOnly                ? "read-only"
         : info.noAccess || info.denied ? "no access"
         : info.unreachable             ? "unreachable"
         : info.running                 ? "running"
                                        : "stopped";
}

int list(bool json) {
  std::vector<admin::ManagerInfo> managers;
  if (const admin::Status status = admin::listQueueManagers(managers); !status) return fail(status);
  std::string origin;
  const std::string directory = admin::dataDirectory(&origin).string();
  if (json) {
    nlohmann::json listed = nlohmann::json::array();
    for (const auto& info : managers) {
      nlohmann::json entry = {{"name", info.name},
                              {"state", stateOf(info)},
                              {"store", info.inPostgres ? "postgres" : "file"},
                              {"default", info.isDefault}};
      if (!info.problem.empty()) entry["problem"] = info.problem;
      listed.push_back(std::move(entry));
    }
    printJson(
        {{"dataDirectory", directory}, {"dataDirectoryFrom", origin}, {"queueManagers", listed}});
    return rt::kExitNormal;
  }
  if (managers.empty()) {
    std::cout << "no queue managers in " << directory << " (from " << origin << ")\n";
    return rt::kExitNormal;
  }
  std::cout << "queue managers in " << directory << " (from " << origin << "):\n";
  std::printf("%-48s  %s\n", "QUEUE MANAGER", "STATE");
  std::fflush(stdout);
  for (const auto& info : managers) {
    std::string line = info.name;
    line.resize(std::max<std::size_t>(line.size() + 2, 50), ' ');
    line += stateOf(info);
    if (info.inPostgres) line += "  postgres";
    if (info.isDefault) line += "  default";
    if (!info.problem.empty()) line += "  (" + info.problem + ")";
    std::cout << line << '\n';
  }
  return rt::kExitNormal;
}

// Makes a queue manager, in a file here or in PostgreSQL, and names its dead-letter queue when
// asked. A bad dead-letter queue name is refused before anything is made.
int createManager(const ManagerArgs& args) {
  if (!args.deadLetter.empty()) {
    if (const kx::ReasonCode bad = kx::validateName(args.deadLetter, kx::NameKind::Queue)) {
      return fail(bad, "bad queue name " + kx::quotedName(args.deadLetter) +
                           " for --dead-letter; nothing was created");
    }
  }
  const bool postgres = !args.postgres.empty();
  const admin::Status made = postgres
                                 ? admin::createPostgresQueueManager(args.manager, args.postgres)
                                 : admin::createQueueManager(args.manager);
  if (!made) return fail(made);
  std::string done = "created queue manager " + args.manager +
                     (postgres ? " in PostgreSQL (stopped)" : " (stopped)");
  if (!args.deadLetter.empty()) {
    const admin::Status named = admin::setDeadLetterQueue(args.manager, args.deadLetter);
    if (!named) {
      return fail(named.reason, done + ", but its dead-letter queue was not named: " +
                                    named.message + " ('kxadmin alter-manager " + args.manager +
                                    " --dead-letter QUEUE' names it)");
    }
    done += " with dead-letter queue " + args.deadLetter;
  }
  return simple(made, done);
}

// Names the queue manager's dead-letter queue, or with an empty name, takes it away.
int alterManager(const ManagerArgs& args) {
  const admin::Status status = admin::setDeadLetterQueue(args.manager, args.deadLetter);
  return simple(status, args.deadLetter.empty()
                            ? args.manager +
                                  " has no dead-letter queue now: reports that cannot "
                                  "reach their reply-to queue are discarded"
                            : args.manager + "'s dead-letter queue is now " + args.deadLetter);
}

// Marks `manager` the default queue manager; without a name, shows the default.
int markDefault(const std::string& manager) {
  if (manager.empty()) {
    std::string name;
    if (const admin::Status result = admin::defaultQueueManager(name); !result) return fail(result);
    std::cout << name << '\n';
    return rt::kExitNormal;
  }
  return simple(admin::setDefaultQueueManager(manager),
                manager + " is now the default queue manager");
}

// A command of the queue manager named as its first argument.
CLI::App* managerCommand(CLI::App& app, const char* name, const char* help, ManagerArgs& args) {
  auto* command = app.add_subcommand(name, help);
  command->add_option("manager", args.manager, "Queue manager name")->required();
  return command;
}

// A command that only names the queue manager, and says one line when it is done.
void addNameOnlyCommand(CLI::App& app, const char* name, const char* help,
                        const std::shared_ptr<ManagerArgs>& args, int& status,
                        admin::Status (*run)(std::string_view manager), const char* done) {
  managerCommand(app, name, help, *args)->callback([args, &status, run, done] {
    status = simple(run(args->manager), done + args->manager);
  });
}

// create, attach, detach and delete: where a queue manager is kept.
void addStoreCommands(CLI::App& app, const std::shared_ptr<ManagerArgs>& args, int& status) {
  auto* create = managerCommand(app, "create", "Create a queue manager (stopped)", *args);
  create->add_option("--postgres", args->postgres,
                     "Keep it in the PostgreSQL database of this libpq connection string (no "
                     "password: use ~/.pgpass, a service file or PGPASSWORD; its connect_timeout, "
                     "5 s unless given, bounds every wait on the server)");
  create->add_option(
      "--dead-letter", args->deadLetter,
      "Name its dead-letter queue, where reports that cannot reach their reply-to queue go (it "
      "need not be defined yet)");
  create->callback([args, &status] { status = createManager(*args); });

  auto* attach = managerCommand(
      app, "attach", "Reach from here a queue manager that lives in a PostgreSQL database", *args);
  attach->add_option("--postgres", args->postgres, "libpq connection string of its database")
      ->required();
  attach->callback([args, &status] {
    status = simple(admin::attachPostgresQueueManager(args->manager, args->postgres),
                    "attached queue manager " + args->manager);
  });

  addNameOnlyCommand(app, "detach",
                     "Forget here a queue manager kept in PostgreSQL (its database keeps it)", args,
                     status, admin::detachQueueManager, "detached queue manager ");

  auto* remove = managerCommand(
      app, "delete", "Delete a stopped queue manager, or with a queue name, a queue of it", *args);
  remove->add_option("queue", args->queue, "Queue to delete instead of the queue manager");
  remove->add_flag("--purge", args->purge, "Delete a local queue even if it holds messages");
  remove->add_flag("--force", args->force,
                   "Delete a queue manager whose store is damaged (its messages are lost)");
  remove->callback([args, &status] {
    if (args->queue.empty()) {
      if (args->purge) {
        status = usage("--purge needs a queue name; nothing was deleted");
        return;
      }
      status = simple(admin::deleteQueueManager(args->manager, args->force),
                      "deleted queue manager " + args->manager);
    } else if (args->force) {
      status = usage("--force deletes a queue manager, not a queue; nothing was deleted");
    } else {
      status = simple(admin::deleteQueue(args->manager, args->queue, args->purge),
                      "deleted queue " + args->queue + " of " + args->manager);
    }
  });
}

// check, salvage, list and default: what there is, and how it stands.
void addInspectionCommands(CLI::App& app, const std::shared_ptr<ManagerArgs>& args, int& status) {
  auto* checking = managerCommand(
      app, "check", "Check a queue manager's store: its pages, and its depths against its messages",
      *args);
  checking->add_flag("--json", args->json, "One JSON document: the counts and the problems");
  checking->callback([args, &status] { status = check(args->manager, args->json); });

  managerCommand(app, "salvage",
                 "Rebuild a stopped queue manager's store from every message that can still be "
                 "read (a copy of the old file is kept)",
                 *args)
      ->callback([args, &status] { status = salvage(args->manager); });

  auto* listing =
      app.add_subcommand("list", "List the queue managers of the data directory and their state");
  listing->add_flag("--json", args->json,
                    "One JSON document: the data directory and each queue manager");
  listing->callback([args, &status] { status = list(args->json); });

  auto* mark =
      app.add_subcommand("default", "Mark the default queue manager, or without a name, show it");
  mark->add_option("manager", args->manager, "Queue manager name");
  mark->callback([args, &status] { status = markDefault(args->manager); });
}

}  // namespace

void addManagerCommands(CLI::App& app, int& status) {
  auto args = std::make_shared<ManagerArgs>();
  addStoreCommands(app, args, status);
  auto* alter =
      managerCommand(app, "alter-manager", "Name a queue manager's dead-letter queue", *args);
  alter
      ->add_option("--dead-letter", args->deadLetter,
                   "Name its dead-letter queue, where reports that cannot reach their reply-to "
                   "queue go; an empty name takes it away and such reports are discarded")
      ->required();
  alter->callback([args, &status] { status = alterManager(*args); });
  addNameOnlyCommand(app, "start",
                     "Start a queue manager (its non-persistent messages are discarded)", args,
                     status, admin::startQueueManager, "started queue manager ");
  addNameOnlyCommand(app, "stop", "Stop a queue manager (its connections break)", args, status,
                     admin::stopQueueManager, "stopped queue manager ");
  addInspectionCommands(app, args, status);
}

}  // namespace kxadmin
