// The parsing of a decompressed positions entry ("data.geo"): sections cut
// short, repeated or unknown, bogus counts, coordinates out of range.
#include <cstddef>
#include <cstdint>
#include <span>

#include "coords.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    nubra::TCoordinates coordinates;
    nubra::ParseCoordinates(std::span<const std::uint8_t>(data, size), coordinates);
    return 0;
}
