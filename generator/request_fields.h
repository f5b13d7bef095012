#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tarnix {

// The fields of a generator request, in the order they stand in its text.
enum class RequestField : std::size_t {
  Program,
  Manager,
  Queue,
  MessageCount,
  SleepOrRandom,
  RandomSleepDivisor,
  Source,
  SourceArgument,
  CorrelIdOption,
  Persistence,
  ReportOptions,
  Reserved1,
  Reserved2,
  Reserved3,
  PreserveMsgId,
  PreserveCorrelId,
  Expiry,
  ReplyToQueue,
  ReplyToQmgr,
};
inline constexpr std::size_t kRequestFieldCount = 19;

// How a field is written.
enum class RequestFieldKind {
  Fixed,   // always the same text
  Text,    // as given; quoted where the plain form cannot carry it
  Number,  // an unsigned value as the signed 32-bit decimal of its bits
  Flag,    // "1" or "0"
};

struct RequestFieldLayout {
  RequestField field;  // its position
  std::string_view name;
  RequestFieldKind kind;
  std::string_view fixed = {};  // the text of a fixed field
  int blanksBefore = 1;         // the blanks that part it from the field before
};

// Every field of a request, by position: what buildRequest writes and what a run reads.
inline constexpr std::array<RequestFieldLayout, kRequestFieldCount> kRequestFields{{
    {RequestField::Program, "program word", RequestFieldKind::Fixed, "pz.exe", 0},
    {RequestField::Manager, "queue manager", RequestFieldKind::Text},
    {RequestField::Queue, "target queue", RequestFieldKind::Text},
    {RequestField::MessageCount, "message count", RequestFieldKind::Number},
    // The fixed sleep in milliseconds, or "r" for a random one below the divisor.
    {RequestField::SleepOrRandom, "fixed sleep or r", RequestFieldKind::Text},
    {RequestField::RandomSleepDivisor, "random-sleep divisor", RequestFieldKind::Number},
    {RequestField::Source, "source letter", RequestFieldKind::Text, {}, 2},
    // b: the random length; q: the source queue; f: the source file.
    {RequestField::SourceArgument, "source argument", RequestFieldKind::Text},
    {RequestField::CorrelIdOption, "correlation-id option", RequestFieldKind::Flag},
    {RequestField::Persistence, "persistence", RequestFieldKind::Flag},
    {RequestField::ReportOptions, "report options", RequestFieldKind::Number},
    {RequestField::Reserved1, "reserved", RequestFieldKind::Fixed, "0"},
    {RequestField::Reserved2, "reserved", RequestFieldKind::Fixed, "0"},
    {RequestField::Reserved3, "reserved", RequestFieldKind::Fixed, "0"},
    {RequestField::PreserveMsgId, "preserve message id", RequestFieldKind::Flag},
    {RequestField::PreserveCorrelId, "preserve correlation id", RequestFieldKind::Flag},
    {RequestField::Expiry, "expiry in tenths", RequestFieldKind::Number},
    {RequestField::ReplyToQueue, "reply-to queue", RequestFieldKind::Text},
    {RequestField::ReplyToQmgr, "reply-to queue manager", RequestFieldKind::Text},
}};

constexpr const RequestFieldLayout& layoutOf(RequestField field) {
  return kRequestFields[static_cast<std::size_t>(field)];
}

// The fields of a request as a run reads them, by name. Fields the text leaves out read empty.
class RequestFields {
 public:
  explicit RequestFields(std::string_view request);

  const std::string& text(RequestField field) const;
  // The leading decimal integer of the field: an optional sign, then digits; anything else is 0.
  // Digits beyond 32 bits keep the number at its nearest end.
  std::int32_t number(RequestField field) const;
  bool flag(RequestField field) const { return number(field) != 0; }

 private:
  std::vector<std::string> fields_;
};

}  // namespace tarnix
