// The SatNOGS DB telemetry API, page by page:
//   GET {SATNOGS_DB_URL}telemetry/?satellite=99999&start=2026-11-06T10:14:03.000Z&end=2026-12-06T10:14:03.000Z
//   Authorization: Token …
//   -> 200, a JSON array of frames; the next page's URL in the Link header:
//      Link: <https://db.satnogs.org/api/telemetry/?cursor=cD0y…>; rel="next"
// 429 waits Retry-After (at most 5 min, else the fetch stops and says so);
// 401 and 403: "the SatNOGS DB token was refused".
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <set>
#include <string>
#include <string_view>

namespace tavro {

// {dbUrl}telemetry/?satellite=N&start=T&end=T, T as 2026-12-06T10:14:03.250Z.
std::string TelemetryUrl(const std::string& dbUrl, const std::string& noradId, std::int64_t fromMs, std::int64_t toMs);

// The URL of rel="next" in a Link header; "" when there is none.
//   <https://a/?page=2>; rel="next", <https://a/?page=1>; rel="prev"  -> "https://a/?page=2"
std::string NextLink(std::string_view link);

struct PagerOptions {
    std::string token;
    std::string tokenHost;  // the host of SATNOGS_DB_URL
    // Waits out a 429's Retry-After; false: cancelled. Empty: sleeps.
    std::function<bool(std::chrono::milliseconds)> wait;
    std::chrono::milliseconds longestWait{5 * 60 * 1000};
    const std::atomic<bool>* cancel = nullptr;
};

class TelemetryPager {
public:
    TelemetryPager(std::string firstUrl, PagerOptions options);
    // The next page's body and URL; false at the end (Error() empty) or on a failure.
    bool Next(std::string& body, std::string& url);
    const std::string& Error() const { return error_; }
    bool Cancelled() const { return cancelled_; }

private:
    std::string next_;
    PagerOptions options_;
    std::set<std::string> fetched_;
    std::string error_;
    bool cancelled_ = false;
};

}  // namespace tavro
