// Pages of many megabytes built to stress the four forecast walks and
// entity decoding: a forecast table, box list or item list repeated until
// the page has the size asked for, blocks that never close, tags without
// their ">", and pages without the marker a walk looks for. Each page comes
// with what the walk must give for it, derived from the number of repeats:
// the count of line ends in the walk's text, or for entity decoding the
// decoded text's size. Shared by the unit tests and the benchmark.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace nubra::test {

using Walk = std::string (*)(std::string_view page, std::string_view name, std::string_view host);

struct LargePage {
    std::string page;
    std::size_t expected = 0;  // line ends of the walk's text, or decoded size
};

struct LargePageMaker {
    const char* name;
    const char* source;  // "france", "suisse", "canada", "belgique" or "decode"
    std::function<LargePage(std::size_t size)> make;
};

// `head`, then `unit` repeated until the page holds at least `size` bytes
// once `tail` is added; the number of repeats goes to `count`.
inline std::string repeatTo(std::size_t size, std::string_view head, std::string_view unit, std::string_view tail,
                            std::size_t& count)
{
    std::string page;
    page.reserve(size + unit.size() + tail.size());
    page += head;
    count = 0;
    while (page.size() + tail.size() < size) {
        page += unit;
        ++count;
    }
    page += tail;
    return page;
}

