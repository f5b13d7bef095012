// A putter or a getter for the PostgreSQL fault soak (postgres_soak.sh): it works on one queue
// until it is sent SIGTERM, connecting again whenever the server goes away, and reports each
// message on standard output, one write per line, only once the call has returned:
//   P <msgid hex>   a put returned success
//   D <msgid hex>   a put failed with the connection: the server may have kept it or not
//   G <msgid hex>   a destructive get returned this message
//   E <reason>      a call failed for any other reason
//   postgres_soak_worker put <manager> <queue> <tag>   persistent puts of ids <tag>-1, <tag>-2, ...
//   postgres_soak_worker get <manager> <queue>         gets
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <string>
#include <thread>

#include "platform/messaging/queue.h"
#include "platform/messaging/queue_manager.h"
#include "tests/support/report_line.h"

namespace {

volatile std::sig_atomic_t stopping = 0;

using tarnix::testing::reportLine;

// A failure that a new connection may cure.
bool connectionLost(kx::ReasonCode why) {
  return why == kx::reason::kConnectionBroken || why == kx::reason::kNotConnected ||
         why == kx::reason::kDatabaseUnreachable || why == kx::reason::kQueueManagerNotAvailable;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 4) return 2;
  std::signal(SIGTERM, [](int) { stopping = 1; });
  const std::string mode = argv[1];
  const bool putter = mode == "put" && argc == 5;
  if (!putter && mode != "get") return 2;
  kx::IkxQueueManager manager;
  manager.setManagerName(argv[2]);
  kx::IkxQueue queue;
  queue.bindManager(manager);
  queue.setQueueName(argv[3]);
  const std::string body(100, 'm');
  for (long number = 1; stopping == 0;) {
    if (!manager.connected() && !manager.connect()) {
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
      continue;
    }
    kx::QueueMessage message;
    if (putter) {
      message.msgId =
          *kx::MessageId24::fromText(std::string(argv[4]) + "-" + std::to_string(number));
      message.persistent = 1;
      message.setData(body.data(), body.size());
      if (queue.put(message)) {
        reportLine("P " + message.msgId.toHex());
        ++number;
        continue;
      }
    } else if (queue.get(message, kx::GetOptions{})) {
      reportLine("G " + message.msgId.toHex());
      continue;
    } else if (queue.reason() == kx::reason::kNoMessageAvailable) {
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
      continue;
    }
    if (connectionLost(queue.reason())) {
      if (putter) {
        reportLine("D " + message.msgId.toHex());
        ++number;
      }
      manager.disconnect();
    } else {
      reportLine("E " + std::to_string(queue.reason()));
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
  }
  return 0;
}
