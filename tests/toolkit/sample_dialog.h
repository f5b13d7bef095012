#pragma once

#include <algorithm>
#include <cstddef>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "platform/toolkit/dialog.h"
#include "platform/toolkit/dialog_template.h"

// A small dialog with one control of every kind, used by the tests of both backends.
namespace sample {

inline constexpr int kTemplateId = 901;
inline constexpr int kChildTemplateId = 902;

enum ControlId : int {
  kDepthEdit = 100,     // digits only
  kNameEdit = 101,      // takes at most 5 bytes of typed text
  kReadOnlyEdit = 102,  // read-only, no border
  kNumberEdit = 103,    // the spin's buddy
  kSpin = 104,
  kRadioA = 110,  // first radio group: A, B
  kRadioB = 111,
  kRadioC = 112,  // second radio group: C, D
  kRadioD = 113,
  kCheck = 120,
  kDisabledCheck = 122,
  kListCombo = 130,  // drop-down list
  kEditCombo = 131,  // editable drop-down
  kMemo = 140,       // multi-line, read-only
  kProgress = 150,
  kOkButton = 160,  // default button
  kList = 170,      // two columns, a box on each row
  kChildEdit = 200,
  kChildOk = 201,
  kChildProgress = 202,
};

extern const tk::DialogTemplate kTemplate;
extern const tk::DialogTemplate kChildTemplate;

struct Received {
  int id;
  tk::Notify notify;
  friend bool operator==(const Received&, const Received&) = default;
};

// Records every notification its event table receives and every colour query, and answers the
// queries of one control with the brush a test chose.
class SampleDialog : public tk::TableDialog<SampleDialog> {
 public:
  explicit SampleDialog(const tk::DialogTemplate& dialogTemplate = kTemplate)
      : TableDialog(dialogTemplate) {}

  static std::span<const tk::EventEntry<SampleDialog>> eventTable();

  // The window while the dialog runs, for tests that act as the dialog's own code would.
  tk::Window& ui() { return window(); }
  std::size_t count(int id, tk::Notify notify) const {
    return static_cast<std::size_t>(std::ranges::count(received, Received{id, notify}));
  }

  void onInitDialog() override {
    if (init) init(*this);
  }
  std::optional<tk::Colour> onColour(tk::ColourContext& context, int id,
                                     tk::ColourKind kind) override;
  // The OK button's tooltip counts the questions, so that a test sees each is asked afresh.
  std::string onToolTip(int id) override;
  int toolTipQueries = 0;

  std::vector<Received> received;
  std::function<void(SampleDialog&)> init;

  // The answer `colouredId` gets when it asks: blue text on a green text background, in a box
  // of the brush; no brush means no answer.
  int colouredId = kDepthEdit;
  std::optional<tk::Colour> brush;
  std::vector<std::pair<int, tk::ColourKind>> colourQueries;

 private:
  void record(int id, tk::Notify notify) { received.push_back({id, notify}); }
  void clicked(int id) { record(id, tk::Notify::Click); }
  void changed(int id) { record(id, tk::Notify::Change); }
  void timer() { record(0, tk::Notify::Timer); }
  void leftButtonUp() { record(tk::kNoId, tk::Notify::LeftButtonUp); }
  void selected(int id) { record(id, tk::Notify::SelectionChange); }
  void command(int id) { record(id, tk::Notify::Command); }
};

}  // namespace sample
