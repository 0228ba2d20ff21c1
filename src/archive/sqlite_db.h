// A thin hold on the SQLite C interface: a connection and prepared
// statements that finalize themselves. Only the SQLite store uses it.
#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tavro::sqlite {

class Db {
public:
    Db() = default;
    ~Db() { Close(); }
    Db(const Db&) = delete;
    Db& operator=(const Db&) = delete;

    // flags: SQLITE_OPEN_*; false: Error() says why.
    bool Open(const std::string& uri, int flags);
    void Close();
    sqlite3* Handle() const { return db_; }
    // Runs statements without results; false: Error() says why.
    bool Exec(const char* sql);
    std::string Error() const;
    int Code() const { return db_ ? sqlite3_extended_errcode(db_) : SQLITE_CANTOPEN; }

private:
    sqlite3* db_ = nullptr;
};

class Stmt {
public:
    Stmt() = default;
    ~Stmt() { sqlite3_finalize(st_); }
    Stmt(const Stmt&) = delete;
    Stmt& operator=(const Stmt&) = delete;

    bool Prepare(const Db& db, std::string_view sql);
    bool Ready() const { return st_ != nullptr; }
    // SQLITE_ROW, SQLITE_DONE or an error code.
    int Step() { return sqlite3_step(st_); }
    void Finalize() {
        sqlite3_finalize(st_);
        st_ = nullptr;
    }
    void Reset() { sqlite3_reset(st_); }

    void Bind(int i, std::int64_t v) { sqlite3_bind_int64(st_, i, v); }
    void Bind(int i, double v) { sqlite3_bind_double(st_, i, v); }
    // Texts and blobs are not copied: they must outlive the next Step().
    void Bind(int i, std::string_view text) {
        sqlite3_bind_text(st_, i, text.data(), static_cast<int>(text.size()), SQLITE_STATIC);
    }
    void BindBlob(int i, std::string_view bytes) {
        sqlite3_bind_blob(st_, i, bytes.data() ? bytes.data() : "", static_cast<int>(bytes.size()), SQLITE_STATIC);
    }
    void Bind(int i, const std::optional<std::int64_t>& v) {
        if (v) Bind(i, *v);
        else sqlite3_bind_null(st_, i);
    }
    void BindNull(int i) { sqlite3_bind_null(st_, i); }

    bool Null(int col) const { return sqlite3_column_type(st_, col) == SQLITE_NULL; }
    std::int64_t Int(int col) const { return sqlite3_column_int64(st_, col); }
    double Real(int col) const { return sqlite3_column_double(st_, col); }
    std::optional<std::int64_t> OptInt(int col) const {
        if (Null(col)) return std::nullopt;
        return Int(col);
    }
    std::string_view Blob(int col) const {
        const void* p = sqlite3_column_blob(st_, col);
        return {static_cast<const char*>(p), static_cast<std::size_t>(sqlite3_column_bytes(st_, col))};
    }
    std::string_view Text(int col) const {
        const unsigned char* p = sqlite3_column_text(st_, col);
        return {reinterpret_cast<const char*>(p), static_cast<std::size_t>(sqlite3_column_bytes(st_, col))};
    }

private:
    sqlite3_stmt* st_ = nullptr;
};

}  // namespace tavro::sqlite
