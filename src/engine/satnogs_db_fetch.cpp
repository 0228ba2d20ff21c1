#include "satnogs_db_fetch.h"

#include "http_client.h"
#include "session.h"
#include "telemetry_pages.h"
#include "utc_time.h"

namespace tavro {

namespace {
constexpr std::int64_t kFirstFetchMs = 30LL * 24 * 3600 * 1000;  // the first fetch goes 30 days back
}

std::string DbFetchCountsText(const DbFetchProgress& c) {
    return std::to_string(c.pages) + " pages, " + std::to_string(c.frames) + " frames, " + std::to_string(c.beaconsNew) +
           " new beacons";
}

DbFetchResult FetchFromSatnogsDb(const DbFetchOptions& o, const DbPageSink& sink) {
    DbFetchResult result;
    result.toMs = o.toMs.value_or(o.nowMs);
    result.fromMs = o.fromMs ? *o.fromMs : o.newestFetched ? *o.newestFetched + 1 : result.toMs - kFirstFetchMs;
    const StationSettings& s = o.station;
    if (s.noradId.empty()) return result.message = "SATNOGS_NORAD_ID is not set (the satellite's catalogue number)", result;
    if (s.token.empty()) return result.message = "SATNOGS_DB_TOKEN is not set (the API token of your SatNOGS DB account)", result;
    if (const std::string bad = CheckNoradId(s.noradId) + CheckUrl(s.dbUrl, "SatNOGS DB address"); !bad.empty())
        return result.message = bad, result;
    if (result.fromMs >= result.toMs) return result.ok = true, result.message = "nothing to fetch: up to date", result;
    PagerOptions pager;
    pager.token = s.token;
    pager.tokenHost = UrlHost(s.dbUrl);
    pager.wait = o.wait;
    pager.cancel = o.cancel;
    TelemetryPager pages(TelemetryUrl(s.dbUrl, s.noradId, result.fromMs, result.toMs), pager);
    std::string body, url;
    while (pages.Next(body, url)) {
        const DbPageResult page = sink(body, url);
        const bool cancelled = o.cancel && *o.cancel;
        if (!page.error.empty() && !cancelled) {
            result.message = "the page " + url + " could not be read (" + page.error + "): stopped; the " +
                             std::to_string(result.counts.pages) + " pages before it are kept";
            return result;
        }
        if (page.error.empty()) {
            ++result.counts.pages;
            result.counts.frames += page.frames;
            result.counts.beaconsNew += page.beaconsNew;
            if (o.progress) o.progress(result.counts);
        }
        if (cancelled) break;
    }
    result.cancelled = pages.Cancelled() || (o.cancel && *o.cancel);
    if (result.cancelled) return result.message = "cancelled: what was fetched is kept", result;
    result.message = pages.Error();
    result.ok = result.message.empty();
    return result;
}

DbPageSink SessionPageSink(Session& session) {
    return [&session](const std::string& body, const std::string& url) {
        session.BeginSelection();
        session.BeginFile(url, InputKind::Satnogs, SourceKind::SatnogsDb);
        session.Feed({reinterpret_cast<const std::uint8_t*>(body.data()), body.size()});
        session.EndFile();
        session.EndSelection();
        session.WaitForArchive();  // the page is in the archive before the next is asked for
        const SelectionSummary summary = session.Summary();
        DbPageResult result;
        result.frames = summary.files.back().frames;
        result.error = summary.files.back().error;
        if (!summary.archived.empty()) {
            result.beaconsNew = summary.archived.back().beaconsNew;
            if (result.error.empty() && !summary.archived.back().error.empty())
                result.error = "the archive: " + summary.archived.back().error;
        }
        return result;
    };
}

}  // namespace tavro
