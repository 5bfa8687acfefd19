// The Canada source collects every forecast box of the page, in page order.
// A box is a "div" tag whose class is exactly "theDefListsBox". The token
// right after the box's opening tag is passed over; then, up to the first
// "/div" (nested "div" tags are not counted), "/dd", "/p", "/h2" and "/div"
// end a line, "/dt" adds the space between a term and its definition, and
// text runs are gathered as they stand. Lines without a letter or digit are
// dropped. A page that ends inside a box keeps the lines already ended.
#include "udef_canada.h"

#include "source_lines.h"
#include "uuhtml.h"

namespace nubra {

namespace {

using sources::PastEnd;

constexpr std::string_view kBoxClass = "theDefListsBox";

bool isBoxStart(std::string_view token)
{
    return TagName(token) == "div" && AttributeValue(token, "class") == kBoxClass;
}

} // namespace

std::string CanadaForecastPath(std::string_view codeVille)
{
    return "/forecast/city_f.html?" + std::string(codeVille) + "&unit=m";
}

std::string WalkCanadaPage(std::string_view body, std::string_view name, std::string_view siteHost)
{
    if (body.empty())
        return {};
    const std::string page = DecodeEntities(body);
    const std::size_t length = page.size();

    std::vector<std::string> lines;
    lines.push_back("Nubra de " + std::string(name));
    lines.push_back("Par Nubra Canada - " + std::string(siteHost));

    std::size_t position = 1;
    std::string line;
    while (length > position) {
        std::string token = ReadToken(page, position);
        while (!PastEnd(position, length) && !isBoxStart(token))
            token = ReadToken(page, position);
        token = ReadToken(page, position); // right after the box's opening tag
        line.clear();
        while (!PastEnd(position, length) && TagName(token) != "/div") {
            token = ReadToken(page, position);
            const std::string tag = TagName(token);
            if (tag == "/dd" || tag == "/p" || tag == "/h2" || tag == "/div") {
                if (HasAlphaNumeric(line))
                    lines.push_back(line);
                line.clear();
            } else if (tag == "/dt") {
                line += ' ';
            } else if (tag.empty()) {
                line += token;
            }
        }
    }
    return sources::JoinLines(lines);
}

std::string GetForecastCanada(const TVillecanada& place, const TServiceHosts& hosts, TIdHTTP& http)
{
    const std::string body = http.FetchPage("http://" + hosts.Canada + CanadaForecastPath(place.CodeVille()));
    return WalkCanadaPage(body, place.Nom(), hosts.CanadaSite);
}

} // namespace nubra
