// "Opt" then "Gen" asking for confirmation on arrival: the queue manager answers every message
// the run puts with a report on the reply-to queue the options name, on each backend.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/messaging/report_word.h"
#include "tests/monitor/monitor_fixture.h"

namespace tarnix::testing {
namespace {

class GenReports : public OnEachBackend<MonitorFixture> {
 protected:
  // Every message of a queue, read without taking them.
  std::vector<kx::QueueMessage> messagesOn(std::string_view queueName) {
    Client client(queueName);
    std::vector<kx::QueueMessage> messages;
    kx::GetOptions options{kx::getopt::kBrowseFirst};
    for (kx::QueueMessage message; client.queue.get(message, options);) {
      messages.push_back(message);
      message = kx::QueueMessage();
      options.options = kx::getopt::kBrowseNext;
    }
    return messages;
  }
};

TEST_P(GenReports, EveryGeneratedMessageGetsItsCoaWithDataOnTheReplyToQueue) {
  constexpr int kCount = 5;
  defineQueue("Q1");
  defineQueue("REPLY.Q");
  tk::HeadlessWindow& w = open({"Q1"});
  editOptions([](tk::HeadlessWindow& o) {
    o.type(optctl::kMessageCount, std::to_string(kCount));
    o.type(optctl::kRandomLength, "300");  // longer than a "with data" report carries
    o.click(optctl::kCoa);
    o.choose(optctl::kCoaKind, 1);  // with data
    o.type(optctl::kReplyToQueue, "REPLY.Q");
  });
  w.click(ctl::kGen);
  w.waitForWorkers();
  EXPECT_TRUE(w.notices().empty()) << w.notices().front().text;

  const std::vector<kx::QueueMessage> originals = messagesOn("Q1");
  const std::vector<kx::QueueMessage> reports = messagesOn("REPLY.Q");
  ASSERT_EQ(originals.size(), std::size_t{kCount});
  ASSERT_EQ(reports.size(), std::size_t{kCount}) << "one report for each message";
  for (std::size_t i = 0; i < reports.size(); ++i) {
    SCOPED_TRACE(i);
    const kx::QueueMessage& original = originals[i];
    const kx::QueueMessage& report = reports[i];
    EXPECT_EQ(original.report, kx::report::kCoaWithData) << "the options' word, on the message";
    EXPECT_EQ(original.replyToQ, "REPLY.Q");
    EXPECT_EQ(report.msgType, kx::msgtype::kReport);
    EXPECT_EQ(report.feedback, kx::feedback::kCoa);
    EXPECT_EQ(report.correlId, original.msgId) << "the report names the message it confirms";
    EXPECT_NE(report.msgId, original.msgId) << "and has an id of its own";
    EXPECT_EQ(report.format, original.format);
    EXPECT_EQ(report.report, 0) << "a report asks for no report";
    EXPECT_EQ(report.replyQmgr, kManager);
    const auto data = original.data();
    ASSERT_EQ(data.size(), 300u);
    EXPECT_TRUE(std::ranges::equal(report.data(), data.first(kx::report::kWithDataBytes)))
        << "the first 100 bytes of the message";
  }
}

TARNIX_ON_EACH_BACKEND(GenReports);

}  // namespace
}  // namespace tarnix::testing
