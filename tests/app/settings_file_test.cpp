// tarnix.ini, read from the working directory during the window's initialisation.
#include "app/settings_file.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "app/settings_table.h"
#include "generator/options_controls.h"
#include "monitor/monitor_dialog.h"
#include "platform/toolkit/headless/headless_toolkit.h"
#include "platform/toolkit/message_box.h"
#include "tests/support/manager_fixture.h"

namespace tarnix::testing {
namespace {

using namespace std::chrono_literals;

class SettingsFile : public ManagerFixture {
 protected:
  void SetUp() override {
    ManagerFixture::SetUp();
    previousDir_ = std::filesystem::current_path();
    std::filesystem::create_directories(dataDir_ / "work");
    std::filesystem::current_path(dataDir_ / "work");
    defineQueue("Q1");
  }
  void TearDown() override {
    if (window_ != nullptr && !window_->closed()) window_->close();
    dialog_.reset();
    std::filesystem::current_path(previousDir_);
    ManagerFixture::TearDown();
  }

  // Opens the monitor on Q1 with `settings` as tarnix.ini, if any; gives what it wrote on
  // standard error while it initialised.
  std::string open(const char* settings = nullptr) {
    if (window_ != nullptr && !window_->closed()) window_->close();
    if (settings != nullptr) std::ofstream("tarnix.ini") << settings;
    dialog_ = std::make_unique<MonitorDialog>(readSettingsFile);
    dialog_->setManagerName(kManager);
    dialog_->setQueueNames(std::vector<std::string>{"Q1"});
    ::testing::internal::CaptureStderr();
    window_ = &toolkit_.open(*dialog_);
    return ::testing::internal::GetCapturedStderr();
  }
  const GenerateOptions& options() { return dialog_->generatorLauncher().generateOptions(); }

