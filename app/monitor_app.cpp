#include "app/monitor_app.h"

#include <array>
#include <iostream>
#include <memory>
#include <optional>

#include "app/settings_file.h"
#include "chooser/chooser_dialog.h"
#include "chooser/chooser_model.h"
#include "chooser/demo_manager.h"
#include "monitor/monitor_dialog.h"
#include "platform/runtime/process_end.h"
#include "platform/toolkit/message_box.h"
#include "platform/toolkit/worker_set.h"

namespace tarnix {
namespace {

constexpr const char* kUsage = "Tarnix qmgr queue [queue x 4]";

// Queue names come from arguments 2 to 6. An empty argument ends the list like a missing one, so
// the named slots are always the first ones.
std::array<std::string, kSlotCount> queueNamesFrom(const std::vector<std::string>& arguments) {
  std::array<std::string, kSlotCount> names;
  for (int k = 0; k < kSlotCount; ++k) {
    const std::size_t at = static_cast<std::size_t>(k) + 2;
    if (at >= arguments.size() || arguments[at].empty()) break;
    names[k] = arguments[at];
  }
  return names;
}

}  // namespace

MonitorApp::MonitorApp(tk::Toolkit& toolkit) : toolkit_(toolkit) {}

int MonitorApp::run(const std::vector<std::string>& arguments, bool notify) {
  auto dialog = std::make_unique<MonitorDialog>(readSettingsFile);
  dialog->setManagerName(arguments.size() > 1 ? arguments[1] : std::string());
  const std::array<std::string, kSlotCount> names = queueNamesFrom(arguments);
  dialog->setQueueNames(names);

  if (names[0].empty()) {
    toolkit_.messageBox(kUsage, "Error", tk::mb::kIconError);
    rt::endProcess(rt::kExitUsage);
  }

  if (notify) {
    std::string why;
    if (toolkit_.startNotifications(why)) {
      dialog->notifyAlerts([this](const std::string& summary, const std::string& body) {
        toolkit_.notify(summary, body);
      });
    } else {
      std::cerr << "tarnix: --notify: " << why << "; the monitor runs without notifications"
                << std::endl;
    }
  }

  dialog->keepHistory(history_, historyWindows_);
  toolkit_.runModal(*dialog);
  if (historyWindows_ != nullptr) historyWindows_->closeAll();
  if (history_ != nullptr) history_->flush();

  // Queue objects fifth first, then their manager, then the window; destruction closes and
  // disconnects them.
  dialog->releaseClientObjects();
  // A generator run that did not stop in time is left working on objects of its own: the process
  // ends at once rather than destroy what such a run may still reach.
  if (tk::WorkerSet::strays() != 0) rt::endProcess(rt::kExitNormal);
  dialog.reset();
  return rt::kExitNormal;
}

int MonitorApp::runChooser(const std::vector<std::string>& arguments, bool notify) {
  ChooserModel model(toolkit_.memory());
  std::optional<std::string> asked;
  if (arguments.size() > 1) asked = arguments[1];
  ChooserDialog chooser(model, asked);
  if (toolkit_.runModal(chooser) != tk::kIdOk) return rt::kExitNormal;
  std::vector<std::string> monitorArguments{arguments.front(), chooser.choice().manager};
  for (const std::string& queue : chooser.choice().queues) monitorArguments.push_back(queue);
  return run(monitorArguments, notify);
}

int MonitorApp::runDemo(const std::string& program, bool notify) {
  bool made = false;
  if (const kx::admin::Status status = prepareDemo(made); !status) {
    std::cerr << "tarnix: " << status.message << std::endl;
    toolkit_.messageBox(status.message, "Demo", tk::mb::kIconError);
    return rt::kExitFailure;
  }
  if (made) {
    std::cout << "made the demo queue manager " << kDemoManager << " in "
              << kx::admin::dataDirectory().string() << std::endl;
  }
  std::vector<std::string> arguments{program, kDemoManager};
  for (const std::string& queue : demoQueues()) arguments.push_back(queue);
  return run(arguments, notify);
}

}  // namespace tarnix
