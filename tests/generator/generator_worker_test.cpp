// Generator runs on a real store: the three sources, the descriptor options, pauses, progress,
// and the failures that end a run.
#include "generator/generator_worker.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "generator/line_source.h"
#include "platform/messaging/get_options.h"
#include "platform/messaging/test_seams.h"
#include "platform/runtime/process_end.h"
#include "platform/toolkit/headless/headless_progress.h"
#include "tests/support/manager_fixture.h"

namespace tarnix::testing {
namespace {

class GeneratorRun : public ManagerFixture {
 protected:
  // A connection of the test's own to one queue.
  struct Client {
    explicit Client(std::string_view queueName) {
      manager.setManagerName(kManager);
      EXPECT_TRUE(manager.connect());
      queue.setQueueName(queueName);
      queue.bindManager(manager);
    }
    kx::IkxQueueManager manager;
    kx::IkxQueue queue;
  };

  // Runs the request on this thread; gives what the run printed. Whether it disconnected is in
  // disconnects_, what it reported in report_.
  std::string run(const std::string& request) {
    result_ = endStatus_ = -1;
    disconnects_ = 0;
    report_ = std::make_unique<RunReport>();
    rt::setProcessEnder([](int) {});  // endProcess then throws ProcessEnded with the status
    kx::setTraceHook([this](kx::TraceEvent event, const void*, std::string_view) {
      if (event == kx::TraceEvent::ManagerDisconnected) ++disconnects_;
    });
    ::testing::internal::CaptureStdout();
    try {
      result_ = runGenerator(request, bar_, {}, report_.get());
    } catch (const rt::ProcessEnded& ended) {
      endStatus_ = ended.status;
    }
    kx::setTraceHook({});
    rt::setProcessEnder({});
    return ::testing::internal::GetCapturedStdout();
  }
  // Runs a request for TARGET of QM1 with these fields: count, sleep (or r), random-sleep
  // divisor, source letter and its argument, correlation-id option, persistence, report word,
  // three reserved, preserve message id, preserve correlation id, expiry, reply-to queue, reply-to
  // queue manager.
  std::string runOnTarget(const std::string& fields) { return run("pz.exe QM1 TARGET " + fields); }
  // Runs `count` messages from the lines of the file at `path`, quoted in case it holds blanks.
  std::string runFile(int count, const std::string& path) {
    return runOnTarget(std::to_string(count) + " 0 0 f \"" + path + "\" 0 0 0 0 0 0 0 0 0");
  }

  static std::vector<kx::QueueMessage> messagesOn(std::string_view queueName) {
    Client client(queueName);
    std::vector<kx::QueueMessage> messages;
    kx::QueueMessage message;
    kx::GetOptions options{kx::getopt::kBrowseFirst};
    while (client.queue.get(message, options)) {
      messages.push_back(message);
      message.msgId.reset();
      message.correlId.reset();
      options.options = kx::getopt::kBrowseNext;
    }
    return messages;
  }
  static std::string text(const kx::QueueMessage& m) { return {m.data().begin(), m.data().end()}; }
  static std::vector<std::string> textsOn(std::string_view queueName) {
    std::vector<std::string> texts;
    for (const kx::QueueMessage& m : messagesOn(queueName)) texts.push_back(text(m));
    return texts;
  }
  // Puts persistent messages whose data are `texts` onto SOURCE, each with its own correlation
  // id, an expiry of an hour, a report word and a reply-to queue.
  static void putSources(const std::vector<std::string>& texts) {
    Client client("SOURCE");
    for (const std::string& t : texts) {
      kx::QueueMessage message;
      message.setData(t.data(), t.size());
      message.correlId = *kx::MessageId24::fromText("correl-" + t);
      message.expiry = 36000;
      message.format = "SOURCE";
      message.persistent = 1;
      message.report = 0x100;
      message.replyToQ = "SRC.REPLY";
      ASSERT_TRUE(client.queue.put(message)) << client.queue.reason();
    }
  }
  std::string writeFile(const std::string& content) {
    const auto path = dataDir_ / ("lines" + std::to_string(files_++) + ".txt");
    std::ofstream(path, std::ios::binary) << content;
    return path.string();
  }

