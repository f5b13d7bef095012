#pragma once

#include "platform/toolkit/dialog_template.h"

namespace tarnix {

inline constexpr int kChooserTemplateId = 140;

// The chooser's controls.
namespace choose {
inline constexpr int kManagersLabel = 1401;  // "Queue managers in DIR:"
inline constexpr int kManagerList = 1402;
inline constexpr int kStart = 1403;
inline constexpr int kMakeDemo = 1404;
inline constexpr int kQueuesLabel = 1405;  // "Queues of QM1:"
inline constexpr int kFilter = 1406;
inline constexpr int kQueueList = 1407;  // a box on each row
inline constexpr int kChosenList = 1408;
inline constexpr int kUp = 1409;
inline constexpr int kDown = 1410;
inline constexpr int kRemove = 1411;
inline constexpr int kNote = 1412;
inline constexpr int kMonitor = 1413;
inline constexpr int kCancel = 1414;
}  // namespace choose

// The chooser window as data, in tab order.
const tk::DialogTemplate& chooserTemplate();

}  // namespace tarnix
