// Name validation: whatever a name holds, an accepted one is short, made of the allowed
// characters, and can never lead a store path out of the data directory.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string_view>

#include "fuzz/require.h"
#include "platform/messaging/names.h"
#include "platform/messaging/store_location.h"

namespace {

using tarnix::fuzz::require;

bool allowed(char c, kx::NameKind kind) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '.' ||
         c == '_' || c == '%' || (c == '/' && kind == kx::NameKind::Queue);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view name(reinterpret_cast<const char*>(data), size);
  for (const auto kind : {kx::NameKind::QueueManager, kx::NameKind::Queue}) {
    if (kx::validateName(name, kind) != kx::reason::kNone) continue;
    require(!name.empty() && name.size() <= kx::kMaxObjectNameLength);
    for (char c : name) require(allowed(c, kind));
    // No step of it leads up, and it never starts at the root.
    const std::filesystem::path path(name);
    require(path.is_relative());
    for (const auto& step : path) require(step != "..");
    if (kind == kx::NameKind::QueueManager) {
      const auto store = kx::storePath(name);
      require(store.parent_path() == kx::dataDirectory());
      require(store.filename() == std::string(name) + ".qmgr");
    }
  }
  return 0;
}
