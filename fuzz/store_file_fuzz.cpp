// Opening a store file made of fuzzed bytes and working on it as a client and as kxadmin would,
// salvage included: every failure must come back as a reason, never as a crash, a hang or
// undefined behaviour, and a salvaged store must start.
//
// The input is either a whole file (first byte even) or, to reach deeper, a list of patches over
// a real store made at start-up (first byte odd): each patch is a 2-byte offset in units of 16
// bytes, a length byte and that many bytes.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "fuzz/require.h"
#include "platform/messaging/queue.h"
#include "platform/messaging/queue_manager.h"
#include "platform/messaging/store_admin.h"

namespace {

namespace fs = std::filesystem;
using tarnix::fuzz::require;

fs::path directory;
std::vector<std::uint8_t> pristine;

// A small store with a bit of everything: local and alias queues, persistent and expiring
// messages, correlation ids, a running flag.
void makePristineStore() {
  require(static_cast<bool>(kx::admin::createQueueManager("FUZZ")));
  require(static_cast<bool>(kx::admin::startQueueManager("FUZZ")));
  require(static_cast<bool>(kx::admin::defineLocalQueue("FUZZ", "Q1", 50)));
  require(static_cast<bool>(kx::admin::defineLocalQueue("FUZZ", "Q2")));
  require(static_cast<bool>(kx::admin::defineAliasQueue("FUZZ", "A1", "Q1")));
  {
    kx::IkxQueueManager manager;
    manager.setManagerName("FUZZ");
    require(manager.connect());
    kx::IkxQueue queue;
    queue.bindManager(manager);
    queue.setQueueName("Q1");
    for (int i = 0; i < 6; ++i) {
      kx::QueueMessage message;
      message.persistent = i % 2;
      if (i % 3 == 0) message.expiry = 100000;
      if (i == 4) message.correlId = *kx::MessageId24::fromText("correl");
      const std::string body(i * 700 + 1, static_cast<char>('a' + i));
      message.setData(body.data(), body.size());
      require(queue.put(message));
    }
  }
  const fs::path store = directory / "FUZZ.qmgr";
  std::ifstream in(store, std::ios::binary);
  pristine.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  require(pristine.size() > 4096);
}

std::vector<std::uint8_t> storeBytes(const std::uint8_t* data, std::size_t size) {
  if (size == 0 || (data[0] & 1) == 0) return {data + (size > 0 ? 1 : 0), data + size};
  std::vector<std::uint8_t> bytes = pristine;
  for (std::size_t at = 1; at + 3 <= size;) {
    const std::size_t offset = ((std::size_t{data[at]} << 8) | data[at + 1]) * 16 % bytes.size();
    std::size_t length = data[at + 2];
    at += 3;
    for (; length > 0 && at < size; --length, ++at)
      bytes[(offset + length) % bytes.size()] = data[at];
  }
  return bytes;
}

// What a client does with a queue: inquire, browse, take, put.
void useQueue(kx::IkxQueueManager& manager, const char* name) {
  kx::IkxQueue queue;
  queue.bindManager(manager);
  queue.setQueueName(name);
  queue.queryDepth();
  queue.queryMaxDepth();
  queue.resolvedName();
  kx::GetOptions options{kx::getopt::kBrowseFirst};
  for (int i = 0; i < 8; ++i) {
    kx::QueueMessage message;
    if (!queue.get(message, options)) break;
    options.options = kx::getopt::kBrowseNext;
  }
  for (int i = 0; i < 2; ++i) {
    kx::QueueMessage message;
    message.setBufferSize(i * 100);
    queue.get(message, kx::GetOptions{kx::getopt::kAcceptTruncated});
  }
  kx::QueueMessage message;
  message.setData("fuzz", 4);
  queue.put(message);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  // In memory where there is a tmpfs: every write of the store is synced, and those syncs would
  // otherwise set the pace.
  char pattern[] = "/dev/shm/tarnix-fuzz-XXXXXX";
  char fallback[] = "/tmp/tarnix-fuzz-XXXXXX";
  require(::mkdtemp(pattern) != nullptr || ::mkdtemp(fallback) != nullptr);
  directory = ::access(pattern, F_OK) == 0 ? pattern : fallback;
  ::setenv("KX_DATA_DIR", directory.c_str(), 1);
  ::unsetenv("KX_DEFAULT_QMGR");
  makePristineStore();
  std::atexit([] { fs::remove_all(directory); });
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const fs::path store = directory / "FUZZ.qmgr";
  std::error_code error;
  fs::remove(store.string() + "-wal", error);
  fs::remove(store.string() + "-shm", error);
  const std::vector<std::uint8_t> bytes = storeBytes(data, size);
  std::ofstream(store, std::ios::binary | std::ios::trunc)
      .write(reinterpret_cast<const char*>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));

  {
    kx::IkxQueueManager manager;
    manager.setManagerName("FUZZ");
    if (manager.connect()) {
      for (const char* name : {"Q1", "Q2", "A1", "NONE"}) useQueue(manager, name);
    } else {
      require(manager.reason() != kx::reason::kNone);
    }
  }
  std::vector<kx::admin::QueueInfo> queues;
  kx::admin::listQueues("FUZZ", queues);
  kx::admin::CheckReport report;
  kx::admin::checkQueueManager("FUZZ", report);
  std::int64_t removed = 0;
  kx::admin::purgeQueue("FUZZ", "Q2", removed);
  kx::admin::stopQueueManager("FUZZ");
  // A salvage reads whatever can be read; what it rebuilds must then start.
  kx::admin::SalvageReport salvaged;
  if (kx::admin::salvageQueueManager("FUZZ", salvaged)) {
    fs::remove(salvaged.keptAs, error);
    require(static_cast<bool>(kx::admin::startQueueManager("FUZZ")));
  }
  return 0;
}
