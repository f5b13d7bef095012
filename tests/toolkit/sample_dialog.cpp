#include "tests/toolkit/sample_dialog.h"

#include <algorithm>
#include <array>
#include <string_view>

namespace sample {
namespace {

using tk::ControlKind;
using tk::ControlTemplate;
namespace attr = tk::attr;

constexpr std::array<std::string_view, 3> kKinds = {"None", "With data", "Full data"};

constexpr std::array kControls = {
    ControlTemplate{
        kDepthEdit, ControlKind::Edit, "", {10, 8, 40, 12}, attr::kDigitsOnly | attr::kTabStop},
    ControlTemplate{kNameEdit, ControlKind::Edit, "", {60, 8, 80, 12}, attr::kTabStop},
    ControlTemplate{
        kReadOnlyEdit, ControlKind::Edit, "", {150, 8, 40, 12}, attr::kReadOnly | attr::kNoBorder},
    ControlTemplate{kNumberEdit, ControlKind::Edit, "1", {10, 26, 30, 12}, attr::kTabStop},
    ControlTemplate{kSpin,
                    ControlKind::Spin,
                    "",
                    {40, 26, 10, 12},
                    attr::kSpinAlignRight | attr::kSpinSetBuddyInt | attr::kSpinWrap |
                        attr::kSpinArrowKeys | attr::kSpinNoThousands | attr::kTabStop},
    ControlTemplate{
        tk::kNoId, ControlKind::GroupBox, "Choices", {5, 42, 110, 40}, attr::kGroupStart},
    ControlTemplate{kRadioA, ControlKind::RadioButton, "A", {10, 54, 30, 10}, attr::kTabStop},
    ControlTemplate{kRadioB, ControlKind::RadioButton, "B", {50, 54, 30, 10}},
    ControlTemplate{kRadioC,
                    ControlKind::RadioButton,
                    "C",
                    {10, 68, 30, 10},
                    attr::kGroupStart | attr::kTabStop},
    ControlTemplate{kRadioD, ControlKind::RadioButton, "D", {50, 68, 30, 10}},
    ControlTemplate{kCheck,
                    ControlKind::CheckBox,
                    "Check",
                    {125, 48, 60, 10},
                    attr::kGroupStart | attr::kTabStop},
    ControlTemplate{kLeftCheck,
                    ControlKind::CheckBox,
                    "Left",
                    {125, 60, 60, 10},
                    attr::kLabelLeft | attr::kTabStop},
    ControlTemplate{
        kDisabledCheck, ControlKind::CheckBox, "Off", {125, 72, 60, 10}, attr::kDisabled},
    ControlTemplate{kListCombo,
                    ControlKind::ComboBox,
                    "",
                    {10, 88, 70, 50},
                    attr::kDropDownList | attr::kTabStop,
                    kKinds},
    ControlTemplate{
        kEditCombo, ControlKind::ComboBox, "", {90, 88, 70, 50}, attr::kTabStop, kKinds},
    ControlTemplate{kMemo,
                    ControlKind::Edit,
                    "",
                    {10, 106, 180, 24},
                    attr::kMultiLine | attr::kReadOnly | attr::kVScroll},
    ControlTemplate{kProgress, ControlKind::ProgressBar, "", {10, 134, 180, 8}, attr::kSmooth},
    ControlTemplate{tk::kNoId, ControlKind::Label, "Depth", {10, 148, 30, 8}},
    ControlTemplate{kOkButton,
                    ControlKind::PushButton,
                    "OK",
                    {100, 146, 40, 14},
                    attr::kDefaultButton | attr::kTabStop},
    ControlTemplate{
        kHiddenButton, ControlKind::PushButton, "Hidden", {150, 146, 40, 14}, attr::kHidden},
};

constexpr std::array kChildControls = {
    ControlTemplate{kChildEdit, ControlKind::Edit, "", {10, 10, 60, 12}, attr::kTabStop},
    ControlTemplate{kChildOk,
                    ControlKind::PushButton,
                    "OK",
                    {10, 30, 40, 14},
                    attr::kDefaultButton | attr::kTabStop},
};

}  // namespace

const tk::DialogTemplate kTemplate{kTemplateId,
                                   200,
                                   164,
                                   "Sample",
                                   "MS Sans Serif",
                                   8,
                                   tk::style::kCaption | tk::style::kSystemMenu,
                                   kControls};
const tk::DialogTemplate kChildTemplate{
    kChildTemplateId, 100, 50, "Child", "MS Sans Serif", 8, tk::style::kModalFrame, kChildControls};

SampleDialog::SampleDialog(const tk::DialogTemplate& dialogTemplate)
    : TableDialog(dialogTemplate) {}

std::span<const tk::EventEntry<SampleDialog>> SampleDialog::eventTable() {
  static constexpr tk::EventEntry<SampleDialog> kEvents[] = {
      tk::onRange(1, 9999, tk::Notify::Click, &SampleDialog::clicked),
      tk::onRange(1, 9999, tk::Notify::Change, &SampleDialog::changed),
      tk::on(0, tk::Notify::Timer, &SampleDialog::timer),
      tk::on(tk::kNoId, tk::Notify::LeftButtonUp, &SampleDialog::leftButtonUp),
  };
  return kEvents;
}

std::size_t SampleDialog::count(int id, tk::Notify notify) const {
  return static_cast<std::size_t>(
      std::count(received.begin(), received.end(), Received{id, notify}));
}

void SampleDialog::onInitDialog() {
  if (init) init(*this);
}

std::optional<tk::Colour> SampleDialog::onColour(tk::ColourContext& context, int id,
                                                 tk::ColourKind kind) {
  colourQueries.emplace_back(id, kind);
  if (id != colouredId || !brush) return std::nullopt;
  if (textColour) context.setTextColour(*textColour);
  if (textBackground) context.setTextBackground(*textBackground);
  return brush;
}

void SampleDialog::record(int id, tk::Notify notify) {
  received.push_back({id, notify});
  if (reaction) reaction(*this, received.back());
}

}  // namespace sample
