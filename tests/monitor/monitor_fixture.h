#pragma once

#include <chrono>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "generator/options_controls.h"
#include "monitor/monitor_controls.h"
#include "monitor/monitor_dialog.h"
#include "platform/messaging/get_options.h"
#include "platform/messaging/test_seams.h"
#include "platform/toolkit/headless/headless_toolkit.h"
#include "tests/support/manager_fixture.h"

namespace tarnix::testing {

// How a test starts the monitor window: its queue manager, what the settings file presets, where
// its desktop notes go.
struct Start {
  std::string manager = "QM1";  // the one ManagerFixture runs
  MonitorDialog::SettingsReader settings{};
  DepthAlerts::Send alerts{};
  DepthHistory* history = nullptr;
  HistoryWindows* historyWindows = nullptr;
};

// The monitor window with its screen window in reach, for a test that acts on the window while
// the dialog initialises.
class MonitorUnderTest : public MonitorDialog {
 public:
  using MonitorDialog::MonitorDialog;
  using tk::Dialog::window;
};

// A monitor window over a real store, opened on the headless backend and left open to drive.
class MonitorFixture : public ManagerFixture {
 protected:
  void TearDown() override {
    kx::setFaultHook({});
    if (window_ != nullptr && !window_->closed()) window_->close();
    dialog_.reset();
    ManagerFixture::TearDown();
  }

  tk::HeadlessWindow& open(const std::vector<std::string>& queues, Start start = {}) {
    dialog_ = std::make_unique<MonitorUnderTest>(std::move(start.settings));
    dialog_->setManagerName(start.manager);
    dialog_->setQueueNames(queues);
    if (start.alerts) dialog_->notifyAlerts(std::move(start.alerts));
    dialog_->keepHistory(start.history, start.historyWindows);
    window_ = &toolkit_.open(*dialog_);
    return *window_;
  }

  // Edits the generator's options as the operator does: "Opt", then `edit` in the options
  // dialog, then "I'm Happy".
  void editOptions(const std::function<void(tk::HeadlessWindow&)>& edit) {
    toolkit_.onModal(kOptionsTemplateId, [edit](tk::HeadlessWindow& options) {
      edit(options);
      options.click(optctl::kHappy);
    });
    window_->click(ctl::kOpt);
  }

  std::string depthText(int slot) const { return window_->textOf(ctl::depthBox(slot)); }
  std::string reasonText(int slot) const { return window_->textOf(ctl::reasonBox(slot)); }

  // A queue reached through a connection of the test's own.
  struct Client {
    explicit Client(std::string_view queueName) {
      manager.setManagerName(kManager);
      EXPECT_TRUE(manager.connect()) << manager.reason();
      queue.setQueueName(queueName);
      queue.bindManager(manager);
    }
    kx::IkxQueueManager manager;
    kx::IkxQueue queue;
  };

  // Puts one persistent message per text, so that they survive a restart.
  void putTexts(std::string_view queueName, const std::vector<std::string>& texts) {
    Client client(queueName);
    for (const std::string& text : texts) {
      kx::QueueMessage message;
      message.persistent = 1;
      message.setData(text.data(), text.size());
      EXPECT_TRUE(client.queue.put(message)) << client.queue.reason();
    }
  }

  // The data of every message on the queue, in order, read without taking them.
  std::vector<std::string> textsOn(std::string_view queueName) {
    Client client(queueName);
    std::vector<std::string> texts;
    kx::QueueMessage message;
    kx::GetOptions options{kx::getopt::kBrowseFirst};
    while (client.queue.get(message, options)) {
      texts.emplace_back(message.data().begin(), message.data().end());
      message.msgId.reset();
      message.correlId.reset();
      options.options = kx::getopt::kBrowseNext;
    }
    return texts;
  }

  // Waits until `queue` holds at least `depth` messages; false after half a minute.
  bool waitForDepth(std::string_view queue, std::int32_t depth) {
    for (int tries = 0; tries < 3000; ++tries) {
      if (depthOf(queue) >= depth) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
  }

  // Runs kxadmin with `arguments` as a program of its own; gives its exit status.
  static int kxadmin(const std::string& arguments) {
    return std::system((std::string(KXADMIN) + " " + arguments + " >/dev/null 2>&1").c_str());
  }

  tk::HeadlessToolkit toolkit_;
  std::unique_ptr<MonitorUnderTest> dialog_;
  tk::HeadlessWindow* window_ = nullptr;
};

}  // namespace tarnix::testing
