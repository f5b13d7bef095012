#include "platform/messaging/names.h"

namespace kx {
namespace {

bool allowedCharacter(char c, NameKind kind) {
  if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')) return true;
  if (c == '.' || c == '_' || c == '%') return true;
  return c == '/' && kind == NameKind::Queue;
}

}  // namespace

ReasonCode validateName(std::string_view name, NameKind kind) {
  const ReasonCode bad =
      kind == NameKind::QueueManager ? reason::kQueueManagerNameError : reason::kObjectNameError;
  if (name.empty() || name.size() > kMaxObjectNameLength) return bad;
  for (char c : name) {
    if (!allowedCharacter(c, kind)) return bad;
  }
  // Nothing that a path could read as a step up or as an absolute path.
  if (name == "." || name == "..") return bad;
  if (name.front() == '/') return bad;
  if (name.find("../") != std::string_view::npos || name.find("/..") != std::string_view::npos) {
    return bad;
  }
  return reason::kNone;
}

std::string quotedName(std::string_view text) {
  std::string out = "'";
  for (char c : text.substr(0, 64)) {
    out += (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) ? '?' : c;
  }
  if (text.size() > 64) out += "...";
  return out + "'";
}

}  // namespace kx
