#include "platform/toolkit/headless/headless_window.h"

#include <algorithm>
#include <stdexcept>

#include "platform/toolkit/colour_query.h"
#include "platform/toolkit/control_groups.h"
#include "platform/toolkit/headless/headless_progress.h"
#include "platform/toolkit/headless/headless_toolkit.h"
#include "platform/toolkit/message_box.h"
#include "platform/toolkit/text_prefix.h"
#include "platform/toolkit/timer_period.h"

namespace tk {
namespace {

bool isEditable(const ControlTemplate& c) {
  return c.kind == ControlKind::Edit ||
         (c.kind == ControlKind::ComboBox && !c.has(attr::kDropDownList));
}

}  // namespace

HeadlessWindow::HeadlessWindow(HeadlessToolkit& toolkit, Dialog& dialog, HeadlessWindow* owner)
    : toolkit_(toolkit), dialog_(dialog), owner_(owner), title_(dialog.dialogTemplate().title) {
  for (const ControlTemplate& t : dialog.dialogTemplate().controls) {
    std::shared_ptr<HeadlessProgressSink> progress;
    if (t.kind == ControlKind::ProgressBar) progress = std::make_shared<HeadlessProgressSink>();
    Control c{&t,
              std::string(t.kind == ControlKind::ComboBox ? "" : t.label),
              false,
              !t.has(attr::kDisabled),
              !t.has(attr::kHidden),
              -1,
              {},
              {},
              SpinModel(t.attrs),
              std::move(progress),
              {}};
    controls_.push_back(std::move(c));
  }
}

HeadlessWindow::~HeadlessWindow() { close(); }

void HeadlessWindow::open() {
  if (dialog_.isAttached()) throw std::logic_error("the dialog is already running in a window");
  dialog_.attach(*this);
  dialog_.onInitDialog();
  shown_ = true;
}

void HeadlessWindow::close() {
  if (closed_) return;
  closed_ = true;
  if (!endResult_) endResult_ = kIdCancel;
  workers_.requestStop();
  for (Control& c : controls_) {
    if (c.progress) c.progress->close();
  }
  workers_.joinAll();
  dialog_.detach();
}

HeadlessWindow::Control& HeadlessWindow::control(int id) {
  return const_cast<Control&>(std::as_const(*this).control(id));
}

const HeadlessWindow::Control& HeadlessWindow::control(int id) const {
  auto found = std::find_if(controls_.begin(), controls_.end(),
                            [id](const Control& c) { return c.tmpl->id == id && id != kNoId; });
  if (found == controls_.end()) {
    throw std::logic_error("no control " + std::to_string(id) + " in dialog template " +
                           std::to_string(dialog_.dialogTemplate().id));
  }
  return *found;
}

HeadlessWindow::Control& HeadlessWindow::controlOfKind(int id,
                                                       std::initializer_list<ControlKind> kinds,
                                                       const char* operation) {
  return const_cast<Control&>(std::as_const(*this).controlOfKind(id, kinds, operation));
}

const HeadlessWindow::Control& HeadlessWindow::controlOfKind(
    int id, std::initializer_list<ControlKind> kinds, const char* operation) const {
  const Control& c = control(id);
  if (std::find(kinds.begin(), kinds.end(), c.tmpl->kind) == kinds.end()) {
    throw std::logic_error(std::string(operation) + ": control " + std::to_string(id) +
                           " is not of a kind that allows it");
  }
  return c;
}

void HeadlessWindow::requireOpen(const char* operation) const {
  if (closed_) throw std::logic_error(std::string(operation) + ": the window is closed");
}

void HeadlessWindow::notify(int id, Notify notify) {
  if (!closed_) dialog_.onEvent(id, notify);
}

void HeadlessWindow::checkRadio(Control& radio) {
  radio.checked = true;
  const auto controls = dialog_.dialogTemplate().controls;
  const auto index = static_cast<std::size_t>(&radio - controls_.data());
  for (std::size_t member : groupMembers(controls, index)) {
    if (member != index && controls_[member].tmpl->kind == ControlKind::RadioButton) {
      controls_[member].checked = false;
    }
  }
}

HeadlessWindow::Control& HeadlessWindow::listRow(int id, int row, const char* operation) {
  return const_cast<Control&>(std::as_const(*this).listRow(id, row, operation));
}

const HeadlessWindow::Control& HeadlessWindow::listRow(int id, int row,
                                                       const char* operation) const {
  const Control& c = controlOfKind(id, {ControlKind::List}, operation);
  if (row < 0 || row >= static_cast<int>(c.rows.size())) {
    throw std::logic_error(std::string(operation) + ": list " + std::to_string(id) +
                           " has no row " + std::to_string(row));
  }
  return c;
}

// --- the window operations ---

void HeadlessWindow::setText(int id, std::string_view text) {
  Control& c = control(id);
  c.text = text;
  if (c.tmpl->kind == ControlKind::Edit) notify(id, Notify::Change);
}

std::string HeadlessWindow::text(int id, std::size_t maxChars) const {
  return utf8Prefix(control(id).text, maxChars);
}

bool HeadlessWindow::isChecked(int id) const {
  const Control& c = control(id);
  return c.checked;
}

void HeadlessWindow::setChecked(int id, bool checked) {
  Control& c = control(id);
  if (c.tmpl->kind == ControlKind::RadioButton && checked) {
    checkRadio(c);
  } else if (c.tmpl->kind == ControlKind::CheckBox || c.tmpl->kind == ControlKind::RadioButton) {
    c.checked = checked;
  }
}

void HeadlessWindow::enable(int id, bool enabled) { control(id).enabled = enabled; }

void HeadlessWindow::showControl(int id, bool shown) { control(id).visible = shown; }

void HeadlessWindow::addContextAction(int id, int command, std::string_view label) {
  control(id).actions.emplace_back(command, std::string(label));
}

void HeadlessWindow::selectItem(int id, int index) {
  Control& c = controlOfKind(id, {ControlKind::ComboBox}, "selectItem");
  const auto count = static_cast<int>(c.tmpl->items.size());
  // An index outside the list clears the selection, as -1 does.
  c.selected = index >= 0 && index < count ? index : -1;
  c.text = c.selected >= 0 ? std::string(c.tmpl->items[static_cast<std::size_t>(index)]) : "";
}

int HeadlessWindow::selectedItem(int id) const {
  return controlOfKind(id, {ControlKind::ComboBox}, "selectedItem").selected;
}

void HeadlessWindow::setRows(int id, std::span<const std::vector<std::string>> rows) {
  Control& c = controlOfKind(id, {ControlKind::List}, "setRows");
  c.rows.assign(rows.begin(), rows.end());
  c.rowChecks.assign(rows.size(), false);
  c.selected = -1;
}

void HeadlessWindow::selectRow(int id, int row) {
  Control& c = controlOfKind(id, {ControlKind::List}, "selectRow");
  // A row outside the list clears the selection, as -1 does.
  c.selected = row >= 0 && row < static_cast<int>(c.rows.size()) ? row : -1;
}

int HeadlessWindow::selectedRow(int id) const {
  return controlOfKind(id, {ControlKind::List}, "selectedRow").selected;
}

void HeadlessWindow::setRowChecked(int id, int row, bool checked) {
  Control& c = listRow(id, row, "setRowChecked");
  if (c.tmpl->has(attr::kCheckBoxes)) c.rowChecks[static_cast<std::size_t>(row)] = checked;
}

bool HeadlessWindow::isRowChecked(int id, int row) const {
  return listRow(id, row, "isRowChecked").rowChecks[static_cast<std::size_t>(row)];
}

void HeadlessWindow::setSpinBuddy(int spinId, int editId) {
  controlOfKind(editId, {ControlKind::Edit}, "setSpinBuddy");
  controlOfKind(spinId, {ControlKind::Spin}, "setSpinBuddy").spin.setBuddy(editId);
}

void HeadlessWindow::setSpinRange(int spinId, std::int16_t lower, std::int16_t upper) {
  controlOfKind(spinId, {ControlKind::Spin}, "setSpinRange").spin.setRange(lower, upper);
}

ProgressBar HeadlessWindow::progressBar(int id) {
  return ProgressBar(controlOfKind(id, {ControlKind::ProgressBar}, "progressBar").progress);
}

void HeadlessWindow::setTitle(std::string_view title) { title_ = title; }

void HeadlessWindow::setGeometry(int x, int y, int width, int height) {
  geometry_ = PixelRect{x, y, width, height};
}

void HeadlessWindow::setTopmost(bool topmost) {
  topmost_ = topmost;
  shown_ = true;
}

void HeadlessWindow::setIcons(const Icon& large, const Icon& small) {
  largeIcon_ = large;
  smallIcon_ = small;
}

void HeadlessWindow::startTimer(std::uint32_t periodMs) {
  timerPeriod_ = effectiveTimerPeriod(periodMs);
}

int HeadlessWindow::messageBox(std::string_view text, const char* caption, int style) {
  return toolkit_.showBox(text, caption, style, true);
}

std::optional<Window::SaveChoice> HeadlessWindow::chooseSaveFile(
    std::string_view caption, std::string_view suggestedName, std::span<const std::string> forms) {
  toolkit_.saveDialogs_.push_back(
      {std::string(caption), std::string(suggestedName), {forms.begin(), forms.end()}});
  if (toolkit_.saveAnswers_.empty()) {
    throw std::logic_error("unexpected save-file dialog with no queued answer: \"" +
                           std::string(caption) + "\"");
  }
  std::optional<SaveChoice> choice = std::move(toolkit_.saveAnswers_.front());
  toolkit_.saveAnswers_.pop_front();
  if (choice && (choice->form < 0 || choice->form >= static_cast<int>(forms.size()))) {
    throw std::logic_error("the queued save form " + std::to_string(choice->form) +
                           " is not one the dialog offers");
  }
  return choice;
}

void HeadlessWindow::copyToClipboard(std::string_view text) {
  toolkit_.clipboard_ = std::string(text);
}

void HeadlessWindow::showNotice(std::string_view text, const char* caption, int style) {
  const std::string shownCaption = caption != nullptr ? caption : toolkit_.applicationName();
  for (Notice& notice : notices_) {
    if (notice.open && notice.caption == shownCaption) {
      notice.text += "\n";
      notice.text += text;
      return;
    }
  }
  notices_.push_back(Notice{std::string(text), shownCaption, style, true});
}

int HeadlessWindow::runModal(Dialog& child) {
  requireOpen("runModal");
  return toolkit_.run(child, this);
}

void HeadlessWindow::endDialog(int result) {
  if (!closed_) endResult_ = result;
}

bool HeadlessWindow::startWorker(std::function<void(std::stop_token)> work,
                                 std::function<void()> whenEnded) {
  if (closed_) return false;
  return workers_.start([work = std::move(work), whenEnded = std::move(whenEnded),
                         ended = endedCalls_](std::stop_token stop) {
    work(std::move(stop));
    if (!whenEnded) return;
    std::lock_guard lock(ended->mutex);
    ended->calls.push_back(whenEnded);
  });
}

void HeadlessWindow::stopWorkers() { workers_.requestStop(); }

// --- what a user does ---

void HeadlessWindow::click(int id) {
  requireOpen("click");
  Control& c = controlOfKind(
      id, {ControlKind::PushButton, ControlKind::CheckBox, ControlKind::RadioButton}, "click");
  if (!c.enabled || !c.visible) return;
  if (c.tmpl->kind == ControlKind::CheckBox) c.checked = !c.checked;
  if (c.tmpl->kind == ControlKind::RadioButton) checkRadio(c);
  notify(id, Notify::Click);
}

void HeadlessWindow::doubleClick(int id) {
  requireOpen("doubleClick");
  const Control& c = controlOfKind(id, {ControlKind::Edit}, "doubleClick");
  if (c.enabled && c.visible) notify(id, Notify::DoubleClick);
}

void HeadlessWindow::type(int id, std::string_view text) {
  requireOpen("type");
  Control& c = controlOfKind(id, {ControlKind::Edit, ControlKind::ComboBox}, "type");
  if (!isEditable(*c.tmpl))
    throw std::logic_error("type: combo box " + std::to_string(id) + " is a drop-down list");
  if (!c.enabled || !c.visible || c.tmpl->has(attr::kReadOnly)) return;
  // One key per character. A key is refused on its own when it is not a digit in a digits-only
  // edit, or when its character would take the text past the edit's limit, counted in bytes of
  // UTF-8 as the Qt backend counts it; a later, shorter character may still fit.
  std::string typed;
  for (std::size_t at = 0; at < text.size();) {
    const std::size_t end = utf8CharEnd(text, at);
    const std::string_view key = text.substr(at, end - at);
    at = end;
    const bool digit = key.size() == 1 && key[0] >= '0' && key[0] <= '9';
    if (c.tmpl->has(attr::kDigitsOnly) && !digit) continue;
    if (c.tmpl->textLimit != 0 && typed.size() + key.size() > c.tmpl->textLimit) continue;
    typed += key;
  }
  c.text = std::move(typed);
  if (c.tmpl->kind == ControlKind::Edit) {
    notify(id, Notify::Change);
  } else {
    // The list follows the typed text: an item it matches exactly is selected, else none.
    auto match = std::find(c.tmpl->items.begin(), c.tmpl->items.end(), c.text);
    c.selected = match == c.tmpl->items.end()
                     ? -1
                     : static_cast<int>(std::distance(c.tmpl->items.begin(), match));
  }
}

void HeadlessWindow::choose(int id, int index) {
  requireOpen("choose");
  Control& c = controlOfKind(id, {ControlKind::ComboBox}, "choose");
  if (index < 0 || index >= static_cast<int>(c.tmpl->items.size())) {
    throw std::logic_error("choose: combo box " + std::to_string(id) + " has no item " +
                           std::to_string(index));
  }
  if (!c.enabled || !c.visible) return;
  c.selected = index;
  c.text = c.tmpl->items[static_cast<std::size_t>(index)];
}

void HeadlessWindow::chooseRow(int id, int row) {
  requireOpen("chooseRow");
  Control& c = listRow(id, row, "chooseRow");
  if (!c.enabled || !c.visible || c.selected == row) return;
  c.selected = row;
  notify(id, Notify::SelectionChange);
}

void HeadlessWindow::tickRow(int id, int row) {
  requireOpen("tickRow");
  Control& c = listRow(id, row, "tickRow");
  if (!c.tmpl->has(attr::kCheckBoxes))
    throw std::logic_error("tickRow: list " + std::to_string(id) + " has no boxes");
  if (!c.enabled || !c.visible) return;
  chooseRow(id, row);
  // The selection's handler may have set other rows; the box is looked up afresh.
  Control& now = listRow(id, row, "tickRow");
  now.rowChecks[static_cast<std::size_t>(row)] = !now.rowChecks[static_cast<std::size_t>(row)];
  notify(id, Notify::Click);
}

void HeadlessWindow::spinUp(int id) {
  requireOpen("spinUp");
  Control& c = controlOfKind(id, {ControlKind::Spin}, "spinUp");
  if (c.enabled && c.visible) c.spin.step(*this, true);
}

void HeadlessWindow::spinDown(int id) {
  requireOpen("spinDown");
  Control& c = controlOfKind(id, {ControlKind::Spin}, "spinDown");
  if (c.enabled && c.visible) c.spin.step(*this, false);
}

void HeadlessWindow::fireTimer() {
  requireOpen("fireTimer");
  if (!timerPeriod_) throw std::logic_error("fireTimer: the window's timer was never started");
  notify(0, Notify::Timer);
}

void HeadlessWindow::releaseLeftButton() {
  requireOpen("releaseLeftButton");
  notify(kNoId, Notify::LeftButtonUp);
}

void HeadlessWindow::chooseContextAction(int id, std::string_view label) {
  requireOpen("chooseContextAction");
  Control& c = control(id);
  auto found = std::find_if(c.actions.begin(), c.actions.end(),
                            [label](const auto& action) { return action.second == label; });
  if (found == c.actions.end()) {
    throw std::logic_error("chooseContextAction: control " + std::to_string(id) +
                           " has no entry \"" + std::string(label) + "\"");
  }
  if (c.enabled && c.visible) notify(found->first, Notify::Command);
}

void HeadlessWindow::dismissNotices() {
  for (Notice& notice : notices_) notice.open = false;
}

void HeadlessWindow::waitForWorkers() {
  requireOpen("waitForWorkers");
  workers_.joinAll();
  std::vector<std::function<void()>> calls;
  {
    std::lock_guard lock(endedCalls_->mutex);
    calls.swap(endedCalls_->calls);
  }
  for (const auto& call : calls) {
    if (!closed_) call();
  }
}

// --- what a user sees ---

ColourAnswer HeadlessWindow::colourOf(int id) {
  requireOpen("colourOf");
  std::optional<ColourKind> kind = colourKindOf(control(id).tmpl->kind);
  if (!kind) return ColourAnswer{};
  return askColour(dialog_, id, *kind);
}

std::string HeadlessWindow::textOf(int id) const { return control(id).text; }

bool HeadlessWindow::checked(int id) const {
  return controlOfKind(id, {ControlKind::CheckBox, ControlKind::RadioButton}, "checked").checked;
}

bool HeadlessWindow::enabled(int id) const { return control(id).enabled; }

bool HeadlessWindow::visible(int id) const { return control(id).visible; }

std::vector<std::string> HeadlessWindow::comboItems(int id) const {
  const Control& c = controlOfKind(id, {ControlKind::ComboBox}, "comboItems");
  return {c.tmpl->items.begin(), c.tmpl->items.end()};
}

const std::vector<std::vector<std::string>>& HeadlessWindow::rowsOf(int id) const {
  return controlOfKind(id, {ControlKind::List}, "rowsOf").rows;
}

std::pair<std::int16_t, std::int16_t> HeadlessWindow::spinRange(int id) const {
  const Control& c = controlOfKind(id, {ControlKind::Spin}, "spinRange");
  return {c.spin.lower(), c.spin.upper()};
}

int HeadlessWindow::spinBuddy(int id) const {
  return controlOfKind(id, {ControlKind::Spin}, "spinBuddy").spin.buddy();
}

ProgressState HeadlessWindow::progress(int id) const {
  return controlOfKind(id, {ControlKind::ProgressBar}, "progress").progress->state();
}

std::vector<std::string> HeadlessWindow::contextActions(int id) const {
  std::vector<std::string> labels;
  for (const auto& action : control(id).actions) labels.push_back(action.second);
  return labels;
}

std::string HeadlessWindow::toolTipOf(int id) {
  requireOpen("toolTipOf");
  control(id);  // refuses an id the template does not have
  return dialog_.onToolTip(id);
}

const Icon* HeadlessWindow::dragIcon() {
  requireOpen("dragIcon");
  return dialog_.onQueryDragIcon();
}

}  // namespace tk
