// The Belgium source walks from the marked block's opening tag with a
// nesting counter that starts at 1: the marker's own "div" raises it to 2,
// so the walk runs to the "/div" that closes the element enclosing the
// block. Text runs with a letter or digit are joined with nothing between
// them; each "/li" and each "/ul" ends a line, empty or not. Text after the
// last line end is not output, nor is the token read when the page has at
// most one character left.
#include "udef_belgique.h"

#include "source_lines.h"
#include "uuhtml.h"

namespace nubra {

std::string BelgiqueForecastPath(std::uint16_t station)
{
    return "/index.php?place=ville&ville=Bruxelles&station=" + std::to_string(station);
}

std::string WalkBelgiquePage(std::string_view body, std::string_view name, std::string_view host)
{
    if (body.empty())
        return {};
    const std::string page = DecodeEntities(body);
    const std::size_t length = page.size();

    std::vector<std::string> lines;
    lines.push_back("Pr\xE9visions pour " + std::string(name)); // Prévisions pour
    lines.push_back("Nubra Belge - http://" + std::string(host));

    const std::size_t marker = page.find(BelgiqueMarker);
    std::size_t position = marker == std::string::npos ? 1 : marker + 1;
    int depth = 1;
    std::string line;
    std::string token = ReadToken(page, position);
    while (depth > 0 && length > position) {
        const std::string tag = TagName(token);
        if (tag == "/div") {
            --depth;
        } else if (tag == "div") {
            ++depth;
        } else if (tag.empty() && HasAlphaNumeric(token)) {
            line += token;
        } else if (tag == "/li" || tag == "/ul") {
            lines.push_back(std::move(line));
            line.clear();
        }
        token = ReadToken(page, position);
    }
    return sources::JoinLines(lines);
}

std::string GetForecastBelgique(const TVilleBelge& locality, const TServiceHosts& hosts, TIdHTTP& http)
{
    const std::string& host = hosts.Belgique;
    const std::string body = http.FetchPage("http://" + host + BelgiqueForecastPath(locality.Station));
    return WalkBelgiquePage(body, locality.Nom(), host);
}

} // namespace nubra
