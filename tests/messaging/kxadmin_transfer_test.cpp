// kxadmin export and import: every descriptor field survives the way out and back on each
// backend and across them, --take loses nothing when killed, and a bad line is refused by number
// with nothing half-put.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "platform/messaging/message_line.h"
#include "platform/messaging/store_admin.h"
#include "tests/messaging/child_process.h"
#include "tests/messaging/queue_fixture.h"

namespace kx::testing {
namespace {

namespace fs = std::filesystem;
using tarnix::testing::Backend;

// A message with every descriptor field away from its default, and data that is not text.
QueueMessage unusualMessage() {
  QueueMessage message;
  message.msgType = msgtype::kRequest;
  message.expiry = 600000;
  message.feedback = -7;
  message.ccsid = 437;
  message.format = "MYFMT";
  message.priority = 9;
  message.persistent = 1;
  message.report = 0x700;
  message.backoutCount = 3;
  message.replyToQ = std::string(kNameWidth, 'R');
  message.replyQmgr = "QM.REPLY";
  message.correlId = *MessageId24::fromHex("00FF" + std::string(44, '7'));
  const std::uint8_t data[] = {0xFF, 0x00, 0x41, 0x0A, 0x22, 0x5C};
  message.setData(data, sizeof data);
  return message;
}

std::vector<QueueMessage> browseAll(IkxQueue& queue) {
  std::vector<QueueMessage> messages;
  GetOptions options{getopt::kBrowseFirst};
  for (;;) {
    QueueMessage message;
    if (!queue.get(message, options)) break;
    messages.push_back(message);
    options.options = getopt::kBrowseNext;
  }
  return messages;
}

std::vector<std::string> linesOf(const fs::path& path) {
  std::ifstream in(path);
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// Every field, each compared by itself (the id and put context where they were to be kept); the
// expiry counts down while the message waits.
void expectSameMessage(const QueueMessage& got, const QueueMessage& want, bool sameContext) {
  if (sameContext) {
    EXPECT_EQ(got.msgId, want.msgId);
  }
  EXPECT_EQ(got.correlId, want.correlId);
  EXPECT_EQ(got.msgType, want.msgType);
  EXPECT_LE(got.expiry, want.expiry);
  EXPECT_GT(got.expiry, want.expiry == kExpiryUnlimited ? -2 : want.expiry - 600);
  EXPECT_EQ(got.feedback, want.feedback);
  EXPECT_EQ(got.ccsid, want.ccsid);
  EXPECT_EQ(got.format, want.format);
  EXPECT_EQ(got.priority, want.priority);
  EXPECT_EQ(got.persistent, want.persistent);
  EXPECT_EQ(got.report, want.report);
  EXPECT_EQ(got.backoutCount, want.backoutCount);
  EXPECT_EQ(got.replyToQ, want.replyToQ);
  EXPECT_EQ(got.replyQmgr, want.replyQmgr);
  if (sameContext) {
    EXPECT_EQ(got.putAppl, want.putAppl);
    EXPECT_EQ(got.putApplType, want.putApplType);
    EXPECT_EQ(got.putDate, want.putDate);
    EXPECT_EQ(got.putTime, want.putTime);
  }
  EXPECT_EQ(std::vector<std::uint8_t>(got.data().begin(), got.data().end()),
            std::vector<std::uint8_t>(want.data().begin(), want.data().end()));
}

class KxadminTransfer : public QueueFixture {
 protected:
  fs::path file(const std::string& name) const { return dataDir_ / name; }

  // Three messages on Q1: the unusual one, one of text with a put context of its own (an import
  // kept it), and an empty one; gives them as browsed.
  std::vector<QueueMessage> fillQ1() {
    QueueMessage unusual = unusualMessage();
    EXPECT_TRUE(queue_.put(unusual)) << queue_.reason();
    QueueMessage text;
    text.setData("h\xC3\xA9llo\n", 7);
    text.keepPutContext = true;
    text.putAppl = std::string(kPutApplWidth, 'A');
    text.putApplType = 11;
    text.putDate = "19991231";
    text.putTime = "23595999";
    EXPECT_TRUE(queue_.put(text)) << queue_.reason();
    QueueMessage empty;
    empty.msgId = *MessageId24::fromText("chosen id");
    EXPECT_TRUE(queue_.put(empty)) << queue_.reason();
    return browseAll(queue_);
  }

  // Exports Q1 of `from` and imports it into Q2 of `to` with both flags; gives Q2 as browsed.
  std::vector<QueueMessage> moveAll(const std::string& from, const std::string& to,
                                    const std::vector<std::string>& flags) {
    const fs::path out = file("move-" + from + "-" + to + ".jsonl");
    const KxadminRun exported = runKxadmin({"export", from, "Q1", "--to", out.string()});
    EXPECT_EQ(exported.status, 0) << exported.output;
    std::vector<std::string> args = {"import", to, "Q2", "--from", out.string()};
    args.insert(args.end(), flags.begin(), flags.end());
    const KxadminRun imported = runKxadmin(args);
    EXPECT_EQ(imported.status, 0) << imported.output;
    IkxQueueManager manager;
    manager.setManagerName(to);
    EXPECT_TRUE(manager.connect()) << manager.reason();
    IkxQueue queue;
    queue.bindManager(manager);
    queue.setQueueName("Q2");
    return browseAll(queue);
  }
};

class KxadminTransferOnEachBackend : public tarnix::testing::OnEachBackend<KxadminTransfer> {};

TEST_P(KxadminTransferOnEachBackend, ExportThenImportGivesBackEveryFieldOrNewIdsAndContext) {
  const std::vector<QueueMessage> original = fillQ1();
  ASSERT_EQ(original.size(), 3u);
  defineQueue("Q2");

  const std::vector<QueueMessage> kept =
      moveAll(kManager, kManager, {"--keep-ids", "--keep-context"});
  ASSERT_EQ(kept.size(), 3u);
  for (std::size_t i = 0; i < kept.size(); ++i) {
    SCOPED_TRACE(i);
    expectSameMessage(kept[i], original[i], true);
  }
  EXPECT_EQ(kept[1].putDate, "19991231");
  EXPECT_EQ(kept[1].putTime, "23595999");

  // Without the flags, the queue manager gives its own ids and put context, as to any put; the
  // correlation ids are the application's and stay.
  ASSERT_TRUE(admin::defineLocalQueue(kManager, "Q3"));
  const fs::path out = file("plain.jsonl");
  ASSERT_EQ(runKxadmin({"export", kManager, "Q1", "--to", out.string()}).status, 0);
  const KxadminRun imported = runKxadmin({"import", kManager, "Q3", "--from", out.string()});
  EXPECT_EQ(imported.status, 0) << imported.output;
  EXPECT_EQ(imported.output, "imported 3 messages onto Q3\n");
  IkxQueue q3;
  attach(manager_, q3, "Q3");
  const std::vector<QueueMessage> renewed = browseAll(q3);
  ASSERT_EQ(renewed.size(), 3u);
  for (std::size_t i = 0; i < renewed.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_NE(renewed[i].msgId, original[i].msgId);
    EXPECT_FALSE(renewed[i].msgId.isNone());
    EXPECT_EQ(renewed[i].putAppl, "kxadmin");
    EXPECT_EQ(renewed[i].putApplType, kPutApplTypeThisPlatform);
    expectSameMessage(renewed[i], original[i], false);
  }
  EXPECT_NE(renewed[1].putDate, "19991231");
  // A browse took nothing.
  EXPECT_EQ(queue_.queryDepth(), 3);
}

TEST_P(KxadminTransferOnEachBackend, TakeLeavesEachMessageInTheFileOrOnTheQueueWhenKilled) {
  constexpr int kCount = 20000;
  ASSERT_TRUE(admin::alterMaxDepth(kManager, "Q1", kCount));
  const std::vector<std::uint8_t> data(1024, 'x');
  ASSERT_TRUE(admin::loadMessages(kManager, "Q1", kCount, data, false));
  std::set<std::string> before;
  for (const QueueMessage& message : browseAll(queue_)) before.insert(message.msgId.toHex());
  ASSERT_EQ(before.size(), std::size_t{kCount});

  const fs::path out = file("taken.jsonl");
  ChildProcess child(KXADMIN, {"export", kManager, "Q1", "--take", "--to", out.string()}, true);
  // Killed as soon as its first lines are out, so that it dies in the middle of the run.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (!(fs::exists(out) && fs::file_size(out) > 0) &&
         std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::microseconds(200));
  }
  child.kill(SIGKILL);
  const int status = child.wait();
  ASSERT_TRUE(WIFSIGNALED(status)) << "the export ended before it could be killed";

