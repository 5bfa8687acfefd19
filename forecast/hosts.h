// The web sites the forecast sources read from, in one place.
//
// Each service has a default host compiled in. A mirror or a local replica
// can stand in for any of them: the caller hands in overrides (the window
// and nubra-cli read them from the "serveurs" section of "nubra.ini"), each
// "host" or "host:port". The historic services are read over plain HTTP.
// A live service (Open-Meteo, the warnings of MeteoAlarm and of GeoMet) is
// read over HTTPS, port 443 unless one is
// given; its value may also be "http://host[:port]" for a plain-HTTP server
// such as the local replica (port 80 unless one is given), the scheme kept
// in lower case whatever case it was written in. The hosts in effect are a value that the caller
// keeps and hands to each source; the sources build their addresses and
// attribution lines from it, so the attribution always names the host the
// page was really read from.
//
// This module knows nothing of the settings file: overrides arrive through
// a lookup callable, which keeps it testable and free of file access.
#pragma once

#include <array>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace nubra {

struct TServiceHosts {
    std::string France;      // key "france": home page and commune pages
    std::string Suisse;      // key "suisse": forecast by postal number
    std::string Canada;      // key "canada": the text-only forecast site
    std::string CanadaSite;  // key "canada-site": the main site named in the attribution
    std::string Belgique;    // key "belgique": the newspaper's weather pages
    std::string OpenMeteo;   // key "open-meteo": the forecast API for any position (a live service)
    std::string MeteoAlarm;  // key "meteoalarm": the European services' warnings (live)
    std::string GeoMet;      // key "geomet": Environment Canada's warnings (live)

    bool operator==(const TServiceHosts&) const = default;
};

// The settings keys, in the order `nubra-cli hosts` lists them.
inline constexpr std::array<std::string_view, 8> ServiceHostKeys = {
    "france", "suisse", "canada", "canada-site", "belgique", "open-meteo", "meteoalarm", "geomet"};

// The compiled-in hosts.
TServiceHosts DefaultServiceHosts();

// The field of `hosts` named by a settings key, or nullptr for another key.
std::string* ServiceHostField(TServiceHosts& hosts, std::string_view key);
const std::string* ServiceHostField(const TServiceHosts& hosts, std::string_view key);

// True when `value` is usable as a host override: a host name of ASCII
// letters, digits, '-' and '.' (at most 253 characters, no empty label, no
// label starting or ending with '-', at most 63 characters a label),
// optionally followed by ':' and a port from 1 to 65535 written in decimal
// without leading zeros. Spaces around the value are not accepted here; the
// lookup's caller trims them if its format allows them.
bool IsValidHostOverride(std::string_view value);

// True for the keys of the live services, whose values may carry "http://".
bool IsLiveServiceKey(std::string_view key);

// True when `value` is usable for a live service: a value IsValidHostOverride
// accepts, or "http://" (in any case) followed by one.
bool IsValidLiveHostOverride(std::string_view value);

// The address of `target` ("/path?query") on the live service whose host
// value is `host`: "https://host[:port]target", or "http://host[:port]target"
// for a value written with "http://".
std::string LiveServiceAddress(std::string_view host, std::string_view target);

// The host of a live service's value without its scheme, as credit lines
// and messages name it.
std::string_view LiveServiceHost(std::string_view host);

// What `lookup(key)` answers for a settings key: no override (nullopt), or
// the text written after "key=".
using THostLookup = std::function<std::optional<std::string>(std::string_view key)>;

// `base` with every override `lookup` gives applied. Leading and trailing
// spaces and tabs of a value are ignored; an empty value means "no
// override". A value that IsValidHostOverride (for a live service,
// IsValidLiveHostOverride) refuses is ignored, the host
// of `base` kept, and the key appended to `rejected` when it is given, so
// the caller can tell the user.
TServiceHosts ApplyHostOverrides(TServiceHosts base, const THostLookup& lookup,
                                 std::vector<std::string>* rejected = nullptr);

} // namespace nubra
