// The session's live stream: what arrives from a KISS TCP server is read
// as a KISS capture, recorded as received, and (on request) written out as
// CSV rows while it arrives.
#include <cstring>
#include <utility>
#include <variant>

#include "csv_writer.h"
#include "file_identity.h"
#include "growing_file.h"
#include "kiss_reader.h"
#include "log_reader.h"
#include "satnogs_reader.h"
#include "session.h"
#include "session_parts.h"
#include "time_stamp.h"

namespace tavro {

namespace {
constexpr std::size_t kRecordedFrameBytes = 64 * 1024;  // beyond this a frame's bytes are left out

// C0 09 <8 bytes, big-endian milliseconds, escaped> C0
std::string BinaryStampFrame(std::int64_t ms) {
    std::string frame = "\xC0\x09";
    for (int shift = 56; shift >= 0; shift -= 8) {
        const auto b = static_cast<std::uint8_t>(static_cast<std::uint64_t>(ms) >> shift);
        if (b == KissReader::FEND) frame += "\xDB\xDC";
        else if (b == KissReader::FESC) frame += "\xDB\xDD";
        else frame += static_cast<char>(b);
    }
    return frame + "\xC0";
}
}  // namespace

void Session::BeginStream(StreamOptions options) {
    BeginSelection();
    BeginFile(options.recordingPath, InputKind::Kiss);
    current_.file = options.name;
    if (archiving_) archiving_->feed.Begin(options.name, options.kind);
    if (!options.clockMs) options.clockMs = NowMilliseconds;
    std::get<KissReader>(reader_->reader).SetArrivalClock(options.clockMs);
    const GrowingFile::Name name = options.recordingNamed ? GrowingFile::Name::AsGiven : GrowingFile::Name::Unused;
    const bool makeFolder = options.makeFolder;
    live_.reset(new Live{std::move(options), GrowingFile(inputFilePath_, name, {}, makeFolder), {}, nullptr, 0});
}

// The stream is cut at every FEND, so the reader ends at most one frame per
// piece, and that frame's bytes go to the recording once it is complete,
// behind its arrival time stamp when it took one.
void Session::FeedLive(std::span<const std::uint8_t> bytes) {
    auto& reader = std::get<KissReader>(reader_->reader);
    while (!bytes.empty()) {
        const void* fend = std::memchr(bytes.data(), KissReader::FEND, bytes.size());
        const std::size_t n = fend ? static_cast<std::size_t>(static_cast<const std::uint8_t*>(fend) - bytes.data()) + 1
                                   : bytes.size();
        const std::span<const std::uint8_t> piece = bytes.first(n);
        bytes = bytes.subspan(n);
        reader.Feed(piece);
        Live& live = *live_;
        const std::size_t room = kRecordedFrameBytes - std::min(live.held.size(), kRecordedFrameBytes);
        live.held.append(reinterpret_cast<const char*>(piece.data()), std::min(room, fend ? n - 1 : n));
        if (!fend) continue;
        live.held += static_cast<char>(KissReader::FEND);
        if (const auto arrival = reader.TakeArrivalStamp()) live.recording.Append(BinaryStampFrame(*arrival));
        live.recording.Append(live.held);
        live.held.clear();
        // A name in use gives the recording another one: exports follow it.
        if (live.recording.Opened()) inputFilePath_ = files_.back() = live.recording.Path();
    }
    AppendCsvRows();
    HandToArchive(true);
}

void Session::StreamDropped() {
    if (!live_) return;
    std::get<KissReader>(reader_->reader).Drop();
    live_->held.clear();
}

void Session::EndStream() {
    if (!live_) return;
    StreamDropped();
    AppendCsvRows();
    CountInto(current_);
    HandToArchive(true);
    reports_.push_back(current_);
    if (archiving_) archiving_->tickets.push_back(std::exchange(archiving_->ticket, -1));
    reader_.reset();
    live_.reset();
}

FramingReport Session::StreamReport() const {
    FramingReport report = live_ || reports_.empty() ? current_ : reports_.back();
    if (live_) CountInto(report);
    return report;
}

std::string Session::RecordingPath() const { return live_ ? live_->recording.Path() : std::string(); }
bool Session::RecordingStarted() const { return live_ && live_->recording.Opened(); }
std::string Session::RecordingError() const { return live_ ? live_->recording.Error() : std::string(); }

std::string Session::LiveOutputsClash(const std::vector<LiveOutput>& outputs) {
    for (std::size_t i = 0; i < outputs.size(); ++i)
        for (std::size_t j = i + 1; j < outputs.size(); ++j) {
            const std::string both = outputs[i].role + " " + outputs[i].path + " and " + outputs[j].role + " " + outputs[j].path;
            // Rows arriving on standard output would be mixed with whatever else goes there.
            if (outputs[i].path == "-" && outputs[j].path == "-") return both + " both write to standard output";
            if (SameOutputFile(outputs[i].path, outputs[j].path)) return both + " are one file";
        }
    return {};
}

ExportResult Session::StreamCsv(const std::string& path) {
    if (!live_) return {false, path, "no live stream"};
    // Even where a front end forgot to ask LiveOutputsClash: never into the recording.
    if (SameOutputFile(path, live_->recording.Path())) return {false, path, "it is the recording"};
    live_->csv = std::make_unique<GrowingFile>(path, GrowingFile::Name::AsGiven, files_);
    live_->csvRows = 0;
    const bool ok = live_->csv->Append(CsvHeader());
    AppendCsvRows();
    return {ok, path, live_->csv->Error()};
}

void Session::AppendCsvRows() {
    if (!live_ || !live_->csv || !live_->csv->Error().empty() || live_->csvRows >= RecordCount()) return;
    std::string rows;
    for (; live_->csvRows < RecordCount(); ++live_->csvRows) AppendCsvRow(rows, table_[live_->csvRows], separator_);
    live_->csv->Append(rows);
}

}  // namespace tavro
