#pragma once

#include <QIcon>
#include <QImage>

#include "platform/toolkit/icon.h"

namespace tk {

QImage toQImage(const Icon& icon);
// One icon with both sizes, for the window's title bar and task switcher.
QIcon toQIcon(const Icon& large, const Icon& small);

}  // namespace tk
