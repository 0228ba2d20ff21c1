#include "utc_time.h"

#include "time_stamp.h"

namespace tavro {

namespace {

// n digits at text[at...]: their value, or -1.
int Digits(std::string_view text, std::size_t at, std::size_t n) {
    if (at + n > text.size()) return -1;
    int value = 0;
    for (std::size_t i = at; i < at + n; ++i) {
        if (text[i] < '0' || text[i] > '9') return -1;
        value = value * 10 + (text[i] - '0');
    }
    return value;
}

bool LeapYear(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

int DaysInMonth(int y, int m) {
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return m == 2 && LeapYear(y) ? 29 : kDays[m - 1];
}

}  // namespace

std::int64_t DaysFromCivil(std::int64_t y, int m, int d) {
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const std::int64_t yoe = y - era * 400;
    const std::int64_t doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
    const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

std::optional<std::int64_t> UtcMillisecondsOf(std::string_view t) {
    // YYYY-MM-DD?hh:mm:ss is 19 characters.
    if (t.size() < 19 || t[4] != '-' || t[7] != '-' || (t[10] != ' ' && t[10] != 'T') || t[13] != ':' || t[16] != ':')
        return std::nullopt;
    const int year = Digits(t, 0, 4), month = Digits(t, 5, 2), day = Digits(t, 8, 2);
    const int hour = Digits(t, 11, 2), minute = Digits(t, 14, 2), second = Digits(t, 17, 2);
    if (year < 0 || month < 1 || month > 12 || day < 1 || hour < 0 || hour > 23 || minute < 0 || minute > 59 ||
        second < 0 || second > 59 || day > DaysInMonth(year, month))
        return std::nullopt;
    std::size_t at = 19;
    int milli = 0;
    if (at < t.size() && t[at] == '.') {
        std::size_t digits = 0;
        while (at + 1 + digits < t.size() && t[at + 1 + digits] >= '0' && t[at + 1 + digits] <= '9') ++digits;
        if (digits < 1 || digits > 9) return std::nullopt;
        for (std::size_t i = 0; i < 3; ++i) milli = milli * 10 + (i < digits ? t[at + 1 + i] - '0' : 0);
        at += 1 + digits;
    }
    const std::string_view zone = t.substr(at);
    if (!zone.empty() && zone != " UTC" && zone != "Z") return std::nullopt;
    const std::int64_t days = DaysFromCivil(year, month, day);
    return ((days * 24 + hour) * 60 + minute) * 60000LL + second * 1000LL + milli;
}

std::string UtcText(std::int64_t ms) {
    std::string text = MillisecondsToTimeText(ms);  // "YYYY-MM-DD hh:mm:ss.fff UTC"
    text.resize(text.size() - 4);
    return text;
}

std::string UtcIsoText(std::int64_t ms) {
    std::string text = UtcText(ms);
    text[10] = 'T';
    return text + 'Z';
}

}  // namespace tavro
