#pragma once

#include <QMessageBox>
#include <QString>
#include <QWidget>
#include <functional>

#include "platform/toolkit/dialog.h"
#include "platform/toolkit/qt/qt_toolkit.h"

// Helpers for driving real widgets from inside a modal run.
namespace qttest {

// The toolkit of this test process (one application object per process).
tk::QtToolkit& toolkit();

// The control widget carrying `id`, or null.
QWidget* control(QWidget* dialogWidget, int id);
template <class W>
W* control(QWidget* dialogWidget, int id) {
  return qobject_cast<W*>(control(dialogWidget, id));
}

// The shown window `dialog` runs in: the shown modal window that holds its template's first
// control; null when there is none.
QWidget* windowOf(const tk::Dialog& dialog);

// Processes events until `done` holds. No time limit: the test's own timeout catches a hang.
void processUntil(const std::function<bool()>& done);

// Processes events for `milliseconds`, so that pending repaints reach the window's backing store.
void processFor(int milliseconds);

// Runs `script` with the dialog's window once it is shown inside the modal run of `dialog`,
// then ends the run with kIdCancel if the script left it running.
void duringRun(tk::Dialog& dialog, std::function<void(QWidget*)> script);

// Runs `dialog` modally with `script` inside, and gives the run's result.
int runWith(tk::Dialog& dialog, std::function<void(QWidget*)> script);

// What a message box showed.
struct SeenBox {
  QString text;
  QString title;
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  bool windowModal = false;
  bool staysOnTop = false;
  bool active = false;  // it took the keyboard within a second of showing
  friend bool operator==(const SeenBox&, const SeenBox&) = default;
};

// Presses `button` in the next message box that appears, and records what it showed.
void answerNextBox(QMessageBox::StandardButton button, SeenBox* seen = nullptr);

}  // namespace qttest
