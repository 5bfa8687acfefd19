#include "hosts.h"

#include <cstdint>

#include "ascii.h"

namespace nubra {

namespace {

// The default hosts. The two services of France and Switzerland publish
// under the service's own name; the Canadian service has a text-only site
// for the pages and a main site for people; the Belgian pages live on the
// newspaper's weather site.
constexpr std::string_view kFranceHost = "www.nubra-france.fr";
constexpr std::string_view kSuisseHost = "www.nubrasuisse.ch";
constexpr std::string_view kCanadaTextHost = "text.meteo.gc.ca";
constexpr std::string_view kCanadaSiteHost = "meteo.gc.ca";
constexpr std::string_view kBelgiqueHost = "meteo.lesoir.be";
// Read over HTTPS.
constexpr std::string_view kOpenMeteoHost = "api.open-meteo.com";
constexpr std::string_view kMeteoAlarmHost = "feeds.meteoalarm.org";
constexpr std::string_view kGeoMetHost = "api.weather.gc.ca";
// A live service's value that names a plain-HTTP server starts so.
constexpr std::string_view kPlainScheme = "http://";

constexpr std::size_t kMaxHostLength = 253;
constexpr std::size_t kMaxLabelLength = 63;

bool isValidHostName(std::string_view host)
{
    if (host.empty() || host.size() > kMaxHostLength)
        return false;
    std::size_t start = 0;
    while (start <= host.size()) {
        std::size_t end = host.find('.', start);
        if (end == std::string_view::npos)
            end = host.size();
        const std::string_view label = host.substr(start, end - start);
        if (label.empty() || label.size() > kMaxLabelLength)
            return false;
        if (label.front() == '-' || label.back() == '-')
            return false;
        for (char c : label) {
            if (!ascii::isAlnum(c) && c != '-')
                return false;
        }
        start = end + 1;
    }
    return true;
}

bool isValidPort(std::string_view port)
{
    if (port.empty() || port.size() > 5 || port.front() == '0')
        return false;
    std::uint32_t value = 0;
    for (char c : port) {
        if (c < '0' || c > '9')
            return false;
        value = value * 10 + static_cast<std::uint32_t>(c - '0');
    }
    return value >= 1 && value <= 65535;
}

// The member of a TServiceHosts, const or not, named by a settings key.
template <class Hosts>
auto fieldOf(Hosts& hosts, std::string_view key) -> decltype(&hosts.France)
{
    if (key == "france")
        return &hosts.France;
    if (key == "suisse")
        return &hosts.Suisse;
    if (key == "canada")
        return &hosts.Canada;
    if (key == "canada-site")
        return &hosts.CanadaSite;
    if (key == "belgique")
        return &hosts.Belgique;
    if (key == "open-meteo")
        return &hosts.OpenMeteo;
    if (key == "meteoalarm")
        return &hosts.MeteoAlarm;
    if (key == "geomet")
        return &hosts.GeoMet;
    return nullptr;
}

} // namespace

TServiceHosts DefaultServiceHosts()
{
    return TServiceHosts{std::string(kFranceHost), std::string(kSuisseHost),
                         std::string(kCanadaTextHost), std::string(kCanadaSiteHost),
                         std::string(kBelgiqueHost), std::string(kOpenMeteoHost),
                         std::string(kMeteoAlarmHost), std::string(kGeoMetHost)};
}

std::string* ServiceHostField(TServiceHosts& hosts, std::string_view key)
{
    return fieldOf(hosts, key);
}

const std::string* ServiceHostField(const TServiceHosts& hosts, std::string_view key)
{
    return fieldOf(hosts, key);
}

bool IsValidHostOverride(std::string_view value)
{
    const std::size_t colon = value.find(':');
    if (colon == std::string_view::npos)
        return isValidHostName(value);
    return isValidHostName(value.substr(0, colon)) && isValidPort(value.substr(colon + 1));
}

bool IsLiveServiceKey(std::string_view key)
{
    return key == "open-meteo" || key == "meteoalarm" || key == "geomet";
}

namespace {

bool hasPlainScheme(std::string_view value)
{
    return ascii::equalsIgnoreCase(value.substr(0, kPlainScheme.size()), kPlainScheme);
}

} // namespace

bool IsValidLiveHostOverride(std::string_view value)
{
    return IsValidHostOverride(LiveServiceHost(value));
}

std::string_view LiveServiceHost(std::string_view host)
{
    if (hasPlainScheme(host))
        host.remove_prefix(kPlainScheme.size());
    return host;
}

std::string LiveServiceAddress(std::string_view host, std::string_view target)
{
    std::string address = hasPlainScheme(host) ? "http://" : "https://";
    address += LiveServiceHost(host);
    address += target;
    return address;
}

TServiceHosts ApplyHostOverrides(TServiceHosts base, const THostLookup& lookup,
                                 std::vector<std::string>* rejected)
{
    if (!lookup)
        return base;
    for (std::string_view key : ServiceHostKeys) {
        const std::optional<std::string> raw = lookup(key);
        if (!raw)
            continue;
        const std::string_view value = ascii::trim(*raw);
        if (value.empty())
            continue;
        const bool live = IsLiveServiceKey(key);
        if (!(live ? IsValidLiveHostOverride(value) : IsValidHostOverride(value))) {
            if (rejected)
                rejected->emplace_back(key);
            continue;
        }
        std::string& field = *ServiceHostField(base, key);
        if (live && hasPlainScheme(value))
            field = std::string(kPlainScheme) + std::string(LiveServiceHost(value));
        else
            field = std::string(value);
    }
    return base;
}

} // namespace nubra
