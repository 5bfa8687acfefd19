// The positions of the catalogue records: the archive entry "data.geo",
// read only when something asks for positions (never at start-up).
//
// Stored form: one section per catalogue (CatalogueEntries() names each
// catalogue's section), in any order, each
//   catalogue  2 bytes   "fr", "ca", "ch", "be", "lu", "mc" or "om" (ASCII)
//   count      4 bytes   32-bit signed little-endian: the catalogue's record count
//   positions  8 bytes each, per record in the catalogue's stored order:
//              latitude then longitude, 32-bit signed little-endian
//              integers in millionths of a degree (north and east positive)
// and nothing after the last section. Position i of a section belongs to
// record i of its catalogue.
//
// Example: the section "ch", count 1, latitude 46005400 (46.0054° N),
// longitude 8954500 (8.9545° E) is the 14 bytes
//   63 68 | 01 00 00 00 | 98 FC BD 02 | 84 A2 88 00
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "stream.h"

namespace nubra {

// A position in millionths of a degree: latitude -90e6..90e6, longitude
// -180e6..180e6.
struct TPosition {
    std::int32_t Latitude = 0;
    std::int32_t Longitude = 0;
};

// The positions of every catalogue, one vector per section, each in its
// catalogue's stored order.
struct TCoordinates {
    std::map<std::string, std::vector<TPosition>, std::less<>> Sections;

    // The positions of section `code` ("fr"); empty when there is none.
    const std::vector<TPosition>& Of(std::string_view code) const;
};

// Fills `out` from the bytes of a "data.geo" entry. Returns an empty string
// on success, else a one-line French message saying what is wrong (then
// `out` is left empty): a section that is missing, repeated, unknown, cut
// short or has a negative count; a coordinate outside its range; bytes after
// the last section. Never reads outside `bytes`.
std::string ParseCoordinates(std::span<const std::uint8_t> bytes, TCoordinates& out);

// Finds "data.geo" in the archive held by `archive`, decompresses it and
// parses it as above. Returns an empty string on success, else a one-line
// French message (entry absent, archive or entry damaged, or what
// ParseCoordinates reports). Nothing raised by the archive reader escapes.
std::string ReadCoordinates(TStream& archive, TCoordinates& out);

// ReadCoordinates on the archive the executable carries as its resource
// "data" (defined with the resources, as LoadEmbeddedCatalogues is);
// a missing resource is reported as the message too.
std::string LoadEmbeddedCoordinates(TCoordinates& coordinates);

// The positions of the archive the executable carries, read the first time
// they are asked for and then kept. A read that fails raises
// std::runtime_error with LoadEmbeddedCoordinates' message, and is tried
// again at the next request. One user at a time.
class TEmbeddedPositions {
public:
    const TCoordinates& Get();

private:
    std::optional<TCoordinates> read_;
};

// A coordinate in decimal degrees with a dot and six decimals: -123456789
// gives "-123.456789", 5 gives "0.000005".
std::string FormatDegrees(std::int32_t millionths);

} // namespace nubra
