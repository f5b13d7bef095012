#include "platform/messaging/store/private_files.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <system_error>
#include <vector>

#include "platform/messaging/store_location.h"

namespace kx {
namespace {

namespace fs = std::filesystem;

// What a temporary name holds between the final name and its random part.
constexpr const char* kTemporaryMark = ".new-";
constexpr std::size_t kRandomBytes = 8;

std::string systemError(int error) { return std::strerror(error); }

std::string randomDigits() {
  unsigned char bytes[kRandomBytes];
  std::size_t got = 0;
  while (got < sizeof bytes) {
    const ssize_t n = ::getrandom(bytes + got, sizeof bytes - got, 0);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    got += static_cast<std::size_t>(n);
  }
  // Without the kernel's randomness the exclusive create still refuses any planted name.
  if (got < sizeof bytes) {
    std::uint64_t mix = static_cast<std::uint64_t>(::getpid()) * 0x9E3779B97F4A7C15u ^
                        static_cast<std::uint64_t>(::clock());
    for (auto& byte : bytes) byte = static_cast<unsigned char>(mix >>= 3);
  }
  std::string digits;
  char two[3];
  for (unsigned char byte : bytes) {
    std::snprintf(two, sizeof two, "%02x", byte);
    digits += two;
  }
  return digits;
}

ReasonCode failed(const std::string& what, const fs::path& path, std::string& problem) {
  const int error = errno;
  problem = "cannot " + what + " " + path.string() + ": " + systemError(error);
  return error == EEXIST ? reason::kObjectAlreadyExists : reasonFromSystemError(error);
}

// Syncs a directory so that a name just linked, renamed or removed in it survives a power loss.
ReasonCode syncDirectory(const fs::path& directory, std::string& problem) {
  const int fd = ::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return failed("open the folder", directory, problem);
  const int synced = ::fsync(fd);
  const int error = errno;
  ::close(fd);
  errno = error;
  if (synced != 0) return failed("sync the folder", directory, problem);
  return reason::kNone;
}

}  // namespace

ReasonCode checkDataDirectory(const fs::path& directory, std::string& problem) {
  struct stat status {};
  if (::stat(directory.c_str(), &status) != 0) return reason::kNone;  // absent: nothing stored
  if (S_ISDIR(status.st_mode) && (status.st_mode & S_IWOTH) != 0) {
    char mode[8];
    std::snprintf(mode, sizeof mode, "%04o", static_cast<unsigned>(status.st_mode & 07777));
    problem = "the data directory " + directory.string() + " may be written by every user (mode " +
              mode + "); make it private (chmod 700) or choose another";
    return reason::kDataDirectoryUnsafe;
  }
  return reason::kNone;
}

ReasonCode prepareDataDirectory(fs::path& realPath, std::string& problem) {
  const fs::path directory = dataDirectory();
  // Missing parents as the umask says, but always usable by their owner (as mkdir -p makes them).
  fs::path parent;
  for (const fs::path& step : directory.parent_path()) {
    parent /= step;
    if (::mkdir(parent.c_str(), 0777) != 0) continue;
    struct stat status {};
    if (::stat(parent.c_str(), &status) == 0 && (status.st_mode & S_IRWXU) != S_IRWXU) {
      ::chmod(parent.c_str(), (status.st_mode & 07777) | S_IRWXU);
    }
  }
  std::error_code error;
  if (::mkdir(directory.c_str(), 0700) == 0) {
    // The umask may have taken bits away; the owner needs all three.
    if (::chmod(directory.c_str(), 0700) != 0) {
      return failed("set the mode of the data directory", directory, problem);
    }
  } else if (errno != EEXIST) {
    return failed("make the data directory", directory, problem);
  }
  if (const ReasonCode why = checkDataDirectory(directory, problem); why != reason::kNone) {
    return why;
  }
  realPath = fs::canonical(directory, error);
  if (error) {
    problem = "cannot use the data directory " + directory.string() + ": " + error.message();
    return reasonFromSystemError(error.value());
  }
  return reason::kNone;
}

TemporaryFile::~TemporaryFile() { discard(); }

void TemporaryFile::discard() {
  if (fd_ >= 0) {
    if (!path_.empty()) ::unlink(path_.c_str());
    ::close(fd_);  // the lock goes last, so no sweep removes the name while we still use it
    fd_ = -1;
  }
  path_.clear();
}

ReasonCode TemporaryFile::create(const fs::path& finalPath, std::string& problem) {
  discard();
  finalPath_ = finalPath;
  for (int attempt = 0; attempt < 16; ++attempt) {
    const fs::path path = finalPath.string() + kTemporaryMark + randomDigits();
    const int fd =
        ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, S_IRUSR | S_IWUSR);
    if (fd < 0) {
      if (errno == EEXIST) continue;
      return failed("create", path, problem);
    }
    // Held until the file is placed or removed: a sweep only takes files whose lock it gets. A
    // sweep may have removed the name between the create and the lock; then start again.
    struct stat status {};
    if (::flock(fd, LOCK_EX) != 0 || ::fstat(fd, &status) != 0 || status.st_nlink == 0) {
      ::close(fd);
      continue;
    }
    fd_ = fd;
    path_ = path;
    // Exactly 0600 whatever the umask, so that the owner can always write it.
    if (::fchmod(fd, S_IRUSR | S_IWUSR) != 0) return failed("set the mode of", path, problem);
    return reason::kNone;
  }
  problem = "cannot create a temporary file beside " + finalPath.string();
  return reason::kStoreIoError;
}

