// Generator runs on a real store: the three sources, the descriptor options, pauses, progress,
// and the failures that end a run or the program.
#include "generator/generator_worker.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "generator/line_source.h"
#include "generator/request_text.h"
#include "platform/messaging/get_options.h"
#include "platform/runtime/process_end.h"
#include "platform/toolkit/headless/headless_progress.h"
#include "tests/support/manager_fixture.h"

namespace tarnix::testing {
namespace {

class GeneratorRun : public ManagerFixture {
 protected:
  void SetUp() override {
    ManagerFixture::SetUp();
    rt::setProcessEnder([this](int status) { endStatus_ = status; });
  }
  void TearDown() override {
    rt::setProcessEnder({});
    ManagerFixture::TearDown();
  }

  // Runs the request on this thread; gives what the run printed.
  std::string run(const std::string& request) {
    result_ = endStatus_ = -1;
    ::testing::internal::CaptureStdout();
    try {
      result_ = runGenerator(request, bar_, {});
    } catch (const rt::ProcessEnded&) {
      // The run ended the program; endStatus_ holds its status.
    }
    return ::testing::internal::GetCapturedStdout();
  }
  std::string run(const GenerateOptions& options, const std::string& queue = "TARGET") {
    return run(buildRequest(options, kManager, queue));
  }
  // The request of the initial options with another source letter.
  static std::string withSource(const std::string& manager, char letter) {
    std::string request = buildRequest(GenerateOptions{}, manager, "TARGET");
    return request.replace(request.find(" b "), 3, std::string{' ', letter, ' '});
  }

