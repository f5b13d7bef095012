#include "tools/kxadmin/queue_commands.h"

#include <cstdio>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "platform/messaging/store_admin.h"
#include "tools/kxadmin/json_output.h"
#include "tools/kxadmin/report.h"

namespace kxadmin {
namespace {

namespace admin = kx::admin;

struct QueueArgs {
  std::string manager;
  std::string queue;
  std::int32_t maxDepth = admin::kDefaultMaxDepth;
  std::string aliasFor;
  bool json = false;
};

int queues(const std::string& manager, bool json) {
  std::vector<admin::QueueInfo> list;
  if (const admin::Status status = admin::listQueues(manager, list); !status) return fail(status);
  if (json) {
    nlohmann::json listed = nlohmann::json::array();
    for (const auto& info : list) {
      if (info.alias) {
        listed.push_back({{"name", info.name}, {"type", "alias"}, {"target", info.target}});
      } else {
        listed.push_back({{"name", info.name},
                          {"type", "local"},
                          {"depth", info.depth},
                          {"maxDepth", info.maxDepth}});
      }
    }
    printJson({{"queueManager", manager}, {"queues", listed}});
    return rt::kExitNormal;
  }
  std::printf("%-48s  %-5s  %9s  %9s  %s\n", "QUEUE", "TYPE", "DEPTH", "MAX-DEPTH", "TARGET");
  for (const auto& info : list) {
    if (info.alias) {
      std::printf("%-48s  %-5s  %9s  %9s  %s\n", info.name.c_str(), "alias", "", "",
                  info.target.c_str());
    } else {
      std::printf("%-48s  %-5s  %9d  %9d\n", info.name.c_str(), "local", info.depth, info.maxDepth);
    }
  }
  return rt::kExitNormal;
}

}  // namespace

void addQueueCommands(CLI::App& app, int& status) {
  auto args = std::make_shared<QueueArgs>();

  auto* define = app.add_subcommand("define", "Define a local queue, or an alias queue");
  define->add_option("manager", args->manager, "Queue manager name")->required();
  define->add_option("queue", args->queue, "Queue name")->required();
  auto* depth = define->add_option("--max-depth", args->maxDepth,
                                   "Maximum depth of a local queue (default 5000)");
  auto* alias = define->add_option("--alias-for", args->aliasFor,
                                   "Define an alias standing for this local queue");
  depth->excludes(alias);
  define->callback([args, alias, &status] {
    if (alias->count() > 0) {
      status = [&] {
        const admin::Status result =
            admin::defineAliasQueue(args->manager, args->queue, args->aliasFor);
        if (!result) return fail(result);
        std::cout << "defined alias " << args->queue << " for " << args->aliasFor << " on "
                  << args->manager << '\n';
        return rt::kExitNormal;
      }();
      return;
    }
    const admin::Status result =
        admin::defineLocalQueue(args->manager, args->queue, args->maxDepth);
    if (!result) {
      status = fail(result);
      return;
    }
    std::cout << "defined local queue " << args->queue << " on " << args->manager << " (max depth "
              << args->maxDepth << ")\n";
    status = rt::kExitNormal;
  });

  auto* alter = app.add_subcommand("alter", "Change the maximum depth of a local queue");
  alter->add_option("manager", args->manager, "Queue manager name")->required();
  alter->add_option("queue", args->queue, "Queue name")->required();
  alter->add_option("--max-depth", args->maxDepth, "New maximum depth")->required();
  alter->callback([args, &status] {
    const admin::Status result = admin::alterMaxDepth(args->manager, args->queue, args->maxDepth);
    if (!result) {
      status = fail(result);
      return;
    }
    std::cout << "max depth of " << args->queue << " is now " << args->maxDepth << '\n';
    status = rt::kExitNormal;
  });

  auto* listing = app.add_subcommand("queues", "List the queues of a queue manager with depths");
  listing->add_option("manager", args->manager, "Queue manager name")->required();
  listing->add_flag("--json", args->json, "One JSON document: each queue with its depths");
  listing->callback([args, &status] { status = queues(args->manager, args->json); });

  auto* purge = app.add_subcommand("purge", "Remove every message of a queue");
  purge->add_option("manager", args->manager, "Queue manager name")->required();
  purge->add_option("queue", args->queue, "Queue name")->required();
  purge->callback([args, &status] {
    std::int64_t removed = 0;
    const admin::Status result = admin::purgeQueue(args->manager, args->queue, removed);
    if (!result) {
      status = fail(result);
      return;
    }
    std::cout << "purged " << removed << " messages from " << args->queue << '\n';
    status = rt::kExitNormal;
  });
}

}  // namespace kxadmin
