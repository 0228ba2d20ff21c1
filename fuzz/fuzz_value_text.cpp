// Display texts of any double under every channel's rule: no value is left
// without a text, and the texts read back close to the value.
#include <cmath>
#include <string>

#include "fuzz_support.h"
#include "value_text.h"

namespace {

// In long double: 15 digits of a value near the double's limit may lie above it.
long double ReadBack(std::string text) {
    for (char& c : text)
        if (c == ',') c = '.';
    return std::strtold(text.c_str(), nullptr);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tavro;
    for (; size >= 8; data += 8, size -= 8) {
        double v;
        std::memcpy(&v, data, sizeof v);
        for (int c = 0; c < kChannelCount; ++c) {
            fuzz::Require(!DisplayText(c, v, '.').empty(), "empty display text");
            fuzz::Require(!DisplayText(c, v, ',').empty(), "empty display text");
        }
        const std::string two = FormatTwoDecimals(v, ',');
        const std::string whole = FormatWhole(v);
        FormatHex(v);
        std::int64_t seconds;
        std::memcpy(&seconds, data, sizeof seconds);
        fuzz::Require(FormatDuration(seconds).find("d ") != std::string::npos, "duration without days");
        if (!std::isfinite(v)) {
            const char* expected = std::isnan(v) ? "NaN" : v > 0 ? "Inf" : "-Inf";
            fuzz::Require(two == expected && whole == expected, "non-finite value text");
            continue;
        }
        fuzz::Require(two.size() >= 4 && two[two.size() - 3] == ',', "not a 0,00 text");
        fuzz::Require(whole != "-0" && two != "-0,00", "negative zero");
        const long double x = v;
        const long double slack = std::fabs(x) * 1e-14L;
        fuzz::Require(std::fabs(ReadBack(two) - x) <= 0.005L + slack + 1e-12L, "two decimals far from the value");
        fuzz::Require(std::fabs(ReadBack(whole) - x) <= 0.5L + slack, "whole number far from the value");
    }
    return 0;
}
