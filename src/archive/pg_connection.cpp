#include "pg_connection.h"

#include <cstdlib>
#include <cstring>

namespace tavro {

bool IsPgUri(std::string_view location) {
    return location.starts_with("postgresql://") || location.starts_with("postgres://");
}

std::string ShownUri(std::string_view uri) {
    const std::size_t scheme = uri.find("://");
    if (scheme == std::string_view::npos) return std::string(uri);
    std::string out(uri.substr(0, scheme + 3));
    std::string_view rest = uri.substr(scheme + 3);
    const std::size_t authorityEnd = std::min(rest.find_first_of("/?"), rest.size());
    std::string_view authority = rest.substr(0, authorityEnd);
    if (const std::size_t at = authority.rfind('@'); at != std::string_view::npos) {
        const std::string_view user = authority.substr(0, at);
        out += user.substr(0, std::min(user.find(':'), user.size()));  // "user:password" -> "user"
        out += authority.substr(at);
    } else {
        out += authority;
    }
    rest.remove_prefix(authorityEnd);
    const std::size_t query = rest.find('?');
    out += rest.substr(0, query);
    if (query == std::string_view::npos) return out;
    std::string kept;
    for (std::string_view q = rest.substr(query + 1); !q.empty();) {
        const std::size_t amp = std::min(q.find('&'), q.size());
        const std::string_view param = q.substr(0, amp);
        if (!param.starts_with("password=")) kept += (kept.empty() ? "" : "&") + std::string(param);
        q.remove_prefix(std::min(amp + 1, q.size()));
    }
    return kept.empty() ? out : out + "?" + kept;
}

std::int64_t PgInt8(const char* p) {
    std::uint64_t v = 0;
    for (int i = 0; i < 8; ++i) v = (v << 8) | static_cast<unsigned char>(p[i]);
    return static_cast<std::int64_t>(v);
}
std::int32_t PgInt4(const char* p) {
    std::uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v = (v << 8) | static_cast<unsigned char>(p[i]);
    return static_cast<std::int32_t>(v);
}

double PgFloat8(const char* p) {
    const std::uint64_t bits = static_cast<std::uint64_t>(PgInt8(p));
    double v;
    std::memcpy(&v, &bits, sizeof v);
    return v;
}

bool PgConnection::Connect() {
    Close();
    // Settings first: what the URI says wins over them.
    const char* keys[] = {"connect_timeout", "application_name", "client_encoding", "keepalives_idle",
                          "keepalives_interval", "keepalives_count", "dbname", nullptr};
    const char* values[] = {"10", "tavro", "UTF8", "30", "10", "3", uri_.c_str(), nullptr};
    conn_ = PQconnectdbParams(keys, values, 1);
    lost_ = false;
    if (conn_ && PQstatus(conn_) == CONNECTION_OK) {
        PQsetNoticeProcessor(conn_, [](void*, const char*) {}, nullptr);  // the errors that matter come back as results
        return error_.clear(), true;
    }
    std::string why = conn_ ? PQerrorMessage(conn_) : "out of memory";
    Close();
    lost_ = true;
    return Fail("cannot connect to the archive server " + shown_ + ": " + why);
}

void PgConnection::Close() {
    if (conn_) PQfinish(conn_);
    conn_ = nullptr;
}

std::string PgConnection::Server() const {
    if (!conn_) return {};
    const std::string host = PQhost(conn_) ? PQhost(conn_) : "";
    const std::string port = PQport(conn_) ? PQport(conn_) : "";
    if (host.starts_with("/")) return host;  // a socket folder
    return port.empty() ? host : host + ":" + port;
}
std::string PgConnection::Database() const { return conn_ && PQdb(conn_) ? PQdb(conn_) : ""; }

bool PgConnection::Fail(std::string message) {
    // One line: libpq's messages run over several.
    for (std::size_t i; (i = message.find_first_of("\n\t")) != std::string::npos;) {
        const std::size_t end = message.find_first_not_of("\n\t ", i);
        message.replace(i, (end == std::string::npos ? message.size() : end) - i, end == std::string::npos ? "" : " ");
    }
    error_ = Scrub(std::move(message));
    return false;
}

// Whatever libpq says, a password given to it never shows.
std::string PgConnection::Scrub(std::string text) const {
    std::vector<std::string> secrets;
    if (const char* env = std::getenv("PGPASSWORD")) secrets.emplace_back(env);
    if (PQconninfoOption* options = PQconninfoParse(uri_.c_str(), nullptr)) {
        for (PQconninfoOption* o = options; o->keyword; ++o)
            if (std::strcmp(o->keyword, "password") == 0 && o->val) secrets.emplace_back(o->val);
        PQconninfoFree(options);
    }
    for (const std::string& secret : secrets)
        for (std::size_t i; secret.size() >= 3 && (i = text.find(secret)) != std::string::npos;)
            text.replace(i, secret.size(), "***");
    return text;
}

bool PgConnection::Check(PGresult* r, PgResult* keep) {
    PgResult result(r);
    const ExecStatusType status = r ? PQresultStatus(r) : PGRES_FATAL_ERROR;
    if (status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK || status == PGRES_SINGLE_TUPLE ||
        status == PGRES_COPY_IN) {
        state_.clear();
        if (keep) *keep = std::move(result);
        return true;
    }
    const char* state = r ? PQresultErrorField(r, PG_DIAG_SQLSTATE) : nullptr;
    state_ = state ? state : "";
    // Class 08: connection exceptions; 57P01..03: the server shuts down or is starting.
    lost_ = !conn_ || PQstatus(conn_) == CONNECTION_BAD || state_.starts_with("08") || state_ == "57P01" ||
            state_ == "57P02" || state_ == "57P03";
    const std::string what = r && *PQresultErrorMessage(r) ? PQresultErrorMessage(r) : (conn_ ? PQerrorMessage(conn_) : "");
    return Fail((lost_ ? "lost the connection to the archive server " : "the archive server ") + shown_ + ": " + what);
}

bool PgConnection::Exec(const std::string& sql, PgResult* result, const std::vector<const char*>& params,
                        bool binaryResult) {
    if (!conn_) return lost_ = true, Fail("not connected to the archive server " + shown_);
    if (params.empty() && !binaryResult) return Check(PQexec(conn_, sql.c_str()), result);  // may be several statements
    return Check(PQexecParams(conn_, sql.c_str(), static_cast<int>(params.size()), nullptr, params.data(), nullptr,
                              nullptr, binaryResult ? 1 : 0),
                 result);
}

bool PgConnection::ExecBinary(const std::string& sql, const std::vector<std::string>& params, PgResult* result) {
    if (!conn_) return lost_ = true, Fail("not connected to the archive server " + shown_);
    std::vector<const char*> values;
    std::vector<int> lengths, formats;
    for (const std::string& p : params)
        values.push_back(p.data()), lengths.push_back(static_cast<int>(p.size())), formats.push_back(1);
    return Check(PQexecParams(conn_, sql.c_str(), static_cast<int>(params.size()), nullptr, values.data(),
                              lengths.data(), formats.data(), 1),
                 result);
}

bool PgConnection::CopyIn(const std::string& sql, std::string_view data) {
    if (!Exec(sql)) return false;
    constexpr std::size_t kChunk = 1 << 20;
    bool sent = true;
    for (std::size_t at = 0; sent && at < data.size(); at += kChunk)
        sent = PQputCopyData(conn_, data.data() + at, static_cast<int>(std::min(kChunk, data.size() - at))) == 1;
    sent = PQputCopyEnd(conn_, sent ? nullptr : "not sent whole") == 1 && sent;
    bool ok = true;
    for (PGresult* r; (r = PQgetResult(conn_)) != nullptr;) ok = Check(r, nullptr) && ok;
    if (!sent && ok) ok = Check(nullptr, nullptr);
    return ok;
}

bool PgConnection::CopyOut(const std::string& sql, const std::function<void(std::string_view)>& piece) {
    if (!conn_) return lost_ = true, Fail("not connected to the archive server " + shown_);
    PGresult* start = PQexec(conn_, sql.c_str());
    if (!start || PQresultStatus(start) != PGRES_COPY_OUT) return Check(start, nullptr);
    PQclear(start);
    char* buffer = nullptr;
    for (int n; (n = PQgetCopyData(conn_, &buffer, 0)) > 0;) {
        piece(std::string_view(buffer, static_cast<std::size_t>(n)));
        PQfreemem(buffer);
    }
    bool ok = true;
    for (PGresult* r; (r = PQgetResult(conn_)) != nullptr;) ok = Check(r, nullptr) && ok;
    return ok;
}

bool PgConnection::ForEachRow(const std::string& sql, const std::vector<const char*>& params,
                              const std::function<bool(const PGresult*)>& row) {
    if (!conn_) return lost_ = true, Fail("not connected to the archive server " + shown_);
    if (!PQsendQueryParams(conn_, sql.c_str(), static_cast<int>(params.size()), nullptr, params.data(), nullptr,
                           nullptr, 1))
        return Check(nullptr, nullptr);
    PQsetSingleRowMode(conn_);
    bool ok = true, wanted = true;
    for (PGresult* r; (r = PQgetResult(conn_)) != nullptr;) {
        if (PQresultStatus(r) == PGRES_SINGLE_TUPLE) {
            if (wanted) wanted = row(r);  // the rest is drained: the connection must be idle again
            PQclear(r);
            continue;
        }
        ok = Check(r, nullptr) && ok;
    }
    return ok;
}

}  // namespace tavro