  std::set<std::string> accounted;
  const std::vector<std::string> lines = linesOf(out);
  for (std::size_t i = 0; i < lines.size(); ++i) {
    QueueMessage message;
    const std::string problem = readMessageLine(lines[i], message);
    // Only the last line may have been cut short by the kill.
    if (!problem.empty() && i + 1 == lines.size()) break;
    ASSERT_EQ(problem, "") << "line " << i + 1;
    accounted.insert(message.msgId.toHex());
  }
  const std::int32_t left = queue_.queryDepth();
  EXPECT_GT(left, 0) << "killed midway";
  EXPECT_FALSE(accounted.empty()) << "killed midway";
  for (const QueueMessage& message : browseAll(queue_)) accounted.insert(message.msgId.toHex());
  std::vector<std::string> lost;
  std::set_difference(before.begin(), before.end(), accounted.begin(), accounted.end(),
                      std::back_inserter(lost));
  EXPECT_EQ(lost.size(), 0u) << "every message is in the file or still queued";
  EXPECT_EQ(accounted.size(), before.size()) << "and none other";
}

TARNIX_ON_EACH_BACKEND(KxadminTransferOnEachBackend);

// The queue manager kept in PostgreSQL and one in the embedded store, each way.
class KxadminTransferAcrossBackends : public KxadminTransfer {
 protected:
  Backend backend() const override { return Backend::kPostgres; }
};

TEST_F(KxadminTransferAcrossBackends, EveryFieldSurvivesTheMoveEachWay) {
  ASSERT_TRUE(admin::createQueueManager("QM2"));
  ASSERT_TRUE(admin::startQueueManager("QM2"));
  ASSERT_TRUE(admin::defineLocalQueue("QM2", "Q1"));
  ASSERT_TRUE(admin::defineLocalQueue("QM2", "Q2"));
  defineQueue("Q2");
  const std::vector<QueueMessage> original = fillQ1();
  ASSERT_EQ(original.size(), 3u);

  const std::vector<QueueMessage> inFile =
      moveAll(kManager, "QM2", {"--keep-ids", "--keep-context"});
  ASSERT_EQ(inFile.size(), 3u);
  for (std::size_t i = 0; i < 3; ++i) expectSameMessage(inFile[i], original[i], true);

  // And back, from the embedded store's Q1 (filled through it) into PostgreSQL's Q2.
  IkxQueueManager qm2;
  IkxQueue there;
  qm2.setManagerName("QM2");
  ASSERT_TRUE(qm2.connect());
  there.bindManager(qm2);
  there.setQueueName("Q1");
  for (QueueMessage message : original) {
    message.keepPutContext = true;
    ASSERT_TRUE(there.put(message)) << there.reason();
  }
  const std::vector<QueueMessage> back = moveAll("QM2", kManager, {"--keep-ids", "--keep-context"});
  ASSERT_EQ(back.size(), 3u);
  for (std::size_t i = 0; i < 3; ++i) expectSameMessage(back[i], original[i], true);
}

class KxadminImport : public KxadminTransfer {
 protected:
  // Imports a good line, then `bad`; gives what kxadmin said, which must be a refusal.
  std::string refusal(const std::string& bad, const std::vector<std::string>& flags = {}) {
    QueueMessage good;
    good.setData("good", 4);
    good.putDate = "20240229";  // a put context that may be kept
    good.putTime = "23595999";
    const fs::path in = file("bad.jsonl");
    std::ofstream(in) << messageLine(good) << "\n\n" << bad << "\n" << messageLine(good) << "\n";
    std::vector<std::string> args = {"import", kManager, "Q1", "--from", in.string()};
    args.insert(args.end(), flags.begin(), flags.end());
    const KxadminRun run = runKxadmin(args);
    EXPECT_EQ(run.status, 1) << run.output;
    return run.output;
  }
};

TEST_F(KxadminImport, ABadLineStopsTheImportByItsNumberWithTheMessagesBeforeItPut) {
  QueueMessage sample;
  sample.setData("abc", 3);
  const nlohmann::json good = messageJson(sample);
  const auto with = [&](const char* field, const nlohmann::json& value) {
    nlohmann::json line = good;
    line[field] = value;
    return line.dump();
  };
  nlohmann::json missing = good;
  missing.erase("replyQmgr");
  const std::string prefix = "kxadmin: line 3 of '" + file("bad.jsonl").string() + "': ";
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"{\"msgType\": 8,", "not JSON: "},
      {"[1, 2]", "not a JSON object"},
      {missing.dump(), "the field 'replyQmgr' is missing"},
      {with("priority", "9"), "'priority' is not an integer"},
      {with("expiry", 1.5), "'expiry' is not an integer"},
      {with("ccsid", 4294967296), "'ccsid' is out of the 32-bit range"},
      {with("format", 12), "'format' is not a text"},
      {with("format", "TOOLONGFT"), "'format' is longer than 8 bytes"},
      {with("replyToQ", std::string(49, 'Q')), "'replyToQ' is longer than 48 bytes"},
      {with("putAppl", std::string(29, 'A')), "'putAppl' is longer than 28 bytes"},
      {with("msgId", std::string(46, 'A')), "'msgId' is neither 48 hex digits (24 bytes) nor null"},
      {with("correlId", std::string(48, 'G')), "'correlId' is neither 48 hex digits"},
      {with("data", "YWJj="), "'data' is not base64"},
      {with("data", "YWJ="), "'data' is not base64"},
      {with("data", nullptr), "'data' is not a text"},
      {with("length", 4), "'length' is not the length of 'data' (3)"},
      {with("text", "abd"), "'text' is not the text of 'data'"},
      {with("msgid", nullptr), "unknown field 'msgid'"},
  };
  std::int32_t depth = 0;
  for (const auto& [line, problem] : cases) {
    SCOPED_TRACE(line);
    const std::string said = refusal(line);
    EXPECT_EQ(said.rfind(prefix + problem, 0), 0u) << said;
    EXPECT_NE(said.find("; 1 message was put (reason 7011)\n"), std::string::npos) << said;
    EXPECT_EQ(queue_.queryDepth(), ++depth) << "the good line before it, nothing after";
  }

  // A put context to keep must be a real date and time: the queue manager refuses it whole.
  nlohmann::json badDate = good;
  badDate["putDate"] = "20230230";
  badDate["putTime"] = "12000000";
  const std::string said = refusal(badDate.dump(), {"--keep-context"});
  EXPECT_NE(said.find("line 3 of"), std::string::npos) << said;
  EXPECT_NE(said.find("; 1 message was put (reason 7011)"), std::string::npos) << said;
  EXPECT_EQ(queue_.queryDepth(), depth + 1);
  for (const QueueMessage& message : browseAll(queue_)) EXPECT_EQ(textOf(message), "good");

  // A file that is missing is refused before anything is put.
  const KxadminRun none = runKxadmin({"import", kManager, "Q1", "--from", file("none").string()});
  EXPECT_EQ(none.status, 1);
  EXPECT_NE(none.output.find("no message was put"), std::string::npos) << none.output;
}

