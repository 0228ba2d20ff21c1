#include "archive_query.h"

#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

#include "atomic_file.h"
#include "csv_writer.h"
#include "dump_writer.h"
#include "utc_time.h"

namespace tavro {

namespace {

bool IsDigits(std::string_view s) {
    if (s.empty()) return false;
    for (char c : s)
        if (c < '0' || c > '9') return false;
    return true;
}

// The rows of the beacons, made on a thread of their own while the file
// takes the pieces made so far: ForEachBeacon calls back, the file pulls.
class BeaconPieces {
public:
    using MakeRow = std::function<void(std::string&, const Beacon&)>;
    BeaconPieces(Archive& archive, const TimeSpan& span, std::string header, MakeRow row) : piece_(std::move(header)) {
        thread_ = std::thread([this, &archive, span, row = std::move(row)] {
            std::string piece;
            piece.swap(piece_);
            const bool ok = archive.ForEachBeacon(span, [&](const Beacon& beacon) {
                row(piece, beacon);
                return piece.size() < kPieceBytes || Hand(piece);
            });
            Hand(piece);
            const std::lock_guard lock(mutex_);
            if (!ok && !cancel_) error_ = archive.Error();
            done_ = true;
            changed_.notify_all();
        });
    }
    ~BeaconPieces() {
        {
            const std::lock_guard lock(mutex_);
            cancel_ = true;
        }
        changed_.notify_all();
        thread_.join();
    }
    std::string_view Next() {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [this] { return done_ || !ready_.empty(); });
        if (ready_.empty()) return {};
        piece_ = std::move(ready_.front());
        ready_.pop_front();
        changed_.notify_all();
        return piece_;
    }
    std::string Error() {
        const std::lock_guard lock(mutex_);
        return error_;
    }

private:
    static constexpr std::size_t kPieceBytes = 64 * 1024;
    static constexpr std::size_t kPiecesAhead = 4;
    // false: the file gave up (a failed write), so reading stops.
    bool Hand(std::string& piece) {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [this] { return cancel_ || ready_.size() < kPiecesAhead; });
        if (cancel_) return false;
        if (!piece.empty()) ready_.push_back(std::move(piece));
        piece.clear();
        changed_.notify_all();
        return true;
    }

    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<std::string> ready_;
    std::string piece_;  // the header at first, then the piece Next() gave
    bool done_ = false, cancel_ = false;
    std::string error_;
    std::thread thread_;
};

ExportResult WriteBeacons(Archive& archive, const TimeSpan& span, const std::string& path, std::string header,
                          BeaconPieces::MakeRow row) {
    BeaconPieces pieces(archive, span, std::move(header), std::move(row));
    const WriteResult written = WriteFileAtomically(path, [&pieces] { return pieces.Next(); });
    const std::string readError = pieces.Error();
    if (!readError.empty()) return {false, path, "reading the archive failed: " + readError};
    return {written.ok, path, written.error};
}

}  // namespace

std::optional<std::int64_t> QueryTimeOf(std::string_view text) {
    if (text.size() < 10) return std::nullopt;
    std::string full(text.substr(0, 10));
    std::string_view rest = text.substr(10);
    if (rest.empty()) return UtcMillisecondsOf(full + " 00:00:00");
    // " hh:mm", then ":ss", then ".f" to ".fffffffff"
    if (rest.size() < 6 || rest[0] != ' ' || !IsDigits(rest.substr(1, 2)) || rest[3] != ':' || !IsDigits(rest.substr(4, 2)))
        return std::nullopt;
    full.append(rest.substr(0, 6));
    rest.remove_prefix(6);
    if (rest.empty()) return UtcMillisecondsOf(full + ":00");
    if (rest.size() < 3 || rest[0] != ':' || !IsDigits(rest.substr(1, 2))) return std::nullopt;
    full.append(rest.substr(0, 3));
    rest.remove_prefix(3);
    if (!rest.empty() && (rest[0] != '.' || !IsDigits(rest.substr(1)))) return std::nullopt;
    return UtcMillisecondsOf(full + std::string(rest));  // the fraction's digits are checked there
}

std::optional<std::int64_t> DateOf(std::string_view text) {
    return text.size() == 10 ? QueryTimeOf(text) : std::nullopt;
}

ExportResult ExportArchiveCsv(Archive& archive, const TimeSpan& span, const std::string& path, char separator) {
    return WriteBeacons(archive, span, path, "UTC time;" + CsvHeader(), [separator](std::string& out, const Beacon& b) {
        if (b.timeMs) out += UtcText(*b.timeMs);
        out += ';';
        TelemetryRecord record;
        record.Channels = b.values;
        AppendCsvRow(out, record, separator);
    });
}

ExportResult ExportArchiveDump(Archive& archive, const TimeSpan& span, const std::string& path) {
    std::string header = "beacon\tUTC time\treceptions\tlayout";
    for (const ChannelInfo& c : ChannelCatalogue) header.append("\t").append(c.name);
    long long n = 0;
    return WriteBeacons(archive, span, path, header + "\n", [n](std::string& out, const Beacon& b) mutable {
        out += std::to_string(++n);
        out += '\t';
        if (b.timeMs) out += UtcText(*b.timeMs);
        out += '\t';
        out += std::to_string(b.receptions);
        out += b.layout == RecordLayout::Log ? "\tlog" : "\tkiss";
        for (double v : b.values) {
            out += '\t';
            AppendShortest(out, v);
        }
        out += '\n';
    });
}

std::string ArchiveInfoText(const ArchiveInfo& info) {
    const auto time = [](const std::optional<std::int64_t>& ms) { return ms ? UtcText(*ms) : std::string("-"); };
    std::string text = "path: " + info.location + "\nschema version: " + std::to_string(info.schemaVersion) +
                       "\nbeacons: " + std::to_string(info.beacons) + "\nreceptions: " + std::to_string(info.receptions) +
                       "\nbeacons without time: " + std::to_string(info.beaconsWithoutTime) +
                       "\nfirst time: " + time(info.firstMs) + "\nlast time: " + time(info.lastMs) + "\n";
    if (info.fileBytes) text += "file size: " + std::to_string(*info.fileBytes) + " bytes\n";
    return text;
}

}  // namespace tavro
