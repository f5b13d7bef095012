#include "generator/generator_worker.h"

#include <chrono>
#include <condition_variable>
#include <cstdarg>
#include <cstdio>
#include <ctime>
#include <memory>
#include <mutex>
#include <new>
#include <optional>
#include <vector>

#include "generator/line_source.h"
#include "generator/request_fields.h"
#include "platform/messaging/get_options.h"
#include "platform/messaging/queue.h"
#include "platform/messaging/queue_manager.h"
#include "platform/runtime/thread_random.h"

namespace tarnix {
namespace {

constexpr std::int32_t kBrowseFirst = kx::getopt::kBrowseFirst | kx::getopt::kFailIfQuiescing;
constexpr std::int32_t kBrowseNext = kx::getopt::kBrowseNext | kx::getopt::kFailIfQuiescing;

// Says why a run ends: a line of standard output, flushed at once, that the report keeps too.
// The compiler checks each call's arguments against its format.
__attribute__((format(printf, 2, 3))) void fail(RunReport* report, const char* format, ...) {
  std::va_list args;
  va_start(args, format);
  std::va_list again;
  va_copy(again, args);
  const int length = std::vsnprintf(nullptr, 0, format, args);
  va_end(args);
  std::string line(static_cast<std::size_t>(std::max(length, 0)) + 1, '\0');
  std::vsnprintf(line.data(), line.size(), format, again);
  va_end(again);
  line.pop_back();
  std::fputs(line.c_str(), stdout);
  std::fflush(stdout);
  if (report == nullptr) return;
  while (!line.empty() && line.back() == '\n') line.pop_back();
  if (!report->failure.empty()) report->failure += '\n';
  report->failure += line;
}

// Seconds since 1970 in bytes 0 to 3 and the milliseconds within that second in bytes 4 and 5,
// least significant byte first; the rest zero.
kx::MessageId24 clockCorrelId() {
  const auto now = std::chrono::system_clock::now().time_since_epoch();
  const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(now).count();
  const auto seconds = static_cast<std::uint32_t>(ms / 1000);
  const auto millis = static_cast<std::uint16_t>(ms % 1000);
  kx::MessageId24::Bytes bytes{};
  for (int k = 0; k < 4; ++k) bytes[k] = static_cast<std::uint8_t>(seconds >> (8 * k));
  bytes[4] = static_cast<std::uint8_t>(millis);
  bytes[5] = static_cast<std::uint8_t>(millis >> 8);
  return kx::MessageId24(bytes);
}

class GeneratorRun {
 public:
  GeneratorRun(const std::string& request, const tk::ProgressBar& progress, std::stop_token stop,
               RunReport* report)
      : fields_(request), progress_(progress), stop_(std::move(stop)), report_(report) {}

  std::int32_t run() {
    const std::int32_t count = fields_.number(RequestField::MessageCount);
    if (report_ != nullptr) report_->count = count;
    progress_.setRange(static_cast<std::uint16_t>(count));
    progress_.setStep(1);
    const std::string& sleep = fields_.text(RequestField::SleepOrRandom);
    randomPause_ = !sleep.empty() && sleep[0] == 'r';
    pauseValue_ = fields_.number(randomPause_ ? RequestField::RandomSleepDivisor
                                              : RequestField::SleepOrRandom);
    correlIdOption_ = fields_.flag(RequestField::CorrelIdOption);

    manager_.setManagerName(fields_.text(RequestField::Manager));
    if (!manager_.connect()) {
      fail(report_, "IkxQueueManager::connect ended with reason code %d\n", manager_.reason());
      return manager_.reason();
    }
    if (!prepareSource()) {
      endRun();
      progress_.setPosition(0);
      return 0;
    }
    target_.setQueueName(fields_.text(RequestField::Queue));
    target_.bindManager(manager_);
    target_.openWith(kx::openopt::kOutput);  // a target that cannot be opened fails its puts
    reportWord_ = fields_.number(RequestField::ReportOptions);

    for (std::int32_t number = 1; number <= count && !stop_.stop_requested(); ++number) {
      if (report_ != nullptr) report_->putting = number;
      const Pass pass = putOne();
      if (pass == Pass::PutFailed) return endRun();  // the bar shows how many were put
      if (pass == Pass::SourceFailed) {
        endRun();
        progress_.setPosition(0);
        return 0;
      }
      progress_.stepIt();
      pause();
    }
    const std::int32_t ended = endRun();
    progress_.setPosition(0);
    return ended;
  }

 private:
  // What became of one pass.
  enum class Pass { Put, PutFailed, SourceFailed };

  // Prepares the content by the source letter; false ends the run, having said why, or quietly
  // when a stop came first.
  bool prepareSource() {
    const std::string& letter = fields_.text(RequestField::Source);
    source_ = letter.empty() ? '\0' : letter[0];
    switch (source_) {
      case 'b':
        return prepareRandom(fields_.number(RequestField::SourceArgument));
      case 'f':
        return prepareFile(fields_.text(RequestField::SourceArgument));
      case 'q':
        return prepareQueue(fields_.text(RequestField::SourceArgument));
      default:
        fail(report_, "Invalid source value: %c\n", source_);
        return false;
    }
  }

  // The same digits for every message of the run, made once from the clock-seeded generator.
  bool prepareRandom(std::int32_t length) {
    if (length < 0 || static_cast<std::size_t>(length) > kx::kMaxMessageLength) {
      fail(report_, "Random message length %d is outside 0 to %zu bytes\n", length,
           kx::kMaxMessageLength);
      return false;
    }
    std::vector<std::uint8_t> digits;
    try {
      digits.resize(static_cast<std::size_t>(length));
    } catch (const std::bad_alloc&) {
      fail(report_, "No memory for a random message of %d bytes\n", length);
      return false;
    }
    rt::seedThreadRandom(static_cast<std::uint32_t>(std::time(nullptr)));
    for (std::uint8_t& digit : digits) {
      digit = static_cast<std::uint8_t>(std::to_string(rt::threadRandom()).front());
    }
    message_.setData(digits.data(), digits.size());
    message_.format = kx::kFormatString;
    return true;
  }

