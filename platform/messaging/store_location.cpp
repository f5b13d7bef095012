#include "platform/messaging/store_location.h"

#include <pwd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <fstream>
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

}  // namespace

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
  std::ifstream record(postgresRecordPath(validatedName));
  if (!record) return reason::kQueueManagerNameError;
  std::getline(record, conninfo);
  return record.bad() ? reason::kStoreIoError : reason::kNone;
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

ReasonCode findDefaultQueueManager(std::string& name, std::string& problem) {
  std::string found;
  std::string source;
  if (const char* env = std::getenv("KX_DEFAULT_QMGR"); env != nullptr && *env != '\0') {
    found = env;
    source = "KX_DEFAULT_QMGR";
  } else if (std::ifstream mark(defaultMarkPath()); mark && std::getline(mark, found)) {
    source = defaultMarkPath().string();
  } else {
    problem = "no default queue manager: set KX_DEFAULT_QMGR or run 'kxadmin default NAME'";
    return reason::kNoDefaultQueueManager;
  }
  if (validateName(found, NameKind::QueueManager) != reason::kNone) {
    problem = "bad default queue manager name " + quotedName(found) + " in " + source;
    return reason::kQueueManagerNameError;
  }
  name = std::move(found);
  return reason::kNone;
}

}  // namespace kx
