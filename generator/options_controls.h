#pragma once

namespace tarnix {

inline constexpr int kOptionsTemplateId = 132;

// Control ids of the generator's options dialog.
namespace optctl {
inline constexpr int kHappy = 1;  // "I'm Happy": confirms
inline constexpr int kCancel = 2;
inline constexpr int kMessageCount = 1000;
inline constexpr int kSleepMs = 1043;
inline constexpr int kRandom = 1058;
inline constexpr int kQueue = 1059;
inline constexpr int kFile = 1060;
inline constexpr int kRandomLength = 1061;
inline constexpr int kSourceQueue = 1062;
inline constexpr int kSourceFile = 1064;
inline constexpr int kCorrelId = 1068;
inline constexpr int kRandomSleep = 1072;
inline constexpr int kReplyToQueue = 1074;
inline constexpr int kReplyToQmgr = 1075;
inline constexpr int kPersistent = 1076;
inline constexpr int kCoa = 1078;
inline constexpr int kCod = 1079;
inline constexpr int kCoaKind = 1080;
inline constexpr int kCodKind = 1081;
inline constexpr int kException = 1082;
inline constexpr int kExpiration = 1083;
inline constexpr int kExceptionKind = 1084;
inline constexpr int kExpirationKind = 1085;
inline constexpr int kPan = 1086;
inline constexpr int kNan = 1087;
inline constexpr int kExpiryTenths = 1090;
inline constexpr int kDiscardChoice = 1091;
inline constexpr int kMsgIdChoice = 1092;
inline constexpr int kCorrelIdChoice = 1093;
inline constexpr int kPreserveMsgId = 1101;
inline constexpr int kPreserveCorrelId = 1102;
}  // namespace optctl

}  // namespace tarnix
