// Module resources where there is no resource API: the table generated at build time from
// resources/ruckstone.rc and the files it names (see embed_resources.cmake).
#include "raster/module_resources.h"

#include <cstring>

#include "embedded_resources.h"

bool FindModuleResource(ModuleHandle module, int id, const char* type, const unsigned char** data,
                        std::size_t* size)
{
    (void)module;
    if (!type || !data || !size) {
        return false;
    }
    const int wanted = id & 0xFFFF;
    for (std::size_t i = 0; i < kEmbeddedResourceCount; ++i) {
        const EmbeddedResource& entry = kEmbeddedResources[i];
        if (entry.id == wanted && std::strcmp(entry.type, type) == 0) {
            *data = entry.data;
            *size = entry.size;
            return true;
        }
    }
    return false;
}
