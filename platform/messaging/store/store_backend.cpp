#include "platform/messaging/store/store_backend.h"

#include "platform/messaging/store/sqlite_store.h"

namespace kx {

ReasonCode connectBackend(std::string_view validatedName, std::unique_ptr<StoreBackend>& out) {
  return SqliteStore::connect(validatedName, out);
}

}  // namespace kx
