// The resources bound into the executable at build time. The one resource
// is "data": the ZIP archive holding the four place catalogues.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "stream.h"

namespace nubra {

// The bytes of the named resource, or an empty span when there is none.
std::span<const std::uint8_t> FindResourceBytes(const std::string& name);

// A read-only seekable stream over the named resource. Raises
// std::runtime_error "Ressource %s non trouvée" (name for %s) when the
// executable carries no such resource.
std::unique_ptr<TStream> OpenResource(const std::string& name);

} // namespace nubra
