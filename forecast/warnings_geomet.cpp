// The reader of Environment Canada's GeoMet "weather-alerts" answers
// (GET /collections/weather-alerts/items?bbox=...&f=json): a GeoJSON
// FeatureCollection, JSON read by nlohmann/json.
//
//   {"type": "FeatureCollection",
//    "features": [{"type": "Feature", "id": "1618...0503_fea1-1271",
//                  "geometry": {"type": "Polygon", "coordinates": [[[-79.5957, 43.4581], ...]]},
//                  "properties": {"alert_type": "warning",
//                                 "alert_name_fr": "avertissement de pluie verglaçante",
//                                 "alert_text_fr": "...", "risk_colour_en": "yellow", "risk_colour_fr": "jaune",
//                                 "impact_fr": "modéré", "feature_name_fr": "Burlington - Oakville",
//                                 "status_en": "continued", "status_fr": "maintenu",
//                                 "publication_datetime": "2026-03-05T21:26:06.795Z",
//                                 "validity_datetime": "2026-03-05T22:00:00.000Z",
//                                 "event_end_datetime": "2026-03-06T06:00:00.000Z",
//                                 "expiration_datetime": "2026-03-06T08:04:06.795Z", ...}}, ...],
//    "links": [{"rel": "self", "href": "..."}, {"rel": "next", "href": "..."}]}
//
// Each feature is one warning for one area: Event alert_name_fr, Description
// alert_text_fr, AreaDescriptions feature_name_fr, LevelColour
// risk_colour_fr with Level from risk_colour_en (a statement has no colour,
// so no level), Kind alert_type, Stage status_fr, Severity impact_fr.
// Times: Sent and Effective publication_datetime, Onset validity_datetime
// (the recorded answers give it after the publication and before the end of
// the event: the time the event begins), Expires expiration_datetime,
// EventEnd event_end_datetime. Ended when status_en is "ended" or
// "cancelled". GeoJSON writes positions [longitude, latitude]; they are
// turned into TPosition. A Polygon gives its outer ring, a MultiPolygon the
// outer ring of each of its polygons; other geometries give none. There is
// no CAP status, message type or identifier of the alert: the feature's id
// is the identifier, and the sender is the service's owner.
//
// A value of the wrong type where a text, a list or an object belongs
// refuses the answer; a null reads as absent.
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "cp1252.h"
#include "warnings.h"
#include "warnings_common.h"

namespace nubra {

namespace {

using nlohmann::json;
using warnings_detail::LevelOfColour;
using warnings_detail::Millionths;

constexpr const char* kSender = "Environnement et Changement climatique Canada";

[[noreturn]] void unreadable(const std::string& what)
{
    throw EWarningDocument("R\xE9ponse GeoMet illisible (" + what + ").");
}

// The member `name` of `object`, or nullptr when it is absent or null.
const json* member(const json& object, const char* name)
{
    const auto it = object.find(name);
    return it == object.end() || it->is_null() ? nullptr : &*it;
}

// The text member `name`, converted; empty when absent.
std::string text(const json& object, const char* name)
{
    const json* value = member(object, name);
    if (!value)
        return {};
    if (!value->is_string())
        unreadable(std::string(name) + " n'est pas un texte");
    return Utf8ToCp1252(value->get_ref<const std::string&>());
}

std::optional<std::int64_t> time(const json& object, const char* name)
{
    return ParseWarningTime(text(object, name));
}

// A GeoJSON ring [[lon, lat], ...]; a position may carry a third value (an
// altitude), which is ignored.
TPolygon ring(const json& positions)
{
    if (!positions.is_array())
        unreadable("contour de zone illisible");
    TPolygon polygon;
    for (const json& p : positions) {
        if (!p.is_array() || p.size() < 2 || !p[0].is_number() || !p[1].is_number())
            unreadable("position illisible");
        const auto longitude = Millionths(p[0].get<double>(), 180);
        const auto latitude = Millionths(p[1].get<double>(), 90);
        if (!longitude || !latitude)
            unreadable("position hors limites");
        polygon.push_back({*latitude, *longitude});
    }
    return polygon;
}

// The outer ring of the polygon `rings` ([outer, hole, ...]), if any.
void addPolygon(const json& rings, std::vector<TPolygon>& polygons)
{
    if (!rings.is_array())
        unreadable("polygone illisible");
    if (!rings.empty())
        polygons.push_back(ring(rings[0]));
}

void readGeometry(const json& geometry, TWarning& w)
{
    if (!geometry.is_object())
        unreadable("g\xE9om\xE9trie illisible");
    const std::string type = text(geometry, "type");
    const json* coordinates = member(geometry, "coordinates");
    if (!coordinates)
        return;
    if (type == "Polygon") {
        addPolygon(*coordinates, w.Polygons);
    } else if (type == "MultiPolygon") {
        if (!coordinates->is_array())
            unreadable("multipolygone illisible");
        for (const json& rings : *coordinates)
            addPolygon(rings, w.Polygons);
    }
}

TWarning feature(const json& f)
{
    if (!f.is_object())
        unreadable("un \xE9l\xE9ment de features n'est pas un objet");
    const json* properties = member(f, "properties");
    if (!properties || !properties->is_object())
        unreadable("propri\xE9t\xE9s absentes");
    const json& p = *properties;
    TWarning w;
    if (const json* id = member(f, "id"); id && id->is_string())
        w.Identifier = Utf8ToCp1252(id->get_ref<const std::string&>());
    else
        w.Identifier = text(p, "id");
    w.Sender = kSender;
    w.Kind = text(p, "alert_type");
    w.Event = text(p, "alert_name_fr");
    w.Description = text(p, "alert_text_fr");
    w.LevelColour = text(p, "risk_colour_fr");
    w.Level = LevelOfColour(text(p, "risk_colour_en"));
    if (w.Level == 0)
        w.Level = LevelOfColour(w.LevelColour);
    w.Severity = text(p, "impact_fr");
    w.Stage = text(p, "status_fr");
    const std::string status = text(p, "status_en");
    w.Ended = status == "ended" || status == "cancelled";
    w.Sent = w.Effective = time(p, "publication_datetime");
    w.Onset = time(p, "validity_datetime");
    w.Expires = time(p, "expiration_datetime");
    w.EventEnd = time(p, "event_end_datetime");
    if (std::string area = text(p, "feature_name_fr"); !area.empty())
        w.AreaDescriptions.push_back(std::move(area));
    if (const json* geometry = member(f, "geometry"))
        readGeometry(*geometry, w);
    return w;
}

// The messages below name the limits in words.
static_assert(TWarningLimits::kMaxBodySize == std::size_t{4} << 20 && TWarningLimits::kMaxJsonDepth == 16
              && TWarningLimits::kMaxJsonValues == 500000);

// A first pass over the answer that builds nothing: it counts the values
// and follows the depth, and stops at the first limit passed or syntax
// error. (A parser callback would do the same in one pass, but
// nlohmann/json's callback parser looks through a whole array at the end of
// each of its objects: quadratic on a long list of features.)
class TBoundsCheck : public nlohmann::json_sax<json> {
public:
    // Empty when the answer is within the limits, else what was passed.
    const char* Passed = nullptr;
    bool Malformed = false;

