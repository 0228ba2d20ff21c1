// ParseNumber on any text: letter case never matters, a text stops at its
// first non-hex character, and two characters (a log byte) give 0..255.
#include <string>

#include "field_readers.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tavro;
    const std::string text(reinterpret_cast<const char*>(data), size);
    const std::int32_t v = ParseNumber(text);

    std::string lower = text, upper = text;
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    fuzz::Require(ParseNumber(lower) == v && ParseNumber(upper) == v, "letter case changes the number");
    fuzz::Require(ParseNumber(text + "g") == v, "a non-hex tail changes the number");
    if (size <= 4 && !text.starts_with("0x") && !text.starts_with("0X"))
        fuzz::Require(v >= -32768 && v <= 65535, "four digits outside 16 bits");
    if (size >= 2) {
        const std::int32_t pair = ParseNumber(text.substr(0, 2));
        fuzz::Require(pair >= 0 && pair <= 255, "a pair outside 0..255");
    }
    return 0;
}
