#include "monitor/message_text.h"

#include <array>
#include <utility>

namespace tarnix {

std::string hexBytes(std::span<const std::uint8_t> bytes) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string text;
  text.reserve(bytes.size() * 3);
  for (std::uint8_t b : bytes) {
    text += kDigits[b >> 4];
    text += kDigits[b & 0xF];
    text += ' ';
  }
  return text;
}

std::string textBytes(std::span<const std::uint8_t> bytes) {
  std::string text;
  for (std::uint8_t b : bytes) {
    if (b == 0) break;
    text += static_cast<char>(b);
  }
  return text;
}

std::string messageTypeLabel(std::int32_t type) {
  static constexpr std::array<std::pair<std::int32_t, const char*>, 9> kLabels = {{
      {1, "Request/System First"},
      {2, "Reply"},
      {4, "Report"},
      {8, "Datagram"},
      {112, "Fields from KXE"},
      {113, "KXE Fields"},
      {65535, "System Last"},
      {65536, "Appl First"},
      {999999999, "Appl Last"},
  }};
  for (const auto& [code, label] : kLabels) {
    if (code == type) return label;
  }
  return "Unknown";
}

std::string putApplTypeLabel(std::int32_t type) {
  static constexpr std::array<std::pair<std::int32_t, const char*>, 21> kLabels = {{
      {0, "No Context"},        {1, "Transaction"}, {2, "Host Batch"},   {3, "Host Online"},
      {4, "Desktop"},           {5, "DOS"},         {6, "Unix"},         {7, "Queue Mgr"},
      {8, "Midrange"},          {9, "Windows"},     {11, "Windows Srv"}, {12, "VMS"},
      {13, "Fault Tolerant"},   {19, "Coupling"},   {20, "Bridge"},      {21, "Agent"},
      {22, "Broker"},           {26, "User"},       {28, "Java"},        {65536, "User First"},
      {999999999, "User Last"},
  }};
  if (type == -1) return "Unknown";
  for (const auto& [code, label] : kLabels) {
    if (code == type) return label;
  }
  return std::to_string(type);
}

std::string putTimeText(std::string_view putTime) {
  // '#' stands for the next character of the put time; the rest is shown as it stands.
  static constexpr std::string_view kLayout = "##:##:## ##";
  std::string text;
  std::size_t next = 0;
  for (char place : kLayout) {
    if (place != '#') {
      text += place;
    } else if (next < putTime.size()) {
      text += putTime[next++];
    } else {
      break;
    }
  }
  return text;
}

}  // namespace tarnix
