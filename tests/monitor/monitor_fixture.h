#pragma once

#include <functional>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "generator/options_controls.h"
#include "monitor/monitor_controls.h"
#include "monitor/monitor_dialog.h"
#include "platform/toolkit/headless/headless_toolkit.h"
#include "tests/support/manager_fixture.h"

namespace tarnix::testing {

// A monitor window over a real store, opened on the headless backend and left open to drive.
class MonitorFixture : public ManagerFixture {
 protected:
  void TearDown() override {
    if (window_ != nullptr && !window_->closed()) window_->close();
    dialog_.reset();
    ManagerFixture::TearDown();
  }

  tk::HeadlessWindow& open(std::initializer_list<std::string> queues,
                           const std::string& manager = kManager) {
    dialog_ = std::make_unique<MonitorDialog>(process_);
    dialog_->setManagerName(manager);
    const std::vector<std::string> names(queues);
    dialog_->setQueueNames(names);
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

  tk::HeadlessToolkit toolkit_;
  ProcessValues process_;
  std::unique_ptr<MonitorDialog> dialog_;
  tk::HeadlessWindow* window_ = nullptr;
};

}  // namespace tarnix::testing
