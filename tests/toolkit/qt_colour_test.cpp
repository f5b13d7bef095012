// The colour query paints a control as the dialog answers, asked again at every paint.

#include <gtest/gtest.h>

#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <algorithm>
#include <cstdlib>

#include "tests/toolkit/qt_test_support.h"
#include "tests/toolkit/sample_dialog.h"

namespace {

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

TEST(QtColours, AnsweredEditShowsTextColourOnTextBackgroundInABrushBox) {
  sample::SampleDialog dialog;
  qttest::runWith(dialog, [&](QWidget* window) {
    dialog.textColour = tk::Colour{0, 0, 255};
    dialog.textBackground = tk::Colour{0, 255, 0};
    dialog.brush = tk::Colour{0, 0, 0};
    dialog.colouredId = sample::kDepthEdit;
    dialog.ui().setText(sample::kDepthEdit, "88");
    auto* edit = qttest::control<QLineEdit>(window, sample::kDepthEdit);

    dialog.colourQueries.clear();
    const QImage coloured = edit->grab().toImage();
    EXPECT_NE(std::find(dialog.colourQueries.begin(), dialog.colourQueries.end(),
                        std::pair{int{sample::kDepthEdit}, tk::ColourKind::Edit}),
              dialog.colourQueries.end());
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

TEST(QtColours, AnsweredLabelAndButtonTakeTheBrush) {
  sample::SampleDialog dialog;
  qttest::runWith(dialog, [&](QWidget* window) {
    dialog.textColour = tk::Colour{0, 0, 255};
    dialog.textBackground = tk::Colour{0, 255, 0};
    dialog.brush = tk::Colour{0, 0, 0};
    dialog.colouredId = sample::kCheck;
    QWidget* check = qttest::control(window, sample::kCheck);
    const QImage image = check->grab().toImage();
    EXPECT_EQ(image.pixelColor(image.width() - 1, image.height() - 1), kBlack);
    EXPECT_GT(find(image, kBlue, kGlyphTolerance).count, 0);
    EXPECT_NE(std::find(dialog.colourQueries.begin(), dialog.colourQueries.end(),
                        std::pair{int{sample::kCheck}, tk::ColourKind::Button}),
              dialog.colourQueries.end());

    dialog.colourQueries.clear();
    for (QLabel* label : window->findChildren<QLabel*>()) {
      if (label->property("tkId").isValid()) (void)label->grab();
    }
    EXPECT_NE(std::find(dialog.colourQueries.begin(), dialog.colourQueries.end(),
                        std::pair{int{tk::kNoId}, tk::ColourKind::Static}),
              dialog.colourQueries.end());
  });
}

}  // namespace
