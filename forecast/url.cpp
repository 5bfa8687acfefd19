// Address splitting and reference resolution, RFC 3986 sections 3 and 5.
//
//   http://user@Example.org:8080/a/./b/../c?q=1#top
//   scheme "http", authority "user@Example.org:8080", path "/a/./b/../c",
//   query "q=1", fragment "top"  ->  host "example.org", port 8080,
//   target "/a/c?q=1".
#include "url.h"

#include <algorithm>
#include <optional>

#include "ascii.h"

namespace nubra {
namespace {

struct UriParts {
    std::optional<std::string> scheme;
    std::optional<std::string> authority;
    std::string path;
    std::optional<std::string> query;
    // The fragment plays no part in a request and is not kept.
};

using ascii::hexValue;
using ascii::isAlnum;
using ascii::isAlpha;
using ascii::isDigit;
using ascii::lowerAscii;

// Appendix B of RFC 3986, written out as a scan instead of a regex.
UriParts splitUri(std::string_view s)
{
    UriParts p;
    // scheme = ALPHA *( ALPHA / DIGIT / "+" / "-" / "." ) ":"
    const std::size_t colon = s.find(':');
    if (colon != std::string_view::npos && colon > 0 && isAlpha(s[0])) {
        const std::string_view candidate = s.substr(0, colon);
        const bool ok = std::all_of(candidate.begin(), candidate.end(), [](char c) {
            return isAlnum(c) || c == '+' || c == '-' || c == '.';
        });
        // A scheme ends before any "/", "?" or "#".
        if (ok) {
            p.scheme = std::string(candidate);
            s.remove_prefix(colon + 1);
        }
    }
    if (const std::size_t hash = s.find('#'); hash != std::string_view::npos)
        s = s.substr(0, hash);
    if (s.substr(0, 2) == "//") {
        s.remove_prefix(2);
        const std::size_t end = s.find_first_of("/?");
        p.authority = std::string(s.substr(0, end));
        s = end == std::string_view::npos ? std::string_view() : s.substr(end);
    }
    if (const std::size_t q = s.find('?'); q != std::string_view::npos) {
        p.query = std::string(s.substr(q + 1));
        s = s.substr(0, q);
    }
    p.path = std::string(s);
    return p;
}

// Section 5.2.4.
std::string removeDotSegments(std::string_view in)
{
    std::string out;
    while (!in.empty()) {
        if (in.substr(0, 3) == "../") {
            in.remove_prefix(3);
        } else if (in.substr(0, 2) == "./") {
            in.remove_prefix(2);
        } else if (in.substr(0, 3) == "/./") {
            in.remove_prefix(2);
        } else if (in == "/.") {
            in = "/";
        } else if (in.substr(0, 4) == "/../" || in == "/..") {
            in = in.size() == 3 ? std::string_view("/") : in.substr(3);
            const std::size_t last = out.rfind('/');
            out.erase(last == std::string::npos ? 0 : last);
        } else if (in == "." || in == "..") {
            in = {};
        } else {
            const std::size_t next = in.find('/', 1);
            const std::size_t n = next == std::string_view::npos ? in.size() : next;
            out.append(in.substr(0, n));
            in.remove_prefix(n);
        }
    }
    return out;
}

// Section 5.2.3.
std::string mergePaths(const UriParts& base, const std::string& ref)
{
    if (base.authority && base.path.empty())
        return "/" + ref;
    const std::size_t slash = base.path.rfind('/');
    if (slash == std::string::npos)
        return ref;
    return base.path.substr(0, slash + 1) + ref;
}

// Section 5.3.
std::string recompose(const UriParts& p)
{
    std::string out;
    if (p.scheme)
        out += *p.scheme + ":";
    if (p.authority)
        out += "//" + *p.authority;
    out += p.path;
    if (p.query)
        out += "?" + *p.query;
    return out;
}

// Bytes that may not stand in a request line as they are.
bool needsEscape(unsigned char c)
{
    return c <= 0x20 || c >= 0x7F;
}

std::string escapeTarget(std::string_view s)
{
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(s.size());
    for (const char ch : s) {
        const auto c = static_cast<unsigned char>(ch);
        if (needsEscape(c)) {
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 0x0F];
        } else {
            out += ch;
        }
    }
    return out;
}

bool validHostName(std::string_view h)
{
    // Letters, digits, "-", "." and "_" (some intranets use it). Anything
    // else, control characters above all, could end up in the Host header.
    return !h.empty() && h.size() <= 253 && std::all_of(h.begin(), h.end(), [](char c) {
        return isAlnum(c) || c == '-' || c == '.' || c == '_';
    });
}

bool validIpv6(std::string_view h)
{
    return !h.empty() && std::all_of(h.begin(), h.end(), [](char c) {
        return hexValue(c) >= 0 || c == ':' || c == '.';
    });
}

} // namespace

