#pragma once

namespace tarnix {

// Control ids of the monitor window.
namespace ctl {
inline constexpr int kFirstDepthBox = 1000;     // slot k: 1000 + 2k
inline constexpr int kFirstNameBox = 1001;      // slot k: 1001 + 2k
inline constexpr int kFirstEmptyButton = 1010;  // slot k: 1010 + k ("C", "L", "E", "A", "R")
inline constexpr int kLastEmptyButton = 1014;
inline constexpr int kDisplay = 1020;
inline constexpr int kRemove = 1021;
inline constexpr int kFirstSelectButton = 1022;  // slot k: 1022 + k
inline constexpr int kNumber = 1027;
inline constexpr int kMessageData = 1028;
inline constexpr int kMsgId = 1029;
inline constexpr int kCorrelId = 1030;
inline constexpr int kStayOnTop = 1031;
inline constexpr int kNumberSpin = 1032;
inline constexpr int kFormat = 1033;
inline constexpr int kWarningPercent = 1034;
inline constexpr int kExpiry = 1035;
inline constexpr int kCcsid = 1036;
inline constexpr int kBackoutCount = 1037;
inline constexpr int kReplyToQ = 1038;
inline constexpr int kReplyQmgr = 1039;
inline constexpr int kHex = 1040;
inline constexpr int kGen = 1041;
inline constexpr int kPriority = 1042;
inline constexpr int kFeedback = 1043;
inline constexpr int kPutAppl = 1044;
inline constexpr int kRefreshRate = 1066;
inline constexpr int kConfirmDelete = 1067;
inline constexpr int kProgress = 1071;
inline constexpr int kMsgLength = 1073;
inline constexpr int kPersistent = 1077;
inline constexpr int kLastError = 1094;
inline constexpr int kErrorMark = 1095;
inline constexpr int kFirstReasonBox = 1096;  // slot k: 1096 + k
inline constexpr int kOpt = 1103;
inline constexpr int kMsgType = 1104;
inline constexpr int kPutApplType = 1105;
inline constexpr int kPutTime = 1106;
inline constexpr int kPutDate = 1107;

// Commands of context menus, apart from the control ids.
inline constexpr int kStopGeneratorRuns = 2001;    // the progress bar's "Stop generator run"
inline constexpr int kSaveMessage = 2002;          // the message data's "Save message..."
inline constexpr int kCopyAsText = 2003;           // the message data's "Copy as text"
inline constexpr int kCopyAsHex = 2004;            // the message data's "Copy as hex"
inline constexpr int kFirstHistoryCommand = 2010;  // slot k's depth box: "History...", 2010 + k
inline constexpr int kLastHistoryCommand = 2014;

constexpr int depthBox(int slot) { return kFirstDepthBox + 2 * slot; }
constexpr int nameBox(int slot) { return kFirstNameBox + 2 * slot; }
constexpr int emptyButton(int slot) { return kFirstEmptyButton + slot; }
constexpr int selectButton(int slot) { return kFirstSelectButton + slot; }
constexpr int reasonBox(int slot) { return kFirstReasonBox + slot; }
constexpr int historyCommand(int slot) { return kFirstHistoryCommand + slot; }
}  // namespace ctl

inline constexpr int kSlotCount = 5;
inline constexpr int kMonitorTemplateId = 102;

}  // namespace tarnix
