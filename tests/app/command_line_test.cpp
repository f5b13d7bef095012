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

TEST(CommandLineOptions, ChooseTakesAtMostAManagerAndDemoNoName) {
  CommandLine line = parseCommandLine({"tarnix", "--choose"});
  EXPECT_EQ(line.action, Action::Choose);
  EXPECT_EQ(line.arguments, (std::vector<std::string>{"tarnix"}));
  line = parseCommandLine({"tarnix", "QM1", "--choose", "--notify"});
  EXPECT_EQ(line.action, Action::Choose);
  EXPECT_TRUE(line.notify);
  EXPECT_EQ(line.arguments, (std::vector<std::string>{"tarnix", "QM1"}));
  EXPECT_EQ(parseCommandLine({"tarnix", "--demo"}).action, Action::Demo);

  const std::vector<std::pair<std::vector<std::string>, std::string>> refused = {
      {{"tarnix", "--choose", "QM1", "Q1"},
       "--choose takes at most the name of a queue manager; the queues are ticked in the chooser"},
      {{"tarnix", "--demo", "QM1"},
       "--demo takes no names: it watches the demo queue manager's queues"},
      {{"tarnix", "--demo", "--choose"}, "--choose, --demo and --history cannot be given together"},
  };
  for (const auto& [argv, why] : refused) {
    line = parseCommandLine(argv);
    EXPECT_EQ(line.action, Action::Refuse) << why;
    EXPECT_EQ(line.refusal, why);
  }
}

}  // namespace
}  // namespace tarnix::testing
