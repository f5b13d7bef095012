// The generator's options dialog on the headless toolkit: what it shows of the record, what it
// reads back, and the report-options word it composes.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <functional>
#include <vector>

#include "generator/generate_options_dialog.h"
#include "generator/options_controls.h"
#include "platform/toolkit/headless/headless_toolkit.h"
#include "platform/toolkit/message_box.h"

namespace tarnix::testing {
namespace {

namespace id = optctl;
using Script = std::function<void(tk::HeadlessWindow&)>;

const int kEdits[] = {id::kMessageCount, id::kSleepMs,      id::kRandomLength, id::kSourceQueue,
                      id::kSourceFile,   id::kExpiryTenths, id::kReplyToQueue, id::kReplyToQmgr};
const int kChecks[] = {id::kRandomSleep, id::kRandom,     id::kQueue,         id::kFile,
                       id::kCorrelId,    id::kPersistent, id::kPreserveMsgId, id::kPreserveCorrelId,
                       id::kCoa,         id::kCod,        id::kException,     id::kExpiration,
                       id::kPan,         id::kNan};
// The kinds, then the choices.
const int kCombos[] = {id::kCoaKind,        id::kCodKind,       id::kExceptionKind,
                       id::kExpirationKind, id::kDiscardChoice, id::kMsgIdChoice,
                       id::kCorrelIdChoice};

class OptionsDialog : public ::testing::Test {
 protected:
  // Runs the dialog over the record with `script` inside its modal run; gives the run's result.
  int run(const Script& script) {
    GenerateOptionsDialog dialog(options_);
    toolkit_.onModal(kOptionsTemplateId, script);
    return toolkit_.runModal(dialog);
  }
  void confirmWith(const Script& changes) {
    EXPECT_EQ(run([&](tk::HeadlessWindow& w) {
                changes(w);
                w.click(id::kHappy);
              }),
              tk::kIdOk);
  }

