// kxadmin and reports on each backend: the report word a put asks for, what browse shows of a
// report and of a message on the dead-letter queue, the dead-letter queue that create and
// alter-manager name, and what check counts.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "platform/messaging/dead_letter.h"
#include "platform/messaging/report_word.h"
#include "platform/messaging/store_admin.h"
#include "tests/messaging/child_process.h"
#include "tests/messaging/queue_fixture.h"

namespace kx::testing {
namespace {

using nlohmann::json;
using tarnix::testing::Backend;

class KxadminReports : public tarnix::testing::OnEachBackend<QueueFixture> {
 protected:
  // kxadmin's output, which must come with `status`.
  static std::string output(const std::vector<std::string>& args, int status = 0) {
    const KxadminRun run = runKxadmin(args);
    EXPECT_EQ(run.status, status) << run.output;
    return run.output;
  }
  // The browse lines of a queue, one for each message.
  static std::vector<std::string> browseLines(const std::string& queue) {
    std::vector<std::string> lines;
    std::string all = output({"browse", kManager, queue});
    for (std::size_t end; (end = all.find('\n')) != std::string::npos; all.erase(0, end + 1)) {
      lines.push_back(all.substr(0, end));
    }
    return lines;
  }
  // `kxadmin create NAME` with `more`, in this test's database when it is kept in PostgreSQL.
  std::vector<std::string> create(const std::string& name, const std::vector<std::string>& more) {
    std::vector<std::string> args{"create", name};
    if (GetParam() == Backend::kPostgres) args.insert(args.end(), {"--postgres", conninfo()});
    args.insert(args.end(), more.begin(), more.end());
    return args;
  }
  std::string conninfo() const { return database_->conninfo(); }

