// The engine session: the records of one selection and the state of reading
// them, behind the calls both front ends make. Sources push bytes; front
// ends read texts and chart rows; exports write files and apply every
// safety rule themselves.
//
//   Session s;
//   s.BeginSelection();
//   s.BeginFile("/data/pass1.kss", InputKind::Kiss);
//   s.Feed(slice); s.Feed(slice); ...        slices of any size
//   s.EndFile();                             or EndFile("No such file or directory")
//   s.EndSelection();
//   s.DisplayTexts(0)[0]    -> "norm"
//   s.ExportCsv().StatusText() -> "/data/pass1.csv has been written"
//
// The archive (archive.h) is fed by the session, never by a front end:
//   const ProgramFolders folders = ChooseFolders(FolderFactsOf(programFolder));
//   const Settings settings = LoadSettings(folders);      settings.archive: ARCHIVE=1/0
//   s.StartArchiving(settings.archivePath, folders.userFolders && settings.archivePath == folders.archiveFile)
//                                 -> "" or why it cannot be opened (the text names the archive)
//   s.SetLogDate(DateOf("2026-12-06"));   for the log files begun from now on (archive_query.h);
//                                 the window sets it in ReadObserver::FileStarting, before each file
//   ... selections and live streams as above: every record goes to the archive too
//   s.BeginFile("https://db.satnogs.org/...", InputKind::Satnogs, SourceKind::SatnogsDb);  a fetched page
//   s.ArchiveNewBeacons()        a counter to poll: it grows when new beacons are written
//   s.ArchiveStatus()            "", "archive: reconnecting…", "archive: database or disk is full"
//   s.WaitForArchive(); s.Summary().archived[i]   file i's beacons new and receptions added
//   s.LoadArchiveSpan({fromMs, toMs})  -> {loaded 10000, more 2500, error ""}: the beacons as a selection
//   s.StopArchiving();           waits for every write; so does the destructor
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "archive.h"
#include "channels.h"
#include "framing_report.h"
#include "record_table.h"

namespace tavro {

enum class InputKind { Kiss, Log, Satnogs };

// By the end of the name, in any case: ".log" a log, ".csv" and ".json" a
// SatNOGS export, anything else a KISS capture.
InputKind KindForPath(const std::string& path);

// What one file's (or live stream's) records did to the archive.
struct ArchiveCounts {
    long long beaconsNew = 0;
    long long receptionsAdded = 0;
    long long pending = 0;  // records handed to the archive and not yet written
    long long failed = 0;   // records not written: error says why
    std::string error;
};

// What a selection gave, for the status line and tavro-cli's summary.
struct SelectionSummary {
    int recordsStored = 0;
    long long framesNotStored = 0;      // table full
    long long duplicates = 0;           // merged away
    bool merging = false;               // duplicate frames are merged
    std::vector<std::string> failures;  // "cannot read PATH: reason", one per file
    std::vector<FramingReport> files;   // one per file read
    std::vector<ArchiveCounts> archived;  // one per file read while archiving; empty when not archiving

    // "250 records decoded, 0 frames not stored (table full), 0 files could not be read",
    // and ", 12 duplicate frames merged" when merging.
    std::string Text() const;
    // What the status line says after a read; empty when all went well:
    // "cannot read /d/b.kss: Permission denied; no housekeeping frames in c.kss (the file is empty)"
    std::string Notes() const;
};

// The framing report's cells (framing_report.h); while archiving, two more
// columns: "beacons new" and "receptions added".
std::vector<std::vector<std::string>> ReportRows(const SelectionSummary& summary);

// The outcome of one export.
struct ExportResult {
    bool ok = false;
    std::string path;   // empty when there was no input file to name it after
    std::string error;  // "Permission denied", "it is an input file", ...