    bool null() override { return value(); }
    bool boolean(bool) override { return value(); }
    bool number_integer(number_integer_t) override { return value(); }
    bool number_unsigned(number_unsigned_t) override { return value(); }
    bool number_float(number_float_t, const string_t&) override { return value(); }
    bool string(string_t&) override { return value(); }
    bool binary(binary_t&) override { return value(); }
    bool start_object(std::size_t) override { return open(); }
    bool key(string_t&) override { return true; }
    bool end_object() override { return close(); }
    bool start_array(std::size_t) override { return open(); }
    bool end_array() override { return close(); }
    bool parse_error(std::size_t, const std::string&, const nlohmann::detail::exception&) override
    {
        Malformed = true;
        return false;
    }

private:
    bool value()
    {
        if (++values_ > TWarningLimits::kMaxJsonValues) {
            Passed = "plus de 500 000 valeurs";
            return false;
        }
        return true;
    }
    bool open()
    {
        if (++depth_ > TWarningLimits::kMaxJsonDepth) {
            Passed = "plus de 16 niveaux";
            return false;
        }
        return value();
    }
    bool close()
    {
        --depth_;
        return true;
    }

    std::size_t values_ = 0;
    int depth_ = 0;
};

json parseBounded(std::string_view body)
{
    TBoundsCheck check;
    json::sax_parse(body.begin(), body.end(), &check);
    if (check.Passed)
        unreadable(check.Passed);
    if (check.Malformed)
        unreadable("ce n'est pas du JSON");
    return json::parse(body.begin(), body.end(), nullptr, /*allow_exceptions=*/false);
}

} // namespace

TGeoMetAlerts ReadGeoMetAlerts(std::string_view body)
{
    if (body.size() > TWarningLimits::kMaxBodySize)
        unreadable("plus de 4 Mio");
    const json answer = parseBounded(body);
    if (answer.is_discarded())
        unreadable("ce n'est pas du JSON");
    if (!answer.is_object() || text(answer, "type") != "FeatureCollection")
        unreadable("ce n'est pas une FeatureCollection GeoJSON");
    TGeoMetAlerts alerts;
    if (const json* features = member(answer, "features")) {
        if (!features->is_array())
            unreadable("features n'est pas une liste");
        for (const json& f : *features)
            alerts.Warnings.push_back(feature(f));
    }
    if (const json* links = member(answer, "links")) {
        if (!links->is_array())
            unreadable("links n'est pas une liste");
        for (const json& link : *links)
            if (link.is_object() && text(link, "rel") == "next" && alerts.Next.empty())
                alerts.Next = text(link, "href");
    }
    return alerts;
}

} // namespace nubra
