#pragma once

#include <cstdint>
#include <string_view>

#include "platform/messaging/reason_codes.h"
#include "platform/messaging/store/internal.h"
#include "platform/messaging/test_seams.h"

// What the client calls at its seams; each is one relaxed atomic load when the seam is unset.
namespace kx::seam {

void trace(TraceEvent event, const void* object, std::string_view name);
// The store's clock in milliseconds since the epoch: put times and expiry are read from it.
std::int64_t nowMs();
ReasonCode fault(std::string_view queueName, std::string_view operation);
void beforeCommit(std::string_view operation);

}  // namespace kx::seam
