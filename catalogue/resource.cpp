#include "resource.h"

#include <stdexcept>

#include "resource_table.h"

namespace nubra {

std::span<const std::uint8_t> FindResourceBytes(const std::string& name)
{
    for (const TEmbeddedResource& r : EmbeddedResources())
        if (name == r.name)
            return {r.bytes, r.size};
    return {};
}

std::unique_ptr<TStream> OpenResource(const std::string& name)
{
    for (const TEmbeddedResource& r : EmbeddedResources())
        if (name == r.name)
            return std::make_unique<TSpanStream>(std::span<const std::uint8_t>(r.bytes, r.size));
    // "Ressource %s non trouvée"
    throw std::runtime_error("Ressource " + name + " non trouv\xE9" "e");
}

} // namespace nubra
