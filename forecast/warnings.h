// Official weather warnings, as the services publish them, read into one
// model whatever the document they came in:
//
//   - MeteoAlarm's Atom index of a country (ReadMeteoAlarmAtom): one
//     <entry> per warning and area, the CAP fields in the namespace
//     "urn:oasis:names:tc:emergency:cap:1.2" (cap:event, cap:onset,
//     cap:geocode NUTS3 FR718...), the EMMA_ID of the area in a link
//     "https://meteoalarm.org?geocode=EMMA_ID:FR035" and the full
//     document in the link of type "application/cap+xml". The index is in
//     English only and carries no awareness level: the level is read from
//     cap:awareness_level when an index has it, else from the colour that
//     opens the entry's title ("Yellow Avalanches Warning ... - Haute Savoie").
//   - A CAP 1.2 document (ReadCapDocument): MeteoAlarm's, with the
//     parameters awareness_level "2; yellow; Moderate" and awareness_type
//     "9; avalanches", or Environment Canada's CAP-CP, with the parameters
//     "layer:EC-MSC-SMC:1.0:Alert_Type" (warning, watch, advisory,
//     statement), "...:Alert_Name" and "...:Alert_Location_Status"
//     (active, ended).
//   - An answer of Environment Canada's GeoMet API "weather-alerts"
//     (ReadGeoMetAlerts): a GeoJSON FeatureCollection, one feature per
//     warning and area, English and French side by side.
//
// Texts are Windows-1252 (converted from UTF-8; characters outside
// Windows-1252 become '?'), French where the document has French, and
// unaltered otherwise: the services' terms forbid changing a warning's
// words, so descriptions and instructions keep their line breaks and
// spaces. Times are UTC seconds since 1970. Positions are TPosition
// (latitude then longitude, millionths of a degree), whatever order the
// document writes them in (CAP "lat,lon", GeoJSON [lon, lat]).
//
// A reader either returns every warning of the document or raises
// EWarningDocument with a one-line French message (Windows-1252) saying
// what is wrong, e.g. "Document CAP illisible (élément racine <feed>, <alert>
// CAP attendu)." A document over 4 MiB, an XML document with a DOCTYPE (no DTD
// or entity is ever read) or with more than 20 000 elements, a JSON answer
// nested deeper than 16 or holding more than 500 000 values (a GeoJSON
// polygon is three values a point) are refused before they are read.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "coords.h"

namespace nubra {

class EWarningDocument : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct TWarningLimits {
    static constexpr std::size_t kMaxBodySize = std::size_t{4} << 20;
    static constexpr std::size_t kMaxXmlElements = 20000;
    static constexpr std::size_t kMaxJsonValues = 500000;
    static constexpr int kMaxJsonDepth = 16;
};

// A code of an area: "NUTS3" "FR421", "EMMA_ID" "FR086",
// "layer:EC-MSC-SMC:1.0:CLC" "049100".
struct TAreaCode {
    std::string Name;
    std::string Value;
    bool operator==(const TAreaCode&) const = default;
};

// A closed ring of positions, in the document's order; the last position
// may or may not repeat the first.
using TPolygon = std::vector<TPosition>;

// One warning: one CAP info block (with all its areas), one Atom entry or
// one GeoMet feature. A text the document leaves out is empty.
struct TWarning {
    std::string Identifier;  // CAP identifier; GeoMet's feature id
    std::string Sender;      // senderName ("METEO-FRANCE", "Environnement Canada")
    std::string Language;    // of the block read: "fr-FR", "fr-CA"; empty for GeoMet

    // 1 green, 2 yellow, 3 orange, 4 red; 0 when the document gives no level.
    int Level = 0;
    std::string LevelColour;  // as the document words it: "yellow", "jaune"
    std::string Severity;     // CAP severity ("Moderate"); GeoMet impact_fr ("modéré")
    int AwarenessType = 0;    // MeteoAlarm's awareness type: 9 for "9; avalanches"
    std::string AwarenessText;  // "avalanches"
    std::string Kind;         // Canada's alert type: warning, watch, advisory, statement

