#include "vigilance.h"

#include <algorithm>
#include <array>
#include <map>
#include <mutex>
#include <optional>

#include "french_time.h"

namespace nubra {

namespace {

constexpr std::string_view kLineEnd = "\r\n";

bool startsWithNoCase(std::string_view text, std::string_view prefix)
{
    if (text.size() < prefix.size())
        return false;
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
        if (lower(text[i]) != lower(prefix[i]))
            return false;
    }
    return true;
}

bool containsNoCase(std::string_view text, std::string_view word)
{
    for (std::size_t at = 0; at + word.size() <= text.size(); ++at)
        if (startsWithNoCase(text.substr(at), word))
            return true;
    return false;
}

// A French block's language: "fr", "fr-FR", "fr-CA"...; GeoMet's fields
// are French without saying so. An entry of MeteoAlarm's index (the one
// that links to its full document) is in English, and says no language.
bool french(const TWarning& w)
{
    if (w.Language.empty())
        return w.CapLink.empty();
    return startsWithNoCase(w.Language, "fr");
}

// What the warning is, in the service's words where it gave French ones.
std::string what(const TWarning& w)
{
    if (french(w)) {
        std::string text = !w.Event.empty() ? w.Event : w.Headline;
        if (!text.empty()) {
            // Météo-France's events say their colour ("Vigilance jaune
            // avalanches"); Canada's alert names do not.
            const std::string_view colour = LevelColour(w.Level);
            if (!colour.empty() && !containsNoCase(text, colour))
                text += " (" + std::string(colour) + ")";
            return text;
        }
    }
    // An index entry: its colour and its area.
    std::string text = "Vigilance";
    if (const std::string_view colour = LevelColour(w.Level); !colour.empty())
        text += " " + std::string(colour);
    for (std::size_t i = 0; i < w.AreaDescriptions.size(); ++i)
        text += (i == 0 ? " - " : ", ") + w.AreaDescriptions[i];
    return text;
}

std::string period(const TWarning& w, std::int32_t offset)
{
    const std::optional<std::int64_t> from = w.Onset ? w.Onset : w.Effective;
    const std::optional<std::int64_t> to = w.EventEnd ? w.EventEnd : w.Expires;
    if (from && to)
        return "du " + FrenchDateTime(*from, offset) + " au " + FrenchDateTime(*to, offset);
    if (to)
        return "jusqu'au " + FrenchDateTime(*to, offset);
    if (from)
        return "\xE0 partir du " + FrenchDateTime(*from, offset);
    return {};
}

// The description's lines as the issuer wrote them, each ended by CR LF;
// blank lines kept, the trailing ones dropped.
void appendText(std::string& out, std::string_view text)
{
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' '))
        text.remove_suffix(1);
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        out.append(line);
        out.append(kLineEnd);
        if (end == std::string_view::npos)
            break;
        text.remove_prefix(end + 1);
    }
}

} // namespace

std::string WarningsUnavailable(std::string_view reason)
{
    return "Vigilances indisponibles : " + std::string(reason);
}

std::string_view LevelColour(int level)
{
    static constexpr std::array<std::string_view, 4> colours = {"vert", "jaune", "orange", "rouge"};
    return level >= 1 && level <= 4 ? colours[static_cast<std::size_t>(level - 1)] : std::string_view{};
}

std::string WarningLines(const std::vector<TWarning>& current, std::string_view issuer, std::int32_t utcOffset)
{
    std::string out;
    if (current.empty()) {
        out.append(kNoWarning);
        out.append(kLineEnd);
        return out;
    }
    for (const TWarning& w : current) {
        std::string line = what(w);
        if (const std::string when = period(w, utcOffset); !when.empty())
            line += " : " + when;
        line += " (" + std::string(issuer) + ")";
        out += line;
        out.append(kLineEnd);
        if (french(w))
            appendText(out, w.Description);
    }
    return out;
}

