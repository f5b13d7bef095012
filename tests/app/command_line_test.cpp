// The command line: names, the options that never clash with them, and what is refused.
#include "app/command_line.h"

#include <gtest/gtest.h>

namespace tarnix::testing {
namespace {

using Action = CommandLine::Action;

TEST(CommandLineOptions, NamesAndOptionsAreToldApartByTheirFirstCharacter) {
  CommandLine line = parseCommandLine({"/usr/bin/tarnix", "--notify", "QM1", "Q1", "", "Q2"});
  EXPECT_EQ(line.action, Action::Run);
  EXPECT_TRUE(line.notify);
  EXPECT_EQ(line.arguments, (std::vector<std::string>{"/usr/bin/tarnix", "QM1", "Q1", "", "Q2"}));

  EXPECT_EQ(parseCommandLine({"tarnix", "QM1", "--help"}).action, Action::Help);
  EXPECT_EQ(parseCommandLine({"tarnix", "--version"}).action, Action::Version);
  // Options a window toolkit would take for itself are the program's, and unknown to it.
  for (const char* option : {"-platform", "-display", "--style", "-x"}) {
    line = parseCommandLine({"tarnix", option, "QM1", "Q1"});
    EXPECT_EQ(line.action, Action::Refuse) << option;
    EXPECT_EQ(line.refusal, std::string("unknown option '") + option + "'");
  }
  EXPECT_EQ(parseCommandLine({}).arguments, (std::vector<std::string>{"tarnix"}));
}

}  // namespace
}  // namespace tarnix::testing
