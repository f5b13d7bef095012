// The message data's menu: the shown message saved as a JSON line kxadmin imports or as its data
// bytes, and its data copied as text or hex.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/messaging/message_line.h"
#include "platform/toolkit/message_box.h"
#include "tests/monitor/monitor_fixture.h"

namespace tarnix::testing {
namespace {

namespace fs = std::filesystem;
using MessageDetailMenu = MonitorFixture;

std::string contentOf(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST_F(MessageDetailMenu, SavesTheShownMessageAsAJsonLineOrItsDataAndCopiesItsData) {
  defineQueue("Q1");
  kx::QueueMessage first;
  first.setData("first", 5);
  kx::QueueMessage second;
  const std::string data("Hi\0\xFF", 4);
  second.setData(data.data(), data.size());
  second.replyToQ = "REPLY.Q";
  second.priority = 6;
  second.correlId = *kx::MessageId24::fromText("corr");
  Client client("Q1");
  ASSERT_TRUE(client.queue.put(first));
  ASSERT_TRUE(client.queue.put(second));
  tk::HeadlessWindow& w = open({"Q1"});
  EXPECT_EQ(w.contextActions(ctl::kMessageData),
            (std::vector<std::string>{"Save message...", "Copy as text", "Copy as hex"}));

  // Nothing shown yet: each entry says so and touches nothing.
  w.chooseContextAction(ctl::kMessageData, "Copy as text");
  ASSERT_EQ(w.notices().size(), 1u);
  EXPECT_EQ(w.notices()[0].text, "No message is shown: display one first.");
  w.dismissNotices();

  w.setText(ctl::kNumber, "2");
  w.chooseContextAction(ctl::kMessageData, "Copy as text");
  EXPECT_EQ(toolkit_.clipboard(), "Hi") << "as the text form shows it, to the zero byte";
  w.chooseContextAction(ctl::kMessageData, "Copy as hex");
  EXPECT_EQ(toolkit_.clipboard(), "48 69 00 FF");

  // The JSON line is what kxadmin imports: every field of the message shown.
  const fs::path line = dataDir_ / "saved.jsonl";
  toolkit_.answerNextSaveFile(tk::Window::SaveChoice{line.string(), 0});
  w.chooseContextAction(ctl::kMessageData, "Save message...");
  ASSERT_EQ(toolkit_.saveDialogs().size(), 1u);
  EXPECT_EQ(toolkit_.saveDialogs()[0].forms.size(), 2u);
  EXPECT_EQ(toolkit_.saveDialogs()[0].suggestedName, second.msgId.toHex().substr(0, 16) + ".jsonl");
  const std::string saved = contentOf(line);
  ASSERT_FALSE(saved.empty());
  EXPECT_EQ(saved.find('\n'), saved.size() - 1) << "one line";
  kx::QueueMessage read;
  ASSERT_EQ(kx::readMessageLine(saved.substr(0, saved.size() - 1), read), "");
  EXPECT_EQ(read.msgId, second.msgId);
  EXPECT_EQ(read.correlId, second.correlId);
  EXPECT_EQ(read.replyToQ, "REPLY.Q");
  EXPECT_EQ(read.priority, 6);
  EXPECT_EQ(read.putDate, w.textOf(ctl::kPutDate));
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(read.data().data()), read.dataLength()),
            data);
  EXPECT_EQ(fs::status(line).permissions() & fs::perms::all,
            fs::perms::owner_read | fs::perms::owner_write);

  // The data bytes alone, every one of them; a cancelled dialog writes nothing.
  const fs::path bytes = dataDir_ / "saved.bin";
  toolkit_.answerNextSaveFile(tk::Window::SaveChoice{bytes.string(), 1});
  w.chooseContextAction(ctl::kMessageData, "Save message...");
  EXPECT_EQ(contentOf(bytes), data);
  toolkit_.answerNextSaveFile(std::nullopt);
  w.chooseContextAction(ctl::kMessageData, "Save message...");
  EXPECT_TRUE(w.notices().empty() || !w.notices().back().open);

  // A file that cannot be written is said, not passed over.
  toolkit_.answerNextSaveFile(tk::Window::SaveChoice{(dataDir_ / "none" / "x").string(), 0});
  w.chooseContextAction(ctl::kMessageData, "Save message...");
  ASSERT_FALSE(w.notices().empty());
  EXPECT_EQ(w.notices().back().text, "The message was not saved to " +
                                         (dataDir_ / "none" / "x").string() +
                                         ": No such file or directory.");
  EXPECT_EQ(w.notices().back().style, tk::mb::kIconError);
  w.dismissNotices();

  // Once the data show a blank (no third message), there is nothing to save or copy.
  w.setText(ctl::kNumber, "3");
  w.chooseContextAction(ctl::kMessageData, "Copy as hex");
  EXPECT_EQ(toolkit_.clipboard(), "48 69 00 FF");
  EXPECT_EQ(w.notices().back().text, "No message is shown: display one first.");
  EXPECT_EQ(toolkit_.saveDialogs().size(), 4u);
}

}  // namespace
}  // namespace tarnix::testing
