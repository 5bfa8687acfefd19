// The parsing of a decompressed catalogue entry: byte 0 chooses the
// record reader (0 France, 1 Canada, 2 Suisse, 3 Belgique, 4 the other
// countries), the rest is the entry (bogus counts, truncated records...).
// Every text of every record is read while the input is alive: the records
// point into it, and AddressSanitizer catches a view that reaches outside.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

#include "entries.h"

namespace {

std::size_t sink = 0;

void touch(std::string_view text)
{
    for (const char c : text)
        sink += static_cast<unsigned char>(c);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace nubra;
    if (size < 1)
        return 0;
    const std::span<const std::uint8_t> entry(data + 1, size - 1);
    switch (data[0] % 5) {
    case 0: {
        std::vector<TVilleFrance> t;
        ParseFranceEntry(entry, t);
        for (const TVilleFrance& c : t) {
            touch(c.CodeInsee());
            touch(c.CodePostal());
            touch(c.Departement());
            touch(c.Nom());
        }
        break;
    }
    case 1: {
        std::vector<TVillecanada> t;
        ParseCanadaEntry(entry, t);
        for (const TVillecanada& c : t) {
            touch(c.CodeVille());
            touch(c.Nom());
        }
        break;
    }
    case 2: {
        std::vector<TVilleSuisse> t;
        ParseSuisseEntry(entry, t);
        for (const TVilleSuisse& c : t)
            touch(c.Nom());
        break;
    }
    case 3: {
        std::vector<TVilleBelge> t;
        ParseBelgiqueEntry(entry, t);
        for (const TVilleBelge& c : t)
            touch(c.Nom());
        break;
    }
    default: {
        std::vector<TLieu> t;
        ParseLieuEntry(entry, t);
        for (const TLieu& c : t)
            touch(c.Nom());
        break;
    }
    }
    return 0;
}
