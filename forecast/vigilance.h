// The official warnings of a place as the forecast text shows them, right
// after the credit line of the Open-Meteo forecast (Windows-1252, CR LF
// after every line):
//
//   Vigilance orange vent violent : du mardi 8 décembre 16h00 au mercredi 9 décembre 06h00 (Météo-France)
//   <the issuer's own description, unaltered, one line per line it has>
//
// What the warning is comes from the service's French text (its event, or
// its headline) as it stands; a warning read only from an index, without
// French text, says its colour and its area ("Vigilance orange - Bas
// Rhin"). A French text that does not say the level's colour, as Canada's
// alert names, is followed by it in parentheses ("avertissement de vent
// (jaune)"). The period is in the place's own time: from the onset (else
// the effective time) to the event's end (else the expiry). The issuer is
// named as it calls itself in French, not as the document's sender.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "coords.h"
#include "hosts.h"
#include "http.h"
#include "warnings.h"

namespace nubra {

// The line of a place that no warning service covers.
inline constexpr std::string_view kNoWarningService = "Vigilance : aucun service de vigilance pour ce lieu.";

// The line of a feed read with nothing that applies.
inline constexpr std::string_view kNoWarning = "Aucune vigilance en cours";

// The line of warnings that could not be read: "Vigilances indisponibles :
// <reason>".
std::string WarningsUnavailable(std::string_view reason);

// "vert", "jaune", "orange", "rouge" for the levels 1 to 4; empty otherwise.
std::string_view LevelColour(int level);

// The lines of `current` (as CurrentWarnings gives them: in order, each
// once), each warning's line then its description, with `issuer` named
// and the times on a clock `utcOffset` seconds east of UTC; kNoWarning when
// there is none. Every line ends with CR LF.
std::string WarningLines(const std::vector<TWarning>& current, std::string_view issuer, std::int32_t utcOffset);

// Whether `warning` is for one of the areas `placeCodes` (area codes
// separated by single spaces, "FR086 FR421"): one of its codes, whatever
// its kind (EMMA_ID, NUTS2, NUTS3), is one of them.
bool CoversAreas(const TWarning& warning, std::string_view placeCodes);

// Whether one of the polygons of `warning` holds `position`.
bool CoversPosition(const TWarning& warning, const TPosition& position);

// -- Fetching --------------------------------------------------------------

// The most CAP documents fetched for one place's warnings (those read
// earlier in the run are not fetched again, and not counted).
inline constexpr std::size_t kMaxCapDocuments = 8;

// How a feed's warnings are matched to a place: by the area codes of the
// place (France, Belgium, Luxembourg) or by the polygons holding its
// position (Switzerland).
struct TPlaceMatch {
    std::string_view AreaCodes;        // "FR086 FR421"; used when ByPosition is false
    bool ByPosition = false;
    TPosition Position;

    bool Covers(const TWarning& warning) const;
};

// The warnings of MeteoAlarm's index `feed` ("france", "belgium",
// "switzerland", "luxembourg") on `hosts.MeteoAlarm` that are the place's,
// current at `now` (CurrentWarnings), each replaced by the French block of
// its full CAP document that covers the place (the first French block when
// none says so, with the index entry's areas). A document is asked of the
// configured host with its link's path, at most kMaxCapDocuments of them,
// each read once in the program's life; one that cannot be read leaves its
// index entry. Matched by position, an index entry without a polygon waits
// for its document, and is left out when that says nothing of the place.
// The index's failures raise (EHttpError, EWarningDocument), and so does
// the abandon of the fetch.
std::vector<TWarning> FetchMeteoAlarmWarnings(std::string_view feed, const TPlaceMatch& place, std::int64_t now,
                                              const TServiceHosts& hosts, TIdHTTP& http);

// The warnings of Environment Canada's GeoMet on `hosts.GeoMet` whose
// polygon holds `position`, current at `now`: asked for a box of a few
// kilometres around it, 50 at a time, following the answer's next pages
// (their path, on the configured host). Failures raise.
std::vector<TWarning> FetchGeoMetWarnings(const TPosition& position, std::int64_t now, const TServiceHosts& hosts,
                                          TIdHTTP& http);

// The warnings a document saved from a service holds for `place`, current
// at `now`: a MeteoAlarm Atom index (its entries, without the CAP documents
// they link to), a CAP document (its French blocks, else those of its first
// language) or a GeoMet answer (its first page), told apart by their first
// character and root element. Raises EWarningDocument when the document is
// none of them, with the reason it is not the form it looks like.
std::vector<TWarning> ReadSavedWarnings(std::string_view document, const TPlaceMatch& place, std::int64_t now);

// The path and query of an absolute address ("https://h/p?q" gives
// "/p?q"); empty when it has none.
std::string AddressTarget(std::string_view address);

} // namespace nubra
