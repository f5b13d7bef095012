#include "platform/toolkit/qt/colour_line_edit.h"

#include <QKeyEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionFrame>
#include <QValidator>

namespace tk {
namespace {

// The gaps the line edit keeps between its contents rectangle and its text.
constexpr int kHorizontalTextMargin = 2;

// Accepts text of at most a number of bytes in UTF-8, the unit the dialogs' fields count in.
class ByteLimit : public QValidator {
 public:
  ByteLimit(std::size_t limit, QObject* parent) : QValidator(parent), limit_(limit) {}
  State validate(QString& input, int& /*position*/) const override {
    return static_cast<std::size_t>(input.toUtf8().size()) <= limit_ ? Acceptable : Invalid;
  }

 private:
  std::size_t limit_;
};

}  // namespace

ColourLineEdit::ColourLineEdit(QWidget* parent, ColourAsk ask, bool digitsOnly,
                               std::size_t textLimit)
    : QLineEdit(parent), ask_(std::move(ask)), digitsOnly_(digitsOnly) {
  if (textLimit != 0) setValidator(new ByteLimit(textLimit, this));
}

void ColourLineEdit::keyPressEvent(QKeyEvent* event) {
  if (digitsOnly_) {
    for (QChar c : event->text()) {
      if (c.isPrint() && !c.isDigit()) return;  // swallowed, as a refused keystroke
    }
  }
  QLineEdit::keyPressEvent(event);
}

void ColourLineEdit::mouseDoubleClickEvent(QMouseEvent* event) {
  QLineEdit::mouseDoubleClickEvent(event);
  if (doubleClicked_) doubleClicked_();
}

void ColourLineEdit::paintEvent(QPaintEvent* event) {
  const ColourAnswer answer = ask_();
  if (!answer.brush) {
    QLineEdit::paintEvent(event);
    return;
  }
  // The whole box in the brush colour, the text in the text colour, and the text background
  // only behind the text itself.
  QPainter painter(this);
  painter.fillRect(rect(), toQColor(*answer.brush));

  QStyleOptionFrame option;
  initStyleOption(&option);
  QRect line = style()->subElementRect(QStyle::SE_LineEditContents, &option, this);
  line = line.marginsRemoved(textMargins());
  const QFontMetrics metrics = fontMetrics();
  const int textLeft = line.x() + kHorizontalTextMargin;
  const int textTop = line.y() + (line.height() - metrics.height() + 1) / 2;
  const QString shown = displayText();
  const QRect textRect(textLeft, textTop, metrics.horizontalAdvance(shown), metrics.height());

  painter.setClipRect(line);
  if (answer.textBackground && !shown.isEmpty()) {
    painter.fillRect(textRect, toQColor(*answer.textBackground));
  }
  const QColor textColour =
      answer.textColour ? toQColor(*answer.textColour) : palette().color(QPalette::Text);
  painter.setPen(textColour);
  painter.drawText(QPoint(textLeft, textTop + metrics.ascent()), shown);
  if (hasFocus() && !isReadOnly()) {
    const int caret = textLeft + metrics.horizontalAdvance(shown.left(cursorPosition()));
    painter.fillRect(QRect(caret, textTop, 1, metrics.height()), textColour);
  }
}

}  // namespace tk
