#pragma once

namespace tk {

// Style words of a message box.
namespace mb {
inline constexpr int kOk = 0;
inline constexpr int kIconError = 16;
inline constexpr int kYesNoQuestion = 36;
inline constexpr int kIconWarning = 48;
inline constexpr int kIconInformation = 64;
}  // namespace mb

// Answers of a message box, and results of a modal dialog.
inline constexpr int kIdOk = 1;
inline constexpr int kIdCancel = 2;
inline constexpr int kIdYes = 6;
inline constexpr int kIdNo = 7;

}  // namespace tk
