#include "platform/messaging/store/sqlite/store_reserve.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/messaging/store/sqlite/store_file.h"

namespace kx {

void keepReserve(const std::filesystem::path& store) {
  const std::filesystem::path path = reservePath(store);
  const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC,
                        S_IRUSR | S_IWUSR);
  if (fd < 0) return;
  struct stat status {};
  // Only a regular file is room: anything else of that name is left alone.
  if (::fstat(fd, &status) == 0 && S_ISREG(status.st_mode) &&
      ::fchmod(fd, S_IRUSR | S_IWUSR) == 0 && status.st_blocks * 512 < kReserveBytes) {
    // All or nothing: a part-allocated reserve would only take space that others need now.
    if (::posix_fallocate(fd, 0, kReserveBytes) != 0) (void)::ftruncate(fd, 0);
  }
  ::close(fd);
}

bool releaseReserve(const std::filesystem::path& store) {
  // Without blocking: a FIFO of that name would otherwise hold the open until someone reads it.
  const int fd = ::open(reservePath(store).c_str(), O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat status {};
  const bool released = ::fstat(fd, &status) == 0 && S_ISREG(status.st_mode) &&
                        status.st_blocks > 0 && ::ftruncate(fd, 0) == 0;
  ::close(fd);
  return released;
}

}  // namespace kx
