// Cookie store, following the storage model of RFC 6265 section 5.3 and the
// parsing of section 5.2.
//
//   Set-Cookie: sid=42; Domain=.example.org; Path=/; Max-Age=3600
//   received from http://www.example.org/a/b  ->  a cookie for example.org
//   and every host below it, all paths, for one hour; a later request to
//   http://meteo.example.org/x carries "Cookie: sid=42".
#include "cookies.h"

#include <algorithm>
#include <array>
#include <limits>
#include <optional>

#include "ascii.h"

namespace nubra {
namespace {

constexpr std::int64_t kFarFuture = std::numeric_limits<std::int64_t>::max() / 4;
constexpr std::int64_t kLongAgo = std::numeric_limits<std::int64_t>::min() / 4;

using ascii::isDigit;
using ascii::lowerAscii;
using ascii::equalsIgnoreCase;
using ascii::trim;

// Bytes that would let a cookie break the request it travels in.
bool hasControlBytes(std::string_view s)
{
    return std::any_of(s.begin(), s.end(), [](char c) {
        const auto u = static_cast<unsigned char>(c);
        return u < 0x20 || u == 0x7F;
    });
}

// Section 5.1.1: the delimiters that split a cookie date into tokens.
bool isDateDelimiter(unsigned char c)
{
    return c == 0x09 || (c >= 0x20 && c <= 0x2F) || (c >= 0x3B && c <= 0x40) || (c >= 0x5B && c <= 0x60)
           || (c >= 0x7B && c <= 0x7E);
}

// Leading run of 1..maxDigits digits not followed by another digit; the
// value, or nullopt.
std::optional<int> leadingNumber(std::string_view token, std::size_t minDigits, std::size_t maxDigits)
{
    std::size_t n = 0;
    while (n < token.size() && isDigit(token[n]))
        ++n;
    if (n < minDigits || n > maxDigits)
        return std::nullopt;
    int value = 0;
    for (std::size_t i = 0; i < n; ++i)
        value = value * 10 + (token[i] - '0');
    return value;
}

std::optional<std::array<int, 3>> parseTime(std::string_view token)
{
    std::array<int, 3> hms{};
    for (int part = 0; part < 3; ++part) {
        std::size_t n = 0;
        while (n < token.size() && isDigit(token[n]))
            ++n;
        if (n < 1 || n > 2)
            return std::nullopt;
        hms[part] = (token[0] - '0') * (n == 2 ? 10 : 1) + (n == 2 ? token[1] - '0' : 0);
        token.remove_prefix(n);
        if (part < 2) {
            if (token.empty() || token.front() != ':')
                return std::nullopt;
            token.remove_prefix(1);
        }
    }
    return hms;
}

// Days from 1970-01-01 to the given date of the proleptic Gregorian
// calendar (Howard Hinnant's days_from_civil).
std::int64_t daysFromCivil(std::int64_t y, int m, int d)
{
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const std::int64_t yoe = y - era * 400;
    const std::int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

int daysInMonth(int year, int month)
{
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month == 2 && leap ? 29 : kDays[month - 1];
}

bool domainMatch(std::string_view host, std::string_view domain, bool hostIsIp)
{
    if (host == domain)
        return true;
    return !hostIsIp && host.size() > domain.size() && host.ends_with(domain)
           && host[host.size() - domain.size() - 1] == '.';
}

bool looksLikeIpv4(std::string_view host)
{
    return !host.empty() && std::all_of(host.begin(), host.end(), [](char c) { return isDigit(c) || c == '.'; });
}

bool pathMatch(std::string_view requestPath, std::string_view cookiePath)
{
    if (requestPath == cookiePath)
        return true;
    return requestPath.starts_with(cookiePath)
           && (cookiePath.ends_with('/') || requestPath[cookiePath.size()] == '/');
}

// Section 5.1.4.
std::string defaultPath(std::string_view uriPath)
{
    if (uriPath.empty() || uriPath.front() != '/')
        return "/";
    const std::size_t last = uriPath.rfind('/');
    if (last == 0)
        return "/";
    return std::string(uriPath.substr(0, last));
}

// Splits at commas that are not inside double quotes (Set-Cookie2 lists).
std::vector<std::string_view> splitOutsideQuotes(std::string_view s)
{
    std::vector<std::string_view> parts;
    bool quoted = false;
    std::size_t start = 0;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '"')
            quoted = !quoted;
        else if (s[i] == ',' && !quoted) {
            parts.push_back(s.substr(start, i - start));
            start = i + 1;
        }
    }
    parts.push_back(s.substr(start));
    return parts;
}

std::string_view unquote(std::string_view s)
{
    if (s.size() >= 2 && s.front() == '"' && s.back() == '"')
        return s.substr(1, s.size() - 2);
    return s;
}

// Second-level names that registries hand out to the public. Not the whole
// public suffix list: the registries of the countries this program serves
// and the most common elsewhere. One-label names are always public.
constexpr std::string_view kPublicSuffixes[] = {
    // France, Belgium, Switzerland, Canada (provinces and territories)
    "asso.fr", "com.fr", "gouv.fr", "nom.fr", "prd.fr", "tm.fr", "presse.fr", "ac.be",
    "ab.ca", "bc.ca", "mb.ca", "nb.ca", "nf.ca", "nl.ca", "ns.ca", "nt.ca", "nu.ca", "on.ca", "pe.ca",
    "qc.ca", "sk.ca", "yk.ca", "gc.ca",
    // elsewhere
    "co.uk", "org.uk", "ac.uk", "gov.uk", "me.uk", "ltd.uk", "plc.uk", "net.uk", "sch.uk",
    "com.au", "net.au", "org.au", "edu.au", "gov.au", "co.nz", "org.nz", "co.jp", "ne.jp", "or.jp",
    "com.br", "com.cn", "com.mx", "com.ar", "com.tr", "co.za", "co.in", "co.kr", "com.sg", "com.hk",
    "com.tw", "com.pl", "co.il", "com.es", "com.pt", "co.at", "or.at", "com.ru", "eu.org",
    "github.io", "blogspot.com", "appspot.com", "herokuapp.com", "netlify.app", "pages.dev",
};

} // namespace

