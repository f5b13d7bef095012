#include "platform/toolkit/text_prefix.h"

namespace tk {

std::size_t utf8CharEnd(std::string_view text, std::size_t at) {
  std::size_t end = at + 1;
  // Continuation bytes (10xxxxxx) belong to the character that started before them.
  while (end < text.size() && (static_cast<unsigned char>(text[end]) & 0xC0u) == 0x80u) ++end;
  return end < text.size() ? end : text.size();
}

std::string utf8Prefix(std::string_view text, std::size_t maxChars) {
  std::size_t end = 0;
  for (std::size_t chars = 0; end < text.size() && chars < maxChars; ++chars) {
    end = utf8CharEnd(text, end);
  }
  return std::string(text.substr(0, end));
}

}  // namespace tk
