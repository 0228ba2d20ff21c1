// The station's settings in conf.ini, for sharing frames with SatNOGS and
// fetching the network's frames:
//
//   STATION_CALLSIGN  = DL1XYZ          who received (SiDS "source")
//   STATION_LATITUDE  = 48.1374         decimal degrees, north positive
//   STATION_LONGITUDE = -11.5755        decimal degrees, east positive
//   SATNOGS_NORAD_ID  = 99999           the satellite's catalogue number (no default)
//   SIDS_URL          = https://db.satnogs.org/api/telemetry/    (default)
//   SATNOGS_DB_URL    = https://db.satnogs.org/api/              (default)
//   SATNOGS_DB_TOKEN  = 0123abcd...     the user's API token: never printed
//   SHARE             = 1               1 shares received frames, 0 (default) not
//
// Values are kept as written; the checks say why one is refused.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "conf_ini.h"

namespace tavro {

inline constexpr const char* kDefaultSidsUrl = "https://db.satnogs.org/api/telemetry/";
inline constexpr const char* kDefaultSatnogsDbUrl = "https://db.satnogs.org/api/";

struct StationSettings {
    std::string callsign;
    std::string latitude, longitude;  // as written: "48.1374", "-11.5755"
    std::string noradId;
    std::string sidsUrl = kDefaultSidsUrl;
    std::string dbUrl = kDefaultSatnogsDbUrl;
    std::string token;
    bool share = false;
};

// Missing or empty keys keep the defaults; SHARE is on only for "1".
StationSettings StationSettingsOf(std::string_view confText);
// Every key, for SaveConfValues.
ConfValues StationConfValues(const StationSettings& settings);

// Each check: "" when the value may be saved, else the reason.
//   CheckCallsign("DL1 XYZ")  -> "the callsign must not contain a blank"
//   CheckLatitude("91")       -> "the latitude must be a number from -90 to 90 (north positive)"
// Empty values pass: they are simply not set.
std::string CheckCallsign(std::string_view callsign);
std::string CheckLatitude(std::string_view latitude);
std::string CheckLongitude(std::string_view longitude);
std::string CheckNoradId(std::string_view noradId);
std::string CheckUrl(std::string_view url, std::string_view name);
// The first of the checks above that fails, "" when all pass.
std::string CheckStation(const StationSettings& settings);

// A decimal number with "." ("-11.5755"), nothing else; nullopt otherwise.
std::optional<double> DegreesOf(std::string_view text);

// The setting sharing needs and lacks, as its conf.ini key
// ("STATION_CALLSIGN"); "" when sharing has all it needs.
std::string MissingForSharing(const StationSettings& settings);

}  // namespace tavro
