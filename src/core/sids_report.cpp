#include "sids_report.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "kiss_decoder.h"
#include "utc_time.h"

namespace tavro {

bool IsSatelliteKissFrame(std::span<const std::uint8_t> f, std::uint8_t dataCommand) {
    // The headers' own first byte is port 0's command byte: compared from byte 1 on.
    return f.size() >= kKissHeader62.size() && f[0] == dataCommand &&
           (std::equal(kKissHeader62.begin() + 1, kKissHeader62.end(), f.begin() + 1) ||
            std::equal(kKissHeader64.begin() + 1, kKissHeader64.end(), f.begin() + 1));
}

std::string PercentEncoded(std::string_view text) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (const char c : text) {
        const auto u = static_cast<unsigned char>(c);
        if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '.' ||
            c == '_' || c == '~') {
            out += c;
        } else {
            out += '%';
            out += kHex[u >> 4];
            out += kHex[u & 15];
        }
    }
    return out;
}

namespace {
std::string Degrees(double v, char positive, char negative) {
    char text[32];
    std::snprintf(text, sizeof text, "%.4f%c", std::fabs(v), v < 0 ? negative : positive);
    return text;
}
}  // namespace

std::string SidsLongitude(double degrees) { return Degrees(degrees, 'E', 'W'); }
std::string SidsLatitude(double degrees) { return Degrees(degrees, 'N', 'S'); }

std::string SidsRequestBody(const StationSettings& s, std::int64_t utcMs, std::span<const std::uint8_t> ax25,
                            std::string_view version) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string frame;
    for (std::uint8_t b : ax25) frame += {kHex[b >> 4], kHex[b & 15]};
    const auto field = [](std::string& body, const char* name, std::string_view value) {
        body.append(body.empty() ? "" : "&").append(name).append("=").append(PercentEncoded(value));
    };
    std::string body;
    field(body, "noradID", s.noradId);
    field(body, "source", s.callsign);
    field(body, "timestamp", UtcIsoText(utcMs));
    field(body, "frame", frame);
    field(body, "locator", "longLat");
    field(body, "longitude", SidsLongitude(DegreesOf(s.longitude).value_or(0)));
    field(body, "latitude", SidsLatitude(DegreesOf(s.latitude).value_or(0)));
    field(body, "version", version);
    return body;
}

}  // namespace tavro
