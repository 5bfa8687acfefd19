// A GeoMet weather-alerts answer read into warnings: arbitrary bytes as the document.
// EWarningDocument is the only refusal allowed; any other exception ends the
// run as a crash. What is read must hold to the model: levels 0 to 4,
// positions within their ranges. The filter and the polygon test then run
// on it, at a time inside the documents' years, and must keep a subset.
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "warnings.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace nubra;
    const std::string_view body(reinterpret_cast<const char*>(data), size);
    std::vector<TWarning> warnings;
    try {
        warnings = ReadGeoMetAlerts(body).Warnings;
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
