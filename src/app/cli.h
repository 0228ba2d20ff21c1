// tavro-cli: the batch twin of the window.
//   tavro-cli (--kiss | --log | --satnogs) [OPTIONS] FILE...
//   tavro-cli --kiss-tcp HOST:PORT [--record-to FILE] [--reconnect] [OPTIONS]
//   tavro-cli --archive [PATH] --query [--from T] [--to T] [--csv PATH|-] [--dump PATH]
//   tavro-cli --archive [PATH] --archive-info
#pragma once

#include <cstdint>
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

#include "session.h"

namespace tavro::cli {

struct Options {
    InputKind kind = InputKind::Kiss;  // --kiss, --log, --satnogs
    std::optional<std::string> csvPath;
    std::optional<std::string> tlmPath;
    std::optional<std::string> dumpPath;
    int record = 1;  // 1-based
    char decimalSeparator = '.';
    bool dedupe = false;
    bool report = false;
    std::vector<std::string> files;
    // --kiss-tcp: live reception instead of files
    std::optional<std::string> host;
    std::uint16_t port = 0;
    std::optional<std::string> recordTo;
    bool reconnect = false;
    // --archive [PATH]: add every record read to the archive; "" until Main
    // puts the default place (conf.ini's ARCHIVE_PATH, else ProgramFolders)
    std::optional<std::string> archive;
    bool archiveMakeFolder = false;  // the default place in the user's folders: made on first use
    std::optional<std::int64_t> logDate;  // --log-date: midnight UTC of the first log line's day
    bool query = false;                   // --query: the archive's beacons, no input read
    std::optional<std::int64_t> fromMs, toMs;  // --from, --to
    bool archiveInfo = false;             // --archive-info
};

struct ParseResult {
    std::optional<Options> options;  // empty: usage error
    std::string error;
};

// defaultSeparator: the locale's, used when --decimal-separator is absent.
ParseResult ParseArguments(const std::vector<std::string>& args, char defaultSeparator);

// Runs the command; returns the exit status (0, 1 or 2).
int Run(const Options& options, std::ostream& err);
// --kiss-tcp: until the server closes the connection, or (with --reconnect)
// until SIGINT or SIGTERM. captureFolder: where the recording goes without
// --record-to; makeFolder: it is made when the first bytes arrive.
int RunLive(const Options& options, const std::string& captureFolder, bool makeFolder, std::ostream& err);
// --query and --archive-info: the archive read, nothing else.
int RunArchiveQuery(const Options& options, std::ostream& err);

// --archive: opens it for session; false (and the reason on err) when it cannot be.
bool StartArchiving(Session& session, const Options& options, std::ostream& err);
// The archive's share of the end: waits for the writes; false when some failed (said on err).
bool EndArchiving(Session& session, const Options& options, std::ostream& err);
// "tavro-cli: archive PATH: 300 beacons new, 600 receptions added\n"; empty when not archiving.
std::string ArchiveLine(const Session& session, const Options& options);

// argv[1..] -> exit status; what main() calls.
int Main(const std::vector<std::string>& args, std::ostream& err);

// The exports and the closing lines a session ends with, files or live.
// defaultCsv: without --csv and --tlm, the CSV named after the input.
bool WriteExports(const Session& session, const Options& o, bool defaultCsv, std::ostream& err);
void ReportEnd(const Session& session, const Options& o, std::ostream& err);

// Ends every usage error: "Try 'tavro-cli --help'."
extern const char* const kUsage;

}  // namespace tavro::cli
