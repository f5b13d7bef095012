#include "app/settings_file.h"

#include "monitor/monitor_dialog.h"

namespace tarnix {

// The settings file arrives with its own work; until then every default stands.
void readSettingsFile(MonitorDialog& /*dialog*/) {}

}  // namespace tarnix
