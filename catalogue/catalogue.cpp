#include "catalogue.h"

namespace nubra {

std::vector<TVilleFrance> FranceCities;
std::vector<TVillecanada> CanadaCities;
std::vector<TVilleSuisse> SuisseCities;
std::vector<TVilleBelge> BelgiqueCities;

void ClearCatalogues()
{
    FranceCities.clear();
    CanadaCities.clear();
    SuisseCities.clear();
    BelgiqueCities.clear();
}

} // namespace nubra