    // "PATH has been written", "PATH could not be written: reason", "no input file"
    std::string StatusText() const;
};

// A live stream from a KISS TCP server or a serial TNC, read as a KISS capture and recorded.
struct StreamOptions {
    std::string name;           // "localhost:8001", "/dev/ttyUSB0", for the report
    std::string recordingPath;  // the capture written as it arrives
    bool recordingNamed = false;  // given by the user: written over; else a name not in use is taken
    bool makeFolder = false;      // the recording's folder is made when the first bytes arrive
    // Milliseconds since 1970 UTC; a housekeeping frame that came before the
    // connection's first time stamp frame takes it as its time. Empty: the system clock.
    std::function<std::int64_t()> clockMs;
    SourceKind kind = SourceKind::KissTcp;  // what the archive says the records came from (name is the source)
};

// "Open in the main window" of the archive's beacons.
struct ArchiveSelection {
    int loaded = 0;       // beacons in the table (at most RecordTable::kCapacity)
    long long more = 0;   // beacons of the span left out
    std::string error;    // why nothing was loaded; empty: loaded
};

// A file a live session writes: what it is, as the user knows it, and its
// path. {"--record-to", "same.kss"}, {"the recording", "/home/me/Documents/TAVRO/tavro_live_..."}
struct LiveOutput {
    std::string role;
    std::string path;
};

// One row of the chart: a record's value of the channel and its time text.
struct ChartRow {
    double value = 0;
    std::string time;  // printable (PrintableText), for the axis labels
};

class Session {
public:
    Session();
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    // --- settings: the "0.00" separator of texts and exports; merging of
    // duplicate frames (from the next selection on)
    void SetDecimalSeparator(char separator) { separator_ = separator; }
    char DecimalSeparator() const { return separator_; }
    void SetMergeDuplicates(bool merge) { table_.SetMergeDuplicates(merge); }
    bool MergeDuplicates() const { return table_.MergeDuplicates(); }
    // The TNC port (0 to 15) whose KISS data frames are read, in files and
    // live (from the next file or stream on); 0 by default.
    void SetKissPort(int port) { kissPort_ = port; }
    int KissPort() const { return kissPort_; }

    // --- sharing: every frame of the satellite that live streams deliver
    // (and KISS captures, with files set) goes to hook, command byte first,
    // with its time text. Unset, the readers do nothing more.
    using FrameHook = std::function<void(std::span<const std::uint8_t> kissFrame, std::string_view timeText)>;
    // Takes effect at once, also on a stream or file being read.
    void SetFrameHook(FrameHook hook, bool files);

    // --- sources: one selection is one table
    // A new table; the time text starts empty.
    void BeginSelection();
    // InputFilePath = path; the stamp numbers start at 0; the time text
    // carries over from the selection's previous file.
    void BeginFile(const std::string& path, InputKind kind);
    // The same, with what the archive says the records came from; for pages
    // fetched from SatNOGS DB: BeginFile(url, InputKind::Satnogs, SourceKind::SatnogsDb).
    // The plain BeginFile takes KissFile, LogFile or SatnogsFile by kind.
    void BeginFile(const std::string& path, InputKind kind, SourceKind sourceKind);
    // Every record is complete when Feed returns.
    void Feed(std::span<const std::uint8_t> bytes);
    // The bytes after the last frame or line end are read too. error: why
    // the file could not be read to its end (the records read stay).
    void EndFile(const std::string& error = {});
    void EndSelection();

    // --- a live stream: a selection of its own. Feed() takes what arrives.
    // The recording holds the bytes as received, but for a frame cut by a
    // dropped connection (left out, as it is not read) and the first 64 KiB
    // only of a longer frame; before each housekeeping frame that came
    // before the connection's first time stamp frame it holds a binary time
    // stamp frame of its arrival time. So it reads back to the records shown live.
    void BeginStream(StreamOptions options);
    // The connection dropped: the frame in progress is discarded.
    void StreamDropped();
    void EndStream();
    // The counts of the stream so far.
    FramingReport StreamReport() const;
    // The recording's path (another name when that one was taken, once
    // written), whether anything is written yet, and why it failed ("" while all is well).
    std::string RecordingPath() const;
    bool RecordingStarted() const;
    std::string RecordingError() const;
    // Checked before a live session starts, by every front end: its outputs
    // (the recording, the live CSV, the exports at the end, and any other file
    // it writes) never name one file, by the same name, through a link or
    // "..", or as hard links. "" when they do not, else both named:
    //   "--record-to same.kss and --csv same.kss are one file"
    //   "--record-to - and --csv - both write to standard output"
    static std::string LiveOutputsClash(const std::vector<LiveOutput>& outputs);
    // From now on every record stored is appended to path as a CSV row, the
    // header at once ("-": standard output).
    ExportResult StreamCsv(const std::string& path);

