#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <stop_token>
#include <string>
#include <string_view>
#include <vector>

#include "platform/toolkit/icon.h"
#include "platform/toolkit/progress_bar.h"

namespace tk {

class Dialog;

// The window operations a dialog uses, on its own window and controls. Implemented by the Qt
// backend and by the headless backend. Everything here runs on the user-interface thread, except
// the calls of a ProgressBar handle.
class Window {
 public:
  virtual ~Window() = default;

  // Control text. Setting an edit's text raises its change notification, as typing does.
  virtual void setText(int id, std::string_view text) = 0;
  // At most maxChars characters of the control's text.
  virtual std::string text(int id, std::size_t maxChars) const = 0;
  void setSigned(int id, std::int32_t value);
  void setUnsigned(int id, std::uint32_t value);
  // The control's text as a number: blanks, an optional sign (signed only) and decimal digits
  // that fit the type. Anything else reads as 0.
  std::int32_t readSigned(int id) const;
  std::uint32_t readUnsigned(int id) const;

  // Check boxes and radio buttons. Setting the state from the program raises no click; setting a
  // radio button clears the others of its group.
  virtual bool isChecked(int id) const = 0;
  virtual void setChecked(int id, bool checked) = 0;
  virtual void enable(int id, bool enabled) = 0;
  // A hidden control is neither drawn nor reached by the user; its text and state stay.
  virtual void showControl(int id, bool shown) = 0;
  // Adds `label` to the control's context menu; choosing it raises Notify::Command with `command`
  // as the id.
  virtual void addContextAction(int id, int command, std::string_view label) = 0;

  // Combo boxes; index -1 clears the selection, and reads back when nothing is selected.
  virtual void selectItem(int id, int index) = 0;
  virtual int selectedItem(int id) const = 0;

  // Lists. Setting the rows (each row's cells in column order) replaces them all, leaves no row
  // selected and no box ticked. Selecting a row or ticking its box from the program raises no
  // notification; row -1 clears the selection, and reads back when no row is selected.
  virtual void setRows(int id, std::span<const std::vector<std::string>> rows) = 0;
  virtual void selectRow(int id, int row) = 0;
  virtual int selectedRow(int id) const = 0;
  virtual void setRowChecked(int id, int row, bool checked) = 0;
  virtual bool isRowChecked(int id, int row) const = 0;

  // Spin controls. The spin writes its value into its buddy edit as an integer.
  virtual void setSpinBuddy(int spinId, int editId) = 0;
  virtual void setSpinRange(int spinId, std::int16_t lower, std::int16_t upper) = 0;

  // A handle on a progress bar that a worker thread may use.
  virtual ProgressBar progressBar(int id) = 0;

  // The window itself. Geometry is in pixels, the outer size of the window with its frame and
  // caption, as on the host the templates were drawn for; setGeometry leaves the stacking order
  // alone.
  virtual void setTitle(std::string_view title) = 0;
  virtual void setGeometry(int x, int y, int width, int height) = 0;
  // Places the window above all others, or returns it to the normal order, without moving or
  // resizing it, and shows it.
  virtual void setTopmost(bool topmost) = 0;
  virtual void setIcons(const Icon& large, const Icon& small) = 0;

  // The dialog's one timer (id 0). Starting it again replaces the running period at once. The
  // period is clamped by effectiveTimerPeriod.
  virtual void startTimer(std::uint32_t periodMs) = 0;

  // A message box owned by this window; a null caption means the application's name. Gives the
  // answer (kIdOk, kIdYes, kIdNo).
  virtual int messageBox(std::string_view text, const char* caption, int style) = 0;
  // A message box owned by this window that waits for no answer: the window goes on while it is
  // open, and OK closes it. While the box of this caption is open, a further text joins it on a
  // line of its own rather than opening another box.
  virtual void showNotice(std::string_view text, const char* caption, int style) = 0;

  // A file dialog over this window that asks where to save, offering `forms` to save in (each a
  // description with its file patterns, such as "JSON line (*.jsonl)") and starting at
  // `suggestedName`. Gives the path and the index of the chosen form, or nullopt when the user
  // cancels. Nothing is written: the caller writes the file.
  struct SaveChoice {
    std::string path;
    int form = 0;
  };
  virtual std::optional<SaveChoice> chooseSaveFile(std::string_view caption,
                                                   std::string_view suggestedName,
                                                   std::span<const std::string> forms) = 0;
  // Replaces the clipboard's content with `text` (UTF-8).
  virtual void copyToClipboard(std::string_view text) = 0;

  // Runs `child` modally over this window and gives its end result.
  virtual int runModal(Dialog& child) = 0;
  // Ends this dialog's modal run with `result`.
  virtual void endDialog(int result) = 0;

  // Starts a worker thread at normal priority; once the work has ended, `whenEnded` (if any) runs
  // on the user-interface thread, unless the window closed first. Closing the window asks every
  // worker to stop and joins it. False when the thread could not be started.
  virtual bool startWorker(std::function<void(std::stop_token)> work,
                           std::function<void()> whenEnded) = 0;
  // Asks every worker of this window to stop, without waiting for it to end.
  virtual void stopWorkers() = 0;
};

}  // namespace tk
