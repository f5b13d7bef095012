#include "platform/toolkit/qt/history/qt_history_windows.h"

#include <QApplication>

namespace tk {

void QtHistoryWindows::open(const tarnix::SeriesKey& key) {
  for (HistoryWindow* window : openWindows()) {
    if (window->key() == key) {
      window->raise();
      window->activateWindow();
      return;
    }
  }
  std::erase_if(windows_, [](const QPointer<HistoryWindow>& window) { return window.isNull(); });
  // Owned by the monitor's window while it runs modally, so that its run leaves it usable.
  auto* window = new HistoryWindow(history_, key, memory_, QApplication::activeModalWidget());
  windows_.emplace_back(window);
  window->show();
}

void QtHistoryWindows::closeAll() {
  for (HistoryWindow* window : openWindows()) delete window;
  windows_.clear();
}

std::vector<HistoryWindow*> QtHistoryWindows::openWindows() const {
  std::vector<HistoryWindow*> open;
  for (const QPointer<HistoryWindow>& window : windows_) {
    if (window) open.push_back(window.data());
  }
  return open;
}

}  // namespace tk
