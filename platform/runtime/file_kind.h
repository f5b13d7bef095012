#pragma once

#include <sys/types.h>

namespace rt {

// What a file that is not a regular one is, for a line that says why it was not read:
// "a directory", "a FIFO", "a device", "a socket", else "not a regular file".
const char* fileKindOf(mode_t mode);

}  // namespace rt
