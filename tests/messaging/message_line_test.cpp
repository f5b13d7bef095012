// The JSON form of a message read back, and the base64 and UTF-8 checks under it.
#include "platform/messaging/message_line.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/messaging/base64.h"

namespace kx::testing {
namespace {

TEST(Base64, EveryLengthRoundTripsAndOnlyTheCanonicalFormIsRead) {
  std::vector<std::uint8_t> bytes;
  for (int length = 0; length < 7; ++length) {
    const std::string text = toBase64(bytes);
    EXPECT_EQ(text.size() % 4, 0u);
    EXPECT_EQ(fromBase64(text), bytes) << text;
    bytes.push_back(static_cast<std::uint8_t>(0xFB + length));  // digits + and / too
  }
  EXPECT_EQ(toBase64(std::vector<std::uint8_t>{0xFF, 0x00, 0x61, 0x62}), "/wBhYg==");
  for (const char* bad : {"A", "AB", "ABC", "AB=C", "A===", "====", "QR==", "QUJ=", "AB==AB==",
                          "YW Jj", "YWJj\n", "YW_j", "YW-j", "\xC3\xA9YWJ"}) {
    EXPECT_FALSE(fromBase64(bad)) << bad;
  }
}

TEST(Utf8, WellFormedTextOnly) {
  for (const char* good :
       {"", "plain", "h\xC3\xA9llo", "\xE2\x82\xAC", "\xF0\x9F\x98\x80", "\xF4\x8F\xBF\xBF"}) {
    EXPECT_TRUE(isUtf8(good)) << good;
  }
  for (const char* bad :
       {"\x80", "\xC0\xAF", "\xC3", "\xE0\x80\xAF", "\xED\xA0\x80", "\xF4\x90\x80\x80",
        "\xF8\x88\x80\x80\x80", "\xFE\x80\x80", "\xF5\x80\x80"}) {
    EXPECT_FALSE(isUtf8(bad)) << bad;
  }
}

TEST(MessageLine, ALineReadsBackWholeAndAProblemLeavesTheMessageAlone) {
  QueueMessage message;
  message.replyToQ = "R";
  message.putDate = "20240229";
  message.msgId = *MessageId24::fromText("id");
  message.setData("a\0b", 3);
  const std::string line = messageLine(message);
  EXPECT_EQ(line.find('\n'), std::string::npos);
  EXPECT_NE(line.find(R"("correlId":null)"), std::string::npos) << line;
  QueueMessage read;
  ASSERT_EQ(readMessageLine(line, read), "");
  EXPECT_EQ(read.replyToQ, "R");
  EXPECT_EQ(read.putDate, "20240229");
  EXPECT_EQ(read.msgId, message.msgId);
  EXPECT_TRUE(read.correlId.isNone());
  EXPECT_EQ(read.dataLength(), 3u);

  // The line holds data in two forms; each must be whole, and a bad one changes nothing.
  const std::string cut = line.substr(0, line.size() - 1);
  EXPECT_EQ(readMessageLine(cut, read).rfind("not JSON: ", 0), 0u);
  EXPECT_EQ(read.replyToQ, "R");
  EXPECT_EQ(read.dataLength(), 3u);
}

}  // namespace
}  // namespace kx::testing
