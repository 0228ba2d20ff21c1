#include "session.h"

#include <cctype>
#include <variant>

#include "kiss_reader.h"
#include "log_reader.h"
#include "value_text.h"

namespace tavro {

InputKind KindForPath(const std::string& path) {
    if (path.size() < 4) return InputKind::Kiss;
    std::string ext = path.substr(path.size() - 4);
    for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return ext == ".log" ? InputKind::Log : InputKind::Kiss;
}

std::string SelectionSummary::Text() const {
    return std::to_string(recordsStored) + " records decoded, " + std::to_string(framesNotStored) +
           " frames not stored (table full), " + std::to_string(failures.size()) + " files could not be read";
}

std::string SelectionSummary::ProblemText() const {
    std::string text;
    for (const std::string& failure : failures) text += (text.empty() ? "" : "; ") + failure;
    if (framesNotStored > 0)
        text += (text.empty() ? "" : "; ") + std::string("housekeeping frames not stored (table full): ") +
                std::to_string(framesNotStored);
    return text;
}

struct Session::FileReader {
    std::variant<KissReader, LogReader> reader;
};

Session::Session() = default;
Session::~Session() = default;

void Session::BeginSelection() {
    reader_.reset();
    table_.Reset();
    capture_.CurrentTimeText.clear();
    files_.clear();
    failures_.clear();
}

void Session::BeginFile(const std::string& path, InputKind kind) {
    inputFilePath_ = path;
    lastKind_ = kind;
    files_.push_back(path);
    if (kind == InputKind::Log)
        reader_.reset(new FileReader{std::variant<KissReader, LogReader>(std::in_place_type<LogReader>, capture_, table_)});
    else
        reader_.reset(new FileReader{std::variant<KissReader, LogReader>(std::in_place_type<KissReader>, capture_, table_)});
}

void Session::Feed(std::span<const std::uint8_t> bytes) {
    if (reader_) std::visit([&](auto& r) { r.Feed(bytes); }, reader_->reader);
}

void Session::EndFile(const std::string& error) {
    if (reader_) std::visit([](auto& r) { r.Finish(); }, reader_->reader);
    reader_.reset();
    if (!error.empty()) failures_.push_back("cannot read " + inputFilePath_ + ": " + error);
}

void Session::EndSelection() { reader_.reset(); }

std::array<std::string, kChannelCount> Session::DisplayTexts(int index) const {
    std::array<std::string, kChannelCount> texts;
    if (index < 0 || index >= RecordCount()) return texts;
    const TelemetryRecord& r = table_[index];
    for (int i = 0; i < kChannelCount; ++i)
        texts[static_cast<std::size_t>(i)] = DisplayText(i, r.Channels[static_cast<std::size_t>(i)], separator_);
    return texts;
}

const std::string& Session::TimeText(int index) const {
    static const std::string kNone;
    return index >= 0 && index < RecordCount() ? table_[index].TimeText : kNone;
}

int Session::DefaultChartChannel() const { return lastKind_ == InputKind::Log ? 16 : 5; }

SelectionSummary Session::Summary() const { return {RecordCount(), table_.FramesNotStored(), failures_}; }

}  // namespace tavro
