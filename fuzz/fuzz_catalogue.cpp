// The parsing of a decompressed catalogue entry: byte 0 chooses the
// country, the rest is the entry (bogus counts, truncated records...).
#include <cstddef>
#include <cstdint>
#include <span>

#include "entries.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace nubra;
    if (size < 1)
        return 0;
    const std::span<const std::uint8_t> entry(data + 1, size - 1);
    switch (data[0] & 3) {
    case 0: { std::vector<TVilleFrance> t; ParseFranceEntry(entry, t); break; }
    case 1: { std::vector<TVillecanada> t; ParseCanadaEntry(entry, t); break; }
    case 2: { std::vector<TVilleSuisse> t; ParseSuisseEntry(entry, t); break; }
    default: { std::vector<TVilleBelge> t; ParseBelgiqueEntry(entry, t); break; }
    }
    return 0;
}
