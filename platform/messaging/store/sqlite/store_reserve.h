#pragma once

#include <cstdint>
#include <filesystem>

#include "platform/messaging/store/internal.h"

// Room kept beside each store so that gets and purges can go on when its disk is full: a file with
// its blocks allocated, given back when an operation that frees messages fails for want of space,
// and made again when the queue manager is created or started.
namespace kx {

// Enough for a checkpoint to move a full WAL (2000 pages of 4 KiB, see the connection's
// wal_autocheckpoint) into the store, and for the gets that follow to reuse the WAL from its start.
inline constexpr std::int64_t kReserveBytes = 9 << 20;

// Allocates the room beside `store` unless it is there; takes none when the disk has not got it.
void keepReserve(const std::filesystem::path& store);
// Gives the room back to the file system; false when there was none left to give.
bool releaseReserve(const std::filesystem::path& store);

}  // namespace kx
