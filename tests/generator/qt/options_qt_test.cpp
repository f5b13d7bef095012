// The generator's options dialog on real widgets: its controls as the user meets them, and typed
// text in a typeable combo box counting as no item.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QtTest/QTest>
#include <initializer_list>
#include <string>
#include <utility>

#include "generator/generate_options_dialog.h"
#include "generator/options_controls.h"
#include "generator/options_template.h"
#include "platform/toolkit/message_box.h"
#include "tests/toolkit/qt_test_support.h"

namespace tarnix::testing {
namespace {

namespace id = optctl;

QString labelOf(QWidget* w) {
  if (auto* l = qobject_cast<QLabel*>(w)) return l->text();
  if (auto* b = qobject_cast<QAbstractButton*>(w)) return b->text();
  if (auto* g = qobject_cast<QGroupBox*>(w)) return g->title();
  return {};
}

TEST(OptionsOnQt, EveryControlIsThereAsTheUserMeetsIt) {
  GenerateOptions options;
  GenerateOptionsDialog dialog(options);
  qttest::runWith(dialog, [](QWidget* window) {
    EXPECT_EQ(window->windowTitle(), "Generate Options");
    for (const tk::ControlTemplate& t : optionsTemplate().controls) {
      if (t.id == tk::kNoId) continue;
      SCOPED_TRACE(t.id);
      QWidget* w = qttest::control(window, t.id);
      ASSERT_NE(w, nullptr);
      EXPECT_EQ(w->property("tkKind").toInt(), static_cast<int>(t.kind));
    }
    // The buttons and checks carry their labels exactly, blanks included.
    const std::string randomSleep = "Random sleep?" + std::string(39, ' ');
    for (const auto& [control, label] :
         std::initializer_list<std::pair<int, std::string>>{{id::kHappy, "I'm Happy"},
                                                            {id::kCancel, "Cancel"},
                                                            {id::kRandomSleep, randomSleep},
                                                            {id::kRandom, "Random"},
                                                            {id::kQueue, "Queue"},
                                                            {id::kFile, "File"},
                                                            {id::kCorrelId, "Correl ID"},
                                                            {id::kPersistent, "Persistent"},
                                                            {id::kPreserveMsgId, "Message ID"},
                                                            {id::kPreserveCorrelId, "Correl ID"},
                                                            {id::kCoa, "COA"},
                                                            {id::kCod, "COD"},
                                                            {id::kException, "Exception"},
                                                            {id::kExpiration, "Expiration"},
                                                            {id::kPan, "PAN"},
                                                            {id::kNan, "NAN"}}) {
      EXPECT_EQ(labelOf(qttest::control(window, control)).toStdString(), label) << control;
    }
    // The labels without ids are there too.
    QStringList labels;
    for (auto* l : window->findChildren<QLabel*>()) labels << l->text();
    for (auto* g : window->findChildren<QGroupBox*>()) labels << g->title();
    for (const char* text :
         {"Number of Messages to Generate", "Milliseconds to sleep between messages", "Source",
          "Random message length (bytes)", "Weet nie wat nie", "Preserve", "Expiration",
          "tenths of sec", "Header", "Reply to Queue", "Reply to Queue Manager", "Report Options",
          "* = default"}) {
      EXPECT_TRUE(labels.contains(text)) << text;
    }

    // Only the first report kind is a list to choose from; the rest can be typed into.
    EXPECT_FALSE(qttest::control<QComboBox>(window, id::kCoaKind)->isEditable());
    for (int combo : {id::kCodKind, id::kExceptionKind, id::kExpirationKind, id::kDiscardChoice,
                      id::kMsgIdChoice, id::kCorrelIdChoice}) {
      EXPECT_TRUE(qttest::control<QComboBox>(window, combo)->isEditable()) << combo;
    }
    // Every combo's items in index order.
    for (const auto& [combo, items] : std::initializer_list<std::pair<int, const char*>>{
             {id::kCoaKind, "None *|With Data|With Full Data"},
             {id::kDiscardChoice, "Dead Letter Queue *|Discard Message"},
             {id::kMsgIdChoice, "New Message ID *|Pass Message ID"},
             {id::kCorrelIdChoice, "Copy Message ID to Correl ID *|Pass Correl ID"}}) {
      auto* box = qttest::control<QComboBox>(window, combo);
      QStringList shown;
      for (int i = 0; i < box->count(); ++i) shown << box->itemText(i);
      EXPECT_EQ(shown.join('|').toStdString(), items) << combo;
    }

    // Digits only where numbers go, and no more of a name than its field holds.
    auto* sleep = qttest::control<QLineEdit>(window, id::kSleepMs);
    sleep->clear();
    QTest::keyClicks(sleep, "1a2");
    EXPECT_EQ(sleep->text(), "12");
    auto* queue = qttest::control<QLineEdit>(window, id::kSourceQueue);
    QTest::keyClicks(queue, QString(50, 'Q'));
    EXPECT_EQ(queue->text().size(), 48);
    // The three sources exclude one another.
    qttest::control<QRadioButton>(window, id::kFile)->click();
    EXPECT_FALSE(qttest::control<QRadioButton>(window, id::kRandom)->isChecked());
  });
}

TEST(OptionsOnQt, TypedTextThatNamesNoItemLeavesNoItemSelected) {
  GenerateOptions options;
  options.reportCod = 1;
  options.codKind = 2;
  options.discardChoice = 0;
  GenerateOptionsDialog dialog(options);
  const int result = qttest::runWith(dialog, [&](QWidget* window) {
    auto* kind = qttest::control<QComboBox>(window, id::kCodKind);
    ASSERT_EQ(kind->currentIndex(), 2);
    kind->lineEdit()->selectAll();
    QTest::keyClicks(kind->lineEdit(), "Whatever");
    auto* discard = qttest::control<QComboBox>(window, id::kDiscardChoice);
    discard->lineEdit()->selectAll();
    QTest::keyClicks(discard->lineEdit(), "Discard Message");  // an item typed whole
    qttest::control<QAbstractButton>(window, id::kHappy)->click();
  });
  EXPECT_EQ(result, tk::kIdOk);
  EXPECT_EQ(options.codKind, -1) << "typed text that names no item is no item";
  EXPECT_EQ(options.discardChoice, 1);
  EXPECT_EQ(options.reportOptions, 0x800u | 0x8000000u);
}

}  // namespace
}  // namespace tarnix::testing
