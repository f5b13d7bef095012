// The report word as an operator writes it (kxadmin put --report) and as browse shows it.
#include "platform/messaging/report_word.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace kx::report {
namespace {

TEST(ReportWord, ReadsDecimalAndHexNumbersWithinThirtyTwoBits) {
  EXPECT_EQ(parseWord("0"), 0);
  EXPECT_EQ(parseWord("256"), kCoa);
  EXPECT_EQ(parseWord("2147483647"), INT32_MAX);
  EXPECT_EQ(parseWord("0x3800"), kCodWithFullData);
  EXPECT_EQ(parseWord("0XE00000"), kExpirationWithFullData);
  // Every bit may be given in hexadecimal, the top one too.
  EXPECT_EQ(parseWord("0xFFFFFFFF"), -1);
  for (const char* bad : {"2147483648", "0x100000000", "99999999999", "0x", "12abc", "0x12G", "-1",
                          "+5", " 256", "256 ", ""}) {
    EXPECT_EQ(parseWord(bad), std::nullopt) << '"' << bad << '"';
  }
}

TEST(ReportWord, ReadsNamesJoinedByCommasAndRefusesAnyUnknownOne) {
  EXPECT_EQ(parseWord("none"), 0);
  EXPECT_EQ(parseWord("coa"), kCoa);
  EXPECT_EQ(parseWord("coa,cod-with-data,expiration,pass-msg-id"),
            kCoa | kCodWithData | kExpiration | kPassMsgId);
  EXPECT_EQ(parseWord("exception-with-full-data,pan,nan,pass-correl-id,discard-msg"),
            kExceptionWithFullData | kPan | kNan | kPassCorrelId | kDiscardMsg);
  EXPECT_EQ(parseWord("coa,coa-with-data"), kCoaWithData) << "a kind named twice is one kind";
  // A number may stand among names, as describeWord writes the bits no name stands for.
  EXPECT_EQ(parseWord("coa,0x400"), kCoa | 0x400);
  EXPECT_EQ(parseWord("cod,16"), kCod | 16);
  for (const char* bad : {"coa,", ",coa", "coa,,cod", "COA", "coa cod", "coa;cod", "coax",
                          "none,coa", "cod-with", "coa,0x", "coa,2147483648"}) {
    EXPECT_EQ(parseWord(bad), std::nullopt) << '"' << bad << '"';
  }
}

TEST(ReportWord, DescribesEachKindByItsLongestNameAndReadsBackWhatItWrote) {
  EXPECT_EQ(describeWord(0), "none");
  EXPECT_EQ(describeWord(kCoaWithData | kCod | kPassMsgId), "coa-with-data,cod,pass-msg-id");
  EXPECT_EQ(describeWord(kExpirationWithFullData | kExceptionWithData | kDiscardMsg),
            "expiration-with-full-data,exception-with-data,discard-msg");
  // Bits no name stands for, alone or beside names: a "with data" bit without its kind too.
  EXPECT_EQ(describeWord(0x200), "0x200");
  EXPECT_EQ(describeWord(kCoa | 0x400 | 0x10), "coa,0x410");
  EXPECT_EQ(describeWord(INT32_MIN), "0x80000000");
  for (const std::int32_t word :
       {0, kCoaWithFullData | kNan, kCod | kCodWithData, 0x500, 0x7FFFFFFF, -1, INT32_MIN | kPan}) {
    EXPECT_EQ(parseWord(describeWord(word)), word) << describeWord(word);
  }
}

}  // namespace
}  // namespace kx::report
