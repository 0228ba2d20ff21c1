// The sample pass as a SatNOGS CSV export: each frame of the satellite
// (both headers) in a KISS capture, as three ground stations heard it,
// newest first, one "YYYY-MM-DD hh:mm:ss.fff|HEX" line each (HEX: the AX.25
// frame, without the KISS command byte). A frame is heard at the time of the
// capture's latest time stamp frame plus 500 ms for each frame since, plus
// 120 and 310 ms at the second and third station; the third station misses
// every seventh frame.
#pragma once

#include <cstdint>
#include <ostream>
#include <span>

namespace tavro::passgen {

// Returns the number of lines written.
long long WriteSatnogsCsv(std::span<const std::uint8_t> capture, std::ostream& out);

}  // namespace tavro::passgen
