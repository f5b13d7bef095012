// The Qt backend makes every control of a template with its id, kind, label, attributes, tab
// stop and pixel geometry, and paints it as the dialog's colour answers say, asked at every paint.

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QComboBox>
#include <QFontMetrics>
#include <QFontMetricsF>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <utility>

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

// Each kind's widget class; a multi-line edit is a plain-text edit, and a spin a bare widget
// holding its two arrow buttons.
bool isKind(QWidget* w, const tk::ControlTemplate& t) {
  using enum ControlKind;
  const std::pair<ControlKind, const char*> classes[] = {
      {Edit, "QLineEdit"},           {Label, "QLabel"},
      {PushButton, "QPushButton"},   {CheckBox, "QCheckBox"},
      {RadioButton, "QRadioButton"}, {GroupBox, "QGroupBox"},
      {ProgressBar, "QProgressBar"}, {ComboBox, "QComboBox"}};
  if (t.has(tk::attr::kMultiLine)) return w->inherits("QPlainTextEdit");
  if (t.kind == Spin) return w->findChildren<QWidget*>().size() == 2;
  for (const auto& [kind, name] : classes) {
    if (kind == t.kind) return w->inherits(name);
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

TEST(QtControls, EveryTemplateControlHasItsIdKindLabelDialogUnitGeometryAndTabStop) {
  sample::SampleDialog dialog;
  qttest::runWith(dialog, [](QWidget* window) {
    const ExpectedUnits units(window->font());
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
      const auto found = std::ranges::find_if(made, [&t](QWidget* w) {
        return w->property("tkId").toInt() == t.id && isKind(w, t) &&
               labelOf(w) == QString::fromUtf8(t.label.data(), t.label.size());
      });
      ASSERT_NE(found, made.end());
      QWidget* w = *found;
      QRect expected = units.rect(t.rect);
      if (t.kind == ControlKind::ComboBox) expected.setHeight(w->sizeHint().height());
      EXPECT_EQ(w->geometry(), expected);
      EXPECT_EQ(w->isEnabled(), !t.has(tk::attr::kDisabled));
      EXPECT_EQ(w->isVisible(), !t.has(tk::attr::kHidden));
      EXPECT_EQ((w->focusPolicy() & Qt::TabFocus) != 0, t.has(tk::attr::kTabStop));
    }
  });
}

TEST(QtControls, AttributesShowAsTheControlsBehaviour) {
  sample::SampleDialog dialog;
  qttest::runWith(dialog, [](QWidget* window) {
    EXPECT_FALSE(qttest::control<QLineEdit>(window, sample::kReadOnlyEdit)->hasFrame());
    auto* memo = qttest::control<QPlainTextEdit>(window, sample::kMemo);
    EXPECT_TRUE(memo->isReadOnly());
    EXPECT_EQ(memo->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    EXPECT_EQ(qttest::control(window, sample::kLeftCheck)->layoutDirection(), Qt::RightToLeft);
    EXPECT_FALSE(qttest::control<QComboBox>(window, sample::kListCombo)->isEditable());
    auto* editCombo = qttest::control<QComboBox>(window, sample::kEditCombo);
    EXPECT_TRUE(editCombo->isEditable());
    EXPECT_EQ(editCombo->count(), 3);
    EXPECT_EQ(editCombo->currentIndex(), -1);
    EXPECT_FALSE(qttest::control<QProgressBar>(window, sample::kProgress)->isTextVisible());
    // The group box lies behind the radio buttons it surrounds.
    QWidget* radio = qttest::control(window, sample::kRadioA);
    EXPECT_EQ(window->childAt(radio->geometry().center()), radio);
    // Focusable but no tab stop: focus by click only.
    EXPECT_EQ(qttest::control(window, sample::kReadOnlyEdit)->focusPolicy(), Qt::ClickFocus);
  });
}

const QColor kBlue(0, 0, 255);
const QColor kGreen(0, 255, 0);
const QColor kBlack(0, 0, 0);
constexpr int kGlyphTolerance = 48;

struct Pixels {
  int count = 0;
  int left = 1 << 30;
  int right = -1;
};

// The pixels of `colour`, give or take `tolerance` in each channel: glyph edges are smoothed
// into whatever lies behind the text, so only glyph cores show the text colour itself.
Pixels find(const QImage& image, const QColor& colour, int tolerance = 0) {
  Pixels found;
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      const QColor pixel = image.pixelColor(x, y);
      if (std::abs(pixel.red() - colour.red()) > tolerance ||
          std::abs(pixel.green() - colour.green()) > tolerance ||
          std::abs(pixel.blue() - colour.blue()) > tolerance) {
        continue;
      }
      ++found.count;
      found.left = std::min(found.left, x);
      found.right = std::max(found.right, x);
    }
  }
  return found;
}

