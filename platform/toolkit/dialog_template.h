#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

namespace tk {

enum class ControlKind {
  Edit,
  Label,
  PushButton,
  CheckBox,
  RadioButton,
  GroupBox,
  Spin,
  ProgressBar,
  ComboBox,
  List,  // rows of cells under column headings; one row selected at a time
};

// Control attributes, or-ed together.
namespace attr {
inline constexpr std::uint32_t kNone = 0;
inline constexpr std::uint32_t kDigitsOnly = 1u << 0;     // edit: typing accepts digits only
inline constexpr std::uint32_t kReadOnly = 1u << 1;       // edit
inline constexpr std::uint32_t kNoBorder = 1u << 2;       // edit
inline constexpr std::uint32_t kMultiLine = 1u << 3;      // edit; label: its text wraps
inline constexpr std::uint32_t kVScroll = 1u << 4;        // edit: vertical scroll bar
inline constexpr std::uint32_t kDefaultButton = 1u << 5;  // push button pressed by Enter
inline constexpr std::uint32_t kDisabled = 1u << 6;
inline constexpr std::uint32_t kHidden = 1u << 7;
inline constexpr std::uint32_t kGroupStart = 1u << 8;  // starts a new control group
inline constexpr std::uint32_t kTabStop = 1u << 9;
inline constexpr std::uint32_t kLabelLeft = 1u << 10;  // check box: label on the left of the box
inline constexpr std::uint32_t kCentred = 1u << 11;    // label text centred
inline constexpr std::uint32_t kSpinAlignRight = 1u << 12;   // spin sits on the right of its buddy
inline constexpr std::uint32_t kSpinSetBuddyInt = 1u << 13;  // spin writes its value into the buddy
inline constexpr std::uint32_t kSpinWrap = 1u << 14;         // spin wraps at the ends of its range
inline constexpr std::uint32_t kSpinArrowKeys = 1u << 15;    // spin answers the arrow keys
inline constexpr std::uint32_t kSpinNoThousands = 1u << 16;  // no thousands separator
inline constexpr std::uint32_t kSmooth = 1u << 17;           // progress bar without blocks
inline constexpr std::uint32_t kDropDownList = 1u << 18;     // combo: choose only, no typing
inline constexpr std::uint32_t kSort = 1u << 19;             // combo: items sorted
inline constexpr std::uint32_t kCheckBoxes = 1u << 20;       // list: each row has a box to tick
}  // namespace attr

// Dialog units: x in quarters of the font's average character width, y in eighths of its height.
struct Rect {
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
  friend bool operator==(const Rect&, const Rect&) = default;
};

inline constexpr int kNoId = -1;

// A column of a list: its heading and its width in dialog units.
struct ListColumn {
  std::string_view heading;
  int width = 0;
  bool alignRight = false;  // numbers
};

struct ControlTemplate {
  int id = kNoId;
  ControlKind kind = ControlKind::Label;
  std::string_view label;
  Rect rect;
  std::uint32_t attrs = attr::kNone;
  std::span<const std::string_view> items = {};  // combo box items, in index order
  // Edit: the most bytes of UTF-8 text the user may type or paste; 0 for no limit. Text the
  // program sets is not cut.
  std::size_t textLimit = 0;
  std::span<const ListColumn> columns = {};  // list columns, left to right

  bool has(std::uint32_t a) const { return (attrs & a) != 0; }
};

// Window styles of a dialog template.
namespace style {
inline constexpr std::uint32_t kCaption = 1u << 0;
inline constexpr std::uint32_t kSystemMenu = 1u << 1;
inline constexpr std::uint32_t kSizingBorder = 1u << 2;
inline constexpr std::uint32_t kMinimiseBox = 1u << 3;
inline constexpr std::uint32_t kMaximiseBox = 1u << 4;
inline constexpr std::uint32_t kTaskBarButton = 1u << 5;
inline constexpr std::uint32_t kForegroundOnCreate = 1u << 6;
inline constexpr std::uint32_t kModalFrame = 1u << 7;
}  // namespace style

// A dialog as data: written once per dialog, used by both backends and by the tests. The
// controls are in template order, which is also the tab order.
struct DialogTemplate {
  int id = 0;
  int width = 0;   // dialog units
  int height = 0;  // dialog units
  std::string_view title;
  std::string_view fontName;
  int fontPoints = 8;
  std::uint32_t styles = 0;
  std::span<const ControlTemplate> controls;

  const ControlTemplate* find(int controlId) const {
    for (const ControlTemplate& c : controls) {
      if (c.id == controlId && controlId != kNoId) return &c;
    }
    return nullptr;
  }
};

}  // namespace tk