  bool prepareFile(const std::string& path) {
    std::string why;
    switch (lines_.open(path, stop_, why)) {
      case LineSource::Opened::Ready:
        message_.format = kx::kFormatString;
        return true;
      case LineSource::Opened::CannotOpen:
        fail(report_, "Cannot open the input file %s: %s\n", path.c_str(), why.c_str());
        return false;
      case LineSource::Opened::NoLines:
        fail(report_, "No lines in the input file %s\n", path.c_str());
        return false;
      case LineSource::Opened::LineTooLong:
        fail(report_,
             "A line of the input file %s is longer than the largest message (%zu bytes)\n",
             path.c_str(), kx::kMaxMessageLength);
        return false;
      case LineSource::Opened::Stopped:
        break;
    }
    return false;
  }

  bool prepareQueue(const std::string& name) {
    preserveMsgId_ = fields_.flag(RequestField::PreserveMsgId);
    preserveCorrelId_ = fields_.flag(RequestField::PreserveCorrelId);
    sourceQueue_.emplace();
    sourceQueue_->setQueueName(name);
    sourceQueue_->bindManager(manager_);
    sourceQueue_->openWith(kx::openopt::kInputAsDefined);
    browse_.options = kBrowseFirst;
    if (sourceQueue_->queryDepth() == 0) {
      fail(report_, "No messages in the input queue %s\n", name.c_str());
      return false;
    }
    return true;
  }

  // Takes the next copy from the source queue, from its first message again after its last.
  bool copyNext() {
    for (int attempt = 0; attempt < 2; ++attempt) {
      message_.msgId.reset();
      message_.correlId.reset();
      if (sourceQueue_->get(message_, browse_)) {
        browse_.options = kBrowseNext;
        return true;
      }
      browse_.options = kBrowseFirst;
    }
    fail(report_, "Funny error - oops");
    return false;
  }

  Pass putOne() {
    if (source_ == 'f') {
      const std::string_view line = lines_.next();
      message_.setData(line.data(), line.size());
    } else if (source_ == 'q' && !copyNext()) {
      return Pass::SourceFailed;
    }
    const bool copying = source_ == 'q';
    if (!(copying && preserveCorrelId_)) {
      message_.correlId = correlIdOption_ ? clockCorrelId() : kx::MessageId24::none();
    }
    if (!(copying && preserveMsgId_)) message_.msgId.reset();  // the queue manager assigns one
    message_.report = reportWord_;
    if (const std::string& replyToQ = fields_.text(RequestField::ReplyToQueue); !replyToQ.empty()) {
      message_.replyToQ = replyToQ;
    }
    if (const std::string& replyQmgr = fields_.text(RequestField::ReplyToQmgr);
        !replyQmgr.empty()) {
      message_.replyQmgr = replyQmgr;
    }
    message_.persistent = fields_.number(RequestField::Persistence);
    if (const std::int32_t expiry = fields_.number(RequestField::Expiry); expiry != 0) {
      message_.expiry = expiry;
    }

    target_.put(message_);
    if (target_.reason() != kx::reason::kNone) {
      fail(report_, "IkxQueue::put ended with reason code %d\n", target_.reason());
      return Pass::PutFailed;
    }
    return Pass::Put;
  }

  void pause() {
    std::int32_t wait = pauseValue_;
    if (randomPause_) wait = pauseValue_ != 0 ? rt::threadRandom() % pauseValue_ : 0;
    if (wait > 0) pauseMillis(wait, stop_);
  }

  // Closes the queues and disconnects; gives the disconnect's success.
  std::int32_t endRun() {
    target_.close();
    if (sourceQueue_) sourceQueue_->close();
    return manager_.disconnect() ? 1 : 0;
  }

  RequestFields fields_;
  const tk::ProgressBar& progress_;
  std::stop_token stop_;
  RunReport* report_;

  bool randomPause_ = false;
  std::int32_t pauseValue_ = 0;  // the fixed pause, or the random pause's divisor
  bool correlIdOption_ = false;
  char source_ = '\0';
  bool preserveMsgId_ = false;
  bool preserveCorrelId_ = false;
  std::int32_t reportWord_ = 0;

  // Declared before the queues, so that they are destroyed first.
  kx::IkxQueueManager manager_;
  kx::IkxQueue target_;
  std::optional<kx::IkxQueue> sourceQueue_;
  kx::GetOptions browse_;
  kx::QueueMessage message_;
  LineSource lines_;
};

}  // namespace

std::int32_t runGenerator(const std::string& request, const tk::ProgressBar& progress,
                          std::stop_token stop, RunReport* report) {
  std::int32_t ended = 0;
  try {
    ended = GeneratorRun(request, progress, std::move(stop), report).run();
  } catch (const std::bad_alloc&) {
    // A line too long to hold, say; the run's objects are released on the way out.
    fail(report, "The generator ran out of memory; the run ends\n");
    progress.setPosition(0);
  }
  if (report != nullptr) report->ended = true;
  return ended;
}

void pauseMillis(std::int32_t milliseconds, std::stop_token stop) {
  std::mutex mutex;
  std::condition_variable_any woken;
  std::unique_lock lock(mutex);
  woken.wait_for(lock, std::move(stop), std::chrono::milliseconds(milliseconds),
                 [] { return false; });
}

}  // namespace tarnix
