// Generator runs beside a bare loop of the same client calls in the same process:
//   20,000 non-persistent 1 KB random messages with no pause, beside 20,000 bare puts;
//   20,000 copies of a 1,000-message queue, beside 20,000 bare browse-and-put pairs.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "bench/bench_setup.h"
#include "generator/generator_worker.h"
#include "generator/request_text.h"
#include "platform/messaging/get_options.h"
#include "platform/messaging/queue.h"
#include "platform/messaging/queue_manager.h"
#include "platform/messaging/store_admin.h"
#include "platform/toolkit/headless/headless_progress.h"

namespace {

namespace fs = std::filesystem;
using bench::check;

constexpr const char* kManager = "GEN";
constexpr std::int64_t kCount = 20'000;
constexpr std::int64_t kSourceDepth = 1'000;
constexpr std::uint32_t kMessageSize = 1024;

// One queue manager for the run: a target queue and a source queue of 1,000 messages.
void setUpStore() {
  static const bool done = [] {
    bench::runStore("generator", kManager);
    check(kx::admin::defineLocalQueue(kManager, "TARGET", 100'000));
    check(kx::admin::defineLocalQueue(kManager, "SOURCE", 100'000));
    const std::vector<std::uint8_t> data(kMessageSize, 0x42);
    check(kx::admin::loadMessages(kManager, "SOURCE", kSourceDepth, data, false));
    return true;
  }();
  (void)done;
}

// Gives how many messages the target held.
std::int64_t emptyTarget() {
  std::int64_t removed = 0;
  check(kx::admin::purgeQueue(kManager, "TARGET", removed));
  return removed;
}

void runRequest(benchmark::State& state, const tarnix::GenerateOptions& options) {
  setUpStore();
  tk::ProgressBar progress(std::make_shared<tk::HeadlessProgressSink>());
  const std::string request = tarnix::buildRequest(options, kManager, "TARGET");
  for (auto _ : state) {
    state.PauseTiming();
    emptyTarget();
    state.ResumeTiming();
    const std::int32_t ended = tarnix::runGenerator(request, progress, {});
    state.PauseTiming();
    // A run that failed or put fewer messages has no figure worth reporting.
    if (ended != 1 || emptyTarget() != kCount) {
      std::fprintf(stderr, "bench: the generator run did not put its %lld messages\n",
                   static_cast<long long>(kCount));
      std::abort();
    }
    state.ResumeTiming();
  }
  state.SetItemsProcessed(state.iterations() * kCount);
}

void BM_GeneratorRandom(benchmark::State& state) {
  tarnix::GenerateOptions options;
  options.messageCount = kCount;
  options.randomLength = kMessageSize;
  runRequest(state, options);
}
BENCHMARK(BM_GeneratorRandom)->Iterations(1)->UseRealTime();

void BM_GeneratorCopies(benchmark::State& state) {
  tarnix::GenerateOptions options;
  options.messageCount = kCount;
  options.source = 'q';
  options.sourceQueueName.assign("SOURCE");
  runRequest(state, options);
}
BENCHMARK(BM_GeneratorCopies)->Iterations(1)->UseRealTime();

// The same client calls without the generator around them.
void bareLoop(benchmark::State& state, bool copies) {
  setUpStore();
  for (auto _ : state) {
    state.PauseTiming();
    emptyTarget();
    state.ResumeTiming();
    kx::IkxQueueManager manager;
    manager.setManagerName(kManager);
    if (!manager.connect()) state.SkipWithError("connect failed");
    kx::IkxQueue target;
    target.setQueueName("TARGET");
    target.bindManager(manager);
    kx::IkxQueue source;
    source.setQueueName("SOURCE");
    source.bindManager(manager);
    kx::QueueMessage message;
    const std::vector<std::uint8_t> data(kMessageSize, '7');
    message.setData(data.data(), data.size());
    kx::GetOptions browse{kx::getopt::kBrowseFirst};
    for (std::int64_t n = 0; n < kCount; ++n) {
      if (copies) {
        message.msgId.reset();
        message.correlId.reset();
        if (!source.get(message, browse)) {
          browse.options = kx::getopt::kBrowseFirst;
          source.get(message, browse);
        }
        browse.options = kx::getopt::kBrowseNext;
      }
      message.msgId.reset();
      if (!target.put(message)) state.SkipWithError("put failed");
    }
  }
  state.SetItemsProcessed(state.iterations() * kCount);
}

void BM_Bare_GeneratorRandom(benchmark::State& state) { bareLoop(state, false); }
BENCHMARK(BM_Bare_GeneratorRandom)->Iterations(1)->UseRealTime();

void BM_Bare_GeneratorCopies(benchmark::State& state) { bareLoop(state, true); }
BENCHMARK(BM_Bare_GeneratorCopies)->Iterations(1)->UseRealTime();

}  // namespace
