// The Qt backend makes the controls of a template as its attributes say, and paints them as the
// dialog's colour answers say, asked at every paint.

#include <gtest/gtest.h>

#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <algorithm>
#include <utility>

#include "tests/toolkit/qt_test_support.h"
#include "tests/toolkit/sample_dialog.h"

namespace {

using namespace sample;
using qttest::control;

// The first and last columns where `colour` shows; the last is -1 when it shows nowhere.
std::pair<int, int> columnsOf(const QImage& image, const QColor& colour) {
  std::pair<int, int> found{image.width(), -1};
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      if (image.pixelColor(x, y) == colour) found = {std::min(found.first, x), x};
    }
  }
  return found;
}

bool asked(const SampleDialog& dialog, int id, tk::ColourKind kind) {
  return std::ranges::find(dialog.colourQueries, std::pair{id, kind}) != dialog.colourQueries.end();
}

TEST(QtControls, AttributesShowAsTheControlsBehaviourAndColourAnswersAtEveryPaint) {
  SampleDialog dialog;
  qttest::runWith(dialog, [&](QWidget* window) {
    // Focusable but no tab stop: focus by click only.
    EXPECT_EQ(control(window, kReadOnlyEdit)->focusPolicy(), Qt::ClickFocus);

    // The green text background covers the text only, in a black box.
    dialog.brush = tk::Colour{0, 0, 0};
    dialog.ui().setText(kDepthEdit, "88");
    auto* edit = control<QLineEdit>(window, kDepthEdit);
    const QImage coloured = edit->grab().toImage();
    EXPECT_TRUE(asked(dialog, kDepthEdit, tk::ColourKind::Edit));
    const auto [backLeft, backRight] = columnsOf(coloured, Qt::green);
    ASSERT_GE(backRight, 0);
    const int textWidth = edit->fontMetrics().horizontalAdvance("88");
    EXPECT_LE(backRight - backLeft + 1, textWidth);
    const int middle = coloured.height() / 2;
    EXPECT_EQ(coloured.pixelColor(0, 0), QColor(Qt::black));
    EXPECT_EQ(coloured.pixelColor(backRight + 2, middle), QColor(Qt::black));
    EXPECT_EQ(coloured.pixelColor(coloured.width() - 2, middle), QColor(Qt::black));
    // A changed answer shows at the next paint: no brush, the edit's own look.
    dialog.brush.reset();
    const QImage plain = edit->grab().toImage();
    EXPECT_LT(columnsOf(plain, Qt::green).second, 0);
    EXPECT_NE(plain.pixelColor(plain.width() / 2 + textWidth, middle), QColor(Qt::black));

    // A check box takes the brush; labels ask as statics.
    dialog.colouredId = kCheck;
    dialog.brush = tk::Colour{0, 0, 0};
    const QImage check = control(window, kCheck)->grab().toImage();
    EXPECT_EQ(check.pixelColor(check.width() - 1, check.height() - 1), QColor(Qt::black));
    EXPECT_TRUE(asked(dialog, kCheck, tk::ColourKind::Button));
    for (QLabel* label : window->findChildren<QLabel*>()) (void)label->grab();
    EXPECT_TRUE(asked(dialog, tk::kNoId, tk::ColourKind::Static));
  });
}

}  // namespace
