// Value texts: "0.00", whole numbers, hex, durations, mode names, per-channel rules.
#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <optional>
#include <random>
#include <string>

#include "channels.h"
#include "value_text.h"

namespace tavro {
namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// The slow way: %.15g, then the decimal digits rounded at the third decimal,
// halves away from zero.
std::string ReferenceTwoDecimals(double v, char sep) {
    char buf[512];
    std::snprintf(buf, sizeof buf, "%.15g", std::fabs(v));
    std::string s = buf;
    int exp10 = 0;
    if (auto e = s.find('e'); e != std::string::npos) {
        exp10 = std::atoi(s.c_str() + e + 1);
        s.resize(e);
    }
    const auto dot = s.find('.');
    std::string digits = s.substr(0, dot) + (dot == std::string::npos ? "" : s.substr(dot + 1));
    const long pointPos = static_cast<long>(dot == std::string::npos ? s.size() : dot) + exp10;
    std::string whole, frac;
    if (pointPos <= 0) {
        whole = "0";
        frac = std::string(static_cast<std::size_t>(-pointPos), '0') + digits;
    } else if (pointPos >= static_cast<long>(digits.size())) {
        whole = digits + std::string(static_cast<std::size_t>(pointPos) - digits.size(), '0');
    } else {
        whole = digits.substr(0, static_cast<std::size_t>(pointPos));
        frac = digits.substr(static_cast<std::size_t>(pointPos));
    }
    frac += "000";
    std::string kept = whole + frac.substr(0, 2);
    if (frac[2] >= '5') {
        int i = static_cast<int>(kept.size()) - 1;
        while (i >= 0 && kept[i] == '9') kept[i--] = '0';
        if (i >= 0) ++kept[i];
        else kept.insert(kept.begin(), '1');
    }
    std::string intDigits = kept.substr(0, kept.size() - 2);
    intDigits.erase(0, std::min(intDigits.find_first_not_of('0'), intDigits.size() - 1));
    const bool zero = kept.find_first_not_of('0') == std::string::npos;
    return (v < 0 && !zero ? "-" : "") + intDigits + sep + kept.substr(kept.size() - 2);
}

TEST(FormatTwoDecimals, Table) {
    const struct {
        double v;
        const char* text;
    } cases[] = {
        {2.675, "2.68"},    {1.005, "1.01"},      {0.125, "0.13"},    {-0.125, "-0.13"}, {-0.001, "0.00"},
        {-0.004999, "0.00"}, {-0.005, "-0.01"},   {4.1, "4.10"},      {-3.456, "-3.46"}, {2.5, "2.50"},
        {0, "0.00"},        {-0.0, "0.00"},       {2, "2.00"},        {-0.5, "-0.50"},   {3.14159, "3.14"},
        {9.995, "10.00"},   {99.995, "100.00"},   {-99.995, "-100.00"}, {0.005, "0.01"}, {0.0049999, "0.00"},
        {0.0005, "0.00"},   {1234567, "1234567.00"}, {4, "4.00"},     {1e20, "100000000000000000000.00"},
        {1e-300, "0.00"},   {DBL_MIN, "0.00"},    {4.9e-324, "0.00"}, {-4.9e-324, "0.00"},
        {DBL_MIN / 3, "0.00"}, {0.1 + 0.2, "0.30"}, {1.0 / 3, "0.33"}, {999999999999999.0, "999999999999999.00"},
        {kNaN, "NaN"},      {kInf, "Inf"},        {-kInf, "-Inf"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FormatTwoDecimals(c.v, '.'), c.text) << c.v;
        if (std::isfinite(c.v)) {
            EXPECT_EQ(FormatTwoDecimals(c.v, '.'), ReferenceTwoDecimals(c.v, '.')) << c.v;
        }
    }
    const std::string dblMax = "179769313486232" + std::string(294, '0') + ".00";
    EXPECT_EQ(FormatTwoDecimals(DBL_MAX, '.'), dblMax);
    EXPECT_EQ(FormatTwoDecimals(-DBL_MAX, '.'), "-" + dblMax);
}

TEST(FormatTwoDecimals, DecimalComma) {
    EXPECT_EQ(FormatTwoDecimals(4.1, ','), "4,10");
    EXPECT_EQ(FormatTwoDecimals(-0.001, ','), "0,00");
    EXPECT_EQ(FormatTwoDecimals(1234567.125, ','), "1234567,13");
    std::string out = "x;";
    AppendTwoDecimals(out, -3.456, ',');
    EXPECT_EQ(out, "x;-3,46");
}

// The fast formatter must agree with the slow one bit for bit, over many
// magnitudes, ties and neighbours of ties.
TEST(FormatTwoDecimals, MatchesTheSlowReferenceOnRandomValues) {
    std::mt19937_64 rng(20261206);
    std::uniform_real_distribution<double> unit(1.0, 10.0);
    std::uniform_int_distribution<int> exponent(-8, 24);
    std::uniform_int_distribution<std::int64_t> whole(0, 10'000'000'000LL);
    auto check = [](double v) {
        const char sep = std::signbit(v) ? ',' : '.';
        ASSERT_EQ(FormatTwoDecimals(v, sep), ReferenceTwoDecimals(v, sep)) << std::hexfloat << v;
    };
    for (int k = 0; k < 250'000; ++k) {
        const double sign = (rng() & 1) ? -1.0 : 1.0;
        double bits;  // any finite double
        do {
            const std::uint64_t b = rng();
            std::memcpy(&bits, &b, sizeof bits);
        } while (!std::isfinite(bits));
        check(bits);
        check(sign * unit(rng) * std::pow(10.0, exponent(rng)));
        const double tie = (static_cast<double>(whole(rng) % 100'000'000) + 0.5) / 100;  // x.xx5
        check(sign * tie);
        check(std::nextafter(tie, 0.0));
        const int decimals = static_cast<int>(rng() % 17);
        check(sign * static_cast<double>(whole(rng)) / std::pow(10.0, decimals));
    }
    // Doubles next to a 16-digit decimal ending in 5, the midpoint between
    // two 15-digit texts: the exact binary value decides how %.15g rounds.
    std::uniform_int_distribution<std::int64_t> fifteen(100'000'000'000'000LL, 999'999'999'999'999LL);
    for (int k = 0; k < 100'000; ++k) {
        char text[40];
        std::snprintf(text, sizeof text, "%lld5e%d", static_cast<long long>(fifteen(rng)), -static_cast<int>(rng() % 22));
        const double m = std::strtod(text, nullptr);
        check(m);
        check(-m);
        check(std::nextafter(m, 0.0));
        check(std::nextafter(m, kInf));
    }
}

TEST(FormatWhole, HalvesToEvenNeverMinusZero) {
    const struct {
        double v;
        const char* text;
    } cases[] = {
        {12.5, "12"},  {13.5, "14"},     {2.5, "2"},   {3.5, "4"},       {-2.5, "-2"},       {-0.4, "0"},
        {-0.5, "0"},   {-0.0, "0"},      {0.5, "0"},   {-3.7, "-4"},     {93784, "93784"},   {3000000000, "3000000000"},
        {1e20, "100000000000000000000"}, {-2147483649.0, "-2147483649"}, {kNaN, "NaN"},    {kInf, "Inf"},
        {-kInf, "-Inf"},
    };
    for (const auto& c : cases) EXPECT_EQ(FormatWhole(c.v), c.text) << c.v;
}

TEST(FormatHex, AmpersandHUpperCase) {
    const struct {
        double v;
        const char* text;
    } cases[] = {
        {0, "&H0"},       {31, "&H1F"},           {255, "&HFF"},        {4660, "&H1234"},        {2.5, "&H2"},
        {3.5, "&H4"},     {-0.4, "&H0"},          {65535, "&HFFFF"},    {4294967296.0, "&H100000000"},
        {-1, "&HFFFFFFFF"}, {18446744073709551616.0, "&H10000000000000000"}, {kNaN, "NaN"}, {kInf, "Inf"},
        {-kInf, "-Inf"},
    };
    for (const auto& c : cases) EXPECT_EQ(FormatHex(c.v), c.text) << c.v;
}

TEST(FormatDuration, DaysAndAClockThatIsNeverNegative) {
    const struct {
        std::int64_t s;
        const char* text;
    } cases[] = {
        {93784, "1d 02:03:04"},
        {0, "0d 00:00:00"},
        {86399, "0d 23:59:59"},
        {86400, "1d 00:00:00"},
        {864000, "10d 00:00:00"},
        {-1, "-1d 23:59:59"},
        {-86400, "-1d 00:00:00"},
        {-86401, "-2d 23:59:59"},
        {4294967295, "49710d 06:28:15"},
        {std::numeric_limits<std::int64_t>::max(), "106751991167300d 15:30:07"},
        {std::numeric_limits<std::int64_t>::min(), "-106751991167301d 08:29:52"},
    };
    for (const auto& c : cases) EXPECT_EQ(FormatDuration(c.s), c.text) << c.s;
}

TEST(DisplayText, ModeNamesAndValuesOutsideTheTables) {
    const struct {
        int channel;
        double v;
        const char* text;
    } cases[] = {
        {0, 0, "idle"},         {0, -0.0, "idle"},   {0, 1, "deploy"},     {0, 2, "safe"},   {0, 4, "norm"},
        {0, 8, "detumb"},       {0, 3, "3"},         {0, 5, "5"},          {0, 1.5, "2"},    {0, 1.0000001, "1"},
        {0, 3000000000, "3000000000"}, {8, 0, "hardware"}, {8, 1, "MPPT"}, {8, 2, "fix SW PPT"}, {8, 7, "7"},
        {8, 4, "4"},            {8, -1, "-1"},
    };
    for (const auto& c : cases) EXPECT_EQ(DisplayText(c.channel, c.v, '.'), c.text) << c.channel << " " << c.v;
}

// The rule of every channel, seen through one value that each rule writes differently.
TEST(DisplayText, EveryChannelByItsRule) {
    const double v = 4660.25;
    for (int i = 0; i < kChannelCount; ++i) {
        std::string expected = "4660";  // whole, and the modes outside their tables
        if (i == 10 || i == 11 || (i >= 13 && i <= 15) || (i >= 21 && i <= 31)) expected = "4660,25";
        if (i == 6 || i == 9) expected = "&H1234";
        if (i == 7) expected = "0d 01:17:40";
        EXPECT_EQ(DisplayText(i, v, ','), expected) << "channel " << i;
    }
    EXPECT_EQ(DisplayText(3, 93784, '.'), "93784");
    EXPECT_EQ(DisplayText(7, 93784, '.'), "1d 02:03:04");
    EXPECT_EQ(DisplayText(7, 93784.5, '.'), "1d 02:03:04");  // halves to even
    EXPECT_EQ(DisplayText(7, -1, '.'), "-1d 23:59:59");
    EXPECT_EQ(DisplayText(7, 4294967295.0, '.'), "49710d 06:28:15");
    EXPECT_EQ(DisplayText(7, 1e20, '.'), "1157407407407407d 09:46:40");
    // Beyond 64 bits the day count stays exact: 1e25 is 10000000000000000905969664 s.
    EXPECT_EQ(DisplayText(7, 1e25, '.'), "115740740740740751226d 12:01:04");
    EXPECT_EQ(DisplayText(7, -1e25, '.'), "-115740740740740751227d 11:58:56");
    EXPECT_EQ(DisplayText(7, 0x1p70, '.'), "13664254869414482d 16:17:04");
    EXPECT_EQ(DisplayText(7, -0x1p63, '.'), "-106751991167301d 08:29:52");
    EXPECT_EQ(DisplayText(7, 0x1p63, '.'), "106751991167300d 15:30:08");
    EXPECT_EQ(DisplayText(7, -86400 * 0x1p60, '.'), "-1152921504606846976d 00:00:00");
    EXPECT_EQ(DisplayText(12, 3000000000, '.'), "3000000000");
}

TEST(DisplayText, NonFiniteUnderEveryRule) {
    for (int i = 0; i < kChannelCount; ++i) {
        EXPECT_EQ(DisplayText(i, kNaN, '.'), "NaN") << "channel " << i;
        EXPECT_EQ(DisplayText(i, -kNaN, ','), "NaN") << "channel " << i;
        EXPECT_EQ(DisplayText(i, kInf, '.'), "Inf") << "channel " << i;
        EXPECT_EQ(DisplayText(i, -kInf, '.'), "-Inf") << "channel " << i;
    }
}

// Sets the three locale variables for one test and puts the old values back.
class LocaleEnvironment : public ::testing::Test {
protected:
    static constexpr const char* kNames[] = {"LC_ALL", "LC_NUMERIC", "LANG"};
    void SetUp() override {
        for (int k = 0; k < 3; ++k) {
            if (const char* v = std::getenv(kNames[k])) saved_[k] = v;
        }
    }
    void TearDown() override {
        for (int k = 0; k < 3; ++k) {
            if (saved_[k]) setenv(kNames[k], saved_[k]->c_str(), 1);
            else unsetenv(kNames[k]);
        }
    }
    static void Set(const char* lcAll, const char* lcNumeric, const char* lang) {
        const char* values[] = {lcAll, lcNumeric, lang};
        for (int k = 0; k < 3; ++k) {
            if (values[k]) setenv(kNames[k], values[k], 1);
            else unsetenv(kNames[k]);
        }
    }
    std::optional<std::string> saved_[3];
};

TEST_F(LocaleEnvironment, DecimalSeparatorFollowsTheFirstVariableSet) {
    const struct {
        const char *lcAll, *lcNumeric, *lang;
        char sep;
    } cases[] = {
        {nullptr, nullptr, nullptr, '.'},
        {nullptr, nullptr, "de_DE.UTF-8", ','},
        {nullptr, nullptr, "C", '.'},
        {nullptr, nullptr, "POSIX", '.'},
        {nullptr, nullptr, "en_US.UTF-8", '.'},
        {nullptr, nullptr, "en_US", '.'},
        {nullptr, nullptr, "fr_FR.UTF-8", ','},
        {nullptr, "de_DE.UTF-8", "en_US.UTF-8", ','},
        {nullptr, "en_US.UTF-8", "de_DE.UTF-8", '.'},
        {"C", "de_DE.UTF-8", "de_DE.UTF-8", '.'},
        {"de_DE.UTF-8", "C", "en_US.UTF-8", ','},
        {"", "", "de_DE.UTF-8", ','},  // an empty variable counts as not set
    };
    for (const auto& c : cases) {
        Set(c.lcAll, c.lcNumeric, c.lang);
        EXPECT_EQ(DecimalSeparatorFromEnvironment(), c.sep)
            << (c.lcAll ? c.lcAll : "-") << " / " << (c.lcNumeric ? c.lcNumeric : "-") << " / "
            << (c.lang ? c.lang : "-");
    }
}

}  // namespace
}  // namespace tavro