TEST_F(KxadminImport, ExportNeverOverwritesAFileAndCountsWhatItTook) {
  put("Q1", 3);
  const fs::path out = file("kept.jsonl");
  std::ofstream(out) << "earlier export\n";
  const KxadminRun refused = runKxadmin({"export", kManager, "Q1", "--take", "--to", out.string()});
  EXPECT_EQ(refused.status, 1);
  EXPECT_NE(refused.output.find("(an export never overwrites a file); nothing was exported"),
            std::string::npos)
      << refused.output;
  EXPECT_EQ(linesOf(out), std::vector<std::string>{"earlier export"});
  EXPECT_EQ(queue_.queryDepth(), 3);

  const fs::path two = file("two.jsonl");
  const KxadminRun took =
      runKxadmin({"export", kManager, "Q1", "--take", "--count", "2", "--to", two.string()});
  EXPECT_EQ(took.status, 0) << took.output;
  EXPECT_EQ(took.output,
            "exported 2 messages from Q1 to '" + two.string() + "' and took them off the queue\n");
  EXPECT_EQ(linesOf(two).size(), 2u);
  EXPECT_EQ(queue_.queryDepth(), 1);
  EXPECT_EQ(fs::status(two).permissions() & fs::perms::all,
            fs::perms::owner_read | fs::perms::owner_write);
}

}  // namespace
}  // namespace kx::testing
