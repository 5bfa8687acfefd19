// The catalogues of the archive bound into this executable. Built into each
// resource library (see nubra_add_resources), beside OpenResource.
#include "catalogue.h"
#include "coords.h"
#include "resource.h"

namespace nubra {

void LoadEmbeddedCatalogues(TCatalogues& tables)
{
    const std::unique_ptr<TStream> resource = OpenResource("data");
    TMemoryStream entry;
    LoadCatalogues(*resource, entry, tables);
}

std::string LoadEmbeddedCoordinates(TCoordinates& coordinates)
{
    try {
        return ReadCoordinates(*OpenResource("data"), coordinates);
    } catch (const std::exception& e) {
        return e.what();
    }
}

} // namespace nubra
