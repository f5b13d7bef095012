#include "tools/kxadmin/report.h"

#include <cstdio>
#include <iostream>

namespace kxadmin {

int fail(const kx::admin::Status& status) { return fail(status.reason, status.message); }

int fail(kx::ReasonCode why, std::string_view message) {
  std::cerr << "kxadmin: " << message << " (reason " << why << ")\n";
  return rt::kExitFailure;
}

int usage(std::string_view message) {
  std::cerr << "kxadmin: " << message << '\n';
  return rt::kExitUsage;
}

std::string printable(std::string_view text, std::size_t limit) {
  std::string out;
  for (std::size_t i = 0; i < text.size() && i < limit; ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (c >= 0x20 && c < 0x7F && c != '\\' && c != '"') {
      out += static_cast<char>(c);
    } else if (c == '\\' || c == '"') {
      out += '\\';
      out += static_cast<char>(c);
    } else {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\x%02X", c);
      out += hex;
    }
  }
  if (text.size() > limit) out += "...";
  return out;
}

}  // namespace kxadmin
