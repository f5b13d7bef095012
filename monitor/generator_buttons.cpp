// The monitor's two generator buttons: "Opt" edits the generator's options, "Gen" starts a run.
#include "generator/generate_options_dialog.h"
#include "generator/generator_worker.h"
#include "generator/request_text.h"
#include "monitor/monitor_dialog.h"

namespace tarnix {

void MonitorDialog::editGenerateOptions() {
  GenerateOptionsDialog dialog(generateOptions_);
  window().runModal(dialog);
}

void MonitorDialog::startGenerator() {
  // Each run works on its own copy of the request; the window keeps no handle on it and learns
  // of it only through the progress bar.
  window().startWorker([request = generatorRequest(),
                        progress = process_.generatorProgressBar](std::stop_token stop) {
    runGenerator(request, progress, std::move(stop));
  });
}

std::string MonitorDialog::generatorRequest() const {
  // The default queue manager is named as the one the window is connected to, so that a run
  // reaches the same one even if the default changes meanwhile.
  const std::string& manager = managerName_.empty() ? manager_->managerName() : managerName_;
  return buildRequest(generateOptions_, manager, queueNames_[selectedSlot()]);
}

}  // namespace tarnix
