// What the three readers share: the times of the documents, the polygons,
// and the choice of the warnings worth showing.
#include "warnings.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <map>
#include <set>
#include <string>

#include "warnings_common.h"

namespace nubra {

namespace {

// Days since 1970-01-01 of a date of the proleptic Gregorian calendar
// (Howard Hinnant's days_from_civil).
std::int64_t daysFromCivil(std::int64_t y, int m, int d)
{
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const std::int64_t yoe = y - era * 400;
    const std::int64_t doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
    const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

int daysInMonth(int year, int month)
{
    static constexpr std::array<int, 12> kDays = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month == 2 && leap ? 29 : kDays[static_cast<std::size_t>(month - 1)];
}

// The `count` digits at `text[at]` as a number, or -1 when one is no digit
// or the text ends first.
int digits(std::string_view text, std::size_t at, std::size_t count)
{
    if (at + count > text.size())
        return -1;
    int value = 0;
    for (std::size_t i = at; i < at + count; ++i) {
        if (text[i] < '0' || text[i] > '9')
            return -1;
        value = value * 10 + (text[i] - '0');
    }
    return value;
}

bool charAt(std::string_view text, std::size_t at, char c)
{
    return at < text.size() && text[at] == c;
}

// Rank of Canada's alert types, most serious highest; 0 for none or
// another.
int kindRank(const std::string& kind)
{
    static constexpr std::array<std::string_view, 4> kKinds = {"statement", "advisory", "watch", "warning"};
    for (std::size_t i = 0; i < kKinds.size(); ++i)
        if (kind == kKinds[i])
            return static_cast<int>(i) + 1;
    return 0;
}

bool worthShowing(const TWarning& w, std::int64_t now)
{
    if (!w.Status.empty() && w.Status != "Actual")
        return false;
    if (w.Ended)
        return false;
    // In force until it expires, even when the event it is about is over
    // (GeoMet's warnings stay issued a while after event_end_datetime).
    if (w.Expires && *w.Expires <= now)
        return false;
    if (w.Level != 0 && w.Level < 2)
        return false;
    if (!w.Kind.empty() && kindRank(w.Kind) == 0)
        return false;
    return true;
}

std::optional<std::int64_t> start(const TWarning& w)
{
    return w.Onset ? w.Onset : w.Effective;
}

// The keys that find the same warning again, in maps rather than by
// comparing every pair, since an answer may hold tens of thousands of
// warnings. Each text goes in with its length first, so that no two lists
// of texts give the same key.
void addField(std::string& key, std::string_view text)
{
    key += std::to_string(text.size());
    key += ':';
    key += text;
}

void addTime(std::string& key, const std::optional<std::int64_t>& time)
{
    addField(key, time ? std::to_string(*time) : std::string());
}

// The event and its period.
std::string periodKey(const TWarning& w)
{
    std::string key;
    addField(key, w.Event);
    addTime(key, w.Onset);
    addTime(key, w.Expires);
    return key;
}

// The event, its period and its identifier; empty without an identifier.
std::string identifierKey(const std::string& period, const TWarning& w)
{
    if (w.Identifier.empty())
        return {};
    std::string key = "i" + period;
    addField(key, w.Identifier);
    return key;
}

// The event, its period and its areas.
std::string areaKey(const std::string& period, const TWarning& w)
{
    std::string key = "a" + period;
    addField(key, std::to_string(w.AreaCodes.size()));
    for (const TAreaCode& code : w.AreaCodes) {
        addField(key, code.Name);
        addField(key, code.Value);
    }
    for (const std::string& description : w.AreaDescriptions)
        addField(key, description);
    return key;
}

// The keys of a warning's area codes, descriptions and polygons, one each,
// to merge another warning's areas into it without repeating one.
std::string codeItem(const TAreaCode& code)
{
    std::string key = "c";
    addField(key, code.Name);
    addField(key, code.Value);
    return key;
}

std::string descriptionItem(const std::string& description)
{
    std::string key = "d";
    addField(key, description);
    return key;
}

std::string polygonItem(const TPolygon& polygon)
{
    std::string key = "p";
    for (const TPosition& p : polygon)
        key += std::to_string(p.Latitude) + ',' + std::to_string(p.Longitude) + ' ';
    return key;
}

std::set<std::string> itemsOf(const TWarning& w)
{
    std::set<std::string> items;
    for (const TAreaCode& code : w.AreaCodes)
        items.insert(codeItem(code));
    for (const std::string& description : w.AreaDescriptions)
        items.insert(descriptionItem(description));
    for (const TPolygon& polygon : w.Polygons)
        items.insert(polygonItem(polygon));
    return items;
}

// The areas of `from` that `into` lacks, added to it; `items` holds the
// keys of what `into` has.
void mergeAreas(TWarning& into, std::set<std::string>& items, const TWarning& from)
{
    for (const TAreaCode& code : from.AreaCodes)
        if (items.insert(codeItem(code)).second)
            into.AreaCodes.push_back(code);
    for (const std::string& description : from.AreaDescriptions)
        if (items.insert(descriptionItem(description)).second)
            into.AreaDescriptions.push_back(description);
    for (const TPolygon& polygon : from.Polygons)
        if (items.insert(polygonItem(polygon)).second)
            into.Polygons.push_back(polygon);
}

} // namespace

std::optional<std::int64_t> ParseWarningTime(std::string_view text)
{
    // YYYY-MM-DDThh:mm:ss at 0..18, then an optional fraction, then the offset.
    const int year = digits(text, 0, 4), month = digits(text, 5, 2), day = digits(text, 8, 2);
    const int hour = digits(text, 11, 2), minute = digits(text, 14, 2), second = digits(text, 17, 2);
    if (year < 0 || month < 1 || month > 12 || day < 1 || hour < 0 || hour > 23 || minute < 0 || minute > 59
        || second < 0 || second > 59)
        return std::nullopt;
    if (!charAt(text, 4, '-') || !charAt(text, 7, '-') || !charAt(text, 10, 'T') || !charAt(text, 13, ':')
        || !charAt(text, 16, ':'))
        return std::nullopt;
    if (day > daysInMonth(year, month))
        return std::nullopt;
    std::size_t at = 19;
    if (charAt(text, at, '.')) {
        const std::size_t first = ++at;
        while (at < text.size() && text[at] >= '0' && text[at] <= '9')
            ++at;
        if (at == first)
            return std::nullopt;
    }
    int offsetMinutes = 0;
    if (charAt(text, at, 'Z')) {
        ++at;
    } else if (charAt(text, at, '+') || charAt(text, at, '-')) {
        const int oh = digits(text, at + 1, 2), om = digits(text, at + 4, 2);
        if (oh < 0 || oh > 23 || !charAt(text, at + 3, ':') || om < 0 || om > 59)
            return std::nullopt;
        offsetMinutes = (oh * 60 + om) * (text[at] == '-' ? -1 : 1);
        at += 6;
    } else {
        return std::nullopt;
    }
    if (at != text.size())
        return std::nullopt;
    return daysFromCivil(year, month, day) * 86400 + hour * 3600 + minute * 60 + second
           - std::int64_t{offsetMinutes} * 60;
}

bool PolygonContains(const TPolygon& polygon, const TPosition& position)
{
    if (polygon.size() < 3)
        return false;
    // Longitude is x, latitude y. A horizontal ray from the position towards
    // growing x crosses the ring an odd number of times when the position is
    // inside; an edge counts when one end is strictly above the position and
    // the other at or below it, so a corner on the ray counts once. The
    // boundary is found first and counts as inside. Products of differences
    // stay below 2^63 (360e6 * 180e6 * 2).
    const std::int64_t px = position.Longitude, py = position.Latitude;
    bool inside = false;
    for (std::size_t i = 0, j = polygon.size() - 1; i < polygon.size(); j = i++) {
        const std::int64_t xi = polygon[i].Longitude, yi = polygon[i].Latitude;
        const std::int64_t xj = polygon[j].Longitude, yj = polygon[j].Latitude;
        // Which side of the edge j->i the position is on (0: on its line).
        const std::int64_t cross = (xi - xj) * (py - yj) - (yi - yj) * (px - xj);
        if (cross == 0 && std::min(xi, xj) <= px && px <= std::max(xi, xj) && std::min(yi, yj) <= py
            && py <= std::max(yi, yj))
            return true;
        if ((yi > py) != (yj > py)) {
            // The crossing is right of the position when the position is on
            // the left of the edge going up, or on its right going down.
            const bool right = yi > yj ? cross > 0 : cross < 0;
            if (right)
                inside = !inside;
        }
    }
    return inside;
}

std::vector<TWarning> CurrentWarnings(std::vector<TWarning> warnings, std::int64_t now)
{
    std::vector<TWarning> kept;
    std::vector<std::set<std::string>> keptItems;  // the area keys of each kept warning
    std::map<std::string, std::size_t> index;      // identifier and area keys -> kept warning
    for (TWarning& w : warnings) {
        if (!worthShowing(w, now))
            continue;
        const std::string period = periodKey(w);
        const std::string byIdentifier = identifierKey(period, w);
        const std::string byAreas = areaKey(period, w);
        auto found = byIdentifier.empty() ? index.end() : index.find(byIdentifier);
        if (found == index.end())
            found = index.find(byAreas);
        const std::size_t at = found == index.end() ? kept.size() : found->second;
        if (!byIdentifier.empty())
            index.emplace(byIdentifier, at);
        index.emplace(byAreas, at);
        if (at == kept.size()) {
            keptItems.push_back(itemsOf(w));
            kept.push_back(std::move(w));
        } else {
            mergeAreas(kept[at], keptItems[at], w);
        }
    }
    std::stable_sort(kept.begin(), kept.end(), [](const TWarning& a, const TWarning& b) {
        if (a.Level != b.Level)
            return a.Level > b.Level;
        if (kindRank(a.Kind) != kindRank(b.Kind))
            return kindRank(a.Kind) > kindRank(b.Kind);
        const auto sa = start(a), sb = start(b);
        if (sa.has_value() != sb.has_value())
            return sa.has_value();
        return sa && *sa < *sb;
    });
    return kept;
}

// -- What the readers share ---------------------------------------------------

namespace warnings_detail {

int LevelOfColour(std::string_view colour)
{
    struct Colour {
        std::string_view Word;
        int Level;
    };
    // English as MeteoAlarm and GeoMet's _en fields write it, French as
    // GeoMet's _fr fields do; any case.
    static constexpr std::array<Colour, 7> kColours = {
        {{"green", 1}, {"yellow", 2}, {"orange", 3}, {"red", 4}, {"vert", 1}, {"jaune", 2}, {"rouge", 4}}};
    for (const Colour& c : kColours)
        if (std::equal(colour.begin(), colour.end(), c.Word.begin(), c.Word.end(),
                       [](char a, char b) { return (a >= 'A' && a <= 'Z' ? a + 32 : a) == b; }))
            return c.Level;
    return 0;
}

std::string_view Trimmed(std::string_view text)
{
    constexpr std::string_view kSpace = " \t\r\n";
    const auto first = text.find_first_not_of(kSpace);
    if (first == std::string_view::npos)
        return {};
    return text.substr(first, text.find_last_not_of(kSpace) - first + 1);
}

std::optional<std::int32_t> Millionths(double degrees, double limit)
{
    if (!(degrees >= -limit && degrees <= limit))
        return std::nullopt;
    return static_cast<std::int32_t>(std::llround(degrees * 1e6));
}

} // namespace warnings_detail

} // namespace nubra
