#pragma once

#include <QString>
#include <string_view>

class QWidget;

namespace tk {

// Shows a message box and gives its answer (kIdOk, kIdCancel, kIdYes, kIdNo). A box with an
// owner is modal over the owner's window, one without over the whole application. A null
// caption shows `defaultCaption`.
int showMessageBox(QWidget* owner, std::string_view text, const char* caption, int style,
                   const QString& defaultCaption);

}  // namespace tk
