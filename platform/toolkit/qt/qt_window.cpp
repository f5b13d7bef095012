#include "platform/toolkit/qt/qt_window.h"

#include <QAbstractButton>
#include <QAction>
#include <QClipboard>
#include <QComboBox>
#include <QFileDialog>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSignalBlocker>
#include <QTimer>
#include <QTreeWidget>
#include <QWindow>
#include <algorithm>
#include <chrono>
#include <stdexcept>
#include <utility>

#include "platform/toolkit/colour_query.h"
#include "platform/toolkit/control_groups.h"
#include "platform/toolkit/message_box.h"
#include "platform/toolkit/qt/dialog_font.h"
#include "platform/toolkit/qt/dialog_widget.h"
#include "platform/toolkit/qt/icon_image.h"
#include "platform/toolkit/qt/progress_calls.h"
#include "platform/toolkit/qt/qt_message_box.h"
#include "platform/toolkit/qt/qt_progress_sink.h"
#include "platform/toolkit/qt/qt_text.h"
#include "platform/toolkit/qt/spin_arrows.h"
#include "platform/toolkit/text_prefix.h"
#include "platform/toolkit/timer_period.h"

namespace tk {
namespace {

// How long a closing window waits for its workers to stop. A worker that is still busy then (in
// a call that a stop cannot wake) is left to end on its own, so that closing the window always
// ends the program promptly.
constexpr std::chrono::milliseconds kWorkerStopWait{500};

}  // namespace

QtWindow::QtWindow(Dialog& dialog, QWidget* owner, QString applicationName)
    : dialog_(dialog),
      applicationName_(std::move(applicationName)),
      widget_(std::make_unique<DialogWidget>(owner)),
      units_(dialogUnits(dialogFont(dialog.dialogTemplate()))),
      result_(kIdCancel) {
  build();
}

QtWindow::~QtWindow() { close(); }

QtWindow::Control* QtWindow::find(int id) {
  return const_cast<Control*>(std::as_const(*this).find(id));
}

const QtWindow::Control* QtWindow::find(int id) const {
  if (id == kNoId) return nullptr;
  for (const Control& c : controls_) {
    if (c.tmpl->id == id) return &c;
  }
  return nullptr;
}

void QtWindow::notify(int id, Notify notify) {
  if (!closed_ && dialog_.isAttached()) dialog_.onEvent(id, notify);
}

void QtWindow::clearRadioGroup(std::size_t index) {
  for (std::size_t member : groupMembers(dialog_.dialogTemplate().controls, index)) {
    if (member != index && controls_[member].tmpl->kind == ControlKind::RadioButton) {
      static_cast<QAbstractButton*>(controls_[member].widget)->setChecked(false);
    }
  }
}

std::string QtWindow::toolTip(int id) {
  if (closed_ || !dialog_.isAttached()) return {};
  return dialog_.onToolTip(id);
}

ColourAnswer QtWindow::askColour(int id, ControlKind kind) {
  if (closed_ || !dialog_.isAttached()) return {};
  const std::optional<ColourKind> colourKind = colourKindOf(kind);
  if (!colourKind) return {};
  return tk::askColour(dialog_, id, *colourKind);
}

int QtWindow::run() {
  if (dialog_.isAttached()) throw std::logic_error("the dialog is already running in a window");
  dialog_.attach(*this);
  dialog_.onInitDialog();
  if (!ended_) widget_->exec();
  close();
  return result_;
}

void QtWindow::close() {
  if (closed_) return;
  closed_ = true;
  timer_->stop();
  open_.reset();  // the end calls of workers that end from now on are dropped
  for (auto& [caption, box] : notices_) {
    if (box) box->close();
  }
  // Stop first, then release this window's progress bars so that no call waits on them, then
  // join while serving the calls a worker makes on any other window's progress bar.
  workers_.requestStop();
  for (Control& c : controls_) {
    if (c.progress) c.progress->close();
  }
  const auto deadline = std::chrono::steady_clock::now() + kWorkerStopWait;
  workers_.joinAll([deadline](std::jthread& worker, const std::atomic<bool>& finished) {
    return joinServingProgressCalls(worker, finished, deadline);
  });
  if (dialog_.isAttached()) dialog_.detach();
  widget_->hide();
}

// --- the window operations ---

void QtWindow::setText(int id, std::string_view text) {
  Control* c = find(id);
  if (c == nullptr) return;
  const QString value = fromUtf8(text);
  if (auto* edit = qobject_cast<QLineEdit*>(c->widget)) {
    {
      // One change notification for every set, also when the text stays the same.
      const QSignalBlocker quiet(edit);
      edit->setText(value);
    }
    notify(id, Notify::Change);
  } else if (auto* memo = qobject_cast<QPlainTextEdit*>(c->widget)) {
    {
      const QSignalBlocker quiet(memo);
      memo->setPlainText(value);
    }
    notify(id, Notify::Change);
  } else if (auto* label = qobject_cast<QLabel*>(c->widget)) {
    label->setText(value);
  } else if (auto* button = qobject_cast<QAbstractButton*>(c->widget)) {
    button->setText(value);
  } else if (auto* group = qobject_cast<QGroupBox*>(c->widget)) {
    group->setTitle(value);
  } else if (auto* combo = qobject_cast<QComboBox*>(c->widget)) {
    if (combo->isEditable()) combo->setEditText(value);
  }
  // Widgets skip the repaint when the text stays the same, but the colour query may answer
  // otherwise now.
  c->widget->update();
  if (auto* memo = qobject_cast<QPlainTextEdit*>(c->widget)) memo->viewport()->update();
}

std::string QtWindow::text(int id, std::size_t maxChars) const {
  const Control* c = find(id);
  if (c == nullptr) return {};
  QString value;
  if (auto* edit = qobject_cast<QLineEdit*>(c->widget)) {
    value = edit->text();
  } else if (auto* memo = qobject_cast<QPlainTextEdit*>(c->widget)) {
    value = memo->toPlainText();
  } else if (auto* label = qobject_cast<QLabel*>(c->widget)) {
    value = label->text();
  } else if (auto* button = qobject_cast<QAbstractButton*>(c->widget)) {
    value = button->text();
  } else if (auto* group = qobject_cast<QGroupBox*>(c->widget)) {
    value = group->title();
  } else if (auto* combo = qobject_cast<QComboBox*>(c->widget)) {
    value = combo->currentText();
  }
  return utf8Prefix(value.toStdString(), maxChars);
}

bool QtWindow::isChecked(int id) const {
  const Control* c = find(id);
  auto* button = c != nullptr ? qobject_cast<QAbstractButton*>(c->widget) : nullptr;
  return button != nullptr && button->isCheckable() && button->isChecked();
}

void QtWindow::setChecked(int id, bool checked) {
  Control* c = find(id);
  auto* button = c != nullptr ? qobject_cast<QAbstractButton*>(c->widget) : nullptr;
  // Raises no click: only the user's clicks report one.
  if (button != nullptr && button->isCheckable()) button->setChecked(checked);
}

void QtWindow::enable(int id, bool enabled) {
  if (Control* c = find(id)) c->widget->setEnabled(enabled);
}

void QtWindow::showControl(int id, bool shown) {
  if (Control* c = find(id)) c->widget->setVisible(shown);
}

void QtWindow::addContextAction(int id, int command, std::string_view label) {
  Control* c = find(id);
  if (c == nullptr) return;
  auto* action = new QAction(fromUtf8(label), c->widget);
  QObject::connect(action, &QAction::triggered, c->widget,
                   [this, command] { notify(command, Notify::Command); });
  c->widget->addAction(action);
  c->widget->setContextMenuPolicy(Qt::ActionsContextMenu);
}

void QtWindow::selectItem(int id, int index) {
  Control* c = find(id);
  auto* combo = c != nullptr ? qobject_cast<QComboBox*>(c->widget) : nullptr;
  if (combo == nullptr) return;
  combo->setCurrentIndex(index >= 0 && index < combo->count() ? index : -1);
}

int QtWindow::selectedItem(int id) const {
  const Control* c = find(id);
  auto* combo = c != nullptr ? qobject_cast<QComboBox*>(c->widget) : nullptr;
  if (combo == nullptr) return -1;
  // Typing leaves the list's old index in place; what counts is the item the text names, if any.
  if (combo->isEditable() && combo->currentText() != combo->itemText(combo->currentIndex())) {
    return combo->findText(combo->currentText(), Qt::MatchExactly | Qt::MatchCaseSensitive);
  }
  return combo->currentIndex();
}

QTreeWidget* QtWindow::list(int id) const {
  const Control* c = find(id);
  return c != nullptr ? qobject_cast<QTreeWidget*>(c->widget) : nullptr;
}

QTreeWidgetItem* QtWindow::listRow(int id, int row) const {
  QTreeWidget* rows = list(id);
  return rows != nullptr ? rows->topLevelItem(row) : nullptr;
}

void QtWindow::setRows(int id, std::span<const std::vector<std::string>> rows) {
  QTreeWidget* view = list(id);
  if (view == nullptr) return;
  const ControlTemplate& t = *find(id)->tmpl;
  const QSignalBlocker quiet(view);
  view->clear();
  QList<QTreeWidgetItem*> items;
  items.reserve(static_cast<qsizetype>(rows.size()));
  for (const std::vector<std::string>& cells : rows) {
    auto* item = new QTreeWidgetItem();
    for (std::size_t i = 0; i < cells.size() && i < t.columns.size(); ++i) {
      const auto column = static_cast<int>(i);
      item->setText(column, fromUtf8(cells[i]));
      if (t.columns[i].alignRight)
        item->setTextAlignment(column, Qt::AlignRight | Qt::AlignVCenter);
    }
    if (t.has(attr::kCheckBoxes)) {
      item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
      item->setCheckState(0, Qt::Unchecked);
    }
    items.append(item);
  }
  view->addTopLevelItems(items);
  view->setCurrentItem(nullptr);
  view->clearSelection();
}

void QtWindow::selectRow(int id, int row) {
  QTreeWidget* view = list(id);
  if (view == nullptr) return;
  const QSignalBlocker quiet(view);
  QTreeWidgetItem* item = view->topLevelItem(row);
  view->setCurrentItem(item);
  if (item == nullptr) {
    view->clearSelection();
  } else {
    view->scrollToItem(item);
  }
}

int QtWindow::selectedRow(int id) const {
  const QTreeWidget* view = list(id);
  if (view == nullptr || view->currentItem() == nullptr) return -1;
  return view->indexOfTopLevelItem(view->currentItem());
}

void QtWindow::setRowChecked(int id, int row, bool checked) {
  QTreeWidgetItem* item = listRow(id, row);
  if (item == nullptr || (item->flags() & Qt::ItemIsUserCheckable) == 0) return;
  const QSignalBlocker quiet(item->treeWidget());
  item->setCheckState(0, checked ? Qt::Checked : Qt::Unchecked);
}

bool QtWindow::isRowChecked(int id, int row) const {
  const QTreeWidgetItem* item = listRow(id, row);
  return item != nullptr && item->checkState(0) == Qt::Checked;
}

void QtWindow::setSpinBuddy(int spinId, int editId) {
  Control* spin = find(spinId);
  Control* buddy = find(editId);
  if (spin == nullptr || !spin->spin || buddy == nullptr ||
      buddy->tmpl->kind != ControlKind::Edit) {
    return;
  }
  spin->spin->setBuddy(editId);
  auto* arrows = static_cast<SpinArrows*>(spin->widget);
  arrows->attachBuddy(buddy->widget);
  if (spin->tmpl->has(attr::kSpinAlignRight)) {
    const QRect edit = buddy->widget->geometry();
    arrows->setGeometry(edit.right() + 1, edit.y(), arrows->width(), edit.height());
  }
}

void QtWindow::setSpinRange(int spinId, std::int16_t lower, std::int16_t upper) {
  Control* spin = find(spinId);
  if (spin != nullptr && spin->spin) spin->spin->setRange(lower, upper);
}

ProgressBar QtWindow::progressBar(int id) {
  Control* c = find(id);
  return c != nullptr && c->progress ? ProgressBar(c->progress) : ProgressBar();
}

void QtWindow::setTitle(std::string_view title) { widget_->setWindowTitle(fromUtf8(title)); }

void QtWindow::setGeometry(int x, int y, int width, int height) {
  widget_->move(x, y);  // a top-level widget's position is its frame's
  widget_->resize(units_.clientWidth(width), units_.clientHeight(height));
}

void QtWindow::setTopmost(bool topmost) {
  Qt::WindowFlags flags = widget_->windowFlags();
  flags.setFlag(Qt::WindowStaysOnTopHint, topmost);
  QWindow* handle = widget_->windowHandle();
  if (handle != nullptr && widget_->isVisible()) {
    // Changing a shown widget's flags hides and recreates its window, which would end the
    // modal run and may move it; tell the window system directly instead.
    widget_->overrideWindowFlags(flags);
    handle->setFlags(flags);
  } else {
    widget_->setWindowFlags(flags);
  }
  widget_->show();
  if (topmost) widget_->raise();
}

void QtWindow::setIcons(const Icon& large, const Icon& small) {
  widget_->setWindowIcon(toQIcon(large, small));
}

void QtWindow::startTimer(std::uint32_t periodMs) {
  timer_->start(static_cast<int>(effectiveTimerPeriod(periodMs)));
}

int QtWindow::messageBox(std::string_view text, const char* caption, int style) {
  return showMessageBox(widget_.get(), text, caption, style, applicationName_);
}

void QtWindow::showNotice(std::string_view text, const char* caption, int style) {
  if (closed_) return;
  const QString shownCaption = caption != nullptr ? QString::fromUtf8(caption) : applicationName_;
  showNoticeBox(notices_[shownCaption], widget_.get(), text, shownCaption, style);
}

std::optional<Window::SaveChoice> QtWindow::chooseSaveFile(std::string_view caption,
                                                           std::string_view suggestedName,
                                                           std::span<const std::string> forms) {
  QStringList filters;
  for (const std::string& form : forms) filters << fromUtf8(form);
  QString chosenFilter = filters.value(0);
  const QString path = QFileDialog::getSaveFileName(
      widget_.get(), fromUtf8(caption), fromUtf8(suggestedName), filters.join(";;"), &chosenFilter);
  if (path.isEmpty()) return std::nullopt;
  return SaveChoice{path.toStdString(),
                    static_cast<int>(std::max<qsizetype>(0, filters.indexOf(chosenFilter)))};
}

void QtWindow::copyToClipboard(std::string_view text) {
  QGuiApplication::clipboard()->setText(fromUtf8(text));
}

int QtWindow::runModal(Dialog& child) {
  QtWindow window(child, widget_.get(), applicationName_);
  return window.run();
}

void QtWindow::endDialog(int result) {
  if (closed_) return;
  result_ = result;
  ended_ = true;
  widget_->done(result);
}

bool QtWindow::startWorker(std::function<void(std::stop_token)> work,
                           std::function<void()> whenEnded) {
  if (closed_) return false;
  return workers_.start([work = std::move(work), whenEnded = std::move(whenEnded),
                         open = std::weak_ptr<int>(open_)](std::stop_token stop) {
    work(std::move(stop));
    if (!whenEnded) return;
    // Runs on the user-interface thread, which alone resets `open`.
    postProgressCall([open, whenEnded] {
      if (!open.expired()) whenEnded();
    });
  });
}

void QtWindow::stopWorkers() { workers_.requestStop(); }

}  // namespace tk
