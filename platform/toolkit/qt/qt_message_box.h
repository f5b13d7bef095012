#pragma once

#include <QMessageBox>
#include <QPointer>
#include <QString>
#include <string_view>

class QWidget;

namespace tk {

// Shows a message box and gives its answer (kIdOk, kIdCancel, kIdYes, kIdNo). A box with an
// owner is modal over the owner's window, one without over the whole application. A null
// caption shows `defaultCaption`.
int showMessageBox(QWidget* owner, std::string_view text, const char* caption, int style,
                   const QString& defaultCaption);

// Shows `text` in a box owned by `owner` that waits for no answer, and keeps it in `box`; while
// `box` is still open the text joins it on a line of its own instead. OK closes the box.
void showNoticeBox(QPointer<QMessageBox>& box, QWidget* owner, std::string_view text,
                   const QString& caption, int style);

}  // namespace tk