    std::string Event;        // "Vigilance jaune avalanches", "avertissement de chaleur"
    std::string Headline;
    std::string Description;
    std::string Instruction;

    std::optional<std::int64_t> Sent;
    std::optional<std::int64_t> Effective;
    std::optional<std::int64_t> Onset;
    std::optional<std::int64_t> Expires;
    std::optional<std::int64_t> EventEnd;  // GeoMet's end of the event

    std::string Status;        // CAP status: Actual, Exercise, System, Test, Draft; empty for GeoMet
    std::string MessageType;   // CAP msgType: Alert, Update, Cancel
    std::string ResponseType;  // the first CAP responseType: Monitor, AllClear...
    std::string Stage;         // Canada's life-cycle word: "active"/"ended" (CAP), "maintenu"/"émis" (GeoMet)
    // The warning is over: msgType Cancel, a responseType AllClear, Canada's
    // "ended" (CAP) or "ended"/"cancelled" (GeoMet status_en).
    bool Ended = false;

    std::vector<TAreaCode> AreaCodes;
    std::vector<std::string> AreaDescriptions;
    std::vector<TPolygon> Polygons;  // outer rings only: holes are dropped
    std::string CapLink;             // Atom: the full CAP document
};

// The warnings of MeteoAlarm's Atom index `body` (UTF-8 XML), one per
// entry, in the index's order. Raises EWarningDocument.
std::vector<TWarning> ReadMeteoAlarmAtom(std::string_view body);

// The warnings of the CAP 1.2 document `body`: one per info block in
// French (language "fr", "fr-FR", "fr-CA"...), each with every area of its
// block; a document with no French block gives the blocks of the first
// block's language. The alert's identifier, sender, sent time, status and
// msgType are copied into each. Raises EWarningDocument.
std::vector<TWarning> ReadCapDocument(std::string_view body);

// A GeoMet answer: its warnings, one per feature in the answer's order,
// and the address of the next page ("links" entry of rel "next"), empty
// when the answer is the last.
struct TGeoMetAlerts {
    std::vector<TWarning> Warnings;
    std::string Next;
};
// Raises EWarningDocument.
TGeoMetAlerts ReadGeoMetAlerts(std::string_view body);

// "2022-12-07T16:00:00+01:00", "2019-01-09T02:17:03-00:00",
// "2026-03-05T21:26:06.795Z" in UTC seconds; a fraction of a second is
// dropped. Strict: four-digit year, every field two digits and in its range
// (the day in its month, leap years counted, no leap second), a 'T', and an
// offset 'Z' or +hh:mm / -hh:mm up to 23:59. Anything else gives nothing.
std::optional<std::int64_t> ParseWarningTime(std::string_view text);

// Whether `position` is inside `polygon` or on its boundary (an edge or a
// corner counts as inside, whichever side the polygon lies on). The
// arithmetic is exact, in millionths of a degree, on the plane of latitude
// and longitude; a ring crossing the 180th meridian is not supported. A
// polygon of fewer than 3 positions contains nothing.
bool PolygonContains(const TPolygon& polygon, const TPosition& position);

// The warnings worth showing at `now` (UTC seconds), most severe first:
//   kept:   status Actual (or no status, as GeoMet, which serves actual
//           warnings only); not Ended; expires, where given, after `now`
//           (a GeoMet warning stays in force past the end of its event,
//           until it expires); level 2 (yellow) or more where a level is given;
//           where Canada's alert type is given, a warning, watch, advisory
//           or statement (so a statement without a colour stays).
//   order:  level, highest first; then alert type (warning, watch,
//           advisory, statement); then onset (else effective), earliest
//           first, an unknown one last; otherwise as given.
//   once:   two warnings with the same event, onset and expires are the
//           same warning when they have the same identifier (a CAP document
//           the Atom index lists once per area) or the same area codes and
//           descriptions, in the same order, as it was listed with (the
//           same warning fetched twice); the first one stays, given the
//           other's area codes, descriptions and polygons it lacks.
std::vector<TWarning> CurrentWarnings(std::vector<TWarning> warnings, std::int64_t now);

} // namespace nubra
