#include "platform/toolkit/qt/qt_memory.h"

#include <QSettings>
#include <QStringList>

#include "platform/toolkit/qt/qt_text.h"

namespace tk {
namespace {

QSettings userSettings() {
  return {QSettings::IniFormat, QSettings::UserScope, QStringLiteral("tarnix"),
          QStringLiteral("tarnix")};
}

}  // namespace

std::vector<std::string> QtMemory::recall(std::string_view key) const {
  const QStringList kept = userSettings().value(fromUtf8(key)).toStringList();
  std::vector<std::string> values;
  values.reserve(static_cast<std::size_t>(kept.size()));
  for (const QString& value : kept) values.push_back(value.toStdString());
  return values;
}

bool QtMemory::remember(std::string_view key, const std::vector<std::string>& values,
                        std::string& why) {
  QSettings settings = userSettings();
  QStringList kept;
  for (const std::string& value : values) kept.append(fromUtf8(value));
  settings.setValue(fromUtf8(key), kept);
  settings.sync();
  if (settings.status() == QSettings::NoError) return true;
  why = "cannot write " + settings.fileName().toStdString();
  return false;
}

}  // namespace tk
