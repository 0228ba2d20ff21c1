#include "sqlite_db.h"

namespace tavro::sqlite {

bool Db::Open(const std::string& uri, int flags) {
    Close();
    if (sqlite3_open_v2(uri.c_str(), &db_, flags | SQLITE_OPEN_URI | SQLITE_OPEN_NOMUTEX, nullptr) != SQLITE_OK) return false;
    sqlite3_extended_result_codes(db_, 1);
    return true;
}

void Db::Close() {
    if (db_) sqlite3_close_v2(db_);
    db_ = nullptr;
}

bool Db::Exec(const char* sql) { return sqlite3_exec(db_, sql, nullptr, nullptr, nullptr) == SQLITE_OK; }

std::string Db::Error() const { return db_ ? sqlite3_errmsg(db_) : "out of memory"; }

bool Stmt::Prepare(const Db& db, std::string_view sql) {
    sqlite3_finalize(st_);
    st_ = nullptr;
    return sqlite3_prepare_v3(db.Handle(), sql.data(), static_cast<int>(sql.size()), SQLITE_PREPARE_PERSISTENT, &st_,
                              nullptr) == SQLITE_OK;
}

}  // namespace tavro::sqlite
