// The 47 telemetry channels: name, unit and display rule.
// Both decoders store into these channel numbers, each by its own frame layout.
#pragma once

#include <array>
#include <string_view>

namespace tavro {

inline constexpr int kChannelCount = 47;

// How a channel's value is written in its value box and in the TLM report.
enum class DisplayRule { Whole, TwoDecimals, Hex, Duration, OpsMode, PptMode };

struct ChannelInfo {
    std::string_view name;
    std::string_view unit;  // empty: the unit label stays empty
    DisplayRule rule;
};

// ChannelCatalogue[i] describes channel i. Names and units are shown exactly
// as written here ("C" without a degree sign).
extern const std::array<ChannelInfo, kChannelCount> ChannelCatalogue;

}  // namespace tavro
