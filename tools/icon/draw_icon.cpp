// Draws the application icon, a queue gauge, as PNG files for the desktop's icon theme: a glass
// tube of stacked messages, green low, yellow higher, red over the warning mark, with a scale.
//   draw_icon DIR SIZE...   writes DIR/tarnix-SIZE.png for each size
#include <QColor>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QString>
#include <cstdio>
#include <cstdlib>

namespace {

QImage drawGauge(int size) {
  QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  p.scale(size / 64.0, size / 64.0);  // drawn on a 64-unit square

  const QRectF tube(14, 4, 30, 56);
  QPainterPath outline;
  outline.addRoundedRect(tube, 5, 5);
  p.fillPath(outline, QColor(250, 250, 250));

  // Stacked messages from the bottom: four green, two yellow, one red above the mark.
  const QColor green(0, 176, 0);
  const QColor yellow(240, 200, 0);
  const QColor red(220, 0, 0);
  const QColor colours[] = {green, green, green, green, yellow, yellow, red};
  double y = 54;
  for (const QColor& colour : colours) {
    p.fillRect(QRectF(18, y - 4.5, 22, 4.5), colour);
    y -= 6.5;
  }
  // The warning mark across the tube, and the scale beside it.
  p.setPen(QPen(red, 2.5));
  p.drawLine(QPointF(14, 16), QPointF(44, 16));
  p.setPen(QPen(QColor(0, 60, 200), 2));
  for (int tick = 0; tick < 5; ++tick) {
    const double at = 12 + tick * 11;
    p.drawLine(QPointF(47, at), QPointF(tick % 2 == 0 ? 56 : 52, at));
  }
  p.setPen(QPen(QColor(20, 20, 20), 3));
  p.setBrush(Qt::NoBrush);
  p.drawPath(outline);
  return image;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: draw_icon DIR SIZE...\n");
    return 2;
  }
  for (int i = 2; i < argc; ++i) {
    const int size = std::atoi(argv[i]);
    const QString path = QString::fromLocal8Bit(argv[1]) + QStringLiteral("/tarnix-%1.png").arg(size);
    if (size <= 0 || !drawGauge(size).save(path)) {
      std::fprintf(stderr, "draw_icon: cannot write %s\n", qPrintable(path));
      return 1;
    }
  }
  return 0;
}
