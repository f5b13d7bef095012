#include "tests/toolkit/sample_dialog.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace sample {
namespace {

using enum tk::ControlKind;
using namespace tk::attr;
using namespace tk::style;

constexpr std::string_view kFont = "MS Sans Serif";
constexpr std::string_view kKinds[] = {"None", "With data", "Full data"};
constexpr tk::ListColumn kColumns[] = {{"Name", 100}, {"Depth", 60, true}};
constexpr std::uint32_t kSpinStyle =
    kSpinAlignRight | kSpinSetBuddyInt | kSpinWrap | kSpinArrowKeys | kSpinNoThousands | kTabStop;

constexpr tk::ControlTemplate kControls[] = {
    {kDepthEdit, Edit, "", {10, 8, 40, 12}, kDigitsOnly | kTabStop},
    {kNameEdit, Edit, "", {60, 8, 80, 12}, kTabStop, {}, 5},
    {kReadOnlyEdit, Edit, "", {150, 8, 40, 12}, kReadOnly | kNoBorder},
    {kNumberEdit, Edit, "1", {10, 26, 30, 12}, kTabStop},
    {kSpin, Spin, "", {50, 24, 10, 16}, kSpinStyle},  // placed by its buddy
    {tk::kNoId, GroupBox, "Choices", {5, 42, 110, 40}, kGroupStart},
    {kRadioA, RadioButton, "A", {10, 54, 30, 10}, kTabStop},
    {kRadioB, RadioButton, "B", {50, 54, 30, 10}},
    {kRadioC, RadioButton, "C", {10, 68, 30, 10}, kGroupStart | kTabStop},
    {kRadioD, RadioButton, "D", {50, 68, 30, 10}},
    {kCheck, CheckBox, "Check", {125, 48, 60, 10}, kGroupStart | kTabStop},
    {kDisabledCheck, CheckBox, "Off", {125, 72, 60, 10}, kDisabled},
    {kListCombo, ComboBox, "", {10, 88, 70, 50}, kDropDownList | kTabStop, kKinds},
    {kEditCombo, ComboBox, "", {90, 88, 70, 50}, kTabStop, kKinds},
    {kMemo, Edit, "", {10, 106, 180, 24}, kMultiLine | kReadOnly | kVScroll},
    {kProgress, ProgressBar, "", {10, 134, 180, 8}, kSmooth},
    {tk::kNoId, Label, "Depth", {10, 148, 30, 8}},
    {kOkButton, PushButton, "OK", {100, 146, 40, 14}, kDefaultButton | kTabStop},
    {kList, List, "", {10, 164, 180, 44}, kCheckBoxes | kTabStop, {}, 0, kColumns},
};

constexpr tk::ControlTemplate kChildControls[] = {
    {kChildEdit, Edit, "", {10, 10, 60, 12}, kTabStop},
    {kChildOk, PushButton, "OK", {10, 30, 40, 14}, kDefaultButton | kTabStop},
    {kChildProgress, ProgressBar, "", {60, 32, 30, 8}},
};

}  // namespace

const tk::DialogTemplate kTemplate{
    kTemplateId, 200, 212, "Sample", kFont, 8, kCaption | kSystemMenu, kControls};
const tk::DialogTemplate kChildTemplate{
    // a dialog the tests run over the sample
    kChildTemplateId, 100, 50, "Child", kFont, 8, kModalFrame, kChildControls};

std::span<const tk::EventEntry<SampleDialog>> SampleDialog::eventTable() {
  static constexpr tk::EventEntry<SampleDialog> kEvents[] = {
      tk::onRange(1, 9999, tk::Notify::Click, &SampleDialog::clicked),
      tk::onRange(1, 9999, tk::Notify::Change, &SampleDialog::changed),
      tk::on(0, tk::Notify::Timer, &SampleDialog::timer),
      tk::on(tk::kNoId, tk::Notify::LeftButtonUp, &SampleDialog::leftButtonUp),
      tk::onRange(1, 9999, tk::Notify::SelectionChange, &SampleDialog::selected),
      tk::onRange(1, 9999, tk::Notify::Command, &SampleDialog::command),
  };
  return kEvents;
}

std::string SampleDialog::onToolTip(int id) {
  ++toolTipQueries;
  return id == kOkButton ? "Close, query " + std::to_string(toolTipQueries) : std::string();
}

std::optional<tk::Colour> SampleDialog::onColour(tk::ColourContext& context, int id,
                                                 tk::ColourKind kind) {
  colourQueries.emplace_back(id, kind);
  if (id != colouredId || !brush) return std::nullopt;
  context.setTextColour({0, 0, 255});
  context.setTextBackground({0, 255, 0});
  return brush;
}

}  // namespace sample
