#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <ctime>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "platform/messaging/store_admin.h"
#include "platform/messaging/test_seams.h"
#include "tests/messaging/queue_fixture.h"

// The store fixture of the report tests: QM1 with Q1, a reply-to queue REPLY and a queue DLQ to
// name as the dead-letter queue, on a clock the test moves.
namespace kx::testing {

class ReportFixture : public QueueFixture {
 protected:
  void SetUp() override {
    QueueFixture::SetUp();
    if (HasFatalFailure() || IsSkipped()) return;
    setClock([this] { return now_; });
    defineQueue("REPLY");
    defineQueue("DLQ");
  }

  // A message on Q1 that asks for the reports of `word`, its replies to REPLY on this manager.
  static QueueMessage asking(std::int32_t word, const std::string& text = "original") {
    QueueMessage message;
    message.report = word;
    message.replyToQ = "REPLY";
    message.setData(text.data(), text.size());
    return message;
  }

  MessageId24 putOn(const std::string& queue, QueueMessage& message) {
    IkxQueue target;
    attach(manager_, target, queue);
    EXPECT_TRUE(target.put(message)) << queue << ": " << target.reason();
    return message.msgId;
  }

  // Every message on `queue`, taken (with `browse`, only looked at), in order.
  std::vector<QueueMessage> messagesOn(const std::string& queue, bool browse = false) {
    IkxQueue source;
    attach(manager_, source, queue);
    std::vector<QueueMessage> found;
    for (std::int32_t options = browse ? getopt::kBrowseFirst : 0;;
         options = browse ? getopt::kBrowseNext : 0) {
      QueueMessage message;
      if (!source.get(message, GetOptions{options})) {
        EXPECT_EQ(source.reason(), reason::kNoMessageAvailable) << queue;
        return found;
      }
      found.push_back(std::move(message));
    }
  }

  // Takes the first message of Q1; kNone or the reason the get failed with.
  ReasonCode takeFromQ1(std::int32_t options = 0) {
    QueueMessage message;
    return queue_.get(message, GetOptions{options}) ? reason::kNone : queue_.reason();
  }

  admin::CheckReport checked() {
    admin::CheckReport report;
    const admin::Status status = admin::checkQueueManager(kManager, report);
    EXPECT_TRUE(status) << status.message;
    EXPECT_TRUE(report.problems.empty()) << report.problems.front();
    return report;
  }

  void nameDeadLetterQueue(const std::string& queue) {
    const admin::Status status = admin::setDeadLetterQueue(kManager, queue);
    ASSERT_TRUE(status) << status.message;
  }

  // "YYYYMMDD" and "HHMMSSTH" of the test's clock now.
  std::pair<std::string, std::string> putContextNow() const {
    const auto ms =
        std::chrono::duration_cast<std::chrono::milliseconds>(now_.time_since_epoch()).count();
    const std::time_t secs = ms / 1000;
    std::tm parts{};
    ::gmtime_r(&secs, &parts);
    char date[16];
    char time[16];
    std::strftime(date, sizeof date, "%Y%m%d", &parts);
    std::snprintf(time, sizeof time, "%02d%02d%02d%02d", parts.tm_hour, parts.tm_min, parts.tm_sec,
                  static_cast<int>(ms % 1000 / 10));
    return {date, time};
  }

  std::chrono::system_clock::time_point now_ =
      std::chrono::system_clock::time_point(std::chrono::seconds(1'700'000'000));
};

inline std::string bodyOf(std::span<const std::uint8_t> data) { return {data.begin(), data.end()}; }

}  // namespace kx::testing
