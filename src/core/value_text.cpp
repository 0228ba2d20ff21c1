#include "value_text.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <langinfo.h>
#include <locale.h>
#include <string_view>

#include "channels.h"
#include "two_decimals.h"

namespace tavro {

namespace {

bool AppendNonFinite(std::string& out, double v) {
    if (std::isnan(v)) out += "NaN";
    else if (std::isinf(v)) out += v > 0 ? "Inf" : "-Inf";
    else return false;
    return true;
}

// Halves to even; the default rounding mode is never changed here.
double RoundHalfEven(double v) {
    const double r = std::nearbyint(v);
    return r == 0 ? 0.0 : r;  // no "-0"
}

void AppendExactInteger(std::string& out, double r) {
    char buf[400];
    auto res = std::to_chars(buf, buf + sizeof buf, r, std::chars_format::fixed, 0);
    out.append(buf, res.ptr);
}

void AppendHexOfNonNegative(std::string& out, double r) {
    char buf[300];
    char* end = buf + sizeof buf;
    if (r < 18446744073709551616.0) {
        auto res = std::to_chars(buf, end, static_cast<std::uint64_t>(r), 16);
        for (char* p = buf; p < res.ptr; ++p) out += static_cast<char>(std::toupper(static_cast<unsigned char>(*p)));
        return;
    }
    int exponent;
    const double mantissa = std::frexp(r, &exponent);  // r = mantissa * 2^exponent, 0.5 <= mantissa < 1
    const int shift = exponent - 53;                     // r = m * 2^shift with a 53-bit m
    const auto m = static_cast<std::uint64_t>(std::ldexp(mantissa, 53)) << (shift % 4);
    auto res = std::to_chars(buf, end, m, 16);
    for (char* p = buf; p < res.ptr; ++p) out += static_cast<char>(std::toupper(static_cast<unsigned char>(*p)));
    out.append(static_cast<std::size_t>(shift / 4), '0');
}

// |a| rounded to 15 significant digits, exactly as %.15g rounds it:
// digits d1..d15 and exponent e for d1.d2...d15 * 10^e.
void FifteenDigits(double a, char (&digits)[15], int& exponent) {
    char sci[40];
    const char* end = std::to_chars(sci, sci + sizeof sci, a, std::chars_format::scientific, 14).ptr;
    digits[0] = sci[0];  // "d.dddddddddddddde+XX"
    std::memcpy(digits + 1, sci + 2, 14);
    std::from_chars(sci[17] == '+' ? sci + 18 : sci + 17, end, exponent);
}

void AppendTwoDigits(std::string& out, long long v) {
    out += static_cast<char>('0' + v / 10);
    out += static_cast<char>('0' + v % 10);
}

}  // namespace

char* WriteTwoDecimalsExact(char* p, double value, char sep) {
    if (std::isnan(value)) return std::copy_n("NaN", 3, p);
    if (std::isinf(value)) return value > 0 ? std::copy_n("Inf", 3, p) : std::copy_n("-Inf", 4, p);
    if (std::fabs(value) < 1e-3) {  // 15 digits of it are 0.001 at most: "0.00", no sign
        const char zero[] = {'0', sep, '0', '0'};
        return std::copy_n(zero, 4, p);
    }
    char digits[15];
    int exponent = 0;
    FifteenDigits(std::fabs(value), digits, exponent);

    // Keep the digits down to the second decimal: value*100 as a whole number.
    const int keep = exponent + 3;  // 0 or more: |value| >= 0.001 here
    char scaled[16 + 330];  // decimal digits of round(|value| * 100); keep <= 311
    int n = 0;
    if (keep >= 15) {
        std::memcpy(scaled, digits, 15);
        std::memset(scaled + 15, '0', static_cast<std::size_t>(keep - 15));
        n = keep;
    } else {
        // One spare digit in front for a carry: 99.995 -> 100.00.
        scaled[0] = '0';
        std::memcpy(scaled + 1, digits, static_cast<std::size_t>(keep));
        n = keep + 1;
        if (digits[keep] >= '5') {  // half or more: away from zero
            int i = n - 1;
            while (scaled[i] == '9') scaled[i--] = '0';
            ++scaled[i];
        }
    }
    const char* first = scaled;
    const char* last = scaled + n;
    while (first < last && *first == '0') ++first;  // no leading zeros
    if (value < 0 && first < last) *p++ = '-';    // zero has no sign
    const auto length = last - first;
    if (length <= 2) {
        *p++ = '0';
        *p++ = sep;
        if (length < 2) *p++ = '0';
        if (length < 1) *p++ = '0';
        return std::copy(first, last, p);
    }
    p = std::copy(first, last - 2, p);
    *p++ = sep;
    return std::copy(last - 2, last, p);
}

void AppendTwoDecimals(std::string& out, double value, char sep) {
    char text[kTwoDecimalsRoom];
    out.append(text, WriteTwoDecimals(text, value, sep));
}

std::string FormatTwoDecimals(double value, char sep) {
    std::string out;
    AppendTwoDecimals(out, value, sep);
    return out;
}

std::string FormatWhole(double value) {
    std::string out;
    if (!AppendNonFinite(out, value)) AppendExactInteger(out, RoundHalfEven(value));
    return out;
}

std::string FormatHex(double value) {
    std::string out;
    if (AppendNonFinite(out, value)) return out;
    const double r = RoundHalfEven(value);
    if (r >= 0) {
        out += "&H";
        AppendHexOfNonNegative(out, r);
    } else if (r >= -2147483648.0) {
        out += "&H";
        AppendHexOfNonNegative(out, 4294967296.0 + r);
    } else if (r >= -9223372036854775808.0) {
        out += "&H";
        const auto bits = static_cast<std::uint64_t>(static_cast<std::int64_t>(r));
        char buf[20];
        auto res = std::to_chars(buf, buf + sizeof buf, bits, 16);
        for (char* p = buf; p < res.ptr; ++p) out += static_cast<char>(std::toupper(static_cast<unsigned char>(*p)));
    } else {
        out += "-&H";
        AppendHexOfNonNegative(out, -r);
    }
    return out;
}

std::string FormatDuration(std::int64_t seconds) {
    const __int128 s = seconds;
    __int128 days = s / 86400;
    if (s % 86400 != 0 && s < 0) --days;  // floor
    __int128 rest = s - days * 86400;
    const long long hours = static_cast<long long>(rest / 3600);
    rest -= static_cast<__int128>(hours) * 3600;
    const long long minutes = static_cast<long long>(rest / 60);
    const long long secs = static_cast<long long>(rest - minutes * 60);
    char buf[32];
    auto res = std::to_chars(buf, buf + sizeof buf, static_cast<long long>(days));
    std::string out(buf, res.ptr);
    out += "d ";
    AppendTwoDigits(out, hours);
    out += ':';
    AppendTwoDigits(out, minutes);
    out += ':';
    AppendTwoDigits(out, secs);
    return out;
}

namespace {

std::string DurationText(double value) {
    std::string out;
    if (AppendNonFinite(out, value)) return out;
    const double r = RoundHalfEven(value);
    if (r >= -9223372036854775808.0 && r < 9223372036854775808.0) return FormatDuration(static_cast<std::int64_t>(r));
    // Beyond 64 bits: long division of the exact decimal digits, so the day
    // count is exact too (a double quotient would be off by many days).
    std::string digits;
    AppendExactInteger(digits, std::fabs(r));
    std::string days;
    long long clock = 0;
    for (char c : digits) {
        clock = clock * 10 + (c - '0');
        if (!days.empty() || clock >= 86400) days += static_cast<char>('0' + clock / 86400);
        clock %= 86400;
    }
    if (r < 0 && clock != 0) {  // days are rounded down: -(q + 1) and a positive clock
        int i = static_cast<int>(days.size()) - 1;
        while (i >= 0 && days[static_cast<std::size_t>(i)] == '9') days[static_cast<std::size_t>(i--)] = '0';
        if (i >= 0) ++days[static_cast<std::size_t>(i)];
        else days.insert(days.begin(), '1');
        clock = 86400 - clock;
    }
    if (r < 0) out += '-';
    out += days;
    out += "d ";
    AppendTwoDigits(out, clock / 3600);
    out += ':';
    AppendTwoDigits(out, clock % 3600 / 60);
    out += ':';
    AppendTwoDigits(out, clock % 60);
    return out;
}

}  // namespace

std::string FormatModeValue(double value, char sep) {
    std::string out;
    if (AppendNonFinite(out, value)) return out;
    char buf[32];
    // to_chars with a precision writes as printf's %.15g does, in the C locale.
    char* end = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::general, 15).ptr;
    out.assign(buf, end);
    if (const auto dot = out.find('.'); dot != std::string::npos) out[dot] = sep;
    return out;
}