bool CoversAreas(const TWarning& warning, std::string_view placeCodes)
{
    for (const TAreaCode& code : warning.AreaCodes) {
        if (code.Value.empty())
            continue;
        for (std::size_t at = 0; at <= placeCodes.size();) {
            const std::size_t end = std::min(placeCodes.find(' ', at), placeCodes.size());
            if (placeCodes.substr(at, end - at) == code.Value)
                return true;
            at = end + 1;
        }
    }
    return false;
}

bool CoversPosition(const TWarning& warning, const TPosition& position)
{
    for (const TPolygon& polygon : warning.Polygons)
        if (PolygonContains(polygon, position))
            return true;
    return false;
}

namespace {

// The CAP documents already read, by path: a document does not change once
// published, so one read serves the program's whole life. Bounded, so that
// a feed of ever new documents cannot grow it without end.
class TCapDocuments {
public:
    std::optional<std::string> Find(const std::string& path)
    {
        std::lock_guard lock(mutex_);
        const auto found = bodies_.find(path);
        if (found == bodies_.end())
            return std::nullopt;
        return found->second;
    }

    void Keep(const std::string& path, std::string body)
    {
        std::lock_guard lock(mutex_);
        if (bodies_.size() >= kMostKept)
            bodies_.clear();
        bodies_.emplace(path, std::move(body));
    }

private:
    static constexpr std::size_t kMostKept = 64;
    std::mutex mutex_;
    std::map<std::string, std::string> bodies_;
};

TCapDocuments& capDocuments()
{
    static TCapDocuments documents;
    return documents;
}

// The French blocks of a CAP document, the one that covers the place first.
std::optional<TWarning> frenchBlock(std::string_view body, const TPlaceMatch& place)
{
    const std::vector<TWarning> blocks = ReadCapDocument(body);
    const TWarning* first = nullptr;
    for (const TWarning& block : blocks) {
        if (!startsWithNoCase(block.Language, "fr"))
            continue;
        if (place.Covers(block))
            return block;
        if (!first)
            first = &block;
    }
    if (first)
        return *first;
    return std::nullopt;
}

// A box of about 5 km each way, as GeoMet's bbox writes it: west, south,
// east, north in degrees.
std::string boxAround(const TPosition& p)
{
    constexpr std::int32_t kHalf = 50'000;  // millionths of a degree
    return FormatDegrees(std::max(p.Longitude - kHalf, -180'000'000)) + "," +
           FormatDegrees(std::max(p.Latitude - kHalf, -90'000'000)) + "," +
           FormatDegrees(std::min(p.Longitude + kHalf, 180'000'000)) + "," +
           FormatDegrees(std::min(p.Latitude + kHalf, 90'000'000));
}

// The name of the first element of an XML text, past its declaration,
// processing instructions and comments; empty when there is none.
std::string_view rootName(std::string_view xml)
{
    std::size_t at = 0;
    while ((at = xml.find('<', at)) != std::string_view::npos) {
        const std::string_view rest = xml.substr(at);
        const std::size_t end = rest.starts_with("<?")     ? rest.find("?>")
                                : rest.starts_with("<!--") ? rest.find("-->")
                                                           : 0;
        if (end == std::string_view::npos)
            return {};
        if (end == 0) {
            const std::size_t last = rest.find_first_of(" \t\r\n/>", 1);
            return rest.substr(1, (last == std::string_view::npos ? rest.size() : last) - 1);
        }
        at += end;
    }
    return {};
}

} // namespace

std::string AddressTarget(std::string_view address)
{
    const std::size_t scheme = address.find("://");
    if (scheme == std::string_view::npos)
        return {};
    const std::size_t path = address.find('/', scheme + 3);
    return path == std::string_view::npos ? std::string() : std::string(address.substr(path));
}

bool TPlaceMatch::Covers(const TWarning& warning) const
{
    return ByPosition ? CoversPosition(warning, Position) : CoversAreas(warning, AreaCodes);
}

