#include "bench/report_runs.h"

#include <cstdint>
#include <string>
#include <vector>

#include "platform/messaging/report_word.h"

namespace bench {
namespace {

constexpr const char* kReplies = "REPLIES";

// Purges `queue` of `manager`, defining it on first use.
void emptied(ConnectedManager& manager, const std::string& queue) {
  manager.queue(queue);
  std::int64_t removed = 0;
  check(kx::admin::purgeQueue(manager.name(), queue, removed));
}

kx::QueueMessage askingForReports(std::size_t size) {
  const std::vector<std::uint8_t> body(size, 0x42);
  kx::QueueMessage message;
  message.report = kx::report::kCoa | kx::report::kCod;
  message.replyToQ = kReplies;
  message.setData(body.data(), body.size());
  return message;
}

void expectOneReportEach(benchmark::State& state, ConnectedManager& manager, const char* what) {
  if (manager.queue(kReplies).queryDepth() != state.iterations()) state.SkipWithError(what);
  state.SetItemsProcessed(state.iterations());
}

}  // namespace

void putWithReports(benchmark::State& state, ConnectedManager& manager, std::size_t size) {
  kx::IkxQueue& queue = manager.queue("PUT.R");
  emptied(manager, "PUT.R");
  emptied(manager, kReplies);
  kx::QueueMessage message = askingForReports(size);
  for (auto _ : state) {
    message.msgId.reset();
    if (!queue.put(message)) state.SkipWithError("put failed");
  }
  expectOneReportEach(state, manager, "not one report for each put");
}

void getWithReports(benchmark::State& state, ConnectedManager& manager, std::size_t size) {
  kx::IkxQueue& queue = manager.queue("GET.R");
  emptied(manager, "GET.R");
  kx::QueueMessage message = askingForReports(size);
  for (std::int64_t i = 0; i < state.max_iterations; ++i) {
    message.msgId.reset();
    if (!queue.put(message)) state.SkipWithError("fill failed");
  }
  emptied(manager, kReplies);  // of the arrivals' reports: the deliveries' are counted
  const kx::GetOptions options;
  for (auto _ : state) {
    message.msgId.reset();
    message.correlId.reset();
    if (!queue.get(message, options)) state.SkipWithError("get failed");
  }
  expectOneReportEach(state, manager, "not one report for each get");
}

}  // namespace bench
