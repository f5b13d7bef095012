#include "chooser/chooser_template.h"

#include <array>

namespace tarnix {
namespace {

using tk::ControlKind;
using tk::kNoId;
namespace attr = tk::attr;
using namespace choose;

constexpr tk::ListColumn kManagerColumns[] = {
    {"Queue manager", 96}, {"State", 44}, {"Store", 40}, {"Default", 30}};
constexpr tk::ListColumn kQueueColumns[] = {
    {"Queue", 120}, {"Type", 32}, {"Depth", 36, true}, {"Max depth", 46, true}};
constexpr tk::ListColumn kChosenColumns[] = {{"Slot", 24}, {"Queue", 160}};

constexpr std::array kControls = std::to_array<tk::ControlTemplate>({
    {kManagersLabel, ControlKind::Label, "Queue managers:", {6, 5, 248, 16}, attr::kMultiLine},
    {kManagerList, ControlKind::List, "", {6, 22, 216, 58}, attr::kTabStop, {}, 0, kManagerColumns},
    {kStart, ControlKind::PushButton, "Start", {226, 22, 50, 14}, attr::kTabStop},
    {kMakeDemo, ControlKind::PushButton, "Make Demo", {226, 40, 50, 14}, attr::kTabStop},
    {kQueuesLabel, ControlKind::Label, "Queues:", {6, 88, 140, 8}, attr::kNone},
    {kNoId, ControlKind::Label, "Filter:", {150, 88, 26, 8}, attr::kNone},
    {kFilter, ControlKind::Edit, "", {176, 86, 100, 12}, attr::kTabStop},
    {kQueueList,
     ControlKind::List,
     "",
     {6, 101, 270, 84},
     attr::kCheckBoxes | attr::kTabStop,
     {},
     0,
     kQueueColumns},
    {kNoId,
     ControlKind::Label,
     "Monitor these, in this order (at most five):",
     {6, 191, 216, 8},
     attr::kNone},
    {kChosenList, ControlKind::List, "", {6, 201, 216, 58}, attr::kTabStop, {}, 0, kChosenColumns},
    {kUp, ControlKind::PushButton, "Up", {226, 201, 50, 14}, attr::kTabStop},
    {kDown, ControlKind::PushButton, "Down", {226, 219, 50, 14}, attr::kTabStop},
    {kRemove, ControlKind::PushButton, "Remove", {226, 237, 50, 14}, attr::kTabStop},
    {kNote, ControlKind::Label, "", {6, 264, 270, 26}, attr::kMultiLine},
    {kMonitor,
     ControlKind::PushButton,
     "Monitor",
     {170, 294, 50, 14},
     attr::kDefaultButton | attr::kTabStop},
    {kCancel, ControlKind::PushButton, "Cancel", {226, 294, 50, 14}, attr::kTabStop},
});

}  // namespace

const tk::DialogTemplate& chooserTemplate() {
  static const tk::DialogTemplate dialog{
      .id = kChooserTemplateId,
      .width = 282,
      .height = 314,
      .title = "Tarnix: Choose Queues",
      .fontName = "MS Sans Serif",
      .fontPoints = 8,
      .styles = tk::style::kCaption | tk::style::kSystemMenu | tk::style::kTaskBarButton |
                tk::style::kForegroundOnCreate,
      .controls = kControls,
  };
  return dialog;
}

}  // namespace tarnix
