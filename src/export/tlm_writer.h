// TLM report of the record on display, lines ended by CR LF:
//   1      TAVRO Telemetry Decoder (QX0QX)
//   2      52 "="
//   3      empty
//   4..26  channels i, i+1 for i = 0, 2, ..., 44 (channel 46 is not written):
//          name(20) text(10) unit(10) " |  " name(20) text(10) unit(8)
// Fields are padded with blanks and never cut, so a longer text pushes the
// rest of the line to the right:
//   "OPS mode            norm                 |  Boot cnt            12                "
#pragma once

#include <array>
#include <string>
#include <string_view>

#include "channels.h"

namespace tavro {

inline constexpr std::string_view kWindowCaption = "TAVRO Telemetry Decoder (QX0QX)";

// text followed by blanks up to width; never cut.
std::string PadRight(std::string_view text, int width);

// valueTexts: the texts of the 47 value boxes, as shown.
std::string TlmText(const std::array<std::string, kChannelCount>& valueTexts);

}  // namespace tavro
