#include "tools/kxadmin/transfer_commands.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <functional>
#include <iostream>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/messaging/get_options.h"
#include "platform/messaging/message_line.h"
#include "platform/messaging/queue.h"
#include "platform/messaging/queue_manager.h"
#include "platform/messaging/queue_message.h"
#include "tools/kxadmin/message_commands.h"
#include "tools/kxadmin/report.h"

namespace kxadmin {
namespace {

struct TransferArgs {
  std::string manager;
  std::string queue;
  std::string file;
  std::int64_t count = 0;  // export: at most this many; 0: all
  bool take = false;
  bool keepIds = false;
  bool keepContext = false;
};

// Lines go out in batches of this many bytes or messages; with --take a batch is made durable
// before any of its messages is taken, so that a run that dies loses none.
constexpr std::size_t kBatchBytes = 1 << 20;
constexpr std::size_t kBatchMessages = 512;

std::string plural(std::int64_t count, const char* what) {
  return std::to_string(count) + " " + what + (count == 1 ? "" : "s");
}

// The export's output: standard output or a new file, written whole and, when asked, synced.
class LineOutput {
 public:
  LineOutput() = default;
  LineOutput(const LineOutput&) = delete;
  LineOutput& operator=(const LineOutput&) = delete;
  ~LineOutput() {
    if (fd_ > STDOUT_FILENO) ::close(fd_);
  }

  // An existing file is never overwritten: it may hold the messages of an earlier --take.
  bool open(const std::string& path, std::string& problem) {
    name_ = path.empty() ? "standard output" : "'" + printable(path) + "'";
    if (!path.empty()) {
      fd_ = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, 0600);
      if (fd_ < 0) {
        problem = "cannot create " + name_ + ": " + std::strerror(errno) +
                  (errno == EEXIST ? " (an export never overwrites a file)" : "");
        return false;
      }
    }
    struct stat status {};
    regular_ = ::fstat(fd_, &status) == 0 && S_ISREG(status.st_mode);
    return true;
  }

  const std::string& name() const { return name_; }
  std::string& buffer() { return buffer_; }

  // Writes what the buffer holds; with `durable`, syncs a file (a pipe or a terminal holds
  // nothing to sync). Gives "" or what went wrong.
  std::string flush(bool durable) {
    std::size_t at = 0;
    while (at < buffer_.size()) {
      const ssize_t wrote = ::write(fd_, buffer_.data() + at, buffer_.size() - at);
      if (wrote < 0 && errno == EINTR) continue;
      if (wrote < 0) return "writing " + name_ + " failed: " + std::strerror(errno);
      at += static_cast<std::size_t>(wrote);
    }
    buffer_.clear();
    if (durable && regular_ && ::fsync(fd_) != 0) {
      return "syncing " + name_ + " failed: " + std::strerror(errno);
    }
    return "";
  }

 private:
  int fd_ = STDOUT_FILENO;
  bool regular_ = false;
  std::string name_;
  std::string buffer_;
};

// What tells a browsed message from another of the same ids: the ids select the take, the rest
// checks that the take met the message whose line was written.
struct Pending {
  kx::MessageId24 msgId;
  kx::MessageId24 correlId;
  std::string putDate;
  std::string putTime;
  std::size_t dataHash = 0;
  std::size_t length = 0;

  explicit Pending(const kx::QueueMessage& message)
      : msgId(message.msgId),
        correlId(message.correlId),
        putDate(message.putDate),
        putTime(message.putTime),
        dataHash(hashOf(message)),
        length(message.totalLength()) {}
  bool same(const kx::QueueMessage& message) const {
    return putDate == message.putDate && putTime == message.putTime &&
           length == message.totalLength() && dataHash == hashOf(message);
  }
  static std::size_t hashOf(const kx::QueueMessage& message) {
    const auto data = message.data();
    return std::hash<std::string_view>()(
        std::string_view(reinterpret_cast<const char*>(data.data()), data.size()));
  }
};

// One export run: it browses the queue and writes each message's line; with --take it takes the
// messages of each batch once their lines are durable.
class ExportRun {
 public:
  explicit ExportRun(const TransferArgs& args) : args_(args) {}
  int run();

 private:
  int failure(kx::ReasonCode why, const std::string& problem) const;
  int commit();
  int takeWritten(const Pending& browsed, kx::QueueMessage& message);
  void reportDone() const;

