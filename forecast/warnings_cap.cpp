// The readers of the two XML forms of warnings: MeteoAlarm's Atom index and
// the CAP 1.2 document (MeteoAlarm's and Environment Canada's CAP-CP).
//
// The XML is parsed by pugixml, which never reads a DTD nor expands an
// entity other than the five predefined ones and character references; a
// document carrying a DOCTYPE declaration (spelt in any case) is refused
// before parsing anyway, so nothing a DTD could declare is ever half-read.
// The text is read as UTF-8, or as ISO-8859-1 when its declaration says so.
//
// pugixml knows no namespaces: elements are matched by their local name
// (the part after the prefix, "cap:event" -> "event"), once the root's
// namespace, resolved through its xmlns attributes, is the expected one.
// Neither form reuses a local name for two things.
//
// An Atom entry (France, 2022; the index holds no French):
//   <entry>
//     <cap:geocode><valueName>NUTS3</valueName><value>FR718</value></cap:geocode>
//     <link href="https://meteoalarm.org?geocode=EMMA_ID:FR035" hreflang="en" title="Haute Savoie"/>
//     <cap:areaDesc>Haute Savoie</cap:areaDesc>
//     <cap:event>Moderate avalanches warning</cap:event>
//     <cap:sent>, <cap:expires>, <cap:effective>, <cap:onset>  2022-12-07T15:00:00+00:00
//     <cap:severity>Moderate</cap:severity>
//     <cap:message_type>Alert</cap:message_type> <cap:status>Actual</cap:status>
//     <cap:identifier>2.49.0.0.250.0.FR.20221207160058.764028</cap:identifier>
//     <link href="https://feeds.meteoalarm.org/api/v1/warnings/feeds-france/04d4..." type="application/cap+xml"/>
//     <author><name>meteoalarm.org</name>...</author>
//     <title>Yellow Avalanches Warning ... - Haute Savoie</title>
//   </entry>
// becomes one warning of level 2 ("Yellow", from the title), codes NUTS3
// FR718 and EMMA_ID FR035, sender "meteoalarm.org".
#include <algorithm>
#include <charconv>
#include <string>
#include <vector>

#include <pugixml.hpp>

#include "cp1252.h"
#include "warnings.h"
#include "warnings_common.h"

