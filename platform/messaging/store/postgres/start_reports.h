#pragma once

#include <cstdint>

#include "platform/messaging/store/postgres/admin_session.h"

namespace kx::admin::postgres {

// At a start of the queue manager, in the start's transaction on `session`, once the manager's
// row says it runs in `epoch` and `gen`: discards the non-persistent messages and those expired
// by `nowMs`, and puts the expiration reports the expired ones ask for, in the same transaction.
ReasonCode discardAtStart(Session& session, std::int64_t epoch, std::int64_t gen,
                          std::int64_t nowMs);

}  // namespace kx::admin::postgres
