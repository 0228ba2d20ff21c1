#include "cli_help.h"

#include <ostream>

#include "tavro_build_info.h"

namespace tavro::cli {

const char* const kHelpText =
    R"(Usage: tavro-cli (--kiss | --log | --satnogs) [OPTIONS] FILE...
       tavro-cli --kiss-tcp HOST:PORT [--record-to FILE] [--reconnect] [OPTIONS]
       tavro-cli --kiss-serial DEVICE[:BAUD] [--record-to FILE] [--reconnect] [OPTIONS]
       tavro-cli --archive [PATH] --query [--from T] [--to T] [--csv PATH|-] [--dump PATH]
       tavro-cli --archive [PATH] --archive-info
       tavro-cli --archive [PATH] --satnogs-db [--from T] [--to T]

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
  --kiss-serial DEVICE[:BAUD]
                         live reception from a TNC on a serial line
                         (/dev/ttyUSB0, /dev/ttyACM0, /dev/rfcomm0, a link in
                         /dev/serial/by-id/) at 1200 to 115200 baud (default
                         KISS_SERIAL_BAUD, else 9600), recorded as --kiss-tcp is;
                         conf.ini's KISS_SERIAL_INIT puts the TNC into KISS mode
                         and KISS_SERIAL_FLOW=rtscts turns on RTS/CTS
  --record-to FILE       record the received bytes to FILE instead
  --reconnect            connect again whenever the server closes or open the
                         device again when it is lost (1, 2, 4, 8, 16, then
                         every 30 s); ends on SIGINT or SIGTERM (without it:
                         when the server closes or the device is lost)
  --kiss-port N          read the KISS data frames of TNC port N (0 to 15;
                         default KISS_TNC_PORT, else 0), in files and live

SatNOGS (station settings from conf.ini, see tavro-cli(1)):
  --share                share every frame of the satellite received live or
                         read from KISS captures with the SatNOGS database
                         (SiDS); frames wait in a queue in the archive (the
                         --archive PATH, else the default one) until the
                         server takes them; exit status 1 while some wait
  --share-dry-run        print each request body that --share would send, one
                         a line, and send nothing
  --satnogs-db           fetch the network's frames of SATNOGS_NORAD_ID from
                         the SatNOGS DB telemetry API (SATNOGS_DB_TOKEN) into
                         the archive; goes on from the newest frame fetched
                         before, the first time from 30 days back
                         (--from, --to: the span to fetch instead)

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
                         YYYY-MM-DD[ hh:mm[:ss[.fff]]] in UTC; with
                         --satnogs-db the span fetched
  --archive-info         the archive's path, schema version, beacons,
                         receptions, beacons without time, first and last
                         time, and file size
  --help                 this text
  --version              the program's name and version

With neither --csv nor --tlm the CSV goes next to the last input file
(pass1.kss gives pass1.csv; beside a file read, pass_satnogs.csv gives
pass_satnogs-decoded.csv). A summary goes to standard error. CAPTURE_PATH
and the KISS_ settings come from conf.ini: see tavro-cli(1) for where it is
looked up. A serial device needs the user in the dialout group.

Exit status:
  0  success
  1  an input could not be read, a server could not be reached, a serial
     device could not be opened, an output could not be written, the
     archive could not be opened or written to (the outputs of the files
     read are still written), frames to share still wait, or a fetch from
     SatNOGS DB stopped
  2  usage error, or two outputs of a live session that are one file (or
     both standard output)

Examples:
  tavro-cli --kiss pass1.kss
  tavro-cli --log --csv - day1.log > day1.csv
  tavro-cli --kiss --tlm report.tlm --record 12 pass1.kss pass2.kss
  tavro-cli --kiss-tcp localhost:8001 --csv live.csv
  tavro-cli --kiss-serial /dev/ttyUSB0:9600 --reconnect --csv live.csv
  tavro-cli --kiss --kiss-port 2 rec.kss
  tavro-cli --archive --kiss --report pass1.kss
  tavro-cli --archive --query --from "2026-12-06" --to "2026-12-07" --csv day.csv
  tavro-cli --kiss-tcp localhost:8001 --reconnect --share
  tavro-cli --archive --satnogs-db --from 2026-12-01
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