ReasonCode TemporaryFile::write(const std::string& text, std::string& problem) {
  if (const ReasonCode why = append(text, problem); why != reason::kNone) return why;
  return sync(problem);
}

ReasonCode TemporaryFile::append(std::string_view bytes, std::string& problem) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t wrote = ::write(fd_, bytes.data() + done, bytes.size() - done);
    if (wrote < 0 && errno == EINTR) continue;
    if (wrote <= 0) return failed("write", path_, problem);
    done += static_cast<std::size_t>(wrote);
  }
  return reason::kNone;
}

ReasonCode TemporaryFile::sync(std::string& problem) {
  if (::fsync(fd_) != 0) return failed("sync", path_, problem);
  return reason::kNone;
}

ReasonCode TemporaryFile::linkIntoPlace(std::string& problem) {
  if (::link(path_.c_str(), finalPath_.c_str()) != 0) {
    if (errno == EEXIST) return reason::kObjectAlreadyExists;
    return failed("create", finalPath_, problem);
  }
  ::unlink(path_.c_str());
  path_.clear();
  return syncDirectory(finalPath_.parent_path(), problem);
}

ReasonCode TemporaryFile::renameIntoPlace(std::string& problem) {
  if (::rename(path_.c_str(), finalPath_.c_str()) != 0) return failed("write", finalPath_, problem);
  path_.clear();
  return syncDirectory(finalPath_.parent_path(), problem);
}

bool isTemporaryName(const std::string& fileName) {
  return fileName.find(kTemporaryMark) != std::string::npos;
}

void sweepTemporaries(const fs::path& directory) {
  std::error_code error;
  std::vector<std::string> companions;
  for (const auto& entry : fs::directory_iterator(directory, error)) {
    const std::string name = entry.path().filename().string();
    const auto mark = name.find(kTemporaryMark);
    if (mark == std::string::npos) continue;
    // After the mark comes the random part (once the maker's process id); a companion that SQLite
    // made beside a temporary store adds "-journal", "-wal" or "-shm".
    if (name.find('-', mark + std::strlen(kTemporaryMark)) != std::string::npos) {
      companions.push_back(name);
      continue;
    }
    const int fd = ::open(entry.path().c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) continue;
    struct stat status {};
    // A maker that is alive holds the lock; one that died released it with its last descriptor.
    if (::fstat(fd, &status) == 0 && S_ISREG(status.st_mode) &&
        ::flock(fd, LOCK_EX | LOCK_NB) == 0) {
      ::unlink(entry.path().c_str());
    }
    ::close(fd);
  }
  for (const std::string& name : companions) {
    const std::string owner =
        name.substr(0, name.find('-', name.find(kTemporaryMark) + std::strlen(kTemporaryMark)));
    if (!fs::exists(fs::symlink_status(directory / owner, error))) {
      fs::remove(directory / name, error);
    }
  }
}

}  // namespace kx