bool IsPublicSuffix(std::string_view domain)
{
    if (domain.empty() || domain.find('.') == std::string_view::npos)
        return true;
    return std::find(std::begin(kPublicSuffixes), std::end(kPublicSuffixes), domain) != std::end(kPublicSuffixes);
}

bool ParseCookieDate(std::string_view text, std::int64_t& seconds)
{
    std::optional<std::array<int, 3>> time;
    std::optional<int> day, month, year;
    static constexpr std::string_view kMonths[] = {"jan", "feb", "mar", "apr", "may", "jun",
                                                   "jul", "aug", "sep", "oct", "nov", "dec"};
    std::size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && isDateDelimiter(static_cast<unsigned char>(text[i])))
            ++i;
        std::size_t j = i;
        while (j < text.size() && !isDateDelimiter(static_cast<unsigned char>(text[j])))
            ++j;
        const std::string_view token = text.substr(i, j - i);
        i = j;
        if (token.empty())
            continue;
        if (!time) {
            if ((time = parseTime(token)))
                continue;
        }
        if (!day) {
            if ((day = leadingNumber(token, 1, 2)))
                continue;
        }
        if (!month && token.size() >= 3) {
            for (int m = 0; m < 12; ++m) {
                if (equalsIgnoreCase(token.substr(0, 3), kMonths[m])) {
                    month = m + 1;
                    break;
                }
            }
            if (month)
                continue;
        }
        if (!year)
            year = leadingNumber(token, 2, 4);
    }
    if (!time || !day || !month || !year)
        return false;
    int y = *year;
    if (y >= 70 && y <= 99)
        y += 1900;
    else if (y >= 0 && y <= 69)
        y += 2000;
    const auto [h, mi, s] = *time;
    if (y < 1601 || *day < 1 || *day > daysInMonth(y, *month) || h > 23 || mi > 59 || s > 59)
        return false;
    seconds = daysFromCivil(y, *month, *day) * 86400 + h * 3600 + mi * 60 + s;
    return true;
}

