// The HTTP client's cookie store (RFC 6265), kept in memory for the life of
// the client and never written anywhere. Answers fill it through their
// "Set-Cookie" and "Set-Cookie2" headers; each request takes from it the
// cookies whose domain, path and expiry match.
//
// Times are seconds since 1970-01-01 UTC, passed in by the caller so that
// tests can move the clock.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "url.h"

namespace nubra {

struct TCookie {
    std::string Name;
    std::string Value;
    std::string Domain;   // lower case, no leading "."
    std::string Path;
    bool HostOnly = true;  // sent to Domain exactly, not to its subdomains
    bool Persistent = false;
    std::int64_t Expiry = 0;  // when Persistent
    std::int64_t Creation = 0;
    std::uint64_t Order = 0;  // ties of Creation keep the order of arrival
};

class TCookieStore {
public:
    // A store stays small whatever servers send.
    static constexpr std::size_t kMaxCookies = 3000;
    static constexpr std::size_t kMaxCookiesPerDomain = 50;
    static constexpr std::size_t kMaxCookieBytes = 4096;  // name plus value

    // One "Set-Cookie" header value received in answer to `url`. A cookie
    // is refused (silently, as browsers do) when it names a domain that is
    // a public suffix or that the host does not belong to, when it is
    // marked Secure (this client never speaks TLS), or when it is too big.
    void SetCookie(std::string_view header, const TUrl& url, std::int64_t now);

    // One "Set-Cookie2" header value: a comma-separated list of cookies.
    void SetCookie2(std::string_view header, const TUrl& url, std::int64_t now);

    // The value of the "Cookie" header for a request to `url`, or empty
    // when no stored cookie matches: "a=1; b=2", longer paths first, then
    // older cookies first.
    std::string CookieHeader(const TUrl& url, std::int64_t now);

    std::size_t Size() const { return cookies_.size(); }

private:
    void store(TCookie cookie, std::int64_t now);
    void dropExpired(std::int64_t now);

    std::vector<TCookie> cookies_;
    std::uint64_t nextOrder_ = 0;
};

// Parses a cookie date (RFC 6265 section 5.1.1) into seconds since 1970.
// False when the text is no date or names a year before 1601.
bool ParseCookieDate(std::string_view text, std::int64_t& seconds);

// True for the domains under which anyone may register names ("fr",
// "co.uk", "qc.ca"...): no site may set a cookie for all of them. Every
// one-label name counts; the longer ones come from a short built-in list.
bool IsPublicSuffix(std::string_view domain);

} // namespace nubra
