#include "platform/toolkit/qt/qt_toolkit.h"

#include <xcb/xcb.h>

#include <QApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QStyleFactory>
#include <QVariantMap>
#include <cstdlib>
#include <string_view>

#include "platform/toolkit/qt/qt_message_box.h"
#include "platform/toolkit/qt/qt_text.h"
#include "platform/toolkit/qt/qt_window.h"

namespace tk {
namespace {

constexpr const char* kNotifyService = "org.freedesktop.Notifications";
constexpr const char* kNotifyPath = "/org/freedesktop/Notifications";

}  // namespace

QtToolkit::QtToolkit(std::string programName) : programName_(std::move(programName)) {
  argv_[0] = programName_.data();
  application_ = std::make_unique<QApplication>(argc_, argv_);
  QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
  // Dialogs run their own loops; the application must not quit (and so end every loop that
  // runs later) when the last window of one closes.
  QApplication::setQuitOnLastWindowClosed(false);
}

QtToolkit::~QtToolkit() = default;

bool QtToolkit::displayReachable(std::string& why) {
  const char* platform = std::getenv("QT_QPA_PLATFORM");
  if (platform != nullptr && *platform != '\0' && std::string_view(platform).rfind("xcb", 0) != 0) {
    return true;  // a platform of its own choosing, offscreen say: Qt reports on it itself
  }
  const char* display = std::getenv("DISPLAY");
  if (display == nullptr || *display == '\0') {
    why = "no display: DISPLAY is not set, and the monitor needs a graphical session";
    return false;
  }
  xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
  const bool reached = xcb_connection_has_error(connection) == 0;
  xcb_disconnect(connection);
  if (!reached) why = "cannot open the display '" + std::string(display) + "'";
  return reached;
}

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

bool QtToolkit::startNotifications(std::string& why) {
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (!bus.isConnected()) {
    why = "no session bus to send notifications on";
    return false;
  }
  const QDBusConnectionInterface* names = bus.interface();
  const QString service = QString::fromLatin1(kNotifyService);
  if (names == nullptr || (!names->isServiceRegistered(service).value() &&
                           !names->activatableServiceNames().value().contains(service))) {
    why = "no notification service on the session bus";
    return false;
  }
  notifying_ = true;
  return true;
}

void QtToolkit::notify(std::string_view summary, std::string_view body) {
  if (!notifying_) return;
  QDBusMessage call = QDBusMessage::createMethodCall(
      QString::fromLatin1(kNotifyService), QString::fromLatin1(kNotifyPath),
      QString::fromLatin1(kNotifyService), QStringLiteral("Notify"));
  call << QApplication::applicationName() << 0u << QStringLiteral("tarnix") << fromUtf8(summary)
       << fromUtf8(body) << QStringList() << QVariantMap() << -1;
  // Sent without waiting: a busy notification service must not stall the monitor's window.
  QDBusConnection::sessionBus().send(call);
}

}  // namespace tk
