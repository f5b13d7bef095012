#include "generator/options_template.h"

#include <array>
#include <string_view>

#include "generator/generate_options.h"
#include "generator/options_controls.h"

namespace tarnix {
namespace {

using tk::ControlKind;
using tk::kNoId;
namespace attr = tk::attr;
namespace id = optctl;

constexpr std::array<std::string_view, 3> kReportKinds = {"None *", "With Data", "With Full Data"};
constexpr std::array<std::string_view, 2> kDiscardItems = {"Dead Letter Queue *",
                                                           "Discard Message"};
constexpr std::array<std::string_view, 2> kMsgIdItems = {"New Message ID *", "Pass Message ID"};
constexpr std::array<std::string_view, 2> kCorrelIdItems = {"Copy Message ID to Correl ID *",
                                                            "Pass Correl ID"};

constexpr std::uint32_t kEdit = attr::kTabStop;
constexpr std::uint32_t kDigits = attr::kDigitsOnly | attr::kTabStop;
constexpr std::uint32_t kCheck = attr::kTabStop;
// Typeable combo boxes; the report kinds' first one is a list to choose from only. Every list is
// sorted, which its items already are. A combo's height is the extent of its open list.
constexpr std::uint32_t kCombo = attr::kSort | attr::kTabStop;
constexpr std::uint32_t kComboList = attr::kDropDownList | attr::kSort | attr::kTabStop;

// Template order is tab order. Each group of controls that exclude or belong to one another
// starts a control group: the three source buttons form one.
constexpr std::array kControls = std::to_array<tk::ControlTemplate>({
    {id::kHappy,
     ControlKind::PushButton,
     "I'm Happy",
     {360, 214, 56, 16},
     attr::kDefaultButton | attr::kTabStop | attr::kGroupStart},
    {id::kCancel, ControlKind::PushButton, "Cancel", {424, 214, 56, 16}, attr::kTabStop},
    {kNoId, ControlKind::Label, "Number of Messages to Generate", {8, 10, 132, 8}, attr::kNone},
    {id::kMessageCount, ControlKind::Edit, "", {148, 8, 60, 12}, kEdit},
    {kNoId,
     ControlKind::Label,
     "Milliseconds to sleep between messages",
     {8, 26, 132, 8},
     attr::kNone},
    {id::kSleepMs, ControlKind::Edit, "", {148, 24, 60, 12}, kDigits},
    {id::kRandomSleep,
     ControlKind::CheckBox,
     "Random sleep?                                       ",
     {8, 40, 208, 10},
     attr::kLabelLeft | kCheck},
    {kNoId, ControlKind::GroupBox, "Source", {4, 56, 244, 70}, attr::kNone},
    {id::kRandom,
     ControlKind::RadioButton,
     "Random",
     {12, 70, 44, 10},
     attr::kGroupStart | attr::kTabStop},
    {id::kQueue, ControlKind::RadioButton, "Queue", {12, 88, 44, 10}, attr::kNone},
    {id::kFile, ControlKind::RadioButton, "File", {12, 106, 44, 10}, attr::kNone},
    {kNoId,
     ControlKind::Label,
     "Random message length (bytes)",
     {60, 71, 110, 8},
     attr::kGroupStart},
    {id::kRandomLength, ControlKind::Edit, "", {176, 69, 64, 12}, kDigits},
    {id::kSourceQueue, ControlKind::Edit, "", {60, 87, 180, 12}, kEdit, {}, kQueueNameCapacity},
    {id::kSourceFile, ControlKind::Edit, "", {60, 105, 180, 12}, kEdit, {}, kFileNameCapacity},
    {kNoId, ControlKind::GroupBox, "Weet nie wat nie", {4, 132, 118, 40}, attr::kNone},
    {id::kCorrelId, ControlKind::CheckBox, "Correl ID", {12, 144, 80, 10}, kCheck},
    {id::kPersistent, ControlKind::CheckBox, "Persistent", {12, 157, 80, 10}, kCheck},
    {kNoId, ControlKind::GroupBox, "Preserve", {130, 132, 118, 40}, attr::kNone},
    {id::kPreserveMsgId, ControlKind::CheckBox, "Message ID", {138, 144, 80, 10}, kCheck},
    {id::kPreserveCorrelId, ControlKind::CheckBox, "Correl ID", {138, 157, 80, 10}, kCheck},
    {kNoId, ControlKind::Label, "Expiration", {8, 183, 40, 8}, attr::kNone},
    {id::kExpiryTenths, ControlKind::Edit, "", {52, 181, 60, 12}, kDigits},
    {kNoId, ControlKind::Label, "tenths of sec", {116, 183, 50, 8}, attr::kNone},
    {kNoId, ControlKind::GroupBox, "Header", {256, 4, 228, 46}, attr::kNone},
    {kNoId, ControlKind::Label, "Reply to Queue", {264, 18, 84, 8}, attr::kNone},
    {id::kReplyToQueue, ControlKind::Edit, "", {352, 16, 124, 12}, kEdit, {}, kQueueNameCapacity},
    {kNoId, ControlKind::Label, "Reply to Queue Manager", {264, 34, 84, 8}, attr::kNone},
    {id::kReplyToQmgr, ControlKind::Edit, "", {352, 32, 124, 12}, kEdit, {}, kQueueNameCapacity},
    {kNoId, ControlKind::GroupBox, "Report Options", {256, 56, 228, 152}, attr::kNone},
    {id::kCoa, ControlKind::CheckBox, "COA", {264, 70, 56, 10}, kCheck},
    {id::kCoaKind, ControlKind::ComboBox, "", {324, 68, 100, 60}, kComboList, kReportKinds},
    {id::kCod, ControlKind::CheckBox, "COD", {264, 88, 56, 10}, kCheck},
    {id::kCodKind, ControlKind::ComboBox, "", {324, 86, 100, 60}, kCombo, kReportKinds},
    {id::kException, ControlKind::CheckBox, "Exception", {264, 106, 56, 10}, kCheck},
    {id::kExceptionKind, ControlKind::ComboBox, "", {324, 104, 100, 60}, kCombo, kReportKinds},
    {id::kExpiration, ControlKind::CheckBox, "Expiration", {264, 124, 56, 10}, kCheck},
    {id::kExpirationKind, ControlKind::ComboBox, "", {324, 122, 100, 60}, kCombo, kReportKinds},
    {id::kPan, ControlKind::CheckBox, "PAN", {264, 142, 40, 10}, kCheck},
    {id::kNan, ControlKind::CheckBox, "NAN", {312, 142, 40, 10}, kCheck},
    {id::kDiscardChoice, ControlKind::ComboBox, "", {264, 158, 132, 60}, kCombo, kDiscardItems},
    {id::kMsgIdChoice, ControlKind::ComboBox, "", {264, 174, 132, 60}, kCombo, kMsgIdItems},
    {id::kCorrelIdChoice, ControlKind::ComboBox, "", {264, 190, 132, 60}, kCombo, kCorrelIdItems},
    {kNoId, ControlKind::Label, "* = default", {404, 192, 60, 8}, attr::kNone},
});

}  // namespace

const tk::DialogTemplate& optionsTemplate() {
  static const tk::DialogTemplate dialog{
      .id = kOptionsTemplateId,
      .width = 488,
      .height = 237,
      .title = "Generate Options",
      .fontName = "MS Sans Serif",
      .fontPoints = 8,
      .styles = tk::style::kModalFrame | tk::style::kCaption | tk::style::kSystemMenu,
      .controls = kControls,
  };
  return dialog;
}

}  // namespace tarnix
