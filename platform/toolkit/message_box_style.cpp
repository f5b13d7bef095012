#include "platform/toolkit/message_box_style.h"

#include "platform/toolkit/message_box.h"

namespace tk {

BoxStyle decodeBoxStyle(int style) {
  BoxStyle decoded;
  // The low four bits choose the buttons and the next four the icon; buttons this surface does
  // not offer fall back to OK alone.
  switch (style & 0x0F) {
    case 1:
      decoded.buttons = BoxButtons::OkCancel;
      break;
    case 3:
      decoded.buttons = BoxButtons::YesNoCancel;
      break;
    case 4:
      decoded.buttons = BoxButtons::YesNo;
      break;
    default:
      decoded.buttons = BoxButtons::Ok;
      break;
  }
  switch (style & 0xF0) {
    case 16:
      decoded.icon = BoxIcon::Error;
      break;
    case 32:
      decoded.icon = BoxIcon::Question;
      break;
    case 48:
      decoded.icon = BoxIcon::Warning;
      break;
    case 64:
      decoded.icon = BoxIcon::Information;
      break;
    default:
      decoded.icon = BoxIcon::None;
      break;
  }
  return decoded;
}

std::vector<int> boxAnswers(BoxButtons buttons) {
  switch (buttons) {
    case BoxButtons::Ok:
      return {kIdOk};
    case BoxButtons::OkCancel:
      return {kIdOk, kIdCancel};
    case BoxButtons::YesNoCancel:
      return {kIdYes, kIdNo, kIdCancel};
    case BoxButtons::YesNo:
      return {kIdYes, kIdNo};
  }
  return {kIdOk};
}

int boxDismissAnswer(BoxButtons buttons) {
  switch (buttons) {
    case BoxButtons::Ok:
      return kIdOk;
    case BoxButtons::YesNo:
      return kIdNo;
    case BoxButtons::OkCancel:
    case BoxButtons::YesNoCancel:
      return kIdCancel;
  }
  return kIdOk;
}

}  // namespace tk
