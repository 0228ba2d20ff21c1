// Which store a location names: a libpq URI is a PostgreSQL server, anything
// else a SQLite file.
#include "archive.h"
#include "pg_archive.h"
#include "pg_connection.h"
#include "sqlite_archive.h"

namespace tavro {

OpenedArchive OpenArchive(const std::string& location, bool readOnly) {
    if (IsPgUri(location)) return PgArchive::Open(location, readOnly);
    return SqliteArchive::Open(location, readOnly);
}

std::string ShownLocation(const std::string& location) { return IsPgUri(location) ? ShownUri(location) : location; }

}  // namespace tavro
