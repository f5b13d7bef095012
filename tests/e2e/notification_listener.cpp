// A desktop notification service of the test's own: takes the freedesktop notification name on
// the session bus and writes each note it is sent to a file, "summary | body" a line.
#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVirtualObject>
#include <QFile>
#include <QTextStream>
#include <cstdio>

namespace {

class Listener : public QDBusVirtualObject {
 public:
  explicit Listener(const QString& path) : file_(path) {
    file_.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text);
  }

  bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override {
    if (message.member() == QLatin1String("Notify") && message.arguments().size() >= 5) {
      QTextStream(&file_) << message.arguments().at(3).toString() << " | "
                          << message.arguments().at(4).toString() << "\n";
      file_.flush();
      connection.send(message.createReply(QVariant::fromValue(++notes_)));
      return true;
    }
    if (message.member() == QLatin1String("GetCapabilities")) {
      connection.send(message.createReply(QStringList{QStringLiteral("body")}));
      return true;
    }
    return false;
  }
  QString introspect(const QString&) const override { return {}; }

 private:
  QFile file_;
  uint notes_ = 0;
};

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication application(argc, argv);
  if (argc < 2) {
    std::fprintf(stderr, "usage: notification_listener FILE\n");
    return 2;
  }
  Listener listener(QString::fromLocal8Bit(argv[1]));
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (!bus.registerVirtualObject(QStringLiteral("/org/freedesktop/Notifications"), &listener) ||
      !bus.registerService(QStringLiteral("org.freedesktop.Notifications"))) {
    std::fprintf(stderr, "notification_listener: cannot take the notification service\n");
    return 1;
  }
  return QCoreApplication::exec();
}
