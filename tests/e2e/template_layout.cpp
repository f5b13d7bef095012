// Lays out the monitor's, the options dialog's or the chooser's template on the real backend, as
// tarnix would on this display and at this scale, and prints what a test needs to find and judge
// it:
//   scale S                          device pixels to a pixel of the layout
//   colour window|base R,G,B         the window's background and an edit's
//   control ID X Y W H FIT NEEDED AVAILABLE LABEL
// with each control's rectangle in the window's pixels and how its label fits (fits, stacked or
// too-long, measured with the dialog font and the style). Ends with status 1 when a label is too
// long for its control.
#include <QApplication>
#include <QPalette>
#include <QWidget>
#include <cstdio>
#include <cstring>
#include <vector>

#include "chooser/chooser_template.h"
#include "generator/options_template.h"
#include "monitor/monitor_template.h"
#include "platform/toolkit/dialog.h"
#include "platform/toolkit/qt/label_fit.h"
#include "platform/toolkit/qt/qt_toolkit.h"
#include "platform/toolkit/qt/qt_window.h"

namespace {

// The template's controls with no behaviour of their own.
class Still : public tk::Dialog {
 public:
  using Dialog::Dialog;
  void onEvent(int /*id*/, tk::Notify /*notify*/) override {}
};

const char* fitName(tk::LabelFit fit) {
  switch (fit) {
    case tk::LabelFit::Fits:
      return "fits";
    case tk::LabelFit::Stacked:
      return "stacked";
    case tk::LabelFit::TooLong:
      break;
  }
  return "too-long";
}

void printColour(const char* role, const QColor& colour) {
  std::printf("colour %s %d,%d,%d\n", role, colour.red(), colour.green(), colour.blue());
}

}  // namespace

int main(int argc, char** argv) {
  const tk::DialogTemplate* chosen = nullptr;
  if (argc == 2 && std::strcmp(argv[1], "monitor") == 0) chosen = &tarnix::monitorTemplate();
  if (argc == 2 && std::strcmp(argv[1], "options") == 0) chosen = &tarnix::optionsTemplate();
  if (argc == 2 && std::strcmp(argv[1], "chooser") == 0) chosen = &tarnix::chooserTemplate();
  if (chosen == nullptr) {
    std::fprintf(stderr, "usage: template_layout monitor|options|chooser\n");
    return 2;
  }
  tk::QtToolkit toolkit("tarnix");
  const tk::DialogTemplate& dialogTemplate = *chosen;
  Still dialog(dialogTemplate);
  const tk::QtWindow window(dialog, nullptr, QStringLiteral("tarnix"));

  // The dialog's window, not a combo box's list.
  QWidget* top = nullptr;
  for (QWidget* w : QApplication::topLevelWidgets()) {
    if (w->parentWidget() == nullptr && w->windowType() != Qt::Popup) top = w;
  }
  std::printf("scale %g\n", top->devicePixelRatioF());
  printColour("window", top->palette().color(QPalette::Window));
  printColour("base", top->palette().color(QPalette::Base));
  int tooLong = 0;
  std::vector<QWidget*> widgets(dialogTemplate.controls.size());
  for (QWidget* w : top->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
    const QVariant index = w->property("tkIndex");
    if (index.isValid()) widgets.at(index.toUInt()) = w;
  }
  for (std::size_t index = 0; index < widgets.size(); ++index) {
    QWidget* w = widgets[index];
    const tk::ControlTemplate& c = dialogTemplate.controls[index];
    w->ensurePolished();
    const QString label = QString::fromUtf8(c.label.data(), static_cast<qsizetype>(c.label.size()));
    const tk::LabelMeasure fit = tk::measureLabel(*w, c.kind, label);
    if (fit.fit == tk::LabelFit::TooLong) ++tooLong;
    const QRect r = w->geometry();
    std::printf("control %d %d %d %d %d %s %d %d %s\n", c.id, r.x(), r.y(), r.width(), r.height(),
                fitName(fit.fit), fit.needed, fit.available, qPrintable(label));
  }
  return tooLong == 0 ? 0 : 1;
}
