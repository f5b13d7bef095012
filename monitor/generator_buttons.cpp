// The monitor's two generator buttons: "Opt" edits the generator's options, "Gen" starts a run;
// and the progress bar's menu, which stops the runs.
#include <algorithm>
#include <cstdint>
#include <limits>

#include "generator/generate_options_dialog.h"
#include "generator/generator_worker.h"
#include "generator/request_text.h"
#include "monitor/monitor_dialog.h"
#include "platform/toolkit/message_box.h"

namespace tarnix {

void MonitorDialog::editGenerateOptions() {
  GenerateOptionsDialog dialog(generateOptions_);
  window().runModal(dialog);
}

void MonitorDialog::startGenerator() {
  // Each run works on its own copy of the request. The window learns of it through the progress
  // bar, and through its report: how far it has got, and the line it ended on.
  std::erase_if(runs_, [](const auto& run) { return run->ended.load(); });
  auto report = std::make_shared<RunReport>();
  report->target = queueNames_[selectedSlot()];
  // The count as the run will read it from its request; the run confirms it when it starts.
  report->count = static_cast<std::int32_t>(std::min<std::uint32_t>(
      generateOptions_.messageCount, std::numeric_limits<std::int32_t>::max()));
  const bool started = window().startWorker(
      [request = generatorRequest(), progress = process_.generatorProgressBar, report](
          std::stop_token stop) { runGenerator(request, progress, std::move(stop), report.get()); },
      [this, report] { generatorRunEnded(*report); });
  if (started) runs_.push_back(std::move(report));
}

void MonitorDialog::generatorRunEnded(const RunReport& report) {
  if (!report.failure.empty()) window().showNotice(report.failure, "Gen", tk::mb::kIconWarning);
}

void MonitorDialog::stopGeneratorRuns() { window().stopWorkers(); }

std::string MonitorDialog::generatorRequest() const {
  // The default queue manager is named as the one the window is connected to, so that a run
  // reaches the same one even if the default changes meanwhile.
  const std::string& manager = managerName_.empty() ? manager_->managerName() : managerName_;
  return buildRequest(generateOptions_, manager, queueNames_[selectedSlot()]);
}

}  // namespace tarnix
