// The four forecast walks on an arbitrary page, each in turn. A walk may
// raise (a Swiss date cell that is no number) but never crash. The saved
// pages of tests/data are the seeds.
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
    const std::string_view page(reinterpret_cast<const char*>(data), size);
    (void)WalkFrancePage(page, "Achenheim", "france.example");
    try {
        (void)WalkSuissePage(page, "AADORF", "suisse.example");
    } catch (const std::runtime_error&) {
    }
    (void)WalkCanadaPage(page, "Airdrie", "canada.example");
    (void)WalkBelgiquePage(page, "Aaigem", "belgique.example");
    return 0;
}
