// Fetching the network's frames of the satellite from the SatNOGS DB
// telemetry API into the archive, page by page, each page read as a
// SatNOGS JSON export and added as receptions of kind satnogs-db:
//
//   span:  from --from, else 1 ms after the newest reception fetched before,
//          else 30 days back; to --to, else now
//   GET {SATNOGS_DB_URL}telemetry/?satellite=99999&start=2026-11-06T10:14:03.000Z&end=2026-12-06T10:14:03.000Z
//   -> "3 pages, 120 frames, 40 new beacons"
//
// A page that is not valid JSON stops the fetch with its URL; the pages
// before it stay in the archive, as they do when the user cancels.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "station_settings.h"

namespace tavro {

struct DbFetchProgress {
    int pages = 0;
    long long frames = 0, beaconsNew = 0;
};

// What one page gave; error: why it could not be read ("not valid JSON") or added.
struct DbPageResult {
    long long frames = 0, beaconsNew = 0;
    std::string error;
};
using DbPageSink = std::function<DbPageResult(const std::string& body, const std::string& url)>;

struct DbFetchOptions {
    StationSettings station;
    std::optional<std::int64_t> fromMs, toMs;   // --from, --to
    std::optional<std::int64_t> newestFetched;  // the archive's newest satnogs-db reception
    std::int64_t nowMs = 0;
    std::function<bool(std::chrono::milliseconds)> wait;  // a 429's wait; false: cancelled. Empty: sleeps
    const std::atomic<bool>* cancel = nullptr;
    std::function<void(const DbFetchProgress&)> progress;  // after each page
};

struct DbFetchResult {
    bool ok = false;
    bool cancelled = false;
    std::string message;  // why it stopped; never the token
    DbFetchProgress counts;
    std::int64_t fromMs = 0, toMs = 0;
};

DbFetchResult FetchFromSatnogsDb(const DbFetchOptions& options, const DbPageSink& sink);

class Session;
// Each page read by session as a SatNOGS JSON export, a selection of its own.
DbPageSink SessionPageSink(Session& session);

// "3 pages, 120 frames, 40 new beacons"
std::string DbFetchCountsText(const DbFetchProgress& counts);

}  // namespace tavro
