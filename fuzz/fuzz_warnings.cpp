// A warning document read into warnings: arbitrary bytes as the document,
// read by the reader of one form (the target's WARNING_FORM: 1 MeteoAlarm
// Atom index, 2 CAP document, 3 GeoMet answer).
// EWarningDocument is the only refusal allowed; any other exception ends the
// run as a crash. What is read must hold to the model: levels 0 to 4,
// positions within their ranges. The filter and the polygon test then run
// on it, at a time inside the documents' years, and must keep a subset.
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "warnings.h"

namespace {

std::vector<nubra::TWarning> read(std::string_view body)
{
#if WARNING_FORM == 1
    return nubra::ReadMeteoAlarmAtom(body);
#elif WARNING_FORM == 2
    return nubra::ReadCapDocument(body);
#elif WARNING_FORM == 3
    return nubra::ReadGeoMetAlerts(body).Warnings;
#else
#error "WARNING_FORM names no reader"
#endif
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace nubra;
    const std::string_view body(reinterpret_cast<const char*>(data), size);
    std::vector<TWarning> warnings;
    try {
        warnings = read(body);
    } catch (const EWarningDocument&) {
        return 0;
    }
    for (const TWarning& w : warnings) {
        if (w.Level < 0 || w.Level > 4)
            __builtin_trap();
        for (const TPolygon& polygon : w.Polygons) {
            for (const TPosition& p : polygon)
                if (p.Latitude < -90000000 || p.Latitude > 90000000 || p.Longitude < -180000000
                    || p.Longitude > 180000000)
                    __builtin_trap();
            if (polygon.size() >= 3 && !PolygonContains(polygon, polygon.front()))
                __builtin_trap();  // a corner is on the boundary
        }
    }
    if (CurrentWarnings(warnings, 1670428800).size() > warnings.size())
        __builtin_trap();
    return 0;
}
