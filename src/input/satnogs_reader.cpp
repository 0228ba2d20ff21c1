#include "satnogs_reader.h"

#include <algorithm>
#include <nlohmann/json.hpp>

#include "kiss_reader.h"

namespace tavro {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view Trim(std::string_view s) {
    while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
    return s;
}

bool Digits(std::string_view s, std::size_t from, std::size_t count) {
    if (s.size() < from + count) return false;
    for (std::size_t i = from; i < from + count; ++i)
        if (s[i] < '0' || s[i] > '9') return false;
    return true;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

// Oldest first; the fractions compare as decimals (".5" after ".123").
bool Earlier(const std::string& a, const std::string& b) {
    const std::size_t n = std::max(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        const char x = i < a.size() ? a[i] : '0', y = i < b.size() ? b[i] : '0';
        if (x != y) return x < y;
    }
    return false;
}

}  // namespace

bool SatnogsTimeText(std::string_view time, std::string& text, std::string& sortKey) {
    const std::string_view t = Trim(time);
    // YYYY-MM-DD?hh:mm:ss
    if (t.size() < 19 || !Digits(t, 0, 4) || t[4] != '-' || !Digits(t, 5, 2) || t[7] != '-' || !Digits(t, 8, 2) ||
        (t[10] != ' ' && t[10] != 'T') || !Digits(t, 11, 2) || t[13] != ':' || !Digits(t, 14, 2) || t[16] != ':' ||
        !Digits(t, 17, 2))
        return false;
    std::string_view rest = t.substr(19), fraction;
    if (!rest.empty() && rest.front() == '.') {
        std::size_t n = 1;
        while (n < rest.size() && rest[n] >= '0' && rest[n] <= '9') ++n;
        if (n == 1) return false;  // a point without digits
        fraction = rest.substr(1, n - 1);
        rest.remove_prefix(n);
    }
    if (rest == "Z") rest = {};
    if (!rest.empty()) return false;
    std::string milli(fraction.substr(0, 3));
    milli.resize(3, '0');
    text.assign(t.substr(0, 10)).append(" ").append(t.substr(11, 8)).append(".").append(milli).append(" UTC");
    sortKey.clear();
    for (char c : t.substr(0, 19))
        if (c >= '0' && c <= '9') sortKey += c;
    sortKey.append(fraction);
    return true;
}

// SatNOGS DB's own entries name the station that heard the frame:
//   "station_id": 1234 (or "1234"), "observer": "DL1XYZ-JN58"
void SatnogsReader::NameStation(const nlohmann::json& element, Entry& entry) {
    if (const auto id = element.find("station_id"); id != element.end()) {
        if (id->is_number_integer()) entry.stationId = std::to_string(id->get<long long>());
        else if (id->is_string()) entry.stationId = std::string(Trim(id->get_ref<const std::string&>()));
    }
    if (const auto observer = element.find("observer"); observer != element.end() && observer->is_string())
        entry.observer = std::string(Trim(observer->get_ref<const std::string&>()));
}

void SatnogsReader::AddEntry(std::string_view time, std::string_view hex) {
    ++report_.frames;
    Entry entry;
    hex = Trim(hex);
    bool ok = SatnogsTimeText(time, entry.timeText, entry.sortKey) && hex.size() >= 2 && hex.size() % 2 == 0;
    for (std::size_t i = 0; ok && i < hex.size(); i += 2) {
        const int hi = HexDigit(hex[i]), lo = HexDigit(hex[i + 1]);
        ok = hi >= 0 && lo >= 0;
        entry.frame.push_back(static_cast<std::uint8_t>(hi * 16 + lo));
    }
    if (!ok) {
        ++report_.badEntries;
        return;
    }
    entries_.push_back(std::move(entry));
}

void SatnogsReader::Feed(std::span<const std::uint8_t> bytes) {
    report_.bytes += static_cast<long long>(bytes.size());
    std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    if (form_ == Form::Unknown) {
        // Blanks and line ends before the first character keep the form open.
        const auto first = text.find_first_not_of(" \t\r\n");
        if (first == std::string_view::npos) {
            pending_.append(text);
            return;
        }
        form_ = text[first] == '[' ? Form::Json : Form::Csv;
        if (form_ == Form::Csv) {
            std::string before;
            before.swap(pending_);
            FeedCsv(before);
        }
    }
    if (form_ == Form::Json) pending_.append(text);
    else FeedCsv(text);
}

// Lines end at LF, CR LF or CR.
void SatnogsReader::FeedCsv(std::string_view text) {
    for (char c : text) {
        if (afterCR_) {
            afterCR_ = false;
            if (c == '\n') continue;
        }
        if (c == '\n' || c == '\r') {
            afterCR_ = c == '\r';
            EndCsvLine();
        } else {
            pending_ += c;
        }
    }
}

void SatnogsReader::EndCsvLine() {
    const std::string_view line = pending_;
    if (line.find_first_not_of(" \t") != std::string_view::npos) {
        const auto bar = line.find('|');
        if (bar == std::string_view::npos) {
            ++report_.frames;
            ++report_.badEntries;
        } else {
            const std::string_view rest = line.substr(bar + 1);
            AddEntry(line.substr(0, bar), rest.substr(0, rest.find('|')));
        }
    }
    pending_.clear();
}

void SatnogsReader::Finish() {
    if (form_ == Form::Csv) {
        EndCsvLine();
    } else if (form_ == Form::Json) {
        const nlohmann::json json = nlohmann::json::parse(pending_, nullptr, false);
        pending_.clear();
        if (json.is_discarded() || !json.is_array()) {
            error_ = "not valid JSON";
            entries_.clear();
            return;
        }
        for (const nlohmann::json& element : json) {
            const bool usable = element.is_object() && element.contains("timestamp") && element.contains("frame") &&
                                element["timestamp"].is_string() && element["frame"].is_string();
            if (!usable) {
                ++report_.frames;
                ++report_.badEntries;
                continue;
            }
            const std::size_t before = entries_.size();
            AddEntry(element["timestamp"].get_ref<const std::string&>(), element["frame"].get_ref<const std::string&>());
            if (entries_.size() > before) NameStation(element, entries_.back());
        }
    }
    std::stable_sort(entries_.begin(), entries_.end(),
                     [](const Entry& a, const Entry& b) { return Earlier(a.sortKey, b.sortKey); });
    static constexpr std::array<double, 3> kNoStamps{};
    for (const Entry& entry : entries_) {
        // The command byte at position 1, the frame from 2, cut at the buffer's end, zero behind.
        FrameBuffer& buffer = state_.frameBuffer;
        buffer.Clear();
        const std::size_t kept = std::min<std::size_t>(entry.frame.size(), FrameBuffer::kSize - 1);
        std::copy_n(entry.frame.begin(), kept, &buffer(2));
        const long long n = static_cast<long long>(entry.frame.size()) + 1;
        state_.FrameLength = n > 32767 ? 0 : static_cast<int>(n);
        state_.CurrentTimeText = entry.timeText;
        if (ClassifyKissFrame(state_, n, report_) == KissFrame::Housekeeping)
            StoreHousekeeping(state_, kNoStamps, table_, n, entry.stationId, entry.observer);
    }
    entries_.clear();
}

}  // namespace tavro
