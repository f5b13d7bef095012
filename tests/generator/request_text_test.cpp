// The request text of a generator run: byte for byte as the plain form writes it, and fields the
// plain form cannot carry quoted and read back whole.
#include "generator/request_text.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tarnix::testing {
namespace {

TEST(RequestText, WorkedExamplesByteForByte) {
  GenerateOptions initial;
  EXPECT_EQ(buildRequest(initial, "QM1", "Q1"), "pz.exe QM1 Q1 0 0 0  b 1024 0 0 0 0 0 0 0 0 0  ");
  EXPECT_EQ(splitRequest(buildRequest(initial, "QM1", "Q1")).size(), 17u);

  GenerateOptions copies;
  copies.messageCount = 100;
  copies.randomSleep = 1;
  copies.sleepMs = 250;
  copies.source = 'q';
  copies.sourceQueueName.assign("SRC.Q");
  copies.correlIdOption = 1;
  copies.persistentOption = 1;
  copies.reportOptions = 256;
  copies.preserveMsgId = 1;
  copies.expiryTenths = 600;
  copies.replyToQueueName.assign("REPLY.Q");
  copies.replyToQmgrName.assign("QM2");
  EXPECT_EQ(buildRequest(copies, "QM1", "Q1"),
            "pz.exe QM1 Q1 100 r 250  q SRC.Q 1 1 256 0 0 0 1 0 600 REPLY.Q QM2");

  GenerateOptions lines;
  lines.messageCount = 5;
  lines.sleepMs = 1000;
  lines.source = 'f';
  lines.sourceFileName.assign("C:\\data\\lines.txt");
  EXPECT_EQ(buildRequest(lines, "QM1", "Q1"),
            "pz.exe QM1 Q1 5 1000 0  f C:\\data\\lines.txt 0 0 0 0 0 0 0 0 0  ");
  EXPECT_EQ(splitRequest(buildRequest(lines, "QM1", "Q1"))[7], "C:\\data\\lines.txt");
}

TEST(RequestText, SleepSourceAndNumbers) {
  GenerateOptions o;
  o.sleepMs = 40;
  std::vector<std::string> fields = splitRequest(buildRequest(o, "QM1", "Q1"));
  EXPECT_EQ(fields[4], "40");
  EXPECT_EQ(fields[5], "0");
  o.randomSleep = 1;
  fields = splitRequest(buildRequest(o, "QM1", "Q1"));
  EXPECT_EQ(fields[4], "r");
  EXPECT_EQ(fields[5], "40");

  // Any source but b and q travels as a file.
  o.source = 'x';
  o.sourceFileName.assign("in.txt");
  fields = splitRequest(buildRequest(o, "QM1", "Q1"));
  EXPECT_EQ(fields[6], "f");
  EXPECT_EQ(fields[7], "in.txt");

  // Unsigned fields travel as the signed numbers of the same 32 bits.
  o.messageCount = 4294967295u;
  o.reportOptions = 0x8000001u;
  o.expiryTenths = 2147483648u;
  fields = splitRequest(buildRequest(o, "QM1", "Q1"));
  EXPECT_EQ(fields[3], "-1");
  EXPECT_EQ(fields[10], "134217729");
  EXPECT_EQ(fields[16], "-2147483648");
}

TEST(RequestText, FieldsThePlainFormCannotCarryAreQuotedAndReadBackWhole) {
  GenerateOptions o;
  o.source = 'f';
  o.sourceFileName.assign(R"(/home/op/test data/"quoted" \ lines.txt)");
  o.replyToQmgrName.assign("QM2");  // with an empty reply-to queue before it
  const std::string request = buildRequest(o, "", "Q 1");
  const std::vector<std::string> fields = splitRequest(request);
  ASSERT_EQ(fields.size(), 19u) << request;
  EXPECT_EQ(fields[1], "");
  EXPECT_EQ(fields[2], "Q 1");
  EXPECT_EQ(fields[3], "0");
  EXPECT_EQ(fields[7], R"(/home/op/test data/"quoted" \ lines.txt)");
  EXPECT_EQ(fields[8], "0");
  EXPECT_EQ(fields[16], "0");
  EXPECT_EQ(fields[17], "");
  EXPECT_EQ(fields[18], "QM2");

  // An empty source queue keeps its place too.
  o.source = 'q';
  const std::vector<std::string> copies = splitRequest(buildRequest(o, "QM1", "Q1"));
  ASSERT_EQ(copies.size(), 19u);
  EXPECT_EQ(copies[7], "");
  EXPECT_EQ(copies[8], "0");
}

TEST(RequestText, SplitterToleratesTextItDidNotWrite) {
  EXPECT_TRUE(splitRequest("").empty());
  EXPECT_TRUE(splitRequest(" \t\r\n").empty());
  EXPECT_EQ(splitRequest("a\t\tb\nc"), (std::vector<std::string>{"a", "b", "c"}));
  EXPECT_EQ(splitRequest("\"open to the end"), (std::vector<std::string>{"open to the end"}));
  EXPECT_EQ(splitRequest("\"a\"\"b\" c\\d"), (std::vector<std::string>{"ab", "c\\d"}));
  EXPECT_EQ(splitRequest("\"ends in \\"), (std::vector<std::string>{"ends in \\"}));
}

}  // namespace
}  // namespace tarnix::testing
