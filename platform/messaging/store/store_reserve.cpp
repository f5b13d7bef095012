#include "platform/messaging/store/store_reserve.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/messaging/store/store_file.h"

namespace kx {

void keepReserve(const std::filesystem::path& store) {
  const std::filesystem::path path = reservePath(store);
  const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, S_IRUSR | S_IWUSR);
  if (fd < 0) return;
  struct stat status {};
  if (::fchmod(fd, S_IRUSR | S_IWUSR) == 0 && ::fstat(fd, &status) == 0 &&
      status.st_blocks * 512 < kReserveBytes) {
    // All or nothing: a part-allocated reserve would only take space that others need now.
    if (::posix_fallocate(fd, 0, kReserveBytes) != 0) (void)::ftruncate(fd, 0);
  }
  ::close(fd);
}

bool releaseReserve(const std::filesystem::path& store) {
  const int fd = ::open(reservePath(store).c_str(), O_WRONLY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat status {};
  const bool released =
      ::fstat(fd, &status) == 0 && status.st_blocks > 0 && ::ftruncate(fd, 0) == 0;
  ::close(fd);
  return released;
}

}  // namespace kx
