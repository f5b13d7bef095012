#include "platform/messaging/store/store_backend.h"

#include "platform/messaging/store/postgres_store.h"
#include "platform/messaging/store/sqlite_store.h"
#include "platform/messaging/store_location.h"

namespace kx {

ReasonCode connectBackend(std::string_view validatedName, std::unique_ptr<StoreBackend>& out,
                          std::string& problem) {
  problem.clear();
  if (storeKindOf(validatedName) == StoreKind::kPostgres) {
    return PostgresStore::connect(validatedName, out, problem);
  }
  // Also for a name that nothing keeps: the embedded store says what is missing.
  return SqliteStore::connect(validatedName, out);
}

}  // namespace kx
