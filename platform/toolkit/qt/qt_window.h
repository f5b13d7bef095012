#pragma once

#include <QMessageBox>
#include <QPointer>
#include <QString>
#include <atomic>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "platform/toolkit/dialog.h"
#include "platform/toolkit/dialog_units.h"
#include "platform/toolkit/qt/progress_calls.h"
#include "platform/toolkit/qt/qt_colours.h"
#include "platform/toolkit/spin_model.h"
#include "platform/toolkit/window.h"
#include "platform/toolkit/worker_set.h"

class QTimer;
class QTreeWidget;
class QTreeWidgetItem;
class QWidget;

namespace tk {

class DialogWidget;
class QtProgressSink;
class SpinArrows;

// A dialog's window with real widgets made from its template. Every control widget carries its
// control id in the property "tkId", its kind in "tkKind" and its place in the template in
// "tkIndex"; a control with an id is also named "control<id>".
class QtWindow : public Window {
 public:
  // `owner` is the window a nested dialog runs over; null for a top-level one.
  QtWindow(Dialog& dialog, QWidget* owner, QString applicationName);
  ~QtWindow() override;
  QtWindow(const QtWindow&) = delete;
  QtWindow& operator=(const QtWindow&) = delete;

  // Attaches the dialog, runs its initialisation, then the modal loop until the dialog ends;
  // closes the window (workers stopped and joined, dialog detached) and gives the result.
  int run();

  void setText(int id, std::string_view text) override;
  std::string text(int id, std::size_t maxChars) const override;
  bool isChecked(int id) const override;
  void setChecked(int id, bool checked) override;
  void enable(int id, bool enabled) override;
  void showControl(int id, bool shown) override;
  void addContextAction(int id, int command, std::string_view label) override;
  void selectItem(int id, int index) override;
  int selectedItem(int id) const override;
  void setRows(int id, std::span<const std::vector<std::string>> rows) override;
  void selectRow(int id, int row) override;
  int selectedRow(int id) const override;
  void setRowChecked(int id, int row, bool checked) override;
  bool isRowChecked(int id, int row) const override;
  void setSpinBuddy(int spinId, int editId) override;
  void setSpinRange(int spinId, std::int16_t lower, std::int16_t upper) override;
  ProgressBar progressBar(int id) override;
  // Position is the window's top-left, its frame's where a window manager adds one; the size is
  // the host's outer size, whose client area (the host's frame off) shows here in dialog units,
  // whatever frame this desktop adds.
  void setGeometry(int x, int y, int width, int height) override;
  void setTitle(std::string_view title) override;
  void setTopmost(bool topmost) override;
  void setIcons(const Icon& large, const Icon& small) override;
  void startTimer(std::uint32_t periodMs) override;
  int messageBox(std::string_view text, const char* caption, int style) override;
  void showNotice(std::string_view text, const char* caption, int style) override;
  std::optional<SaveChoice> chooseSaveFile(std::string_view caption, std::string_view suggestedName,
                                           std::span<const std::string> forms) override;
  void copyToClipboard(std::string_view text) override;
  int runModal(Dialog& child) override;
  void endDialog(int result) override;
  bool startWorker(std::function<void(std::stop_token)> work,
                   std::function<void()> whenEnded) override;
  void stopWorkers() override;

 private:
  struct Control {
    const ControlTemplate* tmpl;
    QWidget* widget;
    std::unique_ptr<SpinModel> spin;
    std::shared_ptr<QtProgressSink> progress;
  };

  // The widgets, from the template (qt_window_build.cpp).
  void build();
  QWidget* makeControl(const ControlTemplate& t, std::size_t index);
  QWidget* makeMultiLineEdit(const ControlTemplate& t);
  QWidget* makeLineEdit(const ControlTemplate& t);
  QWidget* makeLabel(const ControlTemplate& t);
  QWidget* makePushButton(const ControlTemplate& t);
  QWidget* makeCheckBox(const ControlTemplate& t);
  QWidget* makeRadioButton(const ControlTemplate& t, std::size_t index);
  QWidget* makeGroupBox(const ControlTemplate& t);
  QWidget* makeComboBox(const ControlTemplate& t);
  QWidget* makeList(const ControlTemplate& t);
  // What every control's widget gets: its tooltip, names, place, state and focus.
  void placeControl(QWidget& w, const ControlTemplate& t, std::size_t index);
  // The control's colours, asked of the dialog whenever it is painted.
  ColourAsk colourAsk(const ControlTemplate& t);
  Control* find(int id);
  const Control* find(int id) const;
  void notify(int id, Notify notify);
  void clearRadioGroup(std::size_t index);
  std::string toolTip(int id);
  QTreeWidget* list(int id) const;
  QTreeWidgetItem* listRow(int id, int row) const;
  ColourAnswer askColour(int id, ControlKind kind);
  void close();

  Dialog& dialog_;
  QString applicationName_;
  std::unique_ptr<DialogWidget> widget_;
  DialogUnits units_;
  QTimer* timer_ = nullptr;
  std::vector<Control> controls_;
  WorkerSet workers_{announceWorkerFinished};
  // Lives while the window is open; the end calls of its workers run only while it does.
  std::shared_ptr<int> open_ = std::make_shared<int>(0);
  std::map<QString, QPointer<QMessageBox>> notices_;
  int result_;
  bool ended_ = false;
  bool closed_ = false;
};

}  // namespace tk
