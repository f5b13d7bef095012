#include "platform/toolkit/qt/qt_toolkit.h"

#include <QApplication>
#include <QStyleFactory>

#include "platform/toolkit/qt/qt_message_box.h"
#include "platform/toolkit/qt/qt_window.h"

namespace tk {

QtToolkit::QtToolkit(int& argc, char** argv)
    : application_(std::make_unique<QApplication>(argc, argv)) {
  QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
  // Dialogs run their own loops; the application must not quit (and so end every loop that
  // runs later) when the last window of one closes.
  QApplication::setQuitOnLastWindowClosed(false);
}

QtToolkit::~QtToolkit() = default;

int QtToolkit::runModal(Dialog& dialog) {
  QtWindow window(dialog, nullptr, QApplication::applicationName());
  return window.run();
}

int QtToolkit::messageBox(std::string_view text, const char* caption, int style) {
  return showMessageBox(nullptr, text, caption, style, QApplication::applicationName());
}

std::string QtToolkit::applicationName() const {
  return QApplication::applicationName().toStdString();
}

}  // namespace tk
