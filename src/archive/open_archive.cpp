// Which store a location names: a libpq URI is a PostgreSQL server, anything
// else a SQLite file.
#include "archive.h"
#include "sqlite_archive.h"

namespace tavro {

OpenedArchive OpenArchive(const std::string& location, bool readOnly) {
    if (location.starts_with("postgresql://") || location.starts_with("postgres://"))
        return {nullptr, "this build has no PostgreSQL archive"};
    return SqliteArchive::Open(location, readOnly);
}

}  // namespace tavro
