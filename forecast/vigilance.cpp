#include "vigilance.h"

#include <array>

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

} // namespace nubra
