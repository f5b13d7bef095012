#include "chooser/demo_manager.h"

#include <algorithm>
#include <cstdint>
#include <string_view>

#include "platform/messaging/queue.h"
#include "platform/messaging/queue_manager.h"
#include "platform/messaging/queue_message.h"

namespace tarnix {
namespace {

namespace admin = kx::admin;

struct DemoQueue {
  std::string_view name;
  std::int32_t maxDepth = admin::kDefaultMaxDepth;
  std::string_view aliasFor;  // an alias of this queue, when not empty
  int messages = 0;
  std::string_view text;
};

// What the demo holds, in the monitor's order. 85 of 100 orders stand above the 80% mark.
constexpr DemoQueue kDemoQueues[] = {
    {"DEMO.ORDERS", 100, "", 85, "order"},
    {"DEMO.REPLIES", admin::kDefaultMaxDepth, "", 12, "reply"},
    {"DEMO.EVENTS", 50, "", 3, "event"},
    {"DEMO.ORDERS.ALIAS", 0, "DEMO.ORDERS", 0, ""},
};

// Persistent text messages, as kxadmin put --text --persistent gives them, so that a restart of
// the demo keeps them.
admin::Status putMessages(const DemoQueue& queue) {
  kx::IkxQueueManager manager;
  manager.setManagerName(kDemoManager);
  if (!manager.connect())
    return {manager.reason(), admin::explainFailure(kDemoManager, manager.reason())};
  kx::IkxQueue target;
  target.bindManager(manager);
  target.setQueueName(queue.name);
  kx::QueueMessage message;
  message.persistent = 1;
  message.format = kx::kFormatString;
  message.setData(queue.text.data(), queue.text.size());
  for (int i = 0; i < queue.messages; ++i) {
    message.msgId = kx::MessageId24::none();
    if (!target.put(message)) {
      return {target.reason(), "cannot put the demo's messages onto " + std::string(queue.name) +
                                   ": " + admin::explainFailure(kDemoManager, target.reason())};
    }
  }
  return {};
}

admin::Status makeDemo() {
  if (admin::Status status = admin::createQueueManager(kDemoManager); !status) return status;
  admin::Status status = admin::startQueueManager(kDemoManager);
  for (const DemoQueue& queue : kDemoQueues) {
    if (!status) break;
    status = queue.aliasFor.empty()
                 ? admin::defineLocalQueue(kDemoManager, queue.name, queue.maxDepth)
                 : admin::defineAliasQueue(kDemoManager, queue.name, queue.aliasFor);
    if (status && queue.messages > 0) status = putMessages(queue);
  }
  if (status) return status;
  // Half a demo would be taken for a whole one next time: it goes.
  (void)admin::stopQueueManager(kDemoManager);
  if (admin::deleteQueueManager(kDemoManager, true)) {
    status.message += "; the demo queue manager was removed again";
  } else {
    status.message += "; the demo queue manager " + std::string(kDemoManager) +
                      " is left half made: delete it with 'kxadmin delete --force " + kDemoManager +
                      "'";
  }
  return status;
}

}  // namespace

std::vector<std::string> demoQueues() {
  std::vector<std::string> names;
  for (const DemoQueue& queue : kDemoQueues) names.emplace_back(queue.name);
  return names;
}

admin::Status prepareDemo(bool& made) {
  made = false;
  std::vector<admin::ManagerInfo> managers;
  if (admin::Status status = admin::listQueueManagers(managers); !status) return status;
  const auto demo = std::find_if(managers.begin(), managers.end(), [](const admin::ManagerInfo& m) {
    return m.name == kDemoManager;
  });
  if (demo == managers.end()) {
    made = true;
    return makeDemo();
  }
  if (demo->damaged || demo->unreachable) {
    return {kx::reason::kStoreDamaged,
            std::string("the demo queue manager ") + kDemoManager + " cannot be used (" +
                (demo->damaged ? "its store is damaged" : "its database cannot be reached") +
                "); see 'kxadmin check " + kDemoManager + "'"};
  }
  return demo->running ? admin::Status{} : admin::startQueueManager(kDemoManager);
}

}  // namespace tarnix
