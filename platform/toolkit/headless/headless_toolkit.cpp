#include "platform/toolkit/headless/headless_toolkit.h"

#include <algorithm>
#include <stdexcept>
#include <utility>

#include "platform/toolkit/message_box.h"
#include "platform/toolkit/message_box_style.h"

namespace tk {

std::vector<std::string> HeadlessMemory::recall(std::string_view key) const {
  auto found = values_.find(key);
  return found == values_.end() ? std::vector<std::string>() : found->second;
}

bool HeadlessMemory::remember(std::string_view key, const std::vector<std::string>& values,
                              std::string& why) {
  if (!refusal.empty()) {
    why = refusal;
    return false;
  }
  values_.insert_or_assign(std::string(key), values);
  return true;
}

HeadlessToolkit::HeadlessToolkit(std::string applicationName)
    : applicationName_(std::move(applicationName)) {}

HeadlessToolkit::~HeadlessToolkit() {
  // Newest first, as nested windows would close.
  while (!openWindows_.empty()) openWindows_.pop_back();
}

int HeadlessToolkit::runModal(Dialog& dialog) { return run(dialog, nullptr); }

int HeadlessToolkit::run(Dialog& dialog, HeadlessWindow* owner) {
  HeadlessWindow window(*this, dialog, owner);
  window.open();
  if (!window.ended()) {
    auto found = scripts_.find(dialog.dialogTemplate().id);
    if (found != scripts_.end() && !found->second.empty()) {
      std::function<void(HeadlessWindow&)> script = std::move(found->second.front());
      found->second.pop_front();
      script(window);
    }
  }
  window.close();
  return *window.endResult();
}

int HeadlessToolkit::messageBox(std::string_view text, const char* caption, int style) {
  return showBox(text, caption, style, false);
}

void HeadlessToolkit::onModal(int templateId, std::function<void(HeadlessWindow&)> script) {
  scripts_[templateId].push_back(std::move(script));
}

HeadlessWindow& HeadlessToolkit::open(Dialog& dialog) {
  openWindows_.push_back(std::make_unique<HeadlessWindow>(*this, dialog, nullptr));
  HeadlessWindow& window = *openWindows_.back();
  try {
    window.open();
  } catch (...) {
    // An initialisation that ended the process leaves no window behind, while its dialog lives.
    openWindows_.pop_back();
    throw;
  }
  return window;
}

void HeadlessToolkit::answerNextBox(int answer) { answers_.push_back(answer); }

void HeadlessToolkit::answerNextSaveFile(std::optional<Window::SaveChoice> choice) {
  saveAnswers_.push_back(std::move(choice));
}

std::size_t HeadlessToolkit::unusedScripts() const {
  std::size_t count = 0;
  for (const auto& [id, queue] : scripts_) count += queue.size();
  return count;
}

int HeadlessToolkit::showBox(std::string_view text, const char* caption, int style, bool owned) {
  const BoxButtons buttons = decodeBoxStyle(style).buttons;
  int answer = kIdOk;
  if (!answers_.empty()) {
    answer = answers_.front();
    const std::vector<int> possible = boxAnswers(buttons);
    if (std::find(possible.begin(), possible.end(), answer) == possible.end()) {
      throw std::logic_error("the queued answer " + std::to_string(answer) +
                             " is not a button of the message box \"" + std::string(text) + "\"");
    }
    answers_.pop_front();
  } else if (buttons != BoxButtons::Ok) {
    throw std::logic_error("unexpected message box with no queued answer: \"" + std::string(text) +
                           "\"");
  }
  boxes_.push_back(ShownBox{std::string(text), caption ? std::string(caption) : applicationName_,
                            style, owned, answer});
  return answer;
}

bool HeadlessToolkit::startNotifications(std::string& why) {
  if (!notificationService_) why = "no notification service on the session bus";
  return notificationService_;
}

void HeadlessToolkit::notify(std::string_view summary, std::string_view body) {
  if (notificationService_) notes_.push_back(Note{std::string(summary), std::string(body)});
}

}  // namespace tk
