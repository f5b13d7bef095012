#pragma once

#include <cstdint>

#include "generator/generate_options.h"
#include "monitor/depth_poll.h"
#include "monitor/message_removal.h"
#include "platform/toolkit/window.h"

namespace tarnix {

// What a settings file may preset while the window initialises: the monitor's own options, each
// applied by the part of the window that owns it, and the generator's options.
class MonitorPresets {
 public:
  MonitorPresets(tk::Window& window, DepthPoll& poll, MessageRemoval& removal,
                 GenerateOptions& options)
      : window_(window), poll_(poll), removal_(removal), options_(options) {}

  // Stay on Top ticked; the window is topmost already.
  void keepOnTop() { window_.setChecked(ctl::kStayOnTop, true); }
  void warningPercent(std::uint32_t percent) { poll_.presetWarningPercent(percent); }
  void refreshRate(std::int32_t seconds) { poll_.presetRefreshRate(seconds); }
  void confirmDelete(bool confirm) { removal_.presetConfirmDelete(confirm); }
  GenerateOptions& generateOptions() { return options_; }

 private:
  tk::Window& window_;
  DepthPoll& poll_;
  MessageRemoval& removal_;
  GenerateOptions& options_;
};

}  // namespace tarnix
