// Value texts: "0.00", whole numbers, hex, durations, mode names, per-channel rules.
#include <gtest/gtest.h>

#include <bit>
#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <random>
#include <string>

#include "channels.h"
#include "value_text.h"

using namespace tavro;

constexpr double kInf = INFINITY;

// The slow way: the 15 digits of %.15g (written as %.14e), rounded at the
// third decimal with halves away from zero.
static std::string Reference(double v, char sep) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.14e", std::fabs(v));  // d.dddddddddddddde+XX
    const std::string digits = buf[0] + std::string(buf + 2, 14);
    const int n = std::atoi(buf + 17) + 3;  // digits of |v| * 100 before the point
    std::string whole = n <= 0 ? "0" : n >= 15 ? digits + std::string(n - 15, '0') : digits.substr(0, n);
    if (n >= 0 && n < 15 && digits[n] >= '5') {
        int i = static_cast<int>(whole.size()) - 1;
        while (i >= 0 && whole[i] == '9') whole[i--] = '0';
        i < 0 ? void(whole = "1" + whole) : void(++whole[i]);
    }
    if (whole.size() < 3) whole = std::string(3 - whole.size(), '0') + whole;
    whole.erase(0, std::min(whole.find_first_not_of('0'), whole.size() - 3));
    const bool zero = whole.find_first_not_of('0') == std::string::npos;
    std::string text(v < 0 && !zero ? "-" : "");
    text.append(whole, 0, whole.size() - 2).append(1, sep).append(whole, whole.size() - 2);
    return text;
}

TEST(FormatTwoDecimals, Table) {
    const struct { double v; char sep; const char* text; } cases[] = {
        {2.675, '.', "2.68"},   {1.005, '.', "1.01"},    {0.125, '.', "0.13"},     {-0.125, ',', "-0,13"},
        {-0.001, '.', "0.00"},  {-0.001, ',', "0,00"},   {-0.005, '.', "-0.01"},   {-0.0, '.', "0.00"},
        {9.995, '.', "10.00"},  {-99.995, ',', "-100,00"}, {0.0049999, '.', "0.00"}, {4.1, ',', "4,10"},
        {0.1 + 0.2, '.', "0.30"}, {4.9e-324, '.', "0.00"}, {1e20, '.', "100000000000000000000.00"},
        {999999999999999.0, '.', "999999999999999.00"}, {NAN, '.', "NaN"}, {kInf, ',', "Inf"}, {-kInf, '.', "-Inf"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FormatTwoDecimals(c.v, c.sep), c.text) << c.v;
        if (std::isfinite(c.v)) { EXPECT_EQ(Reference(c.v, c.sep), c.text) << c.v; }
    }
    EXPECT_EQ(FormatTwoDecimals(-DBL_MAX, '.'), "-179769313486232" + std::string(294, '0') + ".00");
}

