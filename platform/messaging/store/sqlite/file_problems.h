#pragma once

#include <filesystem>
#include <string>

#include "platform/messaging/reason_codes.h"
#include "platform/messaging/store/internal.h"

namespace kx {

// One line for an operator about a failure that lies in the files rather than in the store's
// content: which file or folder denies access, which file system is read-only or full, and what to
// do about it. Other reasons get their plain description.
std::string explainFileProblem(ReasonCode why, const std::filesystem::path& store);

}  // namespace kx