  tk::HeadlessToolkit toolkit_;
  GenerateOptions options_;
};

TEST_F(OptionsDialog, ShowsTheRecordLeavesItOnCancelAndConfirmsItBackUnchanged) {
  options_.messageCount = 100;
  options_.sleepMs = 250;
  options_.randomSleep = 1;
  options_.source = 'q';
  options_.randomLength = 512;
  options_.sourceQueueName.assign("SRC.Q");
  options_.sourceFileName.assign("/tmp/lines.txt");
  options_.persistentOption = 1;
  options_.preserveCorrelId = 1;
  options_.expiryTenths = 600;
  options_.replyToQueueName.assign("REPLY.Q");
  options_.replyToQmgrName.assign("QM2");
  options_.reportCod = 1;
  options_.reportExpiration = 1;
  options_.reportOptions = 12345;  // stale: nothing composed it from the flags
  options_.coaKind = 1;            // COA unticked: its kind is kept as it is
  options_.codKind = 2;
  options_.expirationKind = 1;
  options_.msgIdChoice = 1;
  options_.correlIdChoice = -1;
  const GenerateOptions before = options_;

  // Cancel, Escape and the close box after changing every control leave the record alone.
  const Script changeEverything = [](tk::HeadlessWindow& w) {
    for (int edit : kEdits) w.type(edit, "9");
    for (int check : kChecks) w.click(check);  // the source ends on File
    for (int combo : kCombos) w.choose(combo, 1);
  };
  EXPECT_EQ(run([&](tk::HeadlessWindow& w) {
              changeEverything(w);
              w.click(id::kCancel);
            }),
            tk::kIdCancel);
  EXPECT_EQ(options_, before);
  EXPECT_EQ(run(changeEverything), tk::kIdCancel) << "Escape or the close box";
  EXPECT_EQ(options_, before);

  // Confirmed unchanged, every field comes back from its own control; only the word is new.
  confirmWith([](tk::HeadlessWindow& w) {
    std::vector<std::string> texts;
    for (int edit : kEdits) texts.push_back(w.textOf(edit));
    EXPECT_EQ(texts, (std::vector<std::string>{"100", "250", "512", "SRC.Q", "/tmp/lines.txt",
                                               "600", "REPLY.Q", "QM2"}));
    std::vector<int> on;
    for (int check : kChecks) {
      if (w.checked(check)) on.push_back(check);
    }
    EXPECT_EQ(on, (std::vector<int>{id::kRandomSleep, id::kQueue, id::kPersistent,
                                    id::kPreserveCorrelId, id::kCod, id::kExpiration}));
    std::vector<int> selected;
    for (int combo : kCombos) selected.push_back(w.selectedItem(combo));
    EXPECT_EQ(selected, (std::vector<int>{1, 2, 0, 1, 0, 1, -1})) << "-1 clears the selection";
  });
  GenerateOptions expected = before;
  expected.reportOptions = 0x3800 | 0x600000 | 0x80 | 0x40;
  EXPECT_EQ(options_, expected);
}

TEST_F(OptionsDialog, ComposesTheReportWordFromChecksKindsAndChoices) {
  const struct {
    std::vector<int> checks;
    std::array<int, std::size(kCombos)> indices;
    std::uint32_t word;
  } cases[] = {
      {{id::kCoa, id::kCod}, {1, 0, 0, 0, 0, 0, 0}, 0xB00},
      {{id::kCoa, id::kCod, id::kException, id::kExpiration, id::kPan, id::kNan},
       {2, 2, 2, 2, 1, 1, 1},
       0xFE03FC3},
      {{id::kPan}, {0, 0, 0, 0, 0, 0, 0}, 0x1},
      {{id::kPan}, {0, 0, 0, 0, 1, 0, 0}, 0x8000001},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.word);
    options_ = GenerateOptions{};
    confirmWith([&](tk::HeadlessWindow& w) {
      for (int check : c.checks) w.click(check);
      for (std::size_t k = 0; k < c.indices.size(); ++k) w.choose(kCombos[k], c.indices[k]);
    });
    EXPECT_EQ(options_.reportOptions, c.word);
  }

  // Typed text in a kind is no item and counts as none; in a choice it adds the choice's bit.
  options_ = GenerateOptions{};
  confirmWith([](tk::HeadlessWindow& w) {
    w.click(id::kCod);
    w.type(id::kCodKind, "Whatever");
    w.type(id::kDiscardChoice, "Somewhere");
    w.click(id::kExpiration);
    w.type(id::kExpirationKind, "With Data");  // an item typed whole is that item
  });
  EXPECT_EQ(options_.reportOptions, 0x800u | 0x8000000u | 0x600000u);
  EXPECT_EQ(options_.codKind, -1);
  EXPECT_EQ(options_.discardChoice, -1);

  // A kind or choice is stored only when the word reads it: with no report wanted, neither a
  // new discard choice nor, COA unticked, a new COA kind.
  options_ = GenerateOptions{};
  options_.coaKind = 1;
  confirmWith([](tk::HeadlessWindow& w) {
    w.choose(id::kDiscardChoice, 1);
    w.choose(id::kCoaKind, 2);
  });
  EXPECT_EQ(options_.reportOptions, 0u);
  EXPECT_EQ(options_.discardChoice, 0);
  EXPECT_EQ(options_.coaKind, 1);
}

TEST_F(OptionsDialog, NumbersAreReadFromDigitsOnly) {
  options_.messageCount = 5;
  confirmWith([](tk::HeadlessWindow& w) {
    w.type(id::kSleepMs, "12ab3");
    w.type(id::kMessageCount, "lots");
  });
  EXPECT_EQ(options_.sleepMs, 123u) << "the edit takes digits only";
  EXPECT_EQ(options_.messageCount, 0u) << "letters read as no number";
}

}  // namespace
}  // namespace tarnix::testing
