// The generator's options dialog on the headless toolkit: what it shows of the record, what it
// reads back, and the report-options word it composes.
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>

#include "generator/generate_options_dialog.h"
#include "generator/options_controls.h"
#include "platform/toolkit/headless/headless_toolkit.h"
#include "platform/toolkit/message_box.h"

namespace tarnix::testing {
namespace {

namespace id = optctl;

class OptionsDialog : public ::testing::Test {
 protected:
  // Runs the dialog over `options` with `script` inside its modal run; gives the run's result.
  int run(const std::function<void(tk::HeadlessWindow&)>& script) {
    GenerateOptionsDialog dialog(options_);
    toolkit_.onModal(kOptionsTemplateId, script);
    return toolkit_.runModal(dialog);
  }
  // Ticks the given report checks, chooses the kinds and choices, and confirms.
  void confirmWith(const std::function<void(tk::HeadlessWindow&)>& choices) {
    EXPECT_EQ(run([&](tk::HeadlessWindow& w) {
                choices(w);
                w.click(id::kHappy);
              }),
              tk::kIdOk);
  }

  tk::HeadlessToolkit toolkit_;
  GenerateOptions options_;
};

TEST_F(OptionsDialog, OpensShowingTheRecordAndConfirmsItBackUnchanged) {
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
  options_.codKind = 2;
  options_.reportExpiration = 1;
  options_.expirationKind = 1;
  options_.coaKind = 1;  // COA unticked: its kind is kept as it is
  options_.msgIdChoice = 1;
  options_.correlIdChoice = -1;
  options_.reportOptions = 12345;  // stale: nothing composed it from the flags
  GenerateOptions expected = options_;
  expected.reportOptions = 0x3800 | 0x600000 | 0x80 | 0x40;
  // Confirmed unchanged, every field comes back from its own control; only the word is new.
  confirmWith([](tk::HeadlessWindow& w) {
    EXPECT_EQ(w.title(), "Generate Options");
    EXPECT_EQ(w.textOf(id::kMessageCount), "100");
    EXPECT_EQ(w.textOf(id::kSleepMs), "250");
    EXPECT_TRUE(w.checked(id::kRandomSleep));
    EXPECT_TRUE(w.checked(id::kQueue));
    EXPECT_FALSE(w.checked(id::kRandom));
    EXPECT_EQ(w.textOf(id::kRandomLength), "512");
    EXPECT_EQ(w.textOf(id::kSourceQueue), "SRC.Q");
    EXPECT_EQ(w.textOf(id::kSourceFile), "/tmp/lines.txt");
    EXPECT_TRUE(w.checked(id::kPersistent));
    EXPECT_FALSE(w.checked(id::kCorrelId));
    EXPECT_FALSE(w.checked(id::kPreserveMsgId));
    EXPECT_TRUE(w.checked(id::kPreserveCorrelId));
    EXPECT_EQ(w.textOf(id::kExpiryTenths), "600");
    EXPECT_EQ(w.textOf(id::kReplyToQueue), "REPLY.Q");
    EXPECT_EQ(w.textOf(id::kReplyToQmgr), "QM2");
    EXPECT_TRUE(w.checked(id::kCod));
    EXPECT_FALSE(w.checked(id::kCoa));
    EXPECT_EQ(w.selectedItem(id::kCodKind), 2);
    EXPECT_EQ(w.selectedItem(id::kCoaKind), 1);
    EXPECT_EQ(w.selectedItem(id::kMsgIdChoice), 1);
    EXPECT_EQ(w.selectedItem(id::kCorrelIdChoice), -1) << "a stored -1 clears the selection";
    EXPECT_EQ(w.comboItems(id::kCorrelIdChoice),
              (std::vector<std::string>{"Copy Message ID to Correl ID *", "Pass Correl ID"}));
  });
  EXPECT_EQ(options_, expected);
}

TEST_F(OptionsDialog, CancelEscapeAndCloseLeaveTheRecordAlone) {
  options_.sourceQueueName.assign("KEPT");
  const GenerateOptions before = options_;
  auto changeEverything = [](tk::HeadlessWindow& w) {
    w.type(id::kMessageCount, "9");
    w.type(id::kSleepMs, "9");
    w.type(id::kRandomLength, "9");
    w.type(id::kExpiryTenths, "9");
    for (int check : {id::kRandomSleep, id::kCorrelId, id::kPersistent, id::kPreserveMsgId,
                      id::kPreserveCorrelId, id::kCoa, id::kCod, id::kException, id::kExpiration,
                      id::kPan, id::kNan}) {
      w.click(check);
    }
    w.click(id::kFile);
    for (int edit : {id::kSourceQueue, id::kSourceFile, id::kReplyToQueue, id::kReplyToQmgr}) {
      w.type(edit, "CHANGED");
    }
    for (int combo : {id::kCoaKind, id::kCodKind, id::kExceptionKind, id::kExpirationKind,
                      id::kDiscardChoice, id::kMsgIdChoice, id::kCorrelIdChoice}) {
      w.choose(combo, 1);
    }
  };
  EXPECT_EQ(run([&](tk::HeadlessWindow& w) {
              changeEverything(w);
              w.click(id::kCancel);
            }),
            tk::kIdCancel);
  EXPECT_EQ(options_, before);
  // Escape and the close box end the run without an answer of the dialog's own.
  EXPECT_EQ(run(changeEverything), tk::kIdCancel);
  EXPECT_EQ(options_, before);
}

TEST_F(OptionsDialog, LettersInTheMessageCountReadAsNone) {
  options_.messageCount = 5;
  confirmWith([](tk::HeadlessWindow& w) { w.type(id::kMessageCount, "lots"); });
  EXPECT_EQ(options_.messageCount, 0u);
}

struct Composition {
  const char* what;
  std::function<void(tk::HeadlessWindow&)> choices;
  std::uint32_t word;
};

TEST_F(OptionsDialog, ComposesTheReportWordFromChecksKindsAndChoices) {
  const Composition cases[] = {
      {"COA with data, COD none, first choices",
       [](tk::HeadlessWindow& w) {
         w.click(id::kCoa);
         w.choose(id::kCoaKind, 1);
         w.click(id::kCod);
       },
       0xB00},
      {"every check, full data, every second choice",
       [](tk::HeadlessWindow& w) {
         for (int check :
              {id::kCoa, id::kCod, id::kException, id::kExpiration, id::kPan, id::kNan}) {
           w.click(check);
         }
         for (int kind : {id::kCoaKind, id::kCodKind, id::kExceptionKind, id::kExpirationKind}) {
           w.choose(kind, 2);
         }
         for (int choice : {id::kDiscardChoice, id::kMsgIdChoice, id::kCorrelIdChoice}) {
           w.choose(choice, 1);
         }
       },
       0xFE03FC3},
      {"PAN alone", [](tk::HeadlessWindow& w) { w.click(id::kPan); }, 0x1},
      {"PAN with discard",
       [](tk::HeadlessWindow& w) {
         w.click(id::kPan);
         w.choose(id::kDiscardChoice, 1);
       },
       0x8000001},
      {"typed text in a kind counts as none, in a choice adds its bit",
       [](tk::HeadlessWindow& w) {
         w.click(id::kCod);
         w.type(id::kCodKind, "Whatever");
         w.type(id::kDiscardChoice, "Somewhere");
       },
       0x800 | 0x8000000},
      {"an item typed whole is that item",
       [](tk::HeadlessWindow& w) {
         w.click(id::kExpiration);
         w.type(id::kExpirationKind, "With Data");
       },
       0x600000},
  };
  for (const Composition& c : cases) {
    SCOPED_TRACE(c.what);
    options_ = GenerateOptions{};
    confirmWith(c.choices);
    EXPECT_EQ(options_.reportOptions, c.word);
  }
}

TEST_F(OptionsDialog, KindsAndChoicesAreStoredOnlyWhenTheWordReadsThem) {
  options_.coaKind = 1;
  options_.discardChoice = 0;
  // No report wanted: the word is 0 and the new discard choice is not kept.
  confirmWith([](tk::HeadlessWindow& w) {
    w.choose(id::kDiscardChoice, 1);
    w.choose(id::kCoaKind, 2);
  });
  EXPECT_EQ(options_.reportOptions, 0u);
  EXPECT_EQ(options_.discardChoice, 0);
  EXPECT_EQ(options_.coaKind, 1) << "COA unticked: its kind is not read";
  run([](tk::HeadlessWindow& w) {
    EXPECT_EQ(w.selectedItem(id::kDiscardChoice), 0);
    EXPECT_EQ(w.selectedItem(id::kCoaKind), 1);
    w.click(id::kCancel);
  });

  // A typed kind is stored as no selection, and shows as none next time.
  confirmWith([](tk::HeadlessWindow& w) {
    w.click(id::kCod);
    w.type(id::kCodKind, "typed");
  });
  EXPECT_EQ(options_.codKind, -1);
}

TEST_F(OptionsDialog, NameEditsTakeNoMoreThanTheirFieldsHold) {
  const std::string longName(60, 'Q');
  const std::string longFile(520, 'f');
  confirmWith([&](tk::HeadlessWindow& w) {
    w.type(id::kSourceQueue, longName);
    w.type(id::kReplyToQueue, longName);
    w.type(id::kReplyToQmgr, longName);
    w.type(id::kSourceFile, longFile);
    w.type(id::kSleepMs, "12ab3");
  });
  EXPECT_EQ(options_.sourceQueueName.view(), longName.substr(0, 48));
  EXPECT_EQ(options_.replyToQueueName.view(), longName.substr(0, 48));
  EXPECT_EQ(options_.replyToQmgrName.view(), longName.substr(0, 48));
  EXPECT_EQ(options_.sourceFileName.view(), longFile.substr(0, 499));
  EXPECT_EQ(options_.sleepMs, 123u) << "digits only";
}

}  // namespace
}  // namespace tarnix::testing
