// One received frame as the Simple Downlink Share Convention (SiDS) reports
// it to the SatNOGS database: a form POSTed to SIDS_URL, one per frame.
//
//   noradID=99999&source=DL1XYZ&timestamp=2026-12-06T10%3A14%3A03.250Z
//   &frame=A2846A60A062...&locator=longLat&longitude=11.5755W
//   &latitude=48.1374N&version=tavro-cli%200.3
//
// frame: the AX.25 frame (a KISS frame's bytes after its command byte) in
// upper-case hex without blanks; longitude and latitude with four decimals
// and E/W, N/S. Each value is percent-encoded: all but A-Z a-z 0-9 - . _ ~.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "station_settings.h"

namespace tavro {

// A KISS data frame of the TNC port read (dataCommand: port x 16, port 2:
// 20) that carries one of the satellite's two AX.25 headers, of any frame
// type. Another command byte (a port's TXDELAY 21, another port's 00) is not.
bool IsSatelliteKissFrame(std::span<const std::uint8_t> kissFrame, std::uint8_t dataCommand = 0x00);

// The form body; the settings must be complete (MissingForSharing() == "").
std::string SidsRequestBody(const StationSettings& station, std::int64_t utcMs, std::span<const std::uint8_t> ax25,
                            std::string_view version);

// -11.57554 -> "11.5755W" (east positive), 48.13736 -> "48.1374N"
std::string SidsLongitude(double degrees);
std::string SidsLatitude(double degrees);

// "a b:c" -> "a%20b%3Ac"
std::string PercentEncoded(std::string_view text);

}  // namespace tavro