// Many magnitudes, telemetry products, ties, and doubles next to a 16-digit
// decimal ending in 5 (the midpoint between two 15-digit texts, where the
// exact binary value decides) in every decade from 1e-4 to 1e16.
// TAVRO_FORMAT_VALUES sets the number of values (scripts/bench: 10 million).
TEST(FormatTwoDecimals, MatchesTheReferenceOnRandomValues) {
    const char* count = std::getenv("TAVRO_FORMAT_VALUES");
    const long long values = count ? std::atoll(count) : 200'000;
    std::mt19937_64 rng(20261206);
    long long checked = 0;
    const auto check = [&](double v) {
        const char sep = std::signbit(v) ? ',' : '.';
        ASSERT_EQ(FormatTwoDecimals(v, sep), Reference(v, sep)) << std::hexfloat << v;
        ++checked;
    };
    const double factors[] = {0.395, 0.000239, -0.2959, 0.016129, -0.2922, 0.015625, 0.001, 7.5, 3.3 / 1024};
    for (int decade = -4; checked < values; decade = decade == 16 ? -4 : decade + 1) {
        const double sign = (rng() & 1) ? -1.0 : 1.0;
        if (const double any = std::bit_cast<double>(rng()); std::isfinite(any)) check(any);
        check(sign * std::ldexp(static_cast<double>(rng() >> 11), static_cast<int>(rng() % 140) - 80));
        const auto x = static_cast<double>(static_cast<std::int16_t>(rng()));
        check(x * factors[rng() % std::size(factors)] + (rng() & 1 ? 190.65 : 0));
        check(sign * static_cast<double>(rng() % 10'000'000'000) / std::pow(10.0, static_cast<double>(rng() % 17)));
        const double tie = (static_cast<double>(rng() % 10'000'000'000) + 0.5) / 100;  // x.xx5
        for (double t : {tie, std::nextafter(tie, 0.0), std::nextafter(tie, 1e300)}) check(sign * t);
        char text[40];
        std::snprintf(text, sizeof text, "%llu5e%d", 100'000'000'000'000ULL + rng() % 900'000'000'000'000ULL,
                      decade - 15);  // d.dddddddddddddd5 * 10^decade
        const double m = sign * std::strtod(text, nullptr);
        for (double t : {m, std::nextafter(m, 0.0), std::nextafter(m, 2 * m)}) check(t);
    }
}

TEST(ValueTexts, WholeHexDurationModes) {
    const struct { std::string got; const char* want; } cases[] = {
        {FormatWhole(12.5), "12"}, {FormatWhole(13.5), "14"}, {FormatWhole(-2.5), "-2"}, {FormatWhole(-0.4), "0"},
        {FormatWhole(1e20), "100000000000000000000"}, {FormatHex(4660), "&H1234"}, {FormatHex(2.5), "&H2"},
        {FormatHex(-1), "&HFFFFFFFF"}, {FormatHex(4294967296.0), "&H100000000"}, {FormatDuration(-1), "-1d 23:59:59"},
        {FormatDuration(-86400), "-1d 00:00:00"}, {FormatDuration(INT64_MIN), "-106751991167301d 08:29:52"},
        {DisplayText(7, 93784.5, '.'), "1d 02:03:04"},  // halves to even
        {DisplayText(7, -1e25, '.'), "-115740740740740751227d 11:58:56"},  // exact beyond 64 bits
        {DisplayText(0, 0, '.'), "idle"}, {DisplayText(0, 1, '.'), "deploy"}, {DisplayText(0, 2, '.'), "safe"},
        {DisplayText(0, 4, '.'), "norm"}, {DisplayText(0, 8, '.'), "detumb"}, {DisplayText(8, 0, '.'), "hardware"},
        {DisplayText(8, -0.0, '.'), "hardware"}, {DisplayText(8, 1, '.'), "MPPT"}, {DisplayText(8, 2, '.'), "fix SW PPT"},
        // A mode outside its list shows the value as %.15g writes it, never a rounded (and so listed) mode.
        {DisplayText(8, 0.000239, '.'), "0.000239"}, {DisplayText(0, 3, '.'), "3"}, {DisplayText(0, 1.5, ','), "1,5"},
        {DisplayText(0, 1e20, '.'), "1e+20"}, {DisplayText(8, -1, '.'), "-1"}, {DisplayText(0, 3e9, '.'), "3000000000"},
        {DisplayText(8, 2.0000000000000004, '.'), "2"}, {DisplayText(0, 1.0 / 3, ','), "0,333333333333333"},
        {DisplayText(8, 1e-5, '.'), "1e-05"}, {DisplayText(0, 123456789012345678.0, '.'), "1.23456789012346e+17"},
    };
    for (std::size_t k = 0; k < std::size(cases); ++k) EXPECT_EQ(cases[k].got, cases[k].want) << "case " << k;
}

// One value that each rule writes differently, and the non-finite values.
TEST(DisplayText, EveryChannelByItsRule) {
    for (int i = 0; i < kChannelCount; ++i) {
        std::string expected = "4660";  // whole
        if (i == 0 || i == 8 || i == 10 || i == 11 || (i >= 13 && i <= 15) || (i >= 21 && i <= 31)) expected = "4660,25";
        if (i == 6 || i == 9) expected = "&H1234";
        if (i == 7) expected = "0d 01:17:40";
        EXPECT_EQ(DisplayText(i, 4660.25, ','), expected) << "channel " << i;
        EXPECT_EQ(DisplayText(i, -NAN, ',') + DisplayText(i, kInf, '.') + DisplayText(i, -kInf, '.'), "NaNInf-Inf") << i;
    }
}

TEST(DecimalSeparatorFromEnvironment, FirstVariableSetWins) {
    const char* names[] = {"LC_ALL", "LC_NUMERIC", "LANG"};  // of this test process only
    const struct { const char* values[3]; char sep; } cases[] = {
        {{nullptr, nullptr, nullptr}, '.'},         {{nullptr, nullptr, "de_DE.UTF-8"}, ','},
        {{nullptr, nullptr, "C"}, '.'},             {{nullptr, nullptr, "en_US"}, '.'},
        {{nullptr, "de_DE.UTF-8", "en_US.UTF-8"}, ','}, {{nullptr, "en_US.UTF-8", "fr_FR.UTF-8"}, '.'},
        {{"C", "de_DE.UTF-8", "de_DE.UTF-8"}, '.'}, {{"", "", "de_DE.UTF-8"}, ','},  // empty counts as not set
    };
    std::optional<std::string> saved[3];
    for (int k = 0; k < 3; ++k)
        if (const char* v = std::getenv(names[k])) saved[k] = v;
    for (const auto& c : cases) {
        for (int k = 0; k < 3; ++k) c.values[k] ? setenv(names[k], c.values[k], 1) : unsetenv(names[k]);
        EXPECT_EQ(DecimalSeparatorFromEnvironment(), c.sep) << "case " << (&c - cases);
    }
    for (int k = 0; k < 3; ++k) saved[k] ? setenv(names[k], saved[k]->c_str(), 1) : unsetenv(names[k]);
}
