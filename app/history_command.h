#pragma once

#include <filesystem>
#include <iosfwd>

#include "history/depth_point.h"

namespace tarnix {

// tarnix --history QMGR QUEUE --csv: prints the points of the last 24 hours before `now` that the
// history `file` keeps of the queue, as CSV. A missing file is not made, and gives the header
// only, as a file that cannot be read does after a line on `err` that says why. Gives the exit
// status.
int printHistory(const std::filesystem::path& file, const SeriesKey& key, TimeMs now,
                 std::ostream& out, std::ostream& err);

}  // namespace tarnix
