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
#include <string>
#include <vector>

#include "generator/generate_options_dialog.h"
#include "generator/options_controls.h"
#include "platform/toolkit/message_box.h"
#include "tests/toolkit/qt_test_support.h"

namespace tarnix::testing {
namespace {

namespace id = optctl;

// Types `text` over whatever the combo box's text field holds.
void typeInto(QComboBox* combo, const QString& text) {
  ASSERT_NE(combo->lineEdit(), nullptr) << "not typeable";
  combo->lineEdit()->selectAll();
  QTest::keyClicks(combo->lineEdit(), text);
}

TEST(OptionsOnQt, EveryControlAsTheUserMeetsItAndTypedTextThatNamesNoItem) {
  GenerateOptions options;
  options.reportCod = 1;
  options.codKind = 2;
  GenerateOptionsDialog dialog(options);
  const int result = qttest::runWith(dialog, [](QWidget* window) {
    EXPECT_EQ(window->windowTitle(), "Generate Options");
    // The buttons and checks carry their labels exactly, blanks included.
    std::vector<std::string> labels;
    for (int c : {id::kHappy, id::kCancel, id::kRandomSleep, id::kRandom, id::kQueue, id::kFile,
                  id::kCorrelId, id::kPersistent, id::kPreserveMsgId, id::kPreserveCorrelId,
                  id::kCoa, id::kCod, id::kException, id::kExpiration, id::kPan, id::kNan}) {
      auto* button = qttest::control<QAbstractButton>(window, c);
      labels.push_back(button != nullptr ? button->text().toStdString() : "(no button)");
    }
    EXPECT_EQ(labels, (std::vector<std::string>{
                          "I'm Happy", "Cancel", "Random sleep?" + std::string(39, ' '), "Random",
                          "Queue", "File", "Correl ID", "Persistent", "Message ID", "Correl ID",
                          "COA", "COD", "Exception", "Expiration", "PAN", "NAN"}));
    // The labels without ids are there too.
    QStringList statics;
    for (auto* l : window->findChildren<QLabel*>()) statics << l->text();
    for (auto* g : window->findChildren<QGroupBox*>()) statics << g->title();
    for (const char* text :
         {"Number of Messages to Generate", "Milliseconds to sleep between messages", "Source",
          "Random message length (bytes)", "Weet nie wat nie", "Preserve", "Expiration",
          "tenths of sec", "Header", "Reply to Queue", "Reply to Queue Manager", "Report Options",
          "* = default"}) {
      EXPECT_TRUE(statics.contains(text)) << text;
    }
    // Every combo's items in index order; only the first report kind cannot be typed into.
    std::vector<std::string> combos;
    for (int c : {id::kCoaKind, id::kCodKind, id::kExceptionKind, id::kExpirationKind,
                  id::kDiscardChoice, id::kMsgIdChoice, id::kCorrelIdChoice}) {
      auto* box = qttest::control<QComboBox>(window, c);
      ASSERT_NE(box, nullptr) << c;
      QStringList items(box->isEditable() ? "typeable:" : "list:");
      for (int i = 0; i < box->count(); ++i) items << box->itemText(i);
      combos.push_back(items.join('|').toStdString());
    }
    const std::string kinds = "None *|With Data|With Full Data";
    EXPECT_EQ(combos, (std::vector<std::string>{
                          "list:|" + kinds, "typeable:|" + kinds, "typeable:|" + kinds,
                          "typeable:|" + kinds, "typeable:|Dead Letter Queue *|Discard Message",
                          "typeable:|New Message ID *|Pass Message ID",
                          "typeable:|Copy Message ID to Correl ID *|Pass Correl ID"}));
    // No more of a name than its field holds, and the three sources exclude one another.
    for (int edit : {id::kSourceQueue, id::kReplyToQueue, id::kReplyToQmgr, id::kSourceFile}) {
      auto* line = qttest::control<QLineEdit>(window, edit);
      ASSERT_NE(line, nullptr) << edit;
      QTest::keyClicks(line, QString(520, 'x'));
      EXPECT_EQ(line->text().size(), edit == id::kSourceFile ? 499 : 48) << edit;
    }
    qttest::control<QRadioButton>(window, id::kFile)->click();
    EXPECT_FALSE(qttest::control<QRadioButton>(window, id::kRandom)->isChecked());

    // Typed text that names no item leaves no item selected; an item typed whole is that item.
    ASSERT_EQ(qttest::control<QComboBox>(window, id::kCodKind)->currentIndex(), 2);
    typeInto(qttest::control<QComboBox>(window, id::kCodKind), "Whatever");
    typeInto(qttest::control<QComboBox>(window, id::kDiscardChoice), "Discard Message");
    qttest::control<QAbstractButton>(window, id::kHappy)->click();
  });
  EXPECT_EQ(result, tk::kIdOk);
  EXPECT_EQ(options.codKind, -1);
  EXPECT_EQ(options.discardChoice, 1);
  EXPECT_EQ(options.reportOptions, 0x800u | 0x8000000u);
  EXPECT_EQ(options.sourceFileName.size(), 499u) << "the whole of what the edit took";
}

}  // namespace
}  // namespace tarnix::testing
