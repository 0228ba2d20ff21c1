#include "cli_help.h"

#include <ostream>

#include "tavro_build_info.h"

namespace tavro::cli {

const char* const kHelpText =
    R"(Usage: tavro-cli (--kiss | --log | --satnogs) [OPTIONS] FILE...
       tavro-cli --kiss-tcp HOST:PORT [--record-to FILE] [--reconnect] [OPTIONS]
       tavro-cli --archive [PATH] --query [--from T] [--to T] [--csv PATH|-] [--dump PATH]
       tavro-cli --archive [PATH] --archive-info

Decodes the housekeeping beacons of the TAVRO CubeSat into its 47 engineering
channels and writes them as CSV, as the TLM report of one record, or as a
full-precision table. The FILEs are read in order into one table.

Input:
  --kiss                 KISS capture files
  --log                  text log files, one received frame a line
  --satnogs              SatNOGS frame exports: CSV (TIMESTAMP|HEX lines) or
                         JSON (an array of objects with "timestamp" and "frame")
  --kiss-tcp HOST:PORT   live reception from a KISS TCP server (Direwolf: port
                         8001; UZ7HO soundmodem, gr-satellites: 8100); the bytes
                         received are recorded to tavro_live_YYYYMMDD_hhmmss.kss
                         in CAPTURE_PATH
  --record-to FILE       record the received bytes to FILE instead
  --reconnect            connect again whenever the server closes; ends on
                         SIGINT or SIGTERM (without it: when the server closes)

Output:
  --csv PATH             every record as CSV ("-": standard output); with
                         --kiss-tcp the rows are appended as records arrive
  --tlm PATH             the TLM report of one record ("-": standard output)
  --record N             the record of the TLM report, from 1 (default 1)
  --dump PATH            a tab-separated table of every record, full precision
  --decimal-separator C  "." or "," (default: from LC_ALL, LC_NUMERIC, LANG)
  --dedupe               merge duplicate frames: a frame whose 47 values equal
                         a stored record's is not stored
  --report               a framing report per file on standard error (with
                         --archive also the beacons new and receptions added)

Archive:
  --archive [PATH]       add every record read (also those the table has no
                         room for) to the archive at PATH, a SQLite file made
                         when missing; without PATH: ARCHIVE_PATH of conf.ini,
                         else tavro_archive.sqlite beside the program, else
                         ~/.local/share/tavro/archive.sqlite. A PATH must not
                         begin with "-"; write --archive=PATH to be sure
  --log-date YYYY-MM-DD  the day of a log's first line, so that its records
                         get a UTC time: a time earlier than the line before
                         is on the next day
  --query                write the archive's beacons, oldest first, as CSV
                         (default: standard output) with the UTC time in front,
                         or with --dump as a full-precision table
  --from T, --to T       only beacons from T (inclusive) to T (exclusive); T is
                         YYYY-MM-DD[ hh:mm[:ss[.fff]]] in UTC
  --archive-info         the archive's path, schema version, beacons,
                         receptions, beacons without time, first and last
                         time, and file size
  --help                 this text
  --version              the program's name and version

With neither --csv nor --tlm the CSV goes next to the last input file
(pass1.kss gives pass1.csv). A summary goes to standard error. CAPTURE_PATH
comes from conf.ini: see tavro-cli(1) for where it is looked up.

Exit status:
  0  success
  1  an input could not be read, a server could not be reached, an output
     could not be written, or the archive could not be opened or written to
     (the outputs of the files read are still written)
  2  usage error, or two outputs of a live session that are one file (or
     both standard output)

Examples:
  tavro-cli --kiss pass1.kss
  tavro-cli --log --csv - day1.log > day1.csv
  tavro-cli --kiss --tlm report.tlm --record 12 pass1.kss pass2.kss
  tavro-cli --kiss-tcp localhost:8001 --csv live.csv
  tavro-cli --archive --kiss --report pass1.kss
  tavro-cli --archive --query --from "2026-12-06" --to "2026-12-07" --csv day.csv
)";

std::string VersionLine(std::string_view program) { return std::string(program) + " " TAVRO_VERSION "\n"; }

std::optional<int> AnswerHelpOrVersion(const std::vector<std::string>& args, std::ostream& out) {
    for (const std::string& arg : args) {
        if (arg == "--") break;
        if (arg == "--help" || arg == "-h" || arg == "--version") {
            out << (arg == "--version" ? VersionLine("tavro-cli") : kHelpText) << std::flush;
            return out ? 0 : 1;
        }
    }
    return std::nullopt;
}

}  // namespace tavro::cli
