#pragma once

#include <span>

#include "generator/generate_options.h"
#include "platform/toolkit/dialog.h"

namespace tarnix {

// The generator's options dialog: shows the options record, and on "I'm Happy" reads every
// control back into it and composes the report-options word. "Cancel", Escape and the close box
// leave the record as it was.
class GenerateOptionsDialog : public tk::TableDialog<GenerateOptionsDialog> {
 public:
  explicit GenerateOptionsDialog(GenerateOptions& options);

  static std::span<const tk::EventEntry<GenerateOptionsDialog>> eventTable();
  void onInitDialog() override;

  void confirm();
  void cancel();

 private:
  // Builds reportOptions from the report checks, reading (and storing) a kind or choice only
  // when the word needs it.
  void composeReportOptions();

  GenerateOptions& options_;
};

}  // namespace tarnix
