// tarnix.ini, read from the working directory during the window's initialisation.
#include "app/settings_file.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "generator/options_controls.h"
#include "monitor/monitor_dialog.h"
#include "platform/toolkit/headless/headless_toolkit.h"
#include "platform/toolkit/message_box.h"
#include "tests/support/manager_fixture.h"

namespace tarnix::testing {
namespace {

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

  void writeSettings(const std::string& text) { std::ofstream("tarnix.ini") << text; }

  // Opens the monitor on Q1; gives what it wrote on standard error while it initialised.
  std::string open() {
    dialog_ = std::make_unique<MonitorDialog>(process_, readSettingsFile);
    dialog_->setManagerName(kManager);
    const std::vector<std::string> names{"Q1"};
    dialog_->setQueueNames(names);
    ::testing::internal::CaptureStderr();
    window_ = &toolkit_.open(*dialog_);
    return ::testing::internal::GetCapturedStderr();
  }
  const GenerateOptions& options() { return dialog_->generateOptions(); }

  std::filesystem::path previousDir_;
  tk::HeadlessToolkit toolkit_;
  ProcessValues process_;
  std::unique_ptr<MonitorDialog> dialog_;
  tk::HeadlessWindow* window_ = nullptr;
};

// A whole file: every value differs from its default.
constexpr const char* kEverything =
    "1 50 5 0\n"
    "100\t250 1 queue 512 SRC.Q /tmp/lines.txt\n"
    "1 1 1 1 1 1 1 1\r\n"
    "600 REPLY.Q\tQM2\n";

TEST_F(SettingsFile, WithoutAReadableFileTheDefaultsStandSilently) {
  // No file at all, then a directory of that name, which opens but cannot be read as a file.
  for (const bool directory : {false, true}) {
    SCOPED_TRACE(directory ? "a directory" : "no file");
    if (directory) {
      window_->close();
      std::filesystem::create_directory("tarnix.ini");
    }
    EXPECT_EQ(open(), "");
    EXPECT_EQ(window_->timerPeriod(), 1000u);
    EXPECT_EQ(process_.refreshIntervalMs, 1000);
    EXPECT_EQ(window_->textOf(ctl::kWarningPercent), "80");
    EXPECT_EQ(window_->textOf(ctl::kRefreshRate), "1");
    EXPECT_TRUE(window_->checked(ctl::kConfirmDelete));
    EXPECT_EQ(options(), GenerateOptions{});
  }
}

TEST_F(SettingsFile, ValuesAcrossBlanksTabsAndLineEndsPresetWindowAndGenerator) {
  writeSettings(kEverything);
  EXPECT_EQ(open(), "");
  EXPECT_TRUE(window_->checked(ctl::kStayOnTop));
  EXPECT_TRUE(window_->topmost());
  EXPECT_EQ(window_->textOf(ctl::kWarningPercent), "50");
  EXPECT_EQ(window_->textOf(ctl::kRefreshRate), "5");
  EXPECT_FALSE(window_->checked(ctl::kConfirmDelete));
  const GenerateOptions& o = options();
  EXPECT_EQ(o.messageCount, 100u);
  EXPECT_EQ(o.sleepMs, 250u);
  EXPECT_EQ(o.randomSleep, 1);
  EXPECT_EQ(o.source, 'q') << "the first character of any word";
  EXPECT_EQ(o.randomLength, 512u);
  EXPECT_EQ(o.sourceQueueName.view(), "SRC.Q");
  EXPECT_EQ(o.sourceFileName.view(), "/tmp/lines.txt");
  for (std::int32_t flag : {o.correlIdOption, o.persistentOption, o.reportCoa, o.reportCod,
                            o.reportException, o.reportExpiration, o.reportPan, o.reportNan}) {
    EXPECT_EQ(flag, 1);
  }
  EXPECT_EQ(o.expiryTenths, 600u);
  EXPECT_EQ(o.replyToQueueName.view(), "REPLY.Q");
  EXPECT_EQ(o.replyToQmgrName.view(), "QM2");
  // Never in the file: they keep their defaults.
  EXPECT_EQ(o.preserveMsgId, 0);
  EXPECT_EQ(o.coaKind, 0);
  EXPECT_EQ(o.reportOptions, 0u) << "composed only when the options dialog is confirmed";
}

TEST_F(SettingsFile, RefreshRateSetsThePeriodOnceForEveryLaterRestart) {
  writeSettings("0 80 5 1 0 0 0 b 1024 A B 0 0 0 0 0 0 0 0 0 C D");
  open();
  EXPECT_TRUE(window_->checked(ctl::kStayOnTop)) << "0 leaves Stay on Top as it is";
  EXPECT_TRUE(window_->topmost());
  EXPECT_EQ(window_->textOf(ctl::kRefreshRate), "5");
  EXPECT_EQ(process_.refreshIntervalMs, 5000);
  EXPECT_EQ(window_->timerPeriod(), 5000u);

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
  ASSERT_EQ(process_.reconnectCount, 2);
  toolkit_.answerNextBox(tk::kIdYes);
  window_->click(ctl::emptyButton(0));
  EXPECT_EQ(window_->timerPeriod(), 5000u);
}

TEST_F(SettingsFile, NegativeWarningShowsUnsignedAndTheFirstTickClampsIt) {
  writeSettings("1 -1 1 1 0 0 0 b 1024 A B 0 0 0 0 0 0 0 0 0 C D");
  open();
  EXPECT_EQ(window_->textOf(ctl::kWarningPercent), "4294967295");
  window_->fireTimer();
  EXPECT_EQ(window_->textOf(ctl::kWarningPercent), "100");
}

TEST_F(SettingsFile, TheDialogShowsWhatTheFileSetAndTheWordWaitsForConfirmation) {
  writeSettings("1 80 1 1 0 0 0 xyz 1024 A B 0 0 1 0 0 0 0 0 0 C D");
  open();
  EXPECT_EQ(options().reportCoa, 1);
  EXPECT_EQ(options().source, 'x') << "any first character is stored";
  toolkit_.onModal(kOptionsTemplateId, [](tk::HeadlessWindow& w) {
    EXPECT_TRUE(w.checked(optctl::kCoa));
    EXPECT_TRUE(w.checked(optctl::kRandom)) << "an unknown source shows as Random";
    w.click(optctl::kCancel);
  });
  window_->click(ctl::kOpt);
  EXPECT_EQ(options().reportOptions, 0u);
  toolkit_.onModal(kOptionsTemplateId, [](tk::HeadlessWindow& w) { w.click(optctl::kHappy); });
  window_->click(ctl::kOpt);
  EXPECT_EQ(options().reportOptions, 0x100u);
  EXPECT_EQ(options().source, 'b');
}

TEST_F(SettingsFile, ANameTooLongForItsFieldIsRefusedAndSaysSo) {
  const std::string name49(49, 'N');
  writeSettings("1 80 1 1 7 0 0 b 1024 " + name49 + " B 0 0 0 0 0 0 0 0 0 " + name49 + " QM2");
  const std::string errors = open();
  EXPECT_EQ(options().sourceQueueName.view(), "");
  EXPECT_EQ(options().replyToQueueName.view(), "");
  EXPECT_EQ(options().sourceFileName.view(), "B") << "the reading goes on after a refusal";
  EXPECT_EQ(options().replyToQmgrName.view(), "QM2");
  EXPECT_NE(errors.find("tarnix.ini: value 10 (source queue name) is longer than 48"),
            std::string::npos)
      << errors;
  EXPECT_NE(errors.find("value 21 (reply-to queue name)"), std::string::npos) << errors;
  EXPECT_EQ(std::count(errors.begin(), errors.end(), '\n'), 2);
}

TEST_F(SettingsFile, ReadingStopsWhereTheFileEndsOrAWordStandsForANumber) {
  writeSettings("1 60 2 0 9 0 0 f 1024 SRC.Q");
  std::string errors = open();
  EXPECT_EQ(options().messageCount, 9u);
  EXPECT_EQ(options().source, 'f');
  EXPECT_EQ(options().sourceQueueName.view(), "SRC.Q");
  EXPECT_EQ(options().sourceFileName.view(), "");
  EXPECT_EQ(errors,
            "tarnix.ini: value 11 could not be read: the file ends before it; values 11 to 22 "
            "keep their defaults\n");

  window_->close();
  writeSettings("1 60 2x 0 9");
  errors = open();
  EXPECT_EQ(window_->textOf(ctl::kRefreshRate), "2") << "digits up to the letter count";
  EXPECT_TRUE(window_->checked(ctl::kConfirmDelete)) << "value 4 was never read";
  EXPECT_NE(errors.find("value 4 could not be read: it is not a whole number"), std::string::npos)
      << errors;
}

}  // namespace
}  // namespace tarnix::testing