namespace {

// The attributes of one Set-Cookie header that the store acts on.
struct Attributes {
    std::optional<std::int64_t> expires;
    std::optional<std::int64_t> maxAge;  // the expiry time it gives
    std::optional<std::string> domain;   // in lower case, without a leading dot
    std::optional<std::string> path;
    bool secure = false;
};

// Section 5.2.2: the expiry time that a Max-Age value gives, or nullopt
// when the value is not an optional '-' followed by digits. Zero or a
// negative count means "expired already".
std::optional<std::int64_t> maxAgeExpiry(std::string_view value, std::int64_t now)
{
    std::string_view digits = value;
    const bool negative = !digits.empty() && digits.front() == '-';
    if (negative)
        digits.remove_prefix(1);
    if (digits.empty() || !std::all_of(digits.begin(), digits.end(), isDigit))
        return std::nullopt;
    // Any count of digits: a delta past the far future saturates.
    std::int64_t delta = 0;
    for (const char d : digits) {
        if (delta > (kFarFuture - 9) / 10) {
            delta = kFarFuture;
            break;
        }
        delta = delta * 10 + (d - '0');
    }
    return negative || delta == 0 ? kLongAgo : std::min(now + delta, kFarFuture);
}

// Section 5.2: the ';'-separated attributes after the name-value pair. An
// Expires, Max-Age or Domain value that cannot be read is ignored; a Path
// that does not start with '/' stands for the default path. Of an attribute
// given twice, the later wins.
Attributes parseAttributes(std::string_view rest, std::int64_t now)
{
    Attributes a;
    while (!rest.empty()) {
        const std::size_t next = rest.find(';');
        const std::string_view attr = rest.substr(0, next);
        rest = next == std::string_view::npos ? std::string_view() : rest.substr(next + 1);
        const std::size_t aeq = attr.find('=');
        const std::string_view name = trim(attr.substr(0, aeq));
        const std::string_view value =
            aeq == std::string_view::npos ? std::string_view() : unquote(trim(attr.substr(aeq + 1)));
        if (equalsIgnoreCase(name, "expires")) {
            std::int64_t t = 0;
            if (ParseCookieDate(value, t))
                a.expires = t;
        } else if (equalsIgnoreCase(name, "max-age")) {
            if (const auto expiry = maxAgeExpiry(value, now))
                a.maxAge = expiry;
        } else if (equalsIgnoreCase(name, "domain")) {
            if (!value.empty())
                a.domain = lowerAscii(value.front() == '.' ? value.substr(1) : value);
        } else if (equalsIgnoreCase(name, "path")) {
            if (value.empty() || value.front() != '/')
                a.path.reset();
            else
                a.path = std::string(value);
        } else if (equalsIgnoreCase(name, "secure")) {
            a.secure = true;
        }
    }
    return a;
}

} // namespace

void TCookieStore::SetCookie(std::string_view header, const TUrl& url, std::int64_t now)
{
    // Section 5.2: the name-value pair, then the attributes.
    const std::size_t semi = header.find(';');
    const std::string_view pair = header.substr(0, semi);
    const std::size_t eq = pair.find('=');
    if (eq == std::string_view::npos)
        return;
    TCookie c;
    c.Name = std::string(trim(pair.substr(0, eq)));
    c.Value = std::string(trim(pair.substr(eq + 1)));
    if (c.Name.empty() || c.Name.size() + c.Value.size() > kMaxCookieBytes || hasControlBytes(c.Name)
        || hasControlBytes(c.Value))
        return;
    Attributes attributes =
        parseAttributes(semi == std::string_view::npos ? std::string_view() : header.substr(semi + 1), now);

    // This client never speaks TLS, so a Secure cookie could never go out;
    // and a plain-HTTP page may not set one (RFC 6265bis).
    if (attributes.secure)
        return;

    // Section 5.3, steps 3 to 11.
    if (attributes.maxAge) {
        c.Persistent = true;
        c.Expiry = *attributes.maxAge;
    } else if (attributes.expires) {
        c.Persistent = true;
        c.Expiry = *attributes.expires;
    }
    std::optional<std::string>& domain = attributes.domain;
    // "Domain=." leaves an empty domain once its dot is removed: it names
    // no domain, so the cookie is host-only (step 6), not refused.
    if (domain && domain->empty())
        domain.reset();
    const bool hostIsIp = url.Ipv6 || looksLikeIpv4(url.Host);
    if (domain && hostIsIp && *domain != url.Host)
        return;
    if (domain && !hostIsIp && IsPublicSuffix(*domain)) {
        if (*domain != url.Host)
            return;
        domain.reset();  // a host that is itself a registry keeps its own cookies
    }
    if (domain) {
        if (hasControlBytes(*domain) || !domainMatch(url.Host, *domain, hostIsIp))
            return;
        c.HostOnly = false;
        c.Domain = *domain;
    } else {
        c.HostOnly = true;
        c.Domain = url.Host;
    }
    c.Path = attributes.path ? *attributes.path : defaultPath(url.Path());
    if (hasControlBytes(c.Path))
        return;
    c.Creation = now;
    store(std::move(c), now);
}