  const TransferArgs& args_;
  kx::IkxQueueManager manager_;
  kx::IkxQueue browser_;
  kx::IkxQueue taker_;
  LineOutput out_;
  std::int64_t exported_ = 0;  // lines written out
  std::int64_t buffered_ = 0;  // lines waiting in the buffer
  std::int64_t taken_ = 0;
  std::int64_t gone_ = 0;  // taken by someone else (or expired) between the browse and the take
  std::vector<Pending> pending_;
};

int ExportRun::failure(kx::ReasonCode why, const std::string& problem) const {
  std::string kept = "; " + plural(exported_, "message") + " were written to " + out_.name();
  if (args_.take) kept += ", " + std::to_string(taken_) + " of them taken; the rest stay queued";
  return fail(why, problem + kept);
}

// Writes the batch and, with --take, takes its messages once their lines are durable.
int ExportRun::commit() {
  if (std::string problem = out_.flush(args_.take); !problem.empty()) {
    return failure(kx::reason::kStoreIoError, problem);
  }
  exported_ += std::exchange(buffered_, 0);
  kx::QueueMessage message;
  for (const Pending& browsed : pending_) {
    if (const int status = takeWritten(browsed, message); status != rt::kExitNormal) return status;
  }
  pending_.clear();
  return rt::kExitNormal;
}

// Takes the message of a written line by its ids.
int ExportRun::takeWritten(const Pending& browsed, kx::QueueMessage& message) {
  message.msgId = browsed.msgId;
  message.correlId = browsed.correlId;
  if (!taker_.get(message, kx::GetOptions())) {
    if (taker_.reason() == kx::reason::kNoMessageAvailable) {
      ++gone_;
      return rt::kExitNormal;
    }
    return failure(taker_.reason(), "taking a written message off '" + printable(args_.queue, 64) +
                                        "' failed: " + failureText(manager_, taker_.reason()));
  }
  ++taken_;
  if (browsed.same(message)) return rt::kExitNormal;
  // Another program took the browsed message, and this take met a later one of the same ids
  // whose line is not written yet: it is written now, before anything else is done.
  ++gone_;
  out_.buffer() += kx::messageLine(message) + '\n';
  if (std::string problem = out_.flush(true); !problem.empty()) {
    std::cerr << "kxadmin: the line of a message taken but not written follows:\n"
              << kx::messageJson(message).dump(-1, ' ', false,
                                               nlohmann::json::error_handler_t::replace)
              << '\n';
    return failure(kx::reason::kStoreIoError, problem);
  }
  ++exported_;
  return rt::kExitNormal;
}

int ExportRun::run() {
  const char* keptWhat = args_.take ? "no message was taken" : "";
  int status = rt::kExitNormal;
  if (!connectQueue(manager_, browser_, args_.manager, args_.queue, status, keptWhat)) {
    return status;
  }
  taker_.bindManager(manager_);
  taker_.setQueueName(args_.queue);
  if (std::string problem; !out_.open(args_.file, problem)) {
    return fail(kx::reason::kValueError, problem + "; nothing was exported");
  }
  kx::QueueMessage message;
  kx::GetOptions options;
  options.options = kx::getopt::kBrowseFirst;
  while (args_.count == 0 || exported_ + buffered_ < args_.count) {
    message.msgId.reset();  // a browse selects by the ids the message holds
    message.correlId.reset();
    if (!browser_.get(message, options)) {
      if (browser_.reason() == kx::reason::kNoMessageAvailable) break;
      if (commit() != rt::kExitNormal) return rt::kExitFailure;
      return failure(browser_.reason(), "browsing '" + printable(args_.queue, 64) + "' failed: " +
                                            failureText(manager_, browser_.reason()));
    }
    options.options = kx::getopt::kBrowseNext;
    std::string line;
    try {
      line = kx::messageLine(message);
    } catch (const nlohmann::json::type_error&) {
      if (commit() != rt::kExitNormal) return rt::kExitFailure;
      return failure(kx::reason::kValueError, "message " + std::to_string(exported_ + 1) +
                                                  " (msgid " + message.msgId.toHex() +
                                                  ") has a descriptor text that is not UTF-8");
    }
    out_.buffer() += line;
    out_.buffer() += '\n';
    ++buffered_;
    if (args_.take) pending_.emplace_back(message);
    if (out_.buffer().size() >= kBatchBytes || pending_.size() >= kBatchMessages) {
      if (commit() != rt::kExitNormal) return rt::kExitFailure;
    }
  }
  if (commit() != rt::kExitNormal) return rt::kExitFailure;
  reportDone();
  return rt::kExitNormal;
}

void ExportRun::reportDone() const {
  std::ostream& report = args_.file.empty() ? std::cerr : std::cout;
  report << "exported " << plural(exported_, "message") << " from " << args_.queue << " to "
         << out_.name();
  if (args_.take) {
    report << " and took them off the queue";
    if (gone_ > 0) report << " (" << gone_ << " of them had already gone)";
  }
  report << '\n';
}

int exportMessages(const TransferArgs& args) {
  if (args.count < 0) return usage("--count must be at least 1; nothing was exported");
  // A reader that goes away is a write error to report, not a signal that ends the run unsaid.
  std::signal(SIGPIPE, SIG_IGN);
  ExportRun run(args);
  return run.run();
}

int importMessages(const TransferArgs& args) {
  constexpr const char* kNothing = "no message was put";
  std::ifstream file;
  std::istream* in = &std::cin;
  const std::string name = args.file == "-" ? "standard input" : "'" + printable(args.file) + "'";
  if (args.file != "-") {
    file.open(args.file, std::ios::binary);
    if (!file) {
      return fail(kx::reason::kValueError,
                  "cannot read " + name + ": " + std::strerror(errno) + "; " + kNothing);
    }
    in = &file;
  }
  int status = rt::kExitNormal;
  kx::IkxQueueManager manager;
  kx::IkxQueue queue;
  if (!connectQueue(manager, queue, args.manager, args.queue, status, kNothing)) return status;

  std::int64_t put = 0;
  std::int64_t number = 0;
  const auto failure = [&](kx::ReasonCode why, const std::string& problem) {
    return fail(why, "line " + std::to_string(number) + " of " + name + ": " + problem + "; " +
                         plural(put, "message") + (put == 1 ? " was" : " were") + " put");
  };
  std::string line;
  kx::QueueMessage message;
  while (std::getline(*in, line)) {
    ++number;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty()) continue;
    if (std::string problem = kx::readMessageLine(line, message); !problem.empty()) {
      return failure(kx::reason::kValueError, problem);
    }
    if (!args.keepIds) message.msgId.reset();  // the queue manager gives a new one
    message.keepPutContext = args.keepContext;
    if (!queue.put(message)) {
      return failure(queue.reason(), "put onto '" + printable(args.queue, 64) +
                                         "' failed: " + failureText(manager, queue.reason()));
    }
    ++put;
  }
  if (in->bad()) {
    return failure(kx::reason::kStoreIoError,
                   std::string("reading failed: ") + std::strerror(errno));
  }
  std::cout << "imported " << plural(put, "message") << " onto " << args.queue << '\n';
  return rt::kExitNormal;
}

}  // namespace

