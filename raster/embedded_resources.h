// The table of resources embedded in the library on platforms without a resource API.
// Generated at build time (embedded_resources.cpp) from resources/ruckstone.rc.
#pragma once

#include <cstddef>

struct EmbeddedResource {
    int id;
    const char* type;
    const unsigned char* data;
    std::size_t size;
};

extern const EmbeddedResource kEmbeddedResources[];
extern const std::size_t kEmbeddedResourceCount;
