// kxadmin's --json documents parsed back, and where it says the data directory comes from.
#include <gtest/gtest.h>

#include <cstdlib>
#include <nlohmann/json.hpp>
#include <string>

#include "platform/messaging/store_admin.h"
#include "tests/messaging/child_process.h"
#include "tests/messaging/queue_fixture.h"

namespace kx::testing {
namespace {

using nlohmann::json;

class KxadminJson : public QueueFixture {
 protected:
  // Runs kxadmin, which must succeed, and parses what it printed as one document.
  json document(const std::vector<std::string>& args, int status = 0) {
    const KxadminRun run = runKxadmin(args);
    EXPECT_EQ(run.status, status) << run.output;
    return json::parse(run.output);  // throws, failing the test, on anything but one document
  }
};

TEST_F(KxadminJson, ListAndQueuesGiveTheDirectoryTheManagersAndTheQueuesWithTheirDepths) {
  ASSERT_TRUE(admin::createQueueManager("QM2"));
  ASSERT_TRUE(admin::setDefaultQueueManager("QM2"));
  defineAlias("A1", "Q1");
  putText(queue_, "one");
  putText(queue_, "two");
  EXPECT_EQ(document({"list", "--json"}),
            json::parse(R"({"dataDirectory": )" + json(dataDir_.string()).dump() + R"(,
              "dataDirectoryFrom": "KX_DATA_DIR",
              "queueManagers": [
                {"name": "QM1", "state": "running", "store": "file", "default": false},
                {"name": "QM2", "state": "stopped", "store": "file", "default": true}]})"));
  EXPECT_EQ(document({"queues", "QM1", "--json"}), json::parse(R"({"queueManager": "QM1",
              "queues": [{"name": "A1", "type": "alias", "target": "Q1"},
                         {"name": "Q1", "type": "local", "depth": 2, "maxDepth": 5000}]})"));

  // Without KX_DATA_DIR, XDG_DATA_HOME names the folder, and --help and list say so.
  const std::string kept = dataDir_.string();
  ::unsetenv("KX_DATA_DIR");
  ::setenv("XDG_DATA_HOME", kept.c_str(), 1);
  const json listed = document({"list", "--json"});
  EXPECT_EQ(listed["dataDirectory"], kept + "/kx");
  EXPECT_EQ(listed["dataDirectoryFrom"], "XDG_DATA_HOME");
  EXPECT_EQ(listed["queueManagers"], json::array());
  const KxadminRun help = runKxadmin({"--help"});
  EXPECT_NE(help.output.find("Data directory: " + kept + "/kx (from XDG_DATA_HOME;"),
            std::string::npos)
      << help.output;
  EXPECT_EQ(runKxadmin({"list"}).output,
            "no queue managers in " + kept + "/kx (from XDG_DATA_HOME)\n");
  ::unsetenv("XDG_DATA_HOME");
  ::setenv("KX_DATA_DIR", kept.c_str(), 1);
  EXPECT_EQ(runKxadmin({"list"}).output,
            "queue managers in " + kept +
                " (from KX_DATA_DIR):\n"
                "QUEUE MANAGER                                     STATE\n"
                "QM1                                               running\n"
                "QM2                                               stopped  default\n");
}

TEST_F(KxadminJson, BrowseGivesEveryDescriptorFieldByNameAndTheDataAsBase64AndText) {
  QueueMessage full;
  full.msgType = msgtype::kRequest;
  full.expiry = 600000;
  full.feedback = 3;
  full.format = "MYFMT   ";
  full.priority = 7;
  full.persistent = 1;
  full.report = 0x100;
  full.replyToQ = "REPLY.Q";
  full.replyQmgr = "QM9";
  full.correlId = *MessageId24::fromText("corr");
  const std::string text = "h\xC3\xA9llo";  // héllo
  full.setData(text.data(), text.size());
  ASSERT_TRUE(queue_.put(full)) << queue_.reason();
  QueueMessage binary;  // not UTF-8: an invalid byte, then a NUL
  const std::uint8_t bytes[] = {0xFF, 0x00, 0x61, 0x62};
  binary.setData(bytes, sizeof bytes);
  ASSERT_TRUE(queue_.put(binary));

  const json browsed = document({"browse", "QM1", "Q1", "--json"});
  EXPECT_EQ(browsed["queueManager"], "QM1");
  EXPECT_EQ(browsed["queue"], "Q1");
  ASSERT_EQ(browsed["messages"].size(), 2u);
  json first = browsed["messages"][0];
  EXPECT_EQ(first["msgId"], full.msgId.toHex());
  EXPECT_EQ(first["putDate"].get<std::string>().size(), 8u);
  EXPECT_EQ(first["putTime"].get<std::string>().size(), 8u);
  EXPECT_LE(first["expiry"].get<int>(), 600000);
  EXPECT_GT(first["expiry"].get<int>(), 590000);
  for (const char* varying : {"msgId", "putDate", "putTime", "expiry"}) first.erase(varying);
  EXPECT_EQ(first, json::parse(R"({"number": 1, "msgType": 1, "feedback": 3, "ccsid": 1208,
      "format": "MYFMT   ", "priority": 7, "persistent": 1, "report": 256, "backoutCount": 0,
      "replyToQ": "REPLY.Q", "replyQmgr": "QM9", "putAppl": "messaging_tests",
      "putApplType": 6, "correlId": ")" +
                               full.correlId.toHex() + R"(",
      "length": 6, "data": "aMOpbGxv", "text": "héllo", "msgTypeName": "Request",
      "feedbackName": "unknown reason", "reportNames": "coa"})"));
  const json& second = browsed["messages"][1];
  EXPECT_EQ(second["data"], "/wBhYg==");
  EXPECT_EQ(second["length"], 4);
  EXPECT_FALSE(second.contains("text")) << "not UTF-8: base64 only";

  // An empty queue is an empty list; nothing was taken by either browse.
  EXPECT_EQ(queue_.queryDepth(), 2);
  ASSERT_TRUE(admin::defineLocalQueue(kManager, "EMPTY"));
  EXPECT_EQ(document({"browse", "QM1", "EMPTY", "--json"})["messages"], json::array());
}

TEST_F(KxadminJson, CheckGivesTheCountsAndPutTextGivesTheStringFormat) {
  EXPECT_EQ(runKxadmin({"put", "QM1", "Q1", "--text", "hello", "--count", "2"}).status, 0);
  EXPECT_EQ(document({"check", "QM1", "--json"}),
            json::parse(R"({"queueManager": "QM1", "sound": true, "localQueues": 1,
                            "messages": 2, "problems": [], "deadLetterQueue": null,
                            "discardedReports": 0})"));
  QueueMessage got;
  ASSERT_TRUE(queue_.get(got, GetOptions{}));
  EXPECT_EQ(got.format, kFormatString) << "the monitor's Format box shows it as text";
  // --format still names another.
  EXPECT_EQ(runKxadmin({"put", "QM1", "Q1", "--text", "x", "--format", "OTHER"}).status, 0);
  const json browsed = document({"browse", "QM1", "Q1", "--json"});
  EXPECT_EQ(browsed["messages"][0]["format"], kFormatString);
  EXPECT_EQ(browsed["messages"][1]["format"], "OTHER   ");
}

}  // namespace
}  // namespace kx::testing
