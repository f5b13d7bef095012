#include "platform/messaging/store_location.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <system_error>
#include <vector>

#include "platform/messaging/names.h"

namespace kx {
namespace {

namespace fs = std::filesystem;

// The home directory from the password database; reentrant, as any thread may ask.
std::string passwordHome() {
  const long size = ::sysconf(_SC_GETPW_R_SIZE_MAX);
  std::vector<char> buffer(size > 0 ? static_cast<std::size_t>(size) : 16384);
  passwd entry{};
  passwd* found = nullptr;
  int error = 0;
  while ((error = ::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found)) ==
             ERANGE &&
         buffer.size() < (1u << 20)) {
    buffer.resize(buffer.size() * 2);
  }
  if (error != 0 || found == nullptr || found->pw_dir == nullptr || *found->pw_dir == '\0') {
    return "/tmp";
  }
  return found->pw_dir;
}

// A connection string is one short line; this is far more than any holds.
constexpr std::size_t kMaxRecordBytes = std::size_t{64} * 1024;

const char* kindOf(mode_t mode) {
  if (S_ISDIR(mode)) return "a directory";
  if (S_ISFIFO(mode)) return "a FIFO";
  if (S_ISCHR(mode) || S_ISBLK(mode)) return "a device";
  if (S_ISSOCK(mode)) return "a socket";
  return "not a regular file";
}

}  // namespace

ReasonCode readSmallFile(const fs::path& path, std::size_t limit, std::string& text,
                         std::string& problem) {
  text.clear();
  // Without blocking: a FIFO would otherwise hold the open until someone writes it.
  const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) {
    const int error = errno;
    if (error == ENOENT) return reason::kQueueManagerNameError;
    problem = path.string() + (error == ELOOP ? std::string(" is a symbolic link")
                                              : ": " + std::string(std::strerror(error)));
    return error == ELOOP ? reason::kStoreDamaged : reasonFromSystemError(error);
  }
  struct stat status {};
  ReasonCode why = reason::kNone;
  if (::fstat(fd, &status) != 0) {
    problem = path.string() + ": " + std::strerror(errno);
    why = reasonFromSystemError(errno);
  } else if (!S_ISREG(status.st_mode)) {
    problem = path.string() + " is " + kindOf(status.st_mode) + ", not a regular file";
    why = reason::kStoreDamaged;
  } else {
    // One byte past the limit tells a file that is too long from one that just fits.
    text.resize(limit + 1);
    std::size_t got = 0;
    while (got < text.size()) {
      const ssize_t n = ::read(fd, text.data() + got, text.size() - got);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) {
        problem = path.string() + ": " + std::strerror(errno);
        why = reasonFromSystemError(errno);
        break;
      }
      if (n == 0) break;
      got += static_cast<std::size_t>(n);
    }
    text.resize(std::min(got, text.size()));
    if (why == reason::kNone && got > limit) {
      problem = path.string() + " holds more than " + std::to_string(limit) + " bytes";
      why = reason::kStoreDamaged;
    }
  }
  ::close(fd);
  if (why != reason::kNone) text.clear();
  return why;
}

fs::path dataDirectory(std::string* origin) {
  fs::path directory;
  if (const char* dir = std::getenv("KX_DATA_DIR"); dir != nullptr && *dir != '\0') {
    directory = dir;
    if (origin != nullptr) *origin = "KX_DATA_DIR";
  } else if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg != nullptr && *xdg != '\0') {
    directory = fs::path(xdg) / "kx";
    if (origin != nullptr) *origin = "XDG_DATA_HOME";
  } else {
    const char* home = std::getenv("HOME");
    directory = fs::path(home != nullptr && *home != '\0' ? std::string(home) : passwordHome()) /
                ".local" / "share" / "kx";
    if (origin != nullptr) *origin = "the home folder";
  }
  std::error_code error;
  fs::path absolute = fs::absolute(directory, error);
  return error ? directory : absolute;
}

fs::path storePath(std::string_view validatedName) {
  return dataDirectory() / (std::string(validatedName) + ".qmgr");
}

fs::path postgresRecordPath(std::string_view validatedName) {
  return dataDirectory() / (std::string(validatedName) + ".postgres");
}

ReasonCode readPostgresRecord(std::string_view validatedName, std::string& conninfo) {
  std::string problem;
  const ReasonCode why =
      readSmallFile(postgresRecordPath(validatedName), kMaxRecordBytes, conninfo, problem);
  conninfo = conninfo.substr(0, conninfo.find('\n'));
  return why;
}

StoreKind storeKindOf(std::string_view validatedName) {
  std::error_code error;
  if (fs::exists(fs::symlink_status(storePath(validatedName), error))) return StoreKind::kEmbedded;
  if (fs::exists(fs::symlink_status(postgresRecordPath(validatedName), error))) {
    return StoreKind::kPostgres;
  }
  return StoreKind::kNone;
}

fs::path defaultMarkPath() { return dataDirectory() / "default-queue-manager"; }

ReasonCode readDefaultMark(std::string& name, std::string& problem) {
  name.clear();
  std::string text;
  const fs::path mark = defaultMarkPath();
  // A name and its line end: anything longer is no mark of ours.
  ReasonCode why = readSmallFile(mark, kMaxObjectNameLength + 1, text, problem);
  if (why == reason::kQueueManagerNameError) return reason::kNoDefaultQueueManager;
  if (why == reason::kNone) {
    name = text.substr(0, text.find('\n'));
    if (validateName(name, NameKind::QueueManager) != reason::kNone) {
      problem = "bad default queue manager name " + quotedName(name) + " in " + mark.string();
      why = reason::kQueueManagerNameError;
    }
  } else {
    problem = "the default mark " + problem;
    why = reason::kQueueManagerNameError;
  }
  if (why != reason::kNone) {
    problem += "; mark the default again with 'kxadmin default NAME'";
    name.clear();
  }
  return why;
}

ReasonCode findDefaultQueueManager(std::string& name, std::string& problem) {
  if (const char* env = std::getenv("KX_DEFAULT_QMGR"); env != nullptr && *env != '\0') {
    if (validateName(env, NameKind::QueueManager) != reason::kNone) {
      problem = "bad default queue manager name " + quotedName(env) + " in KX_DEFAULT_QMGR";
      return reason::kQueueManagerNameError;
    }
    name = env;
    return reason::kNone;
  }
  std::string found;
  const ReasonCode why = readDefaultMark(found, problem);
  if (why == reason::kNoDefaultQueueManager) {
    problem = "no default queue manager: set KX_DEFAULT_QMGR or run 'kxadmin default NAME'";
  }
  if (why == reason::kNone) name = std::move(found);
  return why;
}

}  // namespace kx
