#include "tools/kxadmin/message_commands.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/messaging/get_options.h"
#include "platform/messaging/queue.h"
#include "platform/messaging/queue_manager.h"
#include "platform/messaging/queue_message.h"
#include "platform/messaging/report_word.h"
#include "platform/messaging/store_admin.h"
#include "tools/kxadmin/json_output.h"
#include "tools/kxadmin/report.h"
#include "tools/kxadmin/report_fields.h"

namespace kxadmin {
namespace {

struct MessageArgs {
  std::string manager;
  std::string queue;
  std::string text;
  std::string file;
  std::int64_t count = 1;
  bool all = false;
  bool persistent = false;
  std::int32_t expiry = kx::kExpiryUnlimited;
  std::int32_t priority = 0;
  std::string msgId;
  std::string msgIdHex;
  std::string correlId;
  std::string correlIdHex;
  std::string replyToQ;
  std::string replyToQmgr;
  std::string format;
  std::string report;      // put: the report word, as a number or names
  bool hasReport = false;  // put: --report was given
  std::size_t maxData = 200;
  bool hasData = false;  // put: --text or --file was given
  bool json = false;     // browse: one JSON document
};

// A failure's line: what went wrong, then what was kept, when the command could change anything.
std::string kept(std::string message, const char* keptWhat) {
  if (*keptWhat != '\0') message += std::string("; ") + keptWhat;
  return message;
}

std::string what(const kx::IkxQueueManager& manager, kx::ReasonCode why) {
  return failureText(manager, why);
}

// Reads a message body from a regular file, at most one byte more than the largest message, so
// that a huge file (or one that grows) is refused without being read whole. The open does not
// block, so a FIFO is refused rather than waited on, as is a device.
bool readBody(const std::string& path, std::vector<std::uint8_t>& body, std::string& problem) {
  const std::string label = "'" + printable(path) + "'";
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  if (fd < 0) {
    problem = "cannot read " + label + ": " + std::strerror(errno);
    return false;
  }
  const std::string tooBig = label + " holds more than the largest message (" +
                             std::to_string(kx::kMaxMessageLength) + " bytes)";
  struct stat status {};
  bool ok = ::fstat(fd, &status) == 0;
  if (!ok) {
    problem = "cannot read " + label + ": " + std::strerror(errno);
  } else if (S_ISDIR(status.st_mode)) {
    ok = false;
    problem = label + " is a directory";
  } else if (!S_ISREG(status.st_mode)) {
    ok = false;
    problem = label + " is not a regular file (" +
              (S_ISFIFO(status.st_mode)   ? "a FIFO"
               : S_ISSOCK(status.st_mode) ? "a socket"
                                          : "a device") +
              ")";
  } else if (static_cast<std::uint64_t>(status.st_size) > kx::kMaxMessageLength) {
    ok = false;
    problem = tooBig;
  }
  if (ok) body.reserve(static_cast<std::size_t>(status.st_size));
  while (ok) {
    const std::size_t want =
        std::min<std::size_t>(1 << 16, kx::kMaxMessageLength + 1 - body.size());
    const std::size_t at = body.size();
    body.resize(at + want);
    const ssize_t got = ::read(fd, body.data() + at, want);
    if (got < 0 && errno == EINTR) {
      body.resize(at);
      continue;
    }
    if (got < 0) {
      ok = false;
      problem = "cannot read " + label + ": " + std::strerror(errno);
      break;
    }
    body.resize(at + static_cast<std::size_t>(got));
    if (got == 0) break;
    if (body.size() > kx::kMaxMessageLength) {
      ok = false;
      problem = tooBig;
    }
  }
  ::close(fd);
  return ok;
}

// Connects and binds; on failure prints why and gives false.
bool open(kx::IkxQueueManager& manager, kx::IkxQueue& queue, const MessageArgs& args, int& status,
          const char* keptWhat) {
  return connectQueue(manager, queue, args.manager, args.queue, status, keptWhat);
}

// Reads an id given as text (up to 24 bytes) or as 48 hex digits; none when neither is given.
bool parseId(const std::string& text, const std::string& hex, const char* label,
             kx::MessageId24& id, int& status, const char* keptWhat) {
  if (!text.empty()) {
    if (auto parsed = kx::MessageId24::fromText(text)) {
      id = *parsed;
      return true;
    }
    status = usage(kept(std::string(label) + " text is longer than 24 bytes", keptWhat));
    return false;
  }
  if (!hex.empty()) {
    if (auto parsed = kx::MessageId24::fromHex(hex)) {
      id = *parsed;
      return true;
    }
    status = usage(kept(std::string(label) + " hex is not 48 hex digits", keptWhat));
    return false;
  }
  id = kx::MessageId24::none();
  return true;
}

void printMessage(std::int64_t number, const kx::QueueMessage& message, std::size_t maxData) {
  const auto data = message.data();
  std::cout << number << " msgid=" << message.msgId.toHex() << " correlid="
            << (message.correlId.isNone() ? std::string("none") : message.correlId.toHex())
            << " persistent=" << message.persistent << " expiry=" << message.expiry
            << " priority=" << message.priority << " format=\"" << printable(message.format)
            << "\" put=" << message.putDate << ' ' << message.putTime << " appl=\""
            << printable(message.putAppl) << "\" length=" << message.totalLength();
  if (!message.replyToQ.empty()) std::cout << " replyto=\"" << printable(message.replyToQ) << '"';
  if (!message.replyQmgr.empty()) {
    std::cout << " replytoqmgr=\"" << printable(message.replyQmgr) << '"';
  }
  // A dead-letter header shows by its fields, and the data as the message had it before.
  const auto header = deadLetterHeaderOf(message);
  const std::size_t skipped = header ? kx::dead_letter::headerLength() : 0;
  std::cout << reportFieldsText(message, header) << " data=\""
            << printable(std::string_view(reinterpret_cast<const char*>(data.data()) + skipped,
                                          data.size() - skipped),
                         maxData)
            << "\"\n";
}

int put(const MessageArgs& args) {
  constexpr const char* kKept = "no message was put";
  int status = rt::kExitNormal;
  if (!args.hasData) {
    return usage(std::string("put needs the data: --text TEXT or --file PATH; ") + kKept);
  }
  if (args.count < 1) return usage(std::string("--count must be at least 1; ") + kKept);
  std::int32_t reportWord = 0;
  if (args.hasReport) {
    const std::optional<std::int32_t> word = kx::report::parseWord(args.report);
    if (!word) {
      return usage("--report '" + printable(args.report, 64) +
                   "' is not a report word: a number, or names joined by commas such as "
                   "coa,cod-with-data,expiration,pass-msg-id; " +
                   kKept);
    }
    reportWord = *word;
  }
  std::vector<std::uint8_t> body;
  if (!args.file.empty()) {
    std::string problem;
    if (!readBody(args.file, body, problem)) {
      return fail(kx::reason::kValueError, problem + "; " + kKept);
    }
  } else {
    body.assign(args.text.begin(), args.text.end());
  }

  kx::QueueMessage message;
  if (!parseId(args.msgId, args.msgIdHex, "--msg-id", message.msgId, status, kKept)) return status;
  if (!parseId(args.correlId, args.correlIdHex, "--correl-id", message.correlId, status, kKept)) {
    return status;
  }
  const kx::MessageId24 chosenId = message.msgId;
  message.persistent = args.persistent ? 1 : 0;
  message.expiry = args.expiry;
  message.priority = args.priority;
  message.report = reportWord;
  message.replyToQ = args.replyToQ;
  message.replyQmgr = args.replyToQmgr;
  // Text, as the generator's file source gives it, unless the operator names another format.
  message.format = args.format.empty() ? std::string(kx::kFormatString) : args.format;
  message.setData(body.data(), body.size());
  body = {};  // the message holds its own copy

  kx::IkxQueueManager manager;
  kx::IkxQueue queue;
  if (!open(manager, queue, args, status, kKept)) return status;
  for (std::int64_t i = 0; i < args.count; ++i) {
    message.msgId = chosenId;  // none again: each message gets its own id
    if (!queue.put(message)) {
      return fail(queue.reason(), "put " + std::to_string(i) + " of " + std::to_string(args.count) +
                                      " messages onto '" + printable(args.queue, 64) +
                                      "', then: " + what(manager, queue.reason()) + "; the " +
                                      std::to_string(i) + " put messages were kept");
    }
  }
  std::cout << "put " << args.count << " message" << (args.count == 1 ? "" : "s") << " onto "
            << args.queue << " (last msgid " << message.msgId.toHex() << ")\n";
  return rt::kExitNormal;
}

int take(const MessageArgs& args, bool browse) {
  // A browse changes nothing, so its failures say nothing about what was kept.
  const char* keptWhat = browse ? "" : "no message was removed";
  int status = rt::kExitNormal;
  if (!args.all && args.count < 1) {
    return usage(
        kept(std::string(browse ? "--limit" : "--count") + " must be at least 1", keptWhat));
  }
  kx::MessageId24 msgId;
  kx::MessageId24 correlId;
  if (!parseId(args.msgId, args.msgIdHex, "--msg-id", msgId, status, keptWhat)) return status;
  if (!parseId(args.correlId, args.correlIdHex, "--correl-id", correlId, status, keptWhat)) {
    return status;
  }
  kx::IkxQueueManager manager;
  kx::IkxQueue queue;
  if (!open(manager, queue, args, status, keptWhat)) return status;

  const std::int64_t limit = args.all ? INT64_MAX : args.count;
  std::int64_t taken = 0;
  nlohmann::json listed = nlohmann::json::array();
  kx::GetOptions options;
  while (taken < limit) {
    kx::QueueMessage message;
    message.msgId = msgId;
    message.correlId = correlId;
    options.options =
        browse ? (taken == 0 ? kx::getopt::kBrowseFirst : kx::getopt::kBrowseNext) : 0;
    if (!queue.get(message, options)) {
      if (queue.reason() == kx::reason::kNoMessageAvailable) break;
      return fail(queue.reason(),
                  kept(std::string(browse ? "browse" : "get") + " of '" +
                           printable(args.queue, 64) + "' failed after " + std::to_string(taken) +
                           " messages: " + what(manager, queue.reason()),
                       keptWhat));
    }
    ++taken;
    if (args.json) {
      listed.push_back(messageJson(taken, message));
    } else {
      printMessage(taken, message, args.maxData);
    }
  }
  if (args.json) {
    printJson({{"queueManager", args.manager}, {"queue", args.queue}, {"messages", listed}});
    return rt::kExitNormal;
  }
  if (taken == 0) {
    if (!browse) {
      return fail(kx::reason::kNoMessageAvailable,
                  "no message available on '" + printable(args.queue, 64) + "'");
    }
    std::cout << "no messages\n";
  }
  return rt::kExitNormal;
}

void addQueueArgs(CLI::App* command, MessageArgs& args) {
  command->add_option("manager", args.manager, "Queue manager name")->required();
  command->add_option("queue", args.queue, "Queue name")->required();
}

void addSelectionArgs(CLI::App* command, MessageArgs& args) {
  auto* text = command->add_option("--msg-id", args.msgId, "Message id as text (up to 24 bytes)");
  auto* hex = command->add_option("--msg-id-hex", args.msgIdHex, "Message id as 48 hex digits");
  text->excludes(hex);
  auto* ctext =
      command->add_option("--correl-id", args.correlId, "Correlation id as text (up to 24 bytes)");
  auto* chex =
      command->add_option("--correl-id-hex", args.correlIdHex, "Correlation id as 48 hex digits");
  ctext->excludes(chex);
}

}  // namespace

std::string failureText(const kx::IkxQueueManager& manager, kx::ReasonCode why) {
  return kx::admin::explainFailure(manager.managerName(), why);
}

bool connectQueue(kx::IkxQueueManager& manager, kx::IkxQueue& queue, const std::string& managerName,
                  const std::string& queueName, int& status, const char* keptWhat) {
  manager.setManagerName(managerName);
  if (!manager.connect()) {
    std::string message = "cannot connect to queue manager '" + printable(managerName, 64) +
                          "': " + failureText(manager, manager.reason());
    if (!manager.problem().empty()) message += " (" + manager.problem() + ")";
    if (manager.reason() == kx::reason::kQueueManagerNotAvailable) {
      message += " (start it with 'kxadmin start " + printable(managerName, 64) + "')";
    }
    status = fail(manager.reason(), kept(message, keptWhat));
    return false;
  }
  queue.bindManager(manager);
  queue.setQueueName(queueName);
  return true;
}

void addMessageCommands(CLI::App& app, int& status) {
  auto args = std::make_shared<MessageArgs>();

  auto* putCommand = app.add_subcommand("put", "Put messages onto a queue");
  addQueueArgs(putCommand, *args);
  auto* text = putCommand->add_option("--text", args->text, "Message data as text");
  auto* file = putCommand->add_option("--file", args->file, "Message data from a file");
  text->excludes(file);
  putCommand->add_option("--count", args->count, "Number of messages (default 1)");
  putCommand->add_flag("--persistent", args->persistent, "Persistent (kept across restarts)");
  putCommand->add_option("--expiry", args->expiry,
                         "Expiry in tenths of a second (default -1: unlimited)");
  putCommand->add_option("--priority", args->priority, "Priority 0 to 9");
  addSelectionArgs(putCommand, *args);
  putCommand->add_option("--reply-to-q", args->replyToQ, "Reply-to queue name");
  putCommand->add_option("--reply-to-qmgr", args->replyToQmgr, "Reply-to queue manager name");
  putCommand->add_option("--format", args->format, "Format name (up to 8 characters)");
  auto* report = putCommand->add_option(
      "--report", args->report,
      "Reports to ask for: the report word as a number (0x for hex), or names "
      "joined by commas: coa, cod, expiration, exception (each also "
      "-with-data or -with-full-data), pan, nan, pass-msg-id, pass-correl-id, "
      "discard-msg");
  putCommand->callback([args, text, file, report, &status] {
    args->hasData = text->count() > 0 || file->count() > 0;
    args->hasReport = report->count() > 0;
    status = put(*args);
  });

  auto* browse = app.add_subcommand("browse", "Show messages without removing them");
  addQueueArgs(browse, *args);
  browse->add_option("--limit", args->count, "Show at most this many (default all)");
  browse->add_option("--max-data", args->maxData, "Show at most this many data bytes each");
  browse->add_flag("--json", args->json,
                   "One JSON document: every descriptor field by name, the whole data as base64 "
                   "and, where it is UTF-8, as text");
  addSelectionArgs(browse, *args);
  browse->callback([args, browse, &status] {
    args->all = browse->get_option("--limit")->count() == 0;
    status = take(*args, true);
  });

  auto* get = app.add_subcommand("get", "Remove messages and show them (default one)");
  addQueueArgs(get, *args);
  get->add_option("--count", args->count, "Remove at most this many (default 1)");
  get->add_flag("--all", args->all, "Remove every message");
  get->add_option("--max-data", args->maxData, "Show at most this many data bytes each");
  addSelectionArgs(get, *args);
  get->callback([args, &status] {
    args->json = false;
    status = take(*args, false);
  });
}

}  // namespace kxadmin
