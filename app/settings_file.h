#pragma once

#include <string_view>

#include "monitor/monitor_presets.h"

namespace tarnix {

// Presets the window's and the generator's options from tarnix.ini in the working directory,
// once, during the window's initialisation. Without the file every default stands, silently; one
// that is not a regular file, or is larger than 64 KiB, is not read, and one line says so.
void readSettingsFile(MonitorPresets& presets);

// Applies the values of a settings file's text, each as soon as it is read. A value that cannot
// be read stops the reading, and a name too long for its field is refused; each says so in one
// line on standard error, naming the value and what was kept.
void applySettings(std::string_view text, MonitorPresets& presets);

}  // namespace tarnix
