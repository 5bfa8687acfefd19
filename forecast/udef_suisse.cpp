// The Switzerland source walks the first table after "Prévisions pour" (or
// the first table of the page when that heading is missing). Its first row
// holds titles; each further row is one day, whose cells are, in order: the
// date ("Lu, 07.12."), the weather picture (its "alt" text), the lowest and
// highest temperatures ("-2|5°"), the sunshine, the precipitation and the
// probability of gusts. Each day becomes one list entry of several lines.
//
// A page that ends before the table, its first row's end or its "/table"
// gives the lines gathered up to there, without the day being read.
#include "udef_suisse.h"

#include <stdexcept>

#include "source_lines.h"
#include "uuhtml.h"

namespace nubra {

const std::array<std::string_view, 14> DayNames = {
    "Lu", "Lundi", "Ma", "Mardi", "Me", "Mercredi", "Je", "Jeudi",
    "Ve", "Vendredi", "Sa", "Samedi", "Di", "Dimanche"};

const std::array<std::string_view, 12> MonthNames = {
    "Janvier", "F\xE9vrier", "Mars", "Avril", "Mai", "Juin",
    "Juillet", "Ao\xFBt", "Septembre", "Octobre", "Novembre", "D\xE9" "cembre"};

namespace {

using sources::PastEnd;
using sources::SkipTo;

constexpr std::string_view kHeadingMarker = "Pr\xE9visions pour"; // Prévisions pour
constexpr std::size_t kMaxHighTemperature = 50;

// Characters `from` (1-based) to `from + count - 1` of `text`, as far as
// they exist.
std::string_view copyOf(std::string_view text, std::size_t from, std::size_t count)
{
    if (from < 1 || from > text.size())
        return {};
    return text.substr(from - 1, count);
}

// The whole number a text stands for: optional leading spaces, an optional
// sign, then decimal digits and nothing else.
bool parseWholeNumber(std::string_view text, int& value)
{
    std::size_t i = 0;
    while (i < text.size() && text[i] == ' ')
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        negative = text[i++] == '-';
    if (i == text.size())
        return false;
    int result = 0;
    for (; i < text.size(); ++i) {
        if (text[i] < '0' || text[i] > '9')
            return false;
        result = result * 10 + (text[i] - '0');
    }
    value = negative ? -result : result;
    return true;
}

// "Température de LOW à HIGH°": LOW is the part before the first "|", HIGH
// the next at most 50 characters after it (the whole cell when it holds no
// "|") without their last one, the degree sign the page writes there.
std::string temperatureLine(std::string_view cell)
{
    const std::size_t bar = cell.find('|');
    const std::string_view low = bar == std::string_view::npos ? std::string_view{} : cell.substr(0, bar);
    std::string_view high = bar == std::string_view::npos ? cell : cell.substr(bar + 1);
    high = high.substr(0, kMaxHighTemperature);
    if (!high.empty())
        high.remove_suffix(1);
    std::string line = "Temp\xE9rature de "; // Température de
    line += low;
    line += " \xE0 "; // à
    line += high;
    line += "\xB0\r\n"; // °
    return line;
}

} // namespace

std::string ExpandDate(std::string_view date)
{
    std::string result;
    const std::string_view abbreviation = copyOf(date, 1, 2);
    // Abbreviations and names alternate; a name never equals a two-letter
    // text, so only the abbreviations can match.
    for (std::size_t k = 0; k + 1 < DayNames.size(); ++k) {
        if (abbreviation == DayNames[k]) {
            result = std::string(DayNames[k + 1]) + ' ';
            break;
        }
    }
    result += copyOf(date, 5, 2);
    result += ' ';
    const std::string_view month = copyOf(date, 8, 2);
    int number = 0;
    if (!parseWholeNumber(month, number))
        throw std::runtime_error("'" + std::string(month) + "' n'est pas une valeur enti\xE8re correcte");
    if (number >= 1 && number <= 12)
        result += MonthNames[static_cast<std::size_t>(number - 1)];
    else
        result += month;
    return result;
}

std::string SuisseForecastPath(std::uint16_t npa)
{
    return "/web/fr/meteo/previsions_en_detail/prevision_par_localite.html?language=fr&plz=" +
           std::to_string(npa) + "&x=0&y=0";
}

std::string WalkSuissePage(std::string_view body, std::string_view name, std::string_view host)
{
    if (body.empty())
        return {};
    const std::string page = DecodeEntities(body);
    const std::size_t length = page.size();

    std::vector<std::string> lines;
    lines.push_back(std::string(kHeadingMarker) + " " + std::string(name));
    lines.push_back("Par Nubra Suisse - " + std::string(host));

    const std::size_t marker = page.find(kHeadingMarker);
    std::size_t position = marker == std::string::npos ? 1 : marker + 1;
    std::string token = ReadToken(page, position);
    if (!SkipTo(page, position, token, "table") || !SkipTo(page, position, token, "/tr"))
        return sources::JoinLines(lines);

    int cell = 1;
    std::string line;
    while (TagName(token) != "/table") {
        const std::string tag = TagName(token);
        if (tag == "/tr") {
            lines.push_back(std::move(line));
            line.clear();
            cell = 1;
        } else if (tag == "/td") {
            ++cell;
        } else if (tag == "img") {
            line += "Temps : ";
            line += AttributeValue(token, "alt");
            line += "\r\n";
        } else if (tag.empty() && HasAlphaNumeric(token)) {
            switch (cell) {
            case 1:
                line += ExpandDate(token);
                line += "\r\n";
                break;
            case 2:
                break;
            case 3:
                line += temperatureLine(token);
                break;
            case 4:
                line += "Ensoleillement " + token + "\r\n";
                break;
            case 5:
                line += "Pr\xE9" "cipitations " + token + "\r\n"; // Précipitations
                break;
            case 6:
                line += "Probabilit\xE9 de rafales de vent > 45 km/h de " + token;
                break;
            default:
                line += token;
                break;
            }
        }
        if (PastEnd(position, length))
            break; // cut short: the day being read is dropped
        token = ReadToken(page, position);
    }
    return sources::JoinLines(lines);
}

std::string GetForecastSuisse(const TVilleSuisse& locality, const TServiceHosts& hosts, TIdHTTP& http)
{
    const std::string& host = hosts.Suisse;
    const std::string body = http.FetchPage("http://" + host + SuisseForecastPath(locality.NPA));
    return WalkSuissePage(body, locality.Nom(), host);
}

} // namespace nubra