  std::vector<kx::QueueMessage> messagesOn(std::string_view queueName) {
    kx::IkxQueueManager manager;
    manager.setManagerName(kManager);
    EXPECT_TRUE(manager.connect());
    kx::IkxQueue queue;
    queue.setQueueName(queueName);
    queue.bindManager(manager);
    std::vector<kx::QueueMessage> messages;
    kx::QueueMessage message;
    kx::GetOptions options{kx::getopt::kBrowseFirst};
    while (queue.get(message, options)) {
      messages.push_back(message);
      message.msgId.reset();
      message.correlId.reset();
      options.options = kx::getopt::kBrowseNext;
    }
    return messages;
  }
  static std::string text(const kx::QueueMessage& m) { return {m.data().begin(), m.data().end()}; }
  // Puts persistent messages whose data are `texts` onto `queueName`, each with its own
  // correlation id, an expiry of an hour, a report word and a reply-to queue.
  void putCopies(std::string_view queueName, const std::vector<std::string>& texts) {
    kx::IkxQueueManager manager;
    manager.setManagerName(kManager);
    ASSERT_TRUE(manager.connect());
    kx::IkxQueue queue;
    queue.setQueueName(queueName);
    queue.bindManager(manager);
    for (const std::string& t : texts) {
      kx::QueueMessage message;
      message.setData(t.data(), t.size());
      message.correlId = *kx::MessageId24::fromText("correl-" + t);
      message.expiry = 36000;
      message.format = "SOURCE";
      message.persistent = 1;
      message.report = 0x100;
      message.replyToQ = "SRC.REPLY";
      ASSERT_TRUE(queue.put(message)) << queue.reason();
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
  int files_ = 0;
};

TEST_F(GeneratorRun, CountsZeroAndBeyondSixteenBits) {
  defineQueue("TARGET", 100000);
  GenerateOptions options;
  options.randomLength = 16;
  EXPECT_EQ(run(options), "");
  EXPECT_EQ(depthOf("TARGET"), 0);
  EXPECT_EQ(result_, 1) << "the disconnect's success";
  EXPECT_EQ(sink_->state().upper, 0);
  EXPECT_EQ(sink_->state().position, 0);

  options.messageCount = 70000;
  EXPECT_EQ(run(options), "");
  EXPECT_EQ(depthOf("TARGET"), 70000);
  EXPECT_EQ(sink_->state().upper, 4464) << "the count's low 16 bits";
  EXPECT_EQ(sink_->state().step, 1);
  EXPECT_EQ(sink_->state().position, 0) << "back at the start after the run";
}

TEST_F(GeneratorRun, RandomContentIsMadeOnceOfDigits) {
  defineQueue("TARGET");
  GenerateOptions options;
  options.messageCount = 3;
  options.randomLength = 5;
  run(options);
  const auto messages = messagesOn("TARGET");
  ASSERT_EQ(messages.size(), 3u);
  const std::string first = text(messages[0]);
  EXPECT_EQ(first.size(), 5u);
  EXPECT_EQ(first.find_first_not_of("0123456789"), std::string::npos) << first;
  for (const auto& m : messages) {
    EXPECT_EQ(text(m), first);
    EXPECT_EQ(m.format, "KXSTR   ");
    EXPECT_EQ(m.correlId, kx::MessageId24::none());
    EXPECT_EQ(m.persistent, 0);
  }
  EXPECT_NE(messages[0].msgId, messages[1].msgId) << "the queue manager assigns each id";
}

TEST_F(GeneratorRun, FileLinesWrapToTheFirstWithoutTheirLineEnds) {
  defineQueue("TARGET");
  GenerateOptions options;
  options.source = 'f';
  options.messageCount = 5;
  options.sourceFileName.assign(writeFile("a\nbb\nccc"));
  run(options);
  std::vector<std::string> texts;
  for (const auto& m : messagesOn("TARGET")) {
    texts.push_back(text(m));
    EXPECT_EQ(m.format, "KXSTR   ");
  }
  EXPECT_EQ(texts, (std::vector<std::string>{"a", "bb", "ccc", "a", "bb"}));

  // Carriage return and line feed end a line as one.
  options.messageCount = 3;
  options.sourceFileName.assign(writeFile("one\r\ntwo\r\n"));
  run(options);
  const auto messages = messagesOn("TARGET");
  ASSERT_EQ(messages.size(), 8u);
  EXPECT_EQ(text(messages[5]), "one");
  EXPECT_EQ(text(messages[6]), "two");
  EXPECT_EQ(text(messages[7]), "one");
}

TEST_F(GeneratorRun, LineBufferFitsTheLongestLineWithRoomForItsEnd) {
  LineSource source;
  ASSERT_TRUE(source.open(writeFile("short\n1234567\nx\n")));
  EXPECT_EQ(source.bufferSize(), 10u);
  ASSERT_TRUE(source.open(writeFile("12345678\n")));
  EXPECT_EQ(source.bufferSize(), 20u);
  ASSERT_TRUE(source.open(writeFile("123456789")));  // no line end: 9 characters and room for 2
  EXPECT_EQ(source.bufferSize(), 20u);
  ASSERT_TRUE(source.open(writeFile("1234567\r\n")));  // the pair counts as one
  EXPECT_EQ(source.bufferSize(), 10u);
  ASSERT_TRUE(source.open(writeFile(std::string(100, 'x') + "\n")));
  EXPECT_EQ(source.bufferSize(), 160u);
  EXPECT_FALSE(source.open((dataDir_ / "missing.txt").string()));
}

TEST_F(GeneratorRun, MissingAndEmptyFilesEndTheRunWithoutPutting) {
  defineQueue("TARGET");
  GenerateOptions options;
  options.source = 'f';
  options.messageCount = 3;
  options.sourceFileName.assign((dataDir_ / "missing.txt").string());
  EXPECT_EQ(run(options), "");
  EXPECT_EQ(result_, 0);
  const std::string empty = writeFile("");
  options.sourceFileName.assign(empty);
  EXPECT_EQ(run(options), "No lines in the input file " + empty + "\n");
  EXPECT_EQ(depthOf("TARGET"), 0);
}

TEST_F(GeneratorRun, QueueCopiesFollowTheSourceInOrderAndLeaveItAlone) {
  defineQueue("SOURCE");
  defineQueue("TARGET");
  putCopies("SOURCE", {"m1", "m2", "m3"});
  GenerateOptions options;
  options.source = 'q';
  options.sourceQueueName.assign("SOURCE");
  options.messageCount = 7;
  run(options);
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
}

TEST_F(GeneratorRun, CorrelationIdsFromTheClockAndPreservedIds) {
  defineQueue("SOURCE");
  defineQueue("TARGET");
  putCopies("SOURCE", {"m1", "m2"});
  const auto source = messagesOn("SOURCE");
  GenerateOptions options;
  options.messageCount = 2;
  options.randomLength = 4;
  options.correlIdOption = 1;
  options.preserveMsgId = 1;  // no effect on random content
  options.preserveCorrelId = 1;
  const auto before = std::chrono::system_clock::now();
  run(options);
  const auto after = std::chrono::system_clock::now();
  auto messages = messagesOn("TARGET");
  ASSERT_EQ(messages.size(), 2u);
  for (const auto& m : messages) {
    const auto& b = m.correlId.bytes();
    const std::int64_t seconds = b[0] | (b[1] << 8) | (b[2] << 16) | (std::int64_t{b[3]} << 24);
    const int millis = b[4] | (b[5] << 8);
    const auto at = std::chrono::system_clock::time_point(std::chrono::seconds(seconds) +
                                                          std::chrono::milliseconds(millis));
    EXPECT_GE(at, std::chrono::time_point_cast<std::chrono::milliseconds>(before));
    EXPECT_LE(at, after);
    EXPECT_LT(millis, 1000);
    for (std::size_t k = 6; k < b.size(); ++k) EXPECT_EQ(b[k], 0) << k;
  }
  EXPECT_NE(messages[0].msgId, messages[1].msgId) << "each put gets a new message id";

  // Copies that preserve both ids keep the source's, whatever the correlation-id option says.
  options.source = 'q';
  options.sourceQueueName.assign("SOURCE");
  run(options);
  messages = messagesOn("TARGET");
  ASSERT_EQ(messages.size(), 4u);
  EXPECT_EQ(messages[2].msgId, source[0].msgId);
  EXPECT_EQ(messages[2].correlId, source[0].correlId);
  EXPECT_EQ(messages[3].correlId, source[1].correlId);
}

TEST_F(GeneratorRun, DescriptorOptionsReachEveryMessage) {
  defineQueue("TARGET");
  GenerateOptions options;
  options.messageCount = 2;
  options.randomLength = 3;
  options.persistentOption = 1;
  options.expiryTenths = 600;
  options.reportOptions = 0xB00;
  options.replyToQueueName.assign("REPLY.Q");
  options.replyToQmgrName.assign("QM2");
  run(options);
  for (const auto& m : messagesOn("TARGET")) {
    EXPECT_EQ(m.persistent, 1);
    EXPECT_GT(m.expiry, 500);
    EXPECT_LE(m.expiry, 600);
    EXPECT_EQ(m.report, 0xB00);
    EXPECT_EQ(m.replyToQ, "REPLY.Q");
    EXPECT_EQ(m.replyQmgr, "QM2");
  }
}

TEST_F(GeneratorRun, AFailedPutEndsTheRunWhereTheBarStands) {
  defineQueue("TARGET", 2);
  GenerateOptions options;
  options.messageCount = 5;
  options.randomLength = 8;
  EXPECT_EQ(run(options), "IkxQueue::put ended with reason code 2053\n");
  EXPECT_EQ(depthOf("TARGET"), 2);
  EXPECT_EQ(sink_->state().position, 2);
  EXPECT_EQ(sink_->state().upper, 5);
}

TEST_F(GeneratorRun, FailuresThatEndTheProgramWithStatusOne) {
  defineQueue("TARGET");
  defineQueue("EMPTY");
  EXPECT_EQ(run(withSource(kManager, 'x')), "Invalid source value: x\n");
  EXPECT_EQ(endStatus_, 1);

  GenerateOptions copies;
  copies.source = 'q';
  copies.sourceQueueName.assign("EMPTY");
  EXPECT_EQ(run(copies), "No messages in the input queue EMPTY\n") << "even with a count of 0";
  EXPECT_EQ(endStatus_, 1);

  // A source that cannot be browsed at all.
  copies.sourceQueueName.assign("NOT.DEFINED");
  copies.messageCount = 1;
  EXPECT_EQ(run(copies), "Funny error - oops");
  EXPECT_EQ(endStatus_, 1);

  // The source letter is looked at only once connected: a failed connect ends the run first.
  EXPECT_EQ(run(withSource("NOSUCH", 'x')),
            "IkxQueueManager::connect ended with reason code 2058\n");
  EXPECT_EQ(result_, kx::reason::kQueueManagerNameError);
  EXPECT_EQ(endStatus_, -1);
}

TEST_F(GeneratorRun, RandomLengthsTheQueueManagerWouldRefuseEndTheRunFirst) {
  defineQueue("TARGET");
  GenerateOptions bad;
  bad.messageCount = 1;
  for (const std::int32_t length : {-5, 2'000'000'000}) {
    bad.randomLength = static_cast<std::uint32_t>(length);  // travels as signed 32 bits
    const std::string said = run(bad);
    EXPECT_NE(said.find(std::to_string(length)), std::string::npos) << said;
    EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;
    EXPECT_EQ(result_, 0);
  }
  EXPECT_EQ(depthOf("TARGET"), 0);
}

}  // namespace
}  // namespace tarnix::testing
