// The catalogues of the archive bound into this executable. Built into each
// resource library (see nubra_add_resources), beside OpenResource.
#include "catalogue.h"
#include "coords.h"
#include "resource.h"
#include "warning_areas.h"

#include <mutex>
#include <optional>

#include <stdexcept>
#include <utility>

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

const TCoordinates& TEmbeddedPositions::Get()
{
    if (!read_) {
        TCoordinates coordinates;
        if (const std::string error = LoadEmbeddedCoordinates(coordinates); !error.empty())
            throw std::runtime_error(error);
        read_ = std::move(coordinates);
    }
    return *read_;
}

const TWarningAreas& EmbeddedWarningAreas()
{
    static std::mutex mutex;
    static std::optional<TWarningAreas> read;
    std::lock_guard lock(mutex);
    if (!read) {
        TWarningAreas areas;
        std::string error;
        try {
            error = ReadWarningAreas(*OpenResource("data"), areas);
        } catch (const std::exception& e) {
            error = e.what();
        }
        if (!error.empty())
            throw std::runtime_error(error);
        read = std::move(areas);
    }
    return *read;
}

} // namespace nubra