void addTransferCommands(CLI::App& app, int& status) {
  auto args = std::make_shared<TransferArgs>();

  auto* exporter = app.add_subcommand(
      "export",
      "Write a queue's messages as JSON Lines, one message a line with every descriptor field; "
      "browses unless --take");
  exporter->add_option("manager", args->manager, "Queue manager name")->required();
  exporter->add_option("queue", args->queue, "Queue name")->required();
  exporter->add_option("--to", args->file, "A new file to write (default standard output)");
  exporter->add_flag("--take", args->take,
                     "Remove each message once its line is written and synced; a run that dies "
                     "may leave a message both in the file and on the queue, never in neither");
  auto* count = exporter->add_option("--count", args->count, "Export at most this many");
  exporter->callback([args, count, &status] {
    if (count->count() > 0 && args->count < 1) {
      status = usage("--count must be at least 1; nothing was exported");
      return;
    }
    status = exportMessages(*args);
  });

  auto* importer = app.add_subcommand(
      "import",
      "Put the messages of an export back onto a queue; stops at the first bad line, which it "
      "names, with the messages before it put");
  importer->add_option("manager", args->manager, "Queue manager name")->required();
  importer->add_option("queue", args->queue, "Queue name")->required();
  importer->add_option("--from", args->file, "The file to read ('-': standard input)")->required();
  importer->add_flag("--keep-ids", args->keepIds,
                     "Keep each message's id (default: the queue manager gives a new one)");
  importer->add_flag("--keep-context", args->keepContext,
                     "Keep each message's put application, type, date and time (default: this "
                     "put's own)");
  importer->callback([args, &status] { status = importMessages(*args); });
}

}  // namespace kxadmin
