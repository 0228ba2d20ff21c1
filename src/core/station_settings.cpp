#include "station_settings.h"

#include <charconv>
#include <cmath>

namespace tavro {

StationSettings StationSettingsOf(std::string_view text) {
    StationSettings s;
    const auto set = [&](const char* key, std::string& field) {
        if (std::optional<std::string> v = ConfValue(text, key); v && !v->empty()) field = *v;
    };
    set("STATION_CALLSIGN", s.callsign);
    set("STATION_LATITUDE", s.latitude);
    set("STATION_LONGITUDE", s.longitude);
    set("SATNOGS_NORAD_ID", s.noradId);
    set("SIDS_URL", s.sidsUrl);
    set("SATNOGS_DB_URL", s.dbUrl);
    set("SATNOGS_DB_TOKEN", s.token);
    s.share = ConfValue(text, "SHARE").value_or("0") == "1";
    return s;
}

ConfValues StationConfValues(const StationSettings& s) {
    return {{"STATION_CALLSIGN", s.callsign}, {"STATION_LATITUDE", s.latitude}, {"STATION_LONGITUDE", s.longitude},
            {"SATNOGS_NORAD_ID", s.noradId},  {"SIDS_URL", s.sidsUrl},          {"SATNOGS_DB_URL", s.dbUrl},
            {"SATNOGS_DB_TOKEN", s.token},    {"SHARE", s.share ? "1" : "0"}};
}

std::optional<double> DegreesOf(std::string_view text) {
    // Digits with at most one point, an optional sign: no exponents, no "nan".
    std::size_t digits = 0, points = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c >= '0' && c <= '9') ++digits;
        else if (c == '.') ++points;
        else if (!(i == 0 && (c == '-' || c == '+'))) return std::nullopt;
    }
    if (digits == 0 || points > 1) return std::nullopt;
    if (text.front() == '+') text.remove_prefix(1);
    double value = 0;
    const auto res = std::from_chars(text.data(), text.data() + text.size(), value);
    if (res.ec != std::errc() || res.ptr != text.data() + text.size()) return std::nullopt;
    return value;
}

std::string CheckCallsign(std::string_view callsign) {
    for (char c : callsign) {
        if (c == ' ' || c == '\t') return "the callsign must not contain a blank";
        const bool allowed = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '/' || c == '-';
        if (!allowed) return std::string("the callsign must not contain \"") + c + "\"";
    }
    return callsign.size() > 20 ? "the callsign is longer than 20 characters" : "";
}

namespace {
std::string CheckDegrees(std::string_view text, double limit, const char* what) {
    if (text.empty()) return "";
    const std::optional<double> v = DegreesOf(text);
    if (v && std::fabs(*v) <= limit) return "";
    return std::string("the ") + what + " must be a number from -" + std::to_string(static_cast<int>(limit)) + " to " +
           std::to_string(static_cast<int>(limit)) + (limit == 90 ? " (north positive)" : " (east positive)");
}
}  // namespace

std::string CheckLatitude(std::string_view latitude) { return CheckDegrees(latitude, 90, "latitude"); }
std::string CheckLongitude(std::string_view longitude) { return CheckDegrees(longitude, 180, "longitude"); }

std::string CheckNoradId(std::string_view noradId) {
    if (noradId.empty()) return "";
    bool digits = noradId.size() <= 9;
    for (char c : noradId) digits = digits && c >= '0' && c <= '9';
    return digits && noradId.find_first_not_of('0') != std::string_view::npos
               ? ""
               : "the NORAD ID must be the satellite's catalogue number (digits only)";
}

std::string CheckUrl(std::string_view url, std::string_view name) {
    const bool web = url.rfind("https://", 0) == 0 || url.rfind("http://", 0) == 0;
    if (web && url.find_first_of(" \t\"<>\\") == std::string_view::npos && url.size() > 8) return "";
    return std::string("the ") + std::string(name) + " must be an https:// (or http://) address without blanks";
}

std::string CheckStation(const StationSettings& s) {
    for (std::string reason : {CheckCallsign(s.callsign), CheckLatitude(s.latitude), CheckLongitude(s.longitude),
                               CheckNoradId(s.noradId), CheckUrl(s.sidsUrl, "SiDS address"),
                               CheckUrl(s.dbUrl, "SatNOGS DB address")})
        if (!reason.empty()) return reason;
    return "";
}

std::string MissingForSharing(const StationSettings& s) {
    if (s.noradId.empty()) return "SATNOGS_NORAD_ID";
    if (s.callsign.empty()) return "STATION_CALLSIGN";
    if (s.latitude.empty()) return "STATION_LATITUDE";
    if (s.longitude.empty()) return "STATION_LONGITUDE";
    if (s.sidsUrl.empty()) return "SIDS_URL";
    return "";
}

}  // namespace tavro