namespace nubra {

namespace {

using warnings_detail::LevelOfColour;
using warnings_detail::Millionths;
using warnings_detail::Trimmed;

constexpr const char* kAtomDocument = "Index MeteoAlarm";
constexpr const char* kCapDocument = "Document CAP";
constexpr std::string_view kAtomNamespace = "http://www.w3.org/2005/Atom";
constexpr std::string_view kCapNamespace = "urn:oasis:names:tc:emergency:cap:";  // then 1.1, 1.2
// Environment Canada's parameters: "layer:EC-MSC-SMC:1.0:Alert_Type" and
// the same names in later versions of the layer.
constexpr std::string_view kCanadaLayer = "layer:EC-MSC-SMC:";

// The messages below name the limits in words.
static_assert(TWarningLimits::kMaxBodySize == std::size_t{4} << 20 && TWarningLimits::kMaxXmlElements == 20000);

[[noreturn]] void unreadable(const char* document, const std::string& what)
{
    throw EWarningDocument(std::string(document) + " illisible (" + what + ").");
}

bool startsWithNoCase(std::string_view text, std::string_view start)
{
    if (text.size() < start.size())
        return false;
    for (std::size_t i = 0; i < start.size(); ++i)
        if (AnsiLowerChar(text[i]) != AnsiLowerChar(start[i]))
            return false;
    return true;
}

bool containsNoCase(std::string_view text, std::string_view part)
{
    for (std::size_t i = 0; i + part.size() <= text.size(); ++i)
        if (startsWithNoCase(text.substr(i), part))
            return true;
    return false;
}

// The name of `node` without its namespace prefix.
std::string_view localName(const pugi::xml_node& node)
{
    const std::string_view name = node.name();
    const auto colon = name.find(':');
    return colon == std::string_view::npos ? name : name.substr(colon + 1);
}

// The namespace of `node`'s prefix, from the nearest xmlns or xmlns:prefix
// attribute of it or an ancestor; empty when none declares it.
std::string_view namespaceOf(const pugi::xml_node& node)
{
    const std::string_view name = node.name();
    const auto colon = name.find(':');
    const std::string attribute =
        colon == std::string_view::npos ? std::string("xmlns") : "xmlns:" + std::string(name.substr(0, colon));
    for (pugi::xml_node n = node; n; n = n.parent())
        if (const pugi::xml_attribute a = n.attribute(attribute.c_str()))
            return a.value();
    return {};
}

// Parses `body` into `doc` within the limits, or raises the reason.
void load(pugi::xml_document& doc, std::string_view body, const char* document)
{
    if (body.size() > TWarningLimits::kMaxBodySize)
        unreadable(document, "plus de 4 Mio");
    if (containsNoCase(body, "<!DOCTYPE"))
        unreadable(document, "d\xE9" "claration DOCTYPE refus\xE9" "e");
    // The declaration, if any, is in the first line: ISO-8859-1 is read as
    // such, anything else as UTF-8.
    const std::string_view head = body.substr(0, std::min<std::size_t>(body.size(), 100));
    const bool latin1 = head.starts_with("<?xml") && head.find("?>") != std::string_view::npos
                        && containsNoCase(head.substr(0, head.find("?>")), "ISO-8859-1");
    // parse_default: CDATA, the predefined entities and character
    // references, attribute and line-break normalisation; no parse_doctype.
    const pugi::xml_parse_result result = doc.load_buffer(body.data(), body.size(), pugi::parse_default,
                                                          latin1 ? pugi::encoding_latin1 : pugi::encoding_utf8);
    if (!result)
        unreadable(document, "XML mal form\xE9 \xE0 l'octet " + std::to_string(result.offset));
    std::size_t elements = 0;
    // A walk in document order without recursion: down to the first child,
    // else on to the next sibling of the node or of its nearest ancestor.
    for (pugi::xml_node n = doc.first_child(); n;) {
        if (n.type() == pugi::node_element && ++elements > TWarningLimits::kMaxXmlElements)
            unreadable(document, "plus de 20 000 \xE9l\xE9ments");
        if (n.first_child()) {
            n = n.first_child();
            continue;
        }
        while (n && !n.next_sibling())
            n = n.parent();
        if (n)
            n = n.next_sibling();
    }
    if (!doc.document_element())
        unreadable(document, "aucun \xE9l\xE9ment");
}

// Every character data of `node`'s own text and CDATA children, in order,
// in UTF-8.
std::string ownText(const pugi::xml_node& node)
{
    std::string text;
    for (const pugi::xml_node child : node.children())
        if (child.type() == pugi::node_pcdata || child.type() == pugi::node_cdata)
            text += child.value();
    return text;
}

// The text of `node`, converted, its outer spaces and line breaks removed
// (identifiers, names, times, codes).
std::string word(const pugi::xml_node& node)
{
    return Utf8ToCp1252(Trimmed(ownText(node)));
}

// The first child element of `node` named `name` (local name).
pugi::xml_node child(const pugi::xml_node& node, std::string_view name)
{
    for (const pugi::xml_node c : node.children())
        if (c.type() == pugi::node_element && localName(c) == name)
            return c;
    return {};
}

std::string childWord(const pugi::xml_node& node, std::string_view name)
{
    return word(child(node, name));
}

// A valueName/value pair (cap:geocode, parameter).
TAreaCode pair(const pugi::xml_node& node)
{
    return {childWord(node, "valueName"), childWord(node, "value")};
}

std::optional<std::int64_t> timeOf(const pugi::xml_node& node)
{
    return ParseWarningTime(word(node));
}

// A whole number of one to four digits, or -1.
int smallNumber(std::string_view text)
{
    int value = -1;
    if (text.empty() || text.size() > 4)
        return -1;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc{} && end == text.data() + text.size() && value >= 0 ? value : -1;
}

// The first two fields of a MeteoAlarm parameter "2; yellow; Moderate" or
// "9; avalanches", trimmed.
std::pair<std::string_view, std::string_view> numberAndWord(std::string_view value)
{
    const auto semi = value.find(';');
    if (semi == std::string_view::npos)
        return {Trimmed(value), {}};
    std::string_view rest = value.substr(semi + 1);
    return {Trimmed(value.substr(0, semi)), Trimmed(rest.substr(0, rest.find(';')))};
}

// awareness_level "2; yellow; Moderate": the level (the number when it is
// 1 to 4, else the colour's) and the colour word.
void readAwarenessLevel(std::string_view value, TWarning& w)
{
    const auto [number, colour] = numberAndWord(value);
    const int level = smallNumber(number);
    w.Level = level >= 1 && level <= 4 ? level : LevelOfColour(colour);
    w.LevelColour = std::string(colour);
}

// awareness_type "9; avalanches".
void readAwarenessType(std::string_view value, TWarning& w)
{
    const auto [number, text] = numberAndWord(value);
    w.AwarenessType = std::max(0, smallNumber(number));
    w.AwarenessText = std::string(text);
}

// The elements an Atom entry and a CAP <info> block name alike; false
// when `name` is none of them.
bool sharedField(std::string_view name, const pugi::xml_node& c, TWarning& w)
{
    if (name == "event")
        w.Event = word(c);
    else if (name == "severity")
        w.Severity = word(c);
    else if (name == "effective")
        w.Effective = timeOf(c);
    else if (name == "onset")
        w.Onset = timeOf(c);
    else if (name == "expires")
        w.Expires = timeOf(c);
    else
        return false;
    return true;
}

// -- Atom ---------------------------------------------------------------------

// "https://meteoalarm.org?geocode=EMMA_ID:FR035": the code the link names,
// or nothing.
std::optional<TAreaCode> linkedCode(std::string_view href)
{
    const auto at = href.find("geocode=");
    if (at == std::string_view::npos)
        return std::nullopt;
    std::string_view code = href.substr(at + 8);
    code = code.substr(0, code.find('&'));
    const auto colon = code.find(':');
    if (colon == std::string_view::npos || colon == 0 || colon + 1 == code.size())
        return std::nullopt;
    return TAreaCode{std::string(code.substr(0, colon)), std::string(code.substr(colon + 1))};
}

TPolygon capPolygon(std::string_view text);  // below, with the CAP document

TWarning atomEntry(const pugi::xml_node& entry)
{
    TWarning w;
    bool levelGiven = false;
    std::string title;
    for (const pugi::xml_node c : entry.children()) {
        if (c.type() != pugi::node_element)
            continue;
        const std::string_view name = localName(c);
        if (sharedField(name, c, w))
            continue;
        if (name == "geocode")
            w.AreaCodes.push_back(pair(c));
        else if (name == "areaDesc")
            w.AreaDescriptions.push_back(word(c));
        else if (name == "polygon") {
            if (TPolygon polygon = capPolygon(ownText(c)); !polygon.empty())
                w.Polygons.push_back(std::move(polygon));
        } else if (name == "sent")
            w.Sent = timeOf(c);
        else if (name == "status")
            w.Status = word(c);
        else if (name == "message_type" || name == "msgType")
            w.MessageType = word(c);
        else if (name == "identifier")
            w.Identifier = word(c);
        else if (name == "awareness_level") {
            readAwarenessLevel(word(c), w);
            levelGiven = true;
        } else if (name == "awareness_type")
            readAwarenessType(word(c), w);
        else if (name == "title")
            title = word(c);
        else if (name == "author" && w.Sender.empty())
            w.Sender = childWord(c, "name");
        else if (name == "link") {
            const std::string href = Utf8ToCp1252(Trimmed(c.attribute("href").value()));
            if (std::string_view(c.attribute("type").value()) == "application/cap+xml")
                w.CapLink = href;
            else if (const auto code = linkedCode(href))
                w.AreaCodes.push_back(*code);
        }
    }
    if (!levelGiven) {
        // "Yellow Avalanches Warning ... - Haute Savoie": the first word
        const std::string first = title.substr(0, title.find(' '));
        if (const int level = LevelOfColour(first)) {
            w.Level = level;
            w.LevelColour = first;
        }
    }
    w.Ended = w.MessageType == "Cancel";
    return w;
}

// -- CAP ----------------------------------------------------------------------

// A CAP polygon "lat,lon lat,lon ..." (WGS 84 degrees, pairs separated by
// spaces or line breaks).
TPolygon capPolygon(std::string_view text)
{
    TPolygon polygon;
    std::size_t at = 0;
    constexpr std::string_view kSpace = " \t\r\n";
    while ((at = text.find_first_not_of(kSpace, at)) != std::string_view::npos) {
        const auto end = std::min(text.size(), text.find_first_of(kSpace, at));
        const std::string_view token = text.substr(at, end - at);
        at = end;
        const auto comma = token.find(',');
        double lat = 0, lon = 0;
        const char* const first = token.data();
        const char* const last = token.data() + token.size();
        if (comma == std::string_view::npos)
            unreadable(kCapDocument, "polygone illisible");
        const auto [latEnd, latError] = std::from_chars(first, first + comma, lat);
        const auto [lonEnd, lonError] = std::from_chars(first + comma + 1, last, lon);
        const auto latitude = Millionths(lat, 90), longitude = Millionths(lon, 180);
        if (latError != std::errc{} || latEnd != first + comma || lonError != std::errc{} || lonEnd != last
            || !latitude || !longitude)
            unreadable(kCapDocument, "polygone illisible");
        polygon.push_back({*latitude, *longitude});
    }
    return polygon;
}

// Environment Canada's parameter `name` ("Alert_Type") is `valueName`.
bool canadaParameter(std::string_view valueName, std::string_view name)
{
    return valueName.starts_with(kCanadaLayer) && valueName.size() > name.size()
           && valueName.ends_with(name) && valueName[valueName.size() - name.size() - 1] == ':';
}

TWarning capInfo(const pugi::xml_node& info, const TWarning& alert)
{
    TWarning w = alert;
    std::string alertName;
    for (const pugi::xml_node c : info.children()) {
        if (c.type() != pugi::node_element)
            continue;
        const std::string_view name = localName(c);
        if (sharedField(name, c, w))
            continue;
        if (name == "language")
            w.Language = word(c);
        else if (name == "headline")
            w.Headline = word(c);
        else if (name == "description")
            w.Description = Utf8ToCp1252(ownText(c));
        else if (name == "instruction")
            w.Instruction = Utf8ToCp1252(ownText(c));
        else if (name == "senderName")
            w.Sender = word(c);
        else if (name == "responseType") {
            const std::string response = word(c);
            if (w.ResponseType.empty())
                w.ResponseType = response;
            w.Ended = w.Ended || response == "AllClear";
        } else if (name == "parameter") {
            const TAreaCode p = pair(c);
            if (p.Name == "awareness_level")
                readAwarenessLevel(p.Value, w);
            else if (p.Name == "awareness_type")
                readAwarenessType(p.Value, w);
            else if (canadaParameter(p.Name, "Alert_Type") && w.Kind.empty())
                w.Kind = p.Value;
            else if (canadaParameter(p.Name, "Alert_Name") && alertName.empty())
                alertName = p.Value;
            else if (canadaParameter(p.Name, "Alert_Location_Status") && w.Stage.empty())
                w.Stage = p.Value;
        } else if (name == "area") {
            for (const pugi::xml_node a : c.children()) {
                if (a.type() != pugi::node_element)
                    continue;
                if (localName(a) == "areaDesc")
                    w.AreaDescriptions.push_back(word(a));
                else if (localName(a) == "geocode")
                    w.AreaCodes.push_back(pair(a));
                else if (localName(a) == "polygon")
                    if (TPolygon polygon = capPolygon(ownText(a)); !polygon.empty())
                        w.Polygons.push_back(std::move(polygon));
            }
        }
    }
    // Canada's <event> is one word ("chaleur"); the alert's name
    // ("avertissement de chaleur") is what it is called.
    if (!alertName.empty())
        w.Event = alertName;
    w.Ended = w.Ended || w.Stage == "ended";
    return w;
}

// CAP's language code, "en-US" when the block gives none.
std::string capLanguage(const pugi::xml_node& info)
{
    const pugi::xml_node language = child(info, "language");
    return language ? word(language) : std::string("en-US");
}

bool french(std::string_view language)
{
    return startsWithNoCase(language, "fr") && (language.size() == 2 || language[2] == '-');
}

} // namespace

std::vector<TWarning> ReadMeteoAlarmAtom(std::string_view body)
{
    pugi::xml_document doc;
    load(doc, body, kAtomDocument);
    const pugi::xml_node feed = doc.document_element();
    if (localName(feed) != "feed" || namespaceOf(feed) != kAtomNamespace)
        unreadable(kAtomDocument, "\xE9l\xE9ment racine <" + Utf8ToCp1252(feed.name()) + ">, <feed> Atom attendu");
    std::vector<TWarning> warnings;
    for (const pugi::xml_node entry : feed.children())
        if (entry.type() == pugi::node_element && localName(entry) == "entry")
            warnings.push_back(atomEntry(entry));
    return warnings;
}

std::vector<TWarning> ReadCapDocument(std::string_view body)
{
    pugi::xml_document doc;
    load(doc, body, kCapDocument);
    const pugi::xml_node alert = doc.document_element();
    if (localName(alert) != "alert" || !namespaceOf(alert).starts_with(kCapNamespace))
        unreadable(kCapDocument, "\xE9l\xE9ment racine <" + Utf8ToCp1252(alert.name()) + ">, <alert> CAP attendu");
    TWarning common;
    common.Identifier = childWord(alert, "identifier");
    common.Sender = childWord(alert, "sender");
    common.Sent = timeOf(child(alert, "sent"));
    common.Status = childWord(alert, "status");
    common.MessageType = childWord(alert, "msgType");
    common.Ended = common.MessageType == "Cancel";

    std::vector<pugi::xml_node> infos;
    for (const pugi::xml_node c : alert.children())
        if (c.type() == pugi::node_element && localName(c) == "info")
            infos.push_back(c);
    bool anyFrench = false;
    for (const pugi::xml_node& info : infos)
        anyFrench = anyFrench || french(capLanguage(info));
    const std::string firstLanguage = infos.empty() ? std::string() : capLanguage(infos.front());
    std::vector<TWarning> warnings;
    for (const pugi::xml_node& info : infos) {
        const std::string language = capLanguage(info);
        if (anyFrench ? french(language) : language == firstLanguage)
            warnings.push_back(capInfo(info, common));
    }
    return warnings;
}

} // namespace nubra
