#include "telemetry_pages.h"

#include <algorithm>
#include <cctype>
#include <thread>

#include "http_client.h"
#include "utc_time.h"

namespace tavro {

std::string TelemetryUrl(const std::string& dbUrl, const std::string& noradId, std::int64_t fromMs, std::int64_t toMs) {
    std::string base = dbUrl;
    if (!base.empty() && base.back() != '/') base += '/';
    return base + "telemetry/?satellite=" + noradId + "&start=" + UtcIsoText(fromMs) + "&end=" + UtcIsoText(toMs);
}

std::string NextLink(std::string_view link) {
    // Entries "<url>; param; param", separated by commas outside <>.
    std::size_t at = 0;
    while ((at = link.find('<', at)) != std::string_view::npos) {
        const std::size_t close = link.find('>', at);
        if (close == std::string_view::npos) return "";
        const std::string_view url = link.substr(at + 1, close - at - 1);
        const std::size_t next = link.find('<', close);
        std::string params(link.substr(close + 1, next == std::string_view::npos ? std::string_view::npos : next - close - 1));
        for (char& c : params) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        params.erase(std::remove(params.begin(), params.end(), ' '), params.end());
        if (params.find("rel=\"next\"") != std::string::npos || params.find("rel=next") != std::string::npos)
            return std::string(url);
        at = close;
    }
    return "";
}

TelemetryPager::TelemetryPager(std::string firstUrl, PagerOptions options)
    : next_(std::move(firstUrl)), options_(std::move(options)) {}

bool TelemetryPager::Next(std::string& body, std::string& url) {
    if (next_.empty() || !error_.empty()) return false;
    if (!fetched_.insert(next_).second) {
        error_ = "the pages of SatNOGS DB lead back to " + next_;
        return false;
    }
    HttpRequest request;
    request.url = next_;
    request.token = options_.token;
    request.tokenHost = options_.tokenHost;
    request.timeout = std::chrono::milliseconds(0);  // a page may be large: only a stall ends it
    request.cancel = options_.cancel;
    while (true) {
        HttpResponse r = HttpFetch(request);
        if (r.cancelled) {
            cancelled_ = true;
            error_ = "cancelled";
            return false;
        }
        if (r.status == 429) {
            const long long seconds = RetryAfterSeconds(r.retryAfter, 0);
            const auto wait = std::chrono::milliseconds(seconds < 0 ? 60000 : seconds * 1000);
            if (wait > options_.longestWait) {
                error_ = "SatNOGS DB asks to wait " + std::to_string(wait.count() / 1000) +
                         " s (more than 5 minutes): stopped, try again later";
                return false;
            }
            const bool waited = options_.wait ? options_.wait(wait) : (std::this_thread::sleep_for(wait), true);
            if (!waited || (options_.cancel && *options_.cancel)) {
                cancelled_ = true;
                error_ = "cancelled";
                return false;
            }
            continue;
        }
        if (r.status == 401 || r.status == 403) {
            error_ = "the SatNOGS DB token was refused";
        } else if (r.status == 0) {
            error_ = "cannot fetch " + request.url + ": " + r.error;
        } else if (r.status < 200 || r.status >= 300) {
            error_ = "SatNOGS DB answered " + std::to_string(r.status) + " for " + request.url;
        }
        if (!error_.empty()) return false;
        url = request.url;
        body = std::move(r.body);
        next_ = NextLink(r.link);
        return true;
    }
}

}  // namespace tavro
