// tavro-cli: the batch twin of the window.
//   tavro-cli (--kiss | --log | --satnogs) [OPTIONS] FILE...
//   tavro-cli --kiss-tcp HOST:PORT [--record-to FILE] [--reconnect] [OPTIONS]
//   tavro-cli --kiss-serial DEVICE[:BAUD] [--record-to FILE] [--reconnect] [OPTIONS]
//   tavro-cli --archive [PATH] --query [--from T] [--to T] [--csv PATH|-] [--dump PATH]
//   tavro-cli --archive [PATH] --archive-info
#pragma once

#include <cstdint>
#include <iosfwd>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "conf_ini.h"
#include "session.h"
#include "sharing.h"

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
    // --kiss-serial: live reception from a serial TNC
    std::optional<std::string> serialDevice;
    std::optional<int> baud;      // given after the device; else conf.ini's KISS_SERIAL_BAUD
    std::optional<int> kissPort;  // --kiss-port; else conf.ini's KISS_TNC_PORT
    bool Live() const { return host || serialDevice; }
    // --share: live frames and KISS captures read go to SatNOGS (SiDS);
    // --share-dry-run: each request body on standard output, nothing sent
    bool share = false;
    bool shareDryRun = false;
    // --satnogs-db [--from T] [--to T]: fetch the network's frames into the archive
    bool satnogsDb = false;
    std::string shareArchive;          // where the upload queue is (Main fills it in)
    std::string defaultSqliteArchive;  // where the SQLite archive would be
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

// Runs the command with conf.ini's settings; returns the exit status (0, 1 or 2).
int Run(const Options& options, const Settings& settings, std::ostream& err);
// --kiss-tcp, --kiss-serial: until the server closes the connection or the
// device is lost, or (with --reconnect) until SIGINT or SIGTERM. settings:
// conf.ini's, for the recording's folder (captureFolder) and the serial line;
// makeFolder: the folder is made when the first bytes arrive.
int RunLive(const Options& options, const Settings& settings, bool makeFolder, std::ostream& err);
// --satnogs-db: the network's frames fetched into the archive, progress on err.
int RunSatnogsDb(const Options& options, std::ostream& err);

// The folder of the running program, where conf.ini is looked for.
std::string ProgramFolder();
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

// --share and --share-dry-run: sharing attached to session, with the
// station's settings of conf.ini and the queue in the archive; null
// without either option. out: the dry run's lines.
std::unique_ptr<Sharing> StartSharing(const Options& o, Session& session, bool live, std::ostream& out);
// The counts on err; false when frames still wait or nothing could be shared.
bool EndSharing(Sharing* sharing, std::ostream& err);


// Ends every usage error: "Try 'tavro-cli --help'."
extern const char* const kUsage;

}  // namespace tavro::cli