bool asked(const sample::SampleDialog& dialog, int id, tk::ColourKind kind) {
  return std::ranges::find(dialog.colourQueries, std::pair{id, kind}) != dialog.colourQueries.end();
}

TEST(QtColours, AnsweredEditShowsTextColourOnTextBackgroundInABrushBox) {
  sample::SampleDialog dialog;
  qttest::runWith(dialog, [&](QWidget* window) {
    dialog.brush = tk::Colour{0, 0, 0};
    dialog.ui().setText(sample::kDepthEdit, "88");
    auto* edit = qttest::control<QLineEdit>(window, sample::kDepthEdit);

    dialog.colourQueries.clear();
    const QImage coloured = edit->grab().toImage();
    EXPECT_TRUE(asked(dialog, sample::kDepthEdit, tk::ColourKind::Edit));
    const Pixels text = find(coloured, kBlue, kGlyphTolerance);
    const Pixels background = find(coloured, kGreen);
    EXPECT_GT(text.count, 0);
    ASSERT_GT(background.count, 0);
    // The text background covers the text only: it ends about where the text does, and the
    // rest of the box is the brush.
    const int textWidth = edit->fontMetrics().horizontalAdvance("88");
    EXPECT_LE(background.right - background.left + 1, textWidth);
    EXPECT_GE(text.left, background.left);
    EXPECT_LE(text.right, background.right);
    const int middle = coloured.height() / 2;
    EXPECT_EQ(coloured.pixelColor(coloured.width() - 2, middle), kBlack);
    EXPECT_EQ(coloured.pixelColor(0, 0), kBlack);
    EXPECT_EQ(coloured.pixelColor(background.right + 2, middle), kBlack);

    // A changed answer shows at the next paint: no brush, the edit's own look.
    dialog.brush.reset();
    const QImage plain = edit->grab().toImage();
    EXPECT_EQ(find(plain, kGreen).count, 0);
    EXPECT_NE(plain.pixelColor(plain.width() / 2 + textWidth, middle), kBlack);
  });
}

TEST(QtColours, AnsweredCheckBoxTakesTheBrushAndLabelsAskAsStatics) {
  sample::SampleDialog dialog;
  dialog.colouredId = sample::kCheck;
  dialog.brush = tk::Colour{0, 0, 0};
  qttest::runWith(dialog, [&](QWidget* window) {
    const QImage image = qttest::control(window, sample::kCheck)->grab().toImage();
    EXPECT_EQ(image.pixelColor(image.width() - 1, image.height() - 1), kBlack);
    EXPECT_GT(find(image, kBlue, kGlyphTolerance).count, 0);
    EXPECT_TRUE(asked(dialog, sample::kCheck, tk::ColourKind::Button));

    dialog.colourQueries.clear();
    for (QLabel* label : window->findChildren<QLabel*>()) {
      if (label->property("tkId").isValid()) (void)label->grab();
    }
    EXPECT_TRUE(asked(dialog, tk::kNoId, tk::ColourKind::Static));
  });
}

}  // namespace
