// The France source walks the decoded commune page twice from two markers.
//
// From ".cityWeather": the second "div" tag after the marker opens the
// ephemeris block; each paragraph of the block becomes a line, those of
// class "sunrise" and "moonrise" prefixed with "Soleil : " and "Lune : ".
// Nested "div" tags are counted, so the block ends at its own "/div".
//
// From "Actualis": that text run ("ActualisÃ© le ... Ã  ...") completes the
// heading; then the first "table" after it is the forecast table. Its first
// two rows (titles) are passed over; every further row gives a line: the
// cells' texts and picture descriptions, ": " after the second cell, ", "
// after the third, "Rafales: " before the texts of the fifth.
//
// A page that ends before the table, its rows or its "/table" (a transfer
// cut short) gives the lines gathered up to there: the heading, the
// ephemeris and the complete rows read, without the row being read. Every
// loop stops at the end of the page, whatever the markup.
#include "udef_france.h"

#include "source_lines.h"
#include "uuhtml.h"

namespace nubra {

namespace {

using sources::PastEnd;
using sources::SkipTo;

constexpr std::string_view kEphemerisMarker = ".cityWeather";
constexpr std::string_view kUpdateMarker = "Actualis";

// The ephemeris block, the content of the second "div" after the marker:
// one line per paragraph, the sun's and the moon's prefixed. False when the
// page ends inside the block.
bool walkEphemeris(const std::string& page, std::size_t position, std::vector<std::string>& lines)
{
    const std::size_t length = page.size();
    int depth = 1;
    std::string line;
    std::string token = ReadToken(page, position);
    while (!PastEnd(position, length) && TagName(token) != "div")
        token = ReadToken(page, position);
    token = ReadToken(page, position);
    while (!PastEnd(position, length) && TagName(token) != "div")
        token = ReadToken(page, position);
    do {
        token = ReadToken(page, position);
        if (PastEnd(position, length))
            return false;
        const std::string tag = TagName(token);
        if (tag == "div") {
            ++depth;
        } else if (tag == "/div") {
            --depth;
        } else if (tag == "p") {
            const std::string cls = AttributeValue(token, "class");
            if (cls == "sunrise")
                line += "Soleil : ";
            else if (cls == "moonrise")
                line += "Lune : ";
        } else if (tag.empty()) {
            line += token;
        } else if (tag == "/p") {
            lines.push_back(std::move(line));
            line.clear();
        }
    } while (depth > 0);
    return true;
}

// The forecast table after the update time: one line per row, its cells
// joined as "period: sky, temperature ... Rafales: gusts". The first two rows
// hold titles. A page cut inside a row drops that row.
void walkForecastTable(const std::string& page, std::size_t position, std::vector<std::string>& lines)
{
    const std::size_t length = page.size();
    std::string token = ReadToken(page, position);
    for (std::string_view target : {"table", "/tr", "tr", "/tr"}) {
        if (!SkipTo(page, position, token, target))
            return;
    }

    std::string line;
    int cell = 0;
    while (TagName(token) != "/table") {
        const std::string tag = TagName(token);
        if (tag == "/tr") {
            lines.push_back(std::move(line));
            line.clear();
            cell = 0;
        } else if (tag == "/td") {
            ++cell;
            if (cell == 2)
                line += ": ";
            else if (cell == 3)
                line += ", ";
        } else if (tag == "img") {
            line += ' ';
            line += AttributeValue(token, "alt");
            line += ' ';
        } else if (tag.empty() && HasAlphaNumeric(token)) {
            if (cell == 4)
                line += "Rafales: ";
            line += token;
        }
        if (PastEnd(position, length))
            break;
        token = ReadToken(page, position);
    }
}

} // namespace

std::string FranceForecastPath(std::string_view codeInsee)
{
    std::string path = "/jsp/site/Portal.jsp?page_id=2731&PREVISIONS_PORTLET.path=previsionsville%2F";
    path += codeInsee;
    path += '0';
    return path;
}

std::string WalkFrancePage(std::string_view body, std::string_view name, std::string_view host)
{
    if (body.empty())
        return {};
    const std::string page = DecodeEntities(body);

    std::vector<std::string> lines;
    lines.push_back("Par Nubra France - " + std::string(host));

    const std::size_t marker = page.find(kEphemerisMarker);
    if (marker == std::string::npos)
        return {};
    lines.emplace_back("\xE9ph\xE9m\xE9ride"); // éphéméride
    if (!walkEphemeris(page, marker + 1, lines))
        return {};

    const std::size_t update = page.find(kUpdateMarker);
    if (update == std::string::npos)
        return {};
    std::size_t position = update + 1;
    const std::string updated = ReadToken(page, position);
    lines.insert(lines.begin(), "Nubra de " + std::string(name) + " " + updated);

    walkForecastTable(page, position, lines);
    return sources::JoinLines(lines);
}

std::string GetForecastFrance(const TVilleFrance& commune, const TServiceHosts& hosts, TIdHTTP& http)
{
    const std::string& host = hosts.France;
    http.FetchPage("http://" + host + std::string(FranceHomePath));
    const std::string body = http.FetchPage("http://" + host + FranceForecastPath(commune.CodeInsee()));
    return WalkFrancePage(body, commune.Nom(), host);
}

} // namespace nubra
