#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "platform/messaging/reason_codes.h"
#include "platform/messaging/store/admin_backend.h"
#include "platform/messaging/store/internal.h"
#include "platform/messaging/store/store_backend.h"

// The one place that knows every kind of store: it chooses the backend a name resolves to, for
// the client classes and for the administration. A name that nothing keeps, and a bad name, go to
// the embedded store, which says what is wrong with them.
namespace kx {

// Connects to the running queue manager that a validated, non-empty name stands for, in whichever
// store keeps it. `problem` gets what a database server said when it could not be used.
ReasonCode connectBackend(std::string_view validatedName, std::unique_ptr<StoreBackend>& out,
                          std::string& problem);

namespace admin {
AdminBackend& adminFor(std::string_view name);
}  // namespace admin

}  // namespace kx