  std::shared_ptr<tk::HeadlessProgressSink> sink_ = std::make_shared<tk::HeadlessProgressSink>();
  tk::ProgressBar bar_{sink_};
  std::int32_t result_ = -1;
  int endStatus_ = -1;
  int disconnects_ = 0;
  std::unique_ptr<RunReport> report_;
  int files_ = 0;
};

TEST_F(GeneratorRun, CountsZeroAndBeyondSixteenBits) {
  defineQueue("TARGET", 100000);
  EXPECT_EQ(runOnTarget("0 0 0 b 16 0 0 0 0 0 0 0 0 0"), "");
  EXPECT_EQ(depthOf("TARGET"), 0);
  EXPECT_EQ(result_, 1) << "the disconnect's success";
  EXPECT_EQ(sink_->state().position, 0);

  EXPECT_EQ(runOnTarget("70000 0 0 b 16 0 0 0 0 0 0 0 0 0"), "");
  EXPECT_EQ(depthOf("TARGET"), 70000);
  EXPECT_EQ(sink_->state().upper, 4464) << "the count's low 16 bits";
  EXPECT_EQ(sink_->state().position, 0) << "back at the start after the run";
}

TEST_F(GeneratorRun, RandomDigitsMadeOnceCarryTheRunsDescriptorOptions) {
  defineQueue("TARGET");
  const auto before =
      std::chrono::time_point_cast<std::chrono::milliseconds>(std::chrono::system_clock::now());
  // Correlation ids from the clock, persistent, report word 0xB00, expiry 600 and reply-to names;
  // the preserve flags have no effect on random content.
  runOnTarget("3 0 0 b 5 1 1 2816 0 0 0 1 1 600 REPLY.Q QM2");
  const auto after = std::chrono::system_clock::now();
  const auto messages = messagesOn("TARGET");
  ASSERT_EQ(messages.size(), 3u);
  const std::string first = text(messages[0]);
  EXPECT_EQ(first.size(), 5u);
  EXPECT_EQ(first.find_first_not_of("0123456789"), std::string::npos) << first;
  for (const auto& m : messages) {
    EXPECT_EQ(text(m), first);
    EXPECT_EQ(m.format, "KXSTR   ");
    EXPECT_EQ(m.persistent, 1);
    EXPECT_GT(m.expiry, 500);
    EXPECT_LE(m.expiry, 600);
    EXPECT_EQ(m.report, 0xB00);
    EXPECT_EQ(m.replyToQ, "REPLY.Q");
    EXPECT_EQ(m.replyQmgr, "QM2");
    // The correlation id: seconds, then milliseconds, least significant byte first; then zeros.
    const auto& b = m.correlId.bytes();
    const std::int64_t seconds = b[0] | (b[1] << 8) | (b[2] << 16) | (std::int64_t{b[3]} << 24);
    const int millis = b[4] | (b[5] << 8);
    const auto at = std::chrono::system_clock::time_point(std::chrono::seconds(seconds) +
                                                          std::chrono::milliseconds(millis));
    EXPECT_GE(at, before);
    EXPECT_LE(at, after);
    EXPECT_TRUE(std::all_of(b.begin() + 6, b.end(), [](auto byte) { return byte == 0; }));
  }
  EXPECT_NE(messages[0].msgId, messages[1].msgId) << "the queue manager assigns each id";
}

TEST_F(GeneratorRun, FileLinesWrapToTheFirstWithoutTheirLineEnds) {
  defineQueue("TARGET");
  runFile(5, writeFile("a\nbb\nccc"));
  EXPECT_EQ(textsOn("TARGET"), (std::vector<std::string>{"a", "bb", "ccc", "a", "bb"}));
  for (const auto& m : messagesOn("TARGET")) EXPECT_EQ(m.format, "KXSTR   ");
  // Carriage return and line feed end a line as one.
  runFile(3, writeFile("one\r\ntwo\r\n"));
  const std::vector<std::string> texts = textsOn("TARGET");
  ASSERT_EQ(texts.size(), 8u);
  EXPECT_EQ(std::vector(texts.begin() + 5, texts.end()),
            (std::vector<std::string>{"one", "two", "one"}));

  // An empty file says so and puts nothing.
  const std::string empty = writeFile("");
  EXPECT_EQ(runFile(3, empty), "No lines in the input file " + empty + "\n");
  EXPECT_EQ(depthOf("TARGET"), 8);
}

TEST_F(GeneratorRun, LineBufferFitsTheLongestLineWithRoomForItsEnd) {
  LineSource source;
  // 7 characters and a line end fit 10 bytes, 8 do not; a last line without its end, or one
  // ended by a carriage return and line feed, needs the same room.
  const std::string contents[] = {"short\n1234567\nx\n", "12345678\n", "123456789", "1234567\r\n",
                                  std::string(100, 'x') + "\n"};
  const std::size_t sizes[] = {10, 20, 20, 10, 160};
  std::string why;
  for (std::size_t k = 0; k < std::size(sizes); ++k) {
    ASSERT_EQ(source.open(writeFile(contents[k]), {}, why), LineSource::Opened::Ready);
    EXPECT_EQ(source.bufferSize(), sizes[k]) << contents[k];
  }
}

TEST_F(GeneratorRun, QueueCopiesFollowTheSourceInOrderAndLeaveItAlone) {
  defineQueue("SOURCE");
  defineQueue("TARGET");
  putSources({"m1", "m2", "m3"});
  runOnTarget("7 0 0 q SOURCE 0 0 0 0 0 0 0 0 0");
  std::vector<std::string> texts;
  for (const auto& m : messagesOn("TARGET")) {
    texts.push_back(text(m));
    EXPECT_EQ(m.format, "SOURCE  ") << "descriptor fields stay as copied";
    EXPECT_GT(m.expiry, 35000) << "expiry 0 leaves the copy's own expiry";
    EXPECT_EQ(m.correlId, kx::MessageId24::none()) << "not preserved: none";
    EXPECT_EQ(m.persistent, 0) << "persistence and the report word are always set";
    EXPECT_EQ(m.report, 0);
    EXPECT_EQ(m.replyToQ, "SRC.REPLY") << "no reply-to queue given: the copy's own";
  }
  EXPECT_EQ(texts, (std::vector<std::string>{"m1", "m2", "m3", "m1", "m2", "m3", "m1"}));
  EXPECT_EQ(depthOf("SOURCE"), 3);

  // Copies that preserve both ids keep the source's, whatever the correlation-id option says.
  runOnTarget("2 0 0 q SOURCE 1 0 0 0 0 0 1 1 0");
  const auto source = messagesOn("SOURCE");
  ASSERT_EQ(source.size(), 3u);
  const auto copies = messagesOn("TARGET");
  ASSERT_EQ(copies.size(), 9u);
  EXPECT_EQ(copies[7].msgId, source[0].msgId);
  EXPECT_EQ(copies[7].correlId, source[0].correlId);
  EXPECT_EQ(copies[8].correlId, source[1].correlId);
}

// Each failure is a line on standard output and in the report; the run closes what it opened,
// disconnects and sets the bar back to 0, and the program goes on.
TEST_F(GeneratorRun, SourcesThatCannotWorkEndTheRunNotTheProgram) {
  defineQueue("TARGET");
  defineQueue("EMPTY");
  const std::string fifo = (dataDir_ / "lines.fifo").string();
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  const std::string missing = (dataDir_ / "missing.txt").string();
  const std::string folder = dataDir_.string();
  const struct {
    std::string fields;
    std::string line;
  } cases[] = {
      {"3 0 0 x 1024", "Invalid source value: x\n"},
      {"0 0 0 q EMPTY", "No messages in the input queue EMPTY\n"},  // even with a count of 0
      {"1 0 0 q NOT.DEFINED", "Funny error - oops"},  // a source that cannot be browsed at all
      {"3 0 0 f " + missing,
       "Cannot open the input file " + missing + ": No such file or directory\n"},
      {"3 0 0 f " + folder, "Cannot open the input file " + folder + ": Is a directory\n"},
      // A pipe with no writer: opening it must not wait for one.
      {"3 0 0 f " + fifo, "Cannot open the input file " + fifo + ": not a regular file\n"},
      {"3 0 0 f /dev/zero", "Cannot open the input file /dev/zero: not a regular file\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.fields);
    sink_->setPosition(3);
    EXPECT_EQ(runOnTarget(c.fields + " 0 0 0 0 0 0 0 0 0"), c.line);
    EXPECT_EQ(endStatus_, -1) << "the program goes on";
    EXPECT_EQ(result_, 0);
    std::string shown = c.line;
    if (shown.ends_with('\n')) shown.pop_back();
    EXPECT_EQ(report_->failure, shown);
    EXPECT_TRUE(report_->ended);
    EXPECT_EQ(disconnects_, 1) << "the run's connection is released";
    EXPECT_EQ(sink_->state().position, 0);
  }
  EXPECT_EQ(depthOf("TARGET"), 0);

  // The source letter is looked at only once connected: a failed connect ends the run first.
  EXPECT_EQ(run("pz.exe NOSUCH TARGET 0 0 0 x 1024 0 0 0 0 0 0 0 0 0"),
            "IkxQueueManager::connect ended with reason code 2058\n");
  EXPECT_EQ(result_, kx::reason::kQueueManagerNameError);
  EXPECT_EQ(report_->failure, "IkxQueueManager::connect ended with reason code 2058");
}

TEST_F(GeneratorRun, ALineLongerThanTheLargestMessageEndsTheRunUnread) {
  defineQueue("TARGET");
  // A sparse file of zero bytes and no line end: one line one byte over the largest message.
  const std::string path = writeFile("");
  ASSERT_EQ(::truncate(path.c_str(), static_cast<off_t>(kx::kMaxMessageLength) + 1), 0);
  EXPECT_EQ(runFile(1, path), "A line of the input file " + path +
                                  " is longer than the largest message (" +
                                  std::to_string(kx::kMaxMessageLength) + " bytes)\n");
  EXPECT_EQ(depthOf("TARGET"), 0);
}

TEST_F(GeneratorRun, FailuresThatEndTheRun) {
  defineQueue("TARGET", 2);
  EXPECT_EQ(runOnTarget("5 0 0 b 8 0 0 0 0 0 0 0 0 0"),
            "IkxQueue::put ended with reason code 2053\n");
  EXPECT_EQ(depthOf("TARGET"), 2);
  EXPECT_EQ(sink_->state().position, 2) << "one step of the bar for each message put";

  // Random lengths the queue manager would refuse end the run before anything is made.
  for (const char* length : {"-5", "2000000000"}) {
    const std::string said = runOnTarget("1 0 0 b " + std::string(length) + " 0 0 0 0 0 0 0 0 0");
    EXPECT_NE(said.find(length), std::string::npos) << said;
    EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;
    EXPECT_EQ(result_, 0);
  }
  EXPECT_EQ(depthOf("TARGET"), 2);
}

}  // namespace
}  // namespace tarnix::testing