std::string TUrl::HostHeader() const
{
    std::string h = Ipv6 ? "[" + Host + "]" : Host;
    if (Port != (Scheme == "https" ? 443 : 80))
        h += ":" + std::to_string(Port);
    return h;
}

std::string TUrl::Path() const
{
    return Target.substr(0, Target.find('?'));
}

TUrlError ParseUrl(std::string_view address, TUrl& url)
{
    const UriParts p = splitUri(address);
    url = TUrl{};
    if (!p.scheme)
        return TUrlError::NotAbsolute;
    // The scheme is filled in even when the rest is wrong: the caller tells
    // an https address apart whatever it holds.
    url.Scheme = lowerAscii(*p.scheme);
    if (!p.authority)
        return TUrlError::NotAbsolute;
    if (url.Scheme != "http" && url.Scheme != "https")
        return TUrlError::UnsupportedScheme;

    std::string_view auth = *p.authority;
    if (const std::size_t at = auth.rfind('@'); at != std::string_view::npos)
        auth.remove_prefix(at + 1);
    std::string_view host;
    std::string_view port;
    if (!auth.empty() && auth.front() == '[') {
        const std::size_t close = auth.find(']');
        if (close == std::string_view::npos)
            return TUrlError::BadHost;
        host = auth.substr(1, close - 1);
        const std::string_view rest = auth.substr(close + 1);
        if (!rest.empty() && rest.front() != ':')
            return TUrlError::BadHost;
        port = rest.empty() ? rest : rest.substr(1);
        url.PortGiven = !rest.empty();
        if (!validIpv6(host))
            return TUrlError::BadHost;
        url.Ipv6 = true;
    } else {
        const std::size_t colon = auth.find(':');
        host = auth.substr(0, colon);
        if (colon != std::string_view::npos) {
            port = auth.substr(colon + 1);
            url.PortGiven = true;
        }
        if (!validHostName(host))
            return TUrlError::BadHost;
    }
    url.Host = lowerAscii(host);

    url.Port = url.Scheme == "https" ? 443 : 80;
    if (!port.empty()) {  // "host:" with nothing after is the default port
        if (port.size() > 5 || !std::all_of(port.begin(), port.end(), isDigit))
            return TUrlError::BadPort;
        const int n = std::stoi(std::string(port));
        if (n < 1 || n > 65535)
            return TUrlError::BadPort;
        url.Port = static_cast<std::uint16_t>(n);
    }

    std::string target = removeDotSegments(p.path);
    if (target.empty() || target.front() != '/')
        target.insert(target.begin(), '/');
    if (p.query)
        target += "?" + *p.query;
    url.Target = escapeTarget(target);
    return TUrlError::None;
}

std::string ResolveReference(std::string_view base, std::string_view reference)
{
    // Leading and trailing spaces around a Location value are no part of it.
    const std::size_t first = reference.find_first_not_of(" \t");
    reference = first == std::string_view::npos ? std::string_view() : reference.substr(first);
    reference = reference.substr(0, reference.find_last_not_of(" \t") + 1);

    const UriParts b = splitUri(base);
    const UriParts r = splitUri(reference);
    UriParts t;
    if (r.scheme) {
        t = r;
        t.path = removeDotSegments(r.path);
    } else {
        t.scheme = b.scheme;
        if (r.authority) {
            t.authority = r.authority;
            t.path = removeDotSegments(r.path);
            t.query = r.query;
        } else {
            t.authority = b.authority;
            if (r.path.empty()) {
                t.path = b.path;
                t.query = r.query ? r.query : b.query;
            } else {
                t.path = removeDotSegments(r.path.front() == '/' ? r.path : mergePaths(b, r.path));
                t.query = r.query;
            }
        }
    }
    return recompose(t);
}

} // namespace nubra
