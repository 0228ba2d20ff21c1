// The cases every archive store passes (tests/archive_cases.h), run against
// the PostgreSQL store: each case gets an empty database of its own on the
// test server, opened through OpenArchive as a postgresql:// location.
#include "archive_cases.h"
#include "pg_server.h"

namespace tavro::test {
namespace {

std::string NewPg(std::string& why) {
    PgServer& pg = PgServer::Shared();
    if (!pg.Running()) return why = pg.Why(), "";
    return pg.Uri(pg.NewDatabase());
}

std::unique_ptr<Archive> Open(const std::string& uri) { return OpenArchive(uri).archive; }

// The database of a URI "postgresql:///t3?host=…".
std::string Database(const std::string& uri) { return uri.substr(14, uri.find('?') - 14); }

std::string Rows(const std::string& uri, const std::string& sql) { return PgServer::Shared().Value(Database(uri), sql); }

INSTANTIATE_TEST_SUITE_P(Pg, ArchiveCases, testing::Values(ArchiveFactory{"postgresql", NewPg, Open, Rows}), ArchiveFactoryName);

}  // namespace
}  // namespace tavro::test
