#pragma once

#include <vector>

namespace tk {

// A message box's style word taken apart: which buttons it offers and which icon it shows.
enum class BoxButtons { Ok, OkCancel, YesNoCancel, YesNo };
enum class BoxIcon { None, Error, Question, Warning, Information };

struct BoxStyle {
  BoxButtons buttons = BoxButtons::Ok;
  BoxIcon icon = BoxIcon::None;
};

BoxStyle decodeBoxStyle(int style);

// The answers (kIdOk, kIdCancel, kIdYes, kIdNo) a box with these buttons can give.
std::vector<int> boxAnswers(BoxButtons buttons);

// The answer when the box is closed without pressing a button (close box or Escape).
int boxDismissAnswer(BoxButtons buttons);

}  // namespace tk
