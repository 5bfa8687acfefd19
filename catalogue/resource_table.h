// The table of resources bound into an executable. Each resource library
// (see nubra_add_resources in this folder's CMakeLists.txt) compiles
// resource.cpp together with a generated file that defines this table, so
// an executable carries the resources of the one resource library it links.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace nubra {

struct TEmbeddedResource {
    const char* name;
    const std::uint8_t* bytes;
    std::size_t size;
};

// Defined by the generated source of the linked resource library.
std::span<const TEmbeddedResource> EmbeddedResources();

} // namespace nubra