void TCookieStore::SetCookie2(std::string_view header, const TUrl& url, std::int64_t now)
{
    for (const std::string_view one : splitOutsideQuotes(header)) {
        if (!trim(one).empty())
            SetCookie(trim(one), url, now);
    }
}

void TCookieStore::store(TCookie cookie, std::int64_t now)
{
    const auto same = std::find_if(cookies_.begin(), cookies_.end(), [&](const TCookie& o) {
        return o.Name == cookie.Name && o.Domain == cookie.Domain && o.Path == cookie.Path;
    });
    if (same != cookies_.end()) {
        cookie.Creation = same->Creation;
        cookie.Order = same->Order;
        cookies_.erase(same);
    } else {
        cookie.Order = nextOrder_++;
    }
    if (cookie.Persistent && cookie.Expiry <= now)
        return;  // an expiry in the past deletes the cookie
    dropExpired(now);

    auto oldestOf = [this](auto pred) {
        auto oldest = cookies_.end();
        for (auto it = cookies_.begin(); it != cookies_.end(); ++it)
            if (pred(*it) && (oldest == cookies_.end() || it->Order < oldest->Order))
                oldest = it;
        return oldest;
    };
    const std::size_t sameDomain = std::count_if(cookies_.begin(), cookies_.end(),
                                                 [&](const TCookie& o) { return o.Domain == cookie.Domain; });
    if (sameDomain >= kMaxCookiesPerDomain)
        cookies_.erase(oldestOf([&](const TCookie& o) { return o.Domain == cookie.Domain; }));
    if (cookies_.size() >= kMaxCookies)
        cookies_.erase(oldestOf([](const TCookie&) { return true; }));
    cookies_.push_back(std::move(cookie));
}

void TCookieStore::dropExpired(std::int64_t now)
{
    std::erase_if(cookies_, [now](const TCookie& c) { return c.Persistent && c.Expiry <= now; });
}

std::string TCookieStore::CookieHeader(const TUrl& url, std::int64_t now)
{
    dropExpired(now);
    const bool hostIsIp = url.Ipv6 || looksLikeIpv4(url.Host);
    const std::string path = url.Path();
    std::vector<const TCookie*> chosen;
    for (const TCookie& c : cookies_) {
        const bool hostOk = c.HostOnly ? url.Host == c.Domain : domainMatch(url.Host, c.Domain, hostIsIp);
        if (hostOk && pathMatch(path, c.Path))
            chosen.push_back(&c);
    }
    std::stable_sort(chosen.begin(), chosen.end(), [](const TCookie* a, const TCookie* b) {
        if (a->Path.size() != b->Path.size())
            return a->Path.size() > b->Path.size();
        if (a->Creation != b->Creation)
            return a->Creation < b->Creation;
        return a->Order < b->Order;
    });
    std::string header;
    for (const TCookie* c : chosen) {
        if (!header.empty())
            header += "; ";
        header += c->Name;
        header += '=';
        header += c->Value;
    }
    return header;
}

} // namespace nubra
