// One HTTP request through libcurl, with the rules every request of the
// programs keeps:
//   - TLS certificates are verified; the environment's proxy settings
//     (http_proxy, https_proxy, no_proxy) are honoured; only http and https.
//   - Redirects are followed here, hop by hop (at most 10, a URL seen twice
//     is a loop): the token goes only to tokenHost, never to another host a
//     redirect leads to, and never over plain http:// unless the host is
//     the local machine (such a hop is refused).
//   - An answer larger than maxBytes is refused.
//   - Nothing is printed or logged; error texts name URLs, never the token.
//
//   HttpRequest r{.url = "https://db.satnogs.org/api/telemetry/?satellite=99999"};
//   r.token = "abc"; r.tokenHost = "db.satnogs.org";
//   HttpResponse a = HttpFetch(r);   a.status 200, a.body "[...]", a.link "<...>; rel=\"next\""
#pragma once

#include <atomic>
#include <chrono>
#include <cstddef>
#include <string>
#include <string_view>

namespace tavro {

struct HttpRequest {
    std::string url;
    std::string body;         // POSTed when not empty
    std::string contentType;  // of the body
    std::string token;        // "Authorization: Token …", to tokenHost only
    std::string tokenHost;
    std::chrono::milliseconds timeout{10000};  // the whole request; 0: none
    std::chrono::milliseconds stall{30000};    // no byte for this long ends it
    std::size_t maxBytes = 64u << 20;
    const std::atomic<bool>* cancel = nullptr;  // set: the request ends soon
};

struct HttpResponse {
    long status = 0;    // 0: no answer; error says why
    std::string error;  // "Connection refused", "timed out", "… larger than 64 MiB", "redirect loop at …"
    bool timedOut = false;
    bool cancelled = false;
    std::string body;
    std::string link;        // the Link header(s)
    std::string retryAfter;  // the Retry-After header
    std::string url;         // the URL that answered
};

HttpResponse HttpFetch(const HttpRequest& request);

// The host of a URL in lower case ("HTTPS://DB.SatNOGS.org:443/api/" -> "db.satnogs.org"); "" when it has none.
std::string UrlHost(std::string_view url);
// localhost, 127.0.0.0/8, ::1
bool IsLocalHost(std::string_view host);

// Retry-After as seconds: "120" or an HTTP date (against nowSeconds); -1 when unreadable.
long long RetryAfterSeconds(std::string_view value, long long nowSeconds);

}  // namespace tavro
