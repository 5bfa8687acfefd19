// The four forecast walks on an arbitrary page; byte 0 chooses the source.
// A walk may raise (a Swiss date cell that is no number) but never crash.
#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string_view>

#include "udef_belgique.h"
#include "udef_canada.h"
#include "udef_france.h"
#include "udef_suisse.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace nubra;
    if (size < 1)
        return 0;
    const std::string_view page(reinterpret_cast<const char*>(data + 1), size - 1);
    try {
        switch (data[0] & 3) {
        case 0: (void)WalkFrancePage(page, "Achenheim", "france.example"); break;
        case 1: (void)WalkSuissePage(page, "AADORF", "suisse.example"); break;
        case 2: (void)WalkCanadaPage(page, "Airdrie", "canada.example"); break;
        default: (void)WalkBelgiquePage(page, "Aaigem", "belgique.example"); break;
        }
    } catch (const std::runtime_error&) {
    }
    return 0;
}