std::vector<TWarning> FetchMeteoAlarmWarnings(std::string_view feed, const TPlaceMatch& place, std::int64_t now,
                                              const TServiceHosts& hosts, TIdHTTP& http)
{
    const std::string index =
        http.FetchLive(LiveServiceAddress(hosts.MeteoAlarm, "/feeds/meteoalarm-legacy-atom-" + std::string(feed)));
    std::vector<TWarning> entries = ReadMeteoAlarmAtom(index);
    std::erase_if(entries, [&](const TWarning& w) {
        return !place.Covers(w) && !(place.ByPosition && w.Polygons.empty());
    });
    std::vector<TWarning> current = CurrentWarnings(std::move(entries), now);

    std::size_t fetched = 0;  // documents read already in this run are not counted
    for (TWarning& warning : current) {
        const std::string target = AddressTarget(warning.CapLink);
        if (target.empty())
            continue;
        std::optional<std::string> body = capDocuments().Find(target);
        if (!body && fetched == kMaxCapDocuments)
            continue;
        try {
            if (!body) {
                ++fetched;
                body = http.FetchLive(LiveServiceAddress(hosts.MeteoAlarm, target));
                capDocuments().Keep(target, *body);
            }
            if (std::optional<TWarning> block = frenchBlock(*body, place)) {
                // The index's times stand where the document leaves one out,
                // and the index's areas where it names the place's in words
                // of its own.
                if (!block->Onset) block->Onset = warning.Onset;
                if (!block->Expires) block->Expires = warning.Expires;
                if (place.Covers(warning) && !place.Covers(*block)) {
                    block->AreaCodes.insert(block->AreaCodes.end(), warning.AreaCodes.begin(), warning.AreaCodes.end());
                    block->Polygons.insert(block->Polygons.end(), warning.Polygons.begin(), warning.Polygons.end());
                }
                warning = std::move(*block);
            }
        } catch (const EHttpError& error) {
            if (error.Abandoned())
                throw;  // by the user or the time limit: nothing more is fetched
            // any other failure leaves the index entry, without its French text
        } catch (const EWarningDocument&) {
            // the index entry stays, without its French text
        }
    }
    std::erase_if(current, [&](const TWarning& w) { return !place.Covers(w); });
    // A document may say more than its index entry: ended, all clear.
    return CurrentWarnings(std::move(current), now);
}

std::vector<TWarning> ReadSavedWarnings(std::string_view document, const TPlaceMatch& place, std::int64_t now)
{
    std::string_view start = document;
    if (start.starts_with("\xEF\xBB\xBF"))
        start.remove_prefix(3);
    start.remove_prefix(std::min(start.size(), start.find_first_not_of(" \t\r\n")));
    std::vector<TWarning> warnings;
    if (start.starts_with("{")) {
        warnings = ReadGeoMetAlerts(document).Warnings;
    } else {
        // Atom or CAP, by the local name of the root element; the reader
        // checks that root again, with its namespace.
        std::string_view root = rootName(start);
        if (const std::size_t colon = root.find(':'); colon != std::string_view::npos)
            root.remove_prefix(colon + 1);
        warnings = root == "feed" ? ReadMeteoAlarmAtom(document) : ReadCapDocument(document);
    }
    std::erase_if(warnings, [&](const TWarning& w) { return !place.Covers(w); });
    return CurrentWarnings(std::move(warnings), now);
}

std::vector<TWarning> FetchGeoMetWarnings(const TPosition& position, std::int64_t now, const TServiceHosts& hosts,
                                          TIdHTTP& http)
{
    constexpr int kMostPages = 5;
    std::string target = "/collections/weather-alerts/items?f=json&bbox=" + boxAround(position) + "&limit=50";
    std::vector<TWarning> found;
    for (int page = 0; page < kMostPages && !target.empty(); ++page) {
        TGeoMetAlerts alerts = ReadGeoMetAlerts(http.FetchLive(LiveServiceAddress(hosts.GeoMet, target)));
        for (TWarning& w : alerts.Warnings)
            if (CoversPosition(w, position))
                found.push_back(std::move(w));
        target = AddressTarget(alerts.Next);
    }
    return CurrentWarnings(std::move(found), now);
}

} // namespace nubra
