// Web addresses as the HTTP client needs them (RFC 3986): splitting an
// absolute "http://" address into host, port and request target, and
// resolving the relative address of a redirect against the address that
// was just requested.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace nubra {

// What a TUrl parse may find wrong with an address.
enum class TUrlError {
    None,
    NotAbsolute,     // no scheme, or no "//" authority after it
    UnsupportedScheme,  // a scheme other than http and https
    BadHost,         // empty host, or characters no host name can hold
    BadPort,         // a port that is not a number from 1 to 65535
};

struct TUrl {
    std::string Scheme;  // lower case: "http" or "https"
    std::string Host;    // lower case; an IPv6 literal without its brackets
    std::uint16_t Port = 80;
    bool PortGiven = false;  // the address named a port
    bool Ipv6 = false;
    // The request target: the path (at least "/") and the query, with
    // control characters, spaces and bytes above 7E percent-encoded so that
    // nothing can break the request line. The fragment is dropped.
    std::string Target;

    // "host", "host:port", or "[v6]:port" as the Host header wants it: the
    // port only when it is not the scheme's (80, or 443 for https).
    std::string HostHeader() const;
    // The path of the target without the query, for the cookie rules.
    std::string Path() const;
};

// Splits an absolute address. Returns TUrlError::None and fills `url` on
// success. Userinfo ("user:password@") is dropped: the client sends no
// credentials.
TUrlError ParseUrl(std::string_view address, TUrl& url);

// The target address of `reference` seen from `base` (RFC 3986 section 5.2,
// dot segments removed). `base` must be absolute; an absolute reference is
// returned as it stands apart from its dot segments.
std::string ResolveReference(std::string_view base, std::string_view reference);

} // namespace nubra
