#include "platform/toolkit/colour_query.h"

namespace tk {

std::optional<ColourKind> colourKindOf(ControlKind kind) {
  switch (kind) {
    case ControlKind::Edit:
      return ColourKind::Edit;
    case ControlKind::PushButton:
    case ControlKind::CheckBox:
    case ControlKind::RadioButton:
      return ColourKind::Button;
    case ControlKind::Label:
    case ControlKind::GroupBox:
      return ColourKind::Static;
    case ControlKind::ComboBox:
      return ColourKind::ListBox;
    case ControlKind::Spin:
      return ColourKind::ScrollBar;
    case ControlKind::ProgressBar:
    case ControlKind::List:
      return std::nullopt;
  }
  return std::nullopt;
}

ColourAnswer askColour(Dialog& dialog, int id, ColourKind kind) {
  ColourContext context;
  std::optional<Colour> brush = dialog.onColour(context, id, kind);
  return ColourAnswer{context.textColour, context.textBackground, brush};
}

}  // namespace tk
