// A process that works on a store for the multi-process and crash tests. It reports each
// message it put or got on standard output, one write per line, only after the call returned:
//   P <msgid hex>      put returned success
//   G <msgid hex>      a destructive get returned this message
//   E <op> <reason>    an operation failed for a reason other than an empty queue
//
//   store_worker mix <manager> <queue> <tag> <milliseconds>   put and get until the time is up
//   store_worker putloop <manager> <queue> <tag>               persistent puts until killed
//   store_worker takeloop <manager> <queue> <tag>              takes until the queue is empty
//   store_worker holdtake <manager> <queue> <tag>              one take, which writes "H" just
//                                                              before its commit and waits there
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/messaging/queue.h"
#include "platform/messaging/queue_manager.h"
#include "platform/messaging/test_seams.h"
#include "tests/support/report_line.h"

namespace {

using tarnix::testing::reportLine;

bool put(kx::IkxQueue& queue, const std::string& tag, long number, bool persistent) {
  kx::QueueMessage message;
  message.msgId = *kx::MessageId24::fromText(tag + "-" + std::to_string(number));
  message.persistent = persistent ? 1 : 0;
  const std::string body = "message " + std::to_string(number) + " from " + tag;
  message.setData(body.data(), body.size());
  if (!queue.put(message)) {
    reportLine("E put " + std::to_string(queue.reason()));
    return false;
  }
  reportLine("P " + message.msgId.toHex());
  return true;
}

void get(kx::IkxQueue& queue) {
  kx::QueueMessage message;
  if (queue.get(message, kx::GetOptions{})) {
    reportLine("G " + message.msgId.toHex());
  } else if (queue.reason() != kx::reason::kNoMessageAvailable) {
    reportLine("E get " + std::to_string(queue.reason()));
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 5) return 2;
  const std::string mode = argv[1];
  kx::IkxQueueManager manager;
  manager.setManagerName(argv[2]);
  if (!manager.connect()) {
    reportLine("E connect " + std::to_string(manager.reason()));
    return 1;
  }
  kx::IkxQueue queue;
  queue.bindManager(manager);
  queue.setQueueName(argv[3]);
  const std::string tag = argv[4];

  if (mode == "mix" && argc == 6) {
    const auto end =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(std::atol(argv[5]));
    for (long i = 0; std::chrono::steady_clock::now() < end; ++i) {
      put(queue, tag, i, i % 3 == 0);
      if (i % 2 == 0) get(queue);
    }
    return 0;
  }
  if (mode == "putloop") {
    for (long i = 0;; ++i) put(queue, tag, i, true);
  }
  if (mode == "takeloop") {
    kx::QueueMessage message;
    while (queue.get(message, kx::GetOptions{})) {
      reportLine("G " + message.msgId.toHex());
      message = kx::QueueMessage();
    }
    return 0;
  }
  if (mode == "holdtake") {
    kx::setCommitHook([](std::string_view operation) {
      if (operation != "get") return;
      reportLine("H");
      for (;;) ::pause();  // until the parent kills this process
    });
    get(queue);
    return 1;
  }
  return 2;
}
