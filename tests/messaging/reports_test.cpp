#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/messaging/dead_letter.h"
#include "platform/messaging/report_word.h"
#include "platform/messaging/store_admin.h"
#include "tests/messaging/report_fixture.h"

// The reports a queue manager puts on its own when a message that asks for them arrives, is
// taken or expires, and where they go when their reply-to queue cannot take them.
namespace kx::testing {
namespace {

using std::chrono::seconds;
using ReportsTest = tarnix::testing::OnEachBackend<ReportFixture>;

struct Kind {
  const char* name;
  std::int32_t withNone, withData, withFullData;
  std::int32_t feedback;
};
constexpr Kind kKinds[] = {
    {"coa", report::kCoa, report::kCoaWithData, report::kCoaWithFullData, feedback::kCoa},
    {"cod", report::kCod, report::kCodWithData, report::kCodWithFullData, feedback::kCod},
    {"expiration", report::kExpiration, report::kExpirationWithData,
     report::kExpirationWithFullData, feedback::kExpiration},
};

TEST_P(ReportsTest, EachKindCarriesTheDataAndIdsItsWordAsksFor) {
  const std::string body(150, 'b');
  int round = 0;
  for (const Kind& kind : kKinds) {
    for (const std::int32_t data : {kind.withNone, kind.withData, kind.withFullData}) {
      for (const std::int32_t ids : {0, report::kPassMsgId, report::kPassCorrelId,
                                     report::kPassMsgId | report::kPassCorrelId}) {
        ++round;
        SCOPED_TRACE(report::describeWord(data | ids));
        QueueMessage original = asking(data | ids, body);
        original.correlId = *MessageId24::fromText("CORREL" + std::to_string(round));
        original.format = round % 2 ? "CUSTOM" : "KXSTR   ";
        original.persistent = round % 2;
        original.priority = round % 10;
        original.keepPutContext = true;
        original.putAppl = "ORIGINAL APPLICATION";
        original.putApplType = 99;
        original.putDate = "20000101";
        original.putTime = "01020304";
        if (kind.feedback == feedback::kExpiration) original.expiry = 10;
        const MessageId24 id = putOn("Q1", original);

        if (kind.feedback == feedback::kCod) {
          ASSERT_EQ(takeFromQ1(), reason::kNone);
        } else if (kind.feedback == feedback::kExpiration) {
          now_ += seconds(2);
          ASSERT_EQ(takeFromQ1(), reason::kNoMessageAvailable);  // and the expired one goes
        }
        const auto reports = messagesOn("REPLY");
        ASSERT_EQ(reports.size(), 1u);
        const QueueMessage& report = reports.front();
        EXPECT_EQ(report.msgType, msgtype::kReport);
        EXPECT_EQ(report.feedback, kind.feedback);
        EXPECT_EQ(report.format, round % 2 ? "CUSTOM  " : "KXSTR   ");
        EXPECT_EQ(report.persistent, round % 2);
        EXPECT_EQ(report.priority, round % 10);
        EXPECT_EQ(report.report, 0);
        EXPECT_EQ(report.expiry, kExpiryUnlimited);
        EXPECT_EQ(report.replyToQ, "");
        EXPECT_EQ(report.replyQmgr, kManager);
        EXPECT_EQ(report.putAppl, kManager);  // the queue manager's own put context
        EXPECT_EQ(report.putApplType, kPutApplTypeQueueManager);
        EXPECT_EQ(std::make_pair(report.putDate, report.putTime), putContextNow());
        if (ids & report::kPassMsgId) {
          EXPECT_EQ(report.msgId, id);
        } else {
          EXPECT_FALSE(report.msgId.isNone());
          EXPECT_NE(report.msgId, id);
        }
        EXPECT_EQ(report.correlId, (ids & report::kPassCorrelId) ? original.correlId : id);
        const std::size_t length = data == kind.withNone   ? 0
                                   : data == kind.withData ? report::kWithDataBytes
                                                           : body.size();
        EXPECT_EQ(bodyOf(report.data()), body.substr(0, length));
        if (kind.feedback == feedback::kCoa) {
          EXPECT_EQ(takeFromQ1(), reason::kNone);
        }
        EXPECT_EQ(takeFromQ1(), reason::kNoMessageAvailable);
        EXPECT_TRUE(messagesOn("REPLY").empty());
      }
    }
  }
}

TEST_P(ReportsTest, MessagesAskingForNothingOrOnlyForApplicationReportsMakeNone) {
  for (const std::int32_t word : {0, report::kPan | report::kNan, report::kException,
                                  report::kPassMsgId | report::kDiscardMsg}) {
    QueueMessage message = asking(word);
    message.expiry = 10;
    putOn("Q1", message);
    putOn("Q1", message);
    ASSERT_EQ(takeFromQ1(), reason::kNone);
    now_ += seconds(2);
    ASSERT_EQ(takeFromQ1(), reason::kNoMessageAvailable);
  }
  EXPECT_TRUE(messagesOn("REPLY").empty());
  EXPECT_EQ(checked().discardedReports, 0);
}

TEST_P(ReportsTest, OnlyATakeConfirmsDelivery) {
  QueueMessage original = asking(report::kCodWithFullData);
  for (int i = 0; i < 3; ++i) putOn("Q1", original);
  EXPECT_EQ(messagesOn("Q1", true).size(), 3u);
  QueueMessage under;
  ASSERT_TRUE(queue_.get(under, GetOptions{getopt::kBrowseFirst}));
  EXPECT_TRUE(messagesOn("REPLY").empty()) << "a browse confirms nothing";

  // The monitor's removal of the message under its cursor is a take.
  ASSERT_TRUE(queue_.get(under, GetOptions{getopt::kUnderCursor}));
  EXPECT_EQ(messagesOn("REPLY").size(), 1u);
  // The monitor's emptying of a queue takes without delivering.
  QueueMessage emptied;
  ASSERT_TRUE(queue_.get(emptied, GetOptions{getopt::kEmptying | getopt::kAcceptTruncated}));
  EXPECT_TRUE(messagesOn("REPLY").empty()) << "an emptying confirms nothing";

  std::int64_t removed = 0;
  ASSERT_TRUE(admin::purgeQueue(kManager, "Q1", removed));
  EXPECT_EQ(removed, 1);
  defineQueue("GONE");
  putOn("GONE", original);
  ASSERT_TRUE(admin::deleteQueue(kManager, "GONE", true));
  EXPECT_TRUE(messagesOn("REPLY").empty()) << "neither a purge nor a queue's deletion delivers";
}

TEST_P(ReportsTest, ATruncatedTakeStillReportsTheWholeMessage) {
  const std::string body(300, 'x');
  QueueMessage original = asking(report::kCodWithFullData, body);
  putOn("Q1", original);
  QueueMessage small;
  small.setBufferSize(10);
  ASSERT_TRUE(queue_.get(small, GetOptions{getopt::kAcceptTruncated}));
  EXPECT_EQ(small.dataLength(), 10u);
  const auto reports = messagesOn("REPLY");
  ASSERT_EQ(reports.size(), 1u);
  EXPECT_EQ(bodyOf(reports.front().data()), body);

  // A take that fails on its small buffer leaves the message, and confirms nothing.
  putOn("Q1", original);
  small = QueueMessage();
  small.setBufferSize(10);
  EXPECT_FALSE(queue_.get(small, GetOptions{}));
  EXPECT_EQ(queue_.reason(), reason::kTruncatedMessageFailed);
  EXPECT_TRUE(messagesOn("REPLY").empty());
  EXPECT_EQ(queue_.queryDepth(), 1);
}

TEST_P(ReportsTest, ExpiredMessagesReportWhereverTheyAreDiscarded) {
  defineQueue("ONE", 1);
  const auto expiring = [&](const std::string& queue, std::int32_t word, const std::string& text) {
    QueueMessage message = asking(word, text);
    message.expiry = 10;
    putOn(queue, message);
  };
  const auto reportedTexts = [&] {
    std::vector<std::string> texts;
    for (const QueueMessage& report : messagesOn("REPLY")) {
      EXPECT_EQ(report.feedback, feedback::kExpiration);
      texts.push_back(bodyOf(report.data()));
    }
    return texts;
  };
  using Texts = std::vector<std::string>;

  // A take that meets expired messages behind the one it takes.
  QueueMessage live = asking(0, "live");
  putOn("Q1", live);
  expiring("Q1", report::kExpirationWithFullData, "by a take");
  expiring("Q1", 0, "silent");
  now_ += seconds(2);
  ASSERT_EQ(takeFromQ1(), reason::kNone);
  EXPECT_EQ(reportedTexts(), Texts{"by a take"});

  // A take that finds nothing but expired messages.
  expiring("Q1", report::kExpirationWithFullData, "by an empty take");
  now_ += seconds(2);
  ASSERT_EQ(takeFromQ1(), reason::kNoMessageAvailable);
  EXPECT_EQ(reportedTexts(), Texts{"by an empty take"});

  // A put to a queue that only expired messages fill.
  expiring("ONE", report::kExpirationWithFullData, "by a put");
  now_ += seconds(2);
  QueueMessage next = asking(0, "next");
  next.persistent = 1;
  putOn("ONE", next);
  EXPECT_EQ(reportedTexts(), Texts{"by a put"});

  // A start, persistent or not; a browse and a depth on the way discard nothing.
  QueueMessage persistent = asking(report::kExpirationWithFullData, "by a start");
  persistent.persistent = 1;
  persistent.expiry = 10;
  putOn("Q1", persistent);
  expiring("Q1", report::kExpirationWithFullData, "by a start too");
  now_ += seconds(2);
  EXPECT_TRUE(messagesOn("Q1", true).empty());
  EXPECT_EQ(queue_.queryDepth(), 0);
  EXPECT_TRUE(reportedTexts().empty());
  manager_.disconnect();
  stopManager();
  startManager();
  EXPECT_EQ(reportedTexts(), (Texts{"by a start", "by a start too"}));
  EXPECT_EQ(checked().messages, 1);  // "next", kept on ONE
}

TEST_P(ReportsTest, AnUnknownReplyToQueueSendsTheReportToTheDeadLetterQueue) {
  nameDeadLetterQueue("DLQ");
  EXPECT_EQ(checked().deadLetterQueue, "DLQ");
  QueueMessage original = asking(report::kCoaWithData, "to nowhere");
  original.replyToQ = "NOWHERE";
  original.format = "CUSTOM";
  putOn("Q1", original);
  const auto dead = messagesOn("DLQ");
  ASSERT_EQ(dead.size(), 1u);
  EXPECT_EQ(dead.front().msgType, msgtype::kReport);
  EXPECT_EQ(dead.front().feedback, feedback::kCoa);
  EXPECT_EQ(dead.front().format, dead_letter::kFormat);
  const auto header = dead_letter::read(dead.front().data());
  ASSERT_TRUE(header.has_value());
  EXPECT_EQ(header->reason, reason::kUnknownObjectName);
  EXPECT_EQ(header->queue, "NOWHERE");
  EXPECT_EQ(header->format, "CUSTOM  ");
  EXPECT_EQ(std::make_pair(header->putDate, header->putTime), putContextNow());
  EXPECT_EQ(bodyOf(dead.front().data().subspan(dead_letter::headerLength())), "to nowhere");
  EXPECT_EQ(checked().discardedReports, 0);
  EXPECT_EQ(messagesOn("Q1").size(), 1u) << "the original arrived all the same";
}

TEST_P(ReportsTest, WithoutADeadLetterQueueAnUndeliverableReportIsDiscardedAndCounted) {
  QueueMessage original = asking(report::kCoa);
  original.replyToQ = "NOWHERE";
  putOn("Q1", original);
  EXPECT_EQ(checked().discardedReports, 1);
  // A dead-letter queue that is named but not defined takes nothing either.
  nameDeadLetterQueue("NOT.DEFINED");
  putOn("Q1", original);
  original.replyToQ = "";  // no reply-to queue at all
  putOn("Q1", original);
  const admin::CheckReport report = checked();
  EXPECT_EQ(report.discardedReports, 3);
  EXPECT_EQ(report.deadLetterQueue, "NOT.DEFINED");
  EXPECT_EQ(messagesOn("Q1").size(), 3u);
  EXPECT_TRUE(messagesOn("DLQ").empty());
  EXPECT_TRUE(messagesOn("REPLY").empty());
  nameDeadLetterQueue("");
  EXPECT_EQ(checked().deadLetterQueue, "");
}

TEST_P(ReportsTest, UndeliverableReportsSayWhyOnTheDeadLetterQueue) {
  nameDeadLetterQueue("DLQ");
  defineQueue("SMALL", 1);
  defineAlias("TO.REPLY", "REPLY");
  defineAlias("TO.NOTHING", "UNDEFINED");
  QueueMessage filler;
  putOn("SMALL", filler);
  struct Case {
    std::string replyToQ, replyQmgr;
    ReasonCode why;  // kNone: delivered on REPLY
  };
  for (const Case& at :
       {Case{"", "", reason::kMissingReplyToQueue},
        Case{"REPLY", "QM2", reason::kUnknownRemoteQueueManager},
        Case{"REPLY", kManager, reason::kNone}, Case{"TO.REPLY", "", reason::kNone},
        Case{"TO.NOTHING", "", reason::kUnknownObjectName},
        Case{"SMALL", "", reason::kQueueFull}}) {
    SCOPED_TRACE(at.replyToQ + " on '" + at.replyQmgr + "'");
    QueueMessage original = asking(report::kCoa);
    original.replyToQ = at.replyToQ;
    original.replyQmgr = at.replyQmgr;
    putOn("Q1", original);
    const auto delivered = messagesOn("REPLY");
    const auto dead = messagesOn("DLQ");
    ASSERT_EQ(delivered.size() + dead.size(), 1u);
    if (at.why == reason::kNone) {
      EXPECT_EQ(delivered.size(), 1u);
      continue;
    }
    ASSERT_EQ(dead.size(), 1u);
    const auto header = dead_letter::read(dead.front().data());
    ASSERT_TRUE(header.has_value());
    EXPECT_EQ(header->reason, at.why);
    EXPECT_EQ(header->queue, at.replyToQ);
    EXPECT_EQ(header->manager, at.replyQmgr);
  }
  EXPECT_EQ(checked().discardedReports, 0);
}

TEST_P(ReportsTest, ExceptionReportsAndDiscardFollowTheOriginalsWord) {
  nameDeadLetterQueue("DLQ");
  QueueMessage original =
      asking(report::kCod | report::kExceptionWithData | report::kPassCorrelId, "excepted");
  original.replyToQ = "NOWHERE";
  original.correlId = *MessageId24::fromText("EXCEPTION");
  putOn("Q1", original);
  ASSERT_EQ(takeFromQ1(), reason::kNone);
  const auto dead = messagesOn("DLQ");
  ASSERT_EQ(dead.size(), 2u);
  EXPECT_EQ(dead[0].feedback, feedback::kCod);
  EXPECT_EQ(dead[1].feedback, reason::kUnknownObjectName);
  EXPECT_EQ(dead[1].msgType, msgtype::kReport);
  EXPECT_EQ(dead[1].correlId, original.correlId);
  for (const QueueMessage& message : dead) {
    ASSERT_TRUE(dead_letter::read(message.data()).has_value());
    EXPECT_EQ(dead_letter::read(message.data())->reason, reason::kUnknownObjectName);
    EXPECT_EQ(bodyOf(message.data().subspan(dead_letter::headerLength())),
              message.feedback == feedback::kCod ? "" : "excepted");
  }

  // Asked to be discarded, both go nowhere and are counted, dead-letter queue or not.
  original.report |= report::kDiscardMsg;
  putOn("Q1", original);
  ASSERT_EQ(takeFromQ1(), reason::kNone);
  EXPECT_TRUE(messagesOn("DLQ").empty());
  EXPECT_EQ(checked().discardedReports, 2);
}

TEST_P(ReportsTest, AFullReplyToQueueSendsToADeadLetterQueueOrNowhere) {
  defineQueue("SMALL", 1);
  QueueMessage original = asking(report::kCoa | report::kCod);
  original.replyToQ = "SMALL";
  putOn("Q1", original);  // its COA fills SMALL
  ASSERT_EQ(takeFromQ1(), reason::kNone);
  EXPECT_EQ(checked().discardedReports, 1);
  // A full dead-letter queue takes nothing either; the take itself is not held up.
  ASSERT_TRUE(admin::alterMaxDepth(kManager, "DLQ", 1));
  nameDeadLetterQueue("DLQ");
  putOn("Q1", original);
  putOn("Q1", original);
  EXPECT_EQ(messagesOn("DLQ", true).size(), 1u);
  EXPECT_EQ(checked().discardedReports, 2);
  EXPECT_EQ(takeFromQ1(), reason::kNone);
  EXPECT_EQ(takeFromQ1(), reason::kNone);
  EXPECT_EQ(checked().discardedReports, 4);
  EXPECT_EQ(messagesOn("SMALL").size(), 1u);

  // Filled only by expired messages, it takes the report: they go, with their own reports.
  QueueMessage expiring = asking(report::kExpiration, "expired");
  expiring.expiry = 10;
  expiring.replyToQ = "Q1";
  putOn("SMALL", expiring);
  now_ += seconds(2);
  QueueMessage next = asking(report::kCoa);
  next.replyToQ = "SMALL";
  putOn("Q1", next);
  const auto onSmall = messagesOn("SMALL");
  ASSERT_EQ(onSmall.size(), 1u);
  EXPECT_EQ(onSmall.front().feedback, feedback::kCoa);
  const auto onQ1 = messagesOn("Q1");
  ASSERT_EQ(onQ1.size(), 2u);
  EXPECT_EQ(onQ1.back().feedback, feedback::kExpiration);
  EXPECT_EQ(checked().discardedReports, 4);
}

TEST_P(ReportsTest, TheDeadLetterQueueNameIsCheckedAsAQueueName) {
  for (const std::string& bad :
       {std::string(49, 'Q'), std::string("BAD NAME"), std::string("Q;1")}) {
    const admin::Status status = admin::setDeadLetterQueue(kManager, bad);
    EXPECT_FALSE(status) << bad;
    EXPECT_EQ(status.reason, reason::kObjectNameError) << bad;
  }
  const admin::Status unknown = admin::setDeadLetterQueue("QM9", "DLQ");
  EXPECT_FALSE(unknown);
  EXPECT_NE(unknown.message.find("QM9"), std::string::npos) << unknown.message;
  EXPECT_EQ(checked().deadLetterQueue, "");
  // Named while stopped, it holds after the start.
  manager_.disconnect();
  stopManager();
  nameDeadLetterQueue("DLQ");
  startManager();
  EXPECT_EQ(checked().deadLetterQueue, "DLQ");
}

TARNIX_ON_EACH_BACKEND(ReportsTest);

}  // namespace
}  // namespace kx::testing
