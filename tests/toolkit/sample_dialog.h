#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <span>
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
  kLeftCheck = 121,  // label on the left
  kDisabledCheck = 122,
  kListCombo = 130,  // drop-down list
  kEditCombo = 131,  // editable drop-down
  kMemo = 140,       // multi-line, read-only
  kProgress = 150,
  kOkButton = 160,  // default button
  kHiddenButton = 161,
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

// Records every notification its event table receives, and answers colour queries for one
// control with the colours a test chose.
class SampleDialog : public tk::TableDialog<SampleDialog> {
 public:
  explicit SampleDialog(const tk::DialogTemplate& dialogTemplate = kTemplate);

  static std::span<const tk::EventEntry<SampleDialog>> eventTable();

  // The window while the dialog runs, for tests that act as the dialog's own code would.
  tk::Window& ui() { return window(); }
  std::size_t count(int id, tk::Notify notify) const;

  void onInitDialog() override;
  std::optional<tk::Colour> onColour(tk::ColourContext& context, int id,
                                     tk::ColourKind kind) override;

  std::vector<Received> received;
  std::function<void(SampleDialog&)> init;
  // Runs after a notification is recorded.
  std::function<void(SampleDialog&, Received)> reaction;

  // The colours given to `colouredId` when it asks: blue text on a green text background, in
  // a box of the brush; no brush means no answer.
  int colouredId = kDepthEdit;
  tk::Colour textColour{0, 0, 255};
  tk::Colour textBackground{0, 255, 0};
  std::optional<tk::Colour> brush;
  std::vector<std::pair<int, tk::ColourKind>> colourQueries;

 private:
  void record(int id, tk::Notify notify);
  void clicked(int id) { record(id, tk::Notify::Click); }
  void changed(int id) { record(id, tk::Notify::Change); }
  void timer() { record(0, tk::Notify::Timer); }
  void leftButtonUp() { record(tk::kNoId, tk::Notify::LeftButtonUp); }
};

}  // namespace sample
