// The Qt backend makes every control of a template with its id, kind, label, attributes and
// pixel geometry.

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QFontMetrics>
#include <QFontMetricsF>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <cmath>
#include <iostream>

#include "platform/toolkit/message_box.h"
#include "tests/toolkit/qt_test_support.h"
#include "tests/toolkit/sample_dialog.h"

namespace {

using tk::ControlKind;

// The rule: x = units × average width of the 52 letters / 4, y = units × height / 8, each edge
// rounded to the nearest pixel.
struct ExpectedUnits {
  explicit ExpectedUnits(const QFont& font)
      : width(std::lround(QFontMetricsF(font).horizontalAdvance(
                              "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz") /
                          52.0)),
        height(QFontMetrics(font).height()) {}
  int x(int units) const { return static_cast<int>(std::lround(units * width / 4.0)); }
  int y(int units) const { return static_cast<int>(std::lround(units * height / 8.0)); }
  QRect rect(const tk::Rect& r) const {
    return QRect(x(r.x), y(r.y), x(r.x + r.width) - x(r.x), y(r.y + r.height) - y(r.y));
  }
  long width;
  int height;
};

bool isKind(QWidget* w, ControlKind kind) {
  switch (kind) {
    case ControlKind::Edit:
      return qobject_cast<QLineEdit*>(w) || qobject_cast<QPlainTextEdit*>(w);
    case ControlKind::Label:
      return qobject_cast<QLabel*>(w);
    case ControlKind::PushButton:
      return qobject_cast<QPushButton*>(w);
    case ControlKind::CheckBox:
      return qobject_cast<QCheckBox*>(w);
    case ControlKind::RadioButton:
      return qobject_cast<QRadioButton*>(w);
    case ControlKind::GroupBox:
      return qobject_cast<QGroupBox*>(w);
    case ControlKind::Spin:
      return w->findChildren<QWidget*>().size() == 2;  // its two arrow buttons
    case ControlKind::ProgressBar:
      return qobject_cast<QProgressBar*>(w);
    case ControlKind::ComboBox:
      return qobject_cast<QComboBox*>(w);
  }
  return false;
}

QString labelOf(QWidget* w) {
  if (auto* l = qobject_cast<QLabel*>(w)) return l->text();
  if (auto* b = qobject_cast<QAbstractButton*>(w)) return b->text();
  if (auto* g = qobject_cast<QGroupBox*>(w)) return g->title();
  if (auto* e = qobject_cast<QLineEdit*>(w)) return e->text();
  return {};
}

TEST(QtControls, EveryTemplateControlHasItsIdKindLabelAndDialogUnitGeometry) {
  sample::SampleDialog dialog;
  qttest::runWith(dialog, [](QWidget* window) {
    const ExpectedUnits units(window->font());
    std::cout << "dialog font " << window->font().family().toStdString() << ' '
              << window->font().pointSize() << "pt: average character width " << units.width
              << " px, height " << units.height << " px\n";
    EXPECT_EQ(window->font().pointSize(), 8);
    EXPECT_EQ(window->size(),
              QSize(units.x(sample::kTemplate.width), units.y(sample::kTemplate.height)));

    QList<QWidget*> made;
    for (QWidget* w : window->findChildren<QWidget*>()) {
      if (w->property("tkId").isValid()) made.append(w);
    }
    ASSERT_EQ(made.size(), static_cast<qsizetype>(sample::kTemplate.controls.size()));
    for (const tk::ControlTemplate& t : sample::kTemplate.controls) {
      SCOPED_TRACE(t.id);
      QWidget* w = nullptr;
      for (QWidget* candidate : made) {
        if (candidate->property("tkId").toInt() == t.id &&
            candidate->property("tkKind").toInt() == static_cast<int>(t.kind) &&
            labelOf(candidate) == QString::fromUtf8(t.label.data(), t.label.size())) {
          w = candidate;
        }
      }
      ASSERT_NE(w, nullptr);
      EXPECT_TRUE(isKind(w, t.kind));
      QRect expected = units.rect(t.rect);
      if (t.kind == ControlKind::ComboBox) expected.setHeight(w->sizeHint().height());
      EXPECT_EQ(w->geometry(), expected);
      EXPECT_EQ(w->isEnabled(), !t.has(tk::attr::kDisabled));
      EXPECT_EQ(w->isVisible(), !t.has(tk::attr::kHidden));
    }
  });
}

TEST(QtControls, AttributesShowAsTheControlsBehaviour) {
  sample::SampleDialog dialog;
  qttest::runWith(dialog, [](QWidget* window) {
    auto* readOnly = qttest::control<QLineEdit>(window, sample::kReadOnlyEdit);
    EXPECT_TRUE(readOnly->isReadOnly());
    EXPECT_FALSE(readOnly->hasFrame());
    auto* memo = qttest::control<QPlainTextEdit>(window, sample::kMemo);
    ASSERT_NE(memo, nullptr);
    EXPECT_TRUE(memo->isReadOnly());
    EXPECT_EQ(memo->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    EXPECT_TRUE(qttest::control<QPushButton>(window, sample::kOkButton)->isDefault());
    EXPECT_EQ(qttest::control(window, sample::kLeftCheck)->layoutDirection(), Qt::RightToLeft);
    EXPECT_FALSE(qttest::control<QComboBox>(window, sample::kListCombo)->isEditable());
    auto* editCombo = qttest::control<QComboBox>(window, sample::kEditCombo);
    EXPECT_TRUE(editCombo->isEditable());
    ASSERT_EQ(editCombo->count(), 3);
    EXPECT_EQ(editCombo->itemText(2), "Full data");
    EXPECT_EQ(editCombo->currentIndex(), -1);
    EXPECT_FALSE(qttest::control<QProgressBar>(window, sample::kProgress)->isTextVisible());

    // The group box lies behind the radio buttons it surrounds.
    QWidget* radio = qttest::control(window, sample::kRadioA);
    EXPECT_EQ(window->childAt(radio->geometry().center()), radio);
  });
}

TEST(QtControls, TabOrderFollowsTheTemplateOverTabStops) {
  sample::SampleDialog dialog;
  qttest::runWith(dialog, [](QWidget* window) {
    std::vector<int> expected;
    for (const tk::ControlTemplate& t : sample::kTemplate.controls) {
      if (t.has(tk::attr::kTabStop)) expected.push_back(t.id);
    }
    std::vector<int> chain;
    QWidget* w = qttest::control(window, expected.front());
    do {
      if (w->property("tkId").isValid() && (w->focusPolicy() & Qt::TabFocus)) {
        chain.push_back(w->property("tkId").toInt());
      }
      w = w->nextInFocusChain();
    } while (chain.size() < expected.size() && w != window);
    EXPECT_EQ(chain, expected);
    EXPECT_EQ(qttest::control(window, sample::kReadOnlyEdit)->focusPolicy(), Qt::ClickFocus);
  });
}

TEST(QtToolkit, NamesTheApplicationAfterItsExecutable) {
  EXPECT_EQ(qttest::toolkit().applicationName(), "toolkit_qt_tests");
}

}  // namespace
