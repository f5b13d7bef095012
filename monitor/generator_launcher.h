#pragma once

#include <memory>
#include <string>
#include <vector>

#include "generator/generate_options.h"
#include "generator/run_report.h"
#include "monitor/queue_slots.h"
#include "platform/toolkit/progress_bar.h"
#include "platform/toolkit/window.h"

namespace tarnix {

// The monitor's generator: the options that "Opt" edits, the runs that "Gen" starts onto the
// selected queue, and the progress bar whose menu stops them.
class GeneratorLauncher {
 public:
  // Keeps the window's progress bar for the runs and gives it its "Stop generator run" entry.
  GeneratorLauncher(tk::Window& window, const QueueSlots& queueSlots);

  GenerateOptions& generateOptions() { return generateOptions_; }
  const GenerateOptions& generateOptions() const { return generateOptions_; }
  const tk::ProgressBar& generatorProgressBar() const { return generatorProgressBar_; }

  // "Opt": the options dialog, over the window.
  void editGenerateOptions();
  // "Gen": a run of its own, with the request of this moment.
  void startGenerator();
  // "Stop generator run": every run ends before its next put or pause.
  void stopGeneratorRuns();
  // The request text a Gen press hands to a generator run now.
  std::string generatorRequest() const;
  // What Gen, Opt or the progress bar mean now; empty for other controls.
  std::string toolTip(int id);

 private:
  // Once a run has ended: a failure shows in the window as well as on standard output.
  void generatorRunEnded(const RunReport& report);
  // One line for each run that is still going.
  std::string progressToolTip();

  tk::Window& window_;
  const QueueSlots& slots_;
  GenerateOptions generateOptions_;
  tk::ProgressBar generatorProgressBar_;
  // The runs started from this window that may still be going.
  std::vector<std::shared_ptr<RunReport>> runs_;
};

}  // namespace tarnix
