#include "time_stamp.h"

#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdio>

namespace tavro {

double LeadingNumber(std::string_view f) {
    std::size_t i = 0;
    while (i < f.size() && f[i] == ' ') ++i;
    bool negative = false;
    if (i < f.size() && (f[i] == '+' || f[i] == '-')) negative = f[i++] == '-';
    const std::size_t numberStart = i;
    std::size_t digits = 0;
    while (i < f.size() && f[i] >= '0' && f[i] <= '9') ++i, ++digits;
    if (i < f.size() && f[i] == '.') {
        ++i;
        while (i < f.size() && f[i] >= '0' && f[i] <= '9') ++i, ++digits;
    }
    if (digits == 0) return 0;
    bool negativeExponent = false;
    if (i < f.size() && (f[i] == 'e' || f[i] == 'E')) {
        std::size_t j = i + 1;
        if (j < f.size() && (f[j] == '+' || f[j] == '-')) negativeExponent = f[j++] == '-';
        if (j < f.size() && f[j] >= '0' && f[j] <= '9') {
            while (j < f.size() && f[j] >= '0' && f[j] <= '9') ++j;
            i = j;
        }
    }
    double value = 0;
    auto res = std::from_chars(f.data() + numberStart, f.data() + i, value, std::chars_format::general);
    if (res.ec == std::errc::result_out_of_range) value = negativeExponent ? 0.0 : HUGE_VAL;
    return negative ? -value : value;
}

std::int64_t NowMilliseconds() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::system_clock::now().time_since_epoch())
        .count();
}

std::string MillisecondsToTimeText(std::int64_t ms) {
    std::int64_t seconds = ms / 1000;
    std::int64_t milli = ms % 1000;
    if (milli < 0) milli += 1000, --seconds;
    std::int64_t days = seconds / 86400;
    std::int64_t rest = seconds % 86400;
    if (rest < 0) rest += 86400, --days;
    // Civil date from days since 1970-01-01 (proleptic Gregorian).
    const std::int64_t z = days + 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const std::int64_t doe = z - era * 146097;
    const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const std::int64_t mp = (5 * doy + 2) / 153;
    const std::int64_t day = doy - (153 * mp + 2) / 5 + 1;
    const std::int64_t month = mp < 10 ? mp + 3 : mp - 9;
    const std::int64_t year = yoe + era * 400 + (month <= 2 ? 1 : 0);
    char buf[64];
    std::snprintf(buf, sizeof buf, "%04lld-%02lld-%02lld %02lld:%02lld:%02lld.%03lld UTC", static_cast<long long>(year),
                  static_cast<long long>(month), static_cast<long long>(day), static_cast<long long>(rest / 3600),
                  static_cast<long long>(rest % 3600 / 60), static_cast<long long>(rest % 60),
                  static_cast<long long>(milli));
    return buf;
}

void ParseTimeStampFrame(std::span<const std::uint8_t> payload, TimeStamp& stamp) {
    stamp.binary = false;
    if (payload.size() == 8) {
        bool binary = false;
        for (std::uint8_t b : payload) binary = binary || b < 0x20 || b > 0x7E;
        std::uint64_t v = 0;
        for (std::uint8_t b : payload) v = v << 8 | b;
        // Only a four-digit year is a time: from 10000-01-01 on it is text.
        if (binary && v < kMillisecondsOfYear10000) {
            stamp.text = MillisecondsToTimeText(static_cast<std::int64_t>(v));
            stamp.binary = true;
            return;
        }
    }
    const std::string_view text(reinterpret_cast<const char*>(payload.data()), payload.size());
    const auto semicolon = text.find(';');
    stamp.text.assign(text.substr(0, semicolon));
    if (semicolon == std::string_view::npos) return;
    std::string_view rest = text.substr(semicolon + 1);
    for (int field = 0; field < 3; ++field) {
        const auto next = rest.find(';');
        stamp.numbers[static_cast<std::size_t>(field)] = LeadingNumber(rest.substr(0, next));
        if (next == std::string_view::npos) break;
        rest = rest.substr(next + 1);
    }
}

}  // namespace tavro
