// The session's side of the archive: the readers tell the feed of every
// housekeeping record, the session hands each file's records (and a live
// stream's as they arrive) to the writer's thread, and counts what they did.
#include <filesystem>
#include <system_error>

#include "session.h"
#include "session_parts.h"
#include "utc_time.h"

namespace tavro {

std::vector<std::vector<std::string>> ReportRows(const SelectionSummary& summary) {
    std::vector<std::vector<std::string>> rows = ReportRows(summary.files);
    if (summary.archived.empty()) return rows;
    rows.front().insert(rows.front().end(), {"beacons new", "receptions added"});
    ArchiveCounts total;
    for (std::size_t i = 0; i < summary.files.size(); ++i) {
        const ArchiveCounts counts = i < summary.archived.size() ? summary.archived[i] : ArchiveCounts{};
        rows[i + 1].insert(rows[i + 1].end(), {std::to_string(counts.beaconsNew), std::to_string(counts.receptionsAdded)});
        total.beaconsNew += counts.beaconsNew;
        total.receptionsAdded += counts.receptionsAdded;
    }
    rows.back().insert(rows.back().end(), {std::to_string(total.beaconsNew), std::to_string(total.receptionsAdded)});
    return rows;
}

std::string Session::StartArchiving(const std::string& location, bool makeFolder) {
    StopArchiving();
    if (makeFolder) {
        const std::filesystem::path folder = std::filesystem::path(location).parent_path();
        std::error_code error;
        if (!folder.empty() && !std::filesystem::is_directory(folder, error) &&
            !std::filesystem::create_directories(folder, error) && error)
            return "cannot make the folder " + folder.string() + ": " + error.message();
    }
    OpenedArchive opened = OpenArchive(location);
    if (!opened.archive) return opened.error;
    if (opened.archive->ReadOnly()) return "cannot add to the archive " + location + ": it is read-only";
    archiving_.reset(new ArchiveSide{location, ArchiveWriter(std::move(opened.archive)), {}, -1, {}});
    return {};
}

void Session::StopArchiving() {
    if (!archiving_) return;
    HandToArchive(live_ != nullptr);
    capture_.sink = nullptr;
    archiving_.reset();  // the writer's thread ends once everything is written
}

bool Session::Archiving() const { return archiving_ != nullptr; }
std::string Session::ArchiveLocation() const { return archiving_ ? archiving_->location : std::string(); }

void Session::WaitForArchive() {
    if (archiving_) archiving_->writer.Wait();
}

std::string Session::ArchiveStatus() const { return archiving_ ? archiving_->writer.Status() : std::string(); }
std::uint64_t Session::ArchiveNewBeacons() const { return archiving_ ? archiving_->writer.NewBeacons() : 0; }

void Session::SetLogDate(std::optional<std::int64_t> midnightMs) { logDate_ = midnightMs; }

void Session::HandToArchive(bool live) {
    if (!archiving_ || archiving_->ticket < 0 || archiving_->feed.Empty()) return;
    archiving_->writer.Write(archiving_->ticket, archiving_->feed.Take(), live);
}

ArchiveSelection Session::LoadArchiveSpan(const TimeSpan& span, const std::string& location) {
    if (live_) return {0, 0, "a live connection is open"};
    const std::string where = location.empty() ? ArchiveLocation() : location;
    if (where.empty()) return {0, 0, "no archive"};
    WaitForArchive();  // what was read is there to load
    const OpenedArchive opened = OpenArchive(where, true);
    if (!opened.archive) return {0, 0, opened.error};

    BeginSelection();
    ArchiveSelection result;
    bool first = true;
    const bool ok = opened.archive->ForEachBeacon(span, [&](const Beacon& beacon) {
        if (RecordCount() >= RecordTable::kCapacity) {
            ++result.more;
            return true;
        }
        if (first) lastKind_ = beacon.layout == RecordLayout::Log ? InputKind::Log : InputKind::Kiss;
        first = false;
        TelemetryRecord* record = table_.Append();
        if (beacon.timeMs) record->TimeText = UtcText(*beacon.timeMs) + " UTC";
        record->Channels = beacon.values;
        table_.Commit();
        return true;
    });
    result.loaded = RecordCount();
    inputFilePath_ = where;
    files_ = {where};
    FramingReport report;
    report.file = where;
    report.stored = result.loaded;
    report.notStored = result.more;
    reports_ = {report};
    if (archiving_) archiving_->tickets = {-1};
    if (!ok) result.error = opened.archive->Error();
    return result;
}

}  // namespace tavro
