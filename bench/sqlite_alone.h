// The floor under the SQLite archive's Add: SQLite alone writing the rows an
// Add of new beacons must write, into a file with the archive's own tables and
// indexes, with nothing of the program around it: per record a hash lookup
// (64 a statement), the beacon row (47 REAL values) and the reception row,
// 16 and 32 rows a statement, one transaction. No summaries, no history.
#pragma once

#include <string>
#include <vector>

#include "archive.h"

namespace tavro::bench {

// Writes passes into path (made as an empty archive first); returns the best
// pass's CPU milliseconds.
double SqliteAloneBestMs(const std::string& path, const std::vector<std::vector<ArchiveRecord>>& passes);

}  // namespace tavro::bench
