#pragma once

namespace tarnix {

class MonitorDialog;

// Presets the window's and the generator's options from tarnix.ini in the working directory,
// once, during the window's initialisation.
void readSettingsFile(MonitorDialog& dialog);

}  // namespace tarnix