inline std::vector<LargePageMaker> LargePageMakers()
{
    // One title row, then forecast rows; the walks add an empty line for
    // the end of the title rows.
    const std::string franceEphemeris = ".cityWeather{}<div id=\"m\"><div class=\"eph\"><p class=\"sunrise\">07h59</p>"
                                        "<p class=\"moonrise\">18h32</p></div></div>";
    const std::string franceTable =
        "<p>Actualis&eacute; le mardi 8 &agrave; 09h00</p><table><tr><th>Jour</th></tr><tr><th>Temps</th></tr>";
    const std::string franceRow = "<tr><td>Mardi 8 matin</td><td><img src=\"s.png\" alt=\"Ensoleill&eacute;\"></td>"
                                  "<td>5&deg;C</td><td>NO 5 km/h</td><td>45 km/h</td></tr>\r\n";
    const std::string suisseHead = "<h1>Pr&eacute;visions pour Gen&egrave;ve</h1><table><tr><th>Jour</th></tr>";
    const std::string suisseRow = "<tr><td>Ma, 08.12.</td><td><img src=\"p.png\" alt=\"Pluie faible\"></td>"
                                  "<td>7|15&deg;</td><td>20%</td><td>5 mm</td><td>85%</td></tr>\r\n";
    const std::string canadaBox = "<div class=\"theDefListsBox\"><h2>Ce soir</h2><dl><dt>Ciel</dt>"
                                  "<dd>D&eacute;gagement en soir&eacute;e.</dd></dl></div>\n";
    const std::string belgiqueItem = "<li>Mardi 8 : <b>Peu nuageux</b>, 4&deg; / 7&deg;</li>\n";

    std::vector<LargePageMaker> makers;
    // France: heading, attribution, "éphéméride", the two ephemeris lines,
    // the empty line, then one line per row.
    makers.push_back({"france many rows", "france", [=](std::size_t size) {
                          std::size_t n;
                          std::string page = repeatTo(size, franceEphemeris + franceTable, franceRow, "</table>", n);
                          return LargePage{std::move(page), 6 + n};
                      }});
    // An ephemeris block of many nested blocks, one paragraph each.
    makers.push_back({"france nested ephemeris", "france", [=](std::size_t size) {
                          std::size_t n;
                          std::string page = repeatTo(size, ".cityWeather<div><div>",
                                                      "<div class=\"jour\"><p class=\"sunrise\">Lever 07h59</p></div>",
                                                      "</div>" + franceTable + "</table>", n);
                          return LargePage{std::move(page), 4 + n};
                      }});
    // The ephemeris block never closes: nothing can be extracted.
    makers.push_back({"france unclosed blocks", "france", [=](std::size_t size) {
                          std::size_t n;
                          return LargePage{repeatTo(size, ".cityWeather<div><div>", "<div><p>x</p>", "", n), 0};
                      }});
    // A tag whose ">" never comes swallows the rest of the page.
    makers.push_back({"france unclosed tag", "france", [=](std::size_t size) {
                          std::size_t n;
                          return LargePage{repeatTo(size, ".cityWeather<div><div><p><a href=\"", "x<y ", "", n), 0};
                      }});
    makers.push_back({"france no marker", "france", [=](std::size_t size) {
                          std::size_t n;
                          return LargePage{repeatTo(size, franceTable, franceRow, "</table>", n), 0};
                      }});

    // Switzerland: heading, attribution, the empty line, then six lines per
    // day (date, picture, temperatures, sunshine, precipitation, gusts).
    makers.push_back({"suisse many days", "suisse", [=](std::size_t size) {
                          std::size_t n;
                          std::string page = repeatTo(size, suisseHead, suisseRow, "</table>", n);
                          return LargePage{std::move(page), 3 + 6 * n};
                      }});
    // The table never closes: every complete day is kept.
    makers.push_back({"suisse unclosed table", "suisse", [=](std::size_t size) {
                          std::size_t n;
                          std::string page = repeatTo(size, suisseHead, suisseRow, "", n);
                          return LargePage{std::move(page), 3 + 6 * n};
                      }});
    // No heading and no table: the heading lines alone.
    makers.push_back({"suisse no table", "suisse", [=](std::size_t size) {
                          std::size_t n;
                          return LargePage{repeatTo(size, "", "<div><p>Ma, 08.12.</p></div>\n", "", n), 2};
                      }});

    // Canada: heading, attribution, then the title and the definition of
    // each box.
    makers.push_back({"canada many boxes", "canada", [=](std::size_t size) {
                          std::size_t n;
                          std::string page = repeatTo(size, "<html><body>", canadaBox, "</body></html>", n);
                          return LargePage{std::move(page), 2 + 2 * n};
                      }});
    // Boxes that never close: the first one runs to the end of the page,
    // its lines ended by "/dd" kept.
    makers.push_back({"canada unclosed boxes", "canada", [=](std::size_t size) {
                          std::size_t n;
                          std::string page = repeatTo(
                              size, "<div class=\"theDefListsBox\"><h2>", "<dl><dt>Ciel</dt><dd>Nuageux</dd></dl>\n", "", n);
                          return LargePage{std::move(page), 2 + n};
                      }});
    makers.push_back({"canada no box", "canada", [=](std::size_t size) {
                          std::size_t n;
                          return LargePage{repeatTo(size, "", "<div class=\"autre\"><dd>x</dd></div>\n", "", n), 2};
                      }});

    // Belgium: heading, attribution, one line per item and one for "/ul".
    makers.push_back({"belgique many items", "belgique", [=](std::size_t size) {
                          std::size_t n;
                          std::string page = repeatTo(size, "<div class=\"climat-content\"><ul>", belgiqueItem,
                                                      "</ul></div></div><p>fin</p>", n);
                          return LargePage{std::move(page), 3 + n};
                      }});
    // Blocks nested ever deeper, never closed: every item is a line.
    makers.push_back({"belgique unclosed blocks", "belgique", [=](std::size_t size) {
                          std::size_t n;
                          std::string page =
                              repeatTo(size, "<div class=\"climat-content\">", "<div>" + belgiqueItem, "<p>fin</p>", n);
                          return LargePage{std::move(page), 2 + n};
                      }});
    // Without the marker the walk starts at the top of the page.
    makers.push_back({"belgique no marker", "belgique", [=](std::size_t size) {
                          std::size_t n;
                          std::string page = repeatTo(size, "<ul>", belgiqueItem, "</ul><p>fin</p>", n);
                          return LargePage{std::move(page), 3 + n};
                      }});

    // Entity decoding: every entity of a run decoded; near misses left as
    // they are; a byte pair whose replacement begins it again collapsing a
    // whole run (C3 83 gives C3, which with the next 83 is C3 83 again).
    makers.push_back({"decode entities", "decode", [](std::size_t size) {
                          std::size_t n;
                          std::string page = repeatTo(size, "", "&eacute;&deg;&lt;\r\n", "", n);
                          return LargePage{std::move(page), 5 * n};
                      }});
    makers.push_back({"decode near misses", "decode", [](std::size_t size) {
                          std::size_t n;
                          std::string page = repeatTo(size, "", "&&eacute&nbsp&\xC3", "", n);
                          return LargePage{page, page.size()};
                      }});
    makers.push_back({"decode collapsing run", "decode", [](std::size_t size) {
                          std::size_t n;
                          return LargePage{repeatTo(size, "\xC3", "\x83", "", n), 1};
                      }});
    return makers;
}

} // namespace nubra::test
