#include "platform/toolkit/qt/icon_image.h"

#include <QPixmap>

namespace tk {

QImage toQImage(const Icon& icon) {
  QImage image(icon.width, icon.height, QImage::Format_ARGB32);
  for (int y = 0; y < icon.height; ++y) {
    for (int x = 0; x < icon.width; ++x) {
      const auto index = static_cast<std::size_t>(y) * icon.width + x;
      image.setPixel(x, y, index < icon.pixels.size() ? icon.pixels[index] : 0u);
    }
  }
  return image;
}

QIcon toQIcon(const Icon& large, const Icon& small) {
  QIcon icon;
  icon.addPixmap(QPixmap::fromImage(toQImage(large)));
  icon.addPixmap(QPixmap::fromImage(toQImage(small)));
  return icon;
}

}  // namespace tk