std::string DisplayText(int channel, double v, char sep) {
    switch (ChannelCatalogue[static_cast<std::size_t>(channel)].rule) {
        case DisplayRule::Whole: return FormatWhole(v);
        case DisplayRule::TwoDecimals: return FormatTwoDecimals(v, sep);
        case DisplayRule::Hex: return FormatHex(v);
        case DisplayRule::Duration: return DurationText(v);
        case DisplayRule::OpsMode:
            if (v == 0) return "idle";
            if (v == 1) return "deploy";
            if (v == 2) return "safe";
            if (v == 4) return "norm";
            if (v == 8) return "detumb";
            return FormatModeValue(v, sep);
        case DisplayRule::PptMode:
            if (v == 0) return "hardware";
            if (v == 1) return "MPPT";
            if (v == 2) return "fix SW PPT";
            return FormatModeValue(v, sep);
    }
    return FormatWhole(v);
}

namespace {

// Used when the named locale is not installed: languages writing a decimal comma.
bool LanguageUsesComma(std::string_view name) {
    const std::string_view lang = name.substr(0, name.find_first_of("_.@"));
    std::string_view region;
    if (auto u = name.find('_'); u != std::string_view::npos)
        region = name.substr(u + 1, name.find_first_of(".@", u) - u - 1);
    static constexpr std::string_view comma[] = {
        "af", "az", "be", "bg", "bs", "ca", "cs", "da", "de", "el", "es", "et", "eu", "fi", "fo", "fr", "gl",
        "hr", "hu", "hy", "id", "is", "it", "ka", "kk", "ky", "lt", "lv", "mk", "mn", "nb", "nl", "nn",
        "no", "pl", "pt", "ro", "ru", "sk", "sl", "sq", "sr", "sv", "tr", "uk", "uz", "vi"};
    bool found = false;
    for (auto c : comma) found = found || c == lang;
    if (!found) return false;
    if ((lang == "de" || lang == "it") && (region == "CH" || region == "LI")) return false;
    if (lang == "es" && (region == "MX" || region == "US" || region == "PR" || region == "GT" || region == "HN" ||
                         region == "NI" || region == "PA" || region == "SV" || region == "DO" || region == "PE"))
        return false;
    return true;
}

}  // namespace

char DecimalSeparatorFromEnvironment() {
    const char* name = nullptr;
    for (const char* var : {"LC_ALL", "LC_NUMERIC", "LANG"}) {
        const char* v = std::getenv(var);
        if (v && *v) {
            name = v;
            break;
        }
    }
    if (!name) return '.';
    if (locale_t loc = newlocale(LC_NUMERIC_MASK, name, static_cast<locale_t>(nullptr))) {
        const char* radix = nl_langinfo_l(RADIXCHAR, loc);
        const char sep = radix && radix[0] == ',' ? ',' : '.';
        freelocale(loc);
        return sep;
    }
    return LanguageUsesComma(name) ? ',' : '.';
}

}  // namespace tavro