    // --- the archive. From StartArchiving on, every housekeeping record of
    // every source goes to it too, also those the table has no room for and
    // the duplicates it merges: each file in one transaction at its end, a
    // live stream's records as they arrive, written on a thread of their own.
    // Returns "" when the archive is open, else why not, naming it (nothing is archived):
    // "/d/x.sqlite is not a TAVRO archive (...)", "cannot add to the archive /d/a.sqlite: it is read-only".
    // makeFolder: a missing folder is made (the default place in the user's folders).
    std::string StartArchiving(const std::string& location, bool makeFolder = false);
    void StopArchiving();  // waits for every write
    bool Archiving() const;
    std::string ArchiveLocation() const;  // empty when not archiving
    void WaitForArchive();  // until every record handed over is written (or failed)
    std::string ArchiveStatus() const;
    std::uint64_t ArchiveNewBeacons() const;
    // The day (midnight UTC, ms since 1970) the first line of each log file
    // begun from now on is on; unset: log records have no UTC time.
    void SetLogDate(std::optional<std::int64_t> midnightMs);
    // A new selection of the beacons of span in the archive (archiving or
    // location), in the archive's order: the first RecordTable::kCapacity of
    // them, each a record whose time text is its UTC time
    // ("2026-12-06 10:17:04.000 UTC", empty without time). InputFilePath is
    // the archive's path. Not while a live stream runs.
    ArchiveSelection LoadArchiveSpan(const TimeSpan& span, const std::string& location = {});

    // --- what front ends show (records are read-only)
    int RecordCount() const { return table_.RecordCount(); }
    const RecordTable& Records() const { return table_; }
    // The 47 value texts of record index (0-based) by the display rules;
    // all empty when there is no such record.
    std::array<std::string, kChannelCount> DisplayTexts(int index) const;
    std::string_view TimeText(int index) const;
    std::vector<ChartRow> ChartRows(int channel) const;
    // The chart's read-out of record index: its number and time text, then
    // the value as its box shows it, with the unit:
    //   "#189  10:17:04.000 UTC\n5.01 nT"
    std::string ChartReadout(int index, int channel) const;
    // 5 ("Cmd valid") after a KISS capture, 16 ("Solar curr") after a log.
    int DefaultChartChannel() const;
    SelectionSummary Summary() const;
    const std::string& InputFilePath() const { return inputFilePath_; }
    const std::string& CurrentTimeText() const { return capture_.CurrentTimeText; }
    const std::vector<std::string>& SelectionFiles() const { return files_; }

    // --- exports. An empty path names the file after InputFilePath
    // (/data/pass1.kss -> /data/pass1.csv; /data/pass.csv, a file of the
    // selection -> /data/pass-decoded.csv); "-" is standard output.
    // Every export: never replaces a file of the selection; writes a
    // temporary file in the same folder and renames it; a replaced file keeps
    // its mode, a new one gets 0666 & ~umask; a pipe or device is written
    // into; a link is followed and stays.
    ExportResult ExportCsv(const std::string& path = {}) const;
    // The report of record index (0-based), from the record itself.
    ExportResult ExportTlm(int index, const std::string& path = {}) const;
    ExportResult ExportDump(const std::string& path) const;
    // The screenshot's bitmap, named after InputFilePath in imageFolder; a
    // name whose bitmap or PNG is taken gives NAME-2, NAME-3, ...
    ExportResult SavePicture(const std::string& imageFolder, std::string_view bitmap) const;

private:
    ExportResult Export(const std::string& path, std::string_view contents) const;
    ExportResult Export(const std::string& path, const std::function<std::string_view()>& pieces) const;
    // The file's records, not stored and duplicates since it began.
    void CountInto(FramingReport& report) const;
    // path, or the input file's name with extension; empty: no input file.
    std::string TargetPath(const std::string& path, const char* extension) const;

    struct FileReader;
    struct Live;
    void FeedLive(std::span<const std::uint8_t> bytes);
    void AppendCsvRows();
    RecordTable table_;
    CaptureState capture_;
    std::unique_ptr<FileReader> reader_;
    std::string inputFilePath_;
    InputKind lastKind_ = InputKind::Kiss;
    std::vector<std::string> files_;
    std::vector<std::string> failures_;
    std::vector<FramingReport> reports_;  // the files ended
    FramingReport current_;               // the file being read
    char separator_ = '.';
    int kissPort_ = 0;
    std::unique_ptr<Live> live_;
    FrameHook frameHook_;
    bool hookFiles_ = false;
    struct ArchiveSide;
    void HandToArchive(bool live);
    std::unique_ptr<ArchiveSide> archiving_;
    std::optional<std::int64_t> logDate_;
};

}  // namespace tavro
