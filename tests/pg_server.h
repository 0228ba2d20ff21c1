// A PostgreSQL server of the Debian package, started by the test itself:
// initdb into a folder of its own under /tmp, postgres listening only on a
// Unix socket in that folder (listen_addresses = '', no TCP port), stopped
// and removed at the end. PostgreSQL refuses to run as root, so as root the
// server runs as the unprivileged system user tavro-pgtest (made by
// scripts/install-deps) and the folder belongs to it.
//
//   PgServer& pg = PgServer::Shared();          one per test program
//   if (!pg.Running()) GTEST_SKIP() << pg.Why(); "skipped: no PostgreSQL server (...)"
//   std::string db = pg.NewDatabase();          "t3", its URI pg.Uri(db):
//                                               "postgresql:///t3?host=/tmp/tavro-pg-…&user=tavro"
//   pg.Stop(); pg.Start();                       a server restart, waited for
#pragma once

#include <pwd.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

// In a test: the program's server as pg, or the test skipped with the reason.
//   NEED_SERVER(pg);
//   const std::string db = pg.NewDatabase();
#define NEED_SERVER(pg)                                                \
    ::tavro::test::PgServer& pg = ::tavro::test::PgServer::Shared(); \
    if (!pg.Running()) GTEST_SKIP() << pg.Why()

namespace tavro::test {

inline constexpr const char* kNoPgServer = "skipped: no PostgreSQL server";

class PgServer {
public:
    static PgServer& Shared() {
        static PgServer server;
        return server;
    }
    ~PgServer() {
        if (!dir_.empty()) {
            Stop();
            std::filesystem::remove_all(dir_);
        }
    }

    bool Running() const { return running_; }
    std::string Why() const { return std::string(kNoPgServer) + " (" + why_ + ")"; }
    const std::string& SocketDir() const { return dir_; }

    // The URI of database name as user (on the socket; no password).
    std::string Uri(const std::string& database, const std::string& user = "tavro") const {
        return "postgresql:///" + database + "?host=" + dir_ + "&user=" + user;
    }
    // A new empty database; its name.
    std::string NewDatabase() {
        const std::string name = "t" + std::to_string(++databases_);
        return Psql("postgres", "CREATE DATABASE " + name) ? name : std::string();
    }
    // The one-line result of sql in database ("" on failure).
    std::string Value(const std::string& database, const std::string& sql) const {
        std::string out;
        Psql(database, sql, &out);
        while (!out.empty() && out.back() == '\n') out.pop_back();
        return out;
    }
    // Runs sql in database as the superuser; false when psql failed.
    bool Psql(const std::string& database, const std::string& sql, std::string* out = nullptr) const {
        const std::string file = dir_ + "/psql.out";
        std::ofstream(dir_ + "/psql.sql", std::ios::trunc) << sql << ";\n";
        const std::string command = "psql -X -q -A -t -v ON_ERROR_STOP=1 -h '" + dir_ + "' -U tavro -d '" + database +
                                    "' -f '" + dir_ + "/psql.sql' >'" + file + "' 2>&1";
        const int status = std::system(command.c_str());
        if (out) {
            std::ifstream in(file);
            out->assign(std::istreambuf_iterator<char>(in), {});
        }
        return WIFEXITED(status) && WEXITSTATUS(status) == 0;
    }
    // A role that must give password to log in over the socket (scram).
    bool AddPasswordUser(const std::string& user, const std::string& password) {
        std::ofstream(dir_ + "/data/pg_hba.conf", std::ios::trunc)
            << "local all " << user << " scram-sha-256\nlocal all all trust\n";
        return Psql("postgres", "DROP ROLE IF EXISTS " + user) && Psql("postgres", "CREATE ROLE " + user + " LOGIN PASSWORD '" + password + "' SUPERUSER") &&
               Psql("postgres", "SELECT pg_reload_conf()");
    }

    bool Stop() { return !running_ || (running_ = !Ctl("-m fast -w stop"), !running_); }
    bool Start() {
        running_ = running_ || Ctl("-w -t 60 -o \"-c listen_addresses='' -k '" + dir_ +
                                   "' -c fsync=off -c max_connections=40\" -l '" + dir_ + "/log' start");
        return running_;
    }

private:
    PgServer() { why_ = Launch(); }

    // Empty when the server runs, else why not.
    std::string Launch() {
        const std::string bin = BinDir();
        if (bin.empty()) return "initdb and postgres not found in /usr/lib/postgresql/*/bin";
        bin_ = bin;
        std::string asUser;
        if (::geteuid() == 0) {
            const passwd* user = ::getpwnam("tavro-pgtest");
            if (!user) return "running as root and the user tavro-pgtest is missing (scripts/install-deps makes it)";
            uid_ = user->pw_uid, gid_ = user->pw_gid;
            runAs_ = "runuser -u tavro-pgtest -- ";
        }
        RemoveOrphans(bin_, runAs_);
        char name[] = "/tmp/tavro-pg-XXXXXX";
        if (!::mkdtemp(name)) return "no temporary folder";
        dir_ = name;
        if (::geteuid() == 0 && ::chown(dir_.c_str(), uid_, gid_) != 0) return "cannot hand the folder over";
        ::chmod(dir_.c_str(), 0755);
        std::ofstream(dir_ + "/owner.pid") << ::getpid();
        const std::string init = runAs_ + "'" + bin_ + "/initdb' -D '" + dir_ + "/data' -U tavro --auth=trust -E UTF8 " +
                                 "--locale=C --no-sync >'" + dir_ + "/initdb.log' 2>&1";
        if (std::system(init.c_str()) != 0) return "initdb failed, see " + dir_ + "/initdb.log";
        return Start() ? "" : "the server did not start, see " + dir_ + "/log";
    }

    // Servers of test programs that died without stopping them.
    static void RemoveOrphans(const std::string& bin, const std::string& runAs) {
        std::error_code error;
        for (const auto& entry : std::filesystem::directory_iterator("/tmp", error)) {
            const std::string dir = entry.path().string();
            if (!entry.path().filename().string().starts_with("tavro-pg-")) continue;
            int owner = 0;
            std::ifstream(dir + "/owner.pid") >> owner;
            if (owner <= 0 || ::kill(owner, 0) == 0 || errno != ESRCH) continue;
            std::system((runAs + "'" + bin + "/pg_ctl' -D '" + dir + "/data' -m immediate -w stop >/dev/null 2>&1").c_str());
            std::filesystem::remove_all(dir, error);
        }
    }

    static std::string BinDir() {
        if (const char* own = std::getenv("TAVRO_PG_BIN")) return own;
        std::string best;
        std::error_code error;
        for (const auto& entry : std::filesystem::directory_iterator("/usr/lib/postgresql", error)) {
            const std::string bin = (entry.path() / "bin").string();
            if (std::filesystem::exists(bin + "/initdb") && std::filesystem::exists(bin + "/postgres") && bin > best)
                best = bin;
        }
        return best;
    }
    bool Ctl(const std::string& what) const {
        const std::string command = runAs_ + "'" + bin_ + "/pg_ctl' -D '" + dir_ + "/data' " + what + " >>'" + dir_ + "/ctl.log' 2>&1";
        return std::system(command.c_str()) == 0;
    }

    std::string bin_, dir_, runAs_, why_;
    uid_t uid_ = 0;
    gid_t gid_ = 0;
    bool running_ = false;
    int databases_ = 0;
};

}  // namespace tavro::test
