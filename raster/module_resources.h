// The seam between image loading and the module's resources. On Windows these are
// real resources bound by resources/ruckstone.rc (module_resources_win.cpp); on Linux the same
// files are embedded in the library at build time and looked up by identifier
// (module_resources_linux.cpp with the generated table).
#pragma once

#include <cstddef>

// The module whose resources are read: an HMODULE / HINSTANCE on Windows; unused elsewhere
// (the library's own embedded table is searched).
using ModuleHandle = void*;

// Finds the resource of the given type (e.g. "PNG") whose identifier is the low 16 bits of id.
// On success stores its data and size and returns true; the data lives as long as the module.
bool FindModuleResource(ModuleHandle module, int id, const char* type, const unsigned char** data,
                        std::size_t* size);
