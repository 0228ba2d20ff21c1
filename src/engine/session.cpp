#include "session.h"

#include <cctype>
#include <utility>
#include <variant>

#include "kiss_reader.h"
#include "log_reader.h"
#include "satnogs_reader.h"
#include "session_parts.h"
#include "value_text.h"

namespace tavro {

InputKind KindForPath(const std::string& path) {
    const auto dot = path.rfind('.');
    std::string ext = dot == std::string::npos || path.find('/', dot) != std::string::npos ? "" : path.substr(dot);
    for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (ext == ".log") return InputKind::Log;
    if (ext == ".csv" || ext == ".json") return InputKind::Satnogs;
    return InputKind::Kiss;
}

std::string SelectionSummary::Text() const {
    std::string text = std::to_string(recordsStored) + " records decoded, " + std::to_string(framesNotStored) +
                       " frames not stored (table full), " + std::to_string(failures.size()) +
                       " files could not be read";
    if (merging) text += ", " + std::to_string(duplicates) + " duplicate frames merged";
    return text;
}

std::string SelectionSummary::Notes() const {
    std::vector<std::string> notes = failures;
    for (const FramingReport& file : files)
        if (std::string none = NoRecordsText(file); !none.empty()) notes.push_back(std::move(none));
    if (framesNotStored > 0) notes.push_back("housekeeping frames not stored (table full): " + std::to_string(framesNotStored));
    if (duplicates > 0) notes.push_back(std::to_string(duplicates) + " duplicate frames merged");
    std::string text;
    for (const std::string& note : notes) text += (text.empty() ? "" : "; ") + note;
    return text;
}

Session::Session() = default;
Session::~Session() {
    EndStream();
    StopArchiving();  // waits for every write
}

void Session::BeginSelection() {
    HandToArchive(live_ != nullptr);  // a file left unfinished keeps what was read of it
    if (archiving_) archiving_->tickets.clear(), archiving_->ticket = -1;
    live_.reset();
    reader_.reset();
    table_.Reset();
    capture_.CurrentTimeText.clear();
    files_.clear();
    failures_.clear();
    reports_.clear();
}

namespace {
template <typename Reader>
std::variant<KissReader, LogReader, SatnogsReader> Make(CaptureState& c, RecordTable& t, FramingReport& r) {
    return std::variant<KissReader, LogReader, SatnogsReader>(std::in_place_type<Reader>, c, t, r);
}
}  // namespace

void Session::BeginFile(const std::string& path, InputKind kind) {
    BeginFile(path, kind,
              kind == InputKind::Log       ? SourceKind::LogFile
              : kind == InputKind::Satnogs ? SourceKind::SatnogsFile
                                           : SourceKind::KissFile);
}

void Session::BeginFile(const std::string& path, InputKind kind, SourceKind sourceKind) {
    if (reader_) EndFile();
    inputFilePath_ = path;
    lastKind_ = kind;
    files_.push_back(path);
    current_ = FramingReport{};
    current_.file = path;
    auto make = kind == InputKind::Log ? Make<LogReader> : kind == InputKind::Satnogs ? Make<SatnogsReader> : Make<KissReader>;
    reader_.reset(new FileReader{make(capture_, table_, current_), table_.RecordCount(), table_.FramesNotStored(),
                                 table_.Duplicates()});
    capture_.sink = nullptr;
    if (archiving_) {
        archiving_->feed.Begin(path, sourceKind, logDate_);
        archiving_->ticket = archiving_->writer.NewTicket();
        capture_.sink = &archiving_->feed;
    }
}

void Session::Feed(std::span<const std::uint8_t> bytes) {
    if (live_) return FeedLive(bytes);
    if (reader_) std::visit([&](auto& r) { r.Feed(bytes); }, reader_->reader);
}

void Session::EndFile(const std::string& error) {
    if (!reader_) return;
    std::visit([](auto& r) { r.Finish(); }, reader_->reader);
    std::string why = error;
    if (const auto* satnogs = std::get_if<SatnogsReader>(&reader_->reader); satnogs && why.empty()) why = satnogs->Error();
    CountInto(current_);
    current_.error = why;
    HandToArchive(false);  // the file's records: one transaction
    reports_.push_back(current_);
    if (archiving_) archiving_->tickets.push_back(std::exchange(archiving_->ticket, -1));
    reader_.reset();
    if (!why.empty()) failures_.push_back("cannot read " + inputFilePath_ + ": " + why);
}

void Session::CountInto(FramingReport& report) const {
    report.stored = table_.RecordCount() - reader_->stored;
    report.notStored = table_.FramesNotStored() - reader_->notStored;
    report.duplicates = table_.Duplicates() - reader_->duplicates;
}

void Session::EndSelection() {
    if (live_) return EndStream();
    reader_.reset();
}

std::array<std::string, kChannelCount> Session::DisplayTexts(int index) const {
    std::array<std::string, kChannelCount> texts;
    if (index < 0 || index >= RecordCount()) return texts;
    const TelemetryRecord& r = table_[index];
    for (int i = 0; i < kChannelCount; ++i)
        texts[static_cast<std::size_t>(i)] = DisplayText(i, r.Channels[static_cast<std::size_t>(i)], separator_);
    return texts;
}

std::string_view Session::TimeText(int index) const {
    return index >= 0 && index < RecordCount() ? table_[index].TimeText.View() : std::string_view();
}

int Session::DefaultChartChannel() const { return lastKind_ == InputKind::Log ? 16 : 5; }

SelectionSummary Session::Summary() const {
    SelectionSummary summary{RecordCount(), table_.FramesNotStored(), table_.Duplicates(), table_.MergeDuplicates(),
                             failures_, reports_, {}};
    if (live_) summary.files.push_back(StreamReport());  // the connection so far
    if (archiving_) {
        std::vector<int> tickets = archiving_->tickets;
        if (live_) tickets.push_back(archiving_->ticket);
        for (int ticket : tickets) {
            const ArchiveOutcome o = archiving_->writer.Outcome(ticket);
            summary.archived.push_back({o.beaconsNew, o.receptionsAdded, o.recordsQueued, o.recordsFailed, o.error});
        }
    }
    return summary;
}

}  // namespace tavro
