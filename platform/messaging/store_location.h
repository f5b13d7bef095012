#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "platform/messaging/reason_codes.h"

// Where the queue managers of this machine are found: the data directory, each store's file in
// it, and the mark that names the default queue manager. Both the client and the administration
// find their files here and nowhere else.
namespace kx {

// $KX_DATA_DIR, else $XDG_DATA_HOME/kx, else ~/.local/share/kx; read afresh on every call and made
// absolute against the working directory of the moment. `origin`, when given, receives where it
// came from: "KX_DATA_DIR", "XDG_DATA_HOME" or "the home folder".
std::filesystem::path dataDirectory(std::string* origin = nullptr);

// The file of a queue manager whose name has already been validated.
std::filesystem::path storePath(std::string_view validatedName);

// Where a queue manager kept in PostgreSQL is: a record holding one line, the libpq connection
// string of its database (never a password: libpq's own means give that).
std::filesystem::path postgresRecordPath(std::string_view validatedName);
ReasonCode readPostgresRecord(std::string_view validatedName, std::string& conninfo);

// What keeps the queue manager of a validated name: the embedded store's file, or a database.
enum class StoreKind { kNone, kEmbedded, kPostgres };
StoreKind storeKindOf(std::string_view validatedName);

// The small file holding the name kxadmin marked as the default queue manager.
std::filesystem::path defaultMarkPath();

// Reads a small file of the data directory whole: never through a link, only a regular file, and
// never more than `limit` bytes, so that a planted FIFO, device or link can neither hold a caller
// nor fill its memory. kQueueManagerNameError when there is no such file; kStoreDamaged (with
// `problem` naming the file and what it is) for a link, a file of another kind or a longer one.
ReasonCode readSmallFile(const std::filesystem::path& path, std::size_t limit, std::string& text,
                         std::string& problem);

// The name in the default mark. kNoDefaultQueueManager when there is no mark; otherwise
// kQueueManagerNameError, with `problem` saying what is wrong with it, unless it holds a valid
// name and nothing more.
ReasonCode readDefaultMark(std::string& name, std::string& problem);

// The default queue manager's name: $KX_DEFAULT_QMGR, else the one marked default. Fails with
// kNoDefaultQueueManager when there is none, and kQueueManagerNameError when what was found is no
// valid name; `problem` then says which and where.
ReasonCode findDefaultQueueManager(std::string& name, std::string& problem);

}  // namespace kx
