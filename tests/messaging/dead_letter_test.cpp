// The header a message carries on a dead-letter queue: written, read back, and refused when the
// data only looks like one.
#include "platform/messaging/dead_letter.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/messaging/queue_message.h"

namespace kx::dead_letter {
namespace {

std::vector<std::uint8_t> bytesOf(const std::string& text) { return {text.begin(), text.end()}; }

Header sample() {
  Header header;
  header.reason = reason::kUnknownObjectName;
  header.queue = std::string(48, 'Q');  // names of the full width lose nothing
  header.manager = "QM1";
  header.format = "KXSTR   ";
  header.putDate = "20240229";
  header.putTime = "23595999";
  return header;
}

void expectSame(const Header& read, const Header& written) {
  EXPECT_EQ(read.reason, written.reason);
  EXPECT_EQ(read.queue, written.queue);
  EXPECT_EQ(read.manager, written.manager);
  EXPECT_EQ(read.format, written.format);
  EXPECT_EQ(read.putDate, written.putDate);
  EXPECT_EQ(read.putTime, written.putTime);
}

TEST(DeadLetterHeader, ReadsBackWhatWasWrittenWithTheDataAfterIt) {
  const Header written = sample();
  const std::string text = write(written);
  ASSERT_EQ(text.size(), headerLength());
  EXPECT_EQ(text.back(), '\n') << "one line, so that a browser shows it apart from the data";
  const auto read = dead_letter::read(bytesOf(text + "the original data"));
  ASSERT_TRUE(read);
  expectSame(*read, written);

  // Short names come back without their padding; a format keeps its blanks; any reason fits.
  Header other = sample();
  other.queue = "R";
  other.manager = "";
  other.format = "";
  other.reason = -7;
  const auto again = dead_letter::read(bytesOf(write(other)));
  ASSERT_TRUE(again);
  EXPECT_EQ(again->queue, "R");
  EXPECT_EQ(again->manager, "");
  EXPECT_EQ(again->format, "        ");
  EXPECT_EQ(again->reason, -7);
  other.reason = 999999999;
  EXPECT_EQ(dead_letter::read(bytesOf(write(other)))->reason, 999999999);
}

TEST(DeadLetterHeader, TruncatedOrForeignDataReadsAsNoHeader) {
  const std::string text = write(sample());
  EXPECT_FALSE(read({}));
  EXPECT_FALSE(read(bytesOf(text.substr(0, text.size() - 1)))) << "one byte short";
  EXPECT_FALSE(read(bytesOf(std::string(headerLength(), ' '))));
  EXPECT_FALSE(
      read(bytesOf("plain text that is long enough to be taken for a header, if only "
                   "the length were checked; it goes on and on for a few more lines of "
                   "text to be sure of it, well past the width of a header\n")));
  // The same line with one thing wrong in it.
  const auto spoiled = [&](std::size_t at, char with) {
    std::string copy = text;
    copy[at] = with;
    return read(bytesOf(copy));
  };
  EXPECT_FALSE(spoiled(0, 'X')) << "another mark";
  EXPECT_FALSE(spoiled(text.size() - 1, ' ')) << "no end of line";
  EXPECT_FALSE(spoiled(14, 'x')) << "a reason that is no number";
  // Each field must be followed by its blank: a line whose fields sit elsewhere is not one this
  // store wrote. After the mark and the reason, the queue, the manager and the format.
  const std::size_t reasonEnd = 7 + 9;
  for (const std::size_t gap :
       {reasonEnd, reasonEnd + 1 + kNameWidth, reasonEnd + 2 + 2 * kNameWidth,
        reasonEnd + 3 + 2 * kNameWidth + kFormatWidth}) {
    ASSERT_EQ(text[gap], ' ') << gap;
    EXPECT_FALSE(spoiled(gap, 'Z')) << "the blank at " << gap;
  }
}

}  // namespace
}  // namespace kx::dead_letter
