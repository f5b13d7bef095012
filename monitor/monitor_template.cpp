#include "monitor/monitor_template.h"

#include <array>

#include "monitor/monitor_controls.h"

namespace tarnix {
namespace {

using tk::ControlKind;
using tk::kNoId;
namespace attr = tk::attr;

// Template order is tab order. The first control group runs from the first control up to the
// label "Number", so the five select buttons in it exclude each other.
constexpr std::array kControls = std::to_array<tk::ControlTemplate>({
    {ctl::depthBox(0), ControlKind::Edit, "", {25, 0, 30, 14}, attr::kDigitsOnly | attr::kTabStop},
    {ctl::nameBox(0), ControlKind::Edit, "", {73, 5, 215, 12}, attr::kReadOnly | attr::kNoBorder},
    {ctl::depthBox(1), ControlKind::Edit, "", {25, 15, 30, 14}, attr::kDigitsOnly | attr::kTabStop},
    {ctl::nameBox(1), ControlKind::Edit, "", {73, 20, 215, 12}, attr::kReadOnly | attr::kNoBorder},
    {ctl::depthBox(2), ControlKind::Edit, "", {25, 30, 30, 14}, attr::kDigitsOnly | attr::kTabStop},
    {ctl::nameBox(2), ControlKind::Edit, "", {73, 35, 215, 12}, attr::kReadOnly | attr::kNoBorder},
    {ctl::depthBox(3), ControlKind::Edit, "", {25, 45, 30, 14}, attr::kDigitsOnly | attr::kTabStop},
    {ctl::nameBox(3), ControlKind::Edit, "", {73, 50, 215, 12}, attr::kReadOnly | attr::kNoBorder},
    {ctl::depthBox(4), ControlKind::Edit, "", {25, 60, 30, 14}, attr::kDigitsOnly | attr::kTabStop},
    {ctl::nameBox(4), ControlKind::Edit, "", {73, 65, 215, 12}, attr::kReadOnly | attr::kNoBorder},
    {ctl::emptyButton(0), ControlKind::PushButton, "C", {0, 0, 10, 15}, attr::kNone},
    {ctl::emptyButton(1), ControlKind::PushButton, "L", {0, 15, 10, 15}, attr::kNone},
    {ctl::emptyButton(2), ControlKind::PushButton, "E", {0, 30, 10, 15}, attr::kNone},
    {ctl::emptyButton(3), ControlKind::PushButton, "A", {0, 45, 10, 15}, attr::kNone},
    {ctl::emptyButton(4), ControlKind::PushButton, "R", {0, 60, 10, 15}, attr::kNone},
    {ctl::kDisplay,
     ControlKind::PushButton,
     "Display",
     {88, 82, 50, 15},
     attr::kDefaultButton | attr::kTabStop},
    {ctl::kRemove, ControlKind::PushButton, "Remove", {143, 82, 50, 15}, attr::kTabStop},
    {ctl::selectButton(0), ControlKind::RadioButton, "", {55, 5, 16, 8}, attr::kNone},
    {ctl::selectButton(1), ControlKind::RadioButton, "", {55, 20, 16, 8}, attr::kDisabled},
    {ctl::selectButton(2), ControlKind::RadioButton, "", {55, 35, 16, 8}, attr::kDisabled},
    {ctl::selectButton(3), ControlKind::RadioButton, "", {55, 50, 16, 8}, attr::kDisabled},
    {ctl::selectButton(4), ControlKind::RadioButton, "", {55, 65, 16, 8}, attr::kDisabled},
    {kNoId, ControlKind::Label, "Number", {3, 84, 30, 10}, attr::kGroupStart},
    {ctl::kNumber, ControlKind::Edit, "", {33, 84, 40, 12}, attr::kTabStop},
    {ctl::kMessageData,
     ControlKind::Edit,
     "",
     {3, 119, 457, 115},
     attr::kMultiLine | attr::kReadOnly | attr::kVScroll | attr::kTabStop},
    {ctl::kMsgId, ControlKind::Edit, "", {27, 233, 233, 12}, attr::kReadOnly | attr::kTabStop},
    {ctl::kCorrelId, ControlKind::Edit, "", {27, 244, 233, 12}, attr::kReadOnly | attr::kTabStop},
    {ctl::kStayOnTop,
     ControlKind::CheckBox,
     "Stay on Top",
     {341, 10, 55, 10},
     attr::kLabelLeft | attr::kTabStop},
    {kNoId, ControlKind::Label, "Msg ID", {2, 235, 24, 8}, attr::kNone},
    {kNoId, ControlKind::Label, "Cor ID", {2, 247, 21, 8}, attr::kNone},
    {kNoId, ControlKind::GroupBox, "Program Controls", {336, 0, 75, 105}, attr::kNone},
    {ctl::kNumberSpin,
     ControlKind::Spin,
     "",
     {73, 84, 11, 14},
     attr::kSpinAlignRight | attr::kSpinSetBuddyInt | attr::kSpinWrap | attr::kSpinArrowKeys |
         attr::kSpinNoThousands | attr::kTabStop},
    {kNoId, ControlKind::GroupBox, "Message Detail", {0, 110, 465, 199}, attr::kNone},
    {kNoId, ControlKind::GroupBox, "Message Controls", {0, 74, 204, 36}, attr::kNone},
    {ctl::kWarningPercent, ControlKind::Edit, "", {386, 20, 20, 12}, attr::kTabStop},
    {kNoId, ControlKind::Label, "% Warning", {342, 20, 35, 8}, attr::kNone},
    {kNoId, ControlKind::Label, "Version 3.5", {366, 95, 40, 8}, attr::kCentred},
    {ctl::kHex, ControlKind::CheckBox, "Hex", {33, 97, 29, 10}, attr::kTabStop},
    {ctl::kGen, ControlKind::PushButton, "Gen", {15, 0, 10, 36}, attr::kTabStop},
    {kNoId, ControlKind::GroupBox, "", {320, 200, 13, 15}, attr::kHidden},
    {kNoId, ControlKind::Label, "Refresh rate", {341, 35, 40, 8}, attr::kNone},
    {ctl::kRefreshRate, ControlKind::Edit, "", {386, 35, 20, 14}, attr::kTabStop},
    {ctl::kConfirmDelete,
     ControlKind::CheckBox,
     "Confirm Del ",
     {341, 50, 54, 10},
     attr::kLabelLeft | attr::kTabStop},
    {ctl::kProgress, ControlKind::ProgressBar, "", {2, 329, 455, 14}, attr::kSmooth},
    {kNoId, ControlKind::Label, "Msg length", {264, 237, 36, 8}, attr::kNone},
    {ctl::kMsgLength, ControlKind::Edit, "", {301, 234, 40, 12}, attr::kReadOnly | attr::kTabStop},
    {ctl::kPersistent, ControlKind::CheckBox, "Persistent", {413, 236, 47, 10}, attr::kDisabled},
    {kNoId, ControlKind::Label, "Last Error", {208, 84, 31, 8}, attr::kNone},
    {ctl::kLastError, ControlKind::Edit, "", {208, 92, 124, 14}, attr::kReadOnly | attr::kTabStop},
    {ctl::kErrorMark, ControlKind::Edit, "", {9, 0, 6, 75}, attr::kReadOnly | attr::kNoBorder},
    {ctl::reasonBox(0), ControlKind::Edit, "", {296, 4, 28, 14}, attr::kReadOnly | attr::kTabStop},
    {ctl::reasonBox(1), ControlKind::Edit, "", {296, 20, 28, 14}, attr::kReadOnly | attr::kTabStop},
    {ctl::reasonBox(2), ControlKind::Edit, "", {296, 36, 28, 14}, attr::kReadOnly | attr::kTabStop},
    {ctl::reasonBox(3), ControlKind::Edit, "", {296, 52, 28, 14}, attr::kReadOnly | attr::kTabStop},
    {ctl::reasonBox(4), ControlKind::Edit, "", {296, 68, 28, 14}, attr::kReadOnly | attr::kTabStop},
    {ctl::kOpt, ControlKind::PushButton, "Opt", {15, 40, 10, 34}, attr::kTabStop},
    {ctl::kFormat, ControlKind::Edit, "", {27, 257, 55, 12}, attr::kReadOnly | attr::kTabStop},
    {kNoId, ControlKind::Label, "Format", {2, 258, 22, 8}, attr::kNone},
    {ctl::kExpiry, ControlKind::Edit, "", {115, 258, 29, 12}, attr::kReadOnly | attr::kTabStop},
    {kNoId, ControlKind::Label, "Expiry", {93, 259, 20, 8}, attr::kNone},
    {ctl::kCcsid, ControlKind::Edit, "", {179, 257, 27, 12}, attr::kReadOnly | attr::kTabStop},
    {kNoId, ControlKind::Label, "CCSID", {155, 259, 22, 8}, attr::kNone},
    {kNoId, ControlKind::Label, "BC", {221, 259, 10, 8}, attr::kNone},
    {ctl::kBackoutCount,
     ControlKind::Edit,
     "",
     {233, 258, 27, 12},
     attr::kReadOnly | attr::kTabStop},
    {kNoId, ControlKind::Label, "Reply to Q", {2, 271, 34, 8}, attr::kNone},
    {ctl::kReplyToQ, ControlKind::Edit, "", {41, 270, 219, 12}, attr::kReadOnly | attr::kTabStop},
    {ctl::kReplyQmgr, ControlKind::Edit, "", {41, 282, 219, 12}, attr::kReadOnly | attr::kTabStop},
    {kNoId, ControlKind::Label, "Reply Qmgr", {1, 284, 38, 8}, attr::kNone},
    {kNoId, ControlKind::Label, "Msg Type", {264, 247, 32, 8}, attr::kNone},
    {ctl::kMsgType, ControlKind::Edit, "", {301, 246, 72, 12}, attr::kReadOnly | attr::kTabStop},
    {kNoId, ControlKind::Label, "Priority", {349, 236, 22, 8}, attr::kNone},
    {ctl::kPriority, ControlKind::Edit, "", {373, 234, 15, 12}, attr::kReadOnly | attr::kTabStop},
    {kNoId, ControlKind::Label, "Feedback", {383, 248, 33, 8}, attr::kNone},
    {ctl::kFeedback, ControlKind::Edit, "", {419, 246, 27, 12}, attr::kReadOnly | attr::kTabStop},
    {kNoId, ControlKind::Label, "Put Appl", {1, 296, 28, 8}, attr::kNone},
    {ctl::kPutAppl, ControlKind::Edit, "", {41, 293, 219, 12}, attr::kReadOnly | attr::kTabStop},
    {kNoId, ControlKind::Label, "Type", {277, 295, 17, 8}, attr::kNone},
    {ctl::kPutApplType,
     ControlKind::Edit,
     "",
     {299, 293, 52, 12},
     attr::kReadOnly | attr::kTabStop},
    {kNoId, ControlKind::Label, "Time", {357, 284, 16, 8}, attr::kNone},
    {ctl::kPutTime, ControlKind::Edit, "", {375, 281, 60, 12}, attr::kReadOnly | attr::kTabStop},
    {kNoId, ControlKind::Label, "Date", {357, 295, 16, 8}, attr::kNone},
    {ctl::kPutDate, ControlKind::Edit, "", {375, 293, 60, 12}, attr::kReadOnly | attr::kTabStop},
});

}  // namespace

const tk::DialogTemplate& monitorTemplate() {
  static const tk::DialogTemplate dialog{
      .id = kMonitorTemplateId,
      .width = 468,
      .height = 350,
      .title = "",
      .fontName = "MS Sans Serif",
      .fontPoints = 8,
      .styles = tk::style::kCaption | tk::style::kSystemMenu | tk::style::kSizingBorder |
                tk::style::kMinimiseBox | tk::style::kMaximiseBox | tk::style::kTaskBarButton |
                tk::style::kForegroundOnCreate,
      .controls = kControls,
  };
  return dialog;
}

}  // namespace tarnix