  static bool contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
  }
};

TEST_P(KxadminReports, PutTakesTheReportWordAsANumberOrNamesAndRefusesAnyOtherWord) {
  defineQueue("R");
  EXPECT_EQ(output({"put", kManager, "Q1", "--text", "a", "--report", "cod,pan,pass-msg-id",
                    "--reply-to-q", "R", "--reply-to-qmgr", kManager})
                .substr(0, 21),
            "put 1 message onto Q1");
  EXPECT_EQ(output({"put", kManager, "Q1", "--text", "b", "--report", "0x1000003"}).substr(0, 21),
            "put 1 message onto Q1");
  // A word that is no word is a mistake in the command line: the one line, status 2, no put.
  for (const char* bad : {"coa,cox", "", "0x100000000", "coa,"}) {
    EXPECT_EQ(output({"put", kManager, "Q1", "--text", "c", "--report", bad}, 2),
              std::string("kxadmin: --report '") + bad +
                  "' is not a report word: a number, or names joined by commas such as "
                  "coa,cod-with-data,expiration,pass-msg-id; no message was put\n");
  }
  EXPECT_EQ(queue_.queryDepth(), 2);

  // The words come back by their names, after the reply-to names and before the data.
  const std::vector<std::string> lines = browseLines("Q1");
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_TRUE(contains(lines[0],
                       " replyto=\"R\" replytoqmgr=\"QM1\" type=Datagram "
                       "report=cod,pan,pass-msg-id data=\"a\""))
      << lines[0];
  EXPECT_TRUE(lines[1].ends_with(" length=1 type=Datagram report=exception,pan,nan data=\"b\""))
      << lines[1];
  const json browsed = json::parse(output({"browse", kManager, "Q1", "--json"}))["messages"];
  EXPECT_EQ(browsed[0]["report"], report::kCod | report::kPan | report::kPassMsgId);
  EXPECT_EQ(browsed[0]["reportNames"], "cod,pan,pass-msg-id");
  EXPECT_EQ(browsed[1]["reportNames"], "exception,pan,nan");
}

TEST_P(KxadminReports, BrowseShowsTypeFeedbackAndTheDeadLetterHeaderBeforeTheData) {
  const auto putMessage = [this](std::int32_t type, std::int32_t feedback, const char* format,
                                 const std::string& data) {
    QueueMessage message;
    message.msgType = type;
    message.feedback = feedback;
    message.format = format;
    message.setData(data.data(), data.size());
    ASSERT_TRUE(queue_.put(message)) << queue_.reason();
  };
  dead_letter::Header header;
  header.reason = reason::kUnknownObjectName;
  header.queue = "NOPE";
  header.manager = kManager;
  header.format = kFormatString;
  header.putDate = "20240229";
  header.putTime = "23595999";
  const std::string original = "the original data";
  putMessage(msgtype::kDatagram, 0, kFormatString, "plain");
  putMessage(msgtype::kReport, feedback::kCoa, kFormatString, "");
  putMessage(msgtype::kReport, reason::kQueueFull, "        ", "x");
  putMessage(msgtype::kReport, feedback::kCod, dead_letter::kFormat,
             dead_letter::write(header) + original);
  putMessage(msgtype::kDatagram, 0, dead_letter::kFormat, "no header after all");
  putMessage(msgtype::kRequest, 0, kFormatString, "?");

  const std::vector<std::string> lines = browseLines("Q1");
  ASSERT_EQ(lines.size(), 6u);
  // A message that is none of these keeps its line as it always was.
  EXPECT_TRUE(lines[0].ends_with(" length=5 data=\"plain\"")) << lines[0];
  EXPECT_FALSE(contains(lines[0], "type=")) << lines[0];
  EXPECT_TRUE(lines[1].ends_with(" type=Report feedback=259 (confirm on arrival) data=\"\""))
      << lines[1];
  EXPECT_TRUE(lines[2].ends_with(" type=Report feedback=2053 (queue full) data=\"x\"")) << lines[2];
  // The header by its fields, then the data as the message had it before it was put aside.
  EXPECT_TRUE(lines[3].ends_with(
      " length=" + std::to_string(dead_letter::headerLength() + original.size()) +
      " type=Report feedback=260 (confirm on delivery) dead-letter-reason=2085 (unknown object "
      "name) destination=\"NOPE\" destination-qmgr=\"QM1\" original-format=\"KXSTR   \" "
      "dead-lettered=20240229 23595999 data=\"the original data\""))
      << lines[3];
  EXPECT_TRUE(lines[4].ends_with(" length=19 data=\"no header after all\"")) << lines[4];
  EXPECT_TRUE(lines[5].ends_with(" type=Request data=\"?\"")) << lines[5];

  const json browsed = json::parse(output({"browse", kManager, "Q1", "--json"}))["messages"];
  ASSERT_EQ(browsed.size(), 6u);
  EXPECT_EQ(browsed[0]["msgTypeName"], "Datagram");
  EXPECT_FALSE(browsed[0].contains("feedbackName"));
  EXPECT_EQ(browsed[0]["reportNames"], "none");
  EXPECT_EQ(browsed[1]["msgTypeName"], "Report");
  EXPECT_EQ(browsed[1]["feedbackName"], "confirm on arrival");
  EXPECT_EQ(browsed[2]["feedbackName"], "queue full");
  EXPECT_EQ(browsed[3]["deadLetterHeader"],
            json::parse(R"({"reason": 2085, "reasonName": "unknown object name", "queue": "NOPE",
                            "queueManager": "QM1", "format": "KXSTR   ", "putDate": "20240229",
                            "putTime": "23595999"})"));
  EXPECT_EQ(browsed[3]["text"], dead_letter::write(header) + original) << "the data stays whole";
  EXPECT_FALSE(browsed[4].contains("deadLetterHeader"));
}

TEST_P(KxadminReports, CreateAndAlterManagerNameTheDeadLetterQueueAndCheckShowsIt) {
  const std::string plain = "QM1: ok (1 local queues, 0 messages)\n";
  EXPECT_EQ(output({"check", kManager}), plain) << "nothing named, nothing discarded";
  EXPECT_EQ(output({"alter-manager", kManager, "--dead-letter", "DLQ"}),
            "QM1's dead-letter queue is now DLQ\n");
  EXPECT_EQ(output({"check", kManager}), "dead-letter queue: DLQ\ndiscarded reports: 0\n" + plain);
  const json checked = json::parse(output({"check", kManager, "--json"}));
  EXPECT_EQ(checked["deadLetterQueue"], "DLQ");
  EXPECT_EQ(checked["discardedReports"], 0);
  // A bad name changes nothing; an empty one takes the queue away.
  EXPECT_TRUE(contains(output({"alter-manager", kManager, "--dead-letter", "no good"}, 1),
                       "(reason 2152)"));
  EXPECT_EQ(json::parse(output({"check", kManager, "--json"}))["deadLetterQueue"], "DLQ");
  EXPECT_EQ(output({"alter-manager", kManager, "--dead-letter", ""}),
            "QM1 has no dead-letter queue now: reports that cannot reach their reply-to queue "
            "are discarded\n");
  EXPECT_EQ(output({"check", kManager}), plain);
  EXPECT_TRUE(contains(output({"alter-manager", kManager}, 2), "--dead-letter is required"));

  // create names it at once, on a stopped queue manager; a bad name makes nothing.
  EXPECT_EQ(output(create("QM2", {"--dead-letter", "DEAD.Q"})),
            std::string("created queue manager QM2") +
                (GetParam() == Backend::kPostgres ? " in PostgreSQL" : "") +
                " (stopped) with dead-letter queue DEAD.Q\n");
  EXPECT_EQ(json::parse(output({"check", "QM2", "--json"}))["deadLetterQueue"], "DEAD.Q");
  EXPECT_EQ(output(create("QM3", {"--dead-letter", "a b"}), 1),
            "kxadmin: bad queue name 'a b' for --dead-letter; nothing was created (reason 2152)\n");
  std::vector<admin::ManagerInfo> managers;
  ASSERT_TRUE(admin::listQueueManagers(managers));
  EXPECT_EQ(managers.size(), 2u) << "QM3 was not made";
}

TEST_P(KxadminReports, AReportThatCannotBeDeliveredShowsOnTheDeadLetterQueueOrInCheck) {
  // No dead-letter queue: the COA for a queue that does not exist goes nowhere, and is counted.
  const std::vector<std::string> put{"put",           kManager,       "Q1",
                                     "--text",        "order 1",      "--report",
                                     "coa-with-data", "--reply-to-q", "NOPE"};
  output(put);
  EXPECT_EQ(output({"check", kManager}),
            "discarded reports: 1 (no dead-letter queue is named)\n"
            "QM1: ok (1 local queues, 1 messages)\n");

  // With one, the report is there behind its header, and browse reads the header.
  output({"alter-manager", kManager, "--dead-letter", "DLQ"});
  defineQueue("DLQ");
  output(put);
  const std::vector<std::string> lines = browseLines("DLQ");
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_TRUE(contains(lines[0], " format=\"KXDEAD  \" ")) << lines[0];
  EXPECT_TRUE(contains(lines[0],
                       " type=Report feedback=259 (confirm on arrival) dead-letter-reason=2085 "
                       "(unknown object name) destination=\"NOPE\" destination-qmgr=\"\" "
                       "original-format=\"KXSTR   \" dead-lettered="))
      << lines[0];
  EXPECT_TRUE(lines[0].ends_with(" data=\"order 1\"")) << lines[0];
  EXPECT_EQ(output({"check", kManager}),
            "dead-letter queue: DLQ\ndiscarded reports: 1\nQM1: ok (2 local queues, 3 messages)\n");

  // A report that arrives: its correlation id is the message's id, shown by browse and get.
  defineQueue("R");
  const KxadminRun delivered = runKxadmin(
      {"put", kManager, "Q1", "--text", "order 2", "--report", "cod", "--reply-to-q", "R"});
  ASSERT_EQ(delivered.status, 0) << delivered.output;
  const std::string msgId = delivered.output.substr(delivered.output.find("msgid ") + 6, 48);
  output({"get", kManager, "Q1", "--msg-id-hex", msgId});
  const std::vector<std::string> reports = browseLines("R");
  ASSERT_EQ(reports.size(), 1u);
  EXPECT_TRUE(contains(reports[0], " correlid=" + msgId + " ")) << reports[0];
  EXPECT_TRUE(contains(reports[0],
                       " replytoqmgr=\"QM1\" type=Report feedback=260 (confirm on "
                       "delivery) data=\"\""))
      << reports[0];
}

TARNIX_ON_EACH_BACKEND(KxadminReports);

}  // namespace
}  // namespace kx::testing
