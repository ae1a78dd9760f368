// Module resources on Windows: FindResource / LoadResource / LockResource.
#include "raster/module_resources.h"

#include <windows.h>

bool FindModuleResource(ModuleHandle module, int id, const char* type, const unsigned char** data,
                        std::size_t* size)
{
    if (!type || !data || !size) {
        return false;
    }
    HMODULE handle = static_cast<HMODULE>(module);
    HRSRC found = FindResourceA(handle, MAKEINTRESOURCEA(id & 0xFFFF), type);
    if (!found) {
        return false;
    }
    const DWORD length = SizeofResource(handle, found);
    HGLOBAL loaded = LoadResource(handle, found);
    const void* locked = loaded ? LockResource(loaded) : nullptr;
    if (!locked) {
        return false;
    }
    *data = static_cast<const unsigned char*>(locked);
    *size = length;
    return true;
}
