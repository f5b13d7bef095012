#include "app/history_command.h"

#include <ostream>
#include <string>
#include <system_error>
#include <vector>

#include "history/history_csv.h"
#include "platform/history/history_file.h"
#include "platform/runtime/exit_status.h"

namespace tarnix {

int printHistory(const std::filesystem::path& file, const SeriesKey& key, TimeMs now,
                 std::ostream& out, std::ostream& err) {
  std::vector<DepthPoint> points;
  std::error_code error;
  if (std::filesystem::symlink_status(file, error).type() !=
      std::filesystem::file_type::not_found) {
    std::string why;
    std::unique_ptr<HistoryFile> history = HistoryFile::open(file, why);
    if (!history || !history->load(key, now - kKeptForMs, points, why)) {
      err << "tarnix: depth history: " << why << "; no points to print" << std::endl;
      points.clear();
    }
  }
  out << historyCsv(points) << std::flush;
  return out ? rt::kExitNormal : rt::kExitFailure;
}

}  // namespace tarnix
