#include "platform/messaging/dead_letter.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <string_view>

#include "platform/messaging/queue_message.h"

namespace kx::dead_letter {
namespace {

// "KXDLH1 " reason(9) ' ' queue(48) ' ' manager(48) ' ' format(8) ' ' date(8) time(8) '\n'
constexpr std::string_view kMark = "KXDLH1 ";
constexpr std::size_t kReasonWidth = 9;
constexpr std::size_t kLength = kMark.size() + kReasonWidth + 1 + kNameWidth + 1 + kNameWidth + 1 +
                                kFormatWidth + 1 + kPutDateWidth + kPutTimeWidth + 1;

void appendPadded(std::string& out, const std::string& text, std::size_t width) {
  out.append(text.substr(0, width));
  out.append(width - std::min(width, text.size()), ' ');
}

std::string trimmed(std::string_view text) {
  const std::size_t end = text.find_last_not_of(' ');
  return std::string(end == std::string_view::npos ? std::string_view() : text.substr(0, end + 1));
}

}  // namespace

std::size_t headerLength() { return kLength; }

std::string write(const Header& header) {
  std::string out(kMark);
  char reason[kReasonWidth + 1];
  std::snprintf(reason, sizeof reason, "%9d", header.reason);
  out.append(reason).push_back(' ');
  appendPadded(out, header.queue, kNameWidth);
  out.push_back(' ');
  appendPadded(out, header.manager, kNameWidth);
  out.push_back(' ');
  appendPadded(out, header.format, kFormatWidth);
  out.push_back(' ');
  appendPadded(out, header.putDate, kPutDateWidth);
  appendPadded(out, header.putTime, kPutTimeWidth);
  out.push_back('\n');
  return out;
}

std::optional<Header> read(std::span<const std::uint8_t> data) {
  if (data.size() < kLength) return std::nullopt;
  const std::string_view text(reinterpret_cast<const char*>(data.data()), kLength);
  if (!text.starts_with(kMark) || text.back() != '\n') return std::nullopt;
  // Each field, then the blank that ends it where it has one: a line whose blanks are elsewhere
  // was not written here.
  std::size_t at = kMark.size();
  bool aligned = true;
  const auto field = [&](std::size_t width, std::size_t gap) {
    const std::string_view value = text.substr(at, width);
    if (gap != 0 && text[at + width] != ' ') aligned = false;
    at += width + gap;
    return value;
  };
  const std::string_view reasonText = field(kReasonWidth, 1);
  Header header;
  const std::size_t digits = reasonText.find_first_not_of(' ');
  if (digits == std::string_view::npos) return std::nullopt;
  const auto [end, error] = std::from_chars(reasonText.data() + digits,
                                            reasonText.data() + reasonText.size(), header.reason);
  if (error != std::errc() || end != reasonText.data() + reasonText.size()) return std::nullopt;
  header.queue = trimmed(field(kNameWidth, 1));
  header.manager = trimmed(field(kNameWidth, 1));
  header.format = std::string(field(kFormatWidth, 1));
  header.putDate = std::string(field(kPutDateWidth, 0));
  header.putTime = std::string(field(kPutTimeWidth, 0));
  if (!aligned) return std::nullopt;
  return header;
}

}  // namespace kx::dead_letter
