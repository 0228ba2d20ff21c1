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

INSTANTIATE_TEST_SUITE_P(Pg, ArchiveCases, testing::Values(ArchiveFactory{"postgresql", NewPg}), ArchiveFactoryName);

}  // namespace
}  // namespace tavro::test
