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