  std::filesystem::path previousDir_;
  tk::HeadlessToolkit toolkit_;
  std::unique_ptr<MonitorDialog> dialog_;
  tk::HeadlessWindow* window_ = nullptr;
};

// A whole file: every value differs from its default.
constexpr const char* kEverything =
    "1 50 5 0\n"
    "100\t250 1 queue 512 SRC.Q /tmp/lines.txt\n"
    "1 1 1 1 1 1 1 1\r\n"
    "600 REPLY.Q\tQM2\n";

TEST_F(SettingsFile, PresetsWindowAndGeneratorFromValuesAcrossBlanksTabsAndLineEnds) {
  // Without the file the defaults stand, silently.
  EXPECT_EQ(open(), "");
  EXPECT_EQ(dialog_->depthPoll().refreshIntervalMs(), 1000);
  EXPECT_EQ(window_->textOf(ctl::kWarningPercent), "80");
  EXPECT_EQ(options(), GenerateOptions{});

  EXPECT_EQ(open(kEverything), "");
  EXPECT_TRUE(window_->checked(ctl::kStayOnTop));
  EXPECT_EQ(window_->textOf(ctl::kWarningPercent), "50");
  EXPECT_EQ(window_->textOf(ctl::kRefreshRate), "5");
  EXPECT_FALSE(window_->checked(ctl::kConfirmDelete));
  const GenerateOptions& o = options();
  EXPECT_EQ((std::vector<std::uint32_t>{o.messageCount, o.sleepMs, o.randomLength, o.expiryTenths}),
            (std::vector<std::uint32_t>{100, 250, 512, 600}));
  EXPECT_EQ(o.source, 'q') << "the first character of any word";
  EXPECT_EQ((std::vector<std::string>{o.sourceQueueName.str(), o.sourceFileName.str(),
                                      o.replyToQueueName.str(), o.replyToQmgrName.str()}),
            (std::vector<std::string>{"SRC.Q", "/tmp/lines.txt", "REPLY.Q", "QM2"}));
  EXPECT_EQ((std::vector<std::int32_t>{o.randomSleep, o.correlIdOption, o.persistentOption,
                                       o.reportCoa, o.reportCod, o.reportException,
                                       o.reportExpiration, o.reportPan, o.reportNan}),
            std::vector<std::int32_t>(9, 1));
}

TEST_F(SettingsFile, RefreshRateSetsThePeriodOnceForEveryLaterRestart) {
  open("0 -1 5 1 0 0 0 b 1024 A B 0 0 0 0 0 0 0 0 0 C D");
  EXPECT_TRUE(window_->checked(ctl::kStayOnTop)) << "0 leaves Stay on Top as it is";
  EXPECT_TRUE(window_->topmost());
  EXPECT_EQ(window_->textOf(ctl::kRefreshRate), "5");
  EXPECT_EQ(dialog_->depthPoll().refreshIntervalMs(), 5000);
  EXPECT_EQ(window_->timerPeriod(), 5000u);
  // A negative warning shows as unsigned, and the first tick clamps it.
  EXPECT_EQ(window_->textOf(ctl::kWarningPercent), "4294967295");
  window_->fireTimer();
  EXPECT_EQ(window_->textOf(ctl::kWarningPercent), "100");

  // A lost and regained queue manager, then the end of a back-off by an empty button: both
  // return to 5000 ms.
  stopManager();
  window_->fireTimer();
  EXPECT_EQ(window_->timerPeriod(), 1000u);
  startManager();
  window_->fireTimer();
  EXPECT_EQ(window_->timerPeriod(), 5000u);
  stopManager();
  window_->fireTimer();
  window_->fireTimer();
  ASSERT_EQ(dialog_->depthPoll().reconnectCount(), 2);
  toolkit_.answerNextBox(tk::kIdYes);
  window_->click(ctl::emptyButton(0));
  EXPECT_EQ(window_->timerPeriod(), 5000u);
}

TEST_F(SettingsFile, TheDialogShowsWhatTheFileSetAndTheWordWaitsForConfirmation) {
  open("1 80 1 1 0 0 0 xyz 1024 A B 0 0 1 0 0 0 0 0 0 C D");
  EXPECT_EQ(options().source, 'x') << "any first character is stored";
  EXPECT_EQ(options().reportOptions, 0u) << "composed only when the dialog is confirmed";
  toolkit_.onModal(kOptionsTemplateId, [](tk::HeadlessWindow& w) {
    EXPECT_TRUE(w.checked(optctl::kCoa));
    EXPECT_TRUE(w.checked(optctl::kRandom)) << "an unknown source shows as Random";
    w.click(optctl::kHappy);
  });
  window_->click(ctl::kOpt);
  EXPECT_EQ(options().reportOptions, 0x100u);
  EXPECT_EQ(options().source, 'b');
}

// A name too long for its field, a file that ends early and a word where a number goes: each
// says so in one line, naming the value and what was kept, and the rest stands.
TEST_F(SettingsFile, WhatCannotBeReadOrHeldIsRefusedAndSaysSo) {
  const std::string name49(49, 'N');
  EXPECT_EQ(
      open(("1 80 1 1 7 0 0 b 1024 " + name49 + " B 0 0 0 0 0 0 0 0 0 " + name49 + " QM2").c_str()),
      "tarnix.ini: value 10 (source queue name) is longer than 48 characters and was refused; the "
      "source queue name stays \"\"\n"
      "tarnix.ini: value 21 (reply-to queue name) is longer than 48 characters and was refused; "
      "the reply-to queue name stays \"\"\n");
  EXPECT_EQ(options().sourceQueueName.view(), "");
  EXPECT_EQ(options().replyToQueueName.view(), "");
  EXPECT_EQ(options().sourceFileName.view(), "B") << "the reading goes on after a refusal";
  EXPECT_EQ(options().replyToQmgrName.view(), "QM2");

  EXPECT_EQ(open("1 60 2 0 9 0 0 f 1024 SRC.Q"),
            "tarnix.ini: value 11 could not be read: the file ends before it; values 11 to 22 "
            "keep their defaults\n");
  EXPECT_EQ(options().messageCount, 9u);
  EXPECT_EQ(options().source, 'f');
  EXPECT_EQ(options().sourceQueueName.view(), "SRC.Q");
  EXPECT_EQ(options().sourceFileName.view(), "");

  EXPECT_EQ(open("1 60 2x 0 9"),
            "tarnix.ini: value 4 could not be read: it is not a whole number; values 4 to 22 keep "
            "their defaults\n");
  EXPECT_EQ(window_->textOf(ctl::kRefreshRate), "2") << "digits up to the letter count";
  EXPECT_TRUE(window_->checked(ctl::kConfirmDelete)) << "value 4 was never read";
}

// Whatever has the file's name, the window starts at once, reads at most 64 KiB, and says in one
// line what it skipped: a FIFO no one writes, a device without end, a directory, a huge file.
TEST_F(SettingsFile, AnythingButASmallRegularFileIsSkippedInOneLine) {
  const std::string skipped = "; it was not read, and every value keeps its default\n";
  ASSERT_EQ(::mkfifo("tarnix.ini", 0600), 0);
  // Should the reading ever block on the FIFO, a writer that comes and goes ends it, so the test
  // fails rather than hangs.
  std::atomic<bool> done{false};
  std::thread release([&] {
    for (int i = 0; i < 300 && !done; ++i) std::this_thread::sleep_for(10ms);
    if (const int fd = ::open("tarnix.ini", O_WRONLY | O_NONBLOCK); fd >= 0) ::close(fd);
  });
  const std::string saidForFifo = open();
  done = true;
  release.join();
  EXPECT_EQ(saidForFifo, "tarnix.ini: is a FIFO" + skipped);
  std::filesystem::remove("tarnix.ini");

  std::filesystem::create_symlink("/dev/zero", "tarnix.ini");
  EXPECT_EQ(open(), "tarnix.ini: is a device" + skipped);
  std::filesystem::remove("tarnix.ini");
  std::filesystem::create_directory("tarnix.ini");
  EXPECT_EQ(open(), "tarnix.ini: is a directory" + skipped);
  EXPECT_EQ(options(), GenerateOptions{});
  std::filesystem::remove("tarnix.ini");

  // Up to 64 KiB the file is read; one byte more and none of it is.
  std::string padded = "1 50 5 0 77";
  padded.resize(std::size_t{64} * 1024, ' ');
  EXPECT_EQ(open(padded.c_str()),
            "tarnix.ini: value 6 could not be read: the file ends before "
            "it; values 6 to 22 keep their defaults\n");
  EXPECT_EQ(options().messageCount, 77u);
  EXPECT_EQ(open((padded + " ").c_str()), "tarnix.ini: is larger than 64 KiB" + skipped);
  EXPECT_EQ(options().messageCount, GenerateOptions{}.messageCount);
  EXPECT_EQ(window_->textOf(ctl::kWarningPercent), "80");
}

// The README's table of the values is the reader's table, row for row.
TEST(SettingsTable, TheReadmeListsEveryValueAsTheReaderTakesIt) {
  std::vector<std::string> expected;
  for (const SettingsEntry& entry : settingsTable()) {
    expected.push_back("| " + std::to_string(entry.position) + " | " + std::string(entry.name) +
                       " | " + std::string(kindName(entry.kind)) + " |");
  }
  std::ifstream readme(TARNIX_README);
  ASSERT_TRUE(readme) << TARNIX_README;
  std::vector<std::string> listed;
  for (std::string line; std::getline(readme, line);) {
    line.erase(0, line.find_first_not_of(' '));
    std::istringstream cells(line);
    std::string bar;
    int position = 0;
    if (line.ends_with(" |") && cells >> bar >> position && bar == "|") listed.push_back(line);
  }
  EXPECT_EQ(listed, expected);
}

}  // namespace
}  // namespace tarnix::testing
