#include "http_client.h"

#include <curl/curl.h>

#include <algorithm>
#include <cctype>
#include <memory>
#include <mutex>
#include <set>

namespace tavro {

namespace {

constexpr int kMaxRedirects = 10;

void GlobalInit() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

std::string Lower(std::string_view s) {
    std::string out(s);
    for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

struct Transfer {
    const HttpRequest* request;
    HttpResponse* response;
    bool tooLarge = false;
};

std::size_t OnBody(char* data, std::size_t size, std::size_t n, void* user) {
    auto* t = static_cast<Transfer*>(user);
    const std::size_t bytes = size * n;
    if (t->response->body.size() + bytes > t->request->maxBytes) {
        t->tooLarge = true;
        return 0;  // ends the transfer
    }
    t->response->body.append(data, bytes);
    return bytes;
}

// Keeps Link and Retry-After of the last response (a proxy's answer to CONNECT comes first).
std::size_t OnHeader(char* data, std::size_t size, std::size_t n, void* user) {
    auto* r = static_cast<Transfer*>(user)->response;
    std::string_view line(data, size * n);
    while (!line.empty() && (line.back() == '\r' || line.back() == '\n')) line.remove_suffix(1);
    if (line.rfind("HTTP/", 0) == 0) {
        r->link.clear();
        r->retryAfter.clear();
        return size * n;
    }
    const auto colon = line.find(':');
    if (colon == std::string_view::npos) return size * n;
    const std::string name = Lower(line.substr(0, colon));
    std::string_view value = line.substr(colon + 1);
    while (!value.empty() && value.front() == ' ') value.remove_prefix(1);
    if (name == "link") r->link.append(r->link.empty() ? "" : ", ").append(value);
    else if (name == "retry-after") r->retryAfter.assign(value);
    return size * n;
}

int OnProgress(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    const auto* cancel = static_cast<Transfer*>(user)->request->cancel;
    return cancel && cancel->load() ? 1 : 0;
}

std::string Scheme(std::string_view url) { return Lower(url.substr(0, std::min(url.find("://"), url.size()))); }

// One hop: no redirect followed. redirect: where a 3xx points to.
HttpResponse OneHop(const HttpRequest& request, const std::string& url, bool withToken, bool post, std::string& redirect) {
    HttpResponse response;
    response.url = url;
    Transfer transfer{&request, &response};
    std::unique_ptr<CURL, decltype(&curl_easy_cleanup)> curl(curl_easy_init(), curl_easy_cleanup);
    if (!curl) return response.error = "cannot start an HTTP request", response;
    CURL* c = curl.get();
    curl_easy_setopt(c, CURLOPT_URL, url.c_str());
    curl_easy_setopt(c, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(c, CURLOPT_FOLLOWLOCATION, 0L);
    curl_easy_setopt(c, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(c, CURLOPT_SSL_VERIFYHOST, 2L);
    curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(c, CURLOPT_USERAGENT, "tavro-decoder");
    curl_easy_setopt(c, CURLOPT_CONNECTTIMEOUT_MS, 10000L);
    if (request.timeout.count() > 0) curl_easy_setopt(c, CURLOPT_TIMEOUT_MS, static_cast<long>(request.timeout.count()));
    if (request.stall.count() > 0) {
        curl_easy_setopt(c, CURLOPT_LOW_SPEED_LIMIT, 1L);
        curl_easy_setopt(c, CURLOPT_LOW_SPEED_TIME, static_cast<long>((request.stall.count() + 999) / 1000));
    }
    curl_easy_setopt(c, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(request.maxBytes));
    curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, OnBody);
    curl_easy_setopt(c, CURLOPT_WRITEDATA, &transfer);
    curl_easy_setopt(c, CURLOPT_HEADERFUNCTION, OnHeader);
    curl_easy_setopt(c, CURLOPT_HEADERDATA, &transfer);
    curl_easy_setopt(c, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(c, CURLOPT_XFERINFOFUNCTION, OnProgress);
    curl_easy_setopt(c, CURLOPT_XFERINFODATA, &transfer);
    std::unique_ptr<curl_slist, decltype(&curl_slist_free_all)> headers(nullptr, curl_slist_free_all);
    const auto add = [&](const std::string& h) { headers.reset(curl_slist_append(headers.release(), h.c_str())); };
    add("Expect:");  // no 100-continue round trip for a small form
    if (withToken) add("Authorization: Token " + request.token);
    if (post) {
        add("Content-Type: " + request.contentType);
        curl_easy_setopt(c, CURLOPT_POSTFIELDS, request.body.c_str());
        curl_easy_setopt(c, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(request.body.size()));
    }
    curl_easy_setopt(c, CURLOPT_HTTPHEADER, headers.get());
    const CURLcode code = curl_easy_perform(c);
    if (code != CURLE_OK) {
        response.body.clear();
        response.timedOut = code == CURLE_OPERATION_TIMEDOUT;
        response.cancelled = code == CURLE_ABORTED_BY_CALLBACK;
        if (transfer.tooLarge || code == CURLE_FILESIZE_EXCEEDED)
            response.error = "the answer of " + url + " is larger than " + std::to_string(request.maxBytes >> 20) + " MiB";
        else if (response.cancelled) response.error = "cancelled";
        else if (response.timedOut) response.error = "no answer within the time allowed";
        else response.error = curl_easy_strerror(code);
        return response;
    }
    curl_easy_getinfo(c, CURLINFO_RESPONSE_CODE, &response.status);
    char* location = nullptr;
    if (response.status >= 300 && response.status < 400 && curl_easy_getinfo(c, CURLINFO_REDIRECT_URL, &location) == CURLE_OK &&
        location)
        redirect = location;
    return response;
}

}  // namespace

std::string UrlHost(std::string_view url) {
    GlobalInit();
    std::unique_ptr<CURLU, decltype(&curl_url_cleanup)> u(curl_url(), curl_url_cleanup);
    char* host = nullptr;
    if (!u || curl_url_set(u.get(), CURLUPART_URL, std::string(url).c_str(), 0) != CURLUE_OK ||
        curl_url_get(u.get(), CURLUPART_HOST, &host, 0) != CURLUE_OK)
        return "";
    std::string text = Lower(host);
    curl_free(host);
    return text;
}

bool IsLocalHost(std::string_view host) {
    return host == "localhost" || host == "[::1]" || host == "::1" || host.rfind("127.", 0) == 0;
}

long long RetryAfterSeconds(std::string_view value, long long nowSeconds) {
    while (!value.empty() && value.front() == ' ') value.remove_prefix(1);
    while (!value.empty() && value.back() == ' ') value.remove_suffix(1);
    if (value.empty()) return -1;
    if (std::all_of(value.begin(), value.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return value.size() > 9 ? 999999999 : std::stoll(std::string(value));
    const time_t at = curl_getdate(std::string(value).c_str(), nullptr);
    return at < 0 ? -1 : std::max<long long>(0, at - nowSeconds);
}

HttpResponse HttpFetch(const HttpRequest& request) {
    GlobalInit();
    const std::string tokenHost = Lower(request.tokenHost);
    std::string url = request.url;
    bool post = !request.body.empty();
    std::set<std::string> seen;
    for (int hop = 0;; ++hop) {
        const std::string host = UrlHost(url);
        const bool withToken = !request.token.empty() && !host.empty() && host == tokenHost;
        if (withToken && Scheme(url) != "https" && !IsLocalHost(host)) {
            HttpResponse refused;
            refused.url = url;
            refused.error = "the token is sent over https:// only, not to " + url;
            return refused;
        }
        seen.insert(url);
        std::string redirect;
        HttpResponse response = OneHop(request, url, withToken, post, redirect);
        if (redirect.empty()) return response;
        // A POST is followed only where the redirect keeps it a POST (307, 308).
        if (post && response.status != 307 && response.status != 308) return response;
        if (seen.count(redirect)) return HttpResponse{0, "redirect loop at " + redirect, false, false, {}, {}, {}, url};
        if (hop + 1 >= kMaxRedirects)
            return HttpResponse{0, "more than 10 redirects, the last to " + redirect, false, false, {}, {}, {}, url};
        if (response.status == 303) post = false;
        url = redirect;
    }
}

}  // namespace tavro
