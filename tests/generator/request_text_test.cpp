// The request text of a generator run: byte for byte as the plain form writes it, and fields the
// plain form cannot carry quoted and read back whole.
#include "generator/request_text.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tarnix::testing {
namespace {

TEST(RequestText, WrittenByteForByte) {
  const std::string initial = buildRequest({}, "QM1", "Q1");
  EXPECT_EQ(initial, "pz.exe QM1 Q1 0 0 0  b 1024 0 0 0 0 0 0 0 0 0  ");
  EXPECT_EQ(splitRequest(initial).size(), 17u);

  GenerateOptions copies;
  copies.messageCount = 100;
  copies.sleepMs = 250;
  copies.randomSleep = 1;
  copies.source = 'q';
  copies.correlIdOption = 1;
  copies.persistentOption = 1;
  copies.preserveMsgId = 1;
  copies.expiryTenths = 600;
  copies.reportOptions = 256;
  copies.sourceQueueName.assign("SRC.Q");
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

  // Any source but b and q travels as a file; unsigned fields as the signed numbers of their bits.
  GenerateOptions odd;
  odd.messageCount = 4294967295u;
  odd.source = 'x';
  odd.expiryTenths = 2147483648u;
  odd.reportOptions = 0x8000001u;
  odd.sourceFileName.assign("in.txt");
  EXPECT_EQ(buildRequest(odd, "QM1", "Q1"),
            "pz.exe QM1 Q1 -1 0 0  f in.txt 0 0 134217729 0 0 0 0 0 -2147483648  ");
}

TEST(RequestText, FieldsThePlainFormCannotCarryAreQuotedAndReadBackWhole) {
  const std::string file = R"(/home/op/test data/"quoted" \ lines.txt)";
  GenerateOptions o;
  o.source = 'f';
  o.sourceFileName.assign(file);
  o.replyToQmgrName.assign("QM2");  // with an empty reply-to queue before it
  const std::string request = buildRequest(o, "", "Q 1");
  EXPECT_EQ(splitRequest(request),
            (std::vector<std::string>{"pz.exe", "", "Q 1", "0", "0", "0", "f", file, "0", "0", "0",
                                      "0", "0", "0", "0", "0", "0", "", "QM2"}))
      << request;
  // An empty source queue keeps its place too.
  o.source = 'q';
  EXPECT_EQ(splitRequest(buildRequest(o, "QM1", "Q1"))[7], "");
}

TEST(RequestText, SplitterToleratesTextItDidNotWrite) {
  EXPECT_TRUE(splitRequest(" \t\r\n").empty());
  EXPECT_EQ(splitRequest("a\t\tb\nc"), (std::vector<std::string>{"a", "b", "c"}));
  EXPECT_EQ(splitRequest("\"open to the end"), (std::vector<std::string>{"open to the end"}));
  EXPECT_EQ(splitRequest("\"a\"\"b\" c\\d"), (std::vector<std::string>{"ab", "c\\d"}));
  EXPECT_EQ(splitRequest("\"ends in \\"), (std::vector<std::string>{"ends in \\"}));
}

}  // namespace
}  // namespace tarnix::testing
