#include "monitor/generator_launcher.h"

#include <algorithm>
#include <cstdint>
#include <limits>

#include "generator/generate_options_dialog.h"
#include "generator/generator_worker.h"
#include "generator/request_text.h"
#include "platform/toolkit/message_box.h"

namespace tarnix {

GeneratorLauncher::GeneratorLauncher(tk::Window& window, const QueueSlots& queueSlots)
    : window_(window),
      slots_(queueSlots),
      generatorProgressBar_(window.progressBar(ctl::kProgress)) {
  window_.addContextAction(ctl::kProgress, ctl::kStopGeneratorRuns, "Stop generator run");
}

void GeneratorLauncher::editGenerateOptions() {
  GenerateOptionsDialog dialog(generateOptions_);
  window_.runModal(dialog);
}

void GeneratorLauncher::startGenerator() {
  // Each run works on its own copy of the request. The window learns of it through the progress
  // bar, and through its report: how far it has got, and the line it ended on.
  std::erase_if(runs_, [](const auto& run) { return run->ended.load(); });
  auto report = std::make_shared<RunReport>();
  report->target = slots_.queueName(selectedSlot(window_));
  // The count as the run will read it from its request; the run confirms it when it starts.
  report->count = static_cast<std::int32_t>(std::min<std::uint32_t>(
      generateOptions_.messageCount, std::numeric_limits<std::int32_t>::max()));
  const bool started = window_.startWorker(
      [request = generatorRequest(), progress = generatorProgressBar_, report](
          std::stop_token stop) { runGenerator(request, progress, std::move(stop), report.get()); },
      [this, report] { generatorRunEnded(*report); });
  if (started) runs_.push_back(std::move(report));
}

void GeneratorLauncher::generatorRunEnded(const RunReport& report) {
  if (!report.failure.empty()) window_.showNotice(report.failure, "Gen", tk::mb::kIconWarning);
}

void GeneratorLauncher::stopGeneratorRuns() { window_.stopWorkers(); }

std::string GeneratorLauncher::generatorRequest() const {
  // The default queue manager is named as the one the window is connected to, so that a run
  // reaches the same one even if the default changes meanwhile.
  const std::string& manager =
      slots_.managerName().empty() ? slots_.manager().managerName() : slots_.managerName();
  return buildRequest(generateOptions_, manager, slots_.queueName(selectedSlot(window_)));
}

std::string GeneratorLauncher::toolTip(int id) {
  switch (id) {
    case ctl::kGen:
      return "Generate: put test messages onto " + slots_.queueName(selectedSlot(window_)) +
             " as set under Opt";
    case ctl::kOpt:
      return "Options of the generator: how many messages, their content and descriptor";
    case ctl::kProgress:
      return progressToolTip();
    default:
      return {};
  }
}

std::string GeneratorLauncher::progressToolTip() {
  std::erase_if(runs_, [](const auto& run) { return run->ended.load(); });
  std::string tip;
  for (const auto& run : runs_) {
    if (!tip.empty()) tip += '\n';
    tip += "Putting " + std::to_string(run->putting.load()) + " of " +
           std::to_string(run->count.load()) + " onto " + run->target;
  }
  return tip;
}

}  // namespace tarnix
