// Time stamp frames and leading numbers of any bytes.
#include <cmath>
#include <string>

#include "fuzz_support.h"
#include "time_stamp.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tavro;
    const std::span<const std::uint8_t> payload(data, size);
    const std::array<double, 3> before = {1, 2, 3};
    TimeStamp stamp{"the last frame's text", before};
    ParseTimeStampFrame(payload, stamp);
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    if (size == 8 && !text.starts_with(stamp.text)) {
        fuzz::Require(stamp.text.ends_with(" UTC"), "binary stamp without UTC");
        for (std::size_t k = 0; k < 3; ++k) fuzz::Require(stamp.numbers[k] == before[k], "binary stamp moved numbers");
    } else {
        // Field 0 is the text up to the first ";".
        fuzz::Require(stamp.text == text.substr(0, text.find(';')), "time text is not field 0");
        if (text.find(';') == std::string_view::npos)
            for (std::size_t k = 0; k < 3; ++k) fuzz::Require(stamp.numbers[k] == before[k], "numbers without a field");
    }

    // A number never reaches past a ";", and blanks in front change nothing.
    const double n = LeadingNumber(text);
    const auto same = [](double a, double b) { return a == b || (std::isnan(a) && std::isnan(b)); };
    fuzz::Require(same(LeadingNumber(std::string(text) + ";9"), n), "a ; tail changes the number");
    fuzz::Require(same(LeadingNumber("  " + std::string(text)), n), "leading blanks change the number");
    if (!text.empty() && ((text[0] >= '0' && text[0] <= '9') || text[0] == '.'))
        fuzz::Require(same(LeadingNumber("-" + std::string(text)), -n), "a sign changes more than the sign");

    if (size >= 8) {
        std::int64_t ms;
        std::memcpy(&ms, data, sizeof ms);
        fuzz::Require(MillisecondsToTimeText(ms).ends_with(" UTC"), "time text without UTC");
    }
    return 0;
}
