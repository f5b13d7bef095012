#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "platform/toolkit/colour.h"
#include "platform/toolkit/dialog.h"
#include "platform/toolkit/dialog_units.h"
#include "platform/toolkit/icon.h"
#include "platform/toolkit/progress_state.h"
#include "platform/toolkit/spin_model.h"
#include "platform/toolkit/window.h"
#include "platform/toolkit/worker_set.h"

namespace tk {

class HeadlessToolkit;
class HeadlessProgressSink;

// A dialog's window held in memory: the template's controls with their texts and states, and the
// operations a test drives it with. Driver operations refuse what the control's kind cannot do
// (a test's mistake, thrown as std::logic_error) and quietly ignore what the control's state
// refuses (a disabled button, a read-only edit), as a user would find it.
class HeadlessWindow : public Window {
 public:
  HeadlessWindow(HeadlessToolkit& toolkit, Dialog& dialog, HeadlessWindow* owner);
  ~HeadlessWindow() override;
  HeadlessWindow(const HeadlessWindow&) = delete;
  HeadlessWindow& operator=(const HeadlessWindow&) = delete;

  // The window operations the dialog uses.
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
  void setTitle(std::string_view title) override;
  void setGeometry(int x, int y, int width, int height) override;
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

  // What a user does.
  void click(int id);
  // Double-clicks an edit, as a user does.
  void doubleClick(int id);
  // Replaces an edit's or a typeable combo box's text as typing `text` key by key does.
  void type(int id, std::string_view text);
  // Picks item `index` from a combo box's list.
  void choose(int id, int index);
  // Selects row `row` of a list, as a click on it does.
  void chooseRow(int id, int row);
  // Ticks or clears the box of row `row` of a list, as a click on the box does; the row is
  // selected too.
  void tickRow(int id, int row);
  void spinUp(int id);
  void spinDown(int id);
  // Delivers one expiry of the window's timer; refused when no timer was started.
  void fireTimer();
  void releaseLeftButton();
  // Chooses the entry `label` of the control's context menu; refused when there is none.
  void chooseContextAction(int id, std::string_view label);
  // Presses OK on every notice box that is open.
  void dismissNotices();
  // Joins every worker (each must end on its own, or have been asked to stop), then runs the
  // end calls of the workers that have ended, as the user-interface thread would.
  void waitForWorkers();

  // What a user sees.
  ColourAnswer colourOf(int id);
  std::string textOf(int id) const;
  bool checked(int id) const;
  bool enabled(int id) const;
  bool visible(int id) const;
  std::vector<std::string> comboItems(int id) const;
  // A list's rows, each row's cells in column order.
  const std::vector<std::vector<std::string>>& rowsOf(int id) const;
  std::pair<std::int16_t, std::int16_t> spinRange(int id) const;
  int spinBuddy(int id) const;
  ProgressState progress(int id) const;
  std::vector<std::string> contextActions(int id) const;
  // The tooltip the dialog gives the control now.
  std::string toolTipOf(int id);
  // Every notice box shown, the open ones with every text that joined them.
  struct Notice {
    std::string text;
    std::string caption;
    int style = 0;
    bool open = true;
  };
  const std::vector<Notice>& notices() const { return notices_; }
  // The period the timer runs with; nullopt before it is first started.
  std::optional<std::uint32_t> timerPeriod() const { return timerPeriod_; }
  const std::string& title() const { return title_; }
  // In pixels; nullopt until the dialog sets it.
  std::optional<PixelRect> geometry() const { return geometry_; }
  bool topmost() const { return topmost_; }
  bool shown() const { return shown_; }
  const std::optional<Icon>& largeIcon() const { return largeIcon_; }
  const std::optional<Icon>& smallIcon() const { return smallIcon_; }
  const Icon* dragIcon();
  bool ended() const { return endResult_.has_value(); }
  std::optional<int> endResult() const { return endResult_; }
  bool closed() const { return closed_; }
  HeadlessWindow* owner() const { return owner_; }

  // Attaches the dialog and runs its initialisation; the window then counts as shown.
  void open();
  // Ends the window (kIdCancel unless the dialog ended it): asks every worker to stop, releases
  // the progress bars, joins the workers and detaches the dialog.
  void close();

 private:
  struct Control {
    const ControlTemplate* tmpl;
    std::string text;
    bool checked = false;
    bool enabled = true;
    bool visible = true;
    int selected = -1;  // combo item or list row
    std::vector<std::vector<std::string>> rows;
    std::vector<bool> rowChecks;
    SpinModel spin;
    std::shared_ptr<HeadlessProgressSink> progress;
    std::vector<std::pair<int, std::string>> actions;  // context menu: command and label
  };
  // The end calls of workers that have ended, handed over from their threads.
  struct EndedCalls {
    std::mutex mutex;
    std::vector<std::function<void()>> calls;
  };

  Control& control(int id);
  const Control& control(int id) const;
  Control& controlOfKind(int id, std::initializer_list<ControlKind> kinds, const char* operation);
  const Control& controlOfKind(int id, std::initializer_list<ControlKind> kinds,
                               const char* operation) const;
  void requireOpen(const char* operation) const;
  void notify(int id, Notify notify);
  void checkRadio(Control& radio);
  Control& listRow(int id, int row, const char* operation);
  const Control& listRow(int id, int row, const char* operation) const;

  HeadlessToolkit& toolkit_;
  Dialog& dialog_;
  HeadlessWindow* owner_;
  std::vector<Control> controls_;
  std::string title_;
  std::optional<PixelRect> geometry_;
  bool topmost_ = false;
  bool shown_ = false;
  std::optional<Icon> largeIcon_;
  std::optional<Icon> smallIcon_;
  std::optional<std::uint32_t> timerPeriod_;
  std::optional<int> endResult_;
  bool closed_ = false;
  std::vector<Notice> notices_;
  std::shared_ptr<EndedCalls> endedCalls_ = std::make_shared<EndedCalls>();
  WorkerSet workers_;
};

}  // namespace tk
