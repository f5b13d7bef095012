#pragma once

#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/toolkit/dialog.h"
#include "platform/toolkit/headless/headless_window.h"
#include "platform/toolkit/memory.h"
#include "platform/toolkit/toolkit.h"

namespace tk {

// A message box as the headless backend showed it.
struct ShownBox {
  std::string text;
  std::string caption;  // as shown: a null caption shows the application's name
  int style = 0;
  bool owned = false;  // owned by a window, or by none
  int answer = 0;
};

// Remembered lists kept in memory, for tests to fill in before a run and read after it.
class HeadlessMemory : public Memory {
 public:
  std::vector<std::string> recall(std::string_view key) const override;
  bool remember(std::string_view key, const std::vector<std::string>& values,
                std::string& why) override;
  // While set, remember fails with this reason.
  std::string refusal;

 private:
  std::map<std::string, std::vector<std::string>, std::less<>> values_;
};

// The toolkit for tests: dialogs run in memory, what happens inside a modal run is a script the
// test registered, and message boxes take the answers the test queued.
class HeadlessToolkit : public Toolkit {
 public:
  explicit HeadlessToolkit(std::string applicationName = "tarnix");
  ~HeadlessToolkit() override;

  // Makes the window, runs the dialog's initialisation, then the next script registered for its
  // template id (if any); ends with kIdCancel when nothing ended it, closes the window (workers
  // stopped and joined) and gives the result. Nested runs (Window::runModal) work the same way.
  int runModal(Dialog& dialog) override;
  int messageBox(std::string_view text, const char* caption, int style) override;
  std::string applicationName() const override { return applicationName_; }
  HeadlessMemory& memory() override { return memory_; }
  bool startNotifications(std::string& why) override;
  void notify(std::string_view summary, std::string_view body) override;

  // Notifications: whether the desktop has a service, and the notes shown, in order.
  struct Note {
    std::string summary;
    std::string body;
  };
  void setNotificationService(bool present) { notificationService_ = present; }
  const std::vector<Note>& notes() const { return notes_; }

  // Registers what happens in the next modal run of the template `templateId`; scripts for one
  // template are used in the order they were registered, one per run.
  void onModal(int templateId, std::function<void(HeadlessWindow&)> script);
  // Opens the dialog up to and including its initialisation and leaves it open to be driven;
  // HeadlessWindow::close() ends it. The toolkit owns the window and closes it when destroyed,
  // which detaches the dialog: the dialog must outlive the toolkit, or the window be closed first.
  HeadlessWindow& open(Dialog& dialog);

  // Queues the answer of the next message box shown. A box with OK alone answers kIdOk when
  // nothing is queued; any other box with nothing queued throws std::logic_error with its text.
  void answerNextBox(int answer);
  const std::vector<ShownBox>& boxes() const { return boxes_; }

  // Save-file dialogs: queues what the user picks in the next one (nullopt: cancels); a dialog
  // with nothing queued throws std::logic_error. Each dialog shown is kept, with its forms.
  struct SaveDialog {
    std::string caption;
    std::string suggestedName;
    std::vector<std::string> forms;
  };
  void answerNextSaveFile(std::optional<Window::SaveChoice> choice);
  const std::vector<SaveDialog>& saveDialogs() const { return saveDialogs_; }
  // What the clipboard holds.
  const std::string& clipboard() const { return clipboard_; }
  std::size_t unusedAnswers() const { return answers_.size(); }
  std::size_t unusedScripts() const;

 private:
  friend class HeadlessWindow;

  int run(Dialog& dialog, HeadlessWindow* owner);
  int showBox(std::string_view text, const char* caption, int style, bool owned);

  std::string applicationName_;
  std::map<int, std::deque<std::function<void(HeadlessWindow&)>>> scripts_;
  std::deque<int> answers_;
  std::vector<ShownBox> boxes_;
  std::deque<std::optional<Window::SaveChoice>> saveAnswers_;
  std::vector<SaveDialog> saveDialogs_;
  std::string clipboard_;
  std::vector<std::unique_ptr<HeadlessWindow>> openWindows_;
  HeadlessMemory memory_;
  bool notificationService_ = true;
  std::vector<Note> notes_;
};

}  // namespace tk
