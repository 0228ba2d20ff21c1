#include "satnogs_export.h"

#include <algorithm>
#include <string>
#include <vector>

#include "frame_encoder.h"
#include "kiss_decoder.h"
#include "time_stamp.h"

namespace tavro::passgen {

namespace {

// "2026-11-28 10:14:00.131 UTC..." -> milliseconds since 1970 (days from the civil date).
std::int64_t Milliseconds(const std::string& t) {
    const auto n = [&](std::size_t at, std::size_t len) { return std::stoll(t.substr(at, len)); };
    long long y = n(0, 4), m = n(5, 2), d = n(8, 2);
    y -= m <= 2;
    const long long era = y / 400, yoe = y - era * 400;
    const long long doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const long long days = era * 146097 + yoe * 365 + yoe / 4 - yoe / 100 + doy - 719468;
    return ((days * 24 + n(11, 2)) * 60 + n(14, 2)) * 60000 + n(17, 2) * 1000 + n(20, 3);
}

// The capture's frames, FENDs cut away and escapes undone.
std::vector<std::vector<std::uint8_t>> Frames(std::span<const std::uint8_t> capture) {
    std::vector<std::vector<std::uint8_t>> frames(1);
    for (std::size_t i = 0; i < capture.size(); ++i) {
        const std::uint8_t b = capture[i];
        if (b == 0xC0) {
            if (!frames.back().empty()) frames.emplace_back();
        } else if (b == 0xDB && i + 1 < capture.size()) {
            frames.back().push_back(capture[++i] == 0xDC ? 0xC0 : 0xDB);
        } else {
            frames.back().push_back(b);
        }
    }
    return frames;
}

}  // namespace

long long WriteSatnogsCsv(std::span<const std::uint8_t> capture, std::ostream& out) {
    struct Entry {
        std::int64_t ms;
        std::string hex;
    };
    std::vector<Entry> entries;
    std::int64_t stampMs = 0, sinceStamp = 0, ours = 0;
    for (const auto& frame : Frames(capture)) {
        if (frame.size() > 1 && frame[0] == 9) {
            stampMs = Milliseconds(std::string(frame.begin() + 1, frame.end()));
            sinceStamp = 0;
            continue;
        }
        ++sinceStamp;
        const bool satellite = frame.size() >= 17 && (std::equal(frame.begin(), frame.begin() + 17, kKissHeader62.begin()) ||
                                                      std::equal(frame.begin(), frame.begin() + 17, kKissHeader64.begin()));
        if (!satellite) continue;
        const std::string hex = HexText(std::span(frame).subspan(1));  // without the command byte
        const std::int64_t heard = stampMs + 500 * sinceStamp;
        static constexpr std::int64_t kStationDelay[] = {0, 120, 310};
        for (int station = 0; station < 3; ++station)
            if (station < 2 || ours % 7 != 3) entries.push_back({heard + kStationDelay[station], hex});
        ++ours;
    }
    std::stable_sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) { return a.ms > b.ms; });
    for (const Entry& e : entries) out << MillisecondsToTimeText(e.ms).substr(0, 23) << '|' << e.hex << '\n';
    return static_cast<long long>(entries.size());
}

}  // namespace tavro::passgen
